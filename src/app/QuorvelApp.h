#pragma once
#include <gtkmm.h>

#include <memory>

#include "app/AppArgs.h"
#include "app/AppServices.h"
#include "base/GLibPtr.h"
#include "ui/main/RendererSetup.h"

namespace quorvel {

class AppDelegate;
class BrowserModel;
class WorkspaceViewState;
class MainWindow;
class PrimaryMenu;
class MenuBarView;
class SearchIndexStore;
class SearchProvider;
class TrayAbsenceNotice;
class TrayController;

// The application object: one instance per session (a second launch hands its links
// and files to the running one), the main window "main" over the workspace model,
// the menu commands as application actions with their keys.
class QuorvelApp : public Gtk::Application {
 public:
  // `args`: the process's command line; `renderer`: its first half run before GTK started.
  static Glib::RefPtr<QuorvelApp> create(bool unique, AppServices::Options options, AppArgs args,
                                         RendererSetup renderer);
  ~QuorvelApp() override;

  AppDelegate* delegate() const { return delegate_.get(); }

 protected:
  QuorvelApp(Gio::Application::Flags flags, AppServices::Options options, AppArgs args, RendererSetup renderer);
  void on_startup() override;
  void on_activate() override;
  void on_open(const Gio::Application::type_vec_files& files, const Glib::ustring& hint) override;
  int on_command_line(const Glib::RefPtr<Gio::ApplicationCommandLine>& cmd) override;
  void on_shutdown() override;
  bool dbus_register_vfunc(const Glib::RefPtr<Gio::DBus::Connection>& connection,
                           const Glib::ustring& objectPath) override;
  void dbus_unregister_vfunc(const Glib::RefPtr<Gio::DBus::Connection>& connection,
                             const Glib::ustring& objectPath) override;

 private:
  void showMainWindow();
  void startTray();
  void addCommands();
  void runCommand(const std::string& action, const Glib::VariantBase& parameter);
  void quitOnSignal(const char* name);
  // The index the desktop's search reads: served from registration on, before the
  // services are built, and handed to them.
  std::shared_ptr<SearchIndexStore> searchIndex();

  AppServices::Options options_;
  std::shared_ptr<SearchIndexStore> searchIndex_;
  AppArgs args_;
  RendererSetup renderer_;
  std::unique_ptr<AppServices> services_;
  std::shared_ptr<BrowserModel> model_;
  std::shared_ptr<WorkspaceViewState> view_;
  std::unique_ptr<AppDelegate> delegate_;
  MainWindow* window_ = nullptr;
  PrimaryMenu* menu_ = nullptr;
  std::unique_ptr<MenuBarView> panel_;
  std::unique_ptr<TrayController> tray_;
  std::unique_ptr<TrayAbsenceNotice> trayAbsence_;
  std::unique_ptr<SearchProvider> searchProvider_;
  ScopedConnection fontScaleChanged_;
  ScopedConnection volumeChanged_;
  ScopedConnection calendarShown_;
  std::vector<ScopedConnection> syncStateChanged_;
  SourceId sigterm_;
  SourceId sigint_;
};

}  // namespace quorvel
