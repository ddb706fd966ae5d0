// Speed of the equilibrium equations and their solves on the demo a-x file:
//  - one divariant point of olivine + orthopyroxene + quartz (two solutions,
//    P and T set) from a start near it (must take under 1 ms);
//  - the same along a line of points, each started from the last (warm);
//  - garnet + orthopyroxene + plagioclase + quartz, P solved at set T and
//    compositions (a univariant point), from the a-x file's guesses (cold)
//    and from the previous point (warm);
//  - baseline: one evaluation of the residuals and jacobian of that system.
// Counters: solves per second, solver iterations per solve, and heap
// allocations per solve (0 once the system's workspace is sized).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "bench/demo_support.h"
#include "calc/ax/axfile.h"
#include "calc/ax/made_endmembers.h"
#include "calc/equilibrium/equations.h"
#include "calc/reactions/finder.h"
#include "calc/thermo/dataset.h"
#include "common/files.h"
#include "common/io.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// the replaced operator new takes its memory from malloc
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using pf::Real;

using pf::bench::fileText;

using pf::bench::Console;
using pf::bench::Demo;
using pf::bench::demo;

std::unique_ptr<pf::EquilibriumSystem> systemOf(const std::vector<std::string>& phases,
                                                const pf::CrossRefRequest& request) {
  Demo& d = demo();
  pf::AssemblagePlan plan;
  for (const std::string& name : phases) {
    int s = d.tables.findSolution(name);
    if (s >= 0)
      plan.solutions.push_back(s);
    else
      plan.pures.push_back(d.tables.findPure(name));
  }
  pf::Assemblage a = pf::makeAssemblage(d.tables, plan);
  pf::FinderOptions options;
  options.caller = pf::FinderCaller::phaseDiagram;
  options.intersections = false;
  options.progress = false;
  std::vector<pf::Reaction> reactions = pf::findreactions(d.console.io, a.run, options).reactions;
  pf::EquilibriumSettings settings;
  settings.gibbs = pf::gibbsSettings(d.ds);
  settings.gibbs.phaseDiagram = true;
  settings.activity = pf::ActivityContext{&d.console.io, settings.gibbs.ds6};
  settings.solver.printLevel = 0;
  auto system = std::make_unique<pf::EquilibriumSystem>(d.console.io, d.tables, std::move(a),
                                                        reactions, settings);
  system->makecrossrefs(request);
  return system;
}

pf::CrossRefRequest request(Real p, Real t, bool solveP) {
  pf::CrossRefRequest r;
  r.p = p;
  r.t = t;
  r.solveP = solveP;
  return r;
}

// Olivine and orthopyroxene compositions of ol + opx + q at P and T.
std::unique_ptr<pf::EquilibriumSystem> divariant() {
  return systemOf({"ol", "opx", "q"}, request(2.37L, 1049.6L, false));
}

// g + opx + pl + q with garnet and plagioclase held: P and x(opx).
std::unique_ptr<pf::EquilibriumSystem> barometer() {
  auto s = systemOf({"g", "opx", "pl", "q"}, request(8, 1093.4L, true));
  const int g = 1, pl = 2;  // phases: opx, g, pl, q
  s->hold(s->variableQuantity(g, 0), 0.713L);
  s->hold(s->variableQuantity(g, 1), 0.187L);
  s->hold(s->variableQuantity(g, 2), 0.031L);
  s->hold(s->variableQuantity(pl, 0), 0.562L);
  return s;
}

struct Tally {
  long solves = 0;
  long iterations = 0;
  long failures = 0;
  long allocations = 0;
  void add(const pf::NleResult& r, long allocated) {
    ++solves;
    iterations += r.iterations;
    failures += r.code == pf::kConverged ? 0 : 1;
    allocations += allocated;
  }
  void report(benchmark::State& state) const {
    state.counters["solves/s"] =
        benchmark::Counter(static_cast<double>(solves), benchmark::Counter::kIsRate);
    state.counters["iterations/solve"] = static_cast<double>(iterations) / solves;
    state.counters["allocations/solve"] = static_cast<double>(allocations) / solves;
    state.counters["failures"] = static_cast<double>(failures);
  }
};

pf::NleResult timedSolve(pf::EquilibriumSystem& s, Tally& tally) {
  long before = allocations.load(std::memory_order_relaxed);
  pf::NleResult r = pf::donle(s, demo().console.io);
  tally.add(r, allocations.load(std::memory_order_relaxed) - before);
  return r;
}

void BM_DivariantPointNearStart(benchmark::State& state) {
  auto s = divariant();
  Tally tally;
  for (auto _ : state) {
    s->setValue(2, 0.9L);
    s->setValue(3, 0.8L);
    timedSolve(*s, tally);
  }
  tally.report(state);
}

// A line of points 2.5 K apart, each from the last point's result.
void BM_DivariantLineWarm(benchmark::State& state) {
  auto s = divariant();
  s->setValue(2, 0.9L);
  s->setValue(3, 0.8L);
  Tally tally;
  Real t = 973;
  for (auto _ : state) {
    t = t >= 1173 ? 973 : t + 2.5L;
    s->setValue(pf::kTQuantity, t);
    if (timedSolve(*s, tally).code != pf::kConverged) {
      s->setValue(2, 0.9L);
      s->setValue(3, 0.8L);
    }
  }
  tally.report(state);
}

void BM_BarometerCold(benchmark::State& state) {
  auto s = barometer();
  Tally tally;
  for (auto _ : state) {
    s->resetGuesses();
    s->setValue(pf::kPQuantity, 8);
    timedSolve(*s, tally);
  }
  tally.report(state);
}

void BM_BarometerWarm(benchmark::State& state) {
  auto s = barometer();
  Tally tally;
  Real t = 973;
  for (auto _ : state) {
    t = t >= 1173 ? 973 : t + 2.5L;
    s->setValue(pf::kTQuantity, t);
    timedSolve(*s, tally);
  }
  tally.report(state);
}

// The unit of work of an iteration: residuals and jacobian, P solved.
void BM_EvaluationBaseline(benchmark::State& state) {
  auto s = barometer();
  s->resetGuesses();
  Real p = 8;
  for (auto _ : state) {
    p += 1e-9L;  // a new state each time
    s->setValue(pf::kPQuantity, p);
    benchmark::DoNotOptimize(s->evaluateAtValues(true));
  }
  state.counters["evaluations/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_DivariantPointNearStart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DivariantLineWarm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BarometerCold)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BarometerWarm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EvaluationBaseline)->Unit(benchmark::kMicrosecond);
