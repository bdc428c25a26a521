#include "app/QuorvelApp.h"

#include <glib-unix.h>

#include <csignal>

#include "app/AppArgs.h"
#include "app/AppDelegate.h"
#include "app/AppWindows.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"
#include "ui/model/WorkspaceViewState.h"
#include "core/Dialogs.h"
#include "app/LaunchSequence.h"
#include "app/TrayAbsenceNotice.h"
#include "core/MainWindowHook.h"
#include "core/MenuCommands.h"
#include "core/PrivacyLock.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/mirror/MirrorStore.h"
#include "features/recognition/ScannerOCR.h"
#include "features/volume/AccountFlow.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/SpotlightIndexer.h"
#include "features/volume/LocalVolume.h"
#include "platform/DesktopNotifications.h"
#include "platform/OpenedFiles.h"
#include "platform/SearchProvider.h"
#include "platform/UserDefaults.h"
#include "ui/components/LawStyle.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/main/ContentView.h"
#include "ui/main/MainWindow.h"
#include "ui/windows/MainWindowController.h"
#include "ui/main/PrimaryMenu.h"
#include "ui/main/RendererSetup.h"
#include "ui/main/WorkspaceTopBar.h"
#include "ui/mirror/MirrorSheet.h"
#include "ui/palette/ShortcutsSheet.h"
#include "ui/palette/CommandPaletteView.h"
#include "web/WebEngine.h"
#include "ui/settings/SettingsView.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/todos/TodoSheet.h"
#include "ui/tray/MenuBarView.h"
#include "ui/tray/TrayController.h"
#include "web/PageExport.h"
#include "web/TabController.h"
#include "web/PageZoom.h"

