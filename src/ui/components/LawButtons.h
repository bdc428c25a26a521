#pragma once
// The two shared button styles. A style is applied to an ordinary Gtk::Button; the
// look per state (hover, pressed, disabled, keyboard focus) comes from the CSS classes
// of ui/LawStyle. Neither style shows the hand cursor by itself (lawHandCursor).

#include <gtkmm/button.h>

#include <optional>

#include "core/LawIcons.h"

namespace quorvel {

struct LawPrimaryButtonStyle {
  bool compact = false;
  void apply(Gtk::Button& button) const;
};

struct LawSecondaryButtonStyle {
  bool compact = false;
  bool destructive = false;
  void apply(Gtk::Button& button) const;
};

// Sets the button's label to text, or to an icon followed by text; the icon takes the
// label's colour in every state. The icon is a little larger than the text.
void setLawButtonLabel(Gtk::Button& button, const Glib::ustring& text,
                       std::optional<LawIconKind> icon = std::nullopt, double fontSize = 12.5);

// Managed buttons (owned by the container they are added to).
Gtk::Button* makeLawPrimaryButton(const Glib::ustring& text, bool compact = false,
                                  std::optional<LawIconKind> icon = std::nullopt);
Gtk::Button* makeLawSecondaryButton(const Glib::ustring& text, bool compact = false,
                                    bool destructive = false,
                                    std::optional<LawIconKind> icon = std::nullopt);

}  // namespace quorvel
