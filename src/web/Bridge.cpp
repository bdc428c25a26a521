#include "web/Bridge.h"

#include <gdk/gdk.h>

#include <algorithm>
#include <optional>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "base/Task.h"
#include "base/Async.h"
#include "core/PageActions.h"
#include "web/JsValues.h"
#include "web/MessageSeal.h"
#include "web/TabController.h"

namespace quorvel {
namespace {

// The page end resolves the pending promise; a page without it (or a page that
// navigated away) simply ignores the reply.
constexpr const char* kReplyBody =
    "if (typeof window.__zivEzozorReply === 'function') window.__zivEzozorReply(id, payload);";
constexpr const char* kFolderScript = "(typeof folderRelPath !== 'undefined' ? folderRelPath : '')";

// A weak reference to the view a request came from, for replies that arrive later.
class ViewRef {
 public:
  explicit ViewRef(WebKitWebView* view) { g_weak_ref_init(&ref_, view); }
  ~ViewRef() { g_weak_ref_clear(&ref_); }
  ViewRef(const ViewRef&) = delete;
  ViewRef& operator=(const ViewRef&) = delete;
  // A strong reference, or nullptr when the view is gone (caller unrefs).
  WebKitWebView* lock() { return static_cast<WebKitWebView*>(g_weak_ref_get(&ref_)); }

 private:
  GWeakRef ref_;
};

std::string lowerAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string viewURI(WebKitWebView* view) {
  const char* uri = view ? webkit_web_view_get_uri(view) : nullptr;
  return uri ? uri : "";
}

bool showsServicePage(WebKitWebView* view) {
  TabController* c = view ? TabController::fromView(view) : nullptr;
  return c && c->showsServicePage();
}

std::optional<nlohmann::json> bodyAsJson(JSCValue* body) {
  if (!body || !jsc_value_is_object(body)) return std::nullopt;
  auto j = nlohmann::json::parse(JsValues::toJsonText(body), nullptr, false);
  if (j.is_discarded()) return std::nullopt;
  return j;
}

void sendReply(WebKitWebView* view, const std::string& id, const nlohmann::json& payload) {
  // A reply meant for the service's page never goes to a page that replaced it.
  if (!showsServicePage(view)) {
    logLine(tags::kBridge, "页面已离开服务，回复未送出：" + id);
    return;
  }
  std::string text = bridgeReplyText(payload);
  GVariantBuilder b;
  g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&b, "{sv}", "id", g_variant_new_string(id.c_str()));
  g_variant_builder_add(&b, "{sv}", "payload", g_variant_new_string(text.c_str()));
  webkit_web_view_call_async_javascript_function(
      view, kReplyBody, -1, g_variant_builder_end(&b), nullptr, nullptr, nullptr,
      [](GObject* src, GAsyncResult* res, gpointer) {
        // Errors of the reply script are of no interest.
        GError* err = nullptr;
        if (JSCValue* v = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(src), res, &err))
          g_object_unref(v);
        g_clear_error(&err);
      },
      nullptr);
}

void sendReplyLater(const std::shared_ptr<ViewRef>& ref, const std::string& id, const nlohmann::json& payload) {
  if (WebKitWebView* view = ref->lock()) {
    sendReply(view, id, payload);
    g_object_unref(view);
  }
}

Task<void> recogniseAndReply(PageActions& actions, std::shared_ptr<ViewRef> ref, std::string id, std::string image) {
  auto work = actions.recogniseWaybill(std::move(image));
  nlohmann::json result = co_await work;
  sendReplyLater(ref, id, result);
}

void copyToClipboard(const std::string& text) {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) {
    logLine(tags::kBridge, "没有显示，无法复制", LogLevel::warning);
    return;
  }
  gdk_clipboard_set_text(gdk_display_get_clipboard(display), text.c_str());
}

bool takePrefix(const std::string& text, const char* prefix, std::string& rest) {
  std::string p(prefix);
  if (text.rfind(p, 0) != 0) return false;
  rest = text.substr(p.size());
  return true;
}

}  // namespace

std::string bridgeReplyText(const nlohmann::json& payload) {
  try {
    return payload.dump();
  } catch (const std::exception&) {
    return "{}";  // not writable (e.g. text that is not UTF-8)
  }
}

// ---- NativeBridge: the page's folder ----

Task<void> NativeBridge::openFolderOfPage(GObjectPtr<WebKitWebView> view) {
  struct Answer {
    std::optional<std::string> value;
  };
  auto eval = asyncCall<Answer>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        webkit_web_view_evaluate_javascript(view, kFolderScript, -1, nullptr, nullptr, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        Answer a;
        GObjectPtr<JSCValue> v =
            GObjectPtr<JSCValue>::adopt(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(src), res, error));
        if (v && jsc_value_is_string(v)) {
          GCharPtr s(jsc_value_to_string(v));
          a.value = s ? s.get() : "";
        }
        return a;
      },
      calls_.get(), OnCancel::resumeAtOnce);
  std::optional<std::string> value, error;
  try {
    value = (co_await eval).value;
  } catch (const AppError& e) {
    if (e.code == G_IO_ERROR_CANCELLED && e.domain == g_quark_to_string(G_IO_ERROR)) co_return;  // bridge gone
    error = e.message.empty() ? "脚本执行失败" : e.message;
  }
  actions_.openProceedingFolder(value, error);
}

