// The mirror store against the test service: contracts and manifests, folders and
// ticks, differences, downloads into the mirror folder (odd answers, edit sessions,
// old copies), the snapshot, a late manifest, old-version upkeep and the upload.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestService.h"
#include "TestServiceMirror.h"
#include "VolumeServices.h"
#include "base/Log.h"
#include "core/AppConfig.h"
#include "features/volume/CasePaths.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeWebStore.h"
#include "features/mirror/MirrorStore.h"
#include "features/volume/PreviewCache.h"
#include "platform/FileOps.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

void writeNew(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  writeFile(p, bytes);
}

constexpr const char* kFolder7 = "user_data/FIRM_demo/案件/2026";

class MirrorStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.start();
    AppConfig::setServerURL(home.defaults(), service.baseUrl() + "/");
    session = service.issueSession();
    cookies.stored = {{TestService::kSessionCookie, session, "127.0.0.1", false},
                      {"other", "x", "example.org", false}};
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    MirrorConfig c = MirrorConfig::load(home.defaults());
    c.rootPath = AppConfig::mirrorDir().string();  // the edit copies' root as well
    c.save(home.defaults());
    store = makeStore();
  }
  // A store over the settings as they are now.
  std::shared_ptr<MirrorStore> makeStore() {
    return MirrorStore::create(world.mirror(), std::make_shared<MirrorWorkspace>(MirrorWorkspace{{}, &cookies}),
                               [this](const std::string& path) { return read(path); });
  }
  void TearDown() override {
    setLogSink({});
    resetMirrorSwitches(service);
    service.stop();
  }

  // The page's own read, done natively with the session cookie.
  Task<std::string> read(std::string path) {
    if (auto it = delays.find(path); it != delays.end()) co_await sleepFor(it->second);
    http::HttpRequest req;
    req.url = service.url(path);
    req.headers.emplace_back("Cookie", std::string(TestService::kSessionCookie) + "=" + session);
    http::HttpResponse reply = co_await http::send(std::move(req));
    co_return reply.body;
  }

  void selectAndWait(long long id) {
    store->selection().selectContract(id);
    ASSERT_TRUE(waitUntil([&] { return !store->selection().folders->empty() && store->activity().progressText->find("服务器") != std::string::npos; }, 10000));
  }
  fs::path local(const std::string& rel) const { return store->location().root() / "案件" / "2026" / rel; }

  TempHome home;
  TestService service;
  FakeWebStore cookies;
  FakeDialogs dialogs;
  VolumeServices world{home.defaults(), {.dialogs = &dialogs}};
  std::string session;
  std::shared_ptr<MirrorStore> store;
  std::map<std::string, unsigned> delays;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(MirrorStoreTest, ContractsFoldersTicksAndDifferences) {
  runToEnd(store->listing().loadNodes());
  EXPECT_FALSE(store->activity().lastError.get());
  ASSERT_GE(store->listing().contracts->size(), 3u);
  EXPECT_EQ(store->listing().contracts->front().no, "HT-2026-007");
  EXPECT_FALSE(store->listing().clients->empty());

  selectAndWait(7);
  std::vector<std::string> names;
  for (auto& f : store->selection().folders.get()) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"(根目录)", "00_合同公共材料", "01_一审诉状与证据", "02_庭审材料",
                                             "10_结案归档"}));
  EXPECT_EQ(store->selection().selectedFolders.get(), (std::set<std::string>{"(根目录)", "00_合同公共材料"}));
  EXPECT_EQ(store->activity().progressText.get().rfind("张三诉李四民间借贷纠纷：服务器 12 个文件，共 ", 0), 0u);

  // Nothing local yet, and the root is not created by a check.
  runToEnd(store->selection().check());
  EXPECT_EQ(store->selection().diffs->size(), 12u);
  EXPECT_FALSE(fs::exists(store->location().root()));
  EXPECT_EQ(store->activity().progressText.get(), "发现 12 个差异（缺 12 / 更新 0）");

  // A signed-out page: the index fails to decode and the lists stay.
  service.invalidateSessions();
  runToEnd(store->listing().loadNodes());
  ASSERT_TRUE(store->activity().lastError.get());
  EXPECT_EQ(store->activity().lastError.get(), "读取案件列表失败：尚未登录或登录已过期");
  EXPECT_GE(store->listing().contracts->size(), 3u);
}

