#include "common/io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <streambuf>

#include "common/bomb.h"
#include "common/session.h"
#include "common/text.h"
#include "console_fixture.h"

namespace pf {

TEST(Putstr, LineEndsBeforeAndAfter) {
  Console c("");
  c.io.putstr(0, "a", 0, kToConsole);
  c.io.putstr(0, "b", 1, kToConsole);
  c.io.putstr(1, "c", 2, kToConsole);
  c.io.putstr(7, "d", 9, kToConsole);
  EXPECT_EQ(c.out.str(), "ab\n\nc\n\n\n\nd\n\n");
}

TEST(Putstr, SendsOnlyToOpenDestinations) {
  Console c("");
  c.io.putstr(0, "console only", 1, kToConsoleLog);  // log closed
  EXPECT_EQ(c.out.str(), "console only\n");
  EXPECT_FALSE(c.files.exists("pf-log.txt"));
  c.openLog();
  c.io.openOutput(kOutfile, "out.txt", false);
  c.io.putstr(0, "results", 1, kToResultsLog);
  c.io.putstr(0, "log", 1, kToLog);
  EXPECT_EQ(c.out.str(), "console only\n");
  EXPECT_EQ(c.log(), "results\nlog\n");
  EXPECT_EQ(c.files.contents["out.txt"], "results\n");
  c.io.closeOutput(kOutfile);
  c.io.putstr(0, "after", 1, kToAll);
  EXPECT_EQ(c.files.contents["out.txt"], "results\n");
  EXPECT_EQ(c.log(), "results\nlog\nafter\n");
  // the second results file takes only what is addressed to it
  c.io.openOutput(kSecondFile, "a.txt", false);
  c.io.putstr(0, "main", 1, kToAll);
  c.io.putstr(0, "x = 1;", 1, kToSecondFile);
  EXPECT_EQ(c.files.contents["a.txt"], "x = 1;\n");
  EXPECT_EQ(c.log(), "results\nlog\nafter\nmain\n");
  closeall(c.io);
  EXPECT_FALSE(c.io.isOpen(kSecondFile));
}

TEST(Putstr, CutsLongConsoleLinesAtPageWidth) {
  Console c("");
  c.openLog();
  std::string hundred(100, 'x');
  c.io.putstr(0, hundred, 1, kToConsoleLog);
  EXPECT_EQ(c.out.str(), std::string(78, 'x') + "#\n");
  EXPECT_EQ(c.log(), hundred + "\n");  // files keep the whole line
  c.io.dontwrap = false;
  c.io.putstr(0, hundred, 0, kToConsole);
  EXPECT_EQ(c.out.str().substr(80), hundred);
}

TEST(Putstr, ControlCharactersAreShownOnTheConsoleAndKeptInFiles) {
  Console c;
  c.openLog();
  c.io.putstr(0, std::string("a\0b\x1b[2J\tc\x7f", 10), 1, kToConsoleLog);
  EXPECT_EQ(c.text(), "a\\0b\\x1b[2J\tc\\x7f\n");
  EXPECT_EQ(c.log(), std::string("a\0b\x1b[2J\tc\x7f\n", 11));
}

TEST(Putstr, UnderAUtf8LocaleTheConsoleShowsTheSameCharactersInUtf8) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"\xA5\xA5 no prefs file", "\u2022\u2022 no prefs file"},
      {"T = 600\xA1"
       "C, 5 \xB5m",
       "T = 600\u00B0"
       "C, 5 \u00B5m"},
      {"***\xCArun killed ***", "***\u00A0run killed ***"},
      {"x \xB3 1", "x \u2265 1"},
      {"mark\xA4", "mark\u00A7"},
      // a name typed on a UTF-8 terminal is already UTF-8 and stays as it is
      {"bad name : replace gr\u00FCn with", "bad name : replace gr\u00FCn with"},
      {"\xE2\x82", "\u201A\u00C7"},  // a sequence cut short is single bytes
      {std::string("a\0b", 3), "a\\0b"},
  };
  for (const Case& k : cases) {
    Console c;
    c.openLog();
    c.io.utf8Console = true;
    c.io.putstr(0, k.text, 1, kToConsoleLog);
    EXPECT_EQ(c.text(), k.shown + "\n") << k.text;
    EXPECT_EQ(c.log(), k.text + "\n") << "files keep the bytes";
  }
  Console bytes;
  bytes.io.putstr(0,
                  "\xA5 20\xA1"
                  "C",
                  0, kToConsole);
  EXPECT_EQ(bytes.text(),
            "\xA5 20\xA1"
            "C")
      << "off, the console gets the bytes";

  // the console's cut counts the bytes of the text, as without UTF-8
  Console cut;
  cut.io.utf8Console = true;
  cut.io.putstr(0, std::string(77, 'x') + "\xA1\xA1\xA1", 0, kToConsole);
  EXPECT_EQ(cut.text(), std::string(77, 'x') + "\u00B0#");
}

