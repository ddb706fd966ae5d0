// Isopleths: the mode questions, the modes set (`readmodeiso`) and the
// compositional variables set (`readisopleths`), with the variance they
// leave.
#include <algorithm>
#include <cmath>
#include <functional>

#include "calc/ax/activity.h"
#include "calc/ax/order.h"
#include "calc/phasediagram/setup.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

void say(Io& io, const std::string& text) {
  io.putstr(0, text, 1, kToConsoleLog);
}

void writeNames(Io& io, const std::vector<std::string>& names) {
  const std::size_t width = static_cast<std::size_t>(std::max(io.pageWidth - 2, 20));
  std::string line;
  for (const std::string& name : names) {
    if (!line.empty() && line.size() + name.size() > width) {
      say(io, line);
      line.clear();
    }
    line += name + "  ";
  }
  if (!line.empty()) say(io, line);
}

// A name among the listed ones, or a number n for the n-th; one more try.
int listedName(Io& io, const std::string& word, const std::vector<std::string>& names) {
  auto lookup = [&](const std::string& w) {
    int n = 0;
    std::string message;
    if (isNumericKind(sstringkind(w))) {
      if (readInteger(w, n, message) && n >= 1 && n <= static_cast<int>(names.size())) return n - 1;
      return -1;
    }
    auto it = std::find(names.begin(), names.end(), cut20(w));
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
  };
  int k = lookup(word);
  if (k >= 0) return k;
  Tokens answer;
  promptstrings(io, word + " doesn't match; replace with", answer);
  k = answer.count > 0 ? lookup(answer[1]) : -1;
  if (k < 0) say(io, "name still doesn't match; name ignored...");
  return k;
}

std::vector<int> askWhich(Io& io, const std::vector<std::string>& names) {
  Tokens answer;
  promptstrings(io, "which to set", answer);
  std::vector<int> chosen;
  for (int i = 1; i <= answer.count; ++i) {
    int k = listedName(io, answer[i], names);
    if (k >= 0 && std::find(chosen.begin(), chosen.end(), k) == chosen.end()) chosen.push_back(k);
  }
  return chosen;
}

// The values a list of n equal steps from low to high gives (the counting
// rule of the T and P intervals).
// (A quotient a rounding below a whole number counts as that number.)
int steps(Real low, Real high, Real d) {
  return truncToInt((high - low) / d * (1 + 1e-12L));
}

int rangeCount(Real low, Real high, Real d) {
  int n = steps(low, high, d) + 1;
  if (high - kIsoplethTolerance > low + (n - 1) * d) ++n;
  return n;
}

std::vector<Real> rangeValues(Real low, Real high, Real d) {
  std::vector<Real> values;
  int n = steps(low, high, d) + 1;
  for (int i = 0; i < n; ++i) values.push_back(low + i * d);
  if (values.back() < high - kIsoplethTolerance) values.push_back(high);
  return values;
}

struct ValueRules {
  bool mode = false;
  std::function<bool(Real)> legal;  // compositional variables
};

bool inModeRange(Real x) {
  return x >= 0 && x < 1;
}

// The ends of a range, checked and asked again; five answers at most.
void checkEnds(Io& io, const ValueRules& rules, Real& low, Real& high) {
  for (int answers = 0;; ++answers) {
    std::string fault;
    if (rules.mode && low < 0) {
      fault = "low must be greater than 0 : try again";
    } else if (rules.mode && high >= 1) {
      fault = "high must be less than 1 : try again";
    } else if (!rules.mode && !rules.legal(low)) {
      fault = "low not legal : try again";
    } else if (!rules.mode && !rules.legal(high)) {
      fault = "high not legal : try again";
    } else if (low > high) {
      fault = "low must be less than or equal to high : try again";
    }
    if (fault.empty()) return;
    if (answers == kMaxIsoplethTries) bomb("readisopleth", "too many tries");
    say(io, fault);
    int n = 2;
    std::vector<Real> pair = promptreals(io, "isopleth: low,high", n);
    low = pair[0];
    high = pair[1];
  }
}

