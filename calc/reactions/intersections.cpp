// Intersections of reactions (invariant points): the position from two of
// their reactions solved together, its uncertainty from the enthalpy
// covariance and the activity uncertainties, and the output.
#include <algorithm>
#include <cmath>

#include "calc/reactions/mode3.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

struct Linear {
  Real g = 0;
  Real d1 = 0;  // along the calculation variable
  Real d2 = 0;  // along the stepped variable
};

Linear linearAt(ReactionContext& c, const Reaction& r, const DiagramPoint& p) {
  const WindowState& w = c.window;
  ReactionThermo at = thermoAt(c, r, p);
  return {at.dg, slopeAlong(c, r, p, w.calcvariable, at), slopeAlong(c, r, p, w.othervariable, at)};
}

// Where the solver may look: the window widened, inside what the
// thermodynamics can be evaluated at.
void keepEvaluable(const WindowState& w, DiagramPoint& p) {
  p.T = std::clamp(p.T, std::max(Real{100}, w.Tlow - 1000), std::min(Real{6000}, w.Thigh + 1000));
  p.P = std::clamp(p.P, std::max(w.Pmin, Real{0.0001L}), std::min(kPmax, w.Phigh * 2 + 50));
  p.x = std::clamp(p.x, Real{1e-6L}, Real{1 - 1e-6L});
}

Real tolerance(int variable, Real value) {
  switch (variable) {
    case kVarT:
      return kBaseT * 10;
    case kVarP:
      return kBaseP * 10;
    case kVarX:
      return 1e-7L * std::max(Real{1e-3L}, std::min(value, 1 - value));
    default:
      return 1e-8L;
  }
}

Real covarianceOf(const RunEndMembers& run, const Reaction& projectedA, const Reaction& projectedB,
                  Real T) {
  // the excess phases of a projected system take part too
  Reaction a = withExcess(run, projectedA), b = withExcess(run, projectedB);
  Real enthalpy = 0, lnk = 0;
  for (std::size_t p = 1; p < a.size(); ++p) {
    if (a[p] == 0) continue;
    for (std::size_t q = 1; q < b.size(); ++q)
      if (b[q] != 0)
        enthalpy += a[p] * b[q] * run.covariance(static_cast<int>(p), static_cast<int>(q));
    if (b[p] != 0 && run.activity[p] > 0) {
      Real sdln = run.sdActivity[p] / run.activity[p];
      lnk += a[p] * b[p] * sdln * sdln;
    }
  }
  Real rt = kGasConstant * T;
  return enthalpy + rt * rt * lnk;
}

}  // namespace

IntersectionPoint intersectionptx(ReactionContext& c, const Intersection& members,
                                  const std::vector<ReactionLine>& lines) {
  const WindowState& w = c.window;
  int v1 = w.calcvariable, v2 = w.othervariable;
  IntersectionPoint point;
  point.members = members;
  if (static_cast<int>(members.reactions.size()) > kMaxIntersectionReactions)
    bomb("intersections", "too many reactions in intersection");
  DiagramPoint p = fixedPoint(w);
  coordinate(p, v1) = (windowLow(w, v1) + windowHigh(w, v1)) / 2;
  coordinate(p, v2) = (windowLow(w, v2) + windowHigh(w, v2)) / 2;
  // the pair whose lines cross most steeply
  Real best = 0;
  for (std::size_t i = 0; i < members.reactions.size(); ++i) {
    Linear a = linearAt(c, lines[members.reactions[i]].reaction, p);
    for (std::size_t j = i + 1; j < members.reactions.size(); ++j) {
      Linear b = linearAt(c, lines[members.reactions[j]].reaction, p);
      Real det = std::fabs(a.d1 * b.d2 - a.d2 * b.d1);
      if (det > best) {
        best = det;
        point.pair1 = members.reactions[i];
        point.pair2 = members.reactions[j];
      }
    }
  }
  point.at = p;
  if (point.pair1 < 0) return point;  // parallel lines: no position
  const Reaction& r1 = lines[point.pair1].reaction;
  const Reaction& r2 = lines[point.pair2].reaction;
  Linear a, b;
  Real det = 0;
  for (int k = 0; k < kMaxIntersectionIterations; ++k) {
    a = linearAt(c, r1, p);
    b = linearAt(c, r2, p);
    det = a.d1 * b.d2 - a.d2 * b.d1;
    if (det == 0 || !std::isfinite(det) || !std::isfinite(a.g) || !std::isfinite(b.g)) return point;
    Real step1 = -(a.g * b.d2 - b.g * a.d2) / det;
    Real step2 = -(a.d1 * b.g - b.d1 * a.g) / det;
    coordinate(p, v1) += step1;
    coordinate(p, v2) += step2;
    keepEvaluable(w, p);
    if (std::fabs(step1) < tolerance(v1, coordinate(p, v1)) &&
        std::fabs(step2) < tolerance(v2, coordinate(p, v2))) {
      point.converged = true;
      break;
    }
  }
  point.at = p;
  // a solution driven out of the window never settles there: not in the window
  point.inWindow =
      inrange(w, rangeCode(v1), coordinate(p, v1)) && inrange(w, rangeCode(v2), coordinate(p, v2));
  if (!point.converged) return point;
  a = linearAt(c, r1, p);
  b = linearAt(c, r2, p);
  det = a.d1 * b.d2 - a.d2 * b.d1;
  if (det == 0) {
    point.converged = false;
    return point;
  }
  point.inWindow =
      inrange(w, rangeCode(v1), coordinate(p, v1)) && inrange(w, rangeCode(v2), coordinate(p, v2));
  // Cov = J^-1 C J^-T, J the slopes of the two reactions, C their dG covariance
  Real c11 = covarianceOf(c.run, r1, r1, p.T), c22 = covarianceOf(c.run, r2, r2, p.T);
  Real c12 = covarianceOf(c.run, r1, r2, p.T);
  Real i11 = b.d2 / det, i12 = -a.d2 / det, i21 = -b.d1 / det, i22 = a.d1 / det;
  Real v11 = i11 * i11 * c11 + 2 * i11 * i12 * c12 + i12 * i12 * c22;
  Real v22 = i21 * i21 * c11 + 2 * i21 * i22 * c12 + i22 * i22 * c22;
  Real v12 = i11 * i21 * c11 + (i11 * i22 + i12 * i21) * c12 + i12 * i22 * c22;
  point.sd1 = std::sqrt(std::max(Real{0}, v11));
  point.sd2 = std::sqrt(std::max(Real{0}, v22));
  point.cor = point.sd1 > 0 && point.sd2 > 0 ? v12 / (point.sd1 * point.sd2) : 0;
  return point;
}

