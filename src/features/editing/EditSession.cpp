#include "features/editing/EditSession.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include "base/AppError.h"
#include "base/ByteCount.h"
#include "base/Clock.h"
#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "core/Dialogs.h"
#include "features/mirror/MirrorFormats.h"
#include "features/editing/ConflictChoice.h"
#include "features/mirror/MirrorStore.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewCache.h"
#include "features/volume/PreviewPresenter.h"
#include "platform/Desktop.h"
#include "platform/FileOps.h"
#include "platform/SnapshotWriter.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono;

namespace {
constexpr unsigned kPollMs = 2000;
constexpr unsigned kProgressDelayMs = 350;

std::string formatTime(system_clock::time_point t, const char* format, bool utc) {
  std::time_t secs = system_clock::to_time_t(t);
  std::tm tm{};
  if (utc) {
    gmtime_r(&secs, &tm);
  } else {
    localtime_r(&secs, &tm);
  }
  char buf[48];
  std::strftime(buf, sizeof buf, format, &tm);
  return buf;
}
std::string isoTime(system_clock::time_point t) { return formatTime(t, "%Y-%m-%dT%H:%M:%SZ", true); }

// The poll's own test: equal size and at most one second apart.
bool sameWithinASecond(const FileStat& a, const FileStat& b) {
  auto d = a.mtime > b.mtime ? a.mtime - b.mtime : b.mtime - a.mtime;
  return a.size == b.size && d <= seconds(1);
}

std::string lastComponent(const std::string& rel) {
  auto pos = rel.find_last_of('/');
  return pos == std::string::npos ? rel : rel.substr(pos + 1);
}

Task<ConflictChoice> compare(ConflictPresenter& conflicts, std::string rel, fs::path local) {
  CallbackAwaiter<ConflictChoice> choice([&](CallbackAwaiter<ConflictChoice>::Resolver resolve) {
    conflicts.open(rel, local, [resolve](ConflictChoice c) { resolve(c); });
  });
  ConflictChoice chosen = co_await choice;
  co_return chosen;
}

// A state as the sessions file keeps it: bytes and milliseconds since the epoch.
json statJson(const FileStat& st) {
  return {{"size", st.size}, {"mtime_ms", duration_cast<milliseconds>(st.mtime.time_since_epoch()).count()}};
}

std::optional<FileStat> statFrom(const json& j) {
  if (!j.is_object() || !j.contains("size") || !j.contains("mtime_ms") || !j["size"].is_number_integer() ||
      !j["mtime_ms"].is_number_integer())
    return std::nullopt;
  FileStat st;
  st.size = j["size"].get<std::int64_t>();
  st.mtime = system_clock::time_point(milliseconds(j["mtime_ms"].get<std::int64_t>()));
  return st;
}

bool isInside(const fs::path& file, const fs::path& root) {
  if (root.empty() || !file.is_absolute()) return false;
  auto f = file.lexically_normal(), r = root.lexically_normal();
  auto [rootEnd, fileAt] = std::mismatch(r.begin(), r.end(), f.begin(), f.end());
  return rootEnd == r.end() && fileAt != f.end();
}

std::string newTempName(const fs::path& beside) {
  return ".tmp-" + randomUpperUUID() + "-" + beside.filename().string();
}

Task<std::optional<fs::path>> realEnsureLocal(LocalVolume& volume, WorkerPool& workers, std::string rel) {
  volume.snapshot();  // the copy off the main thread reads what this saw
  PreviewCache& cache = volume.cache();
  auto copying = onWorker(workers, [rel, &cache] { return cache.ensureLocal(rel); });
  std::optional<fs::path> local = co_await copying;
  co_return local;
}

}  // namespace

