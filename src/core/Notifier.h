#pragma once
// Turns each new set of badge counts into the launcher badge (the overdue count),
// a notification when the overdue count rose, and one daily summary after 09:00.
#include <functional>
#include <optional>
#include <string>

#include "core/BadgeCounts.h"

namespace quorvel {

class Notifier {
 public:
  // What the notifier needs of the desktop; the system one speaks D-Bus.
  struct Backend {
    // Answers (granted, reason when refused).
    std::function<void(std::function<void(bool, std::optional<std::string>)>)> requestAuthorization;
    // Shows one notification now; answers the error, if any.
    std::function<void(const std::string& title, const std::string& body,
                       std::function<void(std::optional<std::string>)>)>
        deliver;
    // 0 or less: no badge.
    std::function<void(long long)> setBadge;
    std::function<void()> requestAttention;
  };
  static Backend systemBackend();

  static Notifier& shared();

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

  // Back to the state of a fresh start ("notify.lastDaily" read again) with another backend.
  void resetForTesting(Backend backend);

 private:
  Notifier();
  void apply(const BadgeCounts& c);
  void storeAuthorization(bool granted, const std::optional<std::string>& error);

  Backend backend_;
  bool authorized_ = false;
  bool warned_ = false;
  long long lastOverdue_ = -1;
  std::string lastDaily_;
};

}  // namespace quorvel
