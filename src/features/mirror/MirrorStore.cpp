#include "features/mirror/MirrorStore.h"

#include <gio/gio.h>
#include <sys/statvfs.h>

#include <fstream>

#include "base/AppError.h"
#include "base/Async.h"
#include "base/ByteCount.h"
#include "base/Clock.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "features/mirror/StorageStats.h"
#include "core/AuditLog.h"
#include "core/BadgeCounts.h"
#include "core/BrowserModel.h"
#include "features/volume/CaseFileCache.h"
#include "features/volume/CasePaths.h"
#include "core/Dialogs.h"
#include "core/NativeRequests.h"
#include "core/WebStore.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewCache.h"
#include "platform/Desktop.h"
#include "platform/FileOps.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace fs = std::filesystem;

namespace {

std::optional<long long> sizeOf(const fs::path& p) {
  std::error_code ec;
  auto st = fs::status(p, ec);
  if (ec || !fs::is_regular_file(st)) return std::nullopt;
  auto n = fs::file_size(p, ec);
  if (ec) return std::nullopt;
  return static_cast<long long>(n);
}

std::string upperUuid() {
  return randomUpperUUID();
}

struct Fetched {
  int status = -1;
  std::string contentType;
};

// GETs `url` and streams a 200 answer that is not a web page into `tmp` (a new
// file). The answer is judged before anything is written.
// `session` is a copy: the session stays while the body is read.
Task<Fetched> streamInto(http::DownloadSession session, std::string url,
                         std::vector<std::pair<std::string, std::string>> headers, fs::path tmp) {
  std::optional<http::HttpDownload> reply = co_await session.open(url, std::move(headers));
  if (!reply) throw AppError(errors::kMirror, errors::kMirrorNoAddress, "URL 拼装失败");
  Fetched out;
  out.status = reply->status;
  out.contentType = reply->contentType;
  int code = 0;
  if (MirrorRules::downloadRefusal(out.status, out.contentType, &code)) co_return out;

  GErrorPtr err;
  GObjectPtr<GFile> file = GObjectPtr<GFile>::adopt(g_file_new_for_path(tmp.c_str()));
  GObjectPtr<GFileOutputStream> sink = GObjectPtr<GFileOutputStream>::adopt(
      g_file_create(file.get(), G_FILE_CREATE_NONE, nullptr, err.out()));
  if (!sink) throw toAppError(err.get());
  GOutputStream* o = G_OUTPUT_STREAM(sink.get());
  GInputStream* i = reply->body.get();
  auto splicing = asyncCall<gssize>(
      [o, i](GCancellable* c, GAsyncReadyCallback cb, gpointer d) {
        g_output_stream_splice_async(
            o, i, GOutputStreamSpliceFlags(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE | G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
            G_PRIORITY_DEFAULT, c, cb, d);
      },
      [](GObject* src, GAsyncResult* res, GError** e) {
        return g_output_stream_splice_finish(G_OUTPUT_STREAM(src), res, e);
      });
  gssize written = co_await splicing;
  // A reply that breaks off short of its declared length is no file.
  if (reply->contentLength > 0 && written != reply->contentLength) throw AppError(errors::kMirror, -1, "下载中断");
  co_return out;
}

}  // namespace

// ---- creation and plain state

MirrorStore::MirrorStore(const Services& services) : services_(services) {
  config.set(MirrorConfig::load(services_.defaults));
}

std::shared_ptr<MirrorStore> MirrorStore::create(const Services& services) {
  return std::shared_ptr<MirrorStore>(new MirrorStore(services));
}

// One running operation: `busy` stays up until the last one ends, so a list reload
// during a cache does not drop it.
class MirrorStore::Running {
 public:
  explicit Running(MirrorStore& store, bool transfer = false) : store_(store), transfer_(transfer) {
    if (transfer_) store_.transferring_ = true;
    if (store_.running_++ == 0) store_.busy.set(true);
  }
  ~Running() {
    if (transfer_) store_.transferring_ = false;
    if (--store_.running_ == 0) store_.busy.set(false);
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

 private:
  MirrorStore& store_;
  bool transfer_;
};

bool MirrorStore::refuseSecondTransfer() const {
  if (!transferring_) return false;
  logLine(tags::kMirror, "已有下载在进行，不再开始新的", LogLevel::warning);
  return true;
}

fs::path MirrorStore::root() const { return MirrorRules::rootOf(config.get()); }

MirrorStore::AccessMode MirrorStore::accessMode() const {
  if (auto r = services_.volume.mountedRoot()) return {true, *r};
  return {false, root()};
}

void MirrorStore::ensureRoot() {
  std::error_code ec;
  fs::create_directories(root(), ec);
}

std::optional<OpenFailure> MirrorStore::openRoot() {
  ensureRoot();
  GObjectPtr<GFile> f = GObjectPtr<GFile>::adopt(g_file_new_for_path(accessMode().root.c_str()));
  GCharPtr uri(g_file_get_uri(f.get()));
  return services_.desktop.tryOpen(uri.get());
}

void MirrorStore::chooseRoot(const fs::path& folder) {
  MirrorConfig c = config.get();
  c.rootPath = folder.string();
  config.set(c);
  c.save(services_.defaults);
  selectContract(selectedContract.get());
}

long long MirrorStore::freeSpace(const fs::path& at) {
  std::error_code ec;
  fs::path probe = fs::exists(at, ec) ? at : at.parent_path();
  struct statvfs st {};
  if (probe.empty() || statvfs(probe.c_str(), &st) != 0) return 0;
  return static_cast<long long>(st.f_bavail) * static_cast<long long>(st.f_frsize);
}

std::optional<fs::path> MirrorStore::localURL(const MirrorFile& file) const {
  bool unsafe = false;
  auto place = CasePaths::mapUnder(root(), file.path, &unsafe);
  if (!place && unsafe) logLine(tags::kMirror, "拒绝不安全路径 " + file.path, LogLevel::warning);
  return place;
}

long long MirrorStore::selectedFoldersBytes() const {
  return MirrorRules::selectedBytes(folders.get(), selectedFolders.get());
}

void MirrorStore::toggleFolder(const std::string& name) {
  auto ticks = selectedFolders.get();
  if (!ticks.erase(name)) ticks.insert(name);
  selectedFolders.set(ticks);
}

// ---- reading the service

Task<std::string> MirrorStore::fetch(const std::string& pathArg) {
  const std::string path = pathArg;
  if (fetcher) co_return co_await fetcher(path);
  auto model = browser.lock();
  if (!model) throw AppError(errors::kMirror, errors::kMirrorNoModel, "没有打开的页面（请先登录）");
  // Both reads are listings that grow with the firm (its contracts, a contract's files).
  co_return co_await model->reads().fetchListing(path);
}

Task<void> MirrorStore::loadNodes() {
  auto self = shared_from_this();
  Running running(*this);
  lastError.set(std::nullopt);
  try {
    std::string nodesPath = "/api/desktop/nodes";
    Task<std::string> read = fetch(nodesPath);
    std::string bytes = co_await read;
    auto decoding = decodeOffMain(services_.workers, bytes, decodeMirrorNodes);
    auto nodes = co_await decoding;
    if (!nodes) {
      logLine(tags::kMirror, "nodes 回复无法识别：" + failure::logExcerpt(bytes), LogLevel::warning);
      throw AppError(errors::kMirror, 0, looksLikeLoginPage(bytes) ? failure::kSignedOut : failure::kUnreadableReply);
    }
    contracts.set(nodes->contracts);
    clients.set(nodes->clients);
    logLine(tags::kMirror, "合同 " + std::to_string(nodes->contracts.size()) + " / 客户 " +
                               std::to_string(nodes->clients.size()));
  } catch (const AppError& e) {
    lastError.set("读取案件列表失败：" + e.message);
    logLine(tags::kMirror, "nodes 失败 " + e.domain + " " + std::to_string(e.code) + " " + e.message,
            LogLevel::warning);
  }
}

Task<MirrorManifest> MirrorStore::manifest(long long contract) {
  auto self = shared_from_this();
  std::string path = "/api/desktop/manifest_contract/" + std::to_string(contract);
  Task<std::string> read = fetch(path);
  std::string bytes = co_await read;
  // A contract of thousands of files is megabytes of text: decoded on the pool.
  auto decoding = decodeOffMain(services_.workers, std::move(bytes), decodeMirrorManifest);
  auto m = co_await decoding;
  if (!m) throw AppError(errors::kMirror, 0, "清单格式不对");
  co_return std::move(*m);
}

void MirrorStore::applyDigest(const MirrorManifest& m, MirrorRules::FolderDigest digest) {
  folders.set(digest.folders);
  selectedFolders.set(digest.ticks);
  progressText.set(m.proc.name + "：服务器 " + std::to_string(m.count) + " 个文件，共 " +
                   byteCountText(m.total));
}

void MirrorStore::selectContract(std::optional<long long> id) {
  ++selectionGeneration_;
  selectedContract.set(id);
  diffs.set({});
  if (!id) {
    progressText.set("");
    return;
  }
  spawn(loadSelection(*id, selectionGeneration_));
}

Task<void> MirrorStore::loadSelection(long long id, unsigned generation) {
  auto self = shared_from_this();
  try {
    MirrorManifest m = co_await manifest(id);
    // A late answer for a contract that is no longer shown must not set its ticks.
    if (generation != selectionGeneration_) {
      logLine(tags::kMirror, "丢弃过期清单 " + std::to_string(id));
      co_return;
    }
    // The folders of thousands of files are summed up on the pool.
    auto held = std::make_shared<const MirrorManifest>(std::move(m));
    auto digesting = onWorker(services_.workers, [held] { return MirrorRules::buildFolders(*held); });
    MirrorRules::FolderDigest digest = co_await digesting;
    if (generation != selectionGeneration_) {
      logLine(tags::kMirror, "丢弃过期清单 " + std::to_string(id));
      co_return;
    }
    applyDigest(*held, std::move(digest));
  } catch (const AppError& e) {
    logLine(tags::kMirror, "读取清单失败 " + std::to_string(id) + "：" + e.message, LogLevel::warning);
    if (generation == selectionGeneration_) progressText.set("读取清单失败");
  }
}

Task<void> MirrorStore::check() {
  auto self = shared_from_this();
  auto contract = selectedContract.get();
  if (!contract) co_return;
  Running running(*this);
  lastError.set(std::nullopt);
  try {
    MirrorManifest fetched = co_await manifest(*contract);
    auto m = std::make_shared<const MirrorManifest>(std::move(fetched));
    // One stat per manifest entry: thousands of files (on a network volume) stay off
    // the main thread, and so does the summary; the manifest is handed over, not copied.
    struct Checked {
      std::vector<MirrorDiff> list;
      std::string summary;
    };
    auto comparing = onWorker(services_.workers, [m, dir = root()] {
      Checked c;
      c.list = MirrorRules::computeDiffs(*m, dir, sizeOf);
      c.summary = MirrorRules::checkSummary(c.list, m->count);
      return c;
    });
    Checked checked = co_await comparing;
    diffs.set(std::move(checked.list));
    progressText.set(checked.summary);
  } catch (const AppError& e) {
    lastError.set("检查失败：" + e.message);
    logLine(tags::kMirror, "检查失败：" + e.message, LogLevel::warning);
  }
}

Task<void> MirrorStore::verifyMount() {
  auto self = shared_from_this();
  static const std::string unknown = "无法判断卷宗盘归属（本案没有电子卷宗目录）";
  auto mode = accessMode();
  if (!mode.mounted) {
    mountMismatch.set(false);
    mountCheckNote.set("");
    co_return;
  }
  if (contracts->empty()) {
    mountCheckNote.set(unknown);
    mountMismatch.set(false);
    co_return;
  }
  std::optional<MirrorManifest> m;
  try {
    m = co_await manifest(contracts->front().id);
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

void MirrorStore::refreshVolume() {
  volumeRevision.set(volumeRevision.get() + 1);
  auto mode = accessMode();
  progressText.set(mode.mounted ? "卷宗盘已连接：" + mode.root.string() : "未连接卷宗盘，当前用本地镜像");
}

// ---- native requests

Task<std::string> MirrorStore::siteCookieHeader() {
  auto self = shared_from_this();
  std::vector<NativeCookie> cookies;
  if (webStore) cookies = co_await webStore->cookies();
  co_return selectCookieHeader(cookies, AppConfig::homeURL(services_.defaults));
}

bool MirrorStore::heldByEditSession(const fs::path& local) const {
  // The editing set names server paths; the mirror and the edit copies share one
  // place when the two roots coincide.
  std::error_code ec;
  fs::path canon = fs::weakly_canonical(local, ec);
  fs::path cacheRoot = fs::weakly_canonical(services_.volume.cache().cacheRoot(), ec);
  fs::path ourRoot = fs::weakly_canonical(root(), ec);
  auto rel = canon.lexically_relative(ourRoot);
  if (rel.empty() || rel.native().rfind("..", 0) == 0) return false;
  if (!services_.volume.cache().editing().contains(rel.generic_string())) return false;
  return fs::weakly_canonical(cacheRoot / rel, ec) == canon;
}

Task<void> MirrorStore::download(const std::string& serverPathArg, const fs::path& localArg) {
  auto self = shared_from_this();
  const std::string serverPath = serverPathArg;
  const fs::path local = localArg;
  if (heldByEditSession(local)) {
    logLine(tags::kMirror, "正在编辑，不覆盖 " + local.filename().string());
    throw AppError(errors::kMirror, 0, "文件正在编辑，没有覆盖");
  }
  std::string cookies = co_await siteCookieHeader();
  const Url home = AppConfig::homeURL(services_.defaults);
  if (home.host.empty()) throw AppError(errors::kMirror, errors::kMirrorNoAddress, "URL 拼装失败");
  std::string url = MirrorRules::downloadAddress(home, serverPath);

  std::error_code ec;
  fs::create_directories(local.parent_path(), ec);
  if (ec) throw AppError(errors::kFile, ec.value(), failure::systemErrorText(ec));
  // The temporary file sits beside the destination: the final move is one rename.
  fs::path tmp = local.parent_path() / (".tmp-" + upperUuid());
  std::vector<std::pair<std::string, std::string>> headers{{"Cookie", cookies}, {"User-Agent", AppConfig::userAgent()}};
  Fetched got;
  try {
    Task<Fetched> transfer = streamInto(services_.downloads, url, headers, tmp);
    got = co_await transfer;
  } catch (...) {
    fs::remove(tmp, ec);
    throw;
  }
  int code = 0;
  if (auto refusal = MirrorRules::downloadRefusal(got.status, got.contentType, &code)) {
    fs::remove(tmp, ec);
    throw AppError(errors::kMirror, code, *refusal);
  }
  if (fs::exists(fs::symlink_status(local, ec))) {
    CaseFileCache cache(root(), nullptr, {});
    if (!cache.backupOld(local)) {
      // Nothing the user has is replaced without a backup.
      fs::remove(tmp, ec);
      throw AppError(errors::kMirror, 0, "旧副本无法备份，保留原文件");
    }
  }
  if (int err = FileOps::moveNoReplace(tmp, local); err != 0) {
    fs::remove(tmp, ec);
    throw AppError(errors::kFile, err, FileOps::errorText(err));
  }
}

// ---- caching

Task<void> MirrorStore::cacheAll() {
  auto self = shared_from_this();
  auto contract = selectedContract.get();
  if (!contract || !config->enabled || refuseSecondTransfer()) co_return;
  Running running(*this, true);
  lastError.set(std::nullopt);
  ensureRoot();
  std::optional<MirrorManifest> m;
  try {
    m = co_await manifest(*contract);
  } catch (const AppError&) {
  }
  if (!m) {
    lastError.set("读取清单失败");
    co_return;
  }
  std::vector<MirrorFile> files;
  for (const auto& f : m->files)
    if (selectedFolders->count(folderKey(f.rel))) files.push_back(f);
  if (files.empty()) {
    progressText.set("没有勾选任何子目录");
    co_return;
  }
  long long bytes = 0;
  for (const auto& f : files) bytes += f.size;
  long long freeBytes = freeSpace(root());
  if (MirrorRules::needsSizeQuestion(bytes, freeBytes)) {
    std::string title = "这次缓存比较大";
    std::string text = MirrorRules::sizeQuestion(m->proc.name, selectedFolders->size(), folders->size(), files.size(),
                                                 bytes, freeBytes);
    std::vector<std::string> buttons{"继续缓存", "取消"};
    Task<int> question = ask(services_.dialogs, title, text, buttons);
    int a = co_await question;
    if (a != 0) {
      progressText.set("已取消（没有下载）");
      co_return;
    }
  }
  auto mode = accessMode();
  if (mode.mounted) {
    std::string title = "卷宗盘已挂载，不需要缓存";
    std::string text = "你已经能直接在文件管理器里访问卷宗盘（" + mode.root.string() +
                       "）。\n缓存只在没网、或要带走卷宗时才有意义。\n\n还是要复制一份到本地镜像目录（" +
                       root().string() + "）吗？";
    std::vector<std::string> buttons{"不用了", "仍要缓存一份"};
    Task<int> question = ask(services_.dialogs, title, text, buttons);
    int a = co_await question;
    if (a != 1) {
      progressText.set("卷宗盘已挂载，直接打开即可");
      co_return;
    }
  }
  total.set(static_cast<int>(files.size()));
  done.set(0);
  int failures = 0, downloaded = 0;
  for (const auto& f : files) {
    done.set(done.get() + 1);
    progressText.set("下载 " + std::to_string(done.get()) + "/" + std::to_string(total.get()) + "：" + f.rel);
    auto local = localURL(f);
    if (!local) continue;
    if (auto size = sizeOf(*local); size && *size == f.size) continue;
    if (heldByEditSession(*local)) {
      logLine(tags::kMirror, "正在编辑，跳过 " + f.rel);
      continue;
    }
    try {
      co_await download(f.path, *local);
      ++downloaded;
    } catch (const AppError& e) {
      ++failures;
      logLine(tags::kMirror, "下载失败 " + f.rel + " : " + e.domain + " " + std::to_string(e.code) + " " + e.message,
              LogLevel::warning);
    }
  }
  progressText.set(failures > 0 ? "完成，" + std::to_string(failures) + " 个失败（可重试）"
                                 : "已缓存 " + std::to_string(files.size()) + " 个文件（" +
                                       byteCountText(bytes) + "）");
  // The marker says when the folder was synced: not when every download failed.
  if (failures > 0 && downloaded == 0) {
    logLine(tags::kMirror, "全部下载失败，未写入同步标记", LogLevel::warning);
    co_return;
  }
  writeSnapshot(*m);
}

Task<void> MirrorStore::downloadDiffs() {
  auto self = shared_from_this();
  auto list = diffs.get();
  if (list.empty() || refuseSecondTransfer()) co_return;
  Running running(*this, true);
  total.set(static_cast<int>(list.size()));
  done.set(0);
  for (const auto& d : list) {
    done.set(done.get() + 1);
    progressText.set("补下 " + std::to_string(done.get()) + "/" + std::to_string(total.get()) + "：" + d.file.rel);
    auto local = localURL(d.file);
    if (!local) continue;
    try {
      co_await download(d.file.path, *local);
    } catch (const AppError& e) {
      logLine(tags::kMirror,
              "下载失败 " + d.file.rel + " : " + e.domain + " " + std::to_string(e.code) + " " + e.message,
              LogLevel::warning);
    }
  }
  co_await check();
}

void MirrorStore::writeSnapshot(const MirrorManifest& m) {
  auto place = CasePaths::mapUnder(root(), m.folder);
  if (!place) return;
  std::error_code ec;
  fs::create_directories(*place, ec);
  if (ec) return;
  writeFileAtomically(*place / MirrorRules::kSnapshot, MirrorRules::snapshotJson(m, services_.clock.now()));
}

// ---- old versions

MirrorStore::Counts MirrorStore::oldVersionInfo() const {
  DirectorySize size = directorySize(root() / MirrorRules::kOldVersions);
  return {size.files, size.bytes};
}

MirrorStore::Counts MirrorStore::pruneOldVersions(long long olderThanDays) {
  Counts removed;
  auto cutoff = MirrorRules::pruneCutoff(services_.clock.now(), olderThanDays);
  std::error_code ec;
  fs::path dir = root() / MirrorRules::kOldVersions;
  fs::recursive_directory_iterator it(dir, ec), end;
  if (ec) return {};
  std::vector<std::pair<fs::path, long long>> doomed;
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    auto name = it->path().filename().string();
    if (!name.empty() && name[0] == '.') {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    std::error_code e2;
    if (it->is_directory(e2) || e2) continue;
    auto st = statRegularFile(it->path());
    if (!st) continue;
    if (!MirrorRules::shouldPrune(name, st->mtime, cutoff)) continue;
    doomed.emplace_back(it->path(), st->size);
  }
  for (auto& [p, size] : doomed) {
    if (fs::remove(p, ec)) {
      removed.count += 1;
      removed.bytes += size;
    }
  }
  services_.audit.record("prune-old-versions", MirrorRules::kOldVersions,
                  {{"older_than_days", olderThanDays}, {"removed", removed.count}, {"bytes", removed.bytes}});
  return removed;
}

Task<MirrorStore::Counts> MirrorStore::clearOldVersions(bool confirm) {
  auto self = shared_from_this();
  Counts info = oldVersionInfo();
  if (info.count < 1) co_return Counts{};
  if (confirm) {
    std::string title = "清空所有旧版本？";
    std::string text = std::to_string(info.count) + " 个文件，共 " + byteCountText(info.bytes) +
                       "。\n这些是覆盖/回传前的备份，清掉就找不回来了。";
    std::vector<std::string> buttons{"清空", "取消"};
    Task<int> question = ask(services_.dialogs, title, text, buttons);
    int a = co_await question;
    if (a != 0) co_return Counts{};
  }
  std::error_code ec;
  fs::remove_all(root() / MirrorRules::kOldVersions, ec);
  services_.audit.record("clear-old-versions", MirrorRules::kOldVersions, {{"removed", info.count}, {"bytes", info.bytes}});
  co_return info;
}

void MirrorStore::autoPruneIfNeeded() {
  if (config->autoPruneOld && config->enabled && oldVersionInfo().count >= 1) pruneOldVersions(config->keepOldDays);
}

// ---- upload

Task<nlohmann::json> MirrorStore::uploadFile(const std::string& serverPathArg, const fs::path& localArg) {
  auto self = shared_from_this();
  const std::string serverPath = serverPathArg;
  const fs::path local = localArg;
  // The file is opened and measured now (a read error ends the call before
  // anything is sent) and streamed while the request goes out.
  MultipartBody body(makeBoundary("----Quorvel"));
  body.addField("path", serverPath);
  body.addFile("file", local);
  body.finish();
  std::string cookies = co_await siteCookieHeader();

  http::HttpRequest req;
  req.method = "POST";
  req.url = appendingPathComponent(AppConfig::homeURL(services_.defaults), "api/desktop/upload").toString();
  req.timeoutSeconds = kTransferTimeoutSeconds;
  req.maxBodyBytes = http::kMaxJsonReplyBytes;
  req.headers.emplace_back("Content-Type", body.contentType());
  req.headers.emplace_back("Cookie", cookies);
  req.headers.emplace_back("User-Agent", AppConfig::userAgent());
  req.bodyStream = http::adoptStream(body.openStream());
  req.bodyLength = static_cast<std::int64_t>(body.length());
  http::HttpResponse reply = co_await http::send(std::move(req));
  std::string text = utf8OrEmpty(reply.body);
  logLine(tags::kUpload, "HTTP " + std::to_string(reply.status) + " " + prefixCharacters(text, 200));
  co_return MirrorRules::judgeUploadReply(reply.status, reply.body);
}

}  // namespace quorvel
