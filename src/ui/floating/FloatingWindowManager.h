#pragma once
// The one manager of the floating tool windows: makes each window and its content once
// and keeps both until reset() (closing hides, never destroys), brings each back where
// and as large as the user left it (also after a restart), keeps the pinned ones above
// other windows,
// and tells the owner when the user closed one. It keeps the windows' registered
// contents too.
#include <gtkmm.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/WindowPlacement.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/windows/FrameKeeper.h"

namespace quorvel {

class UserDefaults;

class FloatingWindowManager {
 public:
  // Each window's frame is remembered in `defaults`.
  explicit FloatingWindowManager(UserDefaults& defaults) : defaults_(defaults) {}
  ~FloatingWindowManager() { reset(); }
  FloatingWindowManager(const FloatingWindowManager&) = delete;
  FloatingWindowManager& operator=(const FloatingWindowManager&) = delete;

  // What each window shows, registered by the subsystems.
  ToolWindowContent& contents() { return contents_; }

  // Shows the tool window `name` (one of floatingWindowSpecs). `makeContent` is called
  // only the first time, when the window is made; later opens present the same window
  // with the same content. `onUserClose` (replacing the previous one) runs on a later
  // turn when the user closes it.
  void open(const std::string& name, const std::function<Gtk::Widget*()>& makeContent,
            std::function<void()> onUserClose);
  // Hides the window when it is shown; it stays for reuse (no close handler runs).
  void close(const std::string& name);

  Gtk::Window* window(const std::string& name) const;
  WindowPlacement* placement(const std::string& name) const;
  bool pinned(const std::string& name) const;
  // The window is shown where it was meant to go (its remembered frame, or centred).
  bool placed(const std::string& name) const;

  // Destroys every window with its content (tests, and the end of the application).
  void reset();

  // A tool window was made (once per name): the application adopts it, so its menu
  // keys and tab keys work there too.
  sigc::signal<void(Gtk::Window&)>& signalWindowCreated() { return windowCreated_; }

 private:
  struct Entry {
    std::unique_ptr<Gtk::Window> window;
    // Gone before the window: it reads the frame while the window goes.
    std::unique_ptr<FrameKeeper> frame;
  };
  void saveFrame(const std::string& name);

  UserDefaults& defaults_;
  ToolWindowContent contents_;
  std::map<std::string, Entry> windows_;
  std::map<std::string, std::function<void()>> closeHandlers_;
  std::map<std::string, bool> pinnedState_;
  sigc::signal<void(Gtk::Window&)> windowCreated_;
};

}  // namespace quorvel
