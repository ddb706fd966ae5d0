// The fixed fluid: activities or mole fractions of CO2 and H2O, from the
// script or asked, and the label that tells results which fluid they are for.
#include <cmath>

#include "calc/settings/windows.h"
#include "common/numbers.h"
#include "common/prompts.h"

namespace pf {

namespace {

struct FluidValues {
  Real co2 = 0;
  Real h2o = 0;
  bool moleFractions = false;
};

void notice(Io& io, const char* text) {
  io.putstr(0, text, 1, kToConsoleLog);
}

void askBothActivities(Io& io, FluidValues& f) {
  int n = 2;
  std::vector<Real> pair = promptreals(io, "fixed a(CO2), a(H2O)", n);
  f.co2 = pair[0];
  f.h2o = pair[1];
}

void askActivities(Io& io, const FluidPresence& p, FluidValues& f) {
  if (p.h2o && !p.co2 && !p.cordierite) {
    f.h2o = promptreal(io, "fixed a(H2O)");
    f.co2 = 0;
  } else if ((p.h2o && p.co2) || p.cordierite) {
    if (p.cordierite && !(p.h2o && p.co2)) notice(io, "for cordierite activity calculation");
    askBothActivities(io, f);
  } else {
    f.co2 = promptreal(io, "fixed a(CO2)");
    f.h2o = 0;
  }
}

void askMoleFractions(Io& io, const FluidPresence& p, FluidValues& f) {
  f.moleFractions = true;
  if (p.h2o && p.co2) {
    notice(io, "fluid is just H2O-CO2");
    f.co2 = promptreal(io, "fixed x(CO2)");
    f.h2o = 1 - f.co2;
  } else if (p.co2) {
    if (query(io, "fluid just CO2")) {
      f.co2 = 1;
      f.h2o = 0;
    } else {
      notice(io, "fluid is just H2O-CO2");
      f.co2 = promptreal(io, "fixed x(CO2)");
      f.h2o = 1 - f.co2;
    }
  } else if (query(io, "fluid just H2O")) {
    f.h2o = 1;
    f.co2 = 0;
  } else {
    notice(io, "fluid is just H2O-CO2");
    f.h2o = promptreal(io, "fixed x(H2O)");
    f.co2 = 1 - f.h2o;
  }
}

// Each fluid end-member present needs a value (cordierite alone may do
// without), none may be negative, and mole fractions may not pass 1.
bool validFluid(const FluidPresence& p, const FluidValues& f) {
  if (f.co2 < 0 || f.h2o < 0) return false;
  if (!p.cordierite && ((p.co2 && f.co2 == 0) || (p.h2o && f.h2o == 0))) return false;
  return !f.moleFractions || f.co2 + f.h2o <= 1.0001L;
}

std::string fourDecimals(Real x) {
  return realToText(x, 4, Digits::fixed);
}

std::string needed(Real x) {
  return decimalText(x, decimalsNeeded(x, 6));
}

}  // namespace

void setfluid(Io& io, WindowState& w, const ScriptSettings& script, const FluidPresence& p) {
  int use = script.setfluidState;
  promptcontrol(io, "use the fluid composition specified in the datafile", use);
  bool fromScript = use == kUsePreset;
  bool fluidPresent = p.h2o || p.co2;
  bool activities = w.fluid.fluidtype == kFluidActivities || !fluidPresent;
  FluidValues f;
  if (fromScript) {
    f.co2 = script.setfluidCO2;
    f.h2o = script.setfluidH2O;
    f.moleFractions = !activities;
  }
  for (bool first = true;; first = false) {
    bool scriptValues = fromScript && first;
    if (!scriptValues) {
      if (!fluidPresent && !p.cordierite) break;  // nothing to ask about
      if (activities) {
        askActivities(io, p, f);
      } else {
        askMoleFractions(io, p, f);
      }
    }
    if (validFluid(p, f)) break;
    io.putstr(0, scriptValues ? "x(CO2), x(H2O) from script not valid : " : "not valid : ", 0,
              kToConsoleLog);
    fromScript = fromScript && !first;
  }
  if (f.moleFractions) w.fluid.fluidtype = kFluidMoleFractions;
  w.fluid.co2 = f.co2;
  w.fluid.h2o = f.h2o;
  if (fromScript) {
    std::string kind = f.moleFractions ? "x" : "a";
    io.putstr(0,
              kind + "(CO2) = " + fourDecimals(f.co2) + ", " + kind +
                  "(H2O) = " + fourDecimals(f.h2o) + " ( from script ) ",
              1, kToConsoleLog);
  }
}

void fluidlabel(const WindowState& w, std::string& line) {
  Real co2 = w.fluid.co2, h2o = w.fluid.h2o;
  if (!(co2 > 0) && !(h2o > 0)) return;
  bool x = w.fluid.fluidtype == kFluidMoleFractions;
  std::string c = x ? "x(CO2) = " : "a(CO2) = ";
  std::string h = x ? "x(H2O) = " : "a(H2O) = ";
  if (co2 > 0 && h2o > 0) {
    line += " (for " + c + needed(co2) + " and " + h + needed(h2o) + ")";
  } else if (co2 > 0) {
    line += " (for " + c + needed(co2) + ")";
  } else {
    line += (x ? "(for " : " (for ") + h + needed(h2o) + ")";
  }
}

}  // namespace pf
