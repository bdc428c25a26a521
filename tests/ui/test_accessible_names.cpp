// Every window of the client as a screen reader walks it: each control a user can
// reach (buttons, toggles, switches, fields, menu buttons) has a name of its own, so
// none is read out as its widget type.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AccessibleNames.h"
#include "SettingsWorld.h"
#include "TestHelpers.h"
#include "ToolWindowsFixture.h"
#include "base/MainQueue.h"
#include "fakes/FakeDialogs.h"
#include "fakes/RecordingDesktop.h"
#include "features/mirror/MirrorStore.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/mirror/MirrorSheet.h"
#include "ui/palette/CommandPaletteView.h"
#include "ui/palette/ShortcutsSheet.h"
#include "ui/preview/QuickLookPreviewer.h"
#include "ui/todos/TodoSheet.h"
#include "ui/tray/MenuBarView.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

class AccessibleNamesTest : public ToolWindowsFixture {
 protected:
  void SetUp() override {
    ToolWindowsFixture::SetUp();
    settings = std::make_unique<SettingsWorld>(home.defaults(), model,
                                               VolumeParts{.dialogs = &dialogs, .desktop = &desktop});
    registerSettingsView(manager.contents(), settings->services());
    registerTodoSheet(manager.contents(), viewState);
    registerShortcutsSheet(manager.contents());
    registerCommandPalette(manager.contents(), {}, [] {});
    registerMirrorSheet(manager.contents(), *settings->mirror);
  }
  void TearDown() override {
    capture.reset();
    manager.reset();
    settings.reset();
    ToolWindowsFixture::TearDown();
  }

  // Walks `window` once it is on screen.
  void walk(Gtk::Window& window) {
    drainMainLoop();
    std::string title = window.get_title();
    ASSERT_GT(controlCount(window), 0) << title;
    auto found = unnamedControls(window, title);
    if (window.get_titlebar()) {
      auto bar = unnamedControls(*window.get_titlebar(), title);
      found.insert(found.end(), bar.begin(), bar.end());
    }
    walked.push_back(title);
    for (auto& c : found) unnamed[title].push_back(std::move(c));
  }

  FakeDialogs dialogs;
  RecordingDesktop desktop;
  std::unique_ptr<SettingsWorld> settings;
  QuickCapturePanel capture;
  std::vector<std::string> walked;
  std::map<std::string, std::vector<UnnamedControl>> unnamed;
};

TEST_F(AccessibleNamesTest, NoWindowHasAControlWithoutAName) {
  main->set_title("墨衡台");
  walk(*main);

  struct Tool {
    Published<bool>* flag;
    const char* name;
  };
  const Tool tools[] = {{&viewState->showSettings, "settings"},   {&viewState->showTodo, "todo"},
                        {&viewState->showPalette, "palette"},     {&viewState->showShortcuts, "shortcuts"},
                        {&viewState->showMirror, "mirror"}};
  for (const auto& t : tools) {
    SCOPED_TRACE(t.name);
    t.flag->set(true);
    Gtk::Window* w = shown(t.name);
    ASSERT_NE(w, nullptr);
    walk(*w);
    t.flag->set(false);
  }

  auto& calendar = settings->integration.desktopCalendar;
  calendar.show();
  ASSERT_TRUE(waitUntil([&] { return calendar.window() && calendar.window()->get_mapped(); }, 3000));
  walk(*calendar.window());
  calendar.hide();

  capture.setModel(model);
  capture.show("核对证据");
  ASSERT_NE(capture.panel(), nullptr);
  ASSERT_TRUE(waitUntil([&] { return capture.panel()->get_mapped(); }, 3000));
  walk(*capture.panel());

  MenuBarView tray(model, viewState);
  tray.showNear(700, 4);
  ASSERT_TRUE(waitUntil([&] { return tray.window().get_mapped(); }, 3000));
  walk(tray.window());

  fs::path note = home.root() / "笔记.txt";
  std::ofstream(note) << "证据目录\n";
  QuickLookPreviewer preview(desktop);
  preview.preview(note);
  ASSERT_NE(preview.window(), nullptr);
  ASSERT_TRUE(waitUntil([&] { return preview.window()->get_mapped(); }, 3000));
  walk(*preview.window());

  EXPECT_EQ(walked.size(), 10u);
  std::vector<UnnamedControl> failing;
  for (auto& [title, controls] : unnamed) failing.insert(failing.end(), controls.begin(), controls.end());
  EXPECT_TRUE(failing.empty()) << describe(failing);
}

// The helper every icon button is made with: the name is what a screen reader says
// and the tooltip; a menu button's inner button, which takes the focus, is named too.
TEST(AccessibleNameHelpers, IconButtonsAndMenuButtonsCarryTheirNames) {
  auto* icon = Gtk::make_managed<Gtk::Image>();
  Gtk::Box box;
  Gtk::Button* button = makeIconButton(*icon, "刷新合同与客户索引");
  box.append(*button);
  EXPECT_TRUE(hasAccessibleLabel(*button, "刷新合同与客户索引"));
  EXPECT_EQ(std::string(button->get_tooltip_text()), "刷新合同与客户索引");
  EXPECT_EQ(button->get_child(), icon);
  EXPECT_TRUE(unnamedControls(box, "test").empty());

  auto* menu = Gtk::make_managed<Gtk::MenuButton>();
  menu->set_icon_name("open-menu-symbolic");
  box.append(*menu);
  EXPECT_EQ(unnamedControls(box, "test").size(), 1u) << describe(unnamedControls(box, "test"));
  nameIconControl(*menu, "主菜单");
  EXPECT_TRUE(unnamedControls(box, "test").empty()) << describe(unnamedControls(box, "test"));

  // Words only as a description are no name.
  auto* described = Gtk::make_managed<Gtk::Button>();
  described->set_child(*Gtk::make_managed<Gtk::Image>());
  gtk_accessible_update_property(GTK_ACCESSIBLE(described->gobj()), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, "关闭",
                                 -1);
  box.append(*described);
  auto found = unnamedControls(box, "test");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].type, "gtkmm__GtkButton");
  // A button with words of its own is named by them.
  box.remove(*described);
  box.append(*Gtk::make_managed<Gtk::Button>("完成"));
  EXPECT_TRUE(unnamedControls(box, "test").empty()) << describe(unnamedControls(box, "test"));
}

}  // namespace
}  // namespace quorvel::test
