// Window set-up of phase-diagram calculations (by variance) and of reaction
// calculations (by diagram type), with the solver scaling.
#include <algorithm>
#include <cmath>

#include "calc/settings/calc_codes.h"
#include "calc/settings/windows.h"
#include "common/bomb.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

// v = 0: both pairs strict; v = 1: the calculated one; v = 2: neither.
bool calculatedStrict(int v) {
  return v <= 1;
}
bool steppedStrict(int v) {
  return v <= 0;
}

void centre(WindowState& w) {
  w.Tmid = (w.Tlow + w.Thigh) / 2;
  w.Pmid = (w.Plow + w.Phigh) / 2;
}

// A starting guess from the script moves the centre: its T when that lies in
// the T window, otherwise its P when that lies in the P window.
void centreOnGuess(WindowState& w, const ScriptSettings& s) {
  if (s.ptguessState == kDontUse) return;
  if (inrange(w, kRangeT, s.ptguessT)) {
    w.Tmid = s.ptguessT;
  } else if (inrange(w, kRangeP, s.ptguessP)) {
    w.Pmid = s.ptguessP;
  }
}

// The solver works on P and T scaled to [0, 1] over the window widened a little.
void solverScaling(WindowState& w) {
  Real dP = (w.Plow + w.Phigh) * 0.075L / 2 + 1;
  Real Plow = std::max(w.Plow - dP, w.Pmin);
  Real Phigh = std::min(w.Phigh + dP, kPmax);
  Real Tlow = std::max(w.Tlow - 75, kTmin);
  Real Thigh = std::min(w.Thigh + 75, kTmax);
  w.Pscale = 1 / (Phigh - Plow);
  w.Poffset = -Plow * w.Pscale;
  w.Tscale = 1 / (Thigh - Tlow);
  w.Toffset = -Tlow * w.Tscale;
  w.Tstep = 0.1L / (Thigh - Tlow);
  w.Pstep = 0.01L / (Phigh - Plow);
}

void checkPT(Io& io, WindowState& w, bool Tstrict, bool Pstrict) {
  Tlowhigh(io, w.Tlow, w.Thigh, Tstrict);
  Plowhigh(io, w.Pmin, w.Plow, w.Phigh, Pstrict);
}

}  // namespace

void univariantsetup(Io& io, WindowState& w, bool TatP, int v) {
  w.calcvariable = TatP ? kVarT : kVarP;
  w.othervariable = TatP ? kVarP : kVarT;
  switch (w.calcvariable) {
    case kVarT:
      checkPT(io, w, calculatedStrict(v), steppedStrict(v));
      return;
    case kVarP:
      checkPT(io, w, steppedStrict(v), calculatedStrict(v));
      return;
    default:
      bomb("univariantsetup", "unknown calcvariable", 1);
  }
}

void windowsetup(Io& io, WindowState& w, const ScriptSettings& s, int v, bool atMostDivariant) {
  if (s.batch.state != kDontUse && !s.batch.batches.empty()) v = 0;
  if (v == 0) {
    specifyptwindow(io, w, s, "PT window within which invariant points expected to lie",
                    "P window within which invariant points expected to lie",
                    "T window within which invariant points expected to lie", true);
    w.calcvariable = kVarT;
    w.othervariable = kVarP;
    checkPT(io, w, true, true);
  } else if (v == 1) {
    int answer = s.calctatp;
    promptcontrol(io, "calculate T at  P (rather than P at T)", answer);
    bool TatP = answer == kUsePreset;
    specifyptwindow(io, w, s, "",
                    TatP ? "P range over which T of reactions to be calculated"
                         : "P window within which reactions expected to lie",
                    TatP ? "T window within which reactions expected to lie"
                         : "T range over which P of reactions to be calculated",
                    true);
    univariantsetup(io, w, TatP, 1);
  } else {
    specifyptwindow(io, w, s, "", "P range over which equilibria to be calculated",
                    "T range over which equilibria to be calculated", true);
    w.calcvariable = kVarT;
    w.othervariable = kVarP;
    checkPT(io, w, false, false);
  }
  centre(w);
  centreOnGuess(w, s);
  solverScaling(w);
  w.Tlist = {w.Tmid};
  w.Plist = {w.Pmid};
  if (v == 0) {
    w.Pdec = std::max(decimalsNeeded(w.Plow), decimalsNeeded(w.Phigh));
    w.Tdec = w.Pdec - 1;
  } else if (v == 1) {
    switch (w.calcvariable) {
      case kVarP:
        tinterval(io, w, s);
        break;
      case kVarT:
        pinterval(io, w, s);
        break;
      default:
        bomb("windowsetup", "unknown calcvariable for univariant", 1);
    }
  } else {
    if ((v < 0 || v > 2) && atMostDivariant) bomb("windowsetup", "very weird variance", 1);
    tinterval(io, w, s);
    pinterval(io, w, s);
  }
  w.Pdec = std::max(w.Pdec, 2);
  w.Tdec = std::max(w.Tdec, 1);
}

