#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/ErrorDomains.h"
#include "core/BadgeCounts.h"
#include "features/calendar/CalendarSyncConfig.h"
#include "features/calendar/FeedLinks.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace {

using nlohmann::json;

class CalendarSyncConfigTest : public ::testing::Test {
 protected:
  test::TempHome home;
  UserDefaults defaults{home.configHome() / "Quorvel" / "defaults.json"};
  CalendarSyncConfig loadStored(const json& value) {
    defaults.set(CalendarSyncConfig::kDefaultsKey, value);
    return CalendarSyncConfig::load(defaults);
  }
};

TEST_F(CalendarSyncConfigTest, DecodingRules) {
  EXPECT_EQ(CalendarSyncConfig::load(defaults), CalendarSyncConfig{});

  auto onlyEnabled = loadStored(json{{"enabled", true}});
  EXPECT_TRUE(onlyEnabled.enabled);
  EXPECT_TRUE(onlyEnabled.syncReminders && onlyEnabled.twoWayWriteBack && onlyEnabled.foldBusyDeadlines);
  EXPECT_FALSE(onlyEnabled.hearingsOnlyInCalendar || onlyEnabled.includeRoutinesInCalendar);
  EXPECT_EQ(onlyEnabled.intervalMinutes, 3);

  // One key of the wrong type spoils the whole configuration.
  for (const json& bad : {json{{"enabled", true}, {"intervalMinutes", "5"}}, json{{"enabled", 1}},
                          json{{"enabled", true}, {"intervalMinutes", 2.5}}, json("not an object"), json::array()})
    EXPECT_EQ(loadStored(bad), CalendarSyncConfig{}) << bad.dump();

  auto whole = loadStored(json{{"enabled", true}, {"intervalMinutes", 10.0}, {"unknown", "ignored"}});
  EXPECT_TRUE(whole.enabled);
  EXPECT_EQ(whole.intervalMinutes, 10);
}

TEST_F(CalendarSyncConfigTest, SaveWritesTheSevenKeysInOrderAndLoadsBack) {
  CalendarSyncConfig c;
  c.enabled = true;
  c.hearingsOnlyInCalendar = true;
  c.intervalMinutes = 0;
  EXPECT_EQ(c.toJson().dump(),
            R"({"enabled":true,"syncReminders":true,"twoWayWriteBack":true,"foldBusyDeadlines":true,)"
            R"("hearingsOnlyInCalendar":true,"includeRoutinesInCalendar":false,"intervalMinutes":0})");
  c.save(defaults);
  defaults.flush();
  UserDefaults reread(defaults.file());
  EXPECT_EQ(CalendarSyncConfig::load(reread), c);
  EXPECT_EQ(c.timerSeconds(), 60);  // below 1 counts as 1
}

TEST(CalendarSyncState, AccountKeyStatusAndStamp) {
  BadgeCounts b;
  EXPECT_EQ(CalendarSyncState::accountKey(b), ":");
  EXPECT_FALSE(CalendarSyncState::isAccount(":"));
  EXPECT_FALSE(CalendarSyncState::isAccount(""));
  b.firm = "墨衡律师事务所";
  b.user = "张律师";
  EXPECT_EQ(CalendarSyncState::accountKey(b), "墨衡律师事务所:张律师");
  EXPECT_TRUE(CalendarSyncState::isAccount("墨衡律师事务所:张律师"));
  // Only two known, different accounts are a change.
  EXPECT_TRUE(CalendarSyncState::isAccountChange("墨衡律师事务所:张律师", "澄川律师事务所:李律师"));
  EXPECT_FALSE(CalendarSyncState::isAccountChange("墨衡律师事务所:张律师", "墨衡律师事务所:张律师"));
  EXPECT_FALSE(CalendarSyncState::isAccountChange(":", "墨衡律师事务所:张律师"));
  EXPECT_FALSE(CalendarSyncState::isAccountChange("", "墨衡律师事务所:张律师"));
  EXPECT_FALSE(CalendarSyncState::isAccountChange("墨衡律师事务所:张律师", ":"));
  EXPECT_EQ(CalendarSyncState::initialStatus(true), "已开启，等待同步…");
  EXPECT_EQ(CalendarSyncState::initialStatus(false).rfind("未开启（", 0), 0u);

  test::ScopedTimeZone tz("Asia/Shanghai");
  std::tm tm{};
  tm.tm_year = 126, tm.tm_mon = 2, tm.tm_mday = 18, tm.tm_hour = 1, tm.tm_min = 41, tm.tm_sec = 7;
  auto at = std::chrono::system_clock::from_time_t(timegm(&tm));  // 09:41:07 in UTC+8
  auto s = CalendarSyncState::stamp("已是最新（无变更）", at);
  EXPECT_EQ(s.time, "09:41:07");
  EXPECT_EQ(s.status, "已是最新（无变更） · 09:41:07");
}

