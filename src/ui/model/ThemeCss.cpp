#include "ui/model/ThemeCss.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/Log.h"

namespace quorvel {

namespace {

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

std::string px(double v) { return num(v) + "px"; }

int weight(LawFontWeight w) { return static_cast<int>(w); }

std::string fontCss(double size, LawFontWeight w) {
  return "font-size: " + px(size) + "; font-weight: " + std::to_string(weight(w)) + ";";
}

std::string paddingCss(const LawControlMetrics& m) {
  return "padding: " + px(m.insetV) + " " + px(m.insetH) + ";";
}

// GTK's box-shadow blur is twice the Gaussian deviation; our shadow radius is that
// deviation, as in the drawing model the looks were designed in.
double cssBlur(double radius) { return 2 * radius; }

std::string rule(const std::string& selector, const std::string& body) {
  return selector + " {\n  " + body + "\n}\n";
}

std::string primaryStateCss(const LawPrimaryButtonLook& l) {
  return "background-image: " +
         lawGradientCss(LawGradient::evenlySpaced({l.fillTop, l.fillBottom}, LawUnit::top,
                                                  LawUnit::bottom)) +
         "; border-color: " + l.border.css() + "; box-shadow: " + lawShadowCss(l.shadow) +
         "; transform: scale(" + num(l.scale) + "); opacity: " + num(l.opacity) +
         "; color: " + l.text.css() + ";";
}

std::string secondaryStateCss(const LawSecondaryButtonLook& l) {
  return "background-color: " + l.fill.css() + "; border-color: " + l.stroke.css() +
         "; box-shadow: " + lawShadowCss(l.shadow) + "; transform: scale(" + num(l.scale) +
         "); opacity: " + num(l.opacity) + "; color: " + l.text.css() + ";";
}

std::string chipStateCss(const LawChipLook& l) {
  return "background-color: " + l.fill.css() + "; border-color: " + l.border.css() +
         "; box-shadow: " + lawShadowCss(l.shadow) + "; color: " + l.text.css() +
         "; font-weight: " + std::to_string(weight(l.weight)) + ";";
}

// Properties the default theme sets on buttons that ours must take over completely.
const std::string kButtonReset =
    "min-height: 0; min-width: 0; background-image: none; text-shadow: none; "
    "-gtk-icon-shadow: none; border-style: solid; border-width: 1px; outline: 0 solid transparent;";

std::string focusRing() {
  return "outline: 2px solid " + LawTheme::primary.opacity(0.42).css() +
         "; outline-offset: 1px;";
}

std::string tonedSelector(LawIconBadgeTone t) {
  return std::string(".law-icon-badge.law-tone-") + lawIconBadgeToneName(t);
}

}  // namespace

std::string lawGradientCss(const LawGradient& g) {
  // CSS angles: 0deg points up, 90deg to the right.
  const double dx = g.end.x - g.start.x;
  const double dy = g.end.y - g.start.y;
  double deg = std::atan2(dx, -dy) * 180.0 / std::numbers::pi;
  if (deg < 0) deg += 360;
  std::string s = "linear-gradient(" + num(deg) + "deg";
  for (const auto& stop : g.stops) s += ", " + stop.color.css() + " " + num(stop.location * 100) + "%";
  return s + ")";
}

std::string lawShadowCss(const LawShadow& s) {
  return px(s.x) + " " + px(s.y) + " " + px(cssBlur(s.radius)) + " " + s.color.css();
}

std::string lawTransitionCss(const LawAnimation& a) { return "transition: all " + a.cssTiming() + ";"; }

std::string cssNumber(double v) { return num(v); }
std::string cssPx(double v) { return px(v); }
std::string cssRule(const std::string& selector, const std::string& body) { return rule(selector, body); }

std::string lawChipColorCss(const LawColor& activeColor) {
  std::string css;
  css += rule(".law-chip:hover:not(:disabled)",
              "border-color: " + lawChipLook(false, true, false, activeColor).border.css() + ";");
  css += rule(".law-chip.law-active, .law-chip.law-active:hover",
              chipStateCss(lawChipLook(true, false, false, activeColor)));
  return css;
}

std::string lawStyleCss() {
  std::string css = "/* Generated from the palette; edit core/Theme.cpp, not this text. */\n";
  for (const auto& nc : LawTheme::namedColors())
    css += std::string("@define-color law_") + nc.name + " " + nc.color.css() + ";\n";

  const std::string hoverT = lawTransitionCss(LawMotion::hover);
  const std::string pressDuration =
      "transition-duration: " + std::to_string(std::lround(LawMotion::press.settleSeconds() * 1000)) + "ms;";

  css += rule(".law-canvas", "background-color: " + LawTheme::canvasBg.css() + ";");
  css += rule(".law-sidebar-backdrop", "background-image: " + lawGradientCss(LawTheme::sidebarGradient()) + ";");
  css += rule(".law-sidebar-active", "background-image: " + lawGradientCss(LawTheme::sidebarActiveGradient()) + ";");

  // Primary button.
  {
    const std::string sel = "button.law-primary-button";
    auto look = [](bool pressed, bool hover, bool enabled) {
      return primaryStateCss(lawPrimaryButtonLook({pressed, hover, enabled}));
    };
    const auto m = lawPrimaryButtonMetrics(false);
    const auto mc = lawPrimaryButtonMetrics(true);
    css += rule(sel, kButtonReset + " border-radius: " + px(m.cornerRadius) + "; " +
                         fontCss(m.fontSize, m.weight) + " " + paddingCss(m) + " " + hoverT + " " +
                         look(false, false, true));
    css += rule(sel + ".law-compact", fontCss(mc.fontSize, mc.weight) + " " + paddingCss(mc));
    css += rule(sel + ":hover", look(false, true, true));
    css += rule(sel + ":active", look(true, false, true) + " " + pressDuration);
    css += rule(sel + ":active:hover", look(true, true, true) + " " + pressDuration);
    css += rule(sel + ":disabled", look(false, false, false));
    css += rule(sel + ":disabled:hover", look(false, true, false));
    css += rule(sel + ":focus-visible", focusRing());
  }

  // Secondary button, plain and destructive.
  for (bool destructive : {false, true}) {
    const std::string sel =
        destructive ? "button.law-secondary-button.law-destructive" : "button.law-secondary-button";
    auto look = [destructive](bool pressed, bool hover, bool enabled) {
      return secondaryStateCss(lawSecondaryButtonLook({pressed, hover, enabled}, destructive));
    };
    if (!destructive) {
      const auto m = lawSecondaryButtonMetrics(false);
      const auto mc = lawSecondaryButtonMetrics(true);
      css += rule(sel, kButtonReset + " border-radius: " + px(m.cornerRadius) + "; " +
                           fontCss(m.fontSize, m.weight) + " " + paddingCss(m) + " " + hoverT + " " +
                           look(false, false, true));
      css += rule(sel + ".law-compact", fontCss(mc.fontSize, mc.weight) + " " + paddingCss(mc));
    } else {
      css += rule(sel, look(false, false, true));
    }
    css += rule(sel + ":hover", look(false, true, true));
    css += rule(sel + ":active", look(true, false, true) + " " + pressDuration);
    css += rule(sel + ":active:hover", look(true, true, true) + " " + pressDuration);
    css += rule(sel + ":disabled", look(false, false, false));
    css += rule(sel + ":disabled:hover", look(false, true, false));
    if (!destructive) css += rule(sel + ":focus-visible", focusRing());
  }

  // Selectable chip; the default active colour is primary (lawChipColorCss overrides).
  {
    const std::string sel = "button.law-chip";
    const LawColor ac = LawTheme::primary;
    const auto m = lawChipMetrics(false, false);
    const auto mc = lawChipMetrics(true, false);
    css += rule(sel, kButtonReset + " border-radius: " + px(m.cornerRadius) + "; " +
                         fontCss(m.fontSize, m.weight) + " " + paddingCss(m) + " " + hoverT + " " +
                         chipStateCss(lawChipLook(false, false, false, ac)));
    css += rule(sel + ".law-compact", "font-size: " + px(mc.fontSize) + "; " + paddingCss(mc));
    css += rule(sel + ".law-pill", "border-radius: 9999px; background-color: " +
                                       lawChipLook(false, false, true, ac).fill.css() + ";");
    css += rule(sel + ":hover:not(:disabled)", chipStateCss(lawChipLook(false, true, false, ac)));
    css += rule(sel + ".law-active, " + sel + ".law-active:hover",
                chipStateCss(lawChipLook(true, false, false, ac)));
    css += rule(sel + ":disabled", "opacity: 0.5;");
    css += rule(sel + ":focus-visible", focusRing());
  }

  // Card. Its padding is a margin of the content box, so it is per card.
  {
    std::string shadows;
    for (const auto& s : lawCardShadows()) shadows += (shadows.empty() ? "" : ", ") + lawShadowCss(s);
    css += rule(".law-card", "background-color: " + LawTheme::surface.css() + "; border: 1px solid " +
                                 LawTheme::borderLight.css() + "; border-radius: " +
                                 px(LawMetrics::cardRadius) + "; box-shadow: " + shadows + ";");
  }

  // Sheet header.
  {
    using namespace LawMetrics;
    css += rule(".law-sheet-header",
                "background-color: " + LawTheme::surface.opacity(sheetHeaderBackgroundOpacity).css() +
                    "; border-bottom: 1px solid " + LawTheme::borderLight.css() + "; padding: " +
                    px(sheetHeaderInsetV) + " " + px(sheetHeaderInsetH) + ";");
    css += rule(".law-sheet-header-title", fontCss(sheetHeaderTitleSize, LawFontWeight::bold) +
                                               " color: " + LawTheme::textPrimary.css() + ";");
    css += rule(".law-sheet-header-subtitle", fontCss(sheetHeaderSubtitleSize, LawFontWeight::regular) +
                                                  " color: " + LawTheme::textTertiary.css() + ";");
    css += rule(".law-sheet-header-tile",
                "background-image: " + lawGradientCss(lawSheetHeaderTileGradient()) +
                    "; border: 1px solid " + LawTheme::goldBorder.css() + "; border-radius: " +
                    px(buttonRadius) + "; color: " + LawTheme::goldPale.css() + "; " +
                    fontCss(sheetHeaderSymbolSize, LawFontWeight::semibold) +
                    " -gtk-icon-size: " + px(sheetHeaderSymbolSize) + ";");
  }

  // Brand tile and icon tiles.
  css += rule(".law-brand-badge", "background-image: " + lawGradientCss(lawBrandBadgeGradient()) +
                                      "; border: 1px solid " + LawTheme::goldBorder.css() +
                                      "; border-radius: " + px(LawMetrics::buttonRadius) +
                                      "; box-shadow: " + lawShadowCss(lawBrandBadgeShadow()) + ";");
  css += rule(".law-icon-badge", "border-style: solid; border-width: 1px; border-radius: " +
                                     px(LawMetrics::buttonRadius) + "; box-shadow: " +
                                     lawShadowCss(lawIconBadgeShadow()) + ";");
  for (LawIconBadgeTone t : kAllLawIconBadgeTones) {
    const auto p = lawIconBadgeTonePalette(t);
    css += rule(tonedSelector(t),
                "background-image: " +
                    lawGradientCss(LawGradient::evenlySpaced({p.gradientStart, p.gradientEnd},
                                                             LawUnit::topLeading, LawUnit::bottomTrailing)) +
                    "; border-color: " + p.border.css() + "; color: " + p.icon.css() + ";");
  }
  css += lawShortcutsSheetCss();
  css += lawSettingsSheetCss();
  css += lawMainWindowCss();
  return css;
}

std::string lawShortcutsSheetCss() {
  std::string css;
  css += rule(".law-shortcut-card-icon", "color: " + LawTheme::primary.css() + "; -gtk-icon-size: 12px;");
  css += rule(".law-shortcut-card-title", fontCss(13, LawFontWeight::bold) + " color: " +
                                              LawTheme::textPrimary.css() + ";");
  css += rule(".law-shortcut-description", fontCss(12, LawFontWeight::regular) + " color: " +
                                               LawTheme::textSecondary.css() + ";");
  css += rule(".law-shortcut-keycap",
              "font-family: monospace; " + fontCss(10.5, LawFontWeight::semibold) + " color: " +
                  LawTheme::primary.css() + "; padding: 2px 6px; background-color: " + LawTheme::canvasBg.css() +
                  "; border: 0.8px solid " + LawTheme::border.css() + "; border-radius: 4px;");
  return css;
}

std::string lawSettingsSheetCss() {
  std::string css;
  css += rule(".law-section-icon", "color: " + LawTheme::primary.css() + "; -gtk-icon-size: 12px;");
  css += rule(".law-section-title", fontCss(13, LawFontWeight::bold) + " color: " + LawTheme::textPrimary.css() + ";");
  css += rule(".law-stat-tile", "padding: 10px; border-radius: 6px; background-color: " +
                                    LawTheme::surfaceMuted.css() + "; border: 1px solid " +
                                    LawTheme::borderLight.css() + ";");
  css += rule(".law-stat-title", fontCss(11, LawFontWeight::medium) + " color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-stat-value", fontCss(15, LawFontWeight::bold) + " font-feature-settings: \"tnum\"; color: " +
                                     LawTheme::primary.css() + ";");
  css += rule(".law-stat-sub", fontCss(10.5, LawFontWeight::regular) + " color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-version-line", "font-family: monospace; " + fontCss(11, LawFontWeight::regular) +
                                       " color: " + LawTheme::textMuted.css() + ";");
  // The maintenance card's header: one flat button over the whole row.
  css += rule("button.law-fold-header", "background: none; border: none; box-shadow: none; padding: 0; min-height: 0;");
  css += rule(".law-fold-chevron", "color: " + LawTheme::textMuted.css() + "; -gtk-icon-size: 11px; " +
                                       lawTransitionCss(LawMotion::hover));
  css += rule(".law-fold-chevron.law-unfolded", "-gtk-icon-transform: rotate(180deg);");
  return css;
}

std::string lawMainWindowCss() {
  std::string css;
  css += rule(".law-hairline", "background-color: " + LawTheme::borderLight.css() + "; min-height: 1px;");
  // The 2-pixel loading bar at the top of the page area.
  css += rule(".law-loading-bar, .law-loading-bar trough",
              "min-height: 2px; padding: 0; margin: 0; border: none; background: transparent;");
  css += rule(".law-loading-bar progress",
              "min-height: 2px; margin: 0; border: none; border-radius: 0; background-color: " + LawTheme::primary.css() + ";");
  css += rule(".law-moon-disc", "background-color: " + LawTheme::primarySoft.css() +
                                    "; border-radius: 26px; min-width: 52px; min-height: 52px; color: " +
                                    LawTheme::primary.css() + ";");
  css += rule(".law-brand-tile", "background-color: " + LawTheme::sidebarBg.css() +
                                     "; border-radius: 12px; min-width: 56px; min-height: 56px;");
  css += rule(".law-placeholder-title",
              "font-weight: bold; font-size: 16px; color: " + LawTheme::textPrimary.css() + ";");
  css += rule(".law-empty-title", "font-weight: bold; font-size: 17px; color: " + LawTheme::textPrimary.css() + ";");
  css += rule(".law-placeholder-note", "font-size: 11.5px; color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-empty-hint", "font-size: 12px; color: " + LawTheme::textSecondary.css() + ";");
  // The privacy lock's cover: nothing of the pages shows through.
  css += rule(".law-lock-backdrop",
              "background-image: " +
                  lawGradientCss(LawGradient::evenlySpaced(
                      {LawTheme::sidebarHeaderBg, LawTheme::sidebarBg, LawColor::rgb8(22, 41, 61)},
                      LawUnit::topLeading, LawUnit::bottomTrailing)) +
                  ";");
  css += rule(".law-lock-card", "background-color: " + LawTheme::sidebarCardBg.opacity(0.92).css() +
                                    "; border: 1px solid " + LawTheme::goldBorder.css() +
                                    "; border-radius: 14px; padding: 36px; box-shadow: 0 10px 48px rgba(0,0,0,0.35);");
  css += rule(".law-lock-title", "font-size: 19px; font-weight: bold; color: " + LawTheme::sidebarTextBright.css() + ";");
  css += rule(".law-lock-subtitle", "font-size: 12.5px; color: " + LawTheme::sidebarTextMuted.css() + ";");
  css += rule(".law-lock-button", "background-image: none; background-color: " + LawTheme::sidebarActiveBg.css() +
                                      "; border: 1px solid " + LawTheme::goldBorder.css() +
                                      "; border-radius: 8px; padding: 10px 24px; color: white; font-size: 13.5px;"
                                      " font-weight: 600; box-shadow: none;");
  css += rule(".law-lock-button:hover", "background-color: " + LawTheme::sidebarActiveBg.opacity(0.85).css() + ";");
  css += rule(".law-lock-entry", "min-width: 240px;");
  css += rule(".law-lock-error", "font-size: 11.5px; color: #FCA5A5;");
  return css;
}

}  // namespace quorvel
