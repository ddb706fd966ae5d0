// Average pressure, temperature and PT of a rock (mode 2).
//
// The driver calls `avptmode` after the end-member choice, with the rock's
// end-members (`RunEndMembers`: activities, sd(a), the enthalpy covariance
// and the composition matrix), the run's window, script and Gibbs energy
// switches, and the rock's name. It runs the mode's conversation: the
// calculation type, the activity table with its exclusions and changes, the
// fluid, the window, the options, the independent set of reactions, and the
// averages with their tables, diagnostics and summaries (console, results
// file and log; the assignment blocks to the second results file), then
// " more calculations with this rock" until the answer is no. It returns
// what each calculation found.
#pragma once

#include <string>
#include <vector>

#include "calc/avpt/average.h"
#include "calc/avpt/dialogue.h"
#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "calc/thermo/gibbs.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"

namespace pf {

// What one calculation found.
struct RockCalculation {
  AverageKind kind = AverageKind::PT;
  std::vector<Reaction> reactions;  // the independent set, over the rock's end-members
  bool incomplete = false;          // fewer reactions than the system has
  bool calculated = false;          // there were enough reactions to average
  Matrix covh, covlnk;
  std::vector<LineAverage> lines;  // average P or T: one per value of the list
  PTAverage pt;                    // average PT
  bool diagnosed = false;          // the diagnostics were worked out
  Diagnostics diagnostics;
  RockTable table;  // the rock as the calculation used it
};

// The rock's name for the results: the script's `setrockname` (asked when it
// says so), otherwise `fallback`.
std::string rockName(Io& io, const ScriptSettings& script, const std::string& fallback);

std::vector<RockCalculation> avptmode(Io& io, const RunEndMembers& rock, WindowState& w,
                                      const ScriptSettings& script, const GibbsSettings& settings,
                                      const std::string& name);

// ---- the parts, for tests ----

// Whether the rock's enthalpy covariances are usable (some are not 0);
// otherwise covh takes the fixed value.
bool thermoCovariancesGiven(const RunEndMembers& run, const std::vector<bool>& excluded);

// The script's independent set (`setisr`: the coefficients of each reaction
// over the rock's end-members, one reaction after another), when it is a
// balanced, independent set among the end-members in use; empty otherwise.
std::vector<Reaction> scriptReactions(const std::vector<int>& numbers, const RunEndMembers& run,
                                      const std::vector<bool>& excluded);

// The index in a list of `count` values of the one whose diagnostics are
// worked out: half the count plus one, counting from 1.
int middleIndex(int count);

}  // namespace pf
