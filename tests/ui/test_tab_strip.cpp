#include <gtest/gtest.h>
#include <gtkmm.h>

#include <memory>
#include <string>
#include <vector>

#include "ClipboardRead.h"
#include "TestEnv.h"
#include "ui/model/WorkspaceViewState.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "core/MenuCommands.h"
#include "ui/main/ContentView.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/main/MainWindow.h"
#include "ui/main/PrimaryMenu.h"
#include "ui/main/TabKeys.h"
#include "ui/main/TabStrip.h"
#include "ui/main/WorkspaceTopBar.h"

using namespace quorvel;
using namespace quorvel::test;
using TabStripRules::ChipGlyph;
using TabStripRules::ChipMenuAction;

namespace {

// A click as the button reports it (activate() waits for a realized button).
void click(Gtk::Button& b) { g_signal_emit_by_name(b.gobj(), "clicked"); }

class TabStripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home.defaults().set("serverURL", "https://example.com");
    model = pages.model();
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    setLogSink({});
    drainMainLoop();
  }
  // Chips in strip order, as the tab ids they show.
  std::vector<std::string> chipIDs(const TabStrip& s) {
    std::vector<std::string> ids;
    for (auto& c : s.chips()) ids.push_back(c->tab()->id());
    return ids;
  }
  std::vector<std::string> modelIDs() {
    std::vector<std::string> ids;
    for (auto& t : model->tabs().get()) ids.push_back(t->id());
    return ids;
  }
  // The chips' order in the row itself, before the new-tab button.
  std::vector<Gtk::Widget*> rowOrder(TabStrip& s) {
    std::vector<Gtk::Widget*> out;
    auto* row = s.chips().empty() ? nullptr : s.chips().front()->get_parent();
    for (auto* w = row ? row->get_first_child() : nullptr; w; w = w->get_next_sibling()) out.push_back(w);
    return out;
  }
  void addTabs(int n) {
    for (int i = 0; i < n; ++i) model->newTab("/t" + std::to_string(i), "T" + std::to_string(i));
  }

  TempHome home;
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(home.defaults());
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(TabStripTest, NewAndCloseChangeOnlyTheirChips) {
  TabStrip strip(model);
  ASSERT_EQ(strip.chips().size(), 1u);
  TabChip* first = strip.chips()[0].get();
  EXPECT_TRUE(first->isActive());

  click(strip.newTabButton());
  click(strip.newTabButton());
  ASSERT_EQ(model->tabs()->size(), 3u);
  EXPECT_EQ(model->tabs().get()[2]->currentPath.get(), "/dashboard");
  EXPECT_EQ(model->tabs().get()[2]->title.get(), "个人工作台");
  EXPECT_EQ(chipIDs(strip), modelIDs());
  EXPECT_EQ(strip.chips()[0].get(), first);
  EXPECT_FALSE(first->isActive());
  EXPECT_TRUE(strip.chips()[2]->isActive());
  TabChip* last = strip.chips()[2].get();

  // The close button of the middle chip closes its tab; the others stay as they were.
  click(strip.chips()[1]->closeButton());
  ASSERT_EQ(model->tabs()->size(), 2u);
  EXPECT_EQ(chipIDs(strip), modelIDs());
  EXPECT_EQ(strip.chips()[0].get(), first);
  EXPECT_EQ(strip.chips()[1].get(), last);
  EXPECT_EQ(rowOrder(strip).size(), 3u);  // two chips and the new-tab button

  // Closing the active tab moves the active mark with the model.
  click(last->closeButton());
  EXPECT_TRUE(first->isActive());
}

