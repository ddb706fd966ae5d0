// The fluid species the calculator knows by name: the built-in table of the
// C-O-H-S fluid's van Laar mixing, and the list of fluid and aqueous species
// that only fluid and aqueous phases may use.
#pragma once

#include <array>
#include <string_view>

#include "common/real.h"

namespace pf {

inline constexpr int kFluidSpecies = 8;

struct FluidSpecies {
  std::string_view name;
  bool implemented;  // O2 is listed but has no fluid model
  Real covolume;     // van der Waals b = R Tc / (8 Pc), kJ/kbar: a static size for print-outs
};

// In table order: H2O, CO2, CH4, CO, H2, O2, H2S, S2.
const std::array<FluidSpecies, kFluidSpecies>& fluidSpeciesTable();
// Position in the table, or -1.
int fluidSpeciesIndex(std::string_view name);
// w of the pair (kJ^2/kbar): W = w (1/V_i + 1/V_j) with the species' volumes.
Real fluidPairValue(int i, int j);

// The hard-wired H2O-CO2 value of aqueous phases (kJ^2/kbar).
inline constexpr Real kH2oCo2PairValue = 10.5L;

// The 33 names of fluid and aqueous species that other solutions may not use.
inline constexpr int kFluidAqueousNames = 33;
const std::array<std::string_view, kFluidAqueousNames>& fluidAqueousNames();
bool isFluidAqueousName(std::string_view name);

}  // namespace pf