// ---- WeakScriptMessageHandler ----

WeakScriptMessageHandler::WeakScriptMessageHandler(WebKitWebView* view, std::string name,
                                                   std::weak_ptr<ScriptMessageHandler> target)
    : name_(std::move(name)), target_(std::move(target)) {
  g_weak_ref_init(&view_, view);
}

WeakScriptMessageHandler::~WeakScriptMessageHandler() { g_weak_ref_clear(&view_); }

gulong WeakScriptMessageHandler::install(WebKitWebView* view, const std::string& name,
                                         std::weak_ptr<ScriptMessageHandler> target) {
  WebKitUserContentManager* ucm = webkit_web_view_get_user_content_manager(view);
  webkit_user_content_manager_register_script_message_handler(ucm, name.c_str(), nullptr);
  auto* forwarder = new WeakScriptMessageHandler(view, name, std::move(target));
  std::string signal = "script-message-received::" + name;
  return g_signal_connect_data(
      ucm, signal.c_str(), G_CALLBACK(+[](WebKitUserContentManager* m, JSCValue* body, gpointer data) {
        static_cast<WeakScriptMessageHandler*>(data)->forward(m, body);
      }),
      forwarder, [](gpointer data, GClosure*) { delete static_cast<WeakScriptMessageHandler*>(data); },
      GConnectFlags(0));
}

void WeakScriptMessageHandler::forward(WebKitUserContentManager* contentManager, JSCValue* body) {
  auto target = target_.lock();
  if (!target) return;
  auto* view = static_cast<WebKitWebView*>(g_weak_ref_get(&view_));
  auto sealed = MessageSeal::open(body);
  target->didReceive(contentManager, ScriptMessage{name_, sealed ? sealed.get() : body, view, bool(sealed)});
  if (view) g_object_unref(view);
}

// ---- NativeBridge ----

NativeBridge::NativeBridge(std::weak_ptr<BrowserModel> store, PageActions& actions)
    : store_(std::move(store)), actions_(actions) {}

void NativeBridge::didReceive(WebKitUserContentManager*, const ScriptMessage& message) {
  if (message.name != "bridge" && message.name != "action") return;
  if (!message.webView) return;
  if (!showsServicePage(message.webView)) {
    logLine(tags::kBridge, "丢弃来自非服务页面的 " + message.name + " 消息：" + viewURI(message.webView));
    return;
  }
  if (!message.topFrame) {
    logLine(tags::kBridge, "丢弃来自页面内框架的 " + message.name + " 消息：" + viewURI(message.webView));
    return;
  }
  if (message.name == "bridge") handleBridge(message);
  else handleAction(message);
}

void NativeBridge::handleBridge(const ScriptMessage& message) {
  auto body = bodyAsJson(message.body);
  if (!body || !body->is_object()) return;
  auto id = body->find("id");
  auto cmd = body->find("cmd");
  if (id == body->end() || cmd == body->end() || !id->is_string() || !cmd->is_string()) return;
  std::string requestId = id->get<std::string>();
  std::string command = cmd->get<std::string>();
  std::string a;
  if (auto it = body->find("a"); it != body->end() && it->is_string()) a = it->get<std::string>();

  logLine(tags::kBridge, command);
  auto ref = std::make_shared<ViewRef>(message.webView);
  std::string key = lowerAscii(command);
  if (key == "ocrimage") {
    spawn(recogniseAndReply(actions_, ref, requestId, a));
  } else if (key == "querytracking") {
    actions_.queryTracking(a, [ref, requestId](nlohmann::json result) { sendReplyLater(ref, requestId, result); });
  } else if (key == "testkey") {
    sendReply(message.webView, requestId, nlohmann::json{{"ok", true}, {"msg", "本地识别已就绪（无需 API Key）"}});
  } else {
    sendReply(message.webView, requestId, nlohmann::json{{"error", "未知命令: " + command}});
  }
}

void NativeBridge::handleAction(const ScriptMessage& message) {
  if (!message.body || !jsc_value_is_string(message.body)) return;
  gchar* raw = jsc_value_to_string(message.body);
  std::string text = raw ? raw : "";
  g_free(raw);
  std::string arg;
  if (takePrefix(text, "clip:", arg)) {
    postToMain([arg] { copyToClipboard(arg); });
  } else if (takePrefix(text, "reveal:", arg)) {
    actions_.reveal(arg);
  } else if (takePrefix(text, "edit:", arg)) {
    postToMain([this, keep = shared_from_this(), arg] { actions_.edit(arg); });
  } else if (takePrefix(text, "preview:", arg)) {
    actions_.preview(arg);
  } else if (takePrefix(text, "openfolder:", arg)) {
    spawn(openFolderOfPage(GObjectPtr<WebKitWebView>::retain(message.webView)));
  }
}

}  // namespace quorvel
