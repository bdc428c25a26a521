// Recognition figures on this machine: engine warm-up, one A4 page at 300 dpi, and a
// 10-page scanned PDF with the engine pool at 1 and at 4 engines. Prints JSON lines.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <chrono>

#include "ScanSamples.h"
#include "features/recognition/OcrEngine.h"
#include "features/recognition/ScannerOCR.h"
#include "platform/ocr/TesseractPool.h"
#include "platform/ocr/TextRecognizer.h"

using namespace quorvel;
namespace fs = std::filesystem;

namespace {
double since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// A dense page of a judgment: numbered paragraphs of plain legal prose.
std::vector<std::string> judgmentLines(int count, int page) {
  const char* sentences[] = {
      "原告张明与被告北京某科技有限公司买卖合同纠纷一案，本院于2026年1月8日立案后，",
      "依法适用普通程序，公开开庭进行了审理。原告委托诉讼代理人李华到庭参加诉讼。",
      "案号：（2026）京0105民初12345号，原告向本院提出诉讼请求：判令被告支付货款",
      "人民币128000元及逾期付款利息。事实和理由：双方于2025年3月签订买卖合同。",
      "被告辩称，原告交付的货物存在质量问题，不同意支付剩余货款，请求驳回诉请。",
      "本院经审理认定事实如下：2025年3月12日，原告与被告签订《设备采购合同》。"};
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back(std::to_string(page * 100 + i + 1) + ". " + sentences[i % 6]);
  return lines;
}

Bitmap a4At(int dpi, const std::vector<std::string>& lines) {
  int w = 595 * dpi / 72, h = 842 * dpi / 72;
  cairo_surface_t* s = test::drawTextPage(lines, w, h, 10.5 * dpi / 72, 60.0 * dpi / 72);
  Bitmap b = bitmapFromArgb32(cairo_image_surface_get_data(s), w, h, cairo_image_surface_get_stride(s));
  cairo_surface_destroy(s);
  return b;
}
}  // namespace

int main(int argc, char** argv) {
  // "--pdf-only": only the 10-page scan (comparing pool sizes).
  bool pdfOnly = argc > 1 && std::string(argv[1]) == "--pdf-only";
  TesseractPools pools;
  auto& pool = pools.pool();
  Bitmap sample = a4At(72, {"EA123456789CN"});
  auto t = std::chrono::steady_clock::now();
  (void)pool.warmUp();
  double init = since(t);
  t = std::chrono::steady_clock::now();
  (void)OcrEngine::text(pools, sample);
  double firstSmall = since(t);
  std::printf("{\"warmup_engine_init_s\": %.2f, \"warmup_small_image_s\": %.2f}\n", init, firstSmall);

  for (int dpi : {300, 144}) {
    if (pdfOnly) break;
    Bitmap page = a4At(dpi, judgmentLines(34, 0));
    t = std::chrono::steady_clock::now();
    auto r = recognise(pools, page);
    double secs = since(t);
    const std::vector<RecognisedLine> none;
    const auto& lines = r.ok() ? r.value() : none;
    std::size_t chars = 0;
    for (auto& l : lines) chars += l.text.size();
    std::printf("{\"a4_dpi\": %d, \"pixels\": \"%dx%d\", \"seconds\": %.2f, \"lines\": %zu, \"utf8_bytes\": %zu}\n", dpi,
                page.width, page.height, secs, lines.size(), chars);
  }

  fs::path dir = fs::temp_directory_path() / ("quorvel-bench-ocr-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::vector<std::vector<std::string>> pages;
  for (int p = 0; p < 10; ++p) pages.push_back(judgmentLines(34, p));
  fs::path pdf = dir / "ten-pages.pdf";
  test::writeScannedPdf(pdf, pages, 150);
  for (unsigned engines : {1u, 4u}) {
    pool.setCapacity(engines);
    t = std::chrono::steady_clock::now();
    auto r = ScannerOCR::processFile(pools, pdf);
    double secs = since(t);
    std::printf("{\"pdf_pages\": %d, \"engines\": %u, \"seconds\": %.2f, \"per_page_s\": %.2f, \"recognised\": %s}\n",
                r.pages, engines, secs, secs / std::max(1, r.pages), r.recognised ? "true" : "false");
  }
  fs::remove_all(dir);
  std::printf("{\"cores\": %u}\n", std::thread::hardware_concurrency());
  return 0;
}
