#include "ui/windows/WindowMemory.h"

#include <memory>
#include <optional>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "platform/WindowFrameRules.h"
#include "platform/UserDefaults.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {
namespace {

struct State {
  WeakWindow observed;
  std::unique_ptr<WindowPlacement> placement;
  std::vector<ScopedConnection> observers;
  ScopedConnection waitingForMap;
  SourceId pendingWrite;
  // Where the window was when it was hidden: a window manager places a window that
  // is shown again as if it were new.
  std::optional<Rect> frameAtHide;
};

State& state() {
  static auto* s = new State();  // outlives the windows at exit
  return *s;
}

// On a backend without positions only the size is ours; the stored origin stays.
std::string frameText(WindowPlacement& placement) {
  Rect f = placement.frame();
  if (!placement.canPosition())
    if (auto old = UserDefaults::standard().string(kMainWindowFrameKey))
      if (auto r = rectFromText(*old)) f.x = r->x, f.y = r->y;
  return rectText(f);
}

void writeNow() {
  State& s = state();
  s.pendingWrite.reset();
  if (s.placement) UserDefaults::standard().set(kMainWindowFrameKey, frameText(*s.placement));
}

void scheduleWrite() {
  State& s = state();
  if (s.pendingWrite) return;  // the pending write reads the frame when it runs
  s.pendingWrite = SourceId(postToMainAfter(WindowMemory::kWriteDelayMs, [] {
    state().pendingWrite.forget();
    writeNow();
  }));
}

void restoreFrame(WindowPlacement& placement) {
  auto stored = UserDefaults::standard().string(kMainWindowFrameKey);
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

void observe(Gtk::Window& window) {
  State& s = state();
  WindowMemory::detach();
  auto placement = placementFor(window);
  if (!placement) return;
  s.observed.set(&window);
  s.placement = std::move(placement);
  window.add_css_class("law-canvas");
  restoreFrame(*s.placement);

  s.observers.emplace_back(s.placement->frameChanged().connect(&scheduleWrite));
  // Before the toolkit drops the X window: the last frame is still readable.
  s.observers.emplace_back(window.signal_unrealize().connect([] { WindowMemory::detach(); }, false));
  s.observers.emplace_back(window.signal_map().connect([] {
    State& st = state();
    if (!st.frameAtHide || !st.placement) return;
    Rect f = *std::exchange(st.frameAtHide, std::nullopt);
    postToMain([f] {
      if (state().placement) state().placement->setFrame(f);
    });
  }));
}

void attachNow(Gtk::Window& window) {
  State& s = state();
  auto& controller = MainWindowController::shared();
  controller.setCachedMainWindow(&window);
  setWindowIdentifier(window, kMainWindowIdentifier);
  window.set_hide_on_close(true);
  GObject* obj = G_OBJECT(window.gobj());
  if (!g_object_get_data(obj, "quorvel-close-hides")) {
    g_object_set_data(obj, "quorvel-close-hides", GINT_TO_POINTER(1));
    window.signal_close_request().connect(
        [] {
          MainWindowController::shared().hideMainWindowInsteadOfClosing();
          return true;
        },
        false);
  }
  if (s.observed.get() == &window && s.placement) return;
  if (!window.get_mapped()) {
    // Placing a window before the window manager has seen it would be undone.
    Gtk::Window* target = &window;
    s.waitingForMap = window.signal_map().connect([target] {
      state().waitingForMap.disconnect();
      attachNow(*target);
    });
    return;
  }
  s.waitingForMap.disconnect();
  observe(window);
}

}  // namespace

void WindowMemory::attach() {
  postToMainAfter(kAttachDelayMs, [] {
    if (Gtk::Window* w = MainWindowController::shared().findMainWindow()) attachNow(*w);
  });
}

void WindowMemory::attach(Gtk::Window& window) {
  auto weak = std::make_shared<WeakWindow>();
  weak->set(&window);
  postToMainAfter(kAttachDelayMs, [weak] {
    if (Gtk::Window* w = weak->get()) attachNow(*w);
  });
}

Gtk::Window* WindowMemory::observed() { return state().placement ? state().observed.get() : nullptr; }

void WindowMemory::storeFrame(Gtk::Window& window) {
  State& s = state();
  std::unique_ptr<WindowPlacement> temporary;
  WindowPlacement* placement = s.placement.get();
  if (!placement || s.observed.get() != &window) {
    temporary = placementFor(window);
    placement = temporary.get();
  }
  if (!placement) return;
  if (placement == s.placement.get()) {
    s.pendingWrite.reset();
    s.frameAtHide = placement->frame();
  }
  UserDefaults::standard().set(kMainWindowFrameKey, frameText(*placement));
}

void WindowMemory::detach() {
  State& s = state();
  if (s.pendingWrite) writeNow();
  s.observers.clear();
  s.waitingForMap.disconnect();
  s.placement.reset();
  s.observed.set(nullptr);
  s.frameAtHide.reset();
}

}  // namespace quorvel
