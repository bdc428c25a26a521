// The built client's live check ("--livetest") against the stand-alone test service:
// the report it leaves in the data folder, with a service that works, one whose sign-in
// refuses and one that never marks a to-do done.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "TestEnv.h"

using namespace quorvel;
using nlohmann::json;
using quorvel::test::Child;
using quorvel::test::DemoService;
using quorvel::test::readFile;

namespace {
namespace fs = std::filesystem;

struct LiveRun {
  json report;
  std::string log;
  std::optional<int> status;
  std::string defaults;
};

// Runs the client with "--livetest" against the service until it quits by itself.
LiveRun runLiveCheck(const DemoService& service) {
  test::TempHome home;
  auto err = home.root() / "stderr.txt";
  Child client({QUORVEL_APP_EXE, "--livetest", "--server-url", service.baseUrl()}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE,
               err);
  EXPECT_TRUE(client.started());
  bool ended = client.waitForExit(100000);
  EXPECT_TRUE(ended) << "the live check did not quit\n" << readFile(err);
  LiveRun run;
  run.log = readFile(err);
  run.status = client.exitStatus();
  run.report = json::parse(readFile(home.dataHome() / "Quorvel" / "livetest.json"), nullptr, false);
  run.defaults = readFile(home.configHome() / "Quorvel" / "defaults.json");
  return run;
}

const std::vector<std::string> kTests{"T1_login_badges",         "T2_apple_calendar_ics",      "T3_nodes_spotlight",
                                      "T4_deadlines",            "T5_quick_add_and_writeback", "T6_quick_archive_upload",
                                      "T7_hotfolder_watch",      "T8_vision_screen_ocr",       "T9_deeplink_hotkey_lock",
                                      "T10_bridge_and_prompt"};
}  // namespace

