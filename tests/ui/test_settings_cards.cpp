// The settings sheet's account, appearance and volume cards: what each button and
// switch stores, and what the cards show afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "VolumeServices.h"
#include "base/Log.h"
#include "core/AppConfig.h"
#include "features/workspace/SpotlightIndexer.h"
#include "features/workspace/SpotlightItems.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeWebPage.h"
#include "platform/Autostart.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/components/WidgetRender.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/settings/AccountCard.h"
#include "ui/settings/AppearanceCard.h"
#include "ui/settings/SettingsCardParts.h"
#include "ui/settings/VolumeMirrorCard.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

void click(Gtk::Button& b) { g_signal_emit_by_name(b.gobj(), "clicked"); }

std::string colorOf(Gtk::Label& label) {
  auto c = settingsLabelColor(label);
  return c ? c->hex() : "";
}

class SettingsCardsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No system-wide autostart entry of the machine running the test counts.
    ::setenv("XDG_CONFIG_DIRS", (home.root() / "etc-xdg").c_str(), 1);
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    model = freshFakeModel(pages);
    drainMainLoop();
  }
  void TearDown() override {
    setLogSink({});
    ::unsetenv("XDG_CONFIG_DIRS");
  }
  FakeWebPage& page() { return *pages.made.back(); }
  long logCount(const std::string& part) const {
    return std::count_if(logs.begin(), logs.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
  std::string stored() { return AppConfig::serverURL(home.defaults()); }

  TempHome home;
  FakeDialogs dialogs;
  VolumeServices world{home.defaults(), {.dialogs = &dialogs}};
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  WorkspaceViewState view{home.defaults()};
  std::vector<std::string> logs;
};

TEST_F(SettingsCardsTest, AccountLinesFollowTheBadgesAndSwitchClosesTheSheetBeforeAsking) {
  int closed = 0;
  AccountCard card({*model, home.defaults(), dialogs, world.volume}, [&] { ++closed; });
  EXPECT_EQ(card.avatarLabel().get_text(), "?");
  EXPECT_EQ(card.nameLabel().get_text(), "当前未登录");
  EXPECT_EQ(card.detailLabel().get_text(), "登录后自动同步待办、菜单与卷宗权限");

  BadgeCounts badges;
  badges.loaded = true;
  badges.user = "王律师";
  badges.role = "team_leader";
  badges.firm = "衡石律师事务所";
  model->account().publishBadges(badges);
  ASSERT_TRUE(waitUntil([&] { return card.nameLabel().get_text() == "王律师"; }, 2000));
  EXPECT_EQ(card.avatarLabel().get_text(), "王");
  EXPECT_EQ(card.detailLabel().get_text(), "衡石律师事务所 · 组长");

  click(card.switchButton());
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(dialogs.shown.empty()) << "the question came before the sheet had gone";
  ASSERT_TRUE(waitUntil([&] { return !dialogs.shown.empty(); }, 2000));
  EXPECT_EQ(dialogs.shown[0].title, "切换账号？");
}

TEST_F(SettingsCardsTest, OnlyAUsableAddressIsStoredAndEachStoreReloadsTheDashboard) {
  AccountCard card({*model, home.defaults(), dialogs, world.volume}, [] {});
  EXPECT_EQ(card.serverField().get_text(), "https://example.com");
  EXPECT_TRUE(card.resetButton().get_visible());
  EXPECT_FALSE(card.hintLabel().get_visible());
  const size_t loadsBefore = page().loads.size();

  for (const char* garbage : {"not an address", "file:///etc/passwd", "javascript:alert(1)"}) {
    card.serverField().set_text(garbage);
    click(card.saveButton());
    EXPECT_EQ(stored(), "https://example.com") << garbage;
    EXPECT_EQ(home.defaults().string(AppConfig::kServerURLKey), "https://example.com") << garbage;
    EXPECT_TRUE(card.hintLabel().get_visible());
    EXPECT_EQ(card.hintLabel().get_text(), "地址无效，未保存");
    EXPECT_EQ(colorOf(card.hintLabel()), LawTheme::danger.hex());
    EXPECT_EQ(card.serverField().get_text(), garbage) << "the typed text stays to be corrected";
  }
  EXPECT_EQ(page().loads.size(), loadsBefore) << "a refused address reloaded the page";
  EXPECT_EQ(logCount("[Quorvel][SET] 服务器地址无效，未保存"), 3);

  // Return in the field stores nothing.
  card.serverField().set_text("https://law.example.com");
  g_signal_emit_by_name(card.serverField().gobj(), "activate");
  EXPECT_EQ(stored(), "https://example.com");

  // Each address below is another service's: the question is answered "更换并清除".
  dialogs.answer = 0;
  card.serverField().set_text("  https://law.example.com/ \n");
  click(card.saveButton());
  drainMainLoop();
  EXPECT_EQ(stored(), "https://law.example.com");
  EXPECT_EQ(card.serverField().get_text(), "https://law.example.com");
  EXPECT_EQ(card.hintLabel().get_text(), "已保存");
  EXPECT_EQ(colorOf(card.hintLabel()), LawTheme::success.hex());
  ASSERT_FALSE(page().loads.empty());
  EXPECT_EQ(page().loads.back(), "https://law.example.com/dashboard");

  click(card.resetButton());
  drainMainLoop();
  EXPECT_EQ(stored(), AppConfig::kDefaultServerURL);
  EXPECT_EQ(card.serverField().get_text(), AppConfig::kDefaultServerURL);
  EXPECT_FALSE(card.resetButton().get_visible());
  EXPECT_EQ(card.hintLabel().get_text(), "已恢复默认地址");
  EXPECT_EQ(page().loads.back(), std::string(AppConfig::kDefaultServerURL) + "/dashboard");

  // Blank saves the default; the default typed by hand hides "恢复默认" before saving.
  card.serverField().set_text("http://127.0.0.1:40809");
  EXPECT_TRUE(card.resetButton().get_visible());
  click(card.saveButton());
  drainMainLoop();
  EXPECT_EQ(stored(), "http://127.0.0.1:40809");
  EXPECT_EQ(colorOf(card.hintLabel()), LawTheme::warning.hex()) << "plain http is stored with a warning";
  card.serverField().set_text("   ");
  click(card.saveButton());
  drainMainLoop();
  EXPECT_EQ(stored(), AppConfig::kDefaultServerURL);
  EXPECT_EQ(card.serverField().get_text(), AppConfig::kDefaultServerURL);
  EXPECT_FALSE(card.resetButton().get_visible());

  // Stored elsewhere (another window, the command line): the next appearance shows it.
  AppConfig::setServerURL(home.defaults(), "https://other.example.com");
  card.refresh();
  EXPECT_EQ(card.serverField().get_text(), "https://other.example.com");
}

TEST_F(SettingsCardsTest, AnotherServersAddressIsStoredOnlyAfterTheQuestionAndLeavesNothingOfTheOldOne) {
  auto index = std::make_shared<SearchIndexStore>(home.dataHome() / "Quorvel" / "switch.db");
  const SearchItem oldClient{"quorvel://client/21", spotlight::kDomain, "客户 · 华盛精工", "", {}};
  ASSERT_FALSE(runToEnd(index->indexItems({oldClient}))->exception);
  SpotlightIndexer spotlight(index, home.defaults(), pages.clock);
  AccountCard card({*model, home.defaults(), dialogs, world.volume, &spotlight}, [] {});
  model->account().rememberProceeding(88, "张三诉李四合同纠纷");
  model->account().cacheNodes(R"({"ok":true,"contracts":[],"clients":[]})");
  model->newTab("/proceedings/88", "张三诉李四");
  ASSERT_EQ(model->tabs()->size(), 2u);
  auto indexed = [&] { return *runToEnd(index->count())->value; };

  // Cancelled: nothing is stored and nothing of the old server goes.
  dialogs.answer = 1;
  card.serverField().set_text("https://other-firm.example.org");
  click(card.saveButton());
  drainMainLoop();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "更换服务器？");
  for (const char* part : {"https://other-firm.example.org", "最近卷宗", "系统搜索索引", "目录缓存", "标签页"})
    EXPECT_NE(dialogs.shown[0].text.find(part), std::string::npos) << part;
  EXPECT_EQ(dialogs.shown[0].buttons, (std::vector<std::string>{"更换并清除", "取消"}));
  EXPECT_EQ(stored(), "https://example.com");
  EXPECT_EQ(card.hintLabel().get_text(), "未更换服务器，地址未保存");
  EXPECT_EQ(model->account().recents->size(), 1u);
  EXPECT_TRUE(model->account().cachedNodes());
  EXPECT_EQ(model->tabs()->size(), 2u);
  EXPECT_EQ(indexed(), 1u);

  // Confirmed: the recents, the node cache, the index and the old tabs go.
  dialogs.answer = 0;
  click(card.saveButton());
  drainMainLoop();
  EXPECT_EQ(stored(), "https://other-firm.example.org");
  EXPECT_EQ(card.hintLabel().get_text(), "已保存");
  EXPECT_TRUE(model->account().recents->empty());
  EXPECT_TRUE(RecentStore::load(home.defaults()).empty());
  EXPECT_FALSE(model->account().cachedNodes());
  ASSERT_EQ(model->tabs()->size(), 1u);
  EXPECT_EQ(model->activeTab()->title.get(), "个人工作台");
  EXPECT_EQ(page().loads, std::vector<std::string>{"https://other-firm.example.org/dashboard"});
  auto session = *home.defaults().object("session.tabs.v1");
  ASSERT_EQ(session.size(), 1u);
  EXPECT_EQ(session[0]["url"], "https://other-firm.example.org/dashboard");
  EXPECT_TRUE(waitUntil([&] { return indexed() == 0; }, 3000)) << "the old firm's clients are still searchable";
  EXPECT_EQ(logCount("[Quorvel][SET] 已更换服务器为 https://other-firm.example.org"), 1);

  // The same server under another spelling or path asks nothing and keeps the tabs.
  model->newTab("/cases", "案件");
  const size_t asked = dialogs.shown.size();
  card.serverField().set_text("https://OTHER-firm.example.org/app/");
  click(card.saveButton());
  drainMainLoop();
  EXPECT_EQ(dialogs.shown.size(), asked) << "asked again for the same server";
  EXPECT_EQ(model->tabs()->size(), 2u);
  EXPECT_EQ(toLowerAscii(stored()), "https://other-firm.example.org/app");
}

