// The run's flat list of end-members, as modes 0, 2 and 3 calculate with it:
// filled by the end-member choice, read by the tables, the reaction finder
// and average P-T. Every index runs from 1; index 0 is unused throughout, as
// in the dataset's own tables.
#pragma once

#include <string>
#include <vector>

#include "calc/thermo/endmember.h"
#include "common/real.h"

namespace pf {

struct RunEndMembers {
  // per end-member, [1..n]
  std::vector<std::string> names;
  std::vector<EndMember> em;     // records as used inside their phases: DQF,
                                 // made end-members and order switches in effect
  std::vector<Real> activity;    // 1 for a pure end-member
  std::vector<Real> sdActivity;  // sd(a), the absolute uncertainty
  std::vector<Real> cov;         // enthalpy covariance, (n + 1)^2, row and column 0 unused

  // the system's components, [1..nc]: rows of the oxide table
  std::vector<int> componentRow;            // oxide-table row (1..19)
  std::vector<std::string> componentNames;  // the oxide names
  std::vector<int> divisor;                 // atoms of the row's element per oxide formula
                                            // (1 where the oxide has no cation)
  // composition matrix comp[c][e]: atoms of component c's element in one
  // formula unit of end-member e, integers
  std::vector<std::vector<int>> comp;

  int count() const { return static_cast<int>(names.size()) - 1; }
  int components() const { return static_cast<int>(componentRow.size()) - 1; }
  Real covariance(int p, int q) const { return cov[p * (count() + 1) + q]; }
};

}  // namespace pf
