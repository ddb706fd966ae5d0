#include "calc/settings/oxides.h"

namespace pf {

OxideTable makeOxideTable() {
  return OxideTable{{
      {"Si", "SiO2", 60.08L, 1, 2, 3, true},    {"Ti", "TiO2", 79.88L, 1, 2, 10, true},
      {"Al", "Al2O3", 101.96L, 2, 3, 4, true},  {"Fe", "FeO", 71.85L, 1, 1, 7, true},
      {"Mg", "MgO", 40.3L, 1, 1, 6, true},      {"Mn", "MnO", 70.94L, 1, 1, 11, true},
      {"Ca", "CaO", 56.08L, 1, 1, 5, true},     {"Na", "Na2O", 61.98L, 2, 1, 9, true},
      {"K", "K2O", 94.2L, 2, 1, 8, true},       {"O", "O", 16.0L, 0, 1, 12, true},
      {"H", "H2O", 18.015L, 2, 1, 1, true},     {"C", "CO2", 44.01L, 1, 2, 2, true},
      {"Cl", "Cl2O", 86.9L, 2, 1, 13, true},    {"e", "O2-", 16.0L, 2, 1, 15, true},
      {"Ni", "NiO", 74.69L, 1, 1, 16, true},    {"Zr", "ZrO2", 123.22L, 1, 2, 17, true},
      {"S", "SO2", 64.06L, 1, 2, 14, true},     {"Cu", "CuO", 79.55L, 1, 1, 18, true},
      {"Cr", "Cr2O3", 151.99L, 2, 3, 19, true},
  }};
}

}  // namespace pf
