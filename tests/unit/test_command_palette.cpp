// The command palette's model: the entry list, its filters and cap, the pill counts,
// the highlight, carrying an entry out and loading the contracts and clients.
#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

#include "base/Log.h"
#include "ui/model/CommandPalette.h"

using namespace quorvel;
using Category = CommandPalette::Category;

namespace {

std::vector<std::string> ids(const std::vector<CommandPalette::Entry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.id);
  return out;
}

const CommandPalette::Entry* find(const std::vector<CommandPalette::Entry>& entries, const std::string& id) {
  for (const auto& e : entries)
    if (e.id == id) return &e;
  return nullptr;
}

// Reads of the nodes that the test answers one by one.
struct Fetches {
  std::vector<bool> forces;
  std::deque<std::function<void(std::optional<std::string>)>> pending;
  // Answers the oldest read: bytes, or a failed read.
  void answer(std::optional<std::string> bytes) {
    auto resolve = std::move(pending.front());
    pending.pop_front();
    resolve(std::move(bytes));
  }
};

Task<std::string> pendingFetch(std::shared_ptr<Fetches> fetches, bool force) {
  fetches->forces.push_back(force);
  // Named: GCC 12 mishandles a temporary awaiter in a coroutine.
  CallbackAwaiter<std::optional<std::string>> answered(
      [fetches](auto resolve) { fetches->pending.push_back(std::move(resolve)); });
  std::optional<std::string> bytes = co_await answered;
  if (!bytes) throw std::runtime_error("没有打开的页面（请先登录）");
  co_return *bytes;
}

const char* kNodes =
    R"({"ok":true,"contracts":[{"id":7,"no":"HT-2026-007","clients":2,"procs":3}],)"
    R"("clients":[{"id":11,"name":"张三","contract":"HT-2026-007","procs":2},)"
    R"({"id":12,"name":"Ärzte GmbH","contract":"","procs":1}]})";

// A palette over test services; what it calls is recorded in `calls`.
struct PaletteWorld {
  std::vector<NavItem> nav = {{"个人工作台", "square.grid.2x2", "/dashboard"}, {"全局案件中心", "folder.fill", "/cases"}};
  sigc::signal<void()> navChanged;
  std::shared_ptr<Fetches> fetches = std::make_shared<Fetches>();
  std::vector<std::string> calls;
  std::vector<std::function<void()>> laterQueue;
  std::unique_ptr<CommandPalette> palette;

  PaletteWorld() { palette = make(); }

  std::unique_ptr<CommandPalette> make() {
    CommandPalette::Services s;
    s.visibleNavItems = [this] { return nav; };
    s.navItemsChanged = {&navChanged};
    auto fetches = this->fetches;
    s.fetchNodesCached = [fetches](bool force) { return pendingFetch(fetches, force); };
    s.showMainWindow = [this] { calls.push_back("showMainWindow"); };
    s.newTab = [this](const std::string& path, const std::string& title) {
      calls.push_back("newTab " + path + " " + title);
    };
    s.loadInActive = [this](const std::string& path) { calls.push_back("loadInActive " + path); };
    s.later = [this](std::function<void()> fn) { laterQueue.push_back(std::move(fn)); };
    CommandPalette::Actions a;
    a.showTodo = [this] { calls.push_back("todo"); };
    a.toggleDesktopCalendar = [this] { calls.push_back("desktopCalendar"); };
    a.showMirror = [this] { calls.push_back("mirror"); };
    a.recogniseScans = [this] { calls.push_back("scans"); };
    a.showSettings = [this] { calls.push_back("settings"); };
    a.openVolumeFolder = [this] { calls.push_back("volume"); };
    return std::make_unique<CommandPalette>(std::move(s), std::move(a), [this] { calls.push_back("close"); });
  }

  void load(const std::string& bytes) {
    palette->load(false);
    fetches->answer(bytes);
  }
  void runLater() {
    auto queued = std::move(laterQueue);
    laterQueue.clear();
    for (auto& fn : queued) fn();
  }
};

std::string contractsJson(int count) {
  std::string json = R"({"ok":true,"clients":[{"id":1,"name":"客户甲","contract":"","procs":0}],"contracts":[)";
  for (int i = 1; i <= count; ++i)
    json += (i > 1 ? "," : "") + std::string(R"({"id":)") + std::to_string(i) + R"(,"no":"HT-)" + std::to_string(i) +
            R"(","clients":1,"procs":1})";
  return json + "]}";
}

}  // namespace

