#include "common/numbers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "common/bomb.h"
#include "common/text.h"

namespace pf {

int classifyReal(Real x) {
  switch (std::fpclassify(x)) {
    case FP_NAN:
      return issignaling(x) ? kSignalingNaN : kQuietNaN;
    case FP_INFINITE:
      return kInfinite;
    case FP_ZERO:
      return kZero;
    case FP_SUBNORMAL:
      return kDenormal;
    case FP_NORMAL:
      return kNormal;
    default:
      return -1;
  }
}

Real pow10(int n) {
  static const Real table[] = {1e1L, 1e2L, 1e4L, 1e8L, 1e16L, 1e32L};
  unsigned m = static_cast<unsigned>(n < 0 ? -static_cast<long>(n) : n);
  Real result = 1;
  Real square = 1e32L;
  for (int bit = 0; m != 0; ++bit, m >>= 1) {
    if ((m & 1u) == 0) continue;
    if (bit < 6) {
      result *= table[bit];
    } else {
      // beyond the table: keep squaring the last entry
      square = 1e32L;
      for (int k = 6; k <= bit; ++k) square *= square;
      result *= square;
    }
  }
  return n < 0 ? 1 / result : result;
}

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The decimal record of a typed number.
struct Decimal {
  bool negative = false;
  int exponent = 0;    // power of ten of the last digit
  std::string digits;  // no leading zeros; "0" for zero
};

// Parses sign, digits, one point and an exponent with at most one '-'.
bool parseDecimal(const std::string& token, Decimal& d) {
  std::size_t i = 0;
  if (token[0] == '-') {
    d.negative = true;
    i = 1;
  }
  std::string digits;
  int afterPoint = 0;
  bool point = false;
  for (; i < token.size() && token[i] != 'e' && token[i] != 'E'; ++i) {
    char c = token[i];
    if (isDigit(c)) {
      digits += c;
      if (point) ++afterPoint;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits.empty()) return false;
  long written = 0;
  if (i < token.size()) {
    ++i;  // past the 'e'
    bool minus = false, anyDigit = false;
    for (; i < token.size(); ++i) {
      char c = token[i];
      if (isDigit(c)) {
        anyDigit = true;
        written = std::min(written * 10 + (c - '0'), 100000L);
      } else if (c == '-' && !minus && !anyDigit) {
        minus = true;
      } else {
        return false;
      }
    }
    if (!anyDigit) return false;
    if (minus) written = -written;
  }
  std::size_t firstNonZero = digits.find_first_not_of('0');
  if (firstNonZero == std::string::npos) {
    d.digits = "0";
    d.exponent = 0;
    return true;
  }
  digits.erase(0, firstNonZero);
  long dropped = 0;
  if (digits.size() > 20) {
    // digits past the 20th are dropped, and their places kept in the exponent
    dropped = static_cast<long>(digits.size()) - 20;
    digits.resize(20);
  }
  d.digits = digits;
  long exponent = written - afterPoint + dropped;
  d.exponent = static_cast<int>(std::clamp(exponent, -32767L, 32767L));
  return true;
}

Real decimalValue(const Decimal& d) {
  Real mantissa = 0;
  for (char c : d.digits) mantissa = mantissa * 10 + (c - '0');
  Real value;
  if (d.exponent >= 0) {
    value = mantissa * pow10(d.exponent);
  } else {
    // dividing rounds once, where multiplying by a rounded reciprocal would twice
    Real divisor = pow10(-d.exponent);
    if (std::isinf(divisor)) {
      int half = -d.exponent / 2;
      value = mantissa / pow10(half) / pow10(-d.exponent - half);
    } else {
      value = mantissa / divisor;
    }
  }
  return d.negative ? -value : value;
}

// Reads a token as a decimal value; false on a syntax fault.
bool readDecimal(const std::string& token, Real& value) {
  Decimal d;
  if (!parseDecimal(token, d)) return false;
  value = decimalValue(d);
  return true;
}

}  // namespace

bool readReal(std::string_view raw, Real& value, std::string& message) {
  value = 0;
  message.clear();
  std::string token = trim(raw);
  if (token.empty()) return false;
  Real v;
  if (!readDecimal(token, v)) {
    message = token + " not a real: replace with";
    return false;
  }
  int cls = classifyReal(v);
  if (cls == kQuietNaN || cls == kSignalingNaN) {
    message = "a NaN, not a real: replace with";
    return false;
  }
  if (cls == kInfinite) {
    message = "an Infinite, not a real: replace with";
    return false;
  }
  value = v;
  return true;
}

namespace {

bool readWhole(std::string_view raw, int& value, std::string& message, int limit,
               const char* tooLarge) {
  value = 0;
  message.clear();
  std::string token = trim(raw);
  if (token.empty()) return false;
  Real v;
  if (!readDecimal(token, v)) {
    message = token + " not an integer: replace with";
    return false;
  }
  int cls = classifyReal(v);
  if (cls == kQuietNaN || cls == kSignalingNaN) {
    message = "a NaN, not an integer: replace with";
    return false;
  }
  if (cls == kInfinite) {
    message = "an Infinite, not an integer: replace with";
    return false;
  }
  Real nearest = std::nearbyint(v);
  if (std::fabs(v - nearest) > 1e-8L) {
    message = token + " not an integer: replace with";
    return false;
  }
  if (std::fabs(v) >= limit) {
    message = token + tooLarge;
    return false;
  }
  value = static_cast<int>(std::lround(v));
  return true;
}

}  // namespace

bool readInteger(std::string_view token, int& value, std::string& message) {
  return readWhole(token, value, message, kMaxInteger, " too large: replace with");
}

bool readShortint(std::string_view token, int& value, std::string& message) {
  return readWhole(token, value, message, 127, " too large for a shortint: replace with");
}

bool readRational(std::string_view raw, int& numerator, int& denominator, std::string& message) {
  numerator = 0;
  denominator = 1;
  message.clear();
  std::string token = cut20(trim(raw));
  std::size_t slash = token.find('/');
  if (slash == std::string::npos) {
    message = "lstring, not a rational";
    return false;
  }
  int top = 0, bottom = 0;
  if (!readInteger(token.substr(0, slash), top, message)) return false;
  if (!readInteger(token.substr(slash + 1), bottom, message)) return false;
  if (top == 0 || bottom == 0) {
    message = "zero in rational";
    return false;
  }
  numerator = top;
  denominator = bottom;
  return true;
}

namespace {

// Bounds and classification shared by the two list readers.
bool countNumbers(const Tokens& tokens, int start, int& count, bool integersOnly) {
  int n = tokens.count;
  if (start < 0) return false;
  if (count > 0) {
    if (start + count > n) return false;
  } else if (integersOnly) {
    if (count < 0 ? !(start - count < n) : !(start < n)) return false;
  } else if (start - count > n) {
    return false;
  }
  int stop = count > 0 ? start + count : std::min(40, n);
  stop = std::min(stop, n);
  int found = 0;
  for (int pos = start + 1; pos <= stop; ++pos) {
    int kind = sstringkind(tokens[pos]);
    bool ok = integersOnly ? kind == kInteger : isNumericKind(kind);
    if (!ok) break;
    ++found;
  }
  if (count > 0) return found == count;
  if (found < -count) return false;
  count = found;
  return true;
}

}  // namespace

bool readReals(const Tokens& tokens, int start, int& count, std::vector<Real>& values) {
  if (!countNumbers(tokens, start, count, false)) return false;
  values.assign(static_cast<std::size_t>(count), 0);
  std::string message;
  for (int k = 0; k < count; ++k) {
    const std::string& token = tokens[start + 1 + k];
    if (sstringkind(token) == kRational) {
      int top, bottom;
      if (!readRational(token, top, bottom, message)) return false;
      values[k] = static_cast<Real>(top) / bottom;
    } else if (!readReal(token, values[k], message)) {
      return false;
    }
  }
  return true;
}

bool readIntegers(const Tokens& tokens, int start, int& count, std::vector<int>& values) {
  if (!countNumbers(tokens, start, count, true)) return false;
  values.assign(static_cast<std::size_t>(count), 0);
  std::string message;
  for (int k = 0; k < count; ++k)
    if (!readInteger(tokens[start + 1 + k], values[k], message)) return false;
  return true;
}

namespace {
[[noreturn]] void expecting(const char* procedure, const std::string& what, std::string_view token,
                            const LazyText& context) {
  bomb(procedure, what + std::string(token) + " - " + context.text());
}
}  // namespace

int getinteger(int kind, std::string_view token, const LazyText& context) {
  if (kind != kInteger) expecting("getinteger", "expecting an integer (1); got: ", token, context);
  int value;
  std::string message;
  if (!readInteger(token, value, message))
    expecting("getinteger", "expecting an integer (2); got: ", token, context);
  return value;
}

Rational getrational(int kind, std::string_view token, const LazyText& context) {
  std::string message;
  Rational r;
  switch (kind) {
    case kInteger:
      if (!readInteger(token, r.numerator, message))
        expecting("reading", "expecting a rational (1); got: ", token, context);
      r.denominator = 1;
      return r;
    case kRealKind: {
      Real x;
      if (!readReal(token, x, message))
        expecting("reading", "expecting a rational (2); got: ", token, context);
      Rational q = realToRational(x);
      return q;
    }
    case kRational:
      if (!readRational(token, r.numerator, r.denominator, message))
        expecting("reading", "expecting a rational (3); got: ", token, context);
      return r;
    default:
      expecting("reading", "expecting a rational (4); got: ", token, context);
  }
}

Real getsingle(int kind, std::string_view token, const LazyText& context) {
  std::string message;
  switch (kind) {
    case kInteger:
    case kRealKind: {
      Real x;
      if (!readReal(token, x, message))
        expecting("reading", "expecting a single (2); got: ", token, context);
      return x;
    }
    case kRational: {
      int top, bottom;
      if (!readRational(token, top, bottom, message))
        expecting("reading", "expecting a single (3); got: ", token, context);
      return static_cast<Real>(top) / bottom;
    }
    default:
      expecting("reading", "expecting a single (1); got: ", token, context);
  }
}

int li2i(std::int64_t value) {
  if (value <= -32768 || value >= 32768) bomb("li2i", " longint -> int conversion failed");
  return static_cast<int>(value);
}

void unknownTokenKind() {
  bomb("what is sstring", "unknown", 1);
}

Rational realToRational(Real x) {
  constexpr Real tolerance = 0.001L;
  if (!std::isfinite(x)) return Rational{li2i(x > 0 ? 1LL << 40 : -(1LL << 40)), 1};
  Real nearest = std::nearbyint(x);
  if (std::fabs(x - nearest) <= tolerance) {
    return Rational{li2i(static_cast<std::int64_t>(std::llround(nearest))), 1};
  }
  std::vector<std::int64_t> quotients;
  Real y = std::fabs(x);
  // the expansion of any real within the tolerance ends in a few dozen steps
  for (int step = 0; step < 40; ++step) {
    Real a = std::trunc(y);
    quotients.push_back(static_cast<std::int64_t>(std::min(a, 1e15L)));
    Real rest = y - a;
    if (rest <= tolerance) break;
    y = 1 / rest;
  }
  constexpr std::int64_t kPastAnyPart = 1LL << 40;  // far beyond 16 bits: li2i refuses it
  std::int64_t num = quotients.back(), den = 1;
  for (int k = static_cast<int>(quotients.size()) - 2; k >= 0; --k) {
    // a large leading quotient times a long expansion would overflow 64 bits
    if (quotients[k] > kPastAnyPart / std::max<std::int64_t>(num, 1)) {
      num = kPastAnyPart + 1;
      break;
    }
    std::int64_t next = quotients[k] * num + den;
    den = num;
    num = next;
    if (num > kPastAnyPart || den > kPastAnyPart) break;
  }
  if (x < 0) num = -num;
  return Rational{li2i(num), li2i(den)};
}

int decimalPlaces(Real x, PlacesMode mode, int count) {
  if (x == 0 || !std::isfinite(x)) return 1;
  if (mode == PlacesMode::afterPoint) {
    if (std::fabs(x) > 1) x -= std::nearbyint(x);
    for (int k = 1; k <= 25; ++k) {
      Real scaled = x * pow10(k);
      if (std::fabs(scaled - std::nearbyint(scaled)) <= 0.001L) return k;
    }
    return 25;
  }
  Real a = std::fabs(x);
  if (a > 1) return count;
  if (a > 0.5L) a = 1 - a;
  if (a == 0) return 1;
  Real c = 0.1L;
  while (a <= c && count < 5000) {
    c /= 10;
    ++count;
  }
  return count;
}

std::int32_t roundToInt(Real x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0L) return 2147483647;
  if (x <= -2147483648.0L) return -2147483647 - 1;
  return static_cast<std::int32_t>(std::lround(x));
}

