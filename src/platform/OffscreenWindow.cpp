#include "platform/OffscreenWindow.h"

#include <X11/Xlib.h>

namespace quorvel::OffscreenWindow {

void makeOverrideRedirect(_XDisplay* display, unsigned long xid) {
  if (!display || !xid) return;
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  XChangeWindowAttributes(display, xid, CWOverrideRedirect, &attrs);
  XFlush(display);
}

void place(_XDisplay* display, unsigned long xid, int x, int y, int width, int height) {
  if (!display || !xid || width <= 0 || height <= 0) return;
  XMoveResizeWindow(display, xid, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XFlush(display);
}

}  // namespace quorvel::OffscreenWindow
