// The desktop calendar's pure rules: display order, the fallback from the deadline
// lists, placements and the panel's frame, the month grid, filters, scopes and cards.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/WindowFrameRules.h"
#include "features/calendar/DesktopCalendarRules.h"

using namespace quorvel;
using namespace std::chrono;

namespace {

CivilDay D(int y, unsigned m, unsigned d) { return CivilDay{year{y}, month{m}, day{d}}; }

ICSEvent ev(const std::string& uid, ICSEvent::Date start, bool allDay = false, const std::string& summary = "事项") {
  ICSEvent e;
  e.uid = uid;
  e.summary = summary;
  e.startDate = start;
  e.endDate = start;
  e.isAllDay = allDay;
  return e;
}

ICSEvent::Date at(CivilDay d, int h, int m = 0) { return localMidnight(d) + hours{h} + minutes{m}; }

std::vector<std::string> uids(const std::vector<ICSEvent>& es) {
  std::vector<std::string> out;
  for (auto& e : es) out.push_back(e.uid);
  return out;
}

}  // namespace

TEST(DesktopCalendarRules, DisplayOrderBreaksTiesByKindAndKeepsFeedOrder) {
  const auto day = D(2026, 3, 18);
  std::vector<ICSEvent> es{ev("deadline-1", at(day, 10)),  ev("hearing-2", at(day, 10)),
                           ev("routine-3", at(day, 11)),   ev("overdue-4", at(day, 11)),
                           ev("hearing-5", at(day, 12)),   ev("deadline-6", at(day, 9)),
                           ev("x-7", at(day, 12)),         ev("hearing-8", at(day, 12))};
  sortForDesktopDisplay(es);
  EXPECT_EQ(uids(es), (std::vector<std::string>{"deadline-6", "hearing-2", "deadline-1", "overdue-4", "routine-3",
                                                 "hearing-5", "hearing-8", "x-7"}));
}

TEST(DesktopCalendarRules, FallbackFromDeadlines) {
  Deadlines d;
  TodoItem h1, h2, o1, t1, s1, v1;
  h1.content = "开庭 张三案";
  h1.date = "2026-03-18 14:30";
  h1.client = "张三";
  h1.proc = "(2026)京0105民初1号";
  h1.procId = 42;
  h2.date = "bad";  // no content, unreadable date
  h2.client = "";
  o1.content = "上诉期";
  o1.proc = "二审";
  t1.content = "今日";
  s1.content = "三天内";
  v1.content = "待核实不进日历";
  d.hearings = {h1, h2};
  d.overdue = {o1};
  d.today = {t1};
  d.soon = {s1};
  d.verify = {v1};
  const auto now = system_clock::now();
  auto es = desktopFallbackEvents(d, "https://law.example.cn", now);
  ASSERT_EQ(es.size(), 5u);
  EXPECT_EQ(uids(es), (std::vector<std::string>{"hearing-fallback-0", "hearing-fallback-1", "overdue-fallback-2",
                                                 "deadline-fallback-3", "deadline-fallback-4"}));
  EXPECT_EQ(es[0].summary, "开庭 张三案");
  EXPECT_EQ(es[0].description, "张三 · (2026)京0105民初1号");
  EXPECT_EQ(es[0].urlString, "https://law.example.cn/proceeding/42");
  EXPECT_EQ(es[0].startDate, localMidnight(D(2026, 3, 18)));
  EXPECT_EQ(es[0].endDate, es[0].startDate);
  EXPECT_TRUE(es[0].isAllDay);
  EXPECT_EQ(es[1].summary, "待办事项");
  EXPECT_EQ(es[1].description, "");  // an empty client still counts, alone
  EXPECT_EQ(es[1].startDate, now);
  EXPECT_EQ(es[1].urlString, "");
  EXPECT_EQ(es[2].description, "二审");
  for (auto& e : es) EXPECT_FALSE(e.logID().has_value()) << e.uid;
  EXPECT_EQ(es[2].kind(), ICSEvent::Kind::overdue);
  EXPECT_EQ(es[3].kind(), ICSEvent::Kind::deadline);
}

TEST(DesktopCalendarRules, PlacementsAndTheirWindowStates) {
  EXPECT_EQ(placementFromRaw(std::nullopt), DesktopCalendarPlacement::desktop);
  EXPECT_EQ(placementFromRaw(std::string("junk")), DesktopCalendarPlacement::desktop);
  for (auto p : kAllDesktopPlacements) EXPECT_EQ(placementFromRaw(std::string(placementRawValue(p))), p);
  auto desk = placementTraits(DesktopCalendarPlacement::desktop);
  EXPECT_TRUE(desk.keepBelow && desk.allWorkspaces && desk.skipTaskbarAndSwitcher);
  EXPECT_FALSE(desk.keepAbove || desk.takesFocusWhenShown);
  auto normal = placementTraits(DesktopCalendarPlacement::normal);
  EXPECT_FALSE(normal.keepAbove || normal.keepBelow || normal.allWorkspaces || normal.skipTaskbarAndSwitcher);
  auto floating = placementTraits(DesktopCalendarPlacement::floating);
  EXPECT_TRUE(floating.keepAbove && floating.allWorkspaces && floating.takesFocusWhenShown);
  EXPECT_FALSE(floating.keepBelow);
}

