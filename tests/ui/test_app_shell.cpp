// The application shell as a user meets it: the client run as its own process with
// launch switches, a second launch handing its links to the running one.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>

#include "ChildProcess.h"
#include "TestEnv.h"
#include "base/MainQueue.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {
bool waitForLine(const fs::path& err, const std::string& line, unsigned ms) {
  return runMainLoopUntil([&] { return readFile(err).find(line) != std::string::npos; }, ms);
}

// Ends the client the way log-out does and answers the saved tab addresses.
std::vector<std::string> quitAndReadSession(Child& client, const TempHome& home, const fs::path& err) {
  client.sendSignal(SIGTERM);
  EXPECT_TRUE(client.waitForExit(30000)) << readFile(err);
  EXPECT_EQ(client.exitStatus(), 0) << readFile(err);
  auto saved = nlohmann::json::parse(readFile(home.configHome() / "Quorvel" / "defaults.json"), nullptr, false);
  std::vector<std::string> urls;
  if (saved.is_object() && saved.contains("session.tabs.v1"))
    for (const auto& t : saved["session.tabs.v1"]) urls.push_back(t.value("url", ""));
  return urls;
}
}  // namespace

TEST(AppShell, OpenSwitchLoadsThePathInTheActiveTabAfterItsDelay) {
  DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  TempHome home;
  auto err = home.root() / "stderr.txt";
  auto started = std::chrono::steady_clock::now();
  Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl(), "--open", "/calendar"},
               G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  ASSERT_TRUE(waitForLine(err, "[Quorvel][OPEN] /calendar", 30000)) << readFile(err);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_GE(seconds, 6.0);
  auto urls = quitAndReadSession(client, home, err);
  ASSERT_EQ(urls.size(), 1u) << readFile(err);
  EXPECT_EQ(urls[0], service.baseUrl() + "/calendar");
}
