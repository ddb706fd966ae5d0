// Speed of whole phase-diagram calculations: the demo runs (a) (x(ol)
// isopleths of olivine + orthopyroxene + quartz, 27 points of which 18 are
// accepted) and (b) (six univariant lines, 60 points), each from its script
// to its last output line, against the reading of the a-x file that every
// pass also makes.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "calc/ax/axfile.h"
#include "calc/phasediagram/setup.h"
#include "calc/settings/calc_codes.h"
#include "common/files.h"
#include "common/io.h"

namespace {

std::string fileText(const std::string& name) {
  std::ifstream in(std::string(PF_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string& axText() {
  static const std::string text = fileText("pf-demoax.txt");
  return text;
}

const pf::Dataset& datasetSetup() {
  static const pf::Dataset ds = [] {
    pf::Dataset d;
    std::istringstream file(fileText("pf-ds6demo.txt"));
    pf::setuptextread(d, file, "pf-ds6demo.txt");
    return d;
  }();
  return ds;
}

pf::ScriptSettings scriptOf(pf::Io& io, const std::string& name) {
  std::unique_ptr<std::istream> file = std::make_unique<std::istringstream>(fileText(name));
  pf::ScriptSettings script;
  pf::readscripts(io, file, script);
  return script;
}

// One pass: the a-x file, then the set-up and the loop of the run's script.
int wholeRun(const std::string& dataFile) {
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io(pf::Program::calculator, in, out, files);
  io.outputcontrol.exclude(pf::kConsole);  // no console: questions would end the run
  io.openOutput(pf::kOutfile, "pf-run-o.txt", false);
  io.openOutput(pf::kOfile, "pf-run-px.txt", false);
  pf::ScriptSettings script = scriptOf(io, dataFile);
  pf::Dataset ds = datasetSetup();
  pf::PhaseTables tables;
  pf::AxSetup setup;
  setup.dataset = &ds;
  setup.script = &script;
  std::istringstream ax(axText());
  pf::setupphases(io, tables, setup, ax, "pf-demoax.txt");
  pf::WindowState w;
  w.calcCode = pf::kCalcPhaseDiagram;
  pf::OxideTable oxides = pf::makeOxideTable();
  pf::PhaseDiagramMemory memory;
  pf::PhaseDiagramContext context{script, w, ds, tables, oxides, memory, false, "run"};
  pf::nlesetup(io, context);
  return static_cast<int>(files.contents["pf-run-px.txt"].size());
}

void BM_ReadAxFile(benchmark::State& state) {
  for (auto _ : state) {
    pf::MemoryFiles files;
    std::istringstream in;
    std::ostringstream out;
    pf::Io io(pf::Program::calculator, in, out, files);
    pf::PhaseTables tables;
    pf::AxSetup setup;
    setup.dataset = &datasetSetup();
    std::istringstream ax(axText());
    pf::setupphases(io, tables, setup, ax, "pf-demoax.txt");
    benchmark::DoNotOptimize(tables.solutions.data());
  }
}
BENCHMARK(BM_ReadAxFile)->Unit(benchmark::kMillisecond);

void BM_WholeRunIsopleths(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(wholeRun("pf-isopleths.txt"));
}
BENCHMARK(BM_WholeRunIsopleths)->Unit(benchmark::kMillisecond);

void BM_WholeRunLines(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(wholeRun("pf-lines.txt"));
}
BENCHMARK(BM_WholeRunLines)->Unit(benchmark::kMillisecond);

}  // namespace
