// The quick-archive window against the test service: dropped files go up to the
// chosen proceeding, the window closes 0.9 s later on that proceeding's page, a
// refused upload keeps everything, and clipboard scans arrive under unique names.
#include <gtest/gtest.h>

#include <gdk/gdk.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "AccessibleName.h"
#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestPages.h"
#include "TestServiceArchive.h"
#include "TestServiceTodos.h"
#include "WidgetFind.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "features/editing/HotFolderWatcher.h"
#include "platform/Scanner.h"
#include "ui/editing/QuickArchiveWindow.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

ArchiveTargetRow* rowFor(QuickArchiveView& view, long long id) {
  for (auto* w = view.targetList().get_first_child(); w; w = w->get_next_sibling())
    if (auto* row = dynamic_cast<ArchiveTargetRow*>(w); row && row->target().id == id) return row;
  return nullptr;
}

// A click on an enabled button.
void press(Gtk::Button& button) {
  ASSERT_TRUE(button.get_sensitive());
  g_signal_emit_by_name(button.gobj(), "clicked");
}

class QuickArchiveWindowWeb : public ServiceTabFixture {
 protected:
  void SetUp() override {
    ServiceTabFixture::SetUp();
    signIn();
    model = services->makeBrowserModel();
    tab = model->activeTab();
    page = &show(tab);
    ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
    model->account().rememberProceeding(88, "华盛科技买卖合同纠纷");
    model->account().rememberProceeding(107, "云栖禾木著作权二审");
    services->quickArchive().setModel(model);
    dir = fs::temp_directory_path() / ("quorvel-archive-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const char* name : {"起诉状.pdf", "证据目录.docx", "转账记录.png"}) writeFile(dir / name, std::string(name) + "内容");
  }
  void TearDown() override {
    if (services) {
      services->quickArchive().reset();
      services->quickArchive().setModel(nullptr);
    }
    fs::remove_all(dir);
    ServiceTabFixture::TearDown();
  }
  QuickArchiveView& openEmpty() {
    auto& archive = services->quickArchive();
    archive.open({}, "拖拽文件或扫描文稿直传卷宗", false);
    EXPECT_TRUE(archive.view());
    return *archive.view();
  }

  std::shared_ptr<BrowserTab> tab;
  WebHarness* page = nullptr;
  fs::path dir;
};

}  // namespace

