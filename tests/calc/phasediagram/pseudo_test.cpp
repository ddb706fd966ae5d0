// Calculations for a bulk composition: the bulk from the script and the
// questions, increments across a range, the mass balance (against the
// physics: bulk = sum of amount x composition, G of the rock = sum of bulk
// x chemical potential), and over the whole output of the demo runs.
#include "calc/phasediagram/pseudo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <sstream>

#include "calc/phasediagram/bulk.h"
#include "calc/phasediagram/loop.h"
#include "calc/reactions/finder.h"
#include "tests/calc/phasediagram/affinity_check.h"
#include "tests/calc/phasediagram/mode1_fixture.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::demoTables;
using testing::Dialogue;
using testing::holds;
using testing::Mode1Run;

BulkSetupInput threeComponents(bool fluidExcess = false) {
  BulkSetupInput in;
  in.components = {"SiO2", "FeO", "MgO"};
  in.fluidExcess = fluidExcess;
  return in;
}

TEST(Bulk, AskedCompositionsAreScaledAndBadAnswersReAsked) {
  struct Case {
    std::string answers;
    std::vector<Real> first;
    std::string said;
  };
  const Case cases[] = {
      {"0\n1 2 3\n", {100.0L / 6, 200.0L / 6, 50}, ""},
      // a negative amount and a zero total are asked again
      {"0\n1 -2 3\n0 0 0\n5 0 0.25\n", {500 / 5.25L, 0, 25 / 5.25L}, "must be zero or positive"},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    ScriptSettings script;
    BulkComposition b = setbulk(d.io, script, demoTables(), threeComponents());
    ASSERT_EQ(b.first.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(b.first[k], c.first[k], 1e-15L) << c.answers;
    EXPECT_FALSE(b.range());
    EXPECT_TRUE(holds(d.console(), c.said)) << d.console();
    // the log holds the script line that gives the same bulk again
    EXPECT_TRUE(holds(d.log(), "setbulk ask ")) << d.log();
  }
  // the stored values as the display shows them
  Dialogue d("0\n1 2 3\n");
  ScriptSettings script;
  setbulk(d.io, script, demoTables(), threeComponents());
  EXPECT_TRUE(holds(d.console(), "    16.67    33.33    50.00\n")) << d.console();
}

TEST(Bulk, FluidInExcessIsPutBackOnlyWhenLeftOut) {
  // nine values for ten components: H2O at 120 per 100 before scaling
  std::vector<Real> nine(9, 100.0L / 9);
  std::vector<Real> ten = withFluid(nine, 4);
  ASSERT_EQ(ten.size(), 10u);
  EXPECT_NEAR(ten[4], 12000.0L / 220, 1e-15L);
  EXPECT_EQ(decimalText(ten[4], 2), "54.55");
  EXPECT_NEAR(ten[0] + ten[4] + 8 * ten[1], 100, 1e-14L);
  EXPECT_EQ(bombOf([] { withFluid({1, 2}, -1); }).message, "mess in auto-add H2O and CO2");
  // from the script: given without H2O it is put back, given with it it is not
  BulkSetupInput in;
  in.components = {"SiO2", "MgO", "H2O"};
  in.fluidExcess = true;
  for (const std::string& line :
       std::vector<std::string>{"setbulk 30 70\n", "setbulk 30 50 20\n"}) {
    Dialogue d;
    ScriptSettings script = testing::scriptOf(line);
    BulkComposition b = setbulk(d.io, script, demoTables(), in);
    ASSERT_EQ(b.first.size(), 3u) << line;
    EXPECT_NEAR(b.first[2], line.size() > 15 ? 20 : 12000.0L / 220, 1e-14L) << line;
    EXPECT_EQ(b.fluid, line.size() > 15 ? -1 : 2) << line;
  }
}

TEST(Bulk, RangesAndIncrements) {
  // the sub-range 0.25 to 0.75 in 2 increments calculates its two ends, and
  // the proportion shown is that of the bulk in use
  Dialogue d("yes\n0.25 0.75\n101\n0\n2\n");
  ScriptSettings script = testing::scriptOf("setbulk 10 50 40\nsetbulk 50 10 40\nsplitbulk ask\n");
  BulkComposition b = setbulk(d.io, script, demoTables(), threeComponents());
  EXPECT_TRUE(holds(d.console(), "max no = 100 - try again")) << d.console();
  EXPECT_TRUE(holds(d.console(), "must be greater than 0 - try again")) << d.console();
  ASSERT_EQ(b.count(), 2);
  BulkAtIncrement one = bulkAt(b, 1), two = bulkAt(b, 2);
  EXPECT_NEAR(one.proportion, 0.25L, 1e-18L);
  EXPECT_NEAR(two.proportion, 0.75L, 1e-18L);
  // SiO2 runs from 10 to 50 across the whole range
  EXPECT_NEAR(one.bulk[0], 0.20L, 1e-17L);
  EXPECT_NEAR(two.bulk[0], 0.40L, 1e-17L);
  EXPECT_TRUE(holds(d.console(), "(2 increments across 0.25 to 0.75 of original range)"))
      << d.console();

  // proportions outside 0 to 1 stop the run
  Dialogue bad("yes\n0.25 1.5\n");
  Bombed fault = bombOf([&] { setbulk(bad.io, script, demoTables(), threeComponents()); });
  EXPECT_EQ(fault.procedure, "readcomps");
  EXPECT_EQ(fault.message, "entered bulk composition range is not 0<->1");
  // one bulk within the range
  Dialogue single("0.4\n");
  script.onebulk = kUsePreset;
  BulkComposition s = setbulk(single.io, script, demoTables(), threeComponents());
  EXPECT_FALSE(s.range());
  EXPECT_NEAR(bulkAt(s, 1).bulk[0], 0.26L, 1e-17L);
  EXPECT_NEAR(bulkAt(s, 1).proportion, 0.4L, 1e-18L);
}

TEST(Bulk, RockBulkLinesAndTheirFaults) {
  struct Case {
    std::string script;
    std::string fault;  // empty: accepted
    std::vector<Real> bulk;
  };
  const Case cases[] = {
      {"rbi yes 2 1 1\n", "", {50, 25, 25}},
      // modes, then one composition per phase, as the log writes them
      {"rbi yes 0.25 0.75\nrbi 0.5 0.5 0\nrbi 0.5 0 0.5\n", "", {50, 12.5, 37.5}},
      {"rbi yes 2 1\n", "rbi has too few oxides", {}},
      {"rbi yes 2 1 1 1\n", "rbi has too many oxides", {}},
      {"rbi yes 0 0 0\n", "comp sum not positive", {}},
      {"rbi yes 1 -2 0\n", "comp sum not positive", {}},
  };
  for (const Case& c : cases) {
    Dialogue d;
    ScriptSettings script = testing::scriptOf(c.script);
    if (!c.fault.empty()) {
      Bombed fault = bombOf([&] { setbulk(d.io, script, demoTables(), threeComponents()); });
      EXPECT_EQ(fault.procedure, "readcomps") << c.script;
      EXPECT_EQ(fault.message, c.fault) << c.script;
      continue;
    }
    BulkComposition b = setbulk(d.io, script, demoTables(), threeComponents());
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(b.first[k], c.bulk[k], 1e-15L) << c.script;
    EXPECT_TRUE(b.fromScript);
  }
}

TEST(MassBalance, ExactForSquareSystemsAndJudgedForOverDeterminedOnes) {
  // square: exact to rounding
  LinearSolution s = solveLinear(3, 3, {2, 1, 0, 1, 3, 1, 0, 1, 4}, {3.1L, 7.3L, 9.7L});
  EXPECT_EQ(s.rank, 3);
  EXPECT_LT(s.residual, 1e-17L);
  // over-determined and consistent: the extra rows are met
  LinearSolution o = solveLinear(3, 2, {1, 0, 0, 1, 1, 1}, {0.3L, 0.45L, 0.75L});
  EXPECT_NEAR(o.x[0], 0.3L, 1e-18L);
  EXPECT_NEAR(o.x[1], 0.45L, 1e-18L);
  EXPECT_LT(o.residual, 1e-18L);
  // inconsistent: the residual says so
  LinearSolution i = solveLinear(3, 2, {1, 0, 0, 1, 1, 1}, {0.3L, 0.45L, 0.76L});
  EXPECT_NEAR(i.residual, 0.01L, 1e-12L);
  // a dependent column is left at zero and its companions are not determined
  LinearSolution dep = solveLinear(2, 3, {1, 0, 1, 0, 1, 1}, {0.5L, 0.25L});
  EXPECT_EQ(dep.rank, 2);
  EXPECT_LT(dep.residual, 1e-18L);
  EXPECT_EQ(std::count(dep.determined.begin(), dep.determined.end(), true), 0);
}

// ol + opx + q in FeO-MgO-SiO2 solved with a bulk at 2 kbar and 600 C: the
// amounts the program holds make the bulk within 1e-9, the G of the rock is
// the bulk times the chemical potentials, and a bulk just outside the
// three-phase triangle gives a negative amount that is refused.
TEST(MassBalance, HeldValuesMakeTheBulk) {
  Dialogue d;
  AssemblagePlan plan;
  plan.solutions = {demoTables().findSolution("ol"), demoTables().findSolution("opx")};
  plan.pures = {demoTables().findPure("q")};
  Assemblage a = makeAssemblage(demoTables(), plan);
  FinderOptions finder;
  finder.caller = FinderCaller::phaseDiagram;
  finder.progress = false;
  ReactionSet set = findreactions(d.io, a.run, finder);
  EquilibriumSettings settings;
  settings.gibbs.dsmode = 5;
  settings.gibbs.ds6 = true;
  settings.gibbs.phaseDiagram = true;
  settings.solver.printLevel = 0;
  settings.solver.minimising = true;
  EquilibriumSystem sys(d.io, demoTables(), a, set.reactions, settings);
  CrossRefRequest request;
  request.p = 2;
  request.t = 873;
  request.modes = true;
  sys.makecrossrefs(request);
  const std::vector<Real> bulk = {0.515L, 0.392L, 0.093L};
  Projection projection = projectionFor(sys.assemblage());
  sys.setBulk(bulk, projection);
  sys.setValue(sys.variableQuantity(0, 0), 0.9L);
  sys.setValue(sys.variableQuantity(1, 0), 0.8L);
  ASSERT_EQ(donle(sys, d.io).code, kConverged) << d.console();
  const std::vector<bool> noFluid(3, false);
  PseudoResult r = makepseudo(sys, bulk, sys.unknownCount(), noFluid);
  ASSERT_TRUE(r.consistent);
  const std::vector<Real> m = makecomp(sys, sys.unknownCount());
  for (int c = 0; c < 3; ++c) {
    Real made = 0;
    for (int j = 0; j < 3; ++j) made += r.amounts[j] * m[c * 3 + j];
    EXPECT_NEAR(made, bulk[c], 1e-9L) << c;
  }
  Real total = 0;
  for (int j = 0; j < 3; ++j) {
    EXPECT_GE(r.modes[j], 0) << j;
    total += r.modes[j];
    // the solver's modes and the mass balance's agree
    EXPECT_NEAR(sys.value(sys.modeQuantity(j)), r.modes[j], 1e-9L) << j;
  }
  EXPECT_NEAR(total, 1, 1e-15L);
  ComponentPotentials mu = componentPotentials(sys);
  Real g = 0;
  for (int c = 0; c < 3; ++c) {
    ASSERT_TRUE(mu.known[c]);
    g += bulk[c] * mu.mu[c];
  }
  EXPECT_NEAR(r.G, g, 1e-8L);
  // the same compositions with less silica than olivine + opx can hold
  const std::vector<Real> poor = {0.40L, 0.47L, 0.13L};
  PseudoResult out = makepseudo(sys, poor, sys.unknownCount(), noFluid);
  EXPECT_FALSE(out.consistent);
  EXPECT_LT(*std::min_element(out.amounts.begin(), out.amounts.end()), -0.001L);
  // a changed count of unknowns is an internal fault
  EXPECT_EQ(bombOf([&] { makecomp(sys, sys.unknownCount() + 1); }).message, "nuvleft has changed");
}

// Every point the demo runs print: bulk = sum of mode x composition within
// the printed digits, and no mode negative. Read from the recorded logs.
TEST(MassBalance, EveryPrintedPointOfTheDemoRuns) {
  struct Demo {
    std::string name;
    int points;
  };
  for (const Demo& demo : {Demo{"pseudo", 24}, Demo{"gmin", 54}, Demo{"range", 8},
                           Demo{"gpoint", 3}, Demo{"project", 24}}) {
    std::istringstream log(testing::readWholeFile(std::string(PF_SOURCE_DIR) +
                                                  "/tests/sessions/phaseforge/mode1-" + demo.name +
                                                  "/expected/pf-log.txt"));
    std::string line;
    std::vector<Real> bulk;
    int points = 0;
    bool bulkNext = false;
    while (std::getline(log, line)) {
      std::istringstream words(line);
      std::string first;
      words >> first;
      if (bulkNext) {
        bulk.clear();
        for (Real x; words >> x;) bulk.push_back(x / 100);
        bulk.insert(bulk.begin(), std::stold(first) / 100);
        bulkNext = false;
        continue;
      }
      // the head of the "bulk" line, not the projected bulk row
      if (line.rfind("  bulk", 0) == 0) bulkNext = true;
      if (line.rfind("rbi yes", 0) != 0) continue;
      std::string yes;
      words >> yes;
      std::vector<Real> modes;
      for (Real x; words >> x;) modes.push_back(x);
      std::getline(log, line);  // the component names
      std::vector<Real> made(bulk.size(), 0);
      for (std::size_t j = 0; j < modes.size(); ++j) {
        EXPECT_GE(modes[j], 0) << demo.name << " point " << points;
        std::getline(log, line);
        std::istringstream row(line.substr(3));
        for (std::size_t c = 0; c < made.size(); ++c) {
          Real x;
          row >> x;
          made[c] += modes[j] * x;
        }
      }
      ASSERT_EQ(made.size(), 3u);
      for (std::size_t c = 0; c < made.size(); ++c)
        EXPECT_NEAR(made[c], bulk[c], 4e-6L) << demo.name << " point " << points << " " << c;
      ++points;
    }
    EXPECT_EQ(points, demo.points) << demo.name;
  }
}

// printbulkinfo: each phase of the demo pseudosection as oxide mol%, from
// the x(Fe) printed for it: ol (Fe,Mg)2SiO4 has FeO 200x/3 %, opx
// (Fe,Mg)2Si2O6 has 50x %, quartz is all SiO2.
TEST(MassBalance, OxideMolPercentOfEveryPhase) {
  Mode1Run run(
      "which ol opx q\nsetexcess\npseudo yes\nsetbulk yes 51.5 39.2 9.3\nsetvar 2\nsetmodeiso no\n"
      "setTwindow 600 900\nsetPwindow 2 10\nsetTinterval 150\nsetPinterval 8\n"
      "printbulkinfo yes\n",
      "");
  run.run();
  std::istringstream results(run.results());
  std::string line;
  Real xol = -1, xopx = -1;
  int rows = 0;
  while (std::getline(results, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string t; words >> t;) w.push_back(t);
    if (w.size() == 7 && w[0].find('.') != std::string::npos) {
      xol = std::stold(w[2]);
      xopx = std::stold(w[3]);
    }
    if (w.empty() || w.back() != "==>") continue;
    ASSERT_EQ(w.size(), 5u) << line;
    const Real si = std::stold(w[1]), fe = std::stold(w[2]), mg = std::stold(w[3]);
    EXPECT_NEAR(si + fe + mg, 100, 0.0015L) << line;
    const Real expectedFe = w[0] == "ol" ? 200 * xol / 3 : w[0] == "opx" ? 50 * xopx : 0;
    EXPECT_NEAR(fe, expectedFe, 0.004L) << line;
    ++rows;
  }
  EXPECT_GT(rows, 0) << run.results();
  EXPECT_EQ(rows % 3, 0);
  // the faults of the conversion
  Dialogue d;
  EXPECT_EQ(bombOf([&] { calcwt(d.io, {0, 0, 0}); }).message, "sum of mol% = 0 2");
  EXPECT_EQ(bombOf([&] { calcwt(d.io, {1, -0.25L, 0.5L}); }).message, "couldn't make mol%");
  EXPECT_TRUE(holds(d.console(), "residual mol = -0.250000")) << d.console();
}

// The guess block names the phases of zero mode apart, so that the block
// pasted into a script says which edge of the field the point lies on.
TEST(GuessBlock, ZeroModesNamedApart) {
  AssemblageOutput a;
  a.phases = {"g", "opx", "q", "ky"};
  PointResult r;
  r.values = {8.5L, kCelsius + 628.3L};
  struct Case {
    std::vector<Real> modes;
    std::string at;
  };
  const Case cases[] = {
      {{}, "for: g opx q ky\n"},
      {{0.31L, 0.52L, 0.17L, 0.0L}, "for: g opx q with ky = 0\n"},
      {{-1e-16L, 0.6L, 2e-17L, 0.4L}, "for: opx ky with g = 0, q = 0\n"},
      {{0.2L, 0.3L, 0.2L, 0.3L}, "for: g opx q ky\n"},
  };
  for (const Case& c : cases) {
    Dialogue d;
    guessblock(d.io, a, r, c.modes);
    EXPECT_TRUE(holds(d.log(), "% at P = 8.5, T = 628, " + c.at)) << d.log();
  }
}

// Code 2: the bulk made of phases of given compositions and proportions (per
// formula unit). ol at x 0.3 is SiO2 1, FeO 0.6, MgO 1.4; opx at x 0.2 is
// 2, 0.4, 1.6; with q and proportions 1:2:3 the bulk is 4/3, 7/30, 23/30,
// that is 57.142857, 10 and 32.857143 per 100.
TEST(Bulk, MadeOfSinglePhaseCompositions) {
  const std::string script =
      "which ol opx q\nsetexcess\npseudo yes\nsetvar 3\nsetmodeiso no\n"
      "setTwindow 600 900\nsetPwindow 2 10\nsetTinterval 300\nsetPinterval 8\n";
  struct Case {
    std::string answers;
    std::string said;   // on the console
    std::string fault;  // empty: the bulk is made
  };
  const Case cases[] = {
      {"2\nol opz q\nopx\n0.3\n0.2\n1 2 3\n", "opz not recognised - replace with", ""},
      // a proportion that is negative is asked again
      {"2\nq opx ol\n0.2\n0.3\n3 -2 1\n3 2 1\n", "must be zero or positive", ""},
      {"2\nol opz q\nsp\n", "unknown name - ignored", "insufficient phases to specify composition"},
      {"5\n", "", "should never get here 1"},
  };
  for (const Case& c : cases) {
    Mode1Run run(script, c.answers);
    if (!c.fault.empty()) {
      Bombed fault = bombOf([&] { run.run(); });
      EXPECT_EQ(fault.procedure, "readcomps") << c.answers;
      EXPECT_EQ(fault.message, c.fault) << c.answers;
    } else {
      run.run();
      EXPECT_TRUE(holds(run.d.log(), "setbulk ask  57.142857 10.000000 32.857143\n"))
          << c.answers << run.d.log();
    }
    EXPECT_TRUE(holds(run.d.console(), c.said)) << c.answers << run.d.console();
  }
}

// A bulk of silica alone: olivine and orthopyroxene cannot be made from it.
// Their assemblages are left out rather than solved at zero mode with a
// composition that nothing fixes; quartz alone holds the rock.
TEST(MassBalance, PhasesThatCannotBeMadeFromTheBulkAreLeftOut) {
  Mode1Run run(
      "which ol opx q\nsetexcess\npseudo yes\nsetbulk yes 100 0 0\nsetvar 3\nsetmodeiso no\n"
      "setTwindow 600 900\nsetPwindow 2 10\nsetTinterval 300\nsetPinterval 8\ninfolevel 2\n",
      "");
  run.run();
  EXPECT_TRUE(holds(run.d.console(), "excluded (bad bulk)")) << run.d.console();
  EXPECT_FALSE(holds(run.results(), "mode")) << run.results();
  // some iron: opx + q is made, olivine still cannot take the silica
  Mode1Run some(
      "which ol opx q\nsetexcess\npseudo yes\nsetbulk yes 99 1 0\nsetvar 3\nsetmodeiso no\n"
      "setTwindow 600 900\nsetPwindow 2 10\nsetTinterval 300\nsetPinterval 8\n",
      "");
  some.run();
  EXPECT_TRUE(holds(some.results(), "    mode      opx        q\n")) << some.results();
}

TEST(MassBalance, WiredIntoTheLoopWithTheSetUpsFaults) {
  // a bulk the phases cannot make: the assemblage is left out
  Mode1Run run(
      "which ol\npseudo\nsetbulk 60 20 20\nsetvar 3\nsetmodeiso no\n"
      "setTwindow 600 700\nsetPwindow 5 6\nsetTinterval 100\nsetPinterval 1\ninfolevel 2\n",
      "");
  run.run();
  EXPECT_TRUE(holds(run.d.console(), "excluded (bad bulk)")) << run.d.console();
  EXPECT_FALSE(holds(run.results(), "mode")) << run.results();
}

TEST(Bulk, VarianceBelowZeroStopsTheRunAsAnInputFault) {
  // every phase with a bulk: the system's variance is below zero, and the
  // empty answer (or autovar) takes it; the run stops as it does without a bulk
  for (const char* answers : {"\n", ""}) {
    const std::string script = std::string("pseudo yes\nsetbulk yes 51.5 39.2 9.3\nsetexcess\n") +
                               (*answers == 0 ? "autovar\n" : "") +
                               "setTwindow 700 700\nsetPwindow 4 4\n";
    Mode1Run run(script,
                 std::string("ol opx g pl bi ky sill and q coe ab jd cc arag wo\n") + answers);
    Bombed fault = testing::bombOf([&] { run.run(); });
    EXPECT_EQ(fault.procedure, "nlesetup") << run.d.console();
    EXPECT_EQ(fault.message, "negative variance - something wrong");
    EXPECT_EQ(fault.kind, 0);
  }
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

// The accepted rows of a results table of ol, opx and q with a bulk: P, T,
// x(ol), x(opx) and the three modes.
std::vector<std::vector<Real>> resultRows(const std::string& results) {
  std::vector<std::vector<Real>> rows;
  std::istringstream in(results);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<Real> row;
    std::string w;
    bool numbers = true;
    while (words >> w) {
      char* end = nullptr;
      const Real x = std::strtold(w.c_str(), &end);
      if (end == w.c_str() || *end != '\0') numbers = false;
      row.push_back(x);
    }
    if (numbers && row.size() == 7) rows.push_back(row);
  }
  return rows;
}

// "" when the call returns, else "procedure : message" of its fatal stop.
std::string faultOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Bombed& fault) {
    return fault.procedure + " : " + fault.message;
  }
  return "";
}

