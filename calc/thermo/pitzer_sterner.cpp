// The Pitzer-Sterner equation of state for H2O and CO2, valid from zero to
// very high pressure; the density at (P, T) is found by bracketing and
// bisection, taking the root of least G where the isotherm crosses P more
// than once.
#include <array>
#include <cmath>
#include <string>
#include <vector>

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
// Above this temperature each isotherm rises monotonically (it does from
// 645 K for H2O, everywhere for CO2), so a coarse scan finds the one root.
constexpr Real kMonotonicAbove = 700;
constexpr int kCoarseScanPoints = 48;
constexpr int kBisections = 200;
constexpr Real kDensityTolerance = 1e-13L;  // relative width of the final bracket
constexpr double kFastTolerance = 1e-9;     // where double hands over to extended precision

// Coefficients at one temperature, in extended precision for the root and
// in double for the scan, which only looks at signs.
struct Coefficients {
  std::array<Real, 11> c{};  // c[1..10]
  std::array<double, 11> fast{};
  Real rt = 0;  // MPa cm3/mol
};

Coefficients coefficientsAt(const Table& table, Real t) {
  Coefficients k;
  Real t2 = t * t;
  for (std::size_t i = 0; i < 10; ++i) {
    const auto& row = table[i];
    k.c[i + 1] = row[0] / (t2 * t2) + row[1] / t2 + row[2] / t + row[3] + row[4] * t + row[5] * t2;
    k.fast[i + 1] = static_cast<double>(k.c[i + 1]);
  }
  k.rt = kR * t;
  return k;
}

template <typename F>
F pressureOf(const std::array<F, 11>& c, F rt, F rho) {
  F rho2 = rho * rho;
  F denominator = c[2] + rho * (c[3] + rho * (c[4] + rho * (c[5] + rho * c[6])));
  F numerator = c[3] + rho * (2 * c[4] + rho * (3 * c[5] + rho * 4 * c[6]));
  return rt * (rho + c[1] * rho2 - rho2 * numerator / (denominator * denominator) +
               c[7] * rho2 * std::exp(-c[8] * rho) + c[9] * rho2 * std::exp(-c[10] * rho));
}

Real excessPressure(const Coefficients& k, Real rho, Real target) {
  return pressureOf(k.c, k.rt, rho) - target;
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
    if (excessPressure(k, middle, target) < 0)
      low = middle;
    else
      high = middle;
  }
  bomb("sterner-pitzer", "did not converge");
}

// Bisection from a bracket of extended-precision signs: most halvings are
// done in double, and the narrow bracket they leave is kept only when the
// extended-precision signs confirm it.
Real bisectBracket(const Coefficients& k, Real low, Real high, Real target) {
  const double fastRt = static_cast<double>(k.rt);
  const double fastTarget = static_cast<double>(target);
  double fastLow = static_cast<double>(low), fastHigh = static_cast<double>(high);
  for (int step = 0; step < kBisections && fastHigh - fastLow > kFastTolerance * fastHigh; ++step) {
    double middle = (fastLow + fastHigh) / 2;
    if (pressureOf(k.fast, fastRt, middle) < fastTarget)
      fastLow = middle;
    else
      fastHigh = middle;
  }
  Real narrowLow = fastLow, narrowHigh = fastHigh;
  if (narrowLow >= low && narrowHigh <= high && excessPressure(k, narrowLow, target) < 0 &&
      excessPressure(k, narrowHigh, target) >= 0)
    return bisect(k, narrowLow, narrowHigh, target);
  return bisect(k, low, high, target);
}

// The root in the interval where the double-precision scan saw the sign
// change. Rounding can put the change one interval off when a grid point
// lies within rounding of the root; then the neighbour holds it, or the
// grid point is the root.
Real rootNear(const Coefficients& k, const std::vector<Real>& grid, std::size_t high, Real target) {
  std::size_t low = high - 1;
  Real atLow = excessPressure(k, grid[low], target);
  Real atHigh = excessPressure(k, grid[high], target);
  if (atLow < 0 && atHigh >= 0) return bisectBracket(k, grid[low], grid[high], target);
  if (atHigh < 0 && high + 1 < grid.size() && excessPressure(k, grid[high + 1], target) >= 0)
    return bisectBracket(k, grid[high], grid[high + 1], target);
  if (atLow >= 0 && low >= 1 && excessPressure(k, grid[low - 1], target) < 0)
    return bisectBracket(k, grid[low - 1], grid[low], target);
  return std::fabs(atLow) < std::fabs(atHigh) ? grid[low] : grid[high];
}

}  // namespace

FluidState pitzerSterner(Io& io, Fluid fluid, Real p, Real t) {
  if (!(p > 0)) bomb("gem", "P not above 0 for the Pitzer-Sterner fluid");
  if (!(t > 0)) bomb("gem", "T not above 0 K for the Pitzer-Sterner fluid");
  Coefficients k = coefficientsAt(fluid == Fluid::CO2 ? kCO2 : kH2O, t);
  Real target = 100 * p;  // MPa
  Real lowest = std::fmin(target / k.rt / 1000, kLowestDensity);
  std::size_t points = t > kMonotonicAbove ? kCoarseScanPoints : kScanPoints;
  Real ratio = std::exp(std::log(kHighestDensity / lowest) / static_cast<Real>(points - 1));
  std::vector<Real> grid(points);
  grid[0] = lowest;
  for (std::size_t i = 1; i + 1 < points; ++i) grid[i] = grid[i - 1] * ratio;
  grid[points - 1] = kHighestDensity;
  const double fastTarget = static_cast<double>(target);
  const double fastRt = static_cast<double>(k.rt);
  bool found = false;
  Real bestRho = 0, bestLnF = 0;
  bool wasBelow = true;  // the lowest density is far below the target pressure
  for (std::size_t i = 0; i < points; ++i) {
    bool below = pressureOf(k.fast, fastRt, static_cast<double>(grid[i])) < fastTarget;
    if (i > 0 && wasBelow && !below) {
      Real root = rootNear(k, grid, i, target);
      Real lnF = lnFugacity(k, root, target);
      if (!found || lnF < bestLnF) {
        found = true;
        bestRho = root;
        bestLnF = lnF;
      }
    }
    wasBelow = below;
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
