#include "calc/thermo/gibbs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "common/bomb.h"
#include "test_support.h"

namespace pf {
namespace {

using testing::Console;
using testing::demoDataset;

int indexOf(const Dataset& ds, const std::string& name) {
  for (int k = 1; k <= ds.endMembers; ++k)
    if (ds.em[k].name == name) return k;
  return 0;
}

TEST(GibbsEnergy, ReproducesTheIndependentReferenceValues) {
  Dataset ds = demoDataset({"q", "fo", "py", "ab", "diL", "mu", "ru", "CH4"});
  GibbsSettings settings = gibbsSettings(ds);
  Console console;
  std::ifstream table(std::string(PF_TEST_DIR) + "/reference-G.tsv");
  std::string line;
  std::getline(table, line);  // heading
  int rows = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string name;
    long double p, t, g;
    fields >> name >> p >> t >> g;
    int k = indexOf(ds, name);
    ASSERT_NE(k, 0) << name;
    Real value = gem(console.io, ds.em[k], p, t, settings);
    EXPECT_NEAR(static_cast<double>(value), static_cast<double>(g), 1e-5)
        << name << " at " << static_cast<double>(p) << " kbar, " << static_cast<double>(t) << " K";
    ++rows;
  }
  EXPECT_EQ(rows, 32);
}

// Central differences over every end-member of the demo dataset, over the
// metamorphic range where every model in it holds (cold compressed water and
// halite near its melting point leave their equations' range of sense).
TEST(GibbsEnergy, SlopesOfEveryDemoEndMemberHaveTheRightSign) {
  std::vector<EndMember> all = testing::allDemoEndMembers();
  ASSERT_EQ(all.size(), 231u);
  Dataset ds = testing::demoSetup();
  GibbsSettings settings = gibbsSettings(ds);
  Console console;
  const Real dp = 0.001L, dt = 0.5L;
  int checked = 0;
  for (std::size_t k = 1; k < all.size(); ++k) {
    const EndMember& e = all[k];
    for (Real p : {0.5L, 2.0L, 5.0L, 10.0L, 20.0L, 40.0L}) {
      for (Real t : {500.0L, 700.0L, 900.0L, 1100.0L, 1300.0L}) {
        Real g = gem(console.io, e, p, t, settings);
        Real volume =
            (gem(console.io, e, p + dp, t, settings) - gem(console.io, e, p - dp, t, settings)) /
            (2 * dp);
        Real curvature = (gem(console.io, e, p, t + dt, settings) - 2 * g +
                          gem(console.io, e, p, t - dt, settings)) /
                         (dt * dt);
        // solids and liquids; the fluids' own equations leave their range at
        // high pressure (the corresponding-states H2 turns negative)
        if (e.slot[kVolume] != 0) {
          EXPECT_GT(volume, 0) << e.name << " at " << static_cast<double>(p) << " kbar, "
                               << static_cast<double>(t) << " K";
        }
        EXPECT_LT(curvature, 0) << e.name << " at " << static_cast<double>(p) << " kbar, "
                                << static_cast<double>(t) << " K";
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 230 * 30);
}

TEST(GibbsEnergy, ContinuousAcrossTheLandauCriticalTemperature) {
  std::vector<EndMember> all = testing::allDemoEndMembers();
  GibbsSettings settings = gibbsSettings(testing::demoSetup());
  Console console;
  const Real delta = 1e-6L;
  int landau = 0;
  for (std::size_t k = 1; k < all.size(); ++k) {
    const EndMember& e = all[k];
    if (!(e.slot[kSmax] > 0)) continue;
    ++landau;
    for (Real p : {0.001L, 5.0L, 20.0L}) {
      Real tc = e.slot[kLandauT] + p * e.slot[kVmax] / e.slot[kSmax];
      Real below = gem(console.io, e, p, tc - delta, settings);
      Real above = gem(console.io, e, p, tc + delta, settings);
      EXPECT_NEAR(static_cast<double>(above), static_cast<double>(below), 1e-5)
          << e.name << " at " << static_cast<double>(p) << " kbar";
    }
  }
  EXPECT_GT(landau, 10);
}

TEST(GibbsEnergy, LandauTermIsLinearInTAboveTheCriticalTemperature) {
  Dataset ds = demoDataset({"q"});
  Console console;
  const EndMember& q = ds.em[1];
  // q: Tcrit at 1 kbar is 847 + 0.1188 / 0.00495 = 871 K
  Real a = landauTerm(console.io, q, 1, 1000, 5);
  Real b = landauTerm(console.io, q, 1, 1200, 5);
  Real c = landauTerm(console.io, q, 1, 1400, 5);
  EXPECT_NEAR(static_cast<double>(c - b), static_cast<double>(b - a), 1e-9);
  EXPECT_LT(landauTerm(console.io, q, 1, 600, 5), a - 400 * (b - a) / 200 + 1e-9L);
}

TEST(GibbsEnergy, EdgeCasesOfTheVolumeIntegral) {
  Dataset ds = demoDataset({"fo"});
  Console console;
  GibbsSettings settings = gibbsSettings(ds);
  EndMember fo = ds.em[1];

  EndMember noEntropy = fo;
  noEntropy.slot[kEntropy] = 0;
  for (Real t : {300.0L, 900.0L})
    EXPECT_EQ(gem(console.io, noEntropy, 7, t, settings), fo.slot[kEnthalpy]);

  EndMember rigid = fo;
  rigid.slot[kKappa0] = 0;
  EXPECT_EQ(volumeIntegral(console.io, rigid, 12, 800, 5), 12 * fo.slot[kVolume]);

  // layout A of the nine-value generation: alpha2 = 10 and alpha3 = 0, so
  // the 1-bar volume is V (1 + alpha1 [(T - T0) - 20 (sqrt T - sqrt T0)])
  EndMember old = fo;
  old.slot[kAlpha1] = 3e-5L;
  old.slot[kAlpha2] = 10;
  old.slot[kAlpha3] = 0;
  old.slot[kKappa] = 1250;
  old.slot[kKappaprime] = 4;
  old.slot[kDkappadT] = -0.00015L * 1250;
  for (Real t : {500.0L, 1000.0L}) {
    const Real h = 1e-6L;
    Real slope = (volumeIntegral(console.io, old, kReferenceP + h, t, -2) -
                  volumeIntegral(console.io, old, kReferenceP - h, t, -2)) /
                 (2 * h);
    Real expected = old.slot[kVolume] *
                    (1 + 3e-5L * ((t - 298.15L) - 20 * (std::sqrt(t) - std::sqrt(298.15L))));
    // the slope at 1 bar is V(T) less a compression of about 1e-6 of it
    EXPECT_NEAR(static_cast<double>(slope), static_cast<double>(expected), 1e-5);
    EXPECT_NEAR(static_cast<double>(volumeIntegral(console.io, old, kReferenceP, t, -2)), 0, 1e-15);
  }
}

TEST(GibbsEnergy, BraggWilliamsOrderAtTheEnds) {
  Dataset ds = demoDataset({"ab"});
  EndMember ab = ds.em[1];
  struct Case {
    Real dh, w, factor, q;
  } cases[] = {
      {10, 10, 0, 0.9999999L},  // ordered at both ends
      {-5, 10, 1, 1e-7L},       // disordered at both ends
  };
  for (const Case& c : cases) {
    EndMember e = ab;
    e.slot[kSfdh] = c.dh;
    e.slot[kSfw] = c.w;
    e.slot[kSffac] = c.factor;
    EXPECT_EQ(braggWilliamsQ(e, 1, 800), c.q);
  }
  // in between, the bisection ends close to a root of the residual
  Real q = braggWilliamsQ(ab, 1, 1000);
  EXPECT_GT(q, 1e-7L);
  EXPECT_LT(q, 0.9999999L);
  EXPECT_LT(std::fabs(braggWilliamsResidual(ab, 1, 1000, q)), 0.01L);
}

TEST(GibbsEnergy, ImpossibleEquationsStopTheRun) {
  Dataset ds = demoDataset({"q", "fo"});
  GibbsSettings settings = gibbsSettings(ds);
  {
    Console console;
    EndMember q = ds.em[1];
    q.slot[kLandauT] = 200;  // below 298.15 K: q0 would be a root of a negative number
    try {
      gem(console.io, q, 1, 500, settings);
      ADD_FAILURE() << "no stop";
    } catch (const Bombed& b) {
      EXPECT_EQ(b.procedure, "gem");
      EXPECT_EQ(b.message,
                "square root of a negative number in the Landau term (landaut below 298.15 K) "
                "for q at P = 1 kbar, T = 500 K");
    }
  }
  {
    Console console;
    EndMember fo = ds.em[2];
    fo.slot[kAlpha0] = 0.01L;  // thermal pressure far beyond the Tait form
    try {
      gem(console.io, fo, 1, 1500, settings);
      ADD_FAILURE() << "no stop";
    } catch (const Bombed& b) {
      EXPECT_EQ(b.procedure, "gem");
      EXPECT_EQ(b.message, "duff: b Pth > 1, so log(-ve)");
    }
    EXPECT_EQ(console.out.str().rfind("\nT = 1227\xA1"
                                      "C, Pth = ",
                                      0),
              0u)
        << console.out.str();
  }
  {
    Console console;
    try {
      gem(console.io, ds.em[2], 1, 0, settings);
      ADD_FAILURE() << "no stop";
    } catch (const Bombed& b) {
      EXPECT_EQ(b.message, "T not above 0 K for fo at P = 1 kbar, T = 0 K");
    }
  }
}

}  // namespace
}  // namespace pf
