// The test service itself: what later tests rely on (sign-in, cookie gating, the
// request record, page markup, downloads that break off) is checked here with a
// libsoup client on the same main context.
#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>

#include "TestHelpers.h"
#include "TestEnv.h"
#include "TestPages.h"
#include "TestService.h"
#include "TestServiceArchive.h"
#include "TestServiceCalendar.h"
#include "TestServiceTodos.h"
#include "TestServiceOutage.h"
#include "core/Recents.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"

namespace quorvel::test {
namespace {

struct Fetched {
  unsigned status = 0;
  std::string body;
  std::map<std::string, std::string> headers;  // lower-cased; Set-Cookie lines joined with "\n"
  std::string finalPath;
  std::string error;  // empty when the whole body arrived
  bool done = false;
};

struct FetchOptions {
  std::string method = "GET";
  std::string form;  // sent as `formType` when not empty
  std::string formType = "application/x-www-form-urlencoded";
  bool followRedirects = false;
  std::map<std::string, std::string> headers;
  unsigned waitMs = 10000;  // the 20 MB body takes longer on a loaded sanitizer build
};

// Streams the reply in pieces so a body that breaks off still reports what arrived.
struct FetchState {
  Fetched result;
  SoupMessage* msg = nullptr;
  GInputStream* stream = nullptr;
};

void finish(FetchState* st, GError* error) {
  if (error) st->result.error = error->message;
  g_clear_error(&error);
  SoupMessageHeadersIter iter;
  const char* name;
  const char* value;
  soup_message_headers_iter_init(&iter, soup_message_get_response_headers(st->msg));
  while (soup_message_headers_iter_next(&iter, &name, &value)) {
    char* down = g_ascii_strdown(name, -1);
    std::string key = down;
    g_free(down);
    auto& slot = st->result.headers[key];
    slot += (slot.empty() ? "" : "\n") + std::string(value);
  }
  st->result.status = soup_message_get_status(st->msg);
  if (GUri* uri = soup_message_get_uri(st->msg)) st->result.finalPath = g_uri_get_path(uri);
  st->result.done = true;
}

void onRead(GObject* source, GAsyncResult* res, gpointer data) {
  auto* st = static_cast<FetchState*>(data);
  GError* error = nullptr;
  GBytes* bytes = g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), res, &error);
  if (!bytes) return finish(st, error);
  gsize size = 0;
  const char* p = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  if (size == 0) {
    g_bytes_unref(bytes);
    return finish(st, nullptr);
  }
  st->result.body.append(p, size);
  g_bytes_unref(bytes);
  g_input_stream_read_bytes_async(st->stream, 256 * 1024, G_PRIORITY_DEFAULT, nullptr, onRead, st);
}

void onSent(GObject* source, GAsyncResult* res, gpointer data) {
  auto* st = static_cast<FetchState*>(data);
  GError* error = nullptr;
  st->stream = soup_session_send_finish(SOUP_SESSION(source), res, &error);
  if (!st->stream) return finish(st, error);
  g_input_stream_read_bytes_async(st->stream, 256 * 1024, G_PRIORITY_DEFAULT, nullptr, onRead, st);
}

class TestServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    markMainThread();
    service.start();
    session = soup_session_new();
  }
  void TearDown() override {
    g_object_unref(session);
    service.stop();
    drainMainLoop();
  }

  Fetched fetch(const std::string& pathOrUrl, const FetchOptions& o = {}) { return fetchWith(session, pathOrUrl, o); }

  Fetched fetchWith(SoupSession* s, const std::string& pathOrUrl, const FetchOptions& o) {
    std::string url = pathOrUrl.rfind("http", 0) == 0 ? pathOrUrl : service.url(pathOrUrl);
    FetchState st;
    st.msg = soup_message_new(o.method.c_str(), url.c_str());
    if (!st.msg) {
      ADD_FAILURE() << "bad url " << url;
      return {};
    }
    if (!o.followRedirects) soup_message_add_flags(st.msg, SOUP_MESSAGE_NO_REDIRECT);
    for (const auto& [k, v] : o.headers)
      soup_message_headers_replace(soup_message_get_request_headers(st.msg), k.c_str(), v.c_str());
    if (!o.form.empty()) {
      GBytes* b = g_bytes_new(o.form.data(), o.form.size());
      soup_message_set_request_body_from_bytes(st.msg, o.formType.c_str(), b);
      g_bytes_unref(b);
    }
    soup_session_send_async(s, st.msg, G_PRIORITY_DEFAULT, nullptr, onSent, &st);
    bool done = runMainLoopUntil([&] { return st.result.done; }, o.waitMs);
    EXPECT_TRUE(done) << "no reply from " << url;
    if (!done) {
      // The state lives on this stack frame: make sure no callback reaches it later.
      soup_session_abort(s);
      runMainLoopUntil([&] { return st.result.done; }, 2000);
    }
    if (st.stream) g_object_unref(st.stream);
    g_object_unref(st.msg);
    return st.result;
  }

  // Signs in through the form and returns the session token from Set-Cookie.
  std::string signIn() {
    FetchOptions o;
    o.method = "POST";
    o.form = "username=zhang&password=secret";
    Fetched r = fetch("/login", o);
    const std::string& setCookie = r.headers["set-cookie"];
    std::string prefix = std::string(TestService::kSessionCookie) + "=";
    auto start = setCookie.find(prefix);
    if (start == std::string::npos) return "";
    start += prefix.size();
    return setCookie.substr(start, setCookie.find(';', start) - start);
  }

  FetchOptions withCookie(const std::string& token) {
    FetchOptions o;
    o.headers["Cookie"] = std::string(TestService::kSessionCookie) + "=" + token;
    return o;
  }

  TestService service;
  SoupSession* session = nullptr;
};

