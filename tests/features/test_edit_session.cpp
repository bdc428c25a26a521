// The edit session's state machine with a scripted world: the local copy is a real
// file whose size and time the tests set, the server copy, the upload and the
// answers to the alerts and the comparison window are scripted. Polls are driven by
// hand; the audit file is read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestService.h"
#include "VolumeServices.h"
#include "fakes/FakeWebStore.h"
#include "base/AppError.h"
#include "fakes/SettableClock.h"
#include "base/WorkerPool.h"
#include "core/AuditLog.h"
#include "core/AppConfig.h"
#include "platform/UserDefaults.h"
#include "core/Dialogs.h"
#include "features/editing/ConflictChoice.h"
#include "features/editing/EditSession.h"
#include "features/volume/PreviewCache.h"
#include "features/volume/PreviewPresenter.h"
#include "platform/Desktop.h"
#include "platform/FileOps.h"

using namespace quorvel;
using namespace quorvel::test;
using namespace std::chrono;
namespace fs = std::filesystem;
using nlohmann::json;
using Stat = EditSession::Stat;

namespace {

constexpr const char* kRel = "user_data/FIRM_demo/案件/2026/合同.docx";

class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    std::string title, text;
  };
  std::vector<Shown> shown;
  std::map<std::string, int> answers;  // by title; -1 otherwise

  void alert(const std::string& title, const std::string& text, const std::vector<std::string>&,
             std::function<void(int)> onAnswer) override {
    shown.push_back({title, text});
    int a = answers.count(title) ? answers[title] : -1;
    if (onAnswer) postToMain([onAnswer, a] { onAnswer(a); });
  }
  int count(const std::string& title) const {
    int n = 0;
    for (const auto& s : shown) n += s.title == title;
    return n;
  }
};

class ScriptedConflict : public ConflictPresenter {
 public:
  ConflictChoice choice = ConflictChoice::cancel;
  int opened = 0;
  void open(const std::string&, const fs::path&, Completion completion) override {
    ++opened;
    postToMain([completion, c = choice] { completion(c); });
  }
};

template <class T>
Task<T> ready(T v) {
  co_return v;
}

// Saves in these cases keep the size (8 bytes), so each is asked about at the next poll.
class EditSessionTest : public ::testing::Test {
 protected:
  struct Upload {
    std::string serverPath, bytes;
  };

  TempHome home;
  fs::path mirror = home.root() / "mirror";
  fs::path local = mirror / "案件/2026/合同.docx";
  system_clock::time_point t0 = time_point_cast<seconds>(system_clock::now()) - hours(1);
  std::optional<Stat> server;  // nothing: volume not reachable
  std::string serverBytes = "server version";
  std::optional<std::string> copyError;
  bool haveLocal = true;
  std::vector<Upload> uploads;
  std::optional<std::string> uploadError;
  bool holdUpload = false;
  std::function<void(bool)> releaseUpload;
  int opened = 0, timerStarts = 0;
  std::function<void()> tick;  // the session's poll, as its timer runs it
  ScriptedDialogs dialogs;
  ScriptedConflict conflict;
  LoggingDesktop desktop;
  DesktopPreviewPresenter previews{desktop};
  EditingFiles editing;
  EditingFiles editingNextStart;  // the next process's
  WorkerPool workers{1};
  SettableClock clock;
  AuditLog auditLog{AuditLog::defaultFile(), clock};
  std::unique_ptr<EditSession> session;
  EditSession::Backend backend;

