// Shared pieces of the thermo tests: the demo dataset, a quiet console.
#pragma once

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calc/thermo/dataset.h"
#include "calc/thermo/gibbs.h"
#include "common/files.h"
#include "common/io.h"
#include "tests/common/console_fixture.h"

namespace pf::testing {

inline std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline const std::string& demoText() {
  static const std::string text =
      readWholeFile(std::string(PF_SOURCE_DIR) + "/examples/pf-ds6demo.txt");
  return text;
}

inline Dataset demoSetup() {
  Dataset ds;
  std::istringstream file(demoText());
  setuptextread(ds, file, "pf-ds6demo.txt");
  return ds;
}

// The demo dataset with the named end-members read, in that order.
inline Dataset demoDataset(const std::vector<std::string>& names) {
  Dataset ds = demoSetup();
  makep(ds, names);
  readthermo(ds);
  return ds;
}

// Every end-member of the demo dataset, in file order (index 0 unused); a run
// takes at most 200 at a time, so they are read in two batches.
inline std::vector<EndMember> allDemoEndMembers() {
  Dataset ds = demoSetup();
  std::vector<EndMember> all(1);
  for (int first = 1; first <= ds.entries; first += kMaxEndMembers) {
    int last = std::min(ds.entries, first + kMaxEndMembers - 1);
    std::vector<std::string> batch(ds.names.begin() + first, ds.names.begin() + last + 1);
    makep(ds, batch);
    readthermo(ds);
    all.insert(all.end(), ds.em.begin() + 1, ds.em.end());
  }
  return all;
}

using pf::Console;  // an Io on empty console input whose output is kept

}  // namespace pf::testing
