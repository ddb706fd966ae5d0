// plotix: draws a phase diagram from a drawing file as an EPS file.
#include <iostream>

#include "common/files.h"
#include "common/io.h"
#include "plot/plotix.h"

int main() {
  pf::DiskFiles files;
  pf::Io io(pf::Program::plotter, std::cin, std::cout, files);
  return pf::plot::runProgram(io);
}
