#pragma once
// The client's one shared look: palette, gradients, motion and the per-state looks of
// the shared controls. Pure values, free of GTK, so cairo code, the CSS generator
// (ui/LawStyle) and headless tests all read the same numbers.
//
// There is one colour scheme only: the main window forces the light scheme and the
// dark sidebar colours are explicit palette entries.

#include <string>
#include <vector>

namespace quorvel {

// An sRGB colour with straight (not premultiplied) alpha, each component 0..1.
// Usable as is with cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a).
struct LawColor {
  double r = 0, g = 0, b = 0, a = 1;

  static constexpr LawColor rgb8(int red, int green, int blue, double alpha = 1.0) {
    return LawColor{red / 255.0, green / 255.0, blue / 255.0, alpha};
  }
  static constexpr LawColor clear() { return LawColor{0, 0, 0, 0}; }

  // The same colour with its opacity multiplied by `factor` (how tints are derived).
  constexpr LawColor opacity(double factor) const { return LawColor{r, g, b, a * factor}; }

  // 8-bit components, rounded.
  int red8() const;
  int green8() const;
  int blue8() const;
  // "#1B3A5C" (alpha not included).
  std::string hex() const;
  // CSS colour text: "rgb(27,58,92)" when opaque, otherwise "rgba(27,58,92,0.08)".
  std::string css() const;

  friend constexpr bool operator==(const LawColor&, const LawColor&) = default;
};

// A point in unit coordinates of the filled rectangle ((0,0) top-leading).
struct LawUnitPoint {
  double x = 0, y = 0;
  friend constexpr bool operator==(const LawUnitPoint&, const LawUnitPoint&) = default;
};

struct LawGradientStop {
  LawColor color;
  double location = 0;
};

// A linear gradient: ordered stops plus start and end in unit coordinates.
struct LawGradient {
  std::vector<LawGradientStop> stops;
  LawUnitPoint start;
  LawUnitPoint end;

