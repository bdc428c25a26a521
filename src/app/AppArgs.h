#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/LaunchSequence.h"

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

// The client's own switches, read once at start from the command line and the
// environment and handed to whoever needs them: nothing else reads the environment
// for them.
struct Switches {
  // The launch steps' switches ("--selftest", "--open", TUT, RENDER_ALL, RENDER_SHEETS,
  // RENDER_SETTINGS, RENDER_SIDEBAR).
  LaunchSwitches launch;
  // TRACK_TEST_MANUAL=1: the manual delivery confirmation is drilled, also in
  // diagnostic runs, and answers by itself after a few seconds.
  bool trackingDrill = false;
  // NO_DRAG_INJECT=1 leaves the drag-and-drop page script out.
  bool dragAndDrop = true;
  // QUORVEL_SEPARATE_INSTANCE=1: a second client of its own instead of handing over.
  bool separateInstance = false;

  using Environment = std::function<std::optional<std::string>(const char*)>;
  static Switches read(const AppArgs& args, const Environment& env);
  // The process's environment.
  static std::optional<std::string> processEnvironment(const char* name);
};

}  // namespace quorvel
