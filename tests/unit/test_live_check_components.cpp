// The live check's feed, node-cache and inbox tests run over their real components and
// over broken ones: a parser that drops events, a cache that is never used, a watcher
// that never reports. Each broken one fails its own test by name; the real one passes.
#include <gtest/gtest.h>

#include <glib.h>

#include <filesystem>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "core/BrowserModel.h"
#include "core/ServiceReads.h"
#include "diagnostics/rules/LiveCheckRules.h"
#include "fakes/FakeFilePanels.h"
#include "fakes/FakeWebPage.h"
#include "fakes/RecordingDesktop.h"
#include "features/calendar/ICSEvent.h"
#include "features/calendar/ICSParser.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/mirror/MirrorNodes.h"

using namespace quorvel;
using namespace quorvel::test;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::string vevent(const std::string& uid, const std::string& start) {
  std::string block = "BEGIN:VEVENT\r\n";
  if (!uid.empty()) block += "UID:" + uid + "\r\n";
  return block + "DTSTART:" + start + "\r\nSUMMARY:【开庭】样例\r\nEND:VEVENT\r\n";
}

// Thirteen event blocks: eleven the parser keeps, one without UID and one whose start
// lies past the clock's range, which it leaves out by its rules.
std::string thirteenEventFeed() {
  std::string feed = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
  for (int i = 1; i <= 11; ++i) feed += vevent("hearing-" + std::to_string(i) + "@x", "20261205T093000");
  feed += vevent("", "20261206T093000");
  feed += vevent("deadline-9@x", "99991231T000000");
  return feed + "END:VCALENDAR\r\n";
}

LiveCheck::FeedAnswers answered(const std::string& body) { return {200, 304, "\"e1\"", body, 3, 3}; }

// Lists the T2 result in a report and answers the report's failures.
json failuresAfter(const char* key, const json& result) {
  LiveCheck::LiveReport report("https://example.com", "livetest", std::chrono::system_clock::now());
  report.record(key, result);
  return report.finished()["failures"];
}

}  // namespace

TEST(LiveCheckFeedAccounting, TheRealParserAccountsForEveryEventAndADroppingOneFailsT2) {
  const std::string body = thirteenEventFeed();
  EXPECT_EQ(LiveCheck::feedEventBlocks(body), 13);

  json real = LiveCheck::feedCheck(answered(body), LiveCheck::parseFeed(body));
  EXPECT_EQ(real["ok"], true) << real.dump();
  EXPECT_EQ(real["totalEvents"], 11);
  EXPECT_EQ(real["skippedEvents"], 2);
  EXPECT_EQ(real["feedEvents"], 13);
  EXPECT_EQ(failuresAfter(LiveCheck::kT2, real), json::array());

  // A parser that keeps 1 of 13 and names no reason: the statuses alone would pass.
  LiveCheck::ParsedFeed dropping{{LiveCheck::parseFeed(body).events.front()}, 0};
  EXPECT_EQ(LiveCheck::feedResult(answered(body), dropping.events)["ok"], true);
  json broken = LiveCheck::feedCheck(answered(body), dropping);
  EXPECT_EQ(broken["ok"], false);
  EXPECT_EQ(broken["totalEvents"], 1);
  EXPECT_EQ(broken["feedEvents"], 13);
  EXPECT_EQ(failuresAfter(LiveCheck::kT2, broken), json{LiveCheck::kT2});

  // Counting more than the feed holds is no account either.
  LiveCheck::ParsedFeed overcounted = LiveCheck::parseFeed(body);
  overcounted.skipped += 1;
  EXPECT_EQ(LiveCheck::feedCheck(answered(body), overcounted)["ok"], false);
}

TEST(LiveCheckFeedAccounting, BlocksAreCountedAsTheParserReadsThemAndItsSkipsHaveReasons) {
  // A folded "BEGIN:VEVENT" line is one block; a folded one that reads otherwise is none.
  EXPECT_EQ(LiveCheck::feedEventBlocks("BEGIN:VEV\n ENT\nUID:a\nDTSTART:20261205\nEND:VEVENT"), 1);
  EXPECT_EQ(LiveCheck::feedEventBlocks("BEGIN:VEVENT\n X\nEND:VEVENT\nBEGIN:VEVENT\r\n"), 1);
  EXPECT_EQ(LiveCheck::feedEventBlocks(""), 0);

  ICSParser::Skipped skipped;
  // An unended block before another, and one the text ends in.
  auto events = ICSParser::parse(
      "BEGIN:VEVENT\nUID:a@x\nDTSTART:20261205\nBEGIN:VEVENT\nUID:b@x\nDTSTART:20261206\nEND:VEVENT\n"
      "BEGIN:VEVENT\nUID:c@x\nDTSTART:nonsense\nEND:VEVENT\nBEGIN:VEVENT\nUID:d@x\n",
      skipped);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].uid, "b@x");
  EXPECT_EQ(skipped.unterminated, 2);
  EXPECT_EQ(skipped.badDate, 1);
  EXPECT_EQ(skipped.noUID, 0);
  EXPECT_EQ(skipped.total(), 3);

  // The sample feed of the demo service's kind, through the whole check.
  const std::string body = thirteenEventFeed();
  json result = LiveCheck::feedCheck(answered(body), LiveCheck::parseFeed(body));
  EXPECT_EQ(result["hearings"], 11);
  // The statuses still decide too.
  LiveCheck::FeedAnswers refused = answered(body);
  refused.firstStatus = 500;
  EXPECT_EQ(LiveCheck::feedCheck(refused, LiveCheck::parseFeed(body))["ok"], false);
}

