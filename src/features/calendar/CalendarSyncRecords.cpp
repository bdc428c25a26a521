#include "features/calendar/CalendarSyncRecords.h"

#include <algorithm>
#include <atomic>

#include "base/AppError.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "features/calendar/CalendarSyncConfig.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/StoreThread.h"
#include "platform/calendar/SyncRecordDb.h"

namespace quorvel {

namespace {
constexpr const char* kEventMapKey = "apple.cal.eventMap.v1";
constexpr const char* kEventHashKey = "apple.cal.eventHash.v1";
constexpr const char* kReminderMapKey = "apple.cal.reminderMap.v1";
constexpr const char* kWrittenBackKey = "apple.cal.writtenBack.v1";
constexpr const char* kOwnCalendarsKey = "apple.cal.ownCalendars.v1";

using StringMap = CalendarSyncRecords::StringMap;

// From the records' thread: the line is written on the main thread, in order.
void logLater(const std::string& message, LogLevel level = LogLevel::info) {
  postToMain([message, level] { logLine(tags::kCal, message, level); });
}

StringMap readMap(const nlohmann::json& v) {
  StringMap out;
  if (!v.is_object()) return out;
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (!it.value().is_string()) return {};
    out[it.key()] = it.value().get<std::string>();
  }
  return out;
}

// The records an older client kept in the settings file, over `base`; false when the
// file holds none of them.
bool readSettings(const UserDefaults& d, SyncRecordSet& base) {
  bool any = false;
  if (auto v = d.object(kEventMapKey)) any = true, base.eventIDs = readMap(*v);
  if (auto v = d.object(kEventHashKey)) any = true, base.fingerprints = readMap(*v);
  if (auto v = d.object(kOwnCalendarsKey)) {
    any = true;
    base.ownCalendars.clear();
    if (v->is_array())
      for (const auto& x : *v)
        if (x.is_string()) base.ownCalendars.push_back(x.get<std::string>());
  }
  if (auto v = d.object(kWrittenBackKey)) {
    any = true;
    base.settled.clear();
    if (v->is_array())
      for (const auto& x : *v)
        if (x.is_number_integer()) base.settled.push_back(x.get<std::int64_t>());
  }
  if (auto v = d.object(kReminderMapKey)) any = true, base.legacyReminderMap = v->dump();
  if (auto v = d.object(CalendarSyncState::kLastAccountKey)) {
    any = true;
    if (v->is_string()) base.lastAccount = v->get<std::string>();
  }
  return any;
}
}  // namespace

struct CalendarSyncRecords::State {
  std::shared_ptr<const StringMap> ids = std::make_shared<StringMap>();
  std::shared_ptr<const StringMap> fingerprints = std::make_shared<StringMap>();
  std::vector<std::string> ownCalendars;
  CalendarItems::SettledIDs settled;
  std::string lastAccount;
  std::string legacyReminderMap;
  std::optional<std::string> failure;  // the store is not in use

  SyncRecordSet snapshot() const {
    return {*ids, *fingerprints, ownCalendars, settled.ids(), lastAccount, legacyReminderMap};
  }
};

// Lives on the records' thread.
struct CalendarSyncRecords::Sink {
  std::unique_ptr<SyncRecordDb> db;
  // A write failed: the next change rewrites everything.
  std::atomic<bool> needsRewrite{false};
};

const std::vector<const char*>& CalendarSyncRecords::settingsKeys() {
  static const std::vector<const char*> keys{kEventMapKey,     kEventHashKey,     kOwnCalendarsKey,
                                             kWrittenBackKey,  kReminderMapKey,   CalendarSyncState::kLastAccountKey};
  return keys;
}

CalendarSyncRecords::CalendarSyncRecords(UserDefaults& defaults)
    : CalendarSyncRecords(defaults, SyncRecordDb::standardFile()) {}

CalendarSyncRecords::CalendarSyncRecords(UserDefaults& defaults, std::filesystem::path storeFile)
    : defaults_(defaults),
      thread_(std::make_unique<StoreThread>("sync-records")),
      sink_(std::make_shared<Sink>()),
      state_(std::make_shared<State>()) {
  auto done = std::make_shared<std::promise<void>>();
  loaded_ = done->get_future().share();
  // Opened, moved and read on the thread: a large record set never stalls the window.
  thread_->post([done, sink = sink_, state = state_, &defaults, file = std::move(storeFile)] {
    auto adopt = [&](const SyncRecordSet& set) {
      state->ids = std::make_shared<StringMap>(set.eventIDs);
      state->fingerprints = std::make_shared<StringMap>(set.fingerprints);
      state->ownCalendars = set.ownCalendars;
      state->settled = CalendarItems::SettledIDs(set.settled);
      state->lastAccount = set.lastAccount;
      state->legacyReminderMap = set.legacyReminderMap;
    };
    auto fallBack = [&](const std::string& why) {
      SyncRecordSet kept;
      readSettings(defaults, kept);
      adopt(kept);
      state->failure = why;
      sink->db.reset();
      logLater(why + "；同步记录仍保存在设置文件中", LogLevel::error);
    };
    try {
      sink->db = std::make_unique<SyncRecordDb>(file);
    } catch (const AppError& e) {
      fallBack(e.message);
      done->set_value();
      return;
    }
    try {
      SyncRecordSet set = sink->db->load();
      if (readSettings(defaults, set)) {
        sink->db->replaceAll(set);
        // Only once they are stored do the records leave the settings file.
        for (const char* key : settingsKeys()) defaults.remove(key);
        logLater("同步记录已从设置文件移入 " + file.string() + "（" + std::to_string(set.eventIDs.size()) + " 个日程）");
      }
      adopt(set);
    } catch (const AppError& e) {
      fallBack(e.message);
    }
    done->set_value();
  });
}

