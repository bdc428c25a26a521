#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "BrowserModelProbe.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/Clock.h"
#include "base/MainQueue.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "ui/model/WorkspaceViewState.h"

using namespace quorvel;
using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {
class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.defaults().set("serverURL", "https://example.com");
  }
  void TearDown() override { drainMainLoop(); }
  std::shared_ptr<BrowserModel> make() { return pages.model(); }
  // A model with n tabs on /t0 … /t(n-1); the last one is active.
  std::shared_ptr<BrowserModel> withTabs(int n) {
    home.defaults().remove("session.tabs.v1");
    auto m = make();
    while (!m->tabs()->empty()) m->close(m->tabs().get()[0]);
    for (int i = 0; i < n; ++i) m->newTab("/t" + std::to_string(i), "T" + std::to_string(i));
    return m;
  }
  int activeIndex(const BrowserModel& m) {
    for (size_t i = 0; i < m.tabs()->size(); ++i)
      if (m.tabs().get()[i]->id() == *m.activeID().get()) return static_cast<int>(i);
    return -1;
  }
  TempHome home;
  FakePages pages{home.defaults()};
};
}  // namespace

TEST_F(ModelTest, StartsWithTheDashboardTab) {
  auto m = make();
  ASSERT_EQ(m->tabs()->size(), 1u);
  auto t = m->activeTab();
  EXPECT_EQ(t->title.get(), "个人工作台");
  EXPECT_EQ(t->currentPath.get(), "/dashboard");
  EXPECT_EQ(m->activePath().get(), "/dashboard");
  ASSERT_EQ(pages.made.size(), 1u);
  EXPECT_EQ(pages.made[0]->loads, std::vector<std::string>{"https://example.com/dashboard"});
  // Opening the tab wrote the session.
  auto s = home.defaults().object("session.tabs.v1");
  ASSERT_TRUE(s && s->is_array());
  EXPECT_EQ((*s)[0]["title"], "个人工作台");
}

TEST_F(ModelTest, NewTabKeepsItsQueryAndBecomesActive) {
  auto m = make();
  auto t = m->newTab("/cases?tab=2&q=%E5%BC%A0", "案件");
  EXPECT_EQ(m->activeTab(), t);
  EXPECT_EQ(t->currentPath.get(), "/cases?tab=2&q=%E5%BC%A0");
  EXPECT_EQ(fakeOf(t)->loads.back(), "https://example.com/cases?tab=2&q=%E5%BC%A0");
}

TEST_F(ModelTest, ClosingPicksTheRightNeighbourOrTheNewLast) {
  auto m = withTabs(3);
  m->close(m->tabs().get()[2]);  // active last of three
  EXPECT_EQ(activeIndex(*m), 1);
  m->newTab("/x", "X");
  m->selectTab(0);
  auto second = m->tabs().get()[1];
  m->close(m->tabs().get()[0]);  // active first
  EXPECT_EQ(m->activeTab(), second);
  // Closing a tab that is not active leaves the active one.
  auto active = m->activeTab();
  m->close(m->tabs().get()[1]);
  EXPECT_EQ(m->activeTab(), active);
}

TEST_F(ModelTest, ClosingTheOnlyTabThenLoadingOpensANewTab) {
  auto m = make();
  m->close(m->activeTab());
  EXPECT_TRUE(m->tabs()->empty());
  EXPECT_FALSE(m->activeID().get());
  EXPECT_EQ(m->activePath().get(), "");
  m->loadInActive("/calendar");
  ASSERT_EQ(m->tabs()->size(), 1u);
  EXPECT_EQ(m->activeTab()->title.get(), "新标签");
  EXPECT_EQ(m->activePath().get(), "/calendar");
}

