#pragma once
// Local copies of single case files in the mirror folder, at the place the mapping
// rule gives; the copies they replace go to "_旧版本". A file open in an edit
// session is never overwritten.
#include <filesystem>
#include <optional>
#include <string>

#include "base/Task.h"
#include "features/volume/CaseFileCache.h"

namespace quorvel::PreviewCache {

using Stat = FileStat;

// Replaces the mirror folder as the root of copies and of "_旧版本" (self-check).
void setRootOverride(std::optional<std::filesystem::path> root);
std::optional<std::filesystem::path> rootOverride();
std::filesystem::path cacheRoot();

std::optional<std::string> relTail(const std::string& rel);
std::optional<std::filesystem::path> cacheURL(const std::string& rel);
// Where the server copy is read: a path on the mounted volume, or the share's
// address when GVfs gives no local path. Nothing without a volume.
std::optional<std::string> sourceURL(const std::string& rel);
std::optional<Stat> stat(const std::filesystem::path& file);
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

// The editing set, keyed by the normalised tail (any spelling of a path is one file).
void beginEditing(const std::string& rel);
void endEditing(const std::string& rel);
bool isEditing(const std::string& rel);

}  // namespace quorvel::PreviewCache
