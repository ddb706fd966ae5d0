// The calculation loop: which assemblages are tried and why others are
// left out, the order of the points, the one-reaction shortcut against the
// full solver, the closing lines of assemblages that give nothing, the page
// folding of the results, and drawing blocks that the drawing program reads.
#include "calc/phasediagram/loop.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/phasediagram/solve.h"
#include "common/text.h"
#include "plot/reader.h"
#include "tests/calc/phasediagram/affinity_check.h"
#include "tests/calc/phasediagram/mode1_fixture.h"
#include "tests/plot/plot_fixture.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::demoTables;
using testing::Dialogue;
using testing::holds;
using testing::Mode1Run;

PhaseDiagramSetup setupOf(const std::vector<std::string>& names) {
  const PhaseTables& t = demoTables();
  PhaseDiagramSetup s;
  for (bool solutions : {true, false})
    for (const std::string& name : names) {
      int k = solutions ? t.findSolution(name) : t.findPure(name);
      if (k < 0) continue;
      s.phases.push_back(ChosenPhase{PhaseRef{solutions, k}, name});
      ++(solutions ? s.nss : s.npure);
    }
  return s;
}

std::string phasesOf(const PhaseDiagramSetup& s, const Candidate& c) {
  std::string names;
  for (int k : c.phases) names += (names.empty() ? "" : " ") + s.phases[k].name;
  return names;
}

TEST(Assemblages, CombinationsOfTheEnumerationVarianceAreJudgedByTheirCounts) {
  // ol + opx + q + coe in FeO-MgO-SiO2, divariant before an x(ol) isopleth
  PhaseDiagramSetup s = setupOf({"ol", "opx", "q", "coe"});
  s.vsaved = 2;
  s.v = 1;
  s.isopleths.push_back(IsoplethSetting{false, "x(ol)", 0, 0, {0.9L}});
  Assemblage system = chosenSystem(s, demoTables());
  std::vector<int> all{1, 2, 3, 4, 5, 6};
  ASSERT_EQ(systemRank(system.run, all), 3);
  struct Expect {
    std::string phases;
    bool taken;
    std::string reason;
    int nuvleft, nir;
  };
  const Expect plain[] = {{"ol opx q", true, "", 2, 2},
                          {"ol opx coe", true, "", 2, 2},
                          // the isopleth holds olivine: P along q = coe
                          {"ol q coe", true, "", 1, 1},
                          {"opx q coe", false, "(no calc)", 2, 1}};
  std::vector<Candidate> list = candidates(s, demoTables(), system, 3);
  ASSERT_EQ(list.size(), 4u);
  for (std::size_t k = 0; k < list.size(); ++k) {
    EXPECT_EQ(phasesOf(s, list[k]), plain[k].phases);
    EXPECT_EQ(list[k].taken, plain[k].taken) << plain[k].phases;
    EXPECT_EQ(list[k].reason, plain[k].reason) << plain[k].phases;
    EXPECT_EQ(list[k].nuvleft, plain[k].nuvleft) << plain[k].phases;
    EXPECT_EQ(list[k].nir, plain[k].nir) << plain[k].phases;
  }
  // a phase in excess must be in every assemblage
  s.phases[2].excess = true;
  list = candidates(s, demoTables(), system, 3);
  EXPECT_EQ(list[1].reason, "(not in ex)");
  EXPECT_TRUE(list[0].taken);
  EXPECT_TRUE(list[2].taken);

  // every component must be held: fo + q + coe lacks FeO
  PhaseDiagramSetup bare = setupOf({"q", "coe", "en", "ol"});
  bare.vsaved = bare.v = 1;
  Assemblage bareSystem = chosenSystem(bare, demoTables());
  for (const Candidate& c : candidates(bare, demoTables(), bareSystem, 3))
    EXPECT_TRUE(c.taken || !c.reason.empty());
}

