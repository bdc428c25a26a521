#include "features/mirror/MirrorLocation.h"

#include <gio/gio.h>
#include <sys/statvfs.h>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "features/mirror/MirrorActivity.h"
#include "features/mirror/MirrorListing.h"
#include "features/volume/CasePaths.h"
#include "features/volume/LocalVolume.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace fs = std::filesystem;

MirrorLocation::MirrorLocation(const MirrorServices& services, MirrorListing& listing, MirrorActivity& activity,
                               MirrorKeepAlive keep)
    : services_(services), listing_(listing), activity_(activity), keep_(std::move(keep)) {
  config.set(MirrorConfig::load(services_.defaults));
}

fs::path MirrorLocation::root() const { return MirrorRules::rootOf(config.get()); }

MirrorLocation::AccessMode MirrorLocation::accessMode() const {
  if (auto r = services_.volume.mountedRoot()) return {true, *r};
  return {false, root()};
}

void MirrorLocation::ensureRoot() {
  std::error_code ec;
  fs::create_directories(root(), ec);
}

std::optional<OpenFailure> MirrorLocation::openRoot() {
  ensureRoot();
  GObjectPtr<GFile> f = GObjectPtr<GFile>::adopt(g_file_new_for_path(accessMode().root.c_str()));
  GCharPtr uri(g_file_get_uri(f.get()));
  return services_.desktop.tryOpen(uri.get());
}

void MirrorLocation::setRoot(const fs::path& folder) {
  MirrorConfig c = config.get();
  c.rootPath = folder.string();
  config.set(c);
  c.save(services_.defaults);
}

long long MirrorLocation::freeSpace(const fs::path& at) {
  std::error_code ec;
  fs::path probe = fs::exists(at, ec) ? at : at.parent_path();
  struct statvfs st {};
  if (probe.empty() || statvfs(probe.c_str(), &st) != 0) return 0;
  return static_cast<long long>(st.f_bavail) * static_cast<long long>(st.f_frsize);
}

std::optional<long long> MirrorLocation::sizeOf(const fs::path& p) {
  std::error_code ec;
  auto st = fs::status(p, ec);
  if (ec || !fs::is_regular_file(st)) return std::nullopt;
  auto n = fs::file_size(p, ec);
  if (ec) return std::nullopt;
  return static_cast<long long>(n);
}

std::optional<fs::path> MirrorLocation::localURL(const MirrorFile& file) const {
  bool unsafe = false;
  auto place = CasePaths::mapUnder(root(), file.path, &unsafe);
  if (!place && unsafe) logLine(tags::kMirror, "拒绝不安全路径 " + file.path, LogLevel::warning);
  return place;
}

Task<void> MirrorLocation::verifyMount() {
  auto self = keep_();
  static const std::string unknown = "无法判断卷宗盘归属（本案没有电子卷宗目录）";
  auto mode = accessMode();
  if (!mode.mounted) {
    mountMismatch.set(false);
    mountCheckNote.set("");
    co_return;
  }
  if (listing_.contracts->empty()) {
    mountCheckNote.set(unknown);
    mountMismatch.set(false);
    co_return;
  }
  std::optional<MirrorManifest> m;
  try {
    m = co_await listing_.manifest(listing_.contracts->front().id);
  } catch (const AppError&) {
  }
  auto tail = m && !m->folder.empty() ? CasePaths::relTail(m->folder) : std::nullopt;
  if (!tail) {
    mountCheckNote.set(unknown);
    mountMismatch.set(false);
    co_return;
  }
  std::error_code ec;
  bool found = fs::exists(mode.root / fs::path(*tail), ec);
  mountMismatch.set(!found);
  mountCheckNote.set(found ? "卷宗盘与当前账号一致" : "卷宗盘里找不到本账号的案件目录 —— 可能挂的是另一个账号");
  logLine(tags::kMirror, "挂载一致性：" + mountCheckNote.get());
}

void MirrorLocation::refreshVolume() {
  volumeRevision.set(volumeRevision.get() + 1);
  auto mode = accessMode();
  activity_.say(mode.mounted ? "卷宗盘已连接：" + mode.root.string() : "未连接卷宗盘，当前用本地镜像");
}

}  // namespace quorvel
