#pragma once
// The card container: white rounded panel with a light border and two soft shadows.
// Children stack vertically, 10 apart, aligned to the leading edge, inset by `padding`.

#include <gtkmm/box.h>

namespace quorvel {

class LawCard : public Gtk::Box {
 public:
  explicit LawCard(double padding = 14);

  // Adds a child below the previous ones. A child that does not expand horizontally is
  // kept at the leading edge instead of being stretched.
  void addContent(Gtk::Widget& child);
  Gtk::Box& content() { return content_; }
  double padding() const { return padding_; }

 private:
  double padding_;
  Gtk::Box content_;
};

}  // namespace quorvel
