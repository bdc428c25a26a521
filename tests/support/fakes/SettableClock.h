#pragma once
// A wall clock a test sets and moves: the system's time until set.
#include <chrono>
#include <mutex>
#include <optional>

#include "base/Clock.h"

namespace quorvel::test {

class SettableClock final : public Clock {
 public:
  time_point now() const override {
    std::lock_guard lock(mutex_);
    return fixed_ ? *fixed_ : std::chrono::system_clock::now();
  }
  // Fixes the time; nothing: the system's time again.
  void set(std::optional<time_point> t) {
    std::lock_guard lock(mutex_);
    fixed_ = t;
  }
  // Fixes the time `d` after what it reads now.
  void advance(std::chrono::milliseconds d) { set(now() + d); }

 private:
  mutable std::mutex mutex_;
  std::optional<time_point> fixed_;
};

}  // namespace quorvel::test
