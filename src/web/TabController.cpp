#include "web/TabController.h"

#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <cstdlib>

#include "app/AppArgs.h"
#include "app/AppConfig.h"
#include "core/Log.h"
#include "core/MainQueue.h"
#include "features/AppleCalendarSync.h"
#include "features/PreviewCache.h"
#include "platform/Desktop.h"
#include "platform/UserDefaults.h"
#include "ui/PagePanels.h"
#include "web/JsValues.h"
#include "web/PageScripts.h"
#include "web/TabRules.h"
#include "web/WebSession.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
constexpr const char* kControllerKey = "quorvel-tab-controller";
constexpr unsigned kLoadTimeoutSeconds = 60;


// Downloads are announced by the shared session; route each to its tab.
void ensureDownloadRouting() {
  static bool connected = false;
  if (connected) return;
  connected = true;
  g_signal_connect(WebSession::network(), "download-started",
                   G_CALLBACK(+[](WebKitNetworkSession*, WebKitDownload* download, gpointer) {
                     WebKitWebView* view = webkit_download_get_web_view(download);
                     if (auto* c = view ? TabController::fromView(view) : nullptr) c->onDownloadStarted(download);
                   }),
                   nullptr);
}
}  // namespace

struct TabControllerSignals {
  static void loadChanged(WebKitWebView*, WebKitLoadEvent e, gpointer self) {
    static_cast<TabController*>(self)->onLoadChanged(e);
  }
  static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self) {
    static_cast<TabController*>(self)->onLoadFailed();
    return TRUE;  // keep the page that is shown; no error page
  }
  static void terminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer self) {
    static_cast<TabController*>(self)->onProcessTerminated();
  }
  static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* d, WebKitPolicyDecisionType t, gpointer self) {
    return static_cast<TabController*>(self)->onDecidePolicy(d, t);
  }
  static void titleChanged(WebKitWebView*, GParamSpec*, gpointer self) {
    static_cast<TabController*>(self)->applyPageTitle();
  }
  // window.open arrives here without a policy question first.
  static GtkWidget* create(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
    WebKitURIRequest* req = action ? webkit_navigation_action_get_request(action) : nullptr;
    const char* uri = req ? webkit_uri_request_get_uri(req) : nullptr;
    static_cast<TabController*>(self)->handleNewWindow(uri ? uri : "");
    return nullptr;
  }
  static gboolean scriptDialog(WebKitWebView*, WebKitScriptDialog* d, gpointer self) {
    return static_cast<TabController*>(self)->onScriptDialog(d);
  }
  static gboolean fileChooser(WebKitWebView*, WebKitFileChooserRequest* r, gpointer self) {
    return static_cast<TabController*>(self)->onFileChooser(r);
  }
};

TabController::TabController(const std::shared_ptr<BrowserModel>& store)
    : store_(store), bridge_(std::make_shared<NativeBridge>(store)) {}

TabController::~TabController() {
  teardown();
}

void TabController::installAsDefaultFactory() {
  BrowserModel::setDefaultPageFactory([](const std::shared_ptr<BrowserModel>& model,
                                         const std::shared_ptr<BrowserTab>& tab) -> std::shared_ptr<WebPage> {
    auto c = std::make_shared<TabController>(model);
    c->makeWebView();
    c->setTab(tab);
    return c;
  });
}

TabController* TabController::fromView(WebKitWebView* view) {
  return static_cast<TabController*>(g_object_get_data(G_OBJECT(view), kControllerKey));
}

