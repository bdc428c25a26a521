#pragma once
// The plain data of the local mirror of case folders: its settings, the manifest
// reply of a contract, the folders and differences derived from it, the rules of the
// upload answer and of the download reply, and the old-version upkeep. Pure and
// tested headless; the store (features/mirror) drives them.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Url.h"
#include "features/mirror/MirrorNodes.h"

namespace quorvel {

class UserDefaults;

struct MirrorConfig {
  bool enabled = true;
  std::string rootPath;  // the mirror folder
  long long keepOldDays = 30;
  bool autoPruneOld = true;

  static constexpr const char* kKey = "mirror.config";
  static MirrorConfig defaults();
  // The stored record, or the defaults when any key is missing or of another type.
  // A root that is not an absolute path is the default root.
  static MirrorConfig load(const UserDefaults& d);
  static std::optional<MirrorConfig> decode(const nlohmann::json& j);
  nlohmann::json toJson() const;
  void save(UserDefaults& d) const;
  bool operator==(const MirrorConfig&) const = default;
};

struct MirrorFile {
  std::string rel;   // relative to the contract folder
  std::string path;  // full server path
  long long size = 0;
  long long mtime = 0;
  bool operator==(const MirrorFile&) const = default;
};

struct MirrorManifest {
  struct Proc {
    long long id = 0;
    std::string name;
  };
  bool ok = false;
  Proc proc;
  std::string kind;
  std::string folder;
  long long count = 0;
  long long total = 0;
  std::vector<MirrorFile> files;
};

// Whole reply or nothing, every key required with its JSON type.
std::optional<MirrorManifest> decodeMirrorManifest(const std::string& bytes);

struct MirrorFolder {
  std::string name;
  long long count = 0;
  long long bytes = 0;
  bool operator==(const MirrorFolder&) const = default;
};

enum class MirrorDiffKind { missing, newer, same };
std::string rawValue(MirrorDiffKind k);
std::optional<MirrorDiffKind> mirrorDiffKindFrom(std::string_view raw);

struct MirrorDiff {
  std::string id;  // upper-case UUID, fresh for every record
  MirrorFile file;
  MirrorDiffKind kind = MirrorDiffKind::missing;
  long long localSize = 0;
};

namespace MirrorRules {

inline constexpr const char* kRootFolder = "(根目录)";
inline constexpr const char* kSharedFolder = "00_合同公共材料";
inline constexpr const char* kOldVersions = "_旧版本";
inline constexpr const char* kSnapshot = "_本地镜像.json";

std::string folderKey(std::string_view rel);

// Folders sorted by code points, and the default ticks.
struct FolderDigest {
  std::vector<MirrorFolder> folders;
  std::set<std::string> ticks;
};
FolderDigest buildFolders(const MirrorManifest& m);
long long selectedBytes(const std::vector<MirrorFolder>& folders, const std::set<std::string>& ticks);

// The root a config names (a relative or empty root is the default one).
std::filesystem::path rootOf(const MirrorConfig& c);
// A server file's place under `root`; nothing for a path without a local place or
// one that would leave the root.
std::optional<std::filesystem::path> localPlace(const std::filesystem::path& root, const std::string& serverPath);

// Differences of a manifest against local sizes (`localSize` gives nothing for a
// missing or unreadable file). Files without a local place are skipped.
std::vector<MirrorDiff> computeDiffs(const MirrorManifest& m, const std::filesystem::path& root,
                                     const std::function<std::optional<long long>(const std::filesystem::path&)>& localSize);
std::string checkSummary(const std::vector<MirrorDiff>& diffs, long long manifestCount);


// Upload: the whole JSON object when "ok" reads true (true or 1); otherwise throws
// AppError("Upload", status, …).
nlohmann::json judgeUploadReply(int status, const std::string& body);

// Download reply checks: nothing when fine, else the AppError ("Mirror", …).
std::optional<std::string> downloadRefusal(int status, const std::string& contentType, int* code);
// home + "download_file?path=…&action=download", the path fully percent-encoded.
std::string downloadAddress(const Url& home, const std::string& serverPath);
std::string percentEncodeAll(std::string_view text);

// The old-version name of a file replaced at `stamp` ("yyyyMMdd-HHmmss").
std::string oldVersionName(std::string_view fileName, std::string_view stamp);
// The stamp in an old-version name as a local time, when the name carries one.
std::optional<std::chrono::system_clock::time_point> stampOf(std::string_view name);
// A copy is pruned when the later of its modification time and its stamp lies
// before the cut-off (a fresh backup of an old file is kept).
bool shouldPrune(std::string_view name, std::chrono::system_clock::time_point mtime,
                 std::chrono::system_clock::time_point cutoff);
std::chrono::system_clock::time_point pruneCutoff(std::chrono::system_clock::time_point now, long long days);

std::string snapshotJson(const MirrorManifest& m, std::chrono::system_clock::time_point now);

// Texts of the caching run.
std::string sizeQuestion(const std::string& procName, size_t ticked, size_t folders, size_t files, long long bytes,
                         long long freeBytes);
bool needsSizeQuestion(long long bytes, long long freeBytes);

}  // namespace MirrorRules
}  // namespace quorvel
