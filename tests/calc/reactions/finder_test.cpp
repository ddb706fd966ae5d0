#include "calc/reactions/finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "tests/calc/reactions/demo_system.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::Dialogue;

const std::vector<std::string> kGrid = {"ky", "sill", "and", "q", "coe", "ab", "jd", "cc", "arag"};

// The 30 end-members of the larger test system (eight components).
const std::vector<std::string> kThirty = {"fo",   "en",  "per", "q",  "coe",  "br",  "H2O", "cc",
                                          "arag", "dol", "mag", "di", "tr",   "ta",  "atg", "chum",
                                          "cor",  "sp",  "py",  "ky", "sill", "and", "an",  "gr",
                                          "wo",   "mu",  "phl", "ab", "jd",   "cats"};

// A reaction as text with the reactants and products sorted, whichever
// side elimination put them on.
std::string canonical(const Reaction& r, const std::vector<std::string>& names) {
  std::string a = equation(r, names);
  Reaction flipped = r;
  for (int& x : flipped) x = -x;
  std::string b = equation(flipped, names);
  return std::min(a, b);
}

std::set<std::string> equations(const ReactionSet& set, const std::vector<std::string>& names) {
  std::set<std::string> all;
  for (const Reaction& r : set.reactions) all.insert(canonical(r, names));
  return all;
}

int gcdOf(const Reaction& r) {
  int g = 0;
  for (int x : r) g = std::gcd(g, std::abs(x));
  return g;
}

TEST(ReactionFinder, PolymorphsOfOneComponentGiveOneReaction) {
  auto s = testing::demoSystem({"q", "coe"});
  Dialogue d;
  ReactionSet set = findreactions(d.io, s.run, FinderOptions{});
  ASSERT_EQ(set.reactions.size(), 1u);
  EXPECT_EQ(canonical(set.reactions[0], s.run.names), "coe = q");
  EXPECT_TRUE(set.intersections.empty());
  EXPECT_NE(d.console().find("no of reactions =1, no of intersections =0"), std::string::npos);
}

TEST(ReactionFinder, DemoGridReactionsAndIntersections) {
  auto s = testing::demoSystem(kGrid);
  Dialogue d;
  ReactionSet set = findreactions(d.io, s.run, FinderOptions{});
  std::set<std::string> expected = {"and = ky", "and = sill",    "ky = sill",  "arag = cc",
                                    "coe = q",  "ab = coe + jd", "ab = q + jd"};
  EXPECT_EQ(equations(set, s.run.names), expected);
  for (const Reaction& r : set.reactions) {
    EXPECT_EQ(gcdOf(r), 1);
    EXPECT_NO_THROW(check(s.run.comp, r));
  }
  // no reaction holds the end-members of another
  for (std::size_t a = 0; a < set.members.size(); ++a)
    for (std::size_t b = 0; b < set.members.size(); ++b)
      EXPECT_TRUE(a == b || !contains(set.members[a], set.members[b]));
  // the aluminosilicate triple point, the jadeite point, and the crossings
  // of reactions that share no phase: 17 in all
  EXPECT_EQ(set.intersections.size(), 17u);
  const Intersection& first = set.intersections[0];
  std::vector<std::string> phases;
  for (int e : first.phases) phases.push_back(s.run.names[e]);
  EXPECT_EQ(phases, (std::vector<std::string>{"ky", "sill", "and"}));
  EXPECT_EQ(first.reactions.size(), 3u);
  for (const Intersection& point : set.intersections) {
    EXPECT_GE(point.reactions.size(), 2u);
    EXPECT_EQ(systemRank(s.run, point.phases), static_cast<int>(point.phases.size()) - 2);
  }
}

