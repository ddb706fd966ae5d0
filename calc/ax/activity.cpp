#include "calc/ax/activity.h"

#include <cmath>
#include <string>

#include "calc/ax/fluid_species.h"
#include "calc/thermo/fluids.h"
#include "calc/thermo/gibbs.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr const char* kCalca = "calca";
// Steps of the finite differences that linearise volume-scaled parameters.
constexpr Real kVolumeDt = 0.01L;    // K
constexpr Real kVolumeDp = 0.001L;   // kbar

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
void parameters(const SolutionPhase& phase, Real p, Real t, const ActivityContext& context,
                ActivityResult& r) {
  const int n = phase.endMemberCount();
  const int nw = static_cast<int>(phase.interactions.size());
  for (int k = 0; k < nw; ++k) {
    const Interaction& w = phase.interactions[static_cast<std::size_t>(k)];
    auto i = static_cast<std::size_t>(k);
    r.w[i] = w.a + w.b * t + w.c * p;
    r.wT[i] = w.b;
    r.wP[i] = w.c;
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
      Real pair = fluidPairValue(fluidSpeciesIndex(phase.endMembers[static_cast<std::size_t>(w.i)].name),
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
      set(r.w[i], r.wT[i], r.wP[i], linear([&](int s) {
            return kH2oCo2PairValue * (1 / volume(0, s) + 1 / volume(1, s));
          }));
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

// RT ln gamma_l = (W p)_l - G, G = sum over pairs of p_i p_j W.
void symmetric(const SolutionPhase& phase, bool wantX, bool wantTP, ActivityResult& r) {
  const int n = r.n, nv = r.nv;
  for (int l = 0; l < n; ++l)
    if (soluteWithWaterPair(phase, l)) bomb(kCalca, "symmetric aq??");
  std::array<Real, kMaxPhaseEndMembers> wp{}, wpT{}, wpP{};
  std::array<Row, kMaxPhaseEndMembers> wdp{};
  Real g = 0, gT = 0, gP = 0;
  const auto& p = r.p;
  int k = 0;
  for (const Interaction& pair : phase.interactions) {
    auto i = static_cast<std::size_t>(pair.i), j = static_cast<std::size_t>(pair.j);
    auto q = static_cast<std::size_t>(k++);
    Real w = r.w[q];
    wp[i] += w * p[j];
    wp[j] += w * p[i];
    g += w * p[i] * p[j];
    if (wantTP) {
      wpT[i] += r.wT[q] * p[j];
      wpT[j] += r.wT[q] * p[i];
      gT += r.wT[q] * p[i] * p[j];
      wpP[i] += r.wP[q] * p[j];
      wpP[j] += r.wP[q] * p[i];
      gP += r.wP[q] * p[i] * p[j];
    }
    if (wantX) {
      for (int t = 0; t < nv; ++t) {
        wdp[i][static_cast<std::size_t>(t)] += w * r.dp[j][static_cast<std::size_t>(t)];
        wdp[j][static_cast<std::size_t>(t)] += w * r.dp[i][static_cast<std::size_t>(t)];
      }
    }
  }
  for (int l = 0; l < n; ++l) {
    auto i = static_cast<std::size_t>(l);
    r.rtlngamma[i] = wp[i] - g;
    if (wantTP) {
      r.dT[i] = wpT[i] - gT;
      r.dP[i] = wpP[i] - gP;
    }
  }
  if (!wantX) return;
  for (int t = 0; t < nv; ++t) {
    auto c = static_cast<std::size_t>(t);
    Real dg = 0;
    for (int l = 0; l < n; ++l) dg += wp[static_cast<std::size_t>(l)] * r.dp[static_cast<std::size_t>(l)][c];
    for (int l = 0; l < n; ++l) r.dx[static_cast<std::size_t>(l)][c] = wdp[static_cast<std::size_t>(l)][c] - dg;
  }
}

// RT ln gamma_l = alpha_l ((B phi)_l - G), B = 2 W / (alpha_i + alpha_j),
// G = sum over pairs of phi_i phi_j B.
void asymmetric(const SolutionPhase& phase, bool wantX, bool wantTP, ActivityResult& r) {
  const int n = r.n, nv = r.nv;
  const int nw = static_cast<int>(phase.interactions.size());
  const auto& p = r.p;
  const auto& alpha = r.alpha;
  Real sum = 0;
  for (int l = 0; l < n; ++l) sum += p[static_cast<std::size_t>(l)] * alpha[static_cast<std::size_t>(l)];
  std::array<Real, kMaxPhaseEndMembers> phi{};
  for (int l = 0; l < n; ++l)
    phi[static_cast<std::size_t>(l)] = p[static_cast<std::size_t>(l)] * alpha[static_cast<std::size_t>(l)] / sum;
  std::array<Real, kMaxInteractions> b{};
  std::array<Real, kMaxPhaseEndMembers> bphi{};
  Real g = 0;
  for (int k = 0; k < nw; ++k) {
    const Interaction& pair = phase.interactions[static_cast<std::size_t>(k)];
    auto i = static_cast<std::size_t>(pair.i), j = static_cast<std::size_t>(pair.j);
    Real bk = 2 * r.w[static_cast<std::size_t>(k)] / (alpha[i] + alpha[j]);
    b[static_cast<std::size_t>(k)] = bk;
    bphi[i] += bk * phi[j];
    bphi[j] += bk * phi[i];
    g += bk * phi[i] * phi[j];
  }
  // the solute's own pair with water counts once more, so that it vanishes
  // at infinite dilution
  std::array<int, kMaxPhaseEndMembers> waterPair{};
  for (int l = 0; l < n; ++l)
    waterPair[static_cast<std::size_t>(l)] = soluteWithWaterPair(phase, l) ? pairWithWater(phase, l) : -1;
  for (int l = 0; l < n; ++l) {
    auto i = static_cast<std::size_t>(l);
    r.rtlngamma[i] = alpha[i] * (bphi[i] - g);
    if (waterPair[i] >= 0) r.rtlngamma[i] -= alpha[i] * b[static_cast<std::size_t>(waterPair[i])];
  }

  if (wantX) {
    std::array<Row, kMaxPhaseEndMembers> dphi{}, bdphi{};
    for (int t = 0; t < nv; ++t) {
      auto c = static_cast<std::size_t>(t);
      Real dsum = 0;
      for (int l = 0; l < n; ++l) dsum += alpha[static_cast<std::size_t>(l)] * r.dp[static_cast<std::size_t>(l)][c];
      for (int l = 0; l < n; ++l) {
        auto i = static_cast<std::size_t>(l);
        dphi[i][c] = (alpha[i] * r.dp[i][c] - phi[i] * dsum) / sum;
      }
    }
    for (int k = 0; k < nw; ++k) {
      const Interaction& pair = phase.interactions[static_cast<std::size_t>(k)];
      auto i = static_cast<std::size_t>(pair.i), j = static_cast<std::size_t>(pair.j);
      Real bk = b[static_cast<std::size_t>(k)];
      for (int t = 0; t < nv; ++t) {
        auto c = static_cast<std::size_t>(t);
        bdphi[i][c] += bk * dphi[j][c];
        bdphi[j][c] += bk * dphi[i][c];
      }
    }
    for (int t = 0; t < nv; ++t) {
      auto c = static_cast<std::size_t>(t);
      Real dg = 0;
      for (int l = 0; l < n; ++l) dg += bphi[static_cast<std::size_t>(l)] * dphi[static_cast<std::size_t>(l)][c];
      for (int l = 0; l < n; ++l) {
        auto i = static_cast<std::size_t>(l);
        r.dx[i][c] = alpha[i] * (bdphi[i][c] - dg);
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
    for (int l = 0; l < n; ++l) sumD += p[static_cast<std::size_t>(l)] * alphaD[static_cast<std::size_t>(l)];
    std::array<Real, kMaxPhaseEndMembers> phiD{}, bDphi{}, bphiD{};
    for (int l = 0; l < n; ++l) {
      auto i = static_cast<std::size_t>(l);
      phiD[i] = (p[i] * alphaD[i] - phi[i] * sumD) / sum;
    }
    std::array<Real, kMaxInteractions> bD{};
    Real gD = 0;
    for (int k = 0; k < nw; ++k) {
      const Interaction& pair = phase.interactions[static_cast<std::size_t>(k)];
      auto i = static_cast<std::size_t>(pair.i), j = static_cast<std::size_t>(pair.j);
      auto q = static_cast<std::size_t>(k);
      Real s = alpha[i] + alpha[j];
      bD[q] = 2 * wD[q] / s - 2 * r.w[q] * (alphaD[i] + alphaD[j]) / (s * s);
      bDphi[i] += bD[q] * phi[j];
      bDphi[j] += bD[q] * phi[i];
      bphiD[i] += b[q] * phiD[j];
      bphiD[j] += b[q] * phiD[i];
      gD += bD[q] * phi[i] * phi[j];
    }
    for (int l = 0; l < n; ++l) gD += bphi[static_cast<std::size_t>(l)] * phiD[static_cast<std::size_t>(l)];
    for (int l = 0; l < n; ++l) {
      auto i = static_cast<std::size_t>(l);
      out[i] = alphaD[i] * (bphi[i] - g) + alpha[i] * (bDphi[i] + bphiD[i] - gD);
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
  for (const TmfFactor& f : endMember.tmf) ideal *= raised(sf[static_cast<std::size_t>(f.siteFraction)], f);
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
  for (int t = 0; t < phase.variableCount(); ++t) addfield(line, x[static_cast<std::size_t>(t)], 6, Digits::significant, 12);
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
    if (wantTP) r.dT[i] = r.dP[i] = 0;
    if (wantX) r.dx[i].fill(0);
  }

  if (phase.model != kIdealMixing) {
    parameters(phase, p, t, context, r);
    if (phase.model == kSymmetricMixing)
      symmetric(phase, wantX, wantTP, r);
    else
      asymmetric(phase, wantX, wantTP, r);
  }

  const Real rt = kGasConstant * t;
  for (int l = 0; l < n; ++l) {
    auto i = static_cast<std::size_t>(l);
    const AxEndMember& em = phase.endMembers[i];
    r.a[i] = phase.model == kIdealMixing ? r.ideal[i] : r.ideal[i] * std::exp(r.rtlngamma[i] / rt);
    if (wantX) {
      for (const TmfFactor& f : em.tmf) {
        auto s = static_cast<std::size_t>(f.siteFraction);
        Real weight = rt * f.powerValue / r.sf[s];
        for (int v = 0; v < nv; ++v)
          r.dx[i][static_cast<std::size_t>(v)] += weight * r.dsf[s][static_cast<std::size_t>(v)];
      }
    }
    if (wantTP) r.dT[i] += kGasConstant * std::log(r.ideal[i]);
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
