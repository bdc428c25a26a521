#include "app/AppServices.h"

#include <algorithm>
#include <thread>

#include "base/WorkerPool.h"
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
#include "features/editing/ConflictChoice.h"
#include "features/editing/EditSession.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/recognition/ScannerOCR.h"
#include "features/recognition/ScreenCaptureOCR.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewPresenter.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/calendar/CalendarFeedSource.h"
#include "features/calendar/CalendarStoreSlot.h"
#include "features/calendar/CalendarSyncRecords.h"
#include "features/calendar/CalendarWriter.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "features/calendar/ReminderWriteBack.h"
#include "features/tracking/TrackingQuery.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/SpotlightIndexer.h"
#include "features/workspace/UpdateChecker.h"
#include "features/workspace/WorkspacePageActions.h"
#include "platform/HotKeys.h"
#include "platform/Http.h"
#include "platform/Scanner.h"
#include "platform/ocr/TesseractPool.h"
#include "platform/SearchIndexStore.h"
#include "platform/Desktop.h"
#include "platform/DesktopNotifications.h"
#include "platform/UserDefaults.h"
#include "ui/editing/ConflictWindow.h"
#include "ui/editing/QuickArchiveWindow.h"
#include "ui/components/Alerts.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/components/FilePanels.h"
#include "ui/preview/GtkPreviewPresenter.h"
#include "ui/recognition/ScanProgressWindow.h"
#include "ui/settings/SettingsView.h"
#include "ui/tracking/TrackingWindow.h"
#include "ui/volume/VolumePasswordDialog.h"
#include "ui/main/PagePanels.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowAttention.h"
#include "web/PageExport.h"
#include "web/PagePanelPresenter.h"
#include "web/WebEngine.h"

namespace quorvel {

// ---- Calendar ---------------------------------------------------------------------------

// The calendar sync's parts and the desktop calendar, each given what it uses; members
// are released in reverse order, the users before what they use.
struct AppServices::Calendar {
  Calendar(UserDefaults& defaults, BrowserModel& browser, const std::shared_ptr<BrowserModel>& workspace,
           const Published<double>& fontScale, QuickCapturePanel& capture, MainWindowController& mainWindow)
      : records(defaults),
        feed(browser),
        writer(store, records),
        writeBack(store, records, browser),
        sync(defaults, browser, store, records, feed, writer, writeBack),
        desktopModel(feed, browser),
        desktopWindow(defaults, desktopModel, workspace, desktopActions(capture, mainWindow), &fontScale) {}

