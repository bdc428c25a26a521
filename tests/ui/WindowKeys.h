#pragma once
// Real key presses into the tool windows under Xvfb (xdotool), for the sheets that
// take Escape on their window while they are shown.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>
#include <string>

#include "TestHelpers.h"
#include "base/GObjectPtr.h"

// Xlib last: its macros clash with the toolkit's C++ headers.
#include <gdk/x11/gdkx.h>

namespace quorvel::test {

inline bool haveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

inline unsigned long xidOf(Gtk::Window& w) { return gdk_x11_surface_get_xid(w.get_surface()->gobj()); }

inline void focus(Gtk::Window& w) {
  ASSERT_TRUE(waitUntil([&] { return w.get_mapped(); }, 5000));
  ASSERT_EQ(std::system(("xdotool windowfocus --sync " + std::to_string(xidOf(w))).c_str()), 0);
  ASSERT_TRUE(waitUntil([&] { return w.is_active(); }, 5000));
}

inline void pressEscape() { ASSERT_EQ(std::system("xdotool key --clearmodifiers Escape"), 0); }

inline unsigned controllerCount(Gtk::Widget& w) {
  auto list = GObjectPtr<GListModel>::adopt(gtk_widget_observe_controllers(w.gobj()));
  return g_list_model_get_n_items(list.get());
}

}  // namespace quorvel::test
