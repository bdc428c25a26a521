// The to-do sheet's rules: the filter, the pill counts, its states and texts, the
// proceeding an entry opens, and the looks of pills and cards.
#include <gtest/gtest.h>

#include "ui/model/TodoSheetRules.h"

using namespace quorvel;

namespace {

TodoItem item(std::optional<std::string> content, std::optional<std::string> client, std::optional<std::string> proc,
              std::optional<std::string> date, std::optional<long long> procId = std::nullopt) {
  TodoItem i;
  i.content = std::move(content);
  i.client = std::move(client);
  i.proc = std::move(proc);
  i.date = std::move(date);
  i.procId = procId;
  return i;
}

std::vector<std::string> contents(const std::vector<TodoItem>& items) {
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.content.value_or("-"));
  return out;
}

Deadlines sample() {
  Deadlines d;
  d.overdue = {item("提交证据", "Acme Holdings", "劳动仲裁", "2026-02-27", 88),
               item("缴纳诉讼费", "李四", "（2026）京0105民初1234号", "2026-03-02", 91),
               item("答辩期届满", std::nullopt, std::nullopt, "2026-03-05")};
  d.today = {item("开庭", "张三", std::nullopt, "2026-03-10", 12)};
  return d;
}

}  // namespace

TEST(TodoFilter, TrimsLowerCasesAndSearchesContentClientProceedingAndDate) {
  const Deadlines d = sample();
  // Capitals and surrounding blanks (the ideographic space too) still find the client.
  EXPECT_EQ(contents(todoFilteredItems(d, TodoKind::overdue, "  ACME\u3000")), std::vector<std::string>{"提交证据"});
  // Across the one space between client and proceeding.
  EXPECT_EQ(contents(todoFilteredItems(d, TodoKind::overdue, "holdings 劳动")), std::vector<std::string>{"提交证据"});
  // The date is searchable; the list's order is kept.
  EXPECT_EQ(contents(todoFilteredItems(d, TodoKind::overdue, "2026-03")),
            (std::vector<std::string>{"缴纳诉讼费", "答辩期届满"}));
  // Only blanks: the whole list unchanged.
  EXPECT_EQ(todoFilteredItems(d, TodoKind::overdue, "   ").size(), 3u);
  EXPECT_TRUE(todoFilteredItems(d, TodoKind::overdue, "王五").empty());
  // Only the shown category is filtered.
  EXPECT_EQ(contents(todoFilteredItems(d, TodoKind::today, "")), std::vector<std::string>{"开庭"});
  EXPECT_TRUE(todoFilteredItems(d, TodoKind::verify, "x").empty());
}

TEST(TodoFilter, SearchTextLeavesOutAbsentFieldsKeepsEmptyOnesAndNeverTheNumbers) {
  EXPECT_EQ(todoSearchText(item("Call", std::nullopt, "ABC", std::nullopt)), "call abc");
  EXPECT_EQ(todoSearchText(item("", "Bo", std::nullopt, "2026-01-01")), " bo 2026-01-01");
  TodoItem numbers = item("x", std::nullopt, std::nullopt, std::nullopt, 4242);
  numbers.days = 77;
  Deadlines d;
  d.soon = {numbers};
  EXPECT_TRUE(todoFilteredItems(d, TodoKind::soon, "4242").empty());
  EXPECT_TRUE(todoFilteredItems(d, TodoKind::soon, "77").empty());
}

TEST(TodoPills, ShowTheListLengthOrTheBadgeCounterWhileTheListIsEmpty) {
  BadgeCounts b;
  b.overdue = 5;
  b.verify = 2;
  Deadlines d;
  EXPECT_EQ(todoPillCount(d, b, TodoKind::overdue), 5);
  EXPECT_EQ(todoPillCount(d, b, TodoKind::verify), 2);
  EXPECT_EQ(todoPillCount(d, b, TodoKind::hearings), 0);
  d = sample();
  EXPECT_EQ(todoPillCount(d, b, TodoKind::overdue), 3);
  EXPECT_EQ(todoPillCount(d, b, TodoKind::today), 1);
  EXPECT_EQ(todoPillText(d, b, TodoKind::today), "1");
  // Nothing known yet (no list, no badge reply): a dash, not "0 to do".
  EXPECT_EQ(todoPillText(Deadlines{}, BadgeCounts{}, TodoKind::overdue), "–");
  BadgeCounts loaded;
  loaded.loaded = true;
  EXPECT_EQ(todoPillText(Deadlines{}, loaded, TodoKind::overdue), "0");
}

