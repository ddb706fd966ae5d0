#include "calc/equilibrium/equations.h"

#include <algorithm>
#include <cmath>

#include "calc/ax/order.h"
#include "calc/settings/oxides.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr const char* kCrossRefs = "makecrossrefs";
constexpr int kNonStrictBound = 0;
// Steps of the central differences that give the T and P slopes of the
// end-members' Gibbs energies: small enough that the truncation error is
// far below the solver's needs, large enough that rounding inside the
// energy (iterated fluid volumes) does not show.
constexpr Real kGibbsDt = 0.01L;   // K
constexpr Real kGibbsDp = 0.001L;  // kbar
constexpr Real kFdCheckStep = 1e-6L;
constexpr Real kReducedResidual = 1e-5L;  // largest residual of a row the projection removes
constexpr Real kNoUnknownsResidual = 1e-8L;
constexpr int kPolishRounds = 3;
constexpr Real kPolishedResidual = 1e-11L;  // kJ
constexpr int kPrintField = 12;
constexpr int kPrintPerLine = 6;
constexpr int kFdCheck1Level = 4;

Quantity scaledQuantity(const std::string& name, Real value, bool solved, Real low, Real high,
                        int lowerRule, int upperRule) {
  if (!(high > low)) bomb(kCrossRefs, "empty range for " + name);
  Quantity q;
  q.name = name;
  q.value = value;
  q.solved = solved;
  q.scale = 1 / (high - low);
  q.offset = -low * q.scale;
  q.stepScale = kQuantityStepScale;
  q.lowerRule = lowerRule;
  q.upperRule = upperRule;
  return q;
}

// The range of a variable over every composition the phase's variable
// limits allow, the other variables free: a variable without limits in the
// file may take any of these values at some value of the others.
Range widestRange(const SolutionPhase& phase, int variable) {
  const Variable& v = phase.variables[static_cast<std::size_t>(variable)];
  if (!v.hasDefaultLimits()) return Range{v.lower, v.upper};
  SolutionPhase limits;
  limits.variables = phase.variables;
  for (Variable& other : limits.variables) other.order = true;
  limits.limits = phase.limits;
  return variableRange(limits, variable, phase.guesses());
}

std::string fixedText(Real value, int places) {
  return realToText(value, places, Digits::fixed);
}

}  // namespace

// ---- construction and the quantity list -------------------------------------

EquilibriumSystem::EquilibriumSystem(Io& io, const PhaseTables& tables, Assemblage assemblage,
                                     const std::vector<Reaction>& reactions,
                                     const EquilibriumSettings& settings)
    : io_(io),
      tables_(tables),
      assemblage_(std::move(assemblage)),
      settings_(settings),
      active_(settings.solver) {
  const int n = assemblage_.endMemberCount();
  const int np = assemblage_.phaseCount();
  const int nc = assemblage_.componentCount();
  reactionStart_.push_back(0);
  for (const Reaction& reaction : reactions) {
    if (static_cast<int>(reaction.size()) != n + 1)
      bomb(kCrossRefs, "reaction and end-member list differ in length", 1);
    for (int e = 0; e < n; ++e) {
      int nu = reaction[static_cast<std::size_t>(e + 1)];
      if (nu == 0) continue;
      reactionMember_.push_back(e);
      reactionNu_.push_back(nu);
    }
    reactionStart_.push_back(static_cast<int>(reactionMember_.size()));
    normalisers_.push_back(reactionNormaliser(assemblage_, reaction));
  }
  amount_.resize(static_cast<std::size_t>(n * nc));
  for (int e = 0; e < n; ++e)
    for (int c = 0; c < nc; ++c)
      amount_[static_cast<std::size_t>(e * nc + c)] = assemblage_.amount(c, e);

  activity_.resize(static_cast<std::size_t>(np));
  for (auto* v : {&g_, &dgdT_, &dgdP_, &rtlna_}) v->assign(static_cast<std::size_t>(n), 0);
  lnK_.assign(normalisers_.size(), 0);
  comp_.assign(static_cast<std::size_t>(np * nc), 0);
  dcomp_.assign(static_cast<std::size_t>(np * nc * kMaxPhaseVariables), 0);
  projected_.assign(static_cast<std::size_t>(np * nc), 0);
  massBalance_.assign(static_cast<std::size_t>(nc), 0);
  firstVariable_.assign(static_cast<std::size_t>(np), -1);
  mode_.assign(static_cast<std::size_t>(np), -1);
}

