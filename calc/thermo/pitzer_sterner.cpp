// The Pitzer-Sterner equation of state for H2O and CO2, valid from zero to
// very high pressure; the density at (P, T) is found by bracketing and
// bisection, taking the root of least G where the isotherm crosses P more
// than once.
#include <array>
#include <cmath>
#include <string>

#include "calc/thermo/fluids.h"
#include "common/bomb.h"
#include "common/numbers.h"

namespace pf {

namespace {

// R in MPa cm3/(mol K), so that P comes out in MPa with density in mol/cm3.
constexpr Real kR = 1000 * kGasConstant;
constexpr Real kLn10 = 2.302585092994045684017991454684364208L;

// c_i = c_i1/T^4 + c_i2/T^2 + c_i3/T + c_i4 + c_i5 T + c_i6 T^2, i = 1..10
using Table = std::array<std::array<Real, 6>, 10>;

constexpr Table kH2O = {{
    {0, 0, 0.24657688e6L, 0.51359951e2L, 0, 0},
    {0, 0, 0.58638965e0L, -0.28646939e-2L, 0.31375577e-4L, 0},
    {0, 0, -0.62783840e1L, 0.14791599e-1L, 0.35779579e-3L, 0.15432925e-7L},
    {0, 0, 0, -0.42719875e0L, -0.16325155e-4L, 0},
    {0, 0, 0.56654978e4L, -0.16580167e2L, 0.76560762e-1L, 0},
    {0, 0, 0, 0.10917883e0L, 0, 0},
    {0.38878656e13L, -0.13494878e9L, 0.30916564e6L, 0.75591105e1L, 0, 0},
    {0, 0, -0.65537898e5L, 0.18810675e3L, 0, 0},
    {-0.14182435e14L, 0.18165390e9L, -0.19769068e6L, -0.23530318e2L, 0, 0},
    {0, 0, 0.92093375e5L, 0.12246777e3L, 0, 0},
}};

constexpr Table kCO2 = {{
    {0, 0, 0.18261340e7L, 0.79224365e2L, 0, 0},
    {0, 0, 0, 0.66560660e-4L, 0.57152798e-5L, 0.30222363e-9L},
    {0, 0, 0, 0.59957845e-2L, 0.71669631e-4L, 0.62416103e-8L},
    {0, 0, -0.13270279e1L, -0.15210731e0L, 0.53654244e-3L, -0.71115142e-7L},
    {0, 0, 0.12456776e0L, 0.49045367e1L, 0.98220560e-2L, 0.55962121e-5L},
    {0, 0, 0, 0.75522299e0L, 0, 0},
    {-0.39344644e12L, 0.90918237e8L, 0.42776716e6L, -0.22347856e2L, 0, 0},
    {0, 0, 0.40282608e3L, 0.11971627e3L, 0, 0},
    {0, 0.22995650e8L, -0.78971817e5L, -0.63376456e2L, 0, 0},
    {0, 0, 0.95029765e5L, 0.18038071e2L, 0, 0},
}};

// The density scan: log-spaced from a little below the ideal-gas density to
// 0.16 mol/cm3, where both species are far above any pressure of interest.
constexpr Real kHighestDensity = 0.16L;
constexpr Real kLowestDensity = 1e-7L;
constexpr int kScanPoints = 400;
// Above this temperature each isotherm rises monotonically, so a coarse scan
// finds the one root as surely as the fine one.
constexpr Real kMonotonicAbove = 700;
constexpr int kCoarseScanPoints = 48;
constexpr int kBisections = 200;
constexpr Real kDensityTolerance = 1e-15L;  // relative width of the final bracket

struct Coefficients {
  std::array<Real, 11> c{};  // c[1..10]
  Real rt = 0;               // MPa cm3/mol
};

Coefficients coefficientsAt(const Table& table, Real t) {
  Coefficients k;
  Real t2 = t * t;
  for (int i = 0; i < 10; ++i) {
    const auto& row = table[static_cast<std::size_t>(i)];
    k.c[static_cast<std::size_t>(i) + 1] =
        row[0] / (t2 * t2) + row[1] / t2 + row[2] / t + row[3] + row[4] * t + row[5] * t2;
  }
  k.rt = kR * t;
  return k;
}

Real pressureMPa(const Coefficients& k, Real rho) {
  const auto& c = k.c;
  Real rho2 = rho * rho;
  Real denominator = c[2] + rho * (c[3] + rho * (c[4] + rho * (c[5] + rho * c[6])));
  Real numerator = c[3] + rho * (2 * c[4] + rho * (3 * c[5] + rho * 4 * c[6]));
  return k.rt * (rho + c[1] * rho2 - rho2 * numerator / (denominator * denominator) +
                 c[7] * rho2 * std::exp(-c[8] * rho) + c[9] * rho2 * std::exp(-c[10] * rho));
}

Real residualHelmholtzOverRT(const Coefficients& k, Real rho) {
  const auto& c = k.c;
  Real denominator = c[2] + rho * (c[3] + rho * (c[4] + rho * (c[5] + rho * c[6])));
  return c[1] * rho + 1 / denominator - 1 / c[2] - c[7] / c[8] * (std::exp(-c[8] * rho) - 1) -
         c[9] / c[10] * (std::exp(-c[10] * rho) - 1);
}

// ln(f / 1 bar) at a density that gives the pressure target (MPa).
Real lnFugacity(const Coefficients& k, Real rho, Real target) {
  Real idealPressure = rho * k.rt;
  return std::log(idealPressure) + residualHelmholtzOverRT(k, rho) + target / idealPressure - 1 +
         kLn10;
}

Real bisect(const Coefficients& k, Real low, Real high, Real target) {
  for (int step = 0; step < kBisections; ++step) {
    Real middle = (low + high) / 2;
    if (middle <= low || middle >= high || high - low <= kDensityTolerance * high) return middle;
    if (pressureMPa(k, middle) < target)
      low = middle;
    else
      high = middle;
  }
  bomb("sterner-pitzer", "did not converge");
}

}  // namespace

FluidState pitzerSterner(Io& io, Fluid fluid, Real p, Real t) {
  if (!(p > 0)) bomb("gem", "P not above 0 for the Pitzer-Sterner fluid");
  if (!(t > 0)) bomb("gem", "T not above 0 K for the Pitzer-Sterner fluid");
  Coefficients k = coefficientsAt(fluid == Fluid::CO2 ? kCO2 : kH2O, t);
  Real target = 100 * p;  // MPa
  Real lowest = std::fmin(target / k.rt / 1000, kLowestDensity);
  int points = t > kMonotonicAbove ? kCoarseScanPoints : kScanPoints;
  Real ratio = std::pow(kHighestDensity / lowest, 1 / static_cast<Real>(points - 1));
  bool found = false;
  Real bestRho = 0, bestLnF = 0;
  Real previousRho = lowest;
  Real previousExcess = pressureMPa(k, lowest) - target;
  for (int i = 1; i < points; ++i) {
    Real rho = i == points - 1 ? kHighestDensity : previousRho * ratio;
    Real excess = pressureMPa(k, rho) - target;
    if (previousExcess < 0 && excess >= 0) {
      Real root = bisect(k, previousRho, rho, target);
      Real lnF = lnFugacity(k, root, target);
      if (!found || lnF < bestLnF) {
        found = true;
        bestRho = root;
        bestLnF = lnF;
      }
    }
    previousRho = rho;
    previousExcess = excess;
  }
  if (!found) bomb("sterner-pitzer", "no bracket");
  Real volume = 0.1L / bestRho;
  if (!(volume > 0) || !std::isfinite(volume)) {
    io.putstr(1, "P =" + realToText(p) + ", T =" + realToText(t), 1, kToConsoleLog);
    bomb("doSP", "V = 0");
  }
  return FluidState{volume, kGasConstant * t * bestLnF};
}

}  // namespace pf
