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

// The older generations take other volume and Landau forms: the same fo and
// q (with its Landau term, below Tcrit at every point) written in each, with
// G worked out separately in 40-digit arithmetic.
TEST(GibbsEnergy, EveryGenerationFollowsItsOwnVolumeAndLandauForms) {
  const std::string tail = "0.1 0.2 0.3\n\nd\n";
  struct Case {
    int dsmode;
    std::string text;
    Real fo[3], q[3];  // at (5 kbar, 800 K), (20, 1200), (1, 860)
  } cases[] = {
      {-2,
       "2\nfo 2 1 1 5 2 10 4 0\n"
       "-2172.59 0.0951 4.366 0.2333 0.000001494 -603.8 -1.8697 0.0000285 1285 0\n"
       "q 1 1 1 10 2 0\n"
       "-910.7 0.04146 2.269 0.0929 -0.000000642 -714.9 -0.7161 0.000065 750 1 847 0.00495 "
       "0.1188\n" +
           tail,
       {-2266.682674514274L, -2311.162053706619L, -2298.937825026059L},
       {-947.9630108262884L, -957.8700827737033L, -963.5308023407223L}},
      {1,
       "2\n\n1\nfo 2 1 1 5 2 10 4 0\n-2172.59 0.0951 4.366\n"
       "0.2333 0.000001494 -603.8 -1.8697 0.0000285 12 1285 4 -0.00015\n0\n"
       "q 1 1 1 10 2 0\n-910.7 0.04146 2.269\n"
       "0.0929 -0.000000642 -714.9 -0.7161 0.000065 10 750 4 -0.0002\n1 847 0.00495 0.1188\n0\n" +
           tail,
       {-2266.71002949756L, -2311.333482573707L, -2298.943818399753L},
       {-947.9641925155866L, -957.9076797608724L, -963.5308576871863L}},
      {2,
       "2\n\n2\nfo 2 1 1 5 2 10 4 0\n-2172.59 0.0951 4.366\n"
       "0.2333 0.000001494 -603.8 -1.8697 0.0000285 1e-8 0.5 1285 4 -0.2\n0\n"
       "q 1 1 1 10 2 0\n-910.7 0.04146 2.269\n"
       "0.0929 -0.000000642 -714.9 -0.7161 0.000065 2e-8 0.3 750 4 -0.15\n1 847 0.00495 "
       "0.1188\n0\n" +
           tail,
       {-2266.459519522834L, -2309.565893473224L, -2298.887993430036L},
       {-947.7298899074863L, -956.0976790170578L, -963.4747117339528L}},
      {3,
       "2\n\n3\nfo 2 1 1 5 2 10 4 0\n-2172.59 0.0951 4.366\n"
       "0.2333 0.000001494 -603.8 -1.8697 0.0000285 1285 3.84 -0.003\n0\n"
       "q 1 1 1 10 2 0\n-910.7 0.04146 2.269\n"
       "0.0929 -0.000000642 -714.9 -0.7161 0.000000065 730 6 -0.0082\n1 847 0.00495 0.1188\n0\n" +
           tail,
       {-2266.436308983166L, -2309.262629757176L, -2298.878321036418L},
       {-948.1891643124607L, -959.4914694055621L, -963.5775695017533L}},
  };
  const Real points[3][2] = {{5, 800}, {20, 1200}, {1, 860}};
  Console console;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dsmode);
    Dataset ds;
    std::istringstream file(c.text);
    setuptextread(ds, file, "pf-test.txt");
    makep(ds, {"fo", "q"});
    readthermo(ds);
    ASSERT_EQ(ds.dsmode, c.dsmode);
    GibbsSettings settings = gibbsSettings(ds);
    for (int k = 0; k < 3; ++k) {
      Real p = points[k][0], t = points[k][1];
      EXPECT_NEAR(static_cast<double>(gem(console.io, ds.em[1], p, t, settings)),
                  static_cast<double>(c.fo[k]), 1e-8);
      EXPECT_NEAR(static_cast<double>(gem(console.io, ds.em[2], p, t, settings)),
                  static_cast<double>(c.q[k]), 1e-8);
    }
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
