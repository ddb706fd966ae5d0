// Window checks, the PT window question, range tests, widening and the
// window-relative printers.
#include "calc/settings/windows.h"

#include <algorithm>
#include <cmath>

#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

int decimalsNeeded(Real x, int most) {
  if (!std::isfinite(x) || std::fabs(x - std::nearbyint(x)) < 1e-9L) return 0;
  int d = std::min(decimalPlaces(x, PlacesMode::afterPoint), most);
  // the shared counter's absolute tolerance loses the digits of small values
  // such as 0.0001; take more until the value prints as it is
  Real tolerance = 1e-9L * std::max(Real{1}, std::fabs(x));
  while (d < most && std::fabs(std::nearbyint(x * pow10(d)) / pow10(d) - x) > tolerance) ++d;
  return d;
}

std::string decimalText(Real x, int d) {
  // (a value that is no number is written by name)
  if (!std::isfinite(x) || std::fabs(x) < 1e4L) return realToText(x, d, Digits::fixed);
  // fixed notation gives up on long digit strings; ask for them by count
  int integerDigits = static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
  return realToText(x, std::min(integerDigits + d, 20), Digits::significant);
}

void applyScriptLimits(const ScriptSettings& script, WindowState& w) {
  Real Pmin = script.negp ? kNegativePmin : kPminDefault;
  if (Pmin == w.Pmin) return;
  w.Pmin = Pmin;
  w.Pscale = 1 / (kPmax - Pmin);
  w.Poffset = -Pmin * w.Pscale;
  w.Pstep = 0.01L / (kPmax - Pmin);
}

// ---- low/high readers -------------------------------------------------------

namespace {

struct PairRule {
  std::string name;      // in the question: name + " low,high"
  std::string lowName;   // "T(low)"
  std::string highName;  // "T(high)"
  bool lowBound = false;
  bool highBound = false;
  Real lowest = 0;  // the allowed range
  Real highest = 0;
  bool openLow = false;  // the bound itself is outside
  bool openHigh = false;
  std::string lowestText;
  std::string highestText;
  Real offset = 0;  // added to the values read
};

std::vector<std::string> pairFaults(const PairRule& r, Real low, Real high, bool strict) {
  std::vector<std::string> faults;
  if (strict ? !(low < high) : !(low <= high)) {
    faults.push_back(r.lowName +
                     (strict ? " must be less than " : " must be less than or equal to ") +
                     r.highName + " : try again");
    return faults;
  }
  if (r.highBound && (r.openHigh ? high >= r.highest : high > r.highest))
    faults.push_back(r.highName + " must be less than " + r.highestText + " : try again");
  if (r.lowBound && (r.openLow ? low <= r.lowest : low < r.lowest))
    faults.push_back(r.lowName + " must be greater than " + r.lowestText + " : try again");
  return faults;
}

std::string shown(Real x) {
  return decimalText(x, decimalsNeeded(x, 6));
}

// Each pass tests the pair held and, when it is bad, reads another. The first
// pass tests the preset, so a good one is never asked; the answer read in the
// last pass is not tested: the run stops there, whatever it says.
void lowhigh(Io& io, const PairRule& r, Real& low, Real& high, bool strict) {
  for (int pass = 1;; ++pass) {
    std::vector<std::string> faults = pairFaults(r, low, high, strict);
    if (faults.empty()) return;
    for (const std::string& fault : faults) io.putstr(0, fault, 1, kToConsoleLog);
    int n = 2;
    std::vector<Real> pair = promptreals(io, r.name + " low,high", n);
    low = pair[0] + r.offset;
    high = pair[1] + r.offset;
    if (pass == kMaxPairPasses) bomb("*OK", "too many tries");
  }
}

}  // namespace

void Tlowhigh(Io& io, Real& low, Real& high, bool strict) {
  PairRule r{"T",
             "T(low)",
             "T(high)",
             true,
             true,
             kTmin,
             kTmax,
             false,
             false,
             shown(kTmin - kCelsius),
             shown(kTmax - kCelsius),
             kCelsius};
  lowhigh(io, r, low, high, strict);
}

void Plowhigh(Io& io, Real Pmin, Real& low, Real& high, bool strict) {
  PairRule r{"P",   "P(low)", "P(high)", true,        true,         Pmin,
             kPmax, false,    false,     shown(Pmin), shown(kPmax), 0};
  lowhigh(io, r, low, high, strict);
}

void xlowhigh(Io& io, Real& low, Real& high, bool strict) {
  PairRule r{"x(CO2)", "x(CO2) low", "x(CO2) high", true, true, 0, 1, true, true, "0", "1", 0};
  lowhigh(io, r, low, high, strict);
}

void alowhigh(Io& io, Real& low, Real& high, bool strict) {
  // the window is taken as logarithms, so an activity must be positive
  PairRule r{"activity", "a(low)", "a(high)", true, false, 0, 0, true, false, "0", "", 0};
  lowhigh(io, r, low, high, strict);
}

