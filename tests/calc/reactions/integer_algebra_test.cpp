#include "calc/reactions/integer_algebra.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;

std::int64_t gcdAll(const std::vector<std::int64_t>& v) {
  std::int64_t g = 0;
  for (std::int64_t x : v) g = std::gcd(g, x < 0 ? -x : x);
  return g;
}

// Rows are components, columns end-members; every null vector must balance.
void expectBalanced(const IntegerMatrix& m, const std::vector<int>& columns,
                    const std::vector<std::int64_t>& nu) {
  for (const auto& row : m) {
    std::int64_t sum = 0;
    for (std::size_t k = 0; k < columns.size(); ++k) sum += row[columns[k]] * nu[k];
    EXPECT_EQ(sum, 0);
  }
}

TEST(IntegerAlgebra, RankOfCompositionMatrices) {
  struct Case {
    IntegerMatrix m;
    int rank;
  };
  const Case cases[] = {
      // ky, sill, and (Al, Si): one composition three times
      {{{2, 2, 2}, {1, 1, 1}}, 1},
      // ab, jd, q (Na, Al, Si): two independent compositions among three phases
      {{{1, 1, 0}, {1, 1, 0}, {3, 2, 1}}, 2},
      // fo, en, q (Mg, Si): rank 2
      {{{2, 2, 0}, {1, 2, 1}}, 2},
      // a zero matrix and a single column
      {{{0, 0}, {0, 0}}, 0},
      {{{3}, {6}}, 1},
      // large entries that need the common factors taken out along the way
      {{{1000003, 2000006, 7}, {999983, 1999966, 11}, {5, 10, 13}}, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(integerRank(c.m), c.rank);
}

TEST(IntegerAlgebra, ReactionOfAPhaseSubsetIsBalancedAndReduced) {
  // columns 0..4: fo Mg2SiO4, en Mg2Si2O6, q SiO2, per MgO, br Mg(OH)2
  IntegerMatrix mgsi = {{2, 2, 0, 1, 1}, {1, 2, 1, 0, 0}};
  struct Case {
    std::vector<int> columns;
    std::vector<std::int64_t> nu;  // up to sign, as elimination gives it
  };
  const Case cases[] = {
      {{0, 1, 2}, {-1, 1, -1}},  // fo + q = en
      {{0, 2, 3}, {-1, 1, 2}},   // fo = q + 2per: needs the factor 2 kept
      {{1, 2, 3}, {-1, 2, 2}},   // en = 2q + 2per, reduced from larger multiples
      {{3, 4, 0}, {-1, 1, 0}},   // two free columns: only the first takes part
  };
  for (const Case& c : cases) {
    std::vector<std::int64_t> nu = nullReaction(mgsi, c.columns);
    ASSERT_EQ(nu.size(), c.columns.size());
    expectBalanced(mgsi, c.columns, nu);
    EXPECT_EQ(gcdAll(nu), 1);
    std::vector<std::int64_t> flipped = nu;
    for (auto& x : flipped) x = -x;
    EXPECT_TRUE(nu == c.nu || flipped == c.nu) << c.columns[0] << c.columns[1] << c.columns[2];
  }
  // independent columns have no reaction
  EXPECT_TRUE(nullReaction(mgsi, {0, 2}).empty());
}

TEST(IntegerAlgebra, UnbalancedReactionStopsTheRun) {
  // comp[c][e] from 1: Al and Si of ky, sill, q
  std::vector<std::vector<int>> comp = {{}, {0, 2, 2, 0}, {0, 1, 1, 1}};
  EXPECT_NO_THROW(check(comp, {0, -1, 1, 0}));
  Bombed fault = bombOf([&] { check(comp, {0, -1, 1, 1}); });
  EXPECT_EQ(fault.procedure, "check");
  EXPECT_EQ(fault.message, "unbalanced");
  EXPECT_EQ(fault.kind, 1);
}

TEST(IntegerAlgebra, IndependenceTestKeepsAnEchelonSet) {
  IndependentSet set;
  // over four end-members: a = b, b = c, then a = c (dependent), then c = d
  EXPECT_TRUE(newindr(set, {0, -1, 1, 0, 0}, 3));
  EXPECT_TRUE(newindr(set, {0, 0, -2, 2, 0}, 3));
  EXPECT_FALSE(newindr(set, {0, -3, 0, 3, 0}, 3));
  EXPECT_FALSE(isIndependent(set, {0, 1, 1, -2, 0}));
  EXPECT_EQ(set.count(), 2);
  // kept rows are reduced: the second came in as 2 and leaves as 1
  EXPECT_EQ(gcdAll(set.rows[1]), 1);
  EXPECT_NE(set.pivot[0], set.pivot[1]);
  EXPECT_TRUE(isIndependent(set, {0, 0, 0, -1, 1}));
  EXPECT_TRUE(newindr(set, {0, 0, 0, -1, 1}, 3));
  // a dependent reaction never trips the limit; a fourth independent row would pass it
  EXPECT_FALSE(newindr(set, {0, -5, 0, 0, 5}, 3));
  Bombed fault = bombOf([&] { newindr(set, {0, 1, 1, 1, 1}, 3); });
  EXPECT_EQ(fault.message, "too many independent reactions");
  EXPECT_EQ(fault.procedure, "newindr");
}

}  // namespace
}  // namespace pf
