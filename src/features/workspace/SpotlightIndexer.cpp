#include "features/workspace/SpotlightIndexer.h"

#include <ctime>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/Task.h"
#include "core/ServiceReads.h"
#include "core/AppConfig.h"
#include "features/mirror/MirrorNodes.h"
#include "features/workspace/SpotlightItems.h"

namespace quorvel {

namespace {

std::string localHourMinute(Clock::time_point now) {
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[8];
  std::strftime(buf, sizeof buf, "%H:%M", &tm);
  return buf;
}

Task<void> deleteDomainLogged(std::shared_ptr<SearchIndex> index) {
  std::exception_ptr failure;
  try {
    auto remove = index->deleteDomain(spotlight::kDomain);
    co_await remove;
  } catch (...) {
    failure = std::current_exception();
  }
  if (failure) logLine(tags::kSpotlight, "清空索引失败：" + describe(failure), LogLevel::warning);
}

}  // namespace

std::filesystem::path SpotlightIndexer::storeFile() { return AppConfig::dataDir() / "search-index.sqlite3"; }

SpotlightIndexer::SpotlightIndexer(std::shared_ptr<SearchIndex> index, UserDefaults& defaults, const Clock& clock)
    : index_(std::move(index)), defaults_(defaults), clock_(clock) {
  enabled.set(defaults_.boolean(kEnabledKey).value_or(true));
}

Task<void> SpotlightIndexer::indexNow(std::shared_ptr<BrowserModel> browser) {
  if (!browser) co_return;
  SpotlightSource source;
  source.diagnostic = browser->mode() == AppMode::diagnostic;
  source.fetchNodes = [browser] { return browser->reads().fetchNodesCached(false); };
  source.workers = &browser->reads().workers();
  source.recents = [browser] { return browser->account().recents.get(); };
  auto run = indexNow(std::move(source));
  co_await run;
}

Task<void> SpotlightIndexer::indexNow(SpotlightSource source) { return scope_.bind(indexImpl(std::move(source))); }

Task<void> SpotlightIndexer::indexImpl(SpotlightSource source) {
  if (source.diagnostic || !enabled.get()) co_return;

  // A failed or unreadable reply only narrows the run to the recent proceedings; the
  // log says so, and says where the index holds fewer than the firm has.
  std::optional<MirrorNodes> nodes;
  std::exception_ptr readFailure;
  bool unreadable = false;
  try {
    auto fetch = source.fetchNodes();
    std::string bytes = co_await fetch;
    if (source.workers) {
      auto decoding = decodeOffMain(*source.workers, std::move(bytes), decodeMirrorNodes);
      nodes = co_await decoding;
    } else {
      nodes = decodeMirrorNodes(bytes);
    }
    unreadable = !nodes;
  } catch (...) {
    readFailure = std::current_exception();
  }
  if (readFailure)
    logLine(tags::kSpotlight, "读取合同与客户失败：" + describe(readFailure) + "（本次只索引近期程序）", LogLevel::warning);
  else if (unreadable)
    logLine(tags::kSpotlight, "合同与客户的回复无法识别（本次只索引近期程序）", LogLevel::warning);

  auto items = spotlight::buildItems(nodes, source.recents ? source.recents() : std::vector<RecentItem>{});
  if (items.empty()) co_return;

  unsigned generation = ++generation_;
  auto index = index_;
  std::exception_ptr failure;
  try {
    auto remove = index->deleteDomain(spotlight::kDomain);
    co_await remove;
    if (generation != generation_) co_return;
    auto add = index->indexItems(items);
    co_await add;
  } catch (...) {
    failure = std::current_exception();
  }
  if (failure) {
    logLine(tags::kSpotlight, "索引失败：" + describe(failure), LogLevel::warning);
    co_return;
  }
  if (generation != generation_) co_return;
  indexedCount.set(static_cast<int>(items.size()));
  lastIndexedAt.set(localHourMinute(clock_.now()));
  logLine(tags::kSpotlight, "已建立 " + std::to_string(items.size()) + " 条全局搜索索引");
  if (nodes) {
    for (const auto& note : spotlight::capNotes(*nodes)) logLine(tags::kSpotlight, note);
  }
}

void SpotlightIndexer::setEnabled(bool on) {
  enabled.set(on);
  defaults_.set(kEnabledKey, on);
  if (!on) {
    clearIndex();
    return;
  }
  if (!workspace_) return;
  if (auto browser = workspace_()) scope_.spawn(indexNow(std::move(browser)));
}

void SpotlightIndexer::clearIndex() {
  ++generation_;
  spawn(deleteDomainLogged(index_));
  indexedCount.set(0);
  lastIndexedAt.set("");
}

}  // namespace quorvel