TEST_F(TestServiceTest, ListensOnLoopbackWithItsPort) {
  ASSERT_TRUE(service.running());
  EXPECT_NE(service.port(), 0u);
  EXPECT_EQ(service.baseUrl(), "http://127.0.0.1:" + std::to_string(service.port()));

  TestService second;
  second.start();
  EXPECT_NE(second.port(), service.port());
  TestService clash;
  EXPECT_THROW(clash.start(service.port()), std::runtime_error);
  EXPECT_FALSE(clash.running());
  EXPECT_EQ(clash.baseUrl(), "");
}

TEST_F(TestServiceTest, SignInSetsCookieAndRedirectsToDashboard) {
  Fetched page = fetch("/login");
  EXPECT_EQ(page.status, 200u);
  EXPECT_NE(page.body.find("<title>系统登录"), std::string::npos);
  EXPECT_NE(page.body.find("<form method=\"post\" action=\"/login\""), std::string::npos);
  EXPECT_NE(page.body.find("name=\"username\""), std::string::npos);
  EXPECT_NE(page.body.find("name=\"password\""), std::string::npos);

  FetchOptions post;
  post.method = "POST";
  post.form = "username=%E5%BC%A0%E4%B8%89&password=x";
  Fetched r = fetch("/login", post);
  EXPECT_EQ(r.status, 302u);
  EXPECT_EQ(r.headers["location"], "/dashboard");
  const std::string& cookie = r.headers["set-cookie"];
  EXPECT_EQ(cookie.rfind("qv_session=", 0), 0u) << cookie;
  EXPECT_NE(cookie.find("Path=/"), std::string::npos);
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);

  // Each sign-in gets its own session.
  EXPECT_NE(signIn(), signIn());

  // An empty or blank user name shows the form again without a cookie.
  for (const char* form : {"username=&password=x", "username=+&password=x", "password=x"}) {
    post.form = form;
    Fetched refused = fetch("/login", post);
    EXPECT_EQ(refused.status, 200u) << form;
    EXPECT_EQ(refused.headers.count("set-cookie"), 0u) << form;
    EXPECT_NE(refused.body.find("name=\"password\""), std::string::npos) << form;
  }
}

// The demo's sign-in: a plain GET of the sign-in page signs in and returns to the
// page asked for, never to another host.
TEST_F(TestServiceTest, SigningInByItselfReturnsToThePageAskedFor) {
  service.setSignsInByItself(true);
  const std::pair<const char*, const char*> targets[] = {
      {"/login?next=%2Fproceeding%2F88", "/proceeding/88"},
      {"/login", "/dashboard"},
      {"/login?next=%2F%2Fevil.example%2Fx", "/dashboard"},
      {"/login?next=%2F%5Cevil.example", "/dashboard"},
      {"/login?next=https%3A%2F%2Fevil.example", "/dashboard"},
  };
  for (const auto& [login, target] : targets) {
    Fetched r = fetch(login);
    EXPECT_EQ(r.status, 302u) << login;
    EXPECT_EQ(r.headers["location"], target) << login;
    EXPECT_EQ(r.headers["set-cookie"].rfind("qv_session=", 0), 0u) << login;
  }
  // The form still shows on request.
  Fetched manual = fetch("/login?manual=1");
  EXPECT_EQ(manual.status, 200u);
  EXPECT_EQ(manual.headers.count("set-cookie"), 0u);
  EXPECT_NE(manual.body.find("name=\"password\""), std::string::npos);
}

