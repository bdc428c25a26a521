#pragma once
// What the render tools that draw the workspace do first: settings in a temporary home,
// GTK started with the design system's style, the application's services in test mode
// with throw-away web data, and the local test service started and signed in to.
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include <functional>

#include "TestEnv.h"
#include "TestService.h"
#include "app/AppServices.h"
#include "base/MainQueue.h"
#include "common/RenderSignIn.h"
#include "core/AppConfig.h"
#include "ui/components/LawStyle.h"
#include "web/WebEngine.h"

namespace quorvel::tools {

struct RenderWorkspace {
  // `prepare` gives the service its data before it starts; without `signedIn` the web
  // store stays signed out.
  explicit RenderWorkspace(const std::function<void(test::TestService&)>& prepare = {}, bool signedIn = true)
      : services(testOptions()) {
    if (prepare) prepare(service);
    service.start();
    AppConfig::setServerURL(services.defaults(), service.baseUrl());
    if (signedIn) signInForRender(services.webEngine().network(), service);
  }
  ~RenderWorkspace() { service.stop(); }

  test::TempHome home;  // first: everything below writes into it
  bool gtkStarted = startGtk();
  AppServices services;
  test::TestService service;

 private:
  static bool startGtk() {
    gtk_init();
    Gtk::init_gtkmm_internals();
    markMainThread();
    installLawStyle();
    return true;
  }
  static AppServices::Options testOptions() {
    AppServices::Options options;
    options.mode = AppMode::test;
    options.ephemeralWebData = true;
    return options;
  }
};

}  // namespace quorvel::tools
