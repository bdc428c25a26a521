#include "platform/HotKeys.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <glib.h>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

static_assert(hotkey::kShift == ShiftMask && hotkey::kControl == ControlMask && hotkey::kAlt == Mod1Mask &&
              hotkey::kSuper == Mod4Mask);

namespace {

HotKeyResult failed(int code, std::string why) { return {AppError(errors::kHotKeys, code, std::move(why))}; }

// Xlib reports a refused grab asynchronously through the process-wide error handler.
// The trap catches the errors of our connection between its start and finish() (which
// waits for the server's answer) and hands any other connection's errors on.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* d) {
    display_ = d;
    firstError_ = 0;
    previous_ = XSetErrorHandler(&ErrorTrap::handle);
  }
  ~ErrorTrap() { finish(); }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // The first error code seen (Success when none).
  int finish() {
    if (display_) {
      XSync(display_, False);
      XSetErrorHandler(previous_);
      display_ = nullptr;
    }
    return firstError_;
  }

 private:
  static int handle(Display* d, XErrorEvent* e) {
    if (d == display_) {
      if (!firstError_) firstError_ = e->error_code;
      return 0;
    }
    return previous_ ? previous_(d, e) : 0;
  }

  static inline Display* display_ = nullptr;
  static inline int firstError_ = 0;
  static inline XErrorHandler previous_ = nullptr;
};

constexpr unsigned kModifierBits = ShiftMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

}  // namespace

// A main-loop source over the connection's socket. Xlib may already hold events it
// read while waiting for a reply, so prepare/check look at its queue as well.
struct X11HotKeysSource {
  GSource base;
  X11HotKeys* owner;
  gpointer fdTag;

  static Display* displayOf(GSource* s) {
    return static_cast<Display*>(reinterpret_cast<X11HotKeysSource*>(s)->owner->display_);
  }
  static gboolean prepare(GSource* s, gint* timeout) {
    *timeout = -1;
    auto* self = reinterpret_cast<X11HotKeysSource*>(s);
    return !self->owner->lost_ && XEventsQueued(displayOf(s), QueuedAlready) > 0;
  }
  static gboolean check(GSource* s) {
    auto* self = reinterpret_cast<X11HotKeysSource*>(s);
    if (g_source_query_unix_fd(s, self->fdTag)) return TRUE;
    return !self->owner->lost_ && XEventsQueued(displayOf(s), QueuedAlready) > 0;
  }
  static gboolean dispatch(GSource* s, GSourceFunc, gpointer) {
    auto* self = reinterpret_cast<X11HotKeysSource*>(s);
    if (g_source_query_unix_fd(s, self->fdTag) & (G_IO_HUP | G_IO_ERR)) {
      // Reading a closed connection would end the process in Xlib's I/O error handler.
      self->owner->lost_ = true;
      logLine(tags::kHotKey, "与 X 服务器的连接已断开，全局热键不再可用", LogLevel::warning);
      return G_SOURCE_REMOVE;
    }
    self->owner->dispatchEvents();
    return G_SOURCE_CONTINUE;
  }
};

namespace {
GSourceFuncs kSourceFuncs = {X11HotKeysSource::prepare, X11HotKeysSource::check, X11HotKeysSource::dispatch,
                             nullptr, nullptr, nullptr};
}  // namespace

void X11HotKeys::SourceDeleter::operator()(void* source) const {
  g_source_destroy(static_cast<GSource*>(source));
  g_source_unref(static_cast<GSource*>(source));
}

X11HotKeys::X11HotKeys() = default;

X11HotKeys::~X11HotKeys() {
  source_.reset();
  if (!display_) return;
  if (lost_) return;  // closing a dead connection would end the process
  unregisterAll();
  XCloseDisplay(static_cast<Display*>(display_));
}

bool X11HotKeys::openDisplay() {
  if (display_) return true;
  display_ = XOpenDisplay(nullptr);
  if (display_) numLock_ = readNumLockMask();
  return display_ != nullptr;
}

