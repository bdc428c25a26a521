// The notifier's rules with a recording desktop: the badge, the overdue-rise
// notification, the daily summary and what happens without authorisation.
#include <gtest/gtest.h>

#include <thread>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "fakes/FakeDesktopNotifications.h"
#include "fakes/SettableClock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/Notifier.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct Shown {
  std::string title, body;
};

class NotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zone.emplace("CST-8");  // UTC+8 without needing tzdata
    at(2026, 3, 2, 8, 0);
    setLogSink([this](const std::string& line) {
      logs.push_back(line);
      if (line.find("[Quorvel][NOTIFY] 授权=") == 0) answerStoredOnMain = isMainThread();
    });
    resetNotifier();
  }
  void TearDown() override {
    drainMainLoop();
    setLogSink({});
    zone.reset();
    notifierInstance.reset();
  }

  // A fresh start of the process (lastDaily read back from the defaults).
  void resetNotifier() {
    FakeDesktopNotifications& b = desktop;
    b.onRequestAuthorization = [this](auto done) {
      if (answerFromThread) std::thread([done, g = grant] { done(g, g ? std::nullopt : std::optional<std::string>("没有通知服务")); }).detach();
      else done(grant, grant ? std::nullopt : std::optional<std::string>("没有通知服务"));
    };
    b.onDeliver = [this](const std::string& t, const std::string& body, auto done) {
      shown.push_back({t, body});
      done(deliverError);
    };
    b.onSetBadge = [this](long long c) { badges.push_back(c); };
    b.onRequestAttention = [this] { ++attention; };
    notifierInstance.reset();
    notifierInstance = std::make_unique<Notifier>(b, home.defaults(), clock);
  }
  Notifier& notifier() { return *notifierInstance; }
  void authorise(bool granted) {
    grant = granted;
    notifier().setup();
    ASSERT_TRUE(waitUntil([&] { return answerStoredOnMain.has_value(); }, 3000));
    answerStoredOnMain.reset();
  }
  // Local time (UTC+8).
  void at(int y, int mo, int d, int h, int mi) { setClockTo(clock, y, mo, d, h, mi, 8); }
  void update(long long overdue, long long today = 0, long long verify = 0) {
    BadgeCounts c;
    c.loaded = true;
    c.overdue = overdue;
    c.today = today;
    c.verify = verify;
    notifier().update(c);
    drainMainLoop();
  }
  int count(const std::string& text) const { return countContaining(logs, text); }

  TempHome home;
  SettableClock clock;
  FakeDesktopNotifications desktop;
  std::unique_ptr<Notifier> notifierInstance;
  std::optional<ScopedTimeZone> zone;
  bool grant = true;
  bool answerFromThread = false;
  std::optional<std::string> deliverError;
  std::optional<bool> answerStoredOnMain;
  std::vector<Shown> shown;
  std::vector<long long> badges;
  int attention = 0;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(NotifierTest, FirstUpdateOnlySetsTheBaselineThenRisesNotifyOnce) {
  authorise(true);
  update(3, 1);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(notifier().lastOverdue(), 3);

  update(5, 2);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "新增 2 条超期");
  EXPECT_EQ(shown[0].body, "超期共 5 条 · 今日到期 2 条");

  update(4, 2);  // down: no notification, new baseline
  update(4, 2);  // equal: nothing
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(notifier().lastOverdue(), 4);
  update(1234, 0);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].title, "新增 1230 条超期");  // no digit grouping
  EXPECT_EQ(attention, 0);
}

TEST_F(NotifierTest, BadgeShowsTheOverdueCountAndNeverZero) {
  update(12);
  update(0);
  notifier().clearBadge();
  EXPECT_EQ(badges, (std::vector<long long>{12, 0, 0}));
  // The launcher shows what a pill can: nothing below zero, at most 999.
  update(-5);
  update(1000000000000000LL);
  EXPECT_EQ(badges, (std::vector<long long>{12, 0, 0, 0, 999}));
}

