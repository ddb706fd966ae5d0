// The end-member record: name, code, formula and 30 numbered property slots
// whose meaning depends on the dataset's layout (A for dsmode <= 2, B above).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/real.h"

namespace pf {

inline constexpr int kMaxFormulaPairs = 8;
inline constexpr int kMaxNameLength = 8;  // names in the dataset file
inline constexpr int kSlotCount = 30;
inline constexpr int kElementCount = 19;  // rows of the oxide table

// Slots, numbered as everywhere else in the calculator (slot[0] is unused).
inline constexpr int kEnthalpy = 1;
inline constexpr int kEntropy = 2;
inline constexpr int kVolume = 3;
inline constexpr int kCpa = 4;
inline constexpr int kCpb = 5;
inline constexpr int kCpc = 6;
inline constexpr int kCpd = 7;
// layout B
inline constexpr int kAlpha0 = 8;
inline constexpr int kKappa0 = 9;
inline constexpr int kKappa0p = 10;
inline constexpr int kKappa0pp = 11;
inline constexpr int kTheta = 12;
inline constexpr int kDkappa0dt = 13;
// layout A
inline constexpr int kAlpha1 = 8;
inline constexpr int kAlpha2 = 9;
inline constexpr int kAlpha3 = 10;
inline constexpr int kKappa = 11;
inline constexpr int kKappaprime = 12;
inline constexpr int kDkappadT = 13;
// both layouts
inline constexpr int kLandauT = 14;
inline constexpr int kSmax = 15;
inline constexpr int kVmax = 16;
inline constexpr int kAqueousCp = 17;  // held as (value - 298.15 b)
inline constexpr int kCharge1 = 18;    // aqueous charge terms, set by the a-x file
inline constexpr int kCharge2 = 19;
inline constexpr int kSfdh = 20;
inline constexpr int kSfdhv = 21;
inline constexpr int kSfw = 22;
inline constexpr int kSfwv = 23;
inline constexpr int kSfn = 24;
inline constexpr int kSffac = 25;
inline constexpr int kIonicStrength = 26;
inline constexpr int kXCO2 = 27;  // fluid composition of the current evaluation
inline constexpr int kXH2O = 28;
inline constexpr int kMadePhase = 29;
inline constexpr int kMadeMark = 30;

struct EndMember {
  std::string name;  // as in the file, at most 8 characters, no padding
  int code = 0;      // the integer after the name
  int pairs = 0;     // formula: element[1..pairs], amount[1..pairs]
  std::array<int, kMaxFormulaPairs + 1> element{};
  std::array<Real, kMaxFormulaPairs + 1> amount{};
  Real atoms = 0;  // sum of the amounts
  std::array<Real, kSlotCount + 1> slot{};
};

// Element symbols by oxide-table row (index 0 unused).
inline constexpr std::array<std::string_view, kElementCount + 1> kElementSymbols = {
    "",  "Si", "Ti", "Al", "Fe", "Mg", "Mn", "Ca", "Na", "K",
    "O", "H",  "C",  "Cl", "e",  "Ni", "Zr", "S",  "Cu", "Cr"};

// Atoms of each element (by oxide-table row, index 0 unused) in one formula unit.
std::array<Real, kElementCount + 1> elementAmounts(const EndMember& em);

// What the name of an end-member decides: its fluid model, the liquid rules
// and the cordierite channel-fluid term. Names are case-sensitive.
enum class Fluid { none, H2O, CO2, CH4, H2, CO, H2S, S2 };
struct NameRules {
  Fluid fluid = Fluid::none;
  bool liquid = false;      // the name ends in a capital L
  bool cordierite = false;  // "crd" or "fcrd"
};
NameRules nameRules(std::string_view name);

}  // namespace pf
