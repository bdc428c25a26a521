#include "core/Theme.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace quorvel {

namespace {

int to8(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

std::string formatNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

}  // namespace

int LawColor::red8() const { return to8(r); }
int LawColor::green8() const { return to8(g); }
int LawColor::blue8() const { return to8(b); }

std::string LawColor::hex() const {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", red8(), green8(), blue8());
  return buf;
}

std::string LawColor::css() const {
  std::string rgb = std::to_string(red8()) + "," + std::to_string(green8()) + "," +
                    std::to_string(blue8());
  if (a >= 1.0) return "rgb(" + rgb + ")";
  return "rgba(" + rgb + "," + formatNumber(std::max(0.0, a)) + ")";
}

LawGradient LawGradient::evenlySpaced(const std::vector<LawColor>& colors, LawUnitPoint start,
                                      LawUnitPoint end) {
  LawGradient g;
  g.start = start;
  g.end = end;
  const size_t n = colors.size();
  for (size_t i = 0; i < n; ++i) {
    double loc = n > 1 ? static_cast<double>(i) / static_cast<double>(n - 1) : 0.0;
    g.stops.push_back({colors[i], loc});
  }
  return g;
}

LawColor LawGradient::colorAt(double t) const {
  if (stops.empty()) return LawColor::clear();
  if (t <= stops.front().location) return stops.front().color;
  if (t >= stops.back().location) return stops.back().color;
  for (size_t i = 1; i < stops.size(); ++i) {
    const auto& lo = stops[i - 1];
    const auto& hi = stops[i];
    if (t <= hi.location) {
      double span = hi.location - lo.location;
      double f = span > 0 ? (t - lo.location) / span : 1.0;
      auto mix = [f](double x, double y) { return x + (y - x) * f; };
      return LawColor{mix(lo.color.r, hi.color.r), mix(lo.color.g, hi.color.g),
                      mix(lo.color.b, hi.color.b), mix(lo.color.a, hi.color.a)};
    }
  }
  return stops.back().color;
}

LawGradient LawTheme::sidebarGradient() {
  return LawGradient{{{sidebarTop, 0.0}, {sidebarMid, 0.55}, {sidebarBottom, 1.0}},
                     LawUnit::top,
                     LawUnit::bottom};
}

LawGradient LawTheme::sidebarActiveGradient() {
  return LawGradient::evenlySpaced({gold.opacity(0.18), primary.opacity(0.62)}, LawUnit::leading,
                                   LawUnit::trailing);
}

const std::vector<LawTheme::NamedColor>& LawTheme::namedColors() {
  static const std::vector<NamedColor> all = {
      {"ink", ink},
      {"primary", primary},
      {"primaryTop", primaryTop},
      {"primaryDark", primaryDark},
      {"primaryBorder", primaryBorder},
      {"primaryHover", primaryHover},
      {"primarySoft", primarySoft},
      {"gold", gold},
      {"goldLight", goldLight},
      {"goldPale", goldPale},
      {"goldBorder", goldBorder},
      {"goldSoft", goldSoft},
      {"sidebarTop", sidebarTop},
      {"sidebarMid", sidebarMid},
      {"sidebarBottom", sidebarBottom},
      {"sidebarBg", sidebarBg},
      {"sidebarHeaderBg", sidebarHeaderBg},
      {"sidebarCardBg", sidebarCardBg},
      {"sidebarHover", sidebarHover},
      {"sidebarActiveBg", sidebarActiveBg},
      {"sidebarText", sidebarText},
      {"sidebarTextBright", sidebarTextBright},
      {"sidebarTextMuted", sidebarTextMuted},
      {"sidebarSection", sidebarSection},
      {"sidebarDivider", sidebarDivider},
      {"canvasBg", canvasBg},
      {"surfaceMuted", surfaceMuted},
      {"surface", surface},
      {"border", border},
      {"borderLight", borderLight},
      {"textPrimary", textPrimary},
      {"textSecondary", textSecondary},
      {"textTertiary", textTertiary},
      {"textMuted", textMuted},
      {"danger", danger},
      {"dangerSoft", dangerSoft},
      {"dangerBorder", dangerBorder},
      {"warning", warning},
      {"warningSoft", warningSoft},
      {"warningBorder", warningBorder},
      {"success", success},
      {"successGlow", successGlow},
      {"successSoft", successSoft},
      {"successBorder", successBorder},
  };
  return all;
}

// ---- Motion ------------------------------------------------------------------------

namespace {
constexpr double kSpringTolerance = 0.01;

// Cubic-bezier ease-out (0, 0, 0.58, 1), solved for x by bisection.
double easeOut(double x) {
  auto bez = [](double p1, double p2, double s) {
    double m = 1 - s;
    return 3 * m * m * s * p1 + 3 * m * s * s * p2 + s * s * s;
  };
  double lo = 0, hi = 1;
  for (int i = 0; i < 40; ++i) {
    double mid = (lo + hi) / 2;
    if (bez(0.0, 0.58, mid) < x) lo = mid; else hi = mid;
  }
  return bez(0.0, 1.0, (lo + hi) / 2);
}
}  // namespace

double LawAnimation::settleSeconds() const {
  if (curve == Curve::easeOut) return duration;
  const double omega = 2 * std::numbers::pi / response;
  const double zeta = std::clamp(dampingFraction, 0.01, 1.0);
  // Envelope of an under-damped (or critical) spring: A * exp(-zeta*omega*t).
  const double amplitude = zeta < 1 ? 1 / std::sqrt(1 - zeta * zeta) : 1.0;
  return std::log(amplitude / kSpringTolerance) / (zeta * omega);
}

double LawAnimation::progress(double t) const {
  if (t <= 0) return 0;
  if (curve == Curve::easeOut) {
    if (duration <= 0 || t >= duration) return 1;
    return easeOut(t / duration);
  }
  if (t >= settleSeconds()) return 1;
  const double omega = 2 * std::numbers::pi / response;
  const double zeta = std::clamp(dampingFraction, 0.01, 1.0);
  if (zeta >= 1) return 1 - std::exp(-omega * t) * (1 + omega * t);
  const double wd = omega * std::sqrt(1 - zeta * zeta);
  return 1 - std::exp(-zeta * omega * t) *
                 (std::cos(wd * t) + (zeta * omega / wd) * std::sin(wd * t));
}

std::string LawAnimation::cssTiming() const {
  const long ms = std::lround(settleSeconds() * 1000);
  if (curve == Curve::easeOut) return std::to_string(ms) + "ms ease-out";
  return std::to_string(ms) + "ms cubic-bezier(0.25, 0.9, 0.3, 1)";
}

// ---- Control looks -----------------------------------------------------------------

LawPrimaryButtonLook lawPrimaryButtonLook(LawControlState s) {
  const bool hot = s.hover && s.enabled;
  LawPrimaryButtonLook look;
  if (s.pressed) {
    look.fillTop = LawTheme::primary;
    look.fillBottom = LawTheme::primaryDark;
  } else if (hot) {
    look.fillTop = LawColor::rgb8(43, 84, 130);
    look.fillBottom = LawTheme::primaryHover;
  } else {
    look.fillTop = LawTheme::primaryTop;
    look.fillBottom = LawTheme::primary;
  }
  look.border = hot ? LawTheme::goldBorder : LawTheme::primaryBorder;
  double shadowOpacity = 0;
  if (s.enabled) shadowOpacity = s.pressed ? 0.04 : (s.hover ? 0.3 : 0.2);
  look.shadow = LawShadow{LawTheme::primary.opacity(shadowOpacity), s.hover ? 6.0 : 4.0, 0,
                          s.hover ? 2.5 : 1.5};
  look.scale = s.pressed ? LawMetrics::pressedScale : 1.0;
  look.opacity = !s.enabled ? 0.5 : (s.pressed ? 0.94 : 1.0);
  look.text = LawTheme::surface;
  return look;
}

LawControlMetrics lawPrimaryButtonMetrics(bool compact) {
  return compact ? LawControlMetrics{11.5, LawFontWeight::semibold, 10, 5, LawMetrics::buttonRadius}
                 : LawControlMetrics{12.5, LawFontWeight::semibold, 14, 7, LawMetrics::buttonRadius};
}

LawSecondaryButtonLook lawSecondaryButtonLook(LawControlState s, bool destructive) {
  const bool hot = s.hover && s.enabled;
  LawSecondaryButtonLook look;
  if (s.pressed) {
    look.fill = destructive ? LawTheme::danger.opacity(0.16) : LawTheme::primarySoft;
  } else if (hot) {
    look.fill = destructive ? LawTheme::danger.opacity(0.11) : LawColor::rgb8(241, 245, 250);
  } else {
    look.fill = destructive ? LawTheme::dangerSoft : LawTheme::surface;
  }
  if (hot) {
    look.stroke = destructive ? LawTheme::danger.opacity(0.55) : LawTheme::primary.opacity(0.42);
  } else {
    look.stroke = destructive ? LawTheme::dangerBorder : LawTheme::border;
  }
  if (destructive) look.text = LawTheme::danger;
  else look.text = hot ? LawTheme::primary : LawTheme::textSecondary;
  look.shadow = LawShadow{LawTheme::textPrimary.opacity(hot ? 0.06 : 0.03), s.hover ? 3.0 : 1.5, 0, 1};
  look.scale = s.pressed ? LawMetrics::pressedScale : 1.0;
  look.opacity = s.enabled ? 1.0 : 0.5;
  return look;
}

LawControlMetrics lawSecondaryButtonMetrics(bool compact) {
  return compact ? LawControlMetrics{11.5, LawFontWeight::medium, 9, 4.5, LawMetrics::buttonRadius}
                 : LawControlMetrics{12.5, LawFontWeight::medium, 12, 6.5, LawMetrics::buttonRadius};
}

LawChipLook lawChipLook(bool active, bool hover, bool pill, LawColor activeColor) {
  LawChipLook look;
  if (active) {
    look.fill = activeColor;
    look.border = LawColor::clear();
    look.text = LawTheme::surface;
    look.weight = LawFontWeight::semibold;
    look.shadow = LawShadow{activeColor.opacity(0.22), 3, 0, 1};
  } else {
    look.fill = hover ? LawTheme::primarySoft : (pill ? LawTheme::surface : LawTheme::canvasBg);
    look.border = hover ? activeColor.opacity(0.45) : LawTheme::border;
    look.text = hover ? LawTheme::primary : LawTheme::textSecondary;
    look.weight = LawFontWeight::medium;
    look.shadow = LawShadow{LawColor::clear(), 3, 0, 1};
  }
  return look;
}

LawControlMetrics lawChipMetrics(bool compact, bool active) {
  const LawFontWeight w = active ? LawFontWeight::semibold : LawFontWeight::medium;
  return compact ? LawControlMetrics{11, w, 8.5, 4, LawMetrics::chipRadius}
                 : LawControlMetrics{11.5, w, 10, 5, LawMetrics::chipRadius};
}

LawIconBadgeTonePalette lawIconBadgeTonePalette(LawIconBadgeTone tone) {
  using C = LawColor;
  switch (tone) {
    case LawIconBadgeTone::navy:
      return {C::rgb8(245, 248, 252), C::rgb8(234, 240, 248), C::rgb8(217, 228, 240),
              C::rgb8(22, 50, 80), 0.16};
    case LawIconBadgeTone::gold:
      return {C::rgb8(33, 69, 108), C::rgb8(19, 38, 62), C::rgb8(230, 196, 123, 0.42),
              LawTheme::goldPale, 0.24};
    case LawIconBadgeTone::red:
      return {C::rgb8(255, 245, 245), C::rgb8(254, 226, 226), C::rgb8(254, 202, 202),
              C::rgb8(185, 28, 28), 0.16};
    case LawIconBadgeTone::emerald:
      return {C::rgb8(242, 253, 248), C::rgb8(209, 250, 229), C::rgb8(167, 243, 208),
              C::rgb8(4, 120, 87), 0.16};
    case LawIconBadgeTone::violet:
      return {C::rgb8(248, 245, 255), C::rgb8(237, 233, 254), C::rgb8(221, 214, 254),
              C::rgb8(91, 33, 182), 0.16};
  }
  return lawIconBadgeTonePalette(LawIconBadgeTone::navy);
}

const char* lawIconBadgeToneName(LawIconBadgeTone tone) {
  switch (tone) {
    case LawIconBadgeTone::navy: return "navy";
    case LawIconBadgeTone::gold: return "gold";
    case LawIconBadgeTone::red: return "red";
    case LawIconBadgeTone::emerald: return "emerald";
    case LawIconBadgeTone::violet: return "violet";
  }
  return "navy";
}

LawShadow lawBrandBadgeShadow() { return LawShadow{LawColor{0, 0, 0, 0.24}, 5, 0, 2}; }

LawShadow lawIconBadgeShadow() { return LawShadow{LawTheme::ink.opacity(0.05), 2, 0, 1}; }

std::vector<LawShadow> lawCardShadows() {
  return {LawShadow{LawTheme::textPrimary.opacity(0.045), 6, 0, 2},
          LawShadow{LawTheme::textPrimary.opacity(0.025), 1.5, 0, 1}};
}

LawGradient lawBrandBadgeGradient() {
  return LawGradient::evenlySpaced({LawTheme::gold.opacity(0.24), LawTheme::gold.opacity(0.08)},
                                   LawUnit::topLeading, LawUnit::bottomTrailing);
}

LawGradient lawSheetHeaderTileGradient() {
  return LawGradient::evenlySpaced({LawTheme::primaryTop, LawTheme::ink}, LawUnit::topLeading,
                                   LawUnit::bottomTrailing);
}

}  // namespace quorvel
