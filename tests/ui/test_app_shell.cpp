// The application shell as a user meets it: the client run as its own process with
// launch switches, a second launch handing its links to the running one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <nlohmann/json.hpp>

#include <gio/gio.h>

#include "ChildProcess.h"
#include "DesktopProbes.h"
#include "FakeNotificationServer.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestService.h"
#include "TrayedClient.h"
#include "base/MainQueue.h"

// Xlib last: its macros clash with the toolkit's C++ headers.
#include <X11/Xlib.h>

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

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
  EXPECT_TRUE(waitUntil([] { return registeredTrayItems().find("org.kde.StatusNotifierItem-") != std::string::npos; },
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

// Files opened with the client from a terminal or the file manager reach the running
// client as names in the starting folder or as addresses; they arrive in quick archive
// under their own names and go up to the proceeding on screen.
TEST(AppShell, FilesOpenedThroughASecondStartUploadUnderTheirOwnNames) {
  TestService service;
  service.start();
  service.setSignsInByItself(true);
  TempHome home;
  fs::create_directories(home.configHome() / "Quorvel");
  writeFile(home.configHome() / "Quorvel" / "defaults.json",
            nlohmann::json{{"session.tabs.v1", {{{"url", service.url("/proceeding/88")}, {"title", "案件"}}}},
                           {"session.tabs.v1.active", 0}}
                .dump());
  const fs::path dir = home.root() / "收件 folder";
  const std::vector<std::string> names = {"plain.pdf", "with space.pdf", "中文 证据.pdf"};
  fs::create_directories(dir);
  for (const auto& n : names) writeFile(dir / n, "%PDF-1.4 " + n);

  auto err = home.root() / "stderr.txt";
  Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl()}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err,
               /*separateInstance=*/false);
  ASSERT_TRUE(waitForLine(err, "[Quorvel][BADGE] 超期=", 60000)) << readFile(err);

  // Relative names belong to the second start's folder, not the client's; the desktop
  // entry hands over addresses ("file:///…/with%20space.pdf").
  gchar* address = g_filename_to_uri((dir / names[1]).c_str(), nullptr, nullptr);
  ASSERT_TRUE(address);
  // A file of another machine is said, not read from here under the same path.
  std::vector<std::string> argv = {QUORVEL_APP_EXE, names[0], address, "file://fileserver.example" + dir.string() + "/x.pdf",
                                   names[2]};
  g_free(address);
  EXPECT_NE(argv[2].find("with%20space.pdf"), std::string::npos) << argv[2];
  auto err2 = home.root() / "second.txt";
  Child second(argv, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err2, /*separateInstance=*/false, dir);
  ASSERT_TRUE(second.waitForExit(20000)) << readFile(err2);
  EXPECT_EQ(second.exitStatus(), 0) << readFile(err2);
  EXPECT_EQ(readFile(err2).find("[Quorvel]"), std::string::npos) << "the second start ran a client of its own";
  EXPECT_TRUE(waitForLine(err, "无法打开（不是本机文件）：file://fileserver.example/", 10000)) << readFile(err);
  // Two alerts (windows without a title) come first: the one about the other machine's
  // file, and the question naming the handed-over files, whose first button opens the
  // archive. Nothing is staged before it is answered.
  EXPECT_EQ(readFile(err).find("打开快速归档（"), std::string::npos) << "staged before the question was answered";
  auto alertFocused = [] { return std::system("xdotool getwindowfocus getwindowname | grep -qx ''") == 0; };
  for (int answered = 0; answered < 2; ++answered) {
    ASSERT_TRUE(waitUntil(alertFocused, 5000)) << answered;
    ASSERT_EQ(std::system("xdotool key Return"), 0);
    waitUntil([] { return false; }, 600);  // the answered alert goes
  }
  ASSERT_TRUE(waitForLine(err, "打开快速归档（3 个文件）", 10000)) << readFile(err);

  // The proceeding on screen is the target; the upload button is the last stop of the
  // focus chain, one step back from the first.
  ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^快速归档到案件卷宗$' windowfocus --sync "
                        "key --delay 150 shift+Tab shift+Tab space"),
            0);
  auto upload = service.waitForRequest("/api/proc_quick_upload/88", 20000);
  ASSERT_TRUE(upload) << readFile(err);
  EXPECT_TRUE(service.isSignedIn(*upload));
  EXPECT_EQ(TestService::multipartFileCount(*upload), 3);
  for (const auto& n : names) {
    EXPECT_NE(upload->body.find("filename=\"" + n + "\""), std::string::npos) << n;
    EXPECT_NE(upload->body.find("%PDF-1.4 " + n), std::string::npos) << n;
  }
  ASSERT_TRUE(waitForLine(err, "quick-archive-ok proc:88", 10000)) << readFile(err);
  EXPECT_EQ(readFile(err).find("无法读取文件"), std::string::npos) << readFile(err);
}