  // Two or more colours spread evenly over 0..1.
  static LawGradient evenlySpaced(const std::vector<LawColor>& colors, LawUnitPoint start,
                                  LawUnitPoint end);
  // Colour at location t (0..1), interpolated linearly between stops.
  LawColor colorAt(double t) const;
};

namespace LawUnit {
inline constexpr LawUnitPoint top{0.5, 0};
inline constexpr LawUnitPoint bottom{0.5, 1};
inline constexpr LawUnitPoint leading{0, 0.5};
inline constexpr LawUnitPoint trailing{1, 0.5};
inline constexpr LawUnitPoint topLeading{0, 0};
inline constexpr LawUnitPoint bottomTrailing{1, 1};
}  // namespace LawUnit

// The palette, in declaration order. Constant-initialised, so every thread sees the
// same values without any start-up work.
struct LawTheme {
  static constexpr LawColor ink = LawColor::rgb8(15, 27, 41);
  static constexpr LawColor primary = LawColor::rgb8(27, 58, 92);
  static constexpr LawColor primaryTop = LawColor::rgb8(33, 69, 108);
  static constexpr LawColor primaryDark = LawColor::rgb8(20, 45, 72);
  static constexpr LawColor primaryBorder = LawColor::rgb8(22, 49, 78);
  static constexpr LawColor primaryHover = LawColor::rgb8(37, 69, 107);
  static constexpr LawColor primarySoft = LawColor::rgb8(27, 58, 92, 0.08);
  static constexpr LawColor gold = LawColor::rgb8(212, 168, 83);
  static constexpr LawColor goldLight = LawColor::rgb8(230, 196, 123);
  static constexpr LawColor goldPale = LawColor::rgb8(242, 214, 148);
  static constexpr LawColor goldBorder = LawColor::rgb8(230, 196, 123, 0.36);
  static constexpr LawColor goldSoft = LawColor::rgb8(212, 168, 83, 0.14);
  static constexpr LawColor sidebarTop = LawColor::rgb8(17, 31, 48);
  static constexpr LawColor sidebarMid = LawColor::rgb8(13, 24, 38);
  static constexpr LawColor sidebarBottom = LawColor::rgb8(10, 19, 30);
  static constexpr LawColor sidebarBg = LawColor::rgb8(13, 24, 38);
  static constexpr LawColor sidebarHeaderBg = LawColor::rgb8(14, 26, 40);
  static constexpr LawColor sidebarCardBg = LawColor::rgb8(9, 19, 31);
  static constexpr LawColor sidebarHover = LawColor::rgb8(255, 255, 255, 0.065);
  static constexpr LawColor sidebarActiveBg = LawColor::rgb8(37, 69, 107);
  static constexpr LawColor sidebarText = LawColor::rgb8(213, 224, 236, 0.86);
  static constexpr LawColor sidebarTextBright = LawColor::rgb8(248, 250, 252);
  static constexpr LawColor sidebarTextMuted = LawColor::rgb8(148, 163, 184, 0.82);
  static constexpr LawColor sidebarSection = LawColor::rgb8(148, 163, 184, 0.68);
  static constexpr LawColor sidebarDivider = LawColor::rgb8(255, 255, 255, 0.07);
  static constexpr LawColor canvasBg = LawColor::rgb8(244, 246, 250);
  static constexpr LawColor surfaceMuted = LawColor::rgb8(248, 250, 252);
  static constexpr LawColor surface = LawColor::rgb8(255, 255, 255);
  static constexpr LawColor border = LawColor::rgb8(203, 213, 225);
  static constexpr LawColor borderLight = LawColor::rgb8(15, 23, 42, 0.08);
  static constexpr LawColor textPrimary = LawColor::rgb8(15, 23, 42);
  static constexpr LawColor textSecondary = LawColor::rgb8(51, 65, 85);
  static constexpr LawColor textTertiary = LawColor::rgb8(100, 116, 139);
  static constexpr LawColor textMuted = LawColor::rgb8(148, 163, 184);
  static constexpr LawColor danger = LawColor::rgb8(220, 38, 38);
  static constexpr LawColor dangerSoft = LawColor::rgb8(254, 242, 242);
  static constexpr LawColor dangerBorder = LawColor::rgb8(254, 202, 202);
  static constexpr LawColor warning = LawColor::rgb8(217, 119, 6);
  static constexpr LawColor warningSoft = LawColor::rgb8(255, 251, 235);
  static constexpr LawColor warningBorder = LawColor::rgb8(253, 230, 138);
  static constexpr LawColor success = LawColor::rgb8(5, 150, 105);
  static constexpr LawColor successGlow = LawColor::rgb8(52, 211, 153);
  static constexpr LawColor successSoft = LawColor::rgb8(236, 253, 245);
  static constexpr LawColor successBorder = LawColor::rgb8(167, 243, 208);

  // Rebuilt from the palette on every read.
  static LawGradient sidebarGradient();
  static LawGradient sidebarActiveGradient();

  struct NamedColor {
    const char* name;
    LawColor color;
  };
  // Every palette colour with its name, in declaration order (44 entries). The CSS
  // generator publishes them as @law_<name>.
  static const std::vector<NamedColor>& namedColors();
};

// An animation a view hands to its toolkit when a drawn state changes.
struct LawAnimation {
  enum class Curve { easeOut, spring };
  Curve curve = Curve::easeOut;
  double duration = 0;         // seconds (ease-out)
  double response = 0;         // seconds (spring)
  double dampingFraction = 1;  // spring
  double blendDuration = 0;    // spring

