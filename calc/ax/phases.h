// The phase tables: what the a-x file says about every phase the calculator
// may use. `setupphases` (axfile.h) fills them once per pass; everything
// later (the end-member choice, the equilibrium equations, pseudosections,
// average P-T) only reads them, apart from the starting guesses, which the
// state-of-order routines write back.
//
// Every index in these tables runs from 0: solutions[0] is the first solution
// of the file, endMembers[0] the first end-member of a phase, variables[0]
// its first compositional variable x1. Positions that may be absent are -1.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "calc/thermo/endmember.h"
#include "common/numbers.h"
#include "common/real.h"

namespace pf {

// Limits of the tables, each checked with the system's own message.
inline constexpr int kMaxPhases = 200;              // pure and solution phases together
inline constexpr int kMaxSolutions = 60;            // solution phases
inline constexpr int kMaxRegressionSolutions = 56;  // room left by the regression's placeholders
inline constexpr int kRegressionPlaceholders = 4;   // "blah" phases put in front by `readax`
inline constexpr int kMaxPhaseEndMembers = 15;      // end-members of one solution
inline constexpr int kMaxPhaseVariables = 14;       // compositional variables of one solution
inline constexpr int kMaxInteractions = 105;        // n(n-1)/2 for 15 end-members
inline constexpr int kMaxPhaseSiteFractions = 18;   // site fractions of one solution
inline constexpr int kMaxTmfFactors = 8;           // site-fraction factors of one ideal-mixing term
inline constexpr int kMaxMakeTerms = 6;            // dataset end-members combined by one `make`
inline constexpr int kMaxSxTerms = 24;             // sxterms in one expression
inline constexpr int kMaxXTerms = 3;               // xterms in one sxterm
inline constexpr int kMaxVariableTerms = 9;        // variable terms in one xterm
inline constexpr int kMaxPhaseVariableLimits = 8;  // variable limits kept for one phase

inline constexpr Real kNoVariableLimit = 1e20L;  // the limits of a variable without `range`
inline constexpr Real kDefaultGuessSd = 0.01L;   // uncertainty of a guess without `sd`

// ---- expressions --------------------------------------------------------

// m * x[variable]; the rational is kept as written, its value beside it.
struct VariableTerm {
  int variable = 0;  // 0-based index among the phase's variables
  Rational multiplier{1, 1};
  Real m = 1;  // multiplier as a real
};

// c + sum of the variable terms: a linear factor.
struct XTerm {
  Rational constant{0, 1};
  Real c = 0;  // constant as a real
  std::vector<VariableTerm> terms;
};

// factor times the product of its xterms (1 to 3).
struct SxTerm {
  Real factor = 1;
  std::vector<XTerm> xterms;
};

// A site fraction or proportion as a function of the phase's variables: the
// sum of its sxterms. An sxterm whose factor is exactly 0 counts for nothing.
struct AxExpression {
  std::vector<SxTerm> sxterms;
};

Real xtermValue(const XTerm& xterm, std::span<const Real> x);
Real expressionValue(const AxExpression& expression, std::span<const Real> x);
// d expression / d x[variable], as an expression of the same form (product
// rule over the xterms of each sxterm).
AxExpression differentiate(const AxExpression& expression, int variable);
// A rational and its value, normalised to a positive denominator.
Rational normalised(Rational r);
inline Real rationalValue(Rational r) {
  return static_cast<Real>(r.numerator) / r.denominator;
}

// ---- solutions ----------------------------------------------------------

struct Variable {
  std::string name;
  Real guess = 0;             // starting value; written back by calcq and findlegalq
  Real sd = kDefaultGuessSd;  // uncertainty of the guess
  Real lower = -kNoVariableLimit;
  Real upper = kNoVariableLimit;
  bool order = false;  // an order parameter (`isQ`, or a name starting with Q or N)
  bool hasDefaultLimits() const { return lower == -kNoVariableLimit && upper == kNoVariableLimit; }
};

// A named expression with its partial derivatives, one per variable.
struct NamedExpression {
  std::string name;
  AxExpression value;
  std::vector<AxExpression> derivative;  // [variable]
};

// One factor of an ideal-mixing term: a site fraction raised to a power.
struct TmfFactor {
  int siteFraction = 0;  // 0-based index among the phase's site fractions
  Rational power{1, 1};
  Real powerValue = 1;
};

// `make`: dataset end-members combined with numerators over one denominator.
struct MakeTerm {
  std::string name;   // a dataset end-member
  int numerator = 0;  // coefficient = numerator / denominator
};
struct MakeList {
  int count = 0;  // 0: a plain dataset end-member; -1: `thermo` (pure phases); 1..6: made
  int denominator = 1;
  std::vector<MakeTerm> terms;
  bool made() const { return count > 0; }
  Real coefficient(int k) const {
    return static_cast<Real>(terms[static_cast<std::size_t>(k)].numerator) / denominator;
  }
};

// Increment a + bT + cP of an end-member's Gibbs energy.
struct Dqf {
  Real a = 0;
  Real b = 0;
  Real c = 0;
  bool given = false;
};

struct AxEndMember {
  std::string name;  // the dataset end-member it stands for, unless made
  Real normalisation = 1;
  bool normalisationRational = false;  // written as a rational
  std::vector<TmfFactor> tmf;          // the ideal-mixing term
  int multiplicity = 1;                // largest power, rounded, at least 1
  MakeList make;
  int checkDenominator = 0;  // 0: no pure end-member composition given
  std::vector<int> check;    // numerators, one per variable
  bool landau = true;        // cleared by `unlandau`
  bool makeordered = true;   // cleared by `makeordered`
  Dqf dqf;
  Real z1 = 0;  // ion charges of a charged compound
  Real z2 = 0;
  bool excluded = false;
  Fluid fluid = Fluid::none;  // species of a fluid or aqueous phase

