// The settings window's calendar card over the calendar sync it is given: the switch
// drives the sync (and falls back when access is refused), the store and status lines
// and "立即同步" follow the sync's published state, and a change made elsewhere only
// moves the switch.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "CalendarSyncParts.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "WidgetFind.h"
#include "fakes/FakeCalendarStore.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "ui/settings/CalendarSyncSection.h"

namespace quorvel::test {
namespace {

bool hasLabel(Gtk::Widget& root, const std::string& text) {
  bool found = false;
  forEachWidget(root, [&](Gtk::Widget& w) {
    auto* l = dynamic_cast<Gtk::Label*>(&w);
    if (l && l->get_visible() && l->get_text().raw() == text) found = true;
  });
  return found;
}

bool hasLabelStartingWith(Gtk::Widget& root, const std::string& prefix) {
  bool found = false;
  forEachWidget(root, [&](Gtk::Widget& w) {
    auto* l = dynamic_cast<Gtk::Label*>(&w);
    if (l && l->get_visible() && l->get_text().raw().rfind(prefix, 0) == 0) found = true;
  });
  return found;
}

// The button that shows `text` somewhere inside it.
Gtk::Button* buttonShowing(Gtk::Widget& root, const std::string& text) {
  Gtk::Button* found = nullptr;
  forEachWidget(root, [&](Gtk::Widget& w) {
    auto* b = dynamic_cast<Gtk::Button*>(&w);
    if (!found && b && (b->get_label().raw() == text || hasLabel(*b, text))) found = b;
  });
  return found;
}

TEST(CalendarSyncSection, TheSwitchDrivesTheSyncAndTheLinesFollowIt) {
  TempHome home;
  UserDefaults defaults{home.configHome() / "Quorvel" / "card-defaults.json"};
  FakePages pages{home.defaults()};
  auto model = freshFakeModel(pages);
  CalendarSyncParts calendar(defaults, *model);
  CalendarSyncSection card(calendar.sync);
  Gtk::Button* now = buttonShowing(card, "立即同步");
  ASSERT_NE(now, nullptr);
  EXPECT_FALSE(card.enabledSwitch().get_active());
  EXPECT_TRUE(hasLabel(card, "写入本机日历（GNOME 日历、Evolution 等可见）"));
  EXPECT_TRUE(hasLabel(card, CalendarSyncState::initialStatus(false)));
  EXPECT_FALSE(now->get_sensitive());

  auto store = std::make_unique<FakeCalendarStore>();
  auto* fake = store.get();
  calendar.slot.setStore(std::move(store));
  EXPECT_TRUE(hasLabel(card, "日历存储：内存日历（测试）"));

  // Access refused: the switch goes back off, stored so, and the line says why.
  fake->grantAccess = false;
  card.enabledSwitch().set_active(true);
  ASSERT_TRUE(waitUntil([&] { return !card.enabledSwitch().get_active(); }, 5000));
  EXPECT_FALSE(CalendarSyncConfig::load(defaults).enabled);
  EXPECT_TRUE(hasLabelStartingWith(card, "未获得日历/提醒事项权限"));


  // Access granted: on and stored, a forced run (no feed here: it pauses), then the
  // button is usable.
  fake->grantAccess = true;
  card.enabledSwitch().set_active(true);
  ASSERT_TRUE(waitUntil([&] { return hasLabelStartingWith(card, "同步暂停："); }, 10000));
  ASSERT_TRUE(waitUntil([&] { return !calendar.sync.isSyncing.get(); }, 5000));
  EXPECT_TRUE(card.enabledSwitch().get_active());
  EXPECT_TRUE(CalendarSyncConfig::load(defaults).enabled);
  EXPECT_TRUE(now->get_sensitive());

  // Switched off elsewhere: the switch follows without switching the sync again.
  auto c = calendar.sync.config.get();
  c.enabled = false;
  calendar.sync.updateConfig(c);
  EXPECT_FALSE(card.enabledSwitch().get_active());
  EXPECT_FALSE(now->get_sensitive());
  EXPECT_TRUE(hasLabelStartingWith(card, "同步暂停："));
  EXPECT_FALSE(hasLabel(card, "已暂停自动同步（已写入的日历事件仍保留）"));
}

}  // namespace
}  // namespace quorvel::test
