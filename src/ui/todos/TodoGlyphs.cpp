#include "ui/todos/TodoGlyphs.h"

#include <cmath>
#include <numbers>

#include "core/LawIcons.h"
#include "ui/components/LawPrecisionIcon.h"

namespace quorvel {

TodoGlyph::TodoGlyph(Shape shape, double size) : shape_(shape), size_(size) {
  const int px = std::max(1, static_cast<int>(std::ceil(size)));
  set_content_width(px);
  set_content_height(px);
  set_halign(Gtk::Align::CENTER);
  set_valign(Gtk::Align::CENTER);
  set_can_target(false);
  set_draw_func(sigc::mem_fun(*this, &TodoGlyph::draw));
}

void TodoGlyph::draw(const Cairo::RefPtr<Cairo::Context>& cr, int, int) {
  const Gdk::RGBA c = get_style_context()->get_color();
  cairo_t* ct = cr->cobj();
  cairo_scale(ct, size_ / 24.0, size_ / 24.0);
  cairo_set_source_rgba(ct, c.get_red(), c.get_green(), c.get_blue(), c.get_alpha());
  cairo_set_line_cap(ct, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(ct, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(ct, 2.4);
  constexpr double pi = std::numbers::pi;
  switch (shape_) {
    case Shape::circle:
      cairo_set_line_width(ct, 1.8);
      cairo_arc(ct, 12, 12, 9.5, 0, 2 * pi);
      cairo_stroke(ct);
      break;
    case Shape::checkCircle:
      cairo_arc(ct, 12, 12, 10.4, 0, 2 * pi);
      cairo_fill(ct);
      cairo_set_source_rgba(ct, 1, 1, 1, 1);
      cairo_set_line_width(ct, 2.4);
      cairo_move_to(ct, 7.4, 12.3);
      cairo_line_to(ct, 10.6, 15.4);
      cairo_line_to(ct, 16.8, 8.9);
      cairo_stroke(ct);
      break;
    case Shape::arrowDownDoc:
      cairo_set_line_width(ct, 1.6);
      cairo_move_to(ct, 14, 2.5);
      cairo_line_to(ct, 6.5, 2.5);
      cairo_curve_to(ct, 5.4, 2.5, 4.5, 3.4, 4.5, 4.5);
      cairo_line_to(ct, 4.5, 19.5);
      cairo_curve_to(ct, 4.5, 20.6, 5.4, 21.5, 6.5, 21.5);
      cairo_line_to(ct, 17.5, 21.5);
      cairo_curve_to(ct, 18.6, 21.5, 19.5, 20.6, 19.5, 19.5);
      cairo_line_to(ct, 19.5, 8);
      cairo_close_path(ct);
      cairo_stroke(ct);
      cairo_move_to(ct, 14, 2.5);
      cairo_line_to(ct, 14, 8);
      cairo_line_to(ct, 19.5, 8);
      cairo_stroke(ct);
      cairo_move_to(ct, 12, 10.5);
      cairo_line_to(ct, 12, 17.5);
      cairo_move_to(ct, 9, 14.7);
      cairo_line_to(ct, 12, 17.7);
      cairo_line_to(ct, 15, 14.7);
      cairo_stroke(ct);
      break;
    case Shape::refresh: {
      cairo_arc(ct, 12, 12.5, 7.5, -pi * 0.35, pi * 1.45);
      cairo_stroke(ct);
      const double a = -pi * 0.35, ex = 12 + 7.5 * std::cos(a), ey = 12.5 + 7.5 * std::sin(a);
      cairo_move_to(ct, ex - 5.2, ey - 1.2);
      cairo_line_to(ct, ex + 0.6, ey - 0.2);
      cairo_line_to(ct, ex - 0.6, ey + 5.4);
      cairo_stroke(ct);
      break;
    }
    case Shape::clearMark:
      cairo_arc(ct, 12, 12, 10, 0, 2 * pi);
      cairo_fill(ct);
      cairo_set_operator(ct, CAIRO_OPERATOR_CLEAR);
      cairo_move_to(ct, 8.3, 8.3);
      cairo_line_to(ct, 15.7, 15.7);
      cairo_move_to(ct, 15.7, 8.3);
      cairo_line_to(ct, 8.3, 15.7);
      cairo_stroke(ct);
      break;
    case Shape::person:
      cairo_arc(ct, 12, 7.5, 4.6, 0, 2 * pi);
      cairo_fill(ct);
      cairo_move_to(ct, 3.5, 21.5);
      cairo_curve_to(ct, 3.8, 15.5, 7.5, 13.5, 12, 13.5);
      cairo_curve_to(ct, 16.5, 13.5, 20.2, 15.5, 20.5, 21.5);
      cairo_close_path(ct);
      cairo_fill(ct);
      break;
    case Shape::folder:
      cairo_move_to(ct, 2.5, 6);
      cairo_line_to(ct, 2.5, 19);
      cairo_line_to(ct, 21.5, 19);
      cairo_line_to(ct, 21.5, 8);
      cairo_line_to(ct, 11.5, 8);
      cairo_line_to(ct, 9.5, 5);
      cairo_line_to(ct, 3.5, 5);
      cairo_close_path(ct);
      cairo_fill(ct);
      break;
    case Shape::checkSeal: {
      // A twelve-pointed rosette with a check cut out of it.
      cairo_new_path(ct);
      for (int i = 0; i < 24; ++i) {
        const double a = i * pi / 12, r = i % 2 ? 9.2 : 11;
        if (i == 0) cairo_move_to(ct, 12 + r * std::cos(a), 12 + r * std::sin(a));
        else cairo_line_to(ct, 12 + r * std::cos(a), 12 + r * std::sin(a));
      }
      cairo_close_path(ct);
      cairo_fill(ct);
      cairo_set_operator(ct, CAIRO_OPERATOR_CLEAR);
      cairo_move_to(ct, 7.6, 12.4);
      cairo_line_to(ct, 10.6, 15.3);
      cairo_line_to(ct, 16.4, 9.2);
      cairo_stroke(ct);
      break;
    }
    case Shape::arrowUpRight:
      cairo_set_line_width(ct, 3);
      cairo_move_to(ct, 6, 18);
      cairo_line_to(ct, 18, 6);
      cairo_move_to(ct, 8, 6);
      cairo_line_to(ct, 18, 6);
      cairo_line_to(ct, 18, 16);
      cairo_stroke(ct);
      break;
    case Shape::chevronRight:
      cairo_set_line_width(ct, 3.2);
      cairo_move_to(ct, 9, 4.5);
      cairo_line_to(ct, 16.5, 12);
      cairo_line_to(ct, 9, 19.5);
      cairo_stroke(ct);
      break;
    case Shape::power:
      cairo_arc(ct, 12, 13, 8, -pi * 0.3, pi * 1.3);
      cairo_stroke(ct);
      cairo_move_to(ct, 12, 2.8);
      cairo_line_to(ct, 12, 11.5);
      cairo_stroke(ct);
      break;
    case Shape::arrowDownCircle:
      cairo_arc(ct, 12, 12, 9.5, 0, 2 * pi);
      cairo_stroke(ct);
      cairo_move_to(ct, 12, 6.8);
      cairo_line_to(ct, 12, 16.6);
      cairo_move_to(ct, 7.8, 12.6);
      cairo_line_to(ct, 12, 16.8);
      cairo_line_to(ct, 16.2, 12.6);
      cairo_stroke(ct);
      break;
    case Shape::magnifier:
      cairo_arc(ct, 10.5, 10.5, 6.5, 0, 2 * pi);
      cairo_stroke(ct);
      cairo_move_to(ct, 15.3, 15.3);
      cairo_line_to(ct, 20.5, 20.5);
      cairo_stroke(ct);
      break;
    case Shape::warning:
      // A filled triangle with the exclamation mark cut out in white.
      cairo_move_to(ct, 12, 2.6);
      cairo_line_to(ct, 22.2, 20.4);
      cairo_line_to(ct, 1.8, 20.4);
      cairo_close_path(ct);
      cairo_set_line_width(ct, 1.6);
      cairo_fill_preserve(ct);
      cairo_stroke(ct);
      cairo_set_source_rgba(ct, 1, 1, 1, 1);
      cairo_set_line_width(ct, 2.3);
      cairo_move_to(ct, 12, 8.6);
      cairo_line_to(ct, 12, 13.8);
      cairo_stroke(ct);
      cairo_arc(ct, 12, 17.1, 1.3, 0, 2 * pi);
      cairo_fill(ct);
      break;
    case Shape::newTab:
      // A page with a plus in front of another one behind it.
      cairo_set_line_width(ct, 2.0);
      lawAppendRoundedRect(ct, 2.5, 7.5, 14, 14, 2.6);
      cairo_stroke(ct);
      cairo_move_to(ct, 7.5, 7.5);
      cairo_line_to(ct, 7.5, 5.1);
      cairo_arc(ct, 10.1, 5.1, 2.6, pi, 1.5 * pi);
      cairo_line_to(ct, 18.9, 2.5);
      cairo_arc(ct, 18.9, 5.1, 2.6, 1.5 * pi, 2 * pi);
      cairo_line_to(ct, 21.5, 13.9);
      cairo_arc(ct, 18.9, 13.9, 2.6, 0, 0.5 * pi);
      cairo_line_to(ct, 16.5, 16.5);
      cairo_stroke(ct);
      cairo_move_to(ct, 9.5, 11);
      cairo_line_to(ct, 9.5, 18);
      cairo_move_to(ct, 6, 14.5);
      cairo_line_to(ct, 13, 14.5);
      cairo_stroke(ct);
      break;
  }
}

Gtk::Widget* makeSymbolGlyph(const std::string& symbol, double size) {
  struct Known {
    const char* symbol;
    LawIconKind kind;
  };
  static constexpr Known kinds[] = {
      {"bolt.fill", LawIconKind::bolt},         {"text.viewfinder", LawIconKind::focus},
      {"tray.and.arrow.up", LawIconKind::upload}, {"macwindow", LawIconKind::dashboard},
      {"calendar", LawIconKind::calendar},      {"magnifyingglass", LawIconKind::search},
      {"externaldrive", LawIconKind::cache},    {"folder", LawIconKind::archive},
      {"calendar.badge.clock", LawIconKind::clock}, {"lock.shield", LawIconKind::shield},
  };
  for (const auto& k : kinds)
    if (symbol == k.symbol) {
      auto* icon = Gtk::make_managed<LawPrecisionIcon>(k.kind, size, std::nullopt, 0.16);
      icon->set_halign(Gtk::Align::CENTER);
      icon->set_valign(Gtk::Align::CENTER);
      icon->set_can_target(false);
      return icon;
    }
  TodoGlyph::Shape shape = TodoGlyph::Shape::magnifier;
  if (symbol == "power") shape = TodoGlyph::Shape::power;
  else if (symbol == "arrow.down.circle") shape = TodoGlyph::Shape::arrowDownCircle;
  else if (symbol == "arrow.clockwise") shape = TodoGlyph::Shape::refresh;
  else if (symbol == "chevron.right") shape = TodoGlyph::Shape::chevronRight;
  else if (symbol == "arrow.up.right") shape = TodoGlyph::Shape::arrowUpRight;
  else if (symbol == "person.fill") shape = TodoGlyph::Shape::person;
  else if (symbol == "folder.fill") shape = TodoGlyph::Shape::folder;
  else if (symbol == "checkmark.seal.fill") shape = TodoGlyph::Shape::checkSeal;
  else if (symbol == "xmark.circle.fill") shape = TodoGlyph::Shape::clearMark;
  else if (symbol == "exclamationmark.triangle.fill") shape = TodoGlyph::Shape::warning;
  else if (symbol == "plus.rectangle.on.rectangle") shape = TodoGlyph::Shape::newTab;
  return Gtk::make_managed<TodoGlyph>(shape, size);
}

}  // namespace quorvel