TEST(PaletteEntries, PagesThenTheSixActionsThenContractsThenClientsWithTheirTexts) {
  PaletteWorld w;
  w.load(kNodes);
  const auto list = w.palette->entries();
  EXPECT_EQ(ids(list), (std::vector<std::string>{"nav:/dashboard", "nav:/cases", "act:todo", "act:desktop_cal",
                                                 "act:mirror", "act:ocr", "act:settings", "act:volume",
                                                 "contract:7", "client:11", "client:12"}));
  for (const auto& e : list) EXPECT_NE(e.path.has_value(), static_cast<bool>(e.action)) << e.id;

  const auto* page = find(list, "nav:/cases");
  EXPECT_EQ(page->category, Category::action);
  EXPECT_EQ(page->title, "全局案件中心");
  EXPECT_EQ(page->subtitle, "/cases");
  EXPECT_EQ(page->symbol, "folder.fill");
  EXPECT_EQ(page->path, "/cases");

  // Shortcut glyphs as Linux keys; no texts naming the original platform.
  const std::pair<const char*, std::pair<const char*, const char*>> actions[] = {
      {"act:todo", {"打开我的待办", "快捷键 Ctrl+Shift+D"}},
      {"act:desktop_cal", {"打开桌面交互日历", "快捷键 Ctrl+Shift+C · 可贴桌面 / 置顶"}},
      {"act:mirror", {"打开本地卷宗镜像", "快捷键 Ctrl+Shift+M"}},
      {"act:ocr", {"扫描件识别（生成可搜索 PDF）", "快捷键 Ctrl+Shift+S"}},
      {"act:settings", {"打开客户端设置", "账号、字号、卷宗盘与缓存"}},
      {"act:volume", {"在文件管理器中打开卷宗目录", "快捷键 Ctrl+Shift+O"}},
  };
  for (const auto& [id, texts] : actions) {
    const auto* e = find(list, id);
    ASSERT_TRUE(e) << id;
    EXPECT_EQ(e->title, texts.first);
    EXPECT_EQ(e->subtitle, texts.second);
    EXPECT_EQ(e->category, Category::action);
  }

  const auto* contract = find(list, "contract:7");
  EXPECT_EQ(contract->title, "HT-2026-007");
  EXPECT_EQ(contract->subtitle, "合同 · 2 位客户 · 3 个程序");
  EXPECT_EQ(contract->path, "/contract_detail/7");
  EXPECT_EQ(contract->category, Category::contract);
  const auto* withContract = find(list, "client:11");
  EXPECT_EQ(withContract->subtitle, "合同 HT-2026-007 · 2 个程序");
  EXPECT_EQ(withContract->path, "/client_detail/11");
  EXPECT_EQ(withContract->category, Category::client);
  EXPECT_EQ(find(list, "client:12")->subtitle, "客户 · 1 个程序");

  // Each action runs its own target.
  for (const auto& [id, call] : std::vector<std::pair<std::string, std::string>>{
           {"act:todo", "todo"}, {"act:desktop_cal", "desktopCalendar"}, {"act:mirror", "mirror"},
           {"act:ocr", "scans"}, {"act:settings", "settings"}, {"act:volume", "volume"}}) {
    w.calls.clear();
    find(list, id)->action();
    EXPECT_EQ(w.calls, std::vector<std::string>{call}) << id;
  }
}

TEST(PaletteEntries, WithoutVisiblePagesTheDefaultSidebarPagesAreListed) {
  PaletteWorld w;
  w.nav.clear();
  const auto list = w.palette->entries();
  const auto& defaults = defaultSideItems();
  ASSERT_EQ(list.size(), defaults.size() + 6);
  for (std::size_t i = 0; i < defaults.size(); ++i) {
    EXPECT_EQ(list[i].id, "nav:" + defaults[i].path);
    EXPECT_EQ(list[i].title, defaults[i].title);
  }
  // The account's pages arriving later change the list.
  int changed = 0;
  ScopedConnection c = w.palette->entriesChanged().connect([&] { ++changed; });
  w.nav = {{"日历与待办", "calendar", "/calendar"}};
  w.navChanged.emit();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(w.palette->entries().front().id, "nav:/calendar");
}