void EquilibriumSystem::makecrossrefs(const CrossRefRequest& request) {
  const QuantityRanges& r = request.ranges;
  if (assemblage_.endMemberCount() > kMaxAssemblageEndMembers)
    bomb(kCrossRefs, "too many end-members");
  list_.clear();
  list_.push_back(scaledQuantity("P", request.p, request.solveP, r.pLow, r.pHigh, kStrictBound,
                                 kNonStrictBound));
  list_.push_back(scaledQuantity("T", request.t, request.solveT, r.tLow, r.tHigh, kStrictBound,
                                 kNonStrictBound));
  list_.back().shownInCelsius = true;
  std::fill(firstVariable_.begin(), firstVariable_.end(), -1);
  std::fill(mode_.begin(), mode_.end(), -1);
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    const AssemblagePhase& phase = assemblage_.phases[static_cast<std::size_t>(j)];
    if (phase.kind != PhaseKind::solution) continue;
    const SolutionPhase& s = tables_.solutions[static_cast<std::size_t>(phase.index)];
    firstVariable_[static_cast<std::size_t>(j)] = static_cast<int>(list_.size());
    for (int v = 0; v < s.variableCount(); ++v) {
      const Variable& var = s.variables[static_cast<std::size_t>(v)];
      Range range = widestRange(s, v);
      if (static_cast<int>(list_.size()) == kMaxQuantities) bomb(kCrossRefs, "too many variables");
      list_.push_back(scaledQuantity(var.name, var.guess, true, range.low, range.high, kStrictBound,
                                     kStrictBound));
    }
  }
  if (request.modes) {
    const int np = assemblage_.phaseCount();
    if (static_cast<int>(list_.size()) + np > kMaxQuantities) bomb(kCrossRefs, "too many modes");
    for (int j = 0; j < np; ++j) {
      mode_[static_cast<std::size_t>(j)] = static_cast<int>(list_.size());
      list_.push_back(scaledQuantity(assemblage_.phases[static_cast<std::size_t>(j)].name,
                                     Real{1} / np, true, r.modeLow, r.modeHigh, kNonStrictBound,
                                     kNonStrictBound));
    }
  }
  x_.assign(list_.size(), 0);
  saved_.assign(list_.size(), 0);
  yNow_.assign(list_.size(), 0);
  refreshColumns();
  buildStepBounds();
  gP_ = gT_ = -1;
}

void EquilibriumSystem::refreshColumns() {
  column_.assign(list_.size(), -1);
  unknowns_ = 0;
  for (std::size_t q = 0; q < list_.size(); ++q)
    if (list_[q].solved) column_[q] = unknowns_++;
  const std::size_t rows =
      normalisers_.size() + static_cast<std::size_t>(assemblage_.componentCount());
  residuals_.assign(rows, 0);
  jacobian_.assign(rows * std::max<std::size_t>(1, static_cast<std::size_t>(unknowns_)), 0);
}

// Only phases with a solved variable move, so only theirs bound the step.
void EquilibriumSystem::buildStepBounds() {
  bounds_.siteFractions.clear();
  bounds_.variableLimits.clear();
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    int first = firstVariable_[static_cast<std::size_t>(j)];
    if (first < 0) continue;
    const SolutionPhase& s = tables_.solutions[static_cast<std::size_t>(
        assemblage_.phases[static_cast<std::size_t>(j)].index)];
    bool moves = false;
    for (int v = 0; v < s.variableCount(); ++v)
      moves = moves || list_[static_cast<std::size_t>(first + v)].solved;
    if (moves) appendStepBounds(s, first, bounds_);
  }
  if (static_cast<int>(bounds_.variableLimits.size()) > kMaxVariableLimits)
    bomb(kCrossRefs, "too many varlims");
  if (static_cast<int>(bounds_.siteFractions.size()) > kMaxTrackedSiteFractions)
    bomb(kCrossRefs, "no site fractions not handled too big");
}

int EquilibriumSystem::variableQuantity(int phase, int variable) const {
  if (phase < 0 || phase >= assemblage_.phaseCount())
    bomb("nlefunc", "no phase " + std::to_string(phase), 1);
  int first = firstVariable_[static_cast<std::size_t>(phase)];
  if (first < 0) return -1;
  const AssemblagePhase& p = assemblage_.phases[static_cast<std::size_t>(phase)];
  if (variable < 0 ||
      variable >= tables_.solutions[static_cast<std::size_t>(p.index)].variableCount())
    bomb("nlefunc", "no variable " + std::to_string(variable) + " in " + p.name, 1);
  return first + variable;
}

int EquilibriumSystem::modeQuantity(int phase) const {
  if (phase < 0 || phase >= assemblage_.phaseCount())
    bomb("nlefunc", "no phase " + std::to_string(phase), 1);
  return mode_[static_cast<std::size_t>(phase)];
}

Quantity& EquilibriumSystem::quantityAt(int quantity) {
  if (quantity < 0 || quantity >= static_cast<int>(list_.size()))
    bomb("nlefunc", "no quantity " + std::to_string(quantity), 1);
  return list_[static_cast<std::size_t>(quantity)];
}

void EquilibriumSystem::setValue(int quantity, Real value) {
  quantityAt(quantity).value = value;
}

void EquilibriumSystem::hold(int quantity, Real value) {
  Quantity& q = quantityAt(quantity);
  q.value = value;
  if (!q.solved) return;
  q.solved = false;
  refreshColumns();
  buildStepBounds();
}

void EquilibriumSystem::release(int quantity) {
  Quantity& q = quantityAt(quantity);
  if (q.solved) return;
  q.solved = true;
  refreshColumns();
  buildStepBounds();
}

int EquilibriumSystem::unknownCount() const {
  return unknowns_;
}

