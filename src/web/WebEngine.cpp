#include "web/WebEngine.h"

#include "base/Async.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "core/RendererChoice.h"
#include "platform/Http.h"
#include "platform/XdgDirs.h"
#include "web/Downloads.h"
#include "web/MessageSeal.h"
#include "web/PageScripts.h"
#include "web/TabController.h"

namespace quorvel {
namespace {
GObjectPtr<WebKitNetworkSession> makeNetworkSession(bool ephemeral) {
  if (ephemeral) return GObjectPtr<WebKitNetworkSession>::adopt(webkit_network_session_new_ephemeral());
  auto data = (AppConfig::dataDir() / "web").string();
  auto cache = (xdg::cacheHome() / "Quorvel" / "web").string();
  auto s = GObjectPtr<WebKitNetworkSession>::adopt(webkit_network_session_new(data.c_str(), cache.c_str()));
  WebKitCookieManager* cm = webkit_network_session_get_cookie_manager(s);
  webkit_cookie_manager_set_persistent_storage(cm, (AppConfig::dataDir() / "cookies.sqlite").c_str(),
                                               WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  return s;
}
}  // namespace

WebEngine::WebEngine(Options options, UserDefaults& defaults, PageActions& actions, PagePanelPresenter& panels,
                     Desktop& desktop)
    : options_(options), defaults_(defaults), actions_(actions), panels_(panels), desktop_(desktop) {
  network_ = makeNetworkSession(options.ephemeral);
  webkit_cookie_manager_set_accept_policy(webkit_network_session_get_cookie_manager(network_),
                                          WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);

  auto addSource = [this](const std::string& src, WebKitUserScriptInjectionTime when) {
    if (src.empty()) return;
    scripts_.push_back(
        webkit_user_script_new(src.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, when, nullptr, nullptr));
  };
  auto addScript = [&](const char* file, WebKitUserScriptInjectionTime when) {
    addSource(PageScripts::resource(file), when);
  };
  // First, before any page script can reach the handlers.
  addSource(MessageSeal::script(), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  addScript("chrome-hiding.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  addScript("bridge.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  addScript("action-buttons.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END);
  if (options.dragAndDrop) addScript("drag-drop.js", WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);

  downloads_ = std::make_unique<Downloads>(*this);
}

WebEngine::~WebEngine() {
  // A page that outlives the engine (its model is still held elsewhere) loses its view
  // now, so no late signal or script message reaches the engine through it.
  for (const void* member : processGroups_->members())
    const_cast<TabController*>(static_cast<const TabController*>(member))->teardown();
  downloads_.reset();
  for (WebKitUserScript* s : scripts_) webkit_user_script_unref(s);
}

GObjectPtr<WebKitUserContentManager> WebEngine::makeContentManager() const {
  auto ucm = GObjectPtr<WebKitUserContentManager>::adopt(webkit_user_content_manager_new());
  for (WebKitUserScript* s : scripts_) webkit_user_content_manager_add_script(ucm, s);
  return ucm;
}

GObjectPtr<WebKitSettings> WebEngine::makeSettings() const {
  auto settings = GObjectPtr<WebKitSettings>::adopt(webkit_settings_new());
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  webkit_settings_set_enable_javascript(settings, TRUE);
  webkit_settings_set_enable_back_forward_navigation_gestures(settings, TRUE);
  webkit_settings_set_user_agent(settings, AppConfig::userAgent().c_str());
  // Where OpenGL runs in software, compositing a page through it costs about 80 MiB
  // per page once shown, and nothing is faster for it: the page draws the same without.
  if (options_.softwareGL.value_or(false))
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  return settings;
}

PageFactory WebEngine::pageFactory() {
  return [this](const std::shared_ptr<BrowserModel>& model,
                const std::shared_ptr<BrowserTab>& tab) -> std::shared_ptr<WebPage> {
    auto c = std::make_shared<TabController>(model, *this);
    c->makeWebView();
    c->setTab(tab);
    return c;
  };
}

WebKitWebView* WebEngine::joinProcessGroup(const TabController& tab) {
  const void* other = processGroups_->join(&tab);
  return other ? static_cast<const TabController*>(other)->view() : nullptr;
}

Task<std::vector<NativeCookie>> WebEngine::cookies() {
  WebKitCookieManager* cm = webkit_network_session_get_cookie_manager(network_);
  auto read = asyncCall<std::vector<NativeCookie>>(
      [cm](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        webkit_cookie_manager_get_all_cookies(cm, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        std::vector<NativeCookie> out;
        GList* list = webkit_cookie_manager_get_all_cookies_finish(WEBKIT_COOKIE_MANAGER(src), res, error);
        for (auto& c : http::takeCookies(list)) out.push_back(NativeCookie{c.name, c.value, c.domain, c.secure});
        return out;
      });
  try {
    co_return co_await read;
  } catch (const AppError& e) {
    logLine(tags::kCookie, "读取 Cookie 失败：" + e.message, LogLevel::warning);
    co_return std::vector<NativeCookie>{};
  }
}

Task<void> WebEngine::clearWebData() {
  WebKitWebsiteDataManager* mgr = webkit_network_session_get_website_data_manager(network_);
  auto clear = asyncCall<bool>(
      [mgr](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        webkit_website_data_manager_clear(mgr, WEBKIT_WEBSITE_DATA_ALL, 0, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        return static_cast<bool>(webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(src), res, error));
      });
  try {
    co_await clear;
    logLine(tags::kApp, "已清除网页数据（登录态）");
  } catch (const AppError& e) {
    logLine(tags::kApp, "清除网页数据失败：" + e.message, LogLevel::warning);
    throw;
  }
}

}  // namespace quorvel
