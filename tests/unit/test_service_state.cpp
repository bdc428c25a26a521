// What the workspace model makes of the service's replies: badges and the sign-in
// state, forbidden pages, deadlines, recents, page-script reads and the node cache.
// Pages are fakes; nothing here needs a display.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "core/AppConfig.h"
#include "core/PageReads.h"
#include "base/AppError.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

class ServiceStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& d = home.defaults();
    d.set("serverURL", "https://example.com");
    d.remove("session.tabs.v1");
    d.remove("recents.v1");
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    model = pages.model();
    model->account().clearDockBadge().connect([this] { ++dockCleared; });
    model->account().notifyCounts().connect([this](const BadgeCounts& c) { notified.push_back(c); });
    page = fakeOf(model->activeTab());
  }
  void TearDown() override {
    setLogSink({});
    model.reset();
    drainMainLoop();
  }

  // Runs one badge refresh whose page answers `reply`.
  void refreshWith(JsResult reply) {
    page->answer = [reply](const std::string&, const nlohmann::json&) { return reply; };
    model->reads().refreshBadges();
    drainMainLoop();
  }
  void refreshWithText(const std::string& text) { refreshWith(JsResult::success(text)); }

  int logCount(const std::string& part) const { return countContaining(logs, part); }
  std::vector<nlohmann::json> auditRecords() const {
    std::vector<nlohmann::json> out;
    std::ifstream in(AppConfig::dataDir() / "upload-audit.jsonl");
    for (std::string line; std::getline(in, line);) out.push_back(nlohmann::json::parse(line));
    return out;
  }

  TempHome home;
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  FakeWebPage* page = nullptr;
  std::vector<std::string> logs;
  std::vector<BadgeCounts> notified;
  int dockCleared = 0;
};

}  // namespace

// ---- badges ----

TEST(BadgeReply, EachFieldFallsBackOnItsOwnAndOnlyObjectsCount) {
  auto c = parseBadgeReply(
      R"({"overdue":"3","today":3.0,"soon":true,"verify":null,"hearings":4,"user":5,"role":"lawyer","firm":"墨衡","ts":"09:00","x":1})");
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->loaded);
  EXPECT_FALSE(c->loginRequired);
  EXPECT_EQ(c->overdue, 0);   // text is not an integer
  EXPECT_EQ(c->today, 0);     // a fraction-typed number is not either
  EXPECT_EQ(c->soon, 0);      // nor a boolean
  EXPECT_EQ(c->verify, 0);
  EXPECT_EQ(c->hearings, 4);
  EXPECT_EQ(c->user, "");
  EXPECT_EQ(c->role, "lawyer");
  EXPECT_EQ(c->firm, "墨衡");
  EXPECT_EQ(c->updatedAt, "09:00");

  auto zeros = parseBadgeReply(R"({"overdue":0,"error":null,"errors":[],"success":true})");
  ASSERT_TRUE(zeros);
  EXPECT_EQ(*zeros, (BadgeCounts{true, false, 0, 0, 0, 0, 0, "", "", "", ""}));

  for (const char* notAnObject : {"[]", "null", "3", "\"text\"", "", "{\"overdue\":", "<html></html>"})
    EXPECT_FALSE(parseBadgeReply(notAnObject)) << notAnObject;
  // Error objects and objects of another shape are no badge reply: they carry no counts.
  for (const char* notCounts :
       {"{}", R"({"error":"服务维护中"})", R"({"overdue":3,"error":"partial"})", R"({"errors":["x"],"today":1})",
        R"({"success":false,"overdue":0})", R"({"ok":false,"today":0,"msg":"denied"})",
        R"({"code":500,"message":"Internal Server Error"})", R"({"data":{"overdue":3}})"})
    EXPECT_FALSE(parseBadgeReply(notCounts)) << notCounts;

  EXPECT_TRUE(looksLikeLoginPage("<html><form action=x>"));
  EXPECT_TRUE(looksLikeLoginPage("<title>系统登录</title>"));
  EXPECT_FALSE(looksLikeLoginPage("<FORM>"));  // case-sensitive, as the service writes it
}

TEST_F(ServiceStateTest, ActivatingATabReadsTheBadgesAndAReadOutlivesItsModelQuietly) {
  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(R"({"overdue":4,"user":"张律师"})");
  };
  model->activate(model->activeTab());
  drainMainLoop();
  EXPECT_EQ(page->calledBodies.size(), 1u);
  EXPECT_EQ(model->account().badges->overdue, 4);
  ASSERT_EQ(notified.size(), 1u);

  // A read under way when the model goes publishes nothing.
  model->reads().refreshBadges();
  model.reset();
  drainMainLoop();
  EXPECT_EQ(notified.size(), 1u);
}

// The caller of a deadline read hears it ended even when the model went first; nothing
// is published or logged for a model that is gone.
TEST_F(ServiceStateTest, ADeadlineReadOutlivedByItsModelStillCompletesAndPublishesNothing) {
  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(std::string(R"({"overdue":[],"today":[],"soon":[],"verify":[],"hearings":[]})"));
  };
  int completions = 0;
  model->reads().fetchDeadlines([&] { ++completions; });
  model.reset();
  drainMainLoop();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(logCount("[Quorvel][TODO]"), 0);
}

