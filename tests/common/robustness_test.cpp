// Arbitrary bytes through every reader and writer: no crash, no read past an
// end (the sanitizer build checks the second), every result well formed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf {
namespace {

std::string randomText(std::mt19937& rng, std::size_t maxLength) {
  static const char alphabet[] = "0123456789.eE-+/ \t\xCA\xA1x%*";
  std::uniform_int_distribution<std::size_t> length(0, maxLength);
  std::uniform_int_distribution<int> pick(0, 3);
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::uniform_int_distribution<std::size_t> letter(0, sizeof alphabet - 2);
  std::string s(length(rng), ' ');
  for (char& c : s) c = pick(rng) == 0 ? static_cast<char>(anyByte(rng)) : alphabet[letter(rng)];
  return s;
}

TEST(Robustness, RandomLinesThroughTheReaders) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 20000; ++round) {
    std::string line = randomText(rng, round % 10 == 0 ? 600 : 40);
    Tokens tokens;
    try {
      string2strings(line, static_cast<int>(line.size()), tokens, kCalculatorTokens);
    } catch (const Bombed& b) {
      EXPECT_EQ(b.procedure, "string2strings");
      continue;
    }
    for (int i = 1; i <= tokens.count; ++i) {
      const std::string& t = tokens[i];
      ASSERT_LE(t.size(), kMaxToken);
      int kind = sstringkind(t);
      ASSERT_GE(kind, kEmpty);
      ASSERT_LE(kind, kTextKind);
      Real x;
      int n, d;
      std::string message;
      if (readReal(t, x, message)) {
        EXPECT_TRUE(std::isfinite(x)) << t;
        EXPECT_NE(kind, kEmpty) << t;
      } else {
        EXPECT_EQ(x, 0);
      }
      if (readInteger(t, n, message)) {
        EXPECT_LT(std::abs(n), kMaxInteger);
      }
      if (readRational(t, n, d, message)) {
        EXPECT_NE(d, 0);
      }
    }
    std::vector<Real> values;
    int count = -1;
    readReals(tokens, 0, count, values);
  }
}

TEST(Robustness, AnyRealPrintsAsAShortText) {
  std::mt19937_64 rng(777);
  for (int round = 0; round < 20000; ++round) {
    Real x;
    unsigned char bytes[sizeof(Real)] = {};
    for (std::size_t i = 0; i < 10; ++i) bytes[i] = static_cast<unsigned char>(rng());
    std::memcpy(&x, bytes, sizeof x);
    for (int digits : {0, 1, 4, 12, 25}) {
      std::string s = realToText(x, digits, Digits::significant);
      std::string f = realToText(x, digits, Digits::fixed);
      ASSERT_FALSE(s.empty());
      ASSERT_LE(s.size(), kMaxToken);
      ASSERT_FALSE(f.empty());
      ASSERT_LE(f.size(), kMaxToken);
    }
  }
}

TEST(Robustness, PrintedRealsReadBack) {
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-11, 30);
  for (int round = 0; round < 5000; ++round) {
    Real x = static_cast<Real>(mantissa(rng)) * pow10(exponent(rng));
    if (std::fabs(x) < 1e-11L) continue;
    std::string text = realToText(x, 12, Digits::significant);
    // the reader takes no '+' in an exponent, though the writer writes one
    if (std::size_t plus = text.find("e+"); plus != std::string::npos) text.erase(plus + 1, 1);
    Real back;
    std::string message;
    ASSERT_TRUE(readReal(text, back, message)) << text;
    EXPECT_NEAR(back, x, std::fabs(x) * 1e-11L) << text;
  }
}

}  // namespace
}  // namespace pf
