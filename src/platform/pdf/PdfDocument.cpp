#include "platform/pdf/PdfDocument.h"

#include <cairo.h>
#include <poppler.h>

#include <cmath>

namespace quorvel {

std::unique_ptr<PdfDocument> PdfDocument::open(const std::filesystem::path& file) {
  GError* err = nullptr;
  gchar* uri = g_filename_to_uri(std::filesystem::absolute(file).c_str(), nullptr, &err);
  if (!uri) {
    g_clear_error(&err);
    return nullptr;
  }
  PopplerDocument* doc = poppler_document_new_from_file(uri, nullptr, &err);
  g_free(uri);
  g_clear_error(&err);
  if (!doc) return nullptr;
  return std::unique_ptr<PdfDocument>(new PdfDocument(doc));
}

std::unique_ptr<PdfDocument> PdfDocument::openURI(const std::string& uri) {
  GFile* file = g_file_new_for_uri(uri.c_str());
  GError* err = nullptr;
  PopplerDocument* doc = poppler_document_new_from_gfile(file, nullptr, nullptr, &err);
  g_object_unref(file);
  g_clear_error(&err);
  if (!doc) return nullptr;
  return std::unique_ptr<PdfDocument>(new PdfDocument(doc));
}

PdfDocument::~PdfDocument() { g_object_unref(doc_); }

int PdfDocument::pageCount() const { return poppler_document_get_n_pages(doc_); }

std::optional<PageSize> PdfDocument::pageSize(int index) const {
  PopplerPage* page = poppler_document_get_page(doc_, index);
  if (!page) return std::nullopt;
  PageSize size;
  poppler_page_get_size(page, &size.width, &size.height);
  g_object_unref(page);
  return size;
}

std::optional<Bitmap> PdfDocument::render(int index, double scale) const {
  PopplerPage* page = poppler_document_get_page(doc_, index);
  if (!page) return std::nullopt;
  double w = 0, h = 0;
  poppler_page_get_size(page, &w, &h);
  int pw = static_cast<int>(w * scale), ph = static_cast<int>(h * scale);
  // Beyond ~100 MP a page is no scan worth reading and would exhaust memory.
  if (pw <= 0 || ph <= 0 || static_cast<double>(pw) * ph > 100e6) {
    g_object_unref(page);
    return std::nullopt;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
  std::optional<Bitmap> out;
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    cairo_t* cr = cairo_create(surface);
    // The white page first: poppler paints only what the page draws.
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, scale, scale);
    poppler_page_render(page, cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    out = bitmapFromArgb32(cairo_image_surface_get_data(surface), pw, ph, cairo_image_surface_get_stride(surface));
  }
  cairo_surface_destroy(surface);
  g_object_unref(page);
  return out;
}

}  // namespace quorvel
