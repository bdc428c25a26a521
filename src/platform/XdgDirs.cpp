#include "platform/XdgDirs.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace quorvel::xdg {
namespace fs = std::filesystem;

namespace {
fs::path envOr(const char* name, const fs::path& fallback) {
  const char* v = std::getenv(name);
  if (v && *v == '/') return fs::path(v);
  return fallback;
}

// Reads XDG_<NAME>_DIR from user-dirs.dirs, as the desktop's own tools write it.
fs::path userDir(const char* name, const char* fallbackLeaf) {
  if (const char* v = std::getenv((std::string("XDG_") + name + "_DIR").c_str()); v && *v == '/') return v;
  std::ifstream in(configHome() / "user-dirs.dirs");
  std::string line;
  std::string key = std::string("XDG_") + name + "_DIR=";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) return home() / value.substr(value.size() > 6 ? 6 : 5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return home() / fallbackLeaf;
}
}  // namespace

fs::path home() {
  const char* h = std::getenv("HOME");
  return (h && *h) ? fs::path(h) : fs::path("/tmp");
}
fs::path configHome() { return envOr("XDG_CONFIG_HOME", home() / ".config"); }
fs::path dataHome() { return envOr("XDG_DATA_HOME", home() / ".local" / "share"); }
fs::path cacheHome() { return envOr("XDG_CACHE_HOME", home() / ".cache"); }
fs::path documentsDir() { return userDir("DOCUMENTS", "Documents"); }
fs::path downloadDir() { return userDir("DOWNLOAD", "Downloads"); }

}  // namespace quorvel::xdg
