// The system-search items built from the nodes reply and the recents, and the local
// index that serves them: short Chinese terms, contract numbers, replacing, clearing.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "features/mirror/MirrorNodes.h"
#include "features/workspace/SpotlightItems.h"
#include "platform/SearchIndexStore.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A task without a value, as one runToEnd can wait for.
Task<bool> finished(Task<void> t) {
  co_await t;
  co_return true;
}

std::string nodesJson(int contracts, int clients) {
  nlohmann::json j = {{"ok", true}, {"contracts", nlohmann::json::array()}, {"clients", nlohmann::json::array()}};
  for (int i = 1; i <= contracts; ++i)
    j["contracts"].push_back({{"id", i}, {"no", "HT-" + std::to_string(i)}, {"clients", 1}, {"procs", 2}});
  for (int i = 1; i <= clients; ++i)
    j["clients"].push_back({{"id", 1000 + i}, {"name", "客户" + std::to_string(i)}, {"contract", ""}, {"procs", 0}});
  return j.dump();
}

std::vector<std::string> ids(const std::vector<SearchItem>& items) {
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.uniqueIdentifier);
  return out;
}

}  // namespace

TEST(SpotlightItems, ItemsOfEachKindCarryLinkTitleDescriptionAndKeywords) {
  auto contract = spotlight::contractItem({12, "HT-2026-012", 3, 4});
  EXPECT_EQ(contract, (SearchItem{"quorvel://contract/12", "com.quorvel.mac.cases", "合同 · HT-2026-012",
                                  "衡石同舟·墨衡台案件合同（3 位客户 · 4 个程序）",
                                  {"墨衡台", "合同", "案件", "HT-2026-012"}}));
  auto client = spotlight::clientItem({21, "华盛精工机械有限公司", "HT-2026-015", 2});
  EXPECT_EQ(client.uniqueIdentifier, "quorvel://client/21");
  EXPECT_EQ(client.title, "客户 · 华盛精工机械有限公司");
  EXPECT_EQ(client.contentDescription, "合同 HT-2026-015 · 2 个程序");
  EXPECT_EQ(client.keywords, (std::vector<std::string>{"墨衡台", "客户", "当事人", "华盛精工机械有限公司", "HT-2026-015"}));
  // No contract: the description of a party without one.
  EXPECT_EQ(spotlight::clientItem({22, "李四", "", 1}).contentDescription, "衡石同舟·墨衡台当事人（1 个程序）");
  auto proc = spotlight::proceedingItem({101, "张三诉李四合同纠纷"});
  EXPECT_EQ(proc, (SearchItem{"quorvel://proceeding/101", "com.quorvel.mac.cases", "程序 · 张三诉李四合同纠纷",
                              "衡石同舟·墨衡台近期打开的案件程序", {"墨衡台", "程序", "卷宗", "张三诉李四合同纠纷"}}));
}

TEST(SpotlightItems, LimitsAndOrderOfOneRun) {
  auto nodes = decodeMirrorNodes(nodesJson(180, 250));
  ASSERT_TRUE(nodes);
  std::vector<RecentItem> recents;
  for (int i = 1; i <= 5; ++i) recents.push_back({100 + i, "程序" + std::to_string(i)});
  auto items = spotlight::buildItems(nodes, recents);
  ASSERT_EQ(items.size(), 355u);
  EXPECT_EQ(items[0].uniqueIdentifier, "quorvel://contract/1");
  EXPECT_EQ(items[149].uniqueIdentifier, "quorvel://contract/150");
  EXPECT_EQ(items[150].uniqueIdentifier, "quorvel://client/1001");
  EXPECT_EQ(items[349].uniqueIdentifier, "quorvel://client/1200");
  EXPECT_EQ(items[350].uniqueIdentifier, "quorvel://proceeding/101");
  EXPECT_EQ(items[354].uniqueIdentifier, "quorvel://proceeding/105");

  // Without nodes only the recents; a node with empty texts still gives an item.
  EXPECT_EQ(spotlight::buildItems(std::nullopt, recents).size(), 5u);
  auto empty = decodeMirrorNodes(R"({"ok":false,"contracts":[{"id":1,"no":"","clients":0,"procs":0}],"clients":[]})");
  ASSERT_TRUE(empty);
  EXPECT_EQ(spotlight::buildItems(empty, {})[0].title, "合同 · ");
}

