// The update check against the test service: its alerts, the stored package and the
// audit records.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestService.h"
#include "TestServiceUpdate.h"
#include "fakes/SettableClock.h"
#include "base/WorkerPool.h"
#include "core/AuditLog.h"
#include "base/Log.h"
#include "core/AppConfig.h"
#include "fakes/FakeDialogs.h"
#include "features/workspace/UpdateChecker.h"
#include "platform/Desktop.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {


struct RecordingDesktop : Desktop {
  std::vector<std::string> opened;
  std::vector<fs::path> revealed;
  bool openURI(const std::string& uri) override {
    opened.push_back(uri);
    return true;
  }
  void revealFile(const fs::path& file) override { revealed.push_back(file); }
};

// A real Debian package of about 1.5 MB (stored uncompressed, so it stays that big).
std::string buildDeb(const fs::path& dir) {
  fs::create_directories(dir / "pkg" / "DEBIAN");
  fs::create_directories(dir / "pkg" / "opt" / "quorvel");
  writeFile(dir / "pkg" / "DEBIAN" / "control",
            "Package: quorvel-test\nVersion: 2.3.0\nArchitecture: all\nMaintainer: Test <t@example.cn>\n"
            "Description: update check test package\n");
  std::mt19937 rng(7);
  std::string payload(1'500'000, '\0');
  for (auto& c : payload) c = static_cast<char>(rng());
  writeFile(dir / "pkg" / "opt" / "quorvel" / "payload.bin", payload);
  std::string cmd = "dpkg-deb --root-owner-group -Znone --build '" + (dir / "pkg").string() + "' '" +
                    (dir / "q.deb").string() + "'";
  gint status = -1;
  EXPECT_TRUE(g_spawn_command_line_sync(cmd.c_str(), nullptr, nullptr, &status, nullptr));
  EXPECT_EQ(status, 0) << cmd;
  return readAll(dir / "q.deb");
}

class UpdateCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.start();
    // A trailing slash, as users type it.
    AppConfig::setServerURL(home.defaults(), service.baseUrl() + "/");
    clock.set(std::chrono::system_clock::time_point(std::chrono::seconds(1796707440)));
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    setLogSink({});
    service.stop();
  }

  double now() const { return 1796707440; }
  void check(bool silent, size_t alerts) {
    runToEnd((updates.check(silent)));
    EXPECT_TRUE(waitUntil([&] { return dialogs.shown.size() >= alerts; }, 15000));
    drainMainLoop();
  }
  std::vector<nlohmann::json> audit(const std::string& action) const {
    std::vector<nlohmann::json> out;
    std::ifstream in(AppConfig::dataDir() / "upload-audit.jsonl");
    std::string line;
    while (std::getline(in, line)) {
      auto j = nlohmann::json::parse(line);
      if (j["action"] == action) out.push_back(j);
    }
    return out;
  }
  std::vector<std::string> folderEntries() const {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(AppConfig::downloadDir())) names.push_back(e.path().filename().string());
    return names;
  }

  TempHome home;
  TestService service;
  FakeDialogs dialogs;
  RecordingDesktop desktop;
  WorkerPool workers{1};
  SettableClock clock;
  AuditLog auditLog{AuditLog::defaultFile(), clock};
  UpdateChecker updates{home.defaults(), dialogs, desktop, workers, auditLog, clock};
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(UpdateCheckerTest, SameVersionIsReportedUpToDateAndAudited) {
  check(false, 1);
  auto requests = service.requestsTo("/api/desktop/version");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("user-agent"), AppConfig::userAgent());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "已是最新版本");
  EXPECT_EQ(dialogs.shown[0].text, "当前 2.2.0，服务器 2.2.0");
  auto records = audit("update-check");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["path"], "-");
  EXPECT_EQ(records[0]["local"], "2.2.0");
  EXPECT_EQ(records[0]["remote"], "2.2.0");
  EXPECT_EQ(records[0]["windows_version"], "3.4.2");
  EXPECT_EQ(records[0]["has_mac"], true);
  EXPECT_EQ(records[0]["silent"], false);
  EXPECT_EQ(home.defaults().number(UpdateChecker::kLastCheckKey), now());
}

