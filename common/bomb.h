// The single way a run stops on a fault it cannot mend, and the kill answer.
// Both unwind to main, which writes the report and closes every file.
#pragma once

#include <exception>
#include <string>

namespace pf {

// kind 0: ordinary stop; kind 1: an internal fault that should not happen.
struct Bombed : std::exception {
  std::string procedure;
  std::string message;
  int kind = 0;
  Bombed(std::string proc, std::string msg, int k)
      : procedure(std::move(proc)), message(std::move(msg)), kind(k) {}
  const char* what() const noexcept override { return message.c_str(); }
};

// Thrown when the user answers "kill" to any question.
struct RunKilled : std::exception {
  const char* what() const noexcept override { return "run killed"; }
};

[[noreturn]] void bomb(const std::string& procedure, const std::string& message, int kind = 0);
[[noreturn]] void killrun();

}  // namespace pf
