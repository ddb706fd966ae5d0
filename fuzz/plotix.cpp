// The drawing program on any drawing file: the reader, the questions of
// settings left to ask (answered with Return), the line assembly, clipping,
// areas and the EPS writer.
#include "plot/plotix.h"

#include <cstdint>
#include <sstream>
#include <string>

#include "common/bomb.h"
#include "common/files.h"
#include "common/io.h"
#include "common/session.h"
#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pf::MemoryFiles files;
  files.contents["px-fz.txt"] = pf::fuzz::text(data, size);
  std::istringstream in("fz\n\n\n\n\n\n\n\n");
  std::ostringstream out;
  pf::Io io(pf::Program::plotter, in, out, files);
  // as the program's own main does, with an internal fault a finding
  try {
    pf::plot::runPlotix(io);
  } catch (const pf::Bombed& fault) {
    if (fault.kind == 1) pf::fuzz::finding(fault.procedure, fault.message);
    pf::reportBombed(io, fault);
  } catch (const pf::RunKilled&) {
    pf::reportKilled(io);
  }
  return 0;
}
