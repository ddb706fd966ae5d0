// The property data again as assignments ("key[name] ^= value;"), for an
// algebra program to read back from the second results file.
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "calc/endmembers/table_text.h"
#include "calc/endmembers/tables.h"
#include "common/bomb.h"
#include "common/numbers.h"

namespace pf {

namespace {

using tabletext::neededText;

// The amount of a component, atoms over the atoms in its oxide formula, as
// a whole number or a reduced fraction p/q.
std::string amountText(int atoms, int divisor) {
  if (divisor == 0) divisor = 1;
  if (divisor < 0) {
    atoms = -atoms;
    divisor = -divisor;
  }
  int common = std::gcd(atoms, divisor);
  if (common == 0) common = 1;
  atoms /= common;
  divisor /= common;
  return divisor == 1 ? std::to_string(atoms)
                      : std::to_string(atoms) + "/" + std::to_string(divisor);
}

struct Statements {
  Io& io;
  const std::string& name;
  void put(const std::string& key, const std::string& value, const char* tail = ";") {
    io.putstr(0, key + "[" + name + "] ^= " + value + tail, 1, kToSecondFile);
  }
  void put(const std::string& key, Real value, const char* tail = ";") {
    put(key, neededText(value), tail);
  }
};

std::string compositionList(const RunEndMembers& run, int e) {
  std::string list = "{";
  for (int c = 1; c <= run.components(); ++c) {
    if (c > 1) list += ", ";
    list += amountText(run.comp[c][e], run.divisor[c]);
  }
  return list + "}";
}

void endMemberStatements(Io& io, const RunEndMembers& run, int e, const TableSettings& settings) {
  const auto& s = run.em[e].slot;
  Statements out{io, run.names[e]};
  out.put("name", "\"" + run.names[e] + "\"");
  out.put("comp", compositionList(run, e));
  out.put("enthalpy", realToText(s[kEnthalpy], 2, Digits::fixed));
  out.put("entropy", realToText(s[kEntropy], 5, Digits::fixed));
  out.put("volume", s[kVolume]);
  out.put("cpa", s[kCpa]);
  out.put("cpb", s[kCpb] * 1e5L, " 10^-5;");
  out.put("cpc", s[kCpc]);
  out.put("cpd", s[kCpd]);
  if (settings.layoutB()) {
    out.put("alpha0", s[kAlpha0] * 1e5L, " 10^-5;");
    out.put("theta", s[kTheta]);
    out.put("kappa0", s[kKappa0]);
    out.put("kappa0p", s[kKappa0p]);
    out.put("kappa0pp", s[kKappa0pp]);
    out.put("dkappa0dt", s[kDkappa0dt]);
  } else {
    out.put("alpha1", s[kAlpha1] * 1e5L, " 10^-5;");
    if (settings.thirdExpansion)
      out.put("alpha2", s[kAlpha2] * 1e8L, " 10^-8;");
    else
      out.put("alpha2", s[kAlpha2]);
    out.put("alpha3", s[kAlpha3]);
    out.put("kappa", s[kKappa]);
    out.put("kappaprime", s[kKappaprime]);
    out.put("dkappadT", s[kDkappadT]);
  }
  if (s[kSmax] > 0) {
    out.put("landaut", s[kLandauT]);
    out.put("smax", s[kSmax]);
    out.put("vmax", s[kVmax]);
  } else {
    out.put("landaut", "0");
    out.put("smax", "-0.001");
    out.put("vmax", "0");
  }
  bool braggWilliams = std::nearbyint(s[kSfn]) > 0;
  for (int slot = kSfdh; slot <= kSffac; ++slot) {
    static const char* const keys[] = {"sfdh", "sfdhv", "sfw", "sfwv", "sfn", "sffac"};
    const char* key = keys[slot - kSfdh];
    if (braggWilliams)
      out.put(key, s[slot]);
    else
      out.put(key, "0");
  }
}

}  // namespace

void assignmentBlock(Io& io, const RunEndMembers& run, const TableSettings& settings) {
  bool matrixFits = static_cast<int>(run.comp.size()) > run.components();
  for (int c = 1; matrixFits && c <= run.components(); ++c)
    matrixFits = static_cast<int>(run.comp[c].size()) > run.count();
  if (!matrixFits || static_cast<int>(run.divisor.size()) <= run.components())
    bomb("assignments", "composition matrix of wrong size", 1);
  std::string names = "endmembers = {";
  for (int e = 1; e <= run.count(); ++e) names += (e > 1 ? ", " : "") + run.names[e];
  io.putstr(0, names + "};", 1, kToSecondFile);
  for (int e = 1; e <= run.count(); ++e) endMemberStatements(io, run, e, settings);
}

}  // namespace pf
