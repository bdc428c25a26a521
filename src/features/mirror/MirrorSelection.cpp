#include "features/mirror/MirrorSelection.h"

#include <memory>

#include "base/AppError.h"
#include "base/Async.h"
#include "base/ByteCount.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "features/mirror/MirrorActivity.h"
#include "features/mirror/MirrorListing.h"
#include "features/mirror/MirrorLocation.h"

namespace quorvel {

namespace fs = std::filesystem;

MirrorSelection::MirrorSelection(const MirrorServices& services, MirrorListing& listing, MirrorLocation& location,
                                 MirrorActivity& activity, MirrorKeepAlive keep)
    : services_(services), listing_(listing), location_(location), activity_(activity), keep_(std::move(keep)) {}

long long MirrorSelection::selectedFoldersBytes() const {
  return MirrorRules::selectedBytes(folders.get(), selectedFolders.get());
}

void MirrorSelection::toggleFolder(const std::string& name) {
  auto ticks = selectedFolders.get();
  if (!ticks.erase(name)) ticks.insert(name);
  selectedFolders.set(ticks);
}

void MirrorSelection::selectAllFolders() {
  std::set<std::string> names;
  for (const auto& f : folders.get()) names.insert(f.name);
  selectedFolders.set(names);
}

void MirrorSelection::preset(std::optional<long long> contract, std::vector<MirrorFolder> list,
                             std::set<std::string> ticks, std::vector<MirrorDiff> differences) {
  selectedContract.set(contract);
  folders.set(std::move(list));
  selectedFolders.set(std::move(ticks));
  diffs.set(std::move(differences));
}

void MirrorSelection::applyDigest(const MirrorManifest& m, MirrorRules::FolderDigest digest) {
  folders.set(digest.folders);
  selectedFolders.set(digest.ticks);
  activity_.say(m.proc.name + "：服务器 " + std::to_string(m.count) + " 个文件，共 " + byteCountText(m.total));
}

void MirrorSelection::selectContract(std::optional<long long> id) {
  ++generation_;
  selectedContract.set(id);
  diffs.set({});
  if (!id) {
    activity_.say("");
    return;
  }
  spawn(loadSelection(*id, generation_));
}

Task<void> MirrorSelection::loadSelection(long long id, unsigned generation) {
  auto self = keep_();
  try {
    MirrorManifest m = co_await listing_.manifest(id);
    // A late answer for a contract that is no longer shown must not set its ticks.
    if (generation != generation_) {
      logLine(tags::kMirror, "丢弃过期清单 " + std::to_string(id));
      co_return;
    }
    // The folders of thousands of files are summed up on the pool.
    auto held = std::make_shared<const MirrorManifest>(std::move(m));
    auto digesting = onWorker(services_.workers, [held] { return MirrorRules::buildFolders(*held); });
    MirrorRules::FolderDigest digest = co_await digesting;
    if (generation != generation_) {
      logLine(tags::kMirror, "丢弃过期清单 " + std::to_string(id));
      co_return;
    }
    applyDigest(*held, std::move(digest));
  } catch (const AppError& e) {
    logLine(tags::kMirror, "读取清单失败 " + std::to_string(id) + "：" + e.message, LogLevel::warning);
    if (generation == generation_) activity_.say("读取清单失败");
  }
}

Task<void> MirrorSelection::check() {
  auto self = keep_();
  auto contract = selectedContract.get();
  if (!contract) co_return;
  MirrorActivity::Running running(activity_);
  activity_.fail(std::nullopt);
  try {
    MirrorManifest fetched = co_await listing_.manifest(*contract);
    auto m = std::make_shared<const MirrorManifest>(std::move(fetched));
    // One stat per manifest entry: thousands of files (on a network volume) stay off
    // the main thread, and so does the summary; the manifest is handed over, not copied.
    struct Checked {
      std::vector<MirrorDiff> list;
      std::string summary;
    };
    auto comparing = onWorker(services_.workers, [m, dir = location_.root()] {
      Checked c;
      c.list = MirrorRules::computeDiffs(*m, dir, MirrorLocation::sizeOf);
      c.summary = MirrorRules::checkSummary(c.list, m->count);
      return c;
    });
    Checked checked = co_await comparing;
    diffs.set(std::move(checked.list));
    activity_.say(checked.summary);
  } catch (const AppError& e) {
    activity_.fail("检查失败：" + e.message);
    logLine(tags::kMirror, "检查失败：" + e.message, LogLevel::warning);
  }
}

}  // namespace quorvel
