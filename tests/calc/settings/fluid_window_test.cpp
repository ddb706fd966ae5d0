#include <gtest/gtest.h>

#include <string>

#include "calc/settings/windows.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::Dialogue;
using testing::scriptOf;

TEST(SetFluid, QuestionsFollowTheFluidEndMembersPresent) {
  struct Case {
    FluidPresence presence;
    int fluidtype;
    const char* answers;
    std::string console;
    Real co2, h2o;
    int newFluidtype;
  };
  const Case cases[] = {
      {{true, false, false}, 2, "0.8\n", "fixed a(H2O) : ", 0, 0.8L, 2},
      {{false, true, false}, 2, "0.3\n", "fixed a(CO2) : ", 0.3L, 0, 2},
      {{true, true, false}, 2, "0.2 0.8\n", "fixed a(CO2), a(H2O) : ", 0.2L, 0.8L, 2},
      {{true, false, true},
       2,
       "0 0.5\n",
       "for cordierite activity calculation\nfixed a(CO2), a(H2O) : ",
       0,
       0.5L,
       2},
      {{false, false, true},
       2,
       "0 0\n",
       "for cordierite activity calculation\nfixed a(CO2), a(H2O) : ",
       0,
       0,
       2},
      {{false, false, false}, 2, "", "", 0, 0, 2},
      {{true, true, false}, 3, "0.25\n", "fluid is just H2O-CO2\nfixed x(CO2) : ", 0.25L, 0.75L, 6},
      {{false, true, false}, 4, "\n", "fluid just CO2 ? ", 1, 0, 6},
      {{false, true, false},
       4,
       "n\n0.3\n",
       "fluid just CO2 ? fluid is just H2O-CO2\nfixed x(CO2) : ",
       0.3L,
       0.7L,
       6},
      {{true, false, false},
       3,
       "n\n0.9\n",
       "fluid just H2O ? fluid is just H2O-CO2\nfixed x(H2O) : ",
       0.1L,
       0.9L,
       6},
      {{true, false, false},
       2,
       "0\n-1\n0.5\n",
       "fixed a(H2O) : not valid : fixed a(H2O) : not valid : fixed a(H2O) : ",
       0,
       0.5L,
       2},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    WindowState w;
    w.fluid.fluidtype = c.fluidtype;
    setfluid(d.io, w, scriptDefaults(), c.presence);
    EXPECT_EQ(d.console(), c.console) << c.answers;
    EXPECT_NEAR(w.fluid.co2, c.co2, 1e-18L) << c.answers;
    EXPECT_NEAR(w.fluid.h2o, c.h2o, 1e-18L) << c.answers;
    EXPECT_EQ(w.fluid.fluidtype, c.newFluidtype) << c.answers;
  }
}

TEST(SetFluid, ScriptValuesAreShownOrRefused) {
  FluidPresence both{true, true, false};
  {
    Dialogue d;
    WindowState w;
    w.fluid.fluidtype = 3;
    setfluid(d.io, w, scriptOf("setfluid 0.25 0.75\n"), both);
    EXPECT_EQ(d.console(), "x(CO2) = 0.2500, x(H2O) = 0.7500 ( from script ) \n");
    EXPECT_EQ(w.fluid.fluidtype, 6);
  }
  {
    Dialogue d;
    WindowState w;
    setfluid(d.io, w, scriptOf("setfluid 0.2 0.5\n"), both);
    EXPECT_EQ(d.console(), "a(CO2) = 0.2000, a(H2O) = 0.5000 ( from script ) \n");
  }
  {
    Dialogue d("0.4\n");
    WindowState w;
    w.fluid.fluidtype = 3;
    setfluid(d.io, w, scriptOf("setfluid 0.3 0.8\n"), both);
    EXPECT_EQ(d.console(),
              "x(CO2), x(H2O) from script not valid : fluid is just H2O-CO2\nfixed x(CO2) : ");
    EXPECT_NEAR(w.fluid.h2o, 0.6L, 1e-18L);
  }
  {
    Dialogue d("n\n0.9\n");
    WindowState w;
    setfluid(d.io, w, scriptOf("setfluid ask 0.2 0.5\n"), FluidPresence{true, false, false});
    EXPECT_EQ(d.console(), "use the fluid composition specified in the datafile ? fixed a(H2O) : ");
    EXPECT_EQ(w.fluid.co2, 0);
  }
}

TEST(FluidLabel, NamesThePositiveValues) {
  struct Case {
    int fluidtype;
    Real co2, h2o;
    const char* label;
  };
  const Case cases[] = {
      {2, 0.2L, 0.8L, "T = 600 (for a(CO2) = 0.2 and a(H2O) = 0.8)"},
      {2, 0.2L, 0, "T = 600 (for a(CO2) = 0.2)"},
      {2, 0, 1, "T = 600 (for a(H2O) = 1)"},
      {6, 0.25L, 0.75L, "T = 600 (for x(CO2) = 0.25 and x(H2O) = 0.75)"},
      {6, 0.125L, 0, "T = 600 (for x(CO2) = 0.125)"},
      {6, 0, 1, "T = 600(for x(H2O) = 1)"},
      {2, 0, 0, "T = 600"},
  };
  for (const Case& c : cases) {
    WindowState w;
    w.fluid = FixedFluid{c.fluidtype, c.co2, c.h2o};
    std::string line = "T = 600";
    fluidlabel(w, line);
    EXPECT_EQ(line, c.label);
  }
}

}  // namespace
}  // namespace pf
