#include "app/AppServices.h"

#include <gtkmm/application.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <thread>

#include "app/AppDelegate.h"
#include "app/AppWindows.h"
#include "app/TrayAbsenceNotice.h"
#include "diagnostics/LiveFeatureTest.h"
#include "diagnostics/SelfTest.h"
#include "features/volume/AccountFlow.h"
#include "platform/SearchProvider.h"
#include "core/MenuCommands.h"
#include "ui/main/ContentView.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PrimaryMenu.h"
#include "ui/main/WorkspaceTopBar.h"
#include "ui/recognition/ScreenOCRResultWindow.h"
#include "ui/tray/MenuBarView.h"
#include "ui/tray/TrayController.h"
#include "ui/windows/LockCurtain.h"

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

// ---- The running client's parts ---------------------------------------------------------

// Members in dependency order: each built after what it uses, released before it.
struct AppServices::Client {
  Client(AppServices& services, Gtk::Application& app, const LaunchSwitches& switches,
         const Glib::RefPtr<Gio::DBus::Connection>& connection);
  void buildTray();
  void buildWindow();

  AppServices& services;
  Gtk::Application& app;
  // Served to the desktop's search, and read by the services' indexer.
  std::shared_ptr<SearchIndexStore> searchIndex;
  std::unique_ptr<SearchProvider> searchProvider;  // exported by startClient()
  // Before any window shows: a client that ended locked starts locked.
  std::unique_ptr<LockCurtain> curtain;
  std::unique_ptr<ScreenOCRResultWindow> screenResults;
  std::unique_ptr<AppDelegate> delegate;
  std::unique_ptr<SelfTest> selfTest;  // "--selftest" only; started by the launch
  std::unique_ptr<MenuBarView> panel;
  std::unique_ptr<TrayController> tray;
  std::unique_ptr<TrayAbsenceNotice> trayAbsence;
  std::vector<ScopedConnection> syncStateChanged;
  // Built when first shown; its bar calls the delegate and shows the services.
  std::unique_ptr<MainWindow> window;
  PrimaryMenu* menu = nullptr;  // owned by the window
  ScopedConnection fontScaleChanged;
  ScopedConnection volumeChanged;
  ScopedConnection calendarShown;
  bool stopped = false;
};

// ---- Services ---------------------------------------------------------------------------

AppServices::AppServices(Options options) : options_(options) {
  defaults_.set(options.parts.defaults, [] { return std::make_unique<UserDefaults>(UserDefaults::standardFile()); });
  if (options.serverURL) AppConfig::setServerURL(defaults(), *options.serverURL);
  // As many workers as cores, at most four.
  workers_ = std::make_unique<WorkerPool>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  audit_ = std::make_unique<AuditLog>(AuditLog::defaultFile(), clock_);
  mainWindow_ = std::make_unique<MainWindowController>(defaults());
  quickCapture_ = std::make_unique<QuickCapturePanel>(defaults());
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
  editWorkspace_ = std::make_shared<MirrorWorkspace>();
  mirror_ = MirrorStore::create(mirrorServices(), editWorkspace_);
  auto editing = EditSession::Backend::real(*volume_, *desktop_, *workers_, mirror_->transfers(), editWorkspace_);
  // A user's edits outlive the process; diagnostic and test runs leave no sessions.
  if (options.mode == AppMode::normal) editing.sessionsFile = AppConfig::dataDir() / "edit-sessions.json";
  editSession_ = std::make_unique<EditSession>(std::move(editing), *dialogs_, *conflicts_, *previews_,
                                               volume_->cache().editing(), *workers_, *audit_, clock_);
  editSession_->restoreSessions();
  inbox_ = std::make_unique<HotFolderWatcher>(defaults(), *filePanels_, *desktop_);
  quickArchive_ = std::make_unique<QuickArchiveWindow>(
      QuickArchiveServices{*filePanels_, *inbox_, *scanner_, *workers_, *audit_}, *mainWindow_, &defaults());
  pageExport_ = std::make_unique<PageExport>(*dialogs_, *filePanels_, *desktop_, *workers_);
  updates_ = std::make_unique<UpdateChecker>(defaults(), *dialogs_, *desktop_, *workers_, *audit_, clock_);
  panels_ = quiet ? std::unique_ptr<PagePanelPresenter>(std::make_unique<QuietPagePanels>())
                  : std::make_unique<GtkPagePanels>();
  tracking_ = std::make_unique<TrackingQuery>(defaults(), options.mode == AppMode::diagnostic, options.trackingDrill);
  actions_ = std::make_unique<WorkspacePageActions>(*volume_, *editSession_, *workers_, *ocrPools_, *tracking_);
  WebEngine::Options web;
  web.mode = options.mode;
  web.ephemeral = options.ephemeralWebData;
  web.dragAndDrop = options.dragAndDrop;
  web.softwareGL = options.softwareGL;
  engine_ = std::make_unique<WebEngine>(web, defaults(), *actions_, *panels_, *desktop_);
  // Notifications ask for attention through the main window's urgency hint.
  notificationWindows_ = std::make_unique<ApplicationNotificationWindows>();
  notifications_ = std::make_unique<SystemNotifications>(*notificationWindows_);
  notifier_ = std::make_unique<Notifier>(*notifications_, defaults(), clock_);
  idle_.set(options.parts.idle, [] { return std::make_unique<X11IdleTime>(); });
  authenticator_ = std::make_unique<PamAuthenticator>(*workers_);
  // A refusal under the lock brings the main window, with its cover, forward.
  lock_ = std::make_unique<PrivacyLock>(*idle_, *authenticator_, defaults(), options.mode, mainWindow_.get());
  hotKeys_ = std::make_unique<GlobalHotKeyManager>(std::make_unique<X11HotKeys>(), defaults(), options.mode);
  // Undecided courier pages go to a person in the manual window (in the workspace's
  // session, as the page's user).
  if (options.mode != AppMode::test)
    trackingWindows_ = std::make_unique<TrackingWindows>(engine_->network(), options.trackingDrill);
  toolWindows_ = std::make_unique<FloatingWindowManager>(defaults());
  wire();
}

