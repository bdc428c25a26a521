// Loads that fail: the in-tab message, what the tab keeps, what does not run, and the
// loads that are no failure (replaced, stopped, downloads, links for the system).
#include <gtest/gtest.h>

#include <chrono>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "base/GLibPtr.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "web/TabController.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

class LoadFailureTest : public ServiceTabFixture {
 protected:
  static TabController* controllerOf(const std::shared_ptr<BrowserTab>& tab) {
    return dynamic_cast<TabController*>(tab->controller());
  }

  // Waits until the tab shows the failure message; returns its reason ("" on time-out).
  std::string waitForFailurePage(WebHarness& h, const std::shared_ptr<BrowserTab>& tab, unsigned ms = 15000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
      if (!tab->isLoading.get()) {
        auto r = h.call("const e = document.getElementById('qv-reason'); return e ? e.textContent : '';");
        if (r.ok && !r.text.empty() && !tab->isLoading.get()) return r.text;
      }
      h.pump(50);
    }
    ADD_FAILURE() << "no failure message in the tab";
    return "";
  }

  std::string savedURL(size_t index) {
    model->saveSession();
    auto saved = defaults.object("session.tabs.v1");
    if (!saved || !saved->is_array() || saved->size() <= index) return "(none)";
    return (*saved)[index]["url"].get<std::string>();
  }

  bool showsFailureMessage(WebHarness& h) {
    return h.evalText("return String(!!document.getElementById('qv-reload'));") == "true";
  }
};

}  // namespace

TEST_F(LoadFailureTest, AServiceDownAtStartShowsTheMessageAndItsButtonRetriesTheAddress) {
  unsigned port = service.port();
  std::string address = service.url("/dashboard");
  service.stop();
  model = services->makeBrowserModel();
  int finished = 0;
  ScopedConnection conn = model->pageFinished().connect([&](const std::string&) { ++finished; });
  auto tab = model->activeTab();
  auto& h = show(tab);

  EXPECT_EQ(waitForFailurePage(h, tab), "无法连接到服务器");
  EXPECT_EQ(logCount("[Quorvel][TAB] 载入失败 " + address + "：无法连接到服务器"), 1);
  EXPECT_EQ(h.evalText("return document.getElementById('qv-address').textContent;"), address);
  EXPECT_EQ(h.evalText("return document.getElementById('qv-reload').textContent;"), "重新载入");
  // The tab is still the page asked for, and nothing of a finished page ran.
  EXPECT_EQ(tab->title.get(), "个人工作台");
  EXPECT_EQ(tab->currentPath.get(), "/dashboard");
  EXPECT_EQ(model->activePath().get(), "/dashboard");
  EXPECT_EQ(finished, 0);
  EXPECT_TRUE(model->account().navItems->empty());
  EXPECT_FALSE(controllerOf(tab)->showsServicePage());
  EXPECT_EQ(savedURL(0), address);

  // Back up, the service gets no badge read from the message page.
  service.start(port);
  signIn();
  model->reads().refreshBadges();
  h.pump(300);
  EXPECT_TRUE(service.requestsTo("/api/desktop/badges").empty());
  EXPECT_EQ(logCount("[Quorvel][BADGE]"), 0);

  TabLoadWatch load(tab);
  h.run("document.getElementById('qv-reload').click();");
  ASSERT_TRUE(load.wait("/dashboard"));
  EXPECT_FALSE(showsFailureMessage(h));
  EXPECT_TRUE(controllerOf(tab)->showsServicePage());
  EXPECT_EQ(finished, 1);
  EXPECT_TRUE(waitUntil([&] { return model->account().badges->loaded && !model->account().navItems->empty(); }, 10000));
  EXPECT_EQ(savedURL(0), address);
  EXPECT_EQ(logCount("载入失败"), 1);
}

