#include "common/session.h"

#include <cstdlib>

#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

Real machineEpsilon() {
  static const Real epsilon = [] {
    volatile Real value = 1;
    for (int i = 0; i < 100; ++i) {
      volatile Real next = value / 2;
      volatile Real sum = 1 + next;
      if (sum == 1) break;
      value = next;
    }
    return static_cast<Real>(value);
  }();
  return epsilon;
}

std::string logFileName(Program program) {
  return program == Program::calculator ? "pf-log.txt" : "px-log.txt";
}

std::string dataFileName(const std::string& prefix, const std::string& suffix) {
  return prefix + cut20(suffix) + ".txt";
}

std::string makeDateStamp(const std::tm& when) {
  static const char* const days[] = {" on Sun ", " on Mon ", " on Tue ", " on Wed ",
                                     " on Thu ", " on Fri ", " on Sat "};
  static const char* const months[] = {" Jan,", " Feb,", " Mar,", " Apr,", " May,", " Jun,",
                                       " Jul,", " Aug,", " Sep,", " Oct,", " Nov,", " Dec,"};
  std::string stamp =
      std::to_string(when.tm_hour) + (when.tm_min < 10 ? ".0" : ".") + std::to_string(when.tm_min);
  stamp += when.tm_wday >= 0 && when.tm_wday < 7 ? days[when.tm_wday] : "noday? ";
  stamp += std::to_string(when.tm_mday);
  stamp += when.tm_mon >= 0 && when.tm_mon < 12 ? months[when.tm_mon] : "nomonth?";
  stamp += std::to_string(when.tm_year + 1900);
  return stamp;
}

std::tm stampTime() {
  std::tm result{};
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    long long seconds = std::strtoll(epoch, &end, 10);
    if (end != nullptr && *end == '\0') {
      std::time_t t = static_cast<std::time_t>(seconds);
      gmtime_r(&t, &result);
      return result;
    }
  }
  std::time_t now = std::time(nullptr);
  localtime_r(&now, &result);
  return result;
}

void startout(Io& io, Prefs& prefs, const std::string& programName) {
  io.roundingUnit = machineEpsilon();
  io.programName = programName;
  io.outputcontrol = BSet{};
  io.outputcontrol.include(kConsole);
  io.putstr(0, programName, 0, kToConsole);
  readprefs(io, prefs);
  refuseInputAsOutput(io, "startout", logFileName(io.program()));
  if (!io.openOutput(kLogfile, logFileName(io.program()), false))
    bomb("startout", "couldn't open \"" + logFileName(io.program()) + "\"");
  io.putstr(0, "[display/print with fixed width font (eg Monaco)]", 2, kToLog);
  io.endLine(kToConsoleLog);
  io.dateStamp = makeDateStamp(stampTime());
}

bool openOutputFile(Io& io, int member, const std::string& prefix, const std::string& suffix) {
  return io.openOutput(member, dataFileName(prefix, suffix), false);
}

std::unique_ptr<std::istream> promptdatafile(Io& io, const std::string& prefix, std::string& suffix,
                                             const std::string& what, std::string& fullName) {
  if (suffix.empty()) {
    std::string question = what.empty() ? std::string("suffix to name for datafile")
                                        : "suffix to name for " + what + " datafile";
    suffix = promptstring(io, question, kMaxToken);
  }
  if (suffix.empty()) bomb("promptdatafile", "expecting a suffix for data filename");
  fullName = dataFileName(prefix, suffix);
  if (!usableFileName(fullName))
    bomb("promptdatafile", "control character in file name " + quoted(fullName));
  refuseFolder(io, "promptdatafile", fullName);
  auto file = io.files().openRead(fullName);
  if (!file) {
    io.putstr(1, "cannot locate file " + quoted(fullName), 1, kToAll);
    bomb("promptdatafile", "datafile needed");
  }
  io.noteInput(fullName);
  return file;
}

void refuseInputAsOutput(Io& io, const std::string& procedure, const std::string& name) {
  for (const std::string& input : io.inputs())
    if (input == name || io.files().sameFile(input, name))
      bomb(procedure, quoted(name) + " is the input file " + quoted(input) + ": not overwritten");
}

void refuseFolder(Io& io, const std::string& procedure, const std::string& name) {
  if (io.files().isFolder(name))
    bomb(procedure, "cannot open " + quoted(name) + ": it is a folder");
}

void closeall(Io& io) {
  io.endLine(kToConsole);
  for (int member : {kOutfile, kLogfile, kOfile, kSecondFile})
    if (io.isOpen(member)) io.putstr(0, "", 1, 1u << member);
  if (io.isOpen(kPostScript)) {
    io.endLine(1u << kPostScript);
    io.writeRaw(kPostScript, "showpage\n");
  }
  for (int member : {kOutfile, kLogfile, kPostScript, kOfile, kSecondFile}) io.closeOutput(member);
  io.outputcontrol = BSet{};
}

namespace {

std::string reportText(const Bombed& fault) {
  // the message may carry a token as it was read: its control characters are shown
  std::string text = "\n\n BOMBED in " + visibleText(fault.procedure) + " : " +
                     visibleText(fault.message) + "\n\n";
  if (fault.kind == 1) {
    text +=
        "\n===This shouldn't have happened...===\n\n"
        "please let the maintainers know, at phaseforge-support@example.org,\n\n"
        "with full details, relevant files etc etc\n\n";
  }
  return text;
}

void waitForReturn(Io& io) {
  std::string ignored;
  io.readConsoleLine(ignored);  // end of input is as good as Return
}

void closeFiles(Io& io) {
  for (int member : {kOutfile, kLogfile, kPostScript, kOfile, kSecondFile}) io.closeOutput(member);
}

}  // namespace

void reportBombed(Io& io, const Bombed& fault) {
  std::string text = reportText(fault);
  if (io.outputcontrol.contains(kConsole)) {
    // line by line, so that the console's cut applies to each line alone
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      io.putstr(0, text.substr(start, end - start), 1, kToConsole);
    io.putstr(1, "hit return to exit program", 2, kToConsole);
    waitForReturn(io);
  }
  for (int member : {kOutfile, kLogfile})
    if (io.isOpen(member)) io.writeRaw(member, text);
  closeFiles(io);
  io.outputcontrol = BSet{};
}

void reportKilled(Io& io) {
  const std::string marker = std::string("***") + kHardBlank + "run killed ***";
  const std::string psMarker = "(" + marker + ") show";
  if (io.program() == Program::calculator) {
    io.putstr(1, "run killed", 1, kToConsole);
    // the second results file is marked like the first, so neither passes for complete
    for (int member : {kOutfile, kLogfile, kSecondFile})
      if (io.isOpen(member)) io.writeRaw(member, "\r\r" + marker);
    if (io.isOpen(kPostScript)) io.writeRaw(kPostScript, psMarker + "\nshowpage\n");
    if (io.isOpen(kOfile)) io.writeRaw(kOfile, "\n" + marker + "\n");
  } else {
    io.putstr(2, "run killed: hit return to exit program", 0, kToConsole);
    waitForReturn(io);
    for (int member : {kOutfile, kLogfile, kOfile})
      if (io.isOpen(member)) io.writeRaw(member, "\r\r" + marker);
    if (io.isOpen(kPostScript)) io.writeRaw(kPostScript, "\r\r" + psMarker);
  }
  closeFiles(io);
  io.outputcontrol = BSet{};
}

[[noreturn]] void bomb(const std::string& procedure, const std::string& message, int kind) {
  throw Bombed(procedure, message, kind);
}

[[noreturn]] void killrun() {
  throw RunKilled();
}

}  // namespace pf
