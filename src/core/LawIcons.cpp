#include "core/LawIcons.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <stdexcept>

namespace quorvel {

namespace {

constexpr std::array<std::string_view, 25> kRawValues = {
    "dashboard", "focus",   "calendar", "cases",  "logistics", "docs",   "trace",
    "cache",     "bell",    "archive",  "trash",  "team",      "finance", "shield",
    "chart",     "upload",  "clock",    "scale",  "gavel",     "lock",   "sparkles",
    "gear",      "search",  "bolt",     "file"};

struct PathIcon {
  std::string_view path;
  LawIconKind kind;
};

constexpr PathIcon kExactPaths[] = {
    {"/dashboard", LawIconKind::dashboard},
    {"/workspace", LawIconKind::focus},
    {"/calendar", LawIconKind::calendar},
    {"/cases", LawIconKind::cases},
    {"/logistics", LawIconKind::logistics},
    {"/documents_center", LawIconKind::docs},
    {"/recent_workspace", LawIconKind::trace},
    {"/cache-manager", LawIconKind::cache},
    {"/notifications", LawIconKind::bell},
    {"/archived_cases", LawIconKind::archive},
    {"/recycle_bin", LawIconKind::trash},
    {"/license", LawIconKind::shield},
    {"/tutorial", LawIconKind::docs},
    {"/manage_users", LawIconKind::team},
    {"/my_team", LawIconKind::team},
    {"/saas_overview", LawIconKind::chart},
    {"/finance_dashboard", LawIconKind::finance},
    {"/backup_center", LawIconKind::cache},
    {"/firm_settings/storage", LawIconKind::cache},
    {"/import_wizard", LawIconKind::upload},
};

constexpr PathIcon kPathPrefixes[] = {
    {"/proceeding", LawIconKind::clock},
    {"/contract_detail", LawIconKind::cases},
    {"/client_detail", LawIconKind::team},
    {"/admin/console", LawIconKind::chart},
};

constexpr PathIcon kSymbols[] = {
    {"gearshape", LawIconKind::gear},
    {"gearshape.fill", LawIconKind::gear},
    {"checklist", LawIconKind::calendar},
    {"externaldrive.connected.to.line.below", LawIconKind::cache},
    {"externaldrive.fill", LawIconKind::cache},
    {"tray.and.arrow.up.fill", LawIconKind::upload},
    {"tray.and.arrow.up", LawIconKind::upload},
    {"bolt.fill", LawIconKind::bolt},
    {"text.viewfinder", LawIconKind::search},
    {"shippingbox.fill", LawIconKind::logistics},
    {"shippingbox", LawIconKind::logistics},
    {"sparkles", LawIconKind::sparkles},
    {"lock", LawIconKind::lock},
    {"lock.fill", LawIconKind::lock},
    {"keyboard", LawIconKind::gavel},
};

}  // namespace

std::string_view lawIconKindRawValue(LawIconKind kind) {
  return kRawValues[static_cast<size_t>(kind)];
}

std::optional<LawIconKind> lawIconKindFromRawValue(std::string_view raw) {
  for (size_t i = 0; i < kRawValues.size(); ++i)
    if (kRawValues[i] == raw) return kAllLawIconKinds[i];
  return std::nullopt;
}

LawIconKind lawIconKindForPath(std::string_view path) {
  for (const auto& e : kExactPaths)
    if (path == e.path) return e.kind;
  for (const auto& e : kPathPrefixes)
    if (path.starts_with(e.path)) return e.kind;
  return LawIconKind::file;
}

std::optional<LawIconKind> lawIconKindFromSymbol(std::string_view symbolName) {
  for (const auto& e : kSymbols)
    if (symbolName == e.path) return e.kind;
  return std::nullopt;
}

// ---- Geometry -----------------------------------------------------------------------

std::vector<LawIconPathOp> parseLawIconPath(std::string_view text) {
  std::vector<LawIconPathOp> ops;
  size_t i = 0;
  auto skipSpace = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == ',')) ++i;
  };
  auto number = [&]() -> double {
    skipSpace();
    double v = 0;
    auto res = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (res.ec != std::errc()) throw std::invalid_argument("icon path: number expected");
    i = static_cast<size_t>(res.ptr - text.data());
    return v;
  };
  while (true) {
    skipSpace();
    if (i >= text.size()) break;
    LawIconPathOp op;
    op.op = text[i++];
    int count = 0;
    switch (op.op) {
      case 'M': case 'L': count = 2; break;
      case 'Q': count = 4; break;
      case 'C': count = 6; break;
      case 'Z': count = 0; break;
      default: throw std::invalid_argument("icon path: unknown command");
    }
    for (int k = 0; k < count; ++k) op.v[k] = number();
    if (ops.empty() && op.op != 'M') throw std::invalid_argument("icon path: must start with M");
    ops.push_back(op);
  }
  return ops;
}

