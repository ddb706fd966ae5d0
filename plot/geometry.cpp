#include "plot/geometry.h"

#include <algorithm>
#include <array>

#include "common/bomb.h"
#include "plot/reader.h"

namespace pf::plot {

int whichLine(const Drawing& drawing, const std::string& name) {
  for (std::size_t k = 0; k < drawing.lines.size(); ++k)
    if (drawing.lines[k].name == name) return static_cast<int>(k);
  bomb("which line", "not recognised: " + name);
}

int whichPoint(const Drawing& drawing, const std::string& name) {
  for (std::size_t k = 0; k < drawing.points.size(); ++k)
    if (drawing.points[k].name == name) return static_cast<int>(k);
  bomb("which point", "not recognised: " + name);
}

// ---------------------------------------------------------------- crossovers

namespace {

bool within(Real v, Real a, Real b) {
  return v >= std::min(a, b) && v <= std::max(a, b);
}

// Where two segments meet, taking each as a straight line and accepting the
// meeting point when its x lies within both segments' x ranges.
bool segmentsMeet(XY a1, XY a2, XY b1, XY b2, XY& at) {
  Real dxa = a2.x - a1.x;
  Real dxb = b2.x - b1.x;
  if (dxa == 0 && dxb == 0) return false;
  if (dxa == 0 || dxb == 0) {
    // a vertical segment: its x is the meeting x, the other gives y
    if (dxa != 0) {
      std::swap(a1, b1);
      std::swap(a2, b2);
      std::swap(dxa, dxb);
    }
    Real x = a1.x;
    if (!within(x, b1.x, b2.x)) return false;
    Real y = b1.y + (x - b1.x) * (b2.y - b1.y) / dxb;
    if (!within(y, a1.y, a2.y)) return false;
    at = {x, y};
    return true;
  }
  Real ma = (a2.y - a1.y) / dxa;
  Real mb = (b2.y - b1.y) / dxb;
  if (ma == mb) return false;
  Real ca = a1.y - ma * a1.x;
  Real cb = b1.y - mb * b1.x;
  Real x = (cb - ca) / (ma - mb);
  if (!within(x, a1.x, a2.x) || !within(x, b1.x, b2.x)) return false;
  at = {x, ma * x + ca};
  return true;
}

const UnivariantLine& crossoverLine(const Drawing& drawing, const std::string& name) {
  for (const UnivariantLine& line : drawing.lines)
    if (line.name == name) return line;
  bomb("crossover", name + " not found");
}

}  // namespace

void locateCrossovers(Drawing& drawing) {
  for (InvariantPoint& point : drawing.points) {
    if (!point.crossover) continue;
    const auto& a = crossoverLine(drawing, point.crossoverLines[0]).data;
    const auto& b = crossoverLine(drawing, point.crossoverLines[1]).data;
    bool found = false;
    for (std::size_t i = 1; i < a.size() && !found; ++i)
      for (std::size_t j = 1; j < b.size() && !found; ++j)
        found = segmentsMeet(a[i - 1], a[i], b[j - 1], b[j], point.at);
    if (!found) bomb("crossover", "lines don't cross for " + point.name);
  }
}

// ---------------------------------------------------------------- joining

bool monotonic(const std::vector<XY>& data, bool inX) {
  if (data.size() < 3) return true;
  auto coord = [inX](XY p) { return inX ? p.x : p.y; };
  bool rises = false;
  bool falls = false;
  for (std::size_t k = 1; k < data.size(); ++k) {
    Real step = coord(data[k]) - coord(data[k - 1]);
    rises = rises || step > 0;
    falls = falls || step < 0;
  }
  return rises != falls;  // neither: every point at one value
}

int locate(const std::vector<XY>& data, XY p, bool inX) {
  const int n = static_cast<int>(data.size());
  if (n <= 1) return n;
  auto coord = [inX](XY q) { return inX ? q.x : q.y; };
  const Real c = coord(p);
  for (int k = 1; k < n; ++k)
    if (within(c, coord(data[static_cast<std::size_t>(k - 1)]),
               coord(data[static_cast<std::size_t>(k)])))
      return k;
  Real first = coord(data.front());
  Real last = coord(data.back());
  bool beyond = (last > first && c > last) || (last < first && c < last);
  return beyond ? n : 0;
}

namespace {

bool isOpenEnd(const std::string& limit) {
  return limit == "begin" || limit == "end";
}

PathPoint pointVertex(const Drawing& drawing, int index) {
  const InvariantPoint& p = drawing.points[static_cast<std::size_t>(index)];
  return {p.at, p.name, index};
}

// Data points first..last (1-based, inclusive) as path vertices.
void appendData(const UnivariantLine& line, int first, int last, std::vector<PathPoint>& path) {
  for (int k = first; k <= last; ++k)
    path.push_back({line.data[static_cast<std::size_t>(k - 1)], line.name, -1});
}

}  // namespace

void joinLine(const Drawing& drawing, UnivariantLine& line) {
  const bool startFixed = !isOpenEnd(line.limits[0]);
  const bool endFixed = !isOpenEnd(line.limits[1]);
  if (line.connect && !(startFixed && endFixed)) bomb("lines", "connect not using a point");
  const int start = startFixed ? whichPoint(drawing, line.limits[0]) : -1;
  const int end = endFixed ? whichPoint(drawing, line.limits[1]) : -1;
  const int n = static_cast<int>(line.data.size());
  const bool inX = monotonic(line.data, true);
  std::vector<PathPoint>& path = line.joined;
  path.clear();

  if (startFixed && endFixed) {
    int a = locate(line.data, drawing.points[static_cast<std::size_t>(start)].at, inX);
    int b = locate(line.data, drawing.points[static_cast<std::size_t>(end)].at, inX);
    if (a <= b) {
      path.push_back(pointVertex(drawing, start));
      if (a < b) appendData(line, a + 1, b, path);
      path.push_back(pointVertex(drawing, end));
    } else {
      path.push_back(pointVertex(drawing, end));
      appendData(line, b + 1, a, path);
      path.push_back(pointVertex(drawing, start));
    }
  } else if (startFixed) {
    int a = locate(line.data, drawing.points[static_cast<std::size_t>(start)].at, inX);
    if (a == n) bomb("add points", "\"end\" should be \"begin\" for " + line.name + "?");
    path.push_back(pointVertex(drawing, start));
    appendData(line, a + 1, n, path);
  } else if (endFixed) {
    int b = locate(line.data, drawing.points[static_cast<std::size_t>(end)].at, inX);
    if (b == 0) bomb("add points", "\"begin\" should be \"end\" for " + line.name + "?");
    appendData(line, 1, b, path);
    path.push_back(pointVertex(drawing, end));
  } else {
    appendData(line, 1, n, path);
  }
}

// ---------------------------------------------------------------- clipping

namespace {

constexpr std::array<EndKind, 4> kEdges{EndKind::bottom, EndKind::left, EndKind::top,
                                        EndKind::right};

// How far p lies inside the edge's line (negative outside it).
Real inward(const Window& w, EndKind edge, XY p) {
  switch (edge) {
    case EndKind::bottom:
      return p.y - w.ymin;
    case EndKind::left:
      return p.x - w.xmin;
    case EndKind::top:
      return w.ymax - p.y;
    default:
      return w.xmax - p.x;
  }
}

struct Crossing {
  EndKind edge = EndKind::lineEnd;
  Real t = 0;  // along the segment, 0 at its first point
  XY at;
};

// The point of segment a-b at t, put exactly on the edge and within the window.
XY onEdge(const Window& w, EndKind edge, XY a, XY b, Real t) {
  XY p{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
  if (edge == EndKind::bottom || edge == EndKind::top) {
    p.y = edge == EndKind::bottom ? w.ymin : w.ymax;
    p.x = a.x == b.x ? a.x : std::clamp(p.x, w.xmin, w.xmax);
  } else {
    p.x = edge == EndKind::left ? w.xmin : w.xmax;
    p.y = a.y == b.y ? a.y : std::clamp(p.y, w.ymin, w.ymax);
  }
  return p;
}

// The crossings of segment a-b with the window's edges. Points on an edge
// count as inside, so a line running along or touching an edge is not cut
// there. Two crossings come in the order of the edges.
int crossings(const Window& w, XY a, XY b, std::array<Crossing, 2>& found) {
  const bool aIn = w.contains(a);
  const bool bIn = w.contains(b);
  if (aIn && bIn) return 0;
  Crossing entry{};
  Crossing exit{};
  bool entering = false;
  bool leaving = false;
  for (EndKind edge : kEdges) {
    Real da = inward(w, edge, a);
    Real db = inward(w, edge, b);
    if (da < 0 && db < 0) return 0;  // wholly beyond this edge
    if (da < 0) {
      Real t = da / (da - db);
      if (!entering || t > entry.t) entry = {edge, t, {}};
      entering = true;
    } else if (db < 0) {
      Real t = da / (da - db);
      if (!leaving || t < exit.t) exit = {edge, t, {}};
      leaving = true;
    }
  }
  if (aIn) {
    exit.at = onEdge(w, exit.edge, a, b, exit.t);
    found[0] = exit;
    return 1;
  }
  if (bIn) {
    entry.at = onEdge(w, entry.edge, a, b, entry.t);
    found[0] = entry;
    return 1;
  }
  if (!entering || !leaving || !(entry.t < exit.t)) return 0;  // passes by, or grazes a corner
  entry.at = onEdge(w, entry.edge, a, b, entry.t);
  exit.at = onEdge(w, exit.edge, a, b, exit.t);
  found = entry.edge < exit.edge ? std::array<Crossing, 2>{entry, exit}
                                 : std::array<Crossing, 2>{exit, entry};
  return 2;
}

bool neighbours(EndKind a, EndKind b) {
  auto index = [](EndKind e) { return static_cast<int>(e) - static_cast<int>(EndKind::bottom); };
  int gap = (index(a) - index(b) + 4) % 4;
  return gap == 1 || gap == 3;
}

XY cornerBetween(const Window& w, EndKind a, EndKind b) {
  auto has = [a, b](EndKind e) { return a == e || b == e; };
  return {has(EndKind::left) ? w.xmin : w.xmax, has(EndKind::bottom) ? w.ymin : w.ymax};
}

}  // namespace

EndKind placeKind(const Window& w, XY p) {
  if (p.y == w.ymin) return EndKind::bottom;
  if (p.x == w.xmin) return EndKind::left;
  if (p.y == w.ymax) return EndKind::top;
  if (p.x == w.xmax) return EndKind::right;
  return EndKind::lineEnd;
}

std::string endKindText(EndKind kind) {
  switch (kind) {
    case EndKind::lineEnd:
      return "line end";
    case EndKind::bottom:
      return "bottom edge";
    case EndKind::left:
      return "left edge";
    case EndKind::top:
      return "top edge";
    case EndKind::right:
      return "right edge";
  }
  return "????";
}

void clipLine(const Window& w, UnivariantLine& line) {
  const std::vector<PathPoint>& path = line.joined;
  std::vector<PathPoint>& out = line.visible;
  out.clear();
  if (path.empty()) return;
  bool inside = w.contains(path[0].at);
  bool hasLeft = false;
  bool startCut = false;
  bool endCut = false;
  EndKind exitEdge = EndKind::lineEnd;
  int total = 0;  // an exit with its re-entry counts nothing
  if (inside) out.push_back(path[0]);
  // back in after leaving: the part outside becomes a run along the edges
  auto backIn = [&](const Crossing& entry) {
    if (entry.edge != exitEdge) {
      if (!neighbours(exitEdge, entry.edge)) bomb("lines", "wierd line shape in " + line.name);
      XY corner = cornerBetween(w, exitEdge, entry.edge);
      if (!(corner == entry.at)) out.push_back({corner, line.name, -1});
    }
    out.push_back({entry.at, line.name, -1});
  };

  for (std::size_t k = 1; k < path.size(); ++k) {
    std::array<Crossing, 2> c;
    int m = crossings(w, path[k - 1].at, path[k].at, c);
    if (m == 1 && inside) {
      out.push_back({c[0].at, line.name, -1});
      inside = false;
      hasLeft = true;
      endCut = true;
      exitEdge = c[0].edge;
      ++total;
    } else if (m == 1 && !hasLeft) {
      out.assign(1, {c[0].at, line.name, -1});
      line.startKind = c[0].edge;
      startCut = true;
      inside = true;
      ++total;
    } else if (m == 1) {
      backIn(c[0]);
      inside = true;
      endCut = false;
      --total;
    } else if (m == 2 && hasLeft) {
      // a segment across a corner after the line has left: back in and out
      // again in the order it goes, the stretch already seen kept
      const Crossing& in = c[0].t <= c[1].t ? c[0] : c[1];
      const Crossing& outAgain = c[0].t <= c[1].t ? c[1] : c[0];
      backIn(in);
      out.push_back({outAgain.at, line.name, -1});
      exitEdge = outAgain.edge;
      endCut = true;
    } else if (m == 2) {
      out = {{c[0].at, line.name, -1}, {c[1].at, line.name, -1}};
      line.startKind = c[0].edge;
      startCut = true;
      endCut = true;
      exitEdge = c[1].edge;
      inside = false;
      hasLeft = true;
      total += 2;
    }
    if (inside) out.push_back(path[k]);
  }
  if (total < 0 || total > 2) bomb("lines", "bad cuts of window edge");
  if (out.empty()) return;  // not seen
  if (!startCut) line.startKind = placeKind(w, out.front().at);
  line.endKind = endCut ? exitEdge : placeKind(w, out.back().at);
}

// ---------------------------------------------------------------- report

void reportLine(Io& io, const UnivariantLine& line) {
  std::string phases;
  for (const std::string& phase : line.phases) phases += (phases.empty() ? "" : " ") + phase;
  if (line.zeroModePhase != "none") phases += " - " + line.zeroModePhase;
  const std::vector<PathPoint>& shown = line.visible.empty() ? line.joined : line.visible;
  std::string ends;
  if (!shown.empty()) {
    auto pair = [](XY p) { return "{" + numberText(p.x) + "," + numberText(p.y) + "}"; };
    ends = " " + pair(shown.front().at) + ";  " + pair(shown.back().at);
  }
  io.putstr(0, std::string(33, '_'), 1, kToLog);
  io.putstr(0, line.name + " (" + phases + ")" + ends, 1, kToLog);
  io.putstr(0, "  ........................", 1, kToLog);
  if (line.visible.empty()) {
    io.putstr(0, "  == not seen ==", 1, kToLog);
  } else {
    io.putstr(0,
              "  start = " + endKindText(line.startKind) + "; end = " + endKindText(line.endKind),
              1, kToLog);
  }
}

void assembleLines(Io& io, Drawing& drawing, bool report) {
  const Window& w = drawing.settings.window;
  locateCrossovers(drawing);
  for (InvariantPoint& point : drawing.points) point.inside = w.contains(point.at);
  for (UnivariantLine& line : drawing.lines) {
    joinLine(drawing, line);
    clipLine(w, line);
    if (report) reportLine(io, line);
  }
}

}  // namespace pf::plot
