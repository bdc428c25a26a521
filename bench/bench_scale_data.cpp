// A busy firm's data through the client's services against the test service: the
// calendar feed sync (and the settings file after it), the settled reminder ids, the
// desktop-search index and the mirror's difference check, each at growing sizes.
// Prints "scale: <work> n=<N> ms=… stall_ms=… rss_mib=…" lines; exits 1 when a bound
// is broken: a stall over 100 ms at the largest size, a settings file of 64 KB or
// more, or more than linear growth from 1,000 to 10,000.
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CalendarSyncParts.h"
#include "ScaleFeeds.h"
#include "TestEnv.h"
#include "TestService.h"
#include "TestServiceCalendar.h"
#include "VolumeServices.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "fakes/FakeWebPage.h"
#include "fakes/SettableClock.h"
#include "features/calendar/CalendarItems.h"
#include "features/mirror/MirrorStore.h"
#include "features/workspace/SpotlightIndexer.h"
#include "platform/Http.h"
#include "platform/SearchIndexStore.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/SqliteCalendarStore.h"

using namespace quorvel;
using namespace quorvel::test;
using namespace quorvel::bench;
namespace fs = std::filesystem;

namespace {

constexpr double kStallBound = 100;
constexpr const char* kAccount = R"({"overdue":1,"user":"张律师","firm":"墨衡律师事务所"})";

struct Figure {
  double ms = 0, stallMs = 0;
};
std::map<std::string, std::map<long, Figure>> figures;
std::vector<std::string> broken;

void note(const std::string& work, long n, Figure f, const std::string& extra = "") {
  figures[work][n] = f;
  printScaleLine(work, n, f.ms, f.stallMs, extra);
}

// Runs `start` and the main loop until `done`; the figure of that span.
template <class Start, class Done>
Figure measure(Start start, Done done, unsigned timeoutMs = 600000) {
  auto began = SteadyClock::now();
  StallWatch watch;
  start();
  if (!runMainLoopUntil(done, timeoutMs)) broken.push_back("未在时限内完成");
  drainMainLoop();
  return {msSince(began), watch.longestMs()};
}

Task<std::string> nativeRead(std::string url, std::string cookie) {
  http::HttpRequest req;
  req.url = std::move(url);
  req.headers.emplace_back("Cookie", std::move(cookie));
  http::HttpResponse reply = co_await http::send(std::move(req));
  co_return std::move(reply.body);
}

void calendarSync(int n) {
  TempHome home;
  UserDefaults& defaults = home.defaults();
  TestService service;
  bench::ServiceThread serving(service);
  setCalendarFeed(scaleCalendarFeed(n));
  defaults.set("serverURL", service.baseUrl());
  defaults.remove("session.tabs.v1");
  const std::string feedLink = service.url(kDemoFeedPath);
  FakePages pages(defaults);
  pages.configure = [feedLink](FakeWebPage& p) {
    p.answer = [feedLink](const std::string&, const nlohmann::json& args) {
      if (args.value("target", "") == "/calendar/subscribe") return JsResult::success("<input value=\"" + feedLink + "\">");
      return JsResult::success(kAccount);
    };
  };
  auto model = pages.model();
  model->account().applyBadges(kAccount);
  drainMainLoop();
  {
    CalendarSyncParts parts(defaults, *model);
    parts.slot.setStore(std::make_unique<SqliteCalendarStore>(home.dataHome() / "Quorvel"));
    auto c = parts.sync.config.get();
    c.enabled = true;
    parts.sync.updateConfig(c);
    auto once = [&](const char* work) {
      bool started = false;
      Figure f = measure([&] {
        spawn(parts.sync.syncNow(true));
        started = true;
      },
                         [&] { return started && !parts.sync.isSyncing.get(); });
      note(work, n, f, "events=" + std::to_string(parts.sync.syncedEventsCount.get()));
    };
    once("calendar-sync");
    // The feed unchanged, asked with its tag: the run every few minutes.
    bool started = false;
    Figure again = measure([&] {
      spawn(parts.sync.syncNow(false));
      started = true;
    },
                           [&] { return started && !parts.sync.isSyncing.get(); });
    note("calendar-sync-unchanged", n, again);
    parts.records.flush();
  }
  drainMainLoop();
  defaults.flush();
  auto bytes = static_cast<long>(fs::file_size(defaults.file()));
  note("settings-file", n, {}, "bytes=" + std::to_string(bytes));
  if (bytes >= 64 * 1024) broken.push_back("设置文件 " + std::to_string(bytes) + " 字节（n=" + std::to_string(n) + "）");
  setCalendarFeed(std::nullopt);
}

// The write-back check's loop over the completed reminders, as each run does it.
void settledIDs(int n) {
  std::vector<std::int64_t> ids(static_cast<size_t>(n));
  std::vector<std::optional<std::string>> notes;
  for (int i = 0; i < n; ++i) {
    ids[static_cast<size_t>(i)] = 100000 + i;
    notes.emplace_back("案号（2026）京0105民初" + std::to_string(i) + "号\n" + CalendarItems::logTag(100000 + i));
  }
  int settled = 0;
  Figure f = measure(
      [&] {
        CalendarItems::SettledIDs list(ids);
        for (const auto& text : notes)
          if (auto id = CalendarItems::extractLogID(text); id && list.contains(*id)) ++settled;
      },
      [] { return true; });
  note("settled-ids", n, f, "settled=" + std::to_string(settled));
}

void desktopIndex(int n) {
  TempHome home;
  TestService service;
  bench::ServiceThread serving(service);
  const std::string reply = scaleNodesReply(n / 2, n - n / 2);
  service.setRoute("/api/desktop/nodes", [reply](const RecordedRequest&) { return Reply::json(reply); });
  WorkerPool workers(2);
  auto index = std::make_shared<SearchIndexStore>(home.dataHome() / "Quorvel" / "search-index.sqlite3");
  SettableClock clock;
  SpotlightIndexer indexer(index, home.defaults(), clock);
  SpotlightSource source;
  const std::string url = service.url("/api/desktop/nodes");
  const std::string cookie = std::string(TestService::kSessionCookie) + "=" + service.issueSession();
  source.fetchNodes = [url, cookie] { return nativeRead(url, cookie); };
  source.recents = [] { return std::vector<RecentItem>{{7, "张三诉李四"}}; };
  source.workers = &workers;
  bool done = false;
  Figure f = measure(
      [&] {
        spawn([](SpotlightIndexer& i, SpotlightSource s, bool& d) -> Task<void> {
          auto running = i.indexNow(std::move(s));
          co_await running;
          d = true;
        }(indexer, source, done));
      },
      [&] { return done; });
  note("desktop-index", n, f, "indexed=" + std::to_string(indexer.indexedCount.get()) + " reply_mib=" +
                                   std::to_string(reply.size() >> 20));
  workers.drain();
}

void mirrorCheck(int n) {
  TempHome home;
  TestService service;
  bench::ServiceThread serving(service);
  const std::string manifest = scaleManifest(77, n);
  service.setRoute("/api/desktop/manifest_contract/77", [manifest](const RecordedRequest&) { return Reply::json(manifest); });
  fs::path root = home.root() / "mirror";
  writeScaleMirrorTree(root, n);
  VolumeServices world(home.defaults());
  MirrorConfig c = MirrorConfig::load(home.defaults());
  c.rootPath = root.string();
  c.save(home.defaults());
  const std::string base = service.baseUrl();
  const std::string cookie = std::string(TestService::kSessionCookie) + "=" + service.issueSession();
  auto store = MirrorStore::create(world.mirror(), std::make_shared<MirrorWorkspace>(),
                                   [base, cookie](const std::string& path) { return nativeRead(base + path, cookie); });
  MirrorSelection& selection = store->selection();
  Figure selected = measure([&] { selection.selectContract(77); }, [&] { return !selection.folders->empty(); });
  note("mirror-select", n, selected);
  bool done = false;
  Figure f = measure(
      [&] {
        spawn([](std::shared_ptr<MirrorStore> s, bool& d) -> Task<void> {
          auto checking = s->selection().check();
          co_await checking;
          d = true;
        }(store, done));
      },
      [&] { return done; });
  note("mirror-check", n, f, "differences=" + std::to_string(store->selection().diffs->size()));
  if (store->activity().lastError.get()) broken.push_back("检查失败：" + *store->activity().lastError.get());
}

void checkBounds() {
  for (const char* work : {"calendar-sync", "calendar-sync-unchanged", "settled-ids", "desktop-index", "mirror-select",
                           "mirror-check"}) {
    const auto& sizes = figures[work];
    if (sizes.empty()) continue;
    const auto& [largest, f] = *sizes.rbegin();
    if (f.stallMs > kStallBound)
      broken.push_back(std::string(work) + " n=" + std::to_string(largest) + " 卡顿 " + std::to_string(long(f.stallMs)) + " ms");
    // At most linear from 1,000 to 10,000 (with 50 ms of room for the fixed costs).
    if (sizes.count(1000) && sizes.count(10000) && sizes.at(10000).ms > 10 * sizes.at(1000).ms + 50)
      broken.push_back(std::string(work) + " 从 1,000 到 10,000 超过线性增长");
  }
}

}  // namespace

int main(int argc, char** argv) {
  markMainThread();
  setLogSink([](const std::string&) {});  // the figures only
  // Optional: one size, and one work ("calendar", "settled", "index", "mirror").
  std::vector<int> sizes{100, 1000, 10000, 100000};
  if (argc > 1) sizes = {std::atoi(argv[1])};
  const std::string only = argc > 2 ? argv[2] : "";
  auto wanted = [&](const char* work) { return only.empty() || only == work; };
  if (wanted("calendar"))
    for (int n : sizes) calendarSync(n);
  if (wanted("settled"))
    for (int n : argc > 1 ? sizes : std::vector<int>{100, 1000, 10000, 49500, 100000}) settledIDs(n);
  if (wanted("index"))
    for (int n : sizes) desktopIndex(n);
  if (wanted("mirror"))
    for (int n : sizes) mirrorCheck(n);
  checkBounds();
  for (const auto& b : broken) std::cerr << "bound broken: " << b << "\n";
  return broken.empty() ? 0 : 1;
}
