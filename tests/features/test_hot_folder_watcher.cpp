// The inbox-folder watcher on a real folder and the real GLib main loop: what is
// offered (once, together, sorted, only when its size holds), what is ignored, the
// archive step (only inbox files, nothing lost) and the stored configuration.
#include <gtest/gtest.h>

#include <glib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "fakes/FakeFilePanels.h"
#include "features/editing/HotFolderWatcher.h"
#include "platform/Desktop.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {
constexpr unsigned kDelay = 150;

struct Offer {
  std::vector<fs::path> files;
  std::string hint;
  bool fromHotFolder;
  std::uintmax_t firstSize;
};

struct RecordingDesktop : Desktop {
  std::vector<std::string> opened;
  bool openURI(const std::string& uri) override {
    opened.push_back(uri);
    return true;
  }
  void revealFile(const std::filesystem::path&) override {}
};

void idle(unsigned ms) { runMainLoopUntil([] { return false; }, ms); }

// Records what the watcher offers, as the quick-archive window would receive it.
struct RecordingOpener : QuickArchiveOpener {
  std::vector<Offer> offers;
  void openQuickArchive(const std::vector<fs::path>& files, const std::string& hint, bool fromHot) override {
    offers.push_back({files, hint, fromHot, fs::file_size(files.front())});
  }
};

class HotFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inbox = home.root() / "收件箱";
    elsewhere = home.root() / "桌面";
    fs::create_directories(elsewhere);
    w.setOpener(&opener);
    w.useForThisRun({true, inbox.string(), true});
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    w.stopWatching();
    setLogSink({});
  }
  bool waitOffers(std::size_t n) {
    bool ok = runMainLoopUntil([&] { return offers.size() >= n; }, 8000);
    idle(kDelay * 4);  // nothing further may follow
    return ok && offers.size() == n;
  }
  std::vector<std::string> names(const Offer& o) {
    std::vector<std::string> out;
    for (const auto& f : o.files) out.push_back(f.filename().string());
    return out;
  }

  TempHome home;
  FakeFilePanels panels;
  RecordingDesktop desktop;
  RecordingOpener opener;
  std::vector<Offer>& offers = opener.offers;
  HotFolderWatcher w{home.defaults(), panels, desktop, kDelay};
  fs::path inbox, elsewhere;
  std::vector<std::string> logs;
};
}  // namespace

TEST_F(HotFolderTest, OffersOnlyNewAcceptedFilesOnceTogetherSorted) {
  fs::create_directories(inbox);
  writeFile(inbox / "旧.pdf", "x");
  w.startWatching();
  EXPECT_TRUE(w.isWatching.get());
  EXPECT_EQ(w.lastEventText.get(), "监控中：收件箱");
  for (const char* n : {"b.docx", "a.pdf", "C.PDF", ".x.pdf", "a.tif", "b.exe"}) writeFile(inbox / n, "data");
  fs::create_directories(inbox / "目录.pdf");
  fs::create_directories(inbox / HotFolderWatcher::kArchiveFolder);
  writeFile(inbox / HotFolderWatcher::kArchiveFolder / "z.pdf", "old");

  ASSERT_TRUE(waitOffers(1)) << offers.size();
  EXPECT_EQ(names(offers[0]), (std::vector<std::string>{"C.PDF", "a.pdf", "b.docx"}));
  EXPECT_EQ(offers[0].files[0], inbox / "C.PDF");
  EXPECT_EQ(offers[0].hint, "来自热文件夹「收件箱」");
  EXPECT_TRUE(offers[0].fromHotFolder);
  EXPECT_EQ(w.lastEventText.get(), "发现 3 个新文件");
  EXPECT_EQ(countContaining(logs, "[Quorvel][HOTFOLDER] 检测到 3 个新文件：C.PDF, a.pdf, b.docx"), 1);
}

TEST_F(HotFolderTest, GrowingFileIsOfferedOnlyOnceItsSizeHolds) {
  w.startWatching();
  // Written through a second link outside the inbox: the inbox sees no event for the
  // growth, as with a scanner writing over a network share.
  writeFile(elsewhere / "scan.pdf", "%PDF");
  ASSERT_EQ(::link((elsewhere / "scan.pdf").c_str(), (inbox / "scan.pdf").c_str()), 0);
  for (int i = 0; i < 30; ++i) {
    std::ofstream(elsewhere / "scan.pdf", std::ios::app) << std::string(100, 'p');
    idle(40);
  }
  EXPECT_TRUE(offers.empty()) << "offered while still growing";
  ASSERT_TRUE(waitOffers(1));
  EXPECT_EQ(offers[0].firstSize, 4u + 30 * 100);
}

TEST_F(HotFolderTest, ReplacedFileIsNotOfferedAgainButARemovedAndReaddedOneIs) {
  w.startWatching();
  writeFile(inbox / "a.pdf", "one");
  ASSERT_TRUE(waitOffers(1));
  writeFile(elsewhere / "a.pdf", "two, longer");
  fs::rename(elsewhere / "a.pdf", inbox / "a.pdf");
  ASSERT_TRUE(waitOffers(1));
  fs::remove(inbox / "a.pdf");
  idle(kDelay * 4);
  writeFile(inbox / "a.pdf", "three");
  ASSERT_TRUE(waitOffers(2));
  EXPECT_EQ(names(offers[1]), std::vector<std::string>{"a.pdf"});
}

