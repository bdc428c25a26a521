#include "FakeNotificationServer.h"

#include <stdexcept>

#include "base/MainQueue.h"
#include "platform/LauncherBadge.h"

namespace quorvel::test {
namespace {
constexpr const char* kIntrospection = R"(
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
  </interface>
</node>)";
}  // namespace

FakeNotificationServer::FakeNotificationServer() {
  GError* error = nullptr;
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!address) throw std::runtime_error(error ? error->message : "no session bus");
  conn_ = g_dbus_connection_new_for_address_sync(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  g_free(address);
  if (!conn_) throw std::runtime_error(error ? error->message : "cannot connect");
  badgeSub_ = g_dbus_connection_signal_subscribe(conn_, nullptr, LauncherBadge::kInterface, "Update", nullptr,
                                                 nullptr, G_DBUS_SIGNAL_FLAGS_NONE, onUpdate, this, nullptr);
}

FakeNotificationServer::~FakeNotificationServer() {
  stopServing();
  g_dbus_connection_signal_unsubscribe(conn_, badgeSub_);
  g_dbus_connection_close_sync(conn_, nullptr, nullptr);
  g_object_unref(conn_);
}

bool FakeNotificationServer::serve() {
  GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
  static const GDBusInterfaceVTable vtable = {onMethod, nullptr, nullptr, {}};
  regId_ = g_dbus_connection_register_object(conn_, "/org/freedesktop/Notifications", info->interfaces[0], &vtable,
                                             this, nullptr, nullptr);
  g_dbus_node_info_unref(info);
  ownId_ = g_bus_own_name_on_connection(
      conn_, "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, gpointer self) { static_cast<FakeNotificationServer*>(self)->owned_ = true; },
      nullptr, this, nullptr);
  return runMainLoopUntil([&] { return owned_; }, 5000);
}

void FakeNotificationServer::stopServing() {
  if (ownId_) g_bus_unown_name(ownId_);
  if (regId_) g_dbus_connection_unregister_object(conn_, regId_);
  ownId_ = regId_ = 0;
  owned_ = false;
}

void FakeNotificationServer::invokeDefaultAction(guint32 id) {
  g_dbus_connection_emit_signal(conn_, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                "ActionInvoked", g_variant_new("(us)", id, "default"), nullptr);
}

void FakeNotificationServer::onMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                      const gchar* method, GVariant* params, GDBusMethodInvocation* inv,
                                      gpointer data) {
  auto* self = static_cast<FakeNotificationServer*>(data);
  if (g_strcmp0(method, "GetServerInformation") == 0) {
    g_dbus_method_invocation_return_value(inv, g_variant_new("(ssss)", "fake", "quorvel-tests", "1.0", "1.2"));
  } else if (g_strcmp0(method, "GetCapabilities") == 0) {
    const gchar* caps[] = {"actions", "body", "sound", nullptr};
    g_dbus_method_invocation_return_value(inv, g_variant_new("(^as)", caps));
  } else if (g_strcmp0(method, "Notify") == 0) {
    NotifyCall call;
    const gchar *app, *icon, *summary, *body;
    guint32 replaces;
    GVariantIter* actions;
    GVariant* hints;
    gint32 timeout;
    g_variant_get(params, "(&su&s&s&sas@a{sv}i)", &app, &replaces, &icon, &summary, &body, &actions, &hints,
                  &timeout);
    call.appName = app;
    call.summary = summary;
    call.body = body;
    const gchar* a;
    while (g_variant_iter_next(actions, "&s", &a)) call.actions.push_back(a);
    g_variant_iter_free(actions);
    g_variant_unref(hints);
    call.id = ++self->nextId_;
    self->notifies.push_back(call);
    g_dbus_method_invocation_return_value(inv, g_variant_new("(u)", call.id));
  } else {
    g_dbus_method_invocation_return_value(inv, nullptr);
  }
}

void FakeNotificationServer::onUpdate(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                                      GVariant* params, gpointer data) {
  auto* self = static_cast<FakeNotificationServer*>(data);
  BadgeUpdate u;
  const gchar* uri;
  GVariant* props;
  g_variant_get(params, "(&s@a{sv})", &uri, &props);
  u.uri = uri;
  gint64 count;
  gboolean visible;
  if (g_variant_lookup(props, "count", "x", &count)) u.count = count;
  if (g_variant_lookup(props, "count-visible", "b", &visible)) u.visible = visible;
  g_variant_unref(props);
  self->updates.push_back(u);
}

}  // namespace quorvel::test
