// Whole mode-2 conversations on hand-built rocks: every question in its
// order, the printed results checked against the Gibbs energies, the
// repeats with and without the changes, the script's presets, and every
// kind of bad input ending in a message, a question asked again or the
// fatal report.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "calc/avpt/avpt.h"
#include "tests/calc/avpt/rock_support.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::DemoSystem;
using testing::indexOf;

double d(Real x) {
  return static_cast<double>(x);
}

constexpr Real kP0 = 8.37L;
constexpr Real kT0 = 712 + 273;
const std::string kDeg = testing::kDeg;

struct Conversation {
  testing::Dialogue d;
  WindowState w;
  std::vector<RockCalculation> result;
  Conversation(const DemoSystem& s, const std::string& script, const std::string& answers)
      : d(answers) {
    d.io.openOutput(kOutfile, "pf-rock-o.txt", false);
    d.io.openOutput(kSecondFile, "pf-rock-a.txt", false);
    ScriptSettings settings = testing::scriptOf(script);
    result = avptmode(d.io, s.run, w, settings, s.settings, rockName(d.io, settings, "gneiss"));
    d.io.flushOutput(kOutfile);
    d.io.flushOutput(kSecondFile);
  }
  std::string results() { return d.files.contents["pf-rock-o.txt"]; }
  std::string second() { return d.files.contents["pf-rock-a.txt"]; }
};

// The numbers that follow `key` in the text, one per match.
std::vector<double> numbersAfter(const std::string& text, const std::string& key) {
  std::vector<double> out;
  std::regex pattern(std::regex_replace(key, std::regex(R"([()*+.?])"), R"(\$&)") +
                     R"(\s*(-?[0-9]+(\.[0-9]+)?))");
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
    out.push_back(std::stod((*it)[1]));
  return out;
}

// sum nu (G + RT ln a), with the rock's activities.
Real reactionDg(const DemoSystem& s, const RunEndMembers& run, const Reaction& r, Real P, Real T) {
  Real sum = 0;
  for (int e = 1; e <= run.count(); ++e)
    if (r[e] != 0)
      sum += r[e] * (testing::gibbsOf(s, run.names[e], P, T) +
                     kGasConstant * T * std::log(run.activity[e]));
  return sum;
}

