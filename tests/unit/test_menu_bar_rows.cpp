// The menu-bar panel's rules: the rows in their sections with the states they show,
// the identity line and counters, and the colour rules of boxes and rows.
#include <gtest/gtest.h>

#include "ui/model/MenuBarRows.h"

using namespace quorvel;

namespace {

std::vector<std::string> titles(const std::vector<MenuBarSection>& sections) {
  std::vector<std::string> out;
  for (const auto& s : sections) {
    out.push_back("[" + s.title + "]");
    for (const auto& r : s.rows) out.push_back(r.title + (r.shortcut ? " " + *r.shortcut : ""));
  }
  return out;
}

const MenuBarRow& rowOf(const std::vector<MenuBarSection>& sections, MenuBarCommand c) {
  for (const auto& s : sections)
    for (const auto& r : s.rows)
      if (r.command == c) return r;
  throw std::runtime_error("no row");
}

}  // namespace

TEST(MenuBarRows, TwelveRowsInTheirSectionsWithLinuxTextsAndKeys) {
  auto s = menuBarSections({});
  EXPECT_EQ(titles(s), (std::vector<std::string>{
                           "[快捷采集]", "悬浮快记待办 Alt+Shift+N", "屏幕框选 OCR 智提 Alt+Shift+O",
                           "快速归档 / 扫描导入 Ctrl+Shift+U",
                           "[工作区与卷宗]", "显示墨衡台主窗口", "打开桌面交互日历 Ctrl+Shift+C",
                           "全局搜索案件与客户 Ctrl+K", "本地卷宗与离线镜像 Ctrl+Shift+M", "文件管理器打开卷宗目录 Ctrl+Shift+O",
                           "[同步与安全]", "立即同步本机日历与提醒", "隐私锁屏 Ctrl+Alt+L", "检查客户端更新",
                           "[]", "退出墨衡台 Ctrl+Q"}));
  const auto& capture = rowOf(s, MenuBarCommand::quickCapture);
  EXPECT_EQ(capture.accent, LawTheme::gold);
  EXPECT_FALSE(capture.danger);
  const auto& quit = rowOf(s, MenuBarCommand::quit);
  EXPECT_TRUE(quit.danger);
  EXPECT_FALSE(quit.accent);
  for (auto c : {MenuBarCommand::desktopCalendar, MenuBarCommand::mirror, MenuBarCommand::syncCalendar}) {
    EXPECT_FALSE(rowOf(s, c).badge);
    EXPECT_FALSE(rowOf(s, c).spinning);
  }
}

TEST(MenuBarRows, CalendarVolumeAndSyncStatesChangeTitlesBadgesAndSpinner) {
  MenuBarRowInputs in;
  in.desktopCalendarVisible = true;
  in.volumeMounted = true;
  in.syncEnabled = true;
  auto s = menuBarSections(in);
  EXPECT_EQ(rowOf(s, MenuBarCommand::desktopCalendar).title, "隐藏桌面交互日历");
  EXPECT_EQ(rowOf(s, MenuBarCommand::desktopCalendar).badge, "已显示");
  EXPECT_EQ(rowOf(s, MenuBarCommand::mirror).badge, "已连");
  auto sync = rowOf(s, MenuBarCommand::syncCalendar);
  EXPECT_EQ(sync.badge, "已开启");
  EXPECT_EQ(sync.badgeColor, LawTheme::success);
  EXPECT_FALSE(sync.spinning);

  in.syncing = true;
  sync = rowOf(menuBarSections(in), MenuBarCommand::syncCalendar);
  EXPECT_EQ(sync.title, "正在同步本机日历与提醒…");
  EXPECT_TRUE(sync.spinning);
  EXPECT_EQ(sync.badge, "同步中");
  EXPECT_EQ(sync.badgeColor, LawTheme::warning);
}

TEST(MenuBarHeader, IdentityStatusCountsVersionAndTips) {
  BadgeCounts b;
  b.loginRequired = true;
  EXPECT_EQ(menuBarIdentityLine(b), "未登录");  // whatever the sign-in flag says
  b.user = "张律师";
  b.role = " Lawyer ";
  EXPECT_EQ(menuBarIdentityLine(b), "张律师 · 律师");
  b.role = " ";
  EXPECT_EQ(menuBarIdentityLine(b), "张律师");  // no dangling separator
  b.role = "paralegal";
  EXPECT_EQ(menuBarIdentityLine(b), "张律师 · paralegal");
  EXPECT_EQ(menuBarStatusColor(true), LawColor::rgb8(251, 191, 36));
  EXPECT_EQ(menuBarStatusColor(false), LawTheme::successGlow);
  EXPECT_EQ(menuBarCountText(3, false), "–");
  EXPECT_EQ(menuBarCountText(0, true), "0");
  EXPECT_EQ(menuBarVersionText(), "v2.2.0");
  EXPECT_EQ(menuBarBoxTip(TodoKind::hearings), "查看「7天内开庭」清单");
}

