#pragma once
#include <string>

namespace quorvel::PageScripts {

// The injected scripts kept as resource files (by file name, e.g. "chrome-hiding.js").
const std::string& resource(const std::string& fileName);

}  // namespace quorvel::PageScripts
