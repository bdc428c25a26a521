// The built client run as its own process, the way a user, a start script or a
// desktop session runs it: command-line checks and ending on signals.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TestHelpers.h"
#include "ChildProcess.h"
#include "TestEnv.h"
#include "base/GObjectPtr.h"
#include "base/MainQueue.h"

using namespace quorvel;
using quorvel::test::Child;
using quorvel::test::DemoService;
using quorvel::test::readFile;

namespace {
namespace fs = std::filesystem;

fs::path defaultsFile(const test::TempHome& home) { return home.configHome() / "Quorvel" / "defaults.json"; }

}  // namespace

TEST(ClientProcess, InvalidServerURLExitsWithStatus2BeforeSavingAnything) {
  for (const char* bad : {"ht!tp://x", "javascript:alert(1)", "example.com", "http://", "ftp://x", ""}) {
    SCOPED_TRACE(bad);
    test::TempHome home;
    auto err = home.root() / "stderr.txt";
    Child client({QUORVEL_APP_EXE, "--server-url", bad}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
    ASSERT_TRUE(client.started());
    ASSERT_TRUE(client.waitForExit(20000)) << "the client did not end";
    EXPECT_EQ(client.exitStatus(), 2);
    std::string text = readFile(err);
    EXPECT_NE(text.find(std::string("服务器地址无效：") + (*bad ? bad : "（空）")), std::string::npos) << text;
    EXPECT_NE(text.find("请使用 http:// 或 https:// 开头的完整地址"), std::string::npos) << text;
    // It stopped before the application started: no log line, no settings folder.
    EXPECT_EQ(text.find("[Quorvel]"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(home.configHome() / "Quorvel")) << text;
  }
}

// What a desktop session sends at log-out and what Ctrl+C in a terminal sends both end
// the client through its quit path: status 0, the exit line, the tab session saved.
TEST(ClientProcess, SigtermAndSigintQuitLikeCtrlQAndSaveTheSession) {
  DemoService service;
  ASSERT_EQ(service.baseUrl().rfind("http://127.0.0.1:", 0), 0u) << service.baseUrl();
  const std::string dashboard = service.baseUrl() + "/dashboard";

  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
    test::TempHome home;
    auto err = home.root() / "stderr.txt";
    Child client({QUORVEL_APP_EXE, "--server-url", "  " + service.baseUrl() + "\n"},
                 G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
    ASSERT_TRUE(client.started());
    // The badge line follows the dashboard's load and its read of the counts.
    bool loaded = runMainLoopUntil([&] { return readFile(err).find("[Quorvel][BADGE] 超期=") != std::string::npos; },
                                   60000);
    ASSERT_TRUE(loaded) << readFile(err);
    ASSERT_FALSE(client.exitStatus()) << readFile(err);

    auto file = defaultsFile(home);
    auto before = nlohmann::json::parse(readFile(file), nullptr, false);
    EXPECT_EQ(before.value("serverURL", ""), service.baseUrl());  // saved trimmed
    // Gone before the signal: the file found afterwards was written on the way out.
    fs::remove(file);

    client.sendSignal(sig);
    ASSERT_TRUE(client.waitForExit(30000)) << "the client did not end on the signal\n" << readFile(err);
    std::string text = readFile(err);
    EXPECT_EQ(client.termSignal(), std::nullopt) << text;
    EXPECT_EQ(client.exitStatus(), 0) << text;
    EXPECT_NE(text.find(std::string("[Quorvel] 收到 ") + (sig == SIGTERM ? "SIGTERM" : "SIGINT")), std::string::npos)
        << text;
    EXPECT_NE(text.find("[Quorvel] 已退出"), std::string::npos) << text;

    auto saved = nlohmann::json::parse(readFile(file), nullptr, false);
    ASSERT_TRUE(saved.is_object()) << readFile(file);
    ASSERT_TRUE(saved.contains("session.tabs.v1")) << saved.dump();
    const auto& tabs = saved["session.tabs.v1"];
    ASSERT_TRUE(tabs.is_array() && tabs.size() == 1) << tabs.dump();
    EXPECT_EQ(tabs[0].value("url", ""), dashboard);
    EXPECT_EQ(tabs[0].value("title", ""), "个人工作台");
  }
}

// A service whose deadline page is 20 MB of something that is not JSON and whose
// badge reply names the user with 150,000 characters: the client reads both, keeps
// answering the keyboard within a second meanwhile, and still ends on SIGTERM at once.
TEST(ClientProcess, AHugeReplyAndAHugeUserNameNeitherFreezeTheWindowNorBlockTheExit) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  DemoService service({"--outage", "huge"});
  ASSERT_FALSE(service.baseUrl().empty());
  test::TempHome home;
  auto err = home.root() / "stderr.txt";
  Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl()}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  ASSERT_TRUE(client.started());
  auto logHas = [&](const std::string& part) { return readFile(err).find(part) != std::string::npos; };
  // The badge read with the huge name has been applied (and logged cut).
  ASSERT_TRUE(test::waitUntil([&] { return logHas("[Quorvel][BADGE] 超期=2"); }, 60000)) << readFile(err);
  for (const auto& line : {std::string("[Quorvel][BADGE] 超期=2")}) {
    auto text = readFile(err);
    auto at = text.find(line);
    EXPECT_LT(text.find('\n', at) - at, 1000u) << "the name was logged whole";
  }

  // Ctrl+Shift+D opens the to-do sheet, which reads the 20 MB page; Ctrl+T in the main
  // window meanwhile opens a tab at once (each press is measured from when xdotool has
  // delivered it). The sheet's window is waited for first: appearing, it may take the
  // focus, and Ctrl+T is a key of the main window alone.
  const std::string focusMain = "xdotool search --onlyvisible --name '^墨衡台$' windowfocus --sync ";
  ASSERT_EQ(std::system((focusMain + "key ctrl+shift+d").c_str()), 0);
  ASSERT_EQ(std::system("timeout 10 xdotool search --sync --onlyvisible --name '^我的待办与开庭预警$' >/dev/null"), 0);
  ASSERT_EQ(std::system((focusMain + "key ctrl+t").c_str()), 0);
  auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(test::waitUntil([&] { return logHas("（共 2 个）"); }, 5000)) << readFile(err);
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(test::kSanitizerSlowdown)) << "the key waited";
  ASSERT_TRUE(test::waitUntil([&] { return logHas("[Quorvel][TODO] 读取失败：服务器回复超过 8 MB"); }, 15000))
      << readFile(err);
  // After the read, Ctrl+W (which the new tab's page does not get first): at once too.
  ASSERT_EQ(std::system((focusMain + "key ctrl+w").c_str()), 0);
  pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(test::waitUntil([&] { return logHas("（剩 1 个）"); }, 5000)) << readFile(err);
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(test::kSanitizerSlowdown));

  auto signalled = std::chrono::steady_clock::now();
  client.sendSignal(SIGTERM);
  ASSERT_TRUE(client.waitForExit(2000)) << "the client did not end on SIGTERM\n" << readFile(err);
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2 * test::kSanitizerSlowdown));
  EXPECT_EQ(client.exitStatus(), 0) << readFile(err);
}
