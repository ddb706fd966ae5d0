// The set-up dialogue of phase diagrams on the demo a-x file: the phase
// choice with every answer form, the fluid type, the excess phases, the
// variance and the isopleths.
#include "calc/phasediagram/setup.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/ax/activity.h"
#include "calc/thermo/gibbs.h"
#include "common/text.h"
#include "tests/calc/ax/ax_fixture.h"
#include "tests/calc/phasediagram/mode1_fixture.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::demoTables;
using testing::Dialogue;
using testing::scriptOf;

std::string chosenNames(const PhaseDiagramSetup& s) {
  std::string names;
  for (const ChosenPhase& p : s.phases) names += (names.empty() ? "" : " ") + p.name;
  return names;
}

struct Choice {
  Dialogue d;
  PhaseDiagramSetup setup;
  Choice(const std::string& answers, const std::string& script, PhaseDiagramMemory& memory)
      : d(answers) {
    whichphases(d.io, demoTables(), scriptOf(script), memory, setup);
  }
};

TEST(PhaseChoice, EveryAnswerFormOfWhichPhases) {
  const std::string all =
      "ol opx g pl bi fluid ky sill and q coe ab jd cc arag wo fodqf";  // fluid leaves H2O, CO2 out
  struct Case {
    std::vector<std::string> previous;
    std::string answers;
    std::string chosen;
    int fluidtype;
  };
  const Case cases[] = {
      {{}, "\n", all, kFluidBinary},
      {{}, "all\n", all, kFluidBinary},
      {{"ol", "opx", "q"}, "\n", "ol opx q", kFluidGiven},
      {{"ol", "opx", "q"}, "=\n", "ol opx q", kFluidGiven},
      {{"ol", "opx", "q"}, "- q\n", "ol opx", kFluidGiven},
      {{"ol", "opx", "q"}, "+g\n", "ol opx g q", kFluidGiven},
      {{"ol", "opx", "q"}, "+\ng pl\n", "ol opx g pl q", kFluidGiven},
      {{"ol", "opx", "q"}, "-\nol\n", "opx q", kFluidGiven},
      {{}, "q ol opx\n", "ol opx q", kFluidGiven},
      // pure H2O beside pure CO2 keeps only H2O; beside a fluid phase neither
      {{},
       "omit fluid\n",
       "ol opx g pl bi ky sill and q coe ab jd cc arag wo H2O fodqf",
       kFluidH2O},
      {{}, "fluid H2O q\n", "fluid q", kFluidBinary},
      {{}, "q CO2\n", "q CO2", kFluidCO2},
  };
  for (const Case& c : cases) {
    PhaseDiagramMemory memory{c.previous};
    Choice choice(c.answers, "", memory);
    EXPECT_EQ(chosenNames(choice.setup), c.chosen) << c.answers;
    EXPECT_EQ(choice.setup.fluidtype, c.fluidtype) << c.answers;
    EXPECT_EQ(memory.lastChoice.size(), choice.setup.phases.size());
  }
}

TEST(PhaseChoice, MisspeltNamesAreOfferedOneCorrection) {
  struct Case {
    std::string answers;
    std::string chosen;
    std::string console;
  };
  const Case cases[] = {
      {"ol opz q\nopx\n", "ol opx q", "bad name : replace opz with : "},
      {"ol opz q\n\n", "ol q", "bad name : replace opz with : "},
      {"ol opz q\nxyz\n", "ol q", " still a bad name: name ignored\n"},
      {"ol opz q\nabcdefghijklmnopqrstu\n", "ol q", " name too long: name ignored\n"},
  };
  for (const Case& c : cases) {
    PhaseDiagramMemory memory;
    Choice choice(c.answers, "", memory);
    EXPECT_EQ(chosenNames(choice.setup), c.chosen) << c.answers;
    EXPECT_NE(choice.d.console().find(c.console), std::string::npos) << choice.d.console();
  }
}

