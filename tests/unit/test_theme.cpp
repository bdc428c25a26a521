#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/Theme.h"
#include "ui/model/ThemeCss.h"

using namespace quorvel;

namespace {

// The palette as the design gives it: name, hex, opacity (in declaration order).
struct Expected {
  const char* name;
  const char* hex;
  double opacity;
};
const Expected kPalette[] = {
    {"ink", "#0F1B29", 1},          {"primary", "#1B3A5C", 1},
    {"primaryTop", "#21456C", 1},   {"primaryDark", "#142D48", 1},
    {"primaryBorder", "#16314E", 1}, {"primaryHover", "#25456B", 1},
    {"primarySoft", "#1B3A5C", 0.08}, {"gold", "#D4A853", 1},
    {"goldLight", "#E6C47B", 1},    {"goldPale", "#F2D694", 1},
    {"goldBorder", "#E6C47B", 0.36}, {"goldSoft", "#D4A853", 0.14},
    {"sidebarTop", "#111F30", 1},   {"sidebarMid", "#0D1826", 1},
    {"sidebarBottom", "#0A131E", 1}, {"sidebarBg", "#0D1826", 1},
    {"sidebarHeaderBg", "#0E1A28", 1}, {"sidebarCardBg", "#09131F", 1},
    {"sidebarHover", "#FFFFFF", 0.065}, {"sidebarActiveBg", "#25456B", 1},
    {"sidebarText", "#D5E0EC", 0.86}, {"sidebarTextBright", "#F8FAFC", 1},
    {"sidebarTextMuted", "#94A3B8", 0.82}, {"sidebarSection", "#94A3B8", 0.68},
    {"sidebarDivider", "#FFFFFF", 0.07}, {"canvasBg", "#F4F6FA", 1},
    {"surfaceMuted", "#F8FAFC", 1}, {"surface", "#FFFFFF", 1},
    {"border", "#CBD5E1", 1},       {"borderLight", "#0F172A", 0.08},
    {"textPrimary", "#0F172A", 1},  {"textSecondary", "#334155", 1},
    {"textTertiary", "#64748B", 1}, {"textMuted", "#94A3B8", 1},
    {"danger", "#DC2626", 1},       {"dangerSoft", "#FEF2F2", 1},
    {"dangerBorder", "#FECACA", 1}, {"warning", "#D97706", 1},
    {"warningSoft", "#FFFBEB", 1},  {"warningBorder", "#FDE68A", 1},
    {"success", "#059669", 1},      {"successGlow", "#34D399", 1},
    {"successSoft", "#ECFDF5", 1},  {"successBorder", "#A7F3D0", 1},
};

void expectColor(const LawColor& c, int r, int g, int b, double a) {
  EXPECT_EQ(c.red8(), r);
  EXPECT_EQ(c.green8(), g);
  EXPECT_EQ(c.blue8(), b);
  EXPECT_DOUBLE_EQ(c.a, a);
}

}  // namespace

TEST(LawThemeTest, PaletteMatchesTheDesignInOrder) {
  const auto& named = LawTheme::namedColors();
  ASSERT_EQ(named.size(), 44u);
  ASSERT_EQ(std::size(kPalette), 44u);
  for (size_t i = 0; i < named.size(); ++i) {
    SCOPED_TRACE(kPalette[i].name);
    EXPECT_STREQ(named[i].name, kPalette[i].name);
    EXPECT_EQ(named[i].color.hex(), kPalette[i].hex);
    EXPECT_DOUBLE_EQ(named[i].color.a, kPalette[i].opacity);
  }
  // Components are exact fractions of 255.
  EXPECT_DOUBLE_EQ(LawTheme::primary.r, 27 / 255.0);
  EXPECT_DOUBLE_EQ(LawTheme::gold.b, 83 / 255.0);
}

