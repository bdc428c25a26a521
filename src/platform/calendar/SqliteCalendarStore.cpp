#include "platform/calendar/SqliteCalendarStore.h"

#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <set>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/IcsText.h"

namespace quorvel {

namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;

namespace {

long long toMicros(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}
Clock::time_point fromMicros(long long us) {
  return Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(us)));
}

// A file name from a calendar title: path separators and control characters replaced.
std::string safeFileName(const std::string& title) {
  std::string out;
  for (char c : title) {
    auto u = static_cast<unsigned char>(c);
    out += (c == '/' || c == '\\' || u < 0x20) ? '_' : c;
  }
  if (out.empty() || out == "." || out == "..") out = "calendar";
  return out;
}

}  // namespace

// Lives on the store's thread only.
struct SqliteCalendarStore::Db {
  fs::path folder;
  sqlite3* handle = nullptr;
  std::string openError;

  ~Db() {
    if (handle) sqlite3_close(handle);
  }

  void fail(const std::string& what) const {
    std::string msg = handle ? sqlite3_errmsg(handle) : openError;
    throw AppError(errors::kFile, -1, "日历数据库" + what + "失败：" + msg);
  }
  void ready() const {
    if (!handle) throw AppError(errors::kFile, -1, "日历数据库不可用：" + openError);
  }
  void exec(const char* sql) const {
    char* err = nullptr;
    if (sqlite3_exec(handle, sql, nullptr, nullptr, &err) != SQLITE_OK) {
      std::string msg = err ? err : "";
      sqlite3_free(err);
      throw AppError(errors::kFile, -1, "日历数据库写入失败：" + msg);
    }
  }

  void open() {
    std::error_code ec;
    fs::create_directories(folder / "calendars", ec);
    if (sqlite3_open((folder / "calendars.sqlite").c_str(), &handle) != SQLITE_OK) {
      openError = handle ? sqlite3_errmsg(handle) : "无法打开";
      if (handle) sqlite3_close(handle);
      handle = nullptr;
      return;
    }
    sqlite3_busy_timeout(handle, 3000);
    try {
      exec("PRAGMA journal_mode=WAL;"
           "CREATE TABLE IF NOT EXISTS calendars(id TEXT PRIMARY KEY, title TEXT, color TEXT, entity INTEGER,"
           " source TEXT, file TEXT, ord INTEGER);"
           "CREATE TABLE IF NOT EXISTS events(id TEXT PRIMARY KEY, calendar TEXT, title TEXT, start INTEGER,"
           " end INTEGER, all_day INTEGER, location TEXT, url TEXT, notes TEXT, alarms TEXT);"
           "CREATE INDEX IF NOT EXISTS events_calendar ON events(calendar);"
           "CREATE TABLE IF NOT EXISTS reminders(id TEXT PRIMARY KEY, calendar TEXT, title TEXT, notes TEXT,"
           " url TEXT, due TEXT, priority INTEGER, completed INTEGER, completion INTEGER);"
           "CREATE INDEX IF NOT EXISTS reminders_calendar ON reminders(calendar);");
    } catch (const AppError& e) {
      openError = e.message;
      sqlite3_close(handle);
      handle = nullptr;
    }
  }