TEST_F(ServiceStateTest, BadgeRepliesMoveBetweenTheThreeStates) {
  EXPECT_FALSE(model->account().badges->loaded);

  // The read is deferred: nothing changes before refreshBadges returns.
  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(R"({"overdue":2,"today":1,"user":"张律师"})");
  };
  model->reads().refreshBadges();
  EXPECT_FALSE(model->account().badges->loaded);
  EXPECT_TRUE(page->calledBodies.empty());
  drainMainLoop();
  EXPECT_TRUE(model->account().badges->loaded);
  EXPECT_FALSE(model->account().badges->loginRequired);
  EXPECT_EQ(model->account().badges->overdue, 2);
  ASSERT_EQ(notified.size(), 1u);
  EXPECT_EQ(notified[0], model->account().badges.get());
  EXPECT_EQ(logCount("[Quorvel][BADGE] 超期=2 今日=1 3天内=0 待核实=0 开庭=0 用户=张律师"), 1);

  // The login marker keeps the counts and only raises the flags; no notification.
  refreshWithText("__LOGIN__");
  EXPECT_TRUE(model->account().badges->loginRequired);
  EXPECT_EQ(model->account().badges->overdue, 2);
  EXPECT_EQ(model->account().badges->user, "张律师");
  EXPECT_EQ(notified.size(), 1u);
  EXPECT_EQ(dockCleared, 1);

  // Back to signed in with the next good reply.
  refreshWithText(R"({"overdue":5})");
  EXPECT_FALSE(model->account().badges->loginRequired);
  EXPECT_EQ(model->account().badges->overdue, 5);
  EXPECT_EQ(model->account().badges->user, "");

  // An HTML reply with a form, or with the login title, means the sign-in expired.
  refreshWithText("<html><body><form method=post action=/search></form></body></html>");
  EXPECT_TRUE(model->account().badges->loginRequired);
  refreshWithText(R"({"overdue":0})");
  EXPECT_FALSE(model->account().badges->loginRequired);
  refreshWithText("<html><title>墨衡台 · 系统登录</title></html>");
  EXPECT_TRUE(model->account().badges->loginRequired);
  EXPECT_EQ(model->account().badges->overdue, 0);
}

TEST_F(ServiceStateTest, BadgesAreReadOnlyInAFinishedPageOfTheServicesOrigin) {
  auto tab = model->activeTab();
  page->url = "https://example.com/dashboard";
  tab->loadStarted();  // the view may still hold the blank document
  refreshWithText(R"({"overdue":7})");
  EXPECT_TRUE(page->calledBodies.empty());
  tab->loadStopped();
  tab->intendedURL = Url::parse("https://example.com/cases");  // asked for, failed or not finished
  refreshWithText(R"({"overdue":7})");
  EXPECT_TRUE(page->calledBodies.empty());
  tab->intendedURL.reset();
  for (const char* other : {"https://example.com:8443/dashboard", "http://example.com/dashboard"}) {
    page->url = other;
    refreshWithText(R"({"overdue":7})");
    EXPECT_TRUE(page->calledBodies.empty()) << other;
  }
  EXPECT_FALSE(model->account().badges->loaded);

  page->url = "https://example.com:443/dashboard";
  refreshWithText(R"({"overdue":7})");
  EXPECT_EQ(page->calledBodies.size(), 1u);
  EXPECT_EQ(model->account().badges->overdue, 7);
}

TEST_F(ServiceStateTest, FailedAndForeignBadgeRepliesChangeNothing) {
  refreshWithText(R"({"overdue":1,"user":"张律师"})");
  BadgeCounts good = model->account().badges.get();
  int published = 0;
  auto conn = model->account().badges.changed().connect([&] { ++published; });

  logs.clear();
  // Every failure is logged and marked, and the counts stay as they were.
  refreshWithText("__ERR__TypeError: Load failed");
  EXPECT_EQ(logCount("[Quorvel][BADGE] __ERR__TypeError: Load failed"), 1);
  EXPECT_EQ(model->account().badgeFailure.get(), "刷新失败：无法连接到服务器");
  refreshWith(JsResult::failure("WebKitJavascriptError", 699, "脚本异常"));
  EXPECT_EQ(logCount("[Quorvel][BADGE] 脚本异常"), 1);
  EXPECT_EQ(model->account().badgeFailure.get(), "刷新失败：页面脚本执行失败");
  refreshWith(JsResult::success(42));
  refreshWith(JsResult::success(nullptr));
  EXPECT_EQ(model->account().badgeFailure.get(), "刷新失败：页面没有返回文本");
  refreshWithText("__HTTP__500\n<h1>500 Internal Server Error</h1>");
  EXPECT_EQ(model->account().badgeFailure.get(), "刷新失败：服务器返回 500");
  EXPECT_EQ(logCount("[Quorvel][BADGE] 服务器返回 500 <h1>500 Internal Server Error</h1>"), 1);
  // A body of another shape: an error object, a list, an error page sent as 200.
  for (const char* other : {R"({"error":"服务维护中"})", "{}", "[]", "null", "<h1>500 Internal Server Error</h1>"}) {
    refreshWithText("__HTTP__200\n{\"overdue\":1,\"user\":\"张律师\"}");  // a good reply in between
    ASSERT_FALSE(model->account().badgeFailure.get()) << other;
    published = 0;
    refreshWithText(other);
    EXPECT_EQ(model->account().badgeFailure.get(), "刷新失败：服务器回复无法识别") << other;
    EXPECT_EQ(published, 0) << other;
    EXPECT_EQ(model->account().badges.get(), good) << other;
  }
  EXPECT_EQ(logCount("[Quorvel][BADGE] 无法识别的回复："), 5);
  EXPECT_EQ(model->account().badges.get(), good);
  // A good reply ends the failure; the sign-in page does too (it says why the counts stay).
  refreshWithText(R"({"overdue":1,"user":"张律师"})");
  EXPECT_FALSE(model->account().badgeFailure.get());
  refreshWithText("__ERR__x");
  refreshWithText("__LOGIN__");
  EXPECT_FALSE(model->account().badgeFailure.get());
  refreshWithText(R"({"overdue":1,"user":"张律师"})");
  published = 0;

  // A page on another host is never asked; a subdomain of the service is.
  size_t asked = page->calledBodies.size();
  page->url = "https://example.com.evil.net/dashboard";
  refreshWithText(R"({"overdue":99})");
  page->url = "https://other.net/api";
  refreshWithText(R"({"overdue":99})");
  EXPECT_EQ(page->calledBodies.size(), asked);
  EXPECT_EQ(model->account().badges.get(), good);
  page->url = "https://Files.EXAMPLE.com/x";
  refreshWithText(R"({"overdue":3})");
  EXPECT_EQ(model->account().badges->overdue, 3);

  // A page that has loaded nothing yet is not asked either.
  page->url.reset();
  refreshWithText(R"({"overdue":7})");
  EXPECT_EQ(model->account().badges->overdue, 3);
  conn.disconnect();
}

