#include "plot/areas.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "plot/geometry.h"

namespace pf::plot {

namespace {

constexpr Real kPerimeter = 4 * Page::kSize;

// Distance along the window edges, anticlockwise from the bottom-left corner.
Real perimeterPosition(const Page& page, const OutlineEnd& end) {
  Real x = page.px(end.at.at.x) - Page::kLeft;
  Real y = page.py(end.at.at.y) - Page::kBottom;
  switch (end.kind) {
    case EndKind::bottom:
      return x;
    case EndKind::right:
      return Page::kSize + y;
    case EndKind::top:
      return 2 * Page::kSize + (Page::kSize - x);
    default:
      return 3 * Page::kSize + (Page::kSize - y);
  }
}

PathPoint corner(const Window& w, int index) {
  switch (index) {
    case 0:
      return {{w.xmin, w.ymin}, "corner", -1};
    case 1:
      return {{w.xmax, w.ymin}, "corner", -1};
    case 2:
      return {{w.xmax, w.ymax}, "corner", -1};
    default:
      return {{w.xmin, w.ymax}, "corner", -1};
  }
}

Real wrap(Real s) {
  s = std::fmod(s, kPerimeter);
  return s < 0 ? s + kPerimeter : s;
}

// Positions along the edges grow anticlockwise; a clockwise walk goes down them.
Join walkAlongEdges(const Page& page, const OutlineEnd& from, const OutlineEnd& to, Turn turn) {
  Real a = perimeterPosition(page, from);
  Real b = perimeterPosition(page, to);
  bool up = turn == Turn::anticlockwise;
  Join join{true, up ? wrap(b - a) : wrap(a - b), {}};
  std::vector<std::pair<Real, int>> passed;
  for (int k = 0; k < 4; ++k) {
    Real s = k * Page::kSize;
    Real along = up ? wrap(s - a) : wrap(a - s);
    if (along > 0 && along < join.length) passed.emplace_back(along, k);
  }
  std::sort(passed.begin(), passed.end());
  for (const auto& [along, k] : passed) join.corners.push_back(corner(page.window, k));
  return join;
}

OutlineEnd firstEnd(const UnivariantLine& line, bool reversed) {
  return reversed ? OutlineEnd{line.visible.back(), line.endKind}
                  : OutlineEnd{line.visible.front(), line.startKind};
}

OutlineEnd lastEnd(const UnivariantLine& line, bool reversed) {
  return reversed ? OutlineEnd{line.visible.front(), line.startKind}
                  : OutlineEnd{line.visible.back(), line.endKind};
}

void addPoint(std::vector<PathPoint>& points, const PathPoint& p) {
  if (points.empty() || !(points.back().at == p.at)) points.push_back(p);
}

void addLine(std::vector<PathPoint>& points, const UnivariantLine& line, bool reversed) {
  if (reversed) {
    for (auto it = line.visible.rbegin(); it != line.visible.rend(); ++it) addPoint(points, *it);
  } else {
    for (const PathPoint& p : line.visible) addPoint(points, p);
  }
}

void addJoin(std::vector<PathPoint>& points, const Join& join) {
  for (const PathPoint& p : join.corners) addPoint(points, p);
}

}  // namespace

Join joinEnds(const Page& page, const OutlineEnd& from, const OutlineEnd& to, Turn turn) {
  bool samePoint = from.at.point >= 0 && from.at.point == to.at.point;
  if (samePoint || from.at.at == to.at.at) return {true, 0, {}};
  if (isEdge(from.kind) && isEdge(to.kind)) return walkAlongEdges(page, from, to, turn);
  return {};
}

Outline turningOutline(const Page& page, const std::vector<const UnivariantLine*>& lines,
                       Turn turn) {
  Outline outline;
  if (lines.empty()) return outline;
  std::vector<PathPoint>& points = outline.points;
  if (lines.size() == 1) {
    addLine(points, *lines[0], false);
  } else {
    // the first two lines settle which way each is taken: a shared point
    // first, else the shortest run along the edges
    struct Start {
      bool first;
      bool second;
      Join join;
    };
    std::optional<Start> best;
    for (bool r0 : {false, true})
      for (bool r1 : {false, true}) {
        Join j = joinEnds(page, lastEnd(*lines[0], r0), firstEnd(*lines[1], r1), turn);
        if (j.possible && (!best || j.length < best->join.length)) best = Start{r0, r1, j};
      }
    if (!best) {
      outline.stuckAt = 0;
      return outline;
    }
    addLine(points, *lines[0], best->first);
    addJoin(points, best->join);
    addLine(points, *lines[1], best->second);
    bool reversed = best->second;
    for (std::size_t k = 2; k < lines.size(); ++k) {
      OutlineEnd end = lastEnd(*lines[k - 1], reversed);
      Join forward = joinEnds(page, end, firstEnd(*lines[k], false), turn);
      Join backward = joinEnds(page, end, firstEnd(*lines[k], true), turn);
      if (!forward.possible && !backward.possible) {
        outline.stuckAt = static_cast<int>(k);
        return outline;
      }
      reversed = !forward.possible || (backward.possible && backward.length < forward.length);
      addJoin(points, reversed ? backward : forward);
      addLine(points, *lines[k], reversed);
    }
  }
  if (points.empty()) {
    outline.stuckAt = 0;
    return outline;
  }
  // close along the window when the outline ends on an edge
  OutlineEnd last{points.back(), placeKind(page.window, points.back().at)};
  OutlineEnd first{points.front(), placeKind(page.window, points.front().at)};
  addJoin(points, joinEnds(page, last, first, turn));
  outline.complete = true;
  return outline;
}

namespace {

// The length of the run along the edges that closes an outline.
Real closingRun(const Page& page, const Outline& outline, Turn turn) {
  const std::vector<PathPoint>& points = outline.points;
  OutlineEnd last{points.back(), placeKind(page.window, points.back().at)};
  OutlineEnd first{points.front(), placeKind(page.window, points.front().at)};
  return joinEnds(page, last, first, turn).length;
}

}  // namespace

Outline areaOutline(const Page& page, const std::vector<const UnivariantLine*>& lines) {
  if (lines.size() != 1) return turningOutline(page, lines, Turn::clockwise);
  Outline open;
  addLine(open.points, *lines[0], false);
  if (open.points.empty()) return open;
  Turn shorter =
      closingRun(page, open, Turn::clockwise) <= closingRun(page, open, Turn::anticlockwise)
          ? Turn::clockwise
          : Turn::anticlockwise;
  return turningOutline(page, lines, shorter);
}

std::array<Real, 3> areaColour(Real grayscale, const std::array<Real, 3>& dark) {
  std::array<Real, 3> colour{};
  for (std::size_t k = 0; k < 3; ++k)
    colour[k] = std::clamp((255 * grayscale + dark[k] * (1 - grayscale)) / 255, Real(0), Real(1));
  return colour;
}

}  // namespace pf::plot
