#pragma once
// What a test reads of the desktop from outside the client, as another program would:
// the windows the X server shows (through xdotool), calls on the session bus, the
// tray item the status-notifier watcher knows and the rows of its menu.
#include <gio/gio.h>

#include <string>
#include <vector>

#include "base/GLibPtr.h"

namespace quorvel::test {

// The standard output of a shell command.
std::string commandOutput(const std::string& command);
// The non-empty lines of `text`.
std::vector<std::string> lines(const std::string& text);

// The titles of the windows the X server shows (a render nobody sees has none).
std::vector<std::string> windowsOnScreen();
// Waits until a window titled `title` is on the screen.
bool waitForWindow(const std::string& title, unsigned ms = 15000);

// A method call on the session bus; a failure is a test failure (and nothing back).
GVariantPtr callSync(const std::string& name, const std::string& path, const std::string& iface,
                     const std::string& method, GVariant* params, const GVariantType* reply = nullptr);

// The items a running status-notifier watcher has registered, one a line.
std::string registeredTrayItems();
// The bus name of the client's tray item, once the watcher has it; empty without one.
std::string trayItem();
// The id of the tray menu's row whose label starts with `label`; -1 without one.
int trayMenuRow(const std::string& item, const std::string& label);

}  // namespace quorvel::test