TEST_F(TestServiceTest, CookieJarClientLandsOnDashboardAfterSignIn) {
  SoupSession* browser = soup_session_new();
  SoupCookieJar* jar = soup_cookie_jar_new();
  soup_session_add_feature(browser, SOUP_SESSION_FEATURE(jar));

  FetchOptions follow;
  follow.followRedirects = true;
  Fetched before = fetchWith(browser, "/dashboard", follow);
  EXPECT_EQ(before.finalPath, "/login");
  EXPECT_NE(before.body.find("系统登录"), std::string::npos);

  FetchOptions post = follow;
  post.method = "POST";
  post.form = "username=zhang&password=secret";
  Fetched after = fetchWith(browser, "/login", post);
  EXPECT_EQ(after.status, 200u);
  EXPECT_EQ(after.finalPath, "/dashboard");
  EXPECT_NE(after.body.find("<title>个人工作台 · 墨衡台</title>"), std::string::npos);

  Fetched cases = fetchWith(browser, "/cases", follow);
  EXPECT_EQ(cases.finalPath, "/cases");
  EXPECT_NE(cases.body.find("<title>全局案件中心 · 墨衡台</title>"), std::string::npos);

  g_object_unref(jar);
  g_object_unref(browser);
}

TEST_F(TestServiceTest, SignedInPagesNeedAValidSession) {
  const std::pair<const char*, const char*> guarded[] = {
      {"/dashboard", "/login?next=%2Fdashboard"},
      {"/cases", "/login?next=%2Fcases"},
      {"/calendar", "/login?next=%2Fcalendar"},
      {"/proceeding/88/detail?tab=files", "/login?next=%2Fproceeding%2F88%2Fdetail%3Ftab%3Dfiles"},
      {"/api/desktop/badges", "/login"},
  };
  for (const auto& [path, login] : guarded) {
    Fetched anonymous = fetch(path);
    EXPECT_EQ(anonymous.status, 302u) << path;
    EXPECT_EQ(anonymous.headers["location"], login) << path;
    Fetched forged = fetch(path, withCookie("0123456789abcdef"));
    EXPECT_EQ(forged.status, 302u) << path;
  }

  std::string token = signIn();
  ASSERT_FALSE(token.empty());
  for (const auto& [path, login] : guarded) EXPECT_EQ(fetch(path, withCookie(token)).status, 200u) << path;

  // Other cookies around ours do not matter.
  FetchOptions mixed;
  mixed.headers["Cookie"] = "theme=dark; qv_session=" + token + "; lang=zh";
  EXPECT_EQ(fetch("/dashboard", mixed).status, 200u);

  // An expired sign-in sends the browser back to the login page.
  service.invalidateSessions();
  EXPECT_EQ(fetch("/dashboard", withCookie(token)).status, 302u);
  std::string minted = service.issueSession();
  EXPECT_EQ(fetch("/dashboard", withCookie(minted)).status, 200u);
}

