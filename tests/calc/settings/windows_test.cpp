#include "calc/settings/windows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/numbers.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;
using testing::kDeg;
using testing::kMu;
using testing::scriptOf;

TEST(LowHighReaders, AcceptGoodPairsWithoutAsking) {
  Dialogue d;
  Real low = 283, high = 3000;
  Tlowhigh(d.io, low, high, true);
  Real same = 673, same2 = 673;
  Tlowhigh(d.io, same, same2, false);
  Real p1 = 0.0009L, p2 = 1500;
  Plowhigh(d.io, kPminDefault, p1, p2, true);
  Real a = -3, b = 2;
  mulowhigh(d.io, a, b, true);
  EXPECT_EQ(d.console(), "");
}

TEST(LowHighReaders, SayWhatIsWrongAndAskAgain) {
  struct Case {
    const char* name;
    Real low, high;
    bool strict;
    const char* answer;
    std::string console;
    Real newLow, newHigh;
  };
  const Case cases[] = {
      {"T", 278, 973, true, "400 800\n",
       "T(low) must be greater than 10 : try again\nT low,high : ", 673, 1073},
      {"T", 273, 5000, true, "10 2727\n",
       "T(high) must be less than 2727 : try again\nT(low) must be greater than 10 : try again\n"
       "T low,high : ",
       283, 3000},
      {"T", 673, 673, true, "400\n500\n",
       "T(low) must be less than T(high) : try again\nT low,high :   : ", 673, 773},
      {"P", 0.0001L, 2000, false, "1 1\n",
       "P(high) must be less than 1500 : try again\nP(low) must be greater than 0.0009 : try "
       "again\n"
       "P low,high : ",
       1, 1},
      {"x", 0, 1, true, "0.1 0.9\n",
       "x(CO2) high must be less than 1 : try again\nx(CO2) low must be greater than 0 : try "
       "again\nx(CO2) low,high : ",
       0.1L, 0.9L},
      {"mu", 5, 1, false, "-5 1\n",
       kMu + "(low) must be less than or equal to " + kMu + "(high) : try again\n" + kMu +
           " low,high : ",
       -5, 1},
      {"a", 0, 0.5L, true, "0.1 0.5\n",
       "a(low) must be greater than 0 : try again\nactivity low,high : ", 0.1L, 0.5L},
      {"loga", 1, 1, true, "-2 0\n",
       "log a(low) must be less than log a(high) : try again\nlog a low,high : ", -2, 0},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answer);
    Real low = c.low, high = c.high;
    std::string name = c.name;
    if (name == "T") Tlowhigh(d.io, low, high, c.strict);
    if (name == "P") Plowhigh(d.io, kPminDefault, low, high, c.strict);
    if (name == "x") xlowhigh(d.io, low, high, c.strict);
    if (name == "mu") mulowhigh(d.io, low, high, c.strict);
    if (name == "a") alowhigh(d.io, low, high, c.strict);
    if (name == "loga") logalowhigh(d.io, low, high, c.strict);
    EXPECT_EQ(d.console(), c.console) << name;
    EXPECT_NEAR(low, c.newLow, 1e-15L) << name;
    EXPECT_NEAR(high, c.newHigh, 1e-15L) << name;
  }
}

TEST(LowHighReaders, NegativePressuresAfterNegp) {
  Dialogue d("-50 5\n");
  Real low = -200, high = 5;
  Plowhigh(d.io, kNegativePmin, low, high, true);
  EXPECT_EQ(d.console(), "P(low) must be greater than -100 : try again\nP low,high : ");
  EXPECT_EQ(low, -50);
}

// Five passes at most: the held pair and four answers are tested; the answer
// read in the fifth pass is not, the run stops whatever it says.
TEST(LowHighReaders, StopAfterFivePasses) {
  Dialogue four("1 2\n1 2\n1 2\n400 800\n");
  Real low = 0, high = 0;
  Tlowhigh(four.io, low, high, true);
  EXPECT_EQ(low, 673) << "the fourth answer is tested and taken";

  for (const char* fifth : {"1 2\n", "400 800\n"}) {
    Dialogue five(std::string("1 2\n1 2\n1 2\n1 2\n") + fifth + "500 900\n");
    low = high = 0;
    Bombed fault = bombOf([&] { Tlowhigh(five.io, low, high, true); });
    EXPECT_EQ(fault.procedure, "*OK") << fifth;
    EXPECT_EQ(fault.message, "too many tries");
    EXPECT_EQ(fault.kind, 0);
    EXPECT_EQ(five.in.tellg(), std::streampos(16 + std::string(fifth).size()))
        << "five answers are read, no sixth";
  }
}

