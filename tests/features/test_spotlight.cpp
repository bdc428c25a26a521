// The system-search indexer's runs over a fake index, and the search provider as the
// desktop's search calls it over D-Bus.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "base/WorkerPool.h"

#include <fstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestServiceSearch.h"
#include "base/AppError.h"
#include "fakes/SettableClock.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "fakes/FakeWebPage.h"
#include "features/workspace/SpotlightIndexer.h"
#include "platform/SearchProvider.h"

using namespace quorvel;
using namespace quorvel::test;
using Strings = std::vector<std::string>;

namespace {

Task<bool> finished(Task<void> t) {
  co_await t;
  co_return true;
}

// Records the calls; a failure set for an operation is thrown by it; a held
// deletion waits for release().
class FakeIndex : public SearchIndex {
 public:
  Strings calls;
  std::vector<SearchItem> items;
  std::optional<std::string> deleteFailure, indexFailure;
  bool holdDelete = false;
  std::function<void()> release;

  Task<void> deleteDomain(std::string domain) override {
    calls.push_back("delete " + domain);
    if (holdDelete) {
      CallbackAwaiter<bool> held([this](auto resolve) { release = [resolve] { resolve(true); }; });
      co_await held;
    }
    if (deleteFailure) throw AppError("SearchIndex", 1, *deleteFailure);
    items.clear();
  }
  Task<void> indexItems(std::vector<SearchItem> add) override {
    calls.push_back("index " + std::to_string(add.size()));
    if (indexFailure) throw AppError("SearchIndex", 2, *indexFailure);
    items.insert(items.end(), add.begin(), add.end());
    co_return;
  }
};

std::string manyNodes(int contracts, int clients) {
  nlohmann::json j = {{"ok", true}, {"contracts", nlohmann::json::array()}, {"clients", nlohmann::json::array()}};
  for (int i = 1; i <= contracts; ++i)
    j["contracts"].push_back({{"id", i}, {"no", "HT-" + std::to_string(i)}, {"clients", 1}, {"procs", 1}});
  for (int i = 1; i <= clients; ++i)
    j["clients"].push_back({{"id", i}, {"name", "客户" + std::to_string(i)}, {"contract", ""}, {"procs", 0}});
  return j.dump();
}

class SpotlightIndexerTest : public ::testing::Test {
 protected:
  TempHome home;
  UserDefaults& defaults = home.defaults();
  SettableClock clock;
  std::shared_ptr<FakeIndex> index = std::make_shared<FakeIndex>();
  SpotlightIndexer indexer{index, defaults, clock};
  Strings logs;
  std::optional<std::string> nodes = manyNodes(180, 250);  // nothing: the read fails
  std::vector<RecentItem> recents;

  void SetUp() override { setLogSink([this](const std::string& l) { logs.push_back(l); }); }
  void TearDown() override {
    setLogSink({});
  }
  SpotlightSource source(bool diagnostic = false) {
    SpotlightSource s;
    s.fetchNodes = [this]() -> Task<std::string> {
      co_await nextTurn();
      if (!nodes) throw AppError("Quorvel", 1, "没有打开的页面（请先登录）");
      co_return *nodes;
    };
    s.recents = [this] { return recents; };
    s.diagnostic = diagnostic;
    return s;
  }
  void run(bool diagnostic = false) { ASSERT_FALSE(runToEnd(finished(indexer.indexNow(source(diagnostic))))->exception); }
};

}  // namespace