TEST_F(TestServiceTest, RecordsEveryRequestWithHeadersAndBody) {
  service.clearRequests();
  FetchOptions o;
  o.method = "POST";
  o.form = "content=%E6%8F%90%E4%BA%A4+%E8%AF%81%E6%8D%AE&date=2026-03-02&plus=a%2Bb";
  o.headers["User-Agent"] = "Mozilla/5.0 Quorvel/2.2.0";
  o.headers["Cookie"] = "qv_session=abc; other=1";
  o.headers["X-Requested-With"] = "XMLHttpRequest";
  fetch("/api/quick_add_todo?ajax=1&name=%E5%BC%A0", o);
  fetch("/%E6%A1%88%E4%BB%B6/list");

  auto all = service.requests();
  ASSERT_EQ(all.size(), 2u);
  const RecordedRequest& r = all[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.path, "/api/quick_add_todo");
  EXPECT_EQ(r.query, "ajax=1&name=%E5%BC%A0");
  EXPECT_EQ(r.queryValue("ajax"), "1");
  EXPECT_EQ(r.queryValue("name"), "张");
  EXPECT_EQ(r.queryValue("missing"), std::nullopt);
  EXPECT_EQ(r.header("User-Agent"), "Mozilla/5.0 Quorvel/2.2.0");
  EXPECT_EQ(r.headers.at("user-agent"), "Mozilla/5.0 Quorvel/2.2.0");
  EXPECT_EQ(r.headers.at("x-requested-with"), "XMLHttpRequest");
  EXPECT_EQ(r.headers.at("content-type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(r.cookie("qv_session"), "abc");
  EXPECT_EQ(r.cookie("other"), "1");
  EXPECT_EQ(r.cookie("qv"), std::nullopt);
  EXPECT_EQ(r.body, o.form);
  EXPECT_EQ(r.formValue("content"), "提交 证据");
  EXPECT_EQ(r.formValue("plus"), "a+b");
  EXPECT_EQ(all[1].path, "/案件/list");
  EXPECT_EQ(all[1].method, "GET");
  EXPECT_EQ(all[1].body, "");

  EXPECT_EQ(service.requestsTo("/api/quick_add_todo").size(), 1u);
  EXPECT_TRUE(service.requestsTo("/api").empty());
  service.clearRequests();
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(TestServiceTest, WaitForRequestIteratesTheMainContext) {
  service.clearRequests();
  // Nothing comes: the wait ends at its time-out.
  EXPECT_FALSE(service.waitForRequest("/calendar", 50).has_value());

  // A request started but not yet served is picked up while waiting.
  SoupMessage* msg = soup_message_new("GET", service.url("/calendar?month=3").c_str());
  bool sent = false;
  soup_session_send_and_read_async(
      session, msg, G_PRIORITY_DEFAULT, nullptr,
      [](GObject* s, GAsyncResult* res, gpointer data) {
        GBytes* b = soup_session_send_and_read_finish(SOUP_SESSION(s), res, nullptr);
        if (b) g_bytes_unref(b);
        *static_cast<bool*>(data) = true;
      },
      &sent);
  auto got = service.waitForRequest("/calendar", 5000);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->query, "month=3");
  runMainLoopUntil([&] { return sent; }, 5000);
  g_object_unref(msg);
}

TEST_F(TestServiceTest, RoutesCanBeReplacedAndReset) {
  // Built in, and signed out here: sent to the login page.
  EXPECT_EQ(fetch("/api/my_deadlines").status, 302u);

  service.setRoute("/api/my_deadlines", [](const RecordedRequest& r) {
    return Reply::json(R"({"overdue":[],"today":[],"soon":[],"verify":[],"hearings":[],"q":")" + r.query + "\"}");
  });
  service.setPrefixRoute("/api/", [](const RecordedRequest&) { return Reply::text("generic", 418); });
  service.setPrefixRoute("/api/desktop/manifest_contract/", [](const RecordedRequest& r) {
    return Reply::json("{\"id\":\"" + r.path.substr(r.path.rfind('/') + 1) + "\"}");
  });

  Fetched deadlines = fetch("/api/my_deadlines?x=1");
  EXPECT_EQ(deadlines.status, 200u);
  EXPECT_EQ(deadlines.headers["content-type"], "application/json; charset=utf-8");
  EXPECT_NE(deadlines.body.find("\"q\":\"x=1\""), std::string::npos);
  // The longest prefix wins; an exact route wins over any prefix.
  EXPECT_EQ(fetch("/api/desktop/manifest_contract/12").body, "{\"id\":\"12\"}");
  EXPECT_EQ(fetch("/api/other").status, 418u);
  EXPECT_EQ(fetch("/api/desktop/badges").status, 302u);

  service.setRoute("/dashboard", [](const RecordedRequest&) { return Reply::html("<p>维护中</p>", 503); });
  EXPECT_EQ(fetch("/dashboard").status, 503u);

  service.setRoute("/throws", [](const RecordedRequest&) -> Reply { throw std::runtime_error("boom"); });
  Fetched thrown = fetch("/throws");
  EXPECT_EQ(thrown.status, 500u);
  EXPECT_NE(thrown.body.find("boom"), std::string::npos);

  service.resetRoutes();
  EXPECT_EQ(fetch("/api/my_deadlines").status, 302u);
  EXPECT_EQ(fetch("/api/other").status, 404u);
  EXPECT_EQ(fetch("/dashboard").status, 302u);
}

TEST_F(TestServiceTest, OutagesAnswerAsAServiceInTroubleAndSwitchOverHttp) {
  std::string token = signIn();
  auto post = [&](const std::string& form) {
    FetchOptions o;
    o.method = "POST";
    o.form = form;
    return fetch("/__test/outage", o);
  };
  EXPECT_EQ(fetch("/api/desktop/badges", withCookie(token)).status, 200u);
  EXPECT_EQ(fetch("/__test/outage").body, R"({"badges":"none","deadlines":"none"})");

  Fetched switched = post("all=500");
  EXPECT_EQ(switched.status, 200u);
  EXPECT_EQ(switched.body, R"({"badges":"500","deadlines":"500"})");
  EXPECT_EQ(service.badgeOutage(), TestService::Outage::serverError);
  // Whoever asks, signed in or not.
  for (const char* path : {"/api/desktop/badges", "/api/my_deadlines"}) {
    EXPECT_EQ(fetch(path).status, 500u) << path;
    EXPECT_EQ(fetch(path, withCookie(token)).status, 500u) << path;
  }
  EXPECT_EQ(post("deadlines=403").body, R"({"badges":"500","deadlines":"403"})");
  EXPECT_EQ(fetch("/api/my_deadlines").status, 403u);

  for (const char* which : {"badges", "deadlines"}) {
    const std::string path = std::string(which) == "badges" ? "/api/desktop/badges" : "/api/my_deadlines";
    post(std::string(which) + "=malformed");
    Fetched cut = fetch(path);
    EXPECT_EQ(cut.status, 200u);
    EXPECT_TRUE(nlohmann::json::parse(cut.body, nullptr, false).is_discarded()) << cut.body;
    post(std::string(which) + "=other-shape");
    auto shape = nlohmann::json::parse(fetch(path).body, nullptr, false);
    ASSERT_TRUE(shape.is_object());
    EXPECT_TRUE(shape.contains("error"));
    EXPECT_FALSE(shape.contains("overdue"));
  }

  post("all=huge");
  FetchOptions slow;
  slow.waitMs = 60000;
  Fetched huge = fetch("/api/my_deadlines", slow);
  EXPECT_EQ(huge.status, 200u);
  EXPECT_EQ(huge.body.size(), kHugeBodyBytes);
  EXPECT_TRUE(nlohmann::json::parse(huge.body, nullptr, false).is_discarded());
  post("badges=huge-user&deadlines=none");
  auto counts = nlohmann::json::parse(fetch("/api/desktop/badges").body, nullptr, false);
  ASSERT_TRUE(counts.is_object());
  EXPECT_EQ(graphemeCount(counts["user"].get<std::string>()), kHugeUserNameCharacters);
  EXPECT_EQ(counts["overdue"], 2);
  EXPECT_EQ(fetch("/api/my_deadlines", withCookie(token)).status, 200u);

  // A hanging request is held until the outage ends, then answered 503.
  post("deadlines=hang");
  SoupMessage* msg = soup_message_new("GET", service.url("/api/my_deadlines").c_str());
  bool answered = false;
  soup_session_send_and_read_async(
      session, msg, G_PRIORITY_DEFAULT, nullptr,
      [](GObject* s, GAsyncResult* res, gpointer data) {
        if (GBytes* b = soup_session_send_and_read_finish(SOUP_SESSION(s), res, nullptr)) g_bytes_unref(b);
        *static_cast<bool*>(data) = true;
      },
      &answered);
  ASSERT_TRUE(waitUntil([&] { return service.hangingCount() == 1; }, 5000));
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_FALSE(answered);
  post("deadlines=none");
  ASSERT_TRUE(waitUntil([&] { return answered; }, 5000));
  EXPECT_EQ(soup_message_get_status(msg), 503u);
  EXPECT_EQ(service.hangingCount(), 0u);
  g_object_unref(msg);

  Fetched unknown = post("all=meltdown");
  EXPECT_EQ(unknown.status, 400u);
  EXPECT_EQ(fetch("/__test/outage").body, R"({"badges":"huge-user","deadlines":"none"})");
  service.resetRoutes();
  EXPECT_EQ(service.badgeOutage(), TestService::Outage::none);
}

TEST_F(TestServiceTest, BadgeReplySwitchesBetweenJsonLoginAndError) {
  std::string token = signIn();
  Fetched json = fetch("/api/desktop/badges", withCookie(token));
  EXPECT_EQ(json.status, 200u);
  EXPECT_EQ(json.body, TestService::defaultBadgeJson());

  service.setBadgeReply(TestService::BadgeMode::Json, R"({"overdue":5})");
  EXPECT_EQ(fetch("/api/desktop/badges", withCookie(token)).body, R"({"overdue":5})");

  // The login page is what an expired session gets, cookie or not.
  service.setBadgeReply(TestService::BadgeMode::LoginPage);
  for (const auto& o : {withCookie(token), FetchOptions{}}) {
    Fetched login = fetch("/api/desktop/badges", o);
    EXPECT_EQ(login.status, 200u);
    EXPECT_NE(login.body.find("<form"), std::string::npos);
    EXPECT_NE(login.body.find("系统登录"), std::string::npos);
  }

  service.setBadgeReply(TestService::BadgeMode::ErrorPage);
  Fetched error = fetch("/api/desktop/badges", withCookie(token));
  EXPECT_EQ(error.status, 500u);
  EXPECT_EQ(error.body.find("<form"), std::string::npos);
  EXPECT_EQ(error.body.find("系统登录"), std::string::npos);
}

TEST_F(TestServiceTest, DashboardCarriesTheMarkupThePageScriptsUse) {
  Fetched r = fetch("/dashboard", withCookie(signIn()));
  ASSERT_EQ(r.status, 200u);
  const std::string& b = r.body;
  for (const char* needle : {
           "<nav class=\"sidebar\"", "<a class=\"nav-item active\" href=\"/dashboard\">个人工作台</a>",
           "<a class=\"nav-item\" href=\"/cases\">全局案件中心</a>",
           "<a class=\"nav-item\" href=\"/calendar\">日历与待办</a>", "class=\"nav-item d-none\"",
           "class=\"nav-item\" href=\"https://", "class=\"sidebar-mask\"", "class=\"topbar\"",
           "class=\"main-wrapper\"", "onclick=\"toggleSidebar()\"",
           "<li class=\"file-row\" id=\"fileRow\"><a class=\"file-link\" id=\"fileLink\" "
           "data-path=\"案件/2026/起诉状.pdf\"",
           "id=\"localFolderBtn\"", "<script>var folderRelPath='案件/2026';</script>",
           "<div class=\"file-upload-box\"", "<input type=\"file\"", "href=\"/proceeding/88/detail\"",
           "href=\"/download/attachment\"", "href=\"http://other.invalid/page\"",
           "window.open('/cases?tab=2')"}) {
    EXPECT_NE(b.find(needle), std::string::npos) << needle;
  }
}

TEST_F(TestServiceTest, ForbiddenProceedingAndTestPages) {
  Fetched denied = fetch("/forbidden");
  EXPECT_EQ(denied.status, 403u);
  auto open = denied.body.find("<body>");
  auto close = denied.body.find("</body>");
  ASSERT_NE(open, std::string::npos);
  ASSERT_NE(close, std::string::npos);
  std::string inner = denied.body.substr(open + 6, close - open - 6);
  EXPECT_EQ(inner.rfind(pages::kForbiddenText, 0), 0u) << inner;
  EXPECT_EQ(inner.find('<'), std::string::npos) << "the body must have no child elements";

  auto signedIn = withCookie(signIn());
  Fetched proc = fetch("/proceeding/88/detail", signedIn);
  EXPECT_EQ(proc.status, 200u);
  EXPECT_NE(proc.body.find("<title>（2026）京0105民初1234号 张三诉李四合同纠纷 - 墨衡台</title>"), std::string::npos);
  EXPECT_EQ(fetch("/proceeding/88/files/list", signedIn).status, 200u);
  // Whatever the path holds ends up escaped in the page.
  Fetched odd = fetch("/proceeding/%3Cscript%3E/x", signedIn);
  EXPECT_EQ(odd.body.find("<script>/x"), std::string::npos);

  Fetched garbage = fetch("/nav-garbage");
  EXPECT_EQ(garbage.status, 200u);
  EXPECT_EQ(garbage.body.find("class=\"sidebar\""), std::string::npos);
  EXPECT_NE(garbage.body.find("window.webkit.messageHandlers.nav"), std::string::npos);

  Fetched popups = fetch("/new-window");
  EXPECT_NE(popups.body.find("<a id=\"blankLink\" target=\"_blank\" href=\"/cases\">"), std::string::npos);
  EXPECT_NE(popups.body.find("window.open('http://other.invalid/x')"), std::string::npos);
  EXPECT_NE(popups.body.find("window.open('file:///etc/passwd')"), std::string::npos);

  Fetched missing = fetch("/no/such/page");
  EXPECT_EQ(missing.status, 404u);
}

TEST_F(TestServiceTest, DemoPagesLinkToKnownCasesAndLookNothingLikeADeniedPage) {
  std::string token = signIn();
  std::set<std::string> procLinks;
  const std::regex link("href=\"(/proceeding/[0-9]+/[a-z]+)\"");
  for (const char* path : {"/dashboard", "/cases", "/calendar", "/proceeding/88/detail"}) {
    Fetched page = fetch(path, withCookie(token));
    ASSERT_EQ(page.status, 200u) << path;
    for (std::sregex_iterator it(page.body.begin(), page.body.end(), link), end; it != end; ++it)
      procLinks.insert((*it)[1].str());
  }
  // Several cases, not one repeated link.
  EXPECT_GE(procLinks.size(), 6u);
  for (const auto& path : procLinks) {
    Fetched page = fetch(path, withCookie(token));
    EXPECT_EQ(page.status, 200u) << path;
    EXPECT_EQ(page.body.find("未找到编号为"), std::string::npos) << path << " links to no case";
  }

  // The client takes a page whose title or text reads like these for a denied one.
  procLinks.insert("/proceeding/88/files");
  procLinks.insert("/proceeding/12345/detail");
  for (const std::string path : {"/dashboard", "/cases", "/calendar"}) procLinks.insert(path);
  for (const auto& path : procLinks) {
    Fetched page = fetch(path, withCookie(token));
    auto open = page.body.find("<title>");
    auto close = page.body.find("</title>");
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos) << path;
    std::string title = page.body.substr(open, close - open);
    EXPECT_EQ(title.find("403"), std::string::npos) << path;
    EXPECT_EQ(title.find("Forbidden"), std::string::npos) << path;
    for (const char* marker : {"无权访问", "没有权限", "禁止访问"})
      EXPECT_EQ(page.body.find(marker), std::string::npos) << path << " " << marker;
  }
}

