// The workspace model's reads of the service through the active page: JSON reads,
// the node cache, badges, deadlines, and signing out.
#include "base/AppError.h"
#include "base/Clock.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"
#include "core/PageReads.h"

namespace quorvel {

std::shared_ptr<WebPage> BrowserModel::activeServicePage(bool requireURL) const {
  auto t = activeTab();
  if (!t || !t->webView()) return nullptr;
  auto* page = t->webView();
  if (requireURL && (!page->currentURL() || page->currentURL()->empty())) return nullptr;
  // Reads run only in a page of the service: a foreign page would answer with its
  // own origin's data.
  if (!PageReads::isOnService(*page, AppConfig::homeURL(defaults_))) return nullptr;
  // Kept alive while a read runs, whatever happens to its tab.
  return t->webViewPtr();
}

Task<std::string> BrowserModel::fetchJSON(const std::string& path) {
  auto page = activeServicePage(false);
  if (!page) throw AppError(errors::kQuorvel, errors::kNoPage, "没有打开的页面（请先登录）");
  auto read = PageReads::fetchText(std::move(page), path);
  co_return co_await read;
}

Task<std::string> BrowserModel::fetchNodesCached(bool force) {
  if (!force && cachedNodesData) {
    auto age = Clock::now() - cachedNodesAt;
    if (age < std::chrono::seconds(30)) co_return *cachedNodesData;
  }
  auto self = shared_from_this();
  std::string bytes = co_await fetchJSON("/api/desktop/nodes");
  self->account_.cacheNodes(bytes);
  co_return bytes;
}

void BrowserModel::refreshBadges() {
  auto page = activeServicePage(true);
  if (!page) return;
  // Only a finished page of the service: a loading or failed tab has no document to read in.
  if (activeTab()->isLoading.get() || activeTab()->intendedURL) return;
  spawn(readBadges(std::move(page)));
}

Task<void> BrowserModel::readBadges(std::shared_ptr<WebPage> page) {
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  // The read starts on a later turn: nothing changes before refreshBadges returns.
  co_await nextTurn();
  auto reading = PageReads::read(std::move(page), "/api/desktop/badges", /*loginCheck=*/true);
  PageReads::Reply reply = co_await reading;
  if (reply.kind == PageReads::Reply::Kind::login) {
    if (auto m = weak.lock()) m->markLoginRequired();
    co_return;
  }
  if (!reply.ok()) {
    auto m = weak.lock();
    if (!m) co_return;
    // What the page said, as it said it; of a reply body only the head.
    const std::string reason = PageReads::replyFailureReason(reply);
    if (reply.kind == PageReads::Reply::Kind::failed)
      logLine(tags::kBadge, clippedText(reply.detail.empty() ? reason : reply.detail, 200), LogLevel::warning);
    else
      logLine(tags::kBadge, reason + " " + clippedText(reply.text, 120), LogLevel::warning);
    m->account_.failBadgeRefresh(PageReads::replyFailureReason(reply));
    co_return;
  }
  auto decoding = decodeOffMain(reply.text, parseBadgeReply);
  std::optional<BadgeCounts> counts = co_await decoding;
  auto m = weak.lock();
  if (!m) co_return;
  if (counts) m->account_.publishBadges(*counts);
  else m->applyBadges(reply.text);  // the sign-in page, or a reply of another shape
}

void BrowserModel::applyBadges(const std::string& text) { account_.applyBadges(text); }
void BrowserModel::markLoginRequired() { account_.markLoginRequired(); }
void BrowserModel::markForbidden(const std::string& path) { account_.markForbidden(path); }
std::vector<NavItem> BrowserModel::visibleNavItems() const { return account_.visibleNavItems(); }

void BrowserModel::fetchDeadlines(std::function<void()> completion) {
  auto page = activeServicePage(false);
  if (!page) {
    // Nothing could be read: the lists shown are not today's.
    account_.failDeadlineRefreshLater("没有打开的系统页面");
    if (completion) completion();
    return;
  }
  spawn(readDeadlines(std::move(page), std::move(completion)));
}

Task<void> BrowserModel::readDeadlines(std::shared_ptr<WebPage> page, std::function<void()> completion) {
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  co_await nextTurn();
  auto reading = PageReads::read(std::move(page), "/api/my_deadlines");
  PageReads::Reply reply = co_await reading;
  std::optional<Deadlines> lists;
  if (reply.ok()) {
    auto decoding = decodeOffMain(reply.text, decodeDeadlines);
    lists = co_await decoding;
  }
  auto m = weak.lock();
  if (m && lists) {
    logLine(tags::kTodo, "超期=" + std::to_string(lists->overdue.size()) + " 今日=" +
                             std::to_string(lists->today.size()) + " 3天内=" + std::to_string(lists->soon.size()) +
                             " 待核实=" + std::to_string(lists->verify.size()) + " 开庭=" +
                             std::to_string(lists->hearings.size()));
    // Published on a later turn: the completion runs before the lists change.
    m->account_.publishDeadlinesLater(*lists);
  } else if (m) {
    // Only the head of what came is logged: a reply may be megabytes long.
    const std::string reason = PageReads::replyFailureReason(reply);
    if (reply.kind == PageReads::Reply::Kind::failed)
      logLine(tags::kTodo, "读取失败：" + reason + (reply.detail.empty() ? "" : " " + clippedText(reply.detail, 120)),
              LogLevel::warning);
    else if (!reply.ok())
      logLine(tags::kTodo, "读取失败：" + reason + " " + clippedText(reply.text, 120), LogLevel::warning);
    else
      logLine(tags::kTodo, "解析失败: " + textHead(reply.text, 120), LogLevel::warning);
    m->account_.failDeadlineRefreshLater(reason);
  }
  if (completion) completion();
}

void BrowserModel::logout() {
  account_.clear();
  spawn(clearWebDataThenShowLogin());
}

Task<void> BrowserModel::clearWebDataThenShowLogin() {
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  if (webStore_) {
    try {
      co_await webStore_->clearWebData();
    } catch (const AppError& e) {
      logLine(tags::kAccount, "清除网页数据失败：" + e.message, LogLevel::warning);
    }
  }
  // The login page is loaded only once the old cookie is really gone.
  auto m = weak.lock();
  if (!m) co_return;
  m->loadInActive("/login");
  logLine(tags::kAccount, "已清除登录态，回到登录页");
}

}  // namespace quorvel
