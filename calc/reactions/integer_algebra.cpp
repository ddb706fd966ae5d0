#include "calc/reactions/integer_algebra.h"

#include <cstdlib>
#include <numeric>

#include "common/bomb.h"

namespace pf {

namespace {

using Row = std::vector<std::int64_t>;

// Products and sums that would pass 64 bits stop the run as an internal fault.
std::int64_t times(std::int64_t a, std::int64_t b, const char* procedure) {
  std::int64_t r;
  if (__builtin_mul_overflow(a, b, &r)) bomb(procedure, "integer overflow", 1);
  return r;
}
std::int64_t minus(std::int64_t a, std::int64_t b, const char* procedure) {
  std::int64_t r;
  if (__builtin_sub_overflow(a, b, &r)) bomb(procedure, "integer overflow", 1);
  return r;
}

// target := target * pivotValue - source * targetValue, both factors first
// divided by their common divisor, then the row reduced by its own gcd.
void eliminate(Row& target, const Row& source, std::int64_t pivotValue, std::int64_t targetValue,
               const char* procedure) {
  std::int64_t g = gcdOf(pivotValue, targetValue);
  std::int64_t a = pivotValue / g, b = targetValue / g;
  for (std::size_t k = 0; k < target.size(); ++k)
    target[k] = minus(times(target[k], a, procedure), times(source[k], b, procedure), procedure);
  reduceByGcd(target);
}

}  // namespace

std::int64_t gcdOf(std::int64_t a, std::int64_t b) {
  return std::gcd(a < 0 ? -a : a, b < 0 ? -b : b);
}

void reduceByGcd(std::vector<std::int64_t>& values) {
  std::int64_t g = 0;
  for (std::int64_t v : values) g = gcdOf(g, v);
  if (g > 1)
    for (std::int64_t& v : values) v /= g;
}

int integerRank(IntegerMatrix m) {
  int rank = 0;
  std::size_t rows = m.size();
  std::size_t cols = rows ? m[0].size() : 0;
  for (std::size_t c = 0; c < cols && static_cast<std::size_t>(rank) < rows; ++c) {
    std::size_t pivot = rank;
    while (pivot < rows && m[pivot][c] == 0) ++pivot;
    if (pivot == rows) continue;
    std::swap(m[pivot], m[rank]);
    for (std::size_t r = rank + 1; r < rows; ++r)
      if (m[r][c] != 0) eliminate(m[r], m[rank], m[rank][c], m[r][c], "rank");
    ++rank;
  }
  return rank;
}

std::vector<std::int64_t> nullReaction(const IntegerMatrix& m, const std::vector<int>& columns) {
  std::size_t n = columns.size();
  // the chosen columns as rows of the working matrix: one row per component
  IntegerMatrix a(m.size(), Row(n));
  for (std::size_t r = 0; r < m.size(); ++r)
    for (std::size_t k = 0; k < n; ++k) a[r][k] = m[r][columns[k]];
  std::vector<int> pivotColumn;  // per pivot row
  std::size_t rank = 0;
  int freeColumn = -1;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = rank;
    // a pivot must be at least 1e-5 in size: for integers, not zero
    while (pivot < a.size() && a[pivot][c] == 0) ++pivot;
    if (pivot == a.size()) {
      freeColumn = static_cast<int>(c);
      break;
    }
    std::swap(a[pivot], a[rank]);
    for (std::size_t r = 0; r < a.size(); ++r)
      if (r != rank && a[r][c] != 0) eliminate(a[r], a[rank], a[rank][c], a[r][c], "re");
    pivotColumn.push_back(static_cast<int>(c));
    ++rank;
  }
  if (freeColumn < 0) return {};
  // reduced echelon form: pivot row i reads a[i][p_i] x_p_i + a[i][f] x_f = 0;
  // x_f = lcm of the pivots keeps every coefficient whole
  std::int64_t scale = 1;
  for (std::size_t i = 0; i < rank; ++i) {
    std::int64_t p = a[i][pivotColumn[i]];
    std::int64_t g = gcdOf(scale, p);
    scale = times(scale, (p < 0 ? -p : p) / g, "re");
  }
  Row nu(n, 0);
  nu[freeColumn] = scale;
  for (std::size_t i = 0; i < rank; ++i)
    nu[pivotColumn[i]] = -times(a[i][freeColumn], scale / a[i][pivotColumn[i]], "re");
  reduceByGcd(nu);
  return nu;
}

void check(const std::vector<std::vector<int>>& comp, const Reaction& reaction) {
  for (std::size_t c = 1; c < comp.size(); ++c) {
    std::int64_t sum = 0;
    for (std::size_t e = 1; e < reaction.size() && e < comp[c].size(); ++e)
      sum += static_cast<std::int64_t>(comp[c][e]) * reaction[e];
    if (sum != 0) bomb("check", "unbalanced", 1);
  }
}

namespace {

// The reaction with the kept rows' pivots eliminated.
Row residual(const IndependentSet& set, const Reaction& reaction) {
  Row v(reaction.begin(), reaction.end());
  for (int i = 0; i < set.count(); ++i) {
    int p = set.pivot[i];
    if (v[p] != 0) eliminate(v, set.rows[i], set.rows[i][p], v[p], "newindr");
  }
  reduceByGcd(v);
  return v;
}

int firstNonZero(const Row& v) {
  for (std::size_t k = 1; k < v.size(); ++k)
    if (v[k] != 0) return static_cast<int>(k);
  return 0;
}

}  // namespace

bool isIndependent(const IndependentSet& set, const Reaction& reaction) {
  return firstNonZero(residual(set, reaction)) != 0;
}

bool newindr(IndependentSet& set, const Reaction& reaction, int limit) {
  Row v = residual(set, reaction);
  int p = firstNonZero(v);
  if (p == 0) return false;
  if (limit > 0 && set.count() >= limit) bomb("newindr", "too many independent reactions");
  set.rows.push_back(std::move(v));
  set.pivot.push_back(p);
  return true;
}

}  // namespace pf
