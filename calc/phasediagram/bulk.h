// The bulk composition of a phase-diagram calculation for a given rock: one
// composition, or a range between two calculated at a number of increments,
// in mol of the system's components normalised to a total of 100. `setbulk`
// takes it from the script (rock bulk lines or `setbulk` lines) or asks for
// it; `bulkAt` gives the composition in use at an increment.
#pragma once

#include <string>
#include <vector>

#include "calc/ax/phases.h"
#include "calc/settings/script.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kMaxIncrements = 100;
// With the fluid in excess the bulk is given without the fluid component,
// which is put back at this amount (per 100 of the rest) before scaling.
inline constexpr Real kReinsertedFluid = 120;

struct BulkComposition {
  std::vector<std::string> components;  // names, in the system's component order
  std::vector<Real> first;              // total 100
  std::vector<Real> second;             // empty: one composition
  Real start = 0;                       // proportions of the range calculated
  Real finish = 1;
  int increments = 1;
  bool fromScript = false;
  int fluid = -1;  // the component put back for the fluid in excess, or -1

  bool range() const { return !second.empty(); }
  int count() const { return range() ? increments : 1; }
};

// The composition in use at increment i (1 to count()), as mol fractions
// (the amounts over 100), and its proportion across the range.
struct BulkAtIncrement {
  std::vector<Real> bulk;
  Real proportion = 0;
};
BulkAtIncrement bulkAt(const BulkComposition& b, int increment);

// Amounts scaled to a total of 100; false when the total is not positive or
// an amount is negative or not a number.
bool normalised(std::vector<Real>& amounts);

// The fluid component of the system when the fluid is in excess: H2O, or
// CO2 without H2O; -1 when neither is a component.
int fluidComponent(const std::vector<std::string>& components);

// Puts the fluid component back into a composition given without it: the
// amount kReinsertedFluid at its place, the whole scaled by 100/220.
std::vector<Real> withFluid(const std::vector<Real>& withoutFluid, int fluid);

// A phase that can be picked for the 'single' phase composition answer:
// its name and, for a solution, its place in the phase tables.
struct BulkSetupInput {
  std::vector<std::string> components;
  // amounts of each component per formula unit of each end-member of each
  // chosen phase ([phase][end-member][component]), for the 'single' phase
  // answer; names of the chosen phases, the solutions among them
  std::vector<std::string> phases;
  std::vector<PhaseRef> refs;
  std::vector<std::vector<std::vector<Real>>> endMemberAmounts;
  bool fluidExcess = false;
  bool exbuff = false;
};

// `setbulk` (messages under "readcomps"): rock bulk lines, the script's
// compositions or the questions; the display and the log snippet.
BulkComposition setbulk(Io& io, const ScriptSettings& script, const PhaseTables& tables,
                        const BulkSetupInput& input);

// The range question's answers applied: the increments across the chosen
// part of the range, the two compositions re-based onto its ends.
void setRange(BulkComposition& b, Real start, Real finish, int increments);

}  // namespace pf
