// The curtain over the process's windows while the workspace is locked, on a real X
// display: what the X server shows (a window's map state), where windows stand when
// they come back, windows that appear or are hidden by their owners under the lock,
// and an open alert that would otherwise keep the keys from the cover.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/PrivacyLock.h"
#include "fakes/FakeLockPlatform.h"
#include "platform/OffscreenWindow.h"
#include "ui/components/Alerts.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/windows/LockCurtain.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel::test {
namespace {

unsigned long xidOf(Gtk::Window& w) { return gdk_x11_surface_get_xid(w.get_surface()->gobj()); }

// What the X server shows, not what the toolkit believes.
bool onScreen(Gtk::Window& w) {
  if (!w.get_surface()) return false;
  XWindowAttributes attrs{};
  Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  if (!XGetWindowAttributes(display, xidOf(w), &attrs)) return false;
  return attrs.map_state == IsViewable;
}

std::unique_ptr<Gtk::Window> plainWindow(const std::string& title) {
  auto w = std::make_unique<Gtk::Window>();
  w->set_title(title);
  w->set_default_size(320, 200);
  w->set_child(*Gtk::make_managed<Gtk::Label>(title));
  return w;
}

// What assistive technology is told about a widget: hidden, or presented.
bool hiddenFromAssistiveTechnology(Gtk::Widget& w) {
  auto* accessible = GTK_ACCESSIBLE(w.gobj());
  if (!gtk_test_accessible_has_state(accessible, GTK_ACCESSIBLE_STATE_HIDDEN)) return false;
  char* mismatch = gtk_test_accessible_check_state(accessible, GTK_ACCESSIBLE_STATE_HIDDEN, TRUE);
  g_free(mismatch);
  return mismatch == nullptr;
}

class LockCurtainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    // The pointer rests where no window is: without a window manager the window under
    // it would take the focus back.
    ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    main.set_title("墨衡台");
    main.set_default_size(640, 480);
    main.set_child(password);
    setWindowIdentifier(main, kMainWindowIdentifier);
    main.present();
    ASSERT_TRUE(waitUntil([&] { return onScreen(main); }, 5000));
  }
  void TearDown() override {
    curtain.reset();
    toolWindows.reset();
    drainMainLoop();
    setLogSink({});
  }

  void shown(Gtk::Window& w) {
    w.present();
    ASSERT_TRUE(waitUntil([&] { return onScreen(w); }, 5000)) << w.get_title();
  }

  void unlock() {
    lock->unlock("secret");
    ASSERT_TRUE(waitUntil([&] { return !lock->isLocked.get(); }, 5000));
  }

  Gtk::Window* openToolWindow(const std::string& name) {
    toolWindows.open(
        name, [name] { return Gtk::make_managed<Gtk::Label>(name); }, {});
    Gtk::Window* w = toolWindows.window(name);
    EXPECT_TRUE(w && runMainLoopUntil([&] { return onScreen(*w); }, 5000)) << name;
    return w;
  }

  TempHome home;
  FloatingWindowManager toolWindows{home.defaults()};
  FakeIdleTime idle;
  FakeAuthenticator auth;
  std::unique_ptr<PrivacyLock> lock = std::make_unique<PrivacyLock>(idle, auth, home.defaults(), AppMode::normal);
  Gtk::Window main;
  Gtk::Entry password;
  std::unique_ptr<LockCurtain> curtain;
  std::vector<std::string> logs;
};

