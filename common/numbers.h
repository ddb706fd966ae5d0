// Reading numbers from tokens and writing reals as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/real.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf {

// Classes of a real, and the names they print as.
enum RealClass {
  kSignalingNaN = 0,
  kQuietNaN = 1,
  kInfinite = 2,
  kZero = 3,
  kNormal = 4,
  kDenormal = 5
};
int classifyReal(Real x);

// Integers read from text are 16-bit; larger magnitudes are refused.
inline constexpr int kMaxInteger = 32767;

// Non-strict readers: true on success; otherwise false with a message that
// ends in "replace with" (empty for an empty token) and the value 0.
bool readReal(std::string_view token, Real& value, std::string& message);
bool readInteger(std::string_view token, int& value, std::string& message);
bool readShortint(std::string_view token, int& value, std::string& message);  // 8-bit
bool readRational(std::string_view token, int& numerator, int& denominator, std::string& message);

// Numbers from tokens start+1 on (see the readers' rules for `count`):
// count > 0 wants exactly count numbers; count <= 0 wants at least -count and
// gets the number found written back. Values land in values[0], values[1], ...
bool readReals(const Tokens& tokens, int start, int& count, std::vector<Real>& values);
bool readIntegers(const Tokens& tokens, int start, int& count, std::vector<int>& values);

// Strict readers: any failure bombs, the message ending in " - " + context.
struct Rational {
  int numerator = 0;
  int denominator = 1;
};
int getinteger(int kind, std::string_view token, const LazyText& context);
Rational getrational(int kind, std::string_view token, const LazyText& context);
Real getsingle(int kind, std::string_view token, const LazyText& context);
int li2i(std::int64_t value);

// The fault for a token kind outside 0..4.
[[noreturn]] void unknownTokenKind();

// Numeric helpers.
Rational realToRational(Real x);  // continued fraction, tolerance 0.001
enum class PlacesMode { afterPoint, leadingZeros };
int decimalPlaces(Real x, PlacesMode mode, int count = 0);
Real pow10(int n);
std::int32_t roundToInt(Real x);
std::int32_t truncToInt(Real x);

// Real to text: n significant digits, or n digits after the point.
enum class Digits { significant, fixed };
std::string realToText(Real x, int n, Digits mode);
// The plain form used where no precision is asked for.
std::string realToText(Real x);

}  // namespace pf
