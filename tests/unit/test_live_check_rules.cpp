// The live check's decisions: credentials, the report, the sign-in's retries over fake
// steps, and how the answers of the feed, nodes, deadlines, to-do, recognition, link and
// bridge tests become results.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "TestHelpers.h"
#include "core/Todo.h"
#include "diagnostics/rules/LiveCheckRules.h"
#include "features/calendar/ICSEvent.h"
#include "features/mirror/MirrorNodes.h"
#include "features/recognition/LegalOCRSignals.h"

using namespace quorvel;
using nlohmann::json;

namespace {

auto envOf(std::map<std::string, std::string> vars) {
  return [vars](const char* name) -> std::optional<std::string> {
    auto it = vars.find(name);
    return it == vars.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
}

// The sign-in's world: badge replies in order (nothing: the read failed, and the last
// one repeats), script answers in order (the last one repeats), and what happened.
class FakeSignIn : public LiveCheck::SignInSteps {
 public:
  std::deque<std::optional<std::string>> badgeReplies{std::nullopt};
  std::deque<std::string> scriptAnswers{"wait:/login"};
  bool hasPage = true;
  std::string banner = "账号或密码错误";

  int badgeReads = 0, pageLoads = 0, scriptRuns = 0;
  std::vector<unsigned> waits;
  std::vector<std::string> logs, typed;

  Task<std::optional<std::string>> readBadges() override {
    ++badgeReads;
    co_return next(badgeReplies);
  }
  bool openSignInPage() override {
    ++pageLoads;
    return hasPage;
  }
  Task<std::string> runSignInScript(const std::string& user, const std::string& password) override {
    ++scriptRuns;
    typed = {user, password};
    co_return next(scriptAnswers);
  }
  Task<std::string> readErrorBanner() override { co_return banner; }
  std::string currentURL() const override { return "http://127.0.0.1:9/login"; }
  Task<void> wait(unsigned ms) override {
    waits.push_back(ms);
    co_return;
  }
  void log(const std::string& line) override { logs.push_back(line); }

 private:
  template <class T>
  static T next(std::deque<T>& q) {
    T v = q.front();
    if (q.size() > 1) q.pop_front();
    return v;
  }
};

const std::string kBadges = R"({"user":"张律师","role":"lawyer","firm":"墨衡律师事务所","overdue":2,"today":1,"hearings":3})";

json signIn(FakeSignIn& fake, LiveCheck::Credentials c = {"livetest", "571046", std::nullopt}) {
  auto out = test::runToEnd(LiveCheck::signInAndReadBadges(fake, c));
  return out->value ? *out->value : json();
}

}  // namespace

TEST(LiveCheckCredentials, EnvironmentWinsAsGivenAndTheBuiltInPasswordStaysOffPlainRemoteServers) {
  auto c = LiveCheck::chooseCredentials(envOf({}), "https://app.quorvel.cn");
  EXPECT_EQ(c.user, "livetest");
  EXPECT_EQ(c.password, "571046");
  EXPECT_FALSE(c.refusal);
  // Present but empty is used as it is.
  c = LiveCheck::chooseCredentials(envOf({{"TEST_USER", ""}, {"TEST_PASS", ""}}), "http://10.0.0.5");
  EXPECT_EQ(c.user, "");
  EXPECT_EQ(c.password, "");
  EXPECT_FALSE(c.refusal) << "a password of one's own may go anywhere";

  for (const char* local : {"http://127.0.0.1:8080", "http://localhost", "http://[::1]:9000", "http://127.1.2.3"}) {
    SCOPED_TRACE(local);
    EXPECT_FALSE(LiveCheck::chooseCredentials(envOf({}), local).refusal);
  }
  for (const char* remote : {"http://10.0.0.5", "http://law.example.cn", "http://127.0.0.1.evil.cn", "garbage"}) {
    SCOPED_TRACE(remote);
    auto refused = LiveCheck::chooseCredentials(envOf({{"TEST_USER", "zhang"}}), remote);
    ASSERT_TRUE(refused.refusal);
    EXPECT_NE(refused.refusal->find("TEST_PASS"), std::string::npos);
    EXPECT_EQ(refused.refusal->find("571046"), std::string::npos) << "the password is never shown";
    EXPECT_EQ(refused.user, "zhang");
  }
}

TEST(LiveCheckReport, HeaderTestsFailuresAndTheEndLine) {
  auto start = std::chrono::system_clock::time_point(std::chrono::seconds(1796625401));  // 2026-12-07T06:36:41Z
  LiveCheck::LiveReport live("https://app.quorvel.cn", "livetest", start);
  EXPECT_FALSE(live.record(LiveCheck::kT1, json{{"ok", false}, {"error", "登录后仍未取到 badges"}}));
  json report = live.finished();
  EXPECT_EQ(report, (json{{"version", "2.2.0"},
                          {"server", "https://app.quorvel.cn"},
                          {"testUser", "livetest"},
                          {"timestamp", "2026-12-07T06:36:41Z"},
                          {"T1_login_badges", {{"ok", false}, {"error", "登录后仍未取到 badges"}}},
                          {"failures", {"T1_login_badges"}},
                          {"result", "fail"}}));
  EXPECT_EQ(LiveCheck::endLine(report, "/d/livetest.json"), "结束 result=fail failures=T1_login_badges → /d/livetest.json");

  LiveCheck::LiveReport all("s", "u", start);
  EXPECT_TRUE(all.record(LiveCheck::kT1, json{{"ok", true}}));
  // Only a Boolean true passes; the failures keep the tests' order.
  EXPECT_FALSE(all.record(LiveCheck::kT3, json{{"ok", 1}}));
  EXPECT_FALSE(all.record(LiveCheck::kT2, json{{"ok", "true"}}));
  report = all.finished();
  EXPECT_EQ(report["failures"], (json{"T3_nodes_spotlight", "T2_apple_calendar_ics"}));
  EXPECT_EQ(LiveCheck::endLine(report, "p"), "结束 result=fail failures=T3_nodes_spotlight,T2_apple_calendar_ics → p");
  LiveCheck::LiveReport none("s", "u", start);
  none.record(LiveCheck::kT1, json{{"ok", true}});
  EXPECT_EQ(LiveCheck::endLine(none.finished(), "p"), "结束 result=ok failures= → p");
}

TEST(LiveCheckSignIn, ASessionFoundByTheBadgeReadsNeverLoadsTheSignInPage) {
  FakeSignIn fake;
  fake.badgeReplies = {std::nullopt, std::string("<html>登录</html>"), std::string(R"({"user":""})"), kBadges};
  json result = signIn(fake);
  EXPECT_EQ(result, (json{{"ok", true}, {"alreadyLoggedIn", true}, {"user", "张律师"}, {"role", "lawyer"},
                          {"firm", "墨衡律师事务所"}, {"overdue", 2}, {"today", 1}, {"hearings", 3}}));
  EXPECT_EQ(fake.badgeReads, 4);
  EXPECT_EQ(fake.waits, (std::vector<unsigned>{500, 500, 500}));
  EXPECT_EQ(fake.pageLoads, 0);
  EXPECT_EQ(fake.scriptRuns, 0);
  EXPECT_EQ(fake.logs, (std::vector<std::string>{"当前会话已登录：张律师 (墨衡律师事务所)"}));

  // Missing counts come back as their defaults; a firm of another type logs empty.
  FakeSignIn bare;
  bare.badgeReplies = {std::string(R"({"user":"李四","firm":7})")};
  result = signIn(bare);
  EXPECT_EQ(result["role"], "");
  EXPECT_EQ(result["firm"], 7);
  EXPECT_EQ(result["overdue"], 0);
  EXPECT_EQ(bare.logs, (std::vector<std::string>{"当前会话已登录：李四 ()"}));
}

TEST(LiveCheckSignIn, TheFormIsFilledUntilItIsSubmittedThenOneMoreReadAfterThreeAndAHalfSeconds) {
  FakeSignIn fake;
  fake.badgeReplies = {std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                       std::nullopt, std::nullopt, std::nullopt, std::nullopt, kBadges};
  fake.scriptAnswers = {"wait:/login", "eval-err", "clicked"};
  json result = signIn(fake, {"zhang", "s3cret", std::nullopt});
  EXPECT_EQ(result["ok"], true);
  EXPECT_EQ(result["alreadyLoggedIn"], false);
  EXPECT_EQ(fake.badgeReads, 9);
  EXPECT_EQ(fake.pageLoads, 1);
  EXPECT_EQ(fake.scriptRuns, 3);
  EXPECT_EQ(fake.typed, (std::vector<std::string>{"zhang", "s3cret"}));
  std::vector<unsigned> expected(8, 500);  // after each of the eight reads
  expected.insert(expected.end(), {500, 500, 500, 3500});  // settle, two retries, after submitting
  EXPECT_EQ(fake.waits, expected);
  EXPECT_EQ(fake.logs, (std::vector<std::string>{"登录提交：clicked"}));

  FakeSignIn submitted;
  submitted.scriptAnswers = {"submitted"};
  submitted.badgeReplies = {std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                            std::nullopt, std::nullopt, std::nullopt, std::nullopt, kBadges};
  EXPECT_EQ(signIn(submitted)["ok"], true);
  EXPECT_EQ(submitted.scriptRuns, 1);
}

TEST(LiveCheckSignIn, AFormNeverFoundIsTriedSixteenTimesAndFailsWithTheBannerAndPage) {
  FakeSignIn fake;
  json result = signIn(fake);
  EXPECT_EQ(fake.badgeReads, 9);
  EXPECT_EQ(fake.scriptRuns, 16);
  EXPECT_EQ(fake.logs, (std::vector<std::string>{"登录提交：wait:/login"}));
  EXPECT_EQ(result, (json{{"ok", false},
                          {"error", "登录后仍未取到 badges"},
                          {"loginBanner", "账号或密码错误"},
                          {"submit", "wait:/login"},
                          {"url", "http://127.0.0.1:9/login"}}));
  // 8 after the reads, 1 to settle, 15 between the runs, 1 after submitting.
  EXPECT_EQ(fake.waits.size(), 25u);
  EXPECT_EQ(fake.waits.back(), 3500u);
}

TEST(LiveCheckSignIn, RefusedCredentialsOrNoPageEndItWithoutTypingAnything) {
  FakeSignIn refused;
  json result = signIn(refused, {"livetest", "571046", std::string("未设置 TEST_PASS：…")});
  EXPECT_EQ(result, (json{{"ok", false}, {"error", "未设置 TEST_PASS：…"}}));
  EXPECT_EQ(refused.badgeReads, 8) << "a session already there needs no password";
  EXPECT_EQ(refused.pageLoads, 0);
  EXPECT_EQ(refused.scriptRuns, 0);
  EXPECT_TRUE(refused.typed.empty());

  FakeSignIn noPage;
  noPage.hasPage = false;
  EXPECT_EQ(signIn(noPage), (json{{"ok", false}, {"error", "no active webView"}}));
  EXPECT_EQ(noPage.scriptRuns, 0);
}

TEST(LiveCheckFeed, TheFeedAddressIsTheAbsoluteLinkElseThePathOnTheHomeAddress) {
  auto home = *Url::parse("https://app.quorvel.cn");
  EXPECT_EQ(LiveCheck::feedAddress(R"(<a href="/cal/x/all.ics">x</a> <code>https://feeds.quorvel.cn/cal/t9/all.ics</code>)",
                                   home),
            "https://feeds.quorvel.cn/cal/t9/all.ics");
  EXPECT_EQ(LiveCheck::feedAddress(R"(<a href='/cal/qv-7f3a/all.ics'>订阅</a>)", home),
            "https://app.quorvel.cn/cal/qv-7f3a/all.ics");
  EXPECT_EQ(LiveCheck::feedAddress("<p>请先登录</p> /cal/all.ics /cal/x/other.ics", home), std::nullopt);
}

TEST(LiveCheckFeed, EventsAreCountedByKindLogIdAndAppLinkAndRevalidationMayAnswer200Or304) {
  auto event = [](std::string uid, std::string url) {
    ICSEvent e;
    e.uid = std::move(uid);
    e.urlString = std::move(url);
    return e;
  };
  std::vector<ICSEvent> events{event("hearing-882@x", "https://a/proceeding/101"), event("deadline-991@x", ""),
                               event("routine-5@x", "https://a/calendar"), event("overdue-x@x", "https://a/other"),
                               event("meeting-1@x", "")};
  LiveCheck::FeedAnswers a{200, 304, "\"abc\"", "BEGIN:VCALENDAR\n…", 3, 0};
  json r = LiveCheck::feedResult(a, events);
  EXPECT_EQ(r, (json{{"ok", true}, {"httpFirst", 200}, {"httpETagSecond", 304}, {"hasETag", true},
                     {"totalEvents", 5}, {"hearings", 1}, {"deadlines", 1}, {"routines", 1}, {"overdues", 1},
                     {"withLogID", 3}, {"withDeepLink", 2}, {"ekEventAuthStatus", 3}, {"ekReminderAuthStatus", 0}}));
  a.secondStatus = 200;
  EXPECT_EQ(LiveCheck::feedResult(a, {})["ok"], true);
  a.secondStatus = 500;
  EXPECT_EQ(LiveCheck::feedResult(a, {})["ok"], false);
  a = {200, 200, "", "<html>登录</html>", 0, 0};
  r = LiveCheck::feedResult(a, {});
  EXPECT_EQ(r["ok"], false);
  EXPECT_EQ(r["hasETag"], false);

  EXPECT_EQ(LiveCheck::calendarAuthStatus(std::nullopt), 0);
  EXPECT_EQ(LiveCheck::calendarAuthStatus(true), 3);
  EXPECT_EQ(LiveCheck::calendarAuthStatus(false), 2);
}

TEST(LiveCheckReads, NodeCacheBoundAndTheFirstProceedingOfTheDeadlines) {
  MirrorNodes nodes{true, {MirrorNode{1, "2026-018", 1, 2}}, {}};
  EXPECT_EQ(LiveCheck::nodesResult(40, 19, nodes),
            (json{{"ok", true}, {"contracts", 1}, {"clients", 0}, {"fetchMs", 40}, {"cacheHitMs", 19}}));
  EXPECT_EQ(LiveCheck::nodesResult(40, 20, nodes)["ok"], false);
  nodes.ok = false;
  EXPECT_EQ(LiveCheck::nodesResult(40, 0, nodes)["ok"], false);

  Deadlines empty;
  EXPECT_EQ(LiveCheck::deadlinesResult(empty), (json{{"ok", true}, {"overdue", 0}, {"today", 0}, {"soon", 0},
                                                      {"verify", 0}, {"hearings", 0}, {"sampleProcID", -1}}));
  Deadlines lists;
  TodoItem without, with91, with88;
  with91.procId = 91;
  with88.procId = 88;
  lists.overdue = {without};
  lists.today = {without, with91};
  lists.hearings = {with88};
  EXPECT_EQ(LiveCheck::firstProceedingID(lists), 91);
  EXPECT_EQ(LiveCheck::deadlinesResult(lists)["sampleProcID"], 91);
}

TEST(LiveCheckQuickTodo, TheCreatedIdComesFromLogIdElseTheProceedingsList) {
  auto now = std::chrono::system_clock::time_point(std::chrono::seconds(1796625401));
  EXPECT_EQ(LiveCheck::quickTodoContent(now), "[v2.1实测-1796625401]");
  EXPECT_EQ(LiveCheck::quickTodoFields("c", "2026-12-08", 88),
            (std::map<std::string, std::string>{
                {"date", "2026-12-08"}, {"content", "c"}, {"todo_type", "routine_deadline"}, {"proc_id", "88"}}));
  EXPECT_EQ(LiveCheck::quickTodoFields("c", "d", std::nullopt).count("proc_id"), 0u);
  {
    test::ScopedTimeZone zone("Asia/Shanghai");
    // 23:30 in Shanghai on 7 December: tomorrow is the 8th there.
    EXPECT_EQ(LiveCheck::tomorrowDate(std::chrono::system_clock::time_point(std::chrono::seconds(1796657400))),
              "2026-12-08");
  }

  EXPECT_EQ(LiveCheck::logIDOf(R"({"success":true,"log_id":5001})"), 5001);
  for (const char* body : {R"({"log_id":"5001"})", R"({"log_id":5001.5})", R"({"success":true})", "[1]", "oops"})
    EXPECT_EQ(LiveCheck::logIDOf(body), std::nullopt) << body;

  const std::string list = R"({"todos":[{"id":1,"todo_content":"别的"},"x",{"id":"7","todo_content":"[v2.1实测-9]"},)"
                           R"({"id":8,"todo_content":"[v2.1实测-9]"}]})";
  // The first entry of that content decides, and its id must be an integer.
  EXPECT_EQ(LiveCheck::todoIDInList(list, "[v2.1实测-9]"), std::nullopt);
  EXPECT_EQ(LiveCheck::todoIDInList(R"({"todos":[{"id":1,"todo_content":"a"},{"id":8,"todo_content":"b"}]})", "b"), 8);
  EXPECT_EQ(LiveCheck::todoIDInList(R"({"todos":{}})", "b"), std::nullopt);

  EXPECT_EQ(LiveCheck::findFailure(std::nullopt, R"({"success":true})"),
            (json{{"ok", false}, {"step", "find_created_todo"}, {"procID", -1}, {"addBody", R"({"success":true})"}}));
  json failed = LiveCheck::quickAddFailure(88, 500, std::string(300, 'x'));
  EXPECT_EQ(failed["step"], "quick_add_todo");
  EXPECT_EQ(failed["status"], 500);
  EXPECT_EQ(failed["body"].get<std::string>().size(), 120u);
}

TEST(LiveCheckQuickTodo, DoneOnTheServerNeedsABooleanTrueOrTheToDoGoneFromTheList) {
  auto listed = [](const std::string& entry) { return std::optional<std::string>(R"({"todos":[)" + entry + "]}"); };
  EXPECT_TRUE(LiveCheck::verifiedDone(listed(R"({"id":5,"is_done":true})"), 5, true));
  EXPECT_FALSE(LiveCheck::verifiedDone(listed(R"({"id":5,"is_done":false})"), 5, true));
  EXPECT_FALSE(LiveCheck::verifiedDone(listed(R"({"id":5,"is_done":1})"), 5, true));
  EXPECT_FALSE(LiveCheck::verifiedDone(listed(R"({"id":5})"), 5, true));
  // Gone from the list, or no list to read: as the mark-done request said.
  EXPECT_TRUE(LiveCheck::verifiedDone(listed(R"({"id":6,"is_done":false})"), 5, true));
  EXPECT_FALSE(LiveCheck::verifiedDone(listed(""), 5, false));
  EXPECT_TRUE(LiveCheck::verifiedDone(std::nullopt, 5, true));
  EXPECT_TRUE(LiveCheck::verifiedDone(std::string("<html>"), 5, true));

  EXPECT_EQ(LiveCheck::quickAddResult(88, 5, true, false),
            (json{{"ok", false}, {"procID", 88}, {"createdLogID", 5}, {"markedDone", true},
                  {"verifiedDoneOnServer", false}}));
  EXPECT_EQ(LiveCheck::quickAddResult(std::nullopt, 5, true, true)["ok"], true);
  EXPECT_EQ(LiveCheck::uploadResult(88, 2, "f.txt")["ok"], false);
  EXPECT_EQ(LiveCheck::uploadResult(88, 1, "f.txt")["ok"], true);
}

TEST(LiveCheckDevice, RecognitionNeedsAllThreeSignalsAndTheLinkThePathAndTheLock) {
  LegalOCRSignals found;
  found.rawText = "案号：（2026）京01民初1234号";
  found.caseNumbers = {"（2026）京01民初1234号"};
  found.dates = {"2026年12月5日"};
  json r = LiveCheck::ocrResult(found);
  EXPECT_EQ(r["ok"], false);
  EXPECT_EQ(r["cases"], json{"（2026）京01民初1234号"});
  EXPECT_EQ(r["tracks"], json::array());
  found.trackingNumbers = {"SF1234567890123"};
  EXPECT_EQ(LiveCheck::ocrResult(found)["ok"], true);
  found.rawText = std::string(200, 'a');
  EXPECT_EQ(LiveCheck::ocrResult(found)["rawPreview"].get<std::string>().size(), 160u);

  EXPECT_EQ(LiveCheck::deepLinkResult(true, "/calendar", true)["ok"], true);
  EXPECT_EQ(LiveCheck::deepLinkResult(true, "/calendar?x=1", true),
            (json{{"ok", false}, {"deepLinkHandled", true}, {"activePath", "/calendar?x=1"}, {"privacyLockToggled", true}}));
  EXPECT_EQ(LiveCheck::deepLinkResult(true, "/calendar", false)["ok"], false);
}

TEST(LiveCheckBridge, TheReplyMustSayOkTrueCompactlyAndThePromptKeepItsDefault) {
  const std::string reply = R"({\"msg\":\"本地识别已就绪\",\"ok\":true})";
  json r = LiveCheck::bridgeResult(R"({"bridgeReply":")" + reply + R"(","promptValue":"起诉状_重命名验证.docx"})");
  EXPECT_EQ(r, (json{{"ok", true}, {"bridgeReply", R"({"msg":"本地识别已就绪","ok":true})"},
                     {"promptValue", "起诉状_重命名验证.docx"}}));
  EXPECT_EQ(LiveCheck::bridgeResult(R"({"bridgeReply":"{\"ok\": true}","promptValue":"起诉状_重命名验证.docx"})")["ok"],
            false);
  EXPECT_EQ(LiveCheck::bridgeResult(R"({"bridgeReply":")" + reply + R"(","promptValue":"别的.docx"})")["ok"], false);
  // A bridge that was not ready: the script failed and "{}" stands for its answer.
  EXPECT_EQ(LiveCheck::bridgeResult("{}"), (json{{"ok", false}, {"bridgeReply", ""}, {"promptValue", ""}}));
  EXPECT_EQ(LiveCheck::bridgeResult(R"({"bridgeReply":{"ok":true},"promptValue":null})")["bridgeReply"], "");
  EXPECT_EQ(LiveCheck::bridgeResult("[1]"), (json{{"ok", false}, {"raw", "[1]"}}));
  EXPECT_EQ(LiveCheck::bridgeResult("nope"), (json{{"ok", false}, {"raw", "nope"}}));
}
