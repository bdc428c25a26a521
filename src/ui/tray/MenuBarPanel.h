#pragma once
// The small window the tray item opens: the to-do counts of the last badge refresh
// and "打开工作台". It opens near the pointer and closes when it loses focus, on
// Escape, or when asked again.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <functional>
#include <memory>

#include "base/GLibPtr.h"
#include "core/BrowserModel.h"

namespace quorvel {

class MenuBarPanel {
 public:
  MenuBarPanel(std::shared_ptr<BrowserModel> model, std::function<void()> onOpenDashboard);
  ~MenuBarPanel();
  MenuBarPanel(const MenuBarPanel&) = delete;
  MenuBarPanel& operator=(const MenuBarPanel&) = delete;

  // Shows the panel near the screen point (x, y), or hides it when it is shown.
  // (0, 0), which some hosts send, stands for the pointer's own position.
  void toggleNear(int x, int y);
  void showNear(int x, int y);
  void hide();
  bool isShown() const;

  Gtk::Window& window() { return window_; }
  // The panel's content, for rendering it on its own.
  Gtk::Widget& content() { return content_; }

 private:
  void refresh();
  Gtk::Box* countTile(Gtk::Label& number, const char* caption, const char* tone);

  std::shared_ptr<BrowserModel> model_;
  std::function<void()> onOpenDashboard_;
  Gtk::Window window_;
  Gtk::Box content_;
  Gtk::Label subtitle_;
  Gtk::Label overdue_, today_, soon_;
  Gtk::Button* openButton_ = nullptr;
  bool wasActive_ = false;
  ScopedConnection badgesChanged_;
};

}  // namespace quorvel
