// Scanned documents made searchable: a two-page scanned PDF and photos the test draws,
// the files written beside them, the summary and its reveal, and writes that fail.
#include <gtest/gtest.h>
#include <poppler.h>

#include <cerrno>
#include <fstream>
#include <mutex>

#include "ScanSamples.h"
#include "TestHelpers.h"
#include "base/ErrorDomains.h"
#include "base/WorkerPool.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeFilePanels.h"
#include "features/recognition/ScannerOCR.h"
#include "platform/Desktop.h"
#include "platform/ocr/TesseractPool.h"
#include "platform/ocr/TextRecognizer.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/SearchablePdf.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {
class RecordingDesktop : public Desktop {
 public:
  std::vector<fs::path> revealed;
  bool openURI(const std::string&) override { return true; }
  void revealFile(const fs::path& file) override { revealed.push_back(file); }
};

class ScannerOCRTest : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("scan-" + std::to_string(getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::mutex logMutex;
  std::vector<std::string> logs;
  TesseractPools pools;

  void SetUp() override {
    fs::create_directories(dir);
    setLogSink([this](const std::string& line) {
      std::lock_guard lock(logMutex);
      logs.push_back(line);
    });
  }
  void TearDown() override {
    setLogSink({});
    fs::remove_all(dir);
  }
  bool logged(const std::string& part) {
    std::lock_guard lock(logMutex);
    for (auto& l : logs)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  static std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  fs::path photo(const std::string& name, const std::vector<std::string>& lines) {
    auto p = dir / name;
    std::ofstream(p, std::ios::binary) << textPagePng(lines, 900, 300);
    return p;
  }
};

const std::vector<std::vector<std::string>> kNotice = {
    {"北京市朝阳区人民法院", "民事判决书", "案号：（2026）京0105民初12345号", "原告：张明，男，汉族"},
    {"本判决为终审判决。", "审判长  李华", "二〇二六年三月十八日"}};
}  // namespace

TEST_F(ScannerOCRTest, TwoPageScanBecomesASearchablePdfThatLooksTheSame) {
  auto input = dir / "判决书.PDF";  // the extension in capitals is still a PDF
  writeScannedPdf(input, kNotice);
  auto r = ScannerOCR::processFile(pools, input);
  EXPECT_EQ(r.pages, 2);
  EXPECT_TRUE(r.recognised);
  ASSERT_TRUE(r.outputText);
  ASSERT_TRUE(r.outputPDF);
  EXPECT_EQ(*r.outputText, dir / "判决书-文字.txt");
  EXPECT_EQ(*r.outputPDF, dir / "判决书.可搜索.pdf");
  std::string text = readFile(*r.outputText);
  EXPECT_EQ(text, r.text);
  EXPECT_EQ(text.rfind("\n===== 第 1 页 =====\n", 0), 0u) << text;
  auto second = text.find("\n\n===== 第 2 页 =====\n");
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_NE(withoutSpaces(text.substr(0, second)).find("京0105民初12345号"), std::string::npos) << text;
  EXPECT_NE(text.find("终审判决", second), std::string::npos) << text;

  auto src = PdfDocument::open(input);
  auto out = PdfDocument::open(*r.outputPDF);
  ASSERT_TRUE(src && out);
  ASSERT_EQ(out->pageCount(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_DOUBLE_EQ(out->pageSize(i)->width, src->pageSize(i)->width);
    EXPECT_DOUBLE_EQ(out->pageSize(i)->height, src->pageSize(i)->height);
    auto a = src->render(i, 1.0), b = out->render(i, 1.0);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(a->rgb == b->rgb) << "page " << i + 1 << " looks different";
  }
  {
    // Drawn onto a context (as the preview window draws), the page looks as rendered.
    auto rendered = out->render(0, 1.0);
    ASSERT_TRUE(rendered);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, rendered->width, rendered->height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    EXPECT_TRUE(out->draw(0, cr));
    EXPECT_FALSE(out->draw(7, cr));  // no such page
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    auto drawn = bitmapFromArgb32(cairo_image_surface_get_data(surface), rendered->width, rendered->height,
                                  cairo_image_surface_get_stride(surface));
    cairo_surface_destroy(surface);
    EXPECT_TRUE(drawn.rgb == rendered->rgb);
  }
  // The invisible layer is found by a PDF text extractor.
  std::string cmd = "pdftotext -enc UTF-8 '" + r.outputPDF->string() + "' -";
  std::string extracted;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, p)) extracted.append(buf, n);
    pclose(p);
  }
  EXPECT_NE(withoutSpaces(extracted).find("京0105民初12345号"), std::string::npos) << extracted;
  EXPECT_TRUE(logged("[Quorvel][SCAN] 判决书.PDF 页数=2"));

  // Recognising the output again names its outputs after it and replaces them on a rerun.
  auto again = ScannerOCR::processFile(pools, *r.outputPDF);
  EXPECT_EQ(again.outputPDF, dir / "判决书.可搜索.可搜索.pdf");
  EXPECT_EQ(again.outputText, dir / "判决书.可搜索-文字.txt");
  EXPECT_EQ(ScannerOCR::processFile(pools, input).text, r.text);
}