TEST(RockConversation, AveragePTOfAGeneratedRock) {
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  Conversation c(s, "", "3\ny\n450 950 2 15\ny\ny\n1\nn\ny\nn\n");
  ASSERT_EQ(c.result.size(), 1u);
  EXPECT_EQ(c.d.console().rfind(std::string(38, '*') + "\ntype of rock calculation:\n" +
                                    "       1 : average P\n       2 : average T\n" +
                                    "       3 : average PT\ncode : ",
                                0),
            0u);
  // the questions, in their order
  std::string log = c.d.log();
  std::size_t at = 0;
  for (const char* question :
       {"these data ok ? ", "PT window within which average PT expected to lie",
        "T low,high, P low,high : ", "independent set of reactions for rereading (put into log) ? ",
        "show thermo covariances and correlations ? ",
        "Reactions must be reasonably linear within the window;",
        "allowed angle change of reaction per kbar (try 1) : ",
        "minimal progress info in generating independent set of reactions ? ",
        "reactions : ", "an independent set of reactions has been calculated",
        "print the independent set of reactions and their thermodynamics ? ",
        " more calculations with this rock ? "}) {
    std::size_t next = log.find(question, at);
    ASSERT_NE(next, std::string::npos) << question;
    at = next;
  }

  std::string out = c.results();
  std::vector<double> T = numbersAfter(out, "T = "), P = numbersAfter(out, "P = ");
  std::size_t summary = out.find("Average PT for gneiss\nT = ");
  ASSERT_NE(summary, std::string::npos) << out;
  EXPECT_NE(out.find(kDeg + ", sd = ", summary), std::string::npos);
  EXPECT_EQ(numbersAfter(out.substr(summary), "T = ")[0], 712);
  EXPECT_EQ(numbersAfter(out.substr(summary), "P = ")[0], 8.37);
  EXPECT_EQ(numbersAfter(out.substr(summary), "sigfit = ")[0], 0);
  const PTAverage& pt = c.result[0].pt;
  EXPECT_NEAR(numbersAfter(out.substr(summary), "kbars, sd = ")[0], d(pt.sdP), 0.005);

  // each reaction on its own, at the window's centre: its printed P solves
  // dG = 0 at 700 degrees to the printed digits
  std::size_t table = out.find("Calculations for the independent set of reactions at T = 700" +
                               kDeg + " at P = 8.5 kbar");
  ASSERT_NE(table, std::string::npos) << out;
  std::istringstream rows(out.substr(table));
  std::string line;
  std::getline(rows, line);
  std::getline(rows, line);
  EXPECT_EQ(line, "        P(T)   sd(P)    T(P)   sd(T)      ln_K  sd(ln_K)");
  for (const Reaction& r : c.result[0].reactions) {
    std::getline(rows, line);
    double printedP = std::stod(line.substr(4, 8));
    Real slope = (reactionDg(s, s.run, r, printedP + 0.01, 973) -
                  reactionDg(s, s.run, r, printedP - 0.01, 973)) /
                 0.02L;
    EXPECT_LT(std::fabs(d(reactionDg(s, s.run, r, printedP, 973))), std::fabs(d(slope)) * 0.0051)
        << line;
  }
  for (const char* title :
       {"covh(i,k)", "covlnk(i,k)", "Correlation matrix:  calculated pressures",
        "Correlation matrix: enthalpy of reaction", "Correlation matrix: ln K",
        "Single end-member diagnostic information",
        "large values, say > 0.50, point to influential data.",
        "For 95% confidence, fit (= sd(fit)) < 1.96",
        "however a larger value may be OK - look at the diagnostics!",
        "Independent set of reactions", "Activities and their uncertainties for gneiss"})
    EXPECT_NE(out.find(title), std::string::npos) << title;
  EXPECT_EQ(out.find("UNLIKELY"), std::string::npos);

  // the set for rereading, as a script line between "% ---" lines
  std::smatch m;
  ASSERT_TRUE(std::regex_search(log, m, std::regex("% ---\nsetisr([ 0-9-]+)\n% ---\n")));
  EXPECT_EQ(testing::scriptOf("setisr" + m[1].str()).setisr.size(), 3u * 8u);

  // the second results file
  std::string second = c.second();
  for (const char* block : {"{name,lna,sdlna}=Transpose[{\n    {\"py\", -4.8283137, 0.57600002},",
                            "r = {\n    {", "{a,b,c,lnK,sdlnK}=Transpose[{\n", "cova = {\n"})
    EXPECT_NE(second.find(block), std::string::npos) << block << "\n" << second;
}

TEST(RockConversation, AveragePressuresFromTheScriptsSetAndAngle) {
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  // the set the first conversation put in the log, reread by the script
  Conversation first(s, "dataok yes\n", "3\n450 950 2 15\ny\nn\n1\ny\nn\nn\n");
  std::smatch m;
  std::string log = first.d.log();
  ASSERT_TRUE(std::regex_search(log, m, std::regex("setisr[ 0-9-]+")));
  std::string script =
      m[0].str() + "\nsetlinear 1.5\ndataok yes\nsetrockname gneiss 7\n" + "diagnostics no\n";
  Conversation c(s, script, "1\n2 15\n612 812\n100\nn\nn\ny\nn\nn\n");
  std::string console = c.d.console();
  EXPECT_EQ(console.find("these data ok"), std::string::npos);
  EXPECT_EQ(console.find("allowed angle change"), std::string::npos);
  EXPECT_EQ(console.find("use independent set of reactions in script"), std::string::npos);
  EXPECT_EQ(console.find("reactions : "), std::string::npos);
  EXPECT_NE(console.find("independent set of reactions from script"), std::string::npos);
  EXPECT_NE(console.find("P window within which average P expected to lie\nP window: P low,high : "
                         "T range over which average P to be calculated\nT window: T low,high : "),
            std::string::npos)
      << console;
  EXPECT_EQ(c.result[0].reactions, first.result[0].reactions);

  std::string out = c.results();
  std::size_t summary = out.find("Average pressures for gneiss 7\n");
  ASSERT_NE(summary, std::string::npos) << out;
  std::string lines = out.substr(summary);
  EXPECT_EQ(numbersAfter(lines, "For T = "), (std::vector<double>{612, 712, 812}));
  std::vector<double> P = numbersAfter(lines, "T = 712, ");
  ASSERT_EQ(P.size(), 1u);
  EXPECT_EQ(P[0], 8.37);
  // an exact rock passes the fit test: no diagnostics with the setting off
  EXPECT_EQ(out.find("diagnostics on this average P"), std::string::npos);
  ASSERT_EQ(c.result[0].lines.size(), 3u);
  EXPECT_TRUE(c.result[0].diagnosed);
  EXPECT_EQ(c.result[0].lines[1].fixed, kT0);
}

