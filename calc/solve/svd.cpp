#include "calc/solve/svd.h"

#include <cmath>
#include <utility>

namespace pf {

namespace {

constexpr Real kRecount = 0.01L;

void swapColumns(MatrixRef m, int i, int j) {
  for (int k = 0; k < m.rows; ++k) std::swap(m(k, i), m(k, j));
}

Real squaredNorm(MatrixRef m, int j) {
  Real sum = 0;
  for (int k = 0; k < m.rows; ++k) sum += m(k, j) * m(k, j);
  return sum;
}

// One rotation of columns i and j of u (and v) that makes them orthogonal,
// given their squared norms, which it updates. Returns false when they are
// orthogonal already, to working precision, or when one of them is rounding
// noise (squared norm below `noise`): noise left by a rank deficiency can
// never be made orthogonal and would keep the sweeps going.
bool rotate(MatrixRef u, MatrixRef v, int i, int j, Real& alpha, Real& beta, Real tolerance,
            Real noise) {
  if (alpha <= noise || beta <= noise) return false;
  Real gamma = 0;
  for (int k = 0; k < u.rows; ++k) gamma += u(k, i) * u(k, j);
  if (!(std::fabs(gamma) > tolerance * std::sqrt(alpha) * std::sqrt(beta))) return false;
  Real zeta = (beta - alpha) / (2 * gamma);
  Real t = (zeta >= 0 ? 1 : -1) / (std::fabs(zeta) + std::sqrt(1 + zeta * zeta));
  Real c = 1 / std::sqrt(1 + t * t);
  Real s = c * t;
  for (int k = 0; k < u.rows; ++k) {
    Real a = u(k, i);
    Real b = u(k, j);
    u(k, i) = c * a - s * b;
    u(k, j) = s * a + c * b;
  }
  for (int k = 0; k < v.rows; ++k) {
    Real a = v(k, i);
    Real b = v(k, j);
    v(k, i) = c * a - s * b;
    v(k, j) = s * a + c * b;
  }
  // the updated norms lose digits when a column shrinks a lot: recount those
  const Real alphaBefore = alpha;
  const Real betaBefore = beta;
  alpha -= t * gamma;
  beta += t * gamma;
  if (alpha < kRecount * alphaBefore) alpha = squaredNorm(u, i);
  if (beta < kRecount * betaBefore) beta = squaredNorm(u, j);
  return true;
}

}  // namespace

int jacobiSvd(MatrixRef a, MatrixRef u, std::span<Real> sigma, MatrixRef v) {
  const int m = a.rows;
  const int n = a.cols;
  for (int i = 0; i < m * n; ++i) u.data[i] = a.data[i];
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) v(i, j) = i == j ? 1 : 0;

  const Real tolerance = 4 * machineEpsilon();
  Real total = 0;
  for (int i = 0; i < m * n; ++i) total += a.data[i] * a.data[i];
  const Real noise = machineEpsilon() * machineEpsilon() * total;
  std::span<Real> norms = sigma;  // squared column norms while sweeping
  int sweeps = -1;
  for (int sweep = 1; sweep <= kMaxJacobiSweeps; ++sweep) {
    // fresh each sweep, so the updates within a sweep cannot drift far
    for (int j = 0; j < n; ++j) norms[j] = squaredNorm(u, j);
    bool rotated = false;
    for (int i = 0; i < n - 1; ++i)
      for (int j = i + 1; j < n; ++j)
        if (rotate(u, v, i, j, norms[i], norms[j], tolerance, noise)) rotated = true;
    if (!rotated) {
      sweeps = sweep;
      break;
    }
  }

  for (int j = 0; j < n; ++j) {
    Real norm = std::sqrt(squaredNorm(u, j));
    sigma[j] = norm;
    for (int k = 0; k < m; ++k) u(k, j) = norm > 0 ? u(k, j) / norm : 0;
  }

  // largest first, so that a rank cut is a prefix
  for (int i = 0; i < n - 1; ++i) {
    int largest = i;
    for (int j = i + 1; j < n; ++j)
      if (sigma[j] > sigma[largest]) largest = j;
    if (largest == i) continue;
    std::swap(sigma[i], sigma[largest]);
    swapColumns(u, i, largest);
    swapColumns(v, i, largest);
  }
  return sweeps;
}

}  // namespace pf
