#pragma once
// The header row of sheets and tool windows: icon, title and subtitle, then the
// caller's trailing controls at the far end. To reach under the title-bar area a
// window sets the header as its titlebar (Gtk::Window::set_titlebar).

#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <optional>
#include <string>

#include "core/LawIcons.h"

namespace quorvel {

class LawSheetHeader : public Gtk::Box {
 public:
  enum class IconSlot { badge, symbolTile, none };

  // `icon` is a symbol name and may be empty. The icon slot shows, in this order: a gold
  // LawIconBadge of duotoneIcon, or of the drawn icon that fits `icon`; else a tile
  // with the symbol `icon` itself; else nothing.
  LawSheetHeader(const Glib::ustring& title, const Glib::ustring& subtitle, const std::string& icon = {},
                 std::optional<LawIconKind> duotoneIcon = std::nullopt);

  void addTrailing(Gtk::Widget& widget);
  Gtk::Box& trailing() { return trailing_; }

  IconSlot iconSlot() const { return iconSlot_; }
  // The drawn icon shown in the badge, when the slot is a badge.
  std::optional<LawIconKind> badgeKind() const { return badgeKind_; }
  Gtk::Label& titleLabel() { return title_; }
  Gtk::Label& subtitleLabel() { return subtitle_; }

 private:
  IconSlot iconSlot_ = IconSlot::none;
  std::optional<LawIconKind> badgeKind_;
  Gtk::Box text_;
  Gtk::Label title_;
  Gtk::Label subtitle_;
  Gtk::Box spacer_;
  Gtk::Box trailing_;
};

// The icon name a symbol is shown with on this desktop: the name itself when the icon
// theme has it, else its dashed symbolic form ("lock.fill" -> "lock-fill-symbolic"),
// else empty (the tile stays without a glyph).
std::string lawSymbolIconName(const std::string& symbolName);

}  // namespace quorvel
