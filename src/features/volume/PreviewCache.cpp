#include "features/volume/PreviewCache.h"

#include <mutex>
#include <set>

#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/CasePaths.h"
#include "features/volume/LocalVolume.h"

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
