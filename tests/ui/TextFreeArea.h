// Where a rendered widget shows no text. Glyph shapes and metrics change with the fonts
// a machine has, so pixel tests read colours only outside every text's ink, as laid
// out at render time.
#pragma once

#include <gtkmm/widget.h>

#include <optional>
#include <vector>

#include "ui/components/WidgetRender.h"

namespace quorvel::test {

struct PixelPoint {
  int x = 0, y = 0;
};

class TextFreeArea {
 public:
  // `rendered` is the widget given to WidgetRenderHost::render: pixel (0, 0) is the
  // top-left corner of its border box. Every label's ink rectangle, grown by `margin`
  // for antialiasing, is text; so is the whole box of any other text widget.
  explicit TextFreeArea(Gtk::Widget& rendered, int margin = 2);

  bool contains(int x, int y) const;
  // A pixel inside `inner`'s border box (on its middle row, at least `inset` from its
  // edges, nearest its leading edge) that no text covers.
  std::optional<PixelPoint> pointIn(Gtk::Widget& inner, int inset = 2) const;
  // Pixels outside all text that differ between two renders of the same widget (-1
  // when the sizes differ), and how many such pixels there are in an image.
  long countDifferent(const RenderedPixels& a, const RenderedPixels& b) const;
  long pixelCount(int width, int height) const;

 private:
  struct Box {
    double x0, y0, x1, y1;
  };
  std::optional<Box> boxOf(GtkWidget* w) const;

  Gtk::Widget& rendered_;
  std::vector<Box> text_;
};

}  // namespace quorvel::test
