// The dataset reader on any file: the set-up pass, then for the end-members
// it names the formula-only pass and the full pass, and the Gibbs energy of
// every record read at a few conditions.
#include "calc/thermo/dataset.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "calc/thermo/gibbs.h"
#include "common/files.h"
#include "common/io.h"
#include "fuzz/support.h"

namespace {

// The names the file gives, each once, at most a run's worth.
std::vector<std::string> distinctNames(const pf::Dataset& ds) {
  std::vector<std::string> names;
  for (int e = 1; e <= ds.entries && e < static_cast<int>(ds.names.size()); ++e)
    if (std::find(names.begin(), names.end(), ds.names[e]) == names.end())
      names.push_back(ds.names[e]);
  if (names.size() > static_cast<std::size_t>(pf::kMaxEndMembers)) names.resize(pf::kMaxEndMembers);
  return names;
}

void gibbsOfEvery(const pf::Dataset& ds) {
  pf::MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  pf::Io io(pf::Program::calculator, in, out, files);
  pf::GibbsSettings settings = pf::gibbsSettings(ds);
  for (int i = 1; i <= ds.endMembers; ++i)
    for (std::pair<pf::Real, pf::Real> pt :
         {std::pair<pf::Real, pf::Real>{0.001L, 298.15L}, {7.3L, 873.0L}, {41.0L, 1573.0L}})
      pf::fuzz::guarded([&] {
        (void)pf::gem(io, ds.em[static_cast<std::size_t>(i)], pt.first, pt.second, settings);
      });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pf::Dataset setup;
  bool read = false;
  pf::fuzz::guarded([&] {
    std::istringstream file(pf::fuzz::text(data, size));
    // the sixth character of the name marks the newest generation
    pf::setuptextread(setup, file, "pf-ds6fz.txt");
    read = true;
  });
  if (!read) return 0;
  const std::vector<std::string> names = distinctNames(setup);
  pf::fuzz::guarded([&] {
    pf::Dataset formulae = setup;
    pf::makep(formulae, names);
    pf::readformulae(formulae);
  });
  pf::fuzz::guarded([&] {
    pf::Dataset full = setup;
    pf::makep(full, names);
    pf::readthermo(full);
    gibbsOfEvery(full);
  });
  return 0;
}