  struct Stmt {
    sqlite3_stmt* s = nullptr;
    Stmt(const Db& db, const char* sql) {
      if (sqlite3_prepare_v2(db.handle, sql, -1, &s, nullptr) != SQLITE_OK) db.fail("读取");
    }
    ~Stmt() { sqlite3_finalize(s); }
    Stmt& text(int i, const std::string& v) {
      sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
      return *this;
    }
    Stmt& optText(int i, const std::optional<std::string>& v) {
      if (v) return text(i, *v);
      sqlite3_bind_null(s, i);
      return *this;
    }
    Stmt& integer(int i, long long v) {
      sqlite3_bind_int64(s, i, v);
      return *this;
    }
    Stmt& null(int i) {
      sqlite3_bind_null(s, i);
      return *this;
    }
    bool step() { return sqlite3_step(s) == SQLITE_ROW; }
    void run(const Db& db) {
      int rc = sqlite3_step(s);
      if (rc != SQLITE_DONE && rc != SQLITE_ROW) db.fail("写入");
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
    }
    std::string col(int i) const {
      auto* t = sqlite3_column_text(s, i);
      return t ? std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(s, i)) : std::string();
    }
    std::optional<std::string> optCol(int i) const {
      if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
      return col(i);
    }
    long long num(int i) const { return sqlite3_column_int64(s, i); }
  };

  static SystemCalendar calendarRow(const Stmt& q) {
    SystemCalendar c;
    c.id = q.col(0);
    c.title = q.col(1);
    c.colorHex = q.col(2);
    c.entityType = q.num(3) == 1 ? CalendarEntityType::reminder : CalendarEntityType::event;
    c.sourceId = q.col(4);
    c.writable = true;
    return c;
  }

  std::vector<SystemCalendar> calendars(std::optional<CalendarEntityType> type) const {
    ready();
    Stmt q(*this, "SELECT id, title, color, entity, source FROM calendars ORDER BY ord");
    std::vector<SystemCalendar> out;
    while (q.step()) {
      auto c = calendarRow(q);
      if (!type || c.entityType == *type) out.push_back(std::move(c));
    }
    return out;
  }

  std::optional<std::pair<SystemCalendar, std::string>> calendarWithFile(const std::string& id) const {
    Stmt q(*this, "SELECT id, title, color, entity, source, file FROM calendars WHERE id = ?");
    q.text(1, id);
    if (!q.step()) return std::nullopt;
    return std::make_pair(calendarRow(q), q.col(5));
  }

  static CalendarEventItem eventRow(const Stmt& q) {
    CalendarEventItem e;
    e.id = q.col(0);
    e.calendarId = q.col(1);
    e.title = q.col(2);
    e.start = fromMicros(q.num(3));
    e.end = fromMicros(q.num(4));
    e.allDay = q.num(5) != 0;
    e.location = q.col(6);
    e.url = q.optCol(7);
    e.notes = q.col(8);
    auto alarms = nlohmann::json::parse(q.col(9), nullptr, false);
    if (alarms.is_array())
      for (const auto& a : alarms)
        if (a.is_number()) e.alarmOffsets.push_back(a.get<double>());
    return e;
  }

  static constexpr const char* kEventColumns =
      "SELECT id, calendar, title, start, end, all_day, location, url, notes, alarms FROM events ";

  std::vector<CalendarEventItem> events(const std::string& calendarID) const {
    ready();
    Stmt q(*this, (std::string(kEventColumns) + "WHERE calendar = ? ORDER BY rowid").c_str());
    q.text(1, calendarID);
    std::vector<CalendarEventItem> out;
    while (q.step()) out.push_back(eventRow(q));
    return out;
  }

  std::optional<CalendarEventItem> event(const std::string& id) const {
    ready();
    Stmt q(*this, (std::string(kEventColumns) + "WHERE id = ?").c_str());
    q.text(1, id);
    if (!q.step()) return std::nullopt;
    return eventRow(q);
  }

  std::vector<ReminderItem> reminders(const std::string& calendarID) const {
    ready();
    Stmt q(*this,
           "SELECT id, calendar, title, notes, url, due, priority, completed, completion FROM reminders"
           " WHERE calendar = ? ORDER BY rowid");
    q.text(1, calendarID);
    std::vector<ReminderItem> out;
    while (q.step()) {
      ReminderItem r;
      r.id = q.col(0);
      r.calendarId = q.col(1);
      r.title = q.col(2);
      r.notes = q.col(3);
      r.url = q.optCol(4);
      if (auto due = q.optCol(5)) {
        DueDay d;
        if (std::sscanf(due->c_str(), "%d-%d-%d", &d.year, &d.month, &d.day) == 3) r.due = d;
      }
      r.priority = static_cast<int>(q.num(6));
      r.completed = q.num(7) != 0;
      if (sqlite3_column_type(q.s, 8) != SQLITE_NULL) r.completionDate = fromMicros(q.num(8));
      out.push_back(std::move(r));
    }
    return out;
  }

  void writeIcs(const std::string& calendarID) const {
    auto cal = calendarWithFile(calendarID);
    if (!cal) return;
    std::vector<CalendarEventItem> evs;
    std::vector<ReminderItem> rems;
    if (cal->first.entityType == CalendarEntityType::event) evs = events(calendarID);
    else rems = reminders(calendarID);
    // The database stays the truth; a file that cannot be written is retried on the next change.
    writeFileAtomically(folder / "calendars" / cal->second, IcsText::calendarFile(cal->first.title, evs, rems));
  }
};