std::int32_t truncToInt(Real x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0L) return 2147483647;
  if (x <= -2147483648.0L) return -2147483647 - 1;
  return static_cast<std::int32_t>(std::trunc(x));
}

namespace {

constexpr int kMaxRecordDigits = 20;

struct Record {
  bool negative = false;
  int exponent = 0;    // power of ten of the last digit
  std::string digits;  // no leading zeros
  bool overflow = false;
};

// n significant digits, correctly rounded.
Record significantRecord(Real x, int n) {
  n = std::clamp(n, 1, kMaxRecordDigits);
  Record r;
  r.negative = x < 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*Le", n - 1, std::fabs(x));
  std::string text(buffer);
  std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (isDigit(text[i])) r.digits += text[i];
  int scientific = std::atoi(text.c_str() + e + 1);
  r.exponent = scientific - (n - 1);
  return r;
}

// n digits after the point, correctly rounded.
Record fixedRecord(Real x, int n) {
  n = std::clamp(n, 0, 60);
  Record r;
  r.negative = x < 0;
  Real a = std::fabs(x);
  if (a >= 1e60L) {
    r.overflow = true;
    return r;
  }
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "%.*Lf", n, a);
  for (const char* p = buffer; *p; ++p)
    if (isDigit(*p)) r.digits += *p;
  std::size_t first = r.digits.find_first_not_of('0');
  r.digits = first == std::string::npos ? "0" : r.digits.substr(first);
  r.exponent = -n;
  return r;
}

