#include "calc/thermo/activity_uncertainty.h"

#include <algorithm>
#include <cmath>

namespace pf {

int activityExponent(const EndMember& em) {
  if (em.slot[kMadePhase] != 0) return 1;
  return em.code > 0 ? em.code : 1;
}

Real defaultSdActivity(Real a, int m, const UncertaintyParameters& u) {
  if (!(a > 0 && a < 1)) return 0;
  if (m <= 0) m = 1;
  // x is taken in single precision, as the rule was calibrated
  float xs = std::pow(static_cast<float>(a), 1.0f / static_cast<float>(m));
  Real x = xs;
  if (!(x > 0)) return 0;
  Real sdx = u.u1 != 0 && x >= u.u2 / u.u1 ? u.u1 * x * (1 - x) * (1 - x) : u.u2;
  sdx = std::max(sdx, u.u3 * x);
  return a * m * sdx / x;
}

Real sdWithDefault(Real a, Real given, int m, const UncertaintyParameters& u) {
  if (a == 1) return 0;
  Real sd = std::isfinite(given) && given > 0 ? given : 0;
  return std::max(sd, defaultSdActivity(a, m, u));
}

}  // namespace pf
