#include "calc/driver/calculator.h"

#include <algorithm>
#include <new>
#include <thread>

#include "calc/ax/axfile.h"
#include "calc/endmembers/lists.h"
#include "common/bomb.h"
#include "common/numbers.h"
#include "common/prompts.h"
#include "common/session.h"
#include "common/text.h"

namespace pf {

int askCalculationType(Io& io, const Prefs& prefs) {
  if (prefs.calcmode >= 0 && prefs.calcmode <= 3) return prefs.calcmode;
  io.putstr(0, "calculation type :", 1, kToConsoleLog);
  for (const char* line :
       {"     0 = table of thermodynamic data of end-members",
        "     1 = phase diagram calculations", "     2 = average pressure-temperature calculations",
        "     3 = calculations on all reactions between end-members",
        "     4 = list end-member names and compositions"})
    io.putstr(0, line, 1, kToConsoleLog);
  std::string question = "control code ";
  for (;;) {
    Tokens answer;
    promptstrings(io, question, answer);
    if (answer.count == 0) {
      question = " ";
      continue;
    }
    if (answer[1] == "lsqds") return kMenuRegression;
    int code;
    std::string message;
    if (!readInteger(answer[1], code, message)) {
      question = "not an integer  - try again";
    } else if (code < 0 || code > 4) {
      question = "not in range  - try again";
    } else {
      return code;
    }
  }
}

int internalCode(int menuCode) {
  switch (menuCode) {
    case kMenuTables:
      return kCalcTables;
    case kMenuPhaseDiagram:
      return kCalcPhaseDiagram;
    case kMenuAveragePT:
      return kCalcAveragePT;
    case kMenuReactions:
      return kCalcReactions;
    case kMenuLists:
      return kCalcLists;
    case kMenuRegression:
      return kCalcRegression;
    default:
      bomb("setup", "unknown code", 1);
  }
}

const char* moreQuestion(int calcCode) {
  switch (calcCode) {
    case kCalcTables:
      return "more tables";
    case kCalcPhaseDiagram:
      return "more phase diagram calculations";
    case kCalcAveragePT:
      return "more rock calculations";
    case kCalcReactions:
      return "more calculations";
    case kCalcLists:
      return "more lists";
    default:
      return "another lsqds run";
  }
}

void setupWorkingState(Io& io, CalculatorRun& run) {
  if (io.monitorheap) {
    std::string line = "size each: ptype0 = ";
    line += std::to_string(roundToInt(static_cast<Real>(kPurePhaseRecordBytes) / 1024));
    line += " k, size: ptype1 = ";
    line += std::to_string(roundToInt(static_cast<Real>(kSolutionRecordBytes) / 1024));
    line += " k";
    io.putstr(0, line, 1, kToConsole);
  }
  allocateWorkingTables(io, run.tables);
  run.oxides = makeOxideTable();
  run.diagram = DiagramChoice{};
  run.makeo = true;
  run.pass = 0;
}

namespace {

void openDataFile(Io& io, CalculatorRun& run) {
  RunFiles& files = run.files;
  files.suffix = cut20(run.prefs.datafile);
  if (files.suffix.empty()) {
    std::string question = run.prefs.allInOne ? "suffix to name for datafile"
                                              : "suffix to name for script info datafile";
    files.suffix = promptstring(io, question, kMaxToken);
  }
  if (files.suffix.empty())
    bomb("startout", run.prefs.allInOne ? "no datafile specified" : "no script file specified");
  files.data = promptdatafile(io, "pf-", files.suffix, "", files.dataName);
}

// Only the tables and average P-T write assignment-syntax blocks, so only
// they open the second results file.
bool writesSecondFile(const CalculatorRun& run) {
  return run.prefs.makea && (run.calcCode == kCalcTables || run.calcCode == kCalcAveragePT);
}

}  // namespace

void openRunFiles(Io& io, CalculatorRun& run) {
  io.putstr(1, io.programName + "  running at " + io.dateStamp, 1, kToLog);
  openDataFile(io, run);
  RunFiles& files = run.files;
  // the suffix is cut before the endings go on, so no name can meet the data
  // file's; a link or a folder of the same name still could
  files.outName = "pf-" + files.suffix + "-o.txt";
  refuseInputAsOutput(io, "startout", files.outName);
  if (!io.openOutput(kOutfile, files.outName, false))
    bomb("startout", "cannot open " + quoted(files.outName));
  io.putstr(1, "the main output is in the file, " + quoted(files.outName), 0, kToConsoleLog);
  if (writesSecondFile(run)) {
    files.aName = "pf-" + files.suffix + "-a.txt";
    refuseInputAsOutput(io, "startout", files.aName);
    if (!io.openOutput(kSecondFile, files.aName, false))
      bomb("startout", "cannot open " + quoted(files.aName));
    io.putstr(1, "assignment-syntax output is in the file, " + quoted(files.aName), 0,
              kToConsoleLog);
  }
  if (run.makeo) {
    files.oName = "pf-" + files.suffix + "-px.txt";
    refuseInputAsOutput(io, "startout", files.oName);
    if (!io.openOutput(kOfile, files.oName, false))
      bomb("startout", "cannot open " + quoted(files.oName));
    io.putstr(1, "other (eg plotix) output is in the file, " + quoted(files.oName), 0,
              kToConsoleLog);
  }
  io.endLine(kToConsoleLog);
}

void reopenRunFiles(Io& io, CalculatorRun& run) {
  if (!io.openOutput(kOutfile, run.files.outName, true))
    bomb("new calc", "outfile not now available");
  if (run.makeo && !io.openOutput(kOfile, run.files.oName, true))
    bomb("new calc", "ofile not now available");
  if (!io.openOutput(kLogfile, logFileName(Program::calculator), true))
    bomb("new calc", "logfile not now available");
}

DiagramChoice askDiagramType(Io& io, int preset) {
  int code = preset;
  if (code < 1 || code > 5) {
    io.putstr(1, " code for type of phase diagram :", 1, kToConsoleLog);
    for (const char* line :
         {"         1 : pressure-temperature", "        2 : temperature-x(CO2)",
          "        3 : pressure-x(CO2)", "        4 : temperature-log a",
          "        5 : pressure-log a", "        6 : temperature-mu", "        7 : pressure-mu"})
      io.putstr(0, line, 1, kToConsoleLog);
    code = promptinteger(io, "code");
    if (code < 1 || code > 7) code = 1;
  }
  static constexpr int kDiagramModes[] = {0, 0, 2, 1, 4, 3, 6, 5};
  DiagramChoice choice;
  choice.diagrammode = kDiagramModes[code];
  if (code == 2 || code == 3) {
    choice.fluidInExcess = false;
    choice.fluidtype = 6;
  }
  return choice;
}

void chooseDiagram(Io& io, CalculatorRun& run) {
  run.diagram = askDiagramType(io, run.script.calctype);
  WindowState& w = run.windows;
  w.diagrammode = run.diagram.diagrammode;
  w.fluid.fluidtype =
      run.diagram.fluidtype == kFluidMoleFractions ? kFluidMoleFractions : kFluidActivities;
  // one name alone on a seta or setmu line names the axis
  w.lnaName = w.lnaLabel = run.script.activities.singleName;
  w.muName = run.script.mu.singleName;
}

void setReactionWindows(Io& io, CalculatorRun& run, const std::string& fluidEndMember,
                        const FluidPresence& presence) {
  diagramwindowsetup(io, run.windows, run.script, true, kReactionVariance, fluidEndMember,
                     presence);
}

namespace {

void regressionNotAvailable(Io& io) {
  io.putstr(1, "dataset regression (lsqds) is not available in this version", 1, kToAll);
}

// Every pass of modes 0 to 3 starts from the script's defaults and reads the
// script afresh, from the data file opened at start or opened again.
void readPassScript(Io& io, CalculatorRun& run) {
  RunFiles& files = run.files;
  if (run.pass > 1 || !files.data)
    files.data = getscriptfile(io, run.prefs, files.suffix, files.dataName);
  readscripts(io, files.data, run.script);
  run.windows.calcCode = run.calcCode;
  applyScriptLimits(run.script, run.windows);
}

void readPassAxFile(Io& io, CalculatorRun& run) {
  AxSetup setup;
  setup.dataset = &run.dataset;
  setup.script = &run.script;
  setup.strictsyntax = run.prefs.strictsyntax;
  setup.batchRun = run.script.batch.state == kUsePreset && !run.script.batch.batches.empty();
  setup.scriptFileName = run.files.dataName;
  setupphases(io, run.phases, setup, run.prefs.axfile);
}

}  // namespace

void passPrologue(Io& io, CalculatorRun& run) {
  setuptextread(io, run.dataset, run.prefs.dataset);
  if (run.scriptBeforeAxFile) {
    readPassScript(io, run);
    readPassAxFile(io, run);
  } else {
    readPassAxFile(io, run);
    readPassScript(io, run);
  }
}

namespace {

void runPass(Io& io, CalculatorRun& run) {
  switch (run.calcCode) {
    case kCalcReactions:
      reactionsPass(io, run);
      return;
    case kCalcPhaseDiagram: {
      passPrologue(io, run);
      PhaseDiagramContext context{run.script,          run.windows,     run.dataset,
                                  run.phases,          run.oxides,      run.phaseDiagram,
                                  run.prefs.drawnames, run.files.suffix};
      context.gridLimit = run.prefs.gridlimit;
      context.threads = run.prefs.threads > 0
                            ? run.prefs.threads
                            : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
      nlesetup(io, context);
      return;
    }
    case kCalcTables:
      tablesPass(io, run);
      return;
    case kCalcAveragePT:
      averagePTPass(io, run);
      return;
    case kCalcLists:
      listEndMembers(io, run.oxides, run.prefs.dataset);
      return;
    case kCalcRegression:
      regressionNotAvailable(io);
      return;
    default:
      bomb("startup", "sorry - facility not currently available");
  }
}

void mainLoop(Io& io, CalculatorRun& run) {
  for (run.pass = 1;; ++run.pass) {
    if (run.calcCode == kCalcPhaseDiagram && run.pass > 1) reopenRunFiles(io, run);
    runPass(io, run);
    io.endLine(kToConsoleLog);
    for (int member : {kOutfile, kLogfile, kOfile, kSecondFile}) io.flushOutput(member);
    if (run.calcCode == kCalcPhaseDiagram) {
      // each pass leaves complete files behind, readable between passes
      for (int member : {kOutfile, kOfile, kLogfile}) io.closeOutput(member);
    }
    if (run.calcCode == kCalcRegression || run.prefs.onecalc) return;
    if (!query(io, moreQuestion(run.calcCode))) return;
  }
}

void endReport(Io& io, CalculatorRun& run) {
  io.putstr(0, std::string(47, '='), 1, kToAll);
  query(io, "all done - hit return to exit");
  releaseWorkingTables(io, run.tables);
  closeall(io);
}

void calculate(Io& io, CalculatorRun& run) {
  startout(io, run.prefs, kCalculatorName);
  run.menuCode = askCalculationType(io, run.prefs);
  run.calcCode = internalCode(run.menuCode);
  setupWorkingState(io, run);
  if (run.calcCode == kCalcRegression) {
    regressionNotAvailable(io);
  } else {
    openRunFiles(io, run);
  }
  if (run.calcCode != kCalcRegression) mainLoop(io, run);
  endReport(io, run);
}

}  // namespace

RunEnd runCalculatorReporting(Io& io) {
  CalculatorRun run;
  try {
    calculate(io, run);
  } catch (const Bombed& fault) {
    reportBombed(io, fault);
    return fault.kind == 1 ? RunEnd::internalFault : RunEnd::stopped;
  } catch (const RunKilled&) {
    reportKilled(io);
    return RunEnd::killed;
  } catch (const std::bad_alloc&) {
    reportBombed(io, Bombed("main", "out of memory", 1));
    return RunEnd::internalFault;
  } catch (const std::exception& fault) {
    reportBombed(io, Bombed("main", fault.what(), 1));
    return RunEnd::internalFault;
  }
  return RunEnd::finished;
}

int runCalculator(Io& io) {
  runCalculatorReporting(io);
  return 0;
}

}  // namespace pf
