// The mode-2 sequence: per calculation the type, the activity table, the
// fluid, the window, the options, the independent set, then the averages,
// their diagnostics and summaries; repeated while the user wants more
// calculations with this rock.
#include "calc/avpt/avpt.h"

#include <cmath>

#include "calc/avpt/output.h"
#include "calc/reactions/finder.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

std::string rockName(Io& io, const ScriptSettings& script, const std::string& fallback) {
  if (script.setrocknameState == kUsePreset && !script.rockname.empty()) return script.rockname;
  if (script.setrocknameState == kAsk) {
    std::string name = promptstring(io, "name of rock", kMaxToken);
    if (!name.empty()) return name;
  }
  return fallback;
}

bool thermoCovariancesGiven(const RunEndMembers& run, const std::vector<bool>& excluded) {
  for (int j = 1; j <= run.count(); ++j)
    for (int l = 1; l <= run.count(); ++l)
      if (!excluded[j] && !excluded[l] && run.covariance(j, l) != 0) return true;
  return false;
}

namespace {

bool balanced(const RunEndMembers& run, const Reaction& r) {
  for (int c = 1; c <= run.components(); ++c) {
    long sum = 0;
    for (int e = 1; e <= run.count(); ++e) sum += static_cast<long>(run.comp[c][e]) * r[e];
    if (sum != 0) return false;
  }
  return true;
}

std::vector<int> usedEndMembers(const RunEndMembers& run, const std::vector<bool>& out) {
  std::vector<int> members;
  for (int e = 1; e <= run.count(); ++e) {
    if (out[e]) continue;
    bool any = false;
    for (int c = 1; c <= run.components(); ++c) any = any || run.comp[c][e] != 0;
    if (any) members.push_back(e);
  }
  return members;
}

}  // namespace

std::vector<Reaction> scriptReactions(const std::vector<int>& numbers, const RunEndMembers& run,
                                      const std::vector<bool>& excluded) {
  int m = run.count();
  if (m < 1 || numbers.empty() || numbers.size() % static_cast<std::size_t>(m) != 0) return {};
  int n = static_cast<int>(numbers.size()) / m;
  if (n > kMaxAvptIndependent) return {};
  std::vector<Reaction> reactions;
  IndependentSet set;
  for (int i = 0; i < n; ++i) {
    Reaction r(static_cast<std::size_t>(m + 1), 0);
    bool any = false;
    for (int e = 1; e <= m; ++e) {
      r[e] = numbers[static_cast<std::size_t>(i * m + e - 1)];
      if (r[e] != 0 && excluded[e]) return {};
      any = any || r[e] != 0;
    }
    if (!any || !balanced(run, r) || !newindr(set, r, 0)) return {};
    reactions.push_back(r);
  }
  return reactions;
}

int middleIndex(int count) {
  return count / 2 + 1;
}

