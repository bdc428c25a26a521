#include "ui/model/DockMenu.h"

#include "core/BadgeCounts.h"

#include <algorithm>

namespace quorvel {

std::vector<DockMenuEntry> dockMenuEntries(long long overdue, long long today) {
  std::vector<DockMenuEntry> entries;
  if (overdue >= 1)
    entries.push_back({"待办（" + countText(overdue) + " 条超期）", DockAction::openTodo});
  else
    entries.push_back({"我的待办", DockAction::openTodo});
  entries.push_back({"打开工作台", DockAction::openDashboard});
  if (today >= 1) entries.push_back({"今日到期 " + countText(today) + " 条", DockAction::openTodo});
  entries.push_back({"", DockAction::none, true});
  entries.push_back({"检查更新…", DockAction::checkUpdate});
  return entries;
}

std::string trayLabelText(long long overdue) { return overdue >= 1 ? countText(overdue) : std::string(); }

Rect menuBarPanelFrame(double px, double py, double width, double height, const std::vector<Rect>& screens) {
  constexpr double gap = 8;
  Rect f{px - width / 2, py + gap, width, height};
  if (screens.empty()) return f;
  Rect s = screens.front();
  for (const auto& r : screens)
    if (px >= r.x && px < r.x + r.width && py >= r.y && py < r.y + r.height) {
      s = r;
      break;
    }
  if (py > s.y + s.height / 2) f.y = py - gap - height;
  // Clamped from the far edge first, so a panel larger than the screen keeps its top-left corner visible.
  f.x = std::max(s.x, std::min(f.x, s.x + s.width - width));
  f.y = std::max(s.y, std::min(f.y, s.y + s.height - height));
  return f;
}

}  // namespace quorvel
