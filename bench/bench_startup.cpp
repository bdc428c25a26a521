// Measures, against the local test service: the time from process start to the
// dashboard's load-finished, and the memory of the client with five live tabs
// versus five tabs of which four are hibernated. Prints one JSON object.
#include <gtk/gtk.h>
#include <libsoup/soup.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestService.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "ui/main/WebViewBox.h"
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
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("Pss:", 0) == 0) return std::stol(line.substr(4));
  return 0;
}

// Our process and every process below it (the engine's web and network processes).
std::vector<int> processTree() {
  std::vector<int> tree{getpid()};
  bool grew = true;
  while (grew) {
    grew = false;
    DIR* d = opendir("/proc");
    while (dirent* e = readdir(d)) {
      int pid = atoi(e->d_name);
      if (pid <= 0) continue;
      std::ifstream st("/proc/" + std::to_string(pid) + "/stat");
      std::string s((std::istreambuf_iterator<char>(st)), {});
      auto close = s.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(s.substr(close + 2));
      std::string state;
      int ppid = 0;
      rest >> state >> ppid;
      bool known = std::find(tree.begin(), tree.end(), pid) != tree.end();
      bool parentKnown = std::find(tree.begin(), tree.end(), ppid) != tree.end();
      if (!known && parentKnown) {
        tree.push_back(pid);
        grew = true;
      }
    }
    closedir(d);
  }
  return tree;
}

std::vector<int> webProcesses() {
  std::vector<int> out;
  for (int pid : processTree()) {
    std::ifstream cmd("/proc/" + std::to_string(pid) + "/comm");
    std::string c;
    cmd >> c;
    if (c.find("WebProcess") != std::string::npos || c.find("WebKitWebProces") != std::string::npos) out.push_back(pid);
  }
  return out;
}

int webProcessCount() {
  int n = 0;
  for (int pid : processTree()) {
    std::ifstream cmd("/proc/" + std::to_string(pid) + "/comm");
    std::string c;
    cmd >> c;
    if (c.find("WebProcess") != std::string::npos || c.find("WebKitWebProces") != std::string::npos) ++n;
  }
  return n;
}

long totalPssKiB() {
  long sum = 0;
  for (int pid : processTree()) sum += pssKiB(pid);
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
  gtk_init();
  markMainThread();
  // As the application builds them, with the web data on disk; nothing opens on the desktop.
  AppServices::Options options;
  options.mode = AppMode::test;
  AppServices services(options);

  test::TestService service;
  service.start();
  AppConfig::setServerURL(service.baseUrl());

  // Signed in already, as after an earlier session.
  SoupCookie* cookie = soup_cookie_new(test::TestService::kSessionCookie, service.issueSession().c_str(),
                                       "127.0.0.1", "/", -1);
  webkit_cookie_manager_add_cookie(webkit_network_session_get_cookie_manager(services.webEngine().network()), cookie,
                                   nullptr, nullptr, nullptr);
  soup_cookie_free(cookie);

  GtkWidget* window = gtk_window_new();
  gtk_window_set_default_size(GTK_WINDOW(window), 1280, 820);
  auto* box = new WebViewBox();
  gtk_window_set_child(GTK_WINDOW(window), GTK_WIDGET(box->gobj()));
  gtk_window_present(GTK_WINDOW(window));

  auto model = services.browser();
  box->showTab(model->activeTab());
  bool loaded = false;
  auto first = model->activeTab();
  first->isLoading.changed().connect([&] {
    if (!first->isLoading.get() && first->currentPath.get() == "/dashboard") loaded = true;
  });
  runMainLoopUntil([&] { return loaded; }, 20000);
  double dashboardSeconds = secondsSinceProcessStart();
  settle(1500);
  int oneTabProcesses = webProcessCount();

  for (int i = 0; i < 4; ++i) {
    auto t = model->newTab(i % 2 ? "/cases" : "/calendar", "标签");
    box->showTab(t);
    runMainLoopUntil([&] { return !t->isLoading.get() && !t->currentPath.get().empty(); }, 20000);
  }
  settle(3000);
  long liveKiB = totalPssKiB();
  int liveProcesses = webProcessCount();
  auto before = webProcesses();

  static int finalized = 0;
  for (auto& t : model->tabs.get())
    if (WebKitWebView* view = TabController::viewOf(t->controller()))
      g_object_weak_ref(G_OBJECT(view), [](gpointer, GObject*) { ++finalized; }, nullptr);
  int hibernated = model->hibernateOthers();
  box->showTab(model->activeTab());
  // Released web processes take a moment to exit.
  runMainLoopUntil([] { return webProcessCount() <= 1; }, 10000);
  settle(1000);
  long hibernatedKiB = totalPssKiB();
  int hibernatedProcesses = webProcessCount();
  auto after = webProcesses();
  int survivors = 0;
  for (int p : after) survivors += std::count(before.begin(), before.end(), p);

  std::cout << "{\"process_to_main_s\":" << atMain << ",\"dashboard_loaded_s\":" << dashboardSeconds
            << ",\"dashboard_loaded\":" << (loaded ? "true" : "false") << ",\"one_tab_web_processes\":" << oneTabProcesses << ",\"five_live_pss_mib\":" << liveKiB / 1024.0
            << ",\"five_live_web_processes\":" << liveProcesses << ",\"hibernated\":" << hibernated
            << ",\"one_live_four_hibernated_pss_mib\":" << hibernatedKiB / 1024.0
            << ",\"one_live_web_processes\":" << hibernatedProcesses << ",\"web_processes_kept_from_before\":" << survivors << ",\"views_finalized\":" << finalized << "}" << std::endl;
  service.stop();
  return loaded ? 0 : 1;
}
