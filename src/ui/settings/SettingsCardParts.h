#pragma once
// Pieces the settings cards share: the heading row, the tinted divider, label looks
// and the two-line text column beside a switch.
#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/separator.h>

#include <optional>
#include <string>

#include "core/Theme.h"

namespace quorvel {

Gtk::Separator* makeSettingsDivider();
// Size in points, weight and colour as Pango attributes (readable by tests).
void styleSettingsLabel(Gtk::Label& label, double points, Pango::Weight weight, LawColor color,
                        bool monospace = false);
// The colour a label was styled with (tests and the status line read it back).
std::optional<LawColor> settingsLabelColor(Gtk::Label& label);
// Title over a muted note, growing to push the row's controls to the trailing edge.
Gtk::Box* makeSettingsRowTexts(Gtk::Label& title, Gtk::Label& note);

}  // namespace quorvel
