// Thermodynamics of a reaction between end-members: the standard Gibbs
// energy change with its forward-difference slopes (`calcdg0`), the activity
// term ln K (`calclnk`), and the two together at a point.
#pragma once

#include <span>

#include "calc/thermo/endmember.h"
#include "calc/thermo/gibbs.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr Real kReactionDp = 0.00001L;  // kbar
inline constexpr Real kReactionDt = 0.001L;    // K

struct ReactionThermo {
  Real dg = 0;    // kJ
  Real dgdp = 0;  // kJ/kbar, the reaction volume
  Real dgdt = 0;  // kJ/K, minus the reaction entropy
};

// End-members, coefficients and activities are indexed from 1 (index 0 is
// unused), one per end-member of the run; a coefficient of 0 leaves the
// end-member out of the reaction.
ReactionThermo calcdg0(Io& io, std::span<const EndMember> em, std::span<const int> nu, Real p,
                       Real t, const GibbsSettings& settings);
Real calclnk(std::span<const EndMember> em, std::span<const int> nu, std::span<const Real> activity,
             Real xco2, Real xh2o);
// Puts x(CO2) and x(H2O) into the reaction's end-members, then returns
// dG + RT ln K, its P slope, and its T slope plus R ln K.
ReactionThermo reactionAtPoint(Io& io, std::span<EndMember> em, std::span<const int> nu,
                               std::span<const Real> activity, Real xco2, Real xh2o, Real p, Real t,
                               const GibbsSettings& settings);

}  // namespace pf
