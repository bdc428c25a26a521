#pragma once
// Turns each new set of badge counts into the launcher badge (the overdue count),
// a notification when the overdue count rose, and one daily summary after 09:00.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Task.h"
#include "core/BadgeCounts.h"
#include "platform/DesktopNotifications.h"

namespace quorvel {

class Clock;
class UserDefaults;

class Notifier {
 public:
  // Starts as a fresh process does: "notify.lastDaily" read from `defaults`. The daily
  // summary goes by `clock`'s local day and hour.
  Notifier(DesktopNotifications& desktop, UserDefaults& defaults, const Clock& clock);
  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;

  // Asks once whether notifications may be shown; the answer is stored on the main loop.
  void setup();
  // Copies the counts and applies them on a later turn of the main loop (any thread).
  void update(const BadgeCounts& counts);
  void post(const std::string& title, const std::string& body);
  // Removes the launcher badge (signed out, sign-in required).
  void clearBadge();

  bool authorized() const { return authorized_; }
  bool warned() const { return warned_; }
  long long lastOverdue() const { return lastOverdue_; }
  const std::string& lastDaily() const { return lastDaily_; }

 private:
  void apply(const BadgeCounts& c);
  void storeAuthorization(bool granted, const std::optional<std::string>& error);

  DesktopNotifications& desktop_;
  UserDefaults& defaults_;
  const Clock& clock_;
  bool authorized_ = false;
  bool warned_ = false;
  long long lastOverdue_ = -1;
  std::string lastDaily_;
  // Answers and counts posted to the main loop find the notifier gone after it is.
  TaskScope scope_;
};

}  // namespace quorvel
