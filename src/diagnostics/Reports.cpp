#include "diagnostics/Reports.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <regex>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/MenuCommands.h"
#include "core/ShortcutText.h"
#include "features/editing/EditSession.h"
#include "platform/UserDefaults.h"

namespace quorvel {

void writeDiagnosticReport(const nlohmann::json& report, const std::string& name, const std::string& logPrefix) {
  // nlohmann's objects keep their keys sorted.
  std::string text = report.dump(2);
  auto path = AppConfig::dataDir() / name;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (!writeFileAtomically(path, text + "\n")) logLine(tags::kApp, "报告写入失败：" + path.string(), LogLevel::warning);
  // The report's own prefix ("[DOMDUMP] …"), as the diagnostics print it.
  logPlainLine(logPrefix + " " + report.dump());
}

bool writeFileRefusingLinks(const std::filesystem::path& path, const std::string& bytes, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = errno == ELOOP ? "目标是符号链接，已拒绝写入" : std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (error) *error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0;
}

namespace DomDump {
const char* script() {
  return R"JS(try {
  var sb = document.querySelector('.sidebar');
  return JSON.stringify({
    href: location.href,
    title: document.title,
    bodyClass: document.body ? document.body.className : '',
    hasSidebar: !!sb,
    sidebarDisplay: sb ? getComputedStyle(sb).display : 'n/a',
    sidebarInline: sb ? (sb.getAttribute('style') || '') : '',
    hasMask: !!document.querySelector('.sidebar-mask'),
    navItems: document.querySelectorAll('.nav-item').length,
    zivEzozor: typeof window.ZivEzozor,
    chromeObs: !!window.__quorvelChromeObs,
    scripts: document.scripts.length
  });
} catch (e) {
  return JSON.stringify({fatal: String(e)});
})JS";
}

nlohmann::json completion(const std::string& reply, const std::string& error) {
  auto parsed = nlohmann::json::parse(reply, nullptr, false);
  if (!parsed.is_discarded() && parsed.is_object()) return parsed;
  return {{"error", error.empty() ? "nil" : error}, {"raw", reply}};
}

void run(BrowserModel& browser, std::function<void(nlohmann::json)> then) {
  auto tab = browser.activeTab();
  if (!tab || !tab->webView()) {
    then({{"error", "没有活动标签"}});
    return;
  }
  tab->webView()->callAsyncFunction(script(), nlohmann::json::object(), [then](JsResult result) {
    std::string reply = result.isText() ? result.text() : (result.ok ? result.value.dump() : "nil");
    then(completion(reply, result.ok ? "" : result.errorMessage));
  });
}
}  // namespace DomDump

namespace SelfTest {
nlohmann::json runAll(BrowserModel& browser) {
  nlohmann::json checks = nlohmann::json::object();
  auto check = [&checks](const std::string& name, bool ok, nlohmann::json detail = {}) {
    checks[name] = {{"ok", ok}, {"detail", detail}};
  };
  check("zoomClamp", PageZoom::stepped(1.75, PageZoom::step) == 1.8 && PageZoom::stepped(0.6, -PageZoom::step) == 0.6);
  check("shortcutText", linuxShortcutText("⌘⇧D") == "Ctrl+Shift+D", linuxShortcutText("⌘⇧D"));
  check("dataDir", !AppConfig::dataDir().empty(), AppConfig::dataDir().string());
  check("tabs", true, static_cast<int>(browser.tabs()->size()));
  std::string copy = EditSession::suffixed("a/b/合同.docx", "U", std::chrono::system_clock::now());
  check("conflictCopyNaming", std::regex_match(copy, std::regex("a/b/合同__本地-U-[0-9]{8}-[0-9]{6}\\.docx")), copy);
  bool ok = true;
  for (auto& [name, value] : checks.items()) ok = ok && value["ok"].get<bool>();
  // Checks of subsystems this build does not carry yet are named, not faked.
  return {{"version", kVersion},
          {"ok", ok},
          {"checks", checks},
          {"notInThisBuild",
           {"userAgent", "webPanels", "courierJudgement", "versionComparison",
            "calendarFeed", "screenSignals", "dateRecognition", "previewCache", "dragDropScript", "pageBridge"}}};
}

void start(bool selfTestSwitch, std::shared_ptr<BrowserModel> browser, std::function<void()> quit) {
  if (!selfTestSwitch) return;
  logLine(tags::kSelfTest, std::string("启动自检 v") + kVersion);
  postToMainAfter(3000, [browser, quit] {
    writeDiagnosticReport(runAll(*browser), "selftest.json", "[SELFTEST]");
    quit();
  });
}
}  // namespace SelfTest

namespace LiveFeatureTest {
void start(bool liveTestSwitch, std::shared_ptr<BrowserModel>, std::function<void()> quit) {
  if (!liveTestSwitch) return;
  logLine("LIVETEST", "启动实时检查");
  postToMainAfter(2500, [quit] {
    writeDiagnosticReport({{"ok", false}, {"error", "实时检查尚未在此版本中提供"}}, "livetest.json", "[LIVETEST]");
    quit();
  });
}
}  // namespace LiveFeatureTest

namespace EditUploadTest {
void run(std::function<void(nlohmann::json)> then) {
  postToMain([then] { then({{"result", "fail"}, {"reason", "编辑上传检查尚未在此版本中提供"}}); });
}
}  // namespace EditUploadTest

}  // namespace quorvel
