// Reactions between end-members (mode 3): the whole calculation after the
// end-member choice and the window are settled, and its parts.
//
// The driver calls `reactionsmode` with the run's end-members, the window
// (already set up by `diagramwindowsetup`), the script, the Gibbs energy
// switches and what the end-member choice decided (`ReactionsChoice`). It
// writes the diagram line, the activities, the reactions and their tables,
// and in the Schreinemakers analysis the intersections and the stability of
// the other reactions, to console, results and log; with the drawing output
// on, the grid to the drawing output file. It returns what it calculated.
#pragma once

#include <string>
#include <vector>

#include "calc/reactions/diagram_thermo.h"
#include "calc/reactions/finder.h"
#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "calc/thermo/gibbs.h"
#include "calc/thermo/run_endmembers.h"
#include "common/io.h"

namespace pf {

// What the end-member choice (`inexcess` and the exclusion lists) settles
// for mode 3, besides the end-members themselves.
struct ReactionsChoice {
  bool diagramFromScript = false;   // the diagram type came from the script
  std::vector<std::string> excess;  // phases in excess, as they are to be listed
  int axisEndMember = 0;            // end-member of a ln a or mu axis (0: none)
  std::vector<int> excludedEndMembers;
  std::vector<std::vector<int>> excludedAssemblages;
  bool oneEndMemberPerPhase = false;  // solid solutions handled one end-member at a time
};

// One reaction's line across the window.
struct ReactionLine {
  Reaction reaction;         // as oriented: products stable on the high-T (high-P) side
  std::vector<Real> first;   // per value of the table axis: the first root, or a marker
  std::vector<Real> second;  // the second root, or a marker
  int middle = -1;           // the table value the linearisation is made at (-1: none)
  DiagramPoint at;           // that point (the window's centre when there is none)
  Real a = 0, b = 0, c = 0;  // 0 = a + bT + cP + RT ln K there
  Real sdA = 0, lnK = 0, sdLnK = 0;
  Real sdVariable = 0;  // sd of the calculation variable there
  bool inIntersection = false;
  std::string stability;  // the verdict of `rstable`, when it was asked
};

struct IntersectionPoint {
  Intersection members;
  bool tested = false;  // all its reactions pass through the window
  bool converged = false;
  bool inWindow = false;
  DiagramPoint at;
  Real sd1 = 0, sd2 = 0, cor = 0;  // of the calculation and the stepped variable
  int pair1 = -1, pair2 = -1;      // the two reactions solved together
};

struct ReactionsResult {
  ReactionSet set;
  bool schreinemakers = false;
  std::vector<ReactionLine> lines;
  std::vector<IntersectionPoint> points;
};

inline constexpr int kMaxIntersectionIterations = 50;

ReactionsResult reactionsmode(Io& io, const RunEndMembers& run, const WindowState& w,
                              const ScriptSettings& script, const GibbsSettings& settings,
                              const ReactionsChoice& choice);

// ---- the parts, for the other callers and for tests ----

// The values of the table axis (the stepped variable), held as the window
// holds them (K, kbar, x(CO2), ln a, mu).
const std::vector<Real>& tableAxis(const WindowState& w);

// `turnreaction`: orients the reaction at the point so that dG falls on the
// high-T side (P-x, P-log a and P-mu diagrams: the high-P side). Returns true
// when it changed the signs.
bool turnreaction(ReactionContext& c, Reaction& r, const DiagramPoint& point);

// The roots of each reaction at each table value, the linearised
// thermodynamics at the middle point and the orientation there; then the
// tables written out (`ptxtable`).
ReactionLine reactionLine(ReactionContext& c, const Reaction& r);
void ptxtable(Io& io, ReactionContext& c, const std::vector<ReactionLine>& lines,
              const std::vector<std::string>& names);

// `intersectionptx`: the position of one intersection, its standard
// deviations and correlation.
IntersectionPoint intersectionptx(ReactionContext& c, const Intersection& point,
                                  const std::vector<ReactionLine>& lines);
// Listed in the results: in the window, or without a position (parallel lines).
bool listedIntersection(const IntersectionPoint& p);
// The intersections written out, marking the reactions of those in the window.
void intersections(Io& io, ReactionContext& c, const ReactionsChoice& choice,
                   std::vector<ReactionLine>& lines, std::vector<IntersectionPoint>& points);

// `rstable`: the stability of the reactions that take part in no
// intersection in the window, written out.
void rstable(Io& io, ReactionContext& c, std::vector<ReactionLine>& lines,
             const std::vector<std::string>& names);
// The verdict for one reaction at a point of its line: "metastable" when
// another reaction's metastable side is made of its phases only.
bool metastableAt(ReactionContext& c, int r, const std::vector<ReactionLine>& lines,
                  const DiagramPoint& point);

// The grid for the drawing program, to the drawing output file.
void writeDrawing(Io& io, ReactionContext& c, const ReactionsResult& result,
                  const std::vector<std::string>& names);

// Printing helpers shared by the writers.
std::string variableText(const WindowState& w, int variable, Real value);  // in its display units
std::string systemText(const RunEndMembers& run);

}  // namespace pf
