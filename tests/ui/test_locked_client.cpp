// The built client under the privacy lock, as a user meets it on an X display: the
// tool windows shown before the lock leave the screen; no key, global hot key, tray
// entry, link or file handed over by a second launch, nor the desktop's search, opens
// a window or moves a tab, each refused once in the log, and the search finds nothing;
// and a client that ends while locked (Ctrl+Q, SIGTERM, SIGKILL) starts locked behind
// the cover.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>
#include <gio/gio.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DesktopProbes.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "TrayedClient.h"
#include "base/GLibPtr.h"
#include "base/MainQueue.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kMain = "墨衡台";

// A key pressed with the focus in the main window (a global hot key reaches the client
// wherever the focus is). Typed at the focus, not sent to the window: Ctrl+Q may take
// the window away before the key is released.
void pressInMain(const std::string& key) {
  std::string focus = std::string("xdotool search --sync --onlyvisible --name '^") + kMain + "$' windowfocus --sync";
  ASSERT_EQ(std::system(focus.c_str()), 0) << key;
  ASSERT_EQ(std::system(("xdotool key --clearmodifiers " + key).c_str()), 0) << key;
}

bool waitForCount(const fs::path& err, const std::string& text, int count) {
  return runMainLoopUntil([&] { return countContaining(lines(readFile(err)), text) >= count; }, 10000);
}

// A second launch of the client with `args`; it hands them over and ends.
void launchAgain(const TempHome& home, std::vector<std::string> args) {
  args.insert(args.begin(), QUORVEL_APP_EXE);
  Child second(args, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, home.root() / "second.txt", /*separateInstance=*/false);
  ASSERT_TRUE(second.waitForExit(20000)) << readFile(home.root() / "second.txt");
  EXPECT_EQ(second.exitStatus(), 0);
}

constexpr const char* kSearchPath = "/cn/quorvel/client/SearchProvider";
constexpr const char* kSearchInterface = "org.gnome.Shell.SearchProvider2";

}  // namespace