TEST_F(ServiceStateTest, MarkLoginRequiredPublishesOnceButClearsTheBadgeEachTime) {
  int published = 0;
  auto conn = model->account().badges.changed().connect([&] { ++published; });
  model->account().markLoginRequired();
  model->account().markLoginRequired();
  EXPECT_EQ(published, 1);
  EXPECT_EQ(dockCleared, 0);  // deferred to the main queue
  drainMainLoop();
  EXPECT_EQ(dockCleared, 2);
  EXPECT_TRUE(model->account().badges->loaded);
  EXPECT_TRUE(model->account().badges->loginRequired);
  EXPECT_TRUE(notified.empty());
  conn.disconnect();
}

// ---- forbidden pages ----

TEST_F(ServiceStateTest, ForbiddenPathsAreTrimmedRecordedOnceAndAudited) {
  model->account().setNavItems({NavItem{"个人工作台", "square.grid.2x2", "/dashboard"},
                       NavItem{"财务看板", "chart.bar", "/finance_dashboard"},
                       NavItem{"案件", "folder.fill", "/cases"}});
  model->account().markForbidden("  /finance_dashboard\t");
  EXPECT_EQ(model->account().forbiddenPaths.get(), std::set<std::string>{"/finance_dashboard"});
  ASSERT_EQ(model->account().navItems->size(), 2u);
  EXPECT_EQ(model->account().navItems.get()[1].path, "/cases");
  EXPECT_EQ(logCount("[Quorvel][NAV] 权限不足，已从侧栏移除：/finance_dashboard（剩 2 项）"), 1);
  auto records = auditRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["action"], "nav-forbidden");
  EXPECT_EQ(records[0]["path"], "/finance_dashboard");
  EXPECT_EQ(records[0]["removed"], 1);

  model->account().markForbidden("/finance_dashboard");
  model->account().markForbidden("");
  model->account().markForbidden(" \t ");
  EXPECT_EQ(auditRecords().size(), 1u);
  EXPECT_EQ(logCount("权限不足"), 1);

  model->account().markForbidden("/not-in-sidebar");
  records = auditRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1]["removed"], 0);
  EXPECT_EQ(model->account().navItems->size(), 2u);

  // The page posts its sidebar again: the entry is back but stays hidden.
  model->account().setNavItems({NavItem{"财务看板", "chart.bar", "/finance_dashboard"}, NavItem{"案件", "folder.fill", "/cases"}});
  auto visible = model->account().visibleNavItems();
  ASSERT_EQ(visible.size(), 1u);
  EXPECT_EQ(visible[0].path, "/cases");
}

// ---- deadlines ----

TEST(DeadlineDecoding, KeysTypesAndDayTexts) {
  auto empty = decodeDeadlines(R"({"overdue":[],"today":[],"soon":[],"verify":[],"hearings":[],"extra":1})");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());

  EXPECT_FALSE(decodeDeadlines(R"({"overdue":[],"today":[],"soon":[],"verify":[]})"));
  EXPECT_FALSE(decodeDeadlines(R"({"overdue":{},"today":[],"soon":[],"verify":[],"hearings":[]})"));
  EXPECT_FALSE(decodeDeadlines(R"({"overdue":[],"today":[],"soon":[],"verify":[],"hearings":[{"days":"3"}]})"));
  EXPECT_FALSE(decodeDeadlines(R"({"overdue":[5],"today":[],"soon":[],"verify":[],"hearings":[]})"));
  EXPECT_FALSE(decodeDeadlines("<html><form></form></html>"));

  auto d = decodeDeadlines(R"({"overdue":[{"content":"提交证据","days":-2,"proc_id":15}],)"
                           R"("today":[{"content":"缴费","days":0,"procId":9}],)"
                           R"("soon":[{"date":"2026-03-05","days":null,"client":null}],)"
                           R"("verify":[{"days":5}],"hearings":[{}]})");
  ASSERT_TRUE(d);
  const TodoItem& first = d->overdue[0];
  EXPECT_EQ(first.content, "提交证据");
  EXPECT_EQ(first.days, -2);
  EXPECT_EQ(first.procId, 15);
  EXPECT_FALSE(first.date || first.client || first.proc);
  EXPECT_EQ(first.dayText(), "超期 2 天");
  EXPECT_FALSE(d->today[0].procId);  // "procId" is not the service's key
  EXPECT_EQ(d->today[0].dayText(), "今天");
  EXPECT_FALSE(d->soon[0].days);
  EXPECT_EQ(d->soon[0].dayText(), "2026-03-05");
  EXPECT_EQ(d->verify[0].dayText(), "剩 5 天");
  EXPECT_EQ(d->hearings[0].dayText(), "");

  auto again = decodeDeadlines(R"({"overdue":[{"content":"提交证据","days":-2,"proc_id":15}],)"
                               R"("today":[],"soon":[],"verify":[],"hearings":[]})");
  ASSERT_TRUE(again);
  EXPECT_NE(again->overdue[0].id, first.id);
  EXPECT_FALSE(TodoKinds::fromRawValue("Overdue"));
  EXPECT_EQ(TodoKinds::fromRawValue("hearings"), TodoKind::hearings);
}