void EquilibriumSystem::resetGuesses() {
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    int first = firstVariable_[static_cast<std::size_t>(j)];
    if (first < 0) continue;
    const SolutionPhase& s = tables_.solutions[static_cast<std::size_t>(
        assemblage_.phases[static_cast<std::size_t>(j)].index)];
    for (int v = 0; v < s.variableCount(); ++v) {
      Quantity& q = list_[static_cast<std::size_t>(first + v)];
      if (q.solved) q.value = s.variables[static_cast<std::size_t>(v)].guess;
    }
  }
  Real held = 0;
  int free = 0;
  for (int q : mode_) {
    if (q < 0) continue;
    if (list_[static_cast<std::size_t>(q)].solved)
      ++free;
    else
      held += list_[static_cast<std::size_t>(q)].value;
  }
  for (int q : mode_)
    if (q >= 0 && list_[static_cast<std::size_t>(q)].solved)
      list_[static_cast<std::size_t>(q)].value = (1 - held) / free;
}

void EquilibriumSystem::setActivity(int endMember, Real activity) {
  if (endMember < 0 || endMember >= assemblage_.endMemberCount())
    bomb("nlefunc", "no end-member " + std::to_string(endMember), 1);
  assemblage_.endMembers[static_cast<std::size_t>(endMember)].activity = activity;
  assemblage_.run.activity[static_cast<std::size_t>(endMember + 1)] = activity;
}

void EquilibriumSystem::setMu(int phase, Real mu, Real muPerKelvin) {
  if (phase < 0 || phase >= assemblage_.phaseCount())
    bomb("nlefunc", "no phase " + std::to_string(phase), 1);
  AssemblagePhase& p = assemblage_.phases[static_cast<std::size_t>(phase)];
  p.mu = mu;
  p.muPerKelvin = muPerKelvin;
  gP_ = gT_ = -1;  // the stored energies no longer hold
}

// ---- bulk composition ---------------------------------------------------------

void EquilibriumSystem::setBulk(std::span<const Real> bulk, const Projection& projection) {
  const int nc = assemblage_.componentCount();
  if (static_cast<int>(bulk.size()) != nc)
    bomb("nlefunc", "bulk and components differ in number", 1);
  if (static_cast<int>(projection.m.size()) != nc || projection.rankDeficit < 0 ||
      projection.rankDeficit > nc)
    bomb("nlefunc", "projection does not fit the components", 1);
  for (const std::vector<int>& row : projection.m)
    if (static_cast<int>(row.size()) != nc)
      bomb("nlefunc", "projection does not fit the components", 1);
  if (mode_.empty() || (assemblage_.phaseCount() > 0 && mode_[0] < 0))
    bomb("nlefunc", "a bulk calculation needs the modes in the quantity list", 1);
  bulkAmounts_.assign(bulk.begin(), bulk.end());
  projection_ = projection;
  bulk_ = true;
}

void EquilibriumSystem::clearBulk() {
  bulk_ = false;
}

int EquilibriumSystem::equationCount() const {
  int rows = static_cast<int>(normalisers_.size());
  if (bulk_) rows += assemblage_.componentCount() - projection_.rankDeficit;
  return rows;
}

int EquilibriumSystem::coefficient(int k, int e) const {
  for (int t = reactionStart_[static_cast<std::size_t>(k)];
       t < reactionStart_[static_cast<std::size_t>(k + 1)]; ++t)
    if (reactionMember_[static_cast<std::size_t>(t)] == e)
      return reactionNu_[static_cast<std::size_t>(t)];
  return 0;
}

const ActivityResult& EquilibriumSystem::activities(int phase) const {
  if (phase < 0 || phase >= assemblage_.phaseCount())
    bomb("nlefunc", "no phase " + std::to_string(phase), 1);
  return activity_[static_cast<std::size_t>(phase)];
}

Real EquilibriumSystem::composition(int phase, int c) const {
  return comp_[static_cast<std::size_t>(phase * assemblage_.componentCount() + c)];
}

Real& EquilibriumSystem::dcomp(int phase, int c, int variable) {
  return dcomp_[static_cast<std::size_t>(
      (phase * assemblage_.componentCount() + c) * kMaxPhaseVariables + variable)];
}

Real EquilibriumSystem::dcomp(int phase, int c, int variable) const {
  return dcomp_[static_cast<std::size_t>(
      (phase * assemblage_.componentCount() + c) * kMaxPhaseVariables + variable)];
}

Real EquilibriumSystem::compositionDerivative(int phase, int c, int variable) const {
  return dcomp(phase, c, variable);
}

// ---- nlefunc --------------------------------------------------------------------

void EquilibriumSystem::unscale(std::span<const Real> y) {
  for (std::size_t q = 0; q < list_.size(); ++q) {
    const Quantity& quantity = list_[q];
    int column = column_[q];
    x_[q] = column < 0 ? quantity.value
                       : (y[static_cast<std::size_t>(column)] - quantity.offset) / quantity.scale;
  }
}

bool EquilibriumSystem::admissible(std::span<const Real> y) const {
  for (std::size_t q = 0; q < list_.size(); ++q) {
    int column = column_[q];
    if (column < 0) continue;
    const Quantity& quantity = list_[q];
    Real v = y[static_cast<std::size_t>(column)];
    bool lowOk = quantity.lowerRule == kStrictBound ? v > 0 : v >= 0;
    bool highOk = quantity.upperRule == kStrictBound ? v < 1 : v <= 1;
    if (!lowOk || !highOk) return false;
  }
  return true;
}

