#pragma once
// The one manager of the floating tool windows: makes each window once and reuses it,
// remembers its frame on every move and resize and when it closes, keeps the pinned
// ones above other windows, and tells the owner when the user closed one.
#include <gtkmm.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/WindowPlacement.h"

namespace quorvel {

class FloatingWindowManager {
 public:
  static FloatingWindowManager& shared();

  // Shows the tool window `name` (one of floatingWindowSpecs) with fresh content from
  // `makeContent`; `onUserClose` runs on a later turn when the user closes it.
  void open(const std::string& name, const std::function<Gtk::Widget*()>& makeContent,
            std::function<void()> onUserClose);
  // Hides the window when it is shown; it stays for reuse (no close handler runs).
  void close(const std::string& name);

  Gtk::Window* window(const std::string& name) const;
  WindowPlacement* placement(const std::string& name) const;
  bool pinned(const std::string& name) const;

  // Forgets every window (tests, and the end of the process).
  void reset();

  // A tool window was made (once per name): the application adopts it, so its menu
  // keys and tab keys work there too.
  sigc::signal<void(Gtk::Window&)>& signalWindowCreated() { return windowCreated_; }

 private:
  struct Entry {
    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<WindowPlacement> placement;
    sigc::connection frameChanged;
  };
  void saveFrame(const std::string& name);
  void placeOnce(const std::string& name);

  std::map<std::string, Entry> windows_;
  std::map<std::string, std::function<void()>> closeHandlers_;
  std::map<std::string, bool> pinnedState_;
  sigc::signal<void(Gtk::Window&)> windowCreated_;
};

}  // namespace quorvel
