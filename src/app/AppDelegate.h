#pragma once
// What the application does around its windows: the launch sequence, opened links
// and files, the tray's menu actions, the menu commands' entry points into the
// subsystems, and what happens when it ends.
#include <giomm/file.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Task.h"
#include "app/LaunchSequence.h"
#include "base/GLibPtr.h"
#include "core/MainWindowHook.h"

namespace Gtk {
class Application;
class Window;
}  // namespace Gtk

namespace quorvel {

class AppServices;
class DeepLinkRouter;
class BrowserModel;
class WorkspaceViewState;
class WindowTabKeys;

// Delayed steps on the main loop, cancelled when the scheduler goes away.
class GLibScheduler : public Scheduler {
 public:
  void after(double seconds, std::function<void()> step) override;

 private:
  std::map<unsigned, std::unique_ptr<SourceId>> pending_;
  unsigned next_ = 0;
};

class AppDelegate : public LaunchSteps, public MainWindowHook {
 public:
  // `switches`: the client's own, read once at start.
  AppDelegate(Gtk::Application& app, AppServices& services, LaunchSwitches switches,
              std::function<void()> showMainWindow);
  ~AppDelegate() override;

  // The launch sequence, once, after the main window exists.
  void launch();
  // Links and files handed to the application (command line, second launch, the
  // desktop, the desktop's search). Links are routed first, in order, then all files
  // go to one filing. Under the privacy lock the whole hand-off is refused.
  void open(const std::vector<std::string>& uris);
  // Saves the session, releases the hot keys and the key monitors.
  void terminate();

  // Tray and task-bar menu actions.
  void dockOpenTodo();
  void dockOpenDashboard();
  void dockCheckUpdate();

  // Entry points of the subsystems reached from menus, the top bar, the tray and the
  // hot keys. One of a subsystem not in this build says so in an alert.
  void toggleQuickCapture();
  void captureAndAnalyze();
  void openQuickArchive(const std::vector<std::string>& files, const std::string& hint, bool fromHotFolder);
  void toggleDesktopCalendar();
  void pickAndRunScanner();
  void checkForUpdateManually();
  void syncCalendarNow();
  void lockNow();
  void revealAuditLog();
  void openDataFolder();
  // Handles a link of the application or of the service's pages; false when it is
  // not one.
  bool routeLink(const std::string& url);

  // MainWindowHook: links and search results bring the window forward.
  void showMainWindow() override { showMainWindow_(); }

  // LaunchSteps
  void activate() override;
  void reportDamagedSettings() override;
  void setUpNotifications() override;
  void warmUpRecognition() override;
  void openTarget(const std::string& target) override;
  void runDomDump() override;
  void runEditTest() override;
  void runTutorial() override;
  void renderAll() override;
  void renderSheets() override;
  void renderSettings() override;
  void renderSidebar() override;
  void attachWindowMemory() override;
  void checkForUpdateIfDue() override;
  void startBackgroundServices() override;
  void setUpHotKeys(bool registerKeys) override;
  void indexForSearch() override;
  void installShortcuts() override;
  void startDiagnostics() override;
  void afterFirstPage(std::function<void()> rest) override;

 private:
  void quitApp();

  Gtk::Application& app_;
  AppServices& services_;
  std::shared_ptr<BrowserModel> browser_;
  std::shared_ptr<WorkspaceViewState> view_;
  std::function<void()> showMainWindow_;
  LaunchSwitches switches_;
  GLibScheduler scheduler_;
  std::unique_ptr<FirstPageGate> firstPage_;  // after the scheduler: goes first
  std::unique_ptr<DeepLinkRouter> router_;
  bool launched_ = false;
  ScopedConnection windowAdded_;
  ScopedConnection captureWindows_;
  ScopedConnection calendarWindow_;
  ScopedConnection archiveWindows_;
  std::unique_ptr<WindowTabKeys> tabKeys_;
  // The diagnostic runs go on, and hand over their reports, only while this exists.
  TaskScope diagnostics_;
};

}  // namespace quorvel
