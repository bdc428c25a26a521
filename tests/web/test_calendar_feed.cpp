// Feed discovery on "/calendar/subscribe" through a signed-in tab, and the live fetch of
// the feed, against the test service.
#include <gtest/gtest.h>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestPages.h"
#include "TestServiceCalendar.h"
#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "core/BrowserModel.h"
#include "features/calendar/CalendarFeedSource.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

class CalendarFeedTest : public ServiceTabFixture {
 protected:
  std::unique_ptr<CalendarFeedSource> sync;

  void SetUp() override {
    ServiceTabFixture::SetUp();
    signIn();
    model = services->makeBrowserModel();
    auto tab = model->activeTab();
    TabLoadWatch load(tab);
    show(tab);
    ASSERT_TRUE(load.wait("/dashboard"));
    ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000));
    sync = std::make_unique<CalendarFeedSource>(*model);
  }
  void TearDown() override {
    sync.reset();
    ServiceTabFixture::TearDown();
  }

  void subscribePage(const std::string& body) {
    service.setRoute("/calendar/subscribe", [body](const RecordedRequest&) { return Reply::html(body); });
  }
  std::shared_ptr<Outcome<std::vector<ICSEvent>>> fetch(bool force = false) {
    return runToEnd(sync->fetchLiveEvents(force), 20000);
  }
  size_t subscribeReads() { return service.requestsTo("/calendar/subscribe").size(); }
};

TEST_F(CalendarFeedTest, AbsoluteLinkIsFetchedWithoutCookiesAndReused) {
  auto first = fetch();
  ASSERT_TRUE(first->value) << errorOf(*first).message;
  EXPECT_EQ(first->value->size(), 13u);
  auto feedReq = service.requestsTo(kDemoFeedPath);
  ASSERT_EQ(feedReq.size(), 1u);
  EXPECT_EQ(feedReq[0].header("user-agent"), AppConfig::userAgent());
  EXPECT_EQ(feedReq[0].header("cookie"), "");
  EXPECT_EQ(feedReq[0].header("if-none-match"), "");
  EXPECT_EQ(sync->cachedAllICSURL(), service.url(kDemoFeedPath));

  // The cached address is used without reading the page again; forceDiscover reads it.
  ASSERT_TRUE(fetch()->value);
  EXPECT_EQ(subscribeReads(), 1u);
  ASSERT_TRUE(fetch(true)->value);
  EXPECT_EQ(subscribeReads(), 2u);
}

TEST_F(CalendarFeedTest, PathLinkIsJoinedToTheHomeAddress) {
  subscribePage("<p>站内路径：<code>" + std::string(kDemoFeedPath) + "</code></p>");
  auto url = runToEnd(sync->discoverAllICSURL());
  ASSERT_TRUE(url->value) << errorOf(*url).message;
  EXPECT_EQ(*url->value, service.url(kDemoFeedPath));
  auto events = fetch();
  ASSERT_TRUE(events->value);
  EXPECT_EQ(events->value->size(), 13u);
}

TEST_F(CalendarFeedTest, NoLinkAndASignedOutSessionGiveCodeTwo) {
  subscribePage("<h1>日历订阅</h1><p>尚未开通订阅。</p>");
  auto none = fetch();
  EXPECT_EQ(errorOf(*none).domain, errors::kAppleCal);
  EXPECT_EQ(errorOf(*none).code, 2);
  EXPECT_EQ(errorOf(*none).message, "未找到日历订阅链接（请先登录墨衡台账号）");
  EXPECT_FALSE(sync->cachedAllICSURL());

  // Signed out: the page read lands on the login page.
  service.resetRoutes();
  service.invalidateSessions();
  auto out = fetch(true);
  EXPECT_EQ(errorOf(*out).code, 2);
}

TEST_F(CalendarFeedTest, BadFeedRepliesThrowTheirStatusAndDropTheAddress) {
  struct Case {
    const char* name;
    Reply reply;
    int code;
    const char* reason;
  };
  std::vector<Case> cases = {{"login page", Reply::html(pages::login()), 200, "尚未登录或登录已过期"},
                             {"not a calendar", Reply::json(R"({"error":"not found"})"), 200, "服务器返回的不是日历"},
                             {"server error", Reply::html(pages::serverError(), 500), 500, "服务器出错（HTTP 500）"},
                             {"not UTF-8", Reply::text("BEGIN:VCALENDAR\r\nSUMMARY:\xb7\xa8\xd4\xba\r\n"), 200,
                              "日历流不是 UTF-8 文本，无法读取"}};
  for (auto& c : cases) {
    service.resetRoutes();
    ASSERT_TRUE(fetch()->value) << c.name;  // cached again
    service.setRoute(kDemoFeedPath, [r = c.reply](const RecordedRequest&) { return r; });
    auto out = fetch();
    AppError e = errorOf(*out);
    EXPECT_EQ(e.domain, errors::kAppleCal) << c.name;
    EXPECT_EQ(e.code, c.code) << c.name;
    EXPECT_EQ(e.message, std::string("拉取日程失败：") + c.reason) << c.name;
    EXPECT_FALSE(sync->cachedAllICSURL()) << c.name;
  }
  // The page itself only in the log, cut.
  EXPECT_TRUE(logged("[Quorvel][CAL] 拉取日程失败：服务器出错（HTTP 500）；回复："));
  EXPECT_TRUE(logged("[Quorvel][CAL] 拉取日程失败：日历流不是 UTF-8 文本，无法读取；回复：<"));
}

TEST_F(CalendarFeedTest, AnAccountSwitchDropsTheCachedAddress) {
  ASSERT_TRUE(fetch()->value);
  ASSERT_EQ(subscribeReads(), 1u);
  EXPECT_EQ(sync->currentAccountKey(), "墨衡律师事务所:张律师");

  // Another lawyer signs in: the old account's capability address is not used.
  model->account().applyBadges(R"({"overdue":0,"today":0,"soon":0,"verify":0,"hearings":0,)"
                     R"("user":"李律师","role":"lawyer","firm":"墨衡律师事务所","ts":"2026-03-02 09:05"})");
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->user == "李律师"; }, 5000));
  EXPECT_FALSE(sync->cachedAllICSURL());
  ASSERT_TRUE(fetch()->value);
  EXPECT_EQ(subscribeReads(), 2u);
  EXPECT_TRUE(logged("[Quorvel][CAL] 账号已变化"));

  // Signed out (login required): the address is dropped as well.
  model->account().markLoginRequired();
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loginRequired; }, 5000));
  EXPECT_FALSE(sync->cachedAllICSURL());
}

}  // namespace
