// The questions of a rock calculation, in the order they are put: the
// calculation type, the activity table with its exclusions and changes, the
// fluid, the window and the options.
#pragma once

#include <string>
#include <vector>

#include "calc/reactions/linearity.h"
#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "calc/thermo/activity_uncertainty.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"

namespace pf {

inline constexpr Real kMinAngleChange = 0.1L;  // degrees
inline constexpr Real kMaxAngleChange = 10;

// The rock as the activity table holds it: activities and sd(a) as the user
// left them, and the end-members excluded by name.
struct RockTable {
  RunEndMembers run;
  std::vector<bool> excluded;  // [1..n]
};
RockTable rockTable(const RunEndMembers& rock);

// "type of rock calculation:", asked until the code is 1, 2 or 3.
AverageKind askCalculationKind(Io& io);

// The default uncertainty parameters the script asks for (u1 is 0 when
// `defsdaparams` is off); whether changed activities take the default rule
// (`usedefsda`).
UncertaintyParameters uncertaintyParameters(Io& io, const ScriptSettings& script);
bool defaultsOnChanges(const ScriptSettings& script);

// An activity is usable when 0 < a <= 1.
bool usableActivity(Real a);
// Asks "     activity(" name ")" until the answer is usable.
Real askActivity(Io& io, const std::string& name);

// The table shown, "these data ok", and the exclusions and changes. An
// activity that is not usable is asked again before the table is shown.
void activityDialogue(Io& io, RockTable& table, const ScriptSettings& script);

// "rock was fluid-bearing", asked when H2O or CO2 is among the rock's
// end-members: yes takes their activities from the fixed fluid; no leaves
// them out. Returns the end-members the calculation leaves out besides the
// table's exclusions.
std::vector<int> fluidDialogue(Io& io, RockTable& table, WindowState& w,
                               const ScriptSettings& script);

// The window of the calculation type, with the list of temperatures (average
// P) or pressures (average T). `listFor` remembers which list the window
// holds, so that "same PT window" can keep it.
void windowDialogue(Io& io, WindowState& w, const ScriptSettings& script, AverageKind kind,
                    bool repeat, int& listFor);

struct CalculationOptions {
  bool reread = false;     // the independent set goes to the log as a script line
  bool scriptSet = false;  // use the script's independent set
  bool showCovariances = false;
  Real angle = 1;        // allowed angle change, degrees per kbar (or per 25 degrees)
  bool progress = true;  // the finder's progress characters
};
CalculationOptions optionsDialogue(Io& io, const ScriptSettings& script, AverageKind kind);

// The angle clamped to 0.1 ... 10 degrees, saying so when it moves.
Real clampAngle(Io& io, Real angle);

}  // namespace pf
