// The floating tool windows driven by the model's five flags: titles and sizes, the
// three ways to close that all leave the flag false, frames that come back after a
// toggle and a restart, frames that must not come back, the pinned palette, content
// that is made once and keeps what was typed, and a volume connect that ends after
// the settings window is gone.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>
#include <string>

#include "IntegrationServices.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "SettingsWorld.h"
#include "ToolWindowsFixture.h"
#include "VolumeServices.h"
#include "base/GLibPtr.h"
#include "base/MainQueue.h"
#include "features/volume/CasePaths.h"
#include "ui/model/FloatingWindows.h"
#include "core/ShortcutText.h"
#include "platform/WindowFrameRules.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeWebPage.h"
#include "features/volume/LocalVolume.h"
#include "platform/Mounts.h"
#include "platform/UserDefaults.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/main/ContentView.h"
#include "ui/settings/SettingsView.h"
#include "ui/todos/TodoSheet.h"
#include "ui/settings/VolumeMirrorCard.h"

namespace quorvel::test {
namespace {

class FloatingWindowsTest : public ToolWindowsFixture {
 protected:
  Rect frameOf(const std::string& name) { return manager.placement(name)->frame(); }
};

TEST_F(FloatingWindowsTest, EachFlagOpensItsWindowWithItsTitleAndSize) {
  struct Flag {
    Published<bool>* flag;
    const char* name;
  };
  const Flag flags[] = {{&viewState->showSettings, "settings"}, {&viewState->showTodo, "todo"}, {&viewState->showPalette, "palette"},
                        {&viewState->showShortcuts, "shortcuts"}, {&viewState->showMirror, "mirror"}};
  for (const auto& f : flags) {
    SCOPED_TRACE(f.name);
    const auto& spec = *floatingWindowSpec(f.name);
    f.flag->set(true);
    Gtk::Window* w = shown(f.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::string(w->get_title()), linuxShortcutText(spec.title));
    EXPECT_EQ(w->get_resizable(), spec.resizable);
    Rect r = frameOf(f.name);
    EXPECT_EQ(r.width, spec.width);
    EXPECT_EQ(r.height, spec.height);
    f.flag->set(false);
    EXPECT_FALSE(w->get_visible());
  }
  EXPECT_EQ(linuxShortcutText(floatingWindowSpec("palette")->title), "全局搜索 · Ctrl+K");
}

TEST_F(FloatingWindowsTest, EveryWayOfClosingLeavesTheFlagFalseAndTheWindowHidden) {
  // The title-bar close button.
  viewState->showTodo.set(true);
  Gtk::Window* w = shown("todo");
  ASSERT_NE(w, nullptr);
  w->close();
  ASSERT_TRUE(waitUntil([&] { return !viewState->showTodo.get(); }, 2000));
  EXPECT_FALSE(w->get_visible());
  // The content's own close action.
  viewState->showTodo.set(true);
  ASSERT_TRUE(waitUntil([&] { return w->get_visible(); }, 2000));
  EXPECT_EQ(manager.window("todo"), w);  // the same window, reused
  auto* box = dynamic_cast<Gtk::Box*>(w->get_child());
  ASSERT_NE(box, nullptr);
  auto* button = dynamic_cast<Gtk::Button*>(box->get_last_child());
  ASSERT_NE(button, nullptr);
  button->activate();
  ASSERT_TRUE(waitUntil([&] { return !viewState->showTodo.get(); }, 2000));
  EXPECT_FALSE(w->get_visible());
  // The manager's close, then the flag.
  viewState->showTodo.set(true);
  ASSERT_TRUE(waitUntil([&] { return w->get_visible(); }, 2000));
  manager.close("todo");
  EXPECT_FALSE(w->get_visible());
  viewState->showTodo.set(false);
  EXPECT_FALSE(w->get_visible());
}

TEST_F(FloatingWindowsTest, AMovedWindowComesBackAfterAToggleAndARestart) {
  viewState->showTodo.set(true);
  ASSERT_NE(shown("todo"), nullptr);
  const Rect moved{120, 90, 900, 610};
  manager.placement("todo")->setFrame(moved);
  ASSERT_TRUE(waitUntil([&] {
    return home.defaults().string("floating.frame.todo") == rectText(moved);
  }, 3000));
  viewState->showTodo.set(false);
  viewState->showTodo.set(true);
  ASSERT_TRUE(waitUntil([&] { return manager.window("todo")->get_visible(); }, 2000));
  EXPECT_EQ(frameOf("todo"), moved);

  // A new start: a new window placed from the saved text.
  viewState->showTodo.set(false);
  manager.reset();
  viewState->showTodo.set(true);
  ASSERT_NE(shown("todo"), nullptr);
  ASSERT_TRUE(waitUntil([&] { return frameOf("todo") == moved; }, 3000));
}

TEST_F(FloatingWindowsTest, FramesOnNoScreenOrTooSmallAreCentredAndThePaletteStaysAbove) {
  home.defaults().set("floating.frame.mirror", "{{9000, 9000}, {900, 600}}");
  home.defaults().set("floating.frame.settings", "{{100, 100}, {150, 600}}");
  for (const char* name : {"mirror", "settings"}) {
    SCOPED_TRACE(name);
    (std::string(name) == "mirror" ? viewState->showMirror : viewState->showSettings).set(true);
    ASSERT_NE(shown(name), nullptr);
    const auto& spec = *floatingWindowSpec(name);
    auto screens = manager.placement(name)->screenVisibleFrames();
    ASSERT_FALSE(screens.empty());
    EXPECT_EQ(frameOf(name), centredOn(screens.front(), spec.width, spec.height));
  }
  viewState->showPalette.set(true);
  ASSERT_NE(shown("palette"), nullptr);
  EXPECT_TRUE(manager.pinned("palette"));
  EXPECT_TRUE(manager.placement("palette")->keptAbove());
  EXPECT_FALSE(manager.placement("mirror")->keptAbove());
}

TEST_F(FloatingWindowsTest, ContentIsMadeOnceAndKeepsWhatWasTyped) {
  registerTodoSheet(manager.contents(), viewState);
  viewState->showTodo.set(true);
  Gtk::Window* w = shown("todo");
  ASSERT_NE(w, nullptr);
  auto* sheet = dynamic_cast<TodoSheet*>(w->get_child());
  ASSERT_NE(sheet, nullptr);
  sheet->filterField().grab_focus();
  sheet->setFilterText("王五");
  // Ctrl+Shift+D on the open window: its command sets the flag again.
  viewState->showTodo.set(true);
  drainMainLoop();
  EXPECT_EQ(w->get_child(), sheet);
  EXPECT_EQ(sheet->filterText(), "王五");
  // Closed with the title bar and opened again: the same window and sheet, the text kept.
  w->close();
  ASSERT_TRUE(waitUntil([&] { return !viewState->showTodo.get(); }, 2000));
  viewState->showTodo.set(true);
  ASSERT_TRUE(waitUntil([&] { return w->get_mapped(); }, 2000));
  EXPECT_EQ(manager.window("todo"), w);
  EXPECT_EQ(w->get_child(), sheet);
  EXPECT_EQ(sheet->filterText(), "王五");

  // Ctrl+K on the open palette keeps its content too.
  viewState->showPalette.set(true);
  Gtk::Window* palette = shown("palette");
  ASSERT_NE(palette, nullptr);
  Gtk::Widget* content = palette->get_child();
  viewState->showPalette.set(true);
  drainMainLoop();
  EXPECT_EQ(palette->get_child(), content);
}

TEST_F(FloatingWindowsTest, AVolumeConnectEndingAfterTheSettingsWindowIsGoneTouchesNoView) {
  if (!Mounts::davSupported()) GTEST_SKIP() << "GVfs without dav";
  FakeDialogs dialogs;
  home.defaults().set(CasePaths::kShareURLKey, "http://127.0.0.1:1/zm");  // nobody listens there
  SettingsWorld settings(home.defaults(), model, {.dialogs = &dialogs});
  auto& world = settings.world;
  registerSettingsView(manager.contents(), settings.services());
  viewState->showSettings.set(true);
  Gtk::Window* w = shown("settings");
  ASSERT_NE(w, nullptr);
  auto* view = dynamic_cast<SettingsView*>(w->get_child());
  ASSERT_NE(view, nullptr);
  int ended = 0;
  ScopedConnection watch = world.volume.stateChanged().connect([&] { ++ended; });
  g_signal_emit_by_name(view->volumeCard().connectButton().gobj(), "clicked");
  ASSERT_EQ(ended, 0) << "the mount ended before the window went";
  // The end of the application: the window and its view go while GVfs still tries.
  manager.reset();
  ASSERT_TRUE(waitUntil([&] { return ended == 1; }, 30000));
  drainMainLoop();
  EXPECT_FALSE(world.volume.isMounted());
}

}  // namespace
}  // namespace quorvel::test
