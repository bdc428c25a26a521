#include "ui/components/LawCard.h"

#include <cmath>

#include "core/Theme.h"

namespace quorvel {

LawCard::LawCard(double padding)
    : Gtk::Box(Gtk::Orientation::VERTICAL),
      padding_(padding),
      content_(Gtk::Orientation::VERTICAL, static_cast<int>(LawMetrics::cardSpacing)) {
  add_css_class("law-card");
  set_hexpand(true);
  set_halign(Gtk::Align::FILL);
  const int m = static_cast<int>(std::lround(padding));
  content_.set_margin(m);
  content_.set_halign(Gtk::Align::FILL);
  append(content_);
}

void LawCard::addContent(Gtk::Widget& child) {
  if (!child.get_hexpand() && child.get_halign() == Gtk::Align::FILL) child.set_halign(Gtk::Align::START);
  content_.append(child);
}

}  // namespace quorvel
