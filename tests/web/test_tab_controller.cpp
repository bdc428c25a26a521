// The tab controller with real web views against the local test service.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <filesystem>
#include <fstream>

#include "TestHelpers.h"
#include "ProcessTree.h"
#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/RendererChoice.h"
#include "base/MainQueue.h"
#include "ui/main/WebViewBox.h"
#include "web/TabController.h"
#include "web/WebEngine.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {
class TabControllerTest : public ServiceTabFixture {
 protected:
  // Signed in, the dashboard tab and a "/cases" tab opened beside it, both loaded.
  std::pair<std::shared_ptr<BrowserTab>, std::shared_ptr<BrowserTab>> dashboardAndCases() {
    signIn();
    model = services->makeBrowserModel();
    auto first = model->activeTab();
    EXPECT_TRUE(waitLoaded(first, "/dashboard"));
    auto second = model->newTab("/cases", "案件");
    EXPECT_TRUE(waitLoaded(second, "/cases"));
    return {first, second};
  }
};
}  // namespace

TEST_F(TabControllerTest, DashboardLoadsWithTheUserAgentHiddenChromeAndTheSidebar) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  auto req = service.requestsTo("/dashboard");
  ASSERT_FALSE(req.empty());
  EXPECT_EQ(req.front().header("user-agent"), AppConfig::userAgent());
  EXPECT_EQ(tab->title.get(), "个人工作台");

  EXPECT_EQ(h.evalText("return getComputedStyle(document.querySelector('.sidebar')).display;"), "none");
  EXPECT_EQ(h.evalText("return getComputedStyle(document.querySelector('.topbar')).display;"), "none");
  ASSERT_TRUE(waitUntil([&] { return !model->account().navItems->empty(); }, 5000));
  auto items = model->account().navItems.get();
  EXPECT_EQ(items.front(), (NavItem{"个人工作台", "square.grid.2x2", "/dashboard"}));
  for (auto& i : items) EXPECT_EQ(i.path.front(), '/');
  // The action buttons stand beside the case-file link.
  EXPECT_EQ(h.evalText("return String(document.querySelectorAll('#fileLink ~ span').length);"), "3");
}

TEST_F(TabControllerTest, SignedOutDashboardLandsOnTheLoginPage) {
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/login"));
  EXPECT_EQ(model->activePath().get(), "/login");
  EXPECT_TRUE(waitUntil([&] { return tab->title.get() == "系统登录"; }, 3000)) << tab->title.get();
}

TEST_F(TabControllerTest, AProceedingPageLandsInTheRecents) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->newTab("/proceeding/88/detail", "程序");
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/proceeding/88/detail"));
  ASSERT_TRUE(waitUntil([&] { return model->account().recents->size() == 1; }, 3000));
  EXPECT_EQ(model->account().recents.get()[0].procID, 88);
  EXPECT_EQ(model->account().recents.get()[0].title, "（2026）京0105民初1…");
  EXPECT_EQ(RecentStore::load(services->defaults()), model->account().recents.get());
}

TEST_F(TabControllerTest, PermissionDeniedPageBecomesTheCard) {
  model = services->makeBrowserModel();
  model->account().setNavItems({NavItem{"权限管理", "doc", "/forbidden"}, NavItem{"案件", "folder.fill", "/cases"}});
  auto tab = model->newTab("/forbidden", "受限");
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/forbidden"));
  ASSERT_TRUE(h.waitFor([&] { return h.evalText("return document.title;") == "无权限 · 墨衡台"; }, 5000));
  EXPECT_NE(h.evalText("return document.body.innerText;").find("这个功能当前账号没有权限"), std::string::npos);
  EXPECT_NE(h.evalText("return document.body.innerText;").find("账号：当前账号"), std::string::npos);
  EXPECT_TRUE(model->account().forbiddenPaths->count("/forbidden"));
  ASSERT_EQ(model->account().navItems->size(), 1u);
  EXPECT_TRUE(logged("[Quorvel][NAV] 403：/forbidden"));
}