EditSession::Backend EditSession::Backend::real(LocalVolume& volume, Desktop& desktop, WorkerPool& workers,
                                                MirrorTransfers& mirror,
                                                std::shared_ptr<const EditWorkspace> workspace) {
  Backend b;
  b.ensureLocal = [&volume, &workers](std::string rel) { return realEnsureLocal(volume, workers, std::move(rel)); };
  b.stat = [](const fs::path& p) { return PreviewCache::stat(p); };
  b.serverStat = [&volume](std::string rel) { return volume.cache().freshSourceStat(std::move(rel)); };
  b.copyFromServer = [&volume](std::string rel, fs::path dest) {
    return volume.cache().copyFreshSource(std::move(rel), std::move(dest));
  };
  b.openInApp = [&desktop](const fs::path& p) {
    GCharPtr uri(g_filename_to_uri(p.c_str(), nullptr, nullptr));
    if (!uri || !desktop.openURI(uri.get()))
      logLine(tags::kEdit, "无法用默认应用打开 " + p.string(), LogLevel::warning);
  };
  b.upload = [&mirror](std::string serverPath, fs::path local) {
    return mirror.uploadFile(serverPath, local);
  };
  b.userName = [workspace] {
    auto m = workspace->model.lock();
    return m ? m->account().badges->user : std::string();
  };
  b.backupRoot = [&volume] { return volume.cache().cacheRoot(); };
  auto timer = std::make_shared<SourceId>();
  b.startTimer = [timer](std::function<void()> tick) {
    *timer = SourceId(startRepeatingTimer(kPollMs, [tick] {
      tick();
      return true;
    }));
  };
  b.stopTimer = [timer] { timer->reset(); };
  return b;
}

struct EditSession::Impl : std::enable_shared_from_this<Impl> {
  struct Session {
    std::string rel;
    fs::path localURL;
    Stat base;       // the local state at the start, or as last uploaded
    Stat lastLocal;  // as the poll last saw it
    std::optional<Stat> promptedAt;
    // The server copy as it stood after our own upload: what a later check compares
    // with (its time is the upload's, not the local copy's).
    std::optional<Stat> serverRef;
    bool settling = false;  // a change seen whose size was still moving
  };

  Impl(Backend b, Dialogs& d, ConflictPresenter& c, PreviewPresenter& p, EditingFiles& e, WorkerPool& w, AuditLog& a,
       const Clock& k)
      : backend(std::move(b)), dialogs(d), conflicts(c), previews(p), editing(e), workers(w), audit(a), clock(k) {}

  Backend backend;
  Dialogs& dialogs;
  ConflictPresenter& conflicts;
  PreviewPresenter& previews;
  EditingFiles& editing;
  WorkerPool& workers;
  AuditLog& audit;
  const Clock& clock;
  std::map<std::string, Session> sessions;
  std::set<std::string> opening;
  bool prompting = false;
  bool timerRunning = false;
  bool saveFailureShown = false;

  // The sessions as the next start needs them: what a change is measured against.
  // Handed to the records' own writer, in order: the main loop never waits for the disk.
  void saveSessions() {
    const fs::path& file = backend.sessionsFile;
    if (file.empty()) return;
    if (sessions.empty()) {
      records.remove(file);
      return;
    }
    json list = json::array();
    for (const auto& [rel, s] : sessions) {
      json entry = {{"rel", rel}, {"local", s.localURL.string()}, {"base", statJson(s.base)}};
      if (s.serverRef) entry["server_ref"] = statJson(*s.serverRef);
      list.push_back(std::move(entry));
    }
    records.write(file, json{{"version", 1}, {"sessions", list}}.dump(2));
  }

  // On the records' writer.
  void recordsDone(const fs::path& file, bool removal, bool ok, const std::string& error) {
    if (ok) return;
    if (removal) {
      logLine(tags::kEdit, "编辑记录无法删除：" + file.string() + "（" + error + "）", LogLevel::warning);
      return;
    }
    logLine(tags::kEdit, "编辑记录写入失败：" + file.string(), LogLevel::warning);
    postToMain([weak = weak_from_this(), file] {
      auto self = weak.lock();
      // Said once: a restart would no longer offer these edits for upload.
      if (!self || self->saveFailureShown) return;
      self->saveFailureShown = true;
      self->dialogs.alert("编辑记录无法保存",
                          "正在编辑的文件记录写不进 " + file.string() +
                              "。\n\n墨衡台重启后，尚未上传的本地修改不会再提示上传；本地副本本身不受影响。",
                          {"好"});
    });
  }

