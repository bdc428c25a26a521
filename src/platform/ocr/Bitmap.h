#pragma once
// A page or photo as recognition and PDF writing take it: packed 8-bit RGB rows,
// transparency already laid on white.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * 3 bytes per row, top row first

  bool empty() const { return width <= 0 || height <= 0; }
  std::uint8_t* row(int y) { return rgb.data() + static_cast<std::size_t>(y) * width * 3; }
  const std::uint8_t* row(int y) const { return rgb.data() + static_cast<std::size_t>(y) * width * 3; }
};

// Limits on what is decoded at all: a photo beyond them is refused before its pixels
// are allocated.
struct ImageLimits {
  std::uint64_t maxPixels = 50'000'000;
};

// Decodes encoded image bytes (PNG, JPEG, TIFF, BMP, GIF…), turned upright by its
// EXIF orientation. Nothing when the bytes are no readable image or exceed the limits.
std::optional<Bitmap> decodeImage(const std::string& bytes, ImageLimits limits = {});
std::optional<Bitmap> loadImageFile(const std::filesystem::path& file, ImageLimits limits = {});

// The bitmap of a cairo ARGB32 surface's pixels (premultiplied, opaque after a white fill).
Bitmap bitmapFromArgb32(const unsigned char* data, int width, int height, int stride);

}  // namespace quorvel
