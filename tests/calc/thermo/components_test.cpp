#include "calc/thermo/components.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/calc/thermo/test_support.h"

namespace pf {
namespace {

EndMember formula(const std::string& name, const std::vector<std::pair<int, Real>>& pairs) {
  EndMember em;
  em.name = name;
  for (auto [element, amount] : pairs) {
    ++em.pairs;
    em.element[em.pairs] = element;
    em.amount[em.pairs] = amount;
  }
  return em;
}

const EndMember& demo(const std::string& name) {
  static const std::vector<EndMember> all = testing::allDemoEndMembers();
  for (std::size_t k = 1; k < all.size(); ++k)
    if (all[k].name == name) return all[k];
  static const EndMember none;
  ADD_FAILURE() << name << " is not in the demo dataset";
  return none;
}

// Rows by oxide name, as a petrologist writes the composition.
const std::map<std::string, int> kRow = {
    {"SiO2", 1}, {"TiO2", 2},  {"Al2O3", 3}, {"FeO", 4},  {"MgO", 5},   {"MnO", 6},   {"CaO", 7},
    {"Na2O", 8}, {"K2O", 9},   {"O", 10},    {"H2O", 11}, {"CO2", 12},  {"Cl2O", 13}, {"O2-", 14},
    {"NiO", 15}, {"ZrO2", 16}, {"SO2", 17},  {"CuO", 18}, {"Cr2O3", 19}};

// Every row not named must be 0; the oxygen row is what the oxides leave over
// (ferric iron and sulphides as a petrologist writes them).
TEST(ComponentAmounts, FormulaeAsOxidesAndLeftOverOxygen) {
  struct Case {
    EndMember em;
    std::map<std::string, Real> expected;
  };
  const std::vector<Case> cases = {
      {demo("fo"), {{"SiO2", 1}, {"MgO", 2}}},
      {demo("ab"), {{"SiO2", 3}, {"Al2O3", 0.5L}, {"Na2O", 0.5L}}},
      {demo("hem"), {{"FeO", 2}, {"O", 1}}},
      {demo("mt"), {{"FeO", 3}, {"O", 1}}},
      {demo("ep"), {{"SiO2", 3}, {"Al2O3", 1}, {"FeO", 1}, {"CaO", 2}, {"H2O", 0.5L}, {"O", 0.5L}}},
      {demo("acm"), {{"SiO2", 2}, {"FeO", 1}, {"Na2O", 0.5L}, {"O", 0.5L}}},
      {demo("fstp"), {{"SiO2", 8}, {"Al2O3", 1}, {"FeO", 5}, {"K2O", 0.25L}, {"H2O", 6.25L}}},
      {demo("amul"), {{"SiO2", 0.5L}, {"Al2O3", 1.25L}}},
      {demo("trov"), {{"FeO", 0.875L}, {"SO2", 1}, {"O", -2.875L}}},
      {demo("gph"), {{"CO2", 1}, {"O", -2}}},
      {demo("CH4"), {{"CO2", 1}, {"H2O", 2}, {"O", -4}}},
      {demo("H2"), {{"H2O", 1}, {"O", -1}}},
      {demo("cup"), {{"CuO", 2}, {"O", -1}}},
      {demo("esk"), {{"Cr2O3", 1}}},
      // the same element twice in one formula counts twice
      {formula("twice", {{1, 1}, {10, 6}, {1, 2}}), {{"SiO2", 3}}},
      // charged species: electrons go two to an O2-, whose oxygen is bound too
      {formula("OH-", {{10, 1}, {11, 1}, {14, 1}}), {{"H2O", 0.5L}, {"O2-", 0.5L}}},
      {formula("Na+", {{8, 1}, {14, -1}}), {{"Na2O", 0.5L}, {"O2-", -0.5L}}},
      {formula("CO3--", {{12, 1}, {10, 3}, {14, 2}}), {{"CO2", 1}, {"O2-", 1}}},
  };
  const OxideTable oxides = makeOxideTable();
  for (const Case& c : cases) {
    ComponentAmounts amounts = componentAmounts(c.em, oxides);
    for (const auto& [oxide, row] : kRow) {
      auto it = c.expected.find(oxide);
      Real want = it == c.expected.end() ? 0 : it->second;
      EXPECT_NEAR(static_cast<double>(amounts[row]), static_cast<double>(want), 1e-15)
          << c.em.name << " " << oxide;
    }
  }
}

TEST(ComponentAmounts, DivisorIsTheElementsAtomsPerOxide) {
  const OxideTable oxides = makeOxideTable();
  std::vector<int> divisors;
  for (const Oxide& oxide : oxides) divisors.push_back(componentDivisor(oxide));
  EXPECT_EQ(divisors, (std::vector<int>{1, 1, 2, 1, 1, 1, 1, 2, 2, 1, 2, 1, 2, 2, 1, 1, 1, 1, 2}));
}

// Back from components to atoms, for the whole demo dataset: no element is
// lost or invented, and the oxygen balances.
TEST(ComponentAmounts, EveryDemoFormulaIsRecovered) {
  const OxideTable oxides = makeOxideTable();
  const std::vector<EndMember> all = testing::allDemoEndMembers();
  ASSERT_EQ(all.size(), 231u);
  for (std::size_t k = 1; k < all.size(); ++k) {
    const auto atoms = elementAmounts(all[k]);
    const ComponentAmounts amounts = componentAmounts(all[k], oxides);
    Real oxygen = amounts[kRow.at("O")];
    for (int row = 1; row <= kOxideCount; ++row) {
      const Oxide& oxide = oxides[row - 1];
      if (oxide.element == "O") continue;
      EXPECT_EQ(amounts[row] * oxide.cations, atoms[row]) << all[k].name << " " << oxide.oxide;
      oxygen += amounts[row] * oxide.oxygens;
    }
    EXPECT_NEAR(static_cast<double>(oxygen), static_cast<double>(atoms[kRow.at("O")]), 1e-15)
        << all[k].name;
  }
}

}  // namespace
}  // namespace pf
