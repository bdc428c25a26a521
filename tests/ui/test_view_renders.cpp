// The built client started with the render switches: the images it writes to their
// fixed paths in /tmp, their sizes and order, and what it leaves alone. Every run writes
// the same shared paths, so the runs follow each other in one case. A dark desktop
// theme leaves the images as they are.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <functional>
#include <cstdint>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "base/MainQueue.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "platform/UserDefaults.h"
#include "ui/components/WidgetRender.h"

using namespace quorvel;
using quorvel::test::Child;
using quorvel::test::readFile;

namespace {
namespace fs = std::filesystem;

struct Image {
  const char* path;
  int width;
  int height;
};

// In the order RENDER_ALL writes them.
const std::array<Image, 11> kImages = {{
    {"/tmp/v2-sidebar.png", 232, 760},
    {"/tmp/v2-workspace.png", 1180, 740},
    {"/tmp/v2-settings.png", 660, 700},
    {"/tmp/v2-todo.png", 840, 560},
    {"/tmp/v2-mirror.png", 880, 580},
    {"/tmp/v2-palette.png", 600, 460},
    {"/tmp/v2-shortcuts.png", 680, 470},
    {"/tmp/v21-quickcapture.png", 540, 270},
    {"/tmp/v21-archive.png", 640, 500},
    {"/tmp/v21-ocr.png", 540, 420},
    {"/tmp/v21-lock.png", 800, 520},
}};

// Width and height from the PNG header; nothing when the file is no PNG.
std::optional<std::pair<int, int>> pngSize(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (!std::equal(signature, signature + 8, head) || std::string(head + 12, head + 16) != "IHDR") return std::nullopt;
  auto be32 = [&](int at) {
    return static_cast<int>(uint32_t(head[at]) << 24 | uint32_t(head[at + 1]) << 16 | uint32_t(head[at + 2]) << 8 |
                            uint32_t(head[at + 3]));
  };
  return std::pair{be32(16), be32(20)};
}

bool present(const fs::path& path) { return fs::exists(fs::symlink_status(path)); }

void removeImages() {
  std::error_code ec;
  for (const auto& image : kImages) fs::remove(image.path, ec);
}

struct ClientRun {
  std::optional<int> status;
  std::string log;
};

// The client with `assignment` in its environment, against a service address where
// nothing answers: its first page fails, the renders need none. `watch` runs every
// 50 ms while it runs.
ClientRun runClient(const test::TempHome& home, const std::string& assignment, bool waitForExit = true,
                    const std::function<void()>& watch = {}) {
  auto err = home.root() / ("stderr-" + std::to_string(std::hash<std::string>{}(assignment)) + ".txt");
  Child client({"/usr/bin/env", assignment, QUORVEL_APP_EXE, "--server-url", "http://127.0.0.1:9"},
               G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  EXPECT_TRUE(client.started());
  ClientRun run;
  if (waitForExit) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2 * test::kSanitizerSlowdown);
    while (!client.waitForExit(50) && std::chrono::steady_clock::now() < until)
      if (watch) watch();
    EXPECT_TRUE(client.exitStatus() || client.termSignal()) << "the client did not end\n" << readFile(err);
  } else {
    // Long past the renders' 1-second delay; the client would have ended by now. (A wait
    // meant to run out: not scaled like the ceilings of waitForExit.)
    runMainLoopUntil([] { return false; }, 4000 * test::kSanitizerSlowdown);
    EXPECT_FALSE(client.exitStatus() || client.termSignal()) << readFile(err);
    client.sendSignal(SIGTERM);
    EXPECT_TRUE(client.waitForExit(30000)) << readFile(err);
  }
  run.status = client.exitStatus();
  run.log = readFile(err);
  return run;
}

// Where each image's write line stands in the log (npos: missing).
std::vector<size_t> writeLines(const std::string& log) {
  std::vector<size_t> at;
  for (const auto& image : kImages) at.push_back(log.find(std::string("[Quorvel][RENDER] 写入 ") + image.path + " ("));
  return at;
}

}  // namespace

