// The keyboard-shortcut sheet: Ctrl+/ in the running client shows its window and
// Escape hides it; in its tool window the sheet lists the 21 rows with Linux key caps,
// lays its cards out in two equal columns (the shorter card of a row centred, the key
// caps whole at the trailing edge, the body scrolling under a fixed header), takes
// Escape only while shown and only in its own window; "完成" runs only the close action.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cmath>
#include <csignal>
#include <functional>
#include <string>

#include "ChildProcess.h"
#include "DesktopProbes.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "ToolWindowsFixture.h"
#include "WidgetFind.h"
#include "WindowKeys.h"
#include "base/GObjectPtr.h"
#include "base/MainQueue.h"
#include "ui/model/ShortcutSheetRows.h"
#include "ui/palette/ShortcutsSheet.h"


namespace quorvel::test {
namespace {

constexpr const char* kSheetTitle = "键盘快捷键 · Ctrl+/";

graphene_rect_t boundsIn(Gtk::Widget& w, Gtk::Widget& target) {
  graphene_rect_t r;
  if (!gtk_widget_compute_bounds(w.gobj(), target.gobj(), &r)) graphene_rect_init(&r, 0, 0, 0, 0);
  return r;
}

class ShortcutsSheetTest : public ToolWindowsFixture {
 protected:
  void SetUp() override {
    if (!haveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    // The pointer rests where no window is: without a window manager the window under
    // it would take the focus back.
    ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
    registerShortcutsSheet(manager.contents());
    ToolWindowsFixture::SetUp();
  }
  // The flag up, as Ctrl+/ sets it; the window laid out and placed.
  Gtk::Window* open() {
    viewState->showShortcuts.set(true);
    Gtk::Window* w = shown("shortcuts");
    drainMainLoop();
    return w;
  }
};

TEST_F(ShortcutsSheetTest, TheWindowListsTheTwentyOneRowsInTwoColumnsWithWholeKeyCaps) {
  Gtk::Window* w = open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(std::string(w->get_title()), kSheetTitle);
  auto* sheet = dynamic_cast<ShortcutsSheet*>(w->get_child());
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->header().titleLabel().get_text(), "键盘快捷键");
  EXPECT_EQ(sheet->header().subtitleLabel().get_text(), "衡石同舟·墨衡台 Linux 效率速查");

  // The rows as drawn: each group's rows in order, description and Linux key cap.
  const auto& groups = shortcutSheetGroups();
  ASSERT_EQ(sheet->cards().size(), groups.size());
  ASSERT_EQ(sheet->rows().size(), groups.size());
  size_t shown = 0;
  for (size_t g = 0; g < groups.size(); ++g) {
    SCOPED_TRACE(groups[g].id);
    auto& card = *sheet->cards()[g];
    EXPECT_FALSE(shownLabelsStartingWith(card, groups[g].title).empty());
    ASSERT_EQ(sheet->rows()[g].size(), groups[g].rows.size());
    const double inset = 1 + card.padding();  // the card's border, then its padding
    const double cardRight = boundsIn(card, card).size.width - inset;
    for (size_t r = 0; r < groups[g].rows.size(); ++r) {
      const auto& [description, cap] = sheet->rows()[g][r];
      SCOPED_TRACE(groups[g].rows[r].keys);
      EXPECT_EQ(description->get_text().raw(), groups[g].rows[r].description);
      EXPECT_EQ(cap->get_text().raw(), shortcutKeyCapText(groups[g].rows[r]));
      if (description->get_mapped() && cap->get_mapped()) ++shown;
      // The description at the leading edge, the key cap whole at the trailing edge.
      auto d = boundsIn(*description, card);
      auto k = boundsIn(*cap, card);
      EXPECT_NEAR(d.origin.x, inset, 1.5);
      EXPECT_NEAR(k.origin.x + k.size.width, cardRight, 1.5);
      int minimum = 0, natural = 0, ignored = 0;
      cap->measure(Gtk::Orientation::HORIZONTAL, -1, minimum, natural, ignored, ignored);
      EXPECT_GE(k.size.width, natural - 1);
      EXPECT_GE(k.origin.x, d.origin.x + d.size.width + 8 + 4 + 8 - 1.5);
    }
  }
  EXPECT_EQ(shown, 21u);