TEST(PhaseChoice, ScriptListsIgnoresAndIncludesExcessPhases) {
  PhaseDiagramMemory memory;
  Choice fromScript("", "which ol opx\nsetexcess q\nignore g coe\n", memory);
  EXPECT_EQ(chosenNames(fromScript.setup), "ol opx q");
  EXPECT_NE(fromScript.d.console().find("phases ignored this run: g coe (from script)\n"),
            std::string::npos);

  // asked: the list shows the excess phases and the last choice
  PhaseDiagramMemory previous{{"ol", "opx"}};
  Choice asked("\n", "setexcess q\n", previous);
  EXPECT_EQ(chosenNames(asked.setup), "ol opx q");
  const std::string console = asked.d.console();
  EXPECT_NE(console.find("q  - automatically included (from script)\n"), std::string::npos)
      << console;
  EXPECT_NE(console.find("last time was: ol  opx  +  q  \n"), std::string::npos) << console;
  EXPECT_NE(console.find("which phases : "), std::string::npos);

  PhaseDiagramMemory all;
  Choice allPhases("", "allphases\n", all);
  EXPECT_NE(allPhases.d.console().find("all phases will be used (from script)"), std::string::npos);
  EXPECT_EQ(allPhases.setup.nss, 6);
}

TEST(PhaseChoice, DefunctFluidKeywordsAndFluidTypesThatCannotBeHandled) {
  PhaseDiagramMemory memory;
  Dialogue d;
  PhaseDiagramSetup setup;
  Bombed fault =
      bombOf([&] { whichphases(d.io, demoTables(), scriptOf("fluidexcess\n"), memory, setup); });
  EXPECT_EQ(fault.procedure, "whichphases");
  EXPECT_EQ(fault.message, "sorry: script change");
  EXPECT_NE(d.console().find("  instead add fluid/aq name(s) to setexcess script list"),
            std::string::npos);

  // two fluid phases
  testing::AxRead two;
  two.read(testing::demoAxText());
  SolutionPhase copy = two.solution("fluid");
  copy.name = "fluid2";
  two.tables.solutions.push_back(copy);
  two.tables.fileOrder.push_back(PhaseRef{true, two.tables.solutionCount() - 1});
  std::vector<ChosenPhase> phases{{PhaseRef{true, two.tables.findSolution("fluid")}, "fluid"},
                                  {PhaseRef{true, two.tables.findSolution("fluid2")}, "fluid2"}};
  EXPECT_EQ(fluidtypeOf(two.tables, phases), kFluidSeveral);
  phases.pop_back();
  EXPECT_EQ(fluidtypeOf(two.tables, phases), kFluidBinary);
  // a fluid phase beside a pure fluid end-member cannot be given a type
  phases.push_back({PhaseRef{false, two.tables.findPure("H2O")}, "H2O"});
  EXPECT_EQ(fluidtypeOf(two.tables, phases), kFluidNotSet);
  std::vector<ChosenPhase> both{{PhaseRef{false, two.tables.findPure("H2O")}, "H2O"},
                                {PhaseRef{false, two.tables.findPure("CO2")}, "CO2"}};
  EXPECT_EQ(fluidtypeOf(two.tables, both), kFluidNotSet);
}

TEST(ExcessPhases, FromTheScriptOrAsked) {
  struct Case {
    std::string script;
    std::string answers;
    std::string excess;
    std::string fluidExcess;
    std::string console;
  };
  const Case cases[] = {
      {"setexcess q\n", "", "q", "", ""},
      {"setexcess\n", "", "", "", "no phases in excess (from script)\n"},
      {"", "q\n", "q", "", "in excess: names : "},
      {"setexcess ask q\n", "n\nopx q\n", "opx q", "", "use in excess phases specified"},
      {"setexcess q\nsetexcess0 H2O\n", "", "q H2O", "H2O", ""},
      // pure H2O in excess is the fluid when no fluid is named
      {"setexcess H2O q\n", "", "q H2O", "H2O", ""},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    PhaseDiagramSetup setup;
    PhaseDiagramMemory memory;
    ScriptSettings script = scriptOf(c.script + "which ol opx q H2O\n");
    whichphases(d.io, demoTables(), script, memory, setup);
    setexcessphases(d.io, script, setup);
    std::string excess, fluid;
    for (const ChosenPhase& p : setup.phases) {
      if (p.excess) excess += (excess.empty() ? "" : " ") + p.name;
      if (p.fluidExcess) fluid += (fluid.empty() ? "" : " ") + p.name;
    }
    EXPECT_EQ(excess, c.excess) << c.script;
    EXPECT_EQ(fluid, c.fluidExcess) << c.script;
    EXPECT_NE(d.console().find(c.console), std::string::npos) << d.console();
  }
}

