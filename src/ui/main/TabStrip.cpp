#include "ui/main/TabStrip.h"

#include <gdkmm/clipboard.h>
#include <gdkmm/contentprovider.h>
#include <gtkmm/adjustment.h>
#include <gtkmm/dragsource.h>
#include <gtkmm/droptarget.h>
#include <gtkmm/eventcontrollermotion.h>
#include <gtkmm/eventcontrollerscroll.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/tooltip.h>

#include <algorithm>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/ShortcutText.h"
#include "ui/components/HandCursor.h"
#include "ui/main/WorkspaceTopBar.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {

using TabStripRules::ChipGlyph;
using TabStripRules::ChipMenuAction;

namespace {
constexpr int kTitleMinWidth = 56;
constexpr int kTitleMaxWidth = 150;
constexpr double kWheelStep = 60;  // pixels per wheel notch

const char* actionName(ChipMenuAction a) {
  switch (a) {
    case ChipMenuAction::close: return "close";
    case ChipMenuAction::closeOthers: return "close-others";
    case ChipMenuAction::closeToRight: return "close-right";
    case ChipMenuAction::copyLink: return "copy-link";
    case ChipMenuAction::hibernate: return "hibernate";
  }
  return "close";
}

std::optional<std::string> liveURLOf(const BrowserTab& tab) {
  if (auto* page = tab.webView()) return page->currentURL();
  return std::nullopt;
}
}  // namespace

// ---- TabTitleLabel ------------------------------------------------------------------

TabTitleLabel::TabTitleLabel(int minWidth, int maxWidth) : minWidth_(minWidth), maxWidth_(maxWidth) {
  set_single_line_mode(true);
  set_ellipsize(Pango::EllipsizeMode::END);
  set_xalign(0);
}

void TabTitleLabel::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                                  int& minimumBaseline, int& naturalBaseline) const {
  Gtk::Label::measure_vfunc(orientation, forSize, minimum, natural, minimumBaseline, naturalBaseline);
  if (orientation != Gtk::Orientation::HORIZONTAL) return;
  // Ideally the text's own width within the bounds; where the strip is short of room
  // the title gives way down to the minimum (ellipsized), and only then the strip
  // scrolls.
  natural = std::clamp(natural, minWidth_, maxWidth_);
  minimum = minWidth_;
}

// ---- TabChip ------------------------------------------------------------------------

