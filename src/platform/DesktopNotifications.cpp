#include "platform/DesktopNotifications.h"

#include <gio/gio.h>

#include <set>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/Task.h"
#include "platform/LauncherBadge.h"
#include "platform/Notifications.h"
#include "platform/SessionBus.h"

namespace quorvel {
namespace {
constexpr const char* kBusName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kIface = "org.freedesktop.Notifications";
constexpr const char* kDesktopId = "cn.quorvel.client";
constexpr int kCallTimeoutMs = 10000;

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
}  // namespace

// Our notifications still shown, and the subscription to the server's signals.
struct SystemNotifications::Delivered {
  NotificationWindows* windows = nullptr;
  std::set<guint32> ids;
  GDBusConnection* conn = nullptr;
  guint subscription = 0;

  ~Delivered() {
    if (subscription) g_dbus_connection_signal_unsubscribe(conn, subscription);
  }

  static void onSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
                       GVariant* params, gpointer data) {
    auto* d = static_cast<Delivered*>(data);
    if (g_strcmp0(signal, "ActionInvoked") == 0 && g_variant_is_of_type(params, G_VARIANT_TYPE("(us)"))) {
      guint32 id = 0;
      const gchar* action = nullptr;
      g_variant_get(params, "(u&s)", &id, &action);
      if (!d->ids.count(id) || g_strcmp0(action, "default") != 0) return;
      d->windows->activateApplication();
    } else if (g_strcmp0(signal, "NotificationClosed") == 0 && g_variant_is_of_type(params, G_VARIANT_TYPE("(uu)"))) {
      guint32 id = 0, reason = 0;
      g_variant_get(params, "(uu)", &id, &reason);
      d->ids.erase(id);
    }
  }

  void subscribeOnce(GDBusConnection* bus) {
    if (subscription) return;
    conn = bus;  // the session bus stays for the life of the process
    subscription = g_dbus_connection_signal_subscribe(bus, nullptr, kIface, nullptr, kPath, nullptr,
                                                      G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr);
  }

  static Task<void> notify(std::weak_ptr<Delivered> weak, std::string title, std::string body,
                           std::function<void(std::optional<std::string>)> done) {
    guint32 id = 0;
    try {
      GDBusConnection* conn = co_await sessionBus();
      if (auto d = weak.lock()) d->subscribeOnce(conn);
      GVariantBuilder actions;
      g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
      g_variant_builder_add(&actions, "s", "default");
      g_variant_builder_add(&actions, "s", "打开");
      GVariantBuilder hints;
      g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
      g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(kDesktopId));
      g_variant_builder_add(&hints, "{sv}", "sound-name", g_variant_new_string("message-new-instant"));
      GVariant* params = g_variant_new("(susssasa{sv}i)", Notifications::kAppName, 0u, kDesktopId, title.c_str(),
                                       body.c_str(), &actions, &hints, -1);
      auto call = dbusCall(conn, kBusName, kPath, kIface, "Notify", params, G_VARIANT_TYPE("(u)"), kCallTimeoutMs);
      GVariantPtr reply = co_await call;
      g_variant_get(reply.get(), "(u)", &id);
    } catch (const AppError& e) {
      done(e.message);
      co_return;
    }
    if (auto d = weak.lock()) d->ids.insert(id);
    done(std::nullopt);
  }
};

SystemNotifications::SystemNotifications(NotificationWindows& windows)
    : windows_(windows), delivered_(std::make_shared<Delivered>()) {
  delivered_->windows = &windows_;
}

SystemNotifications::~SystemNotifications() = default;

void SystemNotifications::requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) {
  spawn(authorize(std::move(done)));
}

void SystemNotifications::deliver(const std::string& title, const std::string& body,
                                  std::function<void(std::optional<std::string>)> done) {
  spawn(Delivered::notify(delivered_, title, body, std::move(done)));
}

void SystemNotifications::setBadge(long long count) { LauncherBadge::setCount(count); }
void SystemNotifications::requestAttention() { windows_.requestAttention(); }

}  // namespace quorvel
