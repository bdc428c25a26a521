// Inside the engines module: PDF documents through poppler.
#include "platform/engines/PopplerDocument.h"

#include <poppler.h>

namespace quorvel::engines {

void* openPdf(const std::string& uri) {
  GFile* file = g_file_new_for_uri(uri.c_str());
  GError* err = nullptr;
  PopplerDocument* doc = poppler_document_new_from_gfile(file, nullptr, nullptr, &err);
  g_object_unref(file);
  g_clear_error(&err);
  return doc;
}

void closePdf(void* doc) {
  if (doc) g_object_unref(POPPLER_DOCUMENT(doc));
}

int pageCount(void* doc) { return poppler_document_get_n_pages(POPPLER_DOCUMENT(doc)); }

bool pageSize(void* doc, int index, double* width, double* height) {
  PopplerPage* page = poppler_document_get_page(POPPLER_DOCUMENT(doc), index);
  if (!page) return false;
  poppler_page_get_size(page, width, height);
  g_object_unref(page);
  return true;
}

bool drawPage(void* doc, int index, cairo_t* cr) {
  PopplerPage* page = poppler_document_get_page(POPPLER_DOCUMENT(doc), index);
  if (!page) return false;
  poppler_page_render(page, cr);
  g_object_unref(page);
  return true;
}

std::optional<Bitmap> renderPage(void* doc, int index, double scale) {
  PopplerPage* page = poppler_document_get_page(POPPLER_DOCUMENT(doc), index);
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

}  // namespace quorvel::engines
