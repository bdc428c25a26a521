#pragma once
// Writes the feed into the system store: the three dedicated calendars and the
// reminder list (found or created in the best account source), the calendar items
// with their alarms (rewriting only changed ones, removing those that left), the open
// to-dos as reminders, and the clean-up of everything the sync created. Main thread;
// long loops give the main loop a turn every few milliseconds.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Task.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/ICSEvent.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

class CalendarStoreSlot;
class CalendarSyncRecords;
class WorkerPool;

class CalendarWriter {
 public:
  // The items as the calendar receives them: one per UID with its fingerprint, worked
  // out off the main thread (prepareItems is safe on any thread).
  struct PreparedItems {
    std::size_t count = 0;  // the items given, repeated UIDs included
    std::vector<ICSEvent> unique;
    std::vector<std::string> fingerprints;  // of `unique`, in order
  };
  static PreparedItems prepareItems(const std::vector<ICSEvent>& items);

  CalendarWriter(CalendarStoreSlot& store, CalendarSyncRecords& records);
  ~CalendarWriter();
  CalendarWriter(const CalendarWriter&) = delete;
  CalendarWriter& operator=(const CalendarWriter&) = delete;

  // The prepared items into the dedicated calendars, all or nothing (a failure leaves
  // the store and the records as they were and is thrown). Returns the number of items.
  Task<int> applyEventsToCalendar(std::vector<ICSEvent> items);
  // With `workers`, what a large run leaves behind is freed there.
  Task<int> applyPrepared(PreparedItems prepared, WorkerPool* workers = nullptr);
  // Open deadlines and routines of the raw feed into "墨衡台 · 待办"; items that left
  // the feed are completed and settled. Throws only the cancellation when this writer
  // goes meanwhile; returns the number that qualify.
  Task<int> applyEventsToReminders(std::vector<ICSEvent> events);
  // The same from the events that want a reminder (wantedReminders, safe on any thread).
  static std::vector<ICSEvent> wantedReminders(const std::vector<ICSEvent>& events);
  Task<int> applyReminders(std::vector<ICSEvent> wanted, WorkerPool* workers = nullptr);
  // Removes the calendars the sync created, with the item maps and the settled ids;
  // store errors are skipped. Returns the number of calendars removed.
  Task<int> clearAllSyncedData();

 private:
  // The public entries above, bound to this writer's scope.
  Task<int> applyPreparedImpl(PreparedItems prepared, WorkerPool* workers);
  Task<int> applyRemindersImpl(std::vector<ICSEvent> wanted, WorkerPool* workers);
  Task<int> clearAllSyncedDataImpl();
  Task<SystemCalendar> ensureCalendar(std::string title, CalendarItems::Rgb color, CalendarEntityType type);
  Task<std::optional<std::string>> bestSource(SystemCalendarStore& store, CalendarEntityType type);

  CalendarStoreSlot& slot_;
  CalendarSyncRecords& records_;
  // Its runs are the callers' chains: they ask it after each wait and go on only
  // while this exists.
  TaskScope scope_;
};

}  // namespace quorvel
