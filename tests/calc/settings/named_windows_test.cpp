#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "calc/settings/windows.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;
using testing::kMu;
using testing::scriptOf;

double d(Real x) {
  return static_cast<double>(x);
}

const std::vector<std::string> kEndMembers{"q", "H2O", "ab", "CO2"};

TEST(ActivityWindows, PresetValuesAreFixedOthersGetAWindow) {
  struct Case {
    const char* script;
    const char* answers;
    std::string console;
    std::vector<SetQuantity> set;
    std::vector<std::vector<Real>> rows;
  };
  const Case cases[] = {
      {"seta H2O 0.25 q zo\n",
       "0.2 0.6\n0.1\n",
       "activity(q): low, high : activity window : 0.2 <-> 0.6 : \nactivity interval : ",
       {{"H2O", 2, false, 0, std::log(0.25L), 0, 0},
        {"q", 1, true, 1, 0, std::log(0.2L), std::log(0.6L)}},
       {{0.2L, 0.3L, 0.4L, 0.5L, 0.6L}}},
      {"setloga ab -0.5 H2O CO2 12\n",
       "-2 0\n0.5\n-1\n",
       "all logs are to the base 10\n"
       "log a(H2O): low, high : log a window : -2 <-> 0 : \nlog a interval : "
       "log a(CO2): low, high : ",
       {{"ab", 3, false, 0, -0.5L * std::log(10.0L), 0, 0},
        {"H2O", 2, true, 1, 0, -2 * std::log(10.0L), 0},
        {"CO2", 4, true, 2, 0, -std::log(10.0L), -std::log(10.0L)}},
       {{-2 * std::log(10.0L), -1.5L * std::log(10.0L), -std::log(10.0L), -0.5L * std::log(10.0L),
         0},
        {-std::log(10.0L)}}},
      {"setlna q -1.25 ab\n",
       "-3.5 -1.5\n1\n",
       "all logs are to the base e (ie natural logs)\n"
       "ln a(ab): low, high : ln a window : -3.5 <-> -1.5 : \nln a interval : ",
       {{"q", 1, false, 0, -1.25L, 0, 0}, {"ab", 3, true, 1, 0, -3.5L, -1.5L}},
       {{-3.5L, -2.5L, -1.5L}}},
      {"seta no\n", "", "", {}, {}},
      {"seta ask H2O 0.5 q 0.1\n", "no\n", "use activities specified in datafile ? ", {}, {}},
  };
  for (const Case& c : cases) {
    Dialogue dialogue(c.answers);
    WindowState w;
    w.fluid.fluidtype = kFluidPureH2O;
    ScriptSettings s = scriptOf(c.script);
    std::vector<SetQuantity> set = setactivitywindows(dialogue.io, w, s, kEndMembers);
    EXPECT_EQ(dialogue.console(), c.console) << c.script;
    ASSERT_EQ(set.size(), c.set.size()) << c.script;
    for (std::size_t k = 0; k < set.size(); ++k) {
      EXPECT_EQ(set[k].name, c.set[k].name) << c.script;
      EXPECT_EQ(set[k].endMember, c.set[k].endMember) << c.script << k;
      EXPECT_EQ(set[k].varied, c.set[k].varied) << c.script << k;
      EXPECT_EQ(set[k].row, c.set[k].row) << c.script << k;
      EXPECT_NEAR(d(set[k].value), d(c.set[k].value), 1e-15) << c.script << k;
      EXPECT_NEAR(d(set[k].low), d(c.set[k].low), 1e-15) << c.script << k;
      EXPECT_NEAR(d(set[k].high), d(c.set[k].high), 1e-15) << c.script << k;
    }
    ASSERT_EQ(w.rows.size(), c.rows.size()) << c.script;
    for (std::size_t r = 0; r < w.rows.size(); ++r) {
      EXPECT_TRUE(w.rows[r].varied);
      ASSERT_EQ(w.rows[r].values.size(), c.rows[r].size()) << c.script << r;
      for (std::size_t k = 0; k < c.rows[r].size(); ++k)
        EXPECT_NEAR(d(w.rows[r].values[k]), d(c.rows[r][k]), 1e-15) << c.script << r << k;
    }
  }
}

