// The window-side objects the services own: a refusal under the privacy lock brings
// the main window forward through the controller they installed, and when the
// services end, the tool windows, the panels and the workspace model they held go
// with them (a process-wide panel would keep the model).
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>

#include "ServiceTabFixture.h"
#include "diagnostics/LiveFeatureTest.h"
#include "app/LaunchSequence.h"
#include "ui/main/MainWindow.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "core/PrivacyLock.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/editing/QuickArchiveWindow.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/windows/MainWindowController.h"

namespace quorvel::test {
namespace {

class ServicesOwnershipTest : public ::testing::Test {
 protected:
  void TearDown() override {
    services.reset();
    drainMainLoop();
  }

  TempHome home;
  std::unique_ptr<AppServices> services = makeTestServices(home.defaults());
};

TEST_F(ServicesOwnershipTest, ARefusalUnderTheLockBringsTheHiddenMainWindowForward) {
  Gtk::Window main;
  main.set_title("墨衡台");
  main.set_child(*Gtk::make_managed<Gtk::Label>("工作台"));
  setWindowIdentifier(main, kMainWindowIdentifier);
  main.present();
  ASSERT_TRUE(waitUntil([&] { return main.get_mapped(); }, 5000));
  main.set_visible(false);

  auto& lock = services->privacyLock();
  EXPECT_TRUE(lock.admits("新建标签"));
  EXPECT_FALSE(main.get_visible()) << "nothing is brought forward while unlocked";
  lock.lock();
  EXPECT_FALSE(lock.admits("新建标签"));
  EXPECT_TRUE(main.get_visible()) << "the cover comes forward and says why nothing opened";
  EXPECT_EQ(services->mainWindow().findMainWindow(), &main);
}

TEST_F(ServicesOwnershipTest, TheirWindowsAndTheWorkspaceModelGoWithTheServices) {
  std::weak_ptr<BrowserModel> model = services->browser();
  services->quickCapture().setModel(services->browser());
  services->quickArchive().setModel(services->browser());
  services->toolWindows().open("todo", [] { return Gtk::make_managed<Gtk::Label>("待办"); }, {});
  services->quickCapture().show("核对证据");
  WeakWindow tool, panel;
  tool.set(services->toolWindows().window("todo"));
  panel.set(services->quickCapture().panel());
  ASSERT_NE(tool.get(), nullptr);
  ASSERT_NE(panel.get(), nullptr);

  services.reset();
  drainMainLoop();
  EXPECT_EQ(tool.get(), nullptr);
  EXPECT_EQ(panel.get(), nullptr);
  EXPECT_TRUE(model.expired()) << "nothing keeps the workspace model after the services";
}

// The client's parts over an application object: the main window is built once, on
// first showing, is the window the controller finds, and goes with the services before
// the workspace model; the live check works with the services' one hot-key manager.
TEST_F(ServicesOwnershipTest, TheClientsMainWindowIsBuiltOnceAndGoesWithTheServices) {
  auto app = Gtk::Application::create("cn.quorvel.client.test", Gio::Application::Flags::NON_UNIQUE);
  ASSERT_TRUE(app->register_application());
  services->startClient(*app, LaunchSwitches{}, {});
  EXPECT_EQ(services->window(), nullptr) << "nothing is shown before the launch asks";
  services->showMainWindow();
  MainWindow* window = services->window();
  ASSERT_NE(window, nullptr);
  services->showMainWindow();
  EXPECT_EQ(services->window(), window) << "a second showing brings the same window forward";
  ASSERT_TRUE(waitUntil([&] { return window->get_mapped(); }, 5000));
  EXPECT_EQ(services->mainWindow().findMainWindow(), window);
  TaskScope liveCheck;
  EXPECT_EQ(services->liveCheckServices({}, {}, liveCheck).hotKeys, &services->hotKeys());

  WeakWindow shown;
  shown.set(window);
  std::weak_ptr<BrowserModel> model = services->browser();
  services->stopClient();
  services.reset();
  drainMainLoop();
  EXPECT_EQ(shown.get(), nullptr);
  EXPECT_TRUE(model.expired()) << "neither the window nor the delegate keeps the workspace model";
}

}  // namespace
}  // namespace quorvel::test
