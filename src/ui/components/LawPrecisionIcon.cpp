#include "ui/components/LawPrecisionIcon.h"

#include <gtkmm/stylecontext.h>

#include <algorithm>
#include <cmath>

namespace quorvel {

LawPrecisionIcon::LawPrecisionIcon(LawIconKind kind, double size, std::optional<LawColor> color,
                                   double duotoneOpacity)
    : kind_(kind), size_(size), color_(color), duotoneOpacity_(duotoneOpacity) {
  const int px = std::max(1, static_cast<int>(std::ceil(size)));
  set_content_width(px);
  set_content_height(px);
  set_halign(Gtk::Align::CENTER);
  set_valign(Gtk::Align::CENTER);
  set_can_target(false);
  add_css_class("law-precision-icon");
  set_draw_func(sigc::mem_fun(*this, &LawPrecisionIcon::draw));
  // A colour taken from CSS changes with the parent's state (hover, pressed).
  signal_state_flags_changed().connect([this](Gtk::StateFlags) {
    if (!color_) queue_draw();
  });
}

void LawPrecisionIcon::setKind(LawIconKind kind) {
  kind_ = kind;
  queue_draw();
}

void LawPrecisionIcon::setColor(std::optional<LawColor> color) {
  color_ = color;
  queue_draw();
}

void LawPrecisionIcon::setDuotoneOpacity(double opacity) {
  duotoneOpacity_ = opacity;
  queue_draw();
}

LawColor LawPrecisionIcon::effectiveColor() const {
  if (color_) return *color_;
  const Gdk::RGBA c = get_style_context()->get_color();
  return LawColor{c.get_red(), c.get_green(), c.get_blue(), c.get_alpha()};
}

void LawPrecisionIcon::draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
  const double side = std::min({size_, static_cast<double>(width), static_cast<double>(height)});
  drawLawPrecisionIcon(cr->cobj(), kind_, side, side, effectiveColor(), duotoneOpacity_);
}

}  // namespace quorvel
