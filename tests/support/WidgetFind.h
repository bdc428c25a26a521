#pragma once
// Finding widgets of a shown window the way a user sees them: a button by its label,
// a label by its text. Header-only; for the ui and web test binaries.
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/widget.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/MainQueue.h"

namespace quorvel::test {

inline void forEachWidget(Gtk::Widget& root, const std::function<void(Gtk::Widget&)>& fn) {
  fn(root);
  for (auto* child = root.get_first_child(); child; child = child->get_next_sibling()) forEachWidget(*child, fn);
}

// The first button whose label is `text`, or null.
inline Gtk::Button* findButton(Gtk::Widget& root, const std::string& text) {
  Gtk::Button* found = nullptr;
  forEachWidget(root, [&](Gtk::Widget& w) {
    auto* b = dynamic_cast<Gtk::Button*>(&w);
    if (!found && b && b->get_label().raw() == text) found = b;
  });
  return found;
}

inline std::vector<Gtk::Button*> findButtons(Gtk::Widget& root, const std::string& text) {
  std::vector<Gtk::Button*> out;
  forEachWidget(root, [&](Gtk::Widget& w) {
    auto* b = dynamic_cast<Gtk::Button*>(&w);
    if (b && b->get_label().raw() == text) out.push_back(b);
  });
  return out;
}

// Labels that are drawn (mapped) and whose text starts with `prefix`.
inline std::vector<Gtk::Label*> shownLabelsStartingWith(Gtk::Widget& root, const std::string& prefix) {
  std::vector<Gtk::Label*> out;
  forEachWidget(root, [&](Gtk::Widget& w) {
    auto* l = dynamic_cast<Gtk::Label*>(&w);
    if (l && l->get_mapped() && l->get_text().raw().rfind(prefix, 0) == 0) out.push_back(l);
  });
  return out;
}

// Activates a button as the keyboard does; GTK reports the click once the press
// animation ends, so the main loop runs until then (long on a loaded sanitizer build).
inline void press(Gtk::Button* button) {
  ASSERT_NE(button, nullptr);
  bool clicked = false;
  auto connection = button->signal_clicked().connect([&] { clicked = true; }, false);
  button->activate();
  runMainLoopUntil([&] { return clicked; }, 10000);
  connection.disconnect();
}

}  // namespace quorvel::test
