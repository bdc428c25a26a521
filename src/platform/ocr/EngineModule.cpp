#include "platform/ocr/EngineModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {
namespace {
constexpr const char* kModuleName = "libquorvel-engines.so";

void logFromModule(const std::string& line, bool error) {
  logLine(tags::kOcr, line, error ? LogLevel::error : LogLevel::info);
}

// The module as this process loaded it, once: its table, or why there is none.
struct Loaded {
  const engines::EngineApi* api = nullptr;
  std::string error;
};

Loaded load() {
  namespace fs = std::filesystem;
  std::vector<fs::path> places;
  std::error_code ec;
  // Beside the program (an installed copy), then the build folder (the program and
  // the test programs run from it).
  if (auto self = fs::read_symlink("/proc/self/exe", ec); !ec) places.push_back(self.parent_path() / kModuleName);
  places.push_back(fs::path(QUORVEL_ENGINES_DIR) / kModuleName);
  std::string reasons;
  for (const auto& path : places) {
    if (!fs::exists(path, ec)) continue;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      reasons = dlerror();
      continue;
    }
    auto entry = reinterpret_cast<engines::EngineApiEntry>(dlsym(handle, "quorvel_engine_api"));
    if (const engines::EngineApi* api = entry ? entry() : nullptr) {
      api->setLogger(&logFromModule);
      return {api, {}};  // stays loaded for the process's life
    }
    reasons = "缺少入口";
  }
  Loaded failed{nullptr, reasons.empty() ? std::string("找不到 ") + kModuleName : reasons};
  logLine(tags::kOcr, "无法加载识别与 PDF 组件：" + failed.error, LogLevel::error);
  return failed;
}

// Loading a shared library is the process's own business: done once, never changed.
const Loaded& loaded() {
  static const Loaded once = load();
  return once;
}
}  // namespace

const engines::EngineApi* engineApi() { return loaded().api; }

AppError engineModuleError() {
  return AppError(errors::kEngines, 0, "识别与 PDF 组件无法加载：" + loaded().error);
}

}  // namespace quorvel