TEST_F(MirrorStoreTest, CacheAllLandsTheTickedFoldersWithSnapshot) {
  selectAndWait(7);
  store->selection().toggleFolder("01_一审诉状与证据");
  runToEnd(store->transfers().cacheAll());
  EXPECT_EQ(store->activity().progressText.get().rfind("已缓存 10 个文件（", 0), 0u) << store->activity().progressText.get();
  EXPECT_EQ(store->activity().done.get(), 10);
  std::string receipt = "user_data/FIRM_demo/案件/2026/01_一审诉状与证据/证据二 转账凭证+收条.pdf";
  EXPECT_EQ(readAll(local("01_一审诉状与证据/证据二 转账凭证+收条.pdf")), mirrorFileBytes(receipt));
  EXPECT_EQ(readAll(local("起诉状.pdf")), mirrorFileBytes(std::string(kFolder7) + "/起诉状.pdf"));
  EXPECT_FALSE(fs::exists(local("02_庭审材料")));

  // The "+" arrives as "+", the cookies are the service's only.
  bool sawReceipt = false;
  for (auto& r : service.requestsTo("/download_file")) {
    EXPECT_EQ(r.header("cookie"), std::string(TestService::kSessionCookie) + "=" + session);
    EXPECT_EQ(r.header("user-agent"), AppConfig::userAgent());
    if (r.queryValue("path") == receipt) sawReceipt = r.query.find("%2B") != std::string::npos;
  }
  EXPECT_TRUE(sawReceipt);

  auto snap = nlohmann::json::parse(readAll(store->location().root() / "案件" / "2026" / "_本地镜像.json"));
  EXPECT_EQ(snap["contract_id"], 301);
  EXPECT_EQ(snap["count"], 12);

  // A second run fetches nothing.
  service.clearRequests();
  runToEnd(store->transfers().cacheAll());
  EXPECT_TRUE(service.requestsTo("/download_file").empty());
  for (auto& e : fs::recursive_directory_iterator(store->location().root()))
    EXPECT_EQ(e.path().filename().string().rfind(".tmp-", 0), std::string::npos) << e.path();

  // Switched off in the settings: nothing at all.
  MirrorConfig off = store->location().config.get();
  off.enabled = false;
  off.save(home.defaults());
  store = makeStore();
  selectAndWait(7);
  const std::string shown = store->activity().progressText.get();
  service.clearRequests();
  runToEnd(store->transfers().cacheAll());
  EXPECT_EQ(store->activity().progressText.get(), shown);
  EXPECT_TRUE(service.requestsTo("/download_file").empty());
}

TEST_F(MirrorStoreTest, TheSyncMarkerIsWrittenOnlyWhenSomethingSynced) {
  selectAndWait(7);
  const fs::path marker = store->location().root() / "案件" / "2026" / "_本地镜像.json";
  // The downloads go without the session cookie: each one answers the sign-in page.
  cookies.stored = {{"other", "x", "example.org", false}};
  runToEnd(store->transfers().cacheAll());
  EXPECT_EQ(store->activity().progressText.get().rfind("完成，", 0), 0u) << store->activity().progressText.get();
  EXPECT_FALSE(fs::exists(marker)) << "a folder none of whose files arrived is marked as synced";
  EXPECT_EQ(countContaining(logs, "[Quorvel][MIRROR] 全部下载失败，未写入同步标记"), 1);

  // One file failing among others that arrive: the marker is written.
  cookies.stored = {{TestService::kSessionCookie, session, "127.0.0.1", false}};
  setMirrorDownloadOdd(service, std::string(kFolder7) + "/起诉状.pdf", MirrorOdd::notFound);
  runToEnd(store->transfers().cacheAll());
  EXPECT_TRUE(fs::exists(marker));
  EXPECT_EQ(countContaining(logs, "未写入同步标记"), 1);
}

