// The tool windows under a window manager, which places every window it maps as if it
// were new: each comes back where and as large as the user left it, when it is shown
// again and after a restart, and what is stored is always a frame the window really
// had on the screen.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "TestEnv.h"
#include "IntegrationServices.h"
#include "TestHelpers.h"
#include "VolumeServices.h"
#include "base/Clock.h"
#include "core/AuditLog.h"
#include "core/FilePanels.h"
#include "features/editing/HotFolderWatcher.h"
#include "platform/Scanner.h"
#include "ui/windows/MainWindowController.h"
#include "ToolWindowsFixture.h"
#include "WindowManager.h"
#include "base/MainQueue.h"
#include "fakes/RecordingDesktop.h"
#include "platform/UserDefaults.h"
#include "platform/WindowFrameRules.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/editing/QuickArchiveWindow.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/model/FloatingWindows.h"
#include "ui/preview/QuickLookPreviewer.h"
#include "ui/windows/FrameKeeper.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

bool settlesAt(WindowPlacement* placement, const Rect& f) {
  return placement && runMainLoopUntil([&] { return sameFrame(placement->frame(), f); }, 5000);
}

// The five tool windows; the window manager starts before the main window.
class ManagedToolWindowsTest : public ToolWindowsFixture {
 protected:
  void SetUp() override {
    wm = std::make_unique<WindowManager>();
    if (!wm->started()) GTEST_SKIP() << "openbox is not installed";
    ToolWindowsFixture::SetUp();
  }
  void TearDown() override {
    ToolWindowsFixture::TearDown();
    wm.reset();
  }
  Published<bool>& flag(const std::string& name) {
    if (name == "settings") return viewState->showSettings;
    if (name == "todo") return viewState->showTodo;
    if (name == "palette") return viewState->showPalette;
    if (name == "shortcuts") return viewState->showShortcuts;
    return viewState->showMirror;
  }
  std::string stored(const std::string& name) {
    return home.defaults().string(floatingFrameKey(name)).value_or("");
  }
  std::unique_ptr<WindowManager> wm;
};

TEST_F(ManagedToolWindowsTest, EachToolWindowComesBackWhereAndAsLargeAsItWasLeft) {
  for (const auto& spec : floatingWindowSpecs()) {
    const std::string name = spec.name;
    SCOPED_TRACE(name);
    flag(name).set(true);
    ASSERT_NE(shown(name), nullptr);
    // The first opening is centred, not where the window manager puts new windows.
    auto screens = manager.placement(name)->screenVisibleFrames();
    ASSERT_FALSE(screens.empty());
    EXPECT_TRUE(settlesAt(manager.placement(name), centredOn(screens.front(), spec.width, spec.height)))
        << rectText(manager.placement(name)->frame());

    // Moved (and, where it may be, resized) by the user.
    const Rect moved{700, 300, spec.resizable ? spec.width + 40.0 : spec.width, spec.resizable ? spec.height + 20.0
                                                                                               : spec.height};
    manager.placement(name)->setFrame(moved);
    ASSERT_TRUE(settlesAt(manager.placement(name), moved)) << rectText(manager.placement(name)->frame());
    ASSERT_TRUE(waitUntil([&] { return stored(name) == rectText(moved); }, 3000)) << stored(name);

    // Hidden and shown again: the same place, and the stored frame is still that one.
    flag(name).set(false);
    drainMainLoop();
    EXPECT_EQ(stored(name), rectText(moved));
    flag(name).set(true);
    ASSERT_TRUE(waitUntil([&] { return manager.window(name)->get_mapped(); }, 3000));
    EXPECT_TRUE(settlesAt(manager.placement(name), moved)) << rectText(manager.placement(name)->frame());
    runMainLoopUntil([] { return false; }, 400);
    EXPECT_EQ(stored(name), rectText(moved));
    flag(name).set(false);
  }

  // A new start: new windows, placed from the stored frames.
  manager.reset();
  drainMainLoop();
  for (const auto& spec : floatingWindowSpecs()) {
    const std::string name = spec.name;
    SCOPED_TRACE(name);
    const Rect moved{700, 300, spec.resizable ? spec.width + 40.0 : spec.width, spec.resizable ? spec.height + 20.0
                                                                                               : spec.height};
    EXPECT_EQ(stored(name), rectText(moved));
    flag(name).set(true);
    ASSERT_NE(shown(name), nullptr);
    EXPECT_TRUE(settlesAt(manager.placement(name), moved)) << rectText(manager.placement(name)->frame());
    flag(name).set(false);
    drainMainLoop();
    EXPECT_EQ(stored(name), rectText(moved));
  }
}

