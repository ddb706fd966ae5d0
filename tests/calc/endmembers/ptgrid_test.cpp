#include "calc/endmembers/ptgrid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/bomb.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;

TEST(TableAxis, EachAnswerForm) {
  struct Case {
    const char* what;
    std::vector<Real> numbers;
    std::vector<Real> values;
  } cases[] = {
      {"no numbers", {}, {5}},
      {"one value", {7.25L}, {7.25L}},
      {"interval divides the range: the finish is included",
       {400, 700, 50},
       {400, 450, 500, 550, 600, 650, 700}},
      {"an interval that does not divide still closes at the finish",
       {400, 700, 80},
       {400, 480, 560, 640, 700}},
      {"exactly two intervals", {3, 11, 4}, {3, 7, 11}},
      {"one interval is too few: ten instead",
       {100, 1000, 900},
       {100, 190, 280, 370, 460, 550, 640, 730, 820, 910, 1000}},
      {"more than forty: ten instead", {0, 50, 1}, {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50}},
      {"a negative interval: ten instead", {2, 12, -3}, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"second below third: a plain list", {5, 10, 20}, {5, 10, 20}},
      {"four numbers: a plain list, as given", {40, 5, 20, 0.5L}, {40, 5, 20, 0.5L}},
      {"start equal to finish: one value", {650, 650, 25}, {650}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Real> got = tableAxisValues(c.numbers);
    ASSERT_EQ(got.size(), c.values.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.values[i], 1e-12L) << i;
  }
  // forty intervals is still within the rule, and lands on the finish
  std::vector<Real> forty = tableAxisValues({1, 9, 0.2L});
  EXPECT_EQ(forty.size(), 41u);
  EXPECT_NEAR(forty.back(), 9, 1e-15L);
}

TEST(TableAxis, OddIntervalOrReversedRangeStopsTheRun) {
  for (std::vector<Real> numbers : {std::vector<Real>{400, 700, 0}, {700, 400, 50}}) {
    Bombed fault = bombOf([&] { tableAxisValues(numbers); });
    EXPECT_EQ(fault.procedure, "PTgrid");
    EXPECT_EQ(fault.message, "odd P");
    EXPECT_EQ(fault.kind, 0);
  }
}

TEST(TableAxis, FirstValueReplacementsAndRefusedValues) {
  struct Case {
    const char* what;
    TableAxis axis;
    std::vector<Real> typed;
    std::vector<Real> held;  // empty: refused
  } cases[] = {
      {"a first 0 kbar is 1 bar", TableAxis::pressure, {0, 5}, {0.001L, 5}},
      {"so is a later one", TableAxis::pressure, {2, 0}, {2, 0.001L}},
      {"a negative pressure is refused", TableAxis::pressure, {5, -1}, {}},
      {"a first 27 C is 298 K", TableAxis::temperature, {27, 500}, {298, 773}},
      {"only a first one", TableAxis::temperature, {500, 27}, {773, 300}},
      {"-273 C is 0 K: refused", TableAxis::temperature, {500, -273}, {}},
      {"colder still: refused", TableAxis::temperature, {-300}, {}},
      {"just above 0 K", TableAxis::temperature, {-272.5L}, {0.5L}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Real> values = c.typed;
    std::string message = settleTableAxis(values, c.axis);
    if (c.held.empty()) {
      EXPECT_NE(message.find("try again"), std::string::npos);
    } else {
      EXPECT_EQ(message, "");
      ASSERT_EQ(values.size(), c.held.size());
      for (std::size_t i = 0; i < values.size(); ++i) EXPECT_NEAR(values[i], c.held[i], 1e-15L);
    }
  }
  std::vector<Real> many(kMaxTableValues + 1, 5);
  EXPECT_EQ(settleTableAxis(many, TableAxis::pressure), "too many values (at most 50) : try again");
}

TEST(PTgridDialogue, PressuresThenTemperatures) {
  Dialogue d("0 5 20 40\n27 500\n");
  TableAxes axes = PTgrid(d.io);
  EXPECT_EQ(axes.p, (std::vector<Real>{0.001L, 5, 20, 40}));
  EXPECT_EQ(axes.t, (std::vector<Real>{298, 773}));
  EXPECT_EQ(d.console(),
            "\nspecifying table pressures\n  list of values OR start, finish, interval : "
            "\nspecifying table temperatures\n  list of values OR start, finish, interval : ");
  EXPECT_EQ(d.log(),
            "\nspecifying table pressures\n  list of values OR start, finish, interval : "
            "0 5 20 40\n\nspecifying table temperatures\n"
            "  list of values OR start, finish, interval : 27 500\n");
}

TEST(PTgridDialogue, UnusableAnswersAreAskedAgain) {
  // a negative pressure, then a word, then no numbers at all for the temperatures
  Dialogue d("-2 5\n1 abc\n2\n\n");
  TableAxes axes = PTgrid(d.io);
  EXPECT_EQ(axes.p, (std::vector<Real>{1, 2}));
  EXPECT_EQ(axes.t, (std::vector<Real>{278}));
  EXPECT_NE(d.console().find("table pressures must be above 0 kbar : try again\n"
                             "  list of values OR start, finish, interval : "
                             "abc not a real: replace with : "),
            std::string::npos);
}

TEST(PTgridDialogue, HugeAndLongAnswers) {
  // a line of a thousand values is cut at 255 characters, which still leaves too many
  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += std::to_string(i + 1) + " ";
  Dialogue longLine(thousand + "\n1 2\n\n");
  EXPECT_EQ(PTgrid(longLine.io).p, (std::vector<Real>{1, 2}));
  EXPECT_NE(longLine.console().find("too many values (at most 50) : try again"), std::string::npos);

  // sixty values fit on the line but not on an axis; a thousand-step range gets ten
  std::string sixty;
  for (int i = 0; i < 60; ++i) sixty += std::to_string(i + 1) + " ";
  Dialogue d(sixty + "\n0 1000 1\n1e4000 1e4001\n");
  TableAxes axes = PTgrid(d.io);
  EXPECT_NE(d.console().find("too many values (at most 50) : try again"), std::string::npos);
  EXPECT_EQ(axes.p.size(), 11u);
  EXPECT_EQ(axes.p.back(), 1000);
  ASSERT_EQ(axes.t.size(), 2u);
  EXPECT_GT(axes.t[1], axes.t[0]);

  Dialogue endOfInput("1 2\n");
  EXPECT_EQ(bombOf([&] { PTgrid(endOfInput.io); }).procedure, "read in prstrings");
}

}  // namespace
}  // namespace pf
