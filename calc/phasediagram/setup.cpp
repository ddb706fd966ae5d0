// `nlesetup`: the set-up of a phase-diagram calculation in its order, then
// the calculation loop.
#include "calc/phasediagram/setup.h"

#include <algorithm>
#include <cmath>

#include "calc/ax/made_endmembers.h"
#include "calc/ax/order.h"
#include "calc/equilibrium/assemblage.h"
#include "calc/phasediagram/loop.h"
#include "calc/reactions/finder.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr Real kUnitActivity = 0.99999L;

PhaseSelection selectionOf(const PhaseTables& tables, const PhaseDiagramSetup& setup) {
  PhaseSelection selection;
  selection.solutions.assign(static_cast<std::size_t>(tables.solutionCount()), false);
  selection.pures.assign(static_cast<std::size_t>(tables.pureCount()), false);
  for (const ChosenPhase& p : setup.phases)
    (p.ref.solution ? selection.solutions
                    : selection.pures)[static_cast<std::size_t>(p.ref.index)] = true;
  return selection;
}

// The dataset's records of the chosen phases' end-members, read once the
// phases are known.
void readChosenRecords(PhaseTables& tables, Dataset& ds, const PhaseDiagramSetup& setup) {
  PhaseSelection selection = selectionOf(tables, setup);
  makep(ds, makename(tables, selection));
  readthermo(ds);
  makeemtd(tables, ds, selection);
}

void notePresence(const Assemblage& system, PhaseDiagramSetup& setup) {
  setup.presence = FluidPresence{};
  for (const AssemblageEndMember& e : system.endMembers) {
    setup.presence.h2o = setup.presence.h2o || e.name == "H2O";
    setup.presence.co2 = setup.presence.co2 || e.name == "CO2";
    setup.presence.cordierite = setup.presence.cordierite || e.name == "crd" || e.name == "fcrd";
  }
}

int systemRankOf(const Assemblage& system) {
  std::vector<int> all;
  for (int e = 1; e <= system.run.count(); ++e) all.push_back(e);
  return systemRank(system.run, all);
}

std::vector<NamedComposition> compositionsOf(const Assemblage& system, bool puresOnly) {
  std::vector<NamedComposition> list;
  for (int e = 0; e < system.endMemberCount(); ++e) {
    const AssemblageEndMember& em = system.endMembers[static_cast<std::size_t>(e)];
    if (puresOnly && system.phases[static_cast<std::size_t>(em.phase)].kind != PhaseKind::pure)
      continue;
    NamedComposition c;
    c.name = puresOnly ? system.phases[static_cast<std::size_t>(em.phase)].name : em.name;
    for (int k = 0; k < system.componentCount(); ++k) c.composition.push_back(system.amount(k, e));
    list.push_back(std::move(c));
  }
  return list;
}

std::vector<std::string> endMemberNames(const Assemblage& system) {
  std::vector<std::string> names;
  for (const AssemblageEndMember& e : system.endMembers) names.push_back(e.name);
  return names;
}

std::vector<std::string> componentsOf(const Assemblage& system) {
  std::vector<std::string> names;
  for (int c = 0; c < system.componentCount(); ++c) names.push_back(system.componentName(c));
  return names;
}

// Per component of the system: whether some phase in excess holds it.
std::vector<bool> heldByExcess(const Assemblage& system, const PhaseDiagramSetup& setup) {
  std::vector<bool> held(static_cast<std::size_t>(system.componentCount()), false);
  for (int e = 0; e < system.endMemberCount(); ++e) {
    const AssemblagePhase& ph =
        system
            .phases[static_cast<std::size_t>(system.endMembers[static_cast<std::size_t>(e)].phase)];
    bool excess = false;
    for (const ChosenPhase& p : setup.phases)
      if (p.excess && p.name == ph.name) excess = true;
    if (!excess) continue;
    for (int c = 0; c < system.componentCount(); ++c)
      if (system.amount(c, e) != 0) held[static_cast<std::size_t>(c)] = true;
  }
  return held;
}

