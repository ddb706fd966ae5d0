#include "calc/reactions/linearity.h"

#include <cmath>
#include <limits>

namespace pf {

Real linearityTan(Real s1, Real s2) {
  // the angle between lines has 1 + m1 m2 below: parallel lines give 0,
  // lines at right angles an infinite tangent
  Real below = 1 + kKbarAsDegrees * kKbarAsDegrees * s1 * s2;
  Real above = kKbarAsDegrees * (s1 - s2);
  if (below == 0) return above == 0 ? 0 : std::numeric_limits<Real>::infinity();
  return std::fabs(above / below);
}

namespace {

// dP/dT of the reaction where it crosses the window's edge: at the given T
// for a P found in the P window, or at the given P for a T in the T window.
bool slopeAtEdge(ReactionContext& c, const Reaction& r, int solved, Real edge, Real& slope) {
  const WindowState& w = c.window;
  DiagramPoint p = fixedPoint(w);
  coordinate(p, solved == kVarP ? kVarT : kVarP) = edge;
  LineRoots roots = solveLine(c, r, p, solved);
  if (!inrange(w, rangeCode(solved), roots.first)) return false;
  coordinate(p, solved) = roots.first;
  ReactionThermo at = thermoAt(c, r, p);
  if (at.dgdp == 0) return false;
  slope = -at.dgdt / at.dgdp;
  return std::isfinite(slope);
}

}  // namespace

char linearityVerdict(ReactionContext& c, const Reaction& r, AverageKind kind, Real allowedAngle) {
  const WindowState& w = c.window;
  bool acrossT = kind != AverageKind::T;
  int solved = acrossT ? kVarP : kVarT;
  Real s1 = 0, s2 = 0;
  Real lo = acrossT ? w.Tlow : w.Plow, hi = acrossT ? w.Thigh : w.Phigh;
  if (!slopeAtEdge(c, r, solved, lo, s1) || !slopeAtEdge(c, r, solved, hi, s2)) return '0';
  Real extent = acrossT ? w.Phigh - w.Plow : (w.Thigh - w.Tlow) / kKbarAsDegrees;
  return linearityTan(s1, s2) > allowedAngle * extent * kRadiansPerDegree ? ':' : 'X';
}

}  // namespace pf
