#pragma once
// The calendar sync's stored settings and the small rules of its state that need no
// service: the account key and the status stamp.
#include <chrono>
#include <string>

#include <nlohmann/json.hpp>

namespace quorvel {

class UserDefaults;
struct BadgeCounts;

struct CalendarSyncConfig {
  static constexpr const char* kDefaultsKey = "apple.calendar.sync.config.v1";

  bool enabled = false;
  bool syncReminders = true;
  bool twoWayWriteBack = true;
  bool foldBusyDeadlines = true;
  bool hearingsOnlyInCalendar = false;
  bool includeRoutinesInCalendar = false;
  int intervalMinutes = 3;  // values below 1 count as 1 (timerSeconds)

  bool operator==(const CalendarSyncConfig&) const = default;

  // The stored settings: each key optional (default when missing); a stored value
  // that is no JSON object, or any key of the wrong type, gives the whole default.
  static CalendarSyncConfig load(const UserDefaults& defaults);
  void save(UserDefaults& defaults) const;

  static CalendarSyncConfig fromJson(const nlohmann::json& value);
  // The seven keys in declaration order.
  nlohmann::ordered_json toJson() const;
  // The timer period, max(intervalMinutes, 1) minutes.
  int timerSeconds() const;
};

namespace CalendarSyncState {
inline constexpr const char* kLastAccountKey = "apple.cal.lastAccount.v1";

// "firm:user" of the badge counts.
std::string accountKey(const BadgeCounts& badges);
// Empty or ":" (badge counts not loaded yet) is no account.
bool isAccount(const std::string& key);
// Two different accounts; an account not known yet is no change from or to any.
bool isAccountChange(const std::string& from, const std::string& to);

// The initial status line for the enabled flag.
std::string initialStatus(bool enabled);

struct Stamp {
  std::string time;    // "HH:mm:ss", local time
  std::string status;  // note + " · " + time
};
Stamp stamp(const std::string& note, std::chrono::system_clock::time_point at);
}  // namespace CalendarSyncState

}  // namespace quorvel
