#include "ui/calendar/DeskGlyph.h"

#include <cmath>

namespace quorvel {

DeskGlyph::DeskGlyph(std::string symbol, double size, double weight)
    : symbol_(std::move(symbol)), size_(size), weight_(weight) {
  set_content_width(static_cast<int>(std::ceil(size)));
  set_content_height(static_cast<int>(std::ceil(size)));
  set_valign(Gtk::Align::CENTER);
  set_halign(Gtk::Align::CENTER);
  set_can_target(false);
  set_draw_func(sigc::mem_fun(*this, &DeskGlyph::draw));
}

void DeskGlyph::setSymbol(const std::string& symbol) {
  if (symbol == symbol_) return;
  symbol_ = symbol;
  queue_draw();
}

void DeskGlyph::draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
  const Gdk::RGBA c = get_style_context()->get_color();
  cr->set_source_rgba(c.get_red(), c.get_green(), c.get_blue(), c.get_alpha());
  const double s = std::min(width, height);
  cr->translate((width - s) / 2, (height - s) / 2);
  cr->scale(s / 16.0, s / 16.0);
  cr->set_line_width(weight_ * 16.0 / std::max(s, 1.0) * 1.1);
  cr->set_line_cap(Cairo::Context::LineCap::ROUND);
  cr->set_line_join(Cairo::Context::LineJoin::ROUND);
  const std::string& g = symbol_;
  auto roundRect = [&](double x, double y, double w, double h, double r) {
    cr->begin_new_sub_path();
    cr->arc(x + w - r, y + r, r, -M_PI / 2, 0);
    cr->arc(x + w - r, y + h - r, r, 0, M_PI / 2);
    cr->arc(x + r, y + h - r, r, M_PI / 2, M_PI);
    cr->arc(x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cr->close_path();
  };
  if (g == "lock.fill" || g == "lock.open") {
    roundRect(3, 7, 10, 7.5, 1.6);
    if (g == "lock.fill") cr->fill(); else cr->stroke();
    cr->begin_new_sub_path();
    if (g == "lock.fill") {
      cr->arc(8, 6.5, 3, M_PI, 2 * M_PI);
      cr->move_to(5, 6.5); cr->line_to(5, 7);
      cr->move_to(11, 6.5); cr->line_to(11, 7);
    } else {
      cr->arc(11, 5, 3, M_PI, 2 * M_PI);
      cr->move_to(8, 5); cr->line_to(8, 7);
    }
    cr->stroke();
  } else if (g == "plus") {
    cr->move_to(8, 3); cr->line_to(8, 13); cr->move_to(3, 8); cr->line_to(13, 8); cr->stroke();
  } else if (g == "xmark") {
    cr->move_to(4, 4); cr->line_to(12, 12); cr->move_to(12, 4); cr->line_to(4, 12); cr->stroke();
  } else if (g == "arrow.clockwise") {
    cr->arc(8, 8.5, 5, -M_PI * 0.35, M_PI * 1.45); cr->stroke();
    cr->move_to(13.2, 2.8); cr->line_to(12.2, 6.6); cr->line_to(8.6, 5.3); cr->stroke();
  } else if (g == "chevron.left") {
    cr->move_to(10, 3); cr->line_to(5, 8); cr->line_to(10, 13); cr->stroke();
  } else if (g == "chevron.right") {
    cr->move_to(6, 3); cr->line_to(11, 8); cr->line_to(6, 13); cr->stroke();
  } else if (g == "arrow.up.right") {
    cr->move_to(4, 12); cr->line_to(12, 4); cr->move_to(6, 4); cr->line_to(12, 4); cr->line_to(12, 10); cr->stroke();
  } else if (g == "rectangle.on.rectangle.angled") {
    roundRect(5, 2.5, 9, 7.5, 1.4); cr->stroke();
    roundRect(2, 6, 9, 7.5, 1.4); cr->fill();
  } else if (g == "macwindow") {
    roundRect(2, 3, 12, 10, 1.6); cr->stroke();
    cr->move_to(2, 6); cr->line_to(14, 6); cr->stroke();
  } else if (g == "pin.fill") {
    cr->move_to(5, 2.5); cr->line_to(11, 2.5); cr->line_to(10, 7); cr->line_to(12.5, 9.5);
    cr->line_to(3.5, 9.5); cr->line_to(6, 7); cr->close_path(); cr->fill();
    cr->move_to(8, 9.5); cr->line_to(8, 14); cr->stroke();
  } else if (g == "checkmark") {
    cr->move_to(3, 8.5); cr->line_to(6.5, 12); cr->line_to(13, 4.5); cr->stroke();
  } else if (g == "checkmark.circle.fill") {
    cr->arc(8, 8, 7, 0, 2 * M_PI); cr->fill();
    cr->set_source_rgba(1, 1, 1, 1);
    cr->move_to(4.8, 8.3); cr->line_to(7.1, 10.6); cr->line_to(11.3, 5.8); cr->stroke();
  } else if (g == "mappin.and.ellipse") {
    cr->arc(8, 5.5, 3.2, 0, 2 * M_PI); cr->stroke();
    cr->move_to(8, 8.7); cr->line_to(8, 12.5); cr->stroke();
    cr->save(); cr->translate(8, 13.5); cr->scale(5.5, 1.5); cr->arc(0, 0, 1, 0, 2 * M_PI); cr->restore(); cr->stroke();
  } else if (g == "hand.draw") {
    cr->move_to(2.5, 11); cr->curve_to(5, 4, 7, 4, 8, 9); cr->curve_to(9, 13, 11, 12, 13.5, 5); cr->stroke();
  } else if (g == "calendar.badge.checkmark") {
    roundRect(2, 3, 12, 11, 2); cr->stroke();
    cr->move_to(2, 6.5); cr->line_to(14, 6.5); cr->move_to(5, 1.5); cr->line_to(5, 4); cr->move_to(11, 1.5);
    cr->line_to(11, 4); cr->stroke();
    cr->move_to(5.2, 10); cr->line_to(7.2, 12); cr->line_to(10.8, 8.3); cr->stroke();
  } else {
    cr->arc(8, 8, 2, 0, 2 * M_PI); cr->fill();
  }
}

}  // namespace quorvel
