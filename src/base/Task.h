#pragma once
// A small coroutine type for asynchronous chains on the GLib main context.
// A Task starts running at once. It can be awaited by another Task, or dropped:
// a dropped Task keeps running and frees itself when it ends (an escaped exception
// is then logged, never lost silently).
//
// Lifetime: an owner holds a TaskScope and starts its chains with scope.spawn(task)
// (or hands them to callers with scope.bind(task)).
// Once the scope ends (the owner is destroyed, or calls end()/renew()), a chain of it
// is never resumed again: at its next wake-up in any awaitable of base (Sleep,
// nextTurn, onWorker, decodeOffMain, CallbackAwaiter, asyncCall and with it the HTTP
// send) its frames are destroyed instead, and the scope's GCancellable stops the GIO
// work in flight. Plain callbacks are bound with scope.guard(fn).
#include <coroutine>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "base/AppError.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "base/Resumption.h"
#include "base/WorkerPool.h"

namespace quorvel {

class TaskScope;

template <class T>
class Task;
template <class T>
void spawn(Task<T>&& t);

namespace detail {
// Ownership of the coroutine frame, shared by Task<T> and Task<void>.
template <class Promise>
class TaskHandle {
 public:
  using Handle = std::coroutine_handle<Promise>;
  explicit TaskHandle(Handle h) : h_(h), life_(h.promise().life) {}
  TaskHandle(TaskHandle&& o) noexcept : h_(std::exchange(o.h_, {})), life_(std::move(o.life_)) {}
  TaskHandle& operator=(TaskHandle&& o) noexcept {
    if (this != &o) {
      release();
      h_ = std::exchange(o.h_, {});
      life_ = std::move(o.life_);
    }
    return *this;
  }
  TaskHandle(const TaskHandle&) = delete;
  ~TaskHandle() { release(); }

  // Also true once the frame was ended with its scope.
  bool done() const { return !live() || h_.promise().done; }
  // Detach explicitly (same as dropping the Task).
  void detach() { release(); }

  bool await_ready() const noexcept { return !live() || h_.promise().done; }
  template <class P>
  void await_suspend(std::coroutine_handle<P> c) noexcept {
    static_assert(std::is_base_of_v<PromiseBase, P>, "a Task is awaited by a Task");
    h_.promise().continuation = c;
    h_.promise().parent = &c.promise();
    c.promise().awaitee = &h_.promise();
    c.promise().adopt(&h_.promise());
  }

 protected:
  Promise& promise() { return h_.promise(); }
  // The awaiting frame goes on: the links end here.
  void rethrowIfFailed() {
    if (!live()) throw AppError("g-io-error-quark", G_IO_ERROR_CANCELLED, "操作已取消");
    auto& p = h_.promise();
    if (p.parent && p.parent->awaitee == &p) p.parent->awaitee = nullptr;
    p.parent = nullptr;
    if (p.error) std::rethrow_exception(p.error);
  }
  friend class quorvel::TaskScope;
  template <class T>
  friend void quorvel::spawn(Task<T>&&);
  // Gives the chain a scope, or none (see TaskScope::spawn and spawn).
  void bind(const std::shared_ptr<ScopeState>& scope) {
    if (live() && !h_.promise().done) h_.promise().bindChain(scope);
  }
  // Marks the frame as its owner's (see TaskScope::bind).
  void bindOwner(const std::shared_ptr<ScopeState>& scope) {
    if (live() && !h_.promise().done) h_.promise().bindOwner(scope);
  }

 private:
  bool live() const { return h_ && life_ && *life_; }
  // A finished frame is freed here; a running one frees itself when it ends. An
  // awaited one is freed with the frame awaiting it (its chain was ended).
  void release() {
    if (!h_) return;
    if (!*life_) {
      // ended with its scope already
    } else if (h_.promise().done || h_.promise().parent) {
      h_.destroy();
    } else {
      h_.promise().detached = true;
    }
    h_ = {};
    life_.reset();
  }
  Handle h_;
  std::shared_ptr<bool> life_;
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
  auto h = std::coroutine_handle<TaskPromise<T>>::from_promise(*this);
  self = h;
  return Task<T>(h);
}
inline Task<void> TaskPromise<void>::get_return_object() {
  auto h = std::coroutine_handle<TaskPromise<void>>::from_promise(*this);
  self = h;
  return Task<void>(h);
}
}  // namespace detail

// Lets a task run to its end on its own, bound to no owner.
template <class T>
void spawn(Task<T>&& t) {
  t.bind(nullptr);
  t.detach();
}

// Whether an owner is still there, for code that is not a coroutine of its scope.
class OwnerToken {
 public:
  OwnerToken() = default;
  explicit OwnerToken(std::shared_ptr<const detail::ScopeState> s) : state_(std::move(s)) {}
  bool alive() const { return state_ && !state_->ended; }
  explicit operator bool() const { return alive(); }

 private:
  std::shared_ptr<const detail::ScopeState> state_;
};

// The lifetime of an owner's asynchronous work. The owner holds one (best as its last
// member) and starts its coroutines with spawn(); when the scope ends they end at
// their next wake-up, their frames destroyed, never resumed, and GIO work started in
// them is cancelled. Not copyable: it is the owner's.
class TaskScope {
 public:
  TaskScope() = default;
  TaskScope(const TaskScope&) = delete;
  TaskScope& operator=(const TaskScope&) = delete;
  ~TaskScope() { end(); }

