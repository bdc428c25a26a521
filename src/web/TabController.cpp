#include "web/TabController.h"

#include "base/Url.h"
#include "core/MenuCommands.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <utility>

#include "base/ErrorDomains.h"
#include "base/Async.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "web/rules/LoadFailure.h"
#include "web/rules/TabRules.h"
#include "platform/Desktop.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"
#include "web/JsValues.h"
#include "web/PagePanelPresenter.h"
#include "web/PageScripts.h"
#include "web/WebEngine.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
constexpr const char* kControllerKey = "quorvel-tab-controller";
constexpr unsigned kLoadTimeoutSeconds = 60;

}  // namespace

struct TabControllerSignals {
  static void loadChanged(WebKitWebView*, WebKitLoadEvent e, gpointer self) {
    static_cast<TabController*>(self)->onLoadChanged(e);
  }
  static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer self) {
    // Handled here: the engine's own error page never shows.
    return static_cast<TabController*>(self)->onLoadFailed(uri ? uri : "", error);
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

TabController::TabController(const std::shared_ptr<BrowserModel>& store, WebEngine& engine)
    : store_(store), engine_(engine), bridge_(std::make_shared<NativeBridge>(store, engine.pageActions())) {}

TabController::~TabController() {
  teardown();
}

TabController* TabController::fromView(WebKitWebView* view) {
  return static_cast<TabController*>(g_object_get_data(G_OBJECT(view), kControllerKey));
}

WebKitWebView* TabController::makeWebView() {
  if (view_) return view_.get();
  ucm_ = engine_.makeContentManager();
  auto settings = engine_.makeSettings();
  // Its own scripts and handlers, and a process shared with a few other tabs.
  WebKitWebView* related = engine_.joinProcessGroup(*this);
  processGroups_ = engine_.processGroups();
  if (auto* sibling = related ? fromView(related) : nullptr) committedSite_ = sibling->committedSite_;
  // A related view brings its network session along.
  view_ = GObjectPtr<WebKitWebView>::retain(WEBKIT_WEB_VIEW(
      related ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related, "user-content-manager", ucm_.get(),
                             "settings", settings.get(), nullptr)
              : g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", engine_.network(), "user-content-manager",
                             ucm_.get(), "settings", settings.get(), nullptr)));
  g_object_set_data(G_OBJECT(view_.get()), kControllerKey, this);
  gtk_widget_set_hexpand(GTK_WIDGET(view_.get()), TRUE);
  gtk_widget_set_vexpand(GTK_WIDGET(view_.get()), TRUE);
  // Handlers reach this controller and the bridge only weakly.
  handlers_.emplace_back(ucm_.get(), WeakScriptMessageHandler::install(view_, "nav", weak_from_this()));
  handlers_.emplace_back(ucm_.get(), WeakScriptMessageHandler::install(view_, "bridge", bridge_));
  handlers_.emplace_back(ucm_.get(), WeakScriptMessageHandler::install(view_, "action", bridge_));

  auto connect = [this](const char* sig, GCallback cb) {
    handlers_.emplace_back(view_.get(), g_signal_connect(view_.get(), sig, cb, this));
  };
  connect("load-changed", G_CALLBACK(TabControllerSignals::loadChanged));
  connect("load-failed", G_CALLBACK(TabControllerSignals::loadFailed));
  connect("web-process-terminated", G_CALLBACK(TabControllerSignals::terminated));
  connect("decide-policy", G_CALLBACK(TabControllerSignals::decidePolicy));
  connect("create", G_CALLBACK(TabControllerSignals::create));
  connect("notify::title", G_CALLBACK(TabControllerSignals::titleChanged));
  connect("script-dialog", G_CALLBACK(TabControllerSignals::scriptDialog));
  connect("run-file-chooser", G_CALLBACK(TabControllerSignals::fileChooser));

  // Page zoom: "webzoom" wins when it is a number (kept within 0.6 … 1.8); 0 or less
  // leaves the default.
  if (auto zoom = engine_.defaults().number("webzoom")) {
    if (*zoom > 0) webkit_web_view_set_zoom_level(view_, PageZoom::clamped(*zoom));
  } else if (auto scale = engine_.defaults().number("fontScale")) {
    // The workspace's font scale, which is remembered whenever it changes.
    if (*scale > 0) webkit_web_view_set_zoom_level(view_, *scale);
  } else {
    webkit_web_view_set_zoom_level(view_, 1.0);
  }
  return view_.get();
}