  void restore() {
    const fs::path& file = backend.sessionsFile;
    std::error_code ec;
    if (file.empty() || !fs::exists(file, ec)) return;
    std::ifstream in(file, std::ios::binary);
    json saved = json::parse(in, nullptr, false);
    if (!saved.is_object() || !saved.contains("sessions") || !saved["sessions"].is_array()) {
      logLine(tags::kEdit, "编辑记录无法读取，已忽略：" + file.string(), LogLevel::warning);
      return;
    }
    const fs::path root = backend.backupRoot ? backend.backupRoot() : fs::path();
    for (const auto& entry : saved["sessions"]) {
      if (!entry.is_object() || !entry.contains("rel") || !entry["rel"].is_string() || !entry.contains("local") ||
          !entry["local"].is_string())
        continue;
      std::string rel = entry["rel"].get<std::string>();
      fs::path local = entry["local"].get<std::string>();
      auto base = statFrom(entry.value("base", json()));
      if (rel.empty() || !base || sessions.count(rel)) continue;
      // Only a copy among the copies is uploaded for a server path.
      if (!isInside(local, root)) {
        logLine(tags::kEdit, "编辑记录中的副本不在副本目录中，不再继续编辑：" + local.string(), LogLevel::warning);
        continue;
      }
      auto cur = backend.stat(local);
      if (!cur) {
        logLine(tags::kEdit, "本地副本已不在，不再继续编辑：" + rel, LogLevel::warning);
        continue;
      }
      // Nothing changed since the last reference: nothing to offer or to protect.
      if (sameWithinASecond(*cur, *base)) continue;
      Session s;
      s.rel = rel;
      s.localURL = local;
      s.base = *base;
      // Measured from the reference, the poll sees the change and asks about it.
      s.lastLocal = *base;
      if (entry.contains("server_ref")) s.serverRef = statFrom(entry["server_ref"]);
      editing.begin(rel);
      sessions[rel] = s;
      logLine(tags::kEdit, "继续上次未上传的编辑 " + rel);
    }
    if (!sessions.empty()) startWatching();
    saveSessions();
  }

  Session* find(const std::string& rel) {
    auto it = sessions.find(rel);
    return it == sessions.end() ? nullptr : &it->second;
  }

  void startWatching() {
    stopWatching();
    std::weak_ptr<Impl> weak = weak_from_this();
    backend.startTimer([weak] {
      if (auto self = weak.lock()) self->tick();
    });
    timerRunning = true;
  }

  void stopWatching() {
    if (!timerRunning) return;
    timerRunning = false;
    backend.stopTimer();
  }

  void endSession(const std::string& rel) {
    if (!sessions.erase(rel)) return;
    // Another spelling of the same file may still be open: the editing set knows files.
    auto tail = PreviewCache::relTail(rel);
    bool sameFileOpen = false;
    for (const auto& [other, s] : sessions) sameFileOpen = sameFileOpen || PreviewCache::relTail(other) == tail;
    if (!sameFileOpen) editing.end(rel);
    logLine(tags::kEdit, "结束编辑 " + rel);
    saveSessions();
    if (sessions.empty()) stopWatching();
  }

  void tick() {
    if (sessions.empty() || prompting) return;
    for (auto& [rel, s] : sessions) {
      auto cur = backend.stat(s.localURL);
      if (!cur) continue;
      if (!sameWithinASecond(*cur, s.lastLocal)) {
        bool sizeMoved = cur->size != s.lastLocal.size;
        s.lastLocal = *cur;
        // Still being written: asked once the size holds from one poll to the next.
        if (sizeMoved) {
          s.settling = true;
          continue;
        }
      } else if (!s.settling) {
        continue;
      }
      s.settling = false;
      if (s.promptedAt && sameWithinASecond(*s.promptedAt, *cur)) continue;
      s.promptedAt = *cur;
      prompting = true;
      spawn(runFlow(shared_from_this(), rel));
      return;
    }
  }

  static Task<void> runOpen(std::shared_ptr<Impl> self, std::string rel);
  static Task<void> runFlow(std::shared_ptr<Impl> self, std::string rel);
  static Task<void> uploadWithServerCheck(std::shared_ptr<Impl> self, std::string rel);
  static Task<void> askConflict(std::shared_ptr<Impl> self, std::string rel, Stat local, Stat server);
  static Task<void> doUpload(std::shared_ptr<Impl> self, std::string rel, fs::path localURL, Mode mode);
  static Task<void> afterUpload(std::shared_ptr<Impl> self, std::string rel, Mode mode, std::optional<Stat> sent);
  static Task<void> restoreFromServer(std::shared_ptr<Impl> self, std::string rel);

  // Last: it is destroyed first and writes what is still pending while the rest lives.
  SnapshotWriter records{writeFileAtomically,
                         [this](const fs::path& file, bool removal, bool ok, const std::string& error) {
                           recordsDone(file, removal, ok, error);
                         }};
};