TEST(Points, IsoplethsOutsideThenPThenT) {
  PhaseDiagramSetup s;
  s.isopleths.push_back(IsoplethSetting{false, "x(ol)", 0, 0, {0.83L, 0.9L}});
  WindowState w;
  w.Plist = {5};
  w.Tlist = {873, 923, 973};
  std::vector<PointPlan> line = pointList(s, w);
  ASSERT_EQ(line.size(), 6u);
  for (std::size_t k = 0; k < line.size(); ++k) {
    EXPECT_EQ(line[k].isopleth[0], k < 3 ? 0.83L : 0.9L);
    EXPECT_EQ(line[k].T, w.Tlist[k % 3]);
    EXPECT_EQ(line[k].newLine, k % 3 == 0) << k;
  }
  // a grid: P-major, a line of T at each P
  PhaseDiagramSetup grid;
  w.Plist = {2, 4.5L};
  w.Tlist = {700, 760};
  std::vector<PointPlan> points = pointList(grid, w);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[1].P, 2);
  EXPECT_EQ(points[1].T, 760);
  EXPECT_EQ(points[2].P, 4.5L);
  EXPECT_TRUE(points[2].newLine);
  EXPECT_FALSE(points[3].newLine);
  // an isopleth with no values leaves no points
  s.isopleths[0].values.clear();
  EXPECT_TRUE(pointList(s, w).empty());
}

// The one reaction of q + coe: the line solver and the nonlinear solver
// find the same temperature at lopsided pressures.
TEST(Simplecalc, AgreesWithTheFullSolver) {
  Dialogue d;
  AssemblagePlan plan;
  plan.pures = {demoTables().findPure("q"), demoTables().findPure("coe")};
  Assemblage a = makeAssemblage(demoTables(), plan);
  FinderOptions finder;
  finder.caller = FinderCaller::phaseDiagram;
  finder.progress = false;
  ReactionSet set = findreactions(d.io, a.run, finder);
  ASSERT_EQ(set.reactions.size(), 1u);
  EquilibriumSettings settings;
  settings.gibbs.dsmode = 5;
  settings.gibbs.ds6 = true;
  settings.gibbs.phaseDiagram = true;
  settings.solver.printLevel = 0;
  EquilibriumSystem sys(d.io, demoTables(), a, set.reactions, settings);
  CrossRefRequest request;
  request.p = 29.37L;
  request.t = 1000;
  request.solveT = true;
  request.ranges.pLow = 1;
  request.ranges.pHigh = 60;
  request.ranges.tLow = 500;
  request.ranges.tHigh = 2000;
  sys.makecrossrefs(request);
  WindowState w;
  w.calcvariable = kVarT;
  w.Tlow = 700;
  w.Thigh = 1600;
  for (Real P : {28.61L, 29.37L, 31.04L}) {
    sys.hold(kPQuantity, P);
    sys.setValue(kTQuantity, 1000);
    Real simple = simplecalc(sys, w, kFluidGiven);
    ASSERT_TRUE(inrange(w, kRangeT, simple)) << static_cast<double>(simple);
    sys.setValue(kTQuantity, 1000);
    ASSERT_EQ(donle(sys, d.io).code, kConverged);
    EXPECT_NEAR(simple, sys.value(kTQuantity), 1e-6L) << static_cast<double>(P);
  }
  // outside the window: a marker, no root
  sys.hold(kPQuantity, 60);
  EXPECT_FALSE(inrange(w, kRangeT, simplecalc(sys, w, kFluidGiven)));
  EXPECT_EQ(bombOf([&] { simplecalc(sys, w, kFluidNotSet); }).message, "unknown fluidtype");
  w.calcvariable = kVarX;
  EXPECT_EQ(bombOf([&] { simplecalc(sys, w, kFluidGiven); }).message, "unknown calcvariable");
}

TEST(Loop, AssemblagesThatGiveNothingSaySo) {
  struct Case {
    std::string script;
    std::string closing;
    std::string marks;
  };
  const std::string olopx = "which ol opx q\nsetexcess\nsetvar 2\ncalctatp no\nsetTinterval 25\n";
  const Case cases[] = {
      // one solution and its isopleth in a grid: no reaction to solve
      {"which ol\nsetvar 3\nsetiso x(ol) 0.4 0.5 0\nsetTwindow 500 600\nsetPwindow 5 6\n"
       "setTinterval 100\nsetPinterval 1\n",
       "  cannot calculate this equilibrium (no reactions)\n", ""},
      // the lines lie below the window
      {olopx + "setiso x(ol) 0.9 0.95 0\nsetTwindow 550 600\nsetPwindow 1.5 9\n",
       "<== nothing in range ==>\n", "- - - \n"},
      // Mg-rich olivine never meets quartz: nothing converges
      {olopx + "setiso x(ol) 0.3 0.4 0\nsetTwindow 550 600\nsetPwindow 5 9\n",
       "<== nothing found ==>\n", ""},
  };
  for (const Case& c : cases) {
    Mode1Run run(c.script, "");
    run.run();
    EXPECT_TRUE(holds(run.results(), c.closing)) << c.script << run.d.console();
    EXPECT_TRUE(holds(run.d.console(), c.marks)) << run.d.console();
    EXPECT_FALSE(holds(run.d.console(), "nan")) << run.d.console();
    EXPECT_EQ(run.drawing(), "");
  }
}

