#pragma once
// The to-do and hearing-alert sheet: the deadline lists of the workspace model, one
// category at a time, with the category pills, a filter and one card per entry that
// opens its proceeding in the main window. The cards are rows of a list view: only
// those on screen have widgets, and a new read or filter splices the rows that changed. The content of the tool window "todo".
// It keeps no data of its own: it reads the model's deadlines, badges and category
// and writes only the category.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/gridview.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/spinner.h>
#include <gtkmm/text.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "core/BrowserModel.h"
#include "ui/model/TodoSheetRules.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/lists/RowList.h"

namespace quorvel {

class ToolWindowContent;

class TodoSheet : public Gtk::Box {
 public:
  struct Actions {
    // Brings the main window up before a page is loaded in it (unset: the main window
    // is left as it is).
    std::function<void()> showMainWindow;
    // Shows the desktop calendar; without it the button says the calendar is not
    // available yet.
    std::function<void()> showDesktopCalendar;
  };

  // Without `onClose`, "关闭" and Escape hide the window the sheet is in.
  TodoSheet(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view,
            std::function<void()> onClose = {}, Actions actions = {});
  ~TodoSheet() override;

  // Reloads the counters and lists; runs each time the sheet is shown.
  void refresh();
  bool loading() const { return loading_; }
  TodoSheetState state() const { return state_; }
  // The entries the cards show, in order: positions into the index's one copy.
  class ShownItems {
   public:
    class iterator {
     public:
      iterator(const std::vector<TodoItem>& items, std::vector<std::size_t>::const_iterator at)
          : items_(&items), at_(at) {}
      const TodoItem& operator*() const { return (*items_)[*at_]; }
      const TodoItem* operator->() const { return &**this; }
      iterator& operator++() {
        ++at_;
        return *this;
      }
      bool operator==(const iterator& o) const { return at_ == o.at_; }

     private:
      const std::vector<TodoItem>* items_;
      std::vector<std::size_t>::const_iterator at_;
    };
    ShownItems(const std::vector<TodoItem>& items, const std::vector<std::size_t>& positions)
        : items_(items), positions_(positions) {}
    std::size_t size() const { return positions_.size(); }
    bool empty() const { return positions_.empty(); }
    const TodoItem& operator[](std::size_t i) const { return items_[positions_[i]]; }
    iterator begin() const { return {items_, positions_.begin()}; }
    iterator end() const { return {items_, positions_.end()}; }

   private:
    const std::vector<TodoItem>& items_;
    const std::vector<std::size_t>& positions_;
  };
  ShownItems shownItems() const { return {index_.items(), shownPositions_}; }
  void setFilterText(const std::string& text);
  std::string filterText() const;

  // For tests and renders.
  Gtk::Button& pill(TodoKind kind) { return *pills_.at(kind).button; }
  std::string pillCountText(TodoKind kind) const { return pills_.at(kind).count->get_text(); }
  Gtk::Button& refreshButton() { return *refreshButton_; }
  Gtk::Button& desktopCalendarButton() { return *desktopButton_; }
  Gtk::Button& closeButton() { return *closeButton_; }
  Gtk::Text& filterField() { return filter_; }
  // The list view of the cards (its children are the cards on screen).
  Gtk::GridView& list() { return *list_; }
  // The splices the cards' store took so far (a filter key is a splice, not a rebuild).
  std::size_t listSplices() const { return rows_.splices(); }
  LawSheetHeader& header() { return header_; }
  Gtk::Label& emptyTitle() { return emptyTitle_; }
  Gtk::Label& emptyHint() { return emptyHint_; }
  // The failed refresh over the last good entries, and its retry button; the failed
  // state's own retry button.
  bool noticeShown() const { return notice_.get_visible(); }
  std::string noticeText() const { return noticeTitle_.get_text(); }
  Gtk::Button& noticeRetryButton() { return *noticeRetry_; }
  Gtk::Button& emptyRetryButton() { return *emptyRetry_; }

 private:
  struct Pill {
    Gtk::Button* button = nullptr;
    Gtk::Label* count = nullptr;
  };
  void buildHeader();
  void buildBar();
  void buildBody();
  void sync();
  void updateCards();
  void openProceeding(const TodoItem& item, bool newTab);
  void close();

  std::shared_ptr<BrowserModel> model_;
  std::shared_ptr<WorkspaceViewState> view_;
  std::function<void()> onClose_;
  Actions actions_;
  bool loading_ = false;
  TodoSheetState state_ = TodoSheetState::empty;
  bool cardsValid_ = false;
  bool indexValid_ = false;
  TodoFilterIndex index_;
  // The row key of each entry of the index, made once per list.
  std::vector<std::string> rowKeys_;
  std::vector<std::size_t> shownPositions_;
  // What the cards show: the entry (in the index's list, which the row keeps alive
  // across reads) and the category it is listed under.
  struct Row {
    std::shared_ptr<const std::vector<TodoItem>> list;
    std::size_t at = 0;
    TodoKind kind = TodoKind::overdue;
    const TodoItem& item() const { return (*list)[at]; }
  };
  RowStore<Row> rows_{[](const Row& r) { return todoRowKey(r.item(), r.kind); }, /*rebaseKept=*/true};
  friend class TodoCard;

  LawSheetHeader header_;
  Gtk::Button* refreshButton_ = nullptr;
  Gtk::Box refreshLabel_;
  Gtk::Spinner refreshSpinner_;
  Gtk::Widget* refreshGlyph_ = nullptr;
  Gtk::Button* desktopButton_ = nullptr;
  Gtk::Button* closeButton_ = nullptr;
  Gtk::Box bar_;
  std::map<TodoKind, Pill> pills_;
  Gtk::Box filterBox_;
  Gtk::Text filter_;
  Gtk::Button clear_;
  Gtk::ScrolledWindow scroller_;
  Gtk::Box body_;
  Gtk::ScrolledWindow statesScroll_;
  Gtk::Box states_;
  Gtk::Box loadingBox_;
  Gtk::Spinner loadingSpinner_;
  Gtk::GridView* list_ = nullptr;
  Gtk::Box emptyBox_;
  Gtk::Label emptyTitle_;
  Gtk::Label emptyHint_;
  Gtk::Box* emptyDisc_ = nullptr;
  Gtk::Widget* doneGlyph_ = nullptr;
  Gtk::Widget* noMatchGlyph_ = nullptr;
  Gtk::Widget* failedGlyph_ = nullptr;
  Gtk::Button* emptyRetry_ = nullptr;
  Gtk::Box notice_;
  Gtk::Label noticeTitle_;
  Gtk::Label noticeHint_;
  Gtk::Button* noticeRetry_ = nullptr;
  std::vector<ScopedConnection> connections_;
  TaskScope scope_;
};

// Registers the sheet as the content of the tool window "todo". Called once at start-up;
// `actions` are the main window's and the desktop calendar's entry points.
void registerTodoSheet(ToolWindowContent& contents, std::shared_ptr<WorkspaceViewState> view,
                       TodoSheet::Actions actions = {});

}  // namespace quorvel
