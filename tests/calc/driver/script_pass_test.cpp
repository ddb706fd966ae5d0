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
      "infolevel\naxfile ax\ncalctype 1\ncalctatp\nsetTwindow 400 800\nsetPwindow 2 10\n"
      "setPinterval 2\nsetexcess\ndoallr\n*\ndata\n";
  d.files.contents["pf-ax.txt"] = "q coe\n";
  d.files.contents["pf-ds6.txt"] =
      "2\n\n5\nq 1 1 1 10 2 0\n-910.72 0.04143 2.269\n"
      "0.0929 -0.000000642 -714.9 -0.7161 0 730 6 -0.0082\n1 847 0.00495 0.1188\n"
      "coe 1 1 1 10 2 0\n-907 0.0396 2.064\n0.1078 -0.000003279 -190.3 -1.0416 0.0000123 979 "
      "4.19 -0.0043\n0\n"
      "0\n0.0654 0.0654\n0.0667\n\ntiny\n";
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
