#pragma once
// Small helpers shared by the test binaries: running a task to its end, counting log
// lines, and a fixed time zone and wall clock.
#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/MainQueue.h"
#include "base/Task.h"
#include "TestEnv.h"

namespace quorvel::test {

class SettableClock;

// A file's bytes, or empty when it cannot be read.
inline std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the main loop until `pred` holds, with the ceiling scaled for a loaded machine.
inline bool waitUntil(const std::function<bool()>& pred, unsigned ms) { return runMainLoopUntil(pred, scaledWait(ms)); }

// How a task ended: its value, or the error it threw.
template <class T>
struct Outcome {
  std::optional<T> value;
  std::optional<AppError> error;  // set when it threw an AppError
  std::exception_ptr exception;   // whatever it threw, AppError included
  bool done = false;
};

template <class T>
Task<void> collectOutcome(Task<T> t, std::shared_ptr<Outcome<T>> out) {
  try {
    out->value.emplace(co_await t);
  } catch (const AppError& e) {
    out->error = e;
    out->exception = std::current_exception();
  } catch (...) {
    out->exception = std::current_exception();
  }
  out->done = true;
}

// Runs `t` on the main context until it ends; a time-out is a test failure.
template <class T>
std::shared_ptr<Outcome<T>> runToEnd(Task<T> t, unsigned ms = 15000) {
  auto out = std::make_shared<Outcome<T>>();
  spawn(collectOutcome(std::move(t), out));
  EXPECT_TRUE(waitUntil([&] { return out->done; }, ms)) << "task did not finish";
  return out;
}

// A task without a value, run to its end the same way (its value: true).
inline Task<bool> finishedTask(Task<void> t) {
  co_await t;
  co_return true;
}
inline std::shared_ptr<Outcome<bool>> runToEnd(Task<void> t, unsigned ms = 15000) {
  return runToEnd(finishedTask(std::move(t)), ms);
}

// The error the task ended with; domain "other" for an exception that is no AppError,
// "none" when it did not fail.
template <class T>
AppError errorOf(const Outcome<T>& o) {
  if (o.error) return *o.error;
  try {
    if (o.exception) std::rethrow_exception(o.exception);
  } catch (const std::exception& e) {
    return AppError("other", 0, e.what());
  } catch (...) {
    return AppError("other", 0, "not a std::exception");
  }
  return AppError("none", 0, "no error");
}

// Writes `bytes` to `path` as they are.
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Lines that contain `part`.
int countContaining(const std::vector<std::string>& lines, const std::string& part);

// Sets TZ (and tzset) for its lifetime; the old value comes back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> saved_;
};

// Fixes `clock` at the given wall time of a zone `utcOffsetHours` east of UTC.
void setClockTo(SettableClock& clock, int year, int month, int day, int hour, int minute, int utcOffsetHours);

}  // namespace quorvel::test
