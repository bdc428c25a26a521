#include "diagnostics/rules/LiveCheckRules.h"

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "core/Recents.h"
#include "core/ServiceReads.h"
#include "core/Todo.h"
#include "features/calendar/FeedLinks.h"
#include "features/calendar/ICSEvent.h"
#include "features/calendar/ICSParser.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/mirror/MirrorNodes.h"
#include "features/recognition/LegalOCRSignals.h"

namespace quorvel::LiveCheck {

using nlohmann::json;

namespace {
long long epochSeconds(std::chrono::system_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

json parsedObject(const std::string& text) {
  json value = json::parse(text, nullptr, false);
  return value.is_object() ? value : json();
}

// An integer JSON value (not a float, not a flag).
std::optional<long long> integerOf(const json& value) {
  if (value.is_number_integer()) return value.get<long long>();
  return std::nullopt;
}

// The listed to-do entries of a "/api/proc_todos/" reply; null when there is no list.
const json* todoList(const json& reply) {
  if (!reply.is_object()) return nullptr;
  auto it = reply.find("todos");
  return it != reply.end() && it->is_array() ? &*it : nullptr;
}

json procValue(std::optional<long long> procID) { return procID ? *procID : -1; }
}  // namespace

// ---- Credentials ----------------------------------------------------------------------

bool isLoopbackHost(const std::string& rawHost) {
  std::string host = toLowerAscii(rawHost);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host == "localhost" || host == "::1") return true;
  unsigned a, b, c, d;
  char tail;
  return std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a == 127 && b < 256 && c < 256 &&
         d < 256;
}

Credentials chooseCredentials(const std::function<std::optional<std::string>(const char*)>& env,
                              const std::string& serverURL) {
  Credentials c;
  auto user = env("TEST_USER");
  auto pass = env("TEST_PASS");
  c.user = user ? *user : kDefaultUser;
  c.password = pass ? *pass : kDefaultPassword;
  if (!pass) {
    auto url = Url::parse(serverURL);
    bool safe = url && (url->scheme == "https" || isLoopbackHost(url->host));
    if (!safe)
      c.refusal = "未设置 TEST_PASS：内置测试密码只用于 https 或本机的服务器，未在 " + serverURL +
                  " 上登录（请设置 TEST_USER 与 TEST_PASS）";
  }
  return c;
}

// ---- Report ---------------------------------------------------------------------------

json reportHeader(const std::string& server, const std::string& user, std::chrono::system_clock::time_point start) {
  return json{{"version", "2.2.0"},
              {"server", server},
              {"testUser", user},
              {"timestamp", DiagnosticReport::isoTimestamp(start)}};
}

bool LiveReport::record(const char* key, json result) {
  bool ok = failures_.record(key, result);
  report_[key] = std::move(result);
  return ok;
}

json LiveReport::finished() {
  json out = report_;
  DiagnosticReport::finish(out, failures_);
  return out;
}

std::string endLine(const json& report, const std::string& path) {
  return "结束 " + DiagnosticReport::outcomeText(report) + " → " + path;
}

// ---- T1 -------------------------------------------------------------------------------

std::optional<json> signedInBadges(const std::string& text) {
  json reply = parsedObject(text);
  auto user = reply.is_object() ? reply.find("user") : reply.end();
  if (!reply.is_object() || user == reply.end() || !user->is_string() || user->get<std::string>().empty())
    return std::nullopt;
  return reply;
}

json signedInResult(const json& badges, bool alreadyLoggedIn) {
  auto as = [&](const char* key, json fallback) { return badges.contains(key) ? badges[key] : fallback; };
  return json{{"ok", true},
              {"alreadyLoggedIn", alreadyLoggedIn},
              {"user", badges.value("user", std::string())},
              {"role", as("role", "")},
              {"firm", as("firm", "")},
              {"overdue", as("overdue", 0)},
              {"today", as("today", 0)},
              {"hearings", as("hearings", 0)}};
}

Task<json> signInAndReadBadges(SignInSteps& steps, Credentials credentials) {
  for (int read = 1; read <= kBadgeReads; ++read) {
    auto reading = steps.readBadges();
    std::optional<std::string> text = co_await reading;
    if (auto badges = text ? signedInBadges(*text) : std::nullopt) {
      const auto& firm = (*badges)["firm"];
      steps.log("当前会话已登录：" + (*badges)["user"].get<std::string>() + " (" +
                (firm.is_string() ? firm.get<std::string>() : "") + ")");
      co_return signedInResult(*badges, true);
    }
    auto pause = steps.wait(kRetryMs);
    co_await pause;
  }
  // Nothing is typed where the built-in password may not go.
  if (credentials.refusal) {
    steps.log(*credentials.refusal);
    co_return json{{"ok", false}, {"error", *credentials.refusal}};
  }
  if (!steps.openSignInPage()) co_return json{{"ok", false}, {"error", kNoWebView}};
  auto settle = steps.wait(kRetryMs);
  co_await settle;
  std::string answer;
  for (int run = 1;; ++run) {
    auto running = steps.runSignInScript(credentials.user, credentials.password);
    answer = co_await running;
    if (answer == "clicked" || answer == "submitted" || run == kScriptRuns) break;
    auto pause = steps.wait(kRetryMs);
    co_await pause;
  }
  steps.log("登录提交：" + answer);
  auto afterSubmit = steps.wait(kAfterSubmitMs);
  co_await afterSubmit;
  auto reading = steps.readBadges();
  std::optional<std::string> text = co_await reading;
  if (auto badges = text ? signedInBadges(*text) : std::nullopt) co_return signedInResult(*badges, false);
  auto bannerRead = steps.readErrorBanner();
  std::string banner = co_await bannerRead;
  co_return json{{"ok", false},
                 {"error", "登录后仍未取到 badges"},
                 {"loginBanner", banner},
                 {"submit", answer},
                 {"url", steps.currentURL()}};
}

// ---- T2 -------------------------------------------------------------------------------

std::optional<std::string> feedAddress(const std::string& pageText, const Url& home) {
  return FeedLinks::extractFeedURL(pageText, home);
}

int calendarAuthStatus(std::optional<bool> access) {
  if (!access) return 0;
  return *access ? 3 : 2;
}

json feedResult(const FeedAnswers& a, const std::vector<ICSEvent>& events) {
  int hearings = 0, deadlines = 0, routines = 0, overdues = 0, withLogID = 0, withDeepLink = 0;
  for (const auto& e : events) {
    switch (e.kind()) {
      case ICSEvent::Kind::hearing: ++hearings; break;
      case ICSEvent::Kind::deadline: ++deadlines; break;
      case ICSEvent::Kind::routine: ++routines; break;
      case ICSEvent::Kind::overdue: ++overdues; break;
      case ICSEvent::Kind::other: break;
    }
    if (e.logID()) ++withLogID;
    if (auto link = e.deepLinkURL(); link) {
      auto url = Url::parse(*link);
      if (url && url->scheme == "quorvel") ++withDeepLink;
    }
  }
  bool ok = a.firstStatus == 200 && a.firstBody.find("BEGIN:VCALENDAR") != std::string::npos &&
            (a.secondStatus == 304 || a.secondStatus == 200);
  return json{{"ok", ok},
              {"httpFirst", a.firstStatus},
              {"httpETagSecond", a.secondStatus},
              {"hasETag", !a.entityTag.empty()},
              {"totalEvents", events.size()},
              {"hearings", hearings},
              {"deadlines", deadlines},
              {"routines", routines},
              {"overdues", overdues},
              {"withLogID", withLogID},
              {"withDeepLink", withDeepLink},
              {"ekEventAuthStatus", a.eventAuth},
              {"ekReminderAuthStatus", a.reminderAuth}};
}

int feedEventBlocks(std::string_view feed) {
  int blocks = 0;
  std::string logical;
  bool pending = false;
  auto close = [&] {
    if (pending && logical == "BEGIN:VEVENT") ++blocks;
  };
  for (size_t at = 0;;) {
    size_t end = feed.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = feed.size();
    std::string_view line = feed.substr(at, end - at);
    if (pending && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      logical.append(line.substr(1));
    } else {
      close();
      logical.assign(line);
      pending = true;
    }
    if (end >= feed.size()) break;
    at = end + (feed[end] == '\r' && end + 1 < feed.size() && feed[end + 1] == '\n' ? 2 : 1);
  }
  close();
  return blocks;
}

ParsedFeed parseFeed(const std::string& body) {
  ICSParser::Skipped skipped;
  ParsedFeed parsed;
  parsed.events = ICSParser::parse(body, skipped);
  parsed.skipped = skipped.total();
  return parsed;
}

json feedCheck(const FeedAnswers& answers, const ParsedFeed& parsed) {
  json result = feedResult(answers, parsed.events);
  const int blocks = feedEventBlocks(answers.firstBody);
  const bool accounted = static_cast<long long>(parsed.events.size()) + parsed.skipped == blocks;
  result["ok"] = result["ok"].get<bool>() && accounted;
  result["feedEvents"] = blocks;
  result["skippedEvents"] = parsed.skipped;
  return result;
}

// ---- T3, T4 ---------------------------------------------------------------------------

json nodesResult(long long fetchMs, long long cacheHitMs, const MirrorNodes& nodes) {
  return json{{"ok", cacheHitMs < 20 && nodes.ok},
              {"contracts", nodes.contracts.size()},
              {"clients", nodes.clients.size()},
              {"fetchMs", fetchMs},
              {"cacheHitMs", cacheHitMs}};
}

json nodesResult(long long fetchMs, long long cacheHitMs, long long cacheReadRequests, const MirrorNodes& nodes) {
  json result = nodesResult(fetchMs, cacheHitMs, nodes);
  result["ok"] = result["ok"].get<bool>() && cacheReadRequests == 0;
  result["cacheReadRequests"] = cacheReadRequests;
  return result;
}

Task<json> nodesCheck(ServiceReads& reads) {
  using Steady = std::chrono::steady_clock;
  auto msSince = [](Steady::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - t).count();
  };
  std::string bytes;
  long long fetchMs = 0, cacheHitMs = 0, cacheReadRequests = 0;
  try {
    auto started = Steady::now();
    auto fetching = reads.fetchNodesCached(true);
    bytes = co_await fetching;
    fetchMs = msSince(started);
    const long long before = reads.readsMade(ServiceReads::kNodesPath);
    started = Steady::now();
    auto cached = reads.fetchNodesCached(false);
    co_await cached;
    cacheHitMs = msSince(started);
    cacheReadRequests = reads.readsMade(ServiceReads::kNodesPath) - before;
  } catch (const std::exception&) {
    co_return json{{"ok", false}, {"error", describe(std::current_exception())}};
  }
  auto nodes = decodeMirrorNodes(bytes);
  if (!nodes) co_return json{{"ok", false}, {"error", kNodesUnreadable}};
  co_return nodesResult(fetchMs, cacheHitMs, cacheReadRequests, *nodes);
}

