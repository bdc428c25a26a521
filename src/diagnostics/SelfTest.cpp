#include "diagnostics/SelfTest.h"
#include "base/FailureText.h"

#include <webkit/webkit.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "diagnostics/PageCall.h"
#include "diagnostics/Reports.h"
#include "diagnostics/rules/DiagnosticReport.h"
#include "diagnostics/rules/SelfTestChecks.h"
#include "features/volume/LocalVolume.h"
#include "platform/UserDefaults.h"
#include "web/TabController.h"
#include "web/WebEngine.h"

namespace quorvel::resources {
const std::string& desktopEntry();
}

namespace quorvel {

namespace {
namespace fs = std::filesystem;
using nlohmann::json;

constexpr unsigned kStartDelayMs = 3000;
constexpr unsigned kQuitDelayMs = 300;
// How long a page may take to load or answer before its check counts as failed.
constexpr unsigned kPageGuardMs = 10000;
constexpr const char* kDesktopEntryID = "cn.quorvel.client.desktop";

// The handlers and hooks, and one harmless question through the bridge whose answer
// must come back from the native side within `replyMs`.
constexpr const char* kProbeScript = R"JS(
const z = window.ZivEzozor;
const handlers = (window.webkit && window.webkit.messageHandlers) || {};
let ready = false;
try { ready = !!z && typeof z.call === 'function' && z.status() === 'ok'; } catch (e) {}
let roundTrip = false;
let bridgeReply = '';
if (ready) {
  try {
    const reply = await Promise.race([
      z.call('testKey'),
      new Promise(resolve => setTimeout(() => resolve(null), replyMs))
    ]);
    if (reply === null) {
      bridgeReply = 'timeout';
    } else {
      bridgeReply = String(reply);
      try { const r = JSON.parse(bridgeReply); roundTrip = !!r && r.ok === true; } catch (e) {}
    }
  } catch (e) {
    bridgeReply = 'error:' + (e && e.message);
  }
}
return JSON.stringify({
  hasBridge: ready,
  hasBridgeHandler: !!handlers.bridge,
  hasActionHandler: !!handlers.action,
  hasNavHandler: !!handlers.nav,
  hasDragDropHook: !!window.__quorVelDragDropV2,
  roundTrip: roundTrip,
  bridgeReply: bridgeReply
});
)JS";

// The text of the drag-and-drop hook the page holds; empty when it holds none.
constexpr const char* kDragDropHookScript = R"JS(
const hook = window.__quorVelDragDropHook;
return typeof hook === 'function' ? Function.prototype.toString.call(hook) : '';
)JS";

// An alert, a confirm and a prompt: each must be answered without a window.
constexpr const char* kPanelsScript = R"JS(
alert('墨衡台自检');
const confirmed = confirm('墨衡台自检');
const typed = prompt('墨衡台自检', defaultText);
return JSON.stringify({confirmed: confirmed, typed: typed});
)JS";
constexpr const char* kPromptDefault = "自检默认文本";

bool hasHandler(WebKitWebView* view, const char* signal) {
  guint id = g_signal_lookup(signal, WEBKIT_TYPE_WEB_VIEW);
  return view && id && g_signal_has_handler_pending(view, id, 0, FALSE);
}

std::string readWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return in ? s.str() : std::string();
}

bool writeText(const fs::path& file, const std::string& text, std::string& error) {
  if (writeFileAtomically(file, text)) return true;
  error = "无法写入 " + file.string();
  return false;
}
}  // namespace

SelfTest::SelfTest(std::shared_ptr<BrowserModel> browser, Services services, std::function<void()> quit)
    : browser_(std::move(browser)), services_(services), quit_(std::move(quit)) {}

SelfTest::~SelfTest() {
  scope_.end();
  if (panelsPage_) panelsPage_->teardown();
}

void SelfTest::start() {
  if (started_) return;
  started_ = true;
  logLine(tags::kSelfTest, std::string("启动自检 v") + AppConfig::kVersion);
  postToMainAfter(kStartDelayMs, scope_.guard([this] {
    scope_.spawn([](SelfTest* self) -> Task<void> {
      auto running = self->runAll();
      json report = co_await running;
      self->finish(report);
    }(this));
  }));
}

