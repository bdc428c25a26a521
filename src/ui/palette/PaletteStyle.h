#pragma once
// The command palette's look: its style sheet, generated from the shared palette and
// motion, and the drawn icon of each entry.
#include <string>

#include "core/LawIcons.h"
#include "ui/model/CommandPalette.h"

namespace quorvel {

// Adds the palette's style sheet to the display once.
void installPaletteStyle();
std::string paletteCss();

// The CSS class of a category ("law-cat-contract"), for its badge colour.
std::string paletteCategoryClass(CommandPalette::Category category);

// The drawn icon of an entry: a page, contract or client by its path, as the sidebar
// draws it; an action by its symbol.
LawIconKind paletteIcon(const CommandPalette::Entry& entry);

}  // namespace quorvel
