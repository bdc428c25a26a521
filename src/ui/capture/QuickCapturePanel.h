#pragma once
// The quick-capture panel: a small window kept above other windows on every workspace,
// holding a fresh QuickCaptureView each time it is shown; centred the first time,
// later where the user left it.
#include <gtkmm/window.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/BrowserModel.h"
#include "ui/model/QuickCapture.h"
#include "ui/capture/QuickCaptureView.h"
#include "ui/windows/FrameKeeper.h"

namespace quorvel {

class QuickCapturePanel {
 public:
  QuickCapturePanel() = default;
  // Where the panel was left is kept in `frames` (see rememberFramesIn).
  explicit QuickCapturePanel(UserDefaults& frames) : defaults_(&frames) {}
  ~QuickCapturePanel() { reset(); }
  QuickCapturePanel(const QuickCapturePanel&) = delete;
  QuickCapturePanel& operator=(const QuickCapturePanel&) = delete;

  // The due date in free text (see QuickCapture::detectDate), in the system's zone.
  static std::optional<TimePoint> detectDate(const std::string& text, TimePoint reference) {
    return QuickCapture::detectDate(text, reference);
  }

  // Where the panel was left is kept under kFrameKey in `defaults` (unset: centred
  // each time).
  void rememberFramesIn(UserDefaults& defaults) { defaults_ = &defaults; }
  static constexpr const char* kFrameKey = "floating.frame.capture";

  // The workspace model the form posts through; needed before show().
  void setModel(std::shared_ptr<BrowserModel> model) { model_ = std::move(model); }

  // After a successful save (badges are refreshed by the form itself). Each hook
  // decides on its own: the desktop calendar refreshes silently only while it is
  // shown, the calendar sync runs only while it is enabled. Unset: nothing happens.
  std::function<void()> refreshDesktopCalendarIfShown;
  std::function<void()> syncCalendarIfEnabled;

  // Orders out the current panel and opens a fresh form with the prefill and, when
  // given, the initial due date (which wins over a date in the prefill).
  void show(const std::string& prefillText = {}, std::optional<TimePoint> initialDate = std::nullopt);
  // Hides the panel without dropping it.
  void hide();
  // The hot key and the menu command: a visible panel is hidden, otherwise a fresh
  // empty form opens.
  void toggle();
  bool isVisible() const;

  // The panel shown last and its form; nullptr before the first show().
  Gtk::Window* panel() { return window_.get(); }
  QuickCaptureView* view() { return view_; }

  // Each new panel window, before it is shown (the application adds it to itself).
  sigc::signal<void(Gtk::Window&)>& signalWindowCreated() { return windowCreated_; }

  // Drops the panel (tests, shutdown).
  void reset();

 private:
  void place();

  std::shared_ptr<BrowserModel> model_;
  std::unique_ptr<Gtk::Window> window_;
  std::unique_ptr<FrameKeeper> frame_;  // of window_, gone before it
  UserDefaults* defaults_ = nullptr;
  QuickCaptureView* view_ = nullptr;
  sigc::signal<void(Gtk::Window&)> windowCreated_;
};

}  // namespace quorvel
