// The petrogenetic grid for the drawing program: every reaction's line as
// univariant lines (stable and metastable stretches apart; metastable ones
// dashed, or left out in the Schreinemakers analysis), every intersection in
// the window as an invariant point, and a drawing block with the window and
// ticks of the calculation window. Names are final (u1, u2 ..., i1, i2 ...),
// so the file draws as it is.
#include <algorithm>
#include <cmath>

#include "calc/reactions/mode3.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr int kMaxDrawnPoints = 200;  // data points the drawing program takes per line

struct PlotPoint {
  Real x = 0;
  Real y = 0;
  Real along = 0;  // the stepped variable, to order points along a line
  int state = 0;   // 1 stable, 0 metastable, 2 an intersection (belongs to both sides)
};

bool ptDiagram(const WindowState& w) {
  return w.diagrammode == kDiagramPT;
}

Real shown(const WindowState& w, int v, Real value) {
  switch (v) {
    case kVarT:
      return value - kCelsius;
    case kVarLna:
      return w.logsBase10 ? value / std::log(10.0L) : value;
    default:
      return value;
  }
}

// x is T in P-T diagrams, otherwise the stepped variable; y the other.
void plotCoordinates(const WindowState& w, const DiagramPoint& p, PlotPoint& out) {
  if (ptDiagram(w)) {
    out.x = shown(w, kVarT, p.T);
    out.y = p.P;
  } else {
    out.x = shown(w, w.othervariable, coordinate(p, w.othervariable));
    out.y = shown(w, w.calcvariable, coordinate(p, w.calcvariable));
  }
  out.along = coordinate(p, w.othervariable);
}

int xVariable(const WindowState& w) {
  return ptDiagram(w) ? kVarT : w.othervariable;
}
int yVariable(const WindowState& w) {
  return ptDiagram(w) ? kVarP : w.calcvariable;
}

int decimalsOf(int v) {
  switch (v) {
    case kVarP:
      return 3;
    case kVarT:
      return 2;
    case kVarMu:
      return 3;
    default:
      return 4;
  }
}

std::string number(Real value, int decimals, int width) {
  std::string field;
  addfield(field, value, decimals, Digits::fixed, width);
  return field;
}

// The data line in the column order of the header: P then T in P-T
// diagrams, otherwise the stepped variable then the calculated one.
std::string dataLine(const WindowState& w, const PlotPoint& p) {
  int xv = xVariable(w), yv = yVariable(w);
  if (ptDiagram(w)) return number(p.y, decimalsOf(yv), 10) + number(p.x, decimalsOf(xv), 10);
  return number(p.x, decimalsOf(xv), 10) + number(p.y, decimalsOf(yv), 10);
}

std::string columnsComment(const WindowState& w) {
  auto name = [&](int v) -> std::string {
    switch (v) {
      case kVarP:
        return "P(kbar)";
      case kVarT:
        return "T(C)";
      case kVarX:
        return "x(CO2)";
      case kVarLna:
        return w.logsBase10 ? "log_a" : "ln_a";
      default:
        return "mu";
    }
  };
  if (ptDiagram(w)) return " % " + name(kVarP) + "  " + name(kVarT);
  return " % " + name(w.othervariable) + "  " + name(w.calcvariable);
}

std::string phasesOf(const Reaction& r, const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t e = 1; e < r.size(); ++e)
    if (r[e] != 0) text += " " + names[e];
  return text;
}

Real niceStep(Real range) {
  Real raw = range / 5;
  if (!(raw > 0)) return 1;
  Real magnitude = pow10(static_cast<int>(std::floor(std::log10(raw))));
  for (Real m : {1, 2, 5, 10})
    if (m * magnitude >= raw * (1 - 1e-9L)) return m * magnitude;
  return 10 * magnitude;
}

std::string plain(Real value) {
  return decimalText(value, decimalsNeeded(value, 6));
}

class DrawingWriter {
 public:
  DrawingWriter(Io& io, ReactionContext& c, const ReactionsResult& result,
                const std::vector<std::string>& names)
      : io_(io), c_(c), w_(c.window), result_(result), names_(names) {}

  void write() {
    header();
    points();
    for (std::size_t r = 0; r < result_.lines.size(); ++r) reactionLines(static_cast<int>(r));
    put("*");
    put("*");
    drawingBlock();
    put("*");
  }

 private:
  void put(const std::string& line) { io_.putstr(0, line, 1, kToOfile); }

  void header() {
    put("% reactions between end-members: the grid as calculated, ready to draw");
    put("reactions");
    put("2  " + std::to_string(c_.run.components()) +
        "            % numbers in each point; size of system");
    put(ptDiagram(w_) ? "2  1            % x is column 2, y is column 1"
                      : "1  2            % x is column 1, y is column 2");
  }

  // The intersections as the results file numbers them; those in the window
  // are drawn.
  void points() {
    int number = 0;
    for (const IntersectionPoint& p : result_.points) {
      if (!listedIntersection(p)) continue;
      ++number;
      if (!p.converged) continue;
      PlotPoint at;
      plotCoordinates(w_, p.at, at);
      std::string phases;
      for (int e : p.members.phases) phases += " " + names_[e];
      put("");
      put("% ------------------------------");
      put(std::string("i") + std::to_string(number) + "  " + phases + "  invariant");
      put(dataLine(w_, at));
      drawn_.push_back({&p, at});
    }
  }

