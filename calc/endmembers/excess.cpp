#include "calc/endmembers/excess.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>

#include "common/bomb.h"
#include "common/prompts.h"
#include "common/text.h"
#include "common/tokens.h"

namespace pf {

namespace {

constexpr const char* kInexcess = "inexcess";
constexpr const char* kProjection = "in excess";

int endMemberNamed(const RunEndMembers& run, const std::string& name) {
  for (int e = 1; e <= run.count(); ++e)
    if (run.names[e] == name) return e;
  return 0;
}

int componentNamed(const RunEndMembers& run, const std::string& name) {
  for (int c = 1; c <= run.components(); ++c)
    if (run.componentNames[c] == name) return c;
  return 0;
}

bool xco2Diagram(int diagrammode) {
  return diagrammode == kDiagramPX || diagrammode == kDiagramTX;
}

// A fluid switch of the script: used when the script names it (its yes or
// no answers the question, ask asks it), otherwise the question is not put.
bool switchSaysNo(Io& io, bool given, int state, const char* question) {
  if (!given) return false;
  promptcontrol(io, question, state);
  return state == kDontUse;
}

std::string axisName(Io& io, const std::string& preset, const std::string& question) {
  if (!preset.empty()) {
    io.putstr(0, question + " : " + preset + " (from script)", 1, kToConsoleLog);
    return preset;
  }
  return promptstring(io, question, kMaxToken);
}

std::string lnaSetup(Io& io, const RunEndMembers& run, const std::string& preset, bool bothFluids) {
  std::string name = axisName(io, preset, "name of end-member to be used in log a");
  if (endMemberNamed(run, name) == 0) {
    name = promptstring(io, "bad name : replace " + name + " with", kMaxToken);
    if (endMemberNamed(run, name) == 0) bomb(kInexcess, "log a setup");
  }
  if ((name == "H2O" || name == "CO2") && bothFluids) {
    io.putstr(0, "Cannot handle H2O or CO2 in lna in system with H2O and CO2", 1, kToConsoleLog);
    name = promptstring(io, "replace " + name + " with", kMaxToken);
    if (endMemberNamed(run, name) == 0 || name == "H2O" || name == "CO2")
      bomb(kInexcess, "log a setup");
  }
  return name;
}

std::vector<std::string> excessList(Io& io, const ScriptSettings& script) {
  int use = script.setexcess.state;
  promptcontrol(io, "use in excess phases specified in datafile", use);
  std::vector<std::string> names;
  if (use == kUsePreset) {
    names = script.setexcess.names;
    if (names.empty()) {
      io.putstr(0, "no phases in excess (from script)", 1, kToAll);
    } else {
      std::string line = "phases in excess:";
      for (const std::string& name : names) line += " " + name;
      io.putstr(0, line + " (from script)", 1, kToAll);
    }
  } else {
    Tokens answer;
    promptstrings(io, "in excess: names", answer);
    for (int k = 1; k <= answer.count; ++k) names.push_back(answer[k]);
  }
  if (!names.empty() && names.back() == "*") names.pop_back();
  return names;
}

void addOnce(std::vector<std::string>& names, const std::string& name) {
  if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

// The end-members of the excess list, in its order; an unknown name is
// asked for once more and then dropped.
std::vector<int> excessEndMembers(Io& io, const RunEndMembers& run, std::vector<std::string>& names,
                                  const std::string& muName, int muPhase) {
  std::vector<int> members;
  std::vector<std::string> kept;
  for (const std::string& listed : names) {
    std::string name = listed;
    int e = !muName.empty() && name == muName ? muPhase : endMemberNamed(run, name);
    if (e == 0) {
      name = promptstring(io, name + " not recognised : replace with", kMaxToken);
      e = endMemberNamed(run, name);
      if (e == 0) {
        io.putstr(0, "forget it!  (name still unrecognised)", 1, kToConsoleLog);
        continue;
      }
    }
    if (std::find(members.begin(), members.end(), e) != members.end()) continue;
    members.push_back(e);
    kept.push_back(name);
  }
  names = kept;
  return members;
}

using Wide = std::int64_t;
constexpr Wide kLargest = 1000000000;  // compositions stay within int

Wide checkedWide(Wide value) {
  if (value > kLargest || value < -kLargest) bomb(kProjection, "projection does not work");
  return value;
}

}  // namespace

void appendMuPhase(RunEndMembers& run, int c) {
  int n = run.total();
  std::vector<Real> cov(static_cast<std::size_t>((n + 2) * (n + 2)), 0);
  for (int p = 1; p <= n; ++p)
    for (int q = 1; q <= n; ++q)
      cov[static_cast<std::size_t>(p * (n + 2) + q)] = run.covariance(p, q);
  run.cov = std::move(cov);
  EndMember mu;
  mu.name = run.componentNames[c];
  run.names.push_back(mu.name);
  run.em.push_back(mu);
  run.activity.push_back(1);
  run.sdActivity.push_back(0);
  for (int k = 1; k <= run.components(); ++k)
    run.comp[static_cast<std::size_t>(k)].push_back(k == c ? run.divisor[k] : 0);
}

std::vector<int> project(RunEndMembers& run, const std::vector<int>& excess) {
  int n = run.total();
  int nc = run.components();
  int nx = static_cast<int>(excess.size());
  std::vector<int> place(static_cast<std::size_t>(n) + 1);
  std::iota(place.begin(), place.end(), 0);
  if (nx == 0) return place;
  std::vector<std::vector<Wide>> comp(static_cast<std::size_t>(nc) + 1,
                                      std::vector<Wide>(static_cast<std::size_t>(n) + 1, 0));
  for (int c = 1; c <= nc; ++c)
    for (int e = 1; e <= n; ++e)
      comp[static_cast<std::size_t>(c)][static_cast<std::size_t>(e)] = run.comp[c][e];
  auto holds = [&](int c, int e) {
    return comp[static_cast<std::size_t>(c)][static_cast<std::size_t>(e)] != 0;
  };

  // pivots: those holding one component take it first, then the others
  // the first component they hold that is still free
  std::vector<int> pivot(static_cast<std::size_t>(nx), 0);
  std::vector<bool> taken(static_cast<std::size_t>(nc) + 1, false);
  std::vector<int> order;
  for (int k = 0; k < nx; ++k) {
    int held = 0, only = 0;
    for (int c = 1; c <= nc; ++c)
      if (holds(c, excess[static_cast<std::size_t>(k)])) {
        ++held;
        only = c;
      }
    if (held != 1 || taken[static_cast<std::size_t>(only)]) continue;
    pivot[static_cast<std::size_t>(k)] = only;
    taken[static_cast<std::size_t>(only)] = true;
    order.push_back(k);
  }
  for (int k = 0; k < nx; ++k) {
    if (pivot[static_cast<std::size_t>(k)] != 0) continue;
    for (int c = 1; c <= nc && pivot[static_cast<std::size_t>(k)] == 0; ++c)
      if (holds(c, excess[static_cast<std::size_t>(k)]) && !taken[static_cast<std::size_t>(c)]) {
        pivot[static_cast<std::size_t>(k)] = c;
        taken[static_cast<std::size_t>(c)] = true;
      }
    if (pivot[static_cast<std::size_t>(k)] == 0) bomb(kProjection, "projection does not work");
    order.push_back(k);
  }

  // each column as a combination of the original columns: alpha[e][f]
  std::vector<std::vector<Wide>> alpha(static_cast<std::size_t>(n) + 1,
                                       std::vector<Wide>(static_cast<std::size_t>(n) + 1, 0));
  for (int e = 1; e <= n; ++e) alpha[static_cast<std::size_t>(e)][static_cast<std::size_t>(e)] = 1;
  for (int k : order) {
    int x = excess[static_cast<std::size_t>(k)];
    int p = pivot[static_cast<std::size_t>(k)];
    Wide P = comp[static_cast<std::size_t>(p)][static_cast<std::size_t>(x)];
    if (P == 0) bomb(kProjection, "projection does not work");
    for (int e = 1; e <= n; ++e) {
      Wide Q = comp[static_cast<std::size_t>(p)][static_cast<std::size_t>(e)];
      if (e == x || Q == 0) continue;
      Wide g = std::gcd(std::llabs(P), std::llabs(Q));
      Wide a = std::llabs(P) / g;
      Wide b = (P < 0 ? -Q : Q) / g;
      for (int c = 1; c <= nc; ++c) {
        Wide& v = comp[static_cast<std::size_t>(c)][static_cast<std::size_t>(e)];
        v = checkedWide(a * v - b * comp[static_cast<std::size_t>(c)][static_cast<std::size_t>(x)]);
      }
      for (int f = 1; f <= n; ++f) {
        Wide& v = alpha[static_cast<std::size_t>(e)][static_cast<std::size_t>(f)];
        v = checkedWide(a * v -
                        b * alpha[static_cast<std::size_t>(x)][static_cast<std::size_t>(f)]);
      }
    }
  }

  // the others first, in their order, then the excess end-members; the
  // pivot components leave the composition matrix
  std::vector<bool> isExcess(static_cast<std::size_t>(n) + 1, false);
  for (int x : excess) isExcess[static_cast<std::size_t>(x)] = true;
  place.assign(1, 0);  // new position -> old
  for (int e = 1; e <= n; ++e)
    if (!isExcess[static_cast<std::size_t>(e)]) place.push_back(e);
  for (int x : excess) place.push_back(x);
  int seen = n - nx;

  RunEndMembers out;
  out.names.push_back("");
  out.em.push_back(EndMember{});
  out.activity.push_back(0);
  out.sdActivity.push_back(0);
  for (int e = 1; e <= n; ++e) {
    int old = place[static_cast<std::size_t>(e)];
    out.names.push_back(run.names[old]);
    out.em.push_back(run.em[old]);
    out.activity.push_back(run.activity[old]);
    out.sdActivity.push_back(run.sdActivity[old]);
  }
  out.cov.assign(static_cast<std::size_t>((n + 1) * (n + 1)), 0);
  for (int p = 1; p <= n; ++p)
    for (int q = 1; q <= n; ++q)
      out.cov[static_cast<std::size_t>(p * (n + 1) + q)] =
          run.covariance(place[static_cast<std::size_t>(p)], place[static_cast<std::size_t>(q)]);
  out.componentRow.push_back(0);
  out.componentNames.push_back("");
  out.divisor.push_back(0);
  out.comp.push_back({});
  ExcessProjection& projection = out.projection;
  projection.pivotNames.push_back("");
  for (int k = 0; k < nx; ++k)
    projection.pivotNames.push_back(run.componentNames[pivot[static_cast<std::size_t>(k)]]);
  for (int c = 1; c <= nc; ++c) {
    if (taken[static_cast<std::size_t>(c)]) continue;
    out.componentRow.push_back(run.componentRow[c]);
    out.componentNames.push_back(run.componentNames[c]);
    out.divisor.push_back(run.divisor[c]);
    std::vector<int> row(static_cast<std::size_t>(seen) + 1, 0);
    for (int e = 1; e <= seen; ++e)
      row[static_cast<std::size_t>(e)] =
          static_cast<int>(comp[static_cast<std::size_t>(c)]
                               [static_cast<std::size_t>(place[static_cast<std::size_t>(e)])]);
    out.comp.push_back(std::move(row));
  }
  projection.excess = nx;
  projection.scale.assign(static_cast<std::size_t>(seen) + 1, 0);
  projection.take.assign(static_cast<std::size_t>(seen) + 1,
                         std::vector<int>(static_cast<std::size_t>(nx) + 1, 0));
  for (int e = 1; e <= seen; ++e) {
    int old = place[static_cast<std::size_t>(e)];
    const std::vector<Wide>& a = alpha[static_cast<std::size_t>(old)];
    for (int f = 1; f <= n; ++f)
      if (f != old && !isExcess[static_cast<std::size_t>(f)] && a[static_cast<std::size_t>(f)] != 0)
        bomb(kProjection, "projection mixes end-members", 1);
    projection.scale[static_cast<std::size_t>(e)] =
        static_cast<int>(a[static_cast<std::size_t>(old)]);
    for (int k = 0; k < nx; ++k)
      projection.take[static_cast<std::size_t>(e)][static_cast<std::size_t>(k) + 1] =
          static_cast<int>(-a[static_cast<std::size_t>(excess[static_cast<std::size_t>(k)])]);
  }
  run = std::move(out);
  return place;
}

ExcessSettings inexcess(Io& io, RunEndMembers& run, const ScriptSettings& script, int diagrammode,
                        const std::string& lnaName, const std::string& muName) {
  ExcessSettings s;
  bool h2o = endMemberNamed(run, "H2O") != 0;
  bool co2 = endMemberNamed(run, "CO2") != 0;
  s.presence.h2o = h2o;
  s.presence.co2 = co2;
  for (int e = 1; e <= run.count(); ++e)
    if (nameRules(run.em[e].name).cordierite) s.presence.cordierite = true;

  // the fluid type; an x(CO2) diagram keeps its fixed mole fractions
  if (xco2Diagram(diagrammode)) {
    s.fluidtype = kFluidMoleFractions;
  } else if (!h2o && !co2) {
    s.fluidtype = kFluidActivities;
  } else if (switchSaysNo(io, script.fluidpresentGiven, script.fluidpresent,
                          "fluid may be present")) {
    s.fluidtype = kFluidActivities;
  } else {
    s.fluidtype = co2 ? kFluidPureCO2 : kFluidPureH2O;
  }

  std::string names;
  for (int e = 1; e <= run.count(); ++e) names += run.names[e] + " ";
  io.putstr(0, names, 1, kToConsoleLog);

  int axis = 0;  // the end-member of a log a or mu axis, before any projection
  switch (diagrammode) {
    case kDiagramPX:
    case kDiagramTX:
      if (!h2o && !co2) bomb(kInexcess, "no H2O or CO2 in P-x/T-x?");
      io.putstr(0, "fluid in excess", 1, kToConsoleLog);
      s.fluidInExcess = true;
      break;
    case kDiagramPlna:
    case kDiagramTlna:
      s.lnaName = lnaSetup(io, run, lnaName, h2o && co2);
      axis = endMemberNamed(run, s.lnaName);
      if (s.lnaName == "H2O" || s.lnaName == "CO2") s.fluidtype = kFluidActivities;
      break;
    case kDiagramPmu:
    case kDiagramTmu: {
      std::string name = axisName(io, muName, "name of component to be used in mu");
      int c = componentNamed(run, name);
      if (c == 0) {
        io.putstr(0, "Cannot handle mu variable not a component in system", 1, kToConsoleLog);
        bomb(kInexcess, "mu setup problems");
      }
      appendMuPhase(run, c);
      s.muName = name;
      axis = run.total();
      break;
    }
    case kDiagramPT:
      break;
    default:
      bomb(kInexcess, "unknown diagrammode", 1);
  }
  if (!xco2Diagram(diagrammode)) {
    s.fluidInExcess =
        s.fluidtype != kFluidActivities &&
        !switchSaysNo(io, script.fluidexcessGiven, script.fluidexcess, "fluid in excess");
  }
  if (s.fluidInExcess) io.putstr(0, "additionally ", 0, kToConsoleLog);

  // phases in excess
  std::vector<std::string> excess = excessList(io, script);
  if (s.fluidInExcess) {
    if (co2) addOnce(excess, "CO2");
    if (h2o) addOnce(excess, "H2O");
  }
  if (!s.lnaName.empty()) addOnce(excess, s.lnaName);
  if (!s.muName.empty()) addOnce(excess, s.muName);
  if (static_cast<int>(excess.size()) < run.components()) {
    std::vector<int> members = excessEndMembers(io, run, excess, s.muName, axis);
    std::vector<int> place = project(run, members);
    s.projected = !members.empty();
    for (std::size_t e = 1; axis != 0 && e < place.size(); ++e)
      if (place[e] == axis) {
        axis = static_cast<int>(e);
        break;
      }
  }
  s.excess = excess;
  s.axisEndMember = axis;

  // what the window set-up needs of the fluid
  if (s.fluidtype == kFluidPureH2O) s.fluidEndMember = "H2O";
  if (s.fluidtype == kFluidPureCO2 && !h2o) s.fluidEndMember = "CO2";
  return s;
}

}  // namespace pf