TEST(LawThemeTest, SharedValuesStaySeparateNamesButEqual) {
  EXPECT_EQ(LawTheme::sidebarBg, LawTheme::sidebarMid);
  EXPECT_EQ(LawTheme::sidebarActiveBg, LawTheme::primaryHover);
  EXPECT_EQ(LawTheme::surfaceMuted, LawTheme::sidebarTextBright);
  EXPECT_EQ(LawTheme::primarySoft, LawTheme::primary.opacity(0.08));
  EXPECT_EQ(LawTheme::borderLight, LawTheme::textPrimary.opacity(0.08));
  EXPECT_EQ(LawTheme::goldBorder, LawTheme::goldLight.opacity(0.36));
  EXPECT_EQ(LawTheme::goldSoft, LawTheme::gold.opacity(0.14));
  // White veils on the dark sidebar.
  expectColor(LawTheme::sidebarHover, 255, 255, 255, 0.065);
  expectColor(LawTheme::sidebarDivider, 255, 255, 255, 0.07);
  expectColor(LawTheme::surface, 255, 255, 255, 1);
  // The primary button's hover fill is not the palette's primary.
  EXPECT_NE(lawPrimaryButtonLook({false, true, true}).fillTop, LawTheme::primary);
}

TEST(LawThemeTest, OpacityScalesAndCssText) {
  EXPECT_DOUBLE_EQ(LawTheme::primary.opacity(0.42).a, 0.42);
  EXPECT_DOUBLE_EQ(LawTheme::goldBorder.opacity(0.5).a, 0.18);  // multiplies its own alpha
  EXPECT_EQ(LawTheme::primary.opacity(0.42).hex(), "#1B3A5C");
  EXPECT_EQ(LawTheme::primary.css(), "rgb(27,58,92)");
  EXPECT_EQ(LawTheme::primarySoft.css(), "rgba(27,58,92,0.08)");
  EXPECT_EQ(LawTheme::sidebarHover.css(), "rgba(255,255,255,0.065)");
  EXPECT_EQ(LawColor::clear().css(), "rgba(0,0,0,0)");
}

TEST(LawThemeTest, SidebarGradients) {
  const LawGradient g = LawTheme::sidebarGradient();
  ASSERT_EQ(g.stops.size(), 3u);
  EXPECT_EQ(g.stops[0].color, LawTheme::sidebarTop);
  EXPECT_DOUBLE_EQ(g.stops[0].location, 0);
  EXPECT_EQ(g.stops[1].color, LawTheme::sidebarMid);
  EXPECT_DOUBLE_EQ(g.stops[1].location, 0.55);  // not 0.5
  EXPECT_EQ(g.stops[2].color, LawTheme::sidebarBottom);
  EXPECT_DOUBLE_EQ(g.stops[2].location, 1);
  EXPECT_EQ(g.start, (LawUnitPoint{0.5, 0}));
  EXPECT_EQ(g.end, (LawUnitPoint{0.5, 1}));
  EXPECT_EQ(g.colorAt(0.55), LawTheme::sidebarMid);
  EXPECT_EQ(g.colorAt(-1), LawTheme::sidebarTop);

  const LawGradient a = LawTheme::sidebarActiveGradient();
  ASSERT_EQ(a.stops.size(), 2u);
  expectColor(a.stops[0].color, 212, 168, 83, 0.18);
  expectColor(a.stops[1].color, 27, 58, 92, 0.62);
  EXPECT_DOUBLE_EQ(a.stops[0].location, 0);
  EXPECT_DOUBLE_EQ(a.stops[1].location, 1);
  EXPECT_EQ(a.start, (LawUnitPoint{0, 0.5}));
  EXPECT_EQ(a.end, (LawUnitPoint{1, 0.5}));
  // Lighter (fainter) where the icon sits, stronger at the trailing edge.
  EXPECT_NEAR(a.colorAt(0.5).a, 0.40, 1e-9);
  EXPECT_LT(a.colorAt(0.1).a, a.colorAt(0.9).a);
}

