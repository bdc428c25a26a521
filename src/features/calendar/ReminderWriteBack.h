#pragma once
// Completed reminders of the sync's list marked done on the service: each completed,
// tagged, unsettled reminder is posted to "/api/mark_todo_done/<id>" once, and only
// for the account whose reminders they are. Main thread only.
#include <sigc++/sigc++.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"

namespace quorvel {

class BrowserModel;
class CalendarStoreSlot;
class CalendarSyncRecords;

class ReminderWriteBack {
 public:
  ReminderWriteBack(CalendarStoreSlot& store, CalendarSyncRecords& records, BrowserModel& browser);
  ~ReminderWriteBack();
  ReminderWriteBack(const ReminderWriteBack&) = delete;
  ReminderWriteBack& operator=(const ReminderWriteBack&) = delete;

  // Completed reminders written back since launch.
  Published<int, ReminderWriteBack> writeBackCount{0};
  // After a check that wrote back at least one reminder, with their number.
  sigc::signal<void(std::size_t)>& signalWroteBack() { return wroteBack_; }

  // One check of the list. Checks never overlap: a request during a check makes one
  // more check after it, and waits for that.
  Task<void> checkCompletedRemindersAndWriteBack();

 private:
  // The check above, bound to this object's scope.
  Task<void> checkImpl();
  Task<void> writeBackOnce();

  CalendarStoreSlot& slot_;
  CalendarSyncRecords& records_;
  BrowserModel& browser_;
  sigc::signal<void(std::size_t)> wroteBack_;
  bool running_ = false;
  bool again_ = false;
  std::vector<std::function<void()>> waiters_;
  // Its runs are the callers' chains: they ask it after each wait and go on only
  // while this exists.
  TaskScope scope_;
};

}  // namespace quorvel
