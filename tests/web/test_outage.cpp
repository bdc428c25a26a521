// A service in trouble, against real tabs: failed, hanging, malformed and oversized
// replies leave the last good counts and lists in the to-do sheet, the sidebar card and
// the tray panel, each saying that the refresh failed and offering a retry; reads end
// after their idle limit or their size cap; the window stays responsive throughout.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <ctime>

#include "ServiceTabFixture.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestHelpers.h"
#include "TestServiceOutage.h"
#include "TestServiceTodos.h"
#include "core/PageReads.h"
#include "core/Recents.h"
#include "ui/main/ContentView.h"
#include "ui/main/RendererSetup.h"
#include "ui/main/SidebarView.h"
#include "ui/todos/TodoSheet.h"
#include "ui/tray/MenuBarView.h"

namespace quorvel::test {
namespace {

using Outage = TestService::Outage;
using SteadyClock = std::chrono::steady_clock;

void click(Gtk::Button& b) { g_signal_emit_by_name(b.gobj(), "clicked"); }

long long msSince(SteadyClock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count();
}

std::vector<std::string> shownContents(const TodoSheet& sheet) {
  std::vector<std::string> out;
  for (const auto& i : sheet.shownItems()) out.push_back(i.content.value_or(""));
  return out;
}

// The longest stretch of work the main thread did without giving the main loop a turn,
// in the thread's own processor time: a 10 ms timer notes each turn. Processor time,
// not wall time, so a machine busy with other tests does not count as a stall.
class StallWatch {
 public:
  StallWatch() {
    last_ = threadNowMs();
    id_ = startRepeatingTimer(10, [this] {
      const long long now = threadNowMs();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
      return true;
    });
  }
  ~StallWatch() { cancelTimer(id_); }
  long long longestMs() const { return longest_; }

 private:
  static long long threadNowMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
  }
  unsigned id_ = 0;
  long long last_ = 0;
  long long longest_ = 0;
};

class OutageTest : public ServiceTabFixture {
 protected:
  void SetUp() override {
    // Drawn as the client draws here: the software OpenGL of the test display compiles
    // its shaders on the main thread, which no reply is to blame for.
    RendererSetup().chooseAfterGtkStart();
    ServiceTabFixture::SetUp();
    useTodoDemoData(service);
  }
  void TearDown() override {
    sheetWindow.reset();
    mainWindow.reset();
    tray.reset();
    drainMainLoop();
    ServiceTabFixture::TearDown();
  }

  // The main window's root view on the signed-in dashboard, its badges read, and the
  // tray panel.
  void openWorkspace() {
    signIn();
    model = services->makeBrowserModel();
    mainWindow = std::make_unique<Gtk::Window>();
    mainWindow->set_default_size(1280, 820);
    view = Gtk::make_managed<ContentView>(model, viewState, services->toolWindows(), nullptr);
    mainWindow->set_child(*view);
    mainWindow->present();
    ASSERT_TRUE(waitLoaded(model->activeTab(), "/dashboard"));
    ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded && !model->account().badges->user.empty(); }, 10000));
    tray = std::make_unique<MenuBarView>(model, viewState);
  }

  // The sheet in a window of its own; showing it reads the lists.
  void openSheet() {
    sheetWindow = std::make_unique<Gtk::Window>();
    sheetWindow->set_title("待办测试");
    sheetWindow->set_default_size(860, 580);
    sheet = Gtk::make_managed<TodoSheet>(model, viewState, [] {});
    sheetWindow->set_child(*sheet);
    sheetWindow->present();
    ASSERT_TRUE(waitUntil([&] { return sheet->loading(); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return !sheet->loading(); }, 15000));
    drainMainLoop();
  }

  // The sheet's refresh (the badges and the lists), until both reads have ended, the
  // badge read with a failure or not.
  void refreshFromSheet(Gtk::Button& button, bool badgeReadFails) {
    auto badgeReads = service.requestsTo("/api/desktop/badges").size();
    click(button);
    EXPECT_TRUE(sheet->loading());
    EXPECT_FALSE(sheet->refreshButton().get_sensitive());
    ASSERT_TRUE(waitUntil([&] { return !sheet->loading(); }, 15000));
    // The badge read ends on its own; its failure or counts follow.
    ASSERT_TRUE(waitUntil(
        [&] {
          return service.requestsTo("/api/desktop/badges").size() > badgeReads &&
                 model->account().badgeFailure->has_value() == badgeReadFails;
        },
        15000));
    drainMainLoop();
  }

  SidebarView& sidebar() { return *view->sidebar(); }

  std::unique_ptr<Gtk::Window> mainWindow;
  std::unique_ptr<Gtk::Window> sheetWindow;
  std::unique_ptr<MenuBarView> tray;
  ContentView* view = nullptr;
  TodoSheet* sheet = nullptr;
};

}  // namespace

