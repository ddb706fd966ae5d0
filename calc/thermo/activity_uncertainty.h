// The default uncertainty of an end-member's activity: from the ideal
// relation a = x^m (m the end-member's code), an uncertainty on x that is
// larger for dilute end-members, carried over to a.
#pragma once

#include "calc/thermo/endmember.h"
#include "common/real.h"

namespace pf {

struct UncertaintyParameters {
  Real u1 = 0.3L;   // relative part, x (1 - x)^2 scaled; 0 switches it off
  Real u2 = 0.01L;  // the floor on sd(x) for dilute end-members
  Real u3 = 0.05L;  // sd(x) is at least this fraction of x
};

// The exponent m of a = x^m: the end-member's code, 1 for a code of 0 or
// below and for an end-member made by the a-x file.
int activityExponent(const EndMember& em);

// The default sd(a) of an activity 0 < a < 1; 0 for any other a.
Real defaultSdActivity(Real a, int m, const UncertaintyParameters& u);

// The sd(a) an end-member keeps: the larger of the given one (negative or
// not a number counts as 0) and the default; 0 when a is 1.
Real sdWithDefault(Real a, Real given, int m, const UncertaintyParameters& u);

}  // namespace pf
