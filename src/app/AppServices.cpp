#include "app/AppServices.h"

#include "base/Installed.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "core/Dialogs.h"
#include "core/FilePanels.h"
#include "core/Notifier.h"
#include "core/PrivacyLock.h"
#include "platform/Authenticator.h"
#include "platform/IdleTime.h"
#include "features/editing/EditSession.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/calendar/CalendarFeedSource.h"
#include "features/calendar/CalendarStoreSlot.h"
#include "features/calendar/CalendarSyncRecords.h"
#include "features/calendar/CalendarWriter.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "features/calendar/ReminderWriteBack.h"
#include "features/tracking/TrackingQuery.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/WorkspacePageActions.h"
#include "platform/HotKeys.h"
#include "platform/Desktop.h"
#include "platform/LauncherBadge.h"
#include "platform/UserDefaults.h"
#include "ui/editing/ConflictWindow.h"
#include "ui/components/Alerts.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/components/FilePanels.h"
#include "ui/preview/GtkPreviewPresenter.h"
#include "ui/tracking/TrackingWindow.h"
#include "ui/volume/VolumePasswordDialog.h"
#include "ui/main/PagePanels.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowAttention.h"
#include "web/PagePanelPresenter.h"
#include "web/WebEngine.h"

namespace quorvel {

// ---- Calendar ---------------------------------------------------------------------------

// The calendar sync's parts and the desktop calendar, each given what it uses; members
// are released in reverse order, the users before what they use.
struct AppServices::Calendar {
  Calendar(UserDefaults& defaults, BrowserModel& browser, const std::shared_ptr<BrowserModel>& workspace)
      : records(defaults),
        feed(browser),
        writer(store, records),
        writeBack(store, records, browser),
        sync(defaults, browser, store, records, feed, writer, writeBack),
        desktopModel(feed, browser),
        desktopWindow(defaults, desktopModel, workspace, desktopActions()) {}

  static DesktopCalendarActions desktopActions() {
    DesktopCalendarActions a;
    a.captureOnDay = [](std::chrono::system_clock::time_point day) { QuickCapturePanel::shared().show("", day); };
    a.showMainWindow = [] { MainWindowController::shared().showMainWindow(); };
    return a;
  }

  CalendarStoreSlot store;
  CalendarSyncRecords records;
  CalendarFeedSource feed;
  CalendarWriter writer;
  ReminderWriteBack writeBack;
  AppleCalendarSync sync;
  DesktopCalendarModel desktopModel;
  DesktopCalendarWindow desktopWindow;
  ~Calendar() { *self = nullptr; }
  // Pending page-load triggers see whether the sync is still there.
  std::shared_ptr<Calendar*> self = std::make_shared<Calendar*>(this);
};

void AppServices::buildCalendar() {
  calendar_ = std::make_unique<Calendar>(defaults(), *browser_, browser_);
  pageFinished_ = browser_->pageFinished().connect([this](const std::string& path) {
    // Every page load outside the sign-in page may start the first calendar sync.
    if (path.rfind("/login", 0) == 0) return;
    postToMain([calendar = calendar_->self] {
      if (*calendar) (*calendar)->sync.syncAfterPageLoadedIfNeeded();
    });
  });
}

AppleCalendarSync& AppServices::calendarSync() {
  browser();
  return calendar_->sync;
}

DesktopCalendarWindow& AppServices::desktopCalendar() {
  browser();
  return calendar_->desktopWindow;
}

// ---- Services ---------------------------------------------------------------------------

AppServices::AppServices(Options options) : options_(options) {
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
  engine_ = std::make_unique<WebEngine>(web, *actions_, *panels_, *desktop_);
  idle_ = std::make_unique<X11IdleTime>();
  authenticator_ = std::make_unique<PamAuthenticator>();
  lock_ = std::make_unique<PrivacyLock>(*idle_, *authenticator_, options.mode);
  hotKeys_ = std::make_unique<GlobalHotKeyManager>(std::make_unique<X11HotKeys>(), options.mode);
  // Undecided courier pages go to a person in the manual window (in the workspace's
  // session, as the page's user).
  if (options.mode != AppMode::test) TrackingWindow::install(engine_->network());

  Installed<AppServices>::install(*this);
  Installed<Dialogs>::install(*dialogs_);
  if (filePanels_) Installed<FilePanels>::install(*filePanels_);
  if (passwords_) Installed<PasswordPrompter>::install(*passwords_);
  if (previews_) Installed<PreviewPresenter>::install(*previews_);
  Installed<Desktop>::install(*desktop_);
  Installed<PrivacyLock>::install(*lock_);
  Installed<GlobalHotKeyManager>::install(*hotKeys_);
  LauncherBadge::setAttentionHandler(markMainWindowUrgent);
}

AppServices::~AppServices() {
  // No manual window may open on a session that is about to go.
  TrackingQuery::setManualConfirmer({});
  pageFinished_.disconnect();
  calendar_.reset();
  browser_.reset();
  LauncherBadge::setAttentionHandler({});
  Installed<GlobalHotKeyManager>::uninstall(*hotKeys_);
  hotKeys_.reset();
  Installed<PrivacyLock>::uninstall(*lock_);
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
}

AppServices* AppServices::current() { return Installed<AppServices>::get(); }

UserDefaults& AppServices::defaults() { return UserDefaults::standard(); }
Notifier& AppServices::notifier() { return Notifier::shared(); }

std::shared_ptr<BrowserModel> AppServices::makeBrowserModel() {
  return BrowserModel::create(engine_->pageFactory(), engine_.get(), options_.mode);
}

std::shared_ptr<BrowserModel> AppServices::browser() {
  if (browser_) return browser_;
  browser_ = makeBrowserModel();
  browser_->notifyCounts = [this](const BadgeCounts& c) { notifier().update(c); };
  browser_->clearDockBadge = [this] { notifier().clearBadge(); };
  // Uploads of edited case files go with the workspace's cookies and user name.
  EditSession::setWorkspace(browser_, engine_.get());
  buildCalendar();
  return browser_;
}

}  // namespace quorvel
