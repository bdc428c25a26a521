#pragma once
// A PDF read through poppler (in the engines module): its pages' sizes, renders on
// white and drawing onto a cairo context. One document is not safe for concurrent use;
// callers serialise renders.
#include <cairo.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/ocr/Bitmap.h"

namespace quorvel {
namespace engines {
struct EngineApi;
}

struct PageSize {
  double width = 595;
  double height = 842;
};

class PdfDocument {
 public:
  // Nothing when the file is no readable PDF (or needs a password).
  static std::unique_ptr<PdfDocument> open(const std::filesystem::path& file);
  // The same for any address GIO reads (a mounted share's "dav://…").
  static std::unique_ptr<PdfDocument> openURI(const std::string& uri);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  int pageCount() const;
  // In points; nothing when the page cannot be got.
  std::optional<PageSize> pageSize(int index) const;
  // The page at `scale` pixels per point on an opaque white ground; nothing when the
  // page is missing, empty or too large to allocate.
  std::optional<Bitmap> render(int index, double scale) const;
  // Draws the page at the context's current scale (points), without a background;
  // false when the page cannot be got.
  bool draw(int index, cairo_t* cr) const;

 private:
  PdfDocument(const engines::EngineApi* api, void* doc) : api_(api), doc_(doc) {}
  const engines::EngineApi* api_;
  void* doc_;
};

}  // namespace quorvel