void AppServices::wire() {
  // The edit session is built before the engine (the engine's page actions use it), and
  // uploads with the engine's cookies.
  editWorkspace_->webStore = engine_.get();
  // The quick-archive window reads the inbox; the inbox's new files open that window.
  inbox_->setOpener(quickArchive_.get());
  // The manual window's pages use the engine's session; the engine's page actions use
  // the lookup.
  if (trackingWindows_) tracking_->setManualConfirmer(trackingWindows_->confirmer());
  if (!client_) return;
  Client& c = *client_;
  auto model = browser();
  // The panels and the main-window controller serve the calendar, which the workspace
  // model builds; the model comes after them.
  mainWindow_->setBrowserModel(model);
  quickCapture_->setModel(model);
  quickArchive_->setModel(model);
  quickCapture_->refreshDesktopCalendarIfShown = [&calendar = desktopCalendar()] { calendar.refreshSilentlyIfShown(); };
  quickCapture_->syncCalendarIfEnabled = [&sync = calendarSync()] {
    if (sync.config->enabled) spawn(sync.syncNow(false));
  };
  // The client's windows (main window, results, tray) come after the services they use.
  mainWindow_->setOpenMainScene([this] { showMainWindow(); });
  mainWindow_->setOnClosedToBackground([&notice = *c.trayAbsence] { notice.mainWindowClosed(); });
  ScreenCaptureOCR::Config ocr;
  ocr.mode = options_.mode;
  ocr.recognize = ScreenCaptureOCR::deviceRecognizer(*ocrPools_);
  ocr.present = [w = c.screenResults.get()](const LegalOCRSignals& found) { w->present(found); };
  screenCapture_->configure(std::move(ocr));
  // Through the commands, which the privacy lock guards.
  hotKeys_->onQuickCapture = [&app = c.app] { app.activate_action("quick-capture"); };
  hotKeys_->onScreenOCR = [&app = c.app] { app.activate_action("screen-ocr"); };
  if (auto* provider = c.searchProvider.get()) {
    provider->setActivateHandler([&delegate = *c.delegate](const std::string& url) { delegate.open({url}); });
    // Under the privacy lock the desktop's search shows nothing of the workspace.
    provider->setAnswering([&lock = *lock_] { return !lock.isLocked.get(); });
    provider->setLaunchSearchHandler([this, &app = c.app](const auto&) {
      showMainWindow();
      app.activate_action("palette");
    });
  }
}

AppServices::~AppServices() {
  // Work still running off the main thread ends before anything it was given goes.
  workers_->drain();
  // The client's windows go before the services they show.
  if (client_) {
    stopClient();
    mainWindow_->setOpenMainScene({});
    quickCapture_->refreshDesktopCalendarIfShown = {};
    quickCapture_->syncCalendarIfEnabled = {};
    screenCapture_->configure({});
    hotKeys_->onQuickCapture = {};
    hotKeys_->onScreenOCR = {};
    client_.reset();
  }
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
  // Mirror work still suspended finds no cookie store once the engine is gone.
  editWorkspace_->webStore = nullptr;
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
                          *mirror_,
                          *audit_,
                          *viewState()};
}

// ---- The running client -------------------------------------------------------------------


