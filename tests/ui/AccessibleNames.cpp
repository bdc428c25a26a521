#include "AccessibleNames.h"

#include <gtk/gtk.h>

#include <functional>

namespace quorvel::test {
namespace {

bool isControlRole(GtkAccessibleRole role) {
  switch (role) {
    case GTK_ACCESSIBLE_ROLE_BUTTON:
    case GTK_ACCESSIBLE_ROLE_CHECKBOX:
    case GTK_ACCESSIBLE_ROLE_SWITCH:
    case GTK_ACCESSIBLE_ROLE_RADIO:
    case GTK_ACCESSIBLE_ROLE_TEXT_BOX:
    case GTK_ACCESSIBLE_ROLE_SEARCH_BOX:
    case GTK_ACCESSIBLE_ROLE_SPIN_BUTTON:
    case GTK_ACCESSIBLE_ROLE_SLIDER:
    case GTK_ACCESSIBLE_ROLE_COMBO_BOX:
    case GTK_ACCESSIBLE_ROLE_LINK:
    case GTK_ACCESSIBLE_ROLE_MENU_ITEM:
    case GTK_ACCESSIBLE_ROLE_MENU_ITEM_CHECKBOX:
    case GTK_ACCESSIBLE_ROLE_MENU_ITEM_RADIO:
    case GTK_ACCESSIBLE_ROLE_TAB:
      return true;
    default:
      return false;
  }
}

// A control's inner parts (a button's icon and words, a field's text) are the control.
bool ownsItsParts(GtkWidget* w) {
  return GTK_IS_BUTTON(w) || GTK_IS_CHECK_BUTTON(w) || GTK_IS_SWITCH(w) || GTK_IS_ENTRY(w) ||
         GTK_IS_SEARCH_ENTRY(w) || GTK_IS_PASSWORD_ENTRY(w) || GTK_IS_SPIN_BUTTON(w) || GTK_IS_TEXT_VIEW(w);
}

std::string where(GtkWidget* w) {
  std::vector<std::string> parts;
  for (GtkWidget* p = gtk_widget_get_parent(w); p; p = gtk_widget_get_parent(p)) {
    std::string part = gtk_widget_get_css_name(p);
    char** classes = gtk_widget_get_css_classes(p);
    for (char** c = classes; c && *c; ++c) part += std::string(".") + *c;
    g_strfreev(classes);
    parts.insert(parts.begin(), part);
  }
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : " > ") + p;
  return out;
}

bool hasName(GtkWidget* w) {
  GtkAccessible* a = GTK_ACCESSIBLE(w);
  if (gtk_test_accessible_has_property(a, GTK_ACCESSIBLE_PROPERTY_LABEL)) {
    // Null: the label equals "", so there is no name after all.
    char* differs = gtk_test_accessible_check_property(a, GTK_ACCESSIBLE_PROPERTY_LABEL, "");
    bool named = differs != nullptr;
    g_free(differs);
    if (named) return true;
  }
  return gtk_test_accessible_has_relation(a, GTK_ACCESSIBLE_RELATION_LABELLED_BY);
}

void walk(GtkWidget* w, const std::function<void(GtkWidget*)>& visit) {
  if (!gtk_widget_get_visible(w)) return;
  visit(w);
  if (ownsItsParts(w)) return;
  for (GtkWidget* c = gtk_widget_get_first_child(w); c; c = gtk_widget_get_next_sibling(c)) walk(c, visit);
}

bool isControl(GtkWidget* w) { return isControlRole(gtk_accessible_get_accessible_role(GTK_ACCESSIBLE(w))); }

}  // namespace

std::vector<UnnamedControl> unnamedControls(Gtk::Widget& root, const std::string& window) {
  std::vector<UnnamedControl> out;
  walk(root.gobj(), [&](GtkWidget* w) {
    if (!isControl(w) || hasName(w)) return;
    UnnamedControl c{window, G_OBJECT_TYPE_NAME(w), where(w), ""};
    if (const char* tip = gtk_widget_get_tooltip_text(w)) c.hint = tip;
    out.push_back(std::move(c));
  });
  return out;
}

int controlCount(Gtk::Widget& root) {
  int n = 0;
  walk(root.gobj(), [&](GtkWidget* w) { n += isControl(w) ? 1 : 0; });
  return n;
}

std::string describe(const std::vector<UnnamedControl>& controls) {
  std::string out;
  for (const auto& c : controls)
    out += "「" + c.window + "」 " + c.type + (c.hint.empty() ? "" : " (提示: " + c.hint + ")") + "  at " + c.where +
           "\n";
  return out;
}

bool hasAccessibleLabel(Gtk::Widget& widget, const std::string& name) {
  GtkAccessible* a = GTK_ACCESSIBLE(widget.gobj());
  if (!gtk_test_accessible_has_property(a, GTK_ACCESSIBLE_PROPERTY_LABEL)) return false;
  char* differs = gtk_test_accessible_check_property(a, GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str());
  bool same = differs == nullptr;
  g_free(differs);
  return same;
}

}  // namespace quorvel::test