void projectionquestions(Io& io, const ScriptSettings& script, const Assemblage& system,
                         PhaseDiagramSetup& setup) {
  int state = script.project;
  if (setup.dogmin || !setup.anySolution() || setup.infolevel >= 2) {
    state = kDontUse;
  } else {
    promptcontrol(io, "project mineral compositions onto a compatibility diagram", state);
  }
  setup.project = state == kUsePreset;
  setup.plane = ProjectionPlane{};
  if (!setup.project) return;
  ProjectionInput in;
  in.components = componentsOf(system);
  in.heldByExcess = heldByExcess(system, setup);
  for (const ChosenPhase& p : setup.phases)
    if (p.excess) in.from.push_back(p.name);
  const int beyond = in.apexCount();
  if (beyond >= 5) {
    io.putstr(0, "projection not useful if the compatibility diagram has more than 4 apices-", 1,
              kToConsoleLog);
    io.putstr(0,
              "you will need to project from at least " + std::to_string(beyond - 4) + " phases, " +
                  "instead of just " + std::to_string(setup.excessCount()),
              1, kToConsoleLog);
    setup.project = false;
    return;
  }
  setup.plane = setproject(io, script, in);
  setup.project = !setup.plane.empty();
}

// Asked once the bulk composition is known.
void projcompquestion(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup) {
  int projcomp = kDontUse;
  if (setup.project && (setup.bulk || !setup.reduce)) {
    projcomp = script.projcomp;
    promptcontrol(io, "project bulk compositions onto the compatibility diagram", projcomp);
  }
  setup.projcomp = projcomp == kUsePreset;
}

// G of every end-member of the chosen phases at the window centre, once:
// a record that cannot be evaluated stops the run here, before any
// assemblage is tried.
void gibbsAtCentre(Io& io, const Assemblage& system, const WindowState& w,
                   const GibbsSettings& gibbs) {
  for (int e = 1; e <= system.run.count(); ++e)
    gem(io, system.run.em[static_cast<std::size_t>(e)], w.Pmid, w.Tmid, gibbs);
}

BulkSetupInput bulkInput(const Assemblage& system, const PhaseDiagramSetup& setup,
                         const ScriptSettings& script) {
  BulkSetupInput in;
  in.components = componentsOf(system);
  for (const AssemblagePhase& p : system.phases) {
    if (p.kind == PhaseKind::mu) continue;
    in.phases.push_back(p.name);
    in.refs.push_back(PhaseRef{p.kind == PhaseKind::solution, p.index});
    std::vector<std::vector<Real>> members;
    for (int l = 0; l < p.endMemberCount; ++l) {
      std::vector<Real> amounts;
      for (int c = 0; c < system.componentCount(); ++c)
        amounts.push_back(system.amount(c, p.firstEndMember + l));
      members.push_back(std::move(amounts));
    }
    in.endMemberAmounts.push_back(std::move(members));
  }
  for (const ChosenPhase& p : setup.phases) in.fluidExcess = in.fluidExcess || p.fluidExcess;
  in.exbuff = script.exbuff == kUsePreset;
  return in;
}

AssemblagePlan systemPlan(const PhaseDiagramSetup& setup) {
  AssemblagePlan plan;
  for (const ChosenPhase& p : setup.phases)
    (p.ref.solution ? plan.solutions : plan.pures).push_back(p.ref.index);
  return plan;
}

}  // namespace

std::vector<std::string> chosenPhaseNames(const PhaseDiagramSetup& setup) {
  std::vector<std::string> names;
  for (const ChosenPhase& p : setup.phases) names.push_back(p.name);
  return names;
}

void solveroptions(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup) {
  int method = script.oldmethod;
  promptcontrol(io, "use steplength algorithm in nle (otherwise trust region)", method);
  setup.lineSearch = method == kUsePreset;
  int sd = kDontUse;
  if (!setup.dogmin && setup.anySolution()) {
    sd = script.calcsdnle;
    promptcontrol(io, "calculate uncertainties", sd);
  }
  setup.uncertainties = sd == kUsePreset;
}

