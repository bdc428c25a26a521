#include "ui/model/TrayIcon.h"

#include "core/BadgeCounts.h"

#include <algorithm>
#include <cmath>

#include "core/LawIcons.h"
#include "core/Theme.h"

namespace quorvel {

std::string trayBadgeText(long long overdue) {
  if (overdue < 1) return {};
  return countText(overdue, 99);  // the icon has room for two digits
}

namespace {

void drawBadge(cairo_t* cr, double size, const std::string& text) {
  const double h = std::round(size * 0.46);
  const double fontSize = h * 0.78;
  cairo_save(cr);
  cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, fontSize);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text.c_str(), &ext);
  const double w = std::min(size, std::max(h, std::ceil(ext.x_advance + h * 0.5)));
  const double x = size - w, y = 0;
  // A thin light ring parts the badge from the glyph under it.
  const double ring = std::max(1.0, size / 22.0);
  lawSetSourceColor(cr, LawTheme::surface);
  lawAppendRoundedRect(cr, x - ring, y - ring, w + 2 * ring, h + 2 * ring, (h + 2 * ring) / 2);
  cairo_fill(cr);
  lawSetSourceColor(cr, LawTheme::danger);
  lawAppendRoundedRect(cr, x, y, w, h, h / 2);
  cairo_fill(cr);
  // Wider than the badge ("99+" at the smallest size): squeeze the text to fit.
  const double room = w - h * 0.3;
  const double squeeze = ext.x_advance > room ? room / ext.x_advance : 1.0;
  cairo_font_extents_t fext;
  cairo_font_extents(cr, &fext);
  lawSetSourceColor(cr, LawTheme::surface);
  cairo_translate(cr, x + w / 2, y + h / 2);
  cairo_scale(cr, squeeze, 1.0);
  cairo_move_to(cr, -ext.x_advance / 2, (fext.ascent - fext.descent) / 2);
  cairo_show_text(cr, text.c_str());
  cairo_restore(cr);
}

}  // namespace

void drawTrayIcon(cairo_t* cr, double size, long long overdue) {
  if (size <= 0) return;
  const std::string text = trayBadgeText(overdue);
  cairo_save(cr);
  // With a badge the glyph steps down to the lower left, so the badge covers little of it.
  const double glyph = text.empty() ? size : std::round(size * 0.84);
  cairo_translate(cr, 0, size - glyph);
  // The halo: the glyph stamped around its outline in white, then the ink on top.
  const double r = std::max(1.0, size / 24.0);
  const LawColor halo = LawTheme::surface.opacity(0.9);
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    cairo_save(cr);
    cairo_translate(cr, r * std::cos(a), r * std::sin(a));
    MenuBarScaleImage::draw(cr, glyph, glyph, halo);
    cairo_restore(cr);
  }
  MenuBarScaleImage::draw(cr, glyph, glyph, LawTheme::ink);
  cairo_restore(cr);
  if (!text.empty()) drawBadge(cr, size, text);
}

StatusNotifierPixmap pixmapFromSurface(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  StatusNotifierPixmap out;
  out.width = cairo_image_surface_get_width(surface);
  out.height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  out.argb.reserve(static_cast<size_t>(out.width) * out.height * 4);
  for (int y = 0; y < out.height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < out.width; ++x) {
      const uint32_t p = row[x];
      const unsigned a = p >> 24;
      auto straight = [a](unsigned c) { return a ? static_cast<uint8_t>(std::min(255u, (c * 255 + a / 2) / a)) : 0; };
      out.argb.push_back(static_cast<uint8_t>(a));
      out.argb.push_back(straight((p >> 16) & 0xff));
      out.argb.push_back(straight((p >> 8) & 0xff));
      out.argb.push_back(straight(p & 0xff));
    }
  }
  return out;
}

StatusNotifierPixmap trayIconPixmap(int size, long long overdue) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  drawTrayIcon(cr, size, overdue);
  cairo_destroy(cr);
  StatusNotifierPixmap out = pixmapFromSurface(surface);
  cairo_surface_destroy(surface);
  return out;
}

std::vector<StatusNotifierPixmap> trayIconPixmaps(long long overdue) {
  std::vector<StatusNotifierPixmap> out;
  for (int size : kTrayIconSizes) out.push_back(trayIconPixmap(size, overdue));
  return out;
}

}  // namespace quorvel
