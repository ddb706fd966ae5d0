// Systems of end-members for the reaction tests, read from the demo
// dataset: the run's end-member list as the end-member choice would hand it
// over (oxide components, integer compositions, unit activities, the
// dataset's enthalpy covariance).
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "calc/settings/oxides.h"
#include "calc/thermo/gibbs.h"
#include "calc/thermo/run_endmembers.h"
#include "tests/calc/thermo/test_support.h"

namespace pf::testing {

struct DemoSystem {
  Dataset ds;
  RunEndMembers run;
  GibbsSettings settings;
};

inline DemoSystem demoSystem(const std::vector<std::string>& names) {
  DemoSystem s;
  s.ds = demoDataset(names);
  s.settings = gibbsSettings(s.ds);
  RunEndMembers& run = s.run;
  int n = static_cast<int>(names.size());
  run.names.push_back("");
  run.em.push_back(EndMember{});
  run.activity.push_back(0);
  run.sdActivity.push_back(0);
  for (int e = 1; e <= n; ++e) {
    run.names.push_back(names[e - 1]);
    run.em.push_back(s.ds.em[e]);
    run.activity.push_back(1);
    run.sdActivity.push_back(0);
  }
  run.cov.assign((n + 1) * (n + 1), 0);
  for (int p = 1; p <= n; ++p)
    for (int q = 1; q <= n; ++q) run.cov[p * (n + 1) + q] = s.ds.covariance(p, q);
  // components: the oxides of the elements present, oxygen left implicit
  OxideTable oxides = makeOxideTable();
  run.componentRow.push_back(0);
  run.componentNames.push_back("");
  run.divisor.push_back(0);
  run.comp.push_back({});
  for (int row = 1; row <= kElementCount; ++row) {
    if (row == 10 || row == 14) continue;
    std::vector<int> amounts(n + 1, 0);
    bool present = false;
    for (int e = 1; e <= n; ++e) {
      Real amount = elementAmounts(run.em[e])[row];
      amounts[e] = static_cast<int>(std::lround(static_cast<double>(amount)));
      present = present || amounts[e] != 0;
    }
    if (!present) continue;
    const Oxide& oxide = oxides[row - 1];
    run.componentRow.push_back(row);
    run.componentNames.push_back(oxide.oxide);
    run.divisor.push_back(oxide.cations > 0 ? oxide.cations : 1);
    run.comp.push_back(amounts);
  }
  return s;
}

}  // namespace pf::testing
