#include "features/calendar/AppleCalendarSync.h"

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "base/WorkerPool.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "core/ServiceReads.h"
#include "features/calendar/CalendarFeedSource.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/CalendarStoreSlot.h"
#include "features/calendar/CalendarSyncRecords.h"
#include "features/calendar/CalendarWriter.h"
#include "features/calendar/ICSParser.h"
#include "features/calendar/ReminderWriteBack.h"

namespace quorvel {

AppleCalendarSync::AppleCalendarSync(UserDefaults& defaults, BrowserModel& browser, CalendarStoreSlot& store,
                                     CalendarSyncRecords& records, CalendarFeedSource& feed, CalendarWriter& writer,
                                     ReminderWriteBack& writeBack)
    : config(Config::load(defaults)),
      writeBackCount(writeBack.writeBackCount),
      storeDescription(store.description),
      defaults_(defaults),
      browser_(browser),
      slot_(store),
      records_(records),
      feed_(feed),
      writer_(writer),
      writeBack_(writeBack) {
  statusText.set(CalendarSyncState::initialStatus(config->enabled));
  wroteBack_ = writeBack.signalWroteBack().connect([this](std::size_t count) {
    statusText.set("已回写 " + std::to_string(count) + " 条提醒事项完成状态");
  });
}

AppleCalendarSync::~AppleCalendarSync() = default;

void AppleCalendarSync::updateConfig(const Config& c) {
  config.set(c);
  c.save(defaults_);
}

void AppleCalendarSync::showTransientState(const Config& c, const std::string& status) {
  config.set(c);
  statusText.set(status);
}

bool AppleCalendarSync::diagnosticMode() const { return browser_.mode() == AppMode::diagnostic; }

Task<bool> AppleCalendarSync::requestPermissions() { return scope_.bind(requestPermissionsImpl()); }

Task<bool> AppleCalendarSync::requestPermissionsImpl() {
  auto ensuring = slot_.ensureStore();
  SystemCalendarStore* s = co_await ensuring;
  bool calendar = false, reminders = true;
  if (s) {
    auto asking = s->requestAccess(CalendarEntityType::event);
    calendar = co_await asking;
    if (config->syncReminders) {
      auto askingReminders = s->requestAccess(CalendarEntityType::reminder);
      reminders = co_await askingReminders;
    }
  } else {
    reminders = !config->syncReminders;
  }
  logLine(tags::kCal, "权限结果 calendar=" + std::to_string(calendar ? 1 : 0) +
                          " reminders=" + std::to_string(reminders ? 1 : 0));
  co_return calendar;
}

void AppleCalendarSync::updateTimestamp(const std::string& note) {
  auto s = CalendarSyncState::stamp(note, browser_.clock().now());
  lastSyncedAt.set(s.time);
  statusText.set(s.status);
}

// ---- Starting runs -------------------------------------------------------------------

void AppleCalendarSync::startIfEnabled() {
  if (diagnosticMode()) return;
  // Automated runs of the client open no system store of their own.
  if (browser_.mode() == AppMode::test) return;
  // The store is opened at start so the backend in use is known (and logged) early.
  // The slot's own opening: it finishes for whoever waits on the slot.
  spawn(slot_.ensureStore());
  if (!config->enabled) return;
  startObservingStore();
  scheduleTimer();
  initialSync_ = SourceId(postToMainAfter(timing_.initialSyncMs, [this] {
    initialSync_.forget();
    if (didInitialSync_) return;
    didInitialSync_ = true;
    scope_.spawn(syncNow(false));
  }));
}

void AppleCalendarSync::syncAfterPageLoadedIfNeeded() {
  if (diagnosticMode() || !config->enabled || didInitialSync_ || isSyncing.get()) return;
  didInitialSync_ = true;
  scope_.spawn(syncNow(false));
}

void AppleCalendarSync::scheduleTimer() {
  timer_.reset();
  unsigned ms = static_cast<unsigned>(config->timerSeconds() / 60) * timing_.timerMsPerMinute;
  timer_ = SourceId(startRepeatingTimer(ms, [this] {
    scope_.spawn(syncNow(false));
    return true;
  }));
}

void AppleCalendarSync::startObservingStore() {
  if (observing_) return;
  observing_ = true;
  scope_.spawn([](AppleCalendarSync* self) -> Task<void> {
    auto opening = self->slot_.ensureStore();
    SystemCalendarStore* s = co_await opening;
    if (!s || !self->observing_) co_return;
    self->storeObserver_ = ScopedConnection(s->changed().connect([self] { self->scheduleWriteBackCheck(); }));
  }(this));
}

void AppleCalendarSync::scheduleWriteBackCheck() {
  if (!config->enabled || !config->syncReminders || !config->twoWayWriteBack || isSyncing.get()) return;
  debounce_ = SourceId(postToMainAfter(timing_.writeBackDebounceMs, [this] {
    debounce_.forget();
    spawn(writeBack_.checkCompletedRemindersAndWriteBack());
  }));
}

void AppleCalendarSync::setEnabled(bool on) {
  auto c = config.get();
  c.enabled = on;
  updateConfig(c);
  if (!on) {
    timer_.reset();
    storeObserver_ = ScopedConnection();
    observing_ = false;
    statusText.set("已暂停自动同步（已写入的日历事件仍保留）");
    return;
  }
  scope_.spawn([](AppleCalendarSync* self) -> Task<void> {
    auto asking = self->requestPermissions();
    bool granted = co_await asking;
    if (!granted) {
      auto off = self->config.get();
      off.enabled = false;
      self->updateConfig(off);
      self->statusText.set("未获得日历/提醒事项权限：本机日历服务没有响应，请确认日历服务可用后再开启");
      co_return;
    }
    self->startObservingStore();
    self->scheduleTimer();
    auto running = self->syncNow(true);
    co_await running;
  }(this));
}

// ---- One run ----------------------------------------------------------------------

Task<void> AppleCalendarSync::syncNow(bool force) { return scope_.bind(syncNowImpl(force)); }

Task<void> AppleCalendarSync::syncNowImpl(bool force) {
  if (diagnosticMode() || isSyncing.get()) co_return;
  if (!config->enabled && !force) co_return;
  // Busy before the permission answer: a second run meanwhile is dropped.
  isSyncing.set(true);
  try {
    auto running = runSync(force);
    co_await running;
  } catch (...) {
    std::string what = describe(std::current_exception());
    statusText.set("同步暂停：" + what);
    logLine(tags::kCal, "同步失败：" + what);
  }
  isSyncing.set(false);
}

Task<bool> AppleCalendarSync::checkAccount() {
  // Before anything of the old account is written back or fetched: after a change of
  // signed-in account its items go first.
  std::string key = feed_.currentAccountKey();
  if (!CalendarSyncState::isAccount(key)) co_return false;
  std::string last = records_.lastSyncedAccount();
  if (!last.empty() && last != key) {
    logLine(tags::kCal, "检测到账号切换（" + last + " → " + key + "），自动清理旧日历事件");
    auto clearing = clearAllSyncedData(true);
    co_await clearing;
  }
  records_.rememberSyncedAccount(key);
  co_return true;
}

Task<void> AppleCalendarSync::runSync(bool force) {
  if (force) {
    auto asking = requestPermissions();
    bool granted = co_await asking;
    if (!granted) {
      statusText.set("缺少本机日历写入权限：本机日历服务没有响应，请稍后重试");
      co_return;
    }
  }
  auto checking = checkAccount();
  co_await checking;

  if (config->syncReminders && config->twoWayWriteBack) {
    auto writingBack = writeBack_.checkCompletedRemindersAndWriteBack();
    co_await writingBack;
  }

  auto fetching = feed_.fetchForSync(force);
  CalendarFeedSource::SyncReply reply = co_await fetching;
  if (reply.notModified) {
    updateTimestamp("已是最新（无变更）");
    co_return;
  }

  // Parsed, prepared and fingerprinted on the worker pool: a feed of a busy firm's
  // year takes seconds of work.
  struct Parsed {
    int raw = 0;
    CalendarWriter::PreparedItems items;
    std::vector<ICSEvent> reminders;
    int digests = 0;
  };
  const Config settings = config.get();
  auto parsing = onWorker(browser_.reads().workers(), [body = std::move(reply.body), settings] {
    Parsed p;
    auto events = ICSParser::parse(body);
    p.raw = static_cast<int>(events.size());
    p.items = CalendarWriter::prepareItems(CalendarItems::prepare(events, settings, &p.digests));
    if (settings.syncReminders) p.reminders = CalendarWriter::wantedReminders(events);
    return p;
  });
  Parsed parsed = co_await parsing;
  const int digests = parsed.digests;
  const int raw = parsed.raw;
  WorkerPool* pool = &browser_.reads().workers();
  auto applying = writer_.applyPrepared(std::move(parsed.items), pool);
  int written = co_await applying;
  syncedEventsCount.set(written);
  feed_.keepETag(reply);

  int reminders = 0;
  // Only with the reminders worked out above: an empty list would complete every reminder.
  if (settings.syncReminders && config->syncReminders) {
    auto applyingReminders = writer_.applyReminders(std::move(parsed.reminders), pool);
    reminders = co_await applyingReminders;
  }
  syncedRemindersCount.set(reminders);

  std::string foldNote = (config->foldBusyDeadlines && !config->hearingsOnlyInCalendar && digests > 0) ? "（已智能折叠）" : "";
  updateTimestamp("日历 " + std::to_string(written) + " 条" + foldNote + " · 提醒 " + std::to_string(reminders) + " 条");
  browser_.audit().record("apple-calendar-sync", "-", {{"events", written}, {"raw_events", raw}, {"reminders", reminders}});
  logLine(tags::kCal, "同步完成：日历 " + std::to_string(written) + " 条（原始 " + std::to_string(raw) + " 条），提醒 " +
                          std::to_string(reminders) + " 条");
}

// ---- Clean-up -----------------------------------------------------------------------

Task<void> AppleCalendarSync::clearAllSyncedData(bool silent) { return scope_.bind(clearAllSyncedDataImpl(silent)); }

Task<void> AppleCalendarSync::clearAllSyncedDataImpl(bool silent) {
  auto clearing = writer_.clearAllSyncedData();
  int count = co_await clearing;
  feed_.dropETag();
  syncedEventsCount.set(0);
  syncedRemindersCount.set(0);
  if (!silent) statusText.set("已清空全部墨衡台同步日历与提醒（共移除 " + std::to_string(count) + " 个专属日历）");
  browser_.audit().record("apple-calendar-cleared", "-", {{"calendars", count}});
  logLine(tags::kCal, "已清空同步数据（移除 " + std::to_string(count) + " 个专属日历）");
}

}  // namespace quorvel
