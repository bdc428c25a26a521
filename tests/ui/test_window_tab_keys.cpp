// Ctrl+W and Ctrl+<n> pressed on the X server while the focus is in each kind of the
// client's windows: the quick-capture panel, the desktop calendar, the quick-archive
// window and the tray panel act on the workspace's tabs; dialogs keep the keys.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <gdk/x11/gdkx.h>

#include "TestEnv.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestHelpers.h"
#include "VolumeServices.h"
#include "base/Clock.h"
#include "base/MainQueue.h"
#include "core/AuditLog.h"
#include "core/FilePanels.h"
#include "features/editing/HotFolderWatcher.h"
#include "platform/Scanner.h"
#include "fakes/FakeWebPage.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "platform/UserDefaults.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/components/Alerts.h"
#include "ui/editing/QuickArchiveWindow.h"
#include "ui/windows/MainWindowController.h"
#include "ui/main/TabKeys.h"
#include "ui/tray/MenuBarView.h"
#include "ui/volume/VolumePasswordDialog.h"

namespace quorvel::test {
namespace {

unsigned long xidOf(Gtk::Window& w) { return gdk_x11_surface_get_xid(w.get_surface()->gobj()); }

class WindowTabKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    model = freshFakeModel(pages);
    // The pointer rests where no window is: without a window manager the window under
    // it would take the focus back.
    ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
    DesktopCalendarModel::Services s;
    s.fetchLiveEvents = [](bool) -> Task<std::vector<ICSEvent>> { co_return std::vector<ICSEvent>{}; };
    s.after = [](unsigned, std::function<void()>) {};
    store = std::make_unique<DesktopCalendarModel>(std::move(s));
  }
  void TearDown() override {
    capture.reset();
    archive.reset();
    drainMainLoop();
  }

  // Three tabs, the last one active.
  void threeTabs() {
    while (model->tabs()->size() < 3) model->newTab("/t" + std::to_string(model->tabs()->size()), "T");
    model->selectTab(2);
  }

  void focus(Gtk::Window& w) {
    ASSERT_TRUE(waitUntil([&] { return w.get_mapped(); }, 5000)) << w.get_title();
    ASSERT_EQ(std::system(("xdotool windowfocus --sync " + std::to_string(xidOf(w))).c_str()), 0);
    ASSERT_TRUE(waitUntil([&] { return w.is_active(); }, 5000)) << w.get_title();
  }

  void press(const char* key) {
    ASSERT_EQ(std::system((std::string("xdotool key --clearmodifiers ") + key).c_str()), 0);
  }

  // Ctrl+2 picks the second tab, then Ctrl+W closes it, with the focus in `w`.
  void expectTabKeysIn(Gtk::Window& w) {
    SCOPED_TRACE(w.get_title());
    threeTabs();
    auto second = model->tabs().get()[1];
    focus(w);
    press("ctrl+2");
    EXPECT_TRUE(waitUntil([&] { return model->activeTab() == second; }, 3000));
    press("ctrl+w");
    EXPECT_TRUE(waitUntil([&] { return model->tabs()->size() == 2; }, 3000));
    EXPECT_EQ(std::count(model->tabs()->begin(), model->tabs()->end(), second), 0);
  }

  TempHome home;
  UserDefaults defaults{home.configHome() / "Quorvel" / "keys-defaults.json"};
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  std::unique_ptr<DesktopCalendarModel> store;
  VolumeServices world{home.defaults()};
  CancellingFilePanels panels;
  HotFolderWatcher inbox{home.defaults(), panels, world.desktop};
  Scanner scanner;
  MainWindowController mainWindow{home.defaults()};
  SystemClock clock;
  AuditLog audit{home.dataHome() / "audit.jsonl", clock};
  QuickArchiveWindow archive{QuickArchiveServices{panels, inbox, scanner, world.workers, audit}, mainWindow};
  QuickCapturePanel capture;
};

TEST_F(WindowTabKeysTest, EveryWindowOfTheClientTakesTheKeysAndDroppingThemEndsThat) {
  Gtk::Window main;
  main.set_title("主窗口");
  setWindowIdentifier(main, kMainWindowIdentifier);
  main.set_child(*Gtk::make_managed<Gtk::Label>("工作台"));
  main.present();
  ASSERT_TRUE(waitUntil([&] { return main.get_mapped(); }, 5000));
  // Made before the keys are installed, and never added to an application.
  MenuBarView tray(model, viewState);
  auto keys = std::make_unique<WindowTabKeys>(model);

  tray.showNear(700, 4);
  expectTabKeysIn(tray.window());

  capture.setModel(model);
  capture.show("核对证据");
  ASSERT_NE(capture.panel(), nullptr);
  expectTabKeysIn(*capture.panel());

  DesktopCalendarWindow calendar(defaults, *store, model);
  calendar.show();
  expectTabKeysIn(*calendar.window());

  // Transient for the main window, not modal: a window of its own, not a dialog.
  archive.setModel(model);
  archive.open({}, "拖拽文件或扫描文稿直传卷宗", false);
  Gtk::Window* archiveWindow = archive.window();
  ASSERT_NE(archiveWindow, nullptr);
  EXPECT_EQ(archiveWindow->get_transient_for(), &main);
  expectTabKeysIn(*archiveWindow);

  // Taken off again: the keys reach the window's own controls and the tabs stay.
  keys.reset();
  threeTabs();
  focus(*archiveWindow);
  press("ctrl+1");
  press("ctrl+w");
  runMainLoopUntil([] { return false; }, 400);
  EXPECT_EQ(model->tabs()->size(), 3u);
  EXPECT_EQ(model->activeTab(), model->tabs().get()[2]);
}

TEST_F(WindowTabKeysTest, DialogsPassTheKeysOnToTheirOwnControls) {
  WindowTabKeys keys(model);
  threeTabs();
  auto active = model->activeTab();
  auto expectPassedOn = [&](Gtk::Window& dialog) {
    SCOPED_TRACE(dialog.get_title());
    // Added after the tab keys: it hears the keys only when they were passed on.
    int heard = 0;
    auto listener = Gtk::EventControllerKey::create();
    listener->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    listener->signal_key_pressed().connect(
        [&](guint keyval, guint, Gdk::ModifierType) {
          if (keyval == GDK_KEY_2 || keyval == GDK_KEY_w) ++heard;
          return false;
        },
        false);
    dialog.add_controller(listener);
    focus(dialog);
    press("ctrl+2");
    press("ctrl+w");
    EXPECT_TRUE(waitUntil([&] { return heard == 2; }, 3000)) << heard;
    EXPECT_EQ(model->tabs()->size(), 3u);
    EXPECT_EQ(model->activeTab(), active);
    dialog.remove_controller(listener);
  };

  GtkDialogs dialogs;
  dialogs.alert("无法打开", "请稍后再试", {"好"}, [](int) {});
  Gtk::MessageDialog* alert = nullptr;
  for (Gtk::Window* w : Gtk::Window::list_toplevels())
    if (auto* d = dynamic_cast<Gtk::MessageDialog*>(w); d && d->get_visible()) alert = d;
  ASSERT_NE(alert, nullptr);
  expectPassedOn(*alert);
  alert->response(Gtk::ResponseType::DELETE_EVENT);

  PasswordPrompter::Request request;
  request.address = "davs://files.example.com/cases";
  auto* prompt = new VolumePasswordDialog(request, [](std::optional<PasswordPrompter::Answer>) {});
  prompt->present();
  expectPassedOn(*prompt);
  prompt->cancel();  // frees it
}

}  // namespace
}  // namespace quorvel::test
