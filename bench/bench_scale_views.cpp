// The views at a busy firm's size, measured through the real widgets and services
// against the test service: the to-do sheet opening and one letter typed into its
// filter, the desktop calendar's "upcoming" scope and its silent refresh, the palette
// opening and one key over contracts and clients, the mirror sheet's contract list
// opening and one key in its search, the mirror sheet's detail over a contract of as
// many folders and differences (opening, the check, a check again with one file
// fewer missing, one tick, choosing another contract); each at 100, 1,000 and 10,000
// items (or the sizes given as arguments; arguments that are not numbers name the
// parts to run: todo, calendar, palette, mirror, mirror_detail). Prints one line per
// work and size:
//   scale: <work> n=<N> ms=<time> stall_ms=<longest main-loop stall> rss_mib=<RSS growth over the 100-item run>
//          service_mib=<of it, the in-process test service's own copy of the larger data>
//          client_mib=<the rest: what the client holds>
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <gtkmm/window.h>
#include <libsoup/soup.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "BenchClient.h"
#include "BenchSupport.h"
#include "ScaleData.h"
#include "TestEnv.h"
#include "TestService.h"
#include "TestServiceCalendar.h"
#include "TestServiceMirror.h"
#include "app/AppServices.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/PageReads.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "features/mirror/MirrorStore.h"
#include "ui/calendar/DesktopCalendarView.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/components/LawStyle.h"
#include "ui/main/MainWindow.h"
#include "ui/main/RendererSetup.h"
#include "ui/mirror/MirrorSheet.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/palette/CommandPaletteView.h"
#include "ui/todos/TodoSheet.h"
#include "web/WebEngine.h"

using namespace quorvel;
using bench::msSince;
using bench::SteadyClock;
using bench::StallWatch;

