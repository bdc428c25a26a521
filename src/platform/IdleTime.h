#pragma once
// How long ago the user last touched keyboard or pointer (in any application).
#include <optional>

namespace quorvel {

class IdleTime {
 public:
  virtual ~IdleTime() = default;
  // Seconds since the last input; nothing when the system cannot tell.
  virtual std::optional<double> secondsSinceInput() = 0;
};

// The X server's screensaver extension, over a connection of our own.
class X11IdleTime : public IdleTime {
 public:
  X11IdleTime();
  ~X11IdleTime() override;
  X11IdleTime(const X11IdleTime&) = delete;
  X11IdleTime& operator=(const X11IdleTime&) = delete;
  std::optional<double> secondsSinceInput() override;

 private:
  void* display_ = nullptr;  // Display*, kept out of this header (Xlib's macros)
  bool opened_ = false;
  bool warned_ = false;
};

}  // namespace quorvel