TEST(RockConversation, AverageTThenRepeatsWithAndWithoutTheChanges) {
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  std::string answers =
      // average T at 8.37 kbar
      "2\ny\n8.37\n450 950\nn\nn\n1\ny\ny\ny\n"
      // average P keeping the changes: fs excluded, a misspelt name, gr changed
      "1\ny\nn\nfs xx\nyy\nn\ngr\n1.4\n0.0051\n0.0004\nn\ny\n2 15\n250\nn\nn\n1\ny\ny\ny\n"
      // average PT from the rock as it came, in a window away from it
      "3\nn\ny\nn\n350 450 2 15\nn\nn\n1\ny\ny\nn\n";
  Conversation c(s, "", answers);
  ASSERT_EQ(c.result.size(), 3u);
  std::string out = c.results(), console = c.d.console();

  std::size_t avT = out.find("Average temperatures for gneiss at P = 8.37 kbar\n");
  ASSERT_NE(avT, std::string::npos) << out;
  EXPECT_EQ(numbersAfter(out.substr(avT), "av T = ")[0], 712);

  // the second calculation: fs out, gr as changed with the default sd(a)
  const RockCalculation& second = c.result[1];
  int gr = indexOf(s.run, "gr"), fs = indexOf(s.run, "fs");
  EXPECT_TRUE(second.table.excluded[fs]);
  EXPECT_EQ(second.table.run.activity[gr], 0.0051L);
  Real sdGr = sdWithDefault(0.0051L, 0.0004L, 3, UncertaintyParameters{});
  EXPECT_EQ(second.table.run.sdActivity[gr], sdGr);
  EXPECT_NEAR(d(sdGr), 0.0051 * 3 * 0.3 * 0.8279 * 0.8279, 1e-5);
  for (const Reaction& r : second.reactions) EXPECT_EQ(r[fs], 0);
  EXPECT_EQ(second.reactions.size(), 2u);
  EXPECT_NE(c.d.log().find("bad name : replace xx with : yy\nforget it!  (check the name\n"),
            std::string::npos);
  EXPECT_NE(console.find("     activity(gr) : should be 0 < activity <= 1 : try again : "),
            std::string::npos);
  // the single pressure of average T will not do for average P
  EXPECT_NE(console.find("same PT window ? P(low) must be less than P(high) : try again\n"
                         "P low,high : T window : 450 <-> 950\nT interval : "),
            std::string::npos);
  std::size_t avP = out.find("Average pressures for gneiss\n");
  ASSERT_NE(avP, std::string::npos);
  EXPECT_EQ(numbersAfter(out.substr(avP), "For T = "), (std::vector<double>{450, 700, 950}));
  // two reactions: one degree of freedom, and the diagnostics at 700
  EXPECT_NE(out.find("diagnostics on this average P\nfor 95% confidence, fit (= sd(fit) = "
                     "sqrt(MSWD)) < 1.96 (but larger may be OK)\n"),
            std::string::npos);
  EXPECT_NE(out.find("corresponding average P\nFor T = 700, "), std::string::npos);
  std::smatch sd;
  std::string printed = out.substr(out.find("Activities and their uncertainties", avT));
  ASSERT_TRUE(std::regex_search(printed, sd, std::regex("sd\\(a\\)/a +([0-9. ]+)")));
  EXPECT_NE(sd[1].str().find(realToText(sdGr / 0.0051L, 4, Digits::fixed)), std::string::npos)
      << printed;

  // the third: the rock as it came, and a window the result leaves
  const RockCalculation& third = c.result[2];
  EXPECT_FALSE(third.table.excluded[fs]);
  EXPECT_EQ(third.table.run.activity[gr], s.run.activity[gr]);
  EXPECT_EQ(third.pt.outcome, PTOutcome::outsideWindow);
  EXPECT_NE(out.find("Average PT for gneiss\nAverage PT outside window - use average P and/or T\n"),
            std::string::npos);
}

