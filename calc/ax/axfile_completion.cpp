// What follows the last phase of the a-x file: default uncertainties, the
// strict syntax checks, the script's adjustments, the contraction of
// variables that start at 0, fluid and aqueous phases, and the checks of the
// starting state and of the pure end-members.
#include <algorithm>
#include <cmath>
#include <string>

#include "calc/ax/activity.h"
#include "calc/ax/axfile_internal.h"
#include "calc/ax/fluid_species.h"
#include "calc/ax/order.h"
#include "common/bomb.h"
#include "common/session.h"
#include "common/text.h"

namespace pf {

namespace axfile {

namespace {

bool startsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// The name inside "p(...)", "a(...)" or "W(...)": a leading head and the last
// character taken off.
std::string inner(const std::string& name, const std::string& head) {
  std::string s = startsWith(name, head) ? name.substr(head.size()) : name;
  if (!s.empty()) s.pop_back();
  return s;
}

std::string where(const SolutionPhase& phase) {
  return " in " + phase.name;
}

}  // namespace

// ---- default uncertainties and strict syntax ----------------------------------

void defaultInteractionSds(PhaseTables& tables) {
  for (SolutionPhase& phase : tables.solutions) {
    if (phase.interactions.empty()) continue;
    Real m = 0;
    for (const AxEndMember& em : phase.endMembers) m += em.multiplicity;
    m /= phase.endMemberCount();
    for (Interaction& w : phase.interactions) {
      if (!w.sdDefaulted) continue;
      Real alphaI = 1, alphaJ = 1;
      if (phase.model == kAsymmetricMixing) {
        alphaI = phase.sizes[static_cast<std::size_t>(w.i)].a;
        alphaJ = phase.sizes[static_cast<std::size_t>(w.j)].a;
      }
      w.sd = m * kDefaultWUncertainty * (alphaI + alphaJ) / 2;
    }
  }
}

void checkStrictSyntax(const PhaseTables& tables) {
  for (const SolutionPhase& phase : tables.solutions) {
    for (const Variable& v : phase.variables) {
      std::size_t stem = v.name.find_first_of("([");
      if (stem == std::string::npos || v.name[stem] != '(' || v.name.back() != ')')
        bomb(kSetupphases, "name in varname not of form xyz(min) - " + v.name + where(phase));
    }
    for (int l = 0; l < phase.endMemberCount(); ++l) {
      const std::string& name = phase.proportions[static_cast<std::size_t>(l)].name;
      const std::string& em = phase.endMembers[static_cast<std::size_t>(l)].name;
      if (inner(name, "p(") != em)
        bomb(kSetupphases,
             "name in propname, " + quoted(name) + " does not match " + em + where(phase));
    }
    if (phase.model == kAsymmetricMixing) {
      for (int l = 0; l < phase.endMemberCount(); ++l) {
        const std::string& name = phase.sizes[static_cast<std::size_t>(l)].name;
        const std::string& em = phase.endMembers[static_cast<std::size_t>(l)].name;
        if (inner(name, "a(") != em)
          bomb(kSetupphases, "name in alphaname, " + quoted(name) + " does not match " +
                                 quoted(em) + where(phase));
      }
    }
    for (const Interaction& w : phase.interactions) {
      std::string pair = inner(w.name, "W(");
      std::size_t comma = pair.find(',');
      if (comma == std::string::npos)
        bomb(kSetupphases, "W not strictsyntax? - " + w.name + where(phase));
      std::string first = pair.substr(0, comma);
      std::string second = pair.substr(comma + 1);
      const std::string& ei = phase.endMembers[static_cast<std::size_t>(w.i)].name;
      const std::string& ej = phase.endMembers[static_cast<std::size_t>(w.j)].name;
      if (!((first == ei && second == ej) || (first == ej && second == ei)))
        bomb(kSetupphases, "names in  W name, " + quoted(w.name) + " do not match " + quoted(ei) +
                               " and " + quoted(ej) + where(phase));
    }
  }
}

// ---- script adjustments ----------------------------------------------------------

namespace {

Real& abcOf(Real& a, Real& b, Real& c, char abc) {
  return abc == 'a' ? a : abc == 'b' ? b : c;
}

bool goodAbc(char abc) {
  return abc == 'a' || abc == 'b' || abc == 'c';
}

void applyChange(PhaseTables& tables, const ParameterChange& change, const std::string& kind,
                 bool monteCarlo) {
  const std::string head = "finding kp in " + kind;
  const std::string tail = " - " + change.phase + " " + change.parameter;
  McParameter target;
  target.abc = change.abc;
  target.sd = change.amount;
  Real* value = nullptr;
  int s = tables.findSolution(change.phase);
  int pure = tables.findPure(change.phase);
  const bool dqf = startsWith(change.parameter, "DQF(") && change.parameter.back() == ')';
  if (s >= 0) {
    SolutionPhase& phase = tables.solutions[static_cast<std::size_t>(s)];
    target.solution = true;
    target.phase = s;
    if (dqf) {
      int l = phase.findEndMember(inner(change.parameter, "DQF("));
      if (l < 0) bomb(kSetupphases, head + " (2b)" + tail);
      if (!goodAbc(change.abc)) bomb(kSetupphases, head + ": bad abc code (2)" + tail);
      Dqf& d = phase.endMembers[static_cast<std::size_t>(l)].dqf;
      d.given = true;
      value = &abcOf(d.a, d.b, d.c, change.abc);
      target.dqf = true;
      target.parameter = l;
    } else {
      int k = -1;
      for (std::size_t i = 0; i < phase.interactions.size(); ++i)
        if (phase.interactions[i].name == change.parameter) k = static_cast<int>(i);
      if (k < 0) bomb(kSetupphases, head + " (2a)" + tail);
      if (!goodAbc(change.abc)) bomb(kSetupphases, head + ": bad abc code (1)" + tail);
      Interaction& w = phase.interactions[static_cast<std::size_t>(k)];
      value = &abcOf(w.a, w.b, w.c, change.abc);
      target.parameter = k;
    }
  } else if (pure >= 0) {
    PurePhase& phase = tables.pures[static_cast<std::size_t>(pure)];
    if (!dqf || (inner(change.parameter, "DQF(") != phase.endMember &&
                 inner(change.parameter, "DQF(") != phase.name))
      bomb(kSetupphases, head + " (3)" + tail);
    if (!goodAbc(change.abc)) bomb(kSetupphases, head + ": bad abc code (3)" + tail);
    phase.dqf.given = true;
    value = &abcOf(phase.dqf.a, phase.dqf.b, phase.dqf.c, change.abc);
    target.phase = pure;
    target.dqf = true;
  } else {
    bomb(kSetupphases, head + " (1)" + tail);
  }
  if (monteCarlo)
    tables.monteCarlo.push_back(target);
  else
    *value += change.amount;
}

std::string copiedVariableName(const std::string& name, const std::string& phase) {
  std::size_t open = name.find('(');
  if (open != std::string::npos && name.back() == ')')
    return cut20(name.substr(0, open + 1) + phase + ")");
  return cut20(name + phase);
}

}  // namespace

void applyParameterChanges(PhaseTables& tables, const ScriptSettings& script) {
  for (const ParameterChange& change : script.mc.items) applyChange(tables, change, "mc", true);
  for (const ParameterChange& change : script.nudge) applyChange(tables, change, "nudge", false);
}

void makeSamecodingCopies(PhaseTables& tables, const ScriptSettings& script) {
  for (const std::vector<std::string>& group : script.samecoding) {
    if (group.empty()) continue;
    int source = tables.findSolution(group[0]);
    if (source < 0)
      bomb(kSetupphases, "samecoding: " + quoted(group[0]) + " is not a solution in the a-x file");
    for (std::size_t k = 1; k < group.size(); ++k) {
      const std::string& name = group[k];
      if (tables.findSolution(name) >= 0 || tables.findPure(name) >= 0) continue;
      if (tables.solutionCount() >= kMaxSolutions)
        bomb(kSetupphases, "too many ss phases (making samecoding phases)");
      if (tables.phaseCount() >= kMaxPhases) bomb(kSetupphases, "too many phases");
      SolutionPhase copy = tables.solutions[static_cast<std::size_t>(source)];
      copy.name = name;
      for (Variable& v : copy.variables) v.name = copiedVariableName(v.name, name);
      tables.fileOrder.push_back(PhaseRef{true, tables.solutionCount()});
      tables.solutions.push_back(std::move(copy));
    }
  }
}

void applyXyzGuesses(PhaseTables& tables, const ScriptSettings& script) {
  if (script.xyzguess.empty()) return;
  std::vector<bool> used(script.xyzguess.size(), false);
  for (SolutionPhase& phase : tables.solutions) {
    std::vector<bool> given(phase.variables.size(), false);
    for (std::size_t g = 0; g < script.xyzguess.size(); ++g) {
      int t = phase.findVariable(script.xyzguess[g].name);
      if (t < 0) continue;
      used[g] = true;
      given[static_cast<std::size_t>(t)] = true;
    }
    int count = static_cast<int>(std::count(given.begin(), given.end(), true));
    if (count == 0) continue;
    if (count != phase.variableCount())
      bomb(kSetupphases, "xyzguess: wrong no of vars - " + std::to_string(count) + " of " +
                             std::to_string(phase.variableCount()) + where(phase));
    for (const XyzGuess& guess : script.xyzguess) {
      int t = phase.findVariable(guess.name);
      if (t < 0) continue;
      Variable& v = phase.variables[static_cast<std::size_t>(t)];
      if (guess.value < v.lower) bomb(kSetupphases, "guess too small for " + v.name + where(phase));
      if (guess.value > v.upper) bomb(kSetupphases, "guess too large for " + v.name + where(phase));
      v.guess = guess.value;
    }
  }
  for (std::size_t g = 0; g < used.size(); ++g)
    if (!used[g])
      bomb(kSetupphases, "xyzguess names don't match: " + quoted(script.xyzguess[g].name) +
                             " is no variable of the a-x file");
}

// ---- contraction -------------------------------------------------------------------

bool identicallyZero(const AxExpression& expression, int variableCount) {
  bool structural = true;
  for (const SxTerm& sx : expression.sxterms) {
    if (sx.factor == 0) continue;
    bool zeroFactor = std::any_of(sx.xterms.begin(), sx.xterms.end(),
                                  [](const XTerm& x) { return x.terms.empty() && x.c == 0; });
    if (!zeroFactor) structural = false;
  }
  if (structural) return true;
  // terms that cancel: zero at three unrelated points
  std::vector<Real> x(static_cast<std::size_t>(variableCount));
  for (int point = 0; point < 3; ++point) {
    for (int t = 0; t < variableCount; ++t)
      x[static_cast<std::size_t>(t)] = 0.1234L + 0.0571L * t + 0.2713L * point * (t % 3 + 1);
    if (std::fabs(expressionValue(expression, x)) > 1e-12L) return false;
  }
  return true;
}

namespace {

// Drops the terms of the removed variables and renumbers the others.
void simplify(AxExpression& expression, const std::vector<int>& newIndex) {
  for (SxTerm& sx : expression.sxterms) {
    for (XTerm& xterm : sx.xterms) {
      std::vector<VariableTerm> kept;
      for (VariableTerm term : xterm.terms) {
        int to = newIndex[static_cast<std::size_t>(term.variable)];
        if (to < 0) continue;
        term.variable = to;
        kept.push_back(term);
      }
      xterm.terms = std::move(kept);
    }
  }
}

template <typename T>
void eraseIndices(std::vector<T>& items, const std::vector<bool>& remove) {
  std::vector<T> kept;
  for (std::size_t k = 0; k < items.size(); ++k)
    if (!remove[k]) kept.push_back(std::move(items[k]));
  items = std::move(kept);
}

}  // namespace

void contract(Io& io, SolutionPhase& phase) {
  const int nv = phase.variableCount();
  std::vector<int> newIndex(static_cast<std::size_t>(nv), -1);
  std::vector<bool> removeVariable(static_cast<std::size_t>(nv), false);
  int next = 0;
  for (int t = 0; t < nv; ++t) {
    if (phase.variables[static_cast<std::size_t>(t)].guess == 0)
      removeVariable[static_cast<std::size_t>(t)] = true;
    else
      newIndex[static_cast<std::size_t>(t)] = next++;
  }
  if (next == nv) return;
  for (NamedExpression& p : phase.proportions) simplify(p.value, newIndex);
  for (NamedExpression& sf : phase.siteFractions) simplify(sf.value, newIndex);
  for (AxEndMember& em : phase.endMembers) {
    if (em.checkDenominator == 0) continue;
    std::vector<int> kept;
    for (int t = 0; t < nv; ++t)
      if (!removeVariable[static_cast<std::size_t>(t)])
        kept.push_back(em.check[static_cast<std::size_t>(t)]);
    em.check = std::move(kept);
  }
  eraseIndices(phase.variables, removeVariable);

  // end-members that can no longer be present go, with their parameters
  const int n = phase.endMemberCount();
  std::vector<bool> removeEndMember(static_cast<std::size_t>(n), false);
  std::vector<int> newEndMember(static_cast<std::size_t>(n), -1);
  int kept = 0;
  for (int l = 0; l < n; ++l) {
    if (identicallyZero(phase.proportions[static_cast<std::size_t>(l)].value, next))
      removeEndMember[static_cast<std::size_t>(l)] = true;
    else
      newEndMember[static_cast<std::size_t>(l)] = kept++;
  }
  eraseIndices(phase.endMembers, removeEndMember);
  eraseIndices(phase.proportions, removeEndMember);
  if (!phase.sizes.empty()) eraseIndices(phase.sizes, removeEndMember);
  std::vector<Interaction> interactions;
  for (Interaction w : phase.interactions) {
    if (removeEndMember[static_cast<std::size_t>(w.i)] ||
        removeEndMember[static_cast<std::size_t>(w.j)])
      continue;
    w.i = newEndMember[static_cast<std::size_t>(w.i)];
    w.j = newEndMember[static_cast<std::size_t>(w.j)];
    interactions.push_back(w);
  }
  phase.interactions = std::move(interactions);

  if (phase.variableCount() + 1 != phase.endMemberCount()) {
    io.putstr(1,
              "problem in " + phase.name + ": " + std::to_string(phase.endMemberCount()) +
                  " end-members, " + std::to_string(phase.variableCount()) + " variables",
              1, kToConsoleLog);
    std::string names = "end-members:";
    for (const AxEndMember& em : phase.endMembers) names += " " + em.name;
    io.putstr(0, names, 1, kToConsoleLog);
    names = "variables:";
    for (const Variable& v : phase.variables) names += " " + v.name;
    io.putstr(0, names, 1, kToConsoleLog);
    bomb(kSetupphases, "contraction wrong size");
  }

  // site fractions that have vanished go too, unless an end-member still needs one
  const int s = phase.siteFractionCount();
  std::vector<bool> removeSite(static_cast<std::size_t>(s), false);
  std::vector<int> newSite(static_cast<std::size_t>(s), -1);
  int keptSites = 0;
  for (int k = 0; k < s; ++k) {
    if (identicallyZero(phase.siteFractions[static_cast<std::size_t>(k)].value, next))
      removeSite[static_cast<std::size_t>(k)] = true;
    else
      newSite[static_cast<std::size_t>(k)] = keptSites++;
  }
  for (AxEndMember& em : phase.endMembers) {
    for (TmfFactor& f : em.tmf) {
      int to = newSite[static_cast<std::size_t>(f.siteFraction)];
      if (to < 0)
        bomb(kSetupphases,
             "site fraction " + phase.siteFractions[static_cast<std::size_t>(f.siteFraction)].name +
                 " of " + phase.name + " vanishes in the contraction but " + em.name + " needs it");
      f.siteFraction = to;
    }
  }
  eraseIndices(phase.siteFractions, removeSite);
  phase.hasOrder = std::any_of(phase.variables.begin(), phase.variables.end(),
                               [](const Variable& v) { return v.order; });
}

// ---- fluid and aqueous phases ----------------------------------------------------------

namespace {

void allPairs(SolutionPhase& phase) {
  const int n = phase.endMemberCount();
  std::vector<Interaction> pairs;
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      Interaction w;
      for (const Interaction& given : phase.interactions)
        if (given.i == i && given.j == j) w = given;
      w.i = i;
      w.j = j;
      if (w.name.empty())
        w.name = cut20("W(" + phase.endMembers[static_cast<std::size_t>(i)].name + "," +
                       phase.endMembers[static_cast<std::size_t>(j)].name + ")");
      pairs.push_back(w);
    }
  }
  phase.interactions = std::move(pairs);
  if (phase.sizes.size() != phase.endMembers.size()) {
    phase.sizes.clear();
    for (const AxEndMember& em : phase.endMembers) {
      SizeParameter size;
      size.name = cut20("a(" + em.name + ")");
      phase.sizes.push_back(size);
    }
  }
  phase.model = kAsymmetricMixing;
}

void setFluid(SolutionPhase& phase) {
  phase.fluid = true;
  for (AxEndMember& em : phase.endMembers) {
    int k = fluidSpeciesIndex(em.name);
    if (k < 0)
      bomb(kSetupphases, "end-member name in fluid not recognised - " + em.name + where(phase));
    if (!fluidSpeciesTable()[static_cast<std::size_t>(k)].implemented)
      bomb(kSetupphases, "O2 not implemented in fluid coding - " + phase.name);
    em.fluid = nameRules(em.name).fluid;
  }
  allPairs(phase);
}

void setAqueous(SolutionPhase& phase) {
  phase.aqueous = true;
  for (std::size_t l = 0; l < phase.endMembers.size(); ++l) {
    AxEndMember& em = phase.endMembers[l];
    if (fluidSpeciesIndex(em.name) >= 0 && em.name != "H2O" && em.name != "CO2")
      bomb(kSetupphases, "fluid name in aq not just H2O and CO2 - " + em.name + where(phase));
    if (l == 0 && em.name != "H2O")
      bomb(kSetupphases, "1st H2O-CO2 aq end-member must be \"H2O\" - " + phase.name);
    if (l != 1 && em.name == "CO2")
      bomb(kSetupphases, "2nd H2O-CO2 aq end-member must be \"CO2\" - " + phase.name);
    em.fluid = nameRules(em.name).fluid;
  }
  if (phase.co2 == 1) {
    for (const Interaction& w : phase.interactions)
      if (w.i == 0 && w.j == 1 && (w.a != 0 || w.b != 0 || w.c != 0))
        bomb(kSetupphases, "set W(H2O-CO2) = 0 (its value is then hard-wired) - " + phase.name);
  }
}

}  // namespace