// A divariant grid holds P and T at every point: the compositions are solved
// from the a-x file's guesses (x(ol) = 0.1, x(opx) = 0.2, far from the
// Fe-rich olivine that quartz needs), and every point is checked against
// the physics.
TEST(Loop, DivariantGridFromDistantGuesses) {
  Mode1Run run(
      "which ol opx q\nsetexcess\nsetvar 2\nsetTwindow 615 705\nsetPwindow 2.7 4.9\n"
      "setTinterval 45\nsetPinterval 1.1\n",
      "");
  run.run();
  std::vector<testing::PointRow> rows = testing::resultsRows(run.results());
  ASSERT_EQ(rows.size(), 9u) << run.d.console();
  for (std::size_t k = 0; k < rows.size(); ++k) {
    EXPECT_EQ(rows[k].P.value, k < 3 ? 2.7L : k < 6 ? 3.8L : 4.9L);
    EXPECT_EQ(testing::checkPoint(rows[k], "grid row " + std::to_string(k + 1)), 2);
  }
  // more iron in olivine at higher P, as quartz and ferrosilite take its place
  EXPECT_GT(rows[6].variables["x(ol)"].value, rows[0].variables["x(ol)"].value);
}

// Calcite + quartz = wollastonite + CO2 in an H2O-CO2 fluid: lines of T at
// P along x(CO2) isopleths of the fluid phase, checked against the physics.
TEST(Loop, FluidIsoplethsOfWollastonite) {
  Mode1Run run(
      "which cc q wo fluid\nsetexcess\nsetvar 2\nsetiso x(fluid) 0.23 0.61 0.19\n"
      "calctatp yes\nsetTwindow 400 900\nsetPwindow 1.3 4.9\nsetPinterval 1.2\n",
      "");
  run.run();
  std::vector<testing::PointRow> rows = testing::resultsRows(run.results());
  ASSERT_EQ(rows.size(), 12u) << run.d.console();
  for (std::size_t k = 0; k < rows.size(); ++k)
    EXPECT_EQ(testing::checkPoint(rows[k], "wollastonite row " + std::to_string(k + 1)), 1);
  // more CO2 in the fluid, a higher temperature
  EXPECT_GT(rows[8].T.value, rows[0].T.value);
}

// Only pure phases: the reactions calculation, with the script's activity of
// CO2 and the dataset's enthalpy covariances; at the printed temperatures
// dG + RT ln a(CO2) of cc + q = wo + CO2 vanishes.
TEST(Loop, PurePhasesAreHandedToTheReactionsCalculation) {
  Mode1Run run(
      "which cc q wo CO2\nsetexcess\nseta CO2 0.4 q 1\ncalctatp yes\ndoallr\n"
      "setTwindow 400 900\nsetPwindow 1.3 4.9\nsetPinterval 1.2\n",
      "");
  run.run();
  const std::string results = run.results();
  EXPECT_TRUE(holds(results, "CO2          0.400        0\n")) << results;
  EXPECT_FALSE(holds(results, "     0        0        0\n")) << results;  // sd(a) is known
  Console quiet;
  GibbsSettings g = gibbsSettings(run.ds);
  g.phaseDiagram = true;
  auto G = [&](const char* name, Real P, Real T) {
    return gem(quiet.io, run.tables.pures[run.tables.findPure(name)].record, P, T, g);
  };
  int rows = 0;
  std::istringstream in(results);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> w = testing::words(line);
    if (w.size() != 6 || w[0] != "for" || w[1] != "P") continue;
    const Real P = std::stold(w[3]), T = std::stold(w[5]) + 273;
    const Real dg = G("wo", P, T) + G("CO2", P, T) - G("cc", P, T) - G("q", P, T) +
                    testing::kR * T * std::log(0.4L);
    const Real slope = (G("wo", P, T + 1) + G("CO2", P, T + 1) - G("cc", P, T + 1) -
                        G("q", P, T + 1) + testing::kR * (T + 1) * std::log(0.4L)) -
                       dg;
    EXPECT_LE(std::fabs(dg), std::fabs(slope) * 0.05L + 1e-9L) << line;
    ++rows;
  }
  EXPECT_EQ(rows, 4);
}

