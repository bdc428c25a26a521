#pragma once
#include <string>

namespace quorvel::test {

class TestService;

// The demo firm's contracts and clients as "/api/desktop/nodes" answers them (the
// system-search index is built from it).
std::string searchDemoNodesJson();
void installSearchRoutes(TestService& service);

}  // namespace quorvel::test
