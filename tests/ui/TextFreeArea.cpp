#include "TextFreeArea.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "WidgetFind.h"

namespace quorvel::test {
TextFreeArea::TextFreeArea(Gtk::Widget& rendered, int margin) : rendered_(rendered) {
  GtkWidget* target = GTK_WIDGET(rendered.gobj());
  graphene_rect_t self;
  if (!gtk_widget_compute_bounds(target, target, &self)) return;
  forEachWidget(rendered, [&](Gtk::Widget& widget) {
    GtkWidget* w = GTK_WIDGET(widget.gobj());
    if (!gtk_widget_get_mapped(w)) return;
    if (GTK_IS_LABEL(w)) {
      PangoLayout* layout = gtk_label_get_layout(GTK_LABEL(w));
      if (!layout || pango_layout_get_character_count(layout) == 0) return;
      int ox = 0, oy = 0;
      gtk_label_get_layout_offsets(GTK_LABEL(w), &ox, &oy);
      PangoRectangle ink;
      pango_layout_get_pixel_extents(layout, &ink, nullptr);
      const graphene_point_t from[2] = {{static_cast<float>(ox + ink.x), static_cast<float>(oy + ink.y)},
                                        {static_cast<float>(ox + ink.x + ink.width),
                                         static_cast<float>(oy + ink.y + ink.height)}};
      graphene_point_t to[2];
      for (int i = 0; i < 2; ++i)
        if (!gtk_widget_compute_point(w, target, &from[i], &to[i])) return;
      text_.push_back({std::min(to[0].x, to[1].x) - self.origin.x - margin,
                       std::min(to[0].y, to[1].y) - self.origin.y - margin,
                       std::max(to[0].x, to[1].x) - self.origin.x + margin,
                       std::max(to[0].y, to[1].y) - self.origin.y + margin});
    } else if (GTK_IS_TEXT(w) || GTK_IS_TEXT_VIEW(w) || GTK_IS_INSCRIPTION(w)) {
      // No public layout to ask: the whole box may show text.
      if (auto box = boxOf(w)) text_.push_back(*box);
    }
  });
}

std::optional<TextFreeArea::Box> TextFreeArea::boxOf(GtkWidget* w) const {
  GtkWidget* target = GTK_WIDGET(rendered_.gobj());
  graphene_rect_t self, r;
  if (!gtk_widget_compute_bounds(target, target, &self) || !gtk_widget_compute_bounds(w, target, &r))
    return std::nullopt;
  const double x0 = r.origin.x - self.origin.x, y0 = r.origin.y - self.origin.y;
  return Box{x0, y0, x0 + r.size.width, y0 + r.size.height};
}

bool TextFreeArea::contains(int x, int y) const {
  // The pixel's square [x, x+1) x [y, y+1) must not touch any text box.
  for (const Box& b : text_)
    if (x + 1 > b.x0 && x < b.x1 && y + 1 > b.y0 && y < b.y1) return false;
  return true;
}

std::optional<PixelPoint> TextFreeArea::pointIn(Gtk::Widget& inner, int inset) const {
  auto box = boxOf(GTK_WIDGET(inner.gobj()));
  if (!box) return std::nullopt;
  const int y = static_cast<int>(std::floor((box->y0 + box->y1) / 2));
  for (int x = static_cast<int>(std::ceil(box->x0)) + inset; x + inset < box->x1; ++x)
    if (contains(x, y)) return PixelPoint{x, y};
  return std::nullopt;
}

long TextFreeArea::countDifferent(const RenderedPixels& a, const RenderedPixels& b) const {
  if (a.width != b.width || a.height != b.height) return -1;
  long n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      if (a.at(x, y) != b.at(x, y) && contains(x, y)) ++n;
  return n;
}

long TextFreeArea::pixelCount(int width, int height) const {
  long n = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) n += contains(x, y);
  return n;
}

}  // namespace quorvel::test
