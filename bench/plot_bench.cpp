// The drawing program on a large diagram: reading the drawing file, then
// joining, clipping and writing the EPS. Reading is the baseline the drawing
// is compared against.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "common/files.h"
#include "common/io.h"
#include "common/prefs.h"
#include "plot/eps.h"
#include "plot/reader.h"

namespace {

// n univariant lines of 200 points each from up to 500 invariant points,
// half of every line outside the window, with one area per ten lines.
std::string bigDrawing(int lines) {
  std::string text = "bench\n3 3 2 1\n";
  const int points = std::min(lines, 500);
  for (int k = 0; k < points; ++k)
    text += "i" + std::to_string(k) + " a b " + std::to_string(5 + k % 5) + " " +
            std::to_string(500 + k % 100) + " 0\n";
  for (int k = 0; k < lines; ++k) {
    text += "u" + std::to_string(k) + " a b - c i" + std::to_string(k % points) + " end\n";
    for (int p = 0; p < 200; ++p)
      text += std::to_string(5 + k % 5 + (p * (k % 7 + 1)) / 20.0) + " " +
              std::to_string(500 + k % 100 + p * 3) + " 0\n";
  }
  text += "*\n";
  for (int k = 0; k + 1 < lines; k += 10)
    text += "0.5 u" + std::to_string(k) + " u" + std::to_string(k + 1) + "\n";
  text += "*\nwindow 400 900 0 20\nbigticks 100 400 5 0\nsmallticks 20 1\nnumbering\n*\n";
  return text;
}

pf::plot::Drawing readIt(pf::Io& io, const std::string& text) {
  std::istringstream file(text);
  pf::plot::Drawing drawing;
  drawing.suffix = "bench";
  pf::plot::readDrawing(io, file, drawing);
  return drawing;
}

void BM_ReadDrawing(benchmark::State& state) {
  const std::string text = bigDrawing(static_cast<int>(state.range(0)));
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io(pf::Program::plotter, in, out, files);
  for (auto _ : state) benchmark::DoNotOptimize(readIt(io, text).lines.size());
}
BENCHMARK(BM_ReadDrawing)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_DrawEps(benchmark::State& state) {
  const std::string text = bigDrawing(static_cast<int>(state.range(0)));
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io(pf::Program::plotter, in, out, files);
  io.openOutput(pf::kLogfile, "px-log.txt", false);
  const pf::plot::Drawing read = readIt(io, text);
  pf::Prefs prefs = pf::defaultPrefs(pf::Program::plotter);
  for (auto _ : state) {
    pf::plot::Drawing drawing = read;
    files.contents["px-log.txt"].clear();
    pf::plot::draw(io, prefs, drawing);
    io.closeOutput(pf::kPostScript);
    benchmark::DoNotOptimize(files.contents["px-bench.eps"].size());
  }
}
BENCHMARK(BM_DrawEps)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
