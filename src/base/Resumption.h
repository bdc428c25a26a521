#pragma once
// The frame side of a Task: its promise's links (awaiting frame, scope, life) and how
// an awaitable wakes it. Awaitables of base and of lower layers use Resumption so
// that a chain whose owner has gone is ended instead of resumed.
//
// A chain belongs to the scope of its root (the frame nobody awaits). A new Task takes
// the scope of the Task running where it is made, so work it starts before it is
// awaited (a GIO call) already follows the owner's cancellable.
//
// A frame an owner hands to callers (TaskScope::bind) also carries that owner's scope
// (ownScope): once it ends, the frame and what it awaits are destroyed at the chain's
// next wake-up and its awaiting frame goes on with the cancellation error.
#include <coroutine>
#include <exception>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/Cancellable.h"
#include "base/GObjectPtr.h"

namespace quorvel {

void logEscapedTaskException(std::exception_ptr e);

namespace detail {
// What a TaskScope shares with the chains bound to it.
struct ScopeState {
  bool ended = false;
  Cancellable cancellable;
  // GIO work of the scope's chains that has a cancellable of its own.
  std::vector<GObjectPtr<GCancellable>> followers;

  void follow(GCancellable* c) {
    if (ended) {
      g_cancellable_cancel(c);
      return;
    }
    // Work that has ended holds its cancellable no more.
    std::erase_if(followers, [](const GObjectPtr<GCancellable>& f) {
      return G_OBJECT(f.get())->ref_count == 1 || g_cancellable_is_cancelled(f.get());
    });
    followers.push_back(GObjectPtr<GCancellable>::retain(c));
  }
  void end() {
    if (ended) return;
    ended = true;
    cancellable.cancel();
    for (auto& f : std::exchange(followers, {})) g_cancellable_cancel(f.get());
  }
};

struct PromiseBase {
  std::coroutine_handle<> self;
  std::coroutine_handle<> continuation;
  PromiseBase* parent = nullptr;       // the awaiting Task's promise, while awaited
  PromiseBase* awaitee = nullptr;      // the Task this one awaits, while it does
  PromiseBase* prevRunning = nullptr;  // what ran before this frame took the thread
  std::shared_ptr<ScopeState> scope;
  std::shared_ptr<ScopeState> ownScope;  // the callee owner's, for a bound frame
  GCancellable* inFlight = nullptr;    // the GIO work this frame waits for, if any
  std::shared_ptr<bool> life = std::make_shared<bool>(true);  // false once the frame is gone
  std::exception_ptr error;
  bool detached = false;
  bool done = false;

  PromiseBase() {
    if (PromiseBase* creator = running()) scope = creator->scope;
  }
  PromiseBase(const PromiseBase&) = delete;
  ~PromiseBase() {
    *life = false;
    if (parent && parent->awaitee == this) parent->awaitee = nullptr;
  }

  // The Task frame executing on this (the main) thread, if any.
  static PromiseBase*& running();

  void enter() {
    if (running() == this) return;
    prevRunning = running();
    running() = this;
  }
  void leave() { running() = prevRunning; }

  struct Start {
    PromiseBase* self;
    bool await_ready() const noexcept { return true; }
    void await_suspend(std::coroutine_handle<>) const noexcept {}
    void await_resume() const noexcept { self->enter(); }
  };
  Start initial_suspend() noexcept { return {this}; }
  void unhandled_exception() noexcept { error = std::current_exception(); }