HotKeyResult X11HotKeys::listen(PressedHandler onPressed) {
  if (lost_) return failed(2, "与 X 服务器的连接已断开");
  if (!openDisplay()) return failed(1, "没有可用的 X 显示服务器（未设置 DISPLAY，或为纯 Wayland 会话），全局热键不可用");
  onPressed_ = std::move(onPressed);
  if (!source_) {
    GSource* s = g_source_new(&kSourceFuncs, sizeof(X11HotKeysSource));
    auto* self = reinterpret_cast<X11HotKeysSource*>(s);
    self->owner = this;
    self->fdTag = g_source_add_unix_fd(s, ConnectionNumber(static_cast<Display*>(display_)),
                                       static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
    g_source_set_static_name(s, "quorvel-x11-hotkeys");
    g_source_attach(s, nullptr);
    source_.reset(s);
  }
  return {};
}

void X11HotKeys::stopListening() {
  source_.reset();
  onPressed_ = nullptr;
}

unsigned X11HotKeys::readNumLockMask() {
  auto* d = static_cast<Display*>(display_);
  unsigned mask = 0;
  KeyCode numLock = XKeysymToKeycode(d, XK_Num_Lock);
  if (XModifierKeymap* map = XGetModifierMapping(d)) {
    for (int mod = 0; mod < 8 && numLock; ++mod) {
      for (int k = 0; k < map->max_keypermod; ++k) {
        if (map->modifiermap[mod * map->max_keypermod + k] == numLock) mask = 1u << mod;
      }
    }
    XFreeModifiermap(map);
  }
  return mask ? mask : Mod2Mask;
}

std::vector<unsigned> X11HotKeys::lockVariants() {
  return {0, LockMask, numLock_, LockMask | numLock_};
}

HotKeyResult X11HotKeys::registerKey(int id, const HotKeyCombo& combo) {
  if (lost_) return failed(2, "与 X 服务器的连接已断开");
  if (!openDisplay()) return failed(1, "没有可用的 X 显示服务器");
  auto* d = static_cast<Display*>(display_);
  KeyCode keycode = XKeysymToKeycode(d, combo.keysym);
  if (!keycode) return failed(BadValue, "键盘布局中没有这个键");
  Grab grab{id, keycode, combo.modifiers & kModifierBits};
  Window root = DefaultRootWindow(d);
  ErrorTrap trap(d);
  for (unsigned locks : lockVariants()) {
    XGrabKey(d, keycode, grab.modifiers | locks, root, False, GrabModeAsync, GrabModeAsync);
  }
  int error = trap.finish();
  if (error != Success) {
    // Half a grab would work only with some lock keys on: give back what we got.
    ungrab(grab);
    if (error == BadAccess) return failed(error, "已被其他程序占用");
    char text[128] = {};
    XGetErrorText(d, error, text, sizeof text);
    return failed(error, std::string("X 服务器拒绝：") + text);
  }
  grabs_.push_back(grab);
  return {};
}

void X11HotKeys::ungrab(const Grab& g) {
  auto* d = static_cast<Display*>(display_);
  ErrorTrap trap(d);
  for (unsigned locks : lockVariants()) XUngrabKey(d, g.keycode, g.modifiers | locks, DefaultRootWindow(d));
  trap.finish();
}

void X11HotKeys::unregisterAll() {
  if (!display_ || lost_) {
    grabs_.clear();
    return;
  }
  for (const auto& g : grabs_) ungrab(g);
  grabs_.clear();
}

void X11HotKeys::dispatchEvents() {
  auto* d = static_cast<Display*>(display_);
  unsigned locks = LockMask | numLock_;
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    // Keeps Xlib's keysym table current for the next registration.
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    if (event.type != KeyPress) continue;
    unsigned mods = event.xkey.state & kModifierBits & ~locks;
    for (const auto& g : grabs_) {
      if (g.keycode != event.xkey.keycode || g.modifiers != mods) continue;
      // A copy: the handler may replace itself.
      if (auto handler = onPressed_) handler(g.id);
      break;
    }
  }
}

}  // namespace quorvel
