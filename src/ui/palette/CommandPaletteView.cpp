#include "ui/palette/CommandPaletteView.h"

#include <gdk/gdkkeysyms.h>
#include <gdkmm/frameclock.h>
#include <gtkmm/adjustment.h>

#include <algorithm>
#include <glibmm/main.h>
#include <cmath>

#include "core/ShortcutText.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawPrecisionIcon.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/palette/PaletteRow.h"
#include "ui/palette/PaletteStyle.h"
#include "ui/todos/TodoGlyphs.h"

namespace quorvel {

namespace {
constexpr const char* kPlaceholder = "搜索合同编号、客户名称、导航页面或功能…";
constexpr const char* kRefreshTip = "刷新合同与客户索引";
// The selected row glides to the middle of the list in 0.1 s, easing out.
constexpr double kScrollSeconds = 0.1;
}  // namespace

CommandPaletteView::CommandPaletteView(CommandPalette::Services services, CommandPalette::Actions actions,
                                       std::function<void()> onClose)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      onClose_(std::move(onClose)),
      searchRow_(Gtk::Orientation::HORIZONTAL, 10),
      pillRow_(Gtk::Orientation::HORIZONTAL, 6),
      empty_(Gtk::Orientation::VERTICAL, 8),
      footer_(Gtk::Orientation::HORIZONTAL, 14) {
  installPaletteStyle();
  add_css_class("law-palette");
  set_size_request(600, 460);
  palette_ = std::make_unique<CommandPalette>(std::move(services), std::move(actions), scope_.guard([this] { closeWindow(); }));

  buildSearchRow();
  appendRule();
  buildPills();
  appendRule();
  buildList();
  appendRule();
  buildFooter();

  auto& p = *palette_;
  connections_.emplace_back(p.entriesChanged().connect([this] { updateRows(); }));
  connections_.emplace_back(p.selectedIndex.changed().connect([this] {
    syncSelection();
    scrollToSelected();
  }));
  connections_.emplace_back(p.category.changed().connect([this] { syncPills(); }));
  connections_.emplace_back(p.loading.changed().connect([this] { syncLoading(); }));
  connections_.emplace_back(p.query.changed().connect([this] {
    clear_.set_visible(!palette_->query->empty());
    if (search_.get_text().raw() != palette_->query.get()) search_.set_text(palette_->query.get());
  }));

  keys_ = Gtk::EventControllerKey::create();
  keys_->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  keys_->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType state) { return onKey(keyval, state); }, false);
  // Each time it is shown: the caret in the search field, the contracts and clients
  // loaded (a reply under 30 s old is reused), the keys taken on its window.
  // Each opening starts empty (query, pill, highlight, scroll), so a bare Return
  // never carries out what was chosen last time.
  signal_map().connect([this] {
    resetForOpening();
    attachKeys();
    search_.grab_focus();
    palette_->load(false);
  });
  signal_unmap().connect([this] { detachKeys(); });
  connections_.emplace_back(p.loadFailure.changed().connect([this] { updateRows(); }));

  updateRows();
  syncLoading();
  clear_.set_visible(false);
}

CommandPaletteView::~CommandPaletteView() {
  scope_.end();
  if (scrollTick_) scroller_.remove_tick_callback(scrollTick_);
  detachKeys();
}

void CommandPaletteView::appendRule() {
  auto* rule = Gtk::make_managed<Gtk::Box>();
  rule->add_css_class("law-palette-rule");
  append(*rule);
}