void EquilibriumSystem::printQuantityLines() {
  const unsigned mask = active_.mask;
  for (std::size_t first = 0; first < list_.size(); first += kPrintPerLine) {
    std::string names, values;
    for (std::size_t q = first; q < std::min(list_.size(), first + kPrintPerLine); ++q) {
      addfield(names, list_[q].name, kPrintField);
      addfield(values, x_[q] - (list_[q].shownInCelsius ? 273 : 0), kPrintField);
    }
    io_.putstr(0, names, 1, mask);
    io_.putstr(0, values, 1, mask);
  }
}

void EquilibriumSystem::printFailed() {
  if (active_.printLevel < 1) return;
  io_.putstr(0, "FAILED in nlefunc, at which stage x was:", 1, active_.mask);
  printQuantityLines();
}

// Every site fraction positive before any activity is formed; outside
// minimisation, with diagnostics on, a bad one is the user's starting guess.
bool EquilibriumSystem::siteFractionsOk() {
  std::array<Real, kMaxPhaseSiteFractions> sf{};
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    int first = firstVariable_[static_cast<std::size_t>(j)];
    if (first < 0) continue;
    const SolutionPhase& s = tables_.solutions[static_cast<std::size_t>(
        assemblage_.phases[static_cast<std::size_t>(j)].index)];
    std::span<const Real> x(x_.data() + first, static_cast<std::size_t>(s.variableCount()));
    siteFractions(s, x, std::span<Real>(sf));
    for (int k = 0; k < s.siteFractionCount(); ++k) {
      if (sf[static_cast<std::size_t>(k)] > 0) continue;
      if (active_.printLevel != 0 && !active_.minimising) {
        negativeSfReport(io_, s, x, -1, 0);
        bomb("calca", "negative sf term");
      }
      if (active_.printLevel >= 1) {
        io_.putstr(0, "*", 1, active_.mask);
        io_.putstr(0, "** NOT OK", 1, active_.mask);
      }
      return false;
    }
  }
  return true;
}

bool EquilibriumSystem::activitiesOk(unsigned what) {
  const Real p = x_[kPQuantity];
  const Real t = x_[kTQuantity];
  const Real rt = kGasConstant * t;
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    const AssemblagePhase& phase = assemblage_.phases[static_cast<std::size_t>(j)];
    const int first = phase.firstEndMember;
    if (phase.kind == PhaseKind::solution) {
      const SolutionPhase& s = tables_.solutions[static_cast<std::size_t>(phase.index)];
      int v0 = firstVariable_[static_cast<std::size_t>(j)];
      std::span<const Real> x(x_.data() + v0, static_cast<std::size_t>(s.variableCount()));
      ActivityResult& r = activity_[static_cast<std::size_t>(j)];
      calca(s, x, p, t, what, settings_.activity, r);
      for (int l = 0; l < phase.endMemberCount; ++l) {
        auto i = static_cast<std::size_t>(l);
        if (!(r.a[i] > 0)) return false;
        rtlna_[static_cast<std::size_t>(first + l)] = rt * std::log(r.ideal[i]) + r.rtlngamma[i];
      }
    } else if (phase.kind == PhaseKind::pure) {
      Real a = assemblage_.endMembers[static_cast<std::size_t>(first)].activity;
      if (!(a > 0)) bomb("fdcheck2", "ln<=0");
      rtlna_[static_cast<std::size_t>(first)] = rt * std::log(a);
    } else {
      rtlna_[static_cast<std::size_t>(first)] = 0;
    }
  }
  return true;
}

// End-member Gibbs energies depend on P and T only: kept until either moves.
void EquilibriumSystem::gibbsEnergies(bool derivatives) {
  const Real p = x_[kPQuantity];
  const Real t = x_[kTQuantity];
  if (p == gP_ && t == gT_ && (!derivatives || gDerivatives_)) return;
  const GibbsSettings& gs = settings_.gibbs;
  for (int e = 0; e < assemblage_.endMemberCount(); ++e) {
    auto i = static_cast<std::size_t>(e);
    const AssemblagePhase& phase =
        assemblage_.phases[static_cast<std::size_t>(assemblage_.endMembers[i].phase)];
    if (phase.kind == PhaseKind::mu) {
      g_[i] = phase.mu + phase.muPerKelvin * t;
      dgdT_[i] = phase.muPerKelvin;
      dgdP_[i] = 0;
      continue;
    }
    const EndMember& em = assemblage_.run.em[i + 1];
    g_[i] = gem(io_, em, p, t, gs);
    if (!derivatives) continue;
    dgdT_[i] =
        (gem(io_, em, p, t + kGibbsDt, gs) - gem(io_, em, p, t - kGibbsDt, gs)) / (2 * kGibbsDt);
    dgdP_[i] =
        (gem(io_, em, p + kGibbsDp, t, gs) - gem(io_, em, p - kGibbsDp, t, gs)) / (2 * kGibbsDp);
  }
  gP_ = p;
  gT_ = t;
  gDerivatives_ = derivatives;
}

