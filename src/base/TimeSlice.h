#pragma once
// Long loops on the main thread give the loop a turn once their slice is spent:
//
//   TimeSlice slice;
//   for (…) { …; if (slice.spent()) co_await nextTurn(); }
//
// so input and redraws are never held up longer than about one slice.
#include <chrono>

namespace quorvel {

class TimeSlice {
 public:
  using Clock = std::chrono::steady_clock;
  explicit TimeSlice(std::chrono::milliseconds budget = std::chrono::milliseconds(12))
      : budget_(budget), start_(Clock::now()) {}
  // True once the budget has passed since the slice began; a new slice begins then.
  bool spent() {
    // The clock is read every few calls only: it costs more than a loop step.
    if (++calls_ % 8 != 0) return false;
    auto now = Clock::now();
    if (now - start_ < budget_) return false;
    start_ = now;
    return true;
  }

 private:
  std::chrono::milliseconds budget_;
  Clock::time_point start_;
  unsigned calls_ = 0;
};

}  // namespace quorvel