TEST_F(TabControllerTest, AttachmentsLandSafelyInTheDownloadFolder) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  auto dir = AppConfig::downloadDir();
  fs::remove_all(dir);
  dir = AppConfig::downloadDir();

  model->loadInActive("/download/attachment");
  ASSERT_TRUE(waitUntil([&] { return logged("下载完成：" + (dir / "报告.pdf").string()); }, 15000));
  std::ifstream in(dir / "报告.pdf", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(bytes, TestService::attachmentBytes());

  model->loadInActive("/download/attachment");  // taken: the next name gets a counter
  ASSERT_TRUE(waitUntil([&] { return logged("下载完成：" + (dir / "报告-1.pdf").string()); }, 15000));

  model->loadInActive("/download/evil");  // "../../evil.txt" stays inside the folder
  ASSERT_TRUE(waitUntil([&] { return logged("下载完成：" + (dir / "evil.txt").string()); }, 15000));
  EXPECT_FALSE(fs::exists(dir.parent_path().parent_path() / "evil.txt"));

  model->loadInActive("/download/broken");  // the server drops the connection mid-body
  ASSERT_TRUE(waitUntil([&] { return logged("下载失败"); }, 15000));
  int files = 0;
  for (auto& e : fs::directory_iterator(dir)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 3);  // no half file left behind
  EXPECT_EQ(model->activeTab(), tab);
}

TEST_F(TabControllerTest, ForeignLinksStayOutAndNewWindowsBecomeTabs) {
  model = services->makeBrowserModel();
  auto tab = model->newTab("/new-window", "新窗口");
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/new-window"));
  h.run("location.href = 'http://other.invalid/page';");
  ASSERT_TRUE(waitUntil([&] { return logged("未打开外部链接 http://other.invalid/page"); }, 5000));
  EXPECT_EQ(tab->currentPath.get(), "/new-window");

  size_t before = model->tabs()->size();
  h.run("document.getElementById('blankLink').click();");
  ASSERT_TRUE(waitUntil([&] { return model->tabs()->size() == before + 1; }, 5000));
  EXPECT_EQ(model->activeTab()->title.get(), "新标签");
  EXPECT_EQ(model->activeTab()->currentPath.get(), "/cases");

  h.run("document.getElementById('openFileBtn').click();");
  h.run("document.getElementById('openExternalBtn').click();");
  ASSERT_TRUE(waitUntil([&] { return logged("未打开外部链接 http://other.invalid/x"); }, 5000));
  EXPECT_TRUE(logged("已拦截新窗口：不打开 file 窗口"));
  EXPECT_FALSE(logged("未打开外部链接 file:"));
  EXPECT_EQ(model->tabs()->size(), before + 1);
}

TEST_F(TabControllerTest, MalformedNavMessagesChangeNothing) {
  model = services->makeBrowserModel();
  model->account().setNavItems(defaultSideItems());
  auto tab = model->newTab("/nav-garbage", "垃圾");
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/nav-garbage"));
  h.run("window.postNavGarbage && window.postNavGarbage();");
  h.pump(500);
  EXPECT_EQ(model->account().navItems.get(), defaultSideItems());
}

TEST_F(TabControllerTest, ASavedSessionRestoresWithOnlyTheActiveTabLive) {
  signIn();
  {
    auto first = services->makeBrowserModel();
    first->newTab("/cases", "案件");
    first->newTab("/calendar", "日历");
    first->selectTab(1);
    first->saveSession();
    for (auto& t : first->tabs().get()) t->teardownWebView();
  }
  model = services->makeBrowserModel();
  ASSERT_EQ(model->tabs()->size(), 3u);
  EXPECT_EQ(model->activeTab(), model->tabs().get()[1]);
  EXPECT_EQ(model->liveTabCount(), 1);
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/cases"));
  // The engine may report the title just after the load has finished.
  EXPECT_TRUE(waitUntil([&] { return tab->title.get() == "全局案件中心"; }, 3000)) << tab->title.get();
  // A hibernated tab wakes when chosen.
  model->selectTab(2);
  EXPECT_EQ(model->liveTabCount(), 2);
}