void CommandPaletteView::buildSearchRow() {
  searchRow_.add_css_class("law-palette-search");
  auto* magnifier = makeSymbolGlyph("magnifyingglass", 16);
  magnifier->add_css_class("law-palette-search-glyph");
  searchRow_.append(*magnifier);

  search_.set_placeholder_text(kPlaceholder);
  setAccessibleLabel(search_, kPlaceholder);
  search_.set_hexpand(true);
  search_.set_valign(Gtk::Align::CENTER);
  search_.signal_changed().connect([this] { palette_->setQuery(search_.get_text()); });
  // Return reaches the field only when the palette's keys did not take it.
  g_signal_connect(search_.gobj(), "activate", G_CALLBACK(+[](GtkText*, gpointer view) {
                     static_cast<CommandPaletteView*>(view)->palette_->openSelected(false);
                   }),
                   this);
  g_signal_connect(search_.gobj(), "preedit-changed", G_CALLBACK(+[](GtkText*, const char* text, gpointer view) {
                     static_cast<CommandPaletteView*>(view)->preedit_ = text ? text : "";
                   }),
                   this);
  searchRow_.append(search_);

  spinner_.set_size_request(12, 12);
  spinner_.set_valign(Gtk::Align::CENTER);
  searchRow_.append(spinner_);

  clear_.add_css_class("law-palette-clear");
  clear_.set_valign(Gtk::Align::CENTER);
  clear_.set_focus_on_click(false);
  clear_.set_child(*makeSymbolGlyph("xmark.circle.fill", 13));
  setAccessibleLabel(clear_, "清除搜索");
  clear_.signal_clicked().connect([this] {
    search_.set_text("");  // the query follows, and the highlight goes back to the first row
    search_.grab_focus();
  });
  lawHandCursor(clear_);
  searchRow_.append(clear_);

  refresh_.add_css_class("law-palette-refresh");
  refresh_.set_valign(Gtk::Align::CENTER);
  refresh_.set_focus_on_click(false);
  refresh_.set_child(*makeSymbolGlyph("arrow.clockwise", 11.5));
  refresh_.set_tooltip_text(kRefreshTip);
  setAccessibleLabel(refresh_, kRefreshTip);
  refresh_.signal_clicked().connect([this] { palette_->load(true); });
  lawHandCursor(refresh_);
  searchRow_.append(refresh_);
  append(searchRow_);
}

void CommandPaletteView::buildPills() {
  pillRow_.add_css_class("law-palette-pills");
  for (auto category : CommandPalette::allCategories) {
    auto* pill = Gtk::make_managed<PaletteCategoryPill>(
        CommandPalette::rawValue(category), palette_->badgeCount(category), palette_->category.get() == category,
        [this, category] { palette_->chooseCategory(category); });
    pills_[category] = pill;
    pillRow_.append(*pill);
  }
  auto* spacer = Gtk::make_managed<Gtk::Box>();
  spacer->set_hexpand(true);
  pillRow_.append(*spacer);
  count_.add_css_class("law-palette-count");
  pillRow_.append(count_);
  append(pillRow_);
}

void CommandPaletteView::buildList() {
  auto* area = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  area->add_css_class("law-palette-list");
  area->set_vexpand(true);

  failure_.add_css_class("law-palette-failure");
  failure_.set_wrap(true);
  failure_.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  failure_.set_xalign(0);
  failure_.set_selectable(true);
  failure_.set_margin_start(14);
  failure_.set_margin_end(14);
  failure_.set_margin_top(8);
  failure_.set_visible(false);
  area->append(failure_);

  list_ = makeRowListView<CommandPalette::Entry, PaletteRow>(
      rows_,
      [this] {
        return Gtk::make_managed<PaletteRow>(
            [this](const CommandPalette::Entry& e) { palette_->execute(e, false); },
            [this](const CommandPalette::Entry& e) { palette_->execute(e, true); },
            [this](int position) { return position == palette_->selectedIndex.get(); });
      },
      "law-palette-rows");
  // The gaps above the first row and below the last, as the column of rows had them.
  list_->set_margin_top(10);
  list_->set_margin_bottom(7);
  scroller_.add_css_class("law-palette-list");
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_vexpand(true);
  scroller_.set_child(*list_);
  area->append(scroller_);

  empty_.set_margin_top(48);
  empty_.set_margin_bottom(48);
  empty_.set_hexpand(true);
  empty_.set_vexpand(true);
  auto* glyph = Gtk::make_managed<LawPrecisionIcon>(LawIconKind::search, 24);
  glyph->add_css_class("law-palette-empty-glyph");
  glyph->set_halign(Gtk::Align::CENTER);
  empty_.append(*glyph);
  emptyText_.add_css_class("law-palette-empty-text");
  emptyText_.set_wrap(true);
  emptyText_.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  emptyText_.set_justify(Gtk::Justification::CENTER);
  emptyText_.set_max_width_chars(40);
  empty_.append(emptyText_);
  area->append(empty_);
  append(*area);
}

