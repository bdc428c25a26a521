#pragma once
// The privacy lock: covers the main window's content until the signed-in user proves
// who he is with his login password; locks on request or after the chosen number of
// idle minutes. The web pages stay loaded underneath. The locked state outlives the
// process: a client that ends while locked starts locked. It is kept in a small file
// of its own beside the settings, where a failed write is noticed at once; a file that
// cannot be read or says neither state counts as locked.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/Published.h"
#include "base/Task.h"
#include "core/AppMode.h"

namespace quorvel {

class Authenticator;
class IdleTime;
class MainWindowHook;
class UserDefaults;

class PrivacyLock {
 public:
  static constexpr const char* kAutoLockKey = "privacy.autolock.minutes.v1";
  // Present (true) from the moment the lock engages until a successful unlock; still
  // written and read, so a client updated while locked starts locked.
  static constexpr const char* kLockedKey = "privacy.locked.v1";
  // The state file's name beside the settings file, and its two contents.
  static constexpr const char* kStateFileName = "privacy-lock.state";
  static constexpr const char* kLockedText = "locked";
  static constexpr const char* kUnlockedText = "unlocked";
  static constexpr unsigned kCheckIntervalMs = 20'000;

  // Starts locked when the last process ended locked. `mainWindow`: see setMainWindow.
  PrivacyLock(IdleTime& idle, Authenticator& auth, UserDefaults& defaults, AppMode mode,
              MainWindowHook* mainWindow = nullptr);
  ~PrivacyLock();
  PrivacyLock(const PrivacyLock&) = delete;
  PrivacyLock& operator=(const PrivacyLock&) = delete;

  Published<bool, PrivacyLock> isLocked{false};
  // Why the last unlock failed (errors::kAuth); none while nothing failed.
  Published<std::optional<AppError>, PrivacyLock> authError;
  Published<int, PrivacyLock> autoLockMinutes{0};
  // Why the locked state could not be stored as it engaged (the cover shows it);
  // empty when it was stored.
  Published<std::string, PrivacyLock> storeError;

  // The state file that belongs to `defaults`.
  static std::filesystem::path stateFile(const UserDefaults& defaults);

  // The settings change the idle limit: assigned, stored, and the idle check armed
  // at once for the new limit (none runs while it is off).
  void setAutoLockMinutes(int minutes);
  // Starts the 20-second idle check while a limit is set (nothing in diagnostic mode).
  void startMonitoring();
  // The period of the idle check (tests shorten it).
  void setCheckInterval(unsigned ms) { checkIntervalMs_ = ms; }
  bool idleCheckArmed() const { return static_cast<bool>(idleTimer_); }
  // Every place that locks does this: clear the error, lock, log.
  void lock();
  // The one gate of every way into the workspace from outside the cover (commands,
  // keys, hot keys, the tray, links, files handed over): true while unlocked; while
  // locked, false after logging the refusal of `what` and bringing the cover forward.
  bool admits(const std::string& what);
  // The window that shows the cover; set by the application while it has one.
  void setMainWindow(MainWindowHook* window) { mainWindow_ = window; }
  // One idle check now (the timer runs it every 20 seconds).
  void checkIdle();
  // Checks the password; opens only when it is right. A check already running makes
  // a second attempt wait for nothing (it is ignored).
  void unlock(const std::string& password);
  bool checking() const { return checking_; }
  // The live check opens the lock it engaged itself, without a password: only in a
  // diagnostic run, and never a lock the process started with (a client that ended
  // locked stays locked). Answers whether the lock is open afterwards.
  bool openAfterDiagnosticLock();

 private:
  Task<void> verify(std::string password);
  // Opens the lock and remembers that it is open; `logText` says how.
  void open(const std::string& logText);
  void persistLocked(bool locked);
  // Writes the state file; the cover's text when the locked state was not stored.
  std::string storeState(bool locked);
  void armIdleCheck();

  IdleTime& idle_;
  Authenticator& auth_;
  UserDefaults& defaults_;
  AppMode mode_;
  MainWindowHook* mainWindow_ = nullptr;
  SourceId idleTimer_;
  unsigned checkIntervalMs_ = kCheckIntervalMs;
  bool monitoring_ = false;
  bool checking_ = false;
  bool startedLocked_ = false;
  TaskScope scope_;
};

}  // namespace quorvel
