// Many starts of one nonlinear system with bounded unknowns and site
// fractions: whatever the start, the solver ends with a code (no fatal stop,
// no hang) and never evaluates a point outside the bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "calc/solve/nle.h"
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

constexpr int kUnknowns = 6;
constexpr int kStarts = 150;

// (3 - 2 x_i) x_i - x_(i-1) - 2 x_(i+1) + 1 = 0, a system with many local
// minima of the sum of squares, with (1.9 + x_i)(2.1 - x_i) > 0 for each i.
TestSystem tridiagonal(const Values& start) {
  TestSystem s;
  for (int i = 0; i < kUnknowns; ++i) {
    s.list.push_back(ranged("x" + std::to_string(i + 1), start[i], -2, 2, 1e-5L));
    s.limits.siteFractions.push_back(
        {"sf", {product(1, {form(1.9L, {{1, i}}), form(2.1L, {{-1, i}})})}});
  }
  s.equations = kUnknowns;
  s.residuals = [](const Values& x, Values& r) {
    for (int i = 0; i < kUnknowns; ++i) {
      Real left = i > 0 ? x[i - 1] : 0;
      Real right = i + 1 < kUnknowns ? x[i + 1] : 0;
      r[i] = (3 - 2 * x[i]) * x[i] - left - 2 * right + 1;
    }
    return true;
  };
  s.derivatives = [](const Values& x, Values& j) {
    std::fill(j.begin(), j.end(), 0);
    for (int i = 0; i < kUnknowns; ++i) {
      j[i * kUnknowns + i] = 3 - 4 * x[i];
      if (i > 0) j[i * kUnknowns + i - 1] = -1;
      if (i + 1 < kUnknowns) j[i * kUnknowns + i + 1] = -2;
    }
  };
  return s;
}

TEST(NleSweep, EveryStartEndsInACodeInsideTheBounds) {
  std::uint64_t state = 7;
  auto uniform = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<Real>(state >> 11) / static_cast<Real>(1ULL << 53);
  };
  for (bool lineSearch : {true, false}) {
    int converged = 0;
    for (int k = 0; k < kStarts; ++k) {
      Values start;
      for (int i = 0; i < kUnknowns; ++i) start.push_back(-1.85L + 3.8L * uniform());
      TestSystem s = tridiagonal(start);
      Console console;
      NleOptions o;
      o.lineSearch = lineSearch;
      o.printLevel = 0;
      NleResult result;
      ASSERT_NO_THROW(result = nle(s, o, console.io)) << k;
      EXPECT_GE(result.code, kConverged);
      EXPECT_LE(result.code, kSlimTooSmall);
      EXPECT_NE(result.code, kCouldNotStart);
      if (result.code == kConverged) {
        ++converged;
        EXPECT_LT(result.maxResidual, 1e-4L);
      }
      // the step limit kept every trial admissible
      for (const Values& x : s.visited)
        for (const SiteFraction& sf : s.limits.siteFractions)
          EXPECT_GT(TestSystem::siteFraction(sf, x), 0);
    }
    EXPECT_GT(converged, 0) << lineSearch;
  }
}

}  // namespace
}  // namespace pf
