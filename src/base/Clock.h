#pragma once
#include <chrono>

namespace quorvel {

// The wall clock, handed to whatever reads the time, so idle limits, cache ages and
// time stamps can be checked against a clock a test sets, without sleeping.
class Clock {
 public:
  using time_point = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;
  virtual time_point now() const = 0;
  static time_point distantPast() { return time_point{}; }
};

// The system's wall clock (the composition root owns the one the client runs on).
class SystemClock final : public Clock {
 public:
  time_point now() const override { return std::chrono::system_clock::now(); }
};

}  // namespace quorvel
