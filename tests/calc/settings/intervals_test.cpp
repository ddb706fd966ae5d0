#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calc/settings/calc_codes.h"
#include "calc/settings/windows.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;
using testing::scriptOf;

WindowState Twindow(Real lowC, Real highC) {
  WindowState w;
  w.Tlow = lowC + kCelsius;
  w.Thigh = highC + kCelsius;
  return w;
}

std::vector<Real> celsius(const std::vector<Real>& kelvin) {
  std::vector<Real> out;
  for (Real T : kelvin) out.push_back(T - kCelsius);
  return out;
}

TEST(TInterval, CountsAndEnds) {
  struct Case {
    Real high;
    const char* answer;
    std::vector<Real> list;
  };
  const Case cases[] = {
      {800, "100\n", {400, 500, 600, 700, 800}},
      {800, "150\n", {400, 550, 700, 800}},
      {800, "400\n", {400, 800}},
      {800.005L, "100\n", {400, 500, 600, 700, 800}},
      {800.02L, "100\n", {400, 500, 600, 700, 800, 800.02L}},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answer);
    WindowState w = Twindow(400, c.high);
    tinterval(d.io, w, scriptDefaults());
    std::vector<Real> got = celsius(w.Tlist);
    ASSERT_EQ(got.size(), c.list.size()) << c.answer << static_cast<double>(c.high);
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], c.list[k], 1e-12L);
  }
}

TEST(TInterval, RefusesWithItsMessages) {
  Dialogue d("1.99\n500\n-5\n0\n2\n");
  WindowState w = Twindow(400, 800);
  tinterval(d.io, w, scriptDefaults());
  EXPECT_EQ(d.console(),
            "T window : 400 <-> 800\n"
            "T interval : T interval too small : max of 201 temperatures\n"
            "try again: T interval : T interval too large : max T(high) - T(low) = 400\n"
            "try again: T interval : T interval must be positive - try again: T interval : "
            "T interval too small : max of 201 temperatures\n"
            "try again: T interval : ");
  EXPECT_EQ(w.Tlist.size(), 201u);
  EXPECT_EQ(w.Tdec, 0);
  EXPECT_EQ(w.Pdec, 1);
}

TEST(TInterval, SingleValueWindowAsksNothing) {
  Dialogue d;
  WindowState w = Twindow(600, 600);
  w.Tdec = 3;
  tinterval(d.io, w, scriptDefaults());
  EXPECT_EQ(d.console(), "");
  EXPECT_EQ(w.Tlist, std::vector<Real>{873});
}

TEST(TInterval, ScriptIntervalOnlyForPTDiagramsOfModes1And3) {
  ScriptSettings s = scriptOf("setTinterval 50\n");
  {
    Dialogue d;
    WindowState w = Twindow(400, 800.5L);
    w.calcCode = kCalcReactions;
    tinterval(d.io, w, s);
    EXPECT_EQ(d.console(), "T window : 400.0 <-> 800.5\nT interval = 50 (from script)\n");
    EXPECT_EQ(w.Tlist.size(), 10u);
    EXPECT_EQ(w.Tdec, 1);
    EXPECT_EQ(w.Pdec, 2);
  }
  {
    Dialogue d("50\n");
    WindowState w = Twindow(400, 800);
    w.calcCode = kCalcAveragePT;
    tinterval(d.io, w, s);
    EXPECT_EQ(d.console(), "T window : 400 <-> 800\nT interval : ");
  }
  {
    Dialogue d("n\n100\n");
    WindowState w = Twindow(400, 800);
    w.calcCode = kCalcPhaseDiagram;
    tinterval(d.io, w, scriptOf("setTinterval ask 50\n"));
    EXPECT_EQ(d.console(),
              "T window : 400 <-> 800\nuse the T interval in the datafile script ? T interval : ");
    EXPECT_EQ(w.Tlist.size(), 5u);
  }
}

TEST(PInterval, TheHighEndWithinATenThousandthIsNotRepeated) {
  struct Case {
    const char* answer;
    std::size_t count;
    Real last;
  };
  const Case cases[] = {{"0.3\n", 5, 2}, {"0.33333\n", 4, 1.99999L}, {"1\n", 2, 2}};
  for (const Case& c : cases) {
    Dialogue d(c.answer);
    WindowState w;
    w.Plow = 1;
    w.Phigh = 2;
    pinterval(d.io, w, scriptDefaults());
    EXPECT_EQ(d.console(), "P window :1 <-> 2 kbar :\nP interval : ");
    ASSERT_EQ(w.Plist.size(), c.count) << c.answer;
    EXPECT_NEAR(w.Plist.back(), c.last, 1e-15L) << c.answer;
  }
}

