#include "ui/components/WidgetHelpers.h"

namespace quorvel {

Gtk::Label* classedLabel(const std::string& text, const char* cls) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->add_css_class(cls);
  return l;
}

void setCssClass(Gtk::Widget& widget, const char* cls, bool on) {
  if (on) widget.add_css_class(cls);
  else widget.remove_css_class(cls);
}

void setAccessibleLabel(Gtk::Widget& widget, const std::string& text) {
  gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, text.c_str(), -1);
}

void labelBy(Gtk::Widget& control, Gtk::Widget& label) {
  gtk_accessible_update_relation(GTK_ACCESSIBLE(control.gobj()), GTK_ACCESSIBLE_RELATION_LABELLED_BY, label.gobj(),
                                 nullptr, -1);
}

void nameIconControl(Gtk::Widget& control, const std::string& name) {
  setAccessibleLabel(control, name);
  control.set_tooltip_text(name);
  if (GTK_IS_MENU_BUTTON(control.gobj()) || GTK_IS_DROP_DOWN(control.gobj()))
    for (GtkWidget* c = gtk_widget_get_first_child(control.gobj()); c; c = gtk_widget_get_next_sibling(c))
      if (GTK_IS_BUTTON(c))
        gtk_accessible_update_property(GTK_ACCESSIBLE(c), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
}

Gtk::Button* makeIconButton(Gtk::Widget& icon, const std::string& name) {
  auto* button = Gtk::make_managed<Gtk::Button>();
  button->set_child(icon);
  nameIconControl(*button, name);
  return button;
}

}  // namespace quorvel
