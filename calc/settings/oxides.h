// The 19 elements and oxides the calculator knows, with their molar masses.
#pragma once

#include <array>
#include <string>

#include "common/real.h"

namespace pf {

inline constexpr int kOxideCount = 19;

struct Oxide {
  std::string element;
  std::string oxide;
  Real molarMass = 0;  // g/mol
  int cations = 0;     // per oxide formula
  int oxygens = 0;     // per oxide formula
  int order = 0;       // position in the standard listing
  bool on = true;
};

using OxideTable = std::array<Oxide, kOxideCount>;

OxideTable makeOxideTable();

}  // namespace pf
