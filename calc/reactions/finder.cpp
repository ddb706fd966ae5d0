#include "calc/reactions/finder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "common/bomb.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

EndMemberSet membersOf(const Reaction& reaction) {
  EndMemberSet set;
  for (std::size_t e = 1; e < reaction.size(); ++e)
    if (reaction[e] != 0) set.set(e);
  return set;
}

namespace {

using ComponentMask = std::uint32_t;
constexpr int kMaxComponents = 31;  // one bit each in a mask

std::string joinedNames(const std::vector<int>& members, const std::vector<std::string>& names) {
  std::string text;
  for (int e : members) {
    if (!text.empty()) text += ' ';
    text += names[e];
  }
  return text;
}

std::string term(int coefficient, const std::string& name) {
  return (coefficient == 1 ? std::string() : std::to_string(coefficient)) + name;
}

}  // namespace

std::string equation(const Reaction& reaction, const std::vector<std::string>& names) {
  std::string left, right;
  for (std::size_t e = 1; e < reaction.size(); ++e) {
    int nu = reaction[e];
    if (nu == 0) continue;
    std::string& side = nu < 0 ? left : right;
    if (!side.empty()) side += " + ";
    side += term(std::abs(nu), names[e]);
  }
  return left + " = " + right;
}

int systemRank(const RunEndMembers& run, const std::vector<int>& members) {
  IntegerMatrix m;
  for (int c = 1; c <= run.components(); ++c) {
    std::vector<std::int64_t> row;
    for (int e : members) row.push_back(run.comp[c][e]);
    m.push_back(std::move(row));
  }
  return integerRank(std::move(m));
}

namespace {

class Finder {
 public:
  Finder(Io& io, const RunEndMembers& run, const FinderOptions& options)
      : io_(io), run_(run), o_(options), n_(run.count()), nc_(run.components()) {}

  ReactionSet run();

 private:
  bool mode3() const { return o_.caller == FinderCaller::reactions; }
  bool wantIntersections() const { return mode3() && o_.intersections; }
  void opening();
  bool checkSystem();
  void prepare();
  void componentSubset(ComponentMask subset, bool allComponents);
  void phaseSubsets(const std::vector<int>& usable, int size, ComponentMask subset,
                    bool allComponents);
  bool blocked(const EndMemberSet& chosen) const;
  void formReaction(const std::vector<int>& chosen, ComponentMask subset, int rank);
  bool keep(const Reaction& reaction);
  void progressMark(char mark);
  void intersections(ComponentMask subset);
  int keptWithin(const EndMemberSet& usable) const;
  void report();
  void reportMode3();
  void reportAveragePT();

