#include "features/mirror/MirrorTransfers.h"

#include <gio/gio.h>

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
#include "core/Dialogs.h"
#include "core/NativeRequests.h"
#include "core/WebStore.h"
#include "features/mirror/MirrorActivity.h"
#include "features/mirror/MirrorListing.h"
#include "features/mirror/MirrorLocation.h"
#include "features/mirror/MirrorSelection.h"
#include "features/volume/CaseFileCache.h"
#include "features/volume/CasePaths.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewCache.h"
#include "platform/FileOps.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace fs = std::filesystem;

namespace {

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

MirrorTransfers::MirrorTransfers(const MirrorServices& services, std::shared_ptr<const MirrorWorkspace> workspace,
                                 MirrorListing& listing, MirrorLocation& location, MirrorSelection& selection,
                                 MirrorActivity& activity, MirrorKeepAlive keep)
    : services_(services),
      workspace_(std::move(workspace)),
      listing_(listing),
      location_(location),
      selection_(selection),
      activity_(activity),
      keep_(std::move(keep)) {}

// ---- native requests

Task<std::string> MirrorTransfers::siteCookieHeader() {
  auto self = keep_();
  std::vector<NativeCookie> cookies;
  if (WebStore* store = workspace_ ? workspace_->webStore : nullptr) cookies = co_await store->cookies();
  co_return selectCookieHeader(cookies, AppConfig::homeURL(services_.defaults));
}

bool MirrorTransfers::heldByEditSession(const fs::path& local) const {
  // The editing set names server paths; the mirror and the edit copies share one
  // place when the two roots coincide.
  std::error_code ec;
  fs::path canon = fs::weakly_canonical(local, ec);
  fs::path cacheRoot = fs::weakly_canonical(services_.volume.cache().cacheRoot(), ec);
  fs::path ourRoot = fs::weakly_canonical(location_.root(), ec);
  auto rel = canon.lexically_relative(ourRoot);
  if (rel.empty() || rel.native().rfind("..", 0) == 0) return false;
  if (!services_.volume.cache().editing().contains(rel.generic_string())) return false;
  return fs::weakly_canonical(cacheRoot / rel, ec) == canon;
}

Task<void> MirrorTransfers::download(const std::string& serverPathArg, const fs::path& localArg) {
  auto self = keep_();
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
  fs::path tmp = local.parent_path() / (".tmp-" + randomUpperUUID());
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
    CaseFileCache cache(location_.root(), nullptr, {});
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

Task<void> MirrorTransfers::cacheAll() {
  auto self = keep_();
  auto contract = selection_.selectedContract.get();
  if (!contract || !location_.config->enabled || activity_.refuseSecondTransfer()) co_return;
  MirrorActivity::Running running(activity_, true);
  activity_.fail(std::nullopt);
  location_.ensureRoot();
  std::optional<MirrorManifest> m;
  try {
    m = co_await listing_.manifest(*contract);
  } catch (const AppError&) {
  }
  if (!m) {
    activity_.fail("读取清单失败");
    co_return;
  }
  std::vector<MirrorFile> files;
  for (const auto& f : m->files)
    if (selection_.selectedFolders->count(MirrorRules::folderKey(f.rel))) files.push_back(f);
  if (files.empty()) {
    activity_.say("没有勾选任何子目录");
    co_return;
  }
  long long bytes = 0;
  for (const auto& f : files) bytes += f.size;
  long long freeBytes = MirrorLocation::freeSpace(location_.root());
  if (MirrorRules::needsSizeQuestion(bytes, freeBytes)) {
    std::string title = "这次缓存比较大";
    std::string text = MirrorRules::sizeQuestion(m->proc.name, selection_.selectedFolders->size(), selection_.folders->size(), files.size(),
                                                 bytes, freeBytes);
    std::vector<std::string> buttons{"继续缓存", "取消"};
    Task<int> question = ask(services_.dialogs, title, text, buttons);
    int a = co_await question;
    if (a != 0) {
      activity_.say("已取消（没有下载）");
      co_return;
    }
  }
  auto mode = location_.accessMode();
  if (mode.mounted) {
    std::string title = "卷宗盘已挂载，不需要缓存";
    std::string text = "你已经能直接在文件管理器里访问卷宗盘（" + mode.root.string() +
                       "）。\n缓存只在没网、或要带走卷宗时才有意义。\n\n还是要复制一份到本地镜像目录（" +
                       location_.root().string() + "）吗？";
    std::vector<std::string> buttons{"不用了", "仍要缓存一份"};
    Task<int> question = ask(services_.dialogs, title, text, buttons);
    int a = co_await question;
    if (a != 1) {
      activity_.say("卷宗盘已挂载，直接打开即可");
      co_return;
    }
  }
  activity_.startCount(static_cast<int>(files.size()));
  int failures = 0, downloaded = 0;
  for (const auto& f : files) {
    int n = activity_.countOne();
    activity_.say("下载 " + std::to_string(n) + "/" + std::to_string(files.size()) + "：" + f.rel);
    auto local = location_.localURL(f);
    if (!local) continue;
    if (auto size = MirrorLocation::sizeOf(*local); size && *size == f.size) continue;
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
  activity_.say(failures > 0 ? "完成，" + std::to_string(failures) + " 个失败（可重试）"
                                 : "已缓存 " + std::to_string(files.size()) + " 个文件（" +
                                       byteCountText(bytes) + "）");
  // The marker says when the folder was synced: not when every download failed.
  if (failures > 0 && downloaded == 0) {
    logLine(tags::kMirror, "全部下载失败，未写入同步标记", LogLevel::warning);
    co_return;
  }
  Task<void> marking = writeSnapshot(*m);
  co_await marking;
}

Task<void> MirrorTransfers::downloadDiffs() {
  auto self = keep_();
  auto list = selection_.diffs.get();
  if (list.empty() || activity_.refuseSecondTransfer()) co_return;
  MirrorActivity::Running running(activity_, true);
  activity_.startCount(static_cast<int>(list.size()));
  for (const auto& d : list) {
    int n = activity_.countOne();
    activity_.say("补下 " + std::to_string(n) + "/" + std::to_string(list.size()) + "：" + d.file.rel);
    auto local = location_.localURL(d.file);
    if (!local) continue;
    try {
      co_await download(d.file.path, *local);
    } catch (const AppError& e) {
      logLine(tags::kMirror,
              "下载失败 " + d.file.rel + " : " + e.domain + " " + std::to_string(e.code) + " " + e.message,
              LogLevel::warning);
    }
  }
  co_await selection_.check();
}

Task<void> MirrorTransfers::writeSnapshot(const MirrorManifest& m) {
  auto place = CasePaths::mapUnder(location_.root(), m.folder);
  if (!place) co_return;
  const fs::path file = *place / MirrorRules::kSnapshot;
  std::string bytes = MirrorRules::snapshotJson(m, services_.clock.now());
  // Written and flushed on a worker: the main loop does not wait for the disk.
  auto writing = onWorker(services_.workers, [file, bytes = std::move(bytes)] {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec || !writeFileAtomically(file, bytes))
      logLine(tags::kMirror, "同步标记写入失败：" + file.string(), LogLevel::warning);
  });
  co_await writing;
}

// ---- upload

Task<nlohmann::json> MirrorTransfers::uploadFile(const std::string& serverPathArg, const fs::path& localArg) {
  auto self = keep_();
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
