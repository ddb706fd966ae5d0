// The one real type of both programs: 80-bit extended precision.
#pragma once

#include <limits>

namespace pf {

using Real = long double;
static_assert(std::numeric_limits<Real>::digits == 64, "Real must carry a 64-bit mantissa");

// The machine's rounding unit, found the old way by halving 1 (at most 100
// times): the last u for which 1 + u still differs from 1, 2^-63 in the
// extended format. Kept as a function so no global needs setting.
Real machineEpsilon();

}  // namespace pf
