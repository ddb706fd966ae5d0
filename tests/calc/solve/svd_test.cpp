#include "calc/solve/svd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace pf {
namespace {

// A small deterministic generator, so the matrices are the same every run.
struct Lcg {
  std::uint64_t state;
  Real next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<Real>(state >> 11) / static_cast<Real>(1ULL << 53) - 0.5L;
  }
};

struct Decomposition {
  std::vector<Real> u, sigma, v;
  int sweeps = 0;
};

Decomposition decompose(std::vector<Real>& a, int m, int n) {
  Decomposition d;
  d.u.assign(static_cast<std::size_t>(m * n), 0);
  d.sigma.assign(static_cast<std::size_t>(n), 0);
  d.v.assign(static_cast<std::size_t>(n * n), 0);
  d.sweeps = jacobiSvd({a.data(), m, n}, {d.u.data(), m, n}, d.sigma, {d.v.data(), n, n});
  return d;
}

// A = U S V^T, V orthogonal, U orthonormal where sigma is above rounding
// noise, sigma sorted: all to the given tolerance relative to the largest entry.
void expectValid(const std::vector<Real>& a, const Decomposition& d, int m, int n, Real tolerance) {
  MatrixRef u{const_cast<Real*>(d.u.data()), m, n};
  MatrixRef v{const_cast<Real*>(d.v.data()), n, n};
  Real scale = 1;
  for (Real x : a) scale = std::max(scale, std::fabs(x));
  Real worstProduct = 0;
  Real worstV = 0;
  Real worstU = 0;
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) {
      Real sum = 0;
      for (int l = 0; l < n; ++l) sum += u(i, l) * d.sigma[l] * v(j, l);
      worstProduct = std::max(worstProduct, std::fabs(sum - a[i * n + j]) / scale);
    }
  const Real noise = 1e-17L * scale;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      Real vv = 0;
      Real uu = 0;
      for (int k = 0; k < n; ++k) vv += v(k, i) * v(k, j);
      for (int k = 0; k < m; ++k) uu += u(k, i) * u(k, j);
      worstV = std::max(worstV, std::fabs(vv - (i == j ? 1 : 0)));
      if (d.sigma[i] > noise && d.sigma[j] > noise)
        worstU = std::max(worstU, std::fabs(uu - (i == j ? 1 : 0)));
    }
  EXPECT_LE(worstProduct, tolerance);
  EXPECT_LE(worstV, tolerance);
  EXPECT_LE(worstU, tolerance);
  for (int i = 0; i + 1 < n; ++i) EXPECT_GE(d.sigma[i], d.sigma[i + 1]);
}

TEST(JacobiSvd, RandomMatricesOfEveryShapeAreReproducedToExtendedPrecision) {
  struct Shape {
    int m, n;
  };
  const Shape shapes[] = {{1, 1},   {2, 2},  {3, 2},  {2, 3},   {5, 5},
                          {10, 10}, {12, 7}, {7, 12}, {30, 30}, {74, 74}};
  Lcg random{12345};
  for (const Shape& s : shapes) {
    SCOPED_TRACE(std::to_string(s.m) + "x" + std::to_string(s.n));
    std::vector<Real> a(static_cast<std::size_t>(s.m * s.n));
    for (Real& x : a) x = random.next() * 10;
    Decomposition d = decompose(a, s.m, s.n);
    EXPECT_GT(d.sweeps, 0);
    expectValid(a, d, s.m, s.n, 1e-16L);
    if (s.m < s.n) {  // the extra columns can only give zeros
      for (int l = s.m; l < s.n; ++l) EXPECT_LT(d.sigma[l], 1e-16L);
    }
  }
}

TEST(JacobiSvd, KnownSingularValues) {
  struct Case {
    int m, n;
    std::vector<Real> a;
    std::vector<Real> sigma;
  };
  const Case cases[] = {
      {2, 2, {3, 0, 0, -4}, {4, 3}},
      {2, 2, {1, 1, 1, 1}, {2, 0}},
      {2, 2, {0, 0, 0, 0}, {0, 0}},
      {3, 1, {1, 2, 2}, {3}},
      {1, 3, {2, -1, 2}, {3, 0, 0}},
      {2, 2, {1e-20L, 0, 0, 1e20L}, {1e20L, 1e-20L}},
      // a rank-one matrix: the outer product of (1,2,3) and (1,1)
      {3, 2, {1, 1, 2, 2, 3, 3}, {std::sqrt(28.0L), 0}},
  };
  for (const Case& c : cases) {
    std::vector<Real> a = c.a;
    Decomposition d = decompose(a, c.m, c.n);
    for (int l = 0; l < c.n; ++l) {
      Real tolerance = 1e-18L * std::max(Real{1}, c.sigma[l]);
      EXPECT_LE(std::fabs(d.sigma[l] - c.sigma[l]), tolerance)
          << "case with first entry " << static_cast<double>(c.a[0]) << ", value " << l;
    }
    EXPECT_EQ(a, c.a);  // input untouched
  }
}

TEST(JacobiSvd, TinySingularValueOfANearlySingularMatrixIsResolved) {
  // rows (1, 1) and (1, 1 + d): the small singular value is about d / 2
  const Real d = 1e-15L;
  std::vector<Real> a{1, 1, 1, 1 + d};
  Decomposition dec = decompose(a, 2, 2);
  // the product of the singular values is |det| = d
  EXPECT_NEAR(static_cast<double>(dec.sigma[0] * dec.sigma[1] / d), 1.0, 1e-3);
  expectValid(a, dec, 2, 2, 1e-17L);
}

TEST(JacobiSvd, NaNInputEndsWithoutHanging) {
  std::vector<Real> a{1, NAN, 2, 3};
  Decomposition d = decompose(a, 2, 2);
  EXPECT_LE(d.sweeps, kMaxJacobiSweeps);
}

}  // namespace
}  // namespace pf
