#pragma once
// The command palette's repeated pieces: a result row (icon tile, title and subtitle,
// category badge, and on the selected or hovered row of a page the new-tab button)
// and a category pill with its count. Pure presentation: selection, counts and what a
// click does come from the palette; each keeps only its hover flag. Their looks are
// the palette's CSS (PaletteStyle). A row is a recycled row of the palette's list
// view: built once, then shown one entry after another by bind().
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/overlay.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/lists/RowList.h"
#include "ui/model/CommandPalette.h"

namespace quorvel {

class LawPrecisionIcon;

class PaletteRow : public Gtk::Overlay, public ListRow {
 public:
  using EntryAction = std::function<void(const CommandPalette::Entry&)>;
  // `selectedAt` tells a row whether the position it is given is the highlighted one.
  PaletteRow(EntryAction onTap, EntryAction onNewTab, std::function<bool(int position)> selectedAt = {});
  // A row made for one entry (renders and the gallery).
  PaletteRow(CommandPalette::Entry entry, bool isSelected, std::function<void()> onTap,
             std::function<void()> onNewTab);

  // Shows `entry`; the highlight follows the row's position.
  void bind(const CommandPalette::Entry& entry);
  const CommandPalette::Entry& entry() const { return entry_; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected);
  bool hovered() const { return hover_; }
  // The pointer entered (true) or left (false) the row.
  void setHovered(bool hover);

  // For tests and renders.
  Gtk::Box& content() { return content_; }
  Gtk::Button& newTabButton() { return newTab_; }
  Gtk::Widget& accentBar() { return accent_; }
  Gtk::Label& badge() { return badge_; }

 private:
  void sync();

  void build();

  CommandPalette::Entry entry_;
  bool selected_ = false;
  bool hover_ = false;
  EntryAction onTap_;
  EntryAction onNewTab_;
  std::function<bool(int)> selectedAt_;
  Gtk::Box content_;
  Gtk::Box tile_;
  LawPrecisionIcon* icon_ = nullptr;
  Gtk::Label title_;
  Gtk::Label subtitle_;
  Gtk::Label badge_;
  Gtk::Button newTab_;
  Gtk::Box accent_;
};

class PaletteCategoryPill : public Gtk::Button {
 public:
  PaletteCategoryPill(const std::string& title, std::optional<std::size_t> count, bool active,
                      std::function<void()> action);

  void setCount(std::optional<std::size_t> count);
  void setActive(bool active);
  bool active() const { return active_; }
  // The count shown; empty while there is none.
  std::string countText() const { return count_.get_visible() ? std::string(count_.get_text()) : std::string(); }

 private:
  bool active_ = false;
  Gtk::Box row_;
  Gtk::Label title_;
  Gtk::Label count_;
  std::string titleText_;
};

}  // namespace quorvel
