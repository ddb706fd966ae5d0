// Mode-0 test inputs: the run's end-member list built straight from dataset
// records, as the end-member choice would hand it over for pure phases.
#pragma once

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "calc/endmembers/tables.h"
#include "calc/settings/oxides.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/run_endmembers.h"
#include "tests/calc/thermo/test_support.h"

namespace pf::testing {

inline RunEndMembers runOf(const Dataset& ds) {
  RunEndMembers run;
  run.names = {""};
  run.em = {EndMember{}};
  run.activity = {0};
  run.sdActivity = {0};
  std::array<bool, kElementCount + 1> present{};
  for (int e = 1; e <= ds.endMembers; ++e) {
    run.names.push_back(ds.em[e].name);
    run.em.push_back(ds.em[e]);
    run.activity.push_back(1);
    run.sdActivity.push_back(0);
    for (int k = 1; k <= ds.em[e].pairs; ++k) present[ds.em[e].element[k]] = true;
  }
  run.cov = ds.cov;
  OxideTable oxides = makeOxideTable();
  run.componentRow = {0};
  run.componentNames = {""};
  run.divisor = {0};
  for (int row = 1; row <= kElementCount; ++row) {
    if (!present[row]) continue;
    const Oxide& oxide = oxides[static_cast<std::size_t>(row - 1)];
    run.componentRow.push_back(row);
    run.componentNames.push_back(oxide.oxide);
    run.divisor.push_back(oxide.cations > 0 ? oxide.cations : 1);
  }
  run.comp.assign(run.componentRow.size(), std::vector<int>(run.names.size(), 0));
  for (int c = 1; c <= run.components(); ++c) {
    for (int e = 1; e <= run.count(); ++e) {
      auto atoms = elementAmounts(run.em[e]);
      run.comp[c][e] = static_cast<int>(std::lround(atoms[run.componentRow[c]]));
    }
  }
  return run;
}

inline RunEndMembers demoRun(const std::vector<std::string>& names) {
  return runOf(demoDataset(names));
}

// A dataset from text, with the named end-members read.
inline Dataset datasetOf(const std::string& text, const std::string& fileName,
                         const std::vector<std::string>& names) {
  Dataset ds;
  std::istringstream file(text);
  setuptextread(ds, file, fileName);
  makep(ds, names);
  readthermo(ds);
  return ds;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace pf::testing
