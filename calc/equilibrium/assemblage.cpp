#include "calc/equilibrium/assemblage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>

#include "calc/settings/oxides.h"
#include "calc/thermo/components.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr const char* kProcedure = "makecrossrefs";
constexpr Real kWholeTolerance = 1e-6L;

bool isWhole(Real v) {
  return std::fabs(v - std::nearbyint(v)) < kWholeTolerance;
}

std::vector<int> sortedUnique(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

void addEndMember(Assemblage& a, const std::string& name, int member, const EndMember& record,
                  Real activity, bool excluded) {
  AssemblageEndMember em;
  em.name = name;
  em.phase = a.phaseCount() - 1;
  em.member = member;
  em.activity = activity;
  em.excluded = excluded;
  a.endMembers.push_back(em);
  a.run.names.push_back(name);
  a.run.em.push_back(record);
  a.run.activity.push_back(activity);
  a.run.sdActivity.push_back(0);
  ++a.phases.back().endMemberCount;
}

void addPhase(Assemblage& a, PhaseKind kind, int index, const std::string& name) {
  AssemblagePhase phase;
  phase.kind = kind;
  phase.index = index;
  phase.name = name;
  phase.firstEndMember = a.endMemberCount();
  a.phases.push_back(phase);
}

// The components and the whole-number composition matrix: each row's unit
// is its oxide formula divided by `divisor`, the divisor being the oxide's
// cations raised until every end-member holds a whole number of units.
void formComponents(Assemblage& a, const std::vector<int>& requestedRows) {
  const OxideTable oxides = makeOxideTable();
  const int n = a.endMemberCount();
  std::vector<ComponentAmounts> amounts(static_cast<std::size_t>(n));
  std::array<bool, kOxideCount + 1> held{};
  for (int e = 0; e < n; ++e) {
    amounts[static_cast<std::size_t>(e)] = componentAmounts(a.run.em[e + 1], oxides);
    for (int row = 1; row <= kOxideCount; ++row)
      if (holdsAmount(amounts[static_cast<std::size_t>(e)][row])) held[row] = true;
  }
  std::vector<int> rows;
  if (requestedRows.empty()) {
    for (int row = 1; row <= kOxideCount; ++row)
      if (held[row]) rows.push_back(row);
  } else {
    for (int row : requestedRows) {
      if (row < 1 || row > kOxideCount) bomb(kProcedure, "component outside the oxide table", 1);
      if (std::find(rows.begin(), rows.end(), row) != rows.end())
        bomb(kProcedure, "component listed twice", 1);
      rows.push_back(row);
    }
    for (int row = 1; row <= kOxideCount; ++row)
      if (held[row] && std::find(rows.begin(), rows.end(), row) == rows.end())
        bomb(kProcedure,
             "an end-member holds " + oxides[static_cast<std::size_t>(row - 1)].oxide +
                 ", which is not a component of the system",
             1);
  }

  RunEndMembers& run = a.run;
  run.componentRow = {0};
  run.componentNames = {""};
  run.divisor = {0};
  run.comp.assign(1, std::vector<int>(static_cast<std::size_t>(n + 1), 0));
  for (int row : rows) {
    const Oxide& oxide = oxides[static_cast<std::size_t>(row - 1)];
    const int base = componentDivisor(oxide);
    int divisor = 0;
    for (int scale = 1; scale <= kMaxDivisorScale && divisor == 0; ++scale) {
      bool whole = true;
      for (int e = 0; e < n && whole; ++e)
        whole = isWhole(amounts[static_cast<std::size_t>(e)][row] * base * scale);
      if (whole) divisor = base * scale;
    }
    if (divisor == 0) bomb(kProcedure, "no whole-number composition in " + oxide.oxide, 1);
    std::vector<int> units(static_cast<std::size_t>(n + 1), 0);
    for (int e = 0; e < n; ++e)
      units[static_cast<std::size_t>(e + 1)] = static_cast<int>(
          std::lround(static_cast<double>(amounts[static_cast<std::size_t>(e)][row] * divisor)));
    run.componentRow.push_back(row);
    run.componentNames.push_back(oxide.oxide);
    run.divisor.push_back(divisor);
    run.comp.push_back(std::move(units));
  }

  // the size of a formula unit in the mode basis: its oxide units, or its
  // cations, over the rows that carry a cation
  for (int e = 0; e < n; ++e) {
    Real size = 0;
    for (int row = 1; row <= kOxideCount; ++row) {
      const Oxide& oxide = oxides[static_cast<std::size_t>(row - 1)];
      if (oxide.cations == 0 || oxide.element == "e") continue;
      Real amount = amounts[static_cast<std::size_t>(e)][row];
      size += a.basis == ModeBasis::oxide ? amount : amount * oxide.cations;
    }
    a.endMembers[static_cast<std::size_t>(e)].size = size > kNoAmount ? size : 1;
  }
}

}  // namespace

