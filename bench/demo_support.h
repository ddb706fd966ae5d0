// What several benchmark programs share: the shipped example files, and the
// demo dataset with the phases of the demo a-x file set up and ready to use.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "calc/ax/axfile.h"
#include "calc/ax/made_endmembers.h"
#include "calc/thermo/dataset.h"
#include "common/files.h"
#include "common/io.h"

namespace pf::bench {

inline std::string fileText(const std::string& name) {
  std::ifstream in(std::string(PF_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

struct Console {
  MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  Io io{Program::calculator, in, out, files};
};

struct Demo {
  Console console;
  Dataset ds;
  PhaseTables tables;
  Demo() {
    std::istringstream data(fileText("pf-ds6demo.txt"));
    setuptextread(ds, data, "pf-ds6demo.txt");
    AxSetup setup;
    setup.dataset = &ds;
    std::istringstream ax(fileText("pf-demoax.txt"));
    setupphases(console.io, tables, setup, ax, "pf-demoax.txt");
    PhaseSelection all = PhaseSelection::all(tables);
    makep(ds, makename(tables, all));
    readthermo(ds);
    makeemtd(tables, ds, all);
  }
};

inline Demo& demo() {
  static Demo d;
  return d;
}

}  // namespace pf::bench
