#include "ui/calendar/DesktopCalendarWindow.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "platform/WindowFrameRules.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "platform/UserDefaults.h"
#include "platform/WindowPlacement.h"
#include "ui/calendar/DesktopCalendarView.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {

DesktopCalendarWindow::DesktopCalendarWindow(UserDefaults& defaults, DesktopCalendarModel& model,
                                             std::shared_ptr<BrowserModel> browser, DesktopCalendarActions actions,
                                             const Published<double>* fontScale)
    : defaults_(defaults),
      model_(model),
      browser_(std::move(browser)),
      fontScale_(fontScale),
      actions_(std::move(actions)) {
  placement.set(placementFromRaw(defaults_.string(kDesktopCalendarPlacementKey)));
  autoShowOnLaunch.set(defaults_.boolean(kDesktopCalendarAutoShowKey).value_or(false));
  positionLocked.set(defaults_.boolean(kDesktopCalendarLockedKey).value_or(false));
}

DesktopCalendarWindow::~DesktopCalendarWindow() {
  scope_.end();
  frameChanged_.disconnect();
  placement_.reset();
  if (window_) window_->set_visible(false);
}

void DesktopCalendarWindow::startIfEnabled(AppMode mode) {
  if (mode == AppMode::diagnostic) return;
  if (!autoShowOnLaunch.get()) return;
  postToMainAfter(2000, scope_.guard([this] { show(); }));
}

void DesktopCalendarWindow::show() {
  if (window_) {
    applyPlacement();
    applyLockState();
    bringForward();
    isVisible.set(true);
    model_.refresh(true).detach();
    return;
  }
  createWindow();
  bringForward();
  isVisible.set(true);
  model_.startAutoRefresh();
  model_.refresh(false).detach();
}

void DesktopCalendarWindow::hide() {
  if (window_) window_->set_visible(false);
  isVisible.set(false);
}

void DesktopCalendarWindow::refreshSilentlyIfShown() {
  if (isVisible.get()) model_.refresh(true).detach();
}

void DesktopCalendarWindow::createWindow() {
  window_ = std::make_unique<Gtk::Window>();
  Gtk::Window& w = *window_;
  w.set_title(kDesktopCalendarTitle);
  setWindowIdentifier(w, kDesktopCalendarIdentifier);
  w.set_decorated(false);
  w.set_hide_on_close(true);
  w.set_default_size(static_cast<int>(kDesktopCalendarWidth), static_cast<int>(kDesktopCalendarHeight));
  w.add_css_class("dc-window");
  view_ = Gtk::make_managed<DesktopCalendarView>(browser_, model_, *this);
  view_->set_size_request(static_cast<int>(kDesktopCalendarMinWidth), static_cast<int>(kDesktopCalendarMinHeight));
  w.set_child(*view_);
  // No title bar: the background moves the panel, the border resizes it.
  allowMoveAndResizeByDragging(w, [this] { return canMoveByDragging(); });
  w.signal_map().connect([this] { onMapped(); });
  w.signal_close_request().connect(
      [this] {
        storeFrame();
        isVisible.set(false);
        return false;  // hide_on_close keeps the panel
      },
      false);
  windowCreated_.emit(w);
}

// Placement and frame need the X window, which exists once the panel is mapped.
void DesktopCalendarWindow::onMapped() {
  if (!window_) return;
  if (!placement_) {
    placement_ = placementFor(*window_);
    if (placement_) {
      placement_->setMaximumSize(kDesktopCalendarMaxWidth, kDesktopCalendarMaxHeight);
      frameChanged_ = placement_->frameChanged().connect([this] {
        if (framePlaced_ && !returning_) storeFrame();
      });
    }
  }
  applyPlacement();
  applyLockState();
  // A window manager that takes the window over after this may drop states it had
  // not seen yet: apply them once more when it has settled.
  std::optional<Rect> back;
  if (placement_ && framePlaced_ && placement_->canPosition())
    back = restorableDesktopCalendarFrame(defaults_.string(kDesktopCalendarFrameKey), placement_->screenVisibleFrames());
  if (back) {
    // Shown again: where it was left, not where the window manager puts a new window.
    returning_ = true;
    placement_->setFrame(*back);
  }
  postToMainAfter(300, scope_.guard([this, back] {
    returning_ = false;
    if (!window_ || !window_->get_visible()) return;
    applyPlacement();
    if (back && placement_) placement_->setFrame(*back);
  }));
  if (!placement_ || framePlaced_ || !placement_->canPosition()) return;
  const auto screens = placement_->screenVisibleFrames();
  auto frame = restorableDesktopCalendarFrame(defaults_.string(kDesktopCalendarFrameKey), screens);
  if (!frame) {
    std::optional<Rect> main = screens.empty() ? std::nullopt : std::optional<Rect>(screens.front());
    frame = desktopCalendarRightEdgeFrame(main, kDesktopCalendarWidth, kDesktopCalendarHeight);
  }
  if (frame) {
    // A screen shorter than the panel's minimum lowers the minimum with it.
    if (frame->height < kDesktopCalendarMinHeight && view_)
      view_->set_size_request(static_cast<int>(kDesktopCalendarMinWidth), static_cast<int>(frame->height));
    window_->set_default_size(static_cast<int>(frame->width), static_cast<int>(frame->height));
    placement_->setFrame(*frame);
  }
  framePlaced_ = true;
}

void DesktopCalendarWindow::applyPlacement() {
  if (!placement_) return;
  const auto t = placementTraits(placement.get());
  placement_->setKeepAbove(t.keepAbove);
  placement_->setKeepBelow(t.keepBelow);
  placement_->setOnAllWorkspaces(t.allWorkspaces);
  placement_->setSkipTaskbar(t.skipTaskbarAndSwitcher);
}

void DesktopCalendarWindow::bringForward() {
  if (!window_) return;
  // On the wallpaper the panel is shown without taking the focus.
  if (placementTraits(placement.get()).takesFocusWhenShown) {
    window_->present();
    return;
  }
  gtk_widget_realize(GTK_WIDGET(window_->gobj()));
  if (auto surface = window_->get_surface()) skipFocusOnMap(surface->gobj());
  window_->set_visible(true);
}

void DesktopCalendarWindow::setPlacement(DesktopCalendarPlacement p) {
  placement.set(p);
  defaults_.set(kDesktopCalendarPlacementKey, placementRawValue(p));
  applyPlacement();
}

void DesktopCalendarWindow::setPositionLocked(bool locked) {
  positionLocked.set(locked);
  defaults_.set(kDesktopCalendarLockedKey, locked);
  applyLockState();
}

void DesktopCalendarWindow::setAutoShowOnLaunch(bool on) {
  autoShowOnLaunch.set(on);
  defaults_.set(kDesktopCalendarAutoShowKey, on);
}

void DesktopCalendarWindow::applyLockState() {
  if (!window_) return;
  const bool locked = positionLocked.get();
  window_->set_resizable(!locked);
  if (locked) storeFrame();
}

void DesktopCalendarWindow::storeFrame() {
  // Only a frame on screen is where the user left it.
  if (!placement_ || !placement_->canPosition() || !window_ || !window_->get_mapped() || !placement_->onScreen())
    return;
  defaults_.set(kDesktopCalendarFrameKey, rectText(placement_->frame()));
}

}  // namespace quorvel
