#include "calc/ax/fluid_species.h"

#include <algorithm>

namespace pf {

namespace {

// Species of the van Laar fluid. The co-volumes are b = R Tc / (8 Pc) from
// the critical constants of the species' own fluid models (H2O, CO2 and O2
// from the standard critical points).
constexpr std::array<FluidSpecies, kFluidSpecies> kSpecies = {{
    {"H2O", true, 3.0481L},
    {"CO2", true, 4.2847L},
    {"CH4", true, 4.3063L},
    {"CO", true, 3.9464L},
    {"H2", true, 2.0293L},
    {"O2", false, 3.1857L},
    {"H2S", true, 4.3434L},
    {"S2", true, 3.3725L},
}};

// Pair values w (kJ^2/kbar), upper triangle in table order. H2O-CO2 is the
// published value of the volume-scaled van Laar model of that binary; the
// others come from van Laar's own theory, w = b_i b_j (sqrt(a_i)/b_i -
// sqrt(a_j)/b_j)^2 / 2 with the van der Waals a and b of the critical
// constants, every pair with H2O scaled by the one factor that brings the
// theory's H2O-CO2 value onto the published one. They are defaults, not fits.
constexpr Real kPairs[kFluidSpecies][kFluidSpecies] = {
    //  H2O   CO2     CH4     CO      H2      O2      H2S     S2
    {0, 10.5L, 17.517L, 19.683L, 13.339L, 11.954L, 7.920L, 7.354L},  // H2O
    {0, 0, 0.813L, 1.631L, 1.874L, 0.408L, 0.186L, 0.025L},          // CO2
    {0, 0, 0, 0.172L, 0.565L, 0.019L, 1.797L, 0.916L},               // CH4
    {0, 0, 0, 0, 0.189L, 0.238L, 2.890L, 1.648L},                    // CO
    {0, 0, 0, 0, 0, 0.549L, 2.806L, 1.749L},                         // H2
    {0, 0, 0, 0, 0, 0, 1.030L, 0.493L},                              // O2
    {0, 0, 0, 0, 0, 0, 0, 0.051L},                                   // H2S
    {0, 0, 0, 0, 0, 0, 0, 0},                                        // S2
};

constexpr std::array<std::string_view, kFluidAqueousNames> kNames = {
    "H2O",   "CO2",    "CO",  "CH4",   "O2",    "H2",   "H2S",   "S2",    "H+",
    "Cl-",   "OH-",    "Na+", "K+",    "Ca++",  "Mg++", "Fe++",  "Al+++", "CO3--",
    "AlOH3", "AlOH4-", "KOH", "HCl",   "KCl",   "NaCl", "CaCl2", "CaCl+", "MgCl2",
    "MgCl+", "FeCl2",  "HS-", "HSO3-", "SO42-", "HSO4-"};

}  // namespace

const std::array<FluidSpecies, kFluidSpecies>& fluidSpeciesTable() {
  return kSpecies;
}

int fluidSpeciesIndex(std::string_view name) {
  for (int k = 0; k < kFluidSpecies; ++k)
    if (kSpecies[static_cast<std::size_t>(k)].name == name) return k;
  return -1;
}

Real fluidPairValue(int i, int j) {
  if (i < 0 || j < 0 || i >= kFluidSpecies || j >= kFluidSpecies) return 0;
  return kPairs[std::min(i, j)][std::max(i, j)];
}

const std::array<std::string_view, kFluidAqueousNames>& fluidAqueousNames() {
  return kNames;
}

bool isFluidAqueousName(std::string_view name) {
  return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

}  // namespace pf