Task<void> EditSession::Impl::runOpen(std::shared_ptr<Impl> self, std::string rel) {
  struct Panel {
    SourceId timer;
    std::unique_ptr<PreviewPresenter::Progress> progress;
  };
  auto panel = std::make_shared<Panel>();
  std::weak_ptr<Panel> weakPanel = panel;
  PreviewPresenter& previews = self->previews;
  panel->timer = SourceId(postToMainAfter(kProgressDelayMs, [weakPanel, &previews] {
    if (auto p = weakPanel.lock()) {
      p->timer.forget();
      p->progress = previews.showProgress("正在准备本地副本…");
    }
  }));
  std::optional<fs::path> local;
  try {
    auto copying = self->backend.ensureLocal(rel);
    local = co_await copying;
  } catch (const std::exception& e) {
    logLine(tags::kEdit, "准备本地副本失败 " + rel + "：" + e.what(), LogLevel::warning);
  }
  std::optional<Stat> st;
  if (local) st = self->backend.stat(*local);
  panel.reset();
  self->opening.erase(rel);
  if (!local || !st) {
    logLine(tags::kEdit, "没有本地副本，无法编辑：" + rel, LogLevel::warning);
    self->dialogs.alert("没有本地副本", "先连接卷宗盘，或在「本地卷宗镜像」里缓存这份卷宗。", {"好"});
    co_return;
  }
  self->backend.openInApp(*local);
  self->editing.begin(rel);
  Session s;
  s.rel = rel;
  s.localURL = *local;
  s.base = *st;
  s.lastLocal = *st;
  self->sessions[rel] = s;
  self->saveSessions();
  self->startWatching();
  self->audit.record("open-for-edit", rel,
                  {{"local", local->string()}, {"base_size", st->size}, {"base_mtime", isoTime(st->mtime)}});
  logLine(tags::kEdit, "开始编辑 " + rel);
}

Task<void> EditSession::Impl::runFlow(std::shared_ptr<Impl> self, std::string rel) {
  // No second question while this one and everything it leads to runs.
  struct Clear {
    Impl* impl;
    ~Clear() { impl->prompting = false; }
  } clear{self.get()};
  auto asking = ask(self->dialogs, "本地文件已修改",
                    "「" + lastComponent(rel) + "」在本地被改过了。\n\n" + "要上传到服务器、替换原文件吗？",
                    {"上传替换", "稍后再说", "不上传（保留本地副本）"});
  int answer = co_await asking;
  if (answer == 0) {
    auto checking = uploadWithServerCheck(self, rel);
    co_await checking;
  } else if (answer == 1) {
    self->audit.record("upload-deferred", rel);
  } else {
    if (Session* s = self->find(rel)) s->promptedAt = s->lastLocal;
    self->audit.record("upload-declined", rel);
  }
}

Task<void> EditSession::Impl::uploadWithServerCheck(std::shared_ptr<Impl> self, std::string rel) {
  Session* s = self->find(rel);
  if (!s) co_return;
  auto local = self->backend.stat(s->localURL);
  if (!local) co_return;
  auto reading = self->backend.serverStat(rel);
  std::optional<Stat> server = co_await reading;
  s = self->find(rel);
  if (!s) co_return;
  self->audit.record("upload-check", rel,
                  {{"local_size", local->size}, {"server_size", server ? server->size : -1}, {"base_size", s->base.size}});
  if (!server) {
    auto asking = ask(self->dialogs, "无法核对服务器版本",
                      "卷宗盘没有连接，拿不到服务器上这个文件的大小和修改时间。\n\n直接上传会覆盖服务器上的同名文件，确定吗？",
                      {"仍然上传", "取消"});
    int answer = co_await asking;
    if (answer == 0) {
      s = self->find(rel);
      if (!s) co_return;
      auto uploading = doUpload(self, rel, s->localURL, Mode::replace);
      co_await uploading;
    }
    co_return;
  }
  Stat reference = s->serverRef.value_or(s->base);
  if (server->sameVersion(reference)) {
    auto uploading = doUpload(self, rel, s->localURL, Mode::replace);
    co_await uploading;
  } else {
    auto resolving = askConflict(self, rel, *local, *server);
    co_await resolving;
  }
}