  // Formed from the end-member's constituents among the other end-members
  // of its phase: its activity is the product of theirs raised to these
  // multipliers (empty when the end-member is independent).
  struct Constituent {
    int endMember = 0;
    Real multiplier = 0;
  };
  std::vector<Constituent> dependsOn;

  // Filled by `makeemtd` from the dataset: the data the end-member uses
  // inside its phase (made, DQF and order switches in effect).
  EndMember record;
  bool hasRecord = false;
  bool aqueousSolute = false;  // its record has an aqueous heat-capacity term
};

// W = a + bT + cP of the pair (i, j), i < j (kJ).
struct Interaction {
  int i = 0;
  int j = 0;
  std::string name;
  Real a = 0;
  Real b = 0;
  Real c = 0;
  Real sd = 0;
  bool sdDefaulted = true;  // no `sd` in the file
};

// alpha = a + bT + cP of the asymmetric model.
struct SizeParameter {
  std::string name;
  Real a = 1;
  Real b = 0;
  Real c = 0;
};

enum MixingModel { kIdealMixing = 0, kSymmetricMixing = 1, kAsymmetricMixing = 2 };

// constant + sum of m[k] * x[variable[k]] >= 0, over the phase's variables.
struct VariableLimit {
  Real constant = 0;
  int count = 0;
  std::array<Real, kMaxVariableTerms> m{};
  std::array<int, kMaxVariableTerms> variable{};
  Real value(std::span<const Real> x) const;
};

// The expressions of a phase laid out flat for fast evaluation: one stream
// evaluates a list of expressions into consecutive outputs.
struct FlatExpressions {
  int count = 0;           // expressions in the stream
  std::vector<int> shape;  // per expression: sxterms; per sxterm: xterms; per xterm: terms, indices
  std::vector<Real> numbers;  // per sxterm: factor; per xterm: constant, multipliers
  // The same numbers in double precision, used when every one of them is
  // exactly a double (halves, quarters, whole numbers: the usual case), since
  // loading an extended real costs far more than loading a double.
  std::vector<double> exactNumbers;
  bool exact = true;
  void append(const AxExpression& expression);
  // Output e goes to out[(e / perRow) * stride + e % perRow]: rows of a
  // wider table (perRow = stride for consecutive outputs).
  void evaluate(const Real* x, Real* out, int perRow = 1, int stride = 1) const;
};
struct CompiledPhase {
  FlatExpressions siteFractions;          // s values
  FlatExpressions siteDerivatives;        // s * nv values, [k][t]
  FlatExpressions proportions;            // n values
  FlatExpressions proportionDerivatives;  // n * nv values, [l][t]
  // the interactions of each end-member l: entries pairStart[l] to
  // pairStart[l + 1] - 1 of pairIndex (the interaction) and pairOther (the
  // other end-member of the pair)
  std::vector<int> pairStart, pairIndex, pairOther;
};

struct SolutionPhase {
  std::string name;
  std::vector<AxEndMember> endMembers;       // n
  std::vector<Variable> variables;           // n - 1
  std::vector<NamedExpression> proportions;  // n, proportion of each end-member
  MixingModel model = kIdealMixing;
  std::vector<Interaction> interactions;  // pairs in the order (1,2), (1,3) ... (n-1,n)
  std::vector<SizeParameter> sizes;       // n, asymmetric model only
  std::vector<NamedExpression> siteFractions;
  bool hasOrder = false;  // any variable is an order parameter
  bool fluid = false;     // name begins with "fluid"
  bool aqueous = false;   // name begins with "aq"
  int h2o = -1;           // end-members named "H2O" and "CO2"
  int co2 = -1;
  std::vector<VariableLimit> limits;  // keep the site fractions non-negative
  CompiledPhase compiled;

