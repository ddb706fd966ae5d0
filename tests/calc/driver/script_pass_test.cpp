#include <gtest/gtest.h>

#include <string>

#include "calc/driver/calculator.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::Dialogue;

// Two passes of reactions mode: the script is read at the start of each, the
// second time from the data file opened again.
TEST(CalculatorPasses, ReadTheScriptEveryPass) {
  Dialogue d("x\ny\n\nn\n\n");
  d.files.contents["pf-prefs.txt"] = "calcmode 3\n";
  d.files.contents["pf-x.txt"] =
      "infolevel\ncalctype 1\ncalctatp\nsetTwindow 400 800\nsetPwindow 2 10\nsetPinterval 2\n"
      "*\ndata\n";
  runCalculator(d.io);
  std::string console = d.console();
  const std::string report =
      "Script problems\n\"infolevel\" not followed by any info (default used)\n";
  std::size_t first = console.find(report);
  ASSERT_NE(first, std::string::npos);
  std::size_t again = console.find("use same script file? : ", first);
  ASSERT_NE(again, std::string::npos);
  EXPECT_NE(console.find(report, again), std::string::npos);
  EXPECT_NE(d.files.contents["pf-x-o.txt"].find(report), std::string::npos)
      << "the report goes to the results file too";
}

}  // namespace
}  // namespace pf
