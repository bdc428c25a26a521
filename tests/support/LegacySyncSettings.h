#pragma once
// A settings file as the client wrote it while the calendar sync kept its records
// there: three synced events, the sync's four calendars, three settled reminder ids
// (one beyond a double's exact range), the account last synced and an older
// client's reminder map, beside two ordinary settings.
namespace quorvel::test {

inline constexpr const char* kSettingsWithSyncRecords = R"JSON(
{
  "apple.cal.eventHash.v1": {
    "deadline-101@quorvel": "f1a2",
    "hearing-7@quorvel": "b3c4",
    "overdue-3@quorvel": "d5e6"
  },
  "apple.cal.eventMap.v1": {
    "deadline-101@quorvel": "EV-1",
    "hearing-7@quorvel": "EV-2",
    "overdue-3@quorvel": "EV-3"
  },
  "apple.cal.lastAccount.v1": "墨衡律师事务所:张律师",
  "apple.cal.ownCalendars.v1": [
    "cal-hearing",
    "cal-deadline",
    "cal-overdue",
    "list-todo"
  ],
  "apple.cal.reminderMap.v1": {
    "101": "R-101"
  },
  "apple.cal.writtenBack.v1": [
    101,
    205,
    9007199254740993
  ],
  "apple.calendar.sync.config.v1": {
    "enabled": true,
    "foldBusyDeadlines": true,
    "hearingsOnlyInCalendar": false,
    "includeRoutinesInCalendar": false,
    "intervalMinutes": 3,
    "syncReminders": true,
    "twoWayWriteBack": true
  },
  "serverURL": "https://law.example.cn"
})JSON";

}  // namespace quorvel::test
