// The start of a pass of modes 0 to 3: dataset, script and a-x file.
#include <gtest/gtest.h>

#include <string>

#include "calc/driver/calculator.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::Dialogue;

const std::string kTinyDataset =
    "2\n\n5\nq 1 1 1 10 2 0\n-910.72 0.04143 2.269\n"
    "0.0929 -0.000000642 -714.9 -0.7161 0 730 6 -0.0082\n1 847 0.00495 0.1188\n"
    "coe 1 1 1 10 2 0\n-907 0.0396 2.064\n0.1078 -0.000003279 -190.3 -1.0416 0.0000123 979 4.19 "
    "-0.0043\n0\n"
    "0\n0.0654 0.0654\n0.0667\n\ntwo silica polymorphs\n";

struct Pass {
  Dialogue d;
  CalculatorRun run;
  explicit Pass(const std::string& answers) : d(answers) {
    d.files.contents["pf-tiny.txt"] = kTinyDataset;
    d.files.contents["pf-x.txt"] = "axfile si\n*\n";
    d.files.contents["pf-si.txt"] = "q coe\n";
    d.files.contents["pf-other.txt"] = "coe 0.9\n";
    run.prefs.datafile = "x";
    run.prefs.dataset = "tiny";
    run.files.suffix = "x";
    run.files.dataName = "pf-x.txt";
    run.files.data = d.files.openRead("pf-x.txt");
    run.pass = 1;
  }
};

TEST(PassPrologue, DatasetThenScriptThenAxFile) {
  Pass p("");
  passPrologue(p.d.io, p.run);
  EXPECT_EQ(p.run.dataset.entries, 2);
  EXPECT_EQ(p.run.script.axfile, "si");
  ASSERT_EQ(p.run.phases.pureCount(), 2);
  EXPECT_EQ(p.run.phases.pures[1].name, "coe");
  const std::string log = p.d.log();
  EXPECT_NE(
      log.find(
          "using two silica polymorphs\nwith axfile pf-si.txt and scriptfile pf-x.txt\nq coe \n"),
      std::string::npos);
}

// The a-x file first: the script of this pass is not read yet, so its name is asked.
TEST(PassPrologue, AxFileBeforeTheScript) {
  Pass p("other\n");
  p.run.scriptBeforeAxFile = false;
  passPrologue(p.d.io, p.run);
  EXPECT_NE(p.d.console().find("suffix to name for a-x info datafile : "), std::string::npos);
  ASSERT_EQ(p.run.phases.pureCount(), 1);
  EXPECT_EQ(p.run.phases.pures[0].activity, 0.9L);
  EXPECT_EQ(p.run.script.axfile, "si");  // read after the a-x file
}

TEST(PassPrologue, TheDatasetMayBeAsked) {
  Pass p("tiny\n");
  p.run.prefs.dataset = "?";
  passPrologue(p.d.io, p.run);
  EXPECT_NE(p.d.console().find("suffix to name for thermo dataset datafile : "), std::string::npos);
  EXPECT_EQ(p.run.dataset.fileName, "pf-tiny.txt");
}

}  // namespace
}  // namespace pf