TEST_F(TabControllerTest, TheMainAreaFollowsTabsThatCloseUnderIt) {
  signIn();
  model = services->makeBrowserModel();
  Gtk::Window window;
  auto* box = Gtk::make_managed<WebViewBox>();
  window.set_child(*box);
  window.set_default_size(900, 600);
  window.present();
  auto follow = [&] { box->showTab(model->activeTab()); };
  model->activeID().changed().connect(follow);
  model->tabs().changed().connect(follow);
  follow();

  auto second = model->newTab("/cases", "案件");
  ASSERT_TRUE(waitLoaded(second, "/cases"));
  auto* shown = dynamic_cast<TabController*>(second->controller())->view();
  EXPECT_EQ(gtk_widget_get_parent(GTK_WIDGET(shown)), GTK_WIDGET(box->gobj()));

  model->close(second);  // the shown view is released while it is on screen
  drainMainLoop();
  auto first = model->activeTab();
  ASSERT_TRUE(first && first->controller());
  EXPECT_EQ(gtk_widget_get_parent(GTK_WIDGET(dynamic_cast<TabController*>(first->controller())->view())),
            GTK_WIDGET(box->gobj()));
  model->close(first);
  drainMainLoop();
  EXPECT_TRUE(model->tabs()->empty());
  model->loadInActive("/calendar");  // the first load after the last tab closed opens one
  ASSERT_TRUE(waitLoaded(model->activeTab(), "/calendar"));
  EXPECT_TRUE(waitUntil([&] { return model->activeTab()->title.get() == "日历与待办"; }, 3000));
}

TEST_F(TabControllerTest, APageHeldPastItsEngineLosesItsViewWithTheEngine) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  harnesses.clear();
  auto* page = dynamic_cast<TabController*>(tab->controller());
  ASSERT_TRUE(page && page->view());
  services.reset();  // the model, and with it the page, is still held here
  EXPECT_EQ(page->view(), nullptr);
  EXPECT_FALSE(page->showsServicePage());
  drainMainLoop();  // late messages of the page find no engine to reach
}

TEST_F(TabControllerTest, APageOfStatus200IsNeverTakenForADeniedPage) {
  auto notes = [](int status) {
    return [status](const RecordedRequest&) {
      return Reply::html("<html><head><title>Forbidden words · 墨衡台</title></head><body>"
                         "<p>禁止访问 forbidden</p><textarea id=\"draft\"></textarea></body></html>",
                         status);
    };
  };
  service.setRoute("/notes", notes(200));
  model = services->makeBrowserModel();
  model->account().setNavItems({NavItem{"笔记", "doc", "/notes"}, NavItem{"案件", "folder.fill", "/cases"}});
  auto tab = model->newTab("/notes", "笔记");
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/notes"));
  h.evalText("document.getElementById('draft').value = '草稿：起诉状第三稿'; return '';");
  h.pump(500);
  EXPECT_EQ(h.evalText("const d = document.getElementById('draft'); return d ? d.value : 'gone';"), "草稿：起诉状第三稿");
  EXPECT_TRUE(model->account().forbiddenPaths->empty());
  EXPECT_EQ(model->account().navItems->size(), 2u);
  EXPECT_FALSE(logged("[Quorvel][NAV] 403："));

  // The same page answered with 403 is the denied card.
  service.setRoute("/notes", notes(403));
  model->loadInActive("/notes");
  ASSERT_TRUE(h.waitFor([&] { return h.evalText("return document.title;") == "无权限 · 墨衡台"; }, 10000));
  EXPECT_TRUE(model->account().forbiddenPaths->count("/notes"));
  EXPECT_EQ(model->account().navItems->size(), 1u);
}

