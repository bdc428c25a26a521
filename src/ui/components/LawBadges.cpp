#include "ui/components/LawBadges.h"

#include <cmath>

namespace quorvel {

namespace {
constexpr double kBrandDuotone = 0.24;

void frameTile(Gtk::Box& tile, double boxSize, Gtk::Widget& child) {
  const int px = static_cast<int>(std::lround(boxSize));
  tile.set_size_request(px, px);
  tile.set_halign(Gtk::Align::CENTER);
  tile.set_valign(Gtk::Align::CENTER);
  // Fixed size: the centred child must not make the tile grow with its parent.
  tile.set_hexpand(false);
  tile.set_vexpand(false);
  child.set_hexpand(true);
  child.set_vexpand(true);
  tile.append(child);
}
}  // namespace

BrandScaleIcon::BrandScaleIcon(double size, LawColor color)
    : LawPrecisionIcon(LawIconKind::scale, size, color, kBrandDuotone) {}

BrandBadge::BrandBadge(double boxSize, double iconSize) : icon_(iconSize, LawTheme::goldLight) {
  add_css_class("law-brand-badge");
  frameTile(*this, boxSize, icon_);
}

LawIconBadge::LawIconBadge(LawIconKind kind, Tone tone, double boxSize, double iconSize)
    : tone_(tone),
      icon_(kind, iconSize, lawIconBadgeTonePalette(tone).icon, lawIconBadgeTonePalette(tone).duotoneOpacity) {
  add_css_class("law-icon-badge");
  add_css_class(std::string("law-tone-") + lawIconBadgeToneName(tone));
  frameTile(*this, boxSize, icon_);
}

}  // namespace quorvel
