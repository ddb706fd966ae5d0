// PHASEFORGE: calculations of mineral equilibria from a thermodynamic dataset.
#include <iostream>

#include "calc/driver/calculator.h"
#include "common/files.h"
#include "common/io.h"

int main() {
  std::ios::sync_with_stdio(false);
  pf::DiskFiles files;
  pf::Io io(pf::Program::calculator, std::cin, std::cout, files);
  return pf::runCalculator(io);
}