bool listedIntersection(const IntersectionPoint& p) {
  // parallel lines have no position to test: they are listed as not converged
  return p.tested && (p.inWindow || (!p.converged && p.pair1 < 0));
}

// ---- writing ---------------------------------------------------------------------

namespace {

std::string degreesC() {
  return std::string(1, kDegree) + "C";
}

std::string axisName(const WindowState& w) {
  if (w.othervariable == kVarMu) return w.muName;
  return w.lnaLabel.empty() ? w.lnaName : w.lnaLabel;
}

std::string rangeText(const WindowState& w, int v) {
  return variableText(w, v, windowLow(w, v)) + " <-> " + variableText(w, v, windowHigh(w, v));
}

void heading(Io& io, const ReactionContext& c, const ReactionsChoice& choice) {
  const WindowState& w = c.window;
  std::string system = systemText(c.run);
  std::string logName = w.logsBase10 ? "log a(" : "ln a(";
  std::string mu(1, kMicro);
  std::string title, window;
  std::string Tfixed = variableText(w, kVarT, w.Tlow), Pfixed = variableText(w, kVarP, w.Plow);
  switch (w.diagrammode) {
    case kDiagramPT:
      title = "P-T of intersections for" + system;
      window =
          "window : P " + rangeText(w, kVarP) + " kbars; T " + rangeText(w, kVarT) + degreesC();
      break;
    case kDiagramPX:
      title = "P-x(CO2)  of intersections for" + system + " : T = " + Tfixed;
      window = "window : P " + rangeText(w, kVarP) + " kbars; x(CO2) " + rangeText(w, kVarX);
      break;
    case kDiagramTX:
      title = "T-x(CO2)  of intersections for" + system + " : P = " + Pfixed + " kbar";
      window = "window : T " + rangeText(w, kVarT) + degreesC() + "; x(CO2) " + rangeText(w, kVarX);
      break;
    case kDiagramTlna:
      title =
          "T-a(" + axisName(w) + ")  of intersections for" + system + " : P = " + Pfixed + " kbar";
      window = "window : T " + rangeText(w, kVarT) + degreesC() + "; " + logName + axisName(w) +
               ") " + rangeText(w, kVarLna);
      break;
    case kDiagramPlna:
      title = "P-x(" + axisName(w) + ")  of intersections for" + system + " : T = " + Tfixed;
      window = "window : P " + rangeText(w, kVarP) + " kbars; " + logName + axisName(w) + ") " +
               rangeText(w, kVarLna);
      break;
    case kDiagramTmu:
      title = "T-" + mu + "(" + w.muName + ")  of intersections for" + system + " : P = " + Pfixed +
              " kbar";
      window = "window : T " + rangeText(w, kVarT) + degreesC() + "; " + mu + "(" + w.muName +
               ") " + rangeText(w, kVarMu);
      break;
    case kDiagramPmu:
      title = "P-" + mu + "(" + w.muName + ")  of intersections for" + system + " : T = " + Tfixed;
      window = "window : P " + rangeText(w, kVarP) + " kbars; " + mu + "(" + w.muName + ") " +
               rangeText(w, kVarMu);
      break;
    default:
      bomb("intersections", "unknown diagrammode", 1);
  }
  io.putstr(2, title, 1, kToAll);
  io.putstr(0, window, 1, kToAll);
  if (!choice.excess.empty()) {
    std::string line = "in excess :";
    for (const std::string& name : choice.excess) line += " " + name;
    io.putstr(0, line, 1, kToAll);
  }
}

std::string named(const WindowState& w, int v) {
  std::string logName = w.logsBase10 ? "log a(" : "ln a(";
  switch (v) {
    case kVarP:
      return "P";
    case kVarT:
      return "T";
    case kVarX:
      return "x(CO2)";
    case kVarLna:
      return logName + axisName(w) + ")";
    case kVarMu:
      return std::string(1, kMicro) + "(" + w.muName + ")";
    default:
      bomb("intersections", "unknown calcvariable", 1);
  }
}

std::string sdValue(const WindowState& w, int v, Real sd) {
  switch (v) {
    case kVarP:
      return realToText(sd, 3, Digits::fixed);
    case kVarT:
      return realToText(sd, 1, Digits::fixed);
    case kVarLna:
      return realToText(w.logsBase10 ? sd / std::log(10.0L) : sd, 3, Digits::fixed);
    default:
      return realToText(sd, 4, Digits::fixed);
  }
}

std::string positionText(const WindowState& w, const IntersectionPoint& point) {
  const DiagramPoint& p = point.at;
  std::string P = variableText(w, kVarP, p.P), T = variableText(w, kVarT, p.T);
  std::string cor = realToText(point.cor, 3, Digits::fixed);
  int v1 = w.calcvariable, v2 = w.othervariable;
  Real sdP = v1 == kVarP ? point.sd1 : point.sd2, sdT = v1 == kVarT ? point.sd1 : point.sd2;
  switch (w.diagrammode) {
    case kDiagramPT:
      return "P = " + P + " kbar (sd = " + sdValue(w, kVarP, sdP) + "),  T = " + T +
             " (sd = " + sdValue(w, kVarT, sdT) + "),  (cor = " + cor + ")";
    case kDiagramPX:
    case kDiagramTX:
    case kDiagramPlna:
    case kDiagramTlna:
    case kDiagramPmu:
    case kDiagramTmu: {
      std::string first = v1 == kVarP ? "P = " + P + " kbar" : "T = " + T;
      std::string second = named(w, v2) + " = " + variableText(w, v2, coordinate(p, v2));
      if (w.diagrammode == kDiagramPlna) first = "P = " + P + "kbar ";
      std::string joint = w.diagrammode == kDiagramPlna ? "," : ", ";
      return first + joint + second + "  (sd = " + sdValue(w, v1, point.sd1) + ", " +
             sdValue(w, v2, point.sd2) + ",  cor = " + cor + ")";
    }
    default:
      bomb("intersections", "unknown diagrammode", 1);
  }
}

}  // namespace

