#pragma once
// Puts the firm's contracts, clients and the recently opened proceedings into our
// search index, which the desktop's search reads through the search provider.
// Main thread only.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"
#include "core/BrowserModel.h"
#include "core/Recents.h"
#include "platform/SearchIndexStore.h"
#include "platform/UserDefaults.h"

namespace quorvel {

class Clock;
class WorkerPool;

// What one run indexes: the nodes reply and the recent proceedings.
struct SpotlightSource {
  std::function<Task<std::string>()> fetchNodes;  // the raw reply; throws when it cannot be read
  std::function<std::vector<RecentItem>()> recents;
  bool diagnostic = false;  // "--selftest" / "--livetest": the index is never touched
  WorkerPool* workers = nullptr;  // where a large reply is decoded (none: on this thread)
};

class SpotlightIndexer {
 public:
  static constexpr const char* kEnabledKey = "spotlight.index.enabled.v1";

  // Where the index the search provider serves is kept: in the data folder.
  static std::filesystem::path storeFile();

  // Indexes into `index`; the switch is kept in `defaults`, the last run's time read
  // from `clock`. Both must outlive the indexer.
  SpotlightIndexer(std::shared_ptr<SearchIndex> index, UserDefaults& defaults, const Clock& clock);
  SpotlightIndexer(const SpotlightIndexer&) = delete;
  SpotlightIndexer& operator=(const SpotlightIndexer&) = delete;

  Published<bool, SpotlightIndexer> enabled{true};
  Published<int, SpotlightIndexer> indexedCount{0};
  Published<std::string, SpotlightIndexer> lastIndexedAt;  // "HH:mm" of the last successful run

  // Reads the model's nodes (a copy younger than 30 s is reused) and recents and
  // replaces the index's items. Failures are logged.
  Task<void> indexNow(std::shared_ptr<BrowserModel> browser);
  Task<void> indexNow(SpotlightSource source);

  void setEnabled(bool on);
  // Removes every item of the domain (without waiting) and forgets the last run.
  void clearIndex();

  // The model that switching indexing on indexes at once.
  void setWorkspace(std::function<std::shared_ptr<BrowserModel>()> workspace) { workspace_ = std::move(workspace); }

 private:
  // indexNow, bound to this indexer's scope.
  Task<void> indexImpl(SpotlightSource source);
  std::shared_ptr<SearchIndex> index_;
  UserDefaults& defaults_;
  const Clock& clock_;
  std::function<std::shared_ptr<BrowserModel>()> workspace_;
  // Bumped by every run that writes and by clearing: a run that was overtaken
  // neither indexes nor publishes, so the index ends as the latest run or clearing left it.
  unsigned generation_ = 0;
  // A run is the caller's chain and ends for it: it asks the scope after each wait and
  // goes on only while the indexer exists.
  TaskScope scope_;
};

}  // namespace quorvel
