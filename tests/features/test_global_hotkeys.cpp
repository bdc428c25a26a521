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
using Manager = GlobalHotKeyManager;

namespace {

class HotKeyManagerTest : public ::testing::Test {
 protected:
  HotKeyManagerTest() { setLogSink([this](const std::string& line) { logs.push_back(line); }); }
  ~HotKeyManagerTest() override { setLogSink({}); }

  std::unique_ptr<Manager> make(AppMode mode = AppMode::normal) {
    auto keys = std::make_unique<test::FakeHotKeys>();
    fake = keys->state;
    return std::make_unique<Manager>(std::move(keys), home.defaults(), mode);
  }
  int count(const std::string& part) { return test::countContaining(logs, part); }

  test::TempHome home;
  std::vector<std::string> logs;
  // The fake of the manager made last; it outlives that manager.
  std::shared_ptr<test::FakeHotKeys::State> fake;
};

}  // namespace

TEST_F(HotKeyManagerTest, SwitchIsStoredAndGatesTheLaunchButNeverInDiagnosticMode) {
  home.defaults().set(Manager::kEnabledKey, "no");
  EXPECT_TRUE(make()->isEnabled()) << "absent or not a boolean counts as on";
  auto diagnostic = make(AppMode::diagnostic);
  diagnostic->registerAtLaunch();
  EXPECT_EQ(fake->handlers, 0);
  EXPECT_EQ(count("[Quorvel][HOTKEY]"), 0);

  auto m = make();
  m->registerAtLaunch();
  EXPECT_EQ(fake->held.size(), 2u);
  m->setEnabled(false);
  EXPECT_TRUE(fake->held.empty());
  EXPECT_EQ(fake->handlers, 0);
  home.defaults().flush();
  EXPECT_EQ(UserDefaults(home.defaults().file()).boolean(Manager::kEnabledKey), false);
  make()->registerAtLaunch();
  EXPECT_TRUE(fake->held.empty()) << "switched off: nothing at launch";
}

TEST_F(HotKeyManagerTest, LogsAFailurePerKeyAndTheSuccessLineOnlyForKeysHeld) {
  auto m = make();
  m->registerAll();
  EXPECT_EQ(fake->held[Manager::kQuickCaptureId].keysym, 0x6eu);  // n, with Alt+Shift
  EXPECT_EQ(fake->held[Manager::kScreenOCRId].modifiers, hotkey::kAlt | hotkey::kShift);
  EXPECT_EQ(count("[Quorvel][HOTKEY] 已注册全局热键：Alt+Shift+N（悬浮快记） / Alt+Shift+O（屏幕框选OCR）"), 1);

  logs.clear();
  fake->taken = {Manager::kScreenOCRId};
  m->registerAll();
  EXPECT_TRUE(m->isRegistered(Manager::kQuickCaptureId));
  EXPECT_FALSE(m->isRegistered(Manager::kScreenOCRId));
  EXPECT_EQ(count("[Quorvel][HOTKEY] 注册全局热键失败：Alt+Shift+O（屏幕框选OCR）：已被其他程序占用"), 1);
  EXPECT_EQ(count("已注册全局热键：Alt+Shift+N（悬浮快记）"), 1);
  EXPECT_EQ(count("/ Alt+Shift+O"), 0);

  logs.clear();
  fake->taken = {Manager::kQuickCaptureId, Manager::kScreenOCRId};
  m->registerAll();
  EXPECT_EQ(count("注册全局热键失败"), 2);
  EXPECT_EQ(count("已注册全局热键"), 0);
}

TEST_F(HotKeyManagerTest, RegistersOnceAndRoutesPressesOnALaterTurn) {
  auto m = make();
  int captures = 0, ocrs = 0;
  m->registerAll();
  m->registerAll();
  EXPECT_EQ(fake->handlers, 1) << "every registration starts by giving back the last";
  EXPECT_EQ(fake->held.size(), 2u);
  fake->press(Manager::kQuickCaptureId);  // no closure yet: nothing happens
  drainMainLoop();
  m->onQuickCapture = [&] { ++captures; };
  m->onScreenOCR = [&] { ++ocrs; };
  fake->press(Manager::kQuickCaptureId);
  EXPECT_EQ(captures, 0) << "the press is answered before the closure runs";
  ASSERT_TRUE(test::waitUntil([&] { return captures == 1; }, 2000));
  fake->press(Manager::kScreenOCRId);
  ASSERT_TRUE(test::waitUntil([&] { return ocrs == 1; }, 2000));
  EXPECT_EQ(captures, 1);

  m->unregisterAll();
  m->unregisterAll();  // harmless twice
  EXPECT_EQ(fake->handlers, 0);
  EXPECT_TRUE(fake->held.empty());

  // Pressed, then the manager is gone before the closure's turn.
  m->registerAll();
  fake->press(Manager::kQuickCaptureId);
  m.reset();
  drainMainLoop();
  EXPECT_EQ(captures, 1);
}