TEST_F(MirrorStoreTest, OneTransferAtATimeAndBusyUntilTheLastOperationEnds) {
  selectAndWait(7);
  runToEnd(store->selection().check());  // differences a fill could start on
  ASSERT_FALSE(store->selection().diffs->empty());
  service.clearRequests();
  setMirrorDownloadDelay(service, 250);
  spawn(store->transfers().cacheAll());
  ASSERT_TRUE(waitUntil([&] { return store->activity().done.get() >= 1; }, 10000));
  // A list reload meanwhile ends first; the cache still runs and the store says so.
  runToEnd(store->listing().loadNodes());
  EXPECT_TRUE(store->activity().busy.get());
  // A second cache or a fill of differences would write the same files beside it.
  auto second = runToEnd(store->transfers().cacheAll(), 1000);
  EXPECT_TRUE(second->done);
  EXPECT_EQ(countContaining(logs, "已有下载在进行"), 1);
  runToEnd(store->transfers().downloadDiffs(), 1000);
  EXPECT_EQ(countContaining(logs, "已有下载在进行"), 2);
  EXPECT_TRUE(store->activity().busy.get());

  ASSERT_TRUE(waitUntil([&] { return !store->activity().busy.get(); }, 20000));
  EXPECT_EQ(store->activity().progressText.get().rfind("已缓存 7 个文件（", 0), 0u) << store->activity().progressText.get();
  EXPECT_EQ(service.requestsTo("/download_file").size(), 7u);
}

TEST_F(MirrorStoreTest, OddAnswersFailTheirFileOnlyAndEditedCopiesStay) {
  selectAndWait(7);
  std::string base = std::string(kFolder7) + "/";
  setMirrorDownloadOdd(service, base + "起诉状.pdf", MirrorOdd::notFound);
  setMirrorDownloadOdd(service, base + "庭审提纲.docx", MirrorOdd::noContent);
  setMirrorDownloadOdd(service, base + "办案笔记.txt", MirrorOdd::webPage);
  // A copy the user edits, and one that is simply out of date.
  writeNew(local("答辩状（第二稿）.docx"), "my edits in progress");
  world.volume.cache().editing().begin(base + "答辩状（第二稿）.docx");
  writeNew(local("财产线索清单.xlsx"), "old list");
  fs::last_write_time(local("财产线索清单.xlsx"), fs::file_time_type::clock::now() - std::chrono::hours(24 * 90));
  writeNew(local("办案笔记.txt"), "local notes");

  runToEnd(store->selection().check());
  ASSERT_EQ(store->selection().diffs->size(), 12u);
  runToEnd(store->transfers().downloadDiffs());
  world.volume.cache().editing().end(base + "答辩状（第二稿）.docx");

  EXPECT_FALSE(fs::exists(local("起诉状.pdf")));
  EXPECT_FALSE(fs::exists(local("庭审提纲.docx")));
  EXPECT_EQ(readAll(local("办案笔记.txt")), "local notes");  // a sign-in page replaces nothing
  EXPECT_EQ(readAll(local("答辩状（第二稿）.docx")), "my edits in progress");
  EXPECT_EQ(readAll(local("财产线索清单.xlsx")), mirrorFileBytes(base + "财产线索清单.xlsx"));
  // The replaced copy went to the old versions under its stamped name.
  int backups = 0;
  for (auto& e : fs::directory_iterator(store->location().root() / "_旧版本")) {
    ++backups;
    EXPECT_EQ(e.path().filename().string().rfind("财产线索清单.", 0), 0u);
    EXPECT_EQ(readAll(e.path()), "old list");
  }
  EXPECT_EQ(backups, 1);
  // The failures stay listed and each left a log line.
  EXPECT_EQ(store->selection().diffs->size(), 4u);
  EXPECT_EQ(store->activity().progressText.get(), "发现 4 个差异（缺 2 / 更新 2）");
  EXPECT_EQ(countContaining(logs, "下载失败"), 4);
  EXPECT_EQ(countContaining(logs, "HTTP 404"), 1);
  EXPECT_EQ(countContaining(logs, "HTTP 204"), 1);
  EXPECT_EQ(countContaining(logs, "返回了网页而不是文件"), 1);
  for (auto& e : fs::recursive_directory_iterator(store->location().root()))
    EXPECT_EQ(e.path().filename().string().rfind(".tmp-", 0), std::string::npos) << e.path();
}

