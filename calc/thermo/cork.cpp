// The CORK fluids: a modified Redlich-Kwong core with a virial correction at
// high pressure for H2O and CO2, and the corresponding-states form.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

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

namespace {

// The cubic in V of the modified Redlich-Kwong equation:
// P V^3 - RT V^2 - (b RT + b^2 P - a/sqrt T) V - a b / sqrt T = 0.
struct VolumeCubic {
  Real p, rt, c1, c0;
  Real value(Real v) const { return ((p * v - rt) * v + c1) * v + c0; }
  Real slope(Real v) const { return (3 * p * v - 2 * rt) * v + c1; }
};

constexpr int kBisections = 200;

// Bisection of a bracket [low, high] with value(low) < 0 <= value(high),
// down to adjacent reals.
Real bisect(const VolumeCubic& cubic, Real low, Real high) {
  for (int k = 0; k < kBisections; ++k) {
    Real middle = low + (high - low) / 2;
    if (!(middle > low && middle < high)) break;
    if (cubic.value(middle) < 0)
      low = middle;
    else
      high = middle;
  }
  return low + (high - low) / 2;
}

// The root that Newton's iteration reaches from its start, found by
// bisection between the turning points of the cubic, which cannot fail: the
// largest root for a start above b (the gas-like branch), else the smallest
// root above b (the liquid). The cubic is -2 RT b^2 < 0 at b, so a root above
// b always exists.
Real bracketedVolume(const VolumeCubic& cubic, Real b, bool largest) {
  std::vector<Real> ends{b};
  Real disc = cubic.rt * cubic.rt - 3 * cubic.p * cubic.c1;  // of the slope, over 4
  if (disc > 0) {
    Real root = std::sqrt(disc);
    for (Real turn : {(cubic.rt - root) / (3 * cubic.p), (cubic.rt + root) / (3 * cubic.p)})
      if (turn > ends.back()) ends.push_back(turn);
  }
  Real high = std::max(ends.back(), b) + cubic.rt / cubic.p;
  for (int k = 0; k < kBisections && !(cubic.value(high) > 0); ++k) high *= 2;
  if (!(cubic.value(high) > 0)) bomb("findVs", "did not converge");
  ends.push_back(high);
  // the cubic is monotonic between neighbouring ends
  const int last = static_cast<int>(ends.size()) - 1;
  for (int k = 0; k < last; ++k) {
    int i = largest ? last - 1 - k : k;
    Real low = ends[static_cast<std::size_t>(i)];
    Real up = ends[static_cast<std::size_t>(i) + 1];
    bool bracket = largest ? cubic.value(low) <= 0 : cubic.value(up) >= 0;
    if (bracket && cubic.value(low) < 0) return bisect(cubic, low, up);
    if (bracket) return low;  // the root is the end itself
  }
  bomb("findVs", "did not converge");
}

}  // namespace

Real findVs(Real a, Real b, Real p, Real t, Real vStart, Real restartP) {
  Real rt = kR * t;
  Real rootT = std::sqrt(t);
  const VolumeCubic cubic{p, rt, -(b * rt + b * b * p - a / rootT), -a * b / rootT};
  if (!std::isfinite(cubic.c1) || !std::isfinite(cubic.c0) || !(p > 0) || !std::isfinite(p) ||
      !std::isfinite(rt))
    bomb("findVs", "did not converge");
  Real v = vStart;
  for (int step = 0; step < kFindVsSteps; ++step) {
    Real dv = cubic.value(v) / cubic.slope(v);
    Real next = v - dv;
    if (!(next >= b)) {
      v = p > restartP ? 1.001L * b : rt / p;
      continue;
    }
    v = next;
    if (std::fabs(dv) < kFindVsTolerance * v) return v;
  }
  // Near a critical point the cubic is nearly flat at its root and the
  // iteration crawls: the same root by bracketing, so that G stays continuous
  // where a diagram crosses that region.
  return bracketedVolume(cubic, b, vStart > b);
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
