#include "ui/floating/ToolWindowContent.h"

#include <map>

namespace quorvel::ToolWindowContent {
namespace {
std::map<std::string, ToolContentFactory>& factories() {
  static std::map<std::string, ToolContentFactory> table;
  return table;
}
}  // namespace

void registerFactory(const std::string& name, ToolContentFactory factory) { factories()[name] = std::move(factory); }

const ToolContentFactory& factory(const std::string& name) {
  static const ToolContentFactory none;
  auto it = factories().find(name);
  return it == factories().end() ? none : it->second;
}

}  // namespace quorvel::ToolWindowContent
