// The main window's frame memory on a real X display (Xvfb, no window manager, so a
// requested frame is the frame): moves and resizes are written to the user defaults,
// a new window comes back where the last one was, a frame on no screen is centred,
// and unreadable or small text leaves the window alone.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "platform/WindowFrameRules.h"
#include "platform/UserDefaults.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"
#include "ui/windows/WindowMemory.h"

// Xlib last: its macros clash with the toolkit's C++ headers.
#include <X11/Xatom.h>
#include <gdk/x11/gdkx.h>

using namespace quorvel;

namespace {

class WindowMemoryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The first application made stays the process's default; use it when there is one.
    app = std::dynamic_pointer_cast<Gtk::Application>(Gio::Application::get_default());
    if (!app) {
      app = Gtk::Application::create("cn.quorvel.test.windowmemory", Gio::Application::Flags::NON_UNIQUE);
      app->register_application();
    }
  }
  static void TearDownTestSuite() {
    app.reset();
    drainMainLoop();
  }
  void SetUp() override {
    ASSERT_TRUE(app->is_registered());
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    controller.memory().detach();
    for (auto& w : windows) app->remove_window(*w);
    windows.clear();
    drainMainLoop();
    setLogSink({});
    home.defaults().flush();
  }

  // A shown main window of 1280 x 820, at the display's top-left corner.
  Gtk::Window& newWindow(const char* title = "墨衡台") {
    auto& w = *windows.emplace_back(std::make_unique<Gtk::Window>());
    w.set_title(title);
    w.set_child(*Gtk::make_managed<Gtk::Label>("工作台"));
    w.set_default_size(1280, 820);
    app->add_window(w);
    w.present();
    EXPECT_TRUE(test::waitUntil([&] { return w.get_mapped(); }, 5000));
    return w;
  }
  static Rect frameOf(Gtk::Window& w) { return placementFor(w)->frame(); }
  static bool settlesAt(Gtk::Window& w, const Rect& f) {
    return runMainLoopUntil([&] { return frameOf(w) == f; }, 5000);
  }
  std::optional<std::string> stored() { return home.defaults().string(kMainWindowFrameKey); }
  void attachAndWait(Gtk::Window& w) {
    controller.memory().attach(w);
    ASSERT_TRUE(test::waitUntil([&] { return controller.memory().observed() == &w; }, 5000));
  }

  static inline Glib::RefPtr<Gtk::Application> app;
  test::TempHome home;
  MainWindowController controller{home.defaults()};
  std::vector<std::unique_ptr<Gtk::Window>> windows;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(WindowMemoryTest, RemembersMovesAndPutsTheNextWindowThere) {
  Gtk::Window& first = newWindow();
  Rect size = frameOf(first);
  attachAndWait(first);
  // Nothing stored: centred on the screen.
  auto screens = placementFor(first)->screenVisibleFrames();
  ASSERT_FALSE(screens.empty());
  EXPECT_TRUE(settlesAt(first, centredOn(screens.front(), size.width, size.height))) << rectText(frameOf(first));
  EXPECT_EQ(windowIdentifier(first), kMainWindowIdentifier);

  placementFor(first)->setFrame({200, 120, 1100, 700});
  EXPECT_TRUE(test::waitUntil([&] { return stored() == "{{200, 120}, {1100, 700}}"; }, 5000)) << stored().value_or("");

  // The window goes; a new window object is put where it was, position included.
  first.set_visible(false);
  app->remove_window(first);
  windows.clear();
  Gtk::Window& second = newWindow();
  attachAndWait(second);
  EXPECT_TRUE(settlesAt(second, {200, 120, 1100, 700})) << rectText(frameOf(second));
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][WINDOW] 恢复位置 {{200, 120}, {1100, 700}}"), 1);
}

TEST_F(WindowMemoryTest, AFrameOnNoScreenIsCentredInstead) {
  home.defaults().set(kMainWindowFrameKey, "{{5000, 5000}, {1300, 900}}");
  Gtk::Window& w = newWindow();
  Rect size = frameOf(w);
  attachAndWait(w);
  Rect centred = centredOn(placementFor(w)->screenVisibleFrames().front(), size.width, size.height);
  EXPECT_TRUE(settlesAt(w, centred)) << rectText(frameOf(w));
  EXPECT_TRUE(test::waitUntil([&] { return stored() == rectText(centred); }, 5000)) << stored().value_or("");
  EXPECT_EQ(test::countContaining(logs, "恢复位置"), 0);
}

