#pragma once
// The composition root: builds the process-wide objects once, in dependency order,
// and hands them to each other by reference. Released in reverse order.
#include <glibmm/refptr.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Task.h"
#include "base/Clock.h"
#include "base/GLibPtr.h"
#include "core/AppMode.h"

namespace Gtk {
class Application;
}
namespace Gio::DBus {
class Connection;
}

namespace quorvel {

class AppDelegate;
struct LaunchSwitches;
struct LiveCheckServices;
class MainWindow;
class MenuBarView;
class SearchIndexStore;
class SearchProvider;
class SelfTest;
class TrayController;
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
class WorkspaceViewState;
class GlobalHotKeyManager;
class AppleCalendarSync;
class CalendarStoreSlot;
class DesktopCalendarWindow;
class NotificationWindows;
class SystemNotifications;
class WorkerPool;
class LocalVolume;
class ConflictPresenter;
class EditSession;
class MirrorStore;
struct MirrorServices;
struct MirrorWorkspace;
class HotFolderWatcher;
class QuickArchiveWindow;
class PageExport;
class UpdateChecker;
class TesseractPools;
class Scanner;
class ScreenCaptureOCR;
class ScannerOCR;
class GtkScanProgressWindows;
class SearchIndex;
class SpotlightIndexer;
class TrackingQuery;
class TrackingWindows;
struct SettingsServices;
namespace http {
class DownloadSession;
}
class MainWindowController;
class FloatingWindowManager;
class QuickCapturePanel;

// One part of the services: made by them, or borrowed from a test that hands in its own.
template <class T>
class ServicePart {
 public:
  // Uses `given` when there is one, else what `make` returns (kept here).
  template <class Make>
  void set(T* given, Make make) {
    if (given) {
      use_ = given;
    } else {
      own_ = make();
      use_ = own_.get();
    }
  }
  T& operator*() const { return *use_; }
  T* operator->() const { return use_; }
  T* get() const { return use_; }

 private:
  std::unique_ptr<T> own_;
  T* use_ = nullptr;
};

class AppServices {
 public:
  // Stand-ins a test hands in for the parts that face a person or the desktop. They are
  // borrowed and outlive the services; unset ones are the mode's own.
  struct Parts {
    Dialogs* dialogs = nullptr;
    FilePanels* filePanels = nullptr;
    PasswordPrompter* passwords = nullptr;
    Desktop* desktop = nullptr;
    PreviewPresenter* previews = nullptr;
    // The settings (a test's temporary home's); unset: the user's settings file.
    UserDefaults* defaults = nullptr;
    // How long the user has been away (a test sets it); unset: the X server's answer.
    IdleTime* idle = nullptr;
    // Conflicts decided in the comparison window even in a quiet run.
    bool conflictWindow = false;
  };

  struct Options {
    AppMode mode = AppMode::normal;
    // Web data (cookies, caches) only in memory (tests).
    bool ephemeralWebData = false;
    // The drag-and-drop page script.
    bool dragAndDrop = true;
    // Stored as the service's address before anything reads it ("--server-url").
    std::optional<std::string> serverURL;
    // What the renderer probe found: OpenGL runs in software (nothing: no probe ran).
    std::optional<bool> softwareGL;
    // The index the desktop's search reads, shared with the application's search
    // provider; unset: one at SpotlightIndexer::storeFile(), made on first use (by the
    // client's start at the latest).
    std::shared_ptr<SearchIndex> searchIndex;
    // The manual delivery confirmation's drill (TRACK_TEST_MANUAL=1).
    bool trackingDrill = false;
    Parts parts;
  };

  explicit AppServices(Options options);
  ~AppServices();
  AppServices(const AppServices&) = delete;
  AppServices& operator=(const AppServices&) = delete;

  AppMode mode() const { return options_.mode; }
  const Clock& clock() const { return clock_; }
  UserDefaults& defaults() { return *defaults_; }
  AuditLog& audit() { return *audit_; }
  Notifier& notifier() { return *notifier_; }
  SystemNotifications& notifications() { return *notifications_; }
  Dialogs& dialogs() { return *dialogs_; }
  Desktop& desktop() { return *desktop_; }
  PageActions& pageActions() { return *actions_; }
  WebEngine& webEngine() { return *engine_; }
  PrivacyLock& privacyLock() { return *lock_; }
  GlobalHotKeyManager& hotKeys() { return *hotKeys_; }
  WorkerPool& workers() { return *workers_; }
  FilePanels& filePanels() { return *filePanels_; }
  PreviewPresenter& previews() { return *previews_; }
  LocalVolume& volume() { return *volume_; }
  ConflictPresenter& conflicts() { return *conflicts_; }
  EditSession& editSession() { return *editSession_; }
  HotFolderWatcher& inbox() { return *inbox_; }
  QuickArchiveWindow& quickArchive() { return *quickArchive_; }
  PageExport& pageExport() { return *pageExport_; }
  UpdateChecker& updates() { return *updates_; }
  TesseractPools& ocrPools() { return *ocrPools_; }
  Scanner& scanner() { return *scanner_; }
  ScreenCaptureOCR& screenCapture() { return *screenCapture_; }
  ScannerOCR& scannerOCR() { return *scannerOCR_; }
  TrackingQuery& tracking() { return *tracking_; }
  // The desktop search's indexer, made on first use.
  SpotlightIndexer& spotlight();
  // Finding, showing and hiding the main window, and its frame memory.
  MainWindowController& mainWindow() { return *mainWindow_; }
  QuickCapturePanel& quickCapture() { return *quickCapture_; }
  // The floating tool windows and their registered contents.
  FloatingWindowManager& toolWindows() { return *toolWindows_; }
  // What a mirror store works with.
  MirrorServices mirrorServices();
  // The one mirror store: the mirror sheet, the settings, editing and the launch's
  // pruning share it.
  MirrorStore& mirrorStore() { return *mirror_; }

