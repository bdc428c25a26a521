#include "platform/engines/Recognition.h"

#include <glib.h>
#include <tesseract/baseapi.h>
#include <tesseract/renderer.h>
#include <tesseract/resultiterator.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "base/ErrorDomains.h"
#include "platform/engines/EnginePool.h"
#include "platform/engines/Pix.h"

extern "C" void omp_set_max_active_levels(int);

namespace quorvel::engines {

PixPtr pixFromBitmap(const Bitmap& b) {
  if (b.empty()) return nullptr;
  PixPtr pix(pixCreate(b.width, b.height, 32));
  if (!pix) return nullptr;
  l_uint32* data = pixGetData(pix.get());
  int wpl = pixGetWpl(pix.get());
  for (int y = 0; y < b.height; ++y) {
    const std::uint8_t* src = b.row(y);
    l_uint32* line = data + static_cast<std::size_t>(y) * wpl;
    for (int x = 0; x < b.width; ++x, src += 3) composeRGBPixel(src[0], src[1], src[2], line + x);
  }
  return pix;
}

namespace {
struct ApiRelease {
  tesseract::TessBaseAPI* api;
  ~ApiRelease() { api->Clear(); }
};
}  // namespace

namespace {
Recognition failed(int code, const char* why) { return AppError(errors::kOcr, code, why); }

Recognition recogniseWhole(EnginePool& pool, const Bitmap& bitmap, const RecognitionOptions& options) {
  if (bitmap.empty()) return failed(errors::kOcrEmptyImage, "空图像");
  PixPtr pix = pixFromBitmap(bitmap);
  if (!pix) return failed(errors::kOcrNoMemory, "图像内存不足");
  auto lease = pool.checkout();
  if (!lease) return failed(errors::kOcrNoEngine, "识别引擎不可用");
  // OpenMP inside one recognition makes it several times slower as soon as two run
  // at once (the pool gives the parallelism). libgomp reads OMP_THREAD_LIMIT when it
  // is loaded, before main() runs, and the limit set here holds per thread.
  omp_set_max_active_levels(0);
  tesseract::TessBaseAPI* api = lease.api();
  ApiRelease release{api};
  api->SetPageSegMode(tesseract::PSM_AUTO);
  api->SetImage(pix.get());
  api->SetSourceResolution(options.dpi > 0 ? options.dpi : 300);
  if (api->Recognize(nullptr) != 0) return failed(errors::kOcrUnreadable, "引擎未能读取图像");
  std::vector<RecognisedLine> lines;
  const double W = bitmap.width, H = bitmap.height;
  std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
  if (it) {
    do {
      if (it->Empty(tesseract::RIL_TEXTLINE)) continue;
      std::unique_ptr<char[]> raw(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
      if (!raw) continue;
      std::string text = tidyRecognisedLine(raw.get());
      if (text.empty()) continue;
      int l = 0, t = 0, r = 0, b = 0;
      it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b);
      RecognisedLine line;
      line.text = std::move(text);
      line.x = l / W;
      line.y = (H - b) / H;
      line.width = (r - l) / W;
      line.height = (b - t) / H;
      line.confidence = it->Confidence(tesseract::RIL_TEXTLINE);
      lines.push_back(std::move(line));
    } while (it->Next(tesseract::RIL_TEXTLINE));
  }
  if (!options.textLayerPdf.empty()) {
    // The renderer appends ".pdf" to the base it is given.
    std::string base = options.textLayerPdf.string();
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".pdf") == 0) base.resize(base.size() - 4);
    tesseract::TessPDFRenderer renderer(base.c_str(), api->GetDatapath(), /*textonly=*/true);
    bool ok = renderer.happy() && renderer.BeginDocument("") && renderer.AddImage(api) && renderer.EndDocument();
    if (!ok) {
      std::error_code ec;
      std::filesystem::remove(options.textLayerPdf, ec);
    }
  }
  return lines;
}


// Rows that hold no ink: every pixel light.
std::vector<bool> blankRows(const Bitmap& b) {
  std::vector<bool> blank(b.height, true);
  for (int y = 0; y < b.height; ++y) {
    const std::uint8_t* p = b.row(y);
    for (int x = 0; x < b.width && blank[y]; ++x, p += 3) blank[y] = (p[0] + p[1] + p[2]) > 3 * 200;
  }
  return blank;
}

// Cut rows in the middle of blank runs, as near as possible to equal band heights.
std::vector<int> bandCuts(const Bitmap& b, int bands) {
  auto blank = blankRows(b);
  std::vector<int> mids;
  for (int y = 0; y < b.height;) {
    if (!blank[y]) {
      ++y;
      continue;
    }
    int start = y;
    while (y < b.height && blank[y]) ++y;
    if (y - start >= 6 && start > 0 && y < b.height) mids.push_back((start + y) / 2);
  }
  std::vector<int> cuts = {0};
  for (int j = 1; j < bands; ++j) {
    int target = b.height * j / bands, best = -1;
    for (int m : mids)
      if (m > cuts.back() + b.height / (bands * 3) && (best < 0 || std::abs(m - target) < std::abs(best - target))) best = m;
    if (best > 0 && best < b.height - b.height / (bands * 3)) cuts.push_back(best);
  }
  cuts.push_back(b.height);
  return cuts;
}
}  // namespace

Recognition recognise(EnginePool& pool, const Bitmap& bitmap, const RecognitionOptions& options) {
  // A large page is cut at blank rows into bands that engines read at once; a text
  // layer needs the whole page in one engine.
  constexpr int kMinBandHeight = 400;
  int bands = std::min<int>(static_cast<int>(pool.capacity()), bitmap.height / kMinBandHeight);
  if (!options.textLayerPdf.empty() || bands < 2 || static_cast<long>(bitmap.width) * bitmap.height < 1'500'000)
    return recogniseWhole(pool, bitmap, options);
  auto cuts = bandCuts(bitmap, bands);
  if (cuts.size() < 3) return recogniseWhole(pool, bitmap, options);
  std::size_t n = cuts.size() - 1;
  std::vector<std::optional<Recognition>> parts(n);
  auto readBand = [&](std::size_t k) {
    Bitmap band;
    band.width = bitmap.width;
    band.height = cuts[k + 1] - cuts[k];
    band.rgb.assign(bitmap.row(cuts[k]), bitmap.row(cuts[k]) + static_cast<std::size_t>(band.height) * band.width * 3);
    parts[k] = recogniseWhole(pool, band, options);
  };
  std::vector<std::thread> helpers;
  for (std::size_t k = 1; k < n; ++k) helpers.emplace_back(readBand, k);
  readBand(0);
  for (auto& t : helpers) t.join();
  std::vector<RecognisedLine> lines;
  const double H = bitmap.height;
  for (std::size_t k = 0; k < n; ++k) {
    if (!parts[k]->ok()) return parts[k]->error();
    // From the band's lower-left origin to the page's.
    double bandH = cuts[k + 1] - cuts[k], below = H - cuts[k + 1];
    for (auto& l : parts[k]->value()) {
      l.y = (l.y * bandH + below) / H;
      l.height = l.height * bandH / H;
      lines.push_back(std::move(l));
    }
  }
  return lines;
}


}  // namespace quorvel::engines
