#include "core/ServiceReads.h"

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "core/PageReads.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace {
constexpr unsigned kBadgePeriodMs = 60'000;
}  // namespace

ServiceReads::ServiceReads(BrowserModel& tabs, AccountState& account, const UserDefaults& defaults,
                           WorkerPool& workers, const Clock& clock)
    : tabs_(tabs), account_(account), defaults_(defaults), workers_(workers), clock_(clock) {
  badgeTimer_ = SourceId(startRepeatingTimer(kBadgePeriodMs, [this] {
    refreshBadges();
    return true;
  }));
  activated_ = tabs_.activated().connect([this] { refreshBadges(); });
}

std::shared_ptr<WebPage> ServiceReads::activeServicePage(bool requireURL) const {
  auto t = tabs_.activeTab();
  if (!t || !t->webView()) return nullptr;
  auto* page = t->webView();
  if (requireURL && (!page->currentURL() || page->currentURL()->empty())) return nullptr;
  // Reads run only in a page of the service: a foreign page would answer with its
  // own origin's data.
  if (!PageReads::isOnService(*page, AppConfig::homeURL(defaults_))) return nullptr;
  // Kept alive while a read runs, whatever happens to its tab.
  return t->webViewPtr();
}

Task<std::string> ServiceReads::fetchJSON(const std::string& path) {
  auto page = activeServicePage(false);
  if (!page) throw AppError(errors::kQuorvel, errors::kNoPage, "没有打开的页面（请先登录）");
  ++readsMade_[path];
  auto read = PageReads::fetchText(std::move(page), path, limits_);
  co_return co_await read;
}

Task<std::string> ServiceReads::fetchListing(const std::string& path) {
  auto page = activeServicePage(false);
  if (!page) throw AppError(errors::kQuorvel, errors::kNoPage, "没有打开的页面（请先登录）");
  ++readsMade_[path];
  PageReads::Limits limits = limits_;
  limits.maxBytes = limits_.listingMaxBytes;
  auto read = PageReads::fetchText(std::move(page), path, limits);
  co_return co_await read;
}

Task<std::string> ServiceReads::fetchNodesCached(bool force) { return scope_.bind(fetchNodesImpl(force)); }

Task<std::string> ServiceReads::fetchNodesImpl(bool force) {
  if (!force && account_.cachedNodes()) {
    auto age = clock_.now() - account_.cachedNodesAt();
    if (age < std::chrono::seconds(30)) co_return *account_.cachedNodes();
  }
  std::string bytes = co_await fetchListing(kNodesPath);
  account_.cacheNodes(bytes);
  co_return bytes;
}

long long ServiceReads::readsMade(const std::string& path) const {
  auto it = readsMade_.find(path);
  return it == readsMade_.end() ? 0 : it->second;
}

void ServiceReads::refreshBadges() {
  auto page = activeServicePage(true);
  if (!page) return;
  // Only a finished page of the service: a loading or failed tab has no document to read in.
  auto tab = tabs_.activeTab();
  if (tab->isLoading.get() || tab->intendedURL) return;
  scope_.spawn(readBadges(std::move(page)));
}

Task<void> ServiceReads::readBadges(std::shared_ptr<WebPage> page) {
  const PageReads::Limits limits = limits_;
  // The read starts on a later turn: nothing changes before refreshBadges returns.
  co_await nextTurn();
  auto reading = PageReads::read(std::move(page), "/api/desktop/badges", limits, /*loginCheck=*/true);
  PageReads::Reply reply = co_await reading;
  if (reply.kind == PageReads::Reply::Kind::login) {
    account_.markLoginRequired();
    co_return;
  }
  if (!reply.ok()) {
    // What the page said, as it said it; of a reply body only the head.
    const std::string reason = PageReads::replyFailureReason(reply);
    if (reply.kind == PageReads::Reply::Kind::failed)
      logLine(tags::kBadge, clippedText(reply.detail.empty() ? reason : reply.detail, 200), LogLevel::warning);
    else
      logLine(tags::kBadge, reason + " " + clippedText(reply.text, 120), LogLevel::warning);
    account_.failBadgeRefresh(PageReads::replyFailureReason(reply));
    co_return;
  }
  auto decoding = decodeOffMain(workers_, reply.text, parseBadgeReply);
  std::optional<BadgeCounts> counts = co_await decoding;
  if (counts) account_.publishBadges(*counts);
  else account_.applyBadges(reply.text);  // the sign-in page, or a reply of another shape
}

void ServiceReads::fetchDeadlines(std::function<void()> completion) {
  auto page = activeServicePage(false);
  if (!page) {
    // Nothing could be read: the lists shown are not today's.
    account_.failDeadlineRefreshLater("没有打开的系统页面");
    if (completion) completion();
    return;
  }
  scope_.spawn(readDeadlines(std::move(page), std::move(completion)));
}

Task<void> ServiceReads::readDeadlines(std::shared_ptr<WebPage> page, std::function<void()> completion) {
  // The caller hears the read ended even when this object went first (the frame is
  // then destroyed at its wake-up, its locals with it).
  struct Told {
    std::function<void()> fn;
    ~Told() {
      if (fn) fn();
    }
  } told{std::move(completion)};
  const PageReads::Limits limits = limits_;
  co_await nextTurn();
  auto reading = PageReads::read(std::move(page), "/api/my_deadlines", limits);
  PageReads::Reply reply = co_await reading;
  std::optional<Deadlines> lists;
  if (reply.ok()) {
    // The text goes to the decoder, which lets it go once the lists are read; a text
    // of another shape comes back for the log and the reason.
    struct Decoded {
      std::optional<Deadlines> lists;
      std::string unread;
    };
    auto decoding = decodeOffMain(workers_, std::move(reply.text), [](const std::string& text) {
      Decoded d{decodeDeadlines(text), {}};
      if (!d.lists) d.unread = text;
      return d;
    });
    Decoded decoded = co_await decoding;
    lists = std::move(decoded.lists);
    reply.text = std::move(decoded.unread);
  }
  if (lists) {
    logLine(tags::kTodo, "超期=" + std::to_string(lists->overdue.size()) + " 今日=" +
                             std::to_string(lists->today.size()) + " 3天内=" + std::to_string(lists->soon.size()) +
                             " 待核实=" + std::to_string(lists->verify.size()) + " 开庭=" +
                             std::to_string(lists->hearings.size()));
    // Published on a later turn: the completion runs before the lists change.
    account_.publishDeadlinesLater(std::move(*lists));
  } else {
    // Only the head of what came is logged: a reply may be megabytes long.
    const std::string reason = PageReads::replyFailureReason(reply);
    if (reply.kind == PageReads::Reply::Kind::failed)
      logLine(tags::kTodo, "读取失败：" + reason + (reply.detail.empty() ? "" : " " + clippedText(reply.detail, 120)),
              LogLevel::warning);
    else if (!reply.ok())
      logLine(tags::kTodo, "读取失败：" + reason + " " + clippedText(reply.text, 120), LogLevel::warning);
    else
      logLine(tags::kTodo, "解析失败: " + textHead(reply.text, 120), LogLevel::warning);
    account_.failDeadlineRefreshLater(reason);
  }
}

}  // namespace quorvel