void setFluidPhases(PhaseTables& tables) {
  for (SolutionPhase& phase : tables.solutions) {
    phase.h2o = phase.findEndMember("H2O");
    phase.co2 = phase.findEndMember("CO2");
    if (startsWith(phase.name, "fluid")) {
      setFluid(phase);
    } else if (startsWith(phase.name, "aq")) {
      setAqueous(phase);
    } else if (!startsWith(phase.name, "fl")) {
      for (const AxEndMember& em : phase.endMembers)
        if (isFluidAqueousName(em.name))
          bomb(kSetupphases, em.name + " not in fluid/aq - " + phase.name);
    }
  }
}

// ---- checks of the starting state ------------------------------------------------------

void checkStartingSiteFractions(Io& io, const PhaseTables& tables) {
  for (const SolutionPhase& phase : tables.solutions) {
    if (phase.hasOrder) continue;
    std::vector<Real> x = phase.guesses();
    std::vector<Real> sf(static_cast<std::size_t>(phase.siteFractionCount()));
    for (std::size_t k = 0; k < sf.size(); ++k)
      sf[k] = expressionValue(phase.siteFractions[k].value, x);
    if (std::all_of(sf.begin(), sf.end(), [](Real v) { return v > 0; })) continue;
    io.putstr(1, "for " + phase.name + ", site fractions are:", 1, kToConsoleLog);
    for (std::size_t k = 0; k < sf.size(); ++k) {
      std::string line = "  " + phase.siteFractions[k].name + " = ";
      addfield(line, sf[k], 6, Digits::significant, 0);
      io.putstr(0, line, 1, kToConsoleLog);
    }
    io.putstr(0, "site fractions must be positive (starting guess problems)", 1, kToConsoleLog);
    bomb(kSetupphases, "inconsistent initial guesses - " + phase.name);
  }
}

