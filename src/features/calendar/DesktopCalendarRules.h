#pragma once
// The desktop calendar's rules apart from the toolkit: display order, the fallback
// events from the deadline lists, the three placements, where the panel opens, and the
// view model of the month grid, the filters and the event cards. Dates are local days
// of the system's time zone.
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Todo.h"
#include "features/calendar/ICSEvent.h"
#include "platform/WindowPlacement.h"

namespace quorvel {

// ---- Store ----

// hearing 0, overdue 1, deadline 2, routine 3, other 4.
int desktopKindPriority(ICSEvent::Kind kind);
// Ascending start, then kind priority; the feed's order otherwise (stable).
void sortForDesktopDisplay(std::vector<ICSEvent>& events);
// Hearings, overdue, today, soon (verify skipped), unsorted; see the store.
std::vector<ICSEvent> desktopFallbackEvents(const Deadlines& deadlines, const std::string& serverURL,
                                            ICSEvent::Date now);

// ---- Placements and frame ----

enum class DesktopCalendarPlacement { desktop, normal, floating };
inline constexpr DesktopCalendarPlacement kAllDesktopPlacements[] = {
    DesktopCalendarPlacement::desktop, DesktopCalendarPlacement::normal, DesktopCalendarPlacement::floating};

const char* placementRawValue(DesktopCalendarPlacement p);
// Anything but the three raw values counts as desktop.
DesktopCalendarPlacement placementFromRaw(const std::optional<std::string>& raw);
const char* placementLabel(DesktopCalendarPlacement p);
const char* placementTooltip(DesktopCalendarPlacement p);

// What a placement asks of the window manager.
struct DesktopPlacementTraits {
  bool keepAbove = false;
  bool keepBelow = false;
  bool allWorkspaces = false;
  bool skipTaskbarAndSwitcher = false;
  bool takesFocusWhenShown = true;
};
DesktopPlacementTraits placementTraits(DesktopCalendarPlacement p);

inline constexpr const char* kDesktopCalendarPlacementKey = "desktop.calendar.placement.v1";
inline constexpr const char* kDesktopCalendarAutoShowKey = "desktop.calendar.autoshow.v1";
inline constexpr const char* kDesktopCalendarLockedKey = "desktop.calendar.locked.v1";
inline constexpr const char* kDesktopCalendarFrameKey = "desktop.calendar.frame.v1";
inline constexpr double kDesktopCalendarWidth = 392, kDesktopCalendarHeight = 650;
inline constexpr double kDesktopCalendarMinWidth = 348, kDesktopCalendarMinHeight = 500;
inline constexpr double kDesktopCalendarMaxWidth = 600, kDesktopCalendarMaxHeight = 1080;

// The stored frame when it is at least 340 × 480 and lies on some screen.
std::optional<Rect> restorableDesktopCalendarFrame(const std::optional<std::string>& stored,
                                                   const std::vector<Rect>& screens);
// Top right of the visible area V (top-left coordinates): 20 from the right and top,
// at least 16 from the left and bottom; height min(h, V.h − 40) but never below the
// panel's minimum, and on a screen too short for that the panel is kept inside V.
// No screen: nothing (the caller centres the window).
std::optional<Rect> desktopCalendarRightEdgeFrame(const std::optional<Rect>& visible, double w, double h,
                                                  double minHeight = kDesktopCalendarMinHeight);

// ---- View model ----

enum class DesktopFilterKind { all, hearing, deadline, overdue };
enum class DesktopListScope { selectedDay, upcoming };
inline constexpr DesktopFilterKind kAllDesktopFilters[] = {DesktopFilterKind::all, DesktopFilterKind::hearing,
                                                           DesktopFilterKind::deadline, DesktopFilterKind::overdue};
inline constexpr DesktopListScope kAllDesktopScopes[] = {DesktopListScope::selectedDay, DesktopListScope::upcoming};
const char* filterRawValue(DesktopFilterKind f);
const char* scopeRawValue(DesktopListScope s);
bool filterKeeps(DesktopFilterKind f, ICSEvent::Kind kind);

using CivilDay = std::chrono::year_month_day;
// The local day of an instant, and local midnight of a day.
CivilDay localDay(ICSEvent::Date date);
ICSEvent::Date localMidnight(CivilDay day);
// "%04d-%02d-%02d".
std::string dayKey(CivilDay day);
std::string dayKey(ICSEvent::Date date);
// "M月d日 星期X".
std::string selectedDateTitle(CivilDay day);
// "yyyy年 M月".
std::string monthTitle(std::chrono::year_month month);

struct DesktopDayCellModel {
  CivilDay date;
  int dayNumber = 0;
  bool inMonth = false;
  bool isToday = false;
  bool isSelected = false;
  int hearingCount = 0, deadlineCount = 0, overdueCount = 0, totalCount = 0;
};

struct DesktopCalendarViewModel {
  std::chrono::year_month displayedMonth;
  CivilDay selectedDate;
  DesktopFilterKind filter = DesktopFilterKind::all;
  DesktopListScope scope = DesktopListScope::selectedDay;

  // Current month, today selected, all, the selected day.
  static DesktopCalendarViewModel startingOn(CivilDay today);

  std::vector<ICSEvent> filteredAllEvents(const std::vector<ICSEvent>& events) const;
  std::map<std::string, std::vector<ICSEvent>> eventsByDay(const std::vector<ICSEvent>& events) const;
  std::vector<ICSEvent> displayedListEvents(const std::vector<ICSEvent>& events, CivilDay today) const;
  // Starts on a Monday; 35 or 42 days.
  std::vector<CivilDay> monthGridDates() const;
  std::vector<DesktopDayCellModel> cells(const std::vector<ICSEvent>& events, CivilDay today) const;

  void shiftMonth(int months);
  void jumpToToday(CivilDay today);
  void selectDay(CivilDay day);
};

// Event cards.
const char* desktopKindLabel(ICSEvent::Kind kind);
// "M/d HH:mm", "M/d 全天", "HH:mm" or "全天".
std::string desktopTimeText(const ICSEvent& event, bool showDate);
// Without the tags 【开庭】【法定期限】【日常】, blanks and tabs trimmed; may be empty.
std::string strippedSummary(const std::string& summary);
// The card's title: the stripped summary, or the summary when nothing is left.
std::string desktopDisplayTitle(const std::string& summary);
// summary \n location \n description.
std::string desktopCopyText(const ICSEvent& event);
// Where an event opens: "/proceeding/N" with the stripped summary as tab title, or
// "/calendar" titled "日历与待办".
struct DesktopEventTarget {
  std::string path;
  std::string title;
};
DesktopEventTarget desktopEventTarget(const ICSEvent& event);

}  // namespace quorvel
