#include "calc/ax/order.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "common/bomb.h"

namespace pf {

// ---- ranges of variables ------------------------------------------------------

namespace {

constexpr int kMaxEliminationRows = 2000;  // Fourier-Motzkin past this gives up

struct Inequality {
  Real c = 0;
  std::vector<Real> a;  // over the free variables
};

// Eliminates free variable e from the inequalities; false when the system
// grows past its bound.
bool eliminate(std::vector<Inequality>& rows, std::size_t e) {
  std::vector<Inequality> next, positive, negative;
  for (Inequality& row : rows) {
    if (row.a[e] > 0)
      positive.push_back(row);
    else if (row.a[e] < 0)
      negative.push_back(row);
    else
      next.push_back(row);
  }
  if (next.size() + positive.size() * negative.size() >
      static_cast<std::size_t>(kMaxEliminationRows))
    return false;
  for (const Inequality& p : positive) {
    for (const Inequality& n : negative) {
      Inequality combined;
      Real wp = -n.a[e], wn = p.a[e];
      combined.c = wp * p.c + wn * n.c;
      combined.a.resize(p.a.size());
      for (std::size_t k = 0; k < p.a.size(); ++k) combined.a[k] = wp * p.a[k] + wn * n.a[k];
      combined.a[e] = 0;
      next.push_back(std::move(combined));
    }
  }
  rows = std::move(next);
  return true;
}

}  // namespace

Range variableRange(const SolutionPhase& phase, int variable, std::span<const Real> x) {
  const Variable& v = phase.variables[static_cast<std::size_t>(variable)];
  if (!v.hasDefaultLimits()) return Range{v.lower, v.upper};
  // the variable and the order parameters move; everything else is held
  std::vector<int> freeIndex(phase.variables.size(), -1);
  std::vector<int> freeVariables;
  for (int t = 0; t < phase.variableCount(); ++t) {
    if (t == variable || phase.variables[static_cast<std::size_t>(t)].order) {
      freeIndex[static_cast<std::size_t>(t)] = static_cast<int>(freeVariables.size());
      freeVariables.push_back(t);
    }
  }
  std::vector<Inequality> rows;
  for (const VariableLimit& limit : phase.limits) {
    Inequality row;
    row.c = limit.constant;
    row.a.assign(freeVariables.size(), 0);
    for (int k = 0; k < limit.count; ++k) {
      int t = limit.variable[static_cast<std::size_t>(k)];
      Real m = limit.m[static_cast<std::size_t>(k)];
      int f = freeIndex[static_cast<std::size_t>(t)];
      if (f >= 0)
        row.a[static_cast<std::size_t>(f)] += m;
      else
        row.c += m * x[static_cast<std::size_t>(t)];
    }
    rows.push_back(std::move(row));
  }
  const auto target = static_cast<std::size_t>(freeIndex[static_cast<std::size_t>(variable)]);
  bool reduced = true;
  for (std::size_t e = 0; e < freeVariables.size() && reduced; ++e)
    if (e != target) reduced = eliminate(rows, e);
  Real low = -kNoVariableLimit, high = kNoVariableLimit;
  if (reduced) {
    for (const Inequality& row : rows) {
      Real a = row.a[target];
      if (a > 0) low = std::max(low, -row.c / a);
      if (a < 0) high = std::min(high, -row.c / a);
    }
  }
  if (low > high) return Range{};
  if (low == -kNoVariableLimit && high == kNoVariableLimit) return Range{};
  if (low == -kNoVariableLimit) low = std::min<Real>(-1, high - 2);
  if (high == kNoVariableLimit) high = std::max<Real>(1, low + 2);
  return Range{low, high};
}

void appendStepBounds(const SolutionPhase& phase, int firstQuantity, StepBounds& bounds) {
  for (const NamedExpression& sf : phase.siteFractions) {
    SiteFraction out;
    out.name = sf.name;
    for (const SxTerm& sx : sf.value.sxterms) {
      if (sx.factor == 0) continue;
      ProductTerm term;
      term.factor = sx.factor;
      term.count = static_cast<int>(sx.xterms.size());
      for (std::size_t j = 0; j < sx.xterms.size(); ++j) {
        LinearForm& form = term.factors[j];
        form.constant = sx.xterms[j].c;
        form.count = static_cast<int>(sx.xterms[j].terms.size());
        for (std::size_t k = 0; k < sx.xterms[j].terms.size(); ++k) {
          form.multiplier[k] = sx.xterms[j].terms[k].m;
          form.quantity[k] = firstQuantity + sx.xterms[j].terms[k].variable;
        }
      }
      out.terms.push_back(term);
    }
    bounds.siteFractions.push_back(std::move(out));
  }
  for (const VariableLimit& limit : phase.limits) {
    LinearForm form;
    form.constant = limit.constant;
    form.count = limit.count;
    for (int k = 0; k < limit.count; ++k) {
      form.multiplier[static_cast<std::size_t>(k)] = limit.m[static_cast<std::size_t>(k)];
      form.quantity[static_cast<std::size_t>(k)] =
          firstQuantity + limit.variable[static_cast<std::size_t>(k)];
    }
    bounds.variableLimits.push_back(form);
  }
}

// ---- reactions among the end-members of a phase ----------------------------------

std::vector<std::vector<int>> phaseReactions(const SolutionPhase& phase) {
  const int n = phase.endMemberCount();
  std::vector<std::vector<Real>> a(kElementCount,
                                   std::vector<Real>(static_cast<std::size_t>(n), 0));
  for (int l = 0; l < n; ++l) {
    const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
    if (!em.hasRecord) bomb("calcq", "end-member data not set up for " + phase.name, 1);
    auto amounts = elementAmounts(em.record);
    for (int e = 1; e <= kElementCount; ++e)
      a[static_cast<std::size_t>(e - 1)][static_cast<std::size_t>(l)] =
          amounts[static_cast<std::size_t>(e)];
  }
  // reduced row echelon form; the free columns give the reactions
  std::vector<int> pivotColumn;
  std::size_t row = 0;
  for (int col = 0; col < n && row < a.size(); ++col) {
    std::size_t best = row;
    for (std::size_t r = row; r < a.size(); ++r)
      if (std::fabs(a[r][static_cast<std::size_t>(col)]) >
          std::fabs(a[best][static_cast<std::size_t>(col)]))
        best = r;
    if (std::fabs(a[best][static_cast<std::size_t>(col)]) < 1e-9L) continue;
    std::swap(a[row], a[best]);
    Real pivot = a[row][static_cast<std::size_t>(col)];
    for (Real& v : a[row]) v /= pivot;
    for (std::size_t r = 0; r < a.size(); ++r) {
      if (r == row) continue;
      Real f = a[r][static_cast<std::size_t>(col)];
      if (f == 0) continue;
      for (int k = 0; k < n; ++k)
        a[r][static_cast<std::size_t>(k)] -= f * a[row][static_cast<std::size_t>(k)];
    }
    pivotColumn.push_back(col);
    ++row;
  }
  std::vector<std::vector<int>> reactions;
  for (int free = 0; free < n; ++free) {
    if (std::find(pivotColumn.begin(), pivotColumn.end(), free) != pivotColumn.end()) continue;
    std::vector<Real> v(static_cast<std::size_t>(n), 0);
    v[static_cast<std::size_t>(free)] = 1;
    for (std::size_t r = 0; r < pivotColumn.size(); ++r)
      v[static_cast<std::size_t>(pivotColumn[r])] = -a[r][static_cast<std::size_t>(free)];
    // the smallest whole multiple
    std::vector<int> coefficients;
    for (int scale = 1; scale <= 10000 && coefficients.empty(); ++scale) {
      bool whole = true;
      for (Real c : v) whole = whole && std::fabs(c * scale - std::nearbyint(c * scale)) < 1e-6L;
      if (!whole) continue;
      int divisor = 0;
      for (Real c : v) {
        int k = static_cast<int>(std::lround(c * scale));
        coefficients.push_back(k);
        divisor = std::gcd(divisor, std::abs(k));
      }
      for (int& k : coefficients) k /= std::max(divisor, 1);
    }
    if (coefficients.empty())
      bomb("calcq", "no whole-number reaction among the end-members of " + phase.name, 1);
    reactions.push_back(std::move(coefficients));
  }
  return reactions;
}

// ---- internal equilibrium ------------------------------------------------------------

namespace {

constexpr Real kAffinityScale = 1000;  // residuals in J, so the solver's tests reach 1e-8 kJ
constexpr Real kOrderStepScale = 1e-9L;

class OrderSystem : public NleSystem {
 public:
  OrderSystem(Io& io, const SolutionPhase& phase, Real p, Real t, const OrderSettings& settings,
              std::vector<std::vector<int>> reactions)
      : io_(io),
        phase_(phase),
        p_(p),
        t_(t),
        settings_(settings),
        reactions_(std::move(reactions)) {
    const std::vector<Real> x = phase.guesses();
    for (int v = 0; v < phase.variableCount(); ++v) {
      const Variable& var = phase.variables[static_cast<std::size_t>(v)];
      Quantity q;
      q.name = var.name;
      q.value = var.guess;
      q.solved = var.order;
      if (var.order) {
        Range r = variableRange(phase, v, x);
        if (!(r.high > r.low)) r = Range{};
        q.scale = 1 / (r.high - r.low);
        q.offset = -r.low * q.scale;
        q.stepScale = kOrderStepScale;
      }
      list_.push_back(q);
    }
    appendStepBounds(phase, 0, bounds_);
    if (static_cast<int>(bounds_.variableLimits.size()) > kMaxVariableLimits)
      bomb("calcq", "too many varlims");
    if (static_cast<int>(bounds_.siteFractions.size()) > kMaxTrackedSiteFractions)
      bomb("calcq", "no site fractions not handled too big");
    for (const AxEndMember& em : phase.endMembers)
      g_.push_back(gem(io, em.record, p, t, settings.gibbs));
  }