void TabController::teardown() {
  if (!view_) return;
  handlers_.clear();
  calls_.cancel();
  if (ucm_) {
    for (const char* name : {"nav", "bridge", "action"})
      webkit_user_content_manager_unregister_script_message_handler(ucm_, name, nullptr);
    webkit_user_content_manager_remove_all_scripts(ucm_);
  }
  webkit_web_view_stop_loading(view_);
  g_object_set_data(G_OBJECT(view_.get()), kControllerKey, nullptr);
  // The engine may keep a closed page's process for reuse; a released tab must give
  // its memory back. A process other tabs still use stays.
  auto groups = processGroups_.lock();
  if (!groups || groups->leave(this)) webkit_web_view_terminate_web_process(view_);
  GtkWidget* w = GTK_WIDGET(view_.get());
  if (GtkWidget* parent = gtk_widget_get_parent(w)) {
    if (GTK_IS_BOX(parent)) gtk_box_remove(GTK_BOX(parent), w);
    else gtk_widget_unparent(w);
  }
  view_.reset();
  ucm_.reset();
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
  if (auto t = tab_.lock()) t->intendedURL = url;
  webkit_web_view_load_uri(view_, url.toString().c_str());
}

void TabController::load(const std::string& path) {
  if (!view_ || tab_.expired()) return;
  if (auto url = urlForServicePath(AppConfig::homeURL(engine_.defaults()), path)) loadURL(*url, kLoadTimeoutSeconds);
}

void TabController::stopLoading() {
  if (!view_) return;
  // A stopped load leaves the page that was shown; a failed one stays the tab's aim.
  if (auto t = tab_.lock(); t && !showingFailurePage_) t->intendedURL.reset();
  webkit_web_view_stop_loading(view_);
}
void TabController::goBack() {
  if (view_ && webkit_web_view_can_go_back(view_)) webkit_web_view_go_back(view_);
}

void TabController::goForward() {
  if (view_ && webkit_web_view_can_go_forward(view_)) webkit_web_view_go_forward(view_);
}

void TabController::reload() {
  if (!view_) return;
  // The failure message stands in for the page the tab was meant to show: load that again.
  auto t = tab_.lock();
  if (showingFailurePage_ && t && t->intendedURL) {
    loadURL(*t->intendedURL, kLoadTimeoutSeconds);
    return;
  }
  webkit_web_view_reload(view_);
}

bool TabController::isInWindow() const { return view_ && gtk_widget_get_root(GTK_WIDGET(view_.get())) != nullptr; }
void TabController::focus() {
  if (view_) gtk_widget_grab_focus(GTK_WIDGET(view_.get()));
}

bool TabController::showsServicePage() const {
  if (showingFailurePage_) return false;
  auto u = currentURL();
  if (!u) return false;
  auto parsed = Url::parse(*u);
  return parsed && isServiceOrigin(*parsed, AppConfig::homeURL(engine_.defaults()));
}

void TabController::evaluate(const std::string& script) {
  if (!view_ || script.empty()) return;
  webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
}

namespace {
JsResult resultOf(JSCValue* v) {
  if (jsc_value_is_string(v)) {
    // As bytes with their length: a NUL inside the text does not end it.
    GBytes* bytes = jsc_value_to_string_as_bytes(v);
    gsize size = 0;
    const auto* data = bytes ? static_cast<const char*>(g_bytes_get_data(bytes, &size)) : nullptr;
    std::string text(data ? data : "", data ? size : 0);
    if (bytes) g_bytes_unref(bytes);
    return JsResult::success(std::move(text));
  }
  if (jsc_value_is_undefined(v) || jsc_value_is_null(v)) return JsResult::success(nullptr);
  auto parsed = nlohmann::json::parse(JsValues::toJsonText(v), nullptr, false);
  return JsResult::success(parsed.is_discarded() ? nlohmann::json(nullptr) : parsed);
}

Task<void> callPageFunction(GObjectPtr<WebKitWebView> view, std::string body, GVariant* args,
                            GCancellable* cancellable, std::function<void(JsResult)> done) {
  GVariantPtr arguments(g_variant_ref_sink(args));
  auto call = asyncCall<JsResult>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        webkit_web_view_call_async_javascript_function(view, body.c_str(), -1, arguments.get(), nullptr, nullptr, c,
                                                       cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        GObjectPtr<JSCValue> v =
            GObjectPtr<JSCValue>::adopt(webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(src), res, error));
        // Without a value the error is set and thrown in its place.
        return v ? resultOf(v) : JsResult::success(nullptr);
      },
      // A released tab's page may live on in a process it shared: its promise may never settle.
      cancellable, OnCancel::resumeAtOnce);
  std::optional<JsResult> r;
  try {
    r = co_await call;
  } catch (const AppError& e) {
    r = JsResult::failure(e.domain, e.code, e.message.empty() ? "脚本执行失败" : e.message);
  }
  done(std::move(*r));
}
}  // namespace

