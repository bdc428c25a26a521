#include "features/recognition/OcrEngine.h"

#include <cairo.h>
#include <glib.h>
#include <pango/pangocairo.h>

#include <chrono>
#include <cstdio>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/WorkerPool.h"

namespace quorvel::OcrEngine {
namespace {
nlohmann::json result(const WaybillText::Fields& f) {
  return nlohmann::json{{"tracking_no", f.trackingNo}, {"courier", f.courier}, {"sender", f.sender},
                        {"recipient", f.recipient},    {"remark", f.remark},   {"status", f.status},
                        {"msg", f.msg}};
}

nlohmann::json unreadable() {
  WaybillText::Fields f;
  f.status = "red";
  f.msg = "图片解析失败";
  return result(f);
}

bool isBase64(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '=';
}

std::optional<std::string> base64Payload(const std::string& url) {
  if (url.size() > kMaxDataURLBytes) return std::nullopt;
  auto comma = url.rfind(',');
  std::string payload;
  payload.reserve(url.size());
  for (std::size_t i = comma == std::string::npos ? 0 : comma + 1; i < url.size(); ++i)
    if (isBase64(url[i])) payload += url[i];
  if (payload.empty()) return std::nullopt;
  gsize len = 0;
  guchar* raw = g_base64_decode(payload.c_str(), &len);
  std::string bytes = raw ? std::string(reinterpret_cast<const char*>(raw), len) : std::string();
  g_free(raw);
  if (bytes.empty()) return std::nullopt;
  return bytes;
}


// The warm-up sample: a short postal-form number on white, as a waybill would show it.
Bitmap sampleImage() {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 80);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Sans 18px");
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, "EA123456789", -1);
  cairo_move_to(cr, 6, 24);
  pango_cairo_show_layout(cr, layout);
  pango_font_description_free(font);
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  Bitmap b = bitmapFromArgb32(cairo_image_surface_get_data(s), 160, 80, cairo_image_surface_get_stride(s));
  cairo_surface_destroy(s);
  return b;
}
}  // namespace

void warmUp(TesseractPools& pools, WorkerPool& workers) {
  workers.submit([&pools] {
    Bitmap sample = sampleImage();
    auto start = std::chrono::steady_clock::now();
    (void)text(pools, sample);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", secs);
    logLine(tags::kOcr, std::string("预热完成，耗时 ") + buf + " 秒");
  });
}

std::optional<std::string> decodeImageDataURL(const std::string& url) {
  auto bytes = base64Payload(url);
  if (!bytes || !decodeImage(*bytes, {kMaxImagePixels})) return std::nullopt;
  return bytes;
}

std::optional<Bitmap> image(const std::string& url) {
  auto bytes = base64Payload(url);
  if (!bytes) return std::nullopt;
  return decodeImage(*bytes, {kMaxImagePixels});
}

std::string text(TesseractPools& pools, const Bitmap& image, const std::string& languages) {
  RecognitionOptions options;
  options.languages = languages;
  auto r = recognise(pools, image, options);
  if (!r.ok()) {
    logLine(tags::kOcr, "识别失败 " + r.error().message, LogLevel::warning);
    return {};
  }
  return joinedText(r.value());
}

std::vector<RecognisedLine> lines(TesseractPools& pools, const Bitmap& image) {
  auto r = recognise(pools, image);
  if (!r.ok()) {
    logLine(tags::kOcr, "版面识别失败 " + r.error().message, LogLevel::warning);
    return {};
  }
  return std::move(r).value();
}

std::string textFromImageFile(TesseractPools& pools, const std::string& path) {
  return textFromImageFile(pools, path, {});
}

std::string textFromImageFile(TesseractPools& pools, const std::string& path, const std::string& languages) {
  auto bitmap = loadImageFile(path, {kMaxImagePixels});
  if (!bitmap) {
    logLine(tags::kOcr, "无法读取图片 " + path, LogLevel::warning);
    return {};
  }
  return text(pools, *bitmap, languages);
}

nlohmann::json analyze(TesseractPools& pools, const std::string& imageDataURL) {
  auto bitmap = image(imageDataURL);
  if (!bitmap) return unreadable();
  auto fields = WaybillText::analyse(text(pools, *bitmap));
  logLine(tags::kOcr, "单号=" + fields.trackingNo + " 快递=" + fields.courier + " 状态=" + fields.status);
  return result(fields);
}

}  // namespace quorvel::OcrEngine
