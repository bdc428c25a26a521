#include "features/calendar/DesktopCalendarRules.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/WindowFrameRules.h"

namespace quorvel {

using namespace std::chrono;

int desktopKindPriority(ICSEvent::Kind kind) {
  switch (kind) {
    case ICSEvent::Kind::hearing: return 0;
    case ICSEvent::Kind::overdue: return 1;
    case ICSEvent::Kind::deadline: return 2;
    case ICSEvent::Kind::routine: return 3;
    case ICSEvent::Kind::other: return 4;
  }
  return 4;
}

void sortForDesktopDisplay(std::vector<ICSEvent>& events) {
  std::stable_sort(events.begin(), events.end(), [](const ICSEvent& a, const ICSEvent& b) {
    if (a.startDate != b.startDate) return a.startDate < b.startDate;
    return desktopKindPriority(a.kind()) < desktopKindPriority(b.kind());
  });
}

namespace {

std::optional<CivilDay> parseDayPrefix(const std::string& text) {
  if (text.size() < 10) return std::nullopt;
  int y = 0, m = 0, d = 0;
  char tail = 0;
  std::string head = text.substr(0, 10);
  if (std::sscanf(head.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return std::nullopt;
  if (head[4] != '-' || head[7] != '-') return std::nullopt;
  CivilDay day{year{y}, month{static_cast<unsigned>(m)}, std::chrono::day{static_cast<unsigned>(d)}};
  if (!day.ok()) return std::nullopt;
  return day;
}

}  // namespace

std::vector<ICSEvent> desktopFallbackEvents(const Deadlines& deadlines, const std::string& serverURL,
                                            ICSEvent::Date now) {
  std::vector<std::pair<const TodoItem*, ICSEvent::Kind>> pairs;
  for (auto& i : deadlines.hearings) pairs.emplace_back(&i, ICSEvent::Kind::hearing);
  for (auto& i : deadlines.overdue) pairs.emplace_back(&i, ICSEvent::Kind::overdue);
  for (auto& i : deadlines.today) pairs.emplace_back(&i, ICSEvent::Kind::deadline);
  for (auto& i : deadlines.soon) pairs.emplace_back(&i, ICSEvent::Kind::deadline);
  std::vector<ICSEvent> out;
  out.reserve(pairs.size());
  for (size_t n = 0; n < pairs.size(); ++n) {
    const TodoItem& item = *pairs[n].first;
    ICSEvent e;
    e.uid = std::string(kindRawValue(pairs[n].second)) + "-fallback-" + std::to_string(n);
    e.summary = item.content.value_or("待办事项");
    std::vector<std::string> parts;
    if (item.client) parts.push_back(*item.client);
    if (item.proc) parts.push_back(*item.proc);
    for (size_t k = 0; k < parts.size(); ++k) e.description += (k ? " · " : "") + parts[k];
    if (item.procId) e.urlString = serverURL + "/proceeding/" + std::to_string(*item.procId);
    auto day = item.date ? parseDayPrefix(*item.date) : std::nullopt;
    e.startDate = day ? localMidnight(*day) : now;
    e.endDate = e.startDate;
    e.isAllDay = true;
    out.push_back(std::move(e));
  }
  return out;
}

const char* placementRawValue(DesktopCalendarPlacement p) {
  switch (p) {
    case DesktopCalendarPlacement::desktop: return "desktop";
    case DesktopCalendarPlacement::normal: return "normal";
    case DesktopCalendarPlacement::floating: return "floating";
  }
  return "desktop";
}

DesktopCalendarPlacement placementFromRaw(const std::optional<std::string>& raw) {
  if (raw == "normal") return DesktopCalendarPlacement::normal;
  if (raw == "floating") return DesktopCalendarPlacement::floating;
  return DesktopCalendarPlacement::desktop;
}

const char* placementLabel(DesktopCalendarPlacement p) {
  switch (p) {
    case DesktopCalendarPlacement::desktop: return "贴桌面";
    case DesktopCalendarPlacement::normal: return "普通";
    case DesktopCalendarPlacement::floating: return "置顶";
  }
  return "";
}

const char* placementTooltip(DesktopCalendarPlacement p) {
  switch (p) {
    case DesktopCalendarPlacement::desktop: return "安静贴在桌面壁纸上，不遮挡工作窗口";
    case DesktopCalendarPlacement::normal: return "普通可拖动窗口，适合放副屏或侧边对照";
    case DesktopCalendarPlacement::floating: return "始终浮在最前面，方便电话或开会核对排期";
  }
  return "";
}

DesktopPlacementTraits placementTraits(DesktopCalendarPlacement p) {
  DesktopPlacementTraits t;
  switch (p) {
    case DesktopCalendarPlacement::desktop:
      t.keepBelow = true;
      t.allWorkspaces = true;
      t.skipTaskbarAndSwitcher = true;
      t.takesFocusWhenShown = false;
      break;
    case DesktopCalendarPlacement::normal: break;
    case DesktopCalendarPlacement::floating:
      t.keepAbove = true;
      t.allWorkspaces = true;
      break;
  }
  return t;
}

std::optional<Rect> restorableDesktopCalendarFrame(const std::optional<std::string>& stored,
                                                   const std::vector<Rect>& screens) {
  if (!stored) return std::nullopt;
  auto r = rectFromText(*stored);
  if (!r || r->width < 340 || r->height < 480) return std::nullopt;
  if (!isFrameVisibleOnAnyScreen(*r, screens)) return std::nullopt;
  return r;
}

std::optional<Rect> desktopCalendarRightEdgeFrame(const std::optional<Rect>& visible, double w, double h,
                                                  double minHeight) {
  if (!visible) return std::nullopt;
  const Rect& v = *visible;
  // The rule reads bottom-up (origin at the bottom left); these are top-left coordinates.
  double x = std::max(v.x + v.width - w - 20, v.x + 16);
  double bottomY = std::max(v.height - h - 20, 16.0);  // distance of the panel's bottom from V's bottom
  double height = std::max(std::min(h, v.height - 40), minHeight);
  double top = v.y + v.height - bottomY - height;
  if (height > v.height - 40 || top < v.y) {
    // Too short for the specified rule: keep the whole panel inside V.
    top = std::max(v.y, v.y + v.height - height - 16);
  }
  if (height > v.height) {
    // Shorter than the panel's minimum: the visible area wins.
    height = v.height;
    top = v.y;
  }
  return Rect{x, top, w, height};
}

const char* filterRawValue(DesktopFilterKind f) {
  switch (f) {
    case DesktopFilterKind::all: return "全部";
    case DesktopFilterKind::hearing: return "开庭";
    case DesktopFilterKind::deadline: return "法定期限";
    case DesktopFilterKind::overdue: return "超期";
  }
  return "";
}

const char* scopeRawValue(DesktopListScope s) {
  return s == DesktopListScope::selectedDay ? "当日" : "近期全部";
}

bool filterKeeps(DesktopFilterKind f, ICSEvent::Kind kind) {
  switch (f) {
    case DesktopFilterKind::all: return true;
    case DesktopFilterKind::hearing: return kind == ICSEvent::Kind::hearing;
    case DesktopFilterKind::deadline: return kind == ICSEvent::Kind::deadline;
    case DesktopFilterKind::overdue: return kind == ICSEvent::Kind::overdue;
  }
  return false;
}

CivilDay localDay(ICSEvent::Date date) {
  std::time_t t = system_clock::to_time_t(date);
  std::tm tm{};
  localtime_r(&t, &tm);
  return CivilDay{year{tm.tm_year + 1900}, month{static_cast<unsigned>(tm.tm_mon + 1)},
                  day{static_cast<unsigned>(tm.tm_mday)}};
}

ICSEvent::Date localMidnight(CivilDay d) {
  std::tm tm{};
  tm.tm_year = int(d.year()) - 1900;
  tm.tm_mon = int(unsigned(d.month())) - 1;
  tm.tm_mday = int(unsigned(d.day()));
  tm.tm_isdst = -1;
  return system_clock::from_time_t(std::mktime(&tm));
}

std::string dayKey(CivilDay d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(d.year()), unsigned(d.month()), unsigned(d.day()));
  return buf;
}

std::string dayKey(ICSEvent::Date date) { return dayKey(localDay(date)); }

std::string selectedDateTitle(CivilDay d) {
  static const char* names[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
  weekday wd{sys_days{d}};
  return std::to_string(unsigned(d.month())) + "月" + std::to_string(unsigned(d.day())) + "日 " +
         names[wd.c_encoding()];
}

std::string monthTitle(year_month m) {
  return std::to_string(int(m.year())) + "年 " + std::to_string(unsigned(m.month())) + "月";
}

DesktopCalendarViewModel DesktopCalendarViewModel::startingOn(CivilDay today) {
  DesktopCalendarViewModel m;
  m.displayedMonth = today.year() / today.month();
  m.selectedDate = today;
  return m;
}

std::vector<ICSEvent> DesktopCalendarViewModel::filteredAllEvents(const std::vector<ICSEvent>& events) const {
  std::vector<ICSEvent> out;
  for (auto& e : events)
    if (filterKeeps(filter, e.kind())) out.push_back(e);
  return out;
}

std::map<std::string, std::vector<ICSEvent>> DesktopCalendarViewModel::eventsByDay(
    const std::vector<ICSEvent>& events) const {
  std::map<std::string, std::vector<ICSEvent>> out;
  for (auto& e : filteredAllEvents(events)) out[dayKey(e.startDate)].push_back(e);
  return out;
}

std::vector<ICSEvent> DesktopCalendarViewModel::displayedListEvents(const std::vector<ICSEvent>& events,
                                                                    CivilDay today) const {
  if (scope == DesktopListScope::upcoming) {
    auto start = localMidnight(today);
    std::vector<ICSEvent> out;
    for (auto& e : filteredAllEvents(events))
      if (e.kind() == ICSEvent::Kind::overdue || e.startDate >= start) out.push_back(e);
    return out;
  }
  auto byDay = eventsByDay(events);
  auto it = byDay.find(dayKey(selectedDate));
  return it == byDay.end() ? std::vector<ICSEvent>{} : it->second;
}

std::vector<CivilDay> DesktopCalendarViewModel::monthGridDates() const {
  if (!displayedMonth.ok()) return {};
  sys_days first{displayedMonth / 1};
  unsigned count = unsigned((displayedMonth / last).day());
  unsigned leading = (weekday{first}.c_encoding() + 6) % 7;  // Monday 0 … Sunday 6
  sys_days start = first - days{leading};
  unsigned cellsCount = leading + count <= 35 ? 35 : 42;
  std::vector<CivilDay> out;
  out.reserve(cellsCount);
  for (unsigned i = 0; i < cellsCount; ++i) out.emplace_back(start + days{i});
  return out;
}

std::vector<DesktopDayCellModel> DesktopCalendarViewModel::cells(const std::vector<ICSEvent>& events,
                                                                 CivilDay today) const {
  auto byDay = eventsByDay(events);
  std::vector<DesktopDayCellModel> out;
  for (auto& d : monthGridDates()) {
    DesktopDayCellModel c;
    c.date = d;
    c.dayNumber = int(unsigned(d.day()));
    c.inMonth = d.year() / d.month() == displayedMonth;
    c.isToday = d == today;
    c.isSelected = d == selectedDate && scope == DesktopListScope::selectedDay;
    if (auto it = byDay.find(dayKey(d)); it != byDay.end()) {
      for (auto& e : it->second) {
        auto k = e.kind();
        c.hearingCount += k == ICSEvent::Kind::hearing;
        c.deadlineCount += k == ICSEvent::Kind::deadline;
        c.overdueCount += k == ICSEvent::Kind::overdue;
      }
      c.totalCount = int(it->second.size());
    }
    out.push_back(c);
  }
  return out;
}

void DesktopCalendarViewModel::shiftMonth(int months) {
  auto next = displayedMonth + std::chrono::months{months};
  if (next.ok()) displayedMonth = next;
}

void DesktopCalendarViewModel::jumpToToday(CivilDay today) {
  selectedDate = today;
  displayedMonth = today.year() / today.month();
  scope = DesktopListScope::selectedDay;
}

void DesktopCalendarViewModel::selectDay(CivilDay d) {
  selectedDate = d;
  scope = DesktopListScope::selectedDay;
  if (d.year() / d.month() != displayedMonth) displayedMonth = d.year() / d.month();
}

const char* desktopKindLabel(ICSEvent::Kind kind) {
  switch (kind) {
    case ICSEvent::Kind::hearing: return "开庭";
    case ICSEvent::Kind::deadline: return "期限";
    case ICSEvent::Kind::routine: return "日常";
    case ICSEvent::Kind::overdue: return "超期";
    case ICSEvent::Kind::other: return "日程";
  }
  return "日程";
}

std::string desktopTimeText(const ICSEvent& event, bool showDate) {
  std::time_t t = system_clock::to_time_t(event.startDate);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  if (showDate && !event.isAllDay)
    std::snprintf(buf, sizeof buf, "%d/%d %02d:%02d", tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
  else if (showDate)
    std::snprintf(buf, sizeof buf, "%d/%d 全天", tm.tm_mon + 1, tm.tm_mday);
  else if (!event.isAllDay)
    std::snprintf(buf, sizeof buf, "%02d:%02d", tm.tm_hour, tm.tm_min);
  else
    return "全天";
  return buf;
}

std::string strippedSummary(const std::string& summary) {
  std::string s = summary;
  for (const char* tag : {"【开庭】", "【法定期限】", "【日常】"}) {
    std::string t = tag;
    for (auto pos = s.find(t); pos != std::string::npos; pos = s.find(t)) s.erase(pos, t.size());
  }
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string desktopDisplayTitle(const std::string& summary) {
  auto s = strippedSummary(summary);
  return s.empty() ? summary : s;
}

std::string desktopCopyText(const ICSEvent& e) { return e.summary + "\n" + e.location + "\n" + e.description; }

DesktopEventTarget desktopEventTarget(const ICSEvent& event) {
  auto id = event.proceedingID();
  if (!id) return {"/calendar", "日历与待办"};
  return {"/proceeding/" + std::to_string(*id), strippedSummary(event.summary)};
}

}  // namespace quorvel
