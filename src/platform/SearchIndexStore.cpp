#include "platform/SearchIndexStore.h"

#include <glib.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>
#include <utility>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/GLibPtr.h"
#include "base/MainQueue.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/Text.h"
#include "platform/FileOps.h"

namespace quorvel {

namespace {

// Trigram matching needs three characters; shorter terms ("华盛") are matched as
// substrings of the folded text instead.
constexpr long kTrigram = 3;

[[noreturn]] void fail(sqlite3* db, int rc) {
  throw AppError(errors::kSearchIndex, rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : db_(db) {
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &s_, nullptr);
    if (rc != SQLITE_OK) fail(db, rc);
  }
  ~Statement() { sqlite3_finalize(s_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int i, const std::string& v) {
    int rc = sqlite3_bind_text(s_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) fail(db_, rc);
    return *this;
  }
  // True while a row is available.
  bool step() {
    int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, rc);
  }
  void run() {
    while (step()) {
    }
    sqlite3_reset(s_);
  }
  std::string text(int col) const {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, col));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s_, col))) : std::string();
  }
  long long integer(int col) const { return sqlite3_column_int64(s_, col); }

 private:
  sqlite3* db_;
  sqlite3_stmt* s_ = nullptr;
};

void exec(sqlite3* db, const char* sql) {
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail(db, rc);
}

