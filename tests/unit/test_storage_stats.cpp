// The settings sheet's storage figures on temporary folders (missing folder, backups
// only, hidden entries, links, nesting), the refresh on the worker pool where the last
// started count wins, and the sheet's texts (tiles, cards, version line).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "TestHelpers.h"
#include "base/WorkerPool.h"
#include "core/BrowserTab.h"
#include "fakes/FakeWebPage.h"
#include "features/mirror/StorageStats.h"
#include "ui/model/SettingsSheet.h"
#include "ui/model/TabStripRules.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {
class StorageStatsTest : public ::testing::Test {
 protected:
  void TearDown() override { drainMainLoop(); }
  fs::path root() const { return home.root() / "镜像"; }
  void write(const fs::path& rel, size_t bytes) {
    fs::create_directories((root() / rel).parent_path());
    std::ofstream(root() / rel, std::ios::binary) << std::string(bytes, 'x');
  }
  TempHome home;
};
}  // namespace

TEST_F(StorageStatsTest, MissingFolderAndBackupsOnly) {
  EXPECT_EQ(directorySize(root()), DirectorySize{});
  EXPECT_EQ(measureStorage(root()), StorageStats{});

  write("_旧版本/合同/a.pdf", 1200);
  write("_旧版本/b.docx", 300);
  EXPECT_EQ(measureStorage(root()), (StorageStats{0, 0, 1500, 2}));
}

TEST_F(StorageStatsTest, CountsNestedFilesButNotFoldersHiddenEntriesOrLinks) {
  write("合同A/起诉状.pdf", 1000);
  write("合同A/证据/一/照片.jpg", 2500);
  write("合同B/空文件.txt", 0);
  fs::create_directories(root() / "空目录/更深");
  write(".DS_Store", 4000);
  write("合同A/.~lock.起诉状.pdf#", 90);
  write(".隐藏目录/很大.bin", 9000);
  write("_旧版本/.hidden", 50);
  write("_旧版本/旧.pdf", 700);
  // Links are neither followed nor counted: a folder outside, and a file inside.
  fs::path outside = home.root() / "别处";
  fs::create_directories(outside);
  std::ofstream(outside / "大文件.bin", std::ios::binary) << std::string(50'000, 'y');
  fs::create_directory_symlink(outside, root() / "链接目录");
  fs::create_symlink(root() / "合同A/起诉状.pdf", root() / "链接文件.pdf");

  EXPECT_EQ(directorySize(root()), (DirectorySize{4200, 4}));
  EXPECT_EQ(measureStorage(root()), (StorageStats{3500, 3, 700, 1}));
}

TEST_F(StorageStatsTest, RefreshPublishesOnTheMainThreadAndTheLastStartedWins) {
  WorkerPool pool(2);
  StorageStatsRefresher refresher(pool);
  EXPECT_FALSE(refresher.stats.get());
  int published = 0;
  refresher.stats.changed().connect([&] { ++published; });

  write("a.txt", 10);
  refresher.refresh(root());
  ASSERT_TRUE(waitUntil([&] { return published == 1; }, 5000));
  EXPECT_EQ(*refresher.stats.get(), (StorageStats{10, 1, 0, 0}));

  // Two counts in flight, of another folder and then of this one, after a backup appeared;
  // whichever finishes last, the figures are the later count's.
  write("_旧版本/b.txt", 20);
  refresher.refresh(root() / "不存在");
  refresher.refresh(root());
  pool.drain();
  ASSERT_TRUE(waitUntil([&] { return published == 2; }, 5000));
  drainMainLoop();
  EXPECT_EQ(published, 2);
  EXPECT_EQ(*refresher.stats.get(), (StorageStats{10, 1, 20, 1}));
}

TEST_F(StorageStatsTest, RefreshOutlivedByItsCountDoesNothing) {
  WorkerPool pool(1);
  write("a.txt", 10);
  {
    StorageStatsRefresher refresher(pool);
    refresher.refresh(root());
  }
  pool.drain();
  drainMainLoop();  // the finished count finds its refresher gone and must not touch it
}

TEST(SettingsSheetTexts, TilesWhileCountingAndAfter) {
  auto counting = storageTiles(std::nullopt);
  EXPECT_EQ(counting[0].title, "本地卷宗镜像");
  EXPECT_EQ(counting[1].title, "旧版本备份");
  for (const auto& tile : counting) {
    EXPECT_EQ(tile.value, "统计中…");
    EXPECT_EQ(tile.sub, " ");
  }
  EXPECT_FALSE(offersClearOldVersions(std::nullopt));

  auto counted = storageTiles(StorageStats{3'450'000, 12, 999, 0});
  EXPECT_EQ(counted[0].value, "3.5 MB");
  EXPECT_EQ(counted[0].sub, "12 个文件");
  EXPECT_EQ(counted[1].value, "999 字节");
  EXPECT_EQ(counted[1].sub, "0 个备份");
  EXPECT_FALSE(offersClearOldVersions(StorageStats{1, 1, 0, 0}));
  EXPECT_TRUE(offersClearOldVersions(StorageStats{0, 0, 0, 1}));
}

TEST(SettingsSheetTexts, CardsInOrderWithDrawableIcons) {
  const char* titles[] = {"账号与服务器", "Linux 桌面深度融合", "界面显示与启动", "本地卷宗盘（WebDAV）与离线镜像",
                          "本机缓存与审计日志", "更新与高级维护"};
  const auto& cards = settingsCards();
  for (size_t i = 0; i < cards.size(); ++i) {
    EXPECT_EQ(cards[i].title, std::string(titles[i]));
    EXPECT_EQ(static_cast<size_t>(cards[i].card), i);
    auto glyph = TabStripRules::symbolGlyph(cards[i].icon);
    EXPECT_TRUE(glyph.kind || !glyph.iconName.empty()) << cards[i].icon;
  }
  EXPECT_EQ(std::string(kSettingsSheetSubtitle), "衡石同舟·墨衡台 · Linux 客户端 v2.2.0");
  auto chevron = TabStripRules::symbolGlyph("chevron.down");
  EXPECT_FALSE(chevron.iconName.empty());
}

TEST(SettingsSheetTexts, VersionLineCountsLiveTabs) {
  TempHome home;
  auto now = std::chrono::system_clock::now();
  auto live = [&] { return std::make_shared<BrowserTab>("T", std::make_shared<FakeWebPage>(home.defaults()), now); };
  auto asleep = std::make_shared<BrowserTab>("Z", nullptr, now);
  EXPECT_EQ(settingsVersionLine({}), "版本 2.2.0 · 活跃标签 0/0");
  EXPECT_EQ(settingsVersionLine({live(), asleep, live()}), "版本 2.2.0 · 活跃标签 2/3");
}
