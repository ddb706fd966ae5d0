#include "calc/solve/nle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/bomb.h"
#include "tests/calc/solve/test_system.h"

namespace pf {
namespace {

using test::Console;
using test::form;
using test::product;
using test::ranged;
using test::TestSystem;
using test::Values;

NleOptions options(bool lineSearch, int printLevel = 0) {
  NleOptions o;
  o.lineSearch = lineSearch;
  o.printLevel = printLevel;
  return o;
}

// 2x + y - z = 1, x + 3y + z = 10, -x + y + 4z = 13: x = 1, y = 2, z = 3.
TestSystem linearSystem() {
  TestSystem s;
  s.list = {ranged("x", 0, -10, 10), ranged("y", 0, -10, 10), ranged("z", 0, -10, 10)};
  s.equations = 3;
  s.residuals = [](const Values& x, Values& r) {
    r[0] = 2 * x[0] + x[1] - x[2] - 1;
    r[1] = x[0] + 3 * x[1] + x[2] - 10;
    r[2] = -x[0] + x[1] + 4 * x[2] - 13;
    return true;
  };
  s.derivatives = [](const Values&, Values& j) { j = {2, 1, -1, 1, 3, 1, -1, 1, 4}; };
  return s;
}

// The unit circle and the parabola y = x^2 meet at x^2 = (sqrt 5 - 1) / 2.
TestSystem curves() {
  TestSystem s;
  s.list = {ranged("x", 0.5L, 0, 2), ranged("y", 0.5L, 0, 2)};
  s.equations = 2;
  s.residuals = [](const Values& x, Values& r) {
    r[0] = x[0] * x[0] + x[1] * x[1] - 1;
    r[1] = x[1] - x[0] * x[0];
    return true;
  };
  s.derivatives = [](const Values& x, Values& j) { j = {2 * x[0], 2 * x[1], -2 * x[0], 1}; };
  return s;
}

// r = exp(x): every Gauss-Newton step lowers x by exactly 1, so from x = 15
// the residual is still about 1e-4 after 25 iterations. Each step is half
// a step scale, too large for dxstop.
TestSystem endlessDescent(Real start, Real range) {
  TestSystem s;
  s.list = {ranged("x", start, -range, range, 1 / range)};
  s.equations = 1;
  s.residuals = [](const Values& x, Values& r) {
    r[0] = std::exp(x[0]);
    return true;
  };
  s.derivatives = [](const Values& x, Values& j) { j = {std::exp(x[0])}; };
  return s;
}

// r = 1 - exp(-10 (x - 0.1)) from x = 0.5: the Newton step overshoots far
// below x = 0, where the site fraction x would turn negative.
TestSystem overshooting() {
  TestSystem s;
  s.list = {ranged("x", 0.5L, -1, 1, 1e-5L)};
  s.equations = 1;
  s.residuals = [](const Values& x, Values& r) {
    r[0] = 1 - std::exp(-10 * (x[0] - 0.1L));
    return true;
  };
  s.derivatives = [](const Values& x, Values& j) { j = {10 * std::exp(-10 * (x[0] - 0.1L))}; };
  s.limits.siteFractions.push_back({"x(A)", {product(1, {form(0, {{1, 0}})})}});
  return s;
}

// r = x - 2 from x = 0.5 with x in [0, 1]: the full step would leave the range.
TestSystem beyondBound(Real start, int upperRule) {
  TestSystem s;
  s.list = {ranged("x", start, 0, 1)};
  s.list[0].upperRule = upperRule;
  s.equations = 1;
  s.residuals = [](const Values& x, Values& r) {
    r[0] = x[0] - 2;
    return true;
  };
  s.derivatives = [](const Values&, Values& j) { j = {1}; };
  return s;
}

TEST(Nle, KnownSolutionsWithBothMethods) {
  const Real golden = (std::sqrt(5.0L) - 1) / 2;
  struct Case {
    const char* name;
    TestSystem (*make)();
    Values solution;
  };
  const Case cases[] = {
      {"linear", linearSystem, {1, 2, 3}},
      {"curves", curves, {std::sqrt(golden), golden}},
  };
  for (bool lineSearch : {true, false})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (lineSearch ? " steplength" : " trust region"));
      TestSystem s = c.make();
      Console console;
      NleResult result = nle(s, options(lineSearch), console.io);
      EXPECT_EQ(result.code, kConverged);
      EXPECT_FALSE(result.rankDeficient);
      EXPECT_LE(result.iterations, 12);
      for (std::size_t q = 0; q < c.solution.size(); ++q) {
        EXPECT_LE(std::fabs(s.list[q].value - c.solution[q]), 1e-9L) << s.list[q].name;
        EXPECT_LE(std::fabs(s.visited.back()[q] - s.list[q].value), 1e-15L);
      }
      EXPECT_LE(result.maxResidual, 1e-8L);
      EXPECT_EQ(console.text(), "");
    }
}