// Every proceeding the demo's to-do lists and calendar feed name has its page, and the
// page is that proceeding's (its case number and client).
TEST_F(TestServiceTest, EveryProceedingTheDemoNamesHasItsPage) {
  std::string token = signIn();
  std::set<std::string> ids;
  for (const std::string& lists : {TestService::defaultDeadlinesJson(), todoDemoDeadlinesJson()}) {
    auto json = nlohmann::json::parse(lists);
    for (const auto& [kind, items] : json.items())
      for (const auto& item : items) {
        if (item["proc_id"].is_null()) continue;
        std::string id = std::to_string(item["proc_id"].get<long long>());
        ids.insert(id);
        if (lists != todoDemoDeadlinesJson()) continue;
        Fetched page = fetch("/proceeding/" + id + "/detail", withCookie(token));
        EXPECT_NE(page.body.find(item["proc"].get<std::string>()), std::string::npos) << id;
        EXPECT_NE(page.body.find(item["client"].get<std::string>()), std::string::npos) << id;
      }
  }
  const std::string feed = demoCalendarFeed();
  const std::regex link("(/proceeding/|/m/proc/)([0-9]+)");
  for (std::sregex_iterator it(feed.begin(), feed.end(), link), end; it != end; ++it) ids.insert((*it)[2].str());
  EXPECT_GE(ids.size(), 7u);
  for (const auto& id : ids) {
    Fetched page = fetch("/proceeding/" + id + "/detail", withCookie(token));
    EXPECT_EQ(page.status, 200u) << id;
    EXPECT_EQ(page.body.find("未找到编号为"), std::string::npos) << "no proceeding " << id;
    EXPECT_TRUE(pages::proceedingFolder(id)) << id;
  }
}

