// The task-bar menu and tray label from the badge counts, where the tray panel opens,
// and the tray icon's pixels in the hosts' byte order.
#include <gtest/gtest.h>

#include "core/BadgeCounts.h"
#include "ui/model/DockMenu.h"
#include "ui/model/MenuBarRows.h"
#include "ui/model/Sidebar.h"
#include "ui/model/TabStripRules.h"
#include "ui/model/TrayIcon.h"

using namespace quorvel;

namespace {
std::vector<std::string> titles(const std::vector<DockMenuEntry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.separator ? "—" : e.title);
  return out;
}
}  // namespace

TEST(DockMenu, CountsNotYetLoadedGiveTheShortMenu) {
  auto entries = dockMenuEntries(0, 0);
  EXPECT_EQ(titles(entries), (std::vector<std::string>{"我的待办", "打开工作台", "—", "检查更新…"}));
  EXPECT_EQ(entries[0].action, DockAction::openTodo);
  EXPECT_EQ(entries[1].action, DockAction::openDashboard);
  EXPECT_TRUE(entries[2].separator);
  EXPECT_EQ(entries[2].action, DockAction::none);
  EXPECT_EQ(entries[3].action, DockAction::checkUpdate);
}

TEST(DockMenu, OverdueAndTodayCountsShowAndBothOpenTheTodos) {
  auto entries = dockMenuEntries(5, 2);
  EXPECT_EQ(titles(entries),
            (std::vector<std::string>{"待办（5 条超期）", "打开工作台", "今日到期 2 条", "—", "检查更新…"}));
  EXPECT_EQ(entries[0].action, DockAction::openTodo);
  EXPECT_EQ(entries[2].action, DockAction::openTodo);
  EXPECT_EQ(entries[4].action, DockAction::checkUpdate);
  // Each count shows alone; negative counts count as none.
  EXPECT_EQ(titles(dockMenuEntries(0, 3))[2], "今日到期 3 条");
  EXPECT_EQ(titles(dockMenuEntries(12, -1)), (std::vector<std::string>{"待办（12 条超期）", "打开工作台", "—", "检查更新…"}));
}

TEST(DockMenu, TrayLabelAndBadgeFollowTheOverdueCount) {
  EXPECT_EQ(trayLabelText(0), "");
  EXPECT_EQ(trayLabelText(-3), "");
  EXPECT_EQ(trayLabelText(12), "12");
  EXPECT_EQ(trayLabelText(1234), "999+");
  EXPECT_EQ(trayBadgeText(1000000000000000LL), "99+");
  EXPECT_EQ(trayBadgeText(0), "");
  EXPECT_EQ(trayBadgeText(7), "7");
  EXPECT_EQ(trayBadgeText(99), "99");
  EXPECT_EQ(trayBadgeText(100), "99+");
}

TEST(BadgeReply, CountsAreShownWithinWhatAPillHolds) {
  auto c = parseBadgeReply(R"({"overdue":-5,"today":1000000000000000,"soon":999,"verify":1000})");
  ASSERT_TRUE(c);
  EXPECT_EQ(countText(c->overdue), "0");
  EXPECT_EQ(countText(c->today), "999+");
  EXPECT_EQ(countText(c->soon), "999");
  EXPECT_EQ(countText(c->verify), "999+");
  EXPECT_EQ(shownCount(c->today), 999);
  EXPECT_EQ(shownCount(c->overdue), 0);
  EXPECT_EQ(countText(100, 99), "99+");
  // The one rule behind every place a count is drawn.
  EXPECT_EQ(sidebarCountText(c->today, true), "999+");
  EXPECT_EQ(menuBarCountText(c->overdue, true), "0");
  EXPECT_EQ(TabStripRules::overduePillText(c->today), "999+");
  EXPECT_EQ(trayLabelText(c->today), "999+");
  EXPECT_EQ(titles(dockMenuEntries(c->today, c->verify))[0], "待办（999+ 条超期）");
}

TEST(DockMenu, PanelOpensBelowTopClicksAboveBottomOnesAndStaysOnItsScreen) {
  const std::vector<Rect> screens{{0, 0, 1600, 1000}, {1600, 0, 1280, 1024}};
  // A top panel: centred under the click.
  EXPECT_EQ(menuBarPanelFrame(800, 12, 300, 200, screens), (Rect{650, 20, 300, 200}));
  // A bottom panel: above the click.
  EXPECT_EQ(menuBarPanelFrame(800, 990, 300, 200, screens), (Rect{650, 782, 300, 200}));
  // Near the right edge of the first screen it stays on that screen.
  EXPECT_EQ(menuBarPanelFrame(1590, 12, 300, 200, screens).x, 1300);
  // On the second screen, clamped to its right edge.
  EXPECT_EQ(menuBarPanelFrame(2870, 12, 300, 200, screens).x, 2580);
  // A point outside every screen uses the first; with no screens it is not clamped.
  EXPECT_EQ(menuBarPanelFrame(-50, 5, 300, 200, screens).x, 0);
  EXPECT_EQ(menuBarPanelFrame(-50, 5, 300, 200, {}).x, -200);
}

TEST(TrayIcon, PixmapsAreStraightAlphaInNetworkOrderAndCarryTheBadge) {
  auto plain = trayIconPixmaps(0);
  ASSERT_EQ(plain.size(), 3u);
  for (const auto& p : plain) ASSERT_EQ(p.argb.size(), size_t(p.width) * p.height * 4);
  EXPECT_EQ(plain[0].width, 22);
  EXPECT_EQ(plain[2].height, 48);

  const auto& p = plain[2];
  auto px = [&](int x, int y) { return &p.argb[(size_t(y) * p.width + x) * 4]; };
  // The post of the scale at x = 12/24 of the width is opaque ink (15, 27, 41).
  const uint8_t* post = px(24, 30);
  EXPECT_EQ(post[0], 255);
  EXPECT_NEAR(post[1], 15, 2);
  EXPECT_NEAR(post[2], 27, 2);
  EXPECT_NEAR(post[3], 41, 2);
  // Corners stay transparent; no colour without alpha.
  EXPECT_EQ(px(0, 47)[0], 0);
  for (size_t i = 0; i < p.argb.size(); i += 4) {
    if (p.argb[i] == 0) {
      ASSERT_EQ(p.argb[i + 1] | p.argb[i + 2] | p.argb[i + 3], 0);
    }
  }

  // With overdue to-dos the top-right corner turns the badge's red.
  auto badged = trayIconPixmap(48, 5);
  const uint8_t* corner = &badged.argb[(size_t(3) * 48 + 40) * 4];
  EXPECT_EQ(corner[0], 255);
  EXPECT_GT(corner[1], 200);
  EXPECT_LT(corner[2], 80);
  EXPECT_NE(badged, plain[2]);
}
