// The fluid model by name, and the terms of G that depend on the fluid's
// composition: H2O-CO2 mixing, the cordierite channel fluid and the aqueous
// species with their Debye-Hueckel term.
#include <algorithm>
#include <cmath>
#include <string>

#include "calc/thermo/fluids.h"
#include "common/bomb.h"
#include "common/numbers.h"

namespace pf {

namespace {

constexpr Real kR = kGasConstant;
constexpr Real kT0 = kReferenceT;

constexpr Real kH2OCO2Interaction = 10.5L;  // kJ^2/kbar, scaled by the volumes

// Cordierite channel-fluid equilibria
constexpr Real kChannelH2OEnthalpyOld = 41.79L;  // layout A datasets
constexpr Real kChannelH2OEnthalpy = 42.84L;

// Aqueous species
constexpr Real kAqueousTLimit = 500;
constexpr Real kRLn10 = 0.019144612724L;
constexpr Real kIonSize = 4.5e-10L;  // m
constexpr Real kH2OMolarMass = 18.01528L;
constexpr Real kCO2MolarMass = 44.0095L;

constexpr Real kDebyeHuckelA = 1.824829238e6L;
constexpr Real kDebyeHuckelB = 5.029158649e11L;  // 1/m

Real cubeRoot(Real x) {
  return std::cbrt(x);
}

// Dielectric constant of CO2 from its molar polarization (Clausius-Mossotti).
Real co2DielectricConstant(Real molarDensity, Real t) {
  Real theta = t / 273.16L - 1;
  Real polarization = (7.3455L + 0.00335L * theta) + (83.93L + 145.1L * theta) * molarDensity +
                      (-578.8L - 1012 * theta) * std::pow(molarDensity, 1.55L);
  Real y = polarization * molarDensity;
  if (!(y < 1)) bomb("gem", "CO2 dielectric constant undefined at this density");
  return (1 + 2 * y) / (1 - y);
}

void writeDebyeHuckelLine(Io& io, const EndMember& e, const DebyeHuckel& dh, Real term) {
  const auto& s = e.slot;
  std::string line = "xco2 = " + realToText(s[kXCO2]) + ", xh2o = " + realToText(s[kXH2O]) +
                     ", I = " + realToText(s[kIonicStrength]) + ", A = " + realToText(dh.a) +
                     ", B x 10^-10 = " + realToText(dh.b * 1e-10L) +
                     ", DH(solute) = " + realToText(term);
  io.putstr(0, line, 1, kToConsoleLog);
}

}  // namespace

FluidState fluidModel(Io& io, Fluid fluid, Real p, Real t, bool ds6) {
  switch (fluid) {
    case Fluid::H2O:
      return ds6 ? pitzerSterner(io, Fluid::H2O, p, t) : corkH2O(p, t);
    case Fluid::CO2:
      return ds6 ? pitzerSterner(io, Fluid::CO2, p, t) : corkCO2(p, t);
    case Fluid::CH4:
      return correspondingStatesCork(190.6L, 0.046L, p, t);
    case Fluid::H2:
      return correspondingStatesCork(41.2L, 0.0211L, p, t);
    case Fluid::CO:
      return correspondingStatesCork(132.9L, 0.035L, p, t);
    case Fluid::H2S:
      return correspondingStatesCork(373.2L, 0.0893L, p, t);
    case Fluid::S2:
      return correspondingStatesCork(259.6L, 0.08L, p, t);
    case Fluid::none:
      break;
  }
  return FluidState{};
}

Real h2oCo2MixingTerm(Io& io, Fluid fluid, Real xco2, Real xh2o, Real p, Real t, bool ds6) {
  bool applies = (fluid == Fluid::H2O && xco2 > 0 && xh2o < 1) ||
                 (fluid == Fluid::CO2 && xco2 < 1 && xh2o > 0);
  if (!applies) return 0;
  Real vh2o = fluidModel(io, Fluid::H2O, p, t, ds6).volume;
  Real vco2 = fluidModel(io, Fluid::CO2, p, t, ds6).volume;
  Real w = kH2OCO2Interaction * (vh2o + vco2) / (vh2o * vco2);
  bool water = fluid == Fluid::H2O;
  Real vi = water ? vh2o : vco2, xi = water ? xh2o : xco2;
  Real vj = water ? vco2 : vh2o, xj = water ? xco2 : xh2o;
  Real mixed = xi * vi + xj * vj;
  return 2 * w * xj * xj * vi * vj * vj / ((vi + vj) * mixed * mixed);
}

Real channelFluidTerm(Io& io, const EndMember& e, Real p, Real t, const GibbsSettings& settings) {
  const auto& s = e.slot;
  Real rt = kR * t;
  Real sum = 1;
  if (s[kXH2O] > 0) {
    Real dh = settings.dsmode < 3 ? kChannelH2OEnthalpyOld : kChannelH2OEnthalpy;
    Real lnK = -(dh - 0.109L * t - 0.0083L * ((t - kT0) - t * std::log(t / kT0))) / rt;
    Real lnF = fluidModel(io, Fluid::H2O, p, t, settings.ds6).rtlnf / rt;
    sum += s[kXH2O] * std::exp(lnF - lnK);
  }
  if (s[kXCO2] > 0) {
    Real lnK = 12.73L - 1930 / t;
    Real lnF = fluidModel(io, Fluid::CO2, p, t, settings.ds6).rtlnf / rt;
    sum += s[kXCO2] * std::exp(lnF - lnK);
  }
  return -rt * std::log(sum);
}

Real waterDielectricConstant(Real density, Real t) {
  // The correlation's own Celsius scale is t - 273.15; the program's 0 C is
  // 273 K, so the last 0.15 K up to the correlation's start are taken as 0 C.
  if (!(t >= 273)) bomb("gem", "water dielectric constant needs T of 0 C or more");
  Real celsius = std::max(t - 273.15L, Real{0});
  Real root = std::sqrt(celsius);
  Real exponent =
      -1.57637700752506e-3L * celsius + 6.81028783422197e-2L * root + 0.754875480393944L;
  Real scale = -8.01665106535394e-5L * celsius - 6.87161761831994e-2L * root + 4.74797272182151L;
  return std::exp(scale) * std::pow(density, exponent);
}

DebyeHuckel debyeHuckelParameters(Io& io, Real xh2o, Real xco2, Real p, Real t, bool ds6) {
  Real total = std::max(xh2o, Real{0}) + std::max(xco2, Real{0});
  Real xw = total > 0 ? std::max(xh2o, Real{0}) / total : 1;
  Real xc = total > 0 ? std::max(xco2, Real{0}) / total : 0;
  Real vw = fluidModel(io, Fluid::H2O, p, t, ds6).volume;
  Real waterDensity = kH2OMolarMass / (10 * vw);
  Real epsilon = waterDielectricConstant(waterDensity, t);
  Real density = waterDensity;
  if (xc > 0) {
    Real vc = fluidModel(io, Fluid::CO2, p, t, ds6).volume;
    Real vs = xw * vw + xc * vc;
    density = (xw * kH2OMolarMass + xc * kCO2MolarMass) / (10 * vs);
    Real epsilonCO2 = co2DielectricConstant(1 / (10 * vc), t);
    Real mixed = xw * vw / vs * cubeRoot(epsilon) + xc * vc / vs * cubeRoot(epsilonCO2);
    epsilon = mixed * mixed * mixed;
  }
  Real et = epsilon * t;
  DebyeHuckel dh;
  dh.a = kDebyeHuckelA * std::sqrt(density) / (et * std::sqrt(et));
  dh.b = kDebyeHuckelB * std::sqrt(density) / std::sqrt(et);
  return dh;
}

Real aqueousTerm(Io& io, const EndMember& e, Real p, Real t, const GibbsSettings& settings) {
  const auto& s = e.slot;
  Real tLimit = std::min(t, kAqueousTLimit);
  Real vw = fluidModel(io, Fluid::H2O, p, t, settings.ds6).volume;
  Real term = s[kAqueousCp] * (-27.091L + 0.09086L * t +
                               350.42L * (t / tLimit) * std::log(1.81799456L / vw) - 15.8L * p);
  if (!settings.regression) term += 0.03354L * t;
  Real ionicStrength = s[kIonicStrength];
  if (s[kCharge1] != 0 && ionicStrength > 0) {
    DebyeHuckel dh = debyeHuckelParameters(io, s[kXH2O], s[kXCO2], p, t, settings.ds6);
    Real root = std::sqrt(ionicStrength);
    Real charge = s[kCharge1] * s[kCharge2];
    Real logGamma = -charge * dh.a * root / (1 + dh.b * kIonSize * root);
    if (settings.printLevel == 5) writeDebyeHuckelLine(io, e, dh, logGamma);
    term += kRLn10 * t * logGamma;
  }
  return term;
}

}  // namespace pf