TEST(SpotlightItems, NodesDecodeWholeOrNotAtAll) {
  auto nodes = decodeMirrorNodes(
      R"({"ok":true,"extra":1,"contracts":[{"id":7,"no":"HT-2026-007","clients":2,"procs":3}],)"
      R"("clients":[{"id":11,"name":"张三","contract":"HT-2026-007","procs":2}]})");
  ASSERT_TRUE(nodes);
  EXPECT_EQ(nodes->contracts[0], (MirrorNode{7, "HT-2026-007", 2, 3}));
  EXPECT_EQ(nodes->clients[0], (MirrorClientNode{11, "张三", "HT-2026-007", 2}));
  for (const char* bad : {
           "", "[]", "<html>登录</html>", R"({"contracts":[],"clients":[]})",
           R"({"ok":true,"contracts":[{"id":"7","no":"x","clients":1,"procs":1}],"clients":[]})",
           R"({"ok":true,"contracts":[{"id":7.5,"no":"x","clients":1,"procs":1}],"clients":[]})",
           R"({"ok":true,"contracts":[],"clients":[{"id":1,"name":"张三","procs":1}]})",
       })
    EXPECT_FALSE(decodeMirrorNodes(bad)) << bad;
}

class SearchIndexStoreTest : public ::testing::Test {
 protected:
  TempHome home;
  std::shared_ptr<SearchIndexStore> store = std::make_shared<SearchIndexStore>(home.dataHome() / "Quorvel" / "idx.db");

  std::vector<std::string> find(std::vector<std::string> terms,
                                std::optional<std::vector<std::string>> within = std::nullopt) {
    auto r = runToEnd(store->search(std::move(terms), std::move(within)));
    EXPECT_FALSE(r->exception) << errorOf(*r).message;
    return r->value ? ids(*r->value) : std::vector<std::string>{};
  }
  void index(std::vector<SearchItem> items) {
    auto r = runToEnd(finished(store->indexItems(std::move(items))));
    ASSERT_FALSE(r->exception) << errorOf(*r).message;
  }
  void SetUp() override {
    auto nodes = decodeMirrorNodes(
        R"({"ok":true,"contracts":[{"id":7,"no":"HT-2026-007","clients":2,"procs":3},)"
        R"({"id":15,"no":"HT-2026-015","clients":1,"procs":2}],)"
        R"("clients":[{"id":11,"name":"张三","contract":"HT-2026-007","procs":2},)"
        R"({"id":21,"name":"华盛精工机械有限公司","contract":"HT-2026-015","procs":2},)"
        R"({"id":22,"name":"青禾数码科技有限公司","contract":"HT-2026-009","procs":1}]})");
    index(spotlight::buildItems(nodes, {{88, "张三诉李四合同纠纷"}}));
  }
};

TEST_F(SearchIndexStoreTest, ShortChineseTermsFindTheirItems) {
  EXPECT_EQ(find({"华盛"}), (std::vector<std::string>{"quorvel://client/21"}));
  EXPECT_EQ(find({"华"}), (std::vector<std::string>{"quorvel://client/21"}));
  EXPECT_EQ(find({"张三"}), (std::vector<std::string>{"quorvel://client/11", "quorvel://proceeding/88"}));
  // Short and long terms together must all occur.
  EXPECT_EQ(find({"张三", "合同纠纷"}), (std::vector<std::string>{"quorvel://proceeding/88"}));
  EXPECT_EQ(find({"华盛", "青禾"}), std::vector<std::string>{});
  EXPECT_EQ(find({"华盛精工"}), (std::vector<std::string>{"quorvel://client/21"}));
  EXPECT_EQ(find({"  "}), std::vector<std::string>{});
}

TEST_F(SearchIndexStoreTest, ContractNumbersMatchWhateverTheCaseOrWidth) {
  const std::vector<std::string> both = {"quorvel://contract/15", "quorvel://client/21"};
  EXPECT_EQ(find({"HT-2026-015"}), both);
  EXPECT_EQ(find({"ht-2026-015"}), both);
  EXPECT_EQ(find({"ＨＴ－２０２６－０１５"}), both);  // typed with a full-width input method
  EXPECT_EQ(find({"015"}), both);
  EXPECT_EQ(find({"2026-0"}).size(), 5u);
  // A quote in a term is searched for, not taken as query syntax.
  EXPECT_EQ(find({"\"HT"}), std::vector<std::string>{});
}

