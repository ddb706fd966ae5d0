// The assemblages of a phase-diagram calculation: the chosen system, the
// combinations of its phases of the required variance and their counts of
// unknowns and equations, the hand-over to the reactions calculation when
// only pure phases are chosen, and the outer loop.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <numeric>
#include <sstream>
#include <thread>

#include "calc/phasediagram/loop.h"
#include "calc/phasediagram/pseudo.h"
#include "calc/phasediagram/solve.h"
#include "calc/reactions/mode3.h"
#include "common/bomb.h"
#include "common/text.h"

namespace pf {

AssemblagePlan chosenPlan(const PhaseDiagramSetup& setup, const PhaseTables& tables) {
  AssemblagePlan plan;
  for (const ChosenPhase& p : setup.phases)
    (p.ref.solution ? plan.solutions : plan.pures).push_back(p.ref.index);
  if (setup.mus.empty()) return plan;
  // a mu phase takes the composition of its end-member
  Assemblage plain = makeAssemblage(tables, plan);
  for (const SetQuantity& q : setup.mus) {
    MuPhasePlan mu;
    mu.name = q.name;
    mu.record = plain.run.em[static_cast<std::size_t>(q.endMember)];
    mu.mu = q.value;
    plan.muPhases.push_back(mu);
  }
  for (int c = 1; c <= plain.run.components(); ++c)
    plan.componentRows.push_back(plain.run.componentRow[static_cast<std::size_t>(c)]);
  return plan;
}

Assemblage chosenSystem(const PhaseDiagramSetup& setup, const PhaseTables& tables) {
  return makeAssemblage(tables, chosenPlan(setup, tables));
}

int enumerationVariance(const PhaseDiagramSetup& setup) {
  return setup.vsaved;
}

int fixedByPointList(int v) {
  return v <= 0 ? 0 : v == 1 ? 1 : 2;
}

namespace {

// End-members of the given assemblage phases that take part in reactions.
std::vector<int> reactingEndMembers(const Assemblage& system, const std::vector<int>& phases) {
  std::vector<int> members;
  for (int e = 0; e < system.endMemberCount(); ++e) {
    const AssemblageEndMember& em = system.endMembers[static_cast<std::size_t>(e)];
    if (em.excluded) continue;
    if (std::find(phases.begin(), phases.end(), em.phase) != phases.end()) members.push_back(e + 1);
  }
  return members;
}

bool representsEveryComponent(const Assemblage& system, const std::vector<int>& phases) {
  for (int c = 0; c < system.componentCount(); ++c) {
    bool held = false;
    for (int e = 0; e < system.endMemberCount() && !held; ++e) {
      int phase = system.endMembers[static_cast<std::size_t>(e)].phase;
      held = system.amount(c, e) != 0 &&
             std::find(phases.begin(), phases.end(), phase) != phases.end();
    }
    if (!held) return false;
  }
  return true;
}

// The bulk at the ends of its range (one composition: itself).
std::vector<std::vector<Real>> bulkEnds(const BulkComposition& bulk) {
  std::vector<std::vector<Real>> ends{bulkAt(bulk, 1).bulk};
  if (bulk.count() > 1) ends.push_back(bulkAt(bulk, bulk.count()).bulk);
  return ends;
}

// Whether the bulk (both ends of a range) can be made from the end-members
// of the given phases: otherwise the mass balance has no solution.
bool bulkInReach(const Assemblage& system, const std::vector<int>& phases,
                 const BulkComposition& bulk) {
  const int nc = system.componentCount();
  std::vector<int> members;
  for (int e = 0; e < system.endMemberCount(); ++e)
    if (std::find(phases.begin(), phases.end(),
                  system.endMembers[static_cast<std::size_t>(e)].phase) != phases.end())
      members.push_back(e);
  const int n = static_cast<int>(members.size());
  std::vector<Real> a(static_cast<std::size_t>(nc * n));
  for (int c = 0; c < nc; ++c)
    for (int k = 0; k < n; ++k)
      a[static_cast<std::size_t>(c * n + k)] =
          system.amount(c, members[static_cast<std::size_t>(k)]);
  for (const std::vector<Real>& b : bulkEnds(bulk))
    if (solveLinear(nc, n, a, b).residual > kMassBalanceResidual) return false;
  return true;
}

// Whether every phase of the combination can be made from the bulk: some
// end-member of it holds only components the bulk has (at either end of a
// range). A phase that cannot would sit at zero mode with its composition
// fixed by nothing, and its chemical potentials would be printed as results.
bool phasesMadeFromBulk(const Assemblage& system, const std::vector<int>& phases,
                        const BulkComposition& bulk) {
  const int nc = system.componentCount();
  std::vector<bool> present(static_cast<std::size_t>(nc), false);
  for (const std::vector<Real>& b : bulkEnds(bulk))
    for (int c = 0; c < nc; ++c)
      if (b[static_cast<std::size_t>(c)] > 0) present[static_cast<std::size_t>(c)] = true;
  for (int j : phases) {
    const AssemblagePhase& p = system.phases[static_cast<std::size_t>(j)];
    if (p.kind == PhaseKind::mu) continue;
    bool made = false;
    for (int l = 0; l < p.endMemberCount && !made; ++l) {
      made = true;
      for (int c = 0; c < nc; ++c)
        if (system.amount(c, p.firstEndMember + l) > 0 && !present[static_cast<std::size_t>(c)])
          made = false;
    }
    if (!made) return false;
  }
  return true;
}

// The next combination of k of n in lexical order; false after the last.
bool nextCombination(std::vector<int>& c, int n) {
  const int k = static_cast<int>(c.size());
  int i = k - 1;
  while (i >= 0 && c[static_cast<std::size_t>(i)] == n - k + i) --i;
  if (i < 0) return false;
  ++c[static_cast<std::size_t>(i)];
  for (int j = i + 1; j < k; ++j)
    c[static_cast<std::size_t>(j)] = c[static_cast<std::size_t>(j - 1)] + 1;
  return true;
}

}  // namespace

std::vector<Candidate> candidates(const PhaseDiagramSetup& setup, const PhaseTables& tables,
                                  const Assemblage& system, int rank) {
  std::vector<Candidate> list;
  const int n = static_cast<int>(setup.phases.size());
  const int nmu = static_cast<int>(setup.mus.size());
  const int size = rank + 2 - enumerationVariance(setup) - nmu;
  if (size < 1 || size > n) return list;
  std::vector<int> muPhases;
  for (int m = 0; m < nmu; ++m) muPhases.push_back(n + m);
  const int fixed = fixedByPointList(setup.v);
  std::vector<int> combination(static_cast<std::size_t>(size));
  std::iota(combination.begin(), combination.end(), 0);
  do {
    Candidate c;
    c.phases = combination;
    for (int k : combination) {
      const ChosenPhase& p = setup.phases[static_cast<std::size_t>(k)];
      if (p.ref.solution)
        c.nv += tables.solutions[static_cast<std::size_t>(p.ref.index)].variableCount();
    }
    for (const IsoplethSetting& iso : setup.isopleths)
      if (std::find(combination.begin(), combination.end(), iso.phase) != combination.end())
        ++c.isopleths;
    std::vector<int> withMu = combination;
    withMu.insert(withMu.end(), muPhases.begin(), muPhases.end());
    std::vector<int> members = reactingEndMembers(system, withMu);
    c.rank = systemRank(system.run, members);
    c.rankDeficit = system.componentCount() - c.rank;
    c.nir = static_cast<int>(members.size()) - c.rank;
    // with a bulk composition each phase brings its mode, and each component
    // of the assemblage its mass balance
    c.nu = 2 + c.nv + (setup.bulk ? static_cast<int>(withMu.size()) : 0);
    c.nuvleft = c.nu - fixed - c.isopleths;
    const int equations = c.nir + (setup.bulk ? c.rank : 0);
    bool excessHeld = true;
    for (int k = 0; k < n; ++k)
      if (setup.phases[static_cast<std::size_t>(k)].excess &&
          std::find(combination.begin(), combination.end(), k) == combination.end())
        excessHeld = false;
    if (!excessHeld) {
      c.reason = "(not in ex)";
    } else if (c.nuvleft != equations) {
      c.reason = "(no calc)";
    } else if (!setup.bulk && !representsEveryComponent(system, withMu)) {
      c.reason = "????";
    } else if (setup.bulk && (!bulkInReach(system, withMu, setup.bulkComposition) ||
                              !phasesMadeFromBulk(system, withMu, setup.bulkComposition))) {
      c.reason = "(bad bulk)";
    } else {
      c.taken = true;
    }
    list.push_back(std::move(c));
  } while (nextCombination(combination, n));
  return list;
}

namespace {

void debugListing(Io& io, const Candidate& c, int npmax) {
  std::string line = c.taken ? "good one " : "excluded " + c.reason;
  line += ": nu = " + std::to_string(c.nu) + "; rank = " + std::to_string(c.rank) +
          "; ntake = " + std::to_string(c.phases.size()) + "; npmax = " + std::to_string(npmax) +
          "; nv = " + std::to_string(c.nv) + "; nir = " + std::to_string(c.nir);
  io.putstr(0, line, 1, kToConsoleLog);
  if (!c.taken) return;
  io.putstr(0,
            "nuv = " + std::to_string(c.nu) + "; nuvleft = " + std::to_string(c.nuvleft) +
                "; k = " + std::to_string(c.isopleths) + "; rank = " + std::to_string(c.rank) +
                "  rank deficit = " + std::to_string(c.rankDeficit) +
                "; nir = " + std::to_string(c.nir),
            1, kToConsoleLog);
}

// The pure phases as the reactions calculation takes them: their fixed
// activities (the a-x file's, or the script's) with their uncertainties, and
// the dataset's enthalpy covariances.
RunEndMembers reactionEndMembers(const LoopContext& c, const Assemblage& system) {
  RunEndMembers run = system.run;
  const int n = run.count();
  std::vector<std::vector<std::pair<int, Real>>> parts(static_cast<std::size_t>(n) + 1);
  for (int e = 1; e <= n; ++e) {
    const AssemblageEndMember& em = system.endMembers[static_cast<std::size_t>(e - 1)];
    const AssemblagePhase& p = system.phases[static_cast<std::size_t>(em.phase)];
    if (p.kind != PhaseKind::pure) continue;
    const PurePhase& pure = c.tables.pures[static_cast<std::size_t>(p.index)];
    run.sdActivity[static_cast<std::size_t>(e)] = pure.sdActivity;
    for (const SetQuantity& q : c.setup.activities)
      if (!q.varied && q.name == em.name)
        run.activity[static_cast<std::size_t>(e)] = std::exp(q.value);
    if (c.dataset != nullptr)
      parts[static_cast<std::size_t>(e)] =
          datasetConstituents(*c.dataset, pure.make, pure.endMember);
  }
  run.cov.assign(static_cast<std::size_t>((n + 1) * (n + 1)), 0);
  for (int e = 1; e <= n; ++e)
    for (int f = 1; f <= n; ++f) {
      Real sum = 0;
      for (const auto& [i, a] : parts[static_cast<std::size_t>(e)])
        for (const auto& [j, b] : parts[static_cast<std::size_t>(f)])
          sum += a * b * c.dataset->covariance(i, j);
      run.cov[static_cast<std::size_t>(e * (n + 1) + f)] = sum;
    }
  return run;
}

// Only pure phases: their reactions are a reactions calculation.
void handToReactions(Io& io, LoopContext& c, const Assemblage& system) {
  const PhaseDiagramSetup& setup = c.setup;
  if (setup.G > 2 && c.script.setvarState == kUsePreset) {
    io.putstr(0, "no solid solutions involved: run in mode 3", 1, kToConsoleLog);
    bomb("make", "not currently implemented");
  }
  ReactionsChoice choice;
  for (const ChosenPhase& p : setup.phases)
    if (p.excess) choice.excess.push_back(p.name);
  choice.excludedEndMembers = excludedEndMembers(system);
  reactionsmode(io, reactionEndMembers(c, system), c.windows, c.script, setup.gibbs, choice);
}

int drawingWidth(const std::vector<Candidate>& list, bool modes) {
  int width = 2;
  for (const Candidate& c : list)
    if (c.taken)
      width = std::max(width, 2 + c.nv + (modes ? static_cast<int>(c.phases.size()) : 0));
  return width;
}

// One assemblage calculated on a worker thread: its output calls and its
// bookings on the grid, held to be written in order.
struct WorkerResult {
  std::vector<PutCall> calls;
  std::vector<LoopState::Booking> bookings;
  int pointsTried = 0;
  int pointsAccepted = 0;
  std::exception_ptr fault;
};

// The assemblages of one variance of a minimisation, calculated side by
// side: each starts its points afresh and draws nothing from shared state,
// so that written in order their output is what one thread writes.
void solveSideBySide(Io& io, LoopContext& c, LoopState& state, const Assemblage& system,
                     const std::vector<Candidate>& list) {
  std::vector<std::size_t> taken;
  for (std::size_t k = 0; k < list.size(); ++k) {
    if (!list[k].taken) continue;
    if (list[k].nu - list[k].isopleths < 1) break;  // the run stops there, in order
    taken.push_back(k);
  }
  std::vector<WorkerResult> results(taken.size());
  const int first = state.assemblages;
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    std::istringstream in;
    std::ostringstream out;
    MemoryFiles files;
    Io worker(Program::calculator, in, out, files);
    for (std::size_t n = next++; n < taken.size(); n = next++) {
      WorkerResult& r = results[n];
      worker.recordFor(io, &r.calls);
      LoopState ws(worker, c, system);
      ws.assemblages = first + static_cast<int>(n);
      ws.drawing = state.drawing;
      ws.recorded = &r.calls;
      try {
        solve(worker, ws, list[taken[n]]);
      } catch (...) {
        r.fault = std::current_exception();
      }
      r.bookings = std::move(ws.bookings);
      r.pointsTried = ws.pointsTried;
      r.pointsAccepted = ws.pointsAccepted;
    }
  };
  const int count = std::min(c.threads, static_cast<int>(taken.size()));
  std::vector<std::thread> threads;
  for (int t = 1; t < count; ++t) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();

