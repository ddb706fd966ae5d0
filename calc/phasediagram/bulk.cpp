// `setbulk`: the bulk composition of a calculation for a given rock.
#include "calc/phasediagram/bulk.h"

#include <algorithm>
#include <cmath>

#include "calc/phasediagram/dialogue_text.h"
#include "calc/settings/windows.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr const char* kProcedure = "readcomps";
constexpr int kShownWidth = 9;
constexpr int kShownDecimals = 2;  // shown to 0.005

bool validAmounts(const std::vector<Real>& amounts) {
  return std::all_of(amounts.begin(), amounts.end(),
                     [](Real x) { return std::isfinite(x) && x >= 0; });
}

// The rock bulk lines: one line is the composition itself; several are a
// line of modes followed by one composition line per phase, as the log's
// lines of a calculated point give them.
std::vector<Real> rockBulk(const ScriptSettings& script, int nc) {
  const std::vector<std::vector<Real>>& rows = script.rockBulkRows;
  auto checkCount = [nc](const std::vector<Real>& row) {
    if (static_cast<int>(row.size()) < nc) bomb(kProcedure, "rbi has too few oxides");
    if (static_cast<int>(row.size()) > nc) bomb(kProcedure, "rbi has too many oxides");
  };
  std::vector<Real> bulk(static_cast<std::size_t>(nc), 0);
  if (rows.size() == 1) {
    checkCount(rows[0]);
    bulk = rows[0];
  } else {
    const std::vector<Real>& modes = rows[0];
    if (modes.size() + 1 < rows.size()) bomb(kProcedure, "rbi has too few modes");
    if (modes.size() + 1 > rows.size()) bomb(kProcedure, "rbi has too many modes");
    for (std::size_t j = 1; j < rows.size(); ++j) {
      checkCount(rows[j]);
      for (int c = 0; c < nc; ++c)
        bulk[static_cast<std::size_t>(c)] += modes[j - 1] * rows[j][static_cast<std::size_t>(c)];
    }
  }
  if (!normalised(bulk)) bomb(kProcedure, "comp sum not positive");
  return bulk;
}

// One composition asked for, re-asked until it has no negative amount and
// a positive total.
std::vector<Real> askComposition(Io& io, const std::string& question, int count) {
  for (;;) {
    int n = count;
    std::vector<Real> values = promptreals(io, question, n);
    if (!validAmounts(values)) {
      consoleLogLine(io, "amounts must be zero or positive - try again");
      continue;
    }
    if (!normalised(values)) {
      consoleLogLine(io, "amounts sum to zero - try again");
      continue;
    }
    return values;
  }
}

Real askProportion(Io& io, const std::string& question) {
  Real p = promptreal(io, question);
  if (!(p >= 0 && p <= 1)) bomb(kProcedure, "entered bulk composition range is not 0<->1");
  return p;
}

int askIncrements(Io& io) {
  int n = promptinteger(io, "how many increments (max = " + decimalText(kMaxIncrements, 2) + ")");
  for (;;) {
    if (n > kMaxIncrements) {
      consoleLogLine(io, "max no = " + std::to_string(kMaxIncrements) + " - try again");
    } else if (n < 1) {
      consoleLogLine(io, "must be greater than 0 - try again");
    } else {
      return n;
    }
    n = promptinteger(io, "how many increments");
  }
}