TEST(FeedLinks, ExtractionPrecedence) {
  auto home = *Url::parse("https://app.quorvel.cn/");
  auto httpHome = *Url::parse("http://127.0.0.1:8080");
  // Absolute wins over a path, even on another host.
  EXPECT_EQ(FeedLinks::extractFeedURL("<code>/cal/p1/all.ics</code><a href='https://feeds.example.org/cal/t9/all.ics'>",
                                      home),
            "https://feeds.example.org/cal/t9/all.ics");
  EXPECT_EQ(FeedLinks::extractFeedURL("站内路径：/cal/abc/all.ics。", home), "https://app.quorvel.cn/cal/abc/all.ics");
  EXPECT_EQ(FeedLinks::extractFeedURL("<input value=\"/cal/abc/all.ics\">", httpHome),
            "http://127.0.0.1:8080/cal/abc/all.ics");
  // An absolute link that forms no address falls back to its path part.
  EXPECT_EQ(FeedLinks::extractFeedURL("https://[broken/cal/t/all.ics", home), "https://app.quorvel.cn/cal/t/all.ics");
  // A plain-text link is taken only when the service itself is plain text.
  EXPECT_EQ(FeedLinks::extractFeedURL("http://evil.example/cal/t/all.ics", home), "https://app.quorvel.cn/cal/t/all.ics");
  EXPECT_EQ(FeedLinks::extractFeedURL("http://127.0.0.1:8080/cal/t/all.ics", httpHome),
            "http://127.0.0.1:8080/cal/t/all.ics");
  for (const char* none : {"", "<form action=\"/login\"><input name=\"password\"></form>", "/cal/all.ics",
                           "/cal/a b/all.ics", "/calendar/subscribe"})
    EXPECT_FALSE(FeedLinks::extractFeedURL(none, home)) << none;
}

TEST(FeedLinks, ReplyJudgementAndErrors) {
  auto problem = [](int status, const std::string& body) {
    auto p = FeedLinks::feedReplyProblem(status, body);
    return p ? std::to_string(p->code) + " " + p->reason : std::string("usable");
  };
  EXPECT_EQ(problem(200, "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n"), "usable");
  EXPECT_EQ(problem(200, "<html><form action=\"/login\">系统登录</form></html>"), "200 尚未登录或登录已过期");
  EXPECT_EQ(problem(200, "<html>维护中</html>"), "200 服务器返回的不是日历");
  EXPECT_EQ(problem(200, "BEGIN:VCALENDAR\xff\xfe"), "200 日历流不是 UTF-8 文本，无法读取");
  EXPECT_EQ(problem(500, "BEGIN:VCALENDAR"), "500 服务器出错（HTTP 500）");
  EXPECT_EQ(problem(304, ""), "304 服务器的回复无法识别（HTTP 304）");
  auto e = FeedLinks::fetchFailedError(FeedLinks::kLiveFetchFailed, {200, "服务器返回的不是日历"});
  EXPECT_EQ(e.domain, errors::kAppleCal);
  EXPECT_EQ(e.code, 200);
  EXPECT_EQ(e.message, "拉取日程失败：服务器返回的不是日历");
  EXPECT_EQ(FeedLinks::fetchFailedError(FeedLinks::kSyncFetchFailed, {403, "没有权限（HTTP 403）"}).message,
            "拉取日历流失败：没有权限（HTTP 403）");
  auto none = FeedLinks::noFeedLinkError();
  EXPECT_EQ(none.code, 2);
  EXPECT_EQ(none.message, "未找到日历订阅链接（请先登录墨衡台账号）");
}

}  // namespace
}  // namespace quorvel
