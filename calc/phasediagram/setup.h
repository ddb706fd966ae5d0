// The set-up of a phase-diagram calculation (mode 1): which phases take part
// and which are in excess, the fluid, the variance of the equilibria sought,
// the isopleths, the windows, the solver options, the starting state of order
// and the fixed activities and chemical potentials. `nlesetup` asks it all
// (answered from the script where it can be) and then runs the calculation
// loop (loop.h) on the result, a plain `PhaseDiagramSetup`.
//
// Positions among the chosen phases run from 0, solutions first (in the
// order of the phase tables), then pure phases (likewise).
#pragma once

#include <string>
#include <vector>

#include "calc/ax/phases.h"
#include "calc/phasediagram/bulk.h"
#include "calc/phasediagram/gmin.h"
#include "calc/phasediagram/projection.h"
#include "calc/settings/oxides.h"
#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "calc/thermo/dataset.h"
#include "calc/thermo/gibbs.h"
#include "common/io.h"
#include "common/real.h"

namespace pf {

// Limits of the set-up, each checked with the system's own message.
inline constexpr int kMaxChosenEndMembers = 200;
inline constexpr int kMaxExcessPhases = 60;        // excess flags, one per phase
inline constexpr int kMaxIsopleths = 5;            // compositional, and mode isopleths
inline constexpr int kMaxIsoplethValues = 201;     // values of one isopleth
inline constexpr int kMaxIsoplethTries = 5;        // answers to one isopleth question
inline constexpr Real kIsoplethTolerance = 1e-5L;  // the last value of a range
inline constexpr int kMaxVarianceAnswer = 20;      // characters of the variance answer

// `fluidtype`: what the chosen phases say about the fluid.
inline constexpr int kFluidNotSet = 0;
inline constexpr int kFluidSeveral = 1;
inline constexpr int kFluidGiven = 2;  // activities of H2O and CO2 given
inline constexpr int kFluidH2O = 3;
inline constexpr int kFluidCO2 = 4;
inline constexpr int kFluidBinary = 5;
inline constexpr int kFluidSeparate = 6;
inline constexpr int kFluidOther = 7;
inline constexpr int kFluidAqueousH2O = 8;
inline constexpr int kFluidAqueousMixed = 9;

// What one phase-diagram calculation of a run leaves for the next.
struct PhaseDiagramMemory {
  std::vector<std::string> lastChoice;  // the phases chosen last time, in order
};

struct ChosenPhase {
  PhaseRef ref;  // into the phase tables
  std::string name;
  bool excess = false;
  bool fluidExcess = false;  // in excess as the fluid
};

// A compositional variable or a phase mode held at a list of values.
struct IsoplethSetting {
  bool mode = false;
  std::string name;
  int phase = -1;     // position among the chosen phases
  int variable = -1;  // compositional: its index among its solution's variables
  std::vector<Real> values;
};

struct PhaseDiagramSetup {
  int infolevel = 1;

  // phases
  std::vector<ChosenPhase> phases;
  int nss = 0;    // chosen solutions
  int npure = 0;  // chosen pure phases
  int fluidtype = kFluidNotSet;
  FluidPresence presence;                    // H2O, CO2 and cordierite among the end-members
  std::vector<std::vector<int>> samecoding;  // groups, by position among the chosen phases

  // what to calculate
  bool calcg = false;
  bool dogmin = false;
  bool bulk = false;  // a bulk composition is in force
  bool autovar = false;
  bool batch = false;

  // variance: G the least of the chosen system, v that of the equilibria
  // sought once the isopleths are set, vsaved the same before them
  int G = 0;
  int v = 0;
  int vsaved = 0;
  bool reduce = true;  // equilibria brought to variance 2 or less by isopleths
  bool exbuff = false;
  bool zeroModes = false;  // the mode isopleths find edges and corners of fields
  std::vector<IsoplethSetting> isopleths;

  // solver
  bool lineSearch = true;
  bool uncertainties = false;

  // fixed and varied activities and chemical potentials
  std::vector<SetQuantity> activities;
  std::vector<SetQuantity> mus;

  // projection: the phases onto the plane, and the bulk too (projcomp)
  bool project = false;
  bool projcomp = false;
  ProjectionPlane plane;

