// The mirror store reading through the signed-in page and downloading with the web
// views' own cookies.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestServiceMirror.h"
#include "app/AppServices.h"
#include "features/mirror/MirrorStore.h"
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
};

}  // namespace

TEST_F(MirrorPageReadsTest, NodesAndManifestThroughThePageThenACachedFolder) {
  signIn();
  open("/dashboard");
  auto store = MirrorStore::create(services->mirrorServices());
  store->browser = model;
  store->webStore = &services->webEngine();

  runToEnd(store->loadNodes());
  ASSERT_FALSE(store->lastError.get()) << *store->lastError.get();
  EXPECT_EQ(store->contracts->size(), 7u);
  EXPECT_TRUE(service.isSignedIn(service.requestsTo("/api/desktop/nodes").back()));

  store->selectContract(58);
  ASSERT_TRUE(runMainLoopUntil([&] { return !store->folders->empty(); }, 10000));
  EXPECT_EQ(store->selectedFolders.get(), (std::set<std::string>{"00_合同公共材料"}));
  runToEnd(store->cacheAll(), 30000);
  fs::path file = store->root() / "案件" / "HT-2025-058鹿鸣湾餐饮" / "00_合同公共材料" / "法律顾问合同.pdf";
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), mirrorFileBytes("user_data/FIRM_demo/案件/HT-2025-058鹿鸣湾餐饮/00_合同公共材料/法律顾问合同.pdf"));
  EXPECT_EQ(store->progressText.get().rfind("已缓存 1 个文件（", 0), 0u) << store->progressText.get();

  // Without a workspace model there is nothing to read through.
  auto orphan = MirrorStore::create(services->mirrorServices());
  runToEnd(orphan->loadNodes());
  EXPECT_EQ(orphan->lastError.get(), "读取案件列表失败：没有打开的页面（请先登录）");
}
