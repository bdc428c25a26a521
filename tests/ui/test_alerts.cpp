// Alerts as real dialogs: the same alert does not stack, and the application's
// shortcuts (Ctrl+Q quits) still work while an alert has the focus.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <gdk/x11/gdkx.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "TestHelpers.h"
#include "WindowManager.h"
#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "ui/components/Alerts.h"

using namespace quorvel;

namespace {

std::vector<Gtk::MessageDialog*> shownDialogs() {
  std::vector<Gtk::MessageDialog*> out;
  for (Gtk::Window* w : Gtk::Window::list_toplevels())
    if (auto* d = dynamic_cast<Gtk::MessageDialog*>(w); d && d->get_visible()) out.push_back(d);
  return out;
}

// An application with a main window and a quit action on Ctrl+Q, as the client has.
// One for all tests: the first application made stays the process's default.
class GtkAlertsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    app = Gtk::Application::create("cn.quorvel.test.alerts", Gio::Application::Flags::NON_UNIQUE);
    app->register_application();
    auto quit = Gio::SimpleAction::create("quit");
    quit->signal_activate().connect([](const Glib::VariantBase&) { ++quitRequests; });
    app->add_action(quit);
    app->set_accel_for_action("app.quit", "<Control>q");
    window = new Gtk::ApplicationWindow();
    app->add_window(*window);
    window->set_default_size(640, 480);
    window->present();
  }
  static void TearDownTestSuite() {
    app->remove_window(*window);
    delete window;
    window = nullptr;
    app.reset();
    drainMainLoop();
  }
  void SetUp() override {
    ASSERT_TRUE(app->is_registered());
    quitRequests = 0;
    window->present();
    runMainLoopUntil([] { return window->is_active(); }, 2000);
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    for (auto* d : shownDialogs()) d->response(Gtk::ResponseType::DELETE_EVENT);
    drainMainLoop();
    setLogSink({});
  }

  static inline Glib::RefPtr<Gtk::Application> app;
  static inline Gtk::ApplicationWindow* window = nullptr;
  static inline int quitRequests = 0;
  GtkDialogs dialogs;
  std::vector<std::string> logs;
  // Answers arrive until the dialogs are closed in TearDown.
  std::vector<int> answers;
  std::function<void(int)> answer = [this](int i) { answers.push_back(i); };
};

}  // namespace

TEST_F(GtkAlertsTest, TheSameAlertIsShownOnceUntilItIsAnswered) {
  dialogs.alert("还没有连接卷宗盘", "请先连接。", {"好", "去设置"}, answer);
  dialogs.alert("还没有连接卷宗盘", "请先连接。", {"好", "去设置"}, answer);
  drainMainLoop();
  ASSERT_EQ(shownDialogs().size(), 1u);
  EXPECT_EQ(answers, std::vector<int>{-1});  // the refused one is answered as dismissed
  EXPECT_EQ(std::count(logs.begin(), logs.end(), "[Quorvel][ALERT] 还没有连接卷宗盘：请先连接。（已在显示）"), 1);
  dialogs.alert("这个页面没有卷宗目录", "只有程序页才有。", {"好"}, answer);
  drainMainLoop();
  EXPECT_EQ(shownDialogs().size(), 2u);

  for (auto* d : shownDialogs())
    if (d->property_text().get_value() == "还没有连接卷宗盘") d->response(1);
  drainMainLoop();
  EXPECT_EQ(answers, (std::vector<int>{-1, 1}));
  dialogs.alert("还没有连接卷宗盘", "请先连接。", {"好"}, answer);
  drainMainLoop();
  EXPECT_EQ(shownDialogs().size(), 2u);
}

TEST_F(GtkAlertsTest, AQuestionAskedFromAToolWindowStandsOverThatWindow) {
  Gtk::Window tool;
  app->add_window(tool);
  auto* field = Gtk::make_managed<Gtk::Entry>();
  tool.set_child(*field);
  tool.present();
  window->present();  // another window of the application came to the front meanwhile
  drainMainLoop();
  alertFrom(*field, dialogs, "更换服务器？", "上一服务器的数据会清除。", {"更换并清除", "取消"}, answer);
  drainMainLoop();
  auto shown = shownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]->get_transient_for(), &tool);
  shown[0]->response(0);
  drainMainLoop();
  EXPECT_EQ(answers, std::vector<int>{0});
  app->remove_window(tool);
}

TEST_F(GtkAlertsTest, CtrlQStillQuitsWhileAnAlertHasTheFocus) {
  dialogs.alert("还没有连接卷宗盘", "请先连接。", {"好"}, {});
  ASSERT_TRUE(test::waitUntil([] { return !shownDialogs().empty() && shownDialogs()[0]->is_active(); }, 3000));
  Gtk::MessageDialog* dialog = shownDialogs()[0];
  EXPECT_TRUE(dialog->get_modal());
  EXPECT_EQ(dialog->get_transient_for(), window);
  // The dialog's own action lookup reaches the application's actions.
  EXPECT_TRUE(gtk_widget_activate_action(GTK_WIDGET(dialog->gobj()), "app.quit", nullptr));
  EXPECT_EQ(quitRequests, 1);

  // The key itself, as the X server delivers it to the focused dialog.
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+q"), 0);
  EXPECT_TRUE(test::waitUntil([&] { return quitRequests == 2; }, 3000));
  EXPECT_EQ(shownDialogs().size(), 1u);  // nothing else closed the alert
}

