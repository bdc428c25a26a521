#pragma once
// The GTK CSS of the shared look, generated from LawTheme / LawMotion / the control
// looks in core/Theme.h, so no colour or duration is typed twice. Views get the look by
// class name; they never spell out values.
//
// Named colours (for the CSS of later views): every palette colour is published as
// @law_<name>, e.g. "color: @law_textSecondary;" or "alpha(@law_primary, 0.42)".
// GTK CSS has no named durations: a view that needs a transition of its own takes the
// text from lawTransitionCss(LawMotion::hover).
//
// Class names (the component factories in ui/components/ add them; views may also add
// them to their own widgets):
//   .law-canvas                 canvas background (canvasBg)
//   .law-sidebar-backdrop       sidebarGradient, top to bottom
//   .law-sidebar-active         sidebarActiveGradient, leading to trailing
//   .law-primary-button         filled primary button; + .law-compact
//   .law-secondary-button       outlined button; + .law-compact, + .law-destructive
//   .law-chip                   selectable chip; + .law-pill, .law-compact, .law-active
//   .law-card                   card container (surface, 12 radius, two shadows)
//   .law-sheet-header           header row of sheets and tool windows
//     .law-sheet-header-title / .law-sheet-header-subtitle / .law-sheet-header-tile
//   .law-brand-badge            gold-on-navy brand tile
//   .law-shortcut-card-icon / .law-shortcut-card-title / .law-shortcut-description /
//   .law-shortcut-keycap        the shortcut sheet's cards and key caps
//   .law-section-icon / .law-section-title   the heading row of a settings card
//   .law-stat-tile / .law-stat-title / .law-stat-value / .law-stat-sub   a statistics tile
//   .law-version-line           the maintenance card's version line
//   button.law-fold-header / .law-fold-chevron (+ .law-unfolded)   a folding card's header
//   .law-icon-badge             icon tile; + .law-tone-navy|gold|red|emerald|violet
// States follow the widget's own state: :hover (only while sensitive), :active
// (pressed), :disabled, :focus-visible (keyboard focus ring), .law-active (selected).

#include <string>

#include "core/Theme.h"

namespace quorvel {

// Pieces of CSS text: a number in its short form, pixels, one rule.
std::string cssNumber(double v);
std::string cssPx(double v);
std::string cssRule(const std::string& selector, const std::string& body);

// The complete style sheet.
std::string lawStyleCss();
// The rules of the main window's own pieces (hairline, loading bar, placeholders);
// part of lawStyleCss().
std::string lawMainWindowCss();

// The shortcut sheet's card headings, descriptions and key caps; part of lawStyleCss().
std::string lawShortcutsSheetCss();
// The settings sheet's section titles, statistics tiles, version line and folding header.
std::string lawSettingsSheetCss();

// Extra rules for one chip whose activeColor differs from the default (primary):
// the active fill and shadow and the hover border. Applied to that chip only.
std::string lawChipColorCss(const LawColor& activeColor);

// CSS text of pieces, for views that write a little CSS of their own.
std::string lawGradientCss(const LawGradient& gradient);
std::string lawShadowCss(const LawShadow& shadow);
std::string lawTransitionCss(const LawAnimation& animation);  // "transition: all 140ms ease-out;"
// What a drawn control clears of the desktop theme's button look before its own.
inline constexpr const char* kLawControlResetCss =
    "min-height: 0; min-width: 0; background-image: none; text-shadow: none; border: none; "
    "outline: 0 solid transparent;";

}  // namespace quorvel