TEST(LawThemeTest, MotionCurves) {
  EXPECT_EQ(LawMotion::hover.curve, LawAnimation::Curve::easeOut);
  EXPECT_DOUBLE_EQ(LawMotion::hover.duration, 0.14);
  EXPECT_EQ(LawMotion::press.curve, LawAnimation::Curve::easeOut);
  EXPECT_DOUBLE_EQ(LawMotion::press.duration, 0.09);
  EXPECT_EQ(LawMotion::panel.curve, LawAnimation::Curve::spring);
  EXPECT_DOUBLE_EQ(LawMotion::panel.response, 0.24);
  EXPECT_DOUBLE_EQ(LawMotion::panel.dampingFraction, 0.86);
  EXPECT_DOUBLE_EQ(LawMotion::panel.blendDuration, 0);

  EXPECT_EQ(LawMotion::hover.cssTiming(), "140ms ease-out");
  EXPECT_EQ(LawMotion::press.cssTiming(), "90ms ease-out");

  // Ease-out: starts fast, monotonic, ends at 1.
  double last = 0;
  for (double t = 0.01; t <= 0.14; t += 0.01) {
    double p = LawMotion::hover.progress(t);
    EXPECT_GE(p, last);
    last = p;
  }
  EXPECT_DOUBLE_EQ(LawMotion::hover.progress(0), 0);
  EXPECT_DOUBLE_EQ(LawMotion::hover.progress(0.14), 1);
  EXPECT_GT(LawMotion::hover.progress(0.07), 0.5);

  // The panel spring settles in about its response, barely overshooting.
  const double settle = LawMotion::panel.settleSeconds();
  EXPECT_GT(settle, 0.15);
  EXPECT_LT(settle, 0.35);
  for (double t = 0; t < settle; t += 0.005) EXPECT_LT(LawMotion::panel.progress(t), 1.01);
  EXPECT_NEAR(LawMotion::panel.progress(settle * 0.999), 1, 0.02);
  EXPECT_DOUBLE_EQ(LawMotion::panel.progress(1), 1);
}

TEST(LawControlLookTest, PrimaryButtonStates) {
  const auto normal = lawPrimaryButtonLook({false, false, true});
  EXPECT_EQ(normal.fillTop, LawTheme::primaryTop);
  EXPECT_EQ(normal.fillBottom, LawTheme::primary);
  EXPECT_EQ(normal.border, LawTheme::primaryBorder);
  EXPECT_DOUBLE_EQ(normal.shadow.color.a, 0.2);
  EXPECT_DOUBLE_EQ(normal.shadow.radius, 4);
  EXPECT_DOUBLE_EQ(normal.shadow.y, 1.5);
  EXPECT_DOUBLE_EQ(normal.scale, 1);
  EXPECT_DOUBLE_EQ(normal.opacity, 1);
  EXPECT_EQ(normal.text, LawTheme::surface);

  const auto hover = lawPrimaryButtonLook({false, true, true});
  expectColor(hover.fillTop, 43, 84, 130, 1);
  EXPECT_EQ(hover.fillBottom, LawTheme::primaryHover);
  EXPECT_EQ(hover.border, LawTheme::goldBorder);
  EXPECT_DOUBLE_EQ(hover.shadow.color.a, 0.3);
  EXPECT_DOUBLE_EQ(hover.shadow.radius, 6);
  EXPECT_DOUBLE_EQ(hover.shadow.y, 2.5);

  const auto pressed = lawPrimaryButtonLook({true, true, true});
  EXPECT_EQ(pressed.fillTop, LawTheme::primary);
  EXPECT_EQ(pressed.fillBottom, LawTheme::primaryDark);
  EXPECT_EQ(pressed.border, LawTheme::goldBorder);
  EXPECT_DOUBLE_EQ(pressed.shadow.color.a, 0.04);
  EXPECT_DOUBLE_EQ(pressed.shadow.radius, 6);
  EXPECT_DOUBLE_EQ(pressed.scale, 0.98);
  EXPECT_DOUBLE_EQ(pressed.opacity, 0.94);
  // Shadow colour is the primary value.
  EXPECT_EQ(pressed.shadow.color.hex(), "#1B3A5C");

  // Disabled: no shadow, half opacity, normal gradient and border even when hovered.
  for (bool hovered : {false, true}) {
    const auto disabled = lawPrimaryButtonLook({false, hovered, false});
    EXPECT_EQ(disabled.fillTop, LawTheme::primaryTop);
    EXPECT_EQ(disabled.fillBottom, LawTheme::primary);
    EXPECT_EQ(disabled.border, LawTheme::primaryBorder);
    EXPECT_DOUBLE_EQ(disabled.shadow.color.a, 0);
    EXPECT_DOUBLE_EQ(disabled.opacity, 0.5);
  }

  // Pressed before any hover event: pressed gradient, border and shadow size from hover.
  const auto pressedCold = lawPrimaryButtonLook({true, false, true});
  EXPECT_EQ(pressedCold.fillTop, LawTheme::primary);
  EXPECT_EQ(pressedCold.border, LawTheme::primaryBorder);
  EXPECT_DOUBLE_EQ(pressedCold.shadow.radius, 4);
  EXPECT_DOUBLE_EQ(pressedCold.shadow.y, 1.5);
  EXPECT_DOUBLE_EQ(pressedCold.shadow.color.a, 0.04);
}

