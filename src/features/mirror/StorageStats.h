#pragma once
// How much disk the local mirror and its "_旧版本" backups take, measured off the main
// thread for the settings sheet.
#include <filesystem>
#include <memory>
#include <optional>

#include "base/Published.h"
#include "base/Task.h"

namespace quorvel {

class WorkerPool;

struct DirectorySize {
  long long bytes = 0;
  long long files = 0;
  bool operator==(const DirectorySize&) const = default;
};

struct StorageStats {
  long long mirrorBytes = 0;  // the mirror folder without its backups
  long long mirrorFiles = 0;
  long long oldBytes = 0;  // the "_旧版本" folder alone
  long long oldFiles = 0;
  bool operator==(const StorageStats&) const = default;
};

// The files under `folder`, at any depth: hidden files and everything inside hidden
// folders are skipped, symbolic links are neither followed nor counted, an unreadable
// or missing folder counts nothing. Any thread.
DirectorySize directorySize(const std::filesystem::path& folder);

// The mirror folder's figures; the backups lie inside it and are taken out of its own.
StorageStats measureStorage(const std::filesystem::path& mirrorRoot);

// The sheet's last measurement. A refresh walks the folder on the worker pool and
// publishes on the main thread; a refresh that finishes after a later one began is
// dropped, so a count from before a clean-up never overwrites the one after it.
class StorageStatsRefresher {
 public:
  explicit StorageStatsRefresher(WorkerPool& workers);
  ~StorageStatsRefresher();
  StorageStatsRefresher(const StorageStatsRefresher&) = delete;
  StorageStatsRefresher& operator=(const StorageStatsRefresher&) = delete;

  void refresh(const std::filesystem::path& mirrorRoot);

  // Absent until the first measurement has finished.
  Published<std::optional<StorageStats>, StorageStatsRefresher> stats;

 private:
  WorkerPool& workers_;
  unsigned started_ = 0;
  TaskScope scope_;
};

}  // namespace quorvel
