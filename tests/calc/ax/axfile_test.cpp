// Reading the a-x file: what the tables hold after good texts, the one
// question the reading asks, the script's adjustments, and bad input that
// must end in the fatal report and nothing else.
#include "calc/ax/axfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "calc/ax/order.h"
#include "tests/calc/ax/ax_fixture.h"

namespace pf::testing {
namespace {

const std::string kBinary =
    "ol 2 1  x(ol) 0.1  p(fo) 1 1 1 1 -1 x(ol)  p(fa) 1 1 0 1 1 x(ol)  sf  W(fo,fa) 10 0 0  "
    "2  xMg 1 1 1 1 -1 x(ol)  xFe 1 1 0 1 1 x(ol)  fo 1 1 xMg 2 check 0  fa 1 1 xFe 2 check 1\n";

std::string replacedAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A solution of n end-members of the demo dataset, each alone on its own site,
// mixing symmetrically with every pair named.
std::string wideSolution(int n) {
  Dataset ds = demoSetup();
  std::vector<std::string> em(ds.names.begin() + 1, ds.names.begin() + 1 + n);
  std::ostringstream t;
  t << "big " << n << " 1\n";
  for (int k = 1; k < n; ++k) t << "  x" << k << "(big) 0.05\n";
  // the first proportion is 1 - (x1 + ... + x9) - (x10 + ...), nine terms at most a factor
  auto rest = [&](const std::string& name) {
    t << name << (n > 10 ? " 2" : " 1") << " 1 1 " << std::min(n - 1, 9);
    for (int k = 1; k < n && k <= 9; ++k) t << " -1 x" << k << "(big)";
    if (n > 10) {
      t << "  1 0 " << n - 10;
      for (int k = 10; k < n; ++k) t << " -1 x" << k << "(big)";
    }
    t << "\n";
  };
  rest("p(" + em[0] + ")");
  for (int k = 1; k < n; ++k)
    t << "p(" << em[static_cast<std::size_t>(k)] << ") 1 1 0 1 1 x" << k << "(big)\n";
  t << "sf\n";
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j)
      t << "W(" << em[static_cast<std::size_t>(i)] << "," << em[static_cast<std::size_t>(j)] << ") "
        << i + j << " 0 0\n";
  t << n << "\n";
  rest("s0");
  for (int k = 1; k < n; ++k) t << "s" << k << " 1 1 0 1 1 x" << k << "(big)\n";
  for (int k = 0; k < n; ++k) t << em[static_cast<std::size_t>(k)] << " 1 1 s" << k << " 1\n";
  return t.str();
}

TEST(AxFile, TheDemoFileFillsTheTables) {
  AxRead read;
  read.read(demoAxText());
  const PhaseTables& t = read.tables;
  EXPECT_EQ(t.solutionCount(), 6);
  EXPECT_EQ(t.pureCount(), 13);
  EXPECT_EQ(t.phaseCount(), 19);
  EXPECT_EQ(t.phaseName(t.fileOrder[0]), "ol");
  EXPECT_EQ(t.phaseName(t.fileOrder[18]), "fodqf");
  // the names go to the log, sixteen to a line
  EXPECT_NE(read.console.log().find("ol opx g pl bi fluid ky sill and q coe ab jd cc arag wo \n"
                                    "H2O CO2 fodqf \n"),
            std::string::npos);

  const SolutionPhase& g = read.solution("g");
  EXPECT_EQ(g.model, kSymmetricMixing);
  ASSERT_EQ(g.interactions.size(), 6u);
  EXPECT_EQ(g.interactions[2].name, "W(py,spss)");
  EXPECT_EQ(g.interactions[2].i, 0);
  EXPECT_EQ(g.interactions[2].j, 3);
  EXPECT_EQ(g.interactions[2].b, -0.02301L);
  // no sd given: the mean multiplicity (3) times the default per site
  EXPECT_EQ(g.interactions[0].sd, 3 * kDefaultWUncertainty);
  EXPECT_EQ(g.endMembers[1].multiplicity, 3);
  EXPECT_EQ(g.endMembers[1].checkDenominator, 1);
  EXPECT_EQ(g.endMembers[1].check, (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(g.variables[2].upper, 1);

  const SolutionPhase& pl = read.solution("pl");
  EXPECT_EQ(pl.model, kAsymmetricMixing);
  EXPECT_EQ(pl.sizes[0].a, 28226.0L / 8471.0L);
  // default W uncertainty scaled by the mean size of the pair
  EXPECT_EQ(pl.interactions[0].sd, 1.5L * kDefaultWUncertainty * (28226.0L / 8471.0L + 1) / 2);
  EXPECT_EQ(pl.endMembers[0].normalisation, 4);
  EXPECT_EQ(pl.siteFractions[2].value.sxterms[0].xterms[0].constant.denominator, 2);

  const SolutionPhase& fluid = read.solution("fluid");
  EXPECT_TRUE(fluid.fluid);
  EXPECT_EQ(fluid.model, kAsymmetricMixing);  // whatever the file said
  EXPECT_EQ(fluid.interactions.size(), 1u);
  EXPECT_EQ(fluid.h2o, 0);
  EXPECT_EQ(fluid.co2, 1);

  const PurePhase& made = t.pures[static_cast<std::size_t>(t.findPure("fodqf"))];
  EXPECT_EQ(made.endMember, "fodqf");
  EXPECT_EQ(made.make.count, 1);
  EXPECT_EQ(made.make.terms[0].name, "fo");
  EXPECT_TRUE(made.dqf.given);
  EXPECT_EQ(made.dqf.a, 1);
}

TEST(AxFile, PurePhasesAndTheirActivities) {
  AxRead read;
  read.read(
      "ky sill\n q 0.5 0.05\n coe 0.25 % a comment after an item\n and 0.7 0\n"
      "jd 1/2\n wo\n* everything after this is ignored\n arag\n");
  const PhaseTables& t = read.tables;
  ASSERT_EQ(t.pureCount(), 7);
  EXPECT_EQ(t.pures[0].activity, 1);
  EXPECT_EQ(t.pures[1].name, "sill");
  EXPECT_EQ(t.pures[2].activity, 0.5L);
  EXPECT_EQ(t.pures[2].sdActivity, 0.05L);
  EXPECT_EQ(t.pures[3].activity, 0.25L);
  EXPECT_EQ(t.pures[3].sdActivity, 0);
  EXPECT_EQ(t.pures[4].activity, 0.7L);
  EXPECT_EQ(t.pures[4].sdActivity, 0);
  EXPECT_EQ(t.pures[5].activity, 0.5L);
  EXPECT_EQ(t.pures[6].name, "wo");
  EXPECT_EQ(t.findPure("arag"), -1);
  EXPECT_EQ(t.pures[0].defaults[1], 0.6666667L);
}

// A line is read whole: items past its 255th character count.
TEST(AxFile, LongLinesAreReadWhole) {
  std::string line;
  for (int k = 0; k < 90; ++k) line += "ky ";
  line += "q 0.5\n";
  ASSERT_GT(line.size(), 255u);
  AxRead read;
  read.read(line);
  ASSERT_EQ(read.tables.pureCount(), 91);
  EXPECT_EQ(read.tables.pures[90].activity, 0.5L);
}

// "q 1": an activity of 1, or one end-member; the reading asks.
TEST(AxFile, TheOneAfterAnEndMemberNameIsAsked) {
  AxRead yes("y\n");
  yes.read("q 1 ky\n");
  ASSERT_EQ(yes.tables.pureCount(), 2);
  EXPECT_EQ(yes.tables.pures[0].endMember, "q");
  EXPECT_EQ(yes.tables.pures[1].name, "ky");
  const std::string console = yes.console.text();
  EXPECT_NE(console.find("datafile appears to be ambiguous: a 1 immediately follows q;\n"
                         "this means either an activity of 1, or it's a 1 end-member phase.\n"
                         "the '1' its activity ? "),
            std::string::npos);

  AxRead no("n\n");
  no.read("q 1 ky\n");
  ASSERT_EQ(no.tables.pureCount(), 1);
  EXPECT_EQ(no.tables.pures[0].name, "q");
  EXPECT_EQ(no.tables.pures[0].endMember, "ky");  // a phase may carry another end-member's name

  // a name that is no end-member is never ambiguous
  AxRead quiet;
  quiet.read("quartz 1 q 0.9\n");
  EXPECT_EQ(quiet.tables.pures[0].endMember, "q");
  EXPECT_EQ(quiet.tables.pures[0].activity, 0.9L);
  EXPECT_EQ(quiet.console.text().find("ambiguous"), std::string::npos);
}

TEST(AxFile, OptionsOfEndMembers) {
  AxRead read;
  read.read(replaced(replaced(kBinary, "check 0", "check 0 gamma 2 bulk thermo 6 1"), "check 1",
                     "check 1 exclude make 2 fo 1/3 fa 2/3 DQF unlandau 1.5 -0.002 0.01") +
            "fq make 2 fo 1 q -1/2 DQF makeordered 1 2 3\n");
  const SolutionPhase& ol = read.solution("ol");
  const AxEndMember& fo = ol.endMembers[0];
  EXPECT_FALSE(fo.excluded);
  EXPECT_FALSE(fo.make.made());
  EXPECT_FALSE(fo.dqf.given);
  const AxEndMember& fa = ol.endMembers[1];
  EXPECT_TRUE(fa.excluded);
  EXPECT_EQ(fa.make.denominator, 3);
  EXPECT_EQ(fa.make.terms[1].numerator, 2);
  EXPECT_FALSE(fa.landau);
  EXPECT_TRUE(fa.makeordered);
  EXPECT_EQ(fa.dqf.b, -0.002L);
  const PurePhase& fq = read.tables.pures[0];
  EXPECT_EQ(fq.make.denominator, 2);
  EXPECT_EQ(fq.make.terms[0].numerator, 2);
  EXPECT_EQ(fq.make.terms[1].numerator, -1);
  EXPECT_FALSE(fq.makeordered);
  EXPECT_EQ(fq.dqf.c, 3);
}

TEST(AxFile, DqfWithoutMakeIsRefusedOnlyFromTheThirdGeneration) {
  Dataset old = demoDatasetSetup();
  old.dsmode = 2;
  AxRead read;
  read.read(replaced(kBinary, "ol 2 1", "ol 2 0") + "q DQF 1 0 0\n", nullptr, true, &old);
  EXPECT_TRUE(read.tables.pures[0].dqf.given);
  EXPECT_EQ(read.tables.pures[0].make.count, 0);
}

TEST(AxFile, VariablesAndTheirOptions) {
  AxRead read;
  const std::string ordered =
      "od 3 1  x(od) 0.3 sd 2  Q(od) 0.1 range -1 1  "
      "p(fo) 1 1 1 2 -1 x(od) -1/2 Q(od)  p(fa) 1 1 0 2 1 x(od) -1/2 Q(od)  p(fm) 1 1 0 1 1 Q(od)  "
      "ideal  4  "
      "xMgA 1 1 1 2 -1 x(od) -1/2 Q(od)  xFeA 1 1 0 2 1 x(od) 1/2 Q(od)  "
      "xMgB 1 1 1 2 -1 x(od) 1/2 Q(od)  xFeB 1 1 0 2 1 x(od) -1/2 Q(od)  "
      "fo 1 2 xMgA 1 xMgB 1  fa 1 2 xFeA 1 xFeB 1  fm 1 2 xFeA 1 xMgB 1 make 2 fo 1/2 fa 1/2\n";
  read.read(ordered +
            replaced(replacedAll(kBinary, "x(ol)", "N(ol)"), "N(ol) 0.1", "N(ol) 0.1 sd 0.02"));
  const SolutionPhase& od = read.solution("od");
  EXPECT_EQ(od.variables[0].sd, 0);  // an uncertainty past 1 is dropped
  EXPECT_FALSE(od.variables[0].order);
  EXPECT_TRUE(od.variables[1].order);
  EXPECT_EQ(od.variables[1].lower, -1);
  EXPECT_TRUE(od.hasOrder);
  const SolutionPhase& ol = read.solution("ol");
  EXPECT_TRUE(ol.variables[0].order);  // a name starting with N
  EXPECT_EQ(ol.variables[0].sd, 0.02L);
  EXPECT_EQ(ol.variables[0].lower, -kNoVariableLimit);
}

TEST(AxFile, LargestSolutionIsAccepted) {
  AxRead read;
  read.read(wideSolution(15));
  const SolutionPhase& big = read.solution("big");
  EXPECT_EQ(big.endMemberCount(), 15);
  EXPECT_EQ(big.interactions.size(), 105u);
  EXPECT_EQ(big.interactions[104].i, 13);
  EXPECT_EQ(big.interactions[104].j, 14);
  // fourteen site fractions of one variable each, but room for eight limits
  EXPECT_EQ(big.limits.size(), 8u);
  EXPECT_NE(read.console.text().find("insufficient space to store variable limits..."),
            std::string::npos);
}

TEST(AxFile, AGuessOfZeroContractsTheSolution) {
  AxRead binary;
  binary.read(replaced(kBinary, "x(ol) 0.1", "x(ol) 0"));
  const SolutionPhase& ol = binary.solution("ol");
  EXPECT_EQ(ol.variableCount(), 0);
  ASSERT_EQ(ol.endMemberCount(), 1);
  EXPECT_EQ(ol.endMembers[0].name, "fo");
  EXPECT_EQ(ol.interactions.size(), 0u);
  EXPECT_EQ(ol.siteFractionCount(), 1);  // xFe vanished with fa

  ScriptSettings noMn;
  noMn.xyzguess = {{"x(g)", 0.6L}, {"z(g)", 0.2L}, {"m(g)", 0}};
  AxRead garnet;
  garnet.read(demoAxText(), &noMn);
  const SolutionPhase& g = garnet.solution("g");
  ASSERT_EQ(g.endMemberCount(), 3);
  EXPECT_EQ(g.endMembers[2].name, "gr");
  EXPECT_EQ(g.variableCount(), 2);
  EXPECT_EQ(g.variables[1].name, "z(g)");
  EXPECT_EQ(g.interactions.size(), 3u);
  EXPECT_EQ(g.interactions[2].name, "W(alm,gr)");
  EXPECT_EQ(g.interactions[2].i, 1);
  EXPECT_EQ(g.interactions[2].j, 2);
  // p(py) keeps its factor (1 - z): at x = 0.6, z = 0.2 it is 0.4 * 0.8
  EXPECT_NEAR(expressionValue(g.proportions[0].value, std::vector<Real>{0.6L, 0.2L}), 0.32L,
              1e-18L);
  EXPECT_EQ(g.endMembers[1].check, (std::vector<int>{1, 0}));
}

TEST(AxFile, ScriptAdjustments) {
  ScriptSettings s;
  s.nudge = {{"g", "W(py,gr)", 'b', 0.001L}, {"fodqf", "DQF(fodqf)", 'a', -0.25L}};
  s.mc.items = {{"pl", "W(ab,an)", 'a', 0.5L}};
  s.samecoding = {{"g", "g2", "g3"}};
  s.xyzguess = {{"x(g3)", 0.5L}, {"z(g3)", 0.25L}, {"m(g3)", 0.125L}};
  AxRead read;
  read.read(demoAxText(), &s);
  const PhaseTables& t = read.tables;
  EXPECT_EQ(read.solution("g").interactions[1].b, -0.01734L + 0.001L);
  EXPECT_EQ(t.pures[static_cast<std::size_t>(t.findPure("fodqf"))].dqf.a, 0.75L);
  ASSERT_EQ(t.monteCarlo.size(), 1u);
  EXPECT_EQ(t.monteCarlo[0].phase, t.findSolution("pl"));
  EXPECT_EQ(t.monteCarlo[0].sd, 0.5L);
  EXPECT_EQ(read.solution("pl").interactions[0].a, 18.3485L);  // Monte Carlo only records
  // copies come after the file's phases, with their own variable names and guesses
  EXPECT_EQ(t.solutionCount(), 8);
  const SolutionPhase& g3 = read.solution("g3");
  EXPECT_EQ(g3.variables[2].name, "m(g3)");
  EXPECT_EQ(g3.variables[2].guess, 0.125L);
  EXPECT_EQ(read.solution("g2").variables[0].guess, 0.75L);
  EXPECT_EQ(read.solution("g2").interactions[1].b, read.solution("g").interactions[1].b);
  EXPECT_EQ(t.phaseName(t.fileOrder.back()), "g3");
}

TEST(AxFile, LimitsAndDerivativesOfTheExpressions) {
  AxRead& demo = demoAx();
  const SolutionPhase& g = demo.solution("g");
  // x, 1 - x, 1 - z - m, z, m: five different limits
  ASSERT_EQ(g.limits.size(), 5u);
  const std::vector<Real> x = {0.3L, 0.2L, 0.1L};
  for (const VariableLimit& limit : g.limits) EXPECT_GT(limit.value(x), 0);
  EXPECT_EQ(g.limits[1].value(std::vector<Real>{0.3L, 0.7L, 0.3L}), 0);  // 1 - z - m
  // d p(py) / dz = -(1 - x); by differences of the expression itself
  for (const NamedExpression& e : g.proportions) {
    for (int t = 0; t < 3; ++t) {
      std::vector<Real> up = x, down = x;
      up[static_cast<std::size_t>(t)] += 1e-7L;
      down[static_cast<std::size_t>(t)] -= 1e-7L;
      Real difference = (expressionValue(e.value, up) - expressionValue(e.value, down)) / 2e-7L;
      EXPECT_NEAR(expressionValue(e.derivative[static_cast<std::size_t>(t)], x), difference, 1e-9L);
    }
  }
  EXPECT_EQ(expressionValue(g.proportions[0].derivative[1], x), -0.7L);
}

TEST(AxFile, AFailedReadLeavesTheTablesAsTheyWere) {
  AxRead read;
  read.read(demoAxText());
  Bombed fault = faultOf([&] { read.read(kBinary + "q 2.5\n"); });
  EXPECT_EQ(fault.message, "activity for q not 0 > a\xB3 1");
  EXPECT_EQ(read.tables.phaseCount(), 19);
  EXPECT_EQ(read.tables.solutions[0].name, "ol");
}

// The demo file's tokens, without comments.
std::vector<std::string> demoTokens() {
  std::vector<std::string> tokens;
  std::istringstream in(demoAxText());
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word;
    bool first = true;
    while (words >> word) {
      if (word[0] == '%') break;
      if (first && word[0] == '*') return tokens;
      first = false;
      tokens.push_back(word);
    }
  }
  return tokens;
}

// Either read or stopped by the fatal report; nothing else may happen.
void readsOrStops(const std::string& text, const std::string& label) {
  AxRead read(std::string(20, '\n'));
  try {
    read.read(text);
  } catch (const Bombed& fault) {
    EXPECT_FALSE(fault.message.empty()) << label;
  } catch (const std::exception& other) {
    ADD_FAILURE() << label << ": " << other.what();
  }
}

std::string joined(const std::vector<std::string>& tokens, std::size_t count) {
  std::string text;
  for (std::size_t k = 0; k < count && k < tokens.size(); ++k)
    text += tokens[k] + (k % 12 == 11 ? "\n" : " ");
  return text;
}

TEST(AxFile, TruncatedAtEveryItem) {
  const std::vector<std::string> tokens = demoTokens();
  ASSERT_GT(tokens.size(), 400u);
  for (std::size_t count = 0; count < tokens.size(); ++count)
    readsOrStops(joined(tokens, count), "first " + std::to_string(count) + " tokens");
}

TEST(AxFile, AWrongTokenAtEveryItem) {
  const std::vector<std::string> tokens = demoTokens();
  for (const char* bad :
       {"abc", "-3", "2.5", "0", "32767", "1e400", "a-name-much-too-long-to-keep"}) {
    for (std::size_t k = 0; k < tokens.size(); ++k) {
      std::vector<std::string> changed = tokens;
      changed[k] = bad;
      readsOrStops(joined(changed, changed.size()),
                   std::string(bad) + " at token " + std::to_string(k));
    }
  }
}

TEST(AxFile, RegressionReading) {
  AxRead read;
  std::istringstream ordered(
      "od 3  x(od) 0.3  Q(od) 2  "
      "p(fo) 1 1 1 2 -1 x(od) -1/2 Q(od)  p(fa) 1 1 0 2 1 x(od) -1/2 Q(od)  p(fm) 1 1 0 1 1 Q(od)  "
      "ideal  4  "
      "xMgA 1 1 1 2 -1 x(od) -1/2 Q(od)  xFeA 1 1 0 2 1 x(od) 1/2 Q(od)  "
      "xMgB 1 1 1 2 -1 x(od) 1/2 Q(od)  xFeB 1 1 0 2 1 x(od) -1/2 Q(od)  "
      "fo 1 2 xMgA 1 xMgB 1  fa 1 2 xFeA 1 xFeB 1  fm 1 2 xFeA 1 xMgB 1 make 2 fo 1/2 fa 1/2\n");
  AxSetup setup;
  setup.dataset = &demoDatasetSetup();
  readax(read.console.io, read.tables, setup, ordered, "pf-r.txt");
  EXPECT_NE(read.console.text().find("reading a-x relationships"), std::string::npos);
  ASSERT_EQ(read.tables.solutionCount(), 5);
  EXPECT_EQ(read.tables.solutions[3].name, "blah");
  EXPECT_EQ(read.tables.solutions[4].name, "od");
  EXPECT_EQ(read.tables.fileOrder[0].index, 4);
  // Q = 2 makes a site fraction negative; a legal value was drawn
  EXPECT_TRUE(siteFractionsPositive(read.tables.solutions[4], read.tables.solutions[4].guesses()));
  EXPECT_LE(std::fabs(read.tables.solutions[4].variables[1].guess), 0.6L);

  std::istringstream pure("q\n");
  Bombed fault = faultOf([&] { readax(read.console.io, read.tables, setup, pure, "pf-r.txt"); });
  EXPECT_EQ(fault.message, "inappropriate ax info - q");

  std::string many;
  for (int k = 1; k <= 57; ++k) many += replaced(kBinary, "ol 2 1", "s" + std::to_string(k) + " 2");
  std::istringstream tooMany(many);
  fault = faultOf([&] { readax(read.console.io, read.tables, setup, tooMany, "pf-r.txt"); });
  EXPECT_EQ(fault.message, " too many ss -> make maxnp bigger");
}

}  // namespace
}  // namespace pf::testing
