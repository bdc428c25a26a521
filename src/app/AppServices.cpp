#include "app/AppServices.h"

#include "base/Installed.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "core/Dialogs.h"
#include "core/FilePanels.h"
#include "core/Notifier.h"
#include "core/PrivacyLock.h"
#include "platform/Authenticator.h"
#include "platform/IdleTime.h"
#include "features/editing/EditSession.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/tracking/TrackingQuery.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/WorkspacePageActions.h"
#include "platform/HotKeys.h"
#include "platform/Desktop.h"
#include "platform/DesktopNotifications.h"
#include "platform/UserDefaults.h"
#include "ui/editing/ConflictWindow.h"
#include "ui/components/Alerts.h"
#include "ui/components/FilePanels.h"
#include "ui/preview/GtkPreviewPresenter.h"
#include "ui/tracking/TrackingWindow.h"
#include "ui/volume/VolumePasswordDialog.h"
#include "ui/main/PagePanels.h"
#include "ui/windows/WindowAttention.h"
#include "web/PagePanelPresenter.h"
#include "web/WebEngine.h"

namespace quorvel {

AppServices::AppServices(Options options) : options_(options) {
  if (options.serverURL) AppConfig::setServerURL(defaults(), *options.serverURL);
  audit_ = std::make_unique<AuditLog>(AuditLog::defaultFile());
  // Temporary: the calendar code records through AuditLog::write().
  AuditLog::setCurrent(audit_.get());
  bool quiet = isQuiet(options.mode);
  dialogs_ = quiet ? std::unique_ptr<Dialogs>(std::make_unique<LoggingDialogs>()) : std::make_unique<GtkDialogs>();
  // Quiet runs answer every save question with "cancelled" (the fallback); tests
  // install their own panels.
  if (!quiet) {
    filePanels_ = std::make_unique<GtkFilePanels>();
    passwords_ = std::make_unique<GtkPasswordPrompter>();
    previews_ = std::make_unique<GtkPreviewPresenter>();
    // The edit session's conflicts are decided in the comparison window.
    ConflictWindow::install();
  }
  desktop_ = options.mode == AppMode::normal ? std::unique_ptr<Desktop>(std::make_unique<SystemDesktop>())
                                             : std::make_unique<LoggingDesktop>();
  panels_ = quiet ? std::unique_ptr<PagePanelPresenter>(std::make_unique<QuietPagePanels>())
                  : std::make_unique<GtkPagePanels>();
  actions_ = std::make_unique<WorkspacePageActions>();
  WebEngine::Options web;
  web.mode = options.mode;
  web.ephemeral = options.ephemeralWebData;
  web.dragAndDrop = options.dragAndDrop;
  engine_ = std::make_unique<WebEngine>(web, defaults(), *actions_, *panels_, *desktop_);
  // Notifications ask for attention through the main window's urgency hint.
  notificationWindows_ = std::make_unique<ApplicationNotificationWindows>();
  notifications_ = std::make_unique<SystemNotifications>(*notificationWindows_);
  notifier_ = std::make_unique<Notifier>(*notifications_, defaults());
  idle_ = std::make_unique<X11IdleTime>();
  authenticator_ = std::make_unique<PamAuthenticator>();
  lock_ = std::make_unique<PrivacyLock>(*idle_, *authenticator_, defaults(), options.mode);
  hotKeys_ = std::make_unique<GlobalHotKeyManager>(std::make_unique<X11HotKeys>(), defaults(), options.mode);
  // Undecided courier pages go to a person in the manual window (in the workspace's
  // session, as the page's user).
  if (options.mode != AppMode::test) TrackingWindow::install(engine_->network());

  Installed<AppServices>::install(*this);
  Installed<Dialogs>::install(*dialogs_);
  if (filePanels_) Installed<FilePanels>::install(*filePanels_);
  if (passwords_) Installed<PasswordPrompter>::install(*passwords_);
  if (previews_) Installed<PreviewPresenter>::install(*previews_);
  Installed<Desktop>::install(*desktop_);
}

AppServices::~AppServices() {
  // No manual window may open on a session that is about to go.
  TrackingQuery::setManualConfirmer({});
  pageFinished_.disconnect();
  browser_.reset();
  hotKeys_.reset();
  Installed<Desktop>::uninstall(*desktop_);
  if (previews_) {
    Installed<PreviewPresenter>::uninstall(*previews_);
    ConflictPresenter::install(nullptr);
  }
  if (passwords_) Installed<PasswordPrompter>::uninstall(*passwords_);
  if (filePanels_) Installed<FilePanels>::uninstall(*filePanels_);
  Installed<Dialogs>::uninstall(*dialogs_);
  Installed<AppServices>::uninstall(*this);
  engine_.reset();
  AuditLog::setCurrent(nullptr);
}

AppServices* AppServices::current() { return Installed<AppServices>::get(); }

UserDefaults& AppServices::defaults() { return UserDefaults::standard(); }

std::shared_ptr<BrowserModel> AppServices::makeBrowserModel() {
  return BrowserModel::create(engine_->pageFactory(), defaults(), *audit_, engine_.get(), options_.mode);
}

std::shared_ptr<BrowserModel> AppServices::browser() {
  if (browser_) return browser_;
  browser_ = makeBrowserModel();
  browser_->notifyCounts = [this](const BadgeCounts& c) { notifier().update(c); };
  browser_->clearDockBadge = [this] { notifier().clearBadge(); };
  // The audit log names whoever is signed in to the workspace.
  audit_->setIdentitySource([weak = std::weak_ptr<BrowserModel>(browser_)] {
    auto m = weak.lock();
    return m ? m->identity() : AuditLog::Identity{};
  });
  AppleCalendarSync::shared().attach(browser_);
  // Uploads of edited case files go with the workspace's cookies and user name.
  EditSession::setWorkspace(browser_, engine_.get());
  pageFinished_ = browser_->pageFinished().connect([](const std::string& path) {
    // Every page load outside the sign-in page may start the first calendar sync.
    if (path.rfind("/login", 0) == 0) return;
    postToMain([] { AppleCalendarSync::shared().syncAfterPageLoadedIfNeeded(); });
  });
  return browser_;
}

}  // namespace quorvel
