// The desktop calendar's window under a window manager that honours EWMH states: its
// identifier, title and levels per placement, the lock, the frame that survives a
// restart, and a card that goes once marked done.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "ChildProcess.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/MainQueue.h"
#include "platform/WindowFrameRules.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "platform/UserDefaults.h"
#include "ui/calendar/DesktopCalendarView.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/windows/MainWindowController.h"

namespace quorvel::test {
namespace {

ICSEvent todayEvent(const std::string& uid, int hour) {
  ICSEvent e;
  e.uid = uid;
  e.summary = "【开庭】 " + uid;
  e.startDate = localMidnight(localDay(std::chrono::system_clock::now())) + std::chrono::hours(hour);
  e.endDate = e.startDate;
  return e;
}

class DesktopCalendarWindowTest : public ::testing::Test {
 protected:
  TempHome home;
  UserDefaults defaults{home.configHome() / "Quorvel" / "dc-defaults.json"};
  std::unique_ptr<Child> wm;
  std::vector<std::string> posted;
  std::unique_ptr<DesktopCalendarModel> store;

  void SetUp() override {
    wm = std::make_unique<Child>(std::vector<std::string>{"openbox", "--sm-disable"}, G_SUBPROCESS_FLAGS_NONE);
    runMainLoopUntil([] { return false; }, 700);  // let the window manager take the screen
    DesktopCalendarModel::Services s;
    s.fetchLiveEvents = [](bool) -> Task<std::vector<ICSEvent>> {
      co_return std::vector<ICSEvent>{todayEvent("hearing-101", 9), todayEvent("deadline-101", 10),
                                      todayEvent("deadline-202", 11)};
    };
    s.postForm = [this](std::string path) -> Task<FormResult> {
      posted.push_back(path);
      co_return FormResult{true, 200, "{\"success\":true}"};
    };
    s.refreshBadges = [] {};
    s.audit = [](const std::string&, const std::string&) {};
    s.after = [](unsigned, std::function<void()>) {};
    store = std::make_unique<DesktopCalendarModel>(std::move(s));
  }
  void TearDown() override {
    drainMainLoop();
    store.reset();
    wm.reset();
  }

  bool waitFor(const std::function<bool()>& f) { return runMainLoopUntil(f, 4000); }
};

TEST_F(DesktopCalendarWindowTest, PlacementsSetTheWindowStates) {
  DesktopCalendarWindow win(defaults, *store);
  win.show();
  ASSERT_NE(win.window(), nullptr);
  EXPECT_EQ(windowIdentifier(*win.window()), "desktop-calendar");
  EXPECT_EQ(std::string(win.window()->get_title()), "墨衡台 · 桌面日历");
  EXPECT_TRUE(win.isVisible.get());
  ASSERT_TRUE(waitFor([&] { return win.windowPlacement() != nullptr; }));
  auto* p = win.windowPlacement();
  EXPECT_TRUE(waitFor([&] { return p->keptBelow() && p->onAllWorkspaces() && p->skipsTaskbar(); }))
      << p->keptBelow() << p->onAllWorkspaces() << p->skipsTaskbar();
  EXPECT_FALSE(p->keptAbove());
  win.setPlacement(DesktopCalendarPlacement::floating);
  EXPECT_TRUE(waitFor([&] { return p->keptAbove() && !p->keptBelow() && !p->skipsTaskbar() && p->onAllWorkspaces(); }))
      << p->keptAbove() << p->keptBelow() << p->skipsTaskbar() << p->onAllWorkspaces();
  EXPECT_EQ(defaults.string(kDesktopCalendarPlacementKey), "floating");
  win.setPlacement(DesktopCalendarPlacement::normal);
  EXPECT_TRUE(waitFor([&] { return !p->keptAbove() && !p->keptBelow() && !p->onAllWorkspaces(); }))
      << p->keptAbove() << p->keptBelow() << p->onAllWorkspaces();

  // The main-window lookup never takes the panel.
  EXPECT_NE(MainWindowController::shared().findMainWindow(), win.window());
  win.hide();
  EXPECT_FALSE(win.isVisible.get());
  EXPECT_FALSE(win.window()->get_visible());
}

TEST_F(DesktopCalendarWindowTest, LockAndTheFrameThatSurvivesARestart) {
  Rect placed;
  {
    DesktopCalendarWindow win(defaults, *store);
    win.show();
    ASSERT_TRUE(waitFor([&] { return win.windowPlacement() != nullptr; }));
    auto* p = win.windowPlacement();
    auto screens = p->screenVisibleFrames();
    ASSERT_FALSE(screens.empty());
    // First show: at the top right of the main screen's visible area.
    auto expected = *desktopCalendarRightEdgeFrame(screens.front(), 392, 650);
    ASSERT_TRUE(waitFor([&] { return std::abs(p->frame().x - expected.x) < 2 && std::abs(p->frame().y - expected.y) < 2; }))
        << rectText(p->frame()) << " vs " << rectText(expected);
    p->setFrame(Rect{expected.x - 200, expected.y + 30, 400, 640});
    // Position and size may arrive from the window manager in separate steps.
    ASSERT_TRUE(waitFor([&] {
      auto f = p->frame();
      return std::abs(f.x - (expected.x - 200)) < 2 && std::abs(f.width - 400) < 2 && std::abs(f.height - 640) < 2;
    }));
    placed = p->frame();
    EXPECT_TRUE(win.canMoveByDragging());
    win.setPositionLocked(true);
    EXPECT_FALSE(win.canMoveByDragging());
    EXPECT_FALSE(win.window()->get_resizable());
    EXPECT_EQ(defaults.boolean(kDesktopCalendarLockedKey), true);
    EXPECT_EQ(rectFromText(defaults.string(kDesktopCalendarFrameKey).value_or("")), placed);
    win.setPositionLocked(false);
    EXPECT_TRUE(win.window()->get_resizable());
  }
  DesktopCalendarWindow again(defaults, *store);
  again.show();
  ASSERT_TRUE(waitFor([&] { return again.windowPlacement() != nullptr; }));
  auto* p = again.windowPlacement();
  EXPECT_TRUE(waitFor([&] { return std::abs(p->frame().x - placed.x) < 2 && std::abs(p->frame().y - placed.y) < 2; }))
      << rectText(p->frame()) << " vs " << rectText(placed);
}

TEST_F(DesktopCalendarWindowTest, MarkingACardDonePostsAndRemovesIt) {
  DesktopCalendarWindow win(defaults, *store);
  win.show();
  ASSERT_NE(win.view(), nullptr);
  ASSERT_TRUE(waitFor([&] { return store->events->size() == 3; }));
  win.view()->syncNow();
  ASSERT_EQ(win.view()->cardCount(), 3);
  auto listed = win.view()->listedEvents();
  EXPECT_EQ(listed.front().uid, "hearing-101");
  win.view()->markDone(listed.front());
  ASSERT_TRUE(waitFor([&] { return store->events->size() == 1; }));
  win.view()->syncNow();
  EXPECT_EQ(posted, (std::vector<std::string>{"/api/mark_todo_done/101"}));
  EXPECT_EQ(win.view()->cardCount(), 1);  // the hearing and the deadline of item 101 went
  EXPECT_EQ(store->toastText.get(), "已标记完成并同步系统");
}

}  // namespace
}  // namespace quorvel::test
