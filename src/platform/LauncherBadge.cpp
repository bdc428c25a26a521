#include "platform/LauncherBadge.h"

#include <gdk/x11/gdkx.h>
#include <gtk/gtk.h>

#include "core/Log.h"
#include "platform/Notifications.h"

namespace quorvel::LauncherBadge {
namespace {
std::function<void()>& attentionSlot() {
  static std::function<void()> h;
  return h;
}

void emitUpdate(GDBusConnection* conn, long long count) {
  GVariantBuilder props;
  g_variant_builder_init(&props, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&props, "{sv}", "count", g_variant_new_int64(count > 0 ? count : 0));
  g_variant_builder_add(&props, "{sv}", "count-visible", g_variant_new_boolean(count > 0));
  GError* error = nullptr;
  if (!g_dbus_connection_emit_signal(conn, nullptr, kObjectPath, kInterface, "Update",
                                     g_variant_new("(sa{sv})", kAppURI, &props), &error)) {
    logLine("NOTIFY", std::string("角标更新失败：") + (error ? error->message : ""));
    g_clear_error(&error);
  }
}

void clearUrgencyWhenActive(GtkWindow* window, GParamSpec*, gpointer) {
  if (!gtk_window_is_active(window)) return;
  if (GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window)); surface && GDK_IS_X11_SURFACE(surface))
    gdk_x11_surface_set_urgency_hint(surface, FALSE);
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(clearUrgencyWhenActive), nullptr);
}

// The urgency hint of the application's main window, cleared once the
// user has come to it.
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
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  if (!surface || !GDK_IS_X11_SURFACE(surface)) return;
  gdk_x11_surface_set_urgency_hint(surface, TRUE);
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(clearUrgencyWhenActive), nullptr);
  g_signal_connect(window, "notify::is-active", G_CALLBACK(clearUrgencyWhenActive), nullptr);
}
}  // namespace

void setCount(long long count) {
  withSessionBus([count](GDBusConnection* conn, const std::string& error) {
    if (conn) emitUpdate(conn, count);
  });
}

void setAttentionHandler(std::function<void()> handler) { attentionSlot() = std::move(handler); }

void requestAttention() {
  if (attentionSlot()) return attentionSlot()();
  markMainWindowUrgent();
}

}  // namespace quorvel::LauncherBadge
