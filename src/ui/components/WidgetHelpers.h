#pragma once
// Small steps every view takes on its widgets: a label with its style class, a style
// class switched on or off, and the name screen readers give a drawn button.
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/widget.h>

#include <string>

namespace quorvel {

// A managed label showing `text`, styled by `cls`.
Gtk::Label* classedLabel(const std::string& text, const char* cls);
void setCssClass(Gtk::Widget& widget, const char* cls, bool on);
// Buttons drawn from glyphs or several labels get one name for screen readers.
void setAccessibleLabel(Gtk::Widget& widget, const std::string& text);
// A control named by a label shown beside it (a switch after its row's title): the
// name follows the label's text.
void labelBy(Gtk::Widget& control, Gtk::Widget& label);
// A control without words of its own (an icon button, a switch, a menu button): `name`
// is both what a screen reader says and its tooltip. A menu button's inner button, the
// part that takes the focus, gets the name too.
void nameIconControl(Gtk::Widget& control, const std::string& name);
// A managed button showing `icon` (managed too), named `name` as nameIconControl does:
// an icon button cannot be made without a name.
Gtk::Button* makeIconButton(Gtk::Widget& icon, const std::string& name);

}  // namespace quorvel
