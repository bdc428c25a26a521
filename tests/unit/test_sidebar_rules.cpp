// The sidebar's rules: its input read from the workspace model, the sections, row
// selection, pill and footer texts and the per-state looks.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestHelpers.h"
#include "ui/model/Sidebar.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::vector<NavItem> navOf(const std::vector<std::string>& paths) {
  std::vector<NavItem> out;
  for (const auto& p : paths) out.push_back(NavItem{"页 " + p, "doc", p});
  return out;
}

// "title: path path | title: path" for a compact comparison.
std::string shape(const std::vector<SidebarGroup>& groups) {
  std::string s;
  for (const auto& g : groups) {
    if (!s.empty()) s += " | ";
    s += g.title + ":";
    for (const auto& i : g.items) s += " " + i.path;
  }
  return s;
}

}  // namespace

TEST(SidebarGroups, SectionsFollowTheFixedListsAndTheOrderOfItems) {
  struct Case {
    std::vector<std::string> paths;
    std::string want;
  } cases[] = {
      {{}, ""},
      {{"/cases", "/dashboard"}, "办案工作: /cases /dashboard"},
      // Unknown paths go last, in item order; the same path twice lands twice.
      {{"/contracts", "/tutorial", "/notifications", "/x", "/contracts"},
       "案卷与消息: /notifications | 工具与帮助: /tutorial | 其他: /contracts /x /contracts"},
      {{"/firm_settings/storage", "/manage_users", "/Cases", "/cases/5"},
       "律所管理: /firm_settings/storage /manage_users | 其他: /Cases /cases/5"},
  };
  for (const auto& c : cases) EXPECT_EQ(shape(sidebarGroups(navOf(c.paths))), c.want);

  const auto defaults = sidebarGroups(defaultSideItems());
  EXPECT_EQ(shape(defaults),
            "办案工作: /dashboard /workspace /calendar /cases /logistics /documents_center /recent_workspace | "
            "案卷与消息: /notifications /archived_cases | 工具与帮助: /cache-manager /tutorial");
  EXPECT_EQ(defaults[0].id, "work");
  EXPECT_EQ(defaults[0].items[0].title, "个人工作台");
}

TEST(SidebarSelection, PrefixMatchesOnlyAtAPathBoundary) {
  struct Case {
    const char* row;
    const char* selected;
    bool want;
  } cases[] = {
      {"/cases", "/cases", true},        {"/cases", "/cases/5/edit", true}, {"/cases", "/casesx", false},
      {"/cases", "/cases_archive", false}, {"/cases", "/", false},        {"/cases/5", "/cases", false},
      {"/", "/", true},                  {"/", "/cases", false},          {"/cases", "", false},
      {"", "/cases", false},             {"", "", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sidebarNavRowSelected(c.row, c.selected), c.want) << c.row << " on " << c.selected;

  const NavItem recent = sidebarRecentEntry(RecentItem{42, "张三诉李四"});
  EXPECT_EQ(recent, (NavItem{"张三诉李四", "clock", "/proceeding/42"}));
}

TEST(SidebarTexts, PillsAndFooter) {
  EXPECT_EQ(sidebarCountText(3, true), "3");
  EXPECT_EQ(sidebarCountText(0, true), "0");
  EXPECT_EQ(sidebarCountText(1234567, true), "999+");  // a pill never widens the sidebar
  EXPECT_EQ(sidebarCountText(-5, true), "0");
  EXPECT_EQ(sidebarCountText(3, false), "–");
  // Small pills keep the full title in their help text.
  EXPECT_EQ(sidebarPillTip(TodoKind::hearings), "点击查看「7天内开庭」");
  EXPECT_EQ(sidebarPillShortTitle(TodoKind::hearings), "开庭");
  EXPECT_EQ(sidebarPillShortTitle(TodoKind::overdue), std::nullopt);

  SidebarInput in;
  in.counts = {{TodoKind::overdue, 3}};
  EXPECT_EQ(in.count(TodoKind::verify), 0);  // missing kinds count 0

  struct Person {
    const char* name;
    const char* role;
    const char* initial;
    const char* shown;
    const char* subtitle;
  } people[] = {
      {"", "", "?", "未登录", "请先登录"},
      {"张律师", "", "张", "张律师", "已登录"},
      {"张律师", " Firm_Admin ", "张", "张律师", "律所管理员"},
      {"王五", "paralegal", "王", "王五", "paralegal"},
      {"", "lawyer", "?", "未登录", "律师"},
      {"e\u0301mile", "", "e\u0301", "e\u0301mile", "已登录"},
      {"\U0001F1E8\U0001F1F3 林", "", "\U0001F1E8\U0001F1F3", "\U0001F1E8\U0001F1F3 林", "已登录"},
  };
  for (const auto& p : people) {
    EXPECT_EQ(sidebarInitial(p.name), p.initial) << p.name;
    EXPECT_EQ(sidebarDisplayName(p.name), p.shown);
    EXPECT_EQ(sidebarSubtitle(p.name, p.role), p.subtitle) << p.name << "/" << p.role;
  }
  EXPECT_EQ(sidebarVersionText(), "v2.2.0");
}

TEST(SidebarLooks, PillsTintOnlyWithACount) {
  const LawColor red = LawColor::rgb8(248, 113, 113);
  const LawColor white = LawColor::rgb8(255, 255, 255);
  struct Case {
    long long value;
    bool hover;
    LawColor fill, stroke, count;
    double strokeWidth, scale;
  } large[] = {
      {3, false, red.opacity(0.14), red.opacity(0.28), red, 0.5, 1},
      {3, true, red.opacity(0.24), red.opacity(0.65), red, 1, 1.02},
      {0, false, white.opacity(0.04), LawColor::clear(), LawTheme::sidebarSection, 0.5, 1},
      {0, true, white.opacity(0.11), white.opacity(0.22), LawTheme::sidebarText, 1, 1.02},
      {-2, false, white.opacity(0.04), LawColor::clear(), LawTheme::sidebarSection, 0.5, 1},
  };
  for (const auto& c : large) {
    const auto l = sidebarLargePillLook(TodoKind::overdue, c.value, c.hover);
    EXPECT_EQ(l.fill, c.fill) << c.value << c.hover;
    EXPECT_EQ(l.stroke, c.stroke) << c.value << c.hover;
    EXPECT_EQ(l.countColor, c.count) << c.value << c.hover;
    EXPECT_EQ(l.strokeWidth, c.strokeWidth);
    EXPECT_EQ(l.scale, c.scale);
  }
  const LawColor violet = LawColor::rgb8(167, 139, 250);
  // Small pills are tinted only while hovered, and a hovered zero turns white.
  Case small[] = {
      {2, false, white.opacity(0.04), LawColor::clear(), violet, 0.8, 1},
      {2, true, violet.opacity(0.2), violet.opacity(0.55), violet, 0.8, 1.03},
      {0, true, white.opacity(0.1), white.opacity(0.22), white, 0.8, 1.03},
  };
  for (const auto& c : small) {
    const auto l = sidebarSmallPillLook(TodoKind::soon, c.value, c.hover);
    EXPECT_EQ(l.fill, c.fill) << c.value << c.hover;
    EXPECT_EQ(l.stroke, c.stroke) << c.value << c.hover;
    EXPECT_EQ(l.countColor, c.count) << c.value << c.hover;
    EXPECT_EQ(l.scale, c.scale);
  }
}

TEST(SidebarLooks, HoverChangesNothingOnASelectedRow) {
  for (bool muted : {false, true}) {
    const auto a = sidebarRowLook(true, muted, false), b = sidebarRowLook(true, muted, true);
    EXPECT_TRUE(a.iconColor == b.iconColor && a.titleColor == b.titleColor && a.fill == b.fill && b.offsetX == 0);
  }
  const auto hovered = sidebarRowLook(false, false, true);
  EXPECT_EQ(hovered.fill, LawTheme::sidebarHover);
  EXPECT_EQ(hovered.offsetX, 1.5);
}

class SidebarInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model = freshFakeModel(pages);
  }
  void TearDown() override {
    model.reset();
    drainMainLoop();
  }
  TempHome home;
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(home.defaults());
};

