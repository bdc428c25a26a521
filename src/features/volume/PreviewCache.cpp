#include "features/volume/PreviewCache.h"

#include <gio/gio.h>

#include <mutex>
#include <set>

#include "base/GLibPtr.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "features/volume/CasePaths.h"
#include "features/volume/LocalVolume.h"
#include "platform/Mounts.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
// The volume as the main thread last saw it (looked at now when on the main thread).
LocalVolume::Snapshot seenNow(LocalVolume& volume) { return isMainThread() ? volume.snapshot() : volume.lastSeen(); }

std::unique_ptr<CaseSource> sourceFor(const LocalVolume::Snapshot& v) {
  if (v.root) return std::make_unique<FolderSource>(*v.root);
  if (v.streamURI) return std::make_unique<GioSource>(*v.streamURI);
  return nullptr;
}
// The GVfs address of a path inside a GVfs mount's FUSE folder; nothing for any
// other folder.
std::optional<std::string> gvfsAddressOf(const fs::path& p) {
  std::optional<std::string> out;
  GVolumeMonitor* monitor = g_volume_monitor_get();
  GList* mounts = g_volume_monitor_get_mounts(monitor);
  for (GList* l = mounts; l && !out; l = l->next) {
    GFile* root = g_mount_get_root(G_MOUNT(l->data));
    GCharPtr rootPath(g_file_get_path(root));
    GCharPtr scheme(g_file_get_uri_scheme(root));
    if (rootPath && scheme && std::string(scheme.get()) != "file") {
      fs::path rel = p.lexically_relative(rootPath.get());
      if (!rel.empty() && *rel.begin() != "..") {
        GFile* child = rel == "." ? G_FILE(g_object_ref(root)) : g_file_resolve_relative_path(root, rel.c_str());
        GCharPtr uri(g_file_get_uri(child));
        if (uri) out = std::string(uri.get());
        g_object_unref(child);
      }
    }
    g_object_unref(root);
  }
  g_list_free_full(mounts, g_object_unref);
  g_object_unref(monitor);
  return out;
}

// Main thread: where the server copy is read fresh. The share mounted through GVfs
// is asked by its address; a plain folder (a "volume.root" override) directly.
std::shared_ptr<CaseSource> freshSource(LocalVolume& volume) {
  std::string uri = volume.shareURI();
  if (Mounts::isMounted(uri)) return std::make_shared<GioSource>(uri);
  auto v = volume.snapshot();
  if (v.streamURI) return std::make_shared<GioSource>(*v.streamURI);
  if (!v.root) return nullptr;
  if (auto address = gvfsAddressOf(*v.root)) return std::make_shared<GioSource>(*address);
  return std::make_shared<FolderSource>(*v.root);
}
}  // namespace

PreviewCache::PreviewCache(LocalVolume& volume, WorkerPool& workers) : volume_(volume), workers_(workers) {}

void PreviewCache::setRootOverride(std::optional<fs::path> root) {
  std::lock_guard lock(overrideMutex_);
  overrideRoot_ = std::move(root);
}

std::optional<fs::path> PreviewCache::rootOverride() const {
  std::lock_guard lock(overrideMutex_);
  return overrideRoot_;
}

fs::path PreviewCache::cacheRoot() const { return rootOverride().value_or(AppConfig::mirrorDir()); }

std::optional<std::string> PreviewCache::relTail(const std::string& rel) { return CasePaths::relTail(rel); }

std::optional<fs::path> PreviewCache::cacheURL(const std::string& rel) const {
  return CaseFileCache(cacheRoot(), nullptr, {}).cachePath(rel);
}

std::optional<std::string> PreviewCache::sourceURL(const std::string& rel) {
  auto tail = CasePaths::tailPieces(rel);
  if (!tail) return std::nullopt;
  auto src = sourceFor(seenNow(volume_));
  if (!src) return std::nullopt;
  return src->locate(*tail);
}

std::optional<PreviewCache::Stat> PreviewCache::stat(const fs::path& file) { return statRegularFile(file); }

std::optional<PreviewCache::Stat> PreviewCache::sourceStat(const std::string& rel) {
  auto tail = CasePaths::tailPieces(rel);
  auto src = sourceFor(seenNow(volume_));
  if (!tail || !src) return std::nullopt;
  return src->statRegular(*tail);
}

Task<std::optional<PreviewCache::Stat>> PreviewCache::freshSourceStat(std::string rel) {
  auto tail = CasePaths::tailPieces(rel);
  auto src = tail ? freshSource(volume_) : nullptr;
  if (!src) co_return std::nullopt;
  auto reading = onWorker(workers_, [src, t = *tail] { return src->statRegular(t); });
  std::optional<Stat> st = co_await reading;
  co_return st;
}

Task<std::optional<std::string>> PreviewCache::copyFreshSource(std::string rel, fs::path dest) {
  auto tail = CasePaths::tailPieces(rel);
  auto src = tail ? freshSource(volume_) : nullptr;
  if (!src) co_return std::nullopt;
  auto copying = onWorker(workers_, [src, t = *tail, dest] { return src->copyTo(t, dest); });
  std::string error = co_await copying;
  co_return error;
}

std::optional<fs::path> PreviewCache::ensureLocal(const std::string& rel) {
  auto src = sourceFor(seenNow(volume_));
  CaseFileCache cache(cacheRoot(), src.get(), [this](const std::string& tail) { return editing_.containsTail(tail); });
  return cache.ensureLocal(rel);
}

std::optional<fs::path> PreviewCache::prepareDestination(const std::string& rel) {
  CaseFileCache cache(cacheRoot(), nullptr, [this](const std::string& tail) { return editing_.containsTail(tail); });
  return cache.prepareDestination(rel);
}

void EditingFiles::begin(const std::string& rel) {
  if (auto t = CasePaths::relTail(rel)) {
    std::lock_guard lock(mutex_);
    tails_.insert(*t);
  }
}

void EditingFiles::end(const std::string& rel) {
  if (auto t = CasePaths::relTail(rel)) {
    std::lock_guard lock(mutex_);
    tails_.erase(*t);
  }
}

bool EditingFiles::contains(const std::string& rel) const {
  auto t = CasePaths::relTail(rel);
  return t && containsTail(*t);
}

bool EditingFiles::containsTail(const std::string& tail) const {
  std::lock_guard lock(mutex_);
  return tails_.count(tail) > 0;
}

}  // namespace quorvel
