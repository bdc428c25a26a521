#pragma once
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "base/Published.h"
#include "base/Url.h"
#include "core/WebPage.h"

namespace quorvel {

// One tab: live (it has a page) or hibernated (only its last address is kept).
class BrowserTab {
 public:
  // `lastActive`: when it was made.
  BrowserTab(std::string title, std::shared_ptr<WebPage> webView, std::chrono::system_clock::time_point lastActive);

  const std::string& id() const { return id_; }
  // The live page and its controller are one object here.
  WebPage* webView() const { return webView_.get(); }
  WebPage* controller() const { return webView_.get(); }
  const std::shared_ptr<WebPage>& webViewPtr() const { return webView_; }
  void attach(std::shared_ptr<WebPage> page) { webView_ = std::move(page); }

  std::optional<Url> hibernatedURL;
  // The address a load was asked for, kept until a page finishes loading (and while
  // the load failed): what the tab is meant to show, whatever the view holds.
  std::optional<Url> intendedURL;
  std::chrono::system_clock::time_point lastActive;

  Published<std::string, BrowserTab> title;
  Published<std::string, BrowserTab> currentPath;
  Published<bool, BrowserTab> isLoading{false};
  Published<bool, BrowserTab> canGoBack{false};
  Published<bool, BrowserTab> canGoForward{false};

  // What the page reports, and the path a restored or woken tab stands on.
  void showTitle(std::string shown) { title.set(std::move(shown)); }
  void showPath(std::string path) { currentPath.set(std::move(path)); }
  void loadStarted() { isLoading.set(true); }
  // The load stopped without a new history (the page's process went).
  void loadStopped() { isLoading.set(false); }
  // The load ended (with a page or without one); the history as it is now.
  void loadEnded(bool back, bool forward) {
    isLoading.set(false);
    canGoBack.set(back);
    canGoForward.set(forward);
  }

  // The one way a page is released: keeps its address for waking.
  void teardownWebView();

 private:
  std::string id_;
  std::shared_ptr<WebPage> webView_;
};

std::string makeUUID();

}  // namespace quorvel
