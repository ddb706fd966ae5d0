#include "calc/avpt/dialogue.h"

#include <algorithm>
#include <cmath>

#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

RockTable rockTable(const RunEndMembers& rock) {
  RockTable table;
  table.run = rock;
  table.excluded.assign(rock.names.size(), false);
  return table;
}

AverageKind askCalculationKind(Io& io) {
  io.putstr(0, std::string(38, '*'), 1, kToAll);
  io.putstr(0, "type of rock calculation:", 1, kToConsoleLog);
  for (const char* line : {"       1 : average P", "       2 : average T", "       3 : average PT"})
    io.putstr(0, line, 1, kToConsoleLog);
  std::string question = "code";
  for (;;) {
    switch (promptinteger(io, question)) {
      case 1:
        return AverageKind::P;
      case 2:
        return AverageKind::T;
      case 3:
        return AverageKind::PT;
      default:
        question = "not in range  - try again";
    }
  }
}

UncertaintyParameters uncertaintyParameters(Io& io, const ScriptSettings& script) {
  UncertaintyParameters u;
  if (script.defsdaparams == kDontUse) u.u1 = 0;
  if (script.defsdaparams == kAsk)
    io.putstr(0, "resetting default uncertainty parameters not currently available", 1,
              kToConsoleLog);
  return u;
}

bool defaultsOnChanges(const ScriptSettings& script) {
  return script.usedefsda == kUsePreset;
}

bool usableActivity(Real a) {
  return a > 0 && a <= 1;  // false for a NaN
}

Real askActivity(Io& io, const std::string& name) {
  std::string question = "     activity(" + name + ")";
  for (;;) {
    Real a = promptreal(io, question);
    if (usableActivity(a)) return a;
    question = "should be 0 < activity <= 1 : try again";
  }
}

namespace {

int endMemberNamed(const RunEndMembers& run, const std::string& name) {
  for (int e = 1; e <= run.count(); ++e)
    if (run.names[e] == name) return e;
  return 0;
}

// A name that is not one of the rock's is asked for once more; 0 when the
// second answer is no better.
int checkedName(Io& io, const RunEndMembers& run, const std::string& name) {
  int e = endMemberNamed(run, name);
  if (e != 0) return e;
  std::string again = promptstring(io, "bad name : replace " + name + " with", kMaxToken);
  if (again.empty()) return 0;
  e = endMemberNamed(run, again);
  if (e == 0) io.putstr(0, "forget it!  (check the name", 1, kToConsoleLog);
  return e;
}

std::string activityText(Real x) {
  return realToText(x, 4, Digits::significant);
}

void showTable(Io& io, const RockTable& table) {
  std::string heading;
  addfield(heading, "", -8);
  addfield(heading, "activity", 10);
  addfield(heading, "sd(a)", 10);
  io.putstr(1, heading, 1, kToConsoleLog);
  const RunEndMembers& run = table.run;
  for (int e = 1; e <= run.count(); ++e) {
    std::string row;
    addfield(row, run.names[e], -8);
    if (table.excluded[e]) {
      addfield(row, "excluded", 10);
    } else {
      addfield(row, activityText(run.activity[e]), 10);
      addfield(row, activityText(run.sdActivity[e]), 10);
    }
    io.putstr(0, row, 1, kToConsoleLog);
  }
}

void excludeByName(Io& io, RockTable& table) {
  Tokens names;
  promptstrings(io, "names of end-members to be excluded", names);
  for (int k = 1; k <= names.count; ++k) {
    int e = checkedName(io, table.run, cut20(names[k]));
    if (e != 0) table.excluded[e] = true;
  }
}

void changeActivities(Io& io, RockTable& table, const ScriptSettings& script) {
  UncertaintyParameters u = uncertaintyParameters(io, script);
  bool defaults = defaultsOnChanges(script);
  RunEndMembers& run = table.run;
  for (;;) {
    std::string name = promptstring(io, "name of end-member", kMaxToken);
    if (name.empty()) return;
    int e = checkedName(io, run, name);
    if (e != 0) {
      name = run.names[e];
      Real a = askActivity(io, name);
      Real sd = promptreal(io, "     sd activity(" + name + ")");
      run.activity[e] = a;
      run.sdActivity[e] =
          defaults ? sdWithDefault(a, sd, activityExponent(run.em[e]), u) : std::max(sd, Real{0});
    }
    if (!query(io, "do you want to change anything else")) return;
  }
}

}  // namespace

void activityDialogue(Io& io, RockTable& table, const ScriptSettings& script) {
  RunEndMembers& run = table.run;
  for (int e = 1; e <= run.count(); ++e) {
    if (!usableActivity(run.activity[e])) {
      io.putstr(0, run.names[e] + ": should be 0 < activity <= 1 : try again", 1, kToConsoleLog);
      run.activity[e] = askActivity(io, run.names[e]);
    }
    Real& sd = run.sdActivity[e];
    if (!(sd > 0) || !std::isfinite(sd) || run.activity[e] == 1) sd = 0;
  }
  showTable(io, table);
  int ok = script.dataok;
  promptcontrol(io, "these data ok", ok);
  if (ok == kUsePreset) return;
  excludeByName(io, table);
  if (!query(io, "these are the only changes you want to make"))
    changeActivities(io, table, script);
}

