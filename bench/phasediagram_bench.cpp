// Speed of whole phase-diagram calculations: the demo runs (a) (x(ol)
// isopleths of olivine + orthopyroxene + quartz, 27 points of which 18 are
// accepted) and (b) (six univariant lines, 60 points), each from its script
// to its last output line, against the reading of the a-x file that every
// pass also makes.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "bench/demo_support.h"
#include "calc/ax/axfile.h"
#include "calc/ax/made_endmembers.h"
#include "calc/phasediagram/pseudo.h"
#include "calc/phasediagram/setup.h"
#include "calc/reactions/finder.h"
#include "calc/settings/calc_codes.h"
#include "common/files.h"
#include "common/io.h"

namespace {

using pf::bench::fileText;

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

// One pass: the a-x file, then the set-up and the loop of the run's script;
// the files it wrote (the log only when asked for).
pf::MemoryFiles runFiles(const std::string& dataFile, int threads = 1, bool log = false) {
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io(pf::Program::calculator, in, out, files);
  io.outputcontrol.exclude(pf::kConsole);  // no console: questions would end the run
  io.openOutput(pf::kOutfile, "pf-run-o.txt", false);
  io.openOutput(pf::kOfile, "pf-run-px.txt", false);
  if (log) io.openOutput(pf::kLogfile, "pf-log.txt", false);
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
  context.threads = threads;
  pf::nlesetup(io, context);
  return files;
}

int wholeRun(const std::string& dataFile, int threads = 1) {
  return static_cast<int>(runFiles(dataFile, threads).contents["pf-run-px.txt"].size());
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

// ---- calculations for a bulk composition -------------------------------------

// The mass balance of one accepted point: ol + opx + q of the demo rock
// solved at 2 kbar and 600 C, then `makepseudo` (composition matrix and
// linear solve) as the loop calls it at every accepted point. The baseline
// is the linear solve alone on the same matrix.
struct SolvedPoint {
  pf::bench::Console console;
  pf::Io& io = console.io;
  std::unique_ptr<pf::EquilibriumSystem> sys;
  std::vector<pf::Real> bulk = {0.515L, 0.392L, 0.093L};

  SolvedPoint() {
    const pf::PhaseTables& tables = pf::bench::demo().tables;
    pf::AssemblagePlan plan;
    plan.solutions = {tables.findSolution("ol"), tables.findSolution("opx")};
    plan.pures = {tables.findPure("q")};
    pf::Assemblage a = pf::makeAssemblage(tables, plan);
    pf::FinderOptions finder;
    finder.caller = pf::FinderCaller::phaseDiagram;
    finder.progress = false;
    pf::ReactionSet set = pf::findreactions(io, a.run, finder);
    pf::EquilibriumSettings settings;
    settings.gibbs.dsmode = 5;
    settings.gibbs.ds6 = true;
    settings.gibbs.phaseDiagram = true;
    settings.solver.printLevel = 0;
    settings.solver.minimising = true;
    sys = std::make_unique<pf::EquilibriumSystem>(io, tables, a, set.reactions, settings);
    pf::CrossRefRequest request;
    request.p = 2;
    request.t = 873;
    request.modes = true;
    sys->makecrossrefs(request);
    sys->setBulk(bulk, pf::projectionFor(sys->assemblage()));
    sys->setValue(sys->variableQuantity(0, 0), 0.9L);
    sys->setValue(sys->variableQuantity(1, 0), 0.8L);
    if (pf::donle(*sys, io).code != pf::kConverged) throw std::runtime_error("not solved");
  }
};

void BM_MassBalancePerPoint(benchmark::State& state) {
  SolvedPoint p;
  const std::vector<bool> noFluid(3, false);
  for (auto _ : state) {
    pf::PseudoResult r = pf::makepseudo(*p.sys, p.bulk, p.sys->unknownCount(), noFluid);
    benchmark::DoNotOptimize(r.modes.data());
  }
}
BENCHMARK(BM_MassBalancePerPoint)->Unit(benchmark::kMicrosecond);

void BM_MassBalanceLinearSolveOnly(benchmark::State& state) {
  SolvedPoint p;
  const std::vector<pf::Real> m = pf::makecomp(*p.sys, p.sys->unknownCount());
  for (auto _ : state) {
    pf::LinearSolution s = pf::solveLinear(3, 3, m, p.bulk);
    benchmark::DoNotOptimize(s.x.data());
  }
}
BENCHMARK(BM_MassBalanceLinearSolveOnly)->Unit(benchmark::kMicrosecond);

// The minimisation of the demo rock over its 5 by 5 grid (pf-gmin), per
// grid point; the counters give the assemblages calculated at every point
// and, from the closing table, those accepted there on average. The
// baseline is the pseudosection of the same rock without minimisation
// (pf-pseudo, 3 by 4 points). The argument is the number of threads.
struct RunCounts {
  int assemblages = 0;  // calculated, each at every grid point
  double accepted = 0;  // per grid point, from the closing table's n
  int gridPoints = 0;
};

RunCounts countsOf(const std::string& dataFile) {
  pf::MemoryFiles files = runFiles(dataFile, 1, true);
  RunCounts c;
  std::istringstream log(files.contents["pf-log.txt"]);
  std::string line;
  bool table = false;
  int total = 0;
  while (std::getline(log, line)) {
    if (line.rfind("<== ", 0) == 0 && line.find("====") != std::string::npos) ++c.assemblages;
    if (line.find("P(kbar)") != std::string::npos && line.find("del") != std::string::npos) {
      table = true;
      continue;
    }
    if (!table) continue;
    if (line.find("own risk") != std::string::npos) break;
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string t; words >> t;) w.push_back(t);
    if (w.size() < 5) continue;
    ++c.gridPoints;
    total += std::stoi(w[w.size() - 3]);
  }
  c.accepted = c.gridPoints > 0 ? static_cast<double>(total) / c.gridPoints : 0;
  return c;
}

void BM_MinimisationPerGridPoint(benchmark::State& state) {
  const RunCounts c = countsOf("pf-gmin.txt");
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(wholeRun("pf-gmin.txt", threads));
  state.counters["grid_points"] = c.gridPoints;
  state.counters["assemblages_tried_per_point"] = c.assemblages;
  state.counters["accepted_per_point"] = c.accepted;
  state.counters["time_per_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * c.gridPoints,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MinimisationPerGridPoint)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PseudosectionBaseline(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(wholeRun("pf-pseudo.txt"));
}
BENCHMARK(BM_PseudosectionBaseline)->Unit(benchmark::kMillisecond);

}  // namespace
