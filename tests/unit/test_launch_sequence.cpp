#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/BrowserModel.h"
#include "ui/model/WorkspaceViewState.h"
#include "app/AppArgs.h"
#include "app/LaunchSequence.h"
#include "core/MenuCommands.h"
#include "TestEnv.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeWebPage.h"

namespace quorvel {
namespace {

using Env = std::map<std::string, std::string>;

LaunchSwitches parse(std::vector<std::string> args, Env env = {}) {
  args.insert(args.begin(), "quorvel");
  return LaunchSwitches::parse(args, [env](const char* name) -> std::optional<std::string> {
    auto it = env.find(name);
    return it == env.end() ? std::nullopt : std::optional<std::string>(it->second);
  });
}

// Records what was scheduled; runs the steps on demand in deadline order.
struct FakeScheduler : Scheduler {
  std::vector<std::pair<double, std::function<void()>>> pending;
  void after(double seconds, std::function<void()> step) override { pending.emplace_back(seconds, std::move(step)); }
  void runAll() {
    std::stable_sort(pending.begin(), pending.end(), [](auto& a, auto& b) { return a.first < b.first; });
    auto steps = std::move(pending);
    for (auto& [at, step] : steps) step();
  }
};

// Records the steps in the order they run, with the time they were scheduled for.
struct RecordingSteps : LaunchSteps {
  std::vector<std::string> log;
  double now = 0;
  void note(const std::string& s) { log.push_back(s); }
  void activate() override { note("activate"); }
  void reportDamagedSettings() override { note("settings"); }
  void setUpNotifications() override { note("notifications"); }
  void warmUpRecognition() override { note("ocr"); }
  void openTarget(const std::string& t) override { note("open " + t); }
  void runDomDump() override { note("domdump"); }
  void runEditTest() override { note("edittest"); }
  void runTutorial() override { note("tutorial"); }
  void renderAll() override { note("renderAll"); }
  void renderSheets() override { note("renderSheets"); }
  void renderSettings() override { note("renderSettings"); }
  void renderSidebar() override { note("renderSidebar"); }
  void attachWindowMemory() override { note("windowMemory"); }
  void checkForUpdateIfDue() override { note("update"); }
  void startBackgroundServices() override { note("services"); }
  void setUpHotKeys(bool reg) override { note(reg ? "hotkeys+register" : "hotkeys"); }
  void indexForSearch() override { note("index"); }
  void installShortcuts() override { note("shortcuts"); }
  void startDiagnostics() override { note("diagnostics"); }
  std::function<void()> rest;
  void afterFirstPage(std::function<void()> r) override {
    note("(first page)");
    rest = std::move(r);
  }
  void loadFirstPage() { std::exchange(rest, nullptr)(); }
};

TEST(LaunchSwitches, ExactArgumentsAndEnvironmentValuesOfOne) {
  auto s = parse({"--open", "/a", "--open", "/b", "--domdump"}, {{"TUT", "1"}, {"RENDER_ALL", "true"}});
  ASSERT_TRUE(s.openTarget);
  EXPECT_EQ(*s.openTarget, "/a");  // the first "--open" wins
  EXPECT_TRUE(s.domDump);
  EXPECT_TRUE(s.tutorial);
  EXPECT_FALSE(s.renderAll);
  EXPECT_FALSE(s.diagnostic());

  EXPECT_FALSE(parse({"--open"}).openTarget);  // nothing after it
  EXPECT_FALSE(parse({"--selftest=1", "-selftest"}).selfTest);
  EXPECT_TRUE(parse({"--livetest"}).diagnostic());
  for (const char* v : {"", "0", "true", "01", " 1"}) EXPECT_FALSE(parse({}, {{"TUT", v}}).tutorial) << v;
}

// The client's own switches come from one reading of the command line and the given
// environment; each environment switch is on only for exactly "1".
TEST(Switches, ReadOnceFromTheArgumentsAndTheGivenEnvironment) {
  std::vector<const char*> asked;
  Env env{{"TRACK_TEST_MANUAL", "1"}, {"RENDER_SHEETS", "1"}, {"NO_DRAG_INJECT", "1"}};
  auto read = [&](const Env& values, std::vector<std::string> args = {"quorvel"}) {
    return Switches::read(AppArgs(std::move(args)), [&](const char* name) -> std::optional<std::string> {
      asked.push_back(name);
      auto it = values.find(name);
      return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    });
  };
  auto s = read(env, {"quorvel", "--selftest", "--open", "/cases"});
  EXPECT_TRUE(s.trackingDrill);
  EXPECT_FALSE(s.dragAndDrop);
  EXPECT_FALSE(s.separateInstance);
  EXPECT_TRUE(s.launch.renderSheets);
  EXPECT_FALSE(s.launch.renderAll);
  EXPECT_TRUE(s.launch.selfTest);
  EXPECT_EQ(s.launch.openTarget.value_or(""), "/cases");
  for (const char* name : {"TRACK_TEST_MANUAL", "NO_DRAG_INJECT", "QUORVEL_SEPARATE_INSTANCE", "RENDER_ALL",
                           "RENDER_SHEETS", "RENDER_SETTINGS", "RENDER_SIDEBAR", "TUT"})
    EXPECT_EQ(std::count_if(asked.begin(), asked.end(), [&](const char* a) { return std::string(a) == name; }), 1)
        << name << " is read exactly once";

  auto none = read({});
  EXPECT_FALSE(none.trackingDrill);
  EXPECT_TRUE(none.dragAndDrop);
  EXPECT_FALSE(none.separateInstance);
  for (const char* v : {"", "0", "true", " 1"}) {
    auto other = read({{"TRACK_TEST_MANUAL", v}, {"NO_DRAG_INJECT", v}, {"QUORVEL_SEPARATE_INSTANCE", v}});
    EXPECT_FALSE(other.trackingDrill) << v;
    EXPECT_TRUE(other.dragAndDrop) << v;
    EXPECT_FALSE(other.separateInstance) << v;
  }
  EXPECT_TRUE(read({{"QUORVEL_SEPARATE_INSTANCE", "1"}}).separateInstance);
}

TEST(LaunchSequence, RunsItsStepsInOrderWithTheirDelays) {
  RecordingSteps steps;
  FakeScheduler scheduler;
  auto s = parse({"--open", "/calendar", "--domdump", "--edittest"}, {{"RENDER_SIDEBAR", "1"}, {"TUT", "1"}});
  runLaunchSequence(s, steps, scheduler, true);
  // Immediate steps first, in the sequence's order; what can wait follows the first page.
  EXPECT_EQ(steps.log,
            (std::vector<std::string>{"activate", "settings", "tutorial", "windowMemory", "shortcuts", "(first page)"}));
  steps.loadFirstPage();
  EXPECT_EQ(std::vector<std::string>(steps.log.begin() + 6, steps.log.end()),
            (std::vector<std::string>{"notifications", "ocr", "update", "services", "hotkeys+register",
                                      "diagnostics"}));
  std::map<std::string, double> delays;
  for (auto& [at, step] : scheduler.pending) {
    size_t before = steps.log.size();
    step();
    ASSERT_EQ(steps.log.size(), before + 1);
    delays[steps.log.back()] = at;
  }
  EXPECT_DOUBLE_EQ(delays["open /calendar"], 6.0);
  EXPECT_DOUBLE_EQ(delays["domdump"], 10.0);
  EXPECT_DOUBLE_EQ(delays["edittest"], 8.0);
  EXPECT_DOUBLE_EQ(delays["renderSidebar"], 0.8);
  EXPECT_DOUBLE_EQ(delays["index"], 7.0);
}

TEST(LaunchSequence, DiagnosticModesRegisterNoHotKeysAndScheduleNoIndexing) {
  for (const char* sw : {"--selftest", "--livetest"}) {
    RecordingSteps steps;
    FakeScheduler scheduler;
    runLaunchSequence(parse({sw}), steps, scheduler, true);
    steps.loadFirstPage();
    EXPECT_TRUE(scheduler.pending.empty()) << sw;
    // The services are still called; each one stays off by its own check.
    EXPECT_NE(std::find(steps.log.begin(), steps.log.end(), "services"), steps.log.end());
    EXPECT_NE(std::find(steps.log.begin(), steps.log.end(), "hotkeys"), steps.log.end());
  }
  RecordingSteps steps;
  FakeScheduler scheduler;
  runLaunchSequence(parse({}), steps, scheduler, false);  // the user turned hot keys off
  steps.loadFirstPage();
  EXPECT_NE(std::find(steps.log.begin(), steps.log.end(), "hotkeys"), steps.log.end());
}

// The self-check runs offline: no update request, no desktop notification; the live
// check and a normal start keep both.
TEST(LaunchSequence, TheSelfCheckAsksForNoUpdateAndSetsUpNoNotifications) {
  auto after = [](std::vector<std::string> args) {
    RecordingSteps steps;
    FakeScheduler scheduler;
    runLaunchSequence(parse(args), steps, scheduler, true);
    steps.loadFirstPage();
    auto first = std::find(steps.log.begin(), steps.log.end(), "(first page)");
    return std::vector<std::string>(first + 1, steps.log.end());
  };
  EXPECT_EQ(after({"--selftest"}), (std::vector<std::string>{"ocr", "services", "hotkeys", "diagnostics"}));
  EXPECT_EQ(after({"--livetest"}),
            (std::vector<std::string>{"notifications", "ocr", "update", "services", "hotkeys", "diagnostics"}));
  EXPECT_EQ(after({}),
            (std::vector<std::string>{"notifications", "ocr", "update", "services", "hotkeys+register", "diagnostics"}));
}

TEST(FirstPageGate, WaitsForTheFirstLoadToEndOrTheCapAndRunsOnceOnALaterTurn) {
  // A load that starts and ends: released on the turn after it ends, once.
  {
    Published<bool> loading{false};
    FakeScheduler scheduler;
    int runs = 0;
    FirstPageGate gate(loading, scheduler, 4.0, [&] { ++runs; });
    loading.set(false);  // a notification without a load is no first page
    loading.set(true);
    EXPECT_EQ(scheduler.pending.size(), 1u);  // only the cap
    loading.set(false);
    EXPECT_EQ(runs, 0);
    ASSERT_EQ(scheduler.pending.size(), 2u);
    EXPECT_DOUBLE_EQ(scheduler.pending.back().first, 0.0);
    loading.set(true);
    loading.set(false);  // later loads change nothing
    scheduler.runAll();  // the turn and the cap
    EXPECT_EQ(runs, 1);
  }
  // Already loading when the gate is made (the window started its page first).
  {
    Published<bool> loading{true};
    FakeScheduler scheduler;
    int runs = 0;
    FirstPageGate gate(loading, scheduler, 4.0, [&] { ++runs; });
    loading.set(false);
    scheduler.runAll();
    EXPECT_EQ(runs, 1);
  }
  // A page that never ends its load: the cap releases the steps.
  {
    Published<bool> loading{true};
    FakeScheduler scheduler;
    int runs = 0;
    FirstPageGate gate(loading, scheduler, 4.0, [&] { ++runs; });
    ASSERT_EQ(scheduler.pending.size(), 1u);
    EXPECT_DOUBLE_EQ(scheduler.pending.front().first, 4.0);
    scheduler.runAll();  // the cap
    scheduler.runAll();  // its turn
    EXPECT_EQ(runs, 1);
  }
  // A gate destroyed first (the application quit) runs nothing.
  {
    Published<bool> loading{false};
    FakeScheduler scheduler;
    int runs = 0;
    auto gate = std::make_unique<FirstPageGate>(loading, scheduler, 4.0, [&] { ++runs; });
    loading.set(true);
    loading.set(false);
    gate.reset();
    loading.set(true);
    loading.set(false);
    scheduler.runAll();
    EXPECT_EQ(runs, 0);
  }
}

TEST(OpenedItems, LinksInOrderThenAllFilesWithOneHint) {
  auto items = partitionOpened({"quorvel://todo", "file:///a.pdf", "https://x.example/cases", "FILE:///b.png",
                                "file:///c.docx"});
  EXPECT_EQ(items.links, (std::vector<std::string>{"quorvel://todo", "https://x.example/cases"}));
  EXPECT_EQ(items.files.size(), 3u);
  EXPECT_EQ(items.filesHint(), "拖入任务栏图标的 3 个文件");
  EXPECT_TRUE(partitionOpened({"quorvel://palette"}).filesHint().empty());
  EXPECT_TRUE(partitionOpened({}).links.empty());

  EXPECT_TRUE(isAbsoluteAddress("https://host/x"));
  EXPECT_TRUE(isAbsoluteAddress("quorvel://proceeding/88"));
  EXPECT_FALSE(isAbsoluteAddress("/calendar"));
  EXPECT_FALSE(isAbsoluteAddress("calendar?a=b:c"));
  EXPECT_FALSE(isAbsoluteAddress(":x"));
}

TEST(OpenedItems, HandedOverFilesAreStagedOnlyAfterTheQuestionNamingThem) {
  test::FakeDialogs dialogs;
  int staged = 0;
  const std::vector<std::string> paths{"/home/user/.ssh/id_rsa", "/home/user/合同.pdf"};
  dialogs.answer = 1;
  askBeforeStaging(dialogs, paths, [&] { ++staged; });
  drainMainLoop();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "上传这些文件？");
  for (const auto& p : paths) EXPECT_NE(dialogs.shown[0].text.find(p), std::string::npos) << p;
  EXPECT_EQ(dialogs.shown[0].buttons, (std::vector<std::string>{"打开快速归档", "取消"}));
  EXPECT_EQ(staged, 0) << "staged although the question was cancelled";
  dialogs.answer = -1;  // closed otherwise
  askBeforeStaging(dialogs, paths, [&] { ++staged; });
  drainMainLoop();
  EXPECT_EQ(staged, 0);
  dialogs.answer = 0;
  askBeforeStaging(dialogs, paths, [&] { ++staged; });
  drainMainLoop();
  EXPECT_EQ(staged, 1);

