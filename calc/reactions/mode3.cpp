// The mode-3 sequence: diagram line, activities, the choice between a
// Schreinemakers analysis and all reactions, the reactions and their tables,
// then intersections and stability.
#include "calc/reactions/mode3.h"

#include <cmath>

#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

// The pass's two work tables: the first and second roots of up to 200
// reactions at up to 201 values, in 80-bit reals.
constexpr long kRootTableBytes = 200L * kMaxListValues * 10;
constexpr const char* kFirstRoots = "rroots1";
constexpr const char* kSecondRoots = "rroots2";

std::string diagramLine(const WindowState& w) {
  switch (w.diagrammode) {
    case kDiagramPT:
      return "pressure-temperature calculations";
    case kDiagramTX:
      return "temperature-x(CO2) calculations";
    case kDiagramPX:
      return "pressure-x(CO2) calculations";
    case kDiagramTlna:
      return "temperature-log a calculations";
    case kDiagramPlna:
      return "pressure-log a calculations";
    case kDiagramTmu:
      return "temperature-" + std::string(1, kMicro) + "(" + w.muName + ")";
    case kDiagramPmu:
      return "pressure-" + std::string(1, kMicro) + "(" + w.muName + ")";
    default:
      bomb("diagram", "unknown diagrammode", 1);
  }
}

void activityTable(Io& io, const RunEndMembers& run, int axisEndMember) {
  std::vector<int> nonUnit;
  for (int e = 1; e <= run.total(); ++e)  // phases in excess included
    if (e != axisEndMember && run.activity[e] != 1) nonUnit.push_back(e);
  if (nonUnit.empty()) {
    io.putstr(0, "Unit activities", 1, kToAll);
    return;
  }
  io.putstr(0, "Unit activities except :", 1, kToAll);
  auto sdln = [&](int e) { return run.sdActivity[e] / run.activity[e]; };
  if (nonUnit.size() < 4) {
    std::string heading;
    addfield(heading, "name", -9);
    addfield(heading, "a", 9);
    addfield(heading, "sd(ln a)", 9);
    io.putstr(0, heading, 1, kToAll);
    for (int e : nonUnit) {
      std::string row;
      addfield(row, run.names[e], -9);
      addfield(row, run.activity[e], 3, Digits::fixed, 9);
      addfield(row, sdln(e), 5, Digits::fixed, 9);
      io.putstr(0, row, 1, kToAll);
    }
    return;
  }
  for (std::size_t k = 0; k < nonUnit.size(); k += 8) {
    std::string names, values, sds;
    addfield(names, "name", -9);
    addfield(values, "a", -9);
    addfield(sds, "sd(ln a)", -9);
    for (std::size_t j = k; j < nonUnit.size() && j < k + 8; ++j) {
      int e = nonUnit[j];
      addfield(names, run.names[e], 9);
      addfield(values, run.activity[e], 3, Digits::fixed, 9);
      addfield(sds, sdln(e), 5, Digits::fixed, 9);
    }
    io.putstr(k == 0 ? 0 : 1, names, 1, kToAll);
    io.putstr(0, values, 1, kToAll);
    io.putstr(0, sds, 1, kToAll);
  }
}

// doallr: yes all reactions, no the Schreinemakers analysis, ask the menu.
bool schreinemakersChosen(Io& io, const ScriptSettings& script) {
  if (script.doallr == kUsePreset) return false;
  if (script.doallr == kDontUse) return true;
  io.putstr(1, "required action:", 1, kToConsoleLog);
  io.putstr(0, "0: do Schreinemakers (reactions which cannot be stable in the", 1, kToConsoleLog);
  io.putstr(0, "     window not calculated)", 1, kToConsoleLog);
  io.putstr(0, "1: calculate all reactions within the window regardless of stability", 1,
            kToConsoleLog);
  return promptinteger(io, "code") == 0;
}

bool drawingWanted(const Io& io, const ScriptSettings& script) {
  return script.plotix == kUsePreset && script.makeo && io.isOpen(kOfile);
}

}  // namespace

ReactionsResult reactionsmode(Io& io, const RunEndMembers& run, const WindowState& w,
                              const ScriptSettings& script, const GibbsSettings& settings,
                              const ReactionsChoice& choice) {
  ReactionsResult result;
  io.putstr(1, diagramLine(w) + (choice.diagramFromScript ? " (from script)" : ""), 1, kToAll);
  activityTable(io, run, choice.axisEndMember);
  result.schreinemakers = schreinemakersChosen(io, script);

  io.reportAllocation(kFirstRoots, kRootTableBytes);
  io.reportAllocation(kSecondRoots, kRootTableBytes);
  FinderOptions options;
  options.caller = FinderCaller::reactions;
  options.intersections = result.schreinemakers;
  options.oneEndMemberPerPhase = choice.oneEndMemberPerPhase;
  options.excludedEndMembers = choice.excludedEndMembers;
  options.excludedAssemblages = choice.excludedAssemblages;
  result.set = findreactions(io, run, options);
  // found among projected compositions: their true coefficients
  for (Reaction& r : result.set.reactions) r = unproject(run, r);

  ReactionContext context(io, run, w, settings, choice.axisEndMember);
  for (const Reaction& r : result.set.reactions) result.lines.push_back(reactionLine(context, r));
  if (!result.lines.empty()) ptxtable(io, context, result.lines, run.names);
  if (result.schreinemakers && result.lines.size() > 2) {
    for (const Intersection& members : result.set.intersections) {
      IntersectionPoint point;
      point.members = members;
      result.points.push_back(point);
    }
    intersections(io, context, choice, result.lines, result.points);
    rstable(io, context, result.lines, run.names);
  }
  if (drawingWanted(io, script) && !result.lines.empty())
    writeDrawing(io, context, result, run.names);
  io.reportRelease(kSecondRoots, kRootTableBytes);
  io.reportRelease(kFirstRoots, kRootTableBytes);
  return result;
}

}  // namespace pf