// ---- reactions -------------------------------------------------------------------

namespace {

std::string degreesC() {
  return std::string(1, kDegree) + "C";
}

Real askFixedT(Io& io) {
  return promptreal(io, "fixed T (in " + degreesC() + ")") + kCelsius;
}

// The variable held fixed beside the two axes.
void fixedT(Io& io, WindowState& w) {
  w.Tlow = w.Thigh = askFixedT(io);
  Tlowhigh(io, w.Tlow, w.Thigh, false);
}

void fixedP(Io& io, WindowState& w) {
  w.Plow = w.Phigh = promptreal(io, "fixed P (in kbar)");
  Plowhigh(io, w.Pmin, w.Plow, w.Phigh, false);
}

// Four numbers: the calculated variable's window, then the stepped one's.
std::vector<Real> askFour(Io& io, const std::string& heading, const std::string& question) {
  io.putstr(0, heading, 1, kToConsoleLog);
  int n = 4;
  return promptreals(io, question, n);
}

// The calculated variable's window from two numbers, checked.
void calculatedWindow(Io& io, WindowState& w, bool Tcalculated, Real low, Real high, int v) {
  if (Tcalculated) {
    w.Tlow = low + kCelsius;
    w.Thigh = high + kCelsius;
    Tlowhigh(io, w.Tlow, w.Thigh, calculatedStrict(v));
  } else {
    w.Plow = low;
    w.Phigh = high;
    Plowhigh(io, w.Pmin, w.Plow, w.Phigh, calculatedStrict(v));
  }
}

void ptDiagram(Io& io, WindowState& w, const ScriptSettings& s, bool ask, int v) {
  if (ask) {
    int answer = s.calctatp;
    promptcontrol(io, "calculate T at P (rather than P at T)", answer);
    bool TatP = answer == kUsePreset;
    specifyptwindow(io, w, s, "",
                    TatP ? "P range over which T of reactions to be calculated"
                         : "P window within which reactions expected to lie",
                    TatP ? "T window within which reactions expected to lie"
                         : "T range over which P of reactions to be calculated",
                    true);
    univariantsetup(io, w, TatP, v);
  }
  centre(w);
  if (ask) {
    if (w.calcvariable == kVarT) {
      pinterval(io, w, s);
    } else {
      tinterval(io, w, s);
    }
  }
}

void xco2Diagram(Io& io, WindowState& w, bool Tcalculated, int v) {
  const char* axis = Tcalculated ? "T" : "P";
  std::vector<Real> four =
      askFour(io, std::string(axis) + "-x(CO2) window in which the phase diagram to be drawn",
              std::string(axis) + " low, high , x(CO2) low, high");
  w.calcvariable = Tcalculated ? kVarT : kVarP;
  w.othervariable = kVarX;
  calculatedWindow(io, w, Tcalculated, four[0], four[1], v);
  w.xlow = four[2];
  w.xhigh = four[3];
  xlowhigh(io, w.xlow, w.xhigh, steppedStrict(v));
  if (Tcalculated) {
    listxco2(io, w);
    fixedP(io, w);
  } else {
    if (w.calcCode != kCalcPhaseDiagram) listxco2(io, w);
    fixedT(io, w);
  }
}

// The named quantity of a log a or mu axis: H2O or CO2 fix their own
// activity; anything else needs the fluid.
bool fluidFromAxis(WindowState& w, const std::string& name) {
  if (name == "H2O") {
    w.fluid.h2o = 1;
    return true;
  }
  if (name == "CO2") {
    w.fluid.co2 = 1;
    return true;
  }
  return false;
}

void lnaDiagram(Io& io, WindowState& w, const ScriptSettings& s, bool Tcalculated, int v,
                const FluidPresence& presence) {
  std::string axis = Tcalculated ? "T" : "P";
  w.logsBase10 = query(io, "for T-log a, are logs to be to the base 10");
  std::string logName = w.logsBase10 ? "log a" : "ln a";
  io.putstr(0,
            w.logsBase10 ? "logs are to the base 10" : "(logs are to the base e (ie natural logs)",
            1, kToConsoleLog);
  std::vector<Real> four =
      askFour(io, axis + "-" + logName + " window in which the phase diagram to be drawn",
              axis + " low, high , " + logName + " low, high");
  w.calcvariable = Tcalculated ? kVarT : kVarP;
  w.othervariable = kVarLna;
  calculatedWindow(io, w, Tcalculated, four[0], four[1], v);
  Real low = four[2], high = four[3];
  Real scale = w.logsBase10 ? std::log(10.0L) : 1;
  logalowhigh(io, low, high, steppedStrict(v));
  // a log to the base 10 near the largest number has no natural log to hold
  while (!std::isfinite(low * scale) || !std::isfinite(high * scale)) {
    io.putstr(0, logName + " window beyond the numbers held - try again", 1, kToConsoleLog);
    int n = 2;
    std::vector<Real> pair = promptreals(io, logName + " low,high", n);
    low = pair[0];
    high = pair[1];
    logalowhigh(io, low, high, steppedStrict(v));
  }
  w.lnalow = low * scale;
  w.lnahigh = high * scale;
  listlna(io, w, 1, w.lnalow, w.lnahigh);
  if (Tcalculated) {
    fixedP(io, w);
  } else {
    fixedT(io, w);
  }
  if (fluidFromAxis(w, w.lnaName)) return;
  setfluid(io, w, s, presence);
  io.putstr(0, "for labelling purposes in " + logName + ", ", 0, kToConsoleLog);
  std::string label = promptstring(io, "replace name, '" + w.lnaName + "', with", kMaxToken);
  w.lnaLabel = label.empty() ? w.lnaName : label;
}

void muDiagram(Io& io, WindowState& w, const ScriptSettings& s, bool Tcalculated, int v,
               const FluidPresence& presence) {
  std::string axis = Tcalculated ? "T" : "P";
  std::string mu(1, kMicro);
  std::vector<Real> four =
      askFour(io, axis + "-" + mu + " window in which the phase diagram to be drawn",
              axis + " low, high , " + mu + "(" + w.muName + ") low, high");
  w.calcvariable = Tcalculated ? kVarT : kVarP;
  w.othervariable = kVarMu;
  calculatedWindow(io, w, Tcalculated, four[0], four[1], v);
  w.mulow = four[2];
  w.muhigh = four[3];
  mulowhigh(io, w.mulow, w.muhigh, steppedStrict(v));
  listmu(io, w, 1, w.mulow, w.muhigh);
  if (Tcalculated) {
    fixedP(io, w);
  } else {
    fixedT(io, w);
  }
  if (!fluidFromAxis(w, w.muName)) setfluid(io, w, s, presence);
}

}  // namespace