// A mode held at zero on a line with a bulk: the system stays square when a
// point is tried again from other starts, and the line found is where the
// phase's mode is zero.
TEST(ZeroModeIsopleth, LineWhereTheModeIsZero) {
  const std::string common =
      "which ol opx q\nsetexcess\npseudo yes\nsetbulk yes 51.5 39.2 9.3\nsetvar 2\n"
      "setPwindow 2 10\nsetTwindow 600 900\nsetTinterval 100\n";
  // quartz is in every assemblage of this silica-rich bulk: nothing found,
  // and no fault on the way
  Mode1Run q(common + "setmodeiso yes q 0 0 0\nzeromodeiso yes q\ncalctatp yes\nsetPinterval 4\n",
             "");
  EXPECT_EQ(faultOf([&] { q.run(); }), "");
  EXPECT_TRUE(resultRows(q.results()).empty()) << q.results();
  EXPECT_TRUE(holds(q.results(), "<== nothing in range ==>")) << q.results();

  // olivine out: opx takes all of the bulk's FeO and MgO, so it has the
  // bulk's Fe/(Fe+Mg), and quartz the silica left over
  std::map<bool, std::vector<std::vector<Real>>> found;
  for (bool TatP : {true, false}) {
    Mode1Run ol(common + "setmodeiso yes ol 0 0 0\nzeromodeiso yes ol\ncalctatp " +
                    (TatP ? "yes\nsetPinterval 1.1\n" : "no\n"),
                "");
    EXPECT_EQ(faultOf([&] { ol.run(); }), "");
    found[TatP] = resultRows(ol.results());
    ASSERT_GE(found[TatP].size(), 3u) << ol.results();
    for (const std::vector<Real>& r : found[TatP]) {
      EXPECT_EQ(r[4], 0);
      EXPECT_NEAR(r[3], 39.2L / 48.5L, 0.6e-4L);
      EXPECT_NEAR(r[5], 2 * 48.5L / 100, 0.6e-4L);
      EXPECT_NEAR(r[6], (51.5L - 48.5L) / 100, 0.6e-4L);
    }
  }
  // the same line both ways: each T found at a P lies between the P found
  // at the T on either side of it
  int compared = 0;
  for (const std::vector<Real>& atP : found[true])
    for (std::size_t k = 0; k + 1 < found[false].size(); ++k) {
      const std::vector<Real>& lo = found[false][k];
      const std::vector<Real>& hi = found[false][k + 1];
      if (atP[1] < lo[1] || atP[1] > hi[1]) continue;
      const Real P = lo[0] + (hi[0] - lo[0]) * (atP[1] - lo[1]) / (hi[1] - lo[1]);
      EXPECT_NEAR(atP[0], P, 0.05L) << atP[1];
      ++compared;
    }
  EXPECT_GE(compared, 2);
}

}  // namespace
}  // namespace pf
