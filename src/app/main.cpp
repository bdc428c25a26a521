#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppArgs.h"
#include "app/QuorvelApp.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "ui/main/RendererSetup.h"

int main(int argc, char** argv) {
  // Tesseract's OpenMP threads slow recognition down; the engine pool gives the parallelism.
  // (libgomp may have read the environment already: the recogniser also limits each thread.)
  setenv("OMP_THREAD_LIMIT", "1", 1);
  quorvel::AppArgs args(std::vector<std::string>(argv, argv + argc));
  quorvel::markMainThread();
  quorvel::AppServices::Options options;
  // The start script points the client at a service without touching other settings.
  // A mistyped address is refused here: saved, it would silently send the user to the default.
  if (args.has("--server-url")) {
    auto server = args.valueAfter("--server-url");
    auto valid = quorvel::AppConfig::validServerURL(server);
    if (!valid) {
      std::fprintf(stderr, "服务器地址无效：%s 请使用 http:// 或 https:// 开头的完整地址，例如 %s\n",
                   server.empty() ? "（空）" : server.c_str(), quorvel::AppConfig::kDefaultServerURL);
      return 2;
    }
    options.serverURL = *valid;
  }
  // Global hot keys, window placement and idle time need X11 (XWayland under Wayland).
  setenv("GDK_BACKEND", "x11", 0);
  // Before GTK starts: where OpenGL can only be software, GTK never loads it.
  quorvel::RendererSetup renderer;
  renderer.prepareBeforeGtk();

  options.mode = args.isDiagnosticMode() ? quorvel::AppMode::diagnostic : quorvel::AppMode::normal;
  // The client's own switches, read here once and handed on.
  auto switches = quorvel::Switches::read(args, quorvel::Switches::processEnvironment);
  options.dragAndDrop = switches.dragAndDrop;
  options.trackingDrill = switches.trackingDrill;
  // The window class the desktop entry names (StartupWMClass), so launchers match
  // the window to its entry and icon.
  g_set_prgname("cn.quorvel.client");
  auto app = quorvel::QuorvelApp::create(options, std::move(args), std::move(switches), renderer);
  // Our own switches are read from the arguments kept here; the whole command line
  // goes to the running instance when there is one.
  int status = app->run(argc, argv);
  app.reset();
  // The session, the settings and the stores were saved and closed on shutdown. Work
  // still running in the background (recognition warm-up, store threads) must not
  // meet process-wide objects that exit() would destroy under it.
  std::fflush(nullptr);
  std::_Exit(status);
}