  int endMemberCount() const { return static_cast<int>(endMembers.size()); }
  int variableCount() const { return static_cast<int>(variables.size()); }
  int siteFractionCount() const { return static_cast<int>(siteFractions.size()); }
  // The starting guesses as a vector of variable values.
  std::vector<Real> guesses() const;
  int findEndMember(const std::string& endMemberName) const;  // -1 when absent
  int findVariable(const std::string& variableName) const;    // -1 when absent
};

// Forms phase.compiled from the expressions and the interaction pairs; a
// caller that changes either after the set-up calls it again.
void compilePhase(SolutionPhase& phase);

// ---- pure phases --------------------------------------------------------

struct PurePhase {
  std::string name;
  std::string endMember;  // the dataset end-member, the phase's own name unless given
  Real activity = 1;      // fixed activity
  Real sdActivity = 0;
  bool landau = true;
  bool makeordered = true;
  Dqf dqf;
  MakeList make;
  Real z1 = 0;
  Real z2 = 0;
  // Three per-phase values kept with every pure phase for the calculations
  // that read them; the first may be replaced per phase by a script item.
  std::array<Real, 3> defaults{-1.0L, 0.6666667L, 0.1666667L};

  EndMember record;  // filled by `makeemtd`
  bool hasRecord = false;
};

// ---- the tables ---------------------------------------------------------

// A phase of the file: a solution or a pure phase, by index.
struct PhaseRef {
  bool solution = false;
  int index = 0;
};

// Monte Carlo uncertainty of one a-x parameter, named by the script's `mc`.
struct McParameter {
  bool solution = false;
  int phase = 0;
  int parameter = 0;  // interaction index; for a DQF, the end-member index
  bool dqf = false;
  char abc = 'a';
  Real sd = 0;
};

// Uniform random numbers, algorithm AS 183 (three multiplicative congruential
// generators summed modulo 1). The state lives with the phase tables.
struct WichmannHill {
  int s1 = 1;
  int s2 = 10000;
  int s3 = 3000;
  Real next();  // in (0, 1)
};

struct PhaseTables {
  std::vector<SolutionPhase> solutions;
  std::vector<PurePhase> pures;
  std::vector<PhaseRef> fileOrder;  // every phase in the order of the file
  std::vector<McParameter> monteCarlo;
  std::string fileName;  // the a-x file read
  WichmannHill random;   // carried over from one set-up to the next

  int phaseCount() const { return static_cast<int>(fileOrder.size()); }
  int solutionCount() const { return static_cast<int>(solutions.size()); }
  int pureCount() const { return static_cast<int>(pures.size()); }
  int findSolution(const std::string& name) const;  // -1 when absent
  int findPure(const std::string& name) const;      // -1 when absent
  const std::string& phaseName(const PhaseRef& ref) const {
    return ref.solution ? solutions[static_cast<std::size_t>(ref.index)].name
                        : pures[static_cast<std::size_t>(ref.index)].name;
  }
};

// A species named as a charged ion: its last character is '+' or '-'; the
// charge is the number of those characters at its end.
bool isCharged(const std::string& name);
int chargeOf(const std::string& name);

}  // namespace pf
