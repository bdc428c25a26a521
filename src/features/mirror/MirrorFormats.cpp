#include "base/StrictJson.h"
#include "features/mirror/MirrorFormats.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>

#include "base/AppError.h"
#include "base/ByteCount.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/GLibPtr.h"
#include "core/AppConfig.h"
#include "features/volume/CasePaths.h"
#include "core/NativeRequests.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace {
using nlohmann::json;
using StrictJson::boolean;
using StrictJson::integer;
using StrictJson::text;

std::string upperUuid() {
  return randomUpperUUID();
}
}  // namespace

// ---- settings

MirrorConfig MirrorConfig::defaults() {
  MirrorConfig c;
  c.rootPath = AppConfig::mirrorDir().string();
  return c;
}

std::optional<MirrorConfig> MirrorConfig::decode(const json& j) {
  if (!j.is_object()) return std::nullopt;
  MirrorConfig c;
  if (!boolean(j, "enabled", c.enabled) || !text(j, "rootPath", c.rootPath) ||
      !integer(j, "keepOldDays", c.keepOldDays) || !boolean(j, "autoPruneOld", c.autoPruneOld))
    return std::nullopt;
  // A hand-edited empty or relative root would resolve against the working folder.
  if (!std::filesystem::path(c.rootPath).is_absolute()) c.rootPath = defaults().rootPath;
  return c;
}

MirrorConfig MirrorConfig::load(const UserDefaults& d) {
  auto stored = d.object(kKey);
  if (!stored) return defaults();
  return decode(*stored).value_or(defaults());
}

json MirrorConfig::toJson() const {
  return json{{"enabled", enabled}, {"rootPath", rootPath}, {"keepOldDays", keepOldDays}, {"autoPruneOld", autoPruneOld}};
}
void MirrorConfig::save(UserDefaults& d) const { d.set(kKey, toJson()); }

// ---- manifest

std::optional<MirrorManifest> decodeMirrorManifest(const std::string& bytes) {
  json root = json::parse(bytes, nullptr, false);
  if (!root.is_object()) return std::nullopt;
  MirrorManifest m;
  auto proc = root.find("proc");
  auto files = root.find("files");
  if (!boolean(root, "ok", m.ok) || proc == root.end() || !proc->is_object() || !text(root, "kind", m.kind) ||
      !text(root, "folder", m.folder) || !integer(root, "count", m.count) || !integer(root, "total", m.total) ||
      files == root.end() || !files->is_array())
    return std::nullopt;
  if (!integer(*proc, "id", m.proc.id) || !text(*proc, "name", m.proc.name)) return std::nullopt;
  m.files.reserve(files->size());
  for (const auto& f : *files) {
    MirrorFile file;
    if (!f.is_object() || !text(f, "rel", file.rel) || !text(f, "path", file.path) || !integer(f, "size", file.size) ||
        !integer(f, "mtime", file.mtime))
      return std::nullopt;
    m.files.push_back(std::move(file));
  }
  return m;
}

std::string rawValue(MirrorDiffKind k) {
  switch (k) {
    case MirrorDiffKind::missing: return "缺失";
    case MirrorDiffKind::newer: return "有更新";
    case MirrorDiffKind::same: return "一致";
  }
  return {};
}
std::optional<MirrorDiffKind> mirrorDiffKindFrom(std::string_view raw) {
  for (auto k : {MirrorDiffKind::missing, MirrorDiffKind::newer, MirrorDiffKind::same})
    if (rawValue(k) == raw) return k;
  return std::nullopt;
}

