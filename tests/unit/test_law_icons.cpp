#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <unordered_set>

#include "core/LawIcons.h"

using namespace quorvel;

namespace {

// A transparent ARGB image; draw() paints into it with the origin at (ox, oy).
struct Canvas {
  int width, height;
  cairo_surface_t* surface;
  Canvas(int w, int h) : width(w), height(h), surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)) {}
  ~Canvas() { cairo_surface_destroy(surface); }
  void draw(double ox, double oy, const std::function<void(cairo_t*)>& fn) {
    cairo_t* cr = cairo_create(surface);
    cairo_translate(cr, ox, oy);
    fn(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
  }
  uint32_t px(int x, int y) const {
    const auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    return *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
  }
  int alpha(int x, int y) const { return static_cast<int>(px(x, y) >> 24); }
  // Non-transparent pixels inside and outside the rectangle [x0, x1) x [y0, y1).
  std::pair<long, long> countInsideOutside(int x0, int y0, int x1, int y1) const {
    long in = 0, out = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        if (alpha(x, y) == 0) continue;
        (x >= x0 && x < x1 && y >= y0 && y < y1 ? in : out)++;
      }
    return {in, out};
  }
};

}  // namespace

TEST(LawIconKindTest, RawValuesRoundTripInOrder) {
  const char* names[] = {"dashboard", "focus",   "calendar", "cases",   "logistics", "docs",   "trace",
                         "cache",     "bell",    "archive",  "trash",   "team",      "finance", "shield",
                         "chart",     "upload",  "clock",    "scale",   "gavel",     "lock",   "sparkles",
                         "gear",      "search",  "bolt",     "file"};
  ASSERT_EQ(kAllLawIconKinds.size(), 25u);
  std::unordered_set<LawIconKind> seen;
  for (size_t i = 0; i < kAllLawIconKinds.size(); ++i) {
    const LawIconKind k = kAllLawIconKinds[i];
    EXPECT_EQ(static_cast<size_t>(k), i);
    EXPECT_EQ(lawIconKindRawValue(k), names[i]);
    EXPECT_EQ(lawIconKindFromRawValue(names[i]), k);
    // Hashing goes through the raw value.
    EXPECT_EQ(std::hash<LawIconKind>{}(k), std::hash<std::string_view>{}(names[i]));
    seen.insert(k);
  }
  EXPECT_EQ(seen.size(), 25u);
  EXPECT_FALSE(lawIconKindFromRawValue("Dashboard"));
  EXPECT_FALSE(lawIconKindFromRawValue(""));
  EXPECT_FALSE(lawIconKindFromRawValue("gearshape"));
}

TEST(LawIconKindTest, PathMapping) {
  using K = LawIconKind;
  const std::pair<const char*, K> exact[] = {
      {"/dashboard", K::dashboard}, {"/workspace", K::focus},        {"/calendar", K::calendar},
      {"/cases", K::cases},         {"/logistics", K::logistics},    {"/documents_center", K::docs},
      {"/recent_workspace", K::trace}, {"/cache-manager", K::cache}, {"/notifications", K::bell},
      {"/archived_cases", K::archive}, {"/recycle_bin", K::trash},   {"/license", K::shield},
      {"/tutorial", K::docs},       {"/manage_users", K::team},      {"/my_team", K::team},
      {"/saas_overview", K::chart}, {"/finance_dashboard", K::finance}, {"/backup_center", K::cache},
      {"/firm_settings/storage", K::cache}, {"/import_wizard", K::upload}};
  for (const auto& [path, kind] : exact) EXPECT_EQ(lawIconKindForPath(path), kind) << path;

  // Prefixes.
  EXPECT_EQ(lawIconKindForPath("/proceeding"), K::clock);
  EXPECT_EQ(lawIconKindForPath("/proceeding/8842"), K::clock);
  EXPECT_EQ(lawIconKindForPath("/proceedings?case=3"), K::clock);
  EXPECT_EQ(lawIconKindForPath("/contract_detail?id=17"), K::cases);
  EXPECT_EQ(lawIconKindForPath("/client_detail/5"), K::team);
  EXPECT_EQ(lawIconKindForPath("/admin/console"), K::chart);
  EXPECT_EQ(lawIconKindForPath("/admin/console/users/2"), K::chart);

  // Exact comparison only: no trailing-slash, query or case handling; fall-back is file.
  EXPECT_EQ(lawIconKindForPath("/dashboard/"), K::file);
  EXPECT_EQ(lawIconKindForPath("/cases?status=open"), K::file);
  EXPECT_EQ(lawIconKindForPath("/Dashboard"), K::file);
  EXPECT_EQ(lawIconKindForPath("/firm_settings"), K::file);
  EXPECT_EQ(lawIconKindForPath("/admin"), K::file);
  EXPECT_EQ(lawIconKindForPath("proceeding/1"), K::file);
  EXPECT_EQ(lawIconKindForPath(""), K::file);
}

