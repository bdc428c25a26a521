#pragma once
// The client as the benchmarks that drive it start it: the toolkit set up as the
// application does, the application's services in test mode over the test service,
// a session cookie of the service in the web store, and the main window. Header-only;
// the benchmark links what it includes.
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <libsoup/soup.h>

#include <string>

#include "TestService.h"
#include "app/AppServices.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "ui/components/LawStyle.h"
#include "ui/main/RendererSetup.h"
#include "web/WebEngine.h"

namespace quorvel::bench {

// Before any widget: the renderer, GTK, gtkmm and the design system's styles; log lines
// muted unless asked for, so only the figures are printed.
inline void startToolkit(RendererSetup& renderer, bool muteLog = true) {
  renderer.prepareBeforeGtk();
  gtk_init();
  Gtk::init_gtkmm_internals();
  markMainThread();
  renderer.chooseAfterGtkStart();
  installLawStyle();
  if (muteLog) setLogSink([](const std::string&) {});
}

inline AppServices::Options benchOptions() {
  AppServices::Options options;
  options.mode = AppMode::test;
  options.ephemeralWebData = true;
  return options;
}

// Points the services at `service` and signs them in with a fresh session of it.
inline void signIn(AppServices& services, test::TestService& service) {
  AppConfig::setServerURL(services.defaults(), service.baseUrl());
  SoupCookie* cookie = soup_cookie_new(test::TestService::kSessionCookie, service.issueSession().c_str(),
                                       "127.0.0.1", "/", -1);
  bool cookieSet = false;
  webkit_cookie_manager_add_cookie(webkit_network_session_get_cookie_manager(services.webEngine().network()), cookie,
                                   nullptr, [](GObject*, GAsyncResult*, gpointer f) { *static_cast<bool*>(f) = true; },
                                   &cookieSet);
  soup_cookie_free(cookie);
  runMainLoopUntil([&] { return cookieSet; }, 5000);
}

}  // namespace quorvel::bench
