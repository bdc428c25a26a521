#pragma once
// A PDF read through poppler: its pages' sizes and renders on white. One document is
// not safe for concurrent use; callers serialise renders.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/ocr/Bitmap.h"

typedef struct _PopplerDocument PopplerDocument;

namespace quorvel {

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

 private:
  explicit PdfDocument(PopplerDocument* doc) : doc_(doc) {}
  PopplerDocument* doc_;
};

}  // namespace quorvel