TEST(ViewRenders, SwitchesWriteTheirImagesThroughPlantedLinksAndLeaveTheStoredSettings) {
  removeImages();
  const std::string summary = "[Quorvel][RENDER] 全部 v2.1 视图已渲染到 /tmp/v2*.png";

  {
    SCOPED_TRACE("RENDER_ALL=1 with a link planted at the palette's path");
    test::TempHome home;
    const fs::path mine = home.root() / "mine.txt";
    test::writeFile(mine, "the user's own file");
    fs::create_symlink(mine, "/tmp/v2-palette.png");

    ClientRun run = runClient(home, "RENDER_ALL=1");
    EXPECT_EQ(run.status, 0) << run.log;
    auto lines = writeLines(run.log);
    for (size_t i = 0; i < kImages.size(); ++i) {
      const auto& image = kImages[i];
      SCOPED_TRACE(image.path);
      EXPECT_FALSE(fs::is_symlink(image.path));
      EXPECT_EQ(pngSize(image.path), std::pair(image.width, image.height));
      ASSERT_NE(lines[i], std::string::npos) << run.log;
      // The logged byte count is the file's.
      const std::string count = "(" + std::to_string(fs::file_size(image.path)) + "B)";
      EXPECT_EQ(run.log.compare(run.log.find('(', lines[i]), count.size(), count), 0) << run.log;
      if (i > 0) {
        EXPECT_GT(lines[i], lines[i - 1]) << "out of order\n" << run.log;
      }
    }
    // Once, after the last image.
    auto said = run.log.find(summary);
    ASSERT_NE(said, std::string::npos) << run.log;
    EXPECT_GT(said, lines.back());
    EXPECT_EQ(run.log.find(summary, said + 1), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("无法创建位图"), std::string::npos) << run.log;
    // The link was replaced; the file it pointed at is as it was.
    EXPECT_TRUE(readFile(mine) == "the user's own file") << fs::file_size(mine) << " bytes now";
  }
  removeImages();

  {
    SCOPED_TRACE("RENDER_SHEETS=1");
    test::TempHome home;
    ClientRun run = runClient(home, "RENDER_SHEETS=1");
    EXPECT_EQ(run.status, 0) << run.log;
    for (const auto& image : kImages) {
      const bool sheet = std::string(image.path) == "/tmp/v2-todo.png" || std::string(image.path) == "/tmp/v2-mirror.png" ||
                         std::string(image.path) == "/tmp/v2-palette.png" ||
                         std::string(image.path) == "/tmp/v2-shortcuts.png";
      EXPECT_EQ(present(image.path), sheet) << image.path;
      if (sheet) {
        EXPECT_EQ(pngSize(image.path), std::pair(image.width, image.height)) << image.path;
      }
    }
    auto lines = writeLines(run.log);
    EXPECT_LT(lines[3], lines[4]);
    EXPECT_LT(lines[4], lines[5]);
    EXPECT_LT(lines[5], lines[6]);
    EXPECT_EQ(run.log.find(summary), std::string::npos) << run.log;
  }
  removeImages();

  {
    SCOPED_TRACE("RENDER_ALL=true");
    test::TempHome home;
    ClientRun run = runClient(home, "RENDER_ALL=true", /*waitForExit=*/false);
    for (const auto& image : kImages) EXPECT_FALSE(present(image.path)) << image.path;
    EXPECT_EQ(run.log.find("[Quorvel][RENDER]"), std::string::npos) << run.log;
  }

  {
    SCOPED_TRACE("RENDER_SETTINGS=1");
    test::TempHome home;
    // Stored off, unfolded: the image shows the sync on and folded meanwhile.
    const nlohmann::json stored = {{"enabled", false},         {"syncReminders", false},
                                   {"twoWayWriteBack", false}, {"foldBusyDeadlines", false},
                                   {"hearingsOnlyInCalendar", true}, {"includeRoutinesInCalendar", false},
                                   {"intervalMinutes", 7}};
    home.defaults().set("apple.calendar.sync.config.v1", stored);
    home.defaults().flush();
    const fs::path file = home.configHome() / "Quorvel" / "defaults.json";

    // Not even for a moment: the sample state is shown, never stored.
    bool changed = false;
    auto watch = [&] {
      auto now = nlohmann::json::parse(readFile(file), nullptr, false);
      if (now.is_object() && now.value("apple.calendar.sync.config.v1", nlohmann::json()) != stored) changed = true;
    };
    ClientRun run = runClient(home, "RENDER_SETTINGS=1", true, watch);
    EXPECT_FALSE(changed);
    EXPECT_EQ(run.status, 0) << run.log;
    for (const auto& image : kImages) EXPECT_EQ(present(image.path), std::string(image.path) == "/tmp/v2-settings.png");
    EXPECT_EQ(pngSize("/tmp/v2-settings.png"), std::pair(660, 700));
    auto saved = nlohmann::json::parse(readFile(file), nullptr, false);
    ASSERT_TRUE(saved.is_object()) << readFile(file);
    EXPECT_EQ(saved.value("apple.calendar.sync.config.v1", nlohmann::json()), stored) << saved.dump();
  }
  removeImages();

  {
    SCOPED_TRACE("RENDER_SETTINGS=1 under a dark desktop theme");
    // One home for all three runs: the sheet shows the home's folders.
    test::TempHome home;
    auto settingsImage = [&] {
      removeImages();
      ClientRun run = runClient(home, "RENDER_SETTINGS=1");
      EXPECT_EQ(run.status, 0) << run.log;
      return texturePixels(Gdk::Texture::create_from_filename("/tmp/v2-settings.png"));
    };
    const RenderedPixels light = settingsImage();
    ASSERT_EQ(light.width, 660);
    g_setenv("GTK_THEME", "Adwaita:dark", TRUE);
    const RenderedPixels forced = settingsImage();
    g_unsetenv("GTK_THEME");
    EXPECT_EQ(RenderedPixels::countDifferent(light, forced), 0) << "GTK_THEME=Adwaita:dark";
    const fs::path ini = home.configHome() / "gtk-4.0" / "settings.ini";
    fs::create_directories(ini.parent_path());
    test::writeFile(ini, "[Settings]\ngtk-theme-name=Adwaita-dark\ngtk-application-prefer-dark-theme=1\n");
    EXPECT_EQ(RenderedPixels::countDifferent(light, settingsImage()), 0) << "settings.ini";
  }
  removeImages();
}