SqliteCalendarStore::SqliteCalendarStore(fs::path folder) : folder_(std::move(folder)), db_(std::make_shared<Db>()) {
  db_->folder = folder_;
  thread_.post([db = db_] { db->open(); });
}

SqliteCalendarStore::~SqliteCalendarStore() = default;

std::string SqliteCalendarStore::backendDescription() const {
  return "本地日历存储（" + (folder_ / "calendars").string() + "）";
}

Task<fs::path> SqliteCalendarStore::icsFile(const std::string& calendarID) {
  auto db = db_;
  auto running = thread_.run([db, calendarID]() -> fs::path {
    db->ready();
    auto cal = db->calendarWithFile(calendarID);
    return cal ? db->folder / "calendars" / cal->second : fs::path();
  });
  co_return co_await running;
}

Task<bool> SqliteCalendarStore::requestAccess(CalendarEntityType) {
  auto db = db_;
  auto running = thread_.run([db] { return db->handle != nullptr; });
  co_return co_await running;
}

Task<std::vector<CalendarSource>> SqliteCalendarStore::sources() {
  co_return std::vector<CalendarSource>{{kLocalSourceID, "本机", CalendarSourceType::local}};
}

Task<std::optional<std::string>> SqliteCalendarStore::defaultSourceID(CalendarEntityType) {
  co_return std::optional<std::string>(kLocalSourceID);
}

Task<std::vector<SystemCalendar>> SqliteCalendarStore::calendars(CalendarEntityType type) {
  auto db = db_;
  auto running = thread_.run([db, type] { return db->calendars(type); });
  co_return co_await running;
}

Task<SystemCalendar> SqliteCalendarStore::createCalendar(const std::string& title, const std::string& color,
                                                         CalendarEntityType type, const std::string& sourceID) {
  if (sourceID != kLocalSourceID) throw AppError(errors::kAppleCal, errors::kNoWritableCalendar, "系统中没有可写入的日历账户");
  auto db = db_;
  auto running = thread_.run([db, title, color, type] {
    db->ready();
    SystemCalendar c{freshUID(), title, color, true, type, kLocalSourceID};
    // A title another calendar already uses as its file name gets the id appended.
    std::set<std::string> files;
    Db::Stmt all(*db, "SELECT file FROM calendars");
    while (all.step()) files.insert(all.col(0));
    std::string file = safeFileName(title) + ".ics";
    if (files.count(file)) file = safeFileName(title) + "-" + c.id.substr(0, 8) + ".ics";
    Db::Stmt q(*db,
               "INSERT INTO calendars(id, title, color, entity, source, file, ord)"
               " VALUES(?, ?, ?, ?, ?, ?, (SELECT IFNULL(MAX(ord), 0) + 1 FROM calendars))");
    q.text(1, c.id).text(2, title).text(3, color).integer(4, type == CalendarEntityType::reminder ? 1 : 0);
    q.text(5, kLocalSourceID).text(6, file).run(*db);
    db->writeIcs(c.id);
    return c;
  });
  SystemCalendar created = co_await running;
  emitChanged();
  co_return created;
}

