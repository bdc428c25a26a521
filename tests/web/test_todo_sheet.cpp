// The to-do sheet against the test service: it lists the service's deadlines by
// category, the pills switch the category, the filter narrows the cards, the cards
// open their proceedings, Escape closes it, and signed out it asks to sign in.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdlib>

#include "ServiceTabFixture.h"
#include "ui/model/WorkspaceViewState.h"
#include "AccessibleName.h"
#include "ScaleData.h"
#include "TestHelpers.h"
#include "TestServiceTodos.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/todos/TodoSheet.h"

namespace quorvel::test {
namespace {

// A click as the button reports it.
void click(Gtk::Button& b) { g_signal_emit_by_name(b.gobj(), "clicked"); }

// The shown buttons only: a recycled card keeps the buttons it hides for an entry
// without a proceeding.
void collectButtons(Gtk::Widget& w, const std::string& tooltip, std::vector<Gtk::Button*>& out) {
  if (auto* b = dynamic_cast<Gtk::Button*>(&w); b && b->is_visible() && b->get_tooltip_text().raw() == tooltip)
    out.push_back(b);
  for (auto* c = w.get_first_child(); c; c = c->get_next_sibling()) collectButtons(*c, tooltip, out);
}

std::vector<std::string> shownContents(const TodoSheet& sheet) {
  std::vector<std::string> out;
  for (const auto& i : sheet.shownItems()) out.push_back(i.content.value_or(""));
  return out;
}

// The rows of a list view's model.
unsigned itemsIn(Gtk::GridView& list) { return g_list_model_get_n_items(G_LIST_MODEL(list.get_model()->gobj())); }

int childCount(Gtk::Widget& w) {
  int n = 0;
  for (auto* c = w.get_first_child(); c; c = c->get_next_sibling()) ++n;
  return n;
}

class TodoSheetTest : public ServiceTabFixture {
 protected:
  void TearDown() override {
    window.reset();
    drainMainLoop();
    ServiceTabFixture::TearDown();
  }

  void openWorkspace(bool signedIn) {
    useTodoDemoData(service);
    if (signedIn) signIn();
    model = services->makeBrowserModel();
    tab = model->activeTab();
    TabLoadWatch load(tab);
    show(tab);
    ASSERT_TRUE(load.wait(signedIn ? "/dashboard" : "/login"));
  }

  // The sheet in a window of its own, as the tool window shows it; it refreshes when shown.
  void openSheet() {
    window = std::make_unique<Gtk::Window>();
    window->set_title("待办测试");
    window->set_default_size(860, 580);
    TodoSheet::Actions actions;
    actions.showMainWindow = [this] { ++mainShown; };
    sheet = Gtk::make_managed<TodoSheet>(model, viewState, [this] { ++closed; }, actions);
    window->set_child(*sheet);
    window->present();
    ASSERT_TRUE(waitUntil([&] { return sheet->loading(); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return !sheet->loading(); }, 10000));
    drainMainLoop();
  }

