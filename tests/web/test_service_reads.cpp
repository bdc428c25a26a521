// Page-script reads, badges, deadlines and signing out, in real tabs against the
// test service.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "base/AppError.h"
#include "core/BrowserModel.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "web/WebEngine.h"
#include "fakes/FakeDialogs.h"
#include "features/volume/AccountFlow.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

class ServiceReadsTest : public ServiceTabFixture {
 protected:
  ServiceReadsTest() : ServiceTabFixture(/*quietDialogs=*/true) {}

  std::shared_ptr<BrowserTab> tab;  // the tab the test opened

  // The workspace with its first tab shown, loaded on `path`.
  void open(const std::string& path) {
    ASSERT_TRUE(openWorkspace(path)) << model->activeTab()->currentPath.get();
    tab = model->activeTab();
  }

  // Waits for the next badge publication after `refresh`.
  bool badgesAfter(const std::function<void()>& refresh) {
    bool changed = false;
    auto conn = model->account().badges.changed().connect([&] { changed = true; });
    refresh();
    bool ok = runMainLoopUntil([&] { return changed; }, 10000);
    conn.disconnect();
    return ok;
  }
};
}  // namespace

TEST_F(ServiceReadsTest, BadgesArriveAndTheLoginPageMarksTheSignInRequired) {
  signIn();
  open("/dashboard");
  // The finished load refreshed the badges already.
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000));
  BadgeCounts b = model->account().badges.get();
  EXPECT_FALSE(b.loginRequired);
  EXPECT_EQ(b.overdue, 2);
  EXPECT_EQ(b.soon, 3);
  EXPECT_EQ(b.user, "张律师");
  EXPECT_EQ(b.firm, "墨衡律师事务所");
  EXPECT_EQ(b.updatedAt, "2026-03-02 09:00");
  auto req = service.requestsTo("/api/desktop/badges");
  ASSERT_FALSE(req.empty());
  EXPECT_TRUE(service.isSignedIn(req.back()));

  // The service answers with its login page: sign-in required, counts kept.
  service.setBadgeReply(TestService::BadgeMode::LoginPage);
  ASSERT_TRUE(badgesAfter([&] { model->reads().refreshBadges(); }));
  EXPECT_TRUE(model->account().badges->loginRequired);
  EXPECT_EQ(model->account().badges->overdue, 2);

  // Any HTML with a form counts as the login page.
  service.setBadgeReply(TestService::BadgeMode::Json, R"({"overdue":4})");
  ASSERT_TRUE(badgesAfter([&] { model->reads().refreshBadges(); }));
  EXPECT_FALSE(model->account().badges->loginRequired);
  service.setBadgeReply(TestService::BadgeMode::Json, "<html><form action=/search></form></html>");
  ASSERT_TRUE(badgesAfter([&] { model->reads().refreshBadges(); }));
  EXPECT_TRUE(model->account().badges->loginRequired);
  EXPECT_EQ(model->account().badges->overdue, 4);
}

// A restart restores the tabs hibernated and wakes the active one: on a proceeding
// page its first finished load reads the badges, whether the sign-in survived the
// restart or the service signs in again on the way (and brings the tab back).
TEST_F(ServiceReadsTest, ARestartOnAProceedingPageIsSignedInAfterItsFirstLoad) {
  for (bool cookieKept : {true, false}) {
    SCOPED_TRACE(cookieKept ? "sign-in kept" : "signed in again by the service");
    // A fresh web store, as after a restart: no cookie.
    services.reset();
    drainMainLoop();
    services = makeTestServices(defaults);
    service.clearRequests();
    if (cookieKept) signIn();
    service.setSignsInByItself(!cookieKept);
    const std::string proceeding = service.url("/proceeding/88");
    defaults.set("session.tabs.v1", nlohmann::json::array({
                                                         {{"url", service.url("/dashboard")}, {"title", "个人工作台"}},
                                                         {{"url", proceeding}, {"title", "案件"}},
                                                     }));
    defaults.set("session.tabs.v1.active", 1);
    std::vector<std::string> finished;
    model = services->makeBrowserModel();
    auto conn = model->pageFinished().connect([&](const std::string& path) { finished.push_back(path); });
    tab = model->activeTab();
    ASSERT_EQ(tab->currentPath.get(), "/proceeding/88");
    show(tab);
    // Long before the 60-second timer.
    ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000)) << model->activePath().get();
    conn.disconnect();
    EXPECT_FALSE(model->account().badges->loginRequired);
    EXPECT_EQ(model->account().badges->user, "张律师");
    EXPECT_EQ(model->activePath().get(), "/proceeding/88");
    // The finished page the calendar sync starts from was a signed-in one.
    ASSERT_FALSE(finished.empty());
    EXPECT_EQ(finished.back(), "/proceeding/88");
    auto pageLoads = service.requestsTo("/proceeding/88");
    ASSERT_FALSE(pageLoads.empty());
    EXPECT_TRUE(service.isSignedIn(pageLoads.back()));
    auto reads = service.requestsTo("/api/desktop/badges");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_TRUE(service.isSignedIn(reads[0]));
    EXPECT_EQ(service.requestsTo("/login").empty(), cookieKept);
    model->saveSession();
    EXPECT_EQ((*defaults.object("session.tabs.v1"))[1].value("url", ""), proceeding);
    harnesses.clear();
    model.reset();
    drainMainLoop();
  }
}

