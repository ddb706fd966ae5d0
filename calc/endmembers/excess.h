// What mode 3 settles after the end-member choice (`inexcess`): the fluid
// type, whether the fluid is in excess, the end-member of a log a axis or
// the component of a mu axis (appended as the mu phase), the phases in
// excess, and the projection of the system through them.
//
// The projection keeps the excess phases in the run's lists behind the
// others (RunEndMembers::projection): the reaction finder sees the projected
// compositions only, and every reaction's Gibbs energy, ln K and enthalpy
// variance still take the excess phases' terms (`withExcess`).
#pragma once

#include <string>
#include <vector>

#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"

namespace pf {

// The mode-3 settings that `inexcess` decides, for the window set-up and the
// reactions.
struct ExcessSettings {
  int fluidtype = kFluidActivities;  // 2 no fluid (activities), 3 H2O, 4 CO2, 6 x(CO2)
  bool fluidInExcess = false;
  std::string fluidEndMember;       // "H2O" or "CO2" when the fixed fluid is that alone
  FluidPresence presence;           // fluid and cordierite end-members of the system
  std::string lnaName;              // log a diagrams: the end-member of the axis
  std::string muName;               // mu diagrams: the component (the mu phase's name)
  int axisEndMember = 0;            // its place in the run's lists [1..total()], 0: none
  std::vector<std::string> excess;  // phases in excess, as they are to be listed
  bool projected = false;
};

// Asks and settles the above for the run's end-members (after `clean`) on
// the diagram type; appends the mu phase, and projects through the phases in
// excess when they are fewer than the components. `lnaName` and `muName` are
// the axis names the script gave, taken without asking when not empty.
ExcessSettings inexcess(Io& io, RunEndMembers& run, const ScriptSettings& script, int diagrammode,
                        const std::string& lnaName, const std::string& muName);

// ---- the parts, for tests ----

// The projection through the excess end-members (indices into run, in the
// order they take their pivots): pivots chosen, eliminated by integer
// cross-multiplication, and the excess end-members with their pivot
// components moved behind the others. Stops the run ("in excess",
// "projection does not work") when an excess end-member finds no pivot.
// Returns, per new position [1..total()], the end-member's old position.
std::vector<int> project(RunEndMembers& run, const std::vector<int>& excess);

// The mu phase: a pseudo end-member named after component c, all its
// property slots 0, holding that component alone, activity 1, sd 0.
void appendMuPhase(RunEndMembers& run, int c);

}  // namespace pf
