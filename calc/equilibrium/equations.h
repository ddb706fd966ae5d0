// The equilibrium equations of an assemblage, as a system for the nonlinear
// solver: one residual per independent reaction (its affinity over its
// normaliser) and, in calculations for a bulk composition, one per projected
// component (the mass balance); the jacobian in the solver's normalised
// unknowns.
//
// The unknowns are the quantity list that `makecrossrefs` builds: P (kbar),
// T (K), the compositional variables of every solution in phase order, then,
// with a bulk composition, one mode per phase. Each quantity is solved for
// or held; the caller holds isopleths and the point's P or T, and reads the
// solved values back after `donle`.
//
// Typical use, per assemblage: makeAssemblage, the reaction finder on
// assemblage.run, an EquilibriumSystem of the two, makecrossrefs; then per
// point: setValue / hold, resetGuesses (or keep the last point's values as
// the start), donle, and the values, activities and compositions of the
// solution.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "calc/ax/activity.h"
#include "calc/ax/phases.h"
#include "calc/equilibrium/assemblage.h"
#include "calc/reactions/integer_algebra.h"
#include "calc/solve/nle.h"
#include "calc/thermo/gibbs.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

// Limits of the quantity list, checked by makecrossrefs.
inline constexpr int kMaxQuantities = 74;  // P, T and the compositional variables; with the modes

// Positions of P and T in the quantity list.
inline constexpr int kPQuantity = 0;
inline constexpr int kTQuantity = 1;

// A normalised step this small counts as no step in the solver's step
// tests, so that only a settled solution stops it.
inline constexpr Real kQuantityStepScale = 1e-9L;

// The ranges that the unknowns map onto [0, 1]. P and T reach well beyond
// any diagram window, so that a line just outside the window is found and
// then refused by the window test rather than lost to the solver. Variables
// with limits in the a-x file use them; variables without use the range
// over which the phase's site fractions can stay non-negative.
struct QuantityRanges {
  Real pLow = 0;  // kbar; P itself stays strictly above it
  Real pHigh = 100;
  Real tLow = 273;  // K
  Real tHigh = 2273;
  Real modeLow = -1;  // modes may leave [0, 1]: the caller judges them
  Real modeHigh = 2;
};

struct CrossRefRequest {
  Real p = 0;  // kbar: the starting value, or the value held
  Real t = 0;  // K
  bool solveP = false;
  bool solveT = false;
  bool modes = false;  // a bulk calculation: one mode per phase, solved
  QuantityRanges ranges;
};

struct EquilibriumSettings {
  GibbsSettings gibbs;       // the run's (phaseDiagram set for mode 1)
  ActivityContext activity;  // io for the bad-site-fraction block
  // infolevel as printLevel, fdaccess as jacobianMode, the step method, the
  // minimisation switch (soft failures) and where messages go
  NleOptions solver;
};

class EquilibriumSystem final : public NleSystem {
 public:
  // reactions: rows over assemblage.run ([1..n]), as the reaction finder
  // returns them; their normalisers are formed here. tables must outlive
  // the system; the starting guesses are read from it by resetGuesses.
  EquilibriumSystem(Io& io, const PhaseTables& tables, Assemblage assemblage,
                    const std::vector<Reaction>& reactions, const EquilibriumSettings& settings);

  // Builds the quantity list with every compositional variable solved and
  // at its phase's starting guess, P and T as asked, modes (when asked) at
  // equal shares; checks the limits of a calculation (fatal, "makecrossrefs").
  void makecrossrefs(const CrossRefRequest& request);

  // ---- the quantity list -------------------------------------------------
  int variableQuantity(int phase, int variable) const;  // -1 unless a solution's
  int modeQuantity(int phase) const;                    // -1 without modes
  void setValue(int quantity, Real value);              // held or starting value
  void hold(int quantity, Real value);                  // held at value
  void release(int quantity);                           // solved for again
  Real value(int quantity) const { return list_[static_cast<std::size_t>(quantity)].value; }
  int unknownCount() const;
  // Solved compositional variables back to their phases' starting guesses,
  // solved modes to equal shares of what the held modes leave.
  void resetGuesses();

  // A pure phase's fixed activity (end-member index), and a mu phase's
  // chemical potential mu + muPerKelvin * T (phase index), for the point.
  void setActivity(int endMember, Real activity);
  void setMu(int phase, Real mu, Real muPerKelvin = 0);

  // ---- bulk composition ---------------------------------------------------
  // Amounts of the assemblage's components (in its component order), and
  // the projection of a rank-deficient system (projectionFor). Adds the
  // mass-balance rows; the modes must have been asked for in makecrossrefs.
  void setBulk(std::span<const Real> bulk, const Projection& projection);
  void clearBulk();
  bool hasBulk() const { return bulk_; }

  // ---- the solver's interface ---------------------------------------------
  int equationCount() const override;
  std::vector<Quantity>& quantities() override { return list_; }
  const StepBounds& stepBounds() const override { return bounds_; }
  // `nlefunc`: residuals at the trial point y (the solved quantities,
  // normalised) and, when jacobian.data is set, their jacobian.
  Evaluation evaluate(std::span<const Real> y, std::span<Real> residuals,
                      MatrixRef jacobian) override;
  Evaluation nlefunc(std::span<const Real> y, std::span<Real> residuals, MatrixRef jacobian) {
    return evaluate(y, residuals, jacobian);
  }
  // The same at the current values of the quantities, into the system's
  // own residual vector (and jacobian when asked).
  Evaluation evaluateAtValues(bool jacobian);