namespace {

struct CheckFailure {
  std::string endMember;
  std::string phase;
  Real value = 0;
};

void listFailures(Io& io, const std::string& heading, const std::vector<CheckFailure>& failures) {
  io.putstr(1, std::string(1, kBullet) + heading, 1, kToConsoleLog);
  for (const CheckFailure& f : failures) {
    std::string line = "   " + f.endMember + " in " + f.phase + ": ";
    addfield(line, f.value, 6, Digits::significant, 0);
    io.putstr(0, line, 1, kToConsoleLog);
  }
}

}  // namespace

void checkPureEndMembers(Io& io, const PhaseTables& tables) {
  std::vector<CheckFailure> ideal, proportion;
  for (const SolutionPhase& phase : tables.solutions) {
    for (std::size_t l = 0; l < phase.endMembers.size(); ++l) {
      const AxEndMember& em = phase.endMembers[l];
      if (em.checkDenominator == 0) continue;
      std::vector<Real> x;
      for (int numerator : em.check)
        x.push_back(static_cast<Real>(numerator) / em.checkDenominator);
      Real term = em.normalisation;
      for (const TmfFactor& f : em.tmf) {
        Real sf =
            expressionValue(phase.siteFractions[static_cast<std::size_t>(f.siteFraction)].value, x);
        if (f.powerValue == 1) {
          term *= sf;
        } else {
          if (!(sf > 0))
            bomb(kSetupphases, "ideal mixing term = 0 for " + em.name + " in " + phase.name +
                                   " (check coding wrong?)");
          term *= std::exp(f.powerValue * std::log(sf));
        }
      }
      if (!(std::fabs(term - 1) <= 0.001L)) ideal.push_back({em.name, phase.name, term});
      Real p = expressionValue(phase.proportions[l].value, x);
      if (!(std::fabs(p - 1) <= 0.001L)) proportion.push_back({em.name, phase.name, p});
    }
  }
  if (!ideal.empty()) {
    listFailures(io, " inconsistent ideal mixing activities: ", ideal);
    bomb(kSetupphases,
         " ideal mixing terms not equal to 1 for pure end-members (also check coding OK?)");
  }
  if (!proportion.empty()) {
    listFailures(io, " inconsistent p coding: ", proportion);
    bomb(kSetupphases, "proportions not equal to 1 for pure end-members (also check coding OK?)");
  }
}

}  // namespace axfile