// An isopleth on garnet's second variable, z(g), with orthopyroxene (one
// variable) before garnet in the assemblage: the starting order is worked
// for garnet alone, and every accepted point holds z(g) at its value.
TEST(Loop, IsoplethOnALaterPhasesSecondVariable) {
  Mode1Run run(
      "which opx g pl ky q\nsetexcess\nsetvar 4\ncalctatp no\n"
      "setTwindow 600 750\nsetPwindow 4 14\nsetTinterval 50\nsetPinterval 5\n",
      "z(g) m(g)\n0.125\n0.0625\n");
  try {
    run.run();
  } catch (...) {
    ADD_FAILURE() << run.d.console();
  }
  const std::string out = run.results();
  std::vector<testing::PointRow> rows = testing::resultsRows(out);
  ASSERT_FALSE(rows.empty()) << out;
  for (const testing::PointRow& r : rows)
    EXPECT_NEAR(r.variables.at("z(g)").value, 0.125L, r.variables.at("z(g)").half) << out;
}

TEST(Loop, FaultsInTheSetUpStopTheRun) {
  // a starting guess outside its range stops the a-x reading
  Bombed guess = bombOf([] { Mode1Run run("xyzguess x(ol) 1.5\n", ""); });
  EXPECT_EQ(guess.procedure, "setupphases");
  EXPECT_TRUE(holds(guess.message, "guess too large for x(ol)")) << guess.message;
  // more phases than the components allow, beside a solution
  Mode1Run crowded("which pl jd q coe ky sill and wo ab\nsetexcess\n", "");
  Bombed negative = bombOf([&] { crowded.run(); });
  EXPECT_EQ(negative.procedure, "nlesetup");
  EXPECT_EQ(negative.message, "negative variance - something wrong");
}

TEST(Results, RowsTooWideForThePageAreFolded) {
  Dialogue d;
  d.io.pageWidth = 42;
  WindowState w;
  AssemblageOutput a;
  a.variables = {"x(g)", "z(g)", "m(g)", "x(opx)", "ca(pl)"};
  PointResult r;
  r.values = {7.254L, 931.43L, 0.81L, 0.126L, 0.0412L, 0.6931L, 0.388L};
  printresults(d.io, w, a, r, true, kToConsoleLog);
  const std::string deg = "T(" + std::string(1, kDegree) + "C)";
  EXPECT_EQ(d.console(),
            "----------------------------------------\n"
            "   P(kbar)     " +
                deg +
                "      x(g)      z(g)\n"
                "      7.25     658.4    0.8100    0.1260\n"
                "      m(g)    x(opx)    ca(pl)\n"
                "    0.0412    0.6931    0.3880\n");
  // folded, the heads come with every point
  Dialogue again;
  again.io.pageWidth = 42;
  printresults(again.io, w, a, r, false, kToConsoleLog);
  EXPECT_TRUE(holds(again.console(), "      m(g)    x(opx)    ca(pl)\n"));
}

