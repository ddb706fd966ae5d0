// The least-squares pieces of average P-T on their own: the inverse of a
// covariance matrix, the 95% limits, the covariances of a set of
// reactions, and the weighted average of two correlated values in closed form.
#include "calc/avpt/statistics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;

double d(Real x) {
  return static_cast<double>(x);
}

TEST(Posdefinvert, InverseOfALopsidedCovarianceMatrix) {
  // A = L L' with an uneven L, so that no symmetry hides a wrong index
  Matrix l = {
      {1.7L, 0, 0, 0}, {0.31L, 0.92L, 0, 0}, {-0.44L, 0.27L, 2.3L, 0}, {0.05L, -1.1L, 0.6L, 0.4L}};
  Matrix a = zeroMatrix(4);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k)
      for (int j = 0; j < 4; ++j) a[i][k] += l[i][j] * l[k][j];
  Matrix inv = posdefinvert(a);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) {
      Real s = 0;
      for (int j = 0; j < 4; ++j) s += a[i][j] * inv[j][k];
      EXPECT_NEAR(d(s), i == k ? 1.0 : 0.0, 1e-15) << i << "," << k;
      EXPECT_EQ(inv[i][k], inv[k][i]);
    }
}

TEST(Posdefinvert, StopsOnMatricesThatAreNotPositiveDefinite) {
  Real nearlyOne = 1 - 1e-19L;  // its pivot is left with rounding only
  const Matrix cases[] = {
      {{-0.5L}},                                // negative variance
      {{1, 2}, {2, 1}},                         // indefinite
      {{2.5L, 2.5L}, {2.5L, 2.5L}},             // singular: a zero pivot
      {{1, nearlyOne}, {nearlyOne, 1}},         // a pivot lost to rounding
      {{0.4L, 0, 0}, {0, 0, 0}, {0, 0, 1.3L}},  // a zero variance
      {{1, 0}, {0, std::nanl("")}},             // not a number
  };
  for (const Matrix& m : cases) {
    Bombed fault = bombOf([&] { posdefinvert(m); });
    EXPECT_EQ(fault.procedure, "posdefinvert");
    EXPECT_EQ(fault.message, "sqrt negative");
  }
}

TEST(FitThreshold, NinetyFivePercentLimitsByDegreesOfFreedom) {
  const std::pair<int, double> table[] = {{1, 1.96},  {2, 1.73},  {3, 1.61},  {5, 1.49}, {9, 1.37},
                                          {10, 1.35}, {11, 1.34}, {18, 1.34}, {0, 1.34}};
  for (auto [f, limit] : table) EXPECT_DOUBLE_EQ(d(fitThreshold(f)), limit) << f;
}

TEST(WeightedAverage, TwoCorrelatedValuesInClosedForm) {
  // two values with variances v1, v2 and covariance c
  struct Case {
    Real x1, x2, v1, v2, c;
  };
  const Case cases[] = {{7.31L, 5.02L, 0.83L, 0.27L, 0.21L},   // sigfit above 1
                        {7.31L, 7.02L, 0.83L, 0.27L, -0.11L},  // sigfit below 1
                        {6.4L, 6.4L, 0.5L, 0.9L, 0}};          // a perfect fit
  for (const Case& k : cases) {
    Average avg = weightedAverage({k.x1, k.x2}, {{k.v1, k.c}, {k.c, k.v2}});
    Real span = k.v1 + k.v2 - 2 * k.c;
    Real mean = (k.x1 * (k.v2 - k.c) + k.x2 * (k.v1 - k.c)) / span;
    Real sumW = span / (k.v1 * k.v2 - k.c * k.c);
    Real sigfit = std::fabs(k.x1 - k.x2) / std::sqrt(span);
    ASSERT_TRUE(avg.ok);
    EXPECT_NEAR(d(avg.value), d(mean), 1e-15);
    EXPECT_NEAR(d(avg.sumW), d(sumW), 1e-14);
    EXPECT_NEAR(d(avg.sigfit), d(sigfit), 1e-14);
    Real sd = 1 / std::sqrt(sumW);
    EXPECT_NEAR(d(avg.sd), d(sigfit > 1 ? sd * sigfit : sd), 1e-14);
  }
}

TEST(ReactionCovariances, FromTheEndMemberCovarianceAndTheLnAVariances) {
  // three end-members, two reactions
  RunEndMembers run;
  run.names = {"", "a", "b", "c"};
  run.activity = {0, 0.4L, 1, 0.07L};
  run.sdActivity = {0, 0.03L, 0, 0.02L};
  Matrix cov = {{0.9L, 0.1L, -0.2L}, {0.1L, 0.4L, 0.05L}, {-0.2L, 0.05L, 1.6L}};
  run.cov.assign(16, 0);
  for (int j = 1; j <= 3; ++j)
    for (int l = 1; l <= 3; ++l) run.cov[j * 4 + l] = cov[j - 1][l - 1];
  std::vector<Reaction> reactions = {{0, 2, -1, 0}, {0, -1, 3, 1}};
  Matrix covh = enthalpyCovariance(run, reactions, true);
  // nu cov nu' by hand: r1 = (2, -1, 0), r2 = (-1, 3, 1)
  EXPECT_NEAR(d(covh[0][0]), 4 * 0.9 - 4 * 0.1 + 0.4, 1e-15);
  EXPECT_NEAR(d(covh[0][1]), -2 * 0.9 + 6 * 0.1 + 2 * -0.2 + 1 * 0.1 - 3 * 0.4 - 0.05, 1e-15);
  EXPECT_NEAR(d(covh[1][1]), 0.9 - 6 * 0.1 + 2 * 0.2 + 9 * 0.4 + 6 * 0.05 + 1.6, 1e-15);
  EXPECT_EQ(covh[0][1], covh[1][0]);

  Matrix fixedCovh = enthalpyCovariance(run, reactions, false);
  EXPECT_EQ(fixedCovh, (Matrix{{kFixedCovh, 0}, {0, kFixedCovh}}));

  // the activity of 1 adds nothing, whatever its sd
  std::vector<Real> var = {0, (0.03L / 0.4L) * (0.03L / 0.4L), 0,
                           (0.02L / 0.07L) * (0.02L / 0.07L)};
  Matrix covlnk = lnKCovariance(reactions, var);
  EXPECT_NEAR(d(covlnk[0][0]), d(4 * var[1]), 1e-18);
  EXPECT_NEAR(d(covlnk[0][1]), d(-2 * var[1]), 1e-18);
  EXPECT_NEAR(d(covlnk[1][1]), d(var[1] + var[3]), 1e-18);
}

}  // namespace
}  // namespace pf
