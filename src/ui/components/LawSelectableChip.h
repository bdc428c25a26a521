#pragma once
// A selectable chip: a button showing `title`, filled with activeColor while active.
// The caller owns the selection and passes `active`; a click only calls `action`.
// Always shows the hand cursor on hover.

#include <gtkmm/button.h>
#include <gtkmm/cssprovider.h>

#include <functional>

#include "core/Theme.h"

namespace quorvel {

class LawSelectableChip : public Gtk::Button {
 public:
  LawSelectableChip(const Glib::ustring& title, bool active, LawColor activeColor = LawTheme::primary,
                    bool pill = false, bool compact = false, std::function<void()> action = {});

  bool active() const { return active_; }
  void setActive(bool active);
  LawColor activeColor() const { return activeColor_; }
  void setActiveColor(LawColor color);
  bool pill() const { return pill_; }
  void setAction(std::function<void()> action) { action_ = std::move(action); }

 private:
  bool active_;
  LawColor activeColor_;
  bool pill_;
  std::function<void()> action_;
  Glib::RefPtr<Gtk::CssProvider> colorProvider_;
};

}  // namespace quorvel