  int equationCount() const override { return static_cast<int>(reactions_.size()); }
  std::vector<Quantity>& quantities() override { return list_; }
  const StepBounds& stepBounds() const override { return bounds_; }

  Evaluation evaluate(std::span<const Real> y, std::span<Real> residuals,
                      MatrixRef jacobian) override {
    std::array<Real, kMaxPhaseVariables> x{};
    int k = 0;
    for (std::size_t v = 0; v < list_.size(); ++v) {
      const Quantity& q = list_[v];
      if (!q.solved) {
        x[v] = q.value;
        continue;
      }
      Real yv = y[static_cast<std::size_t>(k++)];
      if (yv < 0 || yv > 1) return Evaluation::failed;
      x[v] = (yv - q.offset) / q.scale;
    }
    std::span<const Real> xs(x.data(), list_.size());
    if (!siteFractionsPositive(phase_, xs)) return Evaluation::failed;
    calca(phase_, xs, p_, t_, jacobian.data != nullptr ? kCompositionDerivatives : 0u,
          settings_.activity, result_);
    for (std::size_t r = 0; r < reactions_.size(); ++r) {
      residuals[r] = kAffinityScale * affinity(r);
      if (jacobian.data == nullptr) continue;
      int column = 0;
      for (std::size_t v = 0; v < list_.size(); ++v) {
        if (!list_[v].solved) continue;
        Real d = 0;
        for (std::size_t l = 0; l < reactions_[r].size(); ++l)
          d += reactions_[r][l] * result_.dx[l][v];
        jacobian(static_cast<int>(r), column++) = kAffinityScale * d / list_[v].scale;
      }
    }
    return Evaluation::ok;
  }

