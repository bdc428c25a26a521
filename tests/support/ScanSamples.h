#pragma once
// Pictures of printed documents for the recognition tests, drawn with the installed
// CJK fonts: a page of text lines as PNG, and "scanned" PDFs whose pages are images.
#include <cairo-pdf.h>
#include <cairo.h>
#include <glib.h>
#include <pango/pangocairo.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::test {

// Text lines on white, black, in `family` (a face of fonts-noto-cjk) at `px` pixels,
// 1.8 lines apart.
inline cairo_surface_t* drawTextPage(const std::vector<std::string>& lines, int width, int height, double px = 28,
                                     double margin = 40, const char* family = "Noto Sans CJK SC") {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string(family);
  pango_font_description_set_absolute_size(font, px * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  double y = margin;
  for (const auto& line : lines) {
    pango_layout_set_text(layout, line.c_str(), -1);
    cairo_move_to(cr, margin, y);
    pango_cairo_show_layout(cr, layout);
    y += px * 1.8;
  }
  pango_font_description_free(font);
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  return s;
}

inline std::string pngBytes(cairo_surface_t* s) {
  std::string out;
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* data, unsigned int len) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), len);
        return CAIRO_STATUS_SUCCESS;
      },
      &out);
  return out;
}

inline std::string pngDataURL(const std::string& png) {
  gchar* b64 = g_base64_encode(reinterpret_cast<const guchar*>(png.data()), png.size());
  std::string url = std::string("data:image/png;base64,") + b64;
  g_free(b64);
  return url;
}

inline std::string textPagePng(const std::vector<std::string>& lines, int width, int height, double px = 28,
                               const char* family = "Noto Sans CJK SC") {
  cairo_surface_t* s = drawTextPage(lines, width, height, px, 40, family);
  std::string png = pngBytes(s);
  cairo_surface_destroy(s);
  return png;
}

// A scanned A4 PDF: each page an image of its lines at `dpi`, placed over the page.
inline void writeScannedPdf(const std::filesystem::path& file, const std::vector<std::vector<std::string>>& pages,
                            int dpi = 150) {
  const double w = 595, h = 842;
  int pw = static_cast<int>(w * dpi / 72), ph = static_cast<int>(h * dpi / 72);
  cairo_surface_t* pdf = cairo_pdf_surface_create(file.c_str(), w, h);
  cairo_t* cr = cairo_create(pdf);
  for (const auto& lines : pages) {
    cairo_surface_t* img = drawTextPage(lines, pw, ph, 12.0 * dpi / 72, 60.0 * dpi / 72);
    cairo_save(cr);
    cairo_scale(cr, 72.0 / dpi, 72.0 / dpi);
    cairo_set_source_surface(cr, img, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(img);
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(pdf);
}

// Text without any white space, for whitespace-tolerant comparisons.
inline std::string withoutSpaces(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ' && c != '\n' && c != '\t' && c != '\r' && c != '\f') out += c;
  return out;
}

}  // namespace quorvel::test
