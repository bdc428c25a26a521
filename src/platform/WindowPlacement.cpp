#include "platform/WindowPlacement.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/x11/gdkx.h>

#include <algorithm>
#include <cmath>

#include "base/GLibPtr.h"

namespace quorvel {
namespace {

// Errors of our own requests (a window gone meanwhile) must not reach the toolkit's
// handler, which treats an untrapped X error as fatal. Earlier requests' errors are
// passed on.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* d) : d_(d), first_(NextRequest(d)) {
    active_ = this;
    previous_ = XSetErrorHandler(&ErrorTrap::handler);
  }
  ~ErrorTrap() {
    XSync(d_, False);
    XSetErrorHandler(previous_);
    active_ = nullptr;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

 private:
  static int handler(Display* d, XErrorEvent* e) {
    if (active_ && e->serial >= active_->first_) return 0;
    return active_ && active_->previous_ ? active_->previous_(d, e) : 0;
  }
  static inline ErrorTrap* active_ = nullptr;
  Display* d_;
  unsigned long first_;
  XErrorHandler previous_ = nullptr;
};

// A CARDINAL[] property; empty when absent.
std::vector<long> cardinals(Display* d, Window w, const char* name, long maxItems) {
  std::vector<long> out;
  Atom atom = XInternAtom(d, name, True);
  if (atom == None) return out;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, atom, 0, maxItems, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    // Xlib hands 32-bit items out as longs.
    if (type == XA_CARDINAL && format == 32) {
      auto* items = reinterpret_cast<long*>(data);
      out.assign(items, items + count);
    }
    XFree(data);
  }
  return out;
}

struct Extents {
  long left = 0, right = 0, top = 0, bottom = 0;
};
Extents extents(Display* d, Window w, const char* name) {
  auto v = cardinals(d, w, name, 4);
  if (v.size() != 4) return {};
  return {v[0], v[1], v[2], v[3]};
}

int clampCoord(double v) { return static_cast<int>(std::clamp(std::lround(v), -32768L, 32767L)); }
unsigned clampSize(double v) { return static_cast<unsigned>(std::clamp(std::lround(v), 1L, 32767L)); }

}  // namespace

X11WindowPlacement::X11WindowPlacement(_XDisplay* display, unsigned long xid) : display_(display), xid_(xid) {}

Rect X11WindowPlacement::frame() const {
  ErrorTrap trap(display_);
  Window root = 0, child = 0;
  int x = 0, y = 0;
  unsigned w = 0, h = 0, border = 0, depth = 0;
  if (!XGetGeometry(display_, xid_, &root, &x, &y, &w, &h, &border, &depth)) return {};
  int rx = 0, ry = 0;
  if (!XTranslateCoordinates(display_, xid_, root, 0, 0, &rx, &ry, &child)) return {};
  // The shadow a client-side decoration draws is part of the X window, a window
  // manager's frame lies outside it.
  Extents shadow = extents(display_, xid_, "_GTK_FRAME_EXTENTS");
  Extents wm = extents(display_, xid_, "_NET_FRAME_EXTENTS");
  return Rect{double(rx + shadow.left - wm.left), double(ry + shadow.top - wm.top),
              double(long(w) - shadow.left - shadow.right), double(long(h) - shadow.top - shadow.bottom)};
}

bool X11WindowPlacement::onScreen() const {
  ErrorTrap trap(display_);
  XWindowAttributes a{};
  return XGetWindowAttributes(display_, xid_, &a) && a.map_state == IsViewable;
}

void X11WindowPlacement::setFrame(const Rect& f) {
  ErrorTrap trap(display_);
  Extents shadow = extents(display_, xid_, "_GTK_FRAME_EXTENTS");
  // Under the default north-west gravity a window manager puts its frame's corner
  // where the client asks, so the origin needs no decoration offset.
  XMoveResizeWindow(display_, xid_, clampCoord(f.x - shadow.left), clampCoord(f.y - shadow.top),
                    clampSize(f.width + shadow.left + shadow.right), clampSize(f.height + shadow.top + shadow.bottom));
  XFlush(display_);
}

std::vector<Rect> X11WindowPlacement::screenVisibleFrames() const {
  ErrorTrap trap(display_);
  Window root = 0;
  int x = 0, y = 0;
  unsigned w = 0, h = 0, border = 0, depth = 0;
  if (!XGetGeometry(display_, xid_, &root, &x, &y, &w, &h, &border, &depth)) return {};
  auto area = cardinals(display_, root, "_NET_WORKAREA", 4 * 64);
  auto desktop = cardinals(display_, root, "_NET_CURRENT_DESKTOP", 1);
  size_t index = desktop.empty() ? 0 : size_t(desktop[0]);
  if (area.size() >= 4 * (index + 1) && area[4 * index + 2] > 0 && area[4 * index + 3] > 0)
    return {Rect{double(area[4 * index]), double(area[4 * index + 1]), double(area[4 * index + 2]),
                 double(area[4 * index + 3])}};
  // No window manager publishes a work area: the whole root window.
  unsigned rw = 0, rh = 0;
  if (!XGetGeometry(display_, root, &root, &x, &y, &rw, &rh, &border, &depth)) return {};
  return {Rect{0, 0, double(rw), double(rh)}};
}