TEST(Nle, LinearSystemNeedsOneStep) {
  TestSystem s = linearSystem();
  Console console;
  NleResult result = nle(s, options(true), console.io);
  EXPECT_EQ(result.code, kConverged);
  EXPECT_EQ(result.iterations, 1);
  // start, start of iteration 1, one trial
  EXPECT_EQ(result.evaluations, 3);
  EXPECT_LE(result.maxResidual, 1e-15L);
}

TEST(Nle, ExactlyDependentRowConvergesRankDeficient) {
  for (bool lineSearch : {true, false}) {
    TestSystem s;
    s.list = {ranged("x", 0.2L, 0, 1), ranged("y", 0.3L, 0, 1)};
    s.equations = 2;
    s.residuals = [](const Values& x, Values& r) {
      r[0] = x[0] + x[1] - 1;
      r[1] = 2 * x[0] + 2 * x[1] - 2;
      return true;
    };
    s.derivatives = [](const Values&, Values& j) { j = {1, 1, 2, 2}; };
    Console console;
    NleResult result = nle(s, options(lineSearch), console.io);
    EXPECT_EQ(result.code, kConverged) << lineSearch;
    EXPECT_TRUE(result.rankDeficient) << lineSearch;
    // the truncated decomposition moves along (1, 1) only
    EXPECT_LE(std::fabs(s.list[0].value - 0.45L), 1e-12L) << lineSearch;
    EXPECT_LE(std::fabs(s.list[1].value - 0.55L), 1e-12L) << lineSearch;
  }
}

TEST(Nle, StartAtTheSolutionStopsInTheFirstTrialOnEsize) {
  for (bool lineSearch : {true, false}) {
    TestSystem s = linearSystem();
    s.list[0].value = 1;
    s.list[1].value = 2;
    s.list[2].value = 3;
    Console console;
    NleResult result = nle(s, options(lineSearch, 2), console.io);
    EXPECT_EQ(result.code, kConverged);
    EXPECT_EQ(result.iterations, 1);
    EXPECT_EQ(result.evaluations, 3);
    EXPECT_EQ(console.text(), "   size of max residual (esize)\n");
  }
}

TEST(Nle, FullStepBeyondABoundTriesNineTenthsOfTheLimitThenTheBoundary) {
  TestSystem s = beyondBound(0.5L, 0);
  Console console;
  NleResult result = nle(s, options(true), console.io);
  // step -1.5 from 0.5: the upper bound 1 is a third of the way
  ASSERT_GE(s.visited.size(), 4u);
  EXPECT_LE(std::fabs(s.visited[2][0] - 0.95L), 1e-15L);
  EXPECT_LE(std::fabs(s.visited[3][0] - 1), 1e-9L);  // the accessible boundary
  EXPECT_LT(s.visited[3][0], 1);
  // sitting on the bound, the next step points out of the range
  EXPECT_EQ(result.code, kSlimTooSmall);
  EXPECT_EQ(result.iterations, 2);
  EXPECT_EQ(s.visited.size(), 5u);  // no trial after the second start
}

TEST(Nle, StrictBoundIsOnlyApproachedAndGivesUpAfterTenExtensions) {
  TestSystem s = beyondBound(0.5L, kStrictBound);
  Console console;
  NleResult result = nle(s, options(true), console.io);
  EXPECT_EQ(result.code, kNoInterval);
  for (const Values& x : s.visited) EXPECT_LT(x[0], 1);
  // the failed search leaves the point where the iteration started
  EXPECT_EQ(s.list[0].value, 0.5L);
  EXPECT_EQ(s.visited.back()[0], 0.5L);
  EXPECT_EQ(result.maxResidual, 1.5L);
  EXPECT_EQ(result.sumOfSquares, 1.125L);
  // start, iteration start, first trial, ten extended trials, and once more
  // at the point handed back
  EXPECT_EQ(result.evaluations, 2 + 1 + 11);
}