TabChip::TabChip(std::shared_ptr<BrowserTab> tab)
    : Gtk::Box(Gtk::Orientation::HORIZONTAL),
      tab_(std::move(tab)),
      row_(Gtk::Orientation::HORIZONTAL, 6),
      icon_(lawIconKindForPath(tab_->currentPath.get()), 13.5),
      title_(kTitleMinWidth, kTitleMaxWidth) {
  installTopBarStyle();
  add_css_class("law-tab-chip");
  set_valign(Gtk::Align::CENTER);
  set_focusable(true);

  glyphSlot_.add_css_class("law-tab-glyph");
  glyphSlot_.set_size_request(14, 13);
  glyphSlot_.set_valign(Gtk::Align::CENTER);
  glyphSlot_.set_center_widget(glyphBox_);
  spinner_.set_size_request(10, 10);
  spinner_.set_halign(Gtk::Align::CENTER);
  spinner_.set_valign(Gtk::Align::CENTER);
  moon_.add_css_class("law-tab-moon");
  moon_.set_from_icon_name(TabStripRules::symbolGlyph("moon.zzz").iconName);
  moon_.set_pixel_size(11);
  icon_.add_css_class("law-tab-icon");
  glyphBox_.append(spinner_);
  glyphBox_.append(moon_);
  glyphBox_.append(icon_);

  title_.add_css_class("law-tab-title");

  close_.add_css_class("law-tab-close");
  close_.set_has_frame(false);
  close_.set_focus_on_click(false);
  close_.set_valign(Gtk::Align::CENTER);
  closeGlyph_.set_from_icon_name(TabStripRules::symbolGlyph("xmark").iconName);
  closeGlyph_.set_pixel_size(10);
  close_.set_child(closeGlyph_);
  const std::string closeTip = linuxShortcutText("关闭标签 ⌘W");
  nameIconControl(close_, closeTip);
  lawHandCursor(close_);
  close_.signal_clicked().connect([this] { closeSignal_.emit(); });

  row_.add_css_class("law-tab-row");
  row_.append(glyphSlot_);
  row_.append(title_);
  row_.append(close_);
  overlay_.set_child(row_);
  activeBar_.add_css_class("law-tab-activebar");
  activeBar_.set_valign(Gtk::Align::START);
  activeBar_.set_halign(Gtk::Align::FILL);
  activeBar_.set_can_target(false);
  overlay_.add_overlay(activeBar_);
  append(overlay_);

  // The whole rectangle selects; the close button claims its own clicks.
  auto click = Gtk::GestureClick::create();
  click->set_button(GDK_BUTTON_PRIMARY);
  click->signal_released().connect([this](int, double, double) { select_.emit(); });
  add_controller(click);
  auto secondary = Gtk::GestureClick::create();
  secondary->set_button(GDK_BUTTON_SECONDARY);
  secondary->signal_pressed().connect([this](int, double x, double y) { openMenu(x, y); });
  add_controller(secondary);
  lawHandCursor(*this);

  // The tooltip is read when shown, so it carries the page's address of that moment.
  set_has_tooltip(true);
  signal_query_tooltip().connect(
      [this](int, int, bool, const Glib::RefPtr<Gtk::Tooltip>& tooltip) {
        auto text = tooltipText();
        if (text.empty()) return false;
        tooltip->set_text(text);
        return true;
      },
      false);

  auto drag = Gtk::DragSource::create();
  drag->set_actions(Gdk::DragAction::MOVE | Gdk::DragAction::COPY);
  drag->signal_prepare().connect(
      [this](double, double) {
        Glib::Value<Glib::ustring> v;
        v.init(Glib::Value<Glib::ustring>::value_type());
        v.set(dragPayload());
        return Gdk::ContentProvider::create(v);
      },
      false);
  add_controller(drag);
  auto drop = Gtk::DropTarget::create(G_TYPE_STRING, Gdk::DragAction::MOVE | Gdk::DragAction::COPY);
  drop->signal_drop().connect(
      [this](const Glib::ValueBase& value, double, double) {
        std::vector<std::string> dropped;
        if (G_VALUE_HOLDS_STRING(value.gobj()))
          if (const char* s = g_value_get_string(value.gobj())) dropped.emplace_back(s);
        return handleDrop(dropped);
      },
      false);
  add_controller(drop);

  actions_ = Gio::SimpleActionGroup::create();
  for (auto a : {ChipMenuAction::close, ChipMenuAction::closeOthers, ChipMenuAction::closeToRight,
                 ChipMenuAction::copyLink, ChipMenuAction::hibernate})
    actions_->add_action(actionName(a), [this, a] { runMenuAction(a); });
  insert_action_group("chip", actions_);
  popover_.set_parent(*this);
  popover_.set_has_arrow(false);

  tabConnections_.emplace_back(tab_->title.changed().connect([this] { refresh(); }));
  tabConnections_.emplace_back(tab_->isLoading.changed().connect([this] { refresh(); }));
  tabConnections_.emplace_back(tab_->currentPath.changed().connect([this] { refresh(); }));
  refresh();
}

TabChip::~TabChip() { popover_.unparent(); }

void TabChip::setActive(bool active) {
  active_ = active;
  if (active) add_css_class("law-active");
  else remove_css_class("law-active");
  activeBar_.set_visible(active);
  icon_.setDuotoneOpacity(TabStripRules::chipLook(active, false).iconDuotone);
}

