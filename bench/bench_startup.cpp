// Measures, against the local test service: the time from process start to the
// dashboard's load-finished, and the memory of the client with five live tabs
// versus five tabs of which four are hibernated. Prints one JSON object.
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <libsoup/soup.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchClient.h"
#include "ProcessTree.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestEnv.h"
#include "TestService.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "ui/components/LawStyle.h"
#include "ui/main/MainWindow.h"
#include "ui/main/RendererSetup.h"
#include "web/TabController.h"
#include "web/WebEngine.h"
#include "app/AppServices.h"

using namespace quorvel;

namespace {
double secondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string s((std::istreambuf_iterator<char>(stat)), {});
  auto close = s.rfind(')');
  std::istringstream rest(s.substr(close + 2));
  std::string field;
  unsigned long long start = 0;
  for (int i = 3; i <= 22 && rest >> field; ++i)
    if (i == 22) start = std::stoull(field);
  std::ifstream up("/proc/uptime");
  double uptime = 0;
  up >> uptime;
  return uptime - static_cast<double>(start) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long pssKiB(int pid) {
  std::istringstream in(test::readProcFile(pid, "smaps_rollup"));
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("Pss:", 0) == 0) return std::stol(line.substr(4));
  return 0;
}

int webProcessCount() { return static_cast<int>(test::webProcesses().size()); }

long totalPssKiB() {
  long sum = 0;
  for (int pid : test::processTree()) sum += pssKiB(pid);
  return sum;
}

void settle(unsigned ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  runMainLoopUntil([&] { return std::chrono::steady_clock::now() >= until; }, ms + 100);
}
}  // namespace

int main(int argc, char** argv) {
  double atMain = secondsSinceProcessStart();
  test::TempHome home;
  RendererSetup renderer;
  bench::startToolkit(renderer, /*muteLog=*/false);
  // As the application builds them, with the web data on disk; nothing opens on the desktop.
  AppServices::Options options;
  options.mode = AppMode::test;
  AppServices services(options);

  test::TestService service;
  service.start();
  AppConfig::setServerURL(services.defaults(), service.baseUrl());

  // Signed in already, as after an earlier session.
  SoupCookie* cookie = soup_cookie_new(test::TestService::kSessionCookie, service.issueSession().c_str(),
                                       "127.0.0.1", "/", -1);
  webkit_cookie_manager_add_cookie(webkit_network_session_get_cookie_manager(services.webEngine().network()), cookie,
                                   nullptr, nullptr, nullptr);
  soup_cookie_free(cookie);

  // The application's own main window.
  auto model = services.browser();
  auto viewState = services.viewState();
  auto* window = new MainWindow(model, viewState, services.toolWindows(), &services.privacyLock());
  window->present();
  bool loaded = false;
  auto first = model->activeTab();
  first->isLoading.changed().connect([&] {
    if (!first->isLoading.get() && first->currentPath.get() == "/dashboard") loaded = true;
  });
  runMainLoopUntil([&] { return loaded; }, 20000);
  double dashboardSeconds = secondsSinceProcessStart();
  // The first frame of the full window painted after the dashboard has loaded.
  int painted = 0;
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window->gobj()));
  gulong paintHandler = clock ? g_signal_connect(clock, "after-paint",
                                                 G_CALLBACK(+[](GdkFrameClock*, gpointer n) { ++*static_cast<int*>(n); }),
                                                 &painted)
                              : 0;
  window->queue_draw();
  runMainLoopUntil([&] { return painted > 0; }, 5000);
  double firstFrameSeconds = secondsSinceProcessStart();
  if (paintHandler) g_signal_handler_disconnect(clock, paintHandler);
  settle(1500);
  int oneTabProcesses = webProcessCount();

  for (int i = 0; i < 4; ++i) {
    auto t = model->newTab(i % 2 ? "/cases" : "/calendar", "标签");
    runMainLoopUntil([&] { return !t->isLoading.get() && !t->currentPath.get().empty(); }, 20000);
  }
  settle(3000);
  long liveKiB = totalPssKiB();
  int liveProcesses = webProcessCount();
  auto before = test::webProcesses();

  static int finalized = 0;
  for (auto& t : model->tabs().get())
    if (WebKitWebView* view = TabController::viewOf(t->controller()))
      g_object_weak_ref(G_OBJECT(view), [](gpointer, GObject*) { ++finalized; }, nullptr);
  int hibernated = model->hibernateOthers();
  // Released web processes take a moment to exit.
  runMainLoopUntil([] { return webProcessCount() <= 1; }, 10000);
  settle(1000);
  long hibernatedKiB = totalPssKiB();
  int hibernatedProcesses = webProcessCount();
  auto after = test::webProcesses();
  int survivors = 0;
  for (int p : after) survivors += std::count(before.begin(), before.end(), p);

  std::cout << "{\"process_to_main_s\":" << atMain << ",\"dashboard_loaded_s\":" << dashboardSeconds
            << ",\"first_window_frame_s\":" << firstFrameSeconds << ",\"dashboard_loaded\":" << (loaded ? "true" : "false") << ",\"one_tab_web_processes\":" << oneTabProcesses << ",\"five_live_pss_mib\":" << liveKiB / 1024.0
            << ",\"five_live_web_processes\":" << liveProcesses << ",\"hibernated\":" << hibernated
            << ",\"one_live_four_hibernated_pss_mib\":" << hibernatedKiB / 1024.0
            << ",\"one_live_web_processes\":" << hibernatedProcesses << ",\"web_processes_kept_from_before\":" << survivors << ",\"views_finalized\":" << finalized << "}" << std::endl;
  service.stop();
  return loaded ? 0 : 1;
}