CalendarSyncRecords::~CalendarSyncRecords() {
  // The thread runs what is queued before it stops.
  thread_.reset();
}

CalendarSyncRecords::State& CalendarSyncRecords::ready() const {
  if (!waited_) {
    loaded_.wait();
    waited_ = true;
  }
  return *state_;
}

void CalendarSyncRecords::flush() {
  ready();
  std::promise<void> done;
  auto finished = done.get_future();
  thread_->post([&done] { done.set_value(); });
  finished.wait();
}

std::optional<std::string> CalendarSyncRecords::storeFailure() const { return ready().failure; }

void CalendarSyncRecords::writeSettings() const {
  const State& s = *state_;
  defaults_.set(kEventMapKey, nlohmann::json(*s.ids));
  defaults_.set(kEventHashKey, nlohmann::json(*s.fingerprints));
  defaults_.set(kOwnCalendarsKey, nlohmann::json(s.ownCalendars));
  defaults_.set(kWrittenBackKey, nlohmann::json(s.settled.ids()));
  if (!s.lastAccount.empty()) defaults_.set(CalendarSyncState::kLastAccountKey, s.lastAccount);
  if (s.legacyReminderMap.empty()) defaults_.remove(kReminderMapKey);
}

void CalendarSyncRecords::write(std::function<void(Sink&)> job) {
  State& s = ready();
  if (s.failure) {
    writeSettings();
    return;
  }
  if (sink_->needsRewrite.exchange(false)) {
    job = [set = s.snapshot()](Sink& sink) { sink.db->replaceAll(set); };
  }
  thread_->post([sink = sink_, job = std::move(job)] {
    try {
      job(*sink);
    } catch (const AppError& e) {
      sink->needsRewrite = true;
      logLater("同步记录写入失败：" + e.message + "（下次变更时重写）", LogLevel::error);
    }
  });
}

const StringMap& CalendarSyncRecords::eventIDs() const { return *ready().ids; }

const StringMap& CalendarSyncRecords::eventFingerprints() const { return *ready().fingerprints; }

std::shared_ptr<const StringMap> CalendarSyncRecords::heldEventIDs() const { return ready().ids; }

std::shared_ptr<const StringMap> CalendarSyncRecords::heldEventFingerprints() const { return ready().fingerprints; }

void CalendarSyncRecords::storeEvents(StringMap ids, StringMap fingerprints) {
  State& s = ready();
  auto beforeIDs = s.ids, beforeFps = s.fingerprints;
  auto afterIDs = std::make_shared<const StringMap>(std::move(ids));
  auto afterFps = std::make_shared<const StringMap>(std::move(fingerprints));
  s.ids = afterIDs;
  s.fingerprints = afterFps;
  // Compared and written on the thread: only what changed is written.
  write([beforeIDs, beforeFps, afterIDs, afterFps](Sink& sink) {
    std::vector<SyncRecordDb::EventRow> upserts;
    std::vector<std::string> removals;
    eventChanges(*beforeIDs, *beforeFps, *afterIDs, *afterFps, upserts, removals);
    sink.db->writeEvents(upserts, removals);
  });
}

const std::vector<std::string>& CalendarSyncRecords::ownCalendars() const { return ready().ownCalendars; }

void CalendarSyncRecords::setOwnCalendars(const std::vector<std::string>& ids) {
  ready().ownCalendars = ids;
  write([ids](Sink& sink) { sink.db->setOwnCalendars(ids); });
}

bool CalendarSyncRecords::owns(const SystemCalendar& calendar, CalendarBackend backend) const {
  if (backend == CalendarBackend::sqlite) return true;
  const auto& own = ownCalendars();
  return std::find(own.begin(), own.end(), calendar.id) != own.end();
}

CalendarItems::SettledIDs CalendarSyncRecords::settledIDs() const { return ready().settled; }

void CalendarSyncRecords::storeSettled(const CalendarItems::SettledIDs& settled,
                                       const std::vector<ReminderItem>& reminders) {
  std::vector<std::int64_t> completed;
  for (const auto& r : reminders)
    if (r.completed)
      if (auto id = CalendarItems::extractLogID(r.notes)) completed.push_back(*id);
  auto kept = settled.trimmed(completed);
  ready().settled = CalendarItems::SettledIDs(kept);
  write([kept = std::move(kept)](Sink& sink) { sink.db->setSettled(kept); });
}

std::string CalendarSyncRecords::lastSyncedAccount() const { return ready().lastAccount; }

void CalendarSyncRecords::rememberSyncedAccount(const std::string& key) {
  if (!CalendarSyncState::isAccount(key)) return;
  State& s = ready();
  if (s.lastAccount == key && !s.failure) return;
  s.lastAccount = key;
  write([key](Sink& sink) { sink.db->setLastAccount(key); });
}

void CalendarSyncRecords::forgetWrittenItems() {
  State& s = ready();
  s.ids = std::make_shared<StringMap>();
  s.fingerprints = std::make_shared<StringMap>();
  s.settled = {};
  s.legacyReminderMap.clear();
  if (s.failure) {
    for (const char* key : {kEventMapKey, kEventHashKey, kReminderMapKey, kWrittenBackKey}) defaults_.remove(key);
    return;
  }
  write([](Sink& sink) {
    sink.db->replaceEvents({}, {});
    sink.db->setSettled({});
    sink.db->setLegacyReminderMap("");
  });
}

}  // namespace quorvel
