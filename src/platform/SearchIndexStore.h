#pragma once
// Our local search index: items with an identifier, a domain, a title, a description
// and keywords, kept in SQLite in the data folder and searched by the desktop's
// search provider. The database lives on a thread of its own; every operation is
// awaited on the main context and runs there in the order it was asked.
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Task.h"

struct sqlite3;

namespace quorvel {

struct SearchItem {
  std::string uniqueIdentifier;
  std::string domain;
  std::string title;
  std::string contentDescription;
  std::vector<std::string> keywords;
  bool operator==(const SearchItem&) const = default;
};

// What the indexer needs of an index; the store implements it, tests fake it.
// Failures throw AppError.
class SearchIndex {
 public:
  virtual ~SearchIndex() = default;
  virtual Task<void> deleteDomain(std::string domain) = 0;
  // Adds the items; an item whose identifier is already indexed replaces it.
  virtual Task<void> indexItems(std::vector<SearchItem> items) = 0;
};

class SearchIndexStore : public SearchIndex {
 public:
  // Opens (or creates) the database on the store's thread; an unusable file makes
  // every operation fail with the database's message. A damaged one (not a database,
  // or malformed) is moved aside and a new, empty index takes its place: at opening,
  // or when an operation meets the damage (that operation then runs on the new one).
  explicit SearchIndexStore(std::filesystem::path file);
  // Finishes the operations already asked for, then closes the database.
  ~SearchIndexStore() override;
  SearchIndexStore(const SearchIndexStore&) = delete;
  SearchIndexStore& operator=(const SearchIndexStore&) = delete;

  Task<void> deleteDomain(std::string domain) override;
  Task<void> indexItems(std::vector<SearchItem> items) override;

  // Items in which every term occurs (in the title, description or a keyword),
  // case-insensitively and with full-width forms folded, in the order they were
  // indexed, at most `limit`. `within`: only these identifiers. No terms, no items.
  Task<std::vector<SearchItem>> search(std::vector<std::string> terms,
                                       std::optional<std::vector<std::string>> within = std::nullopt,
                                       size_t limit = 100);
  // The indexed items with these identifiers, in the order asked; unknown ones left out.
  Task<std::vector<SearchItem>> items(std::vector<std::string> ids);
  Task<size_t> count();

  const std::filesystem::path& file() const { return file_; }

  // Told on the main context after a damaged index was moved aside (where it now is);
  // a replacement before the observer was set is told when it is set. Main thread.
  void setDamageObserver(std::function<void(const std::filesystem::path& keptAs)> observer);

  // Folds text the way stored text and search terms are compared (NFKC, case-folded).
  static std::string fold(const std::string& text);

 private:
  template <class R>
  struct Job;
  void post(std::function<void()> job);
  void run();
  // On the store's thread only.
  void open();
  template <class R>
  R onDatabase(const std::function<R(sqlite3*)>& fn);
  bool replaceDamaged(const std::string& why);

  std::filesystem::path file_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  sqlite3* db_ = nullptr;  // the store thread's
  std::string openError_;  // written on the store thread
  // The main thread's.
  void damageReplaced(const std::filesystem::path& keptAs);
  std::function<void(const std::filesystem::path&)> damageObserver_;
  std::vector<std::filesystem::path> untoldDamage_;
  std::thread thread_;
  // Main-context steps posted by the store thread run only while the store exists.
  TaskScope scope_;
};

}  // namespace quorvel
