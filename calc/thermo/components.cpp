#include "calc/thermo/components.h"

namespace pf {

namespace {

bool isOxygenRow(const Oxide& oxide) {
  return oxide.cations == 0;
}

}  // namespace

int componentDivisor(const Oxide& oxide) {
  return isOxygenRow(oxide) ? 1 : oxide.cations;
}

ComponentAmounts componentAmounts(const EndMember& em, const OxideTable& oxides) {
  const std::array<Real, kElementCount + 1> atoms = elementAmounts(em);
  ComponentAmounts amounts{};
  Real boundOxygen = 0;  // oxygen carried by the oxides of the other rows
  for (int row = 1; row <= kOxideCount; ++row) {
    const Oxide& oxide = oxides[row - 1];
    if (isOxygenRow(oxide)) continue;
    amounts[row] = atoms[row] / oxide.cations;
    boundOxygen += amounts[row] * oxide.oxygens;
  }
  for (int row = 1; row <= kOxideCount; ++row)
    if (isOxygenRow(oxides[row - 1])) amounts[row] = atoms[row] - boundOxygen;
  return amounts;
}

}  // namespace pf
