#pragma once
// The application's primary menu: a menu button at the end of the top bar whose
// popover lists the menu commands in their groups and order, each with its shortcut
// in Linux form. Choosing an entry activates its application action ("app.NAME").
#include <gtkmm/box.h>
#include <gtkmm/menubutton.h>
#include <gtkmm/popover.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/togglebutton.h>

#include <vector>

#include "core/MenuCommands.h"

namespace quorvel {

class PrimaryMenu : public Gtk::MenuButton {
 public:
  explicit PrimaryMenu(std::vector<MenuCommand> commands);

  // Marks the font-size choice in effect.
  void setFontScale(double scale);
  // For tests: the titles of the entries in order, "—" for a divider.
  std::vector<std::string> entryTitles() const;
  // For tests: activates the entry of `action` as a click would.
  void choose(const std::string& action);

 private:
  void addRow(const MenuCommand& command);
  void addFontSizes(const MenuCommand& command);
  void run(const std::string& action, const Glib::VariantBase& parameter = {});

  std::vector<MenuCommand> commands_;
  Gtk::Popover popover_;
  Gtk::ScrolledWindow scroller_;
  Gtk::Box list_{Gtk::Orientation::VERTICAL};
  std::vector<Gtk::ToggleButton*> sizes_;
  std::vector<std::string> titles_;
  bool syncing_ = false;
};

}  // namespace quorvel