TEST(Variance, AnswersAreCheckedAgainstTheLeastVariance) {
  struct Case {
    std::string script;
    std::string answers;
    int G;
    bool dogmin;
    int v;
    std::string console;
  };
  const std::string bullet(1, kBullet);
  const Case cases[] = {
      {"", "5\n", 2, false, 2, bullet + " variance looks awry: reset to 2\n"},
      {"", "4\n", 2, false, 4, "variance of required equilibrium (2?) : "},
      {"", "1\n", 2, false, 2, "variance too low: reset to 2\n"},
      {"", "x\n", 2, true, 2, bullet + " garbage info for variance: set to 2\n"},
      {"", "x\n", 3, false, 3, bullet + " garbage info for variance: set to 3\n"},
      {"", "\n", 3, false, 3, "variance of required equilibrium (3?) : "},
      {"", "\n", -1, false, -1, "variance of required equilibrium (0?) : "},
      {"", "7\n", 1, true, 7, "max variance of equilibria to be looked at : "},
      {"setvar 1\n", "", 1, false, 1, "required equilibria are univariant (from script)\n"},
      {"setvar 0\n", "", 1, false, 1, "variance too low: reset to 1\n"},
      {"setvar 4\n", "", 1, true, 4, "max variance of equilibria 4-variant (from script)\n"},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    PhaseDiagramSetup setup;
    setup.nss = 1;
    setup.G = c.G;
    setup.dogmin = c.dogmin;
    choosevariance(d.io, scriptOf(c.script), setup);
    EXPECT_EQ(setup.v, c.v) << c.answers << c.script;
    EXPECT_EQ(setup.vsaved, c.v);
    EXPECT_NE(d.console().find(c.console), std::string::npos) << d.console();
  }
  // without solutions the equilibria are lines of reactions
  Dialogue d;
  PhaseDiagramSetup pure;
  pure.G = 3;
  choosevariance(d.io, scriptOf(""), pure);
  EXPECT_EQ(pure.v, 1);
  PhaseDiagramSetup counts;
  counts.nss = 2;
  counts.npure = 1;
  EXPECT_EQ(findvariance(3, counts, 0), 2);
  EXPECT_EQ(findvariance(3, counts, 1), 1);
}

TEST(Variance, DebugLevelFromTheScriptOrTheQuestions) {
  struct Case {
    int script;
    std::string answers;
    int level;
  };
  const Case cases[] = {{0, "", 0},          {4, "", 4},        {7, "", 1},
                        {-1, "n\n", 1},      {-1, "y\nn\n", 2}, {-1, "y\ny\nn\n", 3},
                        {-1, "y\ny\ny\n", 4}};
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    EXPECT_EQ(debugLevel(d.io, c.script), c.level) << c.script << c.answers;
  }
}

// ---- isopleths ----------------------------------------------------------------

struct Isopleths {
  Dialogue d;
  PhaseDiagramSetup setup;
  WindowState w;
  Isopleths(const std::string& phases, int v, const std::string& script, const std::string& answers)
      : d(answers) {
    PhaseDiagramMemory memory;
    ScriptSettings s = scriptOf("which " + phases + "\n" + script);
    whichphases(d.io, demoTables(), s, memory, setup);
    setup.v = setup.vsaved = v;
    isoplethquestions(d.io, s, demoTables(), w, setup);
  }
  std::vector<Real> values(std::size_t k = 0) const { return setup.isopleths.at(k).values; }
};

TEST(CompositionIsopleths, ValuesFromTheScriptOrAskedSetTheVarianceLeft) {
  Isopleths script("ol opx q", 2, "setiso x(ol) 0.82 0.9 0.04\n", "");
  ASSERT_EQ(script.setup.isopleths.size(), 1u);
  EXPECT_EQ(script.setup.isopleths[0].name, "x(ol)");
  EXPECT_EQ(script.setup.isopleths[0].variable, 0);
  ASSERT_EQ(script.values().size(), 3u);
  EXPECT_NEAR(script.values()[1], 0.86L, 1e-18L);
  EXPECT_EQ(script.values()[2], 0.9L);
  EXPECT_EQ(script.setup.v, 1);
  EXPECT_EQ(script.setup.vsaved, 2);
  EXPECT_EQ(script.d.console(),
            "isopleths to be set for x(ol) (from script)\n"
            "isopleth (low,high,interval) set in script\n"
            "equilibia now effectively univariant (eg a line in PT)\n");

  // asked: two variables make divariant equilibria invariant
  Isopleths asked("ol opx q", 2, "setiso ask x(ol) 0 0 0\n", "x(ol) 2\n0.85\n0.3 0.2\n");
  EXPECT_EQ(asked.setup.v, 0);
  ASSERT_EQ(asked.setup.isopleths.size(), 2u);
  EXPECT_EQ(asked.setup.isopleths[1].name, "x(opx)");
  EXPECT_EQ(asked.values(1), (std::vector<Real>{0.3L, 0.2L}));
  EXPECT_NE(asked.d.console().find("you may set compositional variables, from:\nx(ol)  x(opx)  \n"),
            std::string::npos)
      << asked.d.console();
  EXPECT_NE(asked.d.console().find("equilibia now effectively invariant (eg a point in PT)"),
            std::string::npos);

  // a trivariant system must be reduced: the notice, then the question
  Isopleths reduced("g opx pl q", 4, "", "x(g) z(g)\n0.8\n0.2\n");
  EXPECT_NE(reduced.d.console().find("you will have to set at least 2 compositional variables\n"),
            std::string::npos);
  EXPECT_EQ(reduced.setup.v, 2);
}

