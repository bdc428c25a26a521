// The main window's root view with real tabs against the test service: every tab keeps
// its page while another is shown, released tabs show their placeholder and wake from
// it, an empty workspace offers its two pages, and the application's Ctrl+W / Ctrl+<n>
// reach the model before the page does.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <cstdlib>

#include "AccessibleName.h"
#include "BrowserModelProbe.h"
#include "ServiceTabFixture.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestHelpers.h"
#include "WidgetFind.h"
#include "base/GLibPtr.h"
#include "ui/main/ContentView.h"
#include "core/PrivacyLock.h"
#include "fakes/FakeLockPlatform.h"
#include "ui/main/LockOverlayView.h"
#include "ui/main/Placeholders.h"
#include "ui/main/SidebarView.h"
#include "ui/main/TabKeys.h"
#include "ui/main/WebViewBox.h"
#include "web/TabController.h"

namespace quorvel::test {
namespace {

constexpr const char* kFormPage =
    "<!doctype html><html><head><title>草稿</title></head><body>"
    "<input id='draft'><div style='height:4000px'></div></body></html>";

class ContentViewTest : public ServiceTabFixture {
 protected:
  void SetUp() override {
    ServiceTabFixture::SetUp();
    service.setRoute("/form", [](const RecordedRequest&) { return Reply::html(kFormPage); });
    signIn();
    model = services->makeBrowserModel();
    // As the application has them: off while the workspace is locked.
    keys = std::make_unique<WindowTabKeys>(model, [this] { return !(lock && lock->isLocked.get()); });
    window = std::make_unique<Gtk::Window>();
    window->set_default_size(1280, 820);
    view = Gtk::make_managed<ContentView>(model, viewState, services->toolWindows(), nullptr);
    window->set_child(*view);
    window->present();
    drainMainLoop();
  }
  void TearDown() override {
    window.reset();
    keys.reset();
    privacy.reset();
    drainMainLoop();
    ServiceTabFixture::TearDown();
  }

  // Runs a script in a tab's page and returns its text result.
  std::string eval(const std::shared_ptr<BrowserTab>& tab, const std::string& body) {
    WebKitWebView* v = TabController::viewOf(tab->controller());
    struct Result {
      bool done = false;
      std::string text;
    } r;
    webkit_web_view_evaluate_javascript(
        v, body.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* src, GAsyncResult* res, gpointer data) {
          auto* out = static_cast<Result*>(data);
          if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(src), res, nullptr)) {
            GCharPtr s(jsc_value_to_string(value));
            out->text = s ? s.get() : "";
            g_object_unref(value);
          }
          out->done = true;
        },
        &r);
    EXPECT_TRUE(waitUntil([&] { return r.done; }, 5000));
    return r.text;
  }

  // The view again, now with a privacy lock's cover (checked against `auth`).
  PrivacyLock& coverWithLock() {
    privacy = std::make_unique<PrivacyLock>(idle, auth, services->defaults(), AppMode::test);
    lock = privacy.get();
    window->unset_child();
    view = Gtk::make_managed<ContentView>(model, viewState, services->toolWindows(), lock);
    window->set_child(*view);
    return *privacy;
  }

  FakeIdleTime idle;
  FakeAuthenticator auth;
  std::unique_ptr<PrivacyLock> privacy;
  PrivacyLock* lock = nullptr;
  std::unique_ptr<WindowTabKeys> keys;
  std::unique_ptr<Gtk::Window> window;
  ContentView* view = nullptr;
};

