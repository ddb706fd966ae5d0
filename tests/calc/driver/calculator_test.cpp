#include "calc/driver/calculator.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "common/bomb.h"
#include "tests/common/console_fixture.h"

namespace pf {
namespace {

// A whole calculator run on the shared test console. Every pass of modes 0
// to 3 reads the default dataset and the a-x file the script names.
struct Session : Console {
  explicit Session(const std::string& answers = "") : Console(answers) {
    files.contents["pf-ds6.txt"] =
        "2\n\n5\nq 1 1 1 10 2 0\n-910.72 0.04143 2.269\n"
        "0.0929 -0.000000642 -714.9 -0.7161 0 730 6 -0.0082\n1 847 0.00495 0.1188\n"
        "coe 1 1 1 10 2 0\n-907 0.0396 2.064\n0.1078 -0.000003279 -190.3 -1.0416 0.0000123 979 "
        "4.19 -0.0043\n0\n"
        "0\n0.0654 0.0654\n0.0667\n\ntiny\n";
    files.contents["pf-ax.txt"] = "q coe\n";
  }
  int go() { return runCalculator(io); }
};

const std::string kScript = "axfile ax\n";

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A dataset of quartz and periclase.
const char* const kTwoEndMembers =
    "2\n\n5\n"
    "q        1   1 1  10 2  0\n-910.7  0.0415  2.269\n"
    "0.0929  -0.000642  -714.9  -0.7161  0.0000065  750  4.1  -0.0055\n0\n"
    "per      1   5 1  10 1  0\n-601.6  0.0269  1.125\n"
    "0.0605  0.000000362  -535.8  -0.2992  0.0000311  1616  3.95  -0.0024\n0\n"
    "0\n1 0 1\n\ntwo end-members\n";

TEST(CalculationMenu, AsksAgainUntilACodeIsGiven) {
  Session r("5\nx\n\n-1\n4\ndemo\nSiO2\nn\n\n");
  r.files.contents["pf-demo.txt"] = "*\n";
  r.files.contents["pf-ds6.txt"] = kTwoEndMembers;  // the lists read the default dataset
  EXPECT_EQ(r.go(), 0);
  EXPECT_TRUE(has(r.out.str(),
                  "control code  : not in range  - try again : not an integer  - try again :   : "
                  "not in range  - try again : suffix to name for script info datafile : "));
  EXPECT_TRUE(
      has(r.out.str(), "which system? : \n           SiO2\n       q      1\n\nmore lists ? "));
  EXPECT_TRUE(has(r.file("pf-log.txt"), "control code  : 5\nnot in range  - try again : x\n"));
  EXPECT_TRUE(has(r.file("pf-log.txt"), "not an integer  - try again : (nothing input)\n"));
}

TEST(CalculationMenu, PreferenceTakesOnlyModesZeroToThree) {
  Session three("demo\nn\n\n");
  three.files.contents["pf-prefs.txt"] = "calcmode 3\n";
  // the diagram type, its window, the phases in excess and the kind of
  // calculation from the script: nothing more is asked
  three.files.contents["pf-demo.txt"] =
      kScript +
      "calctype 1\ncalctatp\nsetTwindow 400 800\nsetPwindow 2 10\nsetPinterval 2\nsetexcess\n"
      "doallr\n*\n";
  three.go();
  EXPECT_FALSE(has(three.out.str(), "control code"));
  EXPECT_TRUE(has(three.out.str(), "more calculations ? "));

  // every phase, no further tables
  Session four("0\ndemo\n\nn\nn\nn\nn\nn\n\n");
  four.files.contents["pf-prefs.txt"] = "calcmode 4\n";
  four.files.contents["pf-demo.txt"] = kScript;
  four.go();
  EXPECT_TRUE(has(four.out.str(), "control code  : "));
  EXPECT_TRUE(has(four.out.str(), "more tables ? "));
}

TEST(CalculationMenu, RegressionIsAcceptedAndDeclined) {
  Session r("lsqds\n\n");
  r.go();
  EXPECT_TRUE(has(r.out.str(), "dataset regression (lsqds) is not available in this version"));
  EXPECT_TRUE(has(r.out.str(), std::string(47, '=') + "\nall done - hit return to exit ? "));
  EXPECT_FALSE(has(r.out.str(), "BOMBED"));
}

TEST(CalculationMenu, InternalCodes) {
  EXPECT_EQ(internalCode(0), kCalcTables);
  EXPECT_EQ(internalCode(1), kCalcPhaseDiagram);
  EXPECT_EQ(internalCode(2), kCalcAveragePT);
  EXPECT_EQ(internalCode(3), kCalcReactions);
  EXPECT_EQ(internalCode(4), kCalcLists);
  EXPECT_EQ(internalCode(9), kCalcRegression);
  try {
    internalCode(7);
    FAIL();
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "setup");
    EXPECT_EQ(b.message, "unknown code");
    EXPECT_EQ(b.kind, 1);
  }
}

TEST(RunFiles, NamesFromTheSuffixAndMessages) {
  Session r("0\n\nn\nn\nn\nn\n\n");
  r.files.contents["pf-prefs.txt"] = "datafile ex\nonecalc\n";
  r.files.contents["pf-ex.txt"] = kScript;
  r.go();
  EXPECT_TRUE(has(r.out.str(),
                  "the main output is in the file, \"pf-ex-o.txt\"\n"
                  "assignment-syntax output is in the file, \"pf-ex-a.txt\"\n"
                  "other (eg plotix) output is in the file, \"pf-ex-px.txt\"\n"));
  EXPECT_TRUE(r.files.exists("pf-ex-o.txt"));
  EXPECT_TRUE(r.files.exists("pf-ex-a.txt"));
  EXPECT_TRUE(r.files.exists("pf-ex-px.txt"));
  // onecalc: from the first pass straight to the end report
  EXPECT_FALSE(has(r.out.str(), "more tables"));
  EXPECT_TRUE(has(r.file("pf-ex-o.txt"), std::string(47, '=')));
}

TEST(RunFiles, SecondResultsFileOnlyWhereAssignmentsAreWritten) {
  struct Case {
    std::string menu, prefs;
    bool opened;
  } cases[] = {
      {"0", "", true},             // tables, on by default
      {"2", "", true},             // average P-T
      {"0", "makea no\n", false},  // switched off
      {"1", "", false},            // phase diagrams never write assignments
      {"3", "", false},
      {"4", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.menu + " " + c.prefs);
    Session r(c.menu + "\n\n");
    r.files.contents["pf-prefs.txt"] = c.prefs + "datafile ex\nonecalc\n";
    r.files.contents["pf-ex.txt"] = "";
    r.go();
    EXPECT_EQ(r.files.exists("pf-ex-a.txt"), c.opened);
    EXPECT_EQ(has(r.out.str(), "assignment-syntax output is in the file"), c.opened);
  }
}

TEST(RunFiles, ALongSuffixNeverNamesTheDataFile) {
  const std::string suffix = "abcdefghijklmnopqrstuvwxyz";
  const std::string cut = suffix.substr(0, 20);
  Session r("0\n" + suffix + "\nn\n\n");
  r.files.contents["pf-" + cut + ".txt"] = "% my script\n" + kScript + "*\n";
  r.go();
  EXPECT_EQ(r.file("pf-" + cut + ".txt"), "% my script\n" + kScript + "*\n");
  EXPECT_TRUE(r.files.exists("pf-" + cut + "-o.txt"));
  EXPECT_TRUE(r.files.exists("pf-" + cut + "-px.txt"));
}

TEST(RunFiles, EmptySuffixAndMissingFileStopTheRun) {
  Session empty("0\n\n\n");
  empty.go();
  EXPECT_TRUE(has(empty.out.str(), " BOMBED in startout : no script file specified"));
  EXPECT_TRUE(has(empty.file("pf-log.txt"), " BOMBED in startout : no script file specified"));

  Session allInOne("0\n\n\n");
  allInOne.files.contents["pf-prefs.txt"] = "all-in-one\n";
  allInOne.go();
  EXPECT_TRUE(has(allInOne.out.str(), "suffix to name for datafile : "));
  EXPECT_TRUE(has(allInOne.out.str(), " BOMBED in startout : no datafile specified"));

  Session missing("0\nnope\n\n");
  missing.go();
  EXPECT_TRUE(has(missing.out.str(), "cannot locate file \"pf-nope.txt\""));
  EXPECT_TRUE(has(missing.out.str(), " BOMBED in promptdatafile : datafile needed"));
}

TEST(MainLoop, PhaseDiagramPassesLeaveClosedFilesThatGrow) {
  // each pass: all phases (quartz alone), none in excess, T at P, the P and T
  // windows, every reaction; the
  // second pass keeps the same script file
  const std::string pass = "\n\ny\n5\n500 600\n1\n";
  Session r("1\ndemo\n" + pass + "y\n\n" + pass + "n\n\n");
  r.files.contents["pf-demo.txt"] = kScript;
  r.go();
  const std::string files = "with axfile pf-ax.txt and scriptfile pf-demo.txt";
  std::string out = r.file("pf-demo-o.txt");
  EXPECT_NE(out.find(files), out.rfind(files));  // both passes in the one file
  std::string log = r.file("pf-log.txt");
  EXPECT_NE(log.find(files), log.rfind(files));
  // the question between passes comes while the files are closed
  EXPECT_FALSE(has(log, "more phase diagram calculations"));
  // the log was closed after the last pass, so the end report is on the console only
  EXPECT_FALSE(has(log, std::string(47, '=')));
  EXPECT_TRUE(has(r.out.str(), std::string(47, '=')));
  EXPECT_FALSE(r.io.isOpen(kLogfile));
}

TEST(MainLoop, KillMarksEveryOpenFile) {
  Session r("0\ndemo\n\nn\nn\nn\nn\nkill\n");
  r.files.contents["pf-demo.txt"] = kScript;
  r.go();
  EXPECT_TRUE(has(r.out.str(), "more tables ? \nrun killed\n"));
  const std::string marker = "***\xCArun killed ***";
  EXPECT_TRUE(has(r.file("pf-demo-o.txt"), "\r\r" + marker));
  EXPECT_TRUE(has(r.file("pf-log.txt"), "\r\r" + marker));
  EXPECT_TRUE(has(r.file("pf-demo-px.txt"), "\n" + marker + "\n"));
  const std::string a = r.file("pf-demo-a.txt");
  EXPECT_EQ(a.substr(a.size() - marker.size() - 3), "\n\r\r" + marker);
}

TEST(MainLoop, EndOfInputEndsTheRunOnce) {
  Session r("0\ndemo\n");
  r.files.contents["pf-demo.txt"] = kScript;
  EXPECT_EQ(r.go(), 0);
  std::string out = r.out.str();
  EXPECT_TRUE(has(out, " BOMBED in read in prstrings : problems reading"));
  EXPECT_EQ(out.find("BOMBED"), out.rfind("BOMBED"));
}

TEST(WorkingTables, ReportedInOrderAndReleased) {
  Session r("0\ndemo\n\nn\nn\nn\nn\nn\n\n");
  r.files.contents["pf-prefs.txt"] = "monitorheap\n";
  r.files.contents["pf-demo.txt"] = kScript;
  r.go();
  std::string out = r.out.str();
  std::size_t at = out.find("size each: ptype0 = ");
  ASSERT_NE(at, std::string::npos);
  for (const char* name : {"c", "cov", "rlines", "r", "prec0", "prec1", "phnames", "td", "rrir",
                           "usvd", "vsvd", "jacobian", "compdx"}) {
    std::size_t next = out.find(std::string("space allocated for ") + name + " is ", at);
    ASSERT_NE(next, std::string::npos) << name;
    at = next;
  }
  EXPECT_TRUE(has(out, "space disposed for compdx; heap size now 0k"));
  EXPECT_EQ(r.io.heapBytes(), 0);
}

TEST(DiagramType, PresetOrMenu) {
  struct Case {
    int preset;
    const char* answer;
    int diagrammode;
    bool menu;
  };
  const Case cases[] = {{1, "", 0, false},   {2, "", 2, false},    {3, "", 1, false},
                        {4, "", 4, false},   {5, "", 3, false},    {6, "6\n", 6, true},
                        {7, "7\n", 5, true}, {-1, "9\n", 0, true}, {0, "2\n", 2, true}};
  for (const Case& c : cases) {
    Session r(c.answer);
    DiagramChoice d = askDiagramType(r.io, c.preset);
    EXPECT_EQ(d.diagrammode, c.diagrammode) << c.preset;
    EXPECT_EQ(
        has(r.out.str(), " code for type of phase diagram :\n         1 : pressure-temperature\n"),
        c.menu);
  }
  Session x("3\n");
  DiagramChoice d = askDiagramType(x.io, -1);
  EXPECT_EQ(d.fluidtype, 6);
  EXPECT_FALSE(d.fluidInExcess);
  EXPECT_TRUE(has(x.out.str(), "        7 : pressure-mu\ncode : "));
}

// The reactions pass hands the diagram type, the fluid it implies and the
// script's axis names to the windows.
TEST(DiagramType, ReachesTheWindows) {
  struct Case {
    const char* script;
    int diagrammode, fluidtype;
    const char* lnaName;
    const char* muName;
  };
  const Case cases[] = {
      {"calctype 4\nsetloga H2O\n", kDiagramTlna, kFluidActivities, "H2O", ""},
      {"calctype 3\n", kDiagramPX, kFluidMoleFractions, "", ""},
      {"calctype 5\nseta q\nsetmu O2\n", kDiagramPlna, kFluidActivities, "q", "O2"},
      {"calctype 1\nsetlna H2O 0.5 CO2\n", kDiagramPT, kFluidActivities, "", ""},
  };
  for (const Case& c : cases) {
    Session r("");
    CalculatorRun run;
    run.windows.fluid.fluidtype = kFluidMoleFractions;  // left from an earlier pass
    run.files.data = std::make_unique<std::istringstream>(c.script);
    readscripts(r.io, run.files.data, run.script);
    chooseDiagram(r.io, run);
    EXPECT_EQ(run.windows.diagrammode, c.diagrammode) << c.script;
    EXPECT_EQ(run.windows.fluid.fluidtype, c.fluidtype) << c.script;
    EXPECT_EQ(run.windows.lnaName, c.lnaName) << c.script;
    EXPECT_EQ(run.windows.lnaLabel, c.lnaName) << c.script;
    EXPECT_EQ(run.windows.muName, c.muName) << c.script;
  }
}

}  // namespace
}  // namespace pf
