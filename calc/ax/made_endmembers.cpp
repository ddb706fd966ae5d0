#include "calc/ax/made_endmembers.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "calc/thermo/gibbs.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr const char* kMakeemtd = "makeemtd";

void addName(std::vector<std::string>& names, const std::string& name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

void addNames(std::vector<std::string>& names, const std::string& name, const MakeList& make) {
  if (make.made()) {
    for (const MakeTerm& term : make.terms) addName(names, term.name);
  } else {
    addName(names, name);
  }
}

class DatasetRecords : public RecordSource {
 public:
  explicit DatasetRecords(const Dataset& ds) {
    for (int k = 1; k <= ds.endMembers && k < static_cast<int>(ds.em.size()); ++k)
      byName_.emplace(ds.em[static_cast<std::size_t>(k)].name, &ds.em[static_cast<std::size_t>(k)]);
  }
  const EndMember* find(const std::string& name) const override {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
  }

 private:
  std::map<std::string, const EndMember*> byName_;
};

const EndMember& needed(const RecordSource& source, const std::string& name) {
  const EndMember* em = source.find(name);
  if (em == nullptr) bomb(kMakeemtd, "end-member " + name + " not read from the dataset", 1);
  return *em;
}

// Volume-weighted mean of a slot over the constituents.
Real volumeMean(const std::vector<const EndMember*>& parts, const std::vector<Real>& coef,
                Real volume, int slot) {
  if (volume == 0) return parts.front()->slot[static_cast<std::size_t>(slot)];
  Real sum = 0;
  for (std::size_t k = 0; k < parts.size(); ++k)
    sum += coef[k] * parts[k]->slot[kVolume] * parts[k]->slot[static_cast<std::size_t>(slot)];
  return sum / volume;
}

// The made record: H, S, V and heat capacity summed with the coefficients,
// the Landau ordering of the constituents frozen in at 298.15 K, and the
// volume functions combined so that the made volume keeps the constituents'
// expansion and compressibility at the reference state.
EndMember madeRecord(const std::string& name, const MakeList& make, Real z1, Real z2,
                     const RecordSource& source) {
  std::vector<const EndMember*> parts;
  std::vector<Real> coef;
  for (int k = 0; k < make.count; ++k) {
    parts.push_back(&needed(source, make.terms[static_cast<std::size_t>(k)].name));
    coef.push_back(make.coefficient(k));
  }
  EndMember made;
  made.name = name;
  made.code = parts.front()->code;
  std::map<int, Real> elements;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const EndMember& e = *parts[k];
    for (int slot = kEnthalpy; slot <= kCpd; ++slot)
      made.slot[static_cast<std::size_t>(slot)] += coef[k] * e.slot[static_cast<std::size_t>(slot)];
    LandauAt298 landau = landauAt298(e);
    made.slot[kEnthalpy] += coef[k] * landau.h;
    made.slot[kEntropy] += coef[k] * landau.s;
    made.slot[kVolume] += coef[k] * landau.v;
    for (int pair = 1; pair <= e.pairs; ++pair)
      elements[e.element[static_cast<std::size_t>(pair)]] +=
          coef[k] * e.amount[static_cast<std::size_t>(pair)];
  }
  for (const auto& [element, amount] : elements) {
    if (amount == 0) continue;
    if (made.pairs == kMaxFormulaPairs)
      bomb(kMakeemtd, "made end-member " + name + " has more than 8 elements");
    ++made.pairs;
    made.element[static_cast<std::size_t>(made.pairs)] = element;
    made.amount[static_cast<std::size_t>(made.pairs)] = amount;
    made.atoms += amount;
  }
  const Real v = made.slot[kVolume];
  // slots 8 to 13: expansion and volume-function items, by layout of the
  // same numbers; the bulk modulus combines as its reciprocal
  const bool single = parts.size() == 1;
  for (int slot = 8; slot <= 13; ++slot)
    made.slot[static_cast<std::size_t>(slot)] =
        single ? parts.front()->slot[static_cast<std::size_t>(slot)]
               : volumeMean(parts, coef, v, slot);
  // the bulk modulus sits in slot 9 (layout B) or 11 (layout A); a mean of
  // compressibilities keeps the made volume's reference compressibility
  for (int slot : {kKappa0, kKappa}) {
    if (single || v == 0) continue;
    Real compliance = 0;
    bool usable = true;
    for (std::size_t k = 0; k < parts.size(); ++k) {
      Real kappa = parts[k]->slot[static_cast<std::size_t>(slot)];
      if (!(kappa > 0)) usable = false;
      if (usable) compliance += coef[k] * parts[k]->slot[kVolume] / kappa;
    }
    if (usable && compliance > 0) made.slot[static_cast<std::size_t>(slot)] = v / compliance;
  }
  made.slot[kLandauT] = 0;
  made.slot[kSmax] = -1;
  made.slot[kVmax] = -1;
  bool compound = z1 != 0 || z2 != 0;
  for (std::size_t k = 0; k < parts.size() && compound; ++k)
    made.slot[kAqueousCp] += coef[k] * parts[k]->slot[kAqueousCp];
  made.slot[kCharge1] = z1;
  made.slot[kCharge2] = z2;
  // Bragg-Williams ordering survives only in a plain copy of one end-member
  if (single && make.terms.front().numerator == make.denominator) {
    for (int slot = kSfdh; slot <= kSffac; ++slot)
      made.slot[static_cast<std::size_t>(slot)] =
          parts.front()->slot[static_cast<std::size_t>(slot)];
  } else {
    for (int slot = kSfdh; slot <= kSfn; ++slot) made.slot[static_cast<std::size_t>(slot)] = 0;
    made.slot[kSffac] = 1;
  }
  return made;
}

}  // namespace

