#pragma once
// One awaitable for every GIO-style start/finish pair (GIO, GDBus, libsoup, WebKit):
//
//   GVariantPtr reply = co_await asyncCall<GVariantPtr>(
//       [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
//         g_dbus_connection_call(bus, …, c, cb, data); },
//       [](GObject* src, GAsyncResult* res, GError** error) {
//         return GVariantPtr(g_dbus_connection_call_finish(G_DBUS_CONNECTION(src), res, error)); },
//       cancellable);
//
// A GError from the finish function becomes an AppError (domain = the error quark's
// name, its code and message) thrown into the awaiting coroutine; a cancelled call
// throws AppError("g-io-error-quark", G_IO_ERROR_CANCELLED, …).
#include <gio/gio.h>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"

namespace quorvel {

// A GError as the AppError that crosses our asynchronous boundaries.
AppError toAppError(const GError* error, const std::string& fallback = "操作失败");

// A cancellable owned by an object with work in flight: cancelled when the owner
// goes away, so callbacks never reach a dead owner.
class Cancellable {
 public:
  Cancellable() : c_(GObjectPtr<GCancellable>::adopt(g_cancellable_new())) {}
  Cancellable(const Cancellable&) = delete;
  Cancellable& operator=(const Cancellable&) = delete;
  ~Cancellable() { cancel(); }
  GCancellable* get() const { return c_.get(); }
  void cancel() {
    if (c_) g_cancellable_cancel(c_);
  }
  bool cancelled() const { return c_ && g_cancellable_is_cancelled(c_); }
  // A fresh cancellable for further work (the old one stays cancelled).
  void renew() {
    cancel();
    c_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  }

 private:
  GObjectPtr<GCancellable> c_;
};

// Whether a cancelled call resumes its coroutine at once (on the next turn) instead of
// when the operation reports back. For calls whose reply may never come once their
// owner has gone (a script awaiting a promise in a page that lives on elsewhere).
enum class OnCancel { waitForReply, resumeAtOnce };

template <class R>
class AsyncCall {
 public:
  using Start = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;
  using Finish = std::function<R(GObject*, GAsyncResult*, GError**)>;

  AsyncCall(Start start, Finish finish, GCancellable* cancellable, OnCancel onCancel = OnCancel::waitForReply)
      : start_(std::move(start)), state_(std::make_shared<State>()), onCancel_(onCancel) {
    state_->finish = std::move(finish);
    if (cancellable) state_->cancellable = GObjectPtr<GCancellable>::retain(cancellable);
  }

  bool await_ready() const noexcept { return false; }
  void await_suspend(std::coroutine_handle<> h) {
    state_->handle = h;
    if (onCancel_ == OnCancel::resumeAtOnce && state_->cancellable) watchCancel();
    // The callback always comes on a later turn of the main context (GIO's rule), so
    // resuming from it never happens inside start_.
    start_(state_->cancellable.get(), &AsyncCall::onReady, new std::shared_ptr<State>(state_));
  }
  R await_resume() {
    if (state_->error) throw toAppError(state_->error.get());
    return std::move(*state_->value);
  }

 private:
  struct State {
    Finish finish;
    GObjectPtr<GCancellable> cancellable;
    std::coroutine_handle<> handle;
    std::optional<R> value;
    GErrorPtr error;
    GMainContext* context = nullptr;  // where an early resume runs (owned)
    gulong cancelHandler = 0;
    ~State() {
      if (cancelHandler) g_cancellable_disconnect(cancellable, cancelHandler);
      if (context) g_main_context_unref(context);
    }
  };

  static void onReady(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::shared_ptr<State>> holder(static_cast<std::shared_ptr<State>*>(data));
    auto state = *holder;
    if (!state->handle) {  // resumed already, as cancelled; the late reply is dropped
      GErrorPtr ignored;
      state->finish(source, result, ignored.out());
      return;
    }
    GError** out = state->error.out();
    state->value.emplace(state->finish(source, result, out));
    if (auto h = std::exchange(state->handle, {})) h.resume();
  }

  void watchCancel() {
    state_->context = g_main_context_ref_thread_default();
    // Runs where cancel() is called (at once when cancelled already): the resume
    // itself goes to the awaiting coroutine's context, on a later turn.
    state_->cancelHandler = g_cancellable_connect(
        state_->cancellable,
        G_CALLBACK(+[](GCancellable*, gpointer data) {
          auto* weak = static_cast<std::weak_ptr<State>*>(data);
          auto state = weak->lock();
          if (!state) return;
          GSource* idle = g_idle_source_new();
          g_source_set_callback(
              idle,
              [](gpointer d) -> gboolean {
                std::unique_ptr<std::weak_ptr<State>> w(static_cast<std::weak_ptr<State>*>(d));
                auto st = w->lock();
                if (!st || !st->handle) return G_SOURCE_REMOVE;
                g_set_error_literal(st->error.out(), G_IO_ERROR, G_IO_ERROR_CANCELLED, "Operation was cancelled");
                std::exchange(st->handle, {}).resume();
                return G_SOURCE_REMOVE;
              },
              new std::weak_ptr<State>(state), nullptr);
          g_source_attach(idle, state->context);
          g_source_unref(idle);
        }),
        new std::weak_ptr<State>(state_), +[](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); });
  }

  Start start_;
  std::shared_ptr<State> state_;
  OnCancel onCancel_;
};

template <class R>
AsyncCall<R> asyncCall(typename AsyncCall<R>::Start start, typename AsyncCall<R>::Finish finish,
                       GCancellable* cancellable = nullptr, OnCancel onCancel = OnCancel::waitForReply) {
  return AsyncCall<R>(std::move(start), std::move(finish), cancellable, onCancel);
}

}  // namespace quorvel