TEST(ActivityWindows, AWindowOnAFluidFixesItsActivity) {
  struct Case {
    const char* script;
    int fluidtype, newType;
    Real h2o, co2;
  };
  const Case cases[] = {
      {"seta H2O\n", kFluidPureH2O, kFluidActivities, 1, 0},
      {"seta H2O\n", kFluidPureCO2, kFluidPureCO2, 1, 0},
      {"seta CO2\n", kFluidPureCO2, kFluidActivities, 0, 1},
      {"seta CO2 0.5 q\n", kFluidPureCO2, kFluidPureCO2, 0, 0},  // a fixed value, no window
  };
  for (const Case& c : cases) {
    // two names, so that one name alone is not the diagram's axis
    Dialogue dialogue("0.5 0.5\n0.5 0.5\n");
    WindowState w;
    w.fluid.fluidtype = c.fluidtype;
    ScriptSettings s =
        scriptOf(std::string(c.script).substr(0, std::string(c.script).size() - 1) + " zz\n");
    setactivitywindows(dialogue.io, w, s, kEndMembers);
    EXPECT_EQ(w.fluid.fluidtype, c.newType) << c.script;
    EXPECT_EQ(w.fluid.h2o, c.h2o) << c.script;
    EXPECT_EQ(w.fluid.co2, c.co2) << c.script;
  }
}

TEST(MuWindows, EachNameBecomesAPhaseWithItsMuFixedOrVaried) {
  const std::vector<NamedComposition> endMembers{
      {"q", {1, 0, 0}}, {"O2", {0, 0, 2}}, {"H2O", {0, 2, 1}}, {"per", {0, 0, 1}}};
  const std::vector<NamedComposition> pure{{"q", {1, 0, 0}}};
  Dialogue dialogue("-300 -250\n12.5\n");
  WindowState w;
  ScriptSettings s = scriptOf("setmu O2 -250.5 H2O xx\n");
  int phases = 3, endMemberCount = 12;
  std::vector<SetQuantity> set =
      setupmu(dialogue.io, w, s, endMembers, pure, phases, endMemberCount);
  EXPECT_EQ(phases, 5);
  EXPECT_EQ(endMemberCount, 14);
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(set[0].name, "O2");
  EXPECT_FALSE(set[0].varied);
  EXPECT_EQ(set[0].value, -250.5L);
  EXPECT_EQ(set[1].endMember, 3);
  EXPECT_TRUE(set[1].varied);
  EXPECT_EQ(set[1].row, 1);
  EXPECT_EQ(set[1].low, -300);
  EXPECT_EQ(set[1].high, -250);
  EXPECT_EQ(dialogue.console(),
            "mu(H2O): low, high : " + kMu + " window : -300 <-> -250 : \n" + kMu + " interval : ");
  ASSERT_EQ(w.rows.size(), 1u);
  EXPECT_EQ(w.rows[0].values, (std::vector<Real>{-300, -287.5L, -275, -262.5L, -250}));
}

TEST(MuWindows, LimitsAndRepeatedCompositionsStopTheRun) {
  const std::vector<NamedComposition> endMembers{{"O2", {0, 0, 2}}, {"per", {0, 1, 1}}};
  struct Case {
    std::vector<NamedComposition> pure;
    const char* script;
    int phases, endMembers;
    std::string message;
    std::string console;
  };
  const Case cases[] = {
      {{}, "setmu O2 -1 per\n", 60, 12, "with mu 'phase', max no of phases exceeded", ""},
      {{}, "setmu O2 -1 per\n", 12, 200, "with mu 'phase', max no of phases exceeded", ""},
      {{{"q", {1, 0, 0}}, {"o2gas", {0, 0, 2}}},
       "setmu per -3 O2 -1\n",
       7,
       30,
       "O2 is same as o2gas",
       "\ni = 9, j = 2, k = 3, ii = 1\nnp00 = 7, nuv = 2\n"},
      {{},
       "setmu O2 -1 O2 -2\n",
       7,
       30,
       "O2 is same as O2",
       "\ni = 9, j = 1, k = 3, ii = 1\nnp00 = 7, nuv = 2\n"},
  };
  for (const Case& c : cases) {
    Dialogue dialogue;
    WindowState w;
    ScriptSettings s = scriptOf(c.script);
    int phases = c.phases, count = c.endMembers;
    Bombed fault = bombOf([&] { setupmu(dialogue.io, w, s, endMembers, c.pure, phases, count); });
    EXPECT_EQ(fault.procedure, "setupmu") << c.script;
    EXPECT_EQ(fault.message, c.message) << c.script;
    EXPECT_EQ(fault.kind, 0);
    EXPECT_EQ(dialogue.console(), c.console) << c.script;
  }
}

}  // namespace
}  // namespace pf