TEST(LiveCheckProcess, AgainstAWorkingServiceAllTenTestsPassAndTheClientQuits) {
  DemoService service({"--form-sign-in"});
  ASSERT_FALSE(service.baseUrl().empty());
  LiveRun run = runLiveCheck(service);
  ASSERT_TRUE(run.report.is_object()) << run.log;
  EXPECT_EQ(run.status, 0) << run.log;
  EXPECT_EQ(run.report["result"], "ok") << run.report.dump(2);
  EXPECT_EQ(run.report["failures"], json::array());
  for (const auto& key : kTests) EXPECT_EQ(run.report[key]["ok"], true) << key << " " << run.report[key].dump();
  EXPECT_EQ(run.report["server"], service.baseUrl());
  EXPECT_EQ(run.report["testUser"], "livetest");

  // Signed in through the form, with the password typed but never logged.
  EXPECT_EQ(run.report["T1_login_badges"]["alreadyLoggedIn"], false);
  EXPECT_EQ(run.report["T1_login_badges"]["user"], "张律师");
  EXPECT_NE(run.log.find("[Quorvel][LIVETEST] 启动 v2.2.0 真机全链路实测"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("[Quorvel][LIVETEST][T1] 登录提交：clicked"), std::string::npos) << run.log;
  EXPECT_EQ(run.log.find("571046"), std::string::npos);
  EXPECT_NE(run.log.find("[Quorvel][LIVETEST] 结束 result=ok failures= → "), std::string::npos) << run.log;

  // What the service answered, as the tests read it.
  const json& feed = run.report["T2_apple_calendar_ics"];
  EXPECT_EQ(feed["httpFirst"], 200);
  EXPECT_EQ(feed["httpETagSecond"], 304);
  EXPECT_GT(feed["totalEvents"].get<int>(), 0);
  // Every event of the feed is accounted for; the cached node read asked nothing; the
  // client's own inbox watcher reported the file.
  EXPECT_EQ(feed["feedEvents"].get<int>(), feed["totalEvents"].get<int>() + feed["skippedEvents"].get<int>());
  EXPECT_EQ(run.report["T3_nodes_spotlight"]["cacheReadRequests"], 0);
  EXPECT_GE(run.report["T7_hotfolder_watch"].value("detectedMs", 0), 1400);
  EXPECT_EQ(run.report["T4_deadlines"]["sampleProcID"], 88);
  EXPECT_EQ(run.report["T5_quick_add_and_writeback"]["verifiedDoneOnServer"], true);
  EXPECT_EQ(run.report["T6_quick_archive_upload"]["uploadedCount"], 1);
  EXPECT_EQ(run.report["T8_vision_screen_ocr"]["tracks"], json{"SF1234567890123"});
  EXPECT_EQ(run.report["T9_deeplink_hotkey_lock"]["activePath"], "/calendar");
  EXPECT_EQ(run.report["T10_bridge_and_prompt"]["promptValue"], "起诉状_重命名验证.docx");

  // Nothing is left behind: the scratch file, and a lock for the next start.
  const std::string scratch = run.report["T6_quick_archive_upload"].value("fileName", "");
  ASSERT_FALSE(scratch.empty());
  EXPECT_FALSE(fs::exists(fs::path(g_get_tmp_dir()) / scratch));
  EXPECT_EQ(run.defaults.find("privacy.locked.v1"), std::string::npos) << run.defaults;
  // Diagnostic mode: no tab session saved, no hot keys but the check's own, no calendar
  // sync, indexing or inbox watching.
  EXPECT_EQ(run.defaults.find("session.tabs.v1"), std::string::npos) << run.defaults;
  size_t registered = 0;
  for (auto at = run.log.find("[Quorvel][HOTKEY] 已注册全局热键"); at != std::string::npos;
       at = run.log.find("[Quorvel][HOTKEY] 已注册全局热键", at + 1))
    ++registered;
  EXPECT_EQ(registered, 1u) << run.log;
  for (const char* quiet : {"[Quorvel][CAL]", "[Quorvel][SPOTLIGHT]", "[Quorvel][HOTFOLDER]"})
    EXPECT_EQ(run.log.find(quiet), std::string::npos) << quiet << "\n" << run.log;
}

TEST(LiveCheckProcess, ARefusedSignInEndsTheRunAfterTheFirstTest) {
  DemoService service({"--refuse-sign-in"});
  ASSERT_FALSE(service.baseUrl().empty());
  LiveRun run = runLiveCheck(service);
  ASSERT_TRUE(run.report.is_object()) << run.log;
  EXPECT_EQ(run.status, 0) << run.log;
  EXPECT_EQ(run.report["result"], "fail");
  EXPECT_EQ(run.report["failures"], json{"T1_login_badges"});
  std::vector<std::string> keys;
  for (const auto& [key, value] : run.report.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"T1_login_badges", "failures", "result", "server", "testUser",
                                            "timestamp", "version"}));
  const json& t1 = run.report["T1_login_badges"];
  EXPECT_EQ(t1["error"], "登录后仍未取到 badges");
  EXPECT_EQ(t1["loginBanner"], "账号或密码错误");
  EXPECT_EQ(t1["submit"], "clicked");
  EXPECT_NE(t1.value("url", "").find("/login"), std::string::npos) << t1.dump();
  EXPECT_NE(run.log.find("[Quorvel][LIVETEST] 结束 result=fail failures=T1_login_badges → "), std::string::npos)
      << run.log;
}

TEST(LiveCheckProcess, AToDoTheServiceNeverMarksDoneFailsTheWriteBackAlone) {
  DemoService service({"--todos-stay-open"});
  ASSERT_FALSE(service.baseUrl().empty());
  LiveRun run = runLiveCheck(service);
  ASSERT_TRUE(run.report.is_object()) << run.log;
  EXPECT_EQ(run.report["failures"], json{"T5_quick_add_and_writeback"}) << run.report.dump(2);
  const json& t5 = run.report["T5_quick_add_and_writeback"];
  EXPECT_EQ(t5["ok"], false);
  EXPECT_EQ(t5["markedDone"], true);
  EXPECT_EQ(t5["verifiedDoneOnServer"], false);
  EXPECT_EQ(t5["procID"], 88);
  // The tests after it ran all the same.
  EXPECT_EQ(run.report["T10_bridge_and_prompt"]["ok"], true);
}
