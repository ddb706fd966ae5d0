// `solve`: one assemblage of the loop, point by point.
#include "calc/phasediagram/solve.h"

#include <algorithm>
#include <cmath>

#include "calc/ax/activity.h"
#include "calc/ax/order.h"
#include "calc/phasediagram/projection.h"
#include "calc/phasediagram/pseudo.h"
#include "calc/reactions/reaction_line.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

void applyBooking(Io& io, LoopState& s, const LoopState::Booking& booking) {
  PhaseDiagramSetup& setup = s.c.setup;
  MinimisationGrid& grid = setup.grid;
  gridbook(grid.records[static_cast<std::size_t>(booking.record)], booking.G, booking.present);
  if (!grid.single()) return;
  if (!listEquilibrium(grid, SinglePointEntry{booking.present, booking.G, booking.modes})) {
    s.endMarks();
    tooManyEquilibria(io, s.c.windows, chosenPhaseNames(setup), grid);
  }
}

LoopState::LoopState(Io& io_, LoopContext& context, const Assemblage& system_)
    : io(io_), c(context), system(system_) {
  for (int k = 1; k <= system.run.components(); ++k)
    componentRows.push_back(system.run.componentRow[static_cast<std::size_t>(k)]);
  points = pointList(c.setup, c.windows);
}

bool LoopState::drawingWanted() const {
  return c.script.plotix == kUsePreset && c.script.makeo && io.isOpen(kOfile);
}

unsigned LoopState::resultsMask() const {
  return c.setup.dogmin && c.setup.infolevel == 0 ? kToLog : kToAll;
}

unsigned LoopState::marksMask() const {
  return c.setup.dogmin && c.setup.infolevel == 0 ? kToLog : kToConsoleLog;
}

void LoopState::endMarks() {
  if (!markLineOpen) return;
  io.endLine(marksMask());
  markLineOpen = false;
  marks = 0;
}

void LoopState::mark(const std::string& text) {
  io.putstr(0, text + " ", 0, marksMask());
  markLineOpen = true;
  if (++marks == kFailureMarksPerLine) endMarks();
}

