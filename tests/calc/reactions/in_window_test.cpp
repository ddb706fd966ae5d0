// The in-window tests and the linearity test on demo reactions.
#include <gtest/gtest.h>

#include <cmath>

#include "calc/reactions/diagram_thermo.h"
#include "calc/reactions/linearity.h"
#include "tests/calc/reactions/demo_system.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;

WindowState ptWindow(Real Tlow, Real Thigh, Real Plow, Real Phigh) {
  WindowState w;
  w.diagrammode = kDiagramPT;
  w.Tlow = Tlow + kCelsius;
  w.Thigh = Thigh + kCelsius;
  w.Plow = Plow;
  w.Phigh = Phigh;
  return w;
}

TEST(InWindow, PressureTemperatureWindows) {
  auto s = testing::demoSystem({"ky", "sill"});
  Reaction kySill = {0, -1, 1};
  struct Case {
    WindowState w;
    bool in;
  };
  const Case cases[] = {
      {ptWindow(400, 800, 1, 20), true},    // corners on both sides
      {ptWindow(700, 800, 1, 3), false},    // all sillimanite
      {ptWindow(400, 450, 15, 20), false},  // all kyanite
      {ptWindow(569, 571, 4.99L, 5.01L), true},
  };
  Console console;
  for (const Case& c : cases) {
    ReactionContext context(console.io, s.run, c.w, s.settings);
    EXPECT_EQ(inPTwindow(context, kySill), c.in);
    EXPECT_EQ(inPTXwindow(context, kySill), c.in);
  }
}

// tr + 3cc + 2q = 5di + 3CO2 + H2O gives off both fluids: its T-x(CO2) line
// has a maximum, so a window just below the maximum has every corner on the
// high-T side and the line still enters and leaves through its bottom edge.
TEST(InWindow, LineEnteringAndLeavingThroughOneEdge) {
  auto s = testing::demoSystem({"tr", "cc", "q", "di", "CO2", "H2O"});
  Reaction r = {0, -1, -3, -2, 5, 3, 1};
  ASSERT_NO_THROW(check(s.run.comp, r));
  WindowState w;
  w.diagrammode = kDiagramTX;
  w.fluid.fluidtype = kFluidMoleFractions;
  w.Plow = w.Phigh = 2;
  w.Tlow = 300 + kCelsius;
  w.Thigh = 900 + kCelsius;
  w.xlow = 0.05L;
  w.xhigh = 0.95L;
  Console console;
  ReactionContext c(console.io, s.run, w, s.settings);
  // the line's T along x(CO2), and its highest point
  Real top = 0, atEnds = 0;
  for (Real x : {0.05L, 0.95L}) {
    DiagramPoint p = fixedPoint(w);
    p.x = x;
    atEnds = std::max(atEnds, solveLine(c, r, p, kVarT).first);
  }
  for (int k = 1; k < 20; ++k) {
    DiagramPoint p = fixedPoint(w);
    p.x = 0.05L + 0.9L * k / 20;
    top = std::max(top, solveLine(c, r, p, kVarT).first);
  }
  ASSERT_GT(top, atEnds + 10);
  WindowState below = w;
  below.Tlow = atEnds + 5;
  below.Thigh = top - 3;
  WindowState above = w;
  above.Tlow = top + 3;
  above.Thigh = top + 50;
  ReactionContext in(console.io, s.run, below, s.settings);
  ReactionContext out(console.io, s.run, above, s.settings);
  // every corner on one side in both
  for (ReactionContext* context : {&in, &out}) {
    int negative = 0;
    for (Real T : {context->window.Tlow, context->window.Thigh})
      for (Real x : {context->window.xlow, context->window.xhigh}) {
        DiagramPoint p = fixedPoint(context->window);
        p.T = T;
        p.x = x;
        negative += thermoAt(*context, r, p).dg < 0;
      }
    EXPECT_TRUE(negative == 0 || negative == 4);
  }
  EXPECT_TRUE(inTXwindow(in, r));
  EXPECT_TRUE(inPTXwindow(in, r));
  EXPECT_FALSE(inTXwindow(out, r));
}