TEST(CompositionIsopleths, RangesListsAndIllegalValues) {
  struct Case {
    std::string answers;
    std::vector<Real> values;
    std::string console;
  };
  const Case cases[] = {
      {"0.2 0.5 0\n", {0.2L}, "did you mean inc=0?;  one isopleth at low will be used...\n"},
      {"0.2 0.5 0.4\n0.15\n",
       {0.2L, 0.35L, 0.5L},
       "isopleth interval too large (greater than high-low)\ntry again: interval : "},
      {"0.05 0.95 0.001\n0.3\n",
       {0.05L, 0.35L, 0.65L, 0.95L},
       "isopleth interval too small  (max = 201)  values\ntry again: interval : "},
      {"0.5 1.5 0.1\n0.5 0.7\n",
       {0.5L, 0.6L, 0.7L},
       "high not legal : try again\nisopleth: low,high : "},
      // an end-member's own composition empties a site: not a value to hold
      {"0.3 -0.2 0.7 1\n",
       {0.3L, 0.7L},
       "some of the values are not legal and have been ignored\n"},
      {"0 0.6 0.2\n0.2 0.6\n", {0.2L, 0.4L, 0.6L}, "low not legal : try again\n"},
  };
  for (const Case& c : cases) {
    Isopleths iso("ol opx q", 2, "setiso ask x(ol) 0 0 0\n", "x(ol)\n" + c.answers);
    ASSERT_EQ(iso.setup.isopleths.size(), 1u) << c.answers;
    std::vector<Real> got = iso.values();
    ASSERT_EQ(got.size(), c.values.size()) << c.answers;
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], c.values[k], 1e-15L);
    EXPECT_NE(iso.d.console().find(c.console), std::string::npos) << iso.d.console();
  }
  // nothing legal withdraws the isopleth: the variance stays
  Isopleths none("ol opx q", 2, "setiso ask x(ol) 0 0 0\n", "x(ol)\n1.2 -3\n");
  EXPECT_TRUE(none.setup.isopleths.empty());
  EXPECT_EQ(none.setup.v, 2);
  EXPECT_NE(none.d.console().find("no values are legal - all ignored\n"), std::string::npos);
}

TEST(CompositionIsopleths, FaultsThatStopTheRun) {
  struct Case {
    std::string phases;
    int v;
    std::string script;
    std::string answers;
    std::string procedure;
    std::string message;
  };
  const Case cases[] = {
      {"ol opx g pl q", 2, "setiso ask x(ol) 0 0 0\n", "x(ol) x(opx) x(g) z(g) m(g) 6\n",
       "isopleths", "too many isopleths"},
      {"ol opx q", 2, "setiso ask x(ol) 0 0 0\n", "", "readisopleth", "too many tries"},
      {"ol opx q", 1, "setiso ask x(ol) 0 0 0\n", "x(ol) x(opx)\n0.5\n0.5\n", "readisopleths",
       "too many things set"},
      {"g opx pl q", 5, "", "x(g)\n0.8\n", "readisopleths", "variance must be 0<->2"},
  };
  for (const Case& c : cases) {
    std::string answers = c.answers;
    if (c.message == "too many tries") {
      answers = "x(ol)\n0.5 1.5 0.1\n";
      for (int k = 0; k < kMaxIsoplethTries; ++k) answers += "0.5 1.5\n";
    }
    Dialogue d(answers);
    PhaseDiagramSetup setup;
    PhaseDiagramMemory memory;
    WindowState w;
    ScriptSettings s = scriptOf("which " + c.phases + "\n" + c.script);
    Bombed fault = bombOf([&] {
      whichphases(d.io, demoTables(), s, memory, setup);
      setup.v = setup.vsaved = c.v;
      isoplethquestions(d.io, s, demoTables(), w, setup);
    });
    EXPECT_EQ(fault.procedure, c.procedure) << c.answers;
    EXPECT_EQ(fault.message, c.message) << c.answers;
  }
}