std::vector<Real> rangeOf(Io& io, const ValueRules& rules, Real low, Real high, Real d) {
  checkEnds(io, rules, low, high);
  if (low == high) return {low};
  d = std::fabs(d);
  if (d == 0) {
    say(io, "did you mean inc=0?;  one isopleth at low will be used...");
    return {low};
  }
  for (int answers = 0;; ++answers) {
    std::string fault;
    if (d > high - low + kIsoplethTolerance) {
      fault = "isopleth interval too large (greater than high-low)";
    } else if (rangeCount(low, high, d) > kMaxIsoplethValues) {
      fault =
          "isopleth interval too small  (max = " + std::to_string(kMaxIsoplethValues) + ")  values";
    } else if (d > 0) {
      return rangeValues(low, high, d);
    }
    if (answers == kMaxIsoplethTries) bomb("readisopleth", "too many tries");
    if (!fault.empty()) say(io, fault);
    d = std::fabs(promptreal(io, "try again: interval"));
  }
}

std::vector<Real> listOf(Io& io, const ValueRules& rules, const std::vector<Real>& given) {
  std::vector<Real> kept;
  for (Real x : given) {
    bool ok = rules.mode ? inModeRange(x) : rules.legal(x);
    if (ok && static_cast<int>(kept.size()) < kMaxIsoplethValues) kept.push_back(x);
  }
  if (rules.mode) {
    if (kept.empty()) say(io, "none of the values are in the range 0<->1 - all ignored");
  } else if (kept.empty()) {
    say(io, "no values are legal - all ignored");
  } else if (kept.size() < given.size()) {
    say(io, "some of the values are not legal and have been ignored");
  }
  return kept;
}

// The values of one isopleth, from the script's three numbers or asked.
std::vector<Real> isoplethValues(Io& io, const ValueRules& rules, const std::string& name,
                                 const std::vector<Real>* fromScript) {
  std::vector<Real> given;
  if (fromScript != nullptr) {
    say(io, "isopleths to be set for " + name + " (from script)");
    given = *fromScript;
  } else {
    say(io, (rules.mode ? "specifying mode isopleths for " : "specifying isopleths for ") + name);
    int n = 0;
    given = promptreals(io, "  list of values OR start, finish, interval", n);
  }
  if (given.empty()) {
    if (rules.mode) {
      say(io, "zero mode isopleth assumed");
      return {0};
    }
    return listOf(io, rules, given);
  }
  if (given.size() == 3 && given[1] > given[0]) {
    if (fromScript != nullptr) say(io, "isopleth (low,high,interval) set in script");
    return rangeOf(io, rules, given[0], given[1], given[2]);
  }
  return listOf(io, rules, given);
}

std::string variantLine(int v, bool exbuff) {
  switch (v) {
    case 0:
      return exbuff ? "equilibia now effectively invariant (eg a point in T-x(CO2))"
                    : "equilibia now effectively invariant (eg a point in PT)";
    case 1:
      return exbuff ? "equilibia now effectively univariant (eg a line in T-x(CO2))"
                    : "equilibia now effectively univariant (eg a line in PT)";
    case 2:
      return "equilibia now effectively divariant ";
    case 3:
      return "equilibia now effectively trivariant ";
    default:
      if (v >= 4 && v <= 10) return "equilibia now effectively " + std::to_string(v) + "-variant ";
      bomb("readisopleths", "unknown variance");
  }
}

// The variance left by m mode isopleths among k isopleths in all.
int varianceAfter(const PhaseDiagramSetup& s, int m, int k, Io& io) {
  const bool on = s.exbuff;
  auto tooMany = []() -> int { bomb("readisopleths", "too many things set"); };
  if (m >= 3) return tooMany();
  if (m == 1) {
    if (k == 1) return on ? 2 : 1;
    if (k == 2) return on ? 1 : 0;
    if (k == 3 && on) return 0;
    return tooMany();
  }
  if (m == 2) {
    if (k == 2) return on ? 1 : 0;
    if (k == 3 && on) return 0;
    return tooMany();
  }
  if (!s.bulk) {
    int v = s.v - k;
    if (v < 0) return tooMany();
    if (v >= 3) {
      say(io, "too few things set");
      bomb("readisopleths", "variance must be 0<->2");
    }
    return v;
  }
  if (k == 0) return s.v;
  if (k == 1) return on ? (s.v == 2 ? 1 : 2) : 1;
  if (k == 2) return on ? 1 : 0;
  if (k == 3 && on) return 0;
  return tooMany();
}

