#pragma once
// The main window's frame across launches, under "window.frame.v1" in the user
// defaults, and the set-up that makes a window the main window.
#include <gtkmm/window.h>

namespace quorvel {

class WindowMemory {
 public:
  // 0.35 s later (the window is shown by then): finds the main window and attaches
  // to it, as attach(window) does.
  static void attach();
  // 0.35 s later: makes `window` the main window (its identifier, its close button
  // hides it) and, the first time for this window object, puts it where it was last
  // (or centres it) and from then on remembers every move and resize. A window not
  // shown yet is attached when it is shown.
  static void attach(Gtk::Window& window);

  // The window whose frame is remembered; nullptr before the first attachment.
  static Gtk::Window* observed();
  // Writes the window's frame under "window.frame.v1" now.
  static void storeFrame(Gtk::Window& window);
  // Stops remembering (a pending write is done first); the next attach starts over.
  static void detach();

  // How long a move or resize waits before it is written: a drag is one write.
  static constexpr unsigned kWriteDelayMs = 250;
  static constexpr unsigned kAttachDelayMs = 350;
};

}  // namespace quorvel
