#pragma once
// The application's tray item: the menu-bar glyph with the overdue count, the
// task-bar menu built from the badge counts, and the actions the application wires.
#include <functional>
#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "core/BrowserModel.h"
#include "ui/model/DockMenu.h"
#include "platform/StatusNotifierItem.h"

namespace quorvel {

class TrayController {
 public:
  struct Callbacks {
    std::function<void()> onOpenTodo;
    std::function<void()> onOpenDashboard;
    std::function<void()> onCheckUpdate;
    // A click on the item, at the pointer's screen position ((0, 0) when the host
    // does not tell it).
    std::function<void(int x, int y)> onActivate;
  };

  // Starts the item at once; it follows the model's badge counts from then on.
  TrayController(std::shared_ptr<BrowserModel> model, Callbacks callbacks);
  ~TrayController();
  TrayController(const TrayController&) = delete;
  TrayController& operator=(const TrayController&) = delete;

  StatusNotifierItem& item() { return item_; }
  const std::vector<DockMenuEntry>& entries() const { return entries_; }

 private:
  void rebuild();
  void onMenuItem(int id);

  std::shared_ptr<BrowserModel> model_;
  Callbacks callbacks_;
  StatusNotifierItem item_;
  std::vector<DockMenuEntry> entries_;
  std::string badgeText_ = "-";
  ScopedConnection badgesChanged_;
};

}  // namespace quorvel
