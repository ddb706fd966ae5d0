#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "calc/settings/calc_codes.h"
#include "calc/settings/windows.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;
using testing::kDeg;
using testing::kMu;
using testing::scriptOf;

const std::string kWindows = "setTwindow 400 800\nsetPwindow 2 10\n";
const std::string kShown = "PT window: 2 <=> 10 kbar; 400 <=> 800" + kDeg + " (from script)\n";

TEST(WindowSetup, InvariantPointsScaleTheSolverAroundTheWindow) {
  Dialogue d;
  WindowState w;
  windowsetup(d.io, w, scriptOf(kWindows), 0, true);
  EXPECT_EQ(d.console(), kShown);
  EXPECT_EQ(w.calcvariable, kVarT);
  EXPECT_EQ(w.othervariable, kVarP);
  // P widened by (2 + 10) x 0.075 / 2 + 1 = 1.45 kbar, T by 75 K
  EXPECT_NEAR(w.Pscale, 1 / 10.9L, 1e-18L);
  EXPECT_NEAR(w.Poffset, -0.55L / 10.9L, 1e-18L);
  EXPECT_NEAR(w.Tscale, 1 / 550.0L, 1e-18L);
  EXPECT_NEAR(w.Toffset, -598 / 550.0L, 1e-18L);
  EXPECT_NEAR(w.Tstep, 0.1L / 550, 1e-18L);
  EXPECT_NEAR(w.Pstep, 0.01L / 10.9L, 1e-18L);
  EXPECT_EQ(w.Tlist, std::vector<Real>{873});
  EXPECT_EQ(w.Plist, std::vector<Real>{6});
  EXPECT_EQ(w.Tdec, 1);
  EXPECT_EQ(w.Pdec, 2);
}

TEST(WindowSetup, StartingGuessMovesTheCentre) {
  struct Case {
    const char* guess;
    Real Tmid, Pmid;
  };
  const Case cases[] = {
      {"ptguess 5 650\n", 923, 6}, {"ptguess 5 900\n", 873, 5}, {"ptguess 50 900\n", 873, 6}};
  for (const Case& c : cases) {
    Dialogue d;
    WindowState w;
    windowsetup(d.io, w, scriptOf(kWindows + c.guess), 0, true);
    EXPECT_EQ(w.Tmid, c.Tmid) << c.guess;
    EXPECT_EQ(w.Pmid, c.Pmid) << c.guess;
  }
}

TEST(WindowSetup, UnivariantLinesListTheSteppedVariable) {
  {
    Dialogue d("2\n");
    WindowState w;
    windowsetup(d.io, w, scriptOf(kWindows + "calctatp\n"), 1, true);
    EXPECT_EQ(d.console(), kShown + "P window :2 <-> 10 kbar :\nP interval : ");
    EXPECT_EQ(w.calcvariable, kVarT);
    EXPECT_EQ(w.Plist, (std::vector<Real>{2, 4, 6, 8, 10}));
    EXPECT_EQ(w.Pdec, 2);
  }
  {
    Dialogue d("n\n100\n");
    WindowState w;
    windowsetup(d.io, w, scriptOf(kWindows), 1, true);
    EXPECT_EQ(d.console(), "calculate T at  P (rather than P at T) ? " + kShown +
                               "T window : 400 <-> 800\nT interval : ");
    EXPECT_EQ(w.calcvariable, kVarP);
    EXPECT_EQ(w.Tlist.size(), 5u);
  }
}

TEST(WindowSetup, WindowsAreCheckedAndVarianceGuarded) {
  Dialogue d("400 800\n2 10\n");
  WindowState w;
  windowsetup(d.io, w, scriptOf("setTwindow 0 800\nsetPwindow 5 5\n"), 0, true);
  EXPECT_NE(d.console().find("T(low) must be greater than 10 : try again\nT low,high : "),
            std::string::npos);
  EXPECT_NE(d.console().find("P(low) must be less than P(high) : try again"), std::string::npos);

  Dialogue batch;
  WindowState wb;
  windowsetup(batch.io, wb, scriptOf(kWindows + "batch 2 g q\n"), 2, true);
  EXPECT_EQ(batch.console(), kShown) << "a batch run counts as invariant: no lists";

  Dialogue weird;
  WindowState ww;
  Bombed fault = bombOf([&] { windowsetup(weird.io, ww, scriptOf(kWindows), 3, true); });
  EXPECT_EQ(fault.procedure, "windowsetup");
  EXPECT_EQ(fault.message, "very weird variance");
  EXPECT_EQ(fault.kind, 1);
}

