#include "plot/plotix.h"

#include <exception>

#include "common/bomb.h"
#include "common/prefs.h"
#include "common/session.h"
#include "plot/eps.h"
#include "plot/reader.h"

namespace pf::plot {

void runPlotix(Io& io) {
  Prefs prefs;
  startout(io, prefs, kPlotterName);
  io.reportAllocation("point table", kPointTableBytes);
  io.reportAllocation("line table", kLineTableBytes);
  io.putstr(0, io.programName + " running at " + io.dateStamp, 1, kToLog);

  Drawing drawing;
  std::string suffix = prefs.datafile;
  readdata(io, suffix, drawing);
  draw(io, prefs, drawing);
  if (io.isOpen(kPostScript))
    io.putstr(1, "diagram written to \"" + io.outputName(kPostScript) + "\"", 1, kToConsoleLog);

  io.endLine(kToConsoleLog);
  io.flushOutput(kLogfile);
  io.flushOutput(kPostScript);
  io.reportRelease("line table", kLineTableBytes);
  io.reportRelease("point table", kPointTableBytes);
  closeall(io);
}

int runProgram(Io& io) {
  try {
    runPlotix(io);
  } catch (const Bombed& fault) {
    reportBombed(io, fault);
  } catch (const RunKilled&) {
    reportKilled(io);
  } catch (const std::exception& fault) {
    reportBombed(io, Bombed("plotix", fault.what(), 1));
  }
  return 0;
}

}  // namespace pf::plot
