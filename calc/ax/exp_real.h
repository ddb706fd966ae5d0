// e^x in the extended format for the activities, which take one exponential
// per end-member on every evaluation: the library's x87 exponential costs
// nearly as much as the rest of a small solution's activities. Accurate to a
// few units in the last place (the tests compare it with the library's).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/real.h"

namespace pf {

inline Real expReal(Real x) {
  // far out (and NaN) the library knows best
  if (!(x > -11000 && x < 11000)) return std::exp(x);
  constexpr Real kLog2e = 1.442695040888963407359924681001892137L;
  constexpr Real kLn2Hi = 0xB17217F7D1CFp-48L;  // ln 2 to 48 bits: k ln 2 exact for |k| < 2^16
  constexpr Real kLn2Lo = 1.688525005076197806790396056774985255254e-15L;
  constexpr Real kRound = 0x1.8p63L;  // adding it rounds to a whole number
  Real k = (x * kLog2e + kRound) - kRound;
  Real r = (x - k * kLn2Hi) - k * kLn2Lo;  // |r| <= ln2 / 2
  // e^r by its Taylor series to r^15 (the next term is below 2^-68), in
  // Estrin's order; from 1/5! on the coefficients' double rounding is lost
  // below the last place
  constexpr Real c3 = 1.0L / 6, c4 = 1.0L / 24;
  constexpr double c5 = 1.0 / 120, c6 = 1.0 / 720, c7 = 1.0 / 5040, c8 = 1.0 / 40320,
                   c9 = 1.0 / 362880, c10 = 1.0 / 3628800, c11 = 1.0 / 39916800,
                   c12 = 1.0 / 479001600, c13 = 1.0 / 6227020800, c14 = 1.0 / 87178291200,
                   c15 = 1.0 / 1307674368000;
  Real r2 = r * r, r4 = r2 * r2, r8 = r4 * r4;
  Real q0 = (1 + r) + (0.5L + c3 * r) * r2;
  Real q1 = (c4 + c5 * r) + (c6 + c7 * r) * r2;
  Real q2 = (c8 + c9 * r) + (c10 + c11 * r) * r2;
  Real q3 = (c12 + c13 * r) + (c14 + c15 * r) * r2;
  Real e = (q0 + q1 * r4) + (q2 + q3 * r4) * r8;
  // 2^k, built from its bits: mantissa 1, biased exponent
  struct {
    std::uint64_t mantissa;
    std::uint16_t exponent;
    std::uint16_t padding[3];
  } bits{0x8000000000000000ULL, static_cast<std::uint16_t>(16383 + static_cast<int>(k)), {0, 0, 0}};
  static_assert(sizeof(bits) == sizeof(Real));
  Real scale;
  std::memcpy(&scale, &bits, sizeof scale);
  return e * scale;
}

}  // namespace pf
