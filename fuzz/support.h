// What every fuzz target shares: the shipped demo files, and the rule that a
// fatal report or a kill is an ordinary end of a run while an internal fault
// is a finding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>

#include "common/bomb.h"

namespace pf::fuzz {

inline std::string text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A file of the shipped examples, read once.
inline const std::string& exampleFile(const std::string& name) {
  static std::map<std::string, std::string> cache;
  auto found = cache.find(name);
  if (found != cache.end()) return found->second;
  std::ifstream in(std::string(PF_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fuzz: cannot read examples/%s\n", name.c_str());
    std::abort();
  }
  std::stringstream whole;
  whole << in.rdbuf();
  return cache.emplace(name, whole.str()).first->second;
}

// Stops the fuzzer with what it needs to show the finding.
[[noreturn]] inline void finding(std::string_view what, std::string_view detail) {
  std::fprintf(stderr, "\n==== internal fault: %.*s\n%.*s\n====\n", static_cast<int>(what.size()),
               what.data(), static_cast<int>(detail.size()), detail.data());
  std::abort();
}

// Runs call; a fatal report of bad input or a kill returns, an internal
// fault (kind 1) aborts.
template <typename Call>
void guarded(Call&& call) {
  try {
    call();
  } catch (const Bombed& fault) {
    if (fault.kind == 1) finding(fault.procedure, fault.message);
  } catch (const RunKilled&) {
  }
}

// The last part of a long text, for the report of a finding.
inline std::string_view tail(std::string_view text, std::size_t length = 4000) {
  return text.size() > length ? text.substr(text.size() - length) : text;
}

}  // namespace pf::fuzz
