#include "platform/Notifications.h"

#include <memory>
#include <set>
#include <vector>

#include "base/Log.h"

namespace quorvel {
namespace {
constexpr const char* kBusName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kIface = "org.freedesktop.Notifications";
constexpr const char* kDesktopId = "cn.quorvel.client";

using BusFn = std::function<void(GDBusConnection*, const std::string&)>;

struct BusState {
  GDBusConnection* conn = nullptr;
  bool connecting = false;
  std::vector<BusFn> waiting;
};
BusState& bus() {
  static BusState s;
  return s;
}

std::string takeMessage(GError* e) {
  std::string m = e && e->message ? e->message : "unknown error";
  g_clear_error(&e);
  return m;
}
}  // namespace

void withSessionBus(BusFn fn) {
  auto& s = bus();
  if (s.conn) return fn(s.conn, {});
  s.waiting.push_back(std::move(fn));
  if (s.connecting) return;
  s.connecting = true;
  g_bus_get(
      G_BUS_TYPE_SESSION, nullptr,
      [](GObject*, GAsyncResult* res, gpointer) {
        auto& st = bus();
        GError* error = nullptr;
        st.conn = g_bus_get_finish(res, &error);
        st.connecting = false;
        // A failure is not kept: the next caller tries again.
        std::string reason = st.conn ? std::string() : takeMessage(error);
        auto waiting = std::move(st.waiting);
        st.waiting.clear();
        for (auto& f : waiting) f(st.conn, reason);
      },
      nullptr);
}

namespace Notifications {
namespace {
struct Delivered {
  std::set<guint32> ids;
  bool subscribed = false;
  std::function<void()> onActivate;
};
Delivered& delivered() {
  static Delivered d;
  return d;
}

void onSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal, GVariant* params,
              gpointer) {
  auto& d = delivered();
  if (g_strcmp0(signal, "ActionInvoked") == 0 && g_variant_is_of_type(params, G_VARIANT_TYPE("(us)"))) {
    guint32 id = 0;
    const gchar* action = nullptr;
    g_variant_get(params, "(u&s)", &id, &action);
    if (!d.ids.count(id) || g_strcmp0(action, "default") != 0) return;
    if (d.onActivate) {
      d.onActivate();
    } else if (GApplication* app = g_application_get_default()) {
      g_application_activate(app);
    }
  } else if (g_strcmp0(signal, "NotificationClosed") == 0 && g_variant_is_of_type(params, G_VARIANT_TYPE("(uu)"))) {
    guint32 id = 0, reason = 0;
    g_variant_get(params, "(uu)", &id, &reason);
    d.ids.erase(id);
  }
}

void subscribeOnce(GDBusConnection* conn) {
  auto& d = delivered();
  if (d.subscribed) return;
  d.subscribed = true;
  g_dbus_connection_signal_subscribe(conn, nullptr, kIface, nullptr, kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                     onSignal, nullptr, nullptr);
}
}  // namespace

void setActivationHandler(std::function<void()> handler) { delivered().onActivate = std::move(handler); }

void requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) {
  withSessionBus([done = std::move(done)](GDBusConnection* conn, const std::string& error) mutable {
    if (!conn) return done(false, "无法连接会话总线：" + error);
    using Done = std::function<void(bool, std::optional<std::string>)>;
    g_dbus_connection_call(
        conn, kBusName, kPath, kIface, "GetServerInformation", nullptr, G_VARIANT_TYPE("(ssss)"),
        G_DBUS_CALL_FLAGS_NONE, 10000, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
          std::unique_ptr<Done> fn(static_cast<Done*>(data));
          GError* err = nullptr;
          GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), res, &err);
          if (!reply) return (*fn)(false, takeMessage(err));
          g_variant_unref(reply);
          (*fn)(true, std::nullopt);
        },
        new Done(std::move(done)));
  });
}

void deliver(const std::string& title, const std::string& body, std::function<void(std::optional<std::string>)> done) {
  withSessionBus([title, body, done = std::move(done)](GDBusConnection* conn, const std::string& error) mutable {
    if (!conn) return done("无法连接会话总线：" + error);
    subscribeOnce(conn);
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "打开");
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(kDesktopId));
    g_variant_builder_add(&hints, "{sv}", "sound-name", g_variant_new_string("message-new-instant"));
    using Done = std::function<void(std::optional<std::string>)>;
    g_dbus_connection_call(
        conn, kBusName, kPath, kIface, "Notify",
        g_variant_new("(susssasa{sv}i)", kAppName, 0u, kDesktopId, title.c_str(), body.c_str(), &actions, &hints, -1),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 10000, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
          std::unique_ptr<Done> fn(static_cast<Done*>(data));
          GError* err = nullptr;
          GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), res, &err);
          if (!reply) return (*fn)(takeMessage(err));
          guint32 id = 0;
          g_variant_get(reply, "(u)", &id);
          g_variant_unref(reply);
          delivered().ids.insert(id);
          (*fn)(std::nullopt);
        },
        new Done(std::move(done)));
  });
}

}  // namespace Notifications
}  // namespace quorvel