void diagramwindowsetup(Io& io, WindowState& w, const ScriptSettings& s, bool ask, int v,
                        const std::string& fluidEndMember, const FluidPresence& presence) {
  switch (w.diagrammode) {
    case kDiagramPT:
      ptDiagram(io, w, s, ask, v);
      if (fluidEndMember == "H2O") {
        w.fluid.h2o = 1;
        w.fluid.co2 = 0;
      } else if (fluidEndMember == "CO2") {
        w.fluid.co2 = 1;
        w.fluid.h2o = 0;
      } else if (ask) {
        setfluid(io, w, s, presence);
      }
      return;
    case kDiagramPX:
    case kDiagramTX:
      if (ask) xco2Diagram(io, w, w.diagrammode == kDiagramTX, v);
      centre(w);
      return;
    case kDiagramPlna:
    case kDiagramTlna:
      if (ask) {
        lnaDiagram(io, w, s, w.diagrammode == kDiagramTlna, v, presence);
      } else {
        fluidFromAxis(w, w.lnaName);
      }
      centre(w);
      return;
    case kDiagramPmu:
    case kDiagramTmu:
      if (ask) {
        muDiagram(io, w, s, w.diagrammode == kDiagramTmu, v, presence);
      } else {
        fluidFromAxis(w, w.muName);
      }
      centre(w);
      return;
    default:
      bomb("diagram", "unknown diagrammode", 1);
  }
}

}  // namespace pf
