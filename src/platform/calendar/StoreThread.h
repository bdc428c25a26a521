#pragma once
// One thread that owns a calendar backend's connections: it runs its own GLib main
// context (so the backend's signals arrive there), executes jobs in order, and hands
// results back to the main thread. Blocking backend calls never touch the main thread.
#include <glib.h>

#include <functional>
#include <string>
#include <thread>

#include "base/Task.h"

namespace quorvel {

class StoreThread {
 public:
  explicit StoreThread(std::string name);
  // Stops the loop and joins; a job that is still blocked delays this.
  ~StoreThread();
  StoreThread(const StoreThread&) = delete;
  StoreThread& operator=(const StoreThread&) = delete;

  // Runs fn on the thread (in order with the other jobs).
  void post(std::function<void()> fn);
  GMainContext* context() const { return context_; }
  bool onThread() const { return std::this_thread::get_id() == thread_.get_id(); }

  // co_await thread.run(fn): fn on the thread, the coroutine resumes on the main thread
  // with fn's result; an exception of fn is rethrown there.
  template <class F>
  auto run(F fn) {
    return detail::offThread([this](std::function<void()> job) { post(std::move(job)); }, std::move(fn));
  }

 private:
  GMainContext* context_ = nullptr;
  GMainLoop* loop_ = nullptr;
  std::thread thread_;
};

}  // namespace quorvel
