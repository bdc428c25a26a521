// The desktop calendar's window under a window manager that honours EWMH states: its
// identifier, title and levels per placement, the lock, the frame that survives a
// restart, moving and resizing it with the mouse, and a card that goes once marked done.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "AccessibleName.h"
#include "ChildProcess.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "WidgetFind.h"
#include "base/MainQueue.h"
#include "platform/WindowFrameRules.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "platform/UserDefaults.h"
#include "ui/calendar/DesktopCalendarView.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/lists/RowList.h"
#include "ui/windows/MainWindowController.h"

#include <gdkmm/cursor.h>

#include "ui/windows/WindowFrame.h"

// Xlib last: its macros clash with the toolkit's C++ headers.
#include <gdk/x11/gdkx.h>
#include <X11/Xutil.h>

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
  EXPECT_NE(MainWindowController(defaults).findMainWindow(), win.window());
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
    })) << rectText(p->frame());
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

// Presses the left button at screen point (x, y), drags by (dx, dy) in two steps (the
// first starts the window manager's move or resize) and releases it; the client sees
// each step before the next.
void dragOnScreen(double x, double y, long dx, long dy) {
  auto step = [](const std::string& args) {
    ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args;
    runMainLoopUntil([] { return false; }, 300);
  };
  step("mousemove " + std::to_string(std::lround(x)) + " " + std::to_string(std::lround(y)));
  step("mousedown 1");
  step("mousemove_relative 12 12");
  step("mousemove_relative -- " + std::to_string(dx - 12) + " " + std::to_string(dy - 12));
  step("mouseup 1");
}

bool near(const Rect& a, const Rect& b) {
  return std::abs(a.x - b.x) < 3 && std::abs(a.y - b.y) < 3 && std::abs(a.width - b.width) < 3 &&
         std::abs(a.height - b.height) < 3;
}

std::string cursorName(Gtk::Window& w) {
  auto cursor = w.get_cursor();
  return cursor ? cursor->get_name().raw() : "";
}

