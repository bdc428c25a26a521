// The tray item on the private session bus of the test run, against the real
// status-notifier-watcher: registration, the menu following the badge counts, menu
// clicks and Activate reaching the application's actions and the panel, the watcher
// going and coming back, and a desktop without any watcher.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "ui/model/WorkspaceViewState.h"
#include "base/Log.h"
#include "fakes/FakeWebPage.h"
#include "platform/SessionBus.h"
#include "ui/tray/MenuBarView.h"
#include "ui/tray/TrayController.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A connection of its own, as the panel hosting the tray icons would have.
GObjectPtr<GDBusConnection> hostConnection() {
  GErrorPtr error;
  GCharPtr address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
  if (!address) return {};
  return GObjectPtr<GDBusConnection>::adopt(g_dbus_connection_new_for_address_sync(
      address.get(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, error.out()));
}

// A click as the button reports it.
void pressButton(Gtk::Button& b) { g_signal_emit_by_name(b.gobj(), "clicked"); }

struct Watcher {
  GObjectPtr<GSubprocess> process;
  bool start() {
    GErrorPtr error;
    process = GObjectPtr<GSubprocess>::adopt(
        g_subprocess_new(G_SUBPROCESS_FLAGS_NONE, error.out(), "status-notifier-watcher", nullptr));
    return bool(process);
  }
  void stop() {
    if (!process) return;
    g_subprocess_force_exit(process);
    g_subprocess_wait(process, nullptr, nullptr);
    process.reset();
  }
  ~Watcher() { stop(); }
};

struct MenuRow {
  int id;
  std::string label;
  bool separator;
};

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    host = hostConnection();
    ASSERT_TRUE(host);
    model = freshFakeModel(pages);
  }
  void TearDown() override { setLogSink({}); }

  // `withHost`: a panel that draws the items registers with it.
  void startWatcher(bool withHost = true) {
    if (!g_find_program_in_path("status-notifier-watcher")) GTEST_SKIP() << "status-notifier-watcher not installed";
    ASSERT_TRUE(watcher.start());
    // The watcher takes its name before it serves its object.
    ASSERT_TRUE(waitUntil([&] { return watcherServes(); }, 10000));
    if (!withHost) return;
    auto reply = call(StatusNotifierItem::kWatcherName, StatusNotifierItem::kWatcherPath,
                      StatusNotifierItem::kWatcherName, "RegisterStatusNotifierHost",
                      g_variant_new("(s)", g_dbus_connection_get_unique_name(host)), nullptr);
    ASSERT_TRUE(reply);
  }

  bool watcherServes() {
    auto out = runToEnd(dbusCall(host, StatusNotifierItem::kWatcherName, StatusNotifierItem::kWatcherPath,
                                 "org.freedesktop.DBus.Properties", "Get",
                                 g_variant_new("(ss)", StatusNotifierItem::kWatcherName, "ProtocolVersion"),
                                 G_VARIANT_TYPE("(v)"), 2000));
    return out->value.has_value();
  }

  GVariantPtr call(const std::string& dest, const std::string& path, const std::string& iface,
                   const std::string& method, GVariant* params, const GVariantType* type) {
    auto out = runToEnd(dbusCall(host, dest, path, iface, method, params, type, 3000));
    if (out->error) ADD_FAILURE() << method << ": " << out->error->message;
    return out->value ? std::move(*out->value) : GVariantPtr();
  }

  GVariantPtr property(const std::string& dest, const std::string& path, const char* iface, const char* name) {
    auto reply = call(dest, path, "org.freedesktop.DBus.Properties", "Get", g_variant_new("(ss)", iface, name),
                      G_VARIANT_TYPE("(v)"));
    if (!reply) return {};
    GVariant* v = nullptr;
    g_variant_get(reply.get(), "(v)", &v);
    return GVariantPtr(v);
  }

  std::vector<MenuRow> layout(TrayController& tray) {
    std::vector<MenuRow> rows;
    const char* allProperties[] = {nullptr};
    auto reply = call(tray.item().busName(), StatusNotifierItem::kMenuPath, StatusNotifierItem::kMenuInterface,
                      "GetLayout", g_variant_new("(ii^as)", 0, -1, allProperties), G_VARIANT_TYPE("(u(ia{sv}av))"));
    if (!reply) return rows;
    GVariantPtr root(g_variant_get_child_value(reply.get(), 1));
    GVariantPtr children(g_variant_get_child_value(root.get(), 2));
    for (gsize i = 0; i < g_variant_n_children(children.get()); ++i) {
      GVariantPtr boxed(g_variant_get_child_value(children.get(), i));
      GVariantPtr child(g_variant_get_variant(boxed.get()));
      MenuRow row{0, "", false};
      GVariantPtr props(g_variant_get_child_value(child.get(), 1));
      g_variant_get_child(child.get(), 0, "i", &row.id);
      const char* text = nullptr;
      if (g_variant_lookup(props.get(), "label", "&s", &text)) row.label = text;
      if (g_variant_lookup(props.get(), "type", "&s", &text)) row.separator = std::string(text) == "separator";
      rows.push_back(row);
    }
    return rows;
  }

  std::vector<std::string> labels(TrayController& tray) {
    std::vector<std::string> out;
    for (const auto& r : layout(tray)) out.push_back(r.separator ? "—" : r.label);
    return out;
  }

  void click(TrayController& tray, int id) {
    call(tray.item().busName(), StatusNotifierItem::kMenuPath, StatusNotifierItem::kMenuInterface, "Event",
         g_variant_new("(isvu)", id, "clicked", g_variant_new_int32(0), 0u), nullptr);
  }

  int trayLines() const { return countContaining(logs, "[Quorvel][TRAY]"); }

  TempHome home;
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  GObjectPtr<GDBusConnection> host;
  Watcher watcher;
  std::vector<std::string> logs;
};

