// The notifier on a real (private, test-run) session bus: an in-process stand-in
// for the notification server records Notify calls, and a signal subscription
// records the launcher entry's Update signals.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "FakeNotificationServer.h"
#include "TestHelpers.h"
#include "fakes/SettableClock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/Notifier.h"
#include "platform/DesktopNotifications.h"
#include "platform/LauncherBadge.h"
#include "platform/Notifications.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

class NotifierDBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zone.emplace("CST-8");
    at(8, 0);
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    drainMainLoop();
    setLogSink({});
    zone.reset();
  }
  // 2 March 2026, local time (UTC+8).
  void at(int h, int mi) { setClockTo(clock, 2026, 3, 2, h, mi, 8); }
  bool authorise() {
    logs.clear();
    notifier.setup();
    return runMainLoopUntil([&] { return logged("[Quorvel][NOTIFY] 授权="); }, 8000);
  }
  void update(long long overdue, long long today = 0) {
    BadgeCounts c;
    c.loaded = true;
    c.overdue = overdue;
    c.today = today;
    notifier.update(c);
  }
  bool logged(const std::string& text) const { return countContaining(logs, text) > 0; }
  // Lets stray signals and calls arrive before counting them.
  void settle() {
    bool never = false;
    runMainLoopUntil([&] { return never; }, 300);
  }

  // The windows' side: counts what the notifications ask of them.
  struct CountingWindows : NotificationWindows {
    int attention = 0;
    int activated = 0;
    void requestAttention() override { ++attention; }
    void activateApplication() override { ++activated; }
  };

  TempHome home;
  FakeNotificationServer server;
  CountingWindows windows;
  SystemNotifications desktop{windows};
  SettableClock clock;
  Notifier notifier{desktop, home.defaults(), clock};
  std::optional<ScopedTimeZone> zone;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(NotifierDBusTest, AuthorisedOnlyWhenANotificationServerAnswers) {
  ASSERT_TRUE(authorise());
  EXPECT_FALSE(notifier.authorized());
  EXPECT_TRUE(logged("[Quorvel][NOTIFY] 授权=false 错误="));
  EXPECT_TRUE(logged("系统通知不可用（未签名/未授权），改用任务栏角标与菜单栏计数"));

  ASSERT_TRUE(server.serve());
  ASSERT_TRUE(authorise());
  EXPECT_TRUE(notifier.authorized());
  EXPECT_TRUE(logged("[Quorvel][NOTIFY] 授权=true 错误=nil"));
}

TEST_F(NotifierDBusTest, OverdueRiseUpdatesTheBadgeAndPostsExactlyOneNotification) {
  ASSERT_TRUE(server.serve());
  ASSERT_TRUE(authorise());
  ASSERT_TRUE(notifier.authorized());

  update(3, 1);  // the baseline: badge only
  ASSERT_TRUE(waitUntil([&] { return server.updates.size() == 1; }, 5000));
  EXPECT_EQ(server.updates[0].uri, "application://cn.quorvel.client.desktop");
  EXPECT_EQ(server.updates[0].count, 3);
  EXPECT_EQ(server.updates[0].visible, true);
  settle();
  EXPECT_TRUE(server.notifies.empty());

  update(5, 2);
  ASSERT_TRUE(waitUntil([&] { return server.updates.size() == 2 && server.notifies.size() == 1; }, 5000));
  EXPECT_EQ(server.updates[1].count, 5);
  settle();
  ASSERT_EQ(server.notifies.size(), 1u);
  const auto& n = server.notifies[0];
  EXPECT_EQ(n.appName, "墨衡台");
  EXPECT_EQ(n.summary, "新增 2 条超期");
  EXPECT_EQ(n.body, "超期共 5 条 · 今日到期 2 条");
  ASSERT_GE(n.actions.size(), 2u);
  EXPECT_EQ(n.actions[0], "default");

  // Clicking it runs the default action.
  server.invokeDefaultAction(n.id);
  EXPECT_TRUE(waitUntil([&] { return windows.activated == 1; }, 5000));
}

TEST_F(NotifierDBusTest, DailySummaryOnceAfterNineAndNotBefore) {
  ASSERT_TRUE(server.serve());
  ASSERT_TRUE(authorise());
  at(8, 30);
  update(2, 1);
  ASSERT_TRUE(waitUntil([&] { return server.updates.size() == 1; }, 5000));
  settle();
  EXPECT_TRUE(server.notifies.empty());

  at(9, 0);
  update(2, 1);
  ASSERT_TRUE(waitUntil([&] { return server.notifies.size() == 1; }, 5000));
  EXPECT_EQ(server.notifies[0].summary, "今日待办");
  EXPECT_EQ(server.notifies[0].body, "超期 2 · 今日到期 1 · 待核实 0");

  at(15, 0);
  update(2, 1);
  ASSERT_TRUE(waitUntil([&] { return server.updates.size() == 3; }, 5000));
  settle();
  EXPECT_EQ(server.notifies.size(), 1u);
}

TEST_F(NotifierDBusTest, ZeroAndClearingHideTheCount) {
  update(4);
  ASSERT_TRUE(waitUntil([&] { return server.updates.size() == 1; }, 5000));
  update(0);
  notifier.clearBadge();
  ASSERT_TRUE(waitUntil([&] { return server.updates.size() == 3; }, 5000));
  EXPECT_EQ(server.updates[0].visible, true);
  EXPECT_EQ(server.updates[1].visible, false);
  EXPECT_EQ(server.updates[2].visible, false);
}

TEST_F(NotifierDBusTest, WithoutAServerARiseAsksForAttentionInstead) {
  ASSERT_TRUE(authorise());
  ASSERT_FALSE(notifier.authorized());
  update(1);
  update(2);
  ASSERT_TRUE(waitUntil([&] { return server.updates.size() == 2; }, 5000));
  EXPECT_EQ(windows.attention, 1);
  EXPECT_EQ(server.updates[1].count, 2);
}
