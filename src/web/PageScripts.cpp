#include "web/PageScripts.h"

#include <map>

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel::resources {
const std::map<std::string, std::string>& embeddedScripts();
}

namespace quorvel::PageScripts {

const std::string& resource(const std::string& fileName) {
  static const std::string empty;
  auto& m = resources::embeddedScripts();
  auto it = m.find(fileName);
  if (it == m.end()) {
    logLine(tags::kTab, "缺少页面脚本 " + fileName);
    return empty;
  }
  return it->second;
}

}  // namespace quorvel::PageScripts
