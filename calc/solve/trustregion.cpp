// The trust-region method: the Gauss-Newton step when it fits inside the
// trust radius, else the Levenberg-Marquardt step of the radius's length,
// both formed in the singular basis of the jacobian.
#include <algorithm>
#include <cmath>

#include "calc/solve/nle_steps.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr Real kInitialRadius = 1;  // the whole range of a normalised unknown
constexpr Real kMaxRadius = 100;
constexpr Real kSmallSigma = 0.001L;
constexpr Real kForcedLength = 1e6L;  // keeps a nearly singular Gauss-Newton step out
constexpr int kMaxRadiusHalvings = 10;
constexpr Real kFeasibleSlim = 1.001L;
constexpr Real kAcceptRatio = 0.25L;
constexpr Real kExpandRatio = 0.75L;
constexpr Real kShrinkLow = 0.1L;
constexpr Real kShrinkHigh = 0.5L;
constexpr Real kExpandFactor = 2;
constexpr int kMaxFindvRounds = 26;
constexpr Real kFindvTolerance = 1e-5L;

// |s(lambda)| and the sum of c^2 sigma^2 / (sigma^2 + lambda)^3.
void stepNorms(std::span<const Real> sigma, std::span<const Real> c, Real lambda, Real& length,
               Real& slopeSum) {
  Real squares = 0;
  slopeSum = 0;
  for (std::size_t l = 0; l < sigma.size(); ++l) {
    const Real denominator = sigma[l] * sigma[l] + lambda;
    const Real component = c[l] * sigma[l] / denominator;
    squares += component * component;
    slopeSum += component * component / denominator;
  }
  length = std::sqrt(squares);
}

// s(lambda) into the workspace step; returns its length.
Real singularBasisStep(NleCall& call, Real lambda) {
  NleWorkspace& ws = call.ws;
  MatrixRef v{ws.v.data(), call.n, call.n};
  Real squares = 0;
  for (int k = 0; k < call.n; ++k) ws.step[k] = 0;
  for (int l = 0; l < call.kept; ++l) {
    const Real component = ws.projected[l] * ws.sigma[l] / (ws.sigma[l] * ws.sigma[l] + lambda);
    squares += component * component;
    for (int k = 0; k < call.n; ++k) ws.step[k] += v(k, l) * component;
  }
  return std::sqrt(squares);
}

Real gaussNewtonLength(const NleCall& call) {
  for (int l = 0; l < call.n; ++l)
    if (call.ws.sigma[l] <= kSmallSigma) return kForcedLength;
  Real squares = 0;
  for (int l = 0; l < call.kept; ++l) {
    const Real component = call.ws.projected[l] / call.ws.sigma[l];
    squares += component * component;
  }
  return std::sqrt(squares);
}

// Actual over predicted reduction of f; -1 when f rose.
Real reductionRatio(const NleCall& call, Real fOld, Real lambda, Real length) {
  const Real fNew = call.trial.f;
  if (fNew > fOld || !(fOld > 0)) return -1;
  Real jsSquared = 0;
  for (int i = 0; i < call.m; ++i) jsSquared += call.ws.jstep[i] * call.ws.jstep[i];
  const Real predicted = jsSquared / (2 * fOld) + lambda * length * length / fOld;
  if (!(predicted > 0)) return -1;
  return (1 - fNew / fOld) / predicted;
}

// A poor step shrinks the radius toward the minimiser of the quadratic
// through f(0), its slope and f(1) along the step, kept within 0.1 and 0.5
// of the radius; a good one lets it grow.
Real newRadius(const NleCall& call, Real delta, Real rho, Real fOld, Real length) {
  if (rho >= kExpandRatio) return std::min(std::max(delta, kExpandFactor * length), kMaxRadius);
  if (rho > kAcceptRatio) return delta;
  Real g0 = 0;
  for (int i = 0; i < call.m; ++i) g0 -= call.ws.jstep[i] * call.ws.residuals[i];
  const Real curvature = call.trial.f - fOld - g0;
  const Real target = curvature > 0 ? -g0 / (2 * curvature) * length : kShrinkHigh * length;
  const Real base = std::min(delta, length);
  return std::clamp(target, kShrinkLow * base, kShrinkHigh * base);
}