void TabController::callAsyncFunction(const std::string& body, const nlohmann::json& args,
                                      std::function<void(JsResult)> done) {
  if (!view_) {
    done(JsResult::failure(errors::kQuorvel, errors::kNoPage, "没有打开的页面（请先登录）"));
    return;
  }
  spawn(callPageFunction(view_, body, JsValues::toArguments(args), calls_.get(), std::move(done)));
}

std::string TabController::shortTitle(const std::string& title) { return TabRules::shortTitle(title); }

void TabController::syncIfActive() {
  auto m = store_.lock();
  auto t = tab_.lock();
  if (m && t && m->activeID().get() && *m->activeID().get() == t->id()) m->syncActiveState();
}

void TabController::onLoadChanged(WebKitLoadEvent event) {
  auto t = tab_.lock();
  if (!t) return;
  if (event == WEBKIT_LOAD_STARTED) {
    titlePending_ = false;
    committed_ = false;
    loadFailed_ = false;
    refusedURI_.clear();
    requestedURI_ = currentURL().value_or("");
    showingFailurePage_ = std::exchange(failurePagePending_, false);
    t->loadStarted();
    syncIfActive();
  } else if (event == WEBKIT_LOAD_REDIRECTED) {
    requestedURI_ = currentURL().value_or("");
  } else if (event == WEBKIT_LOAD_COMMITTED) {
    committed_ = true;
    // A load the engine refuses without an error (a restricted port) commits an empty
    // page in place of the address asked for.
    if (!showingFailurePage_ && currentURL() == "about:blank" && requestedURI_ != "about:blank" &&
        Url::parse(requestedURI_)) {
      refusedURI_ = requestedURI_;
      return;
    }
    noteCommittedSite();
  } else if (event == WEBKIT_LOAD_FINISHED) {
    if (!refusedURI_.empty()) {
      std::string uri = std::exchange(refusedURI_, "");
      failLoad(uri, LoadFailure::refusedLoadReason(uri));
      onEndedWithoutPage();
      return;
    }
    // The engine ends a failed load with FINISHED as well.
    if (!committed_ || loadFailed_ || showingFailurePage_) onEndedWithoutPage();
    else onFinished();
  }
}

bool TabController::divertsToSystem(const std::string& uri) const {
  return TabRules::decideNavigation(uri, AppConfig::homeURL(engine_.defaults())).action == TabRules::NavAction::openExternally;
}

bool TabController::onLoadFailed(const std::string& failingURI, GError* error) {
  auto t = tab_.lock();
  if (!t || !view_) return TRUE;
  // A newer load, the user's stop, a download or a refused response: no failure. (A
  // newer load may have started already, so its state stays untouched.)
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
    if (t->intendedURL && t->intendedURL->toString() == failingURI) t->intendedURL.reset();
    return TRUE;
  }
  std::string reason;
  if (g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT))
    reason = "该端口不允许访问";
  else if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL) ||
           g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI))
    reason = "无法显示这种地址";
  else
    reason = LoadFailure::reason(error ? g_quark_to_string(error->domain) : "", error ? error->code : 0,
                                 error && error->message ? error->message : "");
  failLoad(failingURI, reason);
  return TRUE;
}

void TabController::failLoad(const std::string& failingURI, const std::string& reason) {
  auto t = tab_.lock();
  if (!t || !view_) return;
  loadFailed_ = true;
  // Only the main frame's loads fail here: this one was meant for the system.
  if (divertsToSystem(failingURI)) {
    if (t->intendedURL && t->intendedURL->toString() == failingURI) t->intendedURL.reset();
    openExternally(failingURI);
    return;
  }
  logLine(tags::kTab, "载入失败 " + failingURI + "：" + reason, LogLevel::warning);
  // The tab keeps the address it was meant to show.
  if (auto url = Url::parse(failingURI)) {
    t->intendedURL = *url;
    if (isServiceOrigin(*url, AppConfig::homeURL(engine_.defaults()))) t->showPath(url->decodedPath());
  }
  showLoadFailure(failingURI, reason);
}