void intersections(Io& io, ReactionContext& c, const ReactionsChoice& choice,
                   std::vector<ReactionLine>& lines, std::vector<IntersectionPoint>& points) {
  const WindowState& w = c.window;
  heading(io, c, choice);
  // a reaction's passage through the window, asked once
  std::vector<int> passes(lines.size(), -1);
  auto through = [&](int r) {
    if (passes[r] < 0) passes[r] = inPTXwindow(c, lines[r].reaction) ? 1 : 0;
    return passes[r] == 1;
  };
  int shown = 0;
  for (IntersectionPoint& point : points) {
    const Intersection& members = point.members;
    if (static_cast<int>(members.reactions.size()) > kMaxIntersectionReactions)
      bomb("intersections", "too many reactions in intersection");
    point.tested = std::all_of(members.reactions.begin(), members.reactions.end(), through);
    if (!point.tested) continue;
    point = intersectionptx(c, members, lines);
    point.tested = true;
    if (!listedIntersection(point)) continue;
    ++shown;
    std::string phases;
    for (int e : members.phases) phases += " " + c.run.names[e];
    io.putstr(1, std::string("i") + std::to_string(shown) + " :" + phases, 1, kToAll);
    for (int r : members.reactions)
      io.putstr(0,
                "      " + std::to_string(r + 1) + ")  " + equation(lines[r].reaction, c.run.names),
                1, kToAll);
    if (!point.converged) {
      io.putstr(0, "<== calculation not converged ==>", 1, kToAll);
      continue;
    }
    for (int r : members.reactions) lines[r].inIntersection = true;
    io.putstr(0, positionText(w, point), 1, kToAll);
  }
  if (shown == 0) io.putstr(1, "sorry, none in the window", 1, kToAll);
}

}  // namespace pf
