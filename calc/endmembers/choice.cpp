#include "calc/endmembers/choice.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "calc/ax/activity.h"
#include "calc/ax/order.h"
#include "calc/endmembers/components.h"
#include "calc/thermo/activity_uncertainty.h"
#include "calc/thermo/gibbs.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr const char* kExtractem = "extractem";

bool reactionsMode(const ChoiceRequest& request) {
  return request.calcCode == kCalcReactions;
}

bool activitiesMode(const ChoiceRequest& request) {
  return request.calcCode == kCalcReactions || request.calcCode == kCalcAveragePT;
}

int endMembersHeld(const PhaseTables& phases) {
  int n = phases.pureCount();
  for (const SolutionPhase& s : phases.solutions) n += s.endMemberCount();
  return n;
}

// Mode 3 leaves the fluid of x(CO2) diagrams and the phase of a log a axis
// out of the list; they take part whatever the answer, since the diagram
// cannot be drawn without them.
bool unlistedPure(const std::string& name, const ChoiceRequest& request) {
  if (!reactionsMode(request)) return false;
  switch (request.diagrammode) {
    case kDiagramPT:
    case kDiagramPmu:
    case kDiagramTmu:
      return false;
    case kDiagramPX:
    case kDiagramTX:
      return name == "H2O" || name == "CO2";
    case kDiagramPlna:
    case kDiagramTlna:
      return !request.lnaAxis.empty() && name == request.lnaAxis;
    default:
      bomb(kExtractem, "unknown diagrammode", 1);
  }
}

void listPhases(Io& io, const PhaseTables& phases, const ChoiceRequest& request) {
  std::string line;
  int onLine = 0;
  auto add = [&](const std::string& name) {
    line += name + " ";
    if (++onLine == kNamesPerListLine) {
      io.putstr(0, line, 1, kToConsoleLog);
      line.clear();
      onLine = 0;
    }
  };
  for (const SolutionPhase& s : phases.solutions) add(s.name);
  for (const PurePhase& p : phases.pures)
    if (!unlistedPure(p.name, request)) add(p.name);
  if (!line.empty()) io.putstr(0, line, 1, kToConsoleLog);
}

// A name that is no phase is asked for once more; 0 when the reply is empty,
// too long or still no phase.
int checkedPhase(Io& io, const PhaseTables& phases, const std::string& name) {
  int k = phaseNumber(phases, name);
  if (k != 0) return k;
  std::string reply = promptline(io, "bad name : replace " + name + " with");
  if (reply.empty()) return 0;
  if (reply.size() > kMaxToken) {
    io.putstr(0, " name too long: name ignored", 1, kToConsoleLog);
    return 0;
  }
  k = phaseNumber(phases, reply);
  if (k == 0) io.putstr(0, " still a bad name: name ignored", 1, kToConsoleLog);
  return k;
}

void setPhase(PhaseSelection& chosen, const PhaseTables& phases, int number, bool in) {
  int ns = phases.solutionCount();
  if (number <= ns) {
    chosen.solutions[static_cast<std::size_t>(number - 1)] = in;
  } else {
    chosen.pures[static_cast<std::size_t>(number - ns - 1)] = in;
  }
}

// The answer's names: from the script's `which` list, or asked.
std::vector<std::string> phaseAnswer(Io& io, const ScriptSettings& script,
                                     const std::string& question) {
  std::vector<std::string> names;
  if (script.which.state == kUsePreset) {
    names = script.which.names;
    std::string line = question + " :";
    for (const std::string& name : names) line += " " + name;
    io.putstr(0, line + " (from script)", 1, kToConsoleLog);
    return names;
  }
  Tokens answer;
  promptstrings(io, question, answer);
  for (int k = 1; k <= answer.count; ++k) names.push_back(answer[k]);
  return names;
}

PhaseSelection readChoice(Io& io, const PhaseTables& phases,
                          const std::vector<std::string>& names) {
  PhaseSelection chosen;
  bool omit = !names.empty() && (names[0] == "omit" || names[0] == "0mit");
  bool all = names.size() < 2 || omit;
  chosen.solutions.assign(phases.solutions.size(), all);
  chosen.pures.assign(phases.pures.size(), all);
  if (names.size() < 2) return chosen;
  for (std::size_t k = omit ? 1 : 0; k < names.size(); ++k) {
    int number = checkedPhase(io, phases, names[k]);
    if (number != 0) setPhase(chosen, phases, number, !omit);
  }
  return chosen;
}

