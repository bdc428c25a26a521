#pragma once
// The quick to-do form's rules, free of widgets: the due date read out of one line of
// text, the form's initial values, the fields it posts and the texts it shows.
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Recents.h"
#include "core/Theme.h"

namespace quorvel {

using TimePoint = std::chrono::system_clock::time_point;

namespace QuickCapture {

// The due date in `text`, or nothing. Relative words ("大后天", "后天", "明天",
// "今天"/"今日") keep the reference's time of day; a full date ("2026年12月5日",
// "2026-12-05", "2026/12/5", "2026.12.05") and a month-day ("12月5日", rolled into
// next year when already past) give midnight of that day; "下周一" … "下周日"/"下周天"
// give that weekday of the next Monday-to-Sunday week at the reference's time of
// day. The first rule that matches wins. Digits of any script count by their value.
// Calendar days are those of `timeZoneID` (an Olson name; empty: the host's zone as
// it is at this call).
std::optional<TimePoint> detectDate(const std::string& text, TimePoint reference,
                                    const std::string& timeZoneID = {});

// The calendar day of `date` as "yyyy-MM-dd" in `timeZoneID` (empty: the system's).
std::string dayText(TimePoint date, const std::string& timeZoneID = {});

// A calendar day, for a date picker.
struct CivilDay {
  int year = 0, month = 0, day = 0;  // month and day from 1
  bool operator==(const CivilDay&) const = default;
};
CivilDay civilDay(TimePoint date, const std::string& timeZoneID = {});
// `date` moved to `day`, keeping its time of day.
TimePoint withDay(TimePoint date, CivilDay day, const std::string& timeZoneID = {});

// `date` plus `days` calendar days, same time of day (no wrapping).
TimePoint addingDays(TimePoint date, int days, const std::string& timeZoneID = {});

enum class TodoTypeOption { routine, fatal, hearing };
inline constexpr TodoTypeOption kAllTodoTypeOptions[] = {TodoTypeOption::routine, TodoTypeOption::fatal,
                                                         TodoTypeOption::hearing};
// What the service receives as "todo_type".
std::string rawValue(TodoTypeOption option);
// Only the three raw values make an option.
std::optional<TodoTypeOption> todoTypeFromRawValue(const std::string& raw);
std::string chipTitle(TodoTypeOption option);
LawColor chipColor(TodoTypeOption option);

// `text` without leading and trailing white space and line breaks of any script
// (the ideographic space included).
std::string trimmedText(const std::string& text);

// The primary button and Return act only with some text and no save running.
bool canSubmit(const std::string& content, bool submitting);

// The due date the form opens with: the date handed in, else the one recognised in
// the prefill, else tomorrow at the current time of day.
TimePoint initialDueDate(const std::optional<TimePoint>& initialDate, const std::string& prefill, TimePoint now,
                         const std::string& timeZoneID = {});

// The proceeding preselected: the most recent one, else 0 (the default entry).
long long initialProcID(const std::vector<RecentItem>& recents);

struct ProceedingChoice {
  long long id = 0;
  std::string title;
};
// The picker's entries: the default entry (id 0), then the recents in their order.
std::vector<ProceedingChoice> proceedingChoices(const std::vector<RecentItem>& recents);

// The form fields of "/api/quick_add_todo?ajax=1": content (trimmed), date (the day
// only), todo_type, and proc_id only for a chosen proceeding (id > 0).
std::map<std::string, std::string> formFields(const std::string& content, TimePoint dueDate, TodoTypeOption type,
                                              long long procID, const std::string& timeZoneID = {});

inline constexpr const char* kPostPath = "/api/quick_add_todo?ajax=1";
inline constexpr double kCloseDelaySeconds = 0.55;

// "已识别日期：yyyy-MM-dd".
std::string dateHint(TimePoint date, const std::string& timeZoneID = {});

// The footer after a save. The colour follows `success`, never the wording.
struct Feedback {
  std::string text;
  bool success = false;
};
Feedback savedFeedback();
// "保存失败：" and what happened (FormResult::error, as describe says it): never the
// reply's body.
Feedback failureFeedback(const std::string& reason);

}  // namespace QuickCapture
}  // namespace quorvel