TEST_F(SearchIndexStoreTest, ReplacingAndClearingADomain) {
  // The same identifier again replaces the item and its searchable text.
  index({{"quorvel://client/21", spotlight::kDomain, "客户 · 华盛重工", "新描述", {"墨衡台"}}});
  EXPECT_EQ(find({"精工"}), std::vector<std::string>{});
  EXPECT_EQ(find({"重工"}), (std::vector<std::string>{"quorvel://client/21"}));
  auto metas = runToEnd(store->items({"quorvel://client/21", "quorvel://contract/404", "quorvel://contract/7"}));
  ASSERT_TRUE(metas->value);
  ASSERT_EQ(metas->value->size(), 2u);
  EXPECT_EQ((*metas->value)[0].contentDescription, "新描述");
  EXPECT_EQ((*metas->value)[1].keywords, (std::vector<std::string>{"墨衡台", "合同", "案件", "HT-2026-007"}));

  index({{"other://1", "other.domain", "华盛", "", {}}});
  ASSERT_FALSE(runToEnd(finished(store->deleteDomain(spotlight::kDomain)))->exception);
  EXPECT_EQ(find({"华盛"}), (std::vector<std::string>{"other://1"}));
  EXPECT_EQ(*runToEnd(store->count())->value, 1u);

}

TEST(SearchIndexStore, AnUnusableFileFailsEveryOperationWithAReason) {
  TempHome home;
  std::filesystem::create_directories(home.root() / "dir.db");
  SearchIndexStore store(home.root() / "dir.db");
  auto r = runToEnd(finished(store.indexItems({{"a", "d", "t", "", {}}})));
  EXPECT_EQ(errorOf(*r).domain, errors::kSearchIndex);
  EXPECT_NE(errorOf(*r).message.find("无法打开搜索索引"), std::string::npos);
  EXPECT_TRUE(runToEnd(store.search({"t"}))->exception);
}

TEST(SearchIndexStore, ADamagedIndexIsMovedAsideAndRebuiltAndSaysSo) {
  TempHome home;
  std::vector<std::string> logs;
  setLogSink([&](const std::string& line) { logs.push_back(line); });
  const auto dir = home.dataHome() / "Quorvel";
  const SearchItem item{"quorvel://client/21", spotlight::kDomain, "客户 · 华盛精工", "", {}};

  // A file that is no database at all: found at opening.
  const auto garbage = dir / "garbage.db";
  std::filesystem::create_directories(dir);
  writeFile(garbage, std::string(8192, 'x'));
  ASSERT_EQ(std::filesystem::file_size(garbage), 8192u);
  {
    SearchIndexStore store(garbage);
    std::vector<std::filesystem::path> told;
    store.setDamageObserver([&](const std::filesystem::path& keptAs) { told.push_back(keptAs); });
    auto r = runToEnd(store.indexItems({item}));
    ASSERT_FALSE(r->exception) << errorOf(*r).message;
    EXPECT_EQ(*runToEnd(store.count())->value, 1u);
    ASSERT_TRUE(waitUntil([&] { return !told.empty(); }, 2000));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].parent_path(), dir);
    EXPECT_EQ(told[0].filename().string().rfind("garbage.db.damaged-", 0), 0u) << told[0];
    std::ifstream kept(told[0]);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), std::string(8192, 'x')) << "the old file is kept";
  }
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 搜索索引已损坏"), 1);

  // A database whose table pages are malformed: found by the first operation that
  // reads them, which then runs on the new index.
  const auto malformed = dir / "malformed.db";
  {
    SearchIndexStore store(malformed);
    std::vector<SearchItem> many;
    for (int i = 0; i < 400; ++i)
      many.push_back({"quorvel://client/" + std::to_string(i), spotlight::kDomain, "客户 " + std::to_string(i),
                      std::string(200, 'd'), {}});
    ASSERT_FALSE(runToEnd(store.indexItems(many))->exception);
  }
  {
    // Every page after the first (the schema's) becomes noise.
    const auto size = std::filesystem::file_size(malformed);
    ASSERT_GT(size, 4096u * 4);
    std::fstream f(malformed, std::ios::in | std::ios::out | std::ios::binary);
    const std::string noise(size - 4096, '\x5a');
    f.seekp(4096);
    f.write(noise.data(), static_cast<std::streamsize>(noise.size()));
  }
  SearchIndexStore store(malformed);
  std::vector<std::filesystem::path> told;
  store.setDamageObserver([&](const std::filesystem::path& keptAs) { told.push_back(keptAs); });
  auto rebuilt = runToEnd(store.indexItems({item}));
  ASSERT_FALSE(rebuilt->exception) << errorOf(*rebuilt).message;
  auto found = runToEnd(store.search({"华盛"}));
  ASSERT_TRUE(found->value);
  EXPECT_EQ(ids(*found->value), std::vector<std::string>{"quorvel://client/21"});
  EXPECT_EQ(*runToEnd(store.count())->value, 1u);
  EXPECT_TRUE(waitUntil([&] { return told.size() == 1; }, 2000));
  setLogSink({});
}
