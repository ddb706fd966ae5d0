#include "calc/reactions/reaction_line.h"

#include <algorithm>
#include <cmath>

#include "common/bomb.h"

namespace pf {

namespace {

constexpr int kHalvings = 200;  // far more than any window needs at these tolerances

int signOf(Real g) {
  return g > 0 ? 1 : (g < 0 ? -1 : 0);
}

}  // namespace

bool insideLine(const LinePlan& plan, Real x) {
  return plan.lo <= x && x <= plan.hi;
}

Real xco2Step(Real base, Real x) {
  Real h = x > 0.9L ? base * (1 - x) : (x < 0.1L ? base * x : 0.1L * base);
  if (x + h >= 1) h = -h;
  return h;
}

Real setlimit(int kind, Real base, Real x) {
  switch (kind) {
    case kRangeT:
      return base;
    case kRangeP:
      return x <= 1 ? base * std::max(x, Real{1e-6L}) : base;
    case kRangeX:
      return std::fabs(xco2Step(base, x));
    default:
      bomb("setlimit", "unknown type", 1);
  }
}

LineValue calc(const LineFunction& f, const LinePlan& plan, Real x) {
  LineValue v = f(x);
  if (plan.kind == kRangeX) {
    Real h = xco2Step(plan.base, x);
    v.slope = (f(x + h).g - v.g) / h;
  }
  return v;
}

Real iterate(const LineFunction& f, const LinePlan& plan, Real start) {
  Real x = start;
  int exits = 0;
  int steps = 3 * plan.n + 9;
  for (int k = 0; k < steps; ++k) {
    LineValue v = calc(f, plan, x);
    if (!std::isfinite(v.g) || !std::isfinite(v.slope) || v.slope == 0) return kNoRoot;
    Real step = v.g / v.slope;
    Real next = x - step;
    Real tolerance = setlimit(plan.kind, plan.base, x);
    if (plan.kind == kRangeX) {
      if (next < plan.lo) next = (x + plan.lo) / 2;
      if (next > plan.hi) next = (x + plan.hi) / 2;
    } else if (next < plan.lo || next > plan.hi) {
      if (++exits == 2) return kNoRoot;
      next = std::clamp(next, plan.lo, plan.hi);
    }
    x = next;
    if (std::fabs(step) < tolerance) {
      if (insideLine(plan, x)) return x;
      return x < plan.lo ? plan.lo - 1 : plan.hi + 1;
    }
  }
  return kNoRoot;
}

Real intervalHalving(const LineFunction& f, const LinePlan& plan, Real x1, Real x2, int limit) {
  if (limit < 1) bomb("interval halving", "v2<v1", 1);
  Real g1 = f(x1).g, g2 = f(x2).g;
  if (signOf(g1) * signOf(g2) > 0) bomb("interval halving", "same sign", 1);
  if (g1 == 0) return x1;
  if (g2 == 0) return x2;
  for (int k = 0; k < limit && x2 - x1 >= setlimit(plan.kind, plan.base, x1); ++k) {
    Real mid = (x1 + x2) / 2;
    Real g = f(mid).g;
    if (g == 0) return mid;
    if (signOf(g) == signOf(g1)) {
      x1 = mid;
      g1 = g;
    } else {
      x2 = mid;
    }
  }
  return (x1 + x2) / 2;
}

namespace {

// The bracketed root polished by Newton steps, kept only when they stay
// inside the bracket.
Real bracketed(const LineFunction& f, const LinePlan& plan, Real x1, Real x2) {
  Real mid = intervalHalving(f, plan, x1, x2, kHalvings);
  LinePlan inner = plan;
  inner.lo = x1;
  inner.hi = x2;
  Real polished = iterate(f, inner, mid);
  return insideLine(inner, polished) ? polished : mid;
}

// Two Newton results that met at one root: a sign change just beyond it
// means the line crosses again between there and the window's end.
LineRoots secondCrossing(const LineFunction& f, const LinePlan& plan, Real root, int endSign) {
  Real reach = 4 * setlimit(plan.kind, plan.base, root);
  Real right = root + reach, left = root - reach;
  if (right < plan.hi && signOf(f(right).g) == -endSign)
    return {root, bracketed(f, plan, right, plan.hi)};
  if (left > plan.lo && signOf(f(left).g) == -endSign)
    return {bracketed(f, plan, plan.lo, left), root};
  return {root, kNoRoot};
}

}  // namespace

LineRoots find(const LineFunction& f, const LinePlan& plan) {
  LineValue atLo = calc(f, plan, plan.lo);
  LineValue atHi = calc(f, plan, plan.hi);
  if (!std::isfinite(atLo.g) || !std::isfinite(atHi.g)) return {};
  int sLo = signOf(atLo.g), sHi = signOf(atHi.g);
  if (sLo == 0) return {plan.lo, sHi == 0 ? plan.hi : kNoRoot};
  if (sHi == 0) return {plan.hi, kNoRoot};
  if (sLo != sHi) return {bracketed(f, plan, plan.lo, plan.hi), kNoRoot};
  // same sign at both ends: the line may come back into the window
  bool curvesBack = atLo.slope * sLo < 0 && atHi.slope * sHi > 0;
  if (curvesBack) {
    Real r1 = iterate(f, plan, plan.lo);
    Real r2 = iterate(f, plan, plan.hi);
    bool ok1 = insideLine(plan, r1), ok2 = insideLine(plan, r2);
    if (ok1 && ok2) {
      if (r2 < r1) std::swap(r1, r2);
      if (r2 - r1 < 4 * setlimit(plan.kind, plan.base, r1)) return secondCrossing(f, plan, r1, sLo);
      return {r1, r2};
    }
    if (ok1) return {r1, kNoRoot};
    if (ok2) return {r2, kNoRoot};
  }
  // no crossing: the root lies beyond the end where dG is the smaller
  return {std::fabs(atLo.g) < std::fabs(atHi.g) ? plan.lo - 1 : plan.hi + 1, kNoRoot};
}

}  // namespace pf
