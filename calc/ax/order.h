// The state of order of a solution with order parameters: `calcq` solves
// the internal equilibria of the phase for its order variables, `findlegalq`
// finds starting values at which every site fraction is positive. Also the
// helpers that hand a phase's site fractions and variable limits to the
// solver.
#pragma once

#include <span>
#include <vector>

#include "calc/ax/activity.h"
#include "calc/ax/phases.h"
#include "calc/solve/nle.h"
#include "calc/thermo/gibbs.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kLegalQAttempts = 201;

// The range a variable may take: its limits when the file gave them,
// otherwise the range over which the variable limits of the phase stay
// non-negative with the variables that are not order parameters held at x
// (an open side falls back to -1 or 1).
struct Range {
  Real low = -1;
  Real high = 1;
};
Range variableRange(const SolutionPhase& phase, int variable, std::span<const Real> x);

// The phase's site fractions and variable limits in the solver's terms, with
// the phase's variable t at position firstQuantity + t of the quantity list.
void appendStepBounds(const SolutionPhase& phase, int firstQuantity, StepBounds& bounds);

// Independent reactions among the end-members of a phase, from their records
// (integer coefficients, one row per reaction, one column per end-member).
std::vector<std::vector<int>> phaseReactions(const SolutionPhase& phase);

// Inputs of the internal-equilibrium solve.
struct OrderSettings {
  GibbsSettings gibbs;
  NleOptions solver;
  ActivityContext activity;
};

// Solves the order variables of phase at P and T, its other variables held
// at their guesses; on success they become the phase's guesses. Needs the
// end-member records (makeemtd). Bombs ("calcq") when the number of
// independent reactions is not the number of order variables.
struct CalcqResult {
  bool solved = false;
  int code = kShouldntGetHere;  // the solver's termination code
  Real largestAffinity = 0;     // |sum nu (G + RT ln a)| over the reactions, kJ
};
CalcqResult calcq(Io& io, SolutionPhase& phase, Real p, Real t, const OrderSettings& settings);

// Legal starting order: keeps the guesses when every site fraction is
// positive, otherwise draws the order variables within their ranges, up to
// 201 attempts. With solve set, a legal attempt is followed by calcq at P, T
// and the attempts go on until calcq succeeds. A phase without order
// variables is an internal fault.
struct LegalQResult {
  bool found = false;
  bool randomised = false;  // the file's guesses were replaced by drawn ones
  int attempts = 0;
};
LegalQResult findlegalq(Io& io, SolutionPhase& phase, WichmannHill& random);
LegalQResult findlegalq(Io& io, SolutionPhase& phase, WichmannHill& random, Real p, Real t,
                        const OrderSettings& settings);

}  // namespace pf