TEST(Nle, SlimBelowTheSmallestStepReturnsCodeSevenWithoutATrial) {
  TestSystem s = beyondBound(1 - 1e-12L, 0);
  s.list.insert(s.list.begin(), ranged("T", 873, 273, 2273, 1, false));
  s.list.front().shownInCelsius = true;
  s.list.insert(s.list.begin(), ranged("P", 8, 0, 50, 1, false));
  s.residuals = [](const Values& x, Values& r) {
    r[0] = x[2] - 2;
    return true;
  };
  s.derivatives = [](const Values&, Values& j) { j = {0, 0, 1}; };
  s.extras = 1;
  Console console;
  NleResult result = nle(s, options(true, 2), console.io);
  EXPECT_EQ(result.code, kSlimTooSmall);
  EXPECT_EQ(s.visited.size(), 2u);
  EXPECT_EQ(console.text(),
            "No solution (7):\n"
            "   slim too small (on edge looking out?)\n"
            "at which stage x was:\n"
            "           P           T           x       mode1\n"
            "     8.00000     600.000     1.00000    0.250000\n" +
                std::string(60, '_') + "\n");
}

TEST(Nle, NoSolutionAfterTheIterationLimit) {
  struct Case {
    bool lineSearch;
    Real start;
    Real range;
    int iterations;
  };
  for (const Case& c : {Case{true, 15, 100, 25}, Case{false, 120, 1000, 100}}) {
    TestSystem s = endlessDescent(c.start, c.range);
    Console console;
    NleResult result = nle(s, options(c.lineSearch, 2), console.io);
    EXPECT_EQ(result.code, kTooManyIterations);
    EXPECT_EQ(result.iterations, c.iterations);
    EXPECT_NE(console.text().find("No solution (2):\n   too many iterations (overit)\n"),
              std::string::npos);
  }
}

TEST(Nle, SiteFractionCutKeepsTheSiteFractionPositive) {
  for (bool lineSearch : {true, false}) {
    SCOPED_TRACE(lineSearch ? "steplength" : "trust region");
    TestSystem s = overshooting();
    Console console;
    NleResult result = nle(s, options(lineSearch), console.io);
    EXPECT_EQ(result.code, kConverged);
    EXPECT_LE(std::fabs(s.list[0].value - 0.1L), 1e-7L);
    for (const Values& x : s.visited) EXPECT_GT(x[0], 0);
    if (lineSearch) {
      // the cut: 0.99 of the way to x = 0, and the first trial at 0.9 of that
      EXPECT_LE(std::fabs(s.visited[2][0] - (0.5L - 0.9L * 0.99L * 0.5L)), 1e-12L);
    }
  }
}

TEST(Nle, AnalyticalAndFiniteDifferenceJacobiansAgree) {
  TestSystem s = curves();
  NleOptions o = options(true);
  o.jacobianMode = 1;
  Console console;
  NleResult result = nle(s, o, console.io);
  EXPECT_EQ(result.code, kConverged);
  std::istringstream lines(console.text());
  std::string line;
  int tables = 0;
  int compared = 0;
  bool inDifference = false;
  while (std::getline(lines, line)) {
    if (line == "analytical jacobian") ++tables;
    if (line == "fd jacobian") ++tables;
    if (line == "% difference") {
      inDifference = true;
      continue;
    }
    if (line == "analytical jacobian") inDifference = false;
    if (!inDifference) continue;
    std::istringstream fields(line);
    std::string field;
    while (fields >> field) {
      EXPECT_LT(std::fabs(std::stold(field)), 1e-4L) << line;
      ++compared;
    }
  }
  EXPECT_EQ(tables, 2 * result.iterations);
  EXPECT_EQ(compared, 4 * result.iterations);
}