  // ---- results of the last successful evaluation -----------------------------
  const Assemblage& assemblage() const { return assemblage_; }
  const PhaseTables& tables() const { return tables_; }
  const EquilibriumSettings& settings() const { return settings_; }
  int reactionCount() const { return static_cast<int>(normalisers_.size()); }
  // coefficient of end-member e (0-based) in reaction k
  int coefficient(int k, int e) const;
  int normaliser(int k) const { return normalisers_[static_cast<std::size_t>(k)]; }
  Real lnK(int k) const { return lnK_[static_cast<std::size_t>(k)]; }
  // the residuals of the last evaluateAtValues
  std::span<const Real> residuals() const {
    return {residuals_.data(), static_cast<std::size_t>(equationCount())};
  }
  // rows: equations; columns: solved quantities in list order
  MatrixRef lastJacobian() { return {jacobian_.data(), equationCount(), unknownCount()}; }
  Real endMemberG(int e) const { return g_[static_cast<std::size_t>(e)]; }  // kJ, at P, T
  Real rtlna(int e) const { return rtlna_[static_cast<std::size_t>(e)]; }   // RT ln a, kJ
  // the activity table of a solution phase (phase index in the assemblage)
  const ActivityResult& activities(int phase) const;
  // composition of phase j in component c per formula unit of the mode
  // basis, and its derivative by the phase's variable t (bulk calculations)
  Real composition(int phase, int c) const;
  Real compositionDerivative(int phase, int c, int variable) const;
  // the mass-balance residual of projected component row i (0-based, all
  // nc rows, including the last d that must vanish)
  Real massBalance(int row) const { return massBalance_[static_cast<std::size_t>(row)]; }

  // Phase compositions at the variables of the last evaluation: `compcalc`
  // (bulk calculations form them at every evaluation; others may call it
  // after one), and their derivatives `dcompdx` (after an evaluation with
  // the jacobian).
  void compcalc();
  void dcompdx();

  NleWorkspace& workspace() { return workspace_; }

  // What donle does (below).
  NleResult solve(Io& io, const NleOptions& options);

 private:
  Quantity& quantityAt(int quantity);  // fatal outside the list
  NleResult solveWith(Io& io, const NleOptions& options);
  void refreshColumns();
  void buildStepBounds();
  void unscale(std::span<const Real> y);
  bool admissible(std::span<const Real> y) const;
  bool siteFractionsOk();
  bool activitiesOk(unsigned what);
  void gibbsEnergies(bool derivatives);
  void reactionResiduals(std::span<Real> residuals, MatrixRef jacobian);
  bool massBalanceRows(std::span<Real> residuals, MatrixRef jacobian);
  void checkShape() const;
  void printQuantityLines();
  void printFailed();
  void printLnK();
  void fdcheck1();
  void printCompositions();
  Real& dcomp(int phase, int c, int variable);
  Real dcomp(int phase, int c, int variable) const;

  Io& io_;
  const PhaseTables& tables_;
  Assemblage assemblage_;
  EquilibriumSettings settings_;
  NleOptions active_;  // the solver options of the solve under way

  // reactions, sparse: terms [start[k], start[k + 1]) of (end-member, nu)
  std::vector<int> reactionStart_, reactionMember_, reactionNu_;
  std::vector<int> normalisers_;
  std::vector<Real> amount_;  // [e][c]: amount of component c in end-member e

  std::vector<Quantity> list_;
  std::vector<int> firstVariable_;  // per phase: quantity of variable 0, -1 unless a solution
  std::vector<int> mode_;           // per phase: quantity of its mode, -1 without modes
  std::vector<int> column_;         // per quantity: its jacobian column, -1 when held
  int unknowns_ = 0;
  StepBounds bounds_;

  // bulk
  bool bulk_ = false;
  std::vector<Real> bulkAmounts_;
  Projection projection_;

  // per-evaluation state, sized once
  std::vector<Real> x_;                   // per quantity
  std::vector<ActivityResult> activity_;  // per phase (solutions only used)
  ActivityResult scratch_;                // for the finite-difference checks
  std::vector<Real> g_, dgdT_, dgdP_;     // per end-member
  std::vector<Real> rtlna_;               // per end-member
  Real gP_ = -1, gT_ = -1;                // where g_ was formed
  bool gDerivatives_ = false;             // and dgdT_, dgdP_ with it
  std::vector<Real> lnK_;
  std::vector<Real> comp_;       // [phase][c]
  std::vector<Real> dcomp_;      // [phase][c][variable]
  std::vector<Real> projected_;  // [phase][row]: M times the phase's composition
  std::vector<Real> massBalance_;
  std::vector<Real> residuals_;  // of evaluateAtValues
  std::vector<Real> jacobian_;   // copy of the last jacobian
  std::vector<Real> yNow_;
  std::vector<Real> saved_;  // values before a refining solve
  NleWorkspace workspace_;
};

// `donle`: solves the system from the current values of its quantities with
// the settings' solver options (or the options given), in the system's own
// workspace, so that repeated solves allocate nothing. A converged point is
// refined by further solves from it while they lower the largest residual
// (the solver's own tests accept residuals near 1e-6 kJ). On return the
// solved quantities hold the last iterate (the solution for code 0) and the
// system's tables (activities, ln K, compositions) describe that point.
// Without equations nothing is iterated and the code is 9; without unknowns
// the point is only evaluated: 0 when its residuals vanish (1e-8), else 1.
NleResult donle(EquilibriumSystem& system, Io& io);
NleResult donle(EquilibriumSystem& system, Io& io, const NleOptions& options);

}  // namespace pf
