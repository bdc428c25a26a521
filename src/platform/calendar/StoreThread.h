#pragma once
// One thread that owns a calendar backend's connections: it runs its own GLib main
// context (so the backend's signals arrive there), executes jobs in order, and hands
// results back to the main thread. Blocking backend calls never touch the main thread.
#include <glib.h>

#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

#include "base/MainQueue.h"

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
    using R = decltype(fn());
    using Stored = std::conditional_t<std::is_void_v<R>, bool, R>;
    struct State {
      std::optional<Stored> value;
      std::exception_ptr error;
    };
    struct Awaiter {
      StoreThread* thread;
      F fn;
      std::shared_ptr<State> state = std::make_shared<State>();
      bool await_ready() const noexcept { return false; }
      void await_suspend(std::coroutine_handle<> h) {
        auto s = state;
        thread->post([s, h, f = std::move(fn)]() mutable {
          try {
            if constexpr (std::is_void_v<R>) {
              f();
              s->value.emplace(true);
            } else {
              s->value.emplace(f());
            }
          } catch (...) {
            s->error = std::current_exception();
          }
          postToMain([h] { h.resume(); });
        });
      }
      R await_resume() {
        if (state->error) std::rethrow_exception(state->error);
        if constexpr (!std::is_void_v<R>) return std::move(*state->value);
      }
    };
    return Awaiter{this, std::move(fn)};
  }

 private:
  GMainContext* context_ = nullptr;
  GMainLoop* loop_ = nullptr;
  std::thread thread_;
};

}  // namespace quorvel