TEST_F(TrayTest, RegistersWithTheWatcherAndTheMenuFollowsTheCounts) {
  startWatcher();
  TrayController tray(model, {});
  ASSERT_TRUE(waitUntil([&] { return tray.item().registered(); }, 10000));
  EXPECT_TRUE(waitUntil([&] { return tray.item().shownInTray(); }, 5000));

  auto items = property(StatusNotifierItem::kWatcherName, StatusNotifierItem::kWatcherPath,
                        StatusNotifierItem::kWatcherName, "RegisteredStatusNotifierItems");
  ASSERT_TRUE(items);
  GCharPtr text(g_variant_print(items.get(), false));
  EXPECT_NE(std::string(text.get()).find(tray.item().busName()), std::string::npos) << text.get();

  const std::string& name = tray.item().busName();
  auto id = property(name, StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "Id");
  EXPECT_STREQ(g_variant_get_string(id.get(), nullptr), "cn.quorvel.client");
  auto menuPath = property(name, StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "Menu");
  EXPECT_STREQ(g_variant_get_string(menuPath.get(), nullptr), "/MenuBar");
  auto label = property(name, StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "XAyatanaLabel");
  EXPECT_STREQ(g_variant_get_string(label.get(), nullptr), "");
  auto pixmaps = property(name, StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "IconPixmap");
  ASSERT_TRUE(pixmaps);
  EXPECT_EQ(g_variant_n_children(pixmaps.get()), 3u);
  auto version = property(name, StatusNotifierItem::kMenuPath, StatusNotifierItem::kMenuInterface, "Version");
  EXPECT_EQ(g_variant_get_uint32(version.get()), 3u);

  EXPECT_EQ(labels(tray), (std::vector<std::string>{"我的待办", "打开工作台", "—", "检查更新…"}));

  // The host hears that the layout changed and finds the new counts in it.
  std::vector<guint32> revisions;
  std::vector<std::string> newLabels;
  guint layoutSub = g_dbus_connection_signal_subscribe(
      host, nullptr, StatusNotifierItem::kMenuInterface, "LayoutUpdated", StatusNotifierItem::kMenuPath, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* params, gpointer data) {
        guint32 rev = 0;
        gint32 parent = 0;
        g_variant_get(params, "(ui)", &rev, &parent);
        static_cast<std::vector<guint32>*>(data)->push_back(rev);
      },
      &revisions, nullptr);
  guint labelSub = g_dbus_connection_signal_subscribe(
      host, nullptr, StatusNotifierItem::kItemInterface, "XAyatanaNewLabel", StatusNotifierItem::kItemPath, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* params, gpointer data) {
        const char* l = nullptr;
        g_variant_get(params, "(&s&s)", &l, nullptr);
        static_cast<std::vector<std::string>*>(data)->push_back(l);
      },
      &newLabels, nullptr);
  // The bus handles the match rules before this call, so no signal is missed.
  call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId", nullptr,
       G_VARIANT_TYPE("(s)"));
  model->account().applyBadges(R"({"overdue": 5, "today": 2})");
  EXPECT_TRUE(waitUntil([&] { return !revisions.empty() && !newLabels.empty(); }, 5000));
  g_dbus_connection_signal_unsubscribe(host, layoutSub);
  g_dbus_connection_signal_unsubscribe(host, labelSub);
  ASSERT_FALSE(revisions.empty());
  EXPECT_EQ(revisions.back(), tray.item().menuRevision());
  EXPECT_EQ(newLabels.back(), "5");
  EXPECT_EQ(labels(tray),
            (std::vector<std::string>{"待办（5 条超期）", "打开工作台", "今日到期 2 条", "—", "检查更新…"}));
  label = property(name, StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "XAyatanaLabel");
  EXPECT_STREQ(g_variant_get_string(label.get(), nullptr), "5");
}

