// The one real type of both programs: 80-bit extended precision.
#pragma once

#include <limits>

namespace pf {

using Real = long double;
static_assert(std::numeric_limits<Real>::digits == 64, "Real must carry a 64-bit mantissa");

// The machine's rounding unit, found the old way: halve 1 until 1 + u == 1
// (at most 100 halvings). Kept as a function so no global needs setting.
Real machineEpsilon();

}  // namespace pf