TEST(DesktopCalendarRules, RestoreDecision) {
  std::vector<Rect> screens{{0, 0, 1920, 1080}};
  EXPECT_EQ(restorableDesktopCalendarFrame(rectText({1400, 40, 392, 650}), screens), (Rect{1400, 40, 392, 650}));
  EXPECT_FALSE(restorableDesktopCalendarFrame(rectText({1400, 40, 330, 650}), screens));
  EXPECT_FALSE(restorableDesktopCalendarFrame(rectText({1400, 40, 392, 470}), screens));
  EXPECT_FALSE(restorableDesktopCalendarFrame(rectText({3000, 40, 392, 650}), screens));  // display removed
  EXPECT_FALSE(restorableDesktopCalendarFrame(std::string("garbage"), screens));
  EXPECT_FALSE(restorableDesktopCalendarFrame(std::nullopt, screens));
  EXPECT_FALSE(restorableDesktopCalendarFrame(rectText({0, 0, 392, 650}), {}));
}

TEST(DesktopCalendarRules, RightEdgeFrameIncludingShortScreens) {
  EXPECT_EQ(desktopCalendarRightEdgeFrame(Rect{0, 0, 1920, 1080}, 392, 650), (Rect{1508, 20, 392, 650}));
  // Work area below a 32-pixel top panel.
  EXPECT_EQ(desktopCalendarRightEdgeFrame(Rect{0, 32, 1920, 1048}, 392, 650), (Rect{1508, 52, 392, 650}));
  // 1440 × 600: x 1028, height 560, bottom 16 above the bottom edge.
  EXPECT_EQ(desktopCalendarRightEdgeFrame(Rect{0, 0, 1440, 600}, 392, 650), (Rect{1028, 24, 392, 560}));
  // Shorter than panel minimum + 40: the minimum height holds and the panel stays inside.
  for (double h : {530.0, 500.0}) {
    auto f = desktopCalendarRightEdgeFrame(Rect{0, 0, 1440, h}, 392, 650);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->height, 500);
    EXPECT_GE(f->y, 0);
    EXPECT_LE(f->y + f->height, h);
  }
  // Shorter than the minimum itself: the visible area wins.
  EXPECT_EQ(desktopCalendarRightEdgeFrame(Rect{100, 0, 800, 420}, 392, 650), (Rect{488, 0, 392, 420}));
  // A narrow screen keeps 16 from the left edge.
  EXPECT_EQ(desktopCalendarRightEdgeFrame(Rect{0, 0, 400, 1080}, 392, 650)->x, 16);
  EXPECT_FALSE(desktopCalendarRightEdgeFrame(std::nullopt, 392, 650));
}

TEST(DesktopCalendarRules, MonthGrid) {
  auto grid = [](int y, unsigned m) {
    DesktopCalendarViewModel vm = DesktopCalendarViewModel::startingOn(D(y, m, 1));
    return vm.monthGridDates();
  };
  auto feb = grid(2021, 2);  // 28 days, starts on a Monday
  ASSERT_EQ(feb.size(), 35u);
  EXPECT_EQ(feb.front(), D(2021, 2, 1));
  EXPECT_EQ(feb[28], D(2021, 3, 1));
  EXPECT_EQ(feb.back(), D(2021, 3, 7));
  auto jan = grid(2021, 1);  // 31 days from a Friday
  ASSERT_EQ(jan.size(), 35u);
  EXPECT_EQ(jan.front(), D(2020, 12, 28));
  EXPECT_EQ(grid(2021, 5).size(), 42u);  // 31 days from a Saturday
  EXPECT_EQ(grid(2020, 11).size(), 42u);  // 30 days from a Sunday
  EXPECT_EQ(grid(2020, 11).front(), D(2020, 10, 26));
  EXPECT_EQ(dayKey(D(2024, 3, 5)), "2024-03-05");
  EXPECT_EQ(selectedDateTitle(D(2024, 3, 5)), "3月5日 星期二");
  EXPECT_EQ(monthTitle(year{2026} / month{3}), "2026年 3月");
}