TEST_F(HotFolderTest, ArchivesOnlyInboxFilesAndLosesNoEarlierArchivedFile) {
  fs::path archive = inbox / HotFolderWatcher::kArchiveFolder;
  fs::create_directories(archive);
  writeFile(archive / "报告.pdf", "earlier");
  w.startWatching();
  writeFile(inbox / "报告.pdf", "new");
  writeFile(inbox / "x.png", "png");
  writeFile(elsewhere / "外部.pdf", "picked");
  ASSERT_TRUE(waitOffers(1));
  w.archiveProcessedFiles({inbox / "报告.pdf", inbox / "x.png", elsewhere / "外部.pdf", inbox / "已不在.pdf"});

  EXPECT_EQ(readAll(elsewhere / "外部.pdf"), "picked");
  EXPECT_FALSE(fs::exists(archive / "外部.pdf"));
  EXPECT_EQ(readAll(archive / "报告.pdf"), "earlier");
  EXPECT_EQ(readAll(archive / "报告 (2).pdf"), "new");
  EXPECT_EQ(readAll(archive / "x.png"), "png");
  EXPECT_FALSE(fs::exists(inbox / "报告.pdf"));
  EXPECT_EQ(countContaining(logs, "归档失败，文件留在收件箱：" + (inbox / "已不在.pdf").string()), 1);
  ASSERT_TRUE(waitOffers(1));  // the moves offer nothing
}

TEST_F(HotFolderTest, WithoutMovingUploadedFilesStayAndAreNotOfferedAgain) {
  w.useForThisRun({true, inbox.string(), false});
  w.startWatching();
  writeFile(inbox / "a.pdf", "one");
  ASSERT_TRUE(waitOffers(1));
  w.archiveProcessedFiles({inbox / "a.pdf"});
  EXPECT_EQ(readAll(inbox / "a.pdf"), "one");
  std::ofstream(inbox / "a.pdf", std::ios::app) << "more";
  ASSERT_TRUE(waitOffers(1));
  w.startWatching();  // a restart
  writeFile(inbox / "b.txt", "b");
  ASSERT_TRUE(waitOffers(2));
  EXPECT_EQ(names(offers[1]), std::vector<std::string>{"b.txt"});
}

TEST_F(HotFolderTest, StartSwitchAndFolderChoice) {
  w.startIfEnabled(true);  // a diagnostic run watches nothing
  EXPECT_FALSE(w.isWatching.get());
  w.startIfEnabled(false);
  EXPECT_TRUE(w.isWatching.get());

  writeFile(elsewhere / "不是目录.pdf", "x");
  w.useForThisRun({true, (elsewhere / "不是目录.pdf").string(), true});
  w.startWatching();
  EXPECT_FALSE(w.isWatching.get());
  EXPECT_EQ(w.lastEventText.get(), "无法打开监控目录");
  // A folder for this run only: the stored configuration stays the user's.
  EXPECT_NE(HotFolderWatcher::Config::load(home.defaults()).folderPath, (elsewhere / "不是目录.pdf").string());

  fs::path chosen = home.root() / "扫描仪";
  fs::create_directories(chosen);
  writeFile(chosen / "已有.pdf", "x");
  panels.folderAnswer = chosen;
  w.chooseFolder();
  ASSERT_TRUE(waitUntil([&] { return w.isWatching.get(); }, 3000));
  EXPECT_EQ(panels.folderAsked.at(0).acceptLabel, "监控这个文件夹");
  EXPECT_EQ(w.lastEventText.get(), "监控中：扫描仪");
  EXPECT_EQ(HotFolderWatcher::Config::load(home.defaults()).folderPath, chosen.string());
  panels.folderAnswer.reset();
  w.chooseFolder();  // cancelled: nothing changes
  idle(50);
  EXPECT_EQ(w.config->folderPath, chosen.string());
  writeFile(chosen / "新.pdf", "y");
  ASSERT_TRUE(waitOffers(1));
  EXPECT_EQ(names(offers[0]), std::vector<std::string>{"新.pdf"});

  w.setEnabled(false);
  EXPECT_EQ(w.lastEventText.get(), "未开启");
  EXPECT_FALSE(HotFolderWatcher::Config::load(home.defaults()).enabled);

  // Opening creates a folder that is gone.
  fs::remove_all(chosen);
  w.openFolder();
  EXPECT_TRUE(fs::is_directory(chosen));
  ASSERT_EQ(desktop.opened.size(), 1u);
  EXPECT_EQ(desktop.opened[0].rfind("file:///", 0), 0u);
  EXPECT_NE(desktop.opened[0].find("%E6%89%AB%E6%8F%8F%E4%BB%AA"), std::string::npos);  // "扫描仪"
}

TEST_F(HotFolderTest, ConfigurationRoundTripAndUndecodableDefaults) {
  const std::string key = "hotfolder.config.v1";
  HotFolderWatcher::Config c{true, "/srv/扫描", false};
  c.save(home.defaults());
  home.defaults().flush();
  UserDefaults reread(home.defaults().file());
  EXPECT_EQ(HotFolderWatcher::Config::load(reread), c);
  EXPECT_EQ(*reread.object(key),
            (nlohmann::json{{"enabled", true}, {"folderPath", "/srv/扫描"}, {"moveAfterUpload", false}}));

  g_setenv("XDG_DOCUMENTS_DIR", (home.root() / "文档").c_str(), TRUE);
  HotFolderWatcher::Config defaults{false, (home.root() / "文档" / "墨衡台收件箱").string(), true};
  for (auto bad : {nlohmann::json{{"enabled", true}, {"folderPath", "/x"}},
                   nlohmann::json{{"enabled", "yes"}, {"folderPath", "/x"}, {"moveAfterUpload", true}},
                   nlohmann::json("{\"enabled\":true}")}) {
    home.defaults().set(key, bad);
    EXPECT_EQ(HotFolderWatcher::Config::load(home.defaults()), defaults) << bad.dump();
  }
}