TEST_F(SpotlightIndexerTest, ARunReplacesTheDomainAndPublishesCountAndTime) {
  ScopedTimeZone zone("Asia/Shanghai");
  setClockTo(clock, 2026, 3, 2, 9, 5, 8);
  for (int i = 1; i <= 5; ++i) recents.push_back({100 + i, "程序" + std::to_string(i)});
  run();
  EXPECT_EQ(index->calls, (Strings{"delete com.quorvel.mac.cases", "index 355"}));
  EXPECT_EQ(indexer.indexedCount.get(), 355);
  EXPECT_EQ(indexer.lastIndexedAt.get(), "09:05");
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 已建立 355 条全局搜索索引"), 1);

  // Signed out, or an unreadable reply: only the recents; the old contracts and clients go.
  for (std::optional<std::string> reply : {std::optional<std::string>(), std::optional<std::string>("<html>")}) {
    nodes = reply;
    run();
    EXPECT_EQ(index->items.size(), 5u);
    EXPECT_EQ(index->items[0].uniqueIdentifier, "quorvel://proceeding/101");
    EXPECT_EQ(indexer.indexedCount.get(), 5);
  }

  // Nothing to index: the index and the published fields stay as they were.
  recents.clear();
  size_t calls = index->calls.size();
  run();
  EXPECT_EQ(index->calls.size(), calls);
  EXPECT_EQ(indexer.indexedCount.get(), 5);
  // Three index runs logged; the run with nothing to index wrote no index line.
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 已建立"), 3);
}

TEST_F(SpotlightIndexerTest, WhatTheIndexLeavesOutOrCannotReadIsLogged) {
  run();  // 180 contracts and 250 clients
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 合同共 180 个，全局搜索只索引前 150 个"), 1);
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 客户共 250 位，全局搜索只索引前 200 位"), 1);
  recents.push_back({7, "张三诉李四"});
  nodes.reset();
  run();
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 读取合同与客户失败：没有打开的页面（请先登录）（本次只索引近期程序）"), 1);
  nodes = "<html>";
  run();
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 合同与客户的回复无法识别（本次只索引近期程序）"), 1);
  EXPECT_EQ(indexer.indexedCount.get(), 1);

  // 120,000 entries (a reply of megabytes), decoded on the pool: the first 350 and the
  // recent one are indexed, and the log says how many the firm has.
  WorkerPool workers(2);
  nodes = manyNodes(60000, 60000);
  auto large = source();
  large.workers = &workers;
  ASSERT_FALSE(runToEnd(finished(indexer.indexNow(std::move(large))))->exception);
  EXPECT_EQ(indexer.indexedCount.get(), 351);
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 合同共 60000 个，全局搜索只索引前 150 个"), 1);
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 客户共 60000 位，全局搜索只索引前 200 位"), 1);
}

TEST_F(SpotlightIndexerTest, QuietModesAndSwitchingOffAndOn) {
  EXPECT_TRUE(indexer.enabled.get());  // no stored choice: on
  run(/*diagnostic=*/true);
  FakePages pages{home.defaults()};
  defaults.set("serverURL", "https://example.com");
  auto quiet = pages.model(nullptr, AppMode::diagnostic);
  EXPECT_FALSE(runToEnd(finished(indexer.indexNow(quiet)))->exception);
  EXPECT_TRUE(index->calls.empty());

  run();
  ASSERT_EQ(indexer.indexedCount.get(), 350);
  indexer.setEnabled(false);
  EXPECT_EQ(defaults.boolean(SpotlightIndexer::kEnabledKey), false);
  EXPECT_EQ(indexer.indexedCount.get(), 0);  // at once, before the deletion completes
  EXPECT_EQ(indexer.lastIndexedAt.get(), "");
  drainMainLoop();
  EXPECT_TRUE(index->items.empty());
  size_t calls = index->calls.size();
  run();
  EXPECT_EQ(index->calls.size(), calls);
  EXPECT_FALSE(SpotlightIndexer(index, defaults, clock).enabled.get());
  defaults.set(SpotlightIndexer::kEnabledKey, "no");  // not a Boolean: on
  EXPECT_TRUE(SpotlightIndexer(index, defaults, clock).enabled.get());

  // Switching on indexes the workspace's nodes and recents at once.
  auto live = freshFakeModel(pages);
  fakeOf(live->activeTab())->answer = [](const std::string&, const nlohmann::json& args) {
    EXPECT_EQ(args["target"], "/api/desktop/nodes");
    return JsResult::success(searchDemoNodesJson());
  };
  live->account().rememberProceeding(88, "张三诉李四合同纠纷");
  indexer.setWorkspace([live] { return live; });
  indexer.setEnabled(true);
  EXPECT_TRUE(waitUntil([&] { return indexer.indexedCount.get() == 16; }, 5000));
  EXPECT_EQ(index->items.back().uniqueIdentifier, "quorvel://proceeding/88");
}