bool askedInMode3(const PhaseTables& phases, const ScriptSettings& script) {
  return endMembersHeld(phases) > kMaxEndMembers || script.which.state != kDontUse;
}

PhaseSelection choosePhases(Io& io, const PhaseTables& phases, const ScriptSettings& script,
                            const ChoiceRequest& request) {
  if (reactionsMode(request) && !askedInMode3(phases, script)) return PhaseSelection::all(phases);
  listPhases(io, phases, request);
  bool noSolutions = phases.solutions.empty();
  std::string question =
      request.calcCode == kCalcAveragePT && noSolutions ? "which end-members" : "which phases";
  PhaseSelection chosen = readChoice(io, phases, phaseAnswer(io, script, question));
  for (std::size_t k = 0; k < phases.pures.size(); ++k)
    if (unlistedPure(phases.pures[k].name, request)) chosen.pures[k] = true;
  return chosen;
}

bool anySolution(const PhaseSelection& chosen) {
  return std::find(chosen.solutions.begin(), chosen.solutions.end(), true) !=
         chosen.solutions.end();
}

Real askPressure(Io& io) {
  std::string question = "P for a-x";
  for (;;) {
    Real p = promptreal(io, question);
    if (p > 0 && p <= kPmax) return p;
    question = "P must lie above 0 and up to 1500 kbar - try again: P for a-x";
  }
}

Real askTemperature(Io& io) {
  std::string question = "T for a-x";
  for (;;) {
    Real t = promptreal(io, question) + kCelsius;
    if (t > 0 && t <= kTmax) return t;
    question = "T must lie above -273 and up to 2727" + std::string(1, kDegree) +
               "C - try again: T for a-x";
  }
}

OrderSettings orderSettings(Io& io, const Dataset& ds) {
  OrderSettings s;
  s.gibbs = gibbsSettings(ds);
  s.solver.printLevel = 0;
  s.activity = ActivityContext{&io, ds.ds6};
  return s;
}

// One solution's end-members on the console: name, whether it takes part,
// its activity and sd(a).
void showActivities(Io& io, const SolutionPhase& phase, const std::vector<Real>& a,
                    const std::vector<Real>& sd) {
  for (int l = 0; l < phase.endMemberCount(); ++l) {
    const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
    std::string line;
    addfield(line, em.name, -8);
    line += em.excluded ? "  ---" : "  included";
    addfield(line, a[static_cast<std::size_t>(l)], 3, Digits::fixed, 10);
    addfield(line, sd[static_cast<std::size_t>(l)], 5, Digits::fixed, 12);
    io.putstr(0, line, 1, kToConsole);
  }
}

// What one included end-member of the run is made of, for its record and
// its enthalpy covariances.
struct Member {
  std::string name;
  EndMember record;
  Real a = 1;
  Real sd = 0;
  std::vector<std::pair<std::string, Real>> constituents;  // dataset names, coefficients
};

std::vector<std::pair<std::string, Real>> constituentsOf(const std::string& name,
                                                         const MakeList& make) {
  std::vector<std::pair<std::string, Real>> out;
  if (make.made()) {
    for (int k = 0; k < make.count; ++k)
      out.emplace_back(make.terms[static_cast<std::size_t>(k)].name, make.coefficient(k));
  } else {
    out.emplace_back(name, 1);
  }
  return out;
}

EndMember runRecord(const EndMember& inPhase, bool madeInSolution) {
  EndMember record = inPhase;
  for (int slot = kIonicStrength; slot <= kXH2O; ++slot)
    record.slot[static_cast<std::size_t>(slot)] = 0;
  if (!madeInSolution) {
    record.slot[kMadePhase] = 0;
    record.slot[kMadeMark] = 0;
  }
  return record;
}

