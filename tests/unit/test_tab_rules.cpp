#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "core/ShortcutText.h"
#include "ui/model/TabStripRules.h"
#include "web/rules/TabRules.h"
#include "web/rules/WebProcessGroups.h"

using namespace quorvel;
using namespace quorvel::TabRules;

namespace {
Url home() { return *Url::parse("https://example.com"); }
}  // namespace

// decideNavigation: where a link in a tab goes.
namespace {
struct NavCase {
  const char* url;
  NavAction action;
};
constexpr NavCase kNavCases[] = {
    // Service hosts stay, others leave.
    {"https://example.com/cases", NavAction::allow},
    {"https://SUB.example.com/x", NavAction::allow},
    {"https://EXAMPLE.com/x", NavAction::allow},
    {"https://badexample.com/x", NavAction::openExternally},
    {"http://other.org/", NavAction::openExternally},
    {"about:blank", NavAction::allow},
    {"data:text/html,x", NavAction::allow},
    {"blob:https://example.com/1", NavAction::allow},
    {"", NavAction::allow},
    // Only known schemes reach the system.
    {"file:///etc/passwd", NavAction::cancel},
    {"FILE:///x", NavAction::cancel},
    {"mailto:a@b.c", NavAction::openExternally},
    {"tel:123", NavAction::openExternally},
    {"steam://run/1", NavAction::cancel},
    {"javascript:alert(1)", NavAction::cancel},
    {"quorvel://proceeding/3", NavAction::deepLink},
};
}  // namespace

TEST(NavigationPolicy, ServiceHostsStayOthersLeaveAndOnlyKnownSchemesReachTheSystem) {
  for (const auto& c : kNavCases) {
    SCOPED_TRACE(::testing::PrintToString(c.url));
    EXPECT_EQ(decideNavigation(c.url, home()).action, c.action);
  }
}

// decideNewWindow: service links become tabs, everything else is safe.
namespace {
struct NewWindowCase {
  const char* url;
  NewWindowDecision::Kind kind;
  const char* pathAndQuery;  // checked when set
};
constexpr NewWindowCase kNewWindowCases[] = {
    {"https://app.example.com/cases?tab=2", NewWindowDecision::openTab, "/cases?tab=2"},
    {"https://example.com", NewWindowDecision::openExternally, nullptr},  // empty path
    {"https://badexample.com/x", NewWindowDecision::openExternally, nullptr},
    {"file:///etc/passwd", NewWindowDecision::ignore, nullptr},
    {"javascript:alert(1)", NewWindowDecision::ignore, nullptr},
    {"data:text/html,x", NewWindowDecision::ignore, nullptr},
    {"mailto:a@b.c", NewWindowDecision::openExternally, nullptr},
    {"", NewWindowDecision::ignore, nullptr},
};
}  // namespace

TEST(NewWindowPolicy, ServiceLinksBecomeTabsEverythingElseIsSafe) {
  for (const auto& c : kNewWindowCases) {
    SCOPED_TRACE(::testing::PrintToString(c.url));
    auto d = decideNewWindow(c.url, home());
    EXPECT_EQ(d.kind, c.kind);
    if (c.pathAndQuery) {
      EXPECT_EQ(d.pathAndQuery, c.pathAndQuery);
    }
  }
}

