#include "calc/ax/activity.h"

#include <cmath>
#include <string>

#include "calc/ax/exp_real.h"
#include "calc/ax/fluid_species.h"
#include "calc/thermo/fluids.h"
#include "calc/thermo/gibbs.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr const char* kCalca = "calca";
// Steps of the finite differences that linearise volume-scaled parameters.
constexpr Real kVolumeDt = 0.01L;   // K
constexpr Real kVolumeDp = 0.001L;  // kbar

using Row = std::array<Real, kMaxPhaseVariables>;

Real raised(Real sf, const TmfFactor& f) {
  if (f.power.denominator == 1 && f.power.numerator >= 1) {
    Real value = sf;
    for (int k = 1; k < f.power.numerator; ++k) value *= sf;
    return value;
  }
  if (f.power.numerator == 1 && f.power.denominator == 2) return std::sqrt(sf);
  return std::exp(f.powerValue * std::log(sf));
}

// A value and its slopes in T and P.
struct Linear {
  Real value = 0;
  Real dT = 0;
  Real dP = 0;
};

// Volumes of the fluid species of a phase at (T, P) and a step either side
// in T and in P (forward only in P when the step back would reach 0).
struct Volumes {
  // [state][end-member]: 0 (T, P), 1 T + dT, 2 T - dT, 3 P + dP, 4 P - dP
  std::array<std::array<Real, kMaxPhaseEndMembers>, 5> v{};
  bool centralP = true;
};

Volumes speciesVolumes(const SolutionPhase& phase, Real p, Real t, const ActivityContext& context) {
  if (context.io == nullptr) bomb(kCalca, "fluid volumes need the run's console", 1);
  Io& io = *context.io;
  Volumes out;
  out.centralP = p - kVolumeDp > 0;
  const Real ts[5] = {t, t + kVolumeDt, t - kVolumeDt, t, t};
  const Real ps[5] = {p, p, p, p + kVolumeDp, out.centralP ? p - kVolumeDp : p};
  for (int l = 0; l < phase.endMemberCount(); ++l) {
    Fluid fluid = phase.endMembers[static_cast<std::size_t>(l)].fluid;
    if (fluid == Fluid::none) continue;
    for (int s = 0; s < 5; ++s)
      out.v[static_cast<std::size_t>(s)][static_cast<std::size_t>(l)] =
          fluidModel(io, fluid, ps[s], ts[s], context.ds6).volume;
  }
  return out;
}

// f at the states, as a value with its slopes: central differences over
// 0.01 K and 0.001 kbar, so that the slopes are as good as the jacobian needs.
template <typename F>
Linear linearised(F f, bool centralP) {
  Real v = f(0);
  Real dT = (f(1) - f(2)) / (2 * kVolumeDt);
  Real dP = centralP ? (f(3) - f(4)) / (2 * kVolumeDp) : (f(3) - v) / kVolumeDp;
  return Linear{v, dT, dP};
}

