// The line search along the Gauss-Newton step: a first trial, extension of
// the step toward its limit while f keeps falling, then cubic interpolation
// inside the bracketing interval.
#include <algorithm>
#include <cmath>

#include "calc/solve/nle_steps.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr Real kSufficientDecrease = 0.01L;
constexpr Real kFirstCurvature = 0.5L;
constexpr Real kLaterCurvature = 0.2L;
constexpr Real kFirstFraction = 0.9L;  // of slim, when the full step is not allowed
constexpr Real kExtendFraction = 0.9L;
constexpr Real kExtendGrowth = 5;
constexpr int kMaxExtensions = 10;
constexpr int kMaxInterpolations = 10;
constexpr Real kIntervalMargin = 0.1L;  // keeps interpolated steps off the ends
constexpr Real kRetryFraction = 0.5L;   // after a failed trial

// How close to an accessible boundary the step goes, by accessibility code.
Real boundaryFraction(int access) {
  return access == 1 ? 0.99999L : 0.9999999999L;
}

struct Point {
  Real alpha = 0;
  Real f = 0;
  Real g = 0;
};

struct Search {
  NleCall& call;
  Real f0;
  Real slope0;
  bool first = true;
  int failures = 0;
  Real failedAt = 0;  // the shortest failed step of the last tryStep, 0 if none

  bool acceptable(const Trial& t) const {
    const Real curvature = first ? kFirstCurvature : kLaterCurvature;
    return t.f < f0 + kSufficientDecrease * t.alpha * slope0 &&
           std::fabs(t.slope) < curvature * std::fabs(slope0);
  }

  // Trial at alpha; a failed evaluation is retried closer to `from` while
  // the failure count allows. False when it does not.
  bool tryStep(Real alpha, Real from) {
    failedAt = 0;
    for (int attempt = 0; attempt < kMaxFailedTrials; ++attempt) {
      trialpoint(call, alpha);
      if (!call.trial.failed) return true;
      failedAt = alpha;
      first = false;
      if (!mayRetryAfterFailure(call, failures)) return false;
      alpha = from + kRetryFraction * (alpha - from);
    }
    return false;
  }
};

// Narrows [a, b] until a trial passes; a holds the lower f and a falling slope.
int interpolate(Search& search, Point a, Point b, bool fromBoundary) {
  NleCall& call = search.call;
  bool reduced = false;
  for (int k = 0; k < kMaxInterpolations; ++k) {
    if (std::isnan(a.alpha) || std::isnan(b.alpha)) bomb("steplength", "stepa/stepb are NaN");
    Real alpha = cubicstep(a.alpha, a.f, a.g, b.alpha, b.f, b.g, call.io, call.options.mask);
    const Real margin = kIntervalMargin * (b.alpha - a.alpha);
    alpha = std::clamp(alpha, a.alpha + margin, b.alpha - margin);
    if (!search.tryStep(alpha, a.alpha)) return kMethodNoValue;
    const Trial& t = call.trial;
    if (t.stops() || search.acceptable(t)) {
      acceptTrial(call);
      return kMethodOk;
    }
    search.first = false;
    if (t.f < search.f0) reduced = true;
    Point p{t.alpha, t.f, t.slope};
    if (t.slope >= 0 || t.f > a.f)
      b = p;
    else
      a = p;
  }
  return fromBoundary && !reduced ? kMethodNotReduced : kMethodNoValue;
}

}  // namespace

Real cubicstep(Real stepa, Real fa, Real ga, Real stepb, Real fb, Real gb, Io& io, unsigned mask) {
  if (std::isnan(stepa) || std::isnan(stepb)) bomb("steplength", "stepa/stepb are NaN");
  const Real length = stepb - stepa;
  const Real d = fb - fa;
  const Real h = 3 * d - length * (2 * ga + gb);
  const Real l = length * (ga + gb) - 2 * d;
  Real t1 = -stepa;
  Real t2 = -stepa;
  bool real = true;
  if (l == 0) {
    if (h != 0)
      t1 = t2 = -ga * length / (2 * h);
    else
      real = false;
  } else {
    const Real disc = 4 * h * h - 12 * l * ga * length;
    if (disc >= 0) {
      // t1, the + root, is where the cubic has its minimum. Each root is
      // taken in the form without cancellation: for a nearly quadratic f
      // (l tiny) the textbook form loses every digit.
      const Real root = std::sqrt(disc);
      const Real gal = -2 * ga * length;
      if (h >= 0)
        t1 = 2 * h + root == 0 ? 0 : gal / (2 * h + root);  // 0: flat at stepa
      else
        t1 = (-2 * h + root) / (6 * l);
      t2 = h < 0 ? gal / (2 * h - root) : (-2 * h - root) / (6 * l);
    } else {
      real = false;
    }
  }
  const Real c1 = real ? stepa + length * t1 : -stepa;
  const Real c2 = real ? stepa + length * t2 : -stepa;
  if (c1 >= stepa && c1 <= stepb) return c1;
  if (c2 >= stepa && c2 <= stepb) return c2;
  io.putstr(0, "neither in interval: info", 1, mask);
  io.putstr(0, "1: " + realToText(c1), 1, mask);
  io.putstr(0, "2: " + realToText(c2), 1, mask);
  io.putstr(0, "a,b:" + realToText(stepa) + " " + realToText(stepb), 1, mask);
  bomb("steplength", "neither in interval");
}

int steplength(NleCall& call, StepLimit limit) {
  if (limit.access < 0 || limit.access > kStrictBound) bomb("steplength", "unknown accessibility");
  jacobianTimesStep(call);
  Search search{call, call.f0, -2 * call.f0};
  Real slim = limit.slim;
  int access = limit.access;
  Point previous{0, search.f0, search.slope0};
  Real alpha = slim > 1 ? 1 : kFirstFraction * slim;
  bool atBoundary = false;
  int extensions = 0;

  // bounded: each pass extends (at most kMaxExtensions), reaches the
  // boundary (once) or leaves
  for (int pass = 0; pass <= kMaxExtensions + 1; ++pass) {
    if (!search.tryStep(alpha, previous.alpha)) return kMethodNoValue;
    const Trial& t = call.trial;
    if (search.failedAt > 0) {
      // a failed trial was retried shorter: nothing beyond it is admissible
      slim = search.failedAt;
      access = kStrictBound;
      atBoundary = false;
    }
    alpha = t.alpha;
    if (t.stops() || search.acceptable(t)) {
      acceptTrial(call);
      return kMethodOk;
    }
    search.first = false;
    if (!(t.slope < 0 && t.f < search.f0))
      return interpolate(search, previous, Point{t.alpha, t.f, t.slope}, atBoundary);
    // still falling: the minimum along the line lies further out
    if (atBoundary) {
      acceptTrial(call);
      return kMethodOk;
    }
    previous = Point{t.alpha, t.f, t.slope};
    if (access == kStrictBound) {
      if (++extensions > kMaxExtensions) return kMethodNoInterval;
      alpha = std::min(alpha + kExtendFraction * (slim - alpha), kExtendGrowth * alpha);
    } else {
      const Real boundary = boundaryFraction(access) * slim;
      if (boundary <= alpha) {
        acceptTrial(call);
        return kMethodOk;
      }
      alpha = boundary;
      atBoundary = true;
    }
  }
  return kMethodNoInterval;
}

}  // namespace pf
