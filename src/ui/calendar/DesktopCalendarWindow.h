#pragma once
// The desktop calendar's window: a small frameless panel beside the user's work with
// three placements (on the wallpaper, an ordinary window, always in front), a
// position lock and auto-show, kept under the "desktop.calendar.*" user defaults.
//
// Used by the application: startIfEnabled() in the launch sequence;
// show()/hide()/isVisible for the menu command, the top bar, the to-do sheet and the
// menu-bar panel; refreshSilentlyIfShown() for the quick-capture hook.
#include <gtkmm/window.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "base/Published.h"
#include "base/Task.h"
#include "core/AppMode.h"
#include "features/calendar/DesktopCalendarRules.h"
#include "platform/WindowPlacement.h"

namespace quorvel {

class BrowserModel;
class DesktopCalendarModel;
class DesktopCalendarView;
class UserDefaults;

inline constexpr const char* kDesktopCalendarIdentifier = "desktop-calendar";
inline constexpr const char* kDesktopCalendarTitle = "墨衡台 · 桌面日历";

// What the panel asks of the rest of the application (unset: nothing happens).
struct DesktopCalendarActions {
  // The quick to-do form, dated on the given day.
  std::function<void(std::chrono::system_clock::time_point day)> captureOnDay;
  // The main window forward, before a page opens in it.
  std::function<void()> showMainWindow;
};

class DesktopCalendarWindow {
 public:
  // Over the defaults that keep its state and the calendar's data; `browser` is the
  // workspace model the view opens pages in (none: its links do nothing); the view's
  // text follows `fontScale`, the workspace's, when given (it must outlive the window).
  DesktopCalendarWindow(UserDefaults& defaults, DesktopCalendarModel& model,
                        std::shared_ptr<BrowserModel> browser = nullptr, DesktopCalendarActions actions = {},
                        const Published<double>* fontScale = nullptr);
  ~DesktopCalendarWindow();
  DesktopCalendarWindow(const DesktopCalendarWindow&) = delete;
  DesktopCalendarWindow& operator=(const DesktopCalendarWindow&) = delete;

  Published<bool, DesktopCalendarWindow> isVisible{false};
  // The workspace's font scale, when the window was given one.
  const Published<double>* fontScale() const { return fontScale_; }
  Published<DesktopCalendarPlacement, DesktopCalendarWindow> placement{DesktopCalendarPlacement::desktop};
  Published<bool, DesktopCalendarWindow> autoShowOnLaunch{false};
  Published<bool, DesktopCalendarWindow> positionLocked{false};

  // Launch step: show() 2 seconds later when auto-show is on; nothing in the
  // diagnostic mode.
  void startIfEnabled(AppMode mode);
  // Creates the panel on first use or brings it back; refreshes the calendar's data.
  void show();
  // Orders the panel out (it is kept with its view state).
  void hide();
  void toggle() { isVisible.get() ? hide() : show(); }
  // The quick-capture hook: a silent refresh while the panel is shown.
  void refreshSilentlyIfShown();

  // Sets, stores and applies a placement (not brought forward).
  void setPlacement(DesktopCalendarPlacement p);
  // Stores the lock and applies it.
  void setPositionLocked(bool locked);
  void setAutoShowOnLaunch(bool on);
  // Movable and resizable exactly when unlocked; locking stores the frame.
  void applyLockState();

  // The panel, or nullptr before the first show().
  Gtk::Window* window() { return window_.get(); }
  DesktopCalendarView* view() { return view_; }
  // The calendar's data the panel shows (the benchmark drives its refresh).
  DesktopCalendarModel& model() { return model_; }
  WindowPlacement* windowPlacement() { return placement_.get(); }
  const DesktopCalendarActions& actions() const { return actions_; }
  // Whether a drag on the panel may move it (the lock).
  bool canMoveByDragging() const { return !positionLocked.get(); }
  // Each new panel, before it is shown (the application adds it to itself).
  sigc::signal<void(Gtk::Window&)>& signalWindowCreated() { return windowCreated_; }

 private:
  void createWindow();
  void onMapped();
  void applyPlacement();
  void bringForward();
  void storeFrame();

  UserDefaults& defaults_;
  DesktopCalendarModel& model_;
  std::shared_ptr<BrowserModel> browser_;
  const Published<double>* fontScale_ = nullptr;
  DesktopCalendarActions actions_;
  std::unique_ptr<Gtk::Window> window_;
  DesktopCalendarView* view_ = nullptr;
  std::unique_ptr<WindowPlacement> placement_;
  bool framePlaced_ = false;
  // Shown again: the window manager's own placement is not stored while the frame goes back.
  bool returning_ = false;
  sigc::connection frameChanged_;
  sigc::signal<void(Gtk::Window&)> windowCreated_;
  TaskScope scope_;
};

}  // namespace quorvel
