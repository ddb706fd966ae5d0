// The EPS diagram: header and procedures, areas, window box with ticks and
// text, the univariant lines and the circles at invariant points. Every
// line goes through putstr to the PostScript destination alone, so with
// `makeps` off nothing is written and everything else still runs.
#pragma once

#include <string>

#include "common/io.h"
#include "common/prefs.h"
#include "plot/areas.h"
#include "plot/drawing.h"

namespace pf::plot {

inline constexpr unsigned kToPostScript = 1u << kPostScript;

// "x y moveto  %  {data x data y}  name" and the lineto form.
std::string pathLine(const Page& page, const PathPoint& p, const char* op);

void writeEpsHeader(Io& io, int infoLines);
void drawAreas(Io& io, const Drawing& drawing);
void drawFrame(Io& io, const Drawing& drawing);
void drawLines(Io& io, const Drawing& drawing);
void drawCircles(Io& io, const Drawing& drawing);

// The whole drawing: opens the EPS file when prefs.makeps is on, completes
// the geometry and writes every part.
void draw(Io& io, const Prefs& prefs, Drawing& drawing);

}  // namespace pf::plot
