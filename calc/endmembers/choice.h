// The end-member choice of modes 0, 2 and 3: which phases of the a-x file
// take part, taken apart into their end-members (`extractem`); the
// end-members that cannot react dropped with their components (`clean`).
// The result is the run's flat end-member list (`RunEndMembers`) that the
// tables, average P-T and the reactions calculate with.
//
// The phase question lists every solution, then every pure phase, and reads
// a list of names; "omit" (or "0mit") first takes every phase and leaves the
// named ones out, and an answer of fewer than two names takes every phase.
// The script's `which` list, when it gives one, answers the question. Mode 3
// asks it only when the phases hold more than 200 end-members or the script
// has a `which` line (`which ask` asks); otherwise it takes every phase.
//
// Modes 2 and 3 with solutions chosen also ask "P for a-x" and "T for a-x"
// and give each end-member of a solution the activity of the a-x file's
// starting composition there, with sd(a) (absolute) from the uncertainties
// of the compositional variables; pure phases keep their fixed activity.
#pragma once

#include <string>
#include <vector>

#include "calc/ax/activity.h"
#include "calc/ax/made_endmembers.h"
#include "calc/ax/phases.h"
#include "calc/settings/calc_codes.h"
#include "calc/settings/oxides.h"
#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kNamesPerListLine = 11;
// A composition is made whole by scaling a component by at most this.
inline constexpr int kMaxComponentScale = 720;

// Who asks, and what the diagram leaves out of the phase list.
struct ChoiceRequest {
  int calcCode = kCalcTables;    // kCalcTables, kCalcAveragePT or kCalcReactions
  int diagrammode = kDiagramPT;  // mode 3
  std::string lnaAxis;           // mode 3 log a diagrams: the phase of the axis, if known
};

// The run's inputs that the choice reads; the phases' starting guesses of
// order variables and the dataset's selection are written.
struct ChoiceInputs {
  PhaseTables& phases;
  Dataset& ds;
  const OxideTable& oxides;
  const ScriptSettings& script;
};

struct EndMemberChoice {
  RunEndMembers run;
  PhaseSelection chosen;             // the phases that take part
  std::vector<std::string> phaseOf;  // per end-member [1..n]: its phase
  bool activitiesCalculated = false;
  Real pForAx = 0;  // kbar
  Real tForAx = 0;  // K
};

// Name check: the position of a phase among all phase names (solutions
// first, then pure phases, from 1), 0 when no phase has that name.
int phaseNumber(const PhaseTables& phases, const std::string& name);

// The whole choice. A phase question answered with names that are no phases
// asks for each "bad name : replace <name> with" once, then drops it.
EndMemberChoice extractem(Io& io, const ChoiceInputs& in, const ChoiceRequest& request);

// Removes, until nothing changes, each component that no end-member holds,
// and each that only one end-member holds together with that end-member
// (written as name + " excluded"). Fewer than 2 end-members left stops the
// run ("clean", "insufficient end-members").
void clean(Io& io, RunEndMembers& run);

// The front of average P-T (mode 2): the rock's end-members chosen, their
// activities and sd(a) at "P for a-x" and "T for a-x", trimmed by `clean`.
RunEndMembers chooseRockEndMembers(Io& io, const ChoiceInputs& in);

// ---- the parts, for the other modes' set-ups and for tests ----

// The components of a set of records: the oxide-table rows any of them
// holds, in the standard listing order, each scaled so that every amount is
// a whole number (divisor), and the composition matrix. Fills the component
// fields of run from run.em[1..n]. A composition that no scale up to
// kMaxComponentScale makes whole stops the run ("extractem").
void compositionMatrix(RunEndMembers& run, const OxideTable& oxides);

// sd(a) of an end-member of a solution at the variables x: the root of the
// sum of the squared changes of its activity when each variable moves by its
// uncertainty (backwards where forwards would leave the phase's legal
// compositions).
std::vector<Real> activityUncertainties(const SolutionPhase& phase, const std::vector<Real>& x,
                                        Real p, Real t, const ActivityContext& context);
// The activities of a solution's end-members at x (made-from-others
// end-members from their constituents').
std::vector<Real> endMemberActivities(const SolutionPhase& phase, const std::vector<Real>& x,
                                      Real p, Real t, const ActivityContext& context);

}  // namespace pf