void startingorder(Io& io, const ScriptSettings& script, PhaseTables& tables, const WindowState& w,
                   const PhaseDiagramSetup& setup) {
  bool first = true;
  for (const ChosenPhase& p : setup.phases) {
    if (!p.ref.solution) continue;
    SolutionPhase& s = tables.solutions[static_cast<std::size_t>(p.ref.index)];
    if (!s.hasOrder) continue;
    if (script.usecalcq == kUsePreset) {
      if (first)
        io.putstr(0, "equilibrium state of order (for given P, T and compositions)", 1,
                  kToConsoleLog);
      first = false;
      OrderSettings settings;
      settings.gibbs = setup.gibbs;
      settings.solver.printLevel = 0;
      settings.solver.lineSearch = setup.lineSearch;
      settings.activity.io = &io;
      settings.activity.ds6 = setup.gibbs.ds6;
      LegalQResult legal = findlegalq(io, s, tables.random);
      CalcqResult q;
      if (legal.found) q = calcq(io, s, w.Pmid, w.Tmid, settings);
      if (!legal.found || !q.solved)
        io.putstr(0, "couldn't solve for state of order of " + s.name, 1, kToConsoleLog);
      continue;
    }
    LegalQResult legal = findlegalq(io, s, tables.random);
    if (!legal.found) bomb("nlecalcs", "cannot find legal Q initial guess");
    if (legal.randomised)
      io.putstr(0, "illegal Q starting guess for " + s.name + ": random value used", 1,
                kToConsoleLog);
  }
}

void listnonunit(Io& io, const ScriptSettings& script, PhaseTables& tables,
                 const PhaseDiagramSetup& setup) {
  std::vector<const PurePhase*> listed;
  for (const ChosenPhase& p : setup.phases)
    if (!p.ref.solution &&
        tables.pures[static_cast<std::size_t>(p.ref.index)].activity < kUnitActivity)
      listed.push_back(&tables.pures[static_cast<std::size_t>(p.ref.index)]);
  if (listed.empty()) return;
  io.putstr(1, "non-unit activities :", 1, kToConsoleLog);
  std::string head;
  addfield(head, "name", -9);
  addfield(head, "a", 9);
  io.putstr(0, head, 1, kToConsoleLog);
  for (const PurePhase* p : listed) {
    std::string row;
    addfield(row, p->name, -9);
    addfield(row, p->activity, 4, Digits::fixed, 9);
    io.putstr(0, row, 1, kToConsoleLog);
  }
  int state = script.usedefsda;
  promptcontrol(io, "standard default uncertainties on activities", state);
  if (state != kUsePreset) return;
  for (const ChosenPhase& p : setup.phases) {
    if (p.ref.solution) continue;
    PurePhase& pure = tables.pures[static_cast<std::size_t>(p.ref.index)];
    if (pure.activity >= kUnitActivity) continue;
    Real sd = defaultActivitySd(pure.activity, pure.record.code, script.defsdaparams == kUsePreset);
    pure.sdActivity = std::max(std::max(pure.sdActivity, Real(0)), sd);
  }
}

Real defaultActivitySd(Real a, int m, bool parameters) {
  if (!(a > 0) || a == 1) return 0;
  const Real u1 = parameters ? 0.3L : 0, u2 = 0.01L, u3 = 0.05L;
  if (m < 1) m = 1;
  // the mole fraction behind the activity of an ideal a = x^m, as single precision
  const Real x = static_cast<float>(std::pow(a, 1.0L / m));
  Real sx = u1 != 0 && x >= u2 / u1 ? u1 * x * (1 - x) * (1 - x) : u2;
  sx = std::max(sx, u3 * x);
  return a * m * sx / x;
}

