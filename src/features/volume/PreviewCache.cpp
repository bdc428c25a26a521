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

namespace quorvel::PreviewCache {
namespace fs = std::filesystem;

namespace {
std::mutex overrideMutex;
std::optional<fs::path> overrideRoot;
std::mutex editLock;
std::set<std::string> editing;

bool editingTail(const std::string& tail) {
  std::lock_guard lock(editLock);
  return editing.count(tail) > 0;
}

// The volume as the main thread last saw it (looked at now when on the main thread).
LocalVolume::Snapshot volume() { return isMainThread() ? LocalVolume::snapshot() : LocalVolume::lastSeen(); }

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
std::shared_ptr<CaseSource> freshSource() {
  std::string uri = LocalVolume::shareURI();
  if (Mounts::isMounted(uri)) return std::make_shared<GioSource>(uri);
  auto v = LocalVolume::snapshot();
  if (v.streamURI) return std::make_shared<GioSource>(*v.streamURI);
  if (!v.root) return nullptr;
  if (auto address = gvfsAddressOf(*v.root)) return std::make_shared<GioSource>(*address);
  return std::make_shared<FolderSource>(*v.root);
}
}  // namespace

void setRootOverride(std::optional<fs::path> root) {
  std::lock_guard lock(overrideMutex);
  overrideRoot = std::move(root);
}

std::optional<fs::path> rootOverride() {
  std::lock_guard lock(overrideMutex);
  return overrideRoot;
}

fs::path cacheRoot() { return rootOverride().value_or(AppConfig::mirrorDir()); }

std::optional<std::string> relTail(const std::string& rel) { return CasePaths::relTail(rel); }

std::optional<fs::path> cacheURL(const std::string& rel) {
  return CaseFileCache(cacheRoot(), nullptr, {}).cachePath(rel);
}

std::optional<std::string> sourceURL(const std::string& rel) {
  auto tail = CasePaths::tailPieces(rel);
  if (!tail) return std::nullopt;
  auto src = sourceFor(volume());
  if (!src) return std::nullopt;
  return src->locate(*tail);
}

std::optional<Stat> stat(const fs::path& file) { return statRegularFile(file); }

std::optional<Stat> sourceStat(const std::string& rel) {
  auto tail = CasePaths::tailPieces(rel);
  auto src = sourceFor(volume());
  if (!tail || !src) return std::nullopt;
  return src->statRegular(*tail);
}

Task<std::optional<Stat>> freshSourceStat(std::string rel) {
  auto tail = CasePaths::tailPieces(rel);
  auto src = tail ? freshSource() : nullptr;
  if (!src) co_return std::nullopt;
  auto reading = runInBackground([src, t = *tail] { return src->statRegular(t); });
  std::optional<Stat> st = co_await reading;
  co_return st;
}

Task<std::optional<std::string>> copyFreshSource(std::string rel, fs::path dest) {
  auto tail = CasePaths::tailPieces(rel);
  auto src = tail ? freshSource() : nullptr;
  if (!src) co_return std::nullopt;
  auto copying = runInBackground([src, t = *tail, dest] { return src->copyTo(t, dest); });
  std::string error = co_await copying;
  co_return error;
}

std::optional<fs::path> ensureLocal(const std::string& rel) {
  auto src = sourceFor(volume());
  CaseFileCache cache(cacheRoot(), src.get(), editingTail);
  return cache.ensureLocal(rel);
}

std::optional<fs::path> prepareDestination(const std::string& rel) {
  CaseFileCache cache(cacheRoot(), nullptr, editingTail);
  return cache.prepareDestination(rel);
}

void beginEditing(const std::string& rel) {
  if (auto t = relTail(rel)) {
    std::lock_guard lock(editLock);
    editing.insert(*t);
  }
}

void endEditing(const std::string& rel) {
  if (auto t = relTail(rel)) {
    std::lock_guard lock(editLock);
    editing.erase(*t);
  }
}

bool isEditing(const std::string& rel) {
  auto t = relTail(rel);
  return t && editingTail(*t);
}

}  // namespace quorvel::PreviewCache
