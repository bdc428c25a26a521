#pragma once
// The toolkit side of window placement: a Gtk::Window's placement (the X11 one of the
// platform layer, or sizes only where positions are not ours) and a weak window
// reference.
#include <gtkmm/window.h>

#include <functional>
#include <memory>

#include "base/GObjectPtr.h"
#include "platform/WindowPlacement.h"

namespace quorvel {

// The placement of a realised toplevel, or nothing before it is realised. On X11 the
// Xlib placement, kept informed through the display's "xevent" signal; elsewhere (a
// Wayland surface) one that keeps sizes only and says so once in the log. Drop it
// before the window is unrealised.
std::unique_ptr<WindowPlacement> placementFor(Gtk::Window& window);

// A window without a title bar that the user moves by dragging its background and
// resizes by dragging its border (the pointer shows which way), while `movable`
// answers true. A press on a control stays the control's. The window manager does
// the moving and resizing, so its size hints hold.
void allowMoveAndResizeByDragging(Gtk::Window& window, std::function<bool()> movable);

}  // namespace quorvel

namespace quorvel {

// A weak reference to a window: never keeps it alive, reads nullptr once it is gone.
class WeakWindow {
 public:
  void set(Gtk::Window* window) { ref_.set(window ? window->gobj() : nullptr); }
  Gtk::Window* get() const;

 private:
  GWeakPtr<GtkWindow> ref_;
};

}  // namespace quorvel