TEST_F(QuickArchiveWindowWeb, ThreeDroppedFilesGoToTheChosenProceedingAndTheWindowClosesOnItsPage) {
  auto& archive = services->quickArchive();
  QuickArchiveView& view = openEmpty();
  Gtk::Window& window = *archive.window();
  EXPECT_EQ(window.get_title(), "快速归档到案件卷宗");
  EXPECT_EQ(windowIdentifier(window), "floating:quick-archive");
  Gtk::Window* main = services->mainWindow().findMainWindow();
  ASSERT_TRUE(main);
  EXPECT_NE(main, &window) << "never taken for the main window";
  EXPECT_EQ(window.get_transient_for(), main) << "kept above the main window";
  ASSERT_TRUE(waitUntil([&] { return window.get_mapped(); }, 3000));
  auto placement = placementFor(window);
  ASSERT_TRUE(placement);
  EXPECT_TRUE(placement->keptAbove());
  EXPECT_EQ(view.header().subtitleLabel().get_text(), "拖拽文件或扫描文稿直传卷宗");
  EXPECT_EQ(view.selectedProcID(), 107) << "the largest id is selected without a proceeding page";
  EXPECT_FALSE(view.uploadButton().get_sensitive()) << "no files yet";

  const fs::path a = dir / "起诉状.pdf", b = dir / "证据目录.docx", c = dir / "转账记录.png";
  EXPECT_TRUE(view.handleDrop(fileListValue({a, b})));
  EXPECT_TRUE(view.handleDrop(fileListValue({b, c, a})));
  ASSERT_TRUE(waitUntil([&] { return view.files().size() == 3; }, 3000));
  runMainLoopUntil([] { return false; }, 100);
  EXPECT_EQ(view.files(), (std::vector<fs::path>{a, b, c})) << "each file once, in drop order";

  ArchiveTargetRow* row = rowFor(view, 88);
  ASSERT_TRUE(row);
  press(*row);
  EXPECT_EQ(view.selectedProcID(), 88);
  ASSERT_TRUE(rowFor(view, 88)->active());
  press(view.uploadButton());
  EXPECT_TRUE(view.uploading());
  EXPECT_EQ(view.statusMsg(), "正在上传 3 个文件到程序 #88…");
  EXPECT_FALSE(view.uploadButton().get_sensitive()) << "no second upload while one runs";

  ASSERT_TRUE(waitUntil([&] { return !view.uploading(); }, 20000));
  const auto doneAt = std::chrono::steady_clock::now();
  EXPECT_EQ(view.statusMsg(), "归档成功：已上传 3 个文件到程序 #88");
  auto req = service.requestsTo("/api/proc_quick_upload/88");
  ASSERT_EQ(req.size(), 1u);
  EXPECT_TRUE(service.isSignedIn(req[0]));
  for (const char* name : {"起诉状.pdf", "证据目录.docx", "转账记录.png"})
    EXPECT_NE(req[0].body.find(std::string("filename=\"") + name + "\""), std::string::npos) << name;
  EXPECT_TRUE(window.get_visible());

  ASSERT_TRUE(waitUntil([&] { return !window.get_visible(); }, 3000));
  const auto waited = std::chrono::steady_clock::now() - doneAt;
  EXPECT_GE(waited, std::chrono::milliseconds(800));
  ASSERT_TRUE(waitLoaded(tab, "/proceeding/88"));
  EXPECT_EQ(model->activePath().get(), "/proceeding/88");
  std::string audit = readAll(AppConfig::dataDir() / "upload-audit.jsonl");
  EXPECT_NE(audit.find("\"action\":\"quick-archive-ok\""), std::string::npos) << audit;
  EXPECT_NE(audit.find("\"path\":\"proc:88\""), std::string::npos);
  EXPECT_NE(audit.find("\"count\":3"), std::string::npos);
}

TEST_F(QuickArchiveWindowWeb, ARefusedUploadKeepsFilesAndTargetAndAnUploadOutlivesItsWindow) {
  auto& archive = services->quickArchive();
  const fs::path a = dir / "起诉状.pdf", b = dir / "证据目录.docx";
  archive.open({a, b}, "拖入任务栏图标的 2 个文件", false);
  QuickArchiveView* view = archive.view();
  ASSERT_TRUE(view);
  EXPECT_EQ(view->files().size(), 2u);
  service.setPrefixRoute("/api/proc_quick_upload/",
                         [](const RecordedRequest&) { return Reply::text("服务器繁忙，请稍后再试", 500); });
  view->manualEntry().set_text(" 42");
  EXPECT_EQ(view->effectiveProcID(), 42);
  EXPECT_FALSE(rowFor(*view, 107)->active()) << "no row is checked while an id is typed";
  press(view->uploadButton());
  ASSERT_TRUE(waitUntil([&] { return !view->uploading(); }, 20000));
  EXPECT_EQ(view->statusMsg(), "上传失败：服务器出错（HTTP 500）");
  EXPECT_FALSE(view->statusLabel().has_css_class("success"));
  EXPECT_EQ(view->files().size(), 2u);
  EXPECT_EQ(view->effectiveProcID(), 42);
  EXPECT_EQ(service.requestsTo("/api/proc_quick_upload/42").size(), 1u);
  runMainLoopUntil([] { return false; }, 1200);
  EXPECT_TRUE(archive.window()->get_visible()) << "a failure does not close the window";
  EXPECT_EQ(model->activePath().get(), "/dashboard");

  // Replaced by a new window while its upload runs: the upload still ends in the
  // audit record and on the proceeding's page.
  service.setPrefixRoute("/api/proc_quick_upload/", [](const RecordedRequest&) {
    g_usleep(300000);
    return Reply::json(R"({"success":true,"count":2})");
  });
  view->manualEntry().set_text("");
  press(*rowFor(*view, 107));
  press(view->uploadButton());
  archive.open({}, "拖拽文件或扫描文稿直传卷宗", false);
  EXPECT_NE(archive.view(), view);
  ASSERT_TRUE(waitLoaded(tab, "/proceeding/107"));
  EXPECT_NE(readAll(AppConfig::dataDir() / "upload-audit.jsonl").find("proc:107"), std::string::npos);
  EXPECT_TRUE(archive.window()->get_visible()) << "the new window is not closed by the old upload";
}

