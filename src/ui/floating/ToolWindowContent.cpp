#include "ui/floating/ToolWindowContent.h"

namespace quorvel {

void ToolWindowContent::registerFactory(const std::string& name, ToolContentFactory factory) {
  if (factory) factories_[name] = std::move(factory);
  else factories_.erase(name);
}

const ToolContentFactory& ToolWindowContent::factory(const std::string& name) const {
  auto it = factories_.find(name);
  return it == factories_.end() ? none_ : it->second;
}

}  // namespace quorvel
