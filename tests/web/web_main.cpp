// Entry point of the web tests: GTK and the main-thread mark must exist before any
// web view is made, and no test may open anything on the desktop. Listing the cases
// (how CTest finds them) needs no display, so GTK is left alone then.
#include <glib.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include "base/MainQueue.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  gtk_init();
  Gtk::init_gtkmm_internals();
  quorvel::markMainThread();
  return RUN_ALL_TESTS();
}
