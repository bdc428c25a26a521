#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

#include "core/LawIcons.h"
#include "core/Theme.h"
#include "ui/components/ComponentGallery.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawBadges.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawCard.h"
#include "ui/components/LawPrecisionIcon.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/components/LawSheetHeader.h"
#include "TextFreeArea.h"
#include "WidgetFind.h"

using namespace quorvel;

namespace {

struct Rgb {
  int r, g, b, a;
};

// Un-premultiplied components of one rendered pixel.
Rgb rgbAt(const RenderedPixels& p, int x, int y) {
  const uint32_t v = p.at(x, y);
  const int a = static_cast<int>(v >> 24);
  auto un = [a](uint32_t c) { return a ? static_cast<int>(std::lround(c * 255.0 / a)) : 0; };
  return {un((v >> 16) & 0xFF), un((v >> 8) & 0xFF), un(v & 0xFF), a};
}

// One widget as rendered, with where in it no text is.
struct Shot {
  RenderedPixels px;
  quorvel::test::TextFreeArea noText;
  int width() const { return px.width; }
  int height() const { return px.height; }
};

// Colours are read only where no glyph can be.
Rgb rgbAt(const Shot& s, int x, int y) {
  EXPECT_TRUE(s.noText.contains(x, y)) << "(" << x << "," << y << ") may show text";
  return rgbAt(s.px, x, y);
}

// Text-free pixels that differ between two states, over all text-free pixels.
double differingShare(const Shot& a, const Shot& b) {
  const long all = a.noText.pixelCount(a.width(), a.height());
  return all > 0 ? static_cast<double>(a.noText.countDifferent(a.px, b.px)) / all : 0;
}

// The text colour of the first label in `w`, from its style.
std::string labelColor(Gtk::Widget& w) {
  std::string colour;
  quorvel::test::forEachWidget(w, [&](Gtk::Widget& c) {
    if (colour.empty() && dynamic_cast<Gtk::Label*>(&c)) colour = c.get_style_context()->get_color().to_string();
  });
  return colour;
}

void expectNear(const Rgb& got, const LawColor& want, int tolerance) {
  EXPECT_NEAR(got.r, want.red8(), tolerance);
  EXPECT_NEAR(got.g, want.green8(), tolerance);
  EXPECT_NEAR(got.b, want.blue8(), tolerance);
}

// A row of widgets shown in one window; each renders on its own.
class Stage : public ::testing::Test {
 protected:
  void SetUp() override {
    row_ = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 16);
    row_->add_css_class("law-canvas");
    row_->set_margin(0);
  }
  template <class W>
  W* add(W* w) {
    auto* cell = Gtk::make_managed<Gtk::Box>();
    cell->set_margin(12);
    w->set_halign(Gtk::Align::START);
    w->set_valign(Gtk::Align::START);
    cell->append(*w);
    row_->append(*cell);
    return w;
  }
  void show() {
    host_ = std::make_unique<WidgetRenderHost>(*row_);
    ASSERT_TRUE(host_->showAndWait());
  }
  Shot shot(Gtk::Widget& w) { return {texturePixels(host_->render(w)), quorvel::test::TextFreeArea(w)}; }

  ScopedAnimationsOff noAnimations_;
  Gtk::Box* row_ = nullptr;
  std::unique_ptr<WidgetRenderHost> host_;
};

void hover(Gtk::Widget& w) { w.set_state_flags(Gtk::StateFlags::PRELIGHT, false); }
void press(Gtk::Widget& w) { w.set_state_flags(Gtk::StateFlags::PRELIGHT | Gtk::StateFlags::ACTIVE, false); }

}  // namespace

TEST(LawStyleGtkTest, StyleSheetParsesWithoutErrors) {
  auto provider = Gtk::CssProvider::create();
  int errors = 0;
  std::string first;
  provider->signal_parsing_error().connect(
      [&](const Glib::RefPtr<const Gtk::CssSection>& section, const Glib::Error& e) {
        if (errors++ == 0) first = section->to_string() + ": " + e.what();
      });
  provider->load_from_data(lawStyleCss());
  provider->load_from_data(lawChipColorCss(LawTheme::warning));
  EXPECT_EQ(errors, 0) << first;
}

TEST(ComponentGalleryTest, RendersToPng) {
  const auto dir = std::filesystem::temp_directory_path() / ("quorvel-gallery-" + std::to_string(::getpid()));
  const auto path = dir / "gallery.png";
  auto rendered = renderComponentGalleryPng(path.string());
  ASSERT_TRUE(rendered.ok()) << describe(rendered.error());
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
  auto texture = Gdk::Texture::create_from_filename(path.string());
  ASSERT_TRUE(texture);
  EXPECT_GT(texture->get_width(), 900);
  EXPECT_GT(texture->get_height(), 2000);
  // An opaque page on the canvas colour, read in its 24-pixel padding, where no text is.
  const RenderedPixels px = texturePixels(texture);
  const Rgb corner = rgbAt(px, 2, 2);
  EXPECT_EQ(corner.a, 255);
  expectNear(corner, LawTheme::canvasBg, 1);
  std::filesystem::remove_all(dir);
}

