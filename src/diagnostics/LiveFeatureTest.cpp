#include "diagnostics/LiveFeatureTest.h"

#include <cairo.h>
#include <glib.h>
#include <pango/pangocairo.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/Task.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/NativeRequests.h"
#include "core/PageReads.h"
#include "core/PrivacyLock.h"
#include "core/Todo.h"
#include "diagnostics/PageCall.h"
#include "diagnostics/Reports.h"
#include "diagnostics/rules/LiveCheckRules.h"
#include "features/calendar/CalendarStoreSlot.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/recognition/ScreenCaptureOCR.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"

namespace quorvel::LiveFeatureTest {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr const char* kTag = "LIVETEST";
// The longest a page function of the check may take.
constexpr unsigned kPageGuardMs = 30000;

json failure(const std::string& error) { return json{{"ok", false}, {"error", error}}; }

std::optional<std::string> envValue(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::optional<std::string>(v) : std::nullopt;
}

// An async page function's answer as text; `fallback` when it failed, gave no text or
// did not answer within the bound.
Task<std::string> pageText(std::shared_ptr<WebPage> page, std::string body, json args, std::string fallback) {
  auto calling = callPageWithin(std::move(page), std::move(body), std::move(args), kPageGuardMs);
  JsResult result = co_await calling;
  co_return result.isText() ? result.text() : fallback;
}

// T1's steps in the workspace's page.
class PageSignIn : public LiveCheck::SignInSteps {
 public:
  explicit PageSignIn(const LiveCheckServices& s) : s_(s) {}

  Task<std::optional<std::string>> readBadges() override {
    auto browser = s_.browser;
    try {
      auto reading = browser->reads().fetchJSON(LiveCheck::kBadgesPath);
      co_return co_await reading;
    } catch (const std::exception&) {
      co_return std::nullopt;
    }
  }

  bool openSignInPage() override {
    s_.browser->loadInActive("/login");
    auto tab = s_.browser->activeTab();
    page_ = tab ? tab->webViewPtr() : nullptr;
    return page_ != nullptr;
  }

  Task<std::string> runSignInScript(const std::string& user, const std::string& password) override {
    auto page = page_;
    // The password goes only into a page of the service (a sign-in that sent the tab
    // elsewhere gets nothing typed).
    if (!PageReads::isOnService(*page, AppConfig::homeURL(s_.defaults)))
      co_return "offsite:" + page->currentURL().value_or("");
    auto running = pageText(page, LiveCheck::kSignInScript, json{{"usr", user}, {"pwd", password}}, "eval-err");
    co_return co_await running;
  }

  Task<std::string> readErrorBanner() override {
    auto reading = pageText(page_, LiveCheck::kErrorBannerScript, json::object(), "");
    co_return co_await reading;
  }

  std::string currentURL() const override { return page_ ? page_->currentURL().value_or("") : ""; }

  Task<void> wait(unsigned ms) override { co_await sleepFor(ms); }

  void log(const std::string& line) override { logLine(std::string(kTag) + "][T1", line); }

