// The mirror sheet over a store that reads the test service: contracts, the first
// one chosen, folders with ticks, the search, differences, and a PNG of the sheet; in
// its tool window, the same sheet and the same running cache after a reopen, and work
// that ends after the window is gone.
#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <filesystem>

#include "AccessibleName.h"
#include "ScaleData.h"
#include "TestEnv.h"
#include "base/ByteCount.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestHelpers.h"
#include "VolumeServices.h"
#include "TestService.h"
#include "TestServiceMirror.h"
#include "core/AppConfig.h"
#include "platform/UserDefaults.h"
#include "fakes/FakeWebPage.h"
#include "fakes/FakeWebStore.h"
#include "platform/Http.h"
#include "ui/components/WidgetRender.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/main/ContentView.h"
#include "ui/mirror/MirrorSheet.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

// Every label text below a widget, in order.
void collect(Gtk::Widget& w, std::vector<std::string>& out) {
  if (auto* l = dynamic_cast<Gtk::Label*>(&w)) out.push_back(l->get_text());
  for (auto* c = w.get_first_child(); c; c = c->get_next_sibling()) collect(*c, out);
}
bool shows(Gtk::Widget& w, const std::string& text) {
  std::vector<std::string> all;
  collect(w, all);
  return std::find(all.begin(), all.end(), text) != all.end();
}

// The first button below `w` that shows `text`.
Gtk::Button* buttonShowing(Gtk::Widget& w, const std::string& text) {
  if (auto* b = dynamic_cast<Gtk::Button*>(&w)) {
    std::vector<std::string> all;
    collect(*b, all);
    if (std::find(all.begin(), all.end(), text) != all.end()) return b;
  }
  for (auto* c = w.get_first_child(); c; c = c->get_next_sibling())
    if (auto* hit = buttonShowing(*c, text)) return hit;
  return nullptr;
}

class MirrorSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.start();
    AppConfig::setServerURL(home.defaults(), service.baseUrl() + "/");
    session = service.issueSession();
    cookies.stored = {{TestService::kSessionCookie, session, "127.0.0.1", false}};
  }
  // The store reads through `reply`, which a test may replace.
  std::shared_ptr<MirrorStore> makeStore() {
    reply = [this](const std::string& path) -> Task<std::string> {
      http::HttpRequest req;
      req.url = service.url(path);
      req.headers.emplace_back("Cookie", std::string(TestService::kSessionCookie) + "=" + session);
      http::HttpResponse answer = co_await http::send(std::move(req));
      co_return answer.body;
    };
    return MirrorStore::create(world.mirror(), std::make_shared<MirrorWorkspace>(MirrorWorkspace{{}, &cookies}),
                               [this](const std::string& path) { return reply(path); });
  }
  MirrorStore::Fetcher reply;
  TempHome home;
  VolumeServices world{home.defaults()};
  TestService service;
  FakeWebStore cookies;
  std::string session;
};

}  // namespace

TEST_F(MirrorSheetTest, ChoosesTheFirstContractAndShowsFoldersAndDifferences) {
  auto store = makeStore();
  Gtk::Window window;
  window.set_default_size(880, 580);
  bool closed = false;
  auto* sheet = Gtk::make_managed<MirrorSheet>(store, nullptr, [&] { closed = true; });
  window.set_child(*sheet);
  window.present();

  ASSERT_TRUE(waitUntil([&] { return store->selection().selectedContract.get() == 7 && !store->selection().folders->empty(); }, 10000));
  drainMainLoop();
  EXPECT_TRUE(shows(*sheet, "HT-2026-007"));
  EXPECT_TRUE(shows(*sheet, "合同根目录文件"));
  EXPECT_TRUE(shows(*sheet, "本地镜像模式"));
  EXPECT_TRUE(shows(*sheet, "案件合同（7）"));

  // Search: trimmed and case-blind, on the contract number only.
  sheet->searchEntry().set_text("  ht-2025 ");
  drainMainLoop();
  EXPECT_EQ(sheet->filteredContracts().size(), 2u);
  EXPECT_TRUE(shows(*sheet, "案件合同（2）"));
  sheet->searchEntry().set_text("无此合同");
  drainMainLoop();
  EXPECT_TRUE(shows(*sheet, "暂无可同步的合同"));
  EXPECT_EQ(store->selection().selectedContract.get(), 7);  // the search leaves the selection alone
  sheet->searchEntry().set_text("");

  store->selection().toggleFolder("02_庭审材料");
  runToEnd(store->selection().check());
  drainMainLoop();
  EXPECT_TRUE(shows(*sheet, "本地与服务器差异（12）"));
  EXPECT_TRUE(shows(*sheet, "已选 3/5 项 · 约 " + byteCountText(store->selection().selectedFoldersBytes())));
  EXPECT_TRUE(shows(*sheet, "缺失"));
  window.set_visible(false);
}

