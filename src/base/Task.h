#pragma once
// A small coroutine type for asynchronous chains on the GLib main context.
// A Task starts running at once. It can be awaited by another Task, or dropped:
// a dropped Task keeps running and frees itself when it ends (an escaped exception
// is then logged, never lost silently).
#include <coroutine>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/WorkerPool.h"

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

template <class T>
class Task;

namespace detail {
// Ownership of the coroutine frame, shared by Task<T> and Task<void>.
template <class Promise>
class TaskHandle {
 public:
  using Handle = std::coroutine_handle<Promise>;
  explicit TaskHandle(Handle h) : h_(h) {}
  TaskHandle(TaskHandle&& o) noexcept : h_(std::exchange(o.h_, {})) {}
  TaskHandle& operator=(TaskHandle&& o) noexcept {
    if (this != &o) {
      release();
      h_ = std::exchange(o.h_, {});
    }
    return *this;
  }
  TaskHandle(const TaskHandle&) = delete;
  ~TaskHandle() { release(); }

  bool done() const { return !h_ || h_.promise().done; }
  // Detach explicitly (same as dropping the Task).
  void detach() { release(); }

  bool await_ready() const noexcept { return h_.promise().done; }
  void await_suspend(std::coroutine_handle<> c) noexcept { h_.promise().continuation = c; }

 protected:
  Promise& promise() { return h_.promise(); }
  void rethrowIfFailed() {
    if (h_.promise().error) std::rethrow_exception(h_.promise().error);
  }

 private:
  // A finished frame is freed here; a running one frees itself when it ends.
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

template <class T>
struct TaskPromise : PromiseBase {
  std::optional<T> value;
  Task<T> get_return_object();
  FinalAwaiter<TaskPromise> final_suspend() noexcept { return {}; }
  template <class U>
  void return_value(U&& v) { value.emplace(std::forward<U>(v)); }
};

template <>
struct TaskPromise<void> : PromiseBase {
  Task<void> get_return_object();
  FinalAwaiter<TaskPromise> final_suspend() noexcept { return {}; }
  void return_void() {}
};
}  // namespace detail

template <class T = void>
class [[nodiscard]] Task : public detail::TaskHandle<detail::TaskPromise<T>> {
  using Base = detail::TaskHandle<detail::TaskPromise<T>>;

 public:
  using promise_type = detail::TaskPromise<T>;
  explicit Task(typename Base::Handle h) : Base(h) {}
  T await_resume() {
    this->rethrowIfFailed();
    return std::move(*this->promise().value);
  }
};

template <>
class [[nodiscard]] Task<void> : public detail::TaskHandle<detail::TaskPromise<void>> {
  using Base = detail::TaskHandle<detail::TaskPromise<void>>;

 public:
  using promise_type = detail::TaskPromise<void>;
  explicit Task(Base::Handle h) : Base(h) {}
  void await_resume() { rethrowIfFailed(); }
};

namespace detail {
template <class T>
Task<T> TaskPromise<T>::get_return_object() {
  return Task<T>(std::coroutine_handle<TaskPromise<T>>::from_promise(*this));
}
inline Task<void> TaskPromise<void>::get_return_object() {
  return Task<void>(std::coroutine_handle<TaskPromise<void>>::from_promise(*this));
}
}  // namespace detail

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

// Runs fn on `pool` and resumes on the main context with its result. An exception
// thrown by fn is rethrown to the awaiting coroutine. The pool must outlive the wait.
template <class F>
auto onWorker(WorkerPool& pool, F fn) {
  using R = decltype(fn());
  struct Awaiter {
    WorkerPool& pool;
    F fn;
    std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> value;
    std::exception_ptr error;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> h) {
      pool.submit([this, h]() mutable {
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
      });
    }
    R await_resume() {
      if (error) std::rethrow_exception(error);
      if constexpr (!std::is_void_v<R>) return std::move(*value);
    }
  };
  return Awaiter{pool, std::move(fn), {}, {}};
}

// Replies from this size on are decoded on the worker pool: the main thread stays free.
inline constexpr std::size_t kDecodeOnWorkerBytes = 64 * 1024;

// `decode(text)`, run on `pool` when the text is large (kDecodeOnWorkerBytes), else at
// once. `decode` must be safe to run on any thread.
template <class Decode>
Task<std::invoke_result_t<Decode, const std::string&>> decodeOffMain(WorkerPool& pool, std::string text,
                                                                     Decode decode) {
  if (text.size() < kDecodeOnWorkerBytes) co_return decode(text);
  // A named awaiter: GCC 12 destroys a capturing lambda temporary inside a co_await
  // operand twice.
  auto work = onWorker(pool, [text = std::move(text), decode] { return decode(text); });
  co_return co_await work;
}

}  // namespace quorvel
