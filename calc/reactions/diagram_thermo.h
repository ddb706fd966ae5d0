// A reaction's thermodynamics at a point of a reactions diagram: the point
// (P, T, x(CO2), ln a or mu of the axis end-member, with the window's fixed
// values), dG with its activity term, the slope along any of the diagram's
// variables, and the reaction line along the calculation variable.
#pragma once

#include <vector>

#include "calc/reactions/integer_algebra.h"
#include "calc/reactions/reaction_line.h"
#include "calc/settings/windows.h"
#include "calc/thermo/gibbs.h"
#include "calc/thermo/reaction.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"

namespace pf {

// A point of the diagram; the fields that are not axes hold the window's
// fixed values. T in K, P in kbar, lna natural.
struct DiagramPoint {
  Real P = 0;
  Real T = 0;
  Real x = 0;  // x(CO2) of the fluid, in x(CO2) diagrams
  Real lna = 0;
  Real mu = 0;
};

// The value of one variable (kVarP, kVarT, kVarX, kVarLna, kVarMu) of a point.
Real& coordinate(DiagramPoint& point, int variable);
Real coordinate(const DiagramPoint& point, int variable);
// The window of a variable, and its range-test code.
Real windowLow(const WindowState& w, int variable);
Real windowHigh(const WindowState& w, int variable);
int rangeCode(int variable);

// Everything but the reaction that dG at a point needs. Holds its own copy
// of the end-member records: the fluid composition and the axis end-member's
// entropy (ln a) or enthalpy (mu) are written into it at every evaluation.
struct ReactionContext {
  ReactionContext(Io& io, const RunEndMembers& run, const WindowState& window,
                  const GibbsSettings& settings, int axisEndMember = 0);

  Io& io;
  const RunEndMembers& run;
  const WindowState& window;
  GibbsSettings settings;
  int axisEndMember = 0;  // the end-member of a ln a or mu axis, 0 for none
  std::vector<EndMember> em;
  int newtonSteps = 10;  // n of the solver's 3n + 9
};

// The window's fixed values: P and T at their low ends (the centre for the
// variable not fixed does not matter), the fixed fluid, ln a and mu low.
DiagramPoint fixedPoint(const WindowState& w);

// dG + RT ln K at the point, its P slope and its T slope.
ReactionThermo thermoAt(ReactionContext& c, const Reaction& r, const DiagramPoint& point);
// Every end-member's G at the point (fluid composition and axis applied),
// [1..n], and dG + RT ln K of a reaction from them: cheaper than `thermoAt`
// when many reactions are wanted at one point.
std::vector<Real> gibbsAt(ReactionContext& c, const DiagramPoint& point);
Real dgFrom(ReactionContext& c, const std::vector<Real>& g, const Reaction& r,
            const DiagramPoint& point);
// ln K of the reaction at the point: the activities, the fluid and the
// axis end-member's ln a.
Real lnKAt(ReactionContext& c, const Reaction& r, const DiagramPoint& point);
// The fluid's x(CO2) and x(H2O) (or activities) at the point.
void fluidAt(const ReactionContext& c, const DiagramPoint& point, Real& xco2, Real& xh2o);

// d(dG)/d(variable) at the point; x(CO2) by a forward difference.
Real slopeAlong(ReactionContext& c, const Reaction& r, const DiagramPoint& point, int variable,
                const ReactionThermo& at);

// The line of the reaction along `variable` through the point (the point's
// other values held), and its roots in that variable's window.
LinePlan linePlan(const WindowState& w, int variable);
LineFunction lineFunction(ReactionContext& c, const Reaction& r, const DiagramPoint& point,
                          int variable);
LineRoots solveLine(ReactionContext& c, const Reaction& r, const DiagramPoint& point, int variable);

// The in-window tests: true when the reaction's line passes through the
// diagram's window. `inPTXwindow` dispatches on the diagram type.
bool inPTXwindow(ReactionContext& c, const Reaction& r);
bool inPTwindow(ReactionContext& c, const Reaction& r);
bool inPXwindow(ReactionContext& c, const Reaction& r);
bool inTXwindow(ReactionContext& c, const Reaction& r);
bool inPlnawindow(ReactionContext& c, const Reaction& r);
bool inTlnawindow(ReactionContext& c, const Reaction& r);
bool inPmuwindow(ReactionContext& c, const Reaction& r);
bool inTmuwindow(ReactionContext& c, const Reaction& r);

}  // namespace pf