std::optional<std::string> SelfTest::desktopEntry(std::string* source) {
  // Where the desktop looks an application's entry up by its name: the user's data
  // folder first, then the system's.
  std::vector<fs::path> dirs{g_get_user_data_dir()};
  for (const gchar* const* d = g_get_system_data_dirs(); d && *d; ++d) dirs.emplace_back(*d);
  for (const auto& dir : dirs) {
    fs::path file = dir / "applications" / kDesktopEntryID;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) continue;
    if (source) *source = file.string();
    std::string text = readWhole(file);
    if (text.empty()) return std::nullopt;
    return text;
  }
  if (source) *source = "内置";
  return resources::desktopEntry();
}

Task<json> SelfTest::runAll() {
  auto now = std::chrono::system_clock::now();
  json report = {{"version", AppConfig::kVersion},
                 {"server", AppConfig::serverURL(services_.defaults)},
                 {"volume", services_.volume.statusText()},
                 {"timestamp", DiagnosticReport::isoTimestamp(now)}};
  DiagnosticReport::Failures failures;
  auto put = [&](const char* key, const char* failure, const SelfTestChecks::Outcome& outcome) {
    report[key] = outcome.value;
    if (!outcome.passed) failures.add(failure);
  };
  auto putResult = [&](const char* key, const char* failure, const json& value) {
    report[key] = value;
    failures.record(failure, value);
  };

  put("userAgent", "userAgent", SelfTestChecks::userAgent(AppConfig::userAgent()));
  auto panelling = pagePanels();
  json panels = co_await panelling;
  report["promptCheck"] = panels;
  if (!(panels.value("promptOK", false) && panels.value("openPanelOK", false) && panels.value("alertOK", false) &&
        panels.value("confirmOK", false)))
    failures.add("uiDelegate");
  put("suffixed", "suffixed", SelfTestChecks::suffixed(now));
  put("trackingJudge", "trackingJudge", SelfTestChecks::trackingJudge());
  put("updateCompare", "updateCompare", SelfTestChecks::updateCompare());
  put("icsParser", "icsParser", SelfTestChecks::icsParser(SelfTestChecks::sampleFeed(), now));
  put("deepLink", "deepLink", SelfTestChecks::deepLink(AppConfig::homeURL(services_.defaults)));
  put("screenOCRSignals", "screenOCRSignals", SelfTestChecks::screenOCRSignals());
  put("quickCaptureDate", "quickCaptureDate", SelfTestChecks::quickCaptureDate(now));
  std::string source;
  auto entry = desktopEntry(&source);
  auto metadata = SelfTestChecks::metadataKeys(entry);
  metadata.value["source"] = source;
  put("plistKeys", "plistKeys", metadata);
  auto caching = previewCache();
  json cache = co_await caching;
  putResult("previewCache", "previewCache", cache);
  putResult("hibernation", "hibernation", hibernation());

  auto tab = browser_->activeTab();
  std::shared_ptr<WebPage> page = tab ? tab->webViewPtr() : nullptr;
  if (!page) {
    report["bridge"] = {{"ok", false}, {"error", "no active webView"}};
    failures.add("bridge");
  } else {
    // What the page holds, not the text compiled in.
    auto reading = callPageWithin(page, kDragDropHookScript, json::object(), kPageGuardMs);
    JsResult hook = co_await reading;
    auto hookText = hook.isText() && !hook.text().empty() ? std::optional<std::string>(hook.text()) : std::nullopt;
    put("dragDrop", "dragDrop", SelfTestChecks::dragDrop(hookText));
    json probeArgs = json::object();
    probeArgs["replyMs"] = SelfTestChecks::kBridgeReplyMs;
    auto probing = callPageWithin(page, kProbeScript, probeArgs, kPageGuardMs);
    JsResult probe = co_await probing;
    auto outcome = SelfTestChecks::bridgeRoundTrip(probe.isText() ? std::optional<std::string>(probe.text()) : std::nullopt,
                                          probe.ok() ? "" : probe.error().message);
    put("bridge", "bridge", outcome);
  }
  DiagnosticReport::finish(report, failures);
  co_return report;
}

