#pragma once
// The service's client-version endpoint and download page. The demo publishes the
// Linux client's own version, so a check answers "已是最新版本".
#include <string>

#include "TestService.h"

namespace quorvel::test {

void installUpdateRoutes(TestService& service);

// What "/api/desktop/version" answers unless a test replaces it.
std::string demoVersionJson();
// Replaces the reply of "/api/desktop/version" (any body, e.g. not JSON at all).
void setVersionReply(TestService& service, std::string body, std::string contentType = "application/json");
// Serves `bytes` at `path` as a download (application/octet-stream).
void servePackage(TestService& service, const std::string& path, std::string bytes);

}  // namespace quorvel::test
