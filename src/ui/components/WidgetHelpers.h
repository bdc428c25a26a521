#pragma once
// Small steps every view takes on its widgets: a label with its style class, a style
// class switched on or off, and the name screen readers give a drawn button.
#include <gtkmm/label.h>
#include <gtkmm/widget.h>

#include <string>

namespace quorvel {

// A managed label showing `text`, styled by `cls`.
Gtk::Label* classedLabel(const std::string& text, const char* cls);
void setCssClass(Gtk::Widget& widget, const char* cls, bool on);
// Buttons drawn from glyphs or several labels get one name for screen readers.
void setAccessibleLabel(Gtk::Widget& widget, const std::string& text);

}  // namespace quorvel