namespace MirrorRules {

std::string folderKey(std::string_view rel) {
  size_t start = rel.find_first_not_of('/');
  if (start == std::string_view::npos) return kRootFolder;
  size_t slash = rel.find('/', start);
  if (slash == std::string_view::npos) return kRootFolder;
  // The second piece is everything after the slash, kept only when it has more than slashes.
  std::string_view rest = rel.substr(slash + 1);
  if (rest.find_first_not_of('/') == std::string_view::npos) return kRootFolder;
  return std::string(rel.substr(start, slash - start));
}

FolderDigest buildFolders(const MirrorManifest& m) {
  std::map<std::string, MirrorFolder> byName;  // std::string compares bytes: UTF-8 keeps code-point order
  for (const auto& f : m.files) {
    auto key = folderKey(f.rel);
    auto& folder = byName[key];
    folder.name = key;
    folder.count += 1;
    folder.bytes += f.size;
  }
  FolderDigest d;
  for (auto& [_, f] : byName) d.folders.push_back(f);
  if (byName.count(kSharedFolder)) {
    d.ticks.insert(kSharedFolder);
    if (byName.count(kRootFolder)) d.ticks.insert(kRootFolder);
  } else if (!d.folders.empty()) {
    const MirrorFolder* smallest = &d.folders.front();
    for (const auto& f : d.folders)
      if (f.bytes < smallest->bytes) smallest = &f;
    d.ticks.insert(smallest->name);
  }
  return d;
}

long long selectedBytes(const std::vector<MirrorFolder>& folders, const std::set<std::string>& ticks) {
  long long sum = 0;
  for (const auto& f : folders)
    if (ticks.count(f.name)) sum += f.bytes;
  return sum;
}

std::filesystem::path rootOf(const MirrorConfig& c) {
  std::filesystem::path p(c.rootPath);
  return p.is_absolute() ? p : AppConfig::mirrorDir();
}

std::optional<std::filesystem::path> localPlace(const std::filesystem::path& root, const std::string& serverPath) {
  // The pieces hold no "/", ".", "..", NUL or backslash, so joining them under the
  // root cannot leave it; plain text joining keeps large comparisons fast.
  auto pieces = CasePaths::tailPieces(serverPath);
  if (!pieces) return std::nullopt;
  std::string out = root.native();
  size_t len = out.size();
  for (const auto& p : *pieces) len += p.size() + 1;
  out.reserve(len);
  for (const auto& p : *pieces) {
    if (out.empty() || out.back() != '/') out += '/';
    out += p;
  }
  return std::filesystem::path(std::move(out));
}

std::vector<MirrorDiff> computeDiffs(
    const MirrorManifest& m, const std::filesystem::path& root,
    const std::function<std::optional<long long>(const std::filesystem::path&)>& localSize) {
  std::vector<MirrorDiff> out;
  for (const auto& f : m.files) {
    auto place = localPlace(root, f.path);
    if (!place) continue;
    auto size = localSize(*place);
    if (size && *size >= 0 && *size == f.size) continue;
    MirrorDiff d;
    d.id = upperUuid();
    d.file = f;
    if (!size || *size < 0) {
      d.kind = MirrorDiffKind::missing;
    } else {
      d.kind = MirrorDiffKind::newer;
      d.localSize = *size;
    }
    out.push_back(std::move(d));
  }
  return out;
}

std::string checkSummary(const std::vector<MirrorDiff>& diffs, long long manifestCount) {
  if (diffs.empty()) return "本地与服务器一致（" + std::to_string(manifestCount) + " 个文件）";
  size_t missing = std::count_if(diffs.begin(), diffs.end(), [](auto& d) { return d.kind == MirrorDiffKind::missing; });
  size_t newer = std::count_if(diffs.begin(), diffs.end(), [](auto& d) { return d.kind == MirrorDiffKind::newer; });
  return "发现 " + std::to_string(diffs.size()) + " 个差异（缺 " + std::to_string(missing) + " / 更新 " +
         std::to_string(newer) + "）";
}

json judgeUploadReply(int status, const std::string& body) {
  json j = json::parse(body, nullptr, false);
  // Never the body itself: the caller logs its head.
  if (j.is_discarded() || !j.is_object())
    throw AppError(errors::kUpload, status,
                   status >= 200 && status <= 299 ? failure::kUnreadableReply : failure::statusSentence(status));
  auto ok = j.find("ok");
  bool accepted = ok != j.end() && ((ok->is_boolean() && ok->get<bool>()) ||
                                    (ok->is_number_integer() && ok->get<long long>() == 1) ||
                                    (ok->is_number_float() && ok->get<double>() == 1.0));
  if (accepted) return j;
  auto err = j.find("error");
  throw AppError(errors::kUpload, status, err != j.end() && err->is_string() ? err->get<std::string>() : "上传被拒绝");
}

std::optional<std::string> downloadRefusal(int status, const std::string& contentType, int* code) {
  if (status != 200) {
    *code = status;
    return failure::statusSentence(status);
  }
  if (toLowerAscii(contentType).find("text/html") != std::string::npos) {
    *code = errors::kMirrorWebPage;
    return "返回了网页而不是文件（可能登录失效）";
  }
  return std::nullopt;
}

std::string percentEncodeAll(std::string_view text) { return percentEncode(std::string(text), "-._~"); }

std::string downloadAddress(const Url& home, const std::string& serverPath) {
  Url u = appendingPathComponent(home, "download_file");
  u.query = "path=" + percentEncodeAll(serverPath) + "&action=download";
  return u.toString();
}

std::string oldVersionName(std::string_view fileName, std::string_view stamp) {
  return CasePaths::backupName(fileName, stamp, 1);
}

std::optional<std::chrono::system_clock::time_point> stampOf(std::string_view name) {
  // stem.yyyyMMdd-HHmmss[-N][.ext]: look for the 15-character stamp after a dot.
  for (size_t pos = name.find('.'); pos != std::string_view::npos; pos = name.find('.', pos + 1)) {
    std::string_view s = name.substr(pos + 1);
    if (s.size() < 15) break;
    bool shape = s[8] == '-';
    for (size_t i = 0; i < 15 && shape; ++i)
      if (i != 8 && !g_ascii_isdigit(s[i])) shape = false;
    if (!shape || (s.size() > 15 && s[15] != '.' && s[15] != '-')) continue;
    std::tm tm{};
    auto num = [&](size_t at, size_t len) { return std::stoi(std::string(s.substr(at, len))); };
    tm.tm_year = num(0, 4) - 1900;
    tm.tm_mon = num(4, 2) - 1;
    tm.tm_mday = num(6, 2);
    tm.tm_hour = num(9, 2);
    tm.tm_min = num(11, 2);
    tm.tm_sec = num(13, 2);
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == -1) return std::nullopt;
    return std::chrono::system_clock::from_time_t(t);
  }
  return std::nullopt;
}

