// The reaction-line solver: the roots of dG = 0 along one variable
// (temperature, pressure or x(CO2)) inside a window, by Newton steps
// (`iterate`), bisection (`interval halving`) and the search `find`, which
// also tells where a line that misses the window lies. Every loop is bounded.
//
// The solver knows nothing of reactions: the caller gives the line as a
// function of the variable that returns dG and its slope (see
// diagram_thermo.h for the one built from a reaction).
#pragma once

#include <functional>

#include "calc/settings/windows.h"
#include "common/real.h"

namespace pf {

// "none": no root, and no side of the window to tell.
inline constexpr Real kNoRoot = 1e21L;

// The variable kinds are the range-test codes: kRangeT, kRangeP, kRangeX.

struct LineValue {
  Real g = 0;      // dG (kJ)
  Real slope = 0;  // d(dG)/d(variable); not used for x(CO2), which is differenced
};
using LineFunction = std::function<LineValue(Real)>;

struct LinePlan {
  int kind = kRangeT;
  Real lo = 0;  // the window of the variable
  Real hi = 0;
  Real base = 0;  // base tolerance (K, kbar, or the x(CO2) step factor)
  int n = 10;     // Newton steps allowed: 3n + 9
};

// The caller's usual base tolerances.
inline constexpr Real kBaseT = 0.0001L;   // K
inline constexpr Real kBaseP = 0.00001L;  // kbar
inline constexpr Real kBaseX = 0.001L;

// Up to two roots in the window, in increasing order. When the line misses
// the window, `first` is lo - 1 (below) or hi + 1 (above) and `second` is
// kNoRoot; kNoRoot alone when nothing can be said.
struct LineRoots {
  Real first = kNoRoot;
  Real second = kNoRoot;
};

bool insideLine(const LinePlan& plan, Real x);

// `setlimit`: the convergence tolerance at x. T: the base; P: base x P at
// or below 1 kbar, otherwise the base; x(CO2): the difference step.
Real setlimit(int kind, Real base, Real x);
// The forward-difference step in x(CO2): base (1 - x) above 0.9, base x
// below 0.1, 0.1 base between; with the sign that keeps x + h below 1.
Real xco2Step(Real base, Real x);

// `calc`: dG and its slope at x; for x(CO2) the slope is a forward difference.
LineValue calc(const LineFunction& f, const LinePlan& plan, Real x);

// `iterate`: Newton steps from start. A step out of the window is put back
// on the window limit once (x(CO2): halfway to the limit); a second exit or
// the step limit gives kNoRoot; convergence outside the window gives lo - 1
// or hi + 1.
Real iterate(const LineFunction& f, const LinePlan& plan, Real start);

// `interval halving` between x1 < x2, whose dG must differ in sign ("same
// sign" otherwise); `limit` halvings at most ("v2<v1" when below 1).
Real intervalHalving(const LineFunction& f, const LinePlan& plan, Real x1, Real x2, int limit);

// `find`: the roots of the line in the window.
LineRoots find(const LineFunction& f, const LinePlan& plan);

}  // namespace pf
