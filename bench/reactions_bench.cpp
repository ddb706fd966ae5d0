// Speed of the mode-3 calculation: the reaction search with intersections,
// and the whole Schreinemakers pass (reactions, their lines, intersections
// and stability), over the demo grid's pure phases and over 30 end-members
// of the demo dataset in a P-T window. Floor: the 30-end-member search with
// intersections in under one second. The baseline is one reaction line
// (ky = sill at 20 pressures) in the same run.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "calc/reactions/mode3.h"
#include "calc/settings/calc_codes.h"
#include "tests/calc/reactions/demo_system.h"

namespace {

using namespace pf;

const std::vector<std::string> kGrid = {"ky", "sill", "and", "q", "coe", "ab", "jd", "cc", "arag"};
const std::vector<std::string> kThirty = {"fo",   "en",  "per", "q",  "coe",  "br",  "H2O", "cc",
                                          "arag", "dol", "mag", "di", "tr",   "ta",  "atg", "chum",
                                          "cor",  "sp",  "py",  "ky", "sill", "and", "an",  "gr",
                                          "wo",   "mu",  "phl", "ab", "jd",   "cats"};

WindowState ptWindow() {
  WindowState w;
  w.calcCode = kCalcReactions;
  w.diagrammode = kDiagramPT;
  w.Tlow = 400 + kCelsius;
  w.Thigh = 800 + kCelsius;
  w.Plow = 1;
  w.Phigh = 20;
  w.calcvariable = kVarT;
  w.othervariable = kVarP;
  w.fluid.h2o = 1;
  for (int k = 1; k <= 20; ++k) w.Plist.push_back(k);
  return w;
}

const testing::DemoSystem& system(const std::vector<std::string>& names) {
  static testing::DemoSystem grid = testing::demoSystem(kGrid);
  static testing::DemoSystem thirty = testing::demoSystem(kThirty);
  return names.size() == kGrid.size() ? grid : thirty;
}

void BM_OneReactionLine(benchmark::State& state) {
  const testing::DemoSystem& s = system(kGrid);
  WindowState w = ptWindow();
  Console console;
  ReactionContext c(console.io, s.run, w, s.settings);
  Reaction kySill(s.run.count() + 1, 0);
  kySill[1] = -1;
  kySill[2] = 1;
  for (auto _ : state) benchmark::DoNotOptimize(reactionLine(c, kySill));
}
BENCHMARK(BM_OneReactionLine)->Unit(benchmark::kMillisecond);

void search(benchmark::State& state, const std::vector<std::string>& names) {
  const testing::DemoSystem& s = system(names);
  FinderOptions options;
  for (auto _ : state) {
    Console console;
    ReactionSet set = findreactions(console.io, s.run, options);
    benchmark::DoNotOptimize(set);
    state.counters["reactions"] = static_cast<double>(set.reactions.size());
    state.counters["intersections"] = static_cast<double>(set.intersections.size());
  }
}

void schreinemakers(benchmark::State& state, const std::vector<std::string>& names) {
  const testing::DemoSystem& s = system(names);
  WindowState w = ptWindow();
  ScriptSettings script = scriptDefaults();
  script.doallr = kDontUse;
  for (auto _ : state) {
    Console console;
    ReactionsResult result = reactionsmode(console.io, s.run, w, script, s.settings, {});
    benchmark::DoNotOptimize(result);
  }
}

void BM_SearchGrid(benchmark::State& state) {
  search(state, kGrid);
}
void BM_SearchThirty(benchmark::State& state) {
  search(state, kThirty);
}
void BM_SchreinemakersGrid(benchmark::State& state) {
  schreinemakers(state, kGrid);
}
void BM_SchreinemakersThirty(benchmark::State& state) {
  schreinemakers(state, kThirty);
}
BENCHMARK(BM_SearchGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchThirty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SchreinemakersGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SchreinemakersThirty)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
