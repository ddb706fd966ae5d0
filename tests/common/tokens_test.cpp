#include "common/tokens.h"

#include <gtest/gtest.h>

#include "common/bomb.h"
#include "common/text.h"

namespace pf {
namespace {

Tokens cut(const std::string& line, int capacity = kCalculatorTokens) {
  Tokens t;
  string2strings(line, static_cast<int>(line.size()), t, capacity);
  return t;
}

TEST(Tokens, SplitsOnTheThreeBlanksOnly) {
  Tokens t = cut("  fo\tfa\xCAq,\"x\"  12  ");
  ASSERT_EQ(t.count, 4);
  EXPECT_EQ(t[1], "fo");
  EXPECT_EQ(t[2], "fa");
  EXPECT_EQ(t[3], "q,\"x\"");
  EXPECT_EQ(t[4], "12");
  EXPECT_EQ(t[5], "");
  EXPECT_EQ(t[0], "");
  EXPECT_EQ(t[100000], "");
}

TEST(Tokens, KeepsTheFirstTwentyCharactersOfALongToken) {
  Tokens t = cut("abcdefghijklmnopqrstuvwxy z");
  ASSERT_EQ(t.count, 2);
  EXPECT_EQ(t[1], "abcdefghijklmnopqrst");
  EXPECT_EQ(t[2], "z");
}

TEST(Tokens, ScansOnlyTheCharactersAskedFor) {
  Tokens t;
  string2strings("abc def", 5, t, kCalculatorTokens);
  ASSERT_EQ(t.count, 2);
  EXPECT_EQ(t[2], "d");
}

TEST(Tokens, EntriesAfterTheLastAreCleared) {
  Tokens t = cut("a b c d");
  string2strings("x", 1, t, kCalculatorTokens);
  EXPECT_EQ(t.count, 1);
  EXPECT_EQ(t[2], "");
  EXPECT_EQ(t[4], "");
}

TEST(Tokens, OneTokenPastCapacityStopsTheRun) {
  struct Case {
    int capacity;
    int given;
  };
  for (Case c : {Case{kCalculatorTokens, 201}, Case{kPlotterTokens, 51}}) {
    std::string line;
    for (int i = 1; i <= c.given; ++i) line += "t" + std::to_string(i) + " ";
    try {
      cut(line, c.capacity);
      FAIL() << "no stop at " << c.given;
    } catch (const Bombed& b) {
      EXPECT_EQ(b.procedure, "string2strings");
      EXPECT_EQ(b.message, "too many \"t" + std::to_string(c.given) + "\"");
    }
    EXPECT_EQ(cut(line.substr(0, line.rfind(" t")), c.capacity).count, c.given - 1);
  }
}

TEST(Tokens, AnyBytesAreSafe) {
  std::string line;
  for (int i = 0; i < 256; ++i) line += static_cast<char>(i);
  line += std::string(1000, 'x');
  Tokens t = cut(line);
  EXPECT_GE(t.count, 1);
  for (int i = 1; i <= t.count; ++i) EXPECT_LE(t[i].size(), 20u);
}

TEST(TokenKind, ClassifiesNumbersAndText) {
  struct Case {
    const char* token;
    int kind;
  };
  const Case cases[] = {
      {"", kEmpty},          {"   ", kEmpty},       {"7", kInteger},      {"x", kTextKind},
      {"-", kTextKind},      {"-5", kInteger},      {"12", kInteger},     {"2.50", kRealKind},
      {"2.5e-3", kRealKind}, {"2.5E+3", kRealKind}, {"1.0e5", kRealKind}, {"1e5", kRealKind},
      {"3/4", kRational},    {"-3/4", kRational},   {".5", kTextKind},    {"-.5", kTextKind},
      {"+1", kTextKind},     {"1.", kTextKind},     {"1.e5", kTextKind},  {"1e", kTextKind},
      {"1e-", kTextKind},    {"3/", kTextKind},     {"3/4/5", kTextKind}, {"1.5/2", kTextKind},
      {"1e5.0", kTextKind},  {"2-3", kTextKind},    {"1.2.3", kTextKind}, {"fo", kTextKind},
      {" 42 ", kInteger},    {"--1", kTextKind},    {"1e+-5", kTextKind},
  };
  for (const Case& c : cases) EXPECT_EQ(sstringkind(c.token), c.kind) << c.token;
}

TEST(Text, BlankHelpers) {
  EXPECT_EQ(trim(" \t\xCA ab c \xCA"), "ab c");
  BlankBounds b = blankBounds("  ab ");
  EXPECT_EQ(b.first, 3u);
  EXPECT_EQ(b.last, 4u);
  EXPECT_EQ(blankBounds("   ").first, 0u);
  EXPECT_EQ(blanks(0), "");
  EXPECT_EQ(blanks(-3), "");
  EXPECT_EQ(blanks(3), "   ");
  EXPECT_EQ(blanks(40).size(), 40u);
  EXPECT_TRUE(equalApartFromBlanks("  ", ""));
  EXPECT_TRUE(equalApartFromBlanks(" ab ", "ab"));
  EXPECT_FALSE(equalApartFromBlanks("Ab", "ab"));
  std::vector<std::string> names = {"q", "fo", "fa", "fo"};
  EXPECT_EQ(findInList("fo", names, 4), 2);
  EXPECT_EQ(findInList("fa", names, 2), 0);
  EXPECT_EQ(findInList("zz", names, 4), 0);
  EXPECT_EQ(findInList("q", names, 99), 1);
}

}  // namespace
}  // namespace pf
