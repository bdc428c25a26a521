#pragma once
#include <gtkmm.h>

#include <memory>

#include "app/AppServices.h"
#include "base/GLibPtr.h"

namespace quorvel {

class BrowserModel;
class MainWindow;

// The application object: one main window over the workspace model.
class QuorvelApp : public Gtk::Application {
 public:
  static Glib::RefPtr<QuorvelApp> create(bool unique, AppServices::Options options);

 protected:
  QuorvelApp(Gio::Application::Flags flags, AppServices::Options options);
  void on_startup() override;
  void on_activate() override;
  int on_command_line(const Glib::RefPtr<Gio::ApplicationCommandLine>& cmd) override;
  void on_shutdown() override;

 private:
  void showMainWindow();
  void quitOnSignal(const char* name);

  AppServices::Options options_;
  std::unique_ptr<AppServices> services_;
  std::shared_ptr<BrowserModel> model_;
  MainWindow* window_ = nullptr;
  SourceId sigterm_;
  SourceId sigint_;
};

}  // namespace quorvel