TEST_F(ServiceReadsTest, ATabWithoutAFinishedPageGetsNoBadgeRead) {
  signIn();
  model = services->makeBrowserModel();
  tab = model->activeTab();
  TabLoadWatch load(tab);
  show(tab);
  // The view already names the service's address but holds a blank document.
  model->reads().refreshBadges();
  ASSERT_TRUE(waitUntil([&] { return tab->isLoading.get(); }, 10000));
  model->reads().refreshBadges();
  ASSERT_TRUE(load.wait("/dashboard"));
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000));
  drainMainLoop();
  EXPECT_EQ(service.requestsTo("/api/desktop/badges").size(), 1u);  // the finished page's own
  EXPECT_EQ(logCount("[Quorvel][BADGE]"), 1);
  EXPECT_EQ(logCount("URL is not valid"), 0);

  // A hibernated tab woken by choosing it is not read before its page is back.
  auto second = model->newTab("/cases", "案件");
  ASSERT_TRUE(waitLoaded(second, "/cases"));
  tab->teardownWebView();
  service.clearRequests();
  logs.clear();
  TabLoadWatch wake(tab);
  model->selectTab(0);  // wakes and refreshes at once
  ASSERT_TRUE(wake.wait("/dashboard"));
  drainMainLoop();
  EXPECT_EQ(service.requestsTo("/api/desktop/badges").size(), 1u);
  EXPECT_EQ(logCount("URL is not valid"), 0);
}

TEST_F(ServiceReadsTest, SignedOutTheLoginPageAnswersWithoutARequest) {
  open("/login");
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loginRequired; }, 10000));
  EXPECT_TRUE(model->account().badges->loaded);
  EXPECT_TRUE(service.requestsTo("/api/desktop/badges").empty());
}

TEST_F(ServiceReadsTest, BadgeRepliesOfAnyShapeNeitherCrashNorCorrupt) {
  signIn();
  open("/dashboard");
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000));
  for (const std::string& body :
       {std::string("[]"), std::string("null"), std::string(""), std::string("{\"overdue\":1e400,\"user\":[1]}"),
        std::string("{\"overdue\":-9223372036854775809}"), std::string("\xff\xfe\x00garbage", 10),
        std::string(300000, '{'), std::string("{\"user\":\"\\ud800\"}")}) {
    service.setBadgeReply(TestService::BadgeMode::Json, body);
    service.clearRequests();
    model->reads().refreshBadges();
    ASSERT_TRUE(service.waitForRequest("/api/desktop/badges", 10000));
    runMainLoopUntil([] { return false; }, 150);
  }
  service.setBadgeReply(TestService::BadgeMode::ErrorPage);
  model->reads().refreshBadges();
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_FALSE(model->account().badges->loginRequired);
  service.setBadgeReply(TestService::BadgeMode::Json, R"({"overdue":6})");
  ASSERT_TRUE(badgesAfter([&] { model->reads().refreshBadges(); }));
  EXPECT_EQ(model->account().badges->overdue, 6);
}

