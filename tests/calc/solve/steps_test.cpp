#include <gtest/gtest.h>

#include <cmath>

#include "calc/solve/nle_steps.h"
#include "common/bomb.h"
#include "tests/calc/solve/test_system.h"

namespace pf {
namespace {

using test::Console;
using test::form;
using test::product;
using test::ranged;
using test::Values;

// The step limit for the quantities, bounds and step given (x in the
// quantities' units, the step in normalised units).
StepLimit limitFor(const std::vector<Quantity>& quantities, const StepBounds& bounds,
                   const Values& step, Io& io) {
  std::vector<int> solved;
  Values y;
  for (int i = 0; i < static_cast<int>(quantities.size()); ++i)
    if (quantities[i].solved) {
      solved.push_back(i);
      y.push_back(quantities[i].scale * quantities[i].value + quantities[i].offset);
    }
  Values x(quantities.size()), rate(quantities.size());
  Values poly(4 * bounds.siteFractions.size());
  fillAlongStep(quantities, solved, y, step, x, rate);
  return findlimit(quantities, solved, y, step, bounds, x, rate, poly, machineEpsilon(), io,
                   kToConsole);
}

TEST(Findlimit, BoundsOfQuantitiesLimitsAndSiteFractions) {
  const Real eps = machineEpsilon();
  struct Case {
    const char* name;
    std::vector<Quantity> quantities;
    StepBounds bounds;
    Values step;
    Real slim;
    int access;
  };
  // x in [0, 1] at 0.5 (y = x), with lower rule 2 and upper rule 1
  Quantity x = ranged("x", 0.5L, 0, 1);
  x.lowerRule = 2;
  x.upperRule = 1;
  Quantity held = ranged("h", 0.3L, 0, 1, 1, false);
  // a second unknown in [-1, 1] at 0.5 (y = 0.75, scale 1/2)
  Quantity w = ranged("w", 0.5L, -1, 1);
  const SiteFraction linear{"x", {product(1, {form(0, {{1, 0}})})}};
  // x (1 - x): two factors; (x - 0.2)(x + 0.3)(x + 1): three
  const SiteFraction quadratic{"x(1-x)", {product(1, {form(0, {{1, 0}}), form(1, {{-1, 0}})})}};
  const SiteFraction cubic{
      "cubic", {product(1, {form(-0.2L, {{1, 0}}), form(0.3L, {{1, 0}}), form(1, {{1, 0}})})}};
  // (x - 0.3)(x - 0.2) + 0.001 is positive at x = 0 but dips below zero near 0.25
  const SiteFraction dip{
      "dip",
      {product(1, {form(-0.3L, {{1, 0}}), form(-0.2L, {{1, 0}})}), product(0.001L, {form(1, {})})}};
  // the upper of its zeros, 0.25 + sqrt(0.0015), is met first coming down
  const Real dipZero = 0.25L + std::sqrt(0.0015L);
  // site fractions are tried on x in [-10, 10] at 0.5, so that its own
  // bounds are far: a step of 0.005 in y moves x by -0.1
  Quantity wide = ranged("x", 0.5L, -10, 10);
  const Case cases[] = {
      {"no bound", {x}, {}, {1e-3L}, kStepCap, 3},
      {"lower bound", {x}, {}, {2}, (0.5L - 2 * eps) / 2, 2},
      {"upper bound", {x}, {}, {-2}, (0.5L - 1 + 2 * eps) / -2, 1},
      {"held quantity sets none", {held, x}, {}, {1e-3L}, kStepCap, 3},
      {"linear site fraction", {wide}, {{linear}, {}}, {0.005L}, 0.99L * 5, 4},
      {"two factors", {wide}, {{quadratic}, {}}, {-0.005L}, 0.99L * 5, 4},
      {"three factors", {wide}, {{cubic}, {}}, {0.005L}, 0.99L * 3, 4},
      {"dip between end points",
       {wide},
       {{dip}, {}},
       {0.0005L},
       0.99L * (0.5L - dipZero) / 0.01L,
       4},
      {"site fraction moving away", {wide}, {{linear}, {}}, {-1e-4L}, kStepCap, 3},
      // 1.5 - x - w >= 0 falls by 0.01 + 0.02 per unit step from 0.5
      {"variable limit",
       {x, w},
       {{}, {form(1.5L, {{-1, 0}, {-1, 1}})}},
       {-0.01L, -0.01L},
       (0.5L - 2 * eps) / 0.03L,
       4},
      // 1 - x + w stays at 1 when x and w rise together
      {"variable limit not moving",
       {x, w},
       {{}, {form(1, {{-1, 0}, {1, 1}})}},
       {-0.001L, -0.0005L},
       kStepCap,
       3},
      {"variable limit of held quantities only",
       {held, x},
       {{}, {form(0.2L, {{-1, 0}})}},
       {1e-3L},
       kStepCap,
       3},
  };
  for (const Case& c : cases) {
    Console console;
    StepLimit limit = limitFor(c.quantities, c.bounds, c.step, console.io);
    EXPECT_LE(std::fabs(limit.slim - c.slim), 1e-15L * std::max(Real{1}, c.slim))
        << c.name << ": " << static_cast<double>(limit.slim);
    EXPECT_EQ(limit.access, c.access) << c.name;
    EXPECT_EQ(console.text(), "") << c.name;
  }
}

TEST(Findlimit, AStartOnAZeroOfASiteFractionIsAMiscodingStop) {
  std::vector<Quantity> quantities{ranged("x", 0, -1, 1)};
  StepBounds bounds{{{"x(A)", {product(1, {form(0, {{1, 0}})})}}}, {}};
  Console console;
  try {
    limitFor(quantities, bounds, {0.1L}, console.io);
    ADD_FAILURE() << "no stop";
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "findlimit");
    EXPECT_EQ(b.message, "too many iterations handling site fractions");
  }
  EXPECT_EQ(console.text(),
            "crasher with x(A), sf term = 0\n"
            "t1,t2 = 0 0, slim = 0\n"
            "I am terribly sorry about this -\n"
            "but someone has miscoded something.\n"
            "So there is nothing else for it...\n");
}

TEST(FirstZero, FindsTheNearestZeroAlongTheStep) {
  struct Case {
    std::array<Real, 4> p;
    Real upto;
    bool found;
    Real zero;
  };
  const Case cases[] = {
      {{1, -1, 0, 0}, 2, true, 1},
      {{1, -1, 0, 0}, 0.5L, false, 0},
      {{0, 1, 0, 0}, 1, true, 0},  // not positive at the start
      {{-1, 1, 0, 0}, 1, true, 0},
      {{2, -3, 1, 0}, 5, true, 1},             // (t - 1)(t - 2)
      {{0.0625L, -1, 4, 0}, 1, true, 0.125L},  // double zero at 1/8
      {{6, -11, 6, -1}, 10, true, 1},          // -(t - 1)(t - 2)(t - 3)
      {{-6, 11, -6, 1}, 10, true, 0},
      {{1, 0, 0, 1}, 10, false, 0},  // rising
      // (t - 1)(t - 2) with a cubic term far below rounding of the others:
      // the dip between 1 and 2 is still found
      {{2, -3, 1, 1e-25L}, 5, true, 1},
      {{2, -3, 1, -1e-25L}, 5, true, 1},
  };
  for (const Case& c : cases) {
    Real zero = -1;
    EXPECT_EQ(firstZero(c.p, c.upto, zero), c.found) << static_cast<double>(c.p[0]);
    if (c.found) {
      EXPECT_LE(std::fabs(zero - c.zero), 1e-9L) << static_cast<double>(zero);
      EXPECT_LE(zero, c.zero);  // never past it
    }
  }
}

TEST(Cubicstep, MinimiserOfTheMatchingCubic) {
  struct Case {
    Real a, fa, ga, b, fb, gb;
    Real expected;
  };
  const Case cases[] = {
      // f = (t - 0.3)^2: a quadratic is matched exactly
      {0, 0.09L, -0.6L, 1, 0.49L, 1.4L, 0.3L},
      // f = t^3 - t on [0, 1]: minimum at 1/sqrt(3)
      {0, 0, -1, 1, 0, 2, 1 / std::sqrt(3.0L)},
      // the same cubic seen on [0.2, 0.9]
      {0.2L, 0.008L - 0.2L, 0.12L - 1, 0.9L, 0.729L - 0.9L, 2.43L - 1, 1 / std::sqrt(3.0L)},
      // still falling at b, but f rose: the minimum is inside
      {0, 1, -1, 2, 1.5L, -0.1L, 0},
  };
  Console console;
  for (const Case& c : cases) {
    Real t = cubicstep(c.a, c.fa, c.ga, c.b, c.fb, c.gb, console.io, kToConsole);
    EXPECT_GE(t, c.a);
    EXPECT_LE(t, c.b);
    if (c.expected > 0) {
      EXPECT_LE(std::fabs(t - c.expected), 1e-15L) << static_cast<double>(t);
    }
  }
  EXPECT_EQ(console.text(), "");
}

TEST(Cubicstep, NeitherStationaryPointInsideIsFatal) {
  Console console;
  // rising and convex on [1, 2]: the only stationary point is left of 1
  try {
    cubicstep(1, 0, 1, 2, 1.5L, 2, console.io, kToConsole);
    ADD_FAILURE() << "no stop";
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "steplength");
    EXPECT_EQ(b.message, "neither in interval");
  }
  EXPECT_EQ(console.text(),
            "neither in interval: info\n"
            "1: 0\n"
            "2: 0\n"
            "a,b:1.00000 2.00000\n");
  try {
    cubicstep(NAN, 0, -1, 1, 0, 1, console.io, kToConsole);
    ADD_FAILURE() << "no stop";
  } catch (const Bombed& b) {
    EXPECT_EQ(b.message, "stepa/stepb are NaN");
  }
}

TEST(Findv, LevenbergMarquardtStepHasTheRadiusLength) {
  struct Case {
    Values sigma, c;
    Real delta;
  };
  const Case cases[] = {
      {{1}, {1}, 0.5L},
      {{3, 1, 0.01L}, {1, -2, 0.5L}, 0.1L},
      {{1e3L, 1e-2L}, {5, 5}, 1},
      {{2, 2}, {1, 1}, 1e-6L},
  };
  for (const Case& c : cases) {
    Real lambda = findv(c.sigma, c.c, c.delta);
    EXPECT_GT(lambda, 0);
    Real squares = 0;
    for (std::size_t l = 0; l < c.sigma.size(); ++l) {
      Real s = c.c[l] * c.sigma[l] / (c.sigma[l] * c.sigma[l] + lambda);
      squares += s * s;
    }
    EXPECT_LE(std::fabs(std::sqrt(squares) / c.delta - 1), 1e-6L) << static_cast<double>(c.delta);
  }
  // a Gauss-Newton step inside the radius needs no damping
  EXPECT_EQ(findv(Values{2}, Values{1}, 1), 0);
  EXPECT_EQ(findv(Values{2}, Values{0}, 1), 0);
}

}  // namespace
}  // namespace pf