TEST(TodoSheetTexts, StateEmptyTitlesHintsAndSubtitle) {
  EXPECT_EQ(todoSheetState(true, false), TodoSheetState::loading);
  EXPECT_EQ(todoSheetState(true, true), TodoSheetState::list);  // entries stay while refreshing
  EXPECT_EQ(todoSheetState(false, true), TodoSheetState::list);
  EXPECT_EQ(todoSheetState(false, false), TodoSheetState::empty);
  // Neither a filter that keeps nothing nor a failure is ever "nothing to do"; a failure
  // over entries leaves them listed, and with nothing listed it comes before the filter.
  EXPECT_EQ(todoSheetState(false, false, true, false), TodoSheetState::noMatch);
  EXPECT_EQ(todoSheetState(false, false, false, true), TodoSheetState::failed);
  EXPECT_EQ(todoSheetState(false, false, true, true), TodoSheetState::failed);
  EXPECT_EQ(todoSheetState(false, true, true, true), TodoSheetState::list);
  EXPECT_EQ(todoSheetState(true, false, true, true), TodoSheetState::loading);
  EXPECT_EQ(todoRefreshFailure("刷新失败：服务器返回 500", "刷新失败：服务器返回 403"), "刷新失败：服务器返回 500");
  EXPECT_EQ(todoRefreshFailure(std::nullopt, "刷新失败：服务器返回 403"), "刷新失败：服务器返回 403");
  EXPECT_FALSE(todoRefreshFailure(std::nullopt, std::nullopt));
  EXPECT_EQ(todoFailedHint(TodoKind::soon, false), "暂时无法显示「3天内」的待办，请稍后重试");
  EXPECT_EQ(todoFailedHint(TodoKind::soon, true), "请先在右侧登录系统账号");
  EXPECT_EQ(todoEmptyHint(false, true), "换个关键词，或清除筛选查看全部");
  EXPECT_EQ(todoEmptyHint(true, true), "请先在右侧登录系统账号");

  EXPECT_EQ(todoEmptyTitle(TodoKind::today, ""), "「今日到期」暂无待办事项");
  EXPECT_EQ(todoEmptyTitle(TodoKind::today, "  "), "没有匹配「  」的待办");  // as typed
  EXPECT_EQ(todoEmptyTitle(TodoKind::hearings, "Acme"), "没有匹配「Acme」的待办");
  EXPECT_EQ(todoEmptyHint(false), "当前分类状态良好");
  EXPECT_EQ(todoEmptyHint(true), "请先在右侧登录系统账号");
  EXPECT_EQ(todoSheetSubtitle(""), "点击任意条目即可直接进入对应案件程序");
  EXPECT_EQ(todoSheetSubtitle("2026-03-02 09:00"), "最近同步：2026-03-02 09:00 · 点击条目直达程序");
}

TEST(TodoCards, ContentDayTextAndTheProceedingTheyOpen) {
  EXPECT_EQ(todoContentText(item(std::nullopt, std::nullopt, std::nullopt, std::nullopt)), "（无事项说明）");
  EXPECT_EQ(todoContentText(item("", std::nullopt, std::nullopt, std::nullopt)), "（无事项说明）");
  EXPECT_EQ(todoContentText(item("核对证据", std::nullopt, std::nullopt, std::nullopt)), "核对证据");
  EXPECT_EQ(item(std::nullopt, std::nullopt, std::nullopt, std::nullopt).dayText(), "");

  TodoItem bare = item("x", std::nullopt, std::nullopt, std::nullopt, 42);
  EXPECT_EQ(todoProceedingPath(bare), "/proceeding/42");
  EXPECT_EQ(todoNewTabTitle(bare), "程序 42");
  EXPECT_EQ(todoNewTabTitle(item("x", "张三", std::nullopt, std::nullopt, 42)), "张三");
  EXPECT_EQ(todoNewTabTitle(item("x", "张三", "劳动仲裁", std::nullopt, 42)), "劳动仲裁");
  EXPECT_EQ(todoNewTabTitle(item("x", "张三", "", std::nullopt, 42)), "");  // only absence falls through
  EXPECT_FALSE(todoProceedingPath(item("x", "张三", "劳动仲裁", std::nullopt)));
}

TEST(TodoLooks, PillsAndCardsFollowActiveAndHover) {
  const LawColor red = LawColor::rgb8(220, 38, 38);
  auto active = todoPillLook(TodoKind::overdue, true, true);
  EXPECT_EQ(active.fill, LawTheme::primary);
  EXPECT_EQ(active.dot, LawColor::rgb8(255, 255, 255));
  EXPECT_EQ(active.countFill, LawColor::rgb8(255, 255, 255, 0.22));
  EXPECT_EQ(active.stroke.a, 0);
  EXPECT_EQ(active.titleWeight, LawFontWeight::semibold);
  EXPECT_EQ(active.shadow.color, LawTheme::primary.opacity(0.18));

  auto idle = todoPillLook(TodoKind::overdue, false, false);
  EXPECT_EQ(idle.dot, red);
  EXPECT_EQ(idle.countText, red);
  EXPECT_EQ(idle.countFill, red.opacity(0.1));
  EXPECT_EQ(idle.foreground, LawTheme::textPrimary);
  EXPECT_EQ(idle.stroke, LawTheme::border);
  EXPECT_EQ(idle.shadow.color.a, 0);
  auto hover = todoPillLook(TodoKind::soon, false, true);
  EXPECT_EQ(hover.foreground, LawTheme::primary);
  EXPECT_EQ(hover.fill, LawColor::rgb8(241, 245, 250));
  EXPECT_EQ(hover.stroke, LawColor::rgb8(124, 58, 237, 0.45));

  auto card = todoCardLook(false), cardHover = todoCardLook(true);
  EXPECT_EQ(card.fill, LawTheme::surface);
  EXPECT_EQ(card.stroke, LawTheme::borderLight);
  EXPECT_EQ(card.offsetY, 0);
  EXPECT_EQ(cardHover.fill, LawColor::rgb8(250, 251, 253));
  EXPECT_EQ(cardHover.stroke, LawTheme::primary.opacity(0.42));
  EXPECT_EQ(cardHover.shadow.radius, 7);
  EXPECT_EQ(cardHover.offsetY, -0.5);
}
