#pragma once
// What the calendar sync keeps in the user defaults besides its settings: the system
// event written for each feed UID with its content fingerprint, the calendars it
// created, the settled log ids of the reminders, and the account last synced.
// Shared by the calendar writer and the reminder write-back.
#include <map>
#include <string>
#include <vector>

#include "features/calendar/CalendarItems.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

class UserDefaults;

class CalendarSyncRecords {
 public:
  using StringMap = std::map<std::string, std::string>;

  explicit CalendarSyncRecords(UserDefaults& defaults);

  // "apple.cal.eventMap.v1" (feed UID → event id) and "apple.cal.eventHash.v1"
  // (feed UID → fingerprint); a stored value of another shape reads as empty.
  StringMap eventIDs() const;
  StringMap eventFingerprints() const;
  void storeEvents(const StringMap& ids, const StringMap& fingerprints);

  // "apple.cal.ownCalendars.v1": the calendars the sync created. Clearing removes
  // these and no calendar of the user.
  std::vector<std::string> ownCalendars() const;
  void setOwnCalendars(const std::vector<std::string>& ids);
  // In our own store every calendar is the sync's; elsewhere those it created.
  bool owns(const SystemCalendar& calendar, CalendarBackend backend) const;

  // "apple.cal.writtenBack.v1": written back, or completed by the client itself.
  CalendarItems::SettledIDs settledIDs() const;
  // Stores the settled ids (at most 500, never dropping a completed reminder still
  // present among `reminders`).
  void storeSettled(const CalendarItems::SettledIDs& settled, const std::vector<ReminderItem>& reminders);

  // "apple.cal.lastAccount.v1": the account whose schedule was last synced (empty: none).
  std::string lastSyncedAccount() const;
  // Stores a real account key; "" and ":" (badges not loaded) are ignored.
  void rememberSyncedAccount(const std::string& key);

  // Clearing: the item maps and the settled ids go.
  void forgetWrittenItems();

 private:
  UserDefaults& defaults_;
};

}  // namespace quorvel
