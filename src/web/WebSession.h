#pragma once
#include <webkit/webkit.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvel::WebSession {

// The one persistent network session every tab shares (cookies kept on disk in
// the data folder).
WebKitNetworkSession* network();

struct Cookie {
  std::string name, value, domain, path;
  bool secure = false;
};
// All cookies of the shared store; `done` runs on the main thread.
void allCookies(std::function<void(std::vector<Cookie>)> done);

}  // namespace quorvel::WebSession