TEST_F(OutageTest, EveryFailureIsShownOverTheLastGoodCountsAndListsWithARetry) {
  openWorkspace();
  model->reads().limits().idleMs = 1000;
  openSheet();
  const auto goodItems = shownContents(*sheet);
  ASSERT_EQ(goodItems.size(), 3u);
  ASSERT_FALSE(sheet->noticeShown());
  ASSERT_FALSE(sidebar().refreshFailureShown());
  ASSERT_FALSE(tray->failureShown());
  const int sidebarWidth = sidebar().get_width();
  ASSERT_GT(sidebarWidth, 200);

  const std::vector<std::pair<Outage, std::string>> outages = {
      {Outage::serverError, "刷新失败：服务器返回 500"},
      {Outage::forbidden, "刷新失败：服务器返回 403"},
      {Outage::malformed, "刷新失败：服务器回复无法识别"},
      {Outage::otherShape, "刷新失败：服务器回复无法识别"},
      {Outage::hanging, "刷新失败：服务器 1 秒无响应"},
  };
  for (const auto& [outage, message] : outages) {
    SCOPED_TRACE(outageName(outage));
    service.setOutage(outage);
    refreshFromSheet(sheet->refreshButton(), true);
    EXPECT_TRUE(sheet->refreshButton().get_sensitive());

    // The sheet: the last good entries and counts, under the failure with its retry.
    EXPECT_EQ(model->account().deadlineFailure.get(), message);
    EXPECT_EQ(sheet->state(), TodoSheetState::list);
    EXPECT_EQ(shownContents(*sheet), goodItems);
    EXPECT_TRUE(sheet->noticeShown());
    EXPECT_EQ(sheet->noticeText(), message);
    EXPECT_TRUE(sheet->noticeRetryButton().get_sensitive());
    EXPECT_EQ(sheet->pillCountText(TodoKind::overdue), "3");
    // The sidebar card and the tray panel: the badge read's failure, the last counts.
    EXPECT_EQ(model->account().badgeFailure.get(), message);
    EXPECT_TRUE(sidebar().refreshFailureShown());
    EXPECT_EQ(sidebar().refreshFailureText(), message);
    EXPECT_EQ(sidebar().pill(TodoKind::overdue).countText(), "3");
    EXPECT_EQ(sidebar().pill(TodoKind::soon).countText(), "4");
    EXPECT_TRUE(tray->failureShown());
    EXPECT_EQ(tray->failureText(), message);
    EXPECT_EQ(tray->counterText(TodoKind::overdue), "3");
    EXPECT_EQ(tray->counterText(TodoKind::today), "2");
    EXPECT_EQ(model->account().badges->user, "张律师");
    // The message never widens the sidebar's fixed column.
    runMainLoopUntil([] { return false; }, 100);
    EXPECT_EQ(sidebar().get_width(), sidebarWidth);
  }

  // The service is back: the sheet's retry clears the failure everywhere.
  service.setOutage(Outage::none);
  refreshFromSheet(sheet->noticeRetryButton(), false);
  EXPECT_FALSE(model->account().deadlineFailure->has_value());
  EXPECT_FALSE(model->account().badgeFailure->has_value());
  EXPECT_FALSE(sheet->noticeShown());
  EXPECT_FALSE(sidebar().refreshFailureShown());
  EXPECT_FALSE(tray->failureShown());
  EXPECT_EQ(shownContents(*sheet), goodItems);

  // The sidebar's and the tray's retries read the counts again.
  for (Gtk::Button* retry : {&sidebar().retryButton(), &tray->retryButton()}) {
    service.setBadgeOutage(Outage::serverError);
    model->reads().refreshBadges();
    ASSERT_TRUE(waitUntil([&] { return model->account().badgeFailure->has_value(); }, 10000));
    service.setBadgeOutage(Outage::none);
    click(*retry);
    ASSERT_TRUE(waitUntil([&] { return !model->account().badgeFailure->has_value(); }, 10000));
    EXPECT_FALSE(sidebar().refreshFailureShown());
    EXPECT_FALSE(tray->failureShown());
  }
}

