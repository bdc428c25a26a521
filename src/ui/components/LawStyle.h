#pragma once
// Installs the shared look (ui/model/ThemeCss.h) on the display.
#include <string>

#include "ui/model/ThemeCss.h"

namespace quorvel {

// Adds the style sheet to the default display once (later calls do nothing).
// Needs an initialised GTK.
void installLawStyle();

// Adds a view's own style sheet to the default display, its parse errors logged.
// False when there is no display yet (nothing added).
bool addDisplayCss(const std::string& css, int priorityAbove = 0);

}  // namespace quorvel