bool shouldPrune(std::string_view name, std::chrono::system_clock::time_point mtime,
                 std::chrono::system_clock::time_point cutoff) {
  auto age = mtime;
  if (auto stamp = stampOf(name)) age = std::max(age, *stamp);
  return age < cutoff;
}

std::chrono::system_clock::time_point pruneCutoff(std::chrono::system_clock::time_point now, long long days) {
  return now - std::chrono::seconds(std::max(days, 1LL) * 86400);
}

std::string snapshotJson(const MirrorManifest& m, std::chrono::system_clock::time_point now) {
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  // nlohmann's object keeps its keys sorted.
  json j{{"contract_id", m.proc.id}, {"name", m.proc.name}, {"count", m.count}, {"total", m.total}, {"synced_at", buf}};
  return j.dump(2);
}

bool needsSizeQuestion(long long bytes, long long freeBytes) {
  return bytes > 2'000'000'000LL || (freeBytes >= 1 && freeBytes / 2 < bytes);
}

std::string sizeQuestion(const std::string& procName, size_t ticked, size_t folders, size_t files, long long bytes,
                         long long freeBytes) {
  return "《" + procName + "》已勾选 " + std::to_string(ticked) + "/" + std::to_string(folders) + " 个目录，" +
         std::to_string(files) + " 个文件，共 " + byteCountText(bytes) + "。\n本地磁盘剩余 " + byteCountText(freeBytes) +
         "。\n\n要继续吗？";
}

}  // namespace MirrorRules
}  // namespace quorvel