TEST_F(Stage, ButtonStatesDifferInPixels) {
  Gtk::Button* pn = add(makeLawPrimaryButton("保存"));
  Gtk::Button* ph = add(makeLawPrimaryButton("保存"));
  Gtk::Button* pp = add(makeLawPrimaryButton("保存"));
  Gtk::Button* pd = add(makeLawPrimaryButton("保存"));
  Gtk::Button* sn = add(makeLawSecondaryButton("取消"));
  Gtk::Button* sh = add(makeLawSecondaryButton("取消"));
  Gtk::Button* sp = add(makeLawSecondaryButton("取消"));
  Gtk::Button* sd = add(makeLawSecondaryButton("取消"));
  Gtk::Button* sdh = add(makeLawSecondaryButton("取消"));
  hover(*ph);
  press(*pp);
  pd->set_sensitive(false);
  hover(*sh);
  press(*sp);
  sd->set_sensitive(false);
  sdh->set_sensitive(false);
  hover(*sdh);
  show();

  const auto n = shot(*pn), h = shot(*ph), p = shot(*pp), d = shot(*pd);
  ASSERT_GT(n.width(), 20);
  EXPECT_GT(differingShare(n, h), 0.5);
  EXPECT_GT(differingShare(n, p), 0.5);
  EXPECT_GT(differingShare(h, p), 0.5);
  EXPECT_GT(differingShare(n, d), 0.5);

  // The fill runs from primaryTop at the top to primary at the bottom (normal state).
  expectNear(rgbAt(n, n.width() / 2, 2), LawTheme::primaryTop, 6);
  expectNear(rgbAt(n, n.width() / 2, n.height() - 3), LawTheme::primary, 6);
  // Hover: the lighter #2B5482 at the top.
  expectNear(rgbAt(h, h.width() / 2, 2), LawColor::rgb8(43, 84, 130), 6);
  // Disabled: half opacity.
  EXPECT_NEAR(rgbAt(d, d.width() / 2, 3).a, 128, 4);

  const auto s = shot(*sn), shv = shot(*sh), spr = shot(*sp);
  EXPECT_GT(differingShare(s, shv), 0);
  EXPECT_GT(differingShare(s, spr), 0);
  expectNear(rgbAt(s, 4, s.height() / 2), LawTheme::surface, 2);
  expectNear(rgbAt(shv, 4, shv.height() / 2), LawColor::rgb8(241, 245, 250), 2);
  // A hovered disabled secondary button keeps its fill, border and text colour; only
  // the shadow's spread follows the pointer, outside the rounded corners.
  const auto dn = shot(*sd), dh = shot(*sdh);
  ASSERT_EQ(dn.width(), dh.width());
  for (int y = 3; y < dn.height() - 3; ++y)
    for (int x = 3; x < dn.width() - 3; ++x)
      if (dn.noText.contains(x, y)) {
        ASSERT_EQ(dn.px.at(x, y), dh.px.at(x, y)) << x << "," << y;
      }
  EXPECT_EQ(labelColor(*sd), labelColor(*sdh));
}

TEST_F(Stage, ChipStatesAndActiveColor) {
  auto* normal = add(Gtk::make_managed<LawSelectableChip>("本周", false));
  auto* hovered = add(Gtk::make_managed<LawSelectableChip>("本周", false));
  auto* pressed = add(Gtk::make_managed<LawSelectableChip>("本周", false));
  auto* active = add(Gtk::make_managed<LawSelectableChip>("本周", true, LawTheme::success));
  auto* pill = add(Gtk::make_managed<LawSelectableChip>("本周", false, LawTheme::primary, true));
  hover(*hovered);
  press(*pressed);
  show();

  const auto n = shot(*normal), h = shot(*hovered), p = shot(*pressed), a = shot(*active);
  EXPECT_GT(differingShare(n, h), 0.5);
  EXPECT_GT(differingShare(n, p), 0.5);
  // Inactive rounded chip on canvasBg, pill on surface, active on its own colour.
  expectNear(rgbAt(n, 4, n.height() / 2), LawTheme::canvasBg, 2);
  const auto pl = shot(*pill);
  expectNear(rgbAt(pl, pl.width() / 2, 3), LawTheme::surface, 2);
  expectNear(rgbAt(a, 4, a.height() / 2), LawTheme::success, 3);
  // No border on the active chip: its edge pixel carries the fill.
  expectNear(rgbAt(a, a.width() / 2, 0), LawTheme::success, 12);
}