// The 'single' phase answer: phases and their compositions and proportions.
std::vector<Real> fromPhases(Io& io, const PhaseTables& tables, const BulkSetupInput& in,
                             int divariantPhases) {
  consoleLogLine(io, "relevant phases : " + spacedNames(in.phases));
  Tokens answer;
  promptstrings(io,
                "which phases to define composition (divariant = " +
                    std::to_string(divariantPhases) + " phases)",
                answer);
  std::vector<int> picked;
  for (int k = 1; k <= answer.count; ++k) {
    std::string name = answer[k];
    auto found = std::find(in.phases.begin(), in.phases.end(), name);
    if (found == in.phases.end()) {
      Tokens again;
      promptstrings(io, name + " not recognised" + " - replace with", again);
      found = again.count == 1 ? std::find(in.phases.begin(), in.phases.end(), again[1])
                               : in.phases.end();
      if (found == in.phases.end()) {
        consoleLogLine(io, "unknown name - ignored");
        continue;
      }
    }
    int j = static_cast<int>(found - in.phases.begin());
    if (std::find(picked.begin(), picked.end(), j) == picked.end()) picked.push_back(j);
  }
  if (static_cast<int>(picked.size()) < divariantPhases)
    bomb(kProcedure, "insufficient phases to specify composition");
  std::vector<std::string> used;
  for (int j : picked) used.push_back(in.phases[static_cast<std::size_t>(j)]);
  consoleLogLine(io, "using : " + spacedNames(used));

  const std::size_t nc = in.components.size();
  std::vector<std::vector<Real>> compositions;
  bool headed = false;
  for (int j : picked) {
    const auto& amounts = in.endMemberAmounts[static_cast<std::size_t>(j)];
    const PhaseRef& ref = in.refs[static_cast<std::size_t>(j)];
    std::vector<Real> comp(nc, 0);
    if (!ref.solution) {
      comp = amounts[0];
    } else {
      const SolutionPhase& phase = tables.solutions[static_cast<std::size_t>(ref.index)];
      if (!headed) consoleLogLine(io, "specifying compositions of (solid) solutions:");
      headed = true;
      consoleLogLine(io, "for " + phase.name);
      std::vector<Real> x(static_cast<std::size_t>(phase.variableCount()));
      for (int t = 0; t < phase.variableCount(); ++t)
        x[static_cast<std::size_t>(t)] =
            promptreal(io, "value for " + phase.variables[static_cast<std::size_t>(t)].name);
      std::vector<Real> p(static_cast<std::size_t>(phase.endMemberCount()));
      phase.compiled.proportions.evaluate(x.data(), p.data());
      for (std::size_t l = 0; l < p.size(); ++l)
        for (std::size_t c = 0; c < nc; ++c) comp[c] += p[l] * amounts[l][c];
    }
    compositions.push_back(std::move(comp));
  }
  std::vector<Real> props =
      askComposition(io, "proportions (the resulting composition will be normalised to 100)",
                     static_cast<int>(picked.size()));
  std::vector<Real> bulk(nc, 0);
  for (std::size_t j = 0; j < compositions.size(); ++j)
    for (std::size_t c = 0; c < nc; ++c) bulk[c] += props[j] / 100 * compositions[j][c];
  if (!normalised(bulk)) bomb(kProcedure, "comp sum not positive");
  return bulk;
}

void showRange(Io& io, const BulkComposition& b) {
  auto plain = [](Real x) { return decimalText(x, decimalsNeeded(x, 4)); };
  consoleLogLine(io, "      (" + std::to_string(b.increments) + " increments" + " across " +
                         plain(b.start) + " to " + plain(b.finish) + " of original range" + ")");
  std::string pos, prop;
  addfield(pos, "pos", -6);
  addfield(prop, "prop", -6);
  for (int i = 1; i <= b.increments; ++i) {
    const Real g = b.increments == 1 ? 0 : Real(i - 1) / (b.increments - 1);
    addfield(pos, decimalText(g, 3), 8);
    addfield(prop, decimalText(b.start + g * (b.finish - b.start), 3), 8);
  }
  consoleLogLine(io, pos + "   (in this range)");
  consoleLogLine(io, prop + "   (of overall range)");
}

void showBulk(Io& io, const BulkComposition& b) {
  consoleLogLine(io, std::string("composition") + (b.fromScript ? " (from script)" : ""));
  std::string head;
  addfield(head, "", 6);
  for (const std::string& n : b.components) addfield(head, n, kShownWidth);
  consoleLogLine(io, head);
  auto row = [&](const std::vector<Real>& v) {
    std::string text;
    addfield(text, "", 6);
    for (Real x : v) addfield(text, decimalText(x, kShownDecimals), kShownWidth);
    consoleLogLine(io, text);
  };
  row(b.first);
  if (b.range()) row(b.second);
}

