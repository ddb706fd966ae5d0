// The assemblage as the equations see it: components in whole units,
// formula sizes, reaction normalisers and the projection of a
// rank-deficient composition matrix.
#include "calc/equilibrium/assemblage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "calc/thermo/components.h"
#include "tests/calc/equilibrium/equilibrium_fixture.h"

namespace pf::testing {
namespace {

Assemblage demoAssemblage(const std::vector<std::string>& phases, AssemblagePlan extra = {}) {
  AssemblagePlan plan = planOf(demoAx().tables, phases);
  plan.componentRows = extra.componentRows;
  plan.muPhases = extra.muPhases;
  plan.basis = extra.basis;
  return makeAssemblage(demoAx().tables, plan);
}

int endMemberOf(const Assemblage& a, const std::string& name) {
  for (int e = 0; e < a.endMemberCount(); ++e)
    if (a.endMembers[static_cast<std::size_t>(e)].name == name) return e;
  ADD_FAILURE() << name;
  return 0;
}

std::vector<std::string> componentNames(const Assemblage& a) {
  std::vector<std::string> names;
  for (int c = 0; c < a.componentCount(); ++c) names.push_back(a.componentName(c));
  return names;
}

// A formula by oxide-table rows: Si 1, Al 3, Fe 4, K 9, O 10.
MuPhasePlan formulaPhase(const std::string& name, const std::vector<std::pair<int, Real>>& pairs) {
  MuPhasePlan mu;
  mu.name = name;
  mu.record.name = name;
  for (auto [element, amount] : pairs) {
    ++mu.record.pairs;
    mu.record.element[static_cast<std::size_t>(mu.record.pairs)] = element;
    mu.record.amount[static_cast<std::size_t>(mu.record.pairs)] = amount;
  }
  return mu;
}

TEST(Assemblage, PhasesEndMembersAndComponents) {
  Assemblage a = demoAssemblage({"q", "pl", "g", "opx"});
  // solutions in the order of the file, then pure phases
  std::vector<std::string> phases;
  for (const AssemblagePhase& p : a.phases) phases.push_back(p.name);
  EXPECT_EQ(phases, (std::vector<std::string>{"opx", "g", "pl", "q"}));
  EXPECT_EQ(a.endMemberCount(), 9);
  EXPECT_EQ(a.run.count(), 9);
  EXPECT_EQ(a.solutionCount(), 3);
  EXPECT_EQ(componentNames(a),
            (std::vector<std::string>{"SiO2", "Al2O3", "FeO", "MgO", "MnO", "CaO", "Na2O"}));
  const OxideTable oxides = makeOxideTable();
  for (int e = 0; e < a.endMemberCount(); ++e) {
    ComponentAmounts want = componentAmounts(a.run.em[static_cast<std::size_t>(e + 1)], oxides);
    for (int c = 0; c < a.componentCount(); ++c)
      EXPECT_EQ(a.amount(c, e),
                want[static_cast<std::size_t>(a.run.componentRow[static_cast<std::size_t>(c + 1)])])
          << a.endMembers[static_cast<std::size_t>(e)].name << " " << a.componentName(c);
  }
  // whole units: half an Al2O3 in albite is one Al over a divisor of 2
  const int ab = endMemberOf(a, "ab");
  EXPECT_EQ(a.run.comp[2][static_cast<std::size_t>(ab + 1)], 1);
  EXPECT_EQ(a.run.divisor[2], 2);
  EXPECT_EQ(a.endMembers[static_cast<std::size_t>(ab)].member, 0);
  EXPECT_EQ(a.endMembers[static_cast<std::size_t>(endMemberOf(a, "an"))].member, 1);
}

// Quarter oxides and oxygen beyond the oxides: each row's divisor grows
// until every amount is a whole number of units.
TEST(Assemblage, FractionalAmountsAndLeftOverOxygen) {
  AssemblagePlan plan;
  plan.muPhases = {formulaPhase("halfK", {{9, 0.5L}, {3, 1}, {1, 3}, {10, 8.25L}}),
                   formulaPhase("hem", {{4, 2}, {10, 3}})};
  Assemblage a = demoAssemblage({"q"}, plan);
  EXPECT_EQ(componentNames(a), (std::vector<std::string>{"SiO2", "Al2O3", "FeO", "K2O", "O"}));
  const int halfK = endMemberOf(a, "halfK"), hem = endMemberOf(a, "hem");
  EXPECT_EQ(a.run.divisor[4], 4);  // K2O: two K per oxide, quarters
  EXPECT_EQ(a.run.comp[4][static_cast<std::size_t>(halfK + 1)], 1);
  EXPECT_EQ(a.amount(3, halfK), 0.25L);
  EXPECT_EQ(a.amount(1, halfK), 0.5L);
  EXPECT_EQ(a.amount(4, hem), 1);  // Fe2O3 as 2 FeO + O
  EXPECT_EQ(a.amount(2, hem), 2);
  EXPECT_EQ(a.phases[1].kind, PhaseKind::mu);
}

TEST(Assemblage, ComponentsOfTheSystemInTheOrderGiven) {
  AssemblagePlan plan;
  plan.componentRows = {5, 4, 1, 7};  // MgO, FeO, SiO2, CaO
  Assemblage a = demoAssemblage({"ol", "opx", "q"}, plan);
  EXPECT_EQ(componentNames(a), (std::vector<std::string>{"MgO", "FeO", "SiO2", "CaO"}));
  EXPECT_EQ(a.amount(0, endMemberOf(a, "fo")), 2);
  EXPECT_EQ(a.amount(3, endMemberOf(a, "fo")), 0);
  plan.componentRows = {5, 4};  // no SiO2, which every phase holds
  Bombed fault = faultOf([&] { demoAssemblage({"ol", "opx", "q"}, plan); });
  EXPECT_EQ(fault.message, "an end-member holds SiO2, which is not a component of the system");
}

TEST(Assemblage, FormulaSizeOfTheModeBasis) {
  struct Case {
    std::string endMember;
    Real oxides, cations;
  };
  AssemblagePlan element;
  element.basis = ModeBasis::element;
  Assemblage byOxide = demoAssemblage({"ol", "pl", "g", "q"});
  Assemblage byElement = demoAssemblage({"ol", "pl", "g", "q"}, element);
  for (const Case& c : {Case{"fo", 3, 3}, Case{"ab", 4, 5}, Case{"an", 4, 5}, Case{"gr", 7, 8},
                        Case{"spss", 7, 8}, Case{"q", 1, 1}}) {
    EXPECT_EQ(byOxide.endMembers[static_cast<std::size_t>(endMemberOf(byOxide, c.endMember))].size,
              c.oxides)
        << c.endMember;
    EXPECT_EQ(
        byElement.endMembers[static_cast<std::size_t>(endMemberOf(byElement, c.endMember))].size,
        c.cations)
        << c.endMember;
  }
}

TEST(Assemblage, ReactionNormaliserIsHalfTheWeightedCoefficients) {
  Assemblage a = demoAssemblage({"g", "opx", "pl", "q"});
  auto reaction = [&](const std::map<std::string, int>& nu) {
    Reaction r(static_cast<std::size_t>(a.endMemberCount() + 1), 0);
    for (const auto& [name, k] : nu) r[static_cast<std::size_t>(endMemberOf(a, name) + 1)] = k;
    return r;
  };
  struct Case {
    std::map<std::string, int> nu;
    int qWeight;
    int normaliser;
  };
  const std::vector<Case> cases = {
      {{{"py", -2}, {"gr", -1}, {"q", -3}, {"en", 3}, {"an", 3}}, 1, 6},
      {{{"en", -1}, {"fs", 1}, {"py", 1}, {"alm", -1}}, 1, 2},
      {{{"en", 1}, {"fs", -1}, {"q", 0}}, 1, 1},
      {{{"ab", 1}}, 1, 1},  // half of 1 rounds up
      {{{"py", -2}, {"gr", -1}, {"q", -3}, {"en", 3}, {"an", 3}}, 2, 8},
      {{}, 1, 1},  // never below 1
  };
  for (const Case& c : cases) {
    a.endMembers[static_cast<std::size_t>(endMemberOf(a, "q"))].weight = c.qWeight;
    EXPECT_EQ(reactionNormaliser(a, reaction(c.nu)), c.normaliser);
  }
}

// Every row of M beyond the rank annihilates every end-member, and M is
// invertible.
void expectProjection(const Assemblage& a, const Projection& p) {
  const int nc = a.componentCount();
  ASSERT_EQ(static_cast<int>(p.m.size()), nc);
  IntegerMatrix m;
  for (const std::vector<int>& row : p.m) m.emplace_back(row.begin(), row.end());
  EXPECT_EQ(integerRank(m), nc);
  for (int i = nc - p.rankDeficit; i < nc; ++i)
    for (int e = 0; e < a.endMemberCount(); ++e) {
      Real sum = 0;
      for (int c = 0; c < nc; ++c)
        sum += p.m[static_cast<std::size_t>(i)][static_cast<std::size_t>(c)] * a.amount(c, e);
      EXPECT_EQ(sum, 0) << "row " << i << " " << a.endMembers[static_cast<std::size_t>(e)].name;
    }
}

TEST(Assemblage, ProjectionOfTheCompositionMatrix) {
  {  // full rank: the identity
    Assemblage a = demoAssemblage({"ol", "opx", "q"});
    Projection p = projectionFor(a);
    EXPECT_EQ(p.rankDeficit, 0);
    EXPECT_EQ(p.m, (std::vector<std::vector<int>>{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
  }
  {  // albite, jadeite and quartz: Na2O and Al2O3 one to one
    Assemblage a = demoAssemblage({"ab", "jd", "q"});
    Projection p = projectionFor(a);
    EXPECT_EQ(p.rankDeficit, 1);
    expectProjection(a, p);
    std::vector<int> last = p.m[2];
    if (last[1] < 0)
      for (int& v : last) v = -v;
    EXPECT_EQ(last, (std::vector<int>{0, 1, -1}));
  }
  {  // garnet and quartz: three Al2O3 to every X-site oxide of garnet
    Assemblage a = demoAssemblage({"g", "q"});
    Projection p = projectionFor(a);
    EXPECT_EQ(p.rankDeficit, 1);
    expectProjection(a, p);
    std::vector<int> last = p.m[5];
    if (last[1] < 0)
      for (int& v : last) v = -v;
    EXPECT_EQ(last, (std::vector<int>{0, 3, -1, -1, -1, -1}));
  }
  {  // components of the system that no phase here holds
    AssemblagePlan plan;
    plan.componentRows = {1, 3, 8, 7};
    Assemblage a = demoAssemblage({"ky", "q"}, plan);
    Projection p = projectionFor(a);
    EXPECT_EQ(p.rankDeficit, 2);
    expectProjection(a, p);
  }
}

}  // namespace
}  // namespace pf::testing

namespace pf::testing {
namespace {

// Garnet without limits in the file: each variable is scaled over the range
// its site fractions allow with the others free ([0, 1] for z(g), not the
// [0, 0.95] that m(g) = 0.05 held would leave), never over +-1e20.
TEST(QuantityList, VariablesWithoutLimitsScaleOverTheirSiteFractionRange) {
  std::string text = demoAxText();
  const std::size_t start = text.find("\ng  4  1");
  const std::size_t end = text.find("\n%", start + 1);
  std::string garnet = text.substr(start + 1, end - start - 1);
  for (std::size_t at = garnet.find("  range 0 1"); at != std::string::npos;
       at = garnet.find("  range 0 1"))
    garnet.erase(at, 11);
  AxRead read;
  read.read(garnet + "\nq\n*\n");
  read.attachRecords();
  ASSERT_TRUE(read.solution("g").variables[1].hasDefaultLimits());
  Console console;
  AssemblagePlan plan = planOf(read.tables, {"g", "q"});
  EquilibriumSystem sys(console.io, read.tables, makeAssemblage(read.tables, plan), {},
                        quietSettings(console.io));
  sys.makecrossrefs(at(5, 900));
  for (int v = 0; v < 3; ++v) {
    const Quantity& q = sys.quantities()[static_cast<std::size_t>(sys.variableQuantity(0, v))];
    EXPECT_EQ(q.scale, 1) << q.name;
    EXPECT_EQ(q.offset, 0) << q.name;
    EXPECT_EQ(q.lowerRule, kStrictBound);
  }
}

// Only phases with a solved variable bound the solver's steps.
TEST(QuantityList, StepBoundsFollowTheSolvedPhases) {
  DemoEquilibrium d({"ol", "opx", "q"}, at(2.37L, 1049.6L));
  auto counts = [&] {
    return std::make_pair(d.sys().stepBounds().siteFractions.size(),
                          d.sys().stepBounds().variableLimits.size());
  };
  EXPECT_EQ(counts(), std::make_pair(std::size_t{6}, std::size_t{4}));
  d.sys().hold(d.variable("ol"), 0.9L);
  EXPECT_EQ(counts(), std::make_pair(std::size_t{4}, std::size_t{2}));
  EXPECT_EQ(d.sys().stepBounds().siteFractions[0].name, "xMgM1");
  d.sys().release(d.variable("ol"));
  EXPECT_EQ(counts(), std::make_pair(std::size_t{6}, std::size_t{4}));
  // a site fraction's terms refer to its variable's place in the list
  EXPECT_EQ(d.sys().stepBounds().siteFractions[0].terms[0].factors[0].quantity[0],
            d.variable("ol"));
}

}  // namespace
}  // namespace pf::testing