PhaseSelection PhaseSelection::all(const PhaseTables& tables) {
  PhaseSelection s;
  s.solutions.assign(tables.solutions.size(), true);
  s.pures.assign(tables.pures.size(), true);
  return s;
}

std::vector<std::string> makename(const PhaseTables& tables, const PhaseSelection& selection) {
  std::vector<std::string> names;
  for (std::size_t s = 0; s < tables.solutions.size(); ++s) {
    if (s >= selection.solutions.size() || !selection.solutions[s]) continue;
    for (const AxEndMember& em : tables.solutions[s].endMembers) addNames(names, em.name, em.make);
  }
  for (std::size_t k = 0; k < tables.pures.size(); ++k) {
    if (k >= selection.pures.size() || !selection.pures[k]) continue;
    const PurePhase& pure = tables.pures[k];
    addNames(names, pure.endMember, pure.make);
  }
  return names;
}

LandauAt298 landauAt298(const EndMember& constituent) {
  LandauAt298 out;
  Real tc = constituent.slot[kLandauT];
  Real smax = constituent.slot[kSmax];
  if (!(tc > kReferenceT) || smax <= 0) return out;
  Real q = std::sqrt(1 - kReferenceT / tc);
  out.h = smax * tc * q * (1 - q * q / 3);
  out.s = smax * q;
  out.v = constituent.slot[kVmax] != -1 ? constituent.slot[kVmax] * q : 0;
  return out;
}

EndMember phaseRecord(const std::string& name, const MakeList& make, bool landau, bool makeordered,
                      const Dqf& dqf, Real z1, Real z2, const RecordSource& source) {
  EndMember record = make.made() ? madeRecord(name, make, z1, z2, source) : needed(source, name);
  if (!landau) {
    record.slot[kLandauT] = 0;
    record.slot[kSmax] = -1;
    record.slot[kVmax] = -1;
  }
  if (!makeordered)
    for (int slot = kSfdh; slot <= kSffac; ++slot) record.slot[static_cast<std::size_t>(slot)] = 0;
  record.slot[kEnthalpy] += dqf.a;
  record.slot[kEntropy] -= dqf.b;
  record.slot[kVolume] += dqf.c;
  return record;
}

void makeemtd(PhaseTables& tables, const Dataset& ds, const PhaseSelection& selection,
              bool regression) {
  DatasetRecords source(ds);
  for (std::size_t s = 0; s < tables.solutions.size(); ++s) {
    if (s >= selection.solutions.size() || !selection.solutions[s]) continue;
    SolutionPhase& phase = tables.solutions[s];
    for (std::size_t l = 0; l < phase.endMembers.size(); ++l) {
      AxEndMember& em = phase.endMembers[l];
      if (regression && em.make.count == 1) {
        const EndMember& only = needed(source, em.make.terms.front().name);
        if (only.slot[kSmax] > 0 || only.slot[kAqueousCp] > 0 || only.slot[kSfn] > 0)
          bomb(kMakeemtd, " wrong type of end-member to make");
      }
      em.record =
          phaseRecord(em.name, em.make, em.landau, em.makeordered, em.dqf, em.z1, em.z2, source);
      if (em.make.made() && ds.dsmode > 2) {
        em.record.slot[kMadePhase] = static_cast<Real>(s + 1);
        em.record.slot[kMadeMark] = static_cast<Real>(l + 1);
      }
      em.hasRecord = true;
      em.aqueousSolute = em.record.slot[kAqueousCp] != 0;
    }
  }
  for (std::size_t k = 0; k < tables.pures.size(); ++k) {
    if (k >= selection.pures.size() || !selection.pures[k]) continue;
    PurePhase& pure = tables.pures[k];
    if (regression && pure.make.made()) bomb("lsqds", "make not allowed");
    pure.record = phaseRecord(pure.endMember, pure.make, pure.landau, pure.makeordered, pure.dqf,
                              pure.z1, pure.z2, source);
    pure.hasRecord = true;
  }
}

}  // namespace pf
