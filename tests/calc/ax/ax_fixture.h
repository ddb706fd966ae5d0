// Shared pieces of the a-x tests: the demo dataset and a-x file, a-x texts
// read into tables, and the records of their end-members.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "calc/ax/activity.h"
#include "calc/ax/axfile.h"
#include "calc/ax/made_endmembers.h"
#include "calc/ax/phases.h"
#include "calc/settings/script.h"
#include "common/bomb.h"
#include "tests/calc/thermo/test_support.h"

namespace pf::testing {

inline const std::string& demoAxText() {
  static const std::string text =
      readWholeFile(std::string(PF_SOURCE_DIR) + "/examples/pf-demoax.txt");
  return text;
}

inline const Dataset& demoDatasetSetup() {
  static const Dataset ds = demoSetup();
  return ds;
}

// An a-x text read against the demo dataset (or another set-up), with console
// answers for the one question the reading may ask.
struct AxRead {
  Console console;
  PhaseTables tables;
  explicit AxRead(const std::string& answers = "") : console(answers) { console.openLog(); }
  void read(const std::string& text, const ScriptSettings* script = nullptr, bool strict = true,
            const Dataset* ds = nullptr, bool batch = false) {
    AxSetup setup;
    setup.dataset = ds != nullptr ? ds : &demoDatasetSetup();
    setup.script = script;
    setup.strictsyntax = strict;
    setup.batchRun = batch;
    std::istringstream file(text);
    setupphases(console.io, tables, setup, file, "pf-test.txt");
  }
  const SolutionPhase& solution(const std::string& name) const {
    return tables.solutions.at(static_cast<std::size_t>(tables.findSolution(name)));
  }
  SolutionPhase& solution(const std::string& name) {
    return tables.solutions.at(static_cast<std::size_t>(tables.findSolution(name)));
  }
  // The dataset records of every end-member the file needs.
  void attachRecords() {
    Dataset ds = demoSetup();
    PhaseSelection all = PhaseSelection::all(tables);
    makep(ds, makename(tables, all));
    readthermo(ds);
    makeemtd(tables, ds, all);
  }
};

// The demo a-x file, read and with its records attached.
inline AxRead& demoAx() {
  static AxRead read;
  static const bool ready = [] {
    read.read(demoAxText());
    read.attachRecords();
    return true;
  }();
  (void)ready;
  return read;
}

// The fault a call stops with; fails the test when it does not stop.
inline Bombed faultOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Bombed& fault) {
    return fault;
  }
  ADD_FAILURE() << "expected a fatal stop";
  return Bombed("", "", -1);
}

constexpr Real kR = 0.0083144L;

}  // namespace pf::testing