// The demo's lists offer only proceedings the firm has; the upload lands in the chosen
// proceeding's folder on the case share and the window closes on that proceeding.
TEST_F(QuickArchiveWindowWeb, TheDemoOffersItsOwnProceedingsAndFilesIntoTheirShareFolders) {
  useTodoDemoData(service);
  const fs::path share = dir / "卷宗盘";
  service.setCaseShareDir(share);
  bool read = false;
  model->reads().fetchDeadlines([&] { read = true; });
  ASSERT_TRUE(waitUntil([&] { return read && !model->account().deadlines->soon.empty(); }, 10000));

  QuickArchiveView& view = openEmpty();
  ASSERT_GE(view.targets().size(), 7u);
  for (const auto& t : view.targets()) EXPECT_TRUE(pages::proceedingFolder(std::to_string(t.id))) << t.id;
  EXPECT_EQ(view.selectedProcID(), 118) << "the largest id the lists name";
  // A screen reader says each row as a sighted user reads it: case, client, number.
  int rows = 0;
  for (auto* w = view.targetList().get_first_child(); w; w = w->get_next_sibling()) {
    auto* row = dynamic_cast<ArchiveTargetRow*>(w);
    if (!row) continue;
    ++rows;
    std::string shown;
    forEachWidget(*row, [&](Gtk::Widget& c) {
      if (auto* l = dynamic_cast<Gtk::Label*>(&c); l && l->get_visible())
        shown += (shown.empty() ? "" : " ") + std::string(l->get_text());
    });
    EXPECT_NE(shown.find(" #" + std::to_string(row->target().id)), std::string::npos) << shown;
    EXPECT_TRUE(hasAccessibleName(*row, shown));
  }
  EXPECT_EQ(rows, static_cast<int>(view.targets().size()));
  const fs::path file = dir / "证据目录.docx";
  view.addFiles({file});
  press(view.uploadButton());
  ASSERT_TRUE(waitUntil([&] { return !view.uploading(); }, 20000));
  EXPECT_EQ(view.statusMsg(), "归档成功：已上传 1 个文件到程序 #118");
  EXPECT_EQ(readAll(share / *pages::proceedingFolder("118") / kArchiveInboxFolder / "证据目录.docx"),
            "证据目录.docx内容");
  ASSERT_TRUE(waitLoaded(tab, "/proceeding/118"));
  EXPECT_EQ(page->evalText("return document.getElementById('procTitle').textContent;"), "周九诉钱七机动车交通事故责任纠纷");
}

