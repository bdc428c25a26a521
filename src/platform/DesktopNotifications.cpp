#include "platform/DesktopNotifications.h"

#include "platform/LauncherBadge.h"
#include "platform/Notifications.h"

namespace quorvel {

SystemNotifications& SystemNotifications::shared() {
  static SystemNotifications instance;
  return instance;
}

void SystemNotifications::requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) {
  Notifications::requestAuthorization(std::move(done));
}

void SystemNotifications::deliver(const std::string& title, const std::string& body,
                                  std::function<void(std::optional<std::string>)> done) {
  Notifications::deliver(title, body, std::move(done));
}

void SystemNotifications::setBadge(long long count) { LauncherBadge::setCount(count); }
void SystemNotifications::requestAttention() { LauncherBadge::requestAttention(); }

}  // namespace quorvel
