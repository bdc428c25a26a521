#include "platform/ocr/Bitmap.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <fstream>
#include <iterator>

namespace quorvel {
namespace {
struct LoaderState {
  ImageLimits limits;
  bool tooLarge = false;
};

Bitmap fromPixbuf(GdkPixbuf* pixbuf) {
  Bitmap b;
  b.width = gdk_pixbuf_get_width(pixbuf);
  b.height = gdk_pixbuf_get_height(pixbuf);
  int channels = gdk_pixbuf_get_n_channels(pixbuf);
  bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* px = gdk_pixbuf_read_pixels(pixbuf);
  b.rgb.resize(static_cast<std::size_t>(b.width) * b.height * 3);
  for (int y = 0; y < b.height; ++y) {
    const guchar* src = px + static_cast<std::size_t>(y) * stride;
    std::uint8_t* dst = b.row(y);
    for (int x = 0; x < b.width; ++x, src += channels, dst += 3) {
      if (alpha) {
        // Transparent parts read as paper, not as black.
        unsigned a = src[3];
        for (int c = 0; c < 3; ++c) dst[c] = static_cast<std::uint8_t>((src[c] * a + 255 * (255 - a)) / 255);
      } else {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
      }
    }
  }
  return b;
}
}  // namespace

std::optional<Bitmap> decodeImage(const std::string& bytes, ImageLimits limits) {
  if (bytes.empty()) return std::nullopt;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  LoaderState state{limits};
  g_signal_connect(loader, "size-prepared", G_CALLBACK(+[](GdkPixbufLoader*, int w, int h, gpointer data) {
                     auto* s = static_cast<LoaderState*>(data);
                     if (w <= 0 || h <= 0 || static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) > s->limits.maxPixels)
                       s->tooLarge = true;
                   }),
                   &state);
  bool ok = true;
  // In slices, so that an oversized image stops before its pixels are decoded.
  constexpr std::size_t kSlice = 256 * 1024;
  for (std::size_t at = 0; ok && !state.tooLarge && at < bytes.size(); at += kSlice) {
    GError* err = nullptr;
    std::size_t n = std::min(kSlice, bytes.size() - at);
    ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data() + at), n, &err);
    g_clear_error(&err);
  }
  GError* err = nullptr;
  // close() must run in any case; it reports a truncated image.
  bool closed = gdk_pixbuf_loader_close(loader, &err);
  g_clear_error(&err);
  std::optional<Bitmap> out;
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
  if (ok && closed && !state.tooLarge && pixbuf) {
    GdkPixbuf* upright = gdk_pixbuf_apply_embedded_orientation(pixbuf);
    if (upright) {
      out = fromPixbuf(upright);
      g_object_unref(upright);
    }
  }
  g_object_unref(loader);
  return out;
}

std::optional<Bitmap> loadImageFile(const std::filesystem::path& file, ImageLimits limits) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  return decodeImage(bytes, limits);
}

Bitmap bitmapFromArgb32(const unsigned char* data, int width, int height, int stride) {
  Bitmap b;
  b.width = width;
  b.height = height;
  b.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    std::uint8_t* dst = b.row(y);
    for (int x = 0; x < width; ++x, dst += 3) {
      std::uint32_t p = src[x];
      dst[0] = static_cast<std::uint8_t>(p >> 16);
      dst[1] = static_cast<std::uint8_t>(p >> 8);
      dst[2] = static_cast<std::uint8_t>(p);
    }
  }
  return b;
}

}  // namespace quorvel