// The script lines that give this bulk again, written without the fluid
// component when it was put back.
void bulkSnippet(Io& io, const BulkComposition& b, bool asked) {
  auto given = [&](const std::vector<Real>& v) {
    std::vector<Real> out;
    for (std::size_t c = 0; c < v.size(); ++c)
      if (static_cast<int>(c) != b.fluid) out.push_back(v[c]);
    return out;
  };
  std::string names = "%           ";
  for (std::size_t c = 0; c < b.components.size(); ++c)
    if (static_cast<int>(c) != b.fluid) addfield(names, b.components[c], 10);
  std::vector<std::string> lines{names};
  auto write = [&](const std::vector<Real>& v) {
    std::string text = asked ? "setbulk ask " : "setbulk     ";
    for (Real x : given(v)) addfield(text, decimalText(x, 6), 10);
    lines.push_back(text);
  };
  write(b.first);
  if (b.range()) write(b.second);
  scriptSnippet(io, "bulk composition", lines);
}

}  // namespace

bool normalised(std::vector<Real>& amounts) {
  Real total = 0;
  for (Real x : amounts) {
    if (!std::isfinite(x) || x < 0) return false;
    total += x;
  }
  if (!(total > 0)) return false;
  for (Real& x : amounts) x = x / total * 100;
  return true;
}

int fluidComponent(const std::vector<std::string>& components) {
  for (const char* name : {"H2O", "CO2"}) {
    auto it = std::find(components.begin(), components.end(), name);
    if (it != components.end()) return static_cast<int>(it - components.begin());
  }
  return -1;
}

std::vector<Real> withFluid(const std::vector<Real>& withoutFluid, int fluid) {
  std::vector<Real> out;
  for (std::size_t c = 0; c <= withoutFluid.size(); ++c) {
    if (static_cast<int>(c) == fluid) out.push_back(kReinsertedFluid);
    if (c < withoutFluid.size()) out.push_back(withoutFluid[c]);
  }
  if (static_cast<int>(out.size()) != static_cast<int>(withoutFluid.size()) + 1 || fluid < 0)
    bomb(kProcedure, "mess in auto-add H2O and CO2");
  for (Real& x : out) x = x * 100 / (100 + kReinsertedFluid);
  return out;
}

BulkAtIncrement bulkAt(const BulkComposition& b, int increment) {
  BulkAtIncrement out;
  const int n = b.count();
  const Real g = n < 2 ? 0 : Real(increment - 1) / (n - 1);
  out.proportion = n < 2 ? b.start : b.start + g * (b.finish - b.start);
  out.bulk.resize(b.first.size());
  for (std::size_t c = 0; c < b.first.size(); ++c) {
    const Real second = b.range() ? b.second[c] : b.first[c];
    out.bulk[c] = ((1 - g) * b.first[c] + g * second) / 100;
  }
  return out;
}

void setRange(BulkComposition& b, Real start, Real finish, int increments) {
  // the compositions at the ends of the part chosen, so that the proportion
  // shown and the bulk in use agree at every increment
  std::vector<Real> a = b.first, c = b.second;
  for (std::size_t k = 0; k < a.size(); ++k) {
    b.first[k] = (1 - start) * a[k] + start * c[k];
    b.second[k] = (1 - finish) * a[k] + finish * c[k];
  }
  b.start = start;
  b.finish = finish;
  b.increments = increments;
}

