#include "app/QuorvelApp.h"

#include <glib-unix.h>

#include <csignal>

#include "core/BrowserModel.h"
#include "core/PrivacyLock.h"
#include "platform/UserDefaults.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/Notifier.h"
#include "ui/components/LawStyle.h"
#include "ui/main/MainWindow.h"
#include "ui/main/RendererSetup.h"
#include "ui/main/MainWindowController.h"
#include "ui/main/WindowMemory.h"

namespace quorvel {

Glib::RefPtr<QuorvelApp> QuorvelApp::create(bool unique, AppServices::Options options) {
  auto flags = Gio::Application::Flags::HANDLES_COMMAND_LINE;
  if (!unique) flags |= Gio::Application::Flags::NON_UNIQUE;
  return Glib::make_refptr_for_instance<QuorvelApp>(new QuorvelApp(flags, options));
}

QuorvelApp::QuorvelApp(Gio::Application::Flags flags, AppServices::Options options)
    : Gtk::Application("cn.quorvel.client", flags), options_(options) {}

void QuorvelApp::on_startup() {
  Gtk::Application::on_startup();
  hold();  // the application keeps running when its window is closed
  chooseGtkRenderer();
  installLawStyle();
  services_ = std::make_unique<AppServices>(options_);
  model_ = services_->browser();
  MainWindowController::shared().setBrowserModel(model_);
  MainWindowController::shared().setOpenMainScene([this] { showMainWindow(); });
  services_->privacyLock().startMonitoring();

  auto newTab = Gio::SimpleAction::create("new-tab");
  newTab->signal_activate().connect([this](const Glib::VariantBase&) { model_->newTab("/dashboard", "个人工作台"); });
  add_action(newTab);
  set_accel_for_action("app.new-tab", "<Control>t");
  auto quitAction = Gio::SimpleAction::create("quit");
  quitAction->signal_activate().connect([this](const Glib::VariantBase&) { quit(); });
  add_action(quitAction);
  set_accel_for_action("app.quit", "<Control>q");
  auto lockAction = Gio::SimpleAction::create("lock");
  lockAction->signal_activate().connect([this](const Glib::VariantBase&) {
    showMainWindow();
    services_->privacyLock().lock();
  });
  add_action(lockAction);
  set_accel_for_action("app.lock", "<Control><Alt>l");
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

int QuorvelApp::on_command_line(const Glib::RefPtr<Gio::ApplicationCommandLine>&) {
  activate();
  return 0;
}

void QuorvelApp::on_activate() {
  bool first = window_ == nullptr;
  showMainWindow();
  if (first) services_->notifier().setup();
}

void QuorvelApp::showMainWindow() {
  if (!window_) {
    window_ = new MainWindow(model_);
    add_window(*window_);
    window_->present();
    // Restores the remembered frame, then remembers moves and resizes.
    WindowMemory::attach(*window_);
    return;
  }
  MainWindowController::shared().showMainWindow();
}

void QuorvelApp::quitOnSignal(const char* name) {
  logLine(tags::kApp, std::string("收到 ") + name + "，正在退出");
  activate_action("quit");
}

void QuorvelApp::on_shutdown() {
  // Signals during shutdown get their default action again.
  sigterm_.reset();
  sigint_.reset();
  if (model_) model_->saveSession();
  if (window_) {
    // The window goes before the services whose views it shows.
    delete window_;
    window_ = nullptr;
  }
  model_.reset();
  services_.reset();
  UserDefaults::standard().flush();
  logLine(tags::kApp, "已退出");
  Gtk::Application::on_shutdown();
}

}  // namespace quorvel
