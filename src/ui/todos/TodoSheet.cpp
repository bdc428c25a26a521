#include "ui/components/LawStyle.h"
#include "ui/todos/TodoSheet.h"

#include <gdkmm/display.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/stylecontext.h>
#include <gtkmm/window.h>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/todos/TodoGlyphs.h"

namespace quorvel {

namespace {

void installTodoSheetStyle() {
  addDisplayCssOnce("todo-sheet", todoSheetCss);
}

// A glyph followed by a one-line label, as one chip.
Gtk::Box* glyphLabel(const char* symbol, const std::string& text, const char* cls) {
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
  box->add_css_class(cls);
  box->append(*makeSymbolGlyph(symbol, 10.5));
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->set_single_line_mode(true);
  l->set_ellipsize(Pango::EllipsizeMode::END);
  l->set_max_width_chars(24);
  box->append(*l);
  return box;
}

std::string kindClass(TodoKind kind) { return "law-kind-" + TodoKinds::rawValue(kind); }

void setKindClass(Gtk::Widget& w, TodoKind kind) {
  for (TodoKind k : TodoKinds::allCases) setCssClass(w, kindClass(k).c_str(), k == kind);
}

}  // namespace

// One entry's card, built once and shown another entry as the list scrolls: the
// kind's accent, content, client and proceeding chips, the day and date, and for an
// entry with a proceeding the two buttons and the click on the card.
class TodoCard : public Gtk::Box, public ListRow {
 public:
  explicit TodoCard(TodoSheet& sheet)
      : Gtk::Box(Gtk::Orientation::HORIZONTAL, 12),
        middle_(Gtk::Orientation::VERTICAL, 5),
        meta_(Gtk::Orientation::HORIZONTAL, 8),
        trailing_(Gtk::Orientation::VERTICAL, 3),
        buttons_(Gtk::Orientation::HORIZONTAL, 6) {
    add_css_class("law-todo-card");
    // The list's margins and the gap between cards, as the column of cards had them.
    set_margin_start(14);
    set_margin_end(14);
    set_margin_top(4);
    set_margin_bottom(4);
    accent_.add_css_class("law-todo-accent");
    append(accent_);

    middle_.set_hexpand(true);
    middle_.set_valign(Gtk::Align::CENTER);
    middle_.set_margin_end(10);
    content_.add_css_class("law-todo-card-content");
    content_.set_xalign(0);
    content_.set_wrap(true);
    content_.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
    content_.set_lines(2);
    content_.set_ellipsize(Pango::EllipsizeMode::END);
    content_.set_max_width_chars(40);
    middle_.append(content_);
    client_ = glyphLabel("person.fill", "", "law-todo-card-client");
    proc_ = glyphLabel("folder.fill", "", "law-todo-card-proc");
    meta_.append(*client_);
    meta_.append(*proc_);
    middle_.append(meta_);
    append(middle_);

    trailing_.set_valign(Gtk::Align::CENTER);
    day_.add_css_class("law-todo-day");
    day_.set_halign(Gtk::Align::END);
    trailing_.append(day_);
    date_.add_css_class("law-todo-card-date");
    date_.set_halign(Gtk::Align::END);
    trailing_.append(date_);
    append(trailing_);

    buttons_.set_valign(Gtk::Align::CENTER);
    auto* enter = makeLawSecondaryButton("进入程序 →", true);
    enter->set_tooltip_text("在主窗口当前标签页打开");
    enter->signal_clicked().connect([this, &sheet] {
      if (row_.list) sheet.openProceeding(row_.item(), false);
    });
    lawHandCursor(*enter);
    auto* tab = makeLawSecondaryButton("+ 新标签", true);
    tab->set_tooltip_text("在主窗口新建一个标签页打开，不覆盖当前页面");
    tab->signal_clicked().connect([this, &sheet] {
      if (row_.list) sheet.openProceeding(row_.item(), true);
    });
    lawHandCursor(*tab);
    buttons_.append(*enter);
    buttons_.append(*tab);
    append(buttons_);

    auto click = Gtk::GestureClick::create();
    click->set_button(GDK_BUTTON_PRIMARY);
    click->signal_released().connect([this, &sheet](int presses, double x, double y) {
      if (presses == 1 && row_.list && row_.item().procId && contains(x, y)) sheet.openProceeding(row_.item(), false);
    });
    add_controller(click);
  }

