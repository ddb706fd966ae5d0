#include "calc/reactions/diagram_thermo.h"

#include <cmath>

#include "common/bomb.h"

namespace pf {

Real& coordinate(DiagramPoint& point, int variable) {
  switch (variable) {
    case kVarP:
      return point.P;
    case kVarT:
      return point.T;
    case kVarX:
      return point.x;
    case kVarLna:
      return point.lna;
    case kVarMu:
      return point.mu;
    default:
      bomb("coordinate", "unknown calcvariable", 1);
  }
}

Real coordinate(const DiagramPoint& point, int variable) {
  return coordinate(const_cast<DiagramPoint&>(point), variable);
}

Real windowLow(const WindowState& w, int variable) {
  switch (variable) {
    case kVarP:
      return w.Plow;
    case kVarT:
      return w.Tlow;
    case kVarX:
      return w.xlow;
    case kVarLna:
      return w.lnalow;
    case kVarMu:
      return w.mulow;
    default:
      bomb("window", "unknown calcvariable", 1);
  }
}

Real windowHigh(const WindowState& w, int variable) {
  switch (variable) {
    case kVarP:
      return w.Phigh;
    case kVarT:
      return w.Thigh;
    case kVarX:
      return w.xhigh;
    case kVarLna:
      return w.lnahigh;
    case kVarMu:
      return w.muhigh;
    default:
      bomb("window", "unknown calcvariable", 1);
  }
}

int rangeCode(int variable) {
  switch (variable) {
    case kVarP:
      return kRangeP;
    case kVarT:
      return kRangeT;
    case kVarX:
      return kRangeX;
    case kVarLna:
      return kRangeLna;
    case kVarMu:
      return kRangeMu;
    default:
      bomb("inrange", "unknown type", 1);
  }
}

ReactionContext::ReactionContext(Io& io_, const RunEndMembers& run_, const WindowState& window_,
                                 const GibbsSettings& settings_, int axisEndMember_)
    : io(io_),
      run(run_),
      window(window_),
      settings(settings_),
      axisEndMember(axisEndMember_),
      em(run_.em) {
  settings.fluidByMoleFractions = window.fluid.fluidtype == kFluidMoleFractions;
}

DiagramPoint fixedPoint(const WindowState& w) {
  DiagramPoint p;
  p.P = w.Plow;
  p.T = w.Tlow;
  p.x = w.xlow;
  p.lna = w.lnalow;
  p.mu = w.mulow;
  return p;
}

namespace {

bool xco2Diagram(const WindowState& w) {
  return w.diagrammode == kDiagramPX || w.diagrammode == kDiagramTX;
}
bool lnaDiagram(const WindowState& w) {
  return w.diagrammode == kDiagramPlna || w.diagrammode == kDiagramTlna;
}
bool muDiagram(const WindowState& w) {
  return w.diagrammode == kDiagramPmu || w.diagrammode == kDiagramTmu;
}

// The axis end-member takes the point's ln a through its entropy (G gains
// RT ln a), or the point's mu as its enthalpy.
void applyAxis(ReactionContext& c, const DiagramPoint& point) {
  int e = c.axisEndMember;
  if (e <= 0 || e >= static_cast<int>(c.em.size())) return;
  if (lnaDiagram(c.window)) {
    c.em[e].slot[kEntropy] = c.run.em[e].slot[kEntropy] - kGasConstant * point.lna;
  } else if (muDiagram(c.window)) {
    c.em[e].slot[kEnthalpy] = point.mu;
  }
}

int coefficientOf(const ReactionContext& c, const Reaction& r) {
  int e = c.axisEndMember;
  return e > 0 && e < static_cast<int>(r.size()) ? r[e] : 0;
}

// In a system projected through phases in excess, the reaction with their
// coefficients, which every Gibbs energy and ln K must include.
const Reaction& withExcessPhases(const ReactionContext& c, const Reaction& r, Reaction& scratch) {
  if (c.run.projection.excess == 0) return r;
  scratch = withExcess(c.run, r);
  return scratch;
}

}  // namespace

void fluidAt(const ReactionContext& c, const DiagramPoint& point, Real& xco2, Real& xh2o) {
  xco2 = c.window.fluid.co2;
  xh2o = c.window.fluid.h2o;
  if (xco2Diagram(c.window)) {
    xco2 = point.x;
    xh2o = 1 - point.x;
  }
}

ReactionThermo thermoAt(ReactionContext& c, const Reaction& r, const DiagramPoint& point) {
  applyAxis(c, point);
  Real xco2, xh2o;
  fluidAt(c, point, xco2, xh2o);
  Reaction scratch;
  const Reaction& nu = withExcessPhases(c, r, scratch);
  return reactionAtPoint(c.io, c.em, nu, c.run.activity, xco2, xh2o, point.P, point.T, c.settings);
}

std::vector<Real> gibbsAt(ReactionContext& c, const DiagramPoint& point) {
  applyAxis(c, point);
  Real xco2, xh2o;
  fluidAt(c, point, xco2, xh2o);
  std::vector<Real> g(c.em.size(), 0);
  for (std::size_t e = 1; e < c.em.size(); ++e) {
    c.em[e].slot[kXCO2] = xco2;
    c.em[e].slot[kXH2O] = xh2o;
    g[e] = gem(c.io, c.em[e], point.P, point.T, c.settings);
  }
  return g;
}

Real dgFrom(ReactionContext& c, const std::vector<Real>& g, const Reaction& reaction,
            const DiagramPoint& point) {
  Real xco2, xh2o;
  fluidAt(c, point, xco2, xh2o);
  Reaction scratch;
  const Reaction& r = withExcessPhases(c, reaction, scratch);
  Real dg = 0;
  for (std::size_t e = 1; e < r.size(); ++e)
    if (r[e] != 0) dg += r[e] * g[e];
  return dg + kGasConstant * point.T * calclnk(c.em, r, c.run.activity, xco2, xh2o);
}

Real lnKAt(ReactionContext& c, const Reaction& reaction, const DiagramPoint& point) {
  Real xco2, xh2o;
  fluidAt(c, point, xco2, xh2o);
  Reaction scratch;
  const Reaction& r = withExcessPhases(c, reaction, scratch);
  Real lnk = calclnk(c.em, r, c.run.activity, xco2, xh2o);
  if (lnaDiagram(c.window)) lnk += coefficientOf(c, r) * point.lna;
  return lnk;
}

Real slopeAlong(ReactionContext& c, const Reaction& r, const DiagramPoint& point, int variable,
                const ReactionThermo& at) {
  Reaction scratch;
  const Reaction& full = withExcessPhases(c, r, scratch);
  switch (variable) {
    case kVarP:
      return at.dgdp;
    case kVarT:
      return at.dgdt;
    case kVarX: {
      DiagramPoint moved = point;
      Real h = xco2Step(kBaseX, point.x);
      moved.x += h;
      return (thermoAt(c, r, moved).dg - at.dg) / h;
    }
    case kVarLna:
      return coefficientOf(c, full) * kGasConstant * point.T;
    case kVarMu:
      return coefficientOf(c, full);
    default:
      bomb("calc", "unknown calcvariable", 1);
  }
}

LinePlan linePlan(const WindowState& w, int variable) {
  LinePlan plan;
  plan.kind = rangeCode(variable);
  plan.lo = windowLow(w, variable);
  plan.hi = windowHigh(w, variable);
  switch (variable) {
    case kVarT:
      plan.base = kBaseT;
      break;
    case kVarP:
      plan.base = kBaseP;
      break;
    case kVarX:
      plan.base = kBaseX;
      break;
    default:
      bomb("calc", "unknown calcvariable", 1);
  }
  return plan;
}

LineFunction lineFunction(ReactionContext& c, const Reaction& r, const DiagramPoint& point,
                          int variable) {
  return [&c, &r, point, variable](Real value) {
    DiagramPoint p = point;
    coordinate(p, variable) = value;
    ReactionThermo at = thermoAt(c, r, p);
    LineValue v;
    v.g = at.dg;
    if (variable != kVarX) v.slope = slopeAlong(c, r, p, variable, at);
    return v;
  };
}

LineRoots solveLine(ReactionContext& c, const Reaction& r, const DiagramPoint& point,
                    int variable) {
  LinePlan plan = linePlan(c.window, variable);
  plan.n = c.newtonSteps;
  return find(lineFunction(c, r, point, variable), plan);
}

// ---- in-window tests ----------------------------------------------------------

namespace {

struct Corner {
  Real g = 0;
  Real slope1 = 0;  // along axis 1
  Real slope2 = 0;  // along axis 2
};

// Corners in the order (lo1, lo2), (hi1, lo2), (hi1, hi2), (lo1, hi2).
DiagramPoint cornerPoint(const WindowState& w, int axis1, int axis2, int corner,
                         const char* routine) {
  DiagramPoint p = fixedPoint(w);
  switch (corner) {
    case 0:
      coordinate(p, axis1) = windowLow(w, axis1);
      coordinate(p, axis2) = windowLow(w, axis2);
      break;
    case 1:
      coordinate(p, axis1) = windowHigh(w, axis1);
      coordinate(p, axis2) = windowLow(w, axis2);
      break;
    case 2:
      coordinate(p, axis1) = windowHigh(w, axis1);
      coordinate(p, axis2) = windowHigh(w, axis2);
      break;
    case 3:
      coordinate(p, axis1) = windowLow(w, axis1);
      coordinate(p, axis2) = windowHigh(w, axis2);
      break;
    default:
      bomb(routine, "impossible", 1);
  }
  return p;
}

bool keepsSign(Real a, Real b) {
  return (a <= 0 && b <= 0) || (a >= 0 && b >= 0);
}

bool solvable(int variable) {
  return variable == kVarP || variable == kVarT || variable == kVarX;
}

bool inWindow(ReactionContext& c, const Reaction& r, int axis1, int axis2, const char* routine) {
  const WindowState& w = c.window;
  Corner corner[4];
  bool negative = false, positive = false;
  for (int k = 0; k < 4; ++k) {
    DiagramPoint p = cornerPoint(w, axis1, axis2, k, routine);
    ReactionThermo at = thermoAt(c, r, p);
    corner[k].g = at.dg;
    corner[k].slope1 = slopeAlong(c, r, p, axis1, at);
    corner[k].slope2 = slopeAlong(c, r, p, axis2, at);
    (at.dg < 0 ? negative : positive) = true;
  }
  if (negative && positive) return true;
  // every corner on one side: the line may still enter through an edge and
  // leave through the same one
  struct Edge {
    int a, b;       // its corners
    int along;      // the variable that changes along it
    int fixedAxis;  // the variable held at the edge's value
    bool high;      // the held variable at its high end
  };
  const Edge edges[4] = {{0, 3, axis2, axis1, false},
                         {1, 2, axis2, axis1, true},
                         {0, 1, axis1, axis2, false},
                         {3, 2, axis1, axis2, true}};
  for (const Edge& e : edges) {
    Real sa = e.along == axis1 ? corner[e.a].slope1 : corner[e.a].slope2;
    Real sb = e.along == axis1 ? corner[e.b].slope1 : corner[e.b].slope2;
    if (keepsSign(sa, sb) || !solvable(e.along)) continue;
    DiagramPoint p = fixedPoint(w);
    coordinate(p, e.fixedAxis) = e.high ? windowHigh(w, e.fixedAxis) : windowLow(w, e.fixedAxis);
    LineRoots roots = solveLine(c, r, p, e.along);
    for (Real x : {roots.first, roots.second})
      if (inrange(w, rangeCode(e.along), x)) return true;
  }
  return false;
}

}  // namespace

bool inPTwindow(ReactionContext& c, const Reaction& r) {
  return inWindow(c, r, kVarP, kVarT, "inPTwindow");
}
bool inPXwindow(ReactionContext& c, const Reaction& r) {
  return inWindow(c, r, kVarP, kVarX, "inPXwindow");
}
bool inTXwindow(ReactionContext& c, const Reaction& r) {
  return inWindow(c, r, kVarT, kVarX, "inTXwindow");
}
bool inPlnawindow(ReactionContext& c, const Reaction& r) {
  return inWindow(c, r, kVarP, kVarLna, "inPlnawindow");
}
bool inTlnawindow(ReactionContext& c, const Reaction& r) {
  return inWindow(c, r, kVarT, kVarLna, "inTlnawindow");
}
bool inPmuwindow(ReactionContext& c, const Reaction& r) {
  return inWindow(c, r, kVarP, kVarMu, "inPmuwindow");
}
bool inTmuwindow(ReactionContext& c, const Reaction& r) {
  return inWindow(c, r, kVarT, kVarMu, "inTmuwindow");
}

bool inPTXwindow(ReactionContext& c, const Reaction& r) {
  switch (windowTestFor(c.window.diagrammode)) {
    case WindowTest::PT:
      return inPTwindow(c, r);
    case WindowTest::PX:
      return inPXwindow(c, r);
    case WindowTest::TX:
      return inTXwindow(c, r);
    case WindowTest::Plna:
      return inPlnawindow(c, r);
    case WindowTest::Tlna:
      return inTlnawindow(c, r);
    case WindowTest::Pmu:
      return inPmuwindow(c, r);
    case WindowTest::Tmu:
      return inTmuwindow(c, r);
  }
  bomb("inPTXwindow", "unknown diagrammode", 1);
}

}  // namespace pf