std::string plainText(const Record& r) {
  int decimals = -r.exponent;
  std::string digits = r.digits;
  if (static_cast<int>(digits.size()) <= decimals)
    digits.insert(0, static_cast<std::size_t>(decimals + 1 - static_cast<int>(digits.size())), '0');
  if (decimals > 0) digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
  if (digits[0] == '.') digits.insert(0, "0");
  bool zero = r.digits.find_first_not_of('0') == std::string::npos;
  return (r.negative && !zero ? "-" : "") + digits;
}

std::string exponentText(const Record& r) {
  int scientific = r.exponent + static_cast<int>(r.digits.size()) - 1;
  std::string out = r.negative ? "-" : "";
  out += r.digits[0];
  out += '.';
  out += r.digits.substr(1);
  out += scientific <= 0 ? "e-" : "e+";
  out += std::to_string(scientific < 0 ? -scientific : scientific);
  return out;
}

std::string finish(std::string text) {
  if (text.size() > kMaxToken) text.resize(kMaxToken);
  if (!text.empty() && text[0] == ' ') text.erase(0, 1);
  return text;
}

std::string fixedText(Real x, int n) {
  Record r = fixedRecord(x, n);
  if (!r.overflow && static_cast<int>(r.digits.size()) <= std::max(n, 0) + 5)
    return r.digits.size() > kMaxRecordDigits ? "?" : plainText(r);
  // too many digits for a fixed layout: fall back to significant digits
  Record s = significantRecord(x, n);
  if (-s.exponent < n + 4 && s.exponent < 2) {
    Record f = fixedRecord(x, std::max(-s.exponent, 0));
    return f.overflow || f.digits.size() > kMaxRecordDigits ? "?" : plainText(f);
  }
  return exponentText(s);
}

std::string significantText(Real x, int n) {
  Record s = significantRecord(x, n);
  int digits = std::clamp(n, 1, kMaxRecordDigits);
  if (-s.exponent < digits + 4 && s.exponent < 2) {
    Record f = fixedRecord(x, std::max(-s.exponent, 0));
    return f.overflow || f.digits.size() > kMaxRecordDigits ? "?" : plainText(f);
  }
  return exponentText(s);
}

}  // namespace

std::string realToText(Real x, int n, Digits mode) {
  switch (classifyReal(x)) {
    case kSignalingNaN:
      return "sNaN";
    case kQuietNaN:
      return "NaN";
    case kInfinite:
      return "infinite";
    case kDenormal:
      return "denorm";
    case kZero:
      return "0";
    case kNormal:
      break;
    default:
      return "????";
  }
  if (std::fabs(x) < 1e-12L) return "0";
  return finish(mode == Digits::significant ? significantText(x, n) : fixedText(x, n));
}

std::string realToText(Real x) {
  return realToText(x, 6, Digits::significant);
}

}  // namespace pf
