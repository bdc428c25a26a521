#include "platform/calendar/SyncRecordDb.h"

#include <sqlite3.h>

#include <set>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "platform/XdgDirs.h"

namespace quorvel {

namespace fs = std::filesystem;

namespace {
using StringMap = SyncRecordSet::StringMap;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS events(uid TEXT PRIMARY KEY, event_id TEXT, fingerprint TEXT);"
    "CREATE TABLE IF NOT EXISTS own_calendars(pos INTEGER PRIMARY KEY, id TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS settled(pos INTEGER PRIMARY KEY, log_id INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);";

std::optional<std::string> lookup(const StringMap& m, const std::string& key) {
  auto it = m.find(key);
  if (it == m.end()) return std::nullopt;
  return it->second;
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  explicit operator bool() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }
  void text(int at, const std::optional<std::string>& v) {
    if (v) sqlite3_bind_text(stmt_, at, v->data(), static_cast<int>(v->size()), SQLITE_TRANSIENT);
    else sqlite3_bind_null(stmt_, at);
  }
  // One execution; false on failure. Resets for the next one.
  bool step() {
    int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    return rc == SQLITE_DONE;
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::string columnText(sqlite3_stmt* s, int at) {
  const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, at));
  return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(s, at))) : std::string();
}
}  // namespace

// Rolled back unless committed.
class SyncRecordDb::Transaction {
 public:
  explicit Transaction(const SyncRecordDb& db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!done_) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void commit() {
    db_.exec("COMMIT");
    done_ = true;
  }

 private:
  const SyncRecordDb& db_;
  bool done_ = false;
};

fs::path SyncRecordDb::standardFile() { return xdg::dataHome() / "Quorvel" / "calendar-sync.sqlite"; }

SyncRecordDb::SyncRecordDb(fs::path file) : file_(std::move(file)) {
  std::error_code ec;
  fs::create_directories(file_.parent_path(), ec);
  if (sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string why = db_ ? sqlite3_errmsg(db_) : "无法打开";
    sqlite3_close(db_);
    db_ = nullptr;
    throw AppError(errors::kFile, -1, "同步记录库无法打开（" + file_.string() + "）：" + why);
  }
  sqlite3_busy_timeout(db_, 3000);
  try {
    // A damaged file fails here: its first read of the schema.
    exec("PRAGMA journal_mode=WAL");
    exec(kSchema);
  } catch (const AppError& e) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw AppError(errors::kFile, -1, "同步记录库无法打开（" + file_.string() + "）：" + e.message);
  }
}

SyncRecordDb::~SyncRecordDb() {
  if (db_) sqlite3_close(db_);
}

void SyncRecordDb::exec(const char* sql) const {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : sqlite3_errmsg(db_);
    sqlite3_free(err);
    throw AppError(errors::kFile, -1, msg);
  }
}

void SyncRecordDb::fail(const std::string& what) const {
  throw AppError(errors::kFile, -1, "同步记录" + what + "失败：" + sqlite3_errmsg(db_));
}

SyncRecordSet SyncRecordDb::load() const {
  SyncRecordSet out;
  Statement events(db_, "SELECT uid, event_id, fingerprint FROM events");
  if (!events) fail("读取");
  for (int rc; (rc = sqlite3_step(events.get())) != SQLITE_DONE;) {
    if (rc != SQLITE_ROW) fail("读取");
    std::string uid = columnText(events.get(), 0);
    if (sqlite3_column_type(events.get(), 1) != SQLITE_NULL) out.eventIDs.emplace(uid, columnText(events.get(), 1));
    if (sqlite3_column_type(events.get(), 2) != SQLITE_NULL)
      out.fingerprints.emplace(uid, columnText(events.get(), 2));
  }
  Statement own(db_, "SELECT id FROM own_calendars ORDER BY pos");
  if (!own) fail("读取");
  while (sqlite3_step(own.get()) == SQLITE_ROW) out.ownCalendars.push_back(columnText(own.get(), 0));
  Statement settled(db_, "SELECT log_id FROM settled ORDER BY pos");
  if (!settled) fail("读取");
  while (sqlite3_step(settled.get()) == SQLITE_ROW) out.settled.push_back(sqlite3_column_int64(settled.get(), 0));
  Statement meta(db_, "SELECT key, value FROM meta");
  if (!meta) fail("读取");
  while (sqlite3_step(meta.get()) == SQLITE_ROW) {
    std::string key = columnText(meta.get(), 0);
    if (key == "lastAccount") out.lastAccount = columnText(meta.get(), 1);
    else if (key == "legacyReminderMap") out.legacyReminderMap = columnText(meta.get(), 1);
  }
  return out;
}

void SyncRecordDb::writeEvents(const std::vector<EventRow>& upserts, const std::vector<std::string>& removals) {
  if (upserts.empty() && removals.empty()) return;
  Transaction t(*this);
  Statement set(db_, "INSERT OR REPLACE INTO events(uid, event_id, fingerprint) VALUES(?1, ?2, ?3)");
  Statement drop(db_, "DELETE FROM events WHERE uid = ?1");
  if (!set || !drop) fail("写入");
  for (const auto& r : upserts) {
    set.text(1, r.uid);
    set.text(2, r.eventID);
    set.text(3, r.fingerprint);
    if (!set.step()) fail("写入");
  }
  for (const auto& uid : removals) {
    drop.text(1, uid);
    if (!drop.step()) fail("写入");
  }
  t.commit();
}

