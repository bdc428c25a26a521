#pragma once
// The live check's decisions, free of windows and web views: which credentials may be
// typed where, the sign-in's retries (over the steps the caller performs), and how each
// test's answers become its result.
#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Task.h"
#include "base/Url.h"
#include "diagnostics/rules/DiagnosticReport.h"
#include "features/calendar/ICSEvent.h"

namespace quorvel {
struct Deadlines;
struct LegalOCRSignals;
struct MirrorNodes;
class ServiceReads;
class HotFolderWatcher;
}  // namespace quorvel

namespace quorvel::LiveCheck {

inline constexpr const char* kReportFile = "livetest.json";

// The report keys of the ten tests, in the order they run.
inline constexpr const char* kT1 = "T1_login_badges";
inline constexpr const char* kT2 = "T2_apple_calendar_ics";
inline constexpr const char* kT3 = "T3_nodes_spotlight";
inline constexpr const char* kT4 = "T4_deadlines";
inline constexpr const char* kT5 = "T5_quick_add_and_writeback";
inline constexpr const char* kT6 = "T6_quick_archive_upload";
inline constexpr const char* kT7 = "T7_hotfolder_watch";
inline constexpr const char* kT8 = "T8_vision_screen_ocr";
inline constexpr const char* kT9 = "T9_deeplink_hotkey_lock";
inline constexpr const char* kT10 = "T10_bridge_and_prompt";
inline constexpr std::array<const char*, 10> kTestKeys{kT1, kT2, kT3, kT4, kT5, kT6, kT7, kT8, kT9, kT10};

// ---- Credentials ----------------------------------------------------------------------

// A placeholder account name, nobody's own.
inline constexpr const char* kDefaultUser = "livetest";
inline constexpr const char* kDefaultPassword = "571046";

struct Credentials {
  std::string user;
  std::string password;  // never logged
  // Set when the password may not be typed on this server: why, for the report.
  std::optional<std::string> refusal;
};

// TEST_USER and TEST_PASS as `env` answers them (present but empty is used as it is).
// The built-in password goes only to an https server or one on this machine; on any
// other server the credentials carry a refusal.
Credentials chooseCredentials(const std::function<std::optional<std::string>(const char*)>& env,
                              const std::string& serverURL);
// "localhost", 127.0.0.0/8 and ::1.
bool isLoopbackHost(const std::string& host);

// ---- Report ---------------------------------------------------------------------------

// "version", "server", "testUser" and "timestamp" (the run's start).
nlohmann::json reportHeader(const std::string& server, const std::string& user,
                            std::chrono::system_clock::time_point start);

// The report built up test by test.
class LiveReport {
 public:
  LiveReport(const std::string& server, const std::string& user, std::chrono::system_clock::time_point start)
      : report_(reportHeader(server, user, start)) {}
  // Stores the result under its key; a result that did not pass is listed as failed.
  // Answers whether it passed.
  bool record(const char* key, nlohmann::json result);
  // Adds "failures" and "result" and answers the whole report.
  nlohmann::json finished();
  const DiagnosticReport::Failures& failures() const { return failures_; }