void logalowhigh(Io& io, Real& low, Real& high, bool strict) {
  PairRule r{"log a", "log a(low)", "log a(high)", false, false, 0, 0, false, false, "", "", 0};
  lowhigh(io, r, low, high, strict);
}

void mulowhigh(Io& io, Real& low, Real& high, bool strict) {
  std::string mu(1, kMicro);
  PairRule r{mu, mu + "(low)", mu + "(high)", false, false, 0, 0, false, false, "", "", 0};
  lowhigh(io, r, low, high, strict);
}

// ---- PT window ---------------------------------------------------------------

namespace {

std::string degrees() {
  return std::string(1, kDegree) + "C";
}

bool single(Real low, Real high, Real tolerance) {
  return std::fabs(high - low) < tolerance;
}

std::string rangeText(Real low, Real high, const std::string& unit) {
  int d = std::max(decimalsNeeded(low), decimalsNeeded(high));
  return decimalText(low, d) + " <=> " + decimalText(high, d) + unit;
}

std::string TrangeText(const WindowState& w) {
  return rangeText(w.Tlow - kCelsius, w.Thigh - kCelsius, degrees());
}
std::string PrangeText(const WindowState& w) {
  return rangeText(w.Plow, w.Phigh, " kbar");
}

std::string singleP(Real P) {
  if (std::fabs(P - 0.001L) < 1e-12L) return "1 bar";
  return decimalText(P, decimalsNeeded(P)) + " kbar";
}
std::string singleT(Real T) {
  Real t = T - kCelsius;
  return decimalText(t, decimalsNeeded(t)) + degrees();
}

void showScriptWindows(Io& io, const WindowState& w, bool fromT, bool fromP) {
  std::string line;
  if (fromT && fromP) {
    bool oneT = single(w.Tlow, w.Thigh, 1e-5L), oneP = single(w.Plow, w.Phigh, 1e-6L);
    if (oneT && oneP) {
      line = "at fixed P = " + singleP(w.Plow) + " and T = " + singleT(w.Tlow);
    } else if (oneP) {
      line = "T window: " + TrangeText(w) + " at fixed P = " + singleP(w.Plow);
    } else if (oneT) {
      line = "P window: " + PrangeText(w) + " at fixed T = " + singleT(w.Tlow);
    } else {
      line = "PT window: " + PrangeText(w) + "; " + TrangeText(w);
    }
  } else if (fromT) {
    line = "T window: " + TrangeText(w);
  } else {
    line = "P window : " + PrangeText(w);
  }
  io.putstr(0, line + " (from script)", 1, kToConsoleLog);
}

// "T low,high, P low,high": none keeps the script's windows, two are a
// single point, four the two windows.
void askBothWindows(Io& io, WindowState& w, const ScriptSettings& s, const std::string& heading) {
  io.putstr(0, heading, 1, kToConsoleLog);
  for (int asked = 1;; ++asked) {
    int n = 0;
    std::vector<Real> v = promptreals(io, "T low,high, P low,high", n);
    // the question put for the last time ends the run, whatever the answer
    if (asked == kMaxPTWindowQuestions) bomb("PT window", "no sensible input");
    if (n == 0) {
      w.Tlow = s.setTwindow.low;
      w.Thigh = s.setTwindow.high;
      w.Plow = s.setPwindow.low;
      w.Phigh = s.setPwindow.high;
      return;
    }
    if (n == 2) {
      w.Tlow = w.Thigh = v[0] + kCelsius;
      w.Plow = w.Phigh = v[1];
      return;
    }
    if (n >= 4) {
      w.Tlow = v[0] + kCelsius;
      w.Thigh = v[1] + kCelsius;
      w.Plow = v[2];
      w.Phigh = v[3];
      return;
    }
    io.putstr(0,
              std::to_string(n) + (n == 1 ? " number" : " numbers") +
                  " input (0, 2 or 4 numbers expected): try again",
              1, kToConsoleLog);
  }
}

// One window by itself: none keeps the script's window, one number is a
// single value.
void askOneWindow(Io& io, const std::string& prompt, const std::string& question,
                  const ScriptWindow& script, Real offset, Real& low, Real& high) {
  if (!prompt.empty()) io.putstr(0, prompt, 1, kToConsoleLog);
  int n = 0;
  std::vector<Real> v = promptreals(io, question, n);
  if (n == 0) {
    low = script.low;
    high = script.high;
  } else if (n == 1) {
    low = high = v[0] + offset;
  } else {
    low = v[0] + offset;
    high = v[1] + offset;
  }
}

}  // namespace