// Runs fn inside one transaction; an exception rolls it back.
template <class F>
void inTransaction(sqlite3* db, F fn) {
  exec(db, "BEGIN IMMEDIATE");
  try {
    fn();
    exec(db, "COMMIT");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

constexpr const char* kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS items(
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  id TEXT NOT NULL UNIQUE,
  domain TEXT NOT NULL,
  title TEXT NOT NULL,
  description TEXT NOT NULL,
  keywords TEXT NOT NULL,
  folded TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS items_domain ON items(domain);
CREATE VIRTUAL TABLE IF NOT EXISTS items_fts USING fts5(
  folded, content='items', content_rowid='seq', tokenize='trigram');
CREATE TRIGGER IF NOT EXISTS items_ai AFTER INSERT ON items BEGIN
  INSERT INTO items_fts(rowid, folded) VALUES (new.seq, new.folded);
END;
CREATE TRIGGER IF NOT EXISTS items_ad AFTER DELETE ON items BEGIN
  INSERT INTO items_fts(items_fts, rowid, folded) VALUES ('delete', old.seq, old.folded);
END;
)SQL";

std::string foldedText(const SearchItem& item) {
  std::string out = SearchIndexStore::fold(item.title) + "\n" + SearchIndexStore::fold(item.contentDescription);
  for (const auto& k : item.keywords) out += "\n" + SearchIndexStore::fold(k);
  return out;
}

SearchItem readItem(const Statement& s) {
  SearchItem item{s.text(0), s.text(1), s.text(2), s.text(3), {}};
  auto keywords = nlohmann::json::parse(s.text(4), nullptr, false);
  if (keywords.is_array())
    for (const auto& k : keywords)
      if (k.is_string()) item.keywords.push_back(k.get<std::string>());
  return item;
}

// An FTS5 phrase: the term in double quotes, its own quotes doubled.
std::string phrase(const std::string& term) {
  std::string out = "\"";
  for (char c : term) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string SearchIndexStore::fold(const std::string& text) {
  GCharPtr valid(g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size())));
  GCharPtr normal(g_utf8_normalize(valid.get(), -1, G_NORMALIZE_NFKC));
  GCharPtr folded(g_utf8_casefold(normal ? normal.get() : valid.get(), -1));
  return folded.get();
}

// Runs `fn` on the store's thread and resumes the awaiting coroutine on the main
// context with its result or its exception.
template <class R>
struct SearchIndexStore::Job {
  SearchIndexStore* store;
  std::function<R(sqlite3*)> fn;
  std::optional<R> value{};
  std::exception_ptr error{};

  bool await_ready() const noexcept { return false; }
  template <class P>
  void await_suspend(std::coroutine_handle<P> h) {
    // The frame waits for this job (a chain is only ended when it wakes), so the
    // job may write into it.
    store->post([this, h = detail::Resumption(h)] {
      try {
        value.emplace(store->onDatabase<R>(fn));
      } catch (...) {
        error = std::current_exception();
      }
      postToMain([h] { h(); });
    });
  }
  R await_resume() {
    if (error) std::rethrow_exception(error);
    return std::move(*value);
  }
};

SearchIndexStore::SearchIndexStore(std::filesystem::path file) : file_(std::move(file)) {
  thread_ = std::thread([this] { run(); });
}

SearchIndexStore::~SearchIndexStore() {
  scope_.end();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SearchIndexStore::post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

namespace {
// The file holds no database, or a malformed one: nothing in it can be read any more.
bool isDamage(int rc) { return (rc & 0xff) == SQLITE_CORRUPT || (rc & 0xff) == SQLITE_NOTADB; }

// Opens `file` and lays out the tables; the result code and, on failure, why.
int openWithSchema(const std::filesystem::path& file, sqlite3*& db, std::string& why) {
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    db = nullptr;
    return rc;
  }
  sqlite3_busy_timeout(db, 2000);
  return rc;
}

}  // namespace

void SearchIndexStore::open() {
  std::error_code ec;
  std::filesystem::create_directories(file_.parent_path(), ec);
  std::string why;
  int rc = openWithSchema(file_, db_, why);
  if (rc == SQLITE_OK || (isDamage(rc) && replaceDamaged(why))) return;
  openError_ = why + "（" + file_.string() + "）";
}

bool SearchIndexStore::replaceDamaged(const std::string& why) {
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
  // Kept, not deleted: it is the user's file. A name already taken gets a number.
  namespace fs = std::filesystem;
  const std::string stamp = FileOps::localStamp();
  fs::path keptAs;
  int err = EEXIST;
  for (int n = 1; err == EEXIST && n <= 100; ++n) {
    keptAs = file_;
    keptAs += ".damaged-" + stamp + (n > 1 ? "-" + std::to_string(n) : "");
    err = FileOps::moveNoReplace(file_, keptAs);
  }
  const bool moved = err == 0;
  std::error_code ec;
  // The journal files belong to the damaged file, not to the new one.
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    fs::path side = file_;
    side += suffix;
    if (fs::exists(side, ec)) {
      fs::path sideKept = keptAs;
      sideKept += suffix;
      if (moved) fs::rename(side, sideKept, ec);
    }
  }
  std::string openWhy;
  if (!moved || openWithSchema(file_, db_, openWhy) != SQLITE_OK) {
    openError_ = "索引文件已损坏（" + why + "），无法移到一旁重建（" + file_.string() + "）";
    postToMain([message = openError_] { logLine(tags::kSpotlight, message, LogLevel::warning); });
    return false;
  }
  openError_.clear();
  postToMain([told = scope_.guard([this](const std::filesystem::path& kept) { damageReplaced(kept); }), keptAs, why] {
    logLine(tags::kSpotlight, "搜索索引已损坏（" + why + "），已另存为 " + keptAs.string() + " 并重建",
            LogLevel::warning);
    told(keptAs);
  });
  return true;
}

void SearchIndexStore::damageReplaced(const std::filesystem::path& keptAs) {
  if (damageObserver_) damageObserver_(keptAs);
  else untoldDamage_.push_back(keptAs);
}

void SearchIndexStore::setDamageObserver(std::function<void(const std::filesystem::path&)> observer) {
  damageObserver_ = std::move(observer);
  if (!damageObserver_) return;
  for (const auto& keptAs : std::exchange(untoldDamage_, {})) damageObserver_(keptAs);
}

template <class R>
R SearchIndexStore::onDatabase(const std::function<R(sqlite3*)>& fn) {
  if (!db_) throw AppError(errors::kSearchIndex, SQLITE_CANTOPEN, "无法打开搜索索引：" + openError_);
  try {
    return fn(db_);
  } catch (const AppError& e) {
    if (!isDamage(e.code) || !replaceDamaged(e.message)) throw;
  }
  // Once more, on the new index.
  return fn(db_);
}

