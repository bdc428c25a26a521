// The settings sheet in its tool window: the six cards in order under the header; the
// local places open in the file manager (a missing mirror folder opens nothing, the
// audit file is made empty once and then left as it is); the storage tiles count the mirror folder and its backups; "清空旧版本" asks first,
// keeps the backups on "取消" and empties them on "清空", after which the tile says
// so and the button goes; clearing the sign-in state asks and closes the sheet only on
// "清除"; Escape and "完成" close the sheet, and showing it again counts again.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "SettingsWorld.h"
#include "TestHelpers.h"
#include "ToolWindowsFixture.h"
#include "WidgetFind.h"
#include "WindowKeys.h"
#include "base/GLibPtr.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "fakes/FakeDialogs.h"
#include "fakes/RecordingDesktop.h"
#include "features/mirror/MirrorFormats.h"
#include "platform/UserDefaults.h"
#include "ui/components/LawSectionTitle.h"
#include "ui/model/SettingsSheet.h"
#include "ui/settings/MaintenanceCard.h"
#include "ui/settings/StorageCard.h"
#include "ui/settings/VolumeMirrorCard.h"
#include "base/Log.h"
#include "ui/components/OpenFailureNote.h"
#include "ui/settings/SystemIntegrationCard.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

class SettingsSheetTest : public ToolWindowsFixture {
 protected:
  void SetUp() override {
    ToolWindowsFixture::SetUp();
    MirrorConfig config = MirrorConfig::load(home.defaults());
    config.rootPath = mirror().string();
    config.save(home.defaults());
    settings = std::make_unique<SettingsWorld>(home.defaults(), model, VolumeParts{.dialogs = &dialogs, .desktop = &desktop});
    registerSettingsView(manager.contents(), settings->services());
  }
  void TearDown() override {
    manager.reset();
    settings.reset();
    ToolWindowsFixture::TearDown();
  }
  fs::path mirror() const { return home.root() / "卷宗镜像"; }
  void write(const fs::path& rel, size_t bytes) {
    fs::create_directories((mirror() / rel).parent_path());
    std::ofstream(mirror() / rel, std::ios::binary) << std::string(bytes, 'x');
  }
  // The sheet on screen, its first count finished.
  SettingsView* open() {
    viewState->showSettings.set(true);
    Gtk::Window* w = shown("settings");
    if (!w) return nullptr;
    auto* view = dynamic_cast<SettingsView*>(w->get_child());
    if (view && !waitUntil([&] { return view->storageCard().stats().stats.get().has_value(); }, 5000)) return nullptr;
    return view;
  }
  std::string tile(SettingsView& view, size_t i, bool sub = false) {
    const auto& t = view.storageCard().tiles()[i];
    return (sub ? t.sub : t.value)->get_text().raw();
  }

  FakeDialogs dialogs;
  RecordingDesktop desktop;
  std::unique_ptr<SettingsWorld> settings;
};

TEST_F(SettingsSheetTest, TheCardsFollowTheHeaderInOrder) {
  SettingsView* view = open();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->header().titleLabel().get_text(), "客户端设置");
  EXPECT_EQ(view->header().subtitleLabel().get_text(), "衡石同舟·墨衡台 · Linux 客户端 v2.2.0");
  // The six places in the column, in order, nothing between them.
  Gtk::Widget* column = view->cards()[0]->get_parent();
  EXPECT_EQ(column->get_first_child(), view->cards()[0]);
  for (size_t i = 0; i + 1 < view->cards().size(); ++i) EXPECT_EQ(view->cards()[i]->get_next_sibling(), view->cards()[i + 1]);
  EXPECT_EQ(column->get_last_child(), view->cards().back());
  // The two cards of this sheet open with their headings.
  std::vector<std::string> headings;
  for (Gtk::Widget* card : {static_cast<Gtk::Widget*>(&view->storageCard()),
                            static_cast<Gtk::Widget*>(&view->maintenanceCard())})
    forEachWidget(*card, [&](Gtk::Widget& w) {
      if (auto* title = dynamic_cast<LawSectionTitle*>(&w)) headings.push_back(title->label().get_text());
    });
  EXPECT_EQ(headings, (std::vector<std::string>{"本机缓存与审计日志", "更新与高级维护"}));
}