int Assemblage::solutionCount() const {
  int count = 0;
  for (const AssemblagePhase& p : phases) count += p.kind == PhaseKind::solution ? 1 : 0;
  return count;
}

Real Assemblage::amount(int c, int e) const {
  return static_cast<Real>(
             run.comp[static_cast<std::size_t>(c + 1)][static_cast<std::size_t>(e + 1)]) /
         run.divisor[static_cast<std::size_t>(c + 1)];
}

Assemblage makeAssemblage(const PhaseTables& tables, const AssemblagePlan& plan) {
  Assemblage a;
  a.basis = plan.basis;
  a.run.names = {""};
  a.run.em = {EndMember{}};
  a.run.activity = {0};
  a.run.sdActivity = {0};

  for (int s : sortedUnique(plan.solutions)) {
    if (s < 0 || s >= tables.solutionCount()) bomb(kProcedure, "no such solution phase", 1);
    const SolutionPhase& phase = tables.solutions[static_cast<std::size_t>(s)];
    addPhase(a, PhaseKind::solution, s, phase.name);
    for (int l = 0; l < phase.endMemberCount(); ++l) {
      const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
      if (!em.hasRecord) bomb(kProcedure, "end-member data not set up for " + phase.name, 1);
      addEndMember(a, em.name, l, em.record, 1, em.excluded);
    }
  }
  for (int s : sortedUnique(plan.pures)) {
    if (s < 0 || s >= tables.pureCount()) bomb(kProcedure, "no such pure phase", 1);
    const PurePhase& phase = tables.pures[static_cast<std::size_t>(s)];
    if (!phase.hasRecord) bomb(kProcedure, "end-member data not set up for " + phase.name, 1);
    addPhase(a, PhaseKind::pure, s, phase.name);
    addEndMember(a, phase.name, 0, phase.record, phase.activity, false);
  }
  for (const MuPhasePlan& mu : plan.muPhases) {
    addPhase(a, PhaseKind::mu, -1, mu.name);
    a.phases.back().mu = mu.mu;
    a.phases.back().muPerKelvin = mu.muPerKelvin;
    addEndMember(a, mu.name, 0, mu.record, 1, false);
  }
  if (a.endMemberCount() > kMaxAssemblageEndMembers) bomb(kProcedure, "too many end-members");

  const int n = a.endMemberCount();
  a.run.cov.assign(static_cast<std::size_t>((n + 1) * (n + 1)), 0);
  formComponents(a, plan.componentRows);
  return a;
}

std::vector<int> excludedEndMembers(const Assemblage& assemblage) {
  std::vector<int> out;
  for (int e = 0; e < assemblage.endMemberCount(); ++e)
    if (assemblage.endMembers[static_cast<std::size_t>(e)].excluded) out.push_back(e + 1);
  return out;
}

int reactionNormaliser(const Assemblage& assemblage, const Reaction& reaction) {
  if (static_cast<int>(reaction.size()) != assemblage.endMemberCount() + 1)
    bomb(kProcedure, "reaction and end-member list differ in length", 1);
  long sum = 0;
  for (int e = 0; e < assemblage.endMemberCount(); ++e)
    sum += std::labs(reaction[static_cast<std::size_t>(e + 1)]) *
           assemblage.endMembers[static_cast<std::size_t>(e)].weight;
  // halves round away from zero
  return std::max(1, static_cast<int>((sum + 1) / 2));
}

