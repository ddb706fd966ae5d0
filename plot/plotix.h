// The drawing program's run, from the banner to the closed EPS file.
#pragma once

#include "common/io.h"

namespace pf::plot {

// Start-up, reading, drawing and closing; faults and kills propagate.
void runPlotix(Io& io);

// runPlotix with the fatal report or the kill report on the way out; what
// main runs. Always returns 0.
int runProgram(Io& io);

}  // namespace pf::plot