TEST_F(DesktopCalendarWindowTest, UnlockedPanelMovesAndResizesWithTheMouseWithinItsLimits) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  DesktopCalendarWindow win(defaults, *store);
  win.show();
  ASSERT_TRUE(waitFor([&] { return win.windowPlacement() != nullptr; }));
  auto* p = win.windowPlacement();
  auto& w = *win.window();
  auto expected = *desktopCalendarRightEdgeFrame(p->screenVisibleFrames().front(), 392, 650);
  ASSERT_TRUE(waitFor([&] { return near(p->frame(), expected); })) << rectText(p->frame());
  auto saved = [&] { return rectFromText(defaults.string(kDesktopCalendarFrameKey).value_or("")); };

  // The title has no controls on it: a drag there moves the panel.
  std::vector<Gtk::Label*> titles;
  ASSERT_TRUE(waitFor([&] {
    titles = shownLabelsStartingWith(w, kDesktopCalendarTitle);
    return titles.size() == 1 && titles[0]->get_height() > 0;
  }));
  double tx = 0, ty = 0;
  ASSERT_TRUE(titles[0]->translate_coordinates(w, 20, titles[0]->get_height() / 2.0, tx, ty));
  Rect start = p->frame();
  dragOnScreen(start.x + tx, start.y + ty, -300, 120);
  Rect moved{start.x - 300, start.y + 120, start.width, start.height};
  EXPECT_TRUE(waitFor([&] { return near(p->frame(), moved); })) << rectText(p->frame());
  EXPECT_TRUE(waitFor([&] { return saved() && near(*saved(), p->frame()); })) << rectText(p->frame());

  // A click on a control is the control's; the next drag on the background still moves.
  Gtk::Button* today = findButton(w, "今天");
  ASSERT_NE(today, nullptr);
  double bx = 0, by = 0;
  ASSERT_TRUE(today->translate_coordinates(w, today->get_width() / 2.0, today->get_height() / 2.0, bx, by));
  int clicks = 0;
  today->signal_clicked().connect([&] { ++clicks; });
  start = p->frame();
  ASSERT_EQ(std::system(("xdotool mousemove " + std::to_string(std::lround(start.x + bx)) + " " +
                         std::to_string(std::lround(start.y + by)) + " click 1").c_str()), 0);
  EXPECT_TRUE(waitFor([&] { return clicks == 1; }));
  dragOnScreen(start.x + tx, start.y + ty, 100, -50);
  moved = Rect{start.x + 100, start.y - 50, start.width, start.height};
  EXPECT_TRUE(waitFor([&] { return near(p->frame(), moved); })) << rectText(p->frame());

  // The bottom-right corner resizes; the width stops at 600, the frame is kept.
  Rect before = p->frame();
  dragOnScreen(before.x + before.width - 3, before.y + before.height - 3, 400, 150);
  Rect grown{before.x, before.y, 600, before.height + 150};
  EXPECT_TRUE(waitFor([&] { return near(p->frame(), grown); })) << rectText(p->frame());
  EXPECT_TRUE(waitFor([&] { return saved() && near(*saved(), p->frame()); })) << rectText(p->frame());
  // The left edge shrinks it down to the panel's minimum width and no further.
  before = p->frame();
  dragOnScreen(before.x + 2, before.y + before.height / 2, 400, 0);
  Rect narrowed{before.x + before.width - 348, before.y, 348, before.height};
  EXPECT_TRUE(waitFor([&] { return near(p->frame(), narrowed); })) << rectText(p->frame());

  // The pointer over the border shows which way it resizes.
  before = p->frame();
  auto at = [](double v) { return std::to_string(std::lround(v)); };
  ASSERT_EQ(std::system(("xdotool mousemove " + at(before.x + before.width - 2) + " " +
                         at(before.y + before.height / 2)).c_str()), 0);
  EXPECT_TRUE(waitFor([&] { return cursorName(w) == "e-resize"; })) << cursorName(w);

  // Locked, nothing moves and the border is only a border.
  win.setPositionLocked(true);
  Rect locked = p->frame();
  ASSERT_EQ(std::system(("xdotool mousemove " + at(locked.x + locked.width - 2) + " " +
                         at(locked.y + locked.height / 2 + 10)).c_str()), 0);
  EXPECT_TRUE(waitFor([&] { return cursorName(w).empty(); })) << cursorName(w);
  dragOnScreen(locked.x + tx, locked.y + ty, -200, 80);
  dragOnScreen(locked.x + locked.width - 3, locked.y + locked.height - 3, -100, -100);
  runMainLoopUntil([] { return false; }, 500);
  EXPECT_TRUE(near(p->frame(), locked)) << rectText(p->frame());
}

// Without a window manager nothing reads the size hints: the placement itself puts a
// frame that grew past the maximum back within it, and the hint outlives the
// toolkit's own rewrites of the size hints.
TEST(WindowMaximumSize, HeldWhereNothingReadsTheHint) {
  Gtk::Window w;
  w.set_decorated(false);
  w.set_default_size(400, 500);
  w.present();
  ASSERT_TRUE(waitUntil([&] { return w.get_mapped(); }, 5000));
  auto placement = placementFor(w);
  ASSERT_NE(placement, nullptr);
  placement->setMaximumSize(600, 1080);
  placement->setFrame(Rect{100, 50, 900, 700});
  EXPECT_TRUE(waitUntil([&] { return near(placement->frame(), Rect{100, 50, 600, 700}); }, 3000))
      << rectText(placement->frame());

  w.set_size_request(380, 520);  // the toolkit writes its size hints anew
  Display* d = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  XSizeHints hints{};
  auto readHints = [&] {
    long supplied = 0;
    hints = XSizeHints{};
    return XGetWMNormalHints(d, gdk_x11_surface_get_xid(w.get_surface()->gobj()), &hints, &supplied) != 0;
  };
  // Once the toolkit's new hints are out (its new minimum), ours are back beside them.
  EXPECT_TRUE(waitUntil([&] { return readHints() && hints.min_width == 380 && (hints.flags & PMaxSize); }, 3000));
  ASSERT_TRUE(readHints());
  EXPECT_TRUE(hints.flags & PMaxSize);
  EXPECT_EQ(hints.max_width, 600);
  EXPECT_EQ(hints.max_height, 1080);
  EXPECT_EQ(hints.min_width, 380);
}

