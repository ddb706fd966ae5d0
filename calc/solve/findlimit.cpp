// The step limit: how far the solver may go along y - alpha * step before a
// normalised quantity leaves [0, 1], a variable limit goes negative or a
// tracked site fraction stops being positive.
#include <algorithm>
#include <cmath>
#include <utility>

#include "calc/solve/nle_steps.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr Real kLimitMotion = 5;  // times eps: a limit this slow does not move
constexpr Real kSiteFractionProbe = 0.999999999L;
constexpr Real kSiteFractionBackoff = 0.99L;
constexpr int kMaxBisections = 200;

using Cubic = std::array<Real, 4>;

Real valueAt(const Cubic& p, Real t) {
  return ((p[3] * t + p[2]) * t + p[1]) * t + p[0];
}

// A linear form along the step: its value now and its change per unit step.
void alongStep(const LinearForm& form, std::span<const Real> x, std::span<const Real> xRate,
               Real& value, Real& rate) {
  value = form.constant;
  rate = 0;
  for (int k = 0; k < form.count; ++k) {
    value += form.multiplier[k] * x[form.quantity[k]];
    rate += form.multiplier[k] * xRate[form.quantity[k]];
  }
}

Cubic siteFractionCubic(const SiteFraction& sf, std::span<const Real> x,
                        std::span<const Real> xRate) {
  Cubic sum{};
  for (const ProductTerm& term : sf.terms) {
    if (term.factor == 0) continue;
    Cubic product{term.factor, 0, 0, 0};
    for (int f = 0; f < term.count; ++f) {
      Real a = 0;
      Real b = 0;
      alongStep(term.factors[f], x, xRate, a, b);
      for (int d = 3; d >= 0; --d) product[d] = product[d] * a + (d > 0 ? product[d - 1] * b : 0);
    }
    for (int d = 0; d < 4; ++d) sum[d] += product[d];
  }
  return sum;
}

bool involvesSolved(const LinearForm& form, const std::vector<Quantity>& quantities) {
  for (int k = 0; k < form.count; ++k)
    if (quantities[form.quantity[k]].solved) return true;
  return false;
}