  // Seconds until the change has visibly settled: the duration of a timed curve; for
  // a spring, the time its envelope needs to fall below 1 % of the distance.
  double settleSeconds() const;
  // Fraction of the change done after t seconds (0 at t <= 0, 1 once settled; a
  // spring may overshoot slightly before it settles).
  double progress(double t) const;
  // CSS transition timing ("140ms ease-out"); a spring is given as a cubic-bezier
  // over its settle time, the closest a CSS transition gets.
  std::string cssTiming() const;
};

struct LawMotion {
  static constexpr LawAnimation hover{LawAnimation::Curve::easeOut, 0.14, 0, 1, 0};
  static constexpr LawAnimation press{LawAnimation::Curve::easeOut, 0.09, 0, 1, 0};
  static constexpr LawAnimation panel{LawAnimation::Curve::spring, 0, 0.24, 0.86, 0};
};

// ---- Per-state looks of the shared controls ----------------------------------------

// A drop shadow: colour (with its opacity), blur radius and offset, in points.
struct LawShadow {
  LawColor color = LawColor::clear();
  double radius = 0;
  double x = 0;
  double y = 0;
};

struct LawControlState {
  bool pressed = false;
  bool hover = false;
  bool enabled = true;
};

enum class LawFontWeight { regular = 400, medium = 500, semibold = 600, bold = 700 };

// Label font and the inset around it.
struct LawControlMetrics {
  double fontSize = 0;
  LawFontWeight weight = LawFontWeight::regular;
  double insetH = 0;
  double insetV = 0;
  double cornerRadius = 0;  // a chip in pill form uses a capsule instead
};

struct LawPrimaryButtonLook {
  LawColor fillTop, fillBottom;  // vertical gradient, top centre to bottom centre
  LawColor border;
  LawShadow shadow;
  double scale = 1;
  double opacity = 1;
  LawColor text;
};
LawPrimaryButtonLook lawPrimaryButtonLook(LawControlState state);
LawControlMetrics lawPrimaryButtonMetrics(bool compact);

struct LawSecondaryButtonLook {
  LawColor fill;
  LawColor stroke;
  LawColor text;
  LawShadow shadow;
  double scale = 1;
  double opacity = 1;
};
LawSecondaryButtonLook lawSecondaryButtonLook(LawControlState state, bool destructive);
LawControlMetrics lawSecondaryButtonMetrics(bool compact);

struct LawChipLook {
  LawColor fill;
  LawColor border;
  LawColor text;
  LawFontWeight weight = LawFontWeight::medium;
  LawShadow shadow;
};
LawChipLook lawChipLook(bool active, bool hover, bool pill, LawColor activeColor);
LawControlMetrics lawChipMetrics(bool compact, bool active);

// The colour schemes of the icon tile.
enum class LawIconBadgeTone { navy, gold, red, emerald, violet };

struct LawIconBadgeTonePalette {
  LawColor gradientStart;  // top-leading corner
  LawColor gradientEnd;    // bottom-trailing corner
  LawColor border;
  LawColor icon;
  double duotoneOpacity = 0.16;
};
LawIconBadgeTonePalette lawIconBadgeTonePalette(LawIconBadgeTone tone);
const char* lawIconBadgeToneName(LawIconBadgeTone tone);
inline constexpr LawIconBadgeTone kAllLawIconBadgeTones[] = {
    LawIconBadgeTone::navy, LawIconBadgeTone::gold, LawIconBadgeTone::red,
    LawIconBadgeTone::emerald, LawIconBadgeTone::violet};

// Fixed geometry shared by the components.
namespace LawMetrics {
inline constexpr double buttonRadius = 8;     // buttons and tiles
inline constexpr double chipRadius = 6;       // rectangular chips
inline constexpr double cardRadius = 12;
inline constexpr double borderWidth = 1;
inline constexpr double pressedScale = 0.98;
inline constexpr double cardSpacing = 10;
inline constexpr double sheetHeaderSpacing = 11;
inline constexpr double sheetHeaderInsetH = 16;
inline constexpr double sheetHeaderInsetV = 12;
inline constexpr double sheetHeaderMinSpacer = 8;
inline constexpr double sheetHeaderTextSpacing = 1.5;
inline constexpr double sheetHeaderTitleSize = 14.5;
inline constexpr double sheetHeaderSubtitleSize = 11;
inline constexpr double sheetHeaderBadgeBox = 30;
inline constexpr double sheetHeaderBadgeIcon = 16;
inline constexpr double sheetHeaderSymbolSize = 13;
inline constexpr double sheetHeaderBackgroundOpacity = 0.96;
}  // namespace LawMetrics

// Shadows of the tiles and the card (fixed, not state dependent).
LawShadow lawBrandBadgeShadow();
LawShadow lawIconBadgeShadow();
// The card's two stacked shadows, outer first.
std::vector<LawShadow> lawCardShadows();
// The brand tile's fill, top-leading to bottom-trailing.
LawGradient lawBrandBadgeGradient();
// The sheet header's symbol tile (used when no drawn icon fits the symbol).
LawGradient lawSheetHeaderTileGradient();

}  // namespace quorvel
