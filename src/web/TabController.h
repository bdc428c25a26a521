#pragma once
#include <webkit/webkit.h>

#include <filesystem>
#include <map>
#include <memory>

#include "core/BrowserModel.h"
#include "core/WebPage.h"
#include "web/rules/WebProcessGroups.h"
#include "base/Async.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "web/Bridge.h"

namespace quorvel {

class WebEngine;

// Drives one tab's web view: policies, downloads, page panels, injected scripts,
// the "nav" message and the permission-denied card.
class TabController : public WebPage,
                      public ScriptMessageHandler,
                      public std::enable_shared_from_this<TabController> {
 public:
  TabController(const std::shared_ptr<BrowserModel>& store, WebEngine& engine);
  ~TabController() override;

  // Builds the configured web view (called once, right after construction).
  WebKitWebView* makeWebView();
  void setTab(const std::shared_ptr<BrowserTab>& tab) { tab_ = tab; }
  WebKitWebView* view() const { return view_.get(); }
  static TabController* fromView(WebKitWebView* view);
  // The web view of a tab's live page; nullptr for a page of another kind.
  static WebKitWebView* viewOf(WebPage* page);

  // WebPage
  std::optional<std::string> currentURL() const override;
  bool canGoBack() const override;
  bool canGoForward() const override;
  void loadURL(const Url& url, unsigned timeoutSeconds) override;
  void load(const std::string& path) override;
  void stopLoading() override;
  void goBack() override;
  void goForward() override;
  void reload() override;
  bool isInWindow() const override;
  void focus() override;
  void teardown() override;
  void callAsyncFunction(const std::string& body, const nlohmann::json& args,
                         std::function<void(JsResult)> done) override;

  // ScriptMessageHandler: the "nav" message.
  void didReceive(WebKitUserContentManager* contentManager, const ScriptMessage& message) override;

  // Runs a script without waiting for its result.
  void evaluate(const std::string& script);
  // True when the page shown is of the service's origin (messages are honoured only then).
  bool showsServicePage() const;

  static std::string shortTitle(const std::string& title);
  // The site a page address belongs to (scheme and registrable domain): the engine
  // gives pages of different sites different processes.
  static std::string siteOf(const std::string& uri);

 private:
  friend struct TabControllerSignals;
  void onLoadChanged(WebKitLoadEvent event);
  bool onLoadFailed(const std::string& failingURI, GError* error);
  void onFinished();
  // The end of a load that left no new page of the service (failed, cancelled, diverted
  // or the in-tab failure message): none of the finish steps run.
  void onEndedWithoutPage();
  // A main-frame load that showed nothing: handed to the system when it was meant for
  // it, otherwise logged and replaced by the in-tab failure message.
  void failLoad(const std::string& failingURI, const std::string& reason);
  void showLoadFailure(const std::string& failingURI, const std::string& reason);
  // A navigation the tab hands to the system, seen in the main frame.
  bool divertsToSystem(const std::string& uri) const;
  int mainResponseStatus() const;
  void onProcessTerminated();
  void noteCommittedSite();
  bool onDecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  void onNavMessage(JSCValue* value);
  bool onScriptDialog(WebKitScriptDialog* dialog);
  bool onFileChooser(WebKitFileChooserRequest* request);
  void applyPageTitle();
  void handleNewWindow(const std::string& uri);
  void checkForbidden();
  void renderDeniedPage(const std::string& path, const std::string& detail);
  void syncIfActive();
  void openExternally(const std::string& uri);

  std::weak_ptr<BrowserModel> store_;
  std::weak_ptr<WebProcessGroups> processGroups_;  // the engine's, once the view is made
  std::string committedSite_;                      // of the last page committed here
  WebEngine& engine_;
  std::weak_ptr<BrowserTab> tab_;
  GObjectPtr<WebKitWebView> view_;
  GObjectPtr<WebKitUserContentManager> ucm_;
  std::shared_ptr<NativeBridge> bridge_;
  std::vector<SignalHandler> handlers_;
  // Page functions in flight; cancelled when the page is released.
  Cancellable calls_;
  bool titlePending_ = false;
  // The load in progress (reset when one starts): it showed a document, it failed.
  bool committed_ = false;
  bool loadFailed_ = false;
  // The address the load in progress asked for, and the one the engine refused.
  std::string requestedURI_;
  std::string refusedURI_;
  // The failure message was asked for / is what the view shows.
  bool failurePagePending_ = false;
  bool showingFailurePage_ = false;
};

}  // namespace quorvel