namespace {

LawIconShape R(double x, double y, double w, double h, double r) {
  LawIconShape s;
  s.type = LawIconShape::Type::roundedRect;
  s.x = x; s.y = y; s.w = w; s.h = h; s.r = r;
  return s;
}

LawIconShape E(double x, double y, double w, double h) {
  LawIconShape s;
  s.type = LawIconShape::Type::ellipse;
  s.x = x; s.y = y; s.w = w; s.h = h;
  return s;
}

LawIconShape P(std::string_view text) {
  LawIconShape s;
  s.type = LawIconShape::Type::path;
  s.ops = parseLawIconPath(text);
  return s;
}

// Shape lists are given 1-based, as S1, S2 ...
std::vector<int> S(std::initializer_list<int> oneBased) {
  std::vector<int> v;
  for (int n : oneBased) v.push_back(n - 1);
  return v;
}

LawIconGeometry build(LawIconKind kind) {
  using K = LawIconKind;
  switch (kind) {
    case K::dashboard:
      return {{R(3.5, 3.5, 7, 9, 2), R(13.5, 11.5, 7, 9, 2), R(13.5, 3.5, 7, 5, 2), R(3.5, 15.5, 7, 5, 2)},
              S({1, 2}), S({1, 2, 3, 4}), {}};
    case K::focus:
      return {{E(4.4, 4.4, 15.2, 15.2),
               P("M 12,2.2 L 12,4.4 M 12,19.6 L 12,21.8 M 2.2,12 L 4.4,12 M 19.6,12 L 21.8,12"),
               E(9, 9, 6, 6)},
              S({1}), S({1, 2, 3}), {}};
    case K::calendar:
      return {{R(3.5, 5, 17, 4.8, 2),
               P("M 3.5,9.8 L 20.5,9.8 M 8,3 L 8,6.5 M 16,3 L 16,6.5 M 13.5,14.5 L 16.5,14.5"),
               R(3.5, 5, 17, 15.5, 2.5), R(7.5, 13, 3, 3, 0.7)},
              S({1}), S({2, 3, 4}), {}};
    case K::cases:
      return {{P("M 3.5,7.5 Q 3.5,5 6,5 L 9.4,5 L 11.2,7.2 L 18,7.2 Q 20.5,7.2 20.5,9.7 L 20.5,17.5 "
                 "Q 20.5,20 18,20 L 6,20 Q 3.5,20 3.5,17.5 Z"),
               P("M 8,12.8 L 13,12.8 M 8,16 L 16,16")},
              S({1}), S({1, 2}), {}};
    case K::logistics:
      return {{P("M 3.8,8.2 L 12,4 L 20.2,8.2 L 20.2,15.8 L 12,20 L 3.8,15.8 Z"),
               P("M 3.8,8.2 L 12,12.4 L 20.2,8.2 M 12,12.4 L 12,20")},
              S({1}), S({1, 2}), {}};
    case K::docs:
      return {{P("M 4.2,4.4 L 9.6,4.4 Q 12,4.4 12,6.8 L 12,19.6 Q 12,18.2 9.6,18.2 L 4.2,18.2 Z"),
               P("M 12,6.8 Q 12,4.4 14.4,4.4 L 19.8,4.4 L 19.8,18.2 L 14.4,18.2 Q 12,18.2 12,19.6")},
              S({1}), S({1, 2}), {}};
    case K::trace:
      return {{E(4.5, 4.5, 6, 6), E(13.5, 13.5, 6, 6),
               P("M 10.5,7.5 L 13.5,7.5 Q 16.5,7.5 16.5,10.5 L 16.5,13.5")},
              S({1, 2}), S({1, 2, 3}), {}};
    case K::cache:
      return {{R(3.5, 4.2, 17, 4.8, 1.6), R(3.5, 15, 17, 4.8, 1.6),
               P("M 7.5,9 L 7.5,15 M 12,9 L 12,15 M 16.5,9 L 16.5,15")},
              S({1, 2}), S({1, 2, 3}), {}};
    case K::bell:
      return {{P("M 6.4,16.4 L 6.4,10.8 C 6.4,4.2 17.6,4.2 17.6,10.8 L 17.6,16.4 Z"),
               P("M 4.4,16.4 L 19.6,16.4 M 10,19 Q 12,21.5 14,19 M 12,5.2 L 12,3.6")},
              S({1}), S({1, 2}), {}};
    case K::archive:
      return {{R(3.2, 4.5, 17.6, 4.2, 1.4),
               P("M 4.8,8.7 L 4.8,18 Q 4.8,20 6.8,20 L 17.2,20 Q 19.2,20 19.2,18 L 19.2,8.7 "
                 "M 9.8,12.8 L 14.2,12.8")},
              S({1}), S({1, 2}), {}};
    case K::trash:
      return {{P("M 6.6,7 L 7.5,18.6 Q 7.6,20 9.3,20 L 14.7,20 Q 16.4,20 16.5,18.6 L 17.4,7 Z"),
               P("M 4.4,7 L 19.6,7 M 9.4,7 L 9.4,4.8 L 14.6,4.8 L 14.6,7 M 10.4,11 L 10.4,16.2 "
                 "M 13.6,11 L 13.6,16.2")},
              S({1}), S({1, 2}), {}};
    case K::team:
      return {{E(6.1, 5.4, 6.2, 6.2), P("M 3.6,19.6 C 3.6,13.8 14.8,13.8 14.8,19.6"),
               P("M 15.8,6.2 Q 19.2,9.1 15.8,12 M 15.2,15 Q 19.4,16 19.8,19.6")},
              S({1, 2}), S({1, 2, 3}), {}};
    case K::finance:
      return {{E(3.6, 3.6, 16.8, 16.8),
               P("M 9,8.8 L 12,12.2 L 15,8.8 M 12,12.2 L 12,17.6 M 9.2,13.8 L 14.8,13.8 "
                 "M 9.2,15.9 L 14.8,15.9")},
              S({1}), S({1, 2}), {}};
    case K::shield:
      return {{P("M 12,3.2 L 19.2,6 L 19.2,11.8 C 19.2,16.2 16.2,19.5 12,20.8 C 7.8,19.5 4.8,16.2 "
                 "4.8,11.8 L 4.8,6 Z"),
               P("M 9.2,12.2 L 11.2,14.2 L 15,10.2")},
              S({1}), S({1, 2}), {}};
    case K::chart:
      return {{R(5.4, 13, 3.2, 7, 0.8), R(10.4, 7.5, 3.2, 12.5, 0.8), R(15.4, 11, 3.2, 9, 0.8),
               P("M 3.5,20 L 20.5,20")},
              S({1, 2, 3}), S({1, 2, 3, 4}), {}};
    case K::upload:
      return {{R(4.2, 15.5, 15.6, 4.8, 1.8),
               P("M 4.2,15.5 L 4.2,18.5 Q 4.2,20.3 6.2,20.3 L 17.8,20.3 Q 19.8,20.3 19.8,18.5 "
                 "L 19.8,15.5 M 12,15.5 L 12,3.8 M 7.8,8 L 12,3.8 L 16.2,8")},
              S({1}), S({2}), {}};
    case K::clock:
      return {{E(3.8, 3.8, 16.4, 16.4), P("M 12,7.2 L 12,12 L 15.4,14")}, S({1}), S({1, 2}), {}};
    case K::scale:
      return {{P("M 2.5,13.5 L 8.1,13.5 Q 5.3,17.5 2.5,13.5 M 15.9,13.5 L 21.5,13.5 "
                 "Q 18.7,17.5 15.9,13.5"),
               P("M 12,5.5 L 12,19.6 M 8.5,19.8 L 15.5,19.8 M 5.3,7.6 L 18.7,7.6 M 5.3,7.6 "
                 "L 2.6,13.5 M 5.3,7.6 L 8,13.5 M 18.7,7.6 L 16,13.5 M 18.7,7.6 L 21.4,13.5"),
               E(10.65, 2.75, 2.7, 2.7)},
              S({1}), S({1, 2, 3}), {}};
    case K::gavel:
      return {{P("M 11.8,4.4 L 16.4,9 L 13.2,12.2 L 8.6,7.6 Z"),
               P("M 10.4,10.4 L 4.4,16.4 M 14.2,19.5 L 20.5,19.5 M 15.8,16.8 L 18.9,16.8")},
              S({1}), S({1, 2}), {}};
    case K::lock:
      return {{R(4.6, 10.4, 14.8, 9.6, 2.2),
               P("M 8.2,10.4 L 8.2,7.8 C 8.2,3.2 15.8,3.2 15.8,7.8 L 15.8,10.4 M 12,14.2 L 12,16.4")},
              S({1}), S({1, 2}), {}};
    case K::sparkles:
      return {{P("M 12,3.2 L 14,8.8 L 19.6,10.8 L 14,12.8 L 12,18.4 L 10,12.8 L 4.4,10.8 "
                 "L 10,8.8 Z"),
               E(17.2, 16.2, 2.6, 2.6)},
              S({1}), S({1}), S({2})};
    case K::gear:
      return {{E(8.8, 8.8, 6.4, 6.4),
               P("M 12,2.8 L 12,5.2 M 12,18.8 L 12,21.2 M 2.8,12 L 5.2,12 M 18.8,12 L 21.2,12 "
                 "M 5.6,5.6 L 7.4,7.4 M 16.6,16.6 L 18.4,18.4 M 18.4,5.6 L 16.6,7.4 "
                 "M 7.4,16.6 L 5.6,18.4"),
               E(5.8, 5.8, 12.4, 12.4)},
              S({1}), S({1, 2, 3}), {}};
    case K::search:
      return {{E(4.4, 4.4, 12.8, 12.8), P("M 15.6,15.6 L 20.4,20.4")}, S({1}), S({1, 2}), {}};
    case K::bolt:
      return {{P("M 13.4,2.8 L 6.2,13 L 11.3,13 L 10.6,21.2 L 17.8,11 L 12.7,11 Z")},
              S({1}), S({1}), {}};
    case K::file:
      return {{P("M 6,3.8 L 14,3.8 L 18.5,8.3 L 18.5,20.2 L 4.5,20.2 L 4.5,3.8 Z"),
               P("M 14,3.8 L 14,8.3 L 18.5,8.3 M 8.2,12.8 L 15.2,12.8 M 8.2,16.2 L 12.8,16.2")},
              S({1}), S({1, 2}), {}};
  }
  return {};
}

}  // namespace