TEST_F(ManagedToolWindowsTest, AWindowHiddenBeforeItWasPlacedStoresNoMadeUpFrame) {
  const Rect left{640, 220, 600, 460};
  home.defaults().set(floatingFrameKey("palette"), rectText(left));
  // Shown and hidden at once, before the window manager has placed it.
  viewState->showPalette.set(true);
  viewState->showPalette.set(false);
  drainMainLoop();
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_EQ(home.defaults().string(floatingFrameKey("palette")), rectText(left));
  viewState->showPalette.set(true);
  ASSERT_NE(shown("palette"), nullptr);
  EXPECT_TRUE(settlesAt(manager.placement("palette"), left)) << rectText(manager.placement("palette")->frame());
}

// The other tool windows: quick capture (a new panel each time) and the preview (one
// window, hidden and shown again).
class ManagedPanelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wm = std::make_unique<WindowManager>();
    if (!wm->started()) GTEST_SKIP() << "openbox is not installed";
  }
  void TearDown() override {
    drainMainLoop();
    wm.reset();
  }
  std::unique_ptr<WindowManager> wm;
  TempHome home;
  RecordingDesktop desktop;
  FakePages pages{home.defaults()};
};

TEST_F(ManagedPanelsTest, QuickCaptureAndThePreviewComeBackWhereTheyWereLeft) {
  auto model = pages.model();
  const Rect captureAt{300, 200, QuickCaptureView::kWidth, QuickCaptureView::kHeight};
  {
    QuickCapturePanel capture;
    capture.rememberFramesIn(home.defaults());
    capture.setModel(model);
    capture.show();
    ASSERT_TRUE(waitUntil([&] { return capture.panel()->get_mapped(); }, 3000));
    auto placement = placementFor(*capture.panel());
    runMainLoopUntil([] { return false; }, 300);
    placement->setFrame(captureAt);
    ASSERT_TRUE(settlesAt(placement.get(), captureAt));
    runMainLoopUntil([] { return false; }, 400);
    capture.hide();
    drainMainLoop();
    EXPECT_EQ(home.defaults().string(QuickCapturePanel::kFrameKey), rectText(captureAt));
    // Shown again: a fresh panel, at the same place.
    capture.show();
    ASSERT_TRUE(waitUntil([&] { return capture.panel()->get_mapped(); }, 3000));
    EXPECT_TRUE(settlesAt(placementFor(*capture.panel()).get(), captureAt));
  }
  {
    // After a restart.
    QuickCapturePanel capture;
    capture.rememberFramesIn(home.defaults());
    capture.setModel(model);
    capture.show();
    ASSERT_TRUE(waitUntil([&] { return capture.panel()->get_mapped(); }, 3000));
    EXPECT_TRUE(settlesAt(placementFor(*capture.panel()).get(), captureAt));
  }

  fs::path note = home.root() / "笔记.txt";
  std::ofstream(note) << "证据目录\n";
  const Rect previewAt{150, 120, 700, 640};
  {
    QuickLookPreviewer preview(desktop);
    preview.rememberFramesIn(home.defaults());
    preview.preview(note);
    ASSERT_TRUE(waitUntil([&] { return preview.window()->get_mapped(); }, 3000));
    auto placement = placementFor(*preview.window());
    runMainLoopUntil([] { return false; }, 300);
    placement->setFrame(previewAt);
    ASSERT_TRUE(settlesAt(placement.get(), previewAt));
    runMainLoopUntil([] { return false; }, 400);
    preview.window()->set_visible(false);
    drainMainLoop();
    EXPECT_EQ(home.defaults().string(QuickLookPreviewer::kFrameKey), rectText(previewAt));
    preview.preview(note);
    ASSERT_TRUE(waitUntil([&] { return preview.window()->get_mapped(); }, 3000));
    EXPECT_TRUE(settlesAt(placementFor(*preview.window()).get(), previewAt));
  }
  {
    QuickLookPreviewer preview(desktop);
    preview.rememberFramesIn(home.defaults());
    preview.preview(note);
    ASSERT_TRUE(waitUntil([&] { return preview.window()->get_mapped(); }, 3000));
    EXPECT_TRUE(settlesAt(placementFor(*preview.window()).get(), previewAt));
  }
}

