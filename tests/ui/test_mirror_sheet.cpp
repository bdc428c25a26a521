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
#include "WidgetFind.h"
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

// Every label text below a widget that is shown, in order (a recycled row hides the
// parts its row does not use).
void collect(Gtk::Widget& w, std::vector<std::string>& out) {
  if (!w.get_visible()) return;
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

// The shown folder row of the detail's list whose title is `title`, or null.
Gtk::Widget* folderRowShowing(Gtk::Widget& list, const std::string& title) {
  Gtk::Widget* found = nullptr;
  forEachWidget(list, [&](Gtk::Widget& w) {
    if (!found && w.get_visible() && w.has_css_class("law-mirror-row") && shows(w, title)) found = &w;
  });
  return found;
}

// A click on a row, as its click gesture hears it.
void clickRow(Gtk::Widget& row) {
  GListModel* controllers = gtk_widget_observe_controllers(row.gobj());
  for (guint i = 0; i < g_list_model_get_n_items(controllers); ++i) {
    GObject* c = G_OBJECT(g_list_model_get_item(controllers, i));
    if (GTK_IS_GESTURE_CLICK(c)) g_signal_emit_by_name(c, "released", 1, 0.0, 0.0);
    g_object_unref(c);
  }
  g_object_unref(controllers);
}

// Runs the main loop until the sheet's pending idle render has run and `widget` has then
// been drawn `frames` more times (laid out after a scroll or a change of its list). A slow
// build keeps the frame clock busy, so frames alone can pass before the idle render.
void waitFrames(Gtk::Widget& widget, int frames = 3) {
  auto idled = std::make_shared<bool>(false);
  Glib::signal_idle().connect_once([idled] { *idled = true; });
  waitUntil([&] { return *idled; }, 5000);
  int ticks = 0;
  const guint id = widget.add_tick_callback([&ticks](const Glib::RefPtr<Gdk::FrameClock>&) {
    ++ticks;
    return true;
  });
  waitUntil([&] { return ticks >= frames; }, 5000);
  widget.remove_tick_callback(id);
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
  // The sheet in `window` at its ideal size, once the chosen contract's `folders` are
  // there and drawn.
  void showWithFolders(Gtk::Window& window, const std::shared_ptr<MirrorStore>& store, std::size_t folders,
                       MirrorSheet*& sheet) {
    window.set_default_size(880, 580);
    sheet = Gtk::make_managed<MirrorSheet>(store, nullptr, [] {});
    window.set_child(*sheet);
    window.present();
    ASSERT_TRUE(waitUntil([&] { return store->selection().folders->size() == folders && !store->activity().busy.get(); }, 10000));
    waitFrames(*sheet);
  }
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

// A contract of thousands of folders: rows only for those on screen, made once and
// shown other folders as the list scrolls; a click redraws its row and the summary,
// a change the detail does not show redraws nothing of it.
TEST_F(MirrorSheetTest, ThousandsOfFoldersAreRecycledRowsAndAClickRedrawsOneRow) {
  setMirrorManifestReply(service, 7, scaleManifestJson(3000));
  auto store = makeStore();
  Gtk::Window window;
  MirrorSheet* sheet = nullptr;
  ASSERT_NO_FATAL_FAILURE(showWithFolders(window, store, 3000, sheet));
  auto& list = sheet->detailList();
  EXPECT_EQ(sheet->detailRows().size(), 3000u);
  EXPECT_GT(rowWidgetCount(list), 0);
  EXPECT_LT(rowWidgetCount(list), 60) << "folders off screen have rows";
  EXPECT_TRUE(shows(*sheet, "目录00001"));
  EXPECT_FALSE(shows(*sheet, "目录02990"));
  // The default tick: the smallest folder.
  ASSERT_EQ(store->selection().selectedFolders.get(), (std::set<std::string>{"目录00001"}));

  Gtk::Widget* row = folderRowShowing(list, "目录00002");
  ASSERT_TRUE(row);
  EXPECT_TRUE(hasAccessibleName(*row, "目录00002，未勾选"));
  const std::size_t splices = sheet->detailRows().splices();
  const std::size_t bars = sheet->detailBarUpdates();
  Gtk::Button* selectAll = buttonShowing(*sheet, "全选");
  ASSERT_TRUE(selectAll);
  clickRow(*row);
  waitFrames(*sheet);
  EXPECT_EQ(store->selection().selectedFolders.get(), (std::set<std::string>{"目录00001", "目录00002"}));
  EXPECT_EQ(sheet->detailRows().splices(), splices + 1);
  EXPECT_EQ(sheet->detailBarUpdates(), bars + 1);
  EXPECT_TRUE(shows(*sheet, "已选 2/3000 项 · 约 " + byteCountText(1000 + 1001)));
  row = folderRowShowing(list, "目录00002");
  ASSERT_TRUE(row);
  EXPECT_TRUE(hasAccessibleName(*row, "目录00002，已勾选"));
  EXPECT_TRUE(row->has_css_class("checked"));

  // The status line is the footer's: the detail keeps its bar, its buttons and rows.
  store->volumeChanged("别的进度");
  drainMainLoop();
  EXPECT_TRUE(shows(*sheet, "别的进度"));
  EXPECT_EQ(sheet->detailRows().splices(), splices + 1);
  EXPECT_EQ(sheet->detailBarUpdates(), bars + 1);
  EXPECT_EQ(buttonShowing(*sheet, "全选"), selectAll);

  // Scrolling through every folder makes rows for a screenful, not for each folder,
  // and a click on a row that shows another folder now ticks that one.
  auto adj = sheet->detailScroll().get_vadjustment();
  for (int step = 0; step < 400 && adj->get_value() + adj->get_page_size() < adj->get_upper(); ++step) {
    adj->set_value(adj->get_value() + adj->get_page_size());
    waitFrames(*sheet, 2);
  }
  waitFrames(*sheet);
  EXPECT_TRUE(shows(*sheet, "目录03000"));
  EXPECT_FALSE(shows(*sheet, "目录00002"));
  EXPECT_LT(sheet->detailRowsMade(), 300u) << "a row was made for each folder";
  EXPECT_LT(rowWidgetCount(list), 60);
  Gtk::Widget* last = folderRowShowing(list, "目录03000");
  ASSERT_TRUE(last);
  clickRow(*last);
  drainMainLoop();
  EXPECT_EQ(store->selection().selectedFolders->count("目录03000"), 1u);
  EXPECT_EQ(store->selection().selectedFolders->size(), 3u);
  window.set_visible(false);
}

// A check, a second check finding the same files and a reload of the contracts keep
// the chosen contract and where the user scrolled to; another contract starts at the
// top of its folders.
TEST_F(MirrorSheetTest, ARefreshKeepsSelectionAndScrollAnotherContractStartsAtTheTop) {
  setMirrorManifestReply(service, 7, scaleManifestJson(3000));
  setMirrorManifestReply(service, 9, scaleManifestJson(2000, "卷"));
  auto store = makeStore();
  Gtk::Window window;
  MirrorSheet* sheet = nullptr;
  ASSERT_NO_FATAL_FAILURE(showWithFolders(window, store, 3000, sheet));
  auto adj = sheet->detailScroll().get_vadjustment();
  adj->set_value(adj->get_upper() / 2);
  waitFrames(*sheet);
  const double at = adj->get_value();
  ASSERT_GT(at, 1000.0);
  const std::string middle = "目录01500";
  EXPECT_TRUE(shows(sheet->detailList(), middle)) << at;

  // Every file is missing here: the difference card comes after the folders.
  runToEnd(store->selection().check());
  waitFrames(*sheet);
  ASSERT_EQ(store->selection().diffs->size(), 3000u);
  EXPECT_EQ(sheet->detailRows().size(), 3000u + 1u + 40u + 1u);
  EXPECT_DOUBLE_EQ(adj->get_value(), at);
  EXPECT_TRUE(shows(sheet->detailList(), middle));
  EXPECT_EQ(store->selection().selectedContract.get(), 7);

  // The same differences under new record ids: at most the head changes, while the
  // check runs (its button off) and after; the rows on screen are not made again.
  const std::size_t splices = sheet->detailRows().splices();
  const std::size_t made = sheet->detailRowsMade();
  runToEnd(store->selection().check());
  waitFrames(*sheet);
  EXPECT_LE(sheet->detailRows().splices(), splices + 2);
  runToEnd(store->listing().loadNodes());
  waitFrames(*sheet);
  EXPECT_LE(sheet->detailRows().splices(), splices + 4);
  EXPECT_EQ(sheet->detailRowsMade(), made);
  EXPECT_DOUBLE_EQ(adj->get_value(), at);
  EXPECT_TRUE(shows(sheet->detailList(), middle));
  EXPECT_EQ(store->selection().selectedContract.get(), 7);
  ASSERT_EQ(sheet->detailRows().at(3000).kind, MirrorDetailRow::Kind::diffHead);
  EXPECT_EQ(sheet->detailRows().at(3000).text, "本地与服务器差异（3000）");

  // The end of the list: the first forty differences and the overflow line.
  adj->set_value(adj->get_upper());
  waitFrames(*sheet);
  EXPECT_TRUE(shows(sheet->detailList(), "目录00040/文件40.pdf"));
  EXPECT_TRUE(shows(sheet->detailList(), "缺失"));
  EXPECT_TRUE(shows(sheet->detailList(), "还有 2960 个差异文件未展开…"));

  store->selection().selectContract(9);
  ASSERT_TRUE(waitUntil([&] { return store->selection().folders->size() == 2000 && !store->activity().busy.get(); }, 10000));
  waitFrames(*sheet);
  EXPECT_DOUBLE_EQ(adj->get_value(), 0.0);
  EXPECT_TRUE(shows(sheet->detailList(), "卷00001"));
  EXPECT_FALSE(shows(sheet->detailList(), "本地与服务器差异（3000）"));
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
