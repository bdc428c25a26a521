#pragma once
// What the notifier needs of the desktop: permission to notify, notifications, the
// launcher badge and a request for attention.
#include <functional>
#include <optional>
#include <string>

namespace quorvel {

class DesktopNotifications {
 public:
  virtual ~DesktopNotifications() = default;
  // Answers (granted, reason when refused); the answer may come from any thread.
  virtual void requestAuthorization(std::function<void(bool granted, std::optional<std::string> error)> done) = 0;
  // Shows one notification now; answers the error, if any.
  virtual void deliver(const std::string& title, const std::string& body,
                       std::function<void(std::optional<std::string> error)> done) = 0;
  // 0 or less: no badge.
  virtual void setBadge(long long count) = 0;
  virtual void requestAttention() = 0;
};

// org.freedesktop.Notifications and the launcher entry on the session bus.
class SystemNotifications : public DesktopNotifications {
 public:
  static SystemNotifications& shared();
  void requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) override;
  void deliver(const std::string& title, const std::string& body,
               std::function<void(std::optional<std::string>)> done) override;
  void setBadge(long long count) override;
  void requestAttention() override;
};

}  // namespace quorvel
