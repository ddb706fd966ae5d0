#include "calc/thermo/endmember.h"

#include "common/text.h"

namespace pf {

std::array<Real, kElementCount + 1> elementAmounts(const EndMember& em) {
  std::array<Real, kElementCount + 1> amounts{};
  for (int k = 1; k <= em.pairs && k <= kMaxFormulaPairs; ++k) {
    int element = em.element[k];
    if (element >= 1 && element <= kElementCount) amounts[element] += em.amount[k];
  }
  return amounts;
}

NameRules nameRules(std::string_view raw) {
  BlankBounds bounds = blankBounds(raw);
  NameRules rules;
  if (bounds.first == 0) return rules;
  std::string_view name = raw.substr(bounds.first - 1, bounds.last - bounds.first + 1);
  rules.liquid = name.back() == 'L';
  if (name == "H2O")
    rules.fluid = Fluid::H2O;
  else if (name == "CO2")
    rules.fluid = Fluid::CO2;
  else if (name == "CH4")
    rules.fluid = Fluid::CH4;
  else if (name == "H2")
    rules.fluid = Fluid::H2;
  else if (name == "CO")
    rules.fluid = Fluid::CO;
  else if (name == "H2S")
    rules.fluid = Fluid::H2S;
  else if (name == "S2")
    rules.fluid = Fluid::S2;
  rules.cordierite = name == "crd" || name == "fcrd";
  return rules;
}

}  // namespace pf