TEST_F(ModelTest, SelectNextWrapsAndSelectTabIgnoresBadPositions) {
  auto m = withTabs(3);
  m->selectNext(1);  // from the last
  EXPECT_EQ(activeIndex(*m), 0);
  m->selectNext(-1);  // from the first
  EXPECT_EQ(activeIndex(*m), 2);
  m->selectTab(1);
  m->selectNext(-3);  // clamp-and-wrap, not modulo
  EXPECT_EQ(activeIndex(*m), 2);
  m->selectTab(9);
  m->selectTab(-1);
  EXPECT_EQ(activeIndex(*m), 2);
  auto single = withTabs(1);
  auto only = single->activeTab();
  single->selectNext(1);
  EXPECT_EQ(single->activeTab(), only);
}

TEST_F(ModelTest, MoveTabLandsDirectlyBeforeTheTarget) {
  auto m = withTabs(4);
  auto a = m->tabs().get()[0], b = m->tabs().get()[3];
  auto active = m->activeTab();
  m->moveTab(a->id(), b->id());
  EXPECT_EQ(m->tabs().get()[2], a);
  EXPECT_EQ(m->tabs().get()[3], b);
  EXPECT_EQ(m->activeTab(), active);
  auto before = m->tabs().get();
  m->moveTab(a->id(), a->id());
  m->moveTab("nope", b->id());
  EXPECT_EQ(m->tabs().get(), before);
}

TEST_F(ModelTest, CloseOthersAndCloseToRightKeepAHibernatedTabAsleep) {
  auto m = withTabs(4);
  auto first = m->tabs().get()[0];
  first->teardownWebView();
  m->closeToRight(first);  // the active tab was to the right
  ASSERT_EQ(m->tabs()->size(), 1u);
  EXPECT_EQ(m->activeTab(), first);
  EXPECT_EQ(first->webView(), nullptr);

  auto m2 = withTabs(3);
  auto keep = m2->tabs().get()[1];
  keep->teardownWebView();
  auto others = m2->tabs().get();
  m2->closeOthers(keep);
  EXPECT_EQ(m2->tabs()->size(), 1u);
  EXPECT_EQ(m2->activeTab(), keep);
  EXPECT_EQ(keep->webView(), nullptr);
  EXPECT_EQ(others[0]->webView(), nullptr);

  auto m3 = withTabs(3);
  m3->selectTab(0);
  auto active = m3->activeTab();
  m3->closeToRight(m3->tabs().get()[1]);
  EXPECT_EQ(m3->tabs()->size(), 2u);
  EXPECT_EQ(m3->activeTab(), active);
}

TEST_F(ModelTest, ActivateWakesAndClosingActiveWakesTheNext) {
  auto m = withTabs(3);
  auto t0 = m->tabs().get()[0];
  t0->teardownWebView();
  EXPECT_EQ(t0->hibernatedURL->toString(), "https://example.com/t0");
  m->activate(t0);
  ASSERT_NE(t0->webView(), nullptr);
  EXPECT_EQ(fakeOf(t0)->loads.back(), "https://example.com/t0");
  auto t1 = m->tabs().get()[1];
  t1->teardownWebView();
  m->close(t0);
  EXPECT_EQ(m->activeTab(), t1);
  EXPECT_NE(t1->webView(), nullptr);
}

TEST_F(ModelTest, LoadInActiveSplitsTheQueryVerbatim) {
  auto m = make();
  m->loadInActive("/search?q=%E5%BC%A0%20三&x=a+b");
  EXPECT_EQ(m->activeTab()->currentPath.get(), "/search");
  EXPECT_EQ(fakeOf(m->activeTab())->loads.back(), "https://example.com/search?q=%E5%BC%A0%20三&x=a+b");
  auto before = fakeOf(m->activeTab())->loads.size();
  m->loadInActive("relative");  // no URL can be formed: nothing changes
  EXPECT_EQ(fakeOf(m->activeTab())->loads.size(), before);
  EXPECT_EQ(m->activeTab()->currentPath.get(), "/search");
}

