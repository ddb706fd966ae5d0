// The thermodynamic data that end-members use inside their phases: made
// end-members (`make`), DQF increments and the order switches, from the
// records the dataset reader has read.
//
// A caller chooses phases, asks `makename` for the dataset names they need,
// has the dataset reader select and read those (makep, readthermo), and then
// calls `makeemtd`, which fills `record` of every end-member of the chosen
// phases.
#pragma once

#include <string>
#include <vector>

#include "calc/ax/phases.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/endmember.h"

namespace pf {

// Which phases take part: one flag per solution and per pure phase.
struct PhaseSelection {
  std::vector<bool> solutions;
  std::vector<bool> pures;
  static PhaseSelection all(const PhaseTables& tables);
};

// The dataset names the chosen phases need (their end-members and the
// constituents of made ones), without duplicates, in first-seen order.
std::vector<std::string> makename(const PhaseTables& tables, const PhaseSelection& selection);

// Fills the records of the chosen phases' end-members from ds.em (selected
// and read with at least the names of `makename`). dsmode decides the
// made end-member's marks; regression refuses some makes, as the regression
// does. Bombs ("makeemtd") when a needed name was not read.
void makeemtd(PhaseTables& tables, const Dataset& ds, const PhaseSelection& selection,
              bool regression = false);

// The record of one end-member inside its phase, from its constituents:
// plain (a copy of its dataset record) or made, then the order switches,
// then the DQF. lookup gives the dataset record of a name (nullptr: absent).
struct RecordSource {
  virtual ~RecordSource() = default;
  virtual const EndMember* find(const std::string& name) const = 0;
};
EndMember phaseRecord(const std::string& name, const MakeList& make, bool landau, bool makeordered,
                      const Dqf& dqf, Real z1, Real z2, const RecordSource& source);

// The Landau ordering a constituent brings into a made end-member at 298.15 K.
struct LandauAt298 {
  Real h = 0;
  Real s = 0;
  Real v = 0;
};
LandauAt298 landauAt298(const EndMember& constituent);

}  // namespace pf
