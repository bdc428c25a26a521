#pragma once
// The brand mark, the brand tile and the tinted icon tile. Tiles keep corner radius 8
// whatever their size; their colours and shadows come from the .law-brand-badge and
// .law-icon-badge classes.

#include <gtkmm/box.h>

#include "core/LawIcons.h"
#include "ui/components/LawPrecisionIcon.h"

namespace quorvel {

// The balance-scale mark, `size` square, in `color`.
class BrandScaleIcon : public LawPrecisionIcon {
 public:
  BrandScaleIcon(double size, LawColor color);
};

// The gold-on-navy brand tile: the mark `iconSize` wide centred on a `boxSize` tile.
class BrandBadge : public Gtk::Box {
 public:
  BrandBadge(double boxSize, double iconSize);

 private:
  BrandScaleIcon icon_;
};

// A line icon on a tile tinted by its tone.
class LawIconBadge : public Gtk::Box {
 public:
  using Tone = LawIconBadgeTone;
  LawIconBadge(LawIconKind kind, Tone tone, double boxSize, double iconSize);

  LawIconKind kind() const { return icon_.kind(); }
  Tone tone() const { return tone_; }

 private:
  Tone tone_;
  LawPrecisionIcon icon_;
};

}  // namespace quorvel
