#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "calc/settings/script.h"
#include "tests/calc/settings/dialogue.h"

namespace pf {
namespace {

using testing::bombOf;
using testing::Dialogue;

// Reads `script` as the data file "pf-x.txt".
ScriptSettings readScript(Dialogue& d, const std::string& script) {
  d.files.contents["pf-x.txt"] = script;
  auto file = d.files.openRead("pf-x.txt");
  ScriptSettings s;
  readscripts(d.io, file, s);
  EXPECT_EQ(file, nullptr) << "the data file is closed after reading";
  return s;
}

ScriptSettings readScript(const std::string& script) {
  Dialogue d;
  return readScript(d, script);
}

TEST(ScriptReader, ThreeStateValueForms) {
  struct Case {
    const char* line;
    int ScriptSettings::*field;
    int state;
  };
  const Case cases[] = {
      {"calcg", &ScriptSettings::calcg, kUsePreset},
      {"calcg yes", &ScriptSettings::calcg, kUsePreset},
      {"calcg no", &ScriptSettings::calcg, kDontUse},
      {"calcg ask", &ScriptSettings::calcg, kAsk},
      {"calcg maybe", &ScriptSettings::calcg, kDontUse},
      {"tables no", &ScriptSettings::tables, kDontUse},
      {"tables", &ScriptSettings::tables, kUsePreset},
      {"ptmath", &ScriptSettings::txmath, kUsePreset},
      {"pseudo ask", &ScriptSettings::pseudosection, kAsk},
      {"printguessform", &ScriptSettings::printxyz, kUsePreset},
      {"doallr no", &ScriptSettings::doallr, kDontUse},
  };
  for (const Case& c : cases) {
    ScriptSettings s = readScript(c.line);
    EXPECT_EQ(s.*c.field, c.state) << c.line;
  }
  ScriptSettings defaults = scriptDefaults();
  EXPECT_EQ(defaults.doallr, kAsk);
  EXPECT_EQ(defaults.oldmethod, kUsePreset);
  EXPECT_EQ(defaults.calctype, -1);
}

TEST(ScriptReader, OnOffKeywords) {
  struct Case {
    const char* line;
    bool ScriptSettings::*field;
    bool on;
  };
  const Case cases[] = {
      {"makeo off", &ScriptSettings::makeo, false}, {"makeo no", &ScriptSettings::makeo, false},
      {"makeo on", &ScriptSettings::makeo, true},   {"makeo", &ScriptSettings::makeo, true},
      {"makeps", &ScriptSettings::makeps, true},    {"makeps off", &ScriptSettings::makeps, false},
      {"makeps on", &ScriptSettings::makeps, true},
  };
  for (const Case& c : cases) EXPECT_EQ(readScript(c.line).*c.field, c.on) << c.line;
  EXPECT_TRUE(scriptDefaults().makeo);
  EXPECT_FALSE(scriptDefaults().makeps);
}

// "no" reads no values: whatever follows it on the line is not looked at,
// so the line means no and is not reported.
TEST(ScriptReader, NoReadsNoValuesForEveryKeyword) {
  const char* const keywords[] = {"axfile",
                                  "makeps",
                                  "makeo",
                                  "plotix",
                                  "printcov",
                                  "printcor",
                                  "like6",
                                  "latex",
                                  "noeinfo",
                                  "nlerehelp",
                                  "exbuff",
                                  "fifi",
                                  "progress",
                                  "diagnostics",
                                  "makeinfo",
                                  "tables",
                                  "dataok",
                                  "rmath",
                                  "gmath",
                                  "cmath",
                                  "txmath",
                                  "ptmath",
                                  "smath",
                                  "xinsmath",
                                  "tabsmath",
                                  "setrockname",
                                  "calctatp",
                                  "setTwindow",
                                  "setPwindow",
                                  "setTinterval",
                                  "setPinterval",
                                  "setdefTwindow",
                                  "setdefPwindow",
                                  "which",
                                  "allphases",
                                  "ignore",
                                  "omit",
                                  "setexcess",
                                  "inexcess",
                                  "setexcess0",
                                  "inexcess0",
                                  "fluidpresent",
                                  "fluidexcess",
                                  "setvar",
                                  "setvariance",
                                  "autovar",
                                  "samecoding",
                                  "seta",
                                  "setlna",
                                  "setloga",
                                  "setmu",
                                  "setiso",
                                  "setmodeiso",
                                  "zeromodeiso",
                                  "setbulk",
                                  "splitbulk",
                                  "onebulk",
                                  "project",
                                  "setproject",
                                  "projcomp",
                                  "pseudosection",
                                  "pseudo",
                                  "modebox",
                                  "readbulkinfo",
                                  "rbi",
                                  "printbulkinfo",
                                  "convliq",
                                  "ptguess",
                                  "xyzguess",
                                  "readxyz",
                                  "modeguess",
                                  "printxyz",
                                  "printguessform",
                                  "printmode",
                                  "printsf",
                                  "oldmethod",
                                  "calcsdnle",
                                  "usecalcq",
                                  "incthermo",
                                  "incax",
                                  "incnler",
                                  "justrelu",
                                  "dogmin",
                                  "calcg",
                                  "calch",
                                  "calcsv",
                                  "calcah2o",
                                  "calcmu",
                                  "calcmuo",
                                  "c8",
                                  "calcprops",
                                  "zarvo",
                                  "lsqds",
                                  "setisr",
                                  "oisr",
                                  "setfluid",
                                  "setlinear",
                                  "doallr",
                                  "defsdaparams",
                                  "usedefsda",
                                  "batchreq",
                                  "batchxyzguess",
                                  "batchswitch",
                                  "batch",
                                  "batches",
                                  "filter",
                                  "flitter",
                                  "batchbulk",
                                  "mcbulk",
                                  "batchdebug",
                                  "mcdebug",
                                  "mcit",
                                  "mcrange",
                                  "mcfunc",
                                  "nudge",
                                  "mc",
                                  "gaussmc",
                                  "mcoutcurrentway",
                                  "mccorr",
                                  "fract",
                                  "fractionation"};
  // integer keywords have no "no" form: the word is a bad integer
  const std::set<std::string> integers = {"mcit"};
  for (const char* keyword : keywords) {
    const std::string alone = std::string(keyword) + " no\n";
    for (const char* tail : {" x", " 5", " g q 0.5", " no", " 1 2 3 4"}) {
      const std::string line = std::string(keyword) + " no" + tail + "\n";
      Dialogue d;
      ScriptSettings withTail = readScript(d, "axfile kept\n" + line);
      EXPECT_TRUE(withTail == readScript("axfile kept\n" + alone)) << line;
      if (integers.count(keyword) == 0) {
        EXPECT_EQ(d.console(), "") << line;
      }
    }
  }
  // where the default is yes or ask, the line must turn it off
  struct Case {
    const char* line;
    int ScriptSettings::*field;
  };
  const Case offs[] = {
      {"plotix no x", &ScriptSettings::plotix},
      {"doallr no 5", &ScriptSettings::doallr},
      {"tables no 1 2", &ScriptSettings::tables},
      {"calctatp no T", &ScriptSettings::calctatp},
      {"allphases no g", &ScriptSettings::allphases},
      {"oldmethod no yes", &ScriptSettings::oldmethod},
      {"usedefsda no 0.1", &ScriptSettings::usedefsda},
  };
  for (const Case& c : offs) EXPECT_EQ(readScript(c.line).*c.field, kDontUse) << c.line;
  EXPECT_FALSE(readScript("makeo no x").makeo);
  EXPECT_EQ(readScript("setmodeiso no g 0 1 0.1").setmodeiso.state, kDontUse);
  EXPECT_EQ(readScript("zeromodeiso no g").zeromodeiso.state, kDontUse);
  EXPECT_EQ(readScript("axfile rockax\naxfile no x").axfile, "rockax") << "no leaves the name";
}

TEST(ScriptReader, NameListsTakeTheirValuesAfterTheState) {
  ScriptSettings none = readScript("setexcess no g q\n");
  EXPECT_EQ(none.setexcess.state, kDontUse);
  EXPECT_TRUE(none.setexcess.names.empty()) << "no reads no names";

  ScriptSettings no = readScript("setexcess no\n");
  EXPECT_EQ(no.setexcess.state, kDontUse);
  EXPECT_TRUE(no.setexcess.names.empty());

  ScriptSettings two = readScript("setexcess q ky\n");
  EXPECT_EQ(two.setexcess.state, kUsePreset);
  EXPECT_EQ(two.setexcess.names, (std::vector<std::string>{"q", "ky"}));

  ScriptSettings ask = readScript("inexcess ask H2O\n");
  EXPECT_EQ(ask.setexcess.state, kAsk);
  EXPECT_EQ(ask.setexcess.names, (std::vector<std::string>{"H2O"}));

  Dialogue d;
  ScriptSettings nine = readScript(d, "setexcess a b c d e f g h i\nignore 12 q\n");
  EXPECT_EQ(nine.setexcess.state, kDontUse);
  EXPECT_TRUE(nine.ignore.names.empty());
  EXPECT_EQ(d.console(),
            "\nScript problems\n\"setexcess\" followed by incorrect info\n"
            "\"ignore\" followed by incorrect info\n");
}

TEST(ScriptReader, WindowsAreHeldInKelvinAndFallBackToTheDefaults) {
  ScriptSettings s = readScript("setTwindow 400 800\nsetPwindow 2 12\n");
  EXPECT_EQ(s.setTwindow.state, kUsePreset);
  EXPECT_EQ(s.setTwindow.low, 673);
  EXPECT_EQ(s.setTwindow.high, 1073);
  EXPECT_EQ(s.setPwindow.low, 2);
  EXPECT_EQ(s.setPwindow.high, 12);

  ScriptSettings def = readScript("setdefTwindow 500 700\n");
  EXPECT_EQ(def.setTwindow.state, kDontUse);
  EXPECT_EQ(def.setTwindow.low, 773);
  EXPECT_EQ(def.setTwindow.high, 973);
  EXPECT_EQ(def.setPwindow.low, 0.1L);
  EXPECT_EQ(def.setPwindow.high, 20);

  ScriptSettings bare = readScript("");
  EXPECT_EQ(bare.setTwindow.low, 300);
  EXPECT_EQ(bare.setTwindow.high, 1500);
}

TEST(ScriptReader, ProblemReportNamesEachBadLine) {
  Dialogue d;
  ScriptSettings s = readScript(d,
                                "% a comment line\n"
                                "infolevel\n"
                                "calcg yes % trailing comment\n"
                                "Calcg\n"
                                "setTwindow 400\n"
                                "infolevel 3\n"
                                "*\n"
                                "bogus after the end\n");
  EXPECT_EQ(s.infolevel, 3);
  EXPECT_EQ(s.calcg, kUsePreset);
  EXPECT_EQ(s.setTwindow.state, kDontUse);
  const std::string report =
      "\nScript problems\n"
      "\"infolevel\" not followed by any info (default used)\n"
      "\"Calcg\" unrecognised\n"
      "\"setTwindow\" followed by incorrect info\n";
  EXPECT_EQ(d.console(), report);
  EXPECT_EQ(d.log(), report);
}

TEST(ScriptReader, IntegerKeywords) {
  struct Case {
    const char* line;
    int infolevel;
    int fdaccess;
    int problem;  // 0: none
  };
  const Case cases[] = {
      {"infolevel 2", 2, 0, 0},      {"infolevel -1", -1, 0, 0}, {"infolevel", 1, 0, 2},
      {"infolevel x", 1, 0, 3},      {"infolevel 2.5", 1, 0, 3}, {"infolevel 99999", 1, 0, 3},
      {"infolevel 1e4000", 1, 0, 3}, {"infolevel 2 3", 1, 0, 3}, {"fdaccess 2", 1, 2, 0},
      {"fdaccess 3", 1, 0, 3},
  };
  for (const Case& c : cases) {
    Dialogue d;
    ScriptSettings s = readScript(d, c.line);
    EXPECT_EQ(s.infolevel, c.infolevel) << c.line;
    EXPECT_EQ(s.fdaccess, c.fdaccess) << c.line;
    EXPECT_EQ(d.console().find(c.problem == 2 ? "not followed" : "incorrect") != std::string::npos,
              c.problem != 0)
        << c.line;
  }
}

TEST(ScriptReader, EverySettingIsResetBeforeEachRead) {
  ScriptSettings s = readScript(
      "calcg\ntables no\nsetexcess g\naxfile mp50\ncalcprops yes\n"
      "xyzguess x(g) 0.8\ninfolevel 3\nnegp\n");
  EXPECT_EQ(s.axfile, "mp50");
  Dialogue d;
  d.files.contents["pf-x.txt"] = "% nothing\n";
  auto file = d.files.openRead("pf-x.txt");
  readscripts(d.io, file, s);
  ScriptSettings defaults = scriptDefaults();
  EXPECT_EQ(s.calcg, defaults.calcg);
  EXPECT_EQ(s.tables, kUsePreset);
  EXPECT_TRUE(s.setexcess.names.empty());
  EXPECT_TRUE(s.xyzguess.empty());
  EXPECT_EQ(s.infolevel, 1);
  EXPECT_FALSE(s.negp);
  EXPECT_EQ(s.axfile, "mp50") << "the a-x file name is kept";
  EXPECT_EQ(s.calcprops, kUsePreset) << "calcprops is not reset";

  ScriptSettings cleared = readScript("axfile\n");
  EXPECT_EQ(cleared.axfile, "");
}

TEST(ScriptReader, ActivitiesAreEchoedAndHeldAsLogs) {
  Dialogue d;
  ScriptSettings s = readScript(d, "seta H2O 0.5 CO2\nsetmu O2 -250\n");
  ASSERT_EQ(s.activities.items.size(), 2u);
  EXPECT_NEAR(s.activities.items[0].value, std::log(0.5L), 1e-18L);
  EXPECT_TRUE(s.activities.items[0].hasValue);
  EXPECT_FALSE(s.activities.items[1].hasValue);
  EXPECT_EQ(s.mu.items[0].value, -250);
  EXPECT_EQ(d.console(), "ln a(H2O) = -0.693147\nln a(CO2) - to be set \nmu(O2) = -250\n");

  // a problem line is ended before the next echo starts
  Dialogue after;
  readScript(after, "bogus\nseta q 0.5\nsetmu\nsetmu O2 -1.5 H2O\n");
  EXPECT_EQ(after.console(),
            "\nScript problems\n\"bogus\" unrecognised\nln a(q) = -0.693147\n"
            "\"setmu\" followed by incorrect info\nmu(O2) = -1.5\nmu(H2O) - to be set \n");
  EXPECT_EQ(after.log(),
            "\nScript problems\n\"bogus\" unrecognised\n"
            "\"setmu\" followed by incorrect info\n")
      << "the echo is for the console alone";

  ScriptSettings one = readScript("setloga H2O\n");
  EXPECT_EQ(one.activities.singleName, "H2O");
  EXPECT_TRUE(one.activities.items.empty());
  EXPECT_EQ(one.activities.form, ActivityForm::loga);

  ScriptSettings bad = readScript("seta H2O 0 CO2 1\n");
  EXPECT_EQ(bad.activities.state, kDontUse) << "an activity of 0 has no logarithm";
}

TEST(ScriptReader, BulkCompositions) {
  ScriptSettings s = readScript("setbulk 1 2 3\nsetbulk ask 2 2 4\n");
  ASSERT_EQ(s.bulks.size(), 2u);
  EXPECT_NEAR(s.bulks[0][0], 100.0L / 6, 1e-15L);
  EXPECT_NEAR(s.bulks[0][2], 50, 1e-15L);
  EXPECT_NEAR(s.bulks[1][2], 50, 1e-15L);
  EXPECT_EQ(s.setbulkState, kAsk);

  ScriptSettings huge = readScript("setbulk 1e4931 1\n");
  EXPECT_NEAR(huge.bulks[0][0], 100, 1e-15L) << "huge amounts are scaled without overflow";
  EXPECT_TRUE(readScript("setbulk 9e4931 9e4931\n").bulks.empty()) << "an infinite total";

  Dialogue d;
  ScriptSettings bad = readScript(d, "setbulk 1 2 3\nsetbulk 1 2\nsetbulk 0 0 0\n");
  EXPECT_EQ(bad.bulks.size(), 1u);
  EXPECT_EQ(d.console(),
            "\nScript problems\n\"setbulk\" followed by incorrect info\n"
            "\"setbulk\" followed by incorrect info\n");
}

TEST(ScriptReader, GuessesAccumulateWithTheirLimits) {
  ScriptSettings s = readScript(
      "xyzguess x(g) 0.8\nxyzguess q(L) 0.1 sd 0.02 range -1 1\nmodeguess g 0.2\n"
      "xyzguess x(bi) 0.4 sd -1\n");
  ASSERT_EQ(s.xyzguess.size(), 2u);
  EXPECT_EQ(s.xyzguess[1].name, "q(L)");
  EXPECT_EQ(s.xyzguess[1].sd, 0.02L);
  EXPECT_EQ(s.xyzguess[1].low, -1);
  EXPECT_EQ(s.xyzguess[0].high, 1);
  EXPECT_EQ(s.modeguess.size(), 1u);

  std::string many;
  for (int k = 0; k <= kMaxXyzGuess; ++k) many += "xyzguess x(g) 0.5\n";
  Bombed fault = bombOf([&] { readScript(many); });
  EXPECT_EQ(fault.procedure, "reading scripts");
  EXPECT_EQ(fault.message, "too many xyzguess");
}

TEST(ScriptReader, StartingGuessOutsideTheAllowedRangeIsNotUsed) {
  struct Case {
    const char* script;
    int state;
  };
  const Case cases[] = {
      {"ptguess 8 600", kUsePreset},  {"ptguess 8 5", kDontUse},
      {"ptguess -5 600", kDontUse},   {"ptguess -5 600\nnegp", kUsePreset},
      {"ptguess 1600 600", kDontUse},
  };
  for (const Case& c : cases) {
    ScriptSettings s = readScript(c.script);
    EXPECT_EQ(s.ptguessState, c.state) << c.script;
  }
  EXPECT_EQ(readScript("ptguess 8 600").ptguessT, 873);
}

TEST(ScriptReader, TableOverflowsStopTheRun) {
  struct Case {
    std::string script;
    const char* procedure;
    const char* message;
  };
  std::string groups;
  for (int k = 0; k <= kMaxSamecodingGroups; ++k) groups += "samecoding g g1\n";
  const Case cases[] = {
      {groups, "reading scripts", "too many samecoding groups"},
      {"samecoding a b c d e f g h i j k", "reading scripts", "too many names in samecoding group"},
      {"convliq 1 2 3 4 5 6 7 8 9 10 11", "control", "too many columns in convliq matrix"},
      {"convliq 1\nconvliq 1\nconvliq 1\nconvliq 1\nconvliq 1\nconvliq 1\nconvliq 1\nconvliq "
       "1\nconvliq 1",
       "control", "too many rows in convliq matrix"},
      {"setvar x", "getinteger", "expecting an integer (1); got: x - bad integer in setvar script"},
      {"batch -1 g q", "reading scripts", "batch with negative variance?"},
      {"nudge g W(py,gr)", "reading scripts", "in nudge, not enough info"},
      {"mc g W(py,gr) a x", "reading scripts", "mc attempted and failed"},
  };
  for (const Case& c : cases) {
    Bombed fault = bombOf([&] { readScript(c.script); });
    EXPECT_EQ(fault.procedure, c.procedure) << c.script;
    EXPECT_EQ(fault.message, c.message) << c.script;
  }
}

TEST(ScriptReader, ChecksAfterReading) {
  Bombed mc = bombOf([] { readScript("mc\nsetexcess q\n"); });
  EXPECT_EQ(mc.procedure, "read scripts");
  EXPECT_EQ(mc.message, "sorry! in-excess phases not allowed with mcpf");

  Bombed filters = bombOf([] { readScript("batch 0 g q\nbatch 1 g\nfilter x(g) > 0.5\n"); });
  EXPECT_EQ(filters.procedure, "read scripts");
  EXPECT_EQ(filters.message, "flitters don't match batches");

  Dialogue d;
  ScriptSettings s = readScript(d, "batch 0 g q\nflitter x(g) > 0.5\n");
  EXPECT_EQ(s.batch.filters.size(), 1u);
  EXPECT_EQ(d.console(), "\n\nflittering on\n\n");
}

TEST(ScriptReader, WhichIsJoinedByCodedAlikeAndExcessPhases) {
  ScriptSettings s = readScript("which g bi q\nsamecoding bi bi2\nsetexcess q H2O\n");
  EXPECT_EQ(s.which.names, (std::vector<std::string>{"g", "bi", "q", "bi2", "H2O"}));

  ScriptSettings off = readScript("setexcess q H2O\n");
  EXPECT_TRUE(off.which.names.empty()) << "no which list, nothing to join";

  // single-byte names fill a 255-character line; eight groups then overflow it
  std::string which = "which";
  for (int k = 0; k < 124; ++k) which += std::string(" ") + static_cast<char>(0x41 + k);
  std::string script = which + "\n";
  for (int g = 0; g < 8; ++g) {
    script += "samecoding";
    for (int k = 0; k < 10; ++k) script += " s" + std::to_string(g) + "x" + std::to_string(k);
    script += "\n";
  }
  Bombed fault = bombOf([&] { readScript(script); });
  EXPECT_EQ(fault.procedure, "readscripts");
  EXPECT_EQ(fault.message, "too many in augmented which 1");
}

TEST(ScriptReader, AnyBytesAndAnyLengthAreReportedNotFatal) {
  std::string junk = "\xff\x01\x7f \x80\xca\xca\t%notcomment\r\n";
  std::string longLine = "which" + std::string(600, 'q') + "\n";
  std::string tokens = "setbulk";
  for (int k = 0; k < 150; ++k) tokens += " 1";
  Dialogue d;
  ScriptSettings s = readScript(d, junk + longLine + tokens + "\nsetTwindow 1e99999 5\n" +
                                       std::string("\0\0", 2) + "\ncalcg\n");
  EXPECT_EQ(s.calcg, kUsePreset) << "reading goes on after bad lines";
  EXPECT_EQ(s.setTwindow.state, kDontUse);
  ASSERT_EQ(s.bulks.size(), 1u);
  EXPECT_EQ(s.bulks[0].size(), 124u) << "a line is cut at 255 characters";
  EXPECT_NE(d.console().find("\"\xff\\x01\\x7f\" unrecognised"), std::string::npos)
      << "control characters are written out";
  EXPECT_NE(d.log().find("\"\xff\\x01\\x7f\" unrecognised"), std::string::npos);
  EXPECT_NE(d.console().find("\"setTwindow\" followed by incorrect info"), std::string::npos);
}

TEST(GetScriptFile, KeepsOrReplacesTheDataFile) {
  Prefs prefs;
  {
    Dialogue d("\n");
    d.files.contents["pf-a.txt"] = "";
    std::string suffix = "a", name;
    EXPECT_NE(getscriptfile(d.io, prefs, suffix, name), nullptr);
    EXPECT_EQ(name, "pf-a.txt");
    EXPECT_EQ(d.console(), "use same script file? : ");
  }
  for (const char* yes : {"yes\n", "Y\n", "=\n", "1\n"}) {
    Dialogue d(yes);
    d.files.contents["pf-a.txt"] = "";
    std::string suffix = "a", name;
    EXPECT_NE(getscriptfile(d.io, prefs, suffix, name), nullptr) << yes;
    EXPECT_EQ(name, "pf-a.txt");
  }
  {
    Dialogue d("n\nb\n");
    d.files.contents["pf-b.txt"] = "";
    std::string suffix = "a", name;
    EXPECT_NE(getscriptfile(d.io, prefs, suffix, name), nullptr);
    EXPECT_EQ(suffix, "b");
    EXPECT_EQ(d.console(), "use same script file? : suffix to name for script info datafile : ");
  }
  {
    Dialogue d("no\n\n");
    std::string suffix = "a", name;
    Bombed fault = bombOf([&] { getscriptfile(d.io, prefs, suffix, name); });
    EXPECT_EQ(fault.procedure, "getscriptfile");
    EXPECT_EQ(fault.message, "no script file specified");
  }
  {
    Prefs named;
    named.datafile = "a";
    Dialogue d;
    d.files.contents["pf-a.txt"] = "";
    std::string suffix = "a", name;
    EXPECT_NE(getscriptfile(d.io, named, suffix, name), nullptr);
    EXPECT_EQ(d.console(), "") << "a data file named by the preferences is not asked about";
  }
}

}  // namespace
}  // namespace pf