  const PhaseDiagramSetup& setup = c.setup;
  std::size_t n = 0;
  for (const Candidate& candidate : list) {
    if (setup.infolevel >= 2) debugListing(io, candidate, static_cast<int>(setup.phases.size()));
    if (!candidate.taken) continue;
    if (candidate.nu - candidate.isopleths < 1) bomb("make", "nu < 1");
    const WorkerResult& r = results[n++];
    std::size_t written = 0;
    for (const LoopState::Booking& booking : r.bookings) {
      io.replay(r.calls, written, booking.at);
      written = booking.at;
      applyBooking(io, state, booking);
    }
    io.replay(r.calls, written, r.calls.size());
    ++state.assemblages;
    state.pointsTried += r.pointsTried;
    state.pointsAccepted += r.pointsAccepted;
    if (r.fault) std::rethrow_exception(r.fault);
  }
}

}  // namespace

void runassemblages(Io& io, LoopContext& c) {
  PhaseDiagramSetup& setup = c.setup;
  Assemblage system = chosenSystem(setup, c.tables);
  if (!setup.anySolution() && setup.npure > 1 && !setup.bulk) {
    handToReactions(io, c, system);
    return;
  }
  std::vector<int> all(static_cast<std::size_t>(system.run.count()));
  std::iota(all.begin(), all.end(), 1);
  const int rank = systemRank(system.run, all);
  // a minimisation looks at every variance from 2 up to the largest asked
  // (it has no isopleths, so the variance before them and after is one)
  const int vmax = setup.v, vsaved = setup.vsaved;
  const int vmin = setup.dogmin ? std::min(2, vmax) : vmax;
  auto useVariance = [&](int r) {
    if (setup.dogmin) setup.v = setup.vsaved = r;
  };
  std::vector<std::vector<Candidate>> lists;
  for (int r = vmin; r <= vmax; ++r) {
    useVariance(r);
    lists.push_back(candidates(setup, c.tables, system, rank));
  }

  io.reportAllocation("accx", kAccxBytes);
  if (setup.uncertainties) io.reportAllocation("covx", kCovxBytes);
  LoopState state(io, c, system);
  state.drawing.drawnames = c.drawnames;
  // a minimisation to be drawn as it is shows its winners' fields, not the
  // assemblages it tried
  const bool drawWinners = c.drawnames && setup.dogmin;
  state.drawing.width = 2;
  if (!drawWinners)
    for (const std::vector<Candidate>& list : lists)
      state.drawing.width = std::max(state.drawing.width, drawingWidth(list, setup.bulk));
  if (c.drawnames && state.drawingWanted())
    drawingFileHead(io, c.label, state.drawing.width, system.componentCount());
  if (io.isOpen(kOfile)) algebraLegend(io, algebraSwitches(c.script));
  for (std::size_t k = 0; k < lists.size(); ++k) {
    useVariance(vmin + static_cast<int>(k));
    // (isopleths draw random starting values from the shared tables: those
    // calculations keep to one thread)
    if (setup.dogmin && c.threads > 1 && setup.isopleths.empty()) {
      solveSideBySide(io, c, state, system, lists[k]);
      continue;
    }
    for (const Candidate& candidate : lists[k]) {
      if (setup.infolevel >= 2) debugListing(io, candidate, static_cast<int>(setup.phases.size()));
      if (!candidate.taken) continue;
      if (candidate.nu - candidate.isopleths < 1) bomb("make", "nu < 1");
      solve(io, state, candidate);
    }
  }
  setup.v = vmax;
  setup.vsaved = vsaved;
  if (drawWinners && state.drawingWanted())
    winnerBlocks(io, c.windows, setup.grid, chosenPhaseNames(setup), state.drawing);
  if (c.drawnames && state.drawingWanted()) drawingFileTail(io, c.windows);
  if (setup.uncertainties) io.reportRelease("covx", kCovxBytes);
  io.reportRelease("accx", kAccxBytes);
}

}  // namespace pf