  void bind(const TodoSheet::Row& row) {
    row_ = row;
    const TodoItem& item = row_.item();
    setKindClass(accent_, row.kind);
    setKindClass(day_, row.kind);
    content_.set_text(todoContentText(item));
    const bool client = todoHasText(item.client), proc = todoHasText(item.proc);
    setChipText(*client_, client ? *item.client : "");
    setChipText(*proc_, proc ? *item.proc : "");
    client_->set_visible(client);
    proc_->set_visible(proc);
    meta_.set_visible(client || proc);
    day_.set_text(item.dayText());
    date_.set_visible(todoHasText(item.date));
    date_.set_text(item.date.value_or(""));
    const bool openable = item.procId.has_value();
    buttons_.set_visible(openable);
    lawHandCursor(*this, openable);
    setAccessibleLabel(*this, todoContentText(item));
  }
  // The list it showed is released, not kept alive past the next read.
  void unbind() { row_ = {}; }

 private:
  static void setChipText(Gtk::Box& chip, const std::string& text) {
    if (auto* l = dynamic_cast<Gtk::Label*>(chip.get_last_child())) l->set_text(text);
  }

  TodoSheet::Row row_;
  Gtk::Box accent_;
  Gtk::Box middle_;
  Gtk::Label content_;
  Gtk::Box meta_;
  Gtk::Box* client_ = nullptr;
  Gtk::Box* proc_ = nullptr;
  Gtk::Box trailing_;
  Gtk::Label day_;
  Gtk::Label date_;
  Gtk::Box buttons_;
};

TodoSheet::TodoSheet(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view,
                     std::function<void()> onClose, Actions actions)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      model_(std::move(model)),
      view_(std::move(view)),
      onClose_(std::move(onClose)),
      actions_(std::move(actions)),
      header_(kTodoSheetTitle, todoSheetSubtitle(""), "checklist"),
      refreshLabel_(Gtk::Orientation::HORIZONTAL, 4),
      bar_(Gtk::Orientation::HORIZONTAL, 8),
      filterBox_(Gtk::Orientation::HORIZONTAL, 5),
      body_(Gtk::Orientation::VERTICAL, 0),
      states_(Gtk::Orientation::VERTICAL, 0),
      loadingBox_(Gtk::Orientation::VERTICAL, 10),
      emptyBox_(Gtk::Orientation::VERTICAL, 10),
      notice_(Gtk::Orientation::HORIZONTAL, 9) {
  installTodoSheetStyle();
  add_css_class("law-todo-sheet");
  set_size_request(720, 440);
  buildHeader();
  buildBar();
  auto* divider = Gtk::make_managed<Gtk::Box>();
  divider->add_css_class("law-hairline");
  append(*divider);
  buildBody();

  auto keys = Gtk::EventControllerKey::create();
  keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  keys->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_Escape) return false;
        close();
        return true;
      },
      false);
  add_controller(keys);

  auto changed = [this] { sync(); };
  auto listsChanged = [this] {
    indexValid_ = false;
    cardsValid_ = false;
    sync();
  };
  connections_.emplace_back(model_->account().deadlines.changed().connect(listsChanged));
  connections_.emplace_back(view_->todoKind.changed().connect(listsChanged));
  connections_.emplace_back(model_->account().badges.changed().connect(changed));
  connections_.emplace_back(model_->account().deadlineFailure.changed().connect(changed));
  connections_.emplace_back(model_->account().badgeFailure.changed().connect(changed));
  // Each time it is shown, the sheet reloads what it lists.
  signal_map().connect([this] { refresh(); });
  sync();
}

TodoSheet::~TodoSheet() = default;

