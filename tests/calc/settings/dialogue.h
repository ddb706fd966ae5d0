// A conversation run inside a test: console answers in a string, files in
// memory, the log open.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "calc/settings/script.h"
#include "common/bomb.h"
#include "common/files.h"
#include "common/io.h"

namespace pf::testing {

struct Dialogue {
  MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  Io io;

  explicit Dialogue(const std::string& answers = "")
      : in(answers), io(Program::calculator, in, out, files) {
    io.openOutput(kLogfile, "pf-log.txt", false);
  }
  std::string console() const { return out.str(); }
  std::string log() { return files.contents["pf-log.txt"]; }
};

inline const std::string kDeg =
    "\xA1"
    "C";  // degree sign, then C
inline const std::string kMu = "\xB5";

// The settings a script text leaves after one read.
inline ScriptSettings scriptOf(const std::string& text) {
  Dialogue d;
  d.files.contents["s"] = text;
  auto file = d.files.openRead("s");
  ScriptSettings s;
  readscripts(d.io, file, s);
  return s;
}

// The fault a call stops with; fails the test when it does not stop.
inline Bombed bombOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Bombed& fault) {
    return fault;
  }
  ADD_FAILURE() << "expected a fatal stop";
  return Bombed("", "", -1);
}

}  // namespace pf::testing