  template <class T>
  void spawn(Task<T>&& t) {
    t.bind(state_);
    t.detach();
  }
  // `t` handed to a caller, who awaits it in its own chain: once this scope ends, `t`
  // (with what it awaits) is destroyed at the chain's next wake-up, and the caller's
  // co_await throws the cancellation error.
  template <class T>
  [[nodiscard]] Task<T> bind(Task<T>&& t) const {
    t.bindOwner(state_);
    return std::move(t);
  }
  // Ends every chain in flight; the scope stays ended (an owner going away).
  void end() { state_->end(); }
  // Ends the chains in flight and starts afresh: later spawns run again (a restart).
  void renew() {
    end();
    state_ = std::make_shared<detail::ScopeState>();
  }
  bool ended() const { return state_->ended; }
  OwnerToken token() const { return OwnerToken(state_); }
  // Cancelled when the scope ends: for GIO work outside a coroutine of the scope.
  GCancellable* cancellable() const { return state_->cancellable.get(); }
  // `fn` bound to the owner: a call after the scope ended does nothing (and returns
  // a default value).
  template <class F>
  auto guard(F fn) const {
    return [token = token(), fn = std::move(fn)](auto&&... args) {
      using R = decltype(fn(std::forward<decltype(args)>(args)...));
      if (!token.alive()) {
        if constexpr (std::is_void_v<R>) return;
        else return R{};
      }
      return fn(std::forward<decltype(args)>(args)...);
    };
  }

 private:
  std::shared_ptr<detail::ScopeState> state_ = std::make_shared<detail::ScopeState>();
};

// Bridges any callback-style operation into an awaitable. `start` receives a
// resolver that must be called exactly once, on the main thread, with the result.
// Later calls are ignored.
template <class T>
class CallbackAwaiter {
 public:
  using Resolver = std::function<void(T)>;
  explicit CallbackAwaiter(std::function<void(Resolver)> start) : start_(std::move(start)) {}
  bool await_ready() const noexcept { return false; }
  template <class P>
  bool await_suspend(std::coroutine_handle<P> h) {
    auto state = state_;
    start_([state](T v) {
      if (state->fired) return;
      state->fired = true;
      state->value.emplace(std::move(v));
      if (state->resume) std::exchange(state->resume, {})();
    });
    // Resolved while starting: go on without suspending. Resuming from inside
    // start_ could end the coroutine, and with it this awaiter, while start_ runs.
    if (state->fired) return false;
    state->resume = detail::Resumption(h);
    return true;
  }
  T await_resume() { return std::move(*state_->value); }

 private:
  struct State {
    detail::Resumption resume;
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
  template <class P>
  void await_suspend(std::coroutine_handle<P> h) const {
    postToMainAfter(ms, [r = detail::Resumption(h)] { r(); });
  }
  void await_resume() const noexcept {}
};
inline Sleep sleepFor(unsigned ms) { return Sleep{ms}; }

// Resumes on a later turn of the main context.
struct NextTurn {
  bool await_ready() const noexcept { return false; }
  template <class P>
  void await_suspend(std::coroutine_handle<P> h) const {
    postToMain([r = detail::Resumption(h)] { r(); });
  }
  void await_resume() const noexcept {}
};
inline NextTurn nextTurn() { return {}; }

// The cancellable of the scope the awaiting chain belongs to (null when none), without
// suspending: for GIO work a coroutine starts by other means than asyncCall.
struct ChainCancellable {
  GCancellable* cancellable = nullptr;
  bool await_ready() const noexcept { return false; }
  template <class P>
  bool await_suspend(std::coroutine_handle<P> h) noexcept {
    cancellable = h.promise().scopeCancellable();
    return false;
  }
  GCancellable* await_resume() const noexcept { return cancellable; }
};
inline ChainCancellable chainCancellable() { return {}; }

namespace detail {
// Work posted to another thread whose result comes back to the main context. The
// state is shared, not in the frame: the frame may be ended while the work runs. The
// work and its result are released on the main thread.
template <class F>
struct OffThreadState {
  using R = decltype(std::declval<F&>()());
  F fn;
  std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> value;
  std::exception_ptr error;

  void run() {
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
  }
  R take() {
    if (error) std::rethrow_exception(error);
    if constexpr (!std::is_void_v<R>) return std::move(*value);
  }
  // A job for the other thread: runs the work, then wakes `resume` on the main context.
  static std::function<void()> job(std::shared_ptr<OffThreadState> state, Resumption resume) {
    return [state = std::move(state), resume = std::move(resume)]() mutable {
      state->run();
      postToMain([state = std::move(state), resume = std::move(resume)] { resume(); });
    };
  }
};

// An awaitable over OffThreadState; `post` hands a job to the other thread.
template <class F, class Post>
struct OffThreadAwaiter {
  Post post;
  std::shared_ptr<OffThreadState<F>> state;
  bool await_ready() const noexcept { return false; }
  template <class P>
  void await_suspend(std::coroutine_handle<P> h) {
    post(OffThreadState<F>::job(state, Resumption(h)));
  }
  auto await_resume() { return state->take(); }
};

template <class F, class Post>
OffThreadAwaiter<F, Post> offThread(Post post, F fn) {
  auto state = std::make_shared<OffThreadState<F>>(OffThreadState<F>{std::move(fn), {}, {}});
  return OffThreadAwaiter<F, Post>{std::move(post), std::move(state)};
}
}  // namespace detail

// Runs fn on `pool` and resumes on the main context with its result. An exception
// thrown by fn is rethrown to the awaiting coroutine. The pool must outlive the wait.
template <class F>
auto onWorker(WorkerPool& pool, F fn) {
  return detail::offThread(
      [&pool](std::function<void()> job) { pool.submit(std::move(job)); }, std::move(fn));
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