TEST_F(TabStripTest, MenuClosesOthersAndToTheRight) {
  addTabs(4);  // dashboard, T0 … T3
  TabStrip strip(model);
  TabChip* t1 = strip.chipFor(model->tabs().get()[2]->id());
  TabChip* dash = strip.chips()[0].get();

  // Active tab: five entries without hibernating; any other: six.
  auto count = [](const Glib::RefPtr<Gio::Menu>& m) {
    int n = 0;
    for (int s = 0; s < m->get_n_items(); ++s) n += m->get_item_link(s, Gio::MenuModel::Link::SECTION)->get_n_items();
    return n;
  };
  EXPECT_EQ(count(strip.chips().back()->buildMenu()), 4);
  EXPECT_EQ(count(t1->buildMenu()), 5);

  t1->activate_action("chip.close-right");  // through the chip's own action, as the menu does
  ASSERT_EQ(model->tabs()->size(), 3u);
  EXPECT_EQ(chipIDs(strip), modelIDs());
  EXPECT_EQ(strip.chips()[2].get(), t1);
  EXPECT_TRUE(t1->isActive());  // the active tab was to its right

  t1->runMenuAction(ChipMenuAction::closeOthers);
  ASSERT_EQ(strip.chips().size(), 1u);
  EXPECT_EQ(strip.chips()[0].get(), t1);

  t1->runMenuAction(ChipMenuAction::close);
  EXPECT_TRUE(model->tabs()->empty());
  EXPECT_TRUE(strip.chips().empty());
  (void)dash;
}

TEST_F(TabStripTest, DropMovesTheDraggedTabBeforeTheTarget) {
  addTabs(3);  // dashboard, T0, T1, T2
  TabStrip strip(model);
  std::vector<TabChip*> before;
  for (auto& c : strip.chips()) before.push_back(c.get());
  TabChip* dragged = before[0];
  TabChip* target = before[3];

  EXPECT_TRUE(target->handleDrop({dragged->dragPayload()}));
  EXPECT_EQ(model->tabs().get()[2]->id(), dragged->tab()->id());
  EXPECT_EQ(chipIDs(strip), modelIDs());
  EXPECT_EQ((std::vector<TabChip*>{before[1], before[2], before[0], before[3]}),
            (std::vector<TabChip*>{strip.chips()[0].get(), strip.chips()[1].get(), strip.chips()[2].get(),
                                   strip.chips()[3].get()}));
  auto row = rowOrder(strip);
  ASSERT_EQ(row.size(), 5u);
  EXPECT_EQ(row[2], before[0]);
  EXPECT_EQ(row[4], &strip.newTabButton());

  // Text that is no tab id, or nothing at all, is refused and changes nothing.
  auto order = modelIDs();
  EXPECT_FALSE(target->handleDrop({"https://example.com/cases"}));
  EXPECT_FALSE(target->handleDrop({}));
  EXPECT_EQ(modelIDs(), order);
}

TEST_F(TabStripTest, CopyLinkPutsTheTabsAddressOnTheClipboard) {
  addTabs(2);
  TabStrip strip(model);
  TabChip* live = strip.chips()[1].get();
  fakeOf(live->tab())->url = "https://example.com/t0?x=1";
  live->runMenuAction(ChipMenuAction::copyLink);
  EXPECT_EQ(readClipboardText(), "https://example.com/t0?x=1");

  // A hibernated tab gives its kept address.
  TabChip* sleeping = strip.chips()[0].get();
  model->hibernate(sleeping->tab());
  sleeping->runMenuAction(ChipMenuAction::copyLink);
  EXPECT_EQ(readClipboardText(), "https://example.com/dashboard");

  // A tab with no address at all leaves the clipboard as it was.
  model->newTab("/x", "X");
  TabChip* fresh = strip.chips().back().get();
  fakeOf(fresh->tab())->url.reset();
  fresh->runMenuAction(ChipMenuAction::copyLink);
  EXPECT_EQ(readClipboardText(), "https://example.com/dashboard");
}

