#pragma once
// What a screen reader calls a widget: its accessible label, checked through the
// toolkit's own test hook. Header-only; for the ui and web test binaries.
#include <gtk/gtk.h>
#include <gtkmm/widget.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvel::test {

inline ::testing::AssertionResult hasAccessibleName(Gtk::Widget& widget, const std::string& name) {
  char* error =
      gtk_test_accessible_check_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str());
  if (!error) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << error;
  g_free(error);
  return failure;
}

// True when the widget's accessible state says it is hidden from assistive technology.
inline bool reportsHidden(GtkWidget* widget) {
  GtkAccessible* a = GTK_ACCESSIBLE(widget);
  if (!gtk_test_accessible_has_state(a, GTK_ACCESSIBLE_STATE_HIDDEN)) return false;
  char* error = gtk_test_accessible_check_state(a, GTK_ACCESSIBLE_STATE_HIDDEN, TRUE);
  g_free(error);
  return error == nullptr;
}

// The widgets under `root` (itself included) a screen reader reaches as the toolkit
// presents its tree: one that is not shown, or reports hidden, is left out with all it holds.
inline std::vector<GtkWidget*> reachableByScreenReader(GtkWidget* root) {
  std::vector<GtkWidget*> out;
  std::function<void(GtkWidget*)> walk = [&](GtkWidget* w) {
    if (!gtk_widget_get_visible(w) || reportsHidden(w)) return;
    out.push_back(w);
    for (GtkWidget* c = gtk_widget_get_first_child(w); c; c = gtk_widget_get_next_sibling(c)) walk(c);
  };
  walk(root);
  return out;
}

}  // namespace quorvel::test