void TodoSheet::buildHeader() {
  auto* trailing = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  trailing->set_valign(Gtk::Align::CENTER);

  refreshButton_ = Gtk::make_managed<Gtk::Button>();
  LawSecondaryButtonStyle{true}.apply(*refreshButton_);
  refreshGlyph_ = makeSymbolGlyph("arrow.clockwise", 11);
  refreshSpinner_.set_size_request(11, 11);
  refreshSpinner_.set_visible(false);
  refreshLabel_.append(refreshSpinner_);
  refreshLabel_.append(*refreshGlyph_);
  refreshLabel_.append(*Gtk::make_managed<Gtk::Label>("刷新"));
  refreshButton_->set_child(refreshLabel_);
  setAccessibleLabel(*refreshButton_, "刷新");
  refreshButton_->signal_clicked().connect([this] { refresh(); });
  lawHandCursor(*refreshButton_);
  trailing->append(*refreshButton_);

  auto* calendarView = makeLawSecondaryButton("日历视图", true);
  calendarView->signal_clicked().connect([this] {
    if (actions_.showMainWindow) actions_.showMainWindow();
    model_->loadInActive("/calendar");
  });
  lawHandCursor(*calendarView);
  trailing->append(*calendarView);

  desktopButton_ = makeLawSecondaryButton("桌面日历", true);
  if (actions_.showDesktopCalendar) {
    desktopButton_->signal_clicked().connect([this] { actions_.showDesktopCalendar(); });
  } else {
    desktopButton_->set_sensitive(false);
    desktopButton_->set_tooltip_text("桌面交互日历尚未在这个版本中提供");
  }
  lawHandCursor(*desktopButton_);
  trailing->append(*desktopButton_);

  closeButton_ = makeLawPrimaryButton("关闭", true);
  closeButton_->signal_clicked().connect([this] { close(); });
  lawHandCursor(*closeButton_);
  trailing->append(*closeButton_);

  header_.addTrailing(*trailing);
  append(header_);
}

void TodoSheet::buildBar() {
  bar_.add_css_class("law-todo-bar");
  for (TodoKind kind : TodoKinds::allCases) {
    auto* button = Gtk::make_managed<Gtk::Button>();
    button->add_css_class("law-todo-pill");
    button->add_css_class(kindClass(kind));
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    auto* dot = Gtk::make_managed<Gtk::Box>();
    dot->add_css_class("law-todo-pill-dot");
    dot->set_valign(Gtk::Align::CENTER);
    row->append(*dot);
    auto* title = classedLabel(TodoKinds::title(kind), "law-todo-pill-title");
    title->set_single_line_mode(true);
    row->append(*title);
    auto* count = classedLabel("0", "law-todo-pill-count");
    count->set_valign(Gtk::Align::CENTER);
    row->append(*count);
    button->set_child(*row);
    button->signal_clicked().connect([this, kind] { view_->todoKind.set(kind); });
    lawHandCursor(*button);
    bar_.append(*button);
    pills_[kind] = Pill{button, count};
  }
  auto* spacer = Gtk::make_managed<Gtk::Box>();
  spacer->set_hexpand(true);
  spacer->set_size_request(6, -1);
  bar_.append(*spacer);

  filterBox_.add_css_class("law-todo-filter");
  filterBox_.set_valign(Gtk::Align::CENTER);
  auto* magnifier = makeSymbolGlyph("magnifyingglass.plain", 11);
  magnifier->add_css_class("law-todo-muted-glyph");
  filterBox_.append(*magnifier);
  filter_.set_placeholder_text(kTodoFilterPlaceholder);
  setAccessibleLabel(filter_, kTodoFilterPlaceholder);
  filter_.set_size_request(140, -1);
  filter_.signal_changed().connect([this] {
    cardsValid_ = false;
    sync();
  });
  filterBox_.append(filter_);
  auto* clearGlyph = makeSymbolGlyph("xmark.circle.fill", 11);
  clearGlyph->add_css_class("law-todo-muted-glyph");
  clear_.set_child(*clearGlyph);
  clear_.add_css_class("law-todo-clear");
  clear_.set_focus_on_click(false);
  setAccessibleLabel(clear_, "清除筛选");
  clear_.signal_clicked().connect([this] { filter_.set_text(""); });
  lawHandCursor(clear_);
  filterBox_.append(clear_);
  bar_.append(filterBox_);
  append(bar_);
}