struct CompositionalVariable {
  int phase;  // among the chosen phases
  int variable;
  std::string name;
};

std::vector<CompositionalVariable> compositionalVariables(const PhaseTables& tables,
                                                          const PhaseDiagramSetup& setup) {
  std::vector<CompositionalVariable> list;
  for (std::size_t k = 0; k < setup.phases.size(); ++k) {
    const ChosenPhase& p = setup.phases[k];
    if (!p.ref.solution) continue;
    const SolutionPhase& s = tables.solutions[static_cast<std::size_t>(p.ref.index)];
    for (int t = 0; t < s.variableCount(); ++t)
      list.push_back({static_cast<int>(k), t, s.variables[static_cast<std::size_t>(t)].name});
  }
  return list;
}

// A value is legal for a variable inside its range (the file's limits, or
// the range that keeps the phase's site fractions non-negative) where every
// site fraction of the phase stays positive, the other variables at their
// starting guesses: at a value that empties a site (x(ol) = 1 empties Mg)
// the activities that the equations take the logarithm of vanish.
bool legalValue(const SolutionPhase& s, int t, Real x) {
  std::vector<Real> at = s.guesses();
  Range r = variableRange(s, t, at);
  const Real slack = 1e-12L;
  if (x < r.low - slack || x > r.high + slack) return false;
  at[static_cast<std::size_t>(t)] = x;
  return siteFractionsPositive(s, at);
}

bool anyFluidExcess(const PhaseDiagramSetup& setup) {
  return std::any_of(setup.phases.begin(), setup.phases.end(),
                     [](const ChosenPhase& p) { return p.excess && p.fluidExcess; });
}

void fluidIsopleth(const WindowState& w, std::vector<Real>& values) {
  std::vector<Real> inside;
  for (Real x : values)
    if (x >= w.xlow && x <= w.xhigh) inside.push_back(x);
  if (inside.empty()) bomb("readisopleth", "no x(CO2) in range");
  values = inside;
}

}  // namespace

void readmodeiso(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup) {
  std::vector<std::string> names;
  std::vector<int> where;
  for (std::size_t k = 0; k < setup.phases.size(); ++k) {
    if (setup.phases[k].excess) continue;
    names.push_back(setup.phases[k].name);
    where.push_back(static_cast<int>(k));
  }
  say(io, setup.zeroModes ? "you may set zero modal proportions, from: "
                          : "you may set modal proportions, from:");
  writeNames(io, names);
  std::vector<int> chosen;
  const bool zeroFromScript = setup.zeroModes && script.zeromodeiso.state == kUsePreset;
  const bool modeFromScript = !setup.zeroModes && script.setmodeiso.state == kUsePreset;
  if (zeroFromScript || modeFromScript) {
    std::vector<std::string> wanted =
        zeroFromScript ? script.zeromodeiso.names : std::vector{script.setmodeiso.name};
    for (const std::string& name : wanted) {
      int k = listedName(io, name, names);
      if (k >= 0) chosen.push_back(k);
    }
  } else {
    chosen = askWhich(io, names);
  }
  if (static_cast<int>(chosen.size()) > kMaxIsopleths) bomb("mode isopleths", "too many isopleths");
  ValueRules rules;
  rules.mode = true;
  for (int k : chosen) {
    IsoplethSetting iso;
    iso.mode = true;
    iso.name = names[static_cast<std::size_t>(k)];
    iso.phase = where[static_cast<std::size_t>(k)];
    if (setup.zeroModes) {
      iso.values = {0};
    } else {
      iso.values =
          isoplethValues(io, rules, iso.name, modeFromScript ? &script.setmodeiso.values : nullptr);
    }
    if (!iso.values.empty()) setup.isopleths.push_back(iso);
  }
  const int m = setup.modeIsoplethCount();
  if (m == 1) setup.v = 1;
  if (m == 2) setup.v = 0;
  if (m > 2) bomb("readmodeiso", "too many modes set");
}

