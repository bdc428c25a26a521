#include "features/mirror/StorageStats.h"

#include <algorithm>
#include <vector>

#include "base/Task.h"
#include "base/WorkerPool.h"
#include "features/mirror/MirrorFormats.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
bool hidden(const fs::path& p) {
  auto name = p.filename().string();
  return !name.empty() && name[0] == '.';
}

Task<void> measureOnWorkers(WorkerPool& workers, fs::path root, unsigned ticket,
                            std::function<void(unsigned, const StorageStats&)> publish) {
  auto work = onWorker(workers, [root] { return measureStorage(root); });
  StorageStats result = co_await work;
  publish(ticket, result);
}
}  // namespace

DirectorySize directorySize(const fs::path& folder) {
  DirectorySize total;
  std::vector<fs::path> pending{folder};
  while (!pending.empty()) {
    fs::path dir = std::move(pending.back());
    pending.pop_back();
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    if (ec) continue;
    for (; it != end; it.increment(ec)) {
      if (ec) break;
      const auto& entry = *it;
      if (hidden(entry.path())) continue;
      std::error_code sec;
      auto status = entry.symlink_status(sec);
      if (sec || fs::is_symlink(status)) continue;
      if (fs::is_directory(status)) {
        pending.push_back(entry.path());
        continue;
      }
      total.files += 1;
      auto size = entry.file_size(sec);
      if (!sec) total.bytes += static_cast<long long>(size);
    }
  }
  return total;
}

StorageStats measureStorage(const fs::path& mirrorRoot) {
  DirectorySize all = directorySize(mirrorRoot);
  DirectorySize old = directorySize(mirrorRoot / MirrorRules::kOldVersions);
  return {std::max(0LL, all.bytes - old.bytes), std::max(0LL, all.files - old.files), old.bytes, old.files};
}

StorageStatsRefresher::StorageStatsRefresher(WorkerPool& workers) : workers_(workers) {}

StorageStatsRefresher::~StorageStatsRefresher() = default;

void StorageStatsRefresher::refresh(const fs::path& mirrorRoot) {
  unsigned ticket = ++started_;
  scope_.spawn(measureOnWorkers(workers_, mirrorRoot, ticket, [this](unsigned t, const StorageStats& s) {
    if (t == started_) stats.set(s);
  }));
}

}  // namespace quorvel