void CommandPaletteView::buildFooter() {
  footer_.add_css_class("law-palette-footer");
  const std::pair<const char*, const char*> hints[] = {
      {"↑↓", "选择"}, {"⏎", "当前页打开"}, {"⌘⏎", "新标签打开"}, {"Esc", "关闭"}};
  for (const auto& [key, text] : hints) {
    auto* hint = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
    hint->set_valign(Gtk::Align::CENTER);
    auto* cap = classedLabel(linuxShortcutText(key), "law-palette-key");
    cap->set_valign(Gtk::Align::CENTER);
    hint->append(*cap);
    hint->append(*classedLabel(text, "law-palette-key-text"));
    footer_.append(*hint);
  }
  auto* spacer = Gtk::make_managed<Gtk::Box>();
  spacer->set_hexpand(true);
  footer_.append(*spacer);
  close_ = makeLawSecondaryButton("关闭", /*compact=*/true);
  close_->set_valign(Gtk::Align::CENTER);
  close_->signal_clicked().connect([this] { closeWindow(); });
  lawHandCursor(*close_);
  footer_.append(*close_);
  append(footer_);
}

void CommandPaletteView::resetForOpening() {
  glide_.start = -1;
  if (scrollTick_) {
    scroller_.remove_tick_callback(scrollTick_);
    scrollTick_ = 0;
  }
  // The list keeps its place by a row it holds on to, which a splice keeps: emptied
  // first, the fresh entries are new rows.
  rows_.assign({});
  palette_->resetForOpening();
  if (!search_.get_text().empty()) search_.set_text("");
  scroller_.get_vadjustment()->set_value(0);
}

void CommandPaletteView::updateRows() {
  const auto& entries = palette_->entries();
  rows_.assign(entries);
  const std::string failure = CommandPalette::loadFailureText(palette_->loadFailure.get());
  failure_.set_visible(!failure.empty() && !entries.empty());
  failure_.set_text(failure);
  scroller_.set_visible(!entries.empty());
  empty_.set_visible(entries.empty());
  const std::string& query = palette_->query.get();
  // With nothing listed, a failed load is the reason: never "nothing to find" for a firm
  // whose contracts could not be read.
  if (!failure.empty() && palette_->contracts->empty() && palette_->clients->empty())
    emptyText_.set_text(query.empty() ? failure : "未找到与「" + query + "」匹配的结果（" + failure + "）");
  else
    emptyText_.set_text(query.empty() ? std::string("暂无可检索条目") : "未找到与「" + query + "」匹配的结果");
  count_.set_text(CommandPalette::countText(entries.size(), palette_->matchCount()));
  syncSelection();
  syncPills();
  scrollToSelected();
}

PaletteRow* CommandPaletteView::rowAt(int position) {
  for (auto& [at, row] : boundRows<PaletteRow>(*list_))
    if (static_cast<int>(at) == position) return row;
  return nullptr;
}

