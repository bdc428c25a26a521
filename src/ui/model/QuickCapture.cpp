#include "ui/model/QuickCapture.h"

#include <unicode/calendar.h>
#include <unicode/regex.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>

#include "ui/model/UnicodeText.h"

namespace quorvel::QuickCapture {
namespace {

UDate toUDate(TimePoint t) {
  return static_cast<UDate>(std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

TimePoint fromUDate(UDate d) {
  return TimePoint(std::chrono::duration_cast<TimePoint::duration>(std::chrono::milliseconds(static_cast<long long>(d))));
}

// The zone of an Olson name, or of a zone file path ("/usr/share/zoneinfo/Asia/Shanghai");
// null for anything else.
icu::TimeZone* namedZone(std::string name) {
  if (!name.empty() && name[0] == ':') name.erase(0, 1);
  if (auto at = name.rfind("zoneinfo/"); at != std::string::npos) name.erase(0, at + 9);
  if (name.empty() || name[0] == '/') return nullptr;
  icu::TimeZone* zone = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name));
  if (zone && *zone != icu::TimeZone::getUnknown()) return zone;
  delete zone;
  return nullptr;
}

// The host's zone as it is at this moment. ICU's default zone is fixed at its first
// use, and its host detection keeps the first /etc/localtime it read, so TZ and the
// link are read here on every call.
icu::TimeZone* hostTimeZone() {
  const char* tz = std::getenv("TZ");
  if (tz && !*tz) return icu::TimeZone::createTimeZone("Etc/UTC");  // as the C library reads it
  if (tz) {
    if (auto* zone = namedZone(tz)) return zone;
  } else {
    std::error_code ec;
    auto link = std::filesystem::read_symlink("/etc/localtime", ec);
    if (!ec)
      if (auto* zone = namedZone(link.string())) return zone;
  }
  // A POSIX rule in TZ, or a copied zone file: ICU's own detection.
  static std::mutex mutex;  // detectHostTimeZone() is not thread-safe
  std::lock_guard lock(mutex);
  icu::TimeZone* zone = icu::TimeZone::detectHostTimeZone();
  if (zone && *zone != icu::TimeZone::getUnknown()) return zone;
  delete zone;
  return icu::TimeZone::createDefault();
}

// A Gregorian calendar in the zone, taken afresh per call (the user may change zones).
std::unique_ptr<icu::Calendar> makeCalendar(const std::string& zoneID) {
  UErrorCode status = U_ZERO_ERROR;
  icu::TimeZone* zone =
      zoneID.empty() ? hostTimeZone() : icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneID));
  std::unique_ptr<icu::Calendar> cal(icu::Calendar::createInstance(zone, icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return nullptr;
  cal->setLenient(true);
  return cal;
}

std::optional<TimePoint> plusDays(icu::Calendar& cal, TimePoint reference, int days) {
  UErrorCode status = U_ZERO_ERROR;
  cal.setTime(toUDate(reference), status);
  cal.add(UCAL_DATE, days, status);
  UDate d = cal.getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return fromUDate(d);
}

// Midnight at the start of year-month-day; an overflowing month or day carries over.
std::optional<TimePoint> startOfDay(icu::Calendar& cal, int year, int month, int day) {
  UErrorCode status = U_ZERO_ERROR;
  cal.clear();
  cal.set(year, month - 1, day, 0, 0, 0);
  UDate d = cal.getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return fromUDate(d);
}

// A group's value with every decimal digit read by its value, whatever its script
// ("１２" is 12); 0 when the group holds anything else.
int groupValue(const icu::RegexMatcher& m, int group) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString g = m.group(group, status);
  if (U_FAILURE(status) || g.isEmpty()) return 0;
  int value = 0;
  for (int32_t i = 0; i < g.length(); i = g.moveIndex32(i, 1)) {
    int digit = u_charDigitValue(g.char32At(i));
    if (digit < 0) return 0;
    value = value * 10 + digit;
  }
  return value;
}

// The first match of `pattern` in `text`; nothing when the pattern cannot be built.
std::unique_ptr<icu::RegexMatcher> firstMatch(const char* pattern, const icu::UnicodeString& text) {
  UErrorCode status = U_ZERO_ERROR;
  auto m = std::make_unique<icu::RegexMatcher>(icu::UnicodeString::fromUTF8(pattern), 0, status);
  if (U_FAILURE(status)) return nullptr;
  m->reset(text);
  if (!m->find(status) || U_FAILURE(status)) return nullptr;
  return m;
}

bool contains(const std::string& text, const char* word) { return text.find(word) != std::string::npos; }

}  // namespace

