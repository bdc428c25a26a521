// Renders the application icon (the brand tile: the balance-scale mark in pale gold
// on a navy tile) into the hicolor sizes of resources/icons, plus a scalable SVG.
//   quorvel-icon-render [--out DIR] [--preview FILE.png]
// The PNGs are committed; run this again after the mark or the palette changes.
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/LawIcons.h"
#include "core/Theme.h"

using namespace quorvel;
namespace fs = std::filesystem;

namespace {

constexpr const char* kIconName = "cn.quorvel.client";
constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

// The sidebar's brand tile is 32 wide with the mark 18 wide and corner radius 8;
// the icon keeps those proportions. Small sizes get a larger, bolder mark so it
// stays legible.
struct Layout {
  double margin, tile, radius, mark, border;
  bool boldMark;
};

Layout layoutFor(double size) {
  Layout l;
  l.margin = size <= 16 ? 0 : std::round(size / 16);
  l.tile = size - 2 * l.margin;
  l.radius = l.tile * 8 / 32;
  l.mark = l.tile * (size <= 16 ? 0.86 : size <= 32 ? 0.72 : 18.0 / 32);
  // At the smallest sizes a border pixel reads as a grey outline.
  l.border = size <= 32 ? 0 : std::max(1.0, l.tile / 128);
  l.boldMark = size <= 32;
  return l;
}

// The design system's one dark tile (the icon tile's gold tone): a navy gradient
// top-leading to bottom-trailing, a pale gold border and mark.
LawGradient navyGradient() {
  return LawGradient::evenlySpaced({LawColor::rgb8(33, 69, 108), LawColor::rgb8(19, 38, 62)}, LawUnit::topLeading,
                                   LawUnit::bottomTrailing);
}
constexpr LawColor kTileBorder = LawColor::rgb8(230, 196, 123, 0.42);

void fillGradient(cairo_t* cr, const LawGradient& g, double x, double y, double w, double h) {
  cairo_pattern_t* p = lawCreateLinearGradient(g, x, y, w, h);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
}

// Blurs an A8 surface in place with three box passes (close to a Gaussian).
void blurAlpha(cairo_surface_t* s, int radius) {
  if (radius <= 0) return;
  cairo_surface_flush(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  unsigned char* d = cairo_image_surface_get_data(s);
  std::vector<int> line(static_cast<size_t>(std::max(w, h)));
  auto pass = [&](int count, int len, auto at) {
    for (int c = 0; c < count; ++c) {
      for (int i = 0; i < len; ++i) line[static_cast<size_t>(i)] = at(c, i);
      int sum = 0;
      // Outside the surface counts as transparent.
      auto v = [&](int i) { return i < 0 || i >= len ? 0 : line[static_cast<size_t>(i)]; };
      for (int i = -radius; i <= radius; ++i) sum += v(i);
      for (int i = 0; i < len; ++i) {
        at(c, i) = static_cast<unsigned char>(sum / (2 * radius + 1));
        sum += v(i + radius + 1) - v(i - radius);
      }
    }
  };
  for (int k = 0; k < 3; ++k) {
    pass(h, w, [&](int row, int col) -> unsigned char& { return d[row * stride + col]; });
    pass(w, h, [&](int col, int row) -> unsigned char& { return d[row * stride + col]; });
  }
  cairo_surface_mark_dirty(s);
}

// The brand tile's soft drop shadow (black 0.24, below the tile), kept inside the
// margin so the image edge never cuts it.
void drawShadow(cairo_t* cr, double size, const Layout& l) {
  const int px = static_cast<int>(std::ceil(size));
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, px, px);
  cairo_t* m = cairo_create(mask);
  lawAppendRoundedRect(m, l.margin, l.margin + l.margin / 5, l.tile, l.tile, l.radius);
  cairo_set_source_rgba(m, 0, 0, 0, 1);
  cairo_fill(m);
  cairo_destroy(m);
  blurAlpha(mask, static_cast<int>(std::lround(l.margin / 4)));
  cairo_set_source_rgba(cr, 0, 0, 0, 0.24);
  cairo_mask_surface(cr, mask, 0, 0);
  cairo_surface_destroy(mask);
}

void drawIcon(cairo_t* cr, double size, bool withShadow) {
  const Layout l = layoutFor(size);
  if (withShadow && size >= 48) drawShadow(cr, size, l);

  lawAppendRoundedRect(cr, l.margin, l.margin, l.tile, l.tile, l.radius);
  fillGradient(cr, navyGradient(), l.margin, l.margin, l.tile, l.tile);
  cairo_new_path(cr);
  if (l.border > 0) {
    const double inset = l.border / 2;
    lawAppendRoundedRect(cr, l.margin + inset, l.margin + inset, l.tile - l.border, l.tile - l.border,
                         l.radius - inset);
    lawSetSourceColor(cr, kTileBorder);
    cairo_set_line_width(cr, l.border);
    cairo_set_miter_limit(cr, LawIconGrid::miterLimit);
    cairo_stroke(cr);
  }

  cairo_save(cr);
  const double origin = (size - l.mark) / 2;
  cairo_translate(cr, origin, origin);
  if (l.boldMark) {
    MenuBarScaleImage::draw(cr, l.mark, l.mark, LawTheme::goldPale);
  } else {
    drawLawPrecisionIcon(cr, LawIconKind::scale, l.mark, l.mark, LawTheme::goldPale, 0.24);
  }
  cairo_restore(cr);
}

bool writePng(int size, const fs::path& file) {
  fs::create_directories(file.parent_path());
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(s);
  drawIcon(cr, size, true);
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(s, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

// Cairo writes colours as "rgb(12.9%,27.1%,42.4%)", which some SVG readers take for
// black; the plain "#21456C" form reads everywhere.
bool hexColours(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string svg = buffer.str();
  static const std::regex percent(R"(rgb\(([0-9.]+)%,([0-9.]+)%,([0-9.]+)%\))");
  std::string out;
  auto last = svg.cbegin();
  for (std::sregex_iterator it(svg.begin(), svg.end(), percent), end; it != end; ++it) {
    out.append(last, (*it)[0].first);
    char hex[8];
    auto byte = [&](int i) { return static_cast<int>(std::lround(std::stod((*it)[i].str()) * 2.55)); };
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", byte(1), byte(2), byte(3));
    out += hex;
    last = (*it)[0].second;
  }
  out.append(last, svg.cend());
  std::ofstream(file, std::ios::trunc) << out;
  return true;
}

bool writeSvg(const fs::path& file) {
  fs::create_directories(file.parent_path());
  cairo_surface_t* s = cairo_svg_surface_create(file.c_str(), 256, 256);
  cairo_svg_surface_restrict_to_version(s, CAIRO_SVG_VERSION_1_1);
  cairo_svg_surface_set_document_unit(s, CAIRO_SVG_UNIT_PX);
  cairo_t* cr = cairo_create(s);
  drawIcon(cr, 256, false);  // a blurred shadow has no vector form
  cairo_destroy(cr);
  cairo_surface_finish(s);
  bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok && hexColours(file);
}

// Every size at 1:1 on a light and on a dark panel, to look at.
bool writePreview(const fs::path& file) {
  const int gap = 24, width = gap + 256 + gap + 128 + gap + 64 + gap + 48 + gap + 32 + gap + 16 + gap;
  const int height = 2 * (256 + 2 * gap);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(s);
  const LawColor panels[] = {LawTheme::canvasBg, LawTheme::sidebarBg};
  for (int row = 0; row < 2; ++row) {
    const double top = row * (256 + 2 * gap);
    lawSetSourceColor(cr, panels[row]);
    cairo_rectangle(cr, 0, top, width, 256 + 2 * gap);
    cairo_fill(cr);
    double x = gap;
    for (int i = 5; i >= 0; --i) {
      const int size = kSizes[i];
      cairo_save(cr);
      cairo_translate(cr, x, top + gap + (256 - size) / 2.0);
      drawIcon(cr, size, true);
      cairo_restore(cr);
      x += size + gap;
    }
  }
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(s, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path out = fs::path(QUORVEL_SOURCE_DIR) / "resources" / "icons";
  fs::path preview;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
      out = argv[++i];
    } else if (!std::strcmp(argv[i], "--preview") && i + 1 < argc) {
      preview = argv[++i];
    } else {
      std::fprintf(stderr, "用法：%s [--out 目录] [--preview 预览.png]\n", argv[0]);
      return 2;
    }
  }
  bool ok = true;
  for (int size : kSizes) {
    const std::string dim = std::to_string(size) + "x" + std::to_string(size);
    ok = writePng(size, out / "hicolor" / dim / "apps" / (std::string(kIconName) + ".png")) && ok;
  }
  ok = writeSvg(out / "hicolor" / "scalable" / "apps" / (std::string(kIconName) + ".svg")) && ok;
  if (!preview.empty()) ok = writePreview(preview) && ok;
  std::printf("%s：%s\n", ok ? "已写入图标" : "写入图标失败", out.c_str());
  return ok ? 0 : 1;
}
