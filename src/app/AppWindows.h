#pragma once
// How the application's windows belong to it. gtkmm takes a window out of its
// application whenever it is hidden, and showing it again does not put it back: the
// application's keys and actions would no longer reach a window closed and reopened,
// and GTK leaves the window's own controls (minimise, maximise, close) disabled.
#include <gtkmm/application.h>
#include <gtkmm/window.h>

namespace quorvel {

// Adds `window` to `app`, and again each time it is shown after a hide took it out.
void addApplicationWindow(Gtk::Application& app, Gtk::Window& window);

// Whether GTK's inspector keys stay on: only when GTK_DEBUG (its value given) asks
// for it ("interactive").
bool inspectorKeysWanted(const char* gtkDebug);
// Turns GTK's inspector keys (Ctrl+Shift+D, Ctrl+Shift+I) off for every window of the
// process, unless GTK_DEBUG asks for them. Once, after GTK has started.
void switchOffInspectorKeys();

}  // namespace quorvel