  // Many files: the first ten by name, then how many there are.
  std::vector<std::string> many;
  for (int i = 0; i < 25; ++i) many.push_back("/tmp/f" + std::to_string(i) + ".txt");
  askBeforeStaging(dialogs, many, [] {});
  drainMainLoop();
  const std::string& text = dialogs.shown.back().text;
  EXPECT_NE(text.find("/tmp/f9.txt"), std::string::npos);
  EXPECT_EQ(text.find("/tmp/f10.txt"), std::string::npos);
  EXPECT_NE(text.find("共 25 个文件"), std::string::npos);
  // No files, no question.
  askBeforeStaging(dialogs, {}, [&] { ++staged; });
  EXPECT_EQ(dialogs.shown.size(), 4u);
}

TEST(TutorialSequence, TourOfTheToolWindowsOnTheirTimetable) {
  test::TempHome home;
  test::FakePages pages{home.defaults()};
  auto model = test::freshFakeModel(pages);
  auto viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  FakeScheduler scheduler;
  runTutorialSequence(model, viewState, scheduler);
  ASSERT_EQ(scheduler.pending.size(), 11u);
  EXPECT_DOUBLE_EQ(scheduler.pending.front().first, 0.5);
  EXPECT_DOUBLE_EQ(scheduler.pending.back().first, 47);

  // Run up to second 7: settings open; the user closes it by hand before step 3.
  std::vector<std::string> seen;
  auto watch = viewState->showSettings.changed().connect([&] { seen.push_back(viewState->showSettings.get() ? "on" : "off"); });
  for (int i = 0; i < 2; ++i) scheduler.pending[i].second();
  EXPECT_TRUE(viewState->showSettings.get());
  viewState->showSettings.set(false);
  scheduler.pending[2].second();  // second 14: no change, no signal
  EXPECT_EQ(seen, (std::vector<std::string>{"on", "off"}));
  for (size_t i = 3; i < scheduler.pending.size(); ++i) scheduler.pending[i].second();
  EXPECT_FALSE(viewState->showMirror.get());
  EXPECT_FALSE(viewState->showPalette.get());
}

TEST(MenuCommands, ZoomStaysWithinItsRangeAndTheTableKeepsItsOrder) {
  EXPECT_DOUBLE_EQ(PageZoom::stepped(1.75, 0.1), 1.8);
  EXPECT_DOUBLE_EQ(PageZoom::stepped(0.6, -0.1), 0.6);
  EXPECT_DOUBLE_EQ(PageZoom::stepped(1.0, 0.1), 1.1);
  EXPECT_DOUBLE_EQ(PageZoom::clamped(2.5), 1.8);
  EXPECT_DOUBLE_EQ(PageZoom::clamped(0.1), 0.6);

  const auto& c = menuCommands();
  ASSERT_EQ(c.size(), 30u);
  EXPECT_EQ(c.front().title, "新建标签");
  EXPECT_EQ(c[1].title, "重新加载");
  EXPECT_EQ(c.back().title, "打开数据目录");
  // Every shortcut shown has a key that triggers it, and no key serves two commands.
  std::set<std::string> accels;
  for (const auto& cmd : c) {
    EXPECT_EQ(cmd.shortcut.empty(), cmd.accels.empty()) << cmd.title;
    for (const auto& a : cmd.accels) EXPECT_TRUE(accels.insert(a).second) << a;
  }
  EXPECT_EQ(findMenuCommand("quick-capture")->accels.front(), "<Alt><Shift>n");
}

}  // namespace
}  // namespace quorvel