// r = x^2 - 0.36 from x = 1, the upper end of x's range: the forward
// difference point lies beyond it and is refused, so the column is taken
// backward; taken the wrong way the step would point out of the range.
TestSystem startOnUpperBound() {
  TestSystem s;
  s.list = {ranged("x", 1, 0, 1)};
  s.equations = 1;
  s.residuals = [](const Values& x, Values& r) {
    r[0] = x[0] * x[0] - 0.36L;
    return true;
  };
  s.derivatives = [](const Values& x, Values& j) { j = {2 * x[0]}; };
  return s;
}

TEST(Nle, FiniteDifferenceJacobianSolvesAsWell) {
  struct Case {
    const char* name;
    TestSystem (*make)();
    int mode;
    bool analytical;
    Values solution;
  };
  const Real golden = (std::sqrt(5.0L) - 1) / 2;
  const Case cases[] = {
      {"curves, compared", curves, 2, true, {std::sqrt(golden), golden}},
      {"curves, no analytical jacobian", curves, 0, false, {std::sqrt(golden), golden}},
      {"on the upper bound, compared", startOnUpperBound, 2, true, {0.6L}},
      {"on the upper bound, no analytical jacobian", startOnUpperBound, 0, false, {0.6L}},
  };
  for (bool lineSearch : {true, false})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (lineSearch ? " steplength" : " trust region"));
      TestSystem s = c.make();
      if (!c.analytical) s.derivatives = nullptr;
      NleOptions o = options(lineSearch);
      o.jacobianMode = c.mode;
      Console console;
      NleResult result = nle(s, o, console.io);
      EXPECT_EQ(result.code, kConverged);
      for (std::size_t q = 0; q < c.solution.size(); ++q)
        EXPECT_LE(std::fabs(s.list[q].value - c.solution[q]), 1e-8L);
      // mode 2 still asks for the analytical jacobian, to compare
      EXPECT_EQ(std::count(s.withJacobian.begin(), s.withJacobian.end(), true) > 0, c.analytical);
    }
}

// rho, the reduction of f over the reduction the linear model predicts,
// printed in the first iteration's line of the trust-region method.
TEST(Nle, TrustRegionRatioIsActualOverPredictedReduction) {
  // x^2 - 0.25 from 1: the Gauss-Newton step to 0.625 fits the radius;
  // f goes from 0.28125 to 0.0098876953125, the model predicts all of it
  TestSystem square;
  square.list = {ranged("x", 1, 0, 1)};
  square.equations = 1;
  square.residuals = [](const Values& x, Values& r) {
    r[0] = x[0] * x[0] - 0.25L;
    return true;
  };
  square.derivatives = [](const Values& x, Values& j) { j = {2 * x[0]}; };
  // x - 0.9, y - 0.9 from (0, 0): the Gauss-Newton step is longer than the
  // radius, the shorter step along it (lambda = 0.9 sqrt 2 - 1) is exact for
  // linear equations
  TestSystem far;
  far.list = {ranged("x", 0, 0, 1), ranged("y", 0, 0, 1)};
  far.equations = 2;
  far.residuals = [](const Values& x, Values& r) {
    r[0] = x[0] - 0.9L;
    r[1] = x[1] - 0.9L;
    return true;
  };
  far.derivatives = [](const Values&, Values& j) { j = {1, 0, 0, 1}; };
  struct Case {
    const char* name;
    TestSystem* system;
    Real lambda;
    Real rho;
  };
  const Case cases[] = {
      {"square", &square, 0, 1 - 0.0098876953125L / 0.28125L},
      {"far", &far, 0.9L * std::sqrt(2.0L) - 1, 1},
  };
  for (const Case& c : cases) {
    Console console;
    NleResult result = nle(*c.system, options(false, 3), console.io);
    EXPECT_EQ(result.code, kConverged) << c.name;
    std::istringstream lines(console.text());
    std::string line;
    std::getline(lines, line);  // heading
    std::getline(lines, line);  // columns
    std::getline(lines, line);  // iteration 1
    std::istringstream fields(line);
    std::string it, f, maxe, delta, lambda, rho;
    fields >> it >> f >> maxe >> delta >> lambda >> rho;
    EXPECT_EQ(it, "1") << c.name;
    EXPECT_NEAR(static_cast<double>(std::stold(lambda)), static_cast<double>(c.lambda), 1e-5)
        << c.name << ": " << line;
    EXPECT_NEAR(static_cast<double>(std::stold(rho)), static_cast<double>(c.rho), 1e-5)
        << c.name << ": " << line;
  }
}