Projection projectionFor(const Assemblage& assemblage) {
  const int nc = assemblage.componentCount();
  const int n = assemblage.endMemberCount();
  const RunEndMembers& run = assemblage.run;
  Projection out;
  out.m.assign(static_cast<std::size_t>(nc), std::vector<int>(static_cast<std::size_t>(nc), 0));
  for (int c = 0; c < nc; ++c) out.m[static_cast<std::size_t>(c)][static_cast<std::size_t>(c)] = 1;
  if (nc == 0) return out;

  // whole numbers in proportion to the amounts (L times them): unit counts
  // times L / divisor, so that a combination annihilating these rows
  // annihilates the amounts
  std::int64_t lcm = 1;
  for (int c = 1; c <= nc; ++c)
    lcm = std::lcm(lcm, static_cast<std::int64_t>(run.divisor[static_cast<std::size_t>(c)]));
  std::vector<std::int64_t> factor(static_cast<std::size_t>(nc));
  for (int c = 0; c < nc; ++c)
    factor[static_cast<std::size_t>(c)] = lcm / run.divisor[static_cast<std::size_t>(c + 1)];
  // one row per end-member, one column per component
  IntegerMatrix rows(static_cast<std::size_t>(n),
                     std::vector<std::int64_t>(static_cast<std::size_t>(nc)));
  for (int e = 0; e < n; ++e)
    for (int c = 0; c < nc; ++c)
      rows[static_cast<std::size_t>(e)][static_cast<std::size_t>(c)] =
          run.comp[static_cast<std::size_t>(c + 1)][static_cast<std::size_t>(e + 1)] *
          factor[static_cast<std::size_t>(c)];

  auto columnsOf = [&](const std::vector<int>& columns) {
    IntegerMatrix sub(rows.size(), std::vector<std::int64_t>(columns.size()));
    for (std::size_t e = 0; e < rows.size(); ++e)
      for (std::size_t k = 0; k < columns.size(); ++k)
        sub[e][k] = rows[e][static_cast<std::size_t>(columns[k])];
    return sub;
  };
  // the components that carry the rank, taken greedily in component order
  std::vector<int> pivots, free;
  for (int c = 0; c < nc; ++c) {
    std::vector<int> trial = pivots;
    trial.push_back(c);
    if (n > 0 && integerRank(columnsOf(trial)) > static_cast<int>(pivots.size()))
      pivots.push_back(c);
    else
      free.push_back(c);
  }
  out.rankDeficit = static_cast<int>(free.size());
  if (out.rankDeficit == 0) return out;

  std::vector<std::vector<int>> m;
  for (int c : pivots) {
    std::vector<int> unit(static_cast<std::size_t>(nc), 0);
    unit[static_cast<std::size_t>(c)] = 1;
    m.push_back(unit);
  }
  for (int f : free) {
    std::vector<int> columns = pivots;
    columns.push_back(f);
    std::vector<std::int64_t> w(static_cast<std::size_t>(nc), 0);
    if (n == 0) {
      w[static_cast<std::size_t>(f)] = 1;
    } else {
      std::vector<std::int64_t> nu = nullReaction(rows, columns);
      if (nu.empty()) bomb(kProcedure, "no projection of the composition matrix", 1);
      for (std::size_t k = 0; k < columns.size(); ++k)
        w[static_cast<std::size_t>(columns[k])] = nu[k];
    }
    reduceByGcd(w);
    std::vector<int> row(static_cast<std::size_t>(nc));
    for (int c = 0; c < nc; ++c) {
      std::int64_t v = w[static_cast<std::size_t>(c)];
      if (v > kMaxCoefficient || v < -kMaxCoefficient)
        bomb(kProcedure, "projection coefficient too large", 1);
      row[static_cast<std::size_t>(c)] = static_cast<int>(v);
    }
    m.push_back(row);
  }
  out.m = std::move(m);
  return out;
}

}  // namespace pf
