#pragma once
// Which of the application's windows is the main window, and bringing it back: the
// application keeps running when the main window is closed (closing hides it), and
// the tray, the launcher, deep links and tool windows show it again. It owns the
// memory of the main window's frame.
#include <gtkmm/window.h>

#include <functional>
#include <memory>
#include <string>

#include "base/Task.h"
#include "core/MainWindowHook.h"
#include "ui/windows/WindowFrame.h"
#include "ui/windows/WindowMemory.h"

namespace quorvel {

class BrowserModel;
class UserDefaults;

inline constexpr const char* kMainWindowIdentifier = "quorvel-main-window";

// A window's identifier ("quorvel-main-window", "floating:todo", "desktop-calendar"…);
// empty when it has none.
void setWindowIdentifier(Gtk::Window& window, const std::string& identifier);
std::string windowIdentifier(const Gtk::Window& window);
// Panels (the tray panel, quick capture) are never the main window.
void setWindowIsPanel(Gtk::Window& window, bool panel);
bool windowIsPanel(const Gtk::Window& window);

// The layers below reach it as their MainWindowHook.
class MainWindowController : public MainWindowHook {
 public:
  // The frame is remembered in `defaults`.
  explicit MainWindowController(UserDefaults& defaults);
  ~MainWindowController() override;
  MainWindowController(const MainWindowController&) = delete;
  MainWindowController& operator=(const MainWindowController&) = delete;

  WindowMemory& memory() { return memory_; }

  // Re-creates the main window; set by whoever can (the application, the tray panel).
  // Empty at start.
  const std::function<void()>& openMainScene() const { return openMainScene_; }
  void setOpenMainScene(std::function<void()> open) { openMainScene_ = std::move(open); }
  // Whose tab session is saved when the main window hides.
  void setBrowserModel(std::weak_ptr<BrowserModel> model) { model_ = std::move(model); }

  // The main window among the process's windows (hidden ones too), or nullptr: the one
  // identified as "quorvel-main-window", else the first ordinary window that is no
  // tool window, desktop calendar, quick-archive window, panel or dialog.
  Gtk::Window* findMainWindow();
  // Brings it to the front (un-minimised); without one, has it re-created.
  void showMainWindow() override;
  // The main window's close button: saves the tab session and the frame, then hides.
  void hideMainWindowInsteadOfClosing();
  // Runs after the close button hid the main window; set by the application.
  void setOnClosedToBackground(std::function<void()> f) { onClosedToBackground_ = std::move(f); }

  Gtk::Window* cachedMainWindow() const { return cached_.get(); }
  void setCachedMainWindow(Gtk::Window* window) { cached_.set(window); }

 private:
  std::function<void()> openMainScene_;
  std::function<void()> onClosedToBackground_;
  std::weak_ptr<BrowserModel> model_;
  WeakWindow cached_;
  WindowMemory memory_;
  // A re-created window's delayed steps find out whether the controller is still there.
  TaskScope scope_;
};

}  // namespace quorvel
