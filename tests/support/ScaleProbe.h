#pragma once
// What the scale benchmarks measure around a piece of work: the time, the longest the
// main loop went without a turn (a 5 ms timer), the resident memory; and the test
// service on a thread and context of its own, so building a large reply is not
// counted as the client's stall.
#include <glib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "TestService.h"
#include "base/MainQueue.h"

namespace quorvel::test {

class StallWatch {
 public:
  using Clock = std::chrono::steady_clock;
  StallWatch() : start_(Clock::now()), last_(start_) {
    id_ = startRepeatingTimer(5, [this] {
      auto now = Clock::now();
      longest_ = std::max(longest_, ms(now - last_));
      last_ = now;
      return true;
    });
  }
  ~StallWatch() { cancelTimer(id_); }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;
  double elapsedMs() const { return ms(Clock::now() - start_); }
  double longestStallMs() const { return std::max(longest_, ms(Clock::now() - last_)); }

 private:
  static double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
  unsigned id_ = 0;
  Clock::time_point start_, last_;
  double longest_ = 0;
};

// Resident memory of this process in MiB.
inline double residentMiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// "scale: <work> n=<N> ms=… stall_ms=… rss_mib=…" (and what `extra` adds).
inline void printScaleLine(const std::string& work, long n, double ms, double stallMs, const std::string& extra = "") {
  std::printf("scale: %s n=%ld ms=%.0f stall_ms=%.0f rss_mib=%.0f%s\n", work.c_str(), n, ms, stallMs, residentMiB(),
              extra.empty() ? "" : (" " + extra).c_str());
  std::fflush(stdout);
}

class ServiceThread {
 public:
  explicit ServiceThread(TestService& service) : service_(service), context_(g_main_context_new()) {
    g_main_context_push_thread_default(context_);
    service_.start();
    g_main_context_pop_thread_default(context_);
    thread_ = std::thread([this] {
      g_main_context_push_thread_default(context_);
      while (!stop_) g_main_context_iteration(context_, TRUE);
      g_main_context_pop_thread_default(context_);
    });
  }
  ~ServiceThread() {
    stop_ = true;
    g_main_context_wakeup(context_);
    thread_.join();
    g_main_context_push_thread_default(context_);
    service_.stop();
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }
  ServiceThread(const ServiceThread&) = delete;
  ServiceThread& operator=(const ServiceThread&) = delete;

 private:
  TestService& service_;
  GMainContext* context_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

}  // namespace quorvel::test