TEST_F(OutageTest, AFirstReadThatFailsShowsTheFailureNotNothingToDo) {
  openWorkspace();
  service.setDeadlinesOutage(Outage::serverError);
  openSheet();
  EXPECT_TRUE(model->account().deadlines->empty());
  EXPECT_EQ(sheet->state(), TodoSheetState::failed);
  EXPECT_EQ(sheet->emptyTitle().get_text(), "刷新失败：服务器返回 500");
  EXPECT_EQ(sheet->emptyHint().get_text(), "暂时无法显示「超期」的待办，请稍后重试");
  EXPECT_TRUE(sheet->emptyRetryButton().get_visible());
  EXPECT_FALSE(sheet->noticeShown());  // the state says it already
  // A filter over nothing after a failure still shows the failure.
  sheet->setFilterText("张三");
  EXPECT_EQ(sheet->state(), TodoSheetState::failed);
  sheet->setFilterText("");

  service.setDeadlinesOutage(Outage::none);
  click(sheet->emptyRetryButton());
  ASSERT_TRUE(waitUntil([&] { return !sheet->loading() && sheet->state() == TodoSheetState::list; }, 15000));
  EXPECT_EQ(shownContents(*sheet).size(), 3u);
  EXPECT_FALSE(sheet->emptyRetryButton().get_visible());
}

TEST_F(OutageTest, PageReadsEndAfterTheirIdleLimitButNotWhileBytesKeepComing) {
  openWorkspace();
  model->reads().limits().idleMs = 800;

  // A hanging service: the sheet stops spinning after the idle limit and "刷新" works.
  service.setOutage(Outage::hanging);
  auto start = SteadyClock::now();
  openSheet();
  const auto took = msSince(start);
  EXPECT_GE(took, 700);
  EXPECT_LT(took, 5000 * test::kSanitizerSlowdown);
  EXPECT_EQ(sheet->state(), TodoSheetState::failed);
  EXPECT_EQ(sheet->emptyTitle().get_text(), "刷新失败：服务器 1 秒无响应");
  EXPECT_TRUE(sheet->refreshButton().get_sensitive());
  service.setOutage(Outage::none);

  // A reply that keeps moving runs past the limit and arrives whole.
  const std::string slowBody = todoDemoDeadlinesJson();
  service.setRoute("/slow", [slowBody](const RecordedRequest&) {
    Reply r = Reply::json(slowBody);
    r.paceMs = 300;
    r.pieces = 8;  // 2.4 s in all, three idle limits
    return r;
  });
  start = SteadyClock::now();
  auto slow = runToEnd(model->reads().fetchJSON("/slow"));
  ASSERT_TRUE(slow->value) << errorOf(*slow).message;
  EXPECT_EQ(*slow->value, slowBody);
  EXPECT_GE(msSince(start), 2000);

  // One that stops: code 2 with the time-out in words.
  service.setRoute("/stalls", [](const RecordedRequest&) {
    Reply r;
    r.hang = true;
    return r;
  });
  auto stalled = runToEnd(model->reads().fetchJSON("/stalls"));
  ASSERT_TRUE(stalled->error);
  EXPECT_EQ(stalled->error->code, 2);
  EXPECT_EQ(stalled->error->message, "服务器 1 秒无响应");
}

