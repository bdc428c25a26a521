#include <gtest/gtest.h>

#include <set>

#include "core/TabRules.h"

using namespace quorvel;
using namespace quorvel::TabRules;

namespace {
Url home() { return *Url::parse("https://example.com"); }
}  // namespace

TEST(NavigationPolicy, ServiceHostsStayOthersLeave) {
  EXPECT_EQ(decideNavigation("https://example.com/cases", home()).action, NavAction::allow);
  EXPECT_EQ(decideNavigation("https://SUB.example.com/x", home()).action, NavAction::allow);
  EXPECT_EQ(decideNavigation("https://EXAMPLE.com/x", home()).action, NavAction::allow);
  EXPECT_EQ(decideNavigation("https://badexample.com/x", home()).action, NavAction::openExternally);
  EXPECT_EQ(decideNavigation("http://other.org/", home()).action, NavAction::openExternally);
  EXPECT_EQ(decideNavigation("about:blank", home()).action, NavAction::allow);
  EXPECT_EQ(decideNavigation("data:text/html,x", home()).action, NavAction::allow);
  EXPECT_EQ(decideNavigation("blob:https://example.com/1", home()).action, NavAction::allow);
  EXPECT_EQ(decideNavigation("", home()).action, NavAction::allow);
}

TEST(NavigationPolicy, OnlyKnownSchemesReachTheSystem) {
  EXPECT_EQ(decideNavigation("file:///etc/passwd", home()).action, NavAction::cancel);
  EXPECT_EQ(decideNavigation("FILE:///x", home()).action, NavAction::cancel);
  EXPECT_EQ(decideNavigation("mailto:a@b.c", home()).action, NavAction::openExternally);
  EXPECT_EQ(decideNavigation("tel:123", home()).action, NavAction::openExternally);
  EXPECT_EQ(decideNavigation("steam://run/1", home()).action, NavAction::cancel);
  EXPECT_EQ(decideNavigation("javascript:alert(1)", home()).action, NavAction::cancel);
  EXPECT_EQ(decideNavigation("quorvel://proceeding/3", home()).action, NavAction::deepLink);
}

TEST(NewWindowPolicy, ServiceLinksBecomeTabsEverythingElseIsSafe) {
  auto d = decideNewWindow("https://app.example.com/cases?tab=2", home());
  EXPECT_EQ(d.kind, NewWindowDecision::openTab);
  EXPECT_EQ(d.pathAndQuery, "/cases?tab=2");
  EXPECT_EQ(decideNewWindow("https://example.com", home()).kind, NewWindowDecision::openExternally);  // empty path
  EXPECT_EQ(decideNewWindow("https://badexample.com/x", home()).kind, NewWindowDecision::openExternally);
  EXPECT_EQ(decideNewWindow("file:///etc/passwd", home()).kind, NewWindowDecision::ignore);
  EXPECT_EQ(decideNewWindow("javascript:alert(1)", home()).kind, NewWindowDecision::ignore);
  EXPECT_EQ(decideNewWindow("data:text/html,x", home()).kind, NewWindowDecision::ignore);
  EXPECT_EQ(decideNewWindow("mailto:a@b.c", home()).kind, NewWindowDecision::openExternally);
  EXPECT_EQ(decideNewWindow("", home()).kind, NewWindowDecision::ignore);
}

TEST(ShortTitle, SeparatorsAndLength) {
  EXPECT_EQ(shortTitle("  个人工作台 · 墨衡台\n"), "个人工作台");
  EXPECT_EQ(shortTitle("甲 - 乙丙 | 丁戊己"), "甲 - 乙丙");  // one-character head: next separator on the whole text
  EXPECT_EQ(shortTitle("甲 | 乙丙丁"), "甲 | 乙丙丁");
  EXPECT_EQ(shortTitle("甲 - 乙"), "甲 - 乙");
  EXPECT_EQ(shortTitle("ABCDEFGHIJKLMNOPQRST"), "ABCDEFGHIJKLMNOP…");
  EXPECT_EQ(shortTitle("ABCDEFGHIJKLMNOP"), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(shortTitle("一二三四五六七八九十一二三四五六七"), "一二三四五六七八九十一二三四五六…");
  EXPECT_EQ(shortTitle("👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧"),
            "👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧👨‍👩‍👧");
}

TEST(ProceedingId, FirstPieceAfterThePrefix) {
  EXPECT_EQ(proceedingId("/proceeding/88/x"), 88);
  EXPECT_EQ(proceedingId("/proceeding/88"), 88);
  EXPECT_EQ(proceedingId("/proceeding//88/"), 88);
  EXPECT_FALSE(proceedingId("/proceeding/abc"));
  EXPECT_FALSE(proceedingId("/proceeding/"));
  EXPECT_FALSE(proceedingId("/proceedings/88"));
  EXPECT_FALSE(proceedingId("/proceeding/99999999999999999999999"));
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

  EXPECT_EQ(safeDownloadName("../x"), "x");
  EXPECT_EQ(safeDownloadName("../../evil.txt"), "evil.txt");
  EXPECT_EQ(safeDownloadName("/etc/passwd"), "passwd");
  EXPECT_EQ(safeDownloadName("..\\..\\win.ini"), "win.ini");
  EXPECT_EQ(safeDownloadName(".."), "download");
  EXPECT_EQ(safeDownloadName("dir/"), "download");
  EXPECT_EQ(safeDownloadName(""), "download");
  EXPECT_EQ(safeDownloadName("报\n告.pdf"), "报-告.pdf");
  EXPECT_EQ(uniqueDownloadPath(dir, safeDownloadName("../x"), exists).parent_path(), dir);
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