  static DesktopCalendarActions desktopActions(QuickCapturePanel& capture, MainWindowController& mainWindow) {
    DesktopCalendarActions a;
    a.captureOnDay = [&capture](std::chrono::system_clock::time_point day) { capture.show("", day); };
    a.showMainWindow = [&mainWindow] { mainWindow.showMainWindow(); };
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
  // Pending page-load triggers see whether the sync is still there.
  TaskScope scope;
};

void AppServices::buildCalendar() {
  calendar_ = std::make_unique<Calendar>(defaults(), *browser_, browser_, view_->fontScale, *quickCapture_,
                                         *mainWindow_);
  pageFinished_ = browser_->pageFinished().connect([this](const std::string& path) {
    // Every page load outside the sign-in page may start the first calendar sync.
    if (path.rfind("/login", 0) == 0) return;
    Calendar& calendar = *calendar_;
    postToMain(calendar.scope.guard([&calendar] { calendar.sync.syncAfterPageLoadedIfNeeded(); }));
  });
}

AppleCalendarSync& AppServices::calendarSync() {
  browser();
  return calendar_->sync;
}

CalendarStoreSlot& AppServices::calendarStore() {
  browser();
  return calendar_->store;
}

DesktopCalendarWindow& AppServices::desktopCalendar() {
  browser();
  return calendar_->desktopWindow;
}

// ---- Services ---------------------------------------------------------------------------

AppServices::AppServices(Options options) : options_(options) {
  defaults_.set(options.parts.defaults, [] { return std::make_unique<UserDefaults>(UserDefaults::standardFile()); });
  if (options.serverURL) AppConfig::setServerURL(defaults(), *options.serverURL);
  // As many workers as cores, at most four.
  workers_ = std::make_unique<WorkerPool>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  audit_ = std::make_unique<AuditLog>(AuditLog::defaultFile(), clock_);
  mainWindow_ = std::make_unique<MainWindowController>(defaults());
  quickCapture_ = std::make_unique<QuickCapturePanel>();
  quickCapture_->rememberFramesIn(defaults());
  bool quiet = isQuiet(options.mode);
  const Parts& given = options.parts;
  dialogs_.set(given.dialogs, [quiet]() -> std::unique_ptr<Dialogs> {
    if (quiet) return std::make_unique<LoggingDialogs>();
    return std::make_unique<GtkDialogs>();
  });
  // Quiet runs answer every file question with "cancelled" and every password
  // question too (no prompter: a mount that needs one ends as cancelled).
  filePanels_.set(given.filePanels, [quiet]() -> std::unique_ptr<FilePanels> {
    if (quiet) return std::make_unique<CancellingFilePanels>();
    return std::make_unique<GtkFilePanels>();
  });
  passwords_.set(given.passwords, [quiet]() -> std::unique_ptr<PasswordPrompter> {
    if (quiet) return nullptr;
    return std::make_unique<GtkPasswordPrompter>();
  });
  desktop_.set(given.desktop, [&options]() -> std::unique_ptr<Desktop> {
    if (options.mode == AppMode::normal) return std::make_unique<SystemDesktop>();
    return std::make_unique<LoggingDesktop>();
  });
  // Without windows a file opens in its default application and progress is logged.
  previews_.set(given.previews, [this, quiet]() -> std::unique_ptr<PreviewPresenter> {
    if (quiet) return std::make_unique<DesktopPreviewPresenter>(*desktop_);
    return std::make_unique<GtkPreviewPresenter>(*desktop_, defaults());
  });
  ocrPools_ = std::make_unique<TesseractPools>();
  scanner_ = std::make_unique<Scanner>();
  screenCapture_ = std::make_unique<ScreenCaptureOCR>(*dialogs_, *workers_);
  if (!quiet) scanProgress_ = std::make_unique<GtkScanProgressWindows>();
  scannerOCR_ = std::make_unique<ScannerOCR>(
      ScannerOCR::Services{*dialogs_, *filePanels_, *desktop_, *workers_, *ocrPools_, scanProgress_.get()});
  volume_ = std::make_unique<LocalVolume>(defaults(), *dialogs_, *desktop_, *previews_, passwords_.get(), *workers_);
  downloads_ = std::make_unique<http::DownloadSession>(MirrorStore::kTransferTimeoutSeconds);
  // The edit session's conflicts are decided in the comparison window; without windows
  // they end as cancelled.
  if (quiet && !given.conflictWindow)
    conflicts_ = std::make_unique<LoggingConflictPresenter>();
  else
    conflicts_ = std::make_unique<WindowConflictPresenter>(*desktop_, *previews_, *workers_, volume_->cache());
  editWorkspace_ = std::make_shared<EditWorkspace>();
  auto editing = EditSession::Backend::real(*volume_, *desktop_, *workers_, mirrorServices(), editWorkspace_);
  // A user's edits outlive the process; diagnostic and test runs leave no sessions.
  if (options.mode == AppMode::normal) editing.sessionsFile = AppConfig::dataDir() / "edit-sessions.json";
  editSession_ = std::make_unique<EditSession>(std::move(editing), *dialogs_, *conflicts_, *previews_,
                                               volume_->cache().editing(), *workers_, *audit_, clock_);
  editSession_->restoreSessions();
  inbox_ = std::make_unique<HotFolderWatcher>(defaults(), *filePanels_, *desktop_);
  quickArchive_ = std::make_unique<QuickArchiveWindow>(QuickArchiveServices{*filePanels_, *inbox_, *scanner_, *workers_, *audit_},
                                                       *mainWindow_);
  quickArchive_->rememberFramesIn(defaults());
  // The inbox's new files open the quick-archive window.
  inbox_->setOpener(quickArchive_.get());
  pageExport_ = std::make_unique<PageExport>(*dialogs_, *filePanels_, *desktop_, *workers_);
  updates_ = std::make_unique<UpdateChecker>(defaults(), *dialogs_, *desktop_, *workers_, *audit_, clock_);
  panels_ = quiet ? std::unique_ptr<PagePanelPresenter>(std::make_unique<QuietPagePanels>())
                  : std::make_unique<GtkPagePanels>();
  tracking_ = std::make_unique<TrackingQuery>(defaults(), options.mode == AppMode::diagnostic);
  actions_ = std::make_unique<WorkspacePageActions>(*volume_, *editSession_, *workers_, *ocrPools_, *tracking_);
  WebEngine::Options web;
  web.mode = options.mode;
  web.ephemeral = options.ephemeralWebData;
  web.dragAndDrop = options.dragAndDrop;
  web.softwareGL = options.softwareGL;
  engine_ = std::make_unique<WebEngine>(web, defaults(), *actions_, *panels_, *desktop_);
  editWorkspace_->webStore = engine_.get();
  // Notifications ask for attention through the main window's urgency hint.
  notificationWindows_ = std::make_unique<ApplicationNotificationWindows>();
  notifications_ = std::make_unique<SystemNotifications>(*notificationWindows_);
  notifier_ = std::make_unique<Notifier>(*notifications_, defaults(), clock_);
  idle_.set(options.parts.idle, [] { return std::make_unique<X11IdleTime>(); });
  authenticator_ = std::make_unique<PamAuthenticator>(*workers_);
  lock_ = std::make_unique<PrivacyLock>(*idle_, *authenticator_, defaults(), options.mode);
  // A refusal under the lock brings the main window, with its cover, forward.
  lock_->setMainWindow(mainWindow_.get());
  hotKeys_ = std::make_unique<GlobalHotKeyManager>(std::make_unique<X11HotKeys>(), defaults(), options.mode);
  // Undecided courier pages go to a person in the manual window (in the workspace's
  // session, as the page's user).
  if (options.mode != AppMode::test) {
    trackingWindows_ = std::make_unique<TrackingWindows>(engine_->network());
    tracking_->setManualConfirmer(trackingWindows_->confirmer());
  }
  toolWindows_ = std::make_unique<FloatingWindowManager>(defaults());
}

AppServices::~AppServices() {
  // Work still running off the main thread ends before anything it was given goes.
  workers_->drain();
  // The tool windows and the panels go before the services their views show, and let
  // the workspace model go with browser_, before the engine it was made on.
  toolWindows_->reset();
  quickCapture_->reset();
  quickCapture_->setModel(nullptr);
  quickArchive_->reset();
  quickArchive_->setModel(nullptr);
  // No manual window may open on a session that is about to go.
  tracking_->setManualConfirmer({});
  pageFinished_.disconnect();
  countsNotified_.disconnect();
  dockBadgeCleared_.disconnect();
  inbox_->setOpener(nullptr);
  // The index may outlive these services (the application holds it too).
  if (spotlight_)
    if (auto* store = dynamic_cast<SearchIndexStore*>(options_.searchIndex.get())) store->setDamageObserver({});
  // The members go in reverse order of their building: users before what they use.
}

MirrorServices AppServices::mirrorServices() {
  return MirrorServices{defaults(), *dialogs_, *desktop_, *volume_, *workers_, *audit_, clock_, *downloads_};
}

SpotlightIndexer& AppServices::spotlight() {
  if (!spotlight_) {
    auto index = options_.searchIndex;
    if (!index) index = std::make_shared<SearchIndexStore>(SpotlightIndexer::storeFile());
    if (auto* store = dynamic_cast<SearchIndexStore*>(index.get()))
      store->setDamageObserver([&dialogs = *dialogs_](const std::filesystem::path& keptAs) {
        dialogs.alert("搜索索引已重建", "搜索索引文件已损坏，已另存为：\n" + keptAs.string() + "\n并新建了索引。");
      });
    spotlight_ = std::make_unique<SpotlightIndexer>(std::move(index), defaults(), clock_);
  }
  return *spotlight_;
}

std::shared_ptr<BrowserModel> AppServices::makeBrowserModel() {
  return BrowserModel::create(engine_->pageFactory(), {defaults(), *audit_, *workers_, clock_}, engine_.get(),
                              options_.mode);
}

std::shared_ptr<WorkspaceViewState> AppServices::viewState() {
  browser();
  return view_;
}

std::shared_ptr<BrowserModel> AppServices::browser() {
  if (browser_) return browser_;
  browser_ = makeBrowserModel();
  view_ = std::make_shared<WorkspaceViewState>(defaults());
  countsNotified_ = browser_->account().notifyCounts().connect([this](const BadgeCounts& c) { notifier().update(c); });
  dockBadgeCleared_ = browser_->account().clearDockBadge().connect([this] { notifier().clearBadge(); });
  // The audit log names whoever is signed in to the workspace.
  audit_->setIdentitySource([weak = std::weak_ptr<BrowserModel>(browser_)] {
    auto m = weak.lock();
    return m ? m->identity() : AuditLog::Identity{};
  });
  // Uploads of edited case files go with the workspace's cookies and user name.
  editWorkspace_->model = browser_;
  buildCalendar();
  return browser_;
}

SettingsServices AppServices::settingsServices() {
  return SettingsServices{*volume_,
                          {desktopCalendar(), calendarSync(), spotlight(), *hotKeys_, *inbox_, *lock_, *dialogs_,
                           browser()},
                          defaults(),
                          *workers_,
                          *desktop_,
                          *dialogs_,
                          *updates_,
                          mirrorServices(),
                          *viewState()};
}

}  // namespace quorvel