  // the bulk composition (when `bulk`), and the grid of a minimisation
  // (when `dogmin`); gridLimit is the largest grid minimised
  BulkComposition bulkComposition;
  MinimisationGrid grid;
  int gridLimit = kDefaultGridLimit;
  bool c8 = false;         // points accepted whatever their modes
  bool calcprops = false;  // no extra column in the modes row

  GibbsSettings gibbs;

  int modeIsoplethCount() const;
  int compositionIsoplethCount() const;
  bool anySolution() const { return nss > 0; }
  bool inExcess(int phase) const { return phases[static_cast<std::size_t>(phase)].excess; }
  int excessCount() const;
};

// The name check of the phase questions: a name that is not among `names`
// is offered one correction ("bad name : replace ... with"). Returns the
// position in `names`, or -1 when the name is ignored.
int checkname(Io& io, const std::string& name, const std::vector<std::string>& names);

// ---- the steps, in the order nlesetup takes them ------------------------------

// The script's infolevel, or the debug questions when it is -1.
int debugLevel(Io& io, int scriptLevel);

// The phase choice: the chosen phases (solutions first), their counts, the
// fluid type, and the samecoding groups among them.
void whichphases(Io& io, const PhaseTables& tables, const ScriptSettings& script,
                 PhaseDiagramMemory& memory, PhaseDiagramSetup& setup);
// The fluid type of the chosen phases (the table of the set-up).
int fluidtypeOf(const PhaseTables& tables, const std::vector<ChosenPhase>& phases);

void setexcessphases(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup);

// The Gibbs energy and minimisation questions, and what they force.
void gibbsQuestions(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup);

// The least variance: rank of the chosen system's composition matrix, plus
// 2, less the phases and the chemical potentials set.
int findvariance(int rank, const PhaseDiagramSetup& setup, int musSet);

// The variance of the equilibria sought (sets v and vsaved).
void choosevariance(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup);

// The mode questions (reduce, zero modes), then `readmodeiso` and
// `readisopleths` as they are called for; v becomes the variance left.
void isoplethquestions(Io& io, const ScriptSettings& script, const PhaseTables& tables,
                       const WindowState& w, PhaseDiagramSetup& setup);
void readmodeiso(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup);
void readisopleths(Io& io, const ScriptSettings& script, const PhaseTables& tables,
                   const WindowState& w, PhaseDiagramSetup& setup);

// The solver options: line search or trust region, uncertainties.
void solveroptions(Io& io, const ScriptSettings& script, PhaseDiagramSetup& setup);

// The starting state of order of the chosen solutions with order variables.
void startingorder(Io& io, const ScriptSettings& script, PhaseTables& tables, const WindowState& w,
                   const PhaseDiagramSetup& setup);

// The pure phases of fixed activity below 0.99999, and the question on
// their uncertainties: yes gives each the larger of its own and the
// default uncertainty.
void listnonunit(Io& io, const ScriptSettings& script, PhaseTables& tables,
                 const PhaseDiagramSetup& setup);
// The default uncertainty of an activity a of an end-member whose ideal
// activity is x^m, with or without the default parameters (`defsdaparams`).
Real defaultActivitySd(Real a, int m, bool parameters);

// The checks that fixed activities and chemical potentials go with the
// rest of the calculation ("setter").
void settercheck(const ScriptSettings& script, const PhaseDiagramSetup& setup,
                 const OxideTable& oxides);

// ---- the whole set-up, then the calculation ---------------------------------------

// What the driver hands over for one phase-diagram pass.
struct PhaseDiagramContext {
  ScriptSettings& script;
  WindowState& windows;
  Dataset& dataset;  // after its set-up pass; the chosen end-members are read here
  PhaseTables& phases;
  const OxideTable& oxides;
  PhaseDiagramMemory& memory;
  bool drawnames = false;  // the preference: drawing blocks ready for the drawing program
  std::string label;       // names the drawing (the run's suffix)
  int gridLimit = kDefaultGridLimit;  // the preference: largest minimisation grid
  int threads = 1;                    // the preference: threads of a minimisation
};

// Names of the chosen phases, solutions first.
std::vector<std::string> chosenPhaseNames(const PhaseDiagramSetup& setup);

void nlesetup(Io& io, PhaseDiagramContext& context);

}  // namespace pf