void printHeadline(NleCall& call, Real delta, Real lambda, Real rho) {
  if (call.options.printLevel < 3) return;
  std::string line;
  Real maxe = 0;
  for (int i = 0; i < call.m; ++i) maxe = std::max(maxe, std::fabs(call.ws.residuals[i]));
  addfield(line, std::to_string(call.iteration), 4);
  addfield(line, call.f0, 12);
  addfield(line, maxe, 12);
  addfield(line, delta, 12);
  addfield(line, "", 4);
  addfield(line, lambda, 12);
  addfield(line, rho, 12);
  if (call.rankDeficient) addfield(line, "  rank deficient", 0);
  call.io.putstr(0, line, 1, call.options.mask);
}

}  // namespace

Real findv(std::span<const Real> sigma, std::span<const Real> c, Real delta) {
  Real length = 0;
  Real slopeSum = 0;
  stepNorms(sigma, c, 0, length, slopeSum);
  if (length <= delta || !(length > 0)) return 0;
  Real lambda = 0;
  // Newton on 1/|s| - 1/delta, which is concave in lambda: from 0 it climbs
  // to the root without overshooting.
  for (int round = 1; round <= kMaxFindvRounds; ++round) {
    const Real phi = 1 / length - 1 / delta;
    const Real dphi = slopeSum / (length * length * length);
    const Real change = -phi / dphi;
    lambda = std::max(lambda + change, Real{0});
    stepNorms(sigma, c, lambda, length, slopeSum);
    if (!(length > 0)) return lambda;
    if (std::fabs(change) * delta * length < kFindvTolerance || change == 0) return lambda;
  }
  bomb("findv in nle", "iteration did not converge");
}

int trustregion(NleCall& call, bool& overit) {
  Real delta = kInitialRadius;
  bool fresh = true;  // the point moved: residuals and jacobian are wanted again
  int failures = 0;
  for (int it = 1; it <= kTrustRegionIterations; ++it) {
    call.iteration = it;
    if (fresh) startup(call);
    fresh = false;
    const Real fOld = call.f0;
    const Real gnLength = gaussNewtonLength(call);
    const std::span<const Real> sigma{call.ws.sigma.data(), static_cast<std::size_t>(call.kept)};
    const std::span<const Real> c{call.ws.projected.data(), static_cast<std::size_t>(call.kept)};

    Real lambda = 0;
    Real length = 0;
    bool feasible = false;
    for (int halving = 0; halving <= kMaxRadiusHalvings; ++halving) {
      lambda = gnLength <= delta ? 0 : findv(sigma, c, delta);
      length = singularBasisStep(call, lambda);
      if (findlimit(call).slim > kFeasibleSlim) {
        feasible = true;
        break;
      }
      delta /= 2;
    }
    if (!feasible) return kMethodSlimSmall;

    jacobianTimesStep(call);
    trialpoint(call, 1);
    if (call.trial.stops()) {
      printHeadline(call, delta, lambda, 1);
      acceptTrial(call);
      return kMethodOk;
    }
    if (call.trial.failed) {
      printHeadline(call, delta, lambda, -1);
      if (!mayRetryAfterFailure(call, failures)) return kMethodNoValue;
      delta = kShrinkHigh * std::min(delta, length);
      continue;
    }
    failures = 0;
    const Real rho = reductionRatio(call, fOld, lambda, length);
    printHeadline(call, delta, lambda, rho);
    delta = newRadius(call, delta, rho, fOld, length);
    if (rho > kAcceptRatio) {
      acceptTrial(call);
      fresh = true;
    }
  }
  overit = true;
  return kMethodOk;
}

}  // namespace pf
