// quorvel-window-render: the main window against the demo service, written to PNG —
// several tabs (one released to save memory) and the badge counts, or the empty
// workspace with --empty; --locked shows the privacy lock's cover over it.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/tools/quorvel-window-render --png window.png [--empty]
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <libsoup/soup.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "TestEnv.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestService.h"
#include "common/RenderWorkspace.h"
#include "app/AppServices.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/PrivacyLock.h"
#include "ui/components/LawStyle.h"
#include "ui/main/MainWindow.h"
#include "web/WebEngine.h"

// Xlib after the gtkmm headers: its macros clash with theirs.
#include <gdk/x11/gdkx.h>

using namespace quorvel;

namespace {
int usage() {
  std::fprintf(stderr, "usage: quorvel-window-render --png FILE [--empty] [--locked]\n");
  return 2;
}

void settle(unsigned ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  runMainLoopUntil([&] { return std::chrono::steady_clock::now() >= until; }, ms + 100);
}

bool waitLoaded(const std::shared_ptr<BrowserTab>& tab) {
  return runMainLoopUntil([&] { return !tab->isLoading.get() && tab->webView() && tab->webView()->currentURL(); },
                         20000);
}

// What the window shows on the (virtual) screen, read back from the X server: the
// pages are drawn by the engine's own processes, which a widget snapshot leaves out.
bool writePng(Gtk::Window& window, const std::string& path) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window.gobj()));
  if (!surface || !GDK_IS_X11_SURFACE(surface)) return false;
  Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  Window xid = gdk_x11_surface_get_xid(surface);
  XWindowAttributes attrs{};
  if (!XGetWindowAttributes(display, xid, &attrs)) return false;
  XImage* image = XGetImage(display, xid, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
  if (!image) return false;
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, attrs.width, attrs.height);
  unsigned char* data = cairo_image_surface_get_data(out);
  int stride = cairo_image_surface_get_stride(out);
  for (int y = 0; y < attrs.height; ++y)
    for (int x = 0; x < attrs.width; ++x)
      reinterpret_cast<uint32_t*>(data + y * stride)[x] = static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xffffffu;
  cairo_surface_mark_dirty(out);
  bool ok = cairo_surface_write_to_png(out, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(out);
  XDestroyImage(image);
  return ok;
}
}  // namespace

int main(int argc, char** argv) {
  std::string png;
  bool empty = false;
  bool locked = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) png = argv[++i];
    else if (std::strcmp(argv[i], "--empty") == 0) empty = true;
    else if (std::strcmp(argv[i], "--locked") == 0) locked = true;
    else return usage();
  }
  if (png.empty()) return usage();

  tools::RenderWorkspace workspace;
  auto& services = workspace.services;

  auto model = services.browser();
  auto viewState = services.viewState();
  auto* window = new MainWindow(model, viewState, services.toolWindows(), &services.privacyLock());
  window->set_default_size(1400, 880);
  window->present();
  if (empty) {
    while (!model->tabs()->empty()) model->close(model->tabs().get()[0]);
  } else {
    auto dashboard = model->activeTab();
    waitLoaded(dashboard);
    auto calendar = model->newTab("/calendar", "日历与待办");
    waitLoaded(calendar);
    auto proceeding = model->newTab("/proceeding/88", "程序");
    waitLoaded(proceeding);
    model->newTab("/cases", "全局案件中心");
    // The calendar tab was left long ago: released to save memory.
    calendar->lastActive = std::chrono::system_clock::now() - std::chrono::hours(2);
    model->hibernateIdleTabs();
    model->selectTab(0);
    runMainLoopUntil([&] { return model->account().badges->loaded; }, 10000);
  }
  if (locked) services.privacyLock().lock();
  settle(3000);
  bool ok = writePng(*window, png);
  std::printf("%s\n", ok ? png.c_str() : "render failed");
  delete window;
  return ok ? 0 : 1;
}
