#include "platform/ocr/TextRecognizer.h"

#include <glib.h>
#include <tesseract/baseapi.h>
#include <tesseract/renderer.h>
#include <tesseract/resultiterator.h>

#include <memory>

#include "platform/ocr/Pix.h"
#include "platform/ocr/TesseractPool.h"

extern "C" void omp_set_max_active_levels(int);

namespace quorvel {

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

std::string tidyRecognisedLine(const std::string& raw) {
  if (!g_utf8_validate(raw.c_str(), static_cast<gssize>(raw.size()), nullptr)) return {};
  auto end = raw.find_last_not_of(" \t\r\n\f");
  return end == std::string::npos ? std::string() : raw.substr(0, end + 1);
}

Recognition recognise(const Bitmap& bitmap, const RecognitionOptions& options) {
  return recognise(TesseractPool::shared(options.languages.empty() ? TesseractPool::kSimplified : options.languages),
                   bitmap, options);
}

Recognition recognise(TesseractPool& pool, const Bitmap& bitmap, const RecognitionOptions& options) {
  Recognition result;
  if (bitmap.empty()) {
    result.error = "空图像";
    return result;
  }
  PixPtr pix = pixFromBitmap(bitmap);
  if (!pix) {
    result.error = "图像内存不足";
    return result;
  }
  auto lease = pool.checkout();
  if (!lease) {
    result.error = "识别引擎不可用";
    return result;
  }
  // OpenMP inside one recognition makes it several times slower as soon as two run
  // at once (the pool gives the parallelism). libgomp reads OMP_THREAD_LIMIT when it
  // is loaded, before main() runs, and the limit set here holds per thread.
  omp_set_max_active_levels(0);
  tesseract::TessBaseAPI* api = lease.api();
  ApiRelease release{api};
  api->SetPageSegMode(tesseract::PSM_AUTO);
  api->SetImage(pix.get());
  api->SetSourceResolution(options.dpi > 0 ? options.dpi : 300);
  if (api->Recognize(nullptr) != 0) {
    result.error = "引擎未能读取图像";
    return result;
  }
  result.ok = true;
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
      result.lines.push_back(std::move(line));
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
  return result;
}

}  // namespace quorvel