std::vector<PaletteRow*> CommandPaletteView::rows() {
  auto bound = boundRows<PaletteRow>(*list_);
  std::sort(bound.begin(), bound.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<PaletteRow*> out;
  for (auto& [at, row] : bound) out.push_back(row);
  return out;
}

void CommandPaletteView::syncSelection() {
  const int selected = palette_->selectedIndex.get();
  for (auto& [at, row] : boundRows<PaletteRow>(*list_)) row->setSelected(static_cast<int>(at) == selected);
}

void CommandPaletteView::syncPills() {
  for (auto& [category, pill] : pills_) {
    pill->setActive(palette_->category.get() == category);
    pill->setCount(palette_->badgeCount(category));
  }
}

void CommandPaletteView::syncLoading() {
  const bool loading = palette_->loading.get();
  spinner_.set_visible(loading);
  spinner_.set_spinning(loading);
}

void CommandPaletteView::scrollToSelected() {
  // On the next frame, when the rows have their places: the selected row glides to the
  // middle of the list. A newer request while it glides sets off from where it is.
  glide_.start = -1;
  if (scrollTick_) return;
  scrollTick_ = scroller_.add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>& clock) {
    auto adjustment = scroller_.get_vadjustment();
    const gint64 now = clock->get_frame_time();
    if (glide_.start < 0) {
      const int index = palette_->selectedIndex.get();
      if (index < 0 || index >= rowCount()) {
        scrollTick_ = 0;
        return false;
      }
      // Rows are one height: the selected row's place is its index times the stride
      // of a row on screen, whether or not it has a widget now.
      auto bound = boundRows<PaletteRow>(*list_);
      if (bound.empty()) return true;
      Gtk::Widget* slot = bound.front().second->get_parent();
      // Ticks come before layout: rows made since the last frame have no place yet.
      if (!slot || slot->get_height() <= 0) return true;
      const double stride = slot->get_height();
      const double page = adjustment->get_page_size();
      const double wanted = index * stride + stride / 2.0 - page / 2.0;
      glide_.from = adjustment->get_value();
      glide_.to = std::clamp(wanted, adjustment->get_lower(),
                             std::max(adjustment->get_lower(), adjustment->get_upper() - page));
      glide_.start = now;
    }
    const double t = std::min(1.0, (now - glide_.start) / (kScrollSeconds * 1e6));
    const double eased = 1 - std::pow(1 - t, 3);
    adjustment->set_value(glide_.from + (glide_.to - glide_.from) * eased);
    if (t < 1) return true;
    scrollTick_ = 0;
    return false;
  });
}

void CommandPaletteView::attachKeys() {
  auto* window = dynamic_cast<Gtk::Window*>(get_root());
  if (!window || keyWindow_ == window) return;
  detachKeys();
  window->add_controller(keys_);
  keyWindow_ = window;
}

void CommandPaletteView::detachKeys() {
  // Through the controller's own widget: the window may be on its way out.
  if (auto* widget = keys_->get_widget()) widget->remove_controller(keys_);
  keyWindow_ = nullptr;
}

bool CommandPaletteView::onKey(guint keyval, Gdk::ModifierType state) {
  if (!keyWindow_ || !keyWindow_->get_visible()) return false;
  // While an input method composes, Return and the arrows are its own.
  if (!preedit_.empty()) return false;
  const bool control = (state & Gdk::ModifierType::CONTROL_MASK) == Gdk::ModifierType::CONTROL_MASK;
  switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      palette_->openSelected(control);
      return true;
    case GDK_KEY_Escape:
      closeWindow();
      return true;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      palette_->selectNext();
      return true;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      palette_->selectPrevious();
      return true;
    default:
      return false;
  }
}

void CommandPaletteView::closeWindow() {
  if (onClose_) return onClose_();
  if (auto* window = dynamic_cast<Gtk::Window*>(get_root())) window->set_visible(false);
}

void registerCommandPalette(ToolWindowContent& contents, CommandPalette::Actions actions,
                            std::function<void()> showMainWindow) {
  contents.registerFactory("palette", [actions, showMainWindow](const std::shared_ptr<BrowserModel>& model,
                                                                std::function<void()> close) {
    return Gtk::make_managed<CommandPaletteView>(CommandPalette::servicesOver(model, showMainWindow), actions,
                                                 std::move(close));
  });
}

}  // namespace quorvel