TEST(MenuBarLooks, CounterBoxesAreColouredByTheirValueAlone) {
  const LawColor amber = LawColor::rgb8(217, 119, 6);
  auto zero = menuBarBoxLook(TodoKind::today, 0, false);
  EXPECT_EQ(zero.number, LawTheme::textMuted);
  EXPECT_EQ(zero.fill, LawTheme::surface);
  EXPECT_EQ(zero.markOpacity, 0);
  EXPECT_EQ(zero.scale, 1);
  auto zeroHover = menuBarBoxLook(TodoKind::today, 0, true);
  EXPECT_EQ(zeroHover.number, LawTheme::primary);
  EXPECT_EQ(zeroHover.fill, LawColor::rgb8(241, 245, 250));
  EXPECT_EQ(zeroHover.stroke, LawTheme::primary.opacity(0.38));
  EXPECT_EQ(zeroHover.mark, LawTheme::primary);
  EXPECT_EQ(zeroHover.captionWeight, LawFontWeight::semibold);
  auto some = menuBarBoxLook(TodoKind::today, 1, false);
  EXPECT_EQ(some.number, amber);
  EXPECT_EQ(some.stroke, LawTheme::borderLight);
  auto someHover = menuBarBoxLook(TodoKind::today, 7, true);
  EXPECT_EQ(someHover.fill, amber.opacity(0.1));
  EXPECT_EQ(someHover.stroke, amber.opacity(0.55));
  EXPECT_EQ(someHover.mark, amber);
  EXPECT_DOUBLE_EQ(someHover.markOpacity, 0.8);
  EXPECT_DOUBLE_EQ(someHover.scale, 1.02);
}

TEST(MenuBarLooks, RowsTakeTheDangerAccentOrPrimaryColours) {
  auto quit = menuBarRowLook(true, std::nullopt, false);
  EXPECT_EQ(quit.icon, LawTheme::danger);
  EXPECT_EQ(quit.title, LawTheme::danger);
  EXPECT_EQ(quit.tileFill, LawTheme::dangerSoft);
  EXPECT_EQ(quit.fill.a, 0);
  auto quitHover = menuBarRowLook(true, std::nullopt, true);
  EXPECT_EQ(quitHover.tileFill, LawTheme::danger.opacity(0.14));
  EXPECT_EQ(quitHover.fill, LawTheme::dangerSoft);
  EXPECT_EQ(quitHover.accentBar, LawTheme::danger);
  EXPECT_EQ(quitHover.shortcutText, LawTheme::danger);
  EXPECT_EQ(quitHover.shortcutStroke, LawTheme::dangerBorder);
  EXPECT_EQ(quitHover.chevron, LawTheme::danger.opacity(0.75));

  EXPECT_EQ(menuBarRowLook(false, LawTheme::gold, false).icon, LawTheme::gold.opacity(0.9));
  EXPECT_EQ(menuBarRowLook(false, LawTheme::gold, true).icon, LawTheme::gold);
  auto plain = menuBarRowLook(false, std::nullopt, false);
  EXPECT_EQ(plain.icon, LawTheme::primary);
  EXPECT_EQ(plain.title, LawTheme::textPrimary);
  EXPECT_EQ(plain.tileFill, LawTheme::canvasBg);
  EXPECT_EQ(plain.chevronOpacity, 0);
  EXPECT_EQ(plain.chevronOffsetX, -4);
  EXPECT_EQ(plain.shortcutText, LawTheme::textMuted);
  auto hover = menuBarRowLook(false, std::nullopt, true);
  EXPECT_EQ(hover.icon, LawTheme::primaryTop);
  EXPECT_EQ(hover.title, LawTheme::ink);
  EXPECT_EQ(hover.fill, LawTheme::primarySoft);
  EXPECT_EQ(hover.accentBar, LawTheme::gold);
  EXPECT_EQ(hover.accentBarOpacity, 1);
  EXPECT_EQ(hover.shortcutFill, LawColor::rgb8(255, 255, 255, 0.85));
}