TEST(ReactionFinder, ExcludedEndMembersAndAssemblagesAreNeverFormed) {
  auto s = testing::demoSystem(kGrid);
  struct Case {
    std::vector<int> endMembers;
    std::vector<std::vector<int>> assemblages;
    std::set<std::string> expected;
    std::string reported;
  };
  const Case cases[] = {
      {{3},
       {},
       {"ky = sill", "arag = cc", "coe = q", "ab = coe + jd", "ab = q + jd"},
       "excluded assemblages  and"},
      {{},
       {{1, 2}, {6, 7, 4}},
       {"and = ky", "and = sill", "arag = cc", "coe = q", "ab = coe + jd"},
       "excluded assemblages  ky sill, ab jd q"},
  };
  for (const Case& c : cases) {
    Dialogue d;
    FinderOptions options;
    options.excludedEndMembers = c.endMembers;
    options.excludedAssemblages = c.assemblages;
    ReactionSet set = findreactions(d.io, s.run, options);
    EXPECT_EQ(equations(set, s.run.names), c.expected);
    EXPECT_NE(d.console().find(c.reported), std::string::npos) << d.console();
  }
}

TEST(ReactionFinder, Mode3StopsAt150ReactionsAndSaysSo) {
  auto s = testing::demoSystem(kThirty);
  for (bool withIntersections : {true, false}) {
    Dialogue d;
    FinderOptions options;
    options.intersections = withIntersections;
    ReactionSet set = findreactions(d.io, s.run, options);
    EXPECT_EQ(set.reactions.size(), 150u);
    EXPECT_TRUE(set.incompleteReactions);
    for (const Reaction& r : set.reactions) EXPECT_NO_THROW(check(s.run.comp, r));
    std::string expected = withIntersections
                               ? "*** INCOMPLETE set of reactions and intersections ***"
                               : "*** INCOMPLETE set of reactions ***";
    EXPECT_NE(d.console().find(expected), std::string::npos);
    bool counted = d.console().find(", no of intersections =") != std::string::npos;
    EXPECT_EQ(counted, withIntersections);
    if (!withIntersections) {
      EXPECT_TRUE(set.intersections.empty());
    }
  }
}

TEST(ReactionFinder, SystemsWithoutReactionsSayWhy) {
  struct Case {
    std::vector<std::string> names;
    bool dropComponents;
    std::string message;
  };
  const Case cases[] = {
      {{"q", "coe"}, true, "no reactions in a system with no components?!"},
      {{"q"}, false, "no reactions with less than 2 phases?!"},
      {{"q", "coe"}, false, "no intersections with less than 3 phases?!"},
  };
  for (const Case& c : cases) {
    auto s = testing::demoSystem(c.names);
    if (c.dropComponents) {
      s.run.componentRow.resize(1);
      s.run.componentNames.resize(1);
      s.run.divisor.resize(1);
      s.run.comp.resize(1);
    }
    Dialogue d;
    ReactionSet set = findreactions(d.io, s.run, FinderOptions{});
    EXPECT_NE(d.console().find(c.message), std::string::npos) << d.console();
    if (c.message.find("intersections") == std::string::npos) {
      EXPECT_TRUE(set.reactions.empty());
      EXPECT_NE(d.console().find("** no reactions"), std::string::npos);
    }
  }
}

TEST(ReactionFinder, AveragePTKeepsAnIndependentSetThatIsStraightEnough) {
  auto s = testing::demoSystem({"ky", "sill", "and", "q", "coe"});
  struct Case {
    FinderCaller caller;
    bool refuseAndalusite;
    std::string progress;
    int kept;
    std::string verdict;
  };
  const Case cases[] = {
      {FinderCaller::averagePT, false, "XXX", 3,
       "an independent set of reactions has been calculated"},
      {FinderCaller::averagePT, true, "XX::", 2,
       "an INCOMPLETE independent set of reactions has been calculated"},
      {FinderCaller::phaseDiagram, false, "XXX", 3, ""},
  };
  for (const Case& c : cases) {
    Dialogue d;
    FinderOptions options;
    options.caller = c.caller;
    if (c.refuseAndalusite) options.linearity = [](const Reaction& r) { return r[3] ? ':' : 'X'; };
    ReactionSet set = findreactions(d.io, s.run, options);
    EXPECT_EQ(set.needed, 3);
    EXPECT_EQ(set.independent.count(), c.kept);
    EXPECT_EQ(static_cast<int>(set.reactions.size()), c.kept);
    EXPECT_EQ(set.incompleteReactions, c.kept < 3);
    EXPECT_NE(d.console().find(c.progress), std::string::npos) << d.console();
    if (!c.verdict.empty()) {
      EXPECT_NE(d.console().find(c.verdict), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace pf
