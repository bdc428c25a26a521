// The test service's calendar endpoints, as the sync run and the live fetch see them.
#include <gtest/gtest.h>

#include "CalendarTestSupport.h"
#include "TestService.h"
#include "TestServiceCalendar.h"
#include "features/calendar/ICSParser.h"
#include "platform/Http.h"

namespace quorvel::test {
namespace {

http::HttpResponse get(const std::string& url, std::vector<std::pair<std::string, std::string>> headers = {}) {
  http::HttpRequest r;
  r.url = url;
  r.headers = std::move(headers);
  return await(http::send(std::move(r)));
}

TEST(TestServiceCalendar, FeedWithEntityTagAndSignedInSubscribePage) {
  TestService service;
  service.start();
  auto feed = get(service.url(kDemoFeedPath));
  EXPECT_EQ(feed.status, 200);
  EXPECT_EQ(feed.header("content-type").rfind("text/calendar", 0), 0u);
  std::string tag = feed.header("etag");
  EXPECT_EQ(tag, feedETag(feed.body));
  EXPECT_EQ(ICSParser::parse(feed.body).size(), 13u);

  auto same = get(service.url(kDemoFeedPath), {{"If-None-Match", tag}});
  EXPECT_EQ(same.status, 304);
  EXPECT_TRUE(same.body.empty());
  EXPECT_EQ(get(service.url(kDemoFeedPath), {{"If-None-Match", "\"old\""}}).status, 200);

  // The subscribe page needs a session; with one it shows both forms of the link.
  auto signedOut = get(service.url("/calendar/subscribe"));
  EXPECT_NE(signedOut.finalURL.find("/login"), std::string::npos);
  auto page = get(service.url("/calendar/subscribe"),
                  {{"Cookie", std::string(TestService::kSessionCookie) + "=" + service.issueSession()}});
  EXPECT_NE(page.body.find("value=\"" + service.url(kDemoFeedPath) + "\""), std::string::npos);
  EXPECT_NE(page.body.find("<code>" + std::string(kDemoFeedPath) + "</code>"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::test
