// Helpers for the drawing program's tests: a console over in-memory files,
// the fault a call stops with, and Ghostscript as the judge of the EPS.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "common/bomb.h"
#include "common/files.h"
#include "common/io.h"
#include "plot/drawing.h"
#include "plot/reader.h"
#include "tests/common/console_fixture.h"

namespace pf::plot {

// The shared test console, on the drawing program's side.
struct Console : pf::Console {
  explicit Console(const std::string& answers = "") : pf::Console(answers, Program::plotter) {}
};

// "procedure : message" of the fault f stops with, or "" when it returns.
template <typename F>
std::string faultOf(F&& f) {
  try {
    f();
  } catch (const Bombed& fault) {
    return fault.procedure + " : " + fault.message;
  }
  return "";
}

// Reads a drawing file from text.
inline Drawing readText(Console& console, const std::string& text) {
  std::istringstream file(text);
  Drawing drawing;
  readDrawing(console.io, file, drawing);
  return drawing;
}

// Renders EPS text with Ghostscript; "" when it drew cleanly, otherwise what
// went wrong (a missing Ghostscript counts as wrong).
inline std::string renderProblems(const std::string& eps) {
  char dir[] = "/tmp/plotix-render-XXXXXX";
  if (mkdtemp(dir) == nullptr) return "cannot make a folder to render in";
  const std::string base(dir);
  std::ofstream(base + "/in.eps", std::ios::binary) << eps;
  const std::string command =
      "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m -sOutputFile=" + base +
      "/out.png " + base + "/in.eps > " + base + "/gs.txt 2>&1";
  int status = std::system(command.c_str());
  std::ifstream logFile(base + "/gs.txt");
  std::stringstream log;
  log << logFile.rdbuf();
  std::ifstream png(base + "/out.png");
  bool drawn = png.good();
  std::system(("rm -rf " + base).c_str());
  if (status != 0 || !drawn || log.str().find("Error") != std::string::npos)
    return "gs status " + std::to_string(status) + ": " + log.str();
  return "";
}

}  // namespace pf::plot
