// The reaction lines of mode 3: their roots along the table axis, the
// orientation, the linearised thermodynamics with uncertainties, and the
// tables (`ptxtable`).
#include <algorithm>
#include <cmath>

#include "calc/reactions/mode3.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

std::string degreesC() {
  return std::string(1, kDegree) + "C";
}

bool highTSide(const WindowState& w) {
  switch (w.diagrammode) {
    case kDiagramPT:
    case kDiagramTX:
    case kDiagramTlna:
    case kDiagramTmu:
      return true;
    case kDiagramPX:
    case kDiagramPlna:
    case kDiagramPmu:
      return false;
    default:
      bomb("turnreaction", "unknown diagrammode", 1);
  }
}

std::string lnaName(const WindowState& w) {
  return w.lnaLabel.empty() ? w.lnaName : w.lnaLabel;
}

}  // namespace

const std::vector<Real>& tableAxis(const WindowState& w) {
  static const std::vector<Real> none;
  switch (w.othervariable) {
    case kVarP:
      return w.Plist;
    case kVarT:
      return w.Tlist;
    case kVarX:
      return w.xco2;
    case kVarLna:
    case kVarMu:
      return w.rows.empty() ? none : w.rows[0].values;
    default:
      bomb("ptxtable", "unknown calcvariable", 1);
  }
}

std::string variableText(const WindowState& w, int variable, Real value) {
  switch (variable) {
    case kVarP: {
      int d = std::max(w.Pdec, 2);
      return decimalText(value, d);
    }
    case kVarT:
      return decimalText(value - kCelsius, std::max(w.Tdec, 1));
    case kVarX:
      return decimalText(value, std::max(w.xdec, 3));
    case kVarLna:
      return decimalText(w.logsBase10 ? value / std::log(10.0L) : value, std::max(w.adec, 2));
    case kVarMu:
      return decimalText(value, 3);
    default:
      bomb("ptxtable", "unknown calcvariable", 1);
  }
}

std::string systemText(const RunEndMembers& run) {
  std::string text;
  for (int c = 1; c <= run.components(); ++c) text += " " + run.componentNames[c];
  return text;
}

bool turnreaction(ReactionContext& c, Reaction& r, const DiagramPoint& point) {
  DiagramPoint shifted = point;
  if (highTSide(c.window)) {
    shifted.T += 5;
  } else {
    shifted.P += 0.2L;
  }
  // measured from dG at the point itself, which is 0 on the line, so that a
  // point off the line orients the reaction the same way
  Real rise = thermoAt(c, r, shifted).dg - thermoAt(c, r, point).dg;
  if (rise <= 0) return false;
  for (int& nu : r) nu = -nu;
  return true;
}

namespace {

// Both sums run over the excess phases of a projected system too.
Real enthalpyVariance(const RunEndMembers& run, const Reaction& projectedA,
                      const Reaction& projectedB) {
  Reaction a = withExcess(run, projectedA), b = withExcess(run, projectedB);
  Real sum = 0;
  for (std::size_t p = 1; p < a.size(); ++p) {
    if (a[p] == 0) continue;
    for (std::size_t q = 1; q < b.size(); ++q)
      if (b[q] != 0) sum += a[p] * b[q] * run.covariance(static_cast<int>(p), static_cast<int>(q));
  }
  return sum;
}

Real lnKVariance(const RunEndMembers& run, const Reaction& projectedA, const Reaction& projectedB) {
  Reaction a = withExcess(run, projectedA), b = withExcess(run, projectedB);
  Real sum = 0;
  for (std::size_t e = 1; e < a.size(); ++e) {
    if (a[e] == 0 || b[e] == 0 || !(run.activity[e] > 0)) continue;
    Real sdln = run.sdActivity[e] / run.activity[e];
    sum += a[e] * b[e] * sdln * sdln;
  }
  return sum;
}

// The point of the line nearest the middle of the table axis.
int middleIndex(const ReactionLine& line, const LinePlan& plan) {
  int count = static_cast<int>(line.first.size());
  int mid = count / 2;
  for (int step = 0; step <= count; ++step) {
    for (int k : {mid - step, mid + step})
      if (k >= 0 && k < count && insideLine(plan, line.first[k])) return k;
  }
  return -1;
}

void linearise(ReactionContext& c, ReactionLine& line) {
  const WindowState& w = c.window;
  const Reaction& r = line.reaction;
  ReactionThermo at = thermoAt(c, r, line.at);
  Real lnk = lnKAt(c, r, line.at);
  Real T = line.at.T, P = line.at.P;
  Real dg0 = at.dg - kGasConstant * T * lnk;
  line.b = at.dgdt - kGasConstant * lnk;
  line.c = at.dgdp;
  line.a = dg0 - line.b * T - line.c * P;
  line.lnK = lnk;
  line.sdA = std::sqrt(std::max(Real{0}, enthalpyVariance(c.run, r, r)));
  line.sdLnK = std::sqrt(std::max(Real{0}, lnKVariance(c.run, r, r)));
  Real slope = slopeAlong(c, r, line.at, w.calcvariable, at);
  Real rt = kGasConstant * T;
  Real spread = std::sqrt(line.sdA * line.sdA + rt * rt * line.sdLnK * line.sdLnK);
  line.sdVariable = slope != 0 ? spread / std::fabs(slope) : 0;
}

}  // namespace