TEST_F(SettingsSheetTest, TheLocalPlacesOpenInTheFileManagerAndTheAuditLogIsMadeOnce) {
  SettingsView* view = open();
  ASSERT_NE(view, nullptr);
  auto* storage = &view->storageCard();
  auto path = [](const std::string& uri) {
    GCharPtr file(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
    return file ? fs::path(file.get()) : fs::path();
  };

  // No mirror folder yet: nothing opens, and the card says why.
  press(findButton(*storage, "打开镜像目录"));
  EXPECT_TRUE(desktop.opened.empty());
  EXPECT_TRUE(storage->openFailure().get_visible());
  fs::create_directories(mirror());
  press(findButton(*storage, "打开镜像目录"));
  EXPECT_FALSE(storage->openFailure().get_visible());
  press(findButton(*storage, "打开下载目录"));
  ASSERT_EQ(desktop.opened.size(), 2u);
  EXPECT_EQ(path(desktop.opened[0]), mirror());
  EXPECT_EQ(path(desktop.opened[1]), AppConfig::downloadDir());

  // A fresh installation has no audit file: an empty one is made and shown selected;
  // the next time the file is shown as it is.
  const fs::path audit = settings->world.audit.file();
  fs::remove(audit);
  press(findButton(*storage, "打开上传审计日志"));
  ASSERT_EQ(desktop.revealed, std::vector<fs::path>{audit});
  ASSERT_TRUE(fs::exists(audit));
  EXPECT_EQ(fs::file_size(audit), 0u);
  std::ofstream(audit) << "{\"action\":\"upload\"}\n";
  press(findButton(*storage, "打开上传审计日志"));
  EXPECT_EQ(desktop.revealed.size(), 2u);
  EXPECT_EQ(fs::file_size(audit), 20u);
}

// A folder button that opens nothing says so in the sheet, in Chinese, with the path
// selectable for copying, and logs it; an open that works again takes the words away.
TEST_F(SettingsSheetTest, AnOpenThatFailsIsSaidInTheSheetWithThePathToCopy) {
  std::vector<std::string> logs;
  setLogSink([&](const std::string& line) { logs.push_back(line); });
  SettingsView* view = open();
  ASSERT_NE(view, nullptr);
  StorageCard& storage = view->storageCard();

  // The mirror folder is gone.
  press(findButton(storage, "打开镜像目录"));
  OpenFailureNote& note = storage.openFailure();
  ASSERT_TRUE(note.get_visible());
  EXPECT_EQ(note.message().get_text().raw(), "无法打开：这个文件夹不存在，可能已被移动或删除");
  EXPECT_EQ(note.path().get_text().raw(), mirror().string());
  EXPECT_TRUE(note.path().get_selectable());
  EXPECT_NE(std::find(logs.begin(), logs.end(), "[Quorvel][OPEN] 无法打开 " + mirror().string() + "：文件夹不存在"),
            logs.end());

  // The desktop has no program for folders.
  desktop.failing = "系统里没有可以打开它的程序（没有设置默认的文件管理器或应用）";
  press(findButton(storage, "打开下载目录"));
  EXPECT_EQ(note.message().get_text().raw(), "无法打开：" + *desktop.failing);
  EXPECT_EQ(note.path().get_text().raw(), AppConfig::downloadDir().string());

  MaintenanceCard& maintenance = view->maintenanceCard();
  press(&maintenance.foldButton());
  ASSERT_TRUE(waitUntil([&] { return findButton(maintenance, "打开数据目录")->get_mapped(); }, 3000));
  press(findButton(maintenance, "打开数据目录"));
  ASSERT_TRUE(maintenance.openFailure().get_visible());
  EXPECT_EQ(maintenance.openFailure().path().get_text().raw(), AppConfig::dataDir().string());
  EXPECT_TRUE(maintenance.openFailure().get_mapped());

  // The inbox folder of the system-integration card.
  SystemIntegrationCard& integration = view->integrationCard();
  settings->integration.desktop.failing = desktop.failing;
  press(findButton(integration, "打开"));
  ASSERT_TRUE(integration.inboxOpenFailure().get_visible());
  EXPECT_EQ(integration.inboxOpenFailure().message().get_text().raw(), "无法打开：" + *desktop.failing);

  desktop.failing.reset();
  press(findButton(storage, "打开下载目录"));
  EXPECT_FALSE(note.get_visible());

  // Nothing connected: the volume's "打开目录" asks its alert over the settings window.
  Gtk::Button* volumeOpen = findButton(view->volumeCard(), "打开目录");
  press(volumeOpen);
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_EQ(dialogs.shown.back().title, "还没有连接卷宗盘");
  EXPECT_EQ(dialogs.shown.back().owner.handle, volumeOpen->gobj());
  setLogSink({});
}

// While system search is off, "重建索引" cannot be pressed and the reason stands beside
// it; turning search on makes it available and takes the reason away.
TEST_F(SettingsSheetTest, ReindexIsUnavailableWithItsReasonWhileSystemSearchIsOff) {
  SettingsView* view = open();
  ASSERT_NE(view, nullptr);
  SystemIntegrationCard& card = view->integrationCard();
  auto& search = settings->integration.spotlight;
  search.setEnabled(false);
  drainMainLoop();
  EXPECT_FALSE(card.reindexButton().get_sensitive());
  EXPECT_TRUE(card.reindexOffNote().get_visible());
  EXPECT_EQ(card.reindexOffNote().get_text(), "系统搜索已关闭：打开右侧开关后才能重建索引");
  EXPECT_EQ(std::string(card.reindexButton().get_tooltip_text()), card.reindexOffNote().get_text().raw());

  card.searchSwitch().set_active(true);
  drainMainLoop();
  EXPECT_TRUE(search.enabled.get());
  EXPECT_TRUE(card.reindexButton().get_sensitive());
  EXPECT_FALSE(card.reindexOffNote().get_visible());
}

TEST_F(SettingsSheetTest, ClearingOldVersionsAsksThenEmptiesTheBackupsAndTheTileSaysSo) {
  write("合同A/起诉状.pdf", 2000);
  write("_旧版本/起诉状.pdf", 1500);
  write("_旧版本/证据/照片.jpg", 500);
  SettingsView* view = open();
  ASSERT_NE(view, nullptr);
  StorageCard& storage = view->storageCard();
  EXPECT_EQ(tile(*view, 0), "2 KB");
  EXPECT_EQ(tile(*view, 0, true), "1 个文件");
  EXPECT_EQ(tile(*view, 1), "2 KB");
  EXPECT_EQ(tile(*view, 1, true), "2 个备份");
  ASSERT_TRUE(storage.clearOldButton().get_visible());

  // "取消": nothing goes, and the figures are counted again unchanged.
  dialogs.answer = 1;
  int counts = 0;
  ScopedConnection watch = storage.stats().stats.changed().connect([&] { ++counts; });
  press(&storage.clearOldButton());
  ASSERT_TRUE(waitUntil([&] { return counts == 1; }, 5000));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "清空所有旧版本？");
  EXPECT_EQ(dialogs.shown[0].buttons, (std::vector<std::string>{"清空", "取消"}));
  EXPECT_TRUE(fs::exists(mirror() / "_旧版本/证据/照片.jpg"));
  EXPECT_EQ(tile(*view, 1, true), "2 个备份");
  EXPECT_TRUE(storage.clearOldButton().get_visible());

  // "清空": the folder goes, the tile reads no backups and the button disappears.
  dialogs.answer = 0;
  press(&storage.clearOldButton());
  ASSERT_TRUE(waitUntil([&] { return counts == 2; }, 5000));
  EXPECT_EQ(dialogs.shown.size(), 2u);
  EXPECT_FALSE(fs::exists(mirror() / MirrorRules::kOldVersions));
  EXPECT_TRUE(fs::exists(mirror() / "合同A/起诉状.pdf"));
  EXPECT_EQ(tile(*view, 1), "0 字节");
  EXPECT_EQ(tile(*view, 1, true), "0 个备份");
  EXPECT_EQ(tile(*view, 0, true), "1 个文件");
  EXPECT_FALSE(storage.clearOldButton().get_visible());
  std::ifstream audit(settings->world.audit.file());
  std::string log((std::istreambuf_iterator<char>(audit)), {});
  EXPECT_NE(log.find("clear-old-versions"), std::string::npos);
}