// An alert asked by a control stands over the control's window, even when another
// window of the application was focused last; the focused window is next in line.
TEST_F(GtkAlertsTest, AnAlertIsTransientForTheWindowWhoseControlAskedIt) {
  Gtk::Window sheet;
  sheet.set_title("客户端设置");
  auto* button = Gtk::make_managed<Gtk::Button>("清除登录态与缓存");
  sheet.set_child(*button);
  app->add_window(sheet);
  sheet.present();
  ASSERT_TRUE(test::waitUntil([&] { return sheet.get_mapped(); }, 3000));
  // The main window comes to the front after the sheet was shown.
  window->present();
  runMainLoopUntil([] { return window->is_active(); }, 2000);

  int answer = -2;
  dialogs.alertOver(alertOwner(*button), "清除网页缓存与登录态？", "清除后需要重新登录墨衡台账号。", {"清除", "取消"},
                    [&answer](int i) { answer = i; });
  ASSERT_TRUE(test::waitUntil([] { return !shownDialogs().empty(); }, 3000));
  Gtk::MessageDialog* dialog = shownDialogs()[0];
  EXPECT_EQ(dialog->get_transient_for(), &sheet);
  dialog->response(1);
  EXPECT_TRUE(test::waitUntil([&] { return answer == 1; }, 2000));

  // Without an owner, or with one whose window is hidden: the focused window.
  sheet.set_visible(false);
  dialogs.alertOver(alertOwner(*button), "还没有连接卷宗盘", "请先连接。", {"好"}, {});
  ASSERT_TRUE(test::waitUntil([] { return !shownDialogs().empty(); }, 3000));
  EXPECT_EQ(shownDialogs()[0]->get_transient_for(), window);
  app->remove_window(sheet);
}

// An alert given while no window of the client is shown (the main window closed to the
// background, no notification server) goes above the main window when that comes back,
// as its alert: it never waits hidden behind it while holding the window's keys.
TEST_F(GtkAlertsTest, AnAlertGivenWithNoWindowShownGoesAboveTheWindowThatComesBack) {
  test::WindowManager wm;
  if (!wm.started()) GTEST_SKIP() << "openbox is not installed";
  // Hidden, the window leaves the application; shown again, it is put back, as the
  // client does with its windows.
  ScopedConnection rejoin = window->signal_show().connect([] {
    if (!window->get_application()) app->add_window(*window);
  });
  window->set_visible(false);
  drainMainLoop();
  dialogs.alert("墨衡台仍在运行", "窗口已关闭，墨衡台仍在后台运行。再次启动墨衡台即可回到窗口。", {"好"}, answer);
  ASSERT_TRUE(test::waitUntil([] { return !shownDialogs().empty() && shownDialogs()[0]->get_mapped(); }, 3000));
  Gtk::MessageDialog* dialog = shownDialogs()[0];
  EXPECT_EQ(dialog->get_transient_for(), nullptr) << "no window to stand over yet";

  window->present();  // started again: the window comes back
  auto xid = [](Gtk::Window& w) -> unsigned long {
    GdkSurface* surface = w.get_surface() ? w.get_surface()->gobj() : nullptr;
    return surface ? gdk_x11_surface_get_xid(surface) : 0;
  };
  auto above = [&] {
    auto order = test::WindowManager::stacking();
    auto d = std::find(order.begin(), order.end(), xid(*dialog));
    auto m = std::find(order.begin(), order.end(), xid(*window));
    return d != order.end() && m != order.end() && d > m;
  };
  ASSERT_TRUE(test::waitUntil([&] { return window->get_mapped(); }, 3000));
  EXPECT_EQ(dialog->get_transient_for(), window);
  EXPECT_TRUE(test::waitUntil(above, 3000)) << "the alert stands above the window";
  // Raising the window again keeps its alert above it.
  window->present();
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_TRUE(above());
  EXPECT_TRUE(test::waitUntil([&] { return dialog->is_active(); }, 3000)) << "the alert has the keys, in sight";

  // Answered, the window's keys are its own again.
  dialog->response(0);
  ASSERT_TRUE(test::waitUntil([&] { return answers == std::vector<int>{0}; }, 2000));
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_TRUE(test::waitUntil([] { return window->is_active(); }, 3000));
  const std::string focus = "xdotool windowfocus --sync " + std::to_string(xid(*window));
  ASSERT_EQ(std::system(focus.c_str()), 0);
  ASSERT_EQ(std::system("xdotool key --clearmodifiers ctrl+q"), 0);
  EXPECT_TRUE(test::waitUntil([&] { return quitRequests == 1; }, 3000));
}