void TabController::showLoadFailure(const std::string& failingURI, const std::string& reason) {
  // The view keeps the failing address, so a reload retries it.
  failurePagePending_ = true;
  webkit_web_view_load_alternate_html(view_, LoadFailure::page(failingURI, reason).c_str(), failingURI.c_str(), nullptr);
}

void TabController::onEndedWithoutPage() {
  auto t = tab_.lock();
  if (!t || !view_) return;
  t->loadEnded(canGoBack(), canGoForward());
  syncIfActive();
}

int TabController::mainResponseStatus() const {
  WebKitWebResource* main = view_ ? webkit_web_view_get_main_resource(view_) : nullptr;
  WebKitURIResponse* response = main ? webkit_web_resource_get_response(main) : nullptr;
  return response ? static_cast<int>(webkit_uri_response_get_status_code(response)) : 0;
}

std::string TabController::siteOf(const std::string& uri) {
  auto url = Url::parse(uri);
  if (!url) return uri;
  if (url->host.empty()) return url->scheme;
  // The registrable domain, as the engine draws its process lines; a bare host or an
  // address stands for itself.
  return url->scheme + "://" + toLowerAscii(http::registrableDomain(url->host));
}

void TabController::noteCommittedSite() {
  const char* uri = webkit_web_view_get_uri(view_);
  std::string site = siteOf(uri ? uri : "");
  // A blank document is shown in the process the view already has.
  if (site == "about") return;
  // A page that goes to another site moves to another process: it shares no more.
  if (!committedSite_.empty() && site != committedSite_)
    if (auto groups = processGroups_.lock()) groups->separate(this);
  committedSite_ = std::move(site);
}

void TabController::onProcessTerminated() {
  // Each page of an ended process starts a process of its own when it reloads.
  if (auto groups = processGroups_.lock()) groups->separate(this);
  if (auto t = tab_.lock()) t->loadStopped();
  syncIfActive();
  logLine(tags::kTab, "网页进程已退出，自动重新载入");
  if (view_) webkit_web_view_reload(view_);
}

void TabController::onFinished() {
  auto t = tab_.lock();
  auto m = store_.lock();
  if (!t || !view_) return;
  t->intendedURL.reset();
  t->loadEnded(canGoBack(), canGoForward());
  auto uri = currentURL();
  std::optional<Url> url = uri ? Url::parse(*uri) : std::nullopt;
  if (url && !url->path.empty()) t->showPath(url->decodedPath());
  // The engine may report the page title a moment after the load has finished.
  titlePending_ = true;
  applyPageTitle();
  syncIfActive();

  evaluate(PageScripts::resource("chrome-hiding.js"));
  if (showsServicePage()) {
    callAsyncFunction(PageScripts::resource("nav-items.js"), nlohmann::json::object(), [](JsResult) {});
  }
  // Only the service's own answer says "denied", never the text of a page.
  if (mainResponseStatus() == 403) checkForbidden();
  evaluate(PageScripts::resource("action-buttons.js"));
  if (m) m->reads().refreshBadges();
  if (m && url) m->pageFinished().emit(url->decodedPath());
}

void TabController::applyPageTitle() {
  auto t = tab_.lock();
  if (!t || !view_ || !titlePending_) return;
  const char* rawTitle = webkit_web_view_get_title(view_);
  std::string title = rawTitle ? rawTitle : "";
  if (title.empty()) return;
  titlePending_ = false;
  t->showTitle(TabRules::shortTitle(title));
  if (auto id = TabRules::proceedingId(t->currentPath.get())) {
    if (auto m = store_.lock()) m->account().rememberProceeding(*id, title);
  }
}

void TabController::handleNewWindow(const std::string& uri) {
  auto d = TabRules::decideNewWindow(uri, AppConfig::homeURL(engine_.defaults()));
  switch (d.kind) {
    case TabRules::NewWindowDecision::openTab:
      if (auto m = store_.lock()) m->newTab(d.pathAndQuery, "新标签");
      break;
    case TabRules::NewWindowDecision::openExternally: openExternally(uri); break;
    case TabRules::NewWindowDecision::deepLink: logLine(tags::kDeepLink, "应用内链接暂不处理：" + uri); break;
    case TabRules::NewWindowDecision::ignore: logLine(tags::kNav, "已拦截新窗口：" + d.reason); break;
  }
}

void TabController::openExternally(const std::string& uri) { engine_.desktop().openURI(uri); }

