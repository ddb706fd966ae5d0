// Modes by mass balance, the Gibbs energy of an assemblage for a bulk, the
// chemical potentials of the components, and their output.
#include "calc/phasediagram/pseudo.h"

#include <algorithm>
#include <cmath>

#include "calc/thermo/components.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

// A pivot this small (relative to the largest entry) counts as zero.
constexpr Real kPivotTolerance = 1e-12L;

}  // namespace

LinearSolution solveLinear(int rows, int cols, const std::vector<Real>& a,
                           const std::vector<Real>& b) {
  std::vector<Real> m = a;
  std::vector<Real> rhs = b;
  auto at = [&](int r, int c) -> Real& { return m[static_cast<std::size_t>(r * cols + c)]; };
  std::vector<int> order(static_cast<std::size_t>(cols));  // column of each pivot position
  for (int c = 0; c < cols; ++c) order[static_cast<std::size_t>(c)] = c;
  Real largest = 0;
  for (Real v : a) largest = std::max(largest, std::fabs(v));
  const Real tiny = largest * kPivotTolerance;
  int rank = 0;
  for (; rank < std::min(rows, cols); ++rank) {
    int pr = -1, pc = -1;
    Real best = tiny;
    for (int r = rank; r < rows; ++r)
      for (int k = rank; k < cols; ++k) {
        Real v = std::fabs(at(r, order[static_cast<std::size_t>(k)]));
        if (v > best) {
          best = v;
          pr = r;
          pc = k;
        }
      }
    if (pr < 0) break;
    std::swap(order[static_cast<std::size_t>(rank)], order[static_cast<std::size_t>(pc)]);
    if (pr != rank) {
      for (int c = 0; c < cols; ++c) std::swap(at(pr, c), at(rank, c));
      std::swap(rhs[static_cast<std::size_t>(pr)], rhs[static_cast<std::size_t>(rank)]);
    }
    const int col = order[static_cast<std::size_t>(rank)];
    const Real pivot = at(rank, col);
    for (int c = 0; c < cols; ++c) at(rank, c) /= pivot;
    rhs[static_cast<std::size_t>(rank)] /= pivot;
    for (int r = 0; r < rows; ++r) {
      if (r == rank) continue;
      const Real f = at(r, col);
      if (f == 0) continue;
      for (int c = 0; c < cols; ++c) at(r, c) -= f * at(rank, c);
      rhs[static_cast<std::size_t>(r)] -= f * rhs[static_cast<std::size_t>(rank)];
    }
  }
  LinearSolution s;
  s.rank = rank;
  s.x.assign(static_cast<std::size_t>(cols), 0);
  s.determined.assign(static_cast<std::size_t>(cols), false);
  for (int k = 0; k < rank; ++k) {
    const int col = order[static_cast<std::size_t>(k)];
    s.x[static_cast<std::size_t>(col)] = rhs[static_cast<std::size_t>(k)];
    bool alone = true;
    for (int f = rank; f < cols; ++f)
      if (std::fabs(at(k, order[static_cast<std::size_t>(f)])) > kPivotTolerance) alone = false;
    s.determined[static_cast<std::size_t>(col)] = alone;
  }
  for (int r = 0; r < rows; ++r) {
    Real sum = -b[static_cast<std::size_t>(r)];
    for (int c = 0; c < cols; ++c)
      sum += a[static_cast<std::size_t>(r * cols + c)] * s.x[static_cast<std::size_t>(c)];
    s.residual = std::max(s.residual, std::fabs(sum));
  }
  return s;
}

std::vector<Real> makecomp(EquilibriumSystem& sys, int unknowns) {
  if (sys.unknownCount() != unknowns) bomb("makec", "nuvleft has changed");
  const Assemblage& a = sys.assemblage();
  const int nc = a.componentCount();
  const int np = a.phaseCount();
  sys.compcalc();
  std::vector<Real> m(static_cast<std::size_t>(nc * np));
  for (int c = 0; c < nc; ++c)
    for (int j = 0; j < np; ++j) m[static_cast<std::size_t>(c * np + j)] = sys.composition(j, c);
  return m;
}

