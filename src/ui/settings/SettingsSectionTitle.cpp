#include "ui/settings/SettingsSectionTitle.h"

#include <gtkmm/image.h>
#include <gtkmm/label.h>

#include "core/Theme.h"
#include "ui/components/LawPrecisionIcon.h"
#include "ui/components/LawStyle.h"
#include "ui/model/TabStripRules.h"

namespace quorvel {

namespace {
constexpr int kIconSize = 12;

std::string sectionTitleCss() {
  return ".law-settings-section-icon { color: " + LawTheme::primary.css() + "; -gtk-icon-size: 12px; }\n"
         ".law-settings-section-title { font-size: 13px; font-weight: 700; color: " + LawTheme::textPrimary.css() +
         "; }\n";
}
}  // namespace

Gtk::Box* makeSettingsSectionTitle(const std::string& title, const std::string& symbol) {
  addDisplayCssOnce("settings-section-title", sectionTitleCss);
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  auto glyph = TabStripRules::symbolGlyph(symbol);
  Gtk::Widget* icon = nullptr;
  if (glyph.kind) {
    icon = Gtk::make_managed<LawPrecisionIcon>(*glyph.kind, kIconSize, LawTheme::primary);
  } else {
    auto* image = Gtk::make_managed<Gtk::Image>();
    image->set_from_icon_name(glyph.iconName);
    image->set_pixel_size(kIconSize);
    image->add_css_class("law-settings-section-icon");
    icon = image;
  }
  icon->set_valign(Gtk::Align::CENTER);
  row->append(*icon);
  auto* label = Gtk::make_managed<Gtk::Label>(title);
  label->add_css_class("law-settings-section-title");
  label->set_xalign(0);
  label->set_valign(Gtk::Align::CENTER);
  row->append(*label);
  return row;
}

}  // namespace quorvel