TEST_F(TestServiceTest, QuickArchiveFilesIntoTheProceedingsShareFolderAndRefusesOthers) {
  namespace fs = std::filesystem;
  TempHome home;
  const fs::path share = home.root() / "share";
  service.setCaseShareDir(share);
  std::string token = signIn();
  auto upload = [&](const std::string& id, const std::vector<std::pair<std::string, std::string>>& files) {
    FetchOptions o = withCookie(token);
    o.method = "POST";
    o.formType = "multipart/form-data; boundary=QV";
    for (const auto& [name, bytes] : files)
      o.form += "--QV\r\nContent-Disposition: form-data; name=\"files\"; filename=\"" + name +
                "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n";
    o.form += "--QV--\r\n";
    return fetch("/api/proc_quick_upload/" + id, o);
  };
  auto read = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const fs::path folder = share / "案件/2026/（2026）京0105民初1234号" / kArchiveInboxFolder;

  Fetched first = upload("88", {{"起诉状.pdf", "%PDF 第一份"}, {"../../逃逸.txt", "外面"}});
  EXPECT_EQ(first.status, 200u);
  EXPECT_EQ(first.body, R"({"success":true,"count":2})");
  EXPECT_EQ(read(folder / "起诉状.pdf"), "%PDF 第一份");
  EXPECT_EQ(read(folder / "逃逸.txt"), "外面") << "only the name's last piece counts";
  EXPECT_FALSE(fs::exists(share / "案件/2026/逃逸.txt"));
  EXPECT_FALSE(fs::exists(home.root() / "逃逸.txt"));

  // The same name again: both are kept.
  EXPECT_EQ(upload("88", {{"起诉状.pdf", "%PDF 第二份"}}).status, 200u);
  EXPECT_EQ(read(folder / "起诉状.pdf"), "%PDF 第一份");
  EXPECT_EQ(read(folder / "起诉状 (2).pdf"), "%PDF 第二份");

  // A proceeding the firm does not have: refused, nothing stored.
  Fetched unknown = upload("133", {{"和解协议.pdf", "%PDF"}});
  EXPECT_EQ(unknown.status, 404u);
  EXPECT_EQ(nlohmann::json::parse(unknown.body)["error"], "未找到编号为 133 的案件");
  EXPECT_EQ(nlohmann::json::parse(unknown.body)["success"], false);
  int stored = 0;
  for (auto it = fs::recursive_directory_iterator(share); it != fs::recursive_directory_iterator(); ++it)
    stored += it->is_regular_file();
  EXPECT_EQ(stored, 3);
}