Real phaseG(const EquilibriumSystem& sys, int phase) {
  const Assemblage& a = sys.assemblage();
  const AssemblagePhase& p = a.phases[static_cast<std::size_t>(phase)];
  const int first = p.firstEndMember;
  if (p.kind != PhaseKind::solution) {
    const Real size = a.endMembers[static_cast<std::size_t>(first)].size;
    return (sys.endMemberG(first) + sys.rtlna(first)) / size;
  }
  const ActivityResult& r = sys.activities(phase);
  Real g = 0, size = 0;
  for (int l = 0; l < p.endMemberCount; ++l) {
    const Real x = r.p[static_cast<std::size_t>(l)];
    g += x * (sys.endMemberG(first + l) + sys.rtlna(first + l));
    size += x * a.endMembers[static_cast<std::size_t>(first + l)].size;
  }
  return g / size;
}

PseudoResult makepseudo(EquilibriumSystem& sys, const std::vector<Real>& bulk, int unknowns,
                        const std::vector<bool>& fluidPhase) {
  const Assemblage& a = sys.assemblage();
  const int nc = a.componentCount();
  const int np = a.phaseCount();
  PseudoResult out;
  out.composition = makecomp(sys, unknowns);
  LinearSolution s = solveLinear(nc, np, out.composition, bulk);
  out.amounts = s.x;
  out.residual = s.residual;
  out.consistent = s.residual <= kMassBalanceResidual;
  Real total = 0, solid = 0;
  for (int j = 0; j < np; ++j) {
    const Real x = s.x[static_cast<std::size_t>(j)];
    if (!(x >= kNegativeMode)) out.consistent = false;
    total += x;
    if (!fluidPhase[static_cast<std::size_t>(j)]) solid += x;
  }
  if (!(total > 0)) out.consistent = false;
  for (int j = 0; j < np; ++j) {
    const Real x = s.x[static_cast<std::size_t>(j)];
    out.modes.push_back(total > 0 ? x / total : 0);
    out.modesWithoutFluid.push_back(
        fluidPhase[static_cast<std::size_t>(j)] || !(solid > 0) ? 0 : x / solid);
  }
  // G of the amount of rock that the bulk's mol fractions make
  bool any = false;
  for (int j = 0; j < np; ++j) {
    if (a.phases[static_cast<std::size_t>(j)].kind == PhaseKind::mu) continue;
    out.G += s.x[static_cast<std::size_t>(j)] * phaseG(sys, j);
    any = true;
  }
  out.hasG = any;
  return out;
}

ComponentPotentials componentPotentials(const EquilibriumSystem& sys) {
  const Assemblage& a = sys.assemblage();
  const int nc = a.componentCount();
  std::vector<Real> e, mu;
  for (int k = 0; k < a.endMemberCount(); ++k) {
    if (a.endMembers[static_cast<std::size_t>(k)].excluded) continue;
    for (int c = 0; c < nc; ++c) e.push_back(a.amount(c, k));
    mu.push_back(sys.endMemberG(k) + sys.rtlna(k));
  }
  const int rows = static_cast<int>(mu.size());
  LinearSolution s = solveLinear(rows, nc, e, mu);
  return {s.x, s.determined};
}

// ---- output ------------------------------------------------------------------

void modesRow(Io& io, const std::vector<std::string>& phases, const std::vector<bool>& fluidPhase,
              const PseudoResult& r, const ModesRowOptions& o, unsigned mask) {
  bool anyFluid = false;
  for (bool f : fluidPhase) anyFluid = anyFluid || f;
  const std::vector<Real>& modes = anyFluid ? r.modesWithoutFluid : r.modes;
  std::string head(1, o.uncertain ? kBullet : ' ');
  addfield(head, "mode", 7);
  std::string value;
  addfield(value, o.xco2Set ? decimalText(o.xco2, 5) : std::string(), 8);
  for (std::size_t j = 0; j < phases.size(); ++j) {
    if (fluidPhase[j]) continue;
    addfield(head, phases[j], 9);
    addfield(value, decimalText(modes[j], 4), 9);
  }
  if (!o.extraHead.empty()) {
    addfield(head, o.extraHead, 11);
    addfield(value, r.hasG ? decimalText(r.G, 5) : std::string("?"), 11);
  }
  io.putstr(0, head, 1, mask);
  io.putstr(0, value, 1, mask);
}