TEST_F(TabStripTest, HibernateFromTheMenuShowsTheMoonOnTheSameChip) {
  addTabs(2);
  TabStrip strip(model);
  TabChip* chip = strip.chips()[1].get();
  EXPECT_EQ(chip->glyph(), ChipGlyph::pathIcon);
  logs.clear();
  chip->activate_action("chip.hibernate");
  EXPECT_EQ(chip->tab()->webView(), nullptr);
  EXPECT_EQ(strip.chips()[1].get(), chip);
  EXPECT_EQ(chip->glyph(), ChipGlyph::moon);
  EXPECT_EQ(countContaining(logs, "[Quorvel][HIBERNATE] 休眠「T0」已释放，剩 2 个活跃"), 1);
  // Again on the sleeping tab: nothing, not even a line.
  chip->runMenuAction(ChipMenuAction::hibernate);
  EXPECT_EQ(countContaining(logs, "HIBERNATE"), 1);
  // Waking it through a click brings the page icon back.
  chip->signalSelect().emit();
  EXPECT_NE(chip->tab()->webView(), nullptr);
  EXPECT_EQ(chip->glyph(), ChipGlyph::pathIcon);
  EXPECT_TRUE(chip->isActive());
}

TEST_F(TabStripTest, ChipFollowsItsTabsFields) {
  TabStrip strip(model);
  TabChip* chip = strip.chips()[0].get();
  auto tab = chip->tab();
  tab->loadStarted();
  EXPECT_EQ(chip->glyph(), ChipGlyph::spinner);
  tab->loadStopped();
  tab->showPath("/proceeding/88");
  EXPECT_EQ(chip->pathIcon().kind(), LawIconKind::clock);
  tab->showTitle("");
  EXPECT_EQ(chip->titleLabel().get_text(), "新标签");
  fakeOf(tab)->url.reset();
  EXPECT_EQ(chip->tooltipText(), "");
  fakeOf(tab)->url = "https://example.com/proceeding/88";
  EXPECT_EQ(chip->tooltipText(), "https://example.com/proceeding/88");
  tab->showTitle("庭审笔录");
  EXPECT_EQ(chip->titleLabel().get_text(), "庭审笔录");
}

TEST_F(TabStripTest, BackForwardReloadFollowAndActOnTheActiveTab) {
  WorkspaceTopBar bar(model, viewState);
  auto* page = fakeOf(model->activeTab());
  EXPECT_TRUE(bar.backButton().disabled());
  EXPECT_TRUE(bar.forwardButton().disabled());
  EXPECT_FALSE(bar.reloadButton().disabled());

  page->back = true;
  model->syncActiveState();
  EXPECT_FALSE(bar.backButton().disabled());
  EXPECT_TRUE(bar.forwardButton().disabled());
  click(bar.backButton());
  click(bar.reloadButton());
  EXPECT_EQ(page->backCount, 1);
  EXPECT_EQ(page->reloadCount, 1);

  page->forward = true;
  model->syncActiveState();
  click(bar.forwardButton());
  EXPECT_EQ(page->forwardCount, 1);
  EXPECT_EQ(bar.backButton().tip(), "后退 Ctrl+[");
}

TEST_F(TabStripTest, ToolButtonsSetTheirFlagsOrSayTheyAreMissing) {
  WorkspaceTopBar bar(model, viewState);
  EXPECT_FALSE(bar.overduePill().get_visible());
  model->account().applyBadges(R"({"overdue": 12})");
  EXPECT_TRUE(waitUntil([&] { return bar.overduePill().get_visible(); }, 2000));
  EXPECT_EQ(bar.overduePill().get_text(), "12");

  // Nobody opens the palette window in this build: the flag is set and the user told.
  click(bar.searchButton());
  EXPECT_TRUE(viewState->showPalette.get());
  EXPECT_EQ(countContaining(logs, "全局搜索暂不可用"), 1);
  // Where the window is there, the flag alone opens it.
  int opened = 0;
  auto conn = viewState->showTodo.changed().connect([&] { opened += viewState->showTodo.get(); });
  click(bar.todoButton());
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(countContaining(logs, "待办与开庭预警暂不可用"), 0);
  conn.disconnect();

  click(bar.lockButton());
  drainMainLoop();
  EXPECT_EQ(countContaining(logs, "隐私锁屏暂不可用"), 1);

  // Wired entry points are called instead.
  bool shown = false;
  int locks = 0;
  TopBarTools tools;
  tools.desktopCalendarHasWindow = [&] { return true; };
  tools.desktopCalendarVisible = [&] { return shown; };
  tools.showDesktopCalendar = [&] { shown = true; };
  tools.hideDesktopCalendar = [&] { shown = false; };
  tools.volumeMounted = [] { return true; };
  tools.lockWorkspace = [&] { ++locks; };
  WorkspaceTopBar wired(model, viewState, tools);
  EXPECT_TRUE(wired.volumeDotMounted());
  EXPECT_FALSE(bar.volumeDotMounted());
  click(wired.calendarButton());
  EXPECT_TRUE(shown);
  EXPECT_TRUE(wired.calendarDotShown());
  click(wired.calendarButton());
  EXPECT_FALSE(shown);
  EXPECT_FALSE(wired.calendarDotShown());
  click(wired.lockButton());
  EXPECT_EQ(locks, 1);
}

