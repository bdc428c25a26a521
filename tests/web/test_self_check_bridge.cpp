// The self-check's bridge and drag-and-drop checks in a real tab of the test service:
// the page's question through the bridge must come back answered, so a native side
// that stays silent or the client's own error page fails "bridge" by name; the
// drag-and-drop hook is read from what the page holds.
#include <gtest/gtest.h>

#include <algorithm>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "core/BrowserModel.h"
#include "diagnostics/SelfTest.h"
#include "web/TabController.h"
#include "web/WebEngine.h"

using namespace quorvel;
using namespace quorvel::test;
using nlohmann::json;

namespace {

class SelfCheckBridge : public ServiceTabFixture {
 protected:
  std::shared_ptr<BrowserTab> tab;

  void open(const std::string& path) {
    ASSERT_TRUE(openWorkspace(path)) << model->activeTab()->currentPath.get();
    tab = model->activeTab();
  }

  // The whole self-check over the fixture's services and the open tab.
  json runSelfCheck() {
    SelfTest check(model, SelfTest::Services{services->webEngine(), defaults, services->volume(), services->workers()},
                   [] {});
    auto outcome = runToEnd(check.runAll(), 60000);
    return outcome->value ? *outcome->value : json();
  }

  static bool failed(const json& report, const std::string& name) {
    const json& list = report["failures"];
    return std::find(list.begin(), list.end(), name) != list.end();
  }
};

}  // namespace

TEST_F(SelfCheckBridge, TheNativeSideAnswersThePagesQuestionAndThePageHoldsTheDragHook) {
  signIn();
  open("/dashboard");
  json report = runSelfCheck();
  ASSERT_TRUE(report.is_object());
  const json& bridge = report["bridge"];
  EXPECT_EQ(bridge.value("roundTrip", false), true) << bridge.dump();
  EXPECT_NE(bridge.value("bridgeReply", "").find("\"ok\":true"), std::string::npos) << bridge.dump();
  for (const char* flag : {"hasBridge", "hasBridgeHandler", "hasActionHandler", "hasNavHandler", "hasDragDropHook"})
    EXPECT_EQ(bridge.value(flag, false), true) << flag;
  EXPECT_FALSE(failed(report, "bridge")) << report["failures"].dump();
  EXPECT_EQ(report["dragDrop"], "ok");
  EXPECT_FALSE(failed(report, "dragDrop"));
  EXPECT_TRUE(logged("[Quorvel][BRIDGE] testKey"));
}

TEST_F(SelfCheckBridge, ABridgeThatNeverAnswersFailsTheBridgeByName) {
  signIn();
  open("/dashboard");
  // The page keeps its handlers and sends its question; the answer never gets back to
  // the waiting call.
  auto dropped = harnesses.back()->call("window.__zivEzozorReply = function() {}; return 'dropped';");
  ASSERT_EQ(dropped.text, "dropped");
  json report = runSelfCheck();
  ASSERT_TRUE(report.is_object());
  const json& bridge = report["bridge"];
  EXPECT_EQ(bridge.value("hasBridge", false), true) << bridge.dump();
  EXPECT_EQ(bridge.value("hasBridgeHandler", false), true);
  EXPECT_EQ(bridge.value("roundTrip", true), false);
  EXPECT_EQ(bridge.value("bridgeReply", ""), "timeout");
  EXPECT_TRUE(failed(report, "bridge")) << report["failures"].dump();
  EXPECT_EQ(report["result"], "fail");
  // The drag hook is the page's own and still there.
  EXPECT_EQ(report["dragDrop"], "ok");
}

TEST_F(SelfCheckBridge, TheClientsOwnErrorPageWithTheServiceDownFailsTheBridge) {
  service.stop();
  model = services->makeBrowserModel();
  tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitUntil([&] { return !tab->isLoading.get() && tab->intendedURL.has_value(); }, 15000));
  auto* controller = dynamic_cast<TabController*>(tab->controller());
  ASSERT_TRUE(controller);
  ASSERT_TRUE(waitUntil([&] { return !controller->showsServicePage() && !tab->isLoading.get(); }, 15000));
  json report = runSelfCheck();
  ASSERT_TRUE(report.is_object());
  EXPECT_EQ(report["bridge"].value("roundTrip", true), false) << report["bridge"].dump();
  EXPECT_TRUE(failed(report, "bridge")) << report["failures"].dump();
  EXPECT_TRUE(logged("[Quorvel][BRIDGE] 丢弃来自非服务页面的 bridge 消息")) << "the question reached the client";
}
