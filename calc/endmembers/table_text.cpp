#include "calc/endmembers/table_text.h"

#include <algorithm>
#include <cmath>

#include "calc/endmembers/ptgrid.h"
#include "common/numbers.h"

namespace pf::tabletext {

namespace {
constexpr int kMostDecimals = 10;
}

std::string neededText(Real x) {
  if (!std::isfinite(x) || x == std::nearbyint(x)) return realToText(x, 0, Digits::fixed);
  int decimals = std::min(decimalPlaces(x, PlacesMode::afterPoint), kMostDecimals);
  return realToText(x, decimals, Digits::fixed);
}

std::vector<std::string> listLines(const std::string& open, const std::vector<Real>& values,
                                   int decimals, int width, const std::string& close) {
  std::vector<std::string> lines;
  std::string line = open;
  for (std::size_t i = 0; i < values.size(); ++i) {
    addfield(line, values[i], decimals, Digits::fixed, width);
    if (i + 1 == values.size()) break;
    line += ",";
    if ((i + 1) % kValuesPerLine == 0) {
      lines.push_back(line);
      line = kContinuation;
    }
  }
  lines.push_back(line + close);
  return lines;
}

std::vector<Real> celsius(const std::vector<Real>& kelvin) {
  std::vector<Real> out;
  for (Real t : kelvin) out.push_back(t - kCelsiusOffset);
  return out;
}

void writeLines(Io& io, const std::vector<std::string>& lines, unsigned mask) {
  for (const std::string& line : lines) io.putstr(0, line, 1, mask);
}

void writeGrid(Io& io, const std::string& opening, const std::vector<std::vector<Real>>& rows,
               int decimals, int width) {
  io.putstr(0, opening, 1, kToSecondFile);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    bool last = i + 1 == rows.size();
    writeLines(io, listLines("    {", rows[i], decimals, width, last ? "}};" : "},"),
               kToSecondFile);
  }
  if (rows.empty()) io.putstr(0, "    };", 1, kToSecondFile);
}

}  // namespace pf::tabletext
