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

// A system projected through phases in excess. The excess phases stay in
// the lists of RunEndMembers, behind the end-members the modes see, so that
// their Gibbs energies, activities and enthalpy covariances still count; the
// composition matrix holds only the others, with each column standing for
// scale[e] formula units of end-member e less take[e][x] of excess phase x.
// A reaction between those columns is therefore a true reaction once the
// excess phases' coefficients are added (`withExcess`).
struct ExcessProjection {
  int excess = 0;                       // phases in excess, behind the others
  std::vector<int> scale;               // [1..count()]
  std::vector<std::vector<int>> take;   // [1..count()][1..excess]
  std::vector<std::string> pivotNames;  // [1..excess]: the component each took
};

struct RunEndMembers {
  // per end-member, [1..total()]: the end-members the modes see, then the
  // phases in excess of a projection
  std::vector<std::string> names;
  std::vector<EndMember> em;     // records as used inside their phases: DQF,
                                 // made end-members and order switches in effect
  std::vector<Real> activity;    // 1 for a pure end-member
  std::vector<Real> sdActivity;  // sd(a), the absolute uncertainty
  std::vector<Real> cov;         // enthalpy covariance, (total + 1)^2, row and column 0 unused

  // the system's components, [1..nc]: rows of the oxide table
  std::vector<int> componentRow;            // oxide-table row (1..19)
  std::vector<std::string> componentNames;  // the oxide names
  std::vector<int> divisor;                 // atoms of the row's element per oxide formula
                                            // (1 where the oxide has no cation)
  // composition matrix comp[c][e], e in [1..count()]: atoms of component c's
  // element in one formula unit of end-member e, integers
  std::vector<std::vector<int>> comp;

  ExcessProjection projection;

  int total() const { return static_cast<int>(names.size()) - 1; }
  int count() const { return total() - projection.excess; }
  int components() const { return static_cast<int>(componentRow.size()) - 1; }
  Real covariance(int p, int q) const { return cov[p * (total() + 1) + q]; }
};

// A reaction found among the projected compositions, as the true reaction
// of the end-members it names: each coefficient times its end-member's
// scale, reduced by the greatest common divisor of these and of the excess
// phases' coefficients, [1..count()]. Without a projection, the reaction.
std::vector<int> unproject(const RunEndMembers& run, const std::vector<int>& projected);

// The true reaction of the end-members completed by the excess phases'
// coefficients, [1..total()]; without a projection, the reaction. A reaction
// that the excess phases cannot complete in whole numbers is an internal
// fault ("projection").
std::vector<int> withExcess(const RunEndMembers& run, const std::vector<int>& reaction);

}  // namespace pf