// The answer comes after the card is gone: the confirmed clear still empties the
// backups, and nothing reaches the freed card.
TEST_F(SettingsSheetTest, AClearConfirmedAfterTheCardIsGoneStillEmptiesTheBackups) {
  write("_旧版本/起诉状.pdf", 1500);
  SettingsServices s = settings->services();
  auto card = std::make_unique<StorageCard>(StorageCard::Services{s.defaults, s.workers, s.desktop, s.mirror, s.audit});
  card->refresh();
  ASSERT_TRUE(waitUntil([&] { return card->clearOldButton().get_visible(); }, 5000));
  dialogs.answer = 0;
  // Clicked without a turn of the main loop: the answer is still queued when the card goes.
  g_signal_emit_by_name(card->clearOldButton().gobj(), "clicked");
  card.reset();
  EXPECT_TRUE(waitUntil([&] { return !fs::exists(mirror() / MirrorRules::kOldVersions); }, 5000));
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(SettingsSheetTest, ClearingTheSignInStateClosesTheSheetOnlyWhenConfirmed) {
  SettingsView* view = open();
  ASSERT_NE(view, nullptr);
  MaintenanceCard& maintenance = view->maintenanceCard();
  EXPECT_FALSE(maintenance.unfolded());
  press(&maintenance.foldButton());
  EXPECT_TRUE(maintenance.unfolded());
  EXPECT_TRUE(maintenance.chevron().has_css_class("law-unfolded"));
  EXPECT_EQ(maintenance.versionLine().get_text(), "版本 2.2.0 · 活跃标签 1/1");
  ASSERT_TRUE(waitUntil([&] { return maintenance.clearSignInButton().get_mapped(); }, 3000));

  dialogs.answer = 1;
  press(&maintenance.clearSignInButton());
  runMainLoopUntil([&] { return false; }, 300);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "清除网页缓存与登录态？");
  // Asked over the settings window, whose button it is.
  EXPECT_EQ(dialogs.shown[0].owner.handle, maintenance.clearSignInButton().gobj());
  EXPECT_TRUE(viewState->showSettings.get());

  dialogs.answer = 0;
  press(&maintenance.clearSignInButton());
  EXPECT_TRUE(waitUntil([&] { return !viewState->showSettings.get(); }, 3000));
  EXPECT_EQ(model->activeTab()->currentPath.get(), "/login");
}

TEST_F(SettingsSheetTest, EscapeAndDoneCloseTheSheetAndShowingItAgainCountsAgain) {
  if (!haveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
  SettingsView* view = open();
  ASSERT_NE(view, nullptr);
  auto* w = dynamic_cast<Gtk::Window*>(view->get_root());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(tile(*view, 0, true), "0 个文件");
  const unsigned shownControllers = controllerCount(*w);

  focus(*w);
  pressEscape();
  EXPECT_TRUE(waitUntil([&] { return !viewState->showSettings.get() && !w->get_visible(); }, 3000));
  EXPECT_EQ(controllerCount(*w), shownControllers - 1);

  // A file arrived while the sheet was hidden: shown again, it is counted.
  write("合同B/答辩状.docx", 10);
  ASSERT_EQ(open(), view);
  EXPECT_TRUE(waitUntil([&] { return tile(*view, 0, true) == "1 个文件"; }, 5000));
  press(&view->doneButton());
  EXPECT_TRUE(waitUntil([&] { return !viewState->showSettings.get() && !w->get_visible(); }, 3000));
}

}  // namespace
}  // namespace quorvel::test
