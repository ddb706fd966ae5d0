// Speed of the activities of every solution of the demo a-x file, with all
// derivatives, and of reading the file. Floor: a four-end-member symmetric
// solution (garnet) at one million evaluations per second or more. The
// Gibbs energy of one end-member is timed alongside as the baseline.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/demo_support.h"
#include "calc/ax/activity.h"
#include "calc/ax/axfile.h"
#include "calc/ax/made_endmembers.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/gibbs.h"
#include "common/files.h"
#include "common/io.h"

namespace {

using pf::Real;

using pf::bench::fileText;

using pf::bench::Console;
using pf::bench::Demo;
using pf::bench::demo;

void activities(benchmark::State& state, const char* name) {
  Demo& d = demo();
  const pf::SolutionPhase& phase =
      d.tables.solutions[static_cast<std::size_t>(d.tables.findSolution(name))];
  std::vector<Real> x = phase.guesses();
  pf::ActivityContext context{&d.console.io, true};
  pf::ActivityResult result;
  Real t = 873;
  for (auto _ : state) {
    pf::calca(phase, x, 5, t, pf::kAllDerivatives, context, result);
    benchmark::DoNotOptimize(result.dx[0][0]);
    t += 1e-9L;  // a new state each time
  }
  state.counters["evaluations/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_GibbsEnergyBaseline(benchmark::State& state) {
  Demo& d = demo();
  const pf::EndMember& fo = d.tables.solutions[0].endMembers[0].record;
  pf::GibbsSettings settings = pf::gibbsSettings(d.ds);
  Real t = 873;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pf::gem(d.console.io, fo, 5, t, settings));
    t += 1e-9L;
  }
  state.counters["evaluations/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GibbsEnergyBaseline);

void BM_ActivitiesOlivineSymmetric2(benchmark::State& s) {
  activities(s, "ol");
}
void BM_ActivitiesOrthopyroxeneIdeal2(benchmark::State& s) {
  activities(s, "opx");
}
void BM_ActivitiesGarnetSymmetric4(benchmark::State& s) {
  activities(s, "g");
}
void BM_ActivitiesPlagioclaseVanLaar2(benchmark::State& s) {
  activities(s, "pl");
}
void BM_ActivitiesBiotiteIdeal2(benchmark::State& s) {
  activities(s, "bi");
}
void BM_ActivitiesFluidH2OCO2(benchmark::State& s) {
  activities(s, "fluid");
}
BENCHMARK(BM_ActivitiesOlivineSymmetric2);
BENCHMARK(BM_ActivitiesOrthopyroxeneIdeal2);
BENCHMARK(BM_ActivitiesGarnetSymmetric4);
BENCHMARK(BM_ActivitiesPlagioclaseVanLaar2);
BENCHMARK(BM_ActivitiesBiotiteIdeal2);
BENCHMARK(BM_ActivitiesFluidH2OCO2);

void BM_ReadDemoAxFile(benchmark::State& state) {
  Demo& d = demo();
  const std::string text = fileText("pf-demoax.txt");
  pf::AxSetup setup;
  setup.dataset = &d.ds;
  for (auto _ : state) {
    Console console;
    pf::PhaseTables tables;
    std::istringstream ax(text);
    pf::setupphases(console.io, tables, setup, ax, "pf-demoax.txt");
    benchmark::DoNotOptimize(tables.solutions.size());
  }
}
BENCHMARK(BM_ReadDemoAxFile);

// Garnet's activities alone, for the share the derivatives take.
void BM_ActivitiesGarnetNoDerivatives(benchmark::State& state) {
  Demo& d = demo();
  const pf::SolutionPhase& phase =
      d.tables.solutions[static_cast<std::size_t>(d.tables.findSolution("g"))];
  std::vector<Real> x = phase.guesses();
  pf::ActivityContext context{&d.console.io, true};
  pf::ActivityResult result;
  Real t = 873;
  for (auto _ : state) {
    pf::calca(phase, x, 5, t, 0, context, result);
    benchmark::DoNotOptimize(result.a[0]);
    t += 1e-9L;
  }
}
BENCHMARK(BM_ActivitiesGarnetNoDerivatives);

}  // namespace
