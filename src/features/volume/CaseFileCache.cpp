#include "features/volume/CaseFileCache.h"
#include "base/FailureText.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <thread>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "features/volume/CasePaths.h"
#include "platform/FileOps.h"

namespace quorvel {
namespace fs = std::filesystem;
using namespace std::chrono;

bool FileStat::sameVersion(const FileStat& o) const {
  if (size != o.size) return false;
  auto d = mtime > o.mtime ? mtime - o.mtime : o.mtime - mtime;
  return d <= milliseconds(2000);
}

namespace {
system_clock::time_point fromTimespec(const struct timespec& ts) {
  return system_clock::time_point(duration_cast<system_clock::duration>(seconds(ts.tv_sec) + nanoseconds(ts.tv_nsec)));
}

// stat() that waits out the EIO a fresh FUSE mount answers for a moment.
int statRetrying(const fs::path& p, struct stat* st, unsigned retryMs) {
  auto deadline = steady_clock::now() + milliseconds(retryMs);
  for (;;) {
    if (::stat(p.c_str(), st) == 0) return 0;
    int err = errno;
    if (err != EIO || steady_clock::now() >= deadline) return err;
    std::this_thread::sleep_for(milliseconds(250));
  }
}

std::string upperUUID() {
  return randomUpperUUID();
}

std::string nameOf(const fs::path& p) { return p.filename().string(); }
}  // namespace

std::optional<FileStat> statRegularFile(const fs::path& p) {
  struct stat st;
  if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileStat{static_cast<std::int64_t>(st.st_size), fromTimespec(st.st_mtim)};
}

FolderSource::FolderSource(fs::path root, unsigned eioRetryMs) : root_(std::move(root)), eioRetryMs_(eioRetryMs) {}

fs::path FolderSource::pathOf(const std::vector<std::string>& tail) const {
  fs::path p = root_;
  for (const auto& piece : tail) p /= piece;
  return p;
}

std::string FolderSource::locate(const std::vector<std::string>& tail) const { return pathOf(tail).string(); }

std::optional<FileStat> FolderSource::statRegular(const std::vector<std::string>& tail) {
  struct stat st;
  if (statRetrying(pathOf(tail), &st, eioRetryMs_) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileStat{static_cast<std::int64_t>(st.st_size), fromTimespec(st.st_mtim)};
}

std::string FolderSource::copyTo(const std::vector<std::string>& tail, const fs::path& dest) {
  auto deadline = steady_clock::now() + milliseconds(eioRetryMs_);
  for (;;) {
    int err = FileOps::copyNewFile(pathOf(tail), dest);
    if (err == 0) return {};
    if (err != EIO || steady_clock::now() >= deadline) return FileOps::errorText(err);
    std::this_thread::sleep_for(milliseconds(250));
  }
}

GioSource::GioSource(std::string rootURI) : root_(std::move(rootURI)) {
  while (!root_.empty() && root_.back() == '/') root_.pop_back();
}

std::string GioSource::locate(const std::vector<std::string>& tail) const {
  std::string uri = root_;
  for (const auto& piece : tail) {
    GCharPtr esc(g_uri_escape_string(piece.c_str(), nullptr, TRUE));
    uri += "/" + std::string(esc.get());
  }
  return uri;
}

std::optional<FileStat> GioSource::statRegular(const std::vector<std::string>& tail) {
  GFile* f = g_file_new_for_uri(locate(tail).c_str());
  GFileInfo* info = g_file_query_info(f, G_FILE_ATTRIBUTE_STANDARD_TYPE "," G_FILE_ATTRIBUTE_STANDARD_SIZE
                                      "," G_FILE_ATTRIBUTE_TIME_MODIFIED "," G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC,
                                      G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
  g_object_unref(f);
  if (!info) return std::nullopt;
  std::optional<FileStat> out;
  if (g_file_info_get_file_type(info) == G_FILE_TYPE_REGULAR &&
      g_file_info_has_attribute(info, G_FILE_ATTRIBUTE_TIME_MODIFIED)) {
    guint64 secs = g_file_info_get_attribute_uint64(info, G_FILE_ATTRIBUTE_TIME_MODIFIED);
    guint32 usec = g_file_info_get_attribute_uint32(info, G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC);
    out = FileStat{g_file_info_get_size(info),
                   system_clock::time_point(duration_cast<system_clock::duration>(seconds(secs) + microseconds(usec)))};
  }
  g_object_unref(info);
  return out;
}

std::string GioSource::copyTo(const std::vector<std::string>& tail, const fs::path& dest) {
  auto st = statRegular(tail);
  if (!st) return "服务器上没有这个文件";
  GFile* src = g_file_new_for_uri(locate(tail).c_str());
  GFile* dst = g_file_new_for_path(dest.c_str());
  GErrorPtr err;
  gboolean ok = g_file_copy(src, dst, G_FILE_COPY_NONE, nullptr, nullptr, nullptr, err.out());
  g_object_unref(src);
  g_object_unref(dst);
  if (!ok) {
    std::error_code ec;
    fs::remove(dest, ec);
    return err.message();
  }
  FileOps::setModificationTime(dest, st->mtime);
  return {};
}

CaseFileCache::CaseFileCache(fs::path root, CaseSource* source, EditingTest isEditing, Stamp stamp)
    : root_(std::move(root)), source_(source), isEditing_(std::move(isEditing)), stamp_(std::move(stamp)) {
  if (!stamp_) stamp_ = &CaseFileCache::localStamp;
}

std::string CaseFileCache::localStamp() { return FileOps::localStamp(); }

std::optional<fs::path> CaseFileCache::cachePath(const std::string& serverPath) const {
  bool unsafe = false;
  auto p = CasePaths::mapUnder(root_, serverPath, &unsafe);
  if (unsafe) logLine(tags::kPreview, "拒绝不安全路径 " + serverPath, LogLevel::warning);
  return p;
}

std::optional<fs::path> CaseFileCache::backupOld(const fs::path& file) {
  fs::path dir = root_ / kOldVersions;
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::string stamp = stamp_();
  std::string name = nameOf(file);
  int err = 0;
  // Two files of one name replaced in the same second each keep their old copy.
  for (int attempt = 1; attempt <= 100; ++attempt) {
    fs::path target = dir / CasePaths::backupName(name, stamp, attempt);
    err = FileOps::moveNoReplace(file, target);
    if (err == 0) return target;
    if (err != EEXIST) break;
  }
  logLine(tags::kPreview, "备份旧副本失败 " + name + "：" + FileOps::errorText(err), LogLevel::warning);
  return std::nullopt;
}

std::optional<fs::path> CaseFileCache::ensureLocal(const std::string& serverPath) {
  auto C = cachePath(serverPath);
  if (!C) return std::nullopt;
  auto tail = CasePaths::tailPieces(serverPath);
  std::string key = *CasePaths::relTail(serverPath);
  bool editing = isEditing_ && isEditing_(key);
  auto local = statRegularFile(*C);
  if (editing && local) {
    logLine(tags::kPreview, "正在编辑，跳过同步：" + nameOf(*C));
    return C;
  }
  std::optional<FileStat> remote = source_ ? source_->statRegular(*tail) : std::nullopt;
  if (local && remote && local->sameVersion(*remote)) {
    logLine(tags::kPreview, "命中缓存 " + nameOf(*C));
    return C;
  }
  if (!remote) {
    if (local) {
      logLine(tags::kPreview, "未挂载，用已有缓存 " + nameOf(*C));
      return C;
    }
    return std::nullopt;
  }

  auto fail = [&](const std::string& why, const std::optional<fs::path>& tmp) -> std::optional<fs::path> {
    logLine(tags::kPreview, "缓存失败 " + why, LogLevel::warning);
    if (tmp) {
      std::error_code ec;
      fs::remove(*tmp, ec);
    }
    if (local) return C;
    return std::nullopt;
  };

  std::error_code ec;
  fs::create_directories(C->parent_path(), ec);
  if (ec) return fail(failure::systemErrorText(ec), std::nullopt);
  if (local)
    logLine(tags::kPreview, "版本变了，替换：" + nameOf(*C) + "（" + std::to_string(local->size) + " → " +
                                std::to_string(remote->size) + " 字节）");
  else
    logLine(tags::kPreview, "首次缓存：" + nameOf(*C));

  // The new copy first, beside its place; the old one is touched only after that.
  fs::path T = C->parent_path() / (".tmp-" + upperUUID() + "-" + nameOf(*C));
  fs::remove(T, ec);
  if (std::string err = source_->copyTo(*tail, T); !err.empty()) return fail(err, T);
  FileOps::setModificationTime(T, remote->mtime);

  std::optional<fs::path> backup;
  if (fs::exists(fs::symlink_status(*C, ec))) {
    backup = backupOld(*C);
    if (!backup) return fail("旧副本无法备份，保留原文件", T);
  }
  if (int err = FileOps::moveNoReplace(T, *C); err != 0) {
    // Put the old copy back where the user expects it.
    if (backup) FileOps::moveNoReplace(*backup, *C);
    return fail(FileOps::errorText(err), T);
  }
  return C;
}

std::optional<fs::path> CaseFileCache::prepareDestination(const std::string& serverPath) {
  auto C = cachePath(serverPath);
  if (!C) return std::nullopt;
  std::error_code ec;
  fs::create_directories(C->parent_path(), ec);
  if (!fs::exists(fs::symlink_status(*C, ec))) return C;
  // A copy open in an edit session is no download's target: a refused or broken
  // download removes what stands at its destination.
  if (isEditing_ && isEditing_(*CasePaths::relTail(serverPath))) {
    logLine(tags::kPreview, "正在编辑，下载不放到原处：" + nameOf(*C));
    return std::nullopt;
  }
  if (!backupOld(*C)) return std::nullopt;
  return C;
}

}  // namespace quorvel
