#pragma once
// The calendar-sync service: keeps the system calendar and reminders in step with the
// service's calendar feed. This facade holds the settings and the observable state,
// and decides when a run happens (launch, first page load, timer, the switch, "立即同步")
// and what one run does; its parts do the work: the feed source (discovery, fetch,
// entity tag), the calendar writer (calendars, events, reminders, clean-up) and the
// reminder write-back, all over the one store slot. Confined to the main thread.
//
// Used by the settings card (state, switch, sync now), the launch sequence
// (startIfEnabled), the page-load trigger (syncAfterPageLoadedIfNeeded), the menu
// command and the menu-bar panel (syncNow, isSyncing, config->enabled).
#include <memory>
#include <string>

#include "base/GLibPtr.h"
#include "base/Published.h"
#include "base/Task.h"
#include "features/calendar/CalendarSyncConfig.h"

namespace quorvel {

class BrowserModel;
class CalendarFeedSource;
class CalendarStoreSlot;
class CalendarSyncRecords;
class CalendarWriter;
class ReminderWriteBack;
class UserDefaults;

class AppleCalendarSync {
 public:
  using Config = CalendarSyncConfig;

  AppleCalendarSync(UserDefaults& defaults, BrowserModel& browser, CalendarStoreSlot& store,
                    CalendarSyncRecords& records, CalendarFeedSource& feed, CalendarWriter& writer,
                    ReminderWriteBack& writeBack);
  ~AppleCalendarSync();
  AppleCalendarSync(const AppleCalendarSync&) = delete;
  AppleCalendarSync& operator=(const AppleCalendarSync&) = delete;

  // Published state.
  Published<Config, AppleCalendarSync> config;
  Published<bool, AppleCalendarSync> isSyncing{false};
  Published<std::string, AppleCalendarSync> statusText;
  Published<std::string, AppleCalendarSync> lastSyncedAt;
  Published<int, AppleCalendarSync> syncedEventsCount{0};
  Published<int, AppleCalendarSync> syncedRemindersCount{0};
  // Counted by the write-back; the store in use, told by the store slot.
  Published<int, ReminderWriteBack>& writeBackCount;
  Published<std::string, CalendarStoreSlot>& storeDescription;

  // Publishes new settings and stores them under "apple.calendar.sync.config.v1".
  void updateConfig(const Config& c);
  // Publishes settings and a status line for a moment without storing or acting on
  // them (the view renders' sample state, then what was there before).
  void showTransientState(const Config& c, const std::string& status);

  // Launch hook: opens the store (so its backend is logged early); with the sync on,
  // the store observation, the timer and the initial run after 8 s (unless a finished
  // page load came first). Nothing in diagnostic mode.
  void startIfEnabled();
  // Page-load hook: makes the initial run when it has not happened yet.
  void syncAfterPageLoadedIfNeeded();
  // One run. force: also while switched off, asks for access, rediscovers the feed and
  // sends no entity tag. A run requested during a run is dropped.
  Task<void> syncNow(bool force);
  // The main switch (stored); on: access, observation, timer and a forced run.
  void setEnabled(bool on);
  // (Re)starts the repeating timer of max(intervalMinutes, 1) minutes.
  void scheduleTimer();
  // Every change of the store schedules a write-back check.
  void startObservingStore();
  // One write-back check 1.8 s after the last store change (sync, reminders and
  // write-back on, no run in progress).
  void scheduleWriteBackCheck();
  // Removes the calendars the sync created with its records; the next run fetches the
  // whole feed. silent: the status line stays.
  Task<void> clearAllSyncedData(bool silent);

  // Asks the store for calendar access and, with syncReminders on, reminder access;
  // logs "[Quorvel][CAL] 权限结果 calendar=%d reminders=%d"; returns the calendar answer.
  Task<bool> requestPermissions();
  // note + " · " + HH:mm:ss into statusText, the time into lastSyncedAt.
  void updateTimestamp(const std::string& note);

  // Delays (tests shorten them).
  struct Timing {
    unsigned initialSyncMs = 8000;
    unsigned writeBackDebounceMs = 1800;
    unsigned timerMsPerMinute = 60000;
  };
  void setTiming(Timing t) { timing_ = t; }

 private:
  bool diagnosticMode() const;
  // The public entries above, bound to this object's scope.
  Task<void> syncNowImpl(bool force);
  Task<void> clearAllSyncedDataImpl(bool silent);
  Task<bool> requestPermissionsImpl();
  Task<void> runSync(bool force);
  Task<bool> checkAccount();

  UserDefaults& defaults_;
  BrowserModel& browser_;
  CalendarStoreSlot& slot_;
  CalendarSyncRecords& records_;
  CalendarFeedSource& feed_;
  CalendarWriter& writer_;
  ReminderWriteBack& writeBack_;

  bool didInitialSync_ = false;
  Timing timing_;
  SourceId timer_;
  SourceId initialSync_;
  SourceId debounce_;
  ScopedConnection storeObserver_;
  ScopedConnection wroteBack_;
  bool observing_ = false;
  // Runs started here end with it; runs handed to callers ask it after each wait.
  TaskScope scope_;
};

}  // namespace quorvel