void SearchIndexStore::run() {
  open();
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) break;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
  sqlite3_close(db_);
  db_ = nullptr;
}

Task<void> SearchIndexStore::deleteDomain(std::string domain) {
  Job<bool> job{this, [domain](sqlite3* db) {
    inTransaction(db, [&] { Statement(db, "DELETE FROM items WHERE domain = ?").bind(1, domain).run(); });
    return true;
  }};
  co_await job;
}

Task<void> SearchIndexStore::indexItems(std::vector<SearchItem> items) {
  Job<bool> job{this, [items = std::move(items)](sqlite3* db) {
    inTransaction(db, [&] {
      Statement remove(db, "DELETE FROM items WHERE id = ?");
      Statement insert(db,
                       "INSERT INTO items(id, domain, title, description, keywords, folded) VALUES (?, ?, ?, ?, ?, ?)");
      for (const auto& item : items) {
        remove.bind(1, item.uniqueIdentifier).run();
        insert.bind(1, item.uniqueIdentifier)
            .bind(2, item.domain)
            .bind(3, item.title)
            .bind(4, item.contentDescription)
            .bind(5, nlohmann::json(item.keywords).dump())
            .bind(6, foldedText(item))
            .run();
      }
    });
    return true;
  }};
  co_await job;
}

Task<std::vector<SearchItem>> SearchIndexStore::search(std::vector<std::string> terms,
                                                       std::optional<std::vector<std::string>> within, size_t limit) {
  std::vector<std::string> longTerms, shortTerms;
  for (const auto& t : terms) {
    std::string f = fold(trimmed(t));
    if (f.empty()) continue;
    (g_utf8_strlen(f.c_str(), -1) >= kTrigram ? longTerms : shortTerms).push_back(f);
  }
  if (longTerms.empty() && shortTerms.empty()) co_return std::vector<SearchItem>{};

  std::string sql = "SELECT id, domain, title, description, keywords FROM items WHERE 1";
  std::string match;
  for (const auto& t : longTerms) match += (match.empty() ? "" : " AND ") + phrase(t);
  if (!match.empty()) sql += " AND seq IN (SELECT rowid FROM items_fts WHERE items_fts MATCH ?)";
  for (size_t i = 0; i < shortTerms.size(); ++i) sql += " AND instr(folded, ?) > 0";
  sql += " ORDER BY seq";

  Job<std::vector<SearchItem>> job{this, [=, within = std::move(within)](sqlite3* db) {
    Statement s(db, sql);
    int i = 1;
    if (!match.empty()) s.bind(i++, match);
    for (const auto& t : shortTerms) s.bind(i++, t);
    std::vector<SearchItem> found;
    while (found.size() < limit && s.step()) {
      SearchItem item = readItem(s);
      if (within && std::find(within->begin(), within->end(), item.uniqueIdentifier) == within->end()) continue;
      found.push_back(std::move(item));
    }
    return found;
  }};
  co_return co_await job;
}

Task<std::vector<SearchItem>> SearchIndexStore::items(std::vector<std::string> ids) {
  Job<std::vector<SearchItem>> job{this, [ids = std::move(ids)](sqlite3* db) {
    Statement s(db, "SELECT id, domain, title, description, keywords FROM items WHERE id = ?");
    std::vector<SearchItem> found;
    for (const auto& id : ids) {
      s.bind(1, id);
      if (s.step()) found.push_back(readItem(s));
      s.run();
    }
    return found;
  }};
  co_return co_await job;
}

Task<size_t> SearchIndexStore::count() {
  Job<size_t> job{this, [](sqlite3* db) {
    Statement s(db, "SELECT count(*) FROM items");
    return s.step() ? static_cast<size_t>(s.integer(0)) : size_t{0};
  }};
  co_return co_await job;
}

}  // namespace quorvel
