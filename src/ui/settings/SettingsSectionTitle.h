#pragma once
// The heading row that opens every card of the settings sheet: the symbol in the
// primary colour, then the title in bold.
#include <gtkmm/box.h>

#include <string>

namespace quorvel {

// A managed row (owned by the container it is added to).
Gtk::Box* makeSettingsSectionTitle(const std::string& title, const std::string& symbol);

}  // namespace quorvel