namespace {

// ---- the assemblage ------------------------------------------------------------

AssemblagePlan planOf(const LoopState& s, const Candidate& candidate) {
  AssemblagePlan plan;
  const PhaseDiagramSetup& setup = s.c.setup;
  for (int k : candidate.phases) {
    const ChosenPhase& p = setup.phases[static_cast<std::size_t>(k)];
    (p.ref.solution ? plan.solutions : plan.pures).push_back(p.ref.index);
  }
  const int n = static_cast<int>(setup.phases.size());
  for (std::size_t m = 0; m < setup.mus.size(); ++m) {
    const AssemblagePhase& mu = s.system.phases[static_cast<std::size_t>(n) + m];
    MuPhasePlan plan1;
    plan1.name = mu.name;
    plan1.record = s.system.run.em[static_cast<std::size_t>(mu.firstEndMember + 1)];
    plan1.mu = setup.mus[m].value;
    plan.muPhases.push_back(plan1);
  }
  plan.componentRows = s.componentRows;
  return plan;
}

void progressHeader(Io& io, const LoopState& s, const Candidate& candidate, int number) {
  const PhaseDiagramSetup& setup = s.c.setup;
  const unsigned mask = s.resultsMask();
  io.putstr(1, "<== " + std::to_string(number) + " " + std::string(46, '=') + ">", 1, mask);
  std::string line = "phases : ";
  bool listed = false;
  std::vector<std::string> excess;
  bool fluid = false;
  for (int k : candidate.phases) {
    const ChosenPhase& p = setup.phases[static_cast<std::size_t>(k)];
    if (!p.excess) {
      line += (listed ? " " : "") + p.name;
      listed = true;
    } else if (p.fluidExcess && setup.fluidtype != kFluidGiven) {
      fluid = true;
    } else {
      excess.push_back(p.name);
    }
  }
  if (!excess.empty() || !setup.mus.empty() || fluid) {
    std::string inside;
    for (const std::string& name : excess) inside += (inside.empty() ? "" : ",") + name;
    for (const SetQuantity& q : setup.mus)
      inside += (inside.empty() ? "mu(" : ", mu(") + q.name + ")";
    if (fluid) inside += (inside.empty() ? "" : ",") + std::string("fluid");
    line += (listed ? " - (" : " (") + inside + ")";
  }
  io.putstr(0, line, 1, mask);
}

NleOptions solverOptions(const LoopState& s) {
  NleOptions o;
  o.printLevel = s.c.setup.infolevel;
  o.jacobianMode = std::clamp(s.c.script.fdaccess, 0, 2);
  o.lineSearch = s.c.setup.lineSearch;
  o.minimising = s.c.setup.dogmin;
  o.mask = s.marksMask();
  return o;
}

// The solver's P and T ranges are the window's scaling.
QuantityRanges rangesOf(const WindowState& w, QuantityRanges r) {
  r.pLow = -w.Poffset / w.Pscale;
  r.pHigh = (1 - w.Poffset) / w.Pscale;
  r.tLow = -w.Toffset / w.Tscale;
  r.tHigh = (1 - w.Toffset) / w.Tscale;
  return r;
}

// What each point of the assemblage sets: isopleth quantities, pure-phase
// activities and mu phases by the setup's lists.
struct Settings {
  std::vector<int> isoplethQuantity;  // per setup isopleth; -1 when not in the assemblage
  std::vector<int> activityMember;    // per setup activity: end-member in the assemblage, or -1
  std::vector<int> muPhase;           // per setup mu: phase in the assemblage
  bool solveP = false;
  bool solveT = false;
};

Settings settingsOf(const LoopState& s, const Candidate& candidate, const EquilibriumSystem& sys) {
  const PhaseDiagramSetup& setup = s.c.setup;
  const Assemblage& a = sys.assemblage();
  Settings out;
  for (const IsoplethSetting& iso : setup.isopleths) {
    auto it = std::find(candidate.phases.begin(), candidate.phases.end(), iso.phase);
    int q = -1;
    const int j = static_cast<int>(it - candidate.phases.begin());
    if (it != candidate.phases.end())
      q = iso.mode ? sys.modeQuantity(j) : sys.variableQuantity(j, iso.variable);
    out.isoplethQuantity.push_back(q);
  }
  for (const SetQuantity& q : setup.activities) {
    int member = -1;
    for (int e = 0; e < a.endMemberCount(); ++e) {
      const AssemblageEndMember& em = a.endMembers[static_cast<std::size_t>(e)];
      if (em.name == q.name && a.phases[static_cast<std::size_t>(em.phase)].kind == PhaseKind::pure)
        member = e;
    }
    out.activityMember.push_back(member);
  }
  const int real = static_cast<int>(candidate.phases.size());
  for (std::size_t m = 0; m < setup.mus.size(); ++m)
    out.muPhase.push_back(real + static_cast<int>(m));
  const int v = setup.v;
  out.solveP = v == 0 || (v == 1 && s.c.windows.calcvariable == kVarP);
  out.solveT = v == 0 || (v == 1 && s.c.windows.calcvariable == kVarT);
  return out;
}

AssemblageOutput outputOf(const LoopState& s, EquilibriumSystem& sys, int number) {
  const PhaseDiagramSetup& setup = s.c.setup;
  const Assemblage& a = sys.assemblage();
  AssemblageOutput out;
  out.number = number;
  out.variance = setup.v;
  for (const AssemblagePhase& p : a.phases)
    if (p.kind != PhaseKind::mu) out.phases.push_back(p.name);
  for (int c = 0; c < a.componentCount(); ++c) out.components.push_back(a.componentName(c));
  const std::vector<Quantity>& list = sys.quantities();
  for (int j = 0; j < a.phaseCount(); ++j) {
    const AssemblagePhase& p = a.phases[static_cast<std::size_t>(j)];
    if (p.kind != PhaseKind::solution) continue;
    const SolutionPhase& phase = s.c.tables.solutions[static_cast<std::size_t>(p.index)];
    std::vector<Real> guesses = phase.guesses();
    for (int t = 0; t < phase.variableCount(); ++t) {
      int q = sys.variableQuantity(j, t);
      out.variables.push_back(list[static_cast<std::size_t>(q)].name);
      out.ranges.push_back(variableRange(phase, t, guesses));
      out.variablePhase.push_back(j);
    }
  }
  for (const SetQuantity& q : setup.activities) {
    switch (s.c.script.activities.form) {
      case ActivityForm::activity:
        out.rowHeads.push_back("a(" + q.name + ")");
        break;
      case ActivityForm::loga:
        out.rowHeads.push_back("log a(" + q.name + ")");
        break;
      case ActivityForm::lna:
        out.rowHeads.push_back("ln a(" + q.name + ")");
        break;
    }
  }
  for (const SetQuantity& q : setup.mus) out.rowHeads.push_back("mu(" + q.name + ")");
  for (int j = 0; j < a.phaseCount(); ++j) {
    const int q = sys.modeQuantity(j);
    if (q >= 0) out.modes.push_back(list[static_cast<std::size_t>(q)].name);
  }
  return out;
}

// The solver's modes are a point's first test: outside [0, 1] (beyond the
// zero-mode rounding) the assemblage is not stable for the bulk.
bool modesInRange(const EquilibriumSystem& sys) {
  for (int j = 0; j < sys.assemblage().phaseCount(); ++j) {
    const int q = sys.modeQuantity(j);
    if (q < 0) continue;
    const Real m = sys.value(q);
    if (!(m >= kNegativeMode && m <= 1 - kNegativeMode)) return false;
  }
  return true;
}

// What a bulk calculation writes after the results table of a point.
struct BulkPoint {
  PseudoResult pseudo;
  BulkAtIncrement bulk;
  bool uncertain = false;  // a proportion outside [0, 1] let through by c8
};

// The names of the assemblage's phases, in order.
std::vector<std::string> phaseNames(const EquilibriumSystem& sys) {
  std::vector<std::string> names;
  for (const AssemblagePhase& phase : sys.assemblage().phases) names.push_back(phase.name);
  return names;
}

// The phases of the assemblage in excess as the fluid.
std::vector<bool> fluidPhases(const LoopState& s, const Candidate& candidate,
                              const EquilibriumSystem& sys) {
  std::vector<bool> fluid(static_cast<std::size_t>(sys.assemblage().phaseCount()), false);
  for (std::size_t j = 0; j < candidate.phases.size(); ++j)
    fluid[j] = s.c.setup.phases[static_cast<std::size_t>(candidate.phases[j])].fluidExcess;
  return fluid;
}

void writeBulkPoint(Io& io, LoopState& s, EquilibriumSystem& sys, const Candidate& candidate,
                    const AssemblageOutput& out, const BulkPoint& b) {
  const PhaseDiagramSetup& setup = s.c.setup;
  const unsigned mask = s.resultsMask();
  const std::vector<std::string> phases = phaseNames(sys);
  const std::vector<bool> fluid = fluidPhases(s, candidate, sys);
  if (setup.bulkComposition.range())
    io.putstr(0, "  prop  " + decimalText(b.bulk.proportion, 4), 1, mask);
  ModesRowOptions o;
  if (!setup.calcprops && setup.calcg) o.extraHead = "G";
  o.uncertain = b.uncertain;
  modesRow(io, phases, fluid, b.pseudo, o, mask);
  muBulkLines(io, out.components, componentPotentials(sys), b.bulk.bulk, mask);
  rockBulkLines(io, phases, fluid, out.components, b.pseudo.composition, b.pseudo,
                sys.assemblage().basis == ModeBasis::element);
  if (s.c.script.printbulkinfo == kUsePreset)
    molPercentRows(io, phases, out.components, b.pseudo.composition, mask);
}

// The projected compositions of a point's phases (and of its bulk when
// asked for), those in excess being the phases projected from.
ProjectionRows projectionOf(LoopState& s, EquilibriumSystem& sys, const Candidate& candidate,
                            const BulkPoint& b) {
  const PhaseDiagramSetup& setup = s.c.setup;
  std::vector<bool> from;
  for (int j = 0; j < sys.assemblage().phaseCount(); ++j) {
    const int k = j < static_cast<int>(candidate.phases.size())
                      ? candidate.phases[static_cast<std::size_t>(j)]
                      : -1;
    // a mu phase is no phase of the rock: it goes with those projected from
    from.push_back(k < 0 || setup.inExcess(k));
  }
  std::vector<Real> bulk;
  if (setup.projcomp && setup.bulk) bulk = b.bulk.bulk;
  const std::vector<Real> composition =
      setup.bulk ? b.pseudo.composition : makecomp(sys, sys.unknownCount());
  return projectPoint(setup.plane, phaseNames(sys), from, composition, bulk);
}

// A minimisation's bookkeeping of an accepted point.
void bookPoint(Io& io, LoopState& s, const Candidate& candidate, const PointResult& r,
               const BulkPoint& b) {
  PhaseDiagramSetup& setup = s.c.setup;
  const int k = setup.grid.find(r.values[kPQuantity], r.values[kTQuantity]);
  if (k < 0) return;
  LoopState::Booking booking;
  booking.record = k;
  booking.G = b.pseudo.G;
  booking.present.assign(setup.phases.size(), false);
  booking.modes.assign(setup.phases.size(), 0);
  for (std::size_t j = 0; j < candidate.phases.size(); ++j) {
    booking.present[static_cast<std::size_t>(candidate.phases[j])] = true;
    booking.modes[static_cast<std::size_t>(candidate.phases[j])] = b.pseudo.modes[j];
  }
  if (s.recorded != nullptr) {
    booking.at = s.recorded->size();
    s.bookings.push_back(std::move(booking));
    return;
  }
  applyBooking(io, s, booking);
}

// The values shown for the set activities and mu of a point.
std::vector<Real> shownRow(const LoopState& s, const PointPlan& p) {
  const PhaseDiagramSetup& setup = s.c.setup;
  std::vector<Real> shown;
  std::size_t varied = 0;
  auto next = [&](const SetQuantity& q) { return q.varied ? p.row[varied++] : q.value; };
  for (const SetQuantity& q : setup.activities) {
    Real lna = next(q);
    switch (s.c.script.activities.form) {
      case ActivityForm::activity:
        shown.push_back(std::exp(lna));
        break;
      case ActivityForm::loga:
        shown.push_back(lna / std::log(10.0L));
        break;
      case ActivityForm::lna:
        shown.push_back(lna);
        break;
    }
  }
  for (const SetQuantity& q : setup.mus) shown.push_back(next(q));
  return shown;
}

// ---- a point ------------------------------------------------------------------

// An isopleth on a phase with order variables needs a state of order at
// which every site fraction is positive: the other order variables are
// drawn within their ranges until one is found.
void legalOrder(Io& io, LoopState& s, EquilibriumSystem& sys, int phase, int heldVariable) {
  const AssemblagePhase& ap = sys.assemblage().phases[static_cast<std::size_t>(phase)];
  const SolutionPhase& solution = s.c.tables.solutions[static_cast<std::size_t>(ap.index)];
  if (!solution.hasOrder) return;
  std::vector<Real> x(static_cast<std::size_t>(solution.variableCount()));
  auto load = [&]() {
    for (int t = 0; t < solution.variableCount(); ++t)
      x[static_cast<std::size_t>(t)] = sys.value(sys.variableQuantity(phase, t));
  };
  load();
  if (siteFractionsPositive(solution, x)) return;
  for (int attempt = 0; attempt < kLegalQAttempts; ++attempt) {
    for (int t = 0; t < solution.variableCount(); ++t) {
      const Variable& var = solution.variables[static_cast<std::size_t>(t)];
      if (!var.order || t == heldVariable) continue;
      Range r = variableRange(solution, t, x);
      x[static_cast<std::size_t>(t)] = r.low + (r.high - r.low) * s.c.tables.random.next();
    }
    if (siteFractionsPositive(solution, x)) {
      for (int t = 0; t < solution.variableCount(); ++t)
        if (t != heldVariable)
          sys.setValue(sys.variableQuantity(phase, t), x[static_cast<std::size_t>(t)]);
      io.putstr(0,
                "illegal Q starting guess in isopleth-ing involving " + solution.name +
                    ": random value used",
                1, kToConsoleLog);
      return;
    }
  }
  bomb("setx", "cannot find legal Q for isopleth in " + solution.name);
}

// `setx`: the set quantities of the point, and the starting values of the
// unknowns when the point starts afresh.
void setx(Io& io, LoopState& s, EquilibriumSystem& sys, const Settings& set, const PointPlan& p,
          bool fresh) {
  const WindowState& w = s.c.windows;
  if (fresh) sys.resetGuesses();
  if (set.solveP) {
    if (fresh) sys.setValue(kPQuantity, w.Pmid);
  } else {
    sys.hold(kPQuantity, p.P);
  }
  if (set.solveT) {
    if (fresh) sys.setValue(kTQuantity, w.Tmid);
  } else {
    sys.hold(kTQuantity, p.T);
  }
  const PhaseDiagramSetup& setup = s.c.setup;
  for (std::size_t i = 0; i < setup.isopleths.size(); ++i) {
    int q = set.isoplethQuantity[i];
    if (q < 0) continue;
    sys.hold(q, p.isopleth[i]);
  }
  for (std::size_t i = 0; i < setup.isopleths.size(); ++i) {
    if (set.isoplethQuantity[i] < 0 || setup.isopleths[i].mode) continue;
    const IsoplethSetting& iso = setup.isopleths[i];
    // the isopleth's own phase: another may have fewer variables
    const PhaseRef& ref = setup.phases[static_cast<std::size_t>(iso.phase)].ref;
    for (int j = 0; j < sys.assemblage().phaseCount(); ++j) {
      const AssemblagePhase& phase = sys.assemblage().phases[static_cast<std::size_t>(j)];
      if (phase.kind == PhaseKind::solution && phase.index == ref.index &&
          sys.variableQuantity(j, iso.variable) == set.isoplethQuantity[i])
        legalOrder(io, s, sys, j, iso.variable);
    }
  }
  std::size_t varied = 0;
  for (std::size_t i = 0; i < setup.activities.size(); ++i) {
    const SetQuantity& q = setup.activities[i];
    Real lna = q.varied ? p.row[varied++] : q.value;
    if (set.activityMember[i] >= 0) sys.setActivity(set.activityMember[i], std::exp(lna));
  }
  for (std::size_t i = 0; i < setup.mus.size(); ++i) {
    const SetQuantity& q = setup.mus[i];
    Real mu = q.varied ? p.row[varied++] : q.value;
    sys.setMu(set.muPhase[i], mu);
  }
}

// Starting compositions spread over the ranges of the solved variables, at
// this fraction of each range: tried in turn when the set-up's guesses do
// not lead to the solution. A spread start at which a site fraction is not
// positive is not tried.
constexpr Real kSpreadStarts[] = {0.5L, 0.9L, 0.1L};

bool spreadStart(const LoopState& s, EquilibriumSystem& sys, Real fraction) {
  const Assemblage& a = sys.assemblage();
  for (int j = 0; j < a.phaseCount(); ++j) {
    const AssemblagePhase& ap = a.phases[static_cast<std::size_t>(j)];
    if (ap.kind != PhaseKind::solution) continue;
    const SolutionPhase& phase = s.c.tables.solutions[static_cast<std::size_t>(ap.index)];
    std::vector<Real> x(static_cast<std::size_t>(phase.variableCount()));
    for (int t = 0; t < phase.variableCount(); ++t)
      x[static_cast<std::size_t>(t)] = sys.value(sys.variableQuantity(j, t));
    for (int t = 0; t < phase.variableCount(); ++t) {
      const int q = sys.variableQuantity(j, t);
      if (!sys.quantities()[static_cast<std::size_t>(q)].solved) continue;
      Range r = variableRange(phase, t, x);
      x[static_cast<std::size_t>(t)] = r.low + fraction * (r.high - r.low);
    }
    if (!siteFractionsPositive(phase, x)) return false;
    for (int t = 0; t < phase.variableCount(); ++t)
      sys.setValue(sys.variableQuantity(j, t), x[static_cast<std::size_t>(t)]);
  }
  return true;
}

int solvePoint(Io& io, LoopState& s, EquilibriumSystem& sys, const Settings& set,
               const PointPlan& p, bool warm) {
  NleOptions quiet = sys.settings().solver;
  quiet.printLevel = std::min(quiet.printLevel, 1);
  auto attempt = [&](bool staged) {
    if (!staged) return donle(sys, io).code;
    if (set.solveP) sys.hold(kPQuantity, sys.value(kPQuantity));
    if (set.solveT) sys.hold(kTQuantity, sys.value(kTQuantity));
    if (sys.unknownCount() > 0) donle(sys, io, quiet);
    if (set.solveP) sys.release(kPQuantity);
    if (set.solveT) sys.release(kTQuantity);
    return donle(sys, io).code;
  };
  // Holding P and T for a first pass leaves a bulk calculation with more
  // equations (reactions and mass balance) than unknowns: it is staged only
  // without a bulk.
  const bool canStage = (set.solveP || set.solveT) && !s.c.setup.bulk;
  int code = donle(sys, io).code;
  if (code == kConverged) return code;
  if (warm) {
    // a start from the last point can fail where the set-up's guesses do not
    setx(io, s, sys, set, p, true);
    code = attempt(false);
    if (code == kConverged) return code;
  }
  if (canStage) {
    setx(io, s, sys, set, p, true);
    code = attempt(true);
    if (code == kConverged) return code;
  }
  for (Real fraction : kSpreadStarts) {
    setx(io, s, sys, set, p, true);
    if (!spreadStart(s, sys, fraction)) continue;
    int again = attempt(canStage);
    if (again == kConverged) return again;
  }
  return code;
}

bool knownToSimplecalc(int fluidtype) {
  return fluidtype >= kFluidSeveral && fluidtype <= kFluidAqueousMixed &&
         fluidtype != kFluidSeparate;
}

PointResult extract(EquilibriumSystem& sys, const Candidate& candidate, int code, bool modes) {
  PointResult r;
  r.code = code;
  r.solved = code == kConverged;
  const std::vector<Quantity>& list = sys.quantities();
  const int expected = 2 + candidate.nv + (modes ? sys.assemblage().phaseCount() : 0);
  if (static_cast<int>(list.size()) != expected) bomb("extract", "dimensions do not match");
  for (const Quantity& q : list) r.values.push_back(q.value);
  return r;
}

bool insideWindow(const WindowState& w, const Settings& set, const PointResult& r) {
  if (set.solveT && !inrange(w, kRangeT, r.values[kTQuantity])) return false;
  if (set.solveP && !inrange(w, kRangeP, r.values[kPQuantity])) return false;
  return true;
}

// The mark of a point that is not accepted: the solver's code, or where a
// converged point lies against the window.
std::string markOf(const WindowState& w, const Settings& set, const PointResult& r) {
  if (!r.solved) return std::to_string(r.code);
  if (set.solveT) {
    Real T = r.values[kTQuantity];
    if (T < w.Tlow) return "-";
    if (T > w.Thigh) return "+";
  }
  if (set.solveP) {
    Real P = r.values[kPQuantity];
    if (P < w.Plow) return "-";
    if (P > w.Phigh) return "+";
  }
  return "?";
}

}  // namespace