  void SetUp() override {
    save("original", t0);
    server = Stat{8, t0 + seconds(1)};
    EditSession::Backend b;
    b.ensureLocal = [this](std::string) { return ready(haveLocal ? std::optional<fs::path>(local) : std::nullopt); };
    b.stat = [](const fs::path& p) { return PreviewCache::stat(p); };
    b.serverStat = [this](std::string) { return ready(server); };
    b.copyFromServer = [this](std::string, fs::path dest) {
      if (!server) return ready(std::optional<std::string>());
      if (copyError) return ready(std::optional<std::string>(*copyError));
      writeFile(dest, serverBytes);
      return ready(std::optional<std::string>(""));
    };
    b.openInApp = [this](const fs::path&) { ++opened; };
    b.upload = [this](std::string serverPath, fs::path file) { return upload(this, serverPath, file); };
    b.userName = [] { return std::string("王律师"); };
    b.backupRoot = [this] { return mirror; };
    b.startTimer = [this](std::function<void()> poll) {
      ++timerStarts;
      tick = std::move(poll);
    };
    b.stopTimer = [] {};
    backend = b;
    session = std::make_unique<EditSession>(b, dialogs, conflict, previews, editing, workers, auditLog, clock);
  }
  // The sessions kept in `file` from here on: this process starts over with them.
  void keepSessionsIn(const fs::path& file) {
    backend.sessionsFile = file;
    session = std::make_unique<EditSession>(backend, dialogs, conflict, previews, editing, workers, auditLog, clock);
  }
  // The process ends (nothing more is written) and the next one takes the sessions up.
  void restart() {
    session.reset();
    tick = nullptr;
    session = std::make_unique<EditSession>(backend, dialogs, conflict, previews, editingNextStart, workers,
                                            auditLog, clock);
    session->restoreSessions();
  }
  void TearDown() override {
    session.reset();
    workers.drain();
  }

  static Task<json> upload(EditSessionTest* t, std::string serverPath, fs::path file) {
    t->uploads.push_back({serverPath, readAll(file)});
    if (t->holdUpload) {
      CallbackAwaiter<bool> gate([t](CallbackAwaiter<bool>::Resolver r) { t->releaseUpload = r; });
      co_await gate;
    }
    if (t->uploadError) throw AppError("Upload", 500, *t->uploadError);
    co_return json{{"ok", true}, {"replaced", true}, {"size", t->uploads.back().bytes.size()}};
  }

  void save(const std::string& bytes, system_clock::time_point mtime) {
    fs::create_directories(local.parent_path());
    writeFile(local, bytes);
    FileOps::setModificationTime(local, mtime);
  }
  void open() {
    session->openForEdit(kRel);
    ASSERT_TRUE(waitUntil([&] { return session->isEditing(kRel); }, 2000));
  }
  // One poll and the whole flow it starts, answered as scripted.
  void poll() {
    tick();
    ASSERT_TRUE(waitUntil([&] { return !session->busy(); }, 3000));
  }
  std::vector<json> audit() const {
    std::vector<json> out;
    std::ifstream in(AppConfig::dataDir() / "upload-audit.jsonl");
    for (std::string line; std::getline(in, line);) out.push_back(json::parse(line));
    return out;
  }
  std::vector<std::string> actions() const {
    std::vector<std::string> out;
    for (const auto& r : audit())
      if (r["action"] != "open-for-edit") out.push_back(r["action"]);
    return out;
  }
  json last(const std::string& action) const {
    json found;
    for (const auto& r : audit())
      if (r["action"] == action) found = r;
    return found;
  }
  int questions() const { return dialogs.count("本地文件已修改"); }
};

using Actions = std::vector<std::string>;

}  // namespace

TEST_F(EditSessionTest, OpeningTakesTheCopyIntoTheEditingSetAndAReopenKeepsTheSession) {
  haveLocal = false;
  session->openForEdit("user_data/FIRM_demo/案件/2026/没有.docx");
  ASSERT_TRUE(waitUntil([&] { return dialogs.count("没有本地副本") == 1; }, 2000));
  EXPECT_EQ(opened, 0);
  EXPECT_TRUE(audit().empty());
  haveLocal = true;
  open();
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(editing.contains(kRel));
  json rec = last("open-for-edit");
  EXPECT_EQ(rec["local"], local.string());
  EXPECT_EQ(rec["base_size"], 8);

  // Edited, then opened again from the page: the reference stays the state at the start,
  // so the server copy that still matches it is replaced without a conflict.
  save("edited!!", t0 + seconds(30));
  session->openForEdit(kRel);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(timerStarts, 2);
  EXPECT_EQ(audit().size(), 1u);
  dialogs.answers["本地文件已修改"] = 0;
  poll();
  EXPECT_EQ(dialogs.count("服务器上的版本也变了"), 0);
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].bytes, "edited!!");
}