TEST_F(ServiceStateTest, FetchDeadlinesPublishesGoodRepliesOnlyAndAlwaysCompletes) {
  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(std::string(
        R"({"overdue":[{"content":"a","days":-1}],"today":[],"soon":[{"days":2},{"days":3}],"verify":[],"hearings":[]})"));
  };
  bool sawOldLists = false;
  int completions = 0;
  model->reads().fetchDeadlines([&] {
    ++completions;
    sawOldLists = model->account().deadlines->empty();
  });
  EXPECT_EQ(completions, 0);
  drainMainLoop();
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(sawOldLists);  // the action runs before the lists are published
  EXPECT_EQ(model->account().deadlines->overdue.size(), 1u);
  EXPECT_EQ(model->account().deadlines->soon.size(), 2u);
  EXPECT_EQ(logCount("[Quorvel][TODO] 超期=1 今日=0 3天内=2 待核实=0 开庭=0"), 1);

  // Without "hearings": a parse failure, logged with the first 120 characters.
  std::string broken = R"({"overdue":[],"today":[],"soon":[],"verify":[],"note":")" + std::string(200, 'x') + "\"}";
  page->answer = [broken](const std::string&, const nlohmann::json&) { return JsResult::success(broken); };
  model->reads().fetchDeadlines([&] { ++completions; });
  drainMainLoop();
  EXPECT_EQ(completions, 2);
  EXPECT_EQ(logCount("[Quorvel][TODO] 解析失败: " + broken.substr(0, 120)), 1);
  EXPECT_EQ(logCount(broken.substr(0, 121)), 0);
  EXPECT_EQ(model->account().deadlines->overdue.size(), 1u);

  EXPECT_EQ(model->account().deadlineFailure.get(), "刷新失败：服务器回复无法识别");

  // Evaluation failures and non-text values are failures too, logged and marked.
  logs.clear();
  page->answer = [](const std::string&, const nlohmann::json&) { return JsResult::failure("WebKit", 1, "x"); };
  model->reads().fetchDeadlines([&] { ++completions; });
  page->answer = [](const std::string&, const nlohmann::json&) { return JsResult::success(7); };
  model->reads().fetchDeadlines([&] { ++completions; });
  drainMainLoop();
  EXPECT_EQ(completions, 4);
  EXPECT_EQ(logCount("[Quorvel][TODO] 读取失败："), 2);
  EXPECT_EQ(model->account().deadlineFailure.get(), "刷新失败：页面没有返回文本");
  EXPECT_EQ(model->account().deadlines->overdue.size(), 1u);

  // A foreign page is not read; the action still runs, at once.
  size_t asked = page->calledBodies.size();
  page->url = "https://evil.net/dashboard";
  model->reads().fetchDeadlines([&] { ++completions; });
  EXPECT_EQ(completions, 5);
  // No tab at all: the same.
  model->close(model->activeTab());
  model->reads().fetchDeadlines([&] { ++completions; });
  EXPECT_EQ(completions, 6);
  drainMainLoop();
  EXPECT_EQ(page->calledBodies.size(), asked);
  EXPECT_EQ(model->account().deadlines->overdue.size(), 1u);
  // Nothing could be read: the lists shown are not today's.
  EXPECT_EQ(model->account().deadlineFailure.get(), "刷新失败：没有打开的系统页面");
}

