#pragma once
// What the notifier needs of the desktop: permission to notify, notifications, the
// launcher badge and a request for attention.
#include <functional>
#include <memory>
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

// What notifications ask of the windows; the window layer implements it.
class NotificationWindows {
 public:
  virtual ~NotificationWindows() = default;
  // The user's attention once (the main window's urgency hint).
  virtual void requestAttention() = 0;
  // One of our notifications was clicked: the application comes forward.
  virtual void activateApplication() = 0;
};

// org.freedesktop.Notifications and the launcher entry on the session bus. Listens to
// the notification server's signals from the first notification on, until destroyed.
class SystemNotifications : public DesktopNotifications {
 public:
  explicit SystemNotifications(NotificationWindows& windows);
  ~SystemNotifications() override;
  SystemNotifications(const SystemNotifications&) = delete;
  SystemNotifications& operator=(const SystemNotifications&) = delete;

  void requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) override;
  void deliver(const std::string& title, const std::string& body,
               std::function<void(std::optional<std::string>)> done) override;
  void setBadge(long long count) override;
  void requestAttention() override;

 private:
  struct Delivered;
  NotificationWindows& windows_;
  std::shared_ptr<Delivered> delivered_;
};

}  // namespace quorvel
