#pragma once
// Asks the service which client versions exist and, when a newer Linux package is
// published, offers to download it into the download folder (or to open the
// service's download page). Alerts go through Dialogs, outcomes into the audit log.
#include <string>

#include "base/Task.h"
#include "features/workspace/UpdateRules.h"

namespace quorvel {

class AuditLog;
class Clock;
class Desktop;
class Dialogs;
class UserDefaults;
class WorkerPool;

class UpdateChecker {
 public:
  static constexpr const char* kLastCheckKey = "update.lastCheck";

  // The service's address and the last check's time are in `defaults`; the package
  // is checked and stored on `workers`; checks are timed by `clock`; all of it
  // outlives the checks.
  UpdateChecker(UserDefaults& defaults, Dialogs& dialogs, Desktop& desktop, WorkerPool& workers, AuditLog& audit,
                const Clock& clock);
  UpdateChecker(const UpdateChecker&) = delete;
  UpdateChecker& operator=(const UpdateChecker&) = delete;

  // Launch sequence: a silent check when the last one started more than 12 hours ago.
  void checkAtLaunchIfDue();
  // Menu, tray panel and settings: a check that answers with an alert.
  void checkManually();

  // One check; `silent` shows alerts only for a newer version.
  Task<void> check(bool silent);
  // The "发现新版本" alert and what its first button does.
  Task<void> presentNew(std::string version, std::string notes, std::string packageURL, std::string pageURL);
  // Downloads the package, checks it and stores it as "墨衡台-<version>.<ext>".
  Task<void> download(std::string packageURL, std::string version);
  // An information alert with one button "好", awaited until it is answered.
  Task<void> present(std::string title, std::string message);

 private:
  UserDefaults& defaults_;
  Dialogs& dialogs_;
  Desktop& desktop_;
  WorkerPool& workers_;
  AuditLog& audit_;
  const Clock& clock_;
};

}  // namespace quorvel