// A zero between lo (value > 0) and hi (value <= 0) of a cubic monotone there.
Real bisect(const Cubic& p, Real lo, Real hi) {
  for (int i = 0; i < kMaxBisections; ++i) {
    Real mid = lo + (hi - lo) / 2;
    if (mid <= lo || mid >= hi) break;
    if (valueAt(p, mid) > 0)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

[[noreturn]] void siteFractionCrash(const SiteFraction& sf, Real value, Real t1, Real t2, Real slim,
                                    Io& io, unsigned mask) {
  io.putstr(0, "crasher with " + sf.name + ", sf term = " + realToText(value), 1, mask);
  io.putstr(0, "t1,t2 = " + realToText(t1) + " " + realToText(t2) + ", slim = " + realToText(slim),
            1, mask);
  io.putstr(0, "I am terribly sorry about this -", 1, mask);
  io.putstr(0, "but someone has miscoded something.", 1, mask);
  io.putstr(0, "So there is nothing else for it...", 1, mask);
  bomb("findlimit", "too many iterations handling site fractions");
}

}  // namespace

bool firstZero(const Cubic& p, Real upto, Real& zero) {
  zero = 0;
  if (!(p[0] > 0)) return true;
  // the turning points split (0, upto) into pieces on which the cubic is
  // monotone; the first piece that ends at or below zero holds the zero
  std::array<Real, 3> ends{};  // two turning points and the end
  int count = 0;
  const Real a = 3 * p[3];
  const Real b = 2 * p[2];
  const Real c = p[1];
  auto keep = [&](Real t) {
    if (t > 0 && t < upto) ends[count++] = t;
  };
  if (a == 0) {
    if (b != 0) keep(-c / b);
  } else {
    Real disc = b * b - 4 * a * c;
    if (disc >= 0) {
      // the form without cancellation: with a tiny cubic term the textbook
      // form rounds the turning point of the near-quadratic away
      Real q = -(b + std::copysign(std::sqrt(disc), b)) / 2;
      keep(q / a);
      if (q != 0) keep(c / q);
    }
  }
  if (count == 2 && ends[1] < ends[0]) std::swap(ends[0], ends[1]);
  ends[count++] = upto;
  Real lo = 0;
  for (int i = 0; i < count; ++i) {
    if (!(valueAt(p, ends[i]) > 0)) {
      zero = bisect(p, lo, ends[i]);
      return true;
    }
    lo = ends[i];
  }
  return false;
}

void fillAlongStep(const std::vector<Quantity>& quantities, std::span<const int> solved,
                   std::span<const Real> y, std::span<const Real> step, std::span<Real> x,
                   std::span<Real> xRate) {
  for (std::size_t i = 0; i < quantities.size(); ++i) {
    x[i] = quantities[i].value;
    xRate[i] = 0;
  }
  for (std::size_t k = 0; k < solved.size(); ++k) {
    const Quantity& q = quantities[solved[k]];
    x[solved[k]] = (y[k] - q.offset) / q.scale;
    xRate[solved[k]] = -step[k] / q.scale;
  }
}

StepLimit findlimit(const std::vector<Quantity>& quantities, std::span<const int> solved,
                    std::span<const Real> y, std::span<const Real> step, const StepBounds& bounds,
                    std::span<const Real> x, std::span<const Real> xRate, std::span<Real> poly,
                    Real eps, Io& io, unsigned mask) {
  StepLimit limit{kNoLimit, 3};

  for (std::size_t k = 0; k < solved.size(); ++k) {
    const Quantity& q = quantities[solved[k]];
    const Real d = step[k];
    if (d > 0 && y[k] < limit.slim * d) {
      limit.slim = (y[k] - 2 * eps) / d;
      limit.access = q.lowerRule;
    } else if (d < 0 && 1 - y[k] < -d * limit.slim) {
      limit.slim = (y[k] - 1 + 2 * eps) / d;
      limit.access = q.upperRule;
    }
  }

  // A limit that does not move along the step cannot be crossed by it, so it
  // sets no bound, just like one moving away from zero.
  for (const LinearForm& form : bounds.variableLimits) {
    if (!involvesSolved(form, quantities)) continue;
    Real value = 0;
    Real increase = 0;
    alongStep(form, x, xRate, value, increase);
    const Real rate = -increase;  // how fast the limit falls toward zero
    if (rate >= kLimitMotion * eps) {
      Real bound = (value - 2 * eps) / rate;
      if (bound < limit.slim) {
        limit.slim = bound;
        limit.access = kStrictBound;
      }
    }
  }

  const std::size_t tracked = bounds.siteFractions.size();
  for (std::size_t i = 0; i < tracked; ++i) {
    Cubic p = siteFractionCubic(bounds.siteFractions[i], x, xRate);
    std::copy(p.begin(), p.end(), poly.begin() + static_cast<std::ptrdiff_t>(4 * i));
  }
  for (int round = 1; round <= kMaxSiteFractionRounds + 1; ++round) {
    bool cut = false;
    for (std::size_t i = 0; i < tracked; ++i) {
      Cubic p{};
      std::copy_n(poly.begin() + static_cast<std::ptrdiff_t>(4 * i), 4, p.begin());
      // a cubic can dip below zero and rise again before the probe point,
      // so the whole stretch up to it is searched, not just its end
      const Real t = kSiteFractionProbe * limit.slim;
      Real zero = 0;
      if (!firstZero(p, t, zero)) continue;
      const Real value = valueAt(p, zero);
      if (round > kMaxSiteFractionRounds)
        siteFractionCrash(bounds.siteFractions[i], value, t, zero, limit.slim, io, mask);
      limit.slim = kSiteFractionBackoff * zero;
      limit.access = kStrictBound;
      cut = true;
    }
    if (!cut) break;
  }

  if (limit.slim > kStepCap) {
    limit.slim = kStepCap;
    limit.access = 3;
  }
  return limit;
}

}  // namespace pf
