#include "features/mirror/MirrorMaintenance.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/ByteCount.h"
#include "base/Clock.h"
#include "core/AuditLog.h"
#include "core/Dialogs.h"
#include "features/mirror/MirrorLocation.h"
#include "features/mirror/StorageStats.h"
#include "features/volume/CaseFileCache.h"

namespace quorvel {

namespace fs = std::filesystem;

MirrorMaintenance::MirrorMaintenance(const MirrorServices& services, MirrorLocation& location, MirrorKeepAlive keep)
    : services_(services), location_(location), keep_(std::move(keep)) {}

MirrorMaintenance::Counts MirrorMaintenance::oldVersionInfo() const {
  DirectorySize size = directorySize(location_.root() / MirrorRules::kOldVersions);
  return {size.files, size.bytes};
}

MirrorMaintenance::Counts MirrorMaintenance::pruneOldVersions(long long olderThanDays) {
  Counts removed;
  auto cutoff = MirrorRules::pruneCutoff(services_.clock.now(), olderThanDays);
  std::error_code ec;
  fs::path dir = location_.root() / MirrorRules::kOldVersions;
  fs::recursive_directory_iterator it(dir, ec), end;
  if (ec) return {};
  std::vector<std::pair<fs::path, long long>> doomed;
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    auto name = it->path().filename().string();
    if (!name.empty() && name[0] == '.') {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    std::error_code e2;
    if (it->is_directory(e2) || e2) continue;
    auto st = statRegularFile(it->path());
    if (!st) continue;
    if (!MirrorRules::shouldPrune(name, st->mtime, cutoff)) continue;
    doomed.emplace_back(it->path(), st->size);
  }
  for (auto& [p, size] : doomed) {
    if (fs::remove(p, ec)) {
      removed.count += 1;
      removed.bytes += size;
    }
  }
  services_.audit.record("prune-old-versions", MirrorRules::kOldVersions,
                         {{"older_than_days", olderThanDays}, {"removed", removed.count}, {"bytes", removed.bytes}});
  return removed;
}

Task<MirrorMaintenance::Counts> MirrorMaintenance::clearOldVersions(bool confirm) {
  auto self = keep_();
  Counts info = oldVersionInfo();
  if (info.count < 1) co_return Counts{};
  if (confirm) {
    std::string title = "清空所有旧版本？";
    std::string text = std::to_string(info.count) + " 个文件，共 " + byteCountText(info.bytes) +
                       "。\n这些是覆盖/回传前的备份，清掉就找不回来了。";
    std::vector<std::string> buttons{"清空", "取消"};
    Task<int> question = ask(services_.dialogs, title, text, buttons);
    int a = co_await question;
    if (a != 0) co_return Counts{};
  }
  std::error_code ec;
  fs::remove_all(location_.root() / MirrorRules::kOldVersions, ec);
  services_.audit.record("clear-old-versions", MirrorRules::kOldVersions,
                         {{"removed", info.count}, {"bytes", info.bytes}});
  co_return info;
}

void MirrorMaintenance::autoPruneIfNeeded() {
  const MirrorConfig& config = location_.config.get();
  if (config.autoPruneOld && config.enabled && oldVersionInfo().count >= 1) pruneOldVersions(config.keepOldDays);
}

}  // namespace quorvel