TEST_F(TrayTest, MenuClicksAndActivateReachTheApplicationsActions) {
  startWatcher();
  int todo = 0, dashboard = 0, update = 0;
  std::vector<std::pair<int, int>> activations;
  MenuBarView panel(model, viewState);
  TrayController tray(model, {[&] { ++todo; }, [&] { ++dashboard; }, [&] { ++update; },
                              [&](int x, int y) {
                                activations.push_back({x, y});
                                panel.toggleNear(x, y);
                              }});
  ASSERT_TRUE(waitUntil([&] { return tray.item().registered(); }, 10000));
  model->account().applyBadges(R"({"overdue": 5, "today": 2})");
  auto rows = layout(tray);
  ASSERT_EQ(rows.size(), 5u);

  click(tray, rows[0].id);  // 待办（5 条超期）
  click(tray, rows[2].id);  // 今日到期 2 条
  EXPECT_TRUE(waitUntil([&] { return todo == 2; }, 3000));
  click(tray, rows[1].id);
  EXPECT_TRUE(waitUntil([&] { return dashboard == 1; }, 3000));
  click(tray, rows[3].id);  // the separator does nothing
  click(tray, rows[4].id);
  EXPECT_TRUE(waitUntil([&] { return update == 1; }, 3000));

  // The root's "opened" is answered and sends nothing; an id the menu does not have is refused.
  call(tray.item().busName(), StatusNotifierItem::kMenuPath, StatusNotifierItem::kMenuInterface, "Event",
       g_variant_new("(isvu)", 0, "opened", g_variant_new_int32(0), 0u), nullptr);
  auto bad = runToEnd(dbusCall(host, tray.item().busName(), StatusNotifierItem::kMenuPath,
                               StatusNotifierItem::kMenuInterface, "Event",
                               g_variant_new("(isvu)", 77, "clicked", g_variant_new_int32(0), 0u), nullptr, 3000));
  EXPECT_TRUE(bad->error);
  EXPECT_EQ(todo, 2);
  EXPECT_EQ(dashboard, 1);
  EXPECT_EQ(update, 1);

  // Activate opens the panel near the click; a second one closes it.
  call(tray.item().busName(), StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "Activate",
       g_variant_new("(ii)", 640, 12), nullptr);
  ASSERT_TRUE(waitUntil([&] { return panel.isShown(); }, 3000));
  EXPECT_EQ(activations.front(), std::make_pair(640, 12));
  call(tray.item().busName(), StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "Activate",
       g_variant_new("(ii)", 640, 12), nullptr);
  EXPECT_TRUE(waitUntil([&] { return !panel.isShown(); }, 3000));
}

