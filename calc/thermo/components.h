// A formula as amounts of the oxide-table components: what the lists show,
// what the end-member choice builds its composition matrix from, and what
// the equilibrium equations weigh phase compositions in.
#pragma once

#include <array>

#include "calc/settings/oxides.h"
#include "calc/thermo/endmember.h"
#include "common/real.h"

namespace pf {

// Formula element numbers are oxide-table rows.
static_assert(kOxideCount == kElementCount);

// Amounts per formula unit, by oxide-table row (index 0 unused).
using ComponentAmounts = std::array<Real, kOxideCount + 1>;

// Atoms of the row's element in one oxide formula (its cation count: one Si
// per SiO2, two Al per Al2O3, two electrons per O2-); 1 for the oxygen row,
// whose oxide has no cation.
int componentDivisor(const Oxide& oxide);

// Each row's amount is its element's atoms divided by the row's divisor. The
// oxygen row holds only the oxygen that the other components' oxides do not
// account for, so that a formula written in oxides needs no oxygen column:
// Mg2SiO4 is 2 MgO + SiO2 and 0 O, Fe2O3 is 2 FeO + 1 O, graphite is CO2 - 2 O.
ComponentAmounts componentAmounts(const EndMember& em, const OxideTable& oxides);

// An amount this small is none: the oxygen row is a difference of reals.
inline constexpr Real kNoAmount = 1e-9L;
inline bool holdsAmount(Real amount) {
  return amount > kNoAmount || amount < -kNoAmount;
}

}  // namespace pf