TEST_F(TestServiceTest, AttachmentDownloadsCarryTheirNames) {
  Fetched pdf = fetch("/download/attachment?path=%E6%A1%88%E4%BB%B6/a.pdf");
  EXPECT_EQ(pdf.status, 200u);
  EXPECT_EQ(pdf.error, "");
  EXPECT_EQ(pdf.headers["content-disposition"], "attachment; filename=\"报告.pdf\"");
  EXPECT_EQ(pdf.body.size(), 64u * 1024u);
  EXPECT_EQ(pdf.body, TestService::attachmentBytes());

  Fetched evil = fetch("/download/evil");
  EXPECT_EQ(evil.headers["content-disposition"], "attachment; filename=\"../../evil.txt\"");
}

TEST_F(TestServiceTest, BrokenDownloadHangsUpMidBody) {
  Fetched broken = fetch("/download/broken");
  EXPECT_EQ(broken.status, 200u);
  EXPECT_EQ(broken.headers["content-length"], std::to_string(TestService::kBrokenDeclaredLength));
  EXPECT_NE(broken.error, "") << "the read must fail, not end as if complete";
  EXPECT_LT(broken.body.size(), TestService::kBrokenDeclaredLength);
  EXPECT_EQ(broken.body, TestService::attachmentBytes().substr(0, broken.body.size()));

  // The service keeps serving afterwards.
  EXPECT_EQ(fetch("/login").status, 200u);
  EXPECT_EQ(service.requestsTo("/download/broken").size(), 1u);
}