void readisopleths(Io& io, const ScriptSettings& script, const PhaseTables& tables,
                   const WindowState& w, PhaseDiagramSetup& setup) {
  const int v = setup.v;
  if (setup.reduce && v >= 3) {
    int least = v - 2;
    say(io, "you will have to set at least " + std::to_string(least) +
                (least == 1 ? " compositional variable" : " compositional variables"));
    if (setup.fluidtype == kFluidBinary) {
      say(io, v < 4 ? "(or none, if you set fluid composition and nominate external buffering)"
                    : "(or " + std::to_string(v - 3) +
                          ", if you set fluid composition and nominate external buffering)");
    }
  }
  const std::vector<CompositionalVariable> all = compositionalVariables(tables, setup);
  std::vector<std::string> names;
  for (const CompositionalVariable& c : all) names.push_back(c.name);
  const bool fromScript = script.setiso.state == kUsePreset;
  std::vector<int> chosen;
  if (all.empty()) {
    say(io, "no compositional variables available to be set");
  } else if (fromScript) {
    int k = listedName(io, script.setiso.name, names);
    if (k >= 0) chosen.push_back(k);
  } else if (all.size() == 1) {
    say(io, names[0]);
    say(io, "only " + names[0] + " available to be set");
    if (query(io, " do you want to set this variable")) chosen.push_back(0);
  } else {
    say(io, "you may set compositional variables, from:");
    writeNames(io, names);
    if (v == 0) {
      say(io, "(invariant; nothing can be set)");
    } else {
      chosen = askWhich(io, names);
    }
  }
  if (static_cast<int>(chosen.size()) > kMaxIsopleths) bomb("isopleths", "too many isopleths");
  bool fluidSet = false;
  for (int k : chosen) {
    const CompositionalVariable& c = all[static_cast<std::size_t>(k)];
    const ChosenPhase& p = setup.phases[static_cast<std::size_t>(c.phase)];
    const SolutionPhase& s = tables.solutions[static_cast<std::size_t>(p.ref.index)];
    ValueRules rules;
    rules.legal = [&s, &c](Real x) { return legalValue(s, c.variable, x); };
    IsoplethSetting iso;
    iso.name = c.name;
    iso.phase = c.phase;
    iso.variable = c.variable;
    iso.values = isoplethValues(io, rules, c.name, fromScript ? &script.setiso.values : nullptr);
    if (iso.values.empty()) continue;
    if (s.fluid) {
      fluidIsopleth(w, iso.values);
      fluidSet = true;
    }
    setup.isopleths.push_back(iso);
  }
  if (fluidSet && anyFluidExcess(setup)) {
    say(io, "with fluid isopleth(s) specified and with fluid in excess,");
    int state = script.exbuff;
    promptcontrol(io, "do you want to look at external buffering", state);
    setup.exbuff = state == kUsePreset;
  }
  const int m = setup.modeIsoplethCount();
  const int k = static_cast<int>(setup.isopleths.size());
  setup.v = varianceAfter(setup, m, k, io);
  say(io, variantLine(setup.v, setup.exbuff));
}

void isoplethquestions(Io& io, const ScriptSettings& script, const PhaseTables& tables,
                       const WindowState& w, PhaseDiagramSetup& setup) {
  setup.isopleths.clear();
  setup.zeroModes = false;
  bool modes = false;
  if (!setup.bulk) {
    setup.reduce = true;
  } else if (setup.dogmin) {
    setup.reduce = setup.v < 3;
  } else if (setup.v >= 2) {
    int state = script.setmodeiso.state;
    promptcontrol(io, "set mode isopleths", state);
    modes = state == kUsePreset;
    setup.reduce = setup.v == 2 && !modes;
    if (modes) {
      int zero = script.zeromodeiso.state;
      promptcontrol(io, "set modes to zero (to find edges/corners of fields)", zero);
      setup.zeroModes = zero == kUsePreset;
    }
  } else if (setup.v == 1) {
    int state = script.zeromodeiso.state;
    promptcontrol(io, "calculate trivariant points on univariants", state);
    modes = setup.zeroModes = state == kUsePreset;
    setup.reduce = !modes;
  } else {
    setup.reduce = true;
  }
  if (modes) readmodeiso(io, script, setup);
  const bool scriptAsks = !setup.dogmin && script.setiso.state != kDontUse;
  if (setup.anySolution() && ((setup.reduce && setup.v >= 3) || scriptAsks))
    readisopleths(io, script, tables, w, setup);
}

}  // namespace pf