Task<void> EditSession::Impl::askConflict(std::shared_ptr<Impl> self, std::string rel, Stat local, Stat server) {
  Session* s = self->find(rel);
  if (!s) co_return;
  Stat base = s->base;
  fs::path localURL = s->localURL;
  self->audit.record("conflict", rel,
                  {{"local_size", local.size},
                   {"local_mtime", isoTime(local.mtime)},
                   {"server_size", server.size},
                   {"server_mtime", isoTime(server.mtime)},
                   {"base_size", base.size}});
  auto line = [](const Stat& st) {
    return byteCountText(st.size) + "  " + formatTime(st.mtime, "%m-%d %H:%M:%S", false);
  };
  std::string text = "你开始编辑后，服务器上这个文件也被改过。\n\n";
  text += "你编辑时：" + line(base) + "\n";
  text += "服务器现在：" + line(server) + "\n";
  text += "你本地现在：" + line(local) + "\n\n";
  text += "怎么处理？";
  auto asking = ask(self->dialogs, "服务器上的版本也变了", text, {"比对后决定", "两个都传", "取消"});
  int answer = co_await asking;
  if (answer == 0) {
    auto comparing = compare(self->conflicts, rel, localURL);
    ConflictChoice choice = co_await comparing;
    static const char* const names[] = {"用本地版本", "用服务器版本", "两个都留", "取消"};
    logLine(tags::kEdit, std::string("比对结果：") + names[static_cast<int>(choice)] + " " + rel);
    switch (choice) {
      case ConflictChoice::useLocal: {
        auto uploading = doUpload(self, rel, localURL, Mode::replace);
        co_await uploading;
        break;
      }
      case ConflictChoice::useServer: {
        auto restoring = restoreFromServer(self, rel);
        co_await restoring;
        break;
      }
      case ConflictChoice::keepBoth: {
        auto uploading = doUpload(self, rel, localURL, Mode::suffix);
        co_await uploading;
        break;
      }
      case ConflictChoice::cancel:
        self->audit.record("conflict-cancel", rel);
        break;
    }
  } else if (answer == 1) {
    auto uploading = doUpload(self, rel, localURL, Mode::suffix);
    co_await uploading;
  } else {
    self->audit.record("conflict-cancel", rel);
  }
}

Task<void> EditSession::Impl::doUpload(std::shared_ptr<Impl> self, std::string rel, fs::path localURL, Mode mode) {
  std::string serverPath = mode == Mode::suffix ? suffixed(rel, self->backend.userName(), self->clock.now()) : rel;
  // The state of the file as it is read for sending: a save during the upload is
  // newer than this and is asked about at the next poll.
  std::optional<Stat> sent = self->backend.stat(localURL);
  logLine(tags::kEdit, "上传 " + localURL.filename().string() + " → " + serverPath);
  json reply;
  std::optional<std::string> error;
  try {
    auto sending = self->backend.upload(serverPath, localURL);
    reply = co_await sending;
  } catch (...) {
    error = describe(std::current_exception());
  }
  if (error) {
    self->audit.record("upload-fail", serverPath, {{"error", *error}});
    logLine(tags::kEdit, "上传失败 " + serverPath + "：" + *error, LogLevel::warning);
    auto telling = ask(self->dialogs, "上传失败", *error, {"好"});
    co_await telling;
    co_return;
  }
  bool replaced = reply.is_object() && reply.contains("replaced") && reply["replaced"].is_boolean() &&
                  reply["replaced"].get<bool>();
  long long size = reply.is_object() && reply.contains("size") && reply["size"].is_number_integer()
                       ? reply["size"].get<long long>()
                       : -1;
  self->audit.record("upload-ok", serverPath,
                  {{"mode", mode == Mode::replace ? "replace" : "keep-both"},
                   {"server_replaced", replaced},
                   {"server_size", size}});
  auto settling = afterUpload(self, rel, mode, sent);
  co_await settling;
  auto telling = ask(self->dialogs, mode == Mode::replace ? "已替换服务器原文件" : "已作为新文件上传", "服务器路径：\n" + serverPath,
                     {"好"});
  co_await telling;
}

Task<void> EditSession::Impl::afterUpload(std::shared_ptr<Impl> self, std::string rel, Mode mode,
                                          std::optional<Stat> sent) {
  if (mode == Mode::suffix) {
    self->endSession(rel);
    co_return;
  }
  Session* s = self->find(rel);
  auto now = s ? self->backend.stat(s->localURL) : std::nullopt;
  if (!s || !now) {
    self->endSession(rel);
    co_return;
  }
  s->base = sent.value_or(*now);
  s->lastLocal = s->base;
  s->promptedAt.reset();
  s->settling = false;
  s->serverRef.reset();
  self->saveSessions();
  auto reading = self->backend.serverStat(rel);
  std::optional<Stat> server = co_await reading;
  if (Session* again = self->find(rel)) {
    again->serverRef = server;
    self->saveSessions();
  }
}

