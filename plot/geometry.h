// Completing the lines before they are drawn: crossover points, line ends
// joined to their invariant points, and the cut at the window edges.
#pragma once

#include <string>
#include <vector>

#include "common/io.h"
#include "plot/drawing.h"

namespace pf::plot {

// Index of the named line or point; bombs ("which line" / "which point",
// "not recognised: " + name) when there is none.
int whichLine(const Drawing& drawing, const std::string& name);
int whichPoint(const Drawing& drawing, const std::string& name);

// Places every crossover point where its two lines meet.
void locateCrossovers(Drawing& drawing);

// True when the line's x (or y) never turns back; see joinLine.
bool monotonic(const std::vector<XY>& data, bool inX);
// Where p falls along the data: k (1..n-1) inside segment k, 0 before the
// first point, n past the last; 1 for a one-point line.
int locate(const std::vector<XY>& data, XY p, bool inX);

// Joins one line to the invariant points its limit names give.
void joinLine(const Drawing& drawing, UnivariantLine& line);

// Cuts one joined line at the window; fills visible, startKind and endKind.
void clipLine(const Window& window, UnivariantLine& line);

// The kind a line end has where it lies: an edge, else a line end.
EndKind placeKind(const Window& window, XY p);
std::string endKindText(EndKind kind);

// The block of the line report for one line.
void reportLine(Io& io, const UnivariantLine& line);

// Crossovers, joins, cuts and (when asked) the line report, for every line.
void assembleLines(Io& io, Drawing& drawing, bool report);

}  // namespace pf::plot
