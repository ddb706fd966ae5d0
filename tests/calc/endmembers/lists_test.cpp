#include "calc/endmembers/lists.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/bomb.h"
#include "common/prompts.h"
#include "common/text.h"
#include "tests/calc/thermo/test_support.h"
#include "tests/common/console_fixture.h"

namespace pf {
namespace {

Tokens tokensOf(const std::string& text) {
  Tokens tokens;
  string2strings(text, static_cast<int>(text.size()), tokens, kCalculatorTokens);
  return tokens;
}

std::set<int> rowsOf(const ChosenRows& chosen) {
  std::set<int> rows;
  for (int row = 1; row <= kOxideCount; ++row)
    if (chosen[row]) rows.insert(row);
  return rows;
}

TEST(WhichSystem, TokensChooseRows) {
  std::set<int> every;
  for (int row = 1; row <= kOxideCount; ++row) every.insert(row);
  const std::vector<std::pair<std::string, std::set<int>>> cases = {
      {"SiO2 MgO", {1, 5}},
      {"Si Mg", {1, 5}},
      {"3", {3}},
      {"19 1", {1, 19}},
      {"O", {10}},  // symbol and oxide name of the same row
      {"e", {14}},
      {"O2-", {14}},
      {"H2O H Cl2O", {11, 13}},
      {"xyz", every},
      {"", every},
      {"sio2 MGO", every},    // case counts
      {"0 20 -3", every},     // rows outside 1 to 19
      {"99999 5", {5}},       // too large to read: ignored, not fatal
      {"3.0 3/1 +3", every},  // not integer tokens, and no names
      {"SiO2xxxxxxxxxxxxxxxxxxxxxx", every},
  };
  const OxideTable oxides = makeOxideTable();
  for (const auto& [answer, rows] : cases)
    EXPECT_EQ(rowsOf(chooseSystem(tokensOf(answer), oxides)), rows) << answer;
}

TEST(ListedAmounts, WholeWithinOneHundredthElseOneDecimal) {
  const std::vector<std::pair<Real, std::string>> cases = {
      {2, "2"},        {1.995L, "2"},     {2.0099L, "2"}, {-0.004L, "0"},   {1e-19L, "0"},
      {-2, "-2"},      {30, "30"},        {0.5L, "0.5"},  {1.5L, "1.5"},    {7.5L, "7.5"},
      {0.875L, "0.9"}, {-2.875L, "-2.9"}, {1.98L, "2.0"}, {0.0125L, "0.0"}, {2.011L, "2.0"},
  };
  for (const auto& [amount, text] : cases)
    EXPECT_EQ(amountText(amount), text) << static_cast<double>(amount);
}

// One mode-4 pass on the demo dataset, answering "which system?".
struct ListRun : Console {
  explicit ListRun(const std::string& answer) : Console(answer + "\n") {
    files.contents["pf-ds6demo.txt"] = testing::demoText();
    openLog();
    listEndMembers(io, makeOxideTable(), "ds6demo");
  }
  // the log's lines after the answer
  std::vector<std::string> lines() {
    std::vector<std::string> all;
    std::string text = log();
    std::size_t start = text.find('\n', text.find("which system? : ")) + 1;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      all.push_back(text.substr(start, end - start));
    return all;
  }
  static bool isHeader(const std::string& line) {
    return line.size() >= 8 && line.compare(0, 8, "        ") == 0;
  }
  // listed lines by name
  std::map<std::string, std::string> listed() {
    std::map<std::string, std::string> byName;
    for (const std::string& line : lines())
      if (!line.empty() && !isHeader(line)) byName[trim(line.substr(0, 8))] = line;
    return byName;
  }
};

// The oxygen each element brings in its usual oxide, worked out by hand.
const std::map<int, Real> kOxygenPerAtom = {{1, 2},  {3, 1.5L}, {4, 1},    {5, 1},
                                            {7, 1},  {8, 0.5L}, {9, 0.5L}, {11, 0.5L},
                                            {12, 2}, {17, 2},   {19, 1.5L}};

// The demo end-members made of the given elements and oxygen only, with no
// oxygen left over unless oxygen itself is chosen: what a petrologist calls
// the system's end-members.
std::set<std::string> withinSystem(const std::set<int>& elements) {
  const bool anyOxygen = elements.count(10) > 0;
  std::set<std::string> names;
  std::vector<EndMember> all = testing::allDemoEndMembers();
  for (std::size_t k = 1; k < all.size(); ++k) {
    auto atoms = elementAmounts(all[k]);
    bool inside = true;
    Real oxygen = 0;
    for (int element = 1; element <= kElementCount; ++element) {
      if (element == 10 || atoms[element] == 0) continue;
      if (!elements.count(element)) inside = false;
      if (kOxygenPerAtom.count(element)) oxygen += atoms[element] * kOxygenPerAtom.at(element);
    }
    if (inside && (anyOxygen || std::fabs(oxygen - atoms[10]) < 1e-12L)) names.insert(all[k].name);
  }
  return names;
}

std::set<std::string> keys(const std::map<std::string, std::string>& m) {
  std::set<std::string> names;
  for (const auto& entry : m) names.insert(entry.first);
  return names;
}

// Each answer lists exactly the end-members within its system, with one
// column per chosen row among the first 14.
TEST(Lists, SystemHoldsOnlyItsEndMembersWithItsColumns) {
  struct Case {
    std::string answer;
    std::set<int> elements;
    std::string header;
    std::map<std::string, std::string> someLines;
  };
  const std::vector<Case> cases = {
      {"SiO2 MgO",
       {1, 5},
       "           SiO2    MgO",
       {{"fo", "      fo      1      2"},
        {"en", "      en      2      2"},
        {"q", "       q      1      0"},
        {"per", "     per      0      1"}}},
      // a row number, an oxide name and an element symbol
      {"3 SiO2 H",
       {1, 3, 11},
       "           SiO2  Al2O3    H2O",
       {{"ky", "      ky      1      1      0"},
        {"amul", "    amul    0.5    1.2      0"},
        {"prl", "     prl      4      1      1"},
        {"kao", "     kao      2      1      2"},
        {"H2O", "     H2O      0      0      1"}}},
      // ferric iron needs the oxygen column
      {"FeO O",
       {4, 10},
       "            FeO      O",
       {{"hem", "     hem      2      1"},
        {"mt", "      mt      3      1"},
        {"fper", "    fper      1      0"},
        {"iron", "    iron      1     -1"},
        {"O2", "      O2      0      2"}}},
      // ferric iron and graphite stay out of oxide systems without O
      {"FeO SiO2", {1, 4}, "           SiO2    FeO", {{"fa", "      fa      1      2"}}},
      {"CO2 O", {10, 12}, "              O    CO2", {{"gph", "     gph     -2      1"}}},
      // rows past the 14th are chosen but never shown
      {"Cr", {19}, "        ", {{"esk", "     esk"}}},
      // noise around real choices
      {"99999 -3 0 xyz 5 Si", {1, 5}, "           SiO2    MgO", {{"fo", "      fo      1      2"}}},
  };
  for (const Case& c : cases) {
    ListRun run(c.answer);
    auto listed = run.listed();
    EXPECT_EQ(keys(listed), withinSystem(c.elements)) << c.answer;
    for (const auto& [name, line] : c.someLines) EXPECT_EQ(listed[name], line) << c.answer;
    std::vector<std::string> lines = run.lines();
    ASSERT_GE(lines.size(), 2u) << c.answer;
    EXPECT_EQ(lines[0], "") << c.answer;
    EXPECT_EQ(lines[1], c.header) << c.answer;
    for (std::size_t k = 2; k < lines.size(); ++k)
      EXPECT_FALSE(ListRun::isHeader(lines[k])) << c.answer << ": a second header";
  }
}

// Nothing chosen chooses every row: every end-member, all 14 columns, and a
// header before the 1st, 32nd, 63rd ... listed line, each after an empty line.
TEST(Lists, EveryEndMemberWithHeadersEvery31Lines) {
  ListRun run("xyz");
  const std::string header =
      "           SiO2   TiO2  Al2O3    FeO    MgO    MnO    CaO   Na2O    K2O      O    H2O    CO2"
      "   Cl2O    O2-";
  std::vector<std::string> lines = run.lines();
  int listed = 0;
  std::vector<int> headersBefore;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (ListRun::isHeader(lines[k])) {
      EXPECT_EQ(lines[k], header);
      EXPECT_TRUE(k == 0 || lines[k - 1].empty()) << "line " << k;
      headersBefore.push_back(listed + 1);
    } else if (!lines[k].empty()) {
      ++listed;
      EXPECT_EQ(lines[k].size(), 8u + 14u * 7u) << lines[k];
    }
  }
  EXPECT_EQ(listed, 230);
  EXPECT_EQ(headersBefore, (std::vector<int>{1, 32, 63, 94, 125, 156, 187, 218}));
  EXPECT_EQ(run.listed()["fstp"],
            "    fstp      8      0      1      5      0      0      0      0    0.2      0    6.2"
            "      0      0      0");
  // the listing is also in the log, after the answer
  EXPECT_NE(run.log().find("which system? : xyz\n\n" + header + "\n"), std::string::npos);
}

TEST(Lists, ComponentsOfferedAndQuestion) {
  ListRun run("SiO2");
  EXPECT_NE(run.log().find("\ncomponents:SiO2 TiO2 Al2O3 FeO MgO MnO CaO Na2O K2O O H2O CO2 "
                           "Cl2O O2- NiO ZrO2 SO2 \nwhich system? : SiO2\n"),
            std::string::npos);
}

TEST(Lists, OverlongAnswersAreCutNotFatal) {
  std::string ones;
  for (int k = 0; k < 10000; ++k) ones += "1 ";
  ListRun silica(ones + "5");  // the line is cut at 255 characters: MgO never arrives
  EXPECT_EQ(keys(silica.listed()), withinSystem({1}));
  std::string noise;
  for (int k = 0; k < 10000; ++k) noise += "x ";
  ListRun every(noise);
  EXPECT_EQ(every.listed().size(), 230u);
}

TEST(Lists, EndOfInputAndKillEndThePass) {
  Console eof("");
  eof.files.contents["pf-ds6demo.txt"] = testing::demoText();
  try {
    listEndMembers(eof.io, makeOxideTable(), "ds6demo");
    ADD_FAILURE() << "no stop at end of input";
  } catch (const Bombed& fault) {
    EXPECT_EQ(fault.procedure, "read in prstrings");
    EXPECT_EQ(fault.message, "problems reading");
  }
  Console kill("kill\n");
  kill.files.contents["pf-ds6demo.txt"] = testing::demoText();
  EXPECT_THROW(listEndMembers(kill.io, makeOxideTable(), "ds6demo"), RunKilled);
  // the dataset question comes first, and its end of input stops the pass too
  Console asked("");
  try {
    listEndMembers(asked.io, makeOxideTable(), "?");
    ADD_FAILURE() << "no stop at end of input";
  } catch (const Bombed& fault) {
    EXPECT_EQ(fault.procedure, "read in prstrings");
  }
  EXPECT_NE(asked.text().find("thermo dataset"), std::string::npos);
}

}  // namespace
}  // namespace pf