TEST_F(TabControllerTest, FramesOfOtherHostsStayInTheirFramesAndNeverReachTheSystem) {
  TestService other;
  other.start();
  other.setRoute("/frame", [](const RecordedRequest&) { return Reply::html("<p id=\"inside\">嵌入的外部页面</p>"); });
  other.setRoute("/top", [](const RecordedRequest&) { return Reply::html("<p>外部页面</p>"); });
  // Another host name for the same machine: foreign to the service.
  std::string foreign = "http://localhost:" + std::to_string(other.port());
  std::string page = "<html><head><title>嵌入 · 墨衡台</title></head><body>"
                     "<iframe src=\"" + foreign + "/frame\"></iframe>"
                     "<iframe src=\"http://other.invalid/frame\"></iframe>"
                     "<iframe srcdoc=\"<a id='away' href='http://other.invalid/from-frame'>x</a>\"></iframe>"
                     "</body></html>";
  service.setRoute("/embed", [page](const RecordedRequest&) { return Reply::html(page); });
  model = services->makeBrowserModel();
  auto tab = model->newTab("/embed", "嵌入");
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/embed"));
  ASSERT_TRUE(other.waitForRequest("/frame", 10000));  // the foreign frame shows its page
  h.run("document.querySelectorAll('iframe')[2].contentDocument.getElementById('away').click();");
  h.pump(1000);
  EXPECT_FALSE(logged("未打开外部链接"));
  EXPECT_FALSE(logged("载入失败"));
  EXPECT_EQ(tab->currentPath.get(), "/embed");
  EXPECT_TRUE(dynamic_cast<TabController*>(tab->controller())->showsServicePage());

  // The page itself going there still goes to the system, and the tab keeps its page.
  h.run("location.href = '" + foreign + "/top';");
  ASSERT_TRUE(waitUntil([&] { return logged("未打开外部链接 " + foreign + "/top"); }, 10000));
  h.pump(300);
  EXPECT_EQ(logCount("未打开外部链接"), 1);
  EXPECT_FALSE(logged("载入失败"));
  EXPECT_FALSE(tab->isLoading.get());
  EXPECT_EQ(tab->currentPath.get(), "/embed");
  EXPECT_EQ(h.evalText("return document.title;"), "嵌入 · 墨衡台");
  EXPECT_EQ(*tab->controller()->currentURL(), service.url("/embed"));
}