const LawIconGeometry& lawIconGeometry(LawIconKind kind) {
  // Built once; function-local statics initialise thread-safely.
  static const std::array<LawIconGeometry, 25> all = [] {
    std::array<LawIconGeometry, 25> a;
    for (size_t i = 0; i < a.size(); ++i) a[i] = build(kAllLawIconKinds[i]);
    return a;
  }();
  return all[static_cast<size_t>(kind)];
}

// ---- Drawing ------------------------------------------------------------------------

void lawSetSourceColor(cairo_t* cr, const LawColor& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

cairo_pattern_t* lawCreateLinearGradient(const LawGradient& g, double x, double y, double width,
                                         double height) {
  cairo_pattern_t* p = cairo_pattern_create_linear(x + g.start.x * width, y + g.start.y * height,
                                                   x + g.end.x * width, y + g.end.y * height);
  for (const auto& s : g.stops)
    cairo_pattern_add_color_stop_rgba(p, s.location, s.color.r, s.color.g, s.color.b, s.color.a);
  return p;
}

void lawAppendRoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::clamp(r, 0.0, std::min(w, h) / 2);
  constexpr double pi = std::numbers::pi;
  cairo_new_sub_path(cr);
  if (r <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
  cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

void lawAppendIconShape(cairo_t* cr, const LawIconShape& s) {
  switch (s.type) {
    case LawIconShape::Type::roundedRect:
      lawAppendRoundedRect(cr, s.x, s.y, s.w, s.h, s.r);
      return;
    case LawIconShape::Type::ellipse:
      cairo_save(cr);
      cairo_translate(cr, s.x + s.w / 2, s.y + s.h / 2);
      cairo_scale(cr, s.w / 2, s.h / 2);
      cairo_new_sub_path(cr);
      cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
      cairo_close_path(cr);
      cairo_restore(cr);
      return;
    case LawIconShape::Type::path: {
      double cx = 0, cy = 0;
      for (const auto& op : s.ops) {
        switch (op.op) {
          case 'M': cairo_move_to(cr, op.v[0], op.v[1]); cx = op.v[0]; cy = op.v[1]; break;
          case 'L': cairo_line_to(cr, op.v[0], op.v[1]); cx = op.v[0]; cy = op.v[1]; break;
          case 'Q': {
            // Quadratic to cubic: control points two thirds of the way to the quad control.
            const double qx = op.v[0], qy = op.v[1], ex = op.v[2], ey = op.v[3];
            cairo_curve_to(cr, cx + 2.0 / 3 * (qx - cx), cy + 2.0 / 3 * (qy - cy),
                           ex + 2.0 / 3 * (qx - ex), ey + 2.0 / 3 * (qy - ey), ex, ey);
            cx = ex; cy = ey;
            break;
          }
          case 'C':
            cairo_curve_to(cr, op.v[0], op.v[1], op.v[2], op.v[3], op.v[4], op.v[5]);
            cx = op.v[4]; cy = op.v[5];
            break;
          case 'Z': {
            cairo_close_path(cr);
            if (cairo_has_current_point(cr)) cairo_get_current_point(cr, &cx, &cy);
            break;
          }
        }
      }
      return;
    }
  }
}

void drawLawPrecisionIcon(cairo_t* cr, LawIconKind kind, double width, double height,
                          const LawColor& color, double duotoneOpacity) {
  const double u = std::min(width, height) / LawIconGrid::units;
  if (u <= 0) return;
  const LawIconGeometry& g = lawIconGeometry(kind);
  cairo_save(cr);
  cairo_scale(cr, u, u);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);

  if (duotoneOpacity > 0) {
    lawSetSourceColor(cr, color.opacity(std::clamp(duotoneOpacity, 0.0, 1.0)));
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    for (int i : g.tinted) {
      cairo_new_path(cr);
      lawAppendIconShape(cr, g.shapes[i]);
      cairo_fill(cr);
    }
  }

  lawSetSourceColor(cr, color);
  cairo_set_line_width(cr, LawIconGrid::lineWidth);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_miter_limit(cr, LawIconGrid::miterLimit);
  cairo_set_dash(cr, nullptr, 0, 0);
  for (int i : g.stroked) {
    cairo_new_path(cr);
    lawAppendIconShape(cr, g.shapes[i]);
    cairo_stroke(cr);
  }

  for (int i : g.solid) {
    cairo_new_path(cr);
    lawAppendIconShape(cr, g.shapes[i]);
    cairo_fill(cr);
  }
  cairo_new_path(cr);
  cairo_restore(cr);
}

void MenuBarScaleImage::draw(cairo_t* cr, double width, double height, const LawColor& color) {
  const double u = std::min(width, height) / LawIconGrid::units;
  if (u <= 0) return;
  cairo_save(cr);
  cairo_scale(cr, u, u);
  cairo_new_path(cr);
  lawAppendIconShape(cr, E(10.6, 2.8, 2.8, 2.8));
  lawAppendIconShape(cr, P("M 12,5.6 L 12,20.2 M 8.2,20.4 L 15.8,20.4 M 4.4,7.6 L 19.6,7.6 "
                           "M 4.4,7.6 L 2.2,13.6 L 6.8,13.6 L 4.4,7.6 "
                           "M 19.6,7.6 L 17.2,13.6 L 21.8,13.6 L 19.6,7.6"));
  lawSetSourceColor(cr, color);
  cairo_set_line_width(cr, LawIconGrid::menuBarLineWidth);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_restore(cr);
}

cairo_surface_t* MenuBarScaleImage::templateImage(int scale) {
  static std::mutex mutex;
  static std::map<int, cairo_surface_t*> images;
  scale = std::max(1, scale);
  std::lock_guard lock(mutex);
  auto it = images.find(scale);
  if (it != images.end()) return it->second;
  const int px = static_cast<int>(pointSize) * scale;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, px, px);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  draw(cr, pointSize, pointSize);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  images.emplace(scale, surface);
  return surface;
}

}  // namespace quorvel
