// The table axes of mode 0 (`PTgrid`): the pressures and temperatures at
// which the G, fugacity and volume tables are made.
#pragma once

#include <string>
#include <vector>

#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kMinTableIntervals = 2;   // a start, finish, interval answer
inline constexpr int kMaxTableIntervals = 40;  // outside these gets 10 intervals
inline constexpr int kDefaultTableIntervals = 10;
inline constexpr int kMaxTableValues = 50;  // longest plain list of values
inline constexpr Real kDefaultTableValue = 5;
inline constexpr Real kLowestTablePressure = 0.001L;  // a first 0 kbar becomes 1 bar
inline constexpr Real kCelsiusOffset = 273;

struct TableAxes {
  std::vector<Real> p;  // kbar
  std::vector<Real> t;  // K
};

enum class TableAxis { pressure, temperature };

// The values an answer's numbers stand for, in the units typed (kbar or
// degrees C): none gives one value of 5; three whose second is not below the
// third are start, finish and interval; anything else is the list itself.
// Stops the run with "odd P" (`PTgrid`) for an interval of 0 or a finish
// below the start.
std::vector<Real> tableAxisValues(const std::vector<Real>& numbers);

// Puts typed values into the units held (T in K) with the first-value
// replacements; returns an empty text when every value is usable, otherwise
// the message that asks for the answer again.
std::string settleTableAxis(std::vector<Real>& values, TableAxis axis);

// The dialogue: pressures, then temperatures.
TableAxes PTgrid(Io& io);

}  // namespace pf
