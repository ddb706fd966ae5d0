#include "common/prefs.h"

#include <algorithm>

#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/session.h"
#include "common/text.h"

namespace pf {

Prefs defaultPrefs(Program program) {
  Prefs prefs;
  if (program == Program::plotter) {
    prefs.makeps = true;
    prefs.pagewidth = kPlotterPageWidth;
  }
  return prefs;
}

std::string prefsFileName(Program program) {
  switch (program) {
    case Program::calculator:
      return "pf-prefs.txt";
    case Program::plotter:
      return "px-prefs.txt";
  }
  return "prefs.txt";
}

namespace {

// The key alone, or followed by "yes" or any word but "no" and "ask", is on.
bool switchValue(const Tokens& line) {
  if (line.count < 2) return true;
  const std::string& word = line[2];
  return !(word == "no" || word == "ask");
}

// A name follows the key, or follows "yes" after the key.
std::string nameValue(const Tokens& line) {
  return line[2] == "yes" ? line[3] : line[2];
}

// The whole number that follows the key; false when none does.
bool integerValue(const Tokens& line, int& value) {
  std::string message;
  return readInteger(line[2], value, message);
}

void applyCalculatorKey(const std::string& key, const Tokens& line, Prefs& prefs) {
  if (key == "makeps") {
    prefs.makeps = switchValue(line);
  } else if (key == "autoexit") {
    prefs.autoexit = switchValue(line);
  } else if (key == "dontwrap") {
    prefs.dontwrap = switchValue(line);
  } else if (key == "monitorheap") {
    prefs.monitorheap = switchValue(line);
  } else if (key == "onecalc") {
    prefs.onecalc = switchValue(line);
  } else if (key == "dataset") {
    if (line[2] == "ask")
      prefs.dataset = "?";
    else if (line[2] != "no")
      prefs.dataset = cut20(nameValue(line));
  } else if (key == "datafile" || key == "scriptfile") {
    prefs.datafile = cut20(nameValue(line));
  } else if (key == "setpagewidth") {
    int width;
    if (integerValue(line, width)) prefs.pagewidth = std::clamp(width, 80, 250);
  } else if (key == "calcmode") {
    int mode;
    if (integerValue(line, mode)) prefs.calcmode = mode;
  } else if (key == "all-in-one") {
    prefs.allInOne = switchValue(line);
  } else if (key == "utf8console") {
    prefs.utf8console = switchValue(line);
  } else if (key == "newmessages") {
    prefs.newmessages = switchValue(line);
  } else if (key == "strictsyntax") {
    prefs.strictsyntax = switchValue(line);
  } else if (key == "makea") {
    prefs.makea = switchValue(line);
  } else if (key == "drawnames") {
    prefs.drawnames = switchValue(line);
  } else if (key == "gridlimit") {
    int limit;
    if (integerValue(line, limit) && limit > 0) prefs.gridlimit = limit;
  } else if (key == "threads") {
    int threads;
    if (integerValue(line, threads) && threads > 0) prefs.threads = threads;
  }
  // axfile, setpagelength and unknown keys are accepted and ignored
}

void applyPlotterKey(const std::string& key, const Tokens& line, Prefs& prefs) {
  if (key == "makeps") {
    prefs.makeps = switchValue(line);
  } else if (key == "makeo") {
    prefs.makeo = switchValue(line);
  } else if (key == "autoexit") {
    prefs.autoexit = switchValue(line);
  } else if (key == "dontwrap") {
    prefs.dontwrap = switchValue(line);
  } else if (key == "monitorheap") {
    prefs.monitorheap = switchValue(line);
  } else if (key == "onecalc") {
    prefs.onecalc = switchValue(line);
  } else if (key == "dataset") {
    if (line[2] == "ask")
      prefs.dataset = "?";
    else if (line[2] != "no")
      prefs.dataset = cut20(nameValue(line));
  } else if (key == "datafile") {
    prefs.datafile = cut20(nameValue(line));
  } else if (key == "scriptfile") {
    prefs.scriptfile = cut20(nameValue(line));
  } else if (key == "axfile") {
    prefs.axfile = cut20(nameValue(line));
  } else if (key == "calcmode") {
    int mode;
    if (integerValue(line, mode)) prefs.calcmode = mode;
  } else if (key == "all-in-one") {
    prefs.allInOne = switchValue(line);
  } else if (key == "utf8console") {
    prefs.utf8console = switchValue(line);
  } else if (key == "newmessages") {
    prefs.newmessages = switchValue(line);
  } else if (key == "strictsyntax") {
    prefs.strictsyntax = switchValue(line);
  }
}

void reportNoPrefs(Io& io, const std::string& name) {
  io.putstr(1, std::string(2, kBullet) + " no prefs file \"" + name + "\"", 0, kToConsoleLog);
}

}  // namespace

void readprefs(Io& io, Prefs& prefs) {
  prefs = defaultPrefs(io.program());
  std::string name = prefsFileName(io.program());
  std::unique_ptr<std::istream> file;
  refuseFolder(io, "readprefs", name);
  if (io.program() == Program::plotter) {
    if (!io.files().exists(name)) {
      reportNoPrefs(io, name);
    } else {
      file = io.files().openRead(name);
      if (!file) bomb("readprefs", "couldn't open \"" + name + "\"");
    }
  } else {
    file = io.files().openRead(name);
    if (!file) reportNoPrefs(io, name);
  }
  if (file) {
    io.noteInput(name);
    Tokens line;
    while (!atEnd(*file)) {
      rstringsc(io, *file, line);
      if (line.count == 0) continue;
      if (line[1][0] == '*') break;
      if (io.program() == Program::calculator)
        applyCalculatorKey(line[1], line, prefs);
      else
        applyPlotterKey(line[1], line, prefs);
    }
  }
  io.dontwrap = prefs.dontwrap;
  if (!prefs.utf8console) io.utf8Console = false;
  io.monitorheap = prefs.monitorheap;
  io.pageWidth = io.program() == Program::plotter ? kPlotterPageWidth : prefs.pagewidth;
  if (io.program() == Program::plotter) prefs.pagewidth = kPlotterPageWidth;
  if (prefs.allInOne && io.program() == Program::calculator)
    io.putstr(2, "all-in-one will soon not be available", 2, kToConsole);
}

}  // namespace pf