TEST_F(ScannerOCRTest, PhotosBlankPagesAndFailedWrites) {
  auto shot = photo("scan.page1.png", {"送达回证", "案号：（2026）京0105民初12345号"});
  auto r = ScannerOCR::processFile(pools, shot);
  EXPECT_EQ(r.pages, 1);
  EXPECT_TRUE(r.recognised);
  EXPECT_EQ(r.text.find("====="), std::string::npos);  // no heading for an image
  EXPECT_EQ(r.outputText, dir / "scan.page1-文字.txt");
  ASSERT_EQ(r.outputPDF, dir / "scan.page1.可搜索.pdf");
  auto pdf = PdfDocument::open(*r.outputPDF);
  ASSERT_TRUE(pdf);
  EXPECT_EQ(pdf->pageCount(), 1);
  EXPECT_DOUBLE_EQ(pdf->pageSize(0)->width, 900);  // one point per pixel
  EXPECT_DOUBLE_EQ(pdf->pageSize(0)->height, 300);

  // A scan with no text: both files written, but not counted as recognised.
  auto blank = dir / "blank.pdf";
  writeScannedPdf(blank, {{}, {}});
  auto none = ScannerOCR::processFile(pools, blank);
  EXPECT_EQ(none.pages, 2);
  EXPECT_FALSE(none.recognised);
  EXPECT_TRUE(none.outputPDF && fs::exists(*none.outputPDF));

  // Not a PDF, not an image: nothing written.
  std::ofstream(dir / "notes.pdf") << "not a pdf";
  auto unreadable = ScannerOCR::processFile(pools, dir / "notes.pdf");
  EXPECT_EQ(unreadable.pages, 0);
  EXPECT_FALSE(unreadable.outputPDF || unreadable.outputText);
  EXPECT_FALSE(fs::exists(dir / "notes-文字.txt"));

  // Outputs that cannot be written are reported and left out of the result.
  auto blocked = photo("blocked.png", {"案号：（2026）京0105民初1号"});
  fs::create_directories(dir / "blocked.可搜索.pdf" / "x");
  fs::create_directories(dir / "blocked-文字.txt" / "x");
  auto failed = ScannerOCR::processFile(pools, blocked);
  EXPECT_TRUE(failed.recognised);
  EXPECT_FALSE(failed.outputPDF);
  EXPECT_FALSE(failed.outputText);
  EXPECT_TRUE(logged("[Quorvel][SCAN] PDF 写入失败"));
  EXPECT_TRUE(logged("[Quorvel][SCAN] 文本写入失败"));
  for (auto& e : fs::directory_iterator(dir))
    EXPECT_NE(e.path().filename().string().rfind(".blocked", 0), 0u) << "temporary file left: " << e.path();
}

// Failures of the recogniser, the writers and the temporary-file write say which kind
// they are and why, and leave no output or temporary file behind.
TEST_F(ScannerOCRTest, RecogniserAndWriterFailuresSayWhy) {
  auto rec = recognise(pools, Bitmap{});
  ASSERT_FALSE(rec.ok());
  EXPECT_EQ(rec.error().domain, errors::kOcr);
  EXPECT_EQ(rec.error().code, errors::kOcrEmptyImage);
  EXPECT_EQ(rec.error().message, "空图像");

  auto out = dir / "out.pdf";
  auto empty = writeImageSearchablePdf(Bitmap{}, {}, out);
  ASSERT_FALSE(empty.ok());
  EXPECT_EQ(empty.error().domain, errors::kPdf);
  EXPECT_EQ(empty.error().message, "空图像");

  std::ofstream(dir / "notes.pdf") << "not a pdf";
  auto damaged = writeSearchablePdf(dir / "notes.pdf", {}, out);
  ASSERT_FALSE(damaged.ok());
  EXPECT_EQ(damaged.error().domain, errors::kPdf);
  EXPECT_NE(damaged.error().code, 0) << "qpdf's error code";
  EXPECT_FALSE(damaged.error().message.empty());
  EXPECT_FALSE(fs::exists(out));

  auto noFolder = writeAtomically(dir / "missing" / "a.txt", [](const fs::path&) { return Result<void>(); });
  ASSERT_FALSE(noFolder.ok());
  EXPECT_EQ(noFolder.error().domain, errors::kFile);
  EXPECT_EQ(noFolder.error().code, ENOENT);
  EXPECT_EQ(noFolder.error().message.rfind("无法在目标文件夹创建文件：", 0), 0u) << noFolder.error().message;

  // A thrown failure of the write is its failure; the temporary file goes.
  auto thrown = writeAtomically(dir / "b.txt", [](const fs::path&) -> Result<void> {
    throw AppError(errors::kPdf, 7, "写不下去");
  });
  ASSERT_FALSE(thrown.ok());
  EXPECT_EQ(thrown.error().domain, errors::kPdf);
  EXPECT_EQ(thrown.error().code, 7);
  EXPECT_EQ(thrown.error().message, "写不下去");
  for (auto& e : fs::directory_iterator(dir))
    EXPECT_NE(e.path().filename().string().rfind(".", 0), 0u) << "temporary file left: " << e.path();
}

