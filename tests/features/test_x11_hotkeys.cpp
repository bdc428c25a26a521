// Hot keys on the test's own X server, pressed with xdotool.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "features/workspace/GlobalHotKeyManager.h"

// Last: Xlib's macros (None, Bool) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace quorvel;
using Manager = GlobalHotKeyManager;

namespace {

void xdotool(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }

bool otherClientFailed = false;
// Another client of the same server takes Alt+Shift+<sym> (plus `locks`); true when granted.
bool grabElsewhere(Display* d, KeySym sym, unsigned locks) {
  otherClientFailed = false;
  auto previous = XSetErrorHandler([](Display*, XErrorEvent*) {
    otherClientFailed = true;
    return 0;
  });
  XGrabKey(d, XKeysymToKeycode(d, sym), ShiftMask | Mod1Mask | locks, DefaultRootWindow(d), False, GrabModeAsync,
           GrabModeAsync);
  XSync(d, False);
  XSetErrorHandler(previous);
  return !otherClientFailed;
}

class X11HotKeysTest : public ::testing::Test {
 protected:
  X11HotKeysTest() {
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    m.onQuickCapture = [this] { ++captures; };
    m.onScreenOCR = [this] { ++ocrs; };
  }
  ~X11HotKeysTest() override {
    setLogSink({});
    if (other) XCloseDisplay(other);
  }

  test::TempHome home;
  std::vector<std::string> logs;
  Display* other = XOpenDisplay(nullptr);
  Manager m{std::make_unique<X11HotKeys>(), home.defaults(), AppMode::normal};
  int captures = 0, ocrs = 0;
};

}  // namespace

TEST_F(X11HotKeysTest, AltShiftNReachesQuickCaptureWithAndWithoutLockKeys) {
  m.registerAll();
  xdotool("key alt+shift+n");
  ASSERT_TRUE(test::waitUntil([&] { return captures == 1; }, 5000));
  xdotool("key alt+shift+o");
  ASSERT_TRUE(test::waitUntil([&] { return ocrs == 1; }, 5000));
  xdotool("key Caps_Lock key alt+shift+n key Caps_Lock");
  EXPECT_TRUE(test::waitUntil([&] { return captures == 2; }, 5000)) << "with CapsLock on";
  xdotool("key Num_Lock key alt+shift+n key Num_Lock");
  EXPECT_TRUE(test::waitUntil([&] { return captures == 3; }, 5000)) << "with NumLock on";

  // Given back, another client can take it, lock variants included.
  m.unregisterAll();
  EXPECT_TRUE(grabElsewhere(other, XK_n, 0));
  EXPECT_TRUE(grabElsewhere(other, XK_n, LockMask | Mod2Mask));
}

TEST_F(X11HotKeysTest, AKeyHeldByAnotherClientFailsWhileTheOtherWorks) {
  ASSERT_TRUE(grabElsewhere(other, XK_o, 0));
  m.registerAll();
  EXPECT_FALSE(m.isRegistered(Manager::kScreenOCRId));
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][HOTKEY] 注册全局热键失败：Alt+Shift+O（屏幕框选OCR）：已被其他程序占用"), 1);
  EXPECT_EQ(test::countContaining(logs, "已注册全局热键：Alt+Shift+N（悬浮快记）"), 1);
  EXPECT_EQ(test::countContaining(logs, "/ Alt+Shift+O"), 0);

  // The server keeps the order: once N has arrived, an O meant for us would have too.
  xdotool("key alt+shift+o key alt+shift+n");
  ASSERT_TRUE(test::waitUntil([&] { return captures == 1; }, 5000));
  EXPECT_EQ(ocrs, 0);
  EXPECT_TRUE(grabElsewhere(other, XK_o, LockMask)) << "the failed key's lock variants were given back";

  // No X display at all (a pure Wayland session): a clean failure with its reason.
  std::string display = std::getenv("DISPLAY");
  unsetenv("DISPLAY");
  Manager none(std::make_unique<X11HotKeys>(), home.defaults(), AppMode::normal);
  none.registerAll();
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_FALSE(none.listening());
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][HOTKEY] 安装事件监听失败: 1"), 1);
  EXPECT_EQ(test::countContaining(logs, "没有可用的 X 显示服务器"), 1);
}