  // The one workspace model, made on first use and wired to the notifier; the
  // calendar services that read it are built with it.
  std::shared_ptr<BrowserModel> browser();
  // A further model on the same engine, not wired to anything (tests).
  std::shared_ptr<BrowserModel> makeBrowserModel();
  // The windows' view state (open tool windows, the to-do list chosen, the font
  // scale), made with the workspace model and handed to the windows that show it.
  std::shared_ptr<WorkspaceViewState> viewState();
  // What the settings sheet's cards work with, over the workspace model and its view.
  SettingsServices settingsServices();

  // ---- Calendar: built with the workspace model (browser()), released before it.
  AppleCalendarSync& calendarSync();
  DesktopCalendarWindow& desktopCalendar();
  // The system calendar store the sync writes into (opened on first use).
  CalendarStoreSlot& calendarStore();

  // What the live check ("--livetest") works with: the application's services and its
  // one hot-key manager.
  LiveCheckServices liveCheckServices(std::function<bool(const std::string&)> routeLink, std::function<void()> quit,
                                      TaskScope& scope);

  // ---- The running client (not tests): what lives over the application object.
  // Built by startClient() once GTK has started (its parts are windows), in dependency
  // order; the tray's parts end with stopClient(), the rest goes first with the services.
  // `connection`: where the desktop's search finds the search provider (none without
  // one, as in a separate instance).
  void startClient(Gtk::Application& app, const LaunchSwitches& switches,
                   const Glib::RefPtr<Gio::DBus::Connection>& connection);
  // Saves the session, gives the hot keys back and ends the tray's parts.
  void stopClient();
  // The application's side of the launch, the menus and the tray (after startClient).
  AppDelegate& delegate();
  // Builds the main window the first time, else brings it forward.
  void showMainWindow();
  // The main window once it was built; null before.
  MainWindow* window();
  // The tray's panel window (after startClient).
  MenuBarView& trayPanel();
  // The self-check of a "--selftest" run; null otherwise.
  SelfTest* selfTest();

 private:
  Options options_;
  SystemClock clock_;
  ServicePart<UserDefaults> defaults_;
  std::unique_ptr<WorkerPool> workers_;
  std::unique_ptr<AuditLog> audit_;
  std::unique_ptr<MainWindowController> mainWindow_;
  std::unique_ptr<QuickCapturePanel> quickCapture_;
  ServicePart<Dialogs> dialogs_;
  ServicePart<FilePanels> filePanels_;
  ServicePart<PasswordPrompter> passwords_;
  ServicePart<Desktop> desktop_;
  ServicePart<PreviewPresenter> previews_;
  std::unique_ptr<TesseractPools> ocrPools_;
  std::unique_ptr<Scanner> scanner_;
  std::unique_ptr<ScreenCaptureOCR> screenCapture_;
  std::unique_ptr<GtkScanProgressWindows> scanProgress_;  // windowed runs only
  std::unique_ptr<ScannerOCR> scannerOCR_;
  std::unique_ptr<LocalVolume> volume_;
  std::unique_ptr<http::DownloadSession> downloads_;
  std::unique_ptr<ConflictPresenter> conflicts_;
  // The signed-in workspace the mirror store reads and uploads through, filled in by
  // browser() and once the engine exists.
  std::shared_ptr<MirrorWorkspace> editWorkspace_;
  std::shared_ptr<MirrorStore> mirror_;
  std::unique_ptr<EditSession> editSession_;
  std::unique_ptr<HotFolderWatcher> inbox_;
  std::unique_ptr<QuickArchiveWindow> quickArchive_;
  std::unique_ptr<PageExport> pageExport_;
  std::unique_ptr<UpdateChecker> updates_;
  std::unique_ptr<PagePanelPresenter> panels_;
  std::unique_ptr<TrackingQuery> tracking_;
  std::unique_ptr<PageActions> actions_;
  std::unique_ptr<WebEngine> engine_;
  std::unique_ptr<TrackingWindows> trackingWindows_;  // windowed runs only
  std::unique_ptr<NotificationWindows> notificationWindows_;
  std::unique_ptr<SystemNotifications> notifications_;
  std::unique_ptr<Notifier> notifier_;
  ServicePart<IdleTime> idle_;
  std::unique_ptr<Authenticator> authenticator_;
  std::unique_ptr<PrivacyLock> lock_;
  std::unique_ptr<GlobalHotKeyManager> hotKeys_;
  std::unique_ptr<SpotlightIndexer> spotlight_;
  std::shared_ptr<BrowserModel> browser_;
  std::shared_ptr<WorkspaceViewState> view_;
  ScopedConnection pageFinished_;
  ScopedConnection countsNotified_;
  ScopedConnection dockBadgeCleared_;

  // ---- Calendar: its parts in dependency order (AppServices.cpp).
  struct Calendar;
  void buildCalendar();
  std::unique_ptr<Calendar> calendar_;
  // Their contents show the calendar sync, the volume and the inbox: they go first.
  std::unique_ptr<FloatingWindowManager> toolWindows_;

  // ---- The running client's parts (AppServices.cpp): over all of the above, released
  // first.
  struct Client;
  // The references between parts that cannot be constructor arguments: each side is
  // built before the other exists (named at each line).
  void wire();
  std::unique_ptr<Client> client_;
};

}  // namespace quorvel
