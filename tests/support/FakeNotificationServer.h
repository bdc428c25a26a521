#pragma once
// A stand-in for the desktop's notification server on the (private, test-run) session
// bus: it records Notify calls, can invoke a notification's default action, and
// records the launcher entry's Update signals.
#include <gio/gio.h>

#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

struct NotifyCall {
  std::string appName, summary, body;
  std::vector<std::string> actions;
  guint32 id = 0;
};

struct BadgeUpdate {
  std::string uri;
  std::optional<gint64> count;
  std::optional<bool> visible;
};

// Its own bus connection, like a separate notification daemon would have. Throws
// std::runtime_error without a session bus.
class FakeNotificationServer {
 public:
  FakeNotificationServer();
  ~FakeNotificationServer();
  FakeNotificationServer(const FakeNotificationServer&) = delete;
  FakeNotificationServer& operator=(const FakeNotificationServer&) = delete;

  // Registers the object and owns the well-known name; true once the name is ours.
  bool serve();
  void stopServing();
  void invokeDefaultAction(guint32 id);

  std::vector<NotifyCall> notifies;
  std::vector<BadgeUpdate> updates;

 private:
  static void onMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* params, GDBusMethodInvocation* inv, gpointer data);
  static void onUpdate(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* params,
                       gpointer data);

  GDBusConnection* conn_ = nullptr;
  guint badgeSub_ = 0, regId_ = 0, ownId_ = 0;
  bool owned_ = false;
  guint32 nextId_ = 0;
};

}  // namespace quorvel::test
