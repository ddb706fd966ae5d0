#include "common/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/bomb.h"

namespace pf {
namespace {

TEST(ReadReal, AcceptsWhatTheReaderKnows) {
  struct Case {
    const char* token;
    Real value;
  };
  const Case cases[] = {
      {"2.50", 2.5L},  {"2.5e-3", 0.0025L},
      {"-7", -7},      {"0", 0},
      {"000.000", 0},  {"1e5", 1e5L},
      {"0.1", 0.1L},   {" 12.25 ", 12.25L},
      {"1e-5", 1e-5L}, {"123456789012345678901234", 1.2345678901234567890e23L},
  };
  for (const Case& c : cases) {
    Real v = -1;
    std::string message = "x";
    EXPECT_TRUE(readReal(c.token, v, message)) << c.token;
    EXPECT_EQ(message, "");
    EXPECT_NEAR(v, c.value, std::fabs(c.value) * 1e-18L) << c.token;
  }
}

TEST(ReadReal, RefusesWithTheTokenAndReplaceWith) {
  struct Case {
    const char* token;
    const char* message;
  };
  const Case cases[] = {
      {"2.5E+3", "2.5E+3 not a real: replace with"},
      {"abc", "abc not a real: replace with"},
      {"-", "- not a real: replace with"},
      {"1.2.3", "1.2.3 not a real: replace with"},
      {"1e", "1e not a real: replace with"},
      {"1e99999", "an Infinite, not a real: replace with"},
      {"", ""},
  };
  for (const Case& c : cases) {
    Real v = 5;
    std::string message;
    EXPECT_FALSE(readReal(c.token, v, message)) << c.token;
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(v, 0);
  }
}

TEST(ReadInteger, RulesOfWholeNumbers) {
  struct Case {
    const char* token;
    bool ok;
    int value;
    const char* message;
  };
  const Case cases[] = {
      {"3", true, 3, ""},
      {"3.0000000001", true, 3, ""},
      {"-12", true, -12, ""},
      {"32766", true, 32766, ""},
      {"3.001", false, 0, "3.001 not an integer: replace with"},
      {"32767", false, 0, "32767 too large: replace with"},
      {"-40000", false, 0, "-40000 too large: replace with"},
      {"x", false, 0, "x not an integer: replace with"},
      {"1e9999", false, 0, "an Infinite, not an integer: replace with"},
      {"", false, 0, ""},
  };
  for (const Case& c : cases) {
    int v = 99;
    std::string message;
    EXPECT_EQ(readInteger(c.token, v, message), c.ok) << c.token;
    EXPECT_EQ(v, c.value) << c.token;
    EXPECT_EQ(message, c.message);
  }
  int v;
  std::string message;
  EXPECT_FALSE(readShortint("200", v, message));
  EXPECT_EQ(message, "200 too large for a shortint: replace with");
}

TEST(ReadRational, NeedsASlashAndNoZeros) {
  int n, d;
  std::string message;
  EXPECT_TRUE(readRational("-3/4", n, d, message));
  EXPECT_EQ(n, -3);
  EXPECT_EQ(d, 4);
  for (const char* token : {"0/5", "5/0"}) {
    EXPECT_FALSE(readRational(token, n, d, message));
    EXPECT_EQ(message, "zero in rational");
  }
  EXPECT_FALSE(readRational("5", n, d, message));
  EXPECT_EQ(message, "lstring, not a rational");
  EXPECT_FALSE(readRational("a/2", n, d, message));
  EXPECT_EQ(message, "a not an integer: replace with");
}

Tokens line(const std::string& text) {
  Tokens t;
  string2strings(text, static_cast<int>(text.size()), t, kCalculatorTokens);
  return t;
}

TEST(ReadReals, ExactAndAtLeastCounts) {
  std::vector<Real> values;
  int count = 3;
  EXPECT_TRUE(readReals(line("x 1 2.5 3/4 y"), 1, count, values));
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[2], 0.75L);

  count = 4;  // one of the four is text
  EXPECT_FALSE(readReals(line("x 1 2.5 3/4 y"), 1, count, values));
  count = 5;  // past the end of the line
  EXPECT_FALSE(readReals(line("x 1 2.5 3/4 y"), 1, count, values));

