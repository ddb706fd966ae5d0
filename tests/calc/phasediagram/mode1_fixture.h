// A whole phase-diagram calculation inside a test: the demo dataset and
// a-x file, a script, console answers, and the results, drawing and log
// files in memory.
#pragma once

#include <sstream>
#include <string>

#include "calc/ax/axfile.h"
#include "calc/phasediagram/setup.h"
#include "calc/settings/calc_codes.h"
#include "tests/calc/ax/ax_fixture.h"
#include "tests/calc/settings/dialogue.h"

namespace pf::testing {

struct Mode1Run {
  Dialogue d;
  ScriptSettings script;
  WindowState w;
  Dataset ds;
  PhaseTables tables;
  OxideTable oxides = makeOxideTable();
  PhaseDiagramMemory memory;
  bool drawnames = false;
  int threads = 1;  // of a minimisation

  Mode1Run(const std::string& scriptText, const std::string& answers, bool names = false)
      : d(answers), script(scriptOf(scriptText)), ds(demoSetup()), drawnames(names) {
    d.io.openOutput(kOutfile, "pf-run-o.txt", false);
    d.io.openOutput(kOfile, "pf-run-px.txt", false);
    w.calcCode = kCalcPhaseDiagram;
    AxSetup setup;
    setup.dataset = &ds;
    setup.script = &script;
    std::istringstream file(demoAxText());
    setupphases(d.io, tables, setup, file, "pf-demoax.txt");
  }
  void run() {
    PhaseDiagramContext context{script, w, ds, tables, oxides, memory, drawnames, "run"};
    context.threads = threads;
    nlesetup(d.io, context);
  }
  std::string results() { return d.files.contents["pf-run-o.txt"]; }
  std::string drawing() { return d.files.contents["pf-run-px.txt"]; }
};

// The phase tables of the demo a-x file, read once.
inline const PhaseTables& demoTables() {
  return demoAx().tables;
}

inline bool holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace pf::testing