TEST(PaletteFilter, CategoryKeepsOnlyItsEntriesInOrder) {
  PaletteWorld w;
  w.palette->chooseCategory(Category::contract);
  EXPECT_TRUE(w.palette->entries().empty());  // nothing loaded yet
  w.load(kNodes);
  EXPECT_EQ(ids(w.palette->entries()), std::vector<std::string>{"contract:7"});
  w.palette->chooseCategory(Category::client);
  EXPECT_EQ(ids(w.palette->entries()), (std::vector<std::string>{"client:11", "client:12"}));
  w.palette->chooseCategory(Category::action);
  EXPECT_EQ(w.palette->entries().size(), 8u);
  w.palette->setQuery("张三");
  EXPECT_TRUE(w.palette->entries().empty());
}

TEST(PaletteFilter, TextIsTrimmedFoldedAndSplitAtPlainSpacesIntoWordsThatMustAllOccur) {
  PaletteWorld w;
  w.load(kNodes);
  auto matching = [&](const std::string& q) {
    w.palette->setQuery(q);
    return ids(w.palette->entries());
  };
  // Blanks and line breaks only filter nothing.
  EXPECT_EQ(matching(" \n\t\u3000").size(), 11u);
  // Case folding on either side, also beyond ASCII.
  EXPECT_EQ(matching("ht-2026-007"), (std::vector<std::string>{"contract:7", "client:11"}));
  EXPECT_EQ(matching("ÄRZTE"), std::vector<std::string>{"client:12"});
  EXPECT_EQ(matching("gmbh"), std::vector<std::string>{"client:12"});
  // Two words, trimmed, two spaces between them, either order.
  EXPECT_EQ(matching("  张三  ht-2026 \n"), std::vector<std::string>{"client:11"});
  EXPECT_EQ(matching("2 张三"), std::vector<std::string>{"client:11"});
  // The words must all occur: one missing word drops the entry.
  EXPECT_TRUE(matching("张三 李四").empty());
  // Title and subtitle are one haystack joined by one space.
  EXPECT_EQ(matching("007 位客户"), std::vector<std::string>{"contract:7"});
  EXPECT_EQ(matching("中心 /cases"), std::vector<std::string>{"nav:/cases"});
  // A tab or an ideographic space inside the query is part of a word, not a separator.
  EXPECT_TRUE(matching("张三\tht").empty());
  EXPECT_TRUE(matching("张三\u3000ht").empty());
  // Page paths are searchable through the subtitle; ids and symbols are not.
  EXPECT_EQ(matching("/dashboard"), std::vector<std::string>{"nav:/dashboard"});
  EXPECT_TRUE(matching("client:").empty());
  EXPECT_TRUE(matching("gearshape").empty());
  // The Linux key names are what is shown, so they are what is found.
  EXPECT_EQ(matching("ctrl+shift+d"), std::vector<std::string>{"act:todo"});
}

TEST(PaletteFilter, AtMostEightyEntriesInBuildOrderWithoutSorting) {
  PaletteWorld w;
  w.load(contractsJson(100));
  auto list = w.palette->entries();
  ASSERT_EQ(list.size(), CommandPalette::kMaxEntries);
  // Two pages and six actions first, then the first 72 contracts; no client fits.
  EXPECT_EQ(list[0].id, "nav:/dashboard");
  EXPECT_EQ(list[8].id, "contract:1");
  EXPECT_EQ(list.back().id, "contract:72");
  w.palette->chooseCategory(Category::contract);
  list = w.palette->entries();
  ASSERT_EQ(list.size(), 80u);
  EXPECT_EQ(list.back().id, "contract:80");
  // A narrower query is cut after filtering: "ht-1" matches 1, 10–19 and 100.
  w.palette->setQuery("HT-1");
  EXPECT_EQ(w.palette->entries().size(), 12u);
  // The pill counts are those of the loaded lists, not of the filtered rows.
  EXPECT_EQ(w.palette->badgeCount(Category::contract), 100u);
  EXPECT_EQ(w.palette->badgeCount(Category::client), 1u);
}

TEST(PaletteBadges, OnlyContractAndClientPillsCountAndOnlyAboveZero) {
  PaletteWorld w;
  for (Category c : CommandPalette::allCategories) EXPECT_EQ(w.palette->badgeCount(c), std::nullopt);
  w.load(kNodes);
  EXPECT_EQ(w.palette->badgeCount(Category::all), std::nullopt);
  EXPECT_EQ(w.palette->badgeCount(Category::action), std::nullopt);
  EXPECT_EQ(w.palette->badgeCount(Category::contract), 1u);
  EXPECT_EQ(w.palette->badgeCount(Category::client), 2u);
  w.load(R"({"ok":true,"contracts":[],"clients":[]})");
  EXPECT_EQ(w.palette->badgeCount(Category::client), std::nullopt);

  EXPECT_EQ(CommandPalette::rawValue(Category::client), "客户");
  EXPECT_EQ(CommandPalette::categoryFromRawValue("合同"), Category::contract);
  EXPECT_EQ(CommandPalette::categoryFromRawValue("contract"), std::nullopt);
}

