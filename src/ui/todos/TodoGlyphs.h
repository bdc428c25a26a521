#pragma once
// Small line glyphs of the to-do sheet, the menu-bar panel, the quick-archive window
// and the command palette that the drawn icon set lacks (refresh arrow, clear mark,
// person, folder, seal, chevron, power, check circle, new tab…). Drawn in the widget's
// CSS colour, so hover rules recolour them.
#include <gtkmm/drawingarea.h>

#include <string>

namespace quorvel {

class TodoGlyph : public Gtk::DrawingArea {
 public:
  enum class Shape {
    refresh, clearMark, person, folder, checkSeal, arrowUpRight, chevronRight, power, arrowDownCircle, magnifier,
    checkCircle, circle, arrowDownDoc, warning, newTab,
  };
  TodoGlyph(Shape shape, double size);
  Shape shape() const { return shape_; }

 private:
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  Shape shape_;
  double size_;
};

// The glyph of a symbol name: a drawn icon of the shared set where one fits, else a
// TodoGlyph. Managed; follows the CSS colour.
Gtk::Widget* makeSymbolGlyph(const std::string& symbol, double size);

}  // namespace quorvel