Real simplecalc(EquilibriumSystem& system, const WindowState& w, int fluidtype) {
  if (!knownToSimplecalc(fluidtype)) bomb("simplecalc", "unknown fluidtype");
  int q = 0;
  LinePlan plan;
  switch (w.calcvariable) {
    case kVarT:
      q = kTQuantity;
      plan.kind = kRangeT;
      plan.lo = w.Tlow;
      plan.hi = w.Thigh;
      plan.base = kBaseT;
      break;
    case kVarP:
      q = kPQuantity;
      plan.kind = kRangeP;
      plan.lo = w.Plow;
      plan.hi = w.Phigh;
      plan.base = kBaseP;
      break;
    default:
      bomb("calc", "unknown calcvariable");
  }
  const Real scale = system.quantities()[static_cast<std::size_t>(q)].scale;
  const int n = system.normaliser(0);
  LineFunction f = [&](Real x) {
    system.setValue(q, x);
    LineValue v;
    if (system.evaluateAtValues(true) != Evaluation::ok) {
      v.g = std::nan("");
      return v;
    }
    v.g = system.residuals()[0] * n;
    v.slope = system.lastJacobian()(0, 0) * n * scale;
    return v;
  };
  LineRoots roots = find(f, plan);
  Real root = roots.first;
  if (insideLine(plan, root)) {
    system.setValue(q, root);
    system.evaluateAtValues(false);
  }
  return root;
}

