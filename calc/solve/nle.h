// The nonlinear equation solver: a damped Gauss-Newton iteration in the
// least-squares sense, with a line search (the "steplength algorithm") or a
// trust region, that keeps every bounded quantity inside its range and every
// tracked site fraction positive.
//
// A caller describes its equations through NleSystem (residuals, optionally
// an analytical jacobian), its unknowns through a list of Quantity, and the
// expressions that must stay positive through StepBounds; settings go in
// NleOptions. The solver works on the solved quantities only, in list order,
// in their normalised form y = scale * x + offset, where the allowed range of
// each quantity is [0, 1].
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "calc/solve/svd.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

// Sizes the solver checks the caller's tables against.
inline constexpr int kMaxTrackedSiteFractions = 30;
inline constexpr int kMaxVariableLimits = 36;
inline constexpr int kMaxSiteFractionTerms = 24;  // product terms in one site fraction
inline constexpr int kMaxLinearFactors = 3;       // linear factors in one product term
inline constexpr int kMaxFactorTerms = 9;         // variables in one linear factor

// Bound rule of a quantity in normalised form: 4 keeps y strictly inside
// (0 < y, y < 1); any other code allows the bound itself.
inline constexpr int kStrictBound = 4;

struct Quantity {
  std::string name;     // for print-outs
  Real value = 0;       // x, in the caller's units (T in K)
  bool solved = false;  // solved for, or held at value
  Real scale = 1;       // y = scale * x + offset maps the allowed range onto [0, 1]
  Real offset = 0;
  Real stepScale = 1;  // a step of this size in y counts as 1 in the step tests
  int lowerRule = 0;   // bound rule codes (kStrictBound or other)
  int upperRule = 0;
  bool shownInCelsius = false;  // a temperature, printed as x - 273
};

// c + sum of multiplier[k] * x[quantity[k]] over the first `count` terms,
// with quantity[k] an index into the quantity list (held or solved).
struct LinearForm {
  Real constant = 0;
  int count = 0;
  std::array<Real, kMaxFactorTerms> multiplier{};
  std::array<int, kMaxFactorTerms> quantity{};
};

// factor times the product of `count` linear forms (1 to 3).
struct ProductTerm {
  Real factor = 1;
  int count = 0;
  std::array<LinearForm, kMaxLinearFactors> factors{};
};

// A site fraction as a sum of product terms: along a straight step it is a
// polynomial of degree at most 3, whose first zero bounds the step.
struct SiteFraction {
  std::string name;
  std::vector<ProductTerm> terms;
};

// What bounds a step besides the quantities' own ranges: the site fractions
// to keep positive and the variable limits (linear forms to keep >= 0).
struct StepBounds {
  std::vector<SiteFraction> siteFractions;
  std::vector<LinearForm> variableLimits;
};

enum class Evaluation { ok, failed, divideByZero };

// The equations. `evaluate` gets the normalised solved unknowns y (list
// order), fills the residuals and, when jacobian.data is not null, the
// jacobian d r_i / d y_j (rows: equations, columns: solved unknowns). It
// returns failed for an inadmissible trial point, and divideByZero when the
// jacobian cannot be formed there.
class NleSystem {
 public:
  virtual ~NleSystem() = default;
  virtual int equationCount() const = 0;
  virtual std::vector<Quantity>& quantities() = 0;
  virtual const StepBounds& stepBounds() const = 0;
  virtual bool hasJacobian() const { return true; }
  virtual Evaluation evaluate(std::span<const Real> y, std::span<Real> residuals,
                              MatrixRef jacobian) = 0;
  // Further quantities of the calculation, listed after the unknowns when
  // the solver reports a failure.
  virtual int extraCount() const { return 0; }
  virtual std::string extraName(int) const { return {}; }
  virtual Real extraValue(int) const { return 0; }
};

struct NleOptions {
  int printLevel = 1;             // infolevel 0..4
  int jacobianMode = 0;           // fdaccess: 0 analytical, 1 compared, 2 finite differences
  bool lineSearch = true;         // steplength algorithm; otherwise trust region
  bool minimising = false;        // inside Gibbs energy minimisation: soft failures
  unsigned mask = kToConsoleLog;  // where the solver's messages go
};

// Termination codes.
inline constexpr int kConverged = 0;
inline constexpr int kStepTooSmall = 1;
inline constexpr int kTooManyIterations = 2;
inline constexpr int kJacobianSingular = 3;
inline constexpr int kNoInterval = 4;
inline constexpr int kNoValueInInterval = 5;
inline constexpr int kNotReducedAtBoundary = 6;
inline constexpr int kSlimTooSmall = 7;
inline constexpr int kCouldNotStart = 9;
inline constexpr int kShouldntGetHere = 10;

struct NleResult {
  int code = kShouldntGetHere;
  int iterations = 0;
  int evaluations = 0;         // calls of NleSystem::evaluate
  bool rankDeficient = false;  // the last decomposition dropped a singular value
  Real sumOfSquares = 0;       // f = half the sum of squared residuals at the point returned
  Real maxResidual = 0;        // (both 0 when the solver could not start)
};

// The reason line for a code (without its indent); for 0, the convergence
// test that held: "esize", "fsize" or "dxconverge".
std::string nleReason(int code, bool esize, bool fsize);

// Storage for one solve, sized at the start of each call and reusable across
// calls, so that the iterations allocate nothing. A solve started from inside
// another's evaluation needs a workspace of its own.
struct NleWorkspace {
  std::vector<int> solved;  // quantity index of each unknown
  std::vector<Real> y, yTrial, weight, step;
  std::vector<Real> residuals, trialResiduals, fdResiduals;
  std::vector<Real> jacobian, fdJacobian, u, sigma, v, projected, jstep;
  std::vector<Real> x, xRate, poly;  // per quantity; 4 per site fraction
  void prepare(int equations, int unknowns, int quantityCount, int siteFractions);
};

// Solves the system from the current values of its quantities; on return
// the solved quantities hold the last iterate (the solution for code 0), and
// the system's last evaluation was at that point (except for code 9).
NleResult nle(NleSystem& system, const NleOptions& options, Io& io, NleWorkspace& workspace);
NleResult nle(NleSystem& system, const NleOptions& options, Io& io);

}  // namespace pf
