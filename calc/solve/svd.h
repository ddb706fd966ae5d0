// Singular value decomposition in extended precision, by one-sided Jacobi
// rotations: short, and accurate to the last bits even for small singular
// values, which the solver's rank test depends on.
#pragma once

#include <span>

#include "common/real.h"

namespace pf {

// A row-major view of rows x cols reals owned elsewhere.
struct MatrixRef {
  Real* data = nullptr;
  int rows = 0;
  int cols = 0;
  Real& operator()(int i, int j) const { return data[i * cols + j]; }
};

// A sweep count this high means the rotations are not settling (NaN input).
inline constexpr int kMaxJacobiSweeps = 80;

// Decomposes the m x n matrix a as a = U diag(sigma) V^T with U m x n
// (orthonormal columns where sigma is above rounding noise, that is above
// about eps times the matrix's norm; zero columns where sigma = 0), V n x n
// orthogonal and sigma sorted from largest to smallest. a is left unchanged.
// u, sigma and v must hold m*n, n and n*n reals. Returns the sweeps used, or
// -1 when the sweeps ran out (the decomposition is then approximate).
int jacobiSvd(MatrixRef a, MatrixRef u, std::span<Real> sigma, MatrixRef v);

}  // namespace pf
