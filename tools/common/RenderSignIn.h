#pragma once
// Signs the render tools' web store in to the local test service: its session cookie
// in the engine's cookie store, confirmed before the first page loads.
#include <libsoup/soup.h>
#include <webkit/webkit.h>

#include "TestService.h"
#include "base/MainQueue.h"

namespace quorvel::tools {

inline bool signInForRender(WebKitNetworkSession* session, test::TestService& service) {
  SoupCookie* cookie =
      soup_cookie_new(test::TestService::kSessionCookie, service.issueSession().c_str(), "127.0.0.1", "/", -1);
  bool added = false;
  webkit_cookie_manager_add_cookie(
      webkit_network_session_get_cookie_manager(session), cookie, nullptr,
      [](GObject*, GAsyncResult*, gpointer flag) { *static_cast<bool*>(flag) = true; }, &added);
  soup_cookie_free(cookie);
  return runMainLoopUntil([&] { return added; }, 5000);
}

}  // namespace quorvel::tools
