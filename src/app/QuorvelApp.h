#pragma once
#include <gtkmm.h>

#include <memory>

#include "app/AppArgs.h"
#include "app/AppServices.h"
#include "base/GLibPtr.h"
#include "ui/main/RendererSetup.h"

namespace quorvel {


// The application object: one instance per session (a second launch hands its links
// and files to the running one), the main window "main" over the workspace model,
// the menu commands as application actions with their keys.
class QuorvelApp : public Gtk::Application {
 public:
  // `args`: the process's command line; `switches`: the client's own, read from it and
  // the environment once; `renderer`: its first half run before GTK started.
  static Glib::RefPtr<QuorvelApp> create(AppServices::Options options, AppArgs args, Switches switches,
                                         RendererSetup renderer);
  ~QuorvelApp() override;

 protected:
  QuorvelApp(Gio::Application::Flags flags, AppServices::Options options, AppArgs args, Switches switches,
             RendererSetup renderer);
  void on_startup() override;
  void on_activate() override;
  void on_open(const Gio::Application::type_vec_files& files, const Glib::ustring& hint) override;
  int on_command_line(const Glib::RefPtr<Gio::ApplicationCommandLine>& cmd) override;
  void on_shutdown() override;

 private:
  // What must wait for GTK's start: the icon search path, the default icon, the style.
  void setUpDisplay();
  void addCommands();
  void runCommand(const std::string& action, const Glib::VariantBase& parameter);
  void quitOnSignal(const char* name);

  AppServices::Options options_;
  AppArgs args_;
  Switches switches_;
  RendererSetup renderer_;
  std::unique_ptr<AppServices> services_;
  SourceId sigterm_;
  SourceId sigint_;
};

}  // namespace quorvel