  Io& io_;
  const RunEndMembers& run_;
  const FinderOptions& o_;
  int n_;
  int nc_;
  ReactionSet set_;
  std::vector<ComponentMask> emMask_;  // [1..n]
  std::vector<ComponentMask> reactionMask_;
  std::vector<EndMemberSet> found_;  // end-member sets of reactions found
  std::vector<EndMemberSet> excludedAssemblages_;
  EndMemberSet excluded_;
  std::vector<EndMemberSet> intersectionSets_;
  bool stop_ = false;
  bool intersectionsFull_ = false;
  int progressCount_ = 0;
  int formedSinceKept_ = 0;
  int formedInSubset_ = 0;
  int formed_ = 0;
};

void Finder::opening() {
  switch (o_.caller) {
    case FinderCaller::reactions:
      if (!o_.oneEndMemberPerPhase) {
        io_.putstr(1, "calculating reactions/intersections ...", 1, kToConsoleLog);
      } else if (o_.intersections) {
        io_.putstr(1, "calculating intersections for phases involving one end-member", 1,
                   kToConsoleLog);
      } else {
        io_.putstr(1, "calculating reactions for phases involving one end-member", 1,
                   kToConsoleLog);
      }
      return;
    case FinderCaller::averagePT:
      io_.putstr(1, "reactions : ", 0, kToConsoleLog);
      return;
    case FinderCaller::phaseDiagram:
      return;
  }
}

bool Finder::checkSystem() {
  if (static_cast<int>(run_.comp.size()) != nc_ + 1) bomb("calca", "wrong no of components", 1);
  for (int c = 1; c <= nc_; ++c)
    if (static_cast<int>(run_.comp[c].size()) != n_ + 1) bomb("calca", "wrong no of phases ", 1);
  if (nc_ > kMaxComponents) bomb("calca", "wrong no of components", 1);
  if (n_ > kMaxEndMembers) bomb("calca", "wrong no of phases ", 1);
  if (nc_ < 1) {
    io_.putstr(1, "no reactions in a system with no components?!", 1, kToConsoleLog);
    io_.putstr(0, "should not have got to here...", 1, kToConsoleLog);
    return false;
  }
  if (n_ < 2) {
    io_.putstr(1, "no reactions with less than 2 phases?!", 1, kToConsoleLog);
    io_.putstr(0, "REALLY should not have got to here...", 1, kToConsoleLog);
    return false;
  }
  if (wantIntersections() && n_ < 3) {
    io_.putstr(1, "no intersections with less than 3 phases?!", 1, kToConsoleLog);
    io_.putstr(0, "REALLY should not have got to here  (A) ...", 1, kToConsoleLog);
  }
  return true;
}

void Finder::prepare() {
  emMask_.assign(n_ + 1, 0);
  for (int e = 1; e <= n_; ++e)
    for (int c = 1; c <= nc_; ++c)
      if (run_.comp[c][e] != 0) emMask_[e] |= ComponentMask{1} << (c - 1);
  for (int e : o_.excludedEndMembers)
    if (e >= 1 && e <= n_) excluded_.set(e);
  for (const std::vector<int>& assemblage : o_.excludedAssemblages) {
    EndMemberSet s;
    for (int e : assemblage)
      if (e >= 1 && e <= n_) s.set(e);
    excludedAssemblages_.push_back(s);
  }
  std::vector<int> all;
  for (int e = 1; e <= n_; ++e)
    if (!excluded_.test(e) && emMask_[e] != 0) all.push_back(e);
  set_.rank = systemRank(run_, all);
  set_.needed = static_cast<int>(all.size()) - set_.rank;
}

bool Finder::blocked(const EndMemberSet& chosen) const {
  if ((chosen & excluded_).any()) return true;
  for (const EndMemberSet& a : excludedAssemblages_)
    if (a.any() && contains(chosen, a)) return true;
  for (const EndMemberSet& f : found_)
    if (contains(chosen, f)) return true;
  return false;
}

int Finder::keptWithin(const EndMemberSet& usable) const {
  int kept = 0;
  for (const EndMemberSet& m : set_.members)
    if (contains(usable, m)) ++kept;
  return kept;
}

void Finder::progressMark(char mark) {
  if (!o_.progress) return;
  io_.putstr(0, std::string(1, mark), 0, kToConsoleLog);
  if (++progressCount_ % kProgressLine == 0) io_.endLine(kToConsoleLog);
}

// Mode 3 stores every reaction; the others only an independent one that,
// in average P-T, is also reasonably straight in the window.
bool Finder::keep(const Reaction& reaction) {
  if (mode3()) {
    if (static_cast<int>(set_.reactions.size()) == kMaxMode3Reactions) {
      set_.incompleteReactions = true;
      stop_ = true;
      return false;
    }
    return true;
  }
  int limit =
      o_.caller == FinderCaller::averagePT ? kMaxAvptIndependent : kMaxPhaseDiagramIndependent;
  if (!newindr(set_.independent, reaction, limit)) {
    progressMark('-');
    return false;
  }
  if (o_.caller == FinderCaller::averagePT && o_.linearity) {
    char verdict = o_.linearity(reaction);
    if (verdict != 'X') {
      set_.independent.rows.pop_back();
      set_.independent.pivot.pop_back();
      progressMark(verdict);
      return false;
    }
  }
  progressMark('X');
  return true;
}

void Finder::formReaction(const std::vector<int>& chosen, ComponentMask subset, int rank) {
  IntegerMatrix m;
  for (int c = 1; c <= nc_; ++c) {
    if (!(subset >> (c - 1) & 1u)) continue;
    m.emplace_back(run_.comp[c].begin(), run_.comp[c].end());
  }
  std::vector<std::int64_t> nu = nullReaction(m, chosen);
  if (nu.empty()) {
    io_.putstr(1,
               "   no =" + std::to_string(chosen.size()) + ",  nmax =" + std::to_string(n_) +
                   ", rank =" + std::to_string(rank),
               1, kToConsoleLog);
    bomb("re", "no reaction - WHY", 1);
  }
  Reaction reaction(n_ + 1, 0);
  for (std::size_t k = 0; k < chosen.size(); ++k) {
    if (std::llabs(nu[k]) > kMaxCoefficient) bomb("re", "coefficient too large", 1);
    reaction[chosen[k]] = static_cast<int>(nu[k]);
  }
  check(run_.comp, reaction);
  ++formed_;
  ++formedInSubset_;
  EndMemberSet members = membersOf(reaction);
  bool kept = keep(reaction);
  if (stop_) return;
  if (static_cast<int>(found_.size()) < kMaxFoundSets) found_.push_back(members);
  if (kept) {
    ComponentMask mask = 0;
    for (int e = 1; e <= n_; ++e)
      if (members.test(e)) mask |= emMask_[e];
    set_.reactions.push_back(std::move(reaction));
    set_.members.push_back(members);
    reactionMask_.push_back(mask);
    formedSinceKept_ = 0;
    if (!mode3() && set_.independent.count() >= set_.needed) stop_ = true;
    return;
  }
  if (!mode3() && ++formedSinceKept_ >= kNoProgressReactions) {
    formedSinceKept_ = 0;
    io_.endLine(kToConsoleLog);
    if (query(io_, "not much progress : exitt")) stop_ = true;
  }
}

// Every subset of `size` of the usable end-members, in lexicographic order;
// a prefix that is already blocked blocks everything that extends it.
void Finder::phaseSubsets(const std::vector<int>& usable, int size, ComponentMask subset,
                          bool allComponents) {
  int m = static_cast<int>(usable.size());
  int rank = size - 1;
  std::vector<int> index(size);
  std::vector<int> chosen(size);
  std::vector<EndMemberSet> prefix(size + 1);
  int depth = 0;
  index[0] = 0;
  while (depth >= 0 && !stop_) {
    if (index[depth] > m - (size - depth)) {  // this position is exhausted
      if (--depth >= 0) ++index[depth];
      continue;
    }
    int e = usable[index[depth]];
    prefix[depth + 1] = prefix[depth];
    prefix[depth + 1].set(e);
    chosen[depth] = e;
    if (blocked(prefix[depth + 1])) {
      ++index[depth];
      continue;
    }
    if (depth + 1 < size) {
      index[depth + 1] = index[depth] + 1;
      ++depth;
      continue;
    }
    formReaction(chosen, subset, rank);
    if (o_.caller == FinderCaller::phaseDiagram && !allComponents &&
        formedInSubset_ > kPhaseDiagramSubsetReactions)
      return;
    ++index[depth];
  }
}

void Finder::componentSubset(ComponentMask subset, bool allComponents) {
  std::vector<int> usable;
  ComponentMask covered = 0;
  EndMemberSet usableSet;
  for (int e = 1; e <= n_; ++e) {
    if (excluded_.test(e) || emMask_[e] == 0 || (emMask_[e] & ~subset) != 0) continue;
    usable.push_back(e);
    usableSet.set(e);
    covered |= emMask_[e];
  }
  // a subset whose end-members use fewer components was done as that smaller subset
  if (covered != subset || usable.size() < 2) return;
  int rank = systemRank(run_, usable);
  int size = rank + 1;
  if (static_cast<int>(usable.size()) < size) return;
  if (!mode3() && keptWithin(usableSet) >= static_cast<int>(usable.size()) - rank) return;
  formedInSubset_ = 0;
  phaseSubsets(usable, size, subset, allComponents);
  if (!stop_ && wantIntersections()) intersections(subset);
}

// The intersections first possible with this subset: the end-members of two
// reactions whose components together make the subset, when exactly two
// independent reactions hold among them.
void Finder::intersections(ComponentMask subset) {
  if (intersectionsFull_) return;
  std::vector<EndMemberSet> fresh;
  int count = static_cast<int>(set_.reactions.size());
  for (int a = 0; a < count; ++a) {
    for (int b = a + 1; b < count; ++b) {
      if ((reactionMask_[a] | reactionMask_[b]) != subset) continue;
      EndMemberSet u = set_.members[a] | set_.members[b];
      if (std::find(intersectionSets_.begin(), intersectionSets_.end(), u) !=
              intersectionSets_.end() ||
          std::find(fresh.begin(), fresh.end(), u) != fresh.end())
        continue;
      std::vector<int> phases;
      for (int e = 1; e <= n_; ++e)
        if (u.test(e)) phases.push_back(e);
      if (systemRank(run_, phases) != static_cast<int>(phases.size()) - 2) continue;
      fresh.push_back(u);
    }
  }
  // in the order of their end-member lists
  auto listOf = [&](const EndMemberSet& s) {
    std::vector<int> list;
    for (int e = 1; e <= n_; ++e)
      if (s.test(e)) list.push_back(e);
    return list;
  };
  std::sort(fresh.begin(), fresh.end(),
            [&](const EndMemberSet& x, const EndMemberSet& y) { return listOf(x) < listOf(y); });
  for (const EndMemberSet& u : fresh) {
    if (static_cast<int>(set_.intersections.size()) == kMaxIntersections) {
      set_.incompleteIntersections = true;
      intersectionsFull_ = true;
      return;
    }
    Intersection point;
    point.phases = listOf(u);
    for (int r = 0; r < count; ++r)
      if (contains(u, set_.members[r])) point.reactions.push_back(r);
    intersectionSets_.push_back(u);
    set_.intersections.push_back(std::move(point));
  }
}

void Finder::reportMode3() {
  const std::vector<std::string>& names = run_.names;
  std::vector<std::string> items;
  for (int e : o_.excludedEndMembers)
    if (e >= 1 && e <= n_) items.push_back(names[e]);
  for (const std::vector<int>& a : o_.excludedAssemblages) {
    std::vector<int> members;
    for (int e : a)
      if (e >= 1 && e <= n_) members.push_back(e);
    if (!members.empty()) items.push_back(joinedNames(members, names));
  }
  if (items.empty()) {
    io_.putstr(1, "no excluded assemblages", 1, kToAll);
  } else {
    for (std::size_t k = 0; k < items.size(); k += 10) {
      std::string line;
      addfield(line, k == 0 ? "excluded assemblages" : "", -22);
      for (std::size_t j = k; j < items.size() && j < k + 10; ++j)
        line += (j == k ? "" : ", ") + items[j];
      io_.putstr(k == 0 ? 1 : 0, line, 1, kToAll);
    }
  }
  bool incomplete = set_.incompleteReactions || set_.incompleteIntersections;
  if (incomplete) {
    if (!o_.intersections) {
      io_.putstr(1, "*** INCOMPLETE set of reactions ***", 1, kToAll);
    } else if (set_.incompleteReactions) {
      io_.putstr(1, "*** INCOMPLETE set of reactions and intersections ***", 1, kToAll);
    } else {
      io_.putstr(1, "*** INCOMPLETE set of  intersections ***", 1, kToAll);
    }
  }
  if (set_.reactions.empty()) {
    io_.putstr(1, "** no reactions", 1, kToAll);
    return;
  }
  std::string line = "no of reactions =" + std::to_string(set_.reactions.size());
  if (o_.intersections)
    line += ", no of intersections =" + std::to_string(set_.intersections.size());
  io_.putstr(1, line, 1, kToAll);
}

void Finder::reportAveragePT() {
  io_.endLine(kToConsoleLog);
  if (set_.reactions.empty()) {
    io_.putstr(0, "no reactions", 1, kToConsoleLog);
  } else if (set_.independent.count() < set_.needed) {
    io_.putstr(0, "an INCOMPLETE independent set of reactions has been calculated", 1,
               kToConsoleLog);
  } else {
    io_.putstr(0, "an independent set of reactions has been calculated", 1, kToConsoleLog);
  }
}

void Finder::report() {
  switch (o_.caller) {
    case FinderCaller::reactions:
      reportMode3();
      return;
    case FinderCaller::averagePT:
      reportAveragePT();
      return;
    case FinderCaller::phaseDiagram:
      if (o_.progress && progressCount_ % kProgressLine != 0) io_.endLine(kToConsoleLog);
      return;
  }
}

ReactionSet Finder::run() {
  opening();
  if (!checkSystem()) {
    set_.degenerate = true;
    report();
    return set_;
  }
  prepare();
  if (!mode3() && set_.needed <= 0) {
    report();
    return set_;
  }
  ComponentMask all = nc_ == 32 ? ~ComponentMask{0} : (ComponentMask{1} << nc_) - 1;
  for (int k = 1; k <= nc_ && !stop_; ++k) {
    std::vector<int> pick(k);
    for (int i = 0; i < k; ++i) pick[i] = i;
    for (;;) {
      ComponentMask subset = 0;
      for (int c : pick) subset |= ComponentMask{1} << c;
      componentSubset(subset, subset == all);
      if (stop_) break;
      // next combination: move the rightmost element that can still move
      int i = k - 1;
      while (i >= 0 && pick[i] == nc_ - k + i) --i;
      if (i < 0) break;
      ++pick[i];
      for (int j = i + 1; j < k; ++j) pick[j] = pick[j - 1] + 1;
    }
  }
  if (!mode3() && set_.independent.count() < set_.needed) set_.incompleteReactions = true;
  report();
  return set_;
}

}  // namespace

ReactionSet findreactions(Io& io, const RunEndMembers& run, const FinderOptions& options) {
  Finder finder(io, run, options);
  return finder.run();
}

}  // namespace pf
