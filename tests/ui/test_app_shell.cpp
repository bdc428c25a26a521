// The application shell as a user meets it: the client run as its own process with
// launch switches, a second launch handing its links to the running one.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <gio/gio.h>

#include "ChildProcess.h"
#include "DesktopProbes.h"
#include "TestEnv.h"
#include "TrayedClient.h"
#include "base/MainQueue.h"

using namespace quorvel;
using namespace quorvel::test;

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

// The tab keys reach the workspace from a window other than the main one: with the
// focus in the quick-capture panel, Ctrl+1 picks the first tab and Ctrl+W closes it.
TEST(AppShell, TabKeysWorkFromTheQuickCapturePanel) {
  DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  TempHome home;
  auto err = home.root() / "stderr.txt";
  Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl(), "--open", "/calendar"},
               G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  ASSERT_TRUE(waitForLine(err, "[Quorvel][OPEN] /calendar", 30000)) << readFile(err);
  ASSERT_TRUE(waitForLine(err, "[Quorvel][HOTKEY] 已注册全局热键", 10000)) << readFile(err);
  // The pointer rests where no window is, so it takes no focus from the one focused.
  ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
  ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^墨衡台$' windowfocus --sync key ctrl+t"), 0);
  ASSERT_TRUE(waitForLine(err, "（共 2 个）", 10000)) << readFile(err);

  ASSERT_EQ(std::system("xdotool key alt+shift+n"), 0);
  ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^快捷记待办' windowfocus --sync"), 0);
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+1"), 0);
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+w"), 0);
  ASSERT_TRUE(waitForLine(err, "（剩 1 个）", 10000)) << readFile(err);

  auto urls = quitAndReadSession(client, home, err);
  EXPECT_EQ(urls, std::vector<std::string>{service.baseUrl() + "/dashboard"}) << readFile(err);
}

// One running client, as on a desktop with a tray: its item registers with the
// watcher, a second launch hands over its link and exits, the global hot key reaches
// quick capture, and quitting saves the session.
TEST(AppShell, RunningClientTakesLinksHotKeysAndTrayAndSavesOnQuit) {
  if (!g_find_program_in_path("status-notifier-watcher")) GTEST_SKIP() << "status-notifier-watcher not installed";
  TrayedClient running;
  ASSERT_TRUE(running.start()) << readFile(running.err);
  auto& [watcher, service, home, err, client] = running;
  EXPECT_TRUE(runMainLoopUntil([] { return registeredTrayItems().find("org.kde.StatusNotifierItem-") != std::string::npos; },
                               10000))
      << registeredTrayItems() << readFile(err);

  auto err2 = home.root() / "second.txt";
  Child second({QUORVEL_APP_EXE, "quorvel://proceeding/88"}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err2,
               /*separateInstance=*/false);
  ASSERT_TRUE(second.waitForExit(20000)) << readFile(err2);
  EXPECT_EQ(second.exitStatus(), 0) << readFile(err2);
  EXPECT_EQ(readFile(err2).find("[Quorvel]"), std::string::npos) << "the second launch started a client of its own";
  ASSERT_TRUE(waitForLine(err, "proceeding/88", 10000)) << readFile(err);

  ASSERT_TRUE(waitForLine(err, "[Quorvel][HOTKEY] 已注册全局热键", 10000)) << readFile(err);
  ASSERT_EQ(std::system("xdotool key alt+shift+n"), 0);
  EXPECT_TRUE(waitForLine(err, "快捷记待办入口已触发", 10000)) << readFile(err);

  auto urls = quitAndReadSession(*client, home, err);
  ASSERT_EQ(urls.size(), 1u) << readFile(err);
  EXPECT_EQ(urls[0], service.baseUrl() + "/proceeding/88");
}
