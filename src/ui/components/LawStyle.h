#pragma once
// Installs the shared look (core/ThemeCss.h) on the display.
#include "core/ThemeCss.h"

namespace quorvel {

// Adds the style sheet to the default display once (later calls do nothing).
// Needs an initialised GTK.
void installLawStyle();

}  // namespace quorvel