TEST(LawSelectableChipTest, ClickCallsActionWithoutChangingSelection) {
  int calls = 0;
  LawSelectableChip chip("本月", false, LawTheme::primary, true, false, [&] { ++calls; });
  g_signal_emit_by_name(chip.gobj(), "clicked");
  g_signal_emit_by_name(chip.gobj(), "clicked");
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(chip.active());
  EXPECT_FALSE(chip.has_css_class("law-active"));
  chip.setActive(true);
  EXPECT_TRUE(chip.has_css_class("law-active"));
  EXPECT_TRUE(chip.has_css_class("law-pill"));
  EXPECT_TRUE(HandCursorModifier::of(chip).enabled());
}

TEST_F(Stage, IconWidgetDrawsInsideItsFrame) {
  std::vector<LawPrecisionIcon*> icons;
  for (LawIconKind k : kAllLawIconKinds) icons.push_back(add(Gtk::make_managed<LawPrecisionIcon>(k, 24, LawTheme::primary)));
  Gtk::Button* plain = add(makeLawSecondaryButton("刷新", false, false, LawIconKind::clock));
  Gtk::Button* hot = add(makeLawSecondaryButton("刷新", false, false, LawIconKind::clock));
  hover(*hot);
  show();
  for (auto* icon : icons) {
    SCOPED_TRACE(std::string(lawIconKindRawValue(icon->kind())));
    const auto s = shot(*icon);
    EXPECT_EQ(s.width(), 24);
    EXPECT_EQ(s.height(), 24);
    EXPECT_EQ(s.noText.pixelCount(24, 24), 24 * 24);
    long drawn = 0;
    for (uint32_t v : s.px.argb) drawn += (v >> 24) != 0;
    EXPECT_GT(drawn, 40);
  }
  // Without a colour of its own the icon takes the button's text colour per state.
  auto iconOf = [](Gtk::Button* b) {
    return dynamic_cast<LawPrecisionIcon*>(b->get_child()->get_first_child());
  };
  ASSERT_NE(iconOf(plain), nullptr);
  EXPECT_EQ(iconOf(plain)->effectiveColor().hex(), LawTheme::textSecondary.hex());
  EXPECT_EQ(iconOf(hot)->effectiveColor().hex(), LawTheme::primary.hex());
}

TEST_F(Stage, TilesKeepTheirBoxSizeAndRadius) {
  auto* small = add(Gtk::make_managed<BrandBadge>(28, 16));
  auto* large = add(Gtk::make_managed<BrandBadge>(56, 34));
  auto* tile = add(Gtk::make_managed<LawIconBadge>(LawIconKind::gear, LawIconBadge::Tone::navy, 30, 16));
  auto* bigTile = add(Gtk::make_managed<LawIconBadge>(LawIconKind::gear, LawIconBadge::Tone::navy, 60, 32));
  auto* header = Gtk::make_managed<LawSheetHeader>("设置", "账户与外观", "gearshape");
  header->set_size_request(500, -1);
  add(header);
  show();
  // Sizes are border boxes (get_width() is the content inside the 1-point border).
  auto boxWidth = [](Gtk::Widget& w) {
    graphene_rect_t r;
    return gtk_widget_compute_bounds(w.gobj(), w.gobj(), &r) ? static_cast<int>(std::lround(r.size.width)) : -1;
  };
  EXPECT_EQ(boxWidth(*small), 28);
  EXPECT_EQ(boxWidth(*large), 56);
  EXPECT_EQ(boxWidth(*tile), 30);
  EXPECT_EQ(shot(*tile).width(), 30);
  EXPECT_EQ(shot(*tile).height(), 30);
  // The header's badge stays 30 wide however wide the header is.
  auto* badge = dynamic_cast<LawIconBadge*>(header->get_first_child());
  ASSERT_NE(badge, nullptr);
  EXPECT_EQ(boxWidth(*badge), 30);
  EXPECT_EQ(badge->tone(), LawIconBadge::Tone::gold);
  EXPECT_EQ(badge->kind(), LawIconKind::gear);

  // Corner radius 8 at every size: the opaque tiles' corners cut off alike, (1,1)
  // lies outside an 8-point arc and (3,3) inside it.
  const auto t30 = shot(*tile), t60 = shot(*bigTile);
  for (const auto* t : {&t30, &t60}) {
    EXPECT_LT(rgbAt(*t, 1, 1).a, 128);
    EXPECT_EQ(rgbAt(*t, 3, 3).a, 255);
    EXPECT_EQ(rgbAt(*t, 8, 8).a, 255);
  }
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(rgbAt(t30, i, i).a, rgbAt(t60, i, i).a, 8) << i;
  // The navy tone's gradient starts at #F5F8FC in the top-leading corner.
  expectNear(rgbAt(t30, 4, 4), lawIconBadgeTonePalette(LawIconBadgeTone::navy).gradientStart, 4);
}