TEST(LockedClient, UnderTheLockNoKeyHotKeyTrayEntryLinkFileOrSearchOpensAnything) {
  if (!g_find_program_in_path("status-notifier-watcher")) GTEST_SKIP() << "status-notifier-watcher not installed";
  TrayedClient running;
  ASSERT_TRUE(running.start()) << readFile(running.err);
  auto& [watcher, service, home, err, client] = running;
  ASSERT_TRUE(waitForLine(err, "[Quorvel][HOTKEY] 已注册全局热键", 10000)) << readFile(err);
  ASSERT_TRUE(waitForLine(err, "[Quorvel][SPOTLIGHT] 已建立", 20000)) << readFile(err);
  const std::string item = trayItem();
  ASSERT_FALSE(item.empty()) << registeredTrayItems();
  ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);

  // What the desktop's search finds before the lock.
  const char* terms[] = {"张三", nullptr};
  auto before = callSync("cn.quorvel.client", kSearchPath, kSearchInterface, "GetInitialResultSet",
                         g_variant_new("(^as)", terms), G_VARIANT_TYPE("(as)"));
  ASSERT_TRUE(before);
  GVariantPtr foundBefore(g_variant_get_child_value(before.get(), 0));
  ASSERT_GT(g_variant_n_children(foundBefore.get()), 0u);
  GVariantPtr first(g_variant_get_child_value(foundBefore.get(), 0));
  const std::string firstId = g_variant_get_string(first.get(), nullptr);

  // The to-do sheet and the desktop calendar are on the screen when the lock engages.
  pressInMain("ctrl+shift+d");
  ASSERT_TRUE(waitForWindow("我的待办与开庭预警")) << readFile(err);
  pressInMain("ctrl+shift+c");
  ASSERT_TRUE(waitForWindow("墨衡台 · 桌面日历")) << readFile(err);
  pressInMain("ctrl+alt+l");
  ASSERT_TRUE(waitForLine(err, "[Quorvel][LOCK] 已开启隐私锁屏", 10000)) << readFile(err);
  EXPECT_EQ(windowsOnScreen(), std::vector<std::string>{kMain});
  EXPECT_TRUE(waitForLine(err, "[Quorvel][LOCK] 锁定期间隐藏 2 个窗口", 1000)) << readFile(err);

  int refused = 0;
  auto expectRefused = [&](const std::string& what, int times = 1) {
    refused += 1;
    EXPECT_TRUE(waitForCount(err, "[Quorvel][LOCK] 工作区已锁定，已拒绝：" + what, times)) << what << "\n"
                                                                                          << readFile(err);
  };
  // The keys of the menu commands, print and export among them, and both global hot keys.
  const std::pair<const char*, const char*> keys[] = {
      {"ctrl+shift+d", "我的待办…"},         {"ctrl+shift+m", "本地卷宗镜像…"},
      {"ctrl+shift+u", "快速归档 / 扫描导入…"}, {"ctrl+shift+s", "扫描件识别（可搜索 PDF）…"},
      {"ctrl+k", "全局搜索…"},               {"ctrl+shift+c", "桌面交互日历"},
      {"ctrl+t", "新建标签"},                {"ctrl+shift+o", "打开卷宗目录"},
      {"ctrl+p", "打印…"},                   {"ctrl+shift+e", "导出当前页 PDF…"},
      {"alt+shift+n", "悬浮快记待办…"},      {"alt+shift+o", "屏幕框选 OCR 智提…"},
  };
  for (const auto& [key, title] : keys) {
    pressInMain(key);
    expectRefused(title);
  }

  // The tray: a click on the item and the rows of its menu.
  callSync(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", g_variant_new("(ii)", 640, 12));
  expectRefused("托盘面板");
  for (const auto& [row, what] : {std::pair<const char*, const char*>{"待办", "托盘菜单：我的待办"},
                                  {"打开工作台", "托盘菜单：个人工作台"},
                                  {"检查更新", "托盘菜单：检查更新"}}) {
    int id = trayMenuRow(item, row);
    ASSERT_GE(id, 0) << row;
    callSync(item, "/MenuBar", "com.canonical.dbusmenu", "Event",
             g_variant_new("(isvu)", id, "clicked", g_variant_new_int32(0), 0u));
    expectRefused(what);
  }

  // Links, a file and a page handed over by second launches.
  launchAgain(home, {"quorvel://todo", "quorvel://proceeding/77"});
  expectRefused("交来的 2 个链接、0 个文件");
  auto file = home.root() / "起诉状 副本.pdf";
  writeFile(file, "%PDF-1.4\n");
  launchAgain(home, {file.string()});
  expectRefused("交来的 0 个链接、1 个文件");
  launchAgain(home, {"--open", "/calendar"});
  expectRefused("打开 /calendar");

  // The desktop's search finds and describes nothing now; a result found before the
  // lock, picked, and "search in the application" are refused.
  auto found = callSync("cn.quorvel.client", kSearchPath, kSearchInterface, "GetInitialResultSet",
                        g_variant_new("(^as)", terms), G_VARIANT_TYPE("(as)"));
  ASSERT_TRUE(found);
  GVariantPtr ids(g_variant_get_child_value(found.get(), 0));
  EXPECT_EQ(g_variant_n_children(ids.get()), 0u);
  const char* previous[] = {firstId.c_str(), nullptr};
  auto narrowed = callSync("cn.quorvel.client", kSearchPath, kSearchInterface, "GetSubsearchResultSet",
                           g_variant_new("(^as^as)", previous, terms), G_VARIANT_TYPE("(as)"));
  ASSERT_TRUE(narrowed);
  GVariantPtr narrowedIds(g_variant_get_child_value(narrowed.get(), 0));
  EXPECT_EQ(g_variant_n_children(narrowedIds.get()), 0u);
  auto metas = callSync("cn.quorvel.client", kSearchPath, kSearchInterface, "GetResultMetas",
                        g_variant_new("(^as)", previous), G_VARIANT_TYPE("(aa{sv})"));
  ASSERT_TRUE(metas);
  GVariantPtr described(g_variant_get_child_value(metas.get(), 0));
  EXPECT_EQ(g_variant_n_children(described.get()), 0u);
  callSync("cn.quorvel.client", kSearchPath, kSearchInterface, "ActivateResult",
           g_variant_new("(s^asu)", firstId.c_str(), terms, 0u));
  expectRefused("交来的 1 个链接、0 个文件");
  callSync("cn.quorvel.client", kSearchPath, kSearchInterface, "LaunchSearch", g_variant_new("(^asu)", terms, 0u));
  expectRefused("全局搜索…", 2);

  // Nothing opened, nothing was routed or loaded, each way in refused exactly once.
  drainMainLoop();
  EXPECT_EQ(windowsOnScreen(), std::vector<std::string>{kMain});
  std::string text = readFile(err);
  EXPECT_EQ(countContaining(lines(text), "已拒绝："), refused) << text;
  EXPECT_EQ(text.find("[Quorvel][DEEPLINK] 路由"), std::string::npos) << text;
  EXPECT_EQ(text.find("[Quorvel][OPEN]"), std::string::npos) << text;
  auto urls = quitAndReadSession(*client, home, err);
  EXPECT_EQ(urls, std::vector<std::string>{service.baseUrl() + "/dashboard"}) << readFile(err);
}