TEST(PaletteSelection, WrapsBothWaysResetsOnQueryOrPillAndSurvivesALoad) {
  PaletteWorld w;
  const int count = static_cast<int>(w.palette->entries().size());  // 2 pages + 6 actions
  w.palette->selectPrevious();
  EXPECT_EQ(w.palette->selectedIndex.get(), count - 1);
  w.palette->selectNext();
  EXPECT_EQ(w.palette->selectedIndex.get(), 0);
  w.palette->selectNext();
  w.palette->selectNext();
  EXPECT_EQ(w.palette->selectedIndex.get(), 2);

  // A completed load keeps the highlight.
  w.load(kNodes);
  EXPECT_EQ(w.palette->selectedIndex.get(), 2);
  w.palette->setQuery("张");
  EXPECT_EQ(w.palette->selectedIndex.get(), 0);
  w.palette->selectNext();
  w.palette->chooseCategory(Category::client);
  EXPECT_EQ(w.palette->selectedIndex.get(), 0);

  // An empty list: both keys leave the highlight where it is.
  w.palette->setQuery("无此条目");
  w.palette->selectNext();
  w.palette->selectPrevious();
  EXPECT_EQ(w.palette->selectedIndex.get(), 0);
}

TEST(PaletteExecute, OutOfRangeDoesNothingAndLeavesThePaletteOpen) {
  PaletteWorld w;
  w.load(kNodes);
  w.palette->chooseCategory(Category::client);
  w.palette->selectNext();  // the second client
  // The list shrinks under the highlight (a narrower load).
  w.load(R"({"ok":true,"contracts":[],"clients":[{"id":11,"name":"张三","contract":"","procs":0}]})");
  ASSERT_EQ(w.palette->selectedIndex.get(), 1);
  w.palette->openSelected(false);
  w.palette->setQuery("无此条目");
  w.palette->openSelected(true);
  w.runLater();
  EXPECT_TRUE(w.calls.empty());
}

TEST(PaletteExecute, ClosesFirstThenOpensThePageOrRunsTheActionOnALaterTurn) {
  PaletteWorld w;
  w.load(kNodes);
  w.palette->setQuery("张三");
  w.palette->openSelected(false);
  EXPECT_EQ(w.calls, (std::vector<std::string>{"close", "showMainWindow", "loadInActive /client_detail/11"}));
  w.calls.clear();
  w.palette->openSelected(true);
  EXPECT_EQ(w.calls, (std::vector<std::string>{"close", "showMainWindow", "newTab /client_detail/11 张三"}));

  // An action: the palette is closed now, the action only on the next turn, whatever
  // the new-tab flag says.
  w.calls.clear();
  w.palette->setQuery("待办");
  w.palette->openSelected(true);
  EXPECT_EQ(w.calls, std::vector<std::string>{"close"});
  ASSERT_EQ(w.laterQueue.size(), 1u);
  w.runLater();
  EXPECT_EQ(w.calls, (std::vector<std::string>{"close", "todo"}));
  // Rows carried out directly close the palette the same way.
  w.calls.clear();
  w.palette->execute(w.palette->entries().front(), false);
  w.runLater();
  EXPECT_EQ(w.calls, (std::vector<std::string>{"close", "todo"}));
}