TEST_F(ServiceReadsTest, DeadlinesAreReadThroughThePageAndBadRepliesKeepTheOldLists) {
  signIn();
  open("/dashboard");
  bool done = false;
  model->reads().fetchDeadlines([&] { done = true; });
  ASSERT_TRUE(waitUntil([&] { return done && !model->account().deadlines->empty(); }, 10000));
  const Deadlines& d = model->account().deadlines.get();
  ASSERT_EQ(d.overdue.size(), 1u);
  EXPECT_EQ(d.overdue[0].content, "提交证据");
  EXPECT_EQ(d.overdue[0].procId, 88);
  EXPECT_EQ(d.overdue[0].dayText(), "超期 3 天");
  ASSERT_EQ(d.soon.size(), 1u);
  EXPECT_FALSE(d.soon[0].client);
  EXPECT_FALSE(d.soon[0].procId);
  EXPECT_TRUE(d.verify.empty());
  EXPECT_EQ(d.hearings.size(), 1u);
  EXPECT_EQ(logCount("[Quorvel][TODO] 超期=1 今日=1 3天内=1 待核实=0 开庭=1"), 1);

  for (auto mode : {TestService::DeadlinesMode::MissingHearings, TestService::DeadlinesMode::LoginPage}) {
    service.setDeadlinesReply(mode);
    done = false;
    model->reads().fetchDeadlines([&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }, 10000));
    drainMainLoop();
    EXPECT_EQ(model->account().deadlines->overdue.size(), 1u);
  }
  EXPECT_EQ(logCount("[Quorvel][TODO] 解析失败: "), 2);
  for (const std::string& body : {std::string("[]"), std::string("{\"overdue\":[{\"days\":\"3\"}]}"), std::string("")}) {
    service.setDeadlinesReply(TestService::DeadlinesMode::Json, body);
    done = false;
    model->reads().fetchDeadlines([&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }, 10000));
  }
  drainMainLoop();
  EXPECT_EQ(model->account().deadlines->hearings.size(), 1u);
}

TEST_F(ServiceReadsTest, FetchJsonReturnsWhatThePageFetchedAndNodesAreCached) {
  signIn();
  open("/dashboard");
  auto nodes = runToEnd(model->reads().fetchNodesCached(false));
  ASSERT_TRUE(nodes->value);
  EXPECT_EQ(*nodes->value, TestService::defaultNodesJson());
  auto again = runToEnd(model->reads().fetchNodesCached(false));
  ASSERT_TRUE(again->value);
  EXPECT_EQ(service.requestsTo("/api/desktop/nodes").size(), 1u);
  EXPECT_TRUE(service.isSignedIn(service.requestsTo("/api/desktop/nodes")[0]));

  // A reply whose status is no success: code 2, the status in words; the page is logged.
  auto missing = runToEnd(model->reads().fetchJSON("/api/nope"));
  ASSERT_TRUE(missing->error);
  EXPECT_EQ(missing->error->code, 2);
  EXPECT_EQ(missing->error->message, "服务器上没有这个地址（HTTP 404）");
  EXPECT_TRUE(logged("[Quorvel][BRIDGE] 读取 /api/nope → HTTP 404 "));
  // A page that cannot be fetched: code 2, and the page's own error text in the log.
  auto bad = runToEnd(model->reads().fetchJSON("http://[::1"));
  ASSERT_TRUE(bad->error);
  EXPECT_EQ(bad->error->code, 2);
  EXPECT_EQ(bad->error->message, "无法连接到服务器");
  EXPECT_TRUE(logged("[Quorvel][BRIDGE] 读取 http://[::1 失败：__ERR__"));
}