AppServices::Client::Client(AppServices& s, Gtk::Application& application, const LaunchSwitches& switches,
                            const Glib::RefPtr<Gio::DBus::Connection>& connection)
    : services(s), app(application) {
  searchIndex = std::dynamic_pointer_cast<SearchIndexStore>(s.options_.searchIndex);
  if (!searchIndex && !s.options_.searchIndex) {
    searchIndex = std::make_shared<SearchIndexStore>(SpotlightIndexer::storeFile());
    s.options_.searchIndex = searchIndex;
  }
  // The desktop's search asks the running client for its cases.
  if (connection && searchIndex) searchProvider = std::make_unique<SearchProvider>(searchIndex, "cn.quorvel.client");
  curtain = std::make_unique<LockCurtain>(*s.lock_);
  ScreenOCRResultWindow::Hooks hooks;
  hooks.browser = [weak = std::weak_ptr<BrowserModel>(s.browser())] { return weak.lock(); };
  hooks.showQuickCapture = [&capture = *s.quickCapture_](const std::string& prefill) { capture.show(prefill); };
  hooks.showMainWindow = [&s] { s.showMainWindow(); };
  screenResults = std::make_unique<ScreenOCRResultWindow>(*s.dialogs_, hooks);
  delegate = std::make_unique<AppDelegate>(app, s, switches, [&s] { s.showMainWindow(); });
  if (switches.selfTest)
    selfTest = std::make_unique<SelfTest>(s.browser(), SelfTest::Services{*s.engine_, s.defaults(), *s.volume_, *s.workers_},
                                          [&app = app] { app.quit(); });
  buildTray();
}

void AppServices::Client::buildTray() {
  // Every tray entry goes through a command, or asks the privacy lock itself.
  auto command = [&app = app](const char* name) { return [&app, name] { app.activate_action(name); }; };
  auto guarded = [lock = services.lock_.get()](std::string what, std::function<void()> run) {
    return [lock, what = std::move(what), run = std::move(run)] {
      if (lock->admits(what)) run();
    };
  };
  auto& s = services;
  MenuBarView::Actions actions;
  actions.quickCapture = guarded("托盘：悬浮快记待办", [&capture = *s.quickCapture_] { capture.show(); });
  actions.screenCapture = command("screen-ocr");
  actions.quickArchive = command("quick-archive");
  actions.showMainWindow = [&s] { s.showMainWindow(); };
  actions.lock = command("lock");
  actions.checkUpdate = command("check-update");
  actions.quit = command("quit");
  actions.openFolder = [&s] { alertOpenFailure(s.dialogs(), s.volume().openRoot()); };
  actions.volumeMounted = [&volume = *s.volume_] { return volume.mountedRoot().has_value(); };
  actions.syncCalendarNow = command("sync-calendar");
  actions.toggleDesktopCalendar = command("desktop-calendar");
  auto& calendar = s.desktopCalendar();
  auto& sync = s.calendarSync();
  actions.desktopCalendarVisible = [&calendar] { return calendar.isVisible.get(); };
  actions.calendarSyncing = [&sync] { return sync.isSyncing.get(); };
  actions.calendarSyncEnabled = [&sync] { return sync.config->enabled; };
  panel = std::make_unique<MenuBarView>(s.browser(), s.viewState(), actions);
  auto refresh = [this] {
    if (panel) panel->refreshRows();
  };
  syncStateChanged.emplace_back(sync.isSyncing.changed().connect(refresh));
  syncStateChanged.emplace_back(sync.config.changed().connect(refresh));
  syncStateChanged.emplace_back(calendar.isVisible.changed().connect(refresh));
  TrayController::Callbacks callbacks;
  callbacks.onOpenTodo = guarded("托盘菜单：我的待办", [this] { delegate->dockOpenTodo(); });
  callbacks.onOpenDashboard = guarded("托盘菜单：个人工作台", [this] { delegate->dockOpenDashboard(); });
  callbacks.onCheckUpdate = guarded("托盘菜单：检查更新", [this] { delegate->dockCheckUpdate(); });
  // Under the lock a click on the item brings the cover forward instead of the panel.
  callbacks.onActivate = [this](int x, int y) {
    if (services.privacyLock().admits("托盘面板")) panel->toggleNear(x, y);
  };
  tray = std::make_unique<TrayController>(s.browser(), callbacks);

  TrayAbsenceNotice::Inputs inputs;
  inputs.trayShown = [this] { return tray && tray->item().shownInTray(); };
  inputs.hotKeys = [&hotKeys = *s.hotKeys_] {
    std::vector<std::string> keys;
    if (hotKeys.isRegistered(GlobalHotKeyManager::kQuickCaptureId)) keys.push_back("Alt+Shift+N（悬浮快记）");
    if (hotKeys.isRegistered(GlobalHotKeyManager::kScreenOCRId)) keys.push_back("Alt+Shift+O（屏幕框选OCR）");
    return keys;
  };
  trayAbsence = std::make_unique<TrayAbsenceNotice>(s.defaults(), s.notifications(), s.dialogs(), inputs);
}