TEST_F(ModelTest, FontScaleOnlyFromANumber) {
  home.defaults().set("fontScale", "1.2");
  EXPECT_EQ(WorkspaceViewState(home.defaults()).fontScale.get(), 1.0);
  home.defaults().set("fontScale", 1.15);
  EXPECT_DOUBLE_EQ(WorkspaceViewState(home.defaults()).fontScale.get(), 1.15);
}

TEST_F(ModelTest, NewTabOffTheMainThreadIsQueued) {
  auto m = make();
  std::shared_ptr<BrowserTab> detached;
  std::thread([&] { detached = m->newTab("/cases", "案件"); }).join();
  EXPECT_EQ(detached->webView(), nullptr);
  EXPECT_EQ(m->tabs()->size(), 1u);
  runMainLoopUntil([&] { return m->tabs()->size() == 2; }, 1000);
  ASSERT_EQ(m->tabs()->size(), 2u);
  EXPECT_NE(m->tabs().get()[1], detached);
  EXPECT_EQ(m->tabs().get()[1]->title.get(), "案件");
}

// Session.

namespace {
void storeSession(UserDefaults& defaults, nlohmann::json entries, nlohmann::json active) {
  defaults.set("session.tabs.v1", std::move(entries));
  defaults.set("session.tabs.v1.active", std::move(active));
}
}  // namespace

TEST_F(ModelTest, RestoresThreeTabsWithOnlyTheClampedActiveLive) {
  storeSession(home.defaults(), {{{"url", "https://example.com/a"}, {"title", "A"}},
                {{"url", "https://example.com/b"}, {"title", "B"}},
                {{"url", "https://App.Example.com/c?x=1"}, {"title", "C"}}},
               7);
  auto m = make();
  ASSERT_EQ(m->tabs()->size(), 3u);
  EXPECT_EQ(activeIndex(*m), 2);
  EXPECT_EQ(m->tabs().get()[0]->webView(), nullptr);
  EXPECT_EQ(m->tabs().get()[1]->webView(), nullptr);
  ASSERT_NE(m->activeTab()->webView(), nullptr);
  EXPECT_EQ(fakeOf(m->activeTab())->loads.back(), "https://App.Example.com/c?x=1");  // a subdomain is the service's
  EXPECT_EQ(m->tabs().get()[1]->currentPath.get(), "/b");
  EXPECT_EQ(pages.made.size(), 1u);  // one web view however many tabs
}

TEST_F(ModelTest, RestoreSkipsUnusableEntriesAndKeepsTheRest) {
  storeSession(home.defaults(), {{{"url", "/relative"}, {"title", "R"}},
                {{"url", "https://example.com/a"}, {"title", 5}},
                {{"url", "https://example.com/b"}},
                {{"url", "https://example.com/c"}, {"title", ""}},
                "garbage"},
               -4);
  auto m = make();
  ASSERT_EQ(m->tabs()->size(), 2u);
  EXPECT_EQ(m->tabs().get()[0]->title.get(), "标签");
  EXPECT_EQ(m->tabs().get()[1]->title.get(), "");
  EXPECT_EQ(activeIndex(*m), 0);
}

TEST_F(ModelTest, OnlyTheServicesAddressesAreRestoredAndTheOthersAreLogged) {
  std::vector<std::string> logs;
  setLogSink([&](const std::string& line) { logs.push_back(line); });
  storeSession(home.defaults(), {{{"url", "https://evil.org/phish?token=1"}, {"title", "E"}},
                {{"url", "https://badexample.com/a"}, {"title", "B"}},
                {{"url", "http://example.com/plain"}, {"title", "H"}},
                {{"url", "https://example.com:8443/port"}, {"title", "P"}},
                {{"url", "mailto:someone@example.com"}, {"title", "M"}},
                {{"url", "https://example.com/kept"}, {"title", "K"}}},
               0);
  auto m = make();
  setLogSink({});
  ASSERT_EQ(m->tabs()->size(), 1u);
  EXPECT_EQ(m->activeTab()->title.get(), "K");
  EXPECT_EQ(fakeOf(m->activeTab())->loads, std::vector<std::string>{"https://example.com/kept"});
  EXPECT_EQ(countContaining(logs, "[Quorvel][SESSION] 跳过不属于服务器的标签记录"), 4);
  EXPECT_EQ(countContaining(logs, "https://evil.org"), 1);
  EXPECT_EQ(countContaining(logs, "token=1"), 0) << "a dropped page's query stays out of the log";

  // Nothing of the service's at all: the start tab opens instead.
  storeSession(home.defaults(), {{{"url", "https://evil.org/"}, {"title", "E"}}}, 0);
  auto fresh = make();
  ASSERT_EQ(fresh->tabs()->size(), 1u);
  EXPECT_EQ(fresh->activeTab()->title.get(), "个人工作台");
  EXPECT_EQ(fakeOf(fresh->activeTab())->loads, std::vector<std::string>{"https://example.com/dashboard"});
}