// Where OpenGL runs in software the pages draw without compositing (far less memory
// per tab) and still load and show as before; elsewhere the engine keeps its default.
TEST_F(TabControllerTest, PagesSkipCompositingOnlyWhereOpenGLIsSoftware) {
  auto policy = [&] {
    auto settings = services->webEngine().makeSettings();
    return webkit_settings_get_hardware_acceleration_policy(settings);
  };
  auto rebuild = [&](std::optional<bool> softwareGL) {
    services.reset();
    drainMainLoop();
    services = makeTestServices(defaults, parts, softwareGL);
  };
  const auto enginesOwn = policy();
  rebuild(false);
  EXPECT_EQ(policy(), enginesOwn);
  rebuild(true);
  EXPECT_EQ(policy(), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  EXPECT_NE(enginesOwn, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);

  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  auto* view = TabController::viewOf(tab->webView());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(webkit_settings_get_hardware_acceleration_policy(webkit_web_view_get_settings(view)),
            WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  EXPECT_TRUE(waitUntil([&] { return tab->title.get() == "个人工作台"; }, 3000)) << tab->title.get();
  EXPECT_EQ(h.evalText("return getComputedStyle(document.querySelector('.sidebar')).display;"), "none");
}


TEST_F(TabControllerTest, TabsShareWebProcessesInPairsAndEachRecoversFromItsProcessEnding) {
  auto [first, second] = dashboardAndCases();
  ASSERT_FALSE(HasFailure());
  auto third = model->newTab("/calendar", "日历");
  ASSERT_TRUE(waitLoaded(third, "/calendar"));
  EXPECT_TRUE(waitUntil([] { return webProcesses().size() == 2; }, 5000)) << webProcesses().size();

  auto viewOf = [](const std::shared_ptr<BrowserTab>& t) {
    return dynamic_cast<TabController*>(t->controller())->view();
  };
  // The pair's process ends (as in a crash): both of its tabs come back, the third is untouched.
  {
    TabLoadWatch firstBack(first), secondBack(second);
    webkit_web_view_terminate_web_process(viewOf(first));
    EXPECT_TRUE(firstBack.wait("/dashboard"));
    EXPECT_TRUE(secondBack.wait("/cases"));
  }
  EXPECT_EQ(logCount("网页进程已退出，自动重新载入"), 2);

  EXPECT_EQ(third->currentPath.get(), "/calendar");
  EXPECT_FALSE(third->isLoading.get());

  // A released tab whose process another tab still uses leaves that tab working.
  ASSERT_EQ(model->liveTabCount(), 3);
  model->close(first);
  drainMainLoop();

  TabLoadWatch again(second);
  webkit_web_view_reload(viewOf(second));
  EXPECT_TRUE(again.wait("/cases"));
  EXPECT_TRUE(model->hibernate(second));
  EXPECT_TRUE(waitUntil([] { return webProcesses().size() == 1; }, 5000)) << webProcesses().size();
  // A new tab fills the room the closed ones left.
  auto fourth = model->newTab("/cases", "案件");
  ASSERT_TRUE(waitLoaded(fourth, "/cases"));
  EXPECT_TRUE(waitUntil([] { return webProcesses().size() == 1; }, 3000)) << webProcesses().size();
}

// A blank document stays in the process its view has, so closing its tab afterwards
// must not end the process its sibling still shows its page in.
TEST_F(TabControllerTest, ATabThatShowedABlankPageLeavesItsSharedProcessToItsSibling) {
  auto [first, second] = dashboardAndCases();
  ASSERT_FALSE(HasFailure());
  EXPECT_TRUE(waitUntil([] { return webProcesses().size() == 1; }, 5000)) << webProcesses().size();

  show(second);
  auto* secondView = dynamic_cast<TabController*>(second->controller())->view();
  webkit_web_view_load_uri(secondView, "about:blank");
  ASSERT_TRUE(waitUntil([&] { return !webkit_web_view_is_loading(secondView); }, 5000));
  ASSERT_STREQ(webkit_web_view_get_uri(secondView), "about:blank");
  model->close(second);
  drainMainLoop();
  runMainLoopUntil([] { return false; }, 1000);

  EXPECT_EQ(logCount("网页进程已退出，自动重新载入"), 0);
  EXPECT_EQ(webProcesses().size(), 1u);
  EXPECT_EQ(first->currentPath.get(), "/dashboard");
  EXPECT_FALSE(first->isLoading.get());
}

TEST(TabSites, PagesOfOneRegistrableDomainAreOneSite) {
  EXPECT_EQ(TabController::siteOf("https://app.firm.com.cn/cases"), "https://firm.com.cn");
  EXPECT_EQ(TabController::siteOf("https://sso.firm.com.cn:8443/login"), "https://firm.com.cn");
  EXPECT_NE(TabController::siteOf("http://firm.com.cn/"), TabController::siteOf("https://firm.com.cn/"));
  EXPECT_EQ(TabController::siteOf("http://127.0.0.1:8080/dashboard"), "http://127.0.0.1");
  EXPECT_EQ(TabController::siteOf("http://localhost:8080/x"), "http://localhost");
  EXPECT_NE(TabController::siteOf("https://a.example.com/"), TabController::siteOf("https://b.example.org/"));
  EXPECT_EQ(TabController::siteOf("about:blank"), "about");
}
