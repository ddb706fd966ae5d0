// The debug level, the Gibbs energy questions and the variance of a
// phase-diagram calculation.
#include <cmath>

#include "calc/phasediagram/setup.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

int PhaseDiagramSetup::modeIsoplethCount() const {
  int m = 0;
  for (const IsoplethSetting& i : isopleths) m += i.mode ? 1 : 0;
  return m;
}

int PhaseDiagramSetup::compositionIsoplethCount() const {
  return static_cast<int>(isopleths.size()) - modeIsoplethCount();
}

int PhaseDiagramSetup::excessCount() const {
  int n = 0;
  for (const ChosenPhase& p : phases) n += p.excess ? 1 : 0;
  return n;
}

int debugLevel(Io& io, int scriptLevel) {
  if (scriptLevel >= 0 && scriptLevel <= 4) return scriptLevel;
  if (scriptLevel != -1) return 1;
  if (!query(io, "debug diagnostics")) return 1;
  if (!query(io, "more detailed debug diagnostics")) return 2;
  if (!query(io, "EVEN more detailed debug diagnostics")) return 3;
  return 4;
}

void gibbsQuestions(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup) {
  int calcg = script.calcg;
  const int t = setup.fluidtype;
  if (!setup.anySolution() || t == kFluidSeveral || t == kFluidAqueousH2O ||
      t == kFluidAqueousMixed || script.exbuff == kUsePreset) {
    calcg = kDontUse;
  } else if (script.dogmin == kUsePreset) {
    calcg = kUsePreset;
  } else {
    promptcontrol(io, "calculate Gibbs energy of assemblages", calcg);
  }
  setup.calcg = calcg == kUsePreset;
  int dogmin = kDontUse;
  if (setup.calcg) {
    dogmin = script.dogmin;
    promptcontrol(io, "find minimum Gibbs energy assemblage for a bulk composition", dogmin);
  }
  setup.dogmin = dogmin == kUsePreset;
  setup.bulk = script.pseudosection == kUsePreset;
  setup.autovar = script.autovar == kUsePreset;
  if (setup.dogmin) {
    setup.bulk = true;
    setup.autovar = false;
  }
}

int findvariance(int rank, const PhaseDiagramSetup& setup, int musSet) {
  return rank + 2 - setup.nss - setup.npure - musSet;
}

namespace {

std::string varianceName(int v) {
  switch (v) {
    case 0:
      return "invariant";
    case 1:
      return "univariant";
    case 2:
      return "divariant";
    default:
      return std::to_string(v) + "-variant";
  }
}

void tooLow(Io& io, int G, int& v) {
  if (v >= G) return;
  io.putstr(0, "variance too low: reset to " + std::to_string(G), 1, kToConsoleLog);
  v = G;
}

int askedVariance(Io& io, const PhaseDiagramSetup& setup) {
  const int G = setup.G;
  std::string question =
      setup.dogmin ? "max variance of equilibria to be looked at"
                   : "variance of required equilibrium (" + std::to_string(G < 0 ? 0 : G) + "?)";
  Tokens answer;
  promptstrings(io, question, answer);
  const std::string bullet(1, kBullet);
  Real value = 0;
  std::string message;
  bool oneNumber = answer.count == 1 && answer[1].size() <= kMaxVarianceAnswer &&
                   readReal(answer[1], value, message) && std::fabs(value) <= kMaxInteger;
  if (!oneNumber) {
    if (setup.dogmin) {
      io.putstr(0, bullet + " garbage info for variance: set to 2", 1, kToConsoleLog);
      return 2;
    }
    if (answer.count > 0)
      io.putstr(0, bullet + " garbage info for variance: set to " + std::to_string(G), 1,
                kToConsoleLog);
    return G;
  }
  int v = truncToInt(value);
  tooLow(io, G, v);
  if (!setup.dogmin && v > G + 2) {
    io.putstr(0, bullet + " variance looks awry: reset to " + std::to_string(G), 1, kToConsoleLog);
    v = G;
  }
  return v;
}

}  // namespace

void choosevariance(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup) {
  const int G = setup.G;
  int v = G;
  if (!setup.anySolution()) {
    v = 1;
  } else if (setup.batch) {
    v = G;
  } else if (setup.autovar && setup.bulk) {
    io.putstr(0, "(using autovar (from script), with var = " + std::to_string(G) + ")", 1,
              kToConsoleLog);
  } else {
    int state = script.setvarState;
    promptcontrol(io, "use the variance specified in the datafile", state);
    if (state == kUsePreset) {
      v = script.varianceAuto ? G : script.variance;
      tooLow(io, G, v);
      io.putstr(0,
                (setup.dogmin ? "max variance of equilibria " : "required equilibria are ") +
                    varianceName(v) + " (from script)",
                1, kToConsoleLog);
    } else {
      v = askedVariance(io, setup);
    }
  }
  setup.v = setup.vsaved = v;
}

}  // namespace pf