TEST_F(ContentViewTest, SwitchingTabsKeepsEachPageWithItsFormInputAndScroll) {
  auto first = model->activeTab();
  ASSERT_TRUE(first);
  ASSERT_TRUE(waitLoaded(first, "/dashboard"));  // the first page, before another load replaces it
  TabLoadWatch firstLoad(first);
  model->loadInActive("/form");
  ASSERT_TRUE(firstLoad.wait("/form"));
  eval(first, "document.getElementById('draft').value = '起诉状草稿'; window.scrollTo(0, 1200); 'ok'");

  auto second = model->newTab("/cases", "全局案件中心");
  ASSERT_TRUE(waitLoaded(second, "/cases"));
  EXPECT_EQ(view->visibleLayer(), second->id());
  size_t formLoads = service.requestsTo("/form").size();

  model->selectTab(0);
  EXPECT_EQ(view->visibleLayer(), first->id());
  drainMainLoop();
  EXPECT_EQ(eval(first, "document.getElementById('draft').value"), "起诉状草稿");
  EXPECT_EQ(eval(first, "String(window.scrollY)"), "1200");
  EXPECT_EQ(service.requestsTo("/form").size(), formLoads);  // not reloaded
  // The other tab's page is still attached to its layer, only hidden.
  EXPECT_TRUE(TabController::viewOf(second->controller()));
  EXPECT_EQ(gtk_widget_get_parent(GTK_WIDGET(TabController::viewOf(second->controller()))),
            view->layerOf(second->id())->gobj());
}

TEST_F(ContentViewTest, AnIdleWindowDrawsNoFrames) {
  // A page slow enough for the loading bar to move while it comes.
  service.setRoute("/slow", [](const RecordedRequest&) {
    Reply r = Reply::html("<!doctype html><html><head><title>慢</title></head><body>慢</body></html>");
    r.delayMs = 800;
    return r;
  });
  auto tab = model->activeTab();
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  TabLoadWatch slow(tab);
  model->loadInActive("/slow");
  ASSERT_TRUE(slow.wait("/slow"));
  // What the load started (the badge read, the page scripts) settles first.
  waitUntil([] { return false; }, 1500);
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window->gobj()));
  ASSERT_TRUE(clock);
  const gint64 before = gdk_frame_clock_get_frame_counter(clock);
  waitUntil([] { return false; }, 2000);
  EXPECT_EQ(gdk_frame_clock_get_frame_counter(clock), before) << "frames drawn while nothing changed";
}

TEST_F(ContentViewTest, AReleasedTabShowsItsPlaceholderAndWakesFromIt) {
  auto first = model->activeTab();
  ASSERT_TRUE(waitLoaded(first, "/dashboard"));
  auto second = model->newTab("/cases", "全局案件中心");
  ASSERT_TRUE(waitLoaded(second, "/cases"));
  ASSERT_EQ(model->hibernateOthers(), 1);
  drainMainLoop();
  auto placeholderOf = [&](const std::shared_ptr<BrowserTab>& t) {
    auto* box = dynamic_cast<WebViewBox*>(view->layerOf(t->id()));
    return box ? box->hibernatedView() : nullptr;
  };
  auto* placeholder = placeholderOf(first);
  ASSERT_NE(placeholder, nullptr);

  model->selectTab(0);  // activating wakes it already; wake from the button instead
  ASSERT_TRUE(waitLoaded(first, "/dashboard"));
  ASSERT_EQ(model->hibernateOthers(), 1);
  BrowserModelProbe::setActiveID(*model, second->id());
  drainMainLoop();
  placeholder = placeholderOf(second);
  ASSERT_NE(placeholder, nullptr);
  EXPECT_EQ(view->visibleLayer(), second->id());
  // It says what happened to the page and offers to restore it; the address is not shown.
  ASSERT_TRUE(second->hibernatedURL);
  std::vector<std::string> texts;
  forEachWidget(*placeholder, [&](Gtk::Widget& w) {
    if (auto* l = dynamic_cast<Gtk::Label*>(&w); l && l->get_mapped()) texts.push_back(l->get_text());
  });
  EXPECT_EQ(texts, (std::vector<std::string>{"全局案件中心", "该标签因长时间闲置已自动释放内存", "恢复这个标签"}));
  EXPECT_EQ(findButton(*placeholder, "恢复这个标签"), &placeholder->wakeButton());
  placeholder->wakeButton().activate();
  ASSERT_TRUE(waitLoaded(second, "/cases"));
  EXPECT_TRUE(second->webView());
  EXPECT_EQ(gtk_widget_get_parent(GTK_WIDGET(TabController::viewOf(second->controller()))),
            view->layerOf(second->id())->gobj());
  EXPECT_EQ(placeholderOf(second), nullptr);
}