TEST_F(EditSessionTest, PollAsksOncePerSavedStateAndWaitsForTheSizeToHold) {
  open();
  save("original", t0 + milliseconds(900));  // within a second: no change
  poll();
  EXPECT_EQ(questions(), 0);

  save("original", t0 + seconds(10));  // same size, later: asked
  dialogs.answers["本地文件已修改"] = 1;  // 稍后再说
  poll();
  ASSERT_EQ(questions(), 1);
  EXPECT_NE(dialogs.shown[0].text.find("「合同.docx」在本地被改过了"), std::string::npos);
  poll();
  EXPECT_EQ(questions(), 1);  // the same state is not asked again

  save("a longer text", t0 + seconds(20));  // size moved: maybe still being written
  poll();
  EXPECT_EQ(questions(), 1);
  dialogs.answers["本地文件已修改"] = 2;  // 不上传
  poll();                                // size held: asked now
  EXPECT_EQ(questions(), 2);
  poll();
  EXPECT_EQ(questions(), 2);
  EXPECT_EQ(actions(), (Actions{"upload-deferred", "upload-declined"}));
  EXPECT_TRUE(uploads.empty());
}

TEST_F(EditSessionTest, ReplacingUploadKeepsWatchingAndASaveDuringItIsAskedLater) {
  open();
  dialogs.answers["本地文件已修改"] = 0;
  save("edit one", t0 + seconds(10));
  holdUpload = true;
  tick();
  ASSERT_TRUE(waitUntil([&] { return releaseUpload != nullptr; }, 2000));

  // Saved while the upload runs: no second question on top of this flow.
  save("edit two", t0 + seconds(20));
  tick();
  drainMainLoop();
  EXPECT_EQ(questions(), 1);
  // The server now holds our upload with its own time.
  server = Stat{8, t0 + seconds(45)};
  releaseUpload(true);
  ASSERT_TRUE(waitUntil([&] { return !session->busy(); }, 3000));
  EXPECT_EQ(dialogs.shown.back().title, "已替换服务器原文件");
  EXPECT_EQ(dialogs.shown.back().text, std::string("服务器路径：\n") + kRel);
  json ok = last("upload-ok");
  EXPECT_EQ(ok["mode"], "replace");
  EXPECT_EQ(ok["server_replaced"], true);
  EXPECT_EQ(ok["server_size"], 8);

  // No conflict with our own upload.
  holdUpload = false;
  poll();  // the save made during the upload
  EXPECT_EQ(questions(), 2);
  ASSERT_EQ(uploads.size(), 2u);
  EXPECT_EQ(uploads[1].bytes, "edit two");
  EXPECT_EQ(dialogs.count("服务器上的版本也变了"), 0);
  EXPECT_TRUE(session->isEditing(kRel));

  // Someone else changes the server copy afterwards: that is a conflict.
  server = Stat{99, t0 + seconds(300)};
  save("edit 3!!", t0 + seconds(60));
  dialogs.answers["服务器上的版本也变了"] = 2;
  poll();
  EXPECT_EQ(dialogs.count("服务器上的版本也变了"), 1);
  EXPECT_EQ(uploads.size(), 2u);
}