std::optional<long long> firstProceedingID(const Deadlines& lists) {
  for (auto kind : TodoKinds::allCases)
    for (const auto& item : lists.list(kind))
      if (item.procId) return item.procId;
  return std::nullopt;
}

json deadlinesResult(const Deadlines& lists) {
  return json{{"ok", true},
              {"overdue", lists.overdue.size()},
              {"today", lists.today.size()},
              {"soon", lists.soon.size()},
              {"verify", lists.verify.size()},
              {"hearings", lists.hearings.size()},
              {"sampleProcID", procValue(firstProceedingID(lists))}};
}

// ---- T5 -------------------------------------------------------------------------------

std::string quickTodoContent(std::chrono::system_clock::time_point now) {
  return "[v2.1实测-" + std::to_string(epochSeconds(now)) + "]";
}

std::string tomorrowDate(std::chrono::system_clock::time_point now) {
  GDateTime* today = g_date_time_new_from_unix_local(epochSeconds(now));
  if (!today) return {};
  GDateTime* tomorrow = g_date_time_add_days(today, 1);
  // Now when tomorrow cannot be formed.
  gchar* text = g_date_time_format(tomorrow ? tomorrow : today, "%Y-%m-%d");
  std::string out = text ? text : "";
  g_free(text);
  if (tomorrow) g_date_time_unref(tomorrow);
  g_date_time_unref(today);
  return out;
}