TEST_F(LockCurtainTest, ShownWindowsLeaveTheScreenAndComeBackWhereTheyStood) {
  Gtk::Window* todo = openToolWindow("todo");
  ASSERT_TRUE(todo);
  auto panel = plainWindow("快捷记待办");
  shown(*panel);
  auto place = placementFor(*panel);
  ASSERT_TRUE(place && place->canPosition());
  place->setFrame({200, 150, 360, 220});
  place->setKeepAbove(true);
  ASSERT_TRUE(waitUntil([&] { return placementFor(*panel)->frame().x == 200; }, 3000));
  const Rect todoFrame = placementFor(*todo)->frame();
  const Rect panelFrame = placementFor(*panel)->frame();
  auto neverShown = plainWindow("从未显示");
  // A render nobody sees goes on under the lock.
  auto offscreen = plainWindow("");
  g_object_set_data(G_OBJECT(offscreen->gobj()), OffscreenWindow::kObjectDataKey, GINT_TO_POINTER(1));
  shown(*offscreen);

  curtain = std::make_unique<LockCurtain>(*lock);
  lock->lock();
  EXPECT_FALSE(onScreen(*todo));
  EXPECT_FALSE(onScreen(*panel));
  EXPECT_TRUE(onScreen(main));
  EXPECT_TRUE(onScreen(*offscreen));
  // Their owners still see them shown: nothing of theirs changed.
  EXPECT_TRUE(todo->get_visible() && panel->get_visible());
  EXPECT_EQ(curtain->heldCount(), 2u);
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOCK] 锁定期间隐藏 2 个窗口"), 1);
  drainMainLoop();
  EXPECT_FALSE(onScreen(*todo));  // nothing of GTK's puts them back by itself

  lock->lock();  // locking again changes nothing
  EXPECT_EQ(countContaining(logs, "锁定期间隐藏"), 1);

  unlock();
  EXPECT_TRUE(waitUntil([&] { return onScreen(*todo) && onScreen(*panel); }, 5000));
  EXPECT_TRUE(waitUntil([&] { return placementFor(*panel)->frame() == panelFrame; }, 3000))
      << placementFor(*panel)->frame().x << "," << placementFor(*panel)->frame().y;
  EXPECT_EQ(placementFor(*todo)->frame(), todoFrame);
  EXPECT_TRUE(placementFor(*panel)->keptAbove());
  EXPECT_FALSE(neverShown->get_visible());
  EXPECT_FALSE(onScreen(*neverShown));
  EXPECT_EQ(curtain->heldCount(), 0u);
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOCK] 解锁后恢复 2 个窗口"), 1);
}

// A client that ended locked starts locked: what opens after that (the desktop
// calendar's auto-show, a result arriving) waits for the unlock; what its owner hides
// or destroys meanwhile does not come back.
TEST_F(LockCurtainTest, WhatAppearsUnderTheLockWaitsAndWhatItsOwnerHidesStaysHidden) {
  lock->lock();
  lock = std::make_unique<PrivacyLock>(idle, auth, home.defaults(), AppMode::normal);
  ASSERT_TRUE(lock->isLocked.get());
  curtain = std::make_unique<LockCurtain>(*lock);

  auto calendar = plainWindow("墨衡台 · 桌面日历");
  calendar->present();
  toolWindows.open("mirror", [] { return Gtk::make_managed<Gtk::Label>("mirror"); }, {});
  Gtk::Window* mirror = toolWindows.window("mirror");
  ASSERT_TRUE(mirror);
  auto gone = std::make_unique<Gtk::Window>();
  gone->set_title("稍后关闭");
  gone->present();
  drainMainLoop();
  EXPECT_TRUE(calendar->get_visible() && mirror->get_visible());
  EXPECT_FALSE(onScreen(*calendar));
  EXPECT_FALSE(onScreen(*mirror));
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOCK] 工作区已锁定，「墨衡台 · 桌面日历」解锁后显示"), 1);
  EXPECT_EQ(countContaining(logs, "「floating:mirror」解锁后显示"), 1);

  // Presented again by its owner: still off the screen.
  calendar->present();
  toolWindows.open("mirror", [] { return Gtk::make_managed<Gtk::Label>("mirror"); }, {});
  drainMainLoop();
  EXPECT_FALSE(onScreen(*calendar));
  EXPECT_FALSE(onScreen(*mirror));

  // Its owner closes one and destroys another before the unlock.
  toolWindows.close("mirror");
  gone.reset();
  drainMainLoop();

  unlock();
  EXPECT_TRUE(waitUntil([&] { return onScreen(*calendar); }, 5000));
  drainMainLoop();
  EXPECT_FALSE(mirror->get_visible());
  EXPECT_FALSE(onScreen(*mirror));
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOCK] 解锁后恢复 1 个窗口"), 1);
}