TEST(DiagramWindowSetup, XCO2Diagrams) {
  {
    Dialogue d("400 800 0.05 0.95\n\n5\n");
    WindowState w;
    w.diagrammode = kDiagramTX;
    diagramwindowsetup(d.io, w, scriptDefaults(), true, 1, "", FluidPresence{});
    EXPECT_EQ(d.console(),
              "T-x(CO2) window in which the phase diagram to be drawn\n"
              "T low, high , x(CO2) low, high : x(CO2) window : 0.05 <-> 0.95\n"
              "0.05 0.1 0.2 0.4 0.6 0.8 0.9 0.95 : use these x(CO2) ? fixed P (in kbar) : ");
    EXPECT_EQ(w.calcvariable, kVarT);
    EXPECT_EQ(w.othervariable, kVarX);
    EXPECT_EQ(w.Tlow, 673);
    EXPECT_EQ(w.Plow, 5);
    EXPECT_EQ(w.Phigh, 5);
    EXPECT_EQ(w.Tmid, 873);
    EXPECT_EQ(w.xco2.size(), 8u);
  }
  {
    Dialogue d("2 10 0.1 0.9\n600\n");
    WindowState w;
    w.diagrammode = kDiagramPX;
    w.calcCode = kCalcPhaseDiagram;
    diagramwindowsetup(d.io, w, scriptDefaults(), true, 1, "", FluidPresence{});
    EXPECT_EQ(d.console(),
              "P-x(CO2) window in which the phase diagram to be drawn\n"
              "P low, high , x(CO2) low, high : fixed T (in " +
                  kDeg + ") : ");
    EXPECT_EQ(w.Tlow, 873);
    EXPECT_EQ(w.Thigh, 873);
    EXPECT_EQ(w.calcvariable, kVarP);
  }
}

TEST(DiagramWindowSetup, PTDiagramTakesTheFluidFromItsEndMember) {
  Dialogue d("2\n");
  WindowState w;
  diagramwindowsetup(d.io, w, scriptOf(kWindows + "calctatp\n"), true, 1, "H2O", FluidPresence{});
  EXPECT_EQ(d.console(), kShown + "P window :2 <-> 10 kbar :\nP interval : ");
  EXPECT_EQ(w.fluid.h2o, 1);
  EXPECT_EQ(w.fluid.co2, 0);

  Dialogue again;
  diagramwindowsetup(again.io, w, scriptDefaults(), false, 1, "CO2", FluidPresence{});
  EXPECT_EQ(again.console(), "") << "without asking only the fluid is derived again";
  EXPECT_EQ(w.fluid.co2, 1);
  EXPECT_EQ(w.fluid.h2o, 0);

  Dialogue crd("2\n0.2 0.8\n");
  FluidPresence cordierite{false, false, true};
  diagramwindowsetup(crd.io, w, scriptOf(kWindows + "calctatp\n"), true, 1, "", cordierite);
  EXPECT_NE(crd.console().find("for cordierite activity calculation\nfixed a(CO2), a(H2O) : "),
            std::string::npos);
  EXPECT_EQ(w.fluid.co2, 0.2L);
}

TEST(DiagramWindowSetup, LogActivityAndMuDiagrams) {
  {
    Dialogue d("y\n400 800 -2 0\n0.5\n5\nrutile\n");
    WindowState w;
    w.diagrammode = kDiagramTlna;
    w.lnaName = "ru";
    diagramwindowsetup(d.io, w, scriptDefaults(), true, 1, "", FluidPresence{});
    EXPECT_EQ(d.console(),
              "for T-log a, are logs to be to the base 10 ? logs are to the base 10\n"
              "T-log a window in which the phase diagram to be drawn\n"
              "T low, high , log a low, high : log a window : -2 <-> 0 : \n"
              "log a interval : fixed P (in kbar) : "
              "for labelling purposes in log a, replace name, 'ru', with : ");
    EXPECT_NEAR(w.lnalow, -2 * std::log(10.0L), 1e-17L);
    EXPECT_EQ(w.rows[0].values.size(), 5u);
    EXPECT_EQ(w.lnaLabel, "rutile");
    EXPECT_EQ(w.othervariable, kVarLna);
  }
  {
    // a base-10 window whose natural log is beyond the numbers held is
    // asked for again
    Dialogue d("y\n400 800 -1e4932 0\n-3.25 0.5\n0.75\n5\nrutile\n");
    WindowState w;
    w.diagrammode = kDiagramTlna;
    w.lnaName = "ru";
    diagramwindowsetup(d.io, w, scriptDefaults(), true, 1, "", FluidPresence{});
    EXPECT_NE(
        d.console().find("log a window beyond the numbers held - try again\nlog a low,high : "),
        std::string::npos)
        << d.console();
    EXPECT_NEAR(w.lnalow, -3.25L * std::log(10.0L), 1e-17L);
    EXPECT_NEAR(w.lnahigh, 0.5L * std::log(10.0L), 1e-17L);
    EXPECT_EQ(w.rows[0].values.size(), 6u);
  }
  {
    Dialogue d("2 10 -300 -250\n10\n600\n");
    WindowState w;
    w.diagrammode = kDiagramPmu;
    w.muName = "H2O";
    diagramwindowsetup(d.io, w, scriptDefaults(), true, 1, "", FluidPresence{});
    EXPECT_EQ(d.console(), "P-" + kMu +
                               " window in which the phase diagram to be drawn\nP low, high , " +
                               kMu + "(H2O) low, high : " + kMu + " window : -300 <-> -250 : \n" +
                               kMu + " interval : fixed T (in " + kDeg + ") : ");
    EXPECT_EQ(w.fluid.h2o, 1);
    EXPECT_EQ(w.calcvariable, kVarP);
    EXPECT_EQ(w.rows[0].values.size(), 6u);
  }
  Dialogue d;
  WindowState w;
  w.diagrammode = 9;
  Bombed fault =
      bombOf([&] { diagramwindowsetup(d.io, w, scriptDefaults(), true, 1, "", FluidPresence{}); });
  EXPECT_EQ(fault.procedure, "diagram");
  EXPECT_EQ(fault.message, "unknown diagrammode");
  EXPECT_EQ(fault.kind, 1);
}

}  // namespace
}  // namespace pf
