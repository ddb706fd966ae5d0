// Whole calculator runs with any console answers, on the demo files: the
// menu answer picks the mode, the suffix answer the run's script.
#include <cstdint>
#include <string>

#include "fuzz/conversation.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  (void)pf::fuzz::demoFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pf::MemoryFiles files;
  files.contents = pf::fuzz::demoFolder();
  pf::fuzz::converse(files, pf::fuzz::text(data, size));
  return 0;
}