WebKitWebView* TabController::makeWebView() {
  if (view_) return view_.get();
  ensureDownloadRouting();
  ucm_ = GObjectPtr<WebKitUserContentManager>::adopt(webkit_user_content_manager_new());
  auto addScript = [this](const std::string& file, WebKitUserScriptInjectionTime when) {
    const std::string& src = PageScripts::resource(file);
    if (src.empty()) return;
    WebKitUserScript* s = webkit_user_script_new(src.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, when, nullptr, nullptr);
    webkit_user_content_manager_add_script(ucm_, s);
    webkit_user_script_unref(s);
  };
  addScript("chrome-hiding.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  addScript("bridge.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  addScript("action-buttons.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END);
  const char* noDrag = std::getenv("NO_DRAG_INJECT");
  if (!(noDrag && std::string(noDrag) == "1")) addScript("drag-drop.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);

  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  webkit_settings_set_enable_javascript(settings, TRUE);
  webkit_settings_set_enable_back_forward_navigation_gestures(settings, TRUE);
  webkit_settings_set_user_agent(settings, AppConfig::userAgent().c_str());

  view_ = GObjectPtr<WebKitWebView>::retain(WEBKIT_WEB_VIEW(g_object_new(
      WEBKIT_TYPE_WEB_VIEW, "network-session", WebSession::network(), "user-content-manager", ucm_.get(), "settings",
      settings, nullptr)));
  g_object_unref(settings);
  g_object_set_data(G_OBJECT(view_.get()), kControllerKey, this);
  gtk_widget_set_hexpand(GTK_WIDGET(view_.get()), TRUE);
  gtk_widget_set_vexpand(GTK_WIDGET(view_.get()), TRUE);
  // Handlers reach this controller and the bridge only weakly.
  handlers_.push_back({ucm_.get(), WeakScriptMessageHandler::install(view_, "nav", weak_from_this())});
  handlers_.push_back({ucm_.get(), WeakScriptMessageHandler::install(view_, "bridge", bridge_)});
  handlers_.push_back({ucm_.get(), WeakScriptMessageHandler::install(view_, "action", bridge_)});

  auto connect = [this](const char* sig, GCallback cb) { handlers_.push_back({view_.get(), g_signal_connect(view_.get(), sig, cb, this)}); };
  connect("load-changed", G_CALLBACK(TabControllerSignals::loadChanged));
  connect("load-failed", G_CALLBACK(TabControllerSignals::loadFailed));
  connect("web-process-terminated", G_CALLBACK(TabControllerSignals::terminated));
  connect("decide-policy", G_CALLBACK(TabControllerSignals::decidePolicy));
  connect("create", G_CALLBACK(TabControllerSignals::create));
  connect("notify::title", G_CALLBACK(TabControllerSignals::titleChanged));
  connect("script-dialog", G_CALLBACK(TabControllerSignals::scriptDialog));
  connect("run-file-chooser", G_CALLBACK(TabControllerSignals::fileChooser));

  // Page zoom: "webzoom" wins when it is a number; 0 or less leaves the default.
  if (auto zoom = UserDefaults::standard().number("webzoom")) {
    if (*zoom > 0) webkit_web_view_set_zoom_level(view_, *zoom);
  } else if (auto m = store_.lock()) {
    if (m->fontScale.get() > 0) webkit_web_view_set_zoom_level(view_, m->fontScale.get());
  } else {
    webkit_web_view_set_zoom_level(view_, 1.0);
  }
  return view_.get();
}

void TabController::teardown() {
  if (!view_) return;
  for (auto& [obj, id] : handlers_)
    if (obj && g_signal_handler_is_connected(obj, id)) g_signal_handler_disconnect(obj, id);
  handlers_.clear();
  if (ucm_) {
    for (const char* name : {"nav", "bridge", "action"})
      webkit_user_content_manager_unregister_script_message_handler(ucm_, name, nullptr);
    webkit_user_content_manager_remove_all_scripts(ucm_);
  }
  webkit_web_view_stop_loading(view_);
  g_object_set_data(G_OBJECT(view_.get()), kControllerKey, nullptr);
  // The engine may keep a closed page's process for reuse; a released tab must give
  // its memory back. Every tab has a process of its own (no related views).
  webkit_web_view_terminate_web_process(view_);
  GtkWidget* w = GTK_WIDGET(view_.get());
  if (GtkWidget* parent = gtk_widget_get_parent(w)) {
    if (GTK_IS_BOX(parent)) gtk_box_remove(GTK_BOX(parent), w);
    else gtk_widget_unparent(w);
  }
  view_.reset();
  ucm_.reset();
  destinations_.clear();
}

std::optional<std::string> TabController::currentURL() const {
  if (!view_) return std::nullopt;
  const char* uri = webkit_web_view_get_uri(view_);
  if (!uri || !*uri) return std::nullopt;
  return std::string(uri);
}
bool TabController::canGoBack() const { return view_ && webkit_web_view_can_go_back(view_); }
bool TabController::canGoForward() const { return view_ && webkit_web_view_can_go_forward(view_); }

void TabController::loadURL(const Url& url, unsigned) {
  // WebKitGTK has no per-request time-out; the engine's own network time-outs apply.
  if (!view_) return;
  webkit_web_view_load_uri(view_, url.toString().c_str());
}

void TabController::load(const std::string& path) {
  if (!view_ || tab_.expired()) return;
  if (auto url = urlForServicePath(AppConfig::homeURL(), path)) loadURL(*url, kLoadTimeoutSeconds);
}

void TabController::stopLoading() {
  if (view_) webkit_web_view_stop_loading(view_);
}
bool TabController::isInWindow() const { return view_ && gtk_widget_get_root(GTK_WIDGET(view_.get())) != nullptr; }
void TabController::focus() {
  if (view_) gtk_widget_grab_focus(GTK_WIDGET(view_.get()));
}

bool TabController::showsServicePage() const {
  auto u = currentURL();
  if (!u) return false;
  auto parsed = Url::parse(*u);
  return parsed && (parsed->scheme == "http" || parsed->scheme == "https") &&
         isServiceHost(parsed->host, AppConfig::homeURL().host);
}

void TabController::evaluate(const std::string& script) {
  if (!view_ || script.empty()) return;
  webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
}

void TabController::callAsyncFunction(const std::string& body, const nlohmann::json& args,
                                      std::function<void(JsResult)> done) {
  if (!view_) {
    done(JsResult::failure("Quorvel", 1, "没有打开的页面（请先登录）"));
    return;
  }
  auto* heap = new std::function<void(JsResult)>(std::move(done));
  webkit_web_view_call_async_javascript_function(
      view_, body.c_str(), -1, JsValues::toArguments(args), nullptr, nullptr, nullptr,
      [](GObject* src, GAsyncResult* res, gpointer data) {
        std::unique_ptr<std::function<void(JsResult)>> fn(static_cast<std::function<void(JsResult)>*>(data));
        GError* err = nullptr;
        JSCValue* v = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(src), res, &err);
        if (!v) {
          JsResult r = JsResult::failure(err ? g_quark_to_string(err->domain) : "WebKit", err ? err->code : 0,
                                         err ? err->message : "脚本执行失败");
          g_clear_error(&err);
          (*fn)(r);
          return;
        }
        JsResult r;
        if (jsc_value_is_string(v)) {
          gchar* s = jsc_value_to_string(v);
          r = JsResult::success(std::string(s ? s : ""));
          g_free(s);
        } else if (jsc_value_is_undefined(v) || jsc_value_is_null(v)) {
          r = JsResult::success(nullptr);
        } else {
          auto parsed = nlohmann::json::parse(JsValues::toJsonText(v), nullptr, false);
          r = JsResult::success(parsed.is_discarded() ? nlohmann::json(nullptr) : parsed);
        }
        g_object_unref(v);
        (*fn)(r);
      },
      heap);
}

std::string TabController::shortTitle(const std::string& title) { return TabRules::shortTitle(title); }

void TabController::syncIfActive() {
  auto m = store_.lock();
  auto t = tab_.lock();
  if (m && t && m->activeID.get() && *m->activeID.get() == t->id()) m->syncActiveState();
}

void TabController::onLoadChanged(WebKitLoadEvent event) {
  auto t = tab_.lock();
  if (!t) return;
  if (event == WEBKIT_LOAD_STARTED) {
    titlePending_ = false;
    t->isLoading.set(true);
    syncIfActive();
  } else if (event == WEBKIT_LOAD_FINISHED) {
    onFinished();
  }
}

void TabController::onLoadFailed() {
  if (auto t = tab_.lock()) {
    t->isLoading.set(false);
    syncIfActive();
  }
}

void TabController::onProcessTerminated() {
  if (auto t = tab_.lock()) t->isLoading.set(false);
  syncIfActive();
  logLine("TAB", "网页进程已退出，自动重新载入");
  if (view_) webkit_web_view_reload(view_);
}

void TabController::onFinished() {
  auto t = tab_.lock();
  auto m = store_.lock();
  if (!t || !view_) return;
  t->isLoading.set(false);
  t->canGoBack.set(canGoBack());
  t->canGoForward.set(canGoForward());
  const char* rawTitle = webkit_web_view_get_title(view_);
  std::string title = rawTitle ? rawTitle : "";
  auto uri = currentURL();
  std::optional<Url> url = uri ? Url::parse(*uri) : std::nullopt;
  if (url && !url->path.empty()) t->currentPath.set(url->decodedPath());
  // The engine may report the page title a moment after the load has finished.
  titlePending_ = true;
  applyPageTitle();
  syncIfActive();

  evaluate(PageScripts::resource("chrome-hiding.js"));
  if (showsServicePage()) {
    callAsyncFunction(PageScripts::resource("nav-items.js"), nlohmann::json::object(), [](JsResult) {});
  }
  checkForbidden();
  evaluate(PageScripts::resource("action-buttons.js"));
  if (m) m->refreshBadges();
  if (url && url->decodedPath().rfind("/login", 0) != 0) {
    postToMain([] { AppleCalendarSync::shared().syncAfterPageLoadedIfNeeded(); });
  }
}

void TabController::applyPageTitle() {
  auto t = tab_.lock();
  if (!t || !view_ || !titlePending_) return;
  const char* rawTitle = webkit_web_view_get_title(view_);
  std::string title = rawTitle ? rawTitle : "";
  if (title.empty()) return;
  titlePending_ = false;
  t->title.set(TabRules::shortTitle(title));
  if (auto id = TabRules::proceedingId(t->currentPath.get())) {
    if (auto m = store_.lock()) m->rememberProceeding(*id, title);
  }
}

void TabController::handleNewWindow(const std::string& uri) {
  auto d = TabRules::decideNewWindow(uri, AppConfig::homeURL());
  switch (d.kind) {
    case TabRules::NewWindowDecision::openTab:
      if (auto m = store_.lock()) m->newTab(d.pathAndQuery, "新标签");
      break;
    case TabRules::NewWindowDecision::openExternally: openExternally(uri); break;
    case TabRules::NewWindowDecision::deepLink: logLine("DEEPLINK", "应用内链接暂不处理：" + uri); break;
    case TabRules::NewWindowDecision::ignore: logLine("NAV", "已拦截新窗口：" + d.reason); break;
  }
}

void TabController::openExternally(const std::string& uri) { Desktop::openURI(uri); }

bool TabController::onDecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  Url home = AppConfig::homeURL();
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION || type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* req = webkit_navigation_action_get_request(action);
    std::string uri = req && webkit_uri_request_get_uri(req) ? webkit_uri_request_get_uri(req) : "";
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      // No second web view is ever made for a new-window request.
      webkit_policy_decision_ignore(decision);
      handleNewWindow(uri);
      return TRUE;
    }
    auto d = TabRules::decideNavigation(uri, home);
    switch (d.action) {
      case TabRules::NavAction::allow: webkit_policy_decision_use(decision); break;
      case TabRules::NavAction::openExternally:
        webkit_policy_decision_ignore(decision);
        openExternally(uri);
        break;
      case TabRules::NavAction::deepLink:
        webkit_policy_decision_ignore(decision);
        logLine("DEEPLINK", "应用内链接暂不处理：" + uri);
        break;
      case TabRules::NavAction::cancel:
        webkit_policy_decision_ignore(decision);
        logLine("NAV", "已拦截：" + d.reason);
        break;
    }
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* rd = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* resp = webkit_response_policy_decision_get_response(rd);
    bool download = !webkit_response_policy_decision_is_mime_type_supported(rd);
    if (SoupMessageHeaders* h = resp ? webkit_uri_response_get_http_headers(resp) : nullptr) {
      const char* cd = soup_message_headers_get_one(h, "Content-Disposition");
      if (cd && TabRules::isAttachment(cd)) download = true;
    }
    if (download) webkit_policy_decision_download(decision);
    else webkit_policy_decision_use(decision);
    return TRUE;
  }
  return FALSE;
}

