// The self-check run as the built client: "--selftest" against the demo service writes
// its fourteen checks and quits; a broken part of the client fails its own check by
// name; the quiet diagnostic mode leaves the user's session alone.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "FakeNotificationServer.h"
#include "TestEnv.h"
#include "TestHelpers.h"

using namespace quorvel;
using nlohmann::json;

namespace {
namespace fs = std::filesystem;

const std::vector<std::string> kKeys = {
    "bridge",      "deepLink",        "dragDrop",       "failures",         "hibernation",  "icsParser",
    "plistKeys",   "previewCache",    "promptCheck",    "quickCaptureDate", "result",       "screenOCRSignals",
    "server",      "suffixed",        "timestamp",      "trackingJudge",    "updateCompare", "userAgent",
    "version",     "volume"};

struct SelfTestRun {
  json report;
  std::string text;  // the file as written
  std::string log;
  std::optional<int> status;
};

// Runs the client with "--selftest" in `home` against `server`; TMPDIR inside the home.
SelfTestRun runSelfTest(const test::TempHome& home, const std::string& server) {
  auto err = home.root() / "stderr.txt";
  auto tmp = home.root() / "tmp";
  fs::create_directories(tmp);
  g_setenv("TMPDIR", tmp.c_str(), TRUE);
  test::Child client({QUORVEL_APP_EXE, "--server-url", server, "--selftest"}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  g_unsetenv("TMPDIR");
  SelfTestRun run;
  EXPECT_TRUE(client.started());
  EXPECT_TRUE(client.waitForExit(40000)) << "the client did not quit\n" << test::readFile(err);
  run.status = client.exitStatus();
  run.log = test::readFile(err);
  run.text = test::readFile(home.dataHome() / "Quorvel" / "selftest.json");
  run.report = json::parse(run.text, nullptr, false);
  // The preview-cache check cleans its temporary tree up, whatever its outcome.
  for (const auto& entry : fs::directory_iterator(tmp))
    EXPECT_EQ(entry.path().filename().string().rfind("quorvel-selftest-", 0), std::string::npos) << entry.path();
  return run;
}
}  // namespace

TEST(SelfCheck, AllFourteenChecksPassAgainstTheDemoServiceAndTheClientQuits) {
  test::DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  test::TempHome home;
  // A notification server that would show anything the run sent.
  test::FakeNotificationServer notifications;
  ASSERT_TRUE(notifications.serve());
  SelfTestRun run = runSelfTest(home, service.baseUrl());
  ASSERT_TRUE(run.report.is_object()) << run.text << run.log;
  EXPECT_EQ(run.status, 0) << run.log;

  std::vector<std::string> keys;
  for (const auto& [key, value] : run.report.items()) keys.push_back(key);
  EXPECT_EQ(keys, kKeys);
  EXPECT_EQ(run.report["result"], "ok") << run.report.dump(2);
  EXPECT_EQ(run.report["failures"], json::array()) << run.report.dump(2);
  // Written pretty with the keys in order.
  EXPECT_LT(run.text.find("\n  \"bridge\""), run.text.find("\n  \"version\"")) << run.text;
  EXPECT_EQ(run.report["version"], "2.2.0");
  EXPECT_EQ(run.report["server"], service.baseUrl());
  EXPECT_EQ(run.report["dragDrop"], "ok");
  EXPECT_EQ(run.report["promptCheck"],
            (json{{"alertOK", true}, {"confirmOK", true}, {"openPanelOK", true}, {"promptOK", true}}));
  EXPECT_EQ(run.report["hibernation"],
            (json{{"ok", true}, {"hibernated", true}, {"woken", true}, {"closed", true}}));
  EXPECT_EQ(run.report["icsParser"], (json{{"ok", true}, {"count", 2}, {"foldOK", true}}));
  EXPECT_EQ(run.report["previewCache"].value("oldBackups", 0), 1) << run.report["previewCache"].dump();
  EXPECT_EQ(run.report["plistKeys"].value("source", ""), "内置");  // nothing installed in the test's home
  for (const char* flag : {"hasBridge", "hasBridgeHandler", "hasActionHandler", "hasNavHandler", "hasDragDropHook"})
    EXPECT_EQ(run.report["bridge"].value(flag, false), true) << flag;
  EXPECT_NE(run.report["userAgent"].value("value", "").find("Quorvel/2.2.0"), std::string::npos);
  EXPECT_NE(run.log.find("[Quorvel][SELFTEST] 启动自检 v2.2.0"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("[Quorvel][HIBERNATE] 休眠「自检休眠页」已释放，剩 1 个活跃"), std::string::npos) << run.log;
  auto path = (home.dataHome() / "Quorvel" / "selftest.json").string();
  EXPECT_NE(run.log.find("[Quorvel][SELFTEST] 完成 result=ok failures= → " + path), std::string::npos) << run.log;

  // Quiet: no tab session was saved, no hot key registered.
  auto defaults = json::parse(test::readFile(home.configHome() / "Quorvel" / "defaults.json"), nullptr, false);
  EXPECT_FALSE(defaults.is_object() && defaults.contains("session.tabs.v1")) << defaults.dump();
  EXPECT_EQ(run.log.find("已注册全局热键"), std::string::npos) << run.log;

  // The page answered the bridge's question through the client.
  EXPECT_EQ(run.report["bridge"].value("roundTrip", false), true) << run.report["bridge"].dump();
  // Offline: no update check, no desktop notification.
  EXPECT_EQ(test::readFile(home.dataHome() / "Quorvel" / "upload-audit.jsonl").find("update-check"),
            std::string::npos);
  EXPECT_EQ(run.log.find("[Quorvel][UPDATE]"), std::string::npos) << run.log;
  EXPECT_TRUE(notifications.notifies.empty()) << notifications.notifies.front().summary;
}

// Without the drag-and-drop page script the bridge probe finds no hook; a desktop entry
// installed without the link scheme fails the metadata check. Both fail by name, in
// the order the checks run, and the rest still pass.
TEST(SelfCheck, ABrokenPartFailsItsOwnCheckByName) {
  test::DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  test::TempHome home;
  auto apps = home.dataHome() / "applications";
  fs::create_directories(apps);
  {
    std::ofstream entry(apps / "cn.quorvel.client.desktop");
    entry << "[Desktop Entry]\nType=Application\nName=墨衡台\nExec=quorvel %U\n"
             "MimeType=application/pdf;\nX-Quorvel-Calendar-Usage=日历\nX-Quorvel-Tasks-Usage=任务\n";
  }
  g_setenv("NO_DRAG_INJECT", "1", TRUE);
  SelfTestRun run = runSelfTest(home, service.baseUrl());
  g_unsetenv("NO_DRAG_INJECT");
  ASSERT_TRUE(run.report.is_object()) << run.text << run.log;
  EXPECT_EQ(run.status, 0) << run.log;
  EXPECT_EQ(run.report["result"], "fail");
  // The page holds no drag-and-drop hook, so its check fails too.
  EXPECT_EQ(run.report["failures"], (json::array({"plistKeys", "dragDrop", "bridge"}))) << run.report.dump(2);
  EXPECT_EQ(run.report["dragDrop"], "fail");
  EXPECT_EQ(run.report["plistKeys"],
            (json{{"ok", false}, {"scheme", false}, {"calendar", true}, {"reminders", true}, {"docTypes", true},
                  {"source", (apps / "cn.quorvel.client.desktop").string()}}));
  EXPECT_EQ(run.report["bridge"].value("hasDragDropHook", true), false) << run.report["bridge"].dump();
  EXPECT_EQ(run.report["bridge"].value("hasBridge", false), true);
  EXPECT_NE(run.log.find("failures=plistKeys,dragDrop,bridge"), std::string::npos) << run.log;
}

// "--domdump" ten seconds after the start: the active page's structure in
// "dom-dump.json", the line "[DOMDUMP] …", and the client ends at once.
TEST(PageStructureDump, TheClientWritesTheDashboardsStructureAndQuits) {
  test::DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  test::TempHome home;
  auto err = home.root() / "stderr.txt";
  test::Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl(), "--domdump"},
                     G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  ASSERT_TRUE(client.started());
  ASSERT_TRUE(client.waitForExit(40000)) << test::readFile(err);
  EXPECT_EQ(client.exitStatus(), 0);
  auto report = json::parse(test::readFile(home.dataHome() / "Quorvel" / "dom-dump.json"), nullptr, false);
  ASSERT_TRUE(report.is_object()) << test::readFile(err);
  EXPECT_EQ(report.size(), 11u) << report.dump();
  EXPECT_EQ(report["href"], service.baseUrl() + "/dashboard");
  EXPECT_EQ(report["zivEzozor"], "object");
  EXPECT_EQ(report["chromeObs"], true);
  EXPECT_NE(test::readFile(err).find("[DOMDUMP] {"), std::string::npos) << test::readFile(err);
}
