// The settings' system-integration card over the application's own services, signed
// in to the test service: a chosen idle limit locks after that long without input,
// the hot-key switch gives Alt+Shift+N back to the desktop and takes it again, and
// "重建索引" indexes the firm's nodes and shows the count.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>

#include "ServiceTabFixture.h"
#include "SettingsCardWindow.h"
#include "TestHelpers.h"
#include "core/Dialogs.h"
#include "core/PrivacyLock.h"
#include "fakes/FakeLockPlatform.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/SpotlightIndexer.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/model/SystemIntegrationRows.h"
#include "ui/settings/SystemIntegrationCard.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

void click(Gtk::Button& button) { g_signal_emit_by_name(button.gobj(), "clicked"); }

class IntegrationServicesTest : public ServiceTabFixture {
 protected:
  void SetUp() override {
    parts.idle = &idle;
    ServiceTabFixture::SetUp();
    model = services->browser();
  }
  void TearDown() override {
    window.reset();
    drainMainLoop();
    ServiceTabFixture::TearDown();
  }
  SystemIntegrationCard& showCard() {
    auto& s = *services;
    card = Gtk::make_managed<SystemIntegrationCard>(SystemIntegrationCard::Services{
        s.desktopCalendar(), s.calendarSync(), s.spotlight(), s.hotKeys(), s.inbox(), s.privacyLock(), s.dialogs(),
        model});
    window = presentSettingsCard(*card);
    return *card;
  }

  FakeIdleTime idle;
  std::unique_ptr<Gtk::Window> window;
  SystemIntegrationCard* card = nullptr;
};

}  // namespace

TEST_F(IntegrationServicesTest, FifteenMinutesChosenLocksAfterFifteenIdleMinutes) {
  auto& lock = services->privacyLock();
  lock.setCheckInterval(40);
  lock.startMonitoring();
  auto& c = showCard();
  EXPECT_FALSE(lock.idleCheckArmed()) << "no limit chosen yet";

  idle.seconds = 15 * 60 - 1;
  click(c.idleChip(15));
  EXPECT_TRUE(c.idleChip(15).active());
  defaults.flush();
  EXPECT_EQ(UserDefaults(defaults.file()).integer(PrivacyLock::kAutoLockKey), 15);
  EXPECT_TRUE(lock.idleCheckArmed());
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_FALSE(lock.isLocked.get()) << "a second short of the limit";
  idle.seconds = 15 * 60;
  EXPECT_TRUE(waitUntil([&] { return lock.isLocked.get(); }, 3000));
  EXPECT_TRUE(logged("[Quorvel][LOCK] 已开启隐私锁屏"));
}

TEST_F(IntegrationServicesTest, HotKeySwitchGivesAltShiftNBackAndTakesItAgain) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  auto& keys = services->hotKeys();
  int captures = 0;
  keys.onQuickCapture = [&] { ++captures; };
  keys.registerAll();
  ASSERT_TRUE(keys.isRegistered(GlobalHotKeyManager::kQuickCaptureId)) << "the display's keys are taken";
  auto& c = showCard();
  ASSERT_TRUE(c.hotKeySwitch().get_active());

  c.hotKeySwitch().set_active(false);
  EXPECT_FALSE(keys.isRegistered(GlobalHotKeyManager::kQuickCaptureId));
  EXPECT_FALSE(keys.listening());
  ASSERT_EQ(std::system("xdotool key alt+shift+n"), 0);
  runMainLoopUntil([] { return false; }, 600);
  EXPECT_EQ(captures, 0) << "Alt+Shift+N still reached quick capture with the hot keys off";

  c.hotKeySwitch().set_active(true);
  EXPECT_TRUE(keys.isRegistered(GlobalHotKeyManager::kQuickCaptureId));
  ASSERT_EQ(std::system("xdotool key alt+shift+n"), 0);
  EXPECT_TRUE(waitUntil([&] { return captures == 1; }, 5000));
}

TEST_F(IntegrationServicesTest, RebuildingTheIndexShowsTheCount) {
  signIn();
  auto tab = model->activeTab();
  ASSERT_NE(tab, nullptr);
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  auto& spotlight = services->spotlight();
  auto& c = showCard();
  EXPECT_EQ(c.searchSubtitle().get_text().raw(), SystemIntegrationRows::searchSubtitle(0, ""));

  click(c.reindexButton());
  ASSERT_TRUE(waitUntil([&] { return spotlight.indexedCount.get() > 0; }, 15000));
  EXPECT_TRUE(service.isSignedIn(service.requestsTo("/api/desktop/nodes").back()));
  const std::string line = c.searchSubtitle().get_text().raw();
  EXPECT_EQ(line, "已索引 " + std::to_string(spotlight.indexedCount.get()) + " 条合同/客户/卷宗（" +
                      spotlight.lastIndexedAt.get() + "）");
  EXPECT_EQ(spotlight.lastIndexedAt.get().size(), 5u) << "HH:mm";
}