std::vector<int> fluidDialogue(Io& io, RockTable& table, WindowState& w,
                               const ScriptSettings& script) {
  RunEndMembers& run = table.run;
  int h2o = endMemberNamed(run, "H2O"), co2 = endMemberNamed(run, "CO2");
  if (h2o != 0 && table.excluded[h2o]) h2o = 0;
  if (co2 != 0 && table.excluded[co2]) co2 = 0;
  if (h2o == 0 && co2 == 0) return {};
  if (!query(io, "rock was fluid-bearing")) {
    std::vector<int> out;
    for (int e : {h2o, co2})
      if (e != 0) out.push_back(e);
    return out;
  }
  FluidPresence presence;
  presence.h2o = h2o != 0;
  presence.co2 = co2 != 0;
  w.fluid = FixedFluid{};
  setfluid(io, w, script, presence);
  // the fluid's activities are the end-members' own from here on
  for (auto [e, a] : {std::pair{h2o, w.fluid.h2o}, std::pair{co2, w.fluid.co2}}) {
    if (e == 0) continue;
    if (!usableActivity(a)) {
      io.putstr(0, "should be 0 < activity <= 1 : try again", 1, kToConsoleLog);
      a = askActivity(io, run.names[e]);
    }
    run.activity[e] = a;
    if (a == 1) run.sdActivity[e] = 0;
  }
  w.fluid = FixedFluid{};
  return {};
}

void windowDialogue(Io& io, WindowState& w, const ScriptSettings& script, AverageKind kind,
                    bool repeat, int& listFor) {
  int wanted = kind == AverageKind::P ? 1 : kind == AverageKind::T ? 2 : 0;
  bool same = repeat && query(io, "same PT window");
  if (!same) {
    listFor = 0;
    switch (kind) {
      case AverageKind::P:
        specifyptwindow(io, w, script, "", "P window within which average P expected to lie",
                        "T range over which average P to be calculated", true);
        break;
      case AverageKind::T:
        specifyptwindow(io, w, script, "", "P range over which average T to be calculated",
                        "T window within which average T expected to lie", true);
        break;
      case AverageKind::PT:
        specifyptwindow(io, w, script, "PT window within which average PT expected to lie",
                        "P window within which average PT expected to lie",
                        "T window within which average PT expected to lie", true);
        break;
    }
  }
  // the averaged variable needs a window to search in; the other may be one value
  Plowhigh(io, w.Pmin, w.Plow, w.Phigh, kind != AverageKind::T);
  Tlowhigh(io, w.Tlow, w.Thigh, kind != AverageKind::P);
  w.Tmid = (w.Tlow + w.Thigh) / 2;
  w.Pmid = (w.Plow + w.Phigh) / 2;
  if (wanted == listFor) return;
  if (kind == AverageKind::P) tinterval(io, w, script);
  if (kind == AverageKind::T) pinterval(io, w, script);
  listFor = wanted;
}

Real clampAngle(Io& io, Real angle) {
  if (angle < kMinAngleChange) {
    io.putstr(0, "Too small: angle change set to " + decimalText(kMinAngleChange, 1), 1,
              kToConsoleLog);
    return kMinAngleChange;
  }
  if (angle > kMaxAngleChange) {
    io.putstr(0, "Too big: angle change set to " + decimalText(kMaxAngleChange, 0), 1,
              kToConsoleLog);
    return kMaxAngleChange;
  }
  return angle;
}

CalculationOptions optionsDialogue(Io& io, const ScriptSettings& script, AverageKind kind) {
  CalculationOptions o;
  o.reread = query(io, "independent set of reactions for rereading (put into log)");
  int scriptSet = script.setisrState;
  promptcontrol(io, "use independent set of reactions in script", scriptSet);
  o.scriptSet = scriptSet == kUsePreset;
  o.showCovariances = query(io, "show thermo covariances and correlations");
  int fromScript = script.setlinear.state;
  promptcontrol(io, "use allowed angle change of reactions from datafile", fromScript);
  if (fromScript == kUsePreset) {
    o.angle = script.setlinear.value;
  } else {
    io.putstr(0, "Reactions must be reasonably linear within the window;", 1, kToConsoleLog);
    o.angle = promptreal(io, kind == AverageKind::T
                                 ? "allowed angle change of reaction per 25 degrees (try 1)"
                                 : "allowed angle change of reaction per kbar (try 1)");
  }
  o.angle = clampAngle(io, o.angle);
  o.progress = !query(io, "minimal progress info in generating independent set of reactions");
  return o;
}

}  // namespace pf
