// The outline of a shaded area: its bounding lines, each turned round as
// needed, joined at shared invariant points or along the window edges.
#pragma once

#include <string>
#include <vector>

#include "plot/drawing.h"

namespace pf::plot {

// The mapping of the window onto the page box.
struct Page {
  static constexpr Real kLeft = 50;
  static constexpr Real kBottom = 260;
  static constexpr Real kSize = 460;
  Window window;
  Real px(Real x) const { return kLeft + (x - window.xmin) * kSize / (window.xmax - window.xmin); }
  Real py(Real y) const {
    return kBottom + (y - window.ymin) * kSize / (window.ymax - window.ymin);
  }
};

// One line end as the outline sees it.
struct OutlineEnd {
  PathPoint at;
  EndKind kind = EndKind::lineEnd;
};

// How to get from one line end to the next line's start.
struct Join {
  bool possible = false;
  Real length = 0;                 // on the page
  std::vector<PathPoint> corners;  // window corners passed on the way
};

// The way an outline goes round: every run along the window edges of one
// outline turns the same way, so that the outline is one field's boundary.
enum class Turn { clockwise, anticlockwise };

// Ends that are the same invariant point (or the same place) join directly;
// ends on window edges join along the edges, turning the given way.
Join joinEnds(const Page& page, const OutlineEnd& from, const OutlineEnd& to, Turn turn);

struct Outline {
  bool complete = false;
  int stuckAt = -1;  // with !complete: the line that could not be joined, 0 when none could start
  std::vector<PathPoint> points;
};

// The outline of the area bounded by `lines` (its visible lines in the order
// given) whose runs along the window edges turn the given way.
Outline turningOutline(const Page& page, const std::vector<const UnivariantLine*>& lines,
                       Turn turn);

// The outline of an area. Lines that reach the window on two edges leave a
// field on each side of them; the lines' order decides which: the field lies
// on the right of the lines taken in the order listed, so the outline runs
// clockwise. A single line has no order: it closes the shorter way round.
Outline areaOutline(const Page& page, const std::vector<const UnivariantLine*>& lines);

// The fill colour of an area: g = 1 white, g = 0 the dark colour (0..255 values).
std::array<Real, 3> areaColour(Real grayscale, const std::array<Real, 3>& dark);

}  // namespace pf::plot
