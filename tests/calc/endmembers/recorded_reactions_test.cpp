// The recorded mode-3 sessions of the shipped examples against the
// end-member Gibbs energies: at every printed point of every reaction line,
// the true reaction (the excess CO2 of the x(CO2) and log a runs included)
// changes sign within the printed precision. The session tests hold the
// program to these recordings.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "calc/thermo/reaction.h"
#include "tests/calc/thermo/test_support.h"

namespace pf {
namespace {

const std::string kSessions = std::string(PF_SOURCE_DIR) + "/tests/sessions/phaseforge/";

struct Row {
  std::string eqn;
  Real stepped = 0;
  Real root = 0;
  int decimals = 0;
};

// "Temperatures for" / "Pressures for" an equation, then its rows.
std::vector<Row> printedRows(const std::string& text) {
  std::vector<Row> rows;
  std::istringstream in(text);
  std::string line, eqn;
  std::regex heading("^(Temperatures|Pressures) for (.*) in the range .*$");
  std::regex row("^for .*= *(-?[0-9.]+)( kbar)? +(-?[0-9]+(\\.([0-9]+))?)$");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, heading)) {
      eqn = m[2];
    } else if (!eqn.empty() && std::regex_match(line, m, row)) {
      rows.push_back({eqn, std::stold(m[1]), std::stold(m[3]), static_cast<int>(m[5].length())});
    } else if (line.rfind("for ", 0) != 0) {
      eqn.clear();
    }
  }
  return rows;
}

// "2ky + q = ab": coefficients by name, reactants negative.
std::map<std::string, int> coefficients(const std::string& eqn) {
  std::map<std::string, int> nu;
  int sign = -1;
  std::istringstream in(eqn);
  for (std::string token; in >> token;) {
    if (token == "=") {
      sign = 1;
      continue;
    }
    if (token == "+") continue;
    std::size_t digits = 0;
    while (digits < token.size() && std::isdigit(static_cast<unsigned char>(token[digits])))
      ++digits;
    int n = digits == 0 ? 1 : std::stoi(token.substr(0, digits));
    nu[token.substr(digits)] += sign * n;
  }
  return nu;
}

// dG of a reaction from the dataset alone, at P, T, with the fluid's
// x(CO2) (mole fractions) or a(CO2) and an extra CO2 coefficient.
struct Thermo {
  Dataset ds;
  std::map<std::string, int> index;
  explicit Thermo(const std::vector<std::string>& names) : ds(testing::demoDataset(names)) {
    for (std::size_t k = 0; k < names.size(); ++k) index[names[k]] = static_cast<int>(k) + 1;
  }
  Real dg(const std::map<std::string, int>& nu, int co2, Real P, Real T, Real xco2, Real aco2,
          bool moleFractions) {
    std::vector<int> r(static_cast<std::size_t>(ds.endMembers) + 1, 0);
    for (const auto& [name, n] : nu) r[static_cast<std::size_t>(index.at(name))] += n;
    r[static_cast<std::size_t>(index.at("CO2"))] += co2;
    std::vector<Real> activity(r.size(), 1);
    activity[static_cast<std::size_t>(index.at("CO2"))] = aco2;
    GibbsSettings settings = gibbsSettings(ds);
    settings.fluidByMoleFractions = moleFractions;
    std::vector<EndMember> em = ds.em;
    Console console;
    return reactionAtPoint(console.io, em, r, activity, xco2, 1 - xco2, P, T, settings).dg;
  }
};

Real half(int decimals) {
  return 0.5L * std::pow(10.0L, -decimals) + 1e-7L;
}

TEST(RecordedReactions, TemperatureXco2RunThroughCalciteQuartzWollastonite) {
  std::vector<Row> rows =
      printedRows(testing::readWholeFile(kSessions + "reactions-txco2/expected/pf-txco2-o.txt"));
  ASSERT_EQ(rows.size(), 10u);
  Thermo t({"cc", "q", "wo", "CO2"});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.eqn + " at x(CO2) " + std::to_string(static_cast<double>(row.stepped)));
    auto nu = coefficients(row.eqn);
    ASSERT_EQ(nu, (std::map<std::string, int>{{"q", -1}, {"cc", -1}, {"wo", 1}}));
    Real T = row.root + 273, d = half(row.decimals);
    Real below = t.dg(nu, 1, 2, T - d, row.stepped, 1, true);
    Real above = t.dg(nu, 1, 2, T + d, row.stepped, 1, true);
    EXPECT_LT(below * above, 0);
    EXPECT_LT(above, 0);  // wollastonite and CO2 on the high-T side
  }
}

// sd(a) of the linearised reaction: the enthalpy covariance of the true
// reaction, the excess CO2 included.
TEST(RecordedReactions, UncertaintyOfTheProjectedReactionTakesItsExcessPhase) {
  for (const char* run :
       {"reactions-txco2/expected/pf-txco2-o.txt", "reactions-loga/expected/pf-loga-o.txt"}) {
    std::string text = testing::readWholeFile(kSessions + run);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        text, m, std::regex("\n1 +(-?[0-9.]+) +(-?[0-9.]+) +(-?[0-9.]+) +([0-9.]+) ")));
    Dataset ds = testing::demoDataset({"cc", "q", "wo", "CO2"});
    const int nu[] = {0, -1, -1, 1, 1};
    Real variance = 0;
    for (int p = 1; p <= 4; ++p)
      for (int q = 1; q <= 4; ++q) variance += nu[p] * nu[q] * ds.covariance(p, q);
    EXPECT_NEAR(std::stold(m[4]), std::sqrt(variance), 0.0005L + 1e-9L) << run;
    // without CO2 it would be smaller than printed
    Real solids = 0;
    for (int p = 1; p <= 3; ++p)
      for (int q = 1; q <= 3; ++q) solids += nu[p] * nu[q] * ds.covariance(p, q);
    EXPECT_GT(std::fabs(std::sqrt(solids) - std::stold(m[4])), 0.001L);
  }
}

TEST(RecordedReactions, TemperatureLogActivityOfCO2) {
  std::vector<Row> rows =
      printedRows(testing::readWholeFile(kSessions + "reactions-loga/expected/pf-loga-o.txt"));
  ASSERT_EQ(rows.size(), 4u);
  Thermo t({"cc", "q", "wo", "CO2"});
  for (const Row& row : rows) {
    auto nu = coefficients(row.eqn);
    Real aco2 = std::pow(10.0L, row.stepped);
    Real T = row.root + 273, d = half(row.decimals);
    Real below = t.dg(nu, 1, 2, T - d, 0, aco2, false);
    Real above = t.dg(nu, 1, 2, T + d, 0, aco2, false);
    EXPECT_LT(below * above, 0) << row.stepped;
  }
}

TEST(RecordedReactions, PressureTemperatureGrid) {
  std::vector<Row> rows =
      printedRows(testing::readWholeFile(kSessions + "reactions-demo-grid/expected/pf-demo-o.txt"));
  ASSERT_GT(rows.size(), 60u);
  Thermo t({"ky", "sill", "and", "q", "coe", "ab", "jd", "cc", "arag", "CO2"});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.eqn);
    auto nu = coefficients(row.eqn);
    Real T = row.stepped + 273, d = half(row.decimals);
    Real low = t.dg(nu, 0, row.root - d, T, 0, 1, false);
    Real high = t.dg(nu, 0, row.root + d, T, 0, 1, false);
    EXPECT_LT(low * high, 0) << row.stepped << " " << row.root;
  }
}

}  // namespace
}  // namespace pf