// W and alpha with their T and P slopes, for every model and phase kind.
void parameters(const SolutionPhase& phase, Real p, Real t, bool wantTP,
                const ActivityContext& context, ActivityResult& r) {
  const int n = phase.endMemberCount();
  const int nw = static_cast<int>(phase.interactions.size());
  for (int k = 0; k < nw; ++k) {
    const Interaction& w = phase.interactions[static_cast<std::size_t>(k)];
    auto i = static_cast<std::size_t>(k);
    r.w[i] = w.a + w.b * t + w.c * p;
    if (wantTP) {
      r.wT[i] = w.b;
      r.wP[i] = w.c;
    }
  }
  if (phase.model == kAsymmetricMixing) {
    for (int l = 0; l < n; ++l) {
      const SizeParameter& s = phase.sizes[static_cast<std::size_t>(l)];
      auto i = static_cast<std::size_t>(l);
      r.alpha[i] = s.a + s.b * t + s.c * p;
      r.alphaT[i] = s.b;
      r.alphaP[i] = s.c;
    }
  }
  if (!phase.fluid && !phase.aqueous) return;
  if (phase.aqueous && phase.h2o != 0) return;
  const Volumes vol = speciesVolumes(phase, p, t, context);
  auto volume = [&](int l, int state) {
    return vol.v[static_cast<std::size_t>(state)][static_cast<std::size_t>(l)];
  };
  auto linear = [&](auto f) { return linearised(f, vol.centralP); };
  auto set = [&](Real& value, Real& dT, Real& dP, const Linear& x) {
    value = x.value;
    dT = x.dT;
    dP = x.dP;
  };
  if (phase.fluid) {
    for (int l = 0; l < n; ++l) {
      auto i = static_cast<std::size_t>(l);
      set(r.alpha[i], r.alphaT[i], r.alphaP[i],
          linear([&](int s) { return volume(l, s) / volume(0, s); }));
    }
    for (int k = 0; k < nw; ++k) {
      const Interaction& w = phase.interactions[static_cast<std::size_t>(k)];
      Real pair =
          fluidPairValue(fluidSpeciesIndex(phase.endMembers[static_cast<std::size_t>(w.i)].name),
                         fluidSpeciesIndex(phase.endMembers[static_cast<std::size_t>(w.j)].name));
      auto i = static_cast<std::size_t>(k);
      set(r.w[i], r.wT[i], r.wP[i],
          linear([&](int s) { return pair * (1 / volume(w.i, s) + 1 / volume(w.j, s)); }));
    }
    return;
  }
  // aqueous: H2O first, CO2 (when present) second
  if (phase.model == kAsymmetricMixing) {
    for (int l = 0; l < n; ++l) {
      auto i = static_cast<std::size_t>(l);
      const SizeParameter& s = phase.sizes[i];
      if (l == 0) {
        set(r.alpha[i], r.alphaT[i], r.alphaP[i], Linear{1, 0, 0});
      } else if (l == phase.co2) {
        set(r.alpha[i], r.alphaT[i], r.alphaP[i],
            linear([&](int st) { return volume(l, st) / volume(0, st); }));
      } else {
        set(r.alpha[i], r.alphaT[i], r.alphaP[i], linear([&](int st) {
              Real tt = st == 1 ? t + kVolumeDt : st == 2 ? t - kVolumeDt : t;
              Real pp = st == 3 ? p + kVolumeDp : st == 4 && vol.centralP ? p - kVolumeDp : p;
              return (s.a + s.b * tt + s.c * pp) / volume(0, st);
            }));
      }
    }
  }
  if (phase.co2 == 1) {
    for (int k = 0; k < nw; ++k) {
      const Interaction& w = phase.interactions[static_cast<std::size_t>(k)];
      if (w.i != 0 || w.j != 1) continue;
      auto i = static_cast<std::size_t>(k);
      set(r.w[i], r.wT[i], r.wP[i],
          linear([&](int s) { return kH2oCo2PairValue * (1 / volume(0, s) + 1 / volume(1, s)); }));
    }
  }
}

// Index of the interaction (0, l), or -1.
int pairWithWater(const SolutionPhase& phase, int l) {
  for (std::size_t k = 0; k < phase.interactions.size(); ++k)
    if (phase.interactions[k].i == 0 && phase.interactions[k].j == l) return static_cast<int>(k);
  return -1;
}

bool soluteWithWaterPair(const SolutionPhase& phase, int l) {
  return phase.aqueous && l > 0 && phase.endMembers[static_cast<std::size_t>(l)].aqueousSolute &&
         pairWithWater(phase, l) >= 0;
}

// The terms below add to dT and dP, which hold the ideal-mixing part
// already; dx is written whole, its ideal-mixing part from idealDx(l, t).
// Sums run over the pairs of each end-member with the accumulator in a
// register: on the extended format, loads and stores are what costs.