TEST_F(EditSessionTest, ConflictAlertOffersBothCopiesOrCancel) {
  open();
  server = Stat{12, t0 + seconds(3)};  // 3 s off: changed
  dialogs.answers["本地文件已修改"] = 0;
  dialogs.answers["服务器上的版本也变了"] = 2;  // 取消
  save("mine-001", t0 + seconds(10));
  poll();
  ASSERT_EQ(dialogs.count("服务器上的版本也变了"), 1);
  const std::string& text = dialogs.shown.back().text;
  EXPECT_NE(text.find("你编辑时：8 字节  "), std::string::npos);
  EXPECT_NE(text.find("服务器现在：12 字节  "), std::string::npos);
  EXPECT_NE(text.find("你本地现在：8 字节  "), std::string::npos);
  json c = last("conflict");
  EXPECT_EQ(c["server_size"], 12);
  EXPECT_EQ(c["local_size"], 8);
  EXPECT_EQ(c["base_size"], 8);
  EXPECT_TRUE(uploads.empty());

  // 两个都传: a new file named after the user and the time; the session ends.
  std::tm tm{};
  tm.tm_year = 2026 - 1900, tm.tm_mon = 2, tm.tm_mday = 9, tm.tm_hour = 10, tm.tm_min = 15, tm.tm_sec = 7;
  tm.tm_isdst = -1;
  clock.set(system_clock::from_time_t(std::mktime(&tm)));
  dialogs.answers["服务器上的版本也变了"] = 1;
  save("mine-002", t0 + seconds(20));
  poll();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].serverPath, "user_data/FIRM_demo/案件/2026/合同__本地-王律师-20260309-101507.docx");
  EXPECT_EQ(last("upload-ok")["mode"], "keep-both");
  EXPECT_EQ(dialogs.shown.back().title, "已作为新文件上传");
  EXPECT_FALSE(session->isEditing(kRel));
  EXPECT_FALSE(editing.contains(kRel));
  EXPECT_EQ(actions(), (Actions{"upload-check", "conflict", "conflict-cancel", "upload-check", "conflict", "upload-ok"}));
}

TEST_F(EditSessionTest, ComparisonWindowChoices) {
  open();
  server = Stat{14, t0 + seconds(100)};
  dialogs.answers["本地文件已修改"] = 0;
  dialogs.answers["服务器上的版本也变了"] = 0;  // 比对后决定

  conflict.choice = ConflictChoice::cancel;
  save("mine-001", t0 + seconds(10));
  poll();
  conflict.choice = ConflictChoice::useLocal;
  save("mine-002", t0 + seconds(20));
  poll();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].serverPath, kRel);

  // Taking the server version when the copy fails: the edit stays and the user is told.
  server = Stat{14, t0 + seconds(200)};
  conflict.choice = ConflictChoice::useServer;
  copyError = "连接被重置";
  save("mine-003", t0 + seconds(30));
  poll();
  EXPECT_EQ(readAll(local), "mine-003");
  EXPECT_EQ(dialogs.shown.back().title, "还原失败");
  EXPECT_NE(dialogs.shown.back().text.find("连接被重置"), std::string::npos);
  EXPECT_EQ(last("restore-fail")["error"], "连接被重置");
  EXPECT_TRUE(session->isEditing(kRel));
  int leftovers = 0;
  for (const auto& e : fs::directory_iterator(local.parent_path())) leftovers += e.path() != local;
  EXPECT_EQ(leftovers, 0);

  // It works: the edit is kept in "_旧版本", the server's content takes its place.
  copyError.reset();
  save("mine-004", t0 + seconds(40));
  poll();
  EXPECT_EQ(readAll(local), "server version");
  std::vector<std::string> kept;
  for (const auto& e : fs::directory_iterator(mirror / "_旧版本")) kept.push_back(readAll(e.path()));
  EXPECT_EQ(kept, std::vector<std::string>{"mine-004"});
  EXPECT_EQ(dialogs.shown.back().title, "已用服务器版本覆盖本地");
  EXPECT_FALSE(session->isEditing(kRel));
  EXPECT_EQ(conflict.opened, 4);
  EXPECT_EQ(actions(), (Actions{"upload-check", "conflict", "conflict-cancel", "upload-check", "conflict", "upload-ok",
                                "upload-check", "conflict", "restore-fail", "upload-check", "conflict",
                                "restore-server-version"}));
}

TEST_F(EditSessionTest, UnknownServerStateAndFailedUploadsUploadNothingAndKeepTheSession) {
  open();
  server.reset();
  dialogs.answers["本地文件已修改"] = 0;
  dialogs.answers["无法核对服务器版本"] = 1;  // 取消
  save("mine-001", t0 + seconds(10));
  poll();
  EXPECT_EQ(last("upload-check")["server_size"], -1);
  EXPECT_EQ(dialogs.count("无法核对服务器版本"), 1);
  EXPECT_TRUE(uploads.empty());

  dialogs.answers["无法核对服务器版本"] = 0;  // 仍然上传, and it fails
  uploadError = "HTTP 500";
  save("mine-002", t0 + seconds(20));
  poll();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(last("upload-fail")["error"], "HTTP 500");
  EXPECT_EQ(dialogs.shown.back().title, "上传失败");
  EXPECT_EQ(dialogs.shown.back().text, "HTTP 500");
  EXPECT_TRUE(session->isEditing(kRel));
  poll();  // that state was asked about already
  EXPECT_EQ(questions(), 2);
  save("mine-003", t0 + seconds(30));
  poll();
  EXPECT_EQ(questions(), 3);
}

