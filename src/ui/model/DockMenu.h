#pragma once
// The task-bar menu of the application (the tray item's menu) and the tray label,
// both decided from the two badge counts alone.
#include <string>
#include <vector>

#include "platform/WindowPlacement.h"

namespace quorvel {

enum class DockAction { none, openTodo, openDashboard, checkUpdate };

struct DockMenuEntry {
  std::string title;
  DockAction action = DockAction::none;
  bool separator = false;
  bool operator==(const DockMenuEntry&) const = default;
};

// The entries in their order, built new for every request.
std::vector<DockMenuEntry> dockMenuEntries(long long overdue, long long today);

// The number beside the tray glyph: the overdue count when it is 1 or more, else empty.
std::string trayLabelText(long long overdue);

// Where the menu-bar panel of `width` x `height` opens for a click at (px, py): centred
// below the point on the upper half of its screen, above it on the lower half, and
// always inside that screen's usable area (the first screen when none holds the point).
Rect menuBarPanelFrame(double px, double py, double width, double height, const std::vector<Rect>& screens);

}  // namespace quorvel