TEST_F(ContentViewTest, AnEmptyWorkspaceOffersTheDashboardAndTheCaseCentre) {
  while (!model->tabs()->empty()) model->close(model->tabs().get()[0]);
  drainMainLoop();
  EXPECT_EQ(view->visibleLayer(), "empty");
  view->emptyState()->dashboardButton().activate();  // a button clicks after its press animation
  ASSERT_TRUE(waitUntil([&] { return model->tabs()->size() == 1; }, 2000));
  EXPECT_EQ(model->activeTab()->currentPath.get(), "/dashboard");
  EXPECT_EQ(view->visibleLayer(), model->activeTab()->id());

  model->close(model->activeTab());
  EXPECT_EQ(view->visibleLayer(), "empty");
  view->emptyState()->casesButton().activate();
  ASSERT_TRUE(waitUntil([&] { return model->tabs()->size() == 1; }, 2000));
  EXPECT_EQ(model->activeTab()->title.get(), "全局案件中心");
  EXPECT_EQ(model->activeTab()->currentPath.get(), "/cases");
}

TEST_F(ContentViewTest, CtrlWClosesAndCtrlNumberSelectsBeforeThePageSeesTheKey) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  auto first = model->activeTab();
  ASSERT_TRUE(waitLoaded(first, "/dashboard"));
  auto second = model->newTab("/cases", "全局案件中心");
  ASSERT_TRUE(waitLoaded(second, "/cases"));
  // The page would see the key in its own handler if it got it.
  eval(second,
       "window.__keys = 0; document.addEventListener('keydown', e => { if (e.key === '1' || e.key === 'w') "
       "window.__keys++; }, true); 'ok'");
  gtk_widget_grab_focus(GTK_WIDGET(TabController::viewOf(second->controller())));
  drainMainLoop();

  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+1"), 0);
  ASSERT_TRUE(waitUntil([&] { return model->activeTab() == first; }, 3000));
  model->activate(second);
  EXPECT_EQ(eval(second, "String(window.__keys)"), "0");
  gtk_widget_grab_focus(GTK_WIDGET(TabController::viewOf(second->controller())));
  drainMainLoop();
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+w"), 0);
  ASSERT_TRUE(waitUntil([&] { return model->tabs()->size() == 1; }, 3000));
  EXPECT_EQ(model->activeTab(), first);
  // Ctrl+Shift+W is not the shortcut: it passes on and closes nothing.
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+shift+w"), 0);
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_EQ(model->tabs()->size(), 1u);
}

TEST_F(ContentViewTest, TheLockCoversEverythingAndOnlyTheRightPasswordOpens) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  PrivacyLock& privacy = coverWithLock();
  auto first = model->activeTab();
  ASSERT_TRUE(waitLoaded(first, "/dashboard"));
  model->newTab("/cases", "全局案件中心");
  ASSERT_TRUE(waitLoaded(model->activeTab(), "/cases"));
  ASSERT_FALSE(view->lockOverlay()->get_visible());

  privacy.lock();
  drainMainLoop();
  EXPECT_TRUE(view->lockOverlay()->get_visible());
  Gtk::Widget* focus = window->get_focus();
  EXPECT_TRUE(focus && focus->is_ancestor(view->lockOverlay()->passwordField()));
  // The tab shortcuts do nothing under the cover; the keys go to the password field.
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+w"), 0);
  ASSERT_EQ(std::system("xdotool type --delay 20 wrong"), 0);
  ASSERT_EQ(std::system("xdotool key Return"), 0);
  ASSERT_TRUE(waitUntil([&] { return auth.checks == 1 && !privacy.checking(); }, 3000));
  EXPECT_EQ(model->tabs()->size(), 2u);
  EXPECT_TRUE(privacy.isLocked.get());
  EXPECT_EQ(view->lockOverlay()->errorLabel().get_text(), "密码不正确");
  EXPECT_TRUE(view->lockOverlay()->passwordField().get_text().empty());  // not kept

  ASSERT_EQ(std::system("xdotool type --delay 20 secret"), 0);
  ASSERT_EQ(std::system("xdotool key Return"), 0);
  ASSERT_TRUE(waitUntil([&] { return !privacy.isLocked.get(); }, 3000));
  drainMainLoop();
  EXPECT_FALSE(view->lockOverlay()->get_visible());
  EXPECT_EQ(model->tabs()->size(), 2u);  // the workspace is as it was
}