Task<json> SelfTest::pagePanels() {
  // A fresh controller of the workspace, as every tab gets one, on a blank page.
  auto probeTab = std::make_shared<BrowserTab>("墨衡台自检", nullptr, std::chrono::system_clock::now());
  std::shared_ptr<WebPage> page = services_.engine.pageFactory()(browser_, probeTab);
  // Kept until the run ends.
  panelsPage_ = page;
  WebKitWebView* view = TabController::viewOf(page.get());
  const bool dialogs = hasHandler(view, "script-dialog");
  const bool chooser = hasHandler(view, "run-file-chooser");
  bool answered = false, confirmOK = false, promptOK = false;
  if (view && dialogs) {
    webkit_web_view_load_html(view, "<!doctype html><title>墨衡台自检</title>", "about:blank");
    for (unsigned waited = 0; webkit_web_view_is_loading(view) && waited < kPageGuardMs; waited += 50) {
      co_await sleepFor(50);
    }
    json args = json::object();
    args["defaultText"] = kPromptDefault;
    auto answering = callPageWithin(page, kPanelsScript, args, kPageGuardMs);
    JsResult r = co_await answering;
    auto answer = r.isText() ? json::parse(r.text(), nullptr, false) : json();
    if (answer.is_object()) {
      answered = true;
      confirmOK = answer.contains("confirmed") && answer["confirmed"] == false;
      promptOK = answer.contains("typed") && answer["typed"] == kPromptDefault;
    } else {
      logLine(tags::kSelfTest, "页面面板检查无答复：" + (r.ok() ? r.value().dump() : r.error().message), LogLevel::warning);
    }
  }
  json result = json::object();
  result["alertOK"] = dialogs && answered;
  result["confirmOK"] = dialogs && confirmOK;
  result["promptOK"] = dialogs && promptOK;
  result["openPanelOK"] = chooser;
  co_return result;
}

Task<json> SelfTest::previewCache() {
  const std::string rel = "user_data/FIRM_1/合同A/起诉状.txt";
  std::error_code ec;
  fs::path root = fs::temp_directory_path(ec) / ("quorvel-selftest-" + randomUUID());
  json result;
  if (ec || !fs::create_directories(root, ec) || ec) {
    result["ok"] = false;
    result["error"] = "无法创建临时目录：" + failure::systemErrorText(ec);
    co_return result;
  }
  PreviewCache& cache = services_.volume.cache();
  cache.setRootOverride(root);
  std::string error;
  if (auto dest = cache.prepareDestination(rel); !dest) {
    result = {{"ok", false}, {"step", "prepare1"}};
  } else if (!writeText(*dest, "v1", error)) {
    result = {{"ok", false}, {"error", error}};
  } else {
    cache.editing().begin(rel);
    // Reading the server copy may block: off the main thread.
    // A named awaiter: GCC 12 destroys a capturing lambda inside a co_await operand twice.
    auto reading = onWorker(services_.workers, [&cache, rel] { return cache.ensureLocal(rel); });
    std::optional<fs::path> local;
    {
      // The cache outlives the check: its edit ends even when the frame goes unresumed.
      struct EndEdit {
        PreviewCache& cache;
        const std::string& rel;
        ~EndEdit() { cache.editing().end(rel); }
      } ending{cache, rel};
      local = co_await reading;
    }
    cache.prepareDestination(rel);
    if (!writeText(*dest, "v2", error)) {
      result = {{"ok", false}, {"error", error}};
    } else {
      int backups = 0;
      for (fs::directory_iterator it(root / "_旧版本", ec), end; !ec && it != end; it.increment(ec)) ++backups;
      result = {{"ok", local == dest && backups > 0}, {"oldBackups", backups}};
    }
  }
  cache.setRootOverride(std::nullopt);
  fs::remove_all(root, ec);
  co_return result;
}

json SelfTest::hibernation() {
  auto tab = browser_->newTab("/cases", "自检休眠页");
  if (tab->webView()) browser_->hibernate(tab);
  bool hibernated = !tab->webView() && !tab->controller();
  browser_->wake(tab);
  bool woken = tab->webView() && tab->controller();
  browser_->close(tab);
  bool closed = !tab->webView() && !tab->controller();
  return {{"ok", hibernated && woken && closed}, {"hibernated", hibernated}, {"woken", woken}, {"closed", closed}};
}

void SelfTest::finish(const json& report) {
  if (auto page = std::exchange(panelsPage_, nullptr)) page->teardown();
  auto written = writeReportFile(report, "selftest.json");
  const fs::path path = written ? *written : AppConfig::dataDir() / "selftest.json";
  logLine(tags::kSelfTest, "完成 " + DiagnosticReport::outcomeText(report) + " → " + path.string());
  postToMainAfter(kQuitDelayMs, scope_.guard([this] {
    if (quit_) quit_();
  }));
}

}  // namespace quorvel
