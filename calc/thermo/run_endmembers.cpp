#include "calc/thermo/run_endmembers.h"

#include <cstdint>
#include <cstdlib>
#include <numeric>

#include "common/bomb.h"

namespace pf {

namespace {

constexpr std::int64_t kLargestCoefficient = 32767;  // reactions keep 16-bit coefficients

bool projected(const RunEndMembers& run) {
  return run.projection.excess > 0 && static_cast<int>(run.projection.scale.size()) > run.count();
}

int checkedCoefficient(std::int64_t value) {
  if (std::llabs(value) > kLargestCoefficient) bomb("projection", "coefficient too large", 1);
  return static_cast<int>(value);
}

// sum over e of nu[e] * take[e][x] / scale[e], as numerator over the least
// common multiple of the scales of the end-members taking part
void excessTerms(const RunEndMembers& run, const std::vector<std::int64_t>& nu,
                 std::vector<std::int64_t>& numerator, std::int64_t& denominator) {
  const ExcessProjection& p = run.projection;
  denominator = 1;
  for (int e = 1; e <= run.count(); ++e)
    if (nu[e] != 0) denominator = std::lcm(denominator, static_cast<std::int64_t>(p.scale[e]));
  numerator.assign(p.excess + 1, 0);
  for (int e = 1; e <= run.count(); ++e) {
    if (nu[e] == 0) continue;
    std::int64_t share = nu[e] * (denominator / p.scale[e]);
    for (int x = 1; x <= p.excess; ++x) numerator[x] += share * p.take[e][x];
  }
}

}  // namespace

std::vector<int> unproject(const RunEndMembers& run, const std::vector<int>& reaction) {
  if (!projected(run)) return reaction;
  const ExcessProjection& p = run.projection;
  int n = run.count();
  std::vector<std::int64_t> nu(n + 1, 0);
  for (int e = 1; e <= n && e < static_cast<int>(reaction.size()); ++e)
    nu[e] = static_cast<std::int64_t>(reaction[e]) * p.scale[e];
  // the excess phases' coefficients of the scaled reaction are whole
  // numbers: sum nu'[e] take[e][x]; reduce by them as well
  std::int64_t common = 0;
  for (int e = 1; e <= n; ++e) common = std::gcd(common, nu[e]);
  for (int x = 1; x <= p.excess; ++x) {
    std::int64_t sum = 0;
    for (int e = 1; e <= n && e < static_cast<int>(reaction.size()); ++e)
      sum += static_cast<std::int64_t>(reaction[e]) * p.take[e][x];
    common = std::gcd(common, sum);
  }
  std::vector<int> out(n + 1, 0);
  if (common == 0) return out;
  for (int e = 1; e <= n; ++e) out[e] = checkedCoefficient(nu[e] / common);
  return out;
}

std::vector<int> withExcess(const RunEndMembers& run, const std::vector<int>& reaction) {
  if (!projected(run)) return reaction;
  const ExcessProjection& p = run.projection;
  int n = run.count();
  std::vector<std::int64_t> nu(n + 1, 0);
  for (int e = 1; e <= n && e < static_cast<int>(reaction.size()); ++e) nu[e] = reaction[e];
  std::vector<std::int64_t> numerator;
  std::int64_t denominator = 1;
  excessTerms(run, nu, numerator, denominator);
  std::vector<int> full(run.total() + 1, 0);
  for (int e = 1; e <= n; ++e) full[e] = static_cast<int>(nu[e]);
  for (int x = 1; x <= p.excess; ++x) {
    // the column of e holds scale[e] e - take[e][x] x, so the excess phase
    // goes to the other side
    if (numerator[x] % denominator != 0)
      bomb("projection", "reaction not whole through the phases in excess", 1);
    full[n + x] = checkedCoefficient(-numerator[x] / denominator);
  }
  return full;
}

}  // namespace pf
