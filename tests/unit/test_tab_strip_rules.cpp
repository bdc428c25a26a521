#include <gtest/gtest.h>

#include "core/ShortcutText.h"
#include "ui/model/TabStripRules.h"

using namespace quorvel;
using namespace quorvel::TabStripRules;

TEST(TabStripRules, GlyphLoadingWinsThenHibernated) {
  EXPECT_EQ(chipGlyph(true, true), ChipGlyph::spinner);
  EXPECT_EQ(chipGlyph(true, false), ChipGlyph::spinner);
  EXPECT_EQ(chipGlyph(false, false), ChipGlyph::moon);
  EXPECT_EQ(chipGlyph(false, true), ChipGlyph::pathIcon);
}

TEST(TabStripRules, EmptyTitleShowsNewTabButItsTooltipStaysEmpty) {
  EXPECT_EQ(chipTitle(""), "新标签");
  EXPECT_EQ(chipTitle("案件"), "案件");
  EXPECT_EQ(chipTooltip(std::nullopt, ""), "");
  EXPECT_EQ(chipTooltip(std::string(""), "案件"), "案件");
  EXPECT_EQ(chipTooltip(std::string("https://example.com/cases"), "案件"), "https://example.com/cases");
}

TEST(TabStripRules, CopyLinkPrefersTheLiveAddress) {
  const std::optional<std::string> none;
  EXPECT_EQ(linkToCopy(std::string("https://a/x"), std::string("https://a/old")), "https://a/x");
  EXPECT_EQ(linkToCopy(none, std::string("https://a/old")), "https://a/old");
  EXPECT_EQ(linkToCopy(std::string(""), std::string("https://a/old")), "https://a/old");
  EXPECT_FALSE(linkToCopy(none, none));
}

TEST(TabStripRules, MenuOfTheActiveTabHasNoHibernate) {
  auto titles = [](const std::vector<ChipMenuItem>& items) {
    std::vector<std::string> t;
    for (auto& i : items) t.push_back((i.separatorBefore ? "|" : "") + i.title);
    return t;
  };
  EXPECT_EQ(titles(chipMenu(true)),
            (std::vector<std::string>{"关闭标签", "关闭其他标签", "关闭右侧标签", "|复制链接"}));
  EXPECT_EQ(titles(chipMenu(false)),
            (std::vector<std::string>{"关闭标签", "关闭其他标签", "关闭右侧标签", "|复制链接", "休眠这个标签"}));
  EXPECT_EQ(chipMenu(false).back().action, ChipMenuAction::hibernate);
}

namespace {
struct DropCase {
  std::vector<std::string> dropped;
  std::optional<std::string> id;
};
}  // namespace

TEST(TabStripRules, DropsParseOnlyTheFirstStringAsAUUID) {
  const std::string upper = "0A1B2C3D-4E5F-6789-ABCD-EF0123456789";
  const DropCase cases[] = {
      {{}, std::nullopt},
      {{""}, std::nullopt},
      {{upper}, upper},
      {{"0a1b2c3d-4e5f-6789-abcd-ef0123456789"}, upper},  // lower case is a UUID too
      {{upper, "junk"}, upper},
      {{"junk", upper}, std::nullopt},                     // only the first string counts
      {{" " + upper}, std::nullopt},
      {{upper.substr(0, 35)}, std::nullopt},
      {{"0A1B2C3D4E5F-6789-ABCD-EF0123456789-"}, std::nullopt},
      {{"0A1B2C3D-4E5F-6789-ABCD-EF012345678G"}, std::nullopt},
      {{"https://example.com/cases"}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dropped.empty() ? "(none)" : c.dropped.front());
    EXPECT_EQ(parseDroppedTabID(c.dropped), c.id);
  }
  EXPECT_EQ(dragPayload("0a1b2c3d-4e5f-6789-abcd-ef0123456789"), upper);
}

TEST(TabStripRules, OverduePillAndCalendarToggle) {
  EXPECT_FALSE(overduePillText(0));
  EXPECT_FALSE(overduePillText(-3));
  EXPECT_EQ(overduePillText(12), "12");
  EXPECT_EQ(calendarToggle(true, true), CalendarToggle::hide);
  EXPECT_EQ(calendarToggle(true, false), CalendarToggle::show);
  EXPECT_EQ(calendarToggle(false, false), CalendarToggle::show);
  EXPECT_EQ(sidebarToggleTip(true), "隐藏侧栏");
  EXPECT_EQ(sidebarToggleTip(false), "显示侧栏");
}

