#include "calc/thermo/reaction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/bomb.h"
#include "test_support.h"

namespace pf {
namespace {

using testing::Console;

double d(Real x) {
  return static_cast<double>(x);
}

// The brucite dehydration: br = per + H2O.
struct Brucite {
  Dataset ds = testing::demoDataset({"br", "per", "H2O"});
  GibbsSettings settings = gibbsSettings(ds);
  std::vector<int> nu = {0, -1, 1, 1};
  std::vector<Real> activity = {0, 1, 1, 1};
};

TEST(ReactionThermo, ForwardDifferencesOfTheGibbsEnergyChange) {
  Brucite r;
  Console console;
  Real p = 5, t = 873;
  auto dg = [&](Real pp, Real tt) {
    Real sum = 0;
    for (int k = 1; k <= 3; ++k) sum += r.nu[k] * gem(console.io, r.ds.em[k], pp, tt, r.settings);
    return sum;
  };
  ReactionThermo thermo = calcdg0(console.io, r.ds.em, r.nu, p, t, r.settings);
  EXPECT_EQ(thermo.dg, dg(p, t));
  EXPECT_EQ(thermo.dgdp, (dg(p + 0.00001L, t) - dg(p, t)) / 0.00001L);
  EXPECT_EQ(thermo.dgdt, (dg(p, t + 0.001L) - dg(p, t)) / 0.001L);
  // a dehydration: the fluid side has the larger volume and entropy
  EXPECT_GT(thermo.dgdp, 0);
  EXPECT_LT(thermo.dgdt, 0);
}

TEST(ReactionThermo, ActivityTermWithFluidDilution) {
  Brucite r;
  r.activity = {0, 0.5L, 0.8L, 1};
  // ln K = ln 0.8 - ln 0.5, plus ln x(H2O) for the water
  EXPECT_NEAR(d(calclnk(r.ds.em, r.nu, r.activity, 0, 1)), d(std::log(0.8L / 0.5L)), 1e-15);
  EXPECT_NEAR(d(calclnk(r.ds.em, r.nu, r.activity, 0.4L, 0.6L)),
              d(std::log(0.8L / 0.5L) + std::log(0.6L)), 1e-15);
}

TEST(ReactionThermo, ReactionAtAPointCombinesBoth) {
  Brucite r;
  Console console;
  std::vector<EndMember> em = r.ds.em;
  ReactionThermo standard = calcdg0(console.io, em, r.nu, 3, 800, r.settings);
  ReactionThermo point =
      reactionAtPoint(console.io, em, r.nu, r.activity, 0.25L, 0.75L, 3, 800, r.settings);
  Real lnk = std::log(0.75L);
  EXPECT_NEAR(d(point.dg), d(standard.dg + kGasConstant * 800 * lnk), 1e-9);
  EXPECT_NEAR(d(point.dgdt), d(standard.dgdt + kGasConstant * lnk), 1e-6);
  EXPECT_NEAR(d(point.dgdp), d(standard.dgdp), 1e-6);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(em[k].slot[kXCO2], 0.25L);
    EXPECT_EQ(em[k].slot[kXH2O], 0.75L);
  }
}

TEST(ReactionThermo, InternalFaultsStopTheRun) {
  Brucite r;
  Console console;
  try {
    calcdg0(console.io, r.ds.em, r.nu, 5, 0, r.settings);
    ADD_FAILURE() << "no stop";
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "calcdg0");
    EXPECT_EQ(b.message, "T <= 0 !");
    EXPECT_EQ(b.kind, 1);
  }
  r.activity[2] = 0;
  try {
    calclnk(r.ds.em, r.nu, r.activity, 0, 1);
    ADD_FAILURE() << "no stop";
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "calclnk");
    EXPECT_EQ(b.message, "ln<=0");
    EXPECT_EQ(b.kind, 1);
  }
  // an end-member outside the reaction may have any activity
  r.nu[2] = 0;
  EXPECT_NO_THROW(calclnk(r.ds.em, r.nu, r.activity, 0, 1));
}

}  // namespace
}  // namespace pf
