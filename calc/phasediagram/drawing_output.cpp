// The blocks for the drawing program in the drawing output file: one per
// assemblage (with the drawnames preference, one per line of the diagram,
// named as the drawing program wants them, and the file given a head and a
// window so that it can be drawn as it is).
#include <algorithm>
#include <cmath>

#include "calc/phasediagram/loop.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

const std::string kBlockSeparator = "% " + std::string(30, '-');
constexpr int kDataWidth = 10;

std::string varianceWord(int v, bool drawnames) {
  switch (v) {
    case 0:
      return "  invariant";
    case 1:
      return "  univariant";
    case 2:
      return drawnames ? "  line" : "  divariant";
    case 3:
      return drawnames ? "  line" : "  trivariant";
    default:
      return drawnames ? "  line" : "";
  }
}

// A tick increment of 1, 2 or 5 times a power of ten giving about five
// ticks across the range.
Real tickStep(Real range) {
  if (!(range > 0)) return 1;
  Real raw = range / 5;
  Real power = std::pow(10.0L, std::floor(std::log10(raw)));
  Real ratio = raw / power;
  Real step = ratio < 1.5L ? 1 : ratio < 3.5L ? 2 : ratio < 7.5L ? 5 : 10;
  return step * power;
}

Real firstTick(Real low, Real step) {
  return std::ceil(low / step - 1e-9L) * step;
}

std::string plain(Real x) {
  return decimalText(x, decimalsNeeded(x, 4));
}

}  // namespace

std::string drawingName(DrawingState& d, int variance, int assemblage) {
  if (d.drawnames) {
    if (variance == 0) return "i" + std::to_string(++d.points);
    return "u" + std::to_string(++d.lines);
  }
  const std::string k = std::to_string(assemblage);
  switch (variance) {
    case 0:
      return "i<" + k + ">";
    case 1:
      return "u<" + k + ">";
    default:
      return "<name>";
  }
}

void drawingHeader(Io& io, const AssemblageOutput& a, const std::string& name,
                   const DrawingState& d) {
  io.putstr(0, "", 1, kToOfile);
  io.putstr(0, kBlockSeparator, 1, kToOfile);
  std::string line = name + "   ";
  for (std::size_t k = 0; k < a.phases.size(); ++k) line += (k == 0 ? "" : " ") + a.phases[k];
  io.putstr(0, line + varianceWord(a.variance, d.drawnames), 1, kToOfile);
  std::string variables = " % ";
  for (const std::string& v : a.variables) addfield(variables, v, -10);
  io.putstr(0, variables, 1, kToOfile);
  std::string components = " % ";
  for (const std::string& c : a.components) addfield(components, c, -12);
  io.putstr(0, components, 1, kToOfile);
  if (a.variance != 0) io.putstr(0, "begin  end", 1, kToOfile);
}

void drawingLine(Io& io, const WindowState& w, const PointResult& r, const DrawingState& d) {
  std::string line;
  addfield(line, decimalText(r.values[kPQuantity], w.Pdec >= 4 ? w.Pdec : 3), kDataWidth);
  addfield(line, decimalText(r.values[kTQuantity] - kCelsius, w.Tdec >= 3 ? w.Tdec : 2),
           kDataWidth);
  int written = 2;
  for (std::size_t i = 2; i < r.values.size(); ++i, ++written)
    addfield(line, decimalText(r.values[i], 4), kDataWidth);
  // every data line of a drawing file has the same count of numbers
  if (d.drawnames)
    for (; written < d.width; ++written) addfield(line, "0", kDataWidth);
  io.putstr(0, line, 1, kToOfile);
}

namespace {

std::string winnerText(const GridRecord& r, const std::vector<std::string>& phases) {
  if (r.count == 0) return "none";
  std::string text;
  for (std::size_t j = 0; j < phases.size(); ++j)
    if (r.winner[j]) {
      if (!text.empty()) text += ' ';
      text += phases[j];
    }
  return text;
}

}  // namespace

void winnerBlocks(Io& io, const WindowState& w, const MinimisationGrid& grid,
                  const std::vector<std::string>& phases, DrawingState& d) {
  for (const WinnerBoundary& b : winnerBoundaries(grid, w)) {
    const GridRecord& one = grid.records[static_cast<std::size_t>(b.first)];
    const GridRecord& two = grid.records[static_cast<std::size_t>(b.second)];
    // the phases on the line: those of both fields; a phase in only one of
    // them is the line's zero-mode phase when it is the only difference
    std::vector<std::string> both, either, any;
    for (std::size_t j = 0; j < phases.size(); ++j) {
      const bool in1 = one.count > 0 && one.winner[j], in2 = two.count > 0 && two.winner[j];
      if (in1 && in2) both.push_back(phases[j]);
      if (in1 != in2) either.push_back(phases[j]);
      if (in1 || in2) any.push_back(phases[j]);
    }
    const bool zeroMode = either.size() == 1 && one.count > 0 && two.count > 0;
    std::string line = drawingName(d, 1, 0) + "  ";
    for (const std::string& name : zeroMode ? both : any) {
      line += ' ';
      line += name;
    }
    if (zeroMode) {
      line += " - ";
      line += either.front();
    }
    io.putstr(0, "", 1, kToOfile);
    io.putstr(0, "% " + winnerText(one, phases) + " | " + winnerText(two, phases), 1, kToOfile);
    io.putstr(0, line + "  line", 1, kToOfile);
    io.putstr(0, "begin  end", 1, kToOfile);
    for (const auto& [P, T] : {std::pair{b.P1, b.T1}, std::pair{b.P2, b.T2}}) {
      PointResult r;
      r.values = {P, T};
      drawingLine(io, w, r, d);
    }
  }
}

void drawingFileHead(Io& io, const std::string& label, int width, int components) {
  io.putstr(0, label.empty() ? std::string("phaseforge") : label, 1, kToOfile);
  io.putstr(0,
            std::to_string(width) + "  " + std::to_string(components) +
                "     % numbers in each point; size of system",
            1, kToOfile);
  io.putstr(0, "2  1     % x is column 2 (T), y is column 1 (P)", 1, kToOfile);
}

void drawingFileTail(Io& io, const WindowState& w) {
  const DrawingWindow window = drawingWindow(w);
  const Real Tlow = window.Tlow - kCelsius, Thigh = window.Thigh - kCelsius;
  const Real Plow = window.Plow, Phigh = window.Phigh;
  const Real dT = tickStep(Thigh - Tlow), dP = tickStep(Phigh - Plow);
  io.putstr(1, "*", 1, kToOfile);
  io.putstr(0, "*", 1, kToOfile);
  io.putstr(0,
            "window " + plain(Tlow) + " " + plain(Thigh) + " " + plain(Plow) + " " + plain(Phigh),
            1, kToOfile);
  io.putstr(0,
            "bigticks " + plain(dT) + " " + plain(firstTick(Tlow, dT)) + " " + plain(dP) + " " +
                plain(firstTick(Plow, dP)),
            1, kToOfile);
  io.putstr(0, "smallticks " + plain(dT / 5) + " " + plain(dP / 5), 1, kToOfile);
  io.putstr(0, "numbering", 1, kToOfile);  // each line labelled with its name
  io.putstr(0, "*", 1, kToOfile);
}

}  // namespace pf