void EquilibriumSystem::reactionResiduals(std::span<Real> residuals, MatrixRef jacobian) {
  const Real t = x_[kTQuantity];
  const Real rt = kGasConstant * t;
  const int pColumn = column_[kPQuantity];
  const int tColumn = column_[kTQuantity];
  for (std::size_t k = 0; k < normalisers_.size(); ++k) {
    const Real n = normalisers_[k];
    Real dg = 0, lnk = 0;
    for (int term = reactionStart_[k]; term < reactionStart_[k + 1]; ++term) {
      const auto e = static_cast<std::size_t>(reactionMember_[static_cast<std::size_t>(term)]);
      const Real nu = reactionNu_[static_cast<std::size_t>(term)];
      dg += nu * g_[e];
      lnk += nu * rtlna_[e];
    }
    lnK_[k] = lnk / rt;
    residuals[k] = (dg + lnk) / n;
    if (jacobian.data == nullptr) continue;

    const int row = static_cast<int>(k);
    for (int c = 0; c < jacobian.cols; ++c) jacobian(row, c) = 0;
    for (int term = reactionStart_[k]; term < reactionStart_[k + 1]; ++term) {
      const auto e = static_cast<std::size_t>(reactionMember_[static_cast<std::size_t>(term)]);
      const Real nu = reactionNu_[static_cast<std::size_t>(term)] / n;
      const AssemblageEndMember& em = assemblage_.endMembers[e];
      const AssemblagePhase& phase = assemblage_.phases[static_cast<std::size_t>(em.phase)];
      const bool solution = phase.kind == PhaseKind::solution;
      const ActivityResult& r = activity_[static_cast<std::size_t>(em.phase)];
      const auto l = static_cast<std::size_t>(em.member);
      if (pColumn >= 0) jacobian(row, pColumn) += nu * (dgdP_[e] + (solution ? r.dP[l] : 0));
      if (tColumn >= 0) {
        Real dlna = solution ? r.dT[l] : phase.kind == PhaseKind::pure ? rtlna_[e] / t : 0;
        jacobian(row, tColumn) += nu * (dgdT_[e] + dlna);
      }
      if (!solution) continue;
      const int v0 = firstVariable_[static_cast<std::size_t>(em.phase)];
      for (int v = 0; v < r.nv; ++v) {
        int column = column_[static_cast<std::size_t>(v0 + v)];
        if (column >= 0) jacobian(row, column) += nu * r.dx[l][static_cast<std::size_t>(v)];
      }
    }
  }
}

void EquilibriumSystem::compcalc() {
  const int nc = assemblage_.componentCount();
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    const AssemblagePhase& phase = assemblage_.phases[static_cast<std::size_t>(j)];
    Real* out = comp_.data() + j * nc;
    const int first = phase.firstEndMember;
    if (phase.kind != PhaseKind::solution) {
      const Real size = assemblage_.endMembers[static_cast<std::size_t>(first)].size;
      for (int c = 0; c < nc; ++c)
        out[c] = amount_[static_cast<std::size_t>(first * nc + c)] / size;
      continue;
    }
    const ActivityResult& r = activity_[static_cast<std::size_t>(j)];
    Real size = 0;
    for (int c = 0; c < nc; ++c) out[c] = 0;
    for (int l = 0; l < phase.endMemberCount; ++l) {
      const Real p = r.p[static_cast<std::size_t>(l)];
      size += p * assemblage_.endMembers[static_cast<std::size_t>(first + l)].size;
      for (int c = 0; c < nc; ++c)
        out[c] += p * amount_[static_cast<std::size_t>((first + l) * nc + c)];
    }
    for (int c = 0; c < nc; ++c) out[c] /= size;
  }
}

// The quotient rule on (sum p a) / (sum p size); needs compcalc first.
void EquilibriumSystem::dcompdx() {
  const int nc = assemblage_.componentCount();
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    const AssemblagePhase& phase = assemblage_.phases[static_cast<std::size_t>(j)];
    if (phase.kind != PhaseKind::solution) continue;
    const ActivityResult& r = activity_[static_cast<std::size_t>(j)];
    const int first = phase.firstEndMember;
    Real size = 0;
    for (int l = 0; l < phase.endMemberCount; ++l)
      size += r.p[static_cast<std::size_t>(l)] *
              assemblage_.endMembers[static_cast<std::size_t>(first + l)].size;
    for (int v = 0; v < r.nv; ++v) {
      Real dsize = 0;
      for (int l = 0; l < phase.endMemberCount; ++l)
        dsize += r.dp[static_cast<std::size_t>(l)][static_cast<std::size_t>(v)] *
                 assemblage_.endMembers[static_cast<std::size_t>(first + l)].size;
      for (int c = 0; c < nc; ++c) {
        Real damount = 0;
        for (int l = 0; l < phase.endMemberCount; ++l)
          damount += r.dp[static_cast<std::size_t>(l)][static_cast<std::size_t>(v)] *
                     amount_[static_cast<std::size_t>((first + l) * nc + c)];
        dcomp(j, c, v) = (damount - composition(j, c) * dsize) / size;
      }
    }
  }
}