TEST(PaletteLoad, FillsTheListsAndAFailedOrUnreadableReadKeepsThem) {
  PaletteWorld w;
  w.palette->load(false);
  EXPECT_TRUE(w.palette->loading.get());
  w.fetches->answer(std::string(kNodes));
  EXPECT_FALSE(w.palette->loading.get());
  EXPECT_EQ(w.palette->contracts->size(), 1u);
  EXPECT_EQ(w.palette->clients->size(), 2u);

  // A failed read, a sign-in page, JSON of another shape: lists and counts stay.
  for (std::optional<std::string> reply : {std::optional<std::string>{}, std::optional<std::string>{"<html>登录</html>"},
                                           std::optional<std::string>{R"({"ok":true,"rows":[]})"}}) {
    w.palette->load(true);
    EXPECT_TRUE(w.palette->loading.get());
    w.fetches->answer(reply);
    EXPECT_FALSE(w.palette->loading.get());
    EXPECT_EQ(w.palette->contracts->size(), 1u);
    EXPECT_EQ(w.palette->badgeCount(Category::client), 2u);
  }
  // `force` reaches the read; the reply's ok flag is not examined.
  EXPECT_EQ(w.fetches->forces, (std::vector<bool>{false, true, true, true}));
  w.load(R"({"ok":false,"contracts":[],"clients":[{"id":5,"name":"王五","contract":"","procs":0}]})");
  EXPECT_EQ(w.palette->clients->size(), 1u);
  EXPECT_TRUE(w.palette->contracts->empty());
}

TEST(PaletteLoad, OverlappingLoadsKeepLoadingUntilTheLastEndsAndTheNewerReplyWins) {
  PaletteWorld w;
  w.palette->load(false);
  w.palette->load(true);
  // The refresh answers first; the older read ends after it with older lists.
  w.fetches->pending.back()(std::string(kNodes));
  w.fetches->pending.pop_back();
  EXPECT_TRUE(w.palette->loading.get());
  w.fetches->answer(std::string(contractsJson(3)));
  EXPECT_FALSE(w.palette->loading.get());
  EXPECT_EQ(w.palette->contracts->size(), 1u);
  EXPECT_EQ(w.palette->clients->front().name, "张三");
}

TEST(PaletteLoad, AReplyAfterThePaletteIsGoneTouchesNothing) {
  PaletteWorld w;
  w.palette->load(false);
  w.palette.reset();
  // Without the scope this would write into the freed palette (the sanitizer stage
  // reports it); with it the read ends quietly.
  w.fetches->answer(std::string(kNodes));
  EXPECT_TRUE(w.fetches->pending.empty());
}

TEST(PaletteEntries, AreBuiltOncePerLoadAndOnlyFilteredPerKeyOrArrow) {
  PaletteWorld w;
  int navReads = 0;
  CommandPalette::Services s;
  auto fetches = w.fetches;
  s.visibleNavItems = [&] {
    ++navReads;
    return w.nav;
  };
  s.navItemsChanged = {&w.navChanged};
  s.fetchNodesCached = [fetches](bool force) { return pendingFetch(fetches, force); };
  s.later = [](std::function<void()> fn) { fn(); };
  w.palette = std::make_unique<CommandPalette>(std::move(s), CommandPalette::Actions{}, [] {});
  w.load(contractsJson(3000));
  const int afterLoad = navReads;
  EXPECT_LE(afterLoad, 1);
  for (const char* q : {"h", "ht", "ht-", "ht-2", "ht-29"}) w.palette->setQuery(q);
  for (int i = 0; i < 20; ++i) w.palette->selectNext();
  w.palette->selectPrevious();
  w.palette->chooseCategory(Category::contract);
  EXPECT_EQ(navReads, std::max(afterLoad, 1));  // the pages read once, for the first list
  // The keys gave the same rows the pure rule gives.
  std::vector<std::string> expected;
  for (const auto& e : CommandPalette::buildEntries(w.nav, {}, w.palette->contracts.get(), w.palette->clients.get(),
                                                    Category::contract, "ht-29"))
    expected.push_back(e.id);
  EXPECT_EQ(ids(w.palette->entries()), expected);
  EXPECT_EQ(w.palette->entries().size(), CommandPalette::kMaxEntries);
  EXPECT_EQ(w.palette->matchCount(), 111u);  // HT-29, HT-290 … HT-299, HT-2900 … HT-2999
  // New pages are a new list.
  w.nav = {{"日历与待办", "calendar", "/calendar"}};
  w.navChanged.emit();
  w.palette->setQuery("");
  w.palette->chooseCategory(Category::action);
  ASSERT_FALSE(w.palette->entries().empty());
  EXPECT_EQ(w.palette->entries().front().id, "nav:/calendar");
}