  // Two equal columns across the window; "tools" is the taller card of the second
  // row and "files" beside it keeps its height, centred on it.
  auto& grid = *sheet->cards()[0]->get_parent();
  auto tabs = boundsIn(*sheet->cards()[0], grid), nav = boundsIn(*sheet->cards()[1], grid);
  auto tools = boundsIn(*sheet->cards()[2], grid), files = boundsIn(*sheet->cards()[3], grid);
  EXPECT_EQ(tabs.size.width, nav.size.width);
  EXPECT_EQ(tools.size.width, files.size.width);
  EXPECT_NEAR(tabs.size.width, (680 - 2 * 14 - 12) / 2.0, 1.5);
  EXPECT_NEAR(nav.origin.x - (tabs.origin.x + tabs.size.width), 12, 1.5);
  // Its rows are whole, so "files" may take a second line for one of them: then the
  // two cards are equally tall.
  EXPECT_GE(tools.size.height, files.size.height);
  EXPECT_NEAR(files.origin.y + files.size.height / 2, tools.origin.y + tools.size.height / 2, 1.5);
  EXPECT_GE(tools.origin.y, tabs.origin.y + tabs.size.height + 12 - 1.5);

  // A description too long for one line beside its key cap is shown whole on two.
  auto* longest = sheet->rows()[3][1].description;
  EXPECT_FALSE(longest->get_layout()->is_ellipsized());
  EXPECT_EQ(longest->get_layout()->get_line_count(), 2);

