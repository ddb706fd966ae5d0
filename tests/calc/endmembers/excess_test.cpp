// `inexcess`: fluid types by diagram type, the log a and mu set-ups, the
// phases in excess and the projection through them, which must leave every
// reaction's Gibbs energy as the true reaction's.
#include "calc/endmembers/excess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/reactions/diagram_thermo.h"
#include "calc/reactions/finder.h"
#include "calc/thermo/reaction.h"
#include "tests/calc/endmembers/choice_support.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;
using testing::namesOf;
using testing::scriptOf;
using testing::systemOf;

using Names = std::vector<std::string>;

struct Settled {
  Dialogue d;
  RunEndMembers run;
  ExcessSettings s;
  Settled(const Names& names, int diagram, const std::string& scriptText,
          const std::string& answers, const std::string& lna = "", const std::string& mu = "")
      : d(answers), run(systemOf(names)) {
    s = inexcess(d.io, run, scriptOf(scriptText), diagram, lna, mu);
  }
};

TEST(Inexcess, FluidTypesByDiagram) {
  struct Case {
    Names names;
    int diagram;
    const char* script;
    const char* answers;
    int fluidtype;
    bool inExcess;
    const char* fluidEndMember;
    Names excess;
  };
  const Case cases[] = {
      {{"ky", "sill"}, kDiagramPT, "", "\n", kFluidActivities, false, "", {}},
      {{"q", "cc", "wo", "H2O"}, kDiagramPT, "", "\n", kFluidPureH2O, true, "H2O", {"H2O"}},
      {{"q", "cc", "wo", "CO2"}, kDiagramPT, "", "\n", kFluidPureCO2, true, "CO2", {"CO2"}},
      {{"q", "cc", "wo", "H2O", "CO2"},
       kDiagramPT,
       "",
       "\n",
       kFluidPureCO2,
       true,
       "",
       {"CO2", "H2O"}},
      {{"q", "cc", "wo", "CO2"}, kDiagramTX, "", "\n", kFluidMoleFractions, true, "", {"CO2"}},
      {{"q", "cc", "wo", "CO2"}, kDiagramPX, "", "\n", kFluidMoleFractions, true, "", {"CO2"}},
      // the script's fluid switches answer their questions, or ask them
      {{"q", "cc", "wo", "H2O"},
       kDiagramPT,
       "fluidpresent no\n*\n",
       "\n",
       kFluidActivities,
       false,
       "",
       {}},
      {{"q", "cc", "wo", "H2O"},
       kDiagramPT,
       "fluidpresent ask\n*\n",
       "n\n\n",
       kFluidActivities,
       false,
       "",
       {}},
      {{"q", "cc", "wo", "H2O"},
       kDiagramPT,
       "fluidexcess ask\n*\n",
       "n\n\n",
       kFluidPureH2O,
       false,
       "H2O",
       {}},
      {{"q", "cc", "wo", "H2O"},
       kDiagramPT,
       "fluidexcess\n*\n",
       "\n",
       kFluidPureH2O,
       true,
       "H2O",
       {"H2O"}},
      // asked phases in excess, a last "*" dropped, the fluid added once
      {{"q", "cc", "wo", "H2O"},
       kDiagramPT,
       "",
       "H2O q *\n",
       kFluidPureH2O,
       true,
       "H2O",
       {"H2O", "q"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::namesOf(systemOf(c.names)).size());
    SCOPED_TRACE(c.script);
    Settled t(c.names, c.diagram, c.script, c.answers);
    EXPECT_EQ(t.s.fluidtype, c.fluidtype);
    EXPECT_EQ(t.s.fluidInExcess, c.inExcess);
    EXPECT_EQ(t.s.fluidEndMember, c.fluidEndMember);
    EXPECT_EQ(t.s.excess, c.excess);
  }
  EXPECT_EQ(bombOf([] {
              Settled t({"ky", "sill"}, kDiagramTX, "", "\n");
            }).message,
            "no H2O or CO2 in P-x/T-x?");
  EXPECT_EQ(bombOf([] { Settled t({"ky", "sill"}, 8, "", "\n"); }).message, "unknown diagrammode");
}

TEST(Inexcess, WhatItWrites) {
  Settled t({"q", "cc", "wo", "CO2"}, kDiagramTX, "setexcess\n*\n", "");
  EXPECT_EQ(t.d.console(),
            "q cc wo CO2 \nfluid in excess\nadditionally no phases in excess (from script)\n");
  Settled listed({"q", "cc", "wo", "H2O"}, kDiagramPT, "setexcess q\n*\n", "");
  EXPECT_EQ(listed.d.console(), "q cc wo H2O \nadditionally phases in excess: q (from script)\n");
  EXPECT_EQ(listed.s.excess, (Names{"q", "H2O"}));
  Settled asked({"ky", "sill", "q"}, kDiagramPT, "", "qz\nq\n");
  EXPECT_EQ(asked.d.console(),
            "ky sill q \nin excess: names : qz not recognised : replace with : ");
  EXPECT_EQ(asked.s.excess, (Names{"q"}));
  Settled dropped({"ky", "sill", "q"}, kDiagramPT, "", "qz\nqtz\n");
  EXPECT_NE(dropped.d.console().find("forget it!  (name still unrecognised)\n"), std::string::npos);
  EXPECT_TRUE(dropped.s.excess.empty());
  EXPECT_FALSE(dropped.s.projected);
}

// brucite = periclase + H2O on a log a(H2O) axis
TEST(Inexcess, LogActivityOfH2O) {
  Settled t({"br", "per", "H2O"}, kDiagramTlna, "setexcess\n*\n", "", "H2O");
  EXPECT_EQ(t.s.fluidtype, kFluidActivities);
  EXPECT_FALSE(t.s.fluidInExcess);
  EXPECT_EQ(t.s.lnaName, "H2O");
  EXPECT_EQ(t.s.excess, (Names{"H2O"}));
  ASSERT_TRUE(t.s.projected);
  EXPECT_EQ(namesOf(t.run), (Names{"br", "per", "H2O"}));
  EXPECT_EQ(t.run.count(), 2);
  EXPECT_EQ(t.s.axisEndMember, 3);
  EXPECT_NE(t.d.console().find("name of end-member to be used in log a : H2O (from script)\n"),
            std::string::npos);

  // asked, misspelt once; H2O with CO2 beside it is refused
  Settled asked({"br", "per", "H2O"}, kDiagramTlna, "setexcess\n*\n", "h2o\nH2O\n");
  EXPECT_EQ(asked.s.lnaName, "H2O");
  EXPECT_EQ(bombOf([] {
              Settled t({"br", "per"}, kDiagramTlna, "", "h2o\nwater\n");
            }).message,
            "log a setup");
  Settled replaced({"cc", "q", "wo", "H2O", "CO2"}, kDiagramPlna, "setexcess\n*\n", "CO2\nwo\n");
  EXPECT_NE(replaced.d.console().find("Cannot handle H2O or CO2 in lna in system with H2O and CO2\n"
                                      "replace CO2 with : "),
            std::string::npos);
  EXPECT_EQ(replaced.s.lnaName, "wo");
  EXPECT_EQ(bombOf([] {
              Settled t({"cc", "q", "wo", "H2O", "CO2"}, kDiagramPlna, "", "CO2\nH2O\n");
            }).message,
            "log a setup");
}

TEST(Inexcess, MuPhaseOfAComponent) {
  Settled t({"q", "cc", "wo"}, kDiagramTmu, "setexcess\n*\n", "CaO\n");
  EXPECT_EQ(t.s.muName, "CaO");
  EXPECT_EQ(t.s.fluidtype, kFluidActivities);
  ASSERT_EQ(t.run.total(), 4);
  EXPECT_EQ(t.run.names[4], "CaO");
  EXPECT_EQ(t.s.axisEndMember, 4);
  EXPECT_EQ(t.run.activity[4], 1);
  EXPECT_EQ(t.run.covariance(4, 4), 0);
  for (int slot = 1; slot <= kSlotCount; ++slot)
    EXPECT_EQ(t.run.em[4].slot[static_cast<std::size_t>(slot)], 0);
  // projected through it: CaO leaves, wo stands for wo - CaO
  EXPECT_EQ(t.run.componentNames, (Names{"", "CO2", "SiO2"}));
  EXPECT_EQ(t.run.projection.take[3][1], 1);

  RunEndMembers run = systemOf({"q", "cc", "wo"});
  appendMuPhase(run, 3);
  EXPECT_EQ(run.comp[3], (std::vector<int>{0, 0, 1, 1, 1}));

  Dialogue d("MgO\n");
  RunEndMembers q = systemOf({"q", "cc", "wo"});
  EXPECT_EQ(bombOf([&] { inexcess(d.io, q, scriptDefaults(), kDiagramPmu, "", ""); }).message,
            "mu setup problems");
  EXPECT_NE(d.console().find("Cannot handle mu variable not a component in system\n"),
            std::string::npos);
}

// 4 zo + q = 5 an + gr + 2 H2O through q and H2O in excess, by hand:
// q takes SiO2 and H2O takes H2O (each the only component it holds);
// zo - 3 q = (H 1, Al 3, Ca 2), then 2 (zo - 3 q) - H2O = (Al 6, Ca 4);
// an - 2 q = (Al 2, Ca 1); gr - 3 q = (Al 2, Ca 3).
TEST(ExcessProjection, PivotsFoundAndEliminated) {
  RunEndMembers run = systemOf({"zo", "q", "an", "H2O", "gr"});
  Dataset ds = testing::demoDataset({"zo", "q", "an", "H2O", "gr"});
  std::vector<int> place = project(run, {2, 4});
  EXPECT_EQ(place, (std::vector<int>{0, 1, 3, 5, 2, 4}));
  EXPECT_EQ(namesOf(run), (Names{"zo", "an", "gr", "q", "H2O"}));
  EXPECT_EQ(run.count(), 3);
  EXPECT_EQ(run.componentNames, (Names{"", "Al2O3", "CaO"}));
  const std::vector<std::vector<int>> comp = {{}, {0, 6, 2, 2}, {0, 4, 1, 3}};
  EXPECT_EQ(run.comp, comp);
  const ExcessProjection& p = run.projection;
  EXPECT_EQ(p.excess, 2);
  EXPECT_EQ(p.scale, (std::vector<int>{0, 2, 1, 1}));
  EXPECT_EQ(p.take[1], (std::vector<int>{0, 6, 1}));
  EXPECT_EQ(p.take[2], (std::vector<int>{0, 2, 0}));
  EXPECT_EQ(p.take[3], (std::vector<int>{0, 3, 0}));
  EXPECT_EQ(p.pivotNames, (Names{"", "SiO2", "H2O"}));
  // the records and covariances follow their end-members
  EXPECT_EQ(run.em[4].name, "q");
  EXPECT_EQ(run.covariance(1, 4), ds.covariance(1, 2));
  EXPECT_EQ(run.covariance(5, 3), ds.covariance(4, 5));

  // the reaction the finder sees maps back to the true one
  testing::Dialogue d;
  FinderOptions options;
  options.intersections = false;
  ReactionSet set = findreactions(d.io, run, options);
  ASSERT_EQ(set.reactions.size(), 1u);
  std::vector<int> r = unproject(run, set.reactions[0]);
  if (r[1] > 0)
    for (int& nu : r) nu = -nu;
  EXPECT_EQ(r, (std::vector<int>{0, -4, 5, 1}));
  EXPECT_EQ(withExcess(run, r), (std::vector<int>{0, -4, 5, 1, -1, 2}));

  EXPECT_EQ(bombOf([] {
              RunEndMembers twice = systemOf({"ky", "q", "coe"});
              project(twice, {2, 3});
            }).message,
            "projection does not work");
}

// The reactions' thermodynamics in a projected system are those of the true
// reaction among all the end-members, excess phases included: dG, its
// slopes, ln K with a non-unit activity of an excess phase, and the enthalpy
// variance (through the covariance with the excess phases).
TEST(ExcessProjection, ReactionThermoIncludesTheExcessPhases) {
  RunEndMembers full = systemOf({"zo", "q", "an", "H2O", "gr"});
  full.activity[2] = 0.83L;  // q, in excess
  full.activity[3] = 0.71L;  // an
  RunEndMembers run = full;
  project(run, {2, 4});
  Reaction projected = {0, -4, 5, 1};
  Reaction truth = {0, -4, -1, 5, 2, 1};  // over zo q an H2O gr

  Console console;
  WindowState w;
  w.fluid.h2o = 1;
  GibbsSettings settings = gibbsSettings(testing::demoDataset({"q"}));
  ReactionContext c(console.io, run, w, settings);
  for (Real P : {3.7L, 11.2L}) {
    for (Real T : {751.0L, 1013.0L}) {
      DiagramPoint point;
      point.P = P;
      point.T = T;
      ReactionThermo got = thermoAt(c, projected, point);
      std::vector<EndMember> em = full.em;
      ReactionThermo want =
          reactionAtPoint(console.io, em, truth, full.activity, 0, 1, P, T, settings);
      EXPECT_NEAR(got.dg, want.dg, 1e-9L);
      EXPECT_NEAR(got.dgdp, want.dgdp, 1e-9L);
      EXPECT_NEAR(got.dgdt, want.dgdt, 1e-10L);
      std::vector<Real> g = gibbsAt(c, point);
      EXPECT_NEAR(dgFrom(c, g, projected, point), want.dg, 1e-9L);
      EXPECT_NEAR(lnKAt(c, projected, point), -std::log(0.83L) + 5 * std::log(0.71L), 1e-15L);
    }
  }
  Real variance = 0, direct = 0;
  std::vector<int> all = withExcess(run, projected);
  for (int p = 1; p <= 5; ++p)
    for (int q = 1; q <= 5; ++q) variance += all[p] * all[q] * run.covariance(p, q);
  Dataset ds = testing::demoDataset({"zo", "q", "an", "H2O", "gr"});
  for (int p = 1; p <= 5; ++p)
    for (int q = 1; q <= 5; ++q) direct += truth[p] * truth[q] * ds.covariance(p, q);
  EXPECT_NEAR(variance, direct, 1e-12L);
  EXPECT_GT(direct, 0);
}

}  // namespace
}  // namespace pf
