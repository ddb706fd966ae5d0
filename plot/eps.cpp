#include "plot/eps.h"

#include <algorithm>
#include <cmath>

#include "common/bomb.h"
#include "common/numbers.h"
#include "common/session.h"
#include "common/text.h"
#include "plot/geometry.h"
#include "plot/reader.h"

namespace pf::plot {

namespace {

constexpr int kTextLeft = 50;
constexpr int kTextTop = 720 + 4;
constexpr int kTextStep = 15;
constexpr int kBoxTop = 750;
constexpr int kTicksPerRange = 60;
constexpr int kMaxTicks = 1000;  // per axis; a tiny increment must not flood the file
constexpr Real kTickTolerance = 1e-5L;

void ps(Io& io, const std::string& text) {
  io.putstr(0, text, 1, kToPostScript);
}

std::string fixed(Real x, int decimals) {
  return realToText(x, decimals, Digits::fixed);
}

Page pageOf(const Drawing& drawing) {
  return Page{drawing.settings.window};
}

// The name a label shows: the element's name without its first letter.
std::string labelOf(const std::string& name) {
  return psString(name.substr(1));
}

}  // namespace

std::string pathLine(const Page& page, const PathPoint& p, const char* op) {
  return fixed(page.px(p.at.x), 2) + " " + fixed(page.py(p.at.y), 2) + " " + op + "  %  {" +
         fixed(p.at.x, 3) + " " + fixed(p.at.y, 3) + "}  " + p.name;
}

void writeEpsHeader(Io& io, int infoLines) {
  // the text lines above the box must stay inside the bounding box
  int top = std::max(kBoxTop, kTextTop + kTextStep * infoLines + 14);
  ps(io, "%!PS-Adobe-3.0 EPSF-3.0");
  ps(io, "%%BoundingBox: 4 4 525 " + std::to_string(top));
  ps(io, "%%Title:  output");
  ps(io, "%%Creator: " + io.programName + " (phase diagrams from phaseforge drawing files)");
  ps(io, "%%CreationDate: " + io.dateStamp);
  ps(io, "%%EndComments");
  ps(io, "/Helvetica findfont 12 scalefont setfont");
  ps(io, "/centreshow {dup stringwidth  pop 2 div");
  ps(io, "   4 -1 roll exch sub   3 -1 roll moveto  show} def");
  ps(io, "/rightshow {dup stringwidth  pop");
  ps(io, "   4 -1 roll exch sub   3 -1 roll moveto  show} def");
}

// ---------------------------------------------------------------- areas

void drawAreas(Io& io, const Drawing& drawing) {
  const Page page = pageOf(drawing);
  for (std::size_t k = 0; k < drawing.areas.size(); ++k) {
    const Area& area = drawing.areas[k];
    const std::string number = std::to_string(k + 1);
    std::vector<const UnivariantLine*> lines;
    for (const std::string& name : area.lines) {
      const UnivariantLine& line =
          drawing.lines[static_cast<std::size_t>(whichLine(drawing, name))];
      if (!line.visible.empty()) lines.push_back(&line);
    }
    if (lines.empty()) continue;
    Outline outline = areaOutline(page, lines);
    if (!outline.complete) {
      std::string names;
      for (const UnivariantLine* line : lines) names += (names.empty() ? "" : " ") + line->name;
      std::string text = outline.stuckAt == 0
                             ? std::string(1, kBullet) + " something funny with area " + number +
                                   ": can't get started (" + names + ")"
                             : std::string(1, kBullet) + " something funny (" + names +
                                   ") with area " + number + " looking at line " +
                                   lines[static_cast<std::size_t>(outline.stuckAt)]->name;
      io.putstr(0, text, 1, kToLog);
      continue;
    }
    auto colour = areaColour(area.grayscale, drawing.settings.darkcolour);
    ps(io, fixed(colour[0], 3) + " " + fixed(colour[1], 3) + " " + fixed(colour[2], 3) +
               " setrgbcolor  % for area " + number);
    for (std::size_t p = 0; p < outline.points.size(); ++p)
      ps(io, pathLine(page, outline.points[p], p == 0 ? "moveto" : "lineto"));
    ps(io, "fill");
    ps(io, "0 setgray");
  }
}

// ---------------------------------------------------------------- frame

namespace {

void textLines(Io& io, const Drawing& drawing) {
  const auto& info = drawing.settings.info;
  int y = kTextTop + kTextStep * static_cast<int>(info.size() + 1);
  auto line = [&](const std::string& text) {
    y -= kTextStep;
    ps(io, std::to_string(kTextLeft) + " " + std::to_string(y) + " moveto");
    ps(io, text);
  };
  line("(" + psString(io.programName) + " (running at " + psString(io.dateStamp) + ") ) show");
  for (const std::string& text : info) line("(" + psString(text) + ") show");
}

void windowBox(Io& io, const Page& page) {
  const Window& w = page.window;
  ps(io, "0.5 setlinewidth");
  ps(io, "% window box");
  ps(io, pathLine(page, {{w.xmin, w.ymin}, "window", -1}, "moveto"));
  ps(io, pathLine(page, {{w.xmin, w.ymax}, "window", -1}, "lineto"));
  ps(io, pathLine(page, {{w.xmax, w.ymax}, "window", -1}, "lineto"));
  ps(io, pathLine(page, {{w.xmax, w.ymin}, "window", -1}, "lineto"));
  ps(io, pathLine(page, {{w.xmin, w.ymin}, "window", -1}, "lineto"));
  ps(io, "stroke");
}

void tick(Io& io, const Page& page, XY from, XY to) {
  ps(io, pathLine(page, {from, "tick", -1}, "moveto"));
  ps(io, pathLine(page, {to, "tick", -1}, "lineto"));
  ps(io, "stroke");
}

// Tick values start, start + inc, ... up to limit (within the tolerance).
std::vector<Real> tickValues(Real start, Real inc, Real limit, Real tolerance) {
  std::vector<Real> values;
  inc = std::fabs(inc);
  for (int k = 0; k < kMaxTicks; ++k) {
    Real v = start + k * inc;
    if (v > limit + tolerance) break;
    values.push_back(v);
  }
  return values;
}

void ticks(Io& io, const Drawing& drawing) {
  const DrawSettings& s = drawing.settings;
  const Page page = pageOf(drawing);
  const Window& w = s.window;
  const Real xUnit = (w.xmax - w.xmin) / kTicksPerRange;
  const Real yUnit = (w.ymax - w.ymin) / kTicksPerRange;
  const Real xTol = kTickTolerance * (w.xmax - w.xmin);
  const Real yTol = kTickTolerance * (w.ymax - w.ymin);
  ps(io, "0.2 setlinewidth");
  if (s.smallTicks) {
    Real xi = std::fabs(s.smallXInc);
    Real yi = std::fabs(s.smallYInc);
    for (Real x : tickValues(w.xmin + xi, xi, w.xmax - xi, xTol))
      tick(io, page, {x, w.ymin}, {x, w.ymin + yUnit / 2});
    for (Real y : tickValues(w.ymin + yi, yi, w.ymax - yi, yTol))
      tick(io, page, {w.xmin, y}, {w.xmin + xUnit / 2, y});
  }
  if (!s.bigTicks) return;
  Real xi = std::fabs(s.bigXInc);
  Real yi = std::fabs(s.bigYInc);
  for (Real x : tickValues(s.bigXStart, xi, w.xmax - xi, xTol))
    tick(io, page, {x, w.ymin}, {x, w.ymin + yUnit});
  for (Real y : tickValues(s.bigYStart, yi, w.ymax - yi, yTol))
    tick(io, page, {w.xmin, y}, {w.xmin + xUnit, y});
  const Real pageUnit = Page::kSize / kTicksPerRange;
  for (Real x : tickValues(s.bigXStart, xi, w.xmax, xTol))
    ps(io, fixed(page.px(x), 2) + " " + fixed(Page::kBottom - 3 * pageUnit, 2) + " (" +
               numberText(x) + ") centreshow");
  for (Real y : tickValues(s.bigYStart, yi, w.ymax, yTol))
    ps(io, fixed(Page::kLeft - 2 * pageUnit, 2) + " " + fixed(page.py(y) - 4, 2) + " (" +
               numberText(y) + ") rightshow");
}

}  // namespace

void drawFrame(Io& io, const Drawing& drawing) {
  ps(io, "/Helvetica findfont 12 scalefont setfont");
  textLines(io, drawing);
  windowBox(io, pageOf(drawing));
  ticks(io, drawing);
}

// ---------------------------------------------------------------- lines

namespace {

std::string colourOf(const UnivariantLine& line) {
  if (line.red) return "255  0  0 ";
  if (line.blue) return "0  0  255 ";
  if (line.green) return "0  170  0 ";
  if (line.magenta) return "255  0  255 ";
  return "0  0  0 ";
}

}  // namespace

void drawLines(Io& io, const Drawing& drawing) {
  const Page page = pageOf(drawing);
  const DrawSettings& s = drawing.settings;
  const bool numbering = s.numbering == kUsePreset;
  if (numbering)
    ps(io, "/Helvetica findfont " + std::to_string(s.labelSize) + " scalefont setfont");
  for (const UnivariantLine& line : drawing.lines) {
    if (line.visible.empty()) continue;
    ps(io, "% ---------------------------------------------------");
    ps(io, std::string(line.thick ? "0.6" : "0.3") + " setlinewidth");
    ps(io, std::string(line.dashed ? "[3]  0 " : "[]  0") + " setdash");
    ps(io, colourOf(line) + " setrgbcolor");
    for (std::size_t p = 0; p < line.visible.size(); ++p)
      ps(io, pathLine(page, line.visible[p], p == 0 ? "moveto" : "lineto"));
    ps(io, "stroke");
    if (!numbering || line.joined.empty()) continue;
    const std::size_t middle = std::max<std::size_t>(line.joined.size() / 2, 1) - 1;
    const XY at = line.joined[middle].at;
    if (!s.window.contains(at)) continue;
    ps(io, fixed(page.px(at.x), 2) + " " + fixed(page.py(at.y) - s.labelSize / Real(3), 2) + " (" +
               labelOf(line.name) + ") centreshow");
  }
}

void drawCircles(Io& io, const Drawing& drawing) {
  const Page page = pageOf(drawing);
  const DrawSettings& s = drawing.settings;
  const int r = s.circleSize;
  ps(io, "0.2 setlinewidth");
  // black and solid, whatever the last line was
  ps(io, "0 setgray");
  ps(io, "[]  0 setdash");
  for (const InvariantPoint& point : drawing.points) {
    if (!s.window.strictlyContains(point.at)) continue;
    const Real x = page.px(point.at.x);
    const Real y = page.py(point.at.y);
    ps(io, fixed(x + r, 2) + " " + fixed(y, 2) + " moveto");
    ps(io, fixed(x, 2) + " " + fixed(y, 2) + " " + std::to_string(r) + " 0 360 arc");
    ps(io, " closepath");
    ps(io, "stroke");
    if (s.numbering == kUsePreset)
      ps(io, fixed(x, 2) + " " + fixed(y - r - s.labelSize, 2) + " (" + labelOf(point.name) +
                 ") centreshow");
  }
}

void draw(Io& io, const Prefs& prefs, Drawing& drawing) {
  if (prefs.makeps) {
    const std::string name = "px-" + drawing.suffix + ".eps";
    refuseInputAsOutput(io, "draw", name);
    if (!io.openOutput(kPostScript, name, false)) bomb("draw", "couldn't open " + quoted(name));
    writeEpsHeader(io, static_cast<int>(drawing.settings.info.size()));
  }
  const DrawSettings& s = drawing.settings;
  assembleLines(io, drawing, s.showlineinfo == kUsePreset);
  if (s.doareas == kUsePreset) drawAreas(io, drawing);
  drawFrame(io, drawing);
  drawLines(io, drawing);
  if (s.circles == kUsePreset) drawCircles(io, drawing);
}

}  // namespace pf::plot
