// The end-member choice in tests: an a-x text read against the demo dataset,
// a console with answers, and systems of dataset end-members made into the
// run's list as the choice makes it.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "calc/ax/axfile.h"
#include "calc/endmembers/choice.h"
#include "calc/settings/oxides.h"
#include "tests/calc/settings/dialogue.h"
#include "tests/calc/thermo/test_support.h"

namespace pf::testing {

inline const std::string& demoAxFile() {
  static const std::string text =
      readWholeFile(std::string(PF_SOURCE_DIR) + "/examples/pf-demoax.txt");
  return text;
}

struct ChoiceRun {
  Dialogue d;
  Dataset ds = demoSetup();
  PhaseTables phases;
  OxideTable oxides = makeOxideTable();
  ScriptSettings script = scriptDefaults();

  explicit ChoiceRun(const std::string& answers, const std::string& axText = demoAxFile(),
                     const std::string& scriptText = "")
      : d(answers) {
    if (!scriptText.empty()) script = scriptOf(scriptText);
    AxSetup setup;
    setup.dataset = &ds;
    setup.script = &script;
    std::istringstream file(axText);
    setupphases(d.io, phases, setup, file, "pf-test.txt");
  }
  ChoiceInputs inputs() { return ChoiceInputs{phases, ds, oxides, script}; }
  EndMemberChoice choose(int calcCode, int diagrammode = kDiagramPT, const std::string& lna = "") {
    ChoiceRequest request;
    request.calcCode = calcCode;
    request.diagrammode = diagrammode;
    request.lnaAxis = lna;
    return extractem(d.io, inputs(), request);
  }
};

// Dataset end-members as the run's list: unit activities, the dataset's
// covariances, the choice's composition matrix.
inline RunEndMembers systemOf(const std::vector<std::string>& names) {
  Dataset ds = demoDataset(names);
  RunEndMembers run;
  run.names = {""};
  run.em = {EndMember{}};
  run.activity = {0};
  run.sdActivity = {0};
  for (int e = 1; e <= ds.endMembers; ++e) {
    run.names.push_back(ds.em[e].name);
    run.em.push_back(ds.em[e]);
    run.activity.push_back(1);
    run.sdActivity.push_back(0);
  }
  run.cov = ds.cov;
  compositionMatrix(run, makeOxideTable());
  return run;
}

inline std::vector<std::string> namesOf(const RunEndMembers& run) {
  return std::vector<std::string>(run.names.begin() + 1, run.names.end());
}

}  // namespace pf::testing
