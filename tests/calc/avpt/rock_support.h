// Rocks for the average P-T tests: end-members of the demo dataset as the
// end-member choice hands them over, with activities set by the test; and
// activities in exact equilibrium at a chosen P and T.
#pragma once

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "calc/avpt/avpt.h"
#include "calc/thermo/gibbs.h"
#include "tests/calc/reactions/demo_system.h"
#include "tests/common/console_fixture.h"

namespace pf::testing {

using Coefficients = std::map<std::string, int>;

inline int indexOf(const RunEndMembers& run, const std::string& name) {
  for (int e = 1; e <= run.count(); ++e)
    if (run.names[e] == name) return e;
  ADD_FAILURE() << "no end-member " << name;
  return 0;
}

inline void setActivity(RunEndMembers& run, const std::string& name, Real a, Real sd) {
  int e = indexOf(run, name);
  run.activity[e] = a;
  run.sdActivity[e] = sd;
}

// G of one end-member straight from the Gibbs energy routine.
inline Real gibbsOf(const DemoSystem& s, const std::string& name, Real P, Real T) {
  Console console;
  return gem(console.io, s.run.em[indexOf(s.run, name)], P, T, s.settings);
}

// The activity of `unknown` that puts the reaction in equilibrium at (P, T)
// with the other activities as they are: sum nu (G + RT ln a) = 0.
inline Real equilibriumActivity(const DemoSystem& s, const Coefficients& reaction,
                                const std::string& unknown, Real P, Real T) {
  Real rt = kGasConstant * T, sum = 0;
  for (const auto& [name, nu] : reaction) {
    sum += nu * gibbsOf(s, name, P, T);
    if (name != unknown) sum += nu * rt * std::log(s.run.activity[indexOf(s.run, name)]);
  }
  return std::exp(-sum / (rt * reaction.at(unknown)));
}

// The rock of the generated-rock checks: garnet (py, alm, gr) from ideal
// mixing, and the activities of an, en and fs that put every reaction in
// equilibrium at (P, T).
inline const std::vector<std::string> kGneiss = {"py", "alm", "gr", "an", "en", "fs", "q", "ky"};
inline const Coefficients kGASP = {{"gr", 1}, {"ky", 2}, {"q", 1}, {"an", -3}};
inline const Coefficients kGAESMg = {{"py", 2}, {"q", 2}, {"en", -3}, {"ky", -2}};
inline const Coefficients kGAESFe = {{"alm", 2}, {"q", 2}, {"fs", -3}, {"ky", -2}};

inline DemoSystem generatedGneiss(Real P, Real T) {
  DemoSystem s = demoSystem(kGneiss);
  // garnet py20 alm65 gr15, ideal on three sites
  setActivity(s.run, "py", 0.2L * 0.2L * 0.2L, 0);
  setActivity(s.run, "alm", 0.65L * 0.65L * 0.65L, 0);
  setActivity(s.run, "gr", 0.15L * 0.15L * 0.15L, 0);
  setActivity(s.run, "an", equilibriumActivity(s, kGASP, "an", P, T), 0);
  setActivity(s.run, "en", equilibriumActivity(s, kGAESMg, "en", P, T), 0);
  setActivity(s.run, "fs", equilibriumActivity(s, kGAESFe, "fs", P, T), 0);
  // every activity below 1 gets the default uncertainty of its exponent
  for (int e = 1; e <= s.run.count(); ++e)
    s.run.sdActivity[e] =
        sdWithDefault(s.run.activity[e], 0, activityExponent(s.run.em[e]), UncertaintyParameters{});
  return s;
}

}  // namespace pf::testing
