#include "features/calendar/CalendarSyncConfig.h"

#include <cmath>
#include <ctime>
#include <optional>

#include "core/BadgeCounts.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace {
// A key of the wrong type spoils the whole configuration, as a strict decoder does.
struct WrongType {};

void readBool(const nlohmann::json& o, const char* key, bool& out) {
  auto it = o.find(key);
  if (it == o.end()) return;
  if (!it->is_boolean()) throw WrongType{};
  out = it->get<bool>();
}

void readInt(const nlohmann::json& o, const char* key, int& out) {
  auto it = o.find(key);
  if (it == o.end()) return;
  if (it->is_number_integer()) {
    auto v = it->get<long long>();
    if (v < INT32_MIN || v > INT32_MAX) throw WrongType{};
    out = static_cast<int>(v);
    return;
  }
  // 3.0 is a whole number; 3.5 is not an integer.
  if (it->is_number_float()) {
    double d = it->get<double>();
    if (std::trunc(d) != d || d < INT32_MIN || d > INT32_MAX) throw WrongType{};
    out = static_cast<int>(d);
    return;
  }
  throw WrongType{};
}
}  // namespace

CalendarSyncConfig CalendarSyncConfig::fromJson(const nlohmann::json& value) {
  if (!value.is_object()) return {};
  CalendarSyncConfig c;
  try {
    readBool(value, "enabled", c.enabled);
    readBool(value, "syncReminders", c.syncReminders);
    readBool(value, "twoWayWriteBack", c.twoWayWriteBack);
    readBool(value, "foldBusyDeadlines", c.foldBusyDeadlines);
    readBool(value, "hearingsOnlyInCalendar", c.hearingsOnlyInCalendar);
    readBool(value, "includeRoutinesInCalendar", c.includeRoutinesInCalendar);
    readInt(value, "intervalMinutes", c.intervalMinutes);
  } catch (const WrongType&) {
    return {};
  }
  return c;
}

nlohmann::ordered_json CalendarSyncConfig::toJson() const {
  nlohmann::ordered_json j;
  j["enabled"] = enabled;
  j["syncReminders"] = syncReminders;
  j["twoWayWriteBack"] = twoWayWriteBack;
  j["foldBusyDeadlines"] = foldBusyDeadlines;
  j["hearingsOnlyInCalendar"] = hearingsOnlyInCalendar;
  j["includeRoutinesInCalendar"] = includeRoutinesInCalendar;
  j["intervalMinutes"] = intervalMinutes;
  return j;
}

CalendarSyncConfig CalendarSyncConfig::load(const UserDefaults& defaults) {
  auto stored = defaults.object(kDefaultsKey);
  if (!stored) return {};
  return fromJson(*stored);
}

void CalendarSyncConfig::save(UserDefaults& defaults) const {
  // The defaults file keeps JSON values as they are (sorted keys), not as data bytes.
  defaults.set(kDefaultsKey, nlohmann::json::parse(toJson().dump()));
}

int CalendarSyncConfig::timerSeconds() const { return std::max(intervalMinutes, 1) * 60; }

namespace CalendarSyncState {

std::string accountKey(const BadgeCounts& badges) { return badges.firm + ":" + badges.user; }

bool isAccount(const std::string& key) { return !key.empty() && key != ":"; }

bool isAccountChange(const std::string& from, const std::string& to) {
  return isAccount(from) && isAccount(to) && from != to;
}

std::string initialStatus(bool enabled) {
  return enabled ? "已开启，等待同步…" : "未开启（开启后自动写入本机日历，再随该日历所属的账户同步到其他设备）";
}

Stamp stamp(const std::string& note, std::chrono::system_clock::time_point at) {
  std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return {buf, note + " · " + buf};
}

}  // namespace CalendarSyncState

}  // namespace quorvel