// r_i = S sum_j m_j (M comp_j)_i - (M b)_i over the projected components;
// the last d rows of M see no phase, so their residuals must vanish alone.
bool EquilibriumSystem::massBalanceRows(std::span<Real> residuals, MatrixRef jacobian) {
  const int nc = assemblage_.componentCount();
  const int np = assemblage_.phaseCount();
  const int nr = reactionCount();
  const int kept = nc - projection_.rankDeficit;
  compcalc();
  if (jacobian.data != nullptr) dcompdx();
  Real s = 0;
  for (int j = 0; j < np; ++j)
    s += x_[static_cast<std::size_t>(mode_[static_cast<std::size_t>(j)])];
  for (int j = 0; j < np; ++j) {
    for (int i = 0; i < nc; ++i) {
      const std::vector<int>& m = projection_.m[static_cast<std::size_t>(i)];
      Real sum = 0;
      for (int c = 0; c < nc; ++c) sum += m[static_cast<std::size_t>(c)] * composition(j, c);
      projected_[static_cast<std::size_t>(j * nc + i)] = sum;
    }
  }
  for (int i = 0; i < nc; ++i) {
    const std::vector<int>& m = projection_.m[static_cast<std::size_t>(i)];
    Real phases = 0, bulk = 0;
    for (int j = 0; j < np; ++j)
      phases += x_[static_cast<std::size_t>(mode_[static_cast<std::size_t>(j)])] *
                projected_[static_cast<std::size_t>(j * nc + i)];
    for (int c = 0; c < nc; ++c)
      bulk += m[static_cast<std::size_t>(c)] * bulkAmounts_[static_cast<std::size_t>(c)];
    Real r = s * phases - bulk;
    massBalance_[static_cast<std::size_t>(i)] = r;
    if (i >= kept) {
      if (std::fabs(r) < kReducedResidual) continue;
      io_.putstr(0, "residual (" + realToText(r) + "') should be zero in rank-deficient case", 1,
                 active_.mask);
      if (!active_.minimising) bomb("nlefunc", "residuals not in reduced system");
      io_.putstr(0, "residuals not in reduced system - shouldn't have happened?", 1, active_.mask);
      return false;
    }
    residuals[static_cast<std::size_t>(nr + i)] = r;
    if (jacobian.data == nullptr) continue;

    const int row = nr + i;
    for (int c = 0; c < jacobian.cols; ++c) jacobian(row, c) = 0;
    for (int j = 0; j < np; ++j) {
      const Real mj = x_[static_cast<std::size_t>(mode_[static_cast<std::size_t>(j)])];
      const int modeColumn = column_[static_cast<std::size_t>(mode_[static_cast<std::size_t>(j)])];
      if (modeColumn >= 0)
        jacobian(row, modeColumn) = projected_[static_cast<std::size_t>(j * nc + i)] * s + phases;
      const int v0 = firstVariable_[static_cast<std::size_t>(j)];
      if (v0 < 0) continue;
      const int nv = activity_[static_cast<std::size_t>(j)].nv;
      for (int v = 0; v < nv; ++v) {
        int column = column_[static_cast<std::size_t>(v0 + v)];
        if (column < 0) continue;
        Real sum = 0;
        for (int c = 0; c < nc; ++c) sum += m[static_cast<std::size_t>(c)] * dcomp(j, c, v);
        jacobian(row, column) = s * mj * sum;
      }
    }
  }
  return true;
}

void EquilibriumSystem::checkShape() const {
  const int rows = equationCount();
  if (rows == unknowns_) return;
  int modes = 0;
  for (int q : mode_)
    if (q >= 0 && column_[static_cast<std::size_t>(q)] >= 0) ++modes;
  const unsigned mask = active_.mask;
  io_.putstr(0,
             "row " + std::to_string(rows) + " (" + std::to_string(reactionCount()) + ", " +
                 std::to_string(assemblage_.componentCount()) + ", " +
                 std::to_string(projection_.rankDeficit) + ")",
             1, mask);
  io_.putstr(0,
             "col " + std::to_string(unknowns_) + " (" + std::to_string(unknowns_ - modes) + ", " +
                 std::to_string(modes) + ")",
             1, mask);
  bomb("nlefunc", "non-square jacobian", 1);
}

Evaluation EquilibriumSystem::evaluate(std::span<const Real> y, std::span<Real> residuals,
                                       MatrixRef jacobian) {
  if (list_.empty()) bomb("nlefunc", "no quantity list (makecrossrefs)", 1);
  if (bulk_) checkShape();
  unscale(y);
  if (!admissible(y)) {
    printFailed();
    return Evaluation::failed;
  }
  if (!siteFractionsOk()) return Evaluation::failed;
  const bool wantJacobian = jacobian.data != nullptr;
  const bool ptSolved = column_[kPQuantity] >= 0 || column_[kTQuantity] >= 0;
  unsigned what = 0;
  if (wantJacobian) what = kCompositionDerivatives | (ptSolved ? kTPDerivatives : 0u);
  if (!activitiesOk(what)) return Evaluation::failed;
  gibbsEnergies(wantJacobian && ptSolved);
  reactionResiduals(residuals, jacobian);
  if (bulk_ && !massBalanceRows(residuals, jacobian)) return Evaluation::failed;
  if (wantJacobian) {
    // derivatives by x so far: by y they are divided by each column's scale
    for (std::size_t q = 0; q < list_.size(); ++q) {
      const int column = column_[q];
      if (column < 0 || list_[q].scale == 1) continue;
      for (int row = 0; row < jacobian.rows; ++row) jacobian(row, column) /= list_[q].scale;
    }
    if (jacobian.data != jacobian_.data())
      std::copy_n(jacobian.data, jacobian.rows * jacobian.cols, jacobian_.begin());
    if (active_.printLevel >= kFdCheck1Level) {
      printLnK();
      fdcheck1();
      if (bulk_) printCompositions();
    }
  }
  return Evaluation::ok;
}

