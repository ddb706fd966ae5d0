// An assemblage as its equilibrium equations see it: the phases that take
// part (solutions, pure phases and phases of fixed chemical potential), the
// end-members they bring with their records and compositions over the
// oxide-table components, and the reactions among them.
//
// Indices here run from 0: phases[0] is the first phase of the assemblage,
// endMembers[0] its first end-member, component 0 its first component. The
// `run` member is the same end-members as the flat, 1-based list the
// reaction finder reads: end-member e here is run index e + 1, component c
// is run component c + 1.
#pragma once

#include <string>
#include <vector>

#include "calc/ax/phases.h"
#include "calc/reactions/integer_algebra.h"
#include "calc/thermo/endmember.h"
#include "calc/thermo/run_endmembers.h"
#include "common/real.h"

namespace pf {

// Limits of one calculation, checked with the system's own messages.
inline constexpr int kMaxAssemblageEndMembers = 200;
// Largest factor by which a component's divisor is raised so that every
// end-member's amount of it is a whole number of units.
inline constexpr int kMaxDivisorScale = 720;

enum class PhaseKind { solution, pure, mu };

// What a mode counts: one oxide formula unit (per mole of component oxides)
// or one cation.
enum class ModeBasis { oxide, element };

struct AssemblagePhase {
  PhaseKind kind = PhaseKind::pure;
  int index = -1;  // into tables.solutions or tables.pures; -1 for a mu phase
  std::string name;
  int firstEndMember = 0;  // into Assemblage::endMembers
  int endMemberCount = 0;
  // A phase of fixed chemical potential: G = mu + muPerKelvin * T (kJ), so
  // that a potential given as an activity (mu = RT ln a) follows T.
  Real mu = 0;
  Real muPerKelvin = 0;
};

struct AssemblageEndMember {
  std::string name;
  int phase = 0;   // into Assemblage::phases
  int member = 0;  // its place among the end-members of its solution; 0 otherwise
  // Fixed activity of a pure phase's end-member; the equations read it at
  // every evaluation, so a caller may change it between solves. Unused for
  // solution end-members (their activities come from the a-x model) and for
  // mu phases.
  Real activity = 1;
  int weight = 1;         // w_e of the reaction normalisers: any positive integer
  Real size = 1;          // formula units of the mode basis in one formula unit
  bool excluded = false;  // `exclude` in the a-x file: takes no part in reactions
};

// The caller's choice of phases for makeAssemblage.
struct MuPhasePlan {
  std::string name;
  EndMember record;  // gives the composition; its Gibbs energy is not used
  Real mu = 0;
  Real muPerKelvin = 0;
};
struct AssemblagePlan {
  std::vector<int> solutions;  // indices into tables.solutions, each once
  std::vector<int> pures;      // indices into tables.pures, each once
  std::vector<MuPhasePlan> muPhases;
  // Oxide-table rows (1..19) of the components, in the order wanted (a bulk
  // calculation gives the system's components, so that the assemblage's
  // compositions line up with the bulk). Empty: the rows the end-members
  // hold, in table order. Every row an end-member holds must be listed.
  std::vector<int> componentRows;
  ModeBasis basis = ModeBasis::oxide;
};

struct Assemblage {
  // Solutions first in the order of the phase tables, then pure phases in
  // the order of the tables, then mu phases in the order given.
  std::vector<AssemblagePhase> phases;
  std::vector<AssemblageEndMember> endMembers;  // phase after phase
  // The same end-members for the reaction finder: names, records (as used
  // inside their phases), activities (1 for solution end-members), zero
  // covariances, and the composition matrix comp[c][e] in whole units of
  // each component (the component's amount times divisor[c]).
  RunEndMembers run;
  ModeBasis basis = ModeBasis::oxide;

  int phaseCount() const { return static_cast<int>(phases.size()); }
  int endMemberCount() const { return static_cast<int>(endMembers.size()); }
  int componentCount() const { return run.components(); }
  int solutionCount() const;
  // Amount of component c (0-based) in one formula unit of end-member e
  // (0-based): the whole units divided by the component's divisor.
  Real amount(int c, int e) const;
  const std::string& componentName(int c) const { return run.componentNames[c + 1]; }
};

// Builds the assemblage from the phase tables, whose end-member records must
// have been filled (`makeemtd`). Bombs ("makecrossrefs") past 200 end-members.
Assemblage makeAssemblage(const PhaseTables& tables, const AssemblagePlan& plan);

// The end-members the a-x file excludes, as run numbers (1-based), for the
// reaction finder's options.
std::vector<int> excludedEndMembers(const Assemblage& assemblage);

// The normaliser of a reaction over the run's end-members ([1..n], as the
// reaction finder gives it): max(1, round(sum of |nu_e| w_e / 2)).
int reactionNormaliser(const Assemblage& assemblage, const Reaction& reaction);

// The projection of the mass balance: an invertible integer matrix M
// (components by components) whose last `rankDeficit` rows annihilate the
// composition of every end-member of the assemblage; the identity when the
// composition matrix has full row rank. The first rows are unit rows of the
// components that carry the rank, in component order; each of the last rows
// is a whole-number combination of components that no phase holds.
struct Projection {
  std::vector<std::vector<int>> m;  // [row][component]
  int rankDeficit = 0;
};
Projection projectionFor(const Assemblage& assemblage);

}  // namespace pf