TEST_F(SpotlightIndexerTest, FailuresAreLoggedAndLeaveThePublishedFields) {
  run();
  std::string at = indexer.lastIndexedAt.get();
  index->deleteFailure = "磁盘已满";
  nodes = manyNodes(1, 0);
  run();
  EXPECT_EQ(index->calls.back(), "delete com.quorvel.mac.cases");  // nothing indexed after it
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 索引失败：磁盘已满"), 1);
  index->deleteFailure.reset();
  index->indexFailure = "数据库已锁定";
  run();
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 索引失败：数据库已锁定"), 1);
  EXPECT_EQ(indexer.indexedCount.get(), 350);
  EXPECT_EQ(indexer.lastIndexedAt.get(), at);

  index->deleteFailure = "只读文件系统";
  indexer.clearIndex();
  drainMainLoop();
  EXPECT_EQ(countContaining(logs, "[Quorvel][SPOTLIGHT] 清空索引失败：只读文件系统"), 1);
}

TEST_F(SpotlightIndexerTest, ARunOvertakenBySwitchingOffIndexesNothing) {
  index->holdDelete = true;
  auto run = std::make_shared<Outcome<bool>>();
  spawn(collectOutcome(finished(indexer.indexNow(source())), run));  // held in its deletion
  ASSERT_TRUE(waitUntil([&] { return bool(index->release); }, 5000));
  index->holdDelete = false;
  indexer.setEnabled(false);
  index->release();
  ASSERT_TRUE(waitUntil([&] { return run->done; }, 5000));
  EXPECT_TRUE(index->items.empty());
  EXPECT_EQ(index->calls, (Strings{"delete com.quorvel.mac.cases", "delete com.quorvel.mac.cases"}));
  EXPECT_EQ(indexer.indexedCount.get(), 0);
}

// The owner may go while a run waits on the index: the run ends without indexing or
// touching the owner.
TEST_F(SpotlightIndexerTest, ARunWhoseIndexerIsGoneIndexesNothing) {
  index->holdDelete = true;
  auto gone = std::make_unique<SpotlightIndexer>(index, defaults, clock);
  auto run = std::make_shared<Outcome<bool>>();
  spawn(collectOutcome(finished(gone->indexNow(source())), run));
  ASSERT_TRUE(waitUntil([&] { return bool(index->release); }, 5000));
  gone.reset();
  index->release();
  ASSERT_TRUE(waitUntil([&] { return run->done; }, 5000));
  // The caller learns the run was called off, as with any other cancelled work.
  ASSERT_TRUE(run->error);
  EXPECT_EQ(run->error->code, G_IO_ERROR_CANCELLED);
  EXPECT_EQ(index->calls, (Strings{"delete com.quorvel.mac.cases"}));
  EXPECT_EQ(countContaining(logs, "SPOTLIGHT"), 0);
}

// ---- the provider over D-Bus ----

namespace {

GObjectPtr<GDBusConnection> newBusConnection() {
  GCharPtr address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  return GObjectPtr<GDBusConnection>::adopt(g_dbus_connection_new_for_address_sync(
      address.get(),
      GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                           G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr));
}

GVariant* strv(const Strings& v) {
  GVariantBuilder b;
  g_variant_builder_init(&b, G_VARIANT_TYPE("as"));
  for (const auto& s : v) g_variant_builder_add(&b, "s", s.c_str());
  return g_variant_builder_end(&b);
}

}  // namespace