// RT ln gamma_l = (W p)_l - G, G = sum over pairs of p_i p_j W = (p . W p) / 2.
template <typename IdealDx>
void symmetric(const SolutionPhase& phase, bool wantX, bool wantTP, ActivityResult& r,
               const IdealDx& idealDx) {
  const int n = r.n, nv = r.nv;
  if (phase.aqueous)
    for (int l = 0; l < n; ++l)
      if (soluteWithWaterPair(phase, l)) bomb(kCalca, "symmetric aq??");
  const CompiledPhase& c = phase.compiled;
  const int* start = c.pairStart.data();
  const int* index = c.pairIndex.data();
  const int* other = c.pairOther.data();
  const auto& p = r.p;
  std::array<Real, kMaxPhaseEndMembers> wp, wpT, wpP;
  Real g2 = 0, gT2 = 0, gP2 = 0;
  for (int l = 0; l < n; ++l) {
    Real sum = 0, sumT = 0, sumP = 0;
    for (int m = start[l]; m < start[l + 1]; ++m) {
      Real pj = p[static_cast<std::size_t>(other[m])];
      auto k = static_cast<std::size_t>(index[m]);
      sum += r.w[k] * pj;
      if (wantTP) {
        sumT += r.wT[k] * pj;
        sumP += r.wP[k] * pj;
      }
    }
    auto i = static_cast<std::size_t>(l);
    wp[i] = sum;
    g2 += p[i] * sum;
    if (wantTP) {
      wpT[i] = sumT;
      wpP[i] = sumP;
      gT2 += p[i] * sumT;
      gP2 += p[i] * sumP;
    }
  }
  const Real g = g2 / 2, gT = gT2 / 2, gP = gP2 / 2;
  for (int l = 0; l < n; ++l) {
    auto i = static_cast<std::size_t>(l);
    r.rtlngamma[i] = wp[i] - g;
    if (wantTP) {
      r.dT[i] += wpT[i] - gT;
      r.dP[i] += wpP[i] - gP;
    }
  }
  if (!wantX) return;
  for (int t = 0; t < nv; ++t) {
    auto v = static_cast<std::size_t>(t);
    Real dg = 0;
    for (int l = 0; l < n; ++l)
      dg += wp[static_cast<std::size_t>(l)] * r.dp[static_cast<std::size_t>(l)][v];
    for (int l = 0; l < n; ++l) {
      Real sum = 0;
      for (int m = start[l]; m < start[l + 1]; ++m)
        sum +=
            r.w[static_cast<std::size_t>(index[m])] * r.dp[static_cast<std::size_t>(other[m])][v];
      r.dx[static_cast<std::size_t>(l)][v] = idealDx(l, t) + sum - dg;
    }
  }
}

