#include "app/AppDelegate.h"

#include <gtkmm/application.h>
#include <gtkmm/window.h>

#include <fstream>

#include "app/AppServices.h"
#include "app/AppWindows.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "ui/model/WorkspaceViewState.h"
#include "core/Dialogs.h"
#include "core/Notifier.h"
#include "core/PrivacyLock.h"
#include "diagnostics/PreviewRenders.h"
#include "diagnostics/DomDump.h"
#include "diagnostics/EditUploadTest.h"
#include "diagnostics/LiveFeatureTest.h"
#include "diagnostics/Reports.h"
#include "diagnostics/SelfTest.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/mirror/MirrorStore.h"
#include "features/recognition/OcrEngine.h"
#include "features/recognition/ScannerOCR.h"
#include "features/recognition/ScreenCaptureOCR.h"
#include "features/workspace/DeepLinkRouter.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/SpotlightIndexer.h"
#include "features/workspace/UpdateChecker.h"
#include "platform/Desktop.h"
#include "platform/OpenedFiles.h"
#include "platform/UserDefaults.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/editing/QuickArchiveWindow.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/recognition/ScanProgressWindow.h"
#include "ui/main/TabKeys.h"
#include "ui/windows/MainWindowController.h"
#include "web/WebEngine.h"

namespace quorvel {

namespace {
// What the view renders show of the application's own services.
PreviewRenders::Services renderServices(AppServices& services) {
  return {services.settingsServices(),
          QuickArchiveServices{services.filePanels(), services.inbox(), services.scanner(), services.workers(),
                               services.audit()},
          services.mirrorServices()};
}
}  // namespace

void GLibScheduler::after(double seconds, std::function<void()> step) {
  unsigned token = ++next_;
  auto ms = static_cast<unsigned>(seconds * 1000.0 + 0.5);
  auto id = postToMainAfter(ms, [this, token, step = std::move(step)] {
    // The source ends after this call; forget it before the step may destroy us.
    if (auto it = pending_.find(token); it != pending_.end()) {
      it->second->forget();
      pending_.erase(it);
    }
    step();
  });
  pending_[token] = std::make_unique<SourceId>(id);
}

AppDelegate::AppDelegate(Gtk::Application& app, AppServices& services, LaunchSwitches switches,
                         std::function<void()> showMainWindow)
    : app_(app),
      services_(services),
      browser_(services.browser()),
      view_(services.viewState()),
      showMainWindow_(std::move(showMainWindow)),
      switches_(std::move(switches)),
      router_(std::make_unique<DeepLinkRouter>(services_.defaults(), *this)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch() {
  if (launched_) return;
  launched_ = true;
  runLaunchSequence(switches_, *this, scheduler_, services_.hotKeys().isEnabled());
}

void AppDelegate::open(const std::vector<std::string>& uris) {
  auto items = partitionOpened(uris);
  if (items.links.empty() && items.files.empty()) return;
  if (!services_.privacyLock().admits("交来的 " + std::to_string(items.links.size()) + " 个链接、" +
                                      std::to_string(items.files.size()) + " 个文件"))
    return;
  // Each link, then the files, on later turns in this order.
  for (const auto& link : items.links) postToMain([this, link] { routeLink(link); });
  if (items.files.empty()) return;
  // Handed over as addresses; the archive reads local paths.
  std::vector<std::string> paths, elsewhere;
  for (const auto& uri : items.files) {
    if (auto path = OpenedFiles::localPath(uri)) paths.push_back(path->string());
    else elsewhere.push_back(uri);
  }
  items.files = std::move(paths);
  // A link or another program may name any file of this machine: nothing is staged unasked.
  if (!items.files.empty())
    askBeforeStaging(services_.dialogs(), items.files, [this, files = items.files, hint = items.filesHint()] {
      openQuickArchive(files, hint, false);
    });
  if (elsewhere.empty()) return;
  std::string list;
  for (const auto& uri : elsewhere) {
    logLine(tags::kArchive, "无法打开（不是本机文件）：" + uri, LogLevel::warning);
    list += "\n" + uri;
  }
  // Over the archive window, which opens first.
  postToMain([&dialogs = services_.dialogs(), list] { dialogs.alert("无法打开文件", "以下地址不是本机文件，未能归档：" + list); });
}

void AppDelegate::terminate() {
  // Nothing presents recognition results once the windows go.
  services_.screenCapture().configure({});
  if (browser_) browser_->saveSession();
  services_.quickCapture().reset();
  services_.quickArchive().reset();
  services_.inbox().stopWatching();
  services_.hotKeys().unregisterAll();
  tabKeys_.reset();
}

// ---- Tray and task-bar menu -----------------------------------------------------------

void AppDelegate::dockOpenTodo() {
  showMainWindow_();
  view_->showTodo.setIfChanged(true);
}

void AppDelegate::dockOpenDashboard() {
  showMainWindow_();
  browser_->loadInActive("/dashboard");
}

void AppDelegate::dockCheckUpdate() {
  showMainWindow_();
  checkForUpdateManually();
}

// ---- Entry points ---------------------------------------------------------------------

bool AppDelegate::routeLink(const std::string& url) {
  return router_->handle(url, *browser_, {view_->showTodo, view_->showPalette, view_->showMirror});
}

void AppDelegate::toggleQuickCapture() {
  logLine(tags::kApp, "快捷记待办入口已触发");
  services_.quickCapture().toggle();
}

void AppDelegate::captureAndAnalyze() { services_.screenCapture().captureAndAnalyze(); }

void AppDelegate::openQuickArchive(const std::vector<std::string>& files, const std::string& hint,
                                   bool fromHotFolder) {
  std::vector<std::filesystem::path> paths(files.begin(), files.end());
  services_.quickArchive().open(paths, hint, fromHotFolder);
}

void AppDelegate::toggleDesktopCalendar() { services_.desktopCalendar().toggle(); }

void AppDelegate::pickAndRunScanner() { services_.scannerOCR().pickAndRun(); }

void AppDelegate::checkForUpdateManually() { services_.updates().checkManually(); }

void AppDelegate::syncCalendarNow() { spawn(services_.calendarSync().syncNow(true)); }

void AppDelegate::lockNow() {
  showMainWindow_();
  services_.privacyLock().lock();
}

void AppDelegate::revealAuditLog() {
  auto path = AppConfig::dataDir() / "upload-audit.jsonl";
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream touch(path, std::ios::app);  // a write error is ignored
  }
  services_.desktop().revealFile(path);
}

void AppDelegate::openDataFolder() {
  auto dir = AppConfig::dataDir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  alertOpenFailure(services_.dialogs(), services_.desktop().tryOpen(Gio::File::create_for_path(dir.string())->get_uri()));
}

// ---- Launch steps ---------------------------------------------------------------------

void AppDelegate::activate() { showMainWindow_(); }

void AppDelegate::reportDamagedSettings() {
  quorvel::reportDamagedSettings(services_.defaults(), services_.dialogs(), AppConfig::serverURL(services_.defaults()));
}

void AppDelegate::setUpNotifications() { services_.notifier().setup(); }

void AppDelegate::warmUpRecognition() { OcrEngine::warmUp(services_.ocrPools(), services_.workers()); }

void AppDelegate::openTarget(const std::string& target) {
  if (!services_.privacyLock().admits("打开 " + target)) return;
  // An absolute address is a link (the service's own pages or the application's);
  // anything else is a page path.
  if (isAbsoluteAddress(target))
    routeLink(target);
  else
    browser_->loadInActive(target);
  logLine(tags::kOpen, target);
}

void AppDelegate::runDomDump() {
  DomDump::run(*browser_, diagnostics_.guard([this](nlohmann::json report) {
    writeDiagnosticReport(report, "dom-dump.json", "[DOMDUMP]");
    quitApp();
  }));
}

void AppDelegate::runEditTest() {
  EditUploadTest::Services check{*browser_,          services_.mirrorStore().transfers(), services_.defaults(),
                                 services_.clock(), services_.webEngine(),                diagnostics_};
  EditUploadTest::run(check, [this](nlohmann::json report) {
    writeDiagnosticReport(report, "edit-upload-test.json", "[EDIT-TEST]");
    quitApp();
  });
}

void AppDelegate::runTutorial() {
  showMainWindow_();
  runTutorialSequence(browser_, view_, scheduler_);
}

void AppDelegate::renderAll() {
  PreviewRenders::renderAllAndExit(renderServices(services_), [this] { quitApp(); });
}
void AppDelegate::renderSheets() {
  PreviewRenders::renderSheetsAndExit(renderServices(services_), [this] { quitApp(); });
}
void AppDelegate::renderSettings() {
  PreviewRenders::renderSettingsAndExit(renderServices(services_), [this] { quitApp(); });
}
void AppDelegate::renderSidebar() {
  PreviewRenders::renderSidebarAndExit(renderServices(services_), [this] { quitApp(); });
}

void AppDelegate::attachWindowMemory() { services_.mainWindow().memory().attach(); }

void AppDelegate::checkForUpdateIfDue() { services_.updates().checkAtLaunchIfDue(); }

void AppDelegate::startBackgroundServices() {
  // Turning indexing on in the settings indexes this workspace at once.
  services_.spotlight().setWorkspace([weak = std::weak_ptr<BrowserModel>(browser_)] { return weak.lock(); });
  postToMain([this] {
    // Old versions past their days go first.
    services_.mirrorStore().maintenance().autoPruneIfNeeded();
    services_.calendarSync().startIfEnabled();
    services_.desktopCalendar().startIfEnabled(services_.mode());
    services_.inbox().startIfEnabled(services_.mode() == AppMode::diagnostic);
    services_.privacyLock().startMonitoring();
  });
}

void AppDelegate::setUpHotKeys(bool registerKeys) {
  // What the keys do was wired with the services.
  if (registerKeys) services_.hotKeys().registerAll();
}

void AppDelegate::indexForSearch() { spawn(services_.spotlight().indexNow(browser_)); }

void AppDelegate::installShortcuts() {
  // Each new quick-capture panel, the desktop calendar and each quick-archive window
  // belong to the application.
  captureWindows_ = ScopedConnection(services_.quickCapture().signalWindowCreated().connect(
      [this](Gtk::Window& window) { addApplicationWindow(app_, window); }));
  calendarWindow_ = ScopedConnection(services_.desktopCalendar().signalWindowCreated().connect(
      [this](Gtk::Window& window) { addApplicationWindow(app_, window); }));
  archiveWindows_ = ScopedConnection(services_.quickArchive().signalWindowCreated().connect(
      [this](Gtk::Window& window) { addApplicationWindow(app_, window); }));
  auto& toolWindows = services_.toolWindows();
  windowAdded_ = ScopedConnection(toolWindows.signalWindowCreated().connect(
      [this](Gtk::Window& window) { addApplicationWindow(app_, window); }));
  for (const std::string name : {"settings", "palette", "shortcuts", "todo", "mirror"})
    if (auto* w = toolWindows.window(name)) addApplicationWindow(app_, *w);
  // The tab keys in every window, the tray panel's too; under the lock they pass on.
  tabKeys_ = std::make_unique<WindowTabKeys>(browser_, [lock = &services_.privacyLock()] {
    return !lock->isLocked.get();
  });
}

void AppDelegate::startDiagnostics() {
  if (auto* selfTest = services_.selfTest()) selfTest->start();
  LiveFeatureTest::start(switches_.liveTest,
                         services_.liveCheckServices([this](const std::string& url) { return routeLink(url); },
                                                     [this] { quitApp(); }, diagnostics_));
}

void AppDelegate::afterFirstPage(std::function<void()> rest) {
  firstPage_ = std::make_unique<FirstPageGate>(browser_->activeLoading(), scheduler_, LaunchDelays::firstPageCap,
                                               std::move(rest));
}

void AppDelegate::quitApp() { app_.quit(); }

}  // namespace quorvel
