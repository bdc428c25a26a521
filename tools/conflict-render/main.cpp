// quorvel-conflict-render: the file-version conflict window, written to one PNG: a
// PDF edited locally beside the server's newer PDF, a photo without a server copy,
// and a document without a thumbnail whose server copy is gone.
//
//   xvfb-run -a build/tools/quorvel-conflict-render --png conflict.png
#include <cairo.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/RenderTool.h"
#include "VolumeServices.h"
#include "WebDavServer.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "ui/components/WidgetRender.h"
#include "ui/editing/ConflictWindow.h"

using namespace quorvel;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// A site photo: sky, a building front with windows, a caption strip.
void writePhoto(const fs::path& p) {
  fs::create_directories(p.parent_path());
  const int w = 1200, h = 900;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgb(sky, 0, 0.55, 0.72, 0.88);
  cairo_pattern_add_color_stop_rgb(sky, 1, 0.86, 0.91, 0.95);
  cairo_set_source(cr, sky);
  cairo_paint(cr);
  cairo_pattern_destroy(sky);
  cairo_set_source_rgb(cr, 0.62, 0.6, 0.56);
  cairo_rectangle(cr, 180, 260, 840, 640);
  cairo_fill(cr);
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 6; ++col) {
      cairo_set_source_rgb(cr, 0.26, 0.36, 0.46);
      cairo_rectangle(cr, 230 + col * 130, 310 + row * 130, 80, 90);
      cairo_fill(cr);
    }
  cairo_set_source_rgb(cr, 0.34, 0.44, 0.3);
  cairo_rectangle(cr, 0, 820, w, 80);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  cairo_rectangle(cr, 0, h - 64, w, 64);
  cairo_fill(cr);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Sans 26");
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, "现场照片 · 2026-03-02 14:20 · 朝阳区", -1);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, 28, h - 52);
  pango_cairo_show_layout(cr, layout);
  pango_font_description_free(font);
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_write_to_png(s, p.c_str());
  cairo_surface_destroy(s);
}

Glib::RefPtr<Gdk::Texture> renderOpenWindow(WidgetRenderHost& host, WindowConflictPresenter& presenter) {
  auto* active = presenter.active();
  if (!active) return {};
  runMainLoopUntil([active] { return active->window().get_mapped() && active->versionsLoaded(); }, 8000);
  // A few more frames so the arrived thumbnails are laid out.
  runMainLoopUntil([] { return false; }, 300);
  return host.render(active->window());
}

}  // namespace

int main(int argc, char** argv) {
  std::string png = "conflict.png";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) png = argv[++i];
    else {
      std::fprintf(stderr, "usage: quorvel-conflict-render [--png OUT.png]\n");
      return 2;
    }
  }
  if (!tools::startRenderTool("conflict")) return 1;
  const fs::path dir = fs::path(getenv("XDG_DATA_HOME"));
  ScopedAnimationsOff noAnimations;

  // Something to own the renderer; the conflict windows are rendered through it.
  auto* anchor = Gtk::make_managed<Gtk::Label>(" ");
  WidgetRenderHost host(*anchor, 1, 1);
  if (!host.showAndWait()) return 1;

  // The window's services over the tool's own home: nothing opens on the desktop.
  UserDefaults defaults(UserDefaults::standardFile());
  test::VolumeServices world(defaults);
  WindowConflictPresenter presenter(world.desktop, world.previews, world.workers, world.volume.cache());

  const fs::path local = dir / "墨衡台卷宗/案件/2026/起诉状.pdf";
  const fs::path server = dir / "volume/zm/案件/2026/起诉状.pdf";
  write(local, test::WebDavServer::samplePdf("Civil Complaint - draft 3 (local edits)", 3));
  write(server, test::WebDavServer::samplePdf("Civil Complaint - reviewed by partner", 4));
  presenter.open("user_data/FIRM_demo/案件/2026/起诉状.pdf", local, server.string(), [](ConflictChoice) {});
  auto first = renderOpenWindow(host, presenter);

  const fs::path photo = dir / "墨衡台卷宗/案件/2026/现场照片.png";
  writePhoto(photo);
  presenter.open("user_data/FIRM_demo/案件/2026/现场照片.png", photo, std::nullopt, [](ConflictChoice) {});
  auto second = renderOpenWindow(host, presenter);

  // A type without a thumbnail, whose server copy is mapped but gone: icons, no facts.
  const fs::path docx = dir / "墨衡台卷宗/案件/2026/庭审提纲.docx";
  write(docx, "PK demo docx placeholder");
  presenter.open("user_data/FIRM_demo/案件/2026/庭审提纲.docx", docx,
                       (dir / "volume/zm/案件/2026/庭审提纲.docx").string(), [](ConflictChoice) {});
  auto third = renderOpenWindow(host, presenter);
  if (!first || !second || !third) {
    std::fprintf(stderr, "render failed\n");
    return 1;
  }

  // Both renders one above the other on the canvas colour.
  const int gap = 24;
  const int w = std::max({first->get_width(), second->get_width(), third->get_width()}) + 2 * gap;
  const int h = first->get_height() + second->get_height() + third->get_height() + 4 * gap;
  cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(sheet);
  cairo_set_source_rgb(cr, 0.82, 0.85, 0.89);
  cairo_paint(cr);
  int y = gap;
  for (const auto& t : {first, second, third}) {
    auto px = texturePixels(t);
    cairo_surface_t* img = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(px.argb.data()),
                                                               CAIRO_FORMAT_ARGB32, px.width, px.height, px.width * 4);
    cairo_set_source_surface(cr, img, gap, y);
    cairo_paint(cr);
    cairo_surface_destroy(img);
    y += px.height + gap;
  }
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(sheet, png.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(sheet);
  if (!ok) {
    std::fprintf(stderr, "could not write %s\n", png.c_str());
    return 1;
  }
  std::printf("%s\n", png.c_str());
  return 0;
}