 private:
  nlohmann::json report_;
  DiagnosticReport::Failures failures_;
};

// "结束 result=ok failures= → /path/livetest.json" (after the tag).
std::string endLine(const nlohmann::json& finishedReport, const std::string& path);

// ---- T1: sign-in and badges -----------------------------------------------------------

inline constexpr const char* kBadgesPath = "/api/desktop/badges";
inline constexpr int kBadgeReads = 8;
inline constexpr int kScriptRuns = 16;
inline constexpr unsigned kRetryMs = 500;
inline constexpr unsigned kAfterSubmitMs = 3500;

// Fills and submits the sign-in form; an async page function with the arguments usr
// and pwd.
inline constexpr const char* kSignInScript =
    "var u = document.querySelector('input[name=username],input[type=text]');\n"
    "var p = document.querySelector('input[name=password],input[type=password]');\n"
    "var b = document.querySelector('button[type=submit]');\n"
    "var f = document.querySelector('form');\n"
    "if (!u || !p || !f) { return 'wait:' + location.pathname; }\n"
    "u.value = usr;\n"
    "p.value = pwd;\n"
    "if (b) { b.click(); return 'clicked'; }\n"
    "f.submit();\n"
    "return 'submitted';\n";
inline constexpr const char* kErrorBannerScript = "return document.querySelector('.error-banner')?.innerText || '';";

// The badge reply of a signed-in session: a JSON object whose "user" is non-empty text.
std::optional<nlohmann::json> signedInBadges(const std::string& text);
// The passed result of T1 from such a reply.
nlohmann::json signedInResult(const nlohmann::json& badges, bool alreadyLoggedIn);

// What T1 does in the world; the live check performs it in the workspace's page,
// tests with fakes.
class SignInSteps {
 public:
  virtual ~SignInSteps() = default;
  // The body of the badge path read in the page; nothing when the read failed.
  virtual Task<std::optional<std::string>> readBadges() = 0;
  // Loads the sign-in page in the active tab; false when there is no page to run in.
  virtual bool openSignInPage() = 0;
  // The sign-in script's answer; "eval-err" when it failed or answered no text.
  virtual Task<std::string> runSignInScript(const std::string& user, const std::string& password) = 0;
  virtual Task<std::string> readErrorBanner() = 0;
  virtual std::string currentURL() const = 0;
  virtual Task<void> wait(unsigned ms) = 0;
  virtual void log(const std::string& line) = 0;
};

// The whole of T1: up to 8 badge reads 0.5 s apart; else the sign-in page, the script
// up to 16 times 0.5 s apart until it clicked or submitted, 3.5 s, one more read. A
// refusal in the credentials ends it before anything is typed.
Task<nlohmann::json> signInAndReadBadges(SignInSteps& steps, Credentials credentials);

// ---- T2: calendar feed ----------------------------------------------------------------

inline constexpr const char* kNoFeedLink = "未在 /calendar/subscribe 找到 all.ics 链接";

// The feed address on the subscribe page (absolute, else a path on `home`).
std::optional<std::string> feedAddress(const std::string& pageText, const Url& home);

// What the store's answer means as the authorisation number the report carries:
// 3 full access (the store answers), 2 denied (it does not), 0 not determined (the
// store was never opened in this run, so nothing was asked).
int calendarAuthStatus(std::optional<bool> access);

struct FeedAnswers {
  int firstStatus = -1;
  int secondStatus = -1;
  std::string entityTag;
  std::string firstBody;
  int eventAuth = 0;
  int reminderAuth = 0;
};
// The statuses, the feed's marker and the counts of the parsed events.
nlohmann::json feedResult(const FeedAnswers& answers, const std::vector<ICSEvent>& events);

// The event blocks ("BEGIN:VEVENT" lines, folded lines joined) of a feed text, counted
// apart from the parser.
int feedEventBlocks(std::string_view feed);

// What the parser made of the first body: its events and the blocks it left out by
// one of its rules.
struct ParsedFeed {
  std::vector<ICSEvent> events;
  int skipped = 0;
};
ParsedFeed parseFeed(const std::string& body);

// The whole of T2: `feedResult`, and the parsed events must account for the feed:
// every event block of the first body is parsed or left out by a rule the parser
// counted ("feedEvents", "skippedEvents").
nlohmann::json feedCheck(const FeedAnswers& answers, const ParsedFeed& parsed);

// ---- T3: case nodes -------------------------------------------------------------------

// Passes when the cache answered in under 20 ms and the list says ok.
nlohmann::json nodesResult(long long fetchMs, long long cacheHitMs, const MirrorNodes& nodes);
// The same, and the cached read must have asked the service nothing
// ("cacheReadRequests" 0).
nlohmann::json nodesResult(long long fetchMs, long long cacheHitMs, long long cacheReadRequests,
                           const MirrorNodes& nodes);
inline constexpr const char* kNodesUnreadable = "节点列表格式不符（/api/desktop/nodes）";
// The whole of T3 over `reads` (it outlives the check): a read past the cache that
// fills it, then a read the cache must answer, timed, with the reads of the node path
// sent to the service counted around it.
Task<nlohmann::json> nodesCheck(ServiceReads& reads);

// ---- T4: deadlines --------------------------------------------------------------------

inline constexpr const char* kDeadlinesUnreadable = "期限列表格式不符（/api/my_deadlines）";
// The first proceeding id in the order overdue, today, soon, verify, hearings.
std::optional<long long> firstProceedingID(const Deadlines& lists);
nlohmann::json deadlinesResult(const Deadlines& lists);

// ---- T5: quick to-do and write-back ---------------------------------------------------

inline constexpr const char* kQuickAddPath = "/api/quick_add_todo?ajax=1";
// "[v2.1实测-<seconds since 1970>]"
std::string quickTodoContent(std::chrono::system_clock::time_point now);
// Tomorrow's local date as yyyy-MM-dd.
std::string tomorrowDate(std::chrono::system_clock::time_point now);
std::map<std::string, std::string> quickTodoFields(const std::string& content, const std::string& date,
                                                   std::optional<long long> procID);
// The created to-do's id: the reply's integer "log_id", else the integer "id" of the
// first listed to-do whose "todo_content" is `content` (in a "/api/proc_todos/" reply).
std::optional<long long> logIDOf(const std::string& addBody);
std::optional<long long> todoIDInList(const std::string& listBody, const std::string& content);
// Whether the server reports the to-do done: a list that cannot be read or no longer
// holds it counts as `markedDone`; a listed one needs a Boolean "is_done" true.
bool verifiedDone(const std::optional<std::string>& listBody, long long id, bool markedDone);
nlohmann::json quickAddFailure(std::optional<long long> procID, int status, const std::string& body);
nlohmann::json findFailure(std::optional<long long> procID, const std::string& addBody);
nlohmann::json quickAddResult(std::optional<long long> procID, long long id, bool markedDone, bool verified);

// ---- T6 and T7: quick upload and the inbox folder -------------------------------------

inline constexpr const char* kNoProceeding = "测试账号下未找到可用程序 ID";
inline constexpr const char* kUploadText = "QuorvelMac v2.1.0 live quick-upload verification\n";
std::string uploadFileName(std::chrono::system_clock::time_point now);
nlohmann::json uploadResult(long long procID, long long count, const std::string& fileName);
inline constexpr const char* kHotFolderPrefix = "quorvel-hotfolder-";
inline constexpr const char* kHotFolderFile = "扫描证据_01.pdf";
inline constexpr const char* kHotFolderBytes = "PDF-TEST";
// How long the inbox watcher may take to offer the file: its settle delay, once more
// for a size that moved meanwhile, and a margin.
inline constexpr unsigned kHotFolderBoundMs = 4000;
// The whole of T7 through the client's own inbox watcher (`watcher`, made for the check
// alone and not watching yet): it watches a scratch folder, the sample file is
// written, and the file counts as detected only once the watcher itself offers it,
// within `boundMs` ("detectedMs" tells when).
Task<nlohmann::json> inboxCheck(HotFolderWatcher& watcher, unsigned boundMs = kHotFolderBoundMs);

// ---- T8, T9, T10 ----------------------------------------------------------------------

// The sample of T8, top to bottom.
inline constexpr std::array<const char*, 4> kOcrSampleLines{
    "开庭传票通知", "案号：（2026）京01民初1234号", "开庭时间：2026年12月5日 09:30", "顺丰快递单号：SF1234567890123"};
inline constexpr const char* kImageFailed = "cgImage create failed";
// Passes when case numbers, waybill numbers and dates were all found.
nlohmann::json ocrResult(const LegalOCRSignals& signals);

inline constexpr const char* kCalendarLink = "quorvel://calendar";
nlohmann::json deepLinkResult(bool handled, const std::string& activePath, bool lockToggled);

inline constexpr unsigned kBridgeWaitMs = 1500;
inline constexpr const char* kBridgeScript =
    "const res = await window.ZivEzozor.call('testKey');\n"
    "const pval = window.prompt('请输入新文件名', '起诉状_重命名验证.docx');\n"
    "return JSON.stringify({ bridgeReply: res, promptValue: pval });\n";
inline constexpr const char* kPromptDefault = "起诉状_重命名验证.docx";
// The page's answer ("{}" when the script failed) judged.
nlohmann::json bridgeResult(const std::string& answer);

inline constexpr const char* kNoWebView = "no active webView";

}  // namespace quorvel::LiveCheck