TEST(DesktopCalendarRules, ScopesFiltersAndCells) {
  const auto today = D(2026, 3, 18);
  std::vector<ICSEvent> es{ev("overdue-1", at(D(2026, 2, 10), 9)),  ev("deadline-2", at(D(2026, 3, 17), 9)),
                           ev("hearing-3", at(today, 9)),            ev("deadline-4", at(today, 10)),
                           ev("deadline-5", at(today, 11)),          ev("routine-6", at(today, 12)),
                           ev("overdue-7", at(today, 13)),           ev("deadline-8", at(D(2026, 4, 2), 9))};
  auto vm = DesktopCalendarViewModel::startingOn(today);
  EXPECT_EQ(uids(vm.displayedListEvents(es, today)),
            (std::vector<std::string>{"hearing-3", "deadline-4", "deadline-5", "routine-6", "overdue-7"}));
  vm.scope = DesktopListScope::upcoming;
  auto up = uids(vm.displayedListEvents(es, today));
  EXPECT_EQ(up.front(), "overdue-1");  // overdue from last month stays
  EXPECT_EQ(std::count(up.begin(), up.end(), "deadline-2"), 0);  // yesterday's deadline does not
  for (auto& c : vm.cells(es, today)) EXPECT_FALSE(c.isSelected);

  vm.scope = DesktopListScope::selectedDay;
  auto cells = vm.cells(es, today);
  auto cellOf = [&](CivilDay d) {
    for (auto& c : cells)
      if (c.date == d) return c;
    return DesktopDayCellModel{};
  };
  auto t = cellOf(today);
  EXPECT_TRUE(t.isToday && t.isSelected && t.inMonth);
  EXPECT_EQ(t.hearingCount, 1);
  EXPECT_EQ(t.deadlineCount, 2);
  EXPECT_EQ(t.overdueCount, 1);
  EXPECT_EQ(t.totalCount, 5);  // routine counts in the total only
  EXPECT_FALSE(cellOf(D(2026, 4, 2)).inMonth);
  EXPECT_EQ(cellOf(D(2026, 4, 2)).deadlineCount, 1);

  vm.filter = DesktopFilterKind::overdue;
  EXPECT_EQ(uids(vm.displayedListEvents(es, today)), (std::vector<std::string>{"overdue-7"}));
  cells = vm.cells(es, today);
  t = cellOf(today);
  EXPECT_EQ(t.totalCount, 1);
  EXPECT_EQ(t.hearingCount + t.deadlineCount, 0);
  vm.filter = DesktopFilterKind::hearing;
  EXPECT_EQ(uids(vm.displayedListEvents(es, today)), (std::vector<std::string>{"hearing-3"}));

  // Selecting a day of the next month moves there; one of the month stays.
  vm.scope = DesktopListScope::upcoming;
  vm.selectDay(D(2026, 4, 2));
  EXPECT_EQ(vm.displayedMonth, year{2026} / month{4});
  EXPECT_EQ(vm.scope, DesktopListScope::selectedDay);
  vm.selectDay(D(2026, 4, 20));
  EXPECT_EQ(vm.displayedMonth, year{2026} / month{4});
  vm.shiftMonth(-13);
  EXPECT_EQ(vm.displayedMonth, year{2025} / month{3});
  EXPECT_EQ(vm.selectedDate, D(2026, 4, 20));
  vm.scope = DesktopListScope::upcoming;
  vm.jumpToToday(today);
  EXPECT_EQ(vm.displayedMonth, year{2026} / month{3});
  EXPECT_EQ(vm.selectedDate, today);
  EXPECT_EQ(vm.scope, DesktopListScope::selectedDay);
}

TEST(DesktopCalendarRules, EventCardTexts) {
  const auto day = D(2026, 3, 18);
  auto timed = ev("hearing-1", at(day, 9, 5));
  auto allDay = ev("hearing-2", at(day, 0), true);
  EXPECT_EQ(desktopTimeText(timed, false), "09:05");
  EXPECT_EQ(desktopTimeText(timed, true), "3/18 09:05");
  EXPECT_EQ(desktopTimeText(allDay, false), "全天");
  EXPECT_EQ(desktopTimeText(allDay, true), "3/18 全天");
  EXPECT_EQ(desktopDisplayTitle("【开庭】"), "【开庭】");
  EXPECT_EQ(desktopDisplayTitle("【开庭】 张三诉李四"), "张三诉李四");
  EXPECT_EQ(desktopDisplayTitle("\t张三【法定期限】案【日常】 "), "张三案");
  EXPECT_EQ(desktopKindLabel(ev("other-1", at(day, 1)).kind()), std::string("日程"));
  ICSEvent bare = ev("deadline-9", at(day, 1), false, "提交证据");
  EXPECT_EQ(desktopCopyText(bare), "提交证据\n\n");
  bare.location = "一号法庭";
  bare.description = "客户 · 案号";
  EXPECT_EQ(desktopCopyText(bare), "提交证据\n一号法庭\n客户 · 案号");

  auto noProc = desktopEventTarget(bare);
  EXPECT_EQ(noProc.path, "/calendar");
  EXPECT_EQ(noProc.title, "日历与待办");
  ICSEvent withProc = ev("hearing-3", at(day, 1), false, "【开庭】");
  withProc.urlString = "https://law.example.cn/proceeding/77";
  auto t = desktopEventTarget(withProc);
  EXPECT_EQ(t.path, "/proceeding/77");
  EXPECT_EQ(t.title, "");  // a summary made only of a marker gives an empty tab title
}
