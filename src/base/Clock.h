#pragma once
#include <chrono>
#include <optional>

namespace quorvel {

// Wall clock with a test override, so idle limits and cache ages can be checked
// without sleeping.
class Clock {
 public:
  using time_point = std::chrono::system_clock::time_point;
  static time_point now() { return override_ ? *override_ : std::chrono::system_clock::now(); }
  static void setNowForTesting(std::optional<time_point> t) { override_ = t; }
  static void advanceForTesting(std::chrono::milliseconds d) {
    override_ = now() + d;
  }
  static time_point distantPast() { return time_point{}; }

 private:
  static inline std::optional<time_point> override_;
};

}  // namespace quorvel
