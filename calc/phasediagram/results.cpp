// The results table of an accepted point and the block of starting guesses.
#include <algorithm>
#include <cmath>

#include "calc/phasediagram/loop.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr int kColumnWidth = 10;
constexpr int kCompositionDecimals = 4;
constexpr int kRowDecimals = 4;
const std::string kGuessSeparator = "% " + std::string(56, '-');

struct Column {
  std::string head;
  std::string value;
  std::string sd;  // empty for a quantity without one
  int width = kColumnWidth;
};

std::string fixed(Real x, int decimals) {
  return decimalText(x, decimals);
}

std::vector<Column> columnsOf(const WindowState& w, const AssemblageOutput& a,
                              const PointResult& r) {
  std::vector<Column> columns;
  auto sdText = [&](std::size_t q, int decimals) {
    return q < r.sd.size() && r.sd[q] > 0 ? fixed(r.sd[q], decimals) : std::string();
  };
  auto add = [&](const std::string& head, const std::string& value, const std::string& sd) {
    Column c;
    c.head = head;
    c.value = value;
    c.sd = sd;
    c.width = std::max(kColumnWidth, static_cast<int>(std::max(head.size(), value.size())) + 2);
    columns.push_back(c);
  };
  add("P(kbar)", fixed(r.values[kPQuantity], w.Pdec), sdText(kPQuantity, w.Pdec));
  add("T(" + std::string(1, kDegree) + "C)", fixed(r.values[kTQuantity] - kCelsius, w.Tdec),
      sdText(kTQuantity, w.Tdec));
  for (std::size_t i = 0; i < a.rowHeads.size() && i < r.row.size(); ++i)
    add(a.rowHeads[i], fixed(r.row[i], kRowDecimals), "");
  for (std::size_t i = 0; i < a.variables.size(); ++i)
    add(a.variables[i], fixed(r.values[2 + i], kCompositionDecimals),
        sdText(2 + i, kCompositionDecimals));
  const std::size_t firstMode = 2 + a.variables.size();
  for (std::size_t j = 0; j < a.modes.size() && firstMode + j < r.values.size(); ++j)
    add(a.modes[j], fixed(r.values[firstMode + j], kCompositionDecimals),
        sdText(firstMode + j, kCompositionDecimals));
  return columns;
}

// Columns in pieces that fit the page.
std::vector<std::vector<Column>> folded(const std::vector<Column>& columns, int pageWidth) {
  const int room = std::max(pageWidth - 2, kColumnWidth);
  std::vector<std::vector<Column>> pieces(1);
  int used = 0;
  for (const Column& c : columns) {
    if (used > 0 && used + c.width > room) {
      pieces.emplace_back();
      used = 0;
    }
    pieces.back().push_back(c);
    used += c.width;
  }
  return pieces;
}

}  // namespace

void printresults(Io& io, const WindowState& w, const AssemblageOutput& a, const PointResult& r,
                  bool separator, unsigned mask) {
  const std::vector<std::vector<Column>> pieces = folded(columnsOf(w, a, r), io.pageWidth);
  int width = 0;
  for (const Column& c : pieces.front()) width += c.width;
  if (separator) io.putstr(0, std::string(static_cast<std::size_t>(width), '-'), 1, mask);
  // one piece: the heads once per line of the diagram; folded, at every point
  const bool heads = separator || pieces.size() > 1;
  for (const std::vector<Column>& piece : pieces) {
    std::string head, value, sd;
    for (const Column& c : piece) {
      addfield(head, c.head, c.width);
      addfield(value, c.value, c.width);
      addfield(sd, c.sd, c.width);
    }
    if (heads) io.putstr(0, head, 1, mask);
    io.putstr(0, value, 1, mask);
    // the uncertainties beneath, the row headed "sd" in the first field's blanks
    if (!r.sd.empty() && sd.size() >= 2 && sd.compare(0, 2, "  ") == 0)
      io.putstr(0, "sd" + sd.substr(2), 1, mask);
  }
}

void guessblock(Io& io, const AssemblageOutput& a, const PointResult& r,
                const std::vector<Real>& modes) {
  const Real P = r.values[kPQuantity];
  const Real T = r.values[kTQuantity] - kCelsius;
  std::string at = "% at P = " + fixed(P, 1) + ", T = " + fixed(std::nearbyint(T), 0) + ", for: ";
  auto zero = [&](std::size_t k) { return k < modes.size() && std::fabs(modes[k]) <= kZeroMode; };
  bool first = true;
  for (std::size_t k = 0; k < a.phases.size(); ++k) {
    if (zero(k)) continue;
    at += (first ? "" : " ") + a.phases[k];
    first = false;
  }
  first = true;
  for (std::size_t k = 0; k < a.phases.size(); ++k) {
    if (!zero(k)) continue;
    at += (first ? " with " : ", ") + a.phases[k] + " = 0";
    first = false;
  }
  io.putstr(0, kGuessSeparator, 1, kToLog);
  io.putstr(0, at, 1, kToLog);
  io.putstr(0, kGuessSeparator, 1, kToLog);
  io.putstr(0, "ptguess " + fixed(P, 1) + " " + fixed(std::nearbyint(T), 0), 1, kToLog);
  io.putstr(0, kGuessSeparator, 1, kToLog);
  for (std::size_t i = 0; i < a.variables.size(); ++i) {
    std::string line = "xyzguess ";
    addfield(line, a.variables[i], -10);
    addfield(line, fixed(r.values[2 + i], 6), 12);
    const Range& range = a.ranges[i];
    if (range.low != 0 || range.high != 1) {
      line += "  range";
      addfield(line, range.low == 0 ? std::string("0.000") : fixed(range.low, 3), 7);
      addfield(line, fixed(range.high, 3), 6);
    }
    io.putstr(0, line, 1, kToLog);
  }
  io.putstr(0, kGuessSeparator, 1, kToLog);
}

}  // namespace pf