TEST_F(QuickArchiveWindowWeb, ClipboardScansArriveUnderUniqueNamesPdfFirst) {
  QuickArchiveView& view = openEmpty();
  GdkClipboard* clipboard = view.get_clipboard()->gobj();
  const std::string pdf = "%PDF-1.4\n% 扫描件\n%%EOF\n";
  GBytes* pdfBytes = g_bytes_new(pdf.data(), pdf.size());
  GBytes* pngBytes = g_bytes_new("\x89PNG-not-chosen", 15);
  GdkContentProvider* both[] = {gdk_content_provider_new_for_bytes("image/png", pngBytes),
                                gdk_content_provider_new_for_bytes("application/pdf", pdfBytes)};
  GdkContentProvider* provider = gdk_content_provider_new_union(both, 2);
  ASSERT_TRUE(gdk_clipboard_set_content(clipboard, provider));
  g_object_unref(provider);

  view.scanButton().pasteFromClipboard();
  view.scanButton().pasteFromClipboard();
  ASSERT_TRUE(waitUntil([&] { return view.files().size() == 2; }, 15000));
  const fs::path first = view.files()[0], second = view.files()[1];
  EXPECT_NE(first, second);
  for (const auto& f : {first, second}) {
    EXPECT_EQ(f.parent_path(), AppConfig::downloadDir());
    EXPECT_EQ(f.filename().string().rfind("剪贴板扫描-", 0), 0u) << f;
    EXPECT_EQ(f.extension(), ".pdf");
    EXPECT_EQ(readAll(f), pdf);
  }
  EXPECT_EQ(view.statusMsg(), "已从剪贴板接收：" + view.files()[1].filename().string());

  // Any other image is converted to PNG.
  guchar pixels[4 * 4 * 4];
  for (auto& p : pixels) p = 0x80;
  GBytes* raw = g_bytes_new(pixels, sizeof pixels);
  GdkTexture* texture = gdk_memory_texture_new(4, 4, GDK_MEMORY_R8G8B8A8, raw, 16);
  gdk_clipboard_set_texture(clipboard, texture);
  g_object_unref(texture);
  g_bytes_unref(raw);
  g_bytes_unref(pdfBytes);
  g_bytes_unref(pngBytes);
  view.scanButton().pasteFromClipboard();
  ASSERT_TRUE(waitUntil([&] { return view.files().size() == 3; }, 15000));
  EXPECT_EQ(view.files()[2].extension(), ".png");
  EXPECT_EQ(readAll(view.files()[2]).substr(0, 4), "\x89PNG");
  for (const auto& f : view.files()) fs::remove(f);

  // A write that fails is reported and nothing is listed.
  const fs::path downloads = AppConfig::downloadDir();
  fs::remove_all(downloads);
  writeFile(downloads, "a file where the folder belongs");
  view.scanButton().pasteFromClipboard();
  EXPECT_TRUE(waitUntil([&] { return view.statusMsg().rfind("导入剪贴板失败：", 0) == 0; }, 15000))
      << view.statusMsg();
  EXPECT_EQ(view.files().size(), 3u);
  EXPECT_TRUE(logged("[Quorvel][SCAN] 剪贴板内容没有保存"));
  fs::remove(downloads);
}

TEST_F(QuickArchiveWindowWeb, AScannedPageIsListedAndAFailedScanIsOnlyReported) {
  fs::path script = dir / "fake-scanimage";
  auto useScanner = [&](const std::string& body) {
    writeFile(script, "#!/bin/sh\nif [ \"$1\" = -L ]; then echo \"device \\`test:0' is a 测试平板扫描仪\"; exit 0; fi\n" + body);
    fs::permissions(script, fs::perms::owner_all);
  };
  useScanner("printf 'Progress: 50.0%%\\r' >&2; printf 'PNGPAGE'\n");
  auto& scanner = services->scanner();
  scanner.setProgram(script.string());
  scanner.detect(true);
  QuickArchiveView& view = openEmpty();
  ASSERT_TRUE(waitUntil([&] { return view.scanButton().scanItem().get_sensitive(); }, 15000))
      << "the menu item waits for a detected scanner";
  EXPECT_EQ(std::string(view.scanButton().scanHint().get_text()), "测试平板扫描仪");

  press(view.scanButton().scanItem());
  ASSERT_TRUE(waitUntil([&] { return view.files().size() == 1; }, 15000)) << view.statusMsg();
  const fs::path page = view.files()[0];
  EXPECT_EQ(page.parent_path(), AppConfig::downloadDir());
  EXPECT_EQ(page.filename().string().rfind("扫描仪扫描-", 0), 0u) << page;
  EXPECT_EQ(page.extension(), ".png");
  EXPECT_EQ(readAll(page), "PNGPAGE");
  EXPECT_EQ(view.statusMsg(), "已从扫描仪接收：" + page.filename().string());

  useScanner("echo 'scanimage: sane_start: Document feeder out of documents' >&2; exit 7\n");
  press(view.scanButton().scanItem());
  ASSERT_TRUE(waitUntil([&] { return view.statusMsg().rfind("扫描失败：", 0) == 0; }, 15000)) << view.statusMsg();
  EXPECT_NE(view.statusMsg().find("Document feeder out of documents"), std::string::npos);
  EXPECT_EQ(view.files().size(), 1u) << "nothing is handed over";
  fs::remove(page);
  scanner.setProgram("scanimage");
  scanner.detect(true);
}