namespace {

// A wall clock on which every reading is 31 s after the last: the node cache is always
// too old to answer, as if it were never used.
class RushingClock final : public Clock {
 public:
  time_point now() const override { return t_ += std::chrono::seconds(31); }

 private:
  mutable time_point t_ = std::chrono::system_clock::now();
};

class NodeCacheCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    home.defaults().set("serverURL", "https://example.com");
    home.defaults().remove("session.tabs.v1");
    home.defaults().remove("recents.v1");
    pages.configure = [this](FakeWebPage& page) {
      page.answer = [this](const std::string&, const json& args) {
        if (args.value("target", "") == ServiceReads::kNodesPath) ++nodeReads;
        return JsResult::success(std::string(kNodes));
      };
    };
  }
  void TearDown() override { drainMainLoop(); }

  json run(const std::shared_ptr<BrowserModel>& model) {
    auto outcome = runToEnd(LiveCheck::nodesCheck(model->reads()));
    return outcome->value ? *outcome->value : json();
  }

  static constexpr const char* kNodes =
      R"({"ok":true,"contracts":[{"id":1,"no":"2026-018","clients":1,"procs":2}],"clients":[]})";
  TempHome home;
  FakePages pages{home.defaults()};
  int nodeReads = 0;
};

}  // namespace

TEST_F(NodeCacheCheck, TheCachedReadAsksTheServiceNothingAndAnUnusedCacheFailsT3) {
  auto model = pages.model();
  json real = run(model);
  EXPECT_EQ(real["ok"], true) << real.dump();
  EXPECT_EQ(real["cacheReadRequests"], 0);
  EXPECT_EQ(real["contracts"], 1);
  EXPECT_EQ(nodeReads, 1);
  EXPECT_EQ(failuresAfter(LiveCheck::kT3, real), json::array());

  // The same reads over a clock that makes every cached copy stale: the second read
  // goes to the service, however fast it answers.
  RushingClock rushing;
  auto stale = BrowserModel::create(pages.factory(), {pages.defaults, pages.audit, pages.workers, rushing});
  nodeReads = 0;
  json broken = run(stale);
  EXPECT_EQ(nodeReads, 2);
  EXPECT_EQ(broken["cacheReadRequests"], 1);
  EXPECT_LT(broken["cacheHitMs"].get<long long>(), 20) << "a fake page answers at once";
  EXPECT_EQ(broken["ok"], false);
  EXPECT_EQ(failuresAfter(LiveCheck::kT3, broken), json{LiveCheck::kT3});

  // The time bound still holds on its own.
  MirrorNodes nodes{true, {}, {}};
  EXPECT_EQ(LiveCheck::nodesResult(5, 20, 0, nodes)["ok"], false);
  EXPECT_EQ(LiveCheck::nodesResult(5, 19, 0, nodes)["ok"], true);
}

namespace {

class InboxCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override { setLogSink({}); }

  json run(HotFolderWatcher& watcher, unsigned boundMs = LiveCheck::kHotFolderBoundMs) {
    auto outcome = runToEnd(LiveCheck::inboxCheck(watcher, boundMs), 20000);
    return outcome->value ? *outcome->value : json();
  }
  std::vector<fs::path> scratchFolders() const {
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(g_get_tmp_dir()))
      if (entry.path().filename().string().rfind(LiveCheck::kHotFolderPrefix, 0) == 0) out.push_back(entry.path());
    return out;
  }

  TempHome home;
  FakeFilePanels panels;
  RecordingDesktop desktop;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(InboxCheck, TheClientsWatcherReportsTheFileAfterItsSettleDelayAndADeafOneFailsT7) {
  const auto before = scratchFolders();
  const json stored = home.defaults().object("hotfolder.config.v1").value_or(json());

  HotFolderWatcher watcher(home.defaults(), panels, desktop);
  watcher.setLogTag("LIVETEST][T7");
  json real = run(watcher);
  EXPECT_EQ(real["ok"], true) << real.dump();
  EXPECT_EQ(real["detectedFile"], "扫描证据_01.pdf");
  // Not before the watcher's own settle delay.
  EXPECT_GE(real.value("detectedMs", 0LL), static_cast<long long>(HotFolderWatcher::kDebounceMs));
  EXPECT_EQ(failuresAfter(LiveCheck::kT7, real), json::array());
  EXPECT_EQ(countContaining(logs, "[Quorvel][LIVETEST][T7] 检测到 1 个新文件：扫描证据_01.pdf"), 1) << logs.size();
  EXPECT_EQ(countContaining(logs, "[Quorvel][HOTFOLDER]"), 0);
  EXPECT_FALSE(watcher.isWatching.get());

  // A watcher whose settle delay never ends within the bound sees the folder change
  // but never reports the file.
  HotFolderWatcher deaf(home.defaults(), panels, desktop, /*debounceMs=*/60000);
  json broken = run(deaf, 1500);
  EXPECT_EQ(broken["ok"], false);
  EXPECT_FALSE(broken.contains("detectedMs"));
  EXPECT_EQ(failuresAfter(LiveCheck::kT7, broken), json{LiveCheck::kT7});

  // Nothing left: no scratch folder, the user's inbox settings untouched.
  EXPECT_EQ(scratchFolders(), before);
  EXPECT_EQ(home.defaults().object("hotfolder.config.v1").value_or(json()), stored);
}
