// PHASEFORGE: calculations of mineral equilibria from a thermodynamic dataset.
#include <cstdlib>
#include <iostream>

#include "calc/driver/calculator.h"
#include "common/files.h"
#include "common/io.h"
#include "common/text.h"

int main() {
  std::ios::sync_with_stdio(false);
  pf::DiskFiles files;
  pf::Io io(pf::Program::calculator, std::cin, std::cout, files);
  io.utf8Console =
      pf::localeIsUtf8(std::getenv("LC_ALL"), std::getenv("LC_CTYPE"), std::getenv("LANG"));
  return pf::runCalculator(io);
}
