#include "core/Notifier.h"

#include "core/BadgeCounts.h"

#include <ctime>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace {
constexpr const char* kLastDailyKey = "notify.lastDaily";
constexpr int kDailyHour = 9;

void onMain(std::function<void()> fn) {
  if (isMainThread()) fn();
  else postToMain(std::move(fn));
}
}  // namespace

Notifier::Notifier(DesktopNotifications& desktop, UserDefaults& defaults, const Clock& clock)
    : desktop_(desktop), defaults_(defaults), clock_(clock), lastDaily_(defaults.string(kLastDailyKey).value_or("")) {}

void Notifier::setup() {
  // Bound here: the answer may come from any thread, after the notifier is gone.
  auto store = scope_.guard([this](bool granted, const std::optional<std::string>& error) {
    storeAuthorization(granted, error);
  });
  onMain(scope_.guard([this, store] {
    desktop_.requestAuthorization([store](bool granted, std::optional<std::string> error) {
      // The flag is only touched on the main loop.
      onMain([store, granted, error] { store(granted, error); });
    });
  }));
}

void Notifier::storeAuthorization(bool granted, const std::optional<std::string>& error) {
  authorized_ = granted;
  logLine(tags::kNotify, std::string("授权=") + (granted ? "true" : "false") + " 错误=" + error.value_or("nil"), LogLevel::warning);
  if (!granted) logLine(tags::kNotify, "系统通知不可用（未签名/未授权），改用任务栏角标与菜单栏计数");
}

void Notifier::update(const BadgeCounts& counts) {
  BadgeCounts copy = counts;
  postToMain(scope_.guard([this, copy] { apply(copy); }));
}

void Notifier::clearBadge() {
  onMain(scope_.guard([this] { desktop_.setBadge(0); }));
}

void Notifier::apply(const BadgeCounts& c) {
  desktop_.setBadge(shownCount(c.overdue));

  if (lastOverdue_ >= 0 && c.overdue > lastOverdue_) {
    if (authorized_) {
      post("新增 " + std::to_string(c.overdue - lastOverdue_) + " 条超期",
           "超期共 " + std::to_string(c.overdue) + " 条 · 今日到期 " + std::to_string(c.today) + " 条");
    } else {
      desktop_.requestAttention();
    }
  }
  lastOverdue_ = c.overdue;

  std::time_t t = std::chrono::system_clock::to_time_t(clock_.now());
  std::tm local{};
  localtime_r(&t, &local);
  if (local.tm_hour < kDailyHour) return;
  char date[16];
  std::strftime(date, sizeof date, "%Y-%m-%d", &local);
  if (lastDaily_ == date) return;
  if (c.overdue < 1 && c.today < 1) return;
  if (authorized_) {
    lastDaily_ = date;
    defaults_.set(kLastDailyKey, lastDaily_);
    post("今日待办", "超期 " + std::to_string(c.overdue) + " · 今日到期 " + std::to_string(c.today) + " · 待核实 " +
                         std::to_string(c.verify));
  } else {
    logLine(tags::kNotify, "尚未授权，下次刷新重试");
  }
}

void Notifier::post(const std::string& title, const std::string& body) {
  if (!authorized_) {
    if (!warned_) {
      warned_ = true;
      logLine(tags::kNotify, "通知不可用，跳过（后续不再重复记录）：" + title);
    }
    return;
  }
  desktop_.deliver(title, body, [](std::optional<std::string> error) {
    if (error) logLine(tags::kNotify, "发送失败 " + *error, LogLevel::warning);
  });
}

}  // namespace quorvel
