#pragma once
// A small coroutine type for asynchronous chains on the GLib main context.
// A Task starts running at once. It can be awaited by another Task, or dropped:
// a dropped Task keeps running and frees itself when it ends (an escaped exception
// is then logged, never lost silently).
#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "core/Log.h"
#include "core/MainQueue.h"

namespace quorvel {

void logEscapedTaskException(std::exception_ptr e);

namespace detail {
struct PromiseBase {
  std::coroutine_handle<> continuation;
  std::exception_ptr error;
  bool detached = false;
  bool done = false;

  std::suspend_never initial_suspend() noexcept { return {}; }
  void unhandled_exception() noexcept { error = std::current_exception(); }

  template <class P>
  struct FinalAwaiter {
    bool await_ready() noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<P> h) noexcept {
      auto& p = h.promise();
      p.done = true;
      if (p.continuation) return p.continuation;
      if (p.detached) {
        if (p.error) logEscapedTaskException(p.error);
        h.destroy();
      }
      return std::noop_coroutine();
    }
    void await_resume() noexcept {}
  };
};
}  // namespace detail

template <class T = void>
class [[nodiscard]] Task {
 public:
  struct promise_type : detail::PromiseBase {
    std::optional<T> value;
    Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
    detail::PromiseBase::FinalAwaiter<promise_type> final_suspend() noexcept { return {}; }
    template <class U>
    void return_value(U&& v) { value.emplace(std::forward<U>(v)); }
  };
  using Handle = std::coroutine_handle<promise_type>;

  Task(Task&& o) noexcept : h_(std::exchange(o.h_, {})) {}
  Task& operator=(Task&& o) noexcept {
    if (this != &o) {
      release();
      h_ = std::exchange(o.h_, {});
    }
    return *this;
  }
  Task(const Task&) = delete;
  ~Task() { release(); }

  bool done() const { return !h_ || h_.promise().done; }
  // Detach explicitly (same as dropping the Task).
  void detach() { release(); }

  bool await_ready() const noexcept { return h_.promise().done; }
  void await_suspend(std::coroutine_handle<> c) noexcept { h_.promise().continuation = c; }
  T await_resume() {
    auto& p = h_.promise();
    if (p.error) std::rethrow_exception(p.error);
    return std::move(*p.value);
  }

 private:
  explicit Task(Handle h) : h_(h) {}
  void release() {
    if (!h_) return;
    if (h_.promise().done) {
      h_.destroy();
    } else {
      h_.promise().detached = true;
    }
    h_ = {};
  }
  Handle h_;
};

template <>
class [[nodiscard]] Task<void> {
 public:
  struct promise_type : detail::PromiseBase {
    Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
    detail::PromiseBase::FinalAwaiter<promise_type> final_suspend() noexcept { return {}; }
    void return_void() {}
  };
  using Handle = std::coroutine_handle<promise_type>;

  Task(Task&& o) noexcept : h_(std::exchange(o.h_, {})) {}
  Task& operator=(Task&& o) noexcept {
    if (this != &o) {
      release();
      h_ = std::exchange(o.h_, {});
    }
    return *this;
  }
  Task(const Task&) = delete;
  ~Task() { release(); }

  bool done() const { return !h_ || h_.promise().done; }
  void detach() { release(); }

  bool await_ready() const noexcept { return h_.promise().done; }
  void await_suspend(std::coroutine_handle<> c) noexcept { h_.promise().continuation = c; }
  void await_resume() {
    auto& p = h_.promise();
    if (p.error) std::rethrow_exception(p.error);
  }

 private:
  explicit Task(Handle h) : h_(h) {}
  void release() {
    if (!h_) return;
    if (h_.promise().done) {
      h_.destroy();
    } else {
      h_.promise().detached = true;
    }
    h_ = {};
  }
  Handle h_;
};

// Starts a task and lets it run to its end on its own.
template <class T>
void spawn(Task<T>&& t) {
  t.detach();
}

// Bridges any callback-style operation into an awaitable. `start` receives a
// resolver that must be called exactly once, on the main thread, with the result.
// Later calls are ignored.
template <class T>
class CallbackAwaiter {
 public:
  using Resolver = std::function<void(T)>;
  explicit CallbackAwaiter(std::function<void(Resolver)> start) : start_(std::move(start)) {}
  bool await_ready() const noexcept { return false; }
  bool await_suspend(std::coroutine_handle<> h) {
    auto state = state_;
    start_([state](T v) {
      if (state->fired) return;
      state->fired = true;
      state->value.emplace(std::move(v));
      if (state->handle) {
        auto hh = state->handle;
        state->handle = {};
        hh.resume();
      }
    });
    // Resolved while starting: go on without suspending. Resuming from inside
    // start_ could end the coroutine, and with it this awaiter, while start_ runs.
    if (state->fired) return false;
    state->handle = h;
    return true;
  }
  T await_resume() { return std::move(*state_->value); }

 private:
  struct State {
    std::coroutine_handle<> handle;
    std::optional<T> value;
    bool fired = false;
  };
  std::function<void(Resolver)> start_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Waits `ms` milliseconds on the main context.
struct Sleep {
  unsigned ms;
  bool await_ready() const noexcept { return false; }
  void await_suspend(std::coroutine_handle<> h) const {
    postToMainAfter(ms, [h] { h.resume(); });
  }
  void await_resume() const noexcept {}
};
inline Sleep sleepFor(unsigned ms) { return Sleep{ms}; }

// Resumes on a later turn of the main context.
struct NextTurn {
  bool await_ready() const noexcept { return false; }
  void await_suspend(std::coroutine_handle<> h) const {
    postToMain([h] { h.resume(); });
  }
  void await_resume() const noexcept {}
};
inline NextTurn nextTurn() { return {}; }

// Runs fn on a worker thread and resumes on the main context with its result.
// An exception thrown by fn is rethrown to the awaiting coroutine.
template <class F>
auto runInBackground(F fn) {
  using R = decltype(fn());
  struct Awaiter {
    F fn;
    std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> value;
    std::exception_ptr error;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> h) {
      std::thread([this, h]() mutable {
        try {
          if constexpr (std::is_void_v<R>) {
            fn();
            value.emplace(true);
          } else {
            value.emplace(fn());
          }
        } catch (...) {
          error = std::current_exception();
        }
        postToMain([h] { h.resume(); });
      }).detach();
    }
    R await_resume() {
      if (error) std::rethrow_exception(error);
      if constexpr (!std::is_void_v<R>) return std::move(*value);
    }
  };
  return Awaiter{std::move(fn), {}, {}};
}

}  // namespace quorvel
