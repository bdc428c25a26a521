#pragma once
// System-wide key combinations that reach the client even while another program
// has the focus.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/Result.h"

namespace quorvel {

// Modifier bits of a combination (the X11 core masks, so the X backend uses them as is).
namespace hotkey {
inline constexpr unsigned kShift = 1u << 0;
inline constexpr unsigned kControl = 1u << 2;
inline constexpr unsigned kAlt = 1u << 3;    // Mod1
inline constexpr unsigned kSuper = 1u << 6;  // Mod4
}  // namespace hotkey

struct HotKeyCombo {
  unsigned long keysym = 0;  // X keysym of the key, e.g. 0x6e for "n"
  unsigned modifiers = 0;    // hotkey::k* bits
};

// No error on success; otherwise errors::kHotKeys with the system's code and why it
// failed, for the log (Chinese).
using HotKeyResult = Result<void>;

class HotKeys {
 public:
  using PressedHandler = std::function<void(int id)>;
  virtual ~HotKeys() = default;

  // Starts receiving presses of the registered combinations; `onPressed` runs on the
  // main loop with the id a combination was registered under. Fails when the system
  // offers no global keys. Listening again replaces the handler.
  virtual HotKeyResult listen(PressedHandler onPressed) = 0;
  // Stops delivering presses (registrations are left to unregisterAll()).
  virtual void stopListening() = 0;
  // Takes the combination for the client; fails when another program holds it.
  virtual HotKeyResult registerKey(int id, const HotKeyCombo& combo) = 0;
  // Gives back every registered combination; harmless when there is none.
  virtual void unregisterAll() = 0;
};

// Passive key grabs on the X root window over a connection of our own, read from the
// default GLib main context. Each combination is grabbed also with CapsLock and
// NumLock on, so those locks do not hide it. Without an X display (a pure Wayland
// session) listening fails.
class X11HotKeys : public HotKeys {
 public:
  X11HotKeys();
  ~X11HotKeys() override;
  X11HotKeys(const X11HotKeys&) = delete;
  X11HotKeys& operator=(const X11HotKeys&) = delete;

  HotKeyResult listen(PressedHandler onPressed) override;
  void stopListening() override;
  HotKeyResult registerKey(int id, const HotKeyCombo& combo) override;
  void unregisterAll() override;

 private:
  struct Grab {
    int id;
    unsigned keycode;
    unsigned modifiers;
  };
  struct SourceDeleter {
    void operator()(void* source) const;
  };
  friend struct X11HotKeysSource;

  bool openDisplay();
  unsigned readNumLockMask();
  void ungrab(const Grab& g);
  std::vector<unsigned> lockVariants();
  // Hands every queued press of a registered combination to the handler.
  void dispatchEvents();

  void* display_ = nullptr;  // Display*, kept out of this header (Xlib's macros)
  bool lost_ = false;        // the server closed the connection
  unsigned numLock_ = 0;     // the modifier bit NumLock sets
  std::unique_ptr<void, SourceDeleter> source_;
  PressedHandler onPressed_;
  std::vector<Grab> grabs_;
};

}  // namespace quorvel