void TabController::didReceive(WebKitUserContentManager*, const ScriptMessage& message) {
  if (message.name == "nav") onNavMessage(message.body);
}

void TabController::onNavMessage(JSCValue* value) {
  if (!showsServicePage()) {
    logLine("BRIDGE", "丢弃来自非服务页面的 nav 消息");
    return;
  }
  if (!value || !jsc_value_is_string(value)) return;
  gchar* s = jsc_value_to_string(value);
  std::string body = s ? s : "";
  g_free(s);
  auto items = TabRules::parseNavMessage(body);
  if (items.empty()) return;
  std::weak_ptr<BrowserModel> weak = store_;
  postToMain([weak, items] {
    if (auto m = weak.lock()) m->navItems.setIfChanged(items);
  });
}

void TabController::checkForbidden() {
  std::weak_ptr<TabController> weak = weak_from_this();
  callAsyncFunction(PageScripts::resource("forbidden-probe.js"), nlohmann::json::object(), [weak](JsResult r) {
    auto self = weak.lock();
    if (!self || !r.isText()) return;
    auto hit = TabRules::parseForbiddenProbe(r.text());
    if (!hit) return;
    logLine("NAV", "403：" + hit->path + " —— " + hit->text);
    if (auto m = self->store_.lock()) m->markForbidden(hit->path);
    self->renderDeniedPage(hit->path, hit->text);
  });
}