TEST_F(SettingsCardsTest, ZoomChipsSetTheScaleBothStoredValuesAndLightOneChip) {
  AppearanceCard card({*model, home.defaults(), view});
  auto& chips = card.zoomChips();
  ASSERT_EQ(chips.size(), 3u);
  EXPECT_TRUE(chips[1]->active());
  click(*chips[2]);
  EXPECT_DOUBLE_EQ(view.fontScale.get(), 1.15);
  EXPECT_EQ(home.defaults().number("fontScale"), 1.15);
  EXPECT_EQ(home.defaults().number("webzoom"), 1.15);
  EXPECT_FALSE(chips[0]->active());
  EXPECT_FALSE(chips[1]->active());
  EXPECT_TRUE(chips[2]->active());
  // The menu's command changes the same scale; the chips follow.
  view.fontScale.set(0.92);
  EXPECT_TRUE(chips[0]->active());
  view.fontScale.set(1.05);
  for (auto* chip : chips) EXPECT_FALSE(chip->active());
}

TEST_F(SettingsCardsTest, StartAtLoginSwitchWritesAndRemovesTheAutostartEntry) {
  const fs::path entry = home.configHome() / "autostart" / Autostart::kEntryName;
  AppearanceCard card({*model, home.defaults(), view});
  EXPECT_FALSE(card.loginSwitch().get_active());
  EXPECT_EQ(card.loginStatusLabel().get_text(), "当前状态：未开启");

  card.loginSwitch().set_active(true);
  EXPECT_TRUE(fs::exists(entry));
  EXPECT_TRUE(card.loginSwitch().get_active());
  EXPECT_EQ(card.loginStatusLabel().get_text(), "当前状态：已开启");
  EXPECT_EQ(colorOf(card.loginStatusLabel()), LawTheme::textMuted.hex());

  card.loginSwitch().set_active(false);
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_FALSE(card.loginSwitch().get_active());
  EXPECT_EQ(card.loginStatusLabel().get_text(), "当前状态：未开启");
}

