#include "ui/components/LawSectionTitle.h"

#include <gtkmm/image.h>

#include "ui/components/LawPrecisionIcon.h"
#include "ui/model/TabStripRules.h"

namespace quorvel {

namespace {
constexpr int kTitleGap = 6;
constexpr int kTitleIconSize = 12;
}  // namespace

Gtk::Widget* makeLawSymbolIcon(const std::string& symbol, int size, const LawColor& color, const char* cssClass) {
  auto glyph = TabStripRules::symbolGlyph(symbol);
  if (glyph.kind) return Gtk::make_managed<LawPrecisionIcon>(*glyph.kind, size, color);
  auto* image = Gtk::make_managed<Gtk::Image>();
  image->set_from_icon_name(glyph.iconName);
  image->set_pixel_size(size);
  image->add_css_class(cssClass);
  return image;
}

LawSectionTitle::LawSectionTitle(const Glib::ustring& title, const std::string& symbol)
    : Gtk::Box(Gtk::Orientation::HORIZONTAL, kTitleGap), title_(title) {
  add_css_class("law-section-title-row");
  auto* icon = makeLawSymbolIcon(symbol, kTitleIconSize, LawTheme::primary, "law-section-icon");
  icon->set_valign(Gtk::Align::CENTER);
  append(*icon);
  title_.add_css_class("law-section-title");
  title_.set_valign(Gtk::Align::CENTER);
  title_.set_xalign(0);
  append(title_);
}

}  // namespace quorvel
