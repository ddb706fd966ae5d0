// The value lists along the stepped variable: T and P intervals, x(CO2)
// lists, and the rows of activities, ln a and mu.
#include <algorithm>
#include <cmath>

#include "calc/settings/calc_codes.h"
#include "calc/settings/windows.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr long kTooMany = kMaxListValues + 1;

// The words of one kind of interval question.
struct IntervalRule {
  Real singleTolerance;  // below this the window is one value
  Real endTolerance;     // the high end is added unless the last step is this close
  std::string prompt;    // "T interval"
  std::string tooLarge;  // followed by the window's width
  std::string tooSmall;  // the whole message
  std::string again;     // "try again: T interval"
  std::string negative;  // the question after a negative interval
};

// Values low, low + d, ... up to high, with high added unless the last step
// lands within the tolerance of it; kTooMany once past the limit.
long countValues(Real low, Real high, Real d, Real tolerance) {
  Real steps = (high - low) / d;
  if (!(steps < kMaxListValues)) return kTooMany;
  long n = static_cast<long>(std::trunc(steps)) + 1;
  if (high - tolerance > low + (n - 1) * d) ++n;
  return n;
}

std::vector<Real> valueList(Real low, Real high, Real d, Real tolerance) {
  long steps = static_cast<long>(std::trunc((high - low) / d)) + 1;
  std::vector<Real> list;
  for (long k = 0; k < steps; ++k) list.push_back(low + k * d);
  if (list.back() < high - tolerance) list.push_back(high);
  return list;
}

// Reads the interval until it gives between 2 and 201 values; `d` may hold
// a first interval already (from the script).
Real acceptInterval(Io& io, const IntervalRule& r, Real low, Real high, Real d, bool given) {
  if (!given) d = promptreal(io, r.prompt);
  Real width = high - low;
  for (;;) {
    if (d > 0 && d <= width && countValues(low, high, d, r.endTolerance) <= kMaxListValues)
      return d;
    std::string question = r.again;
    if (d > width) {
      io.putstr(0, r.tooLarge + decimalText(width, decimalsNeeded(width)), 1, kToConsoleLog);
    } else if (d >= 0) {
      io.putstr(0, r.tooSmall, 1, kToConsoleLog);
    } else {
      question = r.negative;
    }
    d = promptreal(io, question);
  }
}

int largestDecimals(std::initializer_list<Real> values) {
  int d = 0;
  for (Real x : values) d = std::max(d, decimalsNeeded(x));
  return d;
}

bool scriptIntervalAllowed(const WindowState& w) {
  return (w.calcCode == kCalcPhaseDiagram || w.calcCode == kCalcReactions) &&
         w.diagrammode == kDiagramPT;
}

// The interval from the script when it may be and is to be used.
bool scriptInterval(Io& io, const WindowState& w, const ScriptValue& setting,
                    const std::string& question, const std::string& name, Real& d) {
  if (!scriptIntervalAllowed(w)) return false;
  int use = setting.state;
  promptcontrol(io, question, use);
  if (use != kUsePreset) return false;
  d = setting.value;
  io.putstr(0, name + " interval = " + decimalText(d, decimalsNeeded(d)) + " (from script)", 1,
            kToConsoleLog);
  return true;
}

const std::string kMaxValuesText = std::to_string(kMaxListValues);

}  // namespace

void tinterval(Io& io, WindowState& w, const ScriptSettings& script) {
  if (std::fabs(w.Thigh - w.Tlow) < 1e-5L) {
    w.Tlist = {w.Tlow};
    return;
  }
  Real low = w.Tlow - kCelsius, high = w.Thigh - kCelsius;
  int ends = largestDecimals({low, high});
  io.putstr(0, "T window : " + decimalText(low, ends) + " <-> " + decimalText(high, ends), 1,
            kToConsoleLog);
  IntervalRule rule{1e-5L,
                    0.01L,
                    "T interval",
                    "T interval too large : max T(high) - T(low) = ",
                    "T interval too small : max of " + kMaxValuesText + " temperatures",
                    "try again: T interval",
                    "T interval must be positive - try again: T interval"};
  Real d = 0;
  bool given = scriptInterval(io, w, script.setTinterval,
                              "use the T interval in the datafile script", "T", d);
  d = acceptInterval(io, rule, w.Tlow, w.Thigh, d, given);
  w.Tlist = valueList(w.Tlow, w.Thigh, d, rule.endTolerance);
  w.Tdec = std::min(4, std::max(decimalsNeeded(d), ends));
  w.Pdec = std::clamp(w.Tdec + 1, 1, 4);
}

void pinterval(Io& io, WindowState& w, const ScriptSettings& script) {
  if (std::fabs(w.Phigh - w.Plow) < 1e-6L) {
    w.Plist = {w.Plow};
    return;
  }
  int ends = largestDecimals({w.Plow, w.Phigh});
  // no blank after the colon here, unlike the T window line
  io.putstr(
      0,
      "P window :" + decimalText(w.Plow, ends) + " <-> " + decimalText(w.Phigh, ends) + " kbar :",
      1, kToConsoleLog);
  IntervalRule rule{1e-6L,
                    0.0001L,
                    "P interval",
                    "P interval too large : max P(high) - P(low) = ",
                    "P interval too small : max of " + kMaxValuesText + " pressures",
                    "try again: P interval",
                    "P interval must be positive - try again: P interval"};
  Real d = 0;
  bool given = scriptInterval(io, w, script.setPinterval,
                              "use the P interval in the datafile script", "P", d);
  d = acceptInterval(io, rule, w.Plow, w.Phigh, d, given);
  w.Plist = valueList(w.Plow, w.Phigh, d, rule.endTolerance);
  w.Pdec = std::min(4, std::max(decimalsNeeded(d), ends));
}

