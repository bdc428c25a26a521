#pragma once
// What the calendar sync keeps besides its settings: the system event written for
// each feed UID with its content fingerprint, the calendars it created, the settled
// log ids of the reminders, and the account last synced. Shared by the calendar
// writer and the reminder write-back.
//
// They live in a SQLite file of their own in the data folder, not in the settings
// file: read once (on the records' own thread, from construction on) and held here;
// each change is written on that thread. Records an older client left in the settings
// file move into the store at the first start and leave the settings file once they
// are stored. Where the store cannot be opened or written the failure is logged and
// the records stay in the settings file, as older clients kept them.
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "features/calendar/CalendarItems.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

class StoreThread;
class UserDefaults;

class CalendarSyncRecords {
 public:
  using StringMap = std::map<std::string, std::string>;

  // The store at SyncRecordDb::standardFile(), or at `storeFile`.
  explicit CalendarSyncRecords(UserDefaults& defaults);
  CalendarSyncRecords(UserDefaults& defaults, std::filesystem::path storeFile);
  // Waits for the writes still queued.
  ~CalendarSyncRecords();
  CalendarSyncRecords(const CalendarSyncRecords&) = delete;
  CalendarSyncRecords& operator=(const CalendarSyncRecords&) = delete;

  // Feed UID → event id, and feed UID → fingerprint.
  const StringMap& eventIDs() const;
  const StringMap& eventFingerprints() const;
  void storeEvents(StringMap ids, StringMap fingerprints);
  // The same maps, held for a run that awaits meanwhile (a change replaces them).
  std::shared_ptr<const StringMap> heldEventIDs() const;
  std::shared_ptr<const StringMap> heldEventFingerprints() const;

  // The calendars the sync created. Clearing removes these and no calendar of the user.
  const std::vector<std::string>& ownCalendars() const;
  void setOwnCalendars(const std::vector<std::string>& ids);
  // In our own store every calendar is the sync's; elsewhere those it created.
  bool owns(const SystemCalendar& calendar, CalendarBackend backend) const;

  // Written back, or completed by the client itself.
  CalendarItems::SettledIDs settledIDs() const;
  // Stores the settled ids (at most 500, never dropping a completed reminder still
  // present among `reminders`).
  void storeSettled(const CalendarItems::SettledIDs& settled, const std::vector<ReminderItem>& reminders);

  // The account whose schedule was last synced (empty: none).
  std::string lastSyncedAccount() const;
  // Stores a real account key; "" and ":" (badges not loaded) are ignored.
  void rememberSyncedAccount(const std::string& key);

  // Clearing: the item maps and the settled ids go.
  void forgetWrittenItems();

  // Blocks until every change so far is in the store (tests, the end of the process).
  void flush();
  // Why the store is not used (the records stay in the settings file); none when it is.
  std::optional<std::string> storeFailure() const;

  // The settings keys older clients kept the records under.
  static const std::vector<const char*>& settingsKeys();

 private:
  struct State;
  struct Sink;
  State& ready() const;
  // The change to the store, or to the settings file when there is none.
  void write(std::function<void(Sink&)> job);
  void writeSettings() const;

  UserDefaults& defaults_;
  std::unique_ptr<StoreThread> thread_;
  std::shared_ptr<Sink> sink_;
  std::shared_ptr<State> state_;
  std::shared_future<void> loaded_;
  mutable bool waited_ = false;
};

}  // namespace quorvel
