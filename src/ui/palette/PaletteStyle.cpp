#include "ui/palette/PaletteStyle.h"

#include "ui/components/LawStyle.h"
#include "ui/model/ThemeCss.h"

namespace quorvel {

namespace {

std::string rule(const std::string& selector, const std::string& body) { return cssRule(selector, body); }
std::string outline(const LawColor& c) { return "inset 0 0 0 1px " + c.css(); }
// The row's shadow: radius 3, one point down, slate at 4 %.
const std::string kRowShadow = "0 1px 3px " + LawColor::rgb8(15, 23, 42, 0.04).css();

LawColor categoryColor(CommandPalette::Category category) {
  switch (category) {
    case CommandPalette::Category::contract: return LawTheme::primary;
    case CommandPalette::Category::client: return LawTheme::success;
    case CommandPalette::Category::all:
    case CommandPalette::Category::action: break;
  }
  return LawTheme::textSecondary;
}

const char* categoryName(CommandPalette::Category category) {
  switch (category) {
    case CommandPalette::Category::all: return "all";
    case CommandPalette::Category::action: return "action";
    case CommandPalette::Category::contract: return "contract";
    case CommandPalette::Category::client: return "client";
  }
  return "all";
}

}  // namespace

std::string paletteCategoryClass(CommandPalette::Category category) {
  return std::string("law-cat-") + categoryName(category);
}

LawIconKind paletteIcon(const CommandPalette::Entry& entry) {
  if (entry.path) return lawIconKindForPath(*entry.path);
  if (auto kind = lawIconKindFromSymbol(entry.symbol)) return *kind;
  if (entry.symbol == "calendar") return LawIconKind::calendar;
  if (entry.symbol == "doc.viewfinder") return LawIconKind::focus;
  if (entry.symbol == "folder") return LawIconKind::archive;
  return LawIconKind::file;
}

std::string paletteCss() {
  const std::string hoverT = lawTransitionCss(LawMotion::hover);
  const std::string reset = kLawControlResetCss;
  const std::string rowSelector = ".law-palette-row";
  std::string css = "/* Command palette, generated from its looks. */\n";
  css += rule(".law-palette", "background-color: " + LawTheme::surface.css() + ";");
  css += rule(".law-palette-search", "background-color: " + LawTheme::surface.css() + "; padding: 13px 16px;");
  css += rule(".law-palette-search-glyph", "color: " + LawTheme::primary.css() + ";");
  css += rule(".law-palette-search text", "font-size: 14.5px; color: " + LawTheme::textPrimary.css() +
                                              "; background: none; min-height: 22px;");
  css += rule(".law-palette-search text placeholder", "color: " + LawTheme::textMuted.css() + ";");
  css += rule("button.law-palette-clear",
              reset + " background-color: transparent; box-shadow: none; padding: 0; color: " +
                  LawTheme::textMuted.css() + ";");
  css += rule("button.law-palette-refresh", reset + " min-width: 24px; min-height: 24px; padding: 0; border-radius: 5px; "
                                                    "box-shadow: none; background-color: " +
                                                    LawTheme::canvasBg.css() + "; color: " +
                                                    LawTheme::textSecondary.css() + "; " + hoverT);
  css += rule("button.law-palette-refresh:hover", "color: " + LawTheme::primary.css() + ";");
  css += rule(".law-palette-rule", "background-color: " + LawTheme::borderLight.css() + "; min-height: 1px;");
  css += rule(".law-palette-pills", "background-color: " + LawTheme::surfaceMuted.css() + "; padding: 8px 14px;");
  css += rule(".law-palette-count", "font-size: 11px; color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-palette-list", "background-color: " + LawTheme::canvasBg.css() + ";");
  css += rule(".law-palette-empty-glyph", "color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-palette-failure", "font-size: 11.5px; color: " + LawTheme::danger.css() + ";");
  css += rule(".law-palette-empty-text", "font-size: 13px; color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-palette-footer", "background-color: " + LawTheme::surface.css() + "; padding: 8px 14px;");
  css += rule(".law-palette-key", "font-size: 10px; font-weight: 600; font-family: monospace; color: " +
                                      LawTheme::primary.css() + "; padding: 2px 5px; border-radius: 4px; "
                                      "background-color: " + LawTheme::canvasBg.css() +
                                      "; border: 0.8px solid " + LawTheme::border.css() + ";");
  css += rule(".law-palette-key-text", "font-size: 11px; color: " + LawTheme::textSecondary.css() + ";");

  // Rows: neither, hovered, selected (selection wins over hover).
  css += rule(rowSelector, "padding: 7px 10px; border-radius: 6px; background-color: transparent; "
                           "box-shadow: none; " + hoverT);
  css += rule(rowSelector + ".law-hover:not(.law-selected)",
              "background-color: " + LawTheme::surface.opacity(0.85).css() + "; box-shadow: " +
                  outline(LawTheme::border) + ", " + kRowShadow + ";");
  css += rule(rowSelector + ".law-selected", "background-color: " + LawTheme::surface.css() + "; box-shadow: " +
                                                 outline(LawTheme::primary.opacity(0.45)) + ", " + kRowShadow + ";");
  css += rule(".law-palette-tile", "min-width: 28px; min-height: 28px; border-radius: 6px; background-color: " +
                                       LawTheme::canvasBg.css() + "; color: " + LawTheme::primary.css() + ";");
  css += rule(".law-selected .law-palette-tile",
              "background-color: " + LawTheme::primary.css() + "; color: " + LawTheme::gold.css() + ";");
  css += rule(".law-palette-title", "font-size: 13px; font-weight: 500; color: " + LawTheme::textPrimary.css() + ";");
  css += rule(".law-selected .law-palette-title", "font-weight: 600;");
  css += rule(".law-palette-subtitle", "font-size: 11px; color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-palette-badge", "font-size: 10px; font-weight: 500; padding: 2px 6px; border-radius: 9999px;");
  for (auto category : CommandPalette::allCategories) {
    const LawColor c = categoryColor(category);
    css += rule(".law-palette-badge." + paletteCategoryClass(category),
                "color: " + c.css() + "; background-color: " + c.opacity(0.1).css() + ";");
  }
  css += rule("button.law-palette-newtab", reset + " min-width: 22px; min-height: 22px; padding: 0; border-radius: 4px; "
                                                   "box-shadow: none; background-color: " +
                                                   LawTheme::primarySoft.css() + "; color: " +
                                                   LawTheme::primary.css() + ";");
  css += rule(".law-palette-accent", "min-width: 3px; min-height: 22px; border-radius: 1.5px; background-color: " +
                                         LawTheme::gold.css() + ";");

  // Pills: active (hovered or not), hovered, neither.
  css += rule("button.law-palette-pill", reset + " padding: 4px 10px; border-radius: 9999px; " + hoverT);
  css += rule("button.law-palette-pill:not(.law-active):not(:hover)",
              "color: " + LawTheme::textSecondary.css() + "; background-color: " + LawTheme::surface.css() +
                  "; box-shadow: " + outline(LawTheme::border) + ";");
  css += rule("button.law-palette-pill:hover:not(.law-active)",
              "color: " + LawTheme::primary.css() + "; background-color: " + LawTheme::primarySoft.css() +
                  "; box-shadow: " + outline(LawTheme::primary.opacity(0.42)) + ";");
  css += rule("button.law-palette-pill.law-active", "color: white; background-color: " + LawTheme::primary.css() +
                                                        "; box-shadow: " + outline(LawColor::clear()) + ";");
  css += rule(".law-palette-pill-title", "font-size: 11.5px; font-weight: 500;");
  css += rule(".law-active .law-palette-pill-title", "font-weight: 600;");
  css += rule(".law-palette-pill-count", "font-size: 10px; font-weight: 600; font-feature-settings: \"tnum\"; "
                                         "opacity: 0.65;");
  css += rule(".law-active .law-palette-pill-count", "opacity: 0.9;");
  return css;
}

void installPaletteStyle() { addDisplayCssOnce("command-palette", paletteCss); }

}  // namespace quorvel