TEST(Putstr, TheLocaleSaysWhetherTheConsoleIsUtf8) {
  struct Case {
    const char* all;
    const char* ctype;
    const char* lang;
    bool utf8;
  };
  const Case cases[] = {
      {nullptr, nullptr, "en_GB.UTF-8", true}, {nullptr, nullptr, "C.utf8", true},
      {nullptr, "de_DE.UTF-8", "C", true},     {"C", "de_DE.UTF-8", "en_GB.UTF-8", false},
      {"", "", "fr_FR.Utf-8", true},           {nullptr, nullptr, nullptr, false},
      {"POSIX", nullptr, nullptr, false},      {nullptr, "en_US.ISO-8859-1", "C.UTF-8", false},
  };
  for (const Case& k : cases)
    EXPECT_EQ(localeIsUtf8(k.all, k.ctype, k.lang), k.utf8)
        << (k.all ? k.all : "-") << " " << (k.ctype ? k.ctype : "-") << " "
        << (k.lang ? k.lang : "-");
}

TEST(Putstr, TheEditorWindowIsNeverThere) {
  Console c("");
  c.io.outputcontrol.include(kEditor);
  try {
    c.io.putstr(0, "x", 1, 2);
    FAIL();
  } catch (const Bombed& b) {
    EXPECT_EQ(b.message, "TE not impemented yet");
  }
}

TEST(Putstr, CalculatorPostScriptCopyShowsEachLine) {
  Console c("");
  ASSERT_TRUE(c.io.openOutput(kPostScript, "copy.ps", false));
  c.io.putstr(0, "P(kbar)", 0, 16);
  c.io.putstr(0, " T", 1, 16);
  c.io.closeOutput(kPostScript);
  const std::string& ps = c.files.contents["copy.ps"];
  EXPECT_EQ(ps.rfind("%!PS", 0), 0u);
  EXPECT_NE(ps.find("36 756 moveto (P\\(kbar\\) T) show\n"), std::string::npos);
}

TEST(Putstr, CalculatorPostScriptStartsNewPages) {
  Console c("");
  c.io.openOutput(kPostScript, "copy.ps", false);
  for (int i = 0; i < 70; ++i) c.io.putstr(0, "line", 1, 16);
  const std::string& ps = c.files.contents["copy.ps"];
  EXPECT_NE(ps.find("showpage\n"), std::string::npos);
  EXPECT_NE(ps.find("36 756 moveto (line) show", ps.find("showpage")), std::string::npos);
}

TEST(Putstr, PlotterPostScriptIsWrittenAsItIs) {
  Console c("", Program::plotter);
  c.io.openOutput(kPostScript, "px.eps", false);
  c.io.putstr(0, "0 0 moveto", 1, 16);
  EXPECT_EQ(c.files.contents["px.eps"], "0 0 moveto\n");
}

TEST(Addfield, AlignsAndMarksOverflow) {
  std::string line;
  addfield(line, "ab", 5);
  addfield(line, "cd", -4);
  addfield(line, "ef", 0);
  addfield(line, "toolong", 3);
  EXPECT_EQ(line, "   abcd  eftoolong");
  addfield(line, 2.5L, 1, Digits::fixed, 6);
  EXPECT_EQ(line.substr(18), "   2.5");

  std::string full(235, 'x');
  addfield(full, "12345", 5);  // exactly 240
  EXPECT_EQ(full.size(), 240u);
  addfield(full, "1", 1);
  EXPECT_EQ(full.back(), kOverflowMark);
  std::size_t size = full.size();
  addfield(full, "1", 1);  // a marked line takes nothing more
  EXPECT_EQ(full.size(), size);
}

TEST(Ordinals, FirstSecondThirdThenTh) {
  EXPECT_EQ(ordinal(1), "1st");
  EXPECT_EQ(ordinal(2), "2nd");
  EXPECT_EQ(ordinal(3), "3rd");
  EXPECT_EQ(ordinal(4), "4th");
  EXPECT_EQ(ordinal(21), "21th");
  EXPECT_EQ(ordinal(200), "200th");
}

TEST(HeapMonitor, ReportsInRoundedKilobytes) {
  Console c("");
  c.io.reportAllocation("cov", 400000);
  EXPECT_EQ(c.out.str(), "");  // counted, not shown
  c.io.monitorheap = true;
  c.io.reportAllocation("c", 7600);
  c.io.reportRelease("cov", 400000);
  EXPECT_EQ(c.out.str(),
            "space allocated for c is 7k; , heap now 398k\n"
            "space disposed for cov; heap size now 7k\n");
  EXPECT_EQ(c.io.heapBytes(), 7600);
}