class SearchProviderTest : public ::testing::Test {
 protected:
  static constexpr const char* kBusName = "cn.quorvel.client.SearchTest";
  TempHome home;
  UserDefaults& defaults = home.defaults();
  SystemClock clock;
  std::shared_ptr<SearchIndexStore> store = std::make_shared<SearchIndexStore>(home.dataHome() / "Quorvel" / "s.db");
  GObjectPtr<GDBusConnection> service = newBusConnection(), client = newBusConnection();
  std::string path = SearchProvider::kObjectPath;
  Strings activated;
  std::vector<Strings> launched;
  std::unique_ptr<SearchProvider> provider = std::make_unique<SearchProvider>(store, "cn.quorvel.client");

  void SetUp() override {
    ASSERT_TRUE(service && client);
    // Exported where the installed provider file tells the desktop to look.
    std::ifstream in(QUORVEL_SOURCE_DIR "/resources/cn.quorvel.client.search-provider.ini");
    std::string ini((std::istreambuf_iterator<char>(in)), {});
    for (const std::string& line : Strings{"DesktopId=cn.quorvel.client.desktop", "BusName=cn.quorvel.client", "Version=2",
                             std::string("ObjectPath=") + SearchProvider::kObjectPath})
      EXPECT_NE(ini.find(line + "\n"), std::string::npos) << line;
    provider->setActivateHandler([this](const std::string& url) { activated.push_back(url); });
    provider->setLaunchSearchHandler([this](const Strings& t) { launched.push_back(t); });
    ASSERT_TRUE(provider->exportOn(service, path));
    ASSERT_TRUE(GVariantPtr(g_dbus_connection_call_sync(
        service, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", kBusName, 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr)));

    // The indexer fills the store from the demo service's nodes and one recent proceeding.
    SpotlightIndexer indexer(store, defaults, clock);
    SpotlightSource source;
    source.fetchNodes = []() -> Task<std::string> { co_return searchDemoNodesJson(); };
    source.recents = [] { return std::vector<RecentItem>{{88, "张三诉李四合同纠纷"}}; };
    ASSERT_FALSE(runToEnd(finished(indexer.indexNow(std::move(source))))->exception);
    ASSERT_EQ(indexer.indexedCount.get(), 16);
  }

  // Calls the provider as the desktop's search does and waits for the reply.
  GVariantPtr call(const char* method, GVariant* params, const char* replyType, bool expectError = false) {
    struct Reply {
      GVariantPtr value;
      GErrorPtr error;
      bool done = false;
    } reply;
    g_dbus_connection_call(
        client, kBusName, path.c_str(), SearchProvider::kInterface, method, params, G_VARIANT_TYPE(replyType),
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        [](GObject* src, GAsyncResult* res, gpointer data) {
          auto* r = static_cast<Reply*>(data);
          r->value.reset(g_dbus_connection_call_finish(G_DBUS_CONNECTION(src), res, r->error.out()));
          r->done = true;
        },
        &reply);
    EXPECT_TRUE(waitUntil([&] { return reply.done; }, 10000));
    EXPECT_EQ(bool(reply.error), expectError) << method << ": " << reply.error.message();
    return std::move(reply.value);
  }
  Strings results(GVariantPtr reply) {
    Strings out;
    GVariantPtr list(reply ? g_variant_get_child_value(reply.get(), 0) : nullptr);
    for (gsize i = 0; list && i < g_variant_n_children(list.get()); ++i) {
      GVariantPtr s(g_variant_get_child_value(list.get(), i));
      out.emplace_back(g_variant_get_string(s.get(), nullptr));
    }
    return out;
  }
  Strings initial(const Strings& terms) {
    return results(call("GetInitialResultSet", g_variant_new("(@as)", strv(terms)), "(as)"));
  }
};

TEST_F(SearchProviderTest, TheDesktopSearchFindsClientsAndContractsAndOpensThem) {
  const Strings huasheng = {"quorvel://client/21", "quorvel://client/22"};
  EXPECT_EQ(initial({"华盛"}), huasheng);
  EXPECT_EQ(initial({"HT-2026-015"}), (Strings{"quorvel://contract/15", "quorvel://client/21", "quorvel://client/22"}));
  EXPECT_EQ(results(call("GetSubsearchResultSet", g_variant_new("(@as@as)", strv(huasheng), strv({"华盛精工"})),
                         "(as)")),
            (Strings{"quorvel://client/21"}));
  EXPECT_TRUE(initial({"无此客户"}).empty());

  auto metas = call("GetResultMetas", g_variant_new("(@as)", strv({"quorvel://contract/15", "quorvel://nope/1"})),
                    "(aa{sv})");
  ASSERT_TRUE(metas);
  GVariantPtr list(g_variant_get_child_value(metas.get(), 0));
  ASSERT_EQ(g_variant_n_children(list.get()), 1u);
  GVariantPtr meta(g_variant_get_child_value(list.get(), 0));
  auto field = [&](const char* key) {
    const gchar* v = nullptr;
    return g_variant_lookup(meta.get(), key, "&s", &v) ? std::string(v) : std::string("(none)");
  };
  EXPECT_EQ(field("id"), "quorvel://contract/15");
  EXPECT_EQ(field("name"), "合同 · HT-2026-015");
  EXPECT_EQ(field("description"), "衡石同舟·墨衡台案件合同（2 位客户 · 0 个程序）");
  EXPECT_EQ(field("gicon"), "cn.quorvel.client");

  call("ActivateResult", g_variant_new("(s@asu)", "quorvel://contract/15", strv({"HT-2026-015"}), 0u), "()");
  EXPECT_EQ(activated, (Strings{"quorvel://contract/15"}));
  // A link that is not in the index is not followed, whoever asks.
  call("ActivateResult", g_variant_new("(s@asu)", "quorvel://path?p=/logout", strv({}), 0u), "()");
  EXPECT_EQ(activated.size(), 1u);
  call("LaunchSearch", g_variant_new("(@asu)", strv({"华盛", "合同"}), 0u), "()");
  EXPECT_EQ(launched, (std::vector<Strings>{{"华盛", "合同"}}));

  provider->unexport();
  call("GetInitialResultSet", g_variant_new("(@as)", strv({"华盛"})), "(as)", /*expectError=*/true);
}

// While the workspace is locked the desktop's search finds nothing and describes
// nothing; picking a result is still handed on, to the gate that refuses it.
TEST_F(SearchProviderTest, WhileItMustNotAnswerNothingIsFoundOrDescribed) {
  bool locked = true;
  provider->setAnswering([&] { return !locked; });
  EXPECT_TRUE(initial({"华盛"}).empty());
  EXPECT_TRUE(initial({"HT-2026-015"}).empty());
  EXPECT_TRUE(results(call("GetSubsearchResultSet",
                           g_variant_new("(@as@as)", strv({"quorvel://client/21"}), strv({"华盛精工"})), "(as)"))
                  .empty());
  auto metas = call("GetResultMetas", g_variant_new("(@as)", strv({"quorvel://contract/15", "quorvel://client/21"})),
                    "(aa{sv})");
  ASSERT_TRUE(metas);
  GVariantPtr list(g_variant_get_child_value(metas.get(), 0));
  EXPECT_EQ(g_variant_n_children(list.get()), 0u);
  call("ActivateResult", g_variant_new("(s@asu)", "quorvel://contract/15", strv({}), 0u), "()");
  EXPECT_EQ(activated, (Strings{"quorvel://contract/15"}));

  locked = false;
  EXPECT_EQ(initial({"华盛"}), (Strings{"quorvel://client/21", "quorvel://client/22"}));
}