TEST_F(MirrorStoreTest, LateManifestForAnotherContractIsDropped) {
  delays["/api/desktop/manifest_contract/7"] = 400;
  store->selection().selectContract(7);
  store->selection().selectContract(9);
  ASSERT_TRUE(waitUntil([&] { return !store->selection().folders->empty(); }, 5000));
  runMainLoopUntil([] { return false; }, 700);
  std::vector<std::string> names;
  for (auto& f : store->selection().folders.get()) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"01_尽调材料", "02_合同审查"}));
  EXPECT_EQ(store->activity().progressText.get().rfind("青禾数码采购合同审查", 0), 0u);
  EXPECT_EQ(store->selection().selectedContract.get(), 9);
}

TEST_F(MirrorStoreTest, OldVersionsArePrunedByTheLaterOfFileTimeAndStamp) {
  ScopedTimeZone tz("Asia/Shanghai");
  auto now = std::chrono::system_clock::from_time_t(1796783400);  // 2026-12-09 10:30 local
  world.clock.set(now);
  fs::path dir = store->location().root() / "_旧版本";
  auto put = [&](const std::string& name, int daysOld, size_t bytes) {
    writeNew(dir / name, std::string(bytes, 'x'));
    FileOps::setModificationTime(dir / name, now - std::chrono::hours(24 * daysOld));
  };
  put("old-backed-up-today.20261209-101500.pdf", 200, 10);  // an old file replaced today
  put("stale.20261020-090000.pdf", 50, 20);
  put("no-stamp.docx", 40, 30);
  put("recent.20261201-090000.pdf", 8, 40);
  put(".hidden", 400, 1);
  EXPECT_EQ(store->maintenance().oldVersionInfo(), (MirrorStore::Counts{4, 100}));

  store->maintenance().autoPruneIfNeeded();
  EXPECT_TRUE(fs::exists(dir / "old-backed-up-today.20261209-101500.pdf"));
  EXPECT_TRUE(fs::exists(dir / "recent.20261201-090000.pdf"));
  EXPECT_FALSE(fs::exists(dir / "stale.20261020-090000.pdf"));
  EXPECT_FALSE(fs::exists(dir / "no-stamp.docx"));
  auto audit = readAll(AppConfig::dataDir() / "upload-audit.jsonl");
  auto record = nlohmann::json::parse(audit.substr(0, audit.find('\n')));
  EXPECT_EQ(record["action"], "prune-old-versions");
  EXPECT_EQ(record["older_than_days"], 30);
  EXPECT_EQ(record["removed"], 2);
  EXPECT_EQ(record["bytes"], 50);

  // Clearing asks first; "取消" keeps everything.
  dialogs.answer = 1;
  auto kept = runToEnd(store->maintenance().clearOldVersions(true));
  EXPECT_EQ(*kept->value, (MirrorStore::Counts{}));
  EXPECT_EQ(dialogs.shown.back().title, "清空所有旧版本？");
  EXPECT_EQ(dialogs.shown.back().text, "2 个文件，共 50 字节。\n这些是覆盖/回传前的备份，清掉就找不回来了。");
  dialogs.answer = 0;
  auto cleared = runToEnd(store->maintenance().clearOldVersions(true));
  EXPECT_EQ(*cleared->value, (MirrorStore::Counts{2, 50}));
  EXPECT_FALSE(fs::exists(dir));
  size_t asked = dialogs.shown.size();
  runToEnd(store->maintenance().clearOldVersions(true));
  EXPECT_EQ(dialogs.shown.size(), asked);  // nothing left: no question
}