namespace quorvel {

namespace {
// Arguments that take the next argument as their value.
bool takesValue(const std::string& arg) { return arg == "--server-url" || arg == "--open"; }

// The links and files among a command line's arguments (switches and their values
// are not), as addresses.
std::vector<std::string> openedAddresses(const std::vector<std::string>& args,
                                         const Glib::RefPtr<Gio::ApplicationCommandLine>& cmd) {
  std::vector<std::string> uris;
  for (size_t i = 1; i < args.size(); ++i) {
    const auto& a = args[i];
    if (a.rfind("--", 0) == 0) {
      if (takesValue(a)) ++i;
      continue;
    }
    if (a.empty()) continue;
    // A relative path belongs to the folder the start came from (a second start's own).
    uris.push_back(isAbsoluteAddress(a) ? a : OpenedFiles::addressForArgument(a, cmd->get_cwd()));
  }
  return uris;
}

// A command as the user knows it: its menu title.
std::string commandTitle(const std::string& action) {
  if (const auto* c = findMenuCommand(action)) return c->title;
  if (action == "status-panel") return "状态面板";
  return action;
}

// What the command palette's six actions reach.
CommandPalette::Actions paletteActions(AppServices& services, std::weak_ptr<WorkspaceViewState> weakView) {
  CommandPalette::Actions actions;
  auto raise = [weakView](Published<bool> WorkspaceViewState::*flag) {
    return [weakView, flag] {
      if (auto view = weakView.lock()) ((*view).*flag).set(true);
    };
  };
  actions.showTodo = raise(&WorkspaceViewState::showTodo);
  actions.showMirror = raise(&WorkspaceViewState::showMirror);
  actions.showSettings = raise(&WorkspaceViewState::showSettings);
  actions.toggleDesktopCalendar = [&calendar = services.desktopCalendar()] { calendar.toggle(); };
  actions.recogniseScans = [&scans = services.scannerOCR()] { scans.pickAndRun(); };
  // Without a connected volume or mirror folder it says so in its own alert.
  actions.openVolumeFolder = [&volume = services.volume(), &dialogs = services.dialogs()] {
    alertOpenFailure(dialogs, volume.openRoot());
  };
  return actions;
}

// Commands on the page do nothing without a live active page.
bool hasLivePage(BrowserModel& model) {
  auto tab = model.activeTab();
  return tab && tab->webView();
}
}  // namespace

Glib::RefPtr<QuorvelApp> QuorvelApp::create(bool unique, AppServices::Options options, AppArgs args,
                                            RendererSetup renderer) {
  auto flags = Gio::Application::Flags::HANDLES_COMMAND_LINE | Gio::Application::Flags::HANDLES_OPEN;
  if (!unique) flags |= Gio::Application::Flags::NON_UNIQUE;
  return Glib::make_refptr_for_instance<QuorvelApp>(
      new QuorvelApp(flags, options, std::move(args), std::move(renderer)));
}

QuorvelApp::QuorvelApp(Gio::Application::Flags flags, AppServices::Options options, AppArgs args,
                       RendererSetup renderer)
    : Gtk::Application("cn.quorvel.client", flags),
      options_(options),
      args_(std::move(args)),
      renderer_(std::move(renderer)) {}

QuorvelApp::~QuorvelApp() = default;

void QuorvelApp::on_startup() {
  Gtk::Application::on_startup();
  switchOffInspectorKeys();
  renderer_.chooseAfterGtkStart();
  // The first page's web process starts as early as it can (it takes longest); the
  // rest of the start goes on while it comes up.
  options_.searchIndex = searchIndex();
  options_.softwareGL = renderer_.softwareGL();
  services_ = std::make_unique<AppServices>(options_);
  model_ = services_->browser();
  view_ = services_->viewState();
  hold();  // the application keeps running when its window is closed
  // The application icon: installed with the desktop entry, else from the sources.
  Gtk::IconTheme::get_for_display(Gdk::Display::get_default())->add_search_path(QUORVEL_SOURCE_DIR "/resources/icons");
  Gtk::Window::set_default_icon_name("cn.quorvel.client");
  installLawStyle();
  auto& mainWindow = services_->mainWindow();
  mainWindow.setBrowserModel(model_);
  mainWindow.setOpenMainScene([this] { showMainWindow(); });
  delegate_ = std::make_unique<AppDelegate>(*this, *services_, model_, view_, [this] { showMainWindow(); });
  addCommands();
  auto& contents = services_->toolWindows().contents();
  registerSettingsView(contents, services_->settingsServices());
  TodoSheet::Actions todoActions;
  todoActions.showMainWindow = [&mainWindow] { mainWindow.showMainWindow(); };
  todoActions.showDesktopCalendar = [&calendar = services_->desktopCalendar()] { calendar.show(); };
  registerTodoSheet(contents, view_, std::move(todoActions));
  registerMirrorSheet(contents, services_->mirrorStore());
  registerShortcutsSheet(contents);
  registerCommandPalette(contents, paletteActions(*services_, view_), [&mainWindow] { mainWindow.showMainWindow(); });
  startTray();

  // Log-out (SIGTERM) and Ctrl+C in a terminal (SIGINT) quit like Ctrl+Q, so the
  // tab session is saved instead of lost.
  sigterm_ = SourceId(g_unix_signal_add(
      SIGTERM,
      [](gpointer self) -> gboolean {
        static_cast<QuorvelApp*>(self)->quitOnSignal("SIGTERM");
        return G_SOURCE_CONTINUE;
      },
      this));
  sigint_ = SourceId(g_unix_signal_add(
      SIGINT,
      [](gpointer self) -> gboolean {
        static_cast<QuorvelApp*>(self)->quitOnSignal("SIGINT");
        return G_SOURCE_CONTINUE;
      },
      this));
}

void QuorvelApp::startTray() {
  // Every tray entry goes through a command, or asks the privacy lock itself.
  auto command = [this](const char* name) { return [this, name] { activate_action(name); }; };
  auto guarded = [lock = &services_->privacyLock()](std::string what, std::function<void()> run) {
    return [lock, what = std::move(what), run = std::move(run)] {
      if (lock->admits(what)) run();
    };
  };
  MenuBarView::Actions actions;
  actions.quickCapture = guarded("托盘：悬浮快记待办", [&capture = services_->quickCapture()] { capture.show(); });
  actions.screenCapture = command("screen-ocr");
  actions.quickArchive = command("quick-archive");
  actions.showMainWindow = [this] { showMainWindow(); };
  actions.lock = command("lock");
  actions.checkUpdate = command("check-update");
  actions.quit = command("quit");
  actions.openFolder = [this] { alertOpenFailure(services_->dialogs(), services_->volume().openRoot()); };
  actions.volumeMounted = [this] { return services_->volume().mountedRoot().has_value(); };
  actions.syncCalendarNow = command("sync-calendar");
  actions.toggleDesktopCalendar = command("desktop-calendar");
  auto& calendar = services_->desktopCalendar();
  auto& sync = services_->calendarSync();
  actions.desktopCalendarVisible = [&calendar] { return calendar.isVisible.get(); };
  actions.calendarSyncing = [&sync] { return sync.isSyncing.get(); };
  actions.calendarSyncEnabled = [&sync] { return sync.config->enabled; };
  panel_ = std::make_unique<MenuBarView>(model_, view_, actions);
  auto refresh = [this] {
    if (panel_) panel_->refreshRows();
  };
  syncStateChanged_.emplace_back(sync.isSyncing.changed().connect(refresh));
  syncStateChanged_.emplace_back(sync.config.changed().connect(refresh));
  syncStateChanged_.emplace_back(calendar.isVisible.changed().connect(refresh));
  TrayController::Callbacks callbacks;
  callbacks.onOpenTodo = guarded("托盘菜单：我的待办", [this] { delegate_->dockOpenTodo(); });
  callbacks.onOpenDashboard = guarded("托盘菜单：个人工作台", [this] { delegate_->dockOpenDashboard(); });
  callbacks.onCheckUpdate = guarded("托盘菜单：检查更新", [this] { delegate_->dockCheckUpdate(); });
  // Under the lock a click on the item brings the cover forward instead of the panel.
  callbacks.onActivate = [this](int x, int y) {
    if (services_->privacyLock().admits("托盘面板")) panel_->toggleNear(x, y);
  };
  tray_ = std::make_unique<TrayController>(model_, callbacks);

  TrayAbsenceNotice::Inputs inputs;
  inputs.trayShown = [this] { return tray_ && tray_->item().shownInTray(); };
  inputs.hotKeys = [this] {
    std::vector<std::string> keys;
    auto& hotKeys = services_->hotKeys();
    if (hotKeys.isRegistered(GlobalHotKeyManager::kQuickCaptureId)) keys.push_back("Alt+Shift+N（悬浮快记）");
    if (hotKeys.isRegistered(GlobalHotKeyManager::kScreenOCRId)) keys.push_back("Alt+Shift+O（屏幕框选OCR）");
    return keys;
  };
  trayAbsence_ = std::make_unique<TrayAbsenceNotice>(services_->defaults(), services_->notifications(),
                                                     services_->dialogs(), inputs);
  services_->mainWindow().setOnClosedToBackground([this] { trayAbsence_->mainWindowClosed(); });
}

bool QuorvelApp::dbus_register_vfunc(const Glib::RefPtr<Gio::DBus::Connection>& connection,
                                     const Glib::ustring& objectPath) {
  if (!Gtk::Application::dbus_register_vfunc(connection, objectPath)) return false;
  // The desktop's search asks the running client for its cases.
  searchProvider_ = std::make_unique<SearchProvider>(searchIndex(), "cn.quorvel.client");
  searchProvider_->setActivateHandler([this](const std::string& url) {
    if (delegate_) delegate_->open({url});
  });
  // Under the privacy lock the desktop's search shows nothing of the workspace.
  searchProvider_->setAnswering([this] { return services_ && !services_->privacyLock().isLocked.get(); });
  searchProvider_->setLaunchSearchHandler([this](const auto&) {
    showMainWindow();
    activate_action("palette");
  });
  searchProvider_->exportOn(connection->gobj());
  return true;
}

std::shared_ptr<SearchIndexStore> QuorvelApp::searchIndex() {
  if (!searchIndex_) searchIndex_ = std::make_shared<SearchIndexStore>(SpotlightIndexer::storeFile());
  return searchIndex_;
}

void QuorvelApp::dbus_unregister_vfunc(const Glib::RefPtr<Gio::DBus::Connection>& connection,
                                       const Glib::ustring& objectPath) {
  if (searchProvider_) searchProvider_->unexport();
  searchProvider_.reset();
  Gtk::Application::dbus_unregister_vfunc(connection, objectPath);
}

void QuorvelApp::addCommands() {
  auto add = [this](const std::string& name, const std::vector<std::string>& accels, bool withScale = false) {
    auto action = withScale ? Gio::SimpleAction::create(name, Glib::VariantType("d")) : Gio::SimpleAction::create(name);
    action->signal_activate().connect([this, name](const Glib::VariantBase& p) { runCommand(name, p); });
    add_action(action);
    if (!accels.empty()) set_accels_for_action("app." + name, std::vector<Glib::ustring>(accels.begin(), accels.end()));
  };
  for (const auto& c : menuCommands()) add(c.action, c.accels, c.fontSizes);
  add("quit", {"<Control>q"});
  add("status-panel", {});
}

void QuorvelApp::runCommand(const std::string& a, const Glib::VariantBase& parameter) {
  auto& m = *model_;
  auto& v = *view_;
  auto& d = *delegate_;
  if (a == "quit") return quit();
  // Every key, menu entry, tray row and hot key comes here: under the privacy lock only
  // locking again and quitting run; the rest would show or change the covered work.
  if (a != "lock" && !services_->privacyLock().admits(commandTitle(a))) return;
  if (a == "new-tab") return (void)m.newTab("/dashboard", "个人工作台");
  if (a == "reload") return (void)(hasLivePage(m) && (m.reload(), true));
  if (a == "go-back") return (void)(hasLivePage(m) && (m.goBack(), true));
  if (a == "go-forward") return (void)(hasLivePage(m) && (m.goForward(), true));
  if (a == "next-tab") return m.selectNext(1);
  if (a == "previous-tab") return m.selectNext(-1);
  if (a == "find-in-page") {
    if (auto tab = m.activeTab(); tab && tab->webView())
      tab->webView()->callAsyncFunction(std::string("return ") + pageSearchScript() + ";", nlohmann::json::object(),
                                        [](JsResult) {});
    return;
  }
  if (a == "zoom-in") return PageZoomActions::zoomActive(m, services_->defaults(), PageZoom::step);
  if (a == "zoom-out") return PageZoomActions::zoomActive(m, services_->defaults(), -PageZoom::step);
  if (a == "zoom-reset") return PageZoomActions::actualSize(m, services_->defaults());
  if (a == "palette") return v.showPalette.set(true);
  if (a == "shortcuts") return v.showShortcuts.set(true);
  if (a == "hibernate-others") {
    int n = m.hibernateOthers();
    return logLine(tags::kHibernate, "手动休眠 " + std::to_string(n) + " 个标签");
  }
  if (a == "check-update") return d.checkForUpdateManually();
  if (a == "print" || a == "export-pdf") {
    auto tab = m.activeTab();
    if (!tab || !tab->webView()) return;
    auto* view = TabController::viewOf(tab->webView());
    if (a == "print") return services_->pageExport().printPage(view);
    auto title = tab->title.get();
    return services_->pageExport().exportPDF(view, title.empty() ? "页面" : title);
  }
  if (a == "status-panel") return panel_->toggleNear(0, 0);
  if (a == "switch-account") return AccountFlow::switchAccount(m, services_->dialogs(), services_->volume());
  if (a == "todo") return v.showTodo.set(true);
  if (a == "desktop-calendar") return d.toggleDesktopCalendar();
  if (a == "quick-capture") return d.toggleQuickCapture();
  if (a == "screen-ocr") return d.captureAndAnalyze();
  if (a == "quick-archive") return d.openQuickArchive({}, "拖拽文件或扫描文稿直传卷宗", false);
  if (a == "sync-calendar") return d.syncCalendarNow();
  if (a == "lock") return d.lockNow();
  if (a == "mirror") return v.showMirror.set(true);
  if (a == "scan-ocr") return d.pickAndRunScanner();
  if (a == "font-size") {
    if (parameter.is_of_type(Glib::VariantType("d")))
      PageZoomActions::setFontScale(m, services_->defaults(), v.fontScale,
                                    Glib::VariantBase::cast_dynamic<Glib::Variant<double>>(parameter).get());
    return;
  }
  if (a == "reveal-audit-log") return d.revealAuditLog();
  if (a == "open-volume") return alertOpenFailure(services_->dialogs(), services_->volume().openRoot());
  if (a == "open-data-folder") return d.openDataFolder();
}

int QuorvelApp::on_command_line(const Glib::RefPtr<Gio::ApplicationCommandLine>& cmd) {
  int argc = 0;
  char** argv = cmd->get_arguments(argc);
  std::vector<std::string> args(argv, argv + argc);
  g_strfreev(argv);
  if (!cmd->is_remote()) {
    activate();
    delegate_->launch(args_.all());
    // Links and files given at the first launch are handled like later ones.
    delegate_->open(openedAddresses(args_.all(), cmd));
    return 0;
  }
  // A second launch: its links and files come here; without any it brings the
  // window back, as clicking the launcher does.
  auto uris = openedAddresses(args, cmd);
  auto open = std::find(args.begin(), args.end(), "--open");
  if (open != args.end() && std::next(open) != args.end()) {
    if (isAbsoluteAddress(*std::next(open)))
      uris.push_back(*std::next(open));
    else
      delegate_->openTarget(*std::next(open));
  }
  if (uris.empty()) showMainWindow();
  delegate_->open(uris);
  return 0;
}

void QuorvelApp::on_open(const Gio::Application::type_vec_files& files, const Glib::ustring&) {
  std::vector<std::string> uris;
  for (const auto& f : files) uris.push_back(f->get_uri());
  if (!window_) {
    // Opened before any launch: the launch sequence runs first, as for a command line.
    activate();
    delegate_->launch(args_.all());
  }
  delegate_->open(uris);
}

void QuorvelApp::on_activate() {
  bool first = window_ == nullptr;
  showMainWindow();
  (void)first;
}

void QuorvelApp::showMainWindow() {
  if (!window_) {
    TopBarTools tools;
    tools.openQuickArchive = [this](const std::vector<std::string>& files, const std::string& hint, bool hot) {
      delegate_->openQuickArchive(files, hint, hot);
    };
    tools.captureAndAnalyze = [this] { delegate_->captureAndAnalyze(); };
    tools.lockWorkspace = [this] { delegate_->lockNow(); };
    tools.volumeMounted = [this] { return services_->volume().mountedRoot().has_value(); };
    tools.dialogs = &services_->dialogs();
    tools.switchAccount = [this] { AccountFlow::switchAccount(*model_, services_->dialogs(), services_->volume()); };
    auto& calendar = services_->desktopCalendar();
    tools.desktopCalendarHasWindow = [&calendar] { return calendar.window() != nullptr; };
    tools.desktopCalendarVisible = [&calendar] { return calendar.isVisible.get(); };
    tools.showDesktopCalendar = [&calendar] { calendar.show(); };
    tools.hideDesktopCalendar = [&calendar] { calendar.hide(); };
    window_ = new MainWindow(model_, view_, services_->toolWindows(), &services_->privacyLock(), std::move(tools));
    addApplicationWindow(*this, *window_);
    if (auto* bar = window_->content().topBar()) {
      // The volume button's dot follows connecting and disconnecting.
      volumeChanged_ = services_->volume().stateChanged().connect([bar] { bar->refreshToolState(); });
      // The calendar button's dot follows the panel, however it was shown or hidden.
      calendarShown_ = calendar.isVisible.changed().connect([bar] { bar->refreshToolState(); });
      auto commands = menuCommands();
      // Also reachable where the desktop shows no tray.
      commands.push_back(MenuCommand{"status-panel", "状态面板", "", {}, true});
      commands.push_back(MenuCommand{"quit", "退出墨衡台", "⌘Q", {"<Control>q"}});
      menu_ = Gtk::make_managed<PrimaryMenu>(commands);
      bar->menuSlot().append(*menu_);
      menu_->setFontScale(view_->fontScale.get());
      fontScaleChanged_ = view_->fontScale.changed().connect([this] {
        if (menu_) menu_->setFontScale(view_->fontScale.get());
      });
    }
    // The launch sequence attaches the frame memory to it.
    window_->present();
    return;
  }
  services_->mainWindow().showMainWindow();
}

void QuorvelApp::quitOnSignal(const char* name) {
  logLine(tags::kApp, std::string("收到 ") + name + "，正在退出");
  activate_action("quit");
}

void QuorvelApp::on_shutdown() {
  // Signals during shutdown get their default action again.
  sigterm_.reset();
  sigint_.reset();
  if (delegate_) delegate_->terminate();
  fontScaleChanged_ = {};
  volumeChanged_ = {};
  calendarShown_ = {};
  syncStateChanged_.clear();
  services_->mainWindow().setOnClosedToBackground({});
  trayAbsence_.reset();
  tray_.reset();
  panel_.reset();
  // The tool windows' content before the model and the services it shows; work still
  // running finds its views gone.
  services_->toolWindows().reset();
  if (window_) {
    // The window goes before the services whose views it shows.
    menu_ = nullptr;
    delete window_;
    window_ = nullptr;
  }
  delegate_.reset();
  model_.reset();
  view_.reset();
  // The settings go last of the services: what the others wrote on their way out
  // reaches the file as the settings are written on their own going.
  services_.reset();
  logLine(tags::kApp, "已退出");
  Gtk::Application::on_shutdown();
}

}  // namespace quorvel