TEST_F(ContentViewTest, UnderTheLockAScreenReaderReachesOnlyTheCoverAndTheFocusReturnsAfter) {
  PrivacyLock& privacy = coverWithLock();
  auto tab = model->activeTab();
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  TabLoadWatch form(tab);
  model->loadInActive("/form");
  ASSERT_TRUE(form.wait("/form"));
  auto* page = GTK_WIDGET(TabController::viewOf(tab->controller()));
  gtk_widget_grab_focus(page);
  EXPECT_EQ(eval(tab, "document.getElementById('draft').focus(); document.activeElement.id"), "draft");
  drainMainLoop();
  ASSERT_EQ(window->get_focus(), Glib::wrap(page));

  auto reachable = [&] { return reachableByScreenReader(GTK_WIDGET(window->gobj())); };
  auto reaches = [&](GtkWidget* w) {
    auto all = reachable();
    return std::find(all.begin(), all.end(), w) != all.end();
  };
  ASSERT_TRUE(reaches(page));
  const size_t open = reachable().size();

  privacy.lock();
  drainMainLoop();
  // Only the cover: the window, the view that holds it, and the cover's own parts.
  GtkWidget* cover = GTK_WIDGET(view->lockOverlay()->gobj());
  std::vector<std::string> outside;
  for (GtkWidget* w : reachable())
    if (w != GTK_WIDGET(window->gobj()) && w != GTK_WIDGET(view->gobj()) && w != cover &&
        !gtk_widget_is_ancestor(w, cover))
      outside.push_back(G_OBJECT_TYPE_NAME(w));
  EXPECT_TRUE(outside.empty()) << outside.size() << " widgets of the workspace reachable, the first "
                               << (outside.empty() ? "" : outside[0]);
  EXPECT_FALSE(reaches(page));
  EXPECT_FALSE(reaches(GTK_WIDGET(view->sidebar()->gobj())));
  EXPECT_FALSE(reaches(GTK_WIDGET(view->topBar()->gobj())));
  EXPECT_TRUE(reaches(GTK_WIDGET(view->lockOverlay()->passwordField().gobj())));
  EXPECT_TRUE(reaches(GTK_WIDGET(view->lockOverlay()->unlockButton().gobj())));
  EXPECT_LT(reachable().size(), open);

  // A second lock while locked changes nothing of that.
  privacy.lock();
  drainMainLoop();
  EXPECT_FALSE(reaches(page));

  privacy.unlock("secret");
  ASSERT_TRUE(waitUntil([&] { return !privacy.isLocked.get(); }, 3000));
  drainMainLoop();
  EXPECT_TRUE(reaches(page));
  EXPECT_TRUE(reaches(GTK_WIDGET(view->sidebar()->gobj())));
  EXPECT_TRUE(reaches(GTK_WIDGET(view->topBar()->gobj())));
  EXPECT_FALSE(reaches(cover));
  EXPECT_EQ(window->get_focus(), Glib::wrap(page));
  EXPECT_EQ(eval(tab, "document.activeElement.id"), "draft");
}

}  // namespace
}  // namespace quorvel::test
