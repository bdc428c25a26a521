#include "features/recognition/ScannerOCR.h"

#include <glib.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/Task.h"
#include "core/Dialogs.h"
#include "core/FilePanels.h"
#include "features/recognition/WaybillText.h"
#include "features/recognition/OcrEngine.h"
#include "platform/Desktop.h"
#include "platform/ocr/TesseractPool.h"
#include "platform/ocr/TextRecognizer.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/pdf/SearchablePdf.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
constexpr double kRenderScale = 2.0;  // 144 pixels per inch
constexpr std::uint64_t kMaxScanPixels = 100'000'000;

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}


// A private folder for the text layers of one file, removed with the object.
struct TempDir {
  fs::path path;
  TempDir() {
    if (gchar* d = g_dir_make_tmp("quorvel-scan-XXXXXX", nullptr)) {
      path = d;
      g_free(d);
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

bool writeTextFile(const fs::path& file, const std::string& text) {
  auto written = writeAtomically(file, [&](const fs::path& tmp) -> Result<void> {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) return AppError(errors::kFile, 0, "写入出错");
    return {};
  });
  if (!written.ok()) logLine(tags::kScan, "文本写入失败 " + file.string() + "：" + written.error().message, LogLevel::warning);
  return written.ok();
}

std::optional<fs::path> writePdf(const fs::path& file, const std::function<Result<void>()>& write) {
  auto written = write();
  if (written.ok()) return file;
  logLine(tags::kScan, "PDF 写入失败 " + file.string() + "：" + written.error().message, LogLevel::warning);
  return std::nullopt;
}

ScannerOCR::Result processPDF(TesseractPools& pools, const fs::path& input) {
  ScannerOCR::Result r;
  r.input = input;
  auto doc = PdfDocument::open(input);
  int count = doc ? doc->pageCount() : 0;
  if (count <= 0) return r;
  TempDir tmp;
  std::vector<std::optional<std::string>> texts(count);
  std::vector<fs::path> layers(count);
  // Pages are recognised by as many engines as the pool has, each holding one page
  // bitmap at a time; the document itself renders one page at a time.
  std::mutex renderLock;
  std::atomic<int> next{0};
  auto worker = [&] {
    for (int i = next++; i < count; i = next++) {
      std::optional<Bitmap> page;
      {
        std::lock_guard lock(renderLock);
        page = doc->render(i, kRenderScale);
      }
      if (!page) continue;
      RecognitionOptions options;
      options.dpi = 144;
      if (!tmp.path.empty()) options.textLayerPdf = tmp.path / ("page-" + std::to_string(i) + ".pdf");
      auto rec = recognise(pools, *page, options);
      page.reset();
      if (!rec.ok()) logLine(tags::kOcr, "版面识别失败 " + rec.error().message, LogLevel::warning);
      texts[i] = rec.ok() ? joinedText(rec.value()) : std::string();
      std::error_code ec;
      if (rec.ok() && !options.textLayerPdf.empty() && fs::exists(options.textLayerPdf, ec))
        layers[i] = options.textLayerPdf;
    }
  };
  unsigned helpers = std::min<unsigned>(pools.pool().capacity(), static_cast<unsigned>(count));
  std::vector<std::thread> threads;
  for (unsigned k = 1; k < helpers; ++k) threads.emplace_back(worker);
  worker();
  for (auto& t : threads) t.join();

  r.pages = count;
  r.text = ScannerOCR::pdfTextContent(texts);
  for (const auto& t : texts) r.recognised = r.recognised || (t && !t->empty());
  fs::path textFile = ScannerOCR::textOutputPath(input);
  if (writeTextFile(textFile, r.text)) r.outputText = textFile;
  fs::path pdfFile = ScannerOCR::pdfOutputPath(input);
  r.outputPDF = writePdf(pdfFile, [&] { return writeSearchablePdf(input, layers, pdfFile); });
  logLine(tags::kScan, input.filename().string() + " 页数=" + std::to_string(count));
  return r;
}

ScannerOCR::Result processImage(TesseractPools& pools, const fs::path& input,
                                std::chrono::steady_clock::time_point started) {
  ScannerOCR::Result r;
  r.input = input;
  auto bitmap = loadImageFile(input, {kMaxScanPixels});
  if (!bitmap) return r;
  TempDir tmp;
  RecognitionOptions options;
  if (!tmp.path.empty()) options.textLayerPdf = tmp.path / "page.pdf";
  auto rec = recognise(pools, *bitmap, options);
  if (!rec.ok()) logLine(tags::kOcr, "版面识别失败 " + rec.error().message, LogLevel::warning);
  r.pages = 1;
  r.text = rec.ok() ? joinedText(rec.value()) : std::string();
  r.recognised = !r.text.empty();
  fs::path textFile = ScannerOCR::textOutputPath(input);
  if (writeTextFile(textFile, r.text)) r.outputText = textFile;
  fs::path pdfFile = ScannerOCR::pdfOutputPath(input);
  std::error_code ec;
  fs::path layer = rec.ok() && fs::exists(options.textLayerPdf, ec) ? options.textLayerPdf : fs::path();
  r.outputPDF = writePdf(pdfFile, [&] { return writeImageSearchablePdf(*bitmap, layer, pdfFile); });
  char secs[32];
  std::snprintf(secs, sizeof secs, "%.1f", std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  logLine(tags::kScan, input.filename().string() + " 用时=" + secs + "s");
  return r;
}

Task<void> runFiles(ScannerOCR::Services services, std::vector<fs::path> files,
                    std::function<void(const std::vector<ScannerOCR::Result>&)> finished) {
  auto state = std::make_shared<ScannerOCR::ProgressState>(static_cast<int>(files.size()));
  std::function<void()> closeWindow;
  if (services.windows) closeWindow = services.windows->open(state);
  std::vector<ScannerOCR::Result> results;
  for (std::size_t i = 0; i < files.size(); ++i) {
    state->moveTo(static_cast<int>(i), files[i].filename().string());
    auto work = onWorker(services.workers,
                         [&pools = services.pools, file = files[i]] { return ScannerOCR::processFile(pools, file); });
    ScannerOCR::Result r = co_await work;
    results.push_back(std::move(r));
  }
  state->moveTo(static_cast<int>(files.size()));
  if (closeWindow) closeWindow();
  auto summary = ScannerOCR::summarize(results);
  auto asking = ask(services.dialogs, summary.message, summary.informative, {"在文件管理器中显示", "好"});
  int button = co_await asking;
  if (button == 0 && summary.revealTarget) services.desktop.revealFile(*summary.revealTarget);
  if (finished) finished(results);
}
}  // namespace

void ScannerOCR::pickAndRun() {
  FilePanels::OpenQuestion q;
  q.title = "选择扫描件（PDF / 图片）";
  q.multiple = true;
  q.filters.push_back({"扫描件（PDF / 图片）",
                       {"application/pdf", "image/png", "image/jpeg", "image/tiff", "image/heic", "image/bmp", "image/gif"},
                       {"pdf", "png", "jpg", "jpeg", "tif", "tiff", "heic", "bmp", "gif"}});
  services_.panels.askOpenFiles(q, scope_.guard([this](std::vector<fs::path> files) {
    if (!files.empty()) run(std::move(files));
  }));
}

void ScannerOCR::run(std::vector<fs::path> files, std::function<void(const std::vector<Result>&)> finished) {
  if (files.empty()) return;
  spawn(runFiles(services_, std::move(files), std::move(finished)));
}

ScannerOCR::Result ScannerOCR::processFile(TesseractPools& pools, const fs::path& input) {
  auto started = std::chrono::steady_clock::now();
  if (lower(input.extension().string()) == ".pdf") return processPDF(pools, input);
  return processImage(pools, input, started);
}

fs::path ScannerOCR::textOutputPath(const fs::path& input) {
  return input.parent_path() / (input.stem().string() + "-文字.txt");
}

fs::path ScannerOCR::pdfOutputPath(const fs::path& input) {
  return input.parent_path() / (input.stem().string() + ".可搜索.pdf");
}

std::string ScannerOCR::pdfTextContent(const std::vector<std::optional<std::string>>& pageTexts) {
  std::string out;
  bool first = true;
  for (std::size_t i = 0; i < pageTexts.size(); ++i) {
    if (!pageTexts[i]) continue;
    if (!first) out += "\n";
    first = false;
    out += "\n===== 第 " + std::to_string(i + 1) + " 页 =====\n" + *pageTexts[i];
  }
  return out;
}

ScannerOCR::Summary ScannerOCR::summarize(const std::vector<Result>& results) {
  std::vector<const Result*> ok, failed;
  for (const auto& r : results) (r.recognised ? ok : failed).push_back(&r);
  Summary s;
  s.message = "识别完成：" + std::to_string(ok.size()) + " 个文件";
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < ok.size() && i < 6; ++i)
    lines.push_back("· " + ok[i]->input.filename().string() + " — " + std::to_string(ok[i]->pages) + " 页 / " +
                    std::to_string(WaybillText::characterCount(ok[i]->text)) + " 字");
  if (ok.size() > 6) lines.push_back("… 还有 " + std::to_string(ok.size() - 6) + " 个");
  if (!failed.empty()) {
    lines.push_back("");
    lines.push_back("失败（可能是纯图片无文字）：" + std::to_string(failed.size()) + " 个");
  }
  lines.push_back("");
  lines.push_back("输出：同名「可搜索.pdf」+「-文字.txt」，都在原文件旁边");
  for (std::size_t i = 0; i < lines.size(); ++i) s.informative += (i ? "\n" : "") + lines[i];
  if (!ok.empty()) s.revealTarget = ok.front()->input;
  return s;
}

}  // namespace quorvel
