#pragma once
// Installs the shared look (ui/model/ThemeCss.h) on the display.
#include <functional>
#include <string>

#include "ui/model/ThemeCss.h"

namespace quorvel {

// Adds the style sheet to the default display once (later calls do nothing).
// Needs an initialised GTK.
void installLawStyle();

// Adds a view's own style sheet to the default display, its parse errors logged.
// False when there is no display yet (nothing added).
bool addDisplayCss(const std::string& css, int priorityAbove = 0);
// As addDisplayCss, once per display: the display keeps the mark `name`, so later calls
// neither build the sheet again nor add it twice.
bool addDisplayCssOnce(const char* name, const std::function<std::string()>& makeCss, int priorityAbove = 0);

}  // namespace quorvel
