#pragma once
// A system symbol drawn here (our line icon, else the theme's symbolic icon), and the
// heading row that opens a card: the symbol in the primary colour, then the title.
#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <optional>
#include <string>

#include "core/Theme.h"

namespace quorvel {

// A managed widget of `size` pixels; an icon of the theme takes `cssClass` (its colour).
Gtk::Widget* makeLawSymbolIcon(const std::string& symbol, int size, const LawColor& color, const char* cssClass);

class LawSectionTitle : public Gtk::Box {
 public:
  LawSectionTitle(const Glib::ustring& title, const std::string& symbol);
  Gtk::Label& label() { return title_; }

 private:
  Gtk::Label title_;
};

}  // namespace quorvel
