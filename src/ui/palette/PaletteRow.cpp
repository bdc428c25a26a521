#include "ui/palette/PaletteRow.h"

#include <gtkmm/eventcontrollermotion.h>
#include <gtkmm/gestureclick.h>

#include "core/ShortcutText.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawPrecisionIcon.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/palette/PaletteStyle.h"
#include "ui/todos/TodoGlyphs.h"

namespace quorvel {

namespace {
constexpr int kTileSize = 28;
constexpr int kTileIconSize = 14;
constexpr double kNewTabGlyphSize = 13;

void oneLine(Gtk::Label& label) {
  label.set_xalign(0);
  label.set_single_line_mode(true);
  label.set_ellipsize(Pango::EllipsizeMode::END);
}
}  // namespace

PaletteRow::PaletteRow(EntryAction onTap, EntryAction onNewTab, std::function<bool(int)> selectedAt)
    : onTap_(std::move(onTap)),
      onNewTab_(std::move(onNewTab)),
      selectedAt_(std::move(selectedAt)),
      content_(Gtk::Orientation::HORIZONTAL, 10) {
  build();
}

PaletteRow::PaletteRow(CommandPalette::Entry entry, bool isSelected, std::function<void()> onTap,
                       std::function<void()> onNewTab)
    : onTap_([tap = std::move(onTap)](const CommandPalette::Entry&) {
        if (tap) tap();
      }),
      onNewTab_([newTab = std::move(onNewTab)](const CommandPalette::Entry&) {
        if (newTab) newTab();
      }),
      content_(Gtk::Orientation::HORIZONTAL, 10) {
  build();
  bind(entry);
  setSelected(isSelected);
}

void PaletteRow::build() {
  // Spaced as the column of rows was.
  set_margin_start(10);
  set_margin_end(10);
  set_margin_bottom(3);
  content_.add_css_class("law-palette-row");
  set_child(content_);

  tile_.add_css_class("law-palette-tile");
  tile_.set_valign(Gtk::Align::CENTER);
  tile_.set_hexpand(false);
  icon_ = Gtk::make_managed<LawPrecisionIcon>(LawIconKind::search, kTileIconSize);
  // Centred in the tile.
  icon_->set_margin((kTileSize - kTileIconSize) / 2);
  tile_.append(*icon_);
  content_.append(tile_);

  auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 1);
  texts->set_valign(Gtk::Align::CENTER);
  texts->set_hexpand(true);
  title_.add_css_class("law-palette-title");
  oneLine(title_);
  subtitle_.add_css_class("law-palette-subtitle");
  oneLine(subtitle_);
  texts->append(title_);
  texts->append(subtitle_);
  // The badge keeps at least 8 points away from the texts.
  texts->set_margin_end(8);
  content_.append(*texts);

  badge_.add_css_class("law-palette-badge");
  badge_.set_valign(Gtk::Align::CENTER);
  content_.append(badge_);

  newTab_.add_css_class("law-palette-newtab");
  newTab_.set_valign(Gtk::Align::CENTER);
  newTab_.set_focus_on_click(false);
  newTab_.set_can_focus(false);
  newTab_.set_child(*makeSymbolGlyph("plus.rectangle.on.rectangle", kNewTabGlyphSize));
  newTab_.set_tooltip_text(linuxShortcutText("在新标签打开 (⌘⏎)"));
  setAccessibleLabel(newTab_, "在新标签打开");
  newTab_.signal_clicked().connect([this] {
    if (onNewTab_) onNewTab_(entry_);
  });
  content_.append(newTab_);

  accent_.add_css_class("law-palette-accent");
  accent_.set_halign(Gtk::Align::START);
  accent_.set_valign(Gtk::Align::CENTER);
  accent_.set_can_target(false);
  add_overlay(accent_);

  // The whole rectangle takes the click, gaps included; the new-tab button keeps its own.
  auto click = Gtk::GestureClick::create();
  click->set_button(GDK_BUTTON_PRIMARY);
  click->signal_released().connect([this](int presses, double x, double y) {
    if (presses == 1 && contains(x, y) && onTap_) onTap_(entry_);
  });
  add_controller(click);
  auto motion = Gtk::EventControllerMotion::create();
  motion->signal_enter().connect([this](double, double) { setHovered(true); });
  motion->signal_leave().connect([this] { setHovered(false); });
  add_controller(motion);
  lawHandCursor(*this);
  lawHandCursor(newTab_);
}

void PaletteRow::bind(const CommandPalette::Entry& entry) {
  entry_ = entry;
  icon_->setKind(paletteIcon(entry_));
  title_.set_text(entry_.title);
  subtitle_.set_text(entry_.subtitle);
  badge_.set_text(CommandPalette::rawValue(entry_.category));
  for (auto c : CommandPalette::allCategories)
    setCssClass(badge_, paletteCategoryClass(c).c_str(), c == entry_.category);
  setAccessibleLabel(*this, entry_.title + " " + entry_.subtitle);
  if (selectedAt_) selected_ = selectedAt_(position());
  sync();
}

void PaletteRow::setSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  sync();
}

void PaletteRow::setHovered(bool hover) {
  if (hover_ == hover) return;
  hover_ = hover;
  sync();
}

void PaletteRow::sync() {
  setCssClass(content_, "law-selected", selected_);
  setCssClass(content_, "law-hover", hover_);
  accent_.set_visible(selected_);
  newTab_.set_visible(entry_.path.has_value() && (selected_ || hover_));
}

PaletteCategoryPill::PaletteCategoryPill(const std::string& title, std::optional<std::size_t> count, bool active,
                                         std::function<void()> action)
    : row_(Gtk::Orientation::HORIZONTAL, 4), title_(title), titleText_(title) {
  add_css_class("law-palette-pill");
  set_focus_on_click(false);
  title_.add_css_class("law-palette-pill-title");
  count_.add_css_class("law-palette-pill-count");
  title_.set_valign(Gtk::Align::CENTER);
  count_.set_valign(Gtk::Align::CENTER);
  row_.append(title_);
  row_.append(count_);
  set_child(row_);
  setCount(count);
  setActive(active);
  signal_clicked().connect([action = std::move(action)] {
    if (action) action();
  });
  lawHandCursor(*this);
}

void PaletteCategoryPill::setCount(std::optional<std::size_t> count) {
  count_.set_visible(count.has_value());
  if (count) count_.set_text(std::to_string(*count));
  // A screen reader says the pill's words and its count ("合同 2").
  setAccessibleLabel(*this, count ? titleText_ + " " + std::to_string(*count) : titleText_);
}

void PaletteCategoryPill::setActive(bool active) {
  active_ = active;
  setCssClass(*this, "law-active", active);
}

}  // namespace quorvel