namespace {
// The colour near the main window's bottom-right corner, where no glyph is: the
// cover's backdrop is dark blue there, the dashboard page light.
std::optional<unsigned long> cornerPixel() {
  auto ids = lines(commandOutput(std::string("xdotool search --onlyvisible --name '^") + kMain + "$' 2>/dev/null"));
  if (ids.empty()) return std::nullopt;
  Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
  Window xid = std::stoul(ids.front());
  GdkDisplay* gdk = gdk_display_get_default();
  gdk_x11_display_error_trap_push(gdk);
  XWindowAttributes attrs{};
  std::optional<unsigned long> pixel;
  if (XGetWindowAttributes(display, xid, &attrs) && attrs.map_state == IsViewable && attrs.width > 80) {
    if (XImage* image = XGetImage(display, xid, attrs.width - 40, attrs.height - 40, 1, 1, AllPlanes, ZPixmap)) {
      pixel = XGetPixel(image, 0, 0) & 0xffffffu;
      XDestroyImage(image);
    }
  }
  gdk_x11_display_error_trap_pop_ignored(gdk);
  return pixel;
}

int red(unsigned long p) { return static_cast<int>((p >> 16) & 0xff); }
int green(unsigned long p) { return static_cast<int>((p >> 8) & 0xff); }
int blue(unsigned long p) { return static_cast<int>(p & 0xff); }
bool light(unsigned long p) { return red(p) > 0xc0 && green(p) > 0xc0 && blue(p) > 0xc0; }
bool coverBlue(unsigned long p) { return red(p) < 0x40 && green(p) < 0x50 && blue(p) < 0x70 && blue(p) > red(p); }

// Starts the client on `home` and watches the main window from its first frame until
// the dashboard underneath has loaded: never a light (page) pixel, the cover at the end.
void expectStartsBehindTheCover(Child& client, const fs::path& err) {
  ASSERT_TRUE(client.started());
  std::vector<unsigned long> seen;
  bool loaded = runMainLoopUntil(
      [&] {
        if (auto p = cornerPixel()) seen.push_back(*p);
        return readFile(err).find("[Quorvel][BADGE] 超期=") != std::string::npos;
      },
      60000);
  ASSERT_TRUE(loaded) << readFile(err);
  runMainLoopUntil([] { return false; }, 2500);  // the desktop calendar would show by now
  auto last = cornerPixel();
  ASSERT_TRUE(last);
  EXPECT_TRUE(coverBlue(*last)) << std::hex << *last;
  for (auto p : seen) EXPECT_FALSE(light(p)) << std::hex << p;
  EXPECT_NE(readFile(err).find("[Quorvel][LOCK] 上次退出时工作区处于锁定状态"), std::string::npos) << readFile(err);
  // Its auto-show waits for the unlock, as does every command.
  EXPECT_TRUE(waitForLine(err, "「desktop-calendar」解锁后显示", 5000)) << readFile(err);
  EXPECT_EQ(windowsOnScreen(), std::vector<std::string>{kMain});
  pressInMain("ctrl+shift+d");
  EXPECT_TRUE(waitForLine(err, "已拒绝：我的待办…", 10000)) << readFile(err);
  EXPECT_EQ(windowsOnScreen(), std::vector<std::string>{kMain});
}

bool lockedOnDisk(const TempHome& home) {
  auto saved = nlohmann::json::parse(readFile(home.configHome() / "Quorvel" / "defaults.json"), nullptr, false);
  return saved.is_object() && saved.value("privacy.locked.v1", false);
}
// The state file beside the settings, written before the cover shows.
std::string stateOnDisk(const TempHome& home) {
  std::string word = readFile(home.configHome() / "Quorvel" / "privacy-lock.state");
  while (!word.empty() && word.back() == '\n') word.pop_back();
  return word;
}
}  // namespace

TEST(LockedClient, AClientThatEndsLockedStartsLockedBehindTheCover) {
  DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  TempHome home;
  // The desktop calendar shows itself at every start.
  fs::create_directories(home.configHome() / "Quorvel");
  writeFile(home.configHome() / "Quorvel" / "defaults.json", R"({"desktop.calendar.autoshow.v1": true})");
  ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
  const std::vector<std::string> argv = {QUORVEL_APP_EXE, "--server-url", service.baseUrl()};

  auto err = home.root() / "first.txt";
  {
    Child client(argv, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
    ASSERT_TRUE(waitForLine(err, "[Quorvel][BADGE] 超期=", 60000)) << readFile(err);
    ASSERT_TRUE(waitForWindow("墨衡台 · 桌面日历")) << readFile(err);
    pressInMain("ctrl+alt+l");
    ASSERT_TRUE(waitForLine(err, "[Quorvel][LOCK] 已开启隐私锁屏", 10000)) << readFile(err);
    EXPECT_EQ(stateOnDisk(home), "locked");
    // Quitting stays possible under the lock.
    pressInMain("ctrl+q");
    ASSERT_TRUE(client.waitForExit(30000)) << readFile(err);
    EXPECT_EQ(client.exitStatus(), 0) << readFile(err);
    EXPECT_TRUE(lockedOnDisk(home)) << "the settings say it too once the client has ended";
  }
  // Ended by Ctrl+Q, then by log-out, then killed: each next start is locked.
  for (int ending : {SIGTERM, SIGKILL, 0}) {
    SCOPED_TRACE(ending);
    err = home.root() / ("start-" + std::to_string(ending) + ".txt");
    Child client(argv, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
    expectStartsBehindTheCover(client, err);
    if (HasFatalFailure() || ending == 0) break;
    client.sendSignal(ending);
    ASSERT_TRUE(client.waitForExit(30000)) << readFile(err);
    EXPECT_TRUE(lockedOnDisk(home));
  }
}