TEST(RockConversation, BadAnswersAreAskedAgain) {
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  RunEndMembers& run = s.run;
  Real an = run.activity[indexOf(run, "an")];
  run.activity[indexOf(run, "an")] = 0;
  run.activity[indexOf(run, "en")] = std::nanl("");
  Real fs = run.activity[indexOf(run, "fs")];
  run.activity[indexOf(run, "fs")] = 1.3L;
  run.sdActivity[indexOf(run, "alm")] = std::nanl("");
  run.sdActivity[indexOf(run, "py")] = -0.1L;
  std::string answers = "7\nthree\n3\n-2\n" + realToText(an, 18, Digits::significant) +
                        "\n0.06690\n" + realToText(fs, 18, Digits::significant) +
                        "\ny\n450 950 2 15\nn\nn\n0.01\nn\nn\ny\n"
                        "1\ny\ny\nn\n2 15\n700 700\nn\nn\n50\ny\nn\nn\n";
  Conversation c(s, "", answers);
  std::string console = c.d.console();
  for (const char* text :
       {"code : not in range  - try again : three not an integer: replace with : ",
        "an: should be 0 < activity <= 1 : try again\n     activity(an) : should be 0 < "
        "activity <= 1 : try again : ",
        "en: should be 0 < activity <= 1 : try again\n     activity(en) : ",
        "fs: should be 0 < activity <= 1 : try again\n     activity(fs) : ",
        "Too small: angle change set to 0.1\n", "Too big: angle change set to 10\n"})
    EXPECT_NE(console.find(text), std::string::npos) << text << "\n" << console;
  EXPECT_EQ(c.result[0].table.run.sdActivity[indexOf(run, "alm")], 0);
  EXPECT_EQ(c.result[0].table.run.sdActivity[indexOf(run, "py")], 0);
  EXPECT_EQ(c.result[0].pt.outcome, PTOutcome::converged);
  EXPECT_EQ(c.results().find("NaN"), std::string::npos);
  EXPECT_EQ(c.results().find("nan"), std::string::npos);
}

TEST(RockConversation, TooFewReactionsAndNone) {
  struct Case {
    std::vector<std::string> rock;
    std::string answers;
    std::string says;
  };
  const Case cases[] = {
      {{"gr", "an", "ky", "q"},
       "1\ny\n2 15\n700\nn\nn\n1\nn\n",
       "** insufficient reactions for average P/T calculations"},
      {{"gr", "an", "ky", "q"},
       "3\ny\n450 950 2 15\nn\nn\n1\nn\n",
       "** insufficient reactions for average PT calculations"},
      {{"q", "ky", "py"}, "2\ny\n8\n450 950\nn\nn\n1\nn\n", "** no reactions"},
  };
  for (const Case& k : cases) {
    DemoSystem s = testing::demoSystem(k.rock);
    // the garnet and plagioclase of a rock whose GASP crosses the window
    if (k.rock[0] == "gr") {
      testing::setActivity(s.run, "gr", 0.003375L, 0.0022L);
      testing::setActivity(s.run, "an", 0.819L, 0.041L);
    }
    Conversation c(s, "", k.answers + "n\n");
    EXPECT_NE(c.results().find(k.says + "\n"), std::string::npos) << c.d.console();
    EXPECT_FALSE(c.result[0].calculated);
    // nothing more is asked before the next calculation
    EXPECT_EQ(c.d.console().find("print the independent set"), std::string::npos);
  }
}

TEST(RockConversation, FluidBearingRockTakesTheFluidActivity) {
  DemoSystem s = testing::demoSystem({"mu", "q", "ky", "sill", "san", "H2O"});
  std::string answers =
      "1\ny\ny\n1.2\n0.8\n2 15\n650\nn\nn\n1\nn\ny\ny\n"
      "1\ny\ny\nn\ny\nn\nn\n1\nn\nn\n";
  Conversation c(s, "", answers);
  std::string console = c.d.console(), out = c.results();
  EXPECT_NE(console.find("rock was fluid-bearing ? fixed a(H2O) : "
                         "should be 0 < activity <= 1 : try again\n     activity(H2O) : "),
            std::string::npos)
      << console;
  ASSERT_EQ(c.result.size(), 2u);
  const RockCalculation& wet = c.result[0];
  ASSERT_TRUE(wet.calculated);
  EXPECT_EQ(wet.table.run.activity[indexOf(s.run, "H2O")], 0.8L);
  // the muscovite breakdown with a(H2O) = 0.8 holds at the printed pressure
  RunEndMembers run = wet.table.run;
  std::vector<double> printed = numbersAfter(out, "For T = 650, ");
  ASSERT_FALSE(printed.empty());
  EXPECT_EQ(printed.back(), d(std::nearbyint(wet.lines[0].avg.value * 100) / 100));
  for (const Reaction& r : wet.reactions) {
    if (r[indexOf(s.run, "H2O")] == 0) continue;
    Real P = wet.lines[0].x[&r - &wet.reactions[0]];
    EXPECT_NEAR(d(reactionDg(s, run, r, P, 650 + 273)), 0, 1e-6);
  }
  // dry, only ky = sill is left
  EXPECT_NE(out.find("** insufficient reactions for average P/T calculations"), std::string::npos);
  EXPECT_FALSE(c.result[1].calculated);
}

