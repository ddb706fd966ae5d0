// The calculator's run: start-up, the calculation menu, the run files, the
// main loop over passes and the end report.
#pragma once

#include <istream>
#include <memory>
#include <string>

#include "calc/settings/calc_codes.h"
#include "calc/settings/oxides.h"
#include "calc/settings/script.h"
#include "calc/settings/windows.h"
#include "calc/driver/working_tables.h"
#include "calc/ax/phases.h"
#include "calc/phasediagram/setup.h"
#include "calc/thermo/dataset.h"
#include "common/io.h"
#include "common/prefs.h"

namespace pf {

struct RunFiles {
  std::string suffix;    // names the run's data file
  std::string dataName;  // "pf-" + suffix + ".txt"
  std::unique_ptr<std::istream> data;
  std::string outName;  // results, "pf-" + suffix + "-o.txt"
  std::string oName;    // drawing output, "pf-" + suffix + "-px.txt"
  std::string aName;    // second results (assignment syntax), "pf-" + suffix + "-a.txt"
};

// The switches that diagram types set for the fluid calculations.
struct DiagramChoice {
  int diagrammode = 0;
  int fluidtype = 0;          // 6 for x(CO2) diagrams: fixed mole fractions
  bool fluidInExcess = true;  // cleared for x(CO2) diagrams
};

struct CalculatorRun {
  Prefs prefs;
  int menuCode = -1;
  int calcCode = -1;
  bool makeo = true;  // write the drawing output file
  RunFiles files;
  WorkingTables tables;
  OxideTable oxides{};
  DiagramChoice diagram;
  ScriptSettings script;
  WindowState windows;
  Dataset dataset;                 // the set-up pass of every pass of modes 0 to 3
  PhaseTables phases;              // the a-x file of every pass of modes 0 to 3
  bool scriptBeforeAxFile = true;  // the a-x file then uses this pass's script
  PhaseDiagramMemory phaseDiagram;  // kept from one phase-diagram pass to the next
  int pass = 0;
};

int askCalculationType(Io& io, const Prefs& prefs);
int internalCode(int menuCode);  // bombs ("setup", "unknown code") for any other
const char* moreQuestion(int calcCode);

void setupWorkingState(Io& io, CalculatorRun& run);
void openRunFiles(Io& io, CalculatorRun& run);
void reopenRunFiles(Io& io, CalculatorRun& run);
// The start of every pass of modes 0 to 3: the dataset's set-up pass, then
// the script and the a-x file in the run's order.
void passPrologue(Io& io, CalculatorRun& run);

// Menu of diagram types for reaction calculations; a script preset of 1 to 5
// is taken without asking.
DiagramChoice askDiagramType(Io& io, int preset);

// The variance of reaction lines: the calculated variable's window is
// strict, the stepped one may be a single value.
inline constexpr int kReactionVariance = 1;

// Reactions pass, first step after the script: the diagram type, handed to
// the windows with the names of the log a and mu axes that the script gives.
void chooseDiagram(Io& io, CalculatorRun& run);
// Reactions pass, once the end-member choice has settled the fluid
// end-member and what the system holds: the window of the diagram.
void setReactionWindows(Io& io, CalculatorRun& run, const std::string& fluidEndMember,
                        const FluidPresence& presence);

// Passes of the modes that calculate with the chosen end-members
// (endmember_passes.cpp): the prologue, the end-member choice, then the mode.
void tablesPass(Io& io, CalculatorRun& run);
void averagePTPass(Io& io, CalculatorRun& run);
void reactionsPass(Io& io, CalculatorRun& run);

// How a run ended: callers that check runs (the fuzz targets) tell an
// internal fault from a stop on bad input by it.
enum class RunEnd { finished, stopped, killed, internalFault };

// The whole run, from banner to the last file closed, with the fatal or kill
// report on the way out.
RunEnd runCalculatorReporting(Io& io);
// The same for main. Always returns 0.
int runCalculator(Io& io);

}  // namespace pf