std::map<std::string, std::string> quickTodoFields(const std::string& content, const std::string& date,
                                                   std::optional<long long> procID) {
  std::map<std::string, std::string> fields{{"date", date}, {"content", content}, {"todo_type", "routine_deadline"}};
  if (procID) fields["proc_id"] = std::to_string(*procID);
  return fields;
}

std::optional<long long> logIDOf(const std::string& addBody) {
  json reply = parsedObject(addBody);
  if (!reply.is_object() || !reply.contains("log_id")) return std::nullopt;
  return integerOf(reply["log_id"]);
}

std::optional<long long> todoIDInList(const std::string& listBody, const std::string& content) {
  json reply = parsedObject(listBody);
  const json* list = todoList(reply);
  if (!list) return std::nullopt;
  for (const auto& entry : *list) {
    if (!entry.is_object()) continue;
    auto text = entry.find("todo_content");
    if (text == entry.end() || !text->is_string() || text->get<std::string>() != content) continue;
    // The first entry of that content decides.
    return entry.contains("id") ? integerOf(entry["id"]) : std::nullopt;
  }
  return std::nullopt;
}

bool verifiedDone(const std::optional<std::string>& listBody, long long id, bool markedDone) {
  if (!listBody) return markedDone;
  json reply = parsedObject(*listBody);
  const json* list = todoList(reply);
  if (!list) return markedDone;
  for (const auto& entry : *list) {
    if (!entry.is_object() || !entry.contains("id") || integerOf(entry["id"]) != id) continue;
    auto done = entry.find("is_done");
    return done != entry.end() && done->is_boolean() && done->get<bool>();
  }
  // Gone from the list: done.
  return markedDone;
}

