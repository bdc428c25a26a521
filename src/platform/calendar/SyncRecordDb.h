#pragma once
// The calendar sync's records in a SQLite file of their own: the system event written
// for each feed UID with its fingerprint, the calendars the sync created, the settled
// reminder ids and the account last synced. Not thread-safe: one thread uses it.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace quorvel {

struct SyncRecordSet {
  using StringMap = std::map<std::string, std::string>;
  StringMap eventIDs;      // feed UID → event id
  StringMap fingerprints;  // feed UID → content fingerprint
  std::vector<std::string> ownCalendars;
  std::vector<std::int64_t> settled;  // oldest first
  std::string lastAccount;
  // The reminder map of older clients, kept as it was stored (JSON text; empty: none).
  std::string legacyReminderMap;
};

class SyncRecordDb {
 public:
  // $XDG_DATA_HOME/Quorvel/calendar-sync.sqlite
  static std::filesystem::path standardFile();

  // Opens (creating the folder and tables). A file that cannot be opened or is no
  // database throws AppError(errors::kFile, …) with the reason in Chinese.
  explicit SyncRecordDb(std::filesystem::path file);
  ~SyncRecordDb();
  SyncRecordDb(const SyncRecordDb&) = delete;
  SyncRecordDb& operator=(const SyncRecordDb&) = delete;

  SyncRecordSet load() const;

  // Each write is one transaction; a failure throws AppError and changes nothing.
  // Events: rows set (absent columns cleared) and rows removed.
  struct EventRow {
    std::string uid;
    std::optional<std::string> eventID;
    std::optional<std::string> fingerprint;
  };
  void writeEvents(const std::vector<EventRow>& upserts, const std::vector<std::string>& removals);
  void replaceEvents(const SyncRecordSet::StringMap& ids, const SyncRecordSet::StringMap& fingerprints);
  void setOwnCalendars(const std::vector<std::string>& ids);
  void setSettled(const std::vector<std::int64_t>& ids);
  void setLastAccount(const std::string& key);
  void setLegacyReminderMap(const std::string& json);
  // Everything at once (the move from the settings file).
  void replaceAll(const SyncRecordSet& set);

  const std::filesystem::path& file() const { return file_; }

 private:
  class Transaction;
  void exec(const char* sql) const;
  void setMeta(const char* key, const std::string& value);
  void writeList(const char* table, const std::vector<std::string>& values);
  [[noreturn]] void fail(const std::string& what) const;

  std::filesystem::path file_;
  sqlite3* db_ = nullptr;
};

// The two maps as rows: the union of their keys.
std::vector<SyncRecordDb::EventRow> eventRows(const SyncRecordSet::StringMap& ids,
                                              const SyncRecordSet::StringMap& fingerprints);
// What turns `before` into `after`: rows to set and UIDs to remove.
void eventChanges(const SyncRecordSet::StringMap& idsBefore, const SyncRecordSet::StringMap& fpsBefore,
                  const SyncRecordSet::StringMap& idsAfter, const SyncRecordSet::StringMap& fpsAfter,
                  std::vector<SyncRecordDb::EventRow>& upserts, std::vector<std::string>& removals);

}  // namespace quorvel