TEST_F(MirrorStoreTest, UploadSendsPathThenFileAndJudgesTheAnswer) {
  fs::path f = home.root() / "答辩状 \"终稿\".docx";
  writeFile(f, std::string("PK\0\r\nbytes", 10));
  std::string serverPath = std::string(kFolder7) + "/答辩状（第二稿）.docx";
  auto out = runToEnd(store->transfers().uploadFile(serverPath, f));
  ASSERT_TRUE(out->value) << errorOf(*out).message;
  EXPECT_EQ((*out->value)["ok"], true);
  EXPECT_EQ((*out->value)["replaced"], true);
  EXPECT_EQ((*out->value)["size"], 10);

  auto reqs = service.requestsTo("/api/desktop/upload");
  ASSERT_EQ(reqs.size(), 1u);
  std::string type = reqs[0].header("content-type");
  std::string boundary = type.substr(type.find("boundary=") + 9);
  EXPECT_EQ(boundary.size(), 47u);
  EXPECT_EQ(boundary.rfind("----Quorvel", 0), 0u);
  std::string expected = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"path\"\r\n\r\n" + serverPath +
                         "\r\n--" + boundary +
                         "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"答辩状 %22终稿%22.docx\"\r\n"
                         "Content-Type: application/octet-stream\r\n\r\n" +
                         std::string("PK\0\r\nbytes", 10) + "\r\n--" + boundary + "--\r\n";
  EXPECT_EQ(reqs[0].body, expected);
  EXPECT_EQ(reqs[0].header("cookie"), std::string(TestService::kSessionCookie) + "=" + session);
  EXPECT_EQ(countContaining(logs, "[UPLOAD] HTTP 200 {"), 1);

  // Signed out: the service's refusal with its status.
  service.invalidateSessions();
  auto refused = runToEnd(store->transfers().uploadFile(serverPath, f));
  EXPECT_EQ(errorOf(*refused).domain, "Upload");
  EXPECT_EQ(errorOf(*refused).code, 401);
  EXPECT_EQ(errorOf(*refused).message, "未登录");
  // A file that cannot be read sends nothing.
  service.clearRequests();
  auto missing = runToEnd(store->transfers().uploadFile(serverPath, home.root() / "nope.pdf"));
  EXPECT_TRUE(missing->exception);
  EXPECT_TRUE(service.requestsTo("/api/desktop/upload").empty());
}

TEST_F(MirrorStoreTest, MountedVolumeOwnershipAndTheVolumeQuestion) {
  fs::path volume = home.root() / "volume";
  fs::create_directories(volume);
  home.defaults().set(CasePaths::kRootOverrideKey, volume.string());
  runToEnd(store->listing().loadNodes());
  ASSERT_TRUE(store->location().accessMode().mounted);

  // The first contract's folder is not on this volume: another account's.
  runToEnd(store->location().verifyMount());
  EXPECT_TRUE(store->location().mountMismatch.get());
  EXPECT_EQ(store->location().mountCheckNote.get(), "卷宗盘里找不到本账号的案件目录 —— 可能挂的是另一个账号");
  fs::create_directories(volume / "案件" / "2026");
  runToEnd(store->location().verifyMount());
  EXPECT_FALSE(store->location().mountMismatch.get());
  EXPECT_EQ(store->location().mountCheckNote.get(), "卷宗盘与当前账号一致");

  store->location().refreshVolume();
  store->location().refreshVolume();
  EXPECT_EQ(store->location().volumeRevision.get(), 2);
  EXPECT_EQ(store->activity().progressText.get(), "卷宗盘已连接：" + volume.string());

  // Caching while mounted asks first; "不用了" downloads nothing.
  selectAndWait(7);
  dialogs.answer = 0;
  runToEnd(store->transfers().cacheAll());
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_EQ(dialogs.shown.back().title, "卷宗盘已挂载，不需要缓存");
  EXPECT_EQ(dialogs.shown.back().buttons, (std::vector<std::string>{"不用了", "仍要缓存一份"}));
  EXPECT_EQ(store->activity().progressText.get(), "卷宗盘已挂载，直接打开即可");
  EXPECT_TRUE(service.requestsTo("/download_file").empty());
  EXPECT_FALSE(store->activity().busy.get());
  home.defaults().remove(CasePaths::kRootOverrideKey);
}

