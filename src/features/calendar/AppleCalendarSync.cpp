#include "features/calendar/AppleCalendarSync.h"

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/NativeRequests.h"
#include "features/calendar/FeedLinks.h"
#include "features/calendar/ICSParser.h"
#include "platform/Http.h"
#include "platform/UserDefaults.h"

namespace quorvel {

AppleCalendarSync& AppleCalendarSync::shared() {
  // Never destroyed: at exit nothing may wait for the store's thread.
  static auto* instance = new AppleCalendarSync(UserDefaults::standard());
  return *instance;
}

AppleCalendarSync::AppleCalendarSync(UserDefaults& defaults)
    : config(Config::load(defaults)), defaults_(defaults) {
  statusText.set(CalendarSyncState::initialStatus(config->enabled));
}

AppleCalendarSync::~AppleCalendarSync() = default;

void AppleCalendarSync::attach(const std::shared_ptr<BrowserModel>& browser) { browser_ = browser; }

void AppleCalendarSync::setStore(std::unique_ptr<SystemCalendarStore> store) {
  store_ = std::move(store);
  storeDescription.set(store_ ? store_->backendDescription() : "");
}

void AppleCalendarSync::updateConfig(const Config& c) {
  config.set(c);
  c.save(defaults_);
}

bool AppleCalendarSync::diagnosticMode() const {
  auto b = browser_.lock();
  return b && b->mode() == AppMode::diagnostic;
}

Task<SystemCalendarStore*> AppleCalendarSync::ensureStore() {
  if (store_) co_return store_.get();
  if (storeOpening_) {
    CallbackAwaiter<bool> waiting([this](CallbackAwaiter<bool>::Resolver resolve) {
      storeWaiters_.push_back([resolve] { resolve(true); });
    });
    co_await waiting;
    co_return store_.get();
  }
  storeOpening_ = true;
  std::weak_ptr<bool> alive = alive_;
  auto opening = openSystemCalendarStore(storeOptions_);
  auto opened = co_await opening;
  if (!alive.lock()) co_return nullptr;
  storeOpening_ = false;
  setStore(std::move(opened));
  for (auto& wake : std::exchange(storeWaiters_, {})) wake();
  co_return store_.get();
}

Task<bool> AppleCalendarSync::requestPermissions() {
  auto ensuring = ensureStore();
  SystemCalendarStore* s = co_await ensuring;
  bool calendar = false, reminders = true;
  if (s) {
    auto asking = s->requestAccess(CalendarEntityType::event);
    calendar = co_await asking;
    if (config->syncReminders) {
      auto askingReminders = s->requestAccess(CalendarEntityType::reminder);
      reminders = co_await askingReminders;
    }
  } else {
    reminders = !config->syncReminders;
  }
  logLine(tags::kCal, "权限结果 calendar=" + std::to_string(calendar ? 1 : 0) +
                          " reminders=" + std::to_string(reminders ? 1 : 0));
  co_return calendar;
}

std::string AppleCalendarSync::currentAccountKey() const {
  auto b = browser_.lock();
  return b ? CalendarSyncState::accountKey(b->badges.get()) : ":";
}

void AppleCalendarSync::dropCacheIfForeign() {
  if (!cachedURL_ && !cachedETag_) return;
  auto b = browser_.lock();
  bool signedOut = b && b->badges->loginRequired;
  std::string account = currentAccountKey();
  if (signedOut || CalendarSyncState::isAccountChange(cacheAccount_, account)) {
    logLine(tags::kCal, "账号已变化，重新查找日历订阅链接");
    forgetFeedCache();
    return;
  }
  // Found before the account was known: it is this account's.
  if (!CalendarSyncState::isAccount(cacheAccount_)) cacheAccount_ = account;
}

std::optional<std::string> AppleCalendarSync::cachedAllICSURL() {
  dropCacheIfForeign();
  return cachedURL_;
}

std::optional<std::string> AppleCalendarSync::cachedETag() {
  dropCacheIfForeign();
  return cachedETag_;
}

void AppleCalendarSync::cacheAllICSURL(const std::string& url) {
  std::string account = currentAccountKey();
  bool sameAddress = cachedURL_ == url;
  if (!sameAddress || CalendarSyncState::isAccountChange(cacheAccount_, account)) cachedETag_.reset();
  if (!sameAddress || CalendarSyncState::isAccount(account)) cacheAccount_ = account;
  cachedURL_ = url;
}

void AppleCalendarSync::cacheETag(const std::optional<std::string>& etag) {
  dropCacheIfForeign();
  if (!cachedURL_) return;  // a tag without its address means nothing
  cachedETag_ = etag;
}

void AppleCalendarSync::forgetFeedCache() {
  cachedURL_.reset();
  cachedETag_.reset();
  cacheAccount_.clear();
}

std::string AppleCalendarSync::lastSyncedAccount() const {
  return defaults_.string(CalendarSyncState::kLastAccountKey).value_or("");
}

void AppleCalendarSync::rememberSyncedAccount(const std::string& key) {
  if (CalendarSyncState::isAccount(key)) defaults_.set(CalendarSyncState::kLastAccountKey, key);
}

void AppleCalendarSync::updateTimestamp(const std::string& note) {
  auto s = CalendarSyncState::stamp(note, Clock::now());
  lastSyncedAt.set(s.time);
  statusText.set(s.status);
}

Task<std::string> AppleCalendarSync::discoverAllICSURL() {
  auto b = browser_.lock();
  if (!b) throw AppError(errors::kQuorvel, errors::kNoPage, "没有打开的页面（请先登录）");
  auto reading = b->fetchJSON(FeedLinks::kSubscribePath);
  std::string page = utf8OrEmpty(co_await reading);
  auto url = FeedLinks::extractFeedURL(page, AppConfig::homeURL());
  if (!url) throw FeedLinks::noFeedLinkError();
  co_return *url;
}

Task<std::vector<ICSEvent>> AppleCalendarSync::fetchLiveEvents(bool forceDiscover) {
  std::weak_ptr<bool> alive = alive_;
  std::optional<std::string> address = forceDiscover ? std::nullopt : cachedAllICSURL();
  if (!address) {
    // The account at the start of the discovery owns its result.
    std::string account = currentAccountKey();
    auto discovering = discoverAllICSURL();
    std::string found = co_await discovering;
    if (!alive.lock()) co_return std::vector<ICSEvent>{};
    if (!CalendarSyncState::isAccountChange(account, currentAccountKey())) cacheAllICSURL(found);
    address = found;
  }
  http::HttpRequest request;
  request.url = *address;
  request.headers.emplace_back("User-Agent", AppConfig::userAgent());
  request.timeoutSeconds = 25;
  auto sending = http::send(std::move(request));
  http::HttpResponse reply = co_await sending;
  if (!alive.lock()) co_return std::vector<ICSEvent>{};
  if (auto code = FeedLinks::feedReplyFailure(reply.status, reply.body)) {
    if (cachedURL_ == address) forgetFeedCache();
    logLine(tags::kCal, "拉取日程失败 HTTP " + std::to_string(*code));
    throw FeedLinks::fetchFailedError(*code);
  }
  co_return ICSParser::parse(reply.body);
}

}  // namespace quorvel