TEST_F(TrayTest, ActivateOpensTheMenuBarViewAndACounterOpensTheSheetOnItsKind) {
  startWatcher();
  int mainShown = 0, captured = 0, locked = 0;
  MenuBarView::Actions actions;
  actions.showMainWindow = [&] { ++mainShown; };
  actions.quickCapture = [&] { ++captured; };
  actions.lock = [&] { ++locked; };
  actions.volumeMounted = [] { return false; };
  MenuBarView view(model, viewState, actions);
  TrayController tray(model, {{}, {}, {}, [&](int x, int y) { view.toggleNear(x, y); }});
  ASSERT_TRUE(waitUntil([&] { return tray.item().registered(); }, 10000));
  EXPECT_EQ(view.counterText(TodoKind::overdue), "–");  // nothing loaded yet
  model->account().applyBadges(R"({"overdue": 5, "today": 0, "soon": 7, "user": "张律师", "role": "lawyer"})");

  call(tray.item().busName(), StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "Activate",
       g_variant_new("(ii)", 640, 12), nullptr);
  ASSERT_TRUE(waitUntil([&] { return view.isShown() && view.window().get_width() > 0; }, 3000));
  EXPECT_EQ(view.counterText(TodoKind::overdue), "5");
  EXPECT_EQ(view.counterText(TodoKind::today), "0");
  EXPECT_EQ(view.counterText(TodoKind::soon), "7");
  EXPECT_TRUE(view.counterBox(TodoKind::overdue).has_css_class("law-has-count"));
  EXPECT_FALSE(view.counterBox(TodoKind::today).has_css_class("law-has-count"));
  EXPECT_EQ(view.identityLabel().get_text(), "张律师 · 律师");

  // A counter brings the main window up, then opens the sheet on its category.
  std::vector<TodoKind> kindWhenShown;
  auto watch = viewState->showTodo.changed().connect([&] { kindWhenShown.push_back(viewState->todoKind.get()); });
  pressButton(view.counterBox(TodoKind::soon));
  watch.disconnect();
  EXPECT_EQ(mainShown, 1);
  EXPECT_TRUE(viewState->showTodo.get());
  EXPECT_EQ(kindWhenShown, std::vector<TodoKind>{TodoKind::soon});

  // Rows reach their entry points; one whose subsystem is not wired is disabled.
  pressButton(*view.rowButton(MenuBarCommand::quickCapture));
  EXPECT_EQ(captured, 1);
  pressButton(*view.rowButton(MenuBarCommand::search));
  EXPECT_TRUE(viewState->showPalette.get());
  EXPECT_EQ(mainShown, 2);
  EXPECT_FALSE(view.rowButton(MenuBarCommand::screenCapture)->get_sensitive());
  EXPECT_FALSE(view.rowButton(MenuBarCommand::syncCalendar)->get_sensitive());
  EXPECT_TRUE(view.rowButton(MenuBarCommand::quit)->get_sensitive());

  call(tray.item().busName(), StatusNotifierItem::kItemPath, StatusNotifierItem::kItemInterface, "Activate",
       g_variant_new("(ii)", 640, 12), nullptr);
  EXPECT_TRUE(waitUntil([&] { return !view.isShown(); }, 3000));

  // Its lock row closes it first, so the unlock does not bring it back.
  view.showNear(640, 12);
  ASSERT_TRUE(view.isShown());
  pressButton(*view.rowButton(MenuBarCommand::lock));
  EXPECT_EQ(locked, 1);
  EXPECT_FALSE(view.isShown());
}

TEST_F(TrayTest, ComesBackWhenTheWatcherRestarts) {
  startWatcher();
  TrayController tray(model, {});
  ASSERT_TRUE(waitUntil([&] { return tray.item().registered(); }, 10000));
  ASSERT_TRUE(waitUntil([&] { return tray.item().shownInTray(); }, 5000));
  watcher.stop();
  ASSERT_TRUE(waitUntil([&] { return !tray.item().registered(); }, 5000));
  EXPECT_FALSE(tray.item().shownInTray());
  EXPECT_EQ(trayLines(), 1);
  startWatcher();
  EXPECT_TRUE(waitUntil([&] { return tray.item().registered(); }, 10000));
}