  std::shared_ptr<BrowserTab> tab;
  std::unique_ptr<Gtk::Window> window;
  TodoSheet* sheet = nullptr;
  int mainShown = 0;
  int closed = 0;
};

TEST_F(TodoSheetTest, ListsTheServicesDeadlinesByKindAndTheFilterNarrowsThem) {
  openWorkspace(true);
  openSheet();
  EXPECT_FALSE(service.requestsTo("/api/my_deadlines").empty());
  EXPECT_EQ(sheet->state(), TodoSheetState::list);
  EXPECT_EQ(shownContents(*sheet),
            (std::vector<std::string>{"提交补充证据材料", "回复委托人咨询函", "整理并寄送原件证据"}));
  EXPECT_EQ(childCount(sheet->list()), 3);
  std::vector<std::string> counts;
  for (TodoKind k : TodoKinds::allCases) counts.push_back(sheet->pillCountText(k));
  EXPECT_EQ(counts, (std::vector<std::string>{"3", "2", "4", "1", "2"}));
  EXPECT_EQ(sheet->header().subtitleLabel().get_text(), "最近同步：2026-03-02 09:00 · 点击条目直达程序");

  // A pill switches the category in the model; the model's category shows at once.
  click(sheet->pill(TodoKind::today));
  EXPECT_EQ(viewState->todoKind.get(), TodoKind::today);
  EXPECT_EQ(shownContents(*sheet), (std::vector<std::string>{"缴纳诉讼费", "整理庭审提纲并发送委托人确认"}));
  EXPECT_TRUE(sheet->pill(TodoKind::today).has_css_class("law-active"));
  EXPECT_FALSE(sheet->pill(TodoKind::overdue).has_css_class("law-active"));
  viewState->todoKind.set(TodoKind::soon);
  EXPECT_EQ(childCount(sheet->list()), 4);

  // Typed into the field: the client, across client and proceeding, the date.
  sheet->filterField().grab_focus();
  sheet->setFilterText("  周九 ");
  EXPECT_EQ(shownContents(*sheet), std::vector<std::string>{"证据交换"});
  EXPECT_EQ(childCount(sheet->list()), 1);
  sheet->setFilterText("有限公司 （2026）京0108");
  EXPECT_EQ(shownContents(*sheet), std::vector<std::string>{"答辩期届满"});
  sheet->setFilterText("03-05");
  EXPECT_EQ(shownContents(*sheet), (std::vector<std::string>{"答辩期届满", "与当事人确认和解条款"}));
  // The filter stays while the category changes.
  viewState->todoKind.set(TodoKind::hearings);
  EXPECT_TRUE(sheet->shownItems().empty());
  // A filter that keeps nothing is no success: no green tick, no "all is well".
  EXPECT_EQ(sheet->state(), TodoSheetState::noMatch);
  EXPECT_EQ(sheet->emptyTitle().get_text(), "没有匹配「03-05」的待办");
  EXPECT_EQ(sheet->emptyHint().get_text(), "换个关键词，或清除筛选查看全部");
  sheet->setFilterText("");
  EXPECT_EQ(childCount(sheet->list()), 2);
  EXPECT_EQ(sheet->state(), TodoSheetState::list);

  // The refresh button reads the lists again.
  auto before = service.requestsTo("/api/my_deadlines").size();
  click(sheet->refreshButton());
  EXPECT_TRUE(sheet->loading());
  EXPECT_FALSE(sheet->refreshButton().get_sensitive());
  ASSERT_TRUE(waitUntil([&] { return !sheet->loading(); }, 10000));
  EXPECT_EQ(service.requestsTo("/api/my_deadlines").size(), before + 1);
  EXPECT_EQ(childCount(sheet->list()), 2);

  // Escape typed into the sheet is its close action.
  ASSERT_EQ(std::system("xdotool search --name '^待办测试$' windowfocus --sync key Escape"), 0);
  EXPECT_TRUE(waitUntil([&] { return closed == 1; }, 5000));
}

// A busy firm's list: widgets only for the cards on screen; a key in the filter and a
// refresh that brings the same lists splice the store instead of making every card.
TEST_F(TodoSheetTest, ThousandsOfEntriesHaveCardsOnScreenOnlyAndAKeyIsASplice) {
  openWorkspace(true);
  useScaleData(service, 3000, 10, 10);
  openSheet();
  ASSERT_EQ(sheet->shownItems().size(), 3000u);
  drainMainLoop();
  const int widgets = childCount(sheet->list());
  EXPECT_GT(widgets, 0);
  EXPECT_LT(widgets, 60) << "cards off screen have widgets";
  EXPECT_EQ(itemsIn(sheet->list()), 3000u);
  EXPECT_EQ(sheet->pillCountText(TodoKind::overdue), "3000");
  EXPECT_TRUE(hasAccessibleName(sheet->pill(TodoKind::overdue), "超期 3000"));

  auto rows = sheet->list().get_model();
  const std::size_t splices = sheet->listSplices();
  sheet->filterField().grab_focus();
  sheet->setFilterText("7");
  const std::size_t kept = todoFilteredItems(model->account().deadlines.get(), TodoKind::overdue, "7").size();
  EXPECT_EQ(sheet->shownItems().size(), kept);
  EXPECT_LT(kept, 3000u);
  EXPECT_EQ(sheet->list().get_model(), rows);
  EXPECT_EQ(itemsIn(sheet->list()), kept);
  EXPECT_GT(sheet->listSplices(), splices);
  EXPECT_LE(sheet->listSplices(), splices + 64);
  drainMainLoop();
  EXPECT_LT(childCount(sheet->list()), 60);
  sheet->setFilterText("");
  EXPECT_EQ(itemsIn(sheet->list()), 3000u);

  // The same lists read again: no card changes.
  const std::size_t settled = sheet->listSplices();
  click(sheet->refreshButton());
  ASSERT_TRUE(waitUntil([&] { return !sheet->loading(); }, 15000));
  drainMainLoop();
  EXPECT_EQ(sheet->listSplices(), settled);
  EXPECT_EQ(sheet->shownItems().size(), 3000u);
}

TEST_F(TodoSheetTest, CardsOpenTheirProceedingInTheActiveTabOrANewOne) {
  openWorkspace(true);
  openSheet();
  const std::string newTabTip = "在主窗口新建一个标签页打开，不覆盖当前页面";
  std::vector<Gtk::Button*> newTab, enter;
  collectButtons(sheet->list(), newTabTip, newTab);
  collectButtons(sheet->list(), "在主窗口当前标签页打开", enter);
  // The entry without a proceeding has no buttons.
  ASSERT_EQ(newTab.size(), 2u);
  ASSERT_EQ(enter.size(), 2u);

  click(*newTab[0]);
  EXPECT_EQ(mainShown, 1);
  ASSERT_EQ(model->tabs()->size(), 2u);
  auto opened = model->activeTab();
  EXPECT_EQ(opened->title.get(), "（2026）京0105民初1234号");
  show(opened);  // in the window, as the main window shows the active tab
  ASSERT_TRUE(waitLoaded(opened, "/proceeding/88"));
  EXPECT_TRUE(window->get_visible());  // the sheet stays open

  click(*enter[1]);
  EXPECT_EQ(mainShown, 2);
  EXPECT_EQ(model->tabs()->size(), 2u);
  ASSERT_TRUE(waitLoaded(opened, "/proceeding/102"));
}

TEST_F(TodoSheetTest, SignedOutEveryEmptyCategoryAsksToSignIn) {
  openWorkspace(false);
  ASSERT_TRUE(waitUntil([&] { return model->account().badges->loginRequired; }, 10000));
  openSheet();
  EXPECT_TRUE(model->account().deadlines->empty());
  // The read met the sign-in page: a failure, not "nothing to do".
  EXPECT_EQ(sheet->state(), TodoSheetState::failed);
  EXPECT_EQ(sheet->emptyTitle().get_text(), "刷新失败：尚未登录或登录已过期");
  EXPECT_EQ(sheet->emptyHint().get_text(), "请先在右侧登录系统账号");
  EXPECT_EQ(sheet->pillCountText(TodoKind::overdue), "0");
  EXPECT_EQ(sheet->header().subtitleLabel().get_text(), "点击任意条目即可直接进入对应案件程序");
}

TEST_F(TodoSheetTest, TheTodoToolWindowShowsTheSheetWithItsCloseActionAndTheDesktopCalendar) {
  openWorkspace(true);
  int calendarShown = 0;
  ToolWindowContent contents;
  TodoSheet::Actions actions;
  actions.showDesktopCalendar = [&] { ++calendarShown; };
  registerTodoSheet(contents, viewState, actions);
  const auto& factory = contents.factory("todo");
  ASSERT_TRUE(factory);
  window = std::make_unique<Gtk::Window>();
  auto* made = dynamic_cast<TodoSheet*>(factory(model, [this] { ++closed; }));
  ASSERT_NE(made, nullptr);
  window->set_child(*made);
  window->present();
  ASSERT_TRUE(waitUntil([&] { return !made->loading() && !made->shownItems().empty(); }, 10000));
  click(made->desktopCalendarButton());
  EXPECT_EQ(calendarShown, 1);
  click(made->closeButton());
  EXPECT_EQ(closed, 1);

  // Without the desktop calendar its button says it is not there yet.
  registerTodoSheet(contents, viewState);
  auto* plain = dynamic_cast<TodoSheet*>(contents.factory("todo")(model, [] {}));
  ASSERT_NE(plain, nullptr);
  window->set_child(*plain);
  EXPECT_FALSE(plain->desktopCalendarButton().get_sensitive());
}

}  // namespace
}  // namespace quorvel::test