Task<void> SqliteCalendarStore::removeCalendar(const std::string& calendarID) {
  auto db = db_;
  auto running = thread_.run([db, calendarID] {
    db->ready();
    auto cal = db->calendarWithFile(calendarID);
    if (!cal) throw AppError(errors::kFile, -1, "日历不存在");
    db->exec("BEGIN");
    try {
      for (const char* sql : {"DELETE FROM events WHERE calendar = ?", "DELETE FROM reminders WHERE calendar = ?",
                              "DELETE FROM calendars WHERE id = ?"}) {
        Db::Stmt q(*db, sql);
        q.text(1, calendarID).run(*db);
      }
      db->exec("COMMIT");
    } catch (...) {
      sqlite3_exec(db->handle, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    std::error_code ec;
    fs::remove(db->folder / "calendars" / cal->second, ec);
  });
  co_await running;
  emitChanged();
}

Task<std::vector<CalendarEventItem>> SqliteCalendarStore::events(const std::string& calendarID) {
  auto db = db_;
  auto running = thread_.run([db, calendarID] { return db->events(calendarID); });
  co_return co_await running;
}

Task<std::optional<CalendarEventItem>> SqliteCalendarStore::event(const std::string& eventID) {
  auto db = db_;
  auto running = thread_.run([db, eventID] { return db->event(eventID); });
  co_return co_await running;
}

Task<std::vector<ReminderItem>> SqliteCalendarStore::reminders(const std::vector<std::string>& calendarIDs) {
  auto db = db_;
  auto running = thread_.run([db, calendarIDs] {
    std::vector<ReminderItem> out;
    for (const auto& id : calendarIDs) {
      auto part = db->reminders(id);
      out.insert(out.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    }
    return out;
  });
  co_return co_await running;
}

Task<void> SqliteCalendarStore::apply(std::vector<Change> batch) {
  auto db = db_;
  auto running = thread_.run([db, batch = std::move(batch)] {
    db->ready();
    std::set<std::string> touched;
    std::set<std::string> known;
    for (const auto& c : db->calendars(std::nullopt)) known.insert(c.id);
    db->exec("BEGIN");
    try {
      Db::Stmt putEvent(*db,
                        "INSERT OR REPLACE INTO events(id, calendar, title, start, end, all_day, location, url, notes,"
                        " alarms) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
      Db::Stmt putReminder(*db,
                           "INSERT OR REPLACE INTO reminders(id, calendar, title, notes, url, due, priority, completed,"
                           " completion) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
      Db::Stmt dropEvent(*db, "DELETE FROM events WHERE id = ?");
      Db::Stmt dropReminder(*db, "DELETE FROM reminders WHERE id = ?");
      auto noteCalendarOf = [&](const std::string& id) {
        if (auto parts = splitItemID(id)) touched.insert(parts->first);
      };
      for (const auto& c : batch) {
        switch (c.kind) {
          case Change::saveEvent: {
            const auto& e = c.event;
            if (!known.count(e.calendarId)) throw AppError(errors::kFile, -1, "日历不存在：" + e.calendarId);
            if (!c.previousID.empty()) {
              dropEvent.text(1, c.previousID).run(*db);
              noteCalendarOf(c.previousID);
            }
            nlohmann::json alarms = e.alarmOffsets;
            putEvent.text(1, e.id).text(2, e.calendarId).text(3, e.title).integer(4, toMicros(e.start));
            putEvent.integer(5, toMicros(e.end)).integer(6, e.allDay).text(7, e.location).optText(8, e.url);
            putEvent.text(9, e.notes).text(10, alarms.dump()).run(*db);
            touched.insert(e.calendarId);
            break;
          }
          case Change::removeEvent:
            dropEvent.text(1, c.id).run(*db);
            noteCalendarOf(c.id);
            break;
          case Change::saveReminder: {
            const auto& r = c.reminder;
            if (!known.count(r.calendarId)) throw AppError(errors::kFile, -1, "提醒列表不存在：" + r.calendarId);
            if (!c.previousID.empty()) {
              dropReminder.text(1, c.previousID).run(*db);
              noteCalendarOf(c.previousID);
            }
            putReminder.text(1, r.id).text(2, r.calendarId).text(3, r.title).text(4, r.notes).optText(5, r.url);
            if (r.due) {
              char buf[16];
              std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", r.due->year, r.due->month, r.due->day);
              putReminder.text(6, buf);
            } else {
              putReminder.null(6);
            }
            putReminder.integer(7, r.priority).integer(8, r.completed);
            if (r.completionDate) putReminder.integer(9, toMicros(*r.completionDate));
            else putReminder.null(9);
            putReminder.run(*db);
            touched.insert(r.calendarId);
            break;
          }
        }
      }
      db->exec("COMMIT");
    } catch (...) {
      sqlite3_exec(db->handle, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    for (const auto& id : touched) db->writeIcs(id);
  });
  co_await running;
}

}  // namespace quorvel