bool TabController::onDecidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  Url home = AppConfig::homeURL(engine_.defaults());
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION || type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* req = webkit_navigation_action_get_request(action);
    std::string uri = req && webkit_uri_request_get_uri(req) ? webkit_uri_request_get_uri(req) : "";
    // The failure message's button: the tab asks for its address again. (A link to the
    // address itself never reaches us for a port the engine refuses.)
    if (uri == LoadFailure::kRetryLink) {
      webkit_policy_decision_ignore(decision);
      if (showingFailurePage_ && type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) reload();
      return TRUE;
    }
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
        // The engine does not say which frame navigates. A frame keeps its own page;
        // the main frame's load is stopped at its response or failure and handed to
        // the system there (onDecidePolicy's response branch, onLoadFailed).
        webkit_policy_decision_use(decision);
        break;
      case TabRules::NavAction::deepLink:
        webkit_policy_decision_ignore(decision);
        logLine(tags::kDeepLink, "应用内链接暂不处理：" + uri);
        break;
      case TabRules::NavAction::cancel:
        webkit_policy_decision_ignore(decision);
        logLine(tags::kNav, "已拦截：" + d.reason);
        break;
    }
    return TRUE;
  }
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* rd = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* resp = webkit_response_policy_decision_get_response(rd);
    if (webkit_response_policy_decision_is_main_frame_main_resource(rd)) {
      WebKitURIRequest* req = webkit_response_policy_decision_get_request(rd);
      std::string uri = req && webkit_uri_request_get_uri(req) ? webkit_uri_request_get_uri(req) : "";
      if (divertsToSystem(uri)) {
        webkit_policy_decision_ignore(decision);
        openExternally(uri);
        return TRUE;
      }
    }
    bool download = !webkit_response_policy_decision_is_mime_type_supported(rd);
    if (auto cd = http::headerValue(resp ? webkit_uri_response_get_http_headers(resp) : nullptr, "Content-Disposition"))
      if (TabRules::isAttachment(*cd)) download = true;
    if (download) webkit_policy_decision_download(decision);
    else webkit_policy_decision_use(decision);
    return TRUE;
  }
  return FALSE;
}

void TabController::didReceive(WebKitUserContentManager*, const ScriptMessage& message) {
  if (message.name != "nav") return;
  if (!showsServicePage()) {
    logLine(tags::kBridge, "丢弃来自非服务页面的 nav 消息");
    return;
  }
  if (!message.topFrame) {
    logLine(tags::kBridge, "丢弃来自页面内框架的 nav 消息");
    return;
  }
  onNavMessage(message.body);
}

void TabController::onNavMessage(JSCValue* value) {
  if (!value || !jsc_value_is_string(value)) return;
  gchar* s = jsc_value_to_string(value);
  std::string body = s ? s : "";
  g_free(s);
  auto items = TabRules::parseNavMessage(body);
  if (items.empty()) return;
  std::weak_ptr<BrowserModel> weak = store_;
  postToMain([weak, items] {
    if (auto m = weak.lock()) m->account().setNavItems(items);
  });
}

void TabController::checkForbidden() {
  std::weak_ptr<TabController> weak = weak_from_this();
  callAsyncFunction(PageScripts::resource("forbidden-probe.js"), nlohmann::json::object(), [weak](JsResult r) {
    auto self = weak.lock();
    if (!self || !r.isText()) return;
    auto hit = TabRules::parseForbiddenProbe(r.text());
    if (!hit) return;
    logLine(tags::kNav, "403：" + hit->path + " —— " + hit->text);
    if (auto m = self->store_.lock()) m->account().markForbidden(hit->path);
    self->renderDeniedPage(hit->path, hit->text);
  });
}

void TabController::renderDeniedPage(const std::string& path, const std::string& detail) {
  auto m = store_.lock();
  std::string account = m ? TabRules::accountLine(m->account().badges.get()) : "当前账号";
  // The values travel as arguments and are inserted as text, never as markup.
  callAsyncFunction(PageScripts::resource("denied-page.js"),
                    nlohmann::json{{"account", account}, {"path", path}, {"detail", detail}}, [](JsResult) {});
}

bool TabController::onScriptDialog(WebKitScriptDialog* dialog) {
  engine_.panels().showScriptDialog(view_, dialog);
  return TRUE;
}

bool TabController::onFileChooser(WebKitFileChooserRequest* request) {
  engine_.panels().chooseFiles(view_, request);
  return TRUE;
}

WebKitWebView* TabController::viewOf(WebPage* page) {
  auto* c = dynamic_cast<TabController*>(page);
  return c ? c->view() : nullptr;
}

}  // namespace quorvel