// RT ln gamma_l = alpha_l ((B phi)_l - G), B = 2 W / (alpha_i + alpha_j),
// G = sum over pairs of phi_i phi_j B = (phi . B phi) / 2.
template <typename IdealDx>
void asymmetric(const SolutionPhase& phase, bool wantX, bool wantTP, ActivityResult& r,
                const IdealDx& idealDx) {
  const int n = r.n, nv = r.nv;
  const int nw = static_cast<int>(phase.interactions.size());
  const CompiledPhase& c = phase.compiled;
  const int* start = c.pairStart.data();
  const int* index = c.pairIndex.data();
  const int* other = c.pairOther.data();
  const auto& p = r.p;
  const auto& alpha = r.alpha;
  Real sum = 0;
  for (int l = 0; l < n; ++l)
    sum += p[static_cast<std::size_t>(l)] * alpha[static_cast<std::size_t>(l)];
  std::array<Real, kMaxPhaseEndMembers> phi, bphi;
  for (int l = 0; l < n; ++l) {
    auto i = static_cast<std::size_t>(l);
    phi[i] = p[i] * alpha[i] / sum;
  }
  std::array<Real, kMaxInteractions> b, spread;  // spread: 1 / (alpha_i + alpha_j)
  for (int k = 0; k < nw; ++k) {
    const Interaction& pair = phase.interactions[static_cast<std::size_t>(k)];
    auto q = static_cast<std::size_t>(k);
    spread[q] =
        1 / (alpha[static_cast<std::size_t>(pair.i)] + alpha[static_cast<std::size_t>(pair.j)]);
    b[q] = 2 * r.w[q] * spread[q];
  }
  Real g2 = 0;
  for (int l = 0; l < n; ++l) {
    Real s = 0;
    for (int m = start[l]; m < start[l + 1]; ++m)
      s += b[static_cast<std::size_t>(index[m])] * phi[static_cast<std::size_t>(other[m])];
    bphi[static_cast<std::size_t>(l)] = s;
    g2 += phi[static_cast<std::size_t>(l)] * s;
  }
  const Real g = g2 / 2;
  // the solute's own pair with water counts once more, so that it vanishes
  // at infinite dilution
  std::array<int, kMaxPhaseEndMembers> waterPair;
  for (int l = 0; l < n; ++l)
    waterPair[static_cast<std::size_t>(l)] =
        phase.aqueous && soluteWithWaterPair(phase, l) ? pairWithWater(phase, l) : -1;
  for (int l = 0; l < n; ++l) {
    auto i = static_cast<std::size_t>(l);
    r.rtlngamma[i] = alpha[i] * (bphi[i] - g);
    if (waterPair[i] >= 0) r.rtlngamma[i] -= alpha[i] * b[static_cast<std::size_t>(waterPair[i])];
  }

  if (wantX) {
    std::array<Row, kMaxPhaseEndMembers> dphi;
    for (int t = 0; t < nv; ++t) {
      auto v = static_cast<std::size_t>(t);
      Real dsum = 0;
      for (int l = 0; l < n; ++l)
        dsum += alpha[static_cast<std::size_t>(l)] * r.dp[static_cast<std::size_t>(l)][v];
      Real dg = 0;
      for (int l = 0; l < n; ++l) {
        auto i = static_cast<std::size_t>(l);
        dphi[i][v] = (alpha[i] * r.dp[i][v] - phi[i] * dsum) / sum;
        dg += bphi[i] * dphi[i][v];
      }
      for (int l = 0; l < n; ++l) {
        Real s = 0;
        for (int m = start[l]; m < start[l + 1]; ++m)
          s += b[static_cast<std::size_t>(index[m])] * dphi[static_cast<std::size_t>(other[m])][v];
        auto i = static_cast<std::size_t>(l);
        r.dx[i][v] = idealDx(l, t) + alpha[i] * (s - dg);
      }
    }
  }

  if (!wantTP) return;
  // the same in T and in P: slopes of alpha, W, B and phi
  for (int which = 0; which < 2; ++which) {
    const auto& alphaD = which == 0 ? r.alphaT : r.alphaP;
    const auto& wD = which == 0 ? r.wT : r.wP;
    auto& out = which == 0 ? r.dT : r.dP;
    Real sumD = 0;
    for (int l = 0; l < n; ++l)
      sumD += p[static_cast<std::size_t>(l)] * alphaD[static_cast<std::size_t>(l)];
    std::array<Real, kMaxPhaseEndMembers> phiD, bDphi, bphiD;
    for (int l = 0; l < n; ++l) {
      auto i = static_cast<std::size_t>(l);
      phiD[i] = (p[i] * alphaD[i] - phi[i] * sumD) / sum;
    }
    std::array<Real, kMaxInteractions> bD;
    for (int k = 0; k < nw; ++k) {
      const Interaction& pair = phase.interactions[static_cast<std::size_t>(k)];
      auto q = static_cast<std::size_t>(k);
      Real slope =
          alphaD[static_cast<std::size_t>(pair.i)] + alphaD[static_cast<std::size_t>(pair.j)];
      bD[q] = 2 * (wD[q] - r.w[q] * slope * spread[q]) * spread[q];
    }
    Real gD = 0;
    for (int l = 0; l < n; ++l) {
      Real s1 = 0, s2 = 0;
      for (int m = start[l]; m < start[l + 1]; ++m) {
        auto k = static_cast<std::size_t>(index[m]);
        auto j = static_cast<std::size_t>(other[m]);
        s1 += bD[k] * phi[j];
        s2 += b[k] * phiD[j];
      }
      auto i = static_cast<std::size_t>(l);
      bDphi[i] = s1;
      bphiD[i] = s2;
      gD += phi[i] * s1 / 2 + bphi[i] * phiD[i];
    }
    for (int l = 0; l < n; ++l) {
      auto i = static_cast<std::size_t>(l);
      out[i] += alphaD[i] * (bphi[i] - g) + alpha[i] * (bDphi[i] + bphiD[i] - gD);
      if (waterPair[i] >= 0) {
        auto q = static_cast<std::size_t>(waterPair[i]);
        out[i] -= alphaD[i] * b[q] + alpha[i] * bD[q];
      }
    }
  }
}

}  // namespace

