#pragma once
// What the calendar sync writes, decided without a store: which feed events become
// calendar items (with a busy day's deadlines folded into one digest), which become
// reminders and how their notes carry the log id, and the settled-id list.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "features/calendar/CalendarSyncConfig.h"
#include "features/calendar/ICSEvent.h"

namespace quorvel::CalendarItems {

inline constexpr const char* kHearingCalendar = "墨衡台 · 开庭";
inline constexpr const char* kDeadlineCalendar = "墨衡台 · 法定期限";
inline constexpr const char* kOverdueCalendar = "墨衡台 · 逾期汇总";
inline constexpr const char* kReminderList = "墨衡台 · 待办";
inline constexpr const char* kDigestDomain = "quorvel.cn";
inline constexpr int kDigestLines = 25;

struct Rgb {
  double red, green, blue;
};
Rgb hearingColor();
Rgb deadlineColor();
Rgb overdueColor();
Rgb reminderColor();

// The dedicated calendar of an item's kind.
const char* calendarTitleFor(ICSEvent::Kind kind);

// One event per UID: the last occurrence, at the place of the first.
std::vector<ICSEvent> lastPerUID(const std::vector<ICSEvent>& events);

// Hearings, overdue items, deadlines (a day with more than two folded into one
// digest when folding is on), routines when included; nothing of kind other.
// `digests` (optional) receives the number of digests made.
std::vector<ICSEvent> prepare(const std::vector<ICSEvent>& events, const CalendarSyncConfig& config,
                              int* digests = nullptr);
// The digest of one day's deadlines (n >= 1, first = deadlines.front()).
ICSEvent digest(const std::vector<ICSEvent>& dayDeadlines, const std::string& dayKey);
// "yyyyMMdd" of the instant in the current time zone.
std::string dayKey(std::chrono::system_clock::time_point at);

// Notes of a calendar event: the description, then the deep link line when there is one.
std::string eventNotes(const ICSEvent& e);

// "[quorvel:log:<id>]".
std::string logTag(std::int64_t id);
// Notes of a reminder: description, the link line, the tag as the last line.
std::string reminderNotes(const ICSEvent& e, std::int64_t id);
// The first tag in the notes.
std::optional<std::int64_t> extractLogID(const std::optional<std::string>& notes);

// Deadlines and routines with a log id, in feed order.
bool wantsReminder(const ICSEvent& e);

// The settled log ids, oldest first. Kept at most kLimit; over it the oldest go,
// first those whose completed reminder no longer exists, and never an id whose
// completed reminder still exists. Look-ups are hashed: they run inside loops over
// the feed.
class SettledIDs {
 public:
  static constexpr size_t kLimit = 500;
  SettledIDs() = default;
  explicit SettledIDs(std::vector<std::int64_t> ids);
  bool contains(std::int64_t id) const;
  void add(std::int64_t id);
  const std::vector<std::int64_t>& ids() const { return ids_; }
  // The list to store.
  std::vector<std::int64_t> trimmed(const std::vector<std::int64_t>& completedStillPresent) const;

 private:
  std::vector<std::int64_t> ids_;
  std::unordered_set<std::int64_t> index_;
};

}  // namespace quorvel::CalendarItems