TEST_F(QuickArchiveWindowWeb, AnInboxWindowHandsEverythingItUploadedToTheInboxArchiveStep) {
  auto& inbox = services->inbox();
  auto& archive = services->quickArchive();
  const HotFolderWatcher::Config saved = inbox.config.get();
  HotFolderWatcher::Config c;
  c.folderPath = (dir / "收件箱").string();
  c.moveAfterUpload = true;
  inbox.useForThisRun(c);
  fs::create_directories(dir / "收件箱");
  const fs::path inboxFile = dir / "收件箱" / "传真件.pdf";
  writeFile(inboxFile, "%PDF fax");
  const fs::path picked = dir / "证据目录.docx";

  archive.open({inboxFile}, "来自热文件夹「收件箱」", true);
  QuickArchiveView& view = *archive.view();
  view.addFiles({picked});
  press(view.uploadButton());
  // Added after the press: neither sent nor archived by this upload.
  const fs::path late = dir / "收件箱" / "稍后加入.pdf";
  writeFile(late, "%PDF late");
  view.addFiles({late});
  ASSERT_TRUE(waitUntil([&] { return !view.uploading(); }, 20000));
  EXPECT_EQ(view.statusMsg(), "归档成功：已上传 2 个文件到程序 #107");
  EXPECT_TRUE(fs::exists(dir / "收件箱" / "_已归档" / "传真件.pdf"));
  EXPECT_FALSE(fs::exists(inboxFile));
  EXPECT_TRUE(fs::exists(picked)) << "a file from elsewhere stays where it was";
  EXPECT_TRUE(fs::exists(late));
  inbox.useForThisRun(saved);
}

// Closing the window does not cut short what it started: the upload is recorded and its
// proceeding opened, and a clipboard scan is still saved and logged.
TEST_F(QuickArchiveWindowWeb, AnUploadAndAPasteEndWhenTheWindowGoesMeanwhile) {
  auto& archive = services->quickArchive();
  QuickArchiveView& view = openEmpty();
  view.addFiles({dir / "起诉状.pdf"});
  ArchiveTargetRow* row = rowFor(view, 88);
  ASSERT_TRUE(row);
  press(*row);
  press(view.uploadButton());
  archive.reset();
  EXPECT_FALSE(archive.view());
  const fs::path auditFile = AppConfig::dataDir() / "upload-audit.jsonl";
  ASSERT_TRUE(waitUntil([&] { return readAll(auditFile).find("proc:88") != std::string::npos; }, 20000))
      << readAll(auditFile);
  ASSERT_TRUE(waitLoaded(tab, "/proceeding/88"));
  EXPECT_EQ(service.requestsTo("/api/proc_quick_upload/88").size(), 1u);

  QuickArchiveView& again = openEmpty();
  GdkClipboard* clipboard = again.get_clipboard()->gobj();
  const std::string pdf = "%PDF-1.4\n% 窗口关闭后的扫描件\n%%EOF\n";
  GBytes* bytes = g_bytes_new(pdf.data(), pdf.size());
  GdkContentProvider* provider = gdk_content_provider_new_for_bytes("application/pdf", bytes);
  ASSERT_TRUE(gdk_clipboard_set_content(clipboard, provider));
  g_object_unref(provider);
  g_bytes_unref(bytes);
  again.scanButton().pasteFromClipboard();
  archive.reset();
  ASSERT_TRUE(waitUntil([&] { return logged("[Quorvel][SCAN] 已保存剪贴板内容"); }, 15000));
  std::vector<fs::path> saved;
  for (const auto& e : fs::directory_iterator(AppConfig::downloadDir()))
    if (e.path().filename().string().rfind("剪贴板扫描-", 0) == 0 && readAll(e.path()) == pdf) saved.push_back(e.path());
  EXPECT_EQ(saved.size(), 1u);
  for (const auto& f : saved) fs::remove(f);
}