std::optional<TimePoint> detectDate(const std::string& text, TimePoint reference, const std::string& timeZoneID) {
  auto cal = makeCalendar(timeZoneID);
  if (!cal) return std::nullopt;

  // 1. Relative words; "大后天" before "后天", which it contains.
  if (contains(text, "大后天")) return plusDays(*cal, reference, 3);
  if (contains(text, "后天")) return plusDays(*cal, reference, 2);
  if (contains(text, "明天")) return plusDays(*cal, reference, 1);
  if (contains(text, "今天") || contains(text, "今日")) return reference;

  const icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);

  // 2. A full date, taken as it stands: the conversion carries an overflow.
  if (auto m = firstMatch(R"((20\d{2})[年\-/.](\d{1,2})[月\-/.](\d{1,2}))", u))
    if (auto d = startOfDay(*cal, groupValue(*m, 1), groupValue(*m, 2), groupValue(*m, 3))) return d;

  // 3. Month and day in the reference's year, or next year once that day is past.
  if (auto m = firstMatch(R"((\d{1,2})月(\d{1,2})[日号]?)", u)) {
    UErrorCode status = U_ZERO_ERROR;
    cal->setTime(toUDate(reference), status);
    const int year = cal->get(UCAL_YEAR, status);
    const int refMonth = cal->get(UCAL_MONTH, status) + 1;
    const int refDay = cal->get(UCAL_DATE, status);
    if (U_SUCCESS(status)) {
      const int month = groupValue(*m, 1), day = groupValue(*m, 2);
      auto today = startOfDay(*cal, year, refMonth, refDay);
      if (auto candidate = startOfDay(*cal, year, month, day); candidate && today) {
        if (*candidate < *today) return startOfDay(*cal, year + 1, month, day);
        return candidate;
      }
    }
  }

  // 4. A weekday of next week (Monday to Sunday, after the reference's day).
  static const std::pair<const char*, int> kWeekdays[] = {{"下周一", 2}, {"下周二", 3}, {"下周三", 4}, {"下周四", 5},
                                                          {"下周五", 6}, {"下周六", 7}, {"下周日", 1}, {"下周天", 1}};
  for (const auto& [key, target] : kWeekdays) {
    if (!contains(text, key)) continue;
    UErrorCode status = U_ZERO_ERROR;
    cal->setTime(toUDate(reference), status);
    const int w = cal->get(UCAL_DAY_OF_WEEK, status);
    if (U_FAILURE(status)) return std::nullopt;
    const int daysToNextMonday = ((8 - w) % 7) + 1;
    const int offset = target == 1 ? 6 : target - 2;
    return plusDays(*cal, reference, daysToNextMonday + offset);
  }
  return std::nullopt;
}

std::string dayText(TimePoint date, const std::string& timeZoneID) {
  CivilDay c = civilDay(date, timeZoneID);
  if (c.year == 0) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
  return buf;
}

CivilDay civilDay(TimePoint date, const std::string& timeZoneID) {
  auto cal = makeCalendar(timeZoneID);
  if (!cal) return {};
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(toUDate(date), status);
  CivilDay out{cal->get(UCAL_YEAR, status), cal->get(UCAL_MONTH, status) + 1, cal->get(UCAL_DATE, status)};
  return U_SUCCESS(status) ? out : CivilDay{};
}

TimePoint withDay(TimePoint date, CivilDay day, const std::string& timeZoneID) {
  auto cal = makeCalendar(timeZoneID);
  if (!cal) return date;
  UErrorCode status = U_ZERO_ERROR;
  cal->setTime(toUDate(date), status);
  cal->set(day.year, day.month - 1, day.day);
  UDate d = cal->getTime(status);
  return U_SUCCESS(status) ? fromUDate(d) : date;
}

TimePoint addingDays(TimePoint date, int days, const std::string& timeZoneID) {
  auto cal = makeCalendar(timeZoneID);
  if (!cal) return date;
  return plusDays(*cal, date, days).value_or(date);
}

std::string rawValue(TodoTypeOption option) {
  switch (option) {
    case TodoTypeOption::routine: return "routine_deadline";
    case TodoTypeOption::fatal: return "fatal_deadline";
    case TodoTypeOption::hearing: return "hearing";
  }
  return {};
}

std::optional<TodoTypeOption> todoTypeFromRawValue(const std::string& raw) {
  for (auto option : kAllTodoTypeOptions)
    if (rawValue(option) == raw) return option;
  return std::nullopt;
}

std::string chipTitle(TodoTypeOption option) {
  switch (option) {
    case TodoTypeOption::routine: return "日常跟进";
    case TodoTypeOption::fatal: return "法定期限";
    case TodoTypeOption::hearing: return "开庭提醒";
  }
  return {};
}

LawColor chipColor(TodoTypeOption option) {
  switch (option) {
    case TodoTypeOption::routine: return LawTheme::primary;
    case TodoTypeOption::fatal: return LawTheme::warning;
    case TodoTypeOption::hearing: return LawTheme::danger;
  }
  return LawTheme::primary;
}

std::string trimmedText(const std::string& text) { return trimmedWhitespace(text); }

bool canSubmit(const std::string& content, bool submitting) { return !submitting && !trimmedText(content).empty(); }

TimePoint initialDueDate(const std::optional<TimePoint>& initialDate, const std::string& prefill, TimePoint now,
                         const std::string& timeZoneID) {
  if (initialDate) return *initialDate;
  if (auto found = detectDate(prefill, now, timeZoneID)) return *found;
  return addingDays(now, 1, timeZoneID);
}

long long initialProcID(const std::vector<RecentItem>& recents) { return recents.empty() ? 0 : recents.front().procID; }

std::vector<ProceedingChoice> proceedingChoices(const std::vector<RecentItem>& recents) {
  std::vector<ProceedingChoice> out{{0, "默认（名下常用程序）"}};
  for (const auto& r : recents) out.push_back({r.procID, r.title});
  return out;
}

std::map<std::string, std::string> formFields(const std::string& content, TimePoint dueDate, TodoTypeOption type,
                                              long long procID, const std::string& timeZoneID) {
  std::map<std::string, std::string> fields{
      {"content", trimmedText(content)}, {"date", dayText(dueDate, timeZoneID)}, {"todo_type", rawValue(type)}};
  if (procID > 0) fields["proc_id"] = std::to_string(procID);
  return fields;
}

std::string dateHint(TimePoint date, const std::string& timeZoneID) { return "已识别日期：" + dayText(date, timeZoneID); }

Feedback savedFeedback() { return {"已保存到墨衡台", true}; }

Feedback failureFeedback(const std::string& reason) { return {"保存失败：" + reason, false}; }

}  // namespace quorvel::QuickCapture
