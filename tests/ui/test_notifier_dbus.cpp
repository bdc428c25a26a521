// The notifier on a real (private, test-run) session bus: an in-process stand-in
// for the notification server records Notify calls, and a signal subscription
// records the launcher entry's Update signals.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/Notifier.h"
#include "platform/DesktopNotifications.h"
#include "platform/LauncherBadge.h"
#include "platform/Notifications.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

const char* kIntrospection = R"(
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

// Its own bus connection, like a separate notification daemon would have.
class FakeNotificationServer {
 public:
  FakeNotificationServer() {
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
  ~FakeNotificationServer() {
    stopServing();
    g_dbus_connection_signal_unsubscribe(conn_, badgeSub_);
    g_dbus_connection_close_sync(conn_, nullptr, nullptr);
    g_object_unref(conn_);
  }

  // Registers the object and owns the well-known name; true once the name is ours.
  bool serve() {
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
  void stopServing() {
    if (ownId_) g_bus_unown_name(ownId_);
    if (regId_) g_dbus_connection_unregister_object(conn_, regId_);
    ownId_ = regId_ = 0;
    owned_ = false;
  }
  void invokeDefaultAction(guint32 id) {
    g_dbus_connection_emit_signal(conn_, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  "ActionInvoked", g_variant_new("(us)", id, "default"), nullptr);
  }

  std::vector<NotifyCall> notifies;
  std::vector<BadgeUpdate> updates;

 private:
  static void onMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* params, GDBusMethodInvocation* inv, gpointer data) {
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
  static void onUpdate(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* params,
                       gpointer data) {
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

  GDBusConnection* conn_ = nullptr;
  guint badgeSub_ = 0, regId_ = 0, ownId_ = 0;
  bool owned_ = false;
  guint32 nextId_ = 0;
};

class NotifierDBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zone.emplace("CST-8");
    at(8, 0);
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    drainMainLoop();
    setLogSink({});
    Clock::setNowForTesting(std::nullopt);
    zone.reset();
  }
  // 2 March 2026, local time (UTC+8).
  void at(int h, int mi) { setClockTo(2026, 3, 2, h, mi, 8); }
  bool authorise() {
    logs.clear();
    notifier.setup();
    return runMainLoopUntil([&] { return logged("[Quorvel][NOTIFY] 授权="); }, 8000);
  }
  void update(long long overdue, long long today = 0) {
    BadgeCounts c;
    c.loaded = true;
    c.overdue = overdue;
    c.today = today;
    notifier.update(c);
  }
  bool logged(const std::string& text) const { return countContaining(logs, text) > 0; }
  // Lets stray signals and calls arrive before counting them.
  void settle() {
    bool never = false;
    runMainLoopUntil([&] { return never; }, 300);
  }

  // The windows' side: counts what the notifications ask of them.
  struct CountingWindows : NotificationWindows {
    int attention = 0;
    int activated = 0;
    void requestAttention() override { ++attention; }
    void activateApplication() override { ++activated; }
  };

  TempHome home;
  FakeNotificationServer server;
  CountingWindows windows;
  SystemNotifications desktop{windows};
  Notifier notifier{desktop, home.defaults()};
  std::optional<ScopedTimeZone> zone;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(NotifierDBusTest, AuthorisedOnlyWhenANotificationServerAnswers) {
  ASSERT_TRUE(authorise());
  EXPECT_FALSE(notifier.authorized());
  EXPECT_TRUE(logged("[Quorvel][NOTIFY] 授权=false 错误="));
  EXPECT_TRUE(logged("系统通知不可用（未签名/未授权），改用任务栏角标与菜单栏计数"));

  ASSERT_TRUE(server.serve());
  ASSERT_TRUE(authorise());
  EXPECT_TRUE(notifier.authorized());
  EXPECT_TRUE(logged("[Quorvel][NOTIFY] 授权=true 错误=nil"));
}

TEST_F(NotifierDBusTest, OverdueRiseUpdatesTheBadgeAndPostsExactlyOneNotification) {
  ASSERT_TRUE(server.serve());
  ASSERT_TRUE(authorise());
  ASSERT_TRUE(notifier.authorized());

  update(3, 1);  // the baseline: badge only
  ASSERT_TRUE(runMainLoopUntil([&] { return server.updates.size() == 1; }, 5000));
  EXPECT_EQ(server.updates[0].uri, "application://cn.quorvel.client.desktop");
  EXPECT_EQ(server.updates[0].count, 3);
  EXPECT_EQ(server.updates[0].visible, true);
  settle();
  EXPECT_TRUE(server.notifies.empty());

  update(5, 2);
  ASSERT_TRUE(runMainLoopUntil([&] { return server.updates.size() == 2 && server.notifies.size() == 1; }, 5000));
  EXPECT_EQ(server.updates[1].count, 5);
  settle();
  ASSERT_EQ(server.notifies.size(), 1u);
  const auto& n = server.notifies[0];
  EXPECT_EQ(n.appName, "墨衡台");
  EXPECT_EQ(n.summary, "新增 2 条超期");
  EXPECT_EQ(n.body, "超期共 5 条 · 今日到期 2 条");
  ASSERT_GE(n.actions.size(), 2u);
  EXPECT_EQ(n.actions[0], "default");

  // Clicking it runs the default action.
  server.invokeDefaultAction(n.id);
  EXPECT_TRUE(runMainLoopUntil([&] { return windows.activated == 1; }, 5000));
}

TEST_F(NotifierDBusTest, DailySummaryOnceAfterNineAndNotBefore) {
  ASSERT_TRUE(server.serve());
  ASSERT_TRUE(authorise());
  at(8, 30);
  update(2, 1);
  ASSERT_TRUE(runMainLoopUntil([&] { return server.updates.size() == 1; }, 5000));
  settle();
  EXPECT_TRUE(server.notifies.empty());

  at(9, 0);
  update(2, 1);
  ASSERT_TRUE(runMainLoopUntil([&] { return server.notifies.size() == 1; }, 5000));
  EXPECT_EQ(server.notifies[0].summary, "今日待办");
  EXPECT_EQ(server.notifies[0].body, "超期 2 · 今日到期 1 · 待核实 0");

  at(15, 0);
  update(2, 1);
  ASSERT_TRUE(runMainLoopUntil([&] { return server.updates.size() == 3; }, 5000));
  settle();
  EXPECT_EQ(server.notifies.size(), 1u);
}

TEST_F(NotifierDBusTest, ZeroAndClearingHideTheCount) {
  update(4);
  ASSERT_TRUE(runMainLoopUntil([&] { return server.updates.size() == 1; }, 5000));
  update(0);
  notifier.clearBadge();
  ASSERT_TRUE(runMainLoopUntil([&] { return server.updates.size() == 3; }, 5000));
  EXPECT_EQ(server.updates[0].visible, true);
  EXPECT_EQ(server.updates[1].visible, false);
  EXPECT_EQ(server.updates[2].visible, false);
}

TEST_F(NotifierDBusTest, WithoutAServerARiseAsksForAttentionInstead) {
  ASSERT_TRUE(authorise());
  ASSERT_FALSE(notifier.authorized());
  update(1);
  update(2);
  ASSERT_TRUE(runMainLoopUntil([&] { return server.updates.size() == 2; }, 5000));
  EXPECT_EQ(windows.attention, 1);
  EXPECT_EQ(server.updates[1].count, 2);
}