// ---- x(CO2) ----------------------------------------------------------------------

namespace {

constexpr Real kDefaultXco2[] = {0.001L, 0.01L, 0.05L, 0.1L,  0.2L,  0.4L,
                                 0.6L,   0.8L,  0.9L,  0.95L, 0.99L, 0.999L};
constexpr std::size_t kFewestOffered = 6;

// The window's ends with the values between them, kept in ascending order.
std::vector<Real> xco2List(Real low, Real high, const std::vector<Real>& between) {
  std::vector<Real> list{low};
  for (Real x : between)
    if (x > list.back() && x < high) list.push_back(x);
  if (high > low) list.push_back(high);
  return list;
}

std::string valuesLine(const std::vector<Real>& values) {
  std::string line;
  for (Real x : values) {
    if (!line.empty()) line += ' ';
    line += decimalText(x, decimalsNeeded(x, 6));
  }
  return line;
}

bool offerDefaults(Io& io, const WindowState& w, std::vector<Real>& list) {
  if (w.xlow < kDefaultXco2[0] || w.xhigh > kDefaultXco2[11]) return false;
  list = xco2List(w.xlow, w.xhigh, {std::begin(kDefaultXco2), std::end(kDefaultXco2)});
  if (list.size() < kFewestOffered) return false;
  io.putstr(0, valuesLine(list), 0, kToConsoleLog);
  return query(io, " : use these x(CO2)");
}

}  // namespace

void listxco2(Io& io, WindowState& w) {
  int ends = std::max(decimalsNeeded(w.xlow, 6), decimalsNeeded(w.xhigh, 6));
  io.putstr(0,
            "x(CO2) window : " + decimalText(w.xlow, ends) + " <-> " + decimalText(w.xhigh, ends),
            1, kToConsoleLog);
  std::vector<Real> list;
  if (!offerDefaults(io, w, list)) {
    for (int lists = 1;; ++lists) {
      int n = 0;
      std::vector<Real> read = promptreals(io, "x(CO2) in ascending order", n);
      list = xco2List(w.xlow, w.xhigh, read);
      if (list.size() <= static_cast<std::size_t>(kMaxListValues)) break;
      if (lists == kMaxXco2Lists) bomb("listxco2", "too many x(CO2)'s");
      io.putstr(0, "too many x(CO2)'s  (max = " + kMaxValuesText + ") ", 1, kToConsoleLog);
    }
  }
  w.xco2 = list;
  w.xh2o.clear();
  w.xdec = 0;
  for (Real x : list) {
    w.xh2o.push_back(1 - x);
    w.xdec = std::max(w.xdec, decimalsNeeded(x, 6));
  }
  switch (w.calcvariable) {
    case kVarP:
      w.Pdec = 1;
      break;
    case kVarT:
      w.Tdec = 0;
      break;
    default:
      bomb("listxco2", "unknown calcvariable", 1);
  }
}

// ---- rows of activities, ln a and mu ---------------------------------------------

namespace {

// Builds row `row` (from 1) of values between low and high, in the units
// shown; `scale` turns them into the units held.
int buildRow(Io& io, WindowState& w, int row, Real low, Real high, const std::string& window,
             const IntervalRule& rule, Real scale, const char* routine) {
  if (row < 1 || row > kMaxValueRows) bomb(routine, "row out of range", 1);
  if (static_cast<int>(w.rows.size()) < row) w.rows.resize(static_cast<std::size_t>(row));
  ValueRow& values = w.rows[static_cast<std::size_t>(row - 1)];
  values.varied = true;
  if (std::fabs(high - low) < rule.singleTolerance) {
    values.values = {low * scale};
    return decimalsNeeded(low);
  }
  int ends = largestDecimals({low, high});
  io.putstr(0, window + decimalText(low, ends) + " <-> " + decimalText(high, ends) + " : ", 1,
            kToConsoleLog);
  Real d = acceptInterval(io, rule, low, high, 0, false);
  values.values = valueList(low, high, d, rule.endTolerance);
  for (Real& x : values.values) x *= scale;
  return std::min(4, std::max(decimalsNeeded(d), ends));
}

IntervalRule logRule(const std::string& prompt, Real tolerance) {
  return IntervalRule{tolerance,
                      tolerance,
                      prompt,
                      "interval too large :    max = ",
                      "interval too small : max of " + kMaxValuesText + " values",
                      "try again: interval",
                      "interval must be positive - try again: interval"};
}

}  // namespace

void listact(Io& io, WindowState& w, int row, Real low, Real high) {
  IntervalRule rule{1e-5L,
                    1e-5L,
                    "activity interval",
                    "activity interval too large :    max a(high) - a(low) =",
                    "activity interval too small : max of " + kMaxValuesText + " values",
                    "try again: activity interval",
                    "activity interval must be positive - try again: activity interval"};
  buildRow(io, w, row, low, high, "activity window : ", rule, 1, "listact");
}

void listlna(Io& io, WindowState& w, int row, Real low, Real high) {
  // held as natural logarithms, shown and stepped in the base the user chose
  Real scale = w.logsBase10 ? std::log(10.0L) : 1;
  std::string name = w.logsBase10 ? "log a" : "ln a";
  int d = buildRow(io, w, row, low / scale, high / scale,
                   name + " window : ", logRule(name + " interval", 1e-5L), scale, "listlna");
  w.adec = std::max(d, 2);
}

void listmu(Io& io, WindowState& w, int row, Real low, Real high) {
  std::string mu(1, kMicro);
  buildRow(io, w, row, low, high, mu + " window : ", logRule(mu + " interval", 0.001L), 1,
           "listmu");
}

}  // namespace pf
