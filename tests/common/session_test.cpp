#include "common/session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "common/prefs.h"
#include "common/prompts.h"
#include "common/text.h"
#include "console_fixture.h"

namespace pf {

std::tm at(int hour, int minute, int weekday, int day, int month, int year) {
  std::tm t{};
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_wday = weekday;
  t.tm_mday = day;
  t.tm_mon = month;
  t.tm_year = year - 1900;
  return t;
}

TEST(DateStamp, HourMinutesDayMonthYear) {
  EXPECT_EQ(makeDateStamp(at(9, 5, 1, 7, 11, 2026)), "9.05 on Mon 7 Dec,2026");
  EXPECT_EQ(makeDateStamp(at(23, 45, 0, 31, 0, 2027)), "23.45 on Sun 31 Jan,2027");
  EXPECT_EQ(makeDateStamp(at(0, 0, 9, 1, 12, 2000)), "0.00noday? 1nomonth?2000");
}

TEST(Prefs, KeysValuesAndDefaults) {
  Console c("");
  c.files.contents["pf-prefs.txt"] =
      "% a comment line\n"
      "\n"
      "setpagewidth 60\n"
      "onecalc\n"
      "monitorheap yes\n"
      "dontwrap no\n"
      "makeps ask\n"
      "strictsyntax maybe   % any other word is on\n"
      "dataset yes mydata\n"
      "datafile demo\n"
      "axfile whatever\n"
      "calcmode 4\n"
      "unknownkey 1\n"
      "*\n"
      "onecalc no\n";
  Prefs p;
  readprefs(c.io, p);
  EXPECT_EQ(p.pagewidth, 80);
  EXPECT_TRUE(p.onecalc);  // the line after '*' is never read
  EXPECT_TRUE(p.monitorheap);
  EXPECT_FALSE(p.dontwrap);
  EXPECT_FALSE(p.makeps);
  EXPECT_TRUE(p.strictsyntax);
  EXPECT_EQ(p.dataset, "mydata");
  EXPECT_EQ(p.datafile, "demo");
  EXPECT_EQ(p.calcmode, 4);
  EXPECT_TRUE(p.autoexit);
  EXPECT_FALSE(c.io.dontwrap);
  EXPECT_TRUE(c.io.monitorheap);
  EXPECT_EQ(c.out.str(), "");
}

TEST(Prefs, PageWidthLimitsAndLaterLinesWin) {
  struct Case {
    const char* text;
    int width;
  };
  for (Case k :
       {Case{"setpagewidth 60\n", 80}, Case{"setpagewidth 300\n", 250}, Case{"setpagewidth\n", 80},
        Case{"setpagewidth 120\nsetpagewidth 100\n", 100}, Case{"setpagewidth x\n", 80}}) {
    Console c("");
    c.files.contents["pf-prefs.txt"] = k.text;
    Prefs p;
    readprefs(c.io, p);
    EXPECT_EQ(p.pagewidth, k.width) << k.text;
    EXPECT_EQ(c.io.pageWidth, k.width);
  }
}

TEST(Prefs, DatasetAskAndNo) {
  Console c("");
  c.files.contents["pf-prefs.txt"] = "dataset ds5\ndataset no\ndatafile\n";
  Prefs p;
  readprefs(c.io, p);
  EXPECT_EQ(p.dataset, "ds5");
  EXPECT_EQ(p.datafile, "");
  c.files.contents["pf-prefs.txt"] = "dataset ask\nall-in-one\n";
  readprefs(c.io, p);
  EXPECT_EQ(p.dataset, "?");
  EXPECT_EQ(c.out.str(), "\n\nall-in-one will soon not be available\n\n");
}

TEST(Prefs, MissingFileKeepsDefaultsForBothPrograms) {
  Console c("");
  Prefs p;
  readprefs(c.io, p);
  EXPECT_EQ(c.out.str(), "\n\xA5\xA5 no prefs file \"pf-prefs.txt\"");
  EXPECT_TRUE(p.dontwrap);
  EXPECT_EQ(p.calcmode, -1);

  Console d("", Program::plotter);
  d.files.contents["px-prefs.txt"] =
      "makeps no\nmakeo\nscriptfile s\ndatafile d\nsetpagewidth 90\n";
  readprefs(d.io, p);
  EXPECT_FALSE(p.makeps);
  EXPECT_TRUE(p.makeo);
  EXPECT_EQ(p.scriptfile, "s");
  EXPECT_EQ(p.datafile, "d");
  EXPECT_EQ(d.io.pageWidth, 150);

  Console e("", Program::plotter);
  readprefs(e.io, p);
  EXPECT_TRUE(p.makeps);
  EXPECT_EQ(e.out.str(), "\n\xA5\xA5 no prefs file \"px-prefs.txt\"");
}

TEST(Prefs, Utf8ConsoleCanBeTurnedOff) {
  for (Program program : {Program::calculator, Program::plotter}) {
    for (const char* line : {"utf8console no\n", "utf8console\n", ""}) {
      Console c("", program);
      c.files.contents[prefsFileName(program)] = line;
      c.io.utf8Console = true;
      Prefs p;
      readprefs(c.io, p);
      EXPECT_EQ(c.io.utf8Console, std::string(line) != "utf8console no\n") << line;
    }
    Console plain("", program);
    Prefs p;
    readprefs(plain.io, p);
    EXPECT_FALSE(plain.io.utf8Console) << "the preference never turns it on by itself";
  }
}

TEST(Startout, BannerPrefsLogAndStamp) {
  Console c("");
  Prefs p;
  startout(c.io, p, kCalculatorName);
  EXPECT_EQ(c.out.str(), "PHASEFORGE 3.37\n\xA5\xA5 no prefs file \"pf-prefs.txt\"\n");
  EXPECT_EQ(c.log(), "[display/print with fixed width font (eg Monaco)]\n\n\n");
  EXPECT_FALSE(c.io.dateStamp.empty());
  EXPECT_GT(c.io.roundingUnit, 0);
  EXPECT_EQ(1 + c.io.roundingUnit / 2, 1);
}

TEST(DataFile, AskedForOpenedOrRefused) {
  Console c("demo\n\n");
  c.openLog();
  c.files.contents["pf-demo.txt"] = "script";
  std::string suffix, name;
  auto file = promptdatafile(c.io, "pf-", suffix, "", name);
  EXPECT_TRUE(file != nullptr);
  EXPECT_EQ(name, "pf-demo.txt");
  suffix.clear();
  try {
    promptdatafile(c.io, "pf-", suffix, "thermo", name);
    FAIL();
  } catch (const Bombed& b) {
    EXPECT_EQ(b.procedure, "promptdatafile");
    EXPECT_EQ(b.message, "expecting a suffix for data filename");
  }
  suffix = "nothere";
  try {
    promptdatafile(c.io, "pf-", suffix, "", name);
    FAIL();
  } catch (const Bombed& b) {
    EXPECT_EQ(b.message, "datafile needed");
  }
  EXPECT_EQ(c.out.str(),
            "suffix to name for datafile : suffix to name for thermo datafile : "
            "\ncannot locate file \"pf-nothere.txt\"\n");
}

// "procedure : message" of the fault a call stops with, "" when it returns.
template <typename F>
std::string faultOf(F&& call) {
  try {
    call();
  } catch (const Bombed& b) {
    return b.procedure + " : " + b.message;
  }
  return "";
}

TEST(FileSafety, InputsThatAreFoldersOrHoldControlCharactersAreRefused) {
  for (Program program : {Program::calculator, Program::plotter}) {
    Console c("", program);
    const std::string prefs = prefsFileName(program);
    c.files.folders.insert(prefs);
    Prefs p;
    EXPECT_EQ(faultOf([&] { readprefs(c.io, p); }),
              "readprefs : cannot open \"" + prefs + "\": it is a folder");
  }
  struct Case {
    std::string suffix;
    std::string fault;
  };
  const Case cases[] = {
      {std::string("de\0mo", 5),
       "promptdatafile : control character in file name \"pf-de\\0mo.txt\""},
      {"de\x1b[2J", "promptdatafile : control character in file name \"pf-de\\x1b[2J.txt\""},
      {"dir", "promptdatafile : cannot open \"pf-dir.txt\": it is a folder"},
      {"demo", ""},
  };
  for (const Case& k : cases) {
    Console c("");
    c.files.contents["pf-de"] = "script";
    c.files.contents["pf-demo.txt"] = "script";
    c.files.folders.insert("pf-dir.txt");
    std::string suffix = k.suffix, name;
    EXPECT_EQ(faultOf([&] { promptdatafile(c.io, "pf-", suffix, "", name); }), k.fault)
        << visibleText(k.suffix);
    EXPECT_EQ(c.io.inputs().size(), k.fault.empty() ? 1u : 0u) << "only what is read is noted";
  }
}

TEST(FileSafety, AnOutputFileIsNeverOneTheRunReads) {
  Console c("");
  c.files.contents["pf-a.txt"] = "script";
  c.io.noteInput("pf-a.txt");
  EXPECT_EQ(faultOf([&] { refuseInputAsOutput(c.io, "startout", "pf-a.txt"); }),
            "startout : \"pf-a.txt\" is the input file \"pf-a.txt\": not overwritten");
  EXPECT_EQ(faultOf([&] { refuseInputAsOutput(c.io, "startout", "pf-a-o.txt"); }), "");
  EXPECT_EQ(c.files.contents["pf-a.txt"], "script");

  // on disk, a link reaches the same file under another name
  char dir[] = "/tmp/pf-files-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string base(dir);
  std::ofstream(base + "/in.txt") << "keep me\n";
  ASSERT_EQ(symlink((base + "/in.txt").c_str(), (base + "/out.txt").c_str()), 0);
  ASSERT_EQ(mkdir((base + "/folder.txt").c_str(), 0700), 0);
  DiskFiles disk;
  std::istringstream none;
  std::ostringstream out;
  Io io(Program::calculator, none, out, disk);
  io.noteInput(base + "/in.txt");
  EXPECT_TRUE(disk.sameFile(base + "/in.txt", base + "/out.txt"));
  EXPECT_NE(faultOf([&] { refuseInputAsOutput(io, "startout", base + "/out.txt"); }), "");
  EXPECT_EQ(faultOf([&] { refuseInputAsOutput(io, "startout", base + "/new.txt"); }), "");
  EXPECT_TRUE(disk.isFolder(base + "/folder.txt"));
  EXPECT_EQ(disk.openRead(base + "/folder.txt"), nullptr) << "a folder is never read";
  EXPECT_EQ(disk.openRead(base + std::string("/in.txt\0x", 9)), nullptr);
  EXPECT_EQ(disk.openWrite(base + std::string("/in\0.txt", 9), false), nullptr);
  // a read fault of the system is an end of reading, not an exception
  std::ifstream folder(base + "/folder.txt", std::ios::binary);
  std::string line;
  EXPECT_FALSE(readLine(folder, line));
  EXPECT_TRUE(atEnd(folder));
  std::ifstream kept(base + "/in.txt");
  ASSERT_TRUE(readLine(kept, line));
  EXPECT_EQ(line, "keep me");
  std::system(("rm -rf " + base).c_str());
}

TEST(FatalReport, EveryOpenDestinationGetsIt) {
  Console c("\n");
  c.openLog();
  c.io.openOutput(kOutfile, "o.txt", false);
  c.io.putstr(0, "partial results", 0, kToResultsLog);
  reportBombed(c.io, Bombed("readthermo", "bad entry", 0));
  std::string report = "\n\n BOMBED in readthermo : bad entry\n\n";
  EXPECT_EQ(c.out.str(), report + "\nhit return to exit program\n\n");
  EXPECT_EQ(c.files.contents["o.txt"], "partial results" + report);
  EXPECT_EQ(c.log(), "partial results" + report);
  EXPECT_FALSE(c.io.isOpen(kOutfile));
  EXPECT_FALSE(c.io.isOpen(kLogfile));

  // a token held in the message is shown with its NUL in every destination
  Console d("\n");
  d.openLog();
  reportBombed(d.io, Bombed("reading", std::string("expecting a name; got: 1\0", 25), 0));
  EXPECT_NE(d.out.str().find("got: 1\\0\n"), std::string::npos);
  EXPECT_NE(d.log().find("got: 1\\0\n"), std::string::npos);
}

TEST(FatalReport, InternalFaultsAskToBeReported) {
  Console c("");  // the wait accepts end of input
  reportBombed(c.io, Bombed("setup", "unknown code", 1));
  EXPECT_NE(c.out.str().find("===This shouldn't have happened...==="), std::string::npos);
  EXPECT_NE(c.out.str().find("with full details, relevant files etc etc"), std::string::npos);
  Console d("");
  reportBombed(d.io, Bombed("setup", "x", 0));
  EXPECT_EQ(d.out.str().find("shouldn't"), std::string::npos);
}

TEST(KillReport, MarksEveryOpenFile) {
  Console c("");
  c.openLog();
  c.io.openOutput(kOutfile, "o.txt", false);
  c.io.openOutput(kOfile, "px.txt", false);
  c.io.openOutput(kPostScript, "copy.ps", false);
  c.io.openOutput(kSecondFile, "a.txt", false);
  reportKilled(c.io);
  const std::string marker = "***\xCArun killed ***";
  EXPECT_EQ(c.out.str(), "\nrun killed\n");
  EXPECT_EQ(c.files.contents["o.txt"], "\r\r" + marker);
  EXPECT_EQ(c.log(), "\r\r" + marker);
  EXPECT_EQ(c.files.contents["px.txt"], "\n" + marker + "\n");
  EXPECT_EQ(c.files.contents["a.txt"], "\r\r" + marker);
  const std::string& ps = c.files.contents["copy.ps"];
  EXPECT_EQ(ps.substr(ps.size() - marker.size() - 17), "(" + marker + ") show\nshowpage\n");
  EXPECT_TRUE(c.io.outputcontrol.empty());

  Console p("\n", Program::plotter);
  p.io.openOutput(kLogfile, "px-log.txt", false);
  reportKilled(p.io);
  EXPECT_EQ(p.out.str(), "\n\nrun killed: hit return to exit program");
  EXPECT_EQ(p.files.contents["px-log.txt"], "\r\r" + marker);
}

TEST(Closeall, EndsLinesAndFinishesPostScript) {
  Console c("");
  c.openLog();
  c.io.openOutput(kPostScript, "copy.ps", false);
  c.io.putstr(0, "open line", 0, kToLog);
  closeall(c.io);
  EXPECT_EQ(c.log(), "open line\n");
  const std::string& ps = c.files.contents["copy.ps"];
  EXPECT_EQ(ps.substr(ps.size() - 9), "showpage\n");
  EXPECT_TRUE(c.io.outputcontrol.empty());
}

}  // namespace pf

namespace pf {

TEST(OutputFile, NamedFromPrefixAndCutSuffixAndEmptied) {
  Console c("");
  c.files.contents["pf-abcdefghijklmnopqrst.txt"] = "old results";
  ASSERT_TRUE(openOutputFile(c.io, kOutfile, "pf-", "abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ(c.io.outputName(kOutfile), "pf-abcdefghijklmnopqrst.txt");
  EXPECT_EQ(c.files.contents["pf-abcdefghijklmnopqrst.txt"], "");
  EXPECT_TRUE(c.io.outputcontrol.contains(kOutfile));
}

}  // namespace pf
