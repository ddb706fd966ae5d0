// The end-member choice: the phase question and its answer forms, the
// activities at the a-x conditions, the records, covariances and
// composition matrix of the run's list, and `clean`.
#include "calc/endmembers/choice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/ax/activity.h"
#include "tests/calc/endmembers/choice_support.h"

namespace pf {
namespace {

using testing::ChoiceRun;
using testing::namesOf;
using testing::systemOf;

using Names = std::vector<std::string>;

const Names kAll = {"fo",  "fa",  "en",  "fs",  "py",   "alm", "gr",   "spss", "ab",
                    "an",  "phl", "ann", "H2O", "CO2",  "ky",  "sill", "and",  "q",
                    "coe", "ab",  "jd",  "cc",  "arag", "wo",  "H2O",  "CO2",  "fodqf"};

Names without(Names names, const std::string& gone) {
  names.erase(std::find(names.begin(), names.end(), gone));
  return names;
}

TEST(PhaseChoice, AnswerForms) {
  struct Case {
    const char* answers;
    Names expected;
    const char* said;  // on the console, or nothing
  };
  const Case cases[] = {
      {"ky\n", kAll, ""},  // one name: every phase
      {"\n", kAll, ""},
      {"omit g fluid ab\n",  // pl keeps its ab
       {"fo",  "fa", "en",  "fs", "ab", "an",   "phl", "ann", "ky",  "sill",
        "and", "q",  "coe", "jd", "cc", "arag", "wo",  "H2O", "CO2", "fodqf"},
       ""},
      {"0mit fodqf\n", without(kAll, "fodqf"), ""},
      {"cc ky q\n", {"ky", "q", "cc"}, ""},
      {"kya q cc\nky\n", {"ky", "q", "cc"}, "bad name : replace kya with : "},
      {"ky qq cc\n\n", {"ky", "cc"}, "bad name : replace qq with : "},
      {"ky qq cc\nqtz\n", {"ky", "cc"}, " still a bad name: name ignored\n"},
      {"ky qq cc\nquartzquartzquartzquartz\n", {"ky", "cc"}, " name too long: name ignored\n"},
      {"omit qq\nkya\n", kAll, " still a bad name: name ignored\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers);
    ChoiceRun r(c.answers);
    EndMemberChoice choice = r.choose(kCalcTables);
    EXPECT_EQ(namesOf(choice.run), c.expected);
    EXPECT_NE(r.d.console().find(c.said), std::string::npos);
    EXPECT_FALSE(choice.activitiesCalculated);
  }
}

TEST(PhaseChoice, TheListAndTheQuestion) {
  ChoiceRun r("ky\n");
  r.choose(kCalcTables);
  EXPECT_NE(r.d.console().find("\nH(solid) solutions will be taken apart into their constituent "
                               "end-members\nol opx g pl bi fluid ky sill and q coe \n"
                               "ab jd cc arag wo H2O CO2 fodqf \nwhich phases : "),
            std::string::npos);
  // without solutions mode 2 asks for end-members
  ChoiceRun pure("ky sill\nn\n", "ky sill and q\n");
  RunEndMembers rock = chooseRockEndMembers(pure.d.io, pure.inputs());
  EXPECT_EQ(pure.d.console(), "ky sill and q \nwhich end-members : ");
  EXPECT_EQ(namesOf(rock), (Names{"ky", "sill"}));
}

TEST(PhaseChoice, ReactionsTakeEveryPhaseUnlessTheScriptSaysWhich) {
  ChoiceRun all("7\n600\nn\n");
  EndMemberChoice choice = all.choose(kCalcReactions);
  EXPECT_EQ(namesOf(choice.run), kAll);
  EXPECT_EQ(all.d.console().find("which phases"), std::string::npos);

  // x(CO2) diagrams: H2O and CO2 are not offered, and always take part
  ChoiceRun tx("", testing::demoAxFile(), "which cc q wo\n*\n");
  choice = tx.choose(kCalcReactions, kDiagramTX);
  EXPECT_EQ(namesOf(choice.run), (Names{"q", "cc", "wo", "H2O", "CO2"}));
  EXPECT_NE(tx.d.console().find("ab jd cc arag wo fodqf \nwhich phases : cc q wo (from script)\n"),
            std::string::npos);

  // a log a axis is not offered either
  ChoiceRun la("q cc wo\n", testing::demoAxFile(), "which ask\n*\n");
  choice = la.choose(kCalcReactions, kDiagramTlna, "CO2");
  EXPECT_EQ(namesOf(choice.run), (Names{"q", "cc", "wo", "CO2"}));
  EXPECT_NE(la.d.console().find("wo H2O fodqf \nwhich phases : "), std::string::npos);

  EXPECT_EQ(testing::bombOf([] {
              ChoiceRun bad("q\n", testing::demoAxFile(), "which ask\n*\n");
              bad.choose(kCalcReactions, 9);
            }).message,
            "unknown diagrammode");
}

// opx is ideal with a(en) = (1 - x)^2 and a(fs) = x^2 at x = 0.2 (sd 0.01).
TEST(PhaseChoice, ActivitiesAtTheAxConditions) {
  ChoiceRun r("7.3\n612\nn\n", testing::demoAxFile(), "which opx g ky\n*\n");
  EndMemberChoice choice = r.choose(kCalcReactions);
  const RunEndMembers& run = choice.run;
  ASSERT_EQ(namesOf(run), (Names{"en", "fs", "py", "alm", "gr", "spss", "ky"}));
  EXPECT_EQ(choice.pForAx, 7.3L);
  EXPECT_EQ(choice.tForAx, 885);
  EXPECT_NEAR(run.activity[1], 0.64L, 1e-15L);
  EXPECT_NEAR(run.activity[2], 0.04L, 1e-15L);
  // sd(a), absolute: one step of the variable's sd
  EXPECT_NEAR(run.sdActivity[1], 0.64L - 0.79L * 0.79L, 1e-15L);
  EXPECT_NEAR(run.sdActivity[2], 0.21L * 0.21L - 0.04L, 1e-15L);
  EXPECT_EQ(run.activity[7], 1);
  EXPECT_EQ(run.sdActivity[7], 0);

  // garnet: the activities library at the file's starting guesses
  const SolutionPhase& g = r.phases.solutions[2];
  ActivityResult at;
  ActivityContext context{nullptr, true};
  calca(g, g.guesses(), 7.3L, 885, 0, context, at);
  for (int l = 0; l < 4; ++l) EXPECT_EQ(run.activity[3 + l], at.a[static_cast<std::size_t>(l)]);
  // and the sum of squared changes for py, each variable moved by 0.01
  Real sum = 0;
  for (int v = 0; v < 3; ++v) {
    std::vector<Real> x = g.guesses();
    x[static_cast<std::size_t>(v)] += 0.01L;
    ActivityResult moved;
    calca(g, x, 7.3L, 885, 0, context, moved);
    sum += (moved.a[0] - at.a[0]) * (moved.a[0] - at.a[0]);
  }
  EXPECT_NEAR(run.sdActivity[3], std::sqrt(sum), 1e-18L);

  const std::string console = r.d.console();
  EXPECT_NE(console.find("activities of end-members in solid solutions are\ncalculated with "
                         "datafile values of compositional variables\nP for a-x : T for a-x : "
                         "en        included     0.640     0.01590\n"),
            std::string::npos);
  EXPECT_NE(console.find("standard default uncertainties on activities ? "), std::string::npos);
}

// The default rule of average P-T, worked by hand for en (code 2): x = 0.8,
// sd(x) = max(0.3 x (1 - x)^2, 0.05 x) = 0.04, sd(a) = a m sd(x) / x.
TEST(PhaseChoice, DefaultUncertaintiesWhenAsked) {
  ChoiceRun r("7.3\n612\ny\n", testing::demoAxFile(), "which opx ky\n*\n");
  RunEndMembers run = r.choose(kCalcAveragePT).run;
  EXPECT_NEAR(run.sdActivity[1], 0.64L * 2 * 0.04L / 0.8L, 1e-7L);
  EXPECT_NEAR(run.sdActivity[2], 0.04L * 2 * (0.3L * 0.2L * 0.64L) / 0.2L, 1e-7L);
  EXPECT_EQ(run.sdActivity[3], 0);  // a = 1
}

TEST(PhaseChoice, ExcludedAndMadeEndMembers) {
  std::string ax = testing::demoAxFile();
  std::string spss = "spss  1  1  xMnX 3   check 0 0 1";
  ax.replace(ax.find(spss), spss.size(), spss + " exclude");
  ax.replace(ax.find("\n*\n"), 3, "\nmk  make 2 fo 1/2 fa 1/2  DQF 1 0 0\n*\n");
  ChoiceRun r("g mk q\n", ax);
  RunEndMembers run = r.choose(kCalcTables).run;
  ASSERT_EQ(namesOf(run), (Names{"py", "alm", "gr", "q", "mk"}));
  ASSERT_EQ(run.cov.size(), 36u);

  // dataset numbers: py alm gr fo fa q; run numbers: py alm gr q mk
  Dataset ds = testing::demoDataset({"py", "alm", "gr", "fo", "fa", "q"});
  auto c = [&](int p, int q) { return ds.covariance(p, q); };
  EXPECT_EQ(run.covariance(1, 4), c(1, 6));
  EXPECT_EQ(run.covariance(2, 3), c(2, 3));
  EXPECT_NEAR(run.covariance(5, 4), (c(4, 6) + c(5, 6)) / 2, 1e-12L);
  EXPECT_NEAR(run.covariance(5, 5), (c(4, 4) + 2 * c(4, 5) + c(5, 5)) / 4, 1e-12L);
  EXPECT_NEAR(run.covariance(1, 5), (c(1, 4) + c(1, 5)) / 2, 1e-12L);
  EXPECT_GT(run.covariance(5, 5), 0);
  EXPECT_EQ(run.covariance(4, 5), run.covariance(5, 4));

  // the made record: H summed with its coefficients, the DQF added
  EXPECT_NEAR(run.em[5].slot[kEnthalpy],
              (ds.em[4].slot[kEnthalpy] + ds.em[5].slot[kEnthalpy]) / 2 + 1, 1e-12L);
  for (int e = 1; e <= run.count(); ++e)
    for (int slot : {kIonicStrength, kXCO2, kXH2O, kMadePhase, kMadeMark})
      EXPECT_EQ(run.em[e].slot[static_cast<std::size_t>(slot)], 0);
}

TEST(CompositionMatrix, OxideComponentsInListingOrder) {
  RunEndMembers run = systemOf({"ky", "hem", "mt", "q"});
  EXPECT_EQ(run.componentNames, (Names{"", "SiO2", "Al2O3", "FeO", "O"}));
  EXPECT_EQ(run.divisor, (std::vector<int>{0, 1, 2, 1, 1}));
  // atoms of each element; oxygen beyond the oxides' own
  const std::vector<std::vector<int>> comp = {
      {}, {0, 1, 0, 0, 1}, {0, 2, 0, 0, 0}, {0, 0, 2, 3, 0}, {0, 0, 1, 1, 0}};
  EXPECT_EQ(run.comp, comp);

  // half a silicon: the component is counted in halves
  RunEndMembers half = systemOf({"q"});
  EndMember& em = half.em[1];
  em.amount[1] = 0.5L;
  em.amount[2] = 1;
  compositionMatrix(half, makeOxideTable());
  EXPECT_EQ(half.componentNames, (Names{"", "SiO2"}));
  EXPECT_EQ(half.divisor[1], 2);
  EXPECT_EQ(half.comp[1][1], 1);

  em.amount[1] = 0.0013L;
  EXPECT_EQ(testing::bombOf([&] { compositionMatrix(half, makeOxideTable()); }).procedure,
            "extractem");
}

TEST(Clean, DropsLoneHoldersUntilNothingChanges) {
  // cc alone holds CO2; once it is gone, an alone holds CaO
  RunEndMembers run = systemOf({"ky", "cc", "sill", "an", "q"});
  Dataset ds = testing::demoDataset({"ky", "cc", "sill", "an", "q"});
  run.activity[3] = 0.9L;
  testing::Dialogue d;
  clean(d.io, run);
  EXPECT_EQ(d.console(), "\ncc excluded\nan excluded\n");
  EXPECT_EQ(namesOf(run), (Names{"ky", "sill", "q"}));
  EXPECT_EQ(run.componentNames, (Names{"", "SiO2", "Al2O3"}));
  EXPECT_EQ(run.comp[2], (std::vector<int>{0, 2, 2, 0}));
  EXPECT_EQ(run.activity[2], 0.9L);
  EXPECT_EQ(run.covariance(2, 3), ds.covariance(3, 5));
  EXPECT_EQ(run.covariance(1, 1), ds.covariance(1, 1));

  RunEndMembers lonely = systemOf({"q", "cc"});
  Bombed fault = testing::bombOf([&] { clean(d.io, lonely); });
  EXPECT_EQ(fault.procedure, "clean");
  EXPECT_EQ(fault.message, "insufficient end-members");
}

TEST(BadInput, EndOfInputAtTheChoiceQuestions) {
  for (const char* answers : {"", "kya q\n", "7.3\n"}) {
    SCOPED_TRACE(answers);
    Bombed fault = testing::bombOf([&] {
      ChoiceRun r(answers, testing::demoAxFile(),
                  std::string(answers) == "7.3\n" ? "which opx\n*\n" : "");
      r.choose(kCalcAveragePT);
    });
    EXPECT_EQ(fault.message, "problems reading");
  }
  // nothing left of the answer: an empty list, whole, for the tables
  ChoiceRun none("qq kya\n\n\n");
  RunEndMembers empty = none.choose(kCalcTables).run;
  EXPECT_EQ(empty.total(), 0);
  EXPECT_EQ(empty.components(), 0);
  EXPECT_EQ(empty.cov.size(), 1u);
  testing::Dialogue d;
  EXPECT_EQ(testing::bombOf([&] { clean(d.io, empty); }).message, "insufficient end-members");
  // a T for a-x below absolute zero is asked again
  ChoiceRun cold("7.3\n-300\n500\nn\n", testing::demoAxFile(), "which opx\n*\n");
  EXPECT_EQ(cold.choose(kCalcAveragePT).tForAx, 773);
  EXPECT_NE(cold.d.console().find("try again: T for a-x"), std::string::npos);
}

}  // namespace
}  // namespace pf