  // sum over end-members of nu (G + RT ln a) at the last evaluation, kJ
  Real affinity(std::size_t r) const {
    const Real rt = kGasConstant * t_;
    Real sum = 0;
    for (std::size_t l = 0; l < reactions_[r].size(); ++l) {
      if (reactions_[r][l] == 0) continue;
      sum += reactions_[r][l] * (g_[l] + rt * std::log(result_.ideal[l]) + result_.rtlngamma[l]);
    }
    return sum;
  }

  Real largestAffinity() const {
    Real largest = 0;
    for (std::size_t r = 0; r < reactions_.size(); ++r)
      largest = std::max(largest, std::fabs(affinity(r)));
    return largest;
  }

 private:
  Io& io_;
  const SolutionPhase& phase_;
  Real p_, t_;
  const OrderSettings& settings_;
  std::vector<std::vector<int>> reactions_;
  std::vector<Quantity> list_;
  StepBounds bounds_;
  std::vector<Real> g_;
  ActivityResult result_;
};

}  // namespace

CalcqResult calcq(Io& io, SolutionPhase& phase, Real p, Real t, const OrderSettings& settings) {
  CalcqResult out;
  int orders = 0;
  for (const Variable& v : phase.variables) orders += v.order ? 1 : 0;
  if (orders == 0) {
    out.solved = true;
    out.code = kConverged;
    return out;
  }
  std::vector<std::vector<int>> reactions = phaseReactions(phase);
  if (static_cast<int>(reactions.size()) != orders)
    bomb("calcq", "no of reactions not equal to no of Qs");
  OrderSystem system(io, phase, p, t, settings, std::move(reactions));
  NleResult result = nle(system, settings.solver, io);
  out.code = result.code;
  if (result.code == kCouldNotStart) return out;
  out.largestAffinity = system.largestAffinity();
  out.solved = result.code == kConverged;
  if (out.solved) {
    const std::vector<Quantity>& list = system.quantities();
    for (std::size_t v = 0; v < list.size(); ++v)
      if (list[v].solved) phase.variables[v].guess = list[v].value;
  }
  return out;
}

// ---- legal starting order ----------------------------------------------------------

namespace {

void drawOrder(SolutionPhase& phase, WichmannHill& random) {
  const std::vector<Real> x = phase.guesses();
  for (int v = 0; v < phase.variableCount(); ++v) {
    Variable& var = phase.variables[static_cast<std::size_t>(v)];
    if (!var.order) continue;
    Range r = variableRange(phase, v, x);
    var.guess = r.low + (r.high - r.low) * random.next();
  }
}

LegalQResult legalq(Io& io, SolutionPhase& phase, WichmannHill& random, bool solve, Real p, Real t,
                    const OrderSettings* settings) {
  if (!phase.hasOrder) bomb("findlegalq", "no order variables in " + phase.name, 1);
  LegalQResult out;
  for (int attempt = 1; attempt <= kLegalQAttempts; ++attempt) {
    out.attempts = attempt;
    if (siteFractionsPositive(phase, phase.guesses())) {
      if (!solve || calcq(io, phase, p, t, *settings).solved) {
        out.found = true;
        return out;
      }
    }
    drawOrder(phase, random);
    out.randomised = true;
  }
  return out;
}

}  // namespace

LegalQResult findlegalq(Io& io, SolutionPhase& phase, WichmannHill& random) {
  return legalq(io, phase, random, false, 0, 0, nullptr);
}

LegalQResult findlegalq(Io& io, SolutionPhase& phase, WichmannHill& random, Real p, Real t,
                        const OrderSettings& settings) {
  return legalq(io, phase, random, true, p, t, &settings);
}

}  // namespace pf