TEST_F(UpdateCheckerTest, RepliesWithoutALinuxReleaseOrWithOnlyAnAddress) {
  setVersionReply(service, R"({"version":"3.4.2","url":"/download"})");
  check(true, 0);
  EXPECT_TRUE(dialogs.shown.empty());
  check(false, 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "服务器还没有发布 Linux 版本");
  EXPECT_EQ(dialogs.shown[0].text,
            "当前 Linux 客户端 2.2.0。\n服务器的版本号 3.4.2 是 Windows 客户端用的，不适用于 Linux。\n\n"
            "等发布 Linux 安装包后，这里的「检查更新」才会有内容。");
  ASSERT_EQ(audit("update-no-mac-release").size(), 2u);
  EXPECT_EQ(audit("update-no-mac-release")[0]["windows_version"], "3.4.2");

  setVersionReply(service, R"({"version":"3.4.2","linux":"/download/linux/q.deb"})");
  check(false, 2);
  EXPECT_EQ(dialogs.shown[1].title, "已是最新版本");
  EXPECT_EQ(dialogs.shown[1].text, "当前 2.2.0，服务器 (仅提供下载)");
  ASSERT_EQ(audit("update-check").size(), 1u);
  EXPECT_EQ(audit("update-check")[0]["remote"], "(仅提供下载)");
  EXPECT_EQ(audit("update-check")[0]["has_mac"], true);
}

TEST_F(UpdateCheckerTest, AManualCheckSaysWhenTheReplyIsNoVersionOrTheServiceIsDown) {
  setVersionReply(service, "<html>系统登录</html>", "text/html");
  check(true, 0);
  EXPECT_TRUE(dialogs.shown.empty());
  check(false, 1);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "检查更新失败");
  EXPECT_NE(dialogs.shown[0].text.find("HTTP 200"), std::string::npos) << dialogs.shown[0].text;
  EXPECT_TRUE(audit("update-check").empty());

  service.stop();
  check(false, 2);
  EXPECT_EQ(dialogs.shown[1].title, "检查更新失败");
  EXPECT_EQ(countContaining(logs, "[Quorvel][UPDATE] 检查失败 "), 1);
}

TEST_F(UpdateCheckerTest, ANewerDebianPackageIsDownloadedCheckedStoredAndShown) {
  std::string deb = buildDeb(home.root() / "build");
  ASSERT_GT(deb.size(), 1'000'000u);
  servePackage(service, "/download/linux/quorvel_2.3.0_amd64.deb", deb);
  setVersionReply(service, R"({"version":"3.4.2","notes":"修复若干问题",)"
                           R"("linux":{"version":"2.3.0","url":"/download/linux/quorvel_2.3.0_amd64.deb"}})");
  dialogs.answer = 0;
  check(true, 2);  // the launch check offers a newer version too
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].title, "发现新版本 2.3.0");
  EXPECT_EQ(dialogs.shown[0].text, "修复若干问题\n\n当前版本 2.2.0");
  EXPECT_EQ(dialogs.shown[0].buttons, (std::vector<std::string>{"下载安装包", "稍后"}));

  fs::path stored = AppConfig::downloadDir() / "墨衡台-2.3.0.deb";
  EXPECT_EQ(stored.parent_path(), home.home() / "Downloads" / "墨衡台");
  EXPECT_EQ(readAll(stored), deb);
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"墨衡台-2.3.0.deb"});
  EXPECT_EQ(desktop.revealed, std::vector<fs::path>{stored});
  EXPECT_EQ(dialogs.shown[1].title, "安装包已下载");
  EXPECT_EQ(dialogs.shown[1].text.rfind("已保存到：\n" + stored.string() + "\n\n", 0), 0u);
  EXPECT_NE(dialogs.shown[1].text.find("sudo apt install"), std::string::npos);
  auto records = audit("update-downloaded");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["version"], "2.3.0");
  EXPECT_EQ(records[0]["bytes"], deb.size());
  EXPECT_EQ(records[0]["file"], "墨衡台-2.3.0.deb");
}