TEST(Drawing, NamedBlocksAreReadByTheDrawingProgram) {
  Mode1Run run(
      "which ol opx q\nsetexcess\nsetvar 2\nsetiso x(ol) 0.86 0.93 0.07\ncalctatp no\n"
      "setTwindow 620 860\nsetPwindow 1 7.5\nsetTinterval 60\n",
      "", true);
  run.run();
  const std::string text = run.drawing();
  EXPECT_TRUE(holds(text, "\nu1   ol opx q  univariant\n")) << text;
  EXPECT_TRUE(holds(text, "\nu2   ol opx q  univariant\n")) << text;
  EXPECT_TRUE(holds(text, "window 620 860 1 7.5\n")) << text;
  plot::Console console;
  plot::Drawing drawing = plot::readText(console, text);
  ASSERT_EQ(drawing.lines.size(), 2u);
  EXPECT_EQ(drawing.lines[0].name, "u1");
  EXPECT_GE(drawing.lines[0].data.size(), 3u);

  // without the preference the names are placeholders the drawing program refuses
  Mode1Run plain(
      "which ol opx q\nsetexcess\nsetvar 2\nsetiso x(ol) 0.86 0.93 0.07\ncalctatp no\n"
      "setTwindow 620 860\nsetPwindow 1 7.5\nsetTinterval 60\n",
      "");
  plain.run();
  EXPECT_TRUE(holds(plain.drawing(), "\nu<1>   ol opx q  univariant\n")) << plain.drawing();
  EXPECT_EQ(plot::faultOf([&] { plot::readText(console, "d\n4 3\n2 1\n" + plain.drawing()); }),
            "read data : < in name: line/point name unassigned?");
}

TEST(Loop, HeaderNamesTheExcessPhasesAndDebugListsTheCombinations) {
  Mode1Run run(
      "which ol opx q coe\nsetexcess q\ninfolevel 2\nsetvar 2\nsetiso x(ol) 0.9 0.95 0\n"
      "calctatp no\nsetTwindow 600 650\nsetPwindow 0.5 9\nsetTinterval 50\n",
      "");
  run.run();
  const std::string console = run.d.console();
  EXPECT_TRUE(holds(console, "\nphases : ol opx - (q)\n")) << console;
  EXPECT_TRUE(holds(console,
                    "excluded (not in ex): nu = 4; rank = 3; ntake = 3; npmax = 4; "
                    "nv = 2; nir = 2\n"))
      << console;
  EXPECT_TRUE(holds(console,
                    "good one : nu = 4; rank = 3; ntake = 3; npmax = 4; nv = 2; nir = 2\n"
                    "nuv = 4; nuvleft = 2; k = 1; rank = 3  rank deficit = 0; nir = 2\n"))
      << console;
  // olivine, quartz and coesite: the q = coe line at the isopleth's olivine
  EXPECT_TRUE(holds(console, "\nphases : ol coe - (q)\n")) << console;
}

// The algebra blocks: the reactions balance, the grid's standard Gibbs
// energies are those of the dataset, and each point is a record.
TEST(Algebra, ReactionsGridAndPointRecords) {
  Mode1Run run(
      "which pl ky q jd wo\nsetexcess\nsetvar 1\ncalctatp no\nsetTwindow 640 730\n"
      "setPwindow 22 36\nsetTinterval 45\nrmath\ngmath\ncmath\ntxmath\n",
      "");
  run.run();
  const std::string text = run.drawing();
  EXPECT_TRUE(holds(text, "(*  ab = q + jd *) \n")) << text;
  EXPECT_TRUE(holds(text, "(*  an = ky + wo *) \n")) << text;
  EXPECT_TRUE(holds(text, "{\"ab\", \"an\", \"ky\", \"q\", \"jd\", \"wo\"}\n"));
  EXPECT_TRUE(holds(text, "{{0, -1, 1, 0, 0, 1}, {-1, 0, 0, 1, 1, 0}}\n")) << text;
  EXPECT_TRUE(holds(text, "{640.000, 685.000, 730.000}\n")) << text;
  // ab = q + jd at the grid's P (the window's centre, 29 kbar) and 685 C
  Console quiet;
  GibbsSettings g;
  g.dsmode = 5;
  g.ds6 = true;
  g.phaseDiagram = true;
  const PhaseTables& t = run.tables;
  auto G = [&](const EndMember& em) { return gem(quiet.io, em, 29, 958, g); };
  const Real dg = G(t.pures[t.findPure("q")].record) + G(t.pures[t.findPure("jd")].record) -
                  G(t.solutions[t.findSolution("pl")].endMembers[0].record);
  EXPECT_TRUE(holds(text, ", " + decimalText(dg, 4) + ", ")) << static_cast<double>(dg) << text;
  EXPECT_TRUE(holds(text, "0,  2, {")) << text;
  EXPECT_TRUE(holds(text, "1,  2, {")) << text;
  EXPECT_TRUE(holds(text, "},    (* 1  *) \n")) << text;
}

}  // namespace
}  // namespace pf
