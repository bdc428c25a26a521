#include "diagnostics/DomDump.h"

#include "base/Task.h"
#include "core/BrowserModel.h"
#include "diagnostics/PageCall.h"

namespace quorvel::DomDump {

namespace {
constexpr unsigned kGuardMs = 30000;
}  // namespace

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
  spawn([](std::shared_ptr<WebPage> page, std::function<void(nlohmann::json)> then) -> Task<void> {
    // A page whose scripts never settle ends the dump too.
    auto calling = callPageWithin(std::move(page), script(), nlohmann::json::object(), kGuardMs);
    JsResult result = co_await calling;
    std::string reply = result.isText() ? result.text() : (result.ok() ? result.value().dump() : "nil");
    then(completion(reply, result.ok() ? "" : result.error().message));
  }(tab->webViewPtr(), std::move(then)));
}

}  // namespace quorvel::DomDump