void SyncRecordDb::replaceEvents(const StringMap& ids, const StringMap& fingerprints) {
  Transaction t(*this);
  exec("DELETE FROM events");
  Statement set(db_, "INSERT INTO events(uid, event_id, fingerprint) VALUES(?1, ?2, ?3)");
  if (!set) fail("写入");
  for (const auto& r : eventRows(ids, fingerprints)) {
    set.text(1, r.uid);
    set.text(2, r.eventID);
    set.text(3, r.fingerprint);
    if (!set.step()) fail("写入");
  }
  t.commit();
}

void SyncRecordDb::writeList(const char* table, const std::vector<std::string>& values) {
  exec((std::string("DELETE FROM ") + table).c_str());
  std::string sql = std::string("INSERT INTO ") + table + " VALUES(?1, ?2)";
  Statement add(db_, sql.c_str());
  if (!add) fail("写入");
  for (size_t i = 0; i < values.size(); ++i) {
    sqlite3_bind_int64(add.get(), 1, static_cast<sqlite3_int64>(i));
    add.text(2, values[i]);
    if (!add.step()) fail("写入");
  }
}

void SyncRecordDb::setOwnCalendars(const std::vector<std::string>& ids) {
  Transaction t(*this);
  writeList("own_calendars", ids);
  t.commit();
}

void SyncRecordDb::setSettled(const std::vector<std::int64_t>& ids) {
  Transaction t(*this);
  exec("DELETE FROM settled");
  Statement add(db_, "INSERT INTO settled VALUES(?1, ?2)");
  if (!add) fail("写入");
  for (size_t i = 0; i < ids.size(); ++i) {
    sqlite3_bind_int64(add.get(), 1, static_cast<sqlite3_int64>(i));
    sqlite3_bind_int64(add.get(), 2, ids[i]);
    if (!add.step()) fail("写入");
  }
  t.commit();
}

void SyncRecordDb::setMeta(const char* key, const std::string& value) {
  Statement set(db_, "INSERT OR REPLACE INTO meta(key, value) VALUES(?1, ?2)");
  if (!set) fail("写入");
  set.text(1, std::string(key));
  set.text(2, value);
  if (!set.step()) fail("写入");
}

void SyncRecordDb::setLastAccount(const std::string& key) {
  Transaction t(*this);
  setMeta("lastAccount", key);
  t.commit();
}

void SyncRecordDb::setLegacyReminderMap(const std::string& json) {
  Transaction t(*this);
  if (json.empty()) exec("DELETE FROM meta WHERE key = 'legacyReminderMap'");
  else setMeta("legacyReminderMap", json);
  t.commit();
}

void SyncRecordDb::replaceAll(const SyncRecordSet& set) {
  Transaction t(*this);
  exec("DELETE FROM events; DELETE FROM settled; DELETE FROM meta;");
  Statement add(db_, "INSERT INTO events(uid, event_id, fingerprint) VALUES(?1, ?2, ?3)");
  if (!add) fail("写入");
  for (const auto& r : eventRows(set.eventIDs, set.fingerprints)) {
    add.text(1, r.uid);
    add.text(2, r.eventID);
    add.text(3, r.fingerprint);
    if (!add.step()) fail("写入");
  }
  writeList("own_calendars", set.ownCalendars);
  Statement settle(db_, "INSERT INTO settled VALUES(?1, ?2)");
  if (!settle) fail("写入");
  for (size_t i = 0; i < set.settled.size(); ++i) {
    sqlite3_bind_int64(settle.get(), 1, static_cast<sqlite3_int64>(i));
    sqlite3_bind_int64(settle.get(), 2, set.settled[i]);
    if (!settle.step()) fail("写入");
  }
  if (!set.lastAccount.empty()) setMeta("lastAccount", set.lastAccount);
  if (!set.legacyReminderMap.empty()) setMeta("legacyReminderMap", set.legacyReminderMap);
  t.commit();
}

std::vector<SyncRecordDb::EventRow> eventRows(const StringMap& ids, const StringMap& fingerprints) {
  std::vector<SyncRecordDb::EventRow> rows;
  rows.reserve(std::max(ids.size(), fingerprints.size()));
  for (const auto& [uid, id] : ids) rows.push_back({uid, id, lookup(fingerprints, uid)});
  for (const auto& [uid, fp] : fingerprints)
    if (!ids.count(uid)) rows.push_back({uid, std::nullopt, fp});
  return rows;
}

void eventChanges(const StringMap& idsBefore, const StringMap& fpsBefore, const StringMap& idsAfter,
                  const StringMap& fpsAfter, std::vector<SyncRecordDb::EventRow>& upserts,
                  std::vector<std::string>& removals) {
  std::set<std::string> seen;
  auto consider = [&](const std::string& uid) {
    if (!seen.insert(uid).second) return;
    auto id = lookup(idsAfter, uid);
    auto fp = lookup(fpsAfter, uid);
    if (!id && !fp) removals.push_back(uid);
    else if (id != lookup(idsBefore, uid) || fp != lookup(fpsBefore, uid)) upserts.push_back({uid, id, fp});
  };
  for (const auto& kv : idsAfter) consider(kv.first);
  for (const auto& kv : fpsAfter) consider(kv.first);
  for (const auto& kv : idsBefore) consider(kv.first);
  for (const auto& kv : fpsBefore) consider(kv.first);
}

}  // namespace quorvel
