#include "calc/thermo/fluids.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/bomb.h"
#include "test_support.h"

namespace pf {
namespace {

using testing::Console;

double d(Real x) {
  return static_cast<double>(x);
}

TEST(PitzerSterner, ReproducesThePublishedWorkedValues) {
  struct Case {
    Fluid fluid;
    Real t, p, volume, rtlnf;
  } cases[] = {
      {Fluid::H2O, 873, 5, 2.226175229L, 58.08831052L},
      {Fluid::H2O, 1273, 20, 1.798013199L, 124.1931646L},
      {Fluid::H2O, 873, 1, 4.762876618L, 46.9022286L},
      {Fluid::H2O, 1073, 10, 2.052552781L, 86.59173066L},
      {Fluid::CO2, 873, 5, 4.348916838L, 74.89651514L},
      {Fluid::CO2, 1273, 20, 3.113651466L, 161.7523558L},
      {Fluid::CO2, 873, 1, 9.694729941L, 51.85224344L},
      {Fluid::CO2, 1073, 10, 3.697040852L, 110.8551292L},
  };
  Console console;
  for (const Case& c : cases) {
    FluidState state = pitzerSterner(console.io, c.fluid, c.p, c.t);
    EXPECT_NEAR(d(state.volume), d(c.volume), 1e-7) << d(c.t) << " K, " << d(c.p) << " kbar";
    EXPECT_NEAR(d(state.rtlnf), d(c.rtlnf), 1e-5) << d(c.t) << " K, " << d(c.p) << " kbar";
  }
}

TEST(PitzerSterner, TakesTheStableRootBelowTheCriticalPoint) {
  // at 500 K the vapour is stable at 0.02 kbar and the liquid at 0.03 kbar;
  // the published cross-check values use R = 8.31451, hence the tolerances
  Console console;
  Real reference = pitzerSterner(console.io, Fluid::H2O, 0.001L, 500).rtlnf;
  FluidState vapour = pitzerSterner(console.io, Fluid::H2O, 0.02L, 500);
  FluidState liquid = pitzerSterner(console.io, Fluid::H2O, 0.03L, 500);
  EXPECT_NEAR(d(vapour.volume), 188.93281618511445, 0.01);
  EXPECT_NEAR(d(liquid.volume), 2.1742755529782457, 1e-4);
  EXPECT_NEAR(d(vapour.rtlnf - reference), 12.112039244308515, 0.001);
  EXPECT_NEAR(d(liquid.rtlnf - reference), 13.186192436054698, 0.001);
}

TEST(PitzerSterner, SmoothWhereTheDensityScanCoarsens) {
  Console console;
  for (Fluid fluid : {Fluid::H2O, Fluid::CO2}) {
    for (Real p : {0.01L, 1.0L, 30.0L}) {
      Real below = pitzerSterner(console.io, fluid, p, 700 - 1e-6L).rtlnf;
      Real above = pitzerSterner(console.io, fluid, p, 700 + 1e-6L).rtlnf;
      EXPECT_NEAR(d(above), d(below), 1e-6);
    }
  }
}

TEST(PitzerSterner, StopsWhereNoDensityGivesThePressure) {
  Console console;
  try {
    pitzerSterner(console.io, Fluid::H2O, 5000, 1000);
    ADD_FAILURE() << "no stop";
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "sterner-pitzer");
    EXPECT_EQ(b.message, "no bracket");
  }
  EXPECT_THROW(pitzerSterner(console.io, Fluid::CO2, 0, 1000), Bombed);
}

TEST(CorkH2O, SaturationPressureHasItsCubicTerm) {
  // -0.013628 + 7.29395e-7 T^2 - 2.34622e-9 T^3 + 4.83607e-15 T^5
  EXPECT_NEAR(d(h2oSaturationPressure(600)), 0.1182234, 1e-6);
  EXPECT_NEAR(d(h2oSaturationPressure(500)), 0.0265701, 1e-6);
  EXPECT_EQ(h2oSaturationPressure(300), 0.001L);  // never below 1 bar
  // the liquid branch gives water its familiar fugacity
  EXPECT_NEAR(d(corkH2O(1, 600).rtlnf), 24.5456, 0.001);
  EXPECT_NEAR(d(corkH2O(1, 600).volume), 2.2841, 0.001);
}

TEST(CorkH2O, WaterAtOneBarBelowBoilingIsLiquid) {
  // there Psat is its 1-bar floor; G is that of the gas at 1 bar either way
  for (Real t : {298.15L, 350.0L}) {
    FluidState water = corkH2O(0.001L, t);
    EXPECT_LT(water.volume, 2) << d(t);
    EXPECT_NEAR(d(water.rtlnf), d(corkH2O(0.001L - 1e-15L, t).rtlnf), 1e-9) << d(t);
  }
  // so an aqueous species' volume term vanishes at its standard state
  EndMember ion;
  ion.slot[kAqueousCp] = 1;
  GibbsSettings settings;
  settings.ds6 = false;
  settings.regression = true;  // leaves out the 0.03354 T
  Console console;
  EXPECT_NEAR(d(aqueousTerm(console.io, ion, 0.001L, 298.15L, settings)), -0.0175, 0.001);
}

TEST(CorkH2O, ContinuousAcrossEveryBranch) {
  const Real tiny = 1e-9L;
  // saturation: gas below, liquid above
  for (Real t : {400.0L, 500.0L, 600.0L, 690.0L}) {
    Real psat = h2oSaturationPressure(t);
    EXPECT_NEAR(d(corkH2O(psat + tiny, t).rtlnf), d(corkH2O(psat - tiny, t).rtlnf), 1e-5) << d(t);
    EXPECT_GT(corkH2O(psat - tiny, t).volume, 1.5L * corkH2O(psat + tiny, t).volume);
  }
  // the critical temperature: the path through saturation meets the single
  // solve to within the volume solver's tolerance
  for (Real p : {0.2L, 1.0L, 5.0L, 10.0L}) {
    Real below = corkH2O(p, 695 - 1e-6L).rtlnf;
    Real above = corkH2O(p, 695).rtlnf;
    EXPECT_NEAR(d(above), d(below), 0.002) << d(p);
  }
  // the virial threshold pressures
  for (Real t : {500.0L, 900.0L, 1300.0L}) {
    EXPECT_NEAR(d(corkH2O(2.01L + tiny, t).rtlnf), d(corkH2O(2.01L - tiny, t).rtlnf), 1e-6);
    EXPECT_NEAR(d(corkCO2(5.01L + tiny, t).rtlnf), d(corkCO2(5.01L - tiny, t).rtlnf), 1e-6);
  }
}

// The modified Redlich-Kwong pressure at V.
Real mrkPressure(Real a, Real b, Real v, Real t) {
  return kGasConstant * t / (v - b) - a / (v * (v + b) * std::sqrt(t));
}

// True when no volume above v (up to 1000) gives pressure p.
bool noLargerRoot(Real a, Real b, Real p, Real t, Real v) {
  for (Real w = v * 1.0001L; w < 1000; w *= 1.0002L)
    if (!(mrkPressure(a, b, w, t) < p)) return false;
  return true;
}

Real h2oA(Real t) {
  return 1037.2L + 0.53013L * t - 0.00073907L * t * t + 1.7782e-7L * t * t * t;
}
Real co2A(Real t) {
  return 659.8L + 0.21078L * t - 0.00063976L * t * t;
}

TEST(CorkFluids, NearTheCriticalPointsTheVolumeIsTheLargestRoot) {
  struct Case {
    Fluid fluid;
    Real p, t;
  };
  // points where 21 Newton steps from the gas side do not settle
  const Case cases[] = {
      {Fluid::H2O, 0.34L, 695},      {Fluid::H2O, 0.3365L, 695.1L}, {Fluid::H2O, 0.3395L, 696.1L},
      {Fluid::H2O, 0.3425L, 697.1L}, {Fluid::CO2, 0.0645L, 297},    {Fluid::CO2, 0.063L, 290},
      {Fluid::CO2, 0.0705L, 302.5L}, {Fluid::CO2, 0.058L, 289.5L},
  };
  for (const Case& c : cases) {
    bool water = c.fluid == Fluid::H2O;
    Real a = water ? h2oA(c.t) : co2A(c.t);
    Real b = water ? 1.465L : 3.057L;
    FluidState state = water ? corkH2O(c.p, c.t) : corkCO2(c.p, c.t);
    Real v = state.volume;
    // the equation of state holds at V, and no larger volume solves it
    EXPECT_NEAR(d(mrkPressure(a, b, v, c.t) / c.p), 1, 1e-12) << d(c.t) << " K, " << d(c.p);
    EXPECT_TRUE(noLargerRoot(a, b, c.p, c.t, v)) << d(c.t) << " K, " << d(c.p);
    // R T ln f from the fugacity coefficient of that root
    Real rt = kGasConstant * c.t;
    Real z = c.p * v / rt;
    Real lnPhi =
        z - 1 - std::log(z - b * c.p / rt) - a / (b * rt * std::sqrt(c.t)) * std::log(1 + b / v);
    EXPECT_NEAR(d(state.rtlnf), d(rt * (std::log(1000 * c.p) + lnPhi)), 1e-12);
  }
  // however far out the start, the root is found
  Real v = findVs(co2A(800), 3.057L, 1, 800, 1e30L, 100);
  EXPECT_NEAR(d(mrkPressure(co2A(800), 3.057L, v, 800)), 1, 1e-12);
}

// dG/dP = V: along an isotherm through the region where the iteration
// crawls, each step of G is the mean volume times the step in P, except once,
// where the gas-like root of the model itself ends and the liquid takes over.
TEST(CorkFluids, GIsContinuousOnAFineGridAroundEachCriticalPoint) {
  struct Grid {
    Fluid fluid;
    Real t0, t1, dt, p0, p1;
  };
  const Grid grids[] = {
      {Fluid::H2O, 694.5L, 698, 0.25L, 0.330L, 0.348L},
      {Fluid::CO2, 288, 305, 0.5L, 0.055L, 0.075L},
  };
  const Real dp = 0.0001L;
  for (const Grid& g : grids) {
    bool water = g.fluid == Fluid::H2O;
    for (Real t = g.t0; t <= g.t1; t += g.dt) {
      FluidState before = water ? corkH2O(g.p0, t) : corkCO2(g.p0, t);
      int jumps = 0;
      for (Real p = g.p0 + dp; p <= g.p1; p += dp) {
        FluidState now = water ? corkH2O(p, t) : corkCO2(p, t);
        if (std::fabs(now.volume - before.volume) < 0.1L * now.volume) {
          Real expected = (now.volume + before.volume) / 2 * dp;
          EXPECT_NEAR(d(now.rtlnf - before.rtlnf), d(expected), 2e-5)
              << d(t) << " K, " << d(p) << " kbar";
        } else {
          ++jumps;
          EXPECT_LT(now.volume, before.volume) << "only from gas to liquid, " << d(t) << " K";
        }
        before = now;
      }
      EXPECT_LE(jumps, 1) << d(t) << " K";
    }
  }
}

TEST(CorrespondingStates, VolumesOfTheMinorFluids) {
  struct Case {
    Fluid fluid;
    Real volume;
  } cases[] = {{Fluid::CH4, 4.390216L},
               {Fluid::CO, 4.205839L},
               {Fluid::H2, 3.258070L},
               {Fluid::H2S, 4.329754L},
               {Fluid::S2, 3.762102L}};
  Console console;
  for (const Case& c : cases)
    EXPECT_NEAR(d(fluidModel(console.io, c.fluid, 5, 873, true).volume), d(c.volume), 1e-6);
  // the fugacity's pressure slope is the volume
  Real h = 1e-4L;
  Real slope = (correspondingStatesCork(190.6L, 0.046L, 5 + h, 873).rtlnf -
                correspondingStatesCork(190.6L, 0.046L, 5 - h, 873).rtlnf) /
               (2 * h);
  EXPECT_NEAR(d(slope), 4.390216, 1e-5);
}

TEST(FluidMixing, H2OCO2TermMatchesTheVanLaarForm) {
  Console console;
  // x(CO2) = 0.3 at 873 K, 5 kbar with Pitzer-Sterner volumes
  EXPECT_NEAR(d(h2oCo2MixingTerm(console.io, Fluid::H2O, 0.3L, 0.7L, 5, 873, true)), 1.002769,
              1e-6);
  EXPECT_NEAR(d(h2oCo2MixingTerm(console.io, Fluid::CO2, 0.3L, 0.7L, 5, 873, true)), 2.794684,
              1e-6);
  // pure fluids and other species mix with nothing
  EXPECT_EQ(h2oCo2MixingTerm(console.io, Fluid::H2O, 0, 1, 5, 873, true), 0);
  EXPECT_EQ(h2oCo2MixingTerm(console.io, Fluid::CO2, 1, 0, 5, 873, true), 0);
  EXPECT_EQ(h2oCo2MixingTerm(console.io, Fluid::CH4, 0.3L, 0.7L, 5, 873, true), 0);
}

TEST(FluidMixing, GemAddsMixingOnlyForFluidsGivenByMoleFractions) {
  Dataset ds = testing::demoDataset({"H2O"});
  GibbsSettings settings = gibbsSettings(ds);
  Console console;
  EndMember water = ds.em[1];
  water.slot[kXCO2] = 0.3L;
  water.slot[kXH2O] = 0.7L;
  Real plain = gem(console.io, water, 5, 873, settings);
  settings.fluidByMoleFractions = true;
  Real mixed = gem(console.io, water, 5, 873, settings);
  EXPECT_NEAR(d(mixed - plain), 1.002769, 1e-6);
}

TEST(DebyeHuckel, ParametersOfWaterAndOfTheH2OCO2Solvent) {
  Console console;
  EXPECT_NEAR(d(waterDielectricConstant(0.809248L, 873)), 14.9430, 1e-4);
  EXPECT_NEAR(d(waterDielectricConstant(0.793385L, 673)), 20.0422, 1e-4);
  // an entered 0 C (273 K) is the correlation's 0 C; below it the run stops
  EXPECT_EQ(waterDielectricConstant(1, 273), waterDielectricConstant(1, 273.15L));
  EXPECT_THROW(waterDielectricConstant(1, 272.9L), Bombed);
  struct Case {
    Real xh2o, xco2, t, p, a, b;
  } cases[] = {
      {1, 0, 873, 5, 1.101760L, 0.396105L},
      {0, 0, 873, 5, 1.101760L, 0.396105L},  // no fluid given: pure water
      {1, 0, 1073, 10, 1.053009L, 0.400880L},
      {0.8L, 0.2L, 873, 5, 2.624756L, 0.543142L},
      {0.4L, 0.1L, 873, 5, 2.624756L, 0.543142L},  // normalised
  };
  for (const Case& c : cases) {
    DebyeHuckel dh = debyeHuckelParameters(console.io, c.xh2o, c.xco2, c.p, c.t, true);
    EXPECT_NEAR(d(dh.a), d(c.a), 2e-6);
    EXPECT_NEAR(d(dh.b * 1e-10L), d(c.b), 2e-6);
  }
}

TEST(AqueousSpecies, ChargedSpeciesCarryTheDebyeHuckelTerm) {
  Dataset ds = testing::demoDataset({"q"});
  GibbsSettings settings = gibbsSettings(ds);
  Console console;
  EndMember ion = ds.em[1];
  ion.slot[kAqueousCp] = 0.1L;
  Real neutral = aqueousTerm(console.io, ion, 5, 873, settings);
  settings.regression = true;  // the regression leaves out the standard-state term
  EXPECT_NEAR(d(neutral - aqueousTerm(console.io, ion, 5, 873, settings)), 0.03354 * 873, 1e-9);
  settings.regression = false;

  // a singly charged ion at I = 0.1: log10 gamma = -A sqrt(I) / (1 + B a sqrt(I))
  ion.slot[kCharge1] = 1;
  ion.slot[kCharge2] = 1;
  ion.slot[kIonicStrength] = 0.1L;
  ion.slot[kXH2O] = 1;
  settings.printLevel = 5;
  Real charged = aqueousTerm(console.io, ion, 5, 873, settings);
  Real rootI = std::sqrt(0.1L);
  Real logGamma = -1.101760L * rootI / (1 + 0.396105e10L * 4.5e-10L * rootI);
  EXPECT_NEAR(d(charged - neutral), d(0.019144612724L * 873 * logGamma), 1e-5);
  EXPECT_EQ(console.out.str().rfind("xco2 = 0, xh2o = 1.00000, I = 0.100000, A = 1.10176", 0), 0u)
      << console.out.str();
}

TEST(ChannelFluid, CordieriteTakesUpFluidUnlessInAPhaseDiagram) {
  Dataset ds = testing::demoDataset({"crd"});
  GibbsSettings settings = gibbsSettings(ds);
  Console console;
  EndMember crd = ds.em[1];
  Real dry = gem(console.io, crd, 5, 873, settings);
  Real previous = dry;
  for (Real x : {0.25L, 0.5L, 1.0L}) {  // more water in the fluid, more in the channels
    crd.slot[kXH2O] = x;
    Real wet = gem(console.io, crd, 5, 873, settings);
    EXPECT_LT(wet, previous);
    previous = wet;
  }
  settings.phaseDiagram = true;
  EXPECT_EQ(gem(console.io, crd, 5, 873, settings), dry);
}

}  // namespace
}  // namespace pf
