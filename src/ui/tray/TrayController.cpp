#include "ui/tray/TrayController.h"

#include "core/BadgeCounts.h"

#include "ui/model/TrayIcon.h"

namespace quorvel {

TrayController::TrayController(std::shared_ptr<BrowserModel> model, Callbacks callbacks)
    : model_(std::move(model)), callbacks_(std::move(callbacks)), item_("cn.quorvel.client", "墨衡台") {
  item_.menuItemClicked().connect([this](int id) { onMenuItem(id); });
  auto activate = [this](int x, int y) {
    if (callbacks_.onActivate) callbacks_.onActivate(x, y);
  };
  item_.activated().connect(activate);
  // A host that draws no menu of its own gets the panel, which offers the same ways in.
  item_.contextMenuRequested().connect(activate);
  badgesChanged_ = model_->account().badges.changed().connect([this] { rebuild(); });
  rebuild();
  item_.start();
}

TrayController::~TrayController() = default;

void TrayController::rebuild() {
  const BadgeCounts& b = model_->account().badges.get();
  entries_ = dockMenuEntries(b.overdue, b.today);
  std::vector<StatusNotifierMenuItem> items;
  for (size_t i = 0; i < entries_.size(); ++i)
    items.push_back({static_cast<int>(i) + 1, entries_[i].title, entries_[i].separator, true});
  item_.setMenu(std::move(items));
  // Drawing is the costly part: only when the badge's text changes.
  if (std::string text = trayBadgeText(b.overdue); text != badgeText_) {
    badgeText_ = text;
    item_.setIcon(trayIconPixmaps(b.overdue));
  }
  item_.setLabel(trayLabelText(b.overdue));
  std::string tip;
  if (b.overdue >= 1) tip = "超期 " + countText(b.overdue) + " 条";
  if (b.today >= 1) tip += (tip.empty() ? "" : " · ") + std::string("今日到期 ") + countText(b.today) + " 条";
  item_.setToolTip("墨衡台", tip);
}

void TrayController::onMenuItem(int id) {
  if (id < 1 || static_cast<size_t>(id) > entries_.size()) return;
  std::function<void()>* action = nullptr;
  switch (entries_[id - 1].action) {
    case DockAction::openTodo: action = &callbacks_.onOpenTodo; break;
    case DockAction::openDashboard: action = &callbacks_.onOpenDashboard; break;
    case DockAction::checkUpdate: action = &callbacks_.onCheckUpdate; break;
    case DockAction::none: break;
  }
  if (action && *action) (*action)();
}

}  // namespace quorvel
