#include "features/calendar/CalendarFeedSource.h"

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/NativeRequests.h"
#include "features/calendar/CalendarSyncConfig.h"
#include "features/calendar/FeedLinks.h"
#include "features/calendar/ICSParser.h"
#include "platform/Http.h"

namespace quorvel {

CalendarFeedSource::CalendarFeedSource(BrowserModel& browser) : browser_(browser) {}

CalendarFeedSource::~CalendarFeedSource() = default;

Task<http::HttpResponse> CalendarFeedSource::sendFeedRequest(std::string address, std::optional<std::string> etag) {
  http::HttpRequest request;
  request.url = std::move(address);
  request.headers.emplace_back("User-Agent", AppConfig::userAgent());
  if (etag) request.headers.emplace_back("If-None-Match", *etag);
  request.timeoutSeconds = 25;
  auto sending = http::send(std::move(request), &requests_);
  co_return co_await sending;
}

std::string CalendarFeedSource::currentAccountKey() const {
  return CalendarSyncState::accountKey(browser_.account().badges.get());
}

void CalendarFeedSource::dropCacheIfForeign() {
  if (!cachedURL_ && !cachedETag_) return;
  bool signedOut = browser_.account().badges->loginRequired;
  std::string account = currentAccountKey();
  if (signedOut || CalendarSyncState::isAccountChange(cacheAccount_, account)) {
    logLine(tags::kCal, "账号已变化，重新查找日历订阅链接");
    forgetFeedCache();
    return;
  }
  // Found before the account was known: it is this account's.
  if (!CalendarSyncState::isAccount(cacheAccount_)) cacheAccount_ = account;
}

std::optional<std::string> CalendarFeedSource::cachedAllICSURL() {
  dropCacheIfForeign();
  return cachedURL_;
}

std::optional<std::string> CalendarFeedSource::cachedETag() {
  dropCacheIfForeign();
  return cachedETag_;
}

void CalendarFeedSource::cacheAllICSURL(const std::string& url) {
  std::string account = currentAccountKey();
  bool sameAddress = cachedURL_ == url;
  if (!sameAddress || CalendarSyncState::isAccountChange(cacheAccount_, account)) cachedETag_.reset();
  if (!sameAddress || CalendarSyncState::isAccount(account)) cacheAccount_ = account;
  cachedURL_ = url;
}

void CalendarFeedSource::cacheETag(const std::optional<std::string>& etag) {
  dropCacheIfForeign();
  if (!cachedURL_) return;  // a tag without its address means nothing
  cachedETag_ = etag;
}

void CalendarFeedSource::forgetFeedCache() {
  cachedURL_.reset();
  cachedETag_.reset();
  cacheAccount_.clear();
}

Task<std::string> CalendarFeedSource::discoverAllICSURL() {
  auto reading = browser_.reads().fetchJSON(FeedLinks::kSubscribePath);
  std::string page = utf8OrEmpty(co_await reading);
  auto url = FeedLinks::extractFeedURL(page, AppConfig::homeURL(browser_.defaults()));
  if (!url) throw FeedLinks::noFeedLinkError();
  co_return *url;
}

Task<std::string> CalendarFeedSource::feedAddress(bool forceDiscover) {
  if (!forceDiscover)
    if (auto cached = cachedAllICSURL()) co_return *cached;
  // The account at the start of the discovery owns its result.
  std::string account = currentAccountKey();
  auto discovering = discoverAllICSURL();
  std::string found = co_await discovering;
  if (!CalendarSyncState::isAccountChange(account, currentAccountKey())) cacheAllICSURL(found);
  co_return found;
}

void CalendarFeedSource::checkReply(const char* what, int status, const std::string& body,
                                    const std::string& address) {
  auto problem = FeedLinks::feedReplyProblem(status, body);
  if (!problem) return;
  // The next fetch finds the address anew.
  if (cachedURL_ == address) forgetFeedCache();
  logLine(tags::kCal, std::string(what) + "：" + problem->reason + "；回复：" + failure::logExcerpt(body),
          LogLevel::warning);
  throw FeedLinks::fetchFailedError(what, *problem);
}

Task<std::vector<ICSEvent>> CalendarFeedSource::fetchLiveEvents(bool forceDiscover) {
  return scope_.bind(fetchLiveEventsImpl(forceDiscover));
}

Task<std::vector<ICSEvent>> CalendarFeedSource::fetchLiveEventsImpl(bool forceDiscover) {
  auto finding = feedAddress(forceDiscover);
  std::string address = co_await finding;
  // The entity tag is the sync run's: this fetch always takes the whole feed.
  auto sending = sendFeedRequest(address, std::nullopt);
  http::HttpResponse reply = co_await sending;
  checkReply(FeedLinks::kLiveFetchFailed, reply.status, reply.body, address);
  co_return ICSParser::parse(reply.body);
}

Task<CalendarFeedSource::SyncReply> CalendarFeedSource::fetchForSync(bool force) {
  return scope_.bind(fetchForSyncImpl(force));
}

Task<CalendarFeedSource::SyncReply> CalendarFeedSource::fetchForSyncImpl(bool force) {
  auto finding = feedAddress(force);
  std::string address = co_await finding;
  std::optional<std::string> tag = force ? std::nullopt : cachedETag();
  auto sending = sendFeedRequest(address, tag);
  http::HttpResponse reply = co_await sending;
  SyncReply out;
  out.address = address;
  if (reply.status == 304) {
    out.notModified = true;
    co_return out;
  }
  checkReply(FeedLinks::kSyncFetchFailed, reply.status, reply.body, address);
  // Until the calendars hold this body, a failure must not turn the next run into
  // "no change".
  dropETag();
  out.etag = reply.header("ETag");
  out.body = std::move(reply.body);
  co_return out;
}

void CalendarFeedSource::keepETag(const SyncReply& reply) {
  if (!reply.etag.empty() && cachedURL_ == reply.address) cacheETag(reply.etag);
}

}  // namespace quorvel