void TabChip::refresh() {
  glyph_ = TabStripRules::chipGlyph(tab_->isLoading.get(), tab_->webView() != nullptr);
  spinner_.set_visible(glyph_ == ChipGlyph::spinner);
  spinner_.set_spinning(glyph_ == ChipGlyph::spinner);
  moon_.set_visible(glyph_ == ChipGlyph::moon);
  icon_.set_visible(glyph_ == ChipGlyph::pathIcon);
  icon_.setKind(lawIconKindForPath(tab_->currentPath.get()));
  const std::string title = TabStripRules::chipTitle(tab_->title.get());
  if (title_.get_text().raw() != title) title_.set_text(title);
  gtk_accessible_update_property(GTK_ACCESSIBLE(gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, title.c_str(), -1);
  setActive(active_);
}

std::string TabChip::tooltipText() const { return TabStripRules::chipTooltip(liveURLOf(*tab_), tab_->title.get()); }

std::string TabChip::dragPayload() const { return TabStripRules::dragPayload(tab_->id()); }

bool TabChip::handleDrop(const std::vector<std::string>& dropped) {
  auto id = TabStripRules::parseDroppedTabID(dropped);
  if (!id) return false;
  dropped_.emit(*id);
  return true;
}

Glib::RefPtr<Gio::Menu> TabChip::buildMenu() {
  auto menu = Gio::Menu::create();
  auto section = Gio::Menu::create();
  for (const auto& item : TabStripRules::chipMenu(active_)) {
    if (item.separatorBefore && section->get_n_items() > 0) {
      menu->append_section(section);
      section = Gio::Menu::create();
    }
    section->append(item.title, std::string("chip.") + actionName(item.action));
  }
  menu->append_section(section);
  return menu;
}

void TabChip::runMenuAction(ChipMenuAction action) { menu_.emit(action); }

void TabChip::openMenu(double x, double y) {
  popover_.set_menu_model(buildMenu());
  Gdk::Rectangle at(static_cast<int>(x), static_cast<int>(y), 1, 1);
  popover_.set_pointing_to(at);
  popover_.popup();
}

// ---- TabStrip -----------------------------------------------------------------------

TabStrip::TabStrip(std::shared_ptr<BrowserModel> model)
    : model_(std::move(model)), row_(Gtk::Orientation::HORIZONTAL, 4) {
  installTopBarStyle();
  add_css_class("law-tab-strip");
  // Scrolls sideways when the chips are wider than the room, without scroll bars.
  set_policy(Gtk::PolicyType::EXTERNAL, Gtk::PolicyType::NEVER);
  set_propagate_natural_width(true);
  set_propagate_natural_height(true);
  set_has_frame(false);
  row_.set_margin_top(4);
  row_.set_margin_bottom(4);
  row_.set_valign(Gtk::Align::CENTER);
  std::weak_ptr<BrowserModel> weak = model_;
  newTab_ = std::make_unique<TopIconBtn>("plus", "新建标签 ⌘T", [weak] {
    if (auto m = weak.lock()) m->newTab("/dashboard", "个人工作台");
  });
  row_.append(*newTab_);
  set_child(row_);

  // A mouse wheel turns the strip sideways (the toolkit scrolls sideways only with Shift).
  auto wheel = Gtk::EventControllerScroll::create();
  wheel->set_flags(Gtk::EventControllerScroll::Flags::VERTICAL);
  wheel->signal_scroll().connect(
      [this](double, double dy) {
        auto adj = get_hadjustment();
        if (!adj || adj->get_upper() - adj->get_lower() <= adj->get_page_size()) return false;
        adj->set_value(adj->get_value() + dy * kWheelStep);
        return true;
      },
      false);
  add_controller(wheel);

  connections_.emplace_back(model_->tabRowsChanged().connect([this](const TabRowsChange&) { syncChips(); }));
  connections_.emplace_back(model_->activeID().changed().connect([this] { syncActive(); }));
  // The room or the row's width changed (first layout, window resized, a chip added):
  // keep the active chip in view.
  connections_.emplace_back(get_hadjustment()->signal_changed().connect([this] { scheduleReveal(); }));
  // A tab went live or hibernated: only its glyph changes.
  connections_.emplace_back(model_->changed().connect([this] {
    for (auto& c : chips_) c->refresh();
  }));
  syncChips();
}

TabStrip::~TabStrip() {
  connections_.clear();
  for (auto& c : chips_) row_.remove(*c);
  row_.remove(*newTab_);
}

TabChip* TabStrip::chipFor(const std::string& tabID) const {
  for (auto& c : chips_)
    if (c->tab()->id() == tabID) return c.get();
  return nullptr;
}

void TabStrip::syncChips() {
  const auto& tabs = model_->tabs().get();
  std::vector<std::unique_ptr<TabChip>> next;
  next.reserve(tabs.size());
  for (const auto& tab : tabs) {
    auto it = std::find_if(chips_.begin(), chips_.end(),
                           [&](const std::unique_ptr<TabChip>& c) { return c && c->tab() == tab; });
    if (it != chips_.end()) {
      next.push_back(std::move(*it));
      continue;
    }
    auto chip = std::make_unique<TabChip>(tab);
    std::weak_ptr<BrowserTab> weakTab = tab;
    chip->signalSelect().connect([this, weakTab] {
      if (auto t = weakTab.lock()) model_->activate(t);
    });
    chip->signalClose().connect([this, weakTab] {
      if (auto t = weakTab.lock()) model_->close(t);
    });
    chip->signalMenu().connect([this, weakTab](ChipMenuAction a) {
      if (auto t = weakTab.lock()) onMenu(t, a);
    });
    const std::string id = tab->id();
    chip->signalDropped().connect([this, id](const std::string& dropped) { model_->moveTab(dropped, id); });
    next.push_back(std::move(chip));
  }
  // Chips whose tab is gone leave the row now and are freed on a later turn: the
  // change may come from one of their own buttons or menu entries.
  for (auto& old : chips_) {
    if (!old) continue;
    row_.remove(*old);
    retired_.push_back(std::move(old));
  }
  chips_ = std::move(next);
  if (!retired_.empty() && !retireSource_) {
    retireSource_ = SourceId(g_idle_add(
        [](gpointer self) {
          auto* strip = static_cast<TabStrip*>(self);
          strip->retireSource_.forget();
          strip->retired_.clear();
          return G_SOURCE_REMOVE;
        },
        this));
  }
  // Place every chip in order before the new-tab button (a chip already in place stays).
  Gtk::Widget* prev = nullptr;
  for (auto& c : chips_) {
    if (!c->get_parent()) {
      if (prev) row_.insert_child_after(*c, *prev);
      else row_.prepend(*c);
    } else if (c->get_prev_sibling() != prev) {
      if (prev) row_.reorder_child_after(*c, *prev);
      else row_.reorder_child_at_start(*c);
    }
    prev = c.get();
  }
  syncActive();
}

void TabStrip::syncActive() {
  const auto& active = model_->activeID().get();
  for (auto& c : chips_) {
    const bool is = active && *active == c->tab()->id();
    if (c->isActive() != is) c->setActive(is);
  }
  scheduleReveal();
}

void TabStrip::scheduleReveal() {
  // After the layout under way the active chip is scrolled into the room, so the tab
  // the user works in is never hidden behind the strip's edge. (A scroll set while the
  // strip is being laid out would only show after the next layout.)
  if (!revealSource_)
    revealSource_ = SourceId(g_timeout_add(
        30,
        [](gpointer self) {
          auto* strip = static_cast<TabStrip*>(self);
          strip->revealSource_.forget();
          strip->revealActive();
          return G_SOURCE_REMOVE;
        },
        this));
}

void TabStrip::revealActive() {
  const auto& active = model_->activeID().get();
  if (!active) return;
  TabChip* chip = chipFor(*active);
  auto adj = get_hadjustment();
  if (!chip || !adj) return;
  // Never less room than one chip at its smallest: the active one always fits.
  int chipMinimum = 0, natural = 0, baseline = 0;
  chip->measure(Gtk::Orientation::HORIZONTAL, -1, chipMinimum, natural, baseline, baseline);
  if (chipMinimum > get_min_content_width()) set_min_content_width(chipMinimum);
  graphene_rect_t bounds;
  if (!gtk_widget_compute_bounds(GTK_WIDGET(chip->gobj()), GTK_WIDGET(row_.gobj()), &bounds)) return;
  const double start = bounds.origin.x, end = bounds.origin.x + bounds.size.width;
  const double value = adj->get_value(), page = adj->get_page_size();
  if (start < value)
    adj->set_value(start);
  else if (end > value + page)
    adj->set_value(end - page);
}

void TabStrip::onMenu(const std::shared_ptr<BrowserTab>& tab, ChipMenuAction action) {
  switch (action) {
    case ChipMenuAction::close: model_->close(tab); break;
    case ChipMenuAction::closeOthers: model_->closeOthers(tab); break;
    case ChipMenuAction::closeToRight: model_->closeToRight(tab); break;
    case ChipMenuAction::copyLink: copyLink(tab); break;
    case ChipMenuAction::hibernate: model_->hibernate(tab); break;
  }
}

void TabStrip::copyLink(const std::shared_ptr<BrowserTab>& tab) {
  std::optional<std::string> hibernated;
  if (tab->hibernatedURL) hibernated = tab->hibernatedURL->toString();
  auto link = TabStripRules::linkToCopy(liveURLOf(*tab), hibernated);
  if (!link) return;
  get_clipboard()->set_text(*link);
}

}  // namespace quorvel
