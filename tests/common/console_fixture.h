// A console and a set of in-memory files for driving dialogues in tests.
#pragma once

#include <sstream>
#include <string>

#include "common/files.h"
#include "common/io.h"

namespace pf {

struct Console {
  explicit Console(const std::string& answers = "", Program program = Program::calculator)
      : in(answers), io(program, in, out, files) {}
  void openLog() { io.openOutput(kLogfile, "pf-log.txt", false); }
  std::string log() const { return file("pf-log.txt"); }
  std::string file(const std::string& name) const {
    auto it = files.contents.find(name);
    return it == files.contents.end() ? std::string() : it->second;
  }
  std::string text() const { return out.str(); }

  std::istringstream in;
  std::ostringstream out;
  MemoryFiles files;
  Io io;
};

}  // namespace pf