ReactionLine reactionLine(ReactionContext& c, const Reaction& r) {
  const WindowState& w = c.window;
  ReactionLine line;
  line.reaction = r;
  const std::vector<Real>& axis = tableAxis(w);
  for (Real value : axis) {
    DiagramPoint p = fixedPoint(w);
    coordinate(p, w.othervariable) = value;
    LineRoots roots = solveLine(c, line.reaction, p, w.calcvariable);
    line.first.push_back(roots.first);
    line.second.push_back(roots.second);
  }
  LinePlan plan = linePlan(w, w.calcvariable);
  line.middle = middleIndex(line, plan);
  line.at = fixedPoint(w);
  if (line.middle >= 0) {
    coordinate(line.at, w.othervariable) = axis[line.middle];
    coordinate(line.at, w.calcvariable) = line.first[line.middle];
  } else {
    coordinate(line.at, w.calcvariable) = (plan.lo + plan.hi) / 2;
    coordinate(line.at, w.othervariable) =
        axis.empty() ? (windowLow(w, w.othervariable) + windowHigh(w, w.othervariable)) / 2
                     : axis[axis.size() / 2];
  }
  turnreaction(c, line.reaction, line.at);
  linearise(c, line);
  return line;
}

// ---- writing ---------------------------------------------------------------------

