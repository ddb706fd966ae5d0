// The stability of reactions that take part in no intersection in the
// window (`rstable`): stable, metastable, or not known when the line never
// shows in the window.
#include "calc/reactions/mode3.h"
#include "common/bomb.h"

namespace pf {

namespace {

bool sharesPhases(const Reaction& a, const Reaction& b) {
  for (std::size_t e = 1; e < a.size(); ++e)
    if (a[e] != 0 && b[e] != 0) return true;
  return false;
}

// The side of c that is metastable at dG_c: its reactants when dG_c < 0,
// else its products; true when all of that side is among r's phases.
bool metastableSideWithin(const Reaction& c, Real dgc, const Reaction& r) {
  int metastableSign = dgc < 0 ? -1 : 1;
  for (std::size_t e = 1; e < c.size(); ++e) {
    bool onSide = metastableSign < 0 ? c[e] < 0 : c[e] > 0;
    if (onSide && r[e] == 0) return false;
  }
  return true;
}

}  // namespace

bool metastableAt(ReactionContext& c, int r, const std::vector<ReactionLine>& lines,
                  const DiagramPoint& point) {
  std::vector<Real> g = gibbsAt(c, point);
  const Reaction& own = lines[r].reaction;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (static_cast<int>(k) == r || !sharesPhases(own, lines[k].reaction)) continue;
    Real dg = dgFrom(c, g, lines[k].reaction, point);
    if (metastableSideWithin(lines[k].reaction, dg, own)) return true;
  }
  return false;
}

void rstable(Io& io, ReactionContext& c, std::vector<ReactionLine>& lines,
             const std::vector<std::string>& names) {
  const WindowState& w = c.window;
  if (w.calcvariable < kVarP || w.calcvariable > kVarMu) bomb("rstable", "unknown calcvariable", 1);
  const std::vector<Real>& axis = tableAxis(w);
  LinePlan plan = linePlan(w, w.calcvariable);
  bool heading = false;
  for (std::size_t r = 0; r < lines.size(); ++r) {
    ReactionLine& line = lines[r];
    if (line.inIntersection) continue;
    if (!heading) {
      io.putstr(1, "Stability of reactions not involved in intersections :", 1, kToAll);
      heading = true;
    }
    int at = -1;
    bool second = false;
    for (std::size_t j = 0; j < axis.size() && at < 0; ++j)
      if (insideLine(plan, line.first[j])) at = static_cast<int>(j);
    for (std::size_t j = 0; j < axis.size() && at < 0; ++j)
      if (insideLine(plan, line.second[j])) {
        at = static_cast<int>(j);
        second = true;
      }
    if (at < 0) {
      line.stability = "*not known*";
    } else {
      DiagramPoint p = fixedPoint(w);
      coordinate(p, w.othervariable) = axis[at];
      coordinate(p, w.calcvariable) = second ? line.second[at] : line.first[at];
      line.stability =
          metastableAt(c, static_cast<int>(r), lines, p) ? "metastable" : "<= stable =>";
      turnreaction(c, line.reaction, p);
    }
    std::string text = std::to_string(r + 1) + ")  " + equation(line.reaction, names);
    std::string row;
    addfield(row, text, -40);
    io.putstr(0, row + "  " + line.stability, 1, kToAll);
  }
}

}  // namespace pf