// Every symbol the bar and its chips name is drawn with something.
TEST(TabStripRules, EverySymbolOfTheBarHasAGlyph) {
  for (const char* s : {"sidebar.left", "chevron.left", "chevron.right", "arrow.clockwise", "plus", "magnifyingglass",
                        "checklist", "calendar", "tray.and.arrow.up", "text.viewfinder", "lock", "moon.zzz", "xmark"}) {
    auto g = symbolGlyph(s);
    EXPECT_TRUE(g.kind.has_value() || !g.iconName.empty()) << s;
  }
  EXPECT_EQ(symbolGlyph("lock").kind, LawIconKind::lock);
  EXPECT_FALSE(symbolGlyph("no.such.symbol").kind);
  EXPECT_TRUE(symbolGlyph("no.such.symbol").iconName.empty());
}

TEST(TabStripRules, LitLooksOnlyForEnabledButtons) {
  EXPECT_EQ(iconButtonLook(true, true).fill, LawColor::clear());
  EXPECT_EQ(iconButtonLook(true, true).scale, 1);
  EXPECT_EQ(iconButtonLook(true, false).scale, 1.04);
  EXPECT_EQ(chipLook(true, true).fill, chipLook(true, false).fill);  // active beats hover
}

namespace {
struct ShortcutCase {
  const char* glyphs;
  const char* linuxForm;
};
constexpr ShortcutCase kShortcuts[] = {
    {"⌘K", "Ctrl+K"},
    {"新建标签 ⌘T", "新建标签 Ctrl+T"},
    {"我的待办 ⌘⇧D", "我的待办 Ctrl+Shift+D"},
    {"屏幕框选 OCR ⌥⇧O", "屏幕框选 OCR Alt+Shift+O"},
    {"隐私锁屏 ⌘⌃L", "隐私锁屏 Ctrl+Alt+L"},
    {"后退 ⌘[", "后退 Ctrl+["},
    {"键盘快捷键 · ⌘/", "键盘快捷键 · Ctrl+/"},
    {"桌面交互日历 ⌘⇧C（可贴桌面 / 置顶 / 点进案件）", "桌面交互日历 Ctrl+Shift+C（可贴桌面 / 置顶 / 点进案件）"},
    {"按 ⌘T 新建标签，或按 ⌘K 快速搜索", "按 Ctrl+T 新建标签，或按 Ctrl+K 快速搜索"},
    {"⌘", "Ctrl"},
    {"⌘ 键", "Ctrl 键"},
    {"没有快捷键", "没有快捷键"},
    {"", ""},
};
}  // namespace

TEST(ShortcutText, GlyphRunsBecomeTheLinuxForm) {
  for (const auto& c : kShortcuts) EXPECT_EQ(linuxShortcutText(c.glyphs), c.linuxForm) << c.glyphs;
}

namespace {
struct KeyCase {
  KeyPress key;
  TabKeyDecision::Kind kind;
  int position;
};
KeyPress ctrl(const char* chars) {
  KeyPress k;
  k.control = true;
  k.characters = chars;
  return k;
}
template <class F>
KeyPress with(KeyPress k, F change) {
  change(k);
  return k;
}
}  // namespace

TEST(TabStripRules, TabKeysTakeCtrlAloneOutsideDialogs) {
  const KeyCase cases[] = {
      {ctrl("w"), TabKeyDecision::closeActive, -1},
      {ctrl("W"), TabKeyDecision::closeActive, -1},
      {ctrl("1"), TabKeyDecision::selectTab, 0},
      {ctrl("9"), TabKeyDecision::selectTab, 8},
      {ctrl("5"), TabKeyDecision::selectTab, 4},  // handed on even with fewer tabs
      {ctrl("0"), TabKeyDecision::pass, -1},
      {ctrl("+3"), TabKeyDecision::selectTab, 2},
      {ctrl("-3"), TabKeyDecision::pass, -1},
      {ctrl("12"), TabKeyDecision::pass, -1},
      {ctrl("q"), TabKeyDecision::pass, -1},
      {ctrl(""), TabKeyDecision::pass, -1},
      {with(ctrl("w"), [](KeyPress& k) { k.shift = true; }), TabKeyDecision::pass, -1},
      {with(ctrl("w"), [](KeyPress& k) { k.alt = true; }), TabKeyDecision::pass, -1},
      {with(ctrl("1"), [](KeyPress& k) { k.alt = true; }), TabKeyDecision::pass, -1},
      {with(ctrl("w"), [](KeyPress& k) { k.capsLock = true; }), TabKeyDecision::pass, -1},
      {with(ctrl("1"), [](KeyPress& k) { k.keypad = true; }), TabKeyDecision::pass, -1},
      {with(ctrl("w"), [](KeyPress& k) { k.sheetIsKey = true; }), TabKeyDecision::pass, -1},
      {with(ctrl("w"), [](KeyPress& k) { k.control = false; }), TabKeyDecision::pass, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.characters);
    auto d = decideTabKey(c.key);
    EXPECT_EQ(d.kind, c.kind);
    if (c.kind == TabKeyDecision::selectTab) EXPECT_EQ(d.position, c.position);
  }
}