TEST_F(ServiceReadsTest, NativeEndpointsOfTheTestServiceAnswerSignedInPostsOnly) {
  signIn();
  open("/dashboard");
  auto form = runToEnd(model->requests().postForm("/api/quick_add_todo", {{"content", "A+B"}}));
  ASSERT_TRUE(form->value);
  EXPECT_TRUE(form->value->ok) << form->value->body;
  EXPECT_EQ(service.requestsTo("/api/quick_add_todo").back().formValue("content"), "A+B");
  auto doneTodo = runToEnd(model->requests().postForm("/api/mark_todo_done/17", {}));
  ASSERT_TRUE(doneTodo->value);
  EXPECT_TRUE(doneTodo->value->ok);

  auto dir = std::filesystem::temp_directory_path() / ("quorvel-reads-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::vector<std::filesystem::path> files;
  for (int i = 0; i < 3; ++i) {
    files.push_back(dir / ("f" + std::to_string(i) + ".txt"));
    std::ofstream(files.back()) << "第" << i << "份";
  }
  auto up = runToEnd(model->requests().quickUpload(files, 91));
  ASSERT_TRUE(up->value) << (up->error ? up->error->message : "");
  EXPECT_EQ(*up->value, 3);
  auto req = service.requestsTo("/api/proc_quick_upload/91");
  ASSERT_EQ(req.size(), 1u);
  EXPECT_EQ(TestService::multipartFileCount(req[0]), 3);
  EXPECT_NE(req[0].body.find("第2份"), std::string::npos);
  std::filesystem::remove_all(dir);

  // Signed out, the same endpoints send the caller to the login page.
  service.invalidateSessions();
  auto refused = runToEnd(model->requests().postForm("/api/quick_add_todo", {{"content", "x"}}));
  ASSERT_TRUE(refused->value);
  EXPECT_FALSE(refused->value->ok);
}

TEST_F(ServiceReadsTest, LogoutClearsTheCookieBeforeShowingTheLoginPage) {
  signIn();
  open("/dashboard");
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000));
  service.clearRequests();
  model->logout();
  EXPECT_EQ(model->account().badges.get(), BadgeCounts{});
  EXPECT_FALSE(model->account().cachedNodes());
  EXPECT_EQ(logCount("[Quorvel][ACCOUNT]"), 0);  // only once the web data are gone
  auto login = service.waitForRequest("/login", 15000);
  ASSERT_TRUE(login);
  EXPECT_FALSE(login->cookie(TestService::kSessionCookie));
  EXPECT_EQ(logCount("[Quorvel][ACCOUNT] 已清除登录态，回到登录页"), 1);
  EXPECT_TRUE(service.requestsTo("/dashboard").empty());

  auto cookies = runToEnd(services->webEngine().cookies(), 5000);
  ASSERT_TRUE(cookies->value);
  for (auto& c : *cookies->value) EXPECT_NE(c.name, TestService::kSessionCookie) << c.domain;
  // The login page then marks the sign-in as required.
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loginRequired; }, 10000));
}

namespace quorvel::test {
namespace {
TEST_F(ServiceReadsTest, SwitchingAccountAsksFirstAndSignsOutOnlyOnASwitchChoice) {
  signIn();
  open("/dashboard");
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000));
  FakeDialogs dialogs;
  dialogs.answer = 2;  // 取消
  AccountFlow::switchAccount(*model, dialogs, services->volume());
  drainMainLoop();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "切换账号？");
  EXPECT_EQ(dialogs.shown[0].buttons,
            (std::vector<std::string>{"切换并断开卷宗盘（推荐）", "只切换，保留卷宗盘连接", "取消"}));
  EXPECT_TRUE(model->account().badges->loaded);

  dialogs.answer = 0;
  service.clearRequests();
  AccountFlow::switchAccount(*model, dialogs, services->volume());
  ASSERT_TRUE(waitUntil([&] { return logged("[Quorvel][ACCOUNT] 已清除登录态，回到登录页"); }, 10000));
  EXPECT_TRUE(logged("[Quorvel][ACCOUNT] 断开卷宗盘：成功 本来就没挂载"));
  EXPECT_TRUE(model->account().badges->user.empty());  // signed out
}
}  // namespace
}  // namespace quorvel::test

TEST_F(ServiceReadsTest, ALongAnswerComesOverInPiecesByteForByteWhicheverFormThePageChooses) {
  signIn();
  open("/dashboard");
  // Pieces of a few characters, so every cut falls somewhere awkward.
  model->reads().limits().partChars = 7;
  // Mostly ASCII (the byte form) with escapes, NULs, Latin-1, a surrogate pair and CJK;
  // then mostly CJK and surrogate pairs (the text form).
  const std::string ascii = std::string(R"({"s":"a\"b\\c\u0000 é😀张","n":null,"x":")") + '\0' + "é ÿ\"}";
  std::string cjk = "{\"s\":\"";
  for (int i = 0; i < 40; ++i) cjk += "张三😀李四";
  cjk += "\"}";
  for (const std::string& body : {ascii, cjk}) {
    service.setRoute("/api/pieces", [body](const RecordedRequest&) { return Reply::json(body); });
    auto read = runToEnd(model->reads().fetchJSON("/api/pieces"), 20000);
    ASSERT_TRUE(read->value) << read->error->message;
    EXPECT_EQ(*read->value, body);
  }
}
