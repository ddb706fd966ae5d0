// Helpers for the drawing program's tests: a console over in-memory files,
// the fault a call stops with, and Ghostscript as the judge of the EPS.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// The grey levels (0 black to 255 white) of the rendered EPS at the given
// page positions (points, as the EPS coordinates give them); empty when it
// cannot be rendered.
inline std::vector<int> greyLevels(const std::string& eps, const std::vector<XY>& at) {
  char dir[] = "/tmp/plotix-grey-XXXXXX";
  if (mkdtemp(dir) == nullptr) return {};
  const std::string base(dir);
  std::ofstream(base + "/in.eps", std::ios::binary) << eps;
  // at 72 dots an inch a dot is a point; the picture starts at the bounding box's corner
  const std::string command =
      "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -r72 -sDEVICE=pgmraw "
      "-sOutputFile=" +
      base + "/out.pgm " + base + "/in.eps > /dev/null 2>&1";
  int status = std::system(command.c_str());
  std::ifstream pgm(base + "/out.pgm", std::ios::binary);
  // the header: magic word, width, height and largest value, with comments
  std::vector<std::string> header;
  std::string word;
  while (header.size() < 4 && pgm >> word) {
    if (word[0] == '#') {
      std::getline(pgm, word);
      continue;
    }
    header.push_back(word);
  }
  pgm.get();
  const std::string magic = header.size() == 4 ? header[0] : "";
  const int width = header.size() == 4 ? std::atoi(header[1].c_str()) : 0;
  const int height = header.size() == 4 ? std::atoi(header[2].c_str()) : 0;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(std::max(width * height, 0)));
  pgm.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  bool read = status == 0 && magic == "P5" && pgm.good();
  std::system(("rm -rf " + base).c_str());
  if (!read) return {};
  const std::size_t box = eps.find("%%BoundingBox: ");
  int left = 0, bottom = 0;
  if (box != std::string::npos)
    std::sscanf(eps.c_str() + box, "%%%%BoundingBox: %d %d", &left, &bottom);
  std::vector<int> levels;
  for (const XY& p : at) {
    int column = static_cast<int>(p.x) - left;
    int row = height - 1 - (static_cast<int>(p.y) - bottom);
    if (column < 0 || column >= width || row < 0 || row >= height) return {};
    levels.push_back(pixels[static_cast<std::size_t>(row * width + column)]);
  }
  return levels;
}

inline void PrintTo(const XY& p, std::ostream* os) {
  *os << "(" << static_cast<double>(p.x) << ", " << static_cast<double>(p.y) << ")";
}

}  // namespace pf::plot
