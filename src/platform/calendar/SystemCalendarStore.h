#pragma once
// The system calendar and reminder store the calendar sync writes into: account
// sources, calendars of both entity types, events with alarms, reminders with
// completion, one commit per batch, and a changed signal.
//
// Implementations: EdsCalendarStore (Evolution Data Server, what the desktop's
// calendar and task applications show), SqliteCalendarStore (our own store in the data
// folder with one .ics file per calendar, when EDS is absent or mute), and an
// in-memory fake for tests. openSystemCalendarStore() picks one.
//
// Threading: every member is called on the main thread. Reads and commits are
// coroutines that leave the main thread for the backend's work and resume on it.
//
// Identifiers (calendars, sources, events, reminders) are opaque, stable texts: the
// same item keeps its identifier across runs and processes, so they can be stored.
// An item's identifier names its calendar ("<calendar id>/<item uid>"): saving an
// item into another calendar gives it a new identifier (saveEvent returns it).
//
// Pending changes: saveEvent/removeEvent/saveReminder only queue; reads see the
// committed state. commit() sends the whole queue as one batch; reset() drops it.
// Calendars are created and removed at once (they are not queued).
#include <sigc++/sigc++.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "base/Task.h"

namespace quorvel {

enum class CalendarEntityType { event, reminder };
enum class CalendarSourceType { local, calDAV, other };
enum class CalendarBackend { eds, sqlite, memory };

struct CalendarSource {
  std::string id;
  std::string title;
  CalendarSourceType type = CalendarSourceType::local;
  bool operator==(const CalendarSource&) const = default;
};

struct SystemCalendar {
  std::string id;
  std::string title;
  std::string colorHex;  // "#RRGGBB"
  bool writable = true;
  CalendarEntityType entityType = CalendarEntityType::event;
  std::string sourceId;
  bool operator==(const SystemCalendar&) const = default;
};

struct CalendarEventItem {
  using Date = std::chrono::system_clock::time_point;
  std::string id;  // empty for a new event; set by saveEvent
  std::string calendarId;
  std::string title;
  Date start{};
  // For an all-day event the last instant inside it (23:59:59 of its last day, local
  // time), as the feed model has it; the backends store the exclusive next day.
  Date end{};
  bool allDay = false;
  std::string location;
  std::optional<std::string> url;
  std::string notes;
  std::vector<double> alarmOffsets;  // seconds relative to the start, negative = before
  bool operator==(const CalendarEventItem&) const = default;
};

// A due day without time of day.
struct DueDay {
  int year = 0, month = 0, day = 0;
  bool operator==(const DueDay&) const = default;
};

struct ReminderItem {
  using Date = std::chrono::system_clock::time_point;
  std::string id;  // empty for a new reminder; set by saveReminder
  std::string calendarId;
  std::string title;
  std::string notes;
  std::optional<std::string> url;
  std::optional<DueDay> due;
  int priority = 0;  // 0 none, 1 highest … 9 lowest
  bool completed = false;
  std::optional<Date> completionDate;  // set by the store when completed without one
  bool operator==(const ReminderItem&) const = default;
};

class SystemCalendarStore {
 public:
  virtual ~SystemCalendarStore() = default;
  SystemCalendarStore(const SystemCalendarStore&) = delete;
  SystemCalendarStore& operator=(const SystemCalendarStore&) = delete;

  virtual CalendarBackend backend() const = 0;
  // A short Chinese name of the backend for the settings ("Evolution 数据服务"…).
  virtual std::string backendDescription() const = 0;

  // Access to one entity type: true when the backend answers for it.
  virtual Task<bool> requestAccess(CalendarEntityType type) = 0;

  // Account sources that can hold new calendars, in the store's order.
  virtual Task<std::vector<CalendarSource>> sources() = 0;
  // The source of the default calendar for new items of that type, if any.
  virtual Task<std::optional<std::string>> defaultSourceID(CalendarEntityType type) = 0;
  virtual Task<std::vector<SystemCalendar>> calendars(CalendarEntityType type) = 0;
  // A new writable calendar in the source (a fresh identifier every time).
  // Throws AppError on failure.
  virtual Task<SystemCalendar> createCalendar(const std::string& title, const std::string& colorHex,
                                              CalendarEntityType type, const std::string& sourceID) = 0;
  // Removes the calendar with its items; throws AppError on failure.
  virtual Task<void> removeCalendar(const std::string& calendarID) = 0;

  // Committed items of one calendar / several reminder lists.
  virtual Task<std::vector<CalendarEventItem>> events(const std::string& calendarID) = 0;
  virtual Task<std::optional<CalendarEventItem>> event(const std::string& eventID) = 0;
  virtual Task<std::vector<ReminderItem>> reminders(const std::vector<std::string>& calendarIDs) = 0;

  // Queue a write; returns the item's identifier (fresh for a new item).
  std::string saveEvent(const CalendarEventItem& item);
  void removeEvent(const std::string& eventID);
  std::string saveReminder(const ReminderItem& item);
  bool hasPendingChanges() const { return !pending_.empty(); }
  // Sends the queue as one batch (the queue is empty afterwards, also on failure);
  // throws AppError when the backend refuses.
  Task<void> commit();
  // Drops the queue; nothing of it reaches the backend.
  void reset() { pending_.clear(); }

  // Fires (coalesced) after the store's content changed: commits and calendar changes of
  // this process and changes other applications made to calendars this store has read.
  sigc::signal<void()>& changed() { return changed_; }

  // "<calendar id>/<uid>" and back (nothing for text without a "/").
  static std::string itemID(const std::string& calendarID, const std::string& uid);
  static std::optional<std::pair<std::string, std::string>> splitItemID(const std::string& itemID);
  // A fresh random UID (RFC 4122 text, lower case).
  static std::string freshUID();

  struct Change {
    enum Kind { saveEvent, removeEvent, saveReminder } kind = saveEvent;
    CalendarEventItem event;     // saveEvent (id set)
    ReminderItem reminder;       // saveReminder (id set)
    std::string id;              // removeEvent
    std::string previousID;      // a save that moved the item out of another calendar
    bool isNew = false;          // the save gave the item its identifier
  };

 protected:
  SystemCalendarStore() = default;
  // Applies one batch of changes in order; throws AppError when the backend refuses.
  virtual Task<void> apply(std::vector<Change> batch) = 0;
  void emitChanged() { changed_.emit(); }

 private:
  std::vector<Change> pending_;
  sigc::signal<void()> changed_;
};

// The colour text "#RRGGBB" of sRGB components in 0…1.
std::string colorHex(double red, double green, double blue);

}  // namespace quorvel
