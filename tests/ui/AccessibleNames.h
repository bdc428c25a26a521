#pragma once
// What a screen reader finds in a window: every control a user can reach (buttons,
// toggles, switches, fields, menus, sliders) and whether it has a name of its own, from
// GTK's accessible label property or a labelled-by relation.
#include <gtkmm.h>

#include <string>
#include <vector>

namespace quorvel::test {

struct UnnamedControl {
  std::string window;  // the window's title
  std::string type;    // the widget's type name
  std::string where;   // its ancestors' CSS names and classes, outermost first
  std::string hint;    // a tooltip or description it carries instead of a name
};

// Every shown control under `root` (hidden ones excluded) without a name.
std::vector<UnnamedControl> unnamedControls(Gtk::Widget& root, const std::string& window);
// All of them over the windows, one line each, to print when a test fails.
std::string describe(const std::vector<UnnamedControl>& controls);
// How many named and unnamed controls `root` holds (to show the walk saw something).
int controlCount(Gtk::Widget& root);
// True when the widget's accessible label property is exactly `name`.
bool hasAccessibleLabel(Gtk::Widget& widget, const std::string& name);

}  // namespace quorvel::test
