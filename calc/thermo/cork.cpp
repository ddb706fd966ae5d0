// The CORK fluids: a modified Redlich-Kwong core with a virial correction at
// high pressure for H2O and CO2, and the corresponding-states form.
#include <algorithm>
#include <cmath>
#include <string>

#include "calc/thermo/fluids.h"
#include "common/bomb.h"

namespace pf {

namespace {

constexpr Real kR = kGasConstant;
constexpr int kFindVsSteps = 21;
constexpr Real kFindVsTolerance = 0.001L;  // of V
constexpr Real kGasRestartP = 100;         // kbar: above it a failed step restarts near b

constexpr Real kH2OCriticalT = 695;  // K
constexpr Real kH2OSplitT = 673;     // K: a(T) changes form here
constexpr Real kH2OB = 1.465L;
constexpr Real kCO2B = 3.057L;
constexpr Real kMinimumPsat = 0.001L;

// e (P - P0) + d (P - P0)^1/2 + c (P - P0)^1/4 added to V above P0.
struct Virial {
  Real p0 = 0, e = 0, d = 0, c = 0;
};

void addVirial(const Virial& virial, Real p, Real t, Real& v, Real& lnPhi) {
  if (!(p > virial.p0)) return;
  Real dp = p - virial.p0;
  Real root = std::sqrt(dp);
  Real quarter = std::sqrt(root);
  v += virial.e * dp + virial.d * root + virial.c * quarter;
  lnPhi +=
      (2 * virial.d * dp * root / 3 + virial.e * dp * dp / 2 + 4 * virial.c * dp * quarter / 5) /
      (kR * t);
}

FluidState fromLnPhi(Real p, Real t, Real v, Real lnPhi) {
  return FluidState{v, kR * t * (std::log(1000 * p) + lnPhi)};
}

Real h2oAttraction(Real t) {
  if (t >= kH2OSplitT) return 1037.2L + 0.53013L * t - 0.00073907L * t * t + 1.7782e-7L * t * t * t;
  return -1451.88L + 12.718L * t - 0.02212L * t * t + 1.3204e-5L * t * t * t;
}

Real h2oGasAttraction(Real t) {
  if (t >= kH2OSplitT) return h2oAttraction(t);
  return 16137.46L - 69.656L * t + 0.11618L * t * t - 6.8128e-5L * t * t * t;
}

void requirePositive(Real p, Real t, const char* fluid) {
  if (!(p > 0)) bomb("gem", std::string("P not above 0 for the fluid ") + fluid);
  if (!(t > 0)) bomb("gem", std::string("T not above 0 K for the fluid ") + fluid);
}

}  // namespace

Real h2oSaturationPressure(Real t) {
  Real t2 = t * t;
  Real psat = -0.013628L + 7.29395e-7L * t2 - 2.34622e-9L * t2 * t + 4.83607e-15L * t2 * t2 * t;
  return std::max(psat, kMinimumPsat);
}

Real findVs(Real a, Real b, Real p, Real t, Real vStart, Real restartP) {
  Real rt = kR * t;
  Real rootT = std::sqrt(t);
  // P V^3 - RT V^2 - (b RT + b^2 P - a/sqrt T) V - a b / sqrt T = 0
  Real c1 = -(b * rt + b * b * p - a / rootT);
  Real c0 = -a * b / rootT;
  Real v = vStart;
  for (int step = 0; step < kFindVsSteps; ++step) {
    Real f = ((p * v - rt) * v + c1) * v + c0;
    Real slope = (3 * p * v - 2 * rt) * v + c1;
    Real dv = f / slope;
    Real next = v - dv;
    if (!(next >= b)) {
      v = p > restartP ? 1.001L * b : rt / p;
      continue;
    }
    v = next;
    if (std::fabs(dv) < kFindVsTolerance * v) return v;
  }
  bomb("findVs", "did not converge");
}

Real mrkLnPhi(Real a, Real b, Real p, Real t, Real v) {
  Real rt = kR * t;
  Real z = p * v / rt;
  return z - 1 - std::log(z - b * p / rt) - a / (b * rt * std::sqrt(t)) * std::log(1 + b / v);
}

FluidState corkCO2(Real p, Real t) {
  requirePositive(p, t, "CO2");
  Real a = 659.8L + 0.21078L * t - 0.00063976L * t * t;
  Real rt = kR * t;
  Real v = findVs(a, kCO2B, p, t, 3 * kCO2B + rt / p, kGasRestartP);
  Real lnPhi = mrkLnPhi(a, kCO2B, p, t, v);
  Virial virial{5.01L, 0.00540776L - 1.59046e-6L * t, -0.178198L + 2.45317e-5L * t, 0};
  addVirial(virial, p, t, v, lnPhi);
  return fromLnPhi(p, t, v, lnPhi);
}

FluidState corkH2O(Real p, Real t) {
  requirePositive(p, t, "H2O");
  const Real b = kH2OB;
  Real rt = kR * t;
  Real a = h2oAttraction(t);
  Real v = 0, lnPhi = 0;
  if (t >= kH2OCriticalT) {
    v = findVs(a, b, p, t, 3 * b + rt / p, kGasRestartP);
    lnPhi = mrkLnPhi(a, b, p, t, v);
  } else {
    Real aGas = h2oGasAttraction(t);
    Real psat = h2oSaturationPressure(t);
    // at Psat itself the liquid is taken: below about 373 K Psat is the
    // 1-bar floor, and water at 1 bar is liquid there (G is the same on
    // either side; only the volume, which aqueous species use, differs)
    if (p < psat) {
      v = findVs(aGas, b, p, t, 3 * b + rt / p, psat);
      lnPhi = mrkLnPhi(aGas, b, p, t, v);
    } else {
      // gas and liquid at saturation, then the liquid up to P
      Real vGas = findVs(aGas, b, psat, t, 3 * b + rt / psat, psat);
      Real vLiquidSat = findVs(a, b, psat, t, b, 0);
      v = findVs(a, b, p, t, b, 0);
      lnPhi = mrkLnPhi(a, b, p, t, v) - mrkLnPhi(a, b, psat, t, vLiquidSat) +
              mrkLnPhi(aGas, b, psat, t, vGas);
    }
  }
  addVirial(Virial{2.01L, 0.0019853L, -0.08909L, 0.080331L}, p, t, v, lnPhi);
  return fromLnPhi(p, t, v, lnPhi);
}

FluidState correspondingStatesCork(Real tcrit, Real pcrit, Real p, Real t) {
  requirePositive(p, t, "of the corresponding-states CORK");
  Real rootTc = std::sqrt(tcrit);
  Real a = (5.45963e-5L * tcrit * tcrit * rootTc - 8.6392e-6L * tcrit * rootTc * t) / pcrit;
  Real b = 9.18301e-4L * tcrit / pcrit;
  Real c = (-3.30558e-5L * tcrit + 2.30524e-6L * t) / (pcrit * std::sqrt(pcrit));
  Real d = (6.93054e-7L * tcrit - 8.38293e-8L * t) / (pcrit * pcrit);
  Real rt = kR * t;
  Real rootT = std::sqrt(t);
  Real rootP = std::sqrt(p);
  FluidState state;
  state.volume =
      rt / p + b - a * kR * rootT / ((rt + b * p) * (rt + 2 * b * p)) + c * rootP + d * p;
  state.rtlnf = a * (std::log(rt + b * p) - std::log(rt + 2 * b * p)) / (b * rootT) + b * p +
                rt * std::log(1000 * p) + 2 * c * p * rootP / 3 + d * p * p / 2;
  return state;
}

}  // namespace pf
