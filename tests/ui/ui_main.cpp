// Entry point of the UI tests: GTK (with the gtkmm wrappers), the main-thread mark and
// the shared style exist before any widget is made; nothing opens on the desktop.
// Listing the cases (how CTest finds them) needs no display, so GTK is left alone then.
#include <glib.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include "base/MainQueue.h"
#include "ui/components/LawStyle.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  gtk_init();
  Gtk::init_gtkmm_internals();
  quorvel::markMainThread();
  quorvel::installLawStyle();
  return RUN_ALL_TESTS();
}