TEST(ListXco2, OffersTheDefaultValuesInsideTheWindow) {
  Dialogue d("\n");
  WindowState w;
  w.xlow = 0.05L;
  w.xhigh = 0.95L;
  w.calcvariable = kVarT;
  listxco2(d.io, w);
  EXPECT_EQ(d.console(),
            "x(CO2) window : 0.05 <-> 0.95\n"
            "0.05 0.1 0.2 0.4 0.6 0.8 0.9 0.95 : use these x(CO2) ? ");
  EXPECT_EQ(w.xco2.size(), 8u);
  EXPECT_NEAR(w.xh2o[1], 0.9L, 1e-18L);
  EXPECT_EQ(w.Tdec, 0);
  EXPECT_EQ(w.xdec, 2);

  Dialogue ends("y\n");
  w.xlow = 0.07L;
  w.xhigh = 0.93L;
  listxco2(ends.io, w);
  EXPECT_EQ(w.xco2, (std::vector<Real>{0.07L, 0.1L, 0.2L, 0.4L, 0.6L, 0.8L, 0.9L, 0.93L}));
}

TEST(ListXco2, AsksForAListWhenTooFewDefaultsFit) {
  struct Case {
    Real low, high;
    const char* answers;
    std::string console;
    std::vector<Real> list;
  };
  const Case cases[] = {
      {0.3L,
       0.5L,
       "0.35 0.2 0.45 0.4 0.6\n",
       "x(CO2) window : 0.3 <-> 0.5\nx(CO2) in ascending order : ",
       {0.3L, 0.35L, 0.45L, 0.5L}},
      {0.0001L,
       0.5L,
       "0.1\n",
       "x(CO2) window : 0.0001 <-> 0.5000\nx(CO2) in ascending order : ",
       {0.0001L, 0.1L, 0.5L}},
      {0.05L,
       0.95L,
       "n\n\n",
       "x(CO2) window : 0.05 <-> 0.95\n0.05 0.1 0.2 0.4 0.6 0.8 0.9 0.95 : use these x(CO2) ? "
       "x(CO2) in ascending order : ",
       {0.05L, 0.95L}},
  };
  for (const Case& c : cases) {
    Dialogue d(c.answers);
    WindowState w;
    w.xlow = c.low;
    w.xhigh = c.high;
    w.calcvariable = kVarP;
    listxco2(d.io, w);
    EXPECT_EQ(d.console(), c.console);
    EXPECT_EQ(w.xco2, c.list);
    EXPECT_EQ(w.Pdec, 1);
  }
  Dialogue d("0.5\n");
  WindowState w;
  w.xlow = 0.3L;
  w.xhigh = 0.6L;
  w.calcvariable = kVarX;
  Bombed fault = bombOf([&] { listxco2(d.io, w); });
  EXPECT_EQ(fault.procedure, "listxco2");
  EXPECT_EQ(fault.message, "unknown calcvariable");
  EXPECT_EQ(fault.kind, 1);
}

TEST(ValueRows, ActivityLnaAndMuRows) {
  {
    Dialogue d("1\n0.2\n");
    WindowState w;
    listact(d.io, w, 2, 0.1L, 0.9L);
    EXPECT_EQ(d.console(),
              "activity window : 0.1 <-> 0.9 : \nactivity interval : "
              "activity interval too large :    max a(high) - a(low) =0.8\n"
              "try again: activity interval : ");
    ASSERT_EQ(w.rows.size(), 2u);
    EXPECT_EQ(w.rows[1].values.size(), 5u);
    EXPECT_TRUE(w.rows[1].varied);
  }
  {
    Dialogue d("0.5\n");
    WindowState w;
    w.logsBase10 = true;
    listlna(d.io, w, 1, -2 * std::log(10.0L), 0);
    EXPECT_EQ(d.console(), "log a window : -2 <-> 0 : \nlog a interval : ");
    ASSERT_EQ(w.rows[0].values.size(), 5u);
    EXPECT_NEAR(w.rows[0].values[1], -1.5L * std::log(10.0L), 1e-15L);
    EXPECT_EQ(w.adec, 2);
  }
  {
    Dialogue d("0.001\n5\n");
    WindowState w;
    listmu(d.io, w, 1, -600, -580);
    EXPECT_EQ(d.console(),
              "\xB5 window : -600 <-> -580 : \n\xB5 interval : "
              "interval too small : max of 201 values\ntry again: interval : ");
    EXPECT_EQ(w.rows[0].values.size(), 5u);
  }
  {
    Dialogue d;
    WindowState w;
    listmu(d.io, w, 1, -600, -600.0005L);
    EXPECT_EQ(d.console(), "") << "a window narrower than 0.001 is one value";
    EXPECT_EQ(w.rows[0].values.size(), 1u);
  }
}

}  // namespace
}  // namespace pf
