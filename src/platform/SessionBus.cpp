#include "platform/SessionBus.h"

#include "base/Async.h"

namespace quorvel {

Task<GDBusConnection*> sessionBus(GCancellable* cancellable) {
  // GIO holds its shared connection only weakly: the process keeps one reference,
  // or the connection (with its signal subscriptions) closes between calls.
  static GObjectPtr<GDBusConnection> kept;
  if (kept && !g_dbus_connection_is_closed(kept)) co_return kept.get();
  auto get = asyncCall<GObjectPtr<GDBusConnection>>(
      [](GCancellable* c, GAsyncReadyCallback cb, gpointer data) { g_bus_get(G_BUS_TYPE_SESSION, c, cb, data); },
      [](GObject*, GAsyncResult* res, GError** error) {
        return GObjectPtr<GDBusConnection>::adopt(g_bus_get_finish(res, error));
      },
      cancellable);
  kept = co_await get;
  co_return kept.get();
}

Task<GVariantPtr> dbusCall(GDBusConnection* bus, std::string busName, std::string path, std::string iface,
                           std::string method, GVariant* params, const GVariantType* replyType, int timeoutMs,
                           GCancellable* cancellable) {
  GObjectPtr<GDBusConnection> keep = GObjectPtr<GDBusConnection>::retain(bus);
  GVariantPtr args(params ? g_variant_ref_sink(params) : nullptr);
  auto call = asyncCall<GVariantPtr>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        g_dbus_connection_call(keep.get(), busName.c_str(), path.c_str(), iface.c_str(), method.c_str(), args.get(),
                               replyType, G_DBUS_CALL_FLAGS_NONE, timeoutMs, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        return GVariantPtr(g_dbus_connection_call_finish(G_DBUS_CONNECTION(src), res, error));
      },
      cancellable);
  GVariantPtr reply = co_await call;
  co_return reply;
}

}  // namespace quorvel