// The enthalpy covariances of the run's end-members from the dataset's:
// a made end-member's row is the coefficient-weighted sum of its
// constituents' rows.
void covariances(RunEndMembers& run, const std::vector<Member>& members, const Dataset& ds,
                 const std::vector<std::string>& wanted) {
  std::map<std::string, int> internal;
  for (std::size_t k = 0; k < wanted.size(); ++k)
    internal.emplace(wanted[k], static_cast<int>(k) + 1);
  int n = static_cast<int>(members.size());
  run.cov.assign(static_cast<std::size_t>((n + 1) * (n + 1)), 0);
  auto dsCov = [&](const std::string& a, const std::string& b) -> Real {
    auto i = internal.find(a), j = internal.find(b);
    if (i == internal.end() || j == internal.end() || ds.cov.empty()) return 0;
    return ds.covariance(i->second, j->second);
  };
  for (int p = 1; p <= n; ++p) {
    for (int q = p; q <= n; ++q) {
      Real sum = 0;
      for (const auto& [a, ca] : members[static_cast<std::size_t>(p - 1)].constituents)
        for (const auto& [b, cb] : members[static_cast<std::size_t>(q - 1)].constituents)
          sum += ca * cb * dsCov(a, b);
      run.cov[static_cast<std::size_t>(p * (n + 1) + q)] = sum;
      run.cov[static_cast<std::size_t>(q * (n + 1) + p)] = sum;
    }
  }
}

// The default uncertainty rule of average P-T, applied to every activity.
void applyDefaultUncertainties(RunEndMembers& run, const ScriptSettings& script) {
  UncertaintyParameters u;
  if (script.defsdaparams == kDontUse) u.u1 = 0;
  for (int e = 1; e <= run.total(); ++e)
    run.sdActivity[e] =
        sdWithDefault(run.activity[e], run.sdActivity[e], activityExponent(run.em[e]), u);
}

// The smallest scale that makes every value of a component whole; 0 when
// none up to kMaxComponentScale does.
int wholeScale(const std::vector<Real>& values) {
  for (int k = 1; k <= kMaxComponentScale; ++k) {
    bool whole = true;
    for (Real v : values) {
      Real scaled = v * k;
      if (std::fabs(scaled - std::round(scaled)) > 1e-6L) {
        whole = false;
        break;
      }
    }
    if (whole) return k;
  }
  return 0;
}

}  // namespace

int phaseNumber(const PhaseTables& phases, const std::string& name) {
  std::string wanted = cut20(name);
  for (int s = 0; s < phases.solutionCount(); ++s)
    if (phases.solutions[static_cast<std::size_t>(s)].name == wanted) return s + 1;
  for (int k = 0; k < phases.pureCount(); ++k)
    if (phases.pures[static_cast<std::size_t>(k)].name == wanted)
      return phases.solutionCount() + k + 1;
  return 0;
}

std::vector<Real> endMemberActivities(const SolutionPhase& phase, const std::vector<Real>& x,
                                      Real p, Real t, const ActivityContext& context) {
  ActivityResult result;
  calca(phase, x, p, t, 0, context, result);
  std::vector<Real> a(static_cast<std::size_t>(phase.endMemberCount()));
  for (int l = 0; l < phase.endMemberCount(); ++l) {
    const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
    a[static_cast<std::size_t>(l)] = em.dependsOn.empty()
                                         ? result.a[static_cast<std::size_t>(l)]
                                         : dependentActivity(context.io, phase, l, result, false);
  }
  return a;
}

std::vector<Real> activityUncertainties(const SolutionPhase& phase, const std::vector<Real>& x,
                                        Real p, Real t, const ActivityContext& context) {
  std::vector<Real> a = endMemberActivities(phase, x, p, t, context);
  std::vector<Real> sum(a.size(), 0);
  for (int v = 0; v < phase.variableCount(); ++v) {
    Real sd = phase.variables[static_cast<std::size_t>(v)].sd;
    if (sd == 0) continue;
    std::vector<Real> moved = x;
    moved[static_cast<std::size_t>(v)] = x[static_cast<std::size_t>(v)] + sd;
    if (!siteFractionsPositive(phase, moved)) {
      moved[static_cast<std::size_t>(v)] = x[static_cast<std::size_t>(v)] - sd;
      if (!siteFractionsPositive(phase, moved)) continue;  // no legal move: no measure
    }
    std::vector<Real> changed = endMemberActivities(phase, moved, p, t, context);
    for (std::size_t l = 0; l < a.size(); ++l) {
      Real d = changed[l] - a[l];
      sum[l] += d * d;
    }
  }
  for (Real& s : sum) s = std::sqrt(s);
  return sum;
}