void X11WindowPlacement::handleEvent(const _XEvent& event) {
  if (event.type == ConfigureNotify && event.xconfigure.window == xid_) {
    keepWithinMaximumSize();
    frameChanged_.emit();
  } else if (event.type == PropertyNotify && event.xproperty.window == xid_ &&
             event.xproperty.atom == XA_WM_NORMAL_HINTS && event.xproperty.state == PropertyNewValue) {
    // The toolkit writes the size hints anew whenever it lays the window out.
    hintMaximumSize();
  }
}

void X11WindowPlacement::setMaximumSize(double width, double height) {
  maxWidth_ = width;
  maxHeight_ = height;
  hintMaximumSize();
  keepWithinMaximumSize();
}

void X11WindowPlacement::hintMaximumSize() {
  if (maxWidth_ <= 0 || maxHeight_ <= 0) return;
  ErrorTrap trap(display_);
  XSizeHints hints{};
  long supplied = 0;
  if (!XGetWMNormalHints(display_, xid_, &hints, &supplied)) hints.flags = 0;
  Extents shadow = extents(display_, xid_, "_GTK_FRAME_EXTENTS");
  int width = int(clampSize(maxWidth_ + shadow.left + shadow.right));
  int height = int(clampSize(maxHeight_ + shadow.top + shadow.bottom));
  if (hints.flags & PMaxSize) {
    // A tighter limit of the toolkit's own (a window that is not resizable) stays.
    width = std::min(width, hints.max_width);
    height = std::min(height, hints.max_height);
    if (width == hints.max_width && height == hints.max_height) return;
  }
  hints.flags |= PMaxSize;
  hints.max_width = width;
  hints.max_height = height;
  XSetWMNormalHints(display_, xid_, &hints);
}

void X11WindowPlacement::keepWithinMaximumSize() {
  if (maxWidth_ <= 0 || maxHeight_ <= 0) return;
  Rect f = frame();
  if (f.width <= 0 || f.height <= 0 || (f.width <= maxWidth_ && f.height <= maxHeight_)) return;
  setFrame(Rect{f.x, f.y, std::min(f.width, maxWidth_), std::min(f.height, maxHeight_)});
}

namespace {

bool hasState(Display* display, Window xid, const char* name) {
  Atom state = XInternAtom(display, "_NET_WM_STATE", True);
  Atom wanted = XInternAtom(display, name, True);
  if (state == None || wanted == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display, xid, state, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    auto* atoms = reinterpret_cast<Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) found = found || atoms[i] == wanted;
    XFree(data);
  }
  return found;
}

// One _NET_WM_STATE flag: set on the window itself (read by a window manager when it
// maps the window) and asked of a running window manager for a mapped one.
void changeState(Display* display, Window xid, const char* name, bool on) {
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  Atom flag = XInternAtom(display, name, False);
  std::vector<Atom> states;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, xid, state, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    auto* atoms = reinterpret_cast<Atom*>(data);
    for (unsigned long i = 0; i < count; ++i)
      if (atoms[i] != flag) states.push_back(atoms[i]);
    XFree(data);
  }
  if (on) states.push_back(flag);
  XChangeProperty(display, xid, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(states.data()),
                  static_cast<int>(states.size()));

  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = xid;
  ev.xclient.message_type = state;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
  ev.xclient.data.l[1] = static_cast<long>(flag);
  ev.xclient.data.l[3] = 1;  // a normal application
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XFlush(display);
}

}  // namespace

void X11WindowPlacement::setKeepAbove(bool above) { changeState(display_, xid_, "_NET_WM_STATE_ABOVE", above); }

bool X11WindowPlacement::keptAbove() const { return hasState(display_, xid_, "_NET_WM_STATE_ABOVE"); }

// Sticky state plus the desktop number 0xFFFFFFFF, which EWMH reads as "all desktops".
void X11WindowPlacement::setOnAllWorkspaces(bool all) {
  changeState(display_, xid_, "_NET_WM_STATE_STICKY", all);
  Atom desktop = XInternAtom(display_, "_NET_WM_DESKTOP", False);
  if (all) {
    unsigned long every = 0xFFFFFFFFul;
    XChangeProperty(display_, xid_, desktop, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&every),
                    1);
  }
  auto current = cardinals(display_, DefaultRootWindow(display_), "_NET_CURRENT_DESKTOP", 1);
  if (!all && onAllWorkspaces()) {
    // Back to the current desktop, also where the window manager only reads the property.
    unsigned long here = current.empty() ? 0 : static_cast<unsigned long>(current[0]);
    XChangeProperty(display_, xid_, desktop, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&here),
                    1);
  }
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = xid_;
  ev.xclient.message_type = desktop;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = all ? 0xFFFFFFFFl : (current.empty() ? 0 : static_cast<long>(current[0]));
  ev.xclient.data.l[1] = 1;
  XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XFlush(display_);
}