TEST(SpecifyPTWindow, TheSingleQuestionTakesZeroTwoOrFourNumbers) {
  ScriptSettings s = scriptOf("");
  const std::string head = "specification of PT window:\nT low,high, P low,high : ";
  struct Case {
    const char* answers;
    std::string console;
    Real Tlow, Thigh, Plow, Phigh;
  };
  const Case cases[] = {
      {"600 8\n", head, 873, 873, 8, 8},
      {"\n", head, 300, 1500, 0.1L, 20},
      {"400 800 2 12 99\n", head, 673, 1073, 2, 12},
      {"1\n3 3 3\n450 650 1 9\n",
       head + "1 number input (0, 2 or 4 numbers expected): try again\n"
              "T low,high, P low,high : 3 numbers input (0, 2 or 4 numbers expected): try again\n"
              "T low,high, P low,high : ",
       723, 923, 1, 9},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    WindowState w;
    specifyptwindow(d.io, w, s, "specification of PT window:", "p", "t", true);
    EXPECT_EQ(d.console(), c.console) << c.answers;
    EXPECT_EQ(w.Tlow, c.Tlow) << c.answers;
    EXPECT_EQ(w.Thigh, c.Thigh) << c.answers;
    EXPECT_EQ(w.Plow, c.Plow) << c.answers;
    EXPECT_EQ(w.Phigh, c.Phigh) << c.answers;
  }
  // the question put a fourth time stops the run whatever that answer is
  for (const char* fourth : {"7 7 7\n", "600 8\n"}) {
    Dialogue d(std::string("1\n3 3 3\n5\n") + fourth + "600 8\n");
    WindowState w;
    Bombed fault = bombOf([&] { specifyptwindow(d.io, w, s, "heading", "", "", true); });
    EXPECT_EQ(fault.procedure, "PT window") << fourth;
    EXPECT_EQ(fault.message, "no sensible input");
  }
}

TEST(SpecifyPTWindow, ScriptWindowsAreShown) {
  struct Case {
    const char* script;
    const char* answers;
    std::string console;
  };
  const Case cases[] = {
      {"setTwindow 400 800\nsetPwindow 0.001 0.001\n", "",
       "T window: 400 <=> 800" + kDeg + " at fixed P = 1 bar (from script)\n"},
      {"setTwindow 600 600\nsetPwindow 2.5 8\n", "",
       "P window: 2.5 <=> 8.0 kbar at fixed T = 600" + kDeg + " (from script)\n"},
      {"setTwindow 600 600\nsetPwindow 4 4\n", "",
       "at fixed P = 4 kbar and T = 600" + kDeg + " (from script)\n"},
      {"setTwindow ask 400 800\nsetPwindow ask 5 10\n", "y\n",
       "use PT window given in datafile ? PT window: 5 <=> 10 kbar; 400 <=> 800" + kDeg +
           " (from script)\n"},
      {"setTwindow 400.5 800\nsetPwindow ask 5 10\n", "n\n5\n",
       "T window set; use P window given in datafile ? T window: 400.5 <=> 800.0" + kDeg +
           " (from script)\nP prompt\nP window: P low,high : "},
      {"setPwindow 5 10\n", "\n",
       "P window : 5 <=> 10 kbar (from script)\nT prompt\nT window: T low,high : "},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    WindowState w;
    specifyptwindow(d.io, w, scriptOf(c.script), "heading", "P prompt", "T prompt", true);
    EXPECT_EQ(d.console(), c.console) << c.script;
  }
}

TEST(SpecifyPTWindow, WithoutHeadingEachWindowIsAskedByItself) {
  Dialogue d("5\n400 800\n");
  WindowState w;
  specifyptwindow(d.io, w, scriptOf(""), "", "P range", "T window", true);
  EXPECT_EQ(d.console(), "P range\nP window: P low,high : T window\nT window: T low,high : ");
  EXPECT_EQ(w.Plow, 5);
  EXPECT_EQ(w.Phigh, 5);
  EXPECT_EQ(w.Tlow, 673);
  EXPECT_EQ(w.Thigh, 1073);
}