Real idealActivity(const AxEndMember& endMember, std::span<const Real> sf) {
  Real ideal = endMember.normalisation;
  for (const TmfFactor& f : endMember.tmf)
    ideal *= raised(sf[static_cast<std::size_t>(f.siteFraction)], f);
  return ideal;
}

void siteFractions(const SolutionPhase& phase, std::span<const Real> x, std::span<Real> sf) {
  phase.compiled.siteFractions.evaluate(x.data(), sf.data());
}

bool siteFractionsPositive(const SolutionPhase& phase, std::span<const Real> x) {
  std::array<Real, kMaxPhaseSiteFractions> sf{};
  siteFractions(phase, x, sf);
  for (int k = 0; k < phase.siteFractionCount(); ++k)
    if (!(sf[static_cast<std::size_t>(k)] > 0)) return false;
  return true;
}

void negativeSfReport(Io& io, const SolutionPhase& phase, std::span<const Real> x, int endMember,
                      int factor) {
  std::string line = "x =  ";
  for (int t = 0; t < phase.variableCount(); ++t)
    addfield(line, x[static_cast<std::size_t>(t)], 6, Digits::significant, 12);
  io.putstr(1, line, 1, kToConsoleLog);
  std::array<Real, kMaxPhaseSiteFractions> sf{};
  siteFractions(phase, x, sf);
  std::string names = "     ";
  std::string values = "sf = ";
  for (int k = 0; k < phase.siteFractionCount(); ++k) {
    addfield(names, phase.siteFractions[static_cast<std::size_t>(k)].name, 12);
    addfield(values, sf[static_cast<std::size_t>(k)], 6, Digits::significant, 12);
  }
  io.putstr(0, names, 1, kToConsoleLog);
  io.putstr(0, values, 1, kToConsoleLog);
  if (endMember >= 0) {
    const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(endMember)];
    int s = em.tmf[static_cast<std::size_t>(factor)].siteFraction;
    std::string where = "phase = " + phase.name + ", end-member = " + em.name +
                        ", tmf term no = " + std::to_string(factor + 1) +
                        ", sf term no = " + std::to_string(s + 1) + ", sf = ";
    addfield(where, sf[static_cast<std::size_t>(s)], 6, Digits::significant, 0);
    io.putstr(0, where, 1, kToConsoleLog);
  }
  io.putstr(0, "sorry - try changing starting guesses!", 1, kToConsoleLog);
}