void compositionMatrix(RunEndMembers& run, const OxideTable& oxides) {
  int n = run.total();
  std::vector<ComponentAmounts> amounts(static_cast<std::size_t>(n) + 1);
  for (int e = 1; e <= n; ++e)
    amounts[static_cast<std::size_t>(e)] = componentAmounts(run.em[e], oxides);
  std::vector<int> rows(kOxideCount);
  std::iota(rows.begin(), rows.end(), 1);
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    return oxides[static_cast<std::size_t>(a - 1)].order <
           oxides[static_cast<std::size_t>(b - 1)].order;
  });
  run.componentRow = {0};
  run.componentNames = {""};
  run.divisor = {0};
  run.comp = {{}};
  for (int row : rows) {
    const Oxide& oxide = oxides[static_cast<std::size_t>(row - 1)];
    int base = componentDivisor(oxide);
    std::vector<Real> atoms(static_cast<std::size_t>(n) + 1, 0);
    bool present = false;
    for (int e = 1; e <= n; ++e) {
      Real amount = amounts[static_cast<std::size_t>(e)][static_cast<std::size_t>(row)];
      if (!holdsAmount(amount)) continue;
      atoms[static_cast<std::size_t>(e)] = amount * base;
      present = true;
    }
    if (!present) continue;
    int scale = wholeScale(atoms);
    if (scale == 0) bomb(kExtractem, oxide.oxide + " amounts not whole in any small multiple");
    std::vector<int> column(static_cast<std::size_t>(n) + 1, 0);
    for (int e = 1; e <= n; ++e)
      column[static_cast<std::size_t>(e)] = static_cast<int>(
          std::lround(static_cast<double>(atoms[static_cast<std::size_t>(e)] * scale)));
    run.componentRow.push_back(row);
    run.componentNames.push_back(oxide.oxide);
    run.divisor.push_back(base * scale);
    run.comp.push_back(std::move(column));
  }
}

EndMemberChoice extractem(Io& io, const ChoiceInputs& in, const ChoiceRequest& request) {
  PhaseTables& phases = in.phases;
  EndMemberChoice out;
  if (!phases.solutions.empty())
    io.putstr(1, "H(solid) solutions will be taken apart into their constituent end-members", 1,
              kToConsoleLog);
  out.chosen = choosePhases(io, phases, in.script, request);

  // the dataset's selection and full pass, then the records inside the phases
  std::vector<std::string> wanted = makename(phases, out.chosen);
  if (!wanted.empty()) {
    makep(in.ds, wanted);
    readthermo(in.ds);
  }
  makeemtd(phases, in.ds, out.chosen);

  // activities of the solutions' end-members at the a-x P and T
  std::vector<std::vector<Real>> a(phases.solutions.size()), sd(phases.solutions.size());
  for (std::size_t s = 0; s < phases.solutions.size(); ++s) {
    a[s].assign(static_cast<std::size_t>(phases.solutions[s].endMemberCount()), 1);
    sd[s].assign(a[s].size(), 0);
  }
  if (activitiesMode(request) && anySolution(out.chosen)) {
    io.putstr(0, "activities of end-members in solid solutions are", 1, kToConsoleLog);
    io.putstr(0, "calculated with datafile values of compositional variables", 1, kToConsoleLog);
    out.pForAx = askPressure(io);
    out.tForAx = askTemperature(io);
    out.activitiesCalculated = true;
    OrderSettings order = orderSettings(io, in.ds);
    for (std::size_t s = 0; s < phases.solutions.size(); ++s) {
      if (!out.chosen.solutions[s]) continue;
      SolutionPhase& phase = phases.solutions[s];
      if (phase.hasOrder) {
        LegalQResult legal = findlegalq(io, phase, phases.random, out.pForAx, out.tForAx, order);
        if (!legal.found) bomb(kExtractem, "couldn't solve for state of order for " + phase.name);
      }
      std::vector<Real> x = phase.guesses();
      a[s] = endMemberActivities(phase, x, out.pForAx, out.tForAx, order.activity);
      sd[s] = activityUncertainties(phase, x, out.pForAx, out.tForAx, order.activity);
      showActivities(io, phase, a[s], sd[s]);
    }
  }

  // the run's end-members: solutions first, in phase order, then pure phases
  std::vector<Member> members;
  for (std::size_t s = 0; s < phases.solutions.size(); ++s) {
    if (!out.chosen.solutions[s]) continue;
    const SolutionPhase& phase = phases.solutions[s];
    for (std::size_t l = 0; l < phase.endMembers.size(); ++l) {
      const AxEndMember& em = phase.endMembers[l];
      if (em.excluded) continue;
      Member m;
      m.name = em.name;
      m.record = runRecord(em.record, em.make.made() && in.ds.dsmode > 2);
      m.a = a[s][l];
      m.sd = sd[s][l];
      m.constituents = constituentsOf(em.name, em.make);
      members.push_back(std::move(m));
    }
  }
  for (std::size_t k = 0; k < phases.pures.size(); ++k) {
    if (!out.chosen.pures[k]) continue;
    const PurePhase& pure = phases.pures[k];
    Member m;
    m.name = pure.name;
    m.record = runRecord(pure.record, false);
    m.a = pure.activity;
    m.sd = pure.sdActivity;
    m.constituents = constituentsOf(pure.endMember, pure.make);
    members.push_back(std::move(m));
  }
  if (static_cast<int>(members.size()) > kMaxEndMembers)
    bomb(kExtractem,
         "too many end-members: at most " + std::to_string(kMaxEndMembers) + " in one run");

  RunEndMembers& run = out.run;
  run.names = {""};
  run.em = {EndMember{}};
  run.activity = {0};
  run.sdActivity = {0};
  for (const Member& m : members) {
    run.names.push_back(m.name);
    run.em.push_back(m.record);
    run.activity.push_back(m.a);
    run.sdActivity.push_back(m.sd);
  }
  if (out.activitiesCalculated && query(io, "standard default uncertainties on activities"))
    applyDefaultUncertainties(run, in.script);
  compositionMatrix(run, in.oxides);
  covariances(run, members, in.ds, wanted);
  return out;
}

