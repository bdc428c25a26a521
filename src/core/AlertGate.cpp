#include "core/AlertGate.h"

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

bool AlertGate::open(const std::string& title, const std::string& text) {
  if (!shown_.emplace(title, text).second) {
    logLine(tags::kAlert, title + "：" + text + "（已在显示）");
    return false;
  }
  return true;
}

void AlertGate::close(const std::string& title, const std::string& text) { shown_.erase({title, text}); }

bool AlertGate::isShown(const std::string& title, const std::string& text) const {
  return shown_.count({title, text}) > 0;
}

}  // namespace quorvel
