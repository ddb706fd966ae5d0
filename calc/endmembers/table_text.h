// How the tables write their numbers and lists (shared by the table files).
#pragma once

#include <string>
#include <vector>

#include "common/io.h"
#include "common/real.h"

namespace pf::tabletext {

inline constexpr int kValuesPerLine = 12;  // assignment-syntax lists
inline constexpr const char* kContinuation = "      ";

// A value with just the decimals it needs (none for a whole number, at most 10).
std::string neededText(Real x);

// open, the values separated by "," (each with `decimals` in `width`), close;
// a line break and the continuation after every twelve values.
std::vector<std::string> listLines(const std::string& open, const std::vector<Real>& values,
                                   int decimals, int width, const std::string& close);

// Temperatures held in K as entered, in degrees C.
std::vector<Real> celsius(const std::vector<Real>& kelvin);

void writeLines(Io& io, const std::vector<std::string>& lines, unsigned mask);

// A table over the axes in the assignment syntax: name " = {" on its own
// line, then one "    {" ... "}," row per pressure, the last closed "}};".
void writeGrid(Io& io, const std::string& opening, const std::vector<std::vector<Real>>& rows,
               int decimals, int width);

}  // namespace pf::tabletext
