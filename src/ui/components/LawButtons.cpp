#include "ui/components/LawButtons.h"

#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <cmath>

#include "ui/components/LawPrecisionIcon.h"

namespace quorvel {

namespace {
void setClass(Gtk::Widget& w, const char* cls, bool on) {
  if (on) w.add_css_class(cls);
  else w.remove_css_class(cls);
}
}  // namespace

void LawPrimaryButtonStyle::apply(Gtk::Button& button) const {
  button.remove_css_class("law-secondary-button");
  button.remove_css_class("law-destructive");
  button.add_css_class("law-primary-button");
  setClass(button, "law-compact", compact);
}

void LawSecondaryButtonStyle::apply(Gtk::Button& button) const {
  button.remove_css_class("law-primary-button");
  button.add_css_class("law-secondary-button");
  setClass(button, "law-compact", compact);
  setClass(button, "law-destructive", destructive);
}

void setLawButtonLabel(Gtk::Button& button, const Glib::ustring& text, std::optional<LawIconKind> icon,
                       double fontSize) {
  if (!icon) {
    button.set_label(text);
    return;
  }
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  box->set_halign(Gtk::Align::CENTER);
  box->append(*Gtk::make_managed<LawPrecisionIcon>(*icon, std::round(fontSize + 1.5)));
  auto* label = Gtk::make_managed<Gtk::Label>(text);
  box->append(*label);
  button.set_child(*box);
}

Gtk::Button* makeLawPrimaryButton(const Glib::ustring& text, bool compact, std::optional<LawIconKind> icon) {
  auto* b = Gtk::make_managed<Gtk::Button>();
  LawPrimaryButtonStyle{compact}.apply(*b);
  setLawButtonLabel(*b, text, icon, lawPrimaryButtonMetrics(compact).fontSize);
  return b;
}

Gtk::Button* makeLawSecondaryButton(const Glib::ustring& text, bool compact, bool destructive,
                                    std::optional<LawIconKind> icon) {
  auto* b = Gtk::make_managed<Gtk::Button>();
  LawSecondaryButtonStyle{compact, destructive}.apply(*b);
  setLawButtonLabel(*b, text, icon, lawSecondaryButtonMetrics(compact).fontSize);
  return b;
}

}  // namespace quorvel