TEST_F(ServiceStateTest, PageReadsEndAtTheirLimitsAndSayWhy) {
  auto answerWith = [&](std::string text) {
    page->answer = [text](const std::string&, const nlohmann::json&) { return JsResult::success(text); };
  };
  auto readDeadlines = [&] {
    bool done = false;
    model->reads().fetchDeadlines([&] { done = true; });
    EXPECT_TRUE(waitUntil([&] { return done; }, 5000));
    drainMainLoop();
  };
  answerWith(R"({"overdue":[{"content":"a"}],"today":[],"soon":[],"verify":[],"hearings":[]})");
  readDeadlines();
  ASSERT_EQ(model->account().deadlines->overdue.size(), 1u);

  // Every read carries its limits into the page; only the badge read checks for the
  // sign-in page, and the page gives up before the native guard does.
  nlohmann::json seen;
  page->answer = [&](const std::string&, const nlohmann::json& args) {
    seen = args;
    return JsResult::success(std::string("__TIMEOUT__"));
  };
  readDeadlines();
  EXPECT_EQ(seen["target"], "/api/my_deadlines");
  EXPECT_EQ(seen["login"], 0);
  EXPECT_EQ(seen["idleMs"], 25000);
  EXPECT_EQ(seen["maxBytes"], 8 << 20);
  EXPECT_LT(seen["totalMs"].get<long long>(), model->reads().limits().guardMs);
  EXPECT_EQ(model->account().deadlineFailure.get(), "刷新失败：服务器 25 秒无响应");
  model->reads().refreshBadges();
  drainMainLoop();
  EXPECT_EQ(seen["target"], "/api/desktop/badges");
  EXPECT_EQ(seen["login"], 1);
  EXPECT_EQ(model->account().badgeFailure.get(), "刷新失败：服务器 25 秒无响应");

  // What the page says of its limits and of the HTTP status, in words.
  const std::vector<std::pair<std::string, std::string>> answers = {
      {"__TOOBIG__", "刷新失败：服务器回复超过 8 MB"},
      {std::string(8u << 20, 'x') + std::string(100, 'x'), "刷新失败：服务器回复超过 8 MB"},  // the native guard
      {"__HTTP__403\n<html><body>⛔ 无权访问该页面</body></html>", "刷新失败：服务器返回 403"},
      {"__HTTP__502\n{\"overdue\":[],\"today\":[],\"soon\":[],\"verify\":[],\"hearings\":[]}", "刷新失败：服务器返回 502"},
      {"<html><title>墨衡台 · 系统登录</title><form></form></html>", "刷新失败：尚未登录或登录已过期"},
  };
  for (const auto& [text, message] : answers) {
    SCOPED_TRACE(message);
    answerWith(text);
    readDeadlines();
    EXPECT_EQ(model->account().deadlineFailure.get(), message);
    EXPECT_EQ(model->account().deadlines->overdue.size(), 1u);  // the last good lists stay
  }
  EXPECT_EQ(logCount("[Quorvel][TODO] 读取失败：服务器返回 403 <html><body>⛔ 无权访问该页面</body></html>"), 1);
  // fetchJSON says a status that is no success in words, and fails on a limit with its message.
  answerWith("__HTTP__404\n<h1>404</h1>");
  auto notFound = runToEnd(model->reads().fetchJSON("/x"));
  ASSERT_TRUE(notFound->error);
  EXPECT_EQ(notFound->error->message, "服务器上没有这个地址（HTTP 404）");
  answerWith("__TOOBIG__");
  auto tooBig = runToEnd(model->reads().fetchJSON("/x"));
  ASSERT_TRUE(tooBig->error);
  EXPECT_EQ(tooBig->error->code, 2);
  EXPECT_EQ(tooBig->error->message, "服务器回复超过 8 MB");

  // A page that never answers: the native guard ends the read; a late answer is dropped.
  model->reads().limits().guardMs = 150;
  page->silent = true;
  auto start = std::chrono::steady_clock::now();
  readDeadlines();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2 * test::kSanitizerSlowdown));
  EXPECT_EQ(model->account().deadlineFailure.get(), "刷新失败：页面 1 秒无答复");
  auto guarded = runToEnd(model->reads().fetchJSON("/x"));
  ASSERT_TRUE(guarded->error);
  EXPECT_EQ(guarded->error->domain, "Quorvel");
  EXPECT_EQ(guarded->error->code, 2);
  EXPECT_EQ(guarded->error->message, "页面 1 秒无答复");
  ASSERT_EQ(page->unanswered.size(), 2u);
  for (auto& late : page->unanswered)
    late(JsResult::success(std::string(R"({"overdue":[],"today":[],"soon":[],"verify":[],"hearings":[]})")));
  drainMainLoop();
  EXPECT_EQ(model->account().deadlines->overdue.size(), 1u);
  page->silent = false;

  // A large reply is decoded off the main thread and published like any other.
  answerWith(R"({"overdue":[],"today":[{"content":"b"}],"soon":[],"verify":[],"hearings":[],"note":")" +
             std::string(kDecodeOnWorkerBytes, 'n') + "\"}");
  readDeadlines();
  ASSERT_TRUE(waitUntil([&] { return model->account().deadlines->today.size() == 1u; }, 5000));
  EXPECT_FALSE(model->account().deadlineFailure->has_value());
}

// ---- recents ----

TEST_F(ServiceStateTest, RecentsKeepFiveNewestFirstAndAreStored) {
  for (int id = 1; id <= 6; ++id) model->account().rememberProceeding(id, "案件 " + std::to_string(id));
  auto ids = [&] {
    std::vector<long long> out;
    for (auto& r : model->account().recents.get()) out.push_back(r.procID);
    return out;
  };
  EXPECT_EQ(ids(), (std::vector<long long>{6, 5, 4, 3, 2}));
  model->account().rememberProceeding(4, "案件 4 新标题");
  EXPECT_EQ(ids(), (std::vector<long long>{4, 6, 5, 3, 2}));
  EXPECT_EQ(model->account().recents.get()[0].title, "案件 4 新标题");
  EXPECT_EQ(RecentStore::load(home.defaults()), model->account().recents.get());
}

TEST(RecentTitle, SeparatorLengthAndEmptyRules) {
  EXPECT_EQ(recentTitle(1, "一二三四五六七八九十一二三四"), "一二三四五六七八九十一二三四");
  EXPECT_EQ(recentTitle(1, "一二三四五六七八九十一二三四五"), "一二三四五六七八九十一二三四…");
  // Seven characters before " - ": the suffix goes.
  EXPECT_EQ(recentTitle(1, "  甲乙丙丁戊己庚 - 墨衡台\n"), "甲乙丙丁戊己庚");
  // Six or fewer: the title stays whole, then the length rule applies.
  EXPECT_EQ(recentTitle(1, "甲乙丙丁戊己 - 墨衡台"), "甲乙丙丁戊己 - 墨衡台");
  EXPECT_EQ(recentTitle(1, "短标题 - 这是一个相当长的后缀说明"), "短标题 - 这是一个相当长的…");
  // Only the part from the last separator on is dropped.
  EXPECT_EQ(recentTitle(1, "甲乙丙丁戊己庚 - 二审 - 墨衡台"), "甲乙丙丁戊己庚 - 二审");
  EXPECT_EQ(recentTitle(42, "   \t "), "程序 42");
  EXPECT_EQ(recentTitle(42, ""), "程序 42");
  // A family emoji is one character and is never split.
  std::string family = "👨‍👩‍👧";
  std::string fifteen;
  for (int i = 0; i < 15; ++i) fifteen += family;
  std::string fourteen;
  for (int i = 0; i < 14; ++i) fourteen += family;
  EXPECT_EQ(recentTitle(1, fifteen), fourteen + "…");
}

