#include "ui/windows/WindowAttention.h"

#include <gtk/gtk.h>

#include "platform/WindowPlacement.h"

namespace quorvel {
namespace {
void clearUrgencyWhenActive(GtkWindow* window, GParamSpec*, gpointer) {
  if (!gtk_window_is_active(window)) return;
  setUrgencyHint(gtk_native_get_surface(GTK_NATIVE(window)), false);
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(clearUrgencyWhenActive), nullptr);
}

}  // namespace

void markMainWindowUrgent() {
  GApplication* app = g_application_get_default();
  GtkWindow* window = nullptr;
  if (app && GTK_IS_APPLICATION(app)) {
    // The main window is the application window; tool windows are plain windows.
    for (GList* l = gtk_application_get_windows(GTK_APPLICATION(app)); l; l = l->next)
      if (GTK_IS_APPLICATION_WINDOW(l->data)) {
        window = GTK_WINDOW(l->data);
        break;
      }
  }
  if (!window || gtk_window_is_active(window)) return;
  if (!setUrgencyHint(gtk_native_get_surface(GTK_NATIVE(window)), true)) return;
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(clearUrgencyWhenActive), nullptr);
  g_signal_connect(window, "notify::is-active", G_CALLBACK(clearUrgencyWhenActive), nullptr);
}

}  // namespace quorvel

namespace quorvel {

void ApplicationNotificationWindows::activateApplication() {
  if (GApplication* app = g_application_get_default()) g_application_activate(app);
}

}  // namespace quorvel
