#include "calc/avpt/statistics.h"

#include <cmath>

#include "common/bomb.h"

namespace pf {

Matrix zeroMatrix(int n) {
  return Matrix(static_cast<std::size_t>(n), std::vector<Real>(static_cast<std::size_t>(n), 0));
}

namespace {

// Pivots at or below this many rounding units of their diagonal are taken
// as lost to rounding.
constexpr Real kPivotRoundingUnits = 64;

[[noreturn]] void notPositiveDefinite() {
  bomb("posdefinvert", "sqrt negative");
}

}  // namespace

Matrix posdefinvert(const Matrix& a) {
  int n = static_cast<int>(a.size());
  Real unit = machineEpsilon();
  // a = L L'
  Matrix l = zeroMatrix(n);
  for (int j = 0; j < n; ++j) {
    if (static_cast<int>(a[j].size()) != n) bomb("posdefinvert", "matrix not square", 1);
    Real d = a[j][j];
    for (int k = 0; k < j; ++k) d -= l[j][k] * l[j][k];
    if (!(d >= 0) || !std::isfinite(d)) notPositiveDefinite();
    if (d <= kPivotRoundingUnits * unit * std::fabs(a[j][j])) notPositiveDefinite();
    l[j][j] = std::sqrt(d);
    for (int i = j + 1; i < n; ++i) {
      Real s = a[i][j];
      for (int k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
      l[i][j] = s / l[j][j];
    }
  }
  // L^-1, lower triangular
  Matrix li = zeroMatrix(n);
  for (int j = 0; j < n; ++j) {
    li[j][j] = 1 / l[j][j];
    for (int i = j + 1; i < n; ++i) {
      Real s = 0;
      for (int k = j; k < i; ++k) s -= l[i][k] * li[k][j];
      li[i][j] = s / l[i][i];
    }
  }
  // a^-1 = L'^-1 L^-1
  Matrix inv = zeroMatrix(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      Real s = 0;
      for (int k = i; k < n; ++k) s += li[k][i] * li[k][j];
      inv[i][j] = inv[j][i] = s;
    }
  return inv;
}

Real fitThreshold(int f) {
  static constexpr Real kLimits[] = {1.96L, 1.73L, 1.61L, 1.54L, 1.49L,
                                     1.45L, 1.42L, 1.39L, 1.37L, 1.35L};
  if (f >= 1 && f <= 10) return kLimits[f - 1];
  return 1.34L;
}

Matrix enthalpyCovariance(const RunEndMembers& run, const std::vector<Reaction>& reactions,
                          bool thermoCovariances) {
  int n = static_cast<int>(reactions.size());
  Matrix covh = zeroMatrix(n);
  if (!thermoCovariances) {
    for (int i = 0; i < n; ++i) covh[i][i] = kFixedCovh;
    return covh;
  }
  int m = run.count();
  for (int i = 0; i < n; ++i)
    for (int k = 0; k <= i; ++k) {
      Real s = 0;
      for (int j = 1; j <= m; ++j) {
        if (reactions[i][j] == 0) continue;
        for (int l = 1; l <= m; ++l)
          if (reactions[k][l] != 0)
            s += static_cast<Real>(reactions[i][j]) * reactions[k][l] * run.covariance(j, l);
      }
      covh[i][k] = covh[k][i] = s;
    }
  return covh;
}

Matrix lnKCovariance(const std::vector<Reaction>& reactions, const std::vector<Real>& varLnA) {
  int n = static_cast<int>(reactions.size());
  Matrix covlnk = zeroMatrix(n);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k <= i; ++k) {
      Real s = 0;
      for (std::size_t j = 1; j < varLnA.size() && j < reactions[i].size(); ++j)
        s += static_cast<Real>(reactions[i][j]) * reactions[k][j] * varLnA[j];
      covlnk[i][k] = covlnk[k][i] = s;
    }
  return covlnk;
}

Matrix lineCovariance(const std::vector<Real>& s, const std::vector<Real>& t, const Matrix& covh,
                      const Matrix& covlnk) {
  int n = static_cast<int>(s.size());
  Matrix v = zeroMatrix(n);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < n; ++k) v[i][k] = s[i] * s[k] * covh[i][k] + t[i] * t[k] * covlnk[i][k];
  return v;
}

Real sumAll(const Matrix& w) {
  Real s = 0;
  for (const auto& row : w)
    for (Real x : row) s += x;
  return s;
}

std::vector<Real> times(const Matrix& w, const std::vector<Real>& v) {
  std::vector<Real> out(w.size(), 0);
  for (std::size_t i = 0; i < w.size(); ++i)
    for (std::size_t k = 0; k < v.size(); ++k) out[i] += w[i][k] * v[k];
  return out;
}

Real dot(const std::vector<Real>& a, const std::vector<Real>& b) {
  Real s = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) s += a[i] * b[i];
  return s;
}

Average weightedAverage(const std::vector<Real>& x, const Matrix& V) {
  Average avg;
  int n = static_cast<int>(x.size());
  avg.W = posdefinvert(V);
  avg.sumW = sumAll(avg.W);
  if (!(avg.sumW > 0)) return avg;
  std::vector<Real> ones(static_cast<std::size_t>(n), 1);
  avg.value = dot(ones, times(avg.W, x)) / avg.sumW;
  std::vector<Real> e(x);
  for (Real& v : e) v -= avg.value;
  avg.ok = std::isfinite(avg.value);
  avg.sdRaw = 1 / std::sqrt(avg.sumW);
  avg.mswd = n > 1 ? dot(e, times(avg.W, e)) / (n - 1) : 0;
  if (avg.mswd < 0 || !std::isfinite(avg.mswd)) {
    avg.mswd = 0;
    avg.sd = 0;
    avg.sigfit = 0;
    return avg;
  }
  avg.sigfit = std::sqrt(avg.mswd);
  avg.sd = avg.sigfit > 1 ? avg.sdRaw * avg.sigfit : avg.sdRaw;
  return avg;
}

}  // namespace pf
