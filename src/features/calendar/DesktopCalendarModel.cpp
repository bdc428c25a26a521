#include "features/calendar/DesktopCalendarModel.h"

#include <cassert>
#include <ctime>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "features/calendar/DesktopCalendarRules.h"
#include "features/calendar/CalendarFeedSource.h"

namespace quorvel {

namespace {
constexpr unsigned kAutoRefreshMs = 180'000;
constexpr unsigned kToastMs = 2'600;

std::string hourMinuteOf(Clock::time_point at) {
  std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[8];
  std::strftime(buf, sizeof buf, "%H:%M", &tm);
  return buf;
}
}  // namespace

DesktopCalendarModel::Services DesktopCalendarModel::servicesOver(CalendarFeedSource& feed, BrowserModel& browser) {
  Services s;
  s.fetchLiveEvents = [&feed](bool force) { return feed.fetchLiveEvents(force); };
  s.deadlines = [&browser] { return browser.account().deadlines.get(); };
  s.postForm = [&browser](std::string path) -> Task<FormResult> {
    auto result = browser.requests().postForm(path, {});
    co_return co_await result;
  };
  s.refreshBadges = [&browser] { browser.reads().refreshBadges(); };
  s.audit = [&browser](const std::string& action, const std::string& rel) { browser.audit().record(action, rel); };
  s.serverURL = [&browser] { return AppConfig::serverURL(browser.defaults()); };
  s.now = [&browser] { return browser.clock().now(); };
  return s;
}

DesktopCalendarModel::DesktopCalendarModel(CalendarFeedSource& feed, BrowserModel& browser)
    : DesktopCalendarModel(servicesOver(feed, browser)) {}

DesktopCalendarModel::DesktopCalendarModel(Services services) : services_(std::move(services)) {
  assert(services_.fetchLiveEvents);
  if (!services_.deadlines) services_.deadlines = [] { return Deadlines{}; };
  if (!services_.postForm)
    services_.postForm = [](std::string) -> Task<FormResult> {
      co_return FormResult{false, -1, "没有工作区", AppError(errors::kQuorvel, errors::kNoPage, "没有工作区")};
    };
  if (!services_.refreshBadges) services_.refreshBadges = [] {};
  if (!services_.audit) services_.audit = [](const std::string&, const std::string&) {};
  if (!services_.serverURL) services_.serverURL = [] { return std::string(AppConfig::kDefaultServerURL); };
  if (!services_.now) services_.now = [] { return std::chrono::system_clock::now(); };
  if (!services_.after)
    services_.after = [](unsigned ms, std::function<void()> fn) { postToMainAfter(ms, std::move(fn)); };
}

DesktopCalendarModel::~DesktopCalendarModel() {
  scope_.end();
  if (timer_) cancelTimer(timer_);
}

void DesktopCalendarModel::startAutoRefresh() {
  if (timer_) cancelTimer(timer_);
  timer_ = startRepeatingTimer(kAutoRefreshMs, scope_.guard([this] {
    scope_.spawn(refresh(true));
    return true;
  }));
}

Task<void> DesktopCalendarModel::refresh(bool silent) { return scope_.bind(refreshImpl(silent)); }

Task<void> DesktopCalendarModel::refreshImpl(bool silent) {
  const unsigned long gen = ++generation_;
  if (!silent) {
    loading.set(true);
    loadingOwner_ = gen;
  }
  // Unchanged values are not published again: a view observing them redraws only
  // what a refresh really changed.
  error.setIfChanged(std::nullopt);
  std::vector<ICSEvent> fetched;
  std::optional<AppError> failed;
  try {
    auto fetch = services_.fetchLiveEvents(!silent);
    fetched = co_await fetch;
  } catch (...) {
    failed = asAppError(std::current_exception());
  }
  if (gen == generation_) {
    if (!failed) {
      sortForDesktopDisplay(fetched);
      if (!(events.get() == fetched)) events.set(std::move(fetched));
      updatedAtText.setIfChanged(hourMinuteOf(services_.now()));
    } else {
      auto fallback = fallbackFromDeadlines();
      if (!fallback.empty() && events->empty()) events.set(std::move(fallback));
      logLine(tags::kCal, "桌面日历刷新失败：" + describe(*failed));
      error.setIfChanged(std::move(failed));
    }
  }
  if (loadingOwner_ == gen) {
    loadingOwner_ = 0;
    loading.set(false);
  }
}

std::vector<ICSEvent> DesktopCalendarModel::fallbackFromDeadlines() const {
  return desktopFallbackEvents(services_.deadlines(), services_.serverURL(), services_.now());
}

Task<void> DesktopCalendarModel::markDone(ICSEvent event) { return scope_.bind(markDoneImpl(std::move(event))); }

Task<void> DesktopCalendarModel::markDoneImpl(ICSEvent event) {
  auto id = event.logID();
  if (!id) co_return;
  auto post = services_.postForm("/api/mark_todo_done/" + std::to_string(*id));
  FormResult result = co_await post;
  if (result.ok) {
    std::vector<ICSEvent> kept;
    for (auto& e : events.get())
      if (e.logID() != id) kept.push_back(e);
    events.set(std::move(kept));
    services_.refreshBadges();
    showToast("已标记完成并同步系统");
    services_.audit("desktop-calendar-done", "log:" + std::to_string(*id));
  } else {
    showToast("标记失败，请确认账号登录状态");
  }
}

void DesktopCalendarModel::showToast(const std::string& text) {
  toastText.set(text);
  services_.after(kToastMs, scope_.guard([this, text] {
    if (toastText.get() == text) toastText.set("");
  }));
}

}  // namespace quorvel
