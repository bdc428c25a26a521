// The sidebar widget fed from a workspace model with fake pages: rows, sections,
// pills, the signed-out footer, clicks through the X server, and a render.
// QUORVEL_SIDEBAR_PNG=/path/sidebar.png keeps the rendered image.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "TestEnv.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestHelpers.h"
#include "TextFreeArea.h"
#include "ui/model/Sidebar.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "ui/components/WidgetRender.h"
#include "ui/main/SidebarView.h"

// From gdk/x11/gdkx.h, whose Xlib macros clash with the test framework.
extern "C" unsigned long gdk_x11_surface_get_xid(GdkSurface* surface);

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::vector<std::string> rowPaths(const SidebarView& view) {
  std::vector<std::string> out;
  for (auto* r : view.rows()) out.push_back(r->path());
  return out;
}

class SidebarViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model = freshFakeModel(pages);
  }
  void TearDown() override {
    host.reset();
    model.reset();
    drainMainLoop();
  }
  void answerBadges(const std::string& json) {
    fakeOf(model->activeTab())->answer = [json](const std::string&, const nlohmann::json&) {
      return JsResult::success(json);
    };
    model->reads().refreshBadges();
    drainMainLoop();
  }
  SidebarView* show(int height = 820) {
    view = Gtk::make_managed<SidebarView>(sidebarInputFrom(*model, *viewState));
    host = std::make_unique<WidgetRenderHost>(*view, -1, height);
    view->set_can_target(true);  // the clicks below come from the X server
    EXPECT_TRUE(host->showAndWait());
    return view;
  }
  // A real click in the middle of `w`, delivered by the X server.
  bool click(Gtk::Widget& w) {
    auto& window = host->window();
    double x = 0, y = 0, sx = 0, sy = 0;
    if (!w.translate_coordinates(window, w.get_width() / 2.0, w.get_height() / 2.0, x, y)) return false;
    gtk_native_get_surface_transform(GTK_NATIVE(window.gobj()), &sx, &sy);
    const unsigned long xid = gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(window.gobj())));
    const std::string cmd = "xdotool mousemove --window " + std::to_string(xid) + " " +
                            std::to_string(std::lround(x + sx)) + " " + std::to_string(std::lround(y + sy)) +
                            " click 1";
    return std::system(cmd.c_str()) == 0;
  }

  TempHome home;
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  SidebarView* view = nullptr;
  std::unique_ptr<WidgetRenderHost> host;
};

}  // namespace

TEST_F(SidebarViewTest, RowsFollowTheModelsEntriesAndForbiddenPagesDisappear) {
  model->account().setNavItems({{"个人工作台", "square.grid.2x2", "/dashboard"},
                                {"全局案件中心", "folder.fill", "/cases"},
                                {"合同管理", "doc", "/contracts"},
                                {"用户管理", "person.2", "/manage_users"}});
  model->account().rememberProceeding(42, "张三诉李四合同纠纷");
  show();
  EXPECT_EQ(view->sectionTitles(), (std::vector<std::string>{"办案工作", "律所管理", "其他", "最近卷宗"}));
  EXPECT_EQ(rowPaths(*view),
            (std::vector<std::string>{"/dashboard", "/cases", "/manage_users", "/contracts", "/proceeding/42"}));
  EXPECT_EQ(view->row("/cases")->icon().kind(), lawIconKindForPath("/cases"));
  EXPECT_TRUE(view->row("/dashboard")->selected());  // the active tab's page

  // Only the selection changes: the rows stay the same widgets.
  SidebarView::Row* cases = view->row("/cases");
  SidebarInput in = sidebarInputFrom(*model, *viewState);
  in.selectedPath = "/cases/5/edit";
  view->update(in);
  EXPECT_EQ(view->row("/cases"), cases);
  EXPECT_TRUE(cases->selected());
  EXPECT_FALSE(view->row("/dashboard")->selected());

  // The service refuses a page: its row goes, and with it the section it was alone in.
  model->account().markForbidden("/manage_users");
  view->update(sidebarInputFrom(*model, *viewState));
  EXPECT_EQ(view->row("/manage_users"), nullptr);
  EXPECT_EQ(view->sectionTitles(), (std::vector<std::string>{"办案工作", "其他", "最近卷宗"}));

  // Nothing left to show: the fixed defaults.
  for (const char* p : {"/dashboard", "/cases", "/contracts"}) model->account().markForbidden(p);
  view->update(sidebarInputFrom(*model, *viewState));
  EXPECT_EQ(view->rows().size(), defaultSideItems().size() + 1);
  EXPECT_TRUE(view->todoCardShown());

  // Scale and scrolling change in place.
  in = sidebarInputFrom(*model, *viewState);
  in.scrollable = false;
  in.scale = 1.15;
  view->update(in);
  EXPECT_FALSE(view->navScrolls());
  EXPECT_DOUBLE_EQ(view->rows().front()->icon().iconSize(), 16.5 * 1.15);
}