  count = -2;  // at least two: takes all numbers up to the first text
  EXPECT_TRUE(readReals(line("a 4 5 6 b 7"), 1, count, values));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(values[2], 6);
  count = -4;
  EXPECT_FALSE(readReals(line("a 4 5 6 b 7"), 1, count, values));

  std::vector<int> ints;
  count = 0;
  EXPECT_TRUE(readIntegers(line("n 1 2 3.5"), 1, count, ints));
  EXPECT_EQ(count, 2);
  count = -3;  // integers want the start strictly inside the line
  EXPECT_FALSE(readIntegers(line("n 1 2 3"), 1, count, ints));
  count = -2;
  EXPECT_TRUE(readIntegers(line("n 1 2 3"), 1, count, ints));
  EXPECT_EQ(count, 3);
}

TEST(StrictReaders, StopTheRunWithTheirMessages) {
  struct Case {
    std::function<void()> call;
    const char* procedure;
    const char* message;
  };
  const Case cases[] = {
      {[] { getinteger(kRealKind, "2.5", "in fo"); }, "getinteger",
       "expecting an integer (1); got: 2.5 - in fo"},
      {[] { getinteger(kInteger, "99999", "ctx"); }, "getinteger",
       "expecting an integer (2); got: 99999 - ctx"},
      {[] { getrational(kRational, "0/1", "ctx"); }, "reading",
       "expecting a rational (3); got: 0/1 - ctx"},
      {[] { getrational(kTextKind, "abc", "ctx"); }, "reading",
       "expecting a rational (4); got: abc - ctx"},
      {[] { getrational(kRealKind, "2.5E+3", "ctx"); }, "reading",
       "expecting a rational (2); got: 2.5E+3 - ctx"},
      {[] { getsingle(kTextKind, "abc", "ctx"); }, "reading",
       "expecting a single (1); got: abc - ctx"},
      {[] { getsingle(kEmpty, "", "ctx"); }, "reading", "expecting a single (1); got:  - ctx"},
      {[] { getsingle(kRational, "1/0", "ctx"); }, "reading",
       "expecting a single (3); got: 1/0 - ctx"},
      {[] { li2i(40000); }, "li2i", " longint -> int conversion failed"},
      // a huge whole part over a long expansion: refused, never overflowed
      {[] { getrational(kRealKind, "3000000000000.414213", "ctx"); }, "li2i",
       " longint -> int conversion failed"},
      {[] { sstringkind("x") == 9 ? void() : unknownTokenKind(); }, "what is sstring", "unknown"},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << "no stop for " << c.message;
    } catch (const Bombed& b) {
      EXPECT_EQ(b.procedure, c.procedure);
      EXPECT_EQ(b.message, c.message);
    }
  }
  EXPECT_EQ(getinteger(kInteger, "-12", "ctx"), -12);
  Rational r = getrational(kRealKind, "0.3333", "ctx");
  EXPECT_EQ(r.numerator, 1);
  EXPECT_EQ(r.denominator, 3);
  EXPECT_EQ(getsingle(kRational, "1/4", "ctx"), 0.25L);
  EXPECT_EQ(li2i(-32767), -32767);
}

TEST(ContinuedFraction, NearestSimpleRational) {
  struct Case {
    Real x;
    int numerator, denominator;
  };
  const Case cases[] = {{0.3333L, 1, 3}, {2.0004L, 2, 1},   {-0.75L, -3, 4}, {0.6667L, 2, 3},
                        {2.9995L, 3, 1}, {0.142857L, 1, 7}, {-2.5L, -5, 2},  {0, 0, 1}};
  for (const Case& c : cases) {
    Rational r = realToRational(c.x);
    EXPECT_EQ(r.numerator, c.numerator) << static_cast<double>(c.x);
    EXPECT_EQ(r.denominator, c.denominator) << static_cast<double>(c.x);
  }
}