TEST_F(WindowMemoryTest, UnreadableOrSmallTextLeavesTheWindowWhereItIs) {
  for (const char* text : {"garbage", "{{300, 200}, {1300, 900}", "{{300, 200}, {800, 600}}"}) {
    SCOPED_TRACE(text);
    home.defaults().set(kMainWindowFrameKey, text);
    Gtk::Window& w = newWindow();
    const Rect placed{40, 30, 1200, 760};
    placementFor(w)->setFrame(placed);
    ASSERT_TRUE(settlesAt(w, placed));
    attachAndWait(w);
    // Long enough for a move to arrive and be written.
    runMainLoopUntil([] { return false; }, WindowMemory::kWriteDelayMs * 2);
    EXPECT_EQ(frameOf(w), placed) << rectText(frameOf(w));
    EXPECT_EQ(stored(), text);
    controller.memory().detach();
  }
}

TEST_F(WindowMemoryTest, ClosingHidesTheWindowAndShowingBringsItBack) {
  Gtk::Window& w = newWindow();
  attachAndWait(w);
  const Rect placed{150, 100, 1000, 700};
  placementFor(w)->setFrame(placed);
  ASSERT_TRUE(settlesAt(w, placed));

  w.close();  // the close button
  ASSERT_TRUE(test::waitUntil([&] { return !w.get_mapped(); }, 5000));
  EXPECT_EQ(stored(), rectText(placed));  // written at once, not after the delay
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][WINDOW] 主窗口已隐藏至后台"), 1);

  controller.showMainWindow();
  ASSERT_TRUE(test::waitUntil([&] { return w.get_mapped(); }, 5000));
  EXPECT_TRUE(settlesAt(w, placed)) << rectText(frameOf(w));
  EXPECT_EQ(controller.findMainWindow(), &w);
}

TEST_F(WindowMemoryTest, FindsTheMainWindowAmongTheApplicationsWindows) {
  Gtk::Window& floating = newWindow("我的待办与开庭预警");
  setWindowIdentifier(floating, "floating:todo");
  Gtk::Window& calendar = newWindow("墨衡台 · 桌面日历");
  Gtk::Window& archive = newWindow("快速归档到案件卷宗");
  Gtk::Window& panel = newWindow("面板");
  setWindowIsPanel(panel, true);
  Gtk::Window& dialog = newWindow("提示");
  dialog.set_transient_for(floating);
  for (Gtk::Window* w : {&floating, &calendar, &archive, &panel, &dialog})
    EXPECT_EQ(controller.findMainWindow(), nullptr) << w->get_title();

  Gtk::Window& plain = newWindow();
  EXPECT_EQ(controller.findMainWindow(), &plain);
  // The identified window comes next once the cached one is gone.
  Gtk::Window& identified = newWindow();
  setWindowIdentifier(identified, kMainWindowIdentifier);
  EXPECT_EQ(controller.findMainWindow(), &plain);
  std::erase_if(windows, [&](const auto& w) { return w.get() == &plain; });
  EXPECT_EQ(controller.findMainWindow(), &identified);
}

TEST_F(WindowMemoryTest, ShowingWithoutAMainWindowReCreatesIt) {
  int opened = 0;
  controller.setOpenMainScene([&] {
    ++opened;
    newWindow();
  });
  controller.showMainWindow();
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(test::countContaining(logs, "主窗口不存在，通过 openWindow(id: main) 重建"), 1);
  ASSERT_TRUE(test::waitUntil([&] { return controller.memory().observed() == windows.back().get(); }, 5000));
  controller.setOpenMainScene({});
}

// A window manager's work area (panels left out) is the screen to centre on; the
// current desktop's entry counts.
TEST_F(WindowMemoryTest, CentresInTheWorkAreaOfTheCurrentDesktop) {
  Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  Window root = DefaultRootWindow(display);
  auto setCardinals = [&](const char* name, std::vector<long> values) {
    XChangeProperty(display, root, XInternAtom(display, name, False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(values.data()), int(values.size()));
  };
  setCardinals("_NET_WORKAREA", {0, 0, 1600, 1000, 100, 40, 1400, 900});
  setCardinals("_NET_CURRENT_DESKTOP", {1});
  XSync(display, False);

  home.defaults().set(kMainWindowFrameKey, "{{-3000, 0}, {1300, 900}}");
  Gtk::Window& w = newWindow();
  EXPECT_EQ(placementFor(w)->screenVisibleFrames(), std::vector<Rect>{Rect(100, 40, 1400, 900)});
  Rect size = frameOf(w);
  attachAndWait(w);
  EXPECT_TRUE(settlesAt(w, centredOn({100, 40, 1400, 900}, size.width, size.height))) << rectText(frameOf(w));

  XDeleteProperty(display, root, XInternAtom(display, "_NET_WORKAREA", False));
  XDeleteProperty(display, root, XInternAtom(display, "_NET_CURRENT_DESKTOP", False));
  XSync(display, False);
}