namespace {
// The visible window of that exact name, waited for; 0 when there is none.
unsigned long visibleWindow(const std::string& name) {
  std::string command = "timeout 10 xdotool search --sync --onlyvisible --name '^" + name + "$' 2>/dev/null";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return 0;
  unsigned long id = 0;
  if (std::fscanf(out, "%lu", &id) != 1) id = 0;
  pclose(out);
  return id;
}

// What a window manager's close button sends.
bool askToClose(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display || !window) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  bool sent = XSendEvent(display, window, False, NoEventMask, &e) != 0;
  XCloseDisplay(display);
  return sent;
}

// Starts the client against the demo service and waits for its hot keys, the last
// step of its start.
std::unique_ptr<Child> startClient(const DemoService& service, const fs::path& err) {
  auto client = std::make_unique<Child>(std::vector<std::string>{QUORVEL_APP_EXE, "--server-url", service.baseUrl()},
                                        G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err, /*separateInstance=*/false);
  EXPECT_TRUE(waitForLine(err, "[Quorvel][HOTKEY] 已注册全局热键", 60000)) << readFile(err);
  return client;
}

// The notices among what the server was asked to show (deadline notifications come
// and go beside them).
std::vector<NotifyCall> trayNotices(const FakeNotificationServer& server) {
  std::vector<NotifyCall> out;
  for (const auto& n : server.notifies)
    if (n.summary == "墨衡台仍在运行") out.push_back(n);
  return out;
}

nlohmann::json savedDefaults(const TempHome& home) {
  return nlohmann::json::parse(readFile(home.configHome() / "Quorvel" / "defaults.json"), nullptr, false);
}

// The client against the demo service, on a desktop with a notification server and no
// tray.
struct NotifiedClient {
  FakeNotificationServer notifications;
  DemoService service;
  TempHome home;
  fs::path err = home.root() / "stderr.txt";
  std::unique_ptr<Child> client;

  bool start() {
    if (!notifications.serve() || service.baseUrl().empty()) return false;
    client = startClient(service, err);
    return true;
  }
};
}  // namespace

// Without a tray, closing the window would leave the client running unseen: the first
// close says so with a desktop notification (how to bring it back, the hot keys), and
// never again, also after a restart.
TEST(AppShell, WithoutATrayTheFirstCloseSaysOnceThatTheClientKeepsRunning) {
  NotifiedClient running;
  ASSERT_TRUE(running.start());
  auto& [notifications, service, home, err, client] = running;
  ASSERT_TRUE(waitForLine(err, "[Quorvel][TRAY] 未发现系统托盘", 1000)) << readFile(err);
  EXPECT_TRUE(trayNotices(notifications).empty());

  ASSERT_TRUE(askToClose(visibleWindow("墨衡台")));
  ASSERT_TRUE(waitUntil([&] { return !trayNotices(notifications).empty(); }, 10000)) << readFile(err);
  const auto said = trayNotices(notifications)[0];
  EXPECT_EQ(said.appName, "墨衡台");
  EXPECT_NE(said.body.find("再次启动墨衡台即可回到窗口"), std::string::npos) << said.body;
  EXPECT_NE(said.body.find("Alt+Shift+N（悬浮快记）、Alt+Shift+O（屏幕框选OCR）"), std::string::npos) << said.body;
  EXPECT_TRUE(waitForLine(err, "已提示：关闭窗口后墨衡台仍在运行", 5000)) << readFile(err);
  EXPECT_EQ(visibleWindow("墨衡台"), 0u) << "the window hides";

  // Started again, it comes back; closed again, nothing more is said.
  Child second({QUORVEL_APP_EXE}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, home.root() / "second.txt",
               /*separateInstance=*/false);
  ASSERT_TRUE(second.waitForExit(20000));
  ASSERT_TRUE(askToClose(visibleWindow("墨衡台")));
  ASSERT_TRUE(waitForLine(err, "主窗口已隐藏至后台", 5000));
  runMainLoopUntil([] { return false; }, 1500);
  EXPECT_EQ(trayNotices(notifications).size(), 1u);

  client->sendSignal(SIGTERM);
  ASSERT_TRUE(client->waitForExit(30000)) << readFile(err);
  EXPECT_EQ(savedDefaults(home).value("linux.trayAbsenceNotice.said", false), true);
  auto err2 = home.root() / "stderr2.txt";
  client = startClient(service, err2);
  ASSERT_TRUE(askToClose(visibleWindow("墨衡台")));
  ASSERT_TRUE(waitForLine(err2, "主窗口已隐藏至后台", 5000)) << readFile(err2);
  runMainLoopUntil([] { return false; }, 1500);
  EXPECT_EQ(trayNotices(notifications).size(), 1u);
}