TEST(DecimalPlaces, BothModes) {
  EXPECT_EQ(decimalPlaces(0, PlacesMode::afterPoint), 1);
  EXPECT_EQ(decimalPlaces(0, PlacesMode::leadingZeros), 1);
  EXPECT_EQ(decimalPlaces(0.25L, PlacesMode::afterPoint), 2);
  EXPECT_EQ(decimalPlaces(12.5L, PlacesMode::afterPoint), 1);
  EXPECT_EQ(decimalPlaces(3, PlacesMode::afterPoint), 1);
  EXPECT_EQ(decimalPlaces(0.05L, PlacesMode::leadingZeros, 0), 1);
  EXPECT_EQ(decimalPlaces(0.0005L, PlacesMode::leadingZeros, 0), 3);
  EXPECT_EQ(decimalPlaces(0.97L, PlacesMode::leadingZeros, 0), 1);
  EXPECT_EQ(decimalPlaces(5, PlacesMode::leadingZeros, 7), 7);
}

TEST(PowerOfTen, ExactProductsAndReciprocals) {
  EXPECT_EQ(pow10(0), 1);
  EXPECT_EQ(pow10(5), 100000);
  EXPECT_EQ(pow10(27), 1e27L);
  EXPECT_EQ(pow10(-3), 1 / 1000.0L);
  EXPECT_NEAR(pow10(300) / 1e300L, 1, 1e-17L);
  EXPECT_TRUE(std::isinf(pow10(6000)));
  EXPECT_EQ(pow10(-6000), 0);
}

TEST(RealToText, SignificantDigits) {
  struct Case {
    Real x;
    int n;
    const char* text;
  };
  const Case cases[] = {
      {1234.5678L, 6, "1234.57"},
      {0.00012346L, 4, "0.0001235"},
      {1.2346e-6L, 4, "1.235e-6"},
      {123456789, 4, "1.235e+8"},
      {12345, 4, "12345"},
      {-2.5L, 3, "-2.50"},
      {100, 3, "100"},
      {0.5L, 1, "0.5"},
      {1e-13L, 5, "0"},
      {0, 5, "0"},
      {9.9996L, 4, "10.00"},
      {-0.001234L, 3, "-0.00123"},
      {6.02214e23L, 3, "6.02e+23"},
      {1.5e-10L, 2, "1.5e-10"},
      {2, 1, "2"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(realToText(c.x, c.n, Digits::significant), c.text) << static_cast<double>(c.x);
}

TEST(RealToText, FixedDecimals) {
  struct Case {
    Real x;
    int n;
    const char* text;
  };
  const Case cases[] = {
      {3.14159L, 2, "3.14"},
      {-0.5L, 3, "-0.500"},
      {25000, 0, "25000"},
      {0.0004L, 2, "0.00"},
      {-0.0004L, 2, "0.00"},
      {1234567.891L, 2, "1.2e+6"},
      {12345.678L, 2, "12345.68"},
      {0.125L, 1, "0.1"},
      {2.5L, 0, "2"},
      {3.5L, 0, "4"},
      {1e25L, 2, "1.0e+25"},
      {-99999.994L, 2, "-99999.99"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(realToText(c.x, c.n, Digits::fixed), c.text) << static_cast<double>(c.x);
}

TEST(RealToText, SpecialValuesAndLength) {
  EXPECT_EQ(realToText(std::numeric_limits<Real>::quiet_NaN(), 4, Digits::significant), "NaN");
  EXPECT_EQ(realToText(std::numeric_limits<Real>::signaling_NaN(), 4, Digits::fixed), "sNaN");
  EXPECT_EQ(realToText(std::numeric_limits<Real>::infinity(), 4, Digits::fixed), "infinite");
  EXPECT_EQ(realToText(std::numeric_limits<Real>::denorm_min(), 4, Digits::fixed), "denorm");
  EXPECT_LE(realToText(-1.23456789012345678e-200L, 20, Digits::significant).size(), 20u);
  EXPECT_EQ(realToText(12345, 16, Digits::fixed), "?");  // 21 digits: overflows the record
  EXPECT_EQ(realToText(1e30L, 18, Digits::fixed), "1.00000000000000000e");
}

TEST(Rounding, ToThirtyTwoBits) {
  EXPECT_EQ(roundToInt(2.5L), 3);
  EXPECT_EQ(roundToInt(-2.5L), -3);
  EXPECT_EQ(truncToInt(-2.7L), -2);
  EXPECT_EQ(roundToInt(1e30L), 2147483647);
  EXPECT_EQ(roundToInt(std::numeric_limits<Real>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace pf