namespace {

constexpr unsigned kWaitMs = 120000;

// Runs the main loop until `widget` has been drawn `frames` more times (the work is on
// screen, not only in the model).
void waitFrames(Gtk::Widget& widget, int frames = 2) {
  int ticks = 0;
  const guint id = widget.add_tick_callback([&ticks](const Glib::RefPtr<Gdk::FrameClock>&) {
    ++ticks;
    return true;
  });
  runMainLoopUntil([&] { return ticks >= frames; }, 5000);
  widget.remove_tick_callback(id);
}

struct Measure {
  double ms = 0;
  double stallMs = 0;
  double rssMiB = 0;
  bool ok = true;
};

// One work: `start` sets it off, `done` says when it is finished; the main loop runs
// meanwhile and the figures are taken over the whole of it, the frames that show it
// included.
Measure measure(Gtk::Widget* drawn, const std::function<void()>& start, const std::function<bool()>& done) {
  Measure m;
  StallWatch stalls;
  const auto at = SteadyClock::now();
  start();
  m.ok = runMainLoopUntil(done, kWaitMs);
  if (drawn) waitFrames(*drawn);
  m.ms = msSince(at);
  m.stallMs = stalls.longestMs();
  m.rssMiB = bench::residentMiB();
  return m;
}

// The RSS of the 100-item run of each work, the base of its growth.
std::map<std::string, double> gBaseRss;
// The test service runs in this process: the RSS its own data added since the first
// size (generated replies and feed), told apart from what the client holds.
double gServiceMiB = 0;
double gServiceBase = -1;

void report(const std::string& work, int n, const Measure& m) {
  if (!gBaseRss.count(work)) gBaseRss[work] = m.rssMiB;
  const double growth = m.rssMiB - gBaseRss[work];
  const double service = gServiceMiB - gServiceBase;
  std::printf("scale: %s n=%d ms=%.0f stall_ms=%.0f rss_mib=%.0f service_mib=%.0f client_mib=%.0f%s\n", work.c_str(),
              n, m.ms, m.stallMs, growth, service, growth - service, m.ok ? "" : " (did not finish)");
  std::fflush(stdout);
}

// A tool window of the sheet's size holding `content`.
std::unique_ptr<Gtk::Window> windowFor(Gtk::Widget& content, int width, int height) {
  auto window = std::make_unique<Gtk::Window>();
  window->set_default_size(width, height);
  window->set_child(content);
  return window;
}

bool runTask(Task<void> task) {
  bool finished = false;
  spawn([](Task<void> t, bool& flag) -> Task<void> {
    try {
      co_await t;
    } catch (...) {
    }
    flag = true;
  }(std::move(task), finished));
  return runMainLoopUntil([&] { return finished; }, kWaitMs);
}

Task<void> warmNodes(std::shared_ptr<BrowserModel> model) {
  auto read = model->reads().fetchNodesCached(true);
  co_await read;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  std::set<std::string> parts;
  for (int i = 1; i < argc; ++i) {
    if (std::isdigit(static_cast<unsigned char>(argv[i][0]))) sizes.push_back(std::atoi(argv[i]));
    else parts.insert(argv[i]);
  }
  if (sizes.empty()) sizes = {100, 1000, 10000};
  auto runs = [&parts](const char* part) { return parts.empty() || parts.count(part) > 0; };

  test::TempHome home;
  RendererSetup renderer;
  bench::startToolkit(renderer);
  AppServices services(bench::benchOptions());
  test::TestService service;
  bench::ServiceThread serving(service);
  bench::signIn(services, service);

  auto model = services.browser();
  auto viewState = services.viewState();
  auto* mainWindow = new MainWindow(model, viewState, services.toolWindows(), &services.privacyLock());
  mainWindow->present();
  auto tab = model->activeTab();
  if (!runMainLoopUntil([&] { return !tab->isLoading.get() && tab->currentPath.get() == "/dashboard"; }, 30000) ||
      !runMainLoopUntil([&] { return model->account().badges->loaded; }, 10000)) {
    std::cerr << "the dashboard did not load\n";
    return 2;
  }
  // Reads larger than the client's reply cap are the service half's to pass; here the
  // views are measured, so the cap is sized for the largest list.
  model->reads().limits().maxBytes = 256u << 20;

  for (int n : sizes) {
    const double beforeData = bench::residentMiB();
    test::useScaleData(service, n, n, n);
    test::setCalendarFeed(test::generatedCalendarFeed(n));
    gServiceMiB += bench::residentMiB() - beforeData;
    if (gServiceBase < 0) gServiceBase = gServiceMiB;
    viewState->todoKind.set(TodoKind::overdue);

    // ---- The to-do sheet.
    if (runs("todo")) {
      auto* sheet = Gtk::make_managed<TodoSheet>(model, viewState, [] {});
      auto window = windowFor(*sheet, 860, 580);
      auto open = measure(
          sheet, [&] { window->present(); },
          [&] { return !sheet->loading() && sheet->shownItems().size() == static_cast<std::size_t>(n); });
      report("todo_open", n, open);
      const std::size_t kept = sheet->shownItems().size();
      auto key = measure(
          sheet, [&] { sheet->setFilterText("7"); }, [&] { return sheet->shownItems().size() != kept; });
      report("todo_filter_key", n, key);
      window.reset();
      drainMainLoop();
    }

    // ---- The desktop calendar: the upcoming scope over the loaded events, then its
    // silent refresh.
    if (runs("calendar")) {
      auto& calendar = services.desktopCalendar();
      DesktopCalendarModel& events = calendar.model();
      calendar.show();
      runMainLoopUntil([&] { return !events.loading.get() && events.events->size() >= static_cast<std::size_t>(n); },
                       kWaitMs);
      runTask(events.refresh(false));
      DesktopCalendarView* view = calendar.view();
      view->setScope(DesktopListScope::selectedDay);
      view->syncNow();
      drainMainLoop();
      auto upcoming = measure(
          view,
          [&] {
            view->setScope(DesktopListScope::upcoming);
            view->syncNow();
          },
          [] { return true; });
      report("calendar_upcoming_open", n, upcoming);
      bool refreshed = false;
      auto silent = measure(
          view,
          [&] {
            spawn([](DesktopCalendarModel& m, bool& flag) -> Task<void> {
              co_await m.refresh(true);
              flag = true;
            }(events, refreshed));
          },
          [&] {
            if (!refreshed) return false;
            view->syncNow();
            return true;
          });
      report("calendar_silent_refresh", n, silent);
      calendar.hide();
      drainMainLoop();
    }

    // ---- The palette over contracts and clients (their read warmed, so the opening
    // takes this size's reply from the cache).
    if (runs("palette")) {
      runTask(warmNodes(model));
      auto* palette = Gtk::make_managed<CommandPaletteView>(CommandPalette::servicesOver(model, {}),
                                                            CommandPalette::Actions{}, [] {});
      auto window = windowFor(*palette, 600, 460);
      auto open = measure(
          palette, [&] { window->present(); },
          [&] { return !palette->palette().loading.get() && palette->palette().contracts->size() == static_cast<std::size_t>(n); });
      report("palette_open", n, open);
      auto key = measure(
          palette, [&] { palette->searchField().set_text("1"); },
          [&] { return palette->palette().query.get() == "1"; });
      report("palette_key", n, key);
      window.reset();
      drainMainLoop();
    }

    // ---- The mirror sheet's contract list.
    if (runs("mirror")) {
      auto store = services.mirrorStore().shared_from_this();
      auto* sheet = Gtk::make_managed<MirrorSheet>(store, model, [] {});
      auto window = windowFor(*sheet, 880, 580);
      auto open = measure(
          sheet, [&] { window->present(); },
          [&] { return sheet->contractCount() == n && !store->activity().busy.get(); });
      report("mirror_open", n, open);
      auto key = measure(
          sheet, [&] { sheet->searchEntry().set_text("1"); }, [&] { return sheet->contractCount() != n; });
      report("mirror_filter_key", n, key);
      window.reset();
      drainMainLoop();
    }

    // ---- The mirror sheet's detail: the first contract has n folders of one file
    // each, none of them local yet, so the check finds n differences.
    if (runs("mirror_detail")) {
      test::setMirrorManifestReply(service, 1, test::scaleManifestJson(n));
      test::setMirrorManifestReply(service, 2, test::scaleManifestJson(n, "卷"));
      const auto count = static_cast<std::size_t>(n);
      auto store = services.mirrorStore().shared_from_this();
      // The one store keeps the contract an earlier part chose: the sheet opens as at
      // first use and chooses the first contract, with its new manifest.
      store->selection().selectContract(std::nullopt);
      auto* sheet = Gtk::make_managed<MirrorSheet>(store, model, [] {});
      auto window = windowFor(*sheet, 880, 580);
      auto idle = [&] { return !store->activity().busy.get(); };
      auto open = measure(
          sheet, [&] { window->present(); },
          [&] { return store->selection().folders->size() == count && sheet->detailRows().size() == count && idle(); });
      report("mirror_folders_open", n, open);
      auto check = measure(
          sheet, [&] { spawn(store->selection().check()); }, [&] { return store->selection().diffs->size() == count && idle(); });
      report("mirror_diffs_check", n, check);
      // One file arrives locally; the next check has one difference fewer.
      std::filesystem::path local;
      if (!store->selection().diffs->empty())
        if (auto place = store->location().localURL(store->selection().diffs->front().file)) {
          local = *place;
          std::filesystem::create_directories(local.parent_path());
          std::ofstream(local, std::ios::binary) << std::string(static_cast<std::size_t>(store->selection().diffs->front().file.size), 'x');
        }
      auto refresh = measure(
          sheet, [&] { spawn(store->selection().check()); }, [&] { return store->selection().diffs->size() == count - 1 && idle(); });
      report("mirror_diffs_refresh_one", n, refresh);
      const std::size_t splices = sheet->detailRows().splices();
      auto tick = measure(
          sheet, [&] { store->selection().toggleFolder(store->selection().folders->at(1).name); },
          [&] { return sheet->detailRows().splices() > splices; });
      report("mirror_folder_tick", n, tick);
      auto select = measure(
          sheet, [&] { store->selection().selectContract(2); },
          [&] {
            return store->selection().folders->size() == count && store->selection().folders->front().name.rfind("卷", 0) == 0 &&
                   sheet->detailRows().size() == count && idle();
          });
      report("mirror_select_contract", n, select);
      std::fprintf(stderr, "mirror detail: n=%d row widgets made=%zu\n", n, sheet->detailRowsMade());
      window.reset();
      drainMainLoop();
      std::error_code ec;
      if (!local.empty()) std::filesystem::remove(local, ec);
      test::resetMirrorSwitches(service);
    }
  }
  delete mainWindow;
  drainMainLoop();
  return 0;
}