TEST(PaletteEntries, ACutListSaysHowManyItShowsOfHowMany) {
  PaletteWorld w;
  w.load(contractsJson(200));
  EXPECT_EQ(w.palette->entries().size(), CommandPalette::kMaxEntries);
  EXPECT_EQ(w.palette->matchCount(), 8u + 200u + 1u);
  EXPECT_EQ(CommandPalette::countText(80, 209), "显示前 80 项（共 209 项，输入关键词缩小范围）");
  EXPECT_EQ(CommandPalette::countText(11, 11), "共 11 项");
  w.palette->setQuery("HT-19");
  EXPECT_EQ(w.palette->matchCount(), 11u);
  EXPECT_EQ(w.palette->entries().size(), 11u);
}

TEST(PaletteOpening, StartsEmptyWhateverTheLastOpeningLeft) {
  PaletteWorld w;
  w.load(kNodes);
  w.palette->chooseCategory(Category::client);
  w.palette->setQuery("张");
  w.palette->selectNext();
  int changed = 0;
  ScopedConnection c = w.palette->entriesChanged().connect([&] { ++changed; });
  w.nav = {{"日历与待办", "calendar", "/calendar"}};  // pages changed while it was closed
  w.palette->resetForOpening();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(w.palette->query.get(), "");
  EXPECT_EQ(w.palette->category.get(), Category::all);
  EXPECT_EQ(w.palette->selectedIndex.get(), 0);
  // Loaded fresh: the new pages, the last contracts and clients.
  EXPECT_EQ(w.palette->entries().front().id, "nav:/calendar");
  EXPECT_EQ(w.palette->entries().size(), 1u + 6u + 1u + 2u);
  // A bare Return now opens the first row, not the client chosen before.
  w.palette->openSelected(false);
  EXPECT_EQ(w.calls, (std::vector<std::string>{"close", "showMainWindow", "loadInActive /calendar"}));
}

TEST(PaletteLoad, AFailedOrRefusedReadIsSaidInChineseAndLogged) {
  std::vector<std::string> lines;
  setLogSink([&](const std::string& line) { lines.push_back(line); });
  PaletteWorld w;
  auto shown = [&] { return CommandPalette::loadFailureText(w.palette->loadFailure.get()); };
  w.palette->load(false);
  w.fetches->answer(std::nullopt);
  EXPECT_EQ(shown(), "合同与客户未能载入：没有打开的页面（请先登录）");
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("[Quorvel][PALETTE] 合同与客户未能载入：没有打开的页面（请先登录）"), std::string::npos)
      << lines.back();
  w.palette->load(true);
  w.fetches->answer(std::string("<html>登录</html>"));
  EXPECT_EQ(shown(), "合同与客户未能载入：服务器回复不是合同与客户列表");
  // A load that works clears it.
  w.load(kNodes);
  EXPECT_EQ(shown(), "");
  setLogSink({});
}

TEST(PaletteEntries, AReloadOfAsManyNodesShowsAndMatchesOnlyTheNewOnes) {
  PaletteWorld w;
  w.load(kNodes);
  w.palette->setQuery("张三");
  ASSERT_EQ(ids(w.palette->entries()), (std::vector<std::string>{"client:11"}));
  // Same counts, other nodes: the rows and their search texts are the new reply's.
  w.palette->load(true);
  w.fetches->answer(std::string(
      R"({"ok":true,"contracts":[{"id":8,"no":"HT-2026-008","clients":1,"procs":4}],)"
      R"("clients":[{"id":21,"name":"李四","contract":"HT-2026-008","procs":5},)"
      R"({"id":22,"name":"Börse AG","contract":"","procs":0}]})"));
  EXPECT_TRUE(w.palette->entries().empty());
  EXPECT_EQ(w.palette->matchCount(), 0u);
  w.palette->setQuery("börse");
  ASSERT_EQ(w.palette->entries().size(), 1u);
  const auto& client = w.palette->entries().front();
  EXPECT_EQ(client.id, "client:22");
  EXPECT_EQ(client.category, Category::client);
  EXPECT_EQ(client.title, "Börse AG");
  EXPECT_EQ(client.subtitle, "客户 · 0 个程序");
  EXPECT_EQ(client.path, "/client_detail/22");
  // A contract's subtitle is searched too, and a client's names its contract.
  w.palette->setQuery("4 个程序");
  EXPECT_EQ(ids(w.palette->entries()), (std::vector<std::string>{"contract:8"}));
  w.palette->setQuery("合同 ht-2026-008");
  EXPECT_EQ(ids(w.palette->entries()), (std::vector<std::string>{"contract:8", "client:21"}));
  EXPECT_EQ(find(w.palette->entries(), "client:21")->subtitle, "合同 HT-2026-008 · 5 个程序");
}
