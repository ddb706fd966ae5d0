// Speed of whole calculator runs, from the banner to the last file closed,
// on the demo files in memory; and the start-up cost of the working tables
// mapped on demand against the same tables written with zeroes.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/demo_support.h"
#include "calc/driver/calculator.h"
#include "calc/driver/working_tables.h"
#include "common/files.h"
#include "common/io.h"

namespace {

using pf::bench::fileText;

const pf::MemoryFiles& demoFolder() {
  static const pf::MemoryFiles folder = [] {
    pf::MemoryFiles files;
    for (const char* name :
         {"pf-prefs.txt", "pf-ds6demo.txt", "pf-demoax.txt", "pf-demo.txt", "pf-tables.txt"})
      files.contents[name] = fileText(name);
    return files;
  }();
  return folder;
}

void wholeRun(benchmark::State& state, const std::string& answers) {
  for (auto _ : state) {
    pf::MemoryFiles files = demoFolder();
    std::istringstream in(answers);
    std::ostringstream out;
    pf::Io io(pf::Program::calculator, in, out, files);
    benchmark::DoNotOptimize(pf::runCalculatorReporting(io));
  }
}

// mode 4: the end-members of one system
void BM_WholeRunLists(benchmark::State& state) {
  wholeRun(state, "4\ndemo\nSiO2 MgO\n\n");
}
BENCHMARK(BM_WholeRunLists)->Unit(benchmark::kMicrosecond);

// mode 0: the shipped table run
void BM_WholeRunTables(benchmark::State& state) {
  wholeRun(state,
           "0\ntables\ny\n1 9 4\n400 800 100\ny\n5 600\ny\n1 5 2\n500 700\ny\n0.5 2 8\n"
           "400 600 800\n\n");
}
BENCHMARK(BM_WholeRunTables)->Unit(benchmark::kMicrosecond);

// a run that stops at its first answer: start-up and end alone
void BM_WholeRunStopped(benchmark::State& state) {
  wholeRun(state, "0\nnothere\n\n");
}
BENCHMARK(BM_WholeRunStopped)->Unit(benchmark::kMicrosecond);

void BM_MappedWorkingTables(benchmark::State& state) {
  for (auto _ : state) {
    pf::MemoryFiles files;
    std::istringstream in;
    std::ostringstream out;
    pf::Io io(pf::Program::calculator, in, out, files);
    pf::WorkingTables tables;
    pf::allocateWorkingTables(io, tables);
    for (pf::WorkingTable& table : tables.tables) benchmark::DoNotOptimize(table.storage.data());
    benchmark::ClobberMemory();
    pf::releaseWorkingTables(io, tables);
  }
}
BENCHMARK(BM_MappedWorkingTables)->Unit(benchmark::kMicrosecond);

// The former way: each table a vector, every byte written at start.
void BM_ZeroFilledWorkingTables(benchmark::State& state) {
  std::vector<std::size_t> sizes;
  {
    pf::MemoryFiles files;
    std::istringstream in;
    std::ostringstream out;
    pf::Io io(pf::Program::calculator, in, out, files);
    pf::WorkingTables tables;
    pf::allocateWorkingTables(io, tables);
    for (pf::WorkingTable& table : tables.tables) sizes.push_back(table.storage.size());
    pf::releaseWorkingTables(io, tables);
  }
  for (auto _ : state) {
    std::vector<std::vector<unsigned char>> tables;
    for (std::size_t bytes : sizes) {
      tables.emplace_back(bytes);
      benchmark::DoNotOptimize(tables.back().data());
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ZeroFilledWorkingTables)->Unit(benchmark::kMicrosecond);

}  // namespace