TEST(LawControlLookTest, SecondaryButtonStates) {
  const auto normal = lawSecondaryButtonLook({false, false, true}, false);
  EXPECT_EQ(normal.fill, LawTheme::surface);
  EXPECT_EQ(normal.stroke, LawTheme::border);
  EXPECT_EQ(normal.text, LawTheme::textSecondary);
  EXPECT_DOUBLE_EQ(normal.shadow.color.a, 0.03);
  EXPECT_DOUBLE_EQ(normal.shadow.radius, 1.5);
  EXPECT_DOUBLE_EQ(normal.shadow.y, 1);

  const auto hover = lawSecondaryButtonLook({false, true, true}, false);
  expectColor(hover.fill, 241, 245, 250, 1);
  EXPECT_EQ(hover.stroke, LawTheme::primary.opacity(0.42));
  EXPECT_EQ(hover.text, LawTheme::primary);
  EXPECT_DOUBLE_EQ(hover.shadow.color.a, 0.06);
  EXPECT_DOUBLE_EQ(hover.shadow.radius, 3);

  const auto pressed = lawSecondaryButtonLook({true, true, true}, false);
  EXPECT_EQ(pressed.fill, LawTheme::primarySoft);
  EXPECT_EQ(pressed.stroke, LawTheme::primary.opacity(0.42));
  EXPECT_DOUBLE_EQ(pressed.scale, 0.98);
  EXPECT_DOUBLE_EQ(pressed.opacity, 1);  // no dimming while pressed

  // Hover colours need hover and enabled.
  const auto hoveredDisabled = lawSecondaryButtonLook({false, true, false}, false);
  EXPECT_EQ(hoveredDisabled.fill, LawTheme::surface);
  EXPECT_EQ(hoveredDisabled.stroke, LawTheme::border);
  EXPECT_EQ(hoveredDisabled.text, LawTheme::textSecondary);
  EXPECT_DOUBLE_EQ(hoveredDisabled.opacity, 0.5);

  // Destructive: danger text in every state.
  const auto dn = lawSecondaryButtonLook({false, false, true}, true);
  EXPECT_EQ(dn.fill, LawTheme::dangerSoft);
  EXPECT_EQ(dn.stroke, LawTheme::dangerBorder);
  const auto dh = lawSecondaryButtonLook({false, true, true}, true);
  EXPECT_EQ(dh.fill, LawTheme::danger.opacity(0.11));
  EXPECT_EQ(dh.stroke, LawTheme::danger.opacity(0.55));
  const auto dp = lawSecondaryButtonLook({true, true, true}, true);
  EXPECT_EQ(dp.fill, LawTheme::danger.opacity(0.16));
  for (LawControlState s : {LawControlState{false, false, true}, LawControlState{false, true, true},
                            LawControlState{true, true, true}, LawControlState{false, true, false}})
    EXPECT_EQ(lawSecondaryButtonLook(s, true).text, LawTheme::danger);
}

