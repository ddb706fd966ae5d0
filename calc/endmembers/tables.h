// Mode 0: tables of the thermodynamic data of the chosen end-members. The
// property table always; the assignment-syntax block when the second results
// file is open; then, each on a yes answer, the G tables, the linearised
// thermodynamics of the independent reactions, and the fluid fugacity and
// volume tables.
#pragma once

#include <functional>
#include <vector>

#include "calc/endmembers/ptgrid.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/gibbs.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

struct TableSettings {
  GibbsSettings gibbs;          // dsmode decides the layout; ds6 the H2O and CO2 models
  bool thirdExpansion = false;  // layout A: show alpha3
  bool layoutB() const { return gibbs.dsmode >= 3; }
};
TableSettings tableSettings(const Dataset& ds);

// Reactions as rows of coefficients over the run's end-members, each row
// indexed [1..n] like the end-members (index 0 unused).
using ReactionRows = std::vector<std::vector<int>>;
// Finds the independent reactions among the run's end-members.
using ReactionFinder = std::function<ReactionRows(Io&, const RunEndMembers&)>;

// The whole mode after the end-member choice.
void runTables(Io& io, const RunEndMembers& run, const TableSettings& settings,
               const ReactionFinder& findReactions);

// The property table, to the main output.
void propertyTable(Io& io, const RunEndMembers& run, const TableSettings& settings);
// The same data as assignments, to the second results file.
void assignmentBlock(Io& io, const RunEndMembers& run, const TableSettings& settings);
// G of every end-member over the axes, with no fluid mixing.
void gTables(Io& io, const RunEndMembers& run, const TableSettings& settings,
             const TableAxes& axes);

// dG = a + bT + cP of each reaction, linearised at (p, t) (kbar, K).
struct LinearisedReaction {
  Real a = 0;
  Real b = 0;  // kJ/K
  Real c = 0;  // kJ/kbar
};
LinearisedReaction linearise(Io& io, const RunEndMembers& run, const std::vector<int>& reaction,
                             Real p, Real t, const GibbsSettings& settings);
// Asks for the point (none asked without reactions) and writes the table.
void linearisedReactions(Io& io, const RunEndMembers& run, const TableSettings& settings,
                         const ReactionRows& reactions);
void reactionTable(Io& io, const RunEndMembers& run, const TableSettings& settings,
                   const ReactionRows& reactions, Real p, Real t);
// The linearisation point: P in kbar, T entered in degrees C, held in K.
struct TablePoint {
  Real p = 0;
  Real t = 0;
};
TablePoint askLinearisationPoint(Io& io);

// R T ln f of H2O, CO2, CH4, H2, H2S and S2, and V of H2O and CO2.
void fugacityTables(Io& io, const TableSettings& settings, const TableAxes& axes);
void volumeTables(Io& io, const TableSettings& settings, const TableAxes& axes);

}  // namespace pf