TEST_F(ModelTest, OnlyARelativeEntryOpensTheDefaultTab) {
  storeSession(home.defaults(), {{{"url", "/relative"}, {"title", "R"}}}, 0);
  auto m = make();
  ASSERT_EQ(m->tabs()->size(), 1u);
  EXPECT_EQ(m->activeTab()->title.get(), "个人工作台");
}

TEST_F(ModelTest, SessionOfAnyShapeNeverCrashes) {
  for (auto shape : {nlohmann::json(nullptr), nlohmann::json(3), nlohmann::json("x"), nlohmann::json::object(),
                     nlohmann::json::array({nlohmann::json::array({1, 2})}),
                     nlohmann::json::array({{{"url", nlohmann::json::array()}}})}) {
    storeSession(home.defaults(), shape, "seven");
    auto m = make();
    EXPECT_EQ(m->tabs()->size(), 1u) << shape.dump();
  }
}

TEST_F(ModelTest, RestoreWritesTheSessionRestoreAuditRecord) {
  storeSession(home.defaults(), {{{"url", "https://example.com/a"}, {"title", "A"}}}, 0);
  auto m = make();
  drainMainLoop();
  std::ifstream in(AppConfig::dataDir() / "upload-audit.jsonl");
  std::string line;
  std::getline(in, line);
  auto j = nlohmann::json::parse(line);
  EXPECT_EQ(j["action"], "session-restore");
  EXPECT_EQ(j["tabs"], 1);
  EXPECT_EQ(j["active"], "A");
  EXPECT_EQ(j["url"], "https://example.com/a");
}

TEST_F(ModelTest, SavingWritesHibernatedAddressesAndTheActiveIndex) {
  auto m = withTabs(3);
  m->tabs().get()[0]->teardownWebView();
  m->selectTab(1);
  m->saveSession();
  auto s = *home.defaults().object("session.tabs.v1");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0]["url"], "https://example.com/t0");
  EXPECT_EQ(s[1]["title"], "T1");
  EXPECT_EQ(home.defaults().integer("session.tabs.v1.active"), 1);
}

TEST_F(ModelTest, TheSessionKeepsTheAddressATabWasMeantToShow) {
  auto m = withTabs(3);
  auto failed = m->tabs().get()[0];
  auto blank = m->tabs().get()[1];
  auto loaded = m->tabs().get()[2];
  // A load that failed: the view may hold a blank document or the engine's own address.
  failed->intendedURL = Url::parse("https://example.com/cases?id=3");
  fakeOf(failed)->url = "about:blank";
  // A view left blank, with an earlier address from hibernation.
  blank->hibernatedURL = Url::parse("https://example.com/t1-before");
  fakeOf(blank)->url = "about:blank";
  m->saveSession();
  auto s = *home.defaults().object("session.tabs.v1");
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0]["url"], "https://example.com/cases?id=3");
  EXPECT_EQ(s[1]["url"], "https://example.com/t1-before");
  EXPECT_EQ(s[2]["url"], "https://example.com/t2");
  for (auto& e : s) EXPECT_NE(e["url"], "about:blank");

  // Hibernating keeps the intended address too, and waking loads it.
  failed->teardownWebView();
  ASSERT_TRUE(failed->hibernatedURL);
  EXPECT_EQ(failed->hibernatedURL->toString(), "https://example.com/cases?id=3");
  EXPECT_FALSE(failed->intendedURL);
  blank->teardownWebView();
  EXPECT_EQ(blank->hibernatedURL->toString(), "https://example.com/t1-before");
  m->wake(failed);
  EXPECT_EQ(fakeOf(failed)->loads, std::vector<std::string>{"https://example.com/cases?id=3"});
}