BulkComposition setbulk(Io& io, const ScriptSettings& script, const PhaseTables& tables,
                        const BulkSetupInput& in) {
  BulkComposition b;
  b.components = in.components;
  const int nc = static_cast<int>(in.components.size());
  const int fluid = in.fluidExcess ? fluidComponent(in.components) : -1;
  bool asked = false;
  bool done = false;

  if (script.readbulkinfo != kDontUse && !script.rockBulkRows.empty()) {
    int state = script.readbulkinfo;
    promptcontrol(io, "use bulk compositions specified in datafile for pseudosection", state);
    if (state == kUsePreset) {
      b.first = rockBulk(script, nc);
      b.fromScript = true;
      done = true;
    }
  }

  const std::size_t given = script.bulks.empty() ? 0 : script.bulks[0].size();
  const bool scriptFits = given > 0 && (static_cast<int>(given) == nc ||
                                        (fluid >= 0 && static_cast<int>(given) == nc - 1));
  if (!done && script.setbulkState != kDontUse && scriptFits) {
    int state = script.setbulkState;
    asked = state == kAsk;
    promptcontrol(io, "use bulk compositions specified in datafile for pseudosection", state);
    if (state == kUsePreset) {
      b.fromScript = true;
      done = true;
      b.first = script.bulks[0];
      if (script.bulks.size() > 1) b.second = script.bulks[1];
      if (static_cast<int>(given) == nc - 1) {
        b.fluid = fluid;
        b.first = withFluid(b.first, fluid);
        if (b.range()) b.second = withFluid(b.second, fluid);
      }
      if (b.range()) {
        int one = script.onebulk;
        promptcontrol(io, "select one bulk composition within the range specified", one);
        if (one == kUsePreset) {
          consoleLogLine(io, "making one bulk composition within the range specified,");
          Real p = askProportion(io, "proportion across bulk composition range to use");
          setRange(b, p, p, 1);
          b.second.clear();
        } else {
          int sub = script.splitbulk == kUsePreset ? kDontUse : kAsk;
          promptcontrol(io, "select a bulk composition range within the range specified", sub);
          Real start = 0, finish = 1;
          if (sub == kUsePreset) {
            consoleLogLine(io, "making a bulk composition range within the range specified,");
            int n = 2;
            std::vector<Real> ends =
                promptreals(io, "start and finish proportions across bulk composition range", n);
            start = ends[0];
            finish = ends[1];
            if (!(start >= 0 && start <= 1) || !(finish >= 0 && finish <= 1))
              bomb(kProcedure, "entered bulk composition range is not 0<->1");
          }
          setRange(b, start, finish, askIncrements(io));
        }
      }
    }
  }

  if (!done) {
    asked = true;
    consoleLogLine(io, "specifying bulk compositions");
    consoleLogLine(io, "how to specify bulk compositions:");
    consoleLogLine(io, " 0: one composition - in terms of components (oxides)");
    consoleLogLine(io, " 1: two compositions - in terms of components (oxides)");
    consoleLogLine(io, " 2: one composition - in terms of 'single' phase compositions");
    const int code = promptinteger(io, "code");
    if (in.exbuff)
      consoleLogLine(io, "(for external buffering, the CO2 and H2O in solids will be ignored)");
    std::vector<std::string> asked_names;
    for (int c = 0; c < nc; ++c)
      if (c != fluid) asked_names.push_back(in.components[static_cast<std::size_t>(c)]);
    const int count = static_cast<int>(asked_names.size());
    auto reinsert = [&](std::vector<Real> v) {
      if (fluid < 0) return v;
      b.fluid = fluid;
      return withFluid(v, fluid);
    };
    switch (code) {
      case 0:
        consoleLogLine(io, "components to be specified : " + spacedNames(asked_names));
        b.first =
            reinsert(askComposition(io, "the composition (will be normalised to a 100)", count));
        break;
      case 1:
        consoleLogLine(io, "components to be specified : " + spacedNames(asked_names));
        b.first = reinsert(askComposition(io, "first point (will be normalised to a 100)", count));
        b.second =
            reinsert(askComposition(io, "second point (will be normalised to a 100)", count));
        setRange(b, 0, 1, askIncrements(io));
        break;
      case 2:
        // as many phases as make a divariant assemblage: one a component asked for
        b.first = fromPhases(io, tables, in, count);
        break;
      default:
        bomb(kProcedure, "should never get here 1");
    }
  }

  if (b.range()) showRange(io, b);
  showBulk(io, b);
  bulkSnippet(io, b, asked);
  return b;
}

}  // namespace pf
