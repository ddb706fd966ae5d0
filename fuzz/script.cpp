// The script reader on any run's data file: every keyword's checks, the
// windows settled from it and the checks across keywords.
#include "calc/settings/script.h"

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "calc/settings/windows.h"
#include "common/files.h"
#include "common/io.h"
#include "fuzz/support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io(pf::Program::calculator, in, out, files);
  io.openOutput(pf::kLogfile, "pf-log.txt", false);
  std::unique_ptr<std::istream> file =
      std::make_unique<std::istringstream>(pf::fuzz::text(data, size));
  pf::ScriptSettings script;
  pf::fuzz::guarded([&] {
    pf::readscripts(io, file, script);
    pf::WindowState windows;
    pf::applyScriptLimits(script, windows);
  });
  return 0;
}