Evaluation EquilibriumSystem::evaluateAtValues(bool jacobian) {
  for (std::size_t q = 0; q < list_.size(); ++q) {
    int column = column_[q];
    if (column >= 0)
      yNow_[static_cast<std::size_t>(column)] = list_[q].scale * list_[q].value + list_[q].offset;
  }
  const int rows = equationCount();
  MatrixRef j{jacobian ? jacobian_.data() : nullptr, rows, unknowns_};
  return evaluate(std::span<const Real>(yNow_.data(), static_cast<std::size_t>(unknowns_)),
                  std::span<Real>(residuals_.data(), static_cast<std::size_t>(rows)), j);
}

// ---- print-outs of the highest diagnostic level ------------------------------------

void EquilibriumSystem::printLnK() {
  const unsigned mask = active_.mask;
  io_.putstr(0, "ln k", 1, mask);
  std::string line;
  for (std::size_t k = 0; k < lnK_.size(); ++k) {
    addfield(line, lnK_[k], kPrintField);
    if ((k + 1) % kPrintPerLine == 0) {
      io_.putstr(0, line, 1, mask);
      line.clear();
    }
  }
  if (!line.empty()) io_.putstr(0, line, 1, mask);
}

// The analytical d(RT ln a)/dx of every solution against central
// differences of the activities.
void EquilibriumSystem::fdcheck1() {
  const unsigned mask = active_.mask;
  const Real p = x_[kPQuantity];
  const Real t = x_[kTQuantity];
  const Real rt = kGasConstant * t;
  std::array<Real, kMaxPhaseVariables> x{};
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    const AssemblagePhase& phase = assemblage_.phases[static_cast<std::size_t>(j)];
    if (phase.kind != PhaseKind::solution) continue;
    const SolutionPhase& s = tables_.solutions[static_cast<std::size_t>(phase.index)];
    const ActivityResult& r = activity_[static_cast<std::size_t>(j)];
    const int v0 = firstVariable_[static_cast<std::size_t>(j)];
    io_.putstr(0, "difference with fd  " + phase.name, 1, mask);
    std::string head;
    addfield(head, "", kPrintField);
    for (int v = 0; v < s.variableCount(); ++v)
      addfield(head, s.variables[static_cast<std::size_t>(v)].name, kPrintField);
    io_.putstr(0, head, 1, mask);
    std::array<std::array<Real, kMaxPhaseVariables>, kMaxPhaseEndMembers> fd{};
    for (int v = 0; v < s.variableCount(); ++v) {
      std::array<Real, kMaxPhaseEndMembers> plus{};
      for (int side = 0; side < 2; ++side) {
        for (int w = 0; w < s.variableCount(); ++w)
          x[static_cast<std::size_t>(w)] = x_[static_cast<std::size_t>(v0 + w)];
        Real h = side == 0 ? kFdCheckStep : -kFdCheckStep;
        x[static_cast<std::size_t>(v)] += h;
        std::span<const Real> xs(x.data(), static_cast<std::size_t>(s.variableCount()));
        if (!siteFractionsPositive(s, xs)) continue;
        calca(s, xs, p, t, 0, settings_.activity, scratch_);
        for (int l = 0; l < s.endMemberCount(); ++l) {
          auto i = static_cast<std::size_t>(l);
          if (!(scratch_.a[i] > 0)) bomb("fdcheck1", "ln<=0");
          Real value = rt * std::log(scratch_.ideal[i]) + scratch_.rtlngamma[i];
          if (side == 0)
            plus[i] = value;
          else
            fd[i][static_cast<std::size_t>(v)] = (plus[i] - value) / (2 * kFdCheckStep);
        }
      }
    }
    for (int l = 0; l < s.endMemberCount(); ++l) {
      std::string line;
      addfield(line, s.endMembers[static_cast<std::size_t>(l)].name, kPrintField);
      for (int v = 0; v < s.variableCount(); ++v)
        addfield(line,
                 r.dx[static_cast<std::size_t>(l)][static_cast<std::size_t>(v)] -
                     fd[static_cast<std::size_t>(l)][static_cast<std::size_t>(v)],
                 3, Digits::significant, kPrintField);
      io_.putstr(0, line, 1, mask);
    }
  }
}