TEST_F(ServiceStateTest, StoredRecentsThatDoNotDecodeLoadEmpty) {
  auto& d = home.defaults();
  for (const char* garbage : {"not json [", R"([{"title":"无编号"}])", R"({"procID":1,"title":"x"})",
                              R"([{"procID":"1","title":"x"}])"}) {
    d.set("recents.v1", garbage);
    EXPECT_TRUE(RecentStore::load(home.defaults()).empty()) << garbage;
  }
  d.set("recents.v1", 12);
  EXPECT_TRUE(RecentStore::load(home.defaults()).empty());
  d.set("recents.v1", R"([{"procID":3,"title":"三"},{"procID":1,"title":"一"}])");
  EXPECT_EQ(RecentStore::load(home.defaults()), (std::vector<RecentItem>{{3, "三"}, {1, "一"}}));
  // The next visit overwrites whatever was stored.
  d.set("recents.v1", "not json [");
  auto fresh = pages.model();
  EXPECT_TRUE(fresh->account().recents->empty());
  fresh->account().rememberProceeding(8, "案件八号程序");
  EXPECT_EQ(RecentStore::load(home.defaults()), (std::vector<RecentItem>{{8, "案件八号程序"}}));
}

// ---- page-script reads ----

TEST_F(ServiceStateTest, FetchJsonErrorCodes) {
  auto codeOf = [&](const std::shared_ptr<Outcome<std::string>>& o) { return o->error ? o->error->code : 0; };

  page->answer = [](const std::string& body, const nlohmann::json& args) {
    EXPECT_NE(body.find("fetch(target"), std::string::npos);
    return JsResult::success(std::string("{\"path\":\"") + args["target"].get<std::string>() + "\"}");
  };
  auto ok = runToEnd(model->reads().fetchJSON("/api/desktop/nodes"));
  ASSERT_TRUE(ok->value);
  EXPECT_EQ(*ok->value, R"({"path":"/api/desktop/nodes"})");

  page->answer = [](const std::string&, const nlohmann::json&) { return JsResult::success(std::string()); };
  auto empty = runToEnd(model->reads().fetchJSON("/x"));
  ASSERT_TRUE(empty->value);
  EXPECT_EQ(*empty->value, "");

  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(std::string("__ERR__TypeError: Load failed"));
  };
  auto err = runToEnd(model->reads().fetchJSON("/x"));
  ASSERT_TRUE(err->error);
  EXPECT_EQ(err->error->domain, "Quorvel");
  EXPECT_EQ(err->error->code, 2);
  EXPECT_EQ(err->error->message, "无法连接到服务器");

  // A status that is no success: said in words, whatever the body.
  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(std::string("__HTTP__502\n<html><body>Bad Gateway</body></html>"));
  };
  auto gateway = runToEnd(model->reads().fetchJSON("/x"));
  EXPECT_EQ(codeOf(gateway), 2);
  EXPECT_EQ(gateway->error->message, "服务器出错（HTTP 502）");

  page->answer = [](const std::string&, const nlohmann::json&) { return JsResult::success(42); };
  auto number = runToEnd(model->reads().fetchJSON("/x"));
  EXPECT_EQ(codeOf(number), 2);
  EXPECT_EQ(number->error->message, "42");
  page->answer = [](const std::string&, const nlohmann::json&) { return JsResult::success(nullptr); };
  EXPECT_EQ(codeOf(runToEnd(model->reads().fetchJSON("/x"))), 2);

  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(std::string("\xff\xfe broken"));
  };
  auto notText = runToEnd(model->reads().fetchJSON("/x"));
  EXPECT_EQ(codeOf(notText), 3);
  EXPECT_EQ(notText->error->message, "响应不是文本");

  // The web view's own failure passes through unchanged.
  page->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::failure("WebKitJavascriptError", 699, "SyntaxError");
  };
  auto failed = runToEnd(model->reads().fetchJSON("/x"));
  ASSERT_TRUE(failed->error);
  EXPECT_EQ(failed->error->domain, "WebKitJavascriptError");
  EXPECT_EQ(failed->error->code, 699);
  EXPECT_EQ(failed->error->message, "SyntaxError");

  // No page on the service: code 1, and no script runs.
  size_t asked = page->calledBodies.size();
  page->url = "https://evil.net/";
  auto foreign = runToEnd(model->reads().fetchJSON("/api/desktop/nodes"));
  EXPECT_EQ(codeOf(foreign), 1);
  EXPECT_EQ(foreign->error->message, "没有打开的页面（请先登录）");
  page->url = "about:blank";
  EXPECT_EQ(codeOf(runToEnd(model->reads().fetchJSON("/x"))), 1);
  EXPECT_EQ(page->calledBodies.size(), asked);

  model->activeTab()->teardownWebView();
  EXPECT_EQ(codeOf(runToEnd(model->reads().fetchJSON("/x"))), 1);
  model->close(model->activeTab());
  EXPECT_EQ(codeOf(runToEnd(model->reads().fetchJSON("/x"))), 1);
}

