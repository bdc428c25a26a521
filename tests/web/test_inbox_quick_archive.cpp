// The inbox folder end to end: files written into the watched folder open the real
// quick-archive window once; after the upload to the test service they lie in
// "_已归档", while a file from elsewhere added in the same window stays where it was.
#include <gtest/gtest.h>

#include <gdk/gdk.h>
#include <unistd.h>

#include <filesystem>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "base/MainQueue.h"
#include "features/editing/HotFolderWatcher.h"
#include "ui/editing/QuickArchiveWindow.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

// What the application wires, with a shorter settle time: the watcher opens the
// quick-archive window; the opens are counted on the way.
struct CountingOpener : QuickArchiveOpener {
  QuickArchiveWindow* archive = nullptr;
  int opens = 0;
  void openQuickArchive(const std::vector<fs::path>& files, const std::string& hint, bool fromHot) override {
    ++opens;
    archive->open(files, hint, fromHot);
  }
};

class InboxQuickArchiveWeb : public ServiceTabFixture {
 protected:
  void SetUp() override {
    ServiceTabFixture::SetUp();
    signIn();
    model = services->makeBrowserModel();
    show(model->activeTab());
    ASSERT_TRUE(waitLoaded(model->activeTab(), "/dashboard"));
    model->account().rememberProceeding(88, "华盛科技买卖合同纠纷");
    root = fs::temp_directory_path() / ("quorvel-inbox-" + std::to_string(::getpid()));
    fs::create_directories(root / "桌面");
    watcher = std::make_unique<HotFolderWatcher>(services->defaults(), services->filePanels(), services->desktop(), 150);
    archiveWindow = std::make_unique<QuickArchiveWindow>(QuickArchiveServices{services->filePanels(), *watcher, services->scanner(), services->workers(), services->audit()},
        services->mainWindow());
    archiveWindow->setModel(model);
    opener.archive = archiveWindow.get();
    watcher->setOpener(&opener);
    watcher->useForThisRun({true, (root / "收件箱").string(), true});
    watcher->startWatching();
  }
  void TearDown() override {
    archiveWindow.reset();
    watcher.reset();
    fs::remove_all(root);
    ServiceTabFixture::TearDown();
  }

  CountingOpener opener;
  std::unique_ptr<HotFolderWatcher> watcher;
  std::unique_ptr<QuickArchiveWindow> archiveWindow;
  fs::path root;
};

}  // namespace

TEST_F(InboxQuickArchiveWeb, InboxFilesAreOfferedOnceAndArchivedAfterTheUploadButADroppedFileStays) {
  QuickArchiveWindow& archive = *archiveWindow;
  const fs::path inbox = root / "收件箱", picked = root / "桌面" / "外部证据.docx";
  writeFile(inbox / "扫描件2.jpg", "jpg");
  writeFile(inbox / "扫描件1.pdf", "%PDF");
  writeFile(picked, "docx");
  ASSERT_TRUE(waitUntil([&] { return archive.isVisible(); }, 8000));
  QuickArchiveView& view = *archive.view();
  EXPECT_EQ(view.files(), (std::vector<fs::path>{inbox / "扫描件1.pdf", inbox / "扫描件2.jpg"}));
  EXPECT_EQ(view.header().subtitleLabel().get_text().raw(), "来自热文件夹「收件箱」");

  EXPECT_TRUE(view.handleDrop(fileListValue({picked})));
  ASSERT_TRUE(waitUntil([&] { return view.files().size() == 3; }, 3000));
  view.selectTarget(88);
  view.uploadAll();
  ASSERT_TRUE(waitUntil([&] { return !view.uploading(); }, 20000));
  EXPECT_EQ(view.statusMsg(), "归档成功：已上传 3 个文件到程序 #88");
  EXPECT_EQ(service.requestsTo("/api/proc_quick_upload/88").size(), 1u);

  const fs::path archived = inbox / HotFolderWatcher::kArchiveFolder;
  EXPECT_TRUE(fs::exists(archived / "扫描件1.pdf"));
  EXPECT_TRUE(fs::exists(archived / "扫描件2.jpg"));
  EXPECT_FALSE(fs::exists(inbox / "扫描件1.pdf"));
  EXPECT_TRUE(fs::exists(picked)) << "a file from elsewhere stays where it was";
  EXPECT_FALSE(fs::exists(archived / "外部证据.docx"));

  runMainLoopUntil([] { return false; }, 1200);  // the moves and the window's close offer nothing
  EXPECT_EQ(opener.opens, 1);
}