TEST(ModeIsopleths, AskedOnlyWithABulkComposition) {
  // with a bulk: two modes make the equilibria invariant; a zero interval
  // gives one value
  Dialogue d("y\nn\ng opx\n0.1 0.5 0\n0.25\n");
  PhaseDiagramSetup setup;
  PhaseDiagramMemory memory;
  WindowState w;
  ScriptSettings s = scriptOf("which g opx pl q\nsetexcess q\n");
  whichphases(d.io, demoTables(), s, memory, setup);
  setexcessphases(d.io, s, setup);
  setup.bulk = true;
  setup.v = setup.vsaved = 2;
  isoplethquestions(d.io, s, demoTables(), w, setup);
  ASSERT_EQ(setup.modeIsoplethCount(), 2);
  EXPECT_EQ(setup.isopleths[0].values, std::vector<Real>{0.1L});
  EXPECT_EQ(setup.isopleths[1].values, std::vector<Real>{0.25L});
  EXPECT_EQ(setup.v, 0);
  EXPECT_FALSE(setup.reduce);
  const std::string console = d.console();
  EXPECT_NE(console.find("you may set modal proportions, from:\nopx  g  pl  \n"), std::string::npos)
      << console;
  EXPECT_NE(console.find("did you mean inc=0?;  one isopleth at low will be used...\n"),
            std::string::npos);

  // univariant with a bulk: trivariant points are zero modes
  Dialogue z("y\npl\n");
  PhaseDiagramSetup zero;
  whichphases(z.io, demoTables(), s, memory, zero);
  zero.bulk = true;
  zero.v = zero.vsaved = 1;
  isoplethquestions(z.io, s, demoTables(), w, zero);
  ASSERT_EQ(zero.modeIsoplethCount(), 1);
  EXPECT_EQ(zero.isopleths[0].values, std::vector<Real>{0});
  EXPECT_TRUE(zero.zeroModes);
  EXPECT_NE(z.console().find("you may set zero modal proportions, from: "), std::string::npos);

  // without one, neither question is put and equilibria are reduced
  Dialogue plain;
  PhaseDiagramSetup none;
  whichphases(plain.io, demoTables(), s, memory, none);
  none.v = none.vsaved = 2;
  isoplethquestions(plain.io, s, demoTables(), w, none);
  EXPECT_TRUE(none.isopleths.empty());
  EXPECT_TRUE(none.reduce);
  EXPECT_EQ(plain.console(), "");
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

// A two-site Fe-Mg model with an order variable: Q = xFeA - xFeB, and the
// ordered end-member fm made from fo and fa with a stabilising DQF.
std::string orderModel(const std::string& guesses) {
  return "od 3 1  " + guesses +
         "  p(fo) 1 1 1 2 -1 x(od) -1/2 Q(od)  p(fa) 1 1 0 2 1 x(od) -1/2 Q(od)  p(fm) 1 1 0 1 1 "
         "Q(od)  ideal  4  xMgA 1 1 1 2 -1 x(od) -1/2 Q(od)  xFeA 1 1 0 2 1 x(od) 1/2 Q(od)  "
         "xMgB 1 1 1 2 -1 x(od) 1/2 Q(od)  xFeB 1 1 0 2 1 x(od) -1/2 Q(od)  "
         "fo 1 2 xMgA 1 xMgB 1  fa 1 2 xFeA 1 xFeB 1  fm 1 2 xFeA 1 xMgB 1 "
         "make 2 fo 1/2 fa 1/2 DQF -6.3 0 0\n";
}

struct Ordered {
  testing::AxRead read;
  PhaseDiagramSetup setup;
  WindowState w;
  explicit Ordered(const std::string& guesses, const std::string& answers = "") : read(answers) {
    read.read(orderModel(guesses));
    read.attachRecords();
    setup.phases.push_back({PhaseRef{true, 0}, "od"});
    setup.nss = 1;
    setup.gibbs.dsmode = 5;
    setup.gibbs.ds6 = true;
    w.Pmid = 6.4L;
    w.Tmid = 917;
  }
  SolutionPhase& od() { return read.solution("od"); }
};

TEST(StartingOrder, SolvedAtTheWindowCentreOrMadeLegal) {
  // usecalcq: the internal equilibrium 2 fm = fo + fa holds at the centre
  Ordered solved("x(od) 0.37  Q(od) 0.05");
  startingorder(solved.read.console.io, testing::scriptOf("usecalcq\n"), solved.read.tables,
                solved.w, solved.setup);
  EXPECT_NE(solved.read.console.text().find(
                "equilibrium state of order (for given P, T and compositions)\n"),
            std::string::npos);
  const SolutionPhase& od = solved.od();
  const Real x = od.variables[0].guess, q = od.variables[1].guess;
  EXPECT_EQ(x, 0.37L);
  const Real feA = x + q / 2, feB = x - q / 2;
  Console quiet;
  const Real affinity = 2 * gem(quiet.io, od.endMembers[2].record, 6.4L, 917, solved.setup.gibbs) -
                        gem(quiet.io, od.endMembers[0].record, 6.4L, 917, solved.setup.gibbs) -
                        gem(quiet.io, od.endMembers[1].record, 6.4L, 917, solved.setup.gibbs) +
                        testing::kR * 917 * std::log(feA * (1 - feB) / ((1 - feA) * feB));
  EXPECT_NEAR(affinity, 0, 1e-8L);

  // without: an illegal guess (xFeB = 0.37 - 0.45 < 0) is replaced
  Ordered illegal("x(od) 0.37  Q(od) 0.9");
  startingorder(illegal.read.console.io, testing::scriptOf(""), illegal.read.tables, illegal.w,
                illegal.setup);
  EXPECT_NE(
      illegal.read.console.text().find("illegal Q starting guess for od: random value used\n"),
      std::string::npos);
  EXPECT_TRUE(siteFractionsPositive(illegal.od(), illegal.od().guesses()));
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

TEST(NonUnitActivities, ListedWithTheirDefaultUncertainty) {
  testing::AxRead read;
  read.read("q 0.73\ncoe\nky 0.999995\n");
  read.attachRecords();
  PhaseDiagramSetup setup;
  for (const char* name : {"q", "coe", "ky"})
    setup.phases.push_back({PhaseRef{false, read.tables.findPure(name)}, name});
  Dialogue d;
  listnonunit(d.io, testing::scriptOf(""), read.tables, setup);
  EXPECT_EQ(d.console(),
            "\nnon-unit activities :\n"
            "name             a\n"
            "q           0.7300\n");
  // quartz's code is 1: x = a; 0.3 x (1 - x)^2 = 0.016 is below 0.05 x
  EXPECT_NEAR(read.tables.pures[read.tables.findPure("q")].sdActivity, 0.0365L, 1e-9L);
  // asked, and answered no: no uncertainty is given
  testing::AxRead again;
  again.read("q 0.73\n");
  PhaseDiagramSetup one;
  one.phases.push_back({PhaseRef{false, 0}, "q"});
  Dialogue no("n\n");
  listnonunit(no.io, testing::scriptOf("usedefsda ask\n"), again.tables, one);
  EXPECT_EQ(again.tables.pures[0].sdActivity, 0);
}

TEST(NonUnitActivities, DefaultUncertaintyRule) {
  struct Case {
    Real a;
    int m;
    bool parameters;
    Real sd;
  };
  // x = a^(1/m); sd(x) = 0.3 x (1 - x)^2 down to 0.05 x, or 0.01 without the
  // parameters; sd(a) = a m sd(x) / x
  const Case cases[] = {{0.73L, 1, true, 0.0365L},
                        {0.125L, 3, true, 0.125L * 3 * 0.3L * 0.25L},
                        {0.125L, 3, false, 0.125L * 3 * 0.05L},
                        {0.0004L, 2, false, 0.0004L * 2 * 0.01L / 0.02L},
                        {1, 2, true, 0}};
  for (const Case& c : cases)
    EXPECT_NEAR(defaultActivitySd(c.a, c.m, c.parameters), c.sd, 1e-7L * c.sd + 1e-12L)
        << static_cast<double>(c.a) << " " << c.m;
}

}  // namespace
}  // namespace pf
