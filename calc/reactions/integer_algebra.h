// Exact integer linear algebra on compositions and reactions: the rank of a
// composition matrix, the reaction (null vector) of a set of phases, the
// reduction by the greatest common divisor, the balance check and the
// independence test `newindr` that keeps an echelon set of reactions.
#pragma once

#include <cstdint>
#include <vector>

namespace pf {

// A reaction: one integer coefficient per end-member of the run, [1..n]
// (index 0 unused); products positive, reactants negative, 0 for an
// end-member that takes no part.
using Reaction = std::vector<int>;

// Coefficients are held as 16-bit integers in stored reactions.
inline constexpr int kMaxCoefficient = 32767;

// Rows of integers; every row the same length.
using IntegerMatrix = std::vector<std::vector<std::int64_t>>;

std::int64_t gcdOf(std::int64_t a, std::int64_t b);
// Divides the values by their greatest common divisor (all 0 stays 0).
void reduceByGcd(std::vector<std::int64_t>& values);

// Rank computed exactly by fraction-free elimination.
int integerRank(IntegerMatrix m);

// The reaction among `columns` (the matrix's columns, in the order given):
// elimination with the first columns as pivots, the first column that is not
// a pivot set free, and back-substitution to the null vector, reduced by the
// greatest common divisor; returned one coefficient per column, in the order
// of `columns`. Empty when the columns are independent (no reaction). When
// several columns are free only the first takes part, so the result is the
// one dependency among the columns up to it.
std::vector<std::int64_t> nullReaction(const IntegerMatrix& m, const std::vector<int>& columns);

// `check`: every component sum of the reaction is 0; an unbalanced reaction
// stops the run as an internal fault. comp[c][e], rows and columns from 1.
void check(const std::vector<std::vector<int>>& comp, const Reaction& reaction);

// The independent set: echelon rows (reduced by their gcd) with the column of
// each row's pivot.
struct IndependentSet {
  std::vector<std::vector<std::int64_t>> rows;  // each [0..n], index 0 unused
  std::vector<int> pivot;
  int count() const { return static_cast<int>(rows.size()); }
};

// `newindr`: true when the reaction is independent of the kept rows, and
// then it is kept. A set that would pass `limit` rows stops the run ("too
// many independent reactions"); a limit of 0 or less sets no bound.
bool newindr(IndependentSet& set, const Reaction& reaction, int limit);
// The same test without keeping the reaction.
bool isIndependent(const IndependentSet& set, const Reaction& reaction);

}  // namespace pf
