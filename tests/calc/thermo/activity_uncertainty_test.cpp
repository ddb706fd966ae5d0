// The default uncertainty of an activity, worked by hand from a = x^m.
#include "calc/thermo/activity_uncertainty.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pf {
namespace {

double d(Real x) {
  return static_cast<double>(x);
}

TEST(DefaultSdActivity, FromTheUncertaintyOfTheSiteFraction) {
  UncertaintyParameters u;
  UncertaintyParameters noRelative;
  noRelative.u1 = 0;
  struct Case {
    Real a;
    int m;
    UncertaintyParameters u;
    double sd;
  };
  const Case cases[] = {
      // x = 0.65: 0.3 x (1 - x)^2 = 0.0239 is below 0.05 x = 0.0325
      {0.274625L, 3, u, 0.274625 * 3 * 0.0325 / 0.65},
      // x = 0.2: 0.3 x (1 - x)^2 = 0.0384 wins
      {0.008L, 3, u, 0.008 * 3 * 0.0384 / 0.2},
      // x = 0.01 is below u2/u1: sd(x) is u2
      {1e-6L, 3, u, 1e-6 * 3 * 0.01 / 0.01},
      // u1 off: sd(x) = max(u2, u3 x)
      {0.5L, 1, noRelative, 0.025},
      {0.1L, 1, noRelative, 0.01},
      // a code of 0 or below counts as 1
      {0.5L, 0, u, 0.3 * 0.5 * 0.25},
      {0.5L, -2, u, 0.3 * 0.5 * 0.25},
      // nothing for an activity of 1 or outside 0..1
      {1, 3, u, 0},
      {1.2L, 3, u, 0},
      {0, 3, u, 0},
  };
  // x is taken in single precision: agreement to its rounding
  for (const Case& c : cases)
    EXPECT_NEAR(d(defaultSdActivity(c.a, c.m, c.u)), c.sd, 1e-6 * c.sd + 1e-15)
        << d(c.a) << " m " << c.m;
}

TEST(SdWithDefault, TheLargerOfTheGivenAndTheDefault) {
  UncertaintyParameters u;
  Real a = 0.274625L;
  Real byDefault = defaultSdActivity(a, 3, u);
  EXPECT_EQ(sdWithDefault(a, 0.06L, 3, u), 0.06L);
  EXPECT_EQ(sdWithDefault(a, 0.01L, 3, u), byDefault);
  EXPECT_EQ(sdWithDefault(a, -0.5L, 3, u), byDefault);
  EXPECT_EQ(sdWithDefault(a, std::nanl(""), 3, u), byDefault);
  EXPECT_EQ(sdWithDefault(1, 0.2L, 3, u), 0);
}

TEST(ActivityExponent, CodeOrOneForMadeEndMembers) {
  EndMember em;
  em.code = 3;
  EXPECT_EQ(activityExponent(em), 3);
  em.code = 0;
  EXPECT_EQ(activityExponent(em), 1);
  em.code = 2;
  em.slot[kMadePhase] = 4;
  EXPECT_EQ(activityExponent(em), 1);
}

}  // namespace
}  // namespace pf