  // Taller than the space under the header: the body scrolls, the header stays.
  auto adjustment = sheet->body().get_vadjustment();
  ASSERT_GT(adjustment->get_upper(), adjustment->get_page_size());
  const double headerBottom = boundsIn(sheet->header(), *sheet).size.height;
  adjustment->set_value(adjustment->get_upper() - adjustment->get_page_size());
  // The tallest card of the last grid row ends the inset above the sheet's bottom.
  auto bottomOfLast = [&] {
    auto last = boundsIn(*sheet->cards()[2], *sheet);
    return last.origin.y + last.size.height;
  };
  EXPECT_TRUE(waitUntil([&] { return std::abs(bottomOfLast() - (sheet->get_height() - 14)) < 1.5; }, 3000))
      << bottomOfLast() << " of " << sheet->get_height();
  EXPECT_EQ(boundsIn(sheet->header(), *sheet).origin.y, 0);
  EXPECT_EQ(boundsIn(sheet->header(), *sheet).size.height, headerBottom);
}

// At the sheet's fixed size, with the fonts the client is installed with, no text of
// the sheet is cut off: each label is as wide and as tall as its laid-out text needs.
TEST_F(ShortcutsSheetTest, EveryLabelIsShownWholeAtTheSheetsSize) {
  Gtk::Window* w = open();
  ASSERT_NE(w, nullptr);
  auto* sheet = dynamic_cast<ShortcutsSheet*>(w->get_child());
  ASSERT_NE(sheet, nullptr);
  ASSERT_TRUE(waitUntil([&] { return sheet->get_width() == 680; }, 3000)) << sheet->get_width();
  int checked = 0;
  std::function<void(Gtk::Widget&)> visit = [&](Gtk::Widget& widget) {
    if (auto* label = dynamic_cast<Gtk::Label*>(&widget); label && label->get_mapped() && !label->get_text().empty()) {
      SCOPED_TRACE(label->get_text().raw());
      auto layout = label->get_layout();
      int width = 0, height = 0;
      layout->get_pixel_size(width, height);
      EXPECT_FALSE(layout->is_ellipsized());
      EXPECT_EQ(std::string(layout->get_text()), label->get_text().raw());
      EXPECT_GE(label->get_width() + 1, width);
      EXPECT_GE(label->get_height() + 1, height);
      ++checked;
    }
    for (Gtk::Widget* c = widget.get_first_child(); c; c = c->get_next_sibling()) visit(*c);
  };
  visit(*sheet);
  // 21 descriptions and key caps, four headings, the header's words and its button.
  EXPECT_GE(checked, 2 * 21 + 4 + 2);
  // The three rows that used to end cut off.
  for (auto [g, r] : {std::pair{0, 3}, std::pair{1, 3}, std::pair{3, 1}}) {
    auto* description = sheet->rows()[g][r].description;
    EXPECT_FALSE(description->get_layout()->is_ellipsized()) << description->get_text().raw();
  }
}

TEST_F(ShortcutsSheetTest, EscapeClosesTheWindowOnlyWhileShownAndOnlyInIt) {
  Gtk::Window* w = open();
  ASSERT_NE(w, nullptr);
  auto* sheet = w->get_child();

  // In the main window Escape is not the sheet's.
  focus(*main);
  pressEscape();
  runMainLoopUntil([] { return false; }, 300);
  EXPECT_TRUE(viewState->showShortcuts.get());
  EXPECT_TRUE(w->get_visible());

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    if (round) {
      ASSERT_EQ(open(), w);  // the same window and sheet, shown again
    }
    EXPECT_EQ(w->get_child(), sheet);
    const unsigned shown = controllerCount(*w);
    focus(*w);
    pressEscape();
    EXPECT_TRUE(waitUntil([&] { return !viewState->showShortcuts.get(); }, 3000));
    EXPECT_TRUE(waitUntil([&] { return !w->get_visible(); }, 3000));
    // Hidden, the window no longer has the sheet's key handler.
    EXPECT_EQ(controllerCount(*w), shown - 1);
  }
}

// Built with a close action, "完成" and Escape run it and nothing else: the window
// the sheet is in stays. Built without one, "完成" closes that window.
TEST(ShortcutsSheetDone, RunsOnlyTheCloseActionGivenElseClosesItsWindow) {
  if (!haveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
  int closed = 0;
  Gtk::Window host;
  host.set_default_size(680, 470);
  int hostCloses = 0;
  host.signal_close_request().connect([&] { ++hostCloses; return false; }, false);
  host.set_hide_on_close(true);
  auto* sheet = Gtk::make_managed<ShortcutsSheet>([&] { ++closed; });
  host.set_child(*sheet);
  host.present();
  focus(host);
  press(&sheet->doneButton());
  EXPECT_EQ(closed, 1);
  focus(host);
  pressEscape();
  EXPECT_TRUE(waitUntil([&] { return closed == 2; }, 3000));
  runMainLoopUntil([] { return false; }, 200);
  EXPECT_EQ(closed, 2);
  EXPECT_EQ(hostCloses, 0);
  EXPECT_TRUE(host.get_visible());

  Gtk::Window bare;
  bare.set_hide_on_close(true);
  auto* dismissing = Gtk::make_managed<ShortcutsSheet>();
  bare.set_child(*dismissing);
  bare.present();
  ASSERT_TRUE(waitUntil([&] { return bare.get_mapped(); }, 5000));
  press(&dismissing->doneButton());
  EXPECT_TRUE(waitUntil([&] { return !bare.get_visible(); }, 3000));
}

// The running client: Ctrl+/ in the main window shows the sheet's window at its size,
// Escape hides it, and Ctrl+/ shows it again (the flag went down with it).
TEST(ShortcutsSheetClient, CtrlSlashShowsTheSheetAndEscapeHidesIt) {
  if (!haveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  DemoService service;
  ASSERT_FALSE(service.baseUrl().empty());
  TempHome home;
  auto err = home.root() / "stderr.txt";
  Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl()}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
  ASSERT_TRUE(client.started());
  ASSERT_TRUE(waitForLine(err, "[Quorvel][BADGE] 超期=", 60000)) << readFile(err);
  ASSERT_EQ(std::system("xdotool mousemove 1595 995"), 0);
  const std::string search = "xdotool search --onlyvisible --name '^键盘快捷键 · Ctrl\\+/$'";
  auto pressInMain = [](const char* key) {
    ASSERT_EQ(std::system("xdotool search --sync --onlyvisible --name '^墨衡台$' windowfocus --sync"), 0);
    ASSERT_EQ(std::system((std::string("xdotool key --clearmodifiers ") + key).c_str()), 0);
  };

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    pressInMain("ctrl+slash");
    ASSERT_TRUE(waitForWindow(kSheetTitle)) << readFile(err);
    auto ids = lines(commandOutput(search + " 2>/dev/null"));
    ASSERT_EQ(ids.size(), 1u);
    std::string geometry = commandOutput("xdotool getwindowgeometry " + ids[0]);
    EXPECT_NE(geometry.find("Geometry: 680x470"), std::string::npos) << geometry;
    ASSERT_EQ(std::system(("xdotool windowfocus --sync " + ids[0] + " key --clearmodifiers Escape").c_str()), 0);
    EXPECT_TRUE(waitUntil([&] { return lines(commandOutput(search + " 2>/dev/null")).empty(); }, 5000))
        << "the sheet's window stayed";
  }
  client.sendSignal(SIGTERM);
  EXPECT_TRUE(client.waitForExit(30000)) << readFile(err);
}

}  // namespace
}  // namespace quorvel::test
