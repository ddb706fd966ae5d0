// Whole calculator runs with any answers and any small input files: the
// input is the console answers, then sections "@file <name>" that add a file
// to the demo folder or replace one (a run's script, preferences, a small
// dataset or a-x file).
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/conversation.h"

namespace {

constexpr std::string_view kMark = "@file ";

// The position of the next section mark at the start of a line, from `from`.
std::size_t nextSection(std::string_view text, std::size_t from) {
  for (std::size_t at = text.find(kMark, from); at != std::string_view::npos;
       at = text.find(kMark, at + 1))
    if (at == 0 || text[at - 1] == '\n') return at;
  return std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  (void)pf::fuzz::demoFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = pf::fuzz::text(data, size);
  const std::string_view all(input);
  pf::MemoryFiles files;
  files.contents = pf::fuzz::demoFolder();
  std::size_t at = nextSection(all, 0);
  const std::string answers(all.substr(0, at));
  while (at != std::string_view::npos) {
    const std::size_t nameStart = at + kMark.size();
    std::size_t nameEnd = all.find('\n', nameStart);
    if (nameEnd == std::string_view::npos) nameEnd = all.size();
    const std::size_t next = nextSection(all, nameEnd);
    const std::size_t bodyStart = nameEnd < all.size() ? nameEnd + 1 : nameEnd;
    const std::size_t bodyEnd = next == std::string_view::npos ? all.size() : next;
    std::string name(all.substr(nameStart, nameEnd - nameStart));
    files.contents[name] = std::string(all.substr(bodyStart, bodyEnd - bodyStart));
    at = next;
  }
  pf::fuzz::converse(files, answers);
  return 0;
}
