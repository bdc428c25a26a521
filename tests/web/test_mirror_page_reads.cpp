// The mirror store reading through the signed-in page and downloading with the web
// views' own cookies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestPages.h"
#include "ScaleFeeds.h"
#include "TestServiceMirror.h"
#include "app/AppServices.h"
#include "features/mirror/MirrorStore.h"
#include "ui/settings/SettingsView.h"
#include "web/WebEngine.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

class MirrorPageReadsTest : public ServiceTabFixture {
 protected:
  MirrorPageReadsTest() : ServiceTabFixture(/*quietDialogs=*/true) {}
  void open(const std::string& path) {
    model = services->makeBrowserModel();
    auto tab = model->activeTab();
    TabLoadWatch load(tab);
    show(tab);
    ASSERT_TRUE(load.wait(path)) << tab->currentPath.get();
  }
  // A store reading through `page` and sending the web views' cookies.
  std::shared_ptr<MirrorStore> makeStore(const std::shared_ptr<BrowserModel>& page) {
    auto workspace = std::make_shared<MirrorWorkspace>(MirrorWorkspace{page, &services->webEngine()});
    return MirrorStore::create(services->mirrorServices(), std::move(workspace));
  }
};

}  // namespace

TEST_F(MirrorPageReadsTest, NodesAndManifestThroughThePageThenACachedFolder) {
  signIn();
  open("/dashboard");
  auto store = makeStore(model);

  runToEnd(store->listing().loadNodes());
  ASSERT_FALSE(store->activity().lastError.get()) << *store->activity().lastError.get();
  EXPECT_EQ(store->listing().contracts->size(), 7u);
  EXPECT_TRUE(service.isSignedIn(service.requestsTo("/api/desktop/nodes").back()));

  store->selection().selectContract(58);
  ASSERT_TRUE(waitUntil([&] { return !store->selection().folders->empty(); }, 10000));
  EXPECT_EQ(store->selection().selectedFolders.get(), (std::set<std::string>{"00_合同公共材料"}));
  runToEnd(store->transfers().cacheAll(), 30000);
  fs::path file = store->location().root() / "案件" / "HT-2025-058鹿鸣湾餐饮" / "00_合同公共材料" / "法律顾问合同.pdf";
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), mirrorFileBytes("user_data/FIRM_demo/案件/HT-2025-058鹿鸣湾餐饮/00_合同公共材料/法律顾问合同.pdf"));
  EXPECT_EQ(store->activity().progressText.get().rfind("已缓存 1 个文件（", 0), 0u) << store->activity().progressText.get();

  // A service in trouble: what happened in a short sentence, the page only in the log,
  // and the lists stay as they were.
  service.setRoute("/api/desktop/nodes", [](const RecordedRequest&) { return Reply::html(pages::serverError(), 500); });
  runToEnd(store->listing().loadNodes());
  EXPECT_EQ(store->activity().lastError.get(), "读取案件列表失败：服务器出错（HTTP 500）");
  EXPECT_TRUE(logged("[Quorvel][BRIDGE] 读取 /api/desktop/nodes → HTTP 500 <"));
  EXPECT_EQ(store->listing().contracts->size(), 7u);
  service.setRoute("/api/desktop/nodes", [](const RecordedRequest&) { return Reply::json(R"({"ok":true,"rows":[]})"); });
  runToEnd(store->listing().loadNodes());
  EXPECT_EQ(store->activity().lastError.get(), "读取案件列表失败：服务器的回复无法识别");
  EXPECT_TRUE(logged("[Quorvel][MIRROR] nodes 回复无法识别：{\"ok\":true,\"rows\":[]}"));
  service.setRoute("/api/desktop/nodes", [](const RecordedRequest&) { return Reply::text("no access", 403); });
  runToEnd(store->listing().loadNodes());
  EXPECT_EQ(store->activity().lastError.get(), "读取案件列表失败：没有权限（HTTP 403）");
  EXPECT_EQ(store->listing().contracts->size(), 7u);

  // Without a workspace model there is nothing to read through.
  auto orphan = makeStore(nullptr);
  runToEnd(orphan->listing().loadNodes());
  EXPECT_EQ(orphan->activity().lastError.get(), "读取案件列表失败：没有打开的页面（请先登录）");
}

TEST_F(MirrorPageReadsTest, AManifestOfABusyContractPassesAndOneOverTheCapFailsWithItsReason) {
  signIn();
  open("/dashboard");
  auto store = makeStore(model);
  // Over 8 MB of manifest: a contract of 80,000 files, read through the page.
  const std::string manifest = scaleManifest(77, 80000);
  ASSERT_GT(manifest.size(), 8u << 20);
  service.setRoute("/api/desktop/manifest_contract/77", [manifest](const RecordedRequest&) { return Reply::json(manifest); });
  store->selection().selectContract(77);
  ASSERT_TRUE(waitUntil([&] { return !store->selection().folders->empty(); }, 30000)) << store->activity().progressText.get();
  runToEnd(store->selection().check(), 60000);
  ASSERT_FALSE(store->activity().lastError.get()) << *store->activity().lastError.get();
  EXPECT_EQ(store->selection().diffs->size(), 80000u);  // nothing mirrored yet

  // A listing over its cap (shortened here) is still refused, and the sheet says why.
  model->reads().limits().listingMaxBytes = 1u << 20;
  runToEnd(store->selection().check(), 60000);
  EXPECT_EQ(store->activity().lastError.get(), "检查失败：服务器回复超过 1 MB");
  EXPECT_TRUE(logged("[Quorvel][MIRROR] 检查失败：服务器回复超过 1 MB"));
  EXPECT_TRUE(logged("[Quorvel][BRIDGE] 读取 /api/desktop/manifest_contract/77 被拒绝：服务器回复超过 1 MB"));
}

// The application's one store reads through the workspace and sends its web views'
// cookies; the settings sheet is handed that same store.
TEST_F(MirrorPageReadsTest, TheApplicationsStoreReadsThroughTheWorkspaceAndIsTheSettingsOne) {
  signIn();
  model = services->browser();
  auto tab = model->activeTab();
  TabLoadWatch load(tab);
  show(tab);
  ASSERT_TRUE(load.wait("/dashboard")) << tab->currentPath.get();
  MirrorStore& store = services->mirrorStore();
  EXPECT_EQ(&services->settingsServices().mirror, &store);

  runToEnd(store.listing().loadNodes());
  ASSERT_FALSE(store.activity().lastError.get()) << *store.activity().lastError.get();
  EXPECT_EQ(store.listing().contracts->size(), 7u);
  store.selection().selectContract(58);
  ASSERT_TRUE(waitUntil([&] { return !store.selection().folders->empty(); }, 10000));
  runToEnd(store.transfers().cacheAll(), 30000);
  EXPECT_EQ(store.activity().progressText.get().rfind("已缓存 1 个文件（", 0), 0u) << store.activity().progressText.get();
  for (const auto& r : service.requestsTo("/download_file")) EXPECT_TRUE(service.isSignedIn(r));
}
