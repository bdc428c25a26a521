#pragma once
// The desktop calendar's small line symbols (lock, plus, refresh, chevrons, pin…),
// drawn with cairo in the widget's CSS colour so hover rules recolour them.
#include <gtkmm/drawingarea.h>

#include <string>

namespace quorvel {

class DeskGlyph : public Gtk::DrawingArea {
 public:
  DeskGlyph(std::string symbol, double size, double weight = 1.5);
  const std::string& symbol() const { return symbol_; }
  void setSymbol(const std::string& symbol);

 private:
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  std::string symbol_;
  double size_;
  double weight_;
};

}  // namespace quorvel
