#include "app/AppArgs.h"

#include <algorithm>
#include <cstdlib>

namespace quorvel {

bool AppArgs::has(const std::string& sw) const { return std::find(args_.begin(), args_.end(), sw) != args_.end(); }

std::string AppArgs::valueAfter(const std::string& sw) const {
  auto it = std::find(args_.begin(), args_.end(), sw);
  if (it == args_.end() || std::next(it) == args_.end()) return {};
  return *std::next(it);
}

bool AppArgs::isDiagnosticMode() const { return has("--selftest") || has("--livetest"); }

Switches Switches::read(const AppArgs& args, const Environment& env) {
  Switches s;
  s.launch = LaunchSwitches::parse(args.all(), env);
  s.trackingDrill = environmentSwitchOn(env("TRACK_TEST_MANUAL"));
  s.dragAndDrop = !environmentSwitchOn(env("NO_DRAG_INJECT"));
  s.separateInstance = environmentSwitchOn(env("QUORVEL_SEPARATE_INSTANCE"));
  return s;
}

std::optional<std::string> Switches::processEnvironment(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::optional<std::string>(v) : std::nullopt;
}

}  // namespace quorvel
