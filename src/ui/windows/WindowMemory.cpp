#include "ui/windows/WindowMemory.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "platform/WindowFrameRules.h"
#include "ui/windows/MainWindowController.h"

namespace quorvel {

WindowMemory::WindowMemory(UserDefaults& defaults, MainWindowController& controller)
    : defaults_(defaults), controller_(controller) {}

WindowMemory::~WindowMemory() {
  scope_.end();
  detach();
}

// On a backend without positions only the size is ours; the stored origin stays.
std::string WindowMemory::frameText(WindowPlacement& placement) {
  Rect f = placement.frame();
  if (!placement.canPosition())
    if (auto old = defaults_.string(kMainWindowFrameKey))
      if (auto r = rectFromText(*old)) f.x = r->x, f.y = r->y;
  return rectText(f);
}

void WindowMemory::writeNow() {
  pendingWrite_.reset();
  if (placement_) defaults_.set(kMainWindowFrameKey, frameText(*placement_));
}

void WindowMemory::scheduleWrite() {
  if (pendingWrite_) return;  // the pending write reads the frame when it runs
  // The source goes with this memory, so it never runs after it.
  pendingWrite_ = SourceId(postToMainAfter(kWriteDelayMs, [this] {
    pendingWrite_.forget();
    writeNow();
  }));
}

void WindowMemory::restoreFrame(WindowPlacement& placement) {
  auto stored = defaults_.string(kMainWindowFrameKey);
  if (!placement.canPosition()) {
    auto r = stored ? rectFromText(*stored) : std::nullopt;
    if (r && r->width >= kMainWindowMinRestoreWidth && r->height >= kMainWindowMinRestoreHeight) {
      placement.setFrame(*r);
      logLine(tags::kWindow, "恢复位置 " + *stored);
    }
    return;
  }
  MainFramePlan plan = planMainWindowFrame(stored, placement.frame(), placement.screenVisibleFrames());
  switch (plan.kind) {
    case MainFramePlan::restore:
      placement.setFrame(plan.frame);
      logLine(tags::kWindow, "恢复位置 " + *stored);
      break;
    case MainFramePlan::centre:
      placement.setFrame(plan.frame);
      break;
    case MainFramePlan::leave:
      break;
  }
}

void WindowMemory::observe(Gtk::Window& window) {
  detach();
  auto placement = placementFor(window);
  if (!placement) return;
  observed_.set(&window);
  placement_ = std::move(placement);
  window.add_css_class("law-canvas");
  restoreFrame(*placement_);

  observers_.emplace_back(placement_->frameChanged().connect([this] { scheduleWrite(); }));
  // Before the toolkit drops the X window: the last frame is still readable.
  observers_.emplace_back(window.signal_unrealize().connect([this] { detach(); }, false));
  observers_.emplace_back(window.signal_map().connect([this] {
    if (!frameAtHide_ || !placement_) return;
    Rect f = *std::exchange(frameAtHide_, std::nullopt);
    postToMain(scope_.guard([this, f] {
      if (placement_) placement_->setFrame(f);
    }));
  }));
}

void WindowMemory::wireCloseHides(Gtk::Window& window) {
  controller_.setCachedMainWindow(&window);
  setWindowIdentifier(window, kMainWindowIdentifier);
  window.set_hide_on_close(true);
  GObject* obj = G_OBJECT(window.gobj());
  if (!g_object_get_data(obj, "quorvel-close-hides")) {
    g_object_set_data(obj, "quorvel-close-hides", GINT_TO_POINTER(1));
    window.signal_close_request().connect(
        // Once the memory is gone the guard answers false: hide_on_close still hides it.
        scope_.guard([this] {
          controller_.hideMainWindowInsteadOfClosing();
          return true;
        }),
        false);
  }
}

void WindowMemory::attachNow(Gtk::Window& window) {
  wireCloseHides(window);
  if (observed_.get() == &window && placement_) return;
  if (!window.get_mapped()) {
    // Placing a window before the window manager has seen it would be undone.
    Gtk::Window* target = &window;
    waitingForMap_ = window.signal_map().connect([this, target] {
      waitingForMap_.disconnect();
      attachNow(*target);
    });
    return;
  }
  waitingForMap_.disconnect();
  observe(window);
}

void WindowMemory::attach() {
  // A close that comes before the frame is placed must still only hide the window.
  if (Gtk::Window* w = controller_.findMainWindow()) wireCloseHides(*w);
  postToMainAfter(kAttachDelayMs, scope_.guard([this] {
    if (Gtk::Window* w = controller_.findMainWindow()) attachNow(*w);
  }));
}

void WindowMemory::attach(Gtk::Window& window) {
  wireCloseHides(window);
  auto weak = std::make_shared<WeakWindow>();
  weak->set(&window);
  postToMainAfter(kAttachDelayMs, scope_.guard([this, weak] {
    if (Gtk::Window* w = weak->get()) attachNow(*w);
  }));
}

Gtk::Window* WindowMemory::observed() const { return placement_ ? observed_.get() : nullptr; }

void WindowMemory::storeFrame(Gtk::Window& window) {
  std::unique_ptr<WindowPlacement> temporary;
  WindowPlacement* placement = placement_.get();
  if (!placement || observed_.get() != &window) {
    temporary = placementFor(window);
    placement = temporary.get();
  }
  if (!placement) return;
  if (placement == placement_.get()) {
    pendingWrite_.reset();
    frameAtHide_ = placement->frame();
  }
  defaults_.set(kMainWindowFrameKey, frameText(*placement));
}

void WindowMemory::detach() {
  if (pendingWrite_) writeNow();
  observers_.clear();
  waitingForMap_.disconnect();
  placement_.reset();
  observed_.set(nullptr);
  frameAtHide_.reset();
}

}  // namespace quorvel
