#pragma once
// What a screen reader calls a widget: its accessible label, checked through the
// toolkit's own test hook. Header-only; for the ui and web test binaries.
#include <gtk/gtk.h>
#include <gtkmm/widget.h>

#include <gtest/gtest.h>

#include <string>

namespace quorvel::test {

inline ::testing::AssertionResult hasAccessibleName(Gtk::Widget& widget, const std::string& name) {
  char* error =
      gtk_test_accessible_check_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str());
  if (!error) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << error;
  g_free(error);
  return failure;
}

}  // namespace quorvel::test