void specifyptwindow(Io& io, WindowState& w, const ScriptSettings& s, const std::string& heading,
                     const std::string& Pprompt, const std::string& Tprompt, bool Pfirst) {
  int useT = s.setTwindow.state;
  int useP = s.setPwindow.state;
  if (useT == kAsk && useP == kAsk) {
    promptcontrol(io, "use PT window given in datafile", useT);
    useP = useT;
  } else if (useP == kAsk) {
    promptcontrol(io, "T window set; use P window given in datafile", useP);
  } else if (useT == kAsk) {
    promptcontrol(io, "P window set; use T window given in datafile", useT);
  }
  bool fromT = useT == kUsePreset;
  bool fromP = useP == kUsePreset;
  if (fromT) {
    w.Tlow = s.setTwindow.low;
    w.Thigh = s.setTwindow.high;
  }
  if (fromP) {
    w.Plow = s.setPwindow.low;
    w.Phigh = s.setPwindow.high;
  }
  if (fromT || fromP) showScriptWindows(io, w, fromT, fromP);
  if (!fromT && !fromP && !heading.empty()) {
    askBothWindows(io, w, s, heading);
    return;
  }
  auto askT = [&] {
    if (!fromT)
      askOneWindow(io, Tprompt, "T window: T low,high", s.setTwindow, kCelsius, w.Tlow, w.Thigh);
  };
  auto askP = [&] {
    if (!fromP) askOneWindow(io, Pprompt, "P window: P low,high", s.setPwindow, 0, w.Plow, w.Phigh);
  };
  if (Pfirst) {
    askP();
    askT();
  } else {
    askT();
    askP();
  }
}

// ---- range tests and widening ---------------------------------------------------

bool inrange(const WindowState& w, int type, Real value) {
  switch (type) {
    case kRangeT:
      return w.Tlow <= value && value <= w.Thigh;
    case kRangeP:
      return w.Plow <= value && value <= w.Phigh;
    case kRangeX:
      return w.xlow <= value && value <= w.xhigh;
    case kRangeLna:
      return w.lnalow <= value && value <= w.lnahigh;
    case kRangeMu:
      return w.mulow <= value && value <= w.muhigh;
    default:
      bomb("inrange", "unknown type", 1);
  }
}

void enlargewindow(WindowState& w, int code) {
  switch (code) {
    case kVarP:
      w.savedPlow = w.Plow;
      w.savedPhigh = w.Phigh;
      w.Plow = std::max(w.Plow - 5, w.Pmin);
      w.Phigh = std::min(w.Phigh + 5, kPmax);
      return;
    case kVarT:
      w.savedTlow = w.Tlow;
      w.savedThigh = w.Thigh;
      w.Tlow = std::max(w.Tlow - 300, kTmin);
      w.Thigh = std::min(w.Thigh + 400, kTmax);
      return;
    default:
      bomb("enlargewindow", "unknown calcvariable", 1);
  }
}

void restorewindow(WindowState& w, int code) {
  switch (code) {
    case kVarP:
      w.Plow = w.savedPlow;
      w.Phigh = w.savedPhigh;
      return;
    case kVarT:
      w.Tlow = w.savedTlow;
      w.Thigh = w.savedThigh;
      return;
    default:
      bomb("restorewindow", "unknown calcvariable", 1);
  }
}

WindowTest windowTestFor(int diagrammode) {
  switch (diagrammode) {
    case kDiagramPT:
      return WindowTest::PT;
    case kDiagramPX:
      return WindowTest::PX;
    case kDiagramTX:
      return WindowTest::TX;
    case kDiagramPlna:
      return WindowTest::Plna;
    case kDiagramTlna:
      return WindowTest::Tlna;
    case kDiagramPmu:
      return WindowTest::Pmu;
    case kDiagramTmu:
      return WindowTest::Tmu;
    default:
      bomb("inPTXwindow", "unknown diagrammode", 1);
  }
}

// ---- printers -------------------------------------------------------------------

namespace {
constexpr Real kNoneMarker = 1e20L;  // the line solver's "none" is 1e21
}

std::string windowT(const WindowState& w, Real TinCelsius) {
  if (TinCelsius < -kNoneMarker) return "";
  Real T = TinCelsius + kCelsius;
  if (T < w.Tlow) return "-";
  if (T > w.Thigh) return TinCelsius >= kNoneMarker ? "*" : "+";
  return decimalText(TinCelsius, std::max(w.Tdec, 0));
}

std::string windowP(const WindowState& w, Real P) {
  if (P < -kNoneMarker) return " ";
  if (P < w.Plow) return "-";
  if (P > w.Phigh) return P >= kNoneMarker ? "*" : "+";
  int d = P > 99.9L    ? 0
          : P >= 1     ? std::max(1, w.Pdec)
          : P >= 0.1L  ? std::max(2, w.Pdec)
          : P >= 0.01L ? std::max(3, w.Pdec)
                       : std::max(4, w.Pdec);
  return decimalText(P, d);
}

std::string windowX(const WindowState& w, Real x) {
  if (x < w.xlow) return "-";
  if (x > w.xhigh) return x >= kNoneMarker ? "*" : "+";
  return decimalText(x, decimalsNeeded(x, 6));
}

}  // namespace pf