// A failed read carries its error: the engine's domain and code with the words the
// views show, its own text kept for the log; the read's own failures are Quorvel's.
TEST_F(ServiceStateTest, AFailedReadCarriesItsErrorAndTheWordsShown) {
  auto readOnce = [&](JsResult answer) {
    page->answer = [answer](const std::string&, const nlohmann::json&) { return answer; };
    auto o = runToEnd(PageReads::read(model->activeTab()->webViewPtr(), "/x", PageReads::Limits{}));
    EXPECT_TRUE(o->value);
    return o->value.value_or(PageReads::Reply{});
  };
  auto engine = readOnce(JsResult::failure("WebKitJavascriptError", 699, "SyntaxError"));
  ASSERT_EQ(engine.kind, PageReads::Reply::Kind::failed);
  ASSERT_TRUE(engine.error);
  EXPECT_EQ(engine.error->domain, "WebKitJavascriptError");
  EXPECT_EQ(engine.error->code, 699);
  EXPECT_EQ(PageReads::replyFailureReason(engine), "页面脚本执行失败");
  EXPECT_EQ(engine.detail, "SyntaxError");

  auto noPage = readOnce(JsResult::failure("Quorvel", 1, "没有打开的页面（请先登录）"));
  ASSERT_TRUE(noPage.error);
  EXPECT_EQ(noPage.error->code, 1);
  EXPECT_EQ(PageReads::replyFailureReason(noPage), "没有打开的页面（请先登录）");

  auto idle = readOnce(JsResult::success(std::string("__TIMEOUT__")));
  ASSERT_TRUE(idle.error);
  EXPECT_EQ(*idle.error, AppError("Quorvel", 2, "服务器 25 秒无响应"));
  auto number = readOnce(JsResult::success(7));
  ASSERT_TRUE(number.error);
  EXPECT_EQ(*number.error, AppError("Quorvel", 2, "页面没有返回文本"));
  EXPECT_EQ(number.detail, "7");

  auto fine = readOnce(JsResult::success(std::string("{}")));
  EXPECT_TRUE(fine.ok());
  EXPECT_FALSE(fine.error);
}

TEST_F(ServiceStateTest, NodeCacheServesForUnderThirtySecondsAndSurvivesFailures) {
  auto t0 = std::chrono::system_clock::time_point{} + std::chrono::hours(24 * 20000);
  pages.clock.set(t0);
  int reads = 0;
  std::string next = R"({"ok":true,"n":1})";
  page->answer = [&](const std::string&, const nlohmann::json& args) {
    ++reads;
    EXPECT_EQ(args["target"], "/api/desktop/nodes");
    return JsResult::success(next);
  };
  auto first = runToEnd(model->reads().fetchNodesCached(false));
  ASSERT_TRUE(first->value);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(model->account().cachedNodesAt(), t0);

  next = R"({"ok":true,"n":2})";
  pages.clock.set(t0 + 29900ms);
  EXPECT_EQ(*runToEnd(model->reads().fetchNodesCached(false))->value, R"({"ok":true,"n":1})");
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(*runToEnd(model->reads().fetchNodesCached(true))->value, R"({"ok":true,"n":2})");  // forced
  EXPECT_EQ(reads, 2);
  auto t1 = t0 + 29900ms;
  EXPECT_EQ(model->account().cachedNodesAt(), t1);

  // A failed read keeps the old bytes and their time.
  pages.clock.set(t1 + 30000ms);
  page->answer = [&](const std::string&, const nlohmann::json&) {
    ++reads;
    return JsResult::success(std::string("__ERR__offline"));
  };
  auto failed = runToEnd(model->reads().fetchNodesCached(false));
  ASSERT_TRUE(failed->error);
  EXPECT_EQ(failed->error->code, 2);
  EXPECT_EQ(reads, 3);
  EXPECT_EQ(model->account().cachedNodes(), R"({"ok":true,"n":2})");
  EXPECT_EQ(model->account().cachedNodesAt(), t1);

  // Fresh enough is served without a page; stale without a page fails with code 1.
  pages.clock.set(t1 + 10000ms);
  model->activeTab()->teardownWebView();
  EXPECT_EQ(*runToEnd(model->reads().fetchNodesCached(false))->value, R"({"ok":true,"n":2})");
  pages.clock.set(t1 + 30000ms);
  auto noPage = runToEnd(model->reads().fetchNodesCached(false));
  ASSERT_TRUE(noPage->error);
  EXPECT_EQ(noPage->error->code, 1);
  EXPECT_EQ(model->account().cachedNodes(), R"({"ok":true,"n":2})");
}

TEST_F(ServiceStateTest, ListingsReadUnderTheirOwnCapAndAReplyOverItStillFails) {
  // The listings ask the page for room for a firm of 100,000 case files; other reads keep 8 MB.
  nlohmann::json seen;
  std::string next = R"({"ok":true})";
  page->answer = [&](const std::string&, const nlohmann::json& args) {
    seen = args;
    return JsResult::success(next);
  };
  ASSERT_TRUE(runToEnd(model->reads().fetchNodesCached(true))->value);
  EXPECT_EQ(seen["maxBytes"], 256ll << 20);
  ASSERT_TRUE(runToEnd(model->reads().fetchListing("/api/desktop/manifest_contract/7"))->value);
  EXPECT_EQ(seen["maxBytes"], 256ll << 20);
  ASSERT_TRUE(runToEnd(model->reads().fetchJSON("/api/my_deadlines"))->value);
  EXPECT_EQ(seen["maxBytes"], 8ll << 20);

  // A reply more than 8 MB long passes as a listing; the page's refusal is said in words.
  next = std::string(9u << 20, ' ') + R"({"ok":true})";
  auto large = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(large->value);
  EXPECT_EQ(large->value->size(), next.size());
  next = "__TOOBIG__";
  auto refused = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(refused->error);
  EXPECT_EQ(refused->error->message, "服务器回复超过 256 MB");
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] 读取 /api/desktop/nodes 被拒绝：服务器回复超过 256 MB"), 1);

  // Just under a (shortened) cap passes, just over it fails with its reason.
  model->reads().limits().listingMaxBytes = 4096;
  next = std::string(4096, 'x');
  EXPECT_TRUE(runToEnd(model->reads().fetchListing("/api/desktop/nodes"))->value);
  next = std::string(4096 + 65, 'x');
  auto over = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(over->error);
  EXPECT_EQ(over->error->code, 2);
  EXPECT_EQ(over->error->message, "服务器回复超过 4 KB");
}

