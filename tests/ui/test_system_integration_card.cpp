// The settings' system-integration card over the services it is given: each control
// calls its service once, each row follows its service's published state (also when
// the change came from elsewhere), and showing a state never counts as the user's turn.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "IntegrationServices.h"
#include "SettingsCardWindow.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/GLibPtr.h"
#include "base/MainQueue.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/model/SystemIntegrationRows.h"

namespace quorvel::test {
namespace {

void click(Gtk::Button& button) { g_signal_emit_by_name(button.gobj(), "clicked"); }

// The flag as stored on disk, read by a fresh reader.
std::optional<bool> storedFlag(UserDefaults& defaults, const char* key) {
  defaults.flush();
  return UserDefaults(defaults.file()).boolean(key);
}

class SystemIntegrationCardTest : public ::testing::Test {
 protected:
  void TearDown() override {
    window.reset();
    drainMainLoop();
  }
  // The card in a window of the settings sheet's width.
  SystemIntegrationCard& showCard() {
    card = Gtk::make_managed<SystemIntegrationCard>(world.services());
    window = presentSettingsCard(*card);
    return *card;
  }

  TempHome home;
  UserDefaults& defaults = home.defaults();
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model = freshFakeModel(pages);
  IntegrationServices world{defaults, model, home.root() / "index.db"};
  std::unique_ptr<Gtk::Window> window;
  SystemIntegrationCard* card = nullptr;
};

TEST_F(SystemIntegrationCardTest, SyncSwitchOptionsAndClearDriveTheCalendarSync) {
  auto& c = showCard();
  auto& sync = world.calendar.sync;
  // Sync off: the switch off, the options hidden, the status line the sync's own.
  EXPECT_FALSE(c.syncSwitch().get_active());
  EXPECT_FALSE(c.syncOptions().get_visible());
  EXPECT_EQ(c.syncStatus().get_text().raw(), CalendarSyncState::initialStatus(false));

  // Access refused: the switch goes back off, stored so, and the line says why.
  world.store->grantAccess = false;
  c.syncSwitch().set_active(true);
  ASSERT_TRUE(waitUntil([&] { return !c.syncSwitch().get_active(); }, 5000));
  EXPECT_FALSE(CalendarSyncConfig::load(defaults).enabled);
  EXPECT_EQ(c.syncStatus().get_text().raw().rfind("未获得日历/提醒事项权限", 0), 0u) << c.syncStatus().get_text();

  // Granted: on and stored, the options shown; while the forced run goes the button
  // says so and cannot be pressed.
  int runs = 0;
  bool busyLook = true;
  ScopedConnection watch = sync.isSyncing.changed().connect([&] {
    if (!sync.isSyncing.get()) return;
    ++runs;
    busyLook = busyLook && c.syncButton().get_label().raw() == "同步中…" && !c.syncButton().get_sensitive();
  });
  world.store->grantAccess = true;
  c.syncSwitch().set_active(true);
  ASSERT_TRUE(waitUntil([&] { return runs == 1 && !sync.isSyncing.get(); }, 10000));
  EXPECT_TRUE(busyLook);
  EXPECT_EQ(c.syncButton().get_label().raw(), "立即同步");
  EXPECT_TRUE(c.syncButton().get_sensitive());
  EXPECT_TRUE(c.syncOptions().get_visible());
  EXPECT_TRUE(CalendarSyncConfig::load(defaults).enabled);

  // "极简" is saved and rebuilds the calendar at once; the reminder options are only saved.
  c.hearingsOnlyOption().set_active(true);
  EXPECT_TRUE(CalendarSyncConfig::load(defaults).hearingsOnlyInCalendar);
  ASSERT_TRUE(waitUntil([&] { return runs == 2 && !sync.isSyncing.get(); }, 10000)) << "a changed calendar rule syncs at once";
  c.syncRemindersOption().set_active(false);
  EXPECT_FALSE(CalendarSyncConfig::load(defaults).syncReminders);
  EXPECT_TRUE(CalendarSyncConfig::load(defaults).hearingsOnlyInCalendar);
  runMainLoopUntil([] { return false; }, 200);
  EXPECT_EQ(runs, 2) << "a reminder option waits for the next run";
  EXPECT_TRUE(busyLook);

  // "清空同步日历" asks first; only "确认清空" clears.
  world.dialogs.answer = 1;
  click(c.clearButton());
  drainMainLoop();
  ASSERT_EQ(world.dialogs.shown.size(), 1u);
  EXPECT_EQ(world.dialogs.shown[0].title, "清空本机日历里的墨衡台日程？");
  EXPECT_EQ(world.dialogs.shown[0].buttons, (std::vector<std::string>{"确认清空", "取消"}));
  EXPECT_EQ(c.syncStatus().get_text().raw().find("已清空"), std::string::npos);
  world.dialogs.answer = 0;
  click(c.clearButton());
  ASSERT_TRUE(waitUntil([&] { return c.syncStatus().get_text().raw().rfind("已清空全部墨衡台同步日历与提醒", 0) == 0; },
                        5000))
      << c.syncStatus().get_text();

  // Switched off elsewhere: the switch and the options follow without a second call.
  auto off = sync.config.get();
  off.enabled = false;
  sync.updateConfig(off);
  EXPECT_FALSE(c.syncSwitch().get_active());
  EXPECT_FALSE(c.syncOptions().get_visible());
  EXPECT_EQ(c.syncStatus().get_text().raw().find("已暂停自动同步"), std::string::npos)
      << "following the state must not switch the sync off a second time";
}

TEST_F(SystemIntegrationCardTest, DesktopCalendarButtonAndAutoShowFollowTheWindow) {
  auto& c = showCard();
  auto& calendar = world.desktopCalendar;
  EXPECT_EQ(c.desktopCalendarButton().get_label().raw(), "打开桌面日历");
  click(c.desktopCalendarButton());
  ASSERT_NE(calendar.window(), nullptr);
  EXPECT_TRUE(calendar.window()->get_visible());
  EXPECT_EQ(c.desktopCalendarButton().get_label().raw(), "隐藏日历");
  click(c.desktopCalendarButton());
  EXPECT_FALSE(calendar.window()->get_visible());
  EXPECT_FALSE(calendar.isVisible.get());
  EXPECT_EQ(c.desktopCalendarButton().get_label().raw(), "打开桌面日历");
  // Shown from elsewhere (the menu, the top bar): the label follows.
  calendar.show();
  EXPECT_EQ(c.desktopCalendarButton().get_label().raw(), "隐藏日历");
  calendar.hide();

  c.autoShowSwitch().set_active(true);
  EXPECT_TRUE(calendar.autoShowOnLaunch.get());
  EXPECT_EQ(storedFlag(defaults, kDesktopCalendarAutoShowKey), true);
  calendar.setAutoShowOnLaunch(false);
  EXPECT_FALSE(c.autoShowSwitch().get_active());
}

TEST_F(SystemIntegrationCardTest, HotKeysInboxSearchAndIdleLockRows) {
  // Switched off in an earlier session: the switch starts off and nothing is held.
  defaults.set(GlobalHotKeyManager::kEnabledKey, false);
  auto& c = showCard();
  EXPECT_FALSE(c.hotKeySwitch().get_active());
  c.hotKeySwitch().set_active(true);
  EXPECT_EQ(world.keyState->held.size(), 2u);
  EXPECT_EQ(storedFlag(defaults, GlobalHotKeyManager::kEnabledKey), true);
  c.hotKeySwitch().set_active(false);
  EXPECT_TRUE(world.keyState->held.empty());
  EXPECT_EQ(world.keyState->handlers, 0);
  EXPECT_EQ(storedFlag(defaults, GlobalHotKeyManager::kEnabledKey), false);
  // The stored flag changed elsewhere: the next appearance reads it, without registering.
  defaults.set(GlobalHotKeyManager::kEnabledKey, true);
  c.refresh();
  EXPECT_TRUE(c.hotKeySwitch().get_active());
  EXPECT_TRUE(world.keyState->held.empty());

  // The inbox: the path as the subtitle (empty shows empty), the switch drives watching.
  const std::string inbox = (home.root() / "文档" / "墨衡台收件箱").string();
  world.inbox.useForThisRun({false, inbox, true});
  EXPECT_EQ(c.inboxPath().get_text().raw(), inbox);
  c.inboxSwitch().set_active(true);
  EXPECT_TRUE(world.inbox.isWatching.get());
  EXPECT_TRUE(HotFolderWatcher::Config::load(defaults).enabled);
  world.inbox.setEnabled(false);
  EXPECT_FALSE(c.inboxSwitch().get_active());
  world.inbox.useForThisRun({false, "", true});
  EXPECT_EQ(c.inboxPath().get_text().raw(), "");

  // System search: the switch is stored; the line shows the description until a run counted.
  EXPECT_EQ(c.searchSubtitle().get_text().raw(), SystemIntegrationRows::searchSubtitle(0, ""));
  c.searchSwitch().set_active(false);
  EXPECT_FALSE(world.spotlight.enabled.get());
  EXPECT_EQ(storedFlag(defaults, SpotlightIndexer::kEnabledKey), false);

  // The idle lock: one chip active, the one stored.
  EXPECT_TRUE(c.idleChip(0).active());
  click(c.idleChip(5));
  EXPECT_TRUE(c.idleChip(5).active());
  EXPECT_FALSE(c.idleChip(0).active());
  EXPECT_EQ(defaults.integer(PrivacyLock::kAutoLockKey), 5);
  click(c.idleChip(0));
  EXPECT_TRUE(c.idleChip(0).active());
  EXPECT_EQ(defaults.integer(PrivacyLock::kAutoLockKey), 0);
}

}  // namespace
}  // namespace quorvel::test