void TodoSheet::buildBody() {
  body_.add_css_class("law-todo-body");
  body_.set_vexpand(true);

  loadingBox_.set_margin_top(80);
  loadingBox_.set_margin_bottom(80);
  loadingBox_.set_halign(Gtk::Align::CENTER);
  loadingSpinner_.set_size_request(24, 24);
  loadingBox_.append(loadingSpinner_);
  loadingBox_.append(*classedLabel(kTodoLoadingText, "law-todo-loading-text"));
  // The loading and empty states scroll in a window of their own (below the notice),
  // so their height never raises the sheet's minimum.
  states_.append(loadingBox_);

  // A failed refresh over the last good entries: what happened, and a retry.
  notice_.add_css_class("law-todo-notice");
  notice_.set_margin_start(14);
  notice_.set_margin_end(14);
  notice_.set_margin_top(12);
  auto* noticeGlyph = makeSymbolGlyph("exclamationmark.triangle.fill", 14);
  noticeGlyph->add_css_class("law-todo-notice-glyph");
  notice_.append(*noticeGlyph);
  auto* noticeTexts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  noticeTexts->set_hexpand(true);
  noticeTitle_.add_css_class("law-todo-notice-title");
  noticeTitle_.set_xalign(0);
  noticeTitle_.set_wrap(true);
  noticeTexts->append(noticeTitle_);
  noticeHint_.set_text(kTodoStaleHint);
  noticeHint_.add_css_class("law-todo-notice-hint");
  noticeHint_.set_xalign(0);
  noticeTexts->append(noticeHint_);
  notice_.append(*noticeTexts);
  noticeRetry_ = makeLawSecondaryButton(kTodoRetryTitle, true);
  noticeRetry_->set_valign(Gtk::Align::CENTER);
  noticeRetry_->signal_clicked().connect([this] { refresh(); });
  lawHandCursor(*noticeRetry_);
  notice_.append(*noticeRetry_);
  body_.append(notice_);

  list_ = makeRowListView<Row, TodoCard>(rows_, [this] { return Gtk::make_managed<TodoCard>(*this); }, "law-todo-list");
  list_->set_margin_top(10);
  list_->set_margin_bottom(10);
  // Only the cards scroll, so the list knows which of them are on screen.
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_vexpand(true);
  scroller_.set_child(*list_);
  body_.append(scroller_);

  emptyBox_.set_margin_top(80);
  emptyBox_.set_margin_bottom(80);
  emptyBox_.set_halign(Gtk::Align::CENTER);
  emptyDisc_ = Gtk::make_managed<Gtk::Box>();
  emptyDisc_->add_css_class("law-todo-empty-disc");
  emptyDisc_->set_halign(Gtk::Align::CENTER);
  emptyDisc_->set_size_request(48, 48);
  emptyDisc_->set_hexpand(false);
  emptyDisc_->set_vexpand(false);
  // Nothing to do, no match, or a failure: one glyph each, never the seal for the last two.
  doneGlyph_ = makeSymbolGlyph("checkmark.seal.fill", 22);
  noMatchGlyph_ = makeSymbolGlyph("magnifyingglass.plain", 20);
  failedGlyph_ = makeSymbolGlyph("exclamationmark.triangle.fill", 22);
  for (auto* glyph : {doneGlyph_, noMatchGlyph_, failedGlyph_}) {
    glyph->set_hexpand(true);
    emptyDisc_->append(*glyph);
  }
  emptyBox_.append(*emptyDisc_);
  emptyTitle_.add_css_class("law-todo-empty-title");
  emptyTitle_.set_wrap(true);
  emptyTitle_.set_max_width_chars(48);
  emptyTitle_.set_justify(Gtk::Justification::CENTER);
  emptyBox_.append(emptyTitle_);
  emptyHint_.add_css_class("law-todo-empty-hint");
  emptyBox_.append(emptyHint_);
  emptyRetry_ = makeLawSecondaryButton(kTodoRetryTitle, true);
  emptyRetry_->set_halign(Gtk::Align::CENTER);
  emptyRetry_->signal_clicked().connect([this] { refresh(); });
  lawHandCursor(*emptyRetry_);
  emptyBox_.append(*emptyRetry_);
  states_.append(emptyBox_);
  statesScroll_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  statesScroll_.set_vexpand(true);
  statesScroll_.set_child(states_);
  body_.append(statesScroll_);
  append(body_);
}

void TodoSheet::refresh() {
  if (loading_) return;
  loading_ = true;
  sync();
  model_->reads().refreshBadges();
  model_->reads().fetchDeadlines([done = scope_.guard([this] {
                                    loading_ = false;
                                    sync();
                                  })] {
    // Queued, never inside the completion: the lists are published on a turn before it.
    postToMain(done);
  });
}

void TodoSheet::setFilterText(const std::string& text) { filter_.set_text(text); }

std::string TodoSheet::filterText() const { return filter_.get_text(); }

