// A service in trouble, measured (bench/reply.sh): a 20 MB page that is not JSON on
// "/api/my_deadlines" and a badge reply whose user name has 150,000 characters, read
// through a real signed-in tab of the application's own main window. For each: the
// time from the request to the published result, and the longest the main loop went
// without a turn meanwhile (what the user feels as a frozen window). The 20 MB page is
// read twice: as the client reads it (refused at the 8 MB cap) and with the cap lifted,
// so the whole page crosses into the client and goes through every step (transfer,
// decoding on the worker pool, the cut log line). Then the text steps alone on the
// 20 MB text. Prints one JSON object; exits 1 when a read took a second or more.
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "BenchClient.h"
#include "BenchSupport.h"
#include "TestEnv.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestService.h"
#include "TestServiceOutage.h"
#include "TestServiceTodos.h"
#include "app/AppServices.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/PageReads.h"
#include "core/Recents.h"
#include "ui/model/Sidebar.h"
#include "core/Todo.h"
#include "ui/components/LawStyle.h"
#include "ui/main/MainWindow.h"
#include "ui/main/RendererSetup.h"
#include "web/WebEngine.h"

using namespace quorvel;
using bench::msSince;
using bench::ServiceThread;
using bench::StallWatch;
using SteadyClock = std::chrono::steady_clock;

namespace {

struct Figure {
  double ms = 0;
  double stallMs = 0;
  bool ok = false;
};

// One deadline read through the page, until its completion and publication.
Figure readDeadlines(BrowserModel& model) {
  StallWatch stalls;
  auto start = SteadyClock::now();
  bool done = false;
  model.reads().fetchDeadlines([&] { done = true; });
  Figure f;
  f.ok = runMainLoopUntil([&] { return done; }, 60000);
  drainMainLoop();
  f.ms = msSince(start);
  f.stallMs = stalls.longestMs();
  return f;
}

std::string json(const char* name, const Figure& f) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "\"%s\":{\"ms\":%.0f,\"longest_stall_ms\":%.0f,\"completed\":%s}", name, f.ms,
                f.stallMs, f.ok ? "true" : "false");
  return buf;
}

}  // namespace

int main() {
  test::TempHome home;
  RendererSetup renderer;
  bench::startToolkit(renderer);
  AppServices services(bench::benchOptions());
  test::TestService service;
  ServiceThread serving(service);
  test::useTodoDemoData(service);
  bench::signIn(services, service);

  auto model = services.browser();
  auto viewState = services.viewState();
  auto* window = new MainWindow(model, viewState, services.toolWindows(), &services.privacyLock());
  window->present();
  auto tab = model->activeTab();
  if (!runMainLoopUntil([&] { return !tab->isLoading.get() && tab->currentPath.get() == "/dashboard"; }, 30000) ||
      !runMainLoopUntil([&] { return model->account().badges->loaded; }, 10000)) {
    std::cerr << "the dashboard did not load\n";
    return 2;
  }
  Figure good = readDeadlines(*model);

  // The 20 MB page as the client reads it: refused at the cap.
  service.setDeadlinesOutage(test::TestService::Outage::hugeBody);
  Figure capped = readDeadlines(*model);
  const std::string cappedFailure = model->account().deadlineFailure->value_or("");

  // The same page with the cap lifted: all 20 MB come in and are handled.
  model->reads().limits().maxBytes = 64u << 20;
  Figure whole = readDeadlines(*model);
  const std::string wholeFailure = model->account().deadlineFailure->value_or("");
  model->reads().limits() = PageReads::Limits{};

  // The huge user name: read, decoded, published and shown in the sidebar.
  service.setBadgeOutage(test::TestService::Outage::hugeUserName);
  Figure name;
  {
    StallWatch stalls;
    auto start = SteadyClock::now();
    model->reads().refreshBadges();
    name.ok = runMainLoopUntil([&] { return model->account().badges->user.size() > 100000; }, 60000);
    drainMainLoop();
    name.ms = msSince(start);
    name.stallMs = stalls.longestMs();
  }

  // The text steps alone on the 20 MB text, on this thread.
  const std::string& page = test::hugeNonJsonBody();
  auto start = SteadyClock::now();
  size_t characters = graphemeCount(page);
  double countMs = msSince(start);
  start = SteadyClock::now();
  std::string head = textHead(page, 120);
  double headMs = msSince(start);
  start = SteadyClock::now();
  bool decoded = decodeDeadlines(page).has_value();
  double decodeMs = msSince(start);
  start = SteadyClock::now();
  std::string shownName = sidebarDisplayName(model->account().badges->user);
  double nameMs = msSince(start);

  const bool underASecond = capped.ok && whole.ok && name.ok && capped.ms < 1000 && whole.ms < 1000 && name.ms < 1000;
  std::cout << "{" << json("deadlines_demo", good) << "," << json("deadlines_20mb_capped", capped) << ","
            << json("deadlines_20mb_whole", whole) << "," << json("badges_150k_name", name)
            << ",\"capped_failure\":\"" << cappedFailure << "\",\"whole_failure\":\"" << wholeFailure << "\""
            << ",\"text_20mb\":{\"bytes\":" << page.size() << ",\"characters\":" << characters
            << ",\"count_ms\":" << static_cast<long>(countMs) << ",\"head_120_ms\":" << headMs
            << ",\"decode_ms\":" << static_cast<long>(decodeMs) << ",\"decoded\":" << (decoded ? "true" : "false")
            << "},\"shown_name_ms\":" << nameMs << ",\"shown_name_characters\":" << graphemeCount(shownName)
            << ",\"every_read_under_1s\":" << (underASecond ? "true" : "false") << "}" << std::endl;
  return underASecond ? 0 : 1;
}