TEST_F(SidebarViewTest, PillsShowCountsAndTheSignedOutState) {
  show();
  for (TodoKind k : TodoKinds::allCases) EXPECT_EQ(view->pill(k).countText(), "–");
  EXPECT_EQ(view->avatarText(), "?");
  EXPECT_EQ(view->accountName(), "未登录");
  EXPECT_EQ(view->accountSubtitle(), "请先登录");
  EXPECT_FALSE(view->loginHintShown());

  answerBadges(R"({"overdue":3,"today":0,"soon":12,"verify":1,"hearings":2,"user":"林晓","role":"team_leader","ts":"09:41"})");
  view->update(sidebarInputFrom(*model, *viewState));
  EXPECT_EQ(view->pill(TodoKind::overdue).countText(), "3");
  EXPECT_TRUE(view->pill(TodoKind::overdue).has_css_class("law-has-count"));
  EXPECT_EQ(view->pill(TodoKind::today).countText(), "0");
  EXPECT_FALSE(view->pill(TodoKind::today).has_css_class("law-has-count"));
  EXPECT_EQ(view->pill(TodoKind::hearings).titleText(), "开庭");
  EXPECT_EQ(view->avatarText(), "林");
  EXPECT_EQ(view->accountSubtitle(), "组长");
  EXPECT_EQ(view->updatedAtText(), "09:41");

  model->account().markLoginRequired();
  view->update(sidebarInputFrom(*model, *viewState));
  EXPECT_TRUE(view->loginHintShown());

  // No entries at all: no card (the caller never does this, the view still copes).
  SidebarInput in = sidebarInputFrom(*model, *viewState);
  in.items.clear();
  view->update(in);
  EXPECT_FALSE(view->todoCardShown());
  EXPECT_TRUE(view->sectionTitles().empty());
}

TEST_F(SidebarViewTest, ClicksLeaveThroughTheSignals) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  show();
  std::vector<std::string> selected;
  std::vector<TodoKind> todos;
  int settings = 0, switches = 0;
  view->signalSelect().connect([&](const std::string& p) { selected.push_back(p); });
  view->signalTodo().connect([&](TodoKind k) { todos.push_back(k); });
  view->signalSettings().connect([&] { ++settings; });
  view->signalSwitchAccount().connect([&] { ++switches; });

  ASSERT_TRUE(click(*view->row("/calendar")));
  ASSERT_TRUE(waitUntil([&] { return !selected.empty(); }, 3000));
  EXPECT_EQ(selected, std::vector<std::string>{"/calendar"});

  ASSERT_TRUE(click(view->pill(TodoKind::verify)));
  ASSERT_TRUE(waitUntil([&] { return !todos.empty(); }, 3000));
  EXPECT_EQ(todos, std::vector<TodoKind>{TodoKind::verify});

  ASSERT_TRUE(click(view->settingsButton()));
  ASSERT_TRUE(click(view->switchAccountButton()));
  ASSERT_TRUE(waitUntil([&] { return settings == 1 && switches == 1; }, 3000));
  EXPECT_EQ(selected.size(), 1u);  // nothing else was selected on the way
}

TEST_F(SidebarViewTest, RendersTheDarkColumn) {
  auto provider = Gtk::CssProvider::create();
  int errors = 0;
  std::string first;
  provider->signal_parsing_error().connect([&](const Glib::RefPtr<const Gtk::CssSection>& s, const Glib::Error& e) {
    if (errors++ == 0) first = s->to_string() + ": " + e.what();
  });
  provider->load_from_data(sidebarCss());
  EXPECT_EQ(errors, 0) << first;

  model->account().setNavItems({{"个人工作台", "", "/dashboard"},   {"专注工作台", "", "/workspace"},
                                {"日历与待办", "", "/calendar"},    {"全局案件中心", "", "/cases"},
                                {"物流查签中心", "", "/logistics"}, {"文书与模板智库", "", "/documents_center"},
                                {"消息中心", "", "/notifications"}, {"已归档卷宗", "", "/archived_cases"},
                                {"用户管理", "", "/manage_users"},  {"财务看板", "", "/finance_dashboard"},
                                {"缓存管理", "", "/cache-manager"}, {"合同管理", "", "/contracts"}});
  model->account().rememberProceeding(1024, "华晟建设工程合同纠纷");
  model->account().rememberProceeding(88, "林某劳动争议仲裁");
  answerBadges(R"({"overdue":3,"today":1,"soon":5,"verify":0,"hearings":2,"user":"林晓","role":"lawyer","ts":"09:41"})");
  model->loadInActive("/cases/12");
  ScopedAnimationsOff noAnimations;
  show(1000);
  SidebarInput in = sidebarInputFrom(*model, *viewState);
  in.selectedPath = "/cases/12";
  view->update(in);
  view->row("/calendar")->set_state_flags(Gtk::StateFlags::PRELIGHT, false);
  ASSERT_TRUE(host->waitForFrame());

  auto texture = host->render(*view);
  ASSERT_TRUE(texture);
  const RenderedPixels px = texturePixels(texture);
  EXPECT_EQ(px.width, 232);
  // Opaque dark gradient at the top left, the footer darker still at the bottom; both
  // read where no text is.
  const TextFreeArea noText(*view);
  ASSERT_TRUE(noText.contains(2, 2));
  ASSERT_TRUE(noText.contains(2, px.height - 3));
  const uint32_t top = px.at(2, 2), bottom = px.at(2, px.height - 3);
  EXPECT_EQ(RenderedPixels::alpha(top), 255);
  EXPECT_NEAR(static_cast<int>((top >> 16) & 0xFF), LawTheme::sidebarTop.red8(), 12);
  EXPECT_LT(static_cast<int>(bottom & 0xFF), 40);

  const char* keep = std::getenv("QUORVEL_SIDEBAR_PNG");
  const std::string path =
      keep ? keep : (std::filesystem::temp_directory_path() / ("sidebar-" + std::to_string(::getpid()) + ".png")).string();
  EXPECT_TRUE(saveTexturePng(texture, path));
  if (!keep) std::filesystem::remove(path);
}
