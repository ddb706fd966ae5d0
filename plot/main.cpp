// plotix: draws a phase diagram from a drawing file as an EPS file.
#include <cstdlib>
#include <iostream>

#include "common/files.h"
#include "common/io.h"
#include "common/text.h"
#include "plot/plotix.h"

int main() {
  pf::DiskFiles files;
  pf::Io io(pf::Program::plotter, std::cin, std::cout, files);
  io.utf8Console =
      pf::localeIsUtf8(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"));
  return pf::plot::runProgram(io);
}
