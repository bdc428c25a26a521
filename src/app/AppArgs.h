#pragma once
#include <string>
#include <vector>

namespace quorvel {

// The process's command line, kept for the switches the subsystems consult.
class AppArgs {
 public:
  AppArgs() = default;
  explicit AppArgs(std::vector<std::string> args) : args_(std::move(args)) {}

  const std::vector<std::string>& all() const { return args_; }
  bool has(const std::string& sw) const;
  // The value after a switch ("--open PATH"), empty when absent.
  std::string valueAfter(const std::string& sw) const;
  // "--selftest" or "--livetest": quiet mode that every subsystem honours.
  bool isDiagnosticMode() const;

 private:
  std::vector<std::string> args_;
};

}  // namespace quorvel