TEST(RangeAndWidening, InrangeEnlargeRestore) {
  WindowState w;
  w.Tlow = 673, w.Thigh = 1073, w.Plow = 2, w.Phigh = 10;
  EXPECT_TRUE(inrange(w, kRangeT, 673));
  EXPECT_FALSE(inrange(w, kRangeT, 1073.0001L));
  EXPECT_TRUE(inrange(w, kRangeP, 10));
  EXPECT_EQ(bombOf([&] { inrange(w, 5, 1); }).message, "unknown type");

  enlargewindow(w, kVarT);
  EXPECT_EQ(w.Tlow, 373);
  EXPECT_EQ(w.Thigh, 1473);
  enlargewindow(w, kVarP);
  EXPECT_EQ(w.Plow, kPminDefault);
  EXPECT_EQ(w.Phigh, 15);
  restorewindow(w, kVarT);
  restorewindow(w, kVarP);
  EXPECT_EQ(w.Tlow, 673);
  EXPECT_EQ(w.Plow, 2);
  Bombed fault = bombOf([&] { enlargewindow(w, kVarX); });
  EXPECT_EQ(fault.procedure, "enlargewindow");
  EXPECT_EQ(fault.message, "unknown calcvariable");
  EXPECT_EQ(fault.kind, 1);
  EXPECT_EQ(bombOf([&] { restorewindow(w, 7); }).procedure, "restorewindow");

  EXPECT_EQ(windowTestFor(kDiagramTlna), WindowTest::Tlna);
  Bombed test = bombOf([] { windowTestFor(7); });
  EXPECT_EQ(test.procedure, "inPTXwindow");
  EXPECT_EQ(test.message, "unknown diagrammode");
}

TEST(WindowPrinters, MarkValuesOutsideTheWindow) {
  WindowState w;
  w.Tlow = 673, w.Thigh = 1073, w.Tdec = 1;
  w.Plow = 0.001L, w.Phigh = 200, w.Pdec = 2;
  w.xlow = 0.1L, w.xhigh = 0.9L;
  struct Case {
    char kind;
    Real value;
    const char* text;
  };
  const Case cases[] = {
      {'T', 500, "500.0"},   {'T', 300, "-"},         {'T', 900, "+"},      {'T', 1e21L, "*"},
      {'T', -1e21L, ""},     {'P', 150, "150"},       {'P', 5, "5.00"},     {'P', 0.5L, "0.50"},
      {'P', 0.05L, "0.050"}, {'P', 0.005L, "0.0050"}, {'P', 300, "+"},      {'P', 1e21L, "*"},
      {'P', -1e21L, " "},    {'P', 0.0001L, "-"},     {'x', 0.25L, "0.25"}, {'x', 0.05L, "-"},
      {'x', 0.95L, "+"},     {'x', 1e21L, "*"},
  };
  for (const Case& c : cases) {
    std::string text = c.kind == 'T'   ? windowT(w, c.value)
                       : c.kind == 'P' ? windowP(w, c.value)
                                       : windowX(w, c.value);
    EXPECT_EQ(text, c.text) << c.kind << " " << static_cast<double>(c.value);
  }
  w.Tdec = 0;
  EXPECT_EQ(windowT(w, 500.4L), "500");
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

// Large values are written digit by digit; a value that is no number is
// written by name, whatever its size.
TEST(DecimalText, LargeValuesAndValuesThatAreNoNumbers) {
  EXPECT_EQ(decimalText(123456.789L, 2), "123456.79");
  EXPECT_EQ(decimalText(std::numeric_limits<Real>::infinity(), 2), "infinite");
  EXPECT_EQ(decimalText(-std::numeric_limits<Real>::infinity(), 4),
            realToText(-std::numeric_limits<Real>::infinity(), 4, Digits::fixed));
  EXPECT_EQ(decimalText(std::numeric_limits<Real>::quiet_NaN(), 2), "NaN");
}

}  // namespace
}  // namespace pf
