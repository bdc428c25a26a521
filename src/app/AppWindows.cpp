#include "app/AppWindows.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <string>

namespace quorvel {
namespace {
constexpr const char* kShowHandlerKey = "quorvel-app-window";

void onShown(GtkWidget* widget, gpointer app) {
  GtkWindow* window = GTK_WINDOW(widget);
  if (gtk_window_get_application(window)) return;
  // gtkmm's own handler takes it out again at the next hide; this only puts it back.
  gtk_application_add_window(GTK_APPLICATION(app), window);
  // Leaving the application disabled the window's own actions; a change of one of
  // the settings they follow enables them again.
  const gboolean deletable = gtk_window_get_deletable(window);
  gtk_window_set_deletable(window, !deletable);
  gtk_window_set_deletable(window, deletable);
}

gboolean refuseDebugging(GtkWindow*, gboolean) { return FALSE; }
}  // namespace

void addApplicationWindow(Gtk::Application& app, Gtk::Window& window) {
  app.add_window(window);
  GObject* object = G_OBJECT(window.gobj());
  if (g_object_get_data(object, kShowHandlerKey)) return;
  // The application outlives its windows.
  g_signal_connect(object, "show", G_CALLBACK(onShown), app.gobj());
  g_object_set_data(object, kShowHandlerKey, GINT_TO_POINTER(1));
}

bool inspectorKeysWanted(const char* gtkDebug) {
  if (!gtkDebug) return false;
  return std::string(gtkDebug).find("interactive") != std::string::npos;
}

void switchOffInspectorKeys() {
  static bool done = false;
  if (done || inspectorKeysWanted(std::getenv("GTK_DEBUG"))) return;
  done = true;
  // The keys are bindings of every window to this signal; its handler for all of
  // them now declines, so the key goes on unhandled.
  // The signal exists once the class does; the class stays for the process.
  g_type_class_ref(GTK_TYPE_WINDOW);
  g_signal_override_class_handler("enable-debugging", GTK_TYPE_WINDOW, G_CALLBACK(refuseDebugging));
}

}  // namespace quorvel