// A firm's thousands of contracts: rows only for those on screen, and the search and a
// reload of the same list splice rows instead of making the list again.
TEST_F(MirrorSheetTest, ThousandsOfContractsHaveRowsOnScreenOnlyAndTheSearchSplicesThem) {
  service.setNodesReply(scaleNodesJson(3000, 10));
  auto store = makeStore();
  Gtk::Window window;
  window.set_default_size(880, 580);
  auto* sheet = Gtk::make_managed<MirrorSheet>(store, nullptr, [] {});
  window.set_child(*sheet);
  window.present();
  ASSERT_TRUE(waitUntil([&] { return sheet->contractCount() == 3000 && store->selection().selectedContract.get() == 1; }, 10000));
  ASSERT_TRUE(waitUntil([&] { return !store->activity().busy.get(); }, 10000));
  drainMainLoop();
  EXPECT_TRUE(shows(*sheet, "案件合同（3000）"));
  EXPECT_GT(rowWidgetCount(sheet->contractList()), 0);
  EXPECT_LT(rowWidgetCount(sheet->contractList()), 60) << "rows off screen have widgets";
  EXPECT_TRUE(shows(*sheet, "HT-00001"));
  EXPECT_FALSE(shows(*sheet, "HT-02990"));

  auto model = sheet->contractList().get_model();
  const std::size_t before = sheet->listSplices();
  sheet->searchEntry().set_text("ht-0299");  // HT-02990 … HT-02999
  drainMainLoop();
  EXPECT_EQ(sheet->contractCount(), 10);
  EXPECT_EQ(sheet->contractList().get_model(), model);
  EXPECT_EQ(sheet->listSplices(), before + 2);  // the rows before them, the row after them
  EXPECT_TRUE(shows(*sheet, "案件合同（10）"));
  EXPECT_TRUE(shows(*sheet, "HT-02990"));
  sheet->searchEntry().set_text("");
  drainMainLoop();
  EXPECT_EQ(sheet->contractCount(), 3000);

  // The same list read again changes no row.
  const std::size_t settled = sheet->listSplices();
  runToEnd(store->listing().loadNodes());
  drainMainLoop();
  EXPECT_EQ(sheet->listSplices(), settled);
  EXPECT_TRUE(hasAccessibleName(sheet->searchEntry(), "筛选合同编号"));
  window.set_visible(false);
}

