#include "ui/components/LawSelectableChip.h"

#include <gtkmm/stylecontext.h>

#include "ui/components/LawStyle.h"
#include "ui/components/HandCursor.h"

namespace quorvel {

LawSelectableChip::LawSelectableChip(const Glib::ustring& title, bool active, LawColor activeColor,
                                     bool pill, bool compact, std::function<void()> action)
    : Gtk::Button(title), active_(false), activeColor_(LawTheme::primary), pill_(pill),
      action_(std::move(action)) {
  add_css_class("law-chip");
  if (pill) add_css_class("law-pill");
  if (compact) add_css_class("law-compact");
  setActiveColor(activeColor);
  setActive(active);
  lawHandCursor(*this, true);
  signal_clicked().connect([this] {
    if (action_) action_();
  });
}

void LawSelectableChip::setActive(bool active) {
  active_ = active;
  if (active) {
    add_css_class("law-active");
    set_state_flags(Gtk::StateFlags::SELECTED, false);
  } else {
    remove_css_class("law-active");
    unset_state_flags(Gtk::StateFlags::SELECTED);
  }
}

void LawSelectableChip::setActiveColor(LawColor color) {
  activeColor_ = color;
  auto ctx = get_style_context();
  if (colorProvider_) {
    ctx->remove_provider(colorProvider_);
    colorProvider_.reset();
  }
  if (color == LawTheme::primary) return;  // the shared style sheet covers it
  colorProvider_ = Gtk::CssProvider::create();
  colorProvider_->load_from_data(lawChipColorCss(color));
  ctx->add_provider(colorProvider_, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
}

}  // namespace quorvel