// shortTitle: the tab's label.
namespace {
struct TitleCase {
  const char* title;
  const char* label;
};
constexpr TitleCase kTitleCases[] = {
    {"  个人工作台 · 墨衡台\n", "个人工作台"},
    // one-character head: next separator on the whole text
    {"甲 - 乙丙 | 丁戊己", "甲 - 乙丙"},
    {"甲 | 乙丙丁", "甲 | 乙丙丁"},
    {"甲 - 乙", "甲 - 乙"},
    {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOP…"},
    {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
    {"一二三四五六七八九十一二三四五六七", "一二三四五六七八九十一二三四五六…"},
    {"👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧",
     "👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧"},
};
}  // namespace

TEST(ShortTitle, SeparatorsAndLength) {
  for (const auto& c : kTitleCases) {
    SCOPED_TRACE(::testing::PrintToString(c.title));
    EXPECT_EQ(shortTitle(c.title), c.label);
  }
}

// proceedingId: the first piece after the prefix.
namespace {
struct ProceedingCase {
  const char* path;
  std::optional<long long> id;
};
const ProceedingCase kProceedingCases[] = {
    {"/proceeding/88/x", 88},
    {"/proceeding/88", 88},
    {"/proceeding//88/", 88},
    {"/proceeding/abc", std::nullopt},
    {"/proceeding/", std::nullopt},
    {"/proceedings/88", std::nullopt},
    {"/proceeding/99999999999999999999999", std::nullopt},
};
}  // namespace

TEST(ProceedingId, FirstPieceAfterThePrefix) {
  for (const auto& c : kProceedingCases) {
    SCOPED_TRACE(::testing::PrintToString(c.path));
    EXPECT_EQ(proceedingId(c.path), c.id);
  }
}

TEST(DownloadNames, CounterAndSafeNames) {
  std::set<std::string> taken;
  auto exists = [&](const std::filesystem::path& p) { return taken.count(p.filename().string()) > 0; };
  std::filesystem::path dir = "/tmp/dl";
  EXPECT_EQ(uniqueDownloadPath(dir, "a.pdf", exists), dir / "a.pdf");
  taken.insert("a.pdf");
  EXPECT_EQ(uniqueDownloadPath(dir, "a.pdf", exists), dir / "a-1.pdf");
  taken.insert("a-1.pdf");
  EXPECT_EQ(uniqueDownloadPath(dir, "a.pdf", exists), dir / "a-2.pdf");
  taken.insert("README");
  EXPECT_EQ(uniqueDownloadPath(dir, "README", exists), dir / "README-1");

  EXPECT_EQ(uniqueDownloadPath(dir, safeDownloadName("../x"), exists).parent_path(), dir);
}

// safeDownloadName: a suggested name never leads out of the download folder.
namespace {
struct SafeNameCase {
  const char* suggested;
  const char* name;
};
constexpr SafeNameCase kSafeNameCases[] = {
    {"../x", "x"},
    {"../../evil.txt", "evil.txt"},
    {"/etc/passwd", "passwd"},
    {"..\\..\\win.ini", "win.ini"},
    {"..", "download"},
    {"dir/", "download"},
    {"", "download"},
    {"报\n告.pdf", "报-告.pdf"},
};
}  // namespace

TEST(DownloadNames, SafeNamesKeepOnlyTheLastPieceWithoutLineBreaks) {
  for (const auto& c : kSafeNameCases) {
    SCOPED_TRACE(::testing::PrintToString(c.suggested));
    EXPECT_EQ(safeDownloadName(c.suggested), c.name);
  }
}

TEST(NavMessage, KeepsOnlyWellFormedEntries) {
  auto items = parseNavMessage(
      R"([{"title":"工作台","path":"/dashboard"},{"title":"","path":"/x"},{"title":"外链","path":"http://a"},)"
      R"({"title":3,"path":"/n"},{"path":"/nt"},"str",7,{"title":"案件","path":"/cases","extra":1}])");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], (NavItem{"工作台", "square.grid.2x2", "/dashboard"}));
  EXPECT_EQ(items[1].path, "/cases");
  EXPECT_TRUE(parseNavMessage("not json").empty());
  EXPECT_TRUE(parseNavMessage(R"({"title":"a","path":"/a"})").empty());
  EXPECT_TRUE(parseNavMessage("[]").empty());
  EXPECT_TRUE(parseNavMessage(std::string(1 << 20, '[')).empty());
}

TEST(ForbiddenProbe, HitNeedsTrueAndAPath) {
  auto hit = parseForbiddenProbe(R"({"forbidden":true,"text":"⛔ 无权访问","path":"/finance"})");
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->path, "/finance");
  EXPECT_EQ(hit->text, "⛔ 无权访问");
  EXPECT_EQ(parseForbiddenProbe(R"({"forbidden":true,"path":"/x"})")->text, "");
  EXPECT_FALSE(parseForbiddenProbe("{}"));
  EXPECT_FALSE(parseForbiddenProbe(R"({"forbidden":"true","path":"/x"})"));
  EXPECT_FALSE(parseForbiddenProbe(R"({"forbidden":true,"path":5})"));
  EXPECT_FALSE(parseForbiddenProbe("garbage"));
}

TEST(AccountLine, UserWithRoleLabel) {
  BadgeCounts b;
  EXPECT_EQ(accountLine(b), "当前账号");
  b.user = "张三";
  EXPECT_EQ(accountLine(b), "张三");
  b.role = "lawyer";
  EXPECT_EQ(accountLine(b), "张三（律师）");
}