// Killed at the question, the client asks again at its next start; the copy is kept
// from the server's refresh meanwhile, and a server copy changed by someone else leads
// to the comparison, never to a silent replacement.
TEST_F(EditSessionTest, AnEditNotYetUploadedOutlivesARestartAndIsOfferedAgain) {
  const fs::path kept = home.root() / "data" / "edit-sessions.json";
  keepSessionsIn(kept);
  open();
  EXPECT_TRUE(waitUntil([&] { return fs::exists(kept); }, 2000)) << "kept by the records' writer";
  save("edited!!", t0 + seconds(30));
  tick();  // the question is up when the process is killed
  restart();
  EXPECT_TRUE(session->isEditing(kRel));
  EXPECT_TRUE(editingNextStart.contains(kRel)) << "the cache leaves the edited copy alone";
  ASSERT_TRUE(tick) << "watched again";
  dialogs.answers["本地文件已修改"] = 1;  // 稍后再说
  poll();
  EXPECT_EQ(questions(), 2);

  // Again after another restart, now with the server copy changed by someone else.
  restart();
  server = Stat{42, t0 + seconds(600)};
  dialogs.answers["本地文件已修改"] = 0;
  dialogs.answers["服务器上的版本也变了"] = 0;  // 比对后决定
  conflict.choice = ConflictChoice::cancel;
  poll();
  EXPECT_EQ(questions(), 3);
  EXPECT_EQ(dialogs.count("服务器上的版本也变了"), 1);
  EXPECT_EQ(conflict.opened, 1);
  EXPECT_TRUE(uploads.empty());
  EXPECT_EQ(readAll(local), "edited!!");

  // Uploaded at last: the reference is the upload, and a restart has nothing to offer.
  server = Stat{8, t0 + seconds(1)};
  save("edited!?", t0 + seconds(40));
  poll();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].bytes, "edited!?");
  restart();
  EXPECT_FALSE(session->isEditing(kRel));
  session.reset();  // the process ends with its records on disk
  EXPECT_FALSE(fs::exists(kept)) << "no session left to keep";
}

// Records that cannot be written are said once, in an alert on the main loop, and the
// edit goes on; the main loop never waited for the failed write.
TEST_F(EditSessionTest, RecordsThatCannotBeKeptAreSaidOnceAndTheEditGoesOn) {
  writeFile(home.root() / "blocked", "a file where the folder belongs");
  keepSessionsIn(home.root() / "blocked" / "edit-sessions.json");
  open();
  EXPECT_TRUE(waitUntil([&] { return dialogs.count("编辑记录无法保存") == 1; }, 3000));
  EXPECT_TRUE(session->isEditing(kRel));
  save("edited!!", t0 + seconds(30));
  dialogs.answers["本地文件已修改"] = 0;
  poll();
  ASSERT_EQ(uploads.size(), 1u) << "uploaded all the same";
  session.reset();
  EXPECT_EQ(dialogs.count("编辑记录无法保存"), 1) << "said once";
}