TEST(Nle, SingularJacobianStopsWithCodeThree) {
  struct Case {
    const char* name;
    Values jacobian;
  };
  const Case cases[] = {
      {"zero", {0, 0, 0, 0}},
      {"nearly dependent", {1, 1, 1, 1 + 1e-9L}},
  };
  for (const Case& c : cases) {
    TestSystem s;
    s.list = {ranged("x", 0.5L, 0, 1), ranged("y", 0.5L, 0, 1)};
    s.equations = 2;
    Values j = c.jacobian;
    s.residuals = [](const Values&, Values& r) {
      r[0] = 0;
      r[1] = 1;
      return true;
    };
    s.derivatives = [j](const Values&, Values& out) { out = j; };
    Console console;
    NleResult result = nle(s, options(true, 4), console.io);
    EXPECT_EQ(result.code, kJacobianSingular) << c.name;
    EXPECT_NE(
        console.text().find("singular jacobian - coplanar starting guesses or pathological case?\n"
                            "           x           y\n"),
        std::string::npos)
        << c.name;
    EXPECT_NE(console.text().find("No solution (3):\n   jacobian singular in steplength\n"),
              std::string::npos);
  }
}

TEST(Nle, PrintLevelThreeWritesAHeaderAndALinePerIteration) {
  for (bool lineSearch : {true, false}) {
    TestSystem s = curves();
    Console console;
    NleResult result = nle(s, options(lineSearch, 3), console.io);
    ASSERT_EQ(result.code, kConverged);
    std::string text = console.text();
    EXPECT_EQ(text.rfind(lineSearch ? "nle, steplength algorithm: 2 unknowns, 2 equations\n"
                                    : "nle, trust region: 2 unknowns, 2 equations\n",
                         0),
              0u);
    int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    // header, columns, one per iteration, the convergence reason
    EXPECT_EQ(lines, 2 + result.iterations + 1) << text;
  }
}

// ---- bad input: codes or fatal stops, never a hang

void expectBomb(TestSystem& s, const NleOptions& o, const std::string& procedure,
                const std::string& message, const std::string& console = "") {
  Console c;
  try {
    nle(s, o, c.io);
    ADD_FAILURE() << "no stop for " << message;
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, procedure);
    EXPECT_EQ(b.message, message);
  }
  if (!console.empty()) {
    EXPECT_EQ(c.text(), console);
  }
}

TEST(Nle, NaNResidualOrJacobianIsFatal) {
  for (bool lineSearch : {true, false}) {
    TestSystem s = curves();
    s.residuals = [](const Values&, Values& r) {
      r[0] = NAN;
      r[1] = 0;
      return true;
    };
    expectBomb(s, options(lineSearch), "startup", "residual NaN");

    TestSystem t = curves();
    t.derivatives = [](const Values&, Values& j) { j = {1, NAN, 0, 1}; };
    expectBomb(t, options(lineSearch), "startup", "jacobian NaN");
  }
}

TEST(Nle, NaNAtATrialPointIsFatal) {
  TestSystem s = curves();
  auto base = s.residuals;
  s.residuals = [base](const Values& x, Values& r) {
    base(x, r);
    if (x[0] != 0.5L) r[1] = NAN;
    return true;
  };
  expectBomb(s, options(true), "startup", "residual NaN");
}

TEST(Nle, DivisionByZeroInTheJacobianNamesTheQuantities) {
  // the console cuts the long line at the page width; the log keeps it whole
  const std::string text =
      "Divide by zero occurred during calculation of jacobian??\n"
      "Check that initial guess substituted into a composition term doesn't give zero#\n"
      "If so, change starting guess or guesses:\n"
      "           x           y\n"
      "    0.500000    0.500000\n";
  TestSystem s = curves();
  s.derivatives = [](const Values&, Values& j) { j = {1, 1 / std::fabs(0.0L), 0, 1}; };
  expectBomb(s, options(true), "startup", "divide by zero in jacobian", text);
}

