#pragma once
// Where a toplevel window stands on the screens. GTK 4 neither reads nor sets window
// positions, so this layer does it on the window's X11 id. Xlib and GDK's X11 calls
// stay out of this header (their macros clash with C++ code); the GTK side hands in
// a realised window's surface, or the connection and the id.
#include <sigc++/sigc++.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct _XDisplay;
union _XEvent;
struct _GdkDisplay;
struct _GdkSurface;

namespace quorvel {

// A rectangle in screen pixels, origin at the top left of the screen area.
struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  bool operator==(const Rect&) const = default;
};

class WindowPlacement {
 public:
  virtual ~WindowPlacement() = default;

  // The window's frame: origin = the outer top-left corner (a window manager's
  // decoration included), size = the window's own content size without the shadow
  // a client-side decoration draws around it.
  virtual Rect frame() const = 0;
  virtual void setFrame(const Rect& frame) = 0;
  // The part of each screen windows may use (less panels and docks), main screen first.
  virtual std::vector<Rect> screenVisibleFrames() const = 0;
  // False where only sizes can be kept (a Wayland surface): positions are not ours.
  virtual bool canPosition() const = 0;
  // True while the window is mapped and shown on a screen. A frame read otherwise (the
  // window on its way in or out, not yet placed by a window manager) is not where the
  // user put it.
  virtual bool onScreen() const { return true; }
  // Keeps the window above ordinary windows (a pinned tool window), or not.
  virtual void setKeepAbove(bool above) = 0;
  virtual bool keptAbove() const = 0;
  // Shows the window on every workspace (a panel that follows the user), or not.
  // Where workspaces are not ours to set, nothing happens.
  virtual void setOnAllWorkspaces(bool /*all*/) {}
  virtual bool onAllWorkspaces() const { return false; }
  // Keeps the window below ordinary windows (a panel on the wallpaper), or not.
  virtual void setKeepBelow(bool /*below*/) {}
  virtual bool keptBelow() const { return false; }
  // Leaves the window out of the task bar and the window switcher, or not.
  virtual void setSkipTaskbar(bool /*skip*/) {}
  virtual bool skipsTaskbar() const { return false; }
  // The largest content size the window may take, also when the user drags its
  // border. Where nothing limits sizes, nothing happens.
  virtual void setMaximumSize(double /*width*/, double /*height*/) {}
  // Puts the window above its siblings without giving it the keyboard.
  virtual void raise() {}

  // Emitted when the window was moved or resized (a burst of them while dragging).
  sigc::signal<void()>& frameChanged() { return frameChanged_; }

 protected:
  sigc::signal<void()> frameChanged_;
};

// The Xlib implementation on a toplevel's XID. It uses the connection given (the
// toolkit's own, on the main thread) and never owns it.
class X11WindowPlacement : public WindowPlacement {
 public:
  X11WindowPlacement(_XDisplay* display, unsigned long xid);

  Rect frame() const override;
  void setFrame(const Rect& frame) override;
  std::vector<Rect> screenVisibleFrames() const override;
  bool canPosition() const override { return true; }
  bool onScreen() const override;
  void setKeepAbove(bool above) override;
  bool keptAbove() const override;
  void setOnAllWorkspaces(bool all) override;
  bool onAllWorkspaces() const override;
  void setKeepBelow(bool below) override;
  bool keptBelow() const override;
  void setSkipTaskbar(bool skip) override;
  bool skipsTaskbar() const override;
  // Told to the window manager in the size hints; a frame that still grows past it
  // (a window manager that ignores the hint) is put back within it.
  void setMaximumSize(double width, double height) override;
  void raise() override;

  // Every X event of the connection goes through here; a ConfigureNotify of this
  // window emits frameChanged(). Never consumes the event.
  void handleEvent(const _XEvent& event);

  unsigned long xid() const { return xid_; }

 private:
  void hintMaximumSize();
  void keepWithinMaximumSize();

  _XDisplay* display_;
  unsigned long xid_;
  double maxWidth_ = 0, maxHeight_ = 0;  // 0: no limit of ours
};

// ---- A toolkit surface on X11. Everything here does nothing, or returns nothing,
// for a surface or display that is not an X11 one (a Wayland session).

// The Xlib placement of a realised toplevel, kept informed through its display's
// "xevent" signal. Drop it before the window is unrealised.
std::unique_ptr<WindowPlacement> x11PlacementFor(_GdkSurface* surface);

// The connection and id of a realised toplevel's X11 window.
struct X11Window {
  _XDisplay* display = nullptr;
  unsigned long xid = 0;
};
X11Window x11WindowOf(_GdkSurface* surface);

// The urgency hint: the task bar asks for the user's attention while it is set.
// False when there is no such hint to set.
bool setUrgencyHint(_GdkSurface* surface, bool urgent);
// A user time of 0 asks an EWMH window manager not to focus the window on map.
void skipFocusOnMap(_GdkSurface* surface);
// A realised window that never takes the focus: no input hint, notification type,
// above other windows on every workspace, outside the task bar, no user time.
void makeNotificationWindow(_GdkSurface* surface);

// The pointer's position on the screen.
std::optional<std::pair<int, int>> pointerPosition(_GdkDisplay* display);

}  // namespace quorvel
