#include "platform/pdf/PdfDocument.h"

#include <glib.h>

#include "platform/ocr/EngineModule.h"

namespace quorvel {

std::unique_ptr<PdfDocument> PdfDocument::open(const std::filesystem::path& file) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(file, ec);
  if (ec) return nullptr;
  gchar* uri = g_filename_to_uri(absolute.c_str(), nullptr, nullptr);
  if (!uri) return nullptr;
  auto doc = openURI(uri);
  g_free(uri);
  return doc;
}

std::unique_ptr<PdfDocument> PdfDocument::openURI(const std::string& uri) {
  const auto* api = engineApi();
  void* doc = api ? api->openPdf(uri) : nullptr;
  if (!doc) return nullptr;
  return std::unique_ptr<PdfDocument>(new PdfDocument(api, doc));
}

PdfDocument::~PdfDocument() { api_->closePdf(doc_); }

int PdfDocument::pageCount() const { return api_->pageCount(doc_); }

std::optional<PageSize> PdfDocument::pageSize(int index) const {
  PageSize size;
  if (!api_->pageSize(doc_, index, &size.width, &size.height)) return std::nullopt;
  return size;
}

std::optional<Bitmap> PdfDocument::render(int index, double scale) const { return api_->renderPage(doc_, index, scale); }

bool PdfDocument::draw(int index, cairo_t* cr) const { return api_->drawPage(doc_, index, cr); }

}  // namespace quorvel