TEST_F(OutageTest, RepliesOverTheCapAreFailuresAndTheWindowStaysResponsive) {
  openWorkspace();
  // Declared or streamed, a reply over the cap is refused with its message.
  model->reads().limits().maxBytes = 64 * 1024;
  const std::string big(200 * 1024, 'x');
  service.setRoute("/big", [big](const RecordedRequest&) { return Reply::json(big); });
  service.setRoute("/big-streamed", [big](const RecordedRequest&) {
    Reply r = Reply::json(big);
    r.paceMs = 20;
    r.pieces = 10;
    return r;
  });
  service.setRoute("/small", [](const RecordedRequest&) { return Reply::json(std::string(64 * 1024, 'y')); });
  for (const char* path : {"/big", "/big-streamed"}) {
    auto read = runToEnd(model->reads().fetchJSON(path));
    ASSERT_TRUE(read->error) << path;
    EXPECT_EQ(read->error->code, 2) << path;
    EXPECT_EQ(read->error->message, "服务器回复超过 64 KB") << path;
  }
  auto atTheCap = runToEnd(model->reads().fetchJSON("/small"));
  ASSERT_TRUE(atTheCap->value);
  EXPECT_EQ(atTheCap->value->size(), 64u * 1024);

  // The 20 MB page and the huge user name at the default cap: both refreshes end
  // quickly and no turn of the main loop waits long.
  model->reads().limits() = PageReads::Limits{};
  openSheet();
  ASSERT_EQ(shownContents(*sheet).size(), 3u);
  service.setDeadlinesOutage(Outage::hugeBody);
  service.setBadgeOutage(Outage::hugeUserName);
  // The service runs on this main loop too: its bodies are built before the watch, so
  // their one-time making is not counted as the client's stall.
  (void)outageReply(Outage::hugeBody, /*badges=*/false);
  (void)outageReply(Outage::hugeUserName, /*badges=*/true);
  StallWatch stalls;
  auto start = SteadyClock::now();
  refreshFromSheet(sheet->refreshButton(), false);
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->user.size() > 100000; }, 10000));
  drainMainLoop();
  EXPECT_LT(msSince(start), 5000 * test::kSanitizerSlowdown);
  // No turn of the main loop works long enough to hold up a key press.
  EXPECT_LT(stalls.longestMs(), 500 * test::kSanitizerSlowdown) << "the main loop stalled";
  EXPECT_EQ(model->account().deadlineFailure.get(), "刷新失败：服务器回复超过 8 MB");
  EXPECT_EQ(shownContents(*sheet).size(), 3u);
  EXPECT_TRUE(logged("[Quorvel][TODO] 读取失败：服务器回复超过 8 MB"));

  // The name is kept whole but shown and logged cut.
  EXPECT_EQ(model->account().badges->user, hugeUserName());
  EXPECT_FALSE(model->account().badgeFailure->has_value());
  const std::string shown = sidebar().accountName();
  EXPECT_EQ(graphemeCount(shown), kShownNameCharacters + 1);
  EXPECT_EQ(shown, textHead(hugeUserName(), kShownNameCharacters) + "…");
  EXPECT_EQ(tray->identityLabel().get_text().raw(), shown + " · 律师");
  for (const auto& line : logs) EXPECT_LT(line.size(), 4096u) << line.substr(0, 200);
}

}  // namespace quorvel::test