namespace {

// The set as a script line between "% ---" lines in the log, to paste
// into the script as it stands.
void writeRereadable(Io& io, const std::vector<Reaction>& reactions, int m) {
  std::string line = "setisr";
  for (const Reaction& r : reactions)
    for (int e = 1; e <= m; ++e) line += " " + std::to_string(r[e]);
  int tokens = 1 + static_cast<int>(reactions.size()) * m;
  io.putstr(1, "% ---", 1, kToLog);
  if (tokens > kCalculatorTokens || line.size() > kMaxText)
    io.putstr(0, "% (too many coefficients for one script line)", 1, kToLog);
  else
    io.putstr(0, line, 1, kToLog);
  io.putstr(0, "% ---", 1, kToLog);
}

struct Calculation {
  Io& io;
  const ScriptSettings& script;
  const GibbsSettings& settings;
  const WindowState& w;
  const std::string& rock;
  AverageKind kind;
  CalculationOptions options;
};

bool enoughReactions(Io& io, AverageKind kind, int n) {
  if (n == 0) {
    io.putstr(1, "** no reactions", 1, kToAll);
    return false;
  }
  if (kind != AverageKind::PT && n < 2) {
    io.putstr(1, "** insufficient reactions for average P/T calculations", 1, kToAll);
    return false;
  }
  if (kind == AverageKind::PT && n < 3) {
    io.putstr(1, "** insufficient reactions for average PT calculations", 1, kToAll);
    return false;
  }
  return true;
}

std::vector<Reaction> independentSet(const Calculation& k, ReactionContext& context,
                                     const RockTable& table, const std::vector<bool>& out,
                                     bool& incomplete) {
  const RunEndMembers& run = table.run;
  if (k.options.scriptSet) {
    std::vector<Reaction> reactions = scriptReactions(k.script.setisr, run, out);
    if (!reactions.empty()) {
      std::vector<int> members = usedEndMembers(run, out);
      int needed = static_cast<int>(members.size()) - systemRank(run, members);
      incomplete = static_cast<int>(reactions.size()) < needed;
      k.io.putstr(1, "independent set of reactions from script", 1, kToConsoleLog);
      return reactions;
    }
    k.io.putstr(1, "the independent set in the script does not fit this rock: calculating one", 1,
                kToConsoleLog);
  }
  FinderOptions options;
  options.caller = FinderCaller::averagePT;
  for (int e = 1; e <= run.count(); ++e)
    if (out[e]) options.excludedEndMembers.push_back(e);
  AverageKind kind = k.kind;
  Real angle = k.options.angle;
  options.linearity = [&context, kind, angle](const Reaction& r) {
    return linearityVerdict(context, r, kind, angle);
  };
  options.progress = k.options.progress;
  ReactionSet set = findreactions(k.io, run, options);
  incomplete = set.incompleteReactions;
  return set.reactions;
}

void averagesAlongList(const Calculation& k, AvptProblem& p, RockCalculation& calc,
                       bool diagnosticsOn) {
  const std::vector<Real>& list = k.kind == AverageKind::P ? k.w.Tlist : k.w.Plist;
  int n = static_cast<int>(p.reactions.size());
  int middle = middleIndex(static_cast<int>(list.size())) - 1;
  for (int j = 0; j < static_cast<int>(list.size()); ++j) {
    LineAverage line = lineAverage(p, k.kind, list[j]);
    if (j == middle && line.inRange && line.avg.ok) {
      calc.diagnostics = lineDiagnostics(p, line);
      calc.diagnosed = true;
      if (diagnosticsOn || line.avg.sigfit > fitThreshold(n - 1))
        writeLineDiagnostics(k.io, calc.diagnostics, line, p.c.run.names, n);
    }
    calc.lines.push_back(line);
  }
  writeLineSummary(k.io, k.kind, calc.lines, k.rock, calc.incomplete);
}

void averagePT(const Calculation& k, AvptProblem& p, RockCalculation& calc, bool diagnosticsOn) {
  int n = static_cast<int>(p.reactions.size());
  calc.pt = averagePTFrom(p, k.w.Tmid, k.w.Pmid, p.varLnA);
  if (calc.pt.outcome == PTOutcome::converged) {
    calc.diagnostics = ptDiagnostics(p, calc.pt, k.w.Tmid, k.w.Pmid);
    calc.diagnosed = true;
    if (diagnosticsOn || calc.pt.sigfit > fitThreshold(n - 2))
      writePTDiagnostics(k.io, calc.diagnostics, calc.pt, p.c.run.names, n);
  }
  writePTSummary(k.io, calc.pt, k.rock, calc.incomplete);
}

RockCalculation calculate(const Calculation& k, const RockTable& table,
                          const std::vector<int>& fluidOut) {
  Io& io = k.io;
  RockCalculation calc;
  calc.kind = k.kind;
  calc.table = table;
  std::vector<bool> out = table.excluded;
  for (int e : fluidOut) out[e] = true;
  // the fluid's activities sit in the table, so ln K takes no fluid term
  WindowState window = k.w;
  window.fluid = FixedFluid{};
  ReactionContext context(io, table.run, window, k.settings);

  calc.reactions = independentSet(k, context, table, out, calc.incomplete);
  if (k.options.reread) writeRereadable(io, calc.reactions, table.run.count());
  int n = static_cast<int>(calc.reactions.size());
  if (!enoughReactions(io, k.kind, n)) return calc;

  bool printSet = query(io, "print the independent set of reactions and their thermodynamics");
  int diagnostics = k.script.diagnostics;
  promptcontrol(io, "print diagnostics even if chi^2 test passes", diagnostics);

  AvptProblem p{
      context, calc.reactions,
      enthalpyCovariance(table.run, calc.reactions, thermoCovariancesGiven(table.run, out)),
      lnaVariances(table.run)};
  calc.covh = p.covh;
  calc.covlnk = lnKCovariance(calc.reactions, p.varLnA);
  calc.calculated = true;

  Real Tref = window.Tmid, Pref = window.Pmid;
  if (k.kind == AverageKind::P && !window.Tlist.empty())
    Tref = window.Tlist[middleIndex(static_cast<int>(window.Tlist.size())) - 1];
  if (k.kind == AverageKind::T && !window.Plist.empty())
    Pref = window.Plist[middleIndex(static_cast<int>(window.Plist.size())) - 1];
  if (printSet) {
    writeActivities(io, table, out, k.rock);
    writeReactions(io, calc.reactions, table.run.names);
    writeReactionCalculations(io, p, calc.covlnk, Tref, Pref, k.options.showCovariances);
  }
  writeAssignments(io, p, calc.covlnk, k.settings, Tref, Pref);

  bool diagnosticsOn = diagnostics == kUsePreset;
  if (k.kind == AverageKind::PT)
    averagePT(k, p, calc, diagnosticsOn);
  else
    averagesAlongList(k, p, calc, diagnosticsOn);
  return calc;
}

}  // namespace

std::vector<RockCalculation> avptmode(Io& io, const RunEndMembers& rock, WindowState& w,
                                      const ScriptSettings& script, const GibbsSettings& settings,
                                      const std::string& name) {
  std::vector<RockCalculation> done;
  RockTable table = rockTable(rock);
  int listFor = 0;
  for (int pass = 1;; ++pass) {
    AverageKind kind = askCalculationKind(io);
    if (pass > 1 && !query(io, "continue with/add to data changes in last calculation"))
      table = rockTable(rock);
    activityDialogue(io, table, script);
    std::vector<int> fluidOut = fluidDialogue(io, table, w, script);
    windowDialogue(io, w, script, kind, pass > 1, listFor);
    Calculation k{io, script, settings, w, name, kind, optionsDialogue(io, script, kind)};
    done.push_back(calculate(k, table, fluidOut));
    if (!query(io, " more calculations with this rock")) return done;
  }
}

}  // namespace pf
