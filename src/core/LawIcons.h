#pragma once
// The workspace's own two-tone line icons: kinds, the path and symbol mappings, and
// their drawing as cairo paths on a 24-unit grid. Cairo only, no GTK, so icons can be
// drawn and checked headless.

#include <cairo.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Theme.h"

namespace quorvel {

enum class LawIconKind {
  dashboard, focus, calendar, cases, logistics,
  docs, trace, cache, bell, archive,
  trash, team, finance, shield, chart,
  upload, clock, scale, gavel, lock,
  sparkles, gear, search, bolt, file,
};

inline constexpr std::array<LawIconKind, 25> kAllLawIconKinds = {
    LawIconKind::dashboard, LawIconKind::focus,   LawIconKind::calendar, LawIconKind::cases,
    LawIconKind::logistics, LawIconKind::docs,    LawIconKind::trace,    LawIconKind::cache,
    LawIconKind::bell,      LawIconKind::archive, LawIconKind::trash,    LawIconKind::team,
    LawIconKind::finance,   LawIconKind::shield,  LawIconKind::chart,    LawIconKind::upload,
    LawIconKind::clock,     LawIconKind::scale,   LawIconKind::gavel,    LawIconKind::lock,
    LawIconKind::sparkles,  LawIconKind::gear,    LawIconKind::search,   LawIconKind::bolt,
    LawIconKind::file};

// The case name ("dashboard" ...).
std::string_view lawIconKindRawValue(LawIconKind kind);
// Absent for any string that is not a case name (case-sensitive).
std::optional<LawIconKind> lawIconKindFromRawValue(std::string_view raw);

// Page path of the service to its icon; total: unknown paths get `file`. Whole-string
// comparison first, then prefixes; the path is used exactly as passed.
LawIconKind lawIconKindForPath(std::string_view path);
// Symbol name (as the views name their symbols) to an icon, or absent when none fits;
// the caller then shows the symbol itself.
std::optional<LawIconKind> lawIconKindFromSymbol(std::string_view symbolName);

// ---- Geometry -----------------------------------------------------------------------

struct LawIconPathOp {
  char op = 'M';  // M, L, Q, C or Z
  double v[6] = {0, 0, 0, 0, 0, 0};
};

struct LawIconShape {
  enum class Type { roundedRect, ellipse, path };
  Type type = Type::path;
  double x = 0, y = 0, w = 0, h = 0, r = 0;  // rounded rect / ellipse
  std::vector<LawIconPathOp> ops;           // path
};

// The shapes of one kind and which of them are tinted, stroked and filled solid
// (indices into shapes, each list in drawing order).
struct LawIconGeometry {
  std::vector<LawIconShape> shapes;
  std::vector<int> tinted;
  std::vector<int> stroked;
  std::vector<int> solid;
};

const LawIconGeometry& lawIconGeometry(LawIconKind kind);

// Parses "M 12,2.2 L 12,4.4 Q 3.5,5 6,5 C ... Z". Throws std::invalid_argument on
// malformed text.
std::vector<LawIconPathOp> parseLawIconPath(std::string_view text);

namespace LawIconGrid {
inline constexpr double units = 24;
inline constexpr double lineWidth = 1.65;
inline constexpr double menuBarLineWidth = 1.85;
inline constexpr double miterLimit = 10;
}  // namespace LawIconGrid

// ---- Drawing ------------------------------------------------------------------------

void lawSetSourceColor(cairo_t* cr, const LawColor& color);
// A linear gradient pattern over the rectangle; the caller destroys it.
cairo_pattern_t* lawCreateLinearGradient(const LawGradient& gradient, double x, double y,
                                         double width, double height);
// Appends a rounded rectangle (ordinary circular corners, radius clamped to half the
// shorter side) as a closed sub-path.
void lawAppendRoundedRect(cairo_t* cr, double x, double y, double width, double height,
                          double radius);
// Appends one icon shape in grid units under the current transformation.
void lawAppendIconShape(cairo_t* cr, const LawIconShape& shape);

// Draws `kind` into the rectangle (0,0,width,height) of the current user space:
// unit u = min(width, height) / 24, anchored at the top-left corner. Tinted shapes are
// filled with `color` at `duotoneOpacity`, then stroked shapes are stroked, then solid
// shapes are filled with `color`.
void drawLawPrecisionIcon(cairo_t* cr, LawIconKind kind, double width, double height,
                          const LawColor& color, double duotoneOpacity);

// The menu-bar balance scale: one stroked path, nothing filled; a template image
// (black, tinted by whoever shows it).
struct MenuBarScaleImage {
  static constexpr double pointSize = 18;

  // Draws into (0,0,width,height): u = min(width, height) / 24, top-left anchored.
  static void draw(cairo_t* cr, double width, double height,
                   const LawColor& color = LawColor{0, 0, 0, 1});
  // The 18 x 18 template image at `scale` device pixels per point, built once per
  // scale on first use and kept for the process. Not to be destroyed by callers.
  static cairo_surface_t* templateImage(int scale = 1);
};

}  // namespace quorvel

template <>
struct std::hash<quorvel::LawIconKind> {
  size_t operator()(quorvel::LawIconKind k) const noexcept {
    return std::hash<std::string_view>{}(quorvel::lawIconKindRawValue(k));
  }
};
