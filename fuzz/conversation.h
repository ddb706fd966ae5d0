// Whole calculator runs in memory: the shipped demo files (preferences,
// dataset, a-x file and run scripts) in an in-memory folder, the answers on
// a string console, and an internal fault taken as a finding.
#pragma once

#include <map>
#include <sstream>
#include <string>

#include "calc/driver/calculator.h"
#include "common/files.h"
#include "common/io.h"
#include "fuzz/support.h"

namespace pf::fuzz {

inline const std::map<std::string, std::string>& demoFolder() {
  static const std::map<std::string, std::string> folder = [] {
    std::map<std::string, std::string> files;
    for (const char* name :
         {"pf-prefs.txt", "pf-ds6demo.txt", "pf-demoax.txt", "pf-demo.txt", "pf-isopleths.txt",
          "pf-lines.txt", "pf-loga.txt", "pf-point.txt", "pf-tables.txt", "pf-txco2.txt"})
      files[name] = exampleFile(name);
    return files;
  }();
  return folder;
}

// One run of the calculator on files with answers.
inline void converse(MemoryFiles& files, const std::string& answers) {
  std::istringstream in(answers);
  std::ostringstream out;
  Io io(Program::calculator, in, out, files);
  if (runCalculatorReporting(io) == RunEnd::internalFault)
    finding("calculator run", tail(out.str()));
}

}  // namespace pf::fuzz