void TabController::renderDeniedPage(const std::string& path, const std::string& detail) {
  auto m = store_.lock();
  std::string account = m ? TabRules::accountLine(m->badges.get()) : "当前账号";
  // The values travel as arguments and are inserted as text, never as markup.
  callAsyncFunction(PageScripts::resource("denied-page.js"),
                    nlohmann::json{{"account", account}, {"path", path}, {"detail", detail}}, [](JsResult) {});
}

bool TabController::onScriptDialog(WebKitScriptDialog* dialog) {
  auto type = webkit_script_dialog_get_dialog_type(dialog);
  if (AppArgs::isDiagnosticMode()) {
    // Quiet mode: answered at once, no window.
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM || type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
      webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
    return TRUE;
  }
  GtkWidget* w = view_ ? GTK_WIDGET(view_.get()) : nullptr;
  GtkWindow* parent = w ? GTK_WINDOW(gtk_widget_get_root(w)) : nullptr;
  PagePanels::show(parent, dialog);
  return TRUE;
}

bool TabController::onFileChooser(WebKitFileChooserRequest* request) {
  bool multi = webkit_file_chooser_request_get_select_multiple(request);
  if (AppArgs::isDiagnosticMode()) {
    webkit_file_chooser_request_cancel(request);
    return TRUE;
  }
  logLine("UPLOAD", std::string("打开文件选择框 multi=") + (multi ? "1" : "0") + " dir=0");
  GtkWidget* w = view_ ? GTK_WIDGET(view_.get()) : nullptr;
  PagePanels::chooseFiles(w ? GTK_WINDOW(gtk_widget_get_root(w)) : nullptr, request);
  return TRUE;
}

}  // namespace quorvel

