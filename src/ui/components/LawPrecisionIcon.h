#pragma once
// A drawn line icon as a widget: exactly `size` x `size`, drawn by core/LawIcons.

#include <gtkmm/drawingarea.h>

#include <optional>

#include "core/LawIcons.h"

namespace quorvel {

class LawPrecisionIcon : public Gtk::DrawingArea {
 public:
  // Without a colour the icon follows the widget's CSS foreground colour, so an icon
  // inside a button takes the button's text colour in every state.
  LawPrecisionIcon(LawIconKind kind, double size, std::optional<LawColor> color = std::nullopt,
                   double duotoneOpacity = 0.16);

  LawIconKind kind() const { return kind_; }
  double iconSize() const { return size_; }
  void setKind(LawIconKind kind);
  void setColor(std::optional<LawColor> color);
  void setDuotoneOpacity(double opacity);
  // The colour the icon is drawn in right now.
  LawColor effectiveColor() const;

 private:
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);

  LawIconKind kind_;
  double size_;
  std::optional<LawColor> color_;
  double duotoneOpacity_;
};

}  // namespace quorvel
