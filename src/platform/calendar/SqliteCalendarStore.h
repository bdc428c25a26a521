#pragma once
// Our own calendar store, used when Evolution Data Server is absent or does not
// answer: one SQLite database in the data folder, and each calendar written after
// every change as "<folder>/calendars/<title>.ics" that any calendar application can
// subscribe to. All database work runs on the store's own thread.
#include <filesystem>
#include <memory>

#include "platform/calendar/StoreThread.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

class SqliteCalendarStore : public SystemCalendarStore {
 public:
  // `folder` holds "calendars.sqlite" and "calendars/"; created when missing. An
  // unusable database makes every operation throw AppError("File", …).
  explicit SqliteCalendarStore(std::filesystem::path folder);
  ~SqliteCalendarStore() override;

  // The one source every calendar of this store lives in.
  static constexpr const char* kLocalSourceID = "local";

  CalendarBackend backend() const override { return CalendarBackend::sqlite; }
  std::string backendDescription() const override;
  std::filesystem::path icsFolder() const { return folder_ / "calendars"; }
  // The .ics file of a calendar (empty when unknown); waits for pending work.
  Task<std::filesystem::path> icsFile(const std::string& calendarID);

  Task<bool> requestAccess(CalendarEntityType type) override;
  Task<std::vector<CalendarSource>> sources() override;
  Task<std::optional<std::string>> defaultSourceID(CalendarEntityType type) override;
  Task<std::vector<SystemCalendar>> calendars(CalendarEntityType type) override;
  Task<SystemCalendar> createCalendar(const std::string& title, const std::string& colorHex, CalendarEntityType type,
                                      const std::string& sourceID) override;
  Task<void> removeCalendar(const std::string& calendarID) override;
  Task<std::vector<CalendarEventItem>> events(const std::string& calendarID) override;
  Task<std::optional<CalendarEventItem>> event(const std::string& eventID) override;
  Task<std::vector<ReminderItem>> reminders(const std::vector<std::string>& calendarIDs) override;

 protected:
  Task<void> apply(std::vector<Change> batch) override;

 private:
  struct Db;
  std::filesystem::path folder_;
  std::shared_ptr<Db> db_;
  StoreThread thread_{"quorvel-cal-sqlite"};
};

}  // namespace quorvel
