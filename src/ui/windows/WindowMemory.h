#pragma once
// The main window's frame across launches, under "window.frame.v1" in the user
// defaults, and the set-up that makes a window the main window.
#include <gtkmm/window.h>

#include <memory>
#include <optional>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "platform/WindowPlacement.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {

class MainWindowController;
class UserDefaults;

class WindowMemory {
 public:
  // `controller` finds the main window and hides it when its close button is pressed.
  WindowMemory(UserDefaults& defaults, MainWindowController& controller);
  ~WindowMemory();
  WindowMemory(const WindowMemory&) = delete;
  WindowMemory& operator=(const WindowMemory&) = delete;

  // 0.35 s later (the window is shown by then): finds the main window and attaches
  // to it, as attach(window) does.
  void attach();
  // 0.35 s later: makes `window` the main window (its identifier, its close button
  // hides it) and, the first time for this window object, puts it where it was last
  // (or centres it) and from then on remembers every move and resize. A window not
  // shown yet is attached when it is shown.
  void attach(Gtk::Window& window);

  // The window whose frame is remembered; nullptr before the first attachment.
  Gtk::Window* observed() const;
  // Writes the window's frame under "window.frame.v1" now.
  void storeFrame(Gtk::Window& window);
  // Stops remembering (a pending write is done first); the next attach starts over.
  void detach();

  // How long a move or resize waits before it is written: a drag is one write.
  static constexpr unsigned kWriteDelayMs = 250;
  static constexpr unsigned kAttachDelayMs = 350;

 private:
  std::string frameText(WindowPlacement& placement);
  void writeNow();
  void scheduleWrite();
  void restoreFrame(WindowPlacement& placement);
  void observe(Gtk::Window& window);
  void attachNow(Gtk::Window& window);
  // Closing the main window hides it (the client keeps running).
  void wireCloseHides(Gtk::Window& window);

  UserDefaults& defaults_;
  MainWindowController& controller_;
  WeakWindow observed_;
  std::unique_ptr<WindowPlacement> placement_;
  std::vector<ScopedConnection> observers_;
  ScopedConnection waitingForMap_;
  SourceId pendingWrite_;
  // Where the window was when it was hidden: a window manager places a window that
  // is shown again as if it were new.
  std::optional<Rect> frameAtHide_;
  // Delayed steps find out whether this memory is still there.
  TaskScope scope_;
};

}  // namespace quorvel
