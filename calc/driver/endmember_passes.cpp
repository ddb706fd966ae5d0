// The passes of tables (mode 0), average P-T (mode 2) and reactions (mode 3):
// each begins with the prologue of every pass and the end-member choice, and
// hands what the choice settled to its mode's library.
#include "calc/avpt/avpt.h"
#include "calc/driver/calculator.h"
#include "calc/endmembers/choice.h"
#include "calc/endmembers/excess.h"
#include "calc/endmembers/tables.h"
#include "calc/reactions/finder.h"
#include "calc/reactions/mode3.h"
#include "calc/thermo/gibbs.h"

namespace pf {

namespace {

ChoiceInputs choiceInputs(CalculatorRun& run) {
  return ChoiceInputs{run.phases, run.dataset, run.oxides, run.script};
}

// The tables' linearised reactions: an independent set among the chosen
// end-members.
ReactionRows independentReactions(Io& io, const RunEndMembers& endMembers) {
  FinderOptions options;
  options.caller = FinderCaller::phaseDiagram;
  options.intersections = false;
  options.progress = false;
  return findreactions(io, endMembers, options).reactions;
}

bool diagramFromScript(const ScriptSettings& script) {
  return script.calctype >= 1 && script.calctype <= 5;  // the presets the menu takes
}

}  // namespace

void tablesPass(Io& io, CalculatorRun& run) {
  passPrologue(io, run);
  ChoiceRequest request;
  request.calcCode = kCalcTables;
  EndMemberChoice choice = extractem(io, choiceInputs(run), request);
  runTables(io, choice.run, tableSettings(run.dataset), independentReactions);
}

void averagePTPass(Io& io, CalculatorRun& run) {
  passPrologue(io, run);
  RunEndMembers rock = chooseRockEndMembers(io, choiceInputs(run));
  // without a rock name from the script the results name the run's data file
  std::string name = rockName(io, run.script, run.files.suffix);
  avptmode(io, rock, run.windows, run.script, gibbsSettings(run.dataset), name);
}

void reactionsPass(Io& io, CalculatorRun& run) {
  passPrologue(io, run);
  chooseDiagram(io, run);
  WindowState& w = run.windows;
  ChoiceRequest request;
  request.calcCode = kCalcReactions;
  request.diagrammode = w.diagrammode;
  request.lnaAxis = w.lnaName;
  EndMemberChoice choice = extractem(io, choiceInputs(run), request);
  RunEndMembers& endMembers = choice.run;
  clean(io, endMembers);
  ExcessSettings excess = inexcess(io, endMembers, run.script, w.diagrammode, w.lnaName, w.muName);
  w.fluid.fluidtype = excess.fluidtype;
  if (!excess.lnaName.empty()) w.lnaName = w.lnaLabel = excess.lnaName;
  if (!excess.muName.empty()) w.muName = excess.muName;
  setReactionWindows(io, run, excess.fluidEndMember, excess.presence);

  ReactionsChoice reactions;
  reactions.diagramFromScript = diagramFromScript(run.script);
  reactions.excess = excess.excess;
  reactions.axisEndMember = excess.axisEndMember;
  reactionsmode(io, endMembers, w, run.script, gibbsSettings(run.dataset), reactions);
}

}  // namespace pf
