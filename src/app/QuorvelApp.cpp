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
#include "core/MainWindowHook.h"
#include "core/MenuCommands.h"
#include "core/PrivacyLock.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/mirror/MirrorStore.h"
#include "features/recognition/ScannerOCR.h"
#include "features/volume/AccountFlow.h"
#include "features/volume/LocalVolume.h"
#include "platform/OpenedFiles.h"
#include "platform/UserDefaults.h"
#include "ui/components/LawStyle.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/windows/MainWindowController.h"
#include "ui/main/RendererSetup.h"
#include "ui/mirror/MirrorSheet.h"
#include "ui/palette/ShortcutsSheet.h"
#include "ui/palette/CommandPaletteView.h"
#include "web/WebEngine.h"
#include "ui/settings/SettingsView.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/todos/TodoSheet.h"
#include "ui/tray/MenuBarView.h"
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

Glib::RefPtr<QuorvelApp> QuorvelApp::create(AppServices::Options options, AppArgs args, Switches switches,
                                            RendererSetup renderer) {
  auto flags = Gio::Application::Flags::HANDLES_COMMAND_LINE | Gio::Application::Flags::HANDLES_OPEN;
  if (switches.separateInstance) flags |= Gio::Application::Flags::NON_UNIQUE;
  return Glib::make_refptr_for_instance<QuorvelApp>(
      new QuorvelApp(flags, options, std::move(args), std::move(switches), std::move(renderer)));
}

QuorvelApp::QuorvelApp(Gio::Application::Flags flags, AppServices::Options options, AppArgs args, Switches switches,
                       RendererSetup renderer)
    : Gtk::Application("cn.quorvel.client", flags),
      options_(options),
      args_(std::move(args)),
      switches_(std::move(switches)),
      renderer_(std::move(renderer)) {}

QuorvelApp::~QuorvelApp() = default;

void QuorvelApp::setUpDisplay() {
  // The application icon: installed with the desktop entry, else from the sources.
  Gtk::IconTheme::get_for_display(Gdk::Display::get_default())->add_search_path(QUORVEL_SOURCE_DIR "/resources/icons");
  Gtk::Window::set_default_icon_name("cn.quorvel.client");
  installLawStyle();
}

void QuorvelApp::on_startup() {
  Gtk::Application::on_startup();
  switchOffInspectorKeys();
  renderer_.chooseAfterGtkStart();
  // The first page's web process starts as early as it can (it takes longest); the
  // rest of the start goes on while it comes up.
  options_.softwareGL = renderer_.softwareGL();
  services_ = std::make_unique<AppServices>(options_);
  services_->browser();
  hold();  // the application keeps running when its window is closed
  setUpDisplay();
  // The desktop's search is served from here on (registration came just before this).
  services_->startClient(*this, switches_.launch, get_dbus_connection());
  addCommands();
  auto& mainWindow = services_->mainWindow();
  auto view = services_->viewState();
  auto& contents = services_->toolWindows().contents();
  registerSettingsView(contents, services_->settingsServices());
  TodoSheet::Actions todoActions;
  todoActions.showMainWindow = [&mainWindow] { mainWindow.showMainWindow(); };
  todoActions.showDesktopCalendar = [&calendar = services_->desktopCalendar()] { calendar.show(); };
  registerTodoSheet(contents, view, std::move(todoActions));
  registerMirrorSheet(contents, services_->mirrorStore());
  registerShortcutsSheet(contents);
  registerCommandPalette(contents, paletteActions(*services_, view), [&mainWindow] { mainWindow.showMainWindow(); });

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
  auto model = services_->browser();
  auto view = services_->viewState();
  auto& m = *model;
  auto& v = *view;
  auto& d = services_->delegate();
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
  if (a == "status-panel") return services_->trayPanel().toggleNear(0, 0);
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
  auto& delegate = services_->delegate();
  if (!cmd->is_remote()) {
    activate();
    delegate.launch();
    // Links and files given at the first launch are handled like later ones.
    delegate.open(openedAddresses(args_.all(), cmd));
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
      delegate.openTarget(*std::next(open));
  }
  if (uris.empty()) services_->showMainWindow();
  delegate.open(uris);
  return 0;
}

void QuorvelApp::on_open(const Gio::Application::type_vec_files& files, const Glib::ustring&) {
  std::vector<std::string> uris;
  for (const auto& f : files) uris.push_back(f->get_uri());
  auto& delegate = services_->delegate();
  if (!services_->window()) {
    // Opened before any launch: the launch sequence runs first, as for a command line.
    activate();
    delegate.launch();
  }
  delegate.open(uris);
}

void QuorvelApp::on_activate() { services_->showMainWindow(); }

void QuorvelApp::quitOnSignal(const char* name) {
  logLine(tags::kApp, std::string("收到 ") + name + "，正在退出");
  activate_action("quit");
}

void QuorvelApp::on_shutdown() {
  // Signals during shutdown get their default action again.
  sigterm_.reset();
  sigint_.reset();
  services_->stopClient();
  // The tool windows' content before the model and the services it shows; work still
  // running finds its views gone.
  services_->toolWindows().reset();
  // The main window goes first with the services, before the services whose views it
  // shows. The settings go last of the services: what the others wrote on their way
  // out reaches the file as the settings are written on their own going.
  services_.reset();
  logLine(tags::kApp, "已退出");
  Gtk::Application::on_shutdown();
}

}  // namespace quorvel
