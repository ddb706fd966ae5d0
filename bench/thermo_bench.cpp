// Speed of end-member Gibbs energies and of reading the demo dataset.
// Floors: 500,000 plain-solid evaluations per second; the whole demo dataset
// read in under 50 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calc/thermo/dataset.h"
#include "calc/thermo/fluids.h"
#include "calc/thermo/gibbs.h"
#include "common/files.h"
#include "common/io.h"

namespace {

using pf::Real;

const std::string& demoText() {
  static const std::string text = [] {
    std::ifstream in(std::string(PF_SOURCE_DIR) + "/examples/pf-ds6demo.txt", std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }();
  return text;
}

struct Console {
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io{pf::Program::calculator, in, out, files};
};

// Reads the whole dataset: set-up pass, then every entry with its
// covariances, in batches as large as a run allows.
void readWholeDataset(pf::Dataset& ds) {
  std::istringstream file(demoText());
  pf::setuptextread(ds, file, "pf-ds6demo.txt");
  for (int first = 1; first <= ds.entries; first += pf::kMaxEndMembers) {
    int last = std::min(ds.entries, first + pf::kMaxEndMembers - 1);
    std::vector<std::string> batch(ds.names.begin() + first, ds.names.begin() + last + 1);
    pf::makep(ds, batch);
    pf::readthermo(ds);
  }
}

pf::EndMember demoEndMember(const std::string& name) {
  pf::Dataset ds;
  std::istringstream file(demoText());
  pf::setuptextread(ds, file, "pf-ds6demo.txt");
  pf::makep(ds, {name});
  pf::readthermo(ds);
  return ds.em[1];
}

// G at 10 kbar over a sweep of temperatures, so no two calls are alike.
void gibbsOf(benchmark::State& state, const std::string& name, bool ds6, Real p, Real t) {
  Console console;
  pf::EndMember e = demoEndMember(name);
  pf::GibbsSettings settings;
  settings.dsmode = 5;
  settings.ds6 = ds6;
  Real dt = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pf::gem(console.io, e, p, t + dt, settings));
    dt = dt > 1 ? 0 : dt + 0.01L;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Baseline_ExpLogLongDouble(benchmark::State& state) {
  Real x = 1.5L;
  for (auto _ : state) {
    benchmark::DoNotOptimize(x = std::exp(std::log(x)) + 1e-19L);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Baseline_ExpLogLongDouble);

void BM_GibbsPlainSolid(benchmark::State& state) {
  gibbsOf(state, "py", true, 10, 900);
}
BENCHMARK(BM_GibbsPlainSolid);

void BM_GibbsLandauSolid(benchmark::State& state) {
  gibbsOf(state, "q", true, 10, 900);
}
BENCHMARK(BM_GibbsLandauSolid);

void BM_GibbsBraggWilliamsSolid(benchmark::State& state) {
  gibbsOf(state, "ab", true, 10, 900);
}
BENCHMARK(BM_GibbsBraggWilliamsSolid);

void BM_GibbsLiquid(benchmark::State& state) {
  gibbsOf(state, "diL", true, 10, 1500);
}
BENCHMARK(BM_GibbsLiquid);

void BM_GibbsH2OCork(benchmark::State& state) {
  gibbsOf(state, "H2O", false, 10, 900);
}
BENCHMARK(BM_GibbsH2OCork);

void BM_GibbsH2OCorkLiquidBranch(benchmark::State& state) {
  gibbsOf(state, "H2O", false, 1, 600);
}
BENCHMARK(BM_GibbsH2OCorkLiquidBranch);

void BM_GibbsH2OPitzerSterner(benchmark::State& state) {
  gibbsOf(state, "H2O", true, 10, 900);
}
BENCHMARK(BM_GibbsH2OPitzerSterner);

void BM_GibbsH2OPitzerSternerBelow700K(benchmark::State& state) {
  gibbsOf(state, "H2O", true, 1, 600);
}
BENCHMARK(BM_GibbsH2OPitzerSternerBelow700K);

void BM_ReadWholeDemoDataset(benchmark::State& state) {
  for (auto _ : state) {
    pf::Dataset ds;
    readWholeDataset(ds);
    benchmark::DoNotOptimize(ds.cov.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadWholeDemoDataset)->Unit(benchmark::kMillisecond);

}  // namespace