 private:
  const LiveCheckServices& s_;
  std::shared_ptr<WebPage> page_;
};

// ---- T2 to T4 -------------------------------------------------------------------------

Task<int> calendarAccess(CalendarStoreSlot& slot, CalendarEntityType type) {
  // Nothing is asked of a store this run has not opened.
  SystemCalendarStore* store = slot.store();
  if (!store) co_return LiveCheck::calendarAuthStatus(std::nullopt);
  bool access = false;
  try {
    auto asking = store->requestAccess(type);
    access = co_await asking;
  } catch (const std::exception&) {
    // A store that fails to answer grants nothing.
  }
  co_return LiveCheck::calendarAuthStatus(access);
}

Task<json> testCalendarAndICS(LiveCheckServices s) {
  std::string page;
  try {
    auto reading = s.browser->reads().fetchJSON("/calendar/subscribe");
    page = co_await reading;
  } catch (const std::exception&) {
    co_return failure(describe(std::current_exception()));
  }
  auto address = LiveCheck::feedAddress(page, AppConfig::homeURL(s.defaults));
  if (!address) co_return failure(LiveCheck::kNoFeedLink);

  LiveCheck::FeedAnswers answers;
  LiveCheck::ParsedFeed parsed;
  try {
    http::HttpRequest first;
    first.url = *address;
    first.timeoutSeconds = 25;
    auto sending = http::send(first);
    http::HttpResponse reply = co_await sending;
    answers.firstStatus = reply.status;
    answers.entityTag = reply.header("ETag");
    answers.firstBody = utf8OrEmpty(reply.body);
    parsed = LiveCheck::parseFeed(answers.firstBody);

    http::HttpRequest second;
    second.url = *address;
    second.timeoutSeconds = 20;
    if (!answers.entityTag.empty()) second.headers.emplace_back("If-None-Match", answers.entityTag);
    auto revalidating = http::send(second);
    http::HttpResponse again = co_await revalidating;
    answers.secondStatus = again.status;
  } catch (const std::exception&) {
    co_return failure(describe(std::current_exception()));
  }
  auto eventAccess = calendarAccess(s.calendarStore, CalendarEntityType::event);
  answers.eventAuth = co_await eventAccess;
  auto reminderAccess = calendarAccess(s.calendarStore, CalendarEntityType::reminder);
  answers.reminderAuth = co_await reminderAccess;
  co_return LiveCheck::feedCheck(answers, parsed);
}

Task<json> testNodesAndSpotlight(LiveCheckServices s) {
  auto checking = LiveCheck::nodesCheck(s.browser->reads());
  co_return co_await checking;
}

struct DeadlinesOutcome {
  json result;
  std::optional<long long> procID;
};

Task<DeadlinesOutcome> testDeadlines(LiveCheckServices s) {
  std::string bytes;
  try {
    auto reading = s.browser->reads().fetchJSON("/api/my_deadlines");
    bytes = co_await reading;
  } catch (const std::exception&) {
    co_return DeadlinesOutcome{failure(describe(std::current_exception())), std::nullopt};
  }
  auto lists = decodeDeadlines(bytes);
  if (!lists) co_return DeadlinesOutcome{failure(LiveCheck::kDeadlinesUnreadable), std::nullopt};
  // The to-do views show what was read.
  s.browser->account().publishDeadlinesLater(*lists);
  co_return DeadlinesOutcome{LiveCheck::deadlinesResult(*lists), LiveCheck::firstProceedingID(*lists)};
}

// ---- T5 to T7 -------------------------------------------------------------------------

Task<std::optional<std::string>> readOrNothing(std::shared_ptr<BrowserModel> browser, std::string path) {
  try {
    auto reading = browser->reads().fetchJSON(path);
    co_return co_await reading;
  } catch (const std::exception&) {
    co_return std::nullopt;
  }
}

Task<json> testQuickAddAndWriteBack(LiveCheckServices s, std::optional<long long> procID) {
  const auto now = std::chrono::system_clock::now();
  const std::string content = LiveCheck::quickTodoContent(now);
  auto posting = s.browser->requests().postForm(
      LiveCheck::kQuickAddPath, LiveCheck::quickTodoFields(content, LiveCheck::tomorrowDate(now), procID));
  FormResult added = co_await posting;
  if (!added.ok) co_return LiveCheck::quickAddFailure(procID, added.statusCode, added.body);

  std::optional<long long> id = LiveCheck::logIDOf(added.body);
  const std::string listPath = procID ? "/api/proc_todos/" + std::to_string(*procID) : "";
  if (!id && procID) {
    auto reading = readOrNothing(s.browser, listPath);
    auto list = co_await reading;
    if (list) id = LiveCheck::todoIDInList(*list, content);
  }
  if (!id) co_return LiveCheck::findFailure(procID, added.body);

  auto marking = s.browser->requests().postForm("/api/mark_todo_done/" + std::to_string(*id), {});
  FormResult marked = co_await marking;
  if (!procID) co_return LiveCheck::quickAddResult(procID, *id, marked.ok, marked.ok);
  auto reading = readOrNothing(s.browser, listPath);
  auto list = co_await reading;
  co_return LiveCheck::quickAddResult(procID, *id, marked.ok, LiveCheck::verifiedDone(list, *id, marked.ok));
}

Task<json> testQuickUpload(LiveCheckServices s, std::optional<long long> procID) {
  if (!procID) co_return failure(LiveCheck::kNoProceeding);
  const std::string name = LiveCheck::uploadFileName(std::chrono::system_clock::now());
  const fs::path file = fs::path(g_get_tmp_dir()) / name;
  json result;
  if (!writeFileAtomically(file, LiveCheck::kUploadText)) {
    result = json{{"ok", false}, {"procID", *procID}, {"error", "无法写入临时文件 " + file.string()}};
  } else {
    try {
      auto uploading = s.browser->requests().quickUpload({file}, *procID);
      long long count = co_await uploading;
      result = LiveCheck::uploadResult(*procID, count, name);
    } catch (const std::exception&) {
      result = json{{"ok", false}, {"procID", *procID}, {"error", describe(std::current_exception())}};
    }
  }
  std::error_code ignored;
  fs::remove(file, ignored);
  co_return result;
}

Task<json> testHotFolderDetection(LiveCheckServices s) {
  if (!s.makeInboxWatcher) co_return failure("open failed");
  std::unique_ptr<HotFolderWatcher> watcher = s.makeInboxWatcher();
  watcher->setLogTag(std::string(kTag) + "][T7");
  auto checking = LiveCheck::inboxCheck(*watcher);
  co_return co_await checking;
}

// ---- T8 to T10 ------------------------------------------------------------------------

// The sample lines drawn black on white, as a PNG file; false when it cannot be made.
bool drawOcrSample(const fs::path& png) {
  constexpr int kWidth = 920, kHeight = 340;
  // Baselines counted from the bottom, the first line at the top.
  constexpr int kBaselinesFromBottom[] = {270, 202, 134, 66};
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Sans");
    pango_font_description_set_weight(font, PANGO_WEIGHT_SEMIBOLD);
    pango_font_description_set_absolute_size(font, 30 * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    for (size_t i = 0; i < LiveCheck::kOcrSampleLines.size(); ++i) {
      pango_layout_set_text(layout, LiveCheck::kOcrSampleLines[i], -1);
      double baseline = pango_layout_get_baseline(layout) / double(PANGO_SCALE);
      cairo_move_to(cr, 40, kHeight - kBaselinesFromBottom[i] - baseline);
      pango_cairo_show_layout(cr, layout);
    }
    pango_font_description_free(font);
    g_object_unref(layout);
    ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    ok = ok && cairo_surface_write_to_png(surface, png.c_str()) == CAIRO_STATUS_SUCCESS;
  }
  cairo_surface_destroy(surface);
  return ok;
}

Task<json> testVisionOCREndToEnd(LiveCheckServices s) {
  const fs::path png = fs::path(g_get_tmp_dir()) / ("quorvel-livetest-ocr-" + randomUUID() + ".png");
  json result;
  if (!drawOcrSample(png)) {
    result = failure(LiveCheck::kImageFailed);
  } else {
    // Off the main thread: the pages and timers keep running meanwhile. The worker
    // gets its own copy of the recogniser, whatever the capture is configured with later.
    auto recognizing = onWorker(s.workers, [recognize = s.screenCapture.config().recognize, path = png.string()] {
      return ScreenCaptureOCR::extractSignals(ScreenCaptureOCR::recognizeTextWith(recognize, path));
    });
    LegalOCRSignals signals = co_await recognizing;
    result = LiveCheck::ocrResult(signals);
  }
  std::error_code ignored;
  fs::remove(png, ignored);
  co_return result;
}

json testDeepLinkHotKeyAndLock(const LiveCheckServices& s) {
  bool handled = s.routeLink && s.routeLink(LiveCheck::kCalendarLink);
  if (s.hotKeys) {
    s.hotKeys->registerAll();
    s.hotKeys->unregisterAll();
  }
  s.lock.lock();
  bool locked = s.lock.isLocked.get();
  // Left open whatever happened: a lock that would not open is a failure of the test.
  bool reopened = s.lock.openAfterDiagnosticLock();
  return LiveCheck::deepLinkResult(handled, s.browser->activePath().get(), locked && reopened);
}

Task<json> testWebBridgeAndPrompt(LiveCheckServices s) {
  co_await sleepFor(LiveCheck::kBridgeWaitMs);
  auto tab = s.browser->activeTab();
  auto page = tab ? tab->webViewPtr() : nullptr;
  if (!page) co_return failure(LiveCheck::kNoWebView);
  auto running = pageText(page, LiveCheck::kBridgeScript, json::object(), "{}");
  std::string answer = co_await running;
  co_return LiveCheck::bridgeResult(answer);
}

// ---- The run --------------------------------------------------------------------------

void finish(const LiveCheckServices& s, LiveCheck::LiveReport& live) {
  json report = live.finished();
  auto written = writeReportFile(report, LiveCheck::kReportFile);
  const fs::path path = written ? *written : AppConfig::dataDir() / LiveCheck::kReportFile;
  logLine(kTag, LiveCheck::endLine(report, path.string()));
  postToMainAfter(300, s.scope.guard([quit = s.quit] {
    if (quit) quit();
  }));
}

Task<void> runAll(LiveCheckServices s) {
  const auto credentials = LiveCheck::chooseCredentials(envValue, AppConfig::serverURL(s.defaults));
  LiveCheck::LiveReport live(AppConfig::serverURL(s.defaults), credentials.user, std::chrono::system_clock::now());

  PageSignIn signIn(s);
  auto t1 = LiveCheck::signInAndReadBadges(signIn, credentials);
  if (!live.record(LiveCheck::kT1, co_await t1)) {
    finish(s, live);
    co_return;
  }
  auto t2 = testCalendarAndICS(s);
  live.record(LiveCheck::kT2, co_await t2);
  auto t3 = testNodesAndSpotlight(s);
  live.record(LiveCheck::kT3, co_await t3);
  auto t4 = testDeadlines(s);
  DeadlinesOutcome deadlines = co_await t4;
  live.record(LiveCheck::kT4, deadlines.result);
  auto t5 = testQuickAddAndWriteBack(s, deadlines.procID);
  live.record(LiveCheck::kT5, co_await t5);
  auto t6 = testQuickUpload(s, deadlines.procID);
  live.record(LiveCheck::kT6, co_await t6);
  auto t7 = testHotFolderDetection(s);
  live.record(LiveCheck::kT7, co_await t7);
  auto t8 = testVisionOCREndToEnd(s);
  live.record(LiveCheck::kT8, co_await t8);
  live.record(LiveCheck::kT9, testDeepLinkHotKeyAndLock(s));
  auto t10 = testWebBridgeAndPrompt(s);
  live.record(LiveCheck::kT10, co_await t10);
  finish(s, live);
}

}  // namespace

void start(bool liveTestSwitch, const LiveCheckServices& services) {
  if (!liveTestSwitch) return;
  logLine(kTag, std::string("启动 v") + AppConfig::kVersion + " 真机全链路实测");
  // The run goes on only while its owner (the application's delegate) exists.
  postToMainAfter(2500, services.scope.guard([services] { services.scope.spawn(runAll(services)); }));
}

}  // namespace quorvel::LiveFeatureTest