TEST_F(ScannerOCRTest, PickedFilesRunToASummaryThatRevealsTheFirstRecognisedInput) {
  FakeFilePanels panels;
  FakeDialogs dialogs;
  RecordingDesktop desktop;
  WorkerPool workers{2};
  ScannerOCR scanner({dialogs, panels, desktop, workers, pools});
  auto blankPhoto = dir / "空白.png";
  std::ofstream(blankPhoto, std::ios::binary) << textPagePng({}, 400, 200);
  auto notice = photo("传票.png", {"传票", "案号：（2026）京0105民初12345号"});
  auto scan = dir / "判决书.pdf";
  writeScannedPdf(scan, kNotice);
  dialogs.answer = 0;
  std::optional<std::vector<ScannerOCR::Result>> results;
  // Cancelling starts nothing.
  panels.openAnswer = {};
  scanner.pickAndRun();
  drainMainLoop();
  ASSERT_EQ(panels.openAsked.size(), 1u);
  EXPECT_EQ(panels.openAsked[0].title, "选择扫描件（PDF / 图片）");
  EXPECT_TRUE(panels.openAsked[0].multiple);
  EXPECT_EQ(panels.openAsked[0].filters.at(0).mimeTypes.front(), "application/pdf");
  runMainLoopUntil([] { return false; }, 100);
  EXPECT_TRUE(dialogs.shown.empty());

  scanner.run({blankPhoto, notice, scan}, [&](const std::vector<ScannerOCR::Result>& r) { results = r; });
  ASSERT_TRUE(waitUntil([&] { return results.has_value(); }, 60000));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  const auto& alert = dialogs.shown[0];
  EXPECT_EQ(alert.title, "识别完成：2 个文件");
  EXPECT_EQ(alert.buttons, (std::vector<std::string>{"在文件管理器中显示", "好"}));
  EXPECT_NE(alert.text.find("· 传票.png — 1 页 / "), std::string::npos) << alert.text;
  EXPECT_NE(alert.text.find("· 判决书.pdf — 2 页 / "), std::string::npos) << alert.text;
  EXPECT_NE(alert.text.find("\n\n失败（可能是纯图片无文字）：1 个"), std::string::npos) << alert.text;
  ASSERT_EQ(desktop.revealed.size(), 1u);
  EXPECT_EQ(desktop.revealed[0], notice);  // the input, not an output
}

TEST(ScannerOCRText, SectionsNamesAndSummaryLines) {
  // A page that could not be rendered has no section; the others keep their page numbers.
  EXPECT_EQ(ScannerOCR::pdfTextContent({std::string("甲"), std::nullopt, std::string("丙\n丁")}),
            "\n===== 第 1 页 =====\n甲\n\n===== 第 3 页 =====\n丙\n丁");
  EXPECT_EQ(ScannerOCR::textOutputPath("/a/合同.pdf"), fs::path("/a/合同-文字.txt"));
  EXPECT_EQ(ScannerOCR::pdfOutputPath("/a/scan"), fs::path("/a/scan.可搜索.pdf"));
  EXPECT_EQ(ScannerOCR::pdfOutputPath("/a/photo.jpg"), fs::path("/a/photo.可搜索.pdf"));

  std::vector<ScannerOCR::Result> eight;
  for (int i = 0; i < 8; ++i) eight.push_back({"/s/f" + std::to_string(i) + ".pdf", 3, "\n===== 第 1 页 =====\n案号", true});
  auto s = ScannerOCR::summarize(eight);
  EXPECT_EQ(s.message, "识别完成：8 个文件");
  EXPECT_EQ(s.informative,
            "· f0.pdf — 3 页 / 21 字\n· f1.pdf — 3 页 / 21 字\n· f2.pdf — 3 页 / 21 字\n· f3.pdf — 3 页 / 21 字\n"
            "· f4.pdf — 3 页 / 21 字\n· f5.pdf — 3 页 / 21 字\n… 还有 2 个\n\n"
            "输出：同名「可搜索.pdf」+「-文字.txt」，都在原文件旁边");
  EXPECT_EQ(s.revealTarget, fs::path("/s/f0.pdf"));
  auto none = ScannerOCR::summarize({{"/s/x.pdf", 2, "\n===== 第 1 页 =====\n", false}});
  EXPECT_EQ(none.message, "识别完成：0 个文件");
  EXPECT_FALSE(none.revealTarget);
}
