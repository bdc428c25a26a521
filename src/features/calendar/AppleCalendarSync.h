#pragma once
// The calendar-sync service: the service's calendar feed into the system calendar and
// reminders. This unit holds its settings and observable state, the system calendar
// store it owns, the permission request, feed discovery on "/calendar/subscribe" and
// the live fetch the desktop calendar uses; AppleCalendarSyncRun.cpp the run, the
// calendar items, the reminders and their write-back. Confined to the main thread.
//
// Wiring (application): attach(browser) once the workspace model exists, then
// startIfEnabled() in the launch sequence; syncAfterPageLoadedIfNeeded() after page
// loads; spawn(syncNow(true)) for the menu command. The menu-bar view reads isSyncing
// and config->enabled.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Published.h"
#include "base/Task.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/CalendarSyncConfig.h"
#include "features/calendar/ICSEvent.h"
#include "platform/calendar/CalendarStoreFactory.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

class BrowserModel;
class UserDefaults;

class AppleCalendarSync {
 public:
  using Config = CalendarSyncConfig;

  static AppleCalendarSync& shared();
  // A separate instance over the given defaults (tests); shared() uses the standard ones.
  explicit AppleCalendarSync(UserDefaults& defaults);
  ~AppleCalendarSync();
  AppleCalendarSync(const AppleCalendarSync&) = delete;
  AppleCalendarSync& operator=(const AppleCalendarSync&) = delete;

  // The workspace model the sync reads the service through (held weakly).
  void attach(const std::shared_ptr<BrowserModel>& browser);
  // Where and how the store is opened (before the first use; tests point it elsewhere).
  void setStoreOptions(CalendarStoreOptions options) { storeOptions_ = std::move(options); }
  // Uses this store instead of opening one (tests: the fake).
  void setStore(std::unique_ptr<SystemCalendarStore> store);

  // Published state.
  Published<Config, AppleCalendarSync> config;
  Published<bool, AppleCalendarSync> isSyncing{false};
  Published<std::string, AppleCalendarSync> statusText;
  Published<std::string, AppleCalendarSync> lastSyncedAt;
  Published<int, AppleCalendarSync> syncedEventsCount{0};
  Published<int, AppleCalendarSync> syncedRemindersCount{0};
  Published<int, AppleCalendarSync> writeBackCount{0};
  // Which store is in use, for the settings ("Evolution 数据服务…" / "本地日历存储…");
  // empty until the store is open.
  Published<std::string, AppleCalendarSync> storeDescription;

  // Publishes new settings and stores them under "apple.calendar.sync.config.v1".
  void updateConfig(const Config& c);

  // Launch hook: with the sync on, the store observation, the timer and the initial
  // run after 8 s (unless a finished page load came first). Nothing in diagnostic mode.
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
  void startObservingStore();

  // The items for the calendar: hearings, overdue, deadlines (busy days folded), routines.
  static std::vector<ICSEvent> prepareCalendarItems(const std::vector<ICSEvent>& events, const Config& config);
  // Writes the items into the dedicated calendars (rewriting only changed ones, removing
  // those that left); all or nothing. Returns the number of items.
  Task<int> applyEventsToCalendar(std::vector<ICSEvent> items);
  // Removes the calendars the sync created, with the sync's records.
  Task<void> clearAllSyncedData(bool silent);
  // Open deadlines and routines into "墨衡台 · 待办"; returns the number that qualify.
  Task<int> applyEventsToReminders(std::vector<ICSEvent> events);
  // Posts "/api/mark_todo_done/<id>" for completed, unsettled reminders. Checks never
  // overlap: a request during a check makes one more check after it.
  Task<void> checkCompletedRemindersAndWriteBack();
  // One check 1.8 s after the last store change (sync, reminders and write-back on, no run).
  void scheduleWriteBackCheck();

  // Delays (tests shorten them).
  struct Timing {
    unsigned initialSyncMs = 8000;
    unsigned writeBackDebounceMs = 1800;
    unsigned timerMsPerMinute = 60000;
  };
  void setTiming(Timing t) { timing_ = t; }

  // Opens the system store once (EDS, else SQLite) and logs which; later calls wait
  // for the same store.
  Task<SystemCalendarStore*> ensureStore();
  SystemCalendarStore* store() const { return store_.get(); }

  // Asks the store for calendar access and, with syncReminders on, reminder access;
  // logs "[Quorvel][CAL] 权限结果 calendar=%d reminders=%d"; returns the calendar answer.
  Task<bool> requestPermissions();

  // Fetches the feed now (cached address unless forceDiscover) and returns its events.
  // Errors: AppleCal 2 (no link), AppleCal <status> (bad reply; the cached address is
  // dropped), Quorvel 1–3 from the page read, Http transport errors (cache kept).
  Task<std::vector<ICSEvent>> fetchLiveEvents(bool forceDiscover);

  // For the sync run. The absolute feed address found on "/calendar/subscribe".
  Task<std::string> discoverAllICSURL();
  // The account key of the workspace's badge counts ("firm:user"; ":" before they load).
  std::string currentAccountKey() const;
  // The cached feed address and entity tag, dropped first when they were found under
  // another account than the current one or the workspace is signed out.
  std::optional<std::string> cachedAllICSURL();
  std::optional<std::string> cachedETag();
  // Remembers the address (and keeps the tag only while the address stays the same)
  // under the current account.
  void cacheAllICSURL(const std::string& url);
  // Stored only after the calendars were written; bound to the current account.
  void cacheETag(const std::optional<std::string>& etag);
  void forgetFeedCache();
  // "apple.cal.lastAccount.v1": the account whose schedule was last synced (empty: none).
  std::string lastSyncedAccount() const;
  // Stores a real account key; "" and ":" (badges not loaded) are ignored.
  void rememberSyncedAccount(const std::string& key);
  // note + " · " + HH:mm:ss into statusText, the time into lastSyncedAt.
  void updateTimestamp(const std::string& note);

 private:
  void dropCacheIfForeign();
  bool diagnosticMode() const;
  Task<void> runSync(bool force);
  Task<bool> checkAccount();
  Task<SystemCalendar> ensureCalendar(std::string title, CalendarItems::Rgb color, CalendarEntityType type);
  Task<std::optional<std::string>> bestSource(CalendarEntityType type);
  Task<std::vector<ReminderItem>> fetchReminders(std::string listID);
  Task<void> writeBackOnce();
  std::vector<std::string> ownCalendars() const;
  void setOwnCalendars(const std::vector<std::string>& ids);
  CalendarItems::SettledIDs loadSettled() const;
  void storeSettled(const CalendarItems::SettledIDs& s, const std::vector<ReminderItem>& reminders);

  UserDefaults& defaults_;
  std::weak_ptr<BrowserModel> browser_;
  CalendarStoreOptions storeOptions_;
  std::unique_ptr<SystemCalendarStore> store_;
  bool storeOpening_ = false;
  std::vector<std::function<void()>> storeWaiters_;

  // The feed cache belongs to the account that found it.
  std::optional<std::string> cachedURL_;
  std::optional<std::string> cachedETag_;
  std::string cacheAccount_;
  bool didInitialSync_ = false;
  Timing timing_;
  SourceId timer_;
  SourceId initialSync_;
  SourceId debounce_;
  ScopedConnection storeObserver_;
  bool observing_ = false;
  bool writeBackRunning_ = false;
  bool writeBackAgain_ = false;
  std::vector<std::function<void()>> writeBackWaiters_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quorvel