namespace quorvel {
namespace {
struct DownloadState {
  std::weak_ptr<TabController> controller;
  std::string path;
  bool failed = false;
};
}  // namespace

void TabController::onDownloadStarted(WebKitDownload* download) {
  auto* state = new DownloadState{weak_from_this(), {}, false};
  g_signal_connect_data(
      download, "decide-destination",
      G_CALLBACK(+[](WebKitDownload* d, gchar* suggested, gpointer data) -> gboolean {
        auto* st = static_cast<DownloadState*>(data);
        std::optional<fs::path> dest;
        WebKitURIResponse* resp = webkit_download_get_response(d);
        const char* uri = resp ? webkit_uri_response_get_uri(resp) : nullptr;
        if (auto u = uri ? Url::parse(uri) : std::nullopt) {
          if (auto rel = u->queryItem("path"); rel && !rel->empty()) dest = PreviewCache::prepareDestination(*rel);
        }
        if (!dest) {
          std::string name = TabRules::safeDownloadName(suggested ? suggested : "");
          dest = TabRules::uniqueDownloadPath(AppConfig::downloadDir(), name, [](const fs::path& p) {
            std::error_code ec;
            return fs::exists(fs::symlink_status(p, ec));
          });
        }
        st->path = dest->string();
        if (auto c = st->controller.lock()) c->destinations_[d] = *dest;
        webkit_download_set_allow_overwrite(d, FALSE);
        webkit_download_set_destination(d, st->path.c_str());
        logLine("TAB", "下载到 " + st->path);
        return TRUE;
      }),
      state, nullptr, GConnectFlags(0));
  g_signal_connect_data(
      download, "failed",
      G_CALLBACK(+[](WebKitDownload* d, GError* error, gpointer data) {
        auto* st = static_cast<DownloadState*>(data);
        st->failed = true;
        // A broken download leaves no half file behind.
        if (!st->path.empty()) {
          std::error_code ec;
          fs::remove(st->path, ec);
        }
        logLine("TAB", "下载失败：" + std::string(error ? error->message : "未知错误") +
                           (st->path.empty() ? "" : "（" + st->path + "）"));
        if (auto c = st->controller.lock()) c->destinations_.erase(d);
      }),
      state, nullptr, GConnectFlags(0));
  g_signal_connect_data(
      download, "finished",
      G_CALLBACK(+[](WebKitDownload* d, gpointer data) {
        auto* st = static_cast<DownloadState*>(data);
        auto c = st->controller.lock();
        if (c) {
          auto it = c->destinations_.find(d);
          if (it != c->destinations_.end()) {
            if (!st->failed) Desktop::revealFile(it->second);
            c->destinations_.erase(it);
          }
        }
        if (!st->failed && !st->path.empty()) logLine("TAB", "下载完成：" + st->path);
      }),
      state, [](gpointer data, GClosure*) { delete static_cast<DownloadState*>(data); }, GConnectFlags(0));
}

}  // namespace quorvel