TEST_F(TabStripTest, SidebarToggleAndEveryControlIsNamedAndDrawn) {
  WorkspaceTopBar bar(model, viewState);
  std::vector<bool> toggled;
  bar.signalSidebarToggled().connect([&](bool shown) { toggled.push_back(shown); });
  EXPECT_EQ(bar.sidebarButton().tip(), "隐藏侧栏");
  EXPECT_FALSE(bar.sidebarGapShown());
  click(bar.sidebarButton());
  EXPECT_EQ(toggled, std::vector<bool>{false});
  EXPECT_EQ(bar.sidebarButton().tip(), "显示侧栏");
  EXPECT_TRUE(bar.sidebarGapShown());

  std::vector<Gtk::Button*> controls = {&bar.sidebarButton(), &bar.backButton(), &bar.forwardButton(),
                                        &bar.reloadButton(), &bar.tabStrip().newTabButton(), &bar.searchButton(),
                                        &bar.todoButton(), &bar.calendarButton(), &bar.volumeButton(),
                                        &bar.quickArchiveButton(), &bar.recognitionButton(), &bar.lockButton(),
                                        &bar.tabStrip().chips()[0]->closeButton()};
  auto theme = Gtk::IconTheme::get_for_display(Gdk::Display::get_default());
  for (auto* b : controls) {
    EXPECT_FALSE(b->get_tooltip_text().empty());
    EXPECT_EQ(b->get_tooltip_text().raw().find("⌘"), std::string::npos) << b->get_tooltip_text();
    // No glyph is blank: a freedesktop icon must be in the theme.
    if (auto* image = dynamic_cast<Gtk::Image*>(b->get_child()))
      EXPECT_TRUE(theme->has_icon(image->get_icon_name())) << image->get_icon_name();
  }
  EXPECT_EQ(bar.lockButton().tip(), "隐私锁屏 Ctrl+Alt+L");
}

TEST_F(TabStripTest, TabKeysCloseAndSelectOnTheWindow) {
  addTabs(3);  // dashboard, T0, T1, T2; T2 active
  Gtk::Window window;
  auto keys = installTabKeys(window, model);
  auto press = [&](guint keyval, GdkModifierType state) {
    gboolean handled = FALSE;
    g_signal_emit_by_name(keys->gobj(), "key-pressed", keyval, 0u, state, &handled);
    return handled == TRUE;
  };
  EXPECT_TRUE(press(GDK_KEY_1, GDK_CONTROL_MASK));
  EXPECT_EQ(model->activeTab(), model->tabs().get()[0]);
  EXPECT_TRUE(press(GDK_KEY_9, GDK_CONTROL_MASK));  // beyond the last tab: taken, nothing changes
  EXPECT_EQ(model->activeTab(), model->tabs().get()[0]);
  EXPECT_TRUE(press(GDK_KEY_w, GDK_CONTROL_MASK));
  EXPECT_EQ(model->tabs()->size(), 3u);
  EXPECT_FALSE(press(GDK_KEY_W, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK)));
  EXPECT_FALSE(press(GDK_KEY_KP_1, GDK_CONTROL_MASK));
  EXPECT_FALSE(press(GDK_KEY_w, GdkModifierType(GDK_CONTROL_MASK | GDK_LOCK_MASK)));
  EXPECT_EQ(model->tabs()->size(), 3u);
}

