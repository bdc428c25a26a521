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

}  // namespace quorvel