// The desktop calendar, hidden and shown again from its button, the menu or its key.
TEST_F(ManagedPanelsTest, TheDesktopCalendarComesBackWhereItWasLeftWhenShownAgain) {
  auto model = pages.model();
  IntegrationServices services(home.defaults(), model, home.root() / "index.sqlite");
  auto& calendar = services.desktopCalendar;
  calendar.show();
  ASSERT_TRUE(waitUntil([&] { return calendar.window() && calendar.window()->get_mapped(); }, 3000));
  runMainLoopUntil([] { return false; }, 500);
  WindowPlacement* placement = calendar.windowPlacement();
  ASSERT_NE(placement, nullptr);
  const Rect left{300, 120, placement->frame().width, placement->frame().height};
  placement->setFrame(left);
  ASSERT_TRUE(settlesAt(placement, left));
  ASSERT_TRUE(waitUntil([&] { return home.defaults().string(kDesktopCalendarFrameKey) == rectText(left); }, 3000));
  calendar.hide();
  drainMainLoop();
  calendar.show();
  ASSERT_TRUE(waitUntil([&] { return calendar.window()->get_mapped(); }, 3000));
  EXPECT_TRUE(settlesAt(calendar.windowPlacement(), left)) << rectText(calendar.windowPlacement()->frame());
  runMainLoopUntil([] { return false; }, 600);
  EXPECT_EQ(home.defaults().string(kDesktopCalendarFrameKey), rectText(left));
}

// The quick-archive window: a new window each time it opens, at the place the last
// one was left, also after a restart.
class ManagedArchiveTest : public ManagedPanelsTest {
 protected:
  VolumeServices world{home.defaults()};
  CancellingFilePanels panels;
  HotFolderWatcher inbox{home.defaults(), panels, world.desktop};
  Scanner scanner;
  MainWindowController mainWindow{home.defaults()};
  SystemClock clock;
  AuditLog audit{home.dataHome() / "audit.jsonl", clock};
};

TEST_F(ManagedArchiveTest, TheQuickArchiveWindowComesBackWhereItWasLeft) {
  auto model = pages.model();
  const Rect left{260, 140, 720, 560};
  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start);
    QuickArchiveWindow archive{QuickArchiveServices{panels, inbox, scanner, world.workers, audit}, mainWindow};
    archive.rememberFramesIn(home.defaults());
    archive.setModel(model);
    archive.open({}, "拖拽文件或扫描文稿直传卷宗", false);
    ASSERT_TRUE(waitUntil([&] { return archive.window()->get_mapped(); }, 3000));
    if (start == 0) {
      // Opened the first time: the user puts it somewhere else and closes it.
      runMainLoopUntil([] { return false; }, 300);
      placementFor(*archive.window())->setFrame(left);
      ASSERT_TRUE(settlesAt(placementFor(*archive.window()).get(), left));
      runMainLoopUntil([] { return false; }, 400);
      archive.window()->set_visible(false);
      drainMainLoop();
      EXPECT_EQ(home.defaults().string(QuickArchiveWindow::kFrameKey), rectText(left));
      // Opened again: a fresh window, where the last one was.
      archive.open({}, "拖拽文件或扫描文稿直传卷宗", false);
      ASSERT_TRUE(waitUntil([&] { return archive.window()->get_mapped(); }, 3000));
    }
    EXPECT_TRUE(settlesAt(placementFor(*archive.window()).get(), left));
    archive.reset();
    drainMainLoop();
  }
}

}  // namespace
}  // namespace quorvel::test
