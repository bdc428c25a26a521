#pragma once
// Local copies of single case files: the copy from the case volume into the cache
// root at the mapped place, the reuse of a current copy, and the backup of a copy
// that is replaced into the flat old-version folder "_旧版本". Nothing here ever
// loses a local copy: the new file is copied first, the old one backed up under a
// free name, and only then put in place. Blocking; called off the main thread.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct FileStat {
  std::int64_t size = 0;
  std::chrono::system_clock::time_point mtime;
  // Equal sizes and modification times at most 2.0 s apart.
  bool sameVersion(const FileStat& o) const;
};
// Size and modification time of a regular file; nothing for anything else.
std::optional<FileStat> statRegularFile(const std::filesystem::path& p);

// Where the server's copies come from.
class CaseSource {
 public:
  virtual ~CaseSource() = default;
  // The stat of a regular file at `tail`; nothing when absent, a folder or unreadable.
  virtual std::optional<FileStat> statRegular(const std::vector<std::string>& tail) = 0;
  // Copies the file into the new file `dest` with the source's modification time.
  // Empty on success, else the reason.
  virtual std::string copyTo(const std::vector<std::string>& tail, const std::filesystem::path& dest) = 0;
  // How the file is named there (a path or an address), for logs and callers.
  virtual std::string locate(const std::vector<std::string>& tail) const = 0;
};

// A mounted folder (the share's FUSE path). Right after a remount the FUSE path
// answers EIO for a moment: reads are retried for up to `eioRetryMs`.
class FolderSource : public CaseSource {
 public:
  explicit FolderSource(std::filesystem::path root, unsigned eioRetryMs = 2500);
  std::optional<FileStat> statRegular(const std::vector<std::string>& tail) override;
  std::string copyTo(const std::vector<std::string>& tail, const std::filesystem::path& dest) override;
  std::string locate(const std::vector<std::string>& tail) const override;
  std::filesystem::path pathOf(const std::vector<std::string>& tail) const;

 private:
  std::filesystem::path root_;
  unsigned eioRetryMs_;
};

// The share through GIO streams, where no FUSE path is available.
class GioSource : public CaseSource {
 public:
  explicit GioSource(std::string rootURI);
  std::optional<FileStat> statRegular(const std::vector<std::string>& tail) override;
  std::string copyTo(const std::vector<std::string>& tail, const std::filesystem::path& dest) override;
  std::string locate(const std::vector<std::string>& tail) const override;

 private:
  std::string root_;
};

class CaseFileCache {
 public:
  using EditingTest = std::function<bool(const std::string& tail)>;
  using Stamp = std::function<std::string()>;  // "yyyyMMdd-HHmmss", local time

  // `source` may be null (no volume).
  CaseFileCache(std::filesystem::path root, CaseSource* source, EditingTest isEditing, Stamp stamp = {});

  std::optional<std::filesystem::path> cachePath(const std::string& serverPath) const;
  // A current local copy, or the best one there is.
  std::optional<std::filesystem::path> ensureLocal(const std::string& serverPath);
  // The cache place ready for a new copy: a copy standing there is backed up first.
  // Nothing when the old copy could not be backed up or is open in an edit session
  // (the download then goes to the download folder).
  std::optional<std::filesystem::path> prepareDestination(const std::string& serverPath);
  // Moves `file` into "_旧版本" under a free name; the new place, or nothing (the
  // file then stays where it was).
  std::optional<std::filesystem::path> backupOld(const std::filesystem::path& file);

  static std::string localStamp();
  static constexpr const char* kOldVersions = "_旧版本";

 private:
  std::filesystem::path root_;
  CaseSource* source_;
  EditingTest isEditing_;
  Stamp stamp_;
};

}  // namespace quorvel