TEST_F(MirrorStoreTest, ALargeSelectionAsksAboutItsSizeBeforeAnythingElse) {
  fs::path volume = home.root() / "volume";
  fs::create_directories(volume);
  home.defaults().set(CasePaths::kRootOverrideKey, volume.string());
  setMirrorManifestReply(service, 7,
                         R"({"ok":true,"proc":{"id":301,"name":"张三诉李四"},"kind":"contract",)"
                         R"("folder":"user_data/FIRM_demo/案件/2026","count":1,"total":3000000000,"files":[)"
                         R"({"rel":"卷宗扫描.zip","path":"user_data/FIRM_demo/案件/2026/卷宗扫描.zip","size":3000000000,"mtime":0}]})");
  selectAndWait(7);
  dialogs.answer = 1;  // "取消"
  runToEnd(store->transfers().cacheAll());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "这次缓存比较大");
  EXPECT_EQ(dialogs.shown[0].text.rfind("《张三诉李四》已勾选 1/1 个目录，1 个文件，共 3 GB。\n本地磁盘剩余 ", 0), 0u)
      << dialogs.shown[0].text;
  EXPECT_EQ(store->activity().progressText.get(), "已取消（没有下载）");
  EXPECT_TRUE(service.requestsTo("/download_file").empty());
  home.defaults().remove(CasePaths::kRootOverrideKey);
}

// A read still under way when its last holder lets the store go: the store stays
// until the chain ends, then goes.
TEST_F(MirrorStoreTest, AChainStillRunningKeepsTheStoreUntilItEnds) {
  delays["/api/desktop/nodes"] = 300;
  spawn(store->listing().loadNodes());
  std::weak_ptr<MirrorStore> weak = store;
  store.reset();
  EXPECT_FALSE(weak.expired());
  ASSERT_TRUE(waitUntil([&] { return weak.expired(); }, 10000));
}

// A store shows its preset until the service is read; the folder the user picks is
// saved and the shown contract read again; a volume note reaches the status line.
TEST_F(MirrorStoreTest, APresetTheChosenRootAndAVolumeNote) {
  MirrorStore::Preset shown;
  shown.contracts = {{5, "HT-示例", 1, 1}};
  shown.selectedContract = 5;
  shown.folders = {{"00_示例", 2, 2000}, {"01_示例", 1, 500}};
  shown.selectedFolders = {"00_示例"};
  shown.diffs = {MirrorDiff{}};
  shown.progressText = "示例状态";
  auto sample = MirrorStore::create(world.mirror(), std::make_shared<MirrorWorkspace>(),
                                    [this](const std::string& path) { return read(path); }, shown);
  EXPECT_EQ(sample->listing().contracts.get(), shown.contracts);
  EXPECT_EQ(sample->selection().selectedContract.get(), 5);
  EXPECT_EQ(sample->selection().selectedFoldersBytes(), 2000);
  EXPECT_EQ(sample->selection().diffs->size(), 1u);
  EXPECT_EQ(sample->activity().progressText.get(), "示例状态");
  sample->selection().selectAllFolders();
  EXPECT_EQ(sample->selection().selectedFoldersBytes(), 2500);

  runToEnd(sample->listing().loadNodes());
  EXPECT_EQ(sample->listing().contracts->front().no, "HT-2026-007");

  sample->selection().selectContract(7);
  ASSERT_TRUE(waitUntil([&] { return sample->selection().folders->size() == 5; }, 10000));
  const fs::path picked = home.root() / "另选的镜像";
  sample->chooseRoot(picked);
  EXPECT_EQ(sample->location().root(), picked);
  EXPECT_EQ(MirrorConfig::load(home.defaults()).rootPath, picked.string());
  EXPECT_TRUE(sample->selection().diffs->empty());
  ASSERT_TRUE(waitUntil([&] { return sample->activity().progressText->find("服务器 12 个文件") != std::string::npos; },
                        10000));
  EXPECT_EQ(sample->selection().selectedContract.get(), 7);

  const int revision = sample->location().volumeRevision.get();
  sample->volumeChanged("已连接卷宗盘：/mnt/x");
  EXPECT_EQ(sample->location().volumeRevision.get(), revision + 1);
  EXPECT_EQ(sample->activity().progressText.get(), "已连接卷宗盘：/mnt/x");
}
