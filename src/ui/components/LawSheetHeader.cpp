#include "ui/components/LawSheetHeader.h"

#include <gdkmm/display.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/image.h>

#include <algorithm>
#include <cmath>

#include "core/Theme.h"
#include "ui/components/LawBadges.h"

namespace quorvel {

std::string lawSymbolIconName(const std::string& symbolName) {
  if (symbolName.empty()) return {};
  auto display = Gdk::Display::get_default();
  if (!display) return {};
  auto theme = Gtk::IconTheme::get_for_display(display);
  if (theme->has_icon(symbolName)) return symbolName;
  std::string dashed = symbolName;
  std::replace(dashed.begin(), dashed.end(), '.', '-');
  dashed += "-symbolic";
  if (theme->has_icon(dashed)) return dashed;
  return {};
}

LawSheetHeader::LawSheetHeader(const Glib::ustring& title, const Glib::ustring& subtitle,
                               const std::string& icon, std::optional<LawIconKind> duotoneIcon)
    : Gtk::Box(Gtk::Orientation::HORIZONTAL, static_cast<int>(LawMetrics::sheetHeaderSpacing)),
      text_(Gtk::Orientation::VERTICAL),
      title_(title),
      subtitle_(subtitle),
      spacer_(Gtk::Orientation::HORIZONTAL),
      trailing_(Gtk::Orientation::HORIZONTAL, 8) {
  add_css_class("law-sheet-header");
  set_hexpand(true);
  set_valign(Gtk::Align::START);

  std::optional<LawIconKind> kind = duotoneIcon ? duotoneIcon : lawIconKindFromSymbol(icon);
  const double box = LawMetrics::sheetHeaderBadgeBox;
  if (kind) {
    iconSlot_ = IconSlot::badge;
    badgeKind_ = kind;
    auto* badge = Gtk::make_managed<LawIconBadge>(*kind, LawIconBadge::Tone::gold, box,
                                                  LawMetrics::sheetHeaderBadgeIcon);
    append(*badge);
  } else if (!icon.empty()) {
    iconSlot_ = IconSlot::symbolTile;
    auto* tile = Gtk::make_managed<Gtk::Box>();
    tile->add_css_class("law-sheet-header-tile");
    const int px = static_cast<int>(std::lround(box));
    tile->set_size_request(px, px);
    tile->set_valign(Gtk::Align::CENTER);
    tile->set_hexpand(false);
    tile->set_vexpand(false);
    if (auto name = lawSymbolIconName(icon); !name.empty()) {
      auto* glyph = Gtk::make_managed<Gtk::Image>();
      glyph->set_from_icon_name(name);
      glyph->set_pixel_size(static_cast<int>(LawMetrics::sheetHeaderSymbolSize));
      glyph->set_hexpand(true);
      glyph->set_vexpand(true);
      glyph->set_halign(Gtk::Align::CENTER);
      glyph->set_valign(Gtk::Align::CENTER);
      tile->append(*glyph);
    }
    append(*tile);
  }

  text_.set_spacing(static_cast<int>(std::lround(LawMetrics::sheetHeaderTextSpacing)));
  text_.set_valign(Gtk::Align::CENTER);
  title_.add_css_class("law-sheet-header-title");
  title_.set_xalign(0);
  text_.append(title_);
  subtitle_.add_css_class("law-sheet-header-subtitle");
  subtitle_.set_xalign(0);
  subtitle_.set_single_line_mode(true);
  subtitle_.set_ellipsize(Pango::EllipsizeMode::END);
  if (!subtitle.empty()) text_.append(subtitle_);
  append(text_);

  spacer_.set_hexpand(true);
  spacer_.set_size_request(static_cast<int>(LawMetrics::sheetHeaderMinSpacer), -1);
  append(spacer_);

  trailing_.set_valign(Gtk::Align::CENTER);
  append(trailing_);
}

void LawSheetHeader::addTrailing(Gtk::Widget& widget) { trailing_.append(widget); }

}  // namespace quorvel