TEST(Nle, FailedStart) {
  struct Case {
    int printLevel;
    bool minimising;
    bool fatal;
  };
  for (const Case& c : {Case{1, false, true}, Case{0, false, false}, Case{1, true, false}}) {
    TestSystem s = curves();
    s.residuals = [](const Values&, Values&) { return false; };
    NleOptions o = options(true, c.printLevel);
    o.minimising = c.minimising;
    if (c.fatal) {
      expectBomb(s, o, "nle", "illegal start",
                 "solver could not start\n"
                 "           x           y\n"
                 "    0.500000    0.500000\n");
      continue;
    }
    Console console;
    NleResult result = nle(s, o, console.io);
    EXPECT_EQ(result.code, kCouldNotStart);
    EXPECT_EQ(result.evaluations, 1);
    EXPECT_EQ(console.text(), "solver could not start\n");
    EXPECT_EQ(s.list[0].value, 0.5L);
  }
}

TEST(Nle, EveryTrialFailing) {
  for (bool lineSearch : {true, false}) {
    auto failing = [] {
      TestSystem s = curves();
      auto base = s.residuals;
      s.residuals = [base](const Values& x, Values& r) { return x[0] == 0.5L && base(x, r); };
      return s;
    };
    TestSystem fatal = failing();
    // the stage is the iteration: one line search, or ten rejected radii
    expectBomb(fatal, options(lineSearch, 1), "nle", lineSearch ? "not ok (1)" : "not ok (10)");

    TestSystem soft = failing();
    Console console;
    NleResult result = nle(soft, options(lineSearch, 0), console.io);
    EXPECT_EQ(result.code, kNoValueInInterval) << lineSearch;
    EXPECT_LE(result.evaluations, 2 + 2 * 10);
    // handed back where it started, with the caller's tables there too
    EXPECT_EQ(soft.list[0].value, 0.5L);
    EXPECT_EQ(soft.visited.back()[0], 0.5L);
  }
}

TEST(Nle, FailedTrialIsRetriedShorter) {
  // r = tanh(5 (x - 0.4)) from 0.1, with points above x = 0.5 refused: the
  // Newton step overshoots into them, the search falls back and goes on
  TestSystem s;
  s.list = {ranged("x", 0.1L, 0, 1)};
  s.equations = 1;
  s.residuals = [](const Values& x, Values& r) {
    r[0] = std::tanh(5 * (x[0] - 0.4L));
    return x[0] <= 0.5L;
  };
  s.derivatives = [](const Values& x, Values& j) {
    Real t = std::tanh(5 * (x[0] - 0.4L));
    j = {5 * (1 - t * t)};
  };
  Console console;
  NleResult result = nle(s, options(true), console.io);
  EXPECT_EQ(result.code, kConverged);
  EXPECT_LE(std::fabs(s.list[0].value - 0.4L), 1e-8L);
}

TEST(Nle, UnknownAccessibilityCodeIsFatal) {
  TestSystem s = beyondBound(0.5L, 7);
  expectBomb(s, options(true), "steplength", "unknown accessibility");
}

TEST(Nle, CallerTablesAreCheckedBeforeUse) {
  struct Case {
    const char* name;
    void (*spoil)(TestSystem&);
  };
  const Case cases[] = {
      {"step scale", [](TestSystem& s) { s.list[0].stepScale = 0; }},
      {"scale", [](TestSystem& s) { s.list[1].scale = 0; }},
      {"limit index",
       [](TestSystem& s) {
         s.limits.variableLimits.push_back(form(1, {{1, 7}}));
       }},
      {"factor count",
       [](TestSystem& s) {
         s.limits.siteFractions.push_back({"bad", {product(1, {})}});
       }},
      {"too many site fractions",
       [](TestSystem& s) {
         s.limits.siteFractions.assign(kMaxTrackedSiteFractions + 1,
                                       {"x", {product(1, {form(0, {{1, 0}})})}});
       }},
  };
  for (const Case& c : cases) {
    TestSystem s = curves();
    c.spoil(s);
    Console console;
    EXPECT_THROW(nle(s, options(true), console.io), Bombed) << c.name;
    EXPECT_TRUE(s.visited.empty()) << c.name;
  }
}

TEST(Nle, WorkspaceIsReusedAcrossCalls) {
  NleWorkspace workspace;
  for (int round = 0; round < 3; ++round) {
    TestSystem s = round == 1 ? linearSystem() : curves();
    Console console;
    EXPECT_EQ(nle(s, options(round != 2), console.io, workspace).code, kConverged);
  }
}

}  // namespace
}  // namespace pf