  PromiseBase* root() {
    PromiseBase* r = this;
    while (r->parent) r = r->parent;
    return r;
  }
  // Whether the chain's owner has gone.
  bool inEndedScope() {
    auto& s = root()->scope;
    return s && s->ended;
  }
  // The scope nearest to this frame (its own, else an awaiting frame's).
  ScopeState* nearestScope() const {
    for (const PromiseBase* p = this; p; p = p->parent)
      if (p->scope) return p->scope.get();
    return nullptr;
  }
  GCancellable* scopeCancellable() const {
    ScopeState* s = nearestScope();
    return s ? s->cancellable.get() : nullptr;
  }
  // This frame waits for GIO work cancelled by `c`: the scope's end cancels it too,
  // also when the chain is bound to its scope only later.
  void waitFor(GCancellable* c) {
    inFlight = c;
    if (ScopeState* s = nearestScope()) s->follow(c);
    followBound(c);
  }
  // The owners of the bound frames from here up cancel `c` too.
  void followBound(GCancellable* c) {
    for (PromiseBase* p = this; p; p = p->parent)
      if (p->ownScope) p->ownScope->follow(c);
  }
  // `child` is now awaited by this frame: its work in flight follows the bound frames
  // above (it was started before the link existed).
  void adopt(PromiseBase* child) {
    for (PromiseBase* q = child; q; q = q->awaitee)
      if (q->inFlight) followBound(q->inFlight);
  }
  // Marks this frame with its owner's scope; work in flight below follows it.
  void bindOwner(const std::shared_ptr<ScopeState>& s) {
    ownScope = s;
    for (PromiseBase* q = this; q; q = q->awaitee)
      if (q->inFlight) s->follow(q->inFlight);
  }
  // The topmost frame from here to the root whose own owner has gone, if any.
  PromiseBase* endedBound() {
    PromiseBase* found = nullptr;
    for (PromiseBase* p = this; p; p = p->parent)
      if (p->ownScope && p->ownScope->ended) found = p;
    return found;
  }
  // What goes on when the chain wakes at `leaf`, about to resume `next`: the whole
  // chain ends with its root's scope; a bound frame whose owner has gone is destroyed
  // (with what it awaits) and its awaiting frame goes on instead, to find it gone.
  static std::coroutine_handle<> afterWake(PromiseBase* leaf, std::coroutine_handle<> next) {
    if (leaf->inEndedScope()) {
      leaf->endChain();
      return std::noop_coroutine();
    }
    if (PromiseBase* f = leaf->endedBound()) {
      std::coroutine_handle<> up = f->parent ? f->continuation : std::coroutine_handle<>();
      f->self.destroy();
      return up ? up : std::noop_coroutine();
    }
    return next;
  }
  // Gives the chain from this frame down a scope (or none).
  void bindChain(const std::shared_ptr<ScopeState>& s) {
    for (PromiseBase* p = this; p; p = p->awaitee) {
      p->scope = s;
      if (s && p->inFlight) s->follow(p->inFlight);
    }
  }
  // Destroys the whole chain from its root; every awaited frame goes with its parent.
  void endChain() { root()->self.destroy(); }

  // Every co_await of a Task passes here: the frame leaves the thread while it waits
  // and takes it again when it goes on.
  template <class A>
  struct Tracked {
    A inner;
    PromiseBase* self;
    bool await_ready() { return inner.await_ready(); }
    template <class P>
    auto await_suspend(std::coroutine_handle<P> h) {
      self->leave();
      return inner.await_suspend(h);
    }
    decltype(auto) await_resume() {
      self->enter();
      return inner.await_resume();
    }
  };
  template <class A>
  Tracked<A&&> await_transform(A&& a) noexcept {
    return Tracked<A&&>{std::forward<A>(a), this};
  }

  template <class P>
  struct FinalAwaiter {
    bool await_ready() noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<P> h) noexcept {
      auto& p = h.promise();
      p.done = true;
      p.leave();
      if (p.continuation) {
        // An owner above has gone: this frame goes with what is ended.
        if (p.parent) return afterWake(p.parent, p.continuation);
        return p.continuation;
      }
      if (p.detached) {
        if (p.error) logEscapedTaskException(p.error);
        h.destroy();
      }
      return std::noop_coroutine();
    }
    void await_resume() noexcept {}
  };
};

// How an awaitable wakes its coroutine: resumes it, or ends its chain when the chain's
// scope has ended, or does nothing when the frame is gone already.
class Resumption {
 public:
  Resumption() = default;
  template <class P>
  explicit Resumption(std::coroutine_handle<P> h) : handle_(h), promise_(&h.promise()), life_(h.promise().life) {
    static_assert(std::is_base_of_v<PromiseBase, P>, "awaitables of base serve Task coroutines");
  }
  explicit operator bool() const { return bool(handle_); }
  void operator()() const {
    if (!handle_ || !life_ || !*life_) return;
    promise_->inFlight = nullptr;
    PromiseBase::afterWake(promise_, handle_).resume();
  }
  // The frame waits for GIO work cancelled by `c` (see PromiseBase::waitFor).
  void waitFor(GCancellable* c) const {
    if (life_ && *life_) promise_->waitFor(c);
  }

 private:
  std::coroutine_handle<> handle_;
  PromiseBase* promise_ = nullptr;
  std::shared_ptr<bool> life_;
};
}  // namespace detail

}  // namespace quorvel
