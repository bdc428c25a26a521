#pragma once
// The privacy lock: covers the main window's content until the signed-in user proves
// who he is with his login password; locks on request or after the chosen number of
// idle minutes. The web pages stay loaded underneath.
#include <memory>
#include <string>

#include "base/GLibPtr.h"
#include "base/Published.h"
#include "base/Task.h"
#include "core/AppMode.h"

namespace quorvel {

class Authenticator;
class IdleTime;
class UserDefaults;

class PrivacyLock {
 public:
  static constexpr const char* kAutoLockKey = "privacy.autolock.minutes.v1";
  static constexpr unsigned kCheckIntervalMs = 20'000;

  PrivacyLock(IdleTime& idle, Authenticator& auth, UserDefaults& defaults, AppMode mode);
  ~PrivacyLock();
  PrivacyLock(const PrivacyLock&) = delete;
  PrivacyLock& operator=(const PrivacyLock&) = delete;

  Published<bool, PrivacyLock> isLocked{false};
  Published<std::string, PrivacyLock> authError;
  Published<int, PrivacyLock> autoLockMinutes{0};

  // The settings change the idle limit: assigned and stored.
  void setAutoLockMinutes(int minutes);
  // Starts the 20-second idle check (nothing in diagnostic mode).
  void startMonitoring();
  // Every place that locks does this: clear the error, lock, log.
  void lock();
  // One idle check now (the timer runs it every 20 seconds).
  void checkIdle();
  // Checks the password; opens only when it is right. A check already running makes
  // a second attempt wait for nothing (it is ignored).
  void unlock(const std::string& password);
  bool checking() const { return checking_; }

 private:
  Task<void> verify(std::string password);

  IdleTime& idle_;
  Authenticator& auth_;
  UserDefaults& defaults_;
  AppMode mode_;
  SourceId idleTimer_;
  bool checking_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quorvel
