// The calendar-sync service's state and permission request, over the in-memory store.
#include <gtest/gtest.h>

#include "CalendarSyncParts.h"
#include "CalendarTestSupport.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "fakes/FakeCalendarStore.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"

namespace quorvel::test {
namespace {

class CalendarSyncTest : public ::testing::Test {
 protected:
  TempHome home;
  UserDefaults& defaults = home.defaults();
  FakePages pages{defaults};
  std::shared_ptr<BrowserModel> model = pages.model();  // badges not loaded
  std::vector<std::string> lines;
  void SetUp() override { setLogSink([this](const std::string& l) { lines.push_back(l); }); }
  void TearDown() override { setLogSink({}); }
};

TEST_F(CalendarSyncTest, InitialStateFollowsTheStoredSettings) {
  defaults.set(CalendarSyncConfig::kDefaultsKey, nlohmann::json{{"enabled", true}, {"intervalMinutes", "3"}});
  CalendarSyncParts offParts(defaults, *model);
  auto& off = offParts.sync;
  EXPECT_FALSE(off.config->enabled);  // a wrong type gives the whole default
  EXPECT_EQ(off.statusText.get(), CalendarSyncState::initialStatus(false));
  EXPECT_EQ(off.lastSyncedAt.get(), "");
  EXPECT_EQ(off.syncedEventsCount.get() + off.syncedRemindersCount.get() + off.writeBackCount.get(), 0);

  AppleCalendarSync::Config c;
  c.enabled = true;
  off.updateConfig(c);
  EXPECT_TRUE(off.config->enabled);
  CalendarSyncParts onParts(defaults, *model);
  auto& on = onParts.sync;
  EXPECT_TRUE(on.config->enabled);
  EXPECT_EQ(on.statusText.get(), "已开启，等待同步…");

  ScopedTimeZone tz("Asia/Shanghai");
  setClockTo(pages.clock, 2026, 3, 18, 9, 41, 8);
  pages.clock.advance(std::chrono::seconds(7));
  on.updateTimestamp("已是最新（无变更）");
  EXPECT_EQ(on.statusText.get(), "已是最新（无变更） · 09:41:07");
  EXPECT_EQ(on.lastSyncedAt.get(), "09:41:07");
}

TEST_F(CalendarSyncTest, PermissionsAskForRemindersOnlyWhenTheyAreSynced) {
  CalendarSyncParts parts(defaults, *model);
  auto& sync = parts.sync;
  auto store = std::make_unique<FakeCalendarStore>();
  auto* fake = store.get();
  parts.slot.setStore(std::move(store));
  EXPECT_EQ(sync.storeDescription.get(), "内存日历（测试）");

  EXPECT_TRUE(await(sync.requestPermissions()));
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 权限结果 calendar=1 reminders=1"), 1);

  fake->grantAccess = false;
  EXPECT_FALSE(await(sync.requestPermissions()));
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 权限结果 calendar=0 reminders=0"), 1);

  auto c = sync.config.get();
  c.syncReminders = false;
  sync.updateConfig(c);
  EXPECT_FALSE(await(sync.requestPermissions()));
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 权限结果 calendar=0 reminders=1"), 1);
}

TEST_F(CalendarSyncTest, TheStoreIsOpenedOnceAndItsBackendLogged) {
  CalendarStoreOptions options;
  options.tryEds = false;
  options.sqliteFolder = home.dataHome() / "Quorvel";
  CalendarSyncParts parts(defaults, *model, options);
  auto& sync = parts.sync;
  // Two callers at once share one store.
  auto a = runToEnd(parts.slot.ensureStore());
  auto b = runToEnd(parts.slot.ensureStore());
  ASSERT_TRUE(a->value && b->value);
  EXPECT_EQ(*a->value, *b->value);
  EXPECT_EQ((*a->value)->backend(), CalendarBackend::sqlite);
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 日历存储：本地日历存储"), 1);
  EXPECT_NE(sync.storeDescription.get().find("本地日历存储"), std::string::npos);
}

TEST_F(CalendarSyncTest, FeedCacheBelongsToItsAccount) {
  CalendarSyncParts parts(defaults, *model);  // badges not loaded: the account key is ":"
  auto& sync = parts.feed;
  sync.cacheAllICSURL("https://app.quorvel.cn/cal/t/all.ics");
  sync.cacheETag("\"v1\"");
  EXPECT_EQ(sync.cachedETag(), "\"v1\"");
  // The same address keeps its tag; a new address starts without one.
  sync.cacheAllICSURL("https://app.quorvel.cn/cal/t/all.ics");
  EXPECT_EQ(sync.cachedETag(), "\"v1\"");
  sync.cacheAllICSURL("https://app.quorvel.cn/cal/u/all.ics");
  EXPECT_FALSE(sync.cachedETag());
  sync.forgetFeedCache();
  sync.cacheETag("\"v2\"");  // a tag without an address is not kept
  EXPECT_FALSE(sync.cachedETag());

  // The last synced account: badge counts not loaded yet are no account.
  auto& records = parts.records;
  records.rememberSyncedAccount(":");
  EXPECT_EQ(records.lastSyncedAccount(), "");
  records.rememberSyncedAccount("墨衡律师事务所:张律师");
  EXPECT_EQ(records.lastSyncedAccount(), "墨衡律师事务所:张律师");
  // Kept in the records' store, not in the settings file.
  records.flush();
  EXPECT_FALSE(defaults.string("apple.cal.lastAccount.v1"));
  EXPECT_EQ(CalendarSyncRecords(defaults).lastSyncedAccount(), "墨衡律师事务所:张律师");
}

}  // namespace
}  // namespace quorvel::test