TEST(LawControlLookTest, ChipStates) {
  const LawColor accent = LawTheme::success;
  const auto active = lawChipLook(true, true, true, accent);
  EXPECT_EQ(active.fill, accent);
  EXPECT_DOUBLE_EQ(active.border.a, 0);  // no visible border
  EXPECT_EQ(active.text, LawTheme::surface);
  EXPECT_EQ(active.weight, LawFontWeight::semibold);
  EXPECT_EQ(active.shadow.color, accent.opacity(0.22));
  EXPECT_DOUBLE_EQ(active.shadow.radius, 3);
  // White text whatever the active colour.
  EXPECT_EQ(lawChipLook(true, false, false, LawTheme::goldPale).text, LawTheme::surface);

  EXPECT_EQ(lawChipLook(false, false, true, accent).fill, LawTheme::surface);
  EXPECT_EQ(lawChipLook(false, false, false, accent).fill, LawTheme::canvasBg);
  EXPECT_EQ(lawChipLook(false, false, false, accent).border, LawTheme::border);
  EXPECT_EQ(lawChipLook(false, false, false, accent).text, LawTheme::textSecondary);
  EXPECT_EQ(lawChipLook(false, false, false, accent).weight, LawFontWeight::medium);
  EXPECT_DOUBLE_EQ(lawChipLook(false, false, false, accent).shadow.color.a, 0);

  const auto hover = lawChipLook(false, true, false, accent);
  EXPECT_EQ(hover.fill, LawTheme::primarySoft);
  EXPECT_EQ(hover.border, accent.opacity(0.45));
  EXPECT_EQ(hover.text, LawTheme::primary);
}

TEST(LawControlLookTest, MetricsPerSize) {
  const auto p = lawPrimaryButtonMetrics(false), pc = lawPrimaryButtonMetrics(true);
  EXPECT_DOUBLE_EQ(p.fontSize, 12.5);
  EXPECT_DOUBLE_EQ(pc.fontSize, 11.5);
  EXPECT_DOUBLE_EQ(p.insetH, 14);
  EXPECT_DOUBLE_EQ(p.insetV, 7);
  EXPECT_DOUBLE_EQ(pc.insetH, 10);
  EXPECT_DOUBLE_EQ(pc.insetV, 5);
  EXPECT_EQ(p.weight, LawFontWeight::semibold);
  EXPECT_DOUBLE_EQ(p.cornerRadius, 8);

  const auto s = lawSecondaryButtonMetrics(false), sc = lawSecondaryButtonMetrics(true);
  EXPECT_DOUBLE_EQ(s.insetH, 12);
  EXPECT_DOUBLE_EQ(s.insetV, 6.5);
  EXPECT_DOUBLE_EQ(sc.insetH, 9);
  EXPECT_DOUBLE_EQ(sc.insetV, 4.5);
  EXPECT_EQ(s.weight, LawFontWeight::medium);

  const auto c = lawChipMetrics(false, false), cc = lawChipMetrics(true, true);
  EXPECT_DOUBLE_EQ(c.fontSize, 11.5);
  EXPECT_DOUBLE_EQ(cc.fontSize, 11);
  EXPECT_DOUBLE_EQ(c.insetH, 10);
  EXPECT_DOUBLE_EQ(cc.insetH, 8.5);
  EXPECT_DOUBLE_EQ(cc.insetV, 4);
  EXPECT_DOUBLE_EQ(c.cornerRadius, 6);
  EXPECT_EQ(cc.weight, LawFontWeight::semibold);
}

