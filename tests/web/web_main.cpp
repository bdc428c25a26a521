// Entry point of the web tests: GTK and the main-thread mark must exist before any
// web view is made, and no test may open anything on the desktop.
#include <glib.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include "base/MainQueue.h"

int main(int argc, char** argv) {
  gtk_init();
  Gtk::init_gtkmm_internals();
  quorvel::markMainThread();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
