#include "features/recognition/OcrEngine.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include <optional>

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel::OcrEngine {
namespace {
nlohmann::json result(const std::string& status, const std::string& msg) {
  return nlohmann::json{{"tracking_no", ""}, {"courier", ""}, {"sender", ""}, {"recipient", ""},
                        {"remark", ""},      {"status", status}, {"msg", msg}};
}

// Decoding the whole image, not only its first bytes: a cut-off photo is no image.
bool isDecodableImage(const std::string& bytes) {
  if (bytes.empty()) return false;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GError* err = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), &err);
  g_clear_error(&err);
  // close() must be called in any case; it reports a truncated image.
  bool closed = gdk_pixbuf_loader_close(loader, &err);
  g_clear_error(&err);
  ok = ok && closed && gdk_pixbuf_loader_get_pixbuf(loader) != nullptr;
  g_object_unref(loader);
  return ok;
}
}  // namespace

void warmUp() { logLine(tags::kOcr, "本机识别尚未启用，跳过预热"); }

std::optional<std::string> decodeImageDataURL(const std::string& url) {
  if (url.rfind("data:", 0) != 0) return std::nullopt;
  auto comma = url.find(',');
  if (comma == std::string::npos) return std::nullopt;
  std::string meta = url.substr(5, comma - 5);
  // Only base64 payloads carry photos; the media type is not trusted, the bytes are checked.
  if (meta.size() < 7 || meta.compare(meta.size() - 7, 7, ";base64") != 0) return std::nullopt;
  std::string payload = url.substr(comma + 1);
  for (char c : payload) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
              c == '=' || c == '\r' || c == '\n' || c == ' ';
    if (!ok) return std::nullopt;
  }
  gsize len = 0;
  guchar* raw = g_base64_decode(payload.c_str(), &len);
  std::string bytes = raw ? std::string(reinterpret_cast<const char*>(raw), len) : std::string();
  g_free(raw);
  if (!isDecodableImage(bytes)) return std::nullopt;
  return bytes;
}

nlohmann::json analyze(const std::string& imageDataURL) {
  if (!decodeImageDataURL(imageDataURL)) return result("red", "图片解析失败");
  return result("red", "本机识别尚未启用");
}

}  // namespace quorvel::OcrEngine