TEST(Files, LinesEndInLfCrLfOrCr) {
  std::istringstream in("a\r\nb\rc\nd");
  std::string line;
  std::vector<std::string> got;
  while (readLine(in, line)) got.push_back(line);
  EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_TRUE(atEnd(in));
}

// A buffer that hands out one character per refill, with no get area kept
// between calls when asked to: every line end falls on a refill boundary.
class DripBuffer : public std::streambuf {
 public:
  DripBuffer(std::string text, bool keepArea) : text_(std::move(text)), keepArea_(keepArea) {}

 protected:
  int_type underflow() override {
    if (at_ >= text_.size()) return traits_type::eof();
    if (keepArea_) {
      setg(&text_[at_], &text_[at_], &text_[at_] + 1);
      ++at_;
      return traits_type::to_int_type(*gptr());
    }
    return traits_type::to_int_type(text_[at_]);
  }
  int_type uflow() override {
    if (keepArea_) return std::streambuf::uflow();
    if (at_ >= text_.size()) return traits_type::eof();
    return traits_type::to_int_type(text_[at_++]);
  }

 private:
  std::string text_;
  std::size_t at_ = 0;
  bool keepArea_;
};

TEST(Files, LineEndsAcrossRefillsAndUnbufferedStreams) {
  const std::string text = "first\r\nsecond\rthird\n\nlast";
  const std::vector<std::string> want{"first", "second", "third", "", "last"};
  for (bool keepArea : {true, false}) {
    DripBuffer drip(text, keepArea);
    std::istream in(&drip);
    std::string line;
    std::vector<std::string> got;
    while (readLine(in, line)) got.push_back(line);
    EXPECT_EQ(got, want) << "keepArea " << keepArea;
    EXPECT_TRUE(atEnd(in));
  }
  // lines far longer than a file buffer, with a CR LF split across refills
  const std::string path = testing::TempDir() + "pf-long-lines.txt";
  const std::string longLine(70001, 'q');
  {
    std::ofstream out(path, std::ios::binary);
    out << longLine << "\r\n" << std::string(8190, 'w') << "\r\nend";
  }
  std::ifstream file(path, std::ios::binary);
  std::string line;
  ASSERT_TRUE(readLine(file, line));
  EXPECT_EQ(line, longLine);
  ASSERT_TRUE(readLine(file, line));
  EXPECT_EQ(line, std::string(8190, 'w'));
  ASSERT_TRUE(readLine(file, line));
  EXPECT_EQ(line, "end");
  EXPECT_FALSE(readLine(file, line));
  std::remove(path.c_str());
}

}  // namespace pf

namespace pf {

// Output recorded for an Io and replayed on it later, in pieces, is what
// writing it there at once gives: line ends, masks, a long console line cut
// at the page width, the system's bytes shown as UTF-8 on the console only.
TEST(Putstr, RecordedCallsReplayAsWrittenAtOnce) {
  const std::string degree = "T(" + std::string(1, kDegree) + "C)";
  auto write = [&](Io& io) {
    io.putstr(0, "mode", 0, kToAll);
    io.putstr(0, " " + degree, 2, kToConsoleLog);
    io.putstr(1, std::string(97, 'x'), 1, kToAll);
    io.putstr(0, "log only", 1, kToLog);
    io.putstr(0, "drawing", 1, kToOfile);  // not open: nowhere
    io.endLine(kToResultsLog);
  };
  Console direct, later;
  for (Console* c : {&direct, &later}) {
    c->openLog();
    c->io.openOutput(kOutfile, "pf-o.txt", false);
    c->io.pageWidth = 83;
    c->io.utf8Console = true;
  }
  write(direct.io);

  std::vector<PutCall> calls;
  Console worker;
  worker.io.recordFor(later.io, &calls);
  EXPECT_TRUE(worker.io.isOpen(kLogfile));
  EXPECT_FALSE(worker.io.isOpen(kOfile));
  write(worker.io);
  EXPECT_EQ(worker.text(), "");
  later.io.replay(calls, 0, 2);
  later.io.replay(calls, 2, calls.size() + 3);  // past the end: the rest
  later.io.flushOutput(kOutfile);
  direct.io.flushOutput(kOutfile);
  EXPECT_EQ(later.text(), direct.text());
  EXPECT_EQ(later.log(), direct.log());
  EXPECT_EQ(later.file("pf-o.txt"), direct.file("pf-o.txt"));
  EXPECT_NE(direct.text().find("x#\n"), std::string::npos) << direct.text();
}

}  // namespace pf
