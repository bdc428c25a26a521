// Clearing the shared web-data store (the sign-in cookie lives there).
#include <webkit/webkit.h>

#include "app/AppConfig.h"
#include "core/Log.h"
#include "web/WebSession.h"

namespace quorvel::AppConfig {

void clearWebData(std::function<void()> done) {
  WebKitWebsiteDataManager* mgr = webkit_network_session_get_website_data_manager(WebSession::network());
  auto* heap = new std::function<void()>(std::move(done));
  webkit_website_data_manager_clear(
      mgr, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr,
      [](GObject* src, GAsyncResult* res, gpointer data) {
        std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(data));
        GError* err = nullptr;
        if (!webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(src), res, &err)) {
          logLine("", std::string("清除网页数据失败：") + (err ? err->message : "?"));
          g_clear_error(&err);
        } else {
          logLine("", "已清除网页数据（登录态）");
        }
        if (*fn) (*fn)();
      },
      heap);
}

}  // namespace quorvel::AppConfig
