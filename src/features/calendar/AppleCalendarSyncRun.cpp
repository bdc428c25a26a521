// The sync run of AppleCalendarSync and what it writes: the calendar items, the
// reminders with their completion write-back, clearing, the timers and the switch.
#include <algorithm>
#include <ctime>
#include <map>
#include <set>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "features/calendar/FeedLinks.h"
#include "features/calendar/ICSParser.h"
#include "features/calendar/AppleCalendarSync.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"

namespace quorvel {

namespace {
constexpr const char* kEventMapKey = "apple.cal.eventMap.v1";
constexpr const char* kEventHashKey = "apple.cal.eventHash.v1";
constexpr const char* kReminderMapKey = "apple.cal.reminderMap.v1";
constexpr const char* kWrittenBackKey = "apple.cal.writtenBack.v1";
// The calendars the sync created: clearing removes these and no calendar of the user.
constexpr const char* kOwnCalendarsKey = "apple.cal.ownCalendars.v1";

using StringMap = std::map<std::string, std::string>;

StringMap readMap(const UserDefaults& d, const char* key) {
  StringMap out;
  auto v = d.object(key);
  if (!v || !v->is_object()) return out;
  for (auto it = v->begin(); it != v->end(); ++it) {
    if (!it.value().is_string()) return {};
    out[it.key()] = it.value().get<std::string>();
  }
  return out;
}

std::string lowerAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

DueDay dueDayOf(std::chrono::system_clock::time_point at) {
  std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

std::string describe(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const AppError& a) {
    return a.message;
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "未知错误";
  }
}
}  // namespace

// ---- Starting runs -------------------------------------------------------------------

void AppleCalendarSync::startIfEnabled() {
  if (diagnosticMode()) return;
  // Automated runs of the client open no system store of their own.
  if (auto b = browser_.lock(); b && b->mode() == AppMode::test) return;
  std::weak_ptr<bool> alive = alive_;
  // The store is opened at start so the backend in use is known (and logged) early.
  spawn([](AppleCalendarSync* self, std::weak_ptr<bool> alive) -> Task<void> {
    auto opening = self->ensureStore();
    co_await opening;
    (void)alive;
  }(this, alive));
  if (!config->enabled) return;
  startObservingStore();
  scheduleTimer();
  initialSync_ = SourceId(postToMainAfter(timing_.initialSyncMs, [this] {
    initialSync_.forget();
    if (didInitialSync_) return;
    didInitialSync_ = true;
    spawn(syncNow(false));
  }));
}

void AppleCalendarSync::syncAfterPageLoadedIfNeeded() {
  if (diagnosticMode() || !config->enabled || didInitialSync_ || isSyncing.get()) return;
  didInitialSync_ = true;
  spawn(syncNow(false));
}

void AppleCalendarSync::scheduleTimer() {
  timer_.reset();
  unsigned ms = static_cast<unsigned>(config->timerSeconds() / 60) * timing_.timerMsPerMinute;
  timer_ = SourceId(startRepeatingTimer(ms, [this] {
    spawn(syncNow(false));
    return true;
  }));
}

void AppleCalendarSync::startObservingStore() {
  if (observing_) return;
  observing_ = true;
  std::weak_ptr<bool> alive = alive_;
  spawn([](AppleCalendarSync* self, std::weak_ptr<bool> alive) -> Task<void> {
    auto opening = self->ensureStore();
    SystemCalendarStore* s = co_await opening;
    if (!alive.lock() || !s || !self->observing_) co_return;
    self->storeObserver_ = ScopedConnection(s->changed().connect([self] { self->scheduleWriteBackCheck(); }));
  }(this, alive));
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
  std::weak_ptr<bool> alive = alive_;
  spawn([](AppleCalendarSync* self, std::weak_ptr<bool> alive) -> Task<void> {
    auto asking = self->requestPermissions();
    bool granted = co_await asking;
    if (!alive.lock()) co_return;
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
  }(this, alive));
}

// ---- One run ----------------------------------------------------------------------

Task<void> AppleCalendarSync::syncNow(bool force) {
  if (diagnosticMode() || isSyncing.get()) co_return;
  if (!config->enabled && !force) co_return;
  // Busy before the permission answer: a second run meanwhile is dropped.
  isSyncing.set(true);
  std::weak_ptr<bool> alive = alive_;
  try {
    auto running = runSync(force);
    co_await running;
  } catch (...) {
    if (alive.lock()) {
      std::string what = describe(std::current_exception());
      statusText.set("同步暂停：" + what);
      logLine(tags::kCal, "同步失败：" + what);
    }
  }
  if (alive.lock()) isSyncing.set(false);
}

Task<bool> AppleCalendarSync::checkAccount() {
  // Before anything of the old account is written back or fetched: after a change of
  // signed-in account its items go first.
  std::string key = currentAccountKey();
  if (!CalendarSyncState::isAccount(key)) co_return false;
  std::string last = lastSyncedAccount();
  if (!last.empty() && last != key) {
    logLine(tags::kCal, "检测到账号切换（" + last + " → " + key + "），自动清理旧日历事件");
    auto clearing = clearAllSyncedData(true);
    co_await clearing;
  }
  rememberSyncedAccount(key);
  co_return true;
}

Task<void> AppleCalendarSync::runSync(bool force) {
  std::weak_ptr<bool> alive = alive_;
  if (force) {
    auto asking = requestPermissions();
    bool granted = co_await asking;
    if (!alive.lock()) co_return;
    if (!granted) {
      statusText.set("缺少本机日历写入权限：本机日历服务没有响应，请稍后重试");
      co_return;
    }
  }
  auto checking = checkAccount();
  co_await checking;
  if (!alive.lock()) co_return;

  if (config->syncReminders && config->twoWayWriteBack) {
    auto writingBack = checkCompletedRemindersAndWriteBack();
    co_await writingBack;
    if (!alive.lock()) co_return;
  }

  std::optional<std::string> address = force ? std::nullopt : cachedAllICSURL();
  if (!address) {
    std::string account = currentAccountKey();
    auto discovering = discoverAllICSURL();
    std::string found = co_await discovering;
    if (!alive.lock()) co_return;
    if (!CalendarSyncState::isAccountChange(account, currentAccountKey())) cacheAllICSURL(found);
    address = found;
  }
  http::HttpRequest request;
  request.url = *address;
  request.headers.emplace_back("User-Agent", AppConfig::userAgent());
  if (!force)
    if (auto tag = cachedETag()) request.headers.emplace_back("If-None-Match", *tag);
  request.timeoutSeconds = 25;
  auto sending = http::send(std::move(request));
  http::HttpResponse reply = co_await sending;
  if (!alive.lock()) co_return;
  if (reply.status == 304) {
    updateTimestamp("已是最新（无变更）");
    co_return;
  }
  if (auto code = FeedLinks::feedReplyFailure(reply.status, reply.body)) {
    if (cachedURL_ == address) forgetFeedCache();
    throw AppError(errors::kAppleCal, *code, "拉取日历流失败（HTTP " + std::to_string(*code) + "，请确认已登录）");
  }
  // The new tag is kept only once the calendars hold this feed; until then a failure
  // must not turn the next run into "no change".
  std::string newTag = reply.header("ETag");
  cachedETag_.reset();

  auto events = ICSParser::parse(reply.body);
  int digests = 0;
  auto items = CalendarItems::prepare(events, config.get(), &digests);
  auto applying = applyEventsToCalendar(items);
  int written = co_await applying;
  if (!alive.lock()) co_return;
  syncedEventsCount.set(written);
  if (!newTag.empty() && cachedURL_ == address) cacheETag(newTag);

  int reminders = 0;
  if (config->syncReminders) {
    auto applyingReminders = applyEventsToReminders(events);
    reminders = co_await applyingReminders;
    if (!alive.lock()) co_return;
  }
  syncedRemindersCount.set(reminders);

  std::string foldNote = (config->foldBusyDeadlines && !config->hearingsOnlyInCalendar && digests > 0) ? "（已智能折叠）" : "";
  updateTimestamp("日历 " + std::to_string(written) + " 条" + foldNote + " · 提醒 " + std::to_string(reminders) + " 条");
  int raw = static_cast<int>(events.size());
  AuditLog::write("apple-calendar-sync", "-", {{"events", written}, {"raw_events", raw}, {"reminders", reminders}});
  logLine(tags::kCal, "同步完成：日历 " + std::to_string(written) + " 条（原始 " + std::to_string(raw) + " 条），提醒 " +
                          std::to_string(reminders) + " 条");
}

std::vector<ICSEvent> AppleCalendarSync::prepareCalendarItems(const std::vector<ICSEvent>& events, const Config& c) {
  return CalendarItems::prepare(events, c);
}

// ---- Dedicated calendars ------------------------------------------------------------

std::vector<std::string> AppleCalendarSync::ownCalendars() const {
  std::vector<std::string> out;
  auto v = defaults_.object(kOwnCalendarsKey);
  if (!v || !v->is_array()) return out;
  for (const auto& x : *v)
    if (x.is_string()) out.push_back(x.get<std::string>());
  return out;
}

void AppleCalendarSync::setOwnCalendars(const std::vector<std::string>& ids) {
  defaults_.set(kOwnCalendarsKey, nlohmann::json(ids));
}

Task<std::optional<std::string>> AppleCalendarSync::bestSource(CalendarEntityType type) {
  auto listing = store_->sources();
  auto sources = co_await listing;
  for (const auto& s : sources)
    if (s.type == CalendarSourceType::calDAV && lowerAscii(s.title).find("icloud") != std::string::npos) co_return s.id;
  for (const auto& s : sources)
    if (s.type == CalendarSourceType::calDAV) co_return s.id;
  for (const auto& s : sources)
    if (s.type == CalendarSourceType::local) co_return s.id;
  auto asking = store_->defaultSourceID(type);
  co_return co_await asking;
}

Task<SystemCalendar> AppleCalendarSync::ensureCalendar(std::string title, CalendarItems::Rgb color,
                                                       CalendarEntityType type) {
  auto opening = ensureStore();
  SystemCalendarStore* s = co_await opening;
  if (!s) throw AppError(errors::kAppleCal, errors::kNoWritableCalendar, "系统中没有可写入的日历账户");
  auto listing = s->calendars(type);
  auto calendars = co_await listing;
  auto own = ownCalendars();
  // In our own store every calendar is the sync's; elsewhere a calendar of the user
  // with the same title is left alone.
  bool allOurs = s->backend() == CalendarBackend::sqlite;
  for (const auto& c : calendars) {
    if (c.title != title || !c.writable) continue;
    bool ours = std::find(own.begin(), own.end(), c.id) != own.end();
    if (!ours && !allOurs) continue;
    if (!ours) {
      own.push_back(c.id);
      setOwnCalendars(own);
    }
    co_return c;
  }
  auto choosing = bestSource(type);
  auto source = co_await choosing;
  if (!source) throw AppError(errors::kAppleCal, errors::kNoWritableCalendar, "系统中没有可写入的日历账户");
  // Named: the store's coroutine keeps references to its arguments.
  const std::string hex = colorHex(color.red, color.green, color.blue);
  const std::string sourceID = *source;
  auto creating = s->createCalendar(title, hex, type, sourceID);
  SystemCalendar made = co_await creating;
  own = ownCalendars();
  own.push_back(made.id);
  setOwnCalendars(own);
  std::string sourceTitle = *source;
  auto listingSources = s->sources();
  auto sources = co_await listingSources;
  for (const auto& src : sources)
    if (src.id == *source) sourceTitle = src.title;
  logLine(tags::kCal, "创建专属日历「" + title + "」（源：" + sourceTitle + "）");
  co_return made;
}

Task<int> AppleCalendarSync::applyEventsToCalendar(std::vector<ICSEvent> items) {
  namespace CI = CalendarItems;
  std::map<std::string, std::string> calendarOf;
  for (auto [title, color] : {std::pair{CI::kHearingCalendar, CI::hearingColor()},
                              std::pair{CI::kDeadlineCalendar, CI::deadlineColor()},
                              std::pair{CI::kOverdueCalendar, CI::overdueColor()}}) {
    auto ensuring = ensureCalendar(title, color, CalendarEntityType::event);
    calendarOf[title] = (co_await ensuring).id;
  }
  SystemCalendarStore* s = store_.get();
  StringMap eventMap = readMap(defaults_, kEventMapKey);
  StringMap hashMap = readMap(defaults_, kEventHashKey);
  StringMap newEvents = eventMap, newHashes = hashMap;
  try {
    // What the dedicated calendars hold now (one read per calendar).
    std::set<std::string> present;
    for (const auto& [title, id] : calendarOf) {
      auto reading = s->events(id);
      auto held = co_await reading;
      for (const auto& e : held) present.insert(e.id);
    }
    auto exists = [&](const std::string& id) -> Task<bool> {
      if (present.count(id)) co_return true;
      auto finding = s->event(id);
      co_return (co_await finding).has_value();
    };
    std::set<std::string> seen;
    bool changed = false;
    for (const auto& item : CI::lastPerUID(items)) {
      seen.insert(item.uid);
      std::string fingerprint = item.contentFingerprint();
      auto mapped = eventMap.find(item.uid);
      bool found = false;
      if (mapped != eventMap.end()) {
        auto looking = exists(mapped->second);
        found = co_await looking;
      }
      auto hash = hashMap.find(item.uid);
      if (found && hash != hashMap.end() && hash->second == fingerprint) continue;

      CalendarEventItem e;
      if (found) e.id = mapped->second;
      e.calendarId = calendarOf[CI::calendarTitleFor(item.kind())];
      e.title = item.summary;
      e.allDay = item.isAllDay;
      e.start = item.startDate;
      e.end = item.endDate;
      e.location = item.location;  // an empty feed location clears the old one
      e.url = item.deepLinkURL();
      e.notes = CI::eventNotes(item);
      e.alarmOffsets = item.alarmOffsets;
      std::string id = s->saveEvent(e);  // the store always names a saved event
      newEvents[item.uid] = id;
      newHashes[item.uid] = fingerprint;
      changed = true;
    }
    for (const auto& [uid, id] : eventMap) {
      if (seen.count(uid)) continue;
      auto looking = exists(id);
      bool stillThere = co_await looking;
      if (stillThere) {
        s->removeEvent(id);
        changed = true;
      }
      newEvents.erase(uid);
      newHashes.erase(uid);
    }
    if (changed) {
      auto committing = s->commit();
      co_await committing;
    }
  } catch (...) {
    // Nothing of a failed apply may reach the store with a later commit.
    s->reset();
    throw;
  }
  defaults_.set(kEventMapKey, nlohmann::json(newEvents));
  defaults_.set(kEventHashKey, nlohmann::json(newHashes));
  co_return static_cast<int>(items.size());
}

Task<void> AppleCalendarSync::clearAllSyncedData(bool silent) {
  namespace CI = CalendarItems;
  std::weak_ptr<bool> alive = alive_;
  auto opening = ensureStore();
  SystemCalendarStore* s = co_await opening;
  if (!alive.lock()) co_return;
  int count = 0;
  auto own = ownCalendars();
  if (s) {
    s->reset();
    bool allOurs = s->backend() == CalendarBackend::sqlite;
    const std::set<std::string> eventTitles{CI::kHearingCalendar, CI::kDeadlineCalendar, CI::kOverdueCalendar};
    for (auto type : {CalendarEntityType::event, CalendarEntityType::reminder}) {
      std::vector<SystemCalendar> calendars;
      try {
        auto listing = s->calendars(type);
        calendars = co_await listing;
      } catch (...) {
      }
      for (const auto& c : calendars) {
        bool titled = type == CalendarEntityType::event ? eventTitles.count(c.title) > 0 : c.title == CI::kReminderList;
        bool ours = allOurs || std::find(own.begin(), own.end(), c.id) != own.end();
        if (!titled || !ours) continue;
        try {
          auto removing = s->removeCalendar(c.id);
          co_await removing;
          ++count;
          std::erase(own, c.id);
        } catch (...) {
        }
      }
    }
  }
  if (!alive.lock()) co_return;
  setOwnCalendars(own);
  for (const char* key : {kEventMapKey, kEventHashKey, kReminderMapKey, kWrittenBackKey}) defaults_.remove(key);
  cachedETag_.reset();
  syncedEventsCount.set(0);
  syncedRemindersCount.set(0);
  if (!silent) statusText.set("已清空全部墨衡台同步日历与提醒（共移除 " + std::to_string(count) + " 个专属日历）");
  AuditLog::write("apple-calendar-cleared", "-", {{"calendars", count}});
  logLine(tags::kCal, "已清空同步数据（移除 " + std::to_string(count) + " 个专属日历）");
}

// ---- Reminders and write-back -------------------------------------------------------

CalendarItems::SettledIDs AppleCalendarSync::loadSettled() const {
  std::vector<std::int64_t> ids;
  auto v = defaults_.object(kWrittenBackKey);
  if (v && v->is_array())
    for (const auto& x : *v)
      if (x.is_number_integer()) ids.push_back(x.get<std::int64_t>());
  return CalendarItems::SettledIDs(std::move(ids));
}

void AppleCalendarSync::storeSettled(const CalendarItems::SettledIDs& settled, const std::vector<ReminderItem>& reminders) {
  std::vector<std::int64_t> completed;
  for (const auto& r : reminders)
    if (r.completed)
      if (auto id = CalendarItems::extractLogID(r.notes)) completed.push_back(*id);
  defaults_.set(kWrittenBackKey, nlohmann::json(settled.trimmed(completed)));
}

Task<std::vector<ReminderItem>> AppleCalendarSync::fetchReminders(std::string listID) {
  const std::vector<std::string> lists{listID};  // named: outlives the store's coroutine
  auto reading = store_->reminders(lists);
  co_return co_await reading;
}

Task<int> AppleCalendarSync::applyEventsToReminders(std::vector<ICSEvent> events) {
  namespace CI = CalendarItems;
  std::weak_ptr<bool> alive = alive_;
  SystemCalendar list;
  try {
    auto ensuring = ensureCalendar(CI::kReminderList, CI::reminderColor(), CalendarEntityType::reminder);
    list = co_await ensuring;
  } catch (...) {
    co_return 0;
  }
  if (!alive.lock()) co_return 0;
  std::vector<ICSEvent> wanted;
  for (const auto& e : CI::lastPerUID(events))
    if (CI::wantsReminder(e)) wanted.push_back(e);

  std::vector<ReminderItem> fetched;
  try {
    auto fetching = fetchReminders(list.id);
    fetched = co_await fetching;
  } catch (...) {
    co_return static_cast<int>(wanted.size());
  }
  if (!alive.lock()) co_return 0;
  std::map<std::int64_t, ReminderItem> existing;
  for (const auto& r : fetched)
    if (auto id = CI::extractLogID(r.notes)) existing[*id] = r;

  SystemCalendarStore* s = store_.get();
  auto settled = loadSettled();
  std::set<std::int64_t> inFeed;
  bool changed = false;
  for (const auto& e : wanted) {
    std::int64_t id = *e.logID();
    inFeed.insert(id);
    if (settled.contains(id)) continue;
    auto it = existing.find(id);
    ReminderItem r = it != existing.end() ? it->second : ReminderItem{};
    if (r.completed) continue;
    r.calendarId = list.id;
    r.title = e.summary;
    r.notes = CI::reminderNotes(e, id);
    r.url = e.deepLinkURL();
    r.due = dueDayOf(e.startDate);
    r.priority = e.kind() == ICSEvent::Kind::deadline ? 1 : 5;
    s->saveReminder(r);
    changed = true;
  }
  for (auto& [id, r] : existing) {
    if (inFeed.count(id) || r.completed) continue;
    r.completed = true;
    s->saveReminder(r);
    settled.add(id);
    changed = true;
  }
  if (changed) {
    try {
      auto committing = s->commit();
      co_await committing;
    } catch (...) {
      s->reset();
      logLine(tags::kCal, "提醒事项写入失败：" + describe(std::current_exception()));
    }
  }
  if (!alive.lock()) co_return 0;
  // Ids the client completed itself count as completed reminders still present.
  for (auto& [id, r] : existing)
    if (!inFeed.count(id)) r.completed = true;
  std::vector<ReminderItem> after;
  for (auto& [id, r] : existing) after.push_back(r);
  storeSettled(settled, after);
  co_return static_cast<int>(wanted.size());
}

void AppleCalendarSync::scheduleWriteBackCheck() {
  if (!config->enabled || !config->syncReminders || !config->twoWayWriteBack || isSyncing.get()) return;
  debounce_ = SourceId(postToMainAfter(timing_.writeBackDebounceMs, [this] {
    debounce_.forget();
    spawn(checkCompletedRemindersAndWriteBack());
  }));
}

Task<void> AppleCalendarSync::checkCompletedRemindersAndWriteBack() {
  std::weak_ptr<bool> alive = alive_;
  if (writeBackRunning_) {
    // One check at a time: this request makes one more pass and waits for it.
    writeBackAgain_ = true;
    CallbackAwaiter<bool> waiting([this](CallbackAwaiter<bool>::Resolver resolve) {
      writeBackWaiters_.push_back([resolve] { resolve(true); });
    });
    co_await waiting;
    co_return;
  }
  writeBackRunning_ = true;
  do {
    writeBackAgain_ = false;
    try {
      auto checking = writeBackOnce();
      co_await checking;
    } catch (...) {
      if (alive.lock()) logLine(tags::kCal, "双向回写检查失败：" + describe(std::current_exception()));
    }
  } while (alive.lock() && writeBackAgain_);
  if (!alive.lock()) co_return;
  writeBackRunning_ = false;
  for (auto& wake : std::exchange(writeBackWaiters_, {})) wake();
}

Task<void> AppleCalendarSync::writeBackOnce() {
  namespace CI = CalendarItems;
  std::weak_ptr<bool> alive = alive_;
  // Only the account whose reminders these are may mark them done.
  std::string key = currentAccountKey();
  if (!CalendarSyncState::isAccount(key) || key != lastSyncedAccount()) co_return;
  auto b = browser_.lock();
  if (!b) co_return;
  auto opening = ensureStore();
  SystemCalendarStore* s = co_await opening;
  if (!alive.lock() || !s) co_return;
  auto listing = s->calendars(CalendarEntityType::reminder);
  auto lists = co_await listing;
  if (!alive.lock()) co_return;
  auto own = ownCalendars();
  bool allOurs = s->backend() == CalendarBackend::sqlite;
  std::optional<std::string> listID;
  for (const auto& c : lists)
    if (c.title == CI::kReminderList && (allOurs || std::find(own.begin(), own.end(), c.id) != own.end())) {
      listID = c.id;
      break;
    }
  if (!listID) co_return;
  auto fetching = fetchReminders(*listID);
  auto reminders = co_await fetching;
  if (!alive.lock()) co_return;
  auto settled = loadSettled();
  std::vector<std::int64_t> posted;
  for (const auto& r : reminders) {
    if (!r.completed) continue;
    auto id = CI::extractLogID(r.notes);
    if (!id || settled.contains(*id)) continue;
    auto posting = b->postFormResult("/api/mark_todo_done/" + std::to_string(*id), {});
    auto result = co_await posting;
    if (!alive.lock()) co_return;
    if (!result.ok) continue;
    settled.add(*id);
    posted.push_back(*id);
    writeBackCount.set(writeBackCount.get() + 1);
    AuditLog::write("reminder-writeback-done", "log:" + std::to_string(*id));
    logLine(tags::kCal, "双向回写完成：log_id=" + std::to_string(*id));
  }
  if (posted.empty()) co_return;
  // Merged into what is stored now: a run may have settled ids meanwhile.
  auto current = loadSettled();
  for (auto id : posted) current.add(id);
  storeSettled(current, reminders);
  b->refreshBadges();
  statusText.set("已回写 " + std::to_string(posted.size()) + " 条提醒事项完成状态");
}

}  // namespace quorvel