  // The line's points in the window with their stability, and the
  // intersections on it, in order along the stepped variable.
  std::vector<PlotPoint> firstBranch(int r) {
    const ReactionLine& line = result_.lines[r];
    const std::vector<Real>& axis = tableAxis(w_);
    LinePlan plan = linePlan(w_, w_.calcvariable);
    std::vector<PlotPoint> list;
    for (std::size_t j = 0; j < axis.size() && j < line.first.size(); ++j) {
      if (!insideLine(plan, line.first[j])) continue;
      list.push_back(pointOf(r, axis[j], line.first[j]));
    }
    for (const auto& [point, at] : drawn_) {
      const std::vector<int>& rs = point->members.reactions;
      if (std::find(rs.begin(), rs.end(), r) == rs.end()) continue;
      PlotPoint p = at;
      p.state = 2;
      list.push_back(p);
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const PlotPoint& a, const PlotPoint& b) { return a.along < b.along; });
    return list;
  }

  std::vector<PlotPoint> secondBranch(int r) {
    const ReactionLine& line = result_.lines[r];
    const std::vector<Real>& axis = tableAxis(w_);
    LinePlan plan = linePlan(w_, w_.calcvariable);
    std::vector<PlotPoint> list;
    for (std::size_t j = 0; j < axis.size() && j < line.second.size(); ++j)
      if (insideLine(plan, line.second[j])) list.push_back(pointOf(r, axis[j], line.second[j]));
    return list;
  }

  PlotPoint pointOf(int r, Real along, Real root) {
    DiagramPoint p = fixedPoint(w_);
    coordinate(p, w_.othervariable) = along;
    coordinate(p, w_.calcvariable) = root;
    PlotPoint out;
    plotCoordinates(w_, p, out);
    out.state = metastableAt(c_, r, result_.lines, p) ? 0 : 1;
    return out;
  }

  void reactionLines(int r) {
    for (const std::vector<PlotPoint>& branch : {firstBranch(r), secondBranch(r)}) {
      std::vector<PlotPoint> stretch;
      int state = -1;
      for (const PlotPoint& p : branch) {
        if (p.state == 2) {
          stretch.push_back(p);
          writeStretch(r, stretch, state);
          stretch = {p};
          state = -1;
          continue;
        }
        if (state >= 0 && p.state != state) {
          // the switch lies between two table values: the next point closes
          // the stretch so that no gap is left
          stretch.push_back(p);
          writeStretch(r, stretch, state);
          stretch = {p};
        } else {
          stretch.push_back(p);
        }
        state = p.state;
      }
      writeStretch(r, stretch, state);
    }
  }

  void writeStretch(int r, const std::vector<PlotPoint>& stretch, int state) {
    if (stretch.size() < 2) return;
    bool metastable = state == 0;
    if (metastable && result_.schreinemakers) return;
    for (std::size_t first = 0; first + 1 < stretch.size(); first += kMaxDrawnPoints - 1) {
      std::size_t last = std::min(stretch.size(), first + kMaxDrawnPoints);
      const ReactionLine& line = result_.lines[r];
      put("");
      put("% ------------------------------");
      put(std::string("% ") + std::to_string(r + 1) + ")  " + equation(line.reaction, names_));
      put(std::string("u") + std::to_string(++lines_) + "  " + phasesOf(line.reaction, names_) +
          "  univariant");
      put(columnsComment(w_));
      put(metastable ? "  begin  end  dashed" : "  begin  end");
      for (std::size_t k = first; k < last; ++k) put(dataLine(w_, stretch[k]));
    }
  }

  void drawingBlock() {
    int xv = xVariable(w_), yv = yVariable(w_);
    Real x0 = shown(w_, xv, windowLow(w_, xv)), x1 = shown(w_, xv, windowHigh(w_, xv));
    Real y0 = shown(w_, yv, windowLow(w_, yv)), y1 = shown(w_, yv, windowHigh(w_, yv));
    put("info " + equationTitle());
    put("window " + plain(x0) + " " + plain(x1) + " " + plain(y0) + " " + plain(y1));
    Real dx = niceStep(x1 - x0), dy = niceStep(y1 - y0);
    Real sx = std::ceil(x0 / dx - 1e-9L) * dx, sy = std::ceil(y0 / dy - 1e-9L) * dy;
    put("bigticks " + plain(dx) + " " + plain(sx) + " " + plain(dy) + " " + plain(sy));
    put("smallticks " + plain(dx / 2) + " " + plain(dy / 2));
    put("numbering");
  }

  std::string equationTitle() {
    std::string text = "reactions between";
    for (int e = 1; e <= c_.run.count(); ++e) text += " " + names_[e];
    return cutText(text);
  }

  Io& io_;
  ReactionContext& c_;
  const WindowState& w_;
  const ReactionsResult& result_;
  const std::vector<std::string>& names_;
  std::vector<std::pair<const IntersectionPoint*, PlotPoint>> drawn_;
  int lines_ = 0;
};

}  // namespace

void writeDrawing(Io& io, ReactionContext& c, const ReactionsResult& result,
                  const std::vector<std::string>& names) {
  DrawingWriter writer(io, c, result, names);
  writer.write();
}

}  // namespace pf
