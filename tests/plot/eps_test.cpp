// Areas, line styles, circles and whole runs of the drawing program; every
// EPS file a run writes must draw under Ghostscript.
#include "plot/eps.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/text.h"
#include "plot/areas.h"
#include "plot/geometry.h"
#include "plot/plotix.h"
#include "plot_fixture.h"

namespace pf::plot {
namespace {

const Window kWindow{0, 10, 0, 10};

UnivariantLine visibleLine(const std::string& name, std::vector<PathPoint> points) {
  UnivariantLine line;
  line.name = name;
  line.visible = points;
  line.startKind = placeKind(kWindow, points.front().at);
  line.endKind = placeKind(kWindow, points.back().at);
  return line;
}

std::vector<XY> placesOf(const Outline& outline) {
  std::vector<XY> places;
  for (const PathPoint& p : outline.points) places.push_back(p.at);
  return places;
}

PathPoint at(Real x, Real y, const std::string& name = "u") {
  return {{x, y}, name, name[0] == 'i' ? 0 : -1};
}

TEST(Areas, TheOrderOfTheLinesSaysWhichFieldIsMeant) {
  const Page page{kWindow};
  // two lines out of one invariant point to the left and bottom edges
  UnivariantLine a = visibleLine("u1", {at(0, 6), at(4, 4, "i1")});
  UnivariantLine b = visibleLine("u2", {at(4, 4, "i1"), at(7, 0)});
  UnivariantLine bReversed = visibleLine("u2", {at(7, 0), at(4, 4, "i1")});
  // one from a point on the top edge, one on to the right edge
  UnivariantLine top = visibleLine("u6", {at(6, 10), at(6, 6, "i2")});
  UnivariantLine right = visibleLine("u7", {at(6, 6, "i2"), at(10, 3)});
  // two lines from the bottom edge to the top edge
  UnivariantLine left = visibleLine("u4", {at(2, 0), at(3, 10)});
  UnivariantLine farRight = visibleLine("u5", {at(8, 0), at(7, 10)});
  // a point near the middle, one line to the bottom far right, one to the top left
  UnivariantLine down = visibleLine("u1", {at(5, 5, "i1"), at(7.125L, 2.5L), at(9.25L, 0)});
  UnivariantLine up = visibleLine("u3", {at(5, 5, "i1"), at(3.75L, 7.5L), at(2.5L, 10)});
  // three lines: the third given from its far end must be turned round
  UnivariantLine first = visibleLine("u8", {at(0, 4), at(3, 3, "i3")});
  UnivariantLine second = visibleLine("u9", {at(3, 3, "i3"), at(6, 4, "i4")});
  UnivariantLine thirdBackwards = visibleLine("u10", {at(7, 0), at(6, 4, "i4")});
  UnivariantLine thirdForwards = visibleLine("u10", {at(6, 4, "i4"), at(7, 0)});
  // a field in the bottom-left corner less a corner cut off by a third line
  // whose nearer end along the bottom edge is its last point
  UnivariantLine fromLeft = visibleLine("u11", {at(0, 7), at(4, 6, "i5")});
  UnivariantLine toBottom = visibleLine("u12", {at(4, 6, "i5"), at(5, 0)});
  UnivariantLine cut = visibleLine("u13", {at(0, 1), at(1, 0)});
  struct Case {
    const char* what;
    std::vector<const UnivariantLine*> lines;
    std::vector<XY> outline;
  };
  const Case cases[] = {
      {"the field on the right of u1 then u2: the corner",
       {&a, &b},
       {{0, 6}, {4, 4}, {7, 0}, {0, 0}}},
      {"listed the other way: the rest of the window",
       {&bReversed, &a},
       {{7, 0}, {4, 4}, {0, 6}, {0, 10}, {10, 10}, {10, 0}}},
      {"the field through the left corners, the longer way round",
       {&up, &down},
       {{2.5L, 10}, {3.75L, 7.5L}, {5, 5}, {7.125L, 2.5L}, {9.25L, 0}, {0, 0}, {0, 10}}},
      {"the field through the right corners",
       {&down, &up},
       {{9.25L, 0}, {7.125L, 2.5L}, {5, 5}, {3.75L, 7.5L}, {2.5L, 10}, {10, 10}, {10, 0}}},
      {"a walk that starts on the top edge", {&right, &top}, {{10, 3}, {6, 6}, {6, 10}, {10, 10}}},
      {"a walk that starts on the right edge",
       {&top, &right},
       {{6, 10}, {6, 6}, {10, 3}, {10, 0}, {0, 0}, {0, 10}}},
      {"between two lines across the window: along the top edge between them",
       {&left, &farRight},
       {{2, 0}, {3, 10}, {7, 10}, {8, 0}}},
      {"the third line turned round",
       {&first, &second, &thirdBackwards},
       {{0, 4}, {3, 3}, {6, 4}, {7, 0}, {0, 0}}},
      {"the third line taken from its end nearer along the edges",
       {&fromLeft, &toBottom, &cut},
       {{0, 7}, {4, 6}, {5, 0}, {1, 0}, {0, 1}}},
      {"the third line as it is",
       {&first, &second, &thirdForwards},
       {{0, 4}, {3, 3}, {6, 4}, {7, 0}, {0, 0}}},
  };
  for (const Case& c : cases) {
    Outline outline = areaOutline(page, c.lines);
    EXPECT_TRUE(outline.complete) << c.what;
    EXPECT_EQ(placesOf(outline), c.outline) << c.what;
  }
  UnivariantLine corner = visibleLine("u3", {at(0, 2), at(3, 0)});
  EXPECT_EQ(placesOf(areaOutline(page, {&corner})), (std::vector<XY>{{0, 2}, {3, 0}, {0, 0}}));
  UnivariantLine cornerBackwards = visibleLine("u3", {at(3, 0), at(0, 2)});
  EXPECT_EQ(placesOf(areaOutline(page, {&cornerBackwards})),
            (std::vector<XY>{{3, 0}, {0, 2}, {0, 0}}));
}

// What is drawn: the grey of the rendered picture inside and outside each
// field, for a field that takes the longer way round the window and for the
// other one.
TEST(Areas, TheFieldIsFilledWhereTheLinesSay) {
  const std::string lines =
      "fields\n2 2 1 2\n"
      "i1 a b c 5 5\n"
      "u1 a b - c i1 end 7.1 2.5 9.2 0\n"
      "u3 a c - b i1 end 3.75 7.5 2.5 10\n*\n";
  const std::string instructions = "*\nwindow 0 10 0 10\ncircles no\n";
  const Page page{kWindow};
  // near the four corners: (0,10), (0,0), (10,0), (10,10)
  const std::vector<XY> corners{{page.px(0.3L), page.py(9.7L)},
                                {page.px(0.3L), page.py(0.3L)},
                                {page.px(9.7L), page.py(0.3L)},
                                {page.px(9.7L), page.py(9.7L)}};
  struct Case {
    const char* area;
    std::vector<int> grey;
  };
  const Case cases[] = {
      {"0.8 u3 u1\n", {204, 204, 255, 255}},
      {"0.8 u1 u3\n", {255, 255, 204, 204}},
      {"0.5 u3 u1\n0.25 u1 u3\n", {128, 128, 64, 64}},
  };
  for (const Case& c : cases) {
    Console console("t\n");
    console.files.contents["px-t.txt"] = lines + c.area + instructions;
    runProgram(console.io);
    const std::string eps = console.file("px-t.eps");
    ASSERT_FALSE(eps.empty()) << console.text();
    std::vector<int> grey = greyLevels(eps, corners);
    ASSERT_EQ(grey.size(), 4u) << c.area;
    for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR(grey[k], c.grey[k], 2) << c.area << k;
  }
}

TEST(Areas, LinesThatCannotBeJoined) {
  const Page page{kWindow};
  UnivariantLine a = visibleLine("u1", {{{1, 1}, "u1", -1}, {{2, 2}, "u1", -1}});
  UnivariantLine b = visibleLine("u2", {{{5, 5}, "u2", -1}, {{6, 6}, "u2", -1}});
  UnivariantLine c = visibleLine("u3", {{{2, 2}, "u3", -1}, {{5, 5}, "u3", -1}});
  Outline stuck = areaOutline(page, {&a, &b});
  EXPECT_FALSE(stuck.complete);
  EXPECT_EQ(stuck.stuckAt, 0);
  Outline later = areaOutline(page, {&a, &c, &a});
  EXPECT_FALSE(later.complete);
  EXPECT_EQ(later.stuckAt, 2);
  EXPECT_TRUE(areaOutline(page, {&a, &c, &b}).complete);
}

TEST(Areas, FillColour) {
  const std::array<Real, 3> dark{60, 0, 510};
  EXPECT_EQ(areaColour(1, dark), (std::array<Real, 3>{1, 1, 1}));
  EXPECT_EQ(areaColour(0, dark), (std::array<Real, 3>{60 / Real(255), 0, 1}));  // limited to 1
  EXPECT_EQ(areaColour(0.5L, {0, 0, 0}), (std::array<Real, 3>{0.5L, 0.5L, 0.5L}));
}

// ------------------------------------------------------------ drawing parts

Drawing smallDrawing() {
  Drawing d;
  d.settings.window = kWindow;
  d.settings.windowSet = true;
  return d;
}

TEST(Eps, LineStyles) {
  Console console;
  console.io.openOutput(kPostScript, "px-t.eps", false);
  Drawing d = smallDrawing();
  UnivariantLine styled = visibleLine("u12", {{{0, 0}, "u12", -1}, {{10, 5}, "i1", 0}});
  styled.magenta = styled.green = styled.thick = styled.dashed = true;
  UnivariantLine plain = visibleLine("u2", {{{5, 5}, "u2", -1}, {{6, 6}, "u2", -1}});
  plain.joined = {{{5, 5}, "u2", -1}, {{6, 6}, "u2", -1}, {{7, 7}, "u2", -1}};
  UnivariantLine colours = plain;
  colours.red = colours.blue = true;
  d.lines = {styled, plain, colours};
  d.settings.numbering = kUsePreset;
  drawLines(console.io, d);
  EXPECT_EQ(console.file("px-t.eps"),
            "/Helvetica findfont 4 scalefont setfont\n"
            "% ---------------------------------------------------\n"
            "0.6 setlinewidth\n"
            "[3]  0  setdash\n"
            "0  170  0  setrgbcolor\n"
            "50.00 260.00 moveto  %  {0 0}  u12\n"
            "510.00 490.00 lineto  %  {10.000 5.000}  i1\n"
            "stroke\n"
            "% ---------------------------------------------------\n"
            "0.3 setlinewidth\n"
            "[]  0 setdash\n"
            "0  0  0  setrgbcolor\n"
            "280.00 490.00 moveto  %  {5.000 5.000}  u2\n"
            "326.00 536.00 lineto  %  {6.000 6.000}  u2\n"
            "stroke\n"
            "280.00 488.67 (2) centreshow\n"
            "% ---------------------------------------------------\n"
            "0.3 setlinewidth\n"
            "[]  0 setdash\n"
            "255  0  0  setrgbcolor\n"
            "280.00 490.00 moveto  %  {5.000 5.000}  u2\n"
            "326.00 536.00 lineto  %  {6.000 6.000}  u2\n"
            "stroke\n"
            "280.00 488.67 (2) centreshow\n");
}

// The labels of the big ticks along x and the count of tick marks drawn.
struct Ticks {
  std::vector<std::string> labels;
  int marks = 0;
};

Ticks ticksOf(const std::string& eps) {
  Ticks t;
  std::istringstream lines(eps);
  for (std::string line; std::getline(lines, line);) {
    const std::string tail = ") centreshow";
    std::size_t open = line.find(" (");
    if (open != std::string::npos && line.size() > tail.size() &&
        line.substr(line.size() - tail.size()) == tail)
      t.labels.push_back(line.substr(open + 2, line.size() - tail.size() - open - 2));
    if (line.find("}  tick") != std::string::npos && line.find("moveto") != std::string::npos)
      ++t.marks;
  }
  return t;
}

TEST(Eps, TicksStepEvenlyWhateverTheIncrement) {
  struct Case {
    Window window;
    Real inc, start;
    std::vector<std::string> labels;
    int marks;  // big ticks on both axes, below the maximum less the increment
  };
  const Case cases[] = {
      {{0, 1, 0, 1},
       0.1L,
       0,
       {"0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1"},
       20},
      {{0.05L, 0.75L, 0.05L, 0.75L},
       0.1L,
       0.15L,
       {"0.15", "0.25", "0.35", "0.45", "0.55", "0.65", "0.75"},
       12},
      {{400, 900, 400, 900}, 100, 400, {"400", "500", "600", "700", "800", "900"}, 10},
      {{-1, 1, -1, 1}, 0.3L, -0.9L, {"-0.9", "-0.6", "-0.3", "0", "0.3", "0.6", "0.9"}, 12},
  };
  for (const Case& c : cases) {
    Console console;
    console.io.openOutput(kPostScript, "px-t.eps", false);
    Drawing d;
    d.settings.window = c.window;
    d.settings.windowSet = true;
    d.settings.bigTicks = true;
    d.settings.bigXInc = d.settings.bigYInc = c.inc;
    d.settings.bigXStart = d.settings.bigYStart = c.start;
    drawFrame(console.io, d);
    Ticks t = ticksOf(console.file("px-t.eps"));
    EXPECT_EQ(t.labels, c.labels) << static_cast<double>(c.inc);
    EXPECT_EQ(t.marks, c.marks) << static_cast<double>(c.inc);
  }
}

TEST(Eps, CirclesOnlyForPointsStrictlyInside) {
  Console console;
  console.io.openOutput(kPostScript, "px-t.eps", false);
  Drawing d = smallDrawing();
  d.points.resize(3);
  d.points[0].name = "i1";
  d.points[0].at = {5, 5};
  d.points[1].name = "i2";
  d.points[1].at = {10, 5};  // on the right edge
  d.points[2].name = "i3";
  d.points[2].at = {12, 5};
  d.settings.circleSize = 2;
  drawCircles(console.io, d);
  EXPECT_EQ(console.file("px-t.eps"),
            "0.2 setlinewidth\n0 setgray\n[]  0 setdash\n"
            "282.00 490.00 moveto\n280.00 490.00 2 0 360 arc\n closepath\nstroke\n");
}

TEST(Eps, SomethingFunnyGoesToTheLog) {
  Console console;
  console.io.openOutput(kLogfile, "px-log.txt", false);
  Drawing d = smallDrawing();
  d.lines = {visibleLine("u1", {{{1, 1}, "u1", -1}, {{2, 2}, "u1", -1}}),
             visibleLine("u2", {{{5, 5}, "u2", -1}, {{6, 6}, "u2", -1}}),
             visibleLine("u3", {{{2, 2}, "u3", -1}, {{5, 5}, "u3", -1}})};
  d.lines.push_back(UnivariantLine{});
  d.lines.back().name = "u4";  // not seen: left out of areas
  d.areas = {Area{0.5L, {"u1", "u2"}}, Area{0.5L, {"u1", "u3", "u1", "u4"}}, Area{0.5L, {"u4"}}};
  drawAreas(console.io, d);
  EXPECT_EQ(console.file("px-log.txt"),
            "\xA5 something funny with area 1: can't get started (u1 u2)\n"
            "\xA5 something funny (u1 u3 u1) with area 2 looking at line u1\n");
  d.areas = {Area{0.5L, {"u9"}}};
  EXPECT_EQ(faultOf([&] { drawAreas(console.io, d); }), "which line : not recognised: u9");
}

TEST(Eps, TextIsEscaped) {
  EXPECT_EQ(psString("a (b) c\\d"), "a \\(b\\) c\\\\d");
}

// ------------------------------------------------------------ whole runs

const char* const kDrawingFile =
    "demo\n3 3 2 1\n"
    "i1 ky and sill 4.2 550 0\n"
    "i2 q crossover u3 u4\n"
    "i3 a b 0 500 0\n"  // on the bottom edge: no circle
    "u1 ky and - sill begin i1 2.2 400 0 3.5 500 0 4.9 600 0\n"
    "u2 and sill i1 end 5 500 0 3.4 600 0 -0.5 850 0 dashed\n"
    "u3 ky sill i1 end 5.2 600 0 10.4 850 0 thick red\n"
    "u4 x y begin end 0 600 0 10 760 0 blue\n"
    "u5 a b i2 i1 connect magenta\n"
    "u6 far away begin end 1 100 0 2 200 0\n"
    "*\n0.8 u3 u1\n0.6 u1 u2\n0.3 u2 u3 u6\n*\n"
    "info (test) diagram \\ one\n"
    "window 400 900 0 10\nbigticks 100 400 2 0\nsmallticks 50 1\nnumbering 5\n";

struct WholeRun {
  explicit WholeRun(const std::string& answers, const std::string& drawing = kDrawingFile,
                    const std::string& prefs = "")
      : console(answers) {
    console.files.contents["px-t.txt"] = drawing;
    if (!prefs.empty()) console.files.contents["px-prefs.txt"] = prefs;
    EXPECT_EQ(runProgram(console.io), 0);
  }
  Console console;
};

TEST(Plotix, DrawsTheDiagram) {
  WholeRun run("t\n");
  EXPECT_EQ(run.console.out.str(),
            "plotix 1.16\n\xA5\xA5 no prefs file \"px-prefs.txt\"\n"
            "suffix to name for datafile : \n"
            "diagram written to \"px-t.eps\"\n\n\n");
  const std::string eps = run.console.file("px-t.eps");
  const std::string head =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 4 4 525 753\n%%Title:  output\n"
      "%%Creator: plotix 1.16 (";
  EXPECT_EQ(eps.substr(0, head.size()), head);
  EXPECT_NE(eps.find("0.800 0.800 0.800 setrgbcolor  % for area 1\n"), std::string::npos);
  EXPECT_NE(eps.find("(\\(test\\) diagram \\\\ one) show"), std::string::npos);
  EXPECT_EQ(eps.find("(3) centreshow"), eps.rfind("(3) centreshow"));  // i3 has no circle label
  EXPECT_EQ(eps.substr(eps.size() - 9), "showpage\n");
  EXPECT_EQ(renderProblems(eps), "");
  const std::string log = run.console.file("px-log.txt");
  EXPECT_NE(log.find("u6 (far away) {100,1};  {200,2}\n  ........................\n"
                     "  == not seen ==\n"),
            std::string::npos);
  EXPECT_NE(log.find("u2 (and sill) {550,4.2};  {817.94871795,0}\n  ........................\n"
                     "  start = line end; end = bottom edge\n"),
            std::string::npos);
}

TEST(Plotix, WithoutMakepsNothingIsDrawnButEverythingIsChecked) {
  WholeRun run("t\n", kDrawingFile, "makeps no\n");
  EXPECT_FALSE(run.console.files.exists("px-t.eps"));
  EXPECT_NE(run.console.file("px-log.txt").find("== not seen =="), std::string::npos);

  WholeRun bad("t\n", std::string(kDrawingFile) + "bigticks 100 400 0 0\n", "makeps no\n");
  EXPECT_NE(bad.console.out.str().find(" BOMBED in read script : zero big inc!"),
            std::string::npos);
}

TEST(Plotix, AskedSettings) {
  WholeRun run("t\nno\n\n", std::string(kDrawingFile) + "areas ask\nshowlineinfo ask\n");
  EXPECT_EQ(run.console.out.str(),
            "plotix 1.16\n\xA5\xA5 no prefs file \"px-prefs.txt\"\n"
            "suffix to name for datafile : fill the areas ? report how the lines end ? \n"
            "diagram written to \"px-t.eps\"\n\n\n");
  const std::string eps = run.console.file("px-t.eps");
  EXPECT_EQ(eps.find("% for area"), std::string::npos);
  EXPECT_EQ(renderProblems(eps), "");
  EXPECT_NE(run.console.file("px-log.txt").find("fill the areas ? no\n"), std::string::npos);
}

TEST(Plotix, KillWords) {
  for (const char* word : {"kill", "stop", "shit"}) {
    WholeRun run(std::string(word) + "\n");
    EXPECT_EQ(run.console.out.str(),
              "plotix 1.16\n\xA5\xA5 no prefs file \"px-prefs.txt\"\n"
              "suffix to name for datafile : \n\nrun killed: hit return to exit program")
        << word;
    const std::string log = run.console.file("px-log.txt");
    EXPECT_EQ(log.substr(log.size() - 20), "\r\r***\xCArun killed ***");
  }
}

TEST(Plotix, KilledWhileAsked) {
  WholeRun run("t\nstop\n", std::string(kDrawingFile) + "areas ask\n");
  EXPECT_NE(run.console.out.str().find("run killed: hit return to exit program"),
            std::string::npos);
  EXPECT_FALSE(run.console.files.exists("px-t.eps"));
}

TEST(Plotix, FaultsEndInTheReport) {
  struct Case {
    std::string answers;
    std::string drawing;
    const char* report;
  };
  const Case cases[] = {
      {"", kDrawingFile, " BOMBED in read in prstrings : problems reading"},
      {"\n", kDrawingFile, " BOMBED in promptdatafile : expecting a suffix for data filename"},
      {"nothere\n", kDrawingFile, " BOMBED in promptdatafile : datafile needed"},
      {"t\n", "demo\n3 3 2 1\ni1 a",
       " BOMBED in reading : unexpected end of input: "
       "nonzero-mode phases for i1"},
      {"t\n", std::string(kDrawingFile) + "window 1 1 0 1\n",
       " BOMBED in readdata : x,y dimensions stuffed"},
      {"t\n",
       "demo\n3 3 2 1\nu1 a begin end 5 5 0 -5 5 0 -5 15 0 15 15 0 15 5 0 8 5 0\n*\n*\n"
       "window 0 10 0 10\n",
       " BOMBED in lines : wierd line shape in u1"},
  };
  for (const Case& c : cases) {
    WholeRun run(c.answers, c.drawing);
    const std::string out = run.console.out.str();
    EXPECT_NE(out.find(std::string("\n\n") + c.report + "\n\n"), std::string::npos) << out;
    EXPECT_NE(out.find("hit return to exit program"), std::string::npos);
    EXPECT_NE(run.console.file("px-log.txt").find(c.report), std::string::npos) << c.report;
  }
}

TEST(Plotix, HeapMonitor) {
  WholeRun run("t\n", kDrawingFile, "monitorheap\n");
  const std::string expected =
      "plotix 1.16\n"
      "space allocated for point table is 594k; , heap now 594k\n"
      "space allocated for line table is 7594k; , heap now 8188k\n"
      "suffix to name for datafile : \n";
  EXPECT_EQ(run.console.out.str().substr(0, expected.size()), expected);
  EXPECT_NE(run.console.out.str().find("space disposed for point table; heap size now 0k\n"),
            std::string::npos);
}

}  // namespace
}  // namespace pf::plot
