// The settings window's inbox-folder card: its switch drives the watcher, and the
// folder and status lines follow the watcher's published state.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CalendarSyncParts.h"
#include "TestEnv.h"
#include "VolumeServices.h"
#include "base/MainQueue.h"
#include "core/FilePanels.h"
#include "fakes/FakeWebPage.h"
#include "features/editing/HotFolderWatcher.h"
#include "ui/components/WidgetRender.h"
#include "ui/settings/HotFolderSection.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/settings/SettingsView.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {
bool showsLabel(Gtk::Widget& w, const std::string& text) {
  if (auto* l = dynamic_cast<Gtk::Label*>(&w); l && l->get_text().raw() == text) return true;
  for (Gtk::Widget* c = w.get_first_child(); c; c = c->get_next_sibling())
    if (showsLabel(*c, text)) return true;
  return false;
}
}  // namespace

TEST(HotFolderSection, SwitchDrivesTheWatcherAndLinesFollowIt) {
  TempHome home;
  VolumeServices world(home.defaults());
  CancellingFilePanels panels;
  HotFolderWatcher watcher(home.defaults(), panels, world.desktop);
  std::string inbox = (home.root() / "文档" / "墨衡台收件箱").string();
  watcher.config.set({false, inbox, true});
  FakePages pages(home.defaults());
  auto model = freshFakeModel(pages);
  CalendarSyncParts calendar(home.defaults(), *model);
  WorkspaceViewState viewState(home.defaults());
  auto* view = Gtk::make_managed<SettingsView>(
      [] {}, SettingsServices{world.volume, watcher, calendar.sync, home.defaults(), world.dialogs, viewState}, model);
  view->set_size_request(620, 640);
  EXPECT_TRUE(showsLabel(*view, "本地收件箱热文件夹（扫描仪/微信自动弹归档）"));
  HotFolderSection section(watcher);
  EXPECT_EQ(section.pathLabel().get_text().raw(), inbox);
  EXPECT_EQ(section.statusLabel().get_text().raw(), "未开启");

  section.enabledSwitch().set_active(true);
  EXPECT_TRUE(watcher.isWatching.get());
  EXPECT_TRUE(HotFolderWatcher::Config::load(home.defaults()).enabled);
  EXPECT_TRUE(showsLabel(*view, "监控中：墨衡台收件箱"));
  std::string png = std::getenv("HOT_FOLDER_PNG") ? std::getenv("HOT_FOLDER_PNG") : "";
  std::string error;
  if (!png.empty()) {
    EXPECT_TRUE(renderWidgetToPng(*view, png, &error)) << error;
  }

  // A change made elsewhere moves the switch without switching the watcher again.
  watcher.config.set({false, "/srv/扫描", true});
  EXPECT_FALSE(section.enabledSwitch().get_active());
  EXPECT_TRUE(watcher.isWatching.get());
  EXPECT_EQ(section.pathLabel().get_text().raw(), "/srv/扫描");
  watcher.stopWatching();
}
