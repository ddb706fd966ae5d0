// The calculation loop of a phase-diagram calculation: every assemblage of
// the chosen phases that forms an equilibrium of the required variance, and
// for each every point of the value lists; the results table, the guess
// block and the blocks for the drawing program.
//
// `runassemblages` is what `nlesetup` ends with; the pieces below it are
// exposed for the pseudosection and minimisation work and for tests.
#pragma once

#include <string>
#include <vector>

#include "calc/ax/order.h"
#include "calc/equilibrium/equations.h"
#include "calc/phasediagram/setup.h"
#include "calc/reactions/finder.h"
#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

inline constexpr int kMaxStoredPoints = 201;  // accepted points kept per assemblage
inline constexpr int kMaxDogminPoints = 400;  // points of one assemblage in minimisation
inline constexpr int kFailureMarksPerLine = 80;
// The work areas of the loop, reported to the heap monitor.
inline constexpr long kAccxBytes = 148740;
inline constexpr long kCovxBytes = 54760;

struct LoopContext {
  ScriptSettings& script;
  WindowState& windows;
  PhaseTables& tables;
  PhaseDiagramSetup& setup;
  bool drawnames = false;
  std::string label;
  const Dataset* dataset = nullptr;  // its covariance matrix gives the uncertainties
  int threads = 1;                   // a minimisation's assemblages side by side
};

void runassemblages(Io& io, LoopContext& context);

// ---- the assemblages ---------------------------------------------------------

// The chosen system as one assemblage: all chosen phases (and the mu phases),
// over its components. The loop's assemblages use its component order.
AssemblagePlan chosenPlan(const PhaseDiagramSetup& setup, const PhaseTables& tables);
Assemblage chosenSystem(const PhaseDiagramSetup& setup, const PhaseTables& tables);

// One combination of the chosen phases, with the counts that judged it.
struct Candidate {
  std::vector<int> phases;  // positions among the chosen phases, increasing
  bool taken = false;
  std::string reason;  // why it was left out ("(not in ex)", "(no calc)", "????")
  int nu = 0;          // unknowns: P, T and the variables of its solutions
  int nuvleft = 0;     // unknowns left once the point list and isopleths are set
  int isopleths = 0;   // isopleths on its variables
  int rank = 0;        // of its composition matrix
  int rankDeficit = 0;
  int nir = 0;  // independent reactions: end-members less rank
  int nv = 0;   // compositional variables
};

// The variance the enumeration uses (before isopleths, less the chemical
// potentials set), and the quantities each point fixes.
int enumerationVariance(const PhaseDiagramSetup& setup);
int fixedByPointList(int v);

// Every combination of the chosen phases of the enumeration's size, in
// lexical order, judged; `rank` is the rank of the chosen system.
std::vector<Candidate> candidates(const PhaseDiagramSetup& setup, const PhaseTables& tables,
                                  const Assemblage& system, int rank);

// ---- the points -------------------------------------------------------------------

// One point of the calculation: the values of the set quantities.
struct PointPlan {
  Real P = 0;                  // kbar: held, or the starting value when P is solved
  Real T = 0;                  // K
  std::vector<Real> isopleth;  // per isopleth of the setup
  std::vector<Real> row;       // per varied activity or mu (ln a, or kJ)
  bool newLine = false;        // starts a new line of the diagram
};

// Every combination of the values of the set quantities: isopleths and
// varied activities outermost, then the P list, then the T list.
std::vector<PointPlan> pointList(const PhaseDiagramSetup& setup, const WindowState& w);

// ---- the results ---------------------------------------------------------------------

// A solved point: the quantity values (P, T in K, variables in list order).
struct PointResult {
  int code = kShouldntGetHere;
  bool solved = false;
  bool accepted = false;
  std::vector<Real> values;
  std::vector<Real> row;  // the point's varied activities or mu
  std::vector<Real> sd;   // uncertainty of each quantity (0 when held); empty: none
};

// The uncertainties of the quantities of a solved point, from the dataset's
// enthalpy covariances and the fixed activities' uncertainties, carried
// through the equations linearised there; empty when the system is not
// square or its jacobian is singular.
std::vector<Real> pointUncertainties(EquilibriumSystem& sys, const Dataset& ds,
                                     const PhaseTables& tables);
// The dataset end-members (internal numbers) behind an end-member of a
// phase (its `make` list, or its own name), with the amount of each in it.
std::vector<std::pair<int, Real>> datasetConstituents(const Dataset& ds, const MakeList& make,
                                                      const std::string& name);

// What the writers need about the assemblage being calculated.
struct AssemblageOutput {
  int number = 0;                   // of the assemblage, from 1
  int variance = 0;                 // of the equilibria (after isopleths)
  std::vector<std::string> phases;  // present phases, in order
  std::vector<std::string> variables;
  std::vector<std::string> modes;  // heads of the mode columns (bulk calculations)
  std::vector<std::string> components;
  std::vector<Range> ranges;  // allowed range of each variable
  std::vector<int> variablePhase;
  std::vector<std::string> rowHeads;  // "a(H2O)", "ln a(CO2)", "mu(O2)", ...
};

// The column heads and values of the results table, folded to the page.
void printresults(Io& io, const WindowState& w, const AssemblageOutput& a, const PointResult& r,
                  bool separator, unsigned mask);
// The block of starting guesses for the script, to the log. `modes`: of
// the phases in order when they are calculated (else empty); phases of zero
// mode are named apart.
inline constexpr Real kZeroMode = 1e-9L;
void guessblock(Io& io, const AssemblageOutput& a, const PointResult& r,
                const std::vector<Real>& modes = {});

// The drawing program's blocks.
struct DrawingState {
  bool drawnames = false;
  int points = 0;  // names given so far, per kind
  int lines = 0;
  int others = 0;
  int width = 0;  // values per data line, the same for every block
};
std::string drawingName(DrawingState& d, int variance, int assemblage);
void drawingHeader(Io& io, const AssemblageOutput& a, const std::string& name,
                   const DrawingState& d);
void drawingLine(Io& io, const WindowState& w, const PointResult& r, const DrawingState& d);
// A minimisation drawn as it is: the boundaries between the winners'
// fields as lines (`phases`: the chosen phases, solutions first).
void winnerBlocks(Io& io, const WindowState& w, const MinimisationGrid& grid,
                  const std::vector<std::string>& phases, DrawingState& d);
// With drawnames: the file's head (label, numbers per point, columns) and
// its tail (window and ticks from the calculation window).
void drawingFileHead(Io& io, const std::string& label, int width, int components);
void drawingFileTail(Io& io, const WindowState& w);

// The blocks for algebra programs, each under its script switch.
struct AlgebraSwitches {
  bool reactions = false;  // rmath
  bool grid = false;       // gmath
  bool comments = false;   // cmath
  bool points = false;     // txmath, ptmath
  bool any() const { return reactions || grid || comments || points; }
};
AlgebraSwitches algebraSwitches(const ScriptSettings& script);
void algebraLegend(Io& io, const AlgebraSwitches& s);
void algebraHeader(Io& io, const AlgebraSwitches& s, const EquilibriumSystem& sys,
                   const WindowState& w, const GibbsSettings& gibbs, int assemblage);
void algebraPoint(Io& io, const AlgebraSwitches& s, const PointResult& r, int variance,
                  bool newLine, int assemblage);

}  // namespace pf
