// The built-in fluid mixing against worked values, aqueous solutes at
// infinite dilution, and the phase print-out.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/ax/fluid_species.h"
#include "calc/ax/printphases.h"
#include "tests/calc/ax/ax_fixture.h"

namespace pf::testing {
namespace {

// H2O-CO2-CH4 at x = (0.6, 0.3, 0.1), 873 K, 5 kbar, Pitzer-Sterner volumes
// for H2O and CO2, corresponding-states CORK for CH4: worked values of the
// volume-scaled van Laar model.
TEST(FluidPhases, ThreeSpeciesWorkedValues) {
  AxRead read;
  read.read(
      "fluid 3 1  x(fluid) 0.3  y(fluid) 0.1  p(H2O) 1 1 1 2 -1 x(fluid) -1 y(fluid)  "
      "p(CO2) 1 1 0 1 1 x(fluid)  p(CH4) 1 1 0 1 1 y(fluid)  ideal  3  "
      "xw 1 1 1 2 -1 x(fluid) -1 y(fluid)  xc 1 1 0 1 1 x(fluid)  xm 1 1 0 1 1 y(fluid)  "
      "H2O 1 1 xw 1  CO2 1 1 xc 1  CH4 1 1 xm 1\n");
  ActivityResult r;
  calca(read.solution("fluid"), std::vector<Real>{0.3L, 0.1L}, 5, 873, 0,
        ActivityContext{&read.console.io, true}, r);
  const Real rtlngamma[] = {1.791213L, 1.424542L, 4.238745L};
  const Real a[] = {0.767935L, 0.365053L, 0.179315L};
  for (int l = 0; l < 3; ++l) {
    EXPECT_NEAR(r.rtlngamma[static_cast<std::size_t>(l)], rtlngamma[l], 5.01e-7L) << l;
    EXPECT_NEAR(r.a[static_cast<std::size_t>(l)], a[l], 5.01e-7L) << l;
  }
  // the excess Gibbs energy, sum of x RT ln gamma
  Real gex = 0.6L * r.rtlngamma[0] + 0.3L * r.rtlngamma[1] + 0.1L * r.rtlngamma[2];
  EXPECT_NEAR(gex, 1.925965L, 5.01e-7L);
}

TEST(FluidPhases, PairTableIsSymmetricAndKeyedByName) {
  EXPECT_EQ(fluidPairValue(fluidSpeciesIndex("H2O"), fluidSpeciesIndex("CO2")), 10.5L);
  EXPECT_EQ(fluidPairValue(fluidSpeciesIndex("CH4"), fluidSpeciesIndex("H2O")), 17.517L);
  EXPECT_EQ(fluidPairValue(fluidSpeciesIndex("S2"), fluidSpeciesIndex("H2S")), 0.051L);
  EXPECT_EQ(fluidSpeciesIndex("NaCl"), -1);
  EXPECT_FALSE(fluidSpeciesTable()[static_cast<std::size_t>(fluidSpeciesIndex("O2"))].implemented);
  EXPECT_TRUE(isFluidAqueousName("SO42-"));
  EXPECT_FALSE(isFluidAqueousName("q"));
}

// An aqueous solute's own term with water vanishes at infinite dilution;
// water keeps no excess term there either.
TEST(AqueousPhases, SoluteTermVanishesAtInfiniteDilution) {
  AxRead read;
  read.read(
      "aq 2 1  x(aq) 0.2  p(H2O) 1 1 1 1 -1 x(aq)  p(q) 1 1 0 1 1 x(aq)  asf  W(H2O,q) 12 -0.003 "
      "0.05  "
      "a(H2O) 1 0 0  a(q) 1.7 0 0.01  2  xw 1 1 1 1 -1 x(aq)  xs 1 1 0 1 1 x(aq)  H2O 1 1 xw 1  q "
      "1 1 xs 1\n");
  SolutionPhase& aq = read.solution("aq");
  aq.endMembers[1].aqueousSolute = true;  // as a dataset record with an aqueous term makes it
  ActivityContext context{&read.console.io, true};
  ActivityResult dilute, r;
  calca(aq, std::vector<Real>{1e-14L}, 5, 873, kAllDerivatives, context, dilute);
  EXPECT_NEAR(dilute.rtlngamma[1], 0, 1e-10L);
  EXPECT_NEAR(dilute.rtlngamma[0], 0, 1e-10L);
  // elsewhere the +1 shifts only the solute's term, by its scaled W
  calca(aq, std::vector<Real>{0.2L}, 5, 873, kAllDerivatives, context, r);
  aq.endMembers[1].aqueousSolute = false;
  ActivityResult plain;
  calca(aq, std::vector<Real>{0.2L}, 5, 873, kAllDerivatives, context, plain);
  EXPECT_EQ(r.rtlngamma[0], plain.rtlngamma[0]);
  Real scaled = r.alpha[1] * 2 * r.w[0] / (r.alpha[0] + r.alpha[1]);
  EXPECT_NEAR(r.rtlngamma[1], plain.rtlngamma[1] - scaled, 1e-12L);
  EXPECT_NEAR(r.dx[1][0], plain.dx[1][0], 1e-12L);

  aq.model = kSymmetricMixing;
  aq.endMembers[1].aqueousSolute = true;
  Bombed fault = faultOf([&] { calca(aq, std::vector<Real>{0.2L}, 5, 873, 0, context, r); });
  EXPECT_EQ(fault.message, "symmetric aq??");
}

TEST(PhasePrintOut, HeadingsAndValues) {
  AxRead& demo = demoAx();
  Console out;
  printphases(out.io, demo.tables, 5, 873, kToConsole, false,
              ActivityContext{&demo.console.io, true});
  const std::string text = out.text();
  const std::string rule(60, '-');
  EXPECT_NE(
      text.find(rule + "\nol\nstarting guesses\n       x(ol)\n    0.100000\nsite fractions\n"),
      std::string::npos);
  EXPECT_NE(text.find("activities\n          fo          fa\n    0.820730   0.0290371\n"),
            std::string::npos);
  EXPECT_NE(
      text.find("ideal mixing activities\n          fo          fa\n    0.810000   0.0100000\n"),
      std::string::npos);
  EXPECT_NE(text.find("non-ideality by symmetric formalism\n  W(fo,fa) =     9.55240\n"),
            std::string::npos);
  EXPECT_NE(
      text.find("non-ideality by van laar\n  W(ab,an) =     18.3485\n  v(ab) =     3.33207\n"),
      std::string::npos);
  EXPECT_NE(text.find("activities\n         H2O         CO2\n    0.803705    0.440895\n"),
            std::string::npos);
  EXPECT_NE(text.find(rule + "\nsingle end-member phase: ky\n" + rule), std::string::npos);
  EXPECT_NE(text.find("single end-member phase: fodqf\n  made from 1.00000 fo\n"
                      "  DQF increments: 1.00000 + 0T + 0P\n"),
            std::string::npos);

  Console wide;
  printsolution(wide.io, demo.solution("g"), 5, 873, kToConsole, true,
                ActivityContext{&demo.console.io, true});
  EXPECT_NE(
      wide.text().find(
          "formalism\n                                   W           H           S           V\n"
          "  W(py,alm)                  4.74300     4.21800           0    0.105000\n"
          "  W(py,gr)                   32.5787     47.1915   0.0173400    0.105000\n"),
      std::string::npos);
}

}  // namespace
}  // namespace pf::testing
