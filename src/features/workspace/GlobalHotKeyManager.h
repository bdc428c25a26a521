#pragma once
// The two system-wide hot keys: Alt+Shift+N toggles the quick-capture panel and
// Alt+Shift+O starts the recognition of a screen region, also while another program
// has the focus.
#include <functional>
#include <memory>
#include <set>

#include "base/Task.h"
#include "core/AppMode.h"
#include "platform/HotKeys.h"

namespace quorvel {

class UserDefaults;

class GlobalHotKeyManager {
 public:
  static constexpr const char* kEnabledKey = "global.hotkey.enabled.v1";
  static constexpr int kQuickCaptureId = 1;
  static constexpr int kScreenOCRId = 2;

  // `keys` is the system's hot-key service (X11HotKeys in the client); the switch is
  // stored in `defaults`.
  GlobalHotKeyManager(std::unique_ptr<HotKeys> keys, UserDefaults& defaults, AppMode mode);
  // Gives the keys back.
  ~GlobalHotKeyManager();
  GlobalHotKeyManager(const GlobalHotKeyManager&) = delete;
  GlobalHotKeyManager& operator=(const GlobalHotKeyManager&) = delete;

  // The stored switch; true when it is absent or holds no boolean.
  bool isEnabled() const;
  // The settings switch: stores the flag, then registers the keys (on) or gives them
  // back (off).
  void setEnabled(bool on);

  // Called on a later turn of the main loop when the key is pressed; unset does nothing.
  std::function<void()> onQuickCapture;
  std::function<void()> onScreenOCR;

  // Starts over: gives back whatever is held, listens and registers both keys. Each
  // key that cannot be had is logged with the reason; the success line names only
  // the keys actually registered.
  void registerAll();
  // Gives back both keys and stops listening; harmless when nothing is registered.
  void unregisterAll();
  // The launch step: registers when the switch is on, never in diagnostic mode.
  void registerAtLaunch();

  bool listening() const { return listening_; }
  bool isRegistered(int id) const { return registered_.count(id) > 0; }

 private:
  void pressed(int id);

  std::unique_ptr<HotKeys> keys_;
  UserDefaults& defaults_;
  AppMode mode_;
  bool listening_ = false;
  std::set<int> registered_;
  TaskScope scope_;
};

}  // namespace quorvel