json quickAddFailure(std::optional<long long> procID, int status, const std::string& body) {
  return json{{"ok", false},
              {"step", "quick_add_todo"},
              {"procID", procValue(procID)},
              {"status", status},
              {"body", textHead(body, 120)}};
}

json findFailure(std::optional<long long> procID, const std::string& addBody) {
  return json{
      {"ok", false}, {"step", "find_created_todo"}, {"procID", procValue(procID)}, {"addBody", textHead(addBody, 120)}};
}

json quickAddResult(std::optional<long long> procID, long long id, bool markedDone, bool verified) {
  return json{{"ok", markedDone && verified},
              {"procID", procValue(procID)},
              {"createdLogID", id},
              {"markedDone", markedDone},
              {"verifiedDoneOnServer", verified}};
}

// ---- T6 -------------------------------------------------------------------------------

std::string uploadFileName(std::chrono::system_clock::time_point now) {
  return "quorvel-v21-livetest-" + std::to_string(epochSeconds(now)) + ".txt";
}

json uploadResult(long long procID, long long count, const std::string& fileName) {
  return json{{"ok", count == 1}, {"procID", procID}, {"uploadedCount", count}, {"fileName", fileName}};
}

// ---- T7 -------------------------------------------------------------------------------

namespace {
// What the watcher offers, as the quick-archive window would receive it.
struct InboxOffers : QuickArchiveOpener {
  std::vector<std::filesystem::path> files;
  void openQuickArchive(const std::vector<std::filesystem::path>& offered, const std::string&,
                        bool fromHotFolder) override {
    if (fromHotFolder) files.insert(files.end(), offered.begin(), offered.end());
  }
};
}  // namespace

Task<json> inboxCheck(HotFolderWatcher& watcher, unsigned boundMs) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(g_get_tmp_dir()) / (kHotFolderPrefix + randomUUID());
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) co_return json{{"ok", false}, {"error", ec.message()}};

  InboxOffers offers;
  HotFolderWatcher::Config config = watcher.config.get();
  config.enabled = true;
  config.folderPath = folder.string();
  // Only in memory: the stored inbox configuration stays the user's.
  watcher.useForThisRun(config);
  watcher.setOpener(&offers);
  watcher.startWatching();
  json result;
  if (!watcher.isWatching.get()) {
    result = json{{"ok", false}, {"error", "open failed"}};
  } else {
    const fs::path file = folder / kHotFolderFile;
    std::ofstream out(file, std::ios::binary);
    out << kHotFolderBytes;
    out.close();
    if (!out) {
      result = json{{"ok", false}, {"error", "无法写入 " + file.string()}};
    } else {
      const auto written = std::chrono::steady_clock::now();
      auto offered = [&] { return std::find(offers.files.begin(), offers.files.end(), file) != offers.files.end(); };
      long long waited = 0;
      while (!offered() && waited < boundMs) {
        co_await sleepFor(50);
        waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - written)
                     .count();
      }
      const bool detected = offered();
      result = json{{"ok", detected}, {"detectedFile", kHotFolderFile}};
      if (detected) result["detectedMs"] = waited;
    }
  }
  watcher.stopWatching();
  watcher.setOpener(nullptr);
  fs::remove_all(folder, ec);
  co_return result;
}

// ---- T8, T9, T10 ----------------------------------------------------------------------

json ocrResult(const LegalOCRSignals& s) {
  bool ok = !s.caseNumbers.empty() && !s.trackingNumbers.empty() && !s.dates.empty();
  return json{{"ok", ok},
              {"cases", s.caseNumbers},
              {"tracks", s.trackingNumbers},
              {"dates", s.dates},
              {"rawPreview", textHead(s.rawText, 160)}};
}

json deepLinkResult(bool handled, const std::string& activePath, bool lockToggled) {
  return json{{"ok", handled && activePath == "/calendar" && lockToggled},
              {"deepLinkHandled", handled},
              {"activePath", activePath},
              {"privacyLockToggled", lockToggled}};
}

json bridgeResult(const std::string& answer) {
  json reply = json::parse(answer, nullptr, false);
  if (!reply.is_object()) return json{{"ok", false}, {"raw", answer}};
  auto text = [&](const char* key) {
    auto it = reply.find(key);
    return it != reply.end() && it->is_string() ? it->get<std::string>() : std::string();
  };
  std::string bridge = text("bridgeReply"), prompt = text("promptValue");
  bool ok = bridge.find("\"ok\":true") != std::string::npos && prompt == kPromptDefault;
  return json{{"ok", ok}, {"bridgeReply", bridge}, {"promptValue", prompt}};
}

}  // namespace quorvel::LiveCheck