TEST(KeyShortcuts, CtrlAloneClosesOrSelectsAndEverythingElsePassesOn) {
  using quorvel::TabStripRules::KeyPress;
  using quorvel::TabStripRules::TabKeyDecision;
  struct Case {
    KeyPress key;
    TabKeyDecision::Kind kind;
    int position;
  };
  auto ctrl = [](const char* text) {
    KeyPress k;
    k.control = true;
    k.characters = text;
    return k;
  };
  auto with = [&](const char* text, auto change) {
    KeyPress k = ctrl(text);
    change(k);
    return k;
  };
  const Case cases[] = {
      {ctrl("w"), TabKeyDecision::closeActive, -1},
      {ctrl("W"), TabKeyDecision::closeActive, -1},
      {ctrl("1"), TabKeyDecision::selectTab, 0},
      {ctrl("9"), TabKeyDecision::selectTab, 8},
      {ctrl("0"), TabKeyDecision::pass, -1},
      {ctrl("t"), TabKeyDecision::pass, -1},
      {ctrl(""), TabKeyDecision::pass, -1},
      {with("w", [](KeyPress& k) { k.sheetIsKey = true; }), TabKeyDecision::pass, -1},  // a dialog keeps its keys
      {with("w", [](KeyPress& k) { k.shift = true; }), TabKeyDecision::pass, -1},
      {with("1", [](KeyPress& k) { k.alt = true; }), TabKeyDecision::pass, -1},
      {with("w", [](KeyPress& k) { k.super = true; }), TabKeyDecision::pass, -1},
      {with("w", [](KeyPress& k) { k.capsLock = true; }), TabKeyDecision::pass, -1},
      {with("w", [](KeyPress& k) { k.control = false; }), TabKeyDecision::pass, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key.characters);
    auto d = quorvel::TabStripRules::decideTabKey(c.key);
    EXPECT_EQ(d.kind, c.kind);
    if (c.kind == TabKeyDecision::selectTab) EXPECT_EQ(d.position, c.position);
  }
}

TEST(KeyShortcuts, GlyphsReadAsLinuxKeys) {
  const std::pair<const char*, const char*> cases[] = {
      {"⌘⇧D", "Ctrl+Shift+D"},
      {"⌥⇧N", "Alt+Shift+N"},
      {"⌘⌃L", "Ctrl+Alt+L"},
      {"关闭标签 ⌘W", "关闭标签 Ctrl+W"},
      {"按 ⌘T 新建标签，或按 ⌘K 快速搜索", "按 Ctrl+T 新建标签，或按 Ctrl+K 快速搜索"},
      {"⏎", "Enter"},
      {"在新标签打开 (⌘⏎)", "在新标签打开 (Ctrl+Enter)"},
      {"无快捷键", "无快捷键"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(quorvel::linuxShortcutText(in), out) << in;
}

TEST(WebProcessGroups, TabsFillAGroupUpToTheLimitAndOnlyTheLastToLeaveEndsTheProcess) {
  WebProcessGroups groups(2);
  int a, b, c, d, e;
  EXPECT_EQ(groups.join(&a), nullptr);  // a process of its own
  EXPECT_EQ(groups.join(&b), &a);       // shares a's
  EXPECT_EQ(groups.join(&c), nullptr);  // a's is full
  EXPECT_EQ(groups.join(&d), &c);
  EXPECT_EQ(groups.groupCount(), 2u);
  EXPECT_EQ(groups.join(&d), &c);  // joining twice changes nothing
  EXPECT_EQ(groups.groupCount(), 2u);

  // The first of a group leaving keeps the process for the other, who now leads it.
  EXPECT_FALSE(groups.leave(&a));
  EXPECT_EQ(groups.join(&e), &b);  // the room a left is filled first
  EXPECT_FALSE(groups.leave(&e));
  EXPECT_TRUE(groups.leave(&b));  // the last of its process
  EXPECT_EQ(groups.groupCount(), 1u);
  EXPECT_TRUE(groups.leave(&b));  // not in any group: nobody else to keep it for

  WebProcessGroups single(0);  // a limit below one is one: a process per tab
  EXPECT_EQ(single.join(&a), nullptr);
  EXPECT_EQ(single.join(&b), nullptr);
  EXPECT_TRUE(single.leave(&a));
}