TEST_F(SidebarInputTest, ReadsTheModelAsTheMainWindowDoes) {
  SidebarInput in = sidebarInputFrom(*model, *viewState);
  EXPECT_EQ(in.items, defaultSideItems());
  EXPECT_FALSE(in.badgesLoaded);
  EXPECT_EQ(in.selectedPath, model->activePath().get());
  EXPECT_TRUE(in.scrollable);
  EXPECT_EQ(in.trafficLightPadding, 28);

  model->account().setNavItems(navOf({"/dashboard", "/contracts", "/manage_users"}));
  model->account().markForbidden("/contracts");
  fakeOf(model->activeTab())->answer = [](const std::string&, const nlohmann::json&) {
    return JsResult::success(std::string(
        R"({"overdue":3,"today":1,"soon":2,"verify":4,"hearings":5,"user":"张律师","role":"lawyer","ts":"09:41"})"));
  };
  model->reads().refreshBadges();
  drainMainLoop();
  model->account().rememberProceeding(42, "张三诉李四");
  viewState->fontScale = 1.15;

  in = sidebarInputFrom(*model, *viewState);
  EXPECT_EQ(in.items, navOf({"/dashboard", "/manage_users"}));
  EXPECT_EQ(in.counts, (std::map<TodoKind, long long>{{TodoKind::overdue, 3},
                                                      {TodoKind::today, 1},
                                                      {TodoKind::soon, 2},
                                                      {TodoKind::verify, 4},
                                                      {TodoKind::hearings, 5}}));
  EXPECT_TRUE(in.badgesLoaded);
  EXPECT_FALSE(in.loginRequired);
  EXPECT_EQ(in.userName, "张律师");
  EXPECT_EQ(in.userRole, "lawyer");
  EXPECT_EQ(in.updatedAt, "09:41");
  ASSERT_EQ(in.recents.size(), 1u);
  EXPECT_EQ(in.recents[0].procID, 42);
  EXPECT_EQ(in.scale, 1.15);

  // Every entry forbidden: the fixed defaults come back.
  model->account().markForbidden("/dashboard");
  model->account().markForbidden("/manage_users");
  EXPECT_EQ(sidebarInputFrom(*model, *viewState).items, defaultSideItems());

  model->account().markLoginRequired();
  in = sidebarInputFrom(*model, *viewState);
  EXPECT_TRUE(in.loginRequired);
  EXPECT_TRUE(in.badgesLoaded);
}
