// The generalised least squares of average P-T: the inverse of a positive
// definite covariance matrix, the covariances of the reactions' enthalpies
// and ln K, the weighted average of correlated values, and the 95% limit of
// the fit.
#pragma once

#include <vector>

#include "calc/reactions/integer_algebra.h"
#include "calc/thermo/run_endmembers.h"
#include "common/real.h"

namespace pf {

// Square matrices, 0-based, one row per reaction.
using Matrix = std::vector<std::vector<Real>>;

Matrix zeroMatrix(int n);

// `posdefinvert`: the inverse of a symmetric positive definite matrix by
// Cholesky factorisation. A negative square root, or a pivot that rounding
// has left at nothing (at most a few rounding units of its diagonal), stops
// the run: the matrix is not positive definite.
Matrix posdefinvert(const Matrix& a);

// The 95% limit of sigfit for f degrees of freedom.
Real fitThreshold(int f);

// The reaction enthalpy covariance: from the end-members' enthalpy
// covariance (covh = nu cov(H) nu'), or, without thermodynamic covariances,
// the fixed value on the diagonal alone.
inline constexpr Real kFixedCovh = 1;  // kJ^2: an sd of 1 kJ on each reaction's enthalpy
Matrix enthalpyCovariance(const RunEndMembers& run, const std::vector<Reaction>& reactions,
                          bool thermoCovariances);
// covlnk = nu diag(var ln a) nu'; varLnA indexed like the end-members [1..n].
Matrix lnKCovariance(const std::vector<Reaction>& reactions, const std::vector<Real>& varLnA);

// The covariance of the reactions' values of the averaged variable:
// V(i, k) = s_i s_k covh(i, k) + t_i t_k covlnk(i, k).
Matrix lineCovariance(const std::vector<Real>& s, const std::vector<Real>& t, const Matrix& covh,
                      const Matrix& covlnk);

Real sumAll(const Matrix& w);
std::vector<Real> times(const Matrix& w, const std::vector<Real>& v);
Real dot(const std::vector<Real>& a, const std::vector<Real>& b);

// The weighted average of correlated values x with covariance V.
struct Average {
  bool ok = false;  // W could be formed and its sum is positive
  Real value = 0;
  Real sd = 0;     // 1/sqrt(sum W), times sigfit when sigfit > 1
  Real sdRaw = 0;  // 1/sqrt(sum W)
  Real sigfit = 0;
  Real mswd = 0;
  Real sumW = 0;
  Matrix W;
};
Average weightedAverage(const std::vector<Real>& x, const Matrix& V);

}  // namespace pf