// With a tray the window comes back from its icon: closing says nothing.
TEST(AppShell, WithATrayClosingSaysNothing) {
  if (!g_find_program_in_path("status-notifier-watcher")) GTEST_SKIP() << "status-notifier-watcher not installed";
  FakeNotificationServer notifications;
  ASSERT_TRUE(notifications.serve());
  Child watcher({"status-notifier-watcher"}, G_SUBPROCESS_FLAGS_NONE);
  // This test's own connection stands for the panel that draws the items.
  GDBusConnection* panel = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  ASSERT_TRUE(panel);
  bool hostRegistered = runMainLoopUntil(
      [&] {
        GVariant* reply = g_dbus_connection_call_sync(
            panel, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
            "RegisterStatusNotifierHost", g_variant_new("(s)", g_dbus_connection_get_unique_name(panel)), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
        if (reply) g_variant_unref(reply);
        return reply != nullptr;
      },
      10000);
  ASSERT_TRUE(hostRegistered);
  DemoService service;
  TempHome home;
  auto err = home.root() / "stderr.txt";
  auto client = startClient(service, err);
  ASSERT_TRUE(waitUntil([] { return !registeredTrayItems().empty(); }, 10000)) << readFile(err);
  EXPECT_FALSE(waitForLine(err, "未发现系统托盘", 500)) << readFile(err);

  ASSERT_TRUE(askToClose(visibleWindow("墨衡台")));
  ASSERT_TRUE(waitForLine(err, "主窗口已隐藏至后台", 5000)) << readFile(err);
  runMainLoopUntil([] { return false; }, 1500);
  EXPECT_TRUE(trayNotices(notifications).empty());
  client->sendSignal(SIGTERM);
  ASSERT_TRUE(client->waitForExit(30000)) << readFile(err);
  EXPECT_FALSE(savedDefaults(home).contains("linux.trayAbsenceNotice.said"));
  g_object_unref(panel);
}

// The settings sheet as a user reaches it in the running client: from the sidebar's
// gear; Escape closes it.
TEST(AppShell, TheSettingsSheetOpensFromTheGearAndEscapeClosesIt) {
  DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  TempHome home;
  auto err = home.root() / "stderr.txt";
  Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl()}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  ASSERT_TRUE(waitForLine(err, "[Quorvel][BADGE]", 30000)) << readFile(err);
  const std::string limit = "timeout " + std::to_string(10 * kSanitizerSlowdown) + " ";
  const std::string shown = limit + "xdotool search --sync --onlyvisible --name '^客户端设置$' >/dev/null";
  const std::string hidden = "xdotool search --onlyvisible --name '^客户端设置$' >/dev/null";

  // The gear sits at the foot of the sidebar.
  ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^墨衡台$' windowfocus --sync"), 0);
  ASSERT_EQ(std::system("eval $(xdotool search --onlyvisible --name '^墨衡台$' getwindowgeometry --shell) && "
                        "xdotool mousemove $((X + 210)) $((Y + HEIGHT - 33)) click 1"),
            0);
  ASSERT_EQ(std::system(shown.c_str()), 0) << readFile(err);
  // Typed once the sheet has the focus: on a busy machine it may come a moment after it shows.
  ASSERT_EQ(std::system("xdotool search --onlyvisible --name '^客户端设置$' windowfocus --sync key Escape"), 0);
  EXPECT_TRUE(waitUntil([&] { return std::system(hidden.c_str()) != 0; }, 5000));

  quitAndReadSession(client, home, err);
}

namespace {
// A key typed with the focus in the page of the main window, after a click there (in
// its bottom-right corner, where the dashboard has nothing to click).
void pressInPage(const std::string& key) {
  ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^墨衡台$' windowfocus --sync"), 0) << key;
  ASSERT_EQ(std::system("eval $(xdotool search --onlyvisible --name '^墨衡台$' getwindowgeometry --shell) && "
                        "xdotool mousemove $((X + WIDTH - 40)) $((Y + HEIGHT - 40)) click 1 mousemove 1595 995"),
            0);
  ASSERT_EQ(std::system(("xdotool key --clearmodifiers " + key).c_str()), 0) << key;
}

bool waitForCount(const fs::path& err, const std::string& text, int count) {
  return runMainLoopUntil([&] { return countContaining(lines(readFile(err)), text) >= count; }, 10000);
}
}  // namespace

