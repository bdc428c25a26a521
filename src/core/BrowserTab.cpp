#include "core/BrowserTab.h"

#include <glib.h>

#include "base/GLibPtr.h"

namespace quorvel {

std::string makeUUID() {
  return randomUpperUUID();
}

BrowserTab::BrowserTab(std::string t, std::shared_ptr<WebPage> webView, std::chrono::system_clock::time_point made)
    : lastActive(made), title(std::move(t)), id_(makeUUID()), webView_(std::move(webView)) {}

void BrowserTab::teardownWebView() {
  if (webView_) {
    if (intendedURL) {
      hibernatedURL = *intendedURL;
    } else if (auto u = webView_->currentURL(); u && !u->empty()) {
      if (auto parsed = Url::parse(*u); parsed && parsed->scheme != "about") hibernatedURL = *parsed;
    }
    webView_->stopLoading();
    webView_->teardown();
  }
  webView_.reset();
  intendedURL.reset();
  loadEnded(false, false);
}

}  // namespace quorvel