Task<void> EditSession::Impl::restoreFromServer(std::shared_ptr<Impl> self, std::string rel) {
  auto fail = [&rel, &self](const std::string& reason) {
    self->audit.record("restore-fail", rel, {{"error", reason}});
    logLine(tags::kEdit, "还原失败 " + rel + "：" + reason, LogLevel::warning);
    self->dialogs.alert("还原失败", reason + "\n\n本地副本没有改动。", {"好"});
  };
  Session* s = self->find(rel);
  if (!s) {
    self->audit.record("restore-skip", rel, {{"reason", "no-mount"}});
    co_return;
  }
  fs::path local = s->localURL;
  fs::path temp = local.parent_path() / newTempName(local);
  auto copying = self->backend.copyFromServer(rel, temp);
  std::optional<std::string> copied = co_await copying;
  if (!copied) {
    self->audit.record("restore-skip", rel, {{"reason", "no-mount"}});
    self->dialogs.alert("还原失败", "卷宗盘没有连接，拿不到服务器上的文件。\n\n本地副本没有改动。", {"好"});
    co_return;
  }
  std::error_code ec;
  if (!copied->empty()) {
    fs::remove(temp, ec);
    fail(*copied);
    co_return;
  }
  // The local edit goes to "_旧版本" first; only then does the server copy take its place.
  fs::path backupRoot = self->backend.backupRoot();
  auto replacing = onWorker(self->workers, [local, temp, backupRoot]() -> std::string {
    std::error_code e;
    std::optional<fs::path> backup;
    if (fs::exists(fs::symlink_status(local, e))) {
      backup = CaseFileCache(backupRoot, nullptr, {}).backupOld(local);
      if (!backup) {
        fs::remove(temp, e);
        return "本地副本无法先备份到「" + std::string(CaseFileCache::kOldVersions) + "」";
      }
    }
    if (int err = FileOps::moveNoReplace(temp, local); err != 0) {
      if (backup) FileOps::moveNoReplace(*backup, local);
      fs::remove(temp, e);
      return FileOps::errorText(err);
    }
    return {};
  });
  std::string error = co_await replacing;
  if (!error.empty()) {
    fail(error);
    co_return;
  }
  self->endSession(rel);
  self->audit.record("restore-server-version", rel);
  auto telling = ask(self->dialogs, "已用服务器版本覆盖本地", "本地副本已还原为服务器上的内容。", {"好"});
  co_await telling;
}

EditSession::EditSession(Backend backend, Dialogs& dialogs, ConflictPresenter& conflicts, PreviewPresenter& previews,
                         EditingFiles& editing, WorkerPool& workers, AuditLog& audit, const Clock& clock)
    : impl_(std::make_shared<Impl>(std::move(backend), dialogs, conflicts, previews, editing, workers, audit, clock)) {}

EditSession::~EditSession() {
  impl_->stopWatching();
  // The process ends with the sessions on disk.
  impl_->records.wait();
}

void EditSession::openForEdit(const std::string& rel) {
  if (Impl::Session* s = impl_->find(rel)) {
    // The open session keeps its reference states; the file is only shown again.
    logLine(tags::kEdit, "继续编辑 " + rel);
    impl_->backend.openInApp(s->localURL);
    impl_->startWatching();
    return;
  }
  if (!impl_->opening.insert(rel).second) return;
  spawn(Impl::runOpen(impl_, rel));
}

std::string EditSession::suffixed(const std::string& path, const std::string& user,
                                  std::chrono::system_clock::time_point at) {
  auto slash = path.find_last_of('/');
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  fs::path n = fs::u8path(name);
  std::string ext = n.extension().string();
  if (!ext.empty()) ext.erase(0, 1);
  std::string stem = ext.empty() ? name : n.stem().string();
  std::string result = stem + "__本地-" + (user.empty() ? std::string("未知") : user) + "-" +
                       formatTime(at, "%Y%m%d-%H%M%S", false);
  if (!ext.empty()) result += "." + ext;
  return dir + result;
}

void EditSession::restoreSessions() { impl_->restore(); }

bool EditSession::isEditing(const std::string& rel) const { return impl_->find(rel) != nullptr; }

bool EditSession::busy() const { return impl_->prompting; }

}  // namespace quorvel