TEST_F(MirrorSheetTest, RendersToPng) {
  auto store = makeStore();
  // One stale local copy and one backup, so every part of the sheet shows.
  fs::path local = store->location().root() / "案件" / "2026" / "办案笔记.txt";
  fs::create_directories(local.parent_path());
  writeFile(local, "old");
  fs::create_directories(store->location().root() / "_旧版本");
  writeFile(store->location().root() / "_旧版本" / "起诉状.20261201-093000.pdf", std::string(48'000, 'x'));
  auto* sheet = Gtk::make_managed<MirrorSheet>(store, nullptr, [] {});
  sheet->set_size_request(880, 580);
  sheet->appear();
  ASSERT_TRUE(waitUntil([&] { return !store->selection().folders->empty(); }, 10000));
  runToEnd(store->selection().check());
  sheet->appear();
  ASSERT_TRUE(waitUntil([&] { return !store->activity().busy.get(); }, 10000));
  drainMainLoop();
  std::string out = (fs::temp_directory_path() / "quorvel-mirror-sheet.png").string();
  // As renderWidgetToPng draws it, with a look at the rows in between: they have
  // widgets once the sheet is laid out on a screen.
  ScopedAnimationsOff noAnimations;
  WidgetRenderHost host(*sheet);
  ASSERT_TRUE(host.showAndWait());
  EXPECT_TRUE(shows(*sheet, "HT-2026-007")) << store->listing().contracts->size();
  auto texture = host.render(*sheet);
  ASSERT_TRUE(texture && saveTexturePng(texture, out));
  EXPECT_GT(fs::file_size(out), 10'000u);
}

TEST_F(MirrorSheetTest, ErrorsPlaceholderSelectAllAndClose) {
  auto store = makeStore();
  reply = [](const std::string&) -> Task<std::string> { co_return std::string("<html>登录</html>"); };
  bool closed = false;
  auto* sheet = Gtk::make_managed<MirrorSheet>(store, nullptr, [&] { closed = true; });
  Gtk::Window window;
  window.set_child(*sheet);
  window.present();
  ASSERT_TRUE(waitUntil([&] { return store->activity().lastError.get().has_value() && !store->activity().busy.get(); }, 10000));
  drainMainLoop();
  EXPECT_TRUE(shows(*sheet, *store->activity().lastError.get()));
  EXPECT_TRUE(shows(*sheet, "从左侧选择一个合同查看子目录与本地差异"));
  EXPECT_TRUE(shows(*sheet, "旧版本备份：0 个（0 字节）"));
  EXPECT_FALSE(buttonShowing(*sheet, "清空旧版本"));

  // A chosen contract: "全选" ticks every folder.
  reply = [](const std::string&) -> Task<std::string> { co_return mirrorManifestJson(9); };
  store->selection().selectContract(9);
  ASSERT_TRUE(waitUntil([&] { return store->selection().folders->size() == 2; }, 5000));
  drainMainLoop();
  auto* all = buttonShowing(*sheet, "全选");
  ASSERT_TRUE(all);
  g_signal_emit_by_name(all->gobj(), "clicked");
  drainMainLoop();
  EXPECT_EQ(store->selection().selectedFolders->size(), 2u);
  EXPECT_TRUE(shows(*sheet, "已选 2/2 项 · 约 " + byteCountText(store->selection().selectedFoldersBytes())));

  auto* close = buttonShowing(*sheet, "关闭");
  ASSERT_TRUE(close);
  g_signal_emit_by_name(close->gobj(), "clicked");
  EXPECT_TRUE(closed);
  window.set_visible(false);
}

namespace {

// The sheet in its tool window as the workspace opens it, over the application's one
// store.
class MirrorToolWindowTest : public MirrorSheetTest {
 protected:
  void SetUp() override {
    MirrorSheetTest::SetUp();
    store = makeStore();
    registerMirrorSheet(manager.contents(), *store);
    model = pages.model();
    main = std::make_unique<Gtk::Window>();
    main->set_child(*Gtk::make_managed<ContentView>(model, viewState, manager, nullptr));
    main->present();
  }
  void TearDown() override {
    manager.reset();
    main.reset();
    model.reset();
    drainMainLoop();
    resetMirrorSwitches(service);
  }
  Gtk::Window* window() { return manager.window("mirror"); }
  // Sets the flag, as Ctrl+Shift+M does, and answers the sheet once it is on screen.
  MirrorSheet* open() {
    viewState->showMirror.set(true);
    EXPECT_TRUE(waitUntil([&] { return window() && window()->get_mapped(); }, 3000));
    return window() ? dynamic_cast<MirrorSheet*>(window()->get_child()) : nullptr;
  }
  // The title bar's close button.
  void close() {
    window()->close();
    EXPECT_TRUE(waitUntil([&] { return !viewState->showMirror.get() && !window()->get_visible(); }, 3000));
  }
  // The first contract chosen and its manifest read, nothing running.
  void waitForContract() {
    ASSERT_TRUE(waitUntil([&] {
      return store->selection().selectedContract.get() == 7 && !store->selection().folders->empty() && !store->activity().busy.get();
    }, 10000));
    drainMainLoop();
  }
  void startCache(MirrorSheet& sheet, unsigned delayPerFileMs) {
    setMirrorDownloadDelay(service, delayPerFileMs);
    auto* cache = buttonShowing(sheet, "缓存所选目录");
    ASSERT_TRUE(cache);
    g_signal_emit_by_name(cache->gobj(), "clicked");
    ASSERT_TRUE(waitUntil([&] { return store->activity().done.get() >= 1; }, 10000));
  }

  FloatingWindowManager manager{home.defaults()};
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  std::unique_ptr<Gtk::Window> main;
  std::shared_ptr<MirrorStore> store;
};

}  // namespace

TEST_F(MirrorToolWindowTest, AReopenedWindowShowsTheSameSheetWithTheRunningCache) {
  MirrorSheet* sheet = open();
  ASSERT_TRUE(sheet);
  waitForContract();
  sheet->searchEntry().set_text("2026");
  store->selection().toggleFolder("02_庭审材料");  // with the default ticks: 5 + 2 + 1 files
  const std::set<std::string> ticks{"(根目录)", "00_合同公共材料", "02_庭审材料"};
  ASSERT_EQ(store->selection().selectedFolders.get(), ticks);
  drainMainLoop();
  service.clearRequests();
  ASSERT_NO_FATAL_FAILURE(startCache(*sheet, 400));
  const int total = store->activity().total.get();
  ASSERT_EQ(total, 8);

  close();
  MirrorSheet* again = open();
  ASSERT_TRUE(again);
  EXPECT_EQ(again, sheet);  // the same view, not a new one
  drainMainLoop();
  // Still the one cache, its progress in the footer of the view on screen.
  EXPECT_TRUE(store->activity().busy.get());
  EXPECT_EQ(store->activity().total.get(), total);
  EXPECT_LT(store->activity().done.get(), total);
  EXPECT_EQ(store->activity().progressText->rfind("下载 ", 0), 0u) << store->activity().progressText.get();
  EXPECT_TRUE(shows(*again, store->activity().progressText.get())) << store->activity().progressText.get();
  auto* cache = buttonShowing(*again, "缓存所选目录");
  ASSERT_TRUE(cache);
  EXPECT_FALSE(cache->get_sensitive());
  // What the user chose is still there.
  EXPECT_EQ(again->searchEntry().get_text(), "2026");
  EXPECT_EQ(store->selection().selectedContract.get(), 7);
  EXPECT_EQ(store->selection().selectedFolders.get(), ticks);
  // A second start while it runs is refused by the store.
  spawn(store->transfers().cacheAll());

  ASSERT_TRUE(waitUntil([&] { return !store->activity().busy.get(); }, 30000));
  drainMainLoop();
  EXPECT_EQ(store->activity().progressText->rfind("已缓存 8 个文件（", 0), 0u) << store->activity().progressText.get();
  EXPECT_TRUE(shows(*again, store->activity().progressText.get()));
  EXPECT_EQ(service.requestsTo("/download_file").size(), 8u);
  EXPECT_EQ(manager.window("mirror")->get_child(), again);
}

TEST_F(MirrorToolWindowTest, WorkEndingAfterTheWindowIsGoneFinishesInTheStoreOnly) {
  MirrorSheet* sheet = open();
  ASSERT_TRUE(sheet);
  waitForContract();
  ASSERT_NO_FATAL_FAILURE(startCache(*sheet, 300));
  // The end of the application: the window and its sheet go while the cache runs.
  manager.reset();
  EXPECT_EQ(manager.window("mirror"), nullptr);
  ASSERT_TRUE(waitUntil([&] { return !store->activity().busy.get(); }, 30000));
  drainMainLoop();
  EXPECT_EQ(store->activity().progressText->rfind("已缓存 7 个文件（", 0), 0u) << store->activity().progressText.get();
  EXPECT_TRUE(fs::exists(store->location().root() / "案件" / "2026" / "_本地镜像.json"));
}
