#include "calc/reactions/reaction_line.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;

double d(Real x) {
  return static_cast<double>(x);
}

// A line given as a polynomial in the variable, with its exact slope.
LineFunction quadratic(Real a, Real b, Real c, int* calls = nullptr) {
  return [=](Real x) {
    if (calls) ++*calls;
    return LineValue{a * x * x + b * x + c, 2 * a * x + b};
  };
}

LinePlan plan(int kind, Real lo, Real hi, Real base) {
  LinePlan s;
  s.kind = kind;
  s.lo = lo;
  s.hi = hi;
  s.base = base;
  return s;
}

TEST(ReactionLine, RootsInsideTheWindow) {
  struct Case {
    LineFunction f;
    LinePlan s;
    Real first;
    Real second;
  };
  const Case cases[] = {
      // crosses once
      {quadratic(0, 2.5L, -2.5L * 651.37L), plan(kRangeT, 500, 800, kBaseT), 651.37L, kNoRoot},
      // curves back inside: two roots, in increasing order
      {quadratic(1, -(612.3L + 731.9L), 612.3L * 731.9L), plan(kRangeT, 500, 800, kBaseT), 612.3L,
       731.9L},
      {quadratic(-0.01L, 0.01L * (3.7L + 11.2L), -0.01L * 3.7L * 11.2L),
       plan(kRangeP, 1, 20, kBaseP), 3.7L, 11.2L},
      // x(CO2) through a forward difference
      {quadratic(0, -3, 3 * 0.2731L), plan(kRangeX, 0.001L, 0.999L, kBaseX), 0.2731L, kNoRoot},
      {quadratic(0, -3, 3 * 0.9937L), plan(kRangeX, 0.001L, 0.999L, kBaseX), 0.9937L, kNoRoot},
  };
  for (const Case& c : cases) {
    LineRoots roots = find(c.f, c.s);
    Real tolerance = 4 * setlimit(c.s.kind, c.s.base, c.first);
    EXPECT_NEAR(d(roots.first), d(c.first), d(tolerance));
    if (c.second == kNoRoot) {
      EXPECT_EQ(roots.second, kNoRoot);
    } else {
      EXPECT_NEAR(d(roots.second), d(c.second), d(tolerance));
    }
  }
}

TEST(ReactionLine, LinesThatMissTheWindowSayWhere) {
  struct Case {
    LineFunction f;
    Real expected;
  };
  const Case cases[] = {
      {quadratic(0, 1, -912.4L), 801},                   // root above
      {quadratic(0, -0.3L, 0.3L * 377), 499},            // root below, falling line
      {quadratic(1, -2 * 640, 640 * 640 + 1), 499},      // a dip that never reaches 0
      {quadratic(-1, 2 * 780, -780 * 780 - 0.5L), 801},  // a hump that never reaches 0
  };
  for (const Case& c : cases) {
    LineRoots roots = find(c.f, plan(kRangeT, 500, 800, kBaseT));
    EXPECT_EQ(roots.first, c.expected);
    EXPECT_EQ(roots.second, kNoRoot);
  }
}

TEST(ReactionLine, EveryIterationIsBounded) {
  // Newton cycles for ever on x^2 + 1; the solver must give up
  int calls = 0;
  LinePlan s = plan(kRangeT, -3, 3, kBaseT);
  s.n = 10;
  Real x = iterate(quadratic(1, 0, 1, &calls), s, 0.5L);
  EXPECT_EQ(x, kNoRoot);
  EXPECT_LE(calls, 3 * s.n + 9);
  calls = 0;
  find(quadratic(1, 0, 1, &calls), s);
  EXPECT_LT(calls, 200);
  // a line that gives no number at all
  LineFunction broken = [](Real) { return LineValue{std::nanl(""), 1}; };
  EXPECT_EQ(find(broken, s).first, kNoRoot);
}

TEST(ReactionLine, StepsAndTolerancesFollowTheVariable) {
  struct Case {
    int kind;
    Real base;
    Real x;
    Real expected;
  };
  const Case cases[] = {
      {kRangeT, 0.01L, 900, 0.01L},
      {kRangeP, 0.001L, 0.37L, 0.001L * 0.37L},  // relative at and below 1 kbar
      {kRangeP, 0.001L, 1, 0.001L},
      {kRangeP, 0.001L, 7.5L, 0.001L},
      {kRangeX, 0.001L, 0.95L, 0.001L * 0.05L},  // near 1: in proportion to 1 - x
      {kRangeX, 0.001L, 0.02L, 0.001L * 0.02L},  // near 0: in proportion to x
      {kRangeX, 0.001L, 0.5L, 0.0001L},
  };
  for (const Case& c : cases) EXPECT_NEAR(d(setlimit(c.kind, c.base, c.x)), d(c.expected), 1e-15);
  // the step keeps x + h below 1
  EXPECT_GT(xco2Step(0.5L, 0.95L), 0);
  EXPECT_LT(xco2Step(30, 0.95L), 0);
  EXPECT_LT(0.95L + xco2Step(30, 0.95L), 1);
}

TEST(ReactionLine, HalvingNeedsABracketAndALimit) {
  LinePlan s = plan(kRangeT, 500, 800, kBaseT);
  Bombed same = bombOf([&] { intervalHalving(quadratic(0, 1, -900), s, 500, 800, 50); });
  EXPECT_EQ(same.procedure, "interval halving");
  EXPECT_EQ(same.message, "same sign");
  EXPECT_EQ(same.kind, 1);
  Bombed limit = bombOf([&] { intervalHalving(quadratic(0, 1, -600), s, 500, 800, 0); });
  EXPECT_EQ(limit.message, "v2<v1");
  EXPECT_NEAR(d(intervalHalving(quadratic(0, 1, -612.345L), s, 500, 800, 60)), 612.345, 1e-4);
}

}  // namespace
}  // namespace pf
