// Hot keys on the test's own X server, pressed with xdotool.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "platform/HotKeys.h"

// Last: Xlib's macros (None, Bool) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace quorvel;

namespace {

void xdotool(const std::string& args) {
  std::string cmd = "xdotool " + args;
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// Another X client of the same server, grabbing keys for itself.
class OtherClient {
 public:
  OtherClient() : d_(XOpenDisplay(nullptr)) {}
  ~OtherClient() {
    if (d_) XCloseDisplay(d_);
  }
  // True when the server granted every grab.
  bool grab(KeySym sym, unsigned modifiers) {
    KeyCode code = XKeysymToKeycode(d_, sym);
    failed_ = false;
    auto previous = XSetErrorHandler([](Display*, XErrorEvent*) {
      failed_ = true;
      return 0;
    });
    XGrabKey(d_, code, modifiers, DefaultRootWindow(d_), False, GrabModeAsync, GrabModeAsync);
    XSync(d_, False);
    XSetErrorHandler(previous);
    return !failed_;
  }
  bool ok() const { return d_ != nullptr; }

 private:
  Display* d_;
  static inline bool failed_ = false;
};

class X11HotKeysTest : public ::testing::Test {
 protected:
  X11HotKeysTest() {
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  ~X11HotKeysTest() override { setLogSink({}); }

  test::TempHome home;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(X11HotKeysTest, AltShiftNReachesQuickCaptureWithAndWithoutLockKeys) {
  GlobalHotKeyManager m(std::make_unique<X11HotKeys>(), AppMode::normal);
  int captures = 0, ocrs = 0;
  m.onQuickCapture = [&] { ++captures; };
  m.onScreenOCR = [&] { ++ocrs; };
  m.registerAll();
  ASSERT_TRUE(m.isRegistered(GlobalHotKeyManager::kQuickCaptureId));
  ASSERT_TRUE(m.isRegistered(GlobalHotKeyManager::kScreenOCRId));

  xdotool("key alt+shift+n");
  ASSERT_TRUE(runMainLoopUntil([&] { return captures == 1; }, 5000));
  xdotool("key alt+shift+o");
  ASSERT_TRUE(runMainLoopUntil([&] { return ocrs == 1; }, 5000));

  xdotool("key Caps_Lock");
  xdotool("key alt+shift+n");
  EXPECT_TRUE(runMainLoopUntil([&] { return captures == 2; }, 5000)) << "with CapsLock on";
  xdotool("key Caps_Lock");

  xdotool("key Num_Lock");
  xdotool("key alt+shift+n");
  EXPECT_TRUE(runMainLoopUntil([&] { return captures == 3; }, 5000)) << "with NumLock on";
  xdotool("key Num_Lock");

  // Other combinations of the same key stay with the focused program.
  xdotool("key alt+n shift+n");
  xdotool("key alt+shift+o");
  ASSERT_TRUE(runMainLoopUntil([&] { return ocrs == 2; }, 5000));
  EXPECT_EQ(captures, 3);

  // Given back, another client can take it, lock variants included.
  m.unregisterAll();
  OtherClient other;
  ASSERT_TRUE(other.ok());
  EXPECT_TRUE(other.grab(XK_n, ShiftMask | Mod1Mask));
  EXPECT_TRUE(other.grab(XK_n, ShiftMask | Mod1Mask | LockMask | Mod2Mask));
}

TEST_F(X11HotKeysTest, AKeyHeldByAnotherClientFailsWhileTheOtherWorks) {
  OtherClient other;
  ASSERT_TRUE(other.ok());
  ASSERT_TRUE(other.grab(XK_o, ShiftMask | Mod1Mask));

  GlobalHotKeyManager m(std::make_unique<X11HotKeys>(), AppMode::normal);
  int captures = 0, ocrs = 0;
  m.onQuickCapture = [&] { ++captures; };
  m.onScreenOCR = [&] { ++ocrs; };
  m.registerAll();
  EXPECT_TRUE(m.isRegistered(GlobalHotKeyManager::kQuickCaptureId));
  EXPECT_FALSE(m.isRegistered(GlobalHotKeyManager::kScreenOCRId));
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][HOTKEY] 注册全局热键失败：Alt+Shift+O（屏幕框选OCR）：已被其他程序占用"), 1);
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][HOTKEY] 已注册全局热键：Alt+Shift+N（悬浮快记）"), 1);
  EXPECT_EQ(test::countContaining(logs, "已注册全局热键：Alt+Shift+N（悬浮快记） / Alt+Shift+O"), 0);

  // Events reach us in the server's order: once N has arrived, an O of ours would have too.
  xdotool("key alt+shift+o");
  xdotool("key alt+shift+n");
  ASSERT_TRUE(runMainLoopUntil([&] { return captures == 1; }, 5000));
  EXPECT_EQ(ocrs, 0);
  // The lock variants of the failed key were given back as well.
  OtherClient third;
  EXPECT_TRUE(third.grab(XK_o, ShiftMask | Mod1Mask | LockMask));
}

TEST_F(X11HotKeysTest, WithoutAnXDisplayRegistrationFailsCleanly) {
  std::optional<std::string> saved;
  if (const char* d = std::getenv("DISPLAY")) saved = d;
  unsetenv("DISPLAY");
  {
    GlobalHotKeyManager m(std::make_unique<X11HotKeys>(), AppMode::normal);
    m.registerAll();
    EXPECT_FALSE(m.listening());
    EXPECT_FALSE(m.isRegistered(GlobalHotKeyManager::kQuickCaptureId));
  }
  if (saved) setenv("DISPLAY", saved->c_str(), 1);
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][HOTKEY] 安装事件监听失败: 1"), 1);
  EXPECT_EQ(test::countContaining(logs, "没有可用的 X 显示服务器"), 1);
  EXPECT_EQ(test::countContaining(logs, "已注册全局热键"), 0);
}
