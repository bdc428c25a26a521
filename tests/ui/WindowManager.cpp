#include "WindowManager.h"

#include <gdk/gdk.h>
#include <glib.h>

#include "base/MainQueue.h"

// Xlib last: its macros clash with the toolkit's C++ headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>

namespace quorvel::test {
namespace {

// A window-list property of the root window (EWMH), empty where it is not set.
std::vector<unsigned long> rootWindows(const char* name) {
  std::vector<unsigned long> out;
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return out;
  Display* x = gdk_x11_display_get_xdisplay(display);
  Atom property = XInternAtom(x, name, True);
  if (property == None) return out;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x, DefaultRootWindow(x), property, 0, 1024, False, XA_WINDOW, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32) {
    auto* windows = reinterpret_cast<unsigned long*>(data);
    out.assign(windows, windows + count);
  }
  if (data) XFree(data);
  return out;
}

// EWMH: a running window manager names its check window on the root window.
bool managingScreen() { return rootWindows("_NET_SUPPORTING_WM_CHECK").size() == 1; }

}  // namespace

WindowManager::WindowManager() {
  gchar* path = g_find_program_in_path("openbox");
  if (!path) return;
  g_free(path);
  process_ = std::make_unique<Child>(std::vector<std::string>{"openbox", "--sm-disable"}, G_SUBPROCESS_FLAGS_NONE);
  managing_ = process_->started() && runMainLoopUntil(managingScreen, 5000);
  // It reads its configuration and settles its first work area just after.
  if (managing_) runMainLoopUntil([] { return false; }, 200);
}

WindowManager::~WindowManager() { process_.reset(); }

std::vector<unsigned long> WindowManager::stacking() { return rootWindows("_NET_CLIENT_LIST_STACKING"); }

}  // namespace quorvel::test
