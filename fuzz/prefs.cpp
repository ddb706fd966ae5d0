// The preferences reader of both programs on any file.
#include "common/prefs.h"

#include <cstdint>
#include <sstream>
#include <string>

#include "common/files.h"
#include "common/io.h"
#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (pf::Program program : {pf::Program::calculator, pf::Program::plotter}) {
    pf::MemoryFiles files;
    files.contents[pf::prefsFileName(program)] = pf::fuzz::text(data, size);
    // answers for a question the reading may ask, then end of input
    std::istringstream in("\n\n");
    std::ostringstream out;
    pf::Io io(program, in, out, files);
    pf::Prefs prefs;
    pf::fuzz::guarded([&] { pf::readprefs(io, prefs); });
  }
  return 0;
}