void AppServices::Client::buildWindow() {
  auto& s = services;
  auto& d = *delegate;
  TopBarTools tools;
  tools.openQuickArchive = [&d](const std::vector<std::string>& files, const std::string& hint, bool hot) {
    d.openQuickArchive(files, hint, hot);
  };
  tools.captureAndAnalyze = [&d] { d.captureAndAnalyze(); };
  tools.lockWorkspace = [&d] { d.lockNow(); };
  tools.volumeMounted = [&volume = *s.volume_] { return volume.mountedRoot().has_value(); };
  tools.dialogs = &s.dialogs();
  tools.switchAccount = [&s] { AccountFlow::switchAccount(*s.browser(), s.dialogs(), s.volume()); };
  auto& calendar = s.desktopCalendar();
  tools.desktopCalendarHasWindow = [&calendar] { return calendar.window() != nullptr; };
  tools.desktopCalendarVisible = [&calendar] { return calendar.isVisible.get(); };
  tools.showDesktopCalendar = [&calendar] { calendar.show(); };
  tools.hideDesktopCalendar = [&calendar] { calendar.hide(); };
  auto view = s.viewState();
  window = std::make_unique<MainWindow>(s.browser(), view, *s.toolWindows_, s.lock_.get(), std::move(tools));
  addApplicationWindow(app, *window);
  if (auto* bar = window->content().topBar()) {
    // The volume button's dot follows connecting and disconnecting.
    volumeChanged = s.volume().stateChanged().connect([bar] { bar->refreshToolState(); });
    // The calendar button's dot follows the panel, however it was shown or hidden.
    calendarShown = calendar.isVisible.changed().connect([bar] { bar->refreshToolState(); });
    auto commands = menuCommands();
    // Also reachable where the desktop shows no tray.
    commands.push_back(MenuCommand{"status-panel", "状态面板", "", {}, true});
    commands.push_back(MenuCommand{"quit", "退出墨衡台", "⌘Q", {"<Control>q"}});
    menu = Gtk::make_managed<PrimaryMenu>(commands);
    bar->menuSlot().append(*menu);
    menu->setFontScale(view->fontScale.get());
    fontScaleChanged = view->fontScale.changed().connect([this, view] {
      if (menu) menu->setFontScale(view->fontScale.get());
    });
  }
}

void AppServices::startClient(Gtk::Application& app, const LaunchSwitches& switches,
                              const Glib::RefPtr<Gio::DBus::Connection>& connection) {
  if (client_) return;
  client_ = std::make_unique<Client>(*this, app, switches, connection);
  wire();
  if (client_->searchProvider) client_->searchProvider->exportOn(connection->gobj());
}

void AppServices::stopClient() {
  if (!client_ || client_->stopped) return;
  Client& c = *client_;
  c.stopped = true;
  c.delegate->terminate();
  c.fontScaleChanged = {};
  c.volumeChanged = {};
  c.calendarShown = {};
  c.syncStateChanged.clear();
  mainWindow_->setOnClosedToBackground({});
  c.trayAbsence.reset();
  c.tray.reset();
  c.panel.reset();
  // Nothing the desktop's search asks reaches the going client.
  if (c.searchProvider) c.searchProvider->unexport();
}

AppDelegate& AppServices::delegate() { return *client_->delegate; }

MainWindow* AppServices::window() { return client_ ? client_->window.get() : nullptr; }

MenuBarView& AppServices::trayPanel() { return *client_->panel; }

SelfTest* AppServices::selfTest() { return client_ ? client_->selfTest.get() : nullptr; }

void AppServices::showMainWindow() {
  if (!client_) return;
  if (!client_->window) {
    client_->buildWindow();
    // The launch sequence attaches the frame memory to it.
    client_->window->present();
    return;
  }
  mainWindow_->showMainWindow();
}

LiveCheckServices AppServices::liveCheckServices(std::function<bool(const std::string&)> routeLink,
                                                 std::function<void()> quit, TaskScope& scope) {
  return LiveCheckServices{browser(),
                           defaults(),
                           *workers_,
                           *lock_,
                           *screenCapture_,
                           calendarStore(),
                           std::move(routeLink),
                           hotKeys_.get(),
                           [this] { return std::make_unique<HotFolderWatcher>(defaults(), *filePanels_, *desktop_); },
                           std::move(quit),
                           scope};
}

}  // namespace quorvel
