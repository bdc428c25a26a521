#include "app/AppArgs.h"

#include <algorithm>

namespace quorvel::AppArgs {
namespace {
std::vector<std::string>& store() {
  static std::vector<std::string> args;
  return args;
}
}  // namespace

void set(std::vector<std::string> args) { store() = std::move(args); }
const std::vector<std::string>& all() { return store(); }
bool has(const std::string& sw) { return std::find(store().begin(), store().end(), sw) != store().end(); }
std::string valueAfter(const std::string& sw) {
  auto& a = store();
  auto it = std::find(a.begin(), a.end(), sw);
  if (it == a.end() || std::next(it) == a.end()) return {};
  return *std::next(it);
}
bool isDiagnosticMode() { return has("--selftest") || has("--livetest"); }

}  // namespace quorvel::AppArgs