void TodoSheet::sync() {
  const BadgeCounts& badges = model_->account().badges.get();
  const Deadlines& deadlines = model_->account().deadlines.get();
  const TodoKind kind = view_->todoKind.get();
  header_.subtitleLabel().set_text(todoSheetSubtitle(badges.updatedAt));

  for (auto& [k, pill] : pills_) {
    const std::string count = todoPillText(deadlines, badges, k);
    pill.count->set_text(count);
    setAccessibleLabel(*pill.button, TodoKinds::title(k) + " " + count);
    if (k == kind) pill.button->add_css_class("law-active");
    else pill.button->remove_css_class("law-active");
  }

  const std::string typed = filter_.get_text();
  clear_.set_visible(!typed.empty());
  if (!indexValid_) {
    index_.reset(deadlines.list(kind));
    rowKeys_.clear();
    rowKeys_.reserve(index_.size());
    for (const auto& item : index_.items()) rowKeys_.push_back(todoRowKey(item, kind));
    indexValid_ = true;
  }
  if (!cardsValid_) {
    shownPositions_ = index_.matching(typed);
    updateCards();
    cardsValid_ = true;
  }
  const AccountState& account = model_->account();
  const std::optional<std::string> failure =
      todoRefreshFailure(account.deadlineFailure.get(), account.badgeFailure.get());
  state_ = todoSheetState(loading_, !shownPositions_.empty(), !typed.empty(), model_->account().deadlineFailure->has_value());
  loadingBox_.set_visible(state_ == TodoSheetState::loading);
  loadingSpinner_.set_spinning(state_ == TodoSheetState::loading);
  scroller_.set_visible(state_ == TodoSheetState::list);
  const bool failedState = state_ == TodoSheetState::failed;
  emptyBox_.set_visible(state_ == TodoSheetState::empty || state_ == TodoSheetState::noMatch || failedState);
  statesScroll_.set_visible(state_ != TodoSheetState::list);
  emptyTitle_.set_text(failedState ? *failure : todoEmptyTitle(kind, typed));
  emptyHint_.set_text(failedState ? todoFailedHint(kind, badges.loginRequired) : todoEmptyHint(badges.loginRequired, state_ == TodoSheetState::noMatch));
  doneGlyph_->set_visible(state_ == TodoSheetState::empty);
  noMatchGlyph_->set_visible(state_ == TodoSheetState::noMatch);
  failedGlyph_->set_visible(failedState);
  setCssClass(*emptyDisc_, "law-no-match", state_ == TodoSheetState::noMatch);
  setCssClass(*emptyDisc_, "law-failed", failedState);
  emptyRetry_->set_visible(failedState);
  emptyRetry_->set_sensitive(!loading_);
  // Over the last good entries (or a filter of them) the failure stands above them.
  notice_.set_visible(failure && !failedState && state_ != TodoSheetState::loading);
  if (failure) noticeTitle_.set_text(*failure);
  noticeRetry_->set_sensitive(!loading_);

  refreshButton_->set_sensitive(!loading_);
  refreshSpinner_.set_visible(loading_);
  refreshSpinner_.set_spinning(loading_);
  refreshGlyph_->set_visible(!loading_);
}

void TodoSheet::updateCards() {
  const TodoKind kind = view_->todoKind.get();
  std::vector<Row> rows;
  rows.reserve(shownPositions_.size());
  for (std::size_t at : shownPositions_) rows.push_back(Row{index_.sharedItems(), at, kind});
  rows_.assign(rows, elementsAt(rowKeys_, shownPositions_));
}

void TodoSheet::openProceeding(const TodoItem& item, bool newTab) {
  auto path = todoProceedingPath(item);
  if (!path) return;
  if (actions_.showMainWindow) actions_.showMainWindow();
  if (newTab) model_->newTab(*path, todoNewTabTitle(item));
  else model_->loadInActive(*path);
}

void TodoSheet::close() {
  if (onClose_) return onClose_();
  if (auto* window = dynamic_cast<Gtk::Window*>(get_root())) window->set_visible(false);
}

void registerTodoSheet(ToolWindowContent& contents, std::shared_ptr<WorkspaceViewState> view,
                       TodoSheet::Actions actions) {
  contents.registerFactory(
      "todo", [view, actions](const std::shared_ptr<BrowserModel>& model, std::function<void()> close) {
        return Gtk::make_managed<TodoSheet>(model, view, std::move(close), actions);
      });
}

}  // namespace quorvel
