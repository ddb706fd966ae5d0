// Projection onto a compatibility diagram: compositions worked by hand on a
// composite apex, the plane from the script and from each answer form, and
// the projected rows of a whole calculation against the phases' own
// compositions.
#include "calc/phasediagram/projection.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/calc/phasediagram/mode1_fixture.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;
using testing::holds;
using testing::Mode1Run;

// SiO2, FeO, MgO; apices fayalite (a composite) and MgO, projected from
// quartz.
ProjectionPlane faMgO() {
  ProjectionPlane p;
  p.names = {"fa", "MgO"};
  p.apices = {{1, 2, 0}, {0, 0, 1}};
  p.from = {"q"};
  return p;
}

TEST(Projection, CompositionsWorkedByHand) {
  const std::vector<std::vector<Real>> quartz = {{1, 0, 0}};
  struct Case {
    std::vector<Real> composition;
    bool made;
    std::vector<Real> x;
    bool flagged;
  };
  const Case cases[] = {
      // olivine, x(Fe) 0.8: 0.8 fa + 0.4 MgO + 0.2 q, so 2/3 and 1/3
      {{1, 1.6L, 0.4L}, true, {2.0L / 3, 1.0L / 3}, false},
      // orthopyroxene, x(Fe) 0.3: 0.3 fa + 1.4 MgO + 1.7 q
      {{2, 0.6L, 1.4L}, true, {0.3L / 1.7L, 1.4L / 1.7L}, false},
      // less silica than the fayalite apex holds: quartz taken away
      {{0.2L, 2, 1}, true, {0.5L, 0.5L}, false},
      // enstatite lies on the MgO apex: its fa coordinate is flagged
      {{1, 0, 1}, true, {0, 1}, true},
      // nothing of the apices: quartz itself cannot be projected
      {{1, 0, 0}, false, {0, 0}, false},
  };
  for (const Case& c : cases) {
    Projected p = projectComposition(faMgO(), quartz, c.composition);
    ASSERT_EQ(p.made, c.made) << c.composition[0];
    if (!c.made) continue;
    for (std::size_t k = 0; k < 2; ++k) EXPECT_NEAR(p.x[k], c.x[k], 1e-15L) << c.composition[0];
    EXPECT_EQ(p.flagged, c.flagged) << c.composition[0];
  }
  // without quartz to project from, olivine is off the fa-MgO line
  EXPECT_FALSE(projectComposition(faMgO(), {}, {1, 1.6L, 0.4L}).made);

  // a point's rows: quartz projected from, the bulk last
  ProjectionRows rows = projectPoint(faMgO(), {"ol", "q"}, {false, true}, {1, 1, 1.6L, 0, 0.4L, 0},
                                     {0.515L, 0.392L, 0.093L});
  ASSERT_EQ(rows.names, (std::vector<std::string>{"ol", "bulk"}));
  EXPECT_NEAR(rows.rows[1].x[0], 0.196L / 0.289L, 1e-15L);
  Dialogue d;
  projcomp(d.io, faMgO(), rows, kToConsoleLog);
  EXPECT_EQ(d.console(),
            "  proj  phase        fa      MgO\n"
            "        ol       0.6667   0.3333\n"
            "        bulk     0.6782   0.3218\n");
}

ProjectionInput threeComponentsFromQuartz() {
  ProjectionInput in;
  in.components = {"SiO2", "FeO", "MgO"};
  in.heldByExcess = {true, false, false};
  in.from = {"q"};
  return in;
}

