// The reaction finder shared by mode 3 (reactions between end-members),
// average P-T and the phase-diagram set-up.
//
// The caller hands over the system as the run's flat end-member list
// (`RunEndMembers`: its composition matrix is all the finder reads) and a
// small options struct saying who is asking, what stops the search and what
// is left out; the finder returns a plain `ReactionSet`. It writes only its
// own report lines (opening line, progress characters, the closing counts)
// to the console and log; it never reads another mode's state.
//
// The search runs through the subsets of the system's components (k = 1, 2,
// ... components, each size in lexicographic order); for each subset it takes
// the end-members made only of those components, finds the rank r of their
// composition matrix and forms the reaction of every subset of r + 1 of them
// (lexicographic order), skipping a subset that holds an excluded
// end-member, a whole excluded assemblage, or the end-members of a reaction
// already found. Mode 3 also forms the intersections (invariant points) of
// every two reactions of the subset.
#pragma once

#include <bitset>
#include <functional>
#include <vector>

#include "calc/reactions/integer_algebra.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"

namespace pf {

inline constexpr int kMaxReactions = 200;       // the reaction table
inline constexpr int kMaxMode3Reactions = 150;  // mode 3 stops here
inline constexpr int kMaxIntersections = 200;   // the intersection table
inline constexpr int kMaxFoundSets = 600;       // end-member sets of reactions found
inline constexpr int kMaxAvptIndependent = 20;  // independent reactions in average P-T
inline constexpr int kMaxPhaseDiagramIndependent = 80;
inline constexpr int kMaxIntersectionReactions = 21;
inline constexpr int kNoProgressReactions = 400;  // formed without one kept: ask to stop
inline constexpr int kPhaseDiagramSubsetReactions = 30;
inline constexpr int kProgressLine = 80;  // progress characters per line

// A set of the run's end-members by internal number (1..200).
using EndMemberSet = std::bitset<kMaxEndMembers + 1>;
// True when every member of a is in b (an empty a is in every set).
inline bool contains(const EndMemberSet& b, const EndMemberSet& a) {
  return (a & ~b).none();
}
EndMemberSet membersOf(const Reaction& reaction);

enum class FinderCaller { reactions, averagePT, phaseDiagram };

// The verdict of average P-T's linearity test on an independent reaction,
// shown as its progress character: '0' no slopes in the window, ':' too
// curved, 'X' kept.
using LinearityTest = std::function<char(const Reaction&)>;

struct FinderOptions {
  FinderCaller caller = FinderCaller::reactions;
  // mode 3: form the intersections as well (the Schreinemakers analysis);
  // false when only the reactions are sought
  bool intersections = true;
  // mode 3 with solid solutions handled one end-member at a time: the
  // opening line says so
  bool oneEndMemberPerPhase = false;
  std::vector<int> excludedEndMembers;                // internal numbers
  std::vector<std::vector<int>> excludedAssemblages;  // each a set of internal numbers
  // average P-T: the linearity test of each independent reaction (none: all kept)
  LinearityTest linearity;
  // write the progress characters of average P-T and phase-diagram set-up
  bool progress = true;
};

struct Intersection {
  std::vector<int> phases;     // end-members that take part, increasing
  std::vector<int> reactions;  // indices into ReactionSet::reactions, increasing
};

struct ReactionSet {
  std::vector<Reaction> reactions;  // each [1..n]
  std::vector<EndMemberSet> members;
  IndependentSet independent;  // averagePT and phaseDiagram: the kept reactions
  std::vector<Intersection> intersections;
  int rank = 0;    // of the whole system's composition matrix
  int needed = 0;  // end-members - rank: the independent reactions there are
  bool incompleteReactions = false;
  bool incompleteIntersections = false;
  // set when the system has no components, or fewer than 2 end-members
  bool degenerate = false;
};

// Finds the reactions (and, in mode 3, the intersections) of the system,
// and writes the caller's report: in mode 3 the excluded lists, the
// INCOMPLETE notes and the counts (console, results and log); in average P-T
// whether the independent set is complete.
ReactionSet findreactions(Io& io, const RunEndMembers& run, const FinderOptions& options);

// The reaction as text: reactants, " = ", products, e.g. "2ky + q = ab".
std::string equation(const Reaction& reaction, const std::vector<std::string>& names);

// Rank of the composition matrix of the end-members in `members` over all components.
int systemRank(const RunEndMembers& run, const std::vector<int>& members);

}  // namespace pf
