// Crossovers, joining lines to their points, and the cut at the window.
#include "plot/geometry.h"

#include <gtest/gtest.h>

#include "plot_fixture.h"

namespace pf::plot {
namespace {

const Window kWindow{0, 10, 0, 10};

UnivariantLine lineThrough(std::vector<XY> data) {
  UnivariantLine line;
  line.name = "u1";
  line.data = data;
  for (const XY& p : data) line.joined.push_back({p, "u1", -1});
  return line;
}

std::vector<XY> visibleOf(const UnivariantLine& line) {
  std::vector<XY> points;
  for (const PathPoint& p : line.visible) points.push_back(p.at);
  return points;
}

TEST(Clipping, CutsLinesAtTheWindowEdges) {
  struct Case {
    const char* what;
    std::vector<XY> data;
    std::vector<XY> visible;
    EndKind start, end;
  };
  const Case cases[] = {
      {"inside", {{2, 2}, {5, 5}}, {{2, 2}, {5, 5}}, EndKind::lineEnd, EndKind::lineEnd},
      {"ends lying on edges", {{0, 5}, {5, 10}}, {{0, 5}, {5, 10}}, EndKind::left, EndKind::top},
      {"enters from the left",
       {{-5, 5}, {5, 5}},
       {{0, 5}, {5, 5}},
       EndKind::left,
       EndKind::lineEnd},
      {"leaves by the right",
       {{5, 5}, {15, 5}, {20, 7}},
       {{5, 5}, {10, 5}},
       EndKind::lineEnd,
       EndKind::right},
      {"enters and leaves again",
       {{-2, 2}, {4, 2}, {4, 12}},
       {{0, 2}, {4, 2}, {4, 10}},
       EndKind::left,
       EndKind::top},
      {"crosses in one segment: edges in order",
       {{12, 5}, {-2, 5}},
       {{0, 5}, {10, 5}},
       EndKind::left,
       EndKind::right},
      {"leaves by the bottom, back by the left: the corner",
       {{5, 5}, {5, -5}, {-5, 5}, {5, 8}},
       {{5, 5}, {5, 0}, {0, 0}, {0, 6.5L}, {5, 8}},
       EndKind::lineEnd,
       EndKind::lineEnd},
      {"leaves by the left, back by the bottom: the same corner",
       {{5, 5}, {-5, 5}, {5, -5}, {5, 8}},
       {{5, 5}, {0, 5}, {0, 0}, {5, 0}, {5, 8}},
       EndKind::lineEnd,
       EndKind::lineEnd},
      {"leaves and comes back by the same edge: runs along it",
       {{2, 5}, {2, -5}, {8, -5}, {8, 5}},
       {{2, 5}, {2, 0}, {8, 0}, {8, 5}},
       EndKind::lineEnd,
       EndKind::lineEnd},
      {"touches an edge and comes back",
       {{2, 5}, {5, 0}, {8, 5}},
       {{2, 5}, {5, 0}, {8, 5}},
       EndKind::lineEnd,
       EndKind::lineEnd},
      {"leaves by the bottom, then cuts across the bottom-left corner",
       {{5, 5}, {5, -5}, {3, -1}, {-1, 3}},
       {{5, 5}, {5, 0}, {2, 0}, {0, 2}},
       EndKind::lineEnd,
       EndKind::left},
      {"leaves by the right, then cuts across the bottom-right corner",
       {{6, 6}, {14, 6}, {12, 6}, {4, -2}},
       {{6, 6}, {10, 6}, {10, 4}, {6, 0}},
       EndKind::lineEnd,
       EndKind::bottom},
      {"leaves by the top, then cuts across the top-left corner: the corner between",
       {{5, 5}, {5, 15}, {-1, 15}, {-1, 8}, {3, 12}},
       {{5, 5}, {5, 10}, {0, 10}, {0, 9}, {1, 10}},
       EndKind::lineEnd,
       EndKind::top},
      {"leaves by the right, back across the whole window through two corners",
       {{5, 5}, {20, 5}, {20, 20}, {-20, -20}},
       {{5, 5}, {10, 5}, {10, 10}, {0, 0}},
       EndKind::lineEnd,
       EndKind::bottom},
      {"starts on an edge and leaves at once",
       {{0, 5}, {-5, 5}},
       {{0, 5}, {0, 5}},
       EndKind::left,
       EndKind::left},
  };
  for (const Case& c : cases) {
    UnivariantLine line = lineThrough(c.data);
    clipLine(kWindow, line);
    EXPECT_EQ(visibleOf(line), c.visible) << c.what;
    EXPECT_EQ(line.startKind, c.start) << c.what;
    EXPECT_EQ(line.endKind, c.end) << c.what;
  }
}

TEST(Clipping, LinesOutsideAreNotSeen) {
  const std::vector<XY> outside[] = {
      {{-5, -5}, {-1, 20}},
      {{11, 5}, {20, 5}},
      {{-1, 1}, {1, -1}},  // passes the corner outside
      {{-5, 5}, {5, -5}},  // grazes the corner exactly
  };
  for (const auto& data : outside) {
    UnivariantLine line = lineThrough(data);
    clipLine(kWindow, line);
    EXPECT_TRUE(line.visible.empty()) << data[0].x << " " << data[0].y;
  }
}

TEST(Clipping, ImpossibleShapesStopTheRun) {
  struct Case {
    std::vector<XY> data;
    const char* fault;
  };
  const Case cases[] = {
      {{{5, 5}, {5, -5}, {15, -5}, {15, 15}, {5, 15}, {5, 8}}, "lines : wierd line shape in u1"},
  };
  for (const Case& c : cases) {
    UnivariantLine line = lineThrough(c.data);
    EXPECT_EQ(faultOf([&] { clipLine(kWindow, line); }), c.fault);
  }
}

TEST(Clipping, LineReport) {
  Console console;
  console.io.openOutput(kLogfile, "px-log.txt", false);
  UnivariantLine seen = lineThrough({{-5, 5}, {5, 5}, {5, 7.5L}});
  seen.phases = {"ky", "sill"};
  seen.zeroModePhase = "and";
  clipLine(kWindow, seen);
  reportLine(console.io, seen);
  UnivariantLine hidden = lineThrough({{20, 5}, {30, 5}});
  clipLine(kWindow, hidden);
  reportLine(console.io, hidden);
  EXPECT_EQ(console.file("px-log.txt"),
            "_________________________________\n"
            "u1 (ky sill - and) {0,5};  {5,7.5}\n"
            "  ........................\n"
            "  start = left edge; end = line end\n"
            "_________________________________\n"
            "u1 () {20,5};  {30,5}\n"
            "  ........................\n"
            "  == not seen ==\n");
  EXPECT_EQ(endKindText(EndKind::bottom) + endKindText(EndKind::right), "bottom edgeright edge");
}

TEST(Joining, MonotonicAndLocate) {
  const std::vector<XY> rising{{1, 5}, {2, 4}, {3, 6}};
  EXPECT_TRUE(monotonic(rising, true));
  EXPECT_FALSE(monotonic(rising, false));
  EXPECT_FALSE(monotonic({{1, 1}, {1, 2}, {1, 3}}, true));
  EXPECT_TRUE(monotonic({{1, 1}, {1, 2}}, true));
  EXPECT_TRUE(monotonic({{3, 1}, {3, 2}, {2, 3}, {1, 4}}, true));

  struct Case {
    XY p;
    int position;
  };
  const Case cases[] = {{{1.5L, 0}, 1}, {{2, 0}, 1}, {{2.5L, 0}, 2}, {{0, 0}, 0}, {{4, 0}, 3}};
  for (const Case& c : cases) EXPECT_EQ(locate(rising, c.p, true), c.position) << c.p.x;
  // a falling line: beyond its last point is below it
  EXPECT_EQ(locate({{3, 0}, {2, 0}}, {1, 0}, true), 2);
  EXPECT_EQ(locate({{3, 0}, {2, 0}}, {4, 0}, true), 0);
  EXPECT_EQ(locate({{3, 0}}, {9, 0}, true), 1);
}

Drawing twoPoints() {
  Drawing d;
  d.points.resize(2);
  d.points[0].name = "i1";
  d.points[0].at = {2.5L, 0};
  d.points[1].name = "i2";
  d.points[1].at = {0.5L, 9};
  return d;
}

std::vector<std::string> joinedNames(const UnivariantLine& line) {
  std::vector<std::string> names;
  for (const PathPoint& p : line.joined) names.push_back(p.name + (p.point >= 0 ? "*" : ""));
  return names;
}

TEST(Joining, LineEndsMeetTheirPoints) {
  struct Case {
    const char* start;
    const char* end;
    std::vector<XY> data;
    std::vector<std::string> joined;
  };
  const std::vector<XY> three{{1, 1}, {2, 2}, {3, 3}};
  const Case cases[] = {
      {"i1", "end", three, {"i1*", "u1"}},
      {"begin", "i1", three, {"u1", "u1", "i1*"}},
      {"i2", "end", three, {"i2*", "u1", "u1", "u1"}},
      {"i2", "i1", three, {"i2*", "u1", "u1", "i1*"}},
      {"i1", "i2", three, {"i2*", "u1", "u1", "i1*"}},  // taken in the order along the line
      {"i1", "i1", three, {"i1*", "i1*"}},
      {"i1", "i2", {}, {"i1*", "i2*"}},
      {"begin", "i1", {{1, 1}}, {"u1", "i1*"}},
      {"begin", "end", three, {"u1", "u1", "u1"}},
  };
  for (const Case& c : cases) {
    Drawing d = twoPoints();
    UnivariantLine line;
    line.name = "u1";
    line.limits = {c.start, c.end};
    line.data = c.data;
    joinLine(d, line);
    EXPECT_EQ(joinedNames(line), c.joined) << c.start << " " << c.end;
  }
}

TEST(Joining, Faults) {
  struct Case {
    const char* start;
    const char* end;
    std::vector<XY> data;
    bool connect;
    const char* fault;
  };
  const std::vector<XY> three{{1, 1}, {2, 2}, {3, 3}};
  const Case cases[] = {
      {"i1", "end", {{1, 1}, {2, 2}}, false, "add points : \"end\" should be \"begin\" for u1?"},
      {"i1", "end", {{1, 1}}, false, "add points : \"end\" should be \"begin\" for u1?"},
      {"begin", "i2", three, false, "add points : \"begin\" should be \"end\" for u1?"},
      {"i9", "end", three, false, "which point : not recognised: i9"},
      {"i1", "end", three, true, "lines : connect not using a point"},
  };
  for (const Case& c : cases) {
    Drawing d = twoPoints();
    UnivariantLine line;
    line.name = "u1";
    line.limits = {c.start, c.end};
    line.data = c.data;
    line.connect = c.connect;
    EXPECT_EQ(faultOf([&] { joinLine(d, line); }), c.fault) << c.start << " " << c.end;
  }
}

TEST(Crossovers, PointGoesWhereTheLinesMeet) {
  Drawing d;
  d.lines.resize(3);
  d.lines[0].name = "u1";
  d.lines[0].data = {{0, 0}, {2, 2}, {4, 4}};
  d.lines[1].name = "u2";
  d.lines[1].data = {{0, 4}, {1, 3.5L}, {4, 2}};
  d.lines[2].name = "u3";
  d.lines[2].data = {{3, 0}, {3, 9}};  // vertical
  d.points.resize(2);
  d.points[0] = InvariantPoint{"i1", false, {}, {}, true, {"u1", "u2"}, 0, {}, false};
  d.points[1] = InvariantPoint{"i2", false, {}, {}, true, {"u3", "u1"}, 0, {}, false};
  locateCrossovers(d);
  EXPECT_NEAR(static_cast<double>(d.points[0].at.x), 8.0 / 3, 1e-12);
  EXPECT_NEAR(static_cast<double>(d.points[0].at.y), 8.0 / 3, 1e-12);
  EXPECT_EQ(d.points[1].at, (XY{3, 3}));

  d.points[1].crossoverLines = {"u3", "u9"};
  EXPECT_EQ(faultOf([&] { locateCrossovers(d); }), "crossover : u9 not found");
  d.lines[2].data = {{5, 0}, {5, 1}};
  d.points[1].crossoverLines = {"u3", "u1"};
  EXPECT_EQ(faultOf([&] { locateCrossovers(d); }), "crossover : lines don't cross for i2");
}

}  // namespace
}  // namespace pf::plot
