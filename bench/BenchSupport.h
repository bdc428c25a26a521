#pragma once
// What the benchmarks that drive the client measure with: the time since a start, the
// longest the main loop went without a turn (what the user feels as a frozen window),
// the process's resident memory, and the test service on a thread of its own so that
// building its replies is not counted as the client's stall.
#include <glib.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "TestService.h"
#include "base/MainQueue.h"

namespace quorvel::bench {

using SteadyClock = std::chrono::steady_clock;

inline double msSince(SteadyClock::time_point start) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// The longest gap between turns of the main loop while it is watched (a 5 ms timer).
class StallWatch {
 public:
  StallWatch() : last_(SteadyClock::now()) {
    id_ = startRepeatingTimer(5, [this] {
      auto now = SteadyClock::now();
      longest_ = std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
      last_ = now;
      return true;
    });
  }
  ~StallWatch() { cancelTimer(id_); }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;
  double longestMs() const { return std::max(longest_, msSince(last_)); }

 private:
  unsigned id_ = 0;
  SteadyClock::time_point last_;
  double longest_ = 0;
};

// The resident memory of this process in MiB (VmRSS), 0 when it cannot be read; freed
// heap is given back to the system first, so the figure is what the process holds
// rather than what its allocator kept for later.
inline double residentMiB() {
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// "scale: <work> n=<N> ms=… stall_ms=… rss_mib=…" (and what `extra` adds).
inline void printScaleLine(const std::string& work, long n, double ms, double stallMs, const std::string& extra = "") {
  std::printf("scale: %s n=%ld ms=%.0f stall_ms=%.0f rss_mib=%.0f%s\n", work.c_str(), n, ms, stallMs, residentMiB(),
              extra.empty() ? "" : (" " + extra).c_str());
  std::fflush(stdout);
}

// The service on a context and thread of its own. (Its routes and modes are safe to set
// from any thread; no hanging outage is used by the benchmarks.)
class ServiceThread {
 public:
  explicit ServiceThread(test::TestService& service) : service_(service), context_(g_main_context_new()) {
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
  test::TestService& service_;
  GMainContext* context_;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

}  // namespace quorvel::bench