// A watcher no panel registered with draws nothing: the item is held, not shown; it
// is not shown either once the watcher is gone.
TEST_F(TrayTest, AWatcherWithoutAHostDoesNotShowTheItem) {
  startWatcher(/*withHost=*/false);
  TrayController tray(model, {});
  ASSERT_TRUE(waitUntil([&] { return tray.item().registered(); }, 10000));
  ASSERT_TRUE(waitUntil([&] { return countContaining(logs, "没有托盘宿主") > 0; }, 5000));
  EXPECT_FALSE(tray.item().shownInTray());
}

TEST_F(TrayTest, WithoutAWatcherItLogsOnceAndKeepsWorking) {
  TrayController tray(model, {});
  ASSERT_TRUE(waitUntil([&] { return trayLines() > 0; }, 5000));
  model->account().applyBadges(R"({"overdue": 3, "today": 0})");
  model->account().applyBadges(R"({"overdue": 4, "today": 1})");
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_EQ(trayLines(), 1);
  EXPECT_FALSE(tray.item().registered());
  EXPECT_FALSE(tray.item().shownInTray());
  EXPECT_EQ(tray.item().label(), "4");
  EXPECT_EQ(tray.entries().size(), 5u);
}

}  // namespace

namespace {

}  // namespace

namespace {

TEST(MenuBarViewTest, RowsFollowTheNeighboursStatesAndEscapeOrFocusLossCloses) {
  TempHome home;
  FakePages pages{home.defaults()};
  auto model = freshFakeModel(pages);
  auto viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  bool calendarShown = false;
  int toggles = 0;
  MenuBarView::Actions actions;
  actions.showMainWindow = [] {};
  actions.toggleDesktopCalendar = [&] {
    ++toggles;
    calendarShown = !calendarShown;
  };
  actions.desktopCalendarVisible = [&] { return calendarShown; };
  actions.calendarSyncing = [] { return true; };
  actions.volumeMounted = [] { return true; };
  MenuBarView view(model, viewState, actions);
  // Without a window manager a window under the pointer keeps its focus: the pointer
  // rests outside the tall panel.
  ASSERT_EQ(std::system("xdotool mousemove 5 1000"), 0);
  view.showNear(700, 4);
  ASSERT_TRUE(waitUntil([&] { return view.isShown() && view.window().get_width() > 0; }, 5000));
  EXPECT_EQ(view.identityLabel().get_text(), "未登录");
  const auto& s = view.sections();
  EXPECT_EQ(s[1].rows[1].title, "打开桌面交互日历");
  EXPECT_EQ(s[1].rows[3].badge, "已连");
  EXPECT_TRUE(s[2].rows[0].spinning);

  // The toggle's outcome shows in its row once it ran.
  pressButton(*view.rowButton(MenuBarCommand::desktopCalendar));
  EXPECT_TRUE(waitUntil([&] { return view.sections()[1].rows[1].title == "隐藏桌面交互日历"; }, 3000));
  EXPECT_EQ(toggles, 1);
  EXPECT_EQ(view.sections()[1].rows[1].badge, "已显示");

  ASSERT_EQ(std::system("xdotool search --name '^墨衡台$' windowfocus --sync key Escape"), 0);
  EXPECT_TRUE(waitUntil([&] { return !view.isShown(); }, 5000));

  Gtk::Window other;
  other.set_title("别的窗口");
  other.present();
  view.showNear(700, 4);
  ASSERT_TRUE(waitUntil([&] { return view.isShown(); }, 5000));
  ASSERT_EQ(std::system("xdotool search --name '^墨衡台$' windowfocus --sync"), 0);
  ASSERT_TRUE(waitUntil([&] { return view.window().is_active(); }, 5000));
  ASSERT_EQ(std::system("xdotool search --name '^别的窗口$' windowfocus --sync"), 0);
  EXPECT_TRUE(waitUntil([&] { return !view.isShown(); }, 5000));
}

}  // namespace
