#include "platform/Notifications.h"

#include <memory>
#include <set>
#include <vector>

#include "base/AppError.h"
#include "base/Log.h"
#include "platform/SessionBus.h"

namespace quorvel {
namespace {
constexpr const char* kBusName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kIface = "org.freedesktop.Notifications";
constexpr const char* kDesktopId = "cn.quorvel.client";
constexpr int kCallTimeoutMs = 10000;

}  // namespace

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

namespace {
Task<void> authorize(std::function<void(bool, std::optional<std::string>)> done) {
  try {
    GDBusConnection* conn = co_await sessionBus();
    auto info = dbusCall(conn, kBusName, kPath, kIface, "GetServerInformation", nullptr, G_VARIANT_TYPE("(ssss)"),
                         kCallTimeoutMs);
    co_await info;
  } catch (const AppError& e) {
    done(false, e.message);
    co_return;
  }
  done(true, std::nullopt);
}

Task<void> notify(std::string title, std::string body, std::function<void(std::optional<std::string>)> done) {
  guint32 id = 0;
  try {
    GDBusConnection* conn = co_await sessionBus();
    subscribeOnce(conn);
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "打开");
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(kDesktopId));
    g_variant_builder_add(&hints, "{sv}", "sound-name", g_variant_new_string("message-new-instant"));
    GVariant* params =
        g_variant_new("(susssasa{sv}i)", kAppName, 0u, kDesktopId, title.c_str(), body.c_str(), &actions, &hints, -1);
    auto call = dbusCall(conn, kBusName, kPath, kIface, "Notify", params, G_VARIANT_TYPE("(u)"), kCallTimeoutMs);
    GVariantPtr reply = co_await call;
    g_variant_get(reply.get(), "(u)", &id);
  } catch (const AppError& e) {
    done(e.message);
    co_return;
  }
  delivered().ids.insert(id);
  done(std::nullopt);
}
}  // namespace

void requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) {
  spawn(authorize(std::move(done)));
}

void deliver(const std::string& title, const std::string& body, std::function<void(std::optional<std::string>)> done) {
  spawn(notify(title, body, std::move(done)));
}

}  // namespace Notifications
}  // namespace quorvel
