#include "app/AppArgs.h"

#include <algorithm>

namespace quorvel {

bool AppArgs::has(const std::string& sw) const { return std::find(args_.begin(), args_.end(), sw) != args_.end(); }

std::string AppArgs::valueAfter(const std::string& sw) const {
  auto it = std::find(args_.begin(), args_.end(), sw);
  if (it == args_.end() || std::next(it) == args_.end()) return {};
  return *std::next(it);
}

bool AppArgs::isDiagnosticMode() const { return has("--selftest") || has("--livetest"); }

}  // namespace quorvel
