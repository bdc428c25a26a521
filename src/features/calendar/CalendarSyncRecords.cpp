#include "features/calendar/CalendarSyncRecords.h"

#include <algorithm>

#include "features/calendar/CalendarSyncConfig.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace {
constexpr const char* kEventMapKey = "apple.cal.eventMap.v1";
constexpr const char* kEventHashKey = "apple.cal.eventHash.v1";
constexpr const char* kReminderMapKey = "apple.cal.reminderMap.v1";
constexpr const char* kWrittenBackKey = "apple.cal.writtenBack.v1";
constexpr const char* kOwnCalendarsKey = "apple.cal.ownCalendars.v1";

CalendarSyncRecords::StringMap readMap(const UserDefaults& d, const char* key) {
  CalendarSyncRecords::StringMap out;
  auto v = d.object(key);
  if (!v || !v->is_object()) return out;
  for (auto it = v->begin(); it != v->end(); ++it) {
    if (!it.value().is_string()) return {};
    out[it.key()] = it.value().get<std::string>();
  }
  return out;
}
}  // namespace

CalendarSyncRecords::CalendarSyncRecords(UserDefaults& defaults) : defaults_(defaults) {}

CalendarSyncRecords::StringMap CalendarSyncRecords::eventIDs() const { return readMap(defaults_, kEventMapKey); }

CalendarSyncRecords::StringMap CalendarSyncRecords::eventFingerprints() const {
  return readMap(defaults_, kEventHashKey);
}

void CalendarSyncRecords::storeEvents(const StringMap& ids, const StringMap& fingerprints) {
  defaults_.set(kEventMapKey, nlohmann::json(ids));
  defaults_.set(kEventHashKey, nlohmann::json(fingerprints));
}

std::vector<std::string> CalendarSyncRecords::ownCalendars() const {
  std::vector<std::string> out;
  auto v = defaults_.object(kOwnCalendarsKey);
  if (!v || !v->is_array()) return out;
  for (const auto& x : *v)
    if (x.is_string()) out.push_back(x.get<std::string>());
  return out;
}

void CalendarSyncRecords::setOwnCalendars(const std::vector<std::string>& ids) {
  defaults_.set(kOwnCalendarsKey, nlohmann::json(ids));
}

bool CalendarSyncRecords::owns(const SystemCalendar& calendar, CalendarBackend backend) const {
  if (backend == CalendarBackend::sqlite) return true;
  auto own = ownCalendars();
  return std::find(own.begin(), own.end(), calendar.id) != own.end();
}

CalendarItems::SettledIDs CalendarSyncRecords::settledIDs() const {
  std::vector<std::int64_t> ids;
  auto v = defaults_.object(kWrittenBackKey);
  if (v && v->is_array())
    for (const auto& x : *v)
      if (x.is_number_integer()) ids.push_back(x.get<std::int64_t>());
  return CalendarItems::SettledIDs(std::move(ids));
}

void CalendarSyncRecords::storeSettled(const CalendarItems::SettledIDs& settled,
                                       const std::vector<ReminderItem>& reminders) {
  std::vector<std::int64_t> completed;
  for (const auto& r : reminders)
    if (r.completed)
      if (auto id = CalendarItems::extractLogID(r.notes)) completed.push_back(*id);
  defaults_.set(kWrittenBackKey, nlohmann::json(settled.trimmed(completed)));
}

std::string CalendarSyncRecords::lastSyncedAccount() const {
  return defaults_.string(CalendarSyncState::kLastAccountKey).value_or("");
}

void CalendarSyncRecords::rememberSyncedAccount(const std::string& key) {
  if (CalendarSyncState::isAccount(key)) defaults_.set(CalendarSyncState::kLastAccountKey, key);
}

void CalendarSyncRecords::forgetWrittenItems() {
  for (const char* key : {kEventMapKey, kEventHashKey, kReminderMapKey, kWrittenBackKey}) defaults_.remove(key);
}

}  // namespace quorvel