TEST_F(ModelTest, APageChangeSavesTheSessionAtMostOnceInTwoSeconds) {
  pages.clock.set(Clock::time_point{} + std::chrono::hours(1000));
  auto m = withTabs(1);
  auto tab = m->activeTab();
  auto saved = [&] { return (*home.defaults().object("session.tabs.v1"))[0]["url"].get<std::string>(); };
  auto goTo = [&](const std::string& path) {
    fakeOf(tab)->url = "https://example.com" + path;
    m->pageFinished().emit(path);
  };
  goTo("/proceedings/1");
  EXPECT_EQ(saved(), "https://example.com/proceedings/1") << "the first change waits for nothing";
  goTo("/proceedings/2");
  goTo("/proceedings/3");
  drainMainLoop();
  EXPECT_EQ(saved(), "https://example.com/proceedings/1") << "saved again within the pause";
  // Once the pause is over, the latest page is saved (one save for both changes).
  EXPECT_TRUE(waitUntil([&] { return saved() == "https://example.com/proceedings/3"; }, 4000));
  // Past the pause by the model's clock, a change is saved at once again.
  pages.clock.set(pages.clock.now() + 3s);
  goTo("/proceedings/4");
  EXPECT_EQ(saved(), "https://example.com/proceedings/4");
}

TEST_F(ModelTest, DiagnosticModeNeitherReadsNorWritesTheSession) {
  storeSession(home.defaults(), {{{"url", "https://example.com/a"}, {"title", "A"}}}, 0);
  auto m = pages.model(nullptr, AppMode::diagnostic);
  EXPECT_EQ(m->activeTab()->title.get(), "个人工作台");
  m->newTab("/x", "X");
  auto s = *home.defaults().object("session.tabs.v1");
  EXPECT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0]["title"], "A");
}

// Hibernation.

TEST_F(ModelTest, IdleTabsHibernateOnlyPastTwentyMinutes) {
  pages.clock.set(Clock::time_point{} + std::chrono::hours(1000));
  auto m = withTabs(2);
  auto other = m->tabs().get()[0];
  auto active = m->tabs().get()[1];
  active->lastActive = pages.clock.now() - 1h;  // the active tab is never hibernated
  other->lastActive = pages.clock.now() - 1200s;
  m->hibernateIdleTabs();
  EXPECT_NE(other->webView(), nullptr);
  other->lastActive = pages.clock.now() - 1201s;
  m->hibernateIdleTabs();
  EXPECT_EQ(other->webView(), nullptr);
  EXPECT_NE(active->webView(), nullptr);
  EXPECT_EQ(other->title.get(), "T0");

  auto single = withTabs(1);
  single->activeTab()->lastActive = pages.clock.now() - 5h;
  BrowserModelProbe::setActiveID(*single, std::nullopt);
  single->hibernateIdleTabs();
  EXPECT_NE(single->tabs().get()[0]->webView(), nullptr);
}

TEST_F(ModelTest, HibernateOthersCountsWhatItReleased) {
  auto m = withTabs(4);
  EXPECT_EQ(m->hibernateOthers(), 3);
  EXPECT_EQ(m->hibernateOthers(), 0);
  EXPECT_EQ(m->liveTabCount(), 1);
  for (auto& p : pages.made)
    if (p.get() != m->activeTab()->webView()) EXPECT_TRUE(p->tornDown);
}

