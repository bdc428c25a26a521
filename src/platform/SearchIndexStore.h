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
  // every operation fail with the database's message.
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

  // Folds text the way stored text and search terms are compared (NFKC, case-folded).
  static std::string fold(const std::string& text);

 private:
  template <class R>
  struct Job;
  void post(std::function<void(sqlite3*)> job);
  void run();

  std::filesystem::path file_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void(sqlite3*)>> jobs_;
  bool stopping_ = false;
  std::string openError_;  // written on the store thread before its first job
  std::thread thread_;
};

}  // namespace quorvel