TEST(LawIconKindTest, SymbolMapping) {
  using K = LawIconKind;
  const std::pair<const char*, K> table[] = {
      {"gearshape", K::gear},
      {"gearshape.fill", K::gear},
      {"checklist", K::calendar},
      {"externaldrive.connected.to.line.below", K::cache},
      {"externaldrive.fill", K::cache},
      {"tray.and.arrow.up.fill", K::upload},
      {"tray.and.arrow.up", K::upload},
      {"bolt.fill", K::bolt},
      {"text.viewfinder", K::search},
      {"shippingbox.fill", K::logistics},
      {"shippingbox", K::logistics},
      {"sparkles", K::sparkles},
      {"lock", K::lock},
      {"lock.fill", K::lock},
      {"keyboard", K::gavel}};
  for (const auto& [name, kind] : table) EXPECT_EQ(lawIconKindFromSymbol(name), kind) << name;
  for (const char* none : {"gear", "", "bolt", "Lock", "gearshape ", "externaldrive", "doc.text"})
    EXPECT_FALSE(lawIconKindFromSymbol(none)) << none;
}

TEST(LawIconGeometryTest, PathParser) {
  const auto ops = parseLawIconPath("M 3.5,7.5 Q 3.5,5 6,5 L 9.4,5 C 1,2 3,4 5,6 Z");
  ASSERT_EQ(ops.size(), 5u);
  EXPECT_EQ(ops[0].op, 'M');
  EXPECT_DOUBLE_EQ(ops[0].v[1], 7.5);
  EXPECT_EQ(ops[1].op, 'Q');
  EXPECT_DOUBLE_EQ(ops[1].v[3], 5);
  EXPECT_EQ(ops[3].op, 'C');
  EXPECT_DOUBLE_EQ(ops[3].v[5], 6);
  EXPECT_EQ(ops[4].op, 'Z');
  EXPECT_THROW(parseLawIconPath("L 1,2"), std::invalid_argument);
  EXPECT_THROW(parseLawIconPath("M 1"), std::invalid_argument);
  EXPECT_THROW(parseLawIconPath("M 1,2 X 3,4"), std::invalid_argument);
}