// A busy calendar in the upcoming scope: cards only for those on screen; a silent
// refresh that brings the same events publishes nothing and rebuilds nothing; one event
// gone is one splice.
TEST_F(DesktopCalendarWindowTest, ThousandsOfUpcomingEventsAndARefreshThatChangesNothing) {
  const int count = 3000;
  auto drop = std::make_shared<int>(-1);
  DesktopCalendarModel::Services s;
  s.fetchLiveEvents = [drop](bool) -> Task<std::vector<ICSEvent>> {
    std::vector<ICSEvent> events;
    for (int i = 0; i < count; ++i) {
      if (i == *drop) continue;
      ICSEvent e = todayEvent((i % 3 ? "deadline-" : "hearing-") + std::to_string(5000 + i), 8 + i % 10);
      e.startDate += std::chrono::hours(24 * (i % 40));
      e.endDate = e.startDate;
      events.push_back(std::move(e));
    }
    co_return events;
  };
  s.after = [](unsigned, std::function<void()>) {};
  store = std::make_unique<DesktopCalendarModel>(std::move(s));
  DesktopCalendarWindow win(defaults, *store);
  win.show();
  ASSERT_NE(win.view(), nullptr);
  ASSERT_TRUE(waitFor([&] { return store->events->size() == static_cast<std::size_t>(count); }));
  auto* view = win.view();
  view->setScope(DesktopListScope::upcoming);
  view->syncNow();
  ASSERT_EQ(view->cardCount(), count);
  ASSERT_TRUE(waitFor([&] { return rowWidgetCount(view->list()) > 0; }));
  EXPECT_LT(rowWidgetCount(view->list()), 60) << "cards off screen have widgets";
  Gtk::Widget* first = view->cardAt(0);
  ASSERT_NE(first, nullptr);
  Gtk::Button* done = nullptr;
  forEachWidget(*first, [&](Gtk::Widget& w) {
    if (!done && w.get_name() == "dc-mark-done") done = dynamic_cast<Gtk::Button*>(&w);
  });
  ASSERT_NE(done, nullptr);
  EXPECT_TRUE(hasAccessibleName(*done, "完成"));

  int published = 0;
  ScopedConnection events = store->events.changed().connect([&] { ++published; });
  ScopedConnection errors = store->error.changed().connect([&] { ++published; });
  const int grids = view->gridBuilds(), placeholders = view->placeholderBuilds();
  const std::size_t splices = view->listSplices();
  bool refreshed = false;
  spawn([](DesktopCalendarModel& m, bool& flag) -> Task<void> {
    co_await m.refresh(true);
    flag = true;
  }(*store, refreshed));
  ASSERT_TRUE(waitFor([&] { return refreshed; }));
  drainMainLoop();
  view->syncNow();
  EXPECT_EQ(published, 0);
  EXPECT_EQ(view->gridBuilds(), grids);
  EXPECT_EQ(view->placeholderBuilds(), placeholders);
  EXPECT_EQ(view->listSplices(), splices);
  EXPECT_EQ(view->cardAt(0), first);

  // One event done elsewhere: one splice, the first card stays.
  *drop = 7;
  refreshed = false;
  spawn([](DesktopCalendarModel& m, bool& flag) -> Task<void> {
    co_await m.refresh(true);
    flag = true;
  }(*store, refreshed));
  ASSERT_TRUE(waitFor([&] { return refreshed; }));
  view->syncNow();
  EXPECT_EQ(view->cardCount(), count - 1);
  EXPECT_EQ(view->listSplices(), splices + 1);
  EXPECT_EQ(view->cardAt(0), first);
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