TEST_F(LoadFailureTest, AServiceStoppedWhileRunningKeepsThePagesAskedForAndRunsNoFinishSteps) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded && !model->account().navItems->empty(); }, 10000));
  auto items = model->account().navItems.get();
  unsigned port = service.port();
  std::string base = service.baseUrl();
  service.stop();
  int finished = 0;
  ScopedConnection conn = model->pageFinished().connect([&](const std::string&) { ++finished; });
  logs.clear();

  // A navigation the page starts itself: the tab's aim becomes that page.
  h.run("location.href = '/cases';");
  EXPECT_EQ(waitForFailurePage(h, tab), "无法连接到服务器");
  EXPECT_EQ(logCount("[Quorvel][TAB] 载入失败 " + base + "/cases：无法连接到服务器"), 1);
  EXPECT_EQ(tab->currentPath.get(), "/cases");
  EXPECT_EQ(tab->title.get(), "个人工作台");
  EXPECT_EQ(savedURL(0), base + "/cases");

  model->loadInActive("/proceeding/88/detail");
  ASSERT_TRUE(waitUntil([&] { return logged("载入失败 " + base + "/proceeding/88/detail："); }, 15000));
  EXPECT_EQ(waitForFailurePage(h, tab), "无法连接到服务器");
  EXPECT_EQ(tab->currentPath.get(), "/proceeding/88/detail");
  EXPECT_TRUE(model->account().recents->empty());  // a proceeding that never showed is no visit
  EXPECT_EQ(model->account().navItems.get(), items);
  EXPECT_TRUE(model->account().forbiddenPaths->empty());
  EXPECT_EQ(finished, 0);
  EXPECT_EQ(logCount("[Quorvel][BADGE]"), 0);
  EXPECT_EQ(savedURL(0), base + "/proceeding/88/detail");

  service.start(port);
  TabLoadWatch load(tab);
  h.run("document.getElementById('qv-reload').click();");
  ASSERT_TRUE(load.wait("/proceeding/88/detail"));
  EXPECT_TRUE(waitUntil([&] { return model->account().recents->size() == 1; }, 3000));
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(tab->intendedURL);
  EXPECT_EQ(savedURL(0), base + "/proceeding/88/detail");
}

TEST_F(LoadFailureTest, AnUnknownHostSaysTheServerWasNotFound) {
  AppConfig::setServerURL(services->defaults(), "http://quorvel-test.invalid:8080");
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  auto& h = show(tab);
  EXPECT_EQ(waitForFailurePage(h, tab), "找不到服务器");
  EXPECT_EQ(logCount("[Quorvel][TAB] 载入失败 http://quorvel-test.invalid:8080/dashboard：找不到服务器"), 1);
  EXPECT_EQ(savedURL(0), "http://quorvel-test.invalid:8080/dashboard");
}

TEST_F(LoadFailureTest, ReplacedStoppedAndDownloadedLoadsAreNoFailures) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));

  TabLoadWatch load(tab);
  model->loadInActive("/cases");
  model->loadInActive("/calendar");  // replaces the first before it can finish
  ASSERT_TRUE(load.wait("/calendar"));
  EXPECT_TRUE(waitUntil([&] { return tab->title.get() == "日历与待办"; }, 3000)) << tab->title.get();

  model->loadInActive("/cases");
  tab->controller()->stopLoading();
  h.pump(300);
  EXPECT_FALSE(tab->isLoading.get());
  EXPECT_FALSE(tab->intendedURL);

  model->loadInActive("/download/attachment");
  ASSERT_TRUE(waitUntil([&] { return logged("下载完成："); }, 15000));
  h.pump(300);
  EXPECT_FALSE(tab->intendedURL);
  EXPECT_EQ(logCount("载入失败"), 0);
  EXPECT_FALSE(showsFailureMessage(h));
  EXPECT_TRUE(controllerOf(tab)->showsServicePage());
  EXPECT_EQ(savedURL(0), service.url("/calendar"));
}

TEST_F(LoadFailureTest, APortTheEngineRefusesShowsTheMessageAndRetriesFromIt) {
  // The engine never connects to port 9; it reports no failure but an empty page.
  AppConfig::setServerURL(services->defaults(), "http://127.0.0.1:9/");
  const std::string address = "http://127.0.0.1:9/dashboard";
  model = services->makeBrowserModel();
  int finished = 0;
  ScopedConnection conn = model->pageFinished().connect([&](const std::string&) { ++finished; });
  auto tab = model->activeTab();
  auto& h = show(tab);

  EXPECT_EQ(waitForFailurePage(h, tab), "该端口不允许访问");
  EXPECT_EQ(logCount("[Quorvel][TAB] 载入失败 " + address + "：该端口不允许访问"), 1);
  EXPECT_EQ(h.evalText("return document.getElementById('qv-address').textContent;"), address);
  EXPECT_EQ(h.evalText("return document.getElementById('qv-reload').textContent;"), "重新载入");
  EXPECT_EQ(tab->currentPath.get(), "/dashboard");
  EXPECT_EQ(finished, 0);
  EXPECT_EQ(logCount("[Quorvel][BADGE]"), 0);
  EXPECT_EQ(savedURL(0), address);

  // The message's button and the reload command ask again and are refused again.
  h.run("document.getElementById('qv-reload').click();");
  ASSERT_TRUE(waitUntil([&] { return logCount("载入失败 " + address) == 2; }, 15000));
  EXPECT_EQ(waitForFailurePage(h, tab), "该端口不允许访问");
  tab->controller()->reload();
  ASSERT_TRUE(waitUntil([&] { return logCount("载入失败 " + address) == 3; }, 15000));
  EXPECT_EQ(waitForFailurePage(h, tab), "该端口不允许访问");
  EXPECT_EQ(finished, 0);
  EXPECT_EQ(savedURL(0), address);
}