TEST_F(SettingsCardsTest, AFailedStartAtLoginStaysShownUntilTheUsersNextChangeSucceeds) {
  const fs::path folder = home.configHome() / "autostart";
  fs::remove_all(folder);
  fs::create_directories(folder.parent_path());
  std::ofstream(folder) << "";  // a file where the folder belongs: nothing can be written
  AppearanceCard card({*model, home.defaults(), view});
  Gtk::Window window;
  window.set_child(card);
  window.present();
  drainMainLoop();

  // As a click does it: the switch's own activation (animated) flips it.
  card.loginSwitch().activate();
  ASSERT_TRUE(waitUntil([&] { return !card.loginError().empty(); }, 3000));
  drainMainLoop();
  EXPECT_EQ(logCount("设置失败"), 1) << "the card's own update tried the login item again";
  EXPECT_FALSE(card.loginSwitch().get_active()) << "the switch ends in the real state";
  EXPECT_EQ(card.loginStatusLabel().get_text().raw(), "当前状态：未开启 · " + card.loginError());
  EXPECT_EQ(colorOf(card.loginStatusLabel()), LawTheme::danger.hex());
  const std::string error = card.loginError();

  // Showing the sheet again keeps the error and asks nothing of the login item.
  card.refresh();
  EXPECT_EQ(card.loginError(), error);
  EXPECT_EQ(colorOf(card.loginStatusLabel()), LawTheme::danger.hex());

  // Registered elsewhere meanwhile: the refresh moves the switch on without writing
  // the entry again (a write would name this test program instead).
  fs::remove(folder);
  fs::create_directories(folder);
  const std::string own = "[Desktop Entry]\nType=Application\nName=Q\nExec=/bin/true\n";
  std::ofstream(folder / Autostart::kEntryName) << own;
  card.refresh();
  EXPECT_TRUE(card.loginSwitch().get_active());
  EXPECT_EQ(readAll(folder / Autostart::kEntryName), own);
  EXPECT_EQ(card.loginStatusLabel().get_text().raw(), "当前状态：已开启 · " + error);

  card.loginSwitch().set_active(false);
  EXPECT_TRUE(card.loginError().empty());
  EXPECT_FALSE(fs::exists(folder / Autostart::kEntryName));
  EXPECT_EQ(card.loginStatusLabel().get_text(), "当前状态：未开启");
  EXPECT_EQ(colorOf(card.loginStatusLabel()), LawTheme::textMuted.hex());
}

