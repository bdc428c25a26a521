#pragma once
// Keeps a window where and as large as the user left it: when it is shown again (a
// window manager places a window that is mapped again as if it were new) and, through
// a key in the user defaults, across restarts. A frame is written only while the
// window is on screen and has reached the frame it was given, never from a window on
// its way in or out.
#include <gtkmm/window.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "platform/WindowPlacement.h"

namespace quorvel {

class UserDefaults;

class FrameKeeper {
 public:
  // Where the window goes when it is shown the first time in this process: `stored`
  // is the text under the key (or nothing), `screens` the visible frames, main screen
  // first. Nothing: where the window manager puts it.
  using FirstFrame =
      std::function<std::optional<Rect>(const std::optional<std::string>& stored, const std::vector<Rect>& screens)>;

  FrameKeeper(UserDefaults& defaults, Gtk::Window& window, std::string key, FirstFrame firstFrame);
  ~FrameKeeper();
  FrameKeeper(const FrameKeeper&) = delete;
  FrameKeeper& operator=(const FrameKeeper&) = delete;

  // The window's placement once it was shown (until it is unrealised).
  WindowPlacement* placement() const { return placement_.get(); }
  // Writes the frame now: the one on screen, else the last one seen there.
  void store();
  // False while a frame given to the window has not been reached yet.
  bool settled() const { return !target_; }
  // Each time the window was shown, with its placement: states a window manager may
  // drop while a window is hidden (keep above) are set here.
  sigc::signal<void(WindowPlacement&)>& signalShown() { return shown_; }

  static constexpr unsigned kWriteDelayMs = 250;
  // A window manager may still be taking the window over when it is given its frame:
  // the frame is given again until it holds, for at most this long.
  static constexpr unsigned kSettleStepMs = 50;
  static constexpr int kSettleSteps = 30;
  static constexpr int kStepsPerRequest = 5;

 private:
  void onMap();
  void onUnmap();
  void settleStep();
  // True, and settled, when the window stands at the frame it was given.
  bool reachedTarget();
  void onFrameChanged();
  // The frame on screen, with the remembered origin where origins are not ours.
  std::optional<Rect> frameOnScreen() const;
  void write();
  void scheduleWrite();

  UserDefaults& defaults_;
  Gtk::Window& window_;
  std::string key_;
  FirstFrame firstFrame_;
  std::unique_ptr<WindowPlacement> placement_;
  std::optional<Rect> last_;    // where it was last seen on screen
  std::optional<Rect> target_;  // being given to the window
  int stepsLeft_ = 0;
  SourceId settle_;
  SourceId pendingWrite_;
  std::vector<ScopedConnection> connections_;
  ScopedConnection frameChanged_;
  sigc::signal<void(WindowPlacement&)> shown_;
};

// Equal to the pixel: a frame given in fractions lands on whole pixels.
bool sameFrame(const Rect& a, const Rect& b);

}  // namespace quorvel
