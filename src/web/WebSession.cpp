#include "web/WebSession.h"

#include <libsoup/soup.h>

#include "app/AppConfig.h"
#include "platform/XdgDirs.h"

namespace quorvel::WebSession {

WebKitNetworkSession* network() {
  static WebKitNetworkSession* session = [] {
    auto data = (AppConfig::dataDir() / "web").string();
    auto cache = (xdg::home() / ".cache" / "Quorvel" / "web").string();
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && *c == '/') cache = std::string(c) + "/Quorvel/web";
    WebKitNetworkSession* s = webkit_network_session_new(data.c_str(), cache.c_str());
    WebKitCookieManager* cm = webkit_network_session_get_cookie_manager(s);
    webkit_cookie_manager_set_persistent_storage(cm, (AppConfig::dataDir() / "cookies.sqlite").c_str(),
                                                 WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    webkit_cookie_manager_set_accept_policy(cm, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
    return s;
  }();
  return session;
}

void allCookies(std::function<void(std::vector<Cookie>)> done) {
  WebKitCookieManager* cm = webkit_network_session_get_cookie_manager(network());
  auto* heap = new std::function<void(std::vector<Cookie>)>(std::move(done));
  webkit_cookie_manager_get_all_cookies(
      cm, nullptr,
      [](GObject* src, GAsyncResult* res, gpointer data) {
        std::unique_ptr<std::function<void(std::vector<Cookie>)>> fn(
            static_cast<std::function<void(std::vector<Cookie>)>*>(data));
        std::vector<Cookie> out;
        GList* list = webkit_cookie_manager_get_all_cookies_finish(WEBKIT_COOKIE_MANAGER(src), res, nullptr);
        for (GList* l = list; l; l = l->next) {
          auto* c = static_cast<SoupCookie*>(l->data);
          out.push_back(Cookie{soup_cookie_get_name(c), soup_cookie_get_value(c),
                               soup_cookie_get_domain(c) ? soup_cookie_get_domain(c) : "",
                               soup_cookie_get_path(c) ? soup_cookie_get_path(c) : "",
                               static_cast<bool>(soup_cookie_get_secure(c))});
        }
        g_list_free_full(list, reinterpret_cast<GDestroyNotify>(soup_cookie_free));
        (*fn)(std::move(out));
      },
      heap);
}

}  // namespace quorvel::WebSession
