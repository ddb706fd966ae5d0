// Every point the demo runs print, checked against the physics (see
// affinity_check.h). The outputs read are the recorded session outputs of
// the demo runs (the session tests hold them equal to what the program
// writes): the results table and the drawing output file.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/calc/phasediagram/affinity_check.h"

namespace pf {
namespace {

using testing::checkPoint;
using testing::drawingRows;
using testing::PointRow;
using testing::readWholeFile;
using testing::resultsRows;

std::string expected(const std::string& demo, const std::string& file) {
  return readWholeFile(std::string(PF_SOURCE_DIR) + "/tests/sessions/phaseforge/mode1-" + demo +
                       "/expected/" + file);
}

TEST(DemoRuns, EveryPrintedPointHasZeroAffinities) {
  struct Demo {
    std::string name;
    int points;     // accepted points the run prints
    int reactions;  // reaction checks over them
  };
  const Demo demos[] = {{"isopleths", 18, 36}, {"lines", 59, 108}, {"point", 1, 3}};
  for (const Demo& demo : demos) {
    std::vector<PointRow> results = resultsRows(expected(demo.name, "pf-" + demo.name + "-o.txt"));
    std::vector<PointRow> drawing = drawingRows(expected(demo.name, "pf-" + demo.name + "-px.txt"));
    EXPECT_EQ(static_cast<int>(results.size()), demo.points) << demo.name;
    EXPECT_EQ(drawing.size(), results.size()) << demo.name;
    int checked = 0;
    for (std::size_t k = 0; k < results.size(); ++k)
      checked += checkPoint(results[k], demo.name + " results row " + std::to_string(k + 1));
    for (std::size_t k = 0; k < drawing.size(); ++k)
      checkPoint(drawing[k], demo.name + " drawing row " + std::to_string(k + 1));
    EXPECT_EQ(checked, demo.reactions) << demo.name;
  }
}

// The check itself can fail: a composition moved by more than its printed
// digits, or a reaction's end-member of the wrong phase, breaks it.
TEST(DemoRuns, TheAffinityCheckSeesAMovedComposition) {
  std::vector<PointRow> rows = resultsRows(expected("isopleths", "pf-isopleths-o.txt"));
  ASSERT_FALSE(rows.empty());
  PointRow moved = rows.front();
  moved.variables["x(opx)"].value += 0.002L;
  ::testing::TestPartResultArray failures;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    checkPoint(moved, "moved");
  }
  EXPECT_GT(failures.size(), 0);
}

}  // namespace
}  // namespace pf
