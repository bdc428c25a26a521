#pragma once
// A settings card on screen as the settings sheet shows it: alone in a window of the
// sheet's ideal size.
#include <gtkmm/window.h>

#include <memory>

#include "base/MainQueue.h"

namespace quorvel::test {

inline std::unique_ptr<Gtk::Window> presentSettingsCard(Gtk::Widget& card) {
  auto window = std::make_unique<Gtk::Window>();
  window->set_default_size(660, 660);
  window->set_child(card);
  window->present();
  drainMainLoop();
  return window;
}

}  // namespace quorvel::test
