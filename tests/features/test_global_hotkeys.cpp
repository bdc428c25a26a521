#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "fakes/FakeHotKeys.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using quorvel::test::FakeHotKeys;

namespace {

class HotKeyManagerTest : public ::testing::Test {
 protected:
  HotKeyManagerTest() {
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  ~HotKeyManagerTest() override { setLogSink({}); }

  std::unique_ptr<GlobalHotKeyManager> make(AppMode mode = AppMode::normal) {
    auto keys = std::make_unique<FakeHotKeys>();
    fake = keys.get();
    return std::make_unique<GlobalHotKeyManager>(std::move(keys), mode);
  }
  int hotKeyLines() { return test::countContaining(logs, "[Quorvel][HOTKEY]"); }

  test::TempHome home;
  std::vector<std::string> logs;
  FakeHotKeys* fake = nullptr;
};

}  // namespace

TEST_F(HotKeyManagerTest, EnabledFlagDefaultsToOnAndIsStored) {
  EXPECT_TRUE(GlobalHotKeyManager::isEnabled());
  UserDefaults::standard().set("global.hotkey.enabled.v1", "no");
  EXPECT_TRUE(GlobalHotKeyManager::isEnabled()) << "a value that is no boolean counts as absent";

  auto m = make();
  m->registerAll();
  m->setEnabled(false);
  EXPECT_FALSE(GlobalHotKeyManager::isEnabled());
  EXPECT_TRUE(fake->held.empty());
  EXPECT_EQ(fake->handlers, 0);
  UserDefaults::standard().flush();
  UserDefaults reread(UserDefaults::standard().file());
  EXPECT_EQ(reread.boolean("global.hotkey.enabled.v1"), false);

  m->setEnabled(true);
  EXPECT_TRUE(GlobalHotKeyManager::isEnabled());
  EXPECT_EQ(fake->held.size(), 2u);
}

TEST_F(HotKeyManagerTest, RegistersBothKeysAsAltShiftNAndO) {
  auto m = make();
  m->registerAll();
  ASSERT_EQ(fake->held.size(), 2u);
  const unsigned altShift = hotkey::kAlt | hotkey::kShift;
  EXPECT_EQ(fake->held[GlobalHotKeyManager::kQuickCaptureId].keysym, 0x6eu);  // n
  EXPECT_EQ(fake->held[GlobalHotKeyManager::kQuickCaptureId].modifiers, altShift);
  EXPECT_EQ(fake->held[GlobalHotKeyManager::kScreenOCRId].keysym, 0x6fu);  // o
  EXPECT_EQ(fake->held[GlobalHotKeyManager::kScreenOCRId].modifiers, altShift);
  EXPECT_EQ(test::countContaining(
                logs, "[Quorvel][HOTKEY] 已注册全局热键：Alt+Shift+N（悬浮快记） / Alt+Shift+O（屏幕框选OCR）"),
            1);
}

TEST_F(HotKeyManagerTest, ATakenKeyIsLoggedAsFailedAndLeftOutOfTheSuccessLine) {
  auto m = make();
  fake->taken = {GlobalHotKeyManager::kScreenOCRId};
  m->registerAll();
  EXPECT_TRUE(m->isRegistered(GlobalHotKeyManager::kQuickCaptureId));
  EXPECT_FALSE(m->isRegistered(GlobalHotKeyManager::kScreenOCRId));
  EXPECT_EQ(test::countContaining(logs, "注册全局热键失败：Alt+Shift+O（屏幕框选OCR）：已被其他程序占用"), 1);
  ASSERT_EQ(test::countContaining(logs, "已注册全局热键"), 1);
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][HOTKEY] 已注册全局热键：Alt+Shift+N（悬浮快记）"), 1);
  EXPECT_EQ(test::countContaining(logs, "已注册全局热键：Alt+Shift+N（悬浮快记） /"), 0);

  // Nothing had: two failure lines and no success line at all.
  logs.clear();
  fake->taken = {GlobalHotKeyManager::kQuickCaptureId, GlobalHotKeyManager::kScreenOCRId};
  m->registerAll();
  EXPECT_EQ(test::countContaining(logs, "注册全局热键失败"), 2);
  EXPECT_EQ(test::countContaining(logs, "已注册全局热键"), 0);
}

TEST_F(HotKeyManagerTest, NoListenerMeansNoKeysAndTheStatusIsLogged) {
  auto m = make();
  fake->listenFails = true;
  m->registerAll();
  EXPECT_FALSE(m->listening());
  EXPECT_TRUE(fake->held.empty());
  EXPECT_EQ(test::countContaining(logs, "[Quorvel][HOTKEY] 安装事件监听失败: -1"), 1);
  EXPECT_EQ(test::countContaining(logs, "已注册全局热键"), 0);
}

TEST_F(HotKeyManagerTest, RegisteringTwiceLeavesOneHandlerAndTwoKeys) {
  auto m = make();
  m->registerAll();
  m->registerAll();
  EXPECT_EQ(fake->handlers, 1);
  EXPECT_EQ(fake->held.size(), 2u);
  EXPECT_EQ(fake->unregisterCalls, 1) << "the second registration gave the first keys back";

  m->unregisterAll();
  m->unregisterAll();  // harmless when nothing is registered
  EXPECT_EQ(fake->handlers, 0);
  EXPECT_TRUE(fake->held.empty());
  EXPECT_FALSE(m->isRegistered(GlobalHotKeyManager::kQuickCaptureId));
}

TEST_F(HotKeyManagerTest, PressesReachTheirClosureOnALaterTurn) {
  auto m = make();
  int captures = 0, ocrs = 0;
  m->registerAll();
  fake->press(GlobalHotKeyManager::kQuickCaptureId);  // closure unset: nothing happens
  drainMainLoop();

  m->onQuickCapture = [&] { ++captures; };
  m->onScreenOCR = [&] { ++ocrs; };
  fake->press(GlobalHotKeyManager::kQuickCaptureId);
  EXPECT_EQ(captures, 0) << "the closure runs after the event is answered";
  ASSERT_TRUE(runMainLoopUntil([&] { return captures == 1; }, 2000));
  EXPECT_EQ(ocrs, 0);
  fake->press(GlobalHotKeyManager::kScreenOCRId);
  ASSERT_TRUE(runMainLoopUntil([&] { return ocrs == 1; }, 2000));
  EXPECT_EQ(captures, 1);

  // Released keys and a manager that is gone call nothing.
  m->unregisterAll();
  fake->press(GlobalHotKeyManager::kQuickCaptureId);
  drainMainLoop();
  EXPECT_EQ(captures, 1);
  m->registerAll();
  fake->press(GlobalHotKeyManager::kQuickCaptureId);
  m.reset();
  drainMainLoop();
  EXPECT_EQ(captures, 1);
}

TEST_F(HotKeyManagerTest, LaunchRegistersOnlyWhenEnabledAndNeverInDiagnosticMode) {
  {
    auto m = make(AppMode::diagnostic);
    m->registerAtLaunch();
    EXPECT_EQ(fake->handlers, 0);
    EXPECT_TRUE(fake->held.empty());
    EXPECT_EQ(hotKeyLines(), 0);
  }
  {
    UserDefaults::standard().set("global.hotkey.enabled.v1", false);
    auto m = make();
    m->registerAtLaunch();
    EXPECT_TRUE(fake->held.empty());
    EXPECT_EQ(hotKeyLines(), 0);
  }
  {
    UserDefaults::standard().remove("global.hotkey.enabled.v1");
    auto m = make();
    m->registerAtLaunch();
    EXPECT_EQ(fake->held.size(), 2u);
  }
}
