#pragma once
// The composition root: builds the process-wide objects once, in dependency order,
// hands them to each other by reference and installs the few that lower layers
// reach through their `shared()` accessors. Released in reverse order.
#include <memory>
#include <optional>
#include <string>

#include "base/GLibPtr.h"
#include "core/AppMode.h"

namespace quorvel {

class AuditLog;
class BrowserModel;
class Desktop;
class Dialogs;
class FilePanels;
class PasswordPrompter;
class PreviewPresenter;
class Notifier;
class PageActions;
class PagePanelPresenter;
class UserDefaults;
class IdleTime;
class Authenticator;
class PrivacyLock;
class WebEngine;
class GlobalHotKeyManager;
class NotificationWindows;
class SystemNotifications;

class AppServices {
 public:
  struct Options {
    AppMode mode = AppMode::normal;
    // Web data (cookies, caches) only in memory (tests).
    bool ephemeralWebData = false;
    // The drag-and-drop page script.
    bool dragAndDrop = true;
    // Stored as the service's address before anything reads it ("--server-url").
    std::optional<std::string> serverURL;
  };

  explicit AppServices(Options options);
  ~AppServices();
  AppServices(const AppServices&) = delete;
  AppServices& operator=(const AppServices&) = delete;

  // The services of the running process, nullptr before they are built.
  static AppServices* current();

  AppMode mode() const { return options_.mode; }
  UserDefaults& defaults();
  AuditLog& audit() { return *audit_; }
  Notifier& notifier() { return *notifier_; }
  Dialogs& dialogs() { return *dialogs_; }
  Desktop& desktop() { return *desktop_; }
  PageActions& pageActions() { return *actions_; }
  WebEngine& webEngine() { return *engine_; }
  PrivacyLock& privacyLock() { return *lock_; }
  GlobalHotKeyManager& hotKeys() { return *hotKeys_; }

  // The one workspace model, made on first use and wired to the notifier and the
  // calendar sync.
  std::shared_ptr<BrowserModel> browser();
  // A further model on the same engine, not wired to anything (tests).
  std::shared_ptr<BrowserModel> makeBrowserModel();

 private:
  Options options_;
  std::unique_ptr<AuditLog> audit_;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<FilePanels> filePanels_;
  std::unique_ptr<PasswordPrompter> passwords_;
  std::unique_ptr<PreviewPresenter> previews_;
  std::unique_ptr<Desktop> desktop_;
  std::unique_ptr<PagePanelPresenter> panels_;
  std::unique_ptr<PageActions> actions_;
  std::unique_ptr<WebEngine> engine_;
  std::unique_ptr<NotificationWindows> notificationWindows_;
  std::unique_ptr<SystemNotifications> notifications_;
  std::unique_ptr<Notifier> notifier_;
  std::unique_ptr<IdleTime> idle_;
  std::unique_ptr<Authenticator> authenticator_;
  std::unique_ptr<PrivacyLock> lock_;
  std::unique_ptr<GlobalHotKeyManager> hotKeys_;
  std::shared_ptr<BrowserModel> browser_;
  ScopedConnection pageFinished_;
};

}  // namespace quorvel
