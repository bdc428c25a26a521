// quorvel-tray-render: writes the tray icon (every size, with and without the overdue
// badge, on a light and a dark panel) and the menu-bar panel to PNG files.
#include <cairo.h>
#include <gtk/gtk.h>
#include <gtkmm.h>

#include "common/RenderTool.h"
#include "platform/UserDefaults.h"
#include "ui/model/WorkspaceViewState.h"
#include <gtkmm/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/MainQueue.h"
#include "core/LawIcons.h"
#include "ui/model/TrayIcon.h"
#include "fakes/FakeWebPage.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"
#include "ui/tray/MenuBarView.h"
#include "ui/tray/TrayController.h"

namespace {

// Rows: light and dark panel; columns: each size for 0, 5 and 128 overdue; then the
// same enlarged four times so single pixels can be judged.
bool writeIcons(const std::string& path) {
  const long long counts[] = {0, 5, 128};
  const int pad = 10, zoom = 4;
  int cell = 0;
  for (int s : quorvel::kTrayIconSizes) cell += s + pad;
  const int width = pad + 3 * cell * (1 + zoom);
  const int height = 2 * (48 * zoom + 2 * pad);
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(out);
  const double panels[2][3] = {{0.93, 0.93, 0.94}, {0.14, 0.15, 0.17}};
  for (int row = 0; row < 2; ++row) {
    const double y0 = row * (48 * zoom + 2 * pad);
    cairo_set_source_rgb(cr, panels[row][0], panels[row][1], panels[row][2]);
    cairo_rectangle(cr, 0, y0, width, 48 * zoom + 2 * pad);
    cairo_fill(cr);
    double x = pad;
    for (int z : {1, zoom}) {
      for (long long n : counts) {
        for (int s : quorvel::kTrayIconSizes) {
          quorvel::StatusNotifierPixmap p = quorvel::trayIconPixmap(s, n);
          // Back from the hosts' byte order into a cairo image, as a host would.
          cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, s, s);
          auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(img));
          const int stride = cairo_image_surface_get_stride(img) / 4;
          for (int i = 0; i < s * s; ++i) {
            const uint8_t* px = &p.argb[size_t(i) * 4];
            auto pm = [&](uint8_t c) { return uint32_t(c) * px[0] / 255; };
            data[(i / s) * stride + i % s] = (uint32_t(px[0]) << 24) | (pm(px[1]) << 16) | (pm(px[2]) << 8) | pm(px[3]);
          }
          cairo_surface_mark_dirty(img);
          cairo_save(cr);
          cairo_translate(cr, x, y0 + pad);
          cairo_scale(cr, z, z);
          cairo_set_source_surface(cr, img, 0, 0);
          cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
          cairo_paint(cr);
          cairo_restore(cr);
          cairo_surface_destroy(img);
          x += s * z + pad;
        }
      }
    }
  }
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(out, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(out);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::string icons = "tray-icons.png", panel = "menubar-panel.png", screen;
  int serveSeconds = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--icons") == 0 && i + 1 < argc) icons = argv[++i];
    else if (std::strcmp(argv[i], "--panel") == 0 && i + 1 < argc) panel = argv[++i];
    else if (std::strcmp(argv[i], "--screen") == 0 && i + 1 < argc) screen = argv[++i];
    else if (std::strcmp(argv[i], "--serve") == 0 && i + 1 < argc) serveSeconds = std::atoi(argv[++i]);
    else {
      std::fprintf(stderr, "usage: quorvel-tray-render [--icons OUT.png] [--panel OUT.png] [--screen OUT.png] [--serve SECONDS]\n");
      return 2;
    }
  }
  if (!quorvel::tools::startRenderTool("tray")) return 1;

  if (!writeIcons(icons)) return 1;
  std::printf("%s\n", icons.c_str());

  quorvel::UserDefaults defaults(quorvel::UserDefaults::standardFile());
  quorvel::test::FakePages pages{defaults};
  auto model = quorvel::test::freshFakeModel(pages);
  auto viewState = std::make_shared<quorvel::WorkspaceViewState>(defaults);
  model->account().applyBadges(R"({"overdue": 5, "today": 2, "soon": 7, "user": "王律师", "role": "lawyer", "firm": "明德律师事务所"})");
  quorvel::MenuBarView menuBar(model, viewState);
  if (!screen.empty()) {
    // The panel as the tray opens it, for a click at the top of the screen, captured
    // with ImageMagick's import from the display.
    menuBar.showNear(420, 6);
    quorvel::runMainLoopUntil([] { return false; }, 800);
    std::string cmd = "import -window root -crop 800x800+0+0 " + screen;
    if (std::system(cmd.c_str()) != 0) return 1;
    std::printf("%s\n", screen.c_str());
    menuBar.hide();
  }
  if (serveSeconds > 0) {
    // A live tray item with sample counts for a real panel: its menu and clicks are
    // logged, Activate toggles the panel.
    auto say = [](const char* what) { return [what] { std::printf("%s\n", what); std::fflush(stdout); }; };
    quorvel::TrayController tray(model, {say("打开待办"), say("打开工作台"), say("检查更新"),
                                         [&](int x, int y) { menuBar.toggleNear(x, y); }});
    quorvel::runMainLoopUntil([] { return false; }, unsigned(serveSeconds) * 1000);
    return 0;
  }
  auto& content = menuBar.content();
  menuBar.window().unset_child();
  auto* frame = Gtk::make_managed<Gtk::Box>();
  frame->add_css_class("law-canvas");
  content.set_margin(16);
  content.remove_css_class("law-square");
  frame->append(content);
  if (auto rendered = quorvel::renderWidgetToPng(*frame, panel); !rendered.ok()) {
    std::fprintf(stderr, "%s\n", rendered.error().message.c_str());
    return 1;
  }
  std::printf("%s\n", panel.c_str());
  return 0;
}