TEST_F(ModelTest, WakingATabWithoutAddressLoadsNothing) {
  auto m = withTabs(2);
  auto t = m->tabs().get()[0];
  fakeOf(t)->url.reset();
  t->teardownWebView();
  EXPECT_FALSE(t->hibernatedURL);
  m->wake(t);
  ASSERT_NE(t->webView(), nullptr);
  EXPECT_TRUE(fakeOf(t)->loads.empty());
}

// The tab list says which rows changed, after `tabs` holds the new list.
TEST_F(ModelTest, TabRowsChangesNameTheRowsThatMoved) {
  auto m = withTabs(3);
  std::vector<TabRowsChange> seen;
  std::vector<size_t> sizes;
  auto conn = m->tabRowsChanged().connect([&](const TabRowsChange& c) {
    seen.push_back(c);
    sizes.push_back(m->tabs()->size());
  });
  auto t0 = m->tabs().get()[0];
  auto t2 = m->tabs().get()[2];

  m->newTab("/t3", "T3");
  m->moveTab(t2->id(), t0->id());  // T2 before T0: row 2 → row 0
  m->close(m->tabs().get()[1]);      // T0, now at row 1
  m->closeOthers(t2);

  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].kind, TabRowsChange::inserted);
  EXPECT_EQ(seen[0].index, 3);
  EXPECT_EQ(sizes[0], 4u);
  EXPECT_EQ(seen[1].kind, TabRowsChange::moved);
  EXPECT_EQ(seen[1].from, 2);
  EXPECT_EQ(seen[1].index, 0);
  EXPECT_EQ(seen[2].kind, TabRowsChange::removed);
  EXPECT_EQ(seen[2].index, 1);
  EXPECT_EQ(sizes[2], 3u);
  EXPECT_EQ(seen[3].kind, TabRowsChange::reset);
  EXPECT_EQ(sizes[3], 1u);
  conn.disconnect();
}

// Back, forward and reload reach only the active tab's live page.
TEST_F(ModelTest, NavigationActsOnTheActiveLivePageOnly) {
  auto m = withTabs(2);
  auto active = m->activeTab();
  auto other = m->tabs().get()[0];
  m->goBack();
  m->goForward();
  m->reload();
  EXPECT_EQ(fakeOf(active)->backCount, 1);
  EXPECT_EQ(fakeOf(active)->forwardCount, 1);
  EXPECT_EQ(fakeOf(active)->reloadCount, 1);
  EXPECT_EQ(fakeOf(other)->backCount + fakeOf(other)->forwardCount + fakeOf(other)->reloadCount, 0);

  auto* page = fakeOf(active);
  auto keep = active->webViewPtr();
  active->teardownWebView();
  m->goBack();
  m->goForward();
  m->reload();
  EXPECT_EQ(page->backCount + page->forwardCount + page->reloadCount, 3);

  while (!m->tabs()->empty()) m->close(m->tabs().get()[0]);
  m->reload();  // no tab: nothing to do, nothing breaks
}

TEST_F(ModelTest, HibernatingATabReleasesItOnceAndSaysSo) {
  auto m = withTabs(3);
  auto t = m->tabs().get()[0];
  std::vector<std::string> lines;
  setLogSink([&](const std::string& l) { lines.push_back(l); });
  int changes = 0;
  auto conn = m->changed().connect([&] { ++changes; });
  EXPECT_TRUE(m->hibernate(t));
  EXPECT_FALSE(m->hibernate(t));  // already asleep: nothing, no line
  setLogSink({});
  conn.disconnect();
  EXPECT_EQ(t->webView(), nullptr);
  EXPECT_EQ(t->hibernatedURL->toString(), "https://example.com/t0");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(countContaining(lines, "[Quorvel][HIBERNATE] 休眠「T0」已释放，剩 2 个活跃"), 1);
  EXPECT_EQ(lines.size(), 1u);
}