std::vector<PointResult> solve(Io& io, LoopState& s, const Candidate& candidate) {
  const PhaseDiagramSetup& setup = s.c.setup;
  const WindowState& w = s.c.windows;
  const int number = ++s.assemblages;
  Assemblage a = makeAssemblage(s.c.tables, planOf(s, candidate));
  s.endMarks();
  progressHeader(io, s, candidate, number);
  if (setup.infolevel >= 2 && candidate.rankDeficit > 0)
    io.putstr(0, "composition matrix is rank deficient", 1, kToConsoleLog);

  FinderOptions finder;
  finder.caller = FinderCaller::phaseDiagram;
  finder.excludedEndMembers = excludedEndMembers(a);
  finder.progress = setup.infolevel >= 2;
  ReactionSet set = findreactions(io, a.run, finder);
  // with a bulk composition the mass balance alone can settle an assemblage
  if (set.reactions.empty() && !(setup.bulk && candidate.nir == 0)) {
    io.putstr(0, "  cannot calculate this equilibrium (no reactions)", 1, s.resultsMask());
    return {};
  }
  if (set.degenerate || static_cast<int>(set.reactions.size()) != candidate.nir) {
    io.putstr(0, "  cannot calculate this equilibrium (degenerate?)", 1, s.resultsMask());
    return {};
  }

  EquilibriumSettings settings;
  settings.gibbs = setup.gibbs;
  settings.activity.io = &io;
  settings.activity.ds6 = setup.gibbs.ds6;
  settings.solver = solverOptions(s);
  EquilibriumSystem sys(io, s.c.tables, std::move(a), set.reactions, settings);
  CrossRefRequest request;
  request.p = w.Pmid;
  request.t = w.Tmid;
  request.solveP = setup.v == 0 || (setup.v == 1 && w.calcvariable == kVarP);
  request.solveT = setup.v == 0 || (setup.v == 1 && w.calcvariable == kVarT);
  request.ranges = rangesOf(w, request.ranges);
  request.modes = setup.bulk;
  sys.makecrossrefs(request);
  const Settings point = settingsOf(s, candidate, sys);
  const AssemblageOutput out = outputOf(s, sys, number);

  const BulkComposition& bulk = setup.bulkComposition;
  Projection projection;
  if (setup.bulk) projection = projectionFor(sys.assemblage());
  if (setup.dogmin && static_cast<int>(s.points.size()) > setup.gridLimit)
    bomb("solve", "PT grid in dogmin too big");

  std::vector<PointResult> stored;
  int converged = 0;
  bool headerWritten = false;
  bool lineStarted = true;  // the next accepted point starts a line of the diagram
  bool warm = false;
  const bool simple =
      setup.v == 1 && sys.unknownCount() == 1 && sys.reactionCount() == 1 && !setup.bulk;
  const int increments = setup.bulk ? bulk.count() : 1;
  for (const PointPlan& p : s.points) {
    if (p.newLine) {
      lineStarted = true;
      warm = false;
    }
    for (int increment = 1; increment <= increments; ++increment) {
      ++s.pointsTried;
      BulkPoint b;
      if (setup.bulk) {
        b.bulk = bulkAt(bulk, increment);
        sys.setBulk(b.bulk.bulk, projection);
      }
      setx(io, s, sys, point, p, !warm);
      int code = kConverged;
      if (sys.unknownCount() == 0 && setup.v == 2) {
        code = sys.evaluateAtValues(false) == Evaluation::ok ? kConverged : kCouldNotStart;
      } else if (simple) {
        int q = w.calcvariable == kVarT ? kTQuantity : kPQuantity;
        Real root = simplecalc(sys, w, setup.fluidtype);
        code = inrange(w, q == kTQuantity ? kRangeT : kRangeP, root) ? kConverged : kNoInterval;
      } else {
        code = solvePoint(io, s, sys, point, p, warm);
      }
      PointResult r = extract(sys, candidate, code, setup.bulk);
      r.row = shownRow(s, p);
      if (r.solved) ++converged;
      r.accepted = r.solved && insideWindow(w, point, r);
      warm = r.solved;
      if (r.accepted && setup.bulk) {
        const bool inRange = modesInRange(sys);
        b.pseudo = makepseudo(sys, b.bulk.bulk, sys.unknownCount(), fluidPhases(s, candidate, sys));
        b.uncertain = !inRange;
        r.accepted = setup.c8 || (inRange && b.pseudo.consistent);
      }
      if (!r.accepted) {
        s.mark(r.solved && setup.bulk && insideWindow(w, point, r) ? std::string("m")
                                                                   : markOf(w, point, r));
        continue;
      }
      ++s.pointsAccepted;
      s.endMarks();
      if (setup.uncertainties && s.c.dataset != nullptr)
        r.sd = pointUncertainties(sys, *s.c.dataset, s.c.tables);
      printresults(io, w, out, r, lineStarted, s.resultsMask());
      if (setup.bulk) writeBulkPoint(io, s, sys, candidate, out, b);
      ProjectionRows projected;
      if (setup.project) {
        projected = projectionOf(s, sys, candidate, b);
        projcomp(io, setup.plane, projected, s.resultsMask());
      }
      if (s.c.script.printxyz == kUsePreset)
        guessblock(io, out, r, setup.bulk ? b.pseudo.modes : std::vector<Real>{});
      if (io.isOpen(kOfile)) {
        const AlgebraSwitches algebra = algebraSwitches(s.c.script);
        if (stored.empty()) algebraHeader(io, algebra, sys, w, setup.gibbs, number);
        algebraPoint(io, algebra, r, setup.v, lineStarted, number);
      }
      if (s.drawingWanted() && !(s.drawing.drawnames && setup.dogmin)) {
        if (!headerWritten || (s.drawing.drawnames && lineStarted)) {
          drawingHeader(io, out, drawingName(s.drawing, setup.v, number), s.drawing);
          headerWritten = true;
        }
        drawingLine(io, w, r, s.drawing);
        // the modes for algebra programs; a drawing file that is to be drawn
        // as it is holds only its data lines
        if (setup.bulk && !s.drawing.drawnames)
          modesBlock(io, r.values[kPQuantity], r.values[kTQuantity] - kCelsius, out.phases,
                     b.pseudo);
        if (setup.project && !s.drawing.drawnames)
          projectionBlock(io, r.values[kPQuantity], r.values[kTQuantity] - kCelsius, setup.plane,
                          projected);
      }
      if (setup.dogmin) bookPoint(io, s, candidate, r, b);
      lineStarted = false;
      if (static_cast<int>(stored.size()) < kMaxStoredPoints) stored.push_back(std::move(r));
    }
  }
  s.endMarks();
  if (stored.empty())
    io.putstr(0, converged > 0 ? "<== nothing in range ==>" : "<== nothing found ==>", 1,
              s.resultsMask());
  return stored;
}

}  // namespace pf
