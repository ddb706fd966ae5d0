#include "calc/thermo/reaction.h"

#include <cmath>

#include "common/bomb.h"

namespace pf {

namespace {

Real reactionG(Io& io, std::span<const EndMember> em, std::span<const int> nu, Real p, Real t,
               const GibbsSettings& settings) {
  Real sum = 0;
  for (std::size_t i = 1; i < nu.size(); ++i)
    if (nu[i] != 0) sum += nu[i] * gem(io, em[i], p, t, settings);
  return sum;
}

void requireSameSize(std::size_t a, std::size_t b, const char* procedure) {
  if (a != b) bomb(procedure, "reaction and end-member list differ in length", 1);
}

}  // namespace

ReactionThermo calcdg0(Io& io, std::span<const EndMember> em, std::span<const int> nu, Real p,
                       Real t, const GibbsSettings& settings) {
  if (!(t > 0)) bomb("calcdg0", "T <= 0 !", 1);
  requireSameSize(em.size(), nu.size(), "calcdg0");
  ReactionThermo r;
  r.dg = reactionG(io, em, nu, p, t, settings);
  r.dgdp = (reactionG(io, em, nu, p + kReactionDp, t, settings) - r.dg) / kReactionDp;
  r.dgdt = (reactionG(io, em, nu, p, t + kReactionDt, settings) - r.dg) / kReactionDt;
  return r;
}

Real calclnk(std::span<const EndMember> em, std::span<const int> nu, std::span<const Real> activity,
             Real xco2, Real xh2o) {
  requireSameSize(em.size(), nu.size(), "calclnk");
  requireSameSize(activity.size(), nu.size(), "calclnk");
  Real lnk = 0;
  for (std::size_t i = 1; i < nu.size(); ++i) {
    if (nu[i] == 0) continue;
    if (!(activity[i] > 0)) bomb("calclnk", "ln<=0", 1);
    lnk += nu[i] * std::log(activity[i]);
    Fluid fluid = nameRules(em[i].name).fluid;
    if (fluid == Fluid::CO2 && xco2 > 0 && xco2 < 1) lnk += nu[i] * std::log(xco2);
    if (fluid == Fluid::H2O && xh2o > 0 && xh2o < 1) lnk += nu[i] * std::log(xh2o);
  }
  return lnk;
}

ReactionThermo reactionAtPoint(Io& io, std::span<EndMember> em, std::span<const int> nu,
                               std::span<const Real> activity, Real xco2, Real xh2o, Real p, Real t,
                               const GibbsSettings& settings) {
  requireSameSize(em.size(), nu.size(), "calcdg0");
  for (std::size_t i = 1; i < nu.size(); ++i) {
    if (nu[i] == 0) continue;
    em[i].slot[kXCO2] = xco2;
    em[i].slot[kXH2O] = xh2o;
  }
  std::span<const EndMember> fixed(em.data(), em.size());
  ReactionThermo r = calcdg0(io, fixed, nu, p, t, settings);
  Real lnk = calclnk(fixed, nu, activity, xco2, xh2o);
  r.dg += kGasConstant * t * lnk;
  r.dgdt += kGasConstant * lnk;
  return r;
}

}  // namespace pf
