// The a-x file reader on any file, against the demo dataset: the reading and
// its checks, then what a calculation does next with the phases it set up
// (the records of their end-members, a legal and solved state of order) and
// the activities of every solution at its starting guesses.
#include "calc/ax/axfile.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "calc/ax/activity.h"
#include "calc/ax/made_endmembers.h"
#include "calc/ax/order.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/gibbs.h"
#include "common/files.h"
#include "common/io.h"
#include "fuzz/support.h"

namespace {

const pf::Dataset& demoDataset() {
  static const pf::Dataset ds = [] {
    pf::Dataset d;
    std::istringstream file(pf::fuzz::exampleFile("pf-ds6demo.txt"));
    pf::setuptextread(d, file, "pf-ds6demo.txt");
    return d;
  }();
  return ds;
}

void complete(pf::PhaseTables& tables) {
  pf::Dataset ds = demoDataset();
  pf::PhaseSelection all = pf::PhaseSelection::all(tables);
  pf::makep(ds, pf::makename(tables, all));
  pf::readthermo(ds);
  pf::makeemtd(tables, ds, all);
}

void activities(pf::Io& io, pf::PhaseTables& tables) {
  pf::OrderSettings order;
  order.gibbs = pf::gibbsSettings(demoDataset());
  order.solver.printLevel = 0;
  order.activity = pf::ActivityContext{&io, demoDataset().ds6};
  pf::ActivityResult result;
  for (pf::SolutionPhase& phase : tables.solutions) {
    if (phase.hasOrder)
      pf::fuzz::guarded(
          [&] { (void)pf::findlegalq(io, phase, tables.random, 6.5L, 823.0L, order); });
    const std::vector<pf::Real> x = phase.guesses();
    for (std::pair<pf::Real, pf::Real> pt :
         {std::pair<pf::Real, pf::Real>{0.001L, 298.15L}, {11.0L, 1023.0L}}) {
      pf::fuzz::guarded([&] {
        pf::calca(phase, x, pt.first, pt.second, pf::kAllDerivatives, order.activity, result);
        for (int l = 0; l < phase.endMemberCount(); ++l)
          if (!phase.endMembers[static_cast<std::size_t>(l)].dependsOn.empty())
            (void)pf::dependentActivity(&io, phase, l, result, false);
      });
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  (void)demoDataset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pf::MemoryFiles files;
  std::istringstream in("\n\n\n");
  std::ostringstream out;
  pf::Io io(pf::Program::calculator, in, out, files);
  io.openOutput(pf::kLogfile, "pf-log.txt", false);
  pf::PhaseTables tables;
  bool read = false;
  pf::fuzz::guarded([&] {
    pf::AxSetup setup;
    setup.dataset = &demoDataset();
    std::istringstream file(pf::fuzz::text(data, size));
    pf::setupphases(io, tables, setup, file, "pf-fuzzax.txt");
    read = true;
  });
  if (!read) return 0;
  bool completed = false;
  pf::fuzz::guarded([&] {
    complete(tables);
    completed = true;
  });
  if (completed) activities(io, tables);
  return 0;
}