namespace {

std::string rangeOf(const WindowState& w) {
  int v = w.calcvariable;
  std::string text = " in the range " + variableText(w, v, windowLow(w, v)) + " <-> " +
                     variableText(w, v, windowHigh(w, v));
  return v == kVarP ? text + " kbar;" : text;
}

// "for P = 5.00 kbar", "for T = 650.0", "for x(CO2) = 0.100", ...
std::string rowLabel(const WindowState& w, Real value) {
  std::string text = variableText(w, w.othervariable, value);
  switch (w.othervariable) {
    case kVarP:
      return "for P =" + std::string(std::max<std::size_t>(1, 8 - text.size()), ' ') + text +
             " kbar";
    case kVarT:
      return "for T =" + std::string(std::max<std::size_t>(1, 8 - text.size()), ' ') + text;
    case kVarX:
      return "for x(CO2) = " + text;
    case kVarLna:
      return std::string("for ") + (w.logsBase10 ? "log a(" : "ln a(") + lnaName(w) + ") = " + text;
    case kVarMu:
      return "for " + std::string(1, kMicro) + "(" + w.muName + ") = " + text;
    default:
      bomb("ptxtable", "unknown calcvariable", 1);
  }
}

std::string rootText(const WindowState& w, Real x) {
  switch (w.calcvariable) {
    case kVarT:
      return windowT(w, x - kCelsius);
    case kVarP:
      return windowP(w, x);
    case kVarX:
      return windowX(w, x);
    default:
      bomb("ptxtable", "unknown calcvariable", 1);
  }
}

std::string nearText(const WindowState& w, Real value) {
  std::string text = variableText(w, w.othervariable, value);
  switch (w.othervariable) {
    case kVarP:
      return "uncertainties at or near " + text + " kbars";
    case kVarT:
      return "uncertainties at or near " + text + degreesC();
    case kVarX:
      return "uncertainties at or near x(CO2) = " + text;
    case kVarLna:
      return std::string(w.logsBase10 ? "uncertainties at or near log a("
                                      : "uncertainties at or near ln a(") +
             lnaName(w) + ") = " + text;
    case kVarMu:
      return "uncertainties at or near " + std::string(1, kMicro) + "(" + w.muName + ") = " + text;
    default:
      bomb("ptxtable", "unknown calcvariable", 1);
  }
}

std::string sdText(const WindowState& w, Real sd) {
  switch (w.calcvariable) {
    case kVarT:
      return "sd(T) = " + realToText(sd, 1, Digits::fixed);
    case kVarP:
      return "sd(P) = " + realToText(sd, 3, Digits::fixed) + " kbar";
    default:
      return "sd = " + realToText(sd, 4, Digits::fixed);
  }
}

std::string linearisedText(const ReactionContext& c, const ReactionLine& line) {
  const WindowState& w = c.window;
  std::string text = "linearised at T = " + variableText(w, kVarT, line.at.T) +
                     ", P = " + variableText(w, kVarP, line.at.P) + " kbar";
  Real xco2, xh2o;
  fluidAt(c, line.at, xco2, xh2o);
  if (xco2 > 0 || xh2o > 0)
    text += ", x(CO2) = " + realToText(xco2, 4, Digits::fixed) +
            ", x(H2O) = " + realToText(xh2o, 4, Digits::fixed);
  return text;
}

void thermodynamicsRows(Io& io, const ReactionContext& c, int number, const ReactionLine& line) {
  io.putstr(0, linearisedText(c, line), 1, kToAll);
  io.putstr(0, "Thermodynamics of reactions (0 = a + bT + cP + RT ln K)", 1, kToAll);
  io.putstr(0, "(a, b and c includes fluid fugacities; ln K includes x(CO2), x(H2O))", 1, kToAll);
  std::string heading;
  addfield(heading, "", 4);
  addfield(heading, "a", 10);
  addfield(heading, "b", 8);
  addfield(heading, "c", 11);
  addfield(heading, "sd(a)", 11);
  addfield(heading, "ln_K", 9);
  addfield(heading, "sd(ln_K)", 9);
  io.putstr(0, heading, 1, kToAll);
  std::string row;
  addfield(row, std::to_string(number), -4);
  addfield(row, line.a, 3, Digits::fixed, 10);
  addfield(row, line.b, 4, Digits::fixed, 8);
  addfield(row, line.c, 4, Digits::fixed, 11);
  addfield(row, line.sdA, 3, Digits::fixed, 11);
  addfield(row, line.lnK, 3, Digits::fixed, 9);
  addfield(row, line.sdLnK, 3, Digits::fixed, 9);
  io.putstr(0, row, 1, kToAll);
}

}  // namespace

void ptxtable(Io& io, ReactionContext& c, const std::vector<ReactionLine>& lines,
              const std::vector<std::string>& names) {
  const WindowState& w = c.window;
  bool temperatures = w.calcvariable == kVarT;
  if (w.calcvariable != kVarT && w.calcvariable != kVarP)
    bomb("ptxtable", "unknown calcvariable", 1);
  io.putstr(1, temperatures ? "Temperatures" : "Prsessures", 1, kToAll);
  const std::vector<Real>& axis = tableAxis(w);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const ReactionLine& line = lines[k];
    std::string eqn = equation(line.reaction, names);
    io.putstr(1, std::to_string(k + 1) + ")  " + eqn, 1, kToAll);
    thermodynamicsRows(io, c, static_cast<int>(k + 1), line);
    io.putstr(1, (temperatures ? "Temperatures for " : "Pressures for ") + eqn + rangeOf(w), 1,
              kToAll);
    LinePlan plan = linePlan(w, w.calcvariable);
    for (std::size_t j = 0; j < axis.size(); ++j) {
      std::string row = rowLabel(w, axis[j]);
      addfield(row, rootText(w, line.first[j]), 10);
      if (insideLine(plan, line.second[j])) addfield(row, rootText(w, line.second[j]), 10);
      io.putstr(0, row, 1, kToAll);
    }
    if (line.middle >= 0) {
      io.putstr(0, nearText(w, axis[line.middle]) + " : " + sdText(w, line.sdVariable), 1, kToAll);
    }
  }
}

}  // namespace pf