TEST_F(SettingsCardsTest, CleanUpSwitchSavesMirrorConfigWithTheOtherFieldsUnchanged) {
  MirrorConfig custom{false, (home.root() / "镜像").string(), 45, true};
  custom.save(home.defaults());
  VolumeMirrorCard card({world.volume, home.defaults()});
  EXPECT_EQ(card.pruneTitle().get_text(), "自动清理过期「_旧版本」备份（保留 45 天）");
  EXPECT_TRUE(card.pruneSwitch().get_active());

  card.pruneSwitch().set_active(false);
  MirrorConfig off = custom;
  off.autoPruneOld = false;
  EXPECT_EQ(MirrorConfig::load(home.defaults()), off);
  card.pruneSwitch().set_active(true);
  EXPECT_EQ(MirrorConfig::load(home.defaults()), custom);

  // Changed elsewhere: the next appearance shows it, and showing it stores nothing.
  off.save(home.defaults());
  card.refresh();
  EXPECT_FALSE(card.pruneSwitch().get_active());
  EXPECT_EQ(MirrorConfig::load(home.defaults()), off);
}

TEST_F(SettingsCardsTest, DisconnectWithNothingMountedEndsAtOnceAndLogsTheMessage) {
  VolumeMirrorCard card({world.volume, home.defaults()});
  EXPECT_FALSE(card.dotShowsMounted());
  EXPECT_TRUE(card.connectButton().get_visible());
  EXPECT_FALSE(card.disconnectButton().get_visible());
  EXPECT_EQ(card.statusLabel().get_text().raw(), world.volume.statusText());

  click(card.disconnectButton());
  EXPECT_FALSE(card.busy());
  EXPECT_TRUE(card.disconnectButton().get_sensitive());
  EXPECT_EQ(card.disconnectButton().get_label(), "断开卷宗盘");
  EXPECT_NE(std::find(logs.begin(), logs.end(), "[Quorvel][SET] 本来就没挂载"), logs.end());
}

TEST_F(SettingsCardsTest, TheThreeCardsRenderTogether) {
  const char* png = std::getenv("SETTINGS_CARDS_PNG");
  if (!png) GTEST_SKIP() << "SETTINGS_CARDS_PNG names the file to write";
  BadgeCounts badges;
  badges.user = "王律师";
  badges.role = "lawyer";
  badges.firm = "衡石律师事务所";
  model->account().publishBadges(badges);
  drainMainLoop();
  Gtk::Box column(Gtk::Orientation::VERTICAL, 10);
  column.set_margin(14);
  auto* account = Gtk::make_managed<AccountCard>(AccountCard::Services{*model, home.defaults(), dialogs, world.volume},
                                                 [] {});
  account->serverField().set_text("garbage");
  click(account->saveButton());
  column.append(*account);
  column.append(*Gtk::make_managed<AppearanceCard>(AppearanceCard::Services{*model, home.defaults(), view}));
  column.append(*Gtk::make_managed<VolumeMirrorCard>(VolumeMirrorCard::Services{world.volume, home.defaults()}));
  column.set_size_request(660, -1);
  auto rendered = renderWidgetToPng(column, png);
  EXPECT_TRUE(rendered.ok()) << describe(rendered.error());
}

}  // namespace
}  // namespace quorvel::test
