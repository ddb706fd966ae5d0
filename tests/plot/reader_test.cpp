// The drawing-file reader: what it fills in, and every way a file can fail.
#include "plot/reader.h"

#include <gtest/gtest.h>

#include "plot_fixture.h"

namespace pf::plot {
namespace {

const std::string kHeader = "test\n3 3\n2 1\n";
const std::string kBody =
    "i1 ky and sill invariant\n 4.2 550 0\n"
    "u1 ky and - sill univariant begin i1\n 2.2 400 0\n 3.5 500 0\n"
    "*\n";
TEST(Reader, ReadsPointsLinesAreasAndInstructions) {
  Console console;
  Drawing d = readText(console, kHeader +
                                    "% a comment line\n"
                                    "#i1 ky and sill - H2O q invariant 4.2 550 0   % P T mode\n"
                                    "# i2 ky sill point crossover u1 u2\n"
                                    "u1 ilm q - ru univariant i1 end 4.2 550 0 red 5 600 0 thick\n"
                                    "   connect dashed blue\n"
                                    "u2 ky sill begin end 1 500 0 2 600 0\n"
                                    "*\n0.8 u1 u2\n0.5 u2 *\n"
                                    "info a first  line\ninfo\nnumbering 12\ncircles 0\n"
                                    "areas no\nshowlineinfo ask\ndarkcolour 10 20 30\n"
                                    "window 400 900 0 10\nbigticks 100 400 2 0\nsmallticks 50 1\n"
                                    "*\nwindow ignored after the end\n");
  ASSERT_EQ(d.points.size(), 2u);
  EXPECT_TRUE(d.points[0].marked);
  EXPECT_EQ(d.points[0].name, "i1");
  EXPECT_EQ(d.points[0].phases, (std::vector<std::string>{"ky", "and", "sill"}));
  EXPECT_EQ(d.points[0].zeroModePhases, (std::vector<std::string>{"H2O", "q"}));
  EXPECT_EQ(d.points[0].at, (XY{550, 4.2L}));
  EXPECT_TRUE(d.points[1].marked);
  EXPECT_TRUE(d.points[1].crossover);
  EXPECT_EQ(d.points[1].crossoverLines[1], "u2");

  ASSERT_EQ(d.lines.size(), 2u);
  const UnivariantLine& u1 = d.lines[0];
  EXPECT_EQ(u1.phases, (std::vector<std::string>{"ilm", "q"}));  // "ilm" is no point name
  EXPECT_EQ(u1.zeroModePhase, "ru");
  EXPECT_EQ(u1.limits[0], "i1");
  EXPECT_EQ(u1.limits[1], "end");
  EXPECT_EQ(u1.data.size(), 2u);
  EXPECT_TRUE(u1.red && u1.thick && u1.connect && u1.dashed && u1.blue);
  EXPECT_FALSE(u1.green || u1.magenta);
  EXPECT_EQ(d.lines[1].zeroModePhase, "none");

  ASSERT_EQ(d.areas.size(), 2u);
  EXPECT_EQ(d.areas[0].lines, (std::vector<std::string>{"u1", "u2"}));
  EXPECT_EQ(d.areas[1].grayscale, 0.5L);

  const DrawSettings& s = d.settings;
  EXPECT_EQ(s.info, (std::vector<std::string>{"a first line", ""}));
  EXPECT_EQ(s.numbering, kUsePreset);
  EXPECT_EQ(s.labelSize, 10);
  EXPECT_EQ(s.circleSize, 1);
  EXPECT_EQ(s.doareas, kDontUse);
  EXPECT_EQ(s.showlineinfo, kAsk);
  EXPECT_EQ(s.darkcolour[2], 30);
  EXPECT_EQ(s.window.xmax, 900);
  EXPECT_TRUE(s.bigTicks && s.smallTicks);
  EXPECT_EQ(s.bigYInc, 2);
}

TEST(Reader, InstructionValuesAndDefaults) {
  struct Case {
    const char* lines;
    int numbering, labelSize, circles, circleSize;
  };
  const Case cases[] = {
      {"", kDontUse, 4, kUsePreset, 1},
      {"numbering\n", kUsePreset, 4, kUsePreset, 1},
      {"numbering 2\ncircles 9\n", kUsePreset, 4, kUsePreset, 5},
      {"numbering yes 7\ndocircles no\n", kUsePreset, 7, kDontUse, 1},
      {"numbering no\ncircles 3\n", kDontUse, 4, kUsePreset, 3},
      // "no" reads no values: nothing after it is looked at
      {"numbering no x\ncircles no 4 y\n", kDontUse, 4, kDontUse, 1},
  };
  for (const Case& c : cases) {
    Console console;
    Drawing d = readText(console, kHeader + kBody + "*\n" + c.lines + "window 0 1 0 1\n");
    EXPECT_EQ(d.settings.numbering, c.numbering) << c.lines;
    EXPECT_EQ(d.settings.labelSize, c.labelSize) << c.lines;
    EXPECT_EQ(d.settings.circles, c.circles) << c.lines;
    EXPECT_EQ(d.settings.circleSize, c.circleSize) << c.lines;
  }
}

TEST(Reader, InterpolatesPointsAndLines) {
  Console console;
  // column 3 is the interpolation column; points at x(3) = 0.5
  Drawing d = readText(console,
                       "t 3 3 2 1 x 3 0.5\n"
                       "i1 a b  1 500 0.0  3 700 1.0\n"
                       "u1 a - b begin end  1 400 0.5  2 450 0.4  3 500 0.5\n"
                       "*\n*\nwindow 0 1000 0 10\n");
  EXPECT_EQ(d.points[0].at, (XY{600, 2}));
  EXPECT_EQ(d.points[0].dataPoints, 2);
  ASSERT_EQ(d.lines[0].data.size(), 2u);  // only the groups at 0.5
  EXPECT_EQ(d.lines[0].data[1], (XY{500, 3}));

  // two values: each run of equal T (or equal P) gives one point, where the
  // interpolation column has its value for that run: the first value at the
  // first run, the second at the last, in even steps between
  struct Case {
    const char* what;
    const char* text;
    std::vector<XY> data;
  };
  const Case cases[] = {
      {"runs of equal T at 0.3, 0.5 and 0.7",
       "t 3 3 2 1 x 3 0.3 0.7\nu1 a - b begin end\n"
       "  1 400 0.0  5 400 1.0\n"              // 0.3: P = 1 + 0.3 x 4
       "  2 500 0.0  4 500 0.8  9 500 0.9\n"   // 0.5: P = 2 + 0.625 x 2
       "  1 600 0.6  2 600 0.65  5 600 0.9\n"  // 0.7: P = 2 + 0.2 x 3
       "*\n*\nwindow 0 1000 0 10\n",
       {{400, 2.2L}, {500, 3.25L}, {600, 2.6L}}},
      {"runs of equal P, the last one never reaching its value",
       "t 3 3 2 1 x 3 0.9 0.1\nu1 a - b begin end\n"
       "  2 400 1.0  2 500 0.8\n"  // 0.9: T = 450
       "  4 400 0.2  4 900 0.7\n"  // 0.5: T = 400 + 0.6 x 500
       "  6 400 0.2  6 500 0.3\n"  // 0.1: not reached, no point
       "*\n*\nwindow 0 1000 0 10\n",
       {{450, 2}, {700, 4}}},
      {"x in the last column of a point",
       "t 3 3 3 1\nu1 a - b begin end  1 0.1 400  2 0.2 700\n*\n*\nwindow 0 1000 0 10\n",
       {{400, 1}, {700, 2}}},
  };
  for (const Case& c : cases) {
    Drawing two = readText(console, c.text);
    ASSERT_EQ(two.lines[0].data.size(), c.data.size()) << c.what;
    for (std::size_t k = 0; k < c.data.size(); ++k) {
      EXPECT_NEAR(static_cast<double>(two.lines[0].data[k].x), static_cast<double>(c.data[k].x),
                  1e-12)
          << c.what << " " << k;
      EXPECT_NEAR(static_cast<double>(two.lines[0].data[k].y), static_cast<double>(c.data[k].y),
                  1e-12)
          << c.what << " " << k;
    }
  }
  // a point is taken at the first value, lopsided between its groups
  Drawing point = readText(console,
                           "t 3 3 2 1 x 3 0.2 0.9\ni1 a b  1 500 0.1  5 900 0.5\n"
                           "*\n*\nwindow 0 1000 0 10\n");
  EXPECT_NEAR(static_cast<double>(point.points[0].at.x), 600, 1e-12);
  EXPECT_NEAR(static_cast<double>(point.points[0].at.y), 2, 1e-12);
}

TEST(Reader, BadBigTickStartIsReportedAndSurvived) {
  Console console;
  console.io.openOutput(kLogfile, "px-log.txt", false);
  Drawing d = readText(console, kHeader + kBody + "*\nwindow 400 900 0 10\nbigticks 100 300 2 0\n");
  EXPECT_FALSE(d.settings.bigTicks);
  EXPECT_EQ(console.out.str(), "\nbad big tick x start: no big ticks drawn\n");
  EXPECT_EQ(console.file("px-log.txt"), "\nbad big tick x start: no big ticks drawn\n");
}

TEST(Reader, UnknownInstructionIsReportedAndIgnored) {
  Console console;
  readText(console, kHeader + kBody + "*\nwindw 1 2 3 4\nwindow 400 900 0 10\n");
  EXPECT_EQ(console.out.str(), "\n\xA5 \"windw\" is not a drawing instruction: ignored\n");
}

TEST(Reader, FaultsInTheFile) {
  struct Case {
    std::string file;
    const char* fault;
  };
  std::string tooManyPhases = kHeader + "i1";
  for (int k = 0; k < 21; ++k) tooManyPhases += " p" + std::to_string(k);
  std::string longLine = kHeader + "u1 a begin end";
  for (int k = 0; k <= kMaxLinePoints; ++k) longLine += "\n1 2 3";
  std::string bigArea = kHeader + "*\n0.5";
  for (int k = 0; k < 16; ++k) bigArea += " u" + std::to_string(k);
  std::string muchInfo = kHeader + kBody + "*\n";
  for (int k = 0; k < 11; ++k) muchInfo += "info line\n";
  std::string wideLine = kHeader + "i1";
  for (int k = 0; k < 50; ++k) wideLine += " t" + std::to_string(k);

  const Case cases[] = {
      {"*\n", "readdata : not enough in file"},
      {"\n\n   % only a comment\n", "readdata : not enough in file"},
      {"t 21 3 2 1\n", "readdata : too many variables in each line of input: max = 20"},
      {"t 3 3 0 1\n", "readdata : xcol not in range: must be 1 <=> 3"},
      {"t 3 3 1 4\n", "readdata : ycol not in range: must be 1 <=> 3"},
      {"t 3 3 1 2 x 4 0\n", "readdata : icol not in range: must be 1 <=> 3"},
      {"t 3 3 1 2 x 2 0\n", "readdata : icol same as xcol or ycol"},
      {"t three 3 1 2\n",
       "getinteger : expecting an integer (1); got: three - no of variables in each point"},
      {kHeader + "i<1> a b 1 2 3\n", "read data : < in name: line/point name unassigned?"},
      {kHeader + "#u<2>\n", "read data : < in name: line/point name unassigned?"},
      {kHeader + "k1 a b\n", "read data : point/line name must start with i/u but this name is k1"},
      {kHeader + "5 a b\n", "reading : expecting a name; got: 5"},
      {kHeader + "u1 a begin 7 1 2 3\n", "reading : expecting a name; got: 7"},
      {tooManyPhases, "readdata : too many phases in header in i1"},
      {kHeader + "i1 a b 1 two 3\n",
       "reading : expecting a single (1); got: two - reading coordinates for i1"},
      {kHeader + "u1 a - b begin i1\n*\n", "readdata :  default connect with begin/end: u1"},
      {kHeader + "u1 a - b begin end 1 2 3\n*\n", "readdata : one point with begin end: u1"},
      {longLine, "readdata : too much data for line in u1"},
      {"t 3 3 2 1 x 3 0.5\ni1 a 1 2 0.1 1 2 0.2 *\n", "readdata : interpolation failed for i1"},
      {bigArea, "readdata : too many points in area: max = 15"},
      {kHeader + "*\nzero u1\n",
       "reading : expecting a single (1); got: zero - grayscale for area"},
      {muchInfo, "script : too much info!!"},
      {kHeader + kBody + "*\nbigticks 100 400 0 0\n", "read script : zero big inc!"},
      {kHeader + kBody + "*\nsmallticks 0 1\n", "read script : zero small inc!"},
      {kHeader + kBody + "*\n", "readdata : window not set (or not set properly) in script"},
      {kHeader + kBody + "*\nwindow 0 a 0 1\n",
       "readdata : window not set (or not set properly) in script"},
      {kHeader + kBody + "*\nwindow 5 5 0 1\n", "readdata : x,y dimensions stuffed"},
      {kHeader + kBody + "*\nwindow 0 1 2 1\n", "readdata : x,y dimensions stuffed"},
      {wideLine, "string2strings : too many \"t49\""},
  };
  for (const Case& c : cases) {
    Console console;
    EXPECT_EQ(faultOf([&] { readText(console, c.file); }), c.fault) << c.file;
  }
}

TEST(Reader, TooManyElements) {
  struct Case {
    std::string element;
    int count;
    std::string tail;
    const char* fault;
  };
  const Case cases[] = {
      {"i", kMaxPoints + 1, " a 1 2 3\n", "readdata : too many points: max = 500"},
      {"u", kMaxLines + 1, " a begin end 1 2 3 4 5 6\n", "readdata : too many lines: max = 1500"},
  };
  for (const Case& c : cases) {
    std::string file = kHeader;
    for (int k = 1; k <= c.count; ++k) file += c.element + std::to_string(k) + c.tail;
    Console console;
    EXPECT_EQ(faultOf([&] { readText(console, file); }), c.fault);
  }
  std::string areas = kHeader + "*\n";
  for (int k = 0; k <= kMaxAreas; ++k) areas += "0.5 u1\n";
  Console console;
  EXPECT_EQ(faultOf([&] { readText(console, areas); }), "readdata : too many areas: max = 200");
}

// A file cut short names the item it was waiting for.
TEST(Reader, TruncatedFilesNameTheExpectedItem) {
  struct Case {
    const char* file;
    const char* item;
  };
  const Case cases[] = {
      {"t", "no of variables in each point"},
      {"t 3", "size of system"},
      {"t 3 3", "column of x coordinate"},
      {"t 3 3 2", "column of y coordinate"},
      {"t 3 3 2 1", "point/line name"},
      {"t 3 3 2 1 x", "interpolation coordinate"},
      {"t 3 3 2 1 x 3", "interpolation value"},
      {"t 3 3 2 1 x 3 0.5", "point/line name"},
      {"t 3 3 2 1 #", "point/line name"},
      {"t 3 3 2 1 i1", "nonzero-mode phases for i1"},
      {"t 3 3 2 1 i1 a -", "zero-mode phases for i1"},
      {"t 3 3 2 1 i1 a - b invariant", "reading coordinates for i1"},
      {"t 3 3 2 1 i1 a 1 2", "reading coordinates for i1"},
      {"t 3 3 2 1 i1 a crossover u1", "reading crossover lines"},
      {"t 3 3 2 1 i1 a 1 2 3", "point/line name"},
      {"t 3 3 2 1 u1 a", "nonzero-mode phases for u1"},
      {"t 3 3 2 1 u1 a -", "zero-mode phase for u1"},
      {"t 3 3 2 1 u1 a - b univariant", "line limit names for u1"},
      {"t 3 3 2 1 u1 a - b begin", "line limit names for u1"},
      {"t 3 3 2 1 u1 a begin end 1 2 3", "reading coordinates for u1"},
      {"t 3 3 2 1 u1 a begin end 1 2 3 4", "reading coordinates for u1"},
      {"t 3 3 2 1 *", "grayscale for area"},
      {"t 3 3 2 1 * 0.5", "points for area"},
      {"t 3 3 2 1 * 0.5 u1 u2", "points for area"},
  };
  for (const Case& c : cases) {
    Console console;
    EXPECT_EQ(faultOf([&] { readText(console, c.file); }),
              std::string("reading : unexpected end of input: ") + c.item)
        << c.file;
  }
}

TEST(Reader, NumberText) {
  const std::pair<Real, const char*> cases[] = {
      {400, "400"},
      {0, "0"},
      {-2, "-2"},
      {2.5L, "2.5"},
      {0.30000000001L, "0.3"},
      {9.999999L, "10"},
      {-0.125L, "-0.125"},
      {1e-7L, "0"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(numberText(value), text) << text;
}

TEST(Reader, LogSummary) {
  Console console;
  console.io.openOutput(kLogfile, "px-log.txt", false);
  Drawing d = readText(console, kHeader +
                                    "i1 a 1 2 3\ni2 a crossover u1 u2\n"
                                    "u1 a begin end 1 2 3 4 5 6\nu2 a i1 i2 connect\n"
                                    "*\n0.25 u1 u2\n*\nwindow 0 1.5 -2 10\n");
  logSummary(console.io, d);
  EXPECT_EQ(console.file("px-log.txt"),
            "invariant point i1, 1 data points\n"
            "invariant point i2 - crossover, 0 data points\n"
            "univariant line u1, 2 data points\n"
            "univariant line u2 - connect, 0 data points\n"
            "area 1: grayscale 0.25; lines u1 u2\n"
            "window: x = 0 <=> 1.5; y = -2 <=> 10\n");
}

}  // namespace
}  // namespace pf::plot