void calca(const SolutionPhase& phase, std::span<const Real> x, Real p, Real t, unsigned what,
           const ActivityContext& context, ActivityResult& r) {
  const int n = phase.endMemberCount();
  const int nv = phase.variableCount();
  const int ns = phase.siteFractionCount();
  const bool wantX = (what & kCompositionDerivatives) != 0;
  const bool wantTP = (what & kTPDerivatives) != 0;
  r.n = n;
  r.nv = nv;
  r.ns = ns;
  const CompiledPhase& c = phase.compiled;
  c.siteFractions.evaluate(x.data(), r.sf.data());
  c.proportions.evaluate(x.data(), r.p.data());
  if (wantX && nv > 0) {
    c.siteDerivatives.evaluate(x.data(), r.dsf[0].data(), nv, kMaxPhaseVariables);
    c.proportionDerivatives.evaluate(x.data(), r.dp[0].data(), nv, kMaxPhaseVariables);
  }

  const Real rt = kGasConstant * t;
  // per end-member and factor: RT power / sf
  std::array<std::array<Real, kMaxTmfFactors>, kMaxPhaseEndMembers> weight;
  for (int l = 0; l < n; ++l) {
    const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
    Real ideal = em.normalisation;
    for (std::size_t f = 0; f < em.tmf.size(); ++f) {
      Real sf = r.sf[static_cast<std::size_t>(em.tmf[f].siteFraction)];
      if (!(sf > 0)) {
        if (context.io != nullptr) negativeSfReport(*context.io, phase, x, l, static_cast<int>(f));
        bomb(kCalca, "negative sf term");
      }
      ideal *= raised(sf, em.tmf[f]);
    }
    if (!(ideal > 0)) bomb(kCalca, "ln <= 0");
    auto i = static_cast<std::size_t>(l);
    r.ideal[i] = ideal;
    r.rtlngamma[i] = 0;
    if (wantTP) {
      r.dT[i] = kGasConstant * std::log(ideal);
      r.dP[i] = 0;
    }
    if (wantX) {
      auto& w = weight[i];
      for (std::size_t f = 0; f < em.tmf.size(); ++f)
        w[f] = rt * em.tmf[f].powerValue / r.sf[static_cast<std::size_t>(em.tmf[f].siteFraction)];
    }
  }

  // RT times the sum over the factors of power (dsf/dx) / sf
  auto idealDx = [&](int l, int v) {
    const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(l)];
    const auto& w = weight[static_cast<std::size_t>(l)];
    Real sum = 0;
    for (std::size_t f = 0; f < em.tmf.size(); ++f)
      sum += w[f] *
             r.dsf[static_cast<std::size_t>(em.tmf[f].siteFraction)][static_cast<std::size_t>(v)];
    return sum;
  };
  if (phase.model == kIdealMixing) {
    if (wantX)
      for (int l = 0; l < n; ++l)
        for (int v = 0; v < nv; ++v)
          r.dx[static_cast<std::size_t>(l)][static_cast<std::size_t>(v)] = idealDx(l, v);
  } else {
    parameters(phase, p, t, wantTP, context, r);
    if (phase.model == kSymmetricMixing)
      symmetric(phase, wantX, wantTP, r, idealDx);
    else
      asymmetric(phase, wantX, wantTP, r, idealDx);
  }

  const Real inverseRt = 1 / rt;
  for (int l = 0; l < n; ++l) {
    auto i = static_cast<std::size_t>(l);
    r.a[i] =
        phase.model == kIdealMixing ? r.ideal[i] : r.ideal[i] * expReal(r.rtlngamma[i] * inverseRt);
  }
}

Real dependentActivity(Io* io, const SolutionPhase& phase, int endMember,
                       const ActivityResult& result, bool regression) {
  const AxEndMember& em = phase.endMembers[static_cast<std::size_t>(endMember)];
  Real lna = 0;
  bool formed = !em.dependsOn.empty();
  for (const AxEndMember::Constituent& c : em.dependsOn) {
    Real a = result.a[static_cast<std::size_t>(c.endMember)];
    if (!(a > 0)) formed = false;
    if (formed) lna += c.multiplier * std::log(a);
  }
  if (!formed) bomb(kCalca, "messed up make a - " + em.name + " in " + phase.name);
  Real a = std::exp(lna);
  if (regression && !(a > 0 && a < 1)) {
    if (io != nullptr) {
      io->putstr(1, em.name + " in " + phase.name + ":", 1, kToConsoleLog);
      for (const AxEndMember::Constituent& c : em.dependsOn) {
        const std::string& name = phase.endMembers[static_cast<std::size_t>(c.endMember)].name;
        std::string line = "  " + name + "; mult = ";
        addfield(line, c.multiplier, 6, Digits::significant, 0);
        line += "; a(" + name + ") = ";
        addfield(line, result.a[static_cast<std::size_t>(c.endMember)], 6, Digits::significant, 0);
        io->putstr(0, line, 1, kToConsoleLog);
      }
      std::string giving = "; giving a(" + em.name + ") = ";
      addfield(giving, a, 6, Digits::significant, 0);
      io->putstr(0, giving, 1, kToConsoleLog);
    }
    bomb(kCalca, "dependent end-member activity not between 0 and 1");
  }
  return a;
}

}  // namespace pf
