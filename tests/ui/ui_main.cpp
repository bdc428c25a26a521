// Entry point of the UI tests: GTK (with the gtkmm wrappers), the main-thread mark and
// the shared style exist before any widget is made; nothing opens on the desktop.
// Listing the cases (how CTest finds them) needs no display, so GTK is left alone then.
#include <glib.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/init.h>

#include "core/MainQueue.h"
#include "ui/LawStyle.h"

int main(int argc, char** argv) {
  g_setenv("QUORVEL_NO_EXTERNAL_OPEN", "1", TRUE);
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  gtk_init();
  Gtk::init_gtkmm_internals();
  quorvel::markMainThread();
  quorvel::installLawStyle();
  return RUN_ALL_TESTS();
}