TEST(TempHomeTest, PointsHomeAndXdgAtATemporaryFolderAndRestores) {
  const char* before = std::getenv("HOME");
  std::string savedHome = before ? before : "";
  std::filesystem::path root;
  {
    TempHome home;
    root = home.root();
    EXPECT_TRUE(std::filesystem::is_directory(home.configHome()));
    EXPECT_EQ(std::string(std::getenv("HOME")), home.home().string());
    EXPECT_EQ(std::string(std::getenv("XDG_CONFIG_HOME")), home.configHome().string());
    EXPECT_EQ(std::string(std::getenv("XDG_DATA_HOME")), home.dataHome().string());
    EXPECT_EQ(std::string(std::getenv("XDG_CACHE_HOME")), home.cacheHome().string());
    EXPECT_EQ(std::getenv("XDG_DOWNLOAD_DIR"), nullptr);

    home.defaults().set("probe.v1", 7);
    home.defaults().flush();
    EXPECT_EQ(home.defaults().file(), home.configHome() / "Quorvel" / "defaults.json");
    EXPECT_TRUE(std::filesystem::exists(home.configHome() / "Quorvel" / "defaults.json"));
  }
  EXPECT_FALSE(std::filesystem::exists(root));
  const char* after = std::getenv("HOME");
  EXPECT_EQ(after ? after : "", savedHome);
  // The next fixture starts from empty defaults again.
  TempHome next;
  EXPECT_FALSE(next.defaults().integer("probe.v1").has_value());
}

TEST(TestServiceProcessTest, PrintsItsAddressServesAndStopsOnSigterm) {
  markMainThread();
  GError* error = nullptr;
  GSubprocess* proc = g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error, QUORVEL_TEST_SERVICE_EXE, nullptr);
  ASSERT_NE(proc, nullptr) << (error ? error->message : "");

  GDataInputStream* out = g_data_input_stream_new(g_subprocess_get_stdout_pipe(proc));
  struct LineState {
    std::string line;
    bool done = false;
  } ls;
  g_data_input_stream_read_line_async(
      out, G_PRIORITY_DEFAULT, nullptr,
      [](GObject* s, GAsyncResult* res, gpointer data) {
        auto* st = static_cast<LineState*>(data);
        char* line = g_data_input_stream_read_line_finish_utf8(G_DATA_INPUT_STREAM(s), res, nullptr, nullptr);
        if (line) st->line = line;
        g_free(line);
        st->done = true;
      },
      &ls);
  ASSERT_TRUE(waitUntil([&] { return ls.done; }, 10000));
  EXPECT_EQ(ls.line.rfind("http://127.0.0.1:", 0), 0u) << ls.line;
  EXPECT_GT(std::atoi(ls.line.c_str() + std::string("http://127.0.0.1:").size()), 0);

  SoupSession* s = soup_session_new();
  SoupMessage* msg = soup_message_new("GET", (ls.line + "/login").c_str());
  ASSERT_NE(msg, nullptr);
  struct Reply {
    std::string body;
    bool done = false;
  } reply;
  soup_session_send_and_read_async(
      s, msg, G_PRIORITY_DEFAULT, nullptr,
      [](GObject* src, GAsyncResult* res, gpointer data) {
        auto* r = static_cast<Reply*>(data);
        if (GBytes* b = soup_session_send_and_read_finish(SOUP_SESSION(src), res, nullptr)) {
          gsize n = 0;
          const char* p = static_cast<const char*>(g_bytes_get_data(b, &n));
          r->body.assign(p ? p : "", n);
          g_bytes_unref(b);
        }
        r->done = true;
      },
      &reply);
  EXPECT_TRUE(waitUntil([&] { return reply.done; }, 10000));
  EXPECT_EQ(soup_message_get_status(msg), 200u);
  EXPECT_NE(reply.body.find("系统登录"), std::string::npos);

  g_subprocess_send_signal(proc, SIGTERM);
  bool exited = false;
  g_subprocess_wait_async(
      proc, nullptr, [](GObject*, GAsyncResult*, gpointer data) { *static_cast<bool*>(data) = true; }, &exited);
  EXPECT_TRUE(waitUntil([&] { return exited; }, 10000));
  if (exited) {
    EXPECT_TRUE(g_subprocess_get_if_exited(proc));
    EXPECT_EQ(g_subprocess_get_exit_status(proc), 0);
  } else {
    g_subprocess_force_exit(proc);
  }

  g_object_unref(msg);
  g_object_unref(s);
  g_object_unref(out);
  g_object_unref(proc);
}

}  // namespace
}  // namespace quorvel::test