void EquilibriumSystem::printCompositions() {
  const unsigned mask = active_.mask;
  const int nc = assemblage_.componentCount();
  std::string head;
  addfield(head, "", kPrintField);
  for (int c = 0; c < nc; ++c) addfield(head, assemblage_.componentName(c), kPrintField);
  io_.putstr(0, "compcalc", 1, mask);
  io_.putstr(0, head, 1, mask);
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    std::string line;
    addfield(line, assemblage_.phases[static_cast<std::size_t>(j)].name, kPrintField);
    for (int c = 0; c < nc; ++c) addfield(line, fixedText(composition(j, c), 6), kPrintField);
    io_.putstr(0, line, 1, mask);
  }
  io_.putstr(0, "dcompdx", 1, mask);
  io_.putstr(0, head, 1, mask);
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    int v0 = firstVariable_[static_cast<std::size_t>(j)];
    if (v0 < 0) continue;
    for (int v = 0; v < activity_[static_cast<std::size_t>(j)].nv; ++v) {
      std::string line;
      addfield(line, list_[static_cast<std::size_t>(v0 + v)].name, kPrintField);
      for (int c = 0; c < nc; ++c)
        addfield(line, dcomp(j, c, v), 6, Digits::significant, kPrintField);
      io_.putstr(0, line, 1, mask);
    }
  }
  // the derivatives against central differences of the compositions
  io_.putstr(0, "difference with fd", 1, mask);
  for (int j = 0; j < assemblage_.phaseCount(); ++j) {
    const AssemblagePhase& phase = assemblage_.phases[static_cast<std::size_t>(j)];
    int v0 = firstVariable_[static_cast<std::size_t>(j)];
    if (v0 < 0) continue;
    const SolutionPhase& s = tables_.solutions[static_cast<std::size_t>(phase.index)];
    const int first = phase.firstEndMember;
    for (int v = 0; v < s.variableCount(); ++v) {
      std::array<Real, kMaxPhaseVariables> x{};
      std::array<std::array<Real, kOxideCount>, 2> c2{};
      for (int side = 0; side < 2; ++side) {
        for (int w = 0; w < s.variableCount(); ++w)
          x[static_cast<std::size_t>(w)] = x_[static_cast<std::size_t>(v0 + w)];
        x[static_cast<std::size_t>(v)] += side == 0 ? kFdCheckStep : -kFdCheckStep;
        std::array<Real, kMaxPhaseEndMembers> p{};
        for (int l = 0; l < s.endMemberCount(); ++l)
          p[static_cast<std::size_t>(l)] = expressionValue(
              s.proportions[static_cast<std::size_t>(l)].value,
              std::span<const Real>(x.data(), static_cast<std::size_t>(s.variableCount())));
        Real size = 0;
        for (int l = 0; l < s.endMemberCount(); ++l)
          size += p[static_cast<std::size_t>(l)] *
                  assemblage_.endMembers[static_cast<std::size_t>(first + l)].size;
        for (int c = 0; c < nc; ++c) {
          Real sum = 0;
          for (int l = 0; l < s.endMemberCount(); ++l)
            sum += p[static_cast<std::size_t>(l)] *
                   amount_[static_cast<std::size_t>((first + l) * nc + c)];
          c2[static_cast<std::size_t>(side)][static_cast<std::size_t>(c)] = sum / size;
        }
      }
      std::string line;
      addfield(line, list_[static_cast<std::size_t>(v0 + v)].name, kPrintField);
      for (int c = 0; c < nc; ++c) {
        Real fd = (c2[0][static_cast<std::size_t>(c)] - c2[1][static_cast<std::size_t>(c)]) /
                  (2 * kFdCheckStep);
        addfield(line, dcomp(j, c, v) - fd, 3, Digits::significant, kPrintField);
      }
      io_.putstr(0, line, 1, mask);
    }
  }
  io_.putstr(0, "projc  (rankdeficit = " + std::to_string(projection_.rankDeficit) + ")", 1, mask);
  for (const std::vector<int>& row : projection_.m) {
    std::string line;
    for (int v : row) addfield(line, std::to_string(v), 6);
    io_.putstr(0, line, 1, mask);
  }
}

// ---- donle ---------------------------------------------------------------------

NleResult donle(EquilibriumSystem& system, Io& io) {
  return system.solve(io, system.settings().solver);
}

NleResult donle(EquilibriumSystem& system, Io& io, const NleOptions& options) {
  return system.solve(io, options);
}

// The solver stops once the residuals are small in its own measure (half
// their sum of squares below 1e-12 kJ^2 passes with residuals near 1e-6
// kJ, which leaves P uncertain in the fifth decimal); a converged point is
// then refined by further solves from it, each a Newton step that squares
// the error, while that still lowers the largest residual.
NleResult EquilibriumSystem::solve(Io& io, const NleOptions& options) {
  active_ = options;
  NleResult result = solveWith(io, options);
  active_ = settings_.solver;
  return result;
}

NleResult EquilibriumSystem::solveWith(Io& io, const NleOptions& options) {
  NleResult result;
  if (equationCount() == 0) {
    result.code = kCouldNotStart;
    return result;
  }
  if (unknownCount() == 0) {
    result.evaluations = 1;
    if (evaluateAtValues(false) != Evaluation::ok) {
      result.code = kCouldNotStart;
      return result;
    }
    Real largest = 0, sum = 0;
    for (Real r : residuals()) {
      largest = std::max(largest, std::fabs(r));
      sum += r * r;
    }
    result.maxResidual = largest;
    result.sumOfSquares = sum / 2;
    result.code = largest <= kNoUnknownsResidual ? kConverged : kStepTooSmall;
    return result;
  }
  result = nle(*this, options, io, workspace_);
  NleOptions quiet = options;
  quiet.printLevel = std::min(options.printLevel, 1);
  active_ = quiet;
  for (int round = 0; round < kPolishRounds; ++round) {
    if (result.code != kConverged || result.maxResidual <= kPolishedResidual) break;
    for (std::size_t q = 0; q < list_.size(); ++q) saved_[q] = list_[q].value;
    NleResult again = nle(*this, quiet, io, workspace_);
    result.iterations += again.iterations;
    result.evaluations += again.evaluations;
    if (again.code == kConverged && again.maxResidual < result.maxResidual) {
      result.maxResidual = again.maxResidual;
      result.sumOfSquares = again.sumOfSquares;
      result.rankDeficient = again.rankDeficient;
      continue;
    }
    for (std::size_t q = 0; q < list_.size(); ++q) list_[q].value = saved_[q];
    evaluateAtValues(false);
    break;
  }
  return result;
}

}  // namespace pf