TEST_F(ServiceStateTest, ALongAnswerComesOverInPiecesAndAPieceThatIsGoneFailsTheRead) {
  std::vector<nlohmann::json> calls;
  std::map<long long, std::string> pieces{{0, "{\"ok\":"}, {1, "tr"}, {2, "ue}"}};
  page->answer = [&](const std::string&, const nlohmann::json& args) {
    calls.push_back(args);
    if (!args.contains("key")) return JsResult::success(std::string("__PARTS__k7:3"));
    EXPECT_EQ(args["key"], "k7");
    auto it = pieces.find(args["index"].get<long long>());
    return it == pieces.end() ? JsResult::success(nullptr) : JsResult::success(it->second);
  };
  auto whole = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(whole->value);
  EXPECT_EQ(*whole->value, R"({"ok":true})");
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0]["partChars"], 1 << 20);
  EXPECT_EQ(calls[3]["index"], 2);

  // The page reloaded meanwhile: its pieces are gone, and the read says so.
  pieces.erase(1);
  auto broken = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(broken->error);
  EXPECT_EQ(broken->error->message, "页面读取中断（页面已刷新或关闭）");
  // Pieces that add up past the cap are refused like any reply over it.
  model->reads().limits().listingMaxBytes = 4;
  pieces[1] = std::string(100, ' ') + "tr";
  auto over = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(over->error);
  EXPECT_EQ(over->error->message, "服务器回复超过 0 KB");
}

// Bytes as the page hands them over in the byte form: one character U+0000-U+00FF a
// byte, that text in UTF-8.
std::string asByteChars(const std::string& bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

TEST_F(ServiceStateTest, AnAnswerInBytePiecesIsJoinedByteForByteAndAPieceOfOtherTextFails) {
  // Escapes, a NUL, a Latin-1 letter, a surrogate pair and CJK, cut inside their UTF-8.
  const std::string body = std::string(R"({"s":"a\"b\\c\u0000 é😀张","n":null,"x":")") + '\0' + "é\"}";
  const std::string head = body.substr(0, 21), middle = body.substr(21, 3), tail = body.substr(24);
  // Both cuts fall inside a character: é, then the surrogate pair.
  ASSERT_EQ(static_cast<unsigned char>(middle[0]) & 0xC0, 0x80);
  ASSERT_EQ(static_cast<unsigned char>(tail[0]) & 0xC0, 0x80);
  std::map<long long, std::string> pieces{{0, asByteChars(head)}, {1, asByteChars(middle)}, {2, asByteChars(tail)}};
  page->answer = [&](const std::string&, const nlohmann::json& args) {
    if (!args.contains("key")) return JsResult::success(std::string("__BYTES__b3:3"));
    auto it = pieces.find(args["index"].get<long long>());
    return it == pieces.end() ? JsResult::success(nullptr) : JsResult::success(it->second);
  };
  auto whole = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(whole->value) << whole->error->message;
  EXPECT_EQ(*whole->value, body);

  // Bytes that are no UTF-8 once joined are still refused as not text.
  pieces = {{0, asByteChars("{\"s\":\"")}, {1, asByteChars("\xE5\xBC")}, {2, asByteChars("\"}")}};
  auto torn = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(torn->error);
  EXPECT_EQ(torn->error->code, 3);
  // A piece holding a character above U+00FF is not the byte form: the read fails.
  pieces = {{0, "{\"s\":"}, {1, "\"张\""}, {2, "}"}};
  auto mixed = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(mixed->error);
  EXPECT_EQ(mixed->error->message, "页面没有返回文本");
  // Pieces that add up past the cap are refused, as in the text form.
  model->reads().limits().listingMaxBytes = 4;
  pieces = {{0, asByteChars(head)}, {1, asByteChars(std::string(100, ' ') + middle)}, {2, asByteChars(tail)}};
  auto over = runToEnd(model->reads().fetchListing("/api/desktop/nodes"));
  ASSERT_TRUE(over->error);
  EXPECT_EQ(over->error->message, "服务器回复超过 0 KB");
}

TEST_F(ServiceStateTest, LogoutEmptiesEverySignedInStateAndTheNodeCache) {
  auto t0 = std::chrono::system_clock::time_point{} + std::chrono::hours(24 * 20000);
  pages.clock.set(t0);
  page->answer = [](const std::string&, const nlohmann::json& args) {
    if (args.value("target", "") == "/api/my_deadlines")
      return JsResult::success(std::string(R"({"overdue":[{}],"today":[],"soon":[],"verify":[],"hearings":[]})"));
    return JsResult::success(std::string(R"({"overdue":1,"user":"张律师"})"));
  };
  model->reads().refreshBadges();
  model->reads().fetchDeadlines();
  drainMainLoop();
  model->account().setNavItems({NavItem{"案件", "folder.fill", "/cases"}});
  model->account().markForbidden("/finance_dashboard");
  model->account().rememberProceeding(88, "（2026）京0105民初1234号");
  ASSERT_TRUE(runToEnd(model->reads().fetchNodesCached(false))->value);
  ASSERT_TRUE(model->account().badges->loaded && !model->account().deadlines->empty() && !model->account().recents->empty());

  model->logout();
  EXPECT_EQ(model->account().badges.get(), BadgeCounts{});
  EXPECT_TRUE(model->account().navItems->empty());
  EXPECT_TRUE(model->account().forbiddenPaths->empty());
  EXPECT_TRUE(model->account().deadlines->empty());
  EXPECT_TRUE(model->account().recents->empty());
  EXPECT_TRUE(RecentStore::load(home.defaults()).empty());
  EXPECT_FALSE(model->account().cachedNodes());
  EXPECT_EQ(model->account().cachedNodesAt(), t0);

  // The next node read goes to the page although the old time is fresh.
  size_t asked = page->calledBodies.size();
  auto after = runToEnd(model->reads().fetchNodesCached(false));
  ASSERT_TRUE(after->value);
  EXPECT_EQ(page->calledBodies.size(), asked + 1);
}