// An alert is modal: left on, even off the screen, it would keep the keyboard from
// the cover's password field, and nobody could unlock.
TEST_F(LockCurtainTest, AnOpenAlertLeavesTheScreenAndTheCoverTakesThePassword) {
  curtain = std::make_unique<LockCurtain>(*lock);
  GtkDialogs dialogs;
  int answer = -2;
  dialogs.alert("无法上传", "连接已断开。", {"好"}, [&](int a) { answer = a; });
  Gtk::Window* alert = nullptr;
  ASSERT_TRUE(waitUntil(
      [&] {
        for (Gtk::Window* w : Gtk::Window::list_toplevels())
          if (w->get_modal() && w->get_visible() && onScreen(*w)) alert = w;
        return alert != nullptr;
      },
      5000));

  lock->lock();
  EXPECT_FALSE(onScreen(*alert));
  EXPECT_FALSE(alert->get_modal());
  ASSERT_EQ(std::system(("xdotool windowfocus --sync " + std::to_string(xidOf(main))).c_str()), 0);
  ASSERT_TRUE(waitUntil([&] { return main.is_active(); }, 5000));
  password.grab_focus();
  ASSERT_EQ(std::system("xdotool type --delay 40 'mh2026'"), 0);
  EXPECT_TRUE(waitUntil([&] { return password.get_text() == "mh2026"; }, 5000)) << password.get_text();

  unlock();
  EXPECT_TRUE(waitUntil([&] { return onScreen(*alert); }, 5000));
  EXPECT_TRUE(alert->get_modal());
  EXPECT_EQ(answer, -2);  // still waiting for its answer
  static_cast<Gtk::Dialog*>(alert)->response(0);
  EXPECT_TRUE(waitUntil([&] { return answer == 0; }, 3000));
}

// Off the screen is out of the accessibility tree's reach as well: the windows the
// curtain holds report hidden, though their owners still see them shown; what comes
// back is presented again, what its owner hid meanwhile is not.
TEST_F(LockCurtainTest, HeldWindowsAreHiddenFromAssistiveTechnology) {
  Gtk::Window* todo = openToolWindow("todo");
  ASSERT_TRUE(todo);
  auto caseWindow = plainWindow("（2026）京0105民初1234号");
  shown(*caseWindow);
  auto closedMeanwhile = plainWindow("稍后关闭");
  shown(*closedMeanwhile);
  EXPECT_FALSE(hiddenFromAssistiveTechnology(*todo));
  EXPECT_FALSE(hiddenFromAssistiveTechnology(*caseWindow));

  curtain = std::make_unique<LockCurtain>(*lock);
  lock->lock();
  ASSERT_FALSE(onScreen(*caseWindow));
  EXPECT_TRUE(caseWindow->get_visible());
  EXPECT_TRUE(hiddenFromAssistiveTechnology(*todo));
  EXPECT_TRUE(hiddenFromAssistiveTechnology(*caseWindow));
  EXPECT_TRUE(hiddenFromAssistiveTechnology(*closedMeanwhile));
  EXPECT_FALSE(hiddenFromAssistiveTechnology(main)) << "the cover is read out";

  // One that appears under the lock is hidden from the start, also when shown again.
  auto late = plainWindow("开庭提醒");
  late->present();
  drainMainLoop();
  ASSERT_FALSE(onScreen(*late));
  EXPECT_TRUE(hiddenFromAssistiveTechnology(*late));
  late->set_visible(false);
  late->present();
  drainMainLoop();
  EXPECT_FALSE(onScreen(*late));
  EXPECT_TRUE(hiddenFromAssistiveTechnology(*late));

  closedMeanwhile->set_visible(false);
  unlock();
  EXPECT_TRUE(waitUntil([&] { return onScreen(*caseWindow) && onScreen(*late); }, 5000));
  EXPECT_FALSE(hiddenFromAssistiveTechnology(*todo));
  EXPECT_FALSE(hiddenFromAssistiveTechnology(*caseWindow));
  EXPECT_FALSE(hiddenFromAssistiveTechnology(*late));
  EXPECT_TRUE(hiddenFromAssistiveTechnology(*closedMeanwhile));
  EXPECT_FALSE(onScreen(*closedMeanwhile));
}

}  // namespace
}  // namespace quorvel::test
