// Temporary: the inbox watcher's entry points are built on another branch. Weak, so
// its real definitions win as soon as they are linked in.
#include "base/Log.h"
#include "features/editing/HotFolderWatcher.h"

namespace quorvel {

__attribute__((weak)) HotFolderWatcher::HotFolderWatcher() : impl_(nullptr) {}

__attribute__((weak)) HotFolderWatcher& HotFolderWatcher::shared() {
  static auto* instance = new HotFolderWatcher();
  return *instance;
}

__attribute__((weak)) void HotFolderWatcher::archiveProcessedFiles(const std::vector<std::filesystem::path>& files) {
  logLine("HOTFOLDER", "（测试替身）收到 " + std::to_string(files.size()) + " 个已归档文件");
}

}  // namespace quorvel
