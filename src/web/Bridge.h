#pragma once
#include <webkit/webkit.h>

#include <nlohmann/json.hpp>

#include <memory>
#include <string>

#include "base/Async.h"
#include "base/GObjectPtr.h"
#include "base/Task.h"

namespace quorvel {

class BrowserModel;
class PageActions;

// One script message as a handler receives it. `webView` is the view whose content
// manager received it, or nullptr when that view is gone. `topFrame`: the body came
// sealed from the view's top document (see MessageSeal) and is the message inside.
struct ScriptMessage {
  std::string name;
  JSCValue* body = nullptr;  // valid for the duration of the call
  WebKitWebView* webView = nullptr;
  bool topFrame = false;
};

// The receiving end of script messages (tab controller, page bridge).
class ScriptMessageHandler {
 public:
  virtual ~ScriptMessageHandler() = default;
  virtual void didReceive(WebKitUserContentManager* contentManager, const ScriptMessage& message) = 0;
};

// The forwarder every script-message handler of a tab is registered through. The
// content manager owns the forwarder; the forwarder holds its target and the web
// view only weakly, so a web view never keeps its tab alive. Messages that arrive
// after the target is gone are dropped.
class WeakScriptMessageHandler {
 public:
  // Registers `name` on the content manager of `view` and connects a new forwarder
  // to `target`. Returns the signal handler id (disconnecting it frees the forwarder).
  static gulong install(WebKitWebView* view, const std::string& name, std::weak_ptr<ScriptMessageHandler> target);

  WeakScriptMessageHandler(WebKitWebView* view, std::string name, std::weak_ptr<ScriptMessageHandler> target);
  ~WeakScriptMessageHandler();
  WeakScriptMessageHandler(const WeakScriptMessageHandler&) = delete;
  WeakScriptMessageHandler& operator=(const WeakScriptMessageHandler&) = delete;

  void forward(WebKitUserContentManager* contentManager, JSCValue* body);

 private:
  std::string name_;
  std::weak_ptr<ScriptMessageHandler> target_;
  GWeakRef view_;
};

// The page bridge of one tab: "bridge" (commands with a reply through
// window.__zivEzozorReply) and "action" (file actions without reply). Messages are
// honoured only from the top document of a page of the service.
class NativeBridge : public ScriptMessageHandler, public std::enable_shared_from_this<NativeBridge> {
 public:
  // `actions` outlives every bridge (the web engine holds it).
  NativeBridge(std::weak_ptr<BrowserModel> store, PageActions& actions);
  void didReceive(WebKitUserContentManager* contentManager, const ScriptMessage& message) override;

 private:
  void handleBridge(const ScriptMessage& message);
  void handleAction(const ScriptMessage& message);
  Task<void> openFolderOfPage(GObjectPtr<WebKitWebView> view);

  std::weak_ptr<BrowserModel> store_;
  PageActions& actions_;
  // Page reads in flight; cancelled with the bridge.
  Cancellable calls_;
};

// A reply payload as the page receives it: JSON text, "{}" when it cannot be written.
std::string bridgeReplyText(const nlohmann::json& payload);

}  // namespace quorvel
