#include "ui/windows/FrameKeeper.h"

#include <cmath>

#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "platform/WindowFrameRules.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {

bool sameFrame(const Rect& a, const Rect& b) {
  // Whole pixels on the screen: a fractional frame lands on the nearest one.
  return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1 && std::abs(a.width - b.width) <= 1 &&
         std::abs(a.height - b.height) <= 1;
}

FrameKeeper::FrameKeeper(UserDefaults& defaults, Gtk::Window& window, std::string key, FirstFrame firstFrame)
    : defaults_(defaults), window_(window), key_(std::move(key)), firstFrame_(std::move(firstFrame)) {
  connections_.emplace_back(window_.signal_map().connect([this] { onMap(); }));
  // Before the toolkit takes the window off the screen: its frame is still readable.
  connections_.emplace_back(window_.signal_unmap().connect([this] { onUnmap(); }, false));
  connections_.emplace_back(window_.signal_unrealize().connect(
      [this] {
        settle_.reset();
        frameChanged_.disconnect();
        placement_.reset();
      },
      false));
  if (window_.get_mapped()) onMap();
}

FrameKeeper::~FrameKeeper() {
  if (pendingWrite_) write();
}

std::optional<Rect> FrameKeeper::frameOnScreen() const {
  if (!placement_ || !window_.get_mapped() || !placement_->onScreen()) return std::nullopt;
  Rect f = placement_->frame();
  if (f.width <= 0 || f.height <= 0) return std::nullopt;
  if (!placement_->canPosition()) {
    Rect origin = last_ ? *last_ : Rect{};
    if (!last_)
      if (auto text = defaults_.string(key_))
        if (auto r = rectFromText(*text)) origin = *r;
    f.x = origin.x;
    f.y = origin.y;
  }
  return f;
}

void FrameKeeper::onMap() {
  if (!placement_) {
    placement_ = placementFor(window_);
    if (!placement_) return;
    frameChanged_ = placement_->frameChanged().connect([this] { onFrameChanged(); });
  }
  shown_.emit(*placement_);
  std::optional<Rect> target = last_;
  if (!target && firstFrame_) target = firstFrame_(defaults_.string(key_), placement_->screenVisibleFrames());
  if (!target) return;
  target_ = target;
  stepsLeft_ = kSettleSteps;
  placement_->setFrame(*target_);
  settle_ = SourceId(g_timeout_add(kSettleStepMs, [](gpointer self) -> gboolean {
    auto* keeper = static_cast<FrameKeeper*>(self);
    keeper->settleStep();
    if (keeper->target_) return G_SOURCE_CONTINUE;
    keeper->settle_.forget();
    return G_SOURCE_REMOVE;
  }, this));
}

bool FrameKeeper::reachedTarget() {
  auto now = frameOnScreen();
  if (!now || !sameFrame(*now, *target_)) return false;
  last_ = *now;
  target_.reset();
  return true;
}

void FrameKeeper::settleStep() {
  if (!target_ || !placement_) {
    target_.reset();
    return;
  }
  if (reachedTarget()) return;
  if (--stepsLeft_ <= 0) {
    // The window manager keeps it elsewhere: from now on the user's own moves count.
    target_.reset();
    if (auto now = frameOnScreen()) last_ = *now;
    return;
  }
  // Asked again now and then, not on every step: a window manager that took the
  // window over late has had time to answer.
  if (stepsLeft_ % kStepsPerRequest == 0 && frameOnScreen()) placement_->setFrame(*target_);
}

void FrameKeeper::onFrameChanged() {
  if (target_) {
    // On its way to the frame it was given: done once it is there.
    if (reachedTarget()) settle_.reset();
    return;
  }
  if (auto now = frameOnScreen()) {
    last_ = *now;
    scheduleWrite();
  }
}

void FrameKeeper::onUnmap() {
  settle_.reset();
  if (target_) {
    // Hidden before it got there: it comes back where it was meant to go.
    last_ = *std::exchange(target_, std::nullopt);
  } else if (auto now = frameOnScreen()) {
    last_ = *now;
  }
  pendingWrite_.reset();
  if (last_) write();
}

void FrameKeeper::store() {
  if (!target_)
    if (auto now = frameOnScreen()) last_ = *now;
  pendingWrite_.reset();
  if (last_) write();
}

void FrameKeeper::write() {
  pendingWrite_.reset();
  if (last_) defaults_.set(key_, rectText(*last_));
}

void FrameKeeper::scheduleWrite() {
  if (pendingWrite_) return;  // it writes the latest frame when it runs
  pendingWrite_ = SourceId(g_timeout_add(kWriteDelayMs, [](gpointer self) -> gboolean {
    auto* keeper = static_cast<FrameKeeper*>(self);
    keeper->pendingWrite_.forget();
    keeper->write();
    return G_SOURCE_REMOVE;
  }, this));
}

}  // namespace quorvel