TEST(RockConversation, FaultsThatStopTheRun) {
  // a covariance matrix that is not positive definite
  DemoSystem broken = testing::generatedGneiss(kP0, kT0);
  for (int e = 1; e <= broken.run.count(); ++e) {
    broken.run.sdActivity[e] = 0;
    broken.run.cov[e * (broken.run.count() + 1) + e] *= -1;
  }
  Bombed fault =
      testing::bombOf([&] { Conversation c(broken, "", "3\ny\n450 950 2 15\nn\nn\n1\nn\nn\n"); });
  EXPECT_EQ(fault.procedure, "posdefinvert");
  EXPECT_EQ(fault.message, "sqrt negative");

  // the end of the answers at any question ends the run through the report
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  for (const char* answers : {"", "3\n", "3\ny\n", "3\ny\n450 950 2 15\nn\nn\n1\nn\n"}) {
    Bombed end = testing::bombOf([&] { Conversation c(s, "", answers); });
    EXPECT_EQ(end.message, "problems reading") << answers;
  }

  // a script set that does not fit the rock is replaced by a calculated one
  Conversation c(s, "setisr 1 2 3\n", "3\ny\n450 950 2 15\nn\nn\n1\nn\nn\nn\n");
  EXPECT_NE(c.d.console().find(
                "the independent set in the script does not fit this rock: calculating one"),
            std::string::npos);
  EXPECT_EQ(c.result[0].reactions.size(), 3u);
}

TEST(RockConversation, AnIncompleteSetAndTemperaturesOutOfRange) {
  DemoSystem s = testing::generatedGneiss(kP0, kT0);
  // two of the three reactions: GASP and the Fe end of garnet-orthopyroxene
  std::string script = "dataok yes\nsetisr 0 -2 0 0 0 3 -2 2  0 0 1 -3 0 0 1 2\n";
  Conversation c(s, script,
                 "1\n6 12\n450 950\n250\nn\nn\n1\ny\nn\ny\n"
                 "2\ny\nn\n8.37\n450 950\nn\nn\n1\ny\nn\nn\n");
  std::string out = c.results();
  ASSERT_EQ(c.result.size(), 2u);
  EXPECT_TRUE(c.result[0].incomplete);
  EXPECT_EQ(c.result[0].reactions.size(), 2u);
  EXPECT_NE(out.find("(Because an incomplete set of independent reactions has\n"
                     "been used, the following results are UNLIKELY to be useful.\n"
                     "Vary the run conditions to try and get a complete set...)\n\n"
                     "Average pressures for gneiss\n"
                     "For T = 450, cannot be calculated - not all in range .. .\n"
                     "For T = 700, "),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("been used, the following results are unlikely to be useful.\n"),
            std::string::npos);
  EXPECT_NE(
      out.find("Average temperatures for gneiss at P = 8.37 kbar\nFor P = 8.37 kbar, av T = 712"),
      std::string::npos);
}

TEST(ScriptReactions, OnlyABalancedIndependentSetOverTheRockIsTaken) {
  DemoSystem s = testing::demoSystem({"gr", "an", "ky", "sill", "q"});
  std::vector<bool> none(6, false), noSill = {false, false, false, false, true, false};
  const std::vector<int> good = {1, -3, 2, 0, 1, 1, -3, 0, 2, 1};
  EXPECT_EQ(scriptReactions(good, s.run, none).size(), 2u);
  struct Case {
    std::vector<int> numbers;
    std::vector<bool> excluded;
  };
  const Case cases[] = {
      {{1, -3, 2, 0, 1, 1, -3, 0, 2}, none},     // not a whole number of reactions
      {{1, -3, 2, 0, 2}, none},                  // unbalanced
      {{1, -3, 2, 0, 1, 2, -6, 4, 0, 2}, none},  // dependent
      {{0, 0, 0, 0, 0}, none},                   // empty
      {good, noSill},                            // uses an excluded end-member
      {{}, none},
  };
  for (const Case& k : cases) EXPECT_TRUE(scriptReactions(k.numbers, s.run, k.excluded).empty());
}

}  // namespace
}  // namespace pf
