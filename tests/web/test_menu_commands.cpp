// Menu commands that act on the pages: zoom, font size and page search, with real
// web views against the local test service.
#include <gtest/gtest.h>
#include <webkit/webkit.h>

#include "TestHelpers.h"
#include "ServiceTabFixture.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "core/MenuCommands.h"
#include "platform/UserDefaults.h"
#include "web/PageZoom.h"
#include "web/TabController.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {
class MenuCommandsWeb : public ServiceTabFixture {};

double zoomOf(const std::shared_ptr<BrowserTab>& tab) {
  return webkit_web_view_get_zoom_level(TabController::viewOf(tab->webView()));
}
}  // namespace

TEST_F(MenuCommandsWeb, ZoomIsClampedAndRemembered) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  webkit_web_view_set_zoom_level(TabController::viewOf(tab->webView()), 1.75);
  PageZoomActions::zoomActive(*model, services->defaults(), PageZoom::step);
  EXPECT_DOUBLE_EQ(zoomOf(tab), 1.8);
  EXPECT_EQ(defaults.number("webzoom"), 1.8);
  PageZoomActions::zoomActive(*model, services->defaults(), PageZoom::step);
  EXPECT_DOUBLE_EQ(zoomOf(tab), 1.8);

  // A stored zoom out of range is clamped when a new page reads it.
  defaults.set("webzoom", 3.0);
  auto second = model->newTab("/cases", "全局案件中心");
  show(second);
  EXPECT_DOUBLE_EQ(zoomOf(second), 1.8);

  // Actual size with no tab still remembers 1.0.
  model->close(second);
  model->close(tab);
  ASSERT_FALSE(model->activeTab());
  PageZoomActions::actualSize(*model, services->defaults());
  EXPECT_EQ(defaults.number("webzoom"), 1.0);
}

TEST_F(MenuCommandsWeb, FontSizeReachesEveryLivePageAndSkipsReleasedOnes) {
  signIn();
  model = services->makeBrowserModel();
  auto a = model->activeTab();
  auto b = model->newTab("/cases", "全局案件中心");
  auto c = model->newTab("/calendar", "日历与待办");
  for (auto& t : {a, b, c}) show(t);
  ASSERT_TRUE(waitLoaded(c, "/calendar"));
  model->selectTab(2);
  model->hibernate(b);
  ASSERT_FALSE(b->webView());
  Published<double> fontScale{1.0};
  PageZoomActions::setFontScale(*model, services->defaults(), fontScale, 1.15);
  EXPECT_DOUBLE_EQ(zoomOf(a), 1.15);
  EXPECT_DOUBLE_EQ(zoomOf(c), 1.15);
  EXPECT_DOUBLE_EQ(fontScale.get(), 1.15);
  EXPECT_EQ(defaults.number("fontScale"), 1.15);
  EXPECT_EQ(defaults.number("webzoom"), 1.15);
}

TEST_F(MenuCommandsWeb, PageSearchFocusesTheSearchFieldOrAnswersNone) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->newTab("/cases", "全局案件中心");
  auto& h = show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/cases"));
  h.evalText(
      "document.body.insertAdjacentHTML('beforeend', '<input id=\"plain\"><input id=\"q\" placeholder=\"搜索案件\">');"
      " return 'ok';");
  std::string answer;
  tab->webView()->callAsyncFunction(std::string("return ") + pageSearchScript() + ";", nlohmann::json::object(),
                                    [&](JsResult r) { answer = r.text(); });
  ASSERT_TRUE(test::waitUntil([&] { return !answer.empty(); }, 5000));
  EXPECT_EQ(answer, "ok");
  EXPECT_NE(h.evalText("return document.activeElement ? document.activeElement.id || document.activeElement.name : '';"),
            "plain");
  EXPECT_EQ(h.evalText("var e = document.activeElement; return e && (/search/i.test((e.name||'')+(e.id||'')) || "
                       "(e.placeholder||'').indexOf('搜索') >= 0) ? 'yes' : 'no';"),
            "yes");

  h.evalText("document.querySelectorAll('input').forEach(function(e){ e.remove(); }); return 'ok';");
  answer.clear();
  tab->webView()->callAsyncFunction(std::string("return ") + pageSearchScript() + ";", nlohmann::json::object(),
                                    [&](JsResult r) { answer = r.text(); });
  ASSERT_TRUE(test::waitUntil([&] { return !answer.empty(); }, 5000));
  EXPECT_EQ(answer, "none");
}
