#pragma once
// Local copies of single case files in the mirror folder, at the place the mapping
// rule gives; the copies they replace go to "_旧版本". A file open in an edit
// session is never overwritten.
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "base/Task.h"
#include "features/volume/CaseFileCache.h"

namespace quorvel {

class LocalVolume;
class WorkerPool;

// The case files open in edit sessions, keyed by the normalised tail (any spelling of
// a path is one file): their local copies are never overwritten. Any thread.
class EditingFiles {
 public:
  void begin(const std::string& rel);
  void end(const std::string& rel);
  bool contains(const std::string& rel) const;
  bool containsTail(const std::string& tail) const;

 private:
  mutable std::mutex mutex_;
  std::set<std::string> tails_;
};

class PreviewCache {
 public:
  using Stat = FileStat;

  // Copies come from `volume`; reading the server runs on `workers`.
  PreviewCache(LocalVolume& volume, WorkerPool& workers);
  PreviewCache(const PreviewCache&) = delete;
  PreviewCache& operator=(const PreviewCache&) = delete;

  // Replaces the mirror folder as the root of copies and of "_旧版本" (self-check).
  void setRootOverride(std::optional<std::filesystem::path> root);
  std::optional<std::filesystem::path> rootOverride() const;
  std::filesystem::path cacheRoot() const;

  static std::optional<std::string> relTail(const std::string& rel);
  std::optional<std::filesystem::path> cacheURL(const std::string& rel) const;
  // Where the server copy is read: a path on the mounted volume, or the share's
  // address when GVfs gives no local path. Nothing without a volume.
  std::optional<std::string> sourceURL(const std::string& rel);
  static std::optional<Stat> stat(const std::filesystem::path& file);
  // The server copy's stat, read fresh through the volume (blocking).
  std::optional<Stat> sourceStat(const std::string& rel);

  // The server copy as the server reports it now: read through the share's address
  // (GIO asks the server; the FUSE path's attributes may be cached). Nothing without
  // a volume or a file there. Main thread; the reading runs on a worker.
  Task<std::optional<Stat>> freshSourceStat(std::string rel);
  // Copies the server copy, read the same way, into the new file `dest`: empty, or why
  // it failed; nothing without a volume.
  Task<std::optional<std::string>> copyFreshSource(std::string rel, std::filesystem::path dest);

  // Blocking; call off the main thread. A current local copy, or the best one there is.
  std::optional<std::filesystem::path> ensureLocal(const std::string& rel);
  // The cache place for a web download of `rel` (the old copy backed up first).
  // Nothing for a path with no local place: the download then goes to the download folder.
  std::optional<std::filesystem::path> prepareDestination(const std::string& rel);

  // The files open in edit sessions.
  EditingFiles& editing() { return editing_; }
  const EditingFiles& editing() const { return editing_; }

 private:
  LocalVolume& volume_;
  WorkerPool& workers_;
  mutable std::mutex overrideMutex_;
  std::optional<std::filesystem::path> overrideRoot_;
  EditingFiles editing_;
};

}  // namespace quorvel
