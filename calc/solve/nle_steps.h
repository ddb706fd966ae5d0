// The pieces of one `nle` call, shared by the line search and the trust
// region: the state of the call, the start of an iteration, the trial
// evaluation and the step limit.
#pragma once

#include <span>

#include "calc/solve/nle.h"

namespace pf {

inline constexpr int kLineSearchIterations = 25;
inline constexpr int kTrustRegionIterations = 100;
inline constexpr Real kSingularCut = 1e-12L;  // relative size of a dropped singular value
inline constexpr Real kSingularStep = 200;    // normalised step that means "singular"
inline constexpr Real kNoLimit = 1e20L;
inline constexpr Real kStepCap = 50;
inline constexpr Real kSmallestSlim = 1e-8L;
inline constexpr int kMaxSiteFractionRounds = 50;
inline constexpr int kMaxFailedTrials = 10;  // failed evaluations before giving up a step
inline constexpr Real kFdStep = 1e-8L;
inline constexpr Real kJacobianCheckFloor = 1e-9L;

// Convergence tests on a trial point.
inline constexpr Real kFsize = 1e-12L;
inline constexpr Real kEsize = 1e-8L;
inline constexpr Real kDxstop = 0.05L;
inline constexpr Real kDxconverge = 0.0001L;

// The outcome of one trial evaluation.
struct Trial {
  Real alpha = 0;
  Real f = 0;
  Real slope = 0;
  Real maxe = 0;
  Real maxdx = 0;
  bool failed = false;
  bool esize = false;
  bool fsize = false;
  bool dxstop = false;
  bool dxconverge = false;
  bool stops() const { return esize || fsize || dxstop; }
};

struct NleCall {
  NleCall(NleSystem& sys, std::vector<Quantity>& list, const StepBounds& limits,
          const NleOptions& settings, Io& output, NleWorkspace& storage)
      : system(sys), quantities(list), bounds(limits), options(settings), io(output), ws(storage) {}

  NleSystem& system;
  std::vector<Quantity>& quantities;
  const StepBounds& bounds;
  const NleOptions& options;
  Io& io;
  NleWorkspace& ws;
  int m = 0;  // equations
  int n = 0;  // unknowns
  Real eps = 0;
  int iteration = 0;
  int evaluations = 0;
  Real f0 = 0;   // at the current point
  int kept = 0;  // singular values kept
  bool rankDeficient = false;
  bool stateAtY = false;  // the system's last evaluation was at y
  Trial trial;

  MatrixRef jacobian() { return {ws.jacobian.data(), m, n}; }
  std::span<Real> y() { return {ws.y.data(), static_cast<std::size_t>(n)}; }
  std::span<Real> step() { return {ws.step.data(), static_cast<std::size_t>(n)}; }
};

// Method codes of the step control; the termination code is this plus 2.
inline constexpr int kMethodOk = 0;
inline constexpr int kMethodSingular = 1;
inline constexpr int kMethodNoInterval = 2;
inline constexpr int kMethodNoValue = 3;
inline constexpr int kMethodNotReduced = 4;
inline constexpr int kMethodSlimSmall = 5;

// Iteration start: residuals and jacobian at y (fatal when they cannot be
// had), f0, the decomposition and the projected residuals U^T r.
void startup(NleCall& call);
// The Gauss-Newton step (pseudo-inverse of J times r) into call.ws.step.
void gaussNewtonStep(NleCall& call);
// Whether the step of this iteration shows a singular jacobian.
bool singularStep(const NleCall& call);
// call.ws.jstep = J times the step.
void jacobianTimesStep(NleCall& call);

// Evaluates y - alpha * step into call.trial (needs call.ws.jstep).
void trialpoint(NleCall& call, Real alpha);
// Makes the last trial point the current point.
void acceptTrial(NleCall& call);
// Counts a failed trial; past the limit, fatal with a print level, else false.
bool mayRetryAfterFailure(NleCall& call, int& failures);

struct StepLimit {
  Real slim = 0;
  int access = 0;  // 0..3: a bound that may be reached; 4: may only be approached
};

// x and the rate of change of x per unit step for every quantity, for a step
// y - alpha * step.
void fillAlongStep(const std::vector<Quantity>& quantities, std::span<const int> solved,
                   std::span<const Real> y, std::span<const Real> step, std::span<Real> x,
                   std::span<Real> xRate);

// The largest admissible step along y - alpha * step.
StepLimit findlimit(const std::vector<Quantity>& quantities, std::span<const int> solved,
                    std::span<const Real> y, std::span<const Real> step, const StepBounds& bounds,
                    std::span<const Real> x, std::span<const Real> xRate, std::span<Real> poly,
                    Real eps, Io& io, unsigned mask);
StepLimit findlimit(NleCall& call);

// Whether the cubic p0 + p1 t + p2 t^2 + p3 t^3 reaches zero in [0, upto],
// and where first (0 when p0 <= 0; otherwise the last point before the
// zero at which it is still positive).
bool firstZero(const std::array<Real, 4>& p, Real upto, Real& zero);

// The minimiser of the cubic through (stepa, fa, ga) and (stepb, fb, gb),
// fatal when neither stationary point lies in [stepa, stepb].
Real cubicstep(Real stepa, Real fa, Real ga, Real stepb, Real fb, Real gb, Io& io, unsigned mask);

// The line search along the step of this iteration: returns a method code;
// the trial point is accepted when it returns kMethodOk.
int steplength(NleCall& call, StepLimit limit);

// The trust-region iterations: returns a method code; overit is set when
// the iteration limit was passed.
int trustregion(NleCall& call, bool& overit);

// lambda >= 0 with |s(lambda)| = delta, s_l = c_l sigma_l / (sigma_l^2 + lambda).
Real findv(std::span<const Real> sigma, std::span<const Real> c, Real delta);

// Writes a line of the quantity names and a line of their values, then the
// caller's extra quantities.
void printQuantities(NleCall& call);

}  // namespace pf