TEST_F(NotifierTest, UpdatesApplyOnTheMainLoopInCallOrder) {
  authorise(true);
  BadgeCounts a, b;
  a.overdue = 1;
  b.overdue = 3;
  std::thread([&] {
    notifier().update(a);
    notifier().update(b);
  }).join();
  EXPECT_TRUE(badges.empty());  // nothing happens before the main loop turns
  drainMainLoop();
  EXPECT_EQ(badges, (std::vector<long long>{1, 3}));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "新增 2 条超期");
}

TEST_F(NotifierTest, DailySummaryOncePerDayFromNineAndAcrossRestarts) {
  authorise(true);
  at(2026, 3, 2, 8, 59);
  update(2, 1, 4);
  EXPECT_TRUE(shown.empty());

  at(2026, 3, 2, 9, 0);
  update(2, 1, 4);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "今日待办");
  EXPECT_EQ(shown[0].body, "超期 2 · 今日到期 1 · 待核实 4");
  EXPECT_EQ(home.defaults().string("notify.lastDaily"), "2026-03-02");

  at(2026, 3, 2, 17, 0);
  update(2, 1, 4);
  EXPECT_EQ(shown.size(), 1u);

  // A restart the same day does not post it again; the next day does.
  resetNotifier();
  authorise(true);
  EXPECT_EQ(notifier().lastDaily(), "2026-03-02");
  update(2, 1);
  EXPECT_EQ(shown.size(), 1u);
  at(2026, 3, 3, 9, 30);
  update(2, 1);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].title, "今日待办");
}

TEST_F(NotifierTest, NothingDueAtNineLeavesTheSummaryForLaterThatDay) {
  authorise(true);
  at(2026, 3, 2, 9, 0);
  update(0, 0, 7);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(notifier().lastDaily(), "");
  at(2026, 3, 2, 14, 0);
  update(0, 1, 7);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].body, "超期 0 · 今日到期 1 · 待核实 7");
}

TEST_F(NotifierTest, WithoutAuthorisationRisesAskForAttentionAndTheSummaryIsRetried) {
  authorise(false);
  EXPECT_FALSE(notifier().authorized());
  EXPECT_EQ(count("[Quorvel][NOTIFY] 授权=false 错误=没有通知服务"), 1);
  EXPECT_EQ(count("系统通知不可用（未签名/未授权），改用任务栏角标与菜单栏计数"), 1);

  at(2026, 3, 2, 10, 0);
  update(1, 1);
  update(3, 1);
  EXPECT_EQ(attention, 1);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(badges.back(), 3);
  EXPECT_EQ(count("[Quorvel][NOTIFY] 尚未授权，下次刷新重试"), 2);
  EXPECT_EQ(notifier().lastDaily(), "");
  EXPECT_FALSE(home.defaults().string("notify.lastDaily"));

  notifier().post("a", "b");
  notifier().post("c", "d");
  EXPECT_EQ(count("[Quorvel][NOTIFY] 通知不可用，跳过（后续不再重复记录）：a"), 1);
  EXPECT_EQ(count("通知不可用，跳过"), 1);
  EXPECT_TRUE(shown.empty());
}

TEST_F(NotifierTest, TheAuthorisationAnswerIsStoredOnTheMainLoop) {
  answerFromThread = true;
  grant = true;
  notifier().setup();
  ASSERT_TRUE(waitUntil([&] { return answerStoredOnMain.has_value(); }, 3000));
  EXPECT_TRUE(*answerStoredOnMain);
  EXPECT_TRUE(notifier().authorized());
  EXPECT_EQ(count("[Quorvel][NOTIFY] 授权=true 错误=nil"), 1);
}

TEST_F(NotifierTest, ARefusedNotificationIsOnlyLoggedAndTheDayStaysRecorded) {
  authorise(true);
  deliverError = "服务拒绝";
  at(2026, 3, 2, 9, 5);
  update(1, 0);
  EXPECT_EQ(count("[Quorvel][NOTIFY] 发送失败 服务拒绝"), 1);
  EXPECT_EQ(notifier().lastDaily(), "2026-03-02");
}