TEST(Projection, PlaneFromEveryAnswerForm) {
  struct Case {
    std::string script;
    std::string answers;
    std::vector<std::string> names;  // empty: no projection
    std::vector<Real> second;        // the second apex
    std::string said;
  };
  const Case cases[] = {
      {"", "0\n2 3\n", {"FeO", "MgO"}, {0, 0, 1}, "setproject ask FeO 0 1 0  MgO 0 0 1"},
      {"", "7\n0\n3 2\n", {"MgO", "FeO"}, {0, 1, 0}, "code 0 or 1 - try again"},
      // one wrong list is asked again, a second gives up
      {"", "0\n2\n2 3\n", {"FeO", "MgO"}, {0, 0, 1}, "2 needed: try again"},
      {"", "0\n2 2\n1 4\n", {}, {}, "still not correct: no projection will be undertaken"},
      {"", "0\n2 x\n", {}, {}, "not all integers: no projection will be undertaken"},
      // apex by apex, a negative amount asked again
      {"",
       "1\nfa\n1 2 0\nen\n1 -1 1\n1 0 1\n",
       {"fa", "en"},
       {1, 0, 1},
       "amounts must be zero or positive"},
      {"setproject fa 1 2 0 MgO 0 0.00001 1\n",
       "",
       {"fa", "MgO"},
       {0, 0.00001L, 1},
       "setproject fa 1 2 0  MgO 0 0 1"},
      // a plane for another system is asked for again, not used wrongly
      {"setproject FeO 1 0  MgO 0 1\n",
       "0\n2 3\n",
       {"FeO", "MgO"},
       {0, 0, 1},
       "does not fit this system (2 apices of 3 components needed)"},
      {"setproject FeO 0 1 0\n", "0\n2 3\n", {"FeO", "MgO"}, {0, 0, 1}, "does not fit"},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    ScriptSettings script = testing::scriptOf(c.script);
    ProjectionPlane plane = setproject(d.io, script, threeComponentsFromQuartz());
    EXPECT_EQ(plane.names, c.names) << c.answers << d.console();
    if (!c.names.empty()) {
      EXPECT_EQ(plane.apices[1], c.second) << c.answers;
    }
    EXPECT_TRUE(holds(d.console() + d.log(), c.said)) << d.console() << d.log();
  }
  // the plane's faults
  ScriptSettings three = testing::scriptOf("setproject a 1 0 0 b 0 1 0 c 0 0 1\n");
  Dialogue d;
  EXPECT_EQ(bombOf([&] { setproject(d.io, three, threeComponentsFromQuartz()); }).message,
            "too big");
  ProjectionInput big;
  big.components.assign(kMaxProjectionComponents + 1, "X");
  big.heldByExcess.assign(kMaxProjectionComponents + 1, true);
  EXPECT_EQ(bombOf([&] { setproject(d.io, ScriptSettings{}, big); }).message, "system too big");
}

// The pseudosection of the demo rock projected from quartz onto fayalite
// and MgO: every phase row is x/(2 - x) of the x printed for the phase, and
// the rock's row is the bulk's, at every point.
TEST(Projection, EveryPointOfAScriptedRun) {
  Mode1Run run(
      "which ol opx q\nsetexcess q\npseudo yes\nsetbulk yes 51.5 39.2 9.3\nsetvar 3\n"
      "setmodeiso no\nproject yes\nsetproject fa 1 2 0  MgO 0 0 1\nprojcomp yes\n"
      "setTwindow 600 900\nsetPwindow 2 10\nsetTinterval 150\nsetPinterval 8\nplotix yes\n",
      "");
  run.run();
  std::istringstream results(run.results());
  std::string line;
  Real x = -1;
  int rows = 0;
  while (std::getline(results, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string t; words >> t;) w.push_back(t);
    if (w.size() == 5 && w[0].find('.') != std::string::npos) x = std::stold(w[2]);
    if (w.size() == 3 && (w[0] == "ol" || w[0] == "opx")) {
      EXPECT_NEAR(std::stold(w[1]), x / (2 - x), 1e-4L) << line;
      EXPECT_NEAR(std::stold(w[1]) + std::stold(w[2]), 1, 1.5e-4L) << line;
      ++rows;
    }
    if (w.size() == 3 && w[0] == "bulk") {
      EXPECT_EQ(w[1], "0.6782") << line;
    }
  }
  EXPECT_EQ(rows, 12) << run.results();
  // the drawing file's blocks of the same
  EXPECT_TRUE(holds(run.drawing(), "{{2.0000, 600.00},   (* fa MgO *) {\"ol\", \"bulk\"}, {{"))
      << run.drawing();
}

}  // namespace
}  // namespace pf