// Closed with its ✕ and brought back by starting the client again, over and over: the ✕
// still closes it, every key of the main menu still reaches its command, and GTK's
// inspector keys open nothing.
TEST(AppShell, EveryMenuKeyWorksAfterTheWindowWasClosedAndReopened) {
  // The notice that the client keeps running goes to the notifications, not into an alert.
  NotifiedClient running;
  ASSERT_TRUE(running.start());
  auto& [notifications, service, home, err, client] = running;
  // Started all the way: a close request before that is not the user's.
  ASSERT_TRUE(waitForLine(err, "[Quorvel][SPOTLIGHT] 已建立", 30000)) << readFile(err);
  ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    // The ✕ of the window's own controls, in the top bar's right end.
    ASSERT_EQ(std::system("eval $(xdotool search --onlyvisible --name '^墨衡台$' getwindowgeometry --shell) && "
                          "xdotool mousemove $((X + WIDTH - 33)) $((Y + 25)) click 1 mousemove 1595 995"),
              0);
    ASSERT_TRUE(waitForCount(err, "主窗口已隐藏至后台", round)) << readFile(err);
    Child again({QUORVEL_APP_EXE}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, home.root() / "again.txt",
                /*separateInstance=*/false);
    ASSERT_TRUE(again.waitForExit(20000));
    ASSERT_NE(visibleWindow("墨衡台"), 0u);
    pressInPage("ctrl+t");
    ASSERT_TRUE(waitForLine(err, "（共 " + std::to_string(round + 1) + " 个）", 10000)) << readFile(err);
  }

  pressInPage("ctrl+shift+d");
  EXPECT_TRUE(waitForWindow("我的待办与开庭预警")) << readFile(err);
  pressInPage("ctrl+k");
  EXPECT_TRUE(waitForWindow("全局搜索 · Ctrl+K")) << readFile(err);
  pressInPage("ctrl+shift+m");
  EXPECT_TRUE(waitForWindow("本地卷宗与离线镜像")) << readFile(err);
  pressInPage("ctrl+shift+i");
  runMainLoopUntil([] { return false; }, 1500);
  auto shown = windowsOnScreen();
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::string>{"全局搜索 · Ctrl+K", "墨衡台", "我的待办与开庭预警", "本地卷宗与离线镜像"}))
      << "no inspector and nothing else";

  // The lock key, then the rest of the menu's keys: under the lock each one that reaches
  // its command is refused there, by name.
  pressInPage("ctrl+alt+l");
  ASSERT_TRUE(waitForLine(err, "[Quorvel][LOCK] 已开启隐私锁屏", 10000)) << readFile(err);
  const std::pair<const char*, const char*> keys[] = {
      {"ctrl+t", "新建标签"},           {"ctrl+r", "重新加载"},
      {"ctrl+bracketleft", "后退"},     {"ctrl+bracketright", "前进"},
      {"ctrl+shift+bracketright", "下一个标签"}, {"ctrl+shift+bracketleft", "上一个标签"},
      {"ctrl+f", "页内搜索"},           {"ctrl+equal", "放大"},
      {"ctrl+minus", "缩小"},           {"ctrl+0", "实际大小"},
      {"ctrl+k", "全局搜索…"},          {"ctrl+slash", "键盘快捷键"},
      {"ctrl+shift+h", "休眠其他标签"}, {"ctrl+p", "打印…"},
      {"ctrl+shift+e", "导出当前页 PDF…"}, {"ctrl+shift+l", "切换账号…"},
      {"ctrl+shift+d", "我的待办…"},    {"ctrl+shift+c", "桌面交互日历"},
      {"ctrl+shift+u", "快速归档 / 扫描导入…"}, {"ctrl+shift+m", "本地卷宗镜像…"},
      {"ctrl+shift+s", "扫描件识别（可搜索 PDF）…"}, {"ctrl+shift+o", "打开卷宗目录"},
  };
  for (const auto& [key, title] : keys) {
    pressInPage(key);
    EXPECT_TRUE(waitForLine(err, std::string("工作区已锁定，已拒绝：") + title, 10000)) << key;
  }
  pressInPage("ctrl+q");
  ASSERT_TRUE(client->waitForExit(30000)) << readFile(err);
  EXPECT_EQ(client->exitStatus(), 0);
}
