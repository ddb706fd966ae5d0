// Assemblages of the demo a-x file as the phase-diagram loop builds them:
// the phases, their reactions from the reaction finder, and the equations.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <memory>
#include <string>
#include <vector>

#include "calc/equilibrium/assemblage.h"
#include "calc/equilibrium/equations.h"
#include "calc/reactions/finder.h"
#include "tests/calc/ax/ax_fixture.h"

namespace pf::testing {

inline AssemblagePlan planOf(const PhaseTables& tables, const std::vector<std::string>& names) {
  AssemblagePlan plan;
  for (const std::string& name : names) {
    int s = tables.findSolution(name);
    if (s >= 0) {
      plan.solutions.push_back(s);
      continue;
    }
    int p = tables.findPure(name);
    if (p < 0) ADD_FAILURE() << name << " is not a phase of the demo a-x file";
    plan.pures.push_back(p);
  }
  return plan;
}

inline EquilibriumSettings quietSettings(Io& io) {
  EquilibriumSettings s;
  s.gibbs = gibbsSettings(demoDatasetSetup());
  s.gibbs.phaseDiagram = true;
  s.activity = ActivityContext{&io, s.gibbs.ds6};
  s.solver.printLevel = 0;
  return s;
}

inline std::vector<Reaction> reactionsOf(Io& io, const Assemblage& a) {
  FinderOptions options;
  options.caller = FinderCaller::phaseDiagram;
  options.intersections = false;
  options.progress = false;
  options.excludedEndMembers = excludedEndMembers(a);
  return findreactions(io, a.run, options).reactions;
}

// One assemblage of the demo a-x file with its equations, P and T as asked.
struct DemoEquilibrium {
  AxRead& ax = demoAx();
  Console console;
  std::unique_ptr<EquilibriumSystem> system;

  DemoEquilibrium(const std::vector<std::string>& phases, const CrossRefRequest& request,
                  AssemblagePlan plan = {}, int printLevel = 0) {
    console.openLog();
    AssemblagePlan s = planOf(ax.tables, phases);
    s.componentRows = plan.componentRows;
    s.muPhases = plan.muPhases;
    s.basis = plan.basis;
    Assemblage a = makeAssemblage(ax.tables, s);
    std::vector<Reaction> reactions = reactionsOf(console.io, a);
    EquilibriumSettings settings = quietSettings(console.io);
    settings.solver.printLevel = printLevel;
    system = std::make_unique<EquilibriumSystem>(console.io, ax.tables, std::move(a), reactions,
                                                 settings);
    system->makecrossrefs(request);
  }
  EquilibriumSystem& sys() { return *system; }
  const Assemblage& assemblage() { return system->assemblage(); }
  int phase(const std::string& name) {
    for (int j = 0; j < assemblage().phaseCount(); ++j)
      if (assemblage().phases[static_cast<std::size_t>(j)].name == name) return j;
    ADD_FAILURE() << name << " is not in the assemblage";
    return 0;
  }
  int variable(const std::string& phaseName, int v = 0) {
    return system->variableQuantity(phase(phaseName), v);
  }
  int endMember(const std::string& name) {
    for (int e = 0; e < assemblage().endMemberCount(); ++e)
      if (assemblage().endMembers[static_cast<std::size_t>(e)].name == name) return e;
    ADD_FAILURE() << name << " is not an end-member of the assemblage";
    return 0;
  }
};

inline CrossRefRequest at(Real p, Real t, bool solveP = false, bool solveT = false,
                          bool modes = false) {
  CrossRefRequest r;
  r.p = p;
  r.t = t;
  r.solveP = solveP;
  r.solveT = solveT;
  r.modes = modes;
  return r;
}

}  // namespace pf::testing
