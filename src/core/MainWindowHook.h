#pragma once
// Bringing the main window forward from the layers below the windows (deep links,
// search results, services): the application installs the one way to do it.
#include <functional>

namespace quorvel::MainWindowHook {

// Replaces the handler; an empty function removes it.
void setShowHandler(std::function<void()> show);
// Shows the main window through the installed handler; logged and otherwise
// nothing without one (headless runs).
void show();

}  // namespace quorvel::MainWindowHook