TEST(LawSheetHeaderTest, IconSlotAndSubtitle) {
  LawSheetHeader duo("快速记录", "说明", "gearshape", LawIconKind::sparkles);
  EXPECT_EQ(duo.iconSlot(), LawSheetHeader::IconSlot::badge);
  EXPECT_EQ(duo.badgeKind(), LawIconKind::sparkles);  // duotoneIcon wins over the symbol

  LawSheetHeader mapped("设置", "说明", "keyboard");
  EXPECT_EQ(mapped.iconSlot(), LawSheetHeader::IconSlot::badge);
  EXPECT_EQ(mapped.badgeKind(), LawIconKind::gavel);

  LawSheetHeader unmapped("结果", "说明", "doc.on.doc");
  EXPECT_EQ(unmapped.iconSlot(), LawSheetHeader::IconSlot::symbolTile);
  EXPECT_TRUE(unmapped.get_first_child()->has_css_class("law-sheet-header-tile"));
  int w = 0, h = 0;
  unmapped.get_first_child()->get_size_request(w, h);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 30);

  LawSheetHeader none("快捷键", "", "");
  EXPECT_EQ(none.iconSlot(), LawSheetHeader::IconSlot::none);
  // The title block comes first, and an empty subtitle is left out.
  EXPECT_EQ(none.get_first_child(), none.titleLabel().get_parent());
  EXPECT_EQ(none.subtitleLabel().get_parent(), nullptr);
  EXPECT_NE(duo.subtitleLabel().get_parent(), nullptr);

  Gtk::Button close("关闭");
  none.addTrailing(close);
  EXPECT_EQ(close.get_parent(), &none.trailing());
  EXPECT_EQ(none.get_last_child(), &none.trailing());
}

TEST(LawCardTest, StacksLeadingAlignedWithPadding) {
  LawCard card(20);
  Gtk::Label title("标题");
  Gtk::Entry wide;
  wide.set_hexpand(true);
  card.addContent(title);
  card.addContent(wide);
  EXPECT_TRUE(card.has_css_class("law-card"));
  EXPECT_EQ(title.get_halign(), Gtk::Align::START);
  EXPECT_EQ(wide.get_halign(), Gtk::Align::FILL);
  EXPECT_EQ(card.content().get_spacing(), 10);
  EXPECT_EQ(card.content().get_margin_start(), 20);
  EXPECT_EQ(card.content().get_margin_bottom(), 20);
  EXPECT_EQ(title.get_parent(), &card.content());
}

TEST(HandCursorTest, PushesOncePopsOnlyWhatItPushed) {
  Gtk::Button button("打开");
  button.set_cursor(Gdk::Cursor::create("text"));
  auto& m = HandCursorModifier::of(button);
  EXPECT_EQ(&HandCursorModifier::of(button), &m);  // one per widget
  auto cursorName = [&] { return button.get_cursor() ? std::string(button.get_cursor()->get_name()) : ""; };

  m.pointerEvent(true);
  EXPECT_EQ(cursorName(), "pointer");
  m.pointerEvent(true);  // moving inside pushes nothing more
  EXPECT_TRUE(m.pushed());
  m.pointerEvent(false);
  EXPECT_EQ(cursorName(), "text");
  m.pointerEvent(false);  // nothing to pop
  EXPECT_EQ(cursorName(), "text");

  for (int i = 0; i < 50; ++i) {
    m.pointerEvent(true);
    m.pointerEvent(true);
    m.pointerEvent(false);
  }
  EXPECT_EQ(cursorName(), "text");
  EXPECT_FALSE(m.pushed());

  // Turned off while inside: restored at the next pointer event.
  m.pointerEvent(true);
  lawHandCursor(button, false);
  EXPECT_EQ(cursorName(), "pointer");
  m.pointerEvent(true);
  EXPECT_EQ(cursorName(), "text");
  m.pointerEvent(true);
  EXPECT_EQ(cursorName(), "text");  // disabled never pushes

  // Leaving the screen while hovered pops once.
  lawHandCursor(button, true);
  m.pointerEvent(true);
  m.disappeared();
  EXPECT_EQ(cursorName(), "text");
  m.disappeared();
  EXPECT_EQ(cursorName(), "text");
}

TEST(HandCursorTest, DisabledModifierNeverChangesTheCursor) {
  Gtk::Label label("行");
  lawHandCursor(label, false);
  auto& m = HandCursorModifier::of(label);
  m.pointerEvent(true);
  m.pointerEvent(false);
  m.disappeared();
  EXPECT_FALSE(label.get_cursor());
  EXPECT_FALSE(m.pushed());
}