TEST(LawIconGeometryTest, EveryKindHasValidListsOnTheGrid) {
  for (LawIconKind k : kAllLawIconKinds) {
    SCOPED_TRACE(std::string(lawIconKindRawValue(k)));
    const auto& g = lawIconGeometry(k);
    ASSERT_FALSE(g.shapes.empty());
    EXPECT_FALSE(g.stroked.empty());
    for (const auto* list : {&g.tinted, &g.stroked, &g.solid})
      for (int i : *list) {
        EXPECT_GE(i, 0);
        EXPECT_LT(i, static_cast<int>(g.shapes.size()));
      }
    // Every shape appears in some list.
    for (int i = 0; i < static_cast<int>(g.shapes.size()); ++i) {
      bool used = false;
      for (const auto* list : {&g.tinted, &g.stroked, &g.solid})
        used = used || std::find(list->begin(), list->end(), i) != list->end();
      EXPECT_TRUE(used) << "shape " << i + 1;
    }
  }
  // Spot checks of the odd ones out.
  EXPECT_EQ(lawIconGeometry(LawIconKind::upload).stroked, std::vector<int>{1});
  EXPECT_EQ(lawIconGeometry(LawIconKind::sparkles).solid, std::vector<int>{1});
  EXPECT_EQ(lawIconGeometry(LawIconKind::calendar).stroked, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(lawIconGeometry(LawIconKind::chart).tinted, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(lawIconGeometry(LawIconKind::team).tinted, (std::vector<int>{0, 1}));
}

// Every icon draws inside its square and nothing outside it, at several sizes.
TEST(LawIconDrawingTest, EachKindDrawsInsideItsFrameOnly) {
  for (int size : {14, 24, 48}) {
    for (LawIconKind k : kAllLawIconKinds) {
      SCOPED_TRACE(std::string(lawIconKindRawValue(k)) + " @" + std::to_string(size));
      const int margin = 10;
      Canvas c(size + 2 * margin, size + 2 * margin);
      c.draw(margin, margin, [&](cairo_t* cr) {
        drawLawPrecisionIcon(cr, k, size, size, LawTheme::primary, 0.16);
      });
      auto [in, out] = c.countInsideOutside(margin, margin, margin + size, margin + size);
      EXPECT_GT(in, size * 2L);  // a real drawing, not a speck
      EXPECT_EQ(out, 0);
    }
  }
}

TEST(LawIconDrawingTest, NonSquareCanvasUsesShorterSideAnchoredTopLeft) {
  Canvas wide(96, 48);
  wide.draw(0, 0, [](cairo_t* cr) { drawLawPrecisionIcon(cr, LawIconKind::file, 96, 48, LawTheme::ink, 0.16); });
  Canvas square(48, 48);
  square.draw(0, 0, [](cairo_t* cr) { drawLawPrecisionIcon(cr, LawIconKind::file, 48, 48, LawTheme::ink, 0.16); });
  auto [in, out] = wide.countInsideOutside(0, 0, 48, 48);
  EXPECT_GT(in, 0);
  EXPECT_EQ(out, 0);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x) ASSERT_EQ(wide.px(x, y), square.px(x, y)) << x << "," << y;
}

TEST(LawIconDrawingTest, StrokeWidthAndDuotone) {
  // At u = 10 the chart's baseline (y = 20, stroked 1.65 u) is about 16.5 px thick
  // where nothing else is drawn (x = 4 u).
  Canvas c(240, 240);
  c.draw(0, 0, [](cairo_t* cr) { drawLawPrecisionIcon(cr, LawIconKind::chart, 240, 240, LawTheme::ink, 0.16); });
  int solid = 0;
  for (int y = 180; y < 220; ++y)
    if (c.alpha(40, y) > 127) ++solid;
  EXPECT_GE(solid, 16);
  EXPECT_LE(solid, 17);

  // Inside the tinted first tile of the dashboard: the tint alone, then nothing.
  auto tintAlpha = [](double duotone) {
    Canvas t(240, 240);
    t.draw(0, 0, [&](cairo_t* cr) {
      drawLawPrecisionIcon(cr, LawIconKind::dashboard, 240, 240, LawColor{0, 0, 0, 1}, duotone);
    });
    return t.alpha(70, 80);  // centre of R(3.5, 3.5, 7, 9)
  };
  EXPECT_NEAR(tintAlpha(0.16), 0.16 * 255, 2);
  EXPECT_EQ(tintAlpha(0), 0);
  // A stroke-only shape gets no tint: S3 of the dashboard is stroked, not tinted.
  Canvas d(240, 240);
  d.draw(0, 0, [](cairo_t* cr) { drawLawPrecisionIcon(cr, LawIconKind::dashboard, 240, 240, LawTheme::ink, 0.5); });
  EXPECT_EQ(d.alpha(170, 60), 0);  // centre of R(13.5, 3.5, 7, 5)

  // Solid shapes are filled at full opacity: the sparkles' dot.
  Canvas s(240, 240);
  s.draw(0, 0, [](cairo_t* cr) { drawLawPrecisionIcon(cr, LawIconKind::sparkles, 240, 240, LawTheme::ink, 0); });
  EXPECT_EQ(s.alpha(185, 175), 255);  // centre of E(17.2, 16.2, 2.6, 2.6)
}

TEST(MenuBarScaleImageTest, StrokedTemplateAnchoredTopLeft) {
  cairo_surface_t* image = MenuBarScaleImage::templateImage();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(MenuBarScaleImage::templateImage(), image);  // built once
  EXPECT_EQ(cairo_image_surface_get_width(image), 18);
  EXPECT_EQ(cairo_image_surface_get_height(image), 18);
  EXPECT_EQ(cairo_image_surface_get_width(MenuBarScaleImage::templateImage(2)), 36);

  // Black only (a template the menu bar tints), and something drawn.
  const auto* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  int drawn = 0;
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 18; ++x) {
      const uint32_t p = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
      if (p >> 24) {
        ++drawn;
        EXPECT_EQ(p & 0xFFFFFF, 0u);
      }
    }
  EXPECT_GT(drawn, 40);

  // Stroked, not filled: the inside of the left pan stays empty at u = 10.
  Canvas big(240, 240);
  big.draw(0, 0, [](cairo_t* cr) { MenuBarScaleImage::draw(cr, 240, 240); });
  EXPECT_EQ(big.alpha(45, 116), 0);
  EXPECT_EQ(big.alpha(120, 100), 255);  // on the post
  // Non-square: scales by the shorter side, anchored at the top-left corner.
  Canvas wide(60, 24);
  wide.draw(0, 0, [](cairo_t* cr) { MenuBarScaleImage::draw(cr, 60, 24); });
  auto [in, out] = wide.countInsideOutside(0, 0, 24, 24);
  EXPECT_GT(in, 0);
  EXPECT_EQ(out, 0);
}
