// The last step of a solution's set-up: the derivative expressions, the
// variable limits, the flat form the activities evaluate, and the
// end-members formed from others of the same phase.
#include <algorithm>
#include <cmath>
#include <string>

#include "calc/ax/axfile_internal.h"
#include "common/text.h"

namespace pf::axfile {

namespace {

void formDerivatives(SolutionPhase& phase) {
  const int nv = phase.variableCount();
  for (auto* list : {&phase.proportions, &phase.siteFractions}) {
    for (NamedExpression& e : *list) {
      e.derivative.clear();
      for (int t = 0; t < nv; ++t) e.derivative.push_back(differentiate(e.value, t));
    }
  }
}

// An xterm as a limit c + sum m x >= 0, its terms merged per variable and
// scaled so that the largest multiplier is 1 in size (equal limits then
// compare equal).
bool limitOf(const XTerm& xterm, int nv, VariableLimit& limit) {
  std::vector<Real> m(static_cast<std::size_t>(nv), 0);
  for (const VariableTerm& term : xterm.terms) m[static_cast<std::size_t>(term.variable)] += term.m;
  Real largest = 0;
  for (Real v : m) largest = std::max(largest, std::fabs(v));
  if (largest == 0) return false;
  limit = VariableLimit{};
  limit.constant = xterm.c / largest;
  for (int t = 0; t < nv && limit.count < kMaxVariableTerms; ++t) {
    if (m[static_cast<std::size_t>(t)] == 0) continue;
    limit.m[static_cast<std::size_t>(limit.count)] = m[static_cast<std::size_t>(t)] / largest;
    limit.variable[static_cast<std::size_t>(limit.count)] = t;
    ++limit.count;
  }
  return true;
}

bool sameLimit(const VariableLimit& a, const VariableLimit& b) {
  if (a.count != b.count || std::fabs(a.constant - b.constant) > 1e-12L) return false;
  for (int k = 0; k < a.count; ++k) {
    auto i = static_cast<std::size_t>(k);
    if (a.variable[i] != b.variable[i] || std::fabs(a.m[i] - b.m[i]) > 1e-12L) return false;
  }
  return true;
}

// A site fraction that is one product with a positive factor stays
// non-negative while each of its linear factors does.
void formLimits(Io& io, SolutionPhase& phase) {
  const int nv = phase.variableCount();
  phase.limits.clear();
  bool overflow = false;
  for (const NamedExpression& sf : phase.siteFractions) {
    int live = 0;
    const SxTerm* only = nullptr;
    for (const SxTerm& sx : sf.value.sxterms) {
      if (sx.factor == 0) continue;
      ++live;
      only = &sx;
    }
    if (live != 1 || only->factor < 0) continue;
    for (const XTerm& xterm : only->xterms) {
      VariableLimit limit;
      if (!limitOf(xterm, nv, limit)) continue;
      bool known = std::any_of(phase.limits.begin(), phase.limits.end(),
                               [&](const VariableLimit& l) { return sameLimit(l, limit); });
      if (known) continue;
      if (static_cast<int>(phase.limits.size()) >= kMaxPhaseVariableLimits) {
        overflow = true;
        continue;
      }
      phase.limits.push_back(limit);
    }
  }
  if (overflow)
    io.putstr(1, "insufficient space to store variable limits... (" + phase.name + ")", 1,
              kToConsoleLog);
}

// An end-member made of other end-members of its own phase only.
void findDependents(SolutionPhase& phase) {
  for (std::size_t l = 0; l < phase.endMembers.size(); ++l) {
    AxEndMember& em = phase.endMembers[l];
    em.dependsOn.clear();
    if (!em.make.made()) continue;
    std::vector<AxEndMember::Constituent> constituents;
    for (int k = 0; k < em.make.count; ++k) {
      int other = phase.findEndMember(em.make.terms[static_cast<std::size_t>(k)].name);
      if (other < 0 || other == static_cast<int>(l) ||
          phase.endMembers[static_cast<std::size_t>(other)].make.made()) {
        constituents.clear();
        break;
      }
      constituents.push_back({other, em.make.coefficient(k)});
    }
    em.dependsOn = std::move(constituents);
  }
}

}  // namespace

void finishSolution(Io& io, SolutionPhase& phase) {
  formDerivatives(phase);
  formLimits(io, phase);
  compilePhase(phase);
  findDependents(phase);
}

}  // namespace pf::axfile