// What the next start does not take up: an unchanged copy, a copy that is gone, one
// outside the copies' folder, and a file it cannot read.
TEST_F(EditSessionTest, ARestartLetsGoOfWhatItCannotOrNeedNotWatch) {
  const fs::path kept = home.root() / "data" / "edit-sessions.json";
  keepSessionsIn(kept);
  open();
  restart();  // nothing changed
  EXPECT_FALSE(session->isEditing(kRel));
  EXPECT_FALSE(editingNextStart.contains(kRel));
  session.reset();  // ends with its records on disk; another program writes them next
  EXPECT_FALSE(fs::exists(kept));

  auto sessionFor = [&](const std::string& rel, const fs::path& copy) {
    return json{{"rel", rel}, {"local", copy.string()}, {"base", {{"size", 3}, {"mtime_ms", 0}}}};
  };
  const fs::path outside = home.root() / "elsewhere" / "私人.docx";
  writeFile(outside, "private!");
  writeFile(kept, json{{"version", 1},
                       {"sessions",
                        {sessionFor("user_data/FIRM_demo/案件/2026/没有了.docx", mirror / "案件/2026/没有了.docx"),
                         sessionFor("user_data/FIRM_demo/案件/2026/私人.docx", outside),
                         sessionFor(kRel, local)}}}
                      .dump());
  restart();
  EXPECT_FALSE(session->isEditing("user_data/FIRM_demo/案件/2026/没有了.docx"));
  EXPECT_FALSE(session->isEditing("user_data/FIRM_demo/案件/2026/私人.docx"));
  EXPECT_TRUE(session->isEditing(kRel));
  session.reset();
  auto left = json::parse(readAll(kept));
  ASSERT_EQ(left["sessions"].size(), 1u);
  EXPECT_EQ(left["sessions"][0]["rel"], kRel);

  writeFile(kept, "{not json");
  restart();
  EXPECT_FALSE(session->isEditing(kRel));
}

TEST(EditSessionNames, ConflictCopyNames) {
  std::tm tm{};
  tm.tm_year = 2026 - 1900, tm.tm_mon = 11, tm.tm_mday = 31, tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58;
  tm.tm_isdst = -1;
  auto at = system_clock::from_time_t(std::mktime(&tm));
  EXPECT_EQ(EditSession::suffixed("a/b/合同.docx", "U", at), "a/b/合同__本地-U-20261231-235958.docx");
  EXPECT_EQ(EditSession::suffixed("x.pdf", "", at), "x__本地-未知-20261231-235958.pdf");
  EXPECT_EQ(EditSession::suffixed("dir/README", "李", at), "dir/README__本地-李-20261231-235958");
  EXPECT_EQ(EditSession::suffixed("dir/报告.final.pdf", "李", at), "dir/报告.final__本地-李-20261231-235958.pdf");
}

// The real upload path against the test service, which stores what it receives in the
// case share the volume shows (through a temporary file), as the service does.
TEST(EditSessionUpload, UploadsReachTheCaseShare) {
  TempHome home;
  TestService service;
  service.start();
  fs::path share = home.root() / "share";
  service.setCaseShareDir(share);
  AppConfig::setServerURL(home.defaults(), service.baseUrl() + "/");
  FakeWebStore cookies;
  cookies.stored = {{TestService::kSessionCookie, service.issueSession(), "127.0.0.1", false}};
  VolumeServices world(home.defaults());
  auto workspace = std::make_shared<EditWorkspace>(EditWorkspace{{}, &cookies});
  fs::path file = home.root() / "合同.docx";
  writeFile(file, "first");
  auto mirror = MirrorStore::create(world.mirror(), workspace);
  auto upload = EditSession::Backend::real(world.volume, world.desktop, world.workers, mirror->transfers(), workspace).upload;

  auto created = runToEnd(upload("user_data/FIRM_demo/案件/2026/新合同.docx", file));
  ASSERT_TRUE(created->value) << errorOf(*created).message;
  EXPECT_EQ((*created->value)["replaced"], false);
  EXPECT_EQ(readAll(share / "案件/2026/新合同.docx"), "first");

  writeFile(file, "second!");
  auto replaced = runToEnd(upload("user_data/FIRM_demo/案件/2026/新合同.docx", file));
  ASSERT_TRUE(replaced->value);
  EXPECT_EQ((*replaced->value)["replaced"], true);
  EXPECT_EQ((*replaced->value)["size"], 7);
  EXPECT_EQ(readAll(share / "案件/2026/新合同.docx"), "second!");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(share / "案件/2026")) ++entries;
  EXPECT_EQ(entries, 1);  // no temporary file left behind

  // A path that would leave the share stores nothing and fails.
  auto escaping = runToEnd(upload("user_data/FIRM_demo/../../x.docx", file));
  EXPECT_FALSE(escaping->value);
  service.stop();
}