TEST(InWindow, ActivityAxesAndAnUnknownDiagram) {
  auto s = testing::demoSystem({"cc", "q", "wo", "CO2"});
  Reaction r = {0, -1, -1, 1, 1};
  WindowState w;
  w.Plow = w.Phigh = 2;
  w.Tlow = 400 + kCelsius;
  w.Thigh = 900 + kCelsius;
  w.lnalow = -3 * std::log(10.0L);
  w.lnahigh = 0;
  w.fluid.co2 = 1;
  Console console;
  struct Case {
    int diagrammode;
    Real lnalow, lnahigh;
    bool in;
  };
  const Case cases[] = {
      {kDiagramTlna, -3 * std::log(10.0L), 0, true},
      // at a(CO2) of 10^-12 the decarbonation runs below 400 C
      {kDiagramTlna, -14 * std::log(10.0L), -12 * std::log(10.0L), false},
  };
  for (const Case& k : cases) {
    WindowState v = w;
    v.diagrammode = k.diagrammode;
    v.lnalow = k.lnalow;
    v.lnahigh = k.lnahigh;
    ReactionContext c(console.io, s.run, v, s.settings, 4);
    EXPECT_EQ(inTlnawindow(c, r), k.in);
    EXPECT_EQ(inPTXwindow(c, r), k.in);
  }
  WindowState bad = w;
  bad.diagrammode = 9;
  ReactionContext c(console.io, s.run, bad, s.settings, 4);
  Bombed fault = bombOf([&] { inPTXwindow(c, r); });
  EXPECT_EQ(fault.procedure, "inPTXwindow");
  EXPECT_EQ(fault.message, "unknown diagrammode");
}

TEST(Linearity, AngleBetweenSlopesOnTheDrawnPlot) {
  struct Case {
    Real s1, s2;
    Real tangent;
  };
  const Case cases[] = {
      {0.04L, 0.04L, 0},  // equal slopes: parallel
      {0.04L, 0.041L,
       25 * 0.001L / (1 + 625 * 0.04L * 0.041L)},  // almost parallel, about 0.7 degrees
      {0.04L, -0.04L, INFINITY},                   // at right angles
      {0, 0.0123L, 25 * 0.0123L},
  };
  for (const Case& c : cases) {
    if (std::isinf(c.tangent)) {
      EXPECT_TRUE(std::isinf(linearityTan(c.s1, c.s2)));
    } else {
      EXPECT_NEAR(static_cast<double>(linearityTan(c.s1, c.s2)), static_cast<double>(c.tangent),
                  1e-12);
    }
  }
  // almost parallel lines pass a one-degree-per-kbar test over one kbar
  EXPECT_LT(linearityTan(0.04L, 0.041L), 1 * 1 * kRadiansPerDegree);
}

TEST(Linearity, VerdictsOnDemoReactions) {
  auto s = testing::demoSystem({"ky", "sill", "br", "per", "H2O"});
  Reaction kySill = {0, -1, 1, 0, 0, 0};
  Reaction brucite = {0, 0, 0, -1, 1, 1};
  WindowState w = ptWindow(450, 700, 0.5L, 10);
  w.fluid.h2o = 1;
  Console console;
  ReactionContext c(console.io, s.run, w, s.settings);
  EXPECT_EQ(linearityVerdict(c, kySill, AverageKind::P, 1), 'X');
  // the brucite dehydration bends strongly at low pressure
  WindowState wide = ptWindow(250, 1000, 0.5L, 10);
  wide.fluid.h2o = 1;
  ReactionContext b(console.io, s.run, wide, s.settings);
  EXPECT_EQ(linearityVerdict(b, brucite, AverageKind::T, 0.1L), ':');
  EXPECT_EQ(linearityVerdict(b, brucite, AverageKind::T, 10), 'X');
  // ky = sill does not reach 450 C inside this P window
  WindowState narrow = ptWindow(450, 700, 8, 9);
  ReactionContext n(console.io, s.run, narrow, s.settings);
  EXPECT_EQ(linearityVerdict(n, kySill, AverageKind::P, 1), '0');
}

}  // namespace
}  // namespace pf