namespace {

void removeComponent(RunEndMembers& run, int c) {
  run.componentRow.erase(run.componentRow.begin() + c);
  run.componentNames.erase(run.componentNames.begin() + c);
  run.divisor.erase(run.divisor.begin() + c);
  run.comp.erase(run.comp.begin() + c);
}

void removeEndMember(RunEndMembers& run, int e) {
  int n = run.total();
  std::vector<Real> cov(static_cast<std::size_t>(n * n), 0);
  for (int p = 1, pp = 1; p <= n; ++p) {
    if (p == e) continue;
    for (int q = 1, qq = 1; q <= n; ++q) {
      if (q == e) continue;
      cov[static_cast<std::size_t>(pp * n + qq)] = run.covariance(p, q);
      ++qq;
    }
    ++pp;
  }
  run.cov = std::move(cov);
  run.names.erase(run.names.begin() + e);
  run.em.erase(run.em.begin() + e);
  run.activity.erase(run.activity.begin() + e);
  run.sdActivity.erase(run.sdActivity.begin() + e);
  for (int c = 1; c <= run.components(); ++c)
    run.comp[static_cast<std::size_t>(c)].erase(run.comp[static_cast<std::size_t>(c)].begin() + e);
}

}  // namespace

void clean(Io& io, RunEndMembers& run) {
  bool firstLine = true;
  for (bool changed = true; changed;) {
    changed = false;
    for (int c = run.components(); c >= 1; --c) {
      int holders = 0, holder = 0;
      for (int e = 1; e <= run.count() && holders < 2; ++e) {
        if (run.comp[static_cast<std::size_t>(c)][static_cast<std::size_t>(e)] == 0) continue;
        ++holders;
        holder = e;
      }
      if (holders >= 2) continue;
      if (holders == 1) {
        io.putstr(firstLine ? 1 : 0, run.names[holder] + " excluded", 1, kToConsoleLog);
        firstLine = false;
        removeEndMember(run, holder);
      }
      removeComponent(run, c);
      changed = true;
    }
  }
  if (run.count() < 2) bomb("clean", "insufficient end-members");
}

RunEndMembers chooseRockEndMembers(Io& io, const ChoiceInputs& in) {
  ChoiceRequest request;
  request.calcCode = kCalcAveragePT;
  EndMemberChoice choice = extractem(io, in, request);
  clean(io, choice.run);
  return std::move(choice.run);
}

}  // namespace pf
