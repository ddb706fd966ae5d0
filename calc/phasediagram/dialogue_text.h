// Text that the bulk composition and projection plane dialogues share: a
// line for the console and the log, a list of names, and the block of
// script lines written to the log so that a run can give its answers again.
#pragma once

#include <string>
#include <vector>

#include "common/io.h"

namespace pf {

inline void consoleLogLine(Io& io, const std::string& text) {
  io.putstr(0, text, 1, kToConsoleLog);
}

// Each name with a blank before it.
inline std::string spacedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += " " + n;
  return text;
}

// The script lines for `what` ("bulk composition", "projection plane")
// between rules in the log, and a note on the console that they are there.
inline void scriptSnippet(Io& io, const std::string& what, const std::vector<std::string>& lines) {
  const std::string rule = "% " + std::string(48, '-');
  io.putstr(0, "% [script to enter the " + what + " info]", 1, kToLog);
  io.putstr(0, rule, 1, kToLog);
  for (const std::string& text : lines) io.putstr(0, text, 1, kToLog);
  io.putstr(0, rule, 1, kToLog);
  io.putstr(0, "[script for entering the " + what + " info in log file]", 1, kToConsole);
}

}  // namespace pf