void settercheck(const ScriptSettings& script, const PhaseDiagramSetup& setup,
                 const OxideTable& oxides) {
  const bool anySet = !setup.activities.empty() || !setup.mus.empty();
  if (anySet && setup.calcg)
    bomb("setter", "mixing setting activities/mu and calcg not checked out yet");
  if (setup.exbuff && setup.calcg) bomb("setter", "mixing exbuff and calcg not possible");
  if (script.activities.form == ActivityForm::activity) return;
  for (const SetQuantity& q : setup.activities) {
    bool oxide = std::any_of(oxides.begin(), oxides.end(),
                             [&](const Oxide& o) { return o.oxide == q.name; });
    if (!oxide) bomb("setter", "setting non-oxide lna not implemented");
  }
}

void nlesetup(Io& io, PhaseDiagramContext& context) {
  ScriptSettings& script = context.script;
  WindowState& w = context.windows;
  PhaseTables& tables = context.phases;
  PhaseDiagramSetup setup;
  setup.batch = script.batch.state == kUsePreset && !script.batch.batches.empty();
  setup.infolevel = debugLevel(io, script.infolevel);

  whichphases(io, tables, script, context.memory, setup);
  setexcessphases(io, script, setup);
  readChosenRecords(tables, context.dataset, setup);
  Assemblage system = makeAssemblage(tables, systemPlan(setup));
  notePresence(system, setup);
  gibbsQuestions(io, script, setup);

  setup.gibbs = gibbsSettings(context.dataset);
  setup.gibbs.phaseDiagram = true;
  setup.gibbs.printLevel = setup.infolevel;
  // the chemical potentials the script sets on end-members of the system
  const std::vector<std::string> names = endMemberNames(system);
  int musNamed = 0;
  if (script.mu.state != kDontUse)
    for (const NamedValue& item : script.mu.items)
      if (std::find(names.begin(), names.end(), item.name) != names.end()) ++musNamed;
  setup.G = findvariance(systemRankOf(system), setup, musNamed);
  if (setup.G < 0 && !setup.dogmin && !setup.bulk && setup.anySolution())
    bomb("nlesetup", "negative variance - something wrong");

  choosevariance(io, script, setup);
  // with a bulk composition the system's variance may be below zero; a
  // calculation still needs a variance of at least zero to ask for
  if (setup.v < 0) bomb("nlesetup", "negative variance - something wrong");
  isoplethquestions(io, script, tables, w, setup);
  windowsetup(io, w, script, setup.v, setup.reduce);
  solveroptions(io, script, setup);
  startingorder(io, script, tables, w, setup);

  listnonunit(io, script, tables, setup);
  int phaseCount = static_cast<int>(setup.phases.size());
  int endMemberCount = system.endMemberCount();
  setup.mus = setupmu(io, w, script, compositionsOf(system, false), compositionsOf(system, true),
                      phaseCount, endMemberCount);
  setup.activities = setactivitywindows(io, w, script, names);
  settercheck(script, setup, context.oxides);

  projectionquestions(io, script, system, setup);
  if (setup.bulk) {
    setup.bulkComposition = setbulk(io, script, tables, bulkInput(system, setup, script));
  } else {
    setup.bulkComposition = BulkComposition{};
  }
  projcompquestion(io, script, setup);
  setup.c8 = script.c8 == kUsePreset;
  setup.calcprops = script.calcprops == kUsePreset;
  setup.gridLimit = context.gridLimit;
  if (setup.dogmin &&
      !gridsetup(io, w, setup.gridLimit, static_cast<int>(setup.phases.size()), setup.grid))
    setup.dogmin = false;
  gibbsAtCentre(io, system, w, setup.gibbs);

  LoopContext loop{
      script,         w, tables, setup, context.drawnames, context.label, &context.dataset,
      context.threads};
  runassemblages(io, loop);
  if (setup.dogmin) gminfo(io, w, chosenPhaseNames(setup), setup.grid);
}

}  // namespace pf
