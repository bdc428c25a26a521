#pragma once
// Escape for a sheet shown in a tool window: heard on the whole window before any of
// its controls (capture phase), and only while the sheet is on screen; the window is
// only hidden between showings, so the key must not outlive the sheet's appearance.
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/widget.h>

#include <functional>

namespace quorvel {

class WindowEscapeKey {
 public:
  WindowEscapeKey(Gtk::Widget& sheet, std::function<void()> onEscape);
  ~WindowEscapeKey();
  WindowEscapeKey(const WindowEscapeKey&) = delete;
  WindowEscapeKey& operator=(const WindowEscapeKey&) = delete;

 private:
  void watch();
  void unwatch();

  Gtk::Widget& sheet_;
  std::function<void()> onEscape_;
  Glib::RefPtr<Gtk::EventControllerKey> keys_;
  sigc::connection mapped_, unmapped_;
};

}  // namespace quorvel
