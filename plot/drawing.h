// What plotix holds after reading a drawing file: the header, invariant
// points, univariant lines, areas and drawing settings, and, once the lines
// have been joined and cut at the window, their visible parts.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/prompts.h"
#include "common/real.h"

namespace pf::plot {

inline constexpr int kMaxVariables = 20;      // numbers in one data point
inline constexpr int kMaxPhases = 20;         // non-zero-mode phases of one element
inline constexpr int kMaxZeroModePhases = 2;  // of an invariant point
inline constexpr int kMaxPoints = 500;        // invariant points
inline constexpr int kMaxLines = 1500;        // univariant lines
inline constexpr int kMaxLinePoints = 200;    // data points of one line
inline constexpr int kMaxAreas = 200;
inline constexpr int kMaxAreaLines = 15;
inline constexpr int kMaxInfoLines = 10;

// The sizes the two tables are reported with to the heap monitor.
inline constexpr long kPointTableBytes = 608000;
inline constexpr long kLineTableBytes = 7776000;

struct XY {
  Real x = 0;
  Real y = 0;
  bool operator==(const XY&) const = default;
};

// One vertex of a path that is drawn, with the name its comment carries and
// the invariant point it is, if any.
struct PathPoint {
  XY at;
  std::string name;
  int point = -1;  // index into Drawing::points, or -1
};

// How a drawn line ends: freely, or on one of the window edges (in the
// order the edges are looked at). An end at an invariant point is a free
// end that also carries the point (PathPoint::point).
enum class EndKind { lineEnd, bottom, left, top, right };

inline bool isEdge(EndKind kind) {
  return kind == EndKind::bottom || kind == EndKind::left || kind == EndKind::top ||
         kind == EndKind::right;
}

struct Header {
  std::string label;
  int nvar = 0;
  int systemSize = 0;  // read and kept; nothing is drawn from it
  int xcol = 0;
  int ycol = 0;
  int icol = 0;                     // 0: no interpolation
  std::vector<Real> interpolation;  // one or two values
};

struct InvariantPoint {
  std::string name;
  bool marked = false;
  std::vector<std::string> phases;
  std::vector<std::string> zeroModePhases;  // empty means "none"
  bool crossover = false;
  std::array<std::string, 2> crossoverLines;
  int dataPoints = 0;  // groups of numbers read for it
  XY at;
  bool inside = false;  // within the window, limits included
};

struct UnivariantLine {
  std::string name;
  bool marked = false;
  std::vector<std::string> phases;
  std::string zeroModePhase = "none";
  std::array<std::string, 2> limits;  // invariant point names, "begin" or "end"
  std::vector<XY> data;
  bool connect = false;
  bool red = false;
  bool blue = false;
  bool green = false;
  bool magenta = false;
  bool thick = false;
  bool dashed = false;

  // Filled by the geometry: the line joined to its points, then its part
  // inside the window (empty when the line is not seen).
  std::vector<PathPoint> joined;
  std::vector<PathPoint> visible;
  EndKind startKind = EndKind::lineEnd;
  EndKind endKind = EndKind::lineEnd;
};

struct Area {
  Real grayscale = 1;
  std::vector<std::string> lines;
};

struct Window {
  Real xmin = 0;
  Real xmax = 0;
  Real ymin = 0;
  Real ymax = 0;
  bool contains(XY p) const { return p.x >= xmin && p.x <= xmax && p.y >= ymin && p.y <= ymax; }
  bool strictlyContains(XY p) const { return p.x > xmin && p.x < xmax && p.y > ymin && p.y < ymax; }
};

struct DrawSettings {
  int strict = kDontUse;  // three-state values: kUsePreset is "yes"
  int doareas = kUsePreset;
  int showlineinfo = kUsePreset;
  int numbering = kDontUse;
  int labelSize = 4;
  int circles = kUsePreset;
  int circleSize = 1;
  std::vector<std::string> info;
  std::array<Real, 3> darkcolour{0, 0, 0};
  bool windowSet = false;
  Window window;
  bool bigTicks = false;
  Real bigXInc = 0;
  Real bigXStart = 0;
  Real bigYInc = 0;
  Real bigYStart = 0;
  bool smallTicks = false;
  Real smallXInc = 0;
  Real smallYInc = 0;
};

struct Drawing {
  std::string suffix;  // names the EPS file
  Header header;
  std::vector<InvariantPoint> points;
  std::vector<UnivariantLine> lines;
  std::vector<Area> areas;
  DrawSettings settings;
};

}  // namespace pf::plot