void muBulkLines(Io& io, const std::vector<std::string>& components, const ComponentPotentials& mu,
                 const std::vector<Real>& bulk, unsigned mask) {
  std::string head = "  mu  ", value = "      ";
  for (std::size_t c = 0; c < components.size(); ++c) {
    addfield(head, components[c], 9);
    addfield(value, mu.known[c] ? decimalText(mu.mu[c], 2) : std::string("?"), 9);
  }
  io.putstr(0, head, 1, mask);
  io.putstr(0, value, 1, mask);
  if (bulk.empty()) return;
  head = "  bulk";
  value = "      ";
  for (std::size_t c = 0; c < components.size(); ++c) {
    addfield(head, components[c], 9);
    addfield(value, decimalText(bulk[c] * 100, 4), 9);
  }
  io.putstr(0, head, 1, mask);
  io.putstr(0, value, 1, mask);
}

void rockBulkLines(Io& io, const std::vector<std::string>& phases,
                   const std::vector<bool>& fluidPhase, const std::vector<std::string>& components,
                   const std::vector<Real>& composition, const PseudoResult& r, bool elementBasis) {
  const std::size_t np = phases.size();
  io.putstr(0, "% " + std::string(66, '='), 1, kToLog);
  io.putstr(0, elementBasis ? "% 1-element-based modes" : "% 1-oxide-based modes", 1, kToLog);
  std::string names = "%      ";
  std::string modes = "rbi yes";
  for (std::size_t j = 0; j < np; ++j) {
    addfield(names, fluidPhase[j] ? std::string("fluid") : phases[j], 10);
    addfield(modes, decimalText(r.modes[j], 6), 10);
  }
  if (!r.consistent) modes += "    CHECK!!";
  io.putstr(0, names, 1, kToLog);
  io.putstr(0, modes, 1, kToLog);
  std::string comps = "%      ";
  for (const std::string& c : components) addfield(comps, c, 10);
  io.putstr(0, comps, 1, kToLog);
  for (std::size_t j = 0; j < np; ++j) {
    std::string row = "rbi    ";
    for (std::size_t c = 0; c < components.size(); ++c)
      addfield(row, decimalText(composition[c * np + j], 6), 10);
    io.putstr(0, row + "   % " + phases[j], 1, kToLog);
  }
}

void modesBlock(Io& io, Real P, Real TCelsius, const std::vector<std::string>& phases,
                const PseudoResult& r) {
  std::string text = "{{" + decimalText(P, 4) + ", " + decimalText(TCelsius, 2) + ", 0}" + ", {";
  for (std::size_t j = 0; j < phases.size(); ++j)
    text += (j == 0 ? "\"" : ", \"") + phases[j] + "\"";
  text += "}, {";
  for (std::size_t j = 0; j < phases.size(); ++j)
    text += (j == 0 ? "" : ", ") + (r.consistent ? decimalText(r.modes[j], 6) : std::string("0"));
  io.putstr(0, text + "}},", 1, kToOfile);
}

std::vector<Real> calcwt(Io& io, const std::vector<Real>& amounts) {
  Real sum = 0;
  for (Real x : amounts) sum += x;
  if (!(sum > 0)) bomb("calcwt", "sum of mol% = 0 2");
  for (Real x : amounts)
    if (x < -kNoAmount) {
      io.putstr(0, "residual mol = " + decimalText(x, 6), 1, kToConsoleLog);
      bomb("calcwt", "couldn't make mol%");
    }
  std::vector<Real> out;
  for (Real x : amounts) out.push_back(std::max(x, Real(0)) / sum * 100);
  return out;
}

void molPercentRows(Io& io, const std::vector<std::string>& phases,
                    const std::vector<std::string>& components,
                    const std::vector<Real>& composition, unsigned mask) {
  const std::size_t np = phases.size();
  std::string head = "mol%    ";
  for (const std::string& c : components) addfield(head, c, 9);
  io.putstr(0, head, 1, mask);
  for (std::size_t j = 0; j < np; ++j) {
    std::vector<Real> amounts;
    for (std::size_t c = 0; c < components.size(); ++c) amounts.push_back(composition[c * np + j]);
    std::string row;
    addfield(row, phases[j], -8);
    for (Real x : calcwt(io, amounts)) addfield(row, decimalText(x, 3), 9);
    io.putstr(0, row + " ==>", 1, mask);
  }
}

}  // namespace pf
