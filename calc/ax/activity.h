// Activities of the end-members of a solution, and the derivatives of
// RT ln a that the equilibrium equations need for their jacobian.
//
// `calca` works on one phase at a time and writes into a caller-owned
// ActivityResult of fixed size, so that a solver iteration allocates
// nothing: keep one result per phase of the calculation and reuse it.
//
// Units: T in K, P in kbar, energies in kJ, R = 0.0083144 kJ/K/mol.
#pragma once

#include <array>
#include <span>

#include "calc/ax/phases.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

// What `calca` is asked for besides the activities.
inline constexpr unsigned kCompositionDerivatives = 1;  // d(RT ln a)/dx, dsf/dx, dp/dx
inline constexpr unsigned kTPDerivatives = 2;           // d(RT ln a)/dT and /dP
inline constexpr unsigned kAllDerivatives = kCompositionDerivatives | kTPDerivatives;

// Outputs, indexed by end-member l, variable t, site fraction k, pair k; only
// the first n, nv, s entries of each are meaningful.
struct ActivityResult {
  int n = 0;                                          // end-members
  int nv = 0;                                         // variables
  int ns = 0;                                         // site fractions
  std::array<Real, kMaxPhaseEndMembers> a{};          // activity
  std::array<Real, kMaxPhaseEndMembers> ideal{};      // ideal-mixing activity
  std::array<Real, kMaxPhaseEndMembers> rtlngamma{};  // RT ln gamma (kJ)
  // d(RT ln a_l)/dx_t, /dT (kJ/K) and /dP (kJ/kbar)
  std::array<std::array<Real, kMaxPhaseVariables>, kMaxPhaseEndMembers> dx{};
  std::array<Real, kMaxPhaseEndMembers> dT{};
  std::array<Real, kMaxPhaseEndMembers> dP{};
  // the working values, for callers that need them too
  std::array<Real, kMaxPhaseSiteFractions> sf{};
  std::array<std::array<Real, kMaxPhaseVariables>, kMaxPhaseSiteFractions> dsf{};
  std::array<Real, kMaxPhaseEndMembers> p{};  // proportions
  std::array<std::array<Real, kMaxPhaseVariables>, kMaxPhaseEndMembers> dp{};
  std::array<Real, kMaxPhaseEndMembers> alpha{};  // size parameters in use (asymmetric)
  std::array<Real, kMaxInteractions> w{};         // interaction values in use
  // their slopes in T and P
  std::array<Real, kMaxPhaseEndMembers> alphaT{}, alphaP{};
  std::array<Real, kMaxInteractions> wT{}, wP{};
};

// Run-wide inputs of the activity calculation: the fluid-species volumes of
// fluid and aqueous phases come from the dataset's fluid models, and the
// diagnostic block of a bad site fraction goes to io. io may be null in
// callers that have no console (the block is then not written).
struct ActivityContext {
  Io* io = nullptr;
  bool ds6 = false;  // Pitzer-Sterner H2O and CO2
};

// Activities of the end-members of phase at the variable values x, P and T.
// A site fraction in an ideal-mixing term that is not positive stops the run
// ("calca", "negative sf term") after the diagnostic block; so does an
// ideal-mixing activity that is not positive ("ln <= 0").
void calca(const SolutionPhase& phase, std::span<const Real> x, Real p, Real t, unsigned what,
           const ActivityContext& context, ActivityResult& result);

// The site fractions only, into sf (at least phase.siteFractionCount()).
void siteFractions(const SolutionPhase& phase, std::span<const Real> x, std::span<Real> sf);
// True when every site fraction of the phase is positive at x.
bool siteFractionsPositive(const SolutionPhase& phase, std::span<const Real> x);

// The diagnostic block written before "negative sf term": the variables, the
// site fractions and, when endMember >= 0, the faulty factor.
void negativeSfReport(Io& io, const SolutionPhase& phase, std::span<const Real> x, int endMember,
                      int factor);

// The activity of an end-member formed from other end-members of its phase
// (AxEndMember::dependsOn): the product of their activities raised to their
// multipliers. In the regression it must lie strictly between 0 and 1 (else
// "dependent end-member activity not between 0 and 1", after a listing);
// "messed up make a" when a constituent's activity is not positive.
Real dependentActivity(Io* io, const SolutionPhase& phase, int endMember,
                       const ActivityResult& result, bool regression);

// Ideal-mixing activity of one end-member: the normalisation constant times
// its site fractions raised to their powers (a power of 1 multiplies, integer
// powers multiply repeatedly, 1/2 takes the square root, others exp(r ln sf)).
Real idealActivity(const AxEndMember& endMember, std::span<const Real> sf);

}  // namespace pf