namespace {
// A widget's rectangle in its window's coordinates.
graphene_rect_t boundsIn(Gtk::Widget& w, Gtk::Window& window) {
  graphene_rect_t r;
  if (!gtk_widget_compute_bounds(w.gobj(), GTK_WIDGET(window.gobj()), &r)) graphene_rect_init(&r, 0, 0, 0, 0);
  return r;
}
}  // namespace

// At the default window size, with the main menu and every tool button in the bar,
// many tabs shrink to their smallest and the strip scrolls; whichever tab is activated
// is scrolled fully into the strip's room, its close button clear of the search field,
// and the mouse wheel scrolls the strip sideways.
TEST_F(TabStripTest, AtTheDefaultSizeTheActiveTabIsAlwaysWhollyInView) {
  for (int i = 0; i < 11; ++i) model->newTab("/proceeding/" + std::to_string(100 + i), "（2026）京0105民初" + std::to_string(1200 + i) + "号");
  FloatingWindowManager toolWindows(home.defaults());
  MainWindow window(model, viewState, toolWindows, nullptr);
  ContentView& content = window.content();
  ASSERT_TRUE(content.topBar());
  WorkspaceTopBar& bar = *content.topBar();
  bar.menuSlot().append(*Gtk::make_managed<PrimaryMenu>(menuCommands()));
  window.present();
  // 1280 × 820 less the frame's shadow, as the client opens.
  ASSERT_TRUE(waitUntil([&] { return window.get_width() > 0; }, 5000));
  EXPECT_LE(window.get_width(), 1280);
  EXPECT_GE(window.get_width(), 1260);
  TabStrip& strip = bar.tabStrip();

  // Wholly inside the strip's room, and the search field starts after it.
  auto inView = [&](TabChip& chip) {
    const auto room = boundsIn(strip, window), close = boundsIn(chip.closeButton(), window),
               whole = boundsIn(chip, window), search = boundsIn(bar.searchButton(), window);
    return close.size.width > 0 && whole.origin.x >= room.origin.x - 0.5 &&
           whole.origin.x + whole.size.width <= room.origin.x + room.size.width + 0.5 &&
           close.origin.x + close.size.width <= search.origin.x;
  };
  auto activeChip = [&]() -> TabChip& { return *strip.chipFor(*model->activeID().get()); };
  for (int at : {11, 0, 6, 11, 1}) {
    SCOPED_TRACE(at);
    model->selectTab(at);
    EXPECT_TRUE(waitUntil([&] { return inView(activeChip()); }, 3000))
        << boundsIn(activeChip(), window).origin.x << " room " << boundsIn(strip, window).origin.x << "+"
        << boundsIn(strip, window).size.width;
  }

  // Each chip gave way to its smallest before the strip scrolled, none below it.
  int minimum = 0, natural = 0, baseline = 0;
  TabChip& first = *strip.chips()[0];
  first.measure(Gtk::Orientation::HORIZONTAL, -1, minimum, natural, baseline, baseline);
  EXPECT_LT(minimum, natural) << "a long title can give way";
  for (auto& chip : strip.chips()) EXPECT_EQ(boundsIn(*chip, window).size.width, minimum);
  auto adj = strip.get_hadjustment();
  EXPECT_GT(adj->get_upper(), adj->get_page_size()) << "the strip scrolls";
  EXPECT_GE(adj->get_page_size(), minimum) << "room for one chip at least";

  // The wheel turns the strip (the window stands at the screen's origin).
  const double before = adj->get_value();
  const auto room = boundsIn(strip, window);
  const std::string at = std::to_string(static_cast<int>(room.origin.x + room.size.width / 2)) + " " +
                         std::to_string(static_cast<int>(room.origin.y + room.size.height / 2));
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_EQ(std::system(("xdotool mousemove " + at + " click 5 click 5").c_str()), 0);
  EXPECT_TRUE(waitUntil([&] { return adj->get_value() > before; }, 3000)) << before;
}