TEST(LawControlLookTest, IconBadgeTonesAndTiles) {
  struct T {
    LawIconBadgeTone tone;
    const char *start, *end, *border, *icon;
    double borderAlpha, duotone;
  };
  const T tones[] = {
      {LawIconBadgeTone::navy, "#F5F8FC", "#EAF0F8", "#D9E4F0", "#163250", 1, 0.16},
      {LawIconBadgeTone::gold, "#21456C", "#13263E", "#E6C47B", "#F2D694", 0.42, 0.24},
      {LawIconBadgeTone::red, "#FFF5F5", "#FEE2E2", "#FECACA", "#B91C1C", 1, 0.16},
      {LawIconBadgeTone::emerald, "#F2FDF8", "#D1FAE5", "#A7F3D0", "#047857", 1, 0.16},
      {LawIconBadgeTone::violet, "#F8F5FF", "#EDE9FE", "#DDD6FE", "#5B21B6", 1, 0.16},
  };
  for (const T& t : tones) {
    SCOPED_TRACE(lawIconBadgeToneName(t.tone));
    const auto p = lawIconBadgeTonePalette(t.tone);
    EXPECT_EQ(p.gradientStart.hex(), t.start);
    EXPECT_EQ(p.gradientEnd.hex(), t.end);
    EXPECT_EQ(p.border.hex(), t.border);
    EXPECT_DOUBLE_EQ(p.border.a, t.borderAlpha);
    EXPECT_EQ(p.icon.hex(), t.icon);
    EXPECT_DOUBLE_EQ(p.duotoneOpacity, t.duotone);
  }
  EXPECT_EQ(lawIconBadgeTonePalette(LawIconBadgeTone::gold).icon, LawTheme::goldPale);

  const auto brand = lawBrandBadgeGradient();
  expectColor(brand.stops.front().color, 212, 168, 83, 0.24);
  expectColor(brand.stops.back().color, 212, 168, 83, 0.08);
  EXPECT_EQ(brand.start, LawUnit::topLeading);
  EXPECT_EQ(brand.end, LawUnit::bottomTrailing);
  EXPECT_DOUBLE_EQ(lawBrandBadgeShadow().color.a, 0.24);
  EXPECT_DOUBLE_EQ(lawBrandBadgeShadow().radius, 5);
  EXPECT_EQ(lawIconBadgeShadow().color, LawTheme::ink.opacity(0.05));

  const auto card = lawCardShadows();
  ASSERT_EQ(card.size(), 2u);
  EXPECT_DOUBLE_EQ(card[0].color.a, 0.045);
  EXPECT_DOUBLE_EQ(card[0].radius, 6);
  EXPECT_DOUBLE_EQ(card[0].y, 2);
  EXPECT_DOUBLE_EQ(card[1].color.a, 0.025);
  EXPECT_DOUBLE_EQ(card[1].radius, 1.5);
  EXPECT_DOUBLE_EQ(card[1].y, 1);
}

// The style sheet is generated text; this checks it carries the palette and the
// state looks, so views using the class names get the right values.
TEST(LawStyleCssTest, PublishesPaletteAndStateRules) {
  const std::string css = lawStyleCss();
  for (const auto& nc : LawTheme::namedColors())
    EXPECT_NE(css.find(std::string("@define-color law_") + nc.name + " " + nc.color.css() + ";"),
              std::string::npos)
        << nc.name;
  for (const char* sel : {"button.law-primary-button:hover", "button.law-primary-button:active",
                          "button.law-primary-button:disabled", "button.law-secondary-button.law-destructive:hover",
                          "button.law-chip.law-active", ".law-card", ".law-sheet-header", ".law-brand-badge",
                          ".law-icon-badge.law-tone-violet", ".law-sidebar-backdrop"})
    EXPECT_NE(css.find(sel), std::string::npos) << sel;
  // The sidebar gradient keeps its 55 % stop; durations come from LawMotion.
  EXPECT_NE(css.find("linear-gradient(180deg, rgb(17,31,48) 0%, rgb(13,24,38) 55%, rgb(10,19,30) 100%)"),
            std::string::npos);
  EXPECT_NE(css.find("transition: all 140ms ease-out;"), std::string::npos);
  EXPECT_NE(css.find("transition-duration: 90ms;"), std::string::npos);
  EXPECT_NE(css.find("transform: scale(0.98)"), std::string::npos);

  EXPECT_EQ(lawGradientCss(LawTheme::sidebarActiveGradient()),
            "linear-gradient(90deg, rgba(212,168,83,0.18) 0%, rgba(27,58,92,0.62) 100%)");
  EXPECT_EQ(lawGradientCss(lawBrandBadgeGradient()).substr(0, 22), "linear-gradient(135deg");
  EXPECT_EQ(lawShadowCss(LawShadow{LawColor{0, 0, 0, 0.24}, 5, 0, 2}), "0px 2px 10px rgba(0,0,0,0.24)");
  const std::string chip = lawChipColorCss(LawTheme::success);
  EXPECT_NE(chip.find("background-color: " + LawTheme::success.css()), std::string::npos);
  EXPECT_NE(chip.find("border-color: " + LawTheme::success.opacity(0.45).css()), std::string::npos);
}
