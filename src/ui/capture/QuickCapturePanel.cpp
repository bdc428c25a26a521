#include "ui/capture/QuickCapturePanel.h"

#include <gtkmm/eventcontrollerkey.h>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/ShortcutText.h"
#include "platform/UserDefaults.h"
#include "platform/WindowFrameRules.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {

void QuickCapturePanel::show(const std::string& prefillText, std::optional<TimePoint> initialDate) {
  if (!model_) {
    logLine(tags::kApp, "快捷记待办没有可用的工作区，未打开", LogLevel::warning);
    return;
  }
  // Every call starts from a fresh form; text typed into an earlier panel is dropped.
  reset();

  auto window = std::make_unique<Gtk::Window>();
  Gtk::Window* raw = window.get();
  window->set_title(linuxShortcutText("快捷记待办 · ⌥⇧N"));
  window->set_resizable(false);
  window->set_default_size(QuickCaptureView::kWidth, QuickCaptureView::kHeight);
  window->set_hide_on_close(true);
  window->add_css_class("law-canvas");

  auto onSaved = [this] {
    if (refreshDesktopCalendarIfShown) refreshDesktopCalendarIfShown();
    if (syncCalendarIfEnabled) syncCalendarIfEnabled();
  };
  // The form lives inside this window, so it never calls back into a replaced one.
  view_ = Gtk::make_managed<QuickCaptureView>(model_, prefillText, initialDate, [raw] { raw->set_visible(false); },
                                              onSaved);
  window->set_child(*view_);

  auto keys = Gtk::EventControllerKey::create();
  keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  keys->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_Escape) return false;
        if (view_) view_->dismiss();
        return true;
      },
      false);
  window->add_controller(keys);
  window->signal_map().connect([this] { place(); });

  window_ = std::move(window);
  if (defaults_) {
    frame_ = std::make_unique<FrameKeeper>(*defaults_, *raw, kFrameKey,
                                           [](const std::optional<std::string>& stored, const std::vector<Rect>& screens) {
                                             return restorableToolFrame(stored, screens, QuickCaptureView::kWidth,
                                                                        QuickCaptureView::kHeight);
                                           });
  }
  windowCreated_.emit(*raw);
  raw->present();
}

// Above other windows, on every workspace; centred on the main screen unless it goes
// back where it was left.
void QuickCapturePanel::place() {
  if (!window_) return;
  auto placement = placementFor(*window_);
  if (!placement) return;
  placement->setKeepAbove(true);
  placement->setOnAllWorkspaces(true);
  if (!placement->canPosition()) return;
  if (frame_ && defaults_ &&
      restorableToolFrame(defaults_->string(kFrameKey), placement->screenVisibleFrames()))
    return;
  auto screens = placement->screenVisibleFrames();
  if (screens.empty()) return;
  const Rect& v = screens.front();
  const double w = QuickCaptureView::kWidth, h = QuickCaptureView::kHeight;
  placement->setFrame(Rect{v.x + std::max(0.0, (v.width - w) / 2), v.y + std::max(0.0, (v.height - h) / 2), w, h});
}

void QuickCapturePanel::hide() {
  if (window_) window_->set_visible(false);
}

void QuickCapturePanel::toggle() {
  if (isVisible()) hide();
  else show();
}

bool QuickCapturePanel::isVisible() const { return window_ && window_->get_visible(); }

void QuickCapturePanel::reset() {
  if (!window_) return;
  window_->set_visible(false);
  view_ = nullptr;
  frame_.reset();
  window_.reset();
}

}  // namespace quorvel