// ---- the set-up ------------------------------------------------------------------

void setupphases(Io& io, PhaseTables& tables, const AxSetup& setup, std::istream& file,
                 const std::string& fileName) {
  if (setup.dataset == nullptr) bomb(axfile::kSetupphases, "no dataset set up", 1);
  PhaseTables read;
  read.random = tables.random;
  read.fileName = fileName;
  axfile::readPhases(io, setup, file, read);
  axfile::defaultInteractionSds(read);
  if (setup.strictsyntax) axfile::checkStrictSyntax(read);
  if (read.phaseCount() != read.pureCount() + read.solutionCount())
    bomb(axfile::kSetupphases, "numbers of phases do not add up", 1);
  if (setup.script != nullptr) {
    axfile::applyParameterChanges(read, *setup.script);
    axfile::makeSamecodingCopies(read, *setup.script);
    axfile::applyXyzGuesses(read, *setup.script);
  }
  for (SolutionPhase& phase : read.solutions) axfile::contract(io, phase);
  axfile::setFluidPhases(read);
  axfile::checkStartingSiteFractions(io, read);
  axfile::checkPureEndMembers(io, read);
  for (SolutionPhase& phase : read.solutions) axfile::finishSolution(io, phase);
  tables = std::move(read);
}

void setupphases(Io& io, PhaseTables& tables, const AxSetup& setup,
                 const std::string& axfilePreference) {
  std::string suffix = axfilePreference;
  if (setup.script != nullptr && !setup.script->axfile.empty()) suffix = setup.script->axfile;
  std::string fileName;
  auto file = promptdatafile(io, kAxFilePrefix, suffix, kAxFileQuestion, fileName);
  if (setup.dataset != nullptr && !setup.dataset->description.empty())
    io.putstr(1, "using " + setup.dataset->description, 1, kToAll);
  std::string line = "with axfile " + fileName;
  if (!setup.scriptFileName.empty()) line += " and scriptfile " + setup.scriptFileName;
  io.putstr(0, line, 1, kToResultsLog);
  setupphases(io, tables, setup, *file, fileName);
}

void readax(Io& io, PhaseTables& tables, const AxSetup& setup, std::istream& file,
            const std::string& fileName) {
  io.putstr(1, "reading a-x relationships", 1, kToConsoleLog);
  AxSetup regression = setup;
  regression.regression = true;
  setupphases(io, tables, regression, file, fileName);
  for (SolutionPhase& phase : tables.solutions)
    if (phase.hasOrder && !findlegalq(io, phase, tables.random).found)
      bomb("readax", "cannot find legal Q guess - " + phase.name);
  if (tables.solutionCount() > kMaxRegressionSolutions)
    bomb("readax", " too many ss -> make maxnp bigger");
  std::vector<SolutionPhase> placeholders(kRegressionPlaceholders);
  for (SolutionPhase& blah : placeholders) blah.name = "blah";
  tables.solutions.insert(tables.solutions.begin(), placeholders.begin(), placeholders.end());
  for (PhaseRef& ref : tables.fileOrder)
    if (ref.solution) ref.index += kRegressionPlaceholders;
}

}  // namespace pf
