#include "calc/thermo/gibbs.h"

#include <cmath>
#include <string>

#include "calc/thermo/fluids.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/text.h"

namespace pf {

namespace {

constexpr Real kT0 = kReferenceT;
constexpr Real kBraggWilliamsLow = 1e-7L;
constexpr Real kBraggWilliamsHigh = 0.9999999L;
constexpr int kBraggWilliamsHalvings = 20;
constexpr Real kBraggWilliamsTolerance = 0.001L;

// Whole numbers without a trail of zeros, others to six digits.
std::string valueText(Real x) {
  if (std::fabs(x) < 1e9L && x == std::nearbyint(x)) return std::to_string(roundToInt(x));
  return realToText(x);
}

std::string pointText(Real p, Real t) {
  return " at P = " + valueText(p) + " kbar, T = " + valueText(t) + " K";
}

[[noreturn]] void equationFault(const EndMember& e, Real p, Real t, const std::string& what) {
  bomb("gem", what + " for " + e.name + pointText(p, t));
}

Real checkedRoot(const EndMember& e, Real p, Real t, Real x, const char* where) {
  if (!(x >= 0))
    equationFault(e, p, t, std::string("square root of a negative number in ") + where);
  return std::sqrt(x);
}

Real checkedPower(const EndMember& e, Real p, Real t, Real base, Real exponent, const char* where) {
  if (!(base > 0) && !(base == 0 && exponent > 0))
    equationFault(e, p, t, std::string("power of a negative number in ") + where);
  // exp(y ln x): the library's extended-precision pow is several times slower
  return base == 0 ? 0 : std::exp(exponent * std::log(base));
}

// Layout A: bulk modulus and 1-bar volume ratio at T.
struct LayoutA {
  Real kT = 0;           // K(T)
  Real kp = 0;           // K'
  Real volumeRatio = 1;  // V(T) / V
};

LayoutA layoutA(const EndMember& e, Real t, int dsmode) {
  const auto& s = e.slot;
  LayoutA a;
  a.kT = s[kKappa] + s[kDkappadT] * (t - kT0);
  a.kp = s[kKappaprime];
  if (dsmode < 2)
    a.volumeRatio = 1 + s[kAlpha1] * ((t - kT0) - 2 * s[kAlpha2] * (std::sqrt(t) - std::sqrt(kT0)));
  else
    a.volumeRatio = std::exp(s[kAlpha1] * (t - kT0) + s[kAlpha2] * (t * t - kT0 * kT0) / 2 -
                             s[kAlpha3] * (1 / t - 1 / kT0));
  return a;
}

// (1 + K' P / K(T))^(1 - 1/K'), the layout-A compression at P.
Real murnaghanPower(const EndMember& e, const LayoutA& a, Real p, Real t, Real at) {
  if (!(a.kT > 0)) equationFault(e, p, t, "bulk modulus at T not above 0");
  if (a.kp == 0 || a.kp == 1) equationFault(e, p, t, "K' of 0 or 1");
  return checkedPower(e, p, t, 1 + a.kp * at / a.kT, 1 - 1 / a.kp, "the volume integral");
}

struct Tait {
  Real a = 1, b = 0, c = 0;
};

Tait taitParameters(Real k, Real kp, Real kpp) {
  Tait tait;
  if (kpp == 0) {
    tait.a = 1;
    tait.b = kp / k;
    tait.c = 1 / kp;
  } else {
    tait.a = (1 + kp) / (1 + kp + k * kpp);
    tait.b = kp / k - kpp / (1 + kp);
    tait.c = (1 + kp + k * kpp) / (kp * kp + kp - k * kpp);
  }
  return tait;
}

void writeDuffLine(Io& io, Real t, Real pth, const Tait& tait) {
  std::string line = "T = " + std::to_string(roundToInt(t - 273)) + kDegree +
                     "C, Pth = " + realToText(pth, 6, Digits::significant) +
                     ", a = " + realToText(tait.a, 6, Digits::significant) +
                     ", b = " + realToText(tait.b, 6, Digits::significant) +
                     ", c = " + realToText(tait.c, 6, Digits::significant);
  io.putstr(1, line, 1, kToConsoleLog);
}

// Layout B: the factor that multiplies V in the volume integral.
Real taitFactor(Io& io, const EndMember& e, Real p, Real t, bool liquid) {
  const auto& s = e.slot;
  Real k = s[kKappa0];
  if (k == 0) return p;
  if (liquid) k += s[kDkappa0dt] * (t - kT0);
  if (!(k > 0)) equationFault(e, p, t, "bulk modulus not above 0");
  Tait tait = taitParameters(k, s[kKappa0p], s[kKappa0pp]);
  Real divisor = tait.b * (tait.c - 1);
  if (divisor == 0 || !std::isfinite(divisor)) equationFault(e, p, t, "Tait parameters unusable");
  if (liquid) {
    Real power = checkedPower(e, p, t, 1 + tait.b * p, 1 - tait.c, "the Tait volume integral");
    return std::exp(s[kAlpha0] * (t - kT0)) * (p * (1 - tait.a) + tait.a * (1 - power) / divisor);
  }
  Real theta = s[kTheta];
  if (!(theta > 0)) equationFault(e, p, t, "Einstein temperature not above 0");
  Real u0 = theta / kT0;
  Real e0 = std::exp(u0);
  Real xi0 = u0 * u0 * e0 / ((e0 - 1) * (e0 - 1));
  Real pth = s[kAlpha0] * k * theta / xi0 * (1 / (std::exp(theta / t) - 1) - 1 / (e0 - 1));
  if (tait.b * pth > 1) {
    writeDuffLine(io, t, pth, tait);
    bomb("gem", "duff: b Pth > 1, so log(-ve)");
  }
  Real thermal = checkedPower(e, p, t, 1 - tait.b * pth, 1 - tait.c, "the Tait volume integral");
  Real compressed =
      checkedPower(e, p, t, 1 + tait.b * (p - pth), 1 - tait.c, "the Tait volume integral");
  return p * (1 - tait.a) + tait.a * (thermal - compressed) / divisor;
}

Real layoutAIntegral(const EndMember& e, Real p, Real t, int dsmode) {
  const auto& s = e.slot;
  if (s[kKappa] == 0) return p * s[kVolume];
  LayoutA a = layoutA(e, t, dsmode);
  Real atP = murnaghanPower(e, a, p, t, p);
  Real at1bar = murnaghanPower(e, a, p, t, kReferenceP);
  return a.kT * s[kVolume] * a.volumeRatio * (atP - at1bar) / (a.kp - 1);
}

Real compressionIntegral(Io& io, const EndMember& e, Real p, Real t, int dsmode, bool liquid) {
  const auto& s = e.slot;
  if (s[kVolume] == 0) return 0;
  if (dsmode < 3) return layoutAIntegral(e, p, t, dsmode);
  if (s[kKappa0] == 0) return p * s[kVolume];
  return s[kVolume] * taitFactor(io, e, p, t, liquid);
}

Real landauVolumeTerm(Io& io, const EndMember& e, Real p, Real t, int dsmode, bool liquid,
                      Real q0) {
  const auto& s = e.slot;
  Real scale = q0 * s[kVmax];
  if (dsmode >= 5) return scale * p;
  if (dsmode >= 3) return scale * taitFactor(io, e, p, t, liquid);
  LayoutA a = layoutA(e, t, dsmode);
  if (s[kKappa] == 0) return a.volumeRatio * scale * p;
  Real atP = murnaghanPower(e, a, p, t, p);
  return a.volumeRatio * scale * a.kT * (atP - 1) / (a.kp - 1);
}

Real landau(Io& io, const EndMember& e, Real p, Real t, int dsmode, bool liquid) {
  const auto& s = e.slot;
  Real tc0 = s[kLandauT];
  Real smax = s[kSmax];
  if (!(tc0 > 0)) equationFault(e, p, t, "Landau critical temperature not above 0");
  Real q0 = checkedRoot(e, p, t, 1 - kT0 / tc0, "the Landau term (landaut below 298.15 K)");
  Real tc = tc0 + p * s[kVmax] / smax;
  Real q = 0;
  if (!(tc < t)) q = dsmode < 2 ? std::sqrt(1 - t / tc) : std::sqrt((tc - t) / tc0);
  Real entropy = smax * (q0 - q);
  Real enthalpy = dsmode < 2 ? smax * (tc0 * q0 * (1 - q0 * q0 / 3) - tc * q * (1 - q * q / 3))
                             : smax * (tc0 * (q0 - q0 * q0 * q0 / 3 + q * q * q / 3) - tc * q);
  enthalpy += landauVolumeTerm(io, e, p, t, dsmode, liquid, q0);
  return enthalpy - t * entropy;
}

int braggWilliamsSites(const EndMember& e) {
  return roundToInt(e.slot[kSfn]);
}

}  // namespace

GibbsSettings gibbsSettings(const Dataset& ds) {
  GibbsSettings settings;
  settings.dsmode = ds.dsmode;
  settings.ds6 = ds.ds6;
  return settings;
}

Real heatCapacityTerm(const EndMember& e, Real t) {
  const auto& s = e.slot;
  Real a = s[kCpa], b = s[kCpb], c = s[kCpc], d = s[kCpd];
  Real rootT = std::sqrt(t), rootT0 = std::sqrt(kT0);
  Real integral = a * (t - kT0) + b * (t * t - kT0 * kT0) / 2 - c * (1 / t - 1 / kT0) +
                  2 * d * (rootT - rootT0);
  Real overT = a * std::log(t / kT0) + b * (t - kT0) - c * (1 / (t * t) - 1 / (kT0 * kT0)) / 2 -
               2 * d * (1 / rootT - 1 / rootT0);
  return integral - t * overT;
}

Real volumeIntegral(Io& io, const EndMember& e, Real p, Real t, int dsmode) {
  return compressionIntegral(io, e, p, t, dsmode, nameRules(e.name).liquid);
}

Real landauTerm(Io& io, const EndMember& e, Real p, Real t, int dsmode) {
  if (!(e.slot[kSmax] > 0)) return 0;
  return landau(io, e, p, t, dsmode, nameRules(e.name).liquid);
}

Real braggWilliamsResidual(const EndMember& e, Real p, Real t, Real q) {
  const auto& s = e.slot;
  Real n = braggWilliamsSites(e);
  Real dh = s[kSfdh] + p * s[kSfdhv];
  Real w = s[kSfw] + p * s[kSfwv];
  Real ratio = n * (1 - q) * (1 - q) / ((1 + n * q) * (n + q));
  return s[kSffac] * n / (n + 1) * kGasConstant * t * std::log(ratio) + (2 * q - 1) * w + dh;
}

Real braggWilliamsQ(const EndMember& e, Real p, Real t) {
  if (braggWilliamsResidual(e, p, t, kBraggWilliamsHigh) > 0) return kBraggWilliamsHigh;
  if (braggWilliamsResidual(e, p, t, kBraggWilliamsLow) < 0) return kBraggWilliamsLow;
  Real low = 0, high = 1, q = 0.5L;
  for (int halving = 0; halving < kBraggWilliamsHalvings; ++halving) {
    Real f = braggWilliamsResidual(e, p, t, q);
    if (std::fabs(f) < kBraggWilliamsTolerance) break;
    if (f > 0)
      low = q;
    else
      high = q;
    q = (low + high) / 2;
  }
  return q;
}

Real braggWilliamsTerm(const EndMember& e, Real p, Real t) {
  const auto& s = e.slot;
  int sites = braggWilliamsSites(e);
  if (sites <= 0) return 0;
  Real n = sites;
  Real q = braggWilliamsQ(e, p, t);
  Real dh = s[kSfdh] + p * s[kSfdhv];
  Real w = s[kSfw] + p * s[kSfwv];
  Real enthalpy = dh * (1 - q) + w * q * (1 - q);
  Real mixing =
      (1 + n * q) * std::log((1 + n * q) / (n + 1)) + n * (1 - q) * std::log((1 - q) / (n + 1)) +
      n * (1 - q) * std::log(n * (1 - q) / (n + 1)) + n * (n + q) * std::log((n + q) / (n + 1));
  Real entropy = -kGasConstant * s[kSffac] * mixing / (n + 1);
  return enthalpy - t * entropy;
}

Real gem(Io& io, const EndMember& e, Real p, Real t, const GibbsSettings& settings) {
  const auto& s = e.slot;
  if (std::fabs(s[kEntropy]) < 1e-8L) return s[kEnthalpy];
  if (!(t > 0)) equationFault(e, p, t, "T not above 0 K");
  NameRules rules = nameRules(e.name);
  Real g = s[kEnthalpy] - t * s[kEntropy] + heatCapacityTerm(e, t);
  g += compressionIntegral(io, e, p, t, settings.dsmode, rules.liquid);
  if (s[kSmax] > 0) g += landau(io, e, p, t, settings.dsmode, rules.liquid);
  if (settings.dsmode >= 3 && braggWilliamsSites(e) > 0) g += braggWilliamsTerm(e, p, t);
  if (rules.fluid != Fluid::none) {
    FluidState fluid = fluidModel(io, rules.fluid, p, t, settings.ds6);
    g += fluid.rtlnf;
    if (settings.fluidByMoleFractions)
      g += h2oCo2MixingTerm(io, rules.fluid, s[kXCO2], s[kXH2O], p, t, settings.ds6);
  }
  bool channelFluid =
      !settings.phaseDiagram && (!settings.regression || settings.regressionChannelFluid);
  if (rules.cordierite && channelFluid) g += channelFluidTerm(io, e, p, t, settings);
  if (s[kAqueousCp] != 0) g += aqueousTerm(io, e, p, t, settings);
  if (!std::isfinite(g)) equationFault(e, p, t, "G is not a finite number");
  return g;
}

}  // namespace pf