TEST_F(UpdateCheckerTest, RejectedDownloadsKeepTheEarlierInstaller) {
  fs::path stored = AppConfig::downloadDir() / "墨衡台-2.3.0.deb";
  writeFile(stored, "earlier package");
  servePackage(service, "/small.deb", "!<arch>\n" + std::string(900'000 - 8, 'x'));
  servePackage(service, "/zeros.deb", std::string(5'000'000, '\0'));
  auto download = [&](const std::string& path, size_t alerts) {
    runToEnd((updates.download(path, "2.3.0")));
    EXPECT_TRUE(waitUntil([&] { return dialogs.shown.size() >= alerts; }, 5000));
  };
  download("/small.deb", 1);
  download("/zeros.deb", 2);
  service.stop();
  download("/gone.deb", 3);
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[0].title, "下载失败");
  EXPECT_EQ(dialogs.shown[0].text, "下载文件只有 900000 字节，不像安装包");
  EXPECT_EQ(dialogs.shown[1].text, "下载到的文件不是有效的 deb 安装包");
  EXPECT_EQ(dialogs.shown[2].title, "下载失败");
  ASSERT_EQ(audit("update-download-fail").size(), 3u);
  EXPECT_EQ(audit("update-download-fail")[0]["error"], "下载文件只有 900000 字节，不像安装包");
  EXPECT_EQ(readAll(stored), "earlier package");
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"墨衡台-2.3.0.deb"});
  EXPECT_TRUE(desktop.revealed.empty());
}

TEST_F(UpdateCheckerTest, ANewerVersionWithoutPackageOpensTheDownloadPage) {
  setVersionReply(service, R"({"linux_version":"2.4.0","url":""})");
  dialogs.answer = 1;  // "稍后"
  check(false, 1);
  EXPECT_EQ(dialogs.shown[0].buttons, (std::vector<std::string>{"打开下载页", "稍后"}));
  EXPECT_EQ(dialogs.shown[0].text, "当前版本 2.2.0。要更新吗？");
  EXPECT_TRUE(desktop.opened.empty());
  dialogs.answer = 0;
  check(false, 2);
  ASSERT_EQ(desktop.opened, std::vector<std::string>{service.url("/download")});
  ASSERT_EQ(audit("update-open-page").size(), 1u);
  EXPECT_EQ(audit("update-open-page")[0]["url"], service.url("/download"));
}

TEST_F(UpdateCheckerTest, TheLaunchCheckWaitsTwelveHours) {
  home.defaults().set(UpdateChecker::kLastCheckKey, now() - 43000);
  updates.checkAtLaunchIfDue();
  EXPECT_FALSE(service.waitForRequest("/api/desktop/version", 500));
  EXPECT_EQ(home.defaults().number(UpdateChecker::kLastCheckKey), now() - 43000);

  home.defaults().set(UpdateChecker::kLastCheckKey, now() - 43201);
  updates.checkAtLaunchIfDue();
  // Written before the request leaves.
  EXPECT_EQ(home.defaults().number(UpdateChecker::kLastCheckKey), now());
  EXPECT_TRUE(service.waitForRequest("/api/desktop/version", 5000));
  ASSERT_TRUE(waitUntil([&] { return audit("update-check").size() == 1; }, 5000));
  EXPECT_EQ(audit("update-check")[0]["silent"], true);
  EXPECT_TRUE(dialogs.shown.empty());
}