// Some window managers (openbox) keep "all desktops" only as the desktop number.
bool X11WindowPlacement::onAllWorkspaces() const {
  if (hasState(display_, xid_, "_NET_WM_STATE_STICKY")) return true;
  auto desktop = cardinals(display_, xid_, "_NET_WM_DESKTOP", 1);
  return !desktop.empty() && (static_cast<unsigned long>(desktop[0]) & 0xFFFFFFFFul) == 0xFFFFFFFFul;
}

void X11WindowPlacement::setKeepBelow(bool below) { changeState(display_, xid_, "_NET_WM_STATE_BELOW", below); }

bool X11WindowPlacement::keptBelow() const { return hasState(display_, xid_, "_NET_WM_STATE_BELOW"); }

void X11WindowPlacement::setSkipTaskbar(bool skip) {
  changeState(display_, xid_, "_NET_WM_STATE_SKIP_TASKBAR", skip);
  changeState(display_, xid_, "_NET_WM_STATE_SKIP_PAGER", skip);
}

bool X11WindowPlacement::skipsTaskbar() const { return hasState(display_, xid_, "_NET_WM_STATE_SKIP_TASKBAR"); }

void X11WindowPlacement::raise() {
  XRaiseWindow(display_, xid_);
  XFlush(display_);
}

// ---- Toolkit surfaces

namespace {

class GdkX11Placement : public X11WindowPlacement {
 public:
  GdkX11Placement(GdkDisplay* display, GdkSurface* surface)
      : X11WindowPlacement(gdk_x11_display_get_xdisplay(display), gdk_x11_surface_get_xid(surface)) {
    xevent_ = SignalHandler(display, g_signal_connect(display, "xevent", G_CALLBACK(&GdkX11Placement::onXEvent), this));
  }

 private:
  static gboolean onXEvent(GdkX11Display*, gpointer xevent, gpointer self) {
    static_cast<GdkX11Placement*>(self)->handleEvent(*static_cast<const XEvent*>(xevent));
    return FALSE;  // the toolkit still handles it
  }
  SignalHandler xevent_;
};

bool isX11(GdkSurface* surface) {
  return surface && GDK_IS_X11_SURFACE(surface) && GDK_IS_X11_DISPLAY(gdk_surface_get_display(surface));
}

}  // namespace

std::unique_ptr<WindowPlacement> x11PlacementFor(_GdkSurface* surface) {
  if (!isX11(surface)) return nullptr;
  return std::make_unique<GdkX11Placement>(gdk_surface_get_display(surface), surface);
}

X11Window x11WindowOf(_GdkSurface* surface) {
  if (!isX11(surface)) return {};
  return X11Window{gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface)), gdk_x11_surface_get_xid(surface)};
}

bool setUrgencyHint(_GdkSurface* surface, bool urgent) {
  if (!surface || !GDK_IS_X11_SURFACE(surface)) return false;
  gdk_x11_surface_set_urgency_hint(surface, urgent);
  return true;
}

void skipFocusOnMap(_GdkSurface* surface) {
  if (surface && GDK_IS_X11_SURFACE(surface)) gdk_x11_surface_set_user_time(surface, 0);
}

void makeNotificationWindow(_GdkSurface* surface) {
  auto [x, xid] = x11WindowOf(surface);
  if (!x) return;
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = False;
  XSetWMHints(x, xid, &hints);
  Atom type = XInternAtom(x, "_NET_WM_WINDOW_TYPE", False);
  Atom notification = XInternAtom(x, "_NET_WM_WINDOW_TYPE_NOTIFICATION", False);
  XChangeProperty(x, xid, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&notification), 1);
  Atom state = XInternAtom(x, "_NET_WM_STATE", False);
  Atom flags[] = {XInternAtom(x, "_NET_WM_STATE_ABOVE", False), XInternAtom(x, "_NET_WM_STATE_STICKY", False),
                  XInternAtom(x, "_NET_WM_STATE_SKIP_TASKBAR", False)};
  XChangeProperty(x, xid, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(flags), 3);
  Atom userTime = XInternAtom(x, "_NET_WM_USER_TIME", False);
  long zero = 0;
  XChangeProperty(x, xid, userTime, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&zero), 1);
}

std::optional<std::pair<int, int>> pointerPosition(_GdkDisplay* display) {
  if (!display || !GDK_IS_X11_DISPLAY(display)) return std::nullopt;
  Display* x = gdk_x11_display_get_xdisplay(display);
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  if (!XQueryPointer(x, DefaultRootWindow(x), &root, &child, &rx, &ry, &wx, &wy, &mask)) return std::nullopt;
  return std::make_pair(rx, ry);
}

}  // namespace quorvel
